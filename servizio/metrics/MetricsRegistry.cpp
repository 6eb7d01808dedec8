#include "MetricsRegistry.h"

#include "ConnectionLimiter.h"
#include "Exposition.h"
#include "ProcessStats.h"
#include "RequestLog.h"

#include <algorithm>

namespace {
// Shown from the start, at 0 until they happen, so that rates and alerts work from
// the first scrape; any other status appears once it has been answered.
constexpr int usualStatuses[] = {200, 400, 404, 405, 408, 413, 414, 429, 431, 500, 503};

const char *const refusalReasons[RequestCounters::refusals] = {"max_connections", "max_per_address"};
} // namespace

RequestCounters &MetricsRegistry::addWorker()
{
    const std::lock_guard lock(m_mutex);
    m_workers.push_back(std::make_unique<RequestCounters>());
    return *m_workers.back();
}

void MetricsRegistry::readHttpFrom(const ConnectionLimiter &limiter, const RequestLog &log)
{
    const std::lock_guard lock(m_mutex);
    m_limiter = &limiter;
    m_log = &log;
}

QByteArray MetricsRegistry::exposition() const
{
    Exposition out;
    {
        const std::lock_guard lock(m_mutex);
        writeRequests(out);
        writeConnections(out);
    }
    writePuts(out);
    writeDatabase(out);
    writeProcess(out);
    return out.text();
}

void MetricsRegistry::writeRequests(Exposition &out) const
{
    out.family("ciarla_http_requests_total", "counter", "Richieste HTTP risposte, per tipo di pagina e codice.");
    for (int k = 0; k < PageKinds::count; ++k) {
        const PageKind kind = PageKind(k);
        const QByteArray kindLabel = Exposition::label("kind", PageKinds::name(kind));
        for (int status = 0; status < RequestCounters::statuses; ++status) {
            std::uint64_t total = 0;
            for (const auto &worker : m_workers)
                total += worker->answers(kind, status);
            if (total > 0 || std::find(std::begin(usualStatuses), std::end(usualStatuses), status) != std::end(usualStatuses))
                out.sample("ciarla_http_requests_total",
                           kindLabel + ',' + Exposition::label("code", QByteArray::number(status)), double(total));
        }
    }
    out.family("ciarla_http_request_duration_seconds", "histogram",
               "Tempo dalla richiesta completa alla risposta, per tipo di pagina.");
    for (int k = 0; k < PageKinds::count; ++k) {
        LocalHistogram::Totals totals = LocalHistogram::zero(RequestCounters::durationBounds());
        for (const auto &worker : m_workers)
            worker->durations(PageKind(k)).addTo(totals);
        out.histogram("ciarla_http_request_duration_seconds", Exposition::label("kind", PageKinds::name(PageKind(k))),
                      totals);
    }
}

void MetricsRegistry::writeConnections(Exposition &out) const
{
    out.family("ciarla_connections_open", "gauge", "Connessioni dei client aperte ora.");
    out.sample("ciarla_connections_open", {}, m_limiter ? m_limiter->open() : 0);
    out.family("ciarla_connections_refused_total", "counter",
               "Connessioni chiuse appena aperte perché oltre un limite, per limite.");
    for (int reason = 0; reason < RequestCounters::refusals; ++reason) {
        std::uint64_t total = 0;
        for (const auto &worker : m_workers)
            total += worker->refusedConnections(reason);
        out.sample("ciarla_connections_refused_total", Exposition::label("reason", refusalReasons[reason]),
                   double(total));
    }
    qint64 streams = 0;
    for (const auto &worker : m_workers)
        streams += worker->openStreams();
    out.family("ciarla_event_subscribers", "gauge", "Flussi di eventi aperti ora.");
    out.sample("ciarla_event_subscribers", {}, double(streams));
    out.family("ciarla_log_lines_dropped_total", "counter", "Righe del registro perse perché il disco non teneva il passo.");
    out.sample("ciarla_log_lines_dropped_total", {}, m_log ? double(m_log->droppedTotal()) : 0);
}

void MetricsRegistry::writePuts(Exposition &out) const
{
    const PutCounters &puts = m_service.puts;
    out.family("ciarla_messages_stored_total", "counter", "Messaggi registrati nell'archivio.");
    out.sample("ciarla_messages_stored_total", {}, double(puts.storedCount()));
    out.family("ciarla_puts_refused_total", "counter", "Messaggi non accettati, per motivo.");
    for (int r = 0; r < PutCounters::refusals; ++r) {
        const auto why = PutCounters::Refusal(r);
        out.sample("ciarla_puts_refused_total", Exposition::label("reason", PutCounters::name(why)),
                   double(puts.refusedCount(why)));
    }
}

void MetricsRegistry::writeDatabase(Exposition &out) const
{
    out.family("ciarla_database_up", "gauge", "1 se l'archivio risponde, 0 altrimenti.");
    out.sample("ciarla_database_up", {}, m_service.database.up() ? 1 : 0);
    LocalHistogram::Totals totals = LocalHistogram::zero(m_service.commitSeconds.boundsSeconds());
    m_service.commitSeconds.addTo(totals);
    out.family("ciarla_database_commit_seconds", "histogram", "Durata della registrazione di un messaggio.");
    out.histogram("ciarla_database_commit_seconds", {}, totals);
}

void MetricsRegistry::writeProcess(Exposition &out)
{
    const ProcessStats stats = ProcessStats::read();
    const struct
    {
        const char *name;
        const char *type;
        const char *help;
        double value;
    } series[] = {
        {"process_cpu_seconds_total", "counter", "Tempo di processore usato, utente e sistema, in secondi.",
         stats.cpuSeconds},
        {"process_resident_memory_bytes", "gauge", "Memoria residente in byte.", stats.residentBytes},
        {"process_open_fds", "gauge", "Descrittori di file aperti.", stats.openFds},
        {"process_max_fds", "gauge", "Descrittori di file ammessi.", stats.maxFds},
        {"process_start_time_seconds", "gauge", "Avvio del processo, in secondi dal 1970.", stats.startTimeSeconds},
    };
    for (const auto &each : series) {
        out.family(each.name, each.type, each.help);
        out.sample(each.name, {}, each.value);
    }
}
