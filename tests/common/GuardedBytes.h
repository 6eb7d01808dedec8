#pragma once

#include <QByteArray>
#include <QByteArrayView>

// A copy of some bytes placed so that they end right where an inaccessible
// page begins: a parser that reads one byte past the end crashes the test
// instead of passing by luck.
class GuardedBytes
{
public:
    explicit GuardedBytes(const QByteArray &data);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes &) = delete;
    GuardedBytes &operator=(const GuardedBytes &) = delete;

    QByteArrayView view() const { return m_view; }

private:
    void *m_mapping = nullptr;
    size_t m_mappedSize = 0;
    QByteArrayView m_view;
};
