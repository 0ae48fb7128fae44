#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/parametri.h"
#include "schema/schema.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"
#include "ui/lista.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <functional>
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
    auto scrivi = [&] {
        db.EseguiSql(
            "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DataRicSdi, DGD_Numero, DGD_Data, Causale, "
            "CP_DA_IdFiscaleIVA_IdCodice, GruppoFor, MastroFor, ContoFor, DGD_ImportoTotaleDocumento, "
            "Stampato, Contabilizzato) VALUES " +
            righe.join(", "));
        righe.clear();
    };
    for (int i = 1; i <= n; ++i) {
        const QDateTime ricevuta(QDate(2020, 1, 1).addDays((i - 1) / 10), QTime(10, 0));
        righe << "(" +
                     QStringList{"2024",
                                 QString::number(i),
                                 SqlValore(ricevuta, SqlData),
                                 SqlValore(QStringLiteral("F%1").arg(i), SqlTesto),
                                 SqlValore(ricevuta.date().addDays(-2), SqlData),
                                 SqlValore(i % 3 == 0 ? "NCA" : "FAA", SqlTesto),
                                 SqlValore(QString::number(1000000000 + i % 12), SqlTesto),
                                 "'40'",
                                 "'10'",
                                 SqlValore(QString::number(1001 + i % 12), SqlTesto),
                                 Currency::daDecimillesimi(i * 12500LL).testoSql(),
                                 SqlValore(i % 2 == 0 ? "S" : "N", SqlTesto),
                                 SqlValore(i % 5 == 0 ? "S" : "N", SqlTesto)}
                         .join(", ") +
                     ")";
        if (righe.size() == 500)
            scrivi();
    }
    if (!righe.isEmpty())
        scrivi();
    t.conferma();
}

// The columns of the received-invoice list.
void colonneFatture(LumoComlin& l) {
    l.impostaTabella("FatXmlTest");
    l.aggiungiColonna({"Anno", "FatXmlTest.XmlAnno", "XmlAnno", TipoColonna::Intero, {}, 700});
    l.aggiungiColonna({"Numero", "FatXmlTest.XmlNumRif", "XmlNumRif", TipoColonna::Intero, {}, 700});
    l.aggiungiColonna({"DataRicez", "FatXmlTest.DataRicSdi", "DataRicez", TipoColonna::Data, {}, 1000});
    l.aggiungiColonna({"NumDoc", "FatXmlTest.DGD_Numero", "NumDoc", TipoColonna::Testo, {}, 1400});
    l.aggiungiColonna({"DataDoc", "FatXmlTest.DGD_Data", "DataDoc", TipoColonna::Data, {}, 1000});
    l.aggiungiColonna({"Causale", "FatXmlTest.Causale", "Causale", TipoColonna::Testo, {}, 600});
    l.aggiungiColonna(
        {"PartitaIva", "FatXmlTest.CP_DA_IdFiscaleIVA_IdCodice", "PartitaIva", TipoColonna::Testo, {}, 1250});
    l.aggiungiColonna({"Fornitore",
                       "FatXmlTest.GruppoFor || '-' || FatXmlTest.MastroFor || '-' || FatXmlTest.ContoFor",
                       "Fornitore",
                       TipoColonna::Testo,
                       {},
                       1200,
                       false});
    l.aggiungiColonna(
        {"TotaleDoc", "FatXmlTest.DGD_ImportoTotaleDocumento", "TotaleDoc", TipoColonna::Valuta, {}, 1400});
    l.aggiungiColonna({"Stampato", "FatXmlTest.Stampato", "Stampato"});
    l.aggiungiColonna({"Contabilizzato", "FatXmlTest.Contabilizzato", "Contabilizzato"});
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
    const int n = 55123; // the last page is not full
    popolaFatture(db(), n);
    auto l = lista();
    ASSERT_TRUE(l->aggiorna());
    EXPECT_EQ(l->righe(), n);
    EXPECT_EQ(l->labRighe->text(), "Righe: 55.123");

    EXPECT_EQ(cella(*l, 49999, "NumDoc"), "F50000");
    EXPECT_EQ(cella(*l, 49999, "TotaleDoc"), "62.500,00");
    EXPECT_EQ(cella(*l, 49999, "DataRicez"), testoData(QDate(2020, 1, 1).addDays(4999)));
    EXPECT_LE(l->modello()->righeInMemoria(), 2 * ModelloLista::RighePagina);

    // Pages on both sides of the middle (the second half is read from the end) and the last one.
    for (int r : {0, 199, 200, 27399, 27400, 27599, 27600, 27800, 55000, 55122})
        EXPECT_EQ(cella(*l, r, "XmlNumRif"), QString::number(r + 1)) << "riga " << r;
    EXPECT_EQ(l->modello()->chiave(55122), (QVariantList{2024, 55123}));

    // More pages than are kept: the least recently used go, the rows stay right, and the
    // page just read is kept.
    int r = 0;
    for (int p = 0; p < ModelloLista::PagineInMemoria + 10; ++p) {
        r = static_cast<int>((p * 7919LL) % n);
        ASSERT_EQ(cella(*l, r, "XmlNumRif"), QString::number(r + 1)) << "riga " << r;
    }
    const int primaDiRileggere = l->modello()->pagineLette();
    EXPECT_EQ(cella(*l, r, "XmlNumRif"), QString::number(r + 1));
    EXPECT_EQ(l->modello()->pagineLette(), primaDiRileggere);
    EXPECT_LE(l->modello()->righeInMemoria(), ModelloLista::PagineInMemoria * ModelloLista::RighePagina);

    // The search runs in SQL: at most the page of the row found is read.
    const int lette = l->modello()->pagineLette();
    EXPECT_EQ(l->cerca(l->colonna("Causale"), "NCA", DirezioneRicerca::Ultimo), 55121);
    EXPECT_LE(l->modello()->pagineLette() - lette, 1);
    EXPECT_LE(l->modello()->righeInMemoria(), ModelloLista::PagineInMemoria * ModelloLista::RighePagina);
}

// The filter panel of the received-invoice list.
struct Filtri {
    QLineEdit annoDa, annoA, numDa, numA, dataDa, dataA, causale, fornitore;
    QCheckBox stampate, contabilizzate;
    void registra(LumoComlin& l) {
        l.registraFiltro("XmlAnno", ">=", &annoDa, SqlIntero);
        l.registraFiltro("XmlAnno", "<=", &annoA, SqlIntero, "XmlAnnoA");
        l.registraFiltro("XmlNumRif", ">=", &numDa, SqlLungo);
        l.registraFiltro("XmlNumRif", "<=", &numA, SqlLungo);
        l.registraFiltro("DataRicSdi", ">=", &dataDa, SqlData);
        l.registraFiltro("DataRicSdi", "<=", &dataA, SqlData);
        l.registraFiltro("Causale", "=", &causale);
        l.registraFiltro("Fornitore", "pers", &fornitore);
        l.registraFiltro("Stampato", "=", &stampate);
        l.registraFiltro("Contabilizzato", "=", &contabilizzate);
    }
};

// The supplier condition of the list form: GG-MM-CCCC or GGMMCCCC.
QString condizioneFornitore(const QString& campo, const QString& v) {
    EXPECT_EQ(campo, "Fornitore");
    const bool trattini = v.contains('-');
    return "FatXmlTest.GruppoFor = " + SqlValore(v.left(2), SqlTesto) +
           " AND FatXmlTest.MastroFor = " + SqlValore(v.mid(trattini ? 3 : 2, 2), SqlTesto) +
           " AND FatXmlTest.ContoFor = " + SqlValore(v.mid(trattini ? 6 : 4), SqlTesto);
}

struct CasoFiltro {
    const char* nome;
    std::function<void(Filtri&)> imposta;
    int righe;
    int primo; // XmlNumRif of the first row
};

TEST_F(Lista, iFiltriRegistratiDannoLeRigheGiuste) {
    popolaFatture(db(), 300);
    const std::vector<CasoFiltro> casi{
        {"nessun filtro", [](Filtri&) {}, 300, 1},
        {"numero da/a",
         [](Filtri& f) {
             f.numDa.setText("100");
             f.numA.setText("199");
         },
         100, 100},
        {"anno fuori", [](Filtri& f) { f.annoDa.setText("2025"); }, 0, 0},
        {"anno a", [](Filtri& f) { f.annoA.setText("2.024"); }, 300, 1},
        {"data a comprende tutto il giorno",
         [](Filtri& f) {
             f.dataDa.setText("05/01/2020");
             f.dataA.setText("06/01/2020");
         },
         20, 41},
        {"causale", [](Filtri& f) { f.causale.setText("NCA"); }, 100, 3},
        {"apice nel valore", [](Filtri& f) { f.causale.setText("O'Brien"); }, 0, 0},
        {"fornitore con trattini", [](Filtri& f) { f.fornitore.setText("40-10-1005"); }, 25, 4},
        {"fornitore senza trattini", [](Filtri& f) { f.fornitore.setText("40101005"); }, 25, 4},
        {"stampate spuntata", [](Filtri& f) { f.stampate.setCheckState(Qt::Checked); }, 150, 2},
        {"stampate tolta", [](Filtri& f) { f.stampate.setCheckState(Qt::Unchecked); }, 150, 1},
        {"contabilizzate e numero",
         [](Filtri& f) {
             f.contabilizzate.setCheckState(Qt::Checked);
             f.numA.setText("50");
         },
         10, 5},
    };
    for (const CasoFiltro& c : casi) {
        SCOPED_TRACE(c.nome);
        auto l = lista();
        Filtri f;
        f.registra(*l);
        EXPECT_EQ(f.stampate.checkState(), Qt::PartiallyChecked);
        l->PersListaVarie = condizioneFornitore;
        c.imposta(f);
        ASSERT_TRUE(l->aggiorna());
        EXPECT_EQ(l->righe(), c.righe);
        if (c.righe > 0) {
            EXPECT_EQ(cella(*l, 0, "XmlNumRif"), QString::number(c.primo));
        }
    }
    EXPECT_TRUE(ui.mostrati.isEmpty()) << ui.testiMostrati().join("|").toStdString();
}

TEST_F(Lista, unFiltroIllegibileOUnaSelezioneRifiutataNonEseguonoLaQuery) {
    popolaFatture(db(), 30);
    auto l = lista();
    Filtri f;
    f.registra(*l);
    ASSERT_TRUE(l->aggiorna());
    f.numDa.setText("12x");
    EXPECT_FALSE(l->aggiorna());
    EXPECT_EQ(ui.testiMostrati(), QStringList{"Valore non valido: 12x"});
    EXPECT_EQ(l->righe(), 30);

    // A condition the database refuses is reported at once and leaves the grid empty.
    f.numDa.clear();
    l->PersListaVarie = [](const QString&, const QString&) { return QString("Inesistente = 1"); };
    f.fornitore.setText("40-10-1001");
    EXPECT_FALSE(l->aggiorna());
    ASSERT_EQ(ui.mostrati.size(), 2);
    EXPECT_TRUE(ui.mostrati[1].testo.startsWith("Lettura della lista - Errore(3146): "))
        << ui.mostrati[1].testo.toStdString();
    EXPECT_EQ(l->righe(), 0);
    f.fornitore.clear();
    ASSERT_TRUE(l->aggiorna());

    f.numDa.setText("10");
    bool chiesta = false;
    l->VerSelez = [&] {
        chiesta = true;
        return false;
    };
    EXPECT_FALSE(l->aggiorna());
    EXPECT_TRUE(chiesta);
    EXPECT_EQ(l->righe(), 30);
    EXPECT_EQ(l->PrepSql(),
              "Select FatXmlTest.XmlAnno AS XmlAnno, FatXmlTest.XmlNumRif AS XmlNumRif, "
              "FatXmlTest.DataRicSdi AS DataRicez, FatXmlTest.DGD_Numero AS NumDoc, "
              "FatXmlTest.DGD_Data AS DataDoc, FatXmlTest.Causale AS Causale, "
              "FatXmlTest.CP_DA_IdFiscaleIVA_IdCodice AS PartitaIva, FatXmlTest.GruppoFor || '-' || "
              "FatXmlTest.MastroFor || '-' || FatXmlTest.ContoFor AS Fornitore, "
              "FatXmlTest.DGD_ImportoTotaleDocumento AS TotaleDoc, FatXmlTest.Stampato AS Stampato, "
              "FatXmlTest.Contabilizzato AS Contabilizzato, FatXmlTest.XmlAnno AS k__0, "
              "FatXmlTest.XmlNumRif AS k__1 FROM FatXmlTest where XmlNumRif >= 10 "
              "Order by FatXmlTest.DataRicSdi, FatXmlTest.XmlNumRif, FatXmlTest.XmlAnno");
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
    EXPECT_EQ(l->campoOrdine(), "");
    l->dbgRiga->setCurrentIndex(l->modello()->index(9, 0));

    clicIntestazione(*l, "TotaleDoc");
    EXPECT_EQ(l->campoOrdine(), "FatXmlTest.DGD_ImportoTotaleDocumento");
    EXPECT_EQ(cella(*l, 0, "TotaleDoc"), "1,25");
    EXPECT_EQ(l->chiaveCorrente(), (QVariantList{2024, 10})); // still on the same invoice

    clicIntestazione(*l, "TotaleDoc");
    EXPECT_EQ(l->campoOrdine(), "FatXmlTest.DGD_ImportoTotaleDocumento DESC");
    EXPECT_EQ(cella(*l, 0, "XmlNumRif"), "300");
    EXPECT_EQ(l->chiaveCorrente(), (QVariantList{2024, 10}));
    EXPECT_TRUE(ui.mostrati.isEmpty());

    clicIntestazione(*l, "Fornitore");
    EXPECT_EQ(ui.testiMostrati(), QStringList{"Impossibile ordinare su questo campo"});
    EXPECT_EQ(l->campoOrdine(), "FatXmlTest.DGD_ImportoTotaleDocumento DESC");
    EXPECT_EQ(cella(*l, 0, "XmlNumRif"), "300");
}

struct CasoRicerca {
    const char* colonna;
    const char* testo;
    int direzione; // index of optDirez
    int partenza;  // current row before the search
    int atteso;
};

TEST_F(Lista, cercaInUnaColonnaPrimoSuccessivoPrecedenteUltimo) {
    popolaFatture(db(), 300);
    auto l = lista();
    ASSERT_TRUE(l->aggiorna());
    const std::vector<CasoRicerca> casi{
        {"Causale", "nca", 0, 50, 2},    {"Causale", "NCA", 1, 2, 5},
        {"Causale", "NCA", 2, 5, 2},     {"Causale", "NCA", 3, 0, 299},
        {"Causale", "NCA", 2, 2, -1},    {"DataRicez", "12/01/2020", 0, 0, 110},
        {"TotaleDoc", "12,50", 0, 0, 9}, {"NumDoc", "f2*0", 1, 19, 199},
        {"XmlNumRif", "1,5", 0, 0, -1},  {"NumDoc", "F1", 1, 1, 9},
        {"PartitaIva", "x", 0, 0, -1},
    };
    for (const CasoRicerca& c : casi) {
        SCOPED_TRACE(std::string(c.colonna) + " " + c.testo);
        ui.mostrati.clear();
        l->dbgRiga->setCurrentIndex(l->modello()->index(c.partenza, 0));
        l->CobCerca->setCurrentIndex(l->CobCerca->findData(QString(c.colonna)));
        l->txtCerca->setText(c.testo);
        l->optDirez[c.direzione]->setChecked(true);
        l->ButtonComando("Cerca");
        EXPECT_EQ(l->rigaCorrente(), c.atteso >= 0 ? c.atteso : c.partenza);
        EXPECT_EQ(ui.mostrati.size(), c.atteso < 0 ? 1 : 0);
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

TEST_F(Lista, unitaDiColonnePersonaliUnitePerPosizione) {
    const std::vector<ColonnaLista> standard{{"A", "a", "a"}, {"B", "b", "b"}, {"C", "c", "c"}};
    struct Caso {
        std::vector<ColonnaPersonale> personali;
        QStringList alias;
    };
    const std::vector<Caso> casi{
        {{{"CP_Sede_Comune", 1, "Comune", 900}}, {"_1", "a", "b", "c"}},
        {{{"X1", 2}, {"X2", 5}}, {"a", "_2", "b", "c", "_5"}},
        {{{"X1", 9}}, {"a", "b", "c", "_4"}},
        {{{"FatXmlTest.CP_Sede_Comune", 2}}, {"a", "CP_Sede_Comune", "b", "c"}},
        {{{"X1", 2}, {"X2", 2}}, {"a", "_2", "b", "c", "_5"}}, // a repeated position goes to the end
    };
    for (const Caso& c : casi) {
        std::vector<int> origine;
        QStringList alias;
        for (const ColonnaLista& col : uniscoColonne(standard, c.personali, &origine))
            alias << col.alias;
        EXPECT_EQ(alias, c.alias);
    }
    QueryLista q{"FatXmlTest", uniscoColonne(standard, {{"CP_Sede_Comune", 1, "Comune", 900}}), {}, {}, {}};
    EXPECT_EQ(testoSelect(q), "Select CP_Sede_Comune AS _1, a, b, c FROM FatXmlTest");
    EXPECT_EQ(q.colonne[0].titolo, "Comune");
    EXPECT_EQ(q.colonne[0].larghezza, 900);
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
    const QStringList predefinite{"XmlAnno",   "XmlNumRif", "DataRicez",     "NumDoc",
                                  "DataDoc",   "Causale",   "PartitaIva",    "Fornitore",
                                  "TotaleDoc", "Stampato",  "Contabilizzato"};
    Utente mario(db(), *comune, ui, "mario");
    {
        auto l = listaDi(mario);
        EXPECT_EQ(aliasVisibili(*l), predefinite);
        QHeaderView* h = l->dbgRiga->horizontalHeader();
        l->nascondiColonna(l->colonna("PartitaIva"));
        h->moveSection(h->visualIndex(l->colonna("Causale")), 0);
        h->resizeSection(l->colonna("NumDoc"), 150);
        ASSERT_TRUE(l->aggiungiColonnaPersonale("CP_Sede_Comune", l->colonna("XmlNumRif")));
        EXPECT_EQ(cella(*l, 0, "XmlNumRif"), "1"); // the grid reads again with the new column
        ASSERT_TRUE(l->salvaPersonalizzazione());
    }
    EXPECT_EQ(comune
                  ->valore("SELECT COUNT(*) FROM MenuPersonali WHERE Utente = 'mario' AND "
                           "Nome = 'Personal.frmProva.Colonne'")
                  .toInt(),
              1);

    const QStringList diMario{"Causale", "XmlAnno",   "XmlNumRif", "_4",       "DataRicez",     "NumDoc",
                              "DataDoc", "Fornitore", "TotaleDoc", "Stampato", "Contabilizzato"};
    {
        auto l = listaDi(mario);
        EXPECT_EQ(aliasVisibili(*l), diMario);
        EXPECT_EQ(l->dbgRiga->horizontalHeader()->sectionSize(l->colonna("NumDoc")), 150);
        EXPECT_EQ(l->colonne()[l->colonna("_4")].titolo, "CP_Sede_Comune");
        EXPECT_TRUE(l->PrepSql().contains("CP_Sede_Comune AS _4"));
        EXPECT_EQ(l->CobCerca->count(), 11);

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
                         "Anno;Numero;DataRicez;NumDoc;DataDoc;Causale;Fornitore;TotaleDoc;Stampato\r\n"
                         "2024;1;12/03/2024;\"A;1\";10/03/2024;FAA;40-10-1001;1.234,50;S\r\n"
                         "2024;2;13/03/2024;\"B\"\"2\";;FAA;40-10-1002;-0,50;N\r\n"));
}

TEST_F(Lista, stampaSelezioneEVaiA) {
    popolaFatture(db(), 200);
    auto l = lista();
    l->resize(1200, 500);
    l->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(l.get()));
    QLineEdit numero;
    l->registraFiltro("XmlNumRif", ">=", &numero, SqlLungo);
    int stampe = 0;
    l->stampa = [&](LumoComlin&) { ++stampe; };

    numero.setText("1000");
    ASSERT_TRUE(l->aggiorna());
    l->ButtonComando("Stampa");
    EXPECT_EQ(stampe, 0); // an empty list prints nothing
    numero.clear();
    ASSERT_TRUE(l->aggiorna());
    l->ButtonComando("Stampa");
    EXPECT_EQ(stampe, 1);

    QSignalSpy scelte(l.get(), &LumoComlin::selezionato);
    const QRect r = l->dbgRiga->visualRect(l->modello()->index(3, 1));
    QTest::mouseClick(l->dbgRiga->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(l->dbgRiga->viewport(), Qt::LeftButton, {}, r.center());
    l->dbgRiga->setCurrentIndex(l->modello()->index(7, 0));
    QTest::keyClick(l->dbgRiga, Qt::Key_Return);
    ASSERT_EQ(scelte.size(), 2);
    EXPECT_EQ(scelte[0][0].toList(), (QVariantList{2024, 4}));
    EXPECT_EQ(scelte[1][0].toList(), (QVariantList{2024, 8}));

    QAction* vaiA = l->tolComlin->findChild<QAction*>("VaiA");
    EXPECT_FALSE(vaiA->isEnabled());
    l->impostaBookmark({2024, 150});
    EXPECT_TRUE(vaiA->isEnabled());
    l->ButtonComando("VaiA");
    EXPECT_EQ(l->rigaCorrente(), 149);
}

} // namespace
