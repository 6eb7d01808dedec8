#pragma once

#include <QWidget>

class Lamp;
class QLabel;

// The status indicator of the chat link: a lamp and one word. Nothing shows until
// the first assignment; then "on-line" with the green lamp or "errore" with the red one.
class ZuStato : public QWidget
{
    Q_OBJECT

public:
    explicit ZuStato(QWidget *parent = nullptr);

    // The state is only shown, never kept: there is nothing to read back.
    void setOnLine(bool vNewValue);

    QSize sizeHint() const override;
    // The lamp of one state as a picture, for places outside the window.
    QPixmap lampada(bool onLine) const;

Q_SIGNALS:
    void onLineCambiato(bool onLine);

private:
    Lamp *m_imgOn;
    Lamp *m_imgOff;
    QLabel *m_lblmsg;
};
