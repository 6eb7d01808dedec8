#include "SettingsStore.h"
#include "TestFiles.h"
#include "zuUtilita.h"

#include <QDir>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString app = u"ZUCiarlaChat"_s;
const QString sezione = u"Connessione"_s;

// One setting read or written by another process: the value, "<missing>", or "" after a write.
QString probe(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(SETTINGS_PROBE), QStringList{args.size() == 3 ? u"read"_s : u"write"_s} + args);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return u"<failed>"_s;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}
} // namespace

class tst_SettingsStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_home;

private Q_SLOTS:
    void init()
    {
        // Blanks, a non-ASCII letter and a long folder name in the path must not matter.
        m_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/impostazioni è prova "_s + QString(200, u'n')
                                                 + u"XXXXXX"_s);
        QVERIFY(m_home->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
    }

    void namesIgnoreCaseAndLeggiIniDefaults()
    {
        QVERIFY(SettingsStore::setValue(u"CIARLACHAT"_s, u"msg"_s, u"nick"_s, u"anna"_s));
        QCOMPARE(SettingsStore::value(u"ciarlachat"_s, u"MSG"_s, u"Nick"_s), u"anna"_s);
        // A write in other letter case replaces the entry instead of adding another.
        QVERIFY(SettingsStore::setValue(u"CiarlaChat"_s, u"Msg"_s, u"NICK"_s, u"bruno"_s));
        const QByteArray content = TestFiles::read(SettingsStore::filePath(u"CIARLACHAT"_s));
        QVERIFY(content.count("bruno") == 1 && !content.contains("anna"));
        SettingsStore::ReadStatus status;
        QVERIFY(!SettingsStore::value(u"CIARLACHAT"_s, u"msg"_s, u"altro"_s, &status));
        QCOMPARE(status, SettingsStore::ReadStatus::Missing);
        zuUtilita zu;
        QCOMPARE(zu.LeggiINI(u"/x/cfg.ini"_s, sezione, u"Sincrono"_s, u"0"_s), u"0"_s);
        QVERIFY(zu.ScriviINI(u"/x/cfg.ini"_s, sezione, u"Proxy"_s, u""_s));
        QCOMPARE(zu.LeggiINI(u"/x/cfg.ini"_s, sezione, u"Proxy"_s, u"dflt"_s), u"dflt"_s);
        // The file argument does not select where the value lives; blanks are kept.
        QVERIFY(zu.ScriviINI(u"/a/cfg.ini"_s, sezione, u"Porta"_s, u" 8080 "_s));
        QCOMPARE(zu.LeggiINI(u"/b/other.ini"_s, u"connessione"_s, u"porta"_s, u""_s), u" 8080 "_s);
        QCOMPARE(SettingsStore::value(app, sezione, u"Porta"_s), u" 8080 "_s);
        // Any name is kept flat, the INI format's "/" and "\" and the escape's "%" included.
        QVERIFY(zu.ScriviINI(QString(), u"Rete/Proxy"_s, u"a\\b%2F"_s, u"v"_s));
        QCOMPARE(zu.LeggiINI(QString(), u"rete/proxy"_s, u"A\\B%2f"_s, u"d"_s), u"v"_s);
        QCOMPARE(zu.LeggiINI(QString(), u"Rete/Proxy"_s, u"a\\b/"_s, u"d"_s), u"d"_s);
        QCOMPARE(zu.LeggiINI(QString(), u"Rete"_s, u"Proxy/a\\b%2F"_s, u"d"_s), u"d"_s);
    }

    void writesAreSeenByTheNextReadInAnotherProcess()
    {
        const QStringList where{app, sezione, u"Sincrono"_s};
        QCOMPARE(probe(where), u"<missing>"_s);
        // Same-size values in quick succession: a cache keyed on size and time would miss them.
        for (const QString &value : {u"1"_s, u"0"_s, u"1"_s, u"0"_s}) {
            QVERIFY(SettingsStore::setValue(app, sezione, where[2], value));
            QCOMPARE(probe(where), value);
        }
        for (const QString &value : {u"a"_s, u"b"_s, u"c"_s}) {
            QCOMPARE(probe(where + QStringList{value}), QString());
            QCOMPARE(SettingsStore::value(app, sezione, where[2]), value);
        }
    }

    void fileIsPrivateToTheUser()
    {
        // Qt reports the owner's bits twice (owner and current user); group and others must be clear.
        const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        const QString path = SettingsStore::filePath(app);
        // A rewrite goes through a new file: it must keep the mode too, even after a change by hand.
        for (const QString &password : {u"segreta"_s, u"altra"_s}) {
            QVERIFY(SettingsStore::setValue(app, sezione, u"Password"_s, password));
            QCOMPARE(QFile::permissions(path) & 0x7077, ownerOnly);
            QVERIFY(QFile::setPermissions(path, ownerOnly | QFileDevice::ReadOther));
        }
    }

    void corruptOrBusyStoreIsLeftAlone()
    {
        const QString path = SettingsStore::filePath(app);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        const QByteArray garbage("\x01\x02\xff\xfe not a settings file \x00\x7f", 28);
        QVERIFY(TestFiles::write(path, garbage));
        SettingsStore::ReadStatus status;
        QVERIFY(!SettingsStore::value(app, sezione, u"Proxy"_s, &status));
        QCOMPARE(status, SettingsStore::ReadStatus::Unreadable);
        zuUtilita zu;
        QCOMPARE(zu.LeggiINI(QString(), sezione, u"Sincrono"_s, u"0"_s), u"0"_s);
        QVERIFY(!zu.ScriviINI(QString(), sezione, u"Proxy"_s, u"p"_s));
        QCOMPARE(TestFiles::read(path), garbage);
        QVERIFY(QFile::remove(path));
        QVERIFY(SettingsStore::setValue(app, sezione, u"Proxy"_s, u"vecchio"_s));
        {
            // Another process (here: another lock object) holds the store.
            QLockFile lock(path + u".lock"_s);
            QVERIFY(lock.tryLock());
            QVERIFY(!SettingsStore::setValue(app, sezione, u"Proxy"_s, u"nuovo"_s));
        }
        QCOMPARE(SettingsStore::value(app, sezione, u"Proxy"_s), u"vecchio"_s);
        // A folder where the file should be: nothing to read, nothing written.
        QVERIFY(QDir().mkpath(SettingsStore::filePath(u"Bloccata"_s)));
        QVERIFY(!SettingsStore::setValue(u"Bloccata"_s, u"s"_s, u"k"_s, u"v"_s));
        QVERIFY(!SettingsStore::value(u"Bloccata"_s, u"s"_s, u"k"_s));
    }
};

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_SettingsStore.moc"
