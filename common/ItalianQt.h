#pragma once

class QCoreApplication;

// Qt's own texts (command-line help, dialog buttons, context menus) in Italian, as
// the rest of the programs: Qt's Italian translations from their installed folder.
class ItalianQt
{
public:
    // False when the translations are not installed; Qt's texts then stay English.
    static bool install(QCoreApplication &app);
};
