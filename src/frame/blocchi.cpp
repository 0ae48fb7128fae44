#include "frame/blocchi.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/errori.h"
#include "frame/interazione.h"

#include <QCoreApplication>
#include <QFile>
#include <QSqlDriver>
#include <QSysInfo>
#include <cerrno>
#include <climits>
#include <optional>
#include <signal.h>
#include <unistd.h>

namespace tesel {

namespace {

// The program running this code, as a LockGest row records its holder.
struct Detentore {
    QString host;
    qint64 processo = 0;
    QString avvio;
};

// State letter (field 3) and start time in clock ticks since boot (field 22) of
// /proc/<pid>/stat; nothing when the process is not there or not visible.
struct StatProcesso {
    QByteArray stato, inizio;
};

std::optional<StatProcesso> statProcesso(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray riga = f.readAll();
    // The command name is in parentheses and may itself hold blanks and parentheses.
    const qsizetype chiusa = riga.lastIndexOf(')');
    if (chiusa < 0)
        return std::nullopt;
    const QList<QByteArray> campi = riga.mid(chiusa + 2).split(' ');
    if (campi.size() < 20)
        return std::nullopt;
    return StatProcesso{campi[0], campi[19]};
}

// The pid namespace, so that a process of another container answering to the same host
// name is not looked for among ours.
QString spazioPid() {
    char testo[64];
    const ssize_t n = ::readlink("/proc/self/ns/pid", testo, sizeof testo - 1);
    if (n <= 0)
        return {};
    const QString t = QString::fromLatin1(testo, n);
    const qsizetype a = t.indexOf(u'['), b = t.indexOf(u']');
    return a >= 0 && b > a ? t.mid(a + 1, b - a - 1) : t;
}

const Detentore& questoProgramma() {
    static const Detentore d = [] {
        Detentore p;
        p.host = QSysInfo::machineHostName();
        p.processo = QCoreApplication::applicationPid();
        if (const auto stat = statProcesso(p.processo))
            p.avvio = QStringList{QString::fromLatin1(QSysInfo::machineUniqueId()),
                                  QString::fromLatin1(QSysInfo::bootUniqueId()), spazioPid(),
                                  QString::fromLatin1(stat->inizio)}
                          .join(u' ');
        return p;
    }();
    return d;
}

// backend_start in UTC to the microsecond: the same text whatever the session's time zone.
const QString inizioBackend =
    QStringLiteral("to_char(backend_start AT TIME ZONE 'UTC', 'YYYY-MM-DD HH24:MI:SS.US')");

// "<backend pid> <backend start>" of this connection on PostgreSQL, empty on SQLite. Read once
// per connection (locks are taken in batches) and kept on the connection's driver, which lives
// exactly as long as the connection.
QString sessioneDb(Database& db) {
    if (db.dialetto() != Dialetto::PostgreSQL)
        return {};
    QSqlDriver* driver = db.qt().driver();
    static constexpr char proprieta[] = "teselSessioneDb";
    if (const QVariant nota = driver->property(proprieta); nota.isValid())
        return nota.toString();
    Recordset rs = db.ApriRs(QStringLiteral("SELECT pid AS Pid, ") + inizioBackend +
                             QStringLiteral(" AS Inizio FROM pg_stat_activity WHERE pid = pg_backend_pid()"));
    QString sessione;
    if (!rs.RsVuoto())
        sessione = QString::number(rs.leggiIntero(QStringLiteral("Pid")).value_or(0)) + u' ' +
                   rs.leggiTesto(QStringLiteral("Inizio"));
    driver->setProperty(proprieta, sessione);
    return sessione;
}

// True when LockGest has the holder columns (a database not yet brought up to date lacks them).
bool colonneDetentore(Database& db) {
    return db.ApriRs(QStringLiteral("SELECT * FROM LockGest WHERE 1=0")).haCampo(QStringLiteral("Host"));
}

// A missing holder column reads as empty, as leggiBlocco reads it.
QString condizioneDetentore(const QString& host, qint64 processo, const QString& avvio,
                            const QString& sessione) {
    return QStringLiteral(" AND COALESCE(Host, '') = ") + quotaSql(host) +
           QStringLiteral(" AND COALESCE(Processo, 0) = ") + SqlValore(processo, SqlLungo) +
           QStringLiteral(" AND COALESCE(AvvioProcesso, '') = ") + quotaSql(avvio) +
           QStringLiteral(" AND COALESCE(SessioneDb, '') = ") + quotaSql(sessione);
}

StatoDetentore statoSessione(Database& db, const QString& sessione) {
    const qsizetype spazio = sessione.indexOf(u' ');
    bool ok = false;
    const qint64 pid = sessione.left(spazio).toLongLong(&ok);
    if (spazio < 0 || !ok)
        return StatoDetentore::Sconosciuto;
    // Inside a transaction the server answers from the activity it read first, where a
    // session begun since is missing: read it afresh.
    db.EseguiSql(QStringLiteral("SELECT pg_stat_clear_snapshot()"));
    Recordset rs =
        db.ApriRs(QStringLiteral("SELECT ") + inizioBackend +
                  QStringLiteral(" AS Inizio FROM pg_stat_activity WHERE pid = ") + SqlValore(pid, SqlLungo));
    if (rs.RsVuoto())
        return StatoDetentore::Terminato;
    const QVariant inizio = rs.LeggiCampo(QStringLiteral("Inizio"));
    if (inizio.isNull()) // a session of another role: its start is not shown
        return StatoDetentore::Sconosciuto;
    return inizio.toString() == sessione.mid(spazio + 1) ? StatoDetentore::Attivo : StatoDetentore::Terminato;
}

StatoDetentore statoProcesso(const BloccoRegistrato& b) {
    const Detentore& io = questoProgramma();
    if (b.processo <= 0 || b.processo > INT_MAX || b.host.isEmpty() ||
        b.host.compare(io.host, Qt::CaseInsensitive) != 0)
        return StatoDetentore::Sconosciuto;
    const QStringList suo = b.avvioProcesso.split(u' '), mio = io.avvio.split(u' ');
    if (suo.size() != 4 || mio.size() != 4 || suo[0] != mio[0])
        return StatoDetentore::Sconosciuto; // another machine answering to the same name
    if (suo[1] != mio[1])                   // restarted since
        return suo[1].isEmpty() || mio[1].isEmpty() ? StatoDetentore::Sconosciuto : StatoDetentore::Terminato;
    if (suo[2] != mio[2])
        return StatoDetentore::Sconosciuto;
    const auto stat = statProcesso(b.processo);
    if (!stat) // hidden processes of other users (hidepid) still answer a null signal
        return ::kill(static_cast<pid_t>(b.processo), 0) != 0 && errno == ESRCH ? StatoDetentore::Terminato
                                                                                : StatoDetentore::Sconosciuto;
    if (stat->stato == "Z" || stat->stato == "X")
        return StatoDetentore::Terminato;
    // Another start time is another process that was given the same pid.
    return stat->inizio == suo[3].toLatin1() ? StatoDetentore::Attivo : StatoDetentore::Terminato;
}

BloccoRegistrato leggiBlocco(const Recordset& rs) {
    BloccoRegistrato b;
    b.tipo = rs.leggiTesto(QStringLiteral("Tipo"));
    b.anno = static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0));
    b.numero = rs.leggiIntero(QStringLiteral("NumReg")).value_or(0);
    b.utente = rs.leggiTesto(QStringLiteral("Utente"));
    b.gestione = rs.leggiTesto(QStringLiteral("Gestione"));
    b.ora = dataOraDaVariant(rs.LeggiCampo(QStringLiteral("Ora"))).value_or(QDateTime());
    if (rs.haCampo(QStringLiteral("Host"))) {
        b.host = rs.leggiTesto(QStringLiteral("Host"));
        b.processo = rs.leggiIntero(QStringLiteral("Processo")).value_or(0);
        b.avvioProcesso = rs.leggiTesto(QStringLiteral("AvvioProcesso"));
        b.sessioneDb = rs.leggiTesto(QStringLiteral("SessioneDb"));
    }
    return b;
}

QString descrizioneDocumento(const RichiestaBlocco& r) {
    return (r.descrizione.isEmpty() ? r.tipo : r.descrizione) +
           QStringLiteral(" (anno: %1 - Num.: %2)").arg(r.anno).arg(r.numero);
}

QString messaggioSubentro(const RichiestaBlocco& r, const BloccoRegistrato& b) {
    return QStringLiteral("Il blocco di ") + descrizioneDocumento(r) + QStringLiteral(" tenuto da ") +
           b.utente + QStringLiteral(" su ") + b.host +
           QStringLiteral(" era rimasto da un programma non più in esecuzione ed è stato acquisito da "
                          "questa postazione");
}

QString condizioneChiave(const QString& tipo, int anno, qint64 numero) {
    return QStringLiteral(" Where Tipo = ") + SqlValore(tipo, SqlTesto) + QStringLiteral(" AND Anno = ") +
           SqlValore(anno, SqlIntero) + QStringLiteral(" AND NumReg = ") + SqlValore(numero, SqlLungo);
}

void riempiDetentore(const Recordset& rs, EsitoBloccoDoc& e) {
    e.utente = rs.leggiTesto(QStringLiteral("Utente"));
    e.varie = rs.leggiTesto(QStringLiteral("Varie"));
    e.stato = rs.leggiTesto(QStringLiteral("Stato"));
    e.gestione = rs.leggiTesto(QStringLiteral("Gestione"));
}

QString messaggioInUso(const RichiestaBlocco& r, const EsitoBloccoDoc& e) {
    QString descrizione = descrizioneGestioneInterrotta(e.gestione);
    if (descrizione.isEmpty())
        descrizione = r.descrizione.isEmpty() ? r.tipo : r.descrizione;
    return descrizione + QStringLiteral(" (anno: %1 - Num.: %2) è in uso da:").arg(r.anno).arg(r.numero) +
           e.utente + QStringLiteral("\r\nImpossibile effettuare variazioni");
}

} // namespace

QString descrizioneGestioneInterrotta(const QString& gestione) {
    // Operation codes written in LockGest.Gestione by an operation that was interrupted.
    static const std::pair<const char*, const char*> tabella[] = {
        {"MOVINT", "Movimenti Interrotti"},
        {"DDTINT", "DDT Interrotti"},
        {"FATINT", "Fatture Interrotte"},
        {"ORVINT", "Ordini Vendita Interrotti"},
        {"ORAINT", "Ordini Acquisto Interrotti"},
        {"PREINT", "Preventivi Interrotti"},
        {"EVADDTINT", "Evasione Ddt in fattura: Interrotta"},
        {"RIPDDTINT", "Ripristino Ddt da stampa: Interrotto"},
        {"PNINT", "Prima Nota Interrotti"},
    };
    const QString g = gestione.trimmed().toUpper();
    for (const auto& [codice, descrizione] : tabella)
        if (g == QLatin1String(codice))
            return QString::fromUtf8(descrizione);
    return {};
}

EsitoBloccoDoc BloccaDoc(Database& db, const RichiestaBlocco& r, Interazione* interazione) {
    EsitoBloccoDoc e;
    try {
        const QString sql =
            QStringLiteral("Select * from LockGest") + condizioneChiave(r.tipo, r.anno, r.numero);
        if (!r.prendi) {
            Recordset rs = db.ApriRs(sql);
            if (rs.RsVuoto()) {
                e.messaggio = QStringLiteral("Blocco non trovato");
                return e;
            }
            rs.RsEdit();
            rs.ScriviCampo(QStringLiteral("Stato"), r.stato);
            rs.RsUpdate();
            e.esito = BloccoAggiornato;
            return e;
        }
        // A look without a lock row is the common answer of a check made for every invoice of
        // a batch: one narrow statement with bound values, prepared once per connection.
        if (r.soloVerifica &&
            db.ApriRs(QStringLiteral("Select Tipo from LockGest Where Tipo = ? AND Anno = ? AND NumReg = ?"),
                      {r.tipo, r.anno, r.numero})
                .RsVuoto()) {
            e.esito = BloccoPreso;
            return e;
        }
        // A stale row removed here may be taken by another workstation before our insert, or
        // removed by it first: then the row is read again, a bounded number of times.
        QString subentro;
        for (int giro = 0;; ++giro) {
            Recordset rs = db.ApriRs(sql);
            if (rs.RsVuoto()) {
                if (r.soloVerifica) {
                    e.esito = BloccoPreso;
                    return e;
                }
                rs.RsAddNew();
                rs.ScriviCampo(QStringLiteral("Tipo"), r.tipo);
                rs.ScriviCampo(QStringLiteral("Anno"), r.anno);
                rs.ScriviCampo(QStringLiteral("NumReg"), r.numero);
                rs.ScriviCampo(QStringLiteral("Utente"), r.utente);
                rs.ScriviCampo(QStringLiteral("Stato"), r.stato);
                rs.ScriviCampo(QStringLiteral("Ora"), QDateTime::currentDateTime());
                rs.ScriviCampo(QStringLiteral("Gestione"), r.gestione);
                rs.ScriviCampo(QStringLiteral("Varie"), r.varie);
                rs.ScriviCampo(QStringLiteral("PadreTipo"), r.padreTipo);
                rs.ScriviCampo(QStringLiteral("PadreAnno"), r.padreAnno);
                rs.ScriviCampo(QStringLiteral("PadreNumReg"), r.padreNumero);
                if (rs.haCampo(QStringLiteral("Host"))) {
                    const Detentore& io = questoProgramma();
                    rs.ScriviCampo(QStringLiteral("Host"), io.host);
                    rs.ScriviCampo(QStringLiteral("Processo"), io.processo);
                    rs.ScriviCampo(QStringLiteral("AvvioProcesso"), io.avvio);
                    rs.ScriviCampo(QStringLiteral("SessioneDb"), sessioneDb(db));
                }
                try {
                    // Inside a transaction (a cancellation takes its locks there) the clash
                    // must not abort it: the row is read again below.
                    std::optional<PuntoDiRipresa> punto;
                    if (db.livelloTrans() > 0)
                        punto.emplace(db);
                    rs.RsUpdate();
                    if (punto)
                        punto->conferma();
                    e.esito = BloccoPreso;
                    e.subentro = subentro;
                    if (!subentro.isEmpty() && r.mostraMessaggio && interazione)
                        msgCom(*interazione, subentro);
                    return e;
                } catch (const ErroreDb& err) {
                    if (!err.chiaveDuplicata())
                        throw;
                    // Another workstation added the row between our look-up and our insert.
                }
                rs = db.ApriRs(sql);
                if (rs.RsVuoto()) {
                    e.messaggio = QStringLiteral("Blocco conteso e poi rilasciato: riprovare");
                    e.esito = BloccoAltroUtente;
                    return e;
                }
            }
            riempiDetentore(rs, e);
            const BloccoRegistrato b = leggiBlocco(rs);
            rs.ChiudiRs();
            if (giro >= 2 || !descrizioneGestioneInterrotta(b.gestione).isEmpty() ||
                statoDetentore(db, b) != StatoDetentore::Terminato)
                break;
            if (r.soloVerifica) {
                e = EsitoBloccoDoc{};
                e.esito = BloccoPreso;
                return e;
            }
            subentro.clear();
            if (rimuoviBlocco(db, b))
                subentro = messaggioSubentro(r, b);
        }
        e.esito =
            e.utente.compare(r.utente, Qt::CaseInsensitive) == 0 ? BloccoStessoUtente : BloccoAltroUtente;
        e.messaggio = messaggioInUso(r, e);
        if (r.mostraMessaggio && interazione)
            msgCom(*interazione, e.messaggio);
        return e;
    } catch (const ErroreDb& err) {
        e.esito = BloccoErrore;
        e.messaggio = err.descrizione();
        return e;
    }
}

bool DocBloccato(Database& db, const QString& tipo, int anno, qint64 numero) {
    Recordset rs = db.ApriRs(
        QStringLiteral("Select * from LockGest") +
        condizioneChiave(tipo, anno, numero).replace(QStringLiteral(" AND "), QStringLiteral(" and ")));
    return !rs.RsVuoto();
}

bool BloccaDocRiprova(Database& db, const RichiestaBlocco& r, Interazione& interazione, ErroriBatch& errori) {
    for (;;) {
        RichiestaBlocco senzaMessaggio = r;
        senzaMessaggio.mostraMessaggio = false;
        const EsitoBloccoDoc e = BloccaDoc(db, senzaMessaggio, &interazione);
        if (e.esito <= BloccoPreso) {
            if (!e.subentro.isEmpty())
                msgCom(interazione, e.subentro);
            return true;
        }
        if (e.esito == BloccoErrore) {
            errori.AccodaErrore(ErrDatabase, QStringLiteral(" errore nel loccaggio: %1 n.rif %2 anno %3")
                                                 .arg(e.messaggio)
                                                 .arg(r.numero)
                                                 .arg(r.anno));
            return false;
        }
        const QString testo = descrizioneDocumento(r) + QStringLiteral(" in uso da ") + e.utente;
        if (msgCom(interazione, testo, QStringLiteral("Riprova"), QStringLiteral("Esci")) != 1)
            return false;
    }
}

void SbloccaDoc(Database& db, const QString& tipo, int anno, qint64 numero) {
    db.EseguiSql(QStringLiteral("DELETE FROM LockGest") + condizioneChiave(tipo, anno, numero));
}

StatoDetentore statoDetentore(Database& db, const BloccoRegistrato& b) {
    if (db.dialetto() == Dialetto::PostgreSQL && !b.sessioneDb.isEmpty())
        return statoSessione(db, b.sessioneDb);
    return statoProcesso(b);
}

std::vector<BloccoRegistrato> elencoBlocchi(Database& db) {
    std::vector<BloccoRegistrato> blocchi;
    {
        Recordset rs = db.ApriRs(QStringLiteral("SELECT * FROM LockGest ORDER BY Tipo, Anno, NumReg"));
        for (; !rs.RsEof(); rs.RsMoveNext())
            blocchi.push_back(leggiBlocco(rs));
    }
    for (BloccoRegistrato& b : blocchi)
        b.detentore = statoDetentore(db, b);
    return blocchi;
}

bool rimuoviBlocco(Database& db, const BloccoRegistrato& b) {
    QString sql = QStringLiteral("DELETE FROM LockGest") + condizioneChiave(b.tipo, b.anno, b.numero) +
                  QStringLiteral(" AND COALESCE(Utente, '') = ") + quotaSql(b.utente) +
                  (b.ora.isValid() ? QStringLiteral(" AND Ora = ") + SqlValore(b.ora, SqlData)
                                   : QStringLiteral(" AND Ora IS NULL"));
    if (colonneDetentore(db))
        sql += condizioneDetentore(b.host, b.processo, b.avvioProcesso, b.sessioneDb);
    return db.EseguiSql(sql) > 0;
}

EsitoBloccoDoc BlocchiTenuti::prendi(const RichiestaBlocco& r, Interazione* interazione) {
    EsitoBloccoDoc e = BloccaDoc(db_, r, interazione);
    if (e.esito == BloccoPreso)
        registra(r);
    return e;
}

bool BlocchiTenuti::prendiRiprova(const RichiestaBlocco& r, Interazione& interazione, ErroriBatch& errori) {
    if (!BloccaDocRiprova(db_, r, interazione, errori))
        return false;
    registra(r);
    return true;
}

void BlocchiTenuti::registra(const RichiestaBlocco& r) {
    if (r.prendi && !r.soloVerifica)
        presi_.emplace_back(r.tipo, r.anno, r.numero, r.utente);
}

void BlocchiTenuti::rilascia() {
    std::optional<QString> nostri;
    while (!presi_.empty()) {
        const auto [tipo, anno, numero, utente] = presi_.back();
        presi_.pop_back();
        try {
            // A failure is left behind: a transaction the guard lives in goes on.
            std::optional<PuntoDiRipresa> punto;
            if (db_.livelloTrans() > 0)
                punto.emplace(db_);
            if (!nostri) {
                const Detentore& io = questoProgramma();
                nostri = colonneDetentore(db_)
                             ? condizioneDetentore(io.host, io.processo, io.avvio, sessioneDb(db_))
                             : QString();
            }
            db_.EseguiSql(QStringLiteral("DELETE FROM LockGest") + condizioneChiave(tipo, anno, numero) +
                          QStringLiteral(" AND COALESCE(Utente, '') = ") + quotaSql(utente) + *nostri);
            if (punto)
                punto->conferma();
        } catch (const ErroreDb&) {
            // The row names this program: it is taken over once the program has ended.
        }
    }
}

} // namespace tesel
