#include "ProcessStats.h"

#include <QFile>
#include <QList>
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

ProcessStats ProcessStats::read()
{
    ProcessStats stats;
    QFile file(QStringLiteral("/proc/self/stat"));
    const QByteArray stat = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    // The program's name may hold blanks and parentheses: fields are counted after its last ")".
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 21) {
        const double ticks = double(sysconf(_SC_CLK_TCK));
        // Fields 14, 15, 22 and 24 of proc(5), the state being field 3.
        stats.cpuSeconds = (fields.at(11).toDouble() + fields.at(12).toDouble()) / ticks;
        stats.startTimeSeconds = bootTimeSeconds() + fields.at(19).toDouble() / ticks;
        stats.residentBytes = fields.at(21).toDouble() * double(sysconf(_SC_PAGESIZE));
    }
    stats.openFds = openDescriptors();
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0)
        stats.maxFds = limit.rlim_cur == RLIM_INFINITY ? -1 : double(limit.rlim_cur);
    return stats;
}

double ProcessStats::bootTimeSeconds()
{
    QFile file(QStringLiteral("/proc/stat"));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray all = file.readAll();
    const qsizetype at = all.indexOf("\nbtime ");
    return at < 0 ? 0 : all.mid(at + 7, all.indexOf('\n', at + 7) - at - 7).toDouble();
}

double ProcessStats::openDescriptors()
{
    DIR *dir = opendir("/proc/self/fd");
    if (!dir)
        return 0;
    int count = 0;
    while (const dirent *entry = readdir(dir))
        count += entry->d_name[0] != '.' ? 1 : 0;
    closedir(dir);
    return count - 1; // the listing's own
}
