#pragma once
// Reading an invoice file that nobody vouches for: a FIFO, a device or a directory named
// ".xml", a file of hundreds of megabytes, bytes that are not the text they claim to be.
// Each is refused with a message before it can hang the batch or fill the memory.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <pugixml.hpp>
#include <thread>

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
// `dimensione`, when given, gets the bytes read from the file.
bool caricaDocumentoFattura(const QString& percorso, pugi::xml_document& doc, QString& errore,
                            qint64* dimensione = nullptr);

// An invoice file as caricaDocumentoFattura leaves it.
struct DocumentoFattura {
    std::unique_ptr<pugi::xml_document> doc; // null when the file was not loaded
    QString errore;
    std::exception_ptr eccezione; // what loading threw, given back to the one who takes it
    qint64 dimensione = 0;
};

// Loads the files of a batch, in their order, on a thread of its own a little ahead of the
// file being stored: reading and parsing need no database, and the batch's own thread spent
// a tenth of its time there. At most 32 files or 8 MB of files wait (and one file however
// large), so a file is read shortly before its turn and large files do not fill the memory.
class LetturaAnticipata {
public:
    explicit LetturaAnticipata(QStringList percorsi);
    ~LetturaAnticipata(); // stops reading and waits for the thread
    LetturaAnticipata(const LetturaAnticipata&) = delete;
    LetturaAnticipata& operator=(const LetturaAnticipata&) = delete;

    // The next file's document: the files are taken in their order, each once (asking past
    // the last one is a fault of the caller, and throws).
    DocumentoFattura prendi();

private:
    void leggi();

    const QStringList percorsi_;
    std::mutex mutex_;
    std::condition_variable pronto_, spazio_;
    std::deque<DocumentoFattura> pronti_;
    qint64 byteInAttesa_ = 0;
    qsizetype presi_ = 0; // touched by the taker only
    bool inAttesaDiSpazio_ = false;
    bool fine_ = false;
    std::thread filo_;
};

// A value quoted in a message: at most a few hundred characters, and the length of the rest.
QString citaValore(const QString& valore);

} // namespace tesel
