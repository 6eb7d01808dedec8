#include "Registry.h"
#include "zuUtilita.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

class tst_Registry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void typedReadsAsText();
    void namesIgnoreCaseAndKeepTheirBytes();
    void readsNeverFailOutward();
    void corruptHiveIsLeftAlone();
    void rightsOfAnOpenKey();
    void keysAndSubKeys();
    void cartellaApplicazione();

private:
    static RegistryKey writable(quint32 root, const QString &path);
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_Registry::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    qputenv("CIARLA_REGISTRY_DIR", QFile::encodeName(m_dir->path() + u"/hives with blanks"_s));
}

RegistryKey tst_Registry::writable(quint32 root, const QString &path)
{
    const auto key = Registry::createKey(root, path, Registry::WriteAccess);
    if (!key)
        qFatal("cannot create %s", qPrintable(path));
    return *key;
}

void tst_Registry::typedReadsAsText()
{
    RegistryKey key = writable(Registry::LocalMachine, u"SOFTWARE\\Prova"_s);
    QVERIFY(key.setValue(u"conNul"_s, {Registry::String, QByteArray("C:\\Programmi\0", 13)}));
    QVERIFY(key.setValue(u"senzaNul"_s, {Registry::String, QByteArray("abc")}));
    QVERIFY(key.setValue(u"dueNul"_s, {Registry::String, QByteArray("ab\0\0", 4)}));
    QVERIFY(key.setValue(u"accento"_s, {Registry::String, QByteArray("citt\xe0\0", 6)}));
    QVERIFY(key.setValue(u"numero"_s, {Registry::DWord, QByteArray("\xfe\xff\xff\xff", 4)}));
    QVERIFY(key.setValue(u"duecentocinquantasei"_s, {Registry::DWord, QByteArray("\x00\x01\x00\x00", 4)}));
    QVERIFY(key.setValue(u"binario"_s, {3, QByteArray("\x01\x02", 2)}));
    QVERIFY(key.setValue(u"lungo"_s, {Registry::String, QByteArray(1025, 'x')}));
    QVERIFY(key.setValue(u"limite"_s, {Registry::String, QByteArray(1023, 'y') + '\0'}));

    auto read = [](const QString &name, bool expectFound = true) {
        QString text = u"prima"_s;
        const bool found = Registry::readText(Registry::LocalMachine, u"SOFTWARE\\Prova"_s, name,
                                              Registry::ReadAccess, text);
        if (found != expectFound)
            qWarning("found mismatch for %s", qPrintable(name));
        return found == expectFound ? text : u"<mismatch>"_s;
    };
    QCOMPARE(read(u"conNul"_s), u"C:\\Programmi"_s);
    QCOMPARE(read(u"senzaNul"_s), u"abc"_s);
    QCOMPARE(read(u"dueNul"_s), QString::fromUtf8("ab\0", 3));
    QCOMPARE(read(u"accento"_s), u"città"_s);
    QCOMPARE(read(u"numero"_s), u"-2"_s);
    // The trailing NUL rule is for strings: a number ending in a zero byte stays whole.
    QCOMPARE(read(u"duecentocinquantasei"_s), u"256"_s);
    QCOMPARE(read(u"binario"_s), QString());
    QCOMPARE(read(u"lungo"_s, false), QString());
    QCOMPARE(read(u"limite"_s), QString(1023, u'y'));
    QCOMPARE(read(u"assente"_s, false), QString());
}

void tst_Registry::namesIgnoreCaseAndKeepTheirBytes()
{
    RegistryKey key = writable(Registry::CurrentUser, u"Software\\Ciarla\\Sub"_s);
    QVERIFY(key.setValue(u"Valore"_s, {Registry::String, QByteArray("uno")}));
    auto other = Registry::openKey(Registry::CurrentUser, u"\\SOFTWARE\\ciarla\\SUB\\"_s, Registry::WriteAccess);
    QVERIFY(other);
    QVERIFY(other->setValue(u"VALORE"_s, {Registry::String, QByteArray("due\0", 4)}));
    const auto value = key.value(u"valore"_s);
    QVERIFY(value);
    QCOMPARE(value->type, quint32(Registry::String));
    QCOMPARE(value->data, QByteArray("due\0", 4));
    // Hives are separate: the same path under another root is not there.
    QVERIFY(!Registry::openKey(Registry::LocalMachine, u"Software\\Ciarla\\Sub"_s, Registry::ReadAccess));
}

void tst_Registry::readsNeverFailOutward()
{
    QString text;
    QVERIFY(!Registry::readText(Registry::LocalMachine, u"SOFTWARE"_s, u"x"_s, Registry::ReadAccess, text));
    QVERIFY(!QFile::exists(Registry::hivePath(Registry::LocalMachine)));
    QVERIFY(!Registry::readText(0x80000009, u"SOFTWARE"_s, u"x"_s, Registry::ReadAccess, text));
    QVERIFY(!Registry::openKey(Registry::CurrentUser, QString(), Registry::ReadAccess));
}

void tst_Registry::corruptHiveIsLeftAlone()
{
    writable(Registry::LocalMachine, u"SOFTWARE"_s);
    const QString path = Registry::hivePath(Registry::LocalMachine);
    const QByteArray garbage(8192, '\x5a');
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(garbage);
    }
    QFile::remove(path + u"-wal"_s);
    QFile::remove(path + u"-shm"_s);
    QString text;
    QVERIFY(!Registry::readText(Registry::LocalMachine, u"SOFTWARE"_s, u"x"_s, Registry::ReadAccess, text));
    QVERIFY(!Registry::createKey(Registry::LocalMachine, u"SOFTWARE\\Nuova"_s, Registry::WriteAccess));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), garbage);
}

void tst_Registry::rightsOfAnOpenKey()
{
    QVERIFY(writable(Registry::LocalMachine, u"SOFTWARE\\Diritti"_s).setValue(u"v"_s, {Registry::String, "x"}));
    const auto readOnly = Registry::openKey(Registry::LocalMachine, u"SOFTWARE\\Diritti"_s, Registry::ReadAccess);
    QVERIFY(readOnly);
    QVERIFY(!RegistryKey(*readOnly).setValue(u"v"_s, {Registry::String, "y"}));
    QCOMPARE(readOnly->value(u"v"_s)->data, QByteArray("x"));
    // Query values and list subkeys, without reading the key's security.
    const auto listing = Registry::openKey(Registry::LocalMachine, u"SOFTWARE\\Diritti"_s, 0x20009);
    QVERIFY(listing && listing->value(u"v"_s));
    const auto noQuery = Registry::openKey(Registry::LocalMachine, u"SOFTWARE\\Diritti"_s, Registry::SetValue);
    QVERIFY(noQuery && !noQuery->value(u"v"_s));
}

void tst_Registry::keysAndSubKeys()
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
}

void tst_Registry::cartellaApplicazione()
{
    zuUtilita zu;
    QCOMPARE(zu.CartellaApplicazione(u"ciarla.exe"_s), QString());
    RegistryKey key = writable(Registry::LocalMachine,
                               u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ciarla.exe"_s);
    QVERIFY(key.setValue(QString(), {Registry::String, QByteArray("/opt/ciarla chat/bin/ciarla\0", 28)}));
    QCOMPARE(zu.CartellaApplicazione(u"CIARLA.EXE"_s), u"/opt/ciarla chat/bin/"_s);
}

QTEST_GUILESS_MAIN(tst_Registry)
#include "tst_Registry.moc"
