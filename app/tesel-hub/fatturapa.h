#pragma once
// What the Hub needs to know of a FatturaPA file (plain or signed): the other party and the
// document's data for the lists, its attachments, and the files it hands out (notifications
// of the exchange system, zip archives).

#include "archivio.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace tesel::hubserver {

struct FileHub {
    QString nome;
    QByteArray contenuto;
};

struct LetturaFattura {
    std::optional<Riepilogo> cedente;     // the document seen from the buyer: the supplier
    std::optional<Riepilogo> cessionario; // seen from the seller: the customer
    QByteArray xml;                       // the invoice without its signature envelope
    QList<FileHub> allegati;
    QString errore; // why the file is not a readable invoice; empty when it is
};

// Reads the first body of the invoice for the summary; a signed file is opened first.
LetturaFattura leggiFattura(const QString& nomeFile, const QByteArray& contenuto);

// The name of the XML inside a file name: "x.xml.p7m" gives "x.xml", "x.xml" stays.
QString nomeXml(const QString& nomeFile);

// A notification of the exchange system for a document that reached `stato` (delivery
// receipt for CO, rejection for SC, failed delivery for MC, outcome for RI/RC, undeliverable
// for NR); nothing for states that have none.
std::optional<FileHub> notifica(const DocumentoAttivo& d);

// A zip archive (stored, no compression) of the files, names made safe.
QByteArray zip(const QList<FileHub>& file);

// A name that cannot leave its folder: only its last path component, without control
// characters; "allegato" when nothing is left.
QString nomeSicuro(const QString& nome);

} // namespace tesel::hubserver
