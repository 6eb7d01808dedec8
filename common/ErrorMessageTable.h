#pragma once

#include <QString>
#include <optional>

// The fixed Italian texts of the run-time error numbers.
class ErrorMessageTable
{
public:
    // The table entry for exactly this number, if it has one.
    static std::optional<QString> italianText(qint32 number);
    // The description our run-time gives for a number it raises itself.
    static QString runtimeDescription(qint32 number);
};
