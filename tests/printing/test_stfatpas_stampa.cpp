// The received-invoice print on real invoices: every sample of the fixtures, imported into the
// demo company, prints to its own PDF whose text carries the invoice's number, date, total and
// supplier; the headings of a simplified invoice; a long invoice continued with "SEGUE"; the run
// interrupted between invoices; the printed flags.

#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "pdfprova.h"
#include "printing/lumostampe.h"
#include "printing/stfatpas.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

namespace tesel::stampa {
namespace {

class StampaFatture : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        parametri_ = std::make_unique<ParametriAzienda>(db());
    }

    // Imports every invoice of the fixtures' folders; answers how many bodies were stored.
    int importaCampioni() {
        OpzioniImport o;
        o.creaFornitori = true;
        o.gruppoFornitori = QStringLiteral("40");
        o.mastroFornitori = QStringLiteral("10");
        ImportatoreFatture imp(db(), ui_, *parametri_, o);
        int ok = 0;
        QDirIterator it(prova::fileFixture(QStringLiteral("fatture")), {"*.xml", "*.p7m"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            for (const EsitoImport& e : imp.importa(it.next()))
                ok += e.ok ? 1 : 0;
        return ok;
    }

    // Stored keys in key order.
    std::vector<ChiaveStampa> chiavi(const QString& condizione = {}) {
        std::vector<ChiaveStampa> v;
        Recordset rs = db().ApriRs("SELECT XmlAnno, XmlNumRif FROM FatXmlTest" + condizione +
                                   " ORDER BY XmlAnno, XmlNumRif");
        for (; !rs.RsEof(); rs.RsMoveNext())
            v.push_back({int(*rs.leggiIntero("XmlAnno")), qint32(*rs.leggiIntero("XmlNumRif"))});
        return v;
    }

    QString stampato(const ChiaveStampa& k) {
        return db()
            .valore(QStringLiteral("SELECT Stampato FROM FatXmlTest WHERE XmlAnno = %1 AND XmlNumRif = %2")
                        .arg(k.anno)
                        .arg(k.numero))
            .toString();
    }

    // An invoice written straight into the store: `righe` lines of 10.00 at 22%, one VAT row.
    ChiaveStampa scriviFattura(qint32 numero, const QString& tipo, int righe, const QString& nome) {
        const QString k = QStringLiteral("2024, %1").arg(numero);
        const Currency imponibile = Currency::daUnita(10).moltiplica(righe);
        const Currency imposta =
            Currency::percentuale(imponibile, Currency::daUnita(22), 2, Arrotondamento::A);
        db().EseguiSql(
            "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DGD_TipoDocumento, DGD_Numero, DGD_Data, "
            "CP_DA_IdFiscaleIVA_IdCodice, CP_DA_Anagrafica_Denominazione, DGD_ImportoTotaleDocumento, "
            "Stampato) VALUES (" +
            k + ", '" + tipo + "', 'N" + QString::number(numero) + "', '2024-02-0" +
            QString::number(1 + numero % 9) + " 00:00:00', '0123456789" + QString::number(numero % 10) +
            "', '" + nome + "', " + (imponibile + imposta).testoSql() + ", 'N')");
        for (int r = 1; r <= righe; ++r)
            db().EseguiSql("INSERT INTO FatXmlDett (XmlAnno, XmlNumRif, XmlRigDet, Descrizione, Quantita, "
                           "QuantitaStr, PrezzoUnitario, PrezzoUnitarioStr, PrezzoTotale, PrezzoTotaleStr, "
                           "AliquotaIVA, NumIvaDoppia) VALUES (" +
                           k + ", " + QString::number(r) + ", 'Riga " + QString::number(r) +
                           "', 1, '1.000', 10, '10.00', 10, '10.00', " +
                           (tipo == u"TD07" ? QStringLiteral("1.80, -999") : QStringLiteral("22, 0")) + ")");
        db().EseguiSql(
            "INSERT INTO FatXmlIva (XmlAnno, XmlNumRif, XmlRigDet, AliquotaIVA, ImponibileImporto, "
            "Imposta, EsigibilitaIVA) VALUES (" +
            k + ", 1, 22, " + imponibile.testoSql() + ", " + imposta.testoSql() + ", 'I')");
        return {2024, numero};
    }

    // The texts drawn on page `pagina` of the run.
    static QStringList testi(const LumoStampe& s, int pagina) {
        QStringList t;
        for (const Operazione& o : s.operazioni())
            if (o.pagina == pagina &&
                (o.tipo == TipoOperazione::Testo || o.tipo == TipoOperazione::TestoMultiriga))
                t << o.testo;
        return t;
    }
    // The x of the text drawn on page 1 whose text is `testo`; -1 when none.
    static double xDi(const LumoStampe& s, const QString& testo) {
        for (const Operazione& o : s.operazioni())
            if (o.pagina == 1 && o.tipo == TipoOperazione::Testo && o.testo == testo)
                return o.x;
        return -1;
    }

    std::unique_ptr<ParametriAzienda> parametri_;
    prova::InterazioneProva ui_;
    QTemporaryDir cartella_;
};

// Blanks of any kind collapsed, so a value found across the layout's spacing still matches.
QString compatto(QString t) {
    return t.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
}

TEST_F(StampaFatture, everyStoredSampleInvoicePrintsWithItsNumberDateTotalAndSupplier) {
    // Public samples that repeat another's supplier, number and date are refused by the import as
    // the same document; every one that is stored must print.
    const int importate = importaCampioni();
    ASSERT_GT(importate, 30);
    StFatPas st(db(), ui_);
    st.opzioni.destinazione = Destinazione::PdfPerFattura;
    st.opzioni.cartellaPdf = cartella_.filePath("pdf");
    st.opzioni.nomi.modello = QStringLiteral("§DataRov§_§PartIva§_§Numero§");
    const EsitoStampa esito = st.AvviaStampa();
    ASSERT_EQ(esito.fatture, importate) << esito.messaggi.join("\n").toStdString();
    ASSERT_EQ(esito.file.size(), importate);
    EXPECT_GE(esito.pagine, importate);

    int confrontate = 0;
    Recordset rs = db().ApriRs("SELECT * FROM FatXmlTest ORDER BY XmlAnno, XmlNumRif");
    for (int i = 0; !rs.RsEof(); rs.RsMoveNext(), ++i) {
        const QString testo = compatto(prova::testoPdf(esito.file[i]));
        const QString dove = esito.file[i] + " (" + rs.leggiTesto("NomeFile") + ")";
        SCOPED_TRACE(dove.toStdString());
        EXPECT_TRUE(testo.contains(rs.leggiTesto("DGD_Numero").trimmed())) << testo.left(400).toStdString();
        const auto data = dataOraDaVariant(rs.LeggiCampo("DGD_Data"));
        ASSERT_TRUE(data);
        EXPECT_TRUE(testo.contains(testoData(data->date())));
        if (const auto totale = rs.leggiValuta("DGD_ImportoTotaleDocumento")) {
            EXPECT_TRUE(testo.contains(formatta(*totale, u"#,##0.00")))
                << formatta(*totale, u"#,##0.00").toStdString();
        }
        QString nome = rs.leggiTesto("CP_DA_Anagrafica_Denominazione").trimmed();
        if (nome.isEmpty())
            nome = rs.leggiTesto("CP_DA_Anagrafica_Nome") + " " + rs.leggiTesto("CP_DA_Anagrafica_Cognome");
        for (const QString& parola : compatto(nome).split(' ', Qt::SkipEmptyParts))
            EXPECT_TRUE(testo.contains(parola)) << parola.toStdString();
        ++confrontate;
    }
    EXPECT_EQ(confrontate, importate);
    // The printer's and the PDF's runs mark what they printed.
    EXPECT_EQ(chiavi(" WHERE Stampato = 'S'").size(), std::size_t(importate));
}

TEST_F(StampaFatture, aSimplifiedInvoiceHeadsItsColumnsAmountAndTaxAnOrdinaryOnePriceAndAmount) {
    for (const auto& [tipo, terza, settima, assente] :
         {std::tuple{"TD07", "IMPORTO", "IMPOSTA", "PREZZO UN."},
          std::tuple{"TD01", "PREZZO UN.", "IMPORTO", "IMPOSTA"}}) {
        SCOPED_TRACE(tipo);
        cancellaFattura(db(), 2024, 1);
        scriviFattura(1, QString::fromLatin1(tipo), 2, "Rossi Srl");
        LumoStampe s;
        ASSERT_TRUE(s.apriPdf(cartella_.filePath(QString::fromLatin1(tipo) + ".pdf")));
        StFatPas st(db(), ui_);
        st.motore = &s;
        st.opzioni.destinazione = Destinazione::Video;
        st.origine.unaFattura = ChiaveStampa{2024, 1};
        ASSERT_EQ(st.AvviaStampa().fatture, 1);
        EXPECT_DOUBLE_EQ(xDi(s, QString::fromLatin1(terza)), 122);
        EXPECT_DOUBLE_EQ(xDi(s, QString::fromLatin1(settima)), 165);
        EXPECT_EQ(xDi(s, QString::fromLatin1(assente)), -1);
        // The preview only shows: nothing is marked printed.
        EXPECT_EQ(stampato({2024, 1}), "N");
    }
    // The simplified invoice's tax under "IMPOSTA", its total of two lines in the footer.
    const QString pdf = compatto(prova::testoPdf(cartella_.filePath("TD07.pdf")));
    EXPECT_TRUE(pdf.contains("1,80")) << pdf.toStdString();
}

TEST_F(StampaFatture, aLongInvoiceSaysSegueOnEveryPageButTheLastWhichCarriesTheTotals) {
    scriviFattura(1, "TD01", 70, "Lunga Srl");
    LumoStampe s;
    const QString file = cartella_.filePath("lunga.pdf");
    ASSERT_TRUE(s.apriPdf(file));
    StFatPas st(db(), ui_);
    st.motore = &s;
    const EsitoStampa esito = st.AvviaStampa();
    ASSERT_EQ(esito.fatture, 1);
    ASSERT_GE(esito.pagine, 2);
    const QString totale = formatta(Currency::daUnita(854), u"#,##0.00"); // 700 + 22%
    for (int p = 1; p <= esito.pagine; ++p) {
        SCOPED_TRACE(p);
        const QStringList t = testi(s, p);
        const bool ultima = p == esito.pagine;
        EXPECT_EQ(t.contains("SEGUE"), !ultima);
        EXPECT_EQ(t.contains(totale), ultima);
        // The header again on every page, with the page of the document.
        EXPECT_TRUE(t.contains("N1"));
        EXPECT_TRUE(t.contains(formattaIntero(p, u"000")));
    }
    // Every line printed once, in order, across the pages.
    QStringList righe;
    for (const Operazione& o : s.operazioni())
        if (o.testo.startsWith("Riga "))
            righe << o.testo;
    ASSERT_EQ(righe.size(), 70);
    // A new page's header does not leave its labels' style on the lines' figures.
    for (const Operazione& o : s.operazioni())
        if (o.testo == "10,00") {
            EXPECT_EQ(o.stile, "CorpoCampo") << "pagina " << o.pagina;
        }
    EXPECT_EQ(righe.front(), "Riga 1");
    EXPECT_EQ(righe.back(), "Riga 70");
    // And in the file: "SEGUE" on the first page, the total on the last.
    const QString prima = prova::eseguiPoppler("pdftotext", {"-f", "1", "-l", "1", "-layout", file, "-"});
    const QString ultima =
        prova::eseguiPoppler("pdftotext", {"-f", QString::number(esito.pagine), "-l",
                                           QString::number(esito.pagine), "-layout", file, "-"});
    EXPECT_TRUE(prima.contains("SEGUE"));
    EXPECT_FALSE(prima.contains(totale));
    EXPECT_TRUE(ultima.contains(totale));
    EXPECT_FALSE(ultima.contains("SEGUE"));
    EXPECT_EQ(stampato({2024, 1}), "S");
}

TEST_F(StampaFatture, summaryRowsAndAnnotationsBeyondTheirBoxesFollowTheLinesNothingIsLost) {
    scriviFattura(1, "TD01", 30, "Molte Aliquote Srl");
    // 14 more summary rows, each with its own figures, and 40 causal lines.
    for (int r = 2; r <= 15; ++r)
        db().EseguiSql(QStringLiteral("INSERT INTO FatXmlIva (XmlAnno, XmlNumRif, XmlRigDet, AliquotaIVA, "
                                      "ImponibileImporto, Imposta, Natura, RiferimentoNormativo) VALUES "
                                      "(2024, 1, %1, 0, %2, 0, 'N2.2', 'Art. %1')")
                           .arg(r)
                           .arg(r * 1000 + 1));
    QStringList causale;
    for (int c = 1; c <= 40; ++c)
        causale << QStringLiteral("Causale numero %1").arg(c);
    db().EseguiSql("UPDATE FatXmlTest SET DGD_Causale = '" + causale.join("§çé^?") + "'");
    LumoStampe s;
    ASSERT_TRUE(s.apriPdf(cartella_.filePath("molte.pdf")));
    StFatPas st(db(), ui_);
    st.motore = &s;
    const EsitoStampa esito = st.AvviaStampa();
    ASSERT_EQ(esito.fatture, 1);
    QStringList tutti;
    for (int p = 1; p <= esito.pagine; ++p)
        tutti << testi(s, p);
    const QString insieme = tutti.join('\n');
    for (int r = 2; r <= 15; ++r) {
        const QString imponibile = formatta(Currency::daUnita(r * 1000 + 1), u"#,##0.00");
        const QRegularExpression solo("(^|[^0-9.])" + QRegularExpression::escape(imponibile));
        EXPECT_EQ(insieme.count(solo), 1) << imponibile.toStdString();
        EXPECT_TRUE(insieme.contains(QStringLiteral("Art. %1").arg(r)));
    }
    for (const QString& c : causale)
        EXPECT_EQ(tutti.count(c), 1) << c.toStdString();
    EXPECT_EQ(tutti.count("RIEPILOGO IVA (seguito)"), 1);
    EXPECT_EQ(tutti.count("ANNOTAZIONI - VARIAZIONI (seguito)"), 1);
    EXPECT_TRUE(tutti.contains("Altre annotazioni dopo le righe del documento"));
    EXPECT_TRUE(tutti.contains("Altre righe del riepilogo IVA dopo le righe del documento"));
}

TEST_F(StampaFatture, anInterruptAfterTheSecondOfFiveInvoicesLeavesTwoMarkedPrinted) {
    for (qint32 n = 1; n <= 5; ++n)
        scriviFattura(n, "TD01", 3, QStringLiteral("Fornitore %1").arg(6 - n));
    StFatPas st(db(), ui_);
    st.opzioni.destinazione = Destinazione::PdfPerFattura;
    st.opzioni.cartellaPdf = cartella_.filePath("interrotta");
    st.ordine = OrdineStampa::RagioneSociale; // 5, 4, 3, ...
    int fatte = 0;
    st.dopoFattura = [&](const ChiaveStampa&, int) { return ++fatte == 2; };
    const EsitoStampa esito = st.AvviaStampa();
    EXPECT_TRUE(esito.interrotta);
    EXPECT_EQ(esito.fatture, 2);
    EXPECT_EQ(esito.file.size(), 2);
    EXPECT_EQ(QDir(st.opzioni.cartellaPdf).entryList(QDir::Files).size(), 2);
    QStringList segnate;
    for (const ChiaveStampa& k : chiavi(" WHERE Stampato = 'S'"))
        segnate << QString::number(k.numero);
    EXPECT_EQ(segnate, QStringList({"4", "5"}));
}

TEST_F(StampaFatture, aPdfThatCannotBeWrittenStopsTheRunAndMarksNothing) {
    scriviFattura(1, "TD01", 1, "Rossi Srl");
    scriviFattura(2, "TD01", 1, "Rossi Srl");
    StFatPas st(db(), ui_);
    st.opzioni.destinazione = Destinazione::PdfPerFattura;
    st.opzioni.cartellaPdf = cartella_.filePath("occupata");
    st.opzioni.nomi.modello = "§Numero§";
    // A folder where the first file should go: not even the superuser can write it.
    ASSERT_TRUE(QDir().mkpath(st.opzioni.cartellaPdf + "/N1.pdf"));
    const EsitoStampa esito = st.AvviaStampa();
    EXPECT_TRUE(esito.erroreFile);
    EXPECT_EQ(esito.fatture, 0);
    EXPECT_TRUE(chiavi(" WHERE Stampato = 'S'").empty());
    ASSERT_EQ(ui_.mostrati.size(), 1);
    EXPECT_TRUE(ui_.mostrati[0].testo.contains("N1.pdf")) << ui_.mostrati[0].testo.toStdString();
}

TEST_F(StampaFatture, anEmptySelectionSaysSoAndPrintsNothing) {
    scriviFattura(1, "TD01", 1, "Rossi Srl");
    StFatPas st(db(), ui_);
    st.opzioni.destinazione = Destinazione::PdfUnico;
    st.opzioni.filePdf = cartella_.filePath("vuota.pdf");
    st.origine.selezione.annoDa = 2025;
    const EsitoStampa esito = st.AvviaStampa();
    EXPECT_EQ(esito.fatture, 0);
    EXPECT_EQ(ui_.testiMostrati(), QStringList{"Non ci sono dati nell'intervallo richiesto"});
    EXPECT_FALSE(QFile::exists(st.opzioni.filePdf));
    // The single PDF of a run marks its invoices once written.
    st.origine.selezione = {};
    const EsitoStampa tutte = st.AvviaStampa();
    EXPECT_EQ(tutte.fatture, 1);
    EXPECT_EQ(prova::paginePdf(st.opzioni.filePdf), 1);
    EXPECT_EQ(stampato({2024, 1}), "S");
}

} // namespace
} // namespace tesel::stampa
