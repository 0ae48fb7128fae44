// A batch's progress panel drawn a few times a second: the changes between two drawings wait,
// a question draws at once, and the panel is drawn as usual once the batch is over.

#include "ui/disegnocadenzato.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPaintEvent>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel::ui;

namespace {

class PannelloContato : public QLabel {
public:
    int disegni = 0;

protected:
    void paintEvent(QPaintEvent* e) override {
        ++disegni;
        QLabel::paintEvent(e);
    }
};

TEST(DisegnoCadenzato, shouldDrawABatchsChangesAFewTimesASecondAndAtOnceWhenAsked) {
    PannelloContato pannello;
    pannello.resize(300, 40);
    pannello.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pannello));
    QApplication::processEvents();

    int cambi = 0;
    QElapsedTimer durata;
    {
        DisegnoCadenzato disegno(&pannello);
        const int prima = pannello.disegni;
        durata.start();
        for (; cambi < 2000; ++cambi) {
            pannello.setText(QString::number(cambi));
            disegno.forse();
            QApplication::processEvents(); // as the batch lets the window live between two items
        }
        const qint64 ms = durata.elapsed();
        const int disegniDelLotto = pannello.disegni - prima;
        EXPECT_GE(disegniDelLotto, 1) << "the first change is drawn at once";
        EXPECT_LE(disegniDelLotto, ms / DisegnoCadenzato::MsTraDueDisegni + 2) << ms << " ms";
        EXPECT_EQ(pannello.text(), QStringLiteral("1999")) << "every change is taken";

        const int primaDellaDomanda = pannello.disegni;
        pannello.setText(QStringLiteral("domanda"));
        disegno.adesso();
        EXPECT_EQ(pannello.disegni, primaDellaDomanda + 1) << "drawn before the question, without waiting";

        // Between two drawings a change waits, whatever events are processed.
        const int fermo = pannello.disegni;
        pannello.update();
        QApplication::processEvents();
        EXPECT_EQ(pannello.disegni, fermo);
    }
    // The batch is over: the panel is drawn as any other again.
    EXPECT_TRUE(pannello.updatesEnabled());
    const int dopo = pannello.disegni;
    pannello.setText(QStringLiteral("fine"));
    for (int attese = 0; attese < 100 && pannello.disegni == dopo; ++attese)
        QTest::qWait(20);
    EXPECT_GT(pannello.disegni, dopo);
}

} // namespace
