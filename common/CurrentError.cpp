#include "CurrentError.h"

#include "RuntimeError.h"

namespace {
struct Record
{
    qint32 number = 0;
    QString description;
};

Record &record()
{
    thread_local Record current;
    return current;
}
} // namespace

qint32 CurrentError::number()
{
    return record().number;
}

QString CurrentError::description()
{
    return record().description;
}

void CurrentError::set(const RuntimeError &error)
{
    set(error.number(), error.description());
}

void CurrentError::set(qint32 number, const QString &description)
{
    record() = {number, description};
}

void CurrentError::clear()
{
    record() = {};
}
