#pragma once

#include <QString>

// The names of the automation contract (it.ciarlasoft.CiarlaServer.xml) that
// both CiarlaServer and its clients use.
namespace AutomationContract {
using namespace Qt::StringLiterals;

inline const QString service = u"it.ciarlasoft.CiarlaServer"_s;
inline const QString factoryPath = u"/CiarlaServer"_s;
inline const QString objectInterface = u"it.ciarlasoft.CiarlaServer._RecuperaHTTP"_s;
inline const QString platformInterface = u"it.ciarlasoft.CiarlaServer.Automazione"_s;
// Every retrieval object's path lies under this one.
inline const QString objectsPath = factoryPath + u"/RecuperaHTTP"_s;
inline const QString errorName = u"it.ciarlasoft.CiarlaServer.Errore"_s;

// A failure travels as "number: description".
inline QString errorMessage(qint32 number, const QString &description)
{
    return QString::number(number) + u": "_s + description;
}
} // namespace AutomationContract
