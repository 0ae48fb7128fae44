#include "import/filefattura.h"

#include "frame/testoxml.h"
#include "import/firma.h"
#include "import/lettorexml.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tesel {

namespace {

constexpr qsizetype MassimoCitato = 200;

QString megabyte(qint64 byte) {
    return QString::number((byte + 1024 * 1024 - 1) / (1024 * 1024));
}

// Closes the descriptor on every path.
struct Descrittore {
    int fd;
    ~Descrittore() {
        if (fd >= 0)
            ::close(fd);
    }
};

// Length of the valid UTF-8 sequence at `p`, or 0 (overlong forms, surrogates and code points
// above U+10FFFF are not valid).
int sequenzaUtf8(const unsigned char* p, const unsigned char* fine) {
    const unsigned char c = p[0];
    if (c < 0x80)
        return 1;
    int n;
    unsigned minimo;
    unsigned cp;
    if ((c & 0xE0) == 0xC0) {
        n = 2, minimo = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        n = 3, minimo = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        n = 4, minimo = 0x10000, cp = c & 0x07;
    } else
        return 0;
    if (fine - p < n)
        return 0;
    for (int i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (cp < minimo || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return 0;
    return n;
}

// The encoding named by the XML declaration, in lower case; empty when none.
QByteArray codificaDichiarata(const QByteArray& dati) {
    if (!dati.startsWith("<?xml"))
        return {};
    const qsizetype fine = dati.indexOf("?>");
    if (fine < 0)
        return {};
    // One for each thread: the read-ahead loads files beside the batch's own thread.
    static thread_local const QRegularExpression re(QStringLiteral("encoding\\s*=\\s*[\"']([^\"']*)[\"']"));
    const QRegularExpressionMatch m = re.match(QString::fromLatin1(dati.left(fine)));
    return m.hasMatch() ? m.captured(1).toLatin1().toLower() : QByteArray();
}

} // namespace

LetturaFattura leggiFileFattura(const QString& percorso, qint64 limite) {
    LetturaFattura r;
    // Non-blocking, so that opening a FIFO nobody writes to returns at once.
    Descrittore d{
        ::open(QFile::encodeName(percorso).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    if (d.fd < 0) {
        r.errore = QStringLiteral(" non leggibile: ") + QString::fromLocal8Bit(std::strerror(errno));
        return r;
    }
    struct stat st {};
    if (::fstat(d.fd, &st) != 0) {
        r.errore = QStringLiteral(" non leggibile: ") + QString::fromLocal8Bit(std::strerror(errno));
        return r;
    }
    if (S_ISDIR(st.st_mode)) {
        r.errore = QStringLiteral(" è una cartella, non un file: non caricato");
        return r;
    }
    if (!S_ISREG(st.st_mode)) {
        r.errore = QStringLiteral(" non è un file ordinario (dispositivo, FIFO o socket): non caricato");
        return r;
    }
    const auto troppoGrande = [&](qint64 dimensione) {
        r.errore = QStringLiteral(" troppo grande (%1 MB, il massimo è %2 MB): non caricato")
                       .arg(megabyte(dimensione), megabyte(limite));
    };
    if (st.st_size > limite) {
        troppoGrande(st.st_size);
        return r;
    }
    // The file may grow while it is read: never more than the limit is kept.
    QByteArray dati;
    dati.resize(static_cast<qsizetype>(st.st_size) + 1);
    qsizetype letti = 0;
    for (;;) {
        if (letti == dati.size()) {
            if (dati.size() > limite) {
                troppoGrande(dati.size());
                return r;
            }
            dati.resize(std::min<qsizetype>(dati.size() * 2, limite + 1));
        }
        const ssize_t n = ::read(d.fd, dati.data() + letti, static_cast<size_t>(dati.size() - letti));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            r.errore = QStringLiteral(" non leggibile: ") + QString::fromLocal8Bit(std::strerror(errno));
            return r;
        }
        if (n == 0)
            break;
        letti += n;
    }
    if (letti > limite) {
        troppoGrande(letti);
        return r;
    }
    dati.truncate(letti);
    r.dati = std::move(dati);
    return r;
}

std::optional<qsizetype> byteNonValido(const QByteArray& dati) {
    // UTF-16 and UTF-32 (with a BOM or by their zero bytes) are the parser's to check.
    if (dati.startsWith("\xFF\xFE") || dati.startsWith("\xFE\xFF") ||
        dati.startsWith(QByteArray("\0\0", 2)) || (dati.size() > 1 && (dati[0] == 0 || dati[1] == 0)))
        return std::nullopt;
    const auto* inizio = reinterpret_cast<const unsigned char*>(dati.constData());
    const auto* fine = inizio + dati.size();
    for (const unsigned char* p = inizio; p < fine;) {
        // Plain ASCII, the most of any invoice, eight bytes at a time.
        while (fine - p >= 8) {
            std::uint64_t otto;
            std::memcpy(&otto, p, sizeof otto);
            if (otto & 0x8080808080808080ULL)
                break;
            p += 8;
        }
        if (p == fine)
            break;
        const int n = sequenzaUtf8(p, fine);
        if (n > 0) {
            p += n;
            continue;
        }
        // Not UTF-8: fine for a document that declares a code page, which is decoded through it.
        const QByteArray codifica = codificaDichiarata(dati);
        if (!codifica.isEmpty() && !codifica.startsWith("utf") && codifica != "us-ascii" &&
            codifica != "ascii")
            return std::nullopt;
        return p - inizio;
    }
    return std::nullopt;
}

QString descriviByteNonValido(const QByteArray& dati, qsizetype posizione) {
    const QByteArray prima = dati.left(posizione);
    const qsizetype riga = prima.count('\n') + 1;
    // The element whose text holds the byte: the last tag opened before it.
    QString elemento;
    for (qsizetype i = prima.lastIndexOf('<'); i >= 0; i = i > 0 ? prima.lastIndexOf('<', i - 1) : -1) {
        if (i + 1 < prima.size() && (prima[i + 1] == '/' || prima[i + 1] == '?' || prima[i + 1] == '!'))
            continue;
        qsizetype j = i + 1;
        while (j < prima.size() && prima[j] != '>' && prima[j] != ' ' && prima[j] != '\t' &&
               prima[j] != '\r' && prima[j] != '\n' && prima[j] != '/')
            ++j;
        elemento = QString::fromUtf8(prima.mid(i + 1, j - i - 1));
        elemento = elemento.section(u':', -1);
        break;
    }
    QString testo =
        QStringLiteral(" contiene testo non valido nella sua codifica (UTF-8) alla riga %1").arg(riga);
    if (!elemento.isEmpty())
        testo += QStringLiteral(", elemento ") + citaValore(elemento);
    return testo + QStringLiteral(": non caricato");
}

bool caricaDocumentoFattura(const QString& percorso, pugi::xml_document& doc, QString& errore,
                            qint64* dimensione) {
    const QString nome = QFileInfo(percorso).fileName();
    LetturaFattura lettura = leggiFileFattura(percorso);
    if (!lettura.dati) {
        errore = QStringLiteral("File: ") + nome + lettura.errore;
        return false;
    }
    QByteArray dati = std::move(*lettura.dati);
    if (dimensione)
        *dimensione = dati.size();
    if (sembraFirmato(percorso, dati.left(BytesInizioFirmato))) {
        ContenutoFirmato busta = estraiXmlFirmato(dati);
        if (!busta.xml) {
            errore = QStringLiteral("File: ") + nome + u' ' + busta.errore;
            return false;
        }
        dati = std::move(*busta.xml);
    }
    correggiEuro(dati);
    // Bytes that are not the text they claim to be would be stored as replacement marks
    // without a word: the file is refused, naming where.
    if (const std::optional<qsizetype> nonValido = byteNonValido(dati)) {
        errore = QStringLiteral("File: ") + nome + descriviByteNonValido(dati, *nonValido);
        return false;
    }
    QString motivo;
    if (!caricaXml(doc, dati, &motivo)) {
        errore = QStringLiteral("File: ") + nome + QStringLiteral(" XML non valido: ") + motivo;
        return false;
    }
    return true;
}

namespace {
// What the read-ahead keeps waiting at most: files and megabytes.
constexpr size_t MassimoFileAnticipati = 32;
constexpr qint64 MassimoByteAnticipati = 8LL * 1024 * 1024;
} // namespace

LetturaAnticipata::LetturaAnticipata(QStringList percorsi)
    : percorsi_(std::move(percorsi)), filo_([this] { leggi(); }) {
}

LetturaAnticipata::~LetturaAnticipata() {
    {
        const std::lock_guard<std::mutex> blocco(mutex_);
        fine_ = true;
    }
    spazio_.notify_one();
    filo_.join();
}

void LetturaAnticipata::leggi() {
    for (const QString& percorso : percorsi_) {
        {
            std::unique_lock<std::mutex> blocco(mutex_);
            // Once full, it waits until half is taken: waking for every file taken would cost
            // the two threads a switch each per file.
            if (pronti_.size() >= MassimoFileAnticipati || byteInAttesa_ >= MassimoByteAnticipati) {
                inAttesaDiSpazio_ = true;
                spazio_.wait(blocco, [&] { return fine_ || !inAttesaDiSpazio_; });
            }
            if (fine_)
                return;
        }
        DocumentoFattura d;
        try {
            d.doc = std::make_unique<pugi::xml_document>();
            if (!caricaDocumentoFattura(percorso, *d.doc, d.errore, &d.dimensione))
                d.doc.reset();
        } catch (...) {
            d.doc.reset();
            d.eccezione = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> blocco(mutex_);
            byteInAttesa_ += d.dimensione;
            pronti_.push_back(std::move(d));
        }
        pronto_.notify_one();
    }
}

DocumentoFattura LetturaAnticipata::prendi() {
    if (presi_ >= percorsi_.size())
        throw std::logic_error("LetturaAnticipata: nessun altro file da prendere");
    ++presi_;
    std::unique_lock<std::mutex> blocco(mutex_);
    pronto_.wait(blocco, [&] { return !pronti_.empty(); });
    DocumentoFattura d = std::move(pronti_.front());
    pronti_.pop_front();
    byteInAttesa_ -= d.dimensione;
    if (inAttesaDiSpazio_ && pronti_.size() <= MassimoFileAnticipati / 2 &&
        byteInAttesa_ <= MassimoByteAnticipati / 2) {
        inAttesaDiSpazio_ = false;
        blocco.unlock();
        spazio_.notify_one();
    }
    return d;
}

QString citaValore(const QString& valore) {
    if (valore.size() <= MassimoCitato)
        return valore;
    return valore.left(MassimoCitato) +
           QStringLiteral("... (altri %1 caratteri)").arg(valore.size() - MassimoCitato);
}

} // namespace tesel
