#include "ProgramStarter.h"

#include <QProcess>

namespace {
ProgramStarter::Handler &currentHandler()
{
    static ProgramStarter::Handler handler;
    return handler;
}
} // namespace

bool ProgramStarter::start(const QString &program)
{
    const Handler &handler = currentHandler();
    // The whole text names the program: installed paths may hold blanks.
    return handler ? handler(program) : QProcess::startDetached(program, {});
}

ProgramStarter::Handler ProgramStarter::setHandler(Handler handler)
{
    return std::exchange(currentHandler(), std::move(handler));
}
