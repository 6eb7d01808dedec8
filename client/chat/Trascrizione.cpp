#include "Trascrizione.h"

#include "BlankText.h"
#include "RichTextView.h"
#include "RispostaChat.h"
#include "RuntimeError.h"

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
// What a record adds to its fields: the label, the header's words and the line breaks.
constexpr qsizetype CornicePerRecord = 25;
constexpr qsizetype MassimoTolti = 64;

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
    const std::optional<QList<RecordChat>> prima = std::exchange(m_record, std::nullopt);

    if (!risposta.contains(RispostaChat::InizioDati)) {
        ScriviBanner(u"servizio non disponibile."_s);
        return;
    }
    if (risposta.contains(RispostaChat::NessunDato)) {
        ScriviBanner(u"NESSUN MESSAGGIO"_s);
        m_record.emplace();
        return;
    }
    Lettura lettura = leggi(risposta);
    const std::optional<qsizetype> tolti =
        lettura.completa() && prima ? continuazione(*prima, lettura.record) : std::nullopt;
    if (tolti)
        prosegui(*tolti, lettura.record.sliced(prima->size() - *tolti));
    else
        ridisegna(lettura);
    if (lettura.errore)
        std::rethrow_exception(lettura.errore);
    if (lettura.completa())
        m_record = std::move(lettura.record);
}

Trascrizione::Lettura Trascrizione::leggi(const QString &risposta)
{
    Lettura lettura;
    try {
        RispostaChat lettore(risposta);
        const qint32 quanti = lettore.numero(RispostaChat::NumeroRecord, 0);
        qsizetype inizioRecord = 0; // later tags are looked for only from the current one on
        qsizetype caratteri = 0;
        for (qint64 i = 1; i <= quanti; ++i) {
            const qsizetype tag = lettore.trovaRecord(i, inizioRecord);
            if (tag < 0)
                break;
            inizioRecord = tag;
            RecordChat record;
            record.nick = lettore.campo(RispostaChat::Campo::Nick, inizioRecord);
            record.data = lettore.campo(RispostaChat::Campo::Data, inizioRecord);
            record.ip = lettore.campo(RispostaChat::Campo::Ip, inizioRecord);
            record.messaggio = lettore.campo(RispostaChat::Campo::Msg, inizioRecord);
            caratteri += record.nick.size() + record.data.size() + record.ip.size() + record.messaggio.size()
                       + CornicePerRecord;
            if (i > MassimoRecord || caratteri > MassimoCaratteri) {
                lettura.troncata = i - 1;
                break;
            }
            lettura.record.append(std::move(record));
        }
    } catch (const RuntimeError &) {
        lettura.errore = std::current_exception();
    }
    return lettura;
}

std::optional<qsizetype> Trascrizione::continuazione(const QList<RecordChat> &prima, const QList<RecordChat> &dopo)
{
    // A room drops its oldest records as new ones come; beyond a few the text is
    // as well drawn anew, and the search stays short on a hostile reply.
    const qsizetype massimo = std::min<qsizetype>(prima.size(), MassimoTolti);
    for (qsizetype tolti = 0; tolti < massimo; ++tolti) {
        const qsizetype restano = prima.size() - tolti;
        if (dopo.size() >= restano && std::equal(prima.cbegin() + tolti, prima.cend(), dopo.cbegin()))
            return tolti;
    }
    return std::nullopt;
}

void Trascrizione::ridisegna(const Lettura &lettura)
{
    // Cleared once hidden: the view then lays the new text out in one go.
    const Ricostruzione ricostruzione(m_view);
    m_view->clear();
    m_inizi.clear();
    for (const RecordChat &record : lettura.record)
        aggiungiRecord(record);
    if (lettura.troncata >= 0)
        segnalaTroncata(lettura.troncata);
}

void Trascrizione::prosegui(qsizetype tolti, const QList<RecordChat> &nuovi)
{
    const int taglio = tolti < m_inizi.size() ? m_inizi.at(tolti) : m_view->textLength();
    m_inizi.remove(0, tolti);
    for (int &inizio : m_inizi)
        inizio -= taglio;
    m_view->beginAppend(taglio);
    for (const RecordChat &record : nuovi)
        aggiungiRecord(record);
    m_view->endAppend();
}

void Trascrizione::segnalaTroncata(qint64 mostrati)
{
    allaFine(m_view);
    inserisci(m_view, Banner, CrLf + u"risposta troppo grande: mostrati solo i primi %1 messaggi."_s.arg(mostrati));
}

void Trascrizione::aggiungiRecord(const RecordChat &record)
{
    allaFine(m_view);
    m_inizi.append(m_view->insertionPoint());
    inserisci(m_view, Etichetta, u"Nick /> "_s);
    inserisci(m_view, Nick, BlankText::trimmed(record.nick));
    allaFine(m_view);
    inserisci(m_view, Intestazione, CrLf + record.data + u' ' + record.ip + u" ha scritto:"_s);
    allaFine(m_view);
    inserisci(m_view, Messaggio, CrLf + record.messaggio + CrLf + CrLf);
}

void Trascrizione::ScriviBanner(const QString &testo)
{
    m_record.reset();
    m_inizi.clear();
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
