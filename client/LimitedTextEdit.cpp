#include "LimitedTextEdit.h"

#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using namespace Qt::StringLiterals;

LimitedTextEdit::LimitedTextEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{
    connect(document(), &QTextDocument::contentsChange, this, &LimitedTextEdit::tagliaEccesso);
}

void LimitedTextEdit::setMaxLength(int massimo)
{
    m_massimo = massimo;
}

QString LimitedTextEdit::text() const
{
    return toPlainText().replace(u'\n', u"\r\n"_s);
}

int LimitedTextEdit::length() const
{
    const QTextDocument *documento = document();
    return documento->characterCount() - 1 + documento->blockCount() - 1;
}

void LimitedTextEdit::tagliaEccesso(int posizione, int, int aggiunti)
{
    if (m_massimo <= 0 || m_taglioInCorso || aggiunti == 0)
        return;
    const int eccesso = length() - m_massimo;
    if (eccesso <= 0)
        return;
    // Every character removed shortens the text by at least one, so cutting the
    // excess off the end of what was just inserted is always enough.
    const QScopedValueRollback guardia(m_taglioInCorso, true);
    const int fine = qMin(posizione + aggiunti, document()->characterCount() - 1);
    QTextCursor cursore(document());
    cursore.setPosition(fine - qMin(eccesso, aggiunti));
    cursore.setPosition(fine, QTextCursor::KeepAnchor);
    cursore.removeSelectedText();
}
