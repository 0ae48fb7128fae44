#pragma once
// Files the Hub hands out (issued documents with their notifications, received invoices):
// the download folder, the decoding of one "file" element with its digest check, and the
// write into the folder under a name that cannot leave it. Shared by both Hub lists.

#include <QByteArray>
#include <QString>
#include <pugixml.hpp>

namespace tesel {
class Configurazione;
}

namespace tesel::hub {

// The folder downloads go to: "DirFeScar" of section "Base", else "DirFe", else "DirCarica";
// a relative folder is taken below "DriveDb", the company's template ("DirPerAzie") is
// applied, and the folder is created. Always ends with "/". Empty when none is set.
QString CartellaScarico(Configurazione& configurazione);

// One "file" of a Hub answer, decoded.
struct FileHubScaricato {
    QString nome;              // as the Hub sent it
    QByteArray contenuto;      // the decoded bytes
    QString sha256;            // the digest the Hub declared
    bool decodificato = false; // false: "base64" missing or not Base64
    bool improntaOk = false;   // the declared digest matches the bytes (any case)
};
FileHubScaricato LeggiFileHub(pugi::xml_node file);

// The last component of a name from the Hub, without control characters and path
// separators; `riserva` when nothing usable is left ("", ".", "..").
QString NomeFileSicuro(const QString& nome, const QString& riserva);

// Writes `contenuto` as `cartella` + `nome` (replacing a file of that name). False with
// `errore` set when the file cannot be written; a half-written file is removed.
bool ScriviFileScaricato(const QString& cartella, const QString& nome, const QByteArray& contenuto,
                         QString* errore);

} // namespace tesel::hub
