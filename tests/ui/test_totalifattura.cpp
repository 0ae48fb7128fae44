// An invoice whose figures disagree: lines and VAT make 265,00, the document says 288,00. The
// header form shows them side by side with the difference in red; changing a line's VAT code
// offers to make the VAT summary again; a VAT amount its rate does not give needs a yes.

#include "formprova.h"

#include "frame/currency.h"
#include "frame/database.h"
#include "review/forms/frmfepassdett.h"
#include "review/forms/frmfepassiva.h"
#include "review/forms/frmfepasstest.h"
#include "ui/barrecomandi.h"
#include "ui/paginarighe.h"
#include "ui/recordform.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::ui;

namespace {

// 100,00 at 22% and 130,00 at 10%: 230,00 + 35,00 = 265,00; the document and its instalment
// say 288,00.
const QString Beni =
    "<DatiBeniServizi>"
    "<DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>Viti</Descrizione>"
    "<PrezzoUnitario>100.00</PrezzoUnitario><PrezzoTotale>100.00</PrezzoTotale>"
    "<AliquotaIVA>22.00</AliquotaIVA></DettaglioLinee>"
    "<DettaglioLinee><NumeroLinea>2</NumeroLinea><Descrizione>Libri</Descrizione>"
    "<PrezzoUnitario>130.00</PrezzoUnitario><PrezzoTotale>130.00</PrezzoTotale>"
    "<AliquotaIVA>10.00</AliquotaIVA></DettaglioLinee>"
    "<DatiRiepilogo><AliquotaIVA>22.00</AliquotaIVA><ImponibileImporto>100.00</ImponibileImporto>"
    "<Imposta>22.00</Imposta></DatiRiepilogo>"
    "<DatiRiepilogo><AliquotaIVA>10.00</AliquotaIVA><ImponibileImporto>130.00</ImponibileImporto>"
    "<Imposta>13.00</Imposta></DatiRiepilogo>"
    "</DatiBeniServizi>";

class TotaliFattura : public prova::FormProva {
protected:
    void SetUp() override {
        FormProva::SetUp();
        if (IsSkipped())
            return;
        prova::FatturaProva f;
        f.totale = "288.00";
        QString xml = QString::fromUtf8(f.xml());
        xml.replace(QRegularExpression("<DatiBeniServizi>.*</DatiBeniServizi>",
                                       QRegularExpression::DotMatchesEverythingOption),
                    Beni);
        xml.replace("<ImportoPagamento>1234.50</ImportoPagamento>",
                    "<ImportoPagamento>288.00</ImportoPagamento>");
        const auto chiavi = importaFile(scriviFile("IT03981270683_00265.xml", xml.toUtf8()));
        ASSERT_EQ(chiavi.size(), 1u);
        k = chiavi.front();
    }
    frmFEPassTest* apriTestata() {
        auto* f = mostra(new frmFEPassTest(*contesto));
        f->Carica();
        f->txtAnno->setText(QString::number(k.anno));
        f->txtNumRif->setText(QString::number(k.numero));
        QTest::keyClick(f->txtNumRif, Qt::Key_Return);
        EXPECT_EQ(f->scheda()->stato(), SchedaRecord::Stato::Modifica);
        return f;
    }
    // The strip as "row: taxable/VAT/total" with "!" after a red figure.
    static QString striscia(const frmFEPassTest* f) {
        QStringList righe;
        for (const auto& riga : f->labTotali) {
            QStringList celle;
            for (const QLabel* l : riga)
                celle << l->text() + (l->styleSheet().contains("#b00000") ? "!" : "");
            righe << celle.join('/');
        }
        return righe.join(" | ");
    }
    QString riepilogo() {
        QStringList out;
        for (Recordset rs = db().ApriRs(QString("SELECT Iva, ImponibileImporto, Imposta FROM FatXmlIva WHERE "
                                                "XmlAnno = %1 AND XmlNumRif = %2 ORDER BY XmlRigDet")
                                            .arg(k.anno)
                                            .arg(k.numero));
             !rs.RsEof(); rs.RsMoveNext())
            out << rs.leggiTesto("Iva") + ":" + formatta(*rs.leggiValuta("ImponibileImporto"), u"0.00") +
                       ":" + formatta(*rs.leggiValuta("Imposta"), u"0.00");
        return out.join(' ');
    }
    // The summary grid's rows shown apart (colour and warning sign), as "row number: why", and
    // what the status bar says of the row shown.
    QStringList righeSegnate() {
        auto* d = mostra(new frmFEPassIva(*contesto, k));
        const ModelloRighe* m = d->pagina()->modello();
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r)
            if (m->data(m->index(r, 0), Qt::BackgroundRole).isValid() &&
                m->data(m->index(r, m->colonna("Iva")), Qt::DecorationRole).isValid())
                out << m->valore(r, "XmlRigDet").toString() + ": " +
                           m->data(m->index(r, 0), Qt::ToolTipRole).toString();
        out << d->staMessaggi->testoPannello("Messaggio");
        return out;
    }
    ChiaveFattura k;
};

TEST_F(TotaliFattura, theHeaderShowsTheFiguresSideBySideWithTheDocumentTotalInRed) {
    frmFEPassTest* f = apriTestata();
    EXPECT_EQ(striscia(f).toStdString(), "230,00/35,00/265,00 | 230,00/35,00/265,00 | //288,00! | //288,00");
    EXPECT_EQ(f->labTotali[2][2]->toolTip(), "Differenza da righe e riepilogo IVA: 23,00");
}

TEST_F(TotaliFattura, aLineMovedToAnotherVatCodeOffersToRemakeTheSummaryAndTheHeaderFollows) {
    ASSERT_EQ(riepilogo().toStdString(), "22:100,00:22,00 10:130,00:13,00");
    {
        // Declined: the summary stays, the difference shows.
        auto* d = mostra(new frmFEPassDett(*contesto, k, 2));
        auto* iva = qobject_cast<QLineEdit*>(d->campo("Iva"));
        iva->setFocus();
        prova::digita(iva, "22");
        utente.accoda("No");
        ASSERT_TRUE(d->pagina()->ButtonComando("Salva"));
        ASSERT_EQ(utente.testiMostrati().size(), 1);
        EXPECT_EQ(utente.testiMostrati()[0],
                  "Il riepilogo IVA non corrisponde più alle righe:\n"
                  "Iva 10 (10%): imponibile 0,00 invece di 130,00, imposta 0,00 invece di 13,00\n"
                  "Iva 22 (22%): imponibile 230,00 invece di 100,00, imposta 50,60 invece di 22,00\n"
                  "Ricalcolo il riepilogo IVA dalle righe?");
        EXPECT_EQ(riepilogo().toStdString(), "22:100,00:22,00 10:130,00:13,00");
    }
    frmFEPassTest* f = apriTestata();
    EXPECT_EQ(striscia(f).toStdString(), "230,00/50,60/280,60 | 230,00/35,00!/265,00 | //288,00! | //288,00");
    // The summary's own grid marks both rows until they agree again.
    EXPECT_EQ(
        righeSegnate(),
        (QStringList{"1: Da ricalcolare dalle righe - Iva 22 (22%): imponibile 230,00 invece di 100,00, "
                     "imposta 50,60 invece di 22,00",
                     "2: Da ricalcolare dalle righe - Iva 10 (10%): imponibile 0,00 invece di 130,00, "
                     "imposta 0,00 invece di 13,00",
                     "Da ricalcolare dalle righe - Iva 22 (22%): imponibile 230,00 invece di 100,00, "
                     "imposta 50,60 invece di 22,00"}));

    // Accepted, after another change of the line: the summary is made from the lines.
    utente.mostrati.clear();
    auto* d = mostra(new frmFEPassDett(*contesto, k, 2));
    auto* importo = qobject_cast<QLineEdit*>(d->campo("PrezzoTotale"));
    importo->setFocus();
    prova::digita(importo, "150");
    utente.accoda("Sì");
    ASSERT_TRUE(d->pagina()->ButtonComando("Salva"));
    EXPECT_EQ(utente.testiMostrati().size(), 1);
    EXPECT_EQ(riepilogo().toStdString(), "22:250,00:55,00");
    EXPECT_EQ(righeSegnate(), QStringList{""});
    f = apriTestata();
    EXPECT_EQ(striscia(f).toStdString(), "250,00/55,00/305,00 | 250,00/55,00/305,00 | //288,00! | //288,00");
}

TEST_F(TotaliFattura, aVatAmountItsRateDoesNotGiveIsWrittenOnlyWhenConfirmed) {
    auto* d = mostra(new frmFEPassIva(*contesto, k));
    ASSERT_TRUE(d->pagina()->posizionaRiga(1));
    auto* imponibile = qobject_cast<QLineEdit*>(d->campo("ImponibileImporto"));
    auto* imposta = qobject_cast<QLineEdit*>(d->campo("Imposta"));
    prova::digita(imponibile, "240");
    prova::digita(imposta, "99");
    utente.accoda("Annulla");
    EXPECT_FALSE(d->pagina()->ButtonComando("Salva"));
    EXPECT_EQ(
        utente.testiMostrati(),
        QStringList{"L'imposta 99,00 non corrisponde all'aliquota 10,00% dell'imponibile 240,00 (24,00)\n"
                    "Confermi l'imposta indicata?"});
    EXPECT_EQ(d->staMessaggi->testoPannello("Messaggio"), "Imposta non corrispondente all'aliquota");
    EXPECT_EQ(riepilogo().toStdString(), "22:100,00:22,00 10:130,00:13,00");

    // Within the tolerance nothing is asked; confirmed, the amount is written as typed.
    utente.mostrati.clear();
    prova::digita(imposta, "24,01");
    EXPECT_TRUE(d->pagina()->ButtonComando("Salva"));
    EXPECT_TRUE(utente.testiMostrati().isEmpty());
    prova::digita(imposta, "99");
    utente.accoda("Ok");
    EXPECT_TRUE(d->pagina()->ButtonComando("Salva"));
    EXPECT_EQ(riepilogo().toStdString(), "22:100,00:22,00 10:240,00:99,00");
}

} // namespace
