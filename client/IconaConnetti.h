#pragma once

#include <QIcon>

// The connect button's picture, drawn rather than shipped: a plug on its
// cable reaching for a socket.
class IconaConnetti
{
public:
    static QIcon icona();
};
