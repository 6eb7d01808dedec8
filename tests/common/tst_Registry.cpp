#include "Registry.h"
#include "TestFiles.h"
#include "zuUtilita.h"

#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
RegistryKey writable(quint32 root, const QString &path)
{
    const auto key = Registry::createKey(root, path, Registry::WriteAccess);
    if (!key)
        qFatal("cannot create %s", qPrintable(path));
    return *key;
}
} // namespace

class tst_Registry : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        qputenv("CIARLA_REGISTRY_DIR", QFile::encodeName(m_dir->path() + u"/hives with blanks"_s));
    }

    void typedReadsAsText_data()
    {
        QTest::addColumn<quint32>("type");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("text"); // "+" and the text when found, "-" when not
        QTest::newRow("string with NUL") << 1u << QByteArray("C:\\Programmi\0", 13) << u"+C:\\Programmi"_s;
        QTest::newRow("string without NUL") << 1u << QByteArray("abc") << u"+abc"_s;
        QTest::newRow("two NULs") << 1u << QByteArray("ab\0\0", 4) << QString::fromUtf8("+ab\0", 4);
        QTest::newRow("single-byte accent") << 1u << QByteArray("citt\xe0\0", 6) << u"+città"_s;
        QTest::newRow("negative number") << 4u << QByteArray("\xfe\xff\xff\xff", 4) << u"+-2"_s;
        // The trailing NUL rule is for strings: a number ending in a zero byte stays whole.
        QTest::newRow("number ending in zero") << 4u << QByteArray("\x00\x01\x00\x00", 4) << u"+256"_s;
        QTest::newRow("binary") << 3u << QByteArray("\x01\x02", 2) << u"+"_s;
        QTest::newRow("too long") << 1u << QByteArray(1025, 'x') << u"-"_s;
        QTest::newRow("at the limit") << 1u << QByteArray(1023, 'y') + '\0' << u'+' + QString(1023, u'y');
    }

    void typedReadsAsText()
    {
        QFETCH(quint32, type);
        QFETCH(QByteArray, data);
        QFETCH(QString, text);
        QVERIFY(writable(Registry::LocalMachine, u"SOFTWARE\\Prova"_s).setValue(u"v"_s, {type, data}));
        for (const QString &name : {u"v"_s, u"assente"_s}) {
            QString read = u"prima"_s;
            const bool found = Registry::readText(Registry::LocalMachine, u"SOFTWARE\\Prova"_s, name, Registry::ReadAccess, read);
            QCOMPARE((found ? u"+"_s : u"-"_s) + read, name == u"v"_s ? text : u"-"_s);
        }
    }

    void namesIgnoreCaseAndKeepTheirBytes()
    {
        RegistryKey key = writable(Registry::CurrentUser, u"Software\\Ciarla\\Sub"_s);
        QVERIFY(key.setValue(u"Valore"_s, {Registry::String, QByteArray("uno")}));
        auto other = Registry::openKey(Registry::CurrentUser, u"\\SOFTWARE\\ciarla\\SUB\\"_s, Registry::WriteAccess);
        QVERIFY(other && other->setValue(u"VALORE"_s, {Registry::String, QByteArray("due\0", 4)}));
        const auto value = key.value(u"valore"_s);
        QVERIFY(value && value->type == Registry::String);
        QCOMPARE(value->data, QByteArray("due\0", 4));
        // Hives are separate: the same path under another root is not there.
        QVERIFY(!Registry::openKey(Registry::LocalMachine, u"Software\\Ciarla\\Sub"_s, Registry::ReadAccess));
    }

    void readsNeverFailOutwardAndCorruptHivesAreLeftAlone()
    {
        QString text;
        QVERIFY(!Registry::readText(Registry::LocalMachine, u"SOFTWARE"_s, u"x"_s, Registry::ReadAccess, text));
        QVERIFY(!QFile::exists(Registry::hivePath(Registry::LocalMachine)));
        QVERIFY(!Registry::readText(0x80000009, u"SOFTWARE"_s, u"x"_s, Registry::ReadAccess, text));
        QVERIFY(!Registry::openKey(Registry::CurrentUser, QString(), Registry::ReadAccess));
        writable(Registry::LocalMachine, u"SOFTWARE"_s);
        const QString path = Registry::hivePath(Registry::LocalMachine);
        const QByteArray garbage(8192, '\x5a');
        QVERIFY(TestFiles::write(path, garbage));
        QFile::remove(path + u"-wal"_s);
        QFile::remove(path + u"-shm"_s);
        QVERIFY(!Registry::readText(Registry::LocalMachine, u"SOFTWARE"_s, u"x"_s, Registry::ReadAccess, text));
        QVERIFY(!Registry::createKey(Registry::LocalMachine, u"SOFTWARE\\Nuova"_s, Registry::WriteAccess));
        QCOMPARE(TestFiles::read(path), garbage);
    }

    void rightsOfAnOpenKey()
    {
        QVERIFY(writable(Registry::LocalMachine, u"SOFTWARE\\Diritti"_s).setValue(u"v"_s, {Registry::String, "x"}));
        const auto readOnly = Registry::openKey(Registry::LocalMachine, u"SOFTWARE\\Diritti"_s, Registry::ReadAccess);
        QVERIFY(readOnly && !RegistryKey(*readOnly).setValue(u"v"_s, {Registry::String, "y"}));
        QCOMPARE(readOnly->value(u"v"_s)->data, QByteArray("x"));
        // Query values and list subkeys, without reading the key's security.
        const auto listing = Registry::openKey(Registry::LocalMachine, u"SOFTWARE\\Diritti"_s, 0x20009);
        QVERIFY(listing && listing->value(u"v"_s));
        const auto noQuery = Registry::openKey(Registry::LocalMachine, u"SOFTWARE\\Diritti"_s, Registry::SetValue);
        QVERIFY(noQuery && !noQuery->value(u"v"_s));
    }

    void keysSubKeysAndApplicationFolders()
    {
        writable(Registry::ClassesRoot, u".txt\\Shell\\Open\\Command"_s);
        writable(Registry::ClassesRoot, u".txt\\DefaultIcon"_s);
        const auto txt = Registry::openKey(Registry::ClassesRoot, u".TXT"_s, Registry::ReadAccess);
        QVERIFY(txt);
        QStringList children = txt->subKeys();
        children.sort();
        QCOMPARE(children, (QStringList{u"DefaultIcon"_s, u"Shell"_s}));
        QVERIFY(!Registry::deleteKey(Registry::ClassesRoot, u".txt\\Shell"_s));
        QVERIFY(Registry::deleteKey(Registry::ClassesRoot, u".txt\\DefaultIcon"_s));
        QVERIFY(!Registry::openKey(Registry::ClassesRoot, u".txt\\DefaultIcon"_s, Registry::ReadAccess));
        zuUtilita zu;
        QCOMPARE(zu.CartellaApplicazione(u"ciarla.exe"_s), QString());
        QVERIFY(writable(Registry::LocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ciarla.exe"_s)
                    .setValue(QString(), {Registry::String, QByteArray("/opt/ciarla chat/bin/ciarla\0", 28)}));
        QCOMPARE(zu.CartellaApplicazione(u"CIARLA.EXE"_s), u"/opt/ciarla chat/bin/"_s);
    }
};

QTEST_GUILESS_MAIN(tst_Registry)
#include "tst_Registry.moc"
