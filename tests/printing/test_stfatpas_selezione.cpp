// Which invoices a print takes, on the engine of the run: each field of the dialog alone, the
// orders, one invoice, the list another program left in DocDaElab; the order checks; the
// numbers as the XML wrote them; the automatic PDF names.

#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "printing/stfatpas.h"
#include "support/dbprova.h"

#include <QDateTime>
#include <functional>
#include <gtest/gtest.h>

namespace tesel::stampa {
namespace {

class SelezioneStampaFatture : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaSchemaAzienda();
        // key, type, date, number, received, VAT number, fiscal code, printed, name, surname+name
        fattura("2023, 1", "TD01", "2023-05-10", "10/A", "'2023-05-11 18:30:00'", "111", "CF1", "'S'",
                "'Zeta Srl'", "NULL, NULL");
        fattura("2024, 1", "TD07", "2024-01-15", "7", "'2024-01-16 09:00:00'", "222", "CF2", "NULL", "NULL",
                "'Bianchi', 'Anna'");
        fattura("2024, 2", "TD01", "2024-03-01", "10/A", "NULL", "111", "CF1", "'N'", "'Alfa SpA'",
                "NULL, NULL");
        fattura("2024, 3", "TD04", "2024-12-31", "3", "'2024-12-31 00:00:00'", "000", "CF3", "''", "'Beta'",
                "NULL, NULL");
    }

    void fattura(const QString& chiave, const QString& tipo, const QString& data, const QString& numero,
                 const QString& ricevuta, const QString& piva, const QString& cf, const QString& stampato,
                 const QString& denominazione, const QString& cognomeNome) {
        db().EseguiSql(
            "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DGD_TipoDocumento, DGD_Data, DGD_Numero, "
            "DataRicSdi, CP_DA_IdFiscaleIVA_IdCodice, CP_DA_CodiceFiscale, Stampato, "
            "CP_DA_Anagrafica_Denominazione, CP_DA_Anagrafica_Cognome, CP_DA_Anagrafica_Nome) VALUES (" +
            chiave + ", '" + tipo + "', '" + data + " 00:00:00', '" + numero + "', " + ricevuta + ", '" +
            piva + "', '" + cf + "', " + stampato + ", " + denominazione + ", " + cognomeNome + ")");
    }

    // The invoices the print would take, as "year/number" in its order.
    QStringList prese(const OrigineStampa& o, OrdineStampa ordine = OrdineStampa::NumeroRiferimento) {
        QStringList r;
        Recordset rs = db().ApriRs(PrepSql(o, ordine));
        for (; !rs.RsEof(); rs.RsMoveNext())
            r << rs.leggiTesto("XmlAnno") + "/" + rs.leggiTesto("XmlNumRif");
        return r;
    }
};

TEST_F(SelezioneStampaFatture, eachFieldAloneSelectsItsInvoices) {
    struct Caso {
        const char* campo;
        std::function<void(SelezioneStampa&)> imposta;
        QStringList attese;
    };
    const QDate d1501(2024, 1, 15), d0103(2024, 3, 1), d1105(2023, 5, 11), d1601(2024, 1, 16);
    const std::vector<Caso> casi{
        {"nessuno", [](SelezioneStampa&) {}, {"2023/1", "2024/1", "2024/2", "2024/3"}},
        {"tipo", [](SelezioneStampa& s) { s.tipoDocumento = " TD01 "; }, {"2023/1", "2024/2"}},
        {"anno da", [](SelezioneStampa& s) { s.annoDa = 2024; }, {"2024/1", "2024/2", "2024/3"}},
        {"anno al", [](SelezioneStampa& s) { s.annoA = 2023; }, {"2023/1"}},
        {"numero dal", [](SelezioneStampa& s) { s.numeroDa = 2; }, {"2024/2", "2024/3"}},
        {"numero al", [](SelezioneStampa& s) { s.numeroA = 1; }, {"2023/1", "2024/1"}},
        {"data dal", [&](SelezioneStampa& s) { s.dataDa = d0103; }, {"2024/2", "2024/3"}},
        {"data al", [&](SelezioneStampa& s) { s.dataA = d1501; }, {"2023/1", "2024/1"}},
        {"numero documento", [](SelezioneStampa& s) { s.numeroDocumento = "10/A"; }, {"2023/1", "2024/2"}},
        {"ricezione dal", [&](SelezioneStampa& s) { s.ricezioneDa = d1601; }, {"2024/1", "2024/3"}},
        // 18:30 of the last day is in.
        {"ricezione al", [&](SelezioneStampa& s) { s.ricezioneA = d1105; }, {"2023/1"}},
        {"ricezione di un giorno",
         [&](SelezioneStampa& s) {
             s.ricezioneDa = d1105;
             s.ricezioneA = d1105;
         },
         {"2023/1"}},
        {"partita iva", [](SelezioneStampa& s) { s.partitaIva = "111"; }, {"2023/1", "2024/2"}},
        {"codice fiscale", [](SelezioneStampa& s) { s.codiceFiscale = "CF2"; }, {"2024/1"}},
        // Null, "N" and empty all count as not printed.
        {"solo non stampate",
         [](SelezioneStampa& s) {
             s.soloNonStampate = true;
             s.annoDa = 2023;
         },
         {"2024/1", "2024/2", "2024/3"}},
        {"valore con apice", [](SelezioneStampa& s) { s.partitaIva = "11'1"; }, {}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.campo);
        OrigineStampa o;
        c.imposta(o.selezione);
        EXPECT_EQ(prese(o), c.attese);
    }
}

TEST_F(SelezioneStampaFatture, ordersOneInvoiceAndTheListOfAnotherProgram) {
    const OrigineStampa tutte;
    // A missing company name sorts by surname and name.
    EXPECT_EQ(prese(tutte, OrdineStampa::RagioneSociale),
              QStringList({"2024/2", "2024/3", "2024/1", "2023/1"}));
    EXPECT_EQ(prese(tutte, OrdineStampa::PartitaIva), QStringList({"2024/3", "2023/1", "2024/2", "2024/1"}));

    OrigineStampa una;
    una.selezione.annoDa = 2023; // ignored: the one invoice is all
    una.unaFattura = ChiaveStampa{2024, 2};
    EXPECT_EQ(prese(una), QStringList{"2024/2"});

    for (const char* riga : {"'mario', 'StFatPas', 2023, 1", "'mario', 'StFatPas', 2024, 3",
                             "'anna', 'StFatPas', 2024, 1", "'mario', 'Altro', 2024, 2"})
        db().EseguiSql(QStringLiteral("INSERT INTO DocDaElab (Utente, Programma, Anno, NumReg) VALUES (%1)")
                           .arg(QLatin1String(riga)));
    OrigineStampa lista;
    lista.daDocDaElab = true;
    lista.utente = "mario";
    lista.programma = "StFatPas";
    EXPECT_EQ(prese(lista), QStringList({"2023/1", "2024/3"}));
    cancellaDocDaElab(db(), "mario", "StFatPas");
    EXPECT_TRUE(prese(lista).isEmpty());
    EXPECT_EQ(db().valore("SELECT COUNT(*) FROM DocDaElab").toInt(), 2);
}

TEST(ControlloOrdineStampa, eachPairOutOfOrderHasItsMessage) {
    SelezioneStampa s;
    EXPECT_EQ(controllaOrdine(s), QString());
    s.ricezioneDa = QDate(2024, 2, 1);
    s.ricezioneA = QDate(2024, 1, 31);
    EXPECT_EQ(controllaOrdine(s), "Si prega di inserire le date di Ricezione in ordine crescente");
    s.dataDa = QDate(2024, 2, 1);
    s.dataA = QDate(2024, 1, 31);
    EXPECT_EQ(controllaOrdine(s), "Si prega di inserire le date di Fattura in ordine crescente");
    s.numeroDa = 5;
    s.numeroA = 4;
    EXPECT_EQ(controllaOrdine(s), "Si prega di inserire i numeri riferimento in ordine crescente");
    s.annoDa = 2024;
    s.annoA = 2023;
    EXPECT_EQ(controllaOrdine(s), "Si prega di inserire le date riferimento in ordine crescente");
    s = {};
    s.annoDa = s.annoA = 2024;
    EXPECT_EQ(controllaOrdine(s), QString());
}

TEST(NumeriXml, printedWithTheDecimalsTheXmlWroteAlignedPerColumn) {
    const struct {
        const char* xml;
        int decimali;
        const char* atteso;
    } casi[] = {
        {"1234.5", 2, "1.234,50"}, {"7", 0, "7"},
        {"0.50", 2, "0,50"},       {"-1234567.12345678", 8, "-1.234.567,12345678"},
        {"0012.1", 3, "12,100"},   {"-0.00", 2, "0,00"},
        {"100", 2, "100,00"},      {"12.3456", 2, "12,3456"}, // never fewer decimals than written
        {"abc", 2, "abc"},         {"", 2, ""},
    };
    for (const auto& c : casi)
        EXPECT_EQ(XmlAllinStr(c.xml, c.decimali), c.atteso) << c.xml;
    EXPECT_EQ(XmlCalcNumDec("12.500"), 3);
    EXPECT_EQ(XmlCalcNumDec("7"), 0);
    EXPECT_EQ(XmlCalcNumDec("1,5"), 0);

    const auto riga = [](const char* q, const char* p, const char* t) {
        RigaStore r;
        r.colonne = {{"QuantitaStr", q}, {"PrezzoUnitarioStr", p}, {"PrezzoTotaleStr", t}};
        return r;
    };
    const DecimaliRighe d = LeggiNumDec({riga("1", "10.00", "10.00"), riga("2.500", "3.12345", "7.81")});
    EXPECT_EQ(d.quantita, 3);
    EXPECT_EQ(d.prezzo, 5);
    EXPECT_EQ(d.totale, 2);
    EXPECT_EQ(d.sconto, 0);
}

TEST(NomePdf, thePlaceholdersOfTheInvoiceAndOfTheWorkstationAreReplaced) {
    RigaStore t;
    t.colonne = {{"DGD_Data", QDate(2024, 1, 5)},
                 {"DGD_TipoDocumento", "TD04"},
                 {"DGD_Numero", "12/A/2024"},
                 {"CP_DA_IdFiscaleIVA_IdCodice", "01234567890"},
                 {"CP_DA_Anagrafica_Denominazione", QVariant()},
                 {"CP_DA_Anagrafica_Cognome", "Rossi"},
                 {"CP_DA_Anagrafica_Nome", "Mario"},
                 {"GruppoFor", "40"},
                 {"MastroFor", "10"},
                 {"ContoFor", "1001"}};
    ContestoNomi altri;
    altri.postazione = {"PC01", "mario", "amm"};
    altri.azienda.descAzie = "Demo/Srl";
    EXPECT_EQ(sostituisciSegnaposti("§Data§ §DataRov§ §DataMeno§ §DataLong§ §DataAbb§", t, altri),
              "05012024 20240105 05-01-2024 05 gennaio 2024 05 gen 2024");
    EXPECT_EQ(
        sostituisciSegnaposti("§tipodoc§-§PartIva§-§RagSoc§-§Conto§-§Numero§-§Terminale§-§login§", t, altri),
        "TD04-01234567890-Rossi Mario-40-10-1001-12_A_2024-PC01-mario");
    // The company's name cannot make a folder either; an unknown name and a lone "§" stay.
    EXPECT_EQ(sostituisciSegnaposti("§DescAzie§_§Numero§ §Ignoto§ §", t, altri),
              "Demo_Srl_12_A_2024 §Ignoto§ §");

    RegoleNomePdf regole;
    EXPECT_EQ(nomePdfFattura(regole, t, altri), "TD04_01234567890_12_A_2024_20240105.pdf");
    regole.conData = false;
    regole.inizio = "Acq_";
    regole.fine = "_copia";
    EXPECT_EQ(nomePdfFattura(regole, t, altri), "Acq_TD04_01234567890_12_A_2024_copia.pdf");
    // A supplier's name never makes a folder, nor a hidden file.
    t.colonne[4].second = "../A/B: Srl";
    regole.modello = "§RagSoc§.PDF";
    EXPECT_EQ(nomePdfFattura(regole, t, altri), "_A_B_ Srl.PDF");
    regole.riepilogo = "Passive";
    regole.riepData = true;
    EXPECT_EQ(nomePdfRiepilogo(regole, QDate(2024, 6, 30)), "Passive_20240630.pdf");
}

} // namespace
} // namespace tesel::stampa
