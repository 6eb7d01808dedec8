// Reads or writes one setting from a process of its own, for the cross-process tests.
//   settings_probe read APP SECTION KEY        prints the value, or "<missing>"
//   settings_probe write APP SECTION KEY VALUE  exits 0 when written
#include "SettingsStore.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args.at(1) == QLatin1String("read")) {
        const auto value = SettingsStore::value(args.at(2), args.at(3), args.at(4));
        std::fputs(value ? qPrintable(*value) : "<missing>", stdout);
        return 0;
    }
    if (args.size() == 6 && args.at(1) == QLatin1String("write"))
        return SettingsStore::setValue(args.at(2), args.at(3), args.at(4), args.at(5)) ? 0 : 1;
    return 2;
}
