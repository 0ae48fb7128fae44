// The rows of an invoice's registrations: cost and VAT rows, VAT register, withholding,
// free goods and reverse charge, on invoices written straight into the store.

#include "aziendaprova.h"
#include "fatturaprova.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "support/dbprova.h"

#include <gtest/gtest.h>

namespace tesel::posting {
namespace {

using tesel::prova::ChiaveFattura;
using tesel::prova::FatturaProva;
using tesel::prova::RigaProva;

const QString Crlf = QStringLiteral("\r\n");

Currency euro(const char* testo) {
    return tesel::prova::Euro(testo).v;
}

class RigheFattura : public posting::prova::ConAziendaDemo {
protected:
    // The state the driver holds when it calls scriviRigheFattura, and the main header.
    StatoContabilizzazione prepara(const ChiaveFattura& k, int ritAccFornAutom = 0) {
        StatoContabilizzazione s;
        s.xmlAnno = k.anno;
        s.xmlNumRif = k.numero;
        Recordset t =
            db().ApriRs(QStringLiteral("Select * from FatXmlTest Where XmlAnno = %1 and XmlNumRif = %2")
                            .arg(k.anno)
                            .arg(k.numero));
        s.tipoDocumento = t.leggiTesto(QStringLiteral("DGD_TipoDocumento"));
        s.semplificata =
            s.tipoDocumento == u"TD07" || s.tipoDocumento == u"TD08" || s.tipoDocumento == u"TD09";
        s.fornitore =
            CodiceConto{t.leggiTesto(QStringLiteral("GruppoFor")), t.leggiTesto(QStringLiteral("MastroFor")),
                        t.leggiTesto(QStringLiteral("ContoFor")), 2};
        Recordset pc =
            db().ApriRs(QStringLiteral("Select * from PianoConti Where Gruppo = ") +
                        SqlValore(s.fornitore.gruppo, SqlTesto) + QStringLiteral(" And Mastro = ") +
                        SqlValore(s.fornitore.mastro, SqlTesto) + QStringLiteral(" And Conto = ") +
                        SqlValore(s.fornitore.conto, SqlTesto));
        s.fornitoreCollegato = CodiceConto{pc.leggiTesto(QStringLiteral("GruppoCFColl")),
                                           pc.leggiTesto(QStringLiteral("MastroCFColl")),
                                           pc.leggiTesto(QStringLiteral("ContoCFColl")), 3};
        s.causale = *CausaleContabile::leggi(db(), t.leggiTesto(QStringLiteral("Causale")));
        contiAzienda(db(), *parametri, s,
                     CodiceConto{t.leggiTesto(QStringLiteral("GruppoCassaPrev")).trimmed(),
                                 t.leggiTesto(QStringLiteral("MastroCassaPrev")).trimmed(),
                                 t.leggiTesto(QStringLiteral("ContoCassaPrev")).trimmed(), 1});
        s.contabilitaOrdinaria =
            db().valore(
                    QStringLiteral("Select TipoContabilita from IvaRiep Where Anno = %1 Order by Attivita")
                        .arg(k.anno))
                .toString()
                .trimmed() == u"G";
        menu.imposta(QStringLiteral("Personal.PN.RitAccFornAutom"), QString::number(ritAccFornAutom));
        s.parametri = ParametriContabilizzazione::leggi(configurazione.get());
        TestataPn& h = s.testata;
        h.anno = k.anno;
        h.numReg = prossimoNumeroReg(db(), *parametri, QStringLiteral("MovPnTesFatt"), k.anno);
        h.dataReg = h.dataDoc = h.dataProt = QDate(k.anno, 3, 10);
        h.causale = s.causale.causale;
        h.numDoc = t.leggiTesto(QStringLiteral("DGD_Numero"));
        h.numProt = 1;
        h.moneta = QStringLiteral("EUR");
        h.xmlAnno = k.anno;
        h.xmlNumRif = k.numero;
        scriviTestata(db(), h);
        return s;
    }

    bool contabilizza(StatoContabilizzazione& s, QString& errori) {
        return scriviRigheFattura(db(), *parametri, s, errori);
    }

    // "RigReg Tipo:G-M-C DareAvere Importo", then for VAT rows "Iva Imposta Indetr Forzatura",
    // for the VAT-account row "I", and the counterpart "> Tipo:G-M-C" when there is one.
    QStringList righe(int anno, qint64 numReg) {
        QStringList v;
        Recordset r = db().ApriRs(
            QStringLiteral("Select * from MovPnDettFatt Where Anno = %1 And NumReg = %2 Order by RigReg")
                .arg(anno)
                .arg(numReg));
        for (; !r.RsEof(); r.RsMoveNext()) {
            const auto euro = [&](const char* c) {
                return r.leggiValuta(QLatin1String(c)).value_or(Currency()).testoXml();
            };
            QString t =
                QStringLiteral("%1 %2:%3-%4-%5 %6 %7")
                    .arg(r.leggiTesto(QStringLiteral("RigReg")), r.leggiTesto(QStringLiteral("TipoPartita")),
                         r.leggiTesto(QStringLiteral("GruppoPartita")),
                         r.leggiTesto(QStringLiteral("MastroPartita")),
                         r.leggiTesto(QStringLiteral("ContoPartita")),
                         r.leggiTesto(QStringLiteral("DareAvere")), euro("Importo"));
            if (!r.leggiTesto(QStringLiteral("Iva")).isEmpty())
                t += u' ' + r.leggiTesto(QStringLiteral("Iva")) + u' ' + euro("Imposta") + u' ' +
                     euro("ImpostaIndetr") + u' ' + r.leggiTesto(QStringLiteral("Forzatura"));
            else if (r.leggiTesto(QStringLiteral("Forzatura")) == u"I")
                t += QStringLiteral(" I");
            if (!r.leggiTesto(QStringLiteral("ContoCPartita")).isEmpty())
                t += QStringLiteral(" > %1:%2-%3-%4")
                         .arg(r.leggiTesto(QStringLiteral("TipoCPartita")),
                              r.leggiTesto(QStringLiteral("GruppoCPartita")),
                              r.leggiTesto(QStringLiteral("MastroCPartita")),
                              r.leggiTesto(QStringLiteral("ContoCPartita")));
            v << t;
        }
        return v;
    }

    // "Iva Tipo:G-M-C Imponibile Imposta ImpostaND" per VAT register row.
    QStringList righeIva(int anno, qint64 numReg) {
        QStringList v;
        Recordset r = db().ApriRs(
            QStringLiteral("Select * from MovPnIvaFatt Where Anno = %1 And NumReg = %2 Order by RigaIva")
                .arg(anno)
                .arg(numReg));
        for (; !r.RsEof(); r.RsMoveNext()) {
            const auto euro = [&](const char* c) {
                return r.leggiValuta(QLatin1String(c)).value_or(Currency()).testoXml();
            };
            v << QStringLiteral("%1 %2:%3-%4-%5 %6 %7 %8")
                     .arg(r.leggiTesto(QStringLiteral("Iva")), r.leggiTesto(QStringLiteral("TipoPartita")),
                          r.leggiTesto(QStringLiteral("GruppoPartita")),
                          r.leggiTesto(QStringLiteral("MastroPartita")),
                          r.leggiTesto(QStringLiteral("ContoPartita")), euro("Imponibile"), euro("Imposta"),
                          euro("ImpostaND"));
        }
        return v;
    }

    QString campoTestata(int anno, qint64 numReg, const QString& campo) {
        return db()
            .valore(QStringLiteral("Select %1 from MovPnTesFatt Where Anno = %2 And NumReg = %3")
                        .arg(campo)
                        .arg(anno)
                        .arg(numReg))
            .toString();
    }

    // Every staging registration balances: Dare and Avere rows add up to the same amount.
    void verificaBilanciate() {
        Recordset r = db().ApriRs(QStringLiteral(
            "Select Anno, NumReg, Sum(CASE WHEN DareAvere = 'D' THEN Importo ELSE 0 END) AS Dare,"
            " Sum(CASE WHEN DareAvere = 'A' THEN Importo ELSE 0 END) AS Avere"
            " From MovPnDettFatt Group by Anno, NumReg"));
        for (; !r.RsEof(); r.RsMoveNext())
            EXPECT_EQ(r.leggiValuta(QStringLiteral("Dare")), r.leggiValuta(QStringLiteral("Avere")))
                << "registrazione " << r.leggiTesto(QStringLiteral("NumReg")).toStdString();
    }

    qint64 conta(const QString& tabella) {
        return db().valore(QStringLiteral("Select count(*) from ") + tabella).toLongLong();
    }
};

// ---- Amount rules -------------------------------------------------------------------------------

struct CasoImporti {
    const char* descrizione;
    bool arrotIvaEuro;
    const char* lordo;
    int aliquota;
    const char* imponibile; // taxable part extracted
    const char* imposta;    // rate x taxable
};

void PrintTo(const CasoImporti& c, std::ostream* os) {
    *os << c.descrizione;
}

class RegoleImportiCasi : public ::testing::TestWithParam<CasoImporti> {};

TEST_P(RegoleImportiCasi, shouldExtractTheTaxablePartWithoutExceedingTheAmount) {
    const CasoImporti& c = GetParam();
    RegoleImporti r;
    r.arrotIvaEuro = c.arrotIvaEuro;
    const Currency aliquota = Currency::daUnita(c.aliquota);
    const Currency t = r.scorporo(euro(c.lordo), aliquota);
    EXPECT_EQ(t.testoXml(), QString::fromLatin1(c.imponibile));
    EXPECT_EQ(r.percentuale(t, aliquota).testoXml(), QString::fromLatin1(c.imposta));
    EXPECT_LE((t + r.percentuale(t, aliquota)).assoluto(), euro(c.lordo).assoluto());
}

INSTANTIATE_TEST_SUITE_P(
    Scorporo, RegoleImportiCasi,
    ::testing::Values(CasoImporti{"esatto", false, "122", 22, "100.00", "22.00"},
                      CasoImporti{"arrotondato", false, "10.01", 22, "8.20", "1.80"},
                      CasoImporti{"rifatto troncando", false, "0.08", 22, "0.06", "0.01"},
                      CasoImporti{"ArrotIvaEuro tronca", true, "0.13", 22, "0.10", "0.02"},
                      CasoImporti{"senza ArrotIvaEuro arrotonda", false, "0.13", 22, "0.11", "0.02"},
                      CasoImporti{"negativo", false, "-10.01", 22, "-8.20", "-1.80"}));

// With or without ArrotIvaEuro a credit note's VAT mirrors its invoice's to the cent.
TEST(RegoleImportiPercentuale, shouldRoundHalvesAwayFromZeroAndToTheCurrencysDecimals) {
    for (const bool arrotIvaEuro : {false, true}) {
        RegoleImporti r;
        r.arrotIvaEuro = arrotIvaEuro;
        EXPECT_EQ(r.percentuale(euro("0.25"), euro("50")).testoXml(), QStringLiteral("0.13"));
        EXPECT_EQ(r.percentuale(euro("-0.25"), euro("50")).testoXml(), QStringLiteral("-0.13"));
        EXPECT_EQ(r.percentuale(euro("0.25"), euro("-50")).testoXml(), QStringLiteral("-0.13"));
        EXPECT_EQ(r.arrotonda(euro("1.005")).testoXml(), QStringLiteral("1.01"));
        EXPECT_EQ(r.arrotonda(euro("-1.005")).testoXml(), QStringLiteral("-1.01"));
        r.decimali = 0;
        EXPECT_EQ(r.percentuale(euro("5"), euro("10")).testoXml(0), QStringLiteral("1"));
        EXPECT_EQ(r.percentuale(euro("-5"), euro("10")).testoXml(0), QStringLiteral("-1"));
        EXPECT_EQ(r.percentuale(euro("4"), euro("10")).testoXml(0), QStringLiteral("0"));
    }
}

// ---- Line groups and their faults ---------------------------------------------------------------

TEST_F(RigheFattura, shouldFailWithMancanoIDettagliWhenEveryLineIsDescriptive) {
    RigaProva descrittiva;
    descrittiva.tipoRiga = QStringLiteral("DE");
    descrittiva.iva = QStringLiteral("22");
    descrittiva.conto = {"60", "10", "1001"};
    RigaProva esclusa = descrittiva;
    esclusa.tipoRiga = QStringLiteral("ID");
    esclusa.prezzo = 100;
    auto s = prepara(FatturaProva(db()).riga(descrittiva).riga(esclusa).scrivi());
    QString errori;
    EXPECT_FALSE(contabilizza(s, errori));
    EXPECT_EQ(errori, Crlf + QStringLiteral("Mancano i dettagli"));
    EXPECT_EQ(conta(QStringLiteral("MovPnDettFatt")), 0);
}

TEST_F(RigheFattura, shouldReportEveryFaultyGroupBeforeFailing) {
    auto s = prepara(FatturaProva(db())
                         .riga(10, QString(), {"60", "10", "1001"})
                         .riga(20, QStringLiteral("22"), {"60", "10", ""})
                         .riga(30, QStringLiteral("22"), {"60", "10", "9999"})
                         .riga(40, QStringLiteral("XX"), {"60", "10", "1002"})
                         .riga(50, QStringLiteral("22"), {"60", "10", "1003"})
                         .scrivi());
    QString errori;
    EXPECT_FALSE(contabilizza(s, errori));
    const QStringList messaggi = errori.split(Crlf, Qt::SkipEmptyParts);
    EXPECT_EQ(messaggi.size(), 4) << errori.toStdString();
    EXPECT_TRUE(messaggi.contains(QStringLiteral("Manca il codice iva")));
    EXPECT_TRUE(messaggi.contains(QStringLiteral("Manca il codice della contropartita")));
    EXPECT_TRUE(messaggi.contains(QStringLiteral("Contropartita inesistente (60-10-9999)")));
    EXPECT_TRUE(messaggi.contains(QStringLiteral("Codice iva inesistente (XX)")));
}

TEST_F(RigheFattura, shouldGroupLinesByAccountAndVatCode) {
    const auto k =
        FatturaProva(db())
            .riga(100, QStringLiteral("22"), {"60", "10", "1001"})
            .riga(RigaProva{.prezzo = 10, .iva = "22", .conto = {"60", "10", "1001"}, .tipoRiga = "DE"})
            .riga(50, QStringLiteral("22"), {"60", "10", "1001"})
            .riga(30, QStringLiteral("10"), {"60", "10", "1001"})
            .riga(20, QStringLiteral("22"), {"60", "10", "1003"})
            .iva(10, 30, 3)
            .iva(22, 170, "37.40")
            .scrivi();
    auto s = prepara(k);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    EXPECT_EQ(righe(k.anno, s.testata.numReg),
              (QStringList{"1 2:40-10-1001 A 240.40", "2 1:60-10-1001 D 30.00 10 3.00 0.00 N > 2:40-10-1001",
                           "3 1:60-10-1001 D 150.00 22 33.00 0.00 N > 2:40-10-1001",
                           "4 1:60-10-1003 D 20.00 22 4.40 0.00 N > 2:40-10-1001",
                           "5 1:20-30-1001 D 40.40 I > 2:40-10-1001"}));
    EXPECT_EQ(righeIva(k.anno, s.testata.numReg),
              (QStringList{"10 2:40-10-1001 30.00 3.00 0.00", "22 2:40-10-1001 170.00 37.40 0.00"}));
    EXPECT_EQ(s.totImponibile, Currency::daUnita(200));
    ASSERT_EQ(s.riepilogo.size(), 2u);
    EXPECT_EQ(s.riepilogo[1].iva, QStringLiteral("22"));
    EXPECT_EQ(s.riepilogo[1].imposta, euro("37.40"));
    verificaBilanciate();
}

TEST_F(RigheFattura, shouldPutNonDeductibleVatIntoTheCost) {
    db().EseguiSql(
        QStringLiteral("INSERT INTO TabIva (Iva, Descrizione, Aliquota, TipoIva, PercNonDetr, RevCharge)"
                       " VALUES ('22I10', 'Iva 22% indetraibile 10%', 22, '1', 10, 'N')"));
    const auto k =
        FatturaProva(db()).riga(100, QStringLiteral("22I10"), {"60", "10", "1005"}).iva(22, 100, 22).scrivi();
    auto s = prepara(k);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    EXPECT_EQ(
        righe(k.anno, s.testata.numReg),
        (QStringList{"1 2:40-10-1001 A 122.00", "2 1:60-10-1005 D 102.20 22I10 22.00 2.20 N > 2:40-10-1001",
                     "3 1:20-30-1001 D 19.80 I > 2:40-10-1001"}));
    EXPECT_EQ(righeIva(k.anno, s.testata.numReg), QStringList{"22I10 2:40-10-1001 100.00 22.00 2.20"});
    verificaBilanciate();
}

TEST_F(RigheFattura, shouldRoundNonDeductibleVatOnTheCodeTotal) {
    // 0.11 of VAT each: 40% is 0.04 per row but 0.09 on the code's 0.22
    const auto k = FatturaProva(db())
                       .riga("0.50", QStringLiteral("22I40"), {"60", "10", "1005"})
                       .riga("0.50", QStringLiteral("22I40"), {"10", "10", "1005"})
                       .scrivi();
    auto s = prepara(k);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    const QVariant somma = db().valore(
        QStringLiteral(
            "Select Sum(ImpostaIndetr) from MovPnDettFatt Where Anno = %1 And NumReg = %2 And RigReg > 1")
            .arg(k.anno)
            .arg(s.testata.numReg));
    EXPECT_EQ(Currency::daVariant(somma), euro("0.09"));
    EXPECT_EQ(s.totIndetraibile, euro("0.09"));
    EXPECT_EQ(righe(k.anno, s.testata.numReg).last(),
              QStringLiteral("4 1:20-30-1001 D 0.13 I > 2:40-10-1001"));
    verificaBilanciate();
}

TEST_F(RigheFattura, shouldMoveTheDocumentsCentOntoOneLineAndMarkItForced) {
    // 22% of 10.01 and of 20.02 rounds to 2.20 + 4.40; the document says 6.61
    const auto k = FatturaProva(db())
                       .riga("10.01", QStringLiteral("22"), {"60", "10", "1001"})
                       .riga("20.02", QStringLiteral("22"), {"60", "10", "1003"})
                       .iva(22, "30.03", "6.61")
                       .scrivi();
    auto s = prepara(k);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    EXPECT_EQ(righe(k.anno, s.testata.numReg),
              (QStringList{"1 2:40-10-1001 A 36.64", "2 1:60-10-1001 D 10.01 22 2.20 0.00 N > 2:40-10-1001",
                           "3 1:60-10-1003 D 20.02 22 4.41 0.00 S > 2:40-10-1001",
                           "4 1:20-30-1001 D 6.61 I > 2:40-10-1001"}));
    verificaBilanciate();
}

TEST_F(RigheFattura, shouldMirrorEverySideOnACreditNote) {
    const auto k = FatturaProva(db())
                       .tipoDocumento(QStringLiteral("TD04"))
                       .causale(QStringLiteral("NCA"))
                       .riga(100, QStringLiteral("22"), {"60", "10", "1001"})
                       .iva(22, 100, 22)
                       .scrivi();
    auto s = prepara(k);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    EXPECT_EQ(
        righe(k.anno, s.testata.numReg),
        (QStringList{"1 2:40-10-1001 D 122.00", "2 1:60-10-1001 A 100.00 22 22.00 0.00 N > 2:40-10-1001",
                     "3 1:20-30-1001 A 22.00 I > 2:40-10-1001"}));
    EXPECT_EQ(righeIva(k.anno, s.testata.numReg), QStringList{"22 2:40-10-1001 -100.00 -22.00 0.00"});
    verificaBilanciate();
}

TEST_F(RigheFattura, shouldTakeVatAmountOrRateOfSimplifiedInvoiceLines) {
    const auto k =
        FatturaProva(db())
            .tipoDocumento(QStringLiteral("TD07"))
            // the VAT amount is given: 122 including 22
            .riga(RigaProva{.prezzo = 122,
                            .iva = "22",
                            .conto = {"60", "10", "1001"},
                            .numIvaDoppia = -999,
                            .aliquota = tesel::prova::Euro(22)})
            // the rate is given on a VAT-inclusive 61
            .riga(RigaProva{.prezzo = 61, .iva = "22", .conto = {"60", "10", "1003"}, .numIvaDoppia = -998})
            .riga(RigaProva{
                .prezzo = "10.01", .iva = "22", .conto = {"60", "10", "1004"}, .numIvaDoppia = -998})
            .scrivi();
    auto s = prepara(k);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    const QStringList r = righe(k.anno, s.testata.numReg);
    EXPECT_EQ(r.filter(QStringLiteral("60-10-1001 D 100.00 22 22.00 0.00 S")).size(), 1)
        << r.join(u'\n').toStdString();
    EXPECT_EQ(r.filter(QStringLiteral("60-10-1003 D 50.00 22 11.00 0.00 N")).size(), 1)
        << r.join(u'\n').toStdString();
    // 10.01 / 1.22 = 8.2049 -> 8.20, VAT 1.81 while 22% of 8.20 is 1.80: forced
    EXPECT_EQ(r.filter(QStringLiteral("60-10-1004 D 8.20 22 1.81 0.00 S")).size(), 1)
        << r.join(u'\n').toStdString();
    EXPECT_EQ(r.first(), QStringLiteral("1 2:40-10-1001 A 193.01"));
    verificaBilanciate();
}

// ---- Withholding tax ----------------------------------------------------------------------------

TEST_F(RigheFattura, shouldNetTheWithholdingInTheInvoiceWithMode1) {
    const auto k = FatturaProva(db())
                       .fornitore(QStringLiteral("40"), QStringLiteral("10"), QStringLiteral("1005"))
                       .riga(1000, QStringLiteral("22"), {"60", "20", "1003"})
                       .iva(22, 1000, 220)
                       .ritenuta(200)
                       .scrivi();
    auto s = prepara(k, 1);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    EXPECT_EQ(
        righe(k.anno, s.testata.numReg),
        (QStringList{"1 2:40-10-1005 A 1020.00", "2 1:60-20-1003 D 1000.00 22 220.00 0.00 N > 2:40-10-1005",
                     "3 1:40-20-1002 A 200.00 > 2:40-10-1005", "4 1:20-30-1001 D 220.00 I > 2:40-10-1005"}));
    EXPECT_EQ(s.numRegRitenuta, 0);
    EXPECT_EQ(s.totRitenuta, Currency::daUnita(200));
    verificaBilanciate();
}

TEST_F(RigheFattura, shouldWriteTheWithholdingApartWithMode2) {
    const auto k = FatturaProva(db())
                       .fornitore(QStringLiteral("40"), QStringLiteral("10"), QStringLiteral("1005"))
                       .riga(1000, QStringLiteral("22"), {"60", "20", "1003"})
                       .iva(22, 1000, 220)
                       .ritenuta(150)
                       .ritenuta(50, QStringLiteral("RT02"))
                       .ritenuta(30, QStringLiteral("RT03")) // a contribution, not a withholding
                       .scrivi();
    auto s = prepara(k, 2);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    EXPECT_EQ(righe(k.anno, s.testata.numReg).first(), QStringLiteral("1 2:40-10-1005 A 1220.00"));
    ASSERT_EQ(s.numRegRitenuta, s.testata.numReg + 1);
    EXPECT_EQ(righe(k.anno, s.numRegRitenuta), (QStringList{"1 2:40-10-1005 D 200.00 > 1:40-20-1002",
                                                            "2 1:40-20-1002 A 200.00 > 2:40-10-1005"}));
    EXPECT_EQ(campoTestata(k.anno, s.numRegRitenuta, QStringLiteral("Causale")), QStringLiteral("RIT"));
    EXPECT_EQ(campoTestata(k.anno, s.numRegRitenuta, QStringLiteral("XmlNumRif")), QString::number(k.numero));
    verificaBilanciate();
}

TEST_F(RigheFattura, shouldPostThePensionFundContributionWithItsVat) {
    const auto k = FatturaProva(db())
                       .fornitore(QStringLiteral("40"), QStringLiteral("10"), QStringLiteral("1006"))
                       .contoCassaPrev(QStringLiteral("60"), QStringLiteral("20"), QStringLiteral("1012"))
                       .riga(1000, QStringLiteral("22"), {"60", "20", "1004"})
                       .cassaPrevidenziale(40, QStringLiteral("22"))
                       .iva(22, 1040, "228.80")
                       .scrivi();
    auto s = prepara(k);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    EXPECT_EQ(
        righe(k.anno, s.testata.numReg),
        (QStringList{"1 2:40-10-1006 A 1268.80", "2 1:60-20-1004 D 1000.00 22 220.00 0.00 N > 2:40-10-1006",
                     "3 1:60-20-1012 D 40.00 22 8.80 0.00 N > 2:40-10-1006",
                     "4 1:20-30-1001 D 228.80 I > 2:40-10-1006"}));
    verificaBilanciate();
}

TEST_F(RigheFattura, shouldReportAMissingPensionFundVatCode) {
    auto s = prepara(FatturaProva(db())
                         .riga(1000, QStringLiteral("22"), {"60", "20", "1004"})
                         .cassaPrevidenziale(40, QString())
                         .scrivi());
    QString errori;
    EXPECT_FALSE(contabilizza(s, errori));
    EXPECT_EQ(errori, Crlf + QStringLiteral("Manca il codice iva per cassa previdenza"));
}

// ---- Free goods ---------------------------------------------------------------------------------

TEST_F(RigheFattura, shouldRegisterFreeGoodsWithTheirVatAgainstTheSupplier) {
    const auto k =
        FatturaProva(db())
            .riga(100, QStringLiteral("22"), {"60", "10", "1001"})
            .riga(RigaProva{.prezzo = 50, .iva = "22", .conto = {"60", "10", "1003"}, .omaggio = "S"})
            .scrivi();
    auto s = prepara(k);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    ASSERT_GT(s.numRegUlteriore, 0);
    EXPECT_EQ(righe(k.anno, s.numRegUlteriore), (QStringList{"1 1:60-40-1002 A 61.00 > 3:40-10-1001",
                                                             "2 2:40-10-1001 D 61.00 > 1:60-40-1002"}));
    EXPECT_EQ(campoTestata(k.anno, s.numRegUlteriore, QStringLiteral("Causale")), QStringLiteral("OMA"));
    verificaBilanciate();
}

// ---- Reverse charge -----------------------------------------------------------------------------

class ReverseCharge : public RigheFattura {
protected:
    ChiaveFattura fatturaEdile(const QString& numero = QStringLiteral("1")) {
        return FatturaProva(db())
            .numero(numero)
            .fornitore(QStringLiteral("40"), QStringLiteral("10"), QStringLiteral("1008"))
            .causale(QStringLiteral("FRC"))
            .riga(1000, QStringLiteral("RC63"), {"60", "20", "1009"})
            .iva(0, 1000, 0, QStringLiteral("RC63"))
            .scrivi();
    }
};

TEST_F(ReverseCharge, shouldSelfInvoiceOnTheSalesRegisterAndSettleTheCustomer) {
    const auto k = fatturaEdile();
    auto s = prepara(k);
    QString errori;
    ASSERT_TRUE(contabilizza(s, errori)) << errori.toStdString();
    EXPECT_EQ(
        righe(k.anno, s.testata.numReg),
        (QStringList{"1 2:40-10-1008 A 1220.00", "2 1:60-20-1009 D 1000.00 RC63 220.00 0.00 N > 2:40-10-1008",
                     "3 1:20-30-1001 D 220.00 I > 2:40-10-1008"}));
    ASSERT_EQ(s.numRegReverse1, s.testata.numReg + 1);
    EXPECT_EQ(
        righe(k.anno, s.numRegReverse1),
        (QStringList{"1 3:20-10-1001 D 1220.00", "2 1:60-20-1009 A 1000.00 RC63 220.00 0.00 N > 3:20-10-1001",
                     "3 1:40-20-1001 A 220.00 I > 3:20-10-1001"}));
    EXPECT_EQ(righeIva(k.anno, s.numRegReverse1), QStringList{"RC63 3:20-10-1001 1000.00 220.00 0.00"});
    EXPECT_EQ(campoTestata(k.anno, s.numRegReverse1, QStringLiteral("Causale")), QStringLiteral("ARC"));
    EXPECT_EQ(campoTestata(k.anno, s.numRegReverse1, QStringLiteral("PreProt")), QStringLiteral("RC"));
    EXPECT_EQ(campoTestata(k.anno, s.numRegReverse1, QStringLiteral("NumProt")), QStringLiteral("1"));
    ASSERT_EQ(s.numRegReverse2, s.testata.numReg + 2);
    EXPECT_EQ(righe(k.anno, s.numRegReverse2), (QStringList{"1 3:20-10-1001 A 1220.00 > 2:40-10-1008",
                                                            "2 2:40-10-1008 D 220.00 > 3:20-10-1001",
                                                            "3 1:60-20-1009 D 1000.00 > 3:20-10-1001"}));
    EXPECT_EQ(campoTestata(k.anno, s.numRegReverse2, QStringLiteral("Causale")), QStringLiteral("GRC"));
    verificaBilanciate();
}

TEST_F(ReverseCharge, shouldNumberConsecutiveSelfInvoicesOnTheSalesRegister) {
    auto primo = prepara(fatturaEdile(QStringLiteral("1")));
    QString errori;
    ASSERT_TRUE(contabilizza(primo, errori)) << errori.toStdString();
    auto secondo = prepara(fatturaEdile(QStringLiteral("2")));
    ASSERT_TRUE(contabilizza(secondo, errori)) << errori.toStdString();
    const int anno = primo.testata.anno;
    EXPECT_EQ(campoTestata(anno, primo.numRegReverse1, QStringLiteral("NumProt")), QStringLiteral("1"));
    EXPECT_EQ(campoTestata(anno, secondo.numRegReverse1, QStringLiteral("NumProt")), QStringLiteral("2"));
}

struct CasoReverseMancante {
    const char* descrizione;
    const char* preparazione; // SQL run on the demo company first
    const char* fornitore;
    const char* messaggio;
};

void PrintTo(const CasoReverseMancante& c, std::ostream* os) {
    *os << c.descrizione;
}

class ReverseChargeMancante : public ReverseCharge,
                              public ::testing::WithParamInterface<CasoReverseMancante> {};

TEST_P(ReverseChargeMancante, shouldFailWithTheReasonAndNoSelfInvoice) {
    const CasoReverseMancante& c = GetParam();
    db().EseguiSql(QString::fromUtf8(c.preparazione));
    const auto k =
        FatturaProva(db())
            .fornitore(QStringLiteral("40"), QStringLiteral("10"), QString::fromLatin1(c.fornitore))
            .causale(QStringLiteral("FRC"))
            .riga(1000, QStringLiteral("RC63"), {"60", "20", "1009"})
            .scrivi();
    auto s = prepara(k);
    QString errori;
    EXPECT_FALSE(contabilizza(s, errori));
    EXPECT_EQ(errori, Crlf + QString::fromUtf8(c.messaggio));
    EXPECT_EQ(s.numRegReverse1, 0);
    EXPECT_EQ(db().valore(QStringLiteral("Select NumDoc from LibriIva Where TipoReg = 'V' And Pref = 'RC'"))
                  .toInt(),
              0);
}

INSTANTIATE_TEST_SUITE_P(
    Casi, ReverseChargeMancante,
    ::testing::Values(
        CasoReverseMancante{
            "causale senza concatenata", "UPDATE Causali SET CausConcatenata = NULL WHERE Causale = 'FRC'",
            "1008",
            "Causale concatenata per creare movimenti Reverse-Charge non valida - impossibile creare i "
            "movimenti in automatico"},
        CasoReverseMancante{
            "concatenata inesistente", "UPDATE Causali SET CausConcatenata = 'XXX' WHERE Causale = 'FRC'",
            "1008",
            "Causale concatenata per creare movimenti Reverse-Charge non valida - impossibile creare i "
            "movimenti in automatico"},
        CasoReverseMancante{
            "nessun cliente collegato",
            "UPDATE Causali SET PartGruppo = NULL, PartMastro = NULL, PartConto = NULL"
            " WHERE Causale = 'ARC'",
            "1001",
            "Manca Conto cliente collegato per creare movimento Reverse-Charge - impossibile creare i "
            "movimenti in automatico"},
        CasoReverseMancante{
            "cliente collegato inesistente",
            "UPDATE PianoConti SET ContoCFColl = '9999' WHERE Gruppo = '40' AND Mastro = '10'"
            " AND Conto = '1008'",
            "1008",
            "Cliente collegato per creare movimenti RevCharge inesistente - impossibile creare i "
            "movimenti in automatico"}));

TEST_F(ReverseCharge, shouldFailWhenTheSettlingCausalIsMissing) {
    db().EseguiSql(QStringLiteral("UPDATE Causali SET CausConcatenata = NULL WHERE Causale = 'ARC'"));
    auto s = prepara(fatturaEdile());
    QString errori;
    EXPECT_FALSE(contabilizza(s, errori));
    EXPECT_EQ(errori,
              Crlf + QStringLiteral("Causale concatenata per creare movimenti Reverse-Charge non valida - "
                                    "Impossibile creare i movimenti in automatico"));
}

} // namespace
} // namespace tesel::posting
