// Builds the files installed beside CiarlaChat: the user guide as PDF, the
// pictures of the dialogs it shows, and the program's icon for the desktop.
//
//   ciarla-docs shots <folder>
//   ciarla-docs guide <guide.html> <pictures folder> <out.pdf>
//   ciarla-docs icon <out.png> <size>
//   ciarla-docs icon <out.svg>
#include "DialogShots.h"
#include "GuideRenderer.h"
#include "LogoCiarla.h"

#include <QApplication>
#include <QPainter>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
int usage()
{
    std::fprintf(stderr, "usage: ciarla-docs shots <folder> | guide <html> <pictures> <pdf> | icon <png> <size>"
                         " | icon <svg>\n");
    return 2;
}

// The desktop's scalable icon: the logo's own drawing, as vector paths.
bool writeScalableIcon(const QString &file)
{
    const QSize size = LogoCiarla::dimensione();
    QSvgGenerator svg;
    svg.setFileName(file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(u"CiarlaChat"_s);
    QPainter p;
    if (!p.begin(&svg))
        return false;
    LogoCiarla::dipingi(p, size.width());
    return p.end();
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
        return size > 0 && LogoCiarla::immagine(size).save(args[2], "PNG") ? 0 : 1;
    }
    if (command == u"icon"_s && args.size() == 3)
        return writeScalableIcon(args[2]) ? 0 : 1;
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
