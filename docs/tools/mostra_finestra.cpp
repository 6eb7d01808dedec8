// The main window as the user sees it, for the screenshots in docs/screenshots:
// it connects to the "Canali CiarlaChat" of the service that XDG_CONFIG_DIRS names,
// waits for the room's messages and saves a picture of itself.
//   mostra_finestra OUT.png [--dark]
// finestra-shots.sh runs it under Xvfb at 1× and 2×, light and dark.

#include "FrmMain.h"
#include "LimitedTextEdit.h"
#include "RichTextView.h"

#include <QApplication>
#include <QLineEdit>
#include <QPalette>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {
QPalette darkPalette()
{
    QPalette p;
    const QColor window(0x2B, 0x2B, 0x2E), base(0x1E, 0x1E, 0x20), text(0xE8, 0xE8, 0xE8);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, text.darker(160));
    p.setColor(QPalette::Highlight, QColor(0x3D, 0x7A, 0xD6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x6C, 0xA8, 0xF0));
    p.setColor(QPalette::Disabled, QPalette::Text, text.darker(180));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, text.darker(180));
    return p;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "uso: mostra_finestra FILE.png [--dark]\n");
        return 2;
    }
    QApplication::setStyle(QStyleFactory::create(u"Fusion"_s));
    if (args.contains(u"--dark"_s))
        QApplication::setPalette(darkPalette());

    FrmMain finestra;
    finestra.Form_Load();
    finestra.findChild<QLineEdit *>(u"txtNick"_s)->setText(u"davide"_s);
    finestra.findChild<LimitedTextEdit *>(u"txtContenuto"_s)->setPlainText(u"Arrivo anch'io!"_s);
    finestra.resize(720, 520);
    finestra.show();
    finestra.activateWindow();
    auto *trascrizione = finestra.findChild<RichTextView *>(u"TxtMes"_s);
    QTimer attesa;
    QObject::connect(&attesa, &QTimer::timeout, &app, [&] {
        if (!trascrizione->plainText().contains(u"ha scritto:"_s))
            return;
        attesa.stop();
        // One more moment for the layout and the lamp, then the picture.
        QTimer::singleShot(500, &app, [&] {
            const bool salvata = finestra.grab().save(args.at(1));
            QCoreApplication::exit(salvata ? 0 : 1);
        });
    });
    attesa.start(200);
    QTimer::singleShot(30000, &app, [] {
        std::fprintf(stderr, "mostra_finestra: nessun messaggio in 30 secondi\n");
        QCoreApplication::exit(1);
    });
    return app.exec();
}
