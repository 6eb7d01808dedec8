#pragma once

#include <QString>

class RuntimeError;

// The error a handler is dealing with: number 0 and an empty description when
// there is none. Each program has one thread, so one record serves it.
class CurrentError
{
public:
    static qint32 number();
    static QString description();
    static void set(const RuntimeError &error);
    static void set(qint32 number, const QString &description);
    static void clear();
};
