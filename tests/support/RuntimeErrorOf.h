#pragma once

#include "RuntimeError.h"

#include <QString>
#include <functional>

// The number of the RuntimeError the action throws; 0 when it throws none.
inline int runtimeErrorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const RuntimeError &e) {
        return e.number();
    }
    return 0;
}

// The same as "number: description"; empty when it throws none.
inline QString runtimeErrorTextOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const RuntimeError &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}
