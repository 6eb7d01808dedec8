// Builds the files installed beside CiarlaChat: the user guide as PDF, the
// pictures of the dialogs it shows, and the program's icon for the desktop.
//
//   ciarla-docs shots <folder>
//   ciarla-docs guide <guide.html> <pictures folder> <out.pdf>
//   ciarla-docs icon <out.png> <size>
#include "DialogShots.h"
#include "GuideRenderer.h"
#include "LogoCiarla.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
int usage()
{
    std::fprintf(stderr, "usage: ciarla-docs shots <folder> | guide <html> <pictures> <pdf> | icon <png> <size>\n");
    return 2;
}

int run(const QStringList &args)
{
    const QString command = args.value(1);
    if (command == u"shots"_s && args.size() == 3)
        return DialogShots::write(args[2]) ? 0 : 1;
    if (command == u"guide"_s && args.size() == 5)
        return GuideRenderer::render(args[2], args[3], args[4]) ? 0 : 1;
    if (command == u"icon"_s && args.size() == 4) {
        const int size = args[3].toInt();
        return size > 0 && LogoCiarla::icona().pixmap(size).save(args[2], "PNG") ? 0 : 1;
    }
    return usage();
}
} // namespace

int main(int argc, char *argv[])
{
    // The dialogs read and write the user's settings and registry: keep the
    // sample values away from the real ones.
    QTemporaryDir scratch;
    if (!scratch.isValid())
        return 1;
    qputenv("XDG_CONFIG_HOME", scratch.filePath(u"config"_s).toLocal8Bit());
    qputenv("CIARLA_REGISTRY_DIR", scratch.filePath(u"registry"_s).toLocal8Bit());

    QApplication app(argc, argv);
    QApplication::setWindowIcon(LogoCiarla::icona());
    return run(QApplication::arguments());
}
