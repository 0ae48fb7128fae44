#include "ui/selezionefatture.h"

#include "frame/database.h"
#include "frame/interazione.h"
#include "ui/barrecomandi.h"
#include "ui/descrizionecodice.h"
#include "ui/msgcom.h"
#include "ui/ricerca.h"
#include "ui/validatori.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace tesel::ui {

namespace {

const QList<int> BoxData{70, 80, 110, 120};

QString codice(const QLineEdit* campo) {
    return campo->text().trimmed();
}

std::optional<QDate> dataDi(const QLineEdit* campo) {
    const Conversione<QDate> c = convertiData(campo->text(), 0, QDate(1900, 1, 1));
    return c.codice == CodOk ? c.valore : std::nullopt;
}

template <typename T> std::optional<T> numeroDi(const QLineEdit* campo) {
    bool ok = false;
    const qint64 n = codice(campo).toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return static_cast<T>(n);
}

int primoDellaCoppia(store::Coppia c) {
    switch (c) {
    case store::Coppia::Anni:
        return 30;
    case store::Coppia::Numeri:
        return 50;
    case store::Coppia::DateDocumento:
        return 70;
    case store::Coppia::DateRicezione:
        return 110;
    }
    return 30;
}

// The criteria as one comparable text.
QString impronta(const store::CriteriSelezione& c) {
    return store::condizioniSelezione(c).join(u'|');
}

} // namespace

SelezioneFatture::SelezioneFatture(Database& db, BarraStato* barra, CampiNonValidi& nonValidi, QWidget* padre)
    : QGroupBox(QStringLiteral("Selezione"), padre), db_(db), barra_(barra), nonValidi_(nonValidi) {
    setObjectName(QStringLiteral("FraSelezione"));
    const QFontMetrics fm(font());
    const auto campo = [this](int indice, int caratteri) {
        return txt[indice] = nuovoCampo(this, QStringLiteral("txt%1").arg(indice), caratteri);
    };
    const auto descrizione = [this](int indice) {
        return lab[indice] = nuovaDescrizione(this, QStringLiteral("lab%1").arg(indice));
    };
    // Dates: wide enough for the date and for the hint shown while it is empty.
    const int larghezzaData = std::max(fm.horizontalAdvance(QStringLiteral("00/00/00000")),
                                       fm.horizontalAdvance(QStringLiteral("gg/mm/aaaa"))) +
                              24;
    auto* soloCifre = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    campo(10, 6);
    descrizione(10);
    for (int i : {30, 40})
        campo(i, 5)->setValidator(soloCifre);
    for (int i : {50, 60})
        campo(i, 10)->setValidator(soloCifre);
    for (int i : BoxData) {
        campo(i, 0)->setFixedWidth(larghezzaData);
        txt[i]->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    }
    campo(90, 20);
    campo(140, 16);
    descrizione(140);
    campo(150, 18);
    for (auto& [indice, c] : txt) {
        const int i = indice;
        connect(c, &QLineEdit::editingFinished, this, [this, i] {
            if (!controllaCampo(i))
                return;
            const QString ora = impronta(criteri());
            if (ora != ultimi_) {
                ultimi_ = ora;
                emit criteriCambiati();
            }
        });
    }

    // The document type: F2/F3/F4 or the button look it up among the FatturaPA codes.
    txt[10]->setToolTip(QStringLiteral("F2 ricerca per codice, F3 per descrizione, F4 elenco"));
    ricercaTipo_ =
        collegaRicerca(txt[10], lab[10], db_, {TipoRicerca::Decodifica, QStringLiteral("FETipDoc")});
    auto* hlp = new QPushButton(QStringLiteral("..."), this);
    hlp->setObjectName(QStringLiteral("ComHlp10"));
    hlp->setToolTip(QStringLiteral("Ricerca"));
    hlp->setFocusPolicy(Qt::NoFocus); // the keys of the field reach the same window
    hlp->setAutoDefault(false);
    hlp->setFixedWidth(fm.horizontalAdvance(QStringLiteral("...")) + 20);
    connect(hlp, &QPushButton::clicked, this, [this] {
        if (ricercaTipo_->apri(ModoRicerca::Scorri))
            controllaCampo(10);
    });
    auto* tipo = new QHBoxLayout;
    tipo->setSpacing(2);
    tipo->addWidget(txt[10]);
    tipo->addWidget(hlp);

    griglia_ = new QGridLayout(this);
    QGridLayout* g = griglia_;
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(6);
    g->setColumnStretch(4, 1);
    int& r = righe_;
    const auto coppia = [&](const QString& testo, int da, int a) {
        g->addWidget(nuovaEtichetta(this, testo, txt[da]), r, 0);
        g->addWidget(txt[da], r, 1, Qt::AlignLeft);
        g->addWidget(nuovaEtichetta(this, QStringLiteral("al:"), txt[a]), r, 2, Qt::AlignRight);
        g->addWidget(txt[a], r, 3, Qt::AlignLeft);
        ++r;
    };
    g->addWidget(nuovaEtichetta(this, QStringLiteral("Tipo Doc. Fatt. Elettronica:"), txt[10]), r, 0);
    g->addLayout(tipo, r, 1, Qt::AlignLeft);
    g->addWidget(lab[10], r++, 2, 1, 3);
    coppia(QStringLiteral("Riferimento:  Anno da:"), 30, 40);
    coppia(QStringLiteral("Numero dal:"), 50, 60);
    coppia(QStringLiteral("Documento:  data dal:"), 70, 80);
    g->addWidget(nuovaEtichetta(this, QStringLiteral("Numero:"), txt[90]), r, 0);
    g->addWidget(txt[90], r++, 1, 1, 3, Qt::AlignLeft);
    coppia(QStringLiteral("Data ricezione  dal:"), 110, 120);
    g->addWidget(nuovaEtichetta(this, QStringLiteral("Partita Iva:"), txt[140]), r, 0);
    g->addWidget(txt[140], r, 1, 1, 2, Qt::AlignLeft);
    g->addWidget(lab[140], r++, 3, 1, 2);
    g->addWidget(nuovaEtichetta(this, QStringLiteral("Codice fiscale:"), txt[150]), r, 0);
    g->addWidget(txt[150], r++, 1, 1, 2, Qt::AlignLeft);
}

SelezioneFatture::~SelezioneFatture() {
    // ~QWidget hides the boxes: the one that loses the focus must not reach a half-gone widget.
    for (QObject* figlio : findChildren<QObject*>())
        disconnect(figlio, nullptr, this, nullptr);
}

void SelezioneFatture::aggiungiRiga(QWidget* w) {
    griglia_->addWidget(w, righe_++, 0, 1, 5);
}

QList<QWidget*> SelezioneFatture::ordineTab() const {
    QList<QWidget*> ordine;
    for (int i : {10, 30, 40, 50, 60, 70, 80, 90, 110, 120, 140, 150})
        ordine << txt.at(i);
    return ordine;
}

store::CriteriSelezione SelezioneFatture::criteri() const {
    store::CriteriSelezione c;
    c.tipoDocumento = codice(txt.at(10));
    c.annoDa = numeroDi<int>(txt.at(30));
    c.annoA = numeroDi<int>(txt.at(40));
    c.numeroDa = numeroDi<qint64>(txt.at(50));
    c.numeroA = numeroDi<qint64>(txt.at(60));
    c.dataDa = dataDi(txt.at(70));
    c.dataA = dataDi(txt.at(80));
    c.numeroDocumento = codice(txt.at(90));
    c.ricezioneDa = dataDi(txt.at(110));
    c.ricezioneA = dataDi(txt.at(120));
    c.partitaIva = codice(txt.at(140));
    c.codiceFiscale = codice(txt.at(150));
    return c;
}

void SelezioneFatture::segna(QWidget* campo, bool valido, const QString& messaggio) {
    nonValidi_.segna(barra_, campo, valido, messaggio);
}

bool SelezioneFatture::controllaCampo(int indice) {
    if (BoxData.contains(indice))
        return controllaData(indice);
    if (indice == 10)
        return controllaTipo();
    if (indice == 140 || indice == 150)
        decodPartiva();
    return true;
}

bool SelezioneFatture::controllaData(int indice) {
    QString messaggio;
    ControllaData(txt[indice], txt[indice]->text(), 0, ReazColora, std::nullopt, false, messaggio);
    segna(txt[indice], messaggio.isEmpty(), messaggio);
    return messaggio.isEmpty();
}

bool SelezioneFatture::controllaTipo() {
    QLineEdit* c = txt[10];
    if (codice(c).isEmpty()) {
        lab[10]->clear();
        segna(c, true, {});
        return true;
    }
    // Codes are kept in capitals: "td01" typed in haste still finds its type.
    c->setText(codice(c).toUpper());
    const bool valido = !ricercaTipo_->decodifica().isEmpty();
    segna(c, valido, QStringLiteral("Tipo documento inesistente"));
    return valido;
}

void SelezioneFatture::decodPartiva() {
    try {
        lab[140]->setText(store::DecodPartiva(db_, codice(txt[140]), codice(txt[150])));
    } catch (const ErroreDb& e) {
        lab[140]->setText(frmMsgCom::testoErrore(QStringLiteral("Fornitore"), e.numero(), e.descrizione()));
    }
}

bool SelezioneFatture::verifica(Interazione& ui) {
    for (int i : BoxData)
        controllaData(i);
    controllaTipo();
    for (int i : {10, 70, 80, 110, 120})
        if (nonValidi_.contiene(txt[i])) {
            msgCom(ui, QStringLiteral("ci sono dei dati non validi"));
            txt[i]->setFocus();
            return false;
        }
    if (const auto errore = store::controllaOrdine(criteri())) {
        msgCom(ui, errore->messaggio);
        txt[primoDellaCoppia(errore->coppia)]->setFocus();
        return false;
    }
    return true;
}

} // namespace tesel::ui
