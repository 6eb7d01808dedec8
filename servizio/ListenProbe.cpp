#include "ListenProbe.h"

#include <QTcpServer>

std::optional<QString> ListenProbe::refusal(const QHostAddress &address, quint16 port)
{
    if (port == 0)
        return std::nullopt;
    QTcpServer probe;
    if (probe.listen(address, port))
        return std::nullopt;
    const QString where = QStringLiteral("%1 porta %2").arg(address.toString()).arg(port);
    switch (probe.serverError()) {
    case QAbstractSocket::AddressInUseError:
        return QStringLiteral("%1 è già in uso da un altro programma (forse un altro ciarla-servizio).").arg(where);
    case QAbstractSocket::SocketAccessError:
        return QStringLiteral("non ho il permesso di ascoltare su %1 (le porte sotto 1024 sono riservate "
                              "all'amministratore).").arg(where);
    case QAbstractSocket::SocketAddressNotAvailableError:
        return QStringLiteral("l'indirizzo %1 non appartiene a questa macchina.").arg(address.toString());
    default:
        return QStringLiteral("impossibile ascoltare su %1: %2.").arg(where, probe.errorString());
    }
}
