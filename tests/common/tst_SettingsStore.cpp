#include "SettingsStore.h"
#include "zuUtilita.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_SettingsStore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void namesIgnoreCase();
    void leggiIniDefaults();
    void writesAreSeenByTheNextReadInAnotherProcess();
    void fileIsPrivateToTheUser();
    void corruptFileIsKeptAndReadsAsMissing();
    void unusableStoreFailsTheWrite();

private:
    QString probe(const QStringList &args);
    std::unique_ptr<QTemporaryDir> m_home;
};

void tst_SettingsStore::init()
{
    // Blanks, a non-ASCII letter and a long folder name in the path must not matter.
    m_home = std::make_unique<QTemporaryDir>(QDir::tempPath() + u"/impostazioni è prova "_s + QString(200, u'n')
                                             + u"XXXXXX"_s);
    QVERIFY(m_home->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->path()));
}

QString tst_SettingsStore::probe(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(SETTINGS_PROBE), args);
    if (!process.waitForFinished(10000))
        return u"<timeout>"_s;
    if (process.exitCode() != 0)
        return u"<failed>"_s;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

void tst_SettingsStore::namesIgnoreCase()
{
    QVERIFY(SettingsStore::setValue(u"CIARLACHAT"_s, u"msg"_s, u"nick"_s, u"anna"_s));
    QCOMPARE(SettingsStore::value(u"ciarlachat"_s, u"MSG"_s, u"Nick"_s), u"anna"_s);

    // A write in other letter case replaces the entry instead of adding another.
    QVERIFY(SettingsStore::setValue(u"CiarlaChat"_s, u"Msg"_s, u"NICK"_s, u"bruno"_s));
    QCOMPARE(SettingsStore::value(u"CIARLACHAT"_s, u"msg"_s, u"nick"_s), u"bruno"_s);
    QFile file(SettingsStore::filePath(u"CIARLACHAT"_s));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    QCOMPARE(content.count("bruno"), 1);
    QVERIFY(!content.contains("anna"));

    SettingsStore::ReadStatus status;
    QVERIFY(!SettingsStore::value(u"CIARLACHAT"_s, u"msg"_s, u"altro"_s, &status));
    QCOMPARE(status, SettingsStore::ReadStatus::Missing);
}

void tst_SettingsStore::leggiIniDefaults()
{
    zuUtilita zu;
    QCOMPARE(zu.LeggiINI(u"/x/cfg.ini"_s, u"Connessione"_s, u"Sincrono"_s, u"0"_s), u"0"_s);
    QVERIFY(zu.ScriviINI(u"/x/cfg.ini"_s, u"Connessione"_s, u"Proxy"_s, u""_s));
    QCOMPARE(zu.LeggiINI(u"/x/cfg.ini"_s, u"Connessione"_s, u"Proxy"_s, u"dflt"_s), u"dflt"_s);

    // The file argument does not select where the value lives; blanks are kept.
    QVERIFY(zu.ScriviINI(u"/a/cfg.ini"_s, u"Connessione"_s, u"Porta"_s, u" 8080 "_s));
    QCOMPARE(zu.LeggiINI(u"/b/other.ini"_s, u"connessione"_s, u"porta"_s, u""_s), u" 8080 "_s);
    QCOMPARE(SettingsStore::value(u"ZUCiarlaChat"_s, u"Connessione"_s, u"Porta"_s), u" 8080 "_s);

    // Any name is kept flat, the INI format's "/" and "\" and the escape's "%" included.
    QVERIFY(zu.ScriviINI(QString(), u"Rete/Proxy"_s, u"a\\b%2F"_s, u"v"_s));
    QCOMPARE(zu.LeggiINI(QString(), u"rete/proxy"_s, u"A\\B%2f"_s, u"d"_s), u"v"_s);
    QCOMPARE(zu.LeggiINI(QString(), u"Rete/Proxy"_s, u"a\\b/"_s, u"d"_s), u"d"_s);
    QCOMPARE(zu.LeggiINI(QString(), u"Rete"_s, u"Proxy/a\\b%2F"_s, u"d"_s), u"d"_s);
}

void tst_SettingsStore::writesAreSeenByTheNextReadInAnotherProcess()
{
    const QStringList where{u"ZUCiarlaChat"_s, u"Connessione"_s, u"Sincrono"_s};
    QCOMPARE(probe(QStringList{u"read"_s} + where), u"<missing>"_s);
    // Same-size values in quick succession: a cache keyed on size and time would miss them.
    for (const QString &value : {u"1"_s, u"0"_s, u"1"_s, u"0"_s}) {
        QVERIFY(SettingsStore::setValue(where[0], where[1], where[2], value));
        QCOMPARE(probe(QStringList{u"read"_s} + where), value);
    }
    for (const QString &value : {u"a"_s, u"b"_s, u"c"_s}) {
        QCOMPARE(probe(QStringList{u"write"_s} + where + QStringList{value}), QString());
        QCOMPARE(SettingsStore::value(where[0], where[1], where[2]), value);
    }
}

void tst_SettingsStore::fileIsPrivateToTheUser()
{
    const QFileDevice::Permissions ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    // Qt reports the owner's bits twice (owner and current user); group and others must be clear.
    auto mode = [](const QString &file) { return QFile::permissions(file) & 0x7077; };
    const QString path = SettingsStore::filePath(u"ZUCiarlaChat"_s);
    QVERIFY(SettingsStore::setValue(u"ZUCiarlaChat"_s, u"Connessione"_s, u"Password"_s, u"segreta"_s));
    QCOMPARE(mode(path), ownerOnly);
    // A rewrite goes through a new file: it must keep the mode too.
    QVERIFY(SettingsStore::setValue(u"ZUCiarlaChat"_s, u"Connessione"_s, u"Password"_s, u"altra"_s));
    QCOMPARE(mode(path), ownerOnly);
    QVERIFY(QFile::setPermissions(path, ownerOnly | QFileDevice::ReadOther));
    QVERIFY(SettingsStore::setValue(u"ZUCiarlaChat"_s, u"Connessione"_s, u"Password"_s, u"terza"_s));
    QCOMPARE(mode(path), ownerOnly);
}

void tst_SettingsStore::corruptFileIsKeptAndReadsAsMissing()
{
    const QString path = SettingsStore::filePath(u"ZUCiarlaChat"_s);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    const QByteArray garbage("\x01\x02\xff\xfe not a settings file \x00\x7f", 28);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    SettingsStore::ReadStatus status;
    QVERIFY(!SettingsStore::value(u"ZUCiarlaChat"_s, u"Connessione"_s, u"Proxy"_s, &status));
    QCOMPARE(status, SettingsStore::ReadStatus::Unreadable);
    zuUtilita zu;
    QCOMPARE(zu.LeggiINI(QString(), u"Connessione"_s, u"Sincrono"_s, u"0"_s), u"0"_s);
    QVERIFY(!zu.ScriviINI(QString(), u"Connessione"_s, u"Proxy"_s, u"p"_s));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), garbage);
}

void tst_SettingsStore::unusableStoreFailsTheWrite()
{
    QVERIFY(SettingsStore::setValue(u"ZUCiarlaChat"_s, u"Connessione"_s, u"Proxy"_s, u"vecchio"_s));
    const QString path = SettingsStore::filePath(u"ZUCiarlaChat"_s);
    {
        // Another process (here: another lock object) holds the store.
        QLockFile lock(path + u".lock"_s);
        QVERIFY(lock.tryLock());
        QVERIFY(!SettingsStore::setValue(u"ZUCiarlaChat"_s, u"Connessione"_s, u"Proxy"_s, u"nuovo"_s));
    }
    QCOMPARE(SettingsStore::value(u"ZUCiarlaChat"_s, u"Connessione"_s, u"Proxy"_s), u"vecchio"_s);

    // A folder where the file should be: nothing to read, nothing written.
    const QString blocked = SettingsStore::filePath(u"Bloccata"_s);
    QVERIFY(QDir().mkpath(blocked));
    QVERIFY(!SettingsStore::setValue(u"Bloccata"_s, u"s"_s, u"k"_s, u"v"_s));
    QVERIFY(!SettingsStore::value(u"Bloccata"_s, u"s"_s, u"k"_s));
}

QTEST_GUILESS_MAIN(tst_SettingsStore)
#include "tst_SettingsStore.moc"
