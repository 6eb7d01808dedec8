#include "CurrentError.h"
#include "FileLockProbe.h"
#include "MessageBoxRecorder.h"
#include "OsVersionRecord.h"
#include "Registry.h"
#include "RuntimeErrorOf.h"
#include "TestFiles.h"
#include "zuUtilita.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <fcntl.h>
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

QByteArray number(qint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

bool setText(quint32 root, const QString &key, const QString &name, const QString &value)
{
    auto opened = Registry::createKey(root, key, Registry::WriteAccess);
    return opened && opened->setValue(name, {Registry::String, value.toLatin1() + '\0'});
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
} // namespace

class tst_zuUtilitaSistema : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_hives = nullptr;
    QByteArray m_savedTemp;

private Q_SLOTS:
    void init()
    {
        // Every case starts from empty hives, so that each sees the first use.
        m_hives = new QTemporaryDir;
        qputenv("CIARLA_REGISTRY_DIR", QFile::encodeName(m_hives->path()));
        m_savedTemp = qgetenv("TMPDIR");
        CurrentError::clear();
    }

    void cleanup()
    {
        delete m_hives;
        qputenv("TMPDIR", m_savedTemp);
        OsVersionRecord::reset();
    }

    void foldersComeFromXdgOnFirstUse()
    {
        QTemporaryDir home;
        const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
        QVERIFY(QDir().mkpath(config));
        const QByteArray path = QFile::encodeName(home.path());
        QVERIFY(TestFiles::write(config + u"/user-dirs.dirs"_s, "XDG_DOCUMENTS_DIR=\"" + path + "/Documenti\"\n"
                                                                "XDG_PICTURES_DIR=\"" + path + "/Изображения\"\n"));
        qputenv("XDG_CONFIG_DIRS", "/srv/ciarla/xdg:/etc/xdg");
        qputenv("XDG_DATA_DIRS", "/srv/ciarla/share:/usr/share");
        zuUtilita zu;
        // The picture folder cannot be spelt in the single-byte hive: left out, not mangled. Folders
        // this desktop has no counterpart for stay empty, never a lone "/".
        QCOMPARE((QStringList{zu.CartellaDocumenti(), zu.CartellaImmagini(), zu.CartellaDati(),
                              zu.CartellaEsecuzioneAutomatica(), zu.CartellaInternetTemp(), zu.CartellaDatiCondivisi(),
                              zu.CartellaEsecuzioneAutomaticaTuttiUtenti(), zu.CartellaCookies(), zu.CartellaCondivisi()}),
                 (QStringList{home.path() + u"/Documenti/"_s, QString(), qEnvironmentVariable("XDG_DATA_HOME") + u'/',
                              config + u"/autostart/"_s, qEnvironmentVariable("XDG_CACHE_HOME") + u'/',
                              u"/srv/ciarla/share/"_s, u"/srv/ciarla/xdg/autostart/"_s, QString(), QString()}));
        // The values are plain strings of the table, where installers expect them.
        const auto personal = rawValue(Registry::CurrentUser, shellFolders, u"Personal"_s);
        QVERIFY(personal && personal->type == Registry::String);
        QCOMPARE(personal->data, path + "/Documenti" + '\0');
        qunsetenv("XDG_CONFIG_DIRS");
        qunsetenv("XDG_DATA_DIRS");
        QFile::remove(config + u"/user-dirs.dirs"_s);
    }

    void aFolderTableThatExistsIsLeftAlone()
    {
        QVERIFY(setText(Registry::CurrentUser, shellFolders, u"personal"_s, u"  /dati/documenti "_s));
        QVERIFY(setText(Registry::CurrentUser, shellFolders, u"Recent"_s, QString()));
        QVERIFY(setText(Registry::LocalMachine, u"Software\\Microsoft\\Windows\\CurrentVersion"_s,
                        u"CommonFilesDir"_s, u"/opt/comuni"_s));
        QVERIFY(Registry::createKey(Registry::LocalMachine, shellFolders, Registry::WriteAccess));
        zuUtilita zu;
        // Trimmed then the separator; found but empty; missing (the table is not refilled); the
        // one value outside the table; missing.
        QCOMPARE((QStringList{zu.CartellaDocumenti(), zu.CartellaRecenti(), zu.CartellaDesktop(),
                              zu.CartellaCondivisi(), zu.CartellaEsecuzioneAutomaticaTuttiUtenti()}),
                 (QStringList{u"/dati/documenti/"_s, QString(), QString(), u"/opt/comuni/"_s, QString()}));
    }

    void systemAndTemporaryFiles()
    {
        zuUtilita zu;
        const QString sistema = zu.GetWindowsSysDir();
        QVERIFY2(sistema.endsWith(u'/') && !QDir(sistema).entryList({u"libc.so*"_s}).isEmpty(), qPrintable(sistema));
        QVERIFY(!zu.DirectoryRete()); // the build tree is on a local disk here
        QTemporaryDir dir;
        qputenv("TMPDIR", "/no/such/folder");
        QCOMPARE(zu.GetDirectoryTemp(), u"/tmp/"_s);
        qputenv("TMPDIR", QFile::encodeName(dir.path()));
        QCOMPARE(zu.GetDirectoryTemp(), dir.path() + u'/');
        const QString primo = zu.GetFileTemporaneo();
        const QString secondo = zu.GetFileTemporaneo();
        QVERIFY(primo != secondo);
        for (const QString &file : {primo, secondo}) {
            QVERIFY2(file.startsWith(dir.path() + u"/zu"_s) && file.endsWith(u".tmp"_s), qPrintable(file));
            QCOMPARE(QFileInfo(file).size(), 0);
        }
        // A folder where nothing can be created: the fixed name, and nothing made.
        qputenv("TMPDIR", "/proc");
        QCOMPARE(zu.GetFileTemporaneo(), u"/proc/zu12345.tmp"_s);
        QVERIFY(!QFile::exists(u"/proc/zu12345.tmp"_s));
    }

    void writeAccessProbesWithoutTouchingUserFiles()
    {
        QTemporaryDir dir;
        const QString mio = dir.filePath(u"120asd12.tmp"_s);
        QVERIFY(TestFiles::write(mio, "dati dell'utente"));
        MessageBoxRecorder boxes;
        zuUtilita zu;
        QVERIFY(zu.WriteAccess(u" "_s + dir.path() + u" "_s));
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"120asd12.tmp"_s});
        QCOMPARE(TestFiles::read(mio), QByteArray("dati dell'utente"));
        // Failures are explained in a box and leave no current error behind.
        CurrentError::set(5, u"un errore di prima"_s);
        QVERIFY(!zu.WriteAccess(dir.filePath(u"manca"_s)));
        QCOMPARE(boxes.lastBox(), u"16 Errore: Errore # 76\rImpossibile trovare il percorso "_s);
        QCOMPARE(CurrentError::number(), 0);
        // Even for root nothing can be created in /proc.
        QVERIFY(!zu.WriteAccess(u"/proc"_s));
        static const QRegularExpression form(u"^Errore # (70|75)\r\\S.*$"_s);
        QVERIFY2(form.match(boxes.last().prompt).hasMatch(), qPrintable(boxes.last().prompt));
    }

    void lockedFilesAreSeen()
    {
        QTemporaryDir dir;
        zuUtilita zu;
        const QString file = dir.filePath(u"bloccato.dat"_s);
        QVERIFY(!zu.FileAperto(file)); // missing
        QVERIFY(TestFiles::write(file, "0123456789"));
        QVERIFY(!zu.FileAperto(file));
        // Another process holds the whole file.
        QProcess holder;
        holder.start(u"flock"_s, {u"-x"_s, file, u"-c"_s, u"echo pronto; read riga"_s});
        QVERIFY(holder.waitForReadyRead(30000));
        QVERIFY(zu.FileAperto(file));
        holder.write("\n");
        holder.closeWriteChannel();
        QVERIFY(holder.waitForFinished(30000));
        QVERIFY(!zu.FileAperto(file));
        // A record lock on a few bytes counts too, and our probe must not drop it.
        const int fd = ::open(QFile::encodeName(file).constData(), O_RDWR);
        struct flock record{};
        record.l_type = F_WRLCK;
        record.l_whence = SEEK_SET;
        record.l_start = 2;
        record.l_len = 3;
        QVERIFY(fd >= 0 && fcntl(fd, F_SETLK, &record) == 0);
        QVERIFY(zu.FileAperto(file));
        QVERIFY(zu.FileAperto(file));
        ::close(fd);
        QVERIFY(!zu.FileAperto(file));
    }

    void lockTableMatchesWholeFileNames()
    {
        const QByteArray table = "1: POSIX  ADVISORY  WRITE 4242 fe:00:12345 0 EOF\n"
                                 "2: -> FLOCK  ADVISORY  WRITE 4244 08:01:999 0 EOF\n"
                                 "3: OFDLCK ADVISORY  READ  -1 00:2b:55 0 EOF\n";
        QVERIFY(FileLockProbe::heldIn(table, makedev(0xfe, 0), 12345));
        QVERIFY(FileLockProbe::heldIn(table, makedev(0, 0x2b), 55));
        QVERIFY(!FileLockProbe::heldIn(table, makedev(0xfe, 0), 1234)); // a prefix of a locked inode
        QVERIFY(!FileLockProbe::heldIn(table, makedev(0xfe, 1), 12345)); // same inode, other volume
        QVERIFY(!FileLockProbe::heldIn(table, makedev(8, 1), 999));     // only waiting for the lock
    }

    void createsEveryMissingFolderOfAPath()
    {
        QTemporaryDir dir;
        zuUtilita zu;
        QString esistente = dir.path();
        QVERIFY(zu.CreaPercorsoDirectory(esistente));
        QCOMPARE(esistente, dir.path() + u'/'); // the caller's path gets its separator
        QString nuovo = u" "_s + dir.path() + u"/a/b b/c"_s;
        QVERIFY(zu.CreaPercorsoDirectory(nuovo));
        QCOMPARE(nuovo, dir.path() + u"/a/b b/c/"_s);
        QVERIFY(QFileInfo(nuovo).isDir());
        QVERIFY(!zu.CreaPercorsoDirectory(u"   "_s));
        QVERIFY(TestFiles::write(dir.filePath(u"file"_s), "x"));
        QVERIFY(!zu.CreaPercorsoDirectory(dir.filePath(u"file/sotto"_s))); // a file stands in the way
        const QString prima = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        QVERIFY(zu.CreaPercorsoDirectory(u"relativa/due"_s));
        QVERIFY(zu.CreaPercorsoDirectory(u"\t"_s)); // a tab is no blank: it names a folder
        QVERIFY(QDir::setCurrent(prima));
        QVERIFY(QFileInfo(dir.path() + u"/relativa/due"_s).isDir() && QFileInfo(dir.path() + u"/\t"_s).isDir());
    }

    void folderPickerAnswersTheChosenFolder()
    {
        QTemporaryDir dir;
        zuUtilita zu;
        QString titolo;
        answerPicker(dir.path(), &titolo);
        QCOMPARE(zu.Sfoglia_Cartella(nullptr, u"Scegli la cartella"_s), dir.path());
        QCOMPARE(titolo, u"Scegli la cartella"_s);
        answerPicker(QString(), &titolo);
        QCOMPARE(zu.Sfoglia_Cartella(nullptr, u"Ancora"_s), QString());
    }

    void readOnlyFilesGetTheOwnersWriteBitBack()
    {
        QTemporaryDir dir;
        zuUtilita zu;
        // Only the owner's write bit is added; the group's and others' stay as they were.
        const auto others = QFileDevice::ReadGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
        for (const auto mode : {QFileDevice::ReadOwner | others, QFileDevice::Permissions()}) {
            const QString file = dir.filePath(u"sola lettura.txt"_s);
            QVERIFY(TestFiles::write(file, "x") && QFile::setPermissions(file, mode));
            zu.EliminaReadOnly(file);
            QCOMPARE(QFileInfo(file).permissions() & 0x7077, (mode | QFileDevice::WriteOwner) & 0x7077);
            QVERIFY(QFile::remove(file));
        }
        zu.EliminaReadOnly(dir.filePath(u"manca"_s)); // ignored
        QVERIFY(!QFile::exists(dir.filePath(u"manca"_s)));
    }

    void componentsAreRegistered()
    {
        // Libraries through their entries, by extension in any case.
        QTemporaryDir dir;
        zuUtilita zu;
        qunsetenv("CIARLA_COMPONENT_CALLS");
        const QString componente = QStringLiteral(COMPONENT_FIXTURE);
        QVERIFY(zu.RegistraServer(componente));
        QVERIFY(zu.DeRegistraServer(componente)); // its failure code does not matter
        QVERIFY(QFile::copy(componente, dir.filePath(u"COMPONENTE.DLL"_s)));
        QVERIFY(zu.RegistraServer(dir.filePath(u"COMPONENTE.DLL"_s)));
        QVERIFY(QFile::copy(componente, dir.filePath(u"componente.so"_s)));
        QVERIFY(!zu.RegistraServer(dir.filePath(u"componente.so"_s)));
        QVERIFY(!zu.RegistraServer(QStringLiteral(NO_ENTRY_FIXTURE)));
        QVERIFY(!zu.RegistraServer(dir.filePath(u"nessuno.ocx"_s)));
        QCOMPARE(qgetenv("CIARLA_COMPONENT_CALLS"), QByteArray("RUR"));
        // Programs with their switch; the call returns when the program has ended.
        const QString programma = dir.filePath(u"mio server.exe"_s);
        QVERIFY(TestFiles::write(programma, "#!/bin/sh\nprintf '%s|' \"$@\" >> \"$(dirname \"$0\")/argomenti.txt\"\n"));
        QVERIFY(QFile::setPermissions(programma, QFile::permissions(programma) | QFileDevice::ExeOwner));
        QVERIFY(zu.RegistraServer(programma));
        QVERIFY(zu.DeRegistraServer(programma));
        QCOMPARE(TestFiles::read(dir.filePath(u"argomenti.txt"_s)), QByteArray("/REGSERVER|/UNREGSERVER|"));
        QVERIFY(!zu.RegistraServer(dir.filePath(u"manca.exe"_s)));
    }

    void sharedCounters()
    {
        const auto counter = [](const QString &name) {
            const auto raw = rawValue(Registry::LocalMachine, sharedDlls, name);
            return raw ? QString::number(raw->type) + u':' + QString::number(qFromLittleEndian<qint32>(raw->data.constData()))
                       : u"none"_s;
        };
        zuUtilita zu;
        const QString file = u"/opt/ciarla/condiviso.ocx"_s;
        const QString altro = u"/opt/ciarla/altro.ocx"_s;
        QVERIFY(!zu.DecFileShared(file)); // no counters at all yet
        // A missing counter starts at 1 when the file is known to exist, else at 0.
        QStringList visti;
        for (const auto &[nome, esiste] : {std::pair{file, true}, {file, true}, {altro, false}, {altro, false}}) {
            QVERIFY(zu.SetFileShared(nome, esiste));
            visti << counter(nome);
        }
        for (int i = 0; i < 3; ++i) {
            QVERIFY(zu.DecFileShared(file));
            visti << counter(file); // the last step deletes it
        }
        QVERIFY(!zu.DecFileShared(file));
        QCOMPARE(visti, (QStringList{u"4:1"_s, u"4:2"_s, u"4:0"_s, u"4:1"_s, u"4:1"_s, u"4:0"_s, u"none"_s}));
        QCOMPARE(counter(altro), u"4:1"_s); // the other file's counter is its own
        // A counter stored as text counts by its number; a negative one goes at once; at the limit it overflows.
        auto key = Registry::createKey(Registry::LocalMachine, sharedDlls, Registry::WriteAccess);
        QVERIFY(key && key->setValue(u"testo"_s, {Registry::String, QByteArray(" 7 copie\0", 9)}));
        QVERIFY(key->setValue(u"limite"_s, {Registry::DWord, number(std::numeric_limits<qint32>::max())}));
        QVERIFY(key->setValue(u"negativo"_s, {Registry::DWord, number(-5)}));
        QVERIFY(zu.SetFileShared(u"testo"_s, false));
        QCOMPARE(counter(u"testo"_s), u"4:8"_s);
        QVERIFY(zu.DecFileShared(u"negativo"_s));
        QCOMPARE(counter(u"negativo"_s), u"none"_s);
        QCOMPARE(runtimeErrorOf([&] { zu.SetFileShared(u"limite"_s, true); }), RuntimeError::Overflow);
        QCOMPARE(counter(u"limite"_s), u"4:2147483647"_s);
    }

    void serversOfAProgrammaticIdentifier()
    {
        const QString clsid = u"{6B1D3C8E-0000-4000-8000-00C1A51A0001}"_s;
        QVERIFY(setText(Registry::ClassesRoot, u"Ciarla.Recupera\\Clsid"_s, QString(), clsid));
        QVERIFY(setText(Registry::ClassesRoot, u"CLSID\\"_s + clsid + u"\\InprocServer32"_s, QString(),
                        u"/opt/ciarla/recupera.ocx"_s));
        QVERIFY(setText(Registry::ClassesRoot, u"Ciarla.Solo\\Clsid"_s, QString(), u"{nessuno}"_s));
        zuUtilita zu;
        QCOMPARE(zu.PathServerOcx(u"ciarla.recupera"_s), u"/opt/ciarla/recupera.ocx"_s);
        QCOMPARE(zu.PathServerExe(u"Ciarla.Recupera"_s), QString()); // no local server registered
        QVERIFY(setText(Registry::ClassesRoot, u"Clsid\\"_s + clsid + u"\\LocalServer32"_s, QString(),
                        u"/usr/bin/ciarlaserver"_s));
        QCOMPARE(zu.PathServerExe(u"Ciarla.Recupera"_s), u"/usr/bin/ciarlaserver"_s);
        QCOMPARE(zu.PathServerOcx(u"Ciarla.Solo"_s), QString());
        QCOMPARE(zu.PathServerOcx(u"Ciarla.Manca"_s), QString());
    }

    void uninstallEntries()
    {
        zuUtilita zu;
        const QString app = u"CiarlaChat"_s;
        QVERIFY(!zu.SetInfoDisinstallazione(app, 1, app)); // the key is not made by default
        QVERIFY(!Registry::openKey(Registry::LocalMachine, uninstall, Registry::ReadAccess));
        const QStringList valori{app, u"CiarlaChat 1.0.6 – città"_s, u"/opt/ciarla/disinstalla"_s, u"ciarlachat"_s,
                                 u"predefinito"_s};
        QVERIFY(zu.SetInfoDisinstallazione(app, 0, valori.at(0), true));
        for (int i = 1; i < valori.size(); ++i)
            QVERIFY(zu.SetInfoDisinstallazione(app, i < 4 ? i : 7, valori.at(i)));
        for (int i = 0; i < valori.size(); ++i)
            QCOMPARE(zu.GetInfoDisinstallazione(app, i < 4 ? i : -1), valori.at(i));
        // Single-byte text with its NUL, where installers read it.
        const auto raw = rawValue(Registry::LocalMachine, uninstall, u"DisplayName"_s);
        QVERIFY(raw && raw->type == Registry::String);
        QCOMPARE(raw->data, QByteArray("CiarlaChat 1.0.6 \x96 citt\xe0\0", 25));
        QCOMPARE(zu.GetInfoDisinstallazione(u"Manca"_s, 1), QString());
    }

    void fileAssociation()
    {
        zuUtilita zu;
        QVERIFY(zu.CreaAssociazione(u"/opt/ciarla/ciarlachat"_s, u".ciarla"_s));
        QCOMPARE(rawValue(Registry::ClassesRoot, u".ciarla\\Shell\\Open\\Command"_s, QString())->data,
                 QByteArray("/opt/ciarla/ciarlachat %1") + '\0');
        qputenv("CIARLA_REGISTRY_DIR", "/proc/ciarla-registry"); // hives that cannot be written
        QVERIFY(!zu.CreaAssociazione(u"/opt/ciarla/ciarlachat"_s, u".ciarla"_s));
    }

    void shortcutIsADesktopEntry()
    {
        QTemporaryDir dir;
        zuUtilita zu;
        const QString programma = u"/opt/ciarla chat/ciarlachat"_s;
        QVERIFY(zu.CreaCollegamento(dir.filePath(u"CiarlaChat.lnk"_s), programma, u"/opt/ciarla chat"_s));
        const QString salvato = dir.filePath(u"CiarlaChat.desktop"_s);
        QCOMPARE(TestFiles::read(salvato), "[Desktop Entry]\nType=Application\nName=CiarlaChat\n"
                                           "Exec=\"/opt/ciarla chat/ciarlachat\"\nPath=/opt/ciarla chat\n"
                                           "Icon=/opt/ciarla chat/ciarlachat\n");
        QVERIFY(QFileInfo(salvato).permissions() & QFileDevice::ExeOwner);
        // Characters that mean something to a launcher are quoted away.
        const QString strano = dir.filePath(u"strano.desktop"_s);
        QVERIFY(zu.CreaCollegamento(dir.filePath(u"strano.LNK"_s), u"/opt/a \"b\"/c$d%e\\f`g"_s, QString()));
        QCOMPARE(TestFiles::read(strano).split('\n').at(3), "Exec=\"/opt/a \\\\\"b\\\\\"/c\\\\$d%%e\\\\\\\\f\\\\`g\"");
        QProcess validate;
        validate.start(u"desktop-file-validate"_s, {salvato, strano});
        QVERIFY(validate.waitForFinished(30000));
        QVERIFY2(validate.exitStatus() == QProcess::NormalExit && validate.exitCode() == 0,
                 validate.readAllStandardOutput().constData());
        QVERIFY(!zu.CreaCollegamento(dir.filePath(u"CiarlaChat.txt"_s), programma, QString()));
        QVERIFY(!zu.CreaCollegamento(dir.filePath(u"manca/CiarlaChat.lnk"_s), programma, QString()));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), (QStringList{u"CiarlaChat.desktop"_s, u"strano.desktop"_s}));
    }

    void windowsVersionTable_data()
    {
        QTest::addColumn<quint32>("platform");
        QTest::addColumn<quint32>("major");
        QTest::addColumn<quint32>("minor");
        QTest::addColumn<int>("codice");
        QTest::addColumn<QString>("nome");
        QTest::newRow("Win32s") << 0u << 3u << 10u << 1 << u"Wins32 "_s;
        QTest::newRow("NT 3.51") << 2u << 3u << 51u << 2 << u"Windows NT"_s;
        QTest::newRow("95") << 1u << 4u << 0u << 3 << u"Windows 95"_s;
        QTest::newRow("NT 4") << 2u << 4u << 0u << 4 << u"Windows NT"_s;
        QTest::newRow("98") << 1u << 4u << 10u << 5 << u"Windows 98"_s;
        QTest::newRow("Millennium") << 1u << 4u << 90u << 6 << u"Windows Millennium"_s;
        QTest::newRow("9x 5.0") << 1u << 5u << 0u << 6 << u"Windows Millennium"_s;
        QTest::newRow("2000") << 2u << 5u << 0u << 7 << u"Windows 2000"_s;
        QTest::newRow("5.2") << 2u << 5u << 2u << 7 << u"Windows 2000"_s;
        QTest::newRow("XP") << 2u << 5u << 1u << 8 << u"Windows XP"_s;
        QTest::newRow("6.0") << 2u << 6u << 0u << 8 << u"Windows XP"_s;
        QTest::newRow("platform 3") << 3u << 6u << 1u << 0 << QString();
    }

    void windowsVersionTable()
    {
        QFETCH(quint32, platform);
        QFETCH(quint32, major);
        QFETCH(quint32, minor);
        QFETCH(int, codice);
        QFETCH(QString, nome);
        OsVersionRecord::setForTesting(OsVersionRecord{platform, major, minor, 77, u"SP"_s});
        zuUtilita zu;
        QCOMPARE(zu.InfoSO(), codice);
        QCOMPARE(zu.InfoSOVersione(), u"%1 %2.%3.77 SP"_s.arg(nome).arg(major).arg(minor));
        QCOMPARE(zu.IsWindowsNT(), platform == 2);
    }

    void thisPlatformIsNoWindowsAndHasVolumes()
    {
        zuUtilita zu;
        OsVersionRecord::setForTesting(std::nullopt); // the query fails
        QCOMPARE(zu.InfoSOVersione() + QString::number(zu.InfoSO()) + QString::number(zu.IsWindowsNT()), u"00"_s);
        OsVersionRecord::reset();
        QCOMPARE(zu.InfoSO(), 0);
        QVERIFY(!zu.IsWindowsNT());
        static const QRegularExpression kernel(u"^ \\d+\\.\\d+\\.\\d+ Linux$"_s);
        QVERIFY2(kernel.match(zu.InfoSOVersione()).hasMatch(), qPrintable(zu.InfoSOVersione()));
        const QString disco = zu.GetSerialHD();
        QVERIFY2(QRegularExpression(u"^-?\\d+$"_s).match(disco).hasMatch(), qPrintable(disco));
        QCOMPARE((QStringList{zu.GetSerialDrive(u"C"_s), zu.GetSerialDrive(u"/"_s), zu.GetSerialDrive(u"d"_s),
                              zu.GetSerialDrive(u"/nessuna/cartella"_s)}),
                 (QStringList{disco, disco, QString(), QString()}));
        QVERIFY(!zu.GetSerialDrive(QDir::tempPath()).isEmpty());
    }
};

QTEST_MAIN(tst_zuUtilitaSistema)
#include "tst_zuUtilitaSistema.moc"
