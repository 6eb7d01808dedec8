// A component library for the registration tests: each entry adds its mark to the environment of
// the process that loaded it. The failure code of the second must not matter, only its presence.
#include <cstdlib>
#include <string>

static long note(const char *mark, long result)
{
    const char *before = std::getenv("CIARLA_COMPONENT_CALLS");
    setenv("CIARLA_COMPONENT_CALLS", (std::string(before ? before : "") + mark).c_str(), 1);
    return result;
}

extern "C" __attribute__((visibility("default"))) long DllRegisterServer()
{
    return note("R", 0);
}

extern "C" __attribute__((visibility("default"))) long DllUnregisterServer()
{
    return note("U", long(0x80004005));
}
