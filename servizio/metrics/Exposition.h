#pragma once

#include "LocalHistogram.h"

#include <QByteArray>

// Metrics written out in the Prometheus text format, version 0.0.4: each family
// announced once, then its samples.
class Exposition
{
public:
    static constexpr char contentType[] = "text/plain; version=0.0.4; charset=utf-8";

    // `type` is counter, gauge or histogram.
    void family(const char *name, const char *type, const char *help);
    // `labels` as made by label(), comma-separated, or empty.
    void sample(const char *name, const QByteArray &labels, double value);
    void histogram(const char *name, const QByteArray &labels, const LocalHistogram::Totals &totals);
    const QByteArray &text() const { return m_text; }

    static QByteArray label(const char *name, QByteArrayView value);

private:
    void line(const QByteArray &name, const QByteArray &labels, const QByteArray &value);

    QByteArray m_text;
};
