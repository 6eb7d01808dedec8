#include "RecuperaHTTP.h"

#include "EventSink.h"
#include "FrmInetClass.h"
#include "Generale.h"
#include "NumericText.h"
#include "RuntimeError.h"
#include "zuUtilita.h"

#include <QCoreApplication>

using namespace Qt::StringLiterals;

namespace {
const QString sezione = u"Connessione"_s;

QString fileImpostazioni()
{
    return Generale::zu().AggiungiSepDir(QCoreApplication::applicationDirPath()) + u"cfg.ini"_s;
}
} // namespace

RecuperaHTTP::RecuperaHTTP() = default;

RecuperaHTTP::~RecuperaHTTP()
{
    try {
        Termina();
    } catch (const RuntimeError &) {
        // Releasing ignores every failure.
    }
}

FrmInetClass &RecuperaHTTP::motore()
{
    if (!m_motore)
        m_motore = std::make_unique<FrmInetClass>();
    return *m_motore;
}

void RecuperaHTTP::Download(std::function<void()> restituito)
{
    FrmInetClass &engine = motore();
    if (engine.m_state == 1)
        throw RuntimeError(RuntimeError::ServerBusy);
    engine.IniziaRecupero(m_url, *this, restituito ? std::move(restituito) : [] {});
}

qint16 RecuperaHTTP::stato()
{
    return qint16(motore().m_state);
}

void RecuperaHTTP::Termina()
{
    FrmInetClass &engine = motore();
    engine.Termina();
    engine.Unload();
}

void RecuperaHTTP::LeggiConfigurazione()
{
    zuUtilita &zu = Generale::zu();
    const QString file = fileImpostazioni();
    NomeProxy = zu.LeggiINI(file, sezione, u"Proxy"_s, QString());
    PortaProxy = zu.LeggiINI(file, sezione, u"Porta"_s, QString());
    Username = zu.LeggiINI(file, sezione, u"Username"_s, QString());
    Password = zu.LeggiINI(file, sezione, u"Password"_s, QString());
    Sincrono = NumericText::toDouble(zu.LeggiINI(file, sezione, u"Sincrono"_s, u"0"_s)) == 1.0;
}

void RecuperaHTTP::SegnalaFileRicevuto(const QString &datafile, std::function<void()> gestito)
{
    if (m_sink)
        m_sink->FileRicevuto(datafile, std::move(gestito));
    else
        gestito();
}

void RecuperaHTTP::SegnalaErrore(qint32 code, const QString &descrizione, std::function<void()> gestito)
{
    if (m_sink)
        m_sink->Errore(code, descrizione, std::move(gestito));
    else
        gestito();
}
