#include "schema/demo.h"
#include "support/dbprova.h"
#include "ui/finestraricerca.h"
#include "ui/lista.h"
#include "ui/ricerca.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

class Ricerca : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
    }
};

QStringList codici(const FinestraRicerca& f) {
    QStringList c;
    for (int r = 0; r < f.lista->righe(); ++r)
        c << f.lista->modello()->valore(r, 0).toString();
    return c;
}

struct CasoDescrizione {
    TipoRicerca tipo;
    const char* tipoTab;
    const char* codice;
    const char* descrizione;
};

TEST_F(Ricerca, descrizioneDiUnCodiceVuotaSeNonEsiste) {
    const std::vector<CasoDescrizione> casi{
        {TipoRicerca::Conto, "", "60-20-1003", "Consulenze amministrative e fiscali"},
        {TipoRicerca::Conto, "", "60201003", "Consulenze amministrative e fiscali"},
        {TipoRicerca::Conto, "", " 40-10-1002 ", "Cartoleria Moderna Snc di Conti & C."},
        {TipoRicerca::Conto, "", "60-20-", ""}, // a ledger heading
        {TipoRicerca::Conto, "", "60-20-9999", ""},
        {TipoRicerca::Fornitore, "", "40-10-1001", "Ferramenta Adriatica Srl"},
        {TipoRicerca::Fornitore, "", "60-20-1003", ""}, // not a supplier
        {TipoRicerca::Causale, "", "FAA", "Fattura di acquisto"},
        {TipoRicerca::Causale, "", "faa", ""},
        {TipoRicerca::Decodifica, "FETipDoc", "TD04", "Nota di credito"},
        {TipoRicerca::Decodifica, "FENatura", "TD04", ""}, // the code of another table
        {TipoRicerca::Decodifica, "FETipDoc", "TD'01", ""},
        {TipoRicerca::Iva, "", "", ""},
    };
    for (const CasoDescrizione& c : casi) {
        SCOPED_TRACE(c.codice);
        RichiestaRicerca r;
        r.tipo = c.tipo;
        r.tipoTab = c.tipoTab;
        EXPECT_EQ(descrizioneCodice(db(), r, c.codice), QString(c.descrizione));
    }
    RichiestaRicerca acquisti{TipoRicerca::Causale};
    acquisti.condizione = "TipoCausale = 'A'";
    EXPECT_EQ(descrizioneCodice(db(), acquisti, "FAA"), "Fattura di acquisto");
    EXPECT_EQ(descrizioneCodice(db(), acquisti, "FVE"), "");
}

TEST_F(Ricerca, laFinestraFiltraPerCodiceODescrizioneERestituisceIlCodice) {
    FinestraRicerca f(nullptr, db(), {TipoRicerca::Conto, {}, "60-20"});
    EXPECT_EQ(f.windowTitle(), "Ricerca conti");
    const QStringList servizi = codici(f);
    ASSERT_EQ(servizi.size(), 12);
    EXPECT_EQ(servizi.first(), "60-20-1001");
    EXPECT_EQ(servizi.last(), "60-20-1012");

    f.cobCampo->setCurrentIndex(1);
    f.txtFiltro->setText("BANCARIE");
    f.filtra();
    EXPECT_EQ(codici(f), QStringList{"60-20-1010"});
    f.accept();
    EXPECT_EQ(f.result(), QDialog::Accepted);
    EXPECT_EQ(f.codiceScelto(), "60-20-1010");

    FinestraRicerca vuota(nullptr, db(), {TipoRicerca::Conto, {}, "99"});
    EXPECT_EQ(vuota.lista->righe(), 0);
    vuota.accept(); // nothing to choose: the window stays open
    EXPECT_NE(vuota.result(), QDialog::Accepted);
}

TEST_F(Ricerca, decodificheDiUnaTabellaEFornitori) {
    FinestraRicerca tipi(nullptr, db(), {TipoRicerca::Decodifica, "FETipDoc", "TD0"});
    EXPECT_EQ(codici(tipi),
              (QStringList{"TD01", "TD02", "TD03", "TD04", "TD05", "TD06", "TD07", "TD08", "TD09"}));
    tipi.cobCampo->setCurrentIndex(1);
    tipi.txtFiltro->setText("credito");
    tipi.filtra();
    EXPECT_EQ(codici(tipi), (QStringList{"TD04", "TD08"}));

    FinestraRicerca fornitori(nullptr, db(), {TipoRicerca::Fornitore});
    EXPECT_EQ(fornitori.lista->righe(), 12);
    fornitori.txtFiltro->setText("ferr");
    fornitori.cobCampo->setCurrentIndex(1);
    EXPECT_EQ(codici(fornitori), QStringList{"40-10-1001"});
    EXPECT_EQ(fornitori.lista->modello()->data(fornitori.lista->modello()->index(0, 2)).toString(),
              "03981270683");

    // Browsing: every causal, positioned on the one typed.
    RichiestaRicerca scorri{TipoRicerca::Causale, {}, "NCA", ModoRicerca::Scorri};
    FinestraRicerca causali(nullptr, db(), scorri);
    EXPECT_EQ(causali.lista->righe(), db().valore("SELECT COUNT(*) FROM Causali").toInt());
    EXPECT_EQ(causali.lista->modello()->valore(causali.lista->rigaCorrente(), 0).toString(), "NCA");
    EXPECT_TRUE(causali.txtFiltro->text().isEmpty());
}

// Runs `azione` on the search window as soon as its modal loop shows it; a window still
// open afterwards is closed so that the test fails instead of hanging.
void allaRicerca(QTimer& t, std::function<void(FinestraRicerca*)> azione) {
    t.setSingleShot(true);
    QObject::connect(&t, &QTimer::timeout, [azione] {
        auto* f = qobject_cast<FinestraRicerca*>(QApplication::activeModalWidget());
        if (!f) {
            ADD_FAILURE() << "la finestra di ricerca non si è aperta";
            return;
        }
        azione(f);
        if (f->isVisible()) {
            ADD_FAILURE() << "la finestra di ricerca è rimasta aperta";
            f->reject();
        }
    });
    t.start(0);
}

TEST_F(Ricerca, iTastiFunzioneApronoLaRicercaELaSceltaDecodifica) {
    const std::vector<std::pair<Qt::Key, ModoRicerca>> tasti{
        {Qt::Key_F2, ModoRicerca::Codice},  {Qt::Key_F3, ModoRicerca::Descrizione},
        {Qt::Key_F4, ModoRicerca::Codice},  {Qt::Key_F5, ModoRicerca::Codice},
        {Qt::Key_F11, ModoRicerca::Codice}, {Qt::Key_F12, ModoRicerca::Codice},
    };
    for (const auto& [tasto, modo] : tasti) {
        SCOPED_TRACE(QKeySequence(tasto).toString().toStdString());
        QWidget finestra;
        QLineEdit campo(&finestra);
        QLabel etichetta(&finestra);
        collegaRicerca(&campo, &etichetta, db(), {TipoRicerca::Conto});
        campo.setText("60-20-100");
        QString filtro, corrente;
        ModoRicerca visto{};
        QTimer t;
        allaRicerca(t, [&](FinestraRicerca* f) {
            visto = f->modo();
            filtro = f->txtFiltro->text();
            corrente = codici(*f).value(f->lista->rigaCorrente());
            f->cobCampo->setCurrentIndex(0);
            f->txtFiltro->setText("60-20-1003");
            f->filtra();
            f->accept();
        });
        QTest::keyClick(&campo, tasto);
        EXPECT_EQ(visto, modo);
        // F2 and F3 filter on the text typed; the browsing keys show every account from it on.
        EXPECT_EQ(filtro, tasto == Qt::Key_F2 || tasto == Qt::Key_F3 ? "60-20-100" : "");
        EXPECT_EQ(corrente, tasto == Qt::Key_F3 ? "" : "60-20-1001");
        EXPECT_EQ(campo.text(), "60-20-1003");
        EXPECT_EQ(etichetta.text(), "Consulenze amministrative e fiscali");
    }
}

TEST_F(Ricerca, annullareLasciaIlCampoEUsciredalCampoDecodifica) {
    QLineEdit campo;
    QLabel etichetta;
    auto* r = collegaRicerca(&campo, &etichetta, db(), {TipoRicerca::Decodifica, "FEModPag"});
    campo.setText("MP05");
    QTimer t;
    allaRicerca(t, [](FinestraRicerca* f) { QTest::keyClick(f, Qt::Key_Escape); });
    QTest::keyClick(&campo, Qt::Key_F4);
    EXPECT_EQ(campo.text(), "MP05");
    EXPECT_EQ(etichetta.text(), "");

    // Other keys are typed as usual.
    QTest::keyClick(&campo, Qt::Key_F6);
    EXPECT_EQ(campo.text(), "MP05");

    QFocusEvent uscita(QEvent::FocusOut);
    QApplication::sendEvent(&campo, &uscita);
    EXPECT_EQ(etichetta.text(), "Bonifico");
    campo.setText("MP99");
    QApplication::sendEvent(&campo, &uscita);
    EXPECT_EQ(etichetta.text(), "");
    EXPECT_EQ(r->decodifica(), "");
}

} // namespace
