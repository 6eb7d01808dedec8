#include "GuardedBytes.h"

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>

GuardedBytes::GuardedBytes(const QByteArray &data)
{
    const size_t page = size_t(sysconf(_SC_PAGESIZE));
    const size_t dataPages = (size_t(data.size()) + page - 1) / page;
    m_mappedSize = (dataPages + 1) * page;
    m_mapping = mmap(nullptr, m_mappedSize, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m_mapping == MAP_FAILED) {
        m_mapping = nullptr;
        return;
    }
    char *guard = static_cast<char *>(m_mapping) + dataPages * page;
    mprotect(guard, page, PROT_NONE);
    char *start = guard - data.size();
    std::memcpy(start, data.constData(), size_t(data.size()));
    m_view = QByteArrayView(start, data.size());
}

GuardedBytes::~GuardedBytes()
{
    if (m_mapping)
        munmap(m_mapping, m_mappedSize);
}
