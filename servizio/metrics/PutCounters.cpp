#include "PutCounters.h"

const char *PutCounters::name(Refusal why)
{
    static const char *const names[refusals] = {"flood", "rules", "ban", "database"};
    return names[int(why)];
}
