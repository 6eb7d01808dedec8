#pragma once

#include "RuntimeError.h"

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
