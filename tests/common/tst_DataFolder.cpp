#include "DataFolder.h"

#include <QTest>

using namespace Qt::StringLiterals;

class tst_DataFolder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void forProgramIn_data();
    void forProgramIn();
};

void tst_DataFolder::forProgramIn_data()
{
    QTest::addColumn<QString>("programFolder");
    QTest::addColumn<QString>("buildTree");
    QTest::addColumn<QString>("expected");
    QTest::newRow("built") << u"/src/build/client"_s << u"/src/build"_s << u"/src/build/client"_s;
    QTest::newRow("build tree's top") << u"/src/build"_s << u"/src/build"_s << u"/src/build"_s;
    QTest::newRow("installed") << u"/usr/bin"_s << u"/src/build"_s << u"/usr/share/ciarlachat"_s;
    QTest::newRow("build tree gone") << u"/usr/bin"_s << QString() << u"/usr/share/ciarlachat"_s;
    QTest::newRow("beside the build tree") << u"/src/build-x/bin"_s << u"/src/build"_s
                                           << u"/src/build-x/share/ciarlachat"_s;
    QTest::newRow("above the build tree") << u"/src/bin"_s << u"/src/bin/build"_s << u"/src/share/ciarlachat"_s;
}

void tst_DataFolder::forProgramIn()
{
    QFETCH(QString, programFolder);
    QFETCH(QString, buildTree);
    QFETCH(QString, expected);
    QCOMPARE(DataFolder::forProgramIn(programFolder, buildTree), expected);
}

QTEST_MAIN(tst_DataFolder)
#include "tst_DataFolder.moc"
