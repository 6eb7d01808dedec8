#include "Generale.h"

int main(int argc, char **argv)
{
    return Generale::Main(argc, argv);
}
