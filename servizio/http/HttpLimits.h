#pragma once

#include <QtGlobal>

// What one client may ask of the network layer, and how much of it all clients
// together may hold. Every limit has its command-line option.
struct HttpLimits
{
    int threads = 0;                // event loops; 0: one per core
    int maxConnections = 10000;     // open in all; beyond it new ones are closed at once
    int maxPerAddress = 64;         // open from one address; 0: no limit
    int maxHeadBytes = 16 * 1024;   // request line and headers together
    int maxHeaderLines = 100;
    int maxBodyBytes = 64 * 1024;
    int bodyBufferKb = 16 * 1024;   // bodies kept for the API by all connections at once; beyond it 503
    int headTimeoutSeconds = 10;    // for the whole request head to arrive
    int idleSeconds = 120;          // silence allowed between two requests
    int logBufferKb = 1024;         // log lines waiting for the disk; beyond it they are dropped and counted
};
