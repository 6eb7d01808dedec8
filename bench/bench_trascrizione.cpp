// Feeds ElaboraRisposta generated replies of 100, 1,000 and 10,000 records, drawn
// into a real view under the offscreen platform, and prints the time per record at
// each size, then the cost of a reply equal to the last one. The last line is
// "ratio R": the 10,000-record time over 100 times the 100-record time; a rebuild
// linear in the reply gives about 1.

#include "RichTextView.h"
#include "RispostaChat.h"
#include "Trascrizione.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextDocument>
#include <algorithm>
#include <cstdio>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

QString campo(const QString &marcatore, const QString &valore)
{
    return marcatore + valore + RispostaChat::FineCampo;
}

// A room's page as the service writes it, with the mark-up its messages carry.
QString risposta(int records)
{
    QString out = u"<html><head><title>CiarlaChat</title></head><body>\r\n"_s + RispostaChat::InizioDati + u"\r\n"_s
                + campo(RispostaChat::NumeroRecord, QString::number(records)) + u"\r\n"_s;
    for (int i = 1; i <= records; ++i) {
        out += RispostaChat::tagRecord(i) + u"\r\n"_s;
        out += campo(u"<!-- NICK -->"_s, u"utente%1"_s.arg(i % 97));
        out += campo(u"<!-- DATA -->"_s, u"21:%1"_s.arg(i % 60, 2, 10, QChar(u'0')));
        out += campo(u"<!-- IP -->"_s, u"192.0.2.%1"_s.arg(i % 250));
        out += campo(u"<!-- MSG -->"_s, u" ciao <b>n. %1</b> <img src=smile.gif width=32 height=32><BR>ok &lt;3 "_s.arg(i));
        out += u"\r\n"_s;
    }
    return out + u"</body></html>\r\n"_s;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Microseconds for one rebuild of the reply, the painting that follows included.
double rebuild(Trascrizione &trascrizione, const QString &reply)
{
    trascrizione.AzzeraUltimaRisposta();
    QElapsedTimer timer;
    timer.start();
    trascrizione.ElaboraRisposta(reply);
    QApplication::processEvents();
    return timer.nsecsElapsed() / 1000.0;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    RichTextView view;
    view.resize(640, 480);
    view.show();
    QApplication::processEvents();
    Trascrizione trascrizione(&view);

    double perRecord100 = 0;
    double perRecord10000 = 0;
    QString last;
    for (const int records : {100, 1000, 10000}) {
        last = risposta(records);
        const int repetitions = std::max(5, 50000 / records);
        rebuild(trascrizione, last); // warm-up: fonts, glyph caches
        std::vector<double> times;
        for (int i = 0; i < repetitions; ++i)
            times.push_back(rebuild(trascrizione, last));
        const double perRecord = median(times) / records;
        std::printf("%6d records (%7lld characters): %8.2f us per record, %9.1f us per reply (median of %d)\n",
                    records, qlonglong(last.size()), perRecord, median(times), repetitions);
        if (records == 100)
            perRecord100 = perRecord;
        if (records == 10000)
            perRecord10000 = perRecord;
    }

    const int revision = view.document()->revision();
    std::vector<double> unchanged;
    for (int i = 0; i < 20; ++i) {
        const QString same(last.constData(), last.size()); // equal text, its own copy
        QElapsedTimer timer;
        timer.start();
        trascrizione.ElaboraRisposta(same);
        QApplication::processEvents();
        unchanged.push_back(timer.nsecsElapsed() / 1000.0);
    }
    std::printf("reply equal to the last one: %.1f us; document revision %s\n", median(unchanged),
                view.document()->revision() == revision ? "unchanged" : "CHANGED");

    std::printf("ratio %.2f\n", perRecord10000 / perRecord100);
    return 0;
}
