#include "DocumentRuns.h"
#include "RichTextView.h"
#include "RuntimeErrorOf.h"
#include "TestFiles.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QPrinter>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
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
        QVERIFY(!view.rtfSource().contains(u"\\qc"_s));
        QCOMPARE(runtimeErrorOf([&] { view.setSelAlignment(3); }), 380);
        QCOMPARE(runtimeErrorOf([&] { view.setSelFontSize(0); }), 380);
    }

    void longWordsWrapWithoutChangingTheText()
    {
        RichTextView view;
        view.resize(300, 200);
        view.show();
        const QString word(1000, u'z');
        const QString text = u"a "_s + word + u"\r\n"_s + QString(300000, u'w');
        view.insertText(text);
        const QString plain = u"a "_s + word + u"\r\n"_s + QString(300000, u'w');
        QCOMPARE(view.plainText(), plain);
        QVERIFY(view.textLength() > plain.size()); // the break opportunities are there
        QVERIFY(view.document()->lastBlock().layout()->lineCount() > 10); // and the words wrap
        QVERIFY(!view.rtfSource().contains(u"\\u8203"_s));
        view.selectAll();
        QCOMPARE(view.selectedText(), plain);
        view.copy();
        QCOMPARE(QGuiApplication::clipboard()->text(), plain);
        // Words up to the limit are left alone.
        view.clear();
        view.insertText(QString(256, u'x'));
        QCOMPARE(view.textLength(), 256);
    }

    void selectionFormattingAndSelectedText()
    {
        RichTextView view;
        view.insertText(u"uno due\r\ntre"_s);
        QCOMPARE(view.selectedText(), QString());
        QTextCursor cursor = view.textCursor();
        cursor.setPosition(4);
        cursor.setPosition(11, QTextCursor::KeepAnchor);
        view.setTextCursor(cursor);
        QCOMPARE(view.selectedText(), u"due\r\ntre"_s);
        view.setSelBold(true);
        view.setSelAlignment(RichTextView::AlignCenter);
        QCOMPARE(describeRuns(*view.document()), u"[C] {- -|uno }{- - B|due}\n[C] {- - B|tre}"_s);
    }

    void insertionPointIsClampedAndScrollsTheEndIntoView()
    {
        RichTextView view;
        view.resize(300, 120);
        view.show();
        for (int i = 0; i < 80; ++i)
            view.insertText(u"riga %1\r\n"_s.arg(i));
        view.setInsertionPoint(0);
        QCOMPARE(view.verticalScrollBar()->value(), 0);
        view.setInsertionPoint(view.textLength());
        QCOMPARE(view.insertionPoint(), view.textLength());
        QVERIFY(view.verticalScrollBar()->value() > 0);
        QVERIFY(view.viewport()->rect().contains(view.cursorRect()));
        view.setInsertionPoint(view.textLength() + 1000);
        QCOMPARE(view.insertionPoint(), view.textLength());
        view.setInsertionPoint(-5);
        QCOMPARE(view.insertionPoint(), 0);
    }

    void rtfRoundTripKeepsTextAndLook()
    {
        RichTextView original;
        writeSample(original);
        RichTextView copy;
        copy.setRtfSource(original.rtfSource());
        QCOMPARE(describeRuns(*copy.document()), describeRuns(*original.document()));
        QCOMPARE(copy.plainText(), original.plainText());
        copy.setRtfSource(QString());
        QCOMPARE(copy.textLength(), 0);
    }

    void rtfSourceIsWhatAWordProcessorReads()
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
        QTest::addColumn<QString>("text");
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
        const QString path = m_dir.filePath(u"Leggimi.txt"_s);
        QVERIFY(TestFiles::write(path, bytes));
        RichTextView view;
        format(view, u"Arial"_s, 20, true, true, RichTextView::AlignCenter);
        view.insertText(u"old"_s);
        view.loadFile(path);
        QCOMPARE(view.plainText(), text);
        QCOMPARE(view.insertionPoint(), 0);
        QVERIFY(!describeRuns(*view.document()).contains(u"[C]"_s));
    }

    void loadMissingFileFails()
    {
        RichTextView view;
        view.insertText(u"kept"_s);
        QCOMPARE(runtimeErrorOf([&] { view.loadFile(m_dir.filePath(u"missing.txt"_s)); }), 53);
        QCOMPARE(runtimeErrorOf([&] { view.loadFile(m_dir.path()); }), 75); // a folder is no file to read
        QCOMPARE(view.plainText(), u"kept"_s);
    }

    void printsSelectionOrEverything()
    {
        RichTextView view;
        format(view, u"Arial"_s, 12, true, false, RichTextView::AlignCenter);
        view.insertText(u"uno\r\ndue tre"_s);
        std::unique_ptr<QTextDocument> all(view.printableDocument());
        QCOMPARE(all->toPlainText(), u"uno\ndue tre"_s);
        QTextCursor cursor = view.textCursor();
        cursor.setPosition(2);
        cursor.setPosition(7, QTextCursor::KeepAnchor);
        view.setTextCursor(cursor);
        std::unique_ptr<QTextDocument> part(view.printableDocument());
        QCOMPARE(part->toPlainText(), u"o\ndue"_s);
        QCOMPARE(describeRuns(*part), u"[C] {Arial 12 B|o}\n[C] {Arial 12 B|due}"_s);
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
        QCOMPARE(spy.count(), 2);
        const QPoint offset = view.viewport()->mapTo(&view, QPoint(0, 0));
        QCOMPARE(spy.at(0).at(0).toInt(), 2);
        QCOMPARE(spy.at(0).at(1).toInt(), 5);
        QCOMPARE(spy.at(0).at(2).toDouble(), 10.0 + offset.x());
        QCOMPARE(spy.at(0).at(3).toDouble(), 20.0 + offset.y());
        QCOMPARE(spy.at(1).at(0).toInt(), 1);
        QCOMPARE(spy.at(1).at(1).toInt(), 2);
    }
private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(tst_RichTextView)
#include "tst_RichTextView.moc"
