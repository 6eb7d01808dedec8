#include "DocumentRuns.h"
#include "RichTextView.h"
#include "RuntimeErrorOf.h"
#include "TestFiles.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QPrinter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QTest>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace {

void format(RichTextView &view, const QString &family, double points, bool bold, bool italic, int alignment)
{
    view.setSelAlignment(alignment);
    view.setSelFontName(family);
    view.setSelFontSize(points);
    view.setSelBold(bold);
    view.setSelItalic(italic);
}

// A sample with every look the transcript uses, and characters RTF must escape.
void writeSample(RichTextView &view)
{
    format(view, u"Arial"_s, 12, true, false, RichTextView::AlignCenter);
    view.insertText(u"\r\nNESSUN {MESSAGGIO}\r\n"_s);
    format(view, u"Arial"_s, 10, false, false, RichTextView::AlignLeft);
    view.insertText(u"Nick /> "_s);
    format(view, u"Times New Roman"_s, 8.5, true, true, RichTextView::AlignLeft);
    view.insertText(u"è € \\ ж 😀\ttab"_s);
    format(view, u"Arial"_s, 10, false, true, RichTextView::AlignRight);
    view.insertText(u"\r\nfine"_s);
}

} // namespace

class tst_RichTextView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineBreaksClearAndInvalidValues()
    {
        RichTextView view;
        format(view, u"Arial"_s, 12, true, true, RichTextView::AlignCenter);
        view.insertText(u"a\r\nb\nc\rd\r\n\r\n"_s);
        QCOMPARE(view.plainText(), u"a\r\nb\r\nc\r\nd\r\n\r\n"_s);
        QCOMPARE(describeRuns(*view.document()).count(u"[C]"_s), 6); // new paragraphs keep the alignment
        // Clearing removes the formatting too.
        view.clear();
        QCOMPARE(view.textLength(), 0);
        // Characters QTextDocument reserves for itself arrive as replacement characters.
        view.insertText(u"x\uFFFCy\uFDD0z"_s);
        QCOMPARE(describeRuns(*view.document()), u"[L] {- -|x\uFFFDy\uFFFDz}"_s);
        QCOMPARE(runtimeErrorOf([&] { view.setSelAlignment(3); }), 380);
        QCOMPARE(runtimeErrorOf([&] { view.setSelFontSize(0); }), 380);
    }

    void longWordsWrapAndTheInsertionPointIsClamped()
    {
        RichTextView view;
        view.resize(300, 120);
        view.show();
        const QString plain = u"a "_s + QString(1000, u'z') + u"\r\n"_s + QString(300000, u'w');
        view.insertText(plain);
        QCOMPARE(view.plainText(), plain);
        QVERIFY(view.textLength() > plain.size()); // the break opportunities are there
        QVERIFY(view.document()->lastBlock().layout()->lineCount() > 10); // and the words wrap
        QVERIFY(!view.rtfSource().contains(u"\\u8203"_s));
        view.selectAll();
        QCOMPARE(view.selectedText(), plain);
        view.copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), plain);
        // Moving the insertion point to the end scrolls it into view; beyond either end it is clamped.
        view.setInsertionPoint(0);
        QCOMPARE(view.verticalScrollBar()->value(), 0);
        view.setInsertionPoint(view.textLength());
        QVERIFY(view.verticalScrollBar()->value() > 0);
        QVERIFY(view.viewport()->rect().contains(view.cursorRect()));
        view.setInsertionPoint(view.textLength() + 1000);
        QCOMPARE(view.insertionPoint(), view.textLength());
        view.setInsertionPoint(-5);
        QCOMPARE(view.insertionPoint(), 0);
        // Words up to the limit are left alone.
        view.clear();
        view.insertText(QString(256, u'x'));
        QCOMPARE(view.textLength(), 256);
    }

    void rtfSourceIsWhatAWordProcessorReadsAndReadsBack()
    {
        RichTextView view;
        writeSample(view);
        const QString rtf = view.rtfSource();
        QVERIFY(rtf.startsWith(u"{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl"_s));
        QVERIFY(rtf.trimmed().endsWith(u'}'));
        QCOMPARE(rtf.count(u'{'), rtf.count(u'}')); // braces in the text are escaped
        for (const QChar c : rtf)
            QVERIFY2((c >= u' ' && c.unicode() < 0x7F) || c == u'\r' || c == u'\n', "RTF is 7-bit text");
        for (const QString &part : {u"\\fnil\\fcharset0 Arial;"_s, u"\\fnil\\fcharset0 Times New Roman;"_s, u"\\pard\\qc "_s,
                                    u"\\pard\\qr "_s, u"\\fs24\\b\\i0 NESSUN \\{MESSAGGIO\\}}"_s,
                                    u"\\fs17\\b\\i \\'e8 \\'80 \\\\ \\u1078?"_s,
                                    u"\\u-10179?\\u-8704?\\tab tab"_s}) // the emoji as a surrogate pair, signed 16-bit
            QVERIFY2(rtf.contains(part), qPrintable(part));
        QCOMPARE(rtf.count(u"\\par"_s) - rtf.count(u"\\pard"_s), view.document()->blockCount() - 1);
        // Read back, it gives the same text and look.
        RichTextView copy;
        copy.setRtfSource(rtf);
        QCOMPARE(describeRuns(*copy.document()), describeRuns(*view.document()));
        QCOMPARE(copy.plainText(), view.plainText());
        copy.setRtfSource(QString());
        QCOMPARE(copy.textLength(), 0);
    }

    void rtfFromAWordProcessorIsRead()
    {
        // The kind of file a word processor saves: styles, colours, a generator note,
        // Unicode with its stand-in, properties set outside groups.
        const QString rtf = uR"({\rtf1\ansi\ansicpg1252\deff0\nouicompat{\fonttbl{\f0\fswiss\fprq2\fcharset0 Arial{\*\falt Helvetica};}{\f1\froman Times New Roman;}}
{\colortbl ;\red255\green0\blue0;}
{\stylesheet{\s0 Normal;}}
{\*\generator Riched20 10.0;}\viewkind4\uc1
\pard\qc\b\f0\fs24 Titolo\par
\pard\ql\b0\i\f1\fs20 corsivo \i0\cf1 rosso\cf0  e \u8364\'80 euro\line a capo\par
{\pard\qr\fs16 destra\par}
})"_s;
        RichTextView view;
        view.setRtfSource(rtf);
        QCOMPARE(view.plainText(), u"Titolo\r\ncorsivo rosso e € euro\u2028a capo\r\ndestra\r\n"_s);
        const QString runs = describeRuns(*view.document());
        QVERIFY2(runs.startsWith(u"[C] {Arial 12 B|Titolo}\n[L] {Times New Roman 10 I|corsivo }"
                                 u"{Times New Roman 10|rosso e € euro\u2028a capo}\n[R] {Times New Roman 8|destra}"_s),
                 qPrintable(runs));
    }

    void loadFileByItsContents_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text"); // "#N": run-time error N, the old text kept
        QTest::newRow("missing") << QByteArray() << u"#53"_s;
        QTest::newRow("a folder") << QByteArray() << u"#75"_s;
        QTest::newRow("rtf") << QByteArray("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 perch\\'e9\\par fine}") << u"perché\r\nfine"_s;
        QTest::newRow("utf-8") << QByteArray("perch\xc3\xa9\r\nfine") << u"perché\r\nfine"_s;
        // Only paragraph ends change: a zero-width space, a non-breaking blank and a line separator stay.
        QTest::newRow("invisible characters") << QByteArray("a\xe2\x80\x8b" "b\xc2\xa0" "c\xe2\x80\xa8" "d")
                                              << u"a\u200Bb\u00A0c\u2028d"_s;
        QTest::newRow("utf-8 with byte-order mark") << QByteArray("\xef\xbb\xbfperch\xc3\xa9") << u"perché"_s;
        QTest::newRow("windows-1252") << QByteArray("perch\xe9 \x80\r\nfine") << u"perché €\r\nfine"_s;
        QTest::newRow("rtf only at the very start") << QByteArray(" {\\rtf1 x}") << u" {\\rtf1 x}"_s;
        QTest::newRow("empty") << QByteArray() << QString();
    }

    void loadFileByItsContents()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString tag = QString::fromLatin1(QTest::currentDataTag());
        const QString path = tag == u"a folder"_s ? m_dir.path() : m_dir.filePath(tag);
        if (!text.startsWith(u'#'))
            QVERIFY(TestFiles::write(path, bytes));
        RichTextView view;
        format(view, u"Arial"_s, 20, true, true, RichTextView::AlignCenter);
        view.insertText(u"old"_s);
        const int errore = runtimeErrorOf([&] { view.loadFile(path); });
        QCOMPARE(errore ? u"#"_s + QString::number(errore) : view.plainText(), text);
        // A failed load keeps the old text; a good one starts at the top.
        QCOMPARE(errore ? view.plainText() : QString::number(view.insertionPoint()), errore ? u"old"_s : u"0"_s);
        QCOMPARE(describeRuns(*view.document()).contains(u"[C]"_s), errore != 0);
    }

    void selectionIsFormattedAndPrinted()
    {
        RichTextView view;
        format(view, u"Arial"_s, 12, true, false, RichTextView::AlignCenter);
        view.insertText(u"uno\r\ndue tre"_s);
        QCOMPARE(view.selectedText(), QString());
        std::unique_ptr<QTextDocument> all(view.printableDocument());
        QCOMPARE(all->toPlainText(), u"uno\ndue tre"_s);
        QTextCursor cursor = view.textCursor();
        cursor.setPosition(2);
        cursor.setPosition(7, QTextCursor::KeepAnchor);
        view.setTextCursor(cursor);
        QCOMPARE(view.selectedText(), u"o\r\ndue"_s);
        std::unique_ptr<QTextDocument> part(view.printableDocument());
        QCOMPARE(describeRuns(*part), u"[C] {Arial 12 B|o}\n[C] {Arial 12 B|due}"_s);
        // Formatting changes the selected characters and every paragraph they touch.
        view.setSelBold(false);
        view.setSelAlignment(RichTextView::AlignRight);
        QCOMPARE(describeRuns(*view.document()), u"[R] {Arial 12 B|un}{Arial 12|o}\n[R] {Arial 12|due}{Arial 12 B| tre}"_s);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = m_dir.filePath(u"stampa.pdf"_s);
        printer.setOutputFileName(pdf);
        view.printSelection(&printer);
        QVERIFY(TestFiles::read(pdf).startsWith("%PDF"));
        QCOMPARE(runtimeErrorOf([&] { view.printSelection(nullptr); }), 482);
    }

    void mousePressIsReported()
    {
        RichTextView view;
        view.resize(200, 100);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QSignalSpy spy(&view, &RichTextView::mouseButton);
        QTest::mousePress(view.viewport(), Qt::RightButton, Qt::ShiftModifier | Qt::AltModifier, QPoint(10, 20));
        QTest::mousePress(view.viewport(), Qt::LeftButton, Qt::ControlModifier, QPoint(30, 5));
        // Button and shift state as the numbers the old control gave, then x and y on the control.
        const QPoint offset = view.viewport()->mapTo(&view, QPoint(0, 0));
        QCOMPARE(spy.at(0), (QVariantList{2, 5, 10.0 + offset.x(), 20.0 + offset.y()}));
        QCOMPARE(spy.at(1).mid(0, 2), (QVariantList{1, 2}));
    }
private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_RichTextView)
#include "tst_RichTextView.moc"
