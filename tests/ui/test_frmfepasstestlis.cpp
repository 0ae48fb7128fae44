// The received-invoice list on the demo company with a handful of invoices written here:
// columns, personalised columns, filters, ranges, sorting, choosing with its neighbours, and
// the list export.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "review/forms/frmfepasstestlis.h"
#include "schema/demo.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"
#include "ui/lista.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <functional>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

struct Fattura {
    int anno, numero;
    QDateTime ricevuta;
    const char* numDoc;
    QDate data;
    const char* causale;
    const char *gruppo, *mastro, *conto; // nullptr: Null
    qint64 centesimi;
    const char *stampato, *contabilizzato;
};

QDateTime ora(int a, int m, int g, int h) {
    return QDateTime(QDate(a, m, g), QTime(h, 0));
}

// Listed here in the list's default order (receipt date, then reference number). The account
// parts are texts: leading zeros, empty texts, letters and Nulls must all be borne by the
// supplier filter.
const std::vector<Fattura> Fatture{
    {2023, 8, ora(2023, 12, 20, 9), "Z10", {2023, 12, 15}, "PAR", "AB", "x", "y", 2000, "S", "N"},
    {2023, 7, ora(2024, 1, 10, 10), "Z9", {2023, 12, 30}, "FAA", "", "", "", 1000, "N", "S"},
    {2024, 2, ora(2024, 3, 1, 8), "A2", {2024, 2, 27}, "FAA", "40", "1", "0125", 20050, "S", "N"},
    {2024, 1, ora(2024, 3, 1, 9), "A1", {2024, 2, 28}, "FAA", "40", "01", "125", 10000, "S", "S"},
    {2024, 3, ora(2024, 3, 5, 10), "B1", {2024, 3, 1}, "NCA", "40", "10", "1001", -5000, "N", "N"},
    {2024, 4, ora(2024, 3, 10, 9), "C1", {2024, 3, 9}, "FAA", nullptr, nullptr, nullptr, 3000, "N", "N"},
    {2024, 5, ora(2024, 3, 10, 11), "C2", {2024, 3, 10}, "FAA", "40", "01", "125", 4000, "N", "S"},
};

QString testoONull(const char* t) {
    return t ? SqlValore(QString::fromUtf8(t), SqlTesto) : QStringLiteral("Null");
}

void scriviFatture(Database& db) {
    for (const Fattura& f : Fatture)
        db.EseguiSql(
            "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DataRicSdi, DGD_Numero, DGD_Data, Causale, "
            "CP_DA_IdFiscaleIVA_IdCodice, CP_DA_Anagrafica_Denominazione, GruppoFor, MastroFor, ContoFor, "
            "DGD_ImportoTotaleDocumento, Stampato, Contabilizzato) VALUES (" +
            QStringList{QString::number(f.anno), QString::number(f.numero), SqlValore(f.ricevuta, SqlData),
                        SqlValore(QString::fromUtf8(f.numDoc), SqlTesto), SqlValore(f.data, SqlData),
                        SqlValore(QString::fromUtf8(f.causale), SqlTesto), SqlValore("03981270683", SqlTesto),
                        SqlValore(QStringLiteral("Fornitore %1/%2").arg(f.anno).arg(f.numero), SqlTesto),
                        testoONull(f.gruppo), testoONull(f.mastro), testoONull(f.conto),
                        Currency::daDecimillesimi(f.centesimi * 100).testoSql(),
                        SqlValore(QString::fromUtf8(f.stampato), SqlTesto),
                        SqlValore(QString::fromUtf8(f.contabilizzato), SqlTesto)}
                .join(", ") +
            ")");
}

using Chiavi = std::vector<QVariantList>;

QVariantList k(int anno, int numero) {
    return {anno, numero};
}

// The default order of the invoices whose index in Fatture passes `tiene`.
Chiavi chiaviDove(const std::function<bool(const Fattura&)>& tiene) {
    Chiavi c;
    for (const Fattura& f : Fatture)
        if (tiene(f))
            c.push_back(k(f.anno, f.numero));
    return c;
}

class ListaFatturePassive : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        scriviFatture(db());
        configurazione = std::make_unique<Configurazione>(menu, utente);
        parametri = std::make_unique<ParametriAzienda>(db());
        contesto.reset(
            new Contesto{db(), nullptr, *configurazione, menu, utente, *parametri, QStringLiteral("prova")});
    }
    void TearDown() override {
        delete form.data();
        contesto.reset();
        parametri.reset();
        configurazione.reset();
        ConDatabase::TearDown();
    }

    frmFEPassTestLis& apri() {
        form = new frmFEPassTestLis(*contesto);
        form->resize(1280, 800);
        form->show();
        QApplication::setActiveWindow(form);
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.data()));
        EXPECT_TRUE(form->Carica());
        return *form;
    }

    Chiavi chiaviMostrate() const {
        Chiavi c;
        for (int r = 0; r < form->lista->righe(); ++r)
            c.push_back(form->lista->modello()->chiave(r));
        // The driver may read the key as any integer type.
        for (QVariantList& v : c)
            for (QVariant& x : v)
                x = x.toInt();
        return c;
    }
    QString cella(int riga, const QString& alias) const {
        const ModelloLista* m = form->lista->modello();
        return m->data(m->index(riga, form->lista->colonna(alias))).toString();
    }
    QStringList intestazioni() const {
        QStringList t;
        const QHeaderView* h = form->lista->dbgRiga->horizontalHeader();
        for (int v = 0; v < h->count(); ++v)
            t << form->lista->modello()->headerData(h->logicalIndex(v), Qt::Horizontal).toString();
        return t;
    }
    void clicIntestazione(const QString& alias) {
        QHeaderView* h = form->lista->dbgRiga->horizontalHeader();
        const int c = form->lista->colonna(alias);
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {}, QPoint(h->sectionViewportPosition(c) + 5, 5));
    }
    // Types into a filter field and leaves it, as the user does.
    static void digita(QLineEdit* campo, const QString& testo) {
        campo->setFocus();
        campo->selectAll();
        QTest::keyClick(campo, Qt::Key_Delete);
        QTest::keyClicks(campo, testo);
        QTest::keyClick(campo, Qt::Key_Tab);
    }

    ClientMenuFisso menu;
    prova::InterazioneProva utente;
    std::unique_ptr<Configurazione> configurazione;
    std::unique_ptr<ParametriAzienda> parametri;
    std::unique_ptr<Contesto> contesto;
    QPointer<frmFEPassTestLis> form;
};

const QStringList Titoli{"Anno",       "Numero",    "DataRicez", "NumDoc",   "DataDoc",       "Causale",
                         "PartitaIva", "Fornitore", "TotaleDoc", "Stampato", "Contabilizzato"};

TEST_F(ListaFatturePassive, apreTutteLeFattureConLeUndiciColonneInOrdineDiRicezione) {
    auto& f = apri();
    EXPECT_EQ(f.windowTitle(), "Lista Testate Fatture Passive");
    EXPECT_EQ(intestazioni(), Titoli);
    EXPECT_EQ(chiaviMostrate(), chiaviDove([](const Fattura&) { return true; }));

    // Widths in twips: 700 for the key, 1400 for the document number and the total, the
    // component's default for the two flags.
    const QHeaderView* h = f.lista->dbgRiga->horizontalHeader();
    const auto larghezza = [&](const char* alias) { return h->sectionSize(f.lista->colonna(alias)); };
    EXPECT_GT(larghezza("XmlAnno"), 20);
    EXPECT_EQ(larghezza("XmlNumRif"), larghezza("XmlAnno"));
    EXPECT_NEAR(larghezza("NumDoc"), 2 * larghezza("XmlAnno"), 1);
    EXPECT_EQ(larghezza("TotaleDoc"), larghezza("NumDoc"));
    EXPECT_NEAR(larghezza("DataRicez") * 7, larghezza("XmlAnno") * 10, 10);
    EXPECT_NEAR(larghezza("PartitaIva") * 140, larghezza("NumDoc") * 125, 140);
    EXPECT_EQ(larghezza("Stampato"), h->defaultSectionSize());
    EXPECT_EQ(larghezza("Contabilizzato"), h->defaultSectionSize());

    // Row 3 is invoice 2024/1; missing account parts stay empty without blanking the code.
    EXPECT_EQ(
        QStringList({cella(3, "XmlAnno"), cella(3, "XmlNumRif"), cella(3, "DataRicez"), cella(3, "NumDoc"),
                     cella(3, "DataDoc"), cella(3, "Causale"), cella(3, "PartitaIva"), cella(3, "Fornitore"),
                     cella(3, "TotaleDoc"), cella(3, "Stampato"), cella(3, "Contabilizzato")}),
        QStringList({"2024", "1", "01/03/2024", "A1", "28/02/2024", "FAA", "03981270683", "40-01-125",
                     "100,00", "S", "S"}));
    EXPECT_EQ(cella(1, "Fornitore"), "--");
    EXPECT_EQ(cella(5, "Fornitore"), "--");
    EXPECT_EQ(cella(4, "TotaleDoc"), "-50,00");

    EXPECT_EQ(
        f.PrepSql(),
        "Select FatXmlTest.XmlAnno AS XmlAnno, FatXmlTest.XmlNumRif AS XmlNumRif, "
        "FatXmlTest.DataRicSdi AS DataRicez, FatXmlTest.DGD_Numero AS NumDoc, "
        "FatXmlTest.DGD_Data AS DataDoc, FatXmlTest.Causale AS Causale, "
        "FatXmlTest.CP_DA_IdFiscaleIVA_IdCodice AS PartitaIva, COALESCE(FatXmlTest.GruppoFor, '') || "
        "'-' || COALESCE(FatXmlTest.MastroFor, '') || '-' || COALESCE(FatXmlTest.ContoFor, '') AS "
        "Fornitore, FatXmlTest.DGD_ImportoTotaleDocumento AS TotaleDoc, FatXmlTest.Stampato AS Stampato, "
        "FatXmlTest.Contabilizzato AS Contabilizzato, FatXmlTest.XmlAnno AS k__0, "
        "FatXmlTest.XmlNumRif AS k__1 FROM FatXmlTest "
        "Order by FatXmlTest.DataRicSdi, FatXmlTest.XmlNumRif, FatXmlTest.XmlAnno");
    EXPECT_FALSE(f.lista->tolComlin->findChild<QAction*>("VaiA")->isEnabled());
    EXPECT_TRUE(f.lista->tolComlin->findChild<QAction*>("Stampa")->isVisible());
    EXPECT_TRUE(utente.mostrati.isEmpty()) << utente.testiMostrati().join("|").toStdString();
}

TEST_F(ListaFatturePassive, unaColonnaPersonaleInPrimaPosizioneSpostaLeStandard) {
    auto& f = apri();
    f.lista->impostaColonnePersonali({{"CP_DA_Anagrafica_Denominazione", 1, "Ragione sociale", 2800},
                                      {"FatXmlTest.DGD_Numero", 4, {}, 0}});
    QStringList attese = Titoli;
    attese.insert(0, "Ragione sociale");
    attese.insert(3, "DGD_Numero");
    EXPECT_EQ(intestazioni(), attese);
    const QString sql = f.PrepSql();
    EXPECT_TRUE(sql.startsWith("Select CP_DA_Anagrafica_Denominazione AS _1, FatXmlTest.XmlAnno AS XmlAnno, "
                               "FatXmlTest.XmlNumRif AS XmlNumRif, FatXmlTest.DGD_Numero AS DGD_Numero, "
                               "FatXmlTest.DataRicSdi AS DataRicez, "))
        << sql.toStdString();
    const QHeaderView* h = f.lista->dbgRiga->horizontalHeader();
    EXPECT_NEAR(h->sectionSize(0) * 2, h->sectionSize(f.lista->colonna("NumDoc")) * 4, 4);
    EXPECT_EQ(h->sectionSize(3), h->defaultSectionSize());
    EXPECT_EQ(f.lista->modello()->data(f.lista->modello()->index(3, 0)).toString(), "Fornitore 2024/1");
    EXPECT_EQ(cella(3, "XmlNumRif"), "1");
    EXPECT_EQ(chiaviMostrate().size(), Fatture.size());
}

TEST_F(ListaFatturePassive, ilFornitoreConOSenzaTrattiniDaLeStesseCondizioniNumeriche) {
    const QString attesa =
        "CASE WHEN length(trim(FatXmlTest.GruppoFor)) BETWEEN 1 AND 18 AND ltrim(trim(FatXmlTest.GruppoFor), "
        "'0123456789') = '' THEN CAST(trim(FatXmlTest.GruppoFor) AS BIGINT) END = 40 AND "
        "CASE WHEN length(trim(FatXmlTest.MastroFor)) BETWEEN 1 AND 18 AND ltrim(trim(FatXmlTest.MastroFor), "
        "'0123456789') = '' THEN CAST(trim(FatXmlTest.MastroFor) AS BIGINT) END = 1 AND "
        "CASE WHEN length(trim(FatXmlTest.ContoFor)) BETWEEN 1 AND 18 AND ltrim(trim(FatXmlTest.ContoFor), "
        "'0123456789') = '' THEN CAST(trim(FatXmlTest.ContoFor) AS BIGINT) END = 125";
    EXPECT_EQ(condizioneFornitore("40-01-125"), attesa);
    EXPECT_EQ(condizioneFornitore("4001125"), attesa);

    auto& f = apri();
    // The empty, lettered and Null account parts of some invoices break nothing on either engine.
    const Chiavi di125 = {k(2024, 2), k(2024, 1), k(2024, 5)};
    struct Caso {
        const char* codice;
        Chiavi attese;
    };
    for (const Caso& c : std::vector<Caso>{{"40-01-125", di125},
                                           {"4001125", di125},
                                           {" 40-01-0125 ", di125},
                                           {"40101001", {k(2024, 3)}},
                                           {"40-10", {k(2024, 3)}},
                                           {"40-10-1002", {}}}) {
        SCOPED_TRACE(c.codice);
        f.txt[90]->setText(c.codice);
        f.ButtonComando("Aggiorna");
        EXPECT_EQ(chiaviMostrate(), c.attese);
        EXPECT_TRUE(f.PrepSql().contains(" where (CASE WHEN length(trim(FatXmlTest.GruppoFor))"));
    }
    EXPECT_TRUE(utente.mostrati.isEmpty()) << utente.testiMostrati().join("|").toStdString();

    // A code that is no account, or not one of numbers, is refused before any query; the rows stay.
    f.txt[90]->setText("40101001");
    f.ButtonComando("Aggiorna");
    for (const char* sbagliato : {"4A01125", "40--125", "4"}) {
        utente.mostrati.clear();
        f.txt[90]->setText(sbagliato);
        f.ButtonComando("Aggiorna");
        EXPECT_EQ(utente.testiMostrati(), QStringList{QStringLiteral("Valore non valido: ") + sbagliato});
        EXPECT_EQ(chiaviMostrate(), Chiavi{k(2024, 3)});
    }
}

TEST_F(ListaFatturePassive, leCaselleGrigieSpuntateOTolteFiltranoStampateEContabilizzate) {
    auto& f = apri();
    struct Caso {
        int indice;
        Qt::CheckState stato;
        const char* valore;
        const char* campo;
    };
    for (const Caso& c : std::vector<Caso>{{110, Qt::PartiallyChecked, "", "Stampato"},
                                           {110, Qt::Checked, "S", "Stampato"},
                                           {110, Qt::Unchecked, "N", "Stampato"},
                                           {120, Qt::PartiallyChecked, "", "Contabilizzato"},
                                           {120, Qt::Checked, "S", "Contabilizzato"},
                                           {120, Qt::Unchecked, "N", "Contabilizzato"}}) {
        SCOPED_TRACE(std::string(c.campo) + " '" + c.valore + "'");
        f.Che[110]->setCheckState(Qt::PartiallyChecked);
        f.Che[120]->setCheckState(Qt::PartiallyChecked);
        f.Che[c.indice]->setCheckState(c.stato);
        EXPECT_EQ(f.txt[c.indice]->text(), c.valore);
        EXPECT_FALSE(f.txt[c.indice]->isVisible());
        f.ButtonComando("Aggiorna");
        const QString v = QString::fromUtf8(c.valore);
        EXPECT_EQ(chiaviMostrate(), chiaviDove([&](const Fattura& x) {
                      const char* flag = c.indice == 110 ? x.stampato : x.contabilizzato;
                      return v.isEmpty() || v == QString::fromUtf8(flag);
                  }));
        EXPECT_EQ(f.PrepSql().contains(QString(c.campo) + " = "), !v.isEmpty());
    }

    // Both together, and the boxes cycle from greyed through ticked to cleared on clicks.
    f.Che[110]->setCheckState(Qt::PartiallyChecked);
    f.Che[120]->setCheckState(Qt::PartiallyChecked);
    EXPECT_TRUE(f.Che[110]->isTristate());
    QTest::mouseClick(f.Che[110], Qt::LeftButton, {}, QPoint(8, f.Che[110]->height() / 2));
    EXPECT_EQ(f.Che[110]->checkState(), Qt::Checked);
    QTest::mouseClick(f.Che[120], Qt::LeftButton, {}, QPoint(8, f.Che[120]->height() / 2));
    QTest::mouseClick(f.Che[120], Qt::LeftButton, {}, QPoint(8, f.Che[120]->height() / 2));
    EXPECT_EQ(f.Che[120]->checkState(), Qt::Unchecked);
    f.ComFiltra->click();
    EXPECT_EQ(chiaviMostrate(), (Chiavi{k(2023, 8), k(2024, 2)}));
    EXPECT_TRUE(utente.mostrati.isEmpty()) << utente.testiMostrati().join("|").toStdString();
}

TEST_F(ListaFatturePassive, intervalliDiAnnoNumeroEDate) {
    auto& f = apri();
    struct Caso {
        const char* nome;
        std::map<int, const char*> valori;
        Chiavi attese;
    };
    const std::vector<Caso> casi{
        {"anno", {{10, "2024"}, {20, "2024"}}, chiaviDove([](const Fattura& x) { return x.anno == 2024; })},
        {"solo anno a", {{20, "2023"}}, {k(2023, 8), k(2023, 7)}},
        {"numero", {{30, "2"}, {40, "4"}}, {k(2024, 2), k(2024, 3), k(2024, 4)}},
        // The "to" receipt date takes its whole day: the invoice of 10/03 at 11:00 is in.
        {"ricezione", {{50, "05/03/2024"}, {60, "10/03/2024"}}, {k(2024, 3), k(2024, 4), k(2024, 5)}},
        {"documento", {{70, "27/02/2024"}, {80, "28/02/2024"}}, {k(2024, 2), k(2024, 1)}},
        {"documento e numero", {{70, "01/01/2024"}, {30, "3"}}, {k(2024, 3), k(2024, 4), k(2024, 5)}},
        {"nessuna", {{50, "01/01/2025"}}, {}},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        for (auto& [i, campo] : f.txt)
            if (i < 110)
                campo->clear();
        for (const auto& [i, v] : c.valori)
            f.txt.at(i)->setText(v);
        f.ButtonComando("Aggiorna");
        EXPECT_EQ(chiaviMostrate(), c.attese);
    }
    EXPECT_TRUE(utente.mostrati.isEmpty()) << utente.testiMostrati().join("|").toStdString();

    // A date typed short is written out in full when the field is left, Enter runs the query.
    for (auto& [i, campo] : f.txt)
        if (i < 110)
            campo->clear();
    digita(f.txt[50], "1/3/24");
    EXPECT_EQ(f.txt[50]->text(), "01/03/2024");
    f.txt[60]->setFocus();
    QTest::keyClicks(f.txt[60], "050324");
    QTest::keyClick(f.txt[60], Qt::Key_Return);
    EXPECT_EQ(f.txt[60]->text(), "05/03/2024");
    EXPECT_EQ(chiaviMostrate(), (Chiavi{k(2024, 2), k(2024, 1), k(2024, 3)}));

    // A reversed pair is refused with its message, the focus on its first field, and the
    // rows stay as they were.
    struct Rovescio {
        int da, a;
        const char *x, *y, *messaggio;
    };
    for (const Rovescio& r : std::vector<Rovescio>{
             {10, 20, "2024", "2023", "Si prega di inserire le date riferimento in ordine crescente"},
             {30, 40, "5", "4", "Si prega di inserire i numeri riferimento in ordine crescente"},
             {50, 60, "02/03/2024", "01/03/2024",
              "Si prega di inserire le date di Ricezione in ordine crescente"},
             {70, 80, "01/01/2025", "31/12/2024",
              "Si prega di inserire le date di Fattura in ordine crescente"},
         }) {
        SCOPED_TRACE(r.messaggio);
        for (auto& [i, campo] : f.txt)
            if (i < 110)
                campo->clear();
        ASSERT_TRUE(f.lista->aggiorna());
        utente.mostrati.clear();
        f.txt[r.da]->setText(r.x);
        f.txt[r.a]->setText(r.y);
        f.ButtonComando("Aggiorna");
        EXPECT_EQ(utente.testiMostrati(), QStringList{r.messaggio});
        EXPECT_EQ(QApplication::focusWidget(), f.txt[r.da]);
        EXPECT_EQ(chiaviMostrate().size(), Fatture.size());
    }
    // Equal ends are in order.
    utente.mostrati.clear();
    f.txt[70]->setText("28/02/2024");
    f.txt[80]->setText("28/02/2024");
    f.ButtonComando("Aggiorna");
    EXPECT_TRUE(utente.mostrati.isEmpty());
    EXPECT_EQ(chiaviMostrate(), (Chiavi{k(2024, 1)}));
}

TEST_F(ListaFatturePassive, ordinaSuUnaColonnaERifiutaIlFornitore) {
    auto& f = apri();
    clicIntestazione("TotaleDoc");
    EXPECT_EQ(f.lista->campoOrdine(), "FatXmlTest.DGD_ImportoTotaleDocumento");
    EXPECT_TRUE(f.PrepSql().endsWith(" Order by FatXmlTest.DGD_ImportoTotaleDocumento, FatXmlTest.XmlAnno, "
                                     "FatXmlTest.XmlNumRif"));
    const Chiavi perTotale{k(2024, 3), k(2023, 7), k(2023, 8), k(2024, 4),
                           k(2024, 5), k(2024, 1), k(2024, 2)};
    EXPECT_EQ(chiaviMostrate(), perTotale);
    EXPECT_TRUE(utente.mostrati.isEmpty());

    clicIntestazione("Fornitore");
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Impossibile ordinare su questo campo"});
    EXPECT_EQ(f.lista->campoOrdine(), "FatXmlTest.DGD_ImportoTotaleDocumento");
    EXPECT_EQ(chiaviMostrate(), perTotale);
}

TEST_F(ListaFatturePassive, laFatturaSceltaEISuoiViciniSeguonoLOrdineDellaLista) {
    auto& f = apri();
    f.txt[10]->setText("2024");
    f.ButtonComando("Aggiorna");
    f.lista->ordina(f.lista->colonna("TotaleDoc"));
    f.lista->ordina(f.lista->colonna("TotaleDoc")); // descending
    const Chiavi attese{k(2024, 2), k(2024, 1), k(2024, 5), k(2024, 4), k(2024, 3)};
    ASSERT_EQ(chiaviMostrate(), attese);

    f.impostaBookmark(ChiaveFattura{2024, 4});
    EXPECT_TRUE(f.lista->tolComlin->findChild<QAction*>("VaiA")->isEnabled());
    f.ButtonComando("VaiA");
    EXPECT_EQ(f.lista->rigaCorrente(), 3);

    QTableView* g = f.lista->dbgRiga;
    const QRect r = g->visualRect(f.lista->modello()->index(1, 1));
    QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, r.center());
    QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, r.center());
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_FALSE(f.isVisible());
    ASSERT_TRUE(f.scelta());
    const SceltaLista s = *f.scelta(); // a copy: it must outlive the form
    EXPECT_EQ(s.chiave, k(2024, 1));
    ASSERT_TRUE(s.vicino);

    // Forward and back through the filtered rows in the sorted order, ending at both ends.
    Chiavi avanti{s.chiave};
    while (auto n = s.vicino(avanti.back(), +1))
        avanti.push_back(*n);
    EXPECT_EQ(avanti, Chiavi(attese.begin() + 1, attese.end()));
    EXPECT_EQ(s.vicino(k(2024, 2), -1), std::nullopt);
    EXPECT_EQ(s.vicino(k(2024, 3), -1), k(2024, 4));
    EXPECT_EQ(s.vicino(k(2024, 2), +2), k(2024, 5));
    // An invoice outside the filter has no neighbours in this list.
    EXPECT_EQ(s.vicino(k(2023, 7), +1), std::nullopt);
    // The neighbours still follow that order after the form is gone.
    delete form.data();
    EXPECT_EQ(s.vicino(k(2024, 5), +1), k(2024, 4));
    EXPECT_TRUE(utente.mostrati.isEmpty()) << utente.testiMostrati().join("|").toStdString();
}

TEST_F(ListaFatturePassive, scegliFatturaPassivaRispondeLaRigaSceltaONullaSeChiusa) {
    QWidget padre;
    padre.show();
    const auto scegli = [&](const std::function<void(frmFEPassTestLis&)>& azione) {
        bool vista = false;
        QTimer::singleShot(0, [&] {
            auto* f = qobject_cast<frmFEPassTestLis*>(QApplication::activeModalWidget());
            if (!f) {
                ADD_FAILURE() << "la lista non è aperta";
                return;
            }
            vista = true;
            azione(*f);
        });
        auto s = scegliFatturaPassiva(*contesto, &padre);
        EXPECT_TRUE(vista);
        return s;
    };

    auto s = scegli([](frmFEPassTestLis& f) {
        EXPECT_EQ(f.lista->righe(), static_cast<int>(Fatture.size()));
        EXPECT_EQ(f.focusWidget(), f.lista->dbgRiga);
        QTest::keyClick(f.lista->dbgRiga, Qt::Key_Down);
        QTest::keyClick(f.lista->dbgRiga, Qt::Key_Down);
        QTest::keyClick(f.lista->dbgRiga, Qt::Key_Return);
    });
    ASSERT_TRUE(s);
    EXPECT_EQ(s->chiave, k(2024, 2));
    EXPECT_EQ(s->vicino(s->chiave, +1), k(2024, 1));
    EXPECT_EQ(s->vicino(s->chiave, -1), k(2023, 7));

    EXPECT_EQ(scegli([](frmFEPassTestLis& f) { QTest::keyClick(f.lista->dbgRiga, Qt::Key_Escape); }),
              std::nullopt);
    EXPECT_EQ(scegli([](frmFEPassTestLis& f) { f.ComChiudi->click(); }), std::nullopt);
}

TEST_F(ListaFatturePassive, stampaEsportaLeRigheEConListaVuotaNonFaNulla) {
    auto& f = apri();
    QTemporaryDir cartella;
    const QString file = cartella.filePath("lista.csv");
    int chieste = 0;
    f.fileStampa = [&] {
        ++chieste;
        return file;
    };
    f.txt[30]->setText("100");
    f.ButtonComando("Aggiorna");
    ASSERT_EQ(f.lista->righe(), 0);
    f.ButtonComando("Stampa");
    EXPECT_EQ(chieste, 0);
    EXPECT_FALSE(QFile::exists(file));

    f.txt[30]->clear();
    f.txt[100]->setText("NCA");
    f.ButtonComando("Aggiorna");
    f.ButtonComando("Stampa");
    EXPECT_EQ(chieste, 1);
    QFile csv(file);
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_EQ(csv.readAll(),
              QByteArray("\xEF\xBB\xBF"
                         "Anno;Numero;DataRicez;NumDoc;DataDoc;Causale;PartitaIva;Fornitore;"
                         "TotaleDoc;Stampato;Contabilizzato\r\n"
                         "2024;3;05/03/2024;B1;01/03/2024;NCA;03981270683;40-10-1001;-50,00;N;N\r\n"));
    EXPECT_TRUE(utente.mostrati.isEmpty()) << utente.testiMostrati().join("|").toStdString();
}

} // namespace
