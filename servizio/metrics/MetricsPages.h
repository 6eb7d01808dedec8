#pragma once

#include "ServiceReply.h"

#include <QByteArrayView>

class MetricsRegistry;

// What the operators' listener answers: the metrics, whether the process serves
// (/healthz) and whether it takes puts (/readyz: 503 while the database is away,
// for a balancer to pass the instance over).
class MetricsPages
{
public:
    explicit MetricsPages(const MetricsRegistry &registry);

    ServiceReply answer(bool isGet, QByteArrayView path) const;

private:
    const MetricsRegistry &m_registry;
};
