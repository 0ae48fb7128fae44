// The common windows: the message box and its keys, and the date and time checks of the fields.

#include "formprova.h"

#include "ui/msgcom.h"
#include "ui/validatori.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace tesel::ui;
using tesel::prova::allApertura;

namespace {

// A key pressed where the user is: on the window's focused control.
void premi(QWidget* finestra, Qt::Key tasto) {
    QWidget* f = finestra->focusWidget();
    QTest::keyClick(f ? f : finestra, tasto);
}

std::optional<QString> risposta(const QStringList& r, int i) {
    return i < r.size() ? std::optional(r[i]) : std::nullopt;
}

// ---- frmMsgCom -------------------------------------------------------------------------

TEST(MsgCom, EnterAndEscapeChooseOnlyWhereTheyShould) {
    const QStringList ok{"&Ok"}, okAnnulla{"&Ok", "&Annulla"}, tre{"&Si", "&No", "&Annulla"};
    struct Caso {
        QStringList risposte;
        Qt::Key tasto;
        int atteso; // 0: the key chooses nothing, the window waits for a button
    };
    for (const Caso& c : {Caso{ok, Qt::Key_Return, 1}, Caso{ok, Qt::Key_Enter, 1},
                          Caso{ok, Qt::Key_Escape, 0}, Caso{okAnnulla, Qt::Key_Return, 1},
                          Caso{okAnnulla, Qt::Key_Escape, 2}, Caso{tre, Qt::Key_Return, 0},
                          Caso{tre, Qt::Key_Escape, 0}, Caso{{"&Ok", "", "&Esci"}, Qt::Key_Escape, 0}}) {
        SCOPED_TRACE(
            QStringLiteral("%1 risposte, tasto %2").arg(c.risposte.size()).arg(c.tasto).toStdString());
        const int n = static_cast<int>(c.risposte.size());
        frmMsgCom f;
        allApertura<frmMsgCom>([&](frmMsgCom* d) {
            premi(d, c.tasto);
            if (c.atteso == 0) {
                EXPECT_TRUE(d->isVisible());
                QTest::mouseClick(d->ComEsegui[n - 1], Qt::LeftButton);
            }
        });
        int fuori = -1;
        const int r = f.msgCom("Confermi?", c.risposte[0], risposta(c.risposte, 1), risposta(c.risposte, 2),
                               std::nullopt, 0, false, 0, std::nullopt, 0, std::nullopt, 0, &fuori);
        const int atteso = c.atteso == 0 ? n : c.atteso;
        EXPECT_EQ(r, atteso);
        EXPECT_EQ(fuori, atteso);
    }
}

TEST(MsgCom, FocusAnswerIsFirstInTabOrderOnlyWhenInRangeAndErrorsNameTheirSource) {
    // the answer focused, buttons focused first and after Tab
    for (const auto& [focus, primo, secondo] :
         {std::tuple{0, 0, 1}, {4, 0, 1}, {-1, 0, 1}, {2, 1, 0}, {3, 2, 0}}) {
        SCOPED_TRACE(focus);
        frmMsgCom f;
        allApertura<frmMsgCom>([&, primo = primo, secondo = secondo](frmMsgCom* d) {
            EXPECT_EQ(d->focusWidget(), d->ComEsegui[primo]);
            premi(d, Qt::Key_Tab);
            EXPECT_EQ(d->focusWidget(), d->ComEsegui[secondo]);
            d->ComEsegui[0]->click();
        });
        f.msgCom("Scegli", "&Uno", "&Due", "&Tre", std::nullopt, 0, false, 0, std::nullopt, focus);
    }
    // The text of an error report.
    EXPECT_EQ(frmMsgCom::testoErrore("Lettura", 94, "Uso non valido di Null", "LeggiFattura"),
              "Lettura - Errore(94): Uso non valido di Null\nOrigine: LeggiFattura");
}

// ---- validators ------------------------------------------------------------------------

struct CasoConversione {
    QString testo;
    int opzioni, codice;
    QString normale;
};

TEST(Conversione, TimesAndDatesUsersTypeAndImpossibleOnes) {
    // clang-format off
    const CasoConversione ore[] = {
        {"10:15", 0, CodOk, "10:15"}, {"10.15", 0, CodOk, "10:15"}, {"1015", 0, CodOk, "10:15"},
        {"9.5", 0, CodOk, "09:05"}, {" 7 ", 0, CodOk, "07:00"}, {"101530", OpzSecondi, CodOk, "10:15:30"},
        {"10:15:30", 0, CodOk, "10:15"}, {"10:15", OpzSecondi, CodOk, "10:15:00"},
        {"24:00", 0, CodNonValido, ""}, {"10:60", 0, CodNonValido, ""}, {"10:15:61", 0, CodNonValido, ""},
        {"1:2:3:4", 0, CodNonValido, ""}, {"10h15", 0, CodNonValido, ""}, {"", 0, CodVuoto, ""},
        {"  ", OpzObbligatorio, CodObbligatorio, ""}};
    const CasoConversione date[] = {
        {"15/03/2024", 0, CodOk, "15/03/2024"}, {"5/3/24", 0, CodOk, "05/03/2024"},
        {"5/3/45", 0, CodOk, "05/03/1945"}, {"15032024", 0, CodOk, "15/03/2024"},
        {"150324", 0, CodOk, "15/03/2024"}, {"29/02/2024", 0, CodOk, "29/02/2024"},
        {"29/02/2023", 0, CodNonValido, ""}, {"1503", 0, CodNonValido, ""}, {"2024-03-15", 0, CodNonValido, ""},
        {"31/12/1899", 0, CodTroppoPiccola, "31/12/1899"}, {"", 0, CodVuoto, ""},
        {"", OpzObbligatorio, CodObbligatorio, ""}};
    // clang-format on
    for (const CasoConversione& c : ore) {
        SCOPED_TRACE(c.testo.toStdString());
        const auto r = convertiOra(c.testo, c.opzioni);
        EXPECT_EQ(r.codice, c.codice);
        EXPECT_EQ(r.testo, c.normale);
        EXPECT_EQ(r.valore.has_value(), c.codice == CodOk);
    }
    for (const CasoConversione& c : date) {
        SCOPED_TRACE(c.testo.toStdString());
        const auto r = convertiData(c.testo, c.opzioni, QDate(1900, 1, 1));
        EXPECT_EQ(r.codice, c.codice);
        EXPECT_EQ(r.testo, c.normale);
    }
}

// A form with the field under test and another field that has the focus.
struct Maschera {
    Maschera() {
        auto* l = new QVBoxLayout(&finestra);
        l->addWidget(altro);
        l->addWidget(campo);
        finestra.show();
        altro->setFocus();
    }
    QColor sfondo() const { return campo->palette().color(QPalette::Base); }

    QWidget finestra;
    QLineEdit* altro = new QLineEdit(&finestra);
    QLineEdit* campo = new QLineEdit(&finestra);
};

TEST(ControllaData, ReactionsColourFocusOrBoth) {
    for (const auto& [reazione, colorato, fuoco] :
         {std::tuple{ReazColora, true, false}, std::tuple{ReazFuoco, false, true},
          std::tuple{ReazColoraEFuoco, true, true}}) {
        SCOPED_TRACE(reazione);
        Maschera m;
        QString messaggio;
        EXPECT_EQ(ControllaData(m.campo, "31/02/2024", 0, reazione, std::nullopt, false, messaggio),
                  std::nullopt);
        EXPECT_EQ(messaggio, "Data non valida");
        EXPECT_EQ(m.sfondo(), colorato ? coloreErroreCampo() : coloreNormaleCampo());
        EXPECT_EQ(m.finestra.focusWidget(), fuoco ? m.campo : m.altro);
    }
}

} // namespace
