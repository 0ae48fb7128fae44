#pragma once
// The received invoices the Hub holds for the company: the list (with whether each one is
// already in the received-invoice store) and the download of the chosen ones into the
// download folder, each downloaded XML optionally imported with the Hub's identifiers.
// Shared by the list form and tesel-cli; no window is opened here.

#include "frame/currency.h"
#include "hub/hubservizio.h"
#include "import/importazione.h"

#include <QDate>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tesel {
class Database;
class Interazione;
class ParametriAzienda;
} // namespace tesel

namespace tesel::hub {

// The separator of the fields of a list row kept as one text.
inline const QString SeparatoreRigaPassiva = QStringLiteral("&£^§ç°");

// One document of the Hub's list, its texts as the Hub sent them.
struct RigaPassiva {
    QString partitaIva;    // cedente/partitaIva/idCodice
    QString codiceFiscale; // cedente/codiceFiscale
    QString denominazione; // cedente/denominazione
    QString numero;        // fatture/numero
    QString data;          // fatture/data, year-month-day
    QString totale;        // fatture/totale, "." decimal point
    QString tipo;          // TD01 ...
    QString dataRicezione; // year-month-day, possibly with the time
    QString stato;         // fatture/stato
    QString divisa;
    QString allegati;     // "S" when the invoice carries attachments
    QString storicizzato; // "S" once downloaded
    QString destinatario; // addressee office code
    QString idHub;        // the Hub's identifier (attribute id)
    QString idSdi;        // identificativoSdi
    QString nomeFile;     // the name the Hub gives the file
    QString trasf;        // "Trasf.": the store's XmlNumRif with "-Contab." / "-Stampato", or "0"
    bool selezionata = false;

    // The row as one text, fields in the order above up to idSdi, joined by the separator.
    QString testo() const;
    // The total as money (zero when the Hub sent something that is not an amount).
    Currency importo() const;
    // dd/mm/yyyy of the invoice and of the reception; the Hub's text when it is not a date.
    QString dataFatturaTesto() const;
    QString dataRicezioneTesto() const;
    std::optional<QDate> dataRicezioneData() const;
};

// The rows of an ElencoPassive answer (the element "documenti"), keeping only the documents
// of `fornitore` (a VAT number) when it is not empty.
std::vector<RigaPassiva> righePassive(pugi::xml_node documenti, const QString& fornitore = {});

// "Trasf." of one Hub identifier, read from the store.
QString trasferimentoPassiva(Database& db, const QString& idHub);

struct RichiestaPassive {
    QDate dal, al;         // reception at the Hub, both included
    QString fornitore;     // supplier VAT number; empty: every supplier
    bool soloNuovi = true; // only documents not downloaded yet
    bool conTrasf = false; // fill "Trasf." from the store
};

struct ElencoPassive {
    bool riuscito = false;
    QString messaggio; // the Italian message when not riuscito
    std::vector<RigaPassiva> righe;
    Currency totale;
};

// Asks the Hub for the list: connection, the company's Hub identifier, ElencoPassive, the
// rows, the "Trasf." column. Messages as the list form shows them ("Non ci sono dati
// estratti", "Non ci sono documenti con i dati richiesti", the Hub's failures).
ElencoPassive ElencaPassive(HubServizio& hub, Database& db, const RichiestaPassive& richiesta);

struct OpzioniScarico {
    VarianteScarico variante = VarianteScarico::Originale;
    bool togliFirma = false;
    bool importa = false;  // import each downloaded ".xml"
    OpzioniImport opzioni; // the import's options
    QString cartella;      // the download folder, with a trailing "/"
};

// What happened to one document.
struct EsitoScarico {
    QString idHub;
    QString file; // the path written; empty when nothing was written
    bool scaricato = false;
    bool importato = false; // every body of the file imported
    int anno = 0;           // XmlAnno / XmlNumRif of the first body imported
    qint32 numRif = 0;
    bool ok = false; // written, digest matching and, when asked, imported
    QString errori;  // "\r\n" before each message; warnings of the import also when ok
};

struct RisultatoScarico {
    bool connesso = false;
    QString messaggio; // the connection failure
    bool interrotto = false;
    std::vector<EsitoScarico> documenti;
    QString caricate; // "\r\n" VAT number " - " date " - " number " - " XmlNumRif per invoice
    QString errori;   // every document's problems, in order
};

// Called before each document with the documents done and to do; false stops before it.
using AvanzamentoScarico = std::function<bool(int fatti, int totale, const RigaPassiva& riga)>;

// Downloads `righe` (every row given, in order) within one Hub session and, when asked,
// imports each downloaded ".xml" with the row's Hub identifier, identificativoSdi and
// reception date. A file whose digest is not the Hub's is saved but never imported. One
// document's failure never stops the others.
RisultatoScarico ScaricaPassive(HubServizio& hub, Database& db, Interazione& ui, ParametriAzienda& parametri,
                                const std::vector<RigaPassiva>& righe, const OpzioniScarico& opzioni,
                                const AvanzamentoScarico& avanzamento = {});

// The name a downloaded file gets in the download folder: the Hub's name without any folder
// part, or (none usable) the invoice number with "/" and "\" made "_" and ".xml" added.
QString nomeFileScaricato(const QString& nomeHub, const QString& numero);

} // namespace tesel::hub
