#pragma once

#include <QDBusMessage>
#include <QDBusPendingCall>

// Waits for a call's reply while the event loop keeps running, so that the
// server's events, which are calls into this process, are handled meanwhile.
// A plain blocking wait would deadlock on the first event that arrives during it.
QDBusMessage waitForReply(const QDBusPendingCall &call);
