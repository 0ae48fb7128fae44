// The consistency check on books posted by the real engine and then damaged by hand as older
// versions and crashes left them: each damage is found, the repair fixes what it may, and a
// second check finds only what is left to the user.

#include "aziendaprova.h"
#include "fatturaprova.h"
#include "fotografia.h"
#include "frame/blocchi.h"
#include "frame/database.h"
#include "posting/contabilizzazione.h"
#include "posting/trasferimento.h"
#include "posting/verifica.h"
#include "support/dbprova.h"

#include <QSysInfo>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

// Lock requests name only the fields a case sets.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

// Texts shown as text when an expectation fails.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tesel::posting {
namespace {

using tesel::prova::ChiaveFattura;
using tesel::prova::FatturaProva;

const tesel::prova::ContoProva Costo{u"60"_s, u"10"_s, u"1001"_s};

// A lock taken as the program takes it.
void blocca(Database& db, const QString& tipo, int anno, qint64 numero, const QString& utente,
            const QString& gestione = {}) {
    const RichiestaBlocco r{
        .tipo = tipo, .anno = anno, .numero = numero, .utente = utente, .gestione = gestione};
    ASSERT_EQ(BloccaDoc(db, r).esito, BloccoPreso);
}

class Verifica : public prova::ConAziendaDemo {
protected:
    // A 100 + 22% invoice received on `giorno` March, posted by the engine; `pagataInCassa`
    // adds a cash payment of 22 that posting settles with a registration of its own.
    ChiaveFattura posta(const char* numero, int giorno, bool pagataInCassa = false) {
        FatturaProva f(db());
        f.numero(QString::fromLatin1(numero))
            .ricezione(QDate(anno, 3, giorno))
            .riga(100, u"22"_s, Costo)
            .iva(22, 100, 22);
        if (pagataInCassa)
            f.pagamento(22, {}, u"MP01"_s).pagamento(100, QDate(anno, 4, 30));
        else
            f.pagamento(122, QDate(anno, 4, 30));
        const ChiaveFattura k = f.scrivi();
        const EsitoContabilizzazione e = ContabilizzaFattura(
            db(), *parametri, configurazione.get(), ui, k.anno, k.numero,
            pagataInCassa ? u"PAG"_s : QString(),
            pagataInCassa ? CodiceConto(u"20"_s, u"40"_s, u"1001"_s) : CodiceConto(), false, u"prova"_s);
        EXPECT_TRUE(e.ok) << e.errori.toStdString();
        return k;
    }

    // ":anno" in the text stands for the year.
    QString conAnno(QString testo) const { return testo.replace(u":anno"_s, QString::number(anno)); }
    void sql(const QString& testo) { db().EseguiSql(conAnno(testo)); }
    qint64 conta(const QString& testo) { return db().valore(conAnno(testo)).toLongLong(); }
    QString dove(const ChiaveFattura& k) {
        return u" where XmlAnno = %1 and XmlNumRif = %2"_s.arg(k.anno).arg(k.numero);
    }
    std::vector<qint64> giornale(const ChiaveFattura& k) {
        std::vector<qint64> v;
        for (Recordset rs = db().ApriRs(u"Select NumReg from MovPnTes"_s + dove(k) + u" Order by NumReg"_s);
             !rs.RsEof(); rs.RsMoveNext())
            v.push_back(rs.leggiIntero(u"NumReg"_s).value_or(0));
        return v;
    }

    // The invoice's journal registrations go back to the staging journal from number `primo` on,
    // as a transfer that never happened leaves them: out of the running totals, due dates
    // under the staging number.
    void rimettiInAppoggio(const ChiaveFattura& k, qint64 primo) {
        const TabellePn g = tabelle(FamigliaPn::Giornale), a = tabelle(FamigliaPn::Appoggio);
        qint64 nuovo = primo;
        for (const qint64 n : giornale(k)) {
            const QDate dataReg = db().valore(u"Select DataReg from MovPnTes where Anno = %1 and "
                                              "NumReg = %2"_s.arg(anno)
                                                  .arg(n))
                                      .toDate();
            aggiornaProgressivi(db(), g.righe, anno, n, dataReg, false, -1);
            for (const auto& [da, verso] :
                 {std::pair{g.testata, a.testata}, {g.righe, a.righe}, {g.iva, a.iva}}) {
                sql(u"INSERT INTO %1 SELECT * FROM %2 where Anno = :anno and NumReg = %3"_s.arg(verso, da)
                        .arg(n));
                sql(u"UPDATE %1 SET NumReg = %2 where Anno = :anno and NumReg = %3"_s.arg(verso)
                        .arg(nuovo)
                        .arg(n));
                sql(u"DELETE FROM %1 where Anno = :anno and NumReg = %2"_s.arg(da).arg(n));
            }
            sql(u"UPDATE Scadenze SET NumReg = %1 where AnnoReg = :anno and NumReg = %2"_s.arg(nuovo).arg(n));
            ++nuovo;
        }
    }

    // The invoice's journal registrations deleted by hand, its posted flag left as it was.
    void cancellaGiornale(const ChiaveFattura& k) {
        const TabellePn g = tabelle(FamigliaPn::Giornale);
        for (const qint64 n : giornale(k)) {
            aggiornaProgressivi(db(), g.righe, anno, n, QDate(anno, 3, 1), false, -1);
            for (const QString& t : {g.iva, g.righe, g.testata})
                sql(u"DELETE FROM %1 where Anno = :anno and NumReg = %2"_s.arg(t).arg(n));
        }
    }

    // An amount as "366.00", "-" when there is no row.
    QString importo(const QString& testo) {
        const auto c = Currency::daVariant(db().valore(conAnno(testo)));
        return c ? c->testoXml() : u"-"_s;
    }

    // Each finding as its kind, "+" when the repair fixed it, "-" when the repair failed.
    static QString sintesi(const RapportoVerifica& r) {
        QStringList v;
        for (const Anomalia& a : r.anomalie)
            v << QString::number(static_cast<int>(a.tipo)) + (a.azione.isEmpty() ? QString()
                                                              : a.riparata       ? u"+"_s
                                                                                 : u"-"_s);
        return v.join(u' ');
    }
    // "Tipo: descrizione" of each finding, the year as "AAAA".
    QStringList righe(const RapportoVerifica& r) const {
        QStringList v;
        for (const Anomalia& a : r.anomalie)
            v << QString(QString::number(static_cast<int>(a.tipo)) + u": "_s + a.descrizione)
                     .replace(QString::number(anno), u"AAAA"_s);
        return v;
    }

    // The registrations whose Dare and Avere differ.
    QStringList nonQuadrate(const QString& righe) {
        QStringList v;
        for (Recordset rs = db().ApriRs(
                 u"Select Anno, NumReg from %1 Group by Anno, NumReg Having sum(CASE WHEN DareAvere = "
                 "'D' THEN Importo ELSE -Importo END) <> 0"_s.arg(righe));
             !rs.RsEof(); rs.RsMoveNext())
            v << rs.leggiTesto(u"NumReg"_s);
        return v;
    }
};

TEST_F(Verifica, shouldFindNothingOnBooksPostedByTheEngine) {
    posta("1", 10);
    posta("2", 11, true);
    FatturaProva(db()).numero("9").contabilizzata().scrivi();
    sql(u"UPDATE FatXmlTest SET ContabSenzaReg = 'S' where DGD_Numero = '9'"_s);

    const RapportoVerifica r = VerificaContabilita(db(), *parametri);

    EXPECT_EQ(righe(r), QStringList());
    EXPECT_EQ(r.daRisolvere(), 0);
}

// Every damage seen in the field at once: the check names each, the repair fixes what it may,
// and a second check finds exactly what was only listed.
TEST_F(Verifica, shouldFindEachDamageRepairWhatItMayAndLeaveOnlyTheListedOnes) {
    const ChiaveFattura a = posta("1", 10), b = posta("2", 11), c = posta("3", 12), d = posta("4", 13),
                        e = posta("5", 14);
    const ChiaveFattura g = FatturaProva(db()).numero("7").contabilizzata().scrivi();
    // B's transfer never happened: it waits in staging under a temporary number that A took in
    // the journal, and so do its due dates.
    rimettiInAppoggio(b, 1);
    // C's registration was deleted by hand, its flag and due dates left.
    cancellaGiornale(c);
    // D's due dates hang on A's registration.
    sql(u"UPDATE Scadenze SET NumReg = 1 where AnnoReg = :anno and NumReg = 4"_s);
    // E's staging registration outlived a posting that failed.
    rimettiInAppoggio(e, 2);
    sql(u"UPDATE FatXmlTest SET Contabilizzato = 'N'"_s + dove(e));
    // The supplier entered twice, one amount changed, one protocol number skipped.
    sql(u"INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione, PartIva) VALUES "
        "('40', '10', '1099', 2, 'Ferramenta Adriatica doppia', ' 03981270683 ')"_s);
    sql(u"UPDATE MovPnDett SET Importo = Importo + 1 where Anno = :anno and NumReg = 1 and "
        "DareAvere = 'A'"_s);
    sql(u"UPDATE LibriIva SET NumDoc = NumDoc + 1 where Anno = :anno and TipoReg = 'A'"_s);

    const RapportoVerifica prima = VerificaContabilita(db(), *parametri);
    EXPECT_EQ(sintesi(prima), "3 4 6 6 7 7 8 9 10");
    // How a finding names the invoice and its registrations.
    EXPECT_EQ(righe(prima).value(0),
              "3: Fattura AAAA/2 (n. 2 del 10/03/AAAA, P.Iva 03981270683) contabilizzata con "
              "registrazioni rimaste in prima nota di appoggio: AAAA/1");
    EXPECT_EQ(prima.daRisolvere(), 9);

    const RapportoVerifica riparazione = RiparaContabilita(db(), *parametri, u"prova"_s);
    EXPECT_EQ(sintesi(riparazione), "3+ 4+ 6+ 6+ 7+ 7- 8 9 10");
    EXPECT_EQ(riparazione.anomalie[0].azione, u"Registrazioni trasferite in prima nota: %1/5"_s.arg(anno));
    // B's protocol 5 given back is a new gap.
    EXPECT_EQ(righe(riparazione).value(8),
              "10: Registro IVA A . AAAA: protocolli mancanti 3, 5-6 (ultimo numero 6)");
    EXPECT_EQ(riparazione.riparate(), 5);

    // The books after the repair.
    for (const char* t : {"MovPnTesFatt", "MovPnDettFatt", "MovPnIvaFatt", "LockGest"})
        EXPECT_EQ(conta(u"Select count(*) from "_s + QLatin1String(t)), 0) << t;
    EXPECT_EQ(nonQuadrate(u"MovPnDett"_s), QStringList{u"1"_s}); // the one changed
    EXPECT_EQ(giornale(b), std::vector<qint64>{5});
    EXPECT_EQ(giornale(d), std::vector<qint64>{4});
    // Every due date on its own registration, but C's, whose registration is gone.
    EXPECT_EQ(conta(u"Select count(*) from Scadenze s left join MovPnTes t on t.Anno = s.AnnoReg and "
                    "t.NumReg = s.NumReg where t.NumProt is null or t.NumProt <> s.NumProt"_s),
              1);
    EXPECT_EQ(conta(u"Select count(*) from Scadenze where NumProt = 3 and NumReg = 3"_s), 1);
    EXPECT_EQ(conta(u"Select count(*) from Scadenze where NumProt = 5"_s), 0);
    for (const auto& [k, flag] : {std::pair{a, "S"}, {b, "S"}, {c, "N"}, {d, "S"}, {e, "N"}, {g, "N"}})
        EXPECT_EQ(db().valore(u"Select Contabilizzato from FatXmlTest"_s + dove(k)).toString(), flag)
            << k.numero;
    // B back in the running totals: the supplier owes A, B and D.
    EXPECT_EQ(importo(u"Select ProgrAvere from PdcProg where Anno = :anno and PartTipo = 2 and "
                      "CoPartConto = '1001' and CoPartMastro = '10' and CoPartGruppo = '40'"_s),
              "366.00");
    // Protocol 5 was not the register's last (6 was skipped): it is not given back.
    EXPECT_EQ(conta(u"Select NumDoc from LibriIva where Anno = :anno and TipoReg = 'A'"_s), 6);

    const RapportoVerifica dopo = VerificaContabilita(db(), *parametri);
    EXPECT_EQ(sintesi(dopo), "7 8 9 10");
    EXPECT_EQ(dopo.daRisolvere(), 4);
}

// A due date a user holds open is not moved under them.
TEST_F(Verifica, shouldLeaveDueDatesOnAnotherRegistrationWhileAUserHoldsThem) {
    posta("1", 10);
    posta("2", 11);
    sql(u"UPDATE Scadenze SET NumReg = 1, Utente = 'anna' where NumProt = 2"_s);

    const RapportoVerifica r = RiparaContabilita(db(), *parametri);

    ASSERT_EQ(r.anomalie.size(), 1u);
    EXPECT_FALSE(r.anomalie[0].riparata);
    EXPECT_EQ(r.anomalie[0].azione, u"Scadenze in uso da un utente: ripetere più tardi"_s);
    EXPECT_EQ(conta(u"Select NumReg from Scadenze where NumProt = 2"_s), 1);
}

// ---- Deleting the staging registrations of an invoice not posted ------------------------------

struct CasoEliminazione {
    const char* descrizione;
    const char* danno;  // SQL, ":anno" the year
    const char* azione; // "" : not repaired
    qint64 numDoc;      // the register's counter afterwards
    qint64 scadenze;    // due dates left of the invoice's protocol
};

class EliminaAppoggio : public Verifica, public ::testing::WithParamInterface<CasoEliminazione> {};

TEST_P(EliminaAppoggio, shouldDeleteTheRegistrationsGivingTheProtocolBackOnlyWhenItWasTheLast) {
    const CasoEliminazione& caso = GetParam();
    SCOPED_TRACE(caso.descrizione);
    posta("1", 10);
    const ChiaveFattura k = posta("2", 11);
    rimettiInAppoggio(k, 1);
    sql(u"UPDATE FatXmlTest SET Contabilizzato = 'N'"_s + dove(k));
    if (*caso.danno)
        sql(QString::fromUtf8(caso.danno));

    const RapportoVerifica r = RiparaContabilita(db(), *parametri, u"prova"_s);

    ASSERT_FALSE(r.anomalie.empty());
    const Anomalia& x = r.anomalie.front();
    EXPECT_EQ(x.tipo, TipoAnomalia::AppoggioNonContabilizzata);
    EXPECT_EQ(x.riparata, *caso.azione != 0);
    if (x.riparata) {
        EXPECT_EQ(x.azione, QString::fromUtf8(caso.azione).replace(u"AAAA"_s, QString::number(anno)));
    }
    EXPECT_EQ(conta(u"Select count(*) from MovPnTesFatt"_s), x.riparata ? 0 : 1);
    EXPECT_EQ(conta(u"Select NumDoc from LibriIva where Anno = :anno and TipoReg = 'A' and Pref = '.'"_s),
              caso.numDoc);
    EXPECT_EQ(conta(u"Select count(*) from Scadenze where NumProt = 2"_s), caso.scadenze);
}

INSTANTIATE_TEST_SUITE_P(
    Casi, EliminaAppoggio,
    ::testing::Values(
        CasoEliminazione{
            "ultimo protocollo", "",
            "Eliminate le registrazioni di appoggio AAAA/1, 1 scadenza, restituito il protocollo A ./2", 1,
            0},
        CasoEliminazione{"un protocollo successivo",
                         "UPDATE LibriIva SET NumDoc = 3 where Anno = :anno and TipoReg = 'A'",
                         "Eliminate le registrazioni di appoggio AAAA/1, 1 scadenza", 3, 0},
        // A due date already paid is the user's: the invoice stays as it was.
        CasoEliminazione{"scadenza pagata", "UPDATE Scadenze SET NumRegPag = 9 where NumProt = 2", "", 2,
                         1}));

// ---- Moving a posted invoice's staging registrations to the journal ---------------------------

TEST_F(Verifica, shouldMoveEveryStagingRegistrationOfTheInvoiceWithItsDueDates) {
    posta("1", 10);
    const ChiaveFattura k = posta("2", 11, true); // invoice and cash payment: journal 2 and 3
    rimettiInAppoggio(k, 1);
    ASSERT_EQ(conta(u"Select count(*) from MovPnTesFatt"_s), 2);
    EXPECT_EQ(registrazioniInAppoggio(db(), k.anno, k.numero), 2);

    const EsitoRitrasferimento e = RitrasferisciFattura(db(), *parametri, k.anno, k.numero, u"prova"_s);

    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(e.messaggio(), u"Registrazioni trasferite in prima nota: %1/2, %1/3"_s.arg(anno));
    EXPECT_EQ(giornale(k), (std::vector<qint64>{2, 3}));
    EXPECT_EQ(registrazioniInAppoggio(db(), k.anno, k.numero), 0);
    EXPECT_EQ(conta(u"Select count(*) from LockGest"_s), 0);
    // The open instalment hangs on the invoice's registration, not on the payment.
    EXPECT_EQ(conta(u"Select count(*) from Scadenze where NumProt = 2 and NumReg = 2"_s), 1);
    EXPECT_EQ(conta(u"Select count(*) from Scadenze where NumProt = 2"_s), 1);
    EXPECT_EQ(nonQuadrate(u"MovPnDett"_s), QStringList());
    // Paid in cash: the supplier's Dare holds the payment of 22.
    EXPECT_EQ(importo(u"Select ProgrDare from PdcProg where Anno = :anno and PartTipo = 2 and "
                      "CoPartConto = '1001' and CoPartMastro = '10' and CoPartGruppo = '40'"_s),
              "22.00");
}

struct CasoRifiuto {
    const char* descrizione;
    const char* danno;  // SQL; empty: another user holds staging registration 2
    const char* errori; // "AAAA" stands for the year; contained in the errors
};

class RifiutoRitrasferimento : public Verifica, public ::testing::WithParamInterface<CasoRifiuto> {};

// Refused as a whole: not one registration, due date, running total or lock changes.
TEST_P(RifiutoRitrasferimento, shouldMoveNothingAndSayWhy) {
    const CasoRifiuto& caso = GetParam();
    SCOPED_TRACE(caso.descrizione);
    const ChiaveFattura k = posta("1", 10, true);
    rimettiInAppoggio(k, 1);
    if (*caso.danno)
        sql(QString::fromUtf8(caso.danno));
    else
        blocca(db(), TipoBloccoAppoggio, anno, 2, u"mario"_s, u"Contabilizzazione"_s);
    const auto prima = prova::fotografia(db());

    const EsitoRitrasferimento e = RitrasferisciFattura(db(), *parametri, k.anno, k.numero, u"prova"_s);

    EXPECT_FALSE(e.ok);
    const QString atteso = QString::fromUtf8(caso.errori).replace(u"AAAA"_s, QString::number(anno));
    EXPECT_TRUE(e.errori.contains(atteso)) << e.errori.toStdString();
    EXPECT_EQ(e.messaggio(), e.errori);
    EXPECT_EQ(prova::differenze(prima, prova::fotografia(db())), QString());
}

INSTANTIATE_TEST_SUITE_P(
    Casi, RifiutoRitrasferimento,
    ::testing::Values(
        CasoRifiuto{"registrazione non quadrata",
                    "UPDATE MovPnDettFatt SET Importo = 121 where NumReg = 1 and DareAvere = 'A'",
                    "Registrazione di appoggio AAAA/1 non quadrata: dare 122,00, avere 121,00"},
        // The invoice's registration would move, the payment's fails: neither moves.
        CasoRifiuto{"causale della seconda registrazione inesistente",
                    "UPDATE MovPnTesFatt SET Causale = 'ZZZ' where NumReg = 2",
                    "Causale ZZZ inesistente (registrazione AAAA/2)"},
        CasoRifiuto{"registrazione in uso da un altro utente", "",
                    "Registrazione di appoggio AAAA/2 in uso da mario"}));

// ---- Locks -----------------------------------------------------------------------------------

// A lock of this program, then made to name a holder that has ended: on the host, another
// process start under the same pid; on the server, another session start under the same pid.
void bloccoDiUnProgrammaTerminato(Database& db, const QString& tipo, int anno, qint64 numero,
                                  const char* gestione) {
    blocca(db, tipo, anno, numero, u"mario"_s, QLatin1String(gestione));
    const QString dove =
        u" where Tipo = '%1' and Anno = %2 and NumReg = %3"_s.arg(tipo).arg(anno).arg(numero);
    Recordset rs = db.ApriRs(u"Select AvvioProcesso, SessioneDb from LockGest"_s + dove);
    QStringList avvio = rs.leggiTesto(u"AvvioProcesso"_s).split(u' ');
    ASSERT_EQ(avvio.size(), 4);
    avvio[3] = u"1"_s;
    QString sessione = rs.leggiTesto(u"SessioneDb"_s);
    if (!sessione.isEmpty())
        sessione = sessione.section(u' ', 0, 0) + u" 2000-01-01 00:00:00.000000"_s;
    rs.ChiudiRs();
    db.EseguiConValori(u"UPDATE LockGest SET AvvioProcesso = ?, SessioneDb = ?"_s + dove,
                       {avvio.join(u' '), sessione});
}

// Rows written by an older version, without holder.
void bloccoSenzaDetentore(Database& db, const char* tipo, int anno, qint64 numero, const char* gestione) {
    db.EseguiConValori(u"INSERT INTO LockGest (Tipo, Anno, NumReg, Utente, Ora, Gestione) VALUES (?, "
                       "?, ?, 'anna', ?, ?)"_s,
                       {QLatin1String(tipo), anno, numero, QDateTime(QDate(anno, 3, 1), QTime(9, 30)),
                        QLatin1String(gestione)});
}

TEST_F(Verifica, shouldRemoveTheLocksOfEndedProgramsAndPostingsLeftoversAndListTheOthers) {
    bloccoDiUnProgrammaTerminato(db(), u"MovPn"_s, anno, 1, "Prima nota");
    bloccoDiUnProgrammaTerminato(db(), u"MovPn"_s, anno, 2, "PNINT");
    bloccoSenzaDetentore(db(), "MovPnFatt", anno, 3, "Contabilizzazione");
    bloccoSenzaDetentore(db(), "MovPn", anno, 4, "Decontabilizzazione");
    bloccoSenzaDetentore(db(), "Ordini", anno, 5, "Ordini clienti");
    blocca(db(), u"MovPn"_s, anno, 6, u"prova"_s);

    const RapportoVerifica r = RiparaContabilita(db(), *parametri);

    // Removed: the ended program's and posting's own leftovers; listed: the interrupted
    // operation and another program's lock without holder; shown: the live one.
    EXPECT_EQ(sintesi(r), "0+ 0+ 0+ 1 1 2");
    EXPECT_EQ(righe(r).value(0).section(u',', 1),
              u" programma non più in esecuzione su "_s + QSysInfo::machineHostName());
    EXPECT_EQ(r.daRisolvere(), 2);
    EXPECT_EQ(conta(u"Select count(*) from LockGest"_s), 3);
    EXPECT_EQ(conta(u"Select count(*) from LockGest where NumReg in (2, 5, 6)"_s), 3);
}

// ---- What is only listed ---------------------------------------------------------------------

TEST_F(Verifica, shouldListStagingRegistrationsWithoutInvoiceAndTouchThem) {
    const ChiaveFattura k = posta("1", 10);
    rimettiInAppoggio(k, 4);
    sql(u"UPDATE MovPnTesFatt SET XmlAnno = NULL, XmlNumRif = NULL"_s);
    sql(u"UPDATE FatXmlTest SET ContabSenzaReg = 'S'"_s + dove(k));

    const RapportoVerifica r = RiparaContabilita(db(), *parametri);

    EXPECT_EQ(righe(r), QStringList{"5: Registrazione di appoggio AAAA/4 senza riferimento a una fattura"});
    EXPECT_EQ(conta(u"Select count(*) from MovPnTesFatt"_s), 1);
}

struct CasoProtocolli {
    const char* descrizione;
    const char* numNcSepar;
    std::vector<const char*> danni; // SQL, ":anno" the year
    QStringList righe;              // "AAAA" the year
};

class Protocolli : public Verifica, public ::testing::WithParamInterface<CasoProtocolli> {};

// Three invoices and a credit note on the purchase register.
TEST_P(Protocolli, shouldListGapsRepeatsAndNumbersBeyondTheCounterOfEachNumbering) {
    const CasoProtocolli& caso = GetParam();
    SCOPED_TRACE(caso.descrizione);
    parametri->scrivi(u"Ditta.NumNcSepar"_s, QLatin1String(caso.numNcSepar));
    posta("1", 10);
    posta("2", 11);
    posta("3", 12);
    const ChiaveFattura nc = FatturaProva(db())
                                 .tipoDocumento(u"TD04"_s)
                                 .causale(u"NCA"_s)
                                 .numero("4")
                                 .ricezione(QDate(anno, 3, 13))
                                 .riga(50, u"22"_s, Costo)
                                 .iva(22, 50, 11)
                                 .scrivi();
    const EsitoContabilizzazione e =
        ContabilizzaFattura(db(), *parametri, configurazione.get(), ui, nc.anno, nc.numero, {}, {}, false);
    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    for (const char* s : caso.danni)
        sql(QString::fromUtf8(s));

    const RapportoVerifica r = RiparaContabilita(db(), *parametri);

    EXPECT_EQ(righe(r), caso.righe);
}

INSTANTIATE_TEST_SUITE_P(
    Casi, Protocolli,
    ::testing::Values(
        CasoProtocolli{"numerazione unica: un numero saltato e uno ripetuto",
                       "N",
                       {"UPDATE MovPnTes SET NumProt = 1 where Anno = :anno and NumReg = 2",
                        "UPDATE Scadenze SET NumProt = 1 where NumProt = 2"},
                       {"10: Registro IVA A . AAAA: protocolli mancanti 2 (ultimo numero 4)",
                        "11: Registro IVA A . AAAA: protocollo 1 nelle registrazioni AAAA/1, AAAA/2"}},
        CasoProtocolli{"note di credito a parte: la nota oltre il suo numeratore",
                       "S",
                       {"UPDATE LibriIva SET NumDocNC = 0 where Anno = :anno and TipoReg = 'A'"},
                       {"12: Registro IVA A . AAAA (note di credito): protocolli 1 oltre l'ultimo numero del "
                        "registro (0)"}}));

} // namespace
} // namespace tesel::posting
