// The received-invoice list on the demo company with a handful of invoices written here:
// what its rows show, the filters and ranges, the search by name or document, choosing an
// invoice with its neighbours, and the list export.

#include "formprova.h"

#include "frame/database.h"
#include "review/forms/frmfepasstestlis.h"
#include "schema/schema.h"
#include "ui/lista.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

// In receipt order (the list shows them the other way round, newest first): year, number, receipt,
// document number and date, causal, the three account parts, total, printed, posted. The
// account parts are texts: leading zeros, empty texts, letters and Nulls must all be borne by
// the supplier filter.
const char* const Fatture[]{
    "2023, 8, '2023-12-20 09:00:00', 'Z10', '2023-12-15 00:00:00', 'PAR', 'AB', 'x', 'y', 20, 'S', 'N'",
    "2023, 7, '2024-01-10 10:00:00', 'Z9', '2023-12-30 00:00:00', 'FAA', '', '', '', 10, 'N', 'S'",
    "2024, 2, '2024-03-01 08:00:00', 'A2', '2024-02-27 00:00:00', 'FAA', '40', '1', '0125', 200.5, 'S', 'N'",
    "2024, 1, '2024-03-01 09:00:00', 'A1', '2024-02-28 00:00:00', 'FAA', '40', '01', '125', 100, 'S', 'S'",
    "2024, 3, '2024-03-05 10:00:00', 'B1', '2024-03-01 00:00:00', 'NCA', '40', '10', '1001', -50, 'N', 'N'",
    "2024, 4, '2024-03-10 09:00:00', 'C1', '2024-03-09 00:00:00', 'FAA', Null, Null, Null, 30, 'N', 'N'",
    "2024, 5, '2024-03-10 11:00:00', 'C2', '2024-03-10 00:00:00', 'FAA', '40', '01', '125', 40, 'N', 'S'",
};
const QString Tutte = "2023/8 2023/7 2024/2 2024/1 2024/3 2024/4 2024/5";

class ListaFatturePassive : public prova::FormProva {
protected:
    void SetUp() override {
        FormProva::SetUp();
        if (IsSkipped())
            return;
        // These rows need account columns of texts; a run whose chart declares numbers (which has
        // its own test below) gets a text-declared table for them.
        if (db().contiNumerici())
            dichiaraConti(schema::DichiarazioneConti::Testo);
        for (const char* f : Fatture)
            db().EseguiSql(
                QString("INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DataRicSdi, DGD_Numero, DGD_Data, "
                        "Causale, GruppoFor, MastroFor, ContoFor, DGD_ImportoTotaleDocumento, Stampato, "
                        "Contabilizzato) VALUES (%1)")
                    .arg(f));
        db().EseguiSql("UPDATE FatXmlTest SET CP_DA_IdFiscaleIVA_IdCodice = '03981270683', "
                       "CP_DA_Anagrafica_Denominazione = 'Fornitore ' || DGD_Numero");
    }

    void dichiaraConti(schema::DichiarazioneConti conti) {
        db().EseguiSql("DROP TABLE FatXmlTest");
        for (const QString& s : schema::ddl(*schema::trovaTabella(schema::tabelleAzienda(), "FatXmlTest"),
                                            db().dialetto(), conti))
            db().EseguiSql(s);
    }

    frmFEPassTestLis& apri() {
        form = mostra(new frmFEPassTestLis(*contesto));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.data()));
        EXPECT_TRUE(form->Carica());
        return *form;
    }
    // Sets the filter fields given (clearing the year, number and date ranges) and runs the query.
    void filtra(const std::map<int, const char*>& valori) {
        for (auto& [i, campo] : form->txt)
            if (i < 90)
                campo->clear();
        for (const auto& [i, v] : valori)
            form->txt.at(i)->setText(v);
        form->ButtonComando("Aggiorna");
    }
    // The keys shown, "year/number", from the last row up: with the list's newest-first order,
    // oldest receipt first.
    QString mostrate() const {
        QStringList c;
        for (int r = form->lista->righe() - 1; r >= 0; --r) {
            const QVariantList k = form->lista->modello()->chiave(r);
            c << QString("%1/%2").arg(k.value(0).toInt()).arg(k.value(1).toInt());
        }
        return c.join(' ');
    }
    QString cella(int riga, const char* alias) const {
        const ModelloLista* m = form->lista->modello();
        return m->data(m->index(riga, form->lista->colonna(alias))).toString();
    }
    QString testiMostrati() const { return utente.testiMostrati().join('|'); }

    QPointer<frmFEPassTestLis> form;
};

TEST_F(ListaFatturePassive, showsEveryInvoiceInReceiptOrderWithItsFormattedValues) {
    apri();
    EXPECT_EQ(mostrate(), Tutte);
    QStringList riga;
    for (const char* c : {"XmlAnno", "XmlNumRif", "DataRicez", "NumDoc", "DataDoc", "Causale", "PartitaIva",
                          "RagioneSociale", "Fornitore", "TotaleDoc", "Stampato", "Contabilizzato"})
        riga << cella(3, c);
    EXPECT_EQ(riga.join('|'),
              "2024|1|01/03/2024|A1|28/02/2024|FAA|03981270683|Fornitore A1|40-01-125|100,00|S|S");
    // Missing account parts stay empty without blanking the code.
    EXPECT_EQ(cella(5, "Fornitore") + " " + cella(1, "Fornitore") + " " + cella(2, "TotaleDoc"),
              "-- -- -50,00");

    // A personal column in first place moves the standard ones without mixing their values.
    form->lista->impostaColonnePersonali({{"CP_DA_Anagrafica_Denominazione", 1, "Ragione sociale", 2800}});
    EXPECT_EQ(form->lista->modello()->data(form->lista->modello()->index(3, 0)).toString(), "Fornitore A1");
    EXPECT_EQ(cella(3, "XmlNumRif") + " " + cella(3, "TotaleDoc"), "1 100,00");
    EXPECT_EQ(testiMostrati(), "");
}

TEST_F(ListaFatturePassive, filtersAndRangesGiveTheRightRowsAndAReversedRangeIsRefused) {
    apri();
    struct Caso {
        std::map<int, const char*> valori;
        QString attese; // the keys shown, or the message of a refused range
    };
    const QString noCrescente = "Si prega di inserire %1 in ordine crescente";
    // clang-format off
    const std::vector<Caso> casi{
        {{{10, "2024"}, {20, "2024"}}, "2024/2 2024/1 2024/3 2024/4 2024/5"},
        {{{20, "2023"}}, "2023/8 2023/7"}, {{{30, "2"}, {40, "4"}}, "2024/2 2024/3 2024/4"},
        // The "to" receipt date takes its whole day: the invoice of 10/03 at 11:00 is in.
        {{{50, "05/03/2024"}, {60, "10/03/2024"}}, "2024/3 2024/4 2024/5"},
        {{{70, "27/02/2024"}, {80, "28/02/2024"}}, "2024/2 2024/1"}, {{{50, "01/01/2025"}}, ""},
        {{{70, "28/02/2024"}, {80, "28/02/2024"}}, "2024/1"},
        {{{70, "01/01/2024"}, {30, "3"}}, "2024/3 2024/4 2024/5"},
        // The supplier as GG-MM-CCCC or GGMMCCCC, whatever the stored parts hold; a group and ledger alone.
        {{{90, "40-01-125"}}, "2024/2 2024/1 2024/5"}, {{{90, " 4001125 "}}, "2024/2 2024/1 2024/5"},
        {{{90, "40101001"}}, "2024/3"}, {{{90, "40-10"}}, "2024/3"},
        {{{90, "4A01125"}}, "Valore non valido: 4A01125"}, {{{90, "40--125"}}, "Valore non valido: 40--125"},
        {{{90, "4"}}, "Valore non valido: 4"},
        {{{10, "2024"}, {20, "2023"}}, noCrescente.arg("le date riferimento")},
        {{{30, "5"}, {40, "4"}}, noCrescente.arg("i numeri riferimento")},
        {{{50, "02/03/2024"}, {60, "01/03/2024"}}, noCrescente.arg("le date di Ricezione")},
        {{{70, "01/01/2025"}, {80, "31/12/2024"}}, noCrescente.arg("le date di Fattura")}};
    // clang-format on
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.attese.toStdString());
        form->txt[90]->clear();
        filtra({});
        utente.mostrati.clear();
        filtra(c.valori);
        if (utente.mostrati.isEmpty()) {
            EXPECT_EQ(mostrate(), c.attese);
        } else {
            // Refused before any query: the rows stay, the focus goes to the first field of a range.
            EXPECT_EQ(testiMostrati(), c.attese);
            EXPECT_EQ(mostrate(), Tutte);
            if (c.attese.startsWith("Si prega")) {
                EXPECT_EQ(QApplication::focusWidget(), form->txt.at(c.valori.begin()->first));
            }
        }
    }

    // A date typed short is written out in full when the field is left, Enter runs the query.
    filtra({});
    prova::digita(form->txt[50], "1/3/24");
    EXPECT_EQ(form->txt[50]->text(), "01/03/2024");
    form->txt[60]->setFocus();
    QTest::keyClicks(form->txt[60], "050324");
    QTest::keyClick(form->txt[60], Qt::Key_Return);
    EXPECT_EQ(mostrate(), "2024/2 2024/1 2024/3");
}

TEST_F(ListaFatturePassive, findsAndShowsTheSupplierWhenTheAccountColumnsAreNumbers) {
    // A company whose account columns are whole numbers: 40-01-125 is stored as 40, 1, 125.
    dichiaraConti(schema::DichiarazioneConti::Numeri);
    db().EseguiSql("INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, GruppoFor, MastroFor, ContoFor) VALUES "
                   "(2024, 1, 40, 1, 125), (2024, 2, 40, 10, 1001), (2024, 3, Null, Null, Null)");
    apri();
    for (const auto& [codice, attese] : {std::pair{"40-01-125", "2024/1"}, std::pair{"4001125", "2024/1"},
                                         std::pair{"40-10", "2024/2"}, std::pair{"41", ""}}) {
        SCOPED_TRACE(codice);
        filtra({{90, codice}});
        EXPECT_EQ(mostrate(), attese);
        EXPECT_EQ(testiMostrati(), "");
    }
    filtra({{90, "40-1-125"}});
    EXPECT_EQ(cella(0, "Fornitore"), "40-1-125");
}

TEST_F(ListaFatturePassive, opensNewestFirstFindsByNameOrDocumentAndTotalsAFileWithoutItsTotal) {
    // A file without the document total: its VAT summary gives it.
    db().EseguiSql(
        "UPDATE FatXmlTest SET DGD_ImportoTotaleDocumento = NULL WHERE XmlAnno = 2024 AND XmlNumRif = 4");
    db().EseguiSql("INSERT INTO FatXmlIva (XmlAnno, XmlNumRif, XmlRigDet, ImponibileImporto, Imposta) VALUES "
                   "(2024, 4, 1, 20, 4.4), (2024, 4, 2, 5, NULL)");
    apri();
    EXPECT_EQ(cella(0, "XmlNumRif") + " " + cella(1, "XmlNumRif") + " " + cella(1, "TotaleDoc"), "5 4 29,40");
    for (const auto& [testo, attese] : {std::pair{"fornitore a", "2024/2 2024/1"}, std::pair{"z9", "2023/7"},
                                        std::pair{"  C ", "2024/4 2024/5"}, std::pair{"l'a", ""}}) {
        SCOPED_TRACE(testo);
        filtra({{130, testo}});
        EXPECT_EQ(mostrate(), attese);
    }
    form->txt[130]->clear();
    filtra({});
    EXPECT_EQ(mostrate(), Tutte);
    EXPECT_EQ(testiMostrati(), "");
}

TEST_F(ListaFatturePassive, theGreyBoxesFilterPrintedAndPostedAndPrintingExportsTheFilteredRows) {
    auto& f = apri();
    for (const auto& [stampate, contabilizzate, attese] :
         {std::tuple{Qt::Checked, Qt::PartiallyChecked, "2023/8 2024/2 2024/1"},
          std::tuple{Qt::Unchecked, Qt::PartiallyChecked, "2023/7 2024/3 2024/4 2024/5"},
          std::tuple{Qt::PartiallyChecked, Qt::Checked, "2023/7 2024/1 2024/5"},
          std::tuple{Qt::Checked, Qt::Unchecked, "2023/8 2024/2"}}) {
        SCOPED_TRACE(attese);
        f.Che[110]->setCheckState(stampate);
        f.Che[120]->setCheckState(contabilizzate);
        f.ComFiltra->click();
        EXPECT_EQ(mostrate(), attese);
    }
    // The boxes cycle from greyed through ticked to cleared on clicks.
    f.Che[110]->setCheckState(Qt::PartiallyChecked);
    prova::clicca(f.Che[110]);
    EXPECT_EQ(f.Che[110]->checkState(), Qt::Checked);
    prova::clicca(f.Che[110]);
    EXPECT_EQ(f.Che[110]->checkState(), Qt::Unchecked);

    // Printing exports the filtered rows (unprinted and unposted now) and an empty list does nothing.
    const QString file = cartella.filePath("lista.csv");
    int chieste = 0;
    f.fileStampa = [&] {
        ++chieste;
        return file;
    };
    filtra({{30, "100"}});
    f.ButtonComando("Stampa");
    EXPECT_EQ(chieste, 0);
    EXPECT_FALSE(QFile::exists(file));

    f.txt[100]->setText("NCA");
    filtra({});
    f.ButtonComando("Stampa");
    EXPECT_EQ(chieste, 1);
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll().split('\n').value(1),
              "2024;3;05/03/2024;B1;01/03/2024;NCA;03981270683;Fornitore B1;40-10-1001;-50,00;N;N\r");
}

TEST_F(ListaFatturePassive, theChosenInvoiceAndItsNeighboursFollowTheListsOrder) {
    auto& f = apri();
    filtra({{10, "2024"}});
    f.lista->ordina(f.lista->colonna("TotaleDoc"));
    f.lista->ordina(f.lista->colonna("TotaleDoc"));              // descending
    ASSERT_EQ(mostrate(), "2024/3 2024/4 2024/5 2024/1 2024/2"); // from the last row up
    f.impostaBookmark(ChiaveFattura{2024, 4});
    f.ButtonComando("VaiA");
    EXPECT_EQ(f.lista->rigaCorrente(), 3);

    QTableView* g = f.lista->dbgRiga;
    const QRect r = g->visualRect(f.lista->modello()->index(1, 1));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(f.result(), QDialog::Accepted);
    ASSERT_TRUE(f.scelta());
    const SceltaLista s = *f.scelta(); // a copy: it must outlive the form
    delete form.data();
    // How neighbours are found is the review engine's; the choice carries the list's order and filter.
    EXPECT_EQ(s.chiave, (QVariantList{2024, 1}));
    EXPECT_EQ(s.vicino(s.chiave, +1), (QVariantList{2024, 5}));
    EXPECT_EQ(s.vicino({2023, 7}, +1), std::nullopt); // outside the filter
}

TEST_F(ListaFatturePassive, scegliFatturaPassivaAnswersTheRowChosenOrNothingWhenClosed) {
    QWidget padre;
    padre.show();
    const auto scegli = [&](const std::function<void(frmFEPassTestLis*)>& azione) {
        prova::allApertura<frmFEPassTestLis>(azione);
        return scegliFatturaPassiva(*contesto, &padre);
    };
    auto s = scegli([](frmFEPassTestLis* f) {
        EXPECT_EQ(f->focusWidget(), f->lista->dbgRiga);
        QTest::keyClick(f->lista->dbgRiga, Qt::Key_Down);
        QTest::keyClick(f->lista->dbgRiga, Qt::Key_Down);
        QTest::keyClick(f->lista->dbgRiga, Qt::Key_Return);
    });
    ASSERT_TRUE(s);
    EXPECT_EQ(s->chiave, (QVariantList{2024, 3}));
    EXPECT_EQ(s->vicino(s->chiave, -1), (QVariantList{2024, 4}));
    EXPECT_EQ(scegli([](frmFEPassTestLis* f) { QTest::keyClick(f->lista->dbgRiga, Qt::Key_Escape); }),
              std::nullopt);
    EXPECT_EQ(scegli([](frmFEPassTestLis* f) { f->ComChiudi->click(); }), std::nullopt);
}

} // namespace
