// The selection list: headings, entries and the answer however the user gives it.

#include "formprova.h"

#include "ui/msgcom.h"
#include "ui/selezele.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel::ui;
using tesel::prova::allApertura;

namespace {

const QStringList Intestazione{"Fornitore: P.Iva: 01234567890 Cod.Fisc.: 01234567890 - Rossi Forniture Srl",
                               "Fattura N. 123/A del 12/03/2024", "Primo articolo: Carta A4 80 g"};
const QStringList Conti{"40-10-0001\tRossi Forniture Srl", "40-10-0002\tRossi Forniture S.r.l. (filiale)",
                        "40-12-0150\tRossi Carta e Cancelleria Spa"};

void carica(frmSelezEle& f, const QStringList& elementi) {
    for (qsizetype i = 0; i < elementi.size(); ++i)
        f.AddElementiSel(elementi[i], i == 0);
}

QStringList voci(const QListWidget* l) {
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}

// Every way of answering stores the 0-based index of the entry and hides the window.
TEST(SelezEle, answersTheEntrySelectedHoweverTheUserConfirms) {
    enum Modo { Bottone, Invio, DoppioClic, Esc, Chiudi };
    struct Caso {
        const char* nome;
        int giu; // Down presses before answering
        Modo modo;
        int atteso;
    };
    for (const Caso& c : {Caso{"giù e Ok", 1, Bottone, 1}, Caso{"Ok subito", 0, Bottone, 0},
                          Caso{"due volte giù e Invio", 2, Invio, 2}, Caso{"oltre l'ultima", 5, Invio, 2},
                          Caso{"doppio clic", 0, DoppioClic, 2}, Caso{"Esc senza muoversi", 0, Esc, 0},
                          Caso{"Esc dopo giù", 1, Esc, 1}, Caso{"chiusura", 2, Chiudi, 2}}) {
        SCOPED_TRACE(c.nome);
        frmSelezEle f;
        carica(f, Conti);
        EXPECT_EQ(f.elementoScelto(), -1);
        allApertura<frmSelezEle>([&](frmSelezEle* d) {
            EXPECT_EQ(d->focusWidget(), d->LisSelezione);
            for (int i = 0; i < c.giu; ++i)
                QTest::keyClick(d->LisSelezione, Qt::Key_Down);
            const QPoint p = d->LisSelezione->visualItemRect(d->LisSelezione->item(2)).center();
            switch (c.modo) {
            case Bottone:
                QTest::mouseClick(d->Ok, Qt::LeftButton);
                break;
            case Invio:
                QTest::keyClick(d->LisSelezione, Qt::Key_Return);
                break;
            case DoppioClic: // a real double click: a press, then the double-click event
                QTest::mouseClick(d->LisSelezione->viewport(), Qt::LeftButton, {}, p);
                QTest::mouseDClick(d->LisSelezione->viewport(), Qt::LeftButton, {}, p);
                break;
            case Esc:
                QTest::keyClick(d->LisSelezione, Qt::Key_Escape);
                break;
            case Chiudi:
                d->close();
                break;
            }
        });
        f.exec();
        EXPECT_FALSE(f.isVisible());
        EXPECT_EQ(f.elementoScelto(), c.atteso);
    }
}

TEST(InterazioneFinestre, scegliShowsHeadingsAndEntriesAndAnswersTheChoice) {
    InterazioneFinestre ui;
    allApertura<frmSelezEle>([](frmSelezEle* d) {
        EXPECT_EQ(d->labDescr[1]->text(), Intestazione[1]);
        EXPECT_EQ(voci(d->LisSelezione), Conti);
        QTest::keyClick(d->LisSelezione, Qt::Key_Down);
        QTest::mouseClick(d->Ok, Qt::LeftButton);
    });
    EXPECT_EQ(ui.scegli(Intestazione, Conti), 1);

    // Headings beyond the third go on the third line.
    allApertura<frmSelezEle>([](frmSelezEle* d) {
        EXPECT_EQ(d->labDescr[2]->text(), "Terza\nQuarta");
        QTest::keyClick(d->LisSelezione, Qt::Key_Escape);
    });
    EXPECT_EQ(ui.scegli({"Prima", "Seconda", "Terza", "Quarta"}, Conti), 0);

    // Nothing to choose from: no window (one would be closed and reported here).
    bool aperta = false;
    QTimer::singleShot(0, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            aperta = true;
            w->hide();
        }
    });
    EXPECT_EQ(ui.scegli(Intestazione, {}), 0);
    EXPECT_FALSE(aperta);
    QCoreApplication::processEvents();
}

} // namespace
