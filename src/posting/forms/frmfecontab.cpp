#include "posting/forms/frmfecontab.h"

#include "anagrafica/codici.h"
#include "frame/codiceconto.h"
#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "ui/barrecomandi.h"
#include "ui/descrizionecodice.h"
#include "ui/msgcom.h"
#include "ui/ricerca.h"
#include "ui/validatori.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace tesel::ui {

namespace {

const QString Titolo = QStringLiteral("Contabilizzazione Fatture Passive");

// Boxes of dates, and the first box of each "from"/"to" pair by the pair it belongs to.
const QList<int> BoxData{70, 80, 110, 120};

int primoDellaCoppia(posting::Coppia c) {
    switch (c) {
    case posting::Coppia::Anni:
        return 30;
    case posting::Coppia::Numeri:
        return 50;
    case posting::Coppia::DateDocumento:
        return 70;
    case posting::Coppia::DateRicezione:
        return 110;
    }
    return 30;
}

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

} // namespace

frmFEContab::frmFEContab(Contesto& contesto, QWidget* padre)
    : FormTesel(QStringLiteral("frmFEContab"), contesto, padre) {
    setWindowTitle(Titolo);
    costruisci();
    ordineTab();
    picElab->hide();
}

frmFEContab::~frmFEContab() {
    // ~QWidget hides the window, and the field that loses the focus would be checked by a
    // form whose members are already gone.
    for (QObject* figlio : findChildren<QObject*>())
        disconnect(figlio, nullptr, this, nullptr);
}

void frmFEContab::costruisci() {
    const QFontMetrics fm(font());
    const auto campo = [&](int indice, int caratteri) {
        auto* c = new QLineEdit(this);
        c->setObjectName(QStringLiteral("txt%1").arg(indice));
        c->setFixedWidth(fm.averageCharWidth() * caratteri + 16);
        txt[indice] = c;
        return c;
    };
    const auto etichetta = [this](const QString& testo, QWidget* compagno) {
        auto* l = new QLabel(testo, this);
        l->setBuddy(compagno);
        return l;
    };
    const auto descrizione = [this](int indice) {
        auto* d = new DescrizioneCodice(this);
        // The grid gives the width: a long description never widens the window.
        d->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        d->setObjectName(QStringLiteral("lab%1").arg(indice));
        lab[indice] = d;
        return d;
    };
    const QString aiutoRicerca = QStringLiteral("F2 ricerca per codice, F3 per descrizione, F4 elenco");
    const auto ricerca = [&](int indice, const RichiestaRicerca& r) {
        QLineEdit* c = txt[indice];
        c->setToolTip(aiutoRicerca);
        RicercaCampo* rc = collegaRicerca(c, lab[indice], contesto_.db, r);
        ricerche_[indice] = rc;
        auto* b = new QPushButton(QStringLiteral("..."), this);
        b->setObjectName(QStringLiteral("ComHlp%1").arg(indice));
        b->setToolTip(QStringLiteral("Ricerca"));
        b->setFocusPolicy(Qt::NoFocus); // the keys of the field reach the same window
        b->setAutoDefault(false);
        b->setFixedWidth(fm.horizontalAdvance(QStringLiteral("...")) + 20);
        ComHlp[indice] = b;
        connect(b, &QPushButton::clicked, this, [this, indice, rc] {
            if (rc->apri(ModoRicerca::Scorri))
                controllaCampo(indice);
        });
        auto* h = new QHBoxLayout;
        h->setSpacing(2);
        h->addWidget(c);
        h->addWidget(b);
        return h;
    };
    // Dates: wide enough for the date and for the hint shown while it is empty.
    const int larghezzaData = std::max(fm.horizontalAdvance(QStringLiteral("00/00/00000")),
                                       fm.horizontalAdvance(QStringLiteral("gg/mm/aaaa"))) +
                              24;
    const auto soloCifre =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);

    campo(10, 6);
    descrizione(10);
    campo(30, 5)->setValidator(soloCifre);
    campo(40, 5)->setValidator(soloCifre);
    campo(50, 10)->setValidator(soloCifre);
    campo(60, 10)->setValidator(soloCifre);
    for (int i : BoxData) {
        campo(i, 0)->setFixedWidth(larghezzaData);
        txt[i]->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    }
    campo(90, 20);
    campo(140, 16);
    campo(150, 18);
    descrizione(140);
    campo(160, 6);
    descrizione(160);
    campo(170, 14);
    descrizione(170);
    campo(180, 12)->setToolTip(
        QStringLiteral("Unità della divisa per un euro, per i documenti non in euro; vuoto: il cambio "
                       "della tabella Monete"));
    for (auto& [indice, c] : txt) {
        const int i = indice;
        connect(c, &QLineEdit::editingFinished, this, [this, i] { controllaCampo(i); });
    }

    auto* g = new QGridLayout;
    g->setHorizontalSpacing(8);
    g->setVerticalSpacing(6);
    g->setColumnStretch(4, 1);
    int r = 0;
    const auto coppia = [&](const QString& testo, int da, int a) {
        g->addWidget(etichetta(testo, txt[da]), r, 0);
        g->addWidget(txt[da], r, 1, Qt::AlignLeft);
        g->addWidget(etichetta(QStringLiteral("al:"), txt[a]), r, 2, Qt::AlignRight);
        g->addWidget(txt[a], r, 3, Qt::AlignLeft);
        ++r;
    };
    g->addWidget(etichetta(QStringLiteral("Tipo Doc. Fatt. Elettronica:"), txt[10]), r, 0);
    g->addLayout(ricerca(10, {TipoRicerca::Decodifica, QStringLiteral("FETipDoc")}), r, 1, Qt::AlignLeft);
    g->addWidget(lab[10], r, 2, 1, 3);
    ++r;
    coppia(QStringLiteral("Riferimento:  Anno da:"), 30, 40);
    coppia(QStringLiteral("Numero dal:"), 50, 60);
    coppia(QStringLiteral("Documento:  data dal:"), 70, 80);
    g->addWidget(etichetta(QStringLiteral("Numero:"), txt[90]), r, 0);
    g->addWidget(txt[90], r, 1, 1, 3, Qt::AlignLeft);
    ++r;
    coppia(QStringLiteral("Data ricezione  dal:"), 110, 120);
    g->addWidget(etichetta(QStringLiteral("Partita Iva:"), txt[140]), r, 0);
    g->addWidget(txt[140], r, 1, 1, 2, Qt::AlignLeft);
    g->addWidget(lab[140], r, 3, 1, 2);
    ++r;
    g->addWidget(etichetta(QStringLiteral("Codice fiscale:"), txt[150]), r, 0);
    g->addWidget(txt[150], r, 1, 1, 2, Qt::AlignLeft);
    ++r;
    g->addWidget(etichetta(QStringLiteral("Cambio:"), txt[180]), r, 0);
    g->addWidget(txt[180], r, 1, 1, 2, Qt::AlignLeft);
    g->addWidget(new QLabel(QStringLiteral("unità per 1 euro, per i documenti non in euro"), this), r, 3, 1,
                 2);
    ++r;

    FraPagamento = new QGroupBox(QStringLiteral("Dati per pagamento automatico"), this);
    FraPagamento->setObjectName(QStringLiteral("FraPagamento"));
    auto* p = new QGridLayout(FraPagamento);
    p->setColumnStretch(2, 1);
    p->addWidget(etichetta(QStringLiteral("Causale:"), txt[160]), 0, 0);
    p->addLayout(ricerca(160, {TipoRicerca::Causale}), 0, 1, Qt::AlignLeft);
    p->addWidget(lab[160], 0, 2);
    p->addWidget(etichetta(QStringLiteral("Conto:"), txt[170]), 1, 0);
    p->addLayout(ricerca(170, {TipoRicerca::Conto}), 1, 1, Qt::AlignLeft);
    p->addWidget(lab[170], 1, 2);
    connect(ricerche_[160], &RicercaCampo::codiceScelto, this, [this] { causaleScelta(); });

    cheCreaForn = new QCheckBox(QStringLiteral("Crea il fornitore se mancante"), this);
    cheCreaForn->setObjectName(QStringLiteral("cheCreaForn"));
    CheNoContab = new QCheckBox(
        QStringLiteral("Segna la fattura come contabilizzata senza creare la registrazione in prima nota"),
        this);
    CheNoContab->setObjectName(QStringLiteral("CheNoContab"));

    // Progress, shown only while a run is going on; its room is kept so nothing moves.
    picElab = new QFrame(this);
    picElab->setObjectName(QStringLiteral("picElab"));
    picElab->setFrameShape(QFrame::StyledPanel);
    const auto contatore = [&](const QString& nome) {
        auto* l = new QLabel(this);
        l->setObjectName(nome);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        l->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("0.000.000")) + 12);
        return l;
    };
    txtFatti = contatore(QStringLiteral("txtFatti"));
    txtDaFare = contatore(QStringLiteral("txtDaFare"));
    ComInterrompi = new QPushButton(QStringLiteral("&Interrompi"), this);
    ComInterrompi->setObjectName(QStringLiteral("ComInterrompi"));
    ComInterrompi->setAutoDefault(false);
    ComInterrompi->setToolTip(QStringLiteral("Si ferma dopo la fattura in elaborazione"));
    connect(ComInterrompi, &QPushButton::clicked, this, [this] { interrompi_ = true; });
    auto* e = new QHBoxLayout(picElab);
    e->addWidget(new QLabel(QStringLiteral("In elaborazione:"), this));
    e->addWidget(txtFatti);
    e->addWidget(new QLabel(QStringLiteral("di"), this));
    e->addWidget(txtDaFare);
    e->addStretch(1);
    e->addWidget(ComInterrompi);
    QSizePolicy sp = picElab->sizePolicy();
    sp.setRetainSizeWhenHidden(true);
    picElab->setSizePolicy(sp);

    ComOk = new QPushButton(QStringLiteral("&Contabilizza"), this);
    ComOk->setObjectName(QStringLiteral("ComOk"));
    ComOk->setDefault(true);
    connect(ComOk, &QPushButton::clicked, this, &frmFEContab::ComOk_Click);
    ComChiudi = new QPushButton(QStringLiteral("&Esci"), this);
    ComChiudi->setObjectName(QStringLiteral("ComChiudi"));
    ComChiudi->setAutoDefault(false);
    connect(ComChiudi, &QPushButton::clicked, this, &QWidget::close);
    auto* comandi = new QHBoxLayout;
    comandi->addStretch(1);
    comandi->addWidget(ComOk);
    comandi->addWidget(ComChiudi);

    staMessaggi = new BarraStato(this);
    staMessaggi->setObjectName(QStringLiteral("staMessaggi"));

    auto* principale = new QVBoxLayout(this);
    principale->addLayout(g);
    principale->addWidget(FraPagamento);
    principale->addWidget(cheCreaForn);
    principale->addWidget(CheNoContab);
    principale->addStretch(1);
    principale->addWidget(picElab);
    principale->addLayout(comandi);
    principale->addWidget(staMessaggi);
}

void frmFEContab::ordineTab() {
    QList<QWidget*> ordine;
    for (int i : {10, 30, 40, 50, 60, 70, 80, 90, 110, 120, 140, 150, 180, 160, 170})
        ordine << txt[i];
    ordine << cheCreaForn << CheNoContab << ComOk << ComChiudi;
    for (qsizetype i = 1; i < ordine.size(); ++i)
        setTabOrder(ordine[i - 1], ordine[i]);
}

void frmFEContab::Carica() {
    const QString anno = QString::number(QDate::currentDate().year());
    txt[30]->setText(anno);
    txt[40]->setText(anno);
    try {
        ParametriAzienda& p = contesto_.parametri;
        txt[160]->setText(p.leggi(QStringLiteral("CauCon.SaldaCauPagamenti")).trimmed());
        txt[170]->setText(posting::contoPagamentoAzienda(p).testo());
    } catch (const ErroreDb& e) {
        msgCom(contesto_.interazione,
               frmMsgCom::testoErrore(QStringLiteral("Lettura dei parametri"), e.numero(), e.descrizione()));
        return;
    }
    // Defaults that no longer match the tables are shown as such at once.
    controllaCodice(160);
    controllaConto();
    oiLoadOk = -1;
}

bool frmFEContab::PuoChiudere() {
    return !inElaborazione_;
}

posting::CriteriSelezione frmFEContab::criteri() const {
    posting::CriteriSelezione c;
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

// ---- Field checks ---------------------------------------------------------------------------

void frmFEContab::segna(QWidget* campo, bool valido, const QString& messaggio) {
    nonValidi_.segna(staMessaggi, campo, valido, messaggio);
}

bool frmFEContab::controllaCampo(int indice) {
    if (BoxData.contains(indice))
        return controllaData(indice);
    switch (indice) {
    case 10:
    case 160: {
        const bool valido = controllaCodice(indice);
        if (valido && indice == 160)
            causaleScelta();
        return valido;
    }
    case 170:
        return controllaConto();
    case 140:
    case 150:
        decodPartiva();
        return true;
    case 180:
        return controllaCambio();
    default:
        return true;
    }
}

bool frmFEContab::controllaData(int indice) {
    QString messaggio;
    ControllaData(txt[indice], txt[indice]->text(), 0, ReazColora, std::nullopt, false, messaggio);
    segna(txt[indice], messaggio.isEmpty(), messaggio);
    return messaggio.isEmpty();
}

bool frmFEContab::controllaCodice(int indice) {
    QLineEdit* c = txt[indice];
    if (codice(c).isEmpty()) {
        lab[indice]->clear();
        segna(c, true, {});
        return true;
    }
    // Codes are kept in capitals: "td01" or "pag" typed in haste still find theirs.
    c->setText(codice(c).toUpper());
    const bool valido = !ricerche_[indice]->decodifica().isEmpty();
    segna(c, valido,
          indice == 10 ? QStringLiteral("Tipo documento inesistente")
                       : QStringLiteral("Causale inesistente"));
    return valido;
}

bool frmFEContab::controllaConto() {
    QLineEdit* c = txt[170];
    const QString t = codice(c);
    if (t.isEmpty()) {
        lab[170]->clear();
        segna(c, true, {});
        return true;
    }
    const auto conto = CodiceConto::leggi(t);
    if (!conto) {
        lab[170]->clear();
        segna(c, false, CodiceConto::MessaggioNonValido);
        return false;
    }
    c->setText(conto->testo()); // "20401001" typed in haste is shown as the look-up reads it
    const bool valido = !ricerche_[170]->decodifica().isEmpty();
    segna(c, valido, QStringLiteral("Conto inesistente nel piano dei conti"));
    return valido;
}

void frmFEContab::causaleScelta() {
    const QString causale = codice(txt[160]);
    if (causale.isEmpty())
        return;
    try {
        const CodiceConto conto = contropartitaCausale(contesto_.db, causale);
        if (conto.vuoto())
            return;
        txt[170]->setText(conto.testo());
        controllaConto();
    } catch (const ErroreDb& e) {
        staMessaggi->MostraMessaggio(
            frmMsgCom::testoErrore(QStringLiteral("Causale"), e.numero(), e.descrizione()));
    }
}

void frmFEContab::decodPartiva() {
    try {
        lab[140]->setText(posting::DecodPartiva(contesto_.db, codice(txt[140]), codice(txt[150])));
    } catch (const ErroreDb& e) {
        lab[140]->setText(frmMsgCom::testoErrore(QStringLiteral("Fornitore"), e.numero(), e.descrizione()));
    }
}

// The rate is typed as the Italians write it ("1,0856") or with a point.
std::optional<Cambio> frmFEContab::cambio() const {
    return Cambio::daTesto(codice(txt.at(180)).replace(u',', u'.'));
}

bool frmFEContab::controllaCambio() {
    const bool valido = codice(txt[180]).isEmpty() || cambio().has_value();
    segna(txt[180], valido,
          QStringLiteral("Cambio non valido: unità della divisa per un euro, maggiore di zero"));
    return valido;
}

bool frmFEContab::controllaTutto() {
    for (int i : BoxData)
        controllaData(i);
    controllaCodice(10);
    controllaCodice(160);
    controllaConto();
    controllaCambio();
    return nonValidi_.vuoto();
}

// ---- Commands -------------------------------------------------------------------------------

void frmFEContab::ComOk_Click() {
    if (inElaborazione_)
        return;
    Interazione& ui = contesto_.interazione;
    // The accelerator leaves no field, so every field is checked here again.
    if (!controllaTutto()) {
        msgCom(ui, QStringLiteral("ci sono dei dati non validi"));
        for (int i : {10, 70, 80, 110, 120, 180, 160, 170})
            if (nonValidi_.contiene(txt[i])) {
                txt[i]->setFocus();
                break;
            }
        return;
    }
    if (const auto errore = posting::controllaOrdine(criteri())) {
        msgCom(ui, errore->messaggio);
        txt[primoDellaCoppia(errore->coppia)]->setFocus();
        return;
    }
    const bool senzaRegistrazione = CheNoContab->isChecked();
    if (senzaRegistrazione &&
        msgCom(ui,
               QStringLiteral("Confermi che NON verrà creata nessuna registrazione in prima nota\n"
                              "e che le fatture selezionate risulteranno contabilizzate"),
               QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return;
    esegui(senzaRegistrazione);
}

void frmFEContab::esegui(bool senzaRegistrazione) {
    Interazione& ui = contesto_.interazione;
    posting::OpzioniLotto opzioni;
    opzioni.causalePagamento = codice(txt[160]);
    // Checked with every other field before the run.
    opzioni.contoPagamento = CodiceConto::leggi(codice(txt[170])).value_or(CodiceConto());
    opzioni.creaFornitore = cheCreaForn->isChecked();
    opzioni.cambio = cambio();
    opzioni.senzaRegistrazione = senzaRegistrazione;
    opzioni.utente = contesto_.utente;

    inElaborazione_ = true;
    interrompi_ = false;
    ComOk->setEnabled(false);
    ComChiudi->setEnabled(false);
    staMessaggi->MostraMessaggio({});
    txtFatti->clear();
    txtDaFare->clear();
    const auto avanzamento = [this](int fatti, int daFare) {
        if (interrompi_)
            return false;
        if (!picElab->isVisible()) {
            txtDaFare->setText(formattaIntero(daFare));
            picElab->show();
        }
        txtFatti->setText(formattaIntero(fatti));
        emit fatturaInElaborazione(fatti, daFare);
        // The interrupt button and the window live on between two invoices.
        QCoreApplication::processEvents();
        return !interrompi_;
    };
    posting::EsitoLotto esito;
    QString errore;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    try {
        esito = posting::contabilizzaSelezione(contesto_.db, contesto_.parametri, &contesto_.configurazione,
                                               ui, criteri(), opzioni, avanzamento);
    } catch (const ErroreDb& e) {
        // Only reading the selection fails this way; each invoice reports its own errors.
        errore = frmMsgCom::testoErrore(Titolo, e.numero(), e.descrizione());
    }
    QApplication::restoreOverrideCursor();
    picElab->hide();
    ComOk->setEnabled(true);
    ComChiudi->setEnabled(true);
    inElaborazione_ = false;

    if (!errore.isEmpty()) {
        msgCom(ui, errore);
    } else if (esito.fatture.empty() && !esito.interrotto) {
        msgCom(ui, QStringLiteral("Non ci sono fatture passive con i dati richiesti da contabilizzare"));
    } else {
        QString errori = esito.erroriRaccolti();
        errori.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        while (errori.startsWith(u'\n'))
            errori.remove(0, 1);
        if (esito.interrotto)
            errori =
                QStringLiteral("Elaborazione interrotta") + (errori.isEmpty() ? QString() : u'\n' + errori);
        QString avvisi = esito.avvisiRaccolti();
        avvisi.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (!avvisi.isEmpty())
            avvisi = QStringLiteral("\nAvvisi:") + avvisi;
        msgCom(ui, (errori.isEmpty() ? QStringLiteral("Elaborazione terminata") : errori) + avvisi);
    }
    ComOk->setFocus();
}

} // namespace tesel::ui
