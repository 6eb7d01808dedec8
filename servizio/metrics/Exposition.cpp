#include "Exposition.h"

#include <cmath>

void Exposition::family(const char *name, const char *type, const char *help)
{
    m_text += QByteArray("# HELP ") + name + ' ' + help + "\n# TYPE " + name + ' ' + type + '\n';
}

void Exposition::sample(const char *name, const QByteArray &labels, double value)
{
    // Counts are whole numbers and stay exact up to 2^53.
    line(name, labels, std::isinf(value) ? QByteArray(value > 0 ? "+Inf" : "-Inf")
                                         : QByteArray::number(value, 'g', value == std::floor(value) ? 17 : 15));
}

void Exposition::histogram(const char *name, const QByteArray &labels, const LocalHistogram::Totals &totals)
{
    const QByteArray bucket = QByteArray(name) + "_bucket";
    const QByteArray separator = labels.isEmpty() ? QByteArray() : ",";
    std::uint64_t cumulative = 0;
    for (qsizetype i = 0; i < totals.counts.size(); ++i) {
        cumulative += totals.counts.at(i);
        const QByteArray bound = i < totals.boundsSeconds.size()
            ? QByteArray::number(totals.boundsSeconds.at(i), 'g', 15) : QByteArray("+Inf");
        line(bucket, labels + separator + label("le", bound), QByteArray::number(cumulative));
    }
    line(QByteArray(name) + "_sum", labels, QByteArray::number(double(totals.sumNs) / 1e9, 'g', 15));
    line(QByteArray(name) + "_count", labels, QByteArray::number(cumulative));
}

QByteArray Exposition::label(const char *name, QByteArrayView value)
{
    QByteArray escaped;
    for (const char c : value)
        escaped += c == '\\' ? QByteArray("\\\\") : c == '"' ? QByteArray("\\\"") : c == '\n' ? QByteArray("\\n")
                                                                                             : QByteArray(1, c);
    return name + QByteArray("=\"") + escaped + '"';
}

void Exposition::line(const QByteArray &name, const QByteArray &labels, const QByteArray &value)
{
    m_text += labels.isEmpty() ? name + ' ' + value + '\n' : name + '{' + labels + "} " + value + '\n';
}
