#pragma once

#include "DatabaseHealth.h"
#include "LocalHistogram.h"
#include "PutCounters.h"

// What the chat service and its archive writer count: puts on the service's
// thread, commits and the database's health on the writer's.
struct ServiceMetrics
{
    PutCounters puts;
    LocalHistogram commitSeconds{{0.001, 0.0025, 0.005, 0.01, 0.025, 0.05, 0.1, 0.25, 0.5, 1, 2.5, 5, 10}};
    DatabaseHealth database;
};
