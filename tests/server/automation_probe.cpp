// A client of CiarlaServer in a process of its own, for the tests that need
// one to fail to start the server or to die in the middle of a request.
//   automation_probe         creates an object, or prints "number: description" and exits with 2
//   automation_probe <url>   also starts a download of <url>, then waits to be killed
#include "RecuperaHTTP.h"
#include "RuntimeError.h"

#include <QCoreApplication>
#include <cstdio>
#include <memory>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString url = app.arguments().value(1);
    std::unique_ptr<RecuperaHTTP> object;
    try {
        object = std::make_unique<RecuperaHTTP>();
        if (!url.isEmpty()) {
            object->setURL(url);
            object->Download();
        }
    } catch (const RuntimeError &error) {
        std::printf("%d: %s\n", error.number(), qPrintable(error.description()));
        return 2;
    }
    return url.isEmpty() ? 0 : app.exec();
}
