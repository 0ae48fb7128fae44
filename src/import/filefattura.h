#pragma once
// Reading an invoice file that nobody vouches for: a FIFO, a device or a directory named
// ".xml", a file of hundreds of megabytes, bytes that are not the text they claim to be.
// Each is refused with a message before it can hang the batch or fill the memory.

#include <QByteArray>
#include <QString>
#include <optional>
#include <pugixml.hpp>

namespace tesel {

// The largest invoice file read. The exchange system refuses files far smaller than this;
// a file beyond it is a mistake or an attack, and the import holds a small multiple of the
// file in memory.
constexpr qint64 DimensioneMassimaFattura = 64LL * 1024 * 1024;

struct LetturaFattura {
    std::optional<QByteArray> dati;
    QString errore; // without the file's name: " è una cartella, non un file"
};

// The bytes of a regular file of at most `limite` bytes. Never blocks on a FIFO or a device.
LetturaFattura leggiFileFattura(const QString& percorso, qint64 limite = DimensioneMassimaFattura);

// Where the bytes of an XML document stop being valid in the encoding the parser will read
// them with: the byte offset of the first invalid UTF-8 sequence of a document read as
// UTF-8, or nothing. Documents read through a code page or as UTF-16/32 never qualify.
std::optional<qsizetype> byteNonValido(const QByteArray& dati);

// The message for such a byte: its line and the element it stands in.
QString descriviByteNonValido(const QByteArray& dati, qsizetype posizione);

// Loads an invoice file (.xml, or a signed .xml.p7m) into `doc` with every check above, the
// signed envelope opened and the euro sign repaired. On failure `errore` is the whole message,
// "File: " name first.
bool caricaDocumentoFattura(const QString& percorso, pugi::xml_document& doc, QString& errore);

// A value quoted in a message: at most a few hundred characters, and the length of the rest.
QString citaValore(const QString& valore);

} // namespace tesel
