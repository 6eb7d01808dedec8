#include "ItalianQt.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstring>

namespace {
// Texts of this Qt's command-line help that its Italian catalogue lacks.
class MissingTexts : public QTranslator
{
public:
    using QTranslator::QTranslator;

    bool isEmpty() const override { return false; }

    QString translate(const char *context, const char *sourceText, const char *, int) const override
    {
        if (std::strcmp(context, "QCommandLineParser") != 0)
            return QString();
        if (std::strcmp(sourceText, "Displays help on commandline options.") == 0)
            return QStringLiteral("Mostra l'aiuto sulle opzioni della riga di comando.");
        if (std::strcmp(sourceText, "Displays help including Qt specific options.") == 0)
            return QStringLiteral("Mostra l'aiuto con anche le opzioni proprie di Qt.");
        return QString();
    }
};
} // namespace

bool ItalianQt::install(QCoreApplication &app)
{
    QCoreApplication::installTranslator(new MissingTexts(&app));
    auto *translator = new QTranslator(&app);
    if (!translator->load(QStringLiteral("qt_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}
