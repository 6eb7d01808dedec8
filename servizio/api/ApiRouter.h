#pragma once

#include "RoomDirectory.h"

#include <QByteArrayView>

// Which of the API's endpoints a request names, by method and path.
class ApiRouter
{
public:
    enum class Endpoint { None, Rooms, History, Post, Events, Search };
    struct Route
    {
        Endpoint endpoint = Endpoint::None;
        const RoomDirectory::Entry *room = nullptr;
        int status = 0;        // with Endpoint::None: 404 or 405
        QByteArray allow;      // with 405: the methods the path takes
    };

    static constexpr QByteArrayView prefix = "/api/";
    static bool handles(QByteArrayView path) { return path.startsWith(prefix); }
    static Route route(QByteArrayView method, QByteArrayView path);

private:
    static Route roomRoute(QByteArrayView method, QByteArrayView rest);
    static Route only(QByteArrayView method, QByteArrayView allowed, Endpoint endpoint);
};
