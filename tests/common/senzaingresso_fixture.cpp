// A library that loads but offers no registration entry.
extern "C" __attribute__((visibility("default"))) int CiarlaNessunaRegistrazione()
{
    return 1;
}
