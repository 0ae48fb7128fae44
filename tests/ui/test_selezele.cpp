// The selection list: headings, entries, the answer however the user gives it, and a layout
// that shows what the user must read.

#include "ui/msgcom.h"
#include "ui/selezele.h"

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace tesel::ui;

namespace {

// Runs `azione` on the modal window as soon as the caller's modal loop shows it. A window
// left open by a failed expectation is closed so the test reports instead of hanging.
void allApertura(std::function<void(frmSelezEle*)> azione) {
    QTimer::singleShot(0, [azione] {
        QWidget* modale = QApplication::activeModalWidget();
        auto* w = qobject_cast<frmSelezEle*>(modale);
        if (!w) {
            ADD_FAILURE() << "nessuna finestra di selezione aperta";
            if (modale)
                modale->hide();
            return;
        }
        azione(w);
        if (w->isVisible()) {
            ADD_FAILURE() << "la finestra è rimasta aperta";
            w->hide();
        }
    });
}

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

TEST(SelezEle, headingLinesAreSetOneByOneAndEmptyOnesHidden) {
    frmSelezEle f;
    EXPECT_EQ(f.windowTitle(), "Selezione");
    EXPECT_EQ(f.Ok->text(), "&Ok");
    for (int i = 0; i < 3; ++i)
        f.osDescriz(i, Intestazione[i]);
    f.osDescriz(1, {});
    f.osDescriz(3, "fuori");  // ignored: only three lines
    f.osDescriz(-1, "fuori"); // ignored
    EXPECT_EQ(f.labDescr[0]->text(), Intestazione[0]);
    EXPECT_EQ(f.labDescr[2]->text(), Intestazione[2]);
    EXPECT_FALSE(f.labDescr[0]->isHidden());
    EXPECT_TRUE(f.labDescr[1]->isHidden());
    EXPECT_FALSE(f.labDescr[2]->isHidden());
}

TEST(SelezEle, entriesAreAppendedOrReplacedAndTheFirstIsSelected) {
    frmSelezEle f;
    f.AddElementiSel(Conti[0], true);
    f.AddElementiSel(Conti[1], false);
    EXPECT_EQ(voci(f.LisSelezione), QStringList(Conti.mid(0, 2)));
    f.LisSelezione->setCurrentRow(1);
    f.AddElementiSel(Conti[2], false);
    EXPECT_EQ(voci(f.LisSelezione), Conti);
    EXPECT_EQ(f.LisSelezione->currentRow(), 0);
    ASSERT_EQ(f.LisSelezione->selectedItems().size(), 1);
    EXPECT_EQ(f.LisSelezione->selectedItems().first()->text(), Conti[0]);

    f.AddElementiSel(Conti[2], true);
    EXPECT_EQ(voci(f.LisSelezione), QStringList{Conti[2]});
    EXPECT_EQ(f.LisSelezione->currentRow(), 0);
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
        allApertura([&](frmSelezEle* d) {
            EXPECT_EQ(d->focusWidget(), d->LisSelezione);
            for (int i = 0; i < c.giu; ++i)
                QTest::keyClick(d->LisSelezione, Qt::Key_Down);
            switch (c.modo) {
            case Bottone:
                QTest::mouseClick(d->Ok, Qt::LeftButton);
                break;
            case Invio:
                QTest::keyClick(d->LisSelezione, Qt::Key_Return);
                break;
            case DoppioClic: {
                const QPoint p = d->LisSelezione->visualItemRect(d->LisSelezione->item(2)).center();
                // A real double click: a press, then the double-click event.
                QTest::mouseClick(d->LisSelezione->viewport(), Qt::LeftButton, {}, p);
                QTest::mouseDClick(d->LisSelezione->viewport(), Qt::LeftButton, {}, p);
                break;
            }
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
    allApertura([](frmSelezEle* d) {
        EXPECT_EQ(d->labDescr[0]->text(), Intestazione[0]);
        EXPECT_EQ(d->labDescr[1]->text(), Intestazione[1]);
        EXPECT_EQ(d->labDescr[2]->text(), Intestazione[2]);
        EXPECT_EQ(voci(d->LisSelezione), Conti);
        EXPECT_EQ(d->LisSelezione->currentRow(), 0);
        QTest::keyClick(d->LisSelezione, Qt::Key_Down);
        QTest::mouseClick(d->Ok, Qt::LeftButton);
    });
    EXPECT_EQ(ui.scegli(Intestazione, Conti), 1);

    // Escape answers the first entry; headings beyond the third go on the third line.
    allApertura([](frmSelezEle* d) {
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

// The column after the tab starts at the same place in every entry: entries with the same
// description and codes of different widths end at the same pixel.
TEST(SelezEle, descriptionsAfterTheTabAreAligned) {
    frmSelezEle f;
    carica(f, {"40-10-0001\tRossi Forniture Srl", "1\tRossi Forniture Srl",
               "40-10-0001-WWW\tRossi Forniture Srl", "40\tRossi Forniture Srl"});
    f.show();
    QCoreApplication::processEvents();
    const QImage img = f.LisSelezione->viewport()->grab().toImage();
    const QRgb fondo =
        img.pixel(img.width() - 1, f.LisSelezione->visualItemRect(f.LisSelezione->item(1)).center().y());
    auto ultimoInchiostro = [&](int riga) {
        const QRect r = f.LisSelezione->visualItemRect(f.LisSelezione->item(riga));
        int ultimo = -1;
        for (int y = r.top(); y <= r.bottom() && y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (img.pixel(x, y) != fondo)
                    ultimo = std::max(ultimo, x);
        return ultimo;
    };
    // Row 0 is selected and painted differently; the others are compared.
    const int fine = ultimoInchiostro(1);
    ASSERT_GT(fine, 0) << "nessun testo disegnato";
    EXPECT_EQ(ultimoInchiostro(2), fine);
    EXPECT_EQ(ultimoInchiostro(3), fine);
    // And the widest code does not run into its description.
    const QFontMetrics fm(f.LisSelezione->font());
    EXPECT_GT(fine, fm.horizontalAdvance("40-10-0001-WWW") + fm.horizontalAdvance("Rossi Forniture Srl"));
    f.hide();
}

TEST(SelezEle, firstShowFitsTheScreenShowsTenRowsAndWholeHeadings) {
    const QRect schermo = QGuiApplication::primaryScreen()->availableGeometry();
    struct Caso {
        const char* nome;
        int voci;
        QString descrizione; // of each entry
    };
    const QString lunga = QStringLiteral("Fornitore con una ragione sociale lunghissima ").repeated(6);
    for (const Caso& c :
         {Caso{"tre voci", 3, "Rossi Forniture Srl"}, Caso{"cento voci", 100, "Rossi Forniture Srl"},
          Caso{"voci lunghissime", 5, lunga}}) {
        SCOPED_TRACE(c.nome);
        frmSelezEle f;
        for (int i = 0; i < 3; ++i)
            f.osDescriz(i, Intestazione[i]);
        for (int i = 0; i < c.voci; ++i)
            f.AddElementiSel(QStringLiteral("40-10-%1\t").arg(i, 4, 10, QLatin1Char('0')) + c.descrizione,
                             i == 0);
        f.show();
        QCoreApplication::processEvents();

        EXPECT_LE(f.frameGeometry().width(), schermo.width());
        EXPECT_LE(f.height(), schermo.height());
        EXPECT_GE(f.width(), std::min(frmSelezEle::LarghezzaMinima, schermo.width()));
        const int riga = f.LisSelezione->sizeHintForRow(0);
        EXPECT_GE(f.LisSelezione->viewport()->height(), frmSelezEle::RigheMinime * riga);
        // Whole headings: on one line when they fit, else wrapped, never cut.
        for (const QLabel* l : f.labDescr) {
            EXPECT_GE(l->height(), l->heightForWidth(l->width()));
            EXPECT_LE(l->geometry().right(), f.width());
        }
        // The usual entries fit without scrolling sideways.
        if (c.descrizione != lunga) {
            EXPECT_FALSE(f.LisSelezione->horizontalScrollBar()->isVisible());
        }
        f.hide();
    }
}

} // namespace
