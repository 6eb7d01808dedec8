#include "DialogTestHelpers.h"
#include "FrmLeggimi.h"
#include "MessageBoxRecorder.h"
#include "RichTextView.h"

#include <QCoreApplication>
#include <QFile>
#include <QPushButton>
#include <QTest>

using namespace Qt::StringLiterals;
using DialogTestHelpers::child;

class tst_FrmLeggimi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { QFile::remove(FrmLeggimi::percorsoLeggimi()); }
    void pathBesideTheProgram();
    void showsTheReadme();
    void missingReadmeReportedThenEmpty();
};

void tst_FrmLeggimi::pathBesideTheProgram()
{
    const QString percorso = FrmLeggimi::percorsoLeggimi();
    QCOMPARE(percorso, QCoreApplication::applicationDirPath() + u"/Leggimi.txt"_s);
    QVERIFY(!percorso.contains(u"//"_s));
}

void tst_FrmLeggimi::showsTheReadme()
{
    QFile file(FrmLeggimi::percorsoLeggimi());
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("CiarlaChat\r\nPi\xf9 stanze, pi\xf9 amici.\r\n");
    file.close();
    MessageBoxRecorder boxes;
    FrmLeggimi leggimi;
    QCOMPARE(leggimi.windowTitle(), u"Leggimi"_s);
    QCOMPARE(boxes.count(), 0);
    const QString testo = child<RichTextView>(leggimi, "txtLeggimi")->plainText();
    QVERIFY(testo.startsWith(u"CiarlaChat\r\n"_s));
    QVERIFY(testo.contains(u"Più stanze, più amici."_s));

    QTest::mouseClick(child<QPushButton>(leggimi, "OKButton"), Qt::LeftButton);
    QCOMPARE(leggimi.result(), int(QDialog::Accepted));
}

void tst_FrmLeggimi::missingReadmeReportedThenEmpty()
{
    MessageBoxRecorder boxes;
    FrmLeggimi leggimi;
    QCOMPARE(boxes.count(), 1);
    QCOMPARE(boxes.last().title, u"Errore 53"_s);
    QVERIFY(child<RichTextView>(leggimi, "txtLeggimi")->plainText().isEmpty());
}

QTEST_MAIN(tst_FrmLeggimi)
#include "tst_FrmLeggimi.moc"
