#pragma once

#include <QtGlobal>

// The figures every exporter gives of its process, read from /proc when asked.
struct ProcessStats
{
    double cpuSeconds = 0;
    double residentBytes = 0;
    double openFds = 0;
    double maxFds = 0;
    double startTimeSeconds = 0; // since the epoch

    static ProcessStats read();

private:
    static double bootTimeSeconds();
    static double openDescriptors();
};
