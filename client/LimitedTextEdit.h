#pragma once

#include <QPlainTextEdit>

// A multi-line text box with a length limit, like the message field: what is
// typed or pasted beyond the limit is cut. Its text carries line breaks as CR LF,
// and each counts as two characters against the limit.
class LimitedTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit LimitedTextEdit(QWidget *parent = nullptr);

    void setMaxLength(int massimo);
    int maxLength() const { return m_massimo; }

    QString text() const;
    int length() const;

private:
    void tagliaEccesso(int posizione, int rimossi, int aggiunti);

    int m_massimo = 0;
    bool m_taglioInCorso = false;
};
