#pragma once

#include "ForwardSearch.h"

#include <QString>
#include <array>

// One reply of the chat service, read the way the transcript needs it: markers,
// fields closed by the field end, the record count and the record tags.
// Field searches share their work across records, so reading every record of a
// reply costs time in proportion to the reply, even where a record borrows a
// field of a later one.
class RispostaChat
{
public:
    enum class Campo { Nick, Data, Ip, Msg };

    static const QString InizioDati;   // "<!-- CHAT INIZIO DATA -->"
    static const QString NessunDato;   // "<!-- NO DATA -->"
    static const QString NumeroRecord; // "<!-- REC -->"
    static const QString FineCampo;    // "<!-- /0 -->"

    // The reply must outlive the reader.
    explicit RispostaChat(QStringView risposta);

    bool contiene(QStringView marcatore) const { return m_risposta.contains(marcatore); }

    // The field after marcatore, searched from position da: trimmed of blanks and decoded.
    // Throws RuntimeError 9001 without the marker, 5 without the field end.
    QString campo(Campo campo, qsizetype da);
    // The field after marcatore as a 32-bit number. Throws as campo(), and 13 when
    // it is not a number, 6 when it does not fit.
    qint32 numero(QStringView marcatore, qsizetype da) const;

    // Where the tag of record i starts, searching from da; -1 when it is not there.
    qsizetype trovaRecord(qint64 i, qsizetype da) const;

    static QString tagRecord(qint64 i);
    // The mark-up the service puts into field values, turned back into text.
    static QString decodifica(QString valore);
    // The field after marcatore in testo, undecoded, with the errors of campo().
    static QStringView valoreGrezzo(QStringView marcatore, QStringView testo);
    static qint32 comeNumero(QStringView valore);

private:
    struct Lettura
    {
        Lettura(QStringView risposta, const QString &campo);

        ForwardSearch marcatore;
        ForwardSearch fine;
        qsizetype ultimoMarcatore = -1;
        QString ultimoValore;
    };

    QStringView m_risposta;
    std::array<Lettura, 4> m_campi;
};
