#pragma once

#include <QLabel>

// A label that acts as a link: blue text, a hand cursor, and activated by a
// click or, once it has the focus, by Enter or Space. text() stays the plain
// text it shows.
class LinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit LinkLabel(const QString &text, QWidget *parent = nullptr);

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
