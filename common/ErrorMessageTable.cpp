#include "ErrorMessageTable.h"

#include <QHash>

using namespace Qt::StringLiterals;

namespace {
const QHash<qint32, QString> &italianTable()
{
    static const QHash<qint32, QString> table{
        {3, u"Return senza GoSub"_s},
        {5, u"Chiamata di routine o argomento non valido"_s},
        {6, u"Overflow"_s},
        {7, u"Memoria esaurita"_s},
        {9, u"Indice non compreso nell'intervallo"_s},
        {10, u"Questa matrice è fissa o temporaneamente bloccata "_s},
        {11, u"Divisione per zero"_s},
        {13, u"Tipo non corrispondente"_s},
        {14, u"Spazio stringa esaurito"_s},
        {16, u"Espressione troppo complessa"_s},
        {17, u"Impossibile eseguire l'operazione richiesta"_s},
        {18, u"Interruzione dell'utente"_s},
        {20, u"Resume senza Error"_s},
        {28, u"Spazio dello stack esaurito"_s},
        {35, u"Sub o Function non definita"_s},
        {47, u"Troppe applicazioni client DLL"_s},
        {48, u"Errore di caricamento DLL"_s},
        {49, u"Convenzione di chiamata DLL non valida"_s},
        {51, u"Errore interno"_s},
        {52, u"Nome o numero di file non valido"_s},
        {53, u"Impossibile trovare il file"_s},
        {54, u"Modalità file non valida"_s},
        {55, u"File già aperto"_s},
        {57, u"Errore di I/O periferica"_s},
        {58, u"File già esistente"_s},
        {59, u"Lunghezza del record non valida"_s},
        {61, u"Disco pieno"_s},
        {62, u"Input oltre la fine del file"_s},
        {63, u"Numero di record non valido"_s},
        {67, u"Troppi file"_s},
        {68, u"Periferica non disponibile"_s},
        {70, u"Autorizzazione negata"_s},
        {71, u"Disco non pronto"_s},
        {74, u"Impossibile rinominare con unità diversa"_s},
        {75, u"Errore di accesso al percorso/file"_s},
        {76, u"Impossibile trovare il percorso "_s},
        {91, u"Variabile oggetto o variabile del blocco With non impostata"_s},
        {92, u"Ciclo For non inizializzato"_s},
        {93, u"Stringa campione non valida"_s},
        {94, u"Utilizzo non valido di Null"_s},
        {96, u"Impossibile elaborare gli eventi dell'oggetto perché l'oggetto sta già generando eventi per il numero massimo di riceventi supportato"_s},
        {97, u"Impossibile richiamare la funzione Friend per un oggetto che non è un'istanza della classe di definizione"_s},
        {98, u"Una chiamata a una proprietà o a un metodo non può includere un riferimento a un oggetto privato, né come argomento né come valore restituito"_s},
        {321, u"Formato di file non valido"_s},
        {322, u"Impossibile creare il file temporaneo necessario"_s},
        {325, u"Formato non valido nel file di risorse"_s},
        {380, u"Valore di proprietà non valido"_s},
        {381, u"Indice della matrice di proprietà non valido"_s},
        {382, u"Set non supportata in fase di esecuzione"_s},
        {383, u"Set non supportata (proprietà di sola lettura)"_s},
        {385, u"Necessario indice della matrice di proprietà"_s},
        {387, u"Set non ammessa"_s},
        {393, u"Get non supportata in fase di esecuzione"_s},
        {394, u"Get non supportata (proprietà di sola scrittura)"_s},
        {422, u"Impossibile trovare la proprietà"_s},
        {423, u"Impossibile trovare proprietà o metodo"_s},
        {424, u"Necessario oggetto"_s},
        {429, u"Il componente ActiveX non può creare l'oggetto"_s},
        {430, u"La classe non supporta l'automazione o l'interfaccia prevista."_s},
        {432, u"Impossibile trovare nome di file o nome di classe durante un'operazione di automazione"_s},
        {438, u"Proprietà o metodo non supportati dall'oggetto"_s},
        {440, u"Errore di automazione"_s},
        {442, u"Il collegamento alla libreria dei tipi o alla libreria degli oggetti per il processo remoto non è più disponibile. Scegliere OK per rimuovere il riferimento."_s},
        {443, u"L'oggetto di automazione non ha un valore predefinito"_s},
        {445, u"Azione non valida per l'oggetto"_s},
        {446, u"L'oggetto non supporta argomenti predefiniti"_s},
        {447, u"L'oggetto non supporta le impostazioni internazionali correnti"_s},
        {448, u"Impossibile trovare argomento predefinito"_s},
        {449, u"Argomento non facoltativo"_s},
        {450, u"Numero errato di argomenti o assegnazione di proprietà non valida"_s},
        {451, u"La routine Property Let non è stata definita e la routine Property Get non ha restituito un oggetto"_s},
        {452, u"Ordinale non valido"_s},
        {453, u"Impossibile trovare nella DLL la funzione specificata"_s},
        {454, u"Impossibile trovare la risorsa codice"_s},
        {455, u"Errore di blocco risorsa codice"_s},
        {457, u"Questa chiave è già associata ad un elemento dell'insieme"_s},
        {458, u"La variabile utilizza un tipo di automazione non supportato in Visual Basic"_s},
        {459, u"L'oggetto o la classe non supporta il gruppo di eventi"_s},
        {460, u"Formato degli Appunti non valido"_s},
        {461, u"Impossibile trovare il metodo o il membro dei dati"_s},
        {462, u"Il computer server remoto non esiste o non è disponibile."_s},
        {463, u"Classe non registrata nel computer locale."_s},
        {481, u"Immagine non valida"_s},
        {482, u"Errore della stampante"_s},
        {735, u"Impossibile salvare il file in TEMP"_s},
        {744, u"Impossibile trovare il testo di ricerca"_s},
        {746, u"Sostituzioni troppo lunghe"_s},
    };
    return table;
}
} // namespace

std::optional<QString> ErrorMessageTable::italianText(qint32 number)
{
    const auto &table = italianTable();
    const auto it = table.constFind(number);
    if (it == table.constEnd())
        return std::nullopt;
    return *it;
}

QString ErrorMessageTable::runtimeDescription(qint32 number)
{
    switch (number) {
    case 0:
        return {};
    case 1009:
        return u"Il server è occupato..."_s;
    case 4566:
        return u"nessuna risposta."_s;
    case 9001:
        return u"Protocollo di comunicazione non riconosciuto."_s;
    default:
        break;
    }
    return italianText(number).value_or(u"Errore definito dall'applicazione o dall'oggetto"_s);
}
