// Resolution of an invoice's identifiers against the demo company's tables, on the engine
// chosen for the run. Cases that need rows the demo lacks add them inside a transaction that
// is rolled back, so every case sees the demo as seeded.

#include "anagrafica/risoluzione.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "schema/demo.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <memory>
#include <ostream>
#include <vector>

namespace tesel {

inline void PrintTo(const CodiceConto& c, std::ostream* os) {
    *os << (c.gruppo + u'-' + c.mastro + u'-' + c.conto).toStdString();
}

namespace {

CodiceConto conto(const char* g, const char* m, const char* c) {
    return {QString::fromUtf8(g), QString::fromUtf8(m), QString::fromUtf8(c)};
}

// A list as one text, one entry a line, so a failure shows it readably.
std::string righe(const QStringList& l) {
    return l.join(u'\n').toStdString();
}

Currency perc(const char* testo) {
    return *Currency::daTesto(QString::fromUtf8(testo));
}

class Risoluzione : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        parametri_ = std::make_unique<ParametriAzienda>(db());
        risolutore_ = std::make_unique<Risolutore>(db(), ui_, *parametri_);
    }

    Risolutore& r() { return *risolutore_; }

    // A supplier account of group 40, ledger 10, without payment terms or VAT code.
    void aggiungiFornitore(const char* contoFor, const char* descrizione, const char* partitaIva,
                           const char* codFisc, std::optional<QDate> dataAp) {
        db().EseguiSql(
            QStringLiteral(
                "INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione, PartIva, CodFisc, "
                "DataAp) VALUES ('40', '10', %1, 2, %2, %3, %4, %5)")
                .arg(SqlValore(contoFor, SqlTesto), SqlValore(descrizione, SqlTesto),
                     SqlValore(partitaIva, SqlTesto),
                     SqlValore(*codFisc ? QVariant(codFisc) : QVariant(), SqlTesto),
                     SqlValore(dataAp ? QVariant(*dataAp) : QVariant(), SqlData)));
    }

    // Runs `prova` on the demo plus the rows of `sql`, then takes the rows away again.
    // A new resolver for each case: one keeps its answers for the batch it serves.
    template <typename F> void conRighe(const std::vector<const char*>& sql, F prova) {
        db().IniziaTrans();
        for (const char* s : sql)
            db().EseguiSql(QString::fromUtf8(s));
        risolutore_ = std::make_unique<Risolutore>(db(), ui_, *parametri_);
        prova();
        db().AnnullaTrans();
    }

    int contaFornitori() {
        return db().valore(QStringLiteral("SELECT COUNT(*) FROM PianoConti WHERE Tipo = 2")).toInt();
    }

    prova::InterazioneProva ui_;
    std::unique_ptr<ParametriAzienda> parametri_;
    std::unique_ptr<Risolutore> risolutore_;
};

DatiCedente bianchi(const char* codiceFiscale) {
    DatiCedente c;
    c.idPaese = QStringLiteral("IT");
    c.partitaIva = QStringLiteral("03569210234");
    c.codiceFiscale = QString::fromUtf8(codiceFiscale);
    c.cognome = QStringLiteral("Bianchi");
    c.nome = QStringLiteral("Laura");
    c.numeroFattura = QStringLiteral("12/A");
    c.dataFattura = QDate(2025, 3, 5);
    c.primoArticolo = QStringLiteral("Consulenza fiscale marzo");
    return c;
}

// ---- Supplier search ----------------------------------------------------------------------------

TEST_F(Risoluzione, shouldFindTheSupplierByVatNumberWithItsPaymentAndVatData) {
    DatiCedente c;
    c.partitaIva = QStringLiteral("03981270683");
    const FornitoreTrovato f = r().fornitore(c, false, {}, {});
    EXPECT_EQ(f.conto, conto("40", "10", "1001"));
    EXPECT_EQ(f.banca, "BCA");
    EXPECT_EQ(f.pagamento, "RB60FM");
    EXPECT_EQ(f.pagTipo, "RB");
    EXPECT_EQ(f.feTipPag, "MP12");
    EXPECT_EQ(f.afeTipPag, "TP02");
    EXPECT_EQ(f.contropartita, conto("60", "10", "1001"));
    EXPECT_EQ(f.contoPrior, "A");
    EXPECT_EQ(f.iva, "22");
    EXPECT_EQ(f.ivaNatura, "");
    EXPECT_EQ(f.ivaAliquota, perc("22"));
    EXPECT_TRUE(ui_.scelteMostrate.isEmpty());
    EXPECT_TRUE(ui_.mostrati.isEmpty());

    // A reverse-charge supplier keeps the nature of its VAT code.
    c.partitaIva = QStringLiteral("07122570729");
    const FornitoreTrovato rottami = r().fornitore(c, false, {}, {});
    EXPECT_EQ(rottami.conto, conto("40", "10", "1011"));
    EXPECT_EQ(rottami.iva, "RC61");
    EXPECT_EQ(rottami.ivaNatura, "N6.1");
}

TEST_F(Risoluzione, shouldLeaveTheSupplierEmptyWhenTheVatNumberIsUnknownAndCreationIsOff) {
    DatiCedente c;
    c.partitaIva = QStringLiteral("09999999999");
    const int prima = contaFornitori();
    EXPECT_FALSE(r().fornitore(c, false, QStringLiteral("40"), QStringLiteral("10")).trovato());
    // Creation needs both the group and the ledger.
    EXPECT_FALSE(r().fornitore(c, true, QStringLiteral("40"), {}).trovato());
    EXPECT_FALSE(r().fornitore(c, true, {}, QStringLiteral("10")).trovato());
    EXPECT_EQ(contaFornitori(), prima);
    // Without a VAT number nothing is searched nor created.
    EXPECT_FALSE(r().fornitore(DatiCedente{}, true, QStringLiteral("40"), QStringLiteral("10")).trovato());
    EXPECT_EQ(contaFornitori(), prima);
    EXPECT_TRUE(ui_.mostrati.isEmpty());
}

TEST_F(Risoluzione, shouldTakeTheAccountWithTheInvoicesFiscalCodeWithoutAsking) {
    // A newer account with the same VAT number belongs to the company the professional set up.
    aggiungiFornitore("1013", "Bianchi Laura Stp Srl", "03569210234", "03569210234", QDate(2025, 9, 1));
    EXPECT_EQ(r().fornitore(bianchi("BNCLRA75E52L781K"), false, {}, {}).conto, conto("40", "10", "1005"));
    EXPECT_EQ(r().fornitore(bianchi("03569210234"), false, {}, {}).conto, conto("40", "10", "1013"));
    EXPECT_TRUE(ui_.scelteMostrate.isEmpty());
}

TEST_F(Risoluzione, shouldLetTheUserChooseAmongAccountsWithTheSameVatAndFiscalCodeNewestFirst) {
    aggiungiFornitore("1013", "Bianchi Laura - studio associato", "03569210234", "BNCLRA75E52L781K",
                      QDate(2025, 5, 1));
    aggiungiFornitore("1014", "Bianchi Laura - sede di Padova", "03569210234", "BNCLRA75E52L781K",
                      QDate(2024, 7, 1));
    // Another fiscal code is left out; an account without one stays in the list.
    aggiungiFornitore("1015", "Bianchi Laura Stp Srl", "03569210234", "03569210234", QDate(2025, 9, 1));
    aggiungiFornitore("1016", "Bianchi L.", "03569210234", "", QDate(2022, 1, 10));

    ui_.accodaScelta(2);
    const FornitoreTrovato scelto = r().fornitore(bianchi("BNCLRA75E52L781K"), false, {}, {});
    ASSERT_EQ(ui_.scelteMostrate.size(), 1);
    const auto& lista = ui_.scelteMostrate.front();
    EXPECT_EQ(righe(lista.descrizioni),
              righe({"Fornitore: P.Iva: 03569210234 Cod.Fisc.: BNCLRA75E52L781K - Bianchi Laura",
                     "Fattura N. 12/A del 05/03/2025", "Primo articolo: Consulenza fiscale marzo"}));
    EXPECT_EQ(
        righe(lista.elementi),
        righe({"40-10-1013\tBianchi Laura - studio associato", "40-10-1014\tBianchi Laura - sede di Padova",
               "40-10-1005\tBianchi Laura - dottore commercialista", "40-10-1016\tBianchi L."}));
    // The third entry is the demo's account, with its payment terms.
    EXPECT_EQ(scelto.conto, conto("40", "10", "1005"));
    EXPECT_EQ(scelto.pagamento, "BB30");
    EXPECT_EQ(scelto.pagTipo, "BB");

    // The list starts on the newest account.
    EXPECT_EQ(r().fornitore(bianchi("BNCLRA75E52L781K"), false, {}, {}).conto, conto("40", "10", "1013"));
    // A company's name heads the list in place of surname and name.
    DatiCedente societa = bianchi("");
    societa.denominazione = QStringLiteral("Studio Bianchi");
    r().fornitore(societa, false, {}, {});
    ASSERT_EQ(ui_.scelteMostrate.size(), 3);
    EXPECT_EQ(ui_.scelteMostrate[2].descrizioni.front().toStdString(),
              "Fornitore: P.Iva: 03569210234 Cod.Fisc.:  - Studio Bianchi");
    // Without a fiscal code on the invoice every account of the VAT number is offered.
    EXPECT_EQ(ui_.scelteMostrate[2].elementi.size(), 5);
}

TEST_F(Risoluzione, shouldShowADatabaseErrorAndGoOnWithoutSupplier) {
    db().EseguiSql(QStringLiteral("DROP TABLE PagTipi"));
    const int prima = contaFornitori();
    DatiCedente c;
    c.partitaIva = QStringLiteral("03981270683");
    EXPECT_FALSE(r().fornitore(c, true, QStringLiteral("40"), QStringLiteral("10")).trovato());
    ASSERT_EQ(ui_.mostrati.size(), 1);
    EXPECT_TRUE(ui_.mostrati.front().testo.startsWith(QStringLiteral("Errore(3146): ")))
        << ui_.mostrati.front().testo.toStdString();
    EXPECT_EQ(contaFornitori(), prima);
}

// ---- Supplier creation ----------------------------------------------------------------------

DatiCedente officine() {
    DatiCedente c;
    c.idPaese = QStringLiteral("IT");
    c.partitaIva = QStringLiteral("02468135791");
    c.codiceFiscale = QStringLiteral("02468135791");
    c.denominazione =
        QStringLiteral("Officine Meccaniche Riunite del Basso Veneto e del Friuli Venezia Giulia Srl");
    c.codEori = QStringLiteral("IT02468135791");
    c.indirizzo = QStringLiteral("Via dell'Industria");
    c.numeroCivico = QStringLiteral("15/B");
    c.cap = QStringLiteral("33100");
    c.comune = QStringLiteral("Udine");
    c.provincia = QStringLiteral("UD");
    c.nazione = QStringLiteral("IT");
    c.soIndirizzo = QStringLiteral("Via Roma");
    c.soNumeroCivico = QStringLiteral("3");
    c.soCap = QStringLiteral("35100");
    c.soComune = QStringLiteral("Padova");
    c.soProvincia = QStringLiteral("PD");
    c.soNazione = QStringLiteral("IT");
    c.telefono = QStringLiteral("0432123456");
    c.fax = QStringLiteral("0432123457");
    c.email = QStringLiteral("amministrazione@omr.example");
    c.riferimentoAmministrazione = QStringLiteral("RIF-AMM-7");
    return c;
}

TEST_F(Risoluzione, shouldCreateTheSupplierOnTheNextFreeAccountWithEveryColumn) {
    // Accounts of other numbering schemes do not count.
    db().EseguiSql(QStringLiteral("INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione) VALUES "
                                  "('40', '10', 'ABCD', 2, 'Codice alfabetico')"));
    db().EseguiSql(QStringLiteral("INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione) VALUES "
                                  "('40', '10', '99999', 2, 'Codice lungo')"));
    db().EseguiSql(QStringLiteral("INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione) VALUES "
                                  "('40', '10', '999', 2, 'Codice corto')"));

    const FornitoreTrovato f = r().fornitore(officine(), true, QStringLiteral("40"), QStringLiteral("10"));
    EXPECT_EQ(f.conto, conto("40", "10", "1013"));
    EXPECT_TRUE(ui_.mostrati.isEmpty());

    Recordset rs = db().ApriRs(
        QStringLiteral("SELECT * FROM PianoConti WHERE Gruppo = '40' AND Mastro = '10' AND Conto = '1013'"));
    ASSERT_FALSE(rs.RsEof());
    // The name cut in two at a word, address and number joined, the branch office apart.
    const std::pair<const char*, const char*> testi[] = {
        {"Descrizione", "Officine Meccaniche Riunite del Basso Veneto e del Friuli Venezia Giulia Srl"},
        {"RagSoc", "Officine Meccaniche Riunite del Basso Veneto e del Friuli"},
        {"RagSoc2", "Venezia Giulia Srl"},
        {"StatoGiurid", "G"},
        {"PartIva", "02468135791"},
        {"Indirizzo", "Via dell'Industria 15/B"},
        {"FAStabOrgIndir", "Via Roma 3"},
    };
    for (const auto& [campo, atteso] : testi)
        EXPECT_EQ(rs.leggiTesto(QString::fromUtf8(campo)).toStdString(), atteso) << campo;
    rs.ChiudiRs();

    // The next one gets the following number; a person is described by surname and name,
    // and an unknown country takes the company's default.
    parametri_->scrivi(QStringLiteral("Clienti.CodStatoDef"), QStringLiteral("SM"));
    DatiCedente persona;
    persona.idPaese = QStringLiteral("XX");
    persona.partitaIva = QStringLiteral("01357924680");
    persona.codiceFiscale = QStringLiteral("RSSMRA80A01H501U");
    persona.cognome = QStringLiteral("Rossi");
    persona.nome = QStringLiteral("Mario");
    persona.titolo = QStringLiteral("Geom.");
    EXPECT_EQ(r().fornitore(persona, true, QStringLiteral("40"), QStringLiteral("10")).conto,
              conto("40", "10", "1014"));
    Recordset p =
        db().ApriRs(QStringLiteral("SELECT Descrizione, RagSoc, RagSoc2, StatoGiurid, Cognome, Nome, "
                                   "FETitolo, Stato FROM PianoConti WHERE Conto = '1014' AND "
                                   "Gruppo = '40' AND Mastro = '10'"));
    ASSERT_FALSE(p.RsEof());
    EXPECT_EQ(QStringList({p.leggiTesto("Descrizione"), p.leggiTesto("RagSoc"), p.leggiTesto("RagSoc2"),
                           p.leggiTesto("StatoGiurid"), p.leggiTesto("Cognome"), p.leggiTesto("Nome"),
                           p.leggiTesto("FETitolo"), p.leggiTesto("Stato")}),
              QStringList({"Rossi Mario", "Rossi Mario", "", "F", "Rossi", "Mario", "Geom.", "SM"}));
}

TEST_F(Risoluzione, shouldStartAnEmptyLedgerAtAccountOneAndFindTheCreatedSupplierAgain) {
    DatiCedente c = officine();
    const FornitoreTrovato f = r().fornitore(c, true, QStringLiteral("40"), QStringLiteral("90"));
    EXPECT_EQ(f.conto, conto("40", "90", "0001"));
    // Imported again, the invoice finds the account instead of creating another one.
    const int dopo = contaFornitori();
    EXPECT_EQ(r().fornitore(c, true, QStringLiteral("40"), QStringLiteral("90")).conto, f.conto);
    EXPECT_EQ(contaFornitori(), dopo);
}

// ---- VAT codes ----------------------------------------------------------------------------------

TEST_F(Risoluzione, shouldReadAForcedVatCodeAsItIs) {
    const auto nsf = r().ivaPerCodice(QStringLiteral("NSF"));
    ASSERT_TRUE(nsf.has_value());
    EXPECT_EQ(nsf->natura + u' ' + nsf->afeIvaEse, "N2.2 N2.2-02");
    const auto indetraibile = r().ivaPerCodice(QStringLiteral("22I40"));
    ASSERT_TRUE(indetraibile.has_value());
    EXPECT_EQ(indetraibile->percNonDetr, perc("40"));
    EXPECT_FALSE(r().ivaPerCodice(QStringLiteral("ZZ9")).has_value());
}

struct CasoIva {
    const char* nome;
    std::vector<const char*> sql; // rows added to the demo for this case
    const char* aliquota;         // "" for none
    const char* natura;
    const char* afeIvaEse;
    const char* atteso; // "" for no code
};

const char* const nuovaIva =
    "INSERT INTO TabIva (Iva, Descrizione, Aliquota, TipoIva, PercNonDetr, FENatura, "
    "AFEIvaEse, FA_Iva_Prior) VALUES ";

TEST_F(Risoluzione, shouldFindTheVatCodeOfARateAndANatureByTheFourAttempts) {
    auto riga = [](const char* valori) { return QByteArray(nuovaIva).append(valori); };
    const std::vector<QByteArray> righe{
        riga("('22P', 'Iva 22% prioritaria', 22, '1', 0, NULL, NULL, 20)"),
        riga("('200', 'Iva 22% codice basso', 22, '1', 0, NULL, NULL, 10)"),
        riga("('22V', 'Iva 22% natura vuota', 22, '1', 0, '', NULL, 30)"),
        riga("('ESX', 'Esente senza aliquota', NULL, '3', 0, 'N4', NULL, 20)"),
        riga("('NUL', 'Senza aliquota né natura', NULL, '1', 0, NULL, NULL, 99)"),
        riga("('RCN', 'Reverse charge senza natura', 22, '1', 0, NULL, NULL, 99)"),
        riga("('ZZE', 'Natura vuota', 0, '3', 0, '', NULL, 99)"),
    };
    // clang-format off
    const CasoIva casi[] = {
        {"aliquota22SenzaNatura", {}, "22", "", "", "22"},
        {"prioritaPiuAlta", {righe[0].constData()}, "22", "", "", "22P"},
        {"pariPrioritaCodicePiuBasso", {righe[1].constData()}, "22", "", "", "200"},
        {"naturaVuotaComeNulla", {righe[2].constData()}, "22", "", "", "22V"},
        {"aliquotaSenzaCodice", {}, "7", "", "", ""},
        {"aliquotaNullaNonVaPerUnAliquotaPiena", {righe[4].constData()}, "22", "", "", "22"},
        {"naturaEsattaPerPriorita", {}, "0", "N2.2", "", "NS"},
        {"naturaEsattaConTipoEsenzione", {}, "0", "N2.2", "N2.2-02", "NSF"},
        {"aliquotaZeroTrovaAncheAliquotaNulla", {righe[3].constData()}, "0", "N4", "", "ESX"},
        {"senzaAliquotaComeZero", {}, "", "N1", "", "E15"},
        {"naturaN22SenzaCodiceTrovaN2", {"DELETE FROM TabIva WHERE FENatura = 'N2.2'"}, "0", "N2.2", "", "NS2"},
        {"sottonaturaSconosciutaTrovaLaNatura", {}, "0", "N3.9", "", "NI3"},
        {"naturaVuotaNonEPrefisso", {righe[6].constData()}, "0", "N3.9", "", "NI3"},
        {"naturaCortaTrovaLeSottonature", {"DELETE FROM TabIva WHERE Iva = 'NS2'"}, "0", "N2", "", "NS"},
        {"naturaConAliquotaSbagliata", {}, "22", "N4", "", ""},
        {"reverseChargeIgnoraLAliquota", {}, "10", "N6.3", "", "RC63"},
        {"reverseChargeConTipoEsenzione", {"UPDATE TabIva SET AFEIvaEse = 'N6.3-02' WHERE Iva = 'RC6310'"}, "10", "N6.3", "N6.3-02", "RC6310"},
        {"reverseChargeSottonaturaSconosciuta", {}, "22", "N6.99", "", "RC69"},
        {"reverseChargeNaturaNullaEsclusa", {righe[5].constData(), "DELETE FROM TabIva WHERE FENatura LIKE 'N6%'"}, "22", "N6.3", "", ""},
    };
    // clang-format on
    for (const CasoIva& c : casi) {
        SCOPED_TRACE(c.nome);
        conRighe(c.sql, [&] {
            const std::optional<Currency> aliquota =
                *c.aliquota ? std::optional<Currency>(perc(c.aliquota)) : std::nullopt;
            const auto trovato =
                r().ivaPerAliquota(aliquota, QString::fromUtf8(c.natura), QString::fromUtf8(c.afeIvaEse));
            EXPECT_EQ(trovato ? trovato->iva.toStdString() : std::string(), c.atteso);
        });
    }
}

// ---- Causal -----------------------------------------------------------------------------------

struct CasoCausale {
    const char* nome;
    std::vector<const char*> sql;
    const char* forzata;
    const char* tipo;
    bool reverseCharge;
    const char *tipoDocAdg, *carattereAdg, *trattFiscAdg;
    const char *causale, *prefisso, *revCharge; // causale "" for none
};

TEST_F(Risoluzione, shouldFindTheCausalOfTheDocumentType) {
    const char* causaleRcPrioritaria =
        "INSERT INTO Causali (Causale, Descrizione, TipoCausale, TipoReg, RevCharge, "
        "FATipoDoc, FA_TD_Prior) VALUES ('AAA', 'Reverse charge', 'A', 'A', 'S', "
        "'TD01', 10)";
    const char* semplificata =
        "INSERT INTO Causali (Causale, Descrizione, TipoCausale, TipoReg, Prefisso, RevCharge, "
        "FATipoDoc, FA_TD_Prior) VALUES ('FSE', 'Fattura semplificata', 'A', 'A', 'S', 'N', "
        "'TD07', 0)";
    const char* prioritaNulla =
        "INSERT INTO Causali (Causale, Descrizione, TipoCausale, TipoReg, RevCharge, "
        "FATipoDoc) VALUES ('ZZN', 'Nota di debito senza priorità', 'A', 'A', 'N', 'TD05')";
    const char* documentoCarburanti =
        "INSERT INTO FattDocumenti (FattDocumento, Descrizione, Segno, Causale, "
        "TipoDocFE, AFETipDoc, AFECarDoc, AFETratFisc) VALUES ('FCA', 'Carburanti', "
        "'+', 'FAV', 'TD01', 'CARB', 'C1', 'F1')";
    // clang-format off
    const CasoCausale casi[] = {
        {"fattura", {}, "", "TD01", false, "", "", "", "FAA", "", "N"},
        {"ordinariaPrimaDelReverseChargeAPariPriorita", {causaleRcPrioritaria}, "", "TD01", false, "", "", "", "FAA", "", "N"},
        {"reverseCharge", {}, "", "TD01", true, "", "", "", "FRC", "", "S"},
        {"reverseChargeMisto", {"UPDATE Causali SET FA_TD_Prior = 20 WHERE Causale = 'FRM'"}, "", "TD01", true, "", "", "", "FRM", "", "M"},
        {"notaDiCredito", {}, "", "TD04", false, "", "", "", "NCA", "", "N"},
        {"notaDiCreditoReverseCharge", {}, "", "TD04", true, "", "", "", "NRC", "", "S"},
        {"semplificataUsaLaFattura", {}, "", "TD07", false, "", "", "", "FAA", "", "N"},
        {"semplificataConCausalePropria", {semplificata}, "", "TD07", false, "", "", "", "FSE", "S", "N"},
        {"tipoTradottoDaTabTrascod", {}, "", "TD24", false, "", "", "", "FAA", "", "N"},
        {"soloCausaliDiVendita", {}, "", "TD16", false, "", "", "", "", "", ""},
        {"prioritaNullaDopo", {prioritaNulla}, "", "TD05", false, "", "", "", "NDA", "", "N"},
        {"forzata", {}, "PAR", "TD01", false, "", "", "", "PAR", "", "N"},
        {"forzataVinceSulReverseCharge", {}, "FRC", "TD04", false, "", "", "", "FRC", "", "S"},
        {"forzataDiVenditaIgnorata", {}, "FVE", "TD01", false, "", "", "", "FAA", "", "N"},
        {"altriDatiGestionaliTutti", {documentoCarburanti}, "", "TD01", false, "CARB", "C1", "F1", "FAV", "", "N"},
        {"altriDatiGestionaliDiversi", {documentoCarburanti}, "", "TD01", false, "CARB", "C2", "", "", "", ""},
    };
    // clang-format on
    for (const CasoCausale& c : casi) {
        SCOPED_TRACE(c.nome);
        conRighe(c.sql, [&] {
            const auto t = r().causale(QString::fromUtf8(c.forzata), QString::fromUtf8(c.tipo),
                                       c.reverseCharge, QString::fromUtf8(c.tipoDocAdg),
                                       QString::fromUtf8(c.carattereAdg), QString::fromUtf8(c.trattFiscAdg));
            const QStringList trovata =
                t ? QStringList({t->causale, t->prefisso, t->revCharge}) : QStringList();
            const QStringList attesa =
                *c.causale ? QStringList({QString::fromUtf8(c.causale), QString::fromUtf8(c.prefisso),
                                          QString::fromUtf8(c.revCharge)})
                           : QStringList();
            EXPECT_EQ(trovata.join(u'|').toStdString(), attesa.join(u'|').toStdString());
        });
    }
}

// ---- Articles, expense and pension-fund accounts, currency, bank, payment type ----------------

TEST_F(Risoluzione, shouldFindTheArticleByTheKindOfItsCode) {
    const CodiceConto ferramenta = conto("40", "10", "1001");
    const struct {
        const char* nome;
        const char* tipo;
        const char* valore;
        CodiceConto fornitore;
        const char* articolo; // "" for none
        CodiceConto acquisto;
    } casi[] = {
        {"codiceDelFornitore", "ASWARTFOR", "FA-V6-20", ferramenta, "VITI-M6", conto("60", "10", "1001")},
        {"codiceDiUnAltroFornitore", "aswartfor", "FA-V6-20", conto("40", "10", "1002"), "", {}},
        {"codiceDelFornitoreSenzaFornitore", "aswartfor", "FA-V6-20", {}, "", {}},
        {"ean", "EAN", "8001234000042", {}, "CARTA-A4", conto("60", "10", "1004")},
        {"aswcodean", "AswCodEan", "8001234000059", {}, "TONER-N", conto("60", "10", "1004")},
        {"codiceNostro", "Codice interno", "GUANTI-L", {}, "GUANTI-L", conto("60", "10", "1003")},
        {"codiceNostroNonComeBarcode", "EAN", "GUANTI-L", {}, "", {}},
        {"codiceSconosciuto", "INTERNO", "NON-ESISTE", ferramenta, "", {}},
    };
    for (const auto& c : casi) {
        SCOPED_TRACE(c.nome);
        const auto a = r().articolo(QString::fromUtf8(c.tipo), QString::fromUtf8(c.valore), c.fornitore);
        EXPECT_EQ(a ? a->articolo.toStdString() : std::string(), c.articolo);
        EXPECT_EQ(a ? a->contoAcquisto : CodiceConto{}, c.acquisto);
    }
}

TEST_F(Risoluzione, shouldFindTheExpenseAndPensionFundAccounts) {
    EXPECT_EQ(r().contoSpesa(QStringLiteral("SP03")), conto("60", "20", "1005"));
    EXPECT_EQ(r().contoSpesa(QStringLiteral("SP99")), CodiceConto{});
    EXPECT_EQ(r().contoSpesa({}), CodiceConto{});
    EXPECT_EQ(r().contoCassaPrevidenziale(perc("8.5")), conto("40", "30", "1002"));
    // The 4% contribution is not the agents' fund.
    EXPECT_EQ(r().contoCassaPrevidenziale(perc("4")), CodiceConto{});
    conRighe({"INSERT INTO Spese (Spesa, Descrizione, Gruppo, Mastro, Conto, CassaPrev, Percentuale) VALUES "
              "('ENM', 'CONTRIBUTO ENASARCO MONOMANDATARIO', '40', '30', '1003', 'S', 2.75)",
              "INSERT INTO Spese (Spesa, Descrizione, Gruppo, Mastro, Conto, CassaPrev, Percentuale) VALUES "
              "('ENN', 'Enasarco non previdenziale', '40', '30', '1004', 'N', 3.5)"},
             [&] {
                 EXPECT_EQ(r().contoCassaPrevidenziale(perc("2.75")), conto("40", "30", "1003"));
                 EXPECT_EQ(r().contoCassaPrevidenziale(perc("3.5")), CodiceConto{});
             });
}

TEST_F(Risoluzione, shouldTranslateCurrencyBankAndPaymentType) {
    const struct {
        const char* nome;
        QString trovato;
        const char* atteso;
    } casi[] = {
        {"monetaIso", r().moneta(QStringLiteral("USD")), "USD"},
        {"monetaSconosciuta", r().moneta(QStringLiteral("JPY")), ""},
        {"monetaVuota", r().moneta({}), ""},
        {"bancaAbiCab", r().banca(QStringLiteral("08975"), QStringLiteral("62160")), "BCA"},
        {"bancaCabDiverso", r().banca(QStringLiteral("08975"), QStringLiteral("62161")), ""},
        {"bancaSenzaCab", r().banca(QStringLiteral("08975"), {}), ""},
        {"pagamentoARate", r().pagTipo(QStringLiteral("MP05"), QStringLiteral("TP01")), "BBR"},
        {"pagamentoCompleto", r().pagTipo(QStringLiteral("MP05"), QStringLiteral("TP02")), "BB"},
        {"anticipo", r().pagTipo(QStringLiteral("MP05"), QStringLiteral("TP03")), "BBA"},
        {"modalitaSconosciuta", r().pagTipo(QStringLiteral("MP22"), QStringLiteral("TP02")), ""},
    };
    for (const auto& c : casi)
        EXPECT_EQ(c.trovato.toStdString(), c.atteso) << c.nome;
}

} // namespace
} // namespace tesel
