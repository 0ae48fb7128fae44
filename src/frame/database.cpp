#include "frame/database.h"

#include "frame/connessioneodbc.h"
#include "frame/currency.h"
#include "frame/odbcdiretto.h"
#include "frame/sqlitediretto.h"

#include <QAtomicInt>
#include <QHash>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <deque>
#include <sqlite3.h>

namespace tesel {

bool conflittoTransitorio(const ErroreDb& e) {
    static const char* const segni[] = {"database is locked",
                                        "database table is locked",
                                        "lock timeout",
                                        "could not obtain lock",
                                        "could not serialize",
                                        "deadlock detected",
                                        "55P03",
                                        "40001",
                                        "40P01"};
    const QString t = e.descrizione();
    return std::any_of(std::begin(segni), std::end(segni),
                       [&](const char* s) { return t.contains(QLatin1String(s), Qt::CaseInsensitive); });
}

ErroreDb::ErroreDb(int numero, const QString& descrizione, const QString& sql)
    : std::runtime_error(QStringLiteral("Errore(%1): %2").arg(numero).arg(descrizione).toStdString()),
      numero_(numero), descrizione_(descrizione), sql_(sql) {
}

namespace {

// SQLite: SQLITE_CONSTRAINT_UNIQUE / _PRIMARYKEY; PostgreSQL: SQLSTATE 23505.
bool eChiaveDuplicata(const QSqlError& e) {
    const QString codice = e.nativeErrorCode();
    const QString testo = e.databaseText() + u' ' + e.driverText();
    return codice == QStringLiteral("2067") || codice == QStringLiteral("1555") ||
           codice.contains(QStringLiteral("23505")) || testo.contains(QStringLiteral("23505")) ||
           testo.contains(QStringLiteral("UNIQUE constraint failed")) ||
           testo.contains(QStringLiteral("duplicate key"));
}

ErroreDb erroreDa(const QSqlError& e, const QString& sql) {
    const QString testo = e.databaseText().isEmpty() ? e.text() : e.databaseText();
    return ErroreDb(eChiaveDuplicata(e) ? ErrChiaveDuplicata : ErrDatabase, testo.trimmed(), sql);
}

[[noreturn]] void solleva(const QSqlError& e, const QString& sql) {
    throw erroreDa(e, sql);
}

// The first column of the first row of the result `i` is on (invalid without a row), and `i`
// given back with no result pending, ready for its next run; false with `errore` set when the
// row could not be read.
bool primoValoreOdbc(IstruzioneOdbc& i, TestiOdbc& testi, QVariant& valore, QSqlError& errore) {
    bool ok = true;
    if (i.comando.aperta()) {
        RigheOdbc righe(i.comando, testi);
        ok = i.descrivi(errore);
        if (ok && !i.letture.empty() &&
            righe.prossima(i.letture.front(), valore) == RigheOdbc::Esito::Errore) {
            errore = righe.errore();
            ok = false;
        }
    }
    i.comando.chiudi();
    return ok;
}

// The values of a statement as they are bound (ParametroSql).
QVariantList parametriSql(const QVariantList& valori, Dialetto dialetto) {
    QVariantList legati;
    legati.reserve(valori.size());
    for (const QVariant& v : valori)
        legati << ParametroSql(v, dialetto);
    return legati;
}

QString nuovoNomeConnessione() {
    static QAtomicInt contatore;
    return QStringLiteral("tesel-%1").arg(contatore.fetchAndAddRelaxed(1));
}

// The single table a SELECT reads, when it reads only one (needed to write rows back).
QString tabellaDellaSelect(const QString& sql) {
    static const QRegularExpression re(QStringLiteral("\\bfrom\\s+([A-Za-z_][A-Za-z0-9_]*)"),
                                       QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression join(QStringLiteral("\\bjoin\\b|\\bfrom\\s+[A-Za-z0-9_]+\\s*,"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(sql);
    if (!m.hasMatch() || join.match(sql).hasMatch())
        return {};
    return m.captured(1);
}

// The "?" outside quotes of `sql` replaced by the literals of `valori`.
QString valoriNelTesto(const QString& sql, const QVariantList& valori) {
    QString testo;
    testo.reserve(sql.size() + 16 * valori.size());
    qsizetype usati = 0;
    bool traApici = false;
    for (const QChar c : sql) {
        if (c == u'\'')
            traApici = !traApici;
        if (c == u'?' && !traApici) {
            if (usati >= valori.size())
                throw ErroreDb(ErrDatabase, QStringLiteral("Parameter count mismatch"), sql);
            testo += SqlValore(valori[usati++]);
        } else {
            testo += c;
        }
    }
    if (usati != valori.size())
        throw ErroreDb(ErrDatabase, QStringLiteral("Parameter count mismatch"), sql);
    return testo;
}

// The table an INSERT, UPDATE or DELETE writes, in lower case; empty for any other statement.
QString tabellaScritta(const QString& sql) {
    static const QRegularExpression re(
        QStringLiteral("^\\s*(?:insert\\s+into|update|delete\\s+from)\\s+([A-Za-z_][A-Za-z0-9_]*)"),
        QRegularExpression::CaseInsensitiveOption);
    const auto m = re.match(sql);
    return m.hasMatch() ? m.captured(1).toLower() : QString();
}

bool controlloTransazione(const QString& sql) {
    static const QRegularExpression re(QStringLiteral("^\\s*(?:savepoint|release|rollback|commit)\\b"),
                                       QRegularExpression::CaseInsensitiveOption);
    return re.match(sql).hasMatch();
}

// Of the statements sent in one text, the one a failure belongs to: the server stops at the
// first that fails, but the driver reports the text as a whole. The server's message names the
// table, or a key or index of it, for most failures of a write ("fatxmldett_pkey",
// "ix_fatxmltest_nomefile"); when that does not single one out, every candidate is named.
QString istruzioneFallita(const QSqlError& e, const QStringList& candidate) {
    if (candidate.size() == 1)
        return candidate.front();
    static const QRegularExpression citato(QStringLiteral("\"([^\"]+)\""));
    QStringList nomi;
    for (auto it = citato.globalMatch(e.databaseText() + u' ' + e.driverText()); it.hasNext();)
        nomi << it.next().captured(1).toLower();
    QStringList trovate;
    for (const QString& c : candidate) {
        const QString t = tabellaScritta(c);
        if (t.isEmpty())
            continue;
        const bool nominata = std::any_of(nomi.begin(), nomi.end(), [&](const QString& n) {
            return n == t || n.startsWith(t + u'_') || n.startsWith(QStringLiteral("ix_") + t + u'_');
        });
        if (nominata)
            trovate << c;
    }
    return (trovate.isEmpty() ? candidate : trovate).join(QStringLiteral(";\n"));
}

// `sql` with its "?" outside quotes numbered as a server's parameters ($1, $2, ...).
QString conParametriNumerati(const QString& sql) {
    QString testo;
    testo.reserve(sql.size() + sql.size() / 8);
    int n = 0;
    bool traApici = false;
    for (const QChar c : sql) {
        if (c == u'\'')
            traApici = !traApici;
        if (c == u'?' && !traApici)
            testo += u'$' + QString::number(++n);
        else
            testo += c;
    }
    return testo;
}

// The type a value is declared with when a named statement is prepared for it, as the driver
// types a bound value: whole numbers and doubles by their type, the rest (texts, amounts and
// dates as text, nulls) from where the statement uses them.
QLatin1String tipoParametro(const QVariant& v) {
    if (v.isNull())
        return QLatin1String("unknown");
    const int id = v.metaType().id();
    if (tipoIntero(id) || id == QMetaType::Bool)
        return QLatin1String("bigint");
    if (id == QMetaType::Double || id == QMetaType::Float)
        return QLatin1String("double precision");
    return QLatin1String("unknown");
}

// The literals of "EXECUTE nome(a, 'b, c', Null)".
QStringList argomentiEsecuzione(const QString& testo) {
    QStringList argomenti;
    const qsizetype inizio = testo.indexOf(u'(');
    if (inizio < 0 || !testo.endsWith(u')'))
        return argomenti;
    QString corrente;
    bool traApici = false;
    for (qsizetype i = inizio + 1; i < testo.size() - 1; ++i) {
        const QChar c = testo[i];
        if (c == u'\'')
            traApici = !traApici;
        if (c == u',' && !traApici) {
            argomenti << corrente.trimmed();
            corrente.clear();
        } else {
            corrente += c;
        }
    }
    argomenti << corrente.trimmed();
    return argomenti;
}

// The "?" outside quotes of `sql` replaced by `letterali`, as far as they go.
QString conLetterali(const QString& sql, const QStringList& letterali) {
    QString testo;
    qsizetype usati = 0;
    bool traApici = false;
    for (const QChar c : sql) {
        if (c == u'\'')
            traApici = !traApici;
        if (c == u'?' && !traApici && usati < letterali.size())
            testo += letterali[usati++];
        else
            testo += c;
    }
    return testo;
}

bool preparazione(const QString& testo) {
    return testo.startsWith(QLatin1String("PREPARE "));
}

// Drops the waiting texts from `da` on; a statement whose PREPARE goes unsent is prepared with
// its next use.
template <class Sospese> void scartaSospese(PreparateOdbc* preparate, Sospese& sospese, size_t da) {
    for (size_t k = da; k < sospese.size(); ++k)
        if (preparate && preparazione(sospese[k].testo))
            preparate->nonInviata(sospese[k].testo.section(u' ', 1, 1));
    sospese.erase(sospese.begin() + static_cast<std::ptrdiff_t>(std::min(da, sospese.size())), sospese.end());
}

// A statement with values as a text that runs a statement prepared on the server by name:
// "EXECUTE nome(valori)" with the values written by SqlValore, its PREPARE put in `sospese`
// (which go in front of it) the first time. Empty when the text must carry its values itself:
// one the server cannot type ("? IS NULL"), or past the bound of named statements.
template <class Sospese>
QString esecuzioneNominata(PreparateOdbc& preparate, Sospese& sospese, const QString& sql,
                           const QVariantList& valori) {
    static const QRegularExpression senzaTipo(QStringLiteral("\\?\\s*IS\\b"),
                                              QRegularExpression::CaseInsensitiveOption);
    if (valori.isEmpty() || preparate.soloTesto(sql))
        return {};
    QString tipi;
    for (const QVariant& v : valori)
        tipi += (tipi.isEmpty() ? QString() : QStringLiteral(", ")) + tipoParametro(v);
    // A statement named before passed the look for untyped values then.
    PreparateOdbc::Nominata* n = preparate.nominata(sql, tipi, false);
    if (!n) {
        if (senzaTipo.match(sql).hasMatch())
            return {};
        n = preparate.nominata(sql, tipi, true);
        if (!n)
            return {};
    }
    if (n->stato == PreparateOdbc::Nominata::Stato::DaPreparare) {
        sospese.push_back({QStringLiteral("PREPARE ") + n->nome + QStringLiteral(" (") + tipi +
                           QStringLiteral(") AS ") + conParametriNumerati(sql)});
        n->stato = PreparateOdbc::Nominata::Stato::Inviata;
    }
    QString testo;
    testo.reserve(n->nome.size() + 10 + 16 * valori.size());
    testo += QStringLiteral("EXECUTE ") + n->nome + u'(';
    for (qsizetype k = 0; k < valori.size(); ++k) {
        if (k > 0)
            testo += QStringLiteral(", ");
        testo += SqlValore(valori[k]);
    }
    testo += u')';
    return testo;
}

// Qt's ODBC driver puts "DSN=" (or "FILEDSN=" for a name containing ".dsn") before whatever
// it is given unless the text names a DRIVER or SERVER, so the tag is left to it.
QString testoPerDriverOdbc(const QString& connect) {
    QString t = connect.mid(5); // without "ODBC;"
    if (t.startsWith(QStringLiteral("DSN="), Qt::CaseInsensitive))
        t.remove(0, 4);
    else if (t.startsWith(QStringLiteral("FILEDSN="), Qt::CaseInsensitive))
        t.remove(0, 8);
    return t;
}

} // namespace

TipoConnessione tipoConnessione(const QString& testo) {
    const QString t = testo.trimmed();
    if (t.toUpper().startsWith(QStringLiteral("ODBC;")) || t.toLower().endsWith(QStringLiteral(".dsn")) ||
        !t.contains(u'.'))
        return TipoConnessione::Odbc;
    return TipoConnessione::FileDatabase;
}

QString testoConnessioneOdbc(const QString& testo, const QString& utente, const QString& password) {
    const QString t = testo.trimmed();
    if (tipoConnessione(t) != TipoConnessione::Odbc)
        return {};
    if (t.toUpper().startsWith(QStringLiteral("ODBC;")))
        return t;
    QString login;
    if (!utente.isEmpty()) {
        login = QStringLiteral("UID=") + utente;
        if (!password.isEmpty())
            login += QStringLiteral(";PWD=") + password;
    }
    if (t.toLower().endsWith(QStringLiteral(".dsn")))
        return QStringLiteral("ODBC;FIleDSN=") + t + u';' + login;
    return QStringLiteral("ODBC;DSN=") + t + u';' + login;
}

namespace {

// A statement or savepoint journal that outgrows what SQLite keeps in memory (64 KB unless
// told otherwise) goes to a temporary file for the rest of its transaction, two writes for
// each page it saves. Each file of an import batch is a savepoint that saves the thirty or so
// pages it changes, about 120 KB: some sixty writes a file, a fifth of the batch's time spent
// in the kernel. A megabyte each stays in memory (a journal is emptied when its statement or
// savepoint ends); a larger one still goes to its file. SQLite takes the setting only before
// its first connection: the first database file opened gives it, once for the process.
void configuraSqlite() {
    // Refused only once SQLite has started: the journals then keep the default, which is
    // slower and never wrong.
    [[maybe_unused]] static const int esito = sqlite3_config(SQLITE_CONFIG_STMTJRNL_SPILL, 1024 * 1024);
}

} // namespace

std::unique_ptr<Database> Database::apri(const QString& testo, const QString& utente,
                                         const QString& password) {
    std::unique_ptr<Database> db(new Database);
    db->nome_ = nuovoNomeConnessione();
    db->tipo_ = tipoConnessione(testo);
    QSqlDatabase q;
    if (db->tipo_ == TipoConnessione::FileDatabase) {
        configuraSqlite();
        q = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), db->nome_);
        q.setDatabaseName(testo.trimmed());
        q.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=15000"));
        db->dialetto_ = Dialetto::SQLite;
    } else {
        q = QSqlDatabase::addDatabase(QStringLiteral("QODBC"), db->nome_);
        q.setDatabaseName(
            conImpostazioniDriverOdbc(testoPerDriverOdbc(testoConnessioneOdbc(testo, utente, password))));
        db->dialetto_ = Dialetto::PostgreSQL;
    }
    if (!q.open()) {
        const QSqlError e = q.lastError();
        q = QSqlDatabase();
        QSqlDatabase::removeDatabase(db->nome_);
        db->nome_.clear();
        throw ErroreDb(
            ErrDatabase,
            QStringLiteral("Impossibile aprire il database %1: %2").arg(testo, e.text().trimmed()));
    }
    if (db->dialetto_ == Dialetto::SQLite) {
        const QVariant handle = q.driver()->handle();
        if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
            if (sqlite3* h = *static_cast<sqlite3* const*>(handle.constData()))
                db->diretta_ = std::make_unique<ConnessioneSqlite>(h);
        // Every statement on a database file goes to SQLite directly.
        if (!db->diretta_)
            throw ErroreDb(
                ErrDatabase,
                QStringLiteral("Impossibile aprire il database %1: il driver SQLite non dà accesso "
                               "diretto alla connessione")
                    .arg(testo));
        // WAL lets readers and one writer share the file across processes.
        db->valore(QStringLiteral("PRAGMA journal_mode=WAL"));
        db->EseguiSql(QStringLiteral("PRAGMA synchronous=NORMAL"));
    } else {
        db->preparate_ = std::make_unique<PreparateOdbc>(db->nome_);
        // Once for the connection rather than with each transaction, where it would cost a
        // round trip: whatever the server's default, a transaction reads what others committed.
        db->EseguiSql(
            QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION ISOLATION LEVEL READ COMMITTED"));
    }
    return db;
}

Database::~Database() {
    // Statements before the connection they belong to.
    preparate_.reset();
    diretta_.reset();
    if (nome_.isEmpty())
        return;
    {
        QSqlDatabase q = QSqlDatabase::database(nome_, false);
        if (livello_ > 0 && q.isOpen())
            q.rollback();
        q.close();
    }
    QSqlDatabase::removeDatabase(nome_);
}

QSqlDatabase Database::qt() const {
    return QSqlDatabase::database(nome_, false);
}

void Database::fallisce(const QSqlError& e, const QString& sql) {
    if (!preparate_ || livello_ == 0)
        solleva(e, sql);
    // Every statement after the first failure is refused with "current transaction is
    // aborted", which tells the user nothing: the first failure is the one reported.
    if (!primoErrore_)
        primoErrore_ = erroreDa(e, sql);
    throw *primoErrore_;
}

int Database::EseguiSql(const QString& sql) {
    if (diretta_)
        return diretta_->esegui(sql);
    static const QRegularExpression ddl(QStringLiteral("^\\s*(create|alter|drop)\\b"),
                                        QRegularExpression::CaseInsensitiveOption);
    // A kept plan whose table changes shape would fail ("cached plan must not change result
    // type"), and would abort the transaction it runs in.
    if (preparate_ && ddl.match(sql).hasMatch())
        preparate_->svuota();
    const auto i = preparate_->perTesto(sql);
    eseguiTesto(*i, sql);
    return i->comando.righeToccate();
}

bool Database::scrittureSospese() const {
    return std::any_of(sospese_.begin(), sospese_.end(), [](const Sospesa& s) { return s.scrittura; });
}

void Database::accoda(QString testo) {
    caratteriSospesi_ += testo.size();
    sospese_.push_back({std::move(testo), true});
    // A long file's lines would otherwise wait in memory until its commit: past a bound they
    // go on their own.
    constexpr qsizetype MassimoCaratteri = 1 << 20;
    if (caratteriSospesi_ > MassimoCaratteri) {
        const QString ultima = std::move(sospese_.back().testo);
        sospese_.pop_back();
        eseguiTesto(*preparate_->perTesto(ultima), ultima);
    }
}

void Database::eseguiTesto(IstruzioneOdbc& i, const QString& sql, const QVariantList* valori) {
    if (preparate_)
        preparate_->inizioInAttesa = false;
    std::vector<Sospesa> davanti;
    davanti.swap(sospese_);
    caratteriSospesi_ = 0;
    QString testo;
    bool conPreparazioni = false;
    if (davanti.empty()) {
        testo = sql;
    } else {
        for (const Sospesa& s : davanti)
            conPreparazioni = conPreparazioni || preparazione(s.testo);
        qsizetype lunghezza = sql.size();
        for (const Sospesa& s : davanti)
            lunghezza += s.testo.size() + 1;
        testo.reserve(lunghezza);
        for (const Sospesa& s : davanti)
            testo += s.testo + u';';
        testo += sql;
    }
    QSqlError errore;
    bool ok = false;
    if (!valori) {
        ok = i.comando.eseguiTesto(testo, errore);
    } else if ((ok = i.comando.prepara(testo, errore))) {
        ok = i.comando.esegui(parametriSql(*valori, dialetto_), errore);
    }
    if (!ok) {
        QStringList candidate;
        for (const Sospesa& s : davanti) {
            if (!s.scrittura)
                continue;
            // A named statement is told by its own text and values.
            const PreparateOdbc::Nominata* n =
                s.testo.startsWith(QLatin1String("EXECUTE ")) && preparate_
                    ? preparate_->perNome(s.testo.section(u' ', 1, 1).section(u'(', 0, 0))
                    : nullptr;
            candidate << (n ? conLetterali(n->sql, argomentiEsecuzione(s.testo)) : s.testo);
        }
        if (candidate.isEmpty() || !controlloTransazione(sql)) {
            const PreparateOdbc::Nominata* n =
                sql.startsWith(QLatin1String("EXECUTE ")) && preparate_
                    ? preparate_->perNome(sql.section(u' ', 1, 1).section(u'(', 0, 0))
                    : nullptr;
            candidate << (n ? conLetterali(n->sql, argomentiEsecuzione(sql)) : sql);
        }
        if (conPreparazioni) {
            // A text the server could not type goes with its values written in from now on.
            if (erroreTipoValore(errore))
                for (const Sospesa& s : davanti)
                    if (preparazione(s.testo))
                        if (const auto* n = preparate_->perNome(s.testo.section(u' ', 1, 1)))
                            preparate_->segnaSoloTesto(n->sql);
            preparate_->inviate(false);
        }
        fallisce(errore, istruzioneFallita(errore, candidate));
    }
    if (conPreparazioni)
        preparate_->inviate(true);
    // The results of the texts sent in front come first.
    for (size_t k = 0; k < davanti.size(); ++k)
        i.comando.prossimoRisultato();
}

void Database::descriviNominata(IstruzioneOdbc& i, const QString& esecuzione) {
    // The name tells the text and the types of its values, which may type a column too.
    const QString nome = esecuzione.section(u' ', 1, 1).section(u'(', 0, 0);
    if (const PreparateOdbc::Colonne* c = preparate_->colonneNominata(nome)) {
        i.descrizione = c->descrizione;
        i.letture = c->letture;
        return;
    }
    QSqlError errore;
    if (i.descrivi(errore))
        preparate_->ricordaColonne(nome, {i.descrizione, i.letture});
}

std::shared_ptr<IstruzioneOdbc> Database::eseguiPreparata(const QString& sql, const QVariantList& valori) {
    if (preparate_->soloTesto(sql))
        return nullptr;
    const bool inizio = preparate_->inizioInAttesa;
    preparate_->inizioInAttesa = false;
    if (!sospese_.empty()) {
        // Behind the waiting texts, in one round trip, as a statement the server keeps prepared
        // by name; else the driver writes the values into the text itself.
        auto i = preparate_->perTesto(sql);
        const QString esecuzione = esecuzioneNominata(*preparate_, sospese_, sql, valori);
        if (esecuzione.isEmpty()) {
            eseguiTesto(*i, sql, &valori);
        } else {
            eseguiTesto(*i, esecuzione);
            descriviNominata(*i, esecuzione);
        }
        return i;
    }
    if (inizio && livello_ > 0) {
        // The first statement of a transaction, as a text the driver's BEGIN rides with, and
        // kept prepared by name on the server rather than planned at each run.
        auto i = preparate_->perTesto(sql);
        const QString esecuzione = esecuzioneNominata(*preparate_, sospese_, sql, valori);
        if (!esecuzione.isEmpty()) {
            try {
                eseguiTesto(*i, esecuzione);
                descriviNominata(*i, esecuzione);
                return i;
            } catch (const ErroreDb&) {
                // Nothing of the transaction had run: it begins again, and the text takes the
                // driver's way below, which answers as it always did (a value the server
                // could not type has marked the text to go with its values written inside).
                QSqlDatabase q = qt();
                q.rollback();
                primoErrore_.reset();
                if (!q.transaction())
                    solleva(q.lastError(), QStringLiteral("BEGIN"));
                if (preparate_->soloTesto(sql))
                    return nullptr;
            }
        }
    }
    // The first run of a text with values may be refused (a value the server cannot type):
    // inside a transaction it runs under a savepoint, so the refusal does not abort the
    // transaction.
    const bool prova = livello_ > 0 && !valori.isEmpty() && !preparate_->pronta(sql);
    if (prova)
        EseguiSql(QStringLiteral("SAVEPOINT tesel_prova"));
    const auto fallita = [&](const QSqlError& e) -> std::shared_ptr<IstruzioneOdbc> {
        if (prova)
            EseguiSql(QStringLiteral("ROLLBACK TO SAVEPOINT tesel_prova;RELEASE SAVEPOINT tesel_prova"));
        // Without the probe's savepoint the failure has aborted the transaction: running the
        // text again would only be refused as well.
        else if (livello_ > 0)
            fallisce(e, sql);
        if (!erroreTipoValore(e))
            solleva(e, sql);
        preparate_->segnaSoloTesto(sql);
        return nullptr;
    };
    QSqlError errore;
    std::shared_ptr<IstruzioneOdbc> i = preparate_->prendi(sql, errore);
    if (!i)
        return fallita(errore);
    if (!i->comando.esegui(parametriSql(valori, dialetto_), errore))
        return fallita(errore);
    if (prova)
        EseguiSql(QStringLiteral("RELEASE SAVEPOINT tesel_prova"));
    i->eseguita = true;
    return i;
}

void Database::EseguiInCoda(const QString& sql, const QVariantList& valori) {
    if (diretta_ || !sqlServer() || livello_ == 0) {
        if (valori.isEmpty())
            EseguiSql(sql);
        else
            EseguiConValori(sql, valori);
        return;
    }
    const QString esecuzione = esecuzioneNominata(*preparate_, sospese_, sql, valori);
    accoda(!esecuzione.isEmpty() ? esecuzione : valori.isEmpty() ? sql : valoriNelTesto(sql, valori));
}

int Database::EseguiConValori(const QString& sql, const QVariantList& valori) {
    if (diretta_)
        return diretta_->esegui(sql, valori);
    if (const auto i = eseguiPreparata(sql, valori))
        return i->comando.righeToccate();
    return EseguiSql(valoriNelTesto(sql, valori));
}

QVariant Database::valore(const QString& sql) {
    if (diretta_) {
        ConnessioneSqlite::Istruzione i = diretta_->prepara(sql, false);
        if (!i || !i.passo() || i.colonne() == 0)
            return {};
        return i.valore(0);
    }
    if (preparate_ && !preparate_->inizioInAttesa && preparate_->ripetuta(sql))
        if (const auto i = eseguiPreparata(sql, {})) {
            QVariant v;
            QSqlError e;
            if (!primoValoreOdbc(*i, preparate_->testi, v, e))
                fallisce(e, sql);
            return v;
        }
    const auto testo = preparate_->perTesto(sql);
    eseguiTesto(*testo, sql);
    QVariant v;
    QSqlError e;
    if (!primoValoreOdbc(*testo, preparate_->testi, v, e))
        fallisce(e, sql);
    return v;
}

void Database::IniziaTrans() {
    if (livello_ == 0) {
        if (dialetto_ == Dialetto::SQLite) {
            // Take the write lock now: a deferred transaction that reads and then writes
            // can fail at once when another process writes first.
            EseguiSql(QStringLiteral("BEGIN IMMEDIATE"));
        } else {
            QSqlDatabase q = qt();
            if (!q.transaction())
                solleva(q.lastError(), QStringLiteral("BEGIN"));
            if (preparate_)
                preparate_->inizioInAttesa = true;
            // PostgreSQL's isolation is set once for the connection.
            if (sqlServer() && dialetto_ != Dialetto::PostgreSQL)
                EseguiSql(QStringLiteral("SET TRANSACTION ISOLATION LEVEL READ UNCOMMITTED"));
        }
        sospese_.clear();
        caratteriSospesi_ = 0;
    } else if (sqlServer()) {
        sospese_.push_back({QStringLiteral("SAVEPOINT tesel_%1").arg(livello_)});
    } else {
        // SQLite ends a transaction by itself on some failures (a full disk, an I/O error): a
        // savepoint opened then would begin a transaction of its own, committed at its release
        // while the caller believes it part of the one it opened.
        if (diretta_ && sqlite3_get_autocommit(diretta_->handle()) != 0)
            throw ErroreDb(ErrDatabase, QStringLiteral("La transazione è stata annullata dal database"),
                           QStringLiteral("SAVEPOINT"));
        EseguiSql(QStringLiteral("SAVEPOINT tesel_%1").arg(livello_));
    }
    ++livello_;
}

void Database::ConfermaTrans() {
    if (livello_ <= 0)
        throw ErroreDb(ErrDatabase, QStringLiteral("Nessuna transazione aperta da confermare"));
    // The server has aborted the transaction and would answer the commit with a rollback
    // without an error: nothing of it may be reported as saved. An inner unit is left open
    // for its caller to undo.
    if (primoErrore_) {
        const ErroreDb errore = *primoErrore_;
        if (livello_ == 1)
            AnnullaTrans();
        throw errore;
    }
    if (livello_ > 1) {
        const QString rilascio = QStringLiteral("RELEASE SAVEPOINT tesel_%1").arg(livello_ - 1);
        if (!sqlServer()) {
            --livello_;
            EseguiSql(rilascio);
        } else if (scrittureSospese()) {
            // The queued writes go now, the release behind them: one that fails stops the
            // text before the release, so the unit is still open and its savepoint there for
            // the caller to roll back to.
            EseguiSql(rilascio);
            --livello_;
        } else {
            --livello_;
            if (!sospese_.empty() &&
                sospese_.back().testo == QStringLiteral("SAVEPOINT tesel_%1").arg(livello_))
                sospese_.pop_back(); // nothing ran under it
            else
                sospese_.push_back({rilascio});
        }
        return;
    }
    if (sqlServer() && scrittureSospese()) {
        // The queued writes and the commit in one round trip; the driver sees the transaction
        // ended and sends nothing more for it below. A write that fails stops the text before
        // the commit: the transaction is rolled back and nothing of it is reported as saved.
        try {
            eseguiTesto(*preparate_->perTesto(QStringLiteral("COMMIT")), QStringLiteral("COMMIT"));
        } catch (const ErroreDb&) {
            AnnullaTrans();
            throw;
        }
    }
    sospese_.clear();
    caratteriSospesi_ = 0;
    if (dialetto_ == Dialetto::SQLite) {
        EseguiSql(QStringLiteral("COMMIT"));
    } else {
        QSqlDatabase q = qt();
        if (!q.commit())
            solleva(q.lastError(), QStringLiteral("COMMIT"));
    }
    livello_ = 0;
    ripristinaIsolamento();
}

void Database::AnnullaTrans() {
    if (livello_ <= 0)
        return;
    if (livello_ > 1) {
        --livello_;
        const QString punto = QStringLiteral("tesel_%1").arg(livello_);
        if (sqlServer()) {
            const QString apertura = QStringLiteral("SAVEPOINT ") + punto;
            const auto it = std::find_if(sospese_.rbegin(), sospese_.rend(),
                                         [&](const Sospesa& s) { return s.testo == apertura; });
            if (it != sospese_.rend()) {
                // Not sent yet: the savepoint and whatever waits behind it are dropped unsent.
                scartaSospese(preparate_.get(), sospese_,
                              static_cast<size_t>(std::prev(it.base()) - sospese_.begin()));
                caratteriSospesi_ = 0;
                for (const Sospesa& s : sospese_)
                    caratteriSospesi_ += s.testo.size();
                return;
            }
            // Sent already: everything still waiting came after it, and is undone with it.
            scartaSospese(preparate_.get(), sospese_, 0);
            caratteriSospesi_ = 0;
        }
        // Rolling back to it also undoes any savepoint opened inside and not yet released, and
        // makes a transaction aborted by a failure usable again. When the failure came before
        // the savepoint was made (a write queued in front of it), the server refuses this and
        // the first failure stays the one reported: the unit around it must be undone too.
        EseguiSql(QStringLiteral("ROLLBACK TO SAVEPOINT ") + punto);
        primoErrore_.reset();
        if (sqlServer())
            sospese_.push_back({QStringLiteral("RELEASE SAVEPOINT ") + punto});
        else
            EseguiSql(QStringLiteral("RELEASE SAVEPOINT ") + punto);
        return;
    }
    livello_ = 0;
    scartaSospese(preparate_.get(), sospese_, 0);
    caratteriSospesi_ = 0;
    primoErrore_.reset();
    if (dialetto_ == Dialetto::SQLite) {
        EseguiSql(QStringLiteral("ROLLBACK"));
    } else {
        QSqlDatabase q = qt();
        if (!q.rollback())
            solleva(q.lastError(), QStringLiteral("ROLLBACK"));
    }
    ripristinaIsolamento();
}

void Database::ripristinaIsolamento() {
    // PostgreSQL sets the isolation per transaction and warns about a SET outside one, so
    // the statement that restores read-committed is only sent to other SQL servers.
    if (sqlServer() && dialetto_ != Dialetto::PostgreSQL)
        EseguiSql(QStringLiteral("SET TRANSACTION ISOLATION LEVEL READ COMMITTED"));
}

Database::Selezione Database::selezioneUltimoNumero(const QString& tabella, const QString& campo, int anno,
                                                    bool annuale, QLatin1String colonnaAnno) {
    // The highest number read off the end of the index on (anno, campo) rather than max():
    // PostgreSQL, with statistics taken while the table was small, computes max() by reading
    // every row of the year. Nulls sort first on one engine and last on the other: left out.
    // The year is bound: the server plans the text once per connection.
    Selezione s;
    s.sql = QStringLiteral("Select ") + campo + QStringLiteral(" as MaxNum from ") + tabella +
            QStringLiteral(" where ");
    if (annuale) {
        s.sql += colonnaAnno + QStringLiteral(" = ? and ");
        s.valori << anno;
    }
    s.sql += campo + QStringLiteral(" is not null order by ") + campo + QStringLiteral(" desc limit 1");
    return s;
}

std::int64_t Database::numeroDopo(const Recordset& ultimo) {
    const QVariant v = ultimo.RsEof() ? QVariant() : ultimo.LeggiCampo(QStringLiteral("MaxNum"));
    if (!v.isValid() || v.isNull())
        return 1;
    const auto n = Currency::daVariant(v);
    return n ? n->decimillesimi() / Currency::Scala + 1 : 1;
}

std::int64_t Database::ProssimoNumero(const QString& tabella, const QString& campo, int anno, bool annuale,
                                      QLatin1String colonnaAnno) {
    return numeroDopo(ApriRs(selezioneUltimoNumero(tabella, campo, anno, annuale, colonnaAnno)));
}

QStringList Database::chiavePrimaria(const QString& tabella) {
    const QString chiave = tabella.toLower();
    for (const auto& [t, colonne] : chiavi_)
        if (t == chiave)
            return colonne;
    QStringList colonne;
    if (dialetto_ == Dialetto::SQLite) {
        QSqlQuery q(qt());
        if (!q.exec(QStringLiteral("PRAGMA table_info(") + tabella + QStringLiteral(")")))
            solleva(q.lastError(), tabella);
        std::vector<std::pair<int, QString>> pk;
        while (q.next())
            if (q.value(5).toInt() > 0)
                pk.emplace_back(q.value(5).toInt(), q.value(1).toString());
        std::sort(pk.begin(), pk.end());
        for (const auto& [ordine, nome] : pk)
            colonne << nome;
    } else {
        const QString sql =
            QStringLiteral("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid "
                           "AND a.attnum = "
                           "ANY(i.indkey) WHERE i.indisprimary AND i.indrelid = to_regclass(") +
            quotaSql(tabella.toLower()) + QStringLiteral(") ORDER BY array_position(i.indkey, a.attnum)");
        for (Recordset rs = ApriRs(sql); !rs.RsEof(); rs.RsMoveNext())
            colonne << rs.leggiTesto(QStringLiteral("attname"));
    }
    chiavi_.emplace_back(chiave, colonne);
    return colonne;
}

bool Database::esisteTabella(const QString& tabella) {
    const QString sql =
        dialetto_ == Dialetto::SQLite
            ? QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = 'table' AND lower(name) = ") +
                  quotaSql(tabella.toLower())
            : QStringLiteral("SELECT 1 WHERE to_regclass(") + quotaSql(tabella.toLower()) +
                  QStringLiteral(") IS NOT NULL");
    return valore(sql).isValid();
}

bool Database::contiNumerici() {
    if (contiNumerici_)
        return *contiNumerici_;
    // PianoConti's Gruppo stands for every account column: the suite declares them alike.
    const QVariant tipo = valore(
        dialetto_ == Dialetto::SQLite
            ? QStringLiteral(
                  "SELECT upper(type) FROM pragma_table_info('PianoConti') WHERE lower(name) = 'gruppo'")
            : QStringLiteral("SELECT t.typcategory FROM pg_attribute a JOIN pg_type t ON t.oid = a.atttypid "
                             "WHERE a.attrelid = to_regclass('pianoconti') AND a.attname = 'gruppo'"));
    // Without a chart of accounts yet, nothing is learnt: it may be created in a moment.
    if (!tipo.isValid())
        return false;
    const QString t = tipo.toString();
    // SQLite's own rule for a column's affinity; PostgreSQL's numeric type category.
    contiNumerici_ = dialetto_ == Dialetto::SQLite
                         ? t.contains(QStringLiteral("INT")) || t.contains(QStringLiteral("NUM")) ||
                               t.contains(QStringLiteral("DEC"))
                         : t == QStringLiteral("N");
    return *contiNumerici_;
}

Recordset Database::ApriRs(const QString& sql) {
    if (preparate_ && !preparate_->inizioInAttesa && preparate_->ripetuta(sql))
        if (auto i = eseguiPreparata(sql, {}))
            return Recordset(std::make_unique<Recordset::Dati>(this, std::move(i)));
    auto d = std::make_unique<Recordset::Dati>(this, sql, nullptr);
    return Recordset(std::move(d));
}

Recordset Database::ApriRs(const QString& sql, const QVariantList& valori) {
    if (diretta_)
        return Recordset(std::make_unique<Recordset::Dati>(this, sql, &valori));
    if (auto i = eseguiPreparata(sql, valori))
        return Recordset(std::make_unique<Recordset::Dati>(this, std::move(i)));
    return ApriRs(valoriNelTesto(sql, valori));
}

Recordset Database::ApriRs(const Selezione& s) {
    return s.valori.isEmpty() ? ApriRs(s.sql) : ApriRs(s.sql, s.valori);
}

std::vector<Recordset> Database::ApriInsieme(const std::vector<Selezione>& selezioni) {
    std::vector<Recordset> letti;
    letti.reserve(selezioni.size());
    if (diretta_ || selezioni.size() < 2) {
        for (const Selezione& s : selezioni)
            letti.push_back(ApriRs(s));
        return letti;
    }
    // Each selection as the statement named for it, or as a text carrying its values.
    QStringList testi;
    for (const Selezione& s : selezioni) {
        QString testo =
            s.valori.isEmpty() ? s.sql : esecuzioneNominata(*preparate_, sospese_, s.sql, s.valori);
        testi << (testo.isEmpty() ? valoriNelTesto(s.sql, s.valori) : testo);
    }
    const QString insieme = testi.join(u';');
    const auto i = preparate_->perTesto(insieme);
    eseguiTesto(*i, insieme);
    for (size_t k = 0; k < selezioni.size(); ++k) {
        if (k > 0)
            i->comando.prossimoRisultato();
        const QString& testo = testi[static_cast<qsizetype>(k)];
        i->descrizione.reset();
        i->letture.clear();
        QSqlError errore;
        if (testo.startsWith(QLatin1String("EXECUTE ")))
            descriviNominata(*i, testo);
        else if (!i->descrivi(errore))
            fallisce(errore, selezioni[k].sql);
        if (!i->descrizione) {
            i->comando.chiudi();
            fallisce(QSqlError(QStringLiteral("Nessun risultato"), {}, QSqlError::StatementError),
                     selezioni[k].sql);
        }
        std::deque<QList<QVariant>> righe;
        RigheOdbc lettura(i->comando, preparate_->testi);
        for (QList<QVariant> riga; lettura.valida();) {
            const RigheOdbc::Esito e = lettura.prossima(i->letture, riga);
            if (e == RigheOdbc::Esito::Fine)
                break;
            if (e == RigheOdbc::Esito::Errore) {
                i->comando.chiudi();
                fallisce(lettura.errore(), selezioni[k].sql);
            }
            righe.push_back(std::move(riga));
        }
        letti.push_back(Recordset(
            std::make_unique<Recordset::Dati>(this, selezioni[k].sql, i->descrizione, std::move(righe))));
    }
    i->comando.chiudi();
    return letti;
}

namespace {

// Rows per statement: SQLite takes at most 999 values per statement in its older builds.
qsizetype righePerIstruzione(qsizetype colonne, qsizetype rimaste) {
    qsizetype gruppo = 32;
    while (gruppo > 1 && gruppo * colonne > 999)
        gruppo /= 2;
    while (gruppo > rimaste)
        gruppo /= 2;
    return gruppo;
}

} // namespace

void Database::inserisciGruppo(const QString& tabella, const QStringList& colonne, qsizetype righe,
                               const QVariant* valori) {
    constexpr size_t MassimoTesti = 32;
    auto it =
        std::find_if(testiInserimento_.begin(), testiInserimento_.end(), [&](const TestoInserimento& t) {
            return t.righe == righe && t.tabella == tabella && t.colonne == colonne;
        });
    if (it == testiInserimento_.end()) {
        TestoInserimento t{tabella, colonne, righe, {}};
        QString segnaposti = QStringLiteral("(?");
        segnaposti += QStringLiteral(", ?").repeated(colonne.size() - 1) + u')';
        t.sql = QStringLiteral("INSERT INTO ") + tabella + QStringLiteral(" (") +
                colonne.join(QStringLiteral(", ")) + QStringLiteral(") VALUES ") + segnaposti;
        for (qsizetype k = 1; k < righe; ++k)
            t.sql += QStringLiteral(", ") + segnaposti;
        if (testiInserimento_.size() >= MassimoTesti)
            testiInserimento_.pop_back();
        testiInserimento_.insert(testiInserimento_.begin(), std::move(t));
    } else if (it != testiInserimento_.begin()) {
        std::rotate(testiInserimento_.begin(), it, it + 1);
    }
    const QString& sql = testiInserimento_.front().sql;
    const qsizetype quanti = righe * colonne.size();
    if (diretta_)
        diretta_->esegui(sql, valori, quanti);
    else
        EseguiInCoda(sql, QVariantList(valori, valori + quanti));
}

void Database::InserisciRighe(const QString& tabella, const QStringList& colonne,
                              const std::vector<QVariantList>& righe) {
    // Every row is checked before any is written: a short row is a fault of the caller.
    QVariantList valori;
    valori.reserve(static_cast<qsizetype>(righe.size()) * colonne.size());
    for (const QVariantList& riga : righe) {
        if (riga.size() != colonne.size())
            throw ErroreDb(
                ErrDatabase,
                QStringLiteral("Riga con %1 valori per %2 colonne").arg(riga.size()).arg(colonne.size()),
                QStringLiteral("INSERT INTO ") + tabella + QStringLiteral(" (") +
                    colonne.join(QStringLiteral(", ")) + QStringLiteral(") VALUES "));
        valori += riga;
    }
    InserisciRighe(tabella, colonne, valori.constData(), valori.size());
}

void Database::InserisciRighe(const QString& tabella, const QStringList& colonne, const QVariant* valori,
                              qsizetype quanti) {
    if (colonne.isEmpty() || quanti == 0)
        return;
    if (quanti % colonne.size() != 0)
        throw ErroreDb(ErrDatabase,
                       QStringLiteral("%1 valori per righe di %2 colonne").arg(quanti).arg(colonne.size()),
                       QStringLiteral("INSERT INTO ") + tabella + QStringLiteral(" (") +
                           colonne.join(QStringLiteral(", ")) + QStringLiteral(") VALUES "));
    const qsizetype totale = quanti / colonne.size();
    qsizetype fatte = 0;
    while (fatte < totale) {
        const qsizetype gruppo = righePerIstruzione(colonne.size(), totale - fatte);
        inserisciGruppo(tabella, colonne, gruppo, valori + fatte * colonne.size());
        fatte += gruppo;
    }
}

Recordset Database::ApriRsBloccando(const QString& sql) {
    return ApriRs(bloccaRighe() ? sql + BloccoRighe : sql);
}

// ---------------------------------------------------------------------------------------------

struct Recordset::Dati {
    enum class Stato { Lettura, Aggiunta, Modifica };

    // `valori` are bound to the "?" of a database file's statement as the direct path binds
    // every value (ConnessioneSqlite::Istruzione::legaValori).
    Dati(Database* database, const QString& testo, const QVariantList* valori) : db(database), sql(testo) {
        if (ConnessioneSqlite* c = database->diretta_.get()) {
            diretta = c->prepara(sql, valori != nullptr);
            if (!diretta)
                throw ErroreDb(ErrDatabase, QStringLiteral("Nessuna istruzione da eseguire"), sql);
            diretta.legaValori(valori ? *valori : QVariantList());
            // The first step may prepare the text again (the schema changed): the columns
            // are described after it.
            const bool riga = diretta.passo();
            descrizione = diretta.descrizione();
            if (riga) {
                leggiDiretta(prossima);
                haProssima = true;
            } else {
                diretta.rilascia();
            }
        } else {
            odbc = database->preparate_->perTesto(sql);
            database->eseguiTesto(*odbc, sql);
            apriOdbc();
        }
        leggiRiga();
        vuoto = eof;
    }

    // Rows already read (several selections of one round trip).
    Dati(Database* database, const QString& testo, std::shared_ptr<const DescrizioneColonne> colonne,
         std::deque<QList<QVariant>> righe)
        : db(database), sql(testo), lette(std::move(righe)), descrizione(std::move(colonne)) {
        haProssima = carica(prossima);
        leggiRiga();
        vuoto = eof;
    }

    // A statement kept prepared on an ODBC connection, just run with its values.
    Dati(Database* database, std::shared_ptr<IstruzioneOdbc> istruzione)
        : db(database), sql(istruzione->sql), odbc(std::move(istruzione)) {
        apriOdbc();
        leggiRiga();
        vuoto = eof;
    }

    ~Dati() {
        // A kept statement goes back with no result pending.
        if (odbc)
            odbc->comando.chiudi();
    }

    void apriOdbc() {
        // The columns of a kept statement are described once.
        QSqlError errore;
        if (!odbc->descrivi(errore)) {
            odbc->comando.chiudi();
            db->fallisce(errore, sql);
        }
        descrizione = odbc->descrizione;
        righeOdbc = RigheOdbc(odbc->comando, db->preparate_->testi);
        haProssima = carica(prossima);
    }

    const QStringList& nomi() const { return descrizione->nomi; }

    void leggiDiretta(QList<QVariant>& destinazione) {
        const int n = static_cast<int>(nomi().size());
        destinazione.clear();
        destinazione.reserve(n);
        for (int i = 0; i < n; ++i)
            destinazione << (diretta.nullo(i) ? QVariant() : diretta.valore(i));
    }

    // One row ahead is read, so the statement is finished as soon as its last row is current:
    // on SQLite an unfinished statement keeps its read snapshot, and a transaction begun on
    // the connection meanwhile could not write once another workstation had (the engine
    // answers "database is locked" at once instead of waiting).
    bool carica(QList<QVariant>& destinazione) {
        // Rows read already are taken first; once they are gone, a recordset without a
        // statement has nothing more.
        if (!lette.empty()) {
            destinazione = std::move(lette.front());
            lette.pop_front();
            return true;
        }
        if (diretta) {
            if (!diretta.passo()) {
                diretta.rilascia();
                return false;
            }
            leggiDiretta(destinazione);
            return true;
        }
        if (!odbc || !odbc->comando.aperta())
            return false;
        const RigheOdbc::Esito e = righeOdbc.prossima(odbc->letture, destinazione);
        if (e == RigheOdbc::Esito::Riga)
            return true;
        odbc->comando.chiudi();
        if (e == RigheOdbc::Esito::Errore) {
            odbc.reset();
            db->fallisce(righeOdbc.errore(), sql);
        }
        // Lent from the connection's statements: free for the next use.
        odbc.reset();
        return false;
    }

    void leggiRiga() {
        eof = !haProssima;
        riga.clear();
        if (!eof) {
            riga.swap(prossima);
            haProssima = carica(prossima);
        }
    }

    int indice(const QString& campo) const {
        const int i = descrizione->indice(campo);
        if (i < 0)
            throw ErroreDb(ErrDatabase, QStringLiteral("Campo %1 non trovato nella selezione").arg(campo),
                           sql);
        return i;
    }

    QString tabella() const {
        if (!tabellaScritta.isEmpty())
            return tabellaScritta;
        const QString t = tabellaDellaSelect(sql);
        if (t.isEmpty())
            throw ErroreDb(ErrDatabase, QStringLiteral("La selezione non permette di scrivere righe"), sql);
        tabellaScritta = t;
        return t;
    }

    // Rows added one after the other with the same columns run the same statement, which is
    // prepared once.
    void inserisci(const QString& tabella) {
        QStringList colonne, segnaposti;
        QVariantList valori;
        for (int i = 0; i < nomi().size(); ++i)
            if (scritto[i]) {
                colonne << nomi()[i];
                segnaposti << QStringLiteral("?");
                valori << riga[i];
            }
        db->EseguiConValori(QStringLiteral("INSERT INTO ") + tabella + QStringLiteral(" (") +
                                colonne.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                                segnaposti.join(QStringLiteral(", ")) + u')',
                            valori);
    }

    Database* db;
    QString sql;
    ConnessioneSqlite::Istruzione diretta; // a database file
    std::shared_ptr<IstruzioneOdbc> odbc;  // a server through ODBC
    RigheOdbc righeOdbc;                   // its rows, read past Qt's driver
    std::deque<QList<QVariant>> lette;     // or the rows, read already
    std::shared_ptr<const DescrizioneColonne> descrizione;
    QList<QVariant> riga; // the current record, or the one being added / edited
    QList<QVariant> prossima;
    bool haProssima = false;
    QList<QVariant> originale;
    QList<bool> scritto;
    bool eof = true;
    bool vuoto = true;
    Stato stato = Stato::Lettura;
    mutable QString tabellaScritta;
};

Recordset::Recordset(std::unique_ptr<Dati> d) : d_(std::move(d)) {
}
Recordset::Recordset(Recordset&&) noexcept = default;
Recordset& Recordset::operator=(Recordset&&) noexcept = default;
Recordset::~Recordset() = default;

bool Recordset::RsVuoto() const {
    return !d_ || d_->vuoto;
}
bool Recordset::RsEof() const {
    return !d_ || (d_->eof && d_->stato == Dati::Stato::Lettura);
}

void Recordset::RsMoveNext() {
    if (!d_ || d_->eof)
        return;
    d_->stato = Dati::Stato::Lettura;
    d_->leggiRiga();
}

QVariant Recordset::LeggiCampo(const QString& campo) const {
    if (!d_)
        throw ErroreDb(ErrDatabase, QStringLiteral("Recordset chiuso"));
    const int i = d_->indice(campo);
    if (i >= d_->riga.size())
        throw ErroreDb(ErrDatabase, QStringLiteral("Nessun record corrente"), d_->sql);
    return d_->riga[i];
}

QString Recordset::leggiTesto(const QString& campo) const {
    const QVariant v = LeggiCampo(campo);
    return v.isNull() ? QString() : v.toString();
}

std::optional<Currency> Recordset::leggiValuta(const QString& campo) const {
    return Currency::daVariant(LeggiCampo(campo));
}

std::optional<qint64> Recordset::leggiIntero(const QString& campo) const {
    const QVariant v = LeggiCampo(campo);
    if (v.isNull())
        return std::nullopt;
    const auto c = Currency::daVariant(v);
    if (!c)
        return std::nullopt;
    return c->decimillesimi() / Currency::Scala;
}

bool Recordset::haCampo(const QString& campo) const {
    return d_ && d_->descrizione->indice(campo) >= 0;
}
QStringList Recordset::campi() const {
    return d_ ? d_->nomi() : QStringList();
}

void Recordset::RsAddNew() {
    d_->tabella();
    d_->stato = Dati::Stato::Aggiunta;
    d_->riga = QList<QVariant>(d_->nomi().size());
    d_->scritto = QList<bool>(d_->nomi().size(), false);
}

void Recordset::RsEdit() {
    if (d_->eof)
        throw ErroreDb(ErrDatabase, QStringLiteral("Nessun record corrente da modificare"), d_->sql);
    d_->tabella();
    d_->stato = Dati::Stato::Modifica;
    d_->originale = d_->riga;
    d_->scritto = QList<bool>(d_->nomi().size(), false);
}

void Recordset::ScriviCampo(const QString& campo, const QVariant& valore) {
    if (d_->stato == Dati::Stato::Lettura)
        throw ErroreDb(ErrDatabase, QStringLiteral("Scrittura del campo %1 senza AddNew o Edit").arg(campo),
                       d_->sql);
    const int i = d_->indice(campo);
    d_->riga[i] = valore;
    d_->scritto[i] = true;
}

void Recordset::RsUpdate() {
    Dati& d = *d_;
    const QString tabella = d.tabella();
    QString sql;
    if (d.stato == Dati::Stato::Aggiunta) {
        d.inserisci(tabella);
        d.stato = Dati::Stato::Lettura;
        return;
    }
    if (d.stato == Dati::Stato::Modifica) {
        QStringList assegnazioni;
        for (int i = 0; i < d.nomi().size(); ++i)
            if (d.scritto[i])
                assegnazioni << d.nomi()[i] + QStringLiteral(" = ") + SqlValore(d.riga[i]);
        if (assegnazioni.isEmpty()) {
            d.stato = Dati::Stato::Lettura;
            return;
        }
        const QStringList chiave = d.db->chiavePrimaria(tabella);
        if (chiave.isEmpty())
            throw ErroreDb(ErrDatabase, QStringLiteral("La tabella %1 non ha chiave primaria").arg(tabella),
                           d.sql);
        QStringList condizioni;
        for (const QString& c : chiave) {
            const int i = d.indice(c);
            const QVariant& v = d.originale[i];
            condizioni << (v.isNull() ? c + QStringLiteral(" IS NULL")
                                      : c + QStringLiteral(" = ") + SqlValore(v));
        }
        sql = QStringLiteral("UPDATE ") + tabella + QStringLiteral(" SET ") +
              assegnazioni.join(QStringLiteral(", ")) + QStringLiteral(" WHERE ") +
              condizioni.join(QStringLiteral(" AND "));
    } else {
        throw ErroreDb(ErrDatabase, QStringLiteral("Update senza AddNew o Edit"), d.sql);
    }
    d.db->EseguiSql(sql);
    // The written record stays readable, as callers read back what they wrote.
    d.stato = Dati::Stato::Lettura;
}

void Recordset::ChiudiRs() {
    d_.reset();
}

// ---------------------------------------------------------------------------------------------

Transazione::Transazione(Database& db) : db_(db) {
    db_.IniziaTrans();
}

Transazione::~Transazione() {
    if (!aperta_)
        return;
    try {
        db_.AnnullaTrans();
    } catch (const ErroreDb&) {
        // The connection is already failing; the rollback cannot be reported from a destructor.
    }
}

void Transazione::conferma() {
    db_.ConfermaTrans();
    aperta_ = false;
}

} // namespace tesel
