#pragma once

#include "RecordChat.h"

#include <QList>
#include <QObject>
#include <QString>
#include <exception>
#include <optional>

class RichTextView;

// The transcript of a room: turns each reply of the chat service into the text of a
// RichTextView. A reply that only adds records after those shown (dropping, at most,
// some of the oldest, as a full room does) appends them, so that the reader keeps
// their place and selection; any other change rebuilds the text whole.
// Owned by the main window, which decides when to call it and reports its errors.
class Trascrizione : public QObject
{
    Q_OBJECT

public:
    explicit Trascrizione(RichTextView *view, QObject *parent = nullptr);

    // Draws a reply. Throws RuntimeError 9001 (unknown reply), 5 (field not closed),
    // 13 (count not a number) or 6 (count too large); the records drawn before stay,
    // and the view is visible afterwards. Beyond 100,000 records or 16 MB of text it
    // draws what fits and a line that says so.
    void ElaboraRisposta(const QString &risposta);

    QString UltimaRisposta() const { return m_ultimaRisposta.value_or(QString()); }
    // The records of the last reply drawn whole; none when it was no room page
    // (service unavailable), could not be read to the end or was too large to draw.
    const std::optional<QList<RecordChat>> &RecordMostrati() const { return m_record; }
    // Makes the next reply draw even when it equals the last one, the empty reply included.
    void AzzeraUltimaRisposta() { m_ultimaRisposta.reset(); }

    // Clears the view and writes CR LF and testo centred, in bold 12 pt "Arial".
    // The next reply is then drawn whole.
    void ScriviBanner(const QString &testo);

    // The field after marcatore in testo, trimmed of blanks and decoded.
    static QString LeggiCampo(const QString &marcatore, const QString &testo);
    // The field after marcatore in testo as a 32-bit number.
    static qint32 LeggiNumero(const QString &marcatore, const QString &testo);

private:
    // The records of a reply, read before anything is drawn.
    struct Lettura
    {
        QList<RecordChat> record;
        qint64 troncata = -1;          // records that fit, when the rest is left out
        std::exception_ptr errore;     // what stopped the reading, after the records read
        bool completa() const { return troncata < 0 && !errore; }
    };
    static Lettura leggi(const QString &risposta);
    // How many of the records shown go at the top when dopo continues them; none
    // when dopo changes or reorders them.
    static std::optional<qsizetype> continuazione(const QList<RecordChat> &prima, const QList<RecordChat> &dopo);
    void ridisegna(const Lettura &lettura);
    void prosegui(qsizetype tolti, const QList<RecordChat> &nuovi);
    void aggiungiRecord(const RecordChat &record);
    // The banner line under the records that fitted.
    void segnalaTroncata(qint64 mostrati);

    RichTextView *m_view;
    // Empty until a reply is drawn: an empty body must still show its banner.
    std::optional<QString> m_ultimaRisposta;
    std::optional<QList<RecordChat>> m_record;
    // Where each record shown starts in the view, while m_record holds them.
    QList<int> m_inizi;
};
