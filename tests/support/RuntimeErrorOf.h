#pragma once

#include "RuntimeError.h"

#include <QString>
#include <functional>

// The RuntimeError the action throws as "number: description"; empty when it throws none.
inline QString runtimeErrorTextOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const RuntimeError &e) {
        return QString::fromUtf8(e.what());
    }
    return {};
}

// Its number alone; 0 when it throws none.
inline int runtimeErrorOf(const std::function<void()> &action)
{
    return runtimeErrorTextOf(action).section(u':', 0, 0).toInt();
}
