#include "DialogTestHelpers.h"
#include "FrmLeggimi.h"
#include "MessageBoxRecorder.h"
#include "RichTextView.h"
#include "TestFiles.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;
using DialogTestHelpers::child;

class tst_FrmLeggimi : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsTheReadmeBesideTheProgram()
    {
        QCOMPARE(FrmLeggimi::percorsoLeggimi(), QCoreApplication::applicationDirPath() + u"/Leggimi.txt"_s);
        QVERIFY(TestFiles::write(FrmLeggimi::percorsoLeggimi(), "CiarlaChat\r\nPi\xf9 stanze, pi\xf9 amici.\r\n"));
        MessageBoxRecorder boxes;
        FrmLeggimi leggimi;
        QCOMPARE(boxes.count(), 0);
        QCOMPARE(child<RichTextView>(leggimi, "txtLeggimi")->plainText(), u"CiarlaChat\r\nPiù stanze, più amici.\r\n"_s);
        DialogTestHelpers::click(leggimi, "OKButton");
        QCOMPARE(leggimi.result(), int(QDialog::Accepted));
        QVERIFY(QFile::remove(FrmLeggimi::percorsoLeggimi()));
    }

    void missingReadmeReportedThenEmpty()
    {
        MessageBoxRecorder boxes;
        FrmLeggimi leggimi;
        QCOMPARE(boxes.last().title, u"Errore 53"_s);
        QVERIFY(child<RichTextView>(leggimi, "txtLeggimi")->plainText().isEmpty());
    }
};

QTEST_MAIN(tst_FrmLeggimi)
#include "tst_FrmLeggimi.moc"
