#include "RuntimeError.h"

#include "ErrorMessageTable.h"

RuntimeError::RuntimeError(qint32 number)
    : RuntimeError(number, ErrorMessageTable::runtimeDescription(number))
{
}

RuntimeError::RuntimeError(qint32 number, const QString &description)
    : m_number(number)
    , m_description(description)
    , m_what(QStringLiteral("%1: %2").arg(number).arg(description).toStdString())
{
}
