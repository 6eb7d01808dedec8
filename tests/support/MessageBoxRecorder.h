#pragma once

#include "MessageBox.h"

#include <QList>

// Stands in for the real message box while it lives: every box is recorded
// and answered OK at once.
class MessageBoxRecorder
{
public:
    MessageBoxRecorder();
    ~MessageBoxRecorder();
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    int count() const { return int(m_boxes.size()); }
    const MessageBox::Request &last() const { return m_boxes.constLast(); }

private:
    QList<MessageBox::Request> m_boxes;
    MessageBox::Handler m_previous;
};
