#pragma once

#include <QTextEdit>

class QPrinter;
class QTextDocument;

// The rich-text box of the transcript and of the readme: the handful of operations
// the windows rely on, over QTextEdit. Positions count characters of the document,
// where every paragraph break is one character; they are those of plainText() except
// at paragraph ends (CR LF there) and in words of more than 256 characters (see
// DocumentText).
class RichTextView : public QTextEdit
{
    Q_OBJECT

public:
    // Alignment values of the selection formatting.
    enum Alignment : int { AlignLeft = 0, AlignRight = 1, AlignCenter = 2 };

    explicit RichTextView(QWidget *parent = nullptr);
    ~RichTextView() override;

    // Hiding the view also batches every edit until it shows again: the document is
    // then laid out once instead of after every insertion.
    void setVisible(bool visible) override;

    // Removes all text and all formatting; the next insertion starts from the defaults.
    void clear();

    // The whole text, every character as the document holds it; paragraphs are
    // separated by CR LF.
    QString plainText() const;
    // The position of the end of the text, without building it.
    int textLength() const;

    // The whole contents as RTF, with fonts, sizes, bold, italic and alignment.
    QString rtfSource() const;
    // Replaces the contents with the RTF given; the empty text clears the view.
    void setRtfSource(const QString &rtf);

    // The selected text, paragraphs separated by CR LF; empty when nothing is selected.
    QString selectedText() const;

    int insertionPoint() const;
    // Collapses the selection at pos (clamped to the text); when visible, scrolls it into view.
    void setInsertionPoint(int pos);

    // Formatting of the selection, or of the next insertion when nothing is selected.
    void setSelFontName(const QString &family);
    void setSelFontSize(double points); // throws RuntimeError(380) unless positive
    void setSelBold(bool bold);
    void setSelItalic(bool italic);
    void setSelAlignment(int alignment); // throws RuntimeError(380) outside 0..2

    // Replaces the selection with text in the current formatting; CR LF, LF or CR
    // start a new paragraph.
    void insertText(const QString &text);

    // Removes the text before dropBefore, then gathers the edits up to endAppend() at
    // the end of the text, through a cursor of their own. Each is one change of the
    // document, so assistive technology hears one removal and one insertion of just
    // the new text. The reader's selection and the lines in view stay put; a reader
    // at the bottom follows the new text.
    void beginAppend(int dropBefore);
    void endAppend();

    // Prints the selection, or everything when nothing is selected.
    // Throws RuntimeError(482) when the printer cannot print.
    void printSelection(QPrinter *printer);
    // What printSelection() prints; owned by the caller.
    QTextDocument *printableDocument() const;

    // Loads a file: RTF when it starts with "{\rtf", otherwise plain text, UTF-8 when
    // valid, else Windows-1252. Throws RuntimeError (53, 75) when it cannot be read.
    void loadFile(const QString &path);

Q_SIGNALS:
    // button: 1 left, 2 right, 4 middle; shift: 1 Shift, 2 Ctrl, 4 Alt;
    // x, y in pixels from the view's top-left corner.
    void mouseButton(int button, int shift, double x, double y);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    // The keyboard's copy takes the same plain text as selectedText().
    QMimeData *createMimeDataFromSelection() const override;

private:
    void setPlainContents(const QString &text);
    // The cursor the operations act on: the widget's own, or the batch's while hidden.
    QTextCursor editCursor() const;
    void mergeFormat(const QTextCharFormat &format);
    void beginBatch();
    void endBatch();

    bool m_batching = false;
    QTextCursor m_batch;
    // Where the reader was when an append began.
    struct ReaderPlace
    {
        int anchor = 0;
        int position = 0;
        int scroll = 0;
        bool atBottom = false;
    } m_reader;
};
