#include "posting/verifica.h"

#include "frame/blocchi.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "frame/serializzazione.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "posting/trasferimento.h"
#include "posting/verifica_letture.h"

#include <QDate>
#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <tuple>

namespace tesel::posting {

namespace {

using namespace verifica;

// ---- Findings and their repairs --------------------------------------------------------------

struct EsitoRiparazione {
    bool ok = false;
    QString azione;
};

struct Voce {
    Voce() = default;
    explicit Voce(Anomalia a) : anomalia(std::move(a)) {}
    Anomalia anomalia;
    std::function<EsitoRiparazione()> ripara; // empty: listed only
};

Anomalia anomalia(TipoAnomalia tipo, const QString& descrizione) {
    Anomalia a;
    a.tipo = tipo;
    a.descrizione = descrizione;
    return a;
}

// ---- Locks ----------------------------------------------------------------------------------

// Posting's own kinds: it never leaves them behind now, so one written without holder by an
// older version is a leftover.
bool bloccoDellaContabilizzazione(const BloccoRegistrato& b) {
    const QString gestione = b.gestione.trimmed();
    return b.tipo.trimmed().compare(TipoBloccoAppoggio, Qt::CaseInsensitive) == 0 ||
           gestione.compare(u"Contabilizzazione", Qt::CaseInsensitive) == 0 ||
           gestione.compare(u"Decontabilizzazione", Qt::CaseInsensitive) == 0;
}

bool senzaDetentore(const BloccoRegistrato& b) {
    return b.host.trimmed().isEmpty() && b.processo == 0 && b.avvioProcesso.trimmed().isEmpty() &&
           b.sessioneDb.trimmed().isEmpty();
}

std::vector<Voce> controllaBlocchi(Database& db, ParametriAzienda&, const QString&) {
    std::vector<Voce> voci;
    for (const BloccoRegistrato& b : elencoBlocchi(db)) {
        QString descrizione =
            QStringLiteral("Blocco ") + b.tipo.trimmed() + u' ' + numeroReg(b.anno, b.numero);
        if (!b.gestione.trimmed().isEmpty())
            descrizione += QStringLiteral(" (") + b.gestione.trimmed() + u')';
        if (!b.utente.trimmed().isEmpty())
            descrizione += QStringLiteral(" di ") + b.utente.trimmed();
        if (b.ora.isValid())
            descrizione += QStringLiteral(" del ") + b.ora.toString(QStringLiteral("dd/MM/yyyy HH:mm"));
        const QString interrotta = descrizioneGestioneInterrotta(b.gestione);
        const QString dove =
            b.host.trimmed().isEmpty() ? QString() : QStringLiteral(" su ") + b.host.trimmed();
        Voce v;
        if (!interrotta.isEmpty()) {
            // Kept on purpose so that the interrupted operation can be taken up again.
            v.anomalia.tipo = TipoAnomalia::BloccoDaControllare;
            descrizione += QStringLiteral(": ") + interrotta;
        } else if (b.detentore == StatoDetentore::Terminato) {
            v.anomalia.tipo = TipoAnomalia::BloccoTerminato;
            descrizione += QStringLiteral(", programma non più in esecuzione") + dove;
        } else if (b.detentore == StatoDetentore::Attivo) {
            v.anomalia.tipo = TipoAnomalia::BloccoInUso;
            descrizione += QStringLiteral(", programma in esecuzione") + dove;
        } else if (senzaDetentore(b)) {
            v.anomalia.tipo = bloccoDellaContabilizzazione(b) ? TipoAnomalia::BloccoTerminato
                                                              : TipoAnomalia::BloccoDaControllare;
            descrizione += QStringLiteral(", senza detentore");
        } else {
            v.anomalia.tipo = TipoAnomalia::BloccoDaControllare;
            descrizione += QStringLiteral(", detentore") + dove + QStringLiteral(" non verificabile");
        }
        v.anomalia.descrizione = descrizione;
        v.anomalia.anno = b.anno;
        v.anomalia.numReg = b.numero;
        if (b.tipo.trimmed().compare(TipoBloccoAppoggio, Qt::CaseInsensitive) == 0)
            v.anomalia.famiglia = FamigliaPn::Appoggio;
        if (v.anomalia.tipo == TipoAnomalia::BloccoTerminato)
            v.ripara = [&db, b]() -> EsitoRiparazione {
                Transazione tr(db);
                // Repairs run one at a time with postings, which they would otherwise meet halfway.
                serializzaNellaTransazione(db, TipoSerializzazioneContabile, 0);
                const bool rimosso = rimuoviBlocco(db, b);
                tr.conferma();
                if (!rimosso)
                    return {false,
                            QStringLiteral("Il blocco è cambiato nel frattempo: ripetere la verifica")};
                return {true, QStringLiteral("Blocco rimosso")};
            };
        voci.push_back(std::move(v));
    }
    return voci;
}

// ---- Staging registrations ------------------------------------------------------------------

// Deletes the staging registrations of an invoice that is not posted, with the due dates of
// their protocol that no journal registration owns, and gives the protocol number back when it
// was the register's last.
EsitoRiparazione eliminaAppoggio(Database& db, ParametriAzienda& parametri, const QString& utente,
                                 int xmlAnno, qint64 xmlNumRif) {
    BlocchiTenuti blocchi(db);
    QString motivo;
    for (const RegistrazioneAppoggio& r : registrazioniAppoggio(db, xmlAnno, xmlNumRif))
        if (!bloccaAppoggio(blocchi, utente, QStringLiteral("Verifica"), r.anno, r.numReg, motivo))
            return {false, motivo};
    const bool ncSeparate = parametri.vale(QStringLiteral("Ditta.NumNcSepar"), u"S");

    Transazione tr(db);
    serializzaNellaTransazione(db, TipoSerializzazioneContabile, 0);
    // Read again under the locks: another workstation may have posted or cleaned it meanwhile.
    if (leggiFattura(db, xmlAnno, xmlNumRif).contabilizzata)
        return {false, QStringLiteral("La fattura risulta ora contabilizzata: ripetere la verifica")};
    const std::vector<RegistrazioneAppoggio> regs = registrazioniAppoggio(db, xmlAnno, xmlNumRif);
    if (regs.empty())
        return {true, QStringLiteral("Nessuna registrazione da eliminare: già tolte nel frattempo")};
    QStringList fatto{QStringLiteral("Eliminate le registrazioni di appoggio ")};
    std::set<std::pair<int, Protocollo>> protocolli;
    for (const RegistrazioneAppoggio& r : regs)
        if (r.protocollo.valido())
            protocolli.insert({r.anno, r.protocollo});
    int scadenze = 0;
    for (const auto& [anno, p] : protocolli) {
        if (!titolariProtocollo(db, FamigliaPn::Giornale, anno, p).empty())
            continue;
        const QVariant bloccate =
            db.valore(QStringLiteral("Select count(*) from Scadenze") + condizioneScadenze(anno, p) +
                      QStringLiteral(" and (NumRegPag > 0 or NumDist > 0 or Utente is not null)"));
        if (bloccate.toLongLong() > 0)
            return {false, QStringLiteral("Scadenze del protocollo ") + p.testo() +
                               QStringLiteral(" pagate, in distinta o in uso: da sistemare a mano")};
        scadenze += db.EseguiSql(QStringLiteral("DELETE FROM Scadenze") + condizioneScadenze(anno, p));
    }
    QStringList numeri;
    const TabellePn appoggio = tabelle(FamigliaPn::Appoggio);
    for (const RegistrazioneAppoggio& r : regs) {
        for (const QString& tabella : {appoggio.iva, appoggio.righe, appoggio.testata})
            db.EseguiSql(QStringLiteral("DELETE FROM ") + tabella + condizioneReg(tabella, r.anno, r.numReg));
        numeri << numeroReg(r.anno, r.numReg);
    }
    fatto[0] += elenco(numeri);
    if (scadenze > 0)
        fatto << quanteScadenze(scadenze);

    // The number goes back only when it is the register's last and nobody else holds it.
    for (const RegistrazioneAppoggio& r : regs) {
        if (r.tipoReg.isEmpty() || !r.protocollo.valido())
            continue;
        const int annoProt = r.protocollo.data.year();
        const QString condizioneAnno =
            QStringLiteral(" and t.DataProt >= ") + SqlValore(QDate(annoProt, 1, 1), SqlData) +
            QStringLiteral(" and t.DataProt < ") + SqlValore(QDate(annoProt + 1, 1, 1), SqlData);
        qint64 altri = 0;
        for (const FamigliaPn f : {FamigliaPn::Giornale, FamigliaPn::Appoggio})
            altri += db.valore(QStringLiteral("Select count(*) from ") + tabelle(f).testata +
                               QStringLiteral(
                                   " t inner join Causali c on c.Causale = t.Causale where c.TipoReg = ") +
                               testo(r.tipoReg) + QStringLiteral(" and t.NumProt = ") +
                               SqlValore(r.protocollo.numProt, SqlLungo) + QStringLiteral(" and ") +
                               prefissoSql(QStringLiteral("t.PreProt")) + QStringLiteral(" = ") +
                               testo(r.protocollo.preProt) + condizioneAnno)
                         .toLongLong();
        if (altri > 0)
            continue;
        const QString campo = ncSeparate && protocolloNotaCredito(r.tipoReg, r.segnoPrinc)
                                  ? QStringLiteral("NumDocNC")
                                  : QStringLiteral("NumDoc");
        if (db.EseguiSql(QStringLiteral("UPDATE LibriIva SET ") + campo + QStringLiteral(" = ") + campo +
                         QStringLiteral(" - 1 Where Anno = ") + SqlValore(annoProt, SqlIntero) +
                         QStringLiteral(" And TipoReg = ") + testo(r.tipoReg) +
                         QStringLiteral(" And Pref = ") + testo(r.protocollo.preProt) +
                         QStringLiteral(" And ") + campo + QStringLiteral(" = ") +
                         SqlValore(r.protocollo.numProt, SqlLungo)) > 0)
            fatto << QStringLiteral("restituito il protocollo ") + r.tipoReg + u' ' + r.protocollo.preProt +
                         u'/' + QString::number(r.protocollo.numProt);
    }
    tr.conferma();
    return {true, elenco(fatto)};
}

std::vector<Voce> controllaAppoggio(Database& db, ParametriAzienda& parametri, const QString& utente) {
    struct Riga {
        int anno = 0;
        qint64 numReg = 0;
    };
    std::map<std::pair<int, qint64>, std::vector<Riga>> perFattura;
    std::vector<Voce> voci;
    {
        Recordset rs = db.ApriRs(QStringLiteral(
            "Select Anno, NumReg, XmlAnno, XmlNumRif from MovPnTesFatt Order by Anno, NumReg"));
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            const Riga r{static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0)),
                         rs.leggiIntero(QStringLiteral("NumReg")).value_or(0)};
            const int xmlAnno = static_cast<int>(rs.leggiIntero(QStringLiteral("XmlAnno")).value_or(0));
            const qint64 xmlNumRif = rs.leggiIntero(QStringLiteral("XmlNumRif")).value_or(0);
            if (xmlAnno > 0 && xmlNumRif > 0) {
                perFattura[{xmlAnno, xmlNumRif}].push_back(r);
                continue;
            }
            Voce v{anomalia(TipoAnomalia::AppoggioSenzaFattura,
                            QStringLiteral("Registrazione di appoggio ") + numeroReg(r.anno, r.numReg) +
                                QStringLiteral(" senza riferimento a una fattura"))};
            v.anomalia.famiglia = FamigliaPn::Appoggio;
            v.anomalia.anno = r.anno;
            v.anomalia.numReg = r.numReg;
            voci.push_back(v);
        }
    }
    for (const auto& [chiave, righe] : perFattura) {
        const auto [xmlAnno, xmlNumRif] = chiave;
        const FatturaLetta f = leggiFattura(db, xmlAnno, xmlNumRif);
        QStringList numeri;
        for (const Riga& r : righe)
            numeri << numeroReg(r.anno, r.numReg);
        Voce v;
        Anomalia& a = v.anomalia;
        a.xmlAnno = xmlAnno;
        a.xmlNumRif = xmlNumRif;
        a.famiglia = FamigliaPn::Appoggio;
        a.anno = righe.front().anno;
        a.numReg = righe.front().numReg;
        QString nome = f.nome;
        nome[0] = nome[0].toUpper();
        if (f.contabilizzata) {
            a.tipo = TipoAnomalia::AppoggioContabilizzata;
            a.descrizione = nome +
                            QStringLiteral(" contabilizzata con registrazioni rimaste in prima nota di "
                                           "appoggio: ") +
                            elenco(numeri);
            v.ripara = [&db, &parametri, utente, xmlAnno, xmlNumRif]() -> EsitoRiparazione {
                const EsitoRitrasferimento e =
                    RitrasferisciFattura(db, parametri, xmlAnno, xmlNumRif, utente);
                return {e.ok, e.messaggio()};
            };
        } else {
            a.tipo = TipoAnomalia::AppoggioNonContabilizzata;
            a.descrizione = f.esiste
                                ? nome +
                                      QStringLiteral(" non contabilizzata con registrazioni in prima nota "
                                                     "di appoggio: ") +
                                      elenco(numeri)
                                : QStringLiteral("Registrazioni in prima nota di appoggio della ") + f.nome +
                                      QStringLiteral(" inesistente: ") + elenco(numeri);
            v.ripara = [&db, &parametri, utente, xmlAnno, xmlNumRif] {
                return eliminaAppoggio(db, parametri, utente, xmlAnno, xmlNumRif);
            };
        }
        voci.push_back(std::move(v));
    }
    return voci;
}

// ---- Invoices marked posted without registrations -----------------------------------------------

QString senzaRegistrazioni(int xmlAnno, qint64 xmlNumRif) {
    QString condizione;
    for (const FamigliaPn f : {FamigliaPn::Giornale, FamigliaPn::Appoggio})
        condizione += QStringLiteral(" and not exists (Select 1 from ") + tabelle(f).testata + u' ' +
                      condizioneFattura(xmlAnno, xmlNumRif).mid(1) + u')';
    return condizione;
}

std::vector<Voce> controllaSenzaRegistrazione(Database& db, ParametriAzienda&, const QString&) {
    std::vector<std::pair<int, qint64>> chiavi;
    {
        Recordset rs = db.ApriRs(QStringLiteral(
            "Select f.XmlAnno, f.XmlNumRif from FatXmlTest f where upper(f.Contabilizzato) = 'S' and "
            "(f.ContabSenzaReg is null or upper(f.ContabSenzaReg) <> 'S') and not exists (Select 1 from "
            "MovPnTes t where t.XmlAnno = f.XmlAnno and t.XmlNumRif = f.XmlNumRif) and not exists (Select "
            "1 from MovPnTesFatt a where a.XmlAnno = f.XmlAnno and a.XmlNumRif = f.XmlNumRif) Order by "
            "f.XmlAnno, f.XmlNumRif"));
        for (; !rs.RsEof(); rs.RsMoveNext())
            chiavi.emplace_back(static_cast<int>(rs.leggiIntero(QStringLiteral("XmlAnno")).value_or(0)),
                                rs.leggiIntero(QStringLiteral("XmlNumRif")).value_or(0));
    }
    std::vector<Voce> voci;
    for (const auto& [xmlAnno, xmlNumRif] : chiavi) {
        QString nome = leggiFattura(db, xmlAnno, xmlNumRif).nome;
        nome[0] = nome[0].toUpper();
        Voce v{anomalia(
            TipoAnomalia::ContabilizzataSenzaRegistrazione,
            nome + QStringLiteral(" segnata come contabilizzata senza registrazioni in prima nota"))};
        v.anomalia.xmlAnno = xmlAnno;
        v.anomalia.xmlNumRif = xmlNumRif;
        v.ripara = [&db, xmlAnno, xmlNumRif]() -> EsitoRiparazione {
            Transazione tr(db);
            serializzaNellaTransazione(db, TipoSerializzazioneContabile, 0);
            const int fatte =
                db.EseguiSql(QStringLiteral("UPDATE FatXmlTest SET Contabilizzato = 'N'") +
                             condizioneFattura(xmlAnno, xmlNumRif) +
                             QStringLiteral(" and upper(Contabilizzato) = 'S' and (ContabSenzaReg is null or "
                                            "upper(ContabSenzaReg) <> 'S')") +
                             senzaRegistrazioni(xmlAnno, xmlNumRif));
            tr.conferma();
            if (fatte == 0)
                return {false, QStringLiteral("La fattura è cambiata nel frattempo: ripetere la verifica")};
            return {true, QStringLiteral("Tolto il segno di contabilizzata")};
        };
        voci.push_back(std::move(v));
    }
    return voci;
}

// ---- Due dates on the registration of another protocol ------------------------------------------

std::vector<Voce> controllaScadenze(Database& db, ParametriAzienda&, const QString&) {
    // The due dates whose registration does not carry their protocol, by registration and
    // protocol; the comparison is repeated here on the values read, as the engines write
    // dates and prefixes in more than one way.
    struct Gruppo {
        int annoReg = 0;
        qint64 numReg = 0;
        Protocollo protocollo;
        bool registrazione = false; // the journal has the registration they hang on
        Protocollo protocolloRegistrazione;
        int xmlAnno = 0;
        qint64 xmlNumRif = 0;
        int scadenze = 0;
    };
    std::map<std::tuple<int, qint64, Protocollo>, Gruppo> gruppi;
    {
        Recordset rs = db.ApriRs(
            QStringLiteral(
                "Select s.AnnoReg, s.NumReg, s.PreProt, s.NumProt, s.DataProt, t.NumReg as TNumReg, "
                "t.PreProt as TPreProt, t.NumProt as TNumProt, t.DataProt as TDataProt, t.XmlAnno, "
                "t.XmlNumRif from Scadenze s left join MovPnTes t on t.Anno = s.AnnoReg and t.NumReg = "
                "s.NumReg where s.Tipo = 2 and s.NumReg > 0 and s.NumProt > 0 and s.DataProt is not null "
                "and (t.NumReg is null or t.NumProt is null or t.DataProt is null or t.NumProt <> "
                "s.NumProt or t.DataProt <> s.DataProt or ") +
            prefissoSql(QStringLiteral("t.PreProt")) + QStringLiteral(" <> ") +
            prefissoSql(QStringLiteral("s.PreProt")) +
            QStringLiteral(") Order by s.AnnoReg, s.NumReg, s.NumProt"));
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            const Protocollo p = protocollo(rs);
            if (!p.valido())
                continue;
            const bool registrazione = !rs.LeggiCampo(QStringLiteral("TNumReg")).isNull();
            const Protocollo pr = protocollo(rs, QStringLiteral("T"));
            if (registrazione && pr == p)
                continue;
            const int annoReg = static_cast<int>(rs.leggiIntero(QStringLiteral("AnnoReg")).value_or(0));
            const qint64 numReg = rs.leggiIntero(QStringLiteral("NumReg")).value_or(0);
            Gruppo& g = gruppi[{annoReg, numReg, p}];
            g.annoReg = annoReg;
            g.numReg = numReg;
            g.protocollo = p;
            g.registrazione = registrazione;
            g.protocolloRegistrazione = pr;
            g.xmlAnno = static_cast<int>(rs.leggiIntero(QStringLiteral("XmlAnno")).value_or(0));
            g.xmlNumRif = rs.leggiIntero(QStringLiteral("XmlNumRif")).value_or(0);
            ++g.scadenze;
        }
    }
    std::vector<Voce> voci;
    for (const auto& [chiave, g] : gruppi) {
        // A staging registration of the protocol still to be moved takes them along: that is
        // the staging finding's repair.
        if (!titolariProtocollo(db, FamigliaPn::Appoggio, g.annoReg, g.protocollo).empty())
            continue;
        const std::vector<qint64> titolari =
            titolariProtocollo(db, FamigliaPn::Giornale, g.annoReg, g.protocollo);
        Voce v;
        Anomalia& a = v.anomalia;
        a.tipo = TipoAnomalia::ScadenzeAltraRegistrazione;
        a.anno = g.annoReg;
        a.numReg = g.numReg;
        a.xmlAnno = g.xmlAnno;
        a.xmlNumRif = g.xmlNumRif;
        a.descrizione = quanteScadenze(g.scadenze) + QStringLiteral(" del protocollo ") +
                        g.protocollo.testo() + QStringLiteral(" sulla registrazione ") +
                        numeroReg(g.annoReg, g.numReg);
        if (!g.registrazione)
            a.descrizione += QStringLiteral(", inesistente in prima nota");
        else
            a.descrizione += g.protocolloRegistrazione.valido()
                                 ? QStringLiteral(" del protocollo ") + g.protocolloRegistrazione.testo()
                                 : QStringLiteral(" senza protocollo");
        if (titolari.size() == 1) {
            const qint64 titolare = titolari.front();
            a.descrizione +=
                QStringLiteral("; il protocollo è della registrazione ") + numeroReg(g.annoReg, titolare);
            v.ripara = [&db, g, titolare]() -> EsitoRiparazione {
                Transazione tr(db);
                serializzaNellaTransazione(db, TipoSerializzazioneContabile, 0);
                const QString queste = condizioneScadenze(g.annoReg, g.protocollo) +
                                       QStringLiteral(" and NumReg = ") + SqlValore(g.numReg, SqlLungo);
                // A due date a user is editing would be saved back over the move.
                if (db.valore(QStringLiteral("Select count(*) from Scadenze") + queste +
                              QStringLiteral(" and Utente is not null"))
                        .toLongLong() > 0)
                    return {false, QStringLiteral("Scadenze in uso da un utente: ripetere più tardi")};
                const int spostate = db.EseguiSql(QStringLiteral("UPDATE Scadenze SET NumReg = ") +
                                                  SqlValore(titolare, SqlLungo) + queste);
                tr.conferma();
                return {true, QStringLiteral("Spostate sulla registrazione ") +
                                  numeroReg(g.annoReg, titolare) + QStringLiteral(": ") +
                                  quanteScadenze(spostate)};
            };
        } else {
            a.descrizione += titolari.empty()
                                 ? QStringLiteral("; nessuna registrazione di prima nota ha il protocollo")
                                 : QStringLiteral("; più registrazioni hanno il protocollo: ") +
                                       elencoGiornale(g.annoReg, titolari);
            v.ripara = [] { return EsitoRiparazione{false, QStringLiteral("Da sistemare a mano")}; };
        }
        voci.push_back(std::move(v));
    }
    return voci;
}

// ---- What only the user can settle ----------------------------------------------------------

std::vector<Voce> controllaQuadratura(Database& db, ParametriAzienda&, const QString&) {
    std::vector<Voce> voci;
    for (const FamigliaPn f : {FamigliaPn::Giornale, FamigliaPn::Appoggio}) {
        const TabellePn t = tabelle(f);
        struct Sbilancio {
            int anno = 0;
            qint64 numReg = 0;
        };
        std::vector<Sbilancio> candidati;
        {
            // The sums of the engine only choose the candidates: SQLite adds floating values.
            Recordset rs = db.ApriRs(
                QStringLiteral("Select Anno, NumReg from ") + t.righe +
                QStringLiteral(
                    " Group by Anno, NumReg Having abs(sum(CASE WHEN DareAvere = 'D' THEN "
                    "COALESCE(Importo, 0) WHEN DareAvere = 'A' THEN -COALESCE(Importo, 0) ELSE 0 END)) >= "
                    "0.00005 Order by Anno, NumReg"));
            for (; !rs.RsEof(); rs.RsMoveNext())
                candidati.push_back({static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0)),
                                     rs.leggiIntero(QStringLiteral("NumReg")).value_or(0)});
        }
        for (const Sbilancio& s : candidati) {
            const auto [dare, avere] = dareAvere(db, t.righe, s.anno, s.numReg);
            if (dare == avere)
                continue;
            Voce v{anomalia(TipoAnomalia::RegistrazioneNonQuadrata,
                            (f == FamigliaPn::Appoggio ? QStringLiteral("Registrazione di appoggio ")
                                                       : QStringLiteral("Registrazione ")) +
                                numeroReg(s.anno, s.numReg) + QStringLiteral(": dare ") + importoTesto(dare) +
                                QStringLiteral(", avere ") + importoTesto(avere) +
                                QStringLiteral(", differenza ") + importoTesto(dare - avere))};
            Anomalia& a = v.anomalia;
            a.famiglia = f;
            a.anno = s.anno;
            a.numReg = s.numReg;
            Recordset h = db.ApriRs(QStringLiteral("Select XmlAnno, XmlNumRif from ") + t.testata +
                                    condizioneReg(t.testata, s.anno, s.numReg));
            if (!h.RsVuoto()) {
                a.xmlAnno = static_cast<int>(h.leggiIntero(QStringLiteral("XmlAnno")).value_or(0));
                a.xmlNumRif = h.leggiIntero(QStringLiteral("XmlNumRif")).value_or(0);
                if (a.xmlAnno > 0)
                    a.descrizione += QStringLiteral(" (fattura ") + numeroReg(a.xmlAnno, a.xmlNumRif) + u')';
            }
            voci.push_back(std::move(v));
        }
    }
    return voci;
}

std::vector<Voce> controllaFornitori(Database& db, ParametriAzienda&, const QString&) {
    std::map<QString, QStringList> perPartitaIva;
    {
        Recordset rs = db.ApriRs(
            QStringLiteral("Select Gruppo, Mastro, Conto, PartIva, Descrizione, RagSoc from PianoConti "
                           "where Tipo = 2 and PartIva is not null Order by Gruppo, Mastro, Conto"));
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            const QString piva = rs.leggiTesto(QStringLiteral("PartIva")).trimmed();
            if (piva.isEmpty())
                continue;
            QString nome = rs.leggiTesto(QStringLiteral("RagSoc")).trimmed();
            if (nome.isEmpty())
                nome = rs.leggiTesto(QStringLiteral("Descrizione")).trimmed();
            QString conto = rs.leggiTesto(QStringLiteral("Gruppo")).trimmed() + u'-' +
                            rs.leggiTesto(QStringLiteral("Mastro")).trimmed() + u'-' +
                            rs.leggiTesto(QStringLiteral("Conto")).trimmed();
            if (!nome.isEmpty())
                conto += u' ' + nome;
            perPartitaIva[piva] << conto;
        }
    }
    std::vector<Voce> voci;
    for (const auto& [piva, conti] : perPartitaIva)
        if (conti.size() > 1)
            voci.push_back(Voce{anomalia(TipoAnomalia::FornitoreDoppio,
                                         QStringLiteral("Partita IVA ") + piva + QStringLiteral(" su ") +
                                             QString::number(conti.size()) +
                                             QStringLiteral(" conti fornitore: ") + elenco(conti))});
    return voci;
}

// "3, 5-7, 10"
QString intervalli(const std::vector<qint64>& numeri) {
    QStringList v;
    for (std::size_t i = 0; i < numeri.size();) {
        std::size_t j = i;
        while (j + 1 < numeri.size() && numeri[j + 1] == numeri[j] + 1)
            ++j;
        v << (j == i ? QString::number(numeri[i])
                     : QString::number(numeri[i]) + u'-' + QString::number(numeri[j]));
        i = j + 1;
    }
    return elenco(v);
}

std::vector<Voce> controllaProtocolli(Database& db, ParametriAzienda& parametri, const QString&) {
    const bool ncSeparate = parametri.vale(QStringLiteral("Ditta.NumNcSepar"), u"S");
    // One numbering: register year, kind, prefix, and whether it is the credit notes' own.
    using Chiave = std::tuple<int, QString, QString, bool>;
    struct Numerazione {
        qint64 ultimo = 0; // the register's counter
        std::map<qint64, std::vector<std::pair<FamigliaPn, std::pair<int, qint64>>>> usati;
    };
    std::map<Chiave, Numerazione> numerazioni;
    {
        Recordset rs =
            db.ApriRs(QStringLiteral("Select Anno, TipoReg, Pref, NumDoc, NumDocNC from LibriIva"));
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            const int anno = static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0));
            const QString tipo = rs.leggiTesto(QStringLiteral("TipoReg")).trimmed().toUpper();
            const QString pref = prefisso(rs.leggiTesto(QStringLiteral("Pref")));
            numerazioni[{anno, tipo, pref, false}].ultimo =
                rs.leggiIntero(QStringLiteral("NumDoc")).value_or(0);
            if (ncSeparate)
                numerazioni[{anno, tipo, pref, true}].ultimo =
                    rs.leggiIntero(QStringLiteral("NumDocNC")).value_or(0);
        }
    }
    // A staging registration holds its number as well: without it a registration stuck there
    // would read as a gap.
    for (const FamigliaPn f : {FamigliaPn::Giornale, FamigliaPn::Appoggio}) {
        Recordset rs = db.ApriRs(
            QStringLiteral("Select t.Anno, t.NumReg, t.PreProt, t.NumProt, t.DataProt, "
                           "c.TipoReg, c.SegnoPrinc from ") +
            tabelle(f).testata +
            QStringLiteral(" t inner join Causali c on c.Causale = t.Causale where t.NumProt > 0 "
                           "and c.TipoReg is not null and c.TipoReg <> '' Order by t.Anno, t.NumReg"));
        for (; !rs.RsEof(); rs.RsMoveNext()) {
            const int anno = static_cast<int>(rs.leggiIntero(QStringLiteral("Anno")).value_or(0));
            const Protocollo p = protocollo(rs);
            const QString tipo = rs.leggiTesto(QStringLiteral("TipoReg")).trimmed().toUpper();
            const bool nc =
                ncSeparate && protocolloNotaCredito(tipo, rs.leggiTesto(QStringLiteral("SegnoPrinc")));
            numerazioni[{p.data.isValid() ? p.data.year() : anno, tipo, p.preProt, nc}]
                .usati[p.numProt]
                .push_back({f, {anno, rs.leggiIntero(QStringLiteral("NumReg")).value_or(0)}});
        }
    }
    std::vector<Voce> voci;
    for (const auto& [chiave, n] : numerazioni) {
        const auto& [anno, tipo, pref, nc] = chiave;
        const QString registro = QStringLiteral("Registro IVA ") + tipo + u' ' + pref + u' ' +
                                 QString::number(anno) +
                                 (nc ? QStringLiteral(" (note di credito)") : QString());
        std::vector<qint64> mancanti, oltre;
        for (qint64 i = 1; i <= n.ultimo; ++i)
            if (!n.usati.count(i))
                mancanti.push_back(i);
        for (const auto& [numero, regs] : n.usati) {
            if (numero > n.ultimo)
                oltre.push_back(numero);
            if (regs.size() < 2)
                continue;
            QStringList nomi;
            for (const auto& [f, r] : regs)
                nomi << numeroReg(r.first, r.second) +
                            (f == FamigliaPn::Appoggio ? QStringLiteral(" (appoggio)") : QString());
            Voce v{anomalia(TipoAnomalia::ProtocolloRipetuto,
                            registro + QStringLiteral(": protocollo ") + QString::number(numero) +
                                QStringLiteral(" nelle registrazioni ") + elenco(nomi))};
            v.anomalia.famiglia = regs.back().first;
            v.anomalia.anno = regs.back().second.first;
            v.anomalia.numReg = regs.back().second.second;
            voci.push_back(std::move(v));
        }
        if (!mancanti.empty())
            voci.push_back(
                Voce{anomalia(TipoAnomalia::ProtocolloMancante,
                              registro + QStringLiteral(": protocolli mancanti ") + intervalli(mancanti) +
                                  QStringLiteral(" (ultimo numero ") + QString::number(n.ultimo) + u')')});
        if (!oltre.empty())
            voci.push_back(Voce{anomalia(TipoAnomalia::ProtocolloOltreNumeratore,
                                         registro + QStringLiteral(": protocolli ") + intervalli(oltre) +
                                             QStringLiteral(" oltre l'ultimo numero del registro (") +
                                             QString::number(n.ultimo) + u')')});
    }
    return voci;
}

using Controllo = std::vector<Voce> (*)(Database&, ParametriAzienda&, const QString&);

RapportoVerifica esegui(Database& db, ParametriAzienda& parametri, const QString& utente, bool ripara) {
    RapportoVerifica rapporto;
    // Locks first: a registration held by an ended operation could not be moved. The due
    // dates after the staging journal, whose transfer takes its due dates along.
    static const Controllo riparabili[] = {controllaBlocchi, controllaAppoggio, controllaSenzaRegistrazione,
                                           controllaScadenze};
    for (const Controllo controllo : riparabili) {
        for (Voce& v : controllo(db, parametri, utente)) {
            if (ripara && v.ripara) {
                try {
                    const EsitoRiparazione e = v.ripara();
                    v.anomalia.riparata = e.ok;
                    v.anomalia.azione = e.azione;
                } catch (const std::exception& e) {
                    v.anomalia.azione = testoEccezione(e);
                }
            }
            rapporto.anomalie.push_back(std::move(v.anomalia));
        }
    }
    // What is only listed is read after the repairs, as they left the books.
    static const Controllo elenchi[] = {controllaQuadratura, controllaFornitori, controllaProtocolli};
    for (const Controllo controllo : elenchi)
        for (Voce& v : controllo(db, parametri, utente))
            rapporto.anomalie.push_back(std::move(v.anomalia));
    std::stable_sort(rapporto.anomalie.begin(), rapporto.anomalie.end(),
                     [](const Anomalia& a, const Anomalia& b) { return a.tipo < b.tipo; });
    return rapporto;
}

} // namespace

QString titoloAnomalia(TipoAnomalia tipo) {
    switch (tipo) {
    case TipoAnomalia::BloccoTerminato:
        return QStringLiteral("Blocchi rimasti di operazioni terminate");
    case TipoAnomalia::BloccoDaControllare:
        return QStringLiteral("Blocchi da controllare");
    case TipoAnomalia::BloccoInUso:
        return QStringLiteral("Blocchi in uso");
    case TipoAnomalia::AppoggioContabilizzata:
        return QStringLiteral("Registrazioni rimaste in prima nota di appoggio di fatture contabilizzate");
    case TipoAnomalia::AppoggioNonContabilizzata:
        return QStringLiteral("Registrazioni in prima nota di appoggio di fatture non contabilizzate");
    case TipoAnomalia::AppoggioSenzaFattura:
        return QStringLiteral("Registrazioni in prima nota di appoggio senza fattura");
    case TipoAnomalia::ContabilizzataSenzaRegistrazione:
        return QStringLiteral("Fatture contabilizzate senza registrazioni");
    case TipoAnomalia::ScadenzeAltraRegistrazione:
        return QStringLiteral("Scadenze sulla registrazione di un altro protocollo");
    case TipoAnomalia::RegistrazioneNonQuadrata:
        return QStringLiteral("Registrazioni non quadrate");
    case TipoAnomalia::FornitoreDoppio:
        return QStringLiteral("Fornitori con la stessa partita IVA");
    case TipoAnomalia::ProtocolloMancante:
        return QStringLiteral("Protocolli IVA mancanti");
    case TipoAnomalia::ProtocolloRipetuto:
        return QStringLiteral("Protocolli IVA ripetuti");
    case TipoAnomalia::ProtocolloOltreNumeratore:
        return QStringLiteral("Protocolli IVA oltre il numeratore del registro");
    }
    return {};
}

bool riparabile(TipoAnomalia tipo) {
    switch (tipo) {
    case TipoAnomalia::BloccoTerminato:
    case TipoAnomalia::AppoggioContabilizzata:
    case TipoAnomalia::AppoggioNonContabilizzata:
    case TipoAnomalia::ContabilizzataSenzaRegistrazione:
    case TipoAnomalia::ScadenzeAltraRegistrazione:
        return true;
    default:
        return false;
    }
}

bool daRisolvere(const Anomalia& a) {
    return !a.riparata && a.tipo != TipoAnomalia::BloccoInUso;
}

int RapportoVerifica::riparate() const {
    return static_cast<int>(
        std::count_if(anomalie.begin(), anomalie.end(), [](const Anomalia& a) { return a.riparata; }));
}

int RapportoVerifica::daRisolvere() const {
    return static_cast<int>(std::count_if(anomalie.begin(), anomalie.end(),
                                          [](const Anomalia& a) { return posting::daRisolvere(a); }));
}

RapportoVerifica VerificaContabilita(Database& db, ParametriAzienda& parametri) {
    return esegui(db, parametri, {}, false);
}

RapportoVerifica RiparaContabilita(Database& db, ParametriAzienda& parametri, const QString& utente) {
    return esegui(db, parametri, utente, true);
}

QString EsitoRitrasferimento::messaggio() const {
    if (!ok)
        return errori;
    QString m =
        QStringLiteral("Registrazioni trasferite in prima nota: ") + elencoGiornale(anno, numeriGiornale);
    if (!avvisi.isEmpty())
        m += avvisi;
    return m;
}

int registrazioniInAppoggio(Database& db, int xmlAnno, qint64 xmlNumRif) {
    return db
        .valore(QStringLiteral("Select count(*) from MovPnTesFatt") + condizioneFattura(xmlAnno, xmlNumRif))
        .toInt();
}

EsitoRitrasferimento RitrasferisciFattura(Database& db, ParametriAzienda& parametri, int xmlAnno,
                                          qint64 xmlNumRif, const QString& utente) {
    EsitoRitrasferimento esito;
    try {
        const FatturaLetta f = leggiFattura(db, xmlAnno, xmlNumRif);
        if (!f.esiste) {
            esito.errori = QStringLiteral("Fattura passiva inesistente");
            return esito;
        }
        if (!f.contabilizzata) {
            esito.errori =
                QStringLiteral("La fattura non è contabilizzata: le sue registrazioni in prima nota di "
                               "appoggio non si trasferiscono");
            return esito;
        }
        const std::vector<RegistrazioneAppoggio> regs = registrazioniAppoggio(db, xmlAnno, xmlNumRif);
        if (regs.empty()) {
            esito.errori = QStringLiteral("La fattura non ha registrazioni in prima nota di appoggio");
            return esito;
        }
        // What the transfer would stop on, said before anything is moved.
        QStringList problemi;
        for (const RegistrazioneAppoggio& r : regs) {
            if (!r.causaleEsiste)
                problemi << QStringLiteral("Causale ") + r.causale +
                                QStringLiteral(" inesistente (registrazione ") + numeroReg(r.anno, r.numReg) +
                                u')';
            const auto [dare, avere] = dareAvere(db, tabelle(FamigliaPn::Appoggio).righe, r.anno, r.numReg);
            if (dare != avere)
                problemi << QStringLiteral("Registrazione di appoggio ") + numeroReg(r.anno, r.numReg) +
                                QStringLiteral(" non quadrata: dare ") + importoTesto(dare) +
                                QStringLiteral(", avere ") + importoTesto(avere);
        }
        if (!problemi.isEmpty()) {
            esito.errori = problemi.join(Crlf);
            return esito;
        }
        BlocchiTenuti blocchi(db);
        QString motivo;
        for (const RegistrazioneAppoggio& r : regs)
            if (!bloccaAppoggio(blocchi, utente, QStringLiteral("Ritrasferimento"), r.anno, r.numReg,
                                motivo)) {
                esito.errori = motivo;
                return esito;
            }
        // All or nothing: each transfer is a savepoint of this transaction.
        Transazione tr(db);
        serializzaNellaTransazione(db, TipoSerializzazioneContabile, 0);
        std::vector<qint64> numeri;
        for (const RegistrazioneAppoggio& r : regs) {
            const EsitoTrasferimento t =
                TrasferisciPn(db, parametri, FamigliaPn::Appoggio, r.anno, r.numReg, r.numReg);
            if (t.numeroErrori > 0) {
                esito.errori = t.errori;
                return esito;
            }
            if (t.numReg <= 0) {
                esito.errori = QStringLiteral("Registrazione di appoggio ") + numeroReg(r.anno, r.numReg) +
                               QStringLiteral(" spostata nel frattempo da un'altra postazione");
                return esito;
            }
            esito.avvisi += t.avvisi;
            esito.anno = t.anno;
            numeri.push_back(t.numReg);
        }
        tr.conferma();
        esito.numeriGiornale = numeri;
        esito.ok = true;
    } catch (const std::exception& e) {
        esito.errori = testoEccezione(e);
        esito.avvisi.clear();
    }
    return esito;
}

} // namespace tesel::posting
