// The look-ups of codes: the description beside a field, the search window and the keys
// that open it from a field.

#include "formprova.h"

#include "schema/demo.h"
#include "ui/finestraricerca.h"
#include "ui/lista.h"
#include "ui/ricerca.h"

#include <QComboBox>
#include <QFocusEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

class Ricerca : public prova::FormProva {};

QStringList codici(const FinestraRicerca& f) {
    QStringList c;
    for (int r = 0; r < f.lista->righe(); ++r)
        c << f.lista->modello()->valore(r, 0).toString();
    return c;
}

TEST_F(Ricerca, laFinestraFiltraPerCodiceODescrizioneERestituisceIlCodice) {
    FinestraRicerca f(nullptr, db(), {TipoRicerca::Conto, {}, "60-20"});
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
        prova::allApertura<FinestraRicerca>([&](FinestraRicerca* f) {
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

} // namespace
