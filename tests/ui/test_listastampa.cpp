// The list component's print: the filtered rows in the grid's order, all or only the visible
// columns, in landscape, read back from the PDF's text.

#include "formprova.h"

#include "frame/database.h"
#include "printing/lumostampe.h"
#include "printing/pdfprova.h"
#include "ui/lista.h"

#include <QFont>
#include <QHeaderView>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTableView>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

class StampaLista : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaSchemaAzienda();
    }
    std::unique_ptr<LumoComlin> lista() {
        auto l = std::make_unique<LumoComlin>(db(), &ui);
        l->impostaTabella("FatXmlTest");
        const std::tuple<const char*, const char*, TipoColonna> colonne[]{
            {"NumRif", "XmlNumRif", TipoColonna::Intero},
            {"NumDoc", "DGD_Numero", TipoColonna::Testo},
            {"Causale", "Causale", TipoColonna::Testo},
            {"PartitaIva", "CP_DA_IdFiscaleIVA_IdCodice", TipoColonna::Testo},
            {"TotaleDoc", "DGD_ImportoTotaleDocumento", TipoColonna::Valuta}};
        for (const auto& [alias, campo, tipo] : colonne)
            l->aggiungiColonna({alias, QString("FatXmlTest.") + campo, alias, tipo, {}, 1200, true});
        l->impostaChiave({"FatXmlTest.XmlAnno", "FatXmlTest.XmlNumRif"});
        l->impostaOrdinePredefinito({{"FatXmlTest.XmlNumRif"}});
        return l;
    }
    // Prints the list on a PDF of A4 in the given orientation; answers the file.
    QString stampaPdf(LumoComlin& l, QPageLayout::Orientation o, bool soloVisibili,
                      stampa::EsitoStampaLista* esito = nullptr) {
        const QString f = dir.filePath(QStringLiteral("lista.pdf"));
        stampa::LumoStampe s;
        s.impostaFormato(QPageSize(QPageSize::A4), o);
        EXPECT_TRUE(s.apriPdf(f));
        stampa::ImpostazioniStampaLista imp;
        imp.titolo = QStringLiteral("Fatture ricevute");
        imp.azienda = QStringLiteral("Rossi & Figli S.r.l.");
        const auto e = l.AvviaStampa(s, soloVisibili, QFont(QStringLiteral("Arial"), 10), imp);
        EXPECT_TRUE(s.fine()) << s.errore().toStdString();
        if (esito)
            *esito = e;
        return f;
    }
    prova::InterazioneProva ui;
    QTemporaryDir dir;
};

TEST_F(StampaLista, landscapeWithTheVisibleColumnsOnlyPrintsTheFilteredRows) {
    db().EseguiSql(
        "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DGD_Numero, Causale, CP_DA_IdFiscaleIVA_IdCodice, "
        "DGD_ImportoTotaleDocumento) VALUES "
        "(2024, 1, 'A/1', 'FAA', '01234567897', 1234.5), "
        "(2024, 2, 'B/2', 'NCA', '07654321098', -99.99), "
        "(2024, 3, 'C/3', 'FAA', '05555555555', 0.01)");
    auto l = lista();
    QLineEdit causale;
    l->registraFiltro("Causale", "=", &causale);
    causale.setText("FAA");
    ASSERT_TRUE(l->aggiorna());
    l->nascondiColonna(l->colonna("PartitaIva"));
    // The user moved the amount before the document number.
    l->dbgRiga->horizontalHeader()->moveSection(l->colonna("TotaleDoc"), 1);

    stampa::EsitoStampaLista esito;
    const QString pdf = stampaPdf(*l, QPageLayout::Landscape, true, &esito);
    EXPECT_EQ(esito.righe, 2);
    EXPECT_EQ(esito.pagine, 1);
    const QString info = prova::eseguiPoppler("pdfinfo", {pdf});
    EXPECT_TRUE(info.contains(QRegularExpression(R"(Page size:\s+84[12](\.\d+)? x 595(\.\d+)?)")))
        << info.toStdString();
    const QString t = prova::testoPdf(pdf);
    EXPECT_TRUE(t.contains("Fatture ricevute"));
    EXPECT_TRUE(t.contains("Pag. 1"));
    EXPECT_TRUE(t.contains(QRegularExpression(R"(NumRif\s+TotaleDoc\s+NumDoc\s+Causale)")))
        << t.toStdString();
    EXPECT_FALSE(t.contains("PartitaIva"));
    EXPECT_FALSE(t.contains("01234567897"));
    EXPECT_TRUE(t.contains(QRegularExpression(R"(\b1\s+1\.234,50\s+A/1\s+FAA)"))) << t.toStdString();
    EXPECT_TRUE(t.contains(QRegularExpression(R"(\b3\s+0,01\s+C/3\s+FAA)")));
    EXPECT_FALSE(t.contains("B/2")); // filtered out
    EXPECT_FALSE(t.contains("99,99"));

    // Every column: the hidden one comes back where it stands.
    const QString tutte = prova::testoPdf(stampaPdf(*l, QPageLayout::Portrait, false));
    EXPECT_TRUE(tutte.contains(QRegularExpression(R"(NumRif\s+TotaleDoc\s+NumDoc\s+Causale\s+PartitaIva)")))
        << tutte.toStdString();
    EXPECT_TRUE(tutte.contains("05555555555"));
    EXPECT_TRUE(ui.mostrati.isEmpty());
}

TEST_F(StampaLista, aLongListGoesOnOverPagesWithEveryRowOnceAndTheCaptionsRepeated) {
    QStringList righe;
    for (int i = 1; i <= 130; ++i)
        righe << QString("(2024, %1, 'D%1', 'FAA', %2)").arg(i).arg(i);
    db().EseguiSql(
        "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DGD_Numero, Causale, DGD_ImportoTotaleDocumento) "
        "VALUES " +
        righe.join(", "));
    auto l = lista();
    ASSERT_TRUE(l->aggiorna());
    stampa::EsitoStampaLista esito;
    const QString pdf = stampaPdf(*l, QPageLayout::Landscape, true, &esito);
    EXPECT_EQ(esito.righe, 130);
    EXPECT_GE(esito.pagine, 3);
    EXPECT_EQ(prova::paginePdf(pdf), esito.pagine);
    const QString t = prova::testoPdf(pdf);
    EXPECT_EQ(t.count(QRegularExpression(R"(NumRif\s+NumDoc\s+Causale\s+PartitaIva\s+TotaleDoc)")),
              esito.pagine);
    for (int p = 1; p <= esito.pagine; ++p)
        EXPECT_TRUE(t.contains(QString("Pag. %1").arg(p)));
    // Each row once, in the list's order.
    qsizetype dove = 0;
    for (int i = 1; i <= 130; ++i) {
        const QRegularExpression r(QString(R"(\b%1\s+D%1\s+FAA\s+%1,00\b)").arg(i));
        EXPECT_EQ(t.count(r), 1) << i;
        const auto m = r.match(t);
        EXPECT_GT(m.capturedStart(), dove) << i;
        dove = m.capturedStart();
    }
}

} // namespace
