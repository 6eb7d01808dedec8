#include "MessageBoxRecorder.h"

MessageBoxRecorder::MessageBoxRecorder()
{
    m_previous = MessageBox::setHandler([this](const MessageBox::Request &request) {
        m_boxes.append(request);
        return int(MessageBox::Ok);
    });
}

MessageBoxRecorder::~MessageBoxRecorder()
{
    MessageBox::setHandler(std::move(m_previous));
}
