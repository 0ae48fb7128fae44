#include "posting/trasferimento.h"

#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "posting/scadenze.h"

#include <QMutex>
#include <QThread>
#include <algorithm>
#include <map>
#include <tuple>

namespace tesel::posting {

namespace {

const QString Crlf = QStringLiteral("\r\n");

// ---- Protocol numbering ---------------------------------------------------------------------

struct Protocollo {
    qint64 numero = 0;
    QDate data;
};

QString intestazioneRegistro(Database& db, int anno, const QString& tipo, const QString& pref,
                             QString& trasportatori) {
    // A register that runs on from an earlier year keeps its heading.
    Recordset rs = db.ApriRs(
        QStringLiteral("Select Intestazione, Trasportatori from LibriIva Where TipoReg = ") + testo(tipo) +
        QStringLiteral(" And Pref = ") + testo(pref) + QStringLiteral(" And Anno < ") +
        SqlValore(anno, SqlIntero) + QStringLiteral(" Order by Anno DESC LIMIT 1"));
    if (!rs.RsVuoto()) {
        trasportatori = rs.leggiTesto(QStringLiteral("Trasportatori")).trimmed();
        return rs.leggiTesto(QStringLiteral("Intestazione"));
    }
    QString base;
    if (tipo == u"A")
        base = QStringLiteral("Registro IVA acquisti");
    else if (tipo == u"V")
        base = QStringLiteral("Registro IVA vendite");
    else if (tipo == u"C")
        base = QStringLiteral("Registro dei corrispettivi");
    else
        base = QStringLiteral("Registro IVA ") + tipo;
    return pref == u"." ? base : base + QStringLiteral(" - ") + pref;
}

QString doveNumeratore(int anno, const QString& tipo, const QString& pref) {
    return QStringLiteral(" Where Anno = ") + SqlValore(anno, SqlIntero) + QStringLiteral(" And TipoReg = ") +
           testo(tipo) + QStringLiteral(" And Pref = ") + testo(pref);
}

QString selezioneRigaNumeratore(int anno, const QString& tipo, const QString& pref) {
    return QStringLiteral("Select NumDoc, DataUltDoc, NumDocNC, DataUltDocNC from LibriIva") +
           doveNumeratore(anno, tipo, pref);
}

QString tipoRegistro(const QString& tipoReg) {
    return tipoReg.trimmed().toUpper();
}

QString prefissoRegistro(const QString& preProt) {
    return preProt.trimmed().isEmpty() ? QStringLiteral(".") : preProt.trimmed();
}

// One attempt: nothing when the counter row is held by another connection. `letta`: the
// counter row read already, locked.
std::optional<Protocollo> tentaNumerazione(Database& db, int anno, const QString& tipo, const QString& pref,
                                           const QString& attivita, bool notaCreditoSeparata,
                                           const QDate& dataReg, Recordset* letta) {
    const QString campoNumero = notaCreditoSeparata ? QStringLiteral("NumDocNC") : QStringLiteral("NumDoc");
    const QString campoData =
        notaCreditoSeparata ? QStringLiteral("DataUltDocNC") : QStringLiteral("DataUltDoc");
    const QString dove = doveNumeratore(anno, tipo, pref);
    // Only the creation of the register row, once a year, can clash with another workstation
    // and needs a savepoint; the row itself is locked or skipped without an error. A conflict of
    // the server elsewhere undoes the caller's attempt, which starts again from its claim.
    bool inCreazione = false;
    try {
        qint64 ultimo = 0;
        QDate ultimaData;
        {
            // The row stays locked for the rest of the caller's transaction; a row another
            // posting holds is skipped rather than waited for, so the user decides.
            Recordset rs =
                letta ? std::move(*letta) : db.ApriRsBloccando(selezioneRigaNumeratore(anno, tipo, pref));
            if (rs.RsVuoto()) {
                if (db.bloccaRighe() &&
                    db.valore(QStringLiteral("Select count(*) from LibriIva") + dove).toLongLong() > 0)
                    return std::nullopt;
                QString trasportatori = QStringLiteral("N");
                const QString intestazione = intestazioneRegistro(db, anno, tipo, pref, trasportatori);
                inCreazione = true;
                PuntoDiRipresa punto(db);
                db.EseguiConValori(
                    QStringLiteral("INSERT INTO LibriIva (Anno, TipoReg, Pref, NumDoc, DataUltDoc, "
                                   "NumDocNC, DataUltDocNC, Intestazione, Attivita, Trasportatori)"
                                   " VALUES (?, ?, ?, 0, ?, 0, ?, ?, ?, ?)"),
                    {anno, tipo, pref, dataVuota(), dataVuota(), intestazione,
                     attivita.trimmed().isEmpty() ? QStringLiteral(".") : attivita.trimmed(),
                     trasportatori.isEmpty() ? QStringLiteral("N") : trasportatori});
                punto.conferma();
                inCreazione = false;
            } else {
                ultimo = rs.leggiIntero(campoNumero).value_or(0);
                ultimaData = dataCampo(rs, campoData);
            }
        }
        Protocollo p{ultimo + 1, dataReg};
        if (ultimaData.isValid() && ultimaData > dataReg)
            p.data = ultimaData;
        db.EseguiInCoda(QStringLiteral("UPDATE LibriIva SET ") + campoNumero + QStringLiteral(" = ?, ") +
                            campoData + QStringLiteral(" = ?") + dove,
                        {p.numero, p.data});
        return p;
    } catch (const ErroreDb& e) {
        // A duplicate key: another workstation created the same register row meanwhile. On a
        // database file a failed statement leaves the transaction as it was, so a busy register
        // is asked about again; on a server only the savepoint of the creation survives.
        if ((e.chiaveDuplicata() || conflittoTransitorio(e)) && (inCreazione || !db.bloccaRighe()))
            return std::nullopt;
        throw;
    }
}

// ---- Transfer -------------------------------------------------------------------------------

// Column lists of one table pair: the columns both tables have, in the target's order; the
// select list gives NumReg as the "?" of the new number.
struct Copia {
    QString colonne, selezione;
};

// The schema is brought up to date before a company is used, so a pair's columns cannot
// change while its connection is open: each pair is read once per connection instead of
// with two empty selections per transfer, the dearest statements of a posting run.
Copia colonneComuni(Database& db, const QString& origine, const QString& destinazione) {
    static QMutex mutex;
    static std::map<std::tuple<QString, QString, QString>, Copia> lette;
    const auto chiave = std::make_tuple(db.nomeConnessione(), origine.toLower(), destinazione.toLower());
    {
        const QMutexLocker lock(&mutex);
        if (const auto it = lette.find(chiave); it != lette.end())
            return it->second;
    }
    const QStringList da =
        db.ApriRs(QStringLiteral("Select * from ") + origine + QStringLiteral(" where 1=0")).campi();
    const QStringList a =
        db.ApriRs(QStringLiteral("Select * from ") + destinazione + QStringLiteral(" where 1=0")).campi();
    QStringList colonne, selezione;
    for (const QString& c : a) {
        if (!da.contains(c, Qt::CaseInsensitive))
            continue;
        colonne << c;
        selezione << (c.compare(u"NumReg", Qt::CaseInsensitive) == 0 ? QStringLiteral("?") : c);
    }
    const Copia comuni{colonne.join(QStringLiteral(", ")), selezione.join(QStringLiteral(", "))};
    const QMutexLocker lock(&mutex);
    lette.emplace(chiave, comuni);
    return comuni;
}

void copia(Database& db, const Copia& c, const QString& origine, const QString& destinazione, int anno,
           qint64 numReg, qint64 nuovo) {
    db.EseguiInCoda(QStringLiteral("INSERT INTO ") + destinazione + QStringLiteral(" (") + c.colonne +
                        QStringLiteral(") SELECT ") + c.selezione + QStringLiteral(" FROM ") + origine +
                        QStringLiteral(" WHERE Anno = ? AND NumReg = ?"),
                    {nuovo, anno, numReg});
}

struct Testata {
    int anno = 0;
    qint64 numReg = 0;
    QString causale, pagamento, preProt, preDoc, numDoc, moneta, operatore, cig, cup;
    qint64 numProt = 0;
    QDate dataReg, dataProt, dataDoc;
    Cambio cambio;
    int xmlAnno = 0;
    qint64 xmlNumRif = 0;
};

Testata leggiTestata(const Recordset& rs) {
    Testata t;
    t.anno = static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0));
    t.numReg = rs.leggiIntero(QStringLiteral("NumReg")).value_or(0);
    t.causale = rs.leggiTesto(QStringLiteral("Causale")).trimmed();
    t.pagamento = rs.leggiTesto(QStringLiteral("Pagamento")).trimmed();
    t.preProt = rs.leggiTesto(QStringLiteral("PreProt")).trimmed();
    t.numProt = rs.leggiIntero(QStringLiteral("NumProt")).value_or(0);
    t.preDoc = rs.leggiTesto(QStringLiteral("PreDoc")).trimmed();
    t.numDoc = rs.leggiTesto(QStringLiteral("NumDoc")).trimmed();
    t.moneta = rs.leggiTesto(QStringLiteral("Moneta")).trimmed();
    t.operatore = rs.leggiTesto(QStringLiteral("Operatore")).trimmed();
    t.cig = rs.leggiTesto(QStringLiteral("CIG")).trimmed();
    t.cup = rs.leggiTesto(QStringLiteral("CUP")).trimmed();
    t.dataReg = dataCampo(rs, QStringLiteral("DataReg"));
    t.dataProt = dataOraDaVariant(rs.LeggiCampo(QStringLiteral("DataProt"))).value_or(QDateTime()).date();
    t.dataDoc = dataCampo(rs, QStringLiteral("DataDoc"));
    t.cambio = Cambio::daColonna(rs.LeggiCampo(QStringLiteral("Cambio")));
    t.xmlAnno = static_cast<int>(rs.leggiIntero(QStringLiteral("XmlAnno")).value_or(0));
    t.xmlNumRif = rs.leggiIntero(QStringLiteral("XmlNumRif")).value_or(0);
    return t;
}

// ---- Due dates from payment terms ------------------------------------------------------------

Currency somma(Database& db, const QString& sql) {
    return Currency::daVariant(db.valore(sql)).value_or(Currency());
}

// The supplier's (or customer's) amounts of a registration: the account and its net amount, in
// the registration's currency (ImportoMon), as its due dates are.
struct Partita {
    CodiceConto conto;
    Currency netto;
};

std::optional<Partita> partitaRegistrazione(Database& db, const QString& righe, int anno, qint64 numReg) {
    Recordset rs = db.ApriRs(QStringLiteral("Select TipoPartita, GruppoPartita, MastroPartita, ContoPartita, "
                                            "DareAvere, ImportoMon from ") +
                                 righe + condizioneRegLegata(righe) +
                                 QStringLiteral(" and (TipoPartita = 2 or TipoPartita = 3) Order by RigReg"),
                             {anno, numReg});
    if (rs.RsVuoto())
        return std::nullopt;
    Partita p;
    p.conto = CodiceConto{rs.leggiTesto(QStringLiteral("GruppoPartita")),
                          rs.leggiTesto(QStringLiteral("MastroPartita")),
                          rs.leggiTesto(QStringLiteral("ContoPartita")),
                          static_cast<int>(rs.leggiIntero(QStringLiteral("TipoPartita")).value_or(2))};
    for (; !rs.RsEof(); rs.RsMoveNext()) {
        const CodiceConto c{rs.leggiTesto(QStringLiteral("GruppoPartita")),
                            rs.leggiTesto(QStringLiteral("MastroPartita")),
                            rs.leggiTesto(QStringLiteral("ContoPartita")), p.conto.tipo};
        if (!(c == p.conto))
            continue;
        const Currency importo = rs.leggiValuta(QStringLiteral("ImportoMon")).value_or(Currency());
        p.netto += rs.leggiTesto(QStringLiteral("DareAvere")).trimmed() == u"D" ? importo : -importo;
    }
    p.netto = p.netto.assoluto();
    return p;
}

// The account rows of the invoice's other registrations, in the source family and in the
// journal, that already settle part of what is due: `condizione` selects them (never the
// registration itself, whose causal differs).
template <typename Condizione>
Currency importoAltreRegistrazioni(Database& db, const TabellePn& origine, const Testata& t,
                                   const CodiceConto& conto, Condizione condizione) {
    Currency totale;
    std::vector<TabellePn> famiglie{origine};
    if (origine.testata.compare(tabelle(FamigliaPn::Giornale).testata, Qt::CaseInsensitive) != 0)
        famiglie.push_back(tabelle(FamigliaPn::Giornale));
    for (const TabellePn& f : famiglie) {
        const QString h = f.testata + u'.';
        const QString d = f.righe + u'.';
        totale += somma(
            db, QStringLiteral("Select sum(") + d + QStringLiteral("ImportoMon) from ") + f.testata +
                    QStringLiteral(" inner join ") + f.righe + QStringLiteral(" on ") + d +
                    QStringLiteral("Anno = ") + h + QStringLiteral("Anno and ") + d +
                    QStringLiteral("NumReg = ") + h + QStringLiteral("NumReg where ") + d +
                    QStringLiteral("GruppoPartita = ") + testo(conto.gruppo) + QStringLiteral(" and ") + d +
                    QStringLiteral("MastroPartita = ") + testo(conto.mastro) + QStringLiteral(" and ") + d +
                    QStringLiteral("ContoPartita = ") + testo(conto.conto) + QStringLiteral(" and ") + h +
                    QStringLiteral("Anno = ") + SqlValore(t.anno, SqlIntero) + condizione(h, d));
    }
    return totale;
}

// Writes the instalments of the registration's payment terms; problems go to `avvisi`.
// `proprie`: the tables that hold the registration; `origine`: those of the invoice's other
// registrations not transferred yet.
void scadenzeDaTermini(Database& db, const TabellePn& proprie, const TabellePn& origine, const Testata& t,
                       const CausaleContabile& causale, qint64 numeroGiornale,
                       const CodiceConto& contoIvaSplit, QString& avvisi) {
    const auto partita = partitaRegistrazione(db, proprie.righe, t.anno, t.numReg);
    if (!partita)
        return;
    Recordset termini =
        db.ApriRs(QStringLiteral("Select PagTipi.RegIncAut, Pagamenti.PagTipo, Pagamenti.ScadValuta, "
                                 "Pagamenti.NumScad from Pagamenti left join PagTipi on PagTipi.PagTipo = "
                                 "Pagamenti.PagTipo where Pagamenti.Pagamento = ?"),
                  {t.pagamento});
    const QString pagTipo =
        termini.RsVuoto() ? QString() : termini.leggiTesto(QStringLiteral("PagTipo")).trimmed();

    // VAT under split payment is owed to the State: the supplier's row does not carry it. An
    // account of the parameters that no row can hold (letters on a numeric chart) holds none.
    const auto suSplit =
        contoIvaSplit.completo()
            ? contoIvaSplit.condizioneSql(db.contiNumerici(),
                                          {QStringLiteral("GruppoPartita"), QStringLiteral("MastroPartita"),
                                           QStringLiteral("ContoPartita")})
            : std::nullopt;
    const Currency split = !suSplit
                               ? Currency()
                               : somma(db, QStringLiteral("Select sum(ImportoMon) from ") + proprie.righe +
                                               condizioneReg(proprie.righe, t.anno, t.numReg) +
                                               QStringLiteral(" and ") + *suSplit);
    const Currency imposta = somma(db, QStringLiteral("Select sum(ImpostaMon) from ") + proprie.iva +
                                           condizioneReg(proprie.iva, t.anno, t.numReg))
                                 .assoluto() -
                             split;
    // Free goods the supplier already settled and withholding already registered on the same
    // protocol are not due.
    const Currency omaggi = t.xmlNumRif > 0
                                ? importoAltreRegistrazioni(
                                      db, origine, t, partita->conto,
                                      [&](const QString& h, const QString& d) {
                                          return QStringLiteral(" and ") + h + QStringLiteral("XmlAnno = ") +
                                                 SqlValore(t.xmlAnno, SqlIntero) + QStringLiteral(" and ") +
                                                 h + QStringLiteral("XmlNumRif = ") +
                                                 SqlValore(t.xmlNumRif, SqlLungo) + QStringLiteral(" and ") +
                                                 d + QStringLiteral("DareAvere = 'A' and ") + h +
                                                 QStringLiteral("Causale <> ") + testo(t.causale);
                                      })
                                : Currency();
    const Currency ritenute =
        causale.causRit.isEmpty()
            ? Currency()
            : importoAltreRegistrazioni(
                  db, origine, t, partita->conto, [&](const QString& h, const QString& d) {
                      return QStringLiteral(" and ") + h + QStringLiteral("Causale = ") +
                             testo(causale.causRit) + QStringLiteral(" and ") + d +
                             QStringLiteral("DareAvere = 'D' and ") + h + QStringLiteral("PreProt = ") +
                             testo(t.preProt) + QStringLiteral(" and ") + h + QStringLiteral("NumProt = ") +
                             SqlValore(t.numProt, SqlLungo) + QStringLiteral(" and ") + h +
                             QStringLiteral("NumDoc = ") + testo(t.numDoc);
                  });
    const Currency imponibile = partita->netto - imposta - omaggi - ritenute;

    int decimali = 2;
    if (const QVariant d =
            db.valore(QStringLiteral("Select NumDec from Monete Where Moneta = ") + testo(t.moneta));
        d.isValid() && !d.isNull())
        decimali = std::clamp(d.toInt(), 0, 4);
    const QDate inizio = t.dataDoc.isValid() ? t.dataDoc : t.dataReg;
    const EsitoCalcScadenze calcolo =
        CalcScadenze(db, t.pagamento, inizio, imponibile, imposta, decimali, partita->conto);
    if (!calcolo.errori.isEmpty() || calcolo.rate.empty()) {
        avvisi += Crlf + QStringLiteral("Errori nel calcolo scadenze: ") +
                  (calcolo.errori.isEmpty() ? QStringLiteral("nessuna rata dal pagamento ") + t.pagamento
                                            : calcolo.errori);
        return;
    }

    QString banca, cCorrente, ragRb = QStringLiteral("N");
    {
        Recordset pc = db.ApriRs(
            QStringLiteral("Select Banca, CCorrente, RagRB from PianoConti Where Gruppo = ") +
            testo(partita->conto.gruppo) + QStringLiteral(" And Mastro = ") + testo(partita->conto.mastro) +
            QStringLiteral(" And Conto = ") + testo(partita->conto.conto));
        if (!pc.RsVuoto()) {
            banca = pc.leggiTesto(QStringLiteral("Banca")).trimmed();
            cCorrente = pc.leggiTesto(QStringLiteral("CCorrente")).trimmed();
            if (pc.leggiTesto(QStringLiteral("RagRB")).trimmed().compare(u"S", Qt::CaseInsensitive) == 0)
                ragRb = QStringLiteral("S");
        }
    }
    const Currency totaleFattura = partita->netto;
    int rata = 0;
    for (const Rata& r : calcolo.rate) {
        if (r.importo.zero())
            continue; // the VAT apart, when the supplier is owed none
        const auto [inEuro, lire] = importiEuroLire(r.importo, t.moneta, t.cambio);
        db.EseguiInCoda(
            QStringLiteral(
                "INSERT INTO Scadenze (Anno, NumProg, Tipo, GruppoScad, MastroScad, ContoScad, DataScad,"
                " PagTipo, BancaCF, CCorrente, NumReg, AnnoReg, Prefisso, NumDoc, DataDoc, PreProt,"
                " NumProt, DataProt, Causale, Rata, Moneta, Cambio, NotaCredInvSegno, RagRB,"
                " EntrataUscita, ImportoScad, ImportoScadLire, ImportoScadEuro, ImportoFatt, ImpPagato,"
                " Insoluto, Manuale, Operatore, CIG, CUP)"
                " VALUES (?, ?, 2, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'N', ?, ?,"
                " ?, ?, ?, ?, 0, 'N', 'N', ?, ?, ?)"),
            {t.anno,
             static_cast<qint64>(
                 db.ProssimoNumero(QStringLiteral("Scadenze"), QStringLiteral("NumProg"), t.anno, true)),
             partita->conto.gruppo,
             partita->conto.mastro,
             partita->conto.conto,
             r.data,
             testoONull(pagTipo),
             testoONull(banca),
             testoONull(cCorrente),
             numeroGiornale,
             t.anno,
             testoONull(t.preDoc),
             testoONull(t.numDoc),
             t.dataDoc.isValid() ? QVariant(t.dataDoc) : QVariant(),
             testoONull(t.preProt),
             t.numProt,
             t.dataProt.isValid() ? QVariant(t.dataProt) : QVariant(),
             testoONull(t.causale),
             ++rata,
             testoONull(t.moneta),
             t.cambio.comeDouble(),
             ragRb,
             causale.segnoPrinc == u"D" ? QStringLiteral("E") : QStringLiteral("U"),
             QVariant::fromValue(r.importo),
             QVariant::fromValue(lire),
             QVariant::fromValue(inEuro),
             QVariant::fromValue(totaleFattura),
             testoONull(t.operatore),
             testoONull(t.cig),
             testoONull(t.cup)});
    }
}

// The journal number of a duplicate key found at the insert is retried this many times: on
// the server another workstation can take the same number between our max() and our insert.
constexpr int TentativiNumero = 5;

} // namespace

bool protocolloNotaCredito(const QString& tipoReg, const QString& segnoPrinc) {
    const QString tipo = tipoReg.trimmed().toUpper();
    const QString segno = segnoPrinc.trimmed().toUpper();
    if (segno.isEmpty())
        return false;
    return !((tipo == u"V" && segno == u"D") || (tipo == u"A" && segno == u"A") || tipo == u"C");
}

bool numerazioneNcSeparata(ParametriAzienda& parametri, const QString& tipoReg,
                           std::optional<bool> ncAcqSepar) {
    if (ncAcqSepar && tipoReg.trimmed().compare(u"A", Qt::CaseInsensitive) == 0)
        return *ncAcqSepar;
    return parametri.vale(QStringLiteral("Ditta.NumNcSepar"), u"S", QStringLiteral("N"));
}

std::optional<qint64> NumeraProtocollo(Database& db, ParametriAzienda& parametri, Interazione& ui,
                                       const QDate& dataReg, const QString& tipoReg, const QString& preProt,
                                       const QString& segnoPrinc, const QString& attivita, QDate& dataProt,
                                       std::optional<bool> ncAcqSepar, Recordset* numeratore) {
    const QString tipo = tipoRegistro(tipoReg);
    const QString pref = prefissoRegistro(preProt);
    const bool separata =
        protocolloNotaCredito(tipo, segnoPrinc) && numerazioneNcSeparata(parametri, tipo, ncAcqSepar);
    for (;;) {
        // A posting on another workstation holds the row only for its own transaction: a short
        // wait spares the user most questions.
        for (int tentativo = 0; tentativo < 10; ++tentativo) {
            if (const auto p = tentaNumerazione(db, dataReg.year(), tipo, pref, attivita, separata, dataReg,
                                                std::exchange(numeratore, nullptr))) {
                dataProt = p->data;
                return p->numero;
            }
            if (!db.bloccaRighe())
                break; // the engine has already waited its busy timeout
            QThread::msleep(100);
        }
        if (msgCom(ui, QStringLiteral("Tabella numeratore in uso: riprovo?"), QStringLiteral("&Si"),
                   QStringLiteral("&No")) != 1)
            return std::nullopt;
    }
}

Database::Selezione selezioneNumeratore(Database& db, const QDate& dataReg, const QString& tipoReg,
                                        const QString& preProt) {
    const QString sql =
        selezioneRigaNumeratore(dataReg.year(), tipoRegistro(tipoReg), prefissoRegistro(preProt));
    return {db.bloccaRighe() ? sql + Database::BloccoRighe : sql, {}};
}

Database::Selezione selezioneNumeroGiornale(ParametriAzienda& parametri, int anno) {
    if (parametri.vale(QStringLiteral("Coge.Azzera"), u"N"))
        return Database::selezioneUltimoNumero(tabelle(FamigliaPn::Giornale).testata,
                                               QStringLiteral("NumReg"), anno, false);
    return selezioneNumeroReg(parametri, tabelle(FamigliaPn::Giornale).testata, anno);
}

qint64 prossimoNumeroGiornale(Database& db, ParametriAzienda& parametri, int anno) {
    return Database::numeroDopo(db.ApriRs(selezioneNumeroGiornale(parametri, anno)));
}

void aggiornaProgressivi(Database& db, const QString& tabellaRighe, int anno, qint64 numReg,
                         const QDate& dataReg, bool apertura, int verso) {
    struct Importi {
        Currency saldo, dare, avere;
    };
    std::map<std::tuple<int, QString, QString, QString>, Importi> conti;
    {
        Recordset rs = db.ApriRs(
            QStringLiteral("Select TipoPartita, GruppoPartita, MastroPartita, ContoPartita, "
                           "DareAvere, Importo from ") +
                tabellaRighe + condizioneRegLegata(tabellaRighe) + QStringLiteral(" Order by RigReg"),
            {anno, numReg});
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            Importi& i = conti[{static_cast<int>(rs.leggiIntero(QStringLiteral("TipoPartita")).value_or(0)),
                                rs.leggiTesto(QStringLiteral("GruppoPartita")),
                                rs.leggiTesto(QStringLiteral("MastroPartita")),
                                rs.leggiTesto(QStringLiteral("ContoPartita"))}];
            const Currency importo = rs.leggiValuta(QStringLiteral("Importo")).value_or(Currency());
            const bool dare =
                rs.leggiTesto(QStringLiteral("DareAvere")).trimmed().compare(u"D", Qt::CaseInsensitive) == 0;
            if (apertura)
                i.saldo += dare ? importo : -importo;
            else if (dare)
                i.dare += importo;
            else
                i.avere += importo;
        }
    }
    const QVariant data = dataReg.isValid() ? QVariant(dataReg) : QVariant();
    for (const auto& [conto, i] : conti) {
        const auto& [tipo, gruppo, mastro, numero] = conto;
        const Currency saldo = verso < 0 ? -i.saldo : i.saldo;
        const Currency dare = verso < 0 ? -i.dare : i.dare;
        const Currency avere = verso < 0 ? -i.avere : i.avere;
        if (verso > 0) {
            // Added to the account's row, which is made when the account has none yet. Nobody
            // reads a count, so on a server it waits to ride with the next statement.
            db.EseguiInCoda(
                QStringLiteral(
                    "INSERT INTO PdcProg (Anno, PartTipo, CoPartGruppo, CoPartMastro, CoPartConto, "
                    "SaldoIniziale,"
                    " ProgrDare, ProgrAvere, UltAgg) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"
                    " ON CONFLICT (Anno, PartTipo, CoPartGruppo, CoPartMastro, CoPartConto) DO UPDATE SET"
                    " SaldoIniziale = COALESCE(PdcProg.SaldoIniziale, 0) + excluded.SaldoIniziale,"
                    " ProgrDare = COALESCE(PdcProg.ProgrDare, 0) + excluded.ProgrDare,"
                    " ProgrAvere = COALESCE(PdcProg.ProgrAvere, 0) + excluded.ProgrAvere,"
                    " UltAgg = CASE WHEN PdcProg.UltAgg IS NULL OR PdcProg.UltAgg < excluded.UltAgg"
                    " THEN excluded.UltAgg ELSE PdcProg.UltAgg END"),
                {anno, tipo, gruppo, mastro, numero, QVariant::fromValue(saldo), QVariant::fromValue(dare),
                 QVariant::fromValue(avere), data});
        } else {
            // Taken back from a row that exists; the date of the last registration stays.
            db.EseguiInCoda(
                QStringLiteral("UPDATE PdcProg SET SaldoIniziale = COALESCE(SaldoIniziale, 0) + ?,"
                               " ProgrDare = COALESCE(ProgrDare, 0) + ?,"
                               " ProgrAvere = COALESCE(ProgrAvere, 0) + ? where Anno = ? and"
                               " PartTipo = ? and CoPartGruppo = ? and CoPartMastro = ? and"
                               " CoPartConto = ?"),
                {QVariant::fromValue(saldo), QVariant::fromValue(dare), QVariant::fromValue(avere), anno,
                 tipo, gruppo, mastro, numero});
        }
    }
}

namespace {

// What every registration of one transfer shares: the tables, their common columns and the
// company parameters of the due dates.
struct PreparazioneTrasferimento {
    TabellePn da, a;
    Copia testate, righe, iva;
    bool creaScadenze = false;
    CodiceConto contoIvaSplit;
};

PreparazioneTrasferimento preparaTrasferimento(Database& db, ParametriAzienda& parametri,
                                               FamigliaPn sorgente) {
    PreparazioneTrasferimento p;
    p.da = tabelle(sorgente);
    p.a = tabelle(FamigliaPn::Giornale);
    p.testate = colonneComuni(db, p.da.testata, p.a.testata);
    p.righe = colonneComuni(db, p.da.righe, p.a.righe);
    p.iva = colonneComuni(db, p.da.iva, p.a.iva);
    p.creaScadenze = parametri.vale(QStringLiteral("Fat.FattCreaScad"), u"S", QStringLiteral("N"));
    p.contoIvaSplit = CodiceConto{parametri.leggi(QStringLiteral("CauCon.GruppoIvaSplit")),
                                  parametri.leggi(QStringLiteral("CauCon.MastroIvaSplit")),
                                  parametri.leggi(QStringLiteral("CauCon.ContoIvaSplit")), 1};
    return p;
}

void aggiungiErrore(EsitoTrasferimento& esito, int numero, const QString& descrizione, int anno,
                    qint64 numReg) {
    if (!esito.errori.isEmpty())
        esito.errori += Crlf;
    esito.errori += QStringLiteral(" (ContabMovPn) Errore n°") + QString::number(numero) +
                    QStringLiteral(" : ") + descrizione;
    if (numReg > 0)
        esito.errori += QStringLiteral(" (registrazione ") + QString::number(anno) + u'/' +
                        QString::number(numReg) + u')';
    ++esito.numeroErrori;
}

// One registration, in a transaction of its own: `leggi` gives its header, nothing when
// another workstation has moved it meanwhile. `scadenzeDaSpostare`: due dates may stand on
// its temporary number and follow it onto the journal number. `nelGiornale`: posting wrote it
// in the journal already, under its journal number; only its running totals and due dates
// from terms are left to do, and a failure is the caller's to undo.
template <typename Leggi>
void trasferisciRegistrazione(Database& db, ParametriAzienda& parametri, const PreparazioneTrasferimento& p,
                              int anno, qint64 numReg, Leggi leggi, CausaliLette* causali,
                              bool scadenzeDaSpostare, bool nelGiornale, EsitoTrasferimento& esito) {
    for (int tentativo = 1;; ++tentativo) {
        try {
            std::optional<PuntoDiRipresa> tr;
            if (!nelGiornale)
                tr.emplace(db);
            const std::optional<Testata> letta = leggi();
            if (!letta)
                return;
            const Testata& t = *letta;
            const auto causale = causali ? causali->leggi(t.causale) : CausaleContabile::leggi(db, t.causale);
            if (!causale)
                throw ErroreDb(ErrRecordMancante,
                               QStringLiteral("Causale ") + t.causale + QStringLiteral(" inesistente"));
            const qint64 nuovo = nelGiornale ? numReg : prossimoNumeroGiornale(db, parametri, anno);
            if (!nelGiornale) {
                copia(db, p.testate, p.da.testata, p.a.testata, anno, numReg, nuovo);
                copia(db, p.righe, p.da.righe, p.a.righe, anno, numReg, nuovo);
                copia(db, p.iva, p.da.iva, p.a.iva, anno, numReg, nuovo);
            }
            aggiornaProgressivi(db, p.a.righe, anno, nuovo, t.dataReg, causale->tipoCausale == u"AP", 1);
            if (p.creaScadenze && !t.pagamento.isEmpty())
                scadenzeDaTermini(db, nelGiornale ? p.a : p.da, p.da, t, *causale, nuovo, p.contoIvaSplit,
                                  esito.avvisi);
            // Only the registration that owns the protocol takes its due dates: the
            // withholding and payment registrations carry the invoice's protocol too.
            if (scadenzeDaSpostare && !causale->tipoReg.isEmpty() && t.numProt > 0 && t.dataProt.isValid())
                aggiornaNumRegScadenze(db, nuovo, anno, t.preProt, t.numProt, t.dataProt);
            if (!nelGiornale)
                for (const QString& tabella : {p.da.iva, p.da.righe, p.da.testata})
                    db.EseguiInCoda(QStringLiteral("DELETE FROM ") + tabella + condizioneRegLegata(tabella),
                                    {anno, numReg});
            if (tr)
                tr->conferma();
            esito.anno = anno;
            esito.numReg = nuovo;
            return;
        } catch (const ErroreDb& e) {
            if (e.chiaveDuplicata() && tentativo < TentativiNumero && !nelGiornale)
                continue;
            aggiungiErrore(esito, e.numero(), e.descrizione(), anno, numReg);
            return;
        } catch (const std::exception& e) {
            aggiungiErrore(esito, ErrDatabase, QString::fromUtf8(e.what()), anno, numReg);
            return;
        }
    }
}

} // namespace

EsitoTrasferimento TrasferisciPn(Database& db, ParametriAzienda& parametri, FamigliaPn sorgente, int anno,
                                 qint64 primo, qint64 ultimo, CausaliLette* causali) {
    EsitoTrasferimento esito;
    const TabellePn da = tabelle(sorgente);
    std::vector<qint64> numeri;
    PreparazioneTrasferimento preparazione;
    try {
        Recordset rs = db.ApriRs(QStringLiteral("Select NumReg from ") + da.testata +
                                     QStringLiteral(" where Anno = ? And NumReg >= ? And NumReg <= ?"
                                                    " Order by Anno, Numreg"),
                                 {anno, primo, ultimo});
        for (; !rs.RsEof(); rs.RsMoveNext())
            numeri.push_back(rs.leggiIntero(QStringLiteral("NumReg")).value_or(0));
        if (numeri.empty()) {
            esito.errori = QStringLiteral("Non ci sono movimenti nell'intervallo");
            esito.numeroErrori = 1;
            return esito;
        }
        preparazione = preparaTrasferimento(db, parametri, sorgente);
    } catch (const ErroreDb& e) {
        aggiungiErrore(esito, e.numero(), e.descrizione(), anno, 0);
        return esito;
    }
    for (const qint64 numReg : numeri) {
        const auto leggi = [&]() -> std::optional<Testata> {
            Recordset rs =
                db.ApriRs(QStringLiteral("Select * from ") + da.testata + condizioneRegLegata(da.testata),
                          {anno, numReg});
            if (rs.RsVuoto())
                return std::nullopt; // moved meanwhile by another workstation
            return leggiTestata(rs);
        };
        trasferisciRegistrazione(db, parametri, preparazione, anno, numReg, leggi, causali, true, false,
                                 esito);
    }
    return esito;
}

EsitoTrasferimento completaNelGiornale(Database& db, ParametriAzienda& parametri, const TestataPn& h,
                                       CausaliLette* causali) {
    EsitoTrasferimento esito;
    PreparazioneTrasferimento preparazione;
    try {
        preparazione = preparaTrasferimento(db, parametri, FamigliaPn::Appoggio);
    } catch (const ErroreDb& e) {
        aggiungiErrore(esito, e.numero(), e.descrizione(), h.anno, 0);
        return esito;
    }
    // The header as the transfer would read it back: texts trimmed, the missing date invalid.
    Testata t;
    t.anno = h.anno;
    t.numReg = h.numReg;
    t.causale = h.causale.trimmed();
    t.pagamento = h.pagamento.trimmed();
    t.preProt = h.preProt.trimmed();
    t.numProt = h.numProt;
    t.preDoc = h.preDoc.trimmed();
    t.numDoc = h.numDoc.trimmed();
    t.moneta = h.moneta.trimmed();
    t.dataReg = h.dataReg.isValid() && h.dataReg.year() != 100 ? h.dataReg : QDate();
    t.dataProt = h.dataProt;
    t.dataDoc = h.dataDoc.isValid() && h.dataDoc.year() != 100 ? h.dataDoc : QDate();
    t.cambio = h.cambio;
    t.xmlAnno = h.xmlAnno;
    t.xmlNumRif = h.xmlNumRif;
    trasferisciRegistrazione(
        db, parametri, preparazione, h.anno, h.numReg, [&]() -> std::optional<Testata> { return t; }, causali,
        false, true, esito);
    return esito;
}

} // namespace tesel::posting
