#pragma once

#include "HeadScanner.h"
#include "StreamEvent.h"

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <cstdint>

// One client connection of an event loop, and what it holds: at most one request
// head being received, one answer being written, one put waiting for the disk;
// or, once it asked for one, a room's event stream.
struct HttpConnection
{
    enum class Phase {
        Head,    // a request head is due before `deadlineMs`
        Idle,    // between requests on a kept-alive connection
        Waiting, // a put is being stored; nothing more is read meanwhile
        Closing, // the last answer is out; what still arrives is read and thrown away
        Streaming // an event stream: events are added to `out` as they come, input is thrown away
    };

    int fd = -1;
    quint64 serial = 0; // tells a connection from a later one on the same descriptor
    QHostAddress peer;
    QByteArray peerText;
    QByteArray client;       // whom the log names: the peer, or whom a trusted proxy forwarded for
    Phase phase = Phase::Head;
    qint64 deadlineMs = 0;
    HeadScanner scanner;
    QByteArray in;           // received and not yet handled; empty while nothing is pending
    qint64 bodyToSkip = 0;   // of the last request's body, still to be read and dropped
    qsizetype wanted = 0;    // head and body of a request whose body is kept, once its head is in
    qint64 bodyHeld = 0;     // of the loops' shared body budget, for that body
    QByteArray out;          // the unsent rest of an answer
    qsizetype sent = 0;      // of `out`
    bool keepAlive = true;   // of the request being answered
    bool bodiless = false;   // the request being answered is a HEAD
    bool readEnded = false;  // the client sent its last byte: what came before is still answered
    bool queued = false;     // waits in the loop's list of requests already received
    bool closeAfterOut = false;
    bool broken = false;     // to be closed once the current event is handled
    QByteArray waitingPage;  // the put being stored, for the log ...
    qint64 waitingSinceNs = 0; // ... and when it arrived
    qint64 drained = 0;      // bytes thrown away while Closing or Streaming
    // While Streaming:
    qsizetype room = -1;     // whose events it gets
    qint64 lastEventId = 0;  // the newest sent
    bool catchingUp = false; // what it missed is being read; live events wait in `held`
    QList<StreamEvent> held;
    qsizetype heldBytes = 0;
    qint64 nextCommentMs = 0;
    std::uint32_t events = 0; // what epoll watches for
};
