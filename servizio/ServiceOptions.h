#pragma once

#include "ChatService.h"
#include "ClientAddressResolver.h"
#include "HttpLimits.h"

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <optional>

// The command line of ciarla-servizio.
struct ServiceOptions
{
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 8080;
    QString database; // an SQLite file, or a PostgreSQL URI
    ClientAddressResolver clients; // the trusted proxies
    ChatService::Limits limits;
    HttpLimits http;
    int readQueue = 256; // API reads waiting for the archive; beyond, 503
    // The operators' listener (--metrics); off unless given.
    bool metrics = false;
    QHostAddress metricsAddress;
    quint16 metricsPort = 0;

    // Ends the program for --help and for options the parser does not know;
    // a value out of range gives nothing, with the reason in `error`.
    static std::optional<ServiceOptions> parse(const QStringList &arguments, QString *error);
    static QString defaultDatabase();

private:
    bool parseMetrics(const QString &value, QString *error);
};
