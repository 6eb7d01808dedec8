#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
QByteArray contentsOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The value of key in the [section] of a desktop-style file, as written.
QString entryValue(const QString &path, const QString &section, const QString &key)
{
    const QStringList lines = QString::fromUtf8(contentsOf(path)).split(u'\n');
    bool inSection = false;
    for (const QString &line : lines) {
        if (line.startsWith(u'['))
            inSection = line.trimmed() == u'[' + section + u']';
        else if (inSection && line.startsWith(key + u'='))
            return line.mid(key.size() + 1).trimmed();
    }
    return {};
}
} // namespace

class tst_Installazione : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void programsWithReadmeAndGuideBeside();
    void desktopEntryStartsTheInstalledProgram();
    void iconsForTheEntry();
    void busActivatesTheInstalledServer();
    void readmeAndGuideBesideTheBuiltProgram();

private:
    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }

    QTemporaryDir m_prefix;
};

void tst_Installazione::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    QProcess install;
    install.setProcessChannelMode(QProcess::MergedChannels);
    install.start(QStringLiteral(CMAKE_PROGRAM),
                  {u"--install"_s, QStringLiteral(BUILD_DIR), u"--prefix"_s, m_prefix.path()});
    QVERIFY(install.waitForFinished(120000));
    QVERIFY2(install.exitCode() == 0, install.readAll().constData());
}

void tst_Installazione::programsWithReadmeAndGuideBeside()
{
    const QString bin = QStringLiteral(BINDIR) + u'/';
    for (const QString &program : {u"CiarlaChat"_s, u"CiarlaServer"_s})
        QVERIFY2(QFileInfo(installed(bin + program)).isExecutable(), qPrintable(program));
    QCOMPARE(contentsOf(installed(bin + u"Leggimi.txt"_s)), contentsOf(QStringLiteral(README_SOURCE)));
    const QByteArray guide = contentsOf(installed(bin + u"ciarlachat.pdf"_s));
    QVERIFY(guide.startsWith("%PDF-"));
    // The guide carries the pictures of the dialogs.
    QVERIFY(guide.count("/Subtype /Image") >= 4);
}

void tst_Installazione::desktopEntryStartsTheInstalledProgram()
{
    const QString entry = installed(QStringLiteral(DATADIR) + u"/applications/ciarlachat.desktop"_s);
    QVERIFY(QFileInfo::exists(entry));
    const QString exec = entryValue(entry, u"Desktop Entry"_s, u"Exec"_s);
    QCOMPARE(exec, u'"' + installed(QStringLiteral(BINDIR) + u"/CiarlaChat"_s) + u'"');
    QCOMPARE(entryValue(entry, u"Desktop Entry"_s, u"Icon"_s), u"ciarlachat"_s);
    QCOMPARE(entryValue(entry, u"Desktop Entry"_s, u"Type"_s), u"Application"_s);

    const QString validator = QStandardPaths::findExecutable(u"desktop-file-validate"_s);
    if (validator.isEmpty())
        QSKIP("desktop-file-validate is not installed");
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(validator, {entry});
    QVERIFY(validate.waitForFinished());
    const QByteArray report = validate.readAll();
    QVERIFY2(validate.exitCode() == 0 && !report.contains("error"), report.constData());
}

void tst_Installazione::iconsForTheEntry()
{
    for (int size : {32, 48, 64, 96}) {
        const QString icon = installed(u"%1/icons/hicolor/%2x%2/apps/ciarlachat.png"_s.arg(QStringLiteral(DATADIR)).arg(size));
        const QImage image(icon);
        QVERIFY2(!image.isNull(), qPrintable(icon));
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.hasAlphaChannel());
    }
}

void tst_Installazione::busActivatesTheInstalledServer()
{
    const QString service = installed(QStringLiteral(DATADIR) + u"/dbus-1/services/it.ciarlasoft.CiarlaServer.service"_s);
    QVERIFY(QFileInfo::exists(service));
    QCOMPARE(entryValue(service, u"D-BUS Service"_s, u"Exec"_s),
             installed(QStringLiteral(BINDIR) + u"/CiarlaServer"_s));
}

void tst_Installazione::readmeAndGuideBesideTheBuiltProgram()
{
    const QString folder = QFileInfo(QStringLiteral(CHAT_PROGRAM)).absolutePath() + u'/';
    QCOMPARE(contentsOf(folder + u"Leggimi.txt"_s), contentsOf(QStringLiteral(README_SOURCE)));
    QVERIFY(contentsOf(folder + u"ciarlachat.pdf"_s).startsWith("%PDF-"));
}

QTEST_MAIN(tst_Installazione)
#include "tst_Installazione.moc"
