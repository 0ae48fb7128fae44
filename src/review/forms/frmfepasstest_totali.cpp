// The header form's totals: what the lines make, what the VAT summary and the document say and
// what the instalments add up to, side by side, so a disagreement shows before posting.

#include "frame/contesto.h"
#include "frame/database.h"
#include "posting/righeiva.h"
#include "review/forms/frmfepasstest.h"
#include "review/totali.h"
#include "ui/recordform.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>

namespace tesel::ui {

namespace {

const QString StileDiscorde = QStringLiteral("QLabel { color: #b00000; font-weight: bold; }");

QString euro(const std::optional<Currency>& c) {
    return c ? formatta(*c, u"#,##0.00") : QString();
}

} // namespace

QWidget* frmFEPassTest::totali() {
    FraTotali = new QGroupBox(QStringLiteral("Totali"), this);
    FraTotali->setObjectName(QStringLiteral("FraTotali"));
    auto* g = new QGridLayout(FraTotali);
    g->setContentsMargins(8, 4, 8, 4);
    g->setHorizontalSpacing(10);
    g->setVerticalSpacing(2);
    const QStringList colonne{QStringLiteral("Imponibile"), QStringLiteral("IVA"), QStringLiteral("Totale")};
    const QStringList righe{QStringLiteral("Righe"), QStringLiteral("Riepilogo IVA"),
                            QStringLiteral("Documento"), QStringLiteral("Rate")};
    const int larghezza = fontMetrics().horizontalAdvance(QStringLiteral("-9.999.999,99")) + 8;
    for (int c = 0; c < colonne.size(); ++c)
        g->addWidget(new QLabel(colonne[c], FraTotali), 0, c + 1, Qt::AlignRight);
    for (int r = 0; r < righe.size(); ++r) {
        g->addWidget(new QLabel(righe[r] + u':', FraTotali), r + 1, 0);
        for (int c = 0; c < 3; ++c) {
            auto* l = new QLabel(FraTotali);
            l->setObjectName(QStringLiteral("labTotali_%1_%2").arg(r).arg(c));
            l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            l->setMinimumWidth(larghezza);
            l->setTextInteractionFlags(Qt::TextSelectableByMouse);
            labTotali[r][c] = l;
            g->addWidget(l, r + 1, c + 1);
        }
    }
    return FraTotali;
}

void frmFEPassTest::aggiornaTotali() {
    for (auto& riga : labTotali)
        for (QLabel* l : riga) {
            l->clear();
            l->setToolTip({});
            l->setStyleSheet({});
        }
    const ChiaveFattura k = fattura();
    if (k.anno == 0)
        return;
    review::TotaliFattura t;
    Currency tolleranza;
    try {
        t = review::leggiTotali(contesto_.db, k);
        tolleranza = posting::tolleranzaQuadratura(contesto_.parametri);
    } catch (const ErroreDb& e) {
        scheda_->MostraMessaggio(e.descrizione());
        return;
    }
    const std::array<const review::Terna*, 4> terne{&t.righe, &t.riepilogo, &t.documento, &t.rate};
    for (int r = 0; r < 4; ++r) {
        labTotali[r][0]->setText(euro(terne[r]->imponibile));
        labTotali[r][1]->setText(euro(terne[r]->imposta));
        labTotali[r][2]->setText(euro(terne[r]->totale));
    }
    const review::Discordanze d = review::confronta(t, tolleranza);
    const auto segna = [](QLabel* l, bool discorde, const QString& spiegazione) {
        if (!discorde)
            return;
        l->setStyleSheet(StileDiscorde);
        l->setToolTip(spiegazione);
    };
    const auto differenza = [](const std::optional<Currency>& a, const std::optional<Currency>& b) {
        return formatta(a.value_or(Currency()) - b.value_or(Currency()), u"#,##0.00");
    };
    segna(labTotali[1][0], d.imponibile,
          QStringLiteral("Differenza dalle righe: ") +
              differenza(t.riepilogo.imponibile, t.righe.imponibile));
    segna(labTotali[1][1], d.imposta,
          QStringLiteral("Differenza dalle righe: ") + differenza(t.riepilogo.imposta, t.righe.imposta));
    const auto calcolato = t.riepilogo.totale ? t.riepilogo.totale : t.righe.totale;
    segna(labTotali[2][2], d.documento,
          QStringLiteral("Differenza da righe e riepilogo IVA: ") +
              differenza(t.documento.totale.value_or(Currency()) - t.arrotondamento, calcolato));
    const auto base = t.documento.totale ? t.documento.totale : calcolato;
    segna(labTotali[3][2], d.rate,
          QStringLiteral("Differenza dal totale da pagare: ") +
              differenza(t.rate.totale, base.value_or(Currency()) - t.ritenuta));
}

} // namespace tesel::ui
