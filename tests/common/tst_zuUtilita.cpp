#include "CurrentError.h"
#include "DataFolder.h"
#include "FileLockProbe.h"
#include "MessageBoxRecorder.h"
#include "NumericText.h"
#include "OsVersionRecord.h"
#include "PeVersionReader.h"
#include "ProgramStarter.h"
#include "Registry.h"
#include "RuntimeErrorOf.h"
#include "ScopedHandler.h"
#include "SettingsStore.h"
#include "ShellOpener.h"
#include "SystemClock.h"
#include "TestFiles.h"
#include "Windows1252.h"
#include "zuUtilita.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QHash>
#include <QLineEdit>
#include <QLocale>
#include <QLockFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
const QString shellFolders = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"_s;
const QString sharedDlls = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"_s;
const QString uninstall = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\CiarlaChat"_s;

std::optional<RegistryValue> rawValue(quint32 root, const QString &key, const QString &name)
{
    const auto opened = Registry::openKey(root, key, Registry::ReadAccess);
    return opened ? opened->value(name) : std::nullopt;
}

RegistryKey writable(quint32 root, const QString &path)
{
    return Registry::createKey(root, path, Registry::WriteAccess).value(); // a refusal throws and fails the case
}

bool setText(quint32 root, const QString &key, const QString &name, const QString &value)
{
    return writable(root, key).setValue(name, {Registry::String, value.toLatin1() + '\0'});
}

// Answers the next modal folder picker: accept the folder given, or cancel with an empty one.
void answerPicker(const QString &folder, QString *title)
{
    QTimer::singleShot(0, [folder, title] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return answerPicker(folder, title);
        *title = dialog->windowTitle();
        if (folder.isEmpty())
            return dialog->reject();
        dialog->setDirectory(folder);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}
const QString app = u"ZUCiarlaChat"_s;
const QString sezione = u"Connessione"_s;

// One setting read or written by another run of this program: the value, "<missing>", or "" after a write.
QString probe(const QStringList &args)
{
    QProcess process;
    process.start(QCoreApplication::applicationFilePath(), QStringList{u"probe"_s} + args);
    if (!process.waitForFinished(10000) || process.exitCode() != 0)
        return u"<failed>"_s;
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}
QString fixture(const char *name)
{
    return QStringLiteral(FIXTURES_DIR "/") + QLatin1StringView(name);
}

// Reads the version from a copy that ends right where an inaccessible page begins: a parser
// that reads one byte past the end crashes the test instead of passing by luck.
QString guardedVersionOf(const QByteArray &image)
{
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const size_t dataPages = (size_t(image.size()) + page - 1) / page;
    void *mapping = mmap(nullptr, (dataPages + 1) * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED)
        qFatal("no memory for the guarded copy");
    char *guard = static_cast<char *>(mapping) + dataPages * page;
    mprotect(guard, page, PROT_NONE);
    std::memcpy(guard - image.size(), image.constData(), size_t(image.size()));
    const auto version = PeVersionReader::read(QByteArrayView(guard - image.size(), image.size()));
    munmap(mapping, (dataPages + 1) * page);
    return version ? version->text() : u"none"_s;
}
} // namespace

// zuUtilita over its platform layers: folders and files, the registry and settings stores, installers'
// entries, windows, programs and messages, the log file, texts and numbers, file versions, expansion.
class tst_zuUtilita : public QObject
{
    Q_OBJECT

    std::optional<QTemporaryDir> m_dir;
    QByteArray m_savedTemp;
    zuUtilita m_zu;

private Q_SLOTS:
    void init()
    {
        // Every case starts from empty hives and settings, so that each sees the first use. Blanks, a
        // non-ASCII letter and a long folder name in the path must not matter.
        m_dir.emplace(QDir::tempPath() + u"/impostazioni è prova "_s + QString(200, u'n') + u"XXXXXX"_s);
        QVERIFY(m_dir->isValid());
        qputenv("CIARLA_REGISTRY_DIR", QFile::encodeName(m_dir->filePath(u"hives with blanks"_s)));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir->path()));
        m_savedTemp = qgetenv("TMPDIR");
        CurrentError::clear();
    }

    void cleanup()
    {
        qputenv("TMPDIR", m_savedTemp);
        OsVersionRecord::reset();
    }

    void foldersComeFromXdgOnFirstUse()
    {
        QTemporaryDir home;
        const QString config = m_dir->path();
        const QByteArray path = QFile::encodeName(home.path());
        QVERIFY(TestFiles::write(config + u"/user-dirs.dirs"_s, "XDG_DOCUMENTS_DIR=\"" + path + "/Documenti\"\n"
                                                                "XDG_PICTURES_DIR=\"" + path + "/Изображения\"\n"));
        qputenv("XDG_CONFIG_DIRS", "/srv/ciarla/xdg:/etc/xdg");
        qputenv("XDG_DATA_DIRS", "/srv/ciarla/share:/usr/share");
        // The picture folder cannot be spelt in the single-byte hive: left out, not mangled. Folders
        // this desktop has no counterpart for stay empty, never a lone "/".
        QCOMPARE((QStringList{m_zu.CartellaDocumenti(), m_zu.CartellaImmagini(), m_zu.CartellaDati(),
                              m_zu.CartellaEsecuzioneAutomatica(), m_zu.CartellaInternetTemp(), m_zu.CartellaDatiCondivisi(),
                              m_zu.CartellaEsecuzioneAutomaticaTuttiUtenti(), m_zu.CartellaCookies(), m_zu.CartellaCondivisi()}),
                 (QStringList{home.path() + u"/Documenti/"_s, QString(), qEnvironmentVariable("XDG_DATA_HOME") + u'/',
                              config + u"/autostart/"_s, qEnvironmentVariable("XDG_CACHE_HOME") + u'/',
                              u"/srv/ciarla/share/"_s, u"/srv/ciarla/xdg/autostart/"_s, QString(), QString()}));
        qunsetenv("XDG_CONFIG_DIRS");
        qunsetenv("XDG_DATA_DIRS");
    }

    void aFolderTableThatExistsIsLeftAlone()
    {
        QVERIFY(setText(Registry::CurrentUser, shellFolders, u"personal"_s, u"  /dati/documenti "_s));
        QVERIFY(setText(Registry::CurrentUser, shellFolders, u"Recent"_s, QString()));
        QVERIFY(setText(Registry::LocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion"_s,
                        u"CommonFilesDir"_s, u"/opt/comuni"_s));
        QVERIFY(Registry::createKey(Registry::LocalMachine, shellFolders, Registry::WriteAccess));
        // Trimmed then the separator; found but empty; missing (the table is not refilled); the
        // one value outside the table; missing.
        QCOMPARE((QStringList{m_zu.CartellaDocumenti(), m_zu.CartellaRecenti(), m_zu.CartellaDesktop(),
                              m_zu.CartellaCondivisi(), m_zu.CartellaEsecuzioneAutomaticaTuttiUtenti()}),
                 (QStringList{u"/dati/documenti/"_s, QString(), QString(), u"/opt/comuni/"_s, QString()}));
    }

    void systemTemporaryAndWritableFolders()
    {
        const QString sistema = m_zu.GetWindowsSysDir();
        QVERIFY2(sistema.endsWith(u'/') && !QDir(sistema).entryList({u"libc.so*"_s}).isEmpty(), qPrintable(sistema));
        QVERIFY(!m_zu.DirectoryRete()); // the build tree is on a local disk here
        // Probing a folder for write access touches no file of the user.
        const QString mio = m_dir->filePath(u"120asd12.tmp"_s);
        QVERIFY(TestFiles::write(mio, "dati dell'utente"));
        MessageBoxRecorder boxes;
        QVERIFY(m_zu.WriteAccess(u" "_s + m_dir->path() + u" "_s));
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{u"120asd12.tmp"_s});
        QCOMPARE(TestFiles::read(mio), QByteArray("dati dell'utente"));
        // Failures are explained in a box and leave no current error behind.
        CurrentError::set(5, u"un errore di prima"_s);
        QVERIFY(!m_zu.WriteAccess(m_dir->filePath(u"manca"_s)));
        QCOMPARE(boxes.lastBox(), u"16 Errore: Errore # 76\rImpossibile trovare il percorso "_s);
        QCOMPARE(CurrentError::number(), 0);
        // Even for root nothing can be created in /proc.
        QVERIFY(!m_zu.WriteAccess(u"/proc"_s));
        static const QRegularExpression form(u"^Errore # (70|75)\r\\S.*$"_s);
        QVERIFY2(form.match(boxes.last().prompt).hasMatch(), qPrintable(boxes.last().prompt));
        qputenv("TMPDIR", "/no/such/folder");
        QCOMPARE(m_zu.GetDirectoryTemp(), u"/tmp/"_s);
        qputenv("TMPDIR", QFile::encodeName(m_dir->path()));
        const QString primo = m_zu.GetFileTemporaneo();
        const QString secondo = m_zu.GetFileTemporaneo();
        QVERIFY(primo != secondo);
        for (const QString &file : {primo, secondo}) {
            QVERIFY2(file.startsWith(m_dir->path() + u"/zu"_s) && file.endsWith(u".tmp"_s), qPrintable(file));
            QCOMPARE(QFileInfo(file).size(), 0);
        }
        // A folder where nothing can be created: the fixed name, and nothing made.
        qputenv("TMPDIR", "/proc");
        QCOMPARE(m_zu.GetFileTemporaneo(), u"/proc/zu12345.tmp"_s);
        QVERIFY(!QFile::exists(u"/proc/zu12345.tmp"_s));
    }

    void lockedFilesAreSeen()
    {
        const QString file = m_dir->filePath(u"bloccato.dat"_s);
        QVERIFY(!m_zu.FileAperto(file)); // missing
        QVERIFY(TestFiles::write(file, "0123456789"));
        // Another process holds the whole file.
        QProcess holder;
        holder.start(u"flock"_s, {u"-x"_s, file, u"-c"_s, u"echo pronto; read riga"_s});
        QVERIFY(holder.waitForReadyRead(30000));
        QVERIFY(m_zu.FileAperto(file));
        holder.write("\n");
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(30000));
        // A record lock on a few bytes counts too, and our probe must not drop it.
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDWR);
        struct flock record{.l_type = F_WRLCK, .l_whence = SEEK_SET, .l_start = 2, .l_len = 3, .l_pid = 0};
        QVERIFY(fd >= 0 && fcntl(fd, F_SETLK, &record) == 0);
        QVERIFY(m_zu.FileAperto(file));
        QVERIFY(m_zu.FileAperto(file));
        ::close(fd);
        QVERIFY(!m_zu.FileAperto(file));
        // Lines of the kernel's lock table match whole device and inode numbers only.
        const QByteArray table = "1: POSIX  ADVISORY  WRITE 4242 fe:00:12345 0 EOF\n"
                                 "2: -> FLOCK  ADVISORY  WRITE 4244 08:01:999 0 EOF\n";
        QVERIFY(FileLockProbe::heldIn(table, makedev(0xfe, 0), 12345));
        QVERIFY(!FileLockProbe::heldIn(table, makedev(0xfe, 0), 1234)); // a prefix of a locked inode
        QVERIFY(!FileLockProbe::heldIn(table, makedev(0xfe, 1), 12345)); // same inode, other volume
        QVERIFY(!FileLockProbe::heldIn(table, makedev(8, 1), 999));     // only waiting for the lock
    }

    void foldersAndReadOnlyFiles()
    {
        QString esistente = m_dir->path();
        QVERIFY(m_zu.CreaPercorsoDirectory(esistente));
        QString nuovo = u" "_s + m_dir->path() + u"/a/b b/c"_s;
        QVERIFY(m_zu.CreaPercorsoDirectory(nuovo));
        QCOMPARE(nuovo, m_dir->path() + u"/a/b b/c/"_s);
        QVERIFY(QFileInfo(nuovo).isDir());
        QVERIFY(!m_zu.CreaPercorsoDirectory(u"   "_s));
        QVERIFY(TestFiles::write(m_dir->filePath(u"file"_s), "x"));
        QVERIFY(!m_zu.CreaPercorsoDirectory(m_dir->filePath(u"file/sotto"_s))); // a file stands in the way
        const QString prima = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        QVERIFY(m_zu.CreaPercorsoDirectory(u"relativa/due"_s));
        QVERIFY(m_zu.CreaPercorsoDirectory(u"\t"_s)); // a tab is no blank: it names a folder
        QVERIFY(QDir::setCurrent(prima));
        QVERIFY(QFileInfo(m_dir->path() + u"/relativa/due"_s).isDir() && QFileInfo(m_dir->path() + u"/\t"_s).isDir());
        QString titolo;
        answerPicker(m_dir->path(), &titolo);
        QCOMPARE(m_zu.Sfoglia_Cartella(nullptr, u"Scegli la cartella"_s), m_dir->path());
        QCOMPARE(titolo, u"Scegli la cartella"_s);
        answerPicker(QString(), &titolo);
        QCOMPARE(m_zu.Sfoglia_Cartella(nullptr, u"Ancora"_s), QString());
        // Only the owner's write bit is added; the group's and others' stay as they were.
        const auto others = QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
        for (const auto mode : {QFileDevice::ReadOwner | others, QFileDevice::Permissions()}) {
            const QString file = m_dir->filePath(u"sola lettura.txt"_s);
            QVERIFY(TestFiles::write(file, "x") && QFile::setPermissions(file, mode));
            m_zu.EliminaReadOnly(file);
            QCOMPARE(QFileInfo(file).permissions() & 0x7077, (mode | QFileDevice::WriteOwner) & 0x7077);
            QVERIFY(QFile::remove(file));
        }
    }

    void componentsAreRegistered()
    {
        // Libraries through their entries, by extension in any case.
        qunsetenv("CIARLA_COMPONENT_CALLS");
        const QString componente = QStringLiteral(COMPONENT_FIXTURE);
        QVERIFY(m_zu.RegistraServer(componente));
        QVERIFY(m_zu.DeRegistraServer(componente)); // its failure code does not matter
        QVERIFY(QFile::copy(componente, m_dir->filePath(u"COMPONENTE.DLL"_s)));
        QVERIFY(m_zu.RegistraServer(m_dir->filePath(u"COMPONENTE.DLL"_s)));
        QVERIFY(!m_zu.RegistraServer(fixture("leggimi.txt")));
        QVERIFY(!m_zu.RegistraServer(QStringLiteral(NO_ENTRY_FIXTURE)));
        QVERIFY(!m_zu.RegistraServer(fixture("versione32.dll"))); // a library this loader cannot load
        QCOMPARE(qgetenv("CIARLA_COMPONENT_CALLS"), QByteArray("RUR"));
        // Programs with their switch; the call returns when the program has ended.
        const QString programma = m_dir->filePath(u"mio server.exe"_s);
        QVERIFY(TestFiles::write(programma, "#!/bin/sh\nprintf '%s|' \"$@\" >> \"$(dirname \"$0\")/argomenti.txt\"\n"));
        QVERIFY(QFile::setPermissions(programma, QFile::permissions(programma) | QFileDevice::ExeOwner));
        QVERIFY(m_zu.RegistraServer(programma));
        QVERIFY(m_zu.DeRegistraServer(programma));
        QCOMPARE(TestFiles::read(m_dir->filePath(u"argomenti.txt"_s)), QByteArray("/REGSERVER|/UNREGSERVER|"));
    }

    void sharedCounters()
    {
        const auto counter = [](const QString &name) {
            const auto raw = rawValue(Registry::LocalMachine, sharedDlls, name);
            return raw ? QString::number(raw->type) + u':' + QString::number(qFromLittleEndian<qint32>(raw->data.constData()))
                       : u"none"_s;
        };
        const QString file = u"/opt/ciarla/condiviso.ocx"_s;
        const QString altro = u"/opt/ciarla/altro.ocx"_s;
        QVERIFY(!m_zu.DecFileShared(file)); // no counters at all yet
        // A missing counter starts at 1 when the file is known to exist, else at 0.
        QStringList visti;
        for (const auto &[nome, esiste] : {std::pair{file, true}, {file, true}, {altro, false}, {altro, false}}) {
            QVERIFY(m_zu.SetFileShared(nome, esiste));
            visti << counter(nome);
        }
        for (int i = 0; i < 3; ++i) {
            QVERIFY(m_zu.DecFileShared(file));
            visti << counter(file); // the last step deletes it
        }
        QVERIFY(!m_zu.DecFileShared(file));
        QCOMPARE(visti, (QStringList{u"4:1"_s, u"4:2"_s, u"4:0"_s, u"4:1"_s, u"4:1"_s, u"4:0"_s, u"none"_s}));
        QCOMPARE(counter(altro), u"4:1"_s); // the other file's counter is its own
        // A counter stored as text counts by its number; a negative one goes at once; at the limit it overflows.
        auto key = Registry::createKey(Registry::LocalMachine, sharedDlls, Registry::WriteAccess);
        QVERIFY(key && key->setValue(u"testo"_s, {Registry::String, QByteArray(" 7 copie\0", 9)}));
        QVERIFY(key->setValue(u"limite"_s, {Registry::DWord, QByteArray("\xff\xff\xff\x7f", 4)}));
        QVERIFY(key->setValue(u"negativo"_s, {Registry::DWord, QByteArray("\xfb\xff\xff\xff", 4)}));
        QVERIFY(m_zu.SetFileShared(u"testo"_s, false));
        QCOMPARE(counter(u"testo"_s), u"4:8"_s);
        QVERIFY(m_zu.DecFileShared(u"negativo"_s));
        QCOMPARE(counter(u"negativo"_s), u"none"_s);
        QCOMPARE(runtimeErrorOf([&] { m_zu.SetFileShared(u"limite"_s, true); }), RuntimeError::Overflow);
        QCOMPARE(counter(u"limite"_s), u"4:2147483647"_s);
    }

    void installerEntries()
    {
        const QString clsid = u"{6B1D3C8E-0000-4000-8000-00C1A51A0001}"_s;
        QVERIFY(setText(Registry::ClassesRoot, u"Ciarla.Recupera\\Clsid"_s, QString(), clsid));
        QVERIFY(setText(Registry::ClassesRoot, u"CLSID\\"_s + clsid + u"\\InprocServer32"_s, QString(),
                        u"/opt/ciarla/recupera.ocx"_s));
        QCOMPARE(m_zu.PathServerOcx(u"ciarla.recupera"_s), u"/opt/ciarla/recupera.ocx"_s);
        QCOMPARE(m_zu.PathServerExe(u"Ciarla.Recupera"_s), QString()); // no local server registered
        QVERIFY(setText(Registry::ClassesRoot, u"Clsid\\"_s + clsid + u"\\LocalServer32"_s, QString(),
                        u"/usr/bin/ciarlaserver"_s));
        QCOMPARE(m_zu.PathServerExe(u"Ciarla.Recupera"_s), u"/usr/bin/ciarlaserver"_s);
        QCOMPARE(m_zu.PathServerOcx(u"Ciarla.Manca"_s), QString());
        const QString app = u"CiarlaChat"_s;
        QVERIFY(!m_zu.SetInfoDisinstallazione(app, 1, app)); // the key is not made by default
        const QStringList valori{app, u"CiarlaChat 1.0.6 – città"_s, u"/opt/ciarla/disinstalla"_s, u"ciarlachat"_s,
                                 u"predefinito"_s};
        QVERIFY(m_zu.SetInfoDisinstallazione(app, 0, valori.at(0), true));
        for (int i = 1; i < valori.size(); ++i)
            QVERIFY(m_zu.SetInfoDisinstallazione(app, i < 4 ? i : 7, valori.at(i)));
        for (int i = 0; i < valori.size(); ++i)
            QCOMPARE(m_zu.GetInfoDisinstallazione(app, i < 4 ? i : -1), valori.at(i));
        // Single-byte text with its NUL, where installers read it.
        const auto raw = rawValue(Registry::LocalMachine, uninstall, u"DisplayName"_s);
        QVERIFY(raw && raw->type == Registry::String);
        QCOMPARE(raw->data, QByteArray("CiarlaChat 1.0.6 \x96 citt\xe0\0", 25));
        QVERIFY(m_zu.CreaAssociazione(u"/opt/ciarla/ciarlachat"_s, u".ciarla"_s));
        QCOMPARE(rawValue(Registry::ClassesRoot, u".ciarla\\Shell\\Open\\Command"_s, QString())->data,
                 QByteArray("/opt/ciarla/ciarlachat %1") + '\0');
        qputenv("CIARLA_REGISTRY_DIR", "/proc/ciarla-registry"); // hives that cannot be written
        QVERIFY(!m_zu.CreaAssociazione(u"/opt/ciarla/ciarlachat"_s, u".ciarla"_s));
    }

    void shortcutIsADesktopEntry()
    {
        const QString programma = u"/opt/ciarla chat/ciarlachat"_s;
        QVERIFY(m_zu.CreaCollegamento(m_dir->filePath(u"CiarlaChat.lnk"_s), programma, u"/opt/ciarla chat"_s));
        const QString salvato = m_dir->filePath(u"CiarlaChat.desktop"_s);
        QCOMPARE(TestFiles::read(salvato), "[Desktop Entry]\nType=Application\nName=CiarlaChat\n"
                                           "Exec=\"/opt/ciarla chat/ciarlachat\"\nPath=/opt/ciarla chat\n"
                                           "Icon=/opt/ciarla chat/ciarlachat\n");
        QVERIFY(QFileInfo(salvato).permissions() & QFileDevice::ExeOwner);
        // Characters that mean something to a launcher are quoted away.
        const QString strano = m_dir->filePath(u"strano.desktop"_s);
        QVERIFY(m_zu.CreaCollegamento(m_dir->filePath(u"strano.LNK"_s), u"/opt/a \"b\"/c$d%e\\f`g"_s, QString()));
        QCOMPARE(TestFiles::read(strano).split('\n').at(3), "Exec=\"/opt/a \\\\\"b\\\\\"/c\\\\$d%%e\\\\\\\\f\\\\`g\"");
        QProcess validate;
        validate.start(u"desktop-file-validate"_s, {salvato, strano});
        QVERIFY(validate.waitForFinished(30000));
        QVERIFY2(validate.exitStatus() == QProcess::NormalExit && validate.exitCode() == 0,
                 validate.readAllStandardOutput().constData());
        QVERIFY(!m_zu.CreaCollegamento(m_dir->filePath(u"CiarlaChat.txt"_s), programma, QString()));
        QVERIFY(!m_zu.CreaCollegamento(m_dir->filePath(u"manca/CiarlaChat.lnk"_s), programma, QString()));
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), (QStringList{u"CiarlaChat.desktop"_s, u"strano.desktop"_s}));
    }

    void thisPlatformIsNoWindowsAndHasVolumes()
    {
        // No name before the kernel's version: no Windows code, so no NT either.
        static const QRegularExpression kernel(u"^ \\d+\\.\\d+\\.\\d+ Linux$"_s);
        QVERIFY2(kernel.match(m_zu.InfoSOVersione()).hasMatch(), qPrintable(m_zu.InfoSOVersione()));
        const QString disco = m_zu.GetSerialHD();
        QVERIFY2(QRegularExpression(u"^-?\\d+$"_s).match(disco).hasMatch(), qPrintable(disco));
        QCOMPARE((QStringList{m_zu.GetSerialDrive(u"C"_s), m_zu.GetSerialDrive(u"/"_s), m_zu.GetSerialDrive(u"d"_s),
                              m_zu.GetSerialDrive(u"/nessuna/cartella"_s)}),
                 (QStringList{disco, disco, QString(), QString()}));
    }

    void eseguiExShellResults_data()
    {
        QTest::addColumn<int>("risultato"); // -1: the opener fails at run time
        QTest::addColumn<QString>("messaggio");
        QTest::newRow("just above 32") << 33 << QString();
        QTest::newRow("file not found") << 2 << u"/percorso/guida.pdf: file non trovato!"_s;
        QTest::newRow("no association") << 31 << u"/percorso/guida.pdf: nessun programma associato a questo tipo di file!"_s;
        QTest::newRow("32") << 32 << u"/percorso/guida.pdf: accesso negato!"_s;
        QTest::newRow("run-time failure") << -1 << u"Permesso negato"_s;
    }

    void eseguiExShellResults()
    {
        QFETCH(int, risultato);
        QFETCH(QString, messaggio);
        ShellOpener::Request richiesta;
        ScopedHandler<ShellOpener> opener([&](const ShellOpener::Request &r) {
            richiesta = r;
            if (risultato < 0)
                throw RuntimeError(RuntimeError::PermissionDenied, u"Permesso negato"_s);
            return risultato;
        });
        QWidget owner;
        for (bool muto : {false, true}) {
            MessageBoxRecorder boxes;
            QCOMPARE(m_zu.EseguiEx(&owner, u"/percorso/guida.pdf"_s, muto), messaggio.isNull());
            QVERIFY(richiesta.target == u"/percorso/guida.pdf"_s && richiesta.owner == &owner);
            QVERIFY(!richiesta.workingFolder.isEmpty());
            QCOMPARE(boxes.count() ? boxes.lastBox() : QString(), muto || messaggio.isNull() ? QString() : u"16 Errore: "_s + messaggio);
            QCOMPARE(CurrentError::number(), 0);
        }
    }

    void missingFilesAndSilentWebAndMailTargets()
    {
        MessageBoxRecorder boxes;
        const QString mancante = m_dir->filePath(u"ciarlachat.pdf"_s);
        // A file address gets the same checks as a path.
        for (const auto &[obiettivo, suffisso] : {std::pair{mancante, u": file non trovato!"_s},
                                                  {m_dir->filePath(u"manca/ciarlachat.pdf"_s), u": accesso negato!"_s},
                                                  {QUrl::fromLocalFile(mancante).toString(), u": file non trovato!"_s}}) {
            QVERIFY(!m_zu.EseguiEx(nullptr, obiettivo, false));
            QCOMPARE(boxes.last().prompt, obiettivo + suffisso);
        }
        QStringList obiettivi;
        ScopedHandler<ShellOpener> opener([&](const ShellOpener::Request &r) {
            obiettivi.append(r.target);
            return int(ShellOpener::NoAssociation);
        });
        // Web and mail targets stay silent even when nothing opens them.
        m_zu.Homepage(nullptr);
        m_zu.GoWeb(nullptr, u"http://chat.esempio.example/stanza"_s);
        m_zu.EMail(nullptr);
        QCOMPARE(boxes.count(), 3);
        QCOMPARE(obiettivi.size(), 3);
        QVERIFY2(obiettivi[0].startsWith(u"http://"_s) && obiettivi[0].endsWith(u'/'), qPrintable(obiettivi[0]));
        QCOMPARE(obiettivi[1], u"http://chat.esempio.example/stanza"_s);
        QVERIFY2(obiettivi[2].startsWith(u"Mailto:"_s) && obiettivi[2].contains(u'@'), qPrintable(obiettivi[2]));
    }

    void startedProgramsAndShellSospensiva()
    {
        QStringList avviati;
        bool avvioRiesce = true;
        ScopedHandler<ProgramStarter> starter([&](const QString &programma) {
            avviati.append(programma);
            return avvioRiesce;
        });
        QVERIFY(setText(Registry::LocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\blocco.exe"_s,
                        QString(), u"/opt/blocco/blocco"_s));
        MessageBoxRecorder boxes;
        QVERIFY(m_zu.StartApplicazione(u"BLOCCO.EXE"_s));
        QCOMPARE(avviati, QStringList{u"/opt/blocco/blocco"_s});
        QVERIFY(!m_zu.StartApplicazione(u"assente.exe"_s));
        QCOMPARE(avviati.size(), 1);
        QCOMPARE(boxes.lastBox(), u"48 Errore: assente.exe: Applicazione non trovata."_s);
        avvioRiesce = false;
        QVERIFY(!m_zu.StartApplicazione(u"blocco.exe"_s));
        QCOMPARE(boxes.count(), 2);
        const QString segno = m_dir->filePath(u"fatto"_s);
        // The mark appears only after a pause: finding it proves the call waited.
        QVERIFY(m_zu.ShellSospensiva(u"sh"_s, u"-c \"sleep 0.3; echo fine > '%1'\""_s.arg(segno)));
        QVERIFY(QFile::exists(segno));
        QVERIFY(!m_zu.ShellSospensiva(m_dir->filePath(u"programma-che-non-esiste"_s)));
        QVERIFY(!m_zu.ShellSospensiva(QString()));
    }

    void waitSecondiAcrossMidnight()
    {
        QDateTime adesso(QDate(2026, 12, 31), QTime(23, 59, 59, 600));
        const SystemClock::Source previous = SystemClock::setSource([&adesso] { return adesso = adesso.addMSecs(150); });
        bool eventoServito = false;
        QTimer::singleShot(0, this, [&eventoServito] { eventoServito = true; });
        m_zu.WaitSecondi(2);
        SystemClock::setSource(previous);
        // Started in second 23:59:59, so the wait ends in the first reading of 00:00:02.
        QCOMPARE(adesso.date(), QDate(2027, 1, 1));
        QCOMPARE(adesso.time().addMSecs(-adesso.time().msec()), QTime(0, 0, 2));
        QVERIFY(eventoServito);
    }

    void isVBEnvironmentByExecutableName()
    {
        QString visti;
        qputenv("CIARLA_VB_PROBE", "1");
        for (const QString &nome : {u"VB6.EXE"_s, u"vb5cce.exe"_s, u"Vb32.Exe"_s, u"myvb6.exe"_s, u"vb6.exe.bak"_s, u"vb6"_s}) {
            QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), m_dir->filePath(nome)));
            visti += QString::number(QProcess::execute(m_dir->filePath(nome), {}));
        }
        qunsetenv("CIARLA_VB_PROBE");
        QCOMPARE(visti, u"111000"_s);
        QVERIFY(!m_zu.IsVBEnvironment());
    }

    void sfumaFormBands()
    {
        QWidget finestra;
        finestra.resize(100, 120);
        const auto pixel = [&finestra](int y) { return finestra.grab().toImage().pixel(50, y); };
        m_zu.SfumaForm(&finestra);
        // 60 bands of 2 pixels: blue falls by 4 from 255 to 19, red and green stay 0.
        QCOMPARE((QList<QRgb>{pixel(0), pixel(3), pixel(119)}), (QList<QRgb>{qRgb(0, 0, 255), qRgb(0, 0, 251), qRgb(0, 0, 19)}));
        // Red 3 and green 2 wrap through 255 on their first step; blue starts at 0 and stays there.
        finestra.resize(100, 30);
        m_zu.SfumaForm(&finestra, 0x000203, 3, 4);
        QCOMPARE((QList<QRgb>{pixel(5), pixel(15), pixel(25)}), (QList<QRgb>{qRgb(3, 2, 0), qRgb(255, 254, 0), qRgb(251, 250, 0)}));
        QVERIFY_THROWS_EXCEPTION(RuntimeError, m_zu.SfumaForm(&finestra, 0xFF0000, 0, 4));
    }

    void topMostByTitleCentringAndSelection()
    {
        QWidget finestra;
        finestra.setGeometry(40, 50, 200, 100);
        finestra.show();
        QVERIFY(QTest::qWaitForWindowExposed(&finestra));
        const QRect prima = finestra.geometry();
        for (const bool sopra : {true, false}) {
            m_zu.FinetraTopMost(&finestra, sopra);
            QCOMPARE(finestra.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint), sopra);
            QVERIFY(finestra.isVisible() && finestra.geometry() == prima);
        }
        QWidget alfa;
        alfa.show();
        QWidget nascosta;
        nascosta.setWindowTitle(u"Finestra Nascosta"_s);
        QVERIFY(!m_zu.ShowFinestraConTitolo(QString()));
        QVERIFY(!m_zu.ShowFinestraConTitolo(u"nessuna finestra"_s));
        QVERIFY(m_zu.ShowFinestraConTitolo(u"nascosta"_s) && nascosta.isVisible());
        QWidget padre;
        padre.resize(400, 300);
        QWidget figlio(&padre);
        figlio.resize(100, 50);
        m_zu.CentraFormFiglio(&padre, &figlio);
        QCOMPARE(figlio.pos(), QPoint(150, 125));
        QVERIFY(QTest::qWaitForWindowExposed(&alfa));
        m_zu.CentraForm(&alfa);
        QVERIFY((alfa.frameGeometry().center() - alfa.screen()->geometry().center()).manhattanLength() <= 2);
        m_zu.CentraForm(nullptr);
        m_zu.CentraFormFiglio(nullptr, &figlio);
        QLineEdit riga(u"chat.esempio.example"_s);
        riga.setCursorPosition(3);
        m_zu.Evidenzia(&riga);
        QCOMPARE(riga.selectedText(), riga.text());
        QTextEdit testo(u"due\nrighe"_s);
        m_zu.Evidenzia(&testo);
        QCOMPARE(testo.textCursor().selectedText().size(), testo.toPlainText().size());
        m_zu.Evidenzia(nullptr);
        QCOMPARE(CurrentError::number(), 0);
    }

    void logFile()
    {
        const QString log = m_dir->path() + u"/server è "_s + QString(240, u'l') + u".log"_s;
        QVERIFY(m_zu.ScriviLog(u"città"_s, log, true, false));
        QVERIFY(m_zu.ScriviLog(QString(), u"  "_s + log + u" "_s, true, false));
        QVERIFY(m_zu.ScriviLog(u"senza data"_s, log, false, false));
        const QList<QByteArray> lines = TestFiles::read(log).split('\n');
        QCOMPARE(lines.size(), 4);
        const QString stamp = QString::fromLatin1(lines.at(0).first(20));
        QVERIFY2(QLocale::system().toDateTime(stamp, u"yyyy-MMM-dd hh:mm:ss"_s).isValid(), qPrintable(stamp));
        QVERIFY(lines.at(0).endsWith(" citt\xe0\r")); // Windows-1252, not UTF-8
        QCOMPARE(lines.at(1).size(), 22);             // stamp, one blank, CR
        QCOMPARE(lines.at(2) + lines.at(3), QByteArray("senza data\r"));
        // Only blanks are trimmed from the name: a tab belongs to it.
        QVERIFY(m_zu.ScriviLog(u"tab"_s, log + u"\t "_s, false, false));
        QCOMPARE(TestFiles::read(log + u'\t'), QByteArray("tab\r\n"));
        // Deleting first starts the file afresh, but makes no new one.
        QVERIFY(m_zu.ScriviLog(u"tre"_s, log, false, true));
        QCOMPARE(TestFiles::read(log), QByteArray("tre\r\n"));
        QVERIFY(!m_zu.ScriviLog(u"nuova"_s, m_dir->filePath(u"nuovo.log"_s), false, true));
        QVERIFY(!QFile::exists(m_dir->filePath(u"nuovo.log"_s)));
        const QString predefinito = QCoreApplication::applicationDirPath() + u"/tst_zuUtilita.log"_s;
        QFile::remove(predefinito);
        QVERIFY(m_zu.ScriviLog(u"predefinito"_s, std::nullopt, false, false));
        QCOMPARE(TestFiles::read(predefinito), QByteArray("predefinito\r\n"));
        QFile::remove(predefinito);
        QVERIFY(!m_zu.ScriviLog(u"x"_s, m_dir->path(), false, false)); // a folder is no log file
    }

    void italianTableAgainstPrintErrore()
    {
        QCOMPARE(m_zu.MessaggioErroreITA(52), u"Nome o numero di file non valido"_s);
        CurrentError::set(53, u"descrizione del run-time"_s);
        QCOMPARE(m_zu.MessaggioErroreITA(2), u"descrizione del run-time"_s);
        QCOMPARE(CurrentError::number(), 53); // looking up leaves the error alone
        MessageBoxRecorder boxes;
        CurrentError::set(RuntimeError(52));
        m_zu.PrintErrore();
        QCOMPARE(boxes.lastBox(), u"64 Errore 52: Impossibile leggere l'unità specificata."_s);
        // Off the special case the box shows the error's own description, not the table.
        m_zu.PrintErrore(RuntimeError(53, u"Il file manca"_s));
        QCOMPARE(boxes.lastBox(), u"64 Errore 53: Il file manca"_s);
        QCOMPARE(CurrentError::number(), 0);
        CurrentError::set(RuntimeError(13));
        m_zu.PrintErroreEx(u"Lettura"_s);
        QCOMPARE(boxes.lastBox(), u"64 Errore 13: Lettura: Tipo non corrispondente"_s);
        QCOMPARE(boxes.count(), 3);
        QCOMPARE(RuntimeError(1009).description(), u"Il server è occupato..."_s);
    }

    void namesIgnoreCaseReadsNeverFailAndCorruptHivesAreLeftAlone()
    {
        QString text;
        QVERIFY(!Registry::readText(Registry::LocalMachine, u"SOFTWARE"_s, u"x"_s, Registry::ReadAccess, text));
        QVERIFY(!QFile::exists(Registry::hivePath(Registry::LocalMachine)));
        QVERIFY(!Registry::readText(0x80000009, u"SOFTWARE"_s, u"x"_s, Registry::ReadAccess, text));
        RegistryKey key = writable(Registry::CurrentUser, u"Software\\Ciarla\\Sub"_s);
        QVERIFY(key.setValue(u"Valore"_s, {Registry::String, QByteArray("uno")}));
        auto other = Registry::openKey(Registry::CurrentUser, u"\\SOFTWARE\\ciarla\\SUB\\"_s, Registry::WriteAccess);
        QVERIFY(other && other->setValue(u"VALORE"_s, {Registry::String, QByteArray("due\0", 4)}));
        const auto value = key.value(u"valore"_s);
        QVERIFY(value && value->type == Registry::String);
        QCOMPARE(value->data, QByteArray("due\0", 4));
        // Hives are separate: the same path under another root is not there.
        QVERIFY(!Registry::openKey(Registry::LocalMachine, u"Software\\Ciarla\\Sub"_s, Registry::ReadAccess));
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

    void rightsSubKeysAndApplicationFolders()
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
        QCOMPARE(m_zu.CartellaApplicazione(u"ciarla.exe"_s), QString());
        QVERIFY(setText(Registry::LocalMachine, u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\ciarla.exe"_s,
                        QString(), u"/opt/ciarla chat/bin/ciarla"_s));
        QCOMPARE(m_zu.CartellaApplicazione(u"CIARLA.EXE"_s), u"/opt/ciarla chat/bin/"_s);
    }

    void namesIgnoreCaseAndLeggiIniDefaults()
    {
        QVERIFY(SettingsStore::setValue(u"CIARLACHAT"_s, u"msg"_s, u"nick"_s, u"anna"_s));
        QCOMPARE(SettingsStore::value(u"ciarlachat"_s, u"MSG"_s, u"Nick"_s), u"anna"_s);
        // A write in other letter case replaces the entry instead of adding another.
        QVERIFY(SettingsStore::setValue(u"CiarlaChat"_s, u"Msg"_s, u"NICK"_s, u"bruno"_s));
        const QByteArray content = TestFiles::read(SettingsStore::filePath(u"CIARLACHAT"_s));
        QVERIFY(content.count("bruno") == 1 && !content.contains("anna"));
        QCOMPARE(m_zu.LeggiINI(u"/x/cfg.ini"_s, sezione, u"Sincrono"_s, u"0"_s), u"0"_s);
        QVERIFY(m_zu.ScriviINI(u"/x/cfg.ini"_s, sezione, u"Proxy"_s, u""_s));
        QCOMPARE(m_zu.LeggiINI(u"/x/cfg.ini"_s, sezione, u"Proxy"_s, u"dflt"_s), u"dflt"_s);
        // The file argument does not select where the value lives; blanks are kept.
        QVERIFY(m_zu.ScriviINI(u"/a/cfg.ini"_s, sezione, u"Porta"_s, u" 8080 "_s));
        QCOMPARE(m_zu.LeggiINI(u"/b/other.ini"_s, u"connessione"_s, u"porta"_s, u""_s), u" 8080 "_s);
        QCOMPARE(SettingsStore::value(app, sezione, u"Porta"_s), u" 8080 "_s);
        // Any name is kept flat, the INI format's "/" and "\" and the escape's "%" included.
        QVERIFY(m_zu.ScriviINI(QString(), u"Rete/Proxy"_s, u"a\\b%2F"_s, u"v"_s));
        QCOMPARE(m_zu.LeggiINI(QString(), u"rete/proxy"_s, u"A\\B%2f"_s, u"d"_s), u"v"_s);
        QCOMPARE(m_zu.LeggiINI(QString(), u"Rete/Proxy"_s, u"a\\b/"_s, u"d"_s), u"d"_s);
        QCOMPARE(m_zu.LeggiINI(QString(), u"Rete"_s, u"Proxy/a\\b%2F"_s, u"d"_s), u"d"_s);
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

    void settingsFileIsPrivateAndLeftAloneWhenCorruptOrBusy()
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
        // A store that is not ours is neither read nor overwritten.
        const QByteArray garbage("\x01\x02\xff\xfe not a settings file \x00\x7f", 28);
        QVERIFY(TestFiles::write(path, garbage));
        SettingsStore::ReadStatus status;
        QVERIFY(!SettingsStore::value(app, sezione, u"Proxy"_s, &status));
        QCOMPARE(status, SettingsStore::ReadStatus::Unreadable);
        QCOMPARE(m_zu.LeggiINI(QString(), sezione, u"Sincrono"_s, u"0"_s), u"0"_s);
        QVERIFY(!m_zu.ScriviINI(QString(), sezione, u"Proxy"_s, u"p"_s));
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
    }

    void codePageAndIntegerConversions()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = Windows1252::decode(all);
        QCOMPARE(Windows1252::encode(text), all);
        // The euro and Ÿ from the 0x80-0x9F block; an undefined byte passes through.
        QCOMPARE(text.mid(0x80, 2) + text.at(0x9F) + text.at(0xE8), u"€\u0081Ÿè"_s);
        QCOMPARE(Windows1252::encode(u"€ è ж 😀"_s), QByteArray("\x80 \xe8 ? ?"));
        // Ports round half to even; a negative 16-bit value stands for its bit pattern, as "&HFFFF" reads -1.
        QList<int> ports;
        for (const double value : {2.5, 3.5, 40000.0, 65535.0, -1.0, -32768.5})
            ports << NumericText::toPort(value);
        QCOMPARE(ports, (QList<int>{2, 4, 40000, 65535, 65535, 32768}));
        for (const double value : {65535.5, 70000.0, -32769.0, 1e300})
            QCOMPARE(runtimeErrorOf([&] { NumericText::toPort(value); }), int(RuntimeError::Overflow));
        QCOMPARE(NumericText::toInteger16(32767.4), qint16(32767));
        QCOMPARE(NumericText::toInteger16(-32768), qint16(-32768));
        QCOMPARE(NumericText::toInteger16(-0.5), qint16(0));
        QCOMPARE(NumericText::toInteger32(2147483647), qint32(2147483647));
        for (const double value : {32767.5, -32768.6})
            QCOMPARE(runtimeErrorOf([&] { NumericText::toInteger16(value); }), int(RuntimeError::Overflow));
        QCOMPARE(runtimeErrorOf([] { NumericText::toInteger32(2147483647.5); }), int(RuntimeError::Overflow));
        QCOMPARE(runtimeErrorOf([] { NumericText::toInteger32(std::nan("")); }), int(RuntimeError::Overflow));
    }

    // The functions that answer from their arguments alone, and the conversions; "#N" stands for run-time error N.
    void textFunctions_data()
    {
        QTest::addColumn<QString>("function");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &function, const QStringList &arguments, const QString &expected) {
            QTest::newRow(name) << function << arguments << expected;
        };
        const QString limite(32767, u'a');
        const QString oltre(32768, u'a');
        row("replace without overlap", u"zuReplace"_s, {u"aaa"_s, u"aa"_s, u"b"_s}, u"ba"_s);
        row("replacement not scanned again", u"zuReplace"_s, {u"abab"_s, u"ab"_s, u"abab"_s}, u"abababab"_s);
        row("replace is case-sensitive", u"zuReplace"_s, {u"Ciao ciao"_s, u"ciao"_s, u"x"_s}, u"Ciao x"_s);
        row("match cut off by the end", u"zuReplace"_s, {u"abc"_s, u"cd"_s, u"x"_s}, u"abc"_s);
        row("empty replacement deletes nothing", u"zuReplace"_s, {u"a-b"_s, u"-"_s, QString()}, u"a-b"_s);
        row("empty pattern", u"zuReplace"_s, {u"abc"_s, QString(), u"x"_s}, u"abc"_s);
        row("replace has no 16-bit limit", u"zuReplace"_s, {oltre, u"a"_s, u"b"_s}, QString(32768, u'b'));
        row("only code 32 goes", u"EspuraSpazi"_s, {u"a\tb\n c"_s}, u"a\tb\nc"_s);
        row("blanks at the limit", u"EspuraSpazi"_s, {limite}, limite);
        row("blanks beyond the limit", u"EspuraSpazi"_s, {oltre}, u"#6"_s);
        row("file name, both separators", u"DeterminaSoloFileName"_s, {u"C:\\dir/file.txt"_s}, u"file.txt"_s);
        row("file name, back-slash last", u"DeterminaSoloFileName"_s, {u"/home/anna\\file.txt"_s}, u"file.txt"_s);
        row("file name with drive", u"DeterminaSoloFileName"_s, {u"C:file.txt"_s}, u"C:file.txt"_s);
        row("file name of a folder", u"DeterminaSoloFileName"_s, {u"/home/anna/"_s}, QString());
        row("file name beyond the limit", u"DeterminaSoloFileName"_s, {oltre}, u"#6"_s);
        row("extension", u"EstraiEstensione"_s, {u"archivio.tar.gz"_s}, u"gz"_s);
        row("hidden file", u"EstraiEstensione"_s, {u".bashrc"_s}, QString());
        row("dot in a folder", u"EstraiEstensione"_s, {u"/dati.vecchi/leggimi"_s}, u"vecchi/leggimi"_s);
        row("extension beyond the limit", u"EstraiEstensione"_s, {oltre}, u"#6"_s);
        row("separator, only blanks", u"AggiungiSepDir"_s, {u"   "_s}, QString());
        row("separator already there", u"AggiungiSepDir"_s, {u"/home/anna/"_s}, u"/home/anna/"_s);
        row("tabs and line breaks stay", u"AggiungiSepDir"_s, {u" \t/dati\r\n "_s}, u"\t/dati\r\n/"_s);
        row("back-slash is a character here", u"AggiungiSepDir"_s, {u"/dati\\"_s}, u"/dati\\/"_s);
        row("path of a file", u"EstraiPath"_s, {u"/programmi/app/app.exe"_s}, u"/programmi/app/"_s);
        row("path of a bare name", u"EstraiPath"_s, {u"app.exe"_s}, QString());
        row("path at the root", u"EstraiPath"_s, {u"/app.exe"_s}, QString());
        row("path keeps quotes and blanks", u"EstraiPath"_s, {u"\" /a b/c\""_s}, u"\" /a b/"_s);
        row("path at the limit", u"EstraiPath"_s, {limite}, QString());
        row("path beyond the limit", u"EstraiPath"_s, {oltre}, u"#6"_s);
        row("no terminator", u"StripTerminator"_s, {u"abc"_s}, u"abc"_s);
        row("first terminator", u"StripTerminator"_s, {QString::fromUtf8("ab\0cd\0", 6)}, u"ab"_s);
        row("short version, equal", u"ConfrontaVersione"_s, {u"1.2"_s, u"1.2.2.2"_s}, u"0"_s);
        row("numeric, not textual", u"ConfrontaVersione"_s, {u"1.10"_s, u"1.9"_s}, u"1"_s);
        row("fourth part", u"ConfrontaVersione"_s, {u"1.0.0.9"_s, u"1.0.0.10"_s}, u"-1"_s);
        row("letters after a part", u"ConfrontaVersione"_s, {u" 2.5beta"_s, u"2.5"_s}, u"0"_s);
        row("letters for a part", u"ConfrontaVersione"_s, {u"x.1"_s, u"0.1"_s}, u"0"_s);
        row("negative part", u"ConfrontaVersione"_s, {u"1.-1"_s, u"1.0"_s}, u"-1"_s);
        row("largest part", u"ConfrontaVersione"_s, {u"32767"_s, u"32766"_s}, u"1"_s);
        // A part is the whole number it begins with: no second number, radix prefix or exponent.
        row("blank inside a part", u"ConfrontaVersione"_s, {u"1 0"_s, u"2"_s}, u"-1"_s);
        row("radix prefix", u"ConfrontaVersione"_s, {u"&H10"_s, u"9"_s}, u"-1"_s);
        row("exponent", u"ConfrontaVersione"_s, {u"2e5"_s, u"3"_s}, u"-1"_s);
        row("smallest part", u"ConfrontaVersione"_s, {u"-32768"_s, u"0"_s}, u"-1"_s);
        row("part beyond 16 bits", u"ConfrontaVersione"_s, {u"1.32768"_s, u"1.0"_s}, u"#6"_s);
        row("part far beyond 16 bits", u"ConfrontaVersione"_s, {u"1.0"_s, u"99999999999999999999"_s}, u"#6"_s);
        // The number conversions behind the proxy port and the synchronous-mode setting.
        row("leading value, blanks inside", u"leadingValue"_s, {u" 80 8 0 "_s}, u"8080"_s);
        row("leading value, not a number", u"leadingValue"_s, {u"abc"_s}, u"0"_s);
        row("leading value, negative", u"leadingValue"_s, {u"-12"_s}, u"-12"_s);
        row("leading value, decimal", u"leadingValue"_s, {u"3.5x"_s}, u"3.5"_s);
        row("leading value, exponent D", u"leadingValue"_s, {u"2D2"_s}, u"200"_s);
        row("leading value, dangling exponent", u"leadingValue"_s, {u"12e"_s}, u"12"_s);
        row("leading value, hexadecimal lower case", u"leadingValue"_s, {u"&h1f90zz"_s}, u"8080"_s);
        row("leading value, hexadecimal 16-bit is signed", u"leadingValue"_s, {u"&HFFFF"_s}, u"-1"_s);
        row("leading value, hexadecimal beyond 16 bits", u"leadingValue"_s, {u"&H10000"_s}, u"65536"_s);
        row("leading value, octal", u"leadingValue"_s, {u"&O17"_s}, u"15"_s);
        row("leading value, octal without letter", u"leadingValue"_s, {u"&17"_s}, u"15"_s);
        row("leading value, prefix without digits", u"leadingValue"_s, {u"&Hzz"_s}, u"0"_s);
        row("toDouble, blanks around", u"toDouble"_s, {u" 1 "_s}, u"1"_s);
        row("toDouble, sign and exponent", u"toDouble"_s, {u"-1.5e1"_s}, u"-15"_s);
        row("toDouble, hexadecimal", u"toDouble"_s, {u"&H1"_s}, u"1"_s);
        row("toDouble, blanks only", u"toDouble"_s, {u"   "_s}, u"#13"_s);
        row("toDouble, trailing letters", u"toDouble"_s, {u"1x"_s}, u"#13"_s);
        row("toDouble, blank inside", u"toDouble"_s, {u"1 0"_s}, u"#13"_s);
        row("toDouble, bare prefix", u"toDouble"_s, {u"&H"_s}, u"#13"_s);
        row("toDouble, bad hexadecimal digit", u"toDouble"_s, {u"&H1G"_s}, u"#13"_s);
        // Capitals of the single-byte code page, in hexadecimal: "ÿ" has its capital outside Latin-1, "ß" none.
        row("capital", u"KeyMaiuscolo"_s, {u"e0"_s}, u"c0"_s);
        row("capital outside Latin-1", u"KeyMaiuscolo"_s, {u"ff"_s}, u"9f"_s);
        row("no single capital", u"KeyMaiuscolo"_s, {u"df"_s}, u"df"_s);
        // Pieces joined by "/" after "+" or "-" for the answer. The text is the caller's first piece,
        // so it must be taken before the list is replaced.
        row("split keeps empty pieces", u"zuSplit"_s, {u"a,,b,"_s, u","_s}, u"+a//b"_s);
        row("split, leading separator", u"zuSplit"_s, {u",a"_s, u","_s}, u"+/a"_s);
        row("split drops one trailing separator", u"zuSplit"_s, {u"a,,"_s, u","_s}, u"+a/"_s);
        row("split, separator alone", u"zuSplit"_s, {u","_s, u","_s}, u"+"_s);
        row("split, long separator", u"zuSplit"_s, {u"a|||b"_s, u"||"_s}, u"+a/|b"_s);
        row("split without text", u"zuSplit"_s, {QString(), u","_s}, u"-"_s);
        row("split without separator", u"zuSplit"_s, {u"a,b"_s, QString()}, u"-"_s);
        row("split beyond the limit", u"zuSplit"_s, {oltre, u","_s}, u"#6"_s);
        // The trailing separator is dropped before the limit is checked.
        row("split at the limit", u"zuSplit"_s, {limite + u',', u","_s}, u'+' + limite);
        // The system from a record of platform, major and minor (build 77, "SP"), or none when the query fails:
        // its code, " NT" for that family, then its version.
        row("Win32s", u"InfoSO"_s, {u"0"_s, u"3"_s, u"10"_s}, u"1: Wins32  3.10.77 SP"_s);
        row("NT 3.51", u"InfoSO"_s, {u"2"_s, u"3"_s, u"51"_s}, u"2 NT: Windows NT 3.51.77 SP"_s);
        row("95", u"InfoSO"_s, {u"1"_s, u"4"_s, u"0"_s}, u"3: Windows 95 4.0.77 SP"_s);
        row("NT 4", u"InfoSO"_s, {u"2"_s, u"4"_s, u"0"_s}, u"4 NT: Windows NT 4.0.77 SP"_s);
        row("98", u"InfoSO"_s, {u"1"_s, u"4"_s, u"10"_s}, u"5: Windows 98 4.10.77 SP"_s);
        row("Millennium", u"InfoSO"_s, {u"1"_s, u"4"_s, u"90"_s}, u"6: Windows Millennium 4.90.77 SP"_s);
        row("9x 5.0", u"InfoSO"_s, {u"1"_s, u"5"_s, u"0"_s}, u"6: Windows Millennium 5.0.77 SP"_s);
        row("2000", u"InfoSO"_s, {u"2"_s, u"5"_s, u"0"_s}, u"7 NT: Windows 2000 5.0.77 SP"_s);
        row("XP", u"InfoSO"_s, {u"2"_s, u"5"_s, u"1"_s}, u"8 NT: Windows XP 5.1.77 SP"_s);
        row("NT 6.0", u"InfoSO"_s, {u"2"_s, u"6"_s, u"0"_s}, u"8 NT: Windows XP 6.0.77 SP"_s);
        row("platform 3", u"InfoSO"_s, {u"3"_s, u"6"_s, u"1"_s}, u"0:  6.1.77 SP"_s);
        row("version query fails", u"InfoSO"_s, {}, u"0: "_s);
        // A registry value of a type (1 text, 3 binary, 4 number) and bytes (as Latin-1), read as text:
        // "+" and the text when found, "-" when not.
        row("string with NUL", u"readText"_s, {u"1"_s, u"C:\\Programmi\0"_s}, u"+C:\\Programmi"_s);
        row("string without NUL", u"readText"_s, {u"1"_s, u"abc"_s}, u"+abc"_s);
        row("two NULs", u"readText"_s, {u"1"_s, u"ab\0\0"_s}, u"+ab\0"_s);
        row("single-byte accent", u"readText"_s, {u"1"_s, u"citt\xe0\0"_s}, u"+città"_s);
        row("negative number", u"readText"_s, {u"4"_s, u"\xfe\xff\xff\xff"_s}, u"+-2"_s);
        // The trailing NUL rule is for strings: a number ending in a zero byte stays whole.
        row("number ending in zero", u"readText"_s, {u"4"_s, u"\x00\x01\x00\x00"_s}, u"+256"_s);
        row("binary", u"readText"_s, {u"3"_s, u"\x01\x02"_s}, u"+"_s);
        row("value too long", u"readText"_s, {u"1"_s, QString(1025, u'x')}, u"-"_s);
        row("value at the limit", u"readText"_s, {u"1"_s, QString(1023, u'y') + u'\0'}, u'+' + QString(1023, u'y'));
        row("data folder, built", u"forProgramIn"_s, {u"/src/build/client"_s, u"/src/build"_s}, u"/src/build/client"_s);
        row("data folder, build tree's top", u"forProgramIn"_s, {u"/src/build"_s, u"/src/build"_s}, u"/src/build"_s);
        row("data folder, installed", u"forProgramIn"_s, {u"/usr/bin"_s, u"/src/build"_s}, u"/usr/share/ciarlachat"_s);
        row("data folder, build tree gone", u"forProgramIn"_s, {u"/usr/bin"_s, QString()}, u"/usr/share/ciarlachat"_s);
        row("data folder beside the build tree", u"forProgramIn"_s, {u"/src/build-x/bin"_s, u"/src/build"_s},
            u"/src/build-x/share/ciarlachat"_s);
        row("data folder above the build tree", u"forProgramIn"_s, {u"/src/bin"_s, u"/src/bin/build"_s},
            u"/src/share/ciarlachat"_s);
    }

    void textFunctions()
    {
        QFETCH(QString, function);
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        QString result;
        QString argument = arguments.value(0);
        const QHash<QString, std::function<QString()>> calls{
            {u"zuReplace"_s, [&] { return m_zu.zuReplace(arguments[0], arguments[1], arguments[2]); }},
            {u"EspuraSpazi"_s, [&] { return m_zu.EspuraSpazi(argument); }},
            {u"DeterminaSoloFileName"_s, [&] { return m_zu.DeterminaSoloFileName(argument); }},
            {u"EstraiEstensione"_s, [&] { return m_zu.EstraiEstensione(argument); }},
            {u"AggiungiSepDir"_s, [&] { return m_zu.AggiungiSepDir(argument); }},
            {u"EstraiPath"_s, [&] { return m_zu.EstraiPath(argument); }},
            {u"StripTerminator"_s, [&] { return m_zu.StripTerminator(argument); }},
            {u"ConfrontaVersione"_s, [&] { return QString::number(m_zu.ConfrontaVersione(arguments[0], arguments[1])); }},
            {u"leadingValue"_s, [&] { return QString::number(NumericText::leadingValue(argument)); }},
            {u"toDouble"_s, [&] { return QString::number(NumericText::toDouble(argument)); }},
            {u"KeyMaiuscolo"_s, [&] { return QString::number(m_zu.KeyMaiuscolo(qint16(argument.toInt(nullptr, 16))), 16); }},
            {u"zuSplit"_s, [&] {
                 const bool split = m_zu.zuSplit(arguments, arguments[0], arguments[1]);
                 return (split ? u"+"_s : u"-"_s) + arguments.join(u'/');
             }},
            {u"forProgramIn"_s, [&] { return DataFolder::forProgramIn(arguments[0], arguments[1]); }},
            {u"InfoSO"_s, [&] {
                 const auto part = [&](int i) { return arguments[i].toUInt(); };
                 OsVersionRecord::setForTesting(arguments.isEmpty() ? std::nullopt
                                                                    : std::optional(OsVersionRecord{part(0), part(1), part(2), 77, u"SP"_s}));
                 return QString::number(m_zu.InfoSO()) + (m_zu.IsWindowsNT() ? u" NT: "_s : u": "_s) + m_zu.InfoSOVersione();
             }},
            {u"readText"_s, [&] {
                 const QString key = u"SOFTWARE\\Prova"_s;
                 writable(Registry::LocalMachine, key).setValue(u"v"_s, {arguments[0].toUInt(), arguments[1].toLatin1()});
                 const bool found = Registry::readText(Registry::LocalMachine, key, u"v"_s, Registry::ReadAccess, argument);
                 return (found ? u"+"_s : u"-"_s) + argument;
             }},
        };
        const int error = runtimeErrorOf([&] { result = calls.value(function)(); });
        QCOMPARE(error ? u"#"_s + QString::number(error) : result, expected);
        if (function == u"AggiungiSepDir"_s)
            QCOMPARE(argument, expected); // the caller's variable holds the result too
    }

    void timeSeparatorsAndFileVersions()
    {
        const QDate zero(1899, 12, 30);
        QCOMPARE(m_zu.LongToDate(3725), QDateTime(zero, QTime(1, 2, 5)));
        QCOMPARE(m_zu.LongToDate(-1), QDateTime(zero.addDays(-1), QTime(23, 59, 59)));
        // The hours are 16-bit: 32767 hours and some seconds still fit, 32768 hours overflow.
        QCOMPARE(m_zu.LongToDate(32767 * 3600 + 3599), QDateTime(zero.addDays(1365), QTime(7, 59, 59)));
        QCOMPARE(runtimeErrorOf([&] { m_zu.LongToDate(32768 * 3600); }), RuntimeError::Overflow);
        // The Swiss group is an apostrophe, which callers do not understand: none.
        QByteArray separatori;
        for (const QLocale &locale : {QLocale(QLocale::Italian, QLocale::Italy), QLocale(QLocale::English, QLocale::UnitedStates),
                                      QLocale(QLocale::German, QLocale::Switzerland)}) {
            QLocale::setDefault(locale);
            separatori += QByteArray(1, char(m_zu.GetSeparatoreDecimale())) + char(m_zu.GetSeparatoreMigliaia());
        }
        QLocale::setDefault(QLocale::c());
        QCOMPARE(separatori, QByteArray(",..,.\0", 6));
        // Parts past 32767 print unsigned; resources without a version, other files and folders give zeros.
        QStringList versioni;
        for (const QString &file : {fixture("versione64.dll"), fixture("versione32.dll"), fixture("senzaversione.dll"),
                                    fixture("leggimi.txt"), m_dir->path()})
            versioni << m_zu.GetVersione(file);
        QCOMPARE(versioni, (QStringList{u"1.0.6.40000"_s, u"2.15.0.65535"_s, u"0.0.0.0"_s, u"0.0.0.0"_s, u"0.0.0.0"_s}));
    }

    void hostileImagesAreRefusedAndNeverReadPastTheirEnd()
    {
        for (const char *name : {"versione64.dll", "versione32.dll"}) {
            const QByteArray image = TestFiles::read(fixture(name));
            QVERIFY(guardedVersionOf(image) != u"none"_s);
            // The resource section runs to the end of the file: every shorter copy lacks part of it.
            for (qsizetype size = 0; size < image.size(); ++size)
                QCOMPARE(guardedVersionOf(image.first(size)), u"none"_s);
        }
        const QByteArray image = TestFiles::read(fixture("versione64.dll"));
        const qsizetype peAt = qFromLittleEndian<quint32>(image.constData() + 0x3C);
        const qsizetype blockAt = image.indexOf(QByteArray(reinterpret_cast<const char *>(u"VS_VERSION_INFO"), 30)) - 6;
        const qsizetype signatureAt = image.indexOf(QByteArray("\xBD\x04\xEF\xFE", 4));
        QVERIFY(peAt > 0 && blockAt > 0 && signatureAt == blockAt + 40);
        // A field set to a hostile value (its offset, width and value): the image is refused.
        const QList<std::tuple<const char *, qsizetype, int, quint32>> fields{
            {"header offset past the end", 0x3C, 4, 0xFFFFFFF0},
            {"header offset near the end", 0x3C, 4, quint32(image.size() - 2)},
            {"no PE signature", peAt, 1, 'X'},
            {"many sections", peAt + 6, 2, 0xFFFF},
            {"huge optional header", peAt + 20, 2, 0xFFFF},
            {"unknown optional magic", peAt + 24, 2, 0x107},
            {"too few directories", peAt + 24 + 108, 4, 2},
            {"value length short of the record", blockAt + 2, 2, 51},
            {"block shorter than its record", blockAt, 2, 91},
            {"wrong signature", signatureAt, 1, 0},
            {"another key", blockAt + 6, 1, 'W'},
        };
        for (const auto &[what, at, width, value] : fields) {
            QByteArray hostile = image;
            const quint32 little = qToLittleEndian(value);
            std::memcpy(hostile.data() + at, &little, size_t(width));
            QVERIFY2(guardedVersionOf(hostile) == u"none"_s, what);
        }
        // Any single byte set to a hostile value must leave a parser that still
        // reads only inside the buffer; what it answers is not the point here.
        int answered = 0;
        for (qsizetype at = 0; at < image.size(); ++at) {
            for (const char value : {'\x00', '\x7F', '\x80', '\xFF'}) {
                QByteArray hostile = image;
                hostile[at] = value;
                answered += guardedVersionOf(hostile) != u"none"_s;
            }
        }
        QVERIFY(answered > 0); // most bytes (code, padding, strings) do not matter
    }

    void failedExpansionKeepsTheDestinationAndPlainFilesAreCopied()
    {
        // A failed expansion keeps the old destination and leaves no half-written file behind:
        // a header alone, then a cut mid-stream, where libmspack stops quietly and only the length tells.
        const QString destinazione = m_dir->filePath(u"leggimi.txt"_s);
        const QByteArray atteso("contenuto di prima");
        QVERIFY(TestFiles::write(destinazione, atteso));
        const QByteArray compresso = TestFiles::read(fixture("leggimi.tx_"));
        const QString troncato = m_dir->filePath(u"troncato.tx_"_s);
        for (const qsizetype size : {qsizetype(14), compresso.size() / 2}) {
            QVERIFY(TestFiles::write(troncato, compresso.first(size)));
            QVERIFY(!m_zu.Decomprimi(troncato, destinazione));
            QCOMPARE(TestFiles::read(destinazione), atteso);
        }
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files).size(), 2);
        // A file that is not compressed is copied as it is.
        const QByteArray semplice("Non compresso.\r\nSZD: quasi una firma\r\n");
        QVERIFY(TestFiles::write(m_dir->filePath(u"a.txt"_s), semplice));
        QVERIFY(m_zu.Decomprimi(m_dir->filePath(u"a.txt"_s), m_dir->filePath(u"b.txt"_s)));
        QCOMPARE(TestFiles::read(m_dir->filePath(u"b.txt"_s)), semplice);
        QVERIFY(!m_zu.Decomprimi(m_dir->filePath(u"a.txt"_s), m_dir->filePath(u"nessuna/cartella/c.txt"_s)));
    }

    void expandsOwnCompressorsOutput_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("comprimibile");
        QByteArray casuale(20000, '\0');
        QRandomGenerator(1234).fillRange(reinterpret_cast<quint32 *>(casuale.data()), casuale.size() / 4);
        QTest::newRow("starts with blanks of the window") << QByteArray(40, ' ') + "ciao" << true;
        QTest::newRow("long run, overlapping copies") << QByteArray(10000, 'z') << true;
        QTest::newRow("random bytes") << casuale << false;
    }

    void expandsOwnCompressorsOutput()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, comprimibile);
        // mscompress writes dati.bin_ beside dati.bin, independently of the expander under test.
        QVERIFY(TestFiles::write(m_dir->filePath(u"dati.bin"_s), data));
        QCOMPARE(QProcess::execute(u"mscompress"_s, {m_dir->filePath(u"dati.bin"_s)}), 0);
        QVERIFY(QFile::remove(m_dir->filePath(u"dati.bin"_s)));
        QVERIFY(m_zu.Decomprimi(m_dir->filePath(u"dati.bin_"_s), m_dir->filePath(u"dati.bin"_s)));
        QCOMPARE(TestFiles::read(m_dir->filePath(u"dati.bin"_s)), data);
        if (comprimibile) // matches were really used, not just literals
            QVERIFY(QFileInfo(m_dir->filePath(u"dati.bin_"_s)).size() < data.size());
    }
};

// "probe APP SECTION KEY [VALUE]": the other process of the cross-process tests, one read or write.
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // A renamed copy of this program, started by the executable-name test, answers by its exit code.
    if (qEnvironmentVariableIsSet("CIARLA_VB_PROBE"))
        return zuUtilita().IsVBEnvironment() ? 1 : 0;
    const QStringList args = application.arguments();
    if (args.value(1) != u"probe"_s) {
        tst_zuUtilita test;
        return QTest::qExec(&test, argc, argv);
    }
    if (args.size() == 6)
        return SettingsStore::setValue(args[2], args[3], args[4], args[5]) ? 0 : 1;
    const auto value = SettingsStore::value(args[2], args[3], args[4]);
    std::fputs(value ? qPrintable(*value) : "<missing>", stdout);
    return 0;
}

#include "tst_zuUtilita.moc"
