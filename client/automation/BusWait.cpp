#include "BusWait.h"

#include <QDBusPendingCallWatcher>
#include <QEventLoop>

QDBusMessage waitForReply(const QDBusPendingCall &call)
{
    if (!call.isFinished()) {
        QDBusPendingCallWatcher watcher(call);
        QEventLoop loop;
        QObject::connect(&watcher, &QDBusPendingCallWatcher::finished, &loop, &QEventLoop::quit);
        // Like a blocking call with the GUI alive: user input waits, everything else runs.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    return call.reply();
}
