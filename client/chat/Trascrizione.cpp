#include "Trascrizione.h"

#include "BlankText.h"
#include "RichTextView.h"
#include "RispostaChat.h"

using namespace Qt::StringLiterals;

namespace {

const QString Arial = u"Arial"_s;
const QString CrLf = u"\r\n"_s;

struct Formato
{
    double punti;
    bool grassetto;
    bool corsivo;
    int allineamento;
};

constexpr Formato Banner{12, true, false, RichTextView::AlignCenter};
constexpr Formato Etichetta{10, false, false, RichTextView::AlignLeft};
constexpr Formato Nick{12, true, false, RichTextView::AlignLeft};
constexpr Formato Intestazione{10, false, true, RichTextView::AlignLeft};
constexpr Formato Messaggio{10, false, false, RichTextView::AlignLeft};

// Bounds against a hostile server, far beyond what a real room sends: 16 MB of text
// and 100,000 records. A reply that would draw more (a flood, or many records
// borrowing one huge later field) draws the records that fit and says so below them.
constexpr qsizetype MassimoCaratteri = 16 << 20;
constexpr qint64 MassimoRecord = 100000;

void inserisci(RichTextView *view, const Formato &formato, const QString &testo)
{
    view->setSelAlignment(formato.allineamento);
    view->setSelBold(formato.grassetto);
    view->setSelItalic(formato.corsivo);
    view->setSelFontSize(formato.punti);
    view->setSelFontName(Arial);
    view->insertText(testo);
}

void allaFine(RichTextView *view)
{
    view->setInsertionPoint(view->textLength());
}

// Hides the view while records are inserted and shows it again however the rebuild
// ends, with the newest text in view.
class Ricostruzione
{
public:
    explicit Ricostruzione(RichTextView *view)
        : m_view(view)
        , m_avevaFuoco(view->hasFocus())
    {
        m_view->hide();
    }
    ~Ricostruzione()
    {
        m_view->show();
        if (m_avevaFuoco)
            m_view->setFocus();
        allaFine(m_view);
    }
    Ricostruzione(const Ricostruzione &) = delete;
    Ricostruzione &operator=(const Ricostruzione &) = delete;

private:
    RichTextView *m_view;
    bool m_avevaFuoco;
};

} // namespace

Trascrizione::Trascrizione(RichTextView *view, QObject *parent)
    : QObject(parent)
    , m_view(view)
{
}

void Trascrizione::ElaboraRisposta(const QString &risposta)
{
    if (risposta == m_ultimaRisposta)
        return;
    m_ultimaRisposta = risposta;
    m_record.reset();

    if (!risposta.contains(RispostaChat::InizioDati)) {
        ScriviBanner(u"servizio non disponibile."_s);
        return;
    }
    if (risposta.contains(RispostaChat::NessunDato)) {
        ScriviBanner(u"NESSUN MESSAGGIO"_s);
        m_record.emplace();
        return;
    }
    disegnaRecord(risposta);
}

void Trascrizione::disegnaRecord(const QString &risposta)
{
    // Cleared once hidden: the view then lays the new text out in one go.
    const Ricostruzione ricostruzione(m_view);
    m_view->clear();
    QList<RecordChat> disegnati;
    RispostaChat lettore(risposta);
    const qint32 quanti = lettore.numero(RispostaChat::NumeroRecord, 0);
    qsizetype inizioRecord = 0; // later tags are looked for only from the current one on
    for (qint64 i = 1; i <= quanti; ++i) {
        const qsizetype tag = lettore.trovaRecord(i, inizioRecord);
        if (tag < 0)
            break;
        if (i > MassimoRecord)
            return segnalaTroncata(i - 1);
        inizioRecord = tag;
        RecordChat record;
        record.nick = lettore.campo(RispostaChat::Campo::Nick, inizioRecord);
        record.data = lettore.campo(RispostaChat::Campo::Data, inizioRecord);
        record.ip = lettore.campo(RispostaChat::Campo::Ip, inizioRecord);
        record.messaggio = lettore.campo(RispostaChat::Campo::Msg, inizioRecord);
        const qsizetype crescita = record.nick.size() + record.data.size() + record.ip.size()
                                 + record.messaggio.size();
        if (m_view->textLength() + crescita > MassimoCaratteri)
            return segnalaTroncata(i - 1);
        aggiungiRecord(record);
        disegnati.append(record);
    }
    m_record = std::move(disegnati);
}

void Trascrizione::segnalaTroncata(qint64 mostrati)
{
    allaFine(m_view);
    inserisci(m_view, Banner, CrLf + u"risposta troppo grande: mostrati solo i primi %1 messaggi."_s.arg(mostrati));
}

void Trascrizione::aggiungiRecord(const RecordChat &record)
{
    allaFine(m_view);
    inserisci(m_view, Etichetta, u"Nick /> "_s);
    inserisci(m_view, Nick, BlankText::trimmed(record.nick));
    allaFine(m_view);
    inserisci(m_view, Intestazione, CrLf + record.data + u' ' + record.ip + u" ha scritto:"_s);
    allaFine(m_view);
    inserisci(m_view, Messaggio, CrLf + record.messaggio + CrLf + CrLf);
}

void Trascrizione::ScriviBanner(const QString &testo)
{
    m_view->clear();
    inserisci(m_view, Banner, CrLf + testo);
}

QString Trascrizione::LeggiCampo(const QString &marcatore, const QString &testo)
{
    return RispostaChat::decodifica(RispostaChat::valoreGrezzo(marcatore, testo).toString());
}

qint32 Trascrizione::LeggiNumero(const QString &marcatore, const QString &testo)
{
    return RispostaChat::comeNumero(RispostaChat::valoreGrezzo(marcatore, testo));
}
