#pragma once

#include <QString>
#include <exception>
#include <string>

// A run-time failure: the number and the description that a handler reads.
// Thrown out of a procedure, caught by its handler, and carried across the
// bus as "number: description".
class RuntimeError : public std::exception
{
public:
    enum Number : qint32 {
        InvalidArgument = 5,
        Overflow = 6,
        TypeMismatch = 13,
        BadFileName = 52,
        FileNotFound = 53,
        PermissionDenied = 70,
        PathNotFound = 76,
        ServerBusy = 1009,
        RequestTimedOut = 4566,
        UnknownProtocol = 9001,
    };

    // The description is our run-time's own text for the number.
    explicit RuntimeError(qint32 number);
    RuntimeError(qint32 number, const QString &description);

    qint32 number() const { return m_number; }
    QString description() const { return m_description; }
    const char *what() const noexcept override { return m_what.c_str(); }

private:
    qint32 m_number;
    QString m_description;
    std::string m_what;
};
