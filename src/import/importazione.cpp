#include "import/importazione.h"

#include "frame/configurazione.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/serializzazione.h"
#include "frame/sqlvalore.h"
#include "frame/testoxml.h"
#include "import/filefattura.h"
#include "import/firma.h"
#include "import/lettorefattura.h"
#include "schema/schema.h"
#include "store/store.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <algorithm>
#include <exception>
#include <memory>
#include <optional>

namespace tesel {

namespace {

constexpr int MassimoTentativi = 20;
// The most files, and the longest time, a group of files committed together holds.
constexpr int MassimoFileInsieme = 200;
constexpr qint64 MassimoMsInsieme = 500;
// Times a file is done again after losing its key to another workstation's commit.
constexpr int MassimoTentativiFile = 5;

QString testoErrore(int numero, const QString& descrizione) {
    return AcapoErr + QStringLiteral("Errore(%1): %2").arg(numero).arg(descrizione);
}

bool nomeContiene(pugi::xml_node n, QLatin1String parte) {
    return n.type() == pugi::node_element && NomeNodo(n).contains(parte, Qt::CaseInsensitive);
}

// An element the store has no column for (a newer layout, a vendor's own element) is
// reported and skipped: the rest of the invoice is still worth having.
void segnalaNonPrevisto(const QString& colonna, const QVariant& valore, TestoErrori& errori) {
    if (!RigaFattura::comeQt(valore).toString().trimmed().isEmpty())
        errori.aggiungi(QStringLiteral("Tag ") + colonna +
                        QStringLiteral(" non previsto: valore non caricato"));
}

// A text longer than its column (an ABI of six characters) would make the whole file fail on
// a server that enforces sizes and pass on one that does not: it is cut to the column on
// every engine, and the report says so. `lunghezza` is the most characters the column holds,
// 0 for no limit.
// A text the reader left in the file is bound from there on a database file, when it fits;
// elsewhere it becomes a QString first.
void adattaAllaColonna(const QString& colonna, QVariant& valore, int lunghezza, QStringList& avvisi,
                       bool testiNelFile) {
    if (valore.metaType() == QMetaType::fromType<TestoAscii>()) {
        const TestoAscii& t = *static_cast<const TestoAscii*>(valore.constData());
        if (testiNelFile && (lunghezza <= 0 || t.lunghezza <= lunghezza))
            return;
        valore = t.testo();
    }
    if (lunghezza <= 0 || valore.metaType().id() != QMetaType::QString)
        return;
    const QString& testo = *static_cast<const QString*>(valore.constData());
    if (testo.size() <= lunghezza)
        return;
    avvisi << (QStringLiteral("Tag ") + colonna +
               QStringLiteral(" troncato a %1 caratteri: ").arg(lunghezza) + citaValore(testo));
    valore = testo.left(lunghezza);
}

// What a duplicate check reads of a stored invoice.
const QLatin1String
    ColonneMemorizzata("XmlAnno, XmlNumRif, NomeFile, FEIDHub, Contabilizzato, CP_DA_IdFiscaleIVA_IdCodice, "
                       "CP_DA_CodiceFiscale, DGD_Numero, DGD_Data");

// The identity of one body as the store keeps it.
struct IdentitaCorpo {
    QString nomeFile; // NomeFile
    QString idHub;    // FEIDHub, empty when not from the Hub
    // The document itself: the same supplier's same number and date is the same invoice,
    // whatever the file is called.
    QString partitaIva, codiceFiscale, numero;
    QDate data;
};

// A stored invoice as the duplicate checks see it.
struct Memorizzata {
    int anno = 0;
    qint32 numero = 0;
    QString nomeFile, idHub, contabilizzato;
    QString partitaIva, codiceFiscale, numeroDoc;
    QDate data;

    static Memorizzata leggi(const Recordset& rs) {
        Memorizzata m;
        m.anno = static_cast<int>(rs.leggiIntero(store::XmlAnno).value_or(0));
        m.numero = static_cast<qint32>(rs.leggiIntero(store::XmlNumRif).value_or(0));
        m.nomeFile = rs.leggiTesto(store::NomeFile);
        m.idHub = rs.leggiTesto(store::FEIDHub);
        m.contabilizzato = rs.leggiTesto(store::Contabilizzato);
        m.partitaIva = rs.leggiTesto(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice")).trimmed();
        m.codiceFiscale = rs.leggiTesto(QStringLiteral("CP_DA_CodiceFiscale")).trimmed();
        m.numeroDoc = rs.leggiTesto(QStringLiteral("DGD_Numero")).trimmed();
        if (const auto d = dataOraDaVariant(rs.LeggiCampo(QStringLiteral("DGD_Data"))))
            m.data = d->date();
        return m;
    }
    // The same supplier (by VAT number, or by fiscal code when either lacks one) and the same
    // document number and date.
    template <class Id> bool stessoDocumento(const Id& id) const {
        const bool stessoFornitore =
            !partitaIva.isEmpty() && !id.partitaIva.isEmpty()
                ? partitaIva.compare(id.partitaIva, Qt::CaseInsensitive) == 0
                : !codiceFiscale.isEmpty() &&
                      codiceFiscale.compare(id.codiceFiscale, Qt::CaseInsensitive) == 0;
        return stessoFornitore && numeroDoc == id.numero && data == id.data;
    }
};

// "n. 123/A del 12/03/2024" as a message names a document.
QString documento(const QString& numero, const QDate& data) {
    return QStringLiteral("n. ") + citaValore(numero) + QStringLiteral(" del ") + testoData(data);
}

} // namespace

QString nomeFileCorpo(const QString& nomeFile, int corpo) {
    return corpo <= 1 || nomeFile.isEmpty() ? nomeFile : nomeFile + u'/' + QString::number(corpo);
}

std::pair<QString, int> fileECorpo(const QString& nomeFileStore) {
    const qsizetype barra = nomeFileStore.lastIndexOf(u'/');
    if (barra > 0) {
        bool ok = false;
        const int corpo = nomeFileStore.mid(barra + 1).toInt(&ok);
        if (ok && corpo >= 2)
            return {nomeFileStore.left(barra), corpo};
    }
    return {nomeFileStore, 1};
}

QString cartellaAllegatiImport(Configurazione& configurazione) {
    QString cartella;
    for (const char* chiave : {"DirFeScar", "DirFe", "DirCarica"}) {
        cartella = configurazione.cartellaBase(QLatin1String(chiave));
        if (!cartella.isEmpty())
            break;
    }
    if (!cartella.isEmpty() && !cartella.endsWith(u'/'))
        cartella += u'/';
    return cartella;
}

QString cartellaAllegatiImport(Configurazione& configurazione, const QString& fileXml) {
    const QString cartella = cartellaAllegatiImport(configurazione);
    return cartella.isEmpty() ? QFileInfo(fileXml).absolutePath() + u'/' : cartella;
}

QString cartellaCaricamentoImport(Configurazione& configurazione) {
    for (const char* chiave : {"DirCarica", "DirFeScar", "DirFe"}) {
        const QString nome = QLatin1String(chiave);
        const QString cartella = configurazione.cartellaBase(nome);
        if (!cartella.isEmpty())
            return configurazione.DirAzienda(cartella, nome);
    }
    return {};
}

// ---- Driver ------------------------------------------------------------------------------------

struct ImportatoreFatture::Stato {
    Stato(Database& db, Interazione& ui, ParametriAzienda& parametri)
        : insieme(db), domande(ui, [this] { insieme.conferma(); }), risolutore(db, domande, parametri),
          lettura(ParametriLettura::leggi(parametri)) {}

    // Files committed together (a database file only): the transaction they share, from the
    // first file of a group to its commit.
    struct Insieme {
        explicit Insieme(Database& d) : db(d) {}
        Database& db;
        std::optional<Transazione> transazione;
        QElapsedTimer inizio;
        int file = 0;
        // Its commit failed and it was rolled back: every file in it must be done again.
        bool perso = false;

        void apri() {
            transazione.emplace(db);
            inizio.start();
            file = 0;
        }
        bool pieno() const { return file >= MassimoFileInsieme || inizio.elapsed() >= MassimoMsInsieme; }
        // Commits the group, if one is open and no unit of a file is open inside it.
        void conferma() {
            if (!transazione || db.livelloTrans() != 1)
                return;
            try {
                transazione->conferma();
            } catch (const ErroreDb&) {
                perso = true;
            }
            transazione.reset();
        }
    } insieme;

    // The user's questions: the group is committed before each, so no other program waits
    // for the answer.
    InterazioneInoltrata domande;

    Risolutore risolutore;
    ParametriLettura lettura;
    NomiElementi nomi;

    // How a row written to a table was laid out: its columns as the reader named them (the
    // batch's numbers of their spellings), and for each one its length in the table (-1:
    // none). The rows of a block share their columns, and an invoice's blocks take turns
    // among a few layouts, so most rows find theirs without a look-up per column.
    struct Disposizione {
        std::vector<int> nomi;
        std::vector<int> lunghezze;
        QStringList colonne; // those the table has
        // The header's INSERT of these columns after the identity ones named in `identita`.
        QString identita, inserimento;
        bool uguale(const RigaFattura& riga) const {
            const auto& c = riga.colonne();
            if (c.size() != nomi.size())
                return false;
            for (size_t i = 0; i < nomi.size(); ++i)
                if (c[i].nome != nomi[i])
                    return false;
            return true;
        }
    };

    // What the batch knows of each store table: the columns it has (read once, from an
    // always-empty selection), so which elements it can hold, and their lengths.
    struct Tabella {
        QSet<QString> colonne;         // lower case
        QHash<QString, int> lunghezze; // lower case -> the most characters a text column holds
        // The latest layouts, the most recent first.
        std::vector<std::unique_ptr<Disposizione>> recenti;
        static constexpr size_t MassimoRecenti = 8;
        // The layout of `riga`: a recent one when the row has the same columns.
        Disposizione& disposizione(const RigaFattura& riga) {
            auto it =
                std::find_if(recenti.begin(), recenti.end(), [&](const auto& d) { return d->uguale(riga); });
            if (it == recenti.end()) {
                auto d = std::make_unique<Disposizione>();
                for (const RigaFattura::Voce& v : riga.colonne()) {
                    d->nomi.push_back(v.nome);
                    d->lunghezze.push_back(colonna(v.nome, riga.nome(v)));
                    if (d->lunghezze.back() >= 0)
                        d->colonne << riga.nome(v);
                }
                if (recenti.size() >= MassimoRecenti)
                    recenti.pop_back();
                recenti.push_back(std::move(d));
                it = recenti.end() - 1;
            }
            std::rotate(recenti.begin(), it, it + 1);
            return *recenti.front();
        }
        // A column by the number of its spelling: -1 when the table has none, else its length
        // (0 for no limit). The reader uses the same few names thousands of times.
        std::vector<int> perNome; // -2: not yet known
        int colonna(int nome, const QString& testo) {
            const auto i = static_cast<size_t>(nome);
            if (i < perNome.size() && perNome[i] != -2)
                return perNome[i];
            if (i >= perNome.size())
                perNome.resize(i + 1, -2);
            const QString minuscolo = testo.toLower();
            perNome[i] = colonne.contains(minuscolo) ? lunghezze.value(minuscolo, 0) : -1;
            return perNome[i];
        }
        // When the batch numbers its names again.
        void dimenticaNomi() {
            recenti.clear();
            perNome.clear();
        }
    };
    std::vector<std::pair<QLatin1String, std::unique_ptr<Tabella>>> tabelle;

    // Between two files: no row holds a number then.
    void primaDelFile() {
        if (!nomi.servonoNuoviNumeri())
            return;
        nomi.nuoviNumeri();
        for (auto& t : tabelle)
            t.second->dimenticaNomi();
    }

    Tabella& tabella(Database& db, QLatin1String nome) {
        for (auto& [n, t] : tabelle)
            if (n == nome)
                return *t;
        auto t = std::make_unique<Tabella>();
        for (const QString& c : apriPerInserimento(db, nome).campi())
            t->colonne.insert(c.toLower());
        for (const schema::Tabella& descritta : schema::tabelleStore())
            if (descritta.nome.compare(nome, Qt::CaseInsensitive) == 0)
                for (const schema::Colonna& c : descritta.colonne)
                    if (c.tipo == schema::Tipo::Testo && c.lunghezza > 0)
                        t->lunghezze.insert(c.nome.toLower(), c.lunghezza);
        tabelle.emplace_back(nome, std::move(t));
        return *tabelle.back().second;
    }
};

namespace {

// One file's import: a transaction around every body of the file.
class ImportazioneFile {
public:
    // `letto`: the file already loaded by the batch's read-ahead, or null to load it here.
    ImportazioneFile(Database& db, ImportatoreFatture::Stato& stato, const OpzioniImport& opzioni,
                     const QString& percorso, const DatiHub& hub, DocumentoFattura* letto)
        : db_(db), stato_(stato), opzioni_(opzioni), percorso_(percorso), hub_(hub),
          nome_(QFileInfo(percorso).fileName()), letto_(letto) {}

    std::vector<EsitoImport> esegui();

private:
    EsitoImport rifiuto(const QString& messaggio) const {
        EsitoImport e;
        e.file = percorso_;
        e.nomeFile = nome_;
        e.errori = AcapoErr + messaggio;
        return {e};
    }
    // The file's document, from the read-ahead or loaded now; null, with the message, when
    // the file cannot be loaded.
    pugi::xml_document* caricaDocumento(QString& errore);
    // A duplicate key on a server: the header, written whole at the end, met a row another
    // workstation committed meanwhile. It must reach esegui, which does the file again.
    bool contesa(const ErroreDb& ex) const { return ex.chiaveDuplicata() && db_.sqlServer(); }
    // The supplier of one body, decided before the file's transaction: the choice among
    // several accounts, the creation and its error message may all wait for the user, and
    // no other workstation must wait for them.
    FornitoreTrovato decidiFornitore(pugi::xml_node header, pugi::xml_node body, int corpo);
    void importaCorpo(pugi::xml_node header, pugi::xml_node body, int corpo,
                      const FornitoreTrovato& fornitore, EsitoImport& e,
                      std::vector<AllegatoDaEstrarre>& allegati);
    // Writes the attachments of a body once its invoice is committed: a failed invoice never
    // leaves files behind, and a file that cannot be written does not undo the invoice.
    void scriviAllegati(const std::vector<AllegatoDaEstrarre>& allegati, EsitoImport& e);
    // False, with the message, when the same supplier's same document is already stored
    // under another file name (a supplier who sent it twice, a copy renamed): it would be
    // posted twice. Overwriting does not change this: it replaces a file by its new copy.
    // `letti`: what selezioneDocumento read already, in this transaction.
    bool documentoNuovo(const IdentitaCorpo& id, TestoErrori& errori, std::optional<Recordset> letti = {});
    // The stored headers documentoNuovo looks at (an identified document only).
    Database::Selezione selezioneDocumento(const IdentitaCorpo& id) const;
    // Holds the document's lock until the file's transaction ends (a server only).
    void serializzaDocumento(const IdentitaCorpo& id);
    // Whether the body names its sender and its number, which identify the document.
    static bool documentoIdentificato(const IdentitaCorpo& id) {
        return !(id.partitaIva.isEmpty() && id.codiceFiscale.isEmpty()) && !id.numero.isEmpty();
    }
    // Chooses the new header's key once its file name, Hub identifier and document are found
    // new; false when the file must stop (the message is in `errori`). A replaced invoice gives
    // its key to the new one: `anno` and `numero` are the key used.
    bool scegliChiave(const IdentitaCorpo& id, int& anno, qint32& numero, TestoErrori& errori);
    // False when another workstation's transaction has claimed this number of the year.
    bool numeroLibero(int anno, qint32 numero);
    // PostgreSQL: the next number of the year, whether this transaction has claimed it, and
    // whether a header with the body's file name or Hub identifier is stored.
    struct NumeroRivendicato {
        qint32 numero;
        bool rivendicato, presente;
    };
    // The stored headers of the same document come in the same round trip, into `documenti`.
    NumeroRivendicato prossimoRivendicato(int anno, const IdentitaCorpo& id,
                                          std::optional<Recordset>& documenti);
    // The claim of number `numero` of the year as the server's lock; `chiave` (the text of
    // chiaveNumeri) and `numero` are SQL expressions.
    static QString rivendicazione(const QString& chiave, const QString& numero);
    static QString chiaveNumeri(int anno);
    // Writes `righe`, taking their values.
    void scriviRighe(QLatin1String tabella, std::vector<RigaFattura>& righe, TestoErrori& errori);
    // Writes the header whole: the identity columns scegliChiave chose, then the file's.
    void scriviTestata(const RigaFattura& testata, TestoErrori& errori);
    // The columns a new header row begins with: its key, file name, Hub data and flags.
    std::vector<std::pair<QLatin1String, QVariant>> identitaTestata(const IdentitaCorpo& id, int anno,
                                                                    qint32 numero) const;
    // The header's key, file name, Hub data and flags, chosen by scegliChiave.
    std::vector<std::pair<QLatin1String, QVariant>> identita_;

    Database& db_;
    ImportatoreFatture::Stato& stato_;
    const OpzioniImport& opzioni_;
    QString percorso_;
    DatiHub hub_;
    QString nome_;
    QStringList avvisiCorpo_; // texts cut to their column in the body being written
    DocumentoFattura* letto_;
    pugi::xml_document proprio_;
};

pugi::xml_document* ImportazioneFile::caricaDocumento(QString& errore) {
    if (!letto_)
        return caricaDocumentoFattura(percorso_, proprio_, errore) ? &proprio_ : nullptr;
    if (letto_->eccezione)
        std::rethrow_exception(letto_->eccezione);
    errore = letto_->errore;
    return letto_->doc.get();
}

std::vector<EsitoImport> ImportazioneFile::esegui() {
    QString errore;
    const pugi::xml_document* caricato = caricaDocumento(errore);
    // Whether the file is there is asked only when it cannot be read: a batch of thousands
    // spares as many look-ups of their paths.
    if (!caricato)
        return {rifiuto(QFileInfo::exists(percorso_) ? errore : nome_ + QStringLiteral(" - inesistente"))};
    const pugi::xml_document& doc = *caricato;

    pugi::xml_node radice;
    for (pugi::xml_node n = doc.first_child(); n && !radice; n = n.next_sibling())
        if (nomeContiene(n, QLatin1String("FatturaElettronica")))
            radice = n;
    pugi::xml_node header;
    std::vector<pugi::xml_node> corpi;
    for (pugi::xml_node n = radice.first_child(); n; n = n.next_sibling()) {
        if (!header && nomeContiene(n, QLatin1String("FatturaElettronicaHeader")))
            header = n;
        else if (nomeContiene(n, QLatin1String("FatturaElettronicaBody")))
            corpi.push_back(n);
    }
    if (!header || corpi.empty())
        return {rifiuto(QStringLiteral("File: ") + nome_ +
                        QStringLiteral(" File non di tipo FatturaElettronica"))};

    std::vector<FornitoreTrovato> fornitori;
    for (size_t k = 0; k < corpi.size(); ++k)
        fornitori.push_back(decidiFornitore(header, corpi[k], static_cast<int>(k + 1)));
    // The group this file was to join was rolled back while the user was asked: what was
    // decided may rest on rows that are gone, so the file is done again with the group's.
    if (stato_.insieme.perso)
        return {};

    std::vector<EsitoImport> esiti;
    std::vector<std::vector<AllegatoDaEstrarre>> allegati;
    for (int tentativo = 1;; ++tentativo) {
        esiti.assign(corpi.size(), {});
        allegati.assign(corpi.size(), {});
        try {
            Transazione transazione(db_);
            bool tuttiOk = true;
            for (size_t k = 0; k < corpi.size(); ++k) {
                esiti[k].file = percorso_;
                esiti[k].corpo = static_cast<int>(k + 1);
                importaCorpo(header, corpi[k], static_cast<int>(k + 1), fornitori[k], esiti[k], allegati[k]);
                tuttiOk = tuttiOk && esiti[k].ok;
            }
            if (!tuttiOk)
                break;
            transazione.conferma();
            for (size_t k = 0; k < corpi.size(); ++k)
                scriviAllegati(allegati[k], esiti[k]);
            return esiti;
        } catch (const ErroreDb& ex) {
            // Another workstation committed this number, file name or Hub identifier after this
            // transaction looked: the file is read again, and then finds what the other stored.
            if (contesa(ex) && tentativo < MassimoTentativiFile)
                continue;
            // The commit itself failed: nothing of the file is stored.
            for (EsitoImport& e : esiti) {
                e.ok = false;
                e.errori += testoErrore(ex.numero(), ex.descrizione());
            }
            return esiti;
        }
    }
    // One body failed: the whole file is rolled back, so say so on the bodies that were fine.
    for (EsitoImport& e : esiti)
        if (e.ok) {
            e.ok = false;
            e.errori += AcapoErr + QStringLiteral("File: ") + e.nomeFile +
                        QStringLiteral(" non caricato: un'altra fattura dello stesso file ha dato errore");
        }
    return esiti;
}

FornitoreTrovato ImportazioneFile::decidiFornitore(pugi::xml_node header, pugi::xml_node body, int corpo) {
    // A body the transaction will refuse anyway needs no supplier, and the user is not asked
    // about an invoice that will not be loaded.
    if (!FiglioPerNome(header, u"CedentePrestatore"))
        return {};
    TestoErrori scarto; // the transaction reads the body again and reports its conversions then
    const QDate dataFattura = *valoreData(NodoPerPercorso(body, u"DatiGenerali/DatiGeneraliDocumento/Data"),
                                          QStringLiteral("DGD_Data"), scarto, true);
    if (dataFattura.year() == DataMancante.year())
        return {};
    LettoreFattura lettore(stato_.risolutore, stato_.lettura, opzioni_, scarto, &stato_.nomi);
    const DatiCedente cedente = lettore.datiCedente(header, body, dataFattura);
    // Found earlier in the batch: nothing to ask or create, so the file need not be looked up
    // first (its transaction finds it loaded anyway).
    if (const auto noto = stato_.risolutore.fornitoreNoto(cedente))
        return *noto;
    if (!opzioni_.sovrascrivi) {
        if (!trovaPerFileOHub(db_, nomeFileCorpo(nome_, corpo), nomeFileCorpo(hub_.idHub.trimmed(), corpo),
                              QLatin1String("XmlAnno"))
                 .RsEof())
            return {};
    }
    return stato_.risolutore.fornitore(cedente, opzioni_.creaFornitori, opzioni_.gruppoFornitori,
                                       opzioni_.mastroFornitori);
}

void ImportazioneFile::importaCorpo(pugi::xml_node header, pugi::xml_node body, int corpo,
                                    const FornitoreTrovato& fornitore, EsitoImport& e,
                                    std::vector<AllegatoDaEstrarre>& allegati) {
    TestoErrori errori;
    IdentitaCorpo id;
    id.nomeFile = nomeFileCorpo(nome_, corpo);
    id.idHub = nomeFileCorpo(hub_.idHub.trimmed(), corpo);
    e.nomeFile = id.nomeFile;
    e.numero = ValoreTesto(NodoPerPercorso(body, u"DatiGenerali/DatiGeneraliDocumento/Numero"));
    e.partitaIva =
        ValoreTesto(NodoPerPercorso(header, u"CedentePrestatore/DatiAnagrafici/IdFiscaleIVA/IdCodice"));
    if (e.partitaIva.isEmpty())
        e.partitaIva = ValoreTesto(NodoPerPercorso(header, u"CedentePrestatore/IdFiscaleIVA/IdCodice"));
    id.partitaIva = e.partitaIva.trimmed();
    id.codiceFiscale =
        ValoreTesto(NodoPerPercorso(header, u"CedentePrestatore/DatiAnagrafici/CodiceFiscale")).trimmed();
    if (id.codiceFiscale.isEmpty())
        id.codiceFiscale = ValoreTesto(NodoPerPercorso(header, u"CedentePrestatore/CodiceFiscale")).trimmed();
    id.numero = e.numero.trimmed();
    try {
        if (!FiglioPerNome(header, u"CedentePrestatore")) {
            errori.aggiungi(QStringLiteral("File: ") + id.nomeFile +
                            QStringLiteral(" Manca il cedente/prestatore (fornitore)"));
            e.errori = errori.testo();
            return;
        }
        const QDate dataFattura =
            *valoreData(NodoPerPercorso(body, u"DatiGenerali/DatiGeneraliDocumento/Data"),
                        QStringLiteral("DGD_Data"), errori, true);
        if (dataFattura.year() == DataMancante.year()) {
            errori.aggiungi(QStringLiteral("File: ") + id.nomeFile +
                            QStringLiteral(" Manca la Data Fattura"));
            e.errori = errori.testo();
            return;
        }
        id.data = dataFattura;
        int anno = dataFattura.year();
        qint32 numero = 0;
        if (!scegliChiave(id, anno, numero, errori)) {
            e.errori = errori.testo();
            return;
        }
        e.anno = anno;
        e.numRif = numero;

        avvisiCorpo_.clear();
        FatturaLetta letta;
        letta.scarica = [&](FatturaLetta& l) {
            scriviRighe(store::FatXmlDett, l.dettaglio, errori);
            scriviRighe(store::FatXmlDatiGen, l.datiGen, errori);
            l.dettaglio.clear();
            l.datiGen.clear();
        };
        LettoreFattura lettore(stato_.risolutore, stato_.lettura, opzioni_, errori, &stato_.nomi);
        lettore.usaFornitore(fornitore);
        lettore.leggi(header, body, anno, numero, dataFattura, letta);

        scriviRighe(store::FatXmlDett, letta.dettaglio, errori);
        scriviRighe(store::FatXmlIva, letta.iva, errori);
        scriviRighe(store::FatXmlPag, letta.pagamenti, errori);
        scriviRighe(store::FatXmlDatiGen, letta.datiGen, errori);
        scriviTestata(letta.testata, errori);
        const QString pIva = letta.testata.testo(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice"));
        if (!pIva.isEmpty())
            e.partitaIva = pIva;

        allegati = std::move(letta.allegati);
        e.avvisi = letta.avvisi + avvisiCorpo_;
        e.fornitore = letta.testata.testo(QStringLiteral("CP_DA_Anagrafica_Denominazione")).trimmed();
        if (e.fornitore.isEmpty())
            e.fornitore = (letta.testata.testo(QStringLiteral("CP_DA_Anagrafica_Cognome")).trimmed() + u' ' +
                           letta.testata.testo(QStringLiteral("CP_DA_Anagrafica_Nome")).trimmed())
                              .trimmed();
        e.dataDocumento = dataFattura;
        e.totale = letta.totale;
        e.ok = true;
    } catch (const ErroreDb& ex) {
        if (contesa(ex))
            throw;
        errori.aggiungi(QStringLiteral("Errore(%1): %2").arg(ex.numero()).arg(ex.descrizione()));
        e.ok = false;
    } catch (const std::exception& ex) {
        errori.aggiungi(QStringLiteral("Errore(0): %1").arg(QString::fromUtf8(ex.what())));
        e.ok = false;
    }
    e.errori = errori.testo();
}

void ImportazioneFile::scriviAllegati(const std::vector<AllegatoDaEstrarre>& allegati, EsitoImport& e) {
    if (allegati.empty())
        return;
    TestoErrori errori;
    const QString cartella =
        opzioni_.cartellaAllegati.isEmpty() ? QFileInfo(percorso_).absolutePath() : opzioni_.cartellaAllegati;
    const QString file = e.nomeFile.section(u'/', 0, 0);
    for (const AllegatoDaEstrarre& a : allegati) {
        try {
            if (!QDir().mkpath(cartella))
                throw std::runtime_error(
                    QStringLiteral("impossibile creare la cartella %1").arg(cartella).toStdString());
            const QString percorso = estraiAllegato(a.attachment, a.nomeAttachment, file, cartella, errori);
            if (!percorso.isEmpty())
                e.allegati << percorso;
        } catch (const std::exception& ex) {
            errori.aggiungi(QStringLiteral("Allegato ") + citaValore(a.nomeAttachment) +
                            QStringLiteral(" non estratto: ") + QString::fromUtf8(ex.what()));
        }
    }
    e.errori += errori.testo();
}

void ImportazioneFile::serializzaDocumento(const IdentitaCorpo& id) {
    // Two workstations importing the same document at once: the second waits here until the
    // first has committed, and then finds it by its file name or as the same document. A
    // database file's transactions already hold its one write lock from their start.
    if (db_.dialetto() == Dialetto::SQLite || !documentoIdentificato(id))
        return;
    serializzaNellaTransazione(
        db_, TipoSerializzazioneDocumento,
        numeroChiave(id.partitaIva + u'|' + id.codiceFiscale + u'|' + id.numero + u'|' + isoData(id.data)));
}

Database::Selezione ImportazioneFile::selezioneDocumento(const IdentitaCorpo& id) const {
    // The number and the day narrow the search; the supplier is compared by documentoNuovo,
    // so blanks around a stored VAT number do not hide a duplicate. The number is looked for
    // as it is written (a LIKE pattern would take its "_" and "%" as wildcards, and SQLite
    // prepares a LIKE with a bound pattern again for every new pattern).
    return {QStringLiteral("SELECT ") + ColonneMemorizzata + QStringLiteral(" FROM FatXmlTest WHERE ") +
                (db_.dialetto() == Dialetto::SQLite ? QStringLiteral("instr") : QStringLiteral("strpos")) +
                QStringLiteral("(DGD_Numero, ?) > 0 AND DGD_Data >= ? AND DGD_Data < ?"),
            {id.numero, id.data, id.data.addDays(1)}};
}

bool ImportazioneFile::documentoNuovo(const IdentitaCorpo& id, TestoErrori& errori,
                                      std::optional<Recordset> letti) {
    if (!documentoIdentificato(id))
        return true;
    if (!letti)
        letti = db_.ApriRs(selezioneDocumento(id));
    for (Recordset& rs = *letti; !rs.RsEof(); rs.RsMoveNext()) {
        const Memorizzata m = Memorizzata::leggi(rs);
        if (!m.stessoDocumento(id) || m.nomeFile.compare(id.nomeFile, Qt::CaseInsensitive) == 0)
            continue;
        errori.aggiungi(QStringLiteral("File ") + id.nomeFile + QStringLiteral(": fattura ") +
                        documento(id.numero, id.data) + QStringLiteral(" già caricata con il file ") +
                        m.nomeFile + QStringLiteral(" (%1/%2)").arg(m.anno).arg(m.numero));
        return false;
    }
    return true;
}

bool ImportazioneFile::numeroLibero(int anno, qint32 numero) {
    if (db_.dialetto() != Dialetto::PostgreSQL)
        return true; // a database file has one writer at a time
    // Several workstations take the next number of the year inside their files' transactions,
    // where none sees the others' new rows: an insert on a number another has just taken would
    // wait for its commit and then fail. The number is claimed until the transaction ends
    // instead, and a number claimed by another is passed over at once. The server's locks are
    // shared by every schema of the database, so the key names this company's schema too.
    const QVariant preso =
        db_.valore(QStringLiteral("SELECT CASE WHEN ") +
                   rivendicazione(SqlValore(chiaveNumeri(anno), SqlTesto), QString::number(numero)) +
                   QStringLiteral(" THEN 1 ELSE 0 END"));
    return preso.toInt() == 1;
}

QString ImportazioneFile::rivendicazione(const QString& chiave, const QString& numero) {
    return QStringLiteral("pg_try_advisory_xact_lock(hashtext(current_schema() || %1), %2)")
        .arg(chiave, numero);
}

QString ImportazioneFile::chiaveNumeri(int anno) {
    return QStringLiteral(".FatXmlTest.%1").arg(anno);
}

ImportazioneFile::NumeroRivendicato
ImportazioneFile::prossimoRivendicato(int anno, const IdentitaCorpo& id,
                                      std::optional<Recordset>& documenti) {
    // The next number, its claim and whether the file is already stored in one statement, and
    // the stored headers of the same document in the same round trip: one instead of four. The
    // values are bound, so the server plans each text once per connection, not once per file.
    const bool fileVuoto = id.nomeFile.isEmpty(), conHub = !id.idHub.trimmed().isEmpty();
    const auto testo = [&] {
        return QStringLiteral("SELECT n, CASE WHEN ") +
               rivendicazione(QStringLiteral("?"), QStringLiteral("n")) +
               QStringLiteral(
                   " THEN 1 ELSE 0 END AS preso, CASE WHEN EXISTS (SELECT 1 FROM FatXmlTest WHERE ") +
               condizioneFileOHub(fileVuoto, conHub) +
               QStringLiteral(
                   ") THEN 1 ELSE 0 END AS presente FROM (SELECT COALESCE((SELECT XmlNumRif FROM "
                   "FatXmlTest WHERE XmlAnno = ? ORDER BY XmlNumRif DESC LIMIT 1), 0) + 1 AS n) s");
    };
    thread_local QString testi[2][2];
    QString& sql = testi[fileVuoto][conHub];
    if (sql.isEmpty())
        sql = testo();
    QVariantList valori{chiaveNumeri(anno)};
    valori += valoriFileOHub(id.nomeFile, id.idHub);
    valori << anno;
    std::vector<Database::Selezione> selezioni{{sql, valori}};
    if (documentoIdentificato(id))
        selezioni.push_back(selezioneDocumento(id));
    std::vector<Recordset> letti = db_.ApriInsieme(selezioni);
    if (letti.size() > 1)
        documenti = std::move(letti[1]);
    const Recordset& rs = letti[0];
    return {static_cast<qint32>(rs.leggiIntero(QStringLiteral("n")).value_or(1)),
            rs.leggiIntero(QStringLiteral("preso")).value_or(0) == 1,
            rs.leggiIntero(QStringLiteral("presente")).value_or(1) == 1};
}

bool ImportazioneFile::scegliChiave(const IdentitaCorpo& id, int& anno, qint32& numero, TestoErrori& errori) {
    serializzaDocumento(id);
    // On a server the first number comes with its claim, and with whether a look-up is needed.
    bool chiesto = false, rivendicato = false, forsePresente = true;
    std::optional<Recordset> documenti;
    if (db_.dialetto() == Dialetto::PostgreSQL) {
        const NumeroRivendicato r = prossimoRivendicato(anno, id, documenti);
        numero = r.numero;
        rivendicato = r.rivendicato;
        forsePresente = r.presente;
        chiesto = true;
    } else {
        numero = ProssimoNumeroFattura(db_, anno);
    }
    for (int tentativo = 1;; ++tentativo) {
        if (tentativo > MassimoTentativi) {
            errori.aggiungi(QStringLiteral("Superati 20 tentativi di chiave doppia"));
            return false;
        }
        const bool libero = chiesto ? rivendicato : numeroLibero(anno, numero);
        chiesto = false;
        if (!libero) {
            ++numero;
            continue;
        }
        // Is the file name or the Hub identifier taken? A look-up tells it as their unique
        // indexes would (a file always has a name; an empty Hub identifier takes nothing). The
        // header is then written once, whole, when the invoice has been read: an insert now
        // and an update of the same row later cost twice the work. On a database file this
        // transaction is the one writer; on a server a row another workstation commits
        // meanwhile with this number, name or identifier makes the header's insert fail as a
        // duplicate key, and the file is done again (see esegui).
        std::vector<Memorizzata> trovate;
        if (forsePresente) {
            try {
                for (Recordset rs = trovaPerFileOHub(db_, id.nomeFile, id.idHub, ColonneMemorizzata);
                     !rs.RsEof(); rs.RsMoveNext())
                    trovate.push_back(Memorizzata::leggi(rs));
            } catch (const ErroreDb& ex) {
                if (contesa(ex))
                    throw;
                errori.aggiungi(QStringLiteral("File ") + id.nomeFile +
                                QStringLiteral(" errore nella verifica di univocità: ") +
                                QStringLiteral("Errore %1 - (%2)").arg(ex.numero()).arg(ex.descrizione()));
                return false;
            }
        }
        if (trovate.empty()) {
            identita_ = identitaTestata(id, anno, numero);
            return documentoNuovo(id, errori, std::move(documenti));
        }
        if (trovate.size() > 1) {
            errori.aggiungi(QStringLiteral("File ") + id.nomeFile + QStringLiteral(" e Id Hub ") + id.idHub +
                            QStringLiteral(" già caricati in file diversi"));
            return false;
        }
        const Memorizzata& m = trovate.front();
        if (!opzioni_.sovrascrivi) {
            errori.aggiungi(QStringLiteral("File ") + id.nomeFile + QStringLiteral(" già caricato"));
            return false;
        }
        if (m.nomeFile.toUpper() != id.nomeFile.toUpper()) {
            errori.aggiungi(QStringLiteral("Id Hub ") + id.idHub +
                            QStringLiteral(" già caricato con file diverso"));
            return false;
        }
        if (m.idHub != id.idHub) {
            errori.aggiungi(QStringLiteral("File ") + id.nomeFile +
                            QStringLiteral(" già caricato con Id Hub diverso"));
            return false;
        }
        // Overwriting replaces the same supplier's same document, never another invoice that
        // happens to have been stored under this file name.
        if (!m.stessoDocumento(id)) {
            errori.aggiungi(QStringLiteral("File ") + id.nomeFile +
                            QStringLiteral(" già caricato con un'altra fattura (P.Iva ") + m.partitaIva +
                            u' ' + documento(m.numeroDoc, m.data) + QStringLiteral("): non sostituita"));
            return false;
        }
        if (m.contabilizzato == store::Si) {
            errori.aggiungi(QStringLiteral("File ") + id.nomeFile + QStringLiteral(" già contabilizzato"));
            return false;
        }
        if (m.anno != anno)
            errori.aggiungi(QStringLiteral("File ") + id.nomeFile +
                            QStringLiteral(" sostituisce la fattura %1/%2 e ne mantiene la chiave")
                                .arg(m.anno)
                                .arg(m.numero));
        try {
            cancellaFattura(db_, m.anno, m.numero);
        } catch (const ErroreDb& ex) {
            if (contesa(ex))
                throw;
            errori.aggiungi(QStringLiteral("File ") + id.nomeFile +
                            QStringLiteral(" errore nella cancellazione dati esistenti"));
            return false;
        }
        // The replaced invoice keeps its key.
        anno = m.anno;
        numero = m.numero;
        forsePresente = true;
    }
}

void ImportazioneFile::scriviRighe(QLatin1String tabella, std::vector<RigaFattura>& righe,
                                   TestoErrori& errori) {
    if (righe.empty())
        return;
    ImportatoreFatture::Stato::Tabella& t = stato_.tabella(db_, tabella);
    // Consecutive rows with the same columns (the lines of an invoice, as a rule) go in one
    // statement of several rows: their values one after the other in one list.
    const QString nomeTabella(tabella);
    const bool testiNelFile = db_.sqliteDiretto();
    QStringList colonne; // of the rows since `inizio`
    size_t inizio = 0;
    std::vector<QVariant> valori;
    size_t stima = 0;
    for (const RigaFattura& riga : righe)
        stima += riga.colonne().size();
    valori.reserve(stima);
    for (RigaFattura& riga : righe) {
        const ImportatoreFatture::Stato::Disposizione& d = t.disposizione(riga);
        if (d.colonne != colonne) {
            // The rows before this one had other columns.
            db_.InserisciRighe(nomeTabella, colonne, valori.data() + inizio,
                               static_cast<qsizetype>(valori.size() - inizio));
            inizio = valori.size();
            colonne = d.colonne;
        }
        for (size_t i = 0; i < d.nomi.size(); ++i) {
            const RigaFattura::Voce& v = riga.colonne()[i];
            if (d.lunghezze[i] < 0)
                segnalaNonPrevisto(riga.nome(v), v.valore, errori);
            else
                adattaAllaColonna(riga.nome(v), valori.emplace_back(riga.prendiValore(i)), d.lunghezze[i],
                                  avvisiCorpo_, testiNelFile);
        }
    }
    db_.InserisciRighe(nomeTabella, colonne, valori.data() + inizio,
                       static_cast<qsizetype>(valori.size() - inizio));
}

std::vector<std::pair<QLatin1String, QVariant>>
ImportazioneFile::identitaTestata(const IdentitaCorpo& id, int anno, qint32 numero) const {
    std::vector<std::pair<QLatin1String, QVariant>> c{
        {store::XmlAnno, anno}, {store::XmlNumRif, numero}, {store::NomeFile, id.nomeFile}};
    if (hub_.dataRicezione)
        c.emplace_back(store::DataRicSdi, *hub_.dataRicezione);
    if (!hub_.idSdi.trimmed().isEmpty())
        c.emplace_back(store::IdentificativoSdi, hub_.idSdi.trimmed());
    if (!id.idHub.isEmpty())
        c.emplace_back(store::FEIDHub, id.idHub);
    c.emplace_back(store::Stampato, QString(store::No));
    c.emplace_back(store::Contabilizzato, QString(store::No));
    return c;
}

void ImportazioneFile::scriviTestata(const RigaFattura& testata, TestoErrori& errori) {
    ImportatoreFatture::Stato::Tabella& t = stato_.tabella(db_, store::FatXmlTest);
    // Invoices of one sender have the same header columns: the statement is written once.
    ImportatoreFatture::Stato::Disposizione& d = t.disposizione(testata);
    const bool testiNelFile = db_.sqliteDiretto();
    QVariantList valori;
    valori.reserve(static_cast<qsizetype>(identita_.size()) + d.colonne.size());
    QString nomiIdentita;
    for (const auto& [colonna, valore] : identita_) {
        nomiIdentita += colonna + QStringLiteral(", ");
        valori << valore;
    }
    for (size_t i = 0; i < d.nomi.size(); ++i) {
        const RigaFattura::Voce& v = testata.colonne()[i];
        if (d.lunghezze[i] < 0)
            segnalaNonPrevisto(testata.nome(v), v.valore, errori);
        else
            adattaAllaColonna(testata.nome(v), valori.emplace_back(v.valore), d.lunghezze[i], avvisiCorpo_,
                              testiNelFile);
    }
    if (d.inserimento.isEmpty() || d.identita != nomiIdentita) {
        d.identita = nomiIdentita;
        d.inserimento =
            QStringLiteral("INSERT INTO FatXmlTest (") + nomiIdentita.chopped(2) +
            (d.colonne.isEmpty() ? QString() : QStringLiteral(", ") + d.colonne.join(QStringLiteral(", "))) +
            QStringLiteral(") VALUES (?") + QStringLiteral(", ?").repeated(valori.size() - 1) + u')';
    }
    db_.EseguiInCoda(d.inserimento, valori);
}

} // namespace

ImportatoreFatture::ImportatoreFatture(Database& db, Interazione& ui, ParametriAzienda& parametri,
                                       OpzioniImport opzioni)
    : db_(db), opzioni_(std::move(opzioni)), stato_(std::make_unique<Stato>(db, ui, parametri)) {
}

ImportatoreFatture::~ImportatoreFatture() = default;

void ImportatoreFatture::importa(const QStringList& percorsi, const DatiHub& hub,
                                 const std::function<void(qsizetype, std::vector<EsitoImport>)>& fatto,
                                 const std::function<bool(qsizetype)>& prima) {
    Stato::Insieme& insieme = stato_->insieme;
    // Attachments are written once their file is committed, from the file's document.
    const bool raggruppa =
        db_.dialetto() == Dialetto::SQLite && db_.livelloTrans() == 0 && !opzioni_.estraiAllegati;
    // The results of the files whose group is not committed yet.
    std::vector<std::pair<qsizetype, std::vector<EsitoImport>>> inAttesa;
    const auto consegna = [&] {
        if (insieme.perso) {
            // Nothing of the group is stored: each of its files is done again alone, and the
            // suppliers found meanwhile may have been rows of the group.
            insieme.perso = false;
            stato_->risolutore.dimenticaFornitori();
            for (auto& [indice, esiti] : inAttesa)
                esiti = importa(percorsi[indice], hub);
        }
        for (auto& [indice, esiti] : inAttesa)
            fatto(indice, std::move(esiti));
        inAttesa.clear();
    };
    // A batch of one file has nothing to read ahead of.
    std::optional<LetturaAnticipata> anticipata;
    if (percorsi.size() > 1)
        anticipata.emplace(percorsi);
    try {
        for (qsizetype i = 0; i < percorsi.size() && (!prima || prima(i)); ++i) {
            if (raggruppa && !insieme.transazione)
                insieme.apri();
            std::optional<DocumentoFattura> letto;
            if (anticipata)
                letto = anticipata->prendi();
            inAttesa.emplace_back(i, importaFile(percorsi[i], hub, letto ? &*letto : nullptr));
            ++insieme.file;
            if (insieme.transazione && insieme.pieno())
                insieme.conferma();
            // Committed (or rolled back) while the user was asked, or never grouped.
            if (!insieme.transazione)
                consegna();
        }
        insieme.conferma();
        consegna();
    } catch (...) {
        // A caller's own failure: the files not yet reported are not stored either.
        insieme.transazione.reset();
        throw;
    }
}

std::vector<EsitoImport> ImportatoreFatture::importa(const QString& percorso, const DatiHub& hub) {
    return importaFile(percorso, hub, nullptr);
}

std::vector<EsitoImport> ImportatoreFatture::importaFile(const QString& percorso, const DatiHub& hub,
                                                         DocumentoFattura* letto) {
    try {
        stato_->primaDelFile();
        ImportazioneFile file(db_, *stato_, opzioni_, percorso, hub, letto);
        return file.esegui();
    } catch (const ErroreDb& ex) {
        EsitoImport e;
        e.file = percorso;
        e.nomeFile = QFileInfo(percorso).fileName();
        e.errori = testoErrore(ex.numero(), ex.descrizione());
        return {e};
    } catch (const std::exception& ex) {
        EsitoImport e;
        e.file = percorso;
        e.nomeFile = QFileInfo(percorso).fileName();
        e.errori = testoErrore(0, QString::fromUtf8(ex.what()));
        return {e};
    }
}

} // namespace tesel
