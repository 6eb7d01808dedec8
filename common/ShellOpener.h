#pragma once

#include <QString>
#include <functional>

class QWidget;

// Opens a document, program or address with the program the user's desktop
// associates with it, and answers with the shell's result code: above 32 when
// the request was accepted, otherwise the reason it was not. Tests put a
// handler in place of the desktop to play each answer.
class ShellOpener
{
public:
    enum Result : int {
        FileNotFound = 2,
        PathNotFound = 3,
        AccessDenied = 5,
        NoAssociation = 31,
        Accepted = 42,
    };

    struct Request
    {
        QWidget *owner = nullptr;
        QString target;
        QString workingFolder;
    };
    using Handler = std::function<int(const Request &)>;

    static int open(QWidget *owner, const QString &target, const QString &workingFolder);

    // Replaces the handler; an empty handler restores the desktop. Returns the old one.
    static Handler setHandler(Handler handler);
};
