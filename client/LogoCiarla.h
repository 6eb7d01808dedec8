#pragma once

#include <QIcon>
#include <QSize>

// The product logo, drawn rather than shipped: a speech balloon in the
// product's blue with two smaller balloons answering it.
class LogoCiarla
{
public:
    static QSize dimensione();
    static QIcon icona();
};
