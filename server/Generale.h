#pragma once

class ServerLog;
class zuUtilita;

// The start-up of CiarlaServer: it serves only when the bus started it.
class Generale
{
public:
    static int Main(int &argc, char **argv);
    // Started by hand: says that the program only works as a server. Needs an application object.
    static int avvioManuale();
    // The program's one utility instance.
    static zuUtilita &zu();
    // The log that every engine of the program writes to.
    static ServerLog &log();

private:
    static bool avviatoDalBus();
    static bool schermoDisponibile();
    static int servi(int &argc, char **argv);
};
