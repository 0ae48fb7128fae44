#include "ui/inelab.h"
#include "ui/msgcom.h"
#include "ui/validatori.h"

#include <QApplication>
#include <QCursor>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <gtest/gtest.h>

using namespace tesel::ui;

namespace {

// Runs `azione` on the modal window as soon as the caller's modal loop shows it. A window
// left open by a failed expectation is closed so the test reports instead of hanging.
template <typename W> void allApertura(std::function<void(W*)> azione) {
    QTimer::singleShot(0, [azione] {
        QWidget* modale = QApplication::activeModalWidget();
        auto* w = qobject_cast<W*>(modale);
        if (!w) {
            ADD_FAILURE() << "nessuna finestra modale del tipo atteso";
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

// A key pressed where the user is: on the window's focused control.
void premi(QWidget* finestra, Qt::Key tasto) {
    QWidget* f = finestra->focusWidget();
    QTest::keyClick(f ? f : finestra, tasto);
}

std::optional<QString> risposta(const QStringList& r, int i) {
    return i < r.size() ? std::optional(r[i]) : std::nullopt;
}

const QStringList Ok{"&Ok"};
const QStringList OkAnnulla{"&Ok", "&Annulla"};
const QStringList Tre{"&Si", "&No", "&Annulla"};

// ---- frmMsgCom -------------------------------------------------------------------------

TEST(MsgCom, EnterAndEscapeChooseOnlyWhereTheyShould) {
    struct Caso {
        QStringList risposte;
        Qt::Key tasto;
        int atteso; // 0: the key chooses nothing, the window waits for a button
    };
    for (const Caso& c : {Caso{Ok, Qt::Key_Return, 1}, Caso{Ok, Qt::Key_Enter, 1},
                          Caso{Ok, Qt::Key_Escape, 0}, Caso{OkAnnulla, Qt::Key_Return, 1},
                          Caso{OkAnnulla, Qt::Key_Escape, 2}, Caso{Tre, Qt::Key_Return, 0},
                          Caso{Tre, Qt::Key_Escape, 0}, Caso{{"&Ok", "", "&Esci"}, Qt::Key_Escape, 0}}) {
        SCOPED_TRACE(
            QStringLiteral("%1 risposte, tasto %2").arg(c.risposte.size()).arg(c.tasto).toStdString());
        const int n = static_cast<int>(c.risposte.size());
        frmMsgCom f;
        allApertura<frmMsgCom>([&](frmMsgCom* d) {
            premi(d, c.tasto);
            if (c.atteso == 0) {
                EXPECT_TRUE(d->isVisible());
                EXPECT_TRUE(d->txtComRit->text().isEmpty());
                QTest::mouseClick(d->ComEsegui[n - 1], Qt::LeftButton);
            }
        });
        int fuori = -1;
        const int r = f.msgCom("Confermi?", c.risposte[0], risposta(c.risposte, 1), risposta(c.risposte, 2),
                               std::nullopt, 0, false, 0, std::nullopt, 0, std::nullopt, 0, &fuori);
        const int atteso = c.atteso == 0 ? n : c.atteso;
        EXPECT_EQ(r, atteso);
        EXPECT_EQ(fuori, atteso);
        EXPECT_EQ(f.txtComRit->text(), QString::number(atteso));
    }
}

TEST(MsgCom, FocusAnswerIsFirstInTabOrderOnlyWhenInRange) {
    struct Caso {
        int focus, primo, secondo; // buttons focused first and after Tab
    };
    for (const Caso& c : {Caso{0, 0, 1}, Caso{4, 0, 1}, Caso{-1, 0, 1}, Caso{2, 1, 0}, Caso{3, 2, 0}}) {
        SCOPED_TRACE(c.focus);
        frmMsgCom f;
        allApertura<frmMsgCom>([&](frmMsgCom* d) {
            EXPECT_EQ(d->focusWidget(), d->ComEsegui[c.primo]);
            premi(d, Qt::Key_Tab);
            EXPECT_EQ(d->focusWidget(), d->ComEsegui[c.secondo]);
            d->ComEsegui[0]->click();
        });
        f.msgCom("Scegli", "&Uno", "&Due", "&Tre", std::nullopt, 0, false, 0, std::nullopt, c.focus);
    }
}

TEST(MsgCom, LongMessageGoesToTheTextBoxAboveCentredButtons) {
    const QString breve = "Confermi cancellazione di questa fattura\nE di tutti i suoi dati";
    QStringList righe;
    for (int i = 1; i <= 80; ++i)
        righe << QStringLiteral("Fattura %1: fornitore non trovato").arg(i);
    struct Caso {
        QString testo;
        int flag;
        bool casella;
    };
    for (const Caso& c : {Caso{breve, 0, false}, Caso{righe.join(u'\n'), 0, true},
                          Caso{breve, frmMsgCom::FlagTestoSelezionabile, true}}) {
        SCOPED_TRACE(c.testo.size());
        frmMsgCom f;
        allApertura<frmMsgCom>([&](frmMsgCom* d) {
            QWidget* messaggio = c.casella ? static_cast<QWidget*>(d->txtMessaggio) : d->LabMessaggio;
            EXPECT_EQ(d->LabMessaggio->isVisible(), !c.casella);
            EXPECT_EQ(d->txtMessaggio->isVisible(), c.casella);
            EXPECT_EQ(c.casella ? d->txtMessaggio->toPlainText() : d->LabMessaggio->text(), c.testo);
            // The window fits on the screen; the buttons are side by side below the message, centred.
            EXPECT_LE(d->height(), QGuiApplication::primaryScreen()->availableGeometry().height());
            const QRect b0 = d->ComEsegui[0]->geometry(), b1 = d->ComEsegui[1]->geometry();
            EXPECT_GT(b0.top(), messaggio->geometry().bottom());
            EXPECT_EQ(b0.top(), b1.top());
            EXPECT_LT(b0.right(), b1.left());
            EXPECT_NEAR(b0.left(), d->width() - 1 - b1.right(), 1);
            d->ComEsegui[1]->click();
        });
        EXPECT_EQ(f.msgCom(c.testo, "&Ok", "&Annulla", std::nullopt, std::nullopt, 0, false, 0, std::nullopt,
                           0, std::nullopt, c.flag),
                  2);
    }
}

TEST(MsgCom, WidthIsAShareOfTheScreenButHoldsTheButtons) {
    const int s = QGuiApplication::primaryScreen()->geometry().width();
    const int rigaTre = 3 * 200 + 2 * frmMsgCom::SpazioBottoni + 2 * frmMsgCom::Margine;
    struct Caso {
        int perc, aggiunta;
        std::optional<int> bottoni;
        int attesa;
    };
    for (const Caso& c :
         {Caso{50, 0, std::nullopt, s * 50 / 100},
          Caso{0, 0, std::nullopt, s * frmMsgCom::LarghezzaPredefinita / 100},
          Caso{45, 24, std::nullopt, s * 45 / 100 + 24}, Caso{5, 0, 200, std::max(rigaTre, s / 20)}}) {
        SCOPED_TRACE(c.perc);
        frmMsgCom f;
        allApertura<frmMsgCom>([&](frmMsgCom* d) {
            EXPECT_EQ(d->width(), c.attesa);
            EXPECT_EQ(d->ComEsegui[2]->width(), c.bottoni.value_or(d->ComEsegui[0]->width()));
            EXPECT_EQ(d->windowTitle(), "Titolo");
            d->ComEsegui[0]->click();
        });
        f.msgCom("Messaggio", "&Si", "&No", "&Annulla", "Titolo", c.perc, false, c.aggiunta, std::nullopt, 0,
                 c.bottoni);
    }
}

TEST(MsgCom, DefaultTitleFontSizeAndNormalPointerWhileWaiting) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    frmMsgCom f;
    allApertura<frmMsgCom>([](frmMsgCom* d) {
        EXPECT_EQ(d->windowTitle(), QGuiApplication::applicationDisplayName());
        EXPECT_EQ(d->LabMessaggio->font().pointSize(), 17);
        EXPECT_EQ(d->txtMessaggio->font().pointSize(), 17);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::ArrowCursor);
        d->ComEsegui[0]->click();
    });
    f.msgCom("Messaggio", "&Ok", std::nullopt, std::nullopt, std::nullopt, 0, true, 0, 17);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    QApplication::restoreOverrideCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(MsgErrfrm, ReportsTextNumberDescriptionAndSource) {
    EXPECT_EQ(frmMsgCom::testoErrore("Lettura", 94, "Uso non valido di Null", "LeggiFattura"),
              "Lettura - Errore(94): Uso non valido di Null\nOrigine: LeggiFattura");
    allApertura<frmMsgCom>([](frmMsgCom* d) {
        EXPECT_EQ(d->LabMessaggio->text(), "Salva - Errore(3022): Chiave duplicata");
        EXPECT_EQ(d->ComEsegui[0]->text(), "&Ok");
        EXPECT_FALSE(d->ComEsegui[1]->isVisible());
        premi(d, Qt::Key_Return);
    });
    EXPECT_EQ(frmMsgCom::MsgErrfrm(nullptr, "Salva", 3022, "Chiave duplicata"), 1);
}

TEST(InterazioneFinestre, AnswersWithTheWindowsTheUserUses) {
    InterazioneFinestre ui;
    tesel::Messaggio m{"Il file esiste già", {"&Sovrascrivi", "&Salta", "&Esci"}, "Importazione"};
    allApertura<frmMsgCom>([](frmMsgCom* d) {
        EXPECT_EQ(d->windowTitle(), "Importazione");
        EXPECT_EQ(d->ComEsegui[2]->text(), "&Esci");
        QTest::mouseClick(d->ComEsegui[1], Qt::LeftButton);
    });
    EXPECT_EQ(ui.mostra(m), 2);

    allApertura<QInputDialog>([](QInputDialog* d) {
        EXPECT_EQ(d->labelText(), "Nome del file");
        EXPECT_EQ(d->textValue(), "fattura.xml");
        d->setTextValue("altra.xml");
        d->accept();
    });
    EXPECT_EQ(ui.chiediTesto("Salva", "Nome del file", "fattura.xml"), "altra.xml");
    allApertura<QInputDialog>([](QInputDialog* d) { d->reject(); });
    EXPECT_EQ(ui.chiediTesto("Salva", "Nome del file", {}), std::nullopt);
}

// ---- frmInElab -------------------------------------------------------------------------

TEST(InElab, ShowsDoneOfToDoAndTheInterruptStopsBeforeTheNextItem) {
    frmInElab f;
    QSignalSpy richieste(&f, &frmInElab::interruzioneRichiesta);
    f.show();
    EXPECT_FALSE(f.isModal());
    f.impostaMessaggio("Importazione fatture");
    f.inizia(5);
    // The user's click waits in the event queue while the first item runs.
    QMetaObject::invokeMethod(f.ComInterrompi, "click", Qt::QueuedConnection);
    int lavorati = 0;
    for (int i = 0; i < 5 && !f.interrotto(); ++i) {
        ++lavorati;
        f.avanza();
    }
    EXPECT_EQ(lavorati, 1);
    EXPECT_EQ(richieste.count(), 1);
    EXPECT_EQ(f.LabMsgElab->text(), "Importazione fatture");
    EXPECT_EQ(f.LabFatti->text() + " " + f.LabDi->text() + " " + f.labDaFare->text(), "1 di 5");
    EXPECT_EQ(f.proDaFare->value(), 1);
    EXPECT_EQ(f.proDaFare->maximum(), 5);

    // A new run clears the request; Escape asks again without hiding the window.
    f.inizia(2);
    EXPECT_FALSE(f.interrotto());
    f.impostaFatti(7);
    EXPECT_EQ(f.LabFatti->text(), "2");
    premi(&f, Qt::Key_Escape);
    EXPECT_TRUE(f.interrotto());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(richieste.count(), 2);
    f.close();
    EXPECT_FALSE(f.isVisible());
}

// ---- validators ------------------------------------------------------------------------

struct CasoConversione {
    QString testo;
    int opzioni, codice;
    QString normale;
};

TEST(Conversione, TimesUsersTypeAndImpossibleOnes) {
    for (const CasoConversione& c : {CasoConversione{"10:15", 0, CodOk, "10:15"},
                                     {"10.15", 0, CodOk, "10:15"},
                                     {"10,15", 0, CodOk, "10:15"},
                                     {"1015", 0, CodOk, "10:15"},
                                     {"915", 0, CodOk, "09:15"},
                                     {"9.5", 0, CodOk, "09:05"},
                                     {" 7 ", 0, CodOk, "07:00"},
                                     {"10:15:30", OpzSecondi, CodOk, "10:15:30"},
                                     {"101530", OpzSecondi, CodOk, "10:15:30"},
                                     {"10:15:30", 0, CodOk, "10:15"},
                                     {"10:15", OpzSecondi, CodOk, "10:15:00"},
                                     {"25:70", 0, CodNonValido, ""},
                                     {"24:00", 0, CodNonValido, ""},
                                     {"10:60", 0, CodNonValido, ""},
                                     {"10:15:61", 0, CodNonValido, ""},
                                     {"10:", 0, CodNonValido, ""},
                                     {"1:2:3:4", 0, CodNonValido, ""},
                                     {"1234567", 0, CodNonValido, ""},
                                     {"10h15", 0, CodNonValido, ""},
                                     {"", 0, CodVuoto, ""},
                                     {"  ", OpzObbligatorio, CodObbligatorio, ""}}) {
        SCOPED_TRACE(c.testo.toStdString());
        const auto r = convertiOra(c.testo, c.opzioni);
        EXPECT_EQ(r.codice, c.codice);
        EXPECT_EQ(r.testo, c.normale);
        EXPECT_EQ(r.valore.has_value(), c.codice == CodOk);
    }
}

TEST(Conversione, DatesUsersTypeAndImpossibleOnes) {
    for (const CasoConversione& c : {CasoConversione{"15/03/2024", 0, CodOk, "15/03/2024"},
                                     {"5/3/24", 0, CodOk, "05/03/2024"},
                                     {"5/3/45", 0, CodOk, "05/03/1945"},
                                     {"15032024", 0, CodOk, "15/03/2024"},
                                     {"150324", 0, CodOk, "15/03/2024"},
                                     {"15-03-2024", 0, CodOk, "15/03/2024"},
                                     {"15.03.2024", 0, CodOk, "15/03/2024"},
                                     {"29/02/2024", 0, CodOk, "29/02/2024"},
                                     {"29/02/2023", 0, CodNonValido, ""},
                                     {"31/04/2024", 0, CodNonValido, ""},
                                     {"1503", 0, CodNonValido, ""},
                                     {"2024-03-15", 0, CodNonValido, ""},
                                     {"31/12/1899", 0, CodTroppoPiccola, "31/12/1899"},
                                     {"", 0, CodVuoto, ""},
                                     {"", OpzObbligatorio, CodObbligatorio, ""}}) {
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

TEST(ControllaOra, FaultsAreReportedColouredAndNothingAnswered) {
    struct Caso {
        QString testo;
        int opzioni;
        QString messaggio;
    };
    for (const Caso& c : {Caso{"25:70", 0, "Ora non valida"}, Caso{"", OpzObbligatorio, "Ora Obbligatoria"},
                          Caso{"10:15:99", OpzSecondi, "Ora non valida"}}) {
        SCOPED_TRACE(c.testo.toStdString());
        Maschera m;
        m.campo->setText(c.testo);
        QString messaggio = "precedente";
        EXPECT_EQ(
            ControllaOra(m.campo, m.campo->text(), c.opzioni, ReazColora, std::nullopt, false, messaggio),
            std::nullopt);
        EXPECT_EQ(messaggio, c.messaggio);
        EXPECT_EQ(m.campo->text(), c.testo); // left as typed, to be corrected
        EXPECT_EQ(m.sfondo(), coloreErroreCampo());
    }
}

TEST(ControllaOra, GoodValueIsWrittenBackNormalisedAndTheFieldClearsItsError) {
    Maschera m;
    QString messaggio;
    ControllaOra(m.campo, "25:70", 0, ReazColora, std::nullopt, false, messaggio);
    ASSERT_EQ(m.sfondo(), coloreErroreCampo());
    EXPECT_EQ(ControllaOra(m.campo, "9.5", OpzObbligatorio, ReazColora, std::nullopt, false, messaggio),
              QTime(9, 5));
    EXPECT_EQ(messaggio, QString());
    EXPECT_EQ(m.campo->text(), "09:05");
    EXPECT_EQ(m.sfondo(), coloreNormaleCampo());

    // Empty and not required: left as it is, with the caller's normal colour and no reaction.
    const QColor giallo(255, 255, 200);
    m.campo->setText("  ");
    EXPECT_EQ(ControllaOra(m.campo, m.campo->text(), 0, ReazColoraEFuoco, giallo, false, messaggio),
              std::nullopt);
    EXPECT_EQ(messaggio, QString());
    EXPECT_EQ(m.campo->text(), "  ");
    EXPECT_EQ(m.sfondo(), giallo);
    EXPECT_EQ(m.finestra.focusWidget(), m.altro);
}

TEST(ControllaData, ReactionsColourFocusOrBoth) {
    struct Caso {
        int reazione;
        bool colorato, fuoco;
    };
    for (const Caso& c :
         {Caso{ReazColora, true, false}, Caso{ReazFuoco, false, true}, Caso{ReazColoraEFuoco, true, true}}) {
        SCOPED_TRACE(c.reazione);
        Maschera m;
        QString messaggio;
        EXPECT_EQ(ControllaData(m.campo, "31/02/2024", 0, c.reazione, std::nullopt, false, messaggio),
                  std::nullopt);
        EXPECT_EQ(messaggio, "Data non valida");
        EXPECT_EQ(m.sfondo(), c.colorato ? coloreErroreCampo() : coloreNormaleCampo());
        EXPECT_EQ(m.finestra.focusWidget(), c.fuoco ? m.campo : m.altro);
    }
}

TEST(ControllaData, DateBeforeTheSmallestIsShownNormalisedAndRefused) {
    Maschera m;
    QString messaggio, mostrato;
    allApertura<QMessageBox>([&](QMessageBox* b) {
        mostrato = b->text();
        b->accept();
    });
    EXPECT_EQ(ControllaData(m.campo, "31121999", OpzObbligatorio, ReazColora, std::nullopt, true, messaggio,
                            QDate(2000, 1, 1)),
              std::nullopt);
    EXPECT_EQ(messaggio, "Data troppo piccola");
    EXPECT_EQ(mostrato, "Data troppo piccola");
    EXPECT_EQ(m.campo->text(), "31/12/1999");
    EXPECT_EQ(m.sfondo(), coloreErroreCampo());

    EXPECT_EQ(ControllaData(m.campo, "1/1/00", OpzObbligatorio, ReazColora, std::nullopt, true, messaggio,
                            QDate(2000, 1, 1)),
              QDate(2000, 1, 1));
    EXPECT_EQ(messaggio, QString());
    EXPECT_EQ(m.campo->text(), "01/01/2000");
}

} // namespace
