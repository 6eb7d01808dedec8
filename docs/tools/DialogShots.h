#pragma once

#include <QString>

// Pictures of the client's dialogs for the user guide, grabbed from the real
// dialogs filled with sample settings. Needs a widget application whose
// settings and registry folders point somewhere disposable.
class DialogShots
{
public:
    // Writes impostazioni.png, connetti.png, informazioni.png and leggimi.png;
    // false when one could not be written.
    static bool write(const QString &folder);

private:
    static void storeSampleSettings();
    static bool grab(class QWidget &dialog, const QString &file);
};
