#include "archivio.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QThread>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace tesel::hubserver {

namespace {

QByteArray casuali(int n) {
    QByteArray b(n, '\0');
    if (RAND_bytes(reinterpret_cast<unsigned char*>(b.data()), n) != 1)
        throw ErroreHub(QStringLiteral("Generatore di numeri casuali non disponibile"));
    return b;
}

QByteArray pbkdf2(const QString& password, const QByteArray& sale, int iterazioni) {
    const QByteArray p = password.toUtf8();
    QByteArray chiave(32, '\0');
    if (PKCS5_PBKDF2_HMAC(p.constData(), static_cast<int>(p.size()),
                          reinterpret_cast<const unsigned char*>(sale.constData()),
                          static_cast<int>(sale.size()), iterazioni, EVP_sha256(),
                          static_cast<int>(chiave.size()),
                          reinterpret_cast<unsigned char*>(chiave.data())) != 1)
        throw ErroreHub(QStringLiteral("Calcolo dell'impronta della password non riuscito"));
    return chiave;
}

const char* const Schema[] = {
    "CREATE TABLE IF NOT EXISTS Account (Login TEXT PRIMARY KEY, Password TEXT NOT NULL, "
    "RagioneSociale TEXT, FattureAcquistate INTEGER, DataInizio TEXT, DataFine TEXT, Attivo TEXT)",
    "CREATE TABLE IF NOT EXISTS Aziende (Id INTEGER PRIMARY KEY AUTOINCREMENT, Login TEXT NOT NULL, "
    "Paese TEXT, PartitaIva TEXT NOT NULL UNIQUE, CodiceFiscale TEXT, Denominazione TEXT, Tipo TEXT, "
    "ProgressivoInvio INTEGER, Attivo TEXT, DataAttivazione TEXT, DataScadenza TEXT)",
    "CREATE TABLE IF NOT EXISTS Servizi (Login TEXT, Codice TEXT, Descrizione TEXT, PRIMARY KEY (Login, "
    "Codice))",
    "CREATE TABLE IF NOT EXISTS Sessioni (Token TEXT PRIMARY KEY, Login TEXT, CodiceAzienda TEXT, Scadenza "
    "INTEGER)",
    "CREATE TABLE IF NOT EXISTS Attivi (Id INTEGER PRIMARY KEY AUTOINCREMENT, IdAzienda INTEGER, "
    "Riferimento TEXT, NomeFile TEXT, Contenuto BLOB, Sha256 TEXT, Busta TEXT, Stato TEXT, Paese TEXT, "
    "PartitaIva TEXT, CodiceFiscale TEXT, Denominazione TEXT, Numero TEXT, Data TEXT, Totale TEXT, Tipo "
    "TEXT, "
    "Divisa TEXT, Destinatario TEXT, Allegati TEXT, Storicizzato TEXT, DataCreazione TEXT, "
    "DataUltimaVariazione TEXT, DataOraRicezione TEXT, DataOraConsegna TEXT, IdentificativoSdi TEXT)",
    "CREATE INDEX IF NOT EXISTS AttiviRiferimento ON Attivi (IdAzienda, Riferimento)",
    "CREATE TABLE IF NOT EXISTS StoriaAttivi (IdDocumento INTEGER, Stato TEXT, DataOra TEXT)",
    "CREATE TABLE IF NOT EXISTS Passivi (Id INTEGER PRIMARY KEY AUTOINCREMENT, IdAzienda INTEGER, "
    "NomeFile TEXT, Contenuto BLOB, Sha256 TEXT, Stato TEXT, Paese TEXT, PartitaIva TEXT, CodiceFiscale "
    "TEXT, "
    "Denominazione TEXT, Numero TEXT, Data TEXT, Totale TEXT, Tipo TEXT, Divisa TEXT, Destinatario TEXT, "
    "Allegati TEXT, DataRicezione TEXT, IdentificativoSdi TEXT, Storicizzato TEXT)",
    "CREATE TABLE IF NOT EXISTS Contatori (Nome TEXT PRIMARY KEY, Valore INTEGER)",
    "CREATE TABLE IF NOT EXISTS Guasti (Tipo TEXT, Bersaglio TEXT, Valore TEXT)",
};

// The columns of the document summary, in the order of the tables above.
const QString ColonneRiepilogo = QStringLiteral("Paese, PartitaIva, CodiceFiscale, Denominazione, Numero, "
                                                "Data, Totale, Tipo, Divisa, Destinatario, Allegati");

QVariantList valoriRiepilogo(const Riepilogo& r) {
    return {r.paese, r.partitaIva, r.codiceFiscale, r.denominazione,       r.numero, r.data, r.totale,
            r.tipo,  r.divisa,     r.destinatario,  r.allegati ? "S" : "N"};
}

QString testo(const QSqlQuery& q, const char* campo) {
    return q.value(QLatin1StringView(campo)).toString();
}

Riepilogo riepilogo(const QSqlQuery& q) {
    Riepilogo r;
    r.paese = testo(q, "Paese");
    r.partitaIva = testo(q, "PartitaIva");
    r.codiceFiscale = testo(q, "CodiceFiscale");
    r.denominazione = testo(q, "Denominazione");
    r.numero = testo(q, "Numero");
    r.data = testo(q, "Data");
    r.totale = testo(q, "Totale");
    r.tipo = testo(q, "Tipo");
    r.divisa = testo(q, "Divisa");
    r.destinatario = testo(q, "Destinatario");
    r.allegati = testo(q, "Allegati") == u"S";
    return r;
}

Azienda azienda(const QSqlQuery& q) {
    Azienda a;
    a.id = q.value(QStringLiteral("Id")).toLongLong();
    a.login = testo(q, "Login");
    a.paese = testo(q, "Paese");
    a.partitaIva = testo(q, "PartitaIva");
    a.codiceFiscale = testo(q, "CodiceFiscale");
    a.denominazione = testo(q, "Denominazione");
    a.tipo = testo(q, "Tipo");
    a.progressivoInvio = q.value(QStringLiteral("ProgressivoInvio")).toLongLong();
    a.attivo = testo(q, "Attivo") == u"S";
    a.dataAttivazione = QDate::fromString(testo(q, "DataAttivazione"), Qt::ISODate);
    a.dataScadenza = QDate::fromString(testo(q, "DataScadenza"), Qt::ISODate);
    return a;
}

DocumentoAttivo attivoDa(const QSqlQuery& q, bool conContenuto) {
    DocumentoAttivo d;
    d.id = q.value(QStringLiteral("Id")).toLongLong();
    d.idAzienda = q.value(QStringLiteral("IdAzienda")).toLongLong();
    d.riferimento = testo(q, "Riferimento");
    d.nomeFile = testo(q, "NomeFile");
    if (conContenuto)
        d.contenuto = q.value(QStringLiteral("Contenuto")).toByteArray();
    d.sha256 = testo(q, "Sha256");
    d.busta = testo(q, "Busta");
    d.stato = testo(q, "Stato");
    d.riepilogo = riepilogo(q);
    d.storicizzato = testo(q, "Storicizzato");
    d.dataCreazione = testo(q, "DataCreazione");
    d.dataUltimaVariazione = testo(q, "DataUltimaVariazione");
    d.dataOraRicezione = testo(q, "DataOraRicezione");
    d.dataOraConsegna = testo(q, "DataOraConsegna");
    d.identificativoSdi = testo(q, "IdentificativoSdi");
    return d;
}

DocumentoPassivo passivoDa(const QSqlQuery& q, bool conContenuto) {
    DocumentoPassivo d;
    d.id = q.value(QStringLiteral("Id")).toLongLong();
    d.idAzienda = q.value(QStringLiteral("IdAzienda")).toLongLong();
    d.nomeFile = testo(q, "NomeFile");
    if (conContenuto)
        d.contenuto = q.value(QStringLiteral("Contenuto")).toByteArray();
    d.sha256 = testo(q, "Sha256");
    d.stato = testo(q, "Stato");
    d.riepilogo = riepilogo(q);
    d.dataRicezione = testo(q, "DataRicezione");
    d.identificativoSdi = testo(q, "IdentificativoSdi");
    d.storicizzato = testo(q, "Storicizzato");
    return d;
}

} // namespace

QString hashPassword(const QString& password, int iterazioni) {
    const QByteArray sale = casuali(16);
    return QStringLiteral("pbkdf2-sha256$%1$%2$%3")
        .arg(QString::number(iterazioni), QString::fromLatin1(sale.toHex()),
             QString::fromLatin1(pbkdf2(password, sale, iterazioni).toHex()));
}

bool confrontaPassword(const QString& password, const QString& memorizzata) {
    const QStringList parti = memorizzata.split(u'$');
    if (parti.size() != 4 || parti[0] != u"pbkdf2-sha256")
        return false;
    bool ok = false;
    const int iterazioni = parti[1].toInt(&ok);
    if (!ok || iterazioni < 1)
        return false;
    const QByteArray atteso = QByteArray::fromHex(parti[3].toLatin1());
    const QByteArray calcolato = pbkdf2(password, QByteArray::fromHex(parti[2].toLatin1()), iterazioni);
    return atteso.size() == calcolato.size() &&
           CRYPTO_memcmp(atteso.constData(), calcolato.constData(), static_cast<size_t>(atteso.size())) == 0;
}

Archivio::Archivio(const QString& cartella) {
    if (!QDir().mkpath(cartella))
        throw ErroreHub(QStringLiteral("Impossibile creare la cartella dei dati dell'Hub: %1").arg(cartella));
    const QString file = QDir(cartella).absoluteFilePath(QStringLiteral("hub.db"));
    // One connection per thread and file: Qt's connections belong to the thread that opened them.
    connessione_ = QStringLiteral("tesel-hub-%1-%2")
                       .arg(reinterpret_cast<quintptr>(QThread::currentThreadId()))
                       .arg(file);
    if (QSqlDatabase::contains(connessione_))
        return;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connessione_);
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=10000"));
    if (!db.open()) {
        const QString errore = db.lastError().text();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(connessione_);
        throw ErroreHub(QStringLiteral("Impossibile aprire il database dell'Hub %1: %2").arg(file, errore));
    }
    esegui(QStringLiteral("PRAGMA journal_mode=WAL"));
    for (const char* istruzione : Schema)
        esegui(QString::fromLatin1(istruzione));
}

QSqlQuery Archivio::esegui(const QString& sql, const QVariantList& valori) {
    QSqlQuery q(QSqlDatabase::database(connessione_, false));
    if (!q.prepare(sql))
        throw ErroreHub(QStringLiteral("Errore del database dell'Hub: %1").arg(q.lastError().text()));
    for (const QVariant& v : valori)
        q.addBindValue(v);
    if (!q.exec())
        throw ErroreHub(QStringLiteral("Errore del database dell'Hub: %1").arg(q.lastError().text()));
    return q;
}

void Archivio::transazione(const std::function<void()>& lavoro) {
    // IMMEDIATE takes the write lock at once, so two writers never both read a counter first.
    esegui(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        lavoro();
        esegui(QStringLiteral("COMMIT"));
    } catch (...) {
        QSqlQuery(QSqlDatabase::database(connessione_, false)).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
}

QString Archivio::adesso() {
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

std::optional<Account> Archivio::account(const QString& login) {
    QSqlQuery q = esegui(QStringLiteral("SELECT * FROM Account WHERE Login = ?"), {login});
    if (!q.next())
        return std::nullopt;
    Account a;
    a.login = testo(q, "Login");
    a.ragioneSociale = testo(q, "RagioneSociale");
    a.fattureAcquistate = q.value(QStringLiteral("FattureAcquistate")).toLongLong();
    a.dataInizio = QDate::fromString(testo(q, "DataInizio"), Qt::ISODate);
    a.dataFine = QDate::fromString(testo(q, "DataFine"), Qt::ISODate);
    a.attivo = testo(q, "Attivo") == u"S";
    return a;
}

Azienda Archivio::creaAccount(const QString& login, const QString& password, const QString& partitaIva,
                              const QString& denominazione, qint64 fattureAcquistate, int iterazioni) {
    const QString hash = hashPassword(password, iterazioni);
    const int anno = QDate::currentDate().year();
    const QString inizio = QDate(anno, 1, 1).toString(Qt::ISODate);
    const QString fine = QDate(anno, 12, 31).toString(Qt::ISODate);
    transazione([&] {
        if (account(login)) {
            esegui(QStringLiteral("UPDATE Account SET Password = ? WHERE Login = ?"), {hash, login});
        } else {
            esegui(QStringLiteral("INSERT INTO Account (Login, Password, RagioneSociale, FattureAcquistate, "
                                  "DataInizio, DataFine, Attivo) VALUES (?, ?, ?, ?, ?, ?, 'S')"),
                   {login, hash, denominazione, fattureAcquistate, inizio, fine});
            esegui(
                QStringLiteral("INSERT INTO Servizi (Login, Codice, Descrizione) VALUES (?, 'INV', "
                               "'Invio fatture attive all''SdI'), (?, 'RIC', 'Ricezione fatture passive')"),
                {login, login});
        }
        if (const auto esistente = aziendaPerPartitaIva(partitaIva)) {
            if (esistente->login != login)
                throw ErroreHub(QStringLiteral("La partita iva %1 appartiene già all'account %2")
                                    .arg(partitaIva, esistente->login));
            return;
        }
        const bool prima = aziende(login).isEmpty();
        esegui(QStringLiteral(
                   "INSERT INTO Aziende (Login, Paese, PartitaIva, CodiceFiscale, Denominazione, Tipo, "
                   "ProgressivoInvio, Attivo, DataAttivazione, DataScadenza) "
                   "VALUES (?, 'IT', ?, ?, ?, ?, 0, 'S', ?, ?)"),
               {login, partitaIva, partitaIva, denominazione, prima ? "M" : "S", inizio, fine});
    });
    return *aziendaPerPartitaIva(partitaIva);
}

bool Archivio::verificaPassword(const QString& login, const QString& password) {
    QSqlQuery q = esegui(QStringLiteral("SELECT Password FROM Account WHERE Login = ?"), {login});
    // An unknown login costs as much as a wrong password, so timing does not tell them apart.
    const QString memorizzata = q.next() ? q.value(0).toString() : QString();
    if (memorizzata.isEmpty()) {
        pbkdf2(password, QByteArray(16, 'x'), IterazioniPbkdf2);
        return false;
    }
    return confrontaPassword(password, memorizzata);
}

QList<Azienda> Archivio::aziende(const QString& login) {
    QList<Azienda> r;
    QSqlQuery q = login.isEmpty()
                      ? esegui(QStringLiteral("SELECT * FROM Aziende ORDER BY Id"))
                      : esegui(QStringLiteral("SELECT * FROM Aziende WHERE Login = ? ORDER BY Id"), {login});
    while (q.next())
        r.push_back(azienda(q));
    return r;
}

std::optional<Azienda> Archivio::aziendaPerPartitaIva(const QString& partitaIva) {
    QSqlQuery q = esegui(QStringLiteral("SELECT * FROM Aziende WHERE PartitaIva = ?"), {partitaIva});
    if (!q.next())
        return std::nullopt;
    return azienda(q);
}

std::optional<Azienda> Archivio::aziendaPerId(qint64 id) {
    QSqlQuery q = esegui(QStringLiteral("SELECT * FROM Aziende WHERE Id = ?"), {id});
    if (!q.next())
        return std::nullopt;
    return azienda(q);
}

void Archivio::impostaAziendaAttiva(const QString& partitaIva, bool attiva) {
    esegui(QStringLiteral("UPDATE Aziende SET Attivo = ? WHERE PartitaIva = ?"),
           {attiva ? QStringLiteral("S") : QStringLiteral("N"), partitaIva});
}

qint64 Archivio::prossimoProgressivo(qint64 idAzienda) {
    esegui(QStringLiteral("UPDATE Aziende SET ProgressivoInvio = ProgressivoInvio + 1 WHERE Id = ?"),
           {idAzienda});
    QSqlQuery q = esegui(QStringLiteral("SELECT ProgressivoInvio FROM Aziende WHERE Id = ?"), {idAzienda});
    return q.next() ? q.value(0).toLongLong() : 0;
}

QList<QStringList> Archivio::servizi(const QString& login) {
    QList<QStringList> r;
    QSqlQuery q = esegui(
        QStringLiteral("SELECT Codice, Descrizione FROM Servizi WHERE Login = ? ORDER BY Codice"), {login});
    while (q.next())
        r.push_back({q.value(0).toString(), q.value(1).toString()});
    return r;
}

QString Archivio::apriSessione(const QString& login, const QString& codiceAzienda, int durataSecondi) {
    const QString token = QString::fromLatin1(casuali(32).toHex());
    const qint64 ora = QDateTime::currentSecsSinceEpoch();
    // Expired sessions are cleared as new ones open, so the table stays small.
    esegui(QStringLiteral("DELETE FROM Sessioni WHERE Scadenza < ?"), {ora});
    esegui(QStringLiteral("INSERT INTO Sessioni (Token, Login, CodiceAzienda, Scadenza) VALUES (?, ?, ?, ?)"),
           {token, login, codiceAzienda, ora + durataSecondi});
    return token;
}

std::optional<Sessione> Archivio::usaSessione(const QString& token, int durataSecondi) {
    if (token.isEmpty())
        return std::nullopt;
    const qint64 ora = QDateTime::currentSecsSinceEpoch();
    QSqlQuery q = esegui(
        QStringLiteral("SELECT Login, CodiceAzienda, Scadenza FROM Sessioni WHERE Token = ?"), {token});
    if (!q.next() || q.value(2).toLongLong() <= ora)
        return std::nullopt;
    Sessione s{token, q.value(0).toString(), q.value(1).toString()};
    esegui(QStringLiteral("UPDATE Sessioni SET Scadenza = ? WHERE Token = ?"), {ora + durataSecondi, token});
    return s;
}

void Archivio::chiudiSessione(const QString& token) {
    esegui(QStringLiteral("DELETE FROM Sessioni WHERE Token = ?"), {token});
}

int Archivio::scadiSessioni() {
    return esegui(QStringLiteral("UPDATE Sessioni SET Scadenza = 0"), {}).numRowsAffected();
}

std::optional<DocumentoAttivo> Archivio::attivo(qint64 id) {
    QSqlQuery q = esegui(QStringLiteral("SELECT * FROM Attivi WHERE Id = ?"), {id});
    if (!q.next())
        return std::nullopt;
    return attivoDa(q, true);
}

std::optional<DocumentoAttivo> Archivio::attivoPerRiferimento(qint64 idAzienda, const QString& riferimento) {
    QSqlQuery q = esegui(QStringLiteral("SELECT * FROM Attivi WHERE IdAzienda = ? AND Riferimento = ?"),
                         {idAzienda, riferimento});
    if (!q.next())
        return std::nullopt;
    return attivoDa(q, true);
}

qint64 Archivio::salvaAttivo(DocumentoAttivo& d) {
    transazione([&] {
        const QString ora = adesso();
        d.dataUltimaVariazione = ora;
        QVariantList v{d.idAzienda, d.riferimento, d.nomeFile, d.contenuto, d.sha256, d.busta, d.stato};
        v += valoriRiepilogo(d.riepilogo);
        v += QVariantList{d.storicizzato, d.dataUltimaVariazione, d.dataOraRicezione, d.dataOraConsegna,
                          d.identificativoSdi};
        const QString colonne =
            QStringLiteral("IdAzienda, Riferimento, NomeFile, Contenuto, Sha256, Busta, Stato, ") +
            ColonneRiepilogo +
            QStringLiteral(", Storicizzato, DataUltimaVariazione, DataOraRicezione, "
                           "DataOraConsegna, IdentificativoSdi");
        if (d.id == 0) {
            d.dataCreazione = ora;
            v.push_back(d.dataCreazione);
            d.id = esegui(QStringLiteral("INSERT INTO Attivi (") + colonne +
                              QStringLiteral(", DataCreazione) VALUES (") +
                              QStringLiteral("?, ").repeated(static_cast<int>(v.size()) - 1) +
                              QStringLiteral("?)"),
                          v)
                       .lastInsertId()
                       .toLongLong();
        } else {
            QString sql = QStringLiteral("UPDATE Attivi SET ");
            const QStringList nomi = colonne.split(QStringLiteral(", "));
            for (qsizetype i = 0; i < nomi.size(); ++i)
                sql += (i ? QStringLiteral(", ") : QString()) + nomi[i] + QStringLiteral(" = ?");
            v.push_back(d.id);
            esegui(sql + QStringLiteral(" WHERE Id = ?"), v);
            esegui(QStringLiteral("DELETE FROM StoriaAttivi WHERE IdDocumento = ?"), {d.id});
        }
        esegui(QStringLiteral("INSERT INTO StoriaAttivi (IdDocumento, Stato, DataOra) VALUES (?, ?, ?)"),
               {d.id, d.stato, ora});
    });
    return d.id;
}

void Archivio::eliminaAttivo(qint64 id) {
    transazione([&] {
        esegui(QStringLiteral("DELETE FROM StoriaAttivi WHERE IdDocumento = ?"), {id});
        esegui(QStringLiteral("DELETE FROM Attivi WHERE Id = ?"), {id});
    });
}

QString Archivio::prossimoIdentificativoSdi() {
    esegui(QStringLiteral("INSERT OR IGNORE INTO Contatori (Nome, Valore) VALUES ('Sdi', 3000000)"));
    esegui(QStringLiteral("UPDATE Contatori SET Valore = Valore + 1 WHERE Nome = 'Sdi'"));
    QSqlQuery q = esegui(QStringLiteral("SELECT Valore FROM Contatori WHERE Nome = 'Sdi'"));
    q.next();
    return q.value(0).toString();
}

void Archivio::cambiaStatoAttivo(DocumentoAttivo& d, const QString& stato) {
    transazione([&] {
        const QString ora = adesso();
        // The exchange system takes the document in charge when it leaves DN: from then on it has
        // its identifier and reception time; delivery and refusal come with the delivery time.
        const bool presoInCarico = stato == u"IC" || stato == u"CO" || stato == u"MC" || stato == u"SC" ||
                                   stato == u"RI" || stato == u"NR" || stato == u"RC";
        if (presoInCarico && d.identificativoSdi.isEmpty())
            d.identificativoSdi = prossimoIdentificativoSdi();
        if (presoInCarico && d.dataOraRicezione.isEmpty())
            d.dataOraRicezione = ora;
        if ((stato == u"CO" || stato == u"RI" || stato == u"RC") && d.dataOraConsegna.isEmpty())
            d.dataOraConsegna = ora;
        d.stato = stato;
        d.dataUltimaVariazione = ora;
        esegui(QStringLiteral("UPDATE Attivi SET Stato = ?, IdentificativoSdi = ?, DataOraRicezione = ?, "
                              "DataOraConsegna = ?, DataUltimaVariazione = ? WHERE Id = ?"),
               {stato, d.identificativoSdi, d.dataOraRicezione, d.dataOraConsegna, ora, d.id});
        esegui(QStringLiteral("INSERT INTO StoriaAttivi (IdDocumento, Stato, DataOra) VALUES (?, ?, ?)"),
               {d.id, stato, ora});
    });
}

QList<DocumentoAttivo> Archivio::attivi(const QList<qint64>& aziende, bool conContenuto) {
    QList<DocumentoAttivo> r;
    for (qint64 id : aziende) {
        QSqlQuery q = esegui(QStringLiteral("SELECT * FROM Attivi WHERE IdAzienda = ? ORDER BY Id"), {id});
        while (q.next())
            r.push_back(attivoDa(q, conContenuto));
    }
    return r;
}

QList<QStringList> Archivio::storiaAttivo(qint64 id) {
    QList<QStringList> r;
    QSqlQuery q = esegui(
        QStringLiteral("SELECT Stato, DataOra FROM StoriaAttivi WHERE IdDocumento = ? ORDER BY rowid"), {id});
    while (q.next())
        r.push_back({q.value(0).toString(), q.value(1).toString()});
    return r;
}

qint64 Archivio::depositaPassivo(DocumentoPassivo& d) {
    transazione([&] {
        if (d.identificativoSdi.isEmpty())
            d.identificativoSdi = prossimoIdentificativoSdi();
        if (d.dataRicezione.isEmpty())
            d.dataRicezione = adesso();
        QVariantList v{d.idAzienda, d.nomeFile, d.contenuto, d.sha256, d.stato};
        v += valoriRiepilogo(d.riepilogo);
        v += QVariantList{d.dataRicezione, d.identificativoSdi, d.storicizzato};
        d.id =
            esegui(QStringLiteral("INSERT INTO Passivi (IdAzienda, NomeFile, Contenuto, Sha256, Stato, ") +
                       ColonneRiepilogo +
                       QStringLiteral(", DataRicezione, IdentificativoSdi, Storicizzato) VALUES (") +
                       QStringLiteral("?, ").repeated(static_cast<int>(v.size()) - 1) + QStringLiteral("?)"),
                   v)
                .lastInsertId()
                .toLongLong();
    });
    return d.id;
}

std::optional<DocumentoPassivo> Archivio::passivo(qint64 id) {
    QSqlQuery q = esegui(QStringLiteral("SELECT * FROM Passivi WHERE Id = ?"), {id});
    if (!q.next())
        return std::nullopt;
    return passivoDa(q, true);
}

QList<DocumentoPassivo> Archivio::passivi(qint64 idAzienda) {
    QList<DocumentoPassivo> r;
    QSqlQuery q =
        esegui(QStringLiteral("SELECT * FROM Passivi WHERE IdAzienda = ? ORDER BY Id"), {idAzienda});
    while (q.next())
        r.push_back(passivoDa(q, false));
    return r;
}

void Archivio::storicizzaPassivo(qint64 id) {
    esegui(QStringLiteral("UPDATE Passivi SET Storicizzato = 'S' WHERE Id = ?"), {id});
}

qint64 Archivio::utilizzati(qint64 idAzienda, int anno) {
    const QString inizio = QString::number(anno) + QStringLiteral("-01-01");
    const QString fine = QString::number(anno + 1) + QStringLiteral("-01-01");
    QSqlQuery q =
        esegui(QStringLiteral("SELECT (SELECT count(*) FROM Attivi WHERE IdAzienda = ? AND DataCreazione "
                              ">= ? AND DataCreazione < ?) + (SELECT count(*) FROM Passivi WHERE "
                              "IdAzienda = ? AND DataRicezione >= ? AND DataRicezione < ?)"),
               {idAzienda, inizio, fine, idAzienda, inizio, fine});
    return q.next() ? q.value(0).toLongLong() : 0;
}

QList<Guasto> Archivio::guasti() {
    QList<Guasto> r;
    QSqlQuery q = esegui(QStringLiteral("SELECT Tipo, Bersaglio, Valore FROM Guasti"));
    while (q.next())
        r.push_back({q.value(0).toString(), q.value(1).toString(), q.value(2).toString()});
    return r;
}

void Archivio::impostaGuasti(const QList<Guasto>& guasti) {
    transazione([&] {
        esegui(QStringLiteral("DELETE FROM Guasti"));
        for (const Guasto& g : guasti)
            esegui(QStringLiteral("INSERT INTO Guasti (Tipo, Bersaglio, Valore) VALUES (?, ?, ?)"),
                   {g.tipo, g.bersaglio, g.valore});
    });
}

} // namespace tesel::hubserver
