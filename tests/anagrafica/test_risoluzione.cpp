// Resolution of an invoice's identifiers against the demo company's tables, on the engine
// chosen for the run. Cases that need rows the demo lacks add them inside a transaction that
// is rolled back, so every case sees the demo as seeded.

#include "anagrafica/codici.h"
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

using namespace Qt::StringLiterals;

// Invoice parties are written naming only the fields a case sets; the others stay empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

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
        db().EseguiSql(u"INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione, PartIva, CodFisc, "
                       "DataAp) VALUES ('40', '10', %1, 2, %2, %3, %4, %5)"_s.arg(
                           SqlValore(contoFor, SqlTesto), SqlValore(descrizione, SqlTesto),
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

    // The columns `campi` of account 40-10-`conto`, one a line.
    std::string colonne(const char* conto, const QStringList& campi) {
        Recordset rs = db().ApriRs(
            u"SELECT * FROM PianoConti WHERE Gruppo = '40' AND Mastro = '10' AND Conto = '%1'"_s.arg(conto));
        QStringList v;
        for (const QString& c : campi)
            v << c + u'=' + (rs.RsEof() ? u"(manca)"_s : rs.leggiTesto(c));
        return righe(v);
    }

    int contaFornitori() { return db().valore(u"SELECT COUNT(*) FROM PianoConti WHERE Tipo = 2"_s).toInt(); }

    prova::InterazioneProva ui_;
    std::unique_ptr<ParametriAzienda> parametri_;
    std::unique_ptr<Risolutore> risolutore_;
};

DatiCedente bianchi(const char* codiceFiscale) {
    return {.idPaese = u"IT"_s,
            .partitaIva = u"03569210234"_s,
            .codiceFiscale = QString::fromUtf8(codiceFiscale),
            .nome = u"Laura"_s,
            .cognome = u"Bianchi"_s,
            .numeroFattura = u"12/A"_s,
            .dataFattura = QDate(2025, 3, 5),
            .primoArticolo = u"Consulenza fiscale marzo"_s};
}

// ---- Supplier search ----------------------------------------------------------------------------

TEST_F(Risoluzione, shouldFindTheSupplierByVatNumberAndFiscalCodeWithItsPaymentAndVatData) {
    DatiCedente c;
    c.partitaIva = u"03981270683"_s;
    const FornitoreTrovato f = r().fornitore(c, false, {}, {});
    EXPECT_EQ(f.conto, conto("40", "10", "1001"));
    EXPECT_EQ(f.contropartita, conto("60", "10", "1001"));
    EXPECT_EQ(QStringList({f.banca, f.pagamento, f.pagTipo, f.feTipPag, f.afeTipPag, f.contoPrior, f.iva,
                           f.ivaNatura}),
              QStringList({"BCA", "RB60FM", "RB", "MP12", "TP02", "A", "22", ""}));
    EXPECT_EQ(f.ivaAliquota, perc("22"));
    EXPECT_TRUE(ui_.mostrati.isEmpty());

    // A reverse-charge supplier keeps the nature of its VAT code.
    c.partitaIva = u"07122570729"_s;
    const FornitoreTrovato rottami = r().fornitore(c, false, {}, {});
    EXPECT_EQ(rottami.conto, conto("40", "10", "1011"));
    EXPECT_EQ(rottami.iva + u' ' + rottami.ivaNatura, "RC61 N6.1");

    // Without asking, the account with the invoice's fiscal code: a newer account with the same VAT number
    // belongs to the company the professional set up.
    aggiungiFornitore("1013", "Bianchi Laura Stp Srl", "03569210234", "03569210234", QDate(2025, 9, 1));
    EXPECT_EQ(r().fornitore(bianchi("BNCLRA75E52L781K"), false, {}, {}).conto, conto("40", "10", "1005"));
    EXPECT_EQ(r().fornitore(bianchi("03569210234"), false, {}, {}).conto, conto("40", "10", "1013"));
    EXPECT_TRUE(ui_.scelteMostrate.isEmpty());
}

TEST_F(Risoluzione, shouldLeaveTheSupplierEmptyWhenUnknownAndNotCreatedOrOnADatabaseError) {
    DatiCedente c;
    c.partitaIva = u"09999999999"_s;
    const int prima = contaFornitori();
    EXPECT_FALSE(r().fornitore(c, false, u"40"_s, u"10"_s).trovato());
    // Creation needs both the group and the ledger.
    EXPECT_FALSE(r().fornitore(c, true, u"40"_s, {}).trovato());
    EXPECT_FALSE(r().fornitore(c, true, {}, u"10"_s).trovato());
    EXPECT_EQ(contaFornitori(), prima);
    // Without a VAT number nothing is searched nor created.
    EXPECT_FALSE(r().fornitore(DatiCedente{}, true, u"40"_s, u"10"_s).trovato());
    EXPECT_EQ(contaFornitori(), prima);
    EXPECT_TRUE(ui_.mostrati.isEmpty());

    // A database error is shown, and the invoice goes on without supplier.
    db().EseguiSql(u"DROP TABLE PagTipi"_s);
    c.partitaIva = u"03981270683"_s;
    EXPECT_FALSE(r().fornitore(c, true, u"40"_s, u"10"_s).trovato());
    ASSERT_EQ(ui_.mostrati.size(), 1);
    EXPECT_TRUE(ui_.mostrati.front().testo.startsWith(u"Errore(3146): "_s))
        << ui_.mostrati.front().testo.toStdString();
    EXPECT_EQ(contaFornitori(), prima);
}

// The group and ledger typed in the import options: letters are "not found" on either chart.
TEST_F(Risoluzione, shouldDescribeTheTypedGroupAndLedgerOrFindNothing) {
    EXPECT_EQ(descrizioneMastro(db(), u"40"_s, u"10"_s), u"Fornitori"_s);
    EXPECT_EQ(descrizioneGruppo(db(), u"4O"_s), std::nullopt);
    EXPECT_EQ(descrizioneMastro(db(), u"40"_s, u"1O"_s), std::nullopt);
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
    EXPECT_EQ(scelto.pagamento + u' ' + scelto.pagTipo, "BB30 BB");

    // The list starts on the newest account.
    EXPECT_EQ(r().fornitore(bianchi("BNCLRA75E52L781K"), false, {}, {}).conto, conto("40", "10", "1013"));
    // A company's name heads the list in place of surname and name.
    DatiCedente societa = bianchi("");
    societa.denominazione = u"Studio Bianchi"_s;
    r().fornitore(societa, false, {}, {});
    ASSERT_EQ(ui_.scelteMostrate.size(), 3);
    EXPECT_EQ(ui_.scelteMostrate[2].descrizioni.front().toStdString(),
              "Fornitore: P.Iva: 03569210234 Cod.Fisc.:  - Studio Bianchi");
    // Without a fiscal code on the invoice every account of the VAT number is offered.
    EXPECT_EQ(ui_.scelteMostrate[2].elementi.size(), 5);
}

// ---- Supplier creation ----------------------------------------------------------------------

DatiCedente officine() {
    return {.idPaese = u"IT"_s,
            .partitaIva = u"02468135791"_s,
            .codiceFiscale = u"02468135791"_s,
            .denominazione =
                u"Officine Meccaniche Riunite del Basso Veneto e del Friuli Venezia Giulia Srl"_s,
            .indirizzo = u"Via dell'Industria"_s,
            .numeroCivico = u"15/B"_s,
            .soIndirizzo = u"Via Roma"_s,
            .soNumeroCivico = u"3"_s};
}

TEST_F(Risoluzione, shouldCreateTheSupplierOnTheNextFreeAccountWithItsNameAndAddresses) {
    // Accounts of other numbering schemes do not count (a chart of numbers holds no letters).
    for (const char* codice : {"ABCD", "99999", "999"})
        if (!prova::contiNumerici() || QString::fromLatin1(codice).toInt() > 0)
            aggiungiFornitore(codice, "Altra numerazione", "", "", std::nullopt);

    EXPECT_EQ(r().fornitore(officine(), true, u"40"_s, u"10"_s).conto, conto("40", "10", "1013"));
    EXPECT_TRUE(ui_.mostrati.isEmpty());

    // The name cut in two at a word, address and number joined, the branch office apart.
    EXPECT_EQ(
        colonne("1013", {"Descrizione", "RagSoc", "RagSoc2", "StatoGiurid", "PartIva", "Indirizzo",
                         "FAStabOrgIndir"}),
        righe({"Descrizione=Officine Meccaniche Riunite del Basso Veneto e del Friuli Venezia Giulia Srl",
               "RagSoc=Officine Meccaniche Riunite del Basso Veneto e del Friuli",
               "RagSoc2=Venezia Giulia Srl", "StatoGiurid=G", "PartIva=02468135791",
               "Indirizzo=Via dell'Industria 15/B", "FAStabOrgIndir=Via Roma 3"}));

    // The next one gets the following number; a person is described by surname and name,
    // and an unknown country takes the company's default.
    parametri_->scrivi(u"Clienti.CodStatoDef"_s, u"SM"_s);
    const DatiCedente persona{.idPaese = u"XX"_s,
                              .partitaIva = u"01357924680"_s,
                              .codiceFiscale = u"RSSMRA80A01H501U"_s,
                              .nome = u"Mario"_s,
                              .cognome = u"Rossi"_s,
                              .titolo = u"Geom."_s};
    EXPECT_EQ(r().fornitore(persona, true, u"40"_s, u"10"_s).conto, conto("40", "10", "1014"));
    EXPECT_EQ(colonne("1014", {"Descrizione", "RagSoc", "RagSoc2", "StatoGiurid", "Cognome", "Nome",
                               "FETitolo", "Stato"}),
              righe({"Descrizione=Rossi Mario", "RagSoc=Rossi Mario", "RagSoc2=", "StatoGiurid=F",
                     "Cognome=Rossi", "Nome=Mario", "FETitolo=Geom.", "Stato=SM"}));
}

TEST_F(Risoluzione, shouldStartAnEmptyLedgerAtAccountOneAndFindTheCreatedSupplierAgain) {
    // A chart of numbers stores "0001" as 1 and gives it back so.
    const char* primo = prova::contiNumerici() ? "1" : "0001";
    EXPECT_EQ(r().fornitore(officine(), true, u"40"_s, u"90"_s).conto, conto("40", "90", primo));
    // Imported again, the invoice finds the account instead of creating another one.
    const int dopo = contaFornitori();
    EXPECT_EQ(r().fornitore(officine(), true, u"40"_s, u"90"_s).conto, conto("40", "90", primo));
    EXPECT_EQ(contaFornitori(), dopo);
}

// ---- VAT codes ----------------------------------------------------------------------------------

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

TEST_F(Risoluzione, shouldReadAForcedVatCodeAndFindTheCodeOfARateAndANatureByTheFourAttempts) {
    // A code forced by the user is read as it is.
    const auto nsf = r().ivaPerCodice(u"NSF"_s), indetraibile = r().ivaPerCodice(u"22I40"_s);
    ASSERT_TRUE(nsf && indetraibile);
    EXPECT_EQ(nsf->natura + u' ' + nsf->afeIvaEse, "N2.2 N2.2-02");
    EXPECT_EQ(indetraibile->percNonDetr, perc("40"));
    EXPECT_FALSE(r().ivaPerCodice(u"ZZ9"_s).has_value());

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
    // The exemption kind a nature implies: only when the table lists exactly one.
    for (const auto& [natura, tipo] : {std::pair{"N3.1", "N3.1-01"}, {"N2.2", ""}, {"N9", ""}, {"", ""}})
        EXPECT_EQ(r().tipoEsenzione(QString::fromUtf8(natura)).toStdString(), tipo) << natura;
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
        {"soloCausaliDiVendita", {"DELETE FROM Causali WHERE Causale = 'INT'"}, "", "TD16", false, "", "", "", "", "", ""},
        {"integrazioneReverseCharge", {}, "", "TD16", false, "", "", "", "INT", "", "S"},
        {"integrazioneTradottaDaTabTrascod", {}, "", "TD17", false, "", "", "", "INT", "", "S"},
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
    EXPECT_EQ(r().contoSpesa(u"SP03"_s), conto("60", "20", "1005"));
    EXPECT_EQ(r().contoSpesa(u"SP99"_s), CodiceConto{});
    EXPECT_EQ(r().contoSpesa({}), CodiceConto{});
    EXPECT_EQ(r().contoCassaPrevidenziale(perc("8.5")), conto("40", "30", "1002"));
    // The 4% contribution is not the agents' fund.
    EXPECT_EQ(r().contoCassaPrevidenziale(perc("4")), CodiceConto{});
    conRighe({"INSERT INTO Spese (Spesa, Descrizione, Gruppo, Mastro, Conto, CassaPrev, Percentuale) VALUES "
              "('ENM', 'CONTRIBUTO ENASARCO MONOMANDATARIO', '40', '30', '1003', 'S', 2.75), "
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
        {"monetaIso", r().moneta(u"USD"_s), "USD"},
        {"monetaSconosciuta", r().moneta(u"JPY"_s), ""},
        {"monetaVuota", r().moneta({}), ""},
        {"bancaAbiCab", r().banca(u"08975"_s, u"62160"_s), "BCA"},
        {"bancaCabDiverso", r().banca(u"08975"_s, u"62161"_s), ""},
        {"bancaSenzaCab", r().banca(u"08975"_s, {}), ""},
        {"pagamentoARate", r().pagTipo(u"MP05"_s, u"TP01"_s), "BBR"},
        {"pagamentoCompleto", r().pagTipo(u"MP05"_s, u"TP02"_s), "BB"},
        {"anticipo", r().pagTipo(u"MP05"_s, u"TP03"_s), "BBA"},
        {"modalitaSconosciuta", r().pagTipo(u"MP22"_s, u"TP02"_s), ""},
    };
    for (const auto& c : casi)
        EXPECT_EQ(c.trovato.toStdString(), c.atteso) << c.nome;
}

} // namespace
} // namespace tesel
