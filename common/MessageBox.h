#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every modal message box of the system goes through show(), so that a test can
// put a recorder in place of the real QMessageBox and answer it.
class MessageBox
{
public:
    enum Style : int {
        Critical = 16,
        Warning = 48,
        Information = 64,
    };
    enum Result : int { Ok = 1 };

    struct Request
    {
        QString prompt;
        int style = 0;
        QString title;
        QWidget *parent = nullptr;
    };
    using Handler = std::function<int(const Request &)>;

    static int show(const QString &prompt, int style, const QString &title, QWidget *parent = nullptr);

    // Replaces the handler; an empty handler restores the real box. Returns the old one.
    static Handler setHandler(Handler handler);
};
