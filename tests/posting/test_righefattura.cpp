// The rows an invoice's posting writes to the journal, to the cent: cost and VAT rows, VAT
// register, withholding, pension fund, free goods and reverse charge; and the line faults that
// stop it.

#include "aziendaprova.h"
#include "fatturaprova.h"
#include "frame/database.h"
#include "posting/contabilizzazione.h"
#include "support/dbprova.h"

#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tesel::posting {
namespace {

using tesel::prova::FatturaProva;
using tesel::prova::RigaProva;

// ---- Amount rules -------------------------------------------------------------------------------

struct CasoImporti {
    const char* descrizione;
    bool arrotIvaEuro;
    const char* lordo;
    int aliquota;
    const char* imponibile; // taxable part extracted
    const char* imposta;    // rate x taxable
};

const CasoImporti casiScorporo[] = {{"esatto", false, "122", 22, "100.00", "22.00"},
                                    {"arrotondato", false, "10.01", 22, "8.20", "1.80"},
                                    {"rifatto troncando", false, "0.08", 22, "0.06", "0.01"},
                                    {"ArrotIvaEuro tronca", true, "0.13", 22, "0.10", "0.02"},
                                    {"senza ArrotIvaEuro arrotonda", false, "0.13", 22, "0.11", "0.02"},
                                    {"negativo", false, "-10.01", 22, "-8.20", "-1.80"}};

TEST(Scorporo, shouldExtractTheTaxablePartWithoutExceedingTheAmount) {
    for (const CasoImporti& c : casiScorporo) {
        SCOPED_TRACE(c.descrizione);
        RegoleImporti r;
        r.arrotIvaEuro = c.arrotIvaEuro;
        const Currency aliquota = Currency::daUnita(c.aliquota);
        const Currency lordo = tesel::prova::Euro(c.lordo).v;
        const Currency t = r.scorporo(lordo, aliquota);
        EXPECT_EQ(t.testoXml(), QString::fromLatin1(c.imponibile));
        EXPECT_EQ(r.percentuale(t, aliquota).testoXml(), QString::fromLatin1(c.imposta));
        EXPECT_LE((t + r.percentuale(t, aliquota)).assoluto(), lordo.assoluto());
    }
}

// ---- The journal of one posted invoice ------------------------------------------------------------

// A reverse-charge line as the document gives it: no VAT of its own (rate 0, nature N6).
const RigaProva rigaInversione{
    .prezzo = 1000, .iva = "RC63", .conto = {"60", "20", "1009"}, .aliquota = tesel::prova::Euro(0)};

class RigheFattura : public posting::prova::ConAziendaDemo {
protected:
    EsitoContabilizzazione posta(const std::function<void(FatturaProva&)>& prepara) {
        FatturaProva f(db());
        prepara(f);
        const auto k = f.scrivi();
        return ContabilizzaFattura(db(), *parametri, configurazione.get(), ui, k.anno, k.numero, {}, {},
                                   false);
    }

    // Every journal registration: "Causale PreProt/NumProt", then its rows as
    // "RigReg Tipo:G-M-C DareAvere Importo", VAT rows followed by "Iva Imposta Indetr Forzatura",
    // the VAT-account row by "I", with the counterpart "> Tipo:G-M-C" when there is one; then its
    // VAT register rows as "IVA Iva Tipo:G-M-C Imponibile Imposta ImpostaND".
    std::vector<QStringList> giornale() {
        std::vector<QStringList> v;
        for (Recordset t = db().ApriRs(u"Select * from MovPnTes Order by NumReg"_s); !t.RsEof();
             t.RsMoveNext()) {
            const QString numReg = t.leggiTesto(u"NumReg"_s);
            QStringList reg{t.leggiTesto(u"Causale"_s) + u' ' + t.leggiTesto(u"PreProt"_s) + u'/' +
                            t.leggiTesto(u"NumProt"_s)};
            for (Recordset r =
                     db().ApriRs(u"Select * from MovPnDett Where NumReg = %1 Order by RigReg"_s.arg(numReg));
                 !r.RsEof(); r.RsMoveNext()) {
                QString riga = r.leggiTesto(u"RigReg"_s) + u' ' + conto(r, "Partita") + u' ' +
                               r.leggiTesto(u"DareAvere"_s) + u' ' + importo(r, "Importo");
                if (!r.leggiTesto(u"Iva"_s).isEmpty())
                    riga += u' ' + r.leggiTesto(u"Iva"_s) + u' ' + importo(r, "Imposta") + u' ' +
                            importo(r, "ImpostaIndetr") + u' ' + r.leggiTesto(u"Forzatura"_s);
                else if (r.leggiTesto(u"Forzatura"_s) == u"I")
                    riga += u" I"_s;
                if (!r.leggiTesto(u"ContoCPartita"_s).isEmpty())
                    riga += u" > "_s + conto(r, "CPartita");
                reg << riga;
            }
            for (Recordset r =
                     db().ApriRs(u"Select * from MovPnIva Where NumReg = %1 Order by RigaIva"_s.arg(numReg));
                 !r.RsEof(); r.RsMoveNext())
                reg << u"IVA "_s + r.leggiTesto(u"Iva"_s) + u' ' + conto(r, "Partita") + u' ' +
                           importo(r, "Imponibile") + u' ' + importo(r, "Imposta") + u' ' +
                           importo(r, "ImpostaND");
            v.push_back(reg);
        }
        return v;
    }

private:
    static QString importo(const Recordset& r, const char* campo) {
        return r.leggiValuta(QLatin1String(campo)).value_or(Currency()).testoXml();
    }
    // "Tipo:G-M-C" of the columns TipoX, GruppoX, MastroX, ContoX.
    static QString conto(const Recordset& r, const char* x) {
        const auto campo = [&](const char* p) { return r.leggiTesto(QLatin1String(p) + QLatin1String(x)); };
        return campo("Tipo") + u':' + campo("Gruppo") + u'-' + campo("Mastro") + u'-' + campo("Conto");
    }
};

struct CasoGiornale {
    const char* descrizione;
    std::function<void(FatturaProva&)> fattura;
    std::vector<QStringList> giornale;
    const char* ritAccFornAutom = "0";
    const char* preparazione = ""; // SQL run on the demo company first
    const char* avvisi = "";       // the notes of the posting, CRLF-led
};

class GiornaleFattura : public RigheFattura, public ::testing::WithParamInterface<CasoGiornale> {};

// A document of integration TD16-TD19: 1,000 of services with 22% integrated by the company.
void integrazione(FatturaProva& f, const char* tipo, const char* causale) {
    f.tipoDocumento(QLatin1String(tipo))
        .causale(QLatin1String(causale))
        .riga(1000, u"22"_s, {"60", "20", "1003"})
        .iva(22, 1000, 220);
}

std::vector<QStringList> giornaleIntegrazione() {
    return {
        {"INT ./1", "1 2:40-10-1001 A 1220.00", "2 1:60-20-1003 D 1000.00 22 220.00 0.00 N > 2:40-10-1001",
         "3 1:20-30-1001 D 220.00 I > 2:40-10-1001", "IVA 22 2:40-10-1001 1000.00 220.00 0.00"},
        {"ARC RC/1", "1 3:20-10-1001 D 1220.00", "2 1:60-20-1003 A 1000.00 22 220.00 0.00 N > 3:20-10-1001",
         "3 1:40-20-1001 A 220.00 I > 3:20-10-1001", "IVA 22 3:20-10-1001 1000.00 220.00 0.00"},
        {"GRC ./0", "1 3:20-10-1001 A 1220.00 > 2:40-10-1001", "2 2:40-10-1001 D 1220.00 > 3:20-10-1001"}};
}

TEST_P(GiornaleFattura, shouldWriteTheRowsOfEachRegistrationToTheCent) {
    const CasoGiornale& c = GetParam();
    SCOPED_TRACE(c.descrizione);
    if (*c.preparazione)
        db().EseguiSql(QString::fromUtf8(c.preparazione));
    menu.imposta(u"Personal.PN.RitAccFornAutom"_s, QLatin1String(c.ritAccFornAutom));

    const EsitoContabilizzazione e = posta(c.fattura);

    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(e.avvisi, QString::fromUtf8(c.avvisi));
    const std::vector<QStringList> g = giornale();
    ASSERT_EQ(g.size(), c.giornale.size());
    for (size_t i = 0; i < g.size(); ++i)
        EXPECT_EQ(g[i].join(u'\n').toStdString(), c.giornale[i].join(u'\n').toStdString())
            << "registrazione " << i + 1;
}

// Supplier 40-10-1001, VAT account 20-30-1001, sales VAT 40-20-1001, withholding 40-20-1002.
INSTANTIATE_TEST_SUITE_P(
    Casi, GiornaleFattura,
    ::testing::Values(
        // Lines grouped by account and VAT code; the descriptive line adds nothing.
        CasoGiornale{
            "righe raggruppate",
            [](FatturaProva& f) {
                f.riga(100, u"22"_s, {"60", "10", "1001"})
                    .riga(
                        RigaProva{.prezzo = 10, .iva = "22", .conto = {"60", "10", "1001"}, .tipoRiga = "DE"})
                    .riga(50, u"22"_s, {"60", "10", "1001"})
                    .riga(30, u"10"_s, {"60", "10", "1001"})
                    .riga(20, u"22"_s, {"60", "10", "1003"})
                    .iva(10, 30, 3)
                    .iva(22, 170, "37.40");
            },
            {{"FAA ./1", "1 2:40-10-1001 A 240.40", "2 1:60-10-1001 D 30.00 10 3.00 0.00 N > 2:40-10-1001",
              "3 1:60-10-1001 D 150.00 22 33.00 0.00 N > 2:40-10-1001",
              "4 1:60-10-1003 D 20.00 22 4.40 0.00 N > 2:40-10-1001",
              "5 1:20-30-1001 D 40.40 I > 2:40-10-1001", "IVA 10 2:40-10-1001 30.00 3.00 0.00",
              "IVA 22 2:40-10-1001 170.00 37.40 0.00"}}},
        // 0.11 of VAT each: 40% is 0.04 per row but 0.09 on the code's 0.22.
        CasoGiornale{
            "indetraibile arrotondata sul totale del codice",
            [](FatturaProva& f) {
                f.riga("0.50", u"22I40"_s, {"60", "10", "1005"})
                    .riga("0.50", u"22I40"_s, {"10", "10", "1005"});
            },
            {{"FAA ./1", "1 2:40-10-1001 A 1.22", "2 1:10-10-1005 D 0.55 22I40 0.11 0.05 N > 2:40-10-1001",
              "3 1:60-10-1005 D 0.54 22I40 0.11 0.04 N > 2:40-10-1001",
              "4 1:20-30-1001 D 0.13 I > 2:40-10-1001", "IVA 22I40 2:40-10-1001 1.00 0.22 0.09"}}},
        // 22% of 10.01 and of 20.02 rounds to 2.20 + 4.40; the document says 6.61.
        CasoGiornale{
            "centesimo del documento su una riga",
            [](FatturaProva& f) {
                f.riga("10.01", u"22"_s, {"60", "10", "1001"})
                    .riga("20.02", u"22"_s, {"60", "10", "1003"})
                    .iva(22, "30.03", "6.61");
            },
            {{"FAA ./1", "1 2:40-10-1001 A 36.64", "2 1:60-10-1001 D 10.01 22 2.20 0.00 N > 2:40-10-1001",
              "3 1:60-10-1003 D 20.02 22 4.41 0.00 S > 2:40-10-1001",
              "4 1:20-30-1001 D 6.61 I > 2:40-10-1001", "IVA 22 2:40-10-1001 30.03 6.61 0.00"}},
            "0",
            "",
            "\r\nAliquota 22%: IVA allineata al riepilogo del documento (6,61 invece di 6,60)"},
        // A company that accepts five cents of difference per rate.
        CasoGiornale{
            "differenza entro la tolleranza dell'azienda",
            [](FatturaProva& f) {
                f.riga(100, u"22"_s, {"60", "10", "1001"}).iva(22, 100, "22.05");
            },
            {{"FAA ./1", "1 2:40-10-1001 A 122.05", "2 1:60-10-1001 D 100.00 22 22.05 0.00 S > 2:40-10-1001",
              "3 1:20-30-1001 D 22.05 I > 2:40-10-1001", "IVA 22 2:40-10-1001 100.00 22.05 0.00"}},
            "0",
            "INSERT INTO ParametriAzienda (Nome, Valore) VALUES ('Fat.TolleranzaQuadratura', '0,05')",
            "\r\nAliquota 22%: IVA allineata al riepilogo del documento (22,05 invece di 22,00)"},
        // A discount on an account of its own is a negative group: it goes to the other side
        // with positive amounts, and takes its taxable amount and VAT off the register.
        CasoGiornale{
            "gruppo negativo dall'altra parte",
            [](FatturaProva& f) {
                f.riga(100, u"22"_s, {"60", "10", "1001"})
                    .riga(-30, u"22"_s, {"60", "10", "1002"})
                    .iva(22, 70, "15.40");
            },
            {{"FAA ./1", "1 2:40-10-1001 A 85.40", "2 1:60-10-1001 D 100.00 22 22.00 0.00 N > 2:40-10-1001",
              "3 1:60-10-1002 A 30.00 22 6.60 0.00 N > 2:40-10-1001",
              "4 1:20-30-1001 D 15.40 I > 2:40-10-1001", "IVA 22 2:40-10-1001 70.00 15.40 0.00"}}},
        // An invoice whose every amount is negative mirrors itself like a credit note, with its
        // non-deductible share rounded on the code's total.
        CasoGiornale{
            "fattura di importo negativo",
            [](FatturaProva& f) {
                f.riga(-100, u"22"_s, {"60", "10", "1001"})
                    .riga("-0.50", u"22I40"_s, {"60", "10", "1005"})
                    .riga("-0.50", u"22I40"_s, {"10", "10", "1005"})
                    .iva(22, -101, "-22.22");
            },
            {{"FAA ./1", "1 2:40-10-1001 D 123.22", "2 1:60-10-1001 A 100.00 22 22.00 0.00 N > 2:40-10-1001",
              "3 1:10-10-1005 A 0.55 22I40 0.11 0.05 N > 2:40-10-1001",
              "4 1:60-10-1005 A 0.54 22I40 0.11 0.04 N > 2:40-10-1001",
              "5 1:20-30-1001 A 22.13 I > 2:40-10-1001", "IVA 22 2:40-10-1001 -100.00 -22.00 0.00",
              "IVA 22I40 2:40-10-1001 -1.00 -0.22 -0.09"}}},
        // Split payment: the VAT stays in the register and on the VAT account, the company owes
        // it to the State (40-20-1004), the supplier is owed the taxable amount only.
        CasoGiornale{"scissione dei pagamenti dal riepilogo",
                     [](FatturaProva& f) {
                         f.riga(1000, u"22"_s, {"60", "20", "1001"}).iva(22, 1000, 220, {}, u"S"_s);
                     },
                     {{"FAA ./1", "1 2:40-10-1001 A 1000.00",
                       "2 1:60-20-1001 D 1000.00 22 220.00 0.00 N > 2:40-10-1001",
                       "3 1:20-30-1001 D 220.00 I > 2:40-10-1001", "4 1:40-20-1004 A 220.00 > 2:40-10-1001",
                       "IVA 22 2:40-10-1001 1000.00 220.00 0.00"}}},
        // By the causal, with non-deductible VAT: the State is owed all of it.
        CasoGiornale{"scissione dei pagamenti dalla causale",
                     [](FatturaProva& f) {
                         f.riga(100, u"22I40"_s, {"60", "10", "1005"});
                     },
                     {{"FAA ./1", "1 2:40-10-1001 A 100.00",
                       "2 1:60-10-1005 D 108.80 22I40 22.00 8.80 N > 2:40-10-1001",
                       "3 1:20-30-1001 D 13.20 I > 2:40-10-1001", "4 1:40-20-1004 A 22.00 > 2:40-10-1001",
                       "IVA 22I40 2:40-10-1001 100.00 22.00 8.80"}},
                     "0",
                     "UPDATE Causali SET SplitPay = 'S' WHERE Causale = 'FAA'"},
        CasoGiornale{
            "nota di credito speculare",
            [](FatturaProva& f) {
                f.tipoDocumento(u"TD04"_s)
                    .causale(u"NCA"_s)
                    .riga(100, u"22"_s, {"60", "10", "1001"})
                    .iva(22, 100, 22);
            },
            {{"NCA ./1", "1 2:40-10-1001 D 122.00", "2 1:60-10-1001 A 100.00 22 22.00 0.00 N > 2:40-10-1001",
              "3 1:20-30-1001 A 22.00 I > 2:40-10-1001", "IVA 22 2:40-10-1001 -100.00 -22.00 0.00"}}},
        // The VAT amount given (122 with 22 of VAT), the rate given on VAT-inclusive 61 and
        // 10.01: 10.01 / 1.22 = 8.20 with 1.81 of VAT where 22% of 8.20 is 1.80, so forced.
        CasoGiornale{
            "fattura semplificata",
            [](FatturaProva& f) {
                f.tipoDocumento(u"TD07"_s)
                    .riga(RigaProva{.prezzo = 122,
                                    .iva = "22",
                                    .conto = {"60", "10", "1001"},
                                    .numIvaDoppia = -999,
                                    .aliquota = tesel::prova::Euro(22)})
                    .riga(RigaProva{
                        .prezzo = 61, .iva = "22", .conto = {"60", "10", "1003"}, .numIvaDoppia = -998})
                    .riga(RigaProva{
                        .prezzo = "10.01", .iva = "22", .conto = {"60", "10", "1004"}, .numIvaDoppia = -998});
            },
            {{"FAA ./1", "1 2:40-10-1001 A 193.01", "2 1:60-10-1003 D 50.00 22 11.00 0.00 N > 2:40-10-1001",
              "3 1:60-10-1004 D 8.20 22 1.81 0.00 S > 2:40-10-1001",
              "4 1:60-10-1001 D 100.00 22 22.00 0.00 S > 2:40-10-1001",
              "5 1:20-30-1001 D 34.81 I > 2:40-10-1001", "IVA 22 2:40-10-1001 158.20 34.81 0.00"}}},
        // 1,000 + 22% with 200 withheld: the supplier is owed 1,020 either way.
        CasoGiornale{"ritenuta netta in fattura",
                     [](FatturaProva& f) {
                         f.fornitore(u"40"_s, u"10"_s, u"1005"_s)
                             .riga(1000, u"22"_s, {"60", "20", "1003"})
                             .iva(22, 1000, 220)
                             .ritenuta(200)
                             .totale(1020); // stated net of the withholding
                     },
                     {{"FAA ./1", "1 2:40-10-1005 A 1020.00",
                       "2 1:60-20-1003 D 1000.00 22 220.00 0.00 N > 2:40-10-1005",
                       "3 1:40-20-1002 A 200.00 > 2:40-10-1005", "4 1:20-30-1001 D 220.00 I > 2:40-10-1005",
                       "IVA 22 2:40-10-1005 1000.00 220.00 0.00"}},
                     "1"},
        // Two withholdings in a registration of their own; RT03 is the INPS contribution
        // withheld, on its own account.
        CasoGiornale{
            "ritenute in una registrazione a parte",
            [](FatturaProva& f) {
                f.fornitore(u"40"_s, u"10"_s, u"1005"_s)
                    .riga(1000, u"22"_s, {"60", "20", "1003"})
                    .iva(22, 1000, 220)
                    .ritenuta(150)
                    .ritenuta(50, u"RT02"_s)
                    .ritenuta(30, u"RT03"_s);
            },
            {{"FAA ./1", "1 2:40-10-1005 A 1220.00",
              "2 1:60-20-1003 D 1000.00 22 220.00 0.00 N > 2:40-10-1005",
              "3 1:20-30-1001 D 220.00 I > 2:40-10-1005", "IVA 22 2:40-10-1005 1000.00 220.00 0.00"},
             {"RIT ./1", "1 2:40-10-1005 D 200.00 > 1:40-20-1002", "2 1:40-20-1002 A 200.00 > 2:40-10-1005",
              "3 2:40-10-1005 D 30.00 > 1:40-30-1001", "4 1:40-30-1001 A 30.00 > 2:40-10-1005"}},
            "2"},
        // An agent's invoice: the tax, ENASARCO, ENPAM and another fund each withheld onto the
        // company's debt to whom it is due; the supplier is owed the rest.
        CasoGiornale{
            "contributi trattenuti nella fattura",
            [](FatturaProva& f) {
                f.fornitore(u"40"_s, u"10"_s, u"1005"_s)
                    .riga(1000, u"22"_s, {"60", "20", "1011"})
                    .iva(22, 1000, 220)
                    .ritenuta(230)
                    .ritenuta(85, u"RT04"_s)
                    .ritenuta(40, u"RT05"_s)
                    .ritenuta(10, u"RT06"_s);
            },
            {{"FAA ./1", "1 2:40-10-1005 A 855.00",
              "2 1:60-20-1011 D 1000.00 22 220.00 0.00 N > 2:40-10-1005",
              "3 1:40-20-1002 A 230.00 > 2:40-10-1005", "4 1:40-30-1002 A 85.00 > 2:40-10-1005",
              "5 1:40-30-1003 A 40.00 > 2:40-10-1005", "6 1:40-30-1004 A 10.00 > 2:40-10-1005",
              "7 1:20-30-1001 D 220.00 I > 2:40-10-1005", "IVA 22 2:40-10-1005 1000.00 220.00 0.00"}},
            "1"},
        CasoGiornale{
            "cassa previdenziale con la sua IVA",
            [](FatturaProva& f) {
                f.fornitore(u"40"_s, u"10"_s, u"1006"_s)
                    .contoCassaPrev(u"60"_s, u"20"_s, u"1012"_s)
                    .riga(1000, u"22"_s, {"60", "20", "1004"})
                    .cassaPrevidenziale(40, u"22"_s)
                    .iva(22, 1040, "228.80");
            },
            {{"FAA ./1", "1 2:40-10-1006 A 1268.80",
              "2 1:60-20-1004 D 1000.00 22 220.00 0.00 N > 2:40-10-1006",
              "3 1:60-20-1012 D 40.00 22 8.80 0.00 N > 2:40-10-1006",
              "4 1:20-30-1001 D 228.80 I > 2:40-10-1006", "IVA 22 2:40-10-1006 1040.00 228.80 0.00"}}},
        // Free goods are booked with their VAT like any line, then their value and VAT are
        // taken off the supplier onto the free-goods account.
        CasoGiornale{
            "omaggi",
            [](FatturaProva& f) {
                f.riga(100, u"22"_s, {"60", "10", "1001"})
                    .riga(
                        RigaProva{.prezzo = 50, .iva = "22", .conto = {"60", "10", "1003"}, .omaggio = "S"});
            },
            {{"FAA ./1", "1 2:40-10-1001 A 183.00", "2 1:60-10-1001 D 100.00 22 22.00 0.00 N > 2:40-10-1001",
              "3 1:60-10-1003 D 50.00 22 11.00 0.00 N > 2:40-10-1001",
              "4 1:20-30-1001 D 33.00 I > 2:40-10-1001", "IVA 22 2:40-10-1001 150.00 33.00 0.00"},
             {"OMA ./1", "1 1:60-40-1002 A 61.00 > 3:40-10-1001", "2 2:40-10-1001 D 61.00 > 1:60-40-1002"}}},
        // Reverse charge: the purchase with its VAT, the self-invoice on the sales register
        // (own prefix, own counter) against the linked customer, and the settlement, which has no
        // protocol.
        CasoGiornale{
            "inversione contabile",
            [](FatturaProva& f) {
                f.fornitore(u"40"_s, u"10"_s, u"1008"_s)
                    .causale(u"FRC"_s)
                    .riga(rigaInversione)
                    .iva(0, 1000, 0, u"RC63"_s);
            },
            {{"FRC ./1", "1 2:40-10-1008 A 1220.00",
              "2 1:60-20-1009 D 1000.00 RC63 220.00 0.00 N > 2:40-10-1008",
              "3 1:20-30-1001 D 220.00 I > 2:40-10-1008", "IVA RC63 2:40-10-1008 1000.00 220.00 0.00"},
             {"ARC RC/1", "1 3:20-10-1001 D 1220.00",
              "2 1:60-20-1009 A 1000.00 RC63 220.00 0.00 N > 3:20-10-1001",
              "3 1:40-20-1001 A 220.00 I > 3:20-10-1001", "IVA RC63 3:20-10-1001 1000.00 220.00 0.00"},
             {"GRC ./0", "1 3:20-10-1001 A 1220.00 > 2:40-10-1008", "2 2:40-10-1008 D 220.00 > 3:20-10-1001",
              "3 1:60-20-1009 D 1000.00 > 3:20-10-1001"}}},
        // An integration document (here services bought abroad): the VAT the company integrates
        // enters the purchase and the sales register; the settlement closes the supplier for the
        // whole total and the line's account nets to zero, so the cost and the debt already
        // registered with the supplier's own invoice are not doubled.
        CasoGiornale{"integrazione su causale di reverse charge",
                     [](FatturaProva& f) { integrazione(f, "TD17", "INT"); }, giornaleIntegrazione()},
        // The same through TabTrascod: a TD18 imported with an ordinary causal is posted with the
        // reverse-charge causal of its translated type, and the user is told.
        CasoGiornale{
            "integrazione con causale ordinaria", [](FatturaProva& f) { integrazione(f, "TD18", "FAA"); },
            giornaleIntegrazione(), "0", "",
            "\r\nDocumento di integrazione TD18 registrato con la causale INT (la causale FAA non è di "
            "reverse charge)"},
        // Deferred VAT waits on the cash-basis purchase VAT account until the invoice is paid.
        CasoGiornale{
            "IVA ad esigibilità differita",
            [](FatturaProva& f) {
                f.riga(1000, u"22"_s, {"60", "20", "1001"}).iva(22, 1000, 220, {}, u"D"_s);
            },
            {{"FAA ./1", "1 2:40-10-1001 A 1220.00",
              "2 1:60-20-1001 D 1000.00 22 220.00 0.00 N > 2:40-10-1001",
              "3 1:20-30-1002 D 220.00 I > 2:40-10-1001", "IVA 22 2:40-10-1001 1000.00 220.00 0.00"}}}));

// ---- Line faults ----------------------------------------------------------------------------------

struct CasoDifetto {
    const char* descrizione;
    std::function<void(FatturaProva&)> fattura;
    QStringList messaggi; // each in the errors
    const char* preparazione = "";
};

class DifettoRighe : public RigheFattura, public ::testing::WithParamInterface<CasoDifetto> {};

TEST_P(DifettoRighe, shouldNameEveryFaultAndPostNothing) {
    const CasoDifetto& c = GetParam();
    SCOPED_TRACE(c.descrizione);
    if (*c.preparazione)
        db().EseguiSql(QString::fromUtf8(c.preparazione));

    const EsitoContabilizzazione e = posta(c.fattura);

    EXPECT_FALSE(e.ok);
    for (const QString& m : c.messaggi)
        EXPECT_TRUE(e.errori.split(u"\r\n"_s).contains(m)) << e.errori.toStdString();
    EXPECT_TRUE(giornale().empty());
    EXPECT_EQ(db().valore(u"Select count(*) from MovPnTesFatt"_s).toInt(), 0);
}

const char* const RcNonValida = "Causale concatenata per creare movimenti Reverse-Charge non valida - "
                                "impossibile creare i movimenti in automatico";

void fatturaEdile(FatturaProva& f, const char* fornitore = "1008") {
    f.fornitore(u"40"_s, u"10"_s, QLatin1String(fornitore))
        .causale(u"FRC"_s)
        .riga(rigaInversione)
        .iva(0, 1000, 0, u"RC63"_s);
}

INSTANTIATE_TEST_SUITE_P(
    Casi, DifettoRighe,
    ::testing::Values(
        // Every faulty group is reported before the posting stops.
        CasoDifetto{"gruppi difettosi",
                    [](FatturaProva& f) {
                        f.riga(10, QString(), {"60", "10", "1001"})
                            .riga(20, u"22"_s, {"60", "10", ""})
                            .riga(30, u"22"_s, {"60", "10", "9999"})
                            .riga(40, u"XX"_s, {"60", "10", "1002"})
                            .riga(50, u"22"_s, {"60", "10", "1003"});
                    },
                    {"Manca il codice iva", "Manca il codice della contropartita",
                     "Contropartita inesistente (60-10-9999) alla riga 3", "Codice iva inesistente (XX)"}},
        CasoDifetto{
            "contributo trattenuto senza il suo conto",
            [](FatturaProva& f) {
                f.riga(1000, u"22"_s, {"60", "20", "1011"}).iva(22, 1000, 220).ritenuta(85, u"RT04"_s);
            },
            {"Manca il conto per la ritenuta RT04"},
            "UPDATE ParametriAzienda SET Valore = '' WHERE Nome = 'CauCon.ContoRitEnasarco'"},
        // The document against itself: beyond the tolerance nothing is posted.
        CasoDifetto{"IVA del riepilogo oltre la tolleranza",
                    [](FatturaProva& f) {
                        f.riga(100, u"22"_s, {"60", "10", "1001"}).iva(22, 100, "22.05");
                    },
                    {"Aliquota 22%: IVA delle righe 22,00, IVA del riepilogo del documento 22,05"}},
        CasoDifetto{
            "imponibile e totale oltre la tolleranza",
            [](FatturaProva& f) {
                f.riga(100, u"22"_s, {"60", "10", "1001"})
                    .riga(50, u"10"_s, {"60", "10", "1001"})
                    .iva(22, "100.02", 22)
                    .iva(10, 50, 5)
                    .totale(180);
            },
            {"Aliquota 22%: imponibile delle righe 100,00, imponibile del riepilogo del documento 100,02",
             "Totale delle righe e dell'IVA 177,00, totale del documento 180,00"}},
        CasoDifetto{"IVA differita insieme a IVA immediata",
                    [](FatturaProva& f) {
                        f.riga(1000, u"22"_s, {"60", "20", "1001"})
                            .riga(100, u"10"_s, {"60", "20", "1001"})
                            .iva(22, 1000, 220, {}, u"D"_s)
                            .iva(10, 100, 10);
                    },
                    {"IVA ad esigibilità differita e IVA ad esigibilità immediata nello stesso documento: "
                     "registrarlo a mano"}},
        CasoDifetto{
            "integrazione senza causale di reverse charge",
            [](FatturaProva& f) { integrazione(f, "TD17", "FAA"); },
            {"Documento di integrazione TD17: la causale FAA non è di reverse charge e nessuna causale "
             "di reverse charge del registro acquisti ha il tipo documento TD16"},
            "UPDATE Causali SET RevCharge = 'N' WHERE Causale = 'INT'"},
        CasoDifetto{"cassa previdenziale senza codice IVA",
                    [](FatturaProva& f) {
                        f.riga(1000, u"22"_s, {"60", "20", "1004"}).cassaPrevidenziale(40, QString());
                    },
                    {"Manca il codice iva per cassa previdenza"}},
        CasoDifetto{"concatenata inesistente",
                    [](FatturaProva& f) { fatturaEdile(f); },
                    {RcNonValida},
                    "UPDATE Causali SET CausConcatenata = 'XXX' WHERE Causale = 'FRC'"},
        CasoDifetto{"causale di giroconto mancante",
                    [](FatturaProva& f) { fatturaEdile(f); },
                    {"Causale concatenata per creare movimenti Reverse-Charge non valida - Impossibile "
                     "creare i movimenti in automatico"},
                    "UPDATE Causali SET CausConcatenata = NULL WHERE Causale = 'ARC'"},
        CasoDifetto{
            "nessun cliente collegato",
            [](FatturaProva& f) { fatturaEdile(f, "1001"); },
            {"Manca Conto cliente collegato per creare movimento Reverse-Charge - impossibile creare "
             "i movimenti in automatico"},
            "UPDATE Causali SET PartGruppo = NULL, PartMastro = NULL, PartConto = NULL WHERE Causale = "
            "'ARC'"},
        CasoDifetto{"cliente collegato inesistente",
                    [](FatturaProva& f) { fatturaEdile(f); },
                    {"Cliente collegato per creare movimenti RevCharge inesistente - impossibile creare i "
                     "movimenti in automatico"},
                    "UPDATE PianoConti SET ContoCFColl = '9999' WHERE Gruppo = '40' AND Mastro = '10' AND "
                    "Conto = '1008'"}));

} // namespace
} // namespace tesel::posting
