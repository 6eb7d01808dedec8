#pragma once

#include "MessageBox.h"

#include <QList>

// Stands in for the real message box while it lives: every box is recorded
// and answered OK at once.
class MessageBoxRecorder
{
public:
    MessageBoxRecorder()
        : m_previous(MessageBox::setHandler([this](const MessageBox::Request &request) {
            m_boxes.append(request);
            return int(MessageBox::Ok);
        }))
    {
    }
    ~MessageBoxRecorder() { MessageBox::setHandler(std::move(m_previous)); }
    MessageBoxRecorder(const MessageBoxRecorder &) = delete;
    MessageBoxRecorder &operator=(const MessageBoxRecorder &) = delete;

    int count() const { return int(m_boxes.size()); }
    const MessageBox::Request &last() const { return m_boxes.constLast(); }
    // The last box as "style title: prompt", so that one comparison checks all three.
    QString lastBox() const { return QStringLiteral("%1 %2: %3").arg(last().style).arg(last().title, last().prompt); }

private:
    QList<MessageBox::Request> m_boxes;
    MessageBox::Handler m_previous;
};
