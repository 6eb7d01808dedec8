#include "MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <cstdio>

namespace {
QMessageBox::Icon iconFor(int style)
{
    switch (style & 0x70) {
    case MessageBox::Critical:
        return QMessageBox::Critical;
    case MessageBox::Warning:
        return QMessageBox::Warning;
    case MessageBox::Information:
        return QMessageBox::Information;
    default:
        return QMessageBox::NoIcon;
    }
}

int showReal(const MessageBox::Request &request)
{
    // Without a widget application (no display) the text still has to reach someone.
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(request.title), qPrintable(request.prompt));
        return MessageBox::Ok;
    }
    QMessageBox box(iconFor(request.style), request.title, request.prompt, QMessageBox::Ok, request.parent);
    box.exec();
    return MessageBox::Ok;
}

MessageBox::Handler &currentHandler()
{
    static MessageBox::Handler handler;
    return handler;
}
} // namespace

int MessageBox::show(const QString &prompt, int style, const QString &title, QWidget *parent)
{
    const Request request{prompt, style, title, parent};
    const Handler &handler = currentHandler();
    return handler ? handler(request) : showReal(request);
}

MessageBox::Handler MessageBox::setHandler(Handler handler)
{
    return std::exchange(currentHandler(), std::move(handler));
}
