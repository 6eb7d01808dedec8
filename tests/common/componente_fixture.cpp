// A component library for the registration tests: each entry leaves its mark
// in the environment of the process that loaded it.
#include <cstdlib>
#include <string>

namespace {
void note(const char *mark)
{
    const char *before = std::getenv("CIARLA_COMPONENT_CALLS");
    const std::string calls = std::string(before ? before : "") + mark;
    setenv("CIARLA_COMPONENT_CALLS", calls.c_str(), 1);
}
} // namespace

extern "C" __attribute__((visibility("default"))) long DllRegisterServer()
{
    note("R");
    return 0;
}

// The failure code must not matter: only the entry's presence does.
extern "C" __attribute__((visibility("default"))) long DllUnregisterServer()
{
    note("U");
    return long(0x80004005);
}
