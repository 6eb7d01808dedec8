// Prints 1 when the development-environment check recognises this executable's name.
#include "zuUtilita.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("%d\n", zuUtilita().IsVBEnvironment() ? 1 : 0);
    return 0;
}
