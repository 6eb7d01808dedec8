#pragma once

#include "RecordChat.h"

#include <QList>
#include <QObject>
#include <QString>
#include <optional>

class RichTextView;

// The transcript of a room: turns each reply of the chat service into the text of a
// RichTextView, rebuilding it whole when the reply differs from the last one.
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
    void ScriviBanner(const QString &testo);

    // The field after marcatore in testo, trimmed of blanks and decoded.
    static QString LeggiCampo(const QString &marcatore, const QString &testo);
    // The field after marcatore in testo as a 32-bit number.
    static qint32 LeggiNumero(const QString &marcatore, const QString &testo);

private:
    void disegnaRecord(const QString &risposta);
    void aggiungiRecord(const RecordChat &record);
    // The banner line under the records that fitted.
    void segnalaTroncata(qint64 mostrati);

    RichTextView *m_view;
    // Empty until a reply is drawn: an empty body must still show its banner.
    std::optional<QString> m_ultimaRisposta;
    std::optional<QList<RecordChat>> m_record;
};
