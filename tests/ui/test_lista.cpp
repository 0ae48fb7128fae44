// The list component over the received invoices: paging through many rows, a refused
// filter, sorting, searching, personal columns kept per user, and the export.

#include "formprova.h"

#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "schema/schema.h"
#include "ui/lista.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

// Invoice i (1-based) is received on 01/01/2020 + (i-1)/10 days at 10:00, so the default
// order (receipt date, reference number) puts it on row i-1. Causal "NCA" every third,
// supplier 40-10-(1001 + i%12), total i * 1,25, printed when even, posted every fifth.
void popolaFatture(Database& db, int n) {
    Transazione t(db);
    QStringList righe;
    for (int i = 1; i <= n; ++i) {
        const QDateTime ricevuta(QDate(2020, 1, 1).addDays((i - 1) / 10), QTime(10, 0));
        righe << QString("(2024, %1, %2, 'F%1', %3, '%4', '%5', '40', '10', '%6', %7, '%8', '%9')")
                     .arg(QString::number(i), SqlValore(ricevuta, SqlData),
                          SqlValore(ricevuta.date().addDays(-2), SqlData), i % 3 == 0 ? "NCA" : "FAA",
                          QString::number(1000000000 + i % 12), QString::number(1001 + i % 12),
                          Currency::daDecimillesimi(i * 12500LL).testoSql(), i % 2 == 0 ? "S" : "N",
                          i % 5 == 0 ? "S" : "N");
        if (righe.size() == 500 || i == n) {
            db.EseguiSql(
                "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DataRicSdi, DGD_Numero, DGD_Data, Causale, "
                "CP_DA_IdFiscaleIVA_IdCodice, GruppoFor, MastroFor, ContoFor, "
                "DGD_ImportoTotaleDocumento, Stampato, Contabilizzato) VALUES " +
                righe.join(", "));
            righe.clear();
        }
    }
    t.conferma();
}

// The columns of the received-invoice list (the supplier column cannot be sorted on).
void colonneFatture(LumoComlin& l) {
    l.impostaTabella("FatXmlTest");
    const std::tuple<const char*, const char*, TipoColonna> colonne[]{
        {"XmlAnno", "XmlAnno", TipoColonna::Intero},
        {"XmlNumRif", "XmlNumRif", TipoColonna::Intero},
        {"DataRicez", "DataRicSdi", TipoColonna::Data},
        {"NumDoc", "DGD_Numero", TipoColonna::Testo},
        {"DataDoc", "DGD_Data", TipoColonna::Data},
        {"Causale", "Causale", TipoColonna::Testo},
        {"PartitaIva", "CP_DA_IdFiscaleIVA_IdCodice", TipoColonna::Testo},
        {"Fornitore", "GruppoFor || '-' || FatXmlTest.MastroFor || '-' || FatXmlTest.ContoFor",
         TipoColonna::Testo},
        {"TotaleDoc", "DGD_ImportoTotaleDocumento", TipoColonna::Valuta},
        {"Stampato", "Stampato", TipoColonna::Testo},
        {"Contabilizzato", "Contabilizzato", TipoColonna::Testo}};
    for (const auto& [alias, campo, tipo] : colonne)
        l.aggiungiColonna(
            {alias, QString("FatXmlTest.") + campo, alias, tipo, {}, 1000, alias != QString("Fornitore")});
    l.impostaChiave({"FatXmlTest.XmlAnno", "FatXmlTest.XmlNumRif"});
    l.impostaOrdinePredefinito({{"FatXmlTest.DataRicSdi"}, {"FatXmlTest.XmlNumRif"}});
}

QString cella(const LumoComlin& l, int riga, const QString& alias) {
    return l.modello()->data(l.modello()->index(riga, l.colonna(alias))).toString();
}

QStringList aliasVisibili(const LumoComlin& l) {
    QStringList a;
    const QHeaderView* h = l.dbgRiga->horizontalHeader();
    for (int v = 0; v < h->count(); ++v)
        if (!h->isSectionHidden(h->logicalIndex(v)))
            a << l.colonne()[h->logicalIndex(v)].alias;
    return a;
}

class Lista : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaSchemaAzienda();
    }
    std::unique_ptr<LumoComlin> lista() {
        auto l = std::make_unique<LumoComlin>(db(), &ui);
        colonneFatture(*l);
        return l;
    }
    prova::InterazioneProva ui;
};

TEST_F(Lista, leggeAPagineEContaTutteLeRighe) {
    // A few pages more than are kept in memory; the last page is not full.
    constexpr int Pagine = ModelloLista::PagineInMemoria + 6;
    const int n = (Pagine - 1) * ModelloLista::RighePagina + 124;
    popolaFatture(db(), n);
    auto l = lista();
    ASSERT_TRUE(l->aggiorna());
    EXPECT_EQ(l->righe(), n);

    EXPECT_EQ(cella(*l, 4999, "NumDoc"), "F5000");
    EXPECT_EQ(cella(*l, 4999, "TotaleDoc"), "6.250,00");
    EXPECT_EQ(cella(*l, 4999, "DataRicez"), testoData(QDate(2020, 1, 1).addDays(499)));
    EXPECT_LE(l->modello()->righeInMemoria(), 2 * ModelloLista::RighePagina);

    // Pages on both sides of the middle (the second half is read from the end) and the last one.
    const int meta = n / 2 / ModelloLista::RighePagina * ModelloLista::RighePagina;
    for (int r : {0, 199, 200, meta - 1, meta, meta + 199, meta + 200, n - 124, n - 1})
        EXPECT_EQ(cella(*l, r, "XmlNumRif"), QString::number(r + 1)) << "riga " << r;
    EXPECT_EQ(l->modello()->chiave(n - 1), (QVariantList{2024, n}));

    // Every page once, more than are kept: the least recently used go, the rows stay right,
    // and the page just read is kept.
    int r = 0;
    for (int p = 0; p < Pagine; ++p) {
        r = std::min(n - 1, p * ModelloLista::RighePagina + (p * 37) % ModelloLista::RighePagina);
        ASSERT_EQ(cella(*l, r, "XmlNumRif"), QString::number(r + 1)) << "riga " << r;
    }
    const int primaDiRileggere = l->modello()->pagineLette();
    EXPECT_EQ(cella(*l, r, "XmlNumRif"), QString::number(r + 1));
    EXPECT_EQ(l->modello()->pagineLette(), primaDiRileggere);
    EXPECT_LE(l->modello()->righeInMemoria(), ModelloLista::PagineInMemoria * ModelloLista::RighePagina);
    // The first page went to make room: reading it again reads it.
    EXPECT_EQ(cella(*l, 0, "XmlNumRif"), "1");
    EXPECT_EQ(l->modello()->pagineLette(), primaDiRileggere + 1);

    // The search runs in SQL: at most the page of the row found is read.
    const int lette = l->modello()->pagineLette();
    const int ultimaNca = (n / 3) * 3 - 1; // every third invoice, 1-based
    EXPECT_EQ(l->cerca(l->colonna("Causale"), "NCA", DirezioneRicerca::Ultimo), ultimaNca);
    EXPECT_LE(l->modello()->pagineLette() - lette, 1);
    EXPECT_LE(l->modello()->righeInMemoria(), ModelloLista::PagineInMemoria * ModelloLista::RighePagina);
}

TEST_F(Lista, unFiltroIllegibileOUnaCondizioneRifiutataNonEseguonoLaQuery) {
    popolaFatture(db(), 30);
    auto l = lista();
    QLineEdit numDa, fornitore;
    l->registraFiltro("XmlNumRif", ">=", &numDa, SqlLungo);
    l->registraFiltro("Fornitore", "pers", &fornitore);
    ASSERT_TRUE(l->aggiorna());
    numDa.setText("12x");
    EXPECT_FALSE(l->aggiorna());
    EXPECT_EQ(ui.testiMostrati(), QStringList{"Valore non valido: 12x"});
    EXPECT_EQ(l->righe(), 30);

    // A condition the database refuses is reported at once and leaves the grid empty.
    numDa.clear();
    l->PersListaVarie = [](const QString&, const QString&) { return QString("Inesistente = 1"); };
    fornitore.setText("40-10-1001");
    EXPECT_FALSE(l->aggiorna());
    ASSERT_EQ(ui.mostrati.size(), 2);
    EXPECT_TRUE(ui.mostrati[1].testo.startsWith("Lettura della lista - Errore(3146): "))
        << ui.mostrati[1].testo.toStdString();
    EXPECT_EQ(l->righe(), 0);
    fornitore.clear();
    ASSERT_TRUE(l->aggiorna());
}

void clicIntestazione(LumoComlin& l, const QString& alias) {
    QHeaderView* h = l.dbgRiga->horizontalHeader();
    const int c = l.colonna(alias);
    QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(c) + 5, 5));
}

TEST_F(Lista, ordinaCliccandoLIntestazioneERifiutaLeColonneNonOrdinabili) {
    popolaFatture(db(), 300);
    auto l = lista();
    l->resize(1400, 500);
    l->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(l.get()));
    ASSERT_TRUE(l->aggiorna());
    l->dbgRiga->setCurrentIndex(l->modello()->index(9, 0));

    clicIntestazione(*l, "TotaleDoc");
    EXPECT_EQ(cella(*l, 0, "TotaleDoc"), "1,25");
    EXPECT_EQ(l->chiaveCorrente(), (QVariantList{2024, 10})); // still on the same invoice

    clicIntestazione(*l, "TotaleDoc");
    EXPECT_EQ(cella(*l, 0, "XmlNumRif"), "300");
    EXPECT_EQ(l->chiaveCorrente(), (QVariantList{2024, 10}));
    EXPECT_TRUE(ui.mostrati.isEmpty());

    clicIntestazione(*l, "Fornitore");
    EXPECT_EQ(ui.testiMostrati(), QStringList{"Impossibile ordinare su questo campo"});
    EXPECT_EQ(l->campoOrdine(), "FatXmlTest.DGD_ImportoTotaleDocumento DESC");
    EXPECT_EQ(cella(*l, 0, "XmlNumRif"), "300");
}

TEST_F(Lista, cercaInUnaColonnaPrimoSuccessivoPrecedenteUltimo) {
    popolaFatture(db(), 300);
    auto l = lista();
    ASSERT_TRUE(l->aggiorna());
    // column, text, index of optDirez, current row before the search, row found (-1: none)
    // clang-format off
    const std::tuple<const char*, const char*, int, int, int> casi[]{
        {"Causale", "nca", 0, 50, 2}, {"Causale", "NCA", 1, 2, 5}, {"Causale", "NCA", 2, 5, 2},
        {"Causale", "NCA", 3, 0, 299}, {"Causale", "NCA", 2, 2, -1}, {"DataRicez", "12/01/2020", 0, 0, 110},
        {"TotaleDoc", "12,50", 0, 0, 9}, {"NumDoc", "f2*0", 1, 19, 199}, {"XmlNumRif", "1,5", 0, 0, -1},
        {"PartitaIva", "x", 0, 0, -1}};
    // clang-format on
    for (const auto& [colonna, testo, direzione, partenza, atteso] : casi) {
        SCOPED_TRACE(std::string(colonna) + " " + testo);
        ui.mostrati.clear();
        l->dbgRiga->setCurrentIndex(l->modello()->index(partenza, 0));
        l->CobCerca->setCurrentIndex(l->CobCerca->findData(QString(colonna)));
        l->txtCerca->setText(testo);
        l->optDirez[direzione]->setChecked(true);
        l->ButtonComando("Cerca");
        EXPECT_EQ(l->rigaCorrente(), atteso >= 0 ? atteso : partenza);
        EXPECT_EQ(ui.mostrati.size(), atteso < 0 ? 1 : 0);
    }
    EXPECT_EQ(ui.testiMostrati().last(), "Nessuna riga trovata");

    // After "Primo" the next press goes on to the following match.
    l->optDirez[0]->setChecked(true);
    l->CobCerca->setCurrentIndex(l->CobCerca->findData(QString("Causale")));
    l->txtCerca->setText("NCA");
    l->ButtonComando("Cerca");
    EXPECT_TRUE(l->optDirez[1]->isChecked());
    l->ButtonComando("Cerca");
    EXPECT_EQ(l->rigaCorrente(), 5);

    // The search follows the order the user chose.
    l->ordina(l->colonna("XmlNumRif"));
    l->ordina(l->colonna("XmlNumRif"));
    EXPECT_EQ(l->cerca(l->colonna("Causale"), "NCA", DirezioneRicerca::Primo), 0);
    EXPECT_EQ(cella(*l, 0, "XmlNumRif"), "300");
    EXPECT_EQ(l->cerca(l->colonna("Causale"), "NCA", DirezioneRicerca::Successivo), 3);
}

TEST_F(Lista, laConfigurazioneDecideSeIlCursoreSegueLaRicercaESeIlDoppioClicSceglie) {
    popolaFatture(db(), 30);
    // LisSpostaCurs, LisClickNoSel; row after typing "F2" in NumDoc; rows chosen by a double click
    // and by Enter.
    const std::tuple<bool, bool, int, int> casi[]{
        {false, false, 0, 2}, {true, false, 1, 2}, {true, true, 1, 1}};
    for (const auto& [spostaCurs, clickNoSel, rigaDopoF2, scelte] : casi) {
        SCOPED_TRACE(std::to_string(spostaCurs) + std::to_string(clickNoSel));
        auto l = lista();
        l->impostaComportamento(spostaCurs, clickNoSel);
        l->resize(900, 500);
        l->show();
        ASSERT_TRUE(l->aggiorna());
        int scelto = 0;
        QObject::connect(l.get(), &LumoComlin::selezionato, [&] { ++scelto; });
        l->dbgRiga->setCurrentIndex(l->modello()->index(0, 0));
        l->CobCerca->setCurrentIndex(l->CobCerca->findData(QString("NumDoc")));
        QTest::keyClicks(l->txtCerca, "F2");
        EXPECT_EQ(l->rigaCorrente(), rigaDopoF2);
        EXPECT_EQ(cella(*l, l->rigaCorrente(), "NumDoc"), spostaCurs ? "F2" : "F1");
        const QRect r = l->dbgRiga->visualRect(l->modello()->index(3, 1));
        QTest::mouseClick(l->dbgRiga->viewport(), Qt::LeftButton, {}, r.center());
        QTest::mouseDClick(l->dbgRiga->viewport(), Qt::LeftButton, {}, r.center());
        QTest::keyClick(l->dbgRiga, Qt::Key_Return);
        EXPECT_EQ(scelto, scelte);
        EXPECT_TRUE(ui.mostrati.isEmpty());
    }
}

class ListaPersonale : public Lista {
protected:
    void SetUp() override {
        Lista::SetUp();
        if (IsSkipped())
            return;
        comune = Database::apri(cartella.filePath("comune.db"));
        schema::creaSchema(*comune, schema::tabelleComuni());
        popolaFatture(db(), 20);
    }
    struct Utente {
        Utente(Database& az, Database& com, Interazione& ui, const QString& nome)
            : menu(com, nome, {}), conf(menu, ui),
              parametri(az), c{az, &com, conf, menu, ui, parametri, nome} {}
        ClientMenuComune menu;
        Configurazione conf;
        ParametriAzienda parametri;
        Contesto c;
    };
    std::unique_ptr<LumoComlin> listaDi(Utente& u) {
        auto l = std::make_unique<LumoComlin>(u.c);
        colonneFatture(*l);
        l->impostaNomeLista("frmProva");
        l->resize(1400, 400);
        l->show();
        EXPECT_TRUE(l->aggiorna());
        return l;
    }
    QTemporaryDir cartella;
    std::unique_ptr<Database> comune;
};

TEST_F(ListaPersonale, colonneSalvateERipristinatePerUtente) {
    Utente mario(db(), *comune, ui, "mario");
    QStringList predefinite;
    {
        auto l = listaDi(mario);
        predefinite = aliasVisibili(*l);
        QHeaderView* h = l->dbgRiga->horizontalHeader();
        l->nascondiColonna(l->colonna("PartitaIva"));
        h->moveSection(h->visualIndex(l->colonna("Causale")), 0);
        h->resizeSection(l->colonna("NumDoc"), 150);
        ASSERT_TRUE(l->aggiungiColonnaPersonale("CP_Sede_Comune", l->colonna("XmlNumRif")));
        EXPECT_EQ(cella(*l, 0, "XmlNumRif"), "1"); // the grid reads again with the new column
        ASSERT_TRUE(l->salvaPersonalizzazione());
    }
    EXPECT_EQ(comune->valore("SELECT COUNT(*) FROM MenuPersonali WHERE Utente = 'mario'").toInt(), 1);

    const QStringList diMario{"Causale", "XmlAnno",   "XmlNumRif", "_4",       "DataRicez",     "NumDoc",
                              "DataDoc", "Fornitore", "TotaleDoc", "Stampato", "Contabilizzato"};
    {
        auto l = listaDi(mario);
        EXPECT_EQ(aliasVisibili(*l), diMario);
        EXPECT_EQ(l->dbgRiga->horizontalHeader()->sectionSize(l->colonna("NumDoc")), 150);
        EXPECT_EQ(l->colonne()[l->colonna("_4")].titolo, "CP_Sede_Comune");

        // Taking the added column away shifts nothing else.
        l->togliColonnaPersonale(l->colonna("_4"));
        QStringList senza = diMario;
        senza.removeAll("_4");
        EXPECT_EQ(aliasVisibili(*l), senza);
    }
    {
        Utente lucia(db(), *comune, ui, "lucia");
        auto l = listaDi(lucia);
        EXPECT_EQ(aliasVisibili(*l), predefinite);
    }
    {
        auto l = listaDi(mario);
        EXPECT_FALSE(aliasVisibili(*l).contains("_4"));
        l->colonnePredefinite();
        EXPECT_EQ(aliasVisibili(*l), predefinite);
    }
    EXPECT_EQ(comune->valore("SELECT COUNT(*) FROM MenuPersonali").toInt(), 0);
    EXPECT_TRUE(ui.mostrati.isEmpty()) << ui.testiMostrati().join("|").toStdString();
}

TEST_F(ListaPersonale, filtriEOrdinamentoSalvatiERipristinatiPerUtente) {
    Utente mario(db(), *comune, ui, "mario");
    QLineEdit causale;
    QCheckBox stampato;
    const auto apri = [&](Utente& u) {
        auto l = std::make_unique<LumoComlin>(u.c);
        colonneFatture(*l);
        l->impostaNomeLista("frmProva");
        l->registraFiltro("Causale", "=", &causale);
        l->registraFiltro("Stampato", "=", &stampato);
        l->resize(1400, 400);
        l->show();
        EXPECT_TRUE(l->aggiorna());
        return l;
    };
    {
        auto l = apri(mario);
        EXPECT_EQ(l->righe(), 20);
        causale.setText("NCA");
        stampato.setCheckState(Qt::Checked);
        ASSERT_TRUE(l->aggiorna());
        l->ordina(l->colonna("TotaleDoc"));
        ASSERT_TRUE(l->ordina(l->colonna("TotaleDoc"))); // descending
    }
    // Opened again by mario: his filters, his order.
    causale.clear();
    stampato.setCheckState(Qt::PartiallyChecked);
    {
        auto l = apri(mario);
        EXPECT_EQ(causale.text() + " " + QString::number(stampato.checkState()), "NCA 2");
        QStringList numeri;
        for (int r = 0; r < l->righe(); ++r)
            numeri << cella(*l, r, "XmlNumRif");
        EXPECT_EQ(numeri.join(' '), "18 12 6");
        const QHeaderView* h = l->dbgRiga->horizontalHeader();
        EXPECT_EQ(h->sortIndicatorSection(), l->colonna("TotaleDoc"));
        EXPECT_EQ(h->sortIndicatorOrder(), Qt::DescendingOrder);
    }
    // Another user starts from the form's own.
    causale.clear();
    stampato.setCheckState(Qt::PartiallyChecked);
    {
        Utente lucia(db(), *comune, ui, "lucia");
        auto l = apri(lucia);
        EXPECT_EQ(causale.text(), "");
        EXPECT_EQ(l->righe(), 20);
        EXPECT_EQ(cella(*l, 0, "XmlNumRif"), "1");
    }
    // A saved sort on a column that cannot be sorted is left out.
    Personalizzazione p;
    p.ordinaPer = "Fornitore";
    comune->EseguiSql("UPDATE MenuPersonali SET Valore = " + SqlValore(testoPersonalizzazione(p), SqlTesto) +
                      " WHERE Utente = 'mario'");
    {
        auto l = apri(mario);
        EXPECT_EQ(cella(*l, 0, "XmlNumRif"), "1");
    }
    EXPECT_TRUE(ui.mostrati.isEmpty()) << ui.testiMostrati().join("|").toStdString();
}

TEST_F(ListaPersonale, unaColonnaSalvataCheNonEUnCampoVieneIgnorata) {
    Utente mario(db(), *comune, ui, "mario");
    Personalizzazione p;
    p.aggiunte = {{"1); DELETE FROM FatXmlTest; --", 1}, {"Sconosciuto", 2}, {"CP_Sede_CAP", 3}};
    comune->EseguiSql("INSERT INTO MenuPersonali (Utente, Nome, Valore) VALUES ('mario', "
                      "'Personal.frmProva.Colonne', " +
                      SqlValore(testoPersonalizzazione(p), SqlTesto) + ")");
    auto l = listaDi(mario);
    EXPECT_EQ(l->righe(), 20);
    EXPECT_EQ(l->colonne().size(), 12u);
    EXPECT_EQ(l->colonne()[2].espressione, "CP_Sede_CAP");
    EXPECT_FALSE(l->aggiungiColonnaPersonale("XmlAnno; DROP TABLE FatXmlTest"));
}

TEST_F(Lista, esportaCsvLeRigheFiltrateNelleColonneVisibili) {
    db().EseguiSql(
        "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DataRicSdi, DGD_Numero, DGD_Data, Causale, "
        "DGD_ImportoTotaleDocumento, GruppoFor, MastroFor, ContoFor, Stampato, Contabilizzato) VALUES "
        "(2024, 1, '2024-03-12 10:15:00', 'A;1', '2024-03-10 00:00:00', 'FAA', 1234.5, '40', '10', "
        "'1001', 'S', 'N'), "
        "(2024, 2, '2024-03-13 09:00:00', 'B\"2', NULL, 'FAA', -0.5, '40', '10', '1002', 'N', 'N'), "
        "(2024, 3, '2024-03-14 09:00:00', 'C3', '2024-03-01 00:00:00', 'NCA', 10, '40', '10', '1003', "
        "'N', 'S')");
    auto l = lista();
    QLineEdit causale;
    l->registraFiltro("Causale", "=", &causale);
    causale.setText("FAA");
    ASSERT_TRUE(l->aggiorna());
    l->nascondiColonna(l->colonna("PartitaIva"));
    l->nascondiColonna(l->colonna("Contabilizzato"));
    QTemporaryDir cartella;
    const QString file = cartella.filePath("lista.csv");
    ASSERT_TRUE(l->esportaCsv(file));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(),
              QByteArray("\xEF\xBB\xBF"
                         "XmlAnno;XmlNumRif;DataRicez;NumDoc;DataDoc;Causale;Fornitore;TotaleDoc;Stampato\r\n"
                         "2024;1;12/03/2024;\"A;1\";10/03/2024;FAA;40-10-1001;1.234,50;S\r\n"
                         "2024;2;13/03/2024;\"B\"\"2\";;FAA;40-10-1002;-0,50;N\r\n"));
}

} // namespace
