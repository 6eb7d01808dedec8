#include "MetricsPages.h"

#include "Exposition.h"
#include "MetricsRegistry.h"

namespace {
ServiceReply plain(int status, const QByteArray &text)
{
    return {status, "text/plain; charset=utf-8", text + '\n', {}};
}
} // namespace

MetricsPages::MetricsPages(const MetricsRegistry &registry)
    : m_registry(registry)
{
}

ServiceReply MetricsPages::answer(bool isGet, QByteArrayView path) const
{
    if (!isGet) {
        ServiceReply reply = plain(405, "solo GET");
        reply.headers.emplaceBack("Allow", "GET");
        return reply;
    }
    if (path == "/metrics")
        return {200, Exposition::contentType, m_registry.exposition(), {}};
    if (path == "/healthz")
        return plain(200, "attivo");
    if (path == "/readyz")
        return m_registry.ready() ? plain(200, "pronto") : plain(503, "database non raggiungibile");
    return plain(404, "pagina inesistente");
}
