// Unknown codes in the review forms: marked when a stored one is shown, refused where they are
// typed (the field marked, the message naming the field and, in the line forms, the line) and
// again on save, so they never reach the store; the message goes once the code is corrected.

#include "formprova.h"

#include "frame/database.h"
#include "review/forms/frmfepassdett.h"
#include "review/forms/frmfepasspagam.h"
#include "review/forms/frmfepasstest.h"
#include "ui/barrecomandi.h"
#include "ui/paginarighe.h"
#include "ui/recordform.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

class CodiciInesistenti : public prova::FormProva {
protected:
    static bool marcato(QWidget* w) { return w->styleSheet().contains("background-color"); }
};

struct CasoCodice {
    const char* colonna; // the field's column (the first one of an account)
    const char* pagina;  // the header's page that shows it
    const char* errato;  // an unknown code
    const char* giusto;  // a code of the demo company
    const char* messaggio;
};

TEST_F(CodiciInesistenti, theHeaderRefusesAnUnknownCodeWhereTypedAndOnSaveAndClearsTheMessageWhenFixed) {
    const ChiaveFattura k = importa({});
    // Stored and not found (an import that could not resolve it): marked as soon as shown.
    db().EseguiSql(QString("UPDATE FatXmlTest SET ContoFor = '9998' WHERE XmlNumRif = %1").arg(k.numero));
    auto* f = mostra(new frmFEPassTest(*contesto));
    f->Carica();
    f->txtAnno->setText(QString::number(k.anno));
    f->txtNumRif->setText(QString::number(k.numero));
    QTest::keyClick(f->txtNumRif, Qt::Key_Return);
    ASSERT_EQ(f->scheda()->stato(), SchedaRecord::Stato::Modifica);
    const auto messaggio = [f] { return f->staMessaggi->testoPannello("Messaggio"); };
    EXPECT_EQ(messaggio(), "Codice inesistente: Conto");
    EXPECT_TRUE(marcato(f->campo("GruppoFor")));
    const auto stored = [&](const char* colonna) { return testo("FatXmlTest", k, colonna); };

    for (const CasoCodice& c : {
             CasoCodice{"GruppoFor", "Cedente", "40-10-9999", "40-10-1001", "Codice inesistente: Conto"},
             CasoCodice{"Causale", "DatiGeneraliDocumento", "XYZ", "FAA", "Codice inesistente: Causale"},
             CasoCodice{"Moneta", "DatiGeneraliDocumento", "XXX", "EUR", "Codice inesistente: Moneta"},
             CasoCodice{"GruppoCassaPrev", "DatiGeneraliDocumento", "99-99-9999", "60101001",
                        "Codice inesistente: Cassa previdenza"},
         }) {
        SCOPED_TRACE(c.colonna);
        f->TasPagine->setCurrentWidget(f->TasPagine->findChild<QWidget*>(c.pagina));
        auto* campo = qobject_cast<QLineEdit*>(f->campo(c.colonna));
        ASSERT_NE(campo, nullptr);
        const QString prima = stored(c.colonna);
        campo->setFocus();
        prova::digita(campo, c.errato);
        EXPECT_TRUE(marcato(campo));
        EXPECT_EQ(messaggio(), c.messaggio);

        // Save: refused, the field marked and focused, nothing written.
        f->txtAnno->window()->setFocus();
        EXPECT_FALSE(f->scheda()->Salva());
        EXPECT_EQ(messaggio(), c.messaggio);
        EXPECT_EQ(QApplication::focusWidget(), campo);
        EXPECT_EQ(stored(c.colonna), prima);

        // Corrected (a compact account written the common way): mark and message go.
        prova::digita(campo, c.giusto);
        EXPECT_FALSE(marcato(campo));
        EXPECT_EQ(messaggio(), "");
        const QString giusto = c.giusto;
        EXPECT_EQ(campo->text(), giusto.contains('-') || giusto.size() < 8 ? giusto : "60-10-1001");
        f->scheda()->Salva();
        EXPECT_FALSE(f->scheda()->modificato());
    }
    EXPECT_EQ(stored("Causale") + " " + stored("Moneta") + " " + stored("ContoCassaPrev"), "FAA EUR 1001");
}

TEST_F(CodiciInesistenti, theLineFormNamesTheLineOfAnUnknownCounterAccountAndVatCode) {
    const ChiaveFattura k = importa({});
    db().EseguiSql(
        QString("UPDATE FatXmlDett SET Iva = 'Z9' WHERE XmlNumRif = %1 AND XmlRigDet = 1").arg(k.numero));
    auto* f = mostra(new frmFEPassDett(*contesto, k, 0));
    const auto messaggio = [f] { return f->staMessaggi->testoPannello("Messaggio"); };
    // A stored unknown code is marked when its line is shown; the next line's are all known.
    EXPECT_EQ(messaggio(), "Codice inesistente: Codice iva alla riga 1");
    ASSERT_TRUE(f->pagina()->posizionaRiga(1));
    EXPECT_EQ(messaggio(), "");
    EXPECT_FALSE(marcato(f->campo("Iva")));
    const QString riga = "XmlRigDet = 2";
    const QString contoPrima = testo("FatXmlDett", k, "ContoCPartita", riga);

    auto* conto = qobject_cast<QLineEdit*>(f->campo("GruppoCPartita"));
    conto->setFocus();
    prova::digita(conto, "99-99-9999");
    EXPECT_EQ(messaggio(), "Codice inesistente: Conto Partita alla riga 2");
    EXPECT_FALSE(f->pagina()->ButtonComando("Salva"));
    EXPECT_EQ(testo("FatXmlDett", k, "ContoCPartita", riga), contoPrima);

    auto* iva = qobject_cast<QLineEdit*>(f->campo("Iva"));
    prova::digita(conto, "60101001");
    EXPECT_EQ(conto->text(), "60-10-1001");
    EXPECT_EQ(messaggio(), "");
    iva->setFocus();
    prova::digita(iva, "Z9");
    EXPECT_EQ(messaggio(), "Codice inesistente: Codice iva alla riga 2");
    EXPECT_FALSE(f->pagina()->ButtonComando("Salva"));
    prova::digita(iva, "22");
    EXPECT_EQ(messaggio(), "");
    EXPECT_TRUE(f->pagina()->ButtonComando("Salva"));
    EXPECT_EQ(testo("FatXmlDett", k, "ContoCPartita", riga) + " " + testo("FatXmlDett", k, "Iva", riga),
              "1001 22");
}

TEST_F(CodiciInesistenti, paymentCoordinatesAreCheckedAndSuccessIsNotShownAsAFault) {
    const ChiaveFattura k = importa({});
    auto* f = mostra(new frmFEPassPagam(*contesto, k, 0));
    const auto messaggio = [f] { return f->staMessaggi->testoPannello("Messaggio"); };
    const auto rosso = [f] {
        return f->staMessaggi->pannello("Messaggio")->styleSheet().contains("#a00000");
    };
    const QString prima = testo("FatXmlPag", k, "IBAN");
    auto* iban = qobject_cast<QLineEdit*>(f->campo("IBAN"));
    auto* abi = qobject_cast<QLineEdit*>(f->campo("ABI"));
    f->TasPagine->setCurrentWidget(f->TasPagine->findChild<QWidget*>("Coordinate"));
    iban->setFocus();
    prova::digita(iban, "IT60X0542811101000000123457");
    EXPECT_EQ(messaggio(), "IBAN non valido: cifre di controllo errate");
    EXPECT_TRUE(rosso());
    abi->setFocus();
    EXPECT_FALSE(f->pagina()->ButtonComando("Salva"));
    EXPECT_EQ(testo("FatXmlPag", k, "IBAN"), prima);
    prova::digita(iban, "IT60X0542811101000000123456");
    EXPECT_EQ(messaggio(), "");
    prova::digita(abi, "O5428"); // a letter O for a zero
    EXPECT_EQ(messaggio(), "ABI non valido: cinque cifre");
    prova::digita(abi, "05428");
    EXPECT_TRUE(f->pagina()->ButtonComando("Salva"));
    EXPECT_EQ(messaggio(), "Riga salvata");
    EXPECT_FALSE(rosso());
    EXPECT_EQ(testo("FatXmlPag", k, "IBAN") + " " + testo("FatXmlPag", k, "ABI"),
              "IT60X0542811101000000123456 05428");
}

TEST_F(CodiciInesistenti, theFileTextsOfALineAreReadOnlyAndTheHeaderHasItsPageAndLineKeys) {
    const ChiaveFattura k = importa({});
    {
        auto* d = mostra(new frmFEPassDett(*contesto, k, 0));
        for (const char* c : {"QuantitaStr", "PrezzoUnitarioStr", "PrezzoTotaleStr", "SM_ImportoStr"})
            EXPECT_FALSE(d->campo(c)->isEnabled() && !qobject_cast<QLineEdit*>(d->campo(c))->isReadOnly())
                << c;
    }
    auto* f = mostra(new frmFEPassTest(*contesto));
    f->Carica();
    QStringList aperte;
    f->aperture.dettaglio = [&aperte](Contesto&, QWidget*, ChiaveFattura, qint64 riga) {
        aperte << QString::number(riga);
        return false;
    };
    f->txtAnno->setText(QString::number(k.anno));
    f->txtNumRif->setText(QString::number(k.numero));
    QTest::keyClick(f->txtNumRif, Qt::Key_Return);
    ASSERT_EQ(f->scheda()->stato(), SchedaRecord::Stato::Modifica);
    for (int i : {3, 6, 1}) {
        QTest::keyClick(f, Qt::Key_0 + i, Qt::AltModifier);
        EXPECT_EQ(f->TasPagine->currentIndex(), i - 1);
    }
    f->dbgDett->setCurrentIndex(f->DatDett->index(1, f->DatDett->colonna("Descrizione")));
    QTest::keyClick(f, Qt::Key_F10);
    EXPECT_EQ(aperte, QStringList{"2"});
}

} // namespace
