#include "RichTextView.h"

#include "DocumentText.h"
#include "RtfReader.h"
#include "RtfWriter.h"
#include "RuntimeError.h"
#include "Windows1252.h"

#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QPrinter>
#include <QScrollBar>
#include <QAbstractTextDocumentLayout>
#include <QStringDecoder>
#include <memory>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>

using namespace Qt::StringLiterals;

namespace {

QString decodePlainFile(const QByteArray &bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return Windows1252::decode(bytes);
    if (text.startsWith(QChar::ByteOrderMark))
        text.remove(0, 1);
    return text;
}

int buttonNumber(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return 1;
    case Qt::RightButton: return 2;
    case Qt::MiddleButton: return 4;
    default: return 0;
    }
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    return (modifiers.testFlag(Qt::ShiftModifier) ? 1 : 0) | (modifiers.testFlag(Qt::ControlModifier) ? 2 : 0)
         | (modifiers.testFlag(Qt::AltModifier) ? 4 : 0);
}

} // namespace

RichTextView::RichTextView(QWidget *parent)
    : QTextEdit(parent)
{
    // Every redraw replaces the whole text; an undo history would only hold copies of it.
    setUndoRedoEnabled(false);
    // The owner shows its own pop-up menu on mouseButton().
    setContextMenuPolicy(Qt::PreventContextMenu);
}

RichTextView::~RichTextView()
{
    if (m_batching)
        m_batch.endEditBlock();
}

void RichTextView::setVisible(bool visible)
{
    if (visible && m_batching)
        endBatch();
    else if (!visible && !m_batching)
        beginBatch();
    QTextEdit::setVisible(visible);
}

void RichTextView::beginBatch()
{
    m_batch = textCursor();
    m_batch.beginEditBlock();
    m_batching = true;
}

void RichTextView::endBatch()
{
    m_batching = false;
    m_batch.endEditBlock();
    setTextCursor(m_batch);
    m_batch = QTextCursor();
}

QTextCursor RichTextView::editCursor() const
{
    return m_batching ? m_batch : textCursor();
}

void RichTextView::mergeFormat(const QTextCharFormat &format)
{
    if (m_batching)
        m_batch.mergeCharFormat(format);
    else
        mergeCurrentCharFormat(format);
}

void RichTextView::clear()
{
    document()->clear();
    if (m_batching) {
        // Cleared inside the batch, all the text is new when the batch closes, and Qt
        // lays it out in one pass rather than patching an older layout.
        m_batch = QTextCursor(document());
        return;
    }
    setTextCursor(QTextCursor(document()));
    setCurrentCharFormat(QTextCharFormat());
}

QString RichTextView::plainText() const
{
    return DocumentText::plain(*document(), 0, textLength());
}

int RichTextView::textLength() const
{
    return document()->characterCount() - 1;
}

QString RichTextView::rtfSource() const
{
    return RtfWriter::write(*document());
}

void RichTextView::setRtfSource(const QString &rtf)
{
    clear();
    QTextCursor cursor = editCursor();
    cursor.beginEditBlock(); // one layout for the whole file
    RtfReader::read(rtf, cursor);
    cursor.endEditBlock();
    setInsertionPoint(0);
}

QString RichTextView::selectedText() const
{
    const QTextCursor cursor = editCursor();
    return DocumentText::plain(*document(), cursor.selectionStart(), cursor.selectionEnd());
}

int RichTextView::insertionPoint() const
{
    return editCursor().position();
}

void RichTextView::setInsertionPoint(int pos)
{
    QTextCursor cursor = editCursor();
    cursor.setPosition(std::clamp(pos, 0, textLength()));
    if (m_batching) {
        m_batch = cursor;
        return;
    }
    setTextCursor(cursor);
    ensureCursorVisible();
}

void RichTextView::setSelFontName(const QString &family)
{
    QTextCharFormat format;
    format.setFontFamilies(QStringList{family});
    mergeFormat(format);
}

void RichTextView::setSelFontSize(double points)
{
    if (!(points > 0))
        throw RuntimeError(380);
    QTextCharFormat format;
    format.setFontPointSize(points);
    mergeFormat(format);
}

void RichTextView::setSelBold(bool bold)
{
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    mergeFormat(format);
}

void RichTextView::setSelItalic(bool italic)
{
    QTextCharFormat format;
    format.setFontItalic(italic);
    mergeFormat(format);
}

void RichTextView::setSelAlignment(int alignment)
{
    Qt::Alignment flags;
    switch (alignment) {
    case AlignLeft: flags = Qt::AlignLeft | Qt::AlignAbsolute; break;
    case AlignRight: flags = Qt::AlignRight | Qt::AlignAbsolute; break;
    case AlignCenter: flags = Qt::AlignHCenter; break;
    default: throw RuntimeError(380);
    }
    // Re-setting an unchanged block format would still mark the layout dirty, and
    // QTextEdit::setAlignment() lays the whole document out again.
    QTextCursor cursor = editCursor();
    if (!cursor.hasSelection() && cursor.blockFormat().alignment() == flags)
        return;
    QTextBlockFormat format;
    format.setAlignment(flags);
    cursor.mergeBlockFormat(format);
}

void RichTextView::insertText(const QString &text)
{
    if (m_batching) {
        DocumentText::insert(m_batch, text, m_batch.charFormat());
        return;
    }
    // The widget's cursor moves along with the text inserted at its position.
    QTextCursor cursor = textCursor();
    DocumentText::insert(cursor, text, cursor.charFormat());
}

void RichTextView::beginAppend(int dropBefore)
{
    const QScrollBar *bar = verticalScrollBar();
    m_reader.atBottom = bar->value() >= bar->maximum();
    m_reader.scroll = bar->value();
    dropBefore = std::clamp(dropBefore, 0, textLength());
    if (dropBefore > 0) {
        // The lines in view move up by the height of what goes.
        const QAbstractTextDocumentLayout *layout = document()->documentLayout();
        const qreal height = layout->blockBoundingRect(document()->findBlock(dropBefore)).top()
                           - layout->blockBoundingRect(document()->firstBlock()).top();
        m_reader.scroll = std::max(0, m_reader.scroll - qRound(height));
        QTextCursor drop(document());
        drop.setPosition(dropBefore, QTextCursor::KeepAnchor);
        drop.removeSelectedText();
    }
    m_reader.anchor = textCursor().anchor();
    m_reader.position = textCursor().position();
    m_batch = QTextCursor(document());
    m_batch.movePosition(QTextCursor::End);
    m_batch.beginEditBlock();
    m_batching = true;
}

void RichTextView::endAppend()
{
    m_batching = false;
    m_batch.endEditBlock();
    m_batch = QTextCursor();
    // A selection that reached the end would otherwise take in the new text.
    QTextCursor reader = textCursor();
    if (m_reader.anchor != m_reader.position
        && (reader.anchor() != m_reader.anchor || reader.position() != m_reader.position)) {
        reader.setPosition(m_reader.anchor);
        reader.setPosition(m_reader.position, QTextCursor::KeepAnchor);
        setTextCursor(reader);
    }
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(m_reader.atBottom ? bar->maximum() : m_reader.scroll);
}

QTextDocument *RichTextView::printableDocument() const
{
    const QTextCursor cursor = editCursor();
    if (!cursor.hasSelection())
        return document()->clone();
    auto *copy = new QTextDocument;
    copy->setDefaultFont(document()->defaultFont());
    QTextCursor(copy).insertFragment(cursor.selection());
    // A selection that starts inside a paragraph brings no paragraph format of its own.
    QTextCursor(copy).setBlockFormat(document()->findBlock(cursor.selectionStart()).blockFormat());
    return copy;
}

void RichTextView::printSelection(QPrinter *printer)
{
    if (!printer || !printer->isValid())
        throw RuntimeError(482);
    const std::unique_ptr<QTextDocument> toPrint(printableDocument());
    toPrint->print(printer);
    if (printer->printerState() == QPrinter::Error || printer->printerState() == QPrinter::Aborted)
        throw RuntimeError(482);
}

void RichTextView::loadFile(const QString &path)
{
    QFile file(path);
    if (!file.exists())
        throw RuntimeError(RuntimeError::FileNotFound);
    if (!file.open(QIODevice::ReadOnly))
        throw RuntimeError(75);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw RuntimeError(75);

    if (bytes.startsWith("{\\rtf"))
        setRtfSource(Windows1252::decode(bytes));
    else
        setPlainContents(decodePlainFile(bytes));
}

void RichTextView::setPlainContents(const QString &text)
{
    clear();
    insertText(text);
    setInsertionPoint(0);
}

QMimeData *RichTextView::createMimeDataFromSelection() const
{
    // Qt's own data fills its plain text in late, from its own conversion: copy the HTML out.
    const std::unique_ptr<QMimeData> formatted(QTextEdit::createMimeDataFromSelection());
    auto *data = new QMimeData;
    data->setHtml(formatted->html());
    data->setText(selectedText());
    return data;
}

void RichTextView::mousePressEvent(QMouseEvent *event)
{
    const QPointF pos = viewport()->mapTo(this, event->position().toPoint());
    Q_EMIT mouseButton(buttonNumber(event->button()), shiftState(event->modifiers()), pos.x(), pos.y());
    QTextEdit::mousePressEvent(event);
}
