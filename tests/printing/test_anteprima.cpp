// The preview and the progress window, driven as a user would on the offscreen platform.
#include "printing/forms/frmstampaincorso.h"
#include "printing/forms/frmvstampa.h"
#include "printing/forms/frmvstapar.h"
#include "printing/pdfprova.h"
#include "support/interazioneprova.h"

#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QImage>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>

using namespace tesel::stampa;
using tesel::prova::InterazioneProva;

namespace {

void stili(LumoStampe& s) {
    s.definisciStile({QStringLiteral("CorpoCampo"), QStringLiteral("Arial"), 10, false});
}

void paginaDiProva(LumoStampe& s, int n) {
    if (n > 1)
        s.nuovaPagina();
    s.testo(0, 0, 150, QStringLiteral("Pagina di prova numero %1").arg(n));
    s.riga(0, 8, 196, 8, 0.5);
}

std::array<bool, 4> frecce(const FrmVStampa& f) {
    return {f.imaMuovi[0]->isEnabled(), f.imaMuovi[1]->isEnabled(), f.imaMuovi[2]->isEnabled(),
            f.imaMuovi[3]->isEnabled()};
}

// Dark pixels of the sheet as shown: the page is really drawn, not only counted.
int pixelScuri(QWidget* w) {
    const QImage img = w->grab().toImage();
    int n = 0;
    for (int y = 0; y < img.height(); y += 2)
        for (int x = 0; x < img.width(); x += 2)
            n += qGray(img.pixel(x, y)) < 100;
    return n;
}

} // namespace

TEST(FrmVStampa, PagesArriveWhileProducedMovesArrowsAndTheEnd) {
    InterazioneProva ui;
    LumoStampe s;
    stili(s);
    FrmVStampa f(ui);
    f.setOgStampa(&s);
    ASSERT_TRUE(s.apriAnteprima(&f));
    f.show();

    paginaDiProva(s, 1);
    EXPECT_EQ(f.pagineArrivate(), 0);
    paginaDiProva(s, 2); // page 1 is complete now
    EXPECT_EQ(f.paginaCorrente(), 1);
    EXPECT_EQ(f.labPage->text(), QStringLiteral("Pag.001"));
    EXPECT_EQ(frecce(f), (std::array<bool, 4>{false, false, false, false})); // nothing to move to yet
    EXPECT_GT(pixelScuri(f.PicPrinc), 50);

    // Closing while the print runs is refused with the message, the window stays.
    QTest::mouseClick(f.ComEsci, Qt::LeftButton);
    ASSERT_EQ(ui.testiMostrati(), QStringList{QStringLiteral("Non si puo' uscire\nStampa ancora attiva")});
    EXPECT_EQ(ui.mostrati[0].titolo, QStringLiteral("Visualizzazione Stampe"));
    EXPECT_TRUE(f.isVisible());

    paginaDiProva(s, 3);
    EXPECT_EQ(frecce(f), (std::array<bool, 4>{false, false, true, true}));
    QTest::mouseClick(f.imaMuovi[2], Qt::LeftButton);
    EXPECT_EQ(f.labPage->text(), QStringLiteral("Pag.002"));
    EXPECT_EQ(frecce(f), (std::array<bool, 4>{true, true, false, false})); // page 3 still in the making
    s.fine();
    EXPECT_EQ(f.pagineArrivate(), 3);
    EXPECT_EQ(frecce(f), (std::array<bool, 4>{true, true, true, true}));

    QTest::keyClick(&f, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.paginaCorrente(), 3);
    EXPECT_TRUE(f.LabMsg->text().isEmpty());
    QTest::mouseClick(f.imaMuovi[2], Qt::LeftButton); // forward past the end of an ended print
    EXPECT_EQ(f.LabMsg->text(), QStringLiteral("Stampa Terminata"));
    EXPECT_EQ(f.paginaCorrente(), 3);
    QTest::keyClick(&f, Qt::Key_PageUp);
    EXPECT_EQ(f.paginaCorrente(), 2);
    EXPECT_TRUE(f.LabMsg->text().isEmpty());
    QTest::keyClick(&f, Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(f.labPage->text(), QStringLiteral("Pag.001"));
    EXPECT_EQ(frecce(f), (std::array<bool, 4>{false, false, true, true}));

    // Now it closes.
    QTest::mouseClick(f.ComEsci, Qt::LeftButton);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(ui.mostrati.size(), 1);
}

TEST(FrmVStampa, ZoomScrollBarsAndRedrawWithoutKeptPages) {
    InterazioneProva ui;
    LumoStampe s;
    stili(s);
    FrmVStampa f(ui);
    f.impostaMemVid(false); // only the record is kept: the page is redrawn from it
    f.setOgStampa(&s);
    f.resize(700, 500);
    ASSERT_TRUE(s.apriAnteprima(&f));
    f.show();
    paginaDiProva(s, 1);
    s.fine();
    EXPECT_GT(pixelScuri(f.PicPrinc), 50);

    const QSize a100 = f.PicPrinc->size();
    EXPECT_NEAR(a100.width(), 210 * f.logicalDpiX() / 25.4, 2);
    ASSERT_GT(f.vscPosVert->maximum(), 0); // an A4 sheet is taller than the window
    f.vscPosVert->setValue(200);
    EXPECT_EQ(f.PicPrinc->y(), 12 - 200);

    QWheelEvent ruota(QPointF(10, 10), f.PicSec->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, 240),
                      Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(f.PicSec, &ruota);
    EXPECT_EQ(f.fatt(), 120);
    EXPECT_NEAR(f.PicPrinc->width(), a100.width() * 1.2, 2);
    QTest::keyClick(&f, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(f.fatt(), 110);

    // A wider window re-lays the viewport and the bars.
    f.resize(1400, 1200);
    EXPECT_EQ(f.PicSec->width() + f.vscPosVert->width(), 1400);
    EXPECT_EQ(f.hscPosOri->y(), f.PicSec->geometry().bottom() + 1);

    // A magnification that would make the sheet taller than a widget can be is lowered, once told.
    f.impostaFatt(400);
    EXPECT_EQ(f.fatt(), 400); // 297 mm at 400% still fits at this resolution
    s.impostaFormato(QPageSize(QSizeF(210, 3000), QPageSize::Millimeter));
    f.paginaPronta(2, nullptr, QSizeF(210, 3000), 4);
    EXPECT_LT(f.fatt(), 400);
    EXPECT_LE(f.PicPrinc->height(), 32666);
    ASSERT_EQ(ui.mostrati.size(), 1);
    EXPECT_TRUE(
        ui.mostrati[0].testo.startsWith(QStringLiteral("La lunghezza del foglio può essere al massimo")));
}

TEST(FrmVStampa, OnlyThePagesOfTheRangeAreShown) {
    InterazioneProva ui;
    LumoStampe s;
    stili(s);
    FrmVStampa f(ui);
    f.impostaIntervallo(2, 3);
    f.setOgStampa(&s);
    ASSERT_TRUE(s.apriAnteprima(&f));
    for (int n = 1; n <= 4; ++n)
        paginaDiProva(s, n);
    s.fine();
    EXPECT_EQ(f.pagineArrivate(), 2);
    EXPECT_EQ(f.labPage->text(), QStringLiteral("Pag.002"));
    QTest::keyClick(&f, Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(f.paginaCorrente(), 3);
    QTest::keyClick(&f, Qt::Key_PageDown);
    EXPECT_EQ(f.LabMsg->text(), QStringLiteral("Stampa Terminata"));
}

TEST(FrmVStaPar, SampleTextFollowsTheMagnification) {
    frmVStaPar par(150, true);
    EXPECT_EQ(par.LabProp->text(), QStringLiteral("150%"));
    EXPECT_DOUBLE_EQ(par.fontProva().pointSizeF(), 15.0);
    EXPECT_EQ(QFontInfo(par.fontProva()).family(), QStringLiteral("Liberation Sans"));
    par.VsbProp->setValue(80);
    EXPECT_EQ(par.LabProp->text(), QStringLiteral("80%"));
    EXPECT_DOUBLE_EQ(par.fontProva().pointSizeF(), 8.0);
    QTest::mouseDClick(par.LabProp, Qt::LeftButton);
    EXPECT_EQ(par.percento(), 100);
    par.CheMemVid->setChecked(false);
    EXPECT_FALSE(par.memVid());
    EXPECT_TRUE(
        frmVStaPar::testoProva().startsWith(QStringLiteral("Testo di Prova. Grandezza dei Caratteri")));
}

TEST(FrmStampaInCorso, CountsPagesAndTheButtonInterruptsBetweenDocuments) {
    LumoStampe s;
    stili(s);
    QTemporaryDir dir;
    ASSERT_TRUE(s.apriPdf(dir.filePath(QStringLiteral("x.pdf"))));
    frmStampaInCorso f;
    f.segui(s);
    f.show();
    // A report of five documents that checks the request after each one.
    int stampati = 0;
    for (int doc = 1; doc <= 5 && !s.interruzioneRichiesta(); ++doc) {
        s.iniziaDocumento();
        paginaDiProva(s, 1);
        s.nuovaPagina();
        s.testo(0, 0, 50, QStringLiteral("seconda"));
        ++stampati;
        EXPECT_EQ(f.LblPag->text(), QStringLiteral("%1").arg(s.pagina(), 3, 10, QLatin1Char('0')));
        if (doc == 2)
            QTest::mouseClick(f.ComStampa, Qt::LeftButton);
    }
    EXPECT_EQ(stampati, 2);
    EXPECT_TRUE(s.interruzioneRichiesta());
    EXPECT_FALSE(f.ComStampa->isEnabled());
    // Closing the window while the print runs asks to stop rather than hiding it.
    f.close();
    EXPECT_TRUE(f.isVisible());
    s.fine();
    f.close();
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.LblPag->text(), QStringLiteral("004"));
}

TEST(FrmStampaInCorso, AWindowClosedAndDestroyedDuringThePrintIsNoLongerTold) {
    LumoStampe s;
    stili(s);
    QTemporaryDir dir;
    ASSERT_TRUE(s.apriPdf(dir.filePath(QStringLiteral("y.pdf"))));
    {
        frmStampaInCorso f;
        f.segui(s);
        paginaDiProva(s, 1);
        EXPECT_EQ(f.LblPag->text(), QStringLiteral("001"));
    }
    paginaDiProva(s, 2); // would reach a destroyed window (the sanitizer build catches it)
    EXPECT_TRUE(s.fine());
}

TEST(Stampante, APrinterWithItsOwnMarginsPrintsWhereTheEngineSays) {
    // A printer writing to a file: the same device and engine path as a CUPS queue.
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("stampante.pdf"));
    QPrinter stampante(QPrinter::HighResolution);
    stampante.setOutputFormat(QPrinter::PdfFormat);
    stampante.setOutputFileName(file);
    stampante.setPageMargins(QMarginsF(20, 30, 20, 20), QPageLayout::Millimeter);
    stampante.setPageOrientation(QPageLayout::Landscape);
    stampante.setFullPage(true);
    LumoStampe s;
    stili(s);
    ParametriPagina par;
    par.mrSin = 8;
    par.mrAlt = 12;
    par.forzaVert = true; // upright even though the driver said landscape
    s.impostaParametri(par);
    ASSERT_TRUE(s.apriDispositivo(&stampante));
    EXPECT_NEAR(s.formatoMm().width(), 210, 0.5);
    s.testo(10, 10, 100, QStringLiteral("POSIZIONE"));
    ASSERT_TRUE(s.fine());
    const auto r = tesel::prova::posizioneParola(file, QStringLiteral("POSIZIONE"));
    EXPECT_NEAR(r.xMin, 8 + 10, 0.6);
    EXPECT_GT(r.yMin, 12 + 10 - 0.5);
    EXPECT_LT(r.yMin, 12 + 10 + 2);
}
