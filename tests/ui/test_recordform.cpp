#include "frame/currency.h"
#include "frame/data.h"
#include "schema/schema.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"
#include "ui/campischeda.h"
#include "ui/insiemecampi.h"
#include "ui/recordform.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

std::optional<Currency> importoDa(const char* testo) {
    return Currency::daTesto(std::string_view(testo));
}

const QString SepCausale = QStringLiteral("§çé^?");

// A small header form over FatXmlTest, registered the way the invoice header form does it.
class FormTestata : public QWidget {
public:
    FormTestata(Database& db, Interazione& interazione) {
        scheda = new SchedaRecord(db, interazione, QStringLiteral("FatXmlTest"), this);
        auto* l = new QVBoxLayout(this);
        l->addWidget(scheda->barraComandi());
        auto* f = new QFormLayout;
        const auto riga = [f](const QString& etichetta, QWidget* w) {
            f->addRow(etichetta, w);
            return w;
        };
        anno = static_cast<QLineEdit*>(riga(QStringLiteral("Anno:"), new QLineEdit));
        numero = static_cast<QLineEdit*>(riga(QStringLiteral("Numero Registrazione:"), new QLineEdit));
        auto* conto = new QHBoxLayout;
        fornitore = new QLineEdit;
        descrFornitore = new QLabel;
        conto->addWidget(fornitore);
        conto->addWidget(descrFornitore, 1);
        f->addRow(QStringLiteral("Fornitore:"), conto);
        numeroDoc = static_cast<QLineEdit*>(riga(QStringLiteral("Fattura num.:"), new QLineEdit));
        data = static_cast<QLineEdit*>(riga(QStringLiteral("del:"), new QLineEdit));
        totale = static_cast<QLineEdit*>(riga(QStringLiteral("Totale documento:"), new QLineEdit));
        denominazione = static_cast<QLineEdit*>(riga(QStringLiteral("Denominazione:"), new QLineEdit));
        stampato = static_cast<QCheckBox*>(riga({}, new QCheckBox(QStringLiteral("Stampato"))));
        causale = static_cast<QPlainTextEdit*>(riga(QStringLiteral("Causale:"), new QPlainTextEdit));
        l->addLayout(f);
        l->addWidget(scheda->barraStato());

        scheda->RegistraChiave(anno, QStringLiteral("XmlAnno")).predefinito(QStringLiteral("2024"));
        scheda->RegistraChiave(numero, QStringLiteral("XmlNumRif"));
        scheda->RegistraCampo(fornitore, QStringLiteral("|-|GruppoFor|MastroFor|ContoFor"))
            .ricerca({TipoRicerca::Conto, {}, {}}, descrFornitore);
        scheda->RegistraCampo(numeroDoc, QStringLiteral("DGD_Numero"));
        scheda->RegistraCampo(data, QStringLiteral("DGD_Data"), QStringLiteral("="),
                              QStringLiteral("dd/mm/yyyy"));
        scheda->RegistraCampo(totale, QStringLiteral("DGD_ImportoTotaleDocumento"), QStringLiteral("="),
                              QStringLiteral("#,###.^^"));
        scheda->RegistraCampo(denominazione, QStringLiteral("CP_DA_Anagrafica_Denominazione"),
                              QStringLiteral("like"));
        scheda->RegistraCampo(stampato, QStringLiteral("Stampato"));
        scheda->RegistraCampo(causale, QStringLiteral("DGD_Causale"))
            .converti([](const QString& s) { return QString(s).replace(SepCausale, QStringLiteral("\n")); },
                      [](const QString& s) { return QString(s).replace(QStringLiteral("\n"), SepCausale); });
        scheda->PersPagPri = [this](int passo, bool& annulla) {
            pri << passo;
            annulla = passo == veto;
            if (azionePri)
                azionePri(passo, annulla);
        };
        scheda->PersPagDop = [this](int passo) { dop << passo; };
        scheda->avvia();
    }

    SchedaRecord* scheda;
    QLineEdit *anno, *numero, *fornitore, *numeroDoc, *data, *totale, *denominazione;
    QLabel* descrFornitore;
    QCheckBox* stampato;
    QPlainTextEdit* causale;
    QList<int> pri, dop;
    int veto = 0;
    std::function<void(int, bool&)> azionePri;
};

class SchedaRecordTest : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        auto tabelle = schema::tabelleStore();
        tabelle.push_back(*schema::trovaTabella(schema::tabelleAzienda(), QStringLiteral("PianoConti")));
        schema::creaSchema(db(), tabelle);
        db().EseguiSql(QStringLiteral("INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione) "
                                      "VALUES ('40', '01', '125', '2', 'Carta Veneta Spa')"));
        fattura(2023, 5, QStringLiteral("Alfa Srl"), QStringLiteral("10.00"));
        fattura(2024, 1, QStringLiteral("Rossi Srl"), QStringLiteral("1234.5"));
        fattura(2024, 2, QStringLiteral("Bianchi Spa"), QStringLiteral("99.99"));
        fattura(2025, 1, QStringLiteral("Rossetti Snc"), QStringLiteral("0.5"));
        form = std::make_unique<FormTestata>(db(), utente);
        form->resize(760, 520);
        form->show();
        QApplication::setActiveWindow(form.get());
    }
    void TearDown() override {
        form.reset();
        ConDatabase::TearDown();
    }

    void fattura(int anno, int numero, const QString& denominazione, const QString& totale) {
        db().EseguiSql(
            QStringLiteral("INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, GruppoFor, MastroFor, ContoFor, "
                           "DGD_Numero, DGD_Data, DGD_ImportoTotaleDocumento, "
                           "CP_DA_Anagrafica_Denominazione, Stampato, DGD_Causale) VALUES "
                           "(%1, %2, '40', '01', '125', 'F-%2', %3, %4, %5, 'N', %6)")
                .arg(anno)
                .arg(numero)
                .arg(
                    SqlValore(QVariant(QDate(anno, 3, 12))), totale, SqlValore(QVariant(denominazione)),
                    SqlValore(QVariant(QStringLiteral("Merce") + SepCausale + QStringLiteral("Trasporto")))));
    }

    QString colonna(int anno, int numero, const QString& c) {
        return db()
            .valore(QStringLiteral("SELECT %1 FROM FatXmlTest WHERE XmlAnno = %2 AND XmlNumRif = %3")
                        .arg(c)
                        .arg(anno)
                        .arg(numero))
            .toString();
    }

    std::optional<Currency> importo(int anno, int numero) {
        return Currency::daVariant(
            db().valore(QStringLiteral("SELECT DGD_ImportoTotaleDocumento FROM FatXmlTest WHERE XmlAnno = %1 "
                                       "AND XmlNumRif = %2")
                            .arg(anno)
                            .arg(numero)));
    }

    QString chiaveMostrata() const { return form->anno->text() + u'/' + form->numero->text(); }

    void apri(int anno, int numero) {
        form->anno->setText(QString::number(anno));
        form->numero->setText(QString::number(numero));
        QTest::keyClick(form->numero, Qt::Key_Return);
    }

    // Replaces a field's text the way the user does: select all and type.
    static void digita(QWidget* w, const QString& testo) {
        w->setFocus();
        QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
        if (testo.isEmpty())
            QTest::keyClick(w, Qt::Key_Delete);
        else
            QTest::keyClicks(w, testo);
    }

    QString messaggio() const {
        return form->scheda->barraStato()->testoPannello(QStringLiteral("Messaggio"));
    }

    prova::InterazioneProva utente;
    std::unique_ptr<FormTestata> form;
};

TEST_F(SchedaRecordTest, typedKeyOpensTheRecordWithFormatsPatternAndDecodedAccount) {
    EXPECT_EQ(form->scheda->stato(), SchedaRecord::Stato::Chiave);
    EXPECT_EQ(form->anno->text(), "2024"); // the key default
    EXPECT_TRUE(form->anno->isEnabled());
    EXPECT_FALSE(form->totale->isEnabled());

    QTest::keyClicks(form->totale, "999"); // a data field takes nothing during key entry
    form->numero->setText("1");
    QTest::keyClick(form->anno, Qt::Key_Return); // Enter on the year moves to the number
    EXPECT_EQ(QApplication::focusWidget(), form->numero);
    QTest::keyClick(form->numero, Qt::Key_Return);

    ASSERT_EQ(form->scheda->stato(), SchedaRecord::Stato::Modifica);
    EXPECT_EQ(form->totale->text(), "1.234,50");
    EXPECT_EQ(form->data->text(), "12/03/2024");
    EXPECT_EQ(form->fornitore->text(), "40-01-125");
    EXPECT_EQ(form->descrFornitore->text(), "Carta Veneta Spa");
    EXPECT_EQ(form->causale->toPlainText(), "Merce\nTrasporto");
    EXPECT_FALSE(form->stampato->isChecked());
    EXPECT_FALSE(form->anno->isEnabled());
    EXPECT_TRUE(form->totale->isEnabled());
    EXPECT_FALSE(form->scheda->modificato());
    EXPECT_EQ(form->pri, QList<int>{PassoMostra});
    EXPECT_EQ(form->dop, QList<int>{PassoMostra});
    EXPECT_EQ(form->scheda->chiaveCorrente().value(1).toInt(), 1);
}

TEST_F(SchedaRecordTest, unknownKeyStaysInKeyEntryUnlessNewRecordsAreAllowed) {
    apri(2024, 77);
    EXPECT_EQ(form->scheda->stato(), SchedaRecord::Stato::Chiave);
    EXPECT_EQ(messaggio(), "Record non trovato");

    form->scheda->consentiNuovo = true;
    apri(2024, 77);
    ASSERT_EQ(form->scheda->stato(), SchedaRecord::Stato::Nuovo);
    EXPECT_FALSE(form->numero->isEnabled());
    QTest::keyClicks(form->denominazione, "Nuova Srl");
    QTest::keyClicks(form->totale, "12,3");
    ASSERT_TRUE(form->scheda->ButtonComando("Salva"));
    EXPECT_EQ(colonna(2024, 77, "CP_DA_Anagrafica_Denominazione"), "Nuova Srl");
    EXPECT_EQ(importo(2024, 77), importoDa("12.3"));
    EXPECT_EQ(colonna(2024, 77, "Stampato"), "N");
    EXPECT_EQ(form->scheda->stato(), SchedaRecord::Stato::Modifica);
    EXPECT_EQ(form->totale->text(), "12,30");
}

TEST_F(SchedaRecordTest, duplicateCopiesTheDataUnderANewKey) {
    form->scheda->barraComandi()->mostra("Duplica", true);
    apri(2024, 1);
    ASSERT_TRUE(form->scheda->ButtonComando("Duplica"));
    EXPECT_EQ(form->scheda->stato(), SchedaRecord::Stato::Nuovo);
    EXPECT_TRUE(form->numero->isEnabled());
    EXPECT_EQ(form->numero->text(), "");
    EXPECT_FALSE(form->scheda->ButtonComando("Salva"));
    EXPECT_EQ(messaggio(), "Chiave incompleta");
    QTest::keyClicks(form->numero, "3");
    ASSERT_TRUE(form->scheda->ButtonComando("Salva"));
    EXPECT_EQ(colonna(2024, 3, "CP_DA_Anagrafica_Denominazione"), "Rossi Srl");
    EXPECT_EQ(colonna(2024, 3, "ContoFor"), "125");
    EXPECT_EQ(importo(2024, 3), importoDa("1234.5"));
    EXPECT_EQ(chiaveMostrata(), "2024/3");
}

TEST_F(SchedaRecordTest, navigationFollowsKeyOrderAndStopsAtBothEnds) {
    const auto vai = [&](const char* comando) {
        form->scheda->ButtonComando(comando);
        return chiaveMostrata();
    };
    EXPECT_EQ(vai("Inizio"), "2023/5");
    EXPECT_EQ(vai("Successivo"), "2024/1");
    EXPECT_EQ(vai("Successivo"), "2024/2");
    EXPECT_EQ(vai("Successivo"), "2025/1");
    EXPECT_EQ(vai("Successivo"), "2025/1");
    EXPECT_EQ(messaggio(), "Fine archivio");
    EXPECT_EQ(vai("Precedente"), "2024/2");
    EXPECT_EQ(vai("Inizio"), "2023/5");
    EXPECT_EQ(vai("Precedente"), "2023/5");
    EXPECT_EQ(messaggio(), "Inizio archivio");
    EXPECT_EQ(vai("Fine"), "2025/1");
}

TEST_F(SchedaRecordTest, fixedYearKeepsFirstAndLastWithinTheTypedYear) {
    form->anno->setText("2024");
    form->scheda->campo(form->anno)->oiKeyFisso = true;
    form->scheda->ButtonComando("Fine");
    EXPECT_EQ(chiaveMostrata(), "2024/2");
    form->scheda->ButtonComando("Successivo");
    EXPECT_EQ(chiaveMostrata(), "2024/2");
    EXPECT_EQ(messaggio(), "Fine archivio");
    form->scheda->ButtonComando("Inizio");
    EXPECT_EQ(chiaveMostrata(), "2024/1");

    form->scheda->ButtonComando("Ricerca");
    form->anno->setText("20x4");
    EXPECT_FALSE(form->scheda->ButtonComando("Inizio"));
    EXPECT_EQ(messaggio(), "Valore non valido");
    EXPECT_EQ(form->scheda->stato(), SchedaRecord::Stato::Chiave);
}

TEST_F(SchedaRecordTest, saveWritesOnlyTheChangedColumnsWithTheirFormats) {
    apri(2024, 1);
    // Another workstation changes a column this form does not touch.
    db().EseguiSql("UPDATE FatXmlTest SET DGD_Numero = 'ALTRO' WHERE XmlAnno = 2024 AND XmlNumRif = 1");
    digita(form->totale, "2.500,75");
    digita(form->data, "1/4/24");
    digita(form->fornitore, "41-2");
    form->causale->setPlainText("Uno\nDue\nTre");
    form->stampato->setChecked(true);
    EXPECT_TRUE(form->scheda->modificato());

    ASSERT_TRUE(form->scheda->ButtonComando("Salva"));
    EXPECT_EQ(importo(2024, 1), importoDa("2500.75"));
    EXPECT_EQ(dataOraDaVariant(
                  db().valore("SELECT DGD_Data FROM FatXmlTest WHERE XmlAnno = 2024 AND XmlNumRif = 1"))
                  ->date(),
              QDate(2024, 4, 1));
    EXPECT_EQ(colonna(2024, 1, "GruppoFor"), "41");
    EXPECT_EQ(colonna(2024, 1, "MastroFor"), "2");
    EXPECT_TRUE(
        db().valore("SELECT ContoFor FROM FatXmlTest WHERE XmlAnno = 2024 AND XmlNumRif = 1").isNull());
    EXPECT_EQ(colonna(2024, 1, "DGD_Causale"), "Uno" + SepCausale + "Due" + SepCausale + "Tre");
    EXPECT_EQ(colonna(2024, 1, "Stampato"), "S");
    EXPECT_EQ(colonna(2024, 1, "DGD_Numero"), "ALTRO"); // not shown as changed, not written back
    EXPECT_EQ(colonna(2024, 2, "Stampato"), "N");

    EXPECT_FALSE(form->scheda->modificato());
    EXPECT_EQ(form->totale->text(), "2.500,75");
    EXPECT_EQ(form->data->text(), "01/04/2024");
    EXPECT_EQ(form->numeroDoc->text(), "ALTRO"); // the row is read again after the save
    EXPECT_EQ(messaggio(), "Record salvato");
    EXPECT_EQ(form->pri.mid(1), (QList<int>{PassoControllo, PassoScrivi}));
    EXPECT_EQ(form->dop.last(), PassoScrivi);
}

TEST_F(SchedaRecordTest, accountPatternSplitsIntoThreeColumnsAndRefusesAFourthPart) {
    apri(2024, 2);
    digita(form->fornitore, "40-01-126");
    ASSERT_TRUE(form->scheda->Salva());
    EXPECT_EQ(colonna(2024, 2, "GruppoFor") + "|" + colonna(2024, 2, "MastroFor") + "|" +
                  colonna(2024, 2, "ContoFor"),
              "40|01|126");
    EXPECT_EQ(form->descrFornitore->text(), ""); // no such account
    digita(form->fornitore, "40-01-125-9");
    EXPECT_FALSE(form->scheda->ButtonComando("Salva"));
    EXPECT_EQ(messaggio(), "Non usare - nel campo conto");
    EXPECT_EQ(colonna(2024, 2, "ContoFor"), "126");
    EXPECT_TRUE(form->scheda->modificato());
}

TEST_F(SchedaRecordTest, cancelRestoresTheLoadedValuesAndWritesNothing) {
    apri(2024, 1);
    digita(form->denominazione, "Cambiata");
    digita(form->totale, "1");
    ASSERT_TRUE(form->scheda->ButtonComando("Annulla"));
    EXPECT_EQ(form->denominazione->text(), "Rossi Srl");
    EXPECT_EQ(form->totale->text(), "1.234,50");
    EXPECT_FALSE(form->scheda->modificato());
    EXPECT_EQ(colonna(2024, 1, "CP_DA_Anagrafica_Denominazione"), "Rossi Srl");
    EXPECT_TRUE(form->pri.contains(PassoAnnulla));
    EXPECT_TRUE(form->dop.contains(PassoAnnulla));
}

TEST_F(SchedaRecordTest, beforeCallBackVetoesTheSaveAndCanWriteHiddenFieldsFirst) {
    apri(2024, 1);
    digita(form->denominazione, "Rifiutata");
    form->veto = PassoControllo;
    EXPECT_FALSE(form->scheda->Salva());
    EXPECT_EQ(colonna(2024, 1, "CP_DA_Anagrafica_Denominazione"), "Rossi Srl");
    EXPECT_TRUE(form->scheda->modificato());

    // The write step (PassoScrivi) comes before the values are read: what the form writes there is saved.
    form->veto = 0;
    form->azionePri = [&](int passo, bool&) {
        if (passo == PassoScrivi)
            form->numeroDoc->setText("SCRITTO");
    };
    EXPECT_TRUE(form->scheda->Salva());
    EXPECT_EQ(colonna(2024, 1, "CP_DA_Anagrafica_Denominazione"), "Rifiutata");
    EXPECT_EQ(colonna(2024, 1, "DGD_Numero"), "SCRITTO");
}

struct CasoAbbandono {
    const char* risposta;
    const char* chiaveDopo;
    const char* denominazioneSalvata;
};

void PrintTo(const CasoAbbandono& c, std::ostream* os) {
    // ASCII for the test's name: "Sì" reads "Si".
    QString risposta = QString::fromUtf8(c.risposta).normalized(QString::NormalizationForm_D);
    risposta.removeIf([](QChar ch) { return ch.unicode() > 0x7f; });
    *os << risposta.toStdString();
}

class AbbandonoTest : public SchedaRecordTest, public ::testing::WithParamInterface<CasoAbbandono> {};

TEST_P(AbbandonoTest, leavingAChangedRecordAsksFirst) {
    apri(2024, 1);
    digita(form->denominazione, "Modificata");
    utente.accoda(GetParam().risposta);
    form->scheda->ButtonComando("Successivo");
    ASSERT_EQ(utente.testiMostrati(), QStringList{"Il record è stato modificato.\nSalvare le modifiche?"});
    EXPECT_EQ(utente.mostrati.first().risposte, (QStringList{"&Sì", "&No", "&Annulla"}));
    EXPECT_EQ(chiaveMostrata(), GetParam().chiaveDopo);
    EXPECT_EQ(colonna(2024, 1, "CP_DA_Anagrafica_Denominazione"), GetParam().denominazioneSalvata);
}

INSTANTIATE_TEST_SUITE_P(Risposte, AbbandonoTest,
                         ::testing::Values(CasoAbbandono{"Sì", "2024/2", "Modificata"},
                                           CasoAbbandono{"No", "2024/2", "Rossi Srl"},
                                           CasoAbbandono{"Annulla", "2024/1", "Rossi Srl"}));

TEST_F(SchedaRecordTest, closingWithChangesAsksAndStaysOpenOnAnnulla) {
    apri(2024, 1);
    digita(form->denominazione, "X");
    utente.accoda("Annulla");
    EXPECT_FALSE(form->scheda->ButtonComando("Chiudi"));
    EXPECT_TRUE(form->isVisible());
    utente.accoda("No");
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(utente.mostrati.size(), 2);
    EXPECT_EQ(colonna(2024, 1, "CP_DA_Anagrafica_Denominazione"), "Rossi Srl");
}

TEST_F(SchedaRecordTest, deleteRunsTheFormStepInsideOneTransaction) {
    db().EseguiSql("INSERT INTO FatXmlDett (XmlAnno, XmlNumRif, XmlRigDet) VALUES (2024, 1, 1)");
    form->scheda->chiediConfermaCancella = false;
    form->azionePri = [&](int passo, bool&) {
        if (passo == PassoCancella) {
            db().EseguiSql("DELETE FROM FatXmlDett WHERE XmlAnno = 2024 AND XmlNumRif = 1");
            throw ErroreDb(ErrDatabase, "tabella bloccata");
        }
    };
    apri(2024, 1);
    EXPECT_FALSE(form->scheda->ButtonComando("Cancella"));
    EXPECT_EQ(utente.testiMostrati().last(), "Cancellazione non riuscita - Errore(3146): tabella bloccata");
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatXmlDett").toInt(), 1); // rolled back with the header
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatXmlTest").toInt(), 4);

    form->azionePri = [&](int passo, bool&) {
        if (passo == PassoCancella)
            db().EseguiSql("DELETE FROM FatXmlDett WHERE XmlAnno = 2024 AND XmlNumRif = 1");
    };
    EXPECT_TRUE(form->scheda->ButtonComando("Cancella"));
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatXmlDett").toInt(), 0);
    EXPECT_EQ(colonna(2024, 1, "XmlNumRif"), "");
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatXmlTest").toInt(), 3);
    EXPECT_EQ(form->scheda->stato(), SchedaRecord::Stato::Chiave);
    EXPECT_EQ(form->dop.last(), PassoCancella);
}

TEST_F(SchedaRecordTest, deleteAsksItsOwnConfirmationAndAnnullaKeepsTheRecord) {
    apri(2024, 2);
    utente.accoda("Annulla");
    EXPECT_FALSE(form->scheda->Cancella());
    EXPECT_EQ(utente.testiMostrati(), QStringList{"Confermi la cancellazione del record?"});
    EXPECT_EQ(colonna(2024, 2, "XmlNumRif"), "2");
    form->veto = PassoCancella;
    EXPECT_FALSE(form->scheda->Cancella());
    EXPECT_EQ(colonna(2024, 2, "XmlNumRif"), "2");
}

TEST_F(SchedaRecordTest, searchByTypedValuesUsesEachFieldsComparisonAndBoundsNavigation) {
    form->scheda->ButtonComando("Ricerca");
    ASSERT_EQ(form->scheda->stato(), SchedaRecord::Stato::Selezione);
    EXPECT_TRUE(form->denominazione->isEnabled());
    form->anno->clear();
    QTest::keyClicks(form->denominazione, "ross");
    QTest::keyClick(form->denominazione, Qt::Key_Return);
    ASSERT_EQ(form->scheda->stato(), SchedaRecord::Stato::Modifica);
    EXPECT_EQ(chiaveMostrata(), "2024/1");
    EXPECT_EQ(messaggio(), "Record trovati: 2");
    form->scheda->ButtonComando("Successivo");
    EXPECT_EQ(chiaveMostrata(), "2025/1");
    form->scheda->ButtonComando("Successivo");
    EXPECT_EQ(messaggio(), "Fine archivio");
    form->scheda->ButtonComando("Inizio");
    EXPECT_EQ(chiaveMostrata(), "2024/1");

    // A date typed in the search matches the day whatever time is stored.
    db().EseguiSql("UPDATE FatXmlTest SET DGD_Data = " +
                   SqlValore(QVariant(QDateTime(QDate(2023, 3, 12), QTime(9, 30)))) +
                   " WHERE XmlAnno = 2023");
    form->scheda->ButtonComando("Ricerca");
    form->scheda->ButtonComando("Ricerca");
    form->anno->clear();
    form->data->setText("12/03/2023");
    EXPECT_TRUE(form->scheda->ButtonComando("Ricerca"));
    EXPECT_EQ(chiaveMostrata(), "2023/5");
    EXPECT_EQ(messaggio(), "Record trovati: 1");
}

TEST_F(SchedaRecordTest, changingTheKeyMovesTheRecordAndRefusesAnExistingKey) {
    db().EseguiSql("INSERT INTO FatXmlDett (XmlAnno, XmlNumRif, XmlRigDet) VALUES (2024, 2, 1)");
    form->azionePri = [&](int passo, bool&) {
        if (passo == PassoVarKey) {
            const QVariantList nuova = *form->scheda->chiaveDigitata();
            db().EseguiSql(
                QStringLiteral("UPDATE FatXmlDett SET XmlNumRif = %1 WHERE XmlAnno = 2024 AND XmlNumRif = %2")
                    .arg(nuova.value(1).toInt())
                    .arg(form->scheda->chiaveCorrente().value(1).toInt()));
        }
    };
    apri(2024, 2);
    ASSERT_TRUE(form->scheda->ButtonComando("VarKey"));
    EXPECT_TRUE(form->numero->isEnabled());
    EXPECT_FALSE(form->totale->isEnabled());
    digita(form->numero, "1");
    EXPECT_FALSE(form->scheda->ButtonComando("Salva"));
    EXPECT_EQ(utente.testiMostrati().last(), "Esiste già un record con questa chiave");
    EXPECT_EQ(db().valore("SELECT XmlNumRif FROM FatXmlDett").toInt(), 2);

    digita(form->numero, "9");
    ASSERT_TRUE(form->scheda->ButtonComando("Salva"));
    EXPECT_EQ(colonna(2024, 9, "CP_DA_Anagrafica_Denominazione"), "Bianchi Spa");
    EXPECT_EQ(colonna(2024, 2, "XmlNumRif"), "");
    EXPECT_EQ(db().valore("SELECT XmlNumRif FROM FatXmlDett").toInt(), 9);
    EXPECT_EQ(chiaveMostrata(), "2024/9");
    EXPECT_EQ(form->scheda->stato(), SchedaRecord::Stato::Modifica);
}

TEST_F(SchedaRecordTest, listHookOpensTheChosenKeyAndStepsThroughTheListOrder) {
    EXPECT_FALSE(form->scheda->barraComandi()->azione("Lista")->isEnabled()); // no list given
    form->scheda->ApriLista = [] { return SceltaLista::daChiavi({{2025, 1}, {2023, 5}, {2024, 2}}, 1); };
    form->scheda->ButtonComando("Ricerca"); // the toolbar follows the hook
    form->scheda->ButtonComando("Annulla");
    ASSERT_TRUE(form->scheda->ButtonComando("Lista"));
    EXPECT_EQ(chiaveMostrata(), "2023/5");
    form->scheda->ButtonComando("ListaAvanti");
    EXPECT_EQ(chiaveMostrata(), "2024/2");
    EXPECT_FALSE(form->scheda->ButtonComando("ListaAvanti"));
    EXPECT_EQ(messaggio(), "Fine lista");
    form->scheda->ButtonComando("ListaInd");
    form->scheda->ButtonComando("ListaInd");
    EXPECT_EQ(chiaveMostrata(), "2025/1");
}

TEST_F(SchedaRecordTest, formKeysGoToTheFormAndSegnaRecReloadsTheFlag) {
    QStringList ricevuti;
    form->scheda->ComandoForm = [&](const QString& k) {
        if (k != "Dettaglio")
            return false;
        ricevuti << k;
        return true;
    };
    form->scheda->barraComandi()->aggiungi({"Dettaglio", "Dettaglio", "(E - F10) Linee di dettaglio", {}});
    apri(2024, 1);
    auto* pulsante = form->scheda->barraComandi()->findChild<QToolButton*>("tolDettaglio");
    ASSERT_NE(pulsante, nullptr);
    QTest::mouseClick(pulsante, Qt::LeftButton);
    EXPECT_EQ(ricevuti, QStringList{"Dettaglio"});

    ASSERT_TRUE(form->scheda->SegnaRec("Stampato", "S"));
    EXPECT_EQ(colonna(2024, 1, "Stampato"), "S");
    EXPECT_TRUE(form->stampato->isChecked());
    EXPECT_FALSE(form->scheda->modificato());
}

TEST_F(SchedaRecordTest, toolbarCarriesTheKeysAndTooltipsInOrder) {
    QStringList voci;
    for (QAction* a : form->scheda->barraComandi()->actions())
        voci << a->objectName() + "=" + a->toolTip();
    EXPECT_EQ(
        voci,
        (QStringList{"Ricerca=(R) Ricerca", "Salva=(S) Salva", "Cancella=(C) Cancella", "Annulla=(A) Annulla",
                     "Duplica=(D) Duplica", "VarKey=(V) Varia campi chiave", "Lista=(L) Lista",
                     "ListaInd=(-) Precedente nella lista", "ListaAvanti=(+) Successivo nella lista",
                     "Inizio=(I) Inizio Archivio", "Precedente=(P) Precedente", "Successivo=(U) Successivo",
                     "Fine=(F) Fine Archivio", "Chiudi=(H) Chiudi", "Menu=(M) Menu"}));
    EXPECT_FALSE(form->scheda->barraComandi()->azione("Duplica")->isVisible());
    // Clicking Salva on the toolbar saves the field being typed in.
    apri(2024, 1);
    digita(form->totale, "7,5");
    QTest::mouseClick(form->scheda->barraComandi()->findChild<QToolButton*>("tolSalva"), Qt::LeftButton);
    EXPECT_EQ(importo(2024, 1), importoDa("7.5"));
    EXPECT_EQ(form->totale->text(), "7,50");
}

TEST_F(SchedaRecordTest, wrongValueIsReportedOnLeavingTheFieldAndBlocksTheSave) {
    apri(2024, 1);
    digita(form->data, "31/02/2024");
    EXPECT_EQ(form->scheda->barraStato()->testoPannello("DescrCampo"), "del");
    form->denominazione->setFocus();
    EXPECT_EQ(messaggio(), "Valore non valido");
    EXPECT_FALSE(form->scheda->ButtonComando("Salva"));
    EXPECT_EQ(QApplication::focusWidget(), form->data);
    digita(form->data, "28/2/2024");
    form->denominazione->setFocus();
    EXPECT_EQ(form->data->text(), "28/02/2024"); // normalised on leaving
    EXPECT_TRUE(form->scheda->ButtonComando("Salva"));
}

// ---- Field values, without a form ------------------------------------------------------------

struct CasoFormato {
    const char* formato;
    const char* digitato;
    const char* mostrato; // "" : refused
    QVariant memorizzato;
};

void PrintTo(const CasoFormato& c, std::ostream* os) {
    *os << c.formato << " '" << c.digitato << "'";
}

class FormatoTest : public ::testing::TestWithParam<CasoFormato> {};

TEST_P(FormatoTest, typedTextIsStoredAndShownBack) {
    QLineEdit e;
    CampoScheda c(&e, "Colonna", "=", GetParam().formato);
    const auto valori = c.valoriDaTesto(GetParam().digitato);
    if (QString(GetParam().mostrato).isEmpty()) {
        EXPECT_FALSE(valori.has_value());
        return;
    }
    ASSERT_TRUE(valori.has_value());
    const QVariant v = valori->value(0);
    if (GetParam().memorizzato.metaType() == QMetaType::fromType<QDate>())
        EXPECT_EQ(v.toDate(), GetParam().memorizzato.toDate());
    else
        EXPECT_EQ(Currency::daVariant(v), Currency::daVariant(GetParam().memorizzato));
    EXPECT_EQ(c.testoDaValori(*valori), GetParam().mostrato);
}

INSTANTIATE_TEST_SUITE_P(
    Formati, FormatoTest,
    ::testing::Values(CasoFormato{"#,###.^^", "1.234,50", "1.234,50", QVariant("1234.5")},
                      CasoFormato{"#,###.^^", "1234,5", "1.234,50", QVariant("1234.5")},
                      CasoFormato{"#,###.^^", "1234.5", "1.234,50", QVariant("1234.5")}, // keypad point
                      CasoFormato{"#,###.^^", "1.500", "1.500,00", QVariant("1500")},
                      CasoFormato{"#,###.^^", "-12,3456", "-12,3456", QVariant("-12.3456")},
                      CasoFormato{"#,##0.00", "2.000.000", "2.000.000,00", QVariant("2000000")},
                      CasoFormato{"###.^^", "22.5", "22,50", QVariant("22.5")},
                      CasoFormato{"#,###.^^", "12,34,5", "", {}}, CasoFormato{"#,###.^^", "dodici", "", {}},
                      CasoFormato{"dd/mm/yyyy", "1/2/24", "01/02/2024", QVariant(QDate(2024, 2, 1))},
                      CasoFormato{"dd/mm/yyyy", "01/01/100", "01/01/100", QVariant(QDate(100, 1, 1))},
                      CasoFormato{"dd/mm/yyyy", "31/02/2024", "", {}},
                      CasoFormato{"dd/mm/yyyy", "12/03/2024 10:15", "", {}}));

TEST(CampoSchedaTest, searchConditionsQuoteValuesAndCoverWholeDays) {
    QLineEdit e;
    EXPECT_EQ(*CampoScheda(&e, "Den", "like", {}).condizione("O'Neil*"), "upper(Den) LIKE upper('O''Neil%')");
    EXPECT_EQ(*CampoScheda(&e, "Den", "=", {}).condizione("  "), "");
    EXPECT_EQ(*CampoScheda(&e, "D", ">=", "dd/mm/yyyy").condizione("12/03/2024"),
              "D >= '2024-03-12 00:00:00'");
    EXPECT_EQ(*CampoScheda(&e, "D", "<=", "dd/mm/yyyy").condizione("12/03/2024"),
              "D < '2024-03-13 00:00:00'");
    EXPECT_EQ(*CampoScheda(&e, "|-|G|M|C", "=", {}).condizione("40-01"), "G = '40' AND M = '01'");
    EXPECT_EQ(*CampoScheda(&e, "T", ">", "#,##0.00").condizione("1.000,5"), "T > 1000.5000");
    EXPECT_FALSE(CampoScheda(&e, "T", "=", "#,##0.00").condizione("abc").has_value());
}

} // namespace
