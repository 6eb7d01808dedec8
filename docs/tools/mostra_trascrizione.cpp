// Shows what the transcript looks like: three records and a banner, with both
// looks of the status lamp, for a screenshot under Xvfb. Prints the font family
// fontconfig really gave for each size and weight the transcript uses.
//   xvfb-run -s "-screen 0 900x520x24" sh -c 'mostra_trascrizione & sleep 3; import -window root docs/trascrizione.png'
// With --rtf FILE it also writes the records' RTF there, to open in a word processor.

#include "RichTextView.h"
#include "Trascrizione.h"
#include "ZuStato.h"

#include <QApplication>
#include <QFile>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

QString campo(const QString &marcatore, const QString &valore)
{
    return marcatore + valore + u"<!-- /0 -->"_s;
}

QString record(int i, const QString &nick, const QString &data, const QString &ip, const QString &msg)
{
    return u"<!-- N0%1 -->"_s.arg(i) + campo(u"<!-- NICK -->"_s, nick) + campo(u"<!-- DATA -->"_s, data)
         + campo(u"<!-- IP -->"_s, ip) + campo(u"<!-- MSG -->"_s, msg);
}

void printFont(const char *what, const QFont &font)
{
    const QFontInfo info(font);
    std::printf("%-22s asked \"%s\" %.1f pt%s%s -> got \"%s\" %.1f pt%s%s\n", what, qPrintable(font.family()),
                font.pointSizeF(), font.bold() ? " bold" : "", font.italic() ? " italic" : "",
                qPrintable(info.family()), info.pointSizeF(), info.bold() ? " bold" : "",
                info.italic() ? " italic" : "");
}

QFont arial(double points, bool bold, bool italic)
{
    QFont font(u"Arial"_s);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);

    QWidget window;
    window.setWindowTitle(u"CiarlaChat"_s);
    auto *colonne = new QHBoxLayout;
    auto *records = new RichTextView;
    auto *banner = new RichTextView;
    colonne->addWidget(records, 3);
    colonne->addWidget(banner, 2);
    auto *lampade = new QHBoxLayout;
    auto *onLine = new ZuStato;
    auto *errore = new ZuStato;
    lampade->addWidget(onLine);
    lampade->addWidget(errore);
    lampade->addStretch();
    auto *pagina = new QVBoxLayout(&window);
    pagina->addLayout(colonne);
    pagina->addLayout(lampade);

    Trascrizione trascrizione(records);
    trascrizione.ElaboraRisposta(
        u"<!-- CHAT INIZIO DATA -->"_s + campo(u"<!-- REC -->"_s, u"3"_s)
        + record(1, u"anna"_s, u"21:15"_s, u"192.0.2.7"_s,
                 u"ciao a tutti <img src=smile.gif width=32 height=32>"_s)
        + record(2, u"bruno"_s, u"21:16"_s, u"192.0.2.9"_s, u"prima riga<BR>seconda riga"_s)
        + record(3, u"carla"_s, u"21:17"_s, u"198.51.100.4"_s,
                 u"<b>grassetto</b> sparito, &lt;b&gt; mostrato com'è"_s));
    Trascrizione(banner).ElaboraRisposta(u"<!-- CHAT INIZIO DATA --><!-- NO DATA -->"_s);
    onLine->setOnLine(true);
    errore->setOnLine(false);

    printFont("run a (Nick />)", arial(10, false, false));
    printFont("run b (nick)", arial(12, true, false));
    printFont("run c (date, address)", arial(10, false, true));
    printFont("banner", arial(12, true, false));
    QFont label(u"MS Sans Serif"_s);
    label.setPointSizeF(8.25);
    label.setBold(true);
    printFont("status label", label);
    std::fflush(stdout);

    const QStringList args = QApplication::arguments();
    const qsizetype rtf = args.indexOf(u"--rtf"_s);
    if (rtf > 0 && rtf + 1 < args.size()) {
        QFile file(args.at(rtf + 1));
        if (file.open(QIODevice::WriteOnly))
            file.write(records->rtfSource().toLatin1());
    }
    const qsizetype quit = args.indexOf(u"--quit-after-ms"_s);
    if (quit > 0 && quit + 1 < args.size())
        QTimer::singleShot(args.at(quit + 1).toInt(), &app, &QApplication::quit);

    window.resize(880, 480);
    window.move(10, 10);
    window.show();
    return app.exec();
}
