#include "posting/forms/frmfecontab.h"

#include "anagrafica/codici.h"
#include "frame/codiceconto.h"
#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "ui/barrecomandi.h"
#include "ui/descrizionecodice.h"
#include "ui/disegnocadenzato.h"
#include "ui/msgcom.h"
#include "ui/ricerca.h"
#include "ui/selezionefatture.h"
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
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace tesel::ui {

namespace {

const QString Titolo = QStringLiteral("Contabilizzazione Fatture Passive");

QString codice(const QLineEdit* campo) {
    return campo->text().trimmed();
}

// Columns of the list of waiting invoices.
enum ColonnaElenco { ColRif, ColRicezione, ColDocumento, ColDataDoc, ColFornitore, ColPartitaIva, ColTotale };

std::pair<int, qint64> chiave(const posting::FatturaInAttesa& f) {
    return {f.anno, f.numero};
}

// "Nr. rif. 2026/5 - Doc. 101 del 01/03/2026 - Rossi Srl"
QString fatturaPerRiepilogo(const posting::FatturaInAttesa& f) {
    QString t = QStringLiteral("Nr. rif. %1/%2").arg(f.anno).arg(f.numero);
    if (!f.numeroDocumento.isEmpty())
        t += QStringLiteral(" - Doc. ") + f.numeroDocumento +
             (f.dataDocumento.isValid() ? QStringLiteral(" del ") + testoData(f.dataDocumento) : QString());
    if (!f.fornitore.isEmpty())
        t += QStringLiteral(" - ") + f.fornitore;
    return t;
}

} // namespace

frmFEContab::frmFEContab(Contesto& contesto, QWidget* padre)
    : FormTesel(QStringLiteral("frmFEContab"), contesto, padre) {
    setWindowTitle(Titolo);
    costruisci();
    ordineTab();
    picElab->hide();
    // Room for the waiting invoices and their supplier names, within 1366x768.
    resize(std::max(sizeHint().width(), 1120), 700);
}

frmFEContab::~frmFEContab() {
    // ~QWidget hides the window, and the field that loses the focus would be checked by a
    // form whose members are already gone.
    for (QObject* figlio : findChildren<QObject*>())
        disconnect(figlio, nullptr, this, nullptr);
}

void frmFEContab::costruisci() {
    const QFontMetrics fm(font());
    staMessaggi = new BarraStato(this);
    staMessaggi->setObjectName(QStringLiteral("staMessaggi"));
    FraSelezione = new SelezioneFatture(contesto_.db, staMessaggi, nonValidi_, this);
    txt = FraSelezione->txt;
    lab = FraSelezione->lab;
    connect(FraSelezione, &SelezioneFatture::criteriCambiati, this, [this] {
        if (!inElaborazione_)
            aggiornaElenco();
    });

    const auto campo = [&](int indice, int caratteri) {
        QLineEdit* c = txt[indice] = nuovoCampo(this, QStringLiteral("txt%1").arg(indice), caratteri);
        const int i = indice;
        connect(c, &QLineEdit::editingFinished, this, [this, i] { controllaCampo(i); });
        return c;
    };
    const auto descrizione = [this](int indice) {
        return lab[indice] = nuovaDescrizione(this, QStringLiteral("lab%1").arg(indice));
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
    campo(160, 6);
    descrizione(160)->setMinimumWidth(fm.averageCharWidth() * 26);
    campo(170, 14);
    descrizione(170)->setMinimumWidth(fm.averageCharWidth() * 26);
    campo(180, 12)->setToolTip(
        QStringLiteral("Unità della divisa per un euro, per i documenti non in euro; vuoto: il cambio "
                       "della tabella Monete"));

    FraPagamento = new QGroupBox(QStringLiteral("Dati per pagamento automatico"), this);
    FraPagamento->setObjectName(QStringLiteral("FraPagamento"));
    auto* p = new QGridLayout(FraPagamento);
    p->setColumnStretch(2, 1);
    p->addWidget(nuovaEtichetta(this, QStringLiteral("Causale:"), txt[160]), 0, 0);
    p->addLayout(ricerca(160, {TipoRicerca::Causale}), 0, 1, Qt::AlignLeft);
    p->addWidget(lab[160], 0, 2);
    p->addWidget(nuovaEtichetta(this, QStringLiteral("Conto:"), txt[170]), 1, 0);
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

    // The selection on the left, what the run does on the right, the invoices below.
    auto* destra = new QVBoxLayout;
    destra->addWidget(FraPagamento);
    auto* valuta = new QGridLayout;
    valuta->setColumnStretch(2, 1);
    valuta->addWidget(nuovaEtichetta(this, QStringLiteral("Cambio:"), txt[180]), 0, 0);
    valuta->addWidget(txt[180], 0, 1, Qt::AlignLeft);
    auto* notaCambio = new QLabel(QStringLiteral("unità per 1 euro, per i documenti non in euro"), this);
    notaCambio->setWordWrap(true);
    valuta->addWidget(notaCambio, 0, 2);
    destra->addLayout(valuta);
    destra->addStretch(1);
    auto* sopra = new QHBoxLayout;
    sopra->addWidget(FraSelezione, 3);
    sopra->addLayout(destra, 2);
    auto* opzioni = new QHBoxLayout;
    opzioni->addWidget(cheCreaForn);
    opzioni->addSpacing(24);
    opzioni->addWidget(CheNoContab);
    opzioni->addStretch(1);

    auto* principale = new QVBoxLayout(this);
    principale->addLayout(sopra);
    principale->addLayout(opzioni);
    principale->addWidget(costruisciElenco(), 1);
    principale->addWidget(picElab);
    principale->addLayout(comandi);
    principale->addWidget(staMessaggi);
}

void frmFEContab::ordineTab() {
    QList<QWidget*> ordine = FraSelezione->ordineTab();
    for (int i : {160, 170, 180})
        ordine << txt[i];
    ordine << cheCreaForn << CheNoContab << lstFatture << ComElenco << ComTutte << ComNessuna << ComOk
           << ComChiudi;
    for (qsizetype i = 1; i < ordine.size(); ++i)
        setTabOrder(ordine[i - 1], ordine[i]);
}

void frmFEContab::Carica() {
    // No year by default: an invoice of last year received now waits like any other.
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
    aggiornaElenco();
    oiLoadOk = -1;
}

bool frmFEContab::PuoChiudere() {
    return !inElaborazione_;
}

posting::CriteriSelezione frmFEContab::criteri() const {
    return FraSelezione->criteri();
}

// ---- The list of waiting invoices ----------------------------------------------------------

QWidget* frmFEContab::costruisciElenco() {
    auto* riquadro = new QGroupBox(QStringLiteral("Fatture da contabilizzare"), this);
    riquadro->setObjectName(QStringLiteral("FraElenco"));
    lstFatture = new QTreeWidget(this);
    lstFatture->setObjectName(QStringLiteral("lstFatture"));
    lstFatture->setRootIsDecorated(false);
    lstFatture->setUniformRowHeights(true);
    lstFatture->setAlternatingRowColors(true);
    lstFatture->setSelectionMode(QAbstractItemView::SingleSelection);
    lstFatture->setHeaderLabels({QStringLiteral("Riferimento"), QStringLiteral("Ricezione"),
                                 QStringLiteral("Documento"), QStringLiteral("Data doc."),
                                 QStringLiteral("Fornitore"), QStringLiteral("Partita Iva"),
                                 QStringLiteral("Totale")});
    lstFatture->headerItem()->setTextAlignment(ColTotale, Qt::AlignRight | Qt::AlignVCenter);
    const QFontMetrics fm(font());
    const auto larga = [&](int colonna, const QString& campione) {
        lstFatture->setColumnWidth(colonna, fm.horizontalAdvance(campione) + 36);
    };
    larga(ColRif, QStringLiteral("0000/000000"));
    larga(ColRicezione, QStringLiteral("00/00/0000"));
    larga(ColDocumento, QStringLiteral("FT-000000/A"));
    larga(ColDataDoc, QStringLiteral("00/00/0000"));
    larga(ColFornitore, QStringLiteral("Ragione sociale del fornitore Srl"));
    larga(ColPartitaIva, QStringLiteral("00000000000"));
    lstFatture->setMinimumHeight(fm.height() * 8);
    connect(lstFatture, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* voce, int colonna) {
        if (colonna != ColRif)
            return;
        const std::pair<int, qint64> k{voce->data(ColRif, Qt::UserRole).toInt(),
                                       voce->data(ColRif, Qt::UserRole + 1).toLongLong()};
        if (voce->checkState(ColRif) == Qt::Checked)
            escluse_.erase(k);
        else
            escluse_.insert(k);
        contaSpuntate();
    });

    labElenco = new QLabel(this);
    labElenco->setObjectName(QStringLiteral("labElenco"));
    ComElenco = new QPushButton(QStringLiteral("A&ggiorna elenco"), this);
    ComElenco->setObjectName(QStringLiteral("ComElenco"));
    ComElenco->setAutoDefault(false);
    connect(ComElenco, &QPushButton::clicked, this, [this] {
        if (FraSelezione->verifica(contesto_.interazione))
            aggiornaElenco();
    });
    ComTutte = new QPushButton(QStringLiteral("Spunta &tutte"), this);
    ComTutte->setObjectName(QStringLiteral("ComTutte"));
    ComTutte->setAutoDefault(false);
    connect(ComTutte, &QPushButton::clicked, this, [this] { spuntaTutte(true); });
    ComNessuna = new QPushButton(QStringLiteral("&Nessuna"), this);
    ComNessuna->setObjectName(QStringLiteral("ComNessuna"));
    ComNessuna->setAutoDefault(false);
    connect(ComNessuna, &QPushButton::clicked, this, [this] { spuntaTutte(false); });

    auto* comandi = new QHBoxLayout;
    comandi->addWidget(labElenco, 1);
    comandi->addWidget(ComElenco);
    comandi->addWidget(ComTutte);
    comandi->addWidget(ComNessuna);
    auto* v = new QVBoxLayout(riquadro);
    v->addWidget(lstFatture, 1);
    v->addLayout(comandi);
    return riquadro;
}

void frmFEContab::aggiornaElenco() {
    const posting::CriteriSelezione c = criteri();
    try {
        elenco_ = posting::fattureInAttesa(contesto_.db, c);
    } catch (const ErroreDb& e) {
        elenco_.clear();
        staMessaggi->MostraMessaggio(frmMsgCom::testoErrore(Titolo, e.numero(), e.descrizione()));
    }
    criteriElenco_ = posting::PrepSql(c);
    const QSignalBlocker blocco(lstFatture);
    lstFatture->clear();
    QList<QTreeWidgetItem*> voci;
    for (const posting::FatturaInAttesa& f : elenco_) {
        auto* v = new QTreeWidgetItem;
        v->setText(ColRif, QStringLiteral("%1/%2").arg(f.anno).arg(f.numero));
        v->setData(ColRif, Qt::UserRole, f.anno);
        v->setData(ColRif, Qt::UserRole + 1, f.numero);
        v->setFlags(v->flags() | Qt::ItemIsUserCheckable);
        v->setCheckState(ColRif, escluse_.count(chiave(f)) ? Qt::Unchecked : Qt::Checked);
        v->setText(ColRicezione, f.ricezione.isValid() ? testoData(f.ricezione) : QString());
        v->setText(ColDocumento, f.numeroDocumento);
        v->setText(ColDataDoc, f.dataDocumento.isValid() ? testoData(f.dataDocumento) : QString());
        v->setText(ColFornitore, f.fornitore);
        v->setToolTip(ColFornitore, f.identificazione);
        v->setText(ColPartitaIva, f.partitaIva);
        v->setText(ColTotale, f.totale ? formatta(*f.totale, u"#,##0.00") : QString());
        v->setTextAlignment(ColTotale, Qt::AlignRight | Qt::AlignVCenter);
        voci << v;
    }
    lstFatture->addTopLevelItems(voci);
    contaSpuntate();
}

std::vector<posting::FatturaInAttesa> frmFEContab::spuntate() const {
    std::vector<posting::FatturaInAttesa> v;
    for (const posting::FatturaInAttesa& f : elenco_)
        if (!escluse_.count(chiave(f)))
            v.push_back(f);
    return v;
}

void frmFEContab::spuntaTutte(bool si) {
    const QSignalBlocker blocco(lstFatture);
    for (int i = 0; i < lstFatture->topLevelItemCount(); ++i)
        lstFatture->topLevelItem(i)->setCheckState(ColRif, si ? Qt::Checked : Qt::Unchecked);
    for (const posting::FatturaInAttesa& f : elenco_)
        if (si)
            escluse_.erase(chiave(f));
        else
            escluse_.insert(chiave(f));
    contaSpuntate();
}

void frmFEContab::contaSpuntate() {
    const std::size_t n = elenco_.size(), spuntate = this->spuntate().size();
    if (n == 0)
        labElenco->setText(QStringLiteral("Nessuna fattura da contabilizzare con i dati richiesti"));
    else
        labElenco->setText(QStringLiteral("%1 da contabilizzare, %2 spuntate")
                               .arg(n == 1
                                        ? QStringLiteral("1 fattura")
                                        : formattaIntero(static_cast<qint64>(n)) + QStringLiteral(" fatture"))
                               .arg(formattaIntero(static_cast<qint64>(spuntate))));
}

// ---- Field checks ---------------------------------------------------------------------------

void frmFEContab::segna(QWidget* campo, bool valido, const QString& messaggio) {
    nonValidi_.segna(staMessaggi, campo, valido, messaggio);
}

bool frmFEContab::controllaCampo(int indice) {
    switch (indice) {
    case 160: {
        const bool valido = controllaCodice(indice);
        if (valido)
            causaleScelta();
        return valido;
    }
    case 170:
        return controllaConto();
    case 180:
        return controllaCambio();
    default:
        return FraSelezione->controllaCampo(indice);
    }
}

bool frmFEContab::controllaCodice(int indice) {
    QLineEdit* c = txt[indice];
    if (codice(c).isEmpty()) {
        lab[indice]->clear();
        segna(c, true, {});
        return true;
    }
    // Codes are kept in capitals: "pag" typed in haste still finds its causal.
    c->setText(codice(c).toUpper());
    const bool valido = !ricerche_[indice]->decodifica().isEmpty();
    segna(c, valido, QStringLiteral("Causale inesistente"));
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

bool frmFEContab::controllaPagamento() {
    controllaCodice(160);
    controllaConto();
    controllaCambio();
    for (int i : {180, 160, 170})
        if (nonValidi_.contiene(txt[i])) {
            msgCom(contesto_.interazione, QStringLiteral("ci sono dei dati non validi"));
            txt[i]->setFocus();
            return false;
        }
    return true;
}

// ---- Commands -------------------------------------------------------------------------------

void frmFEContab::ComOk_Click() {
    if (inElaborazione_)
        return;
    Interazione& ui = contesto_.interazione;
    // The accelerator leaves no field, so every field is checked here again.
    if (!FraSelezione->verifica(ui) || !controllaPagamento())
        return;
    // Criteria typed but never left (the accelerator again): the list follows them first.
    if (posting::PrepSql(criteri()) != criteriElenco_)
        aggiornaElenco();
    if (elenco_.empty()) {
        msgCom(ui, QStringLiteral("Non ci sono fatture passive con i dati richiesti da contabilizzare"));
        return;
    }
    const std::vector<posting::FatturaInAttesa> fatture = spuntate();
    if (fatture.empty()) {
        msgCom(ui, QStringLiteral("Nessuna fattura spuntata da contabilizzare"));
        return;
    }
    const bool senzaRegistrazione = CheNoContab->isChecked();
    if (senzaRegistrazione &&
        msgCom(ui,
               QStringLiteral("Confermi che NON verrà creata nessuna registrazione in prima nota\n"
                              "e che le fatture selezionate risulteranno contabilizzate"),
               QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return;
    esegui(fatture, senzaRegistrazione);
}

void frmFEContab::esegui(const std::vector<posting::FatturaInAttesa>& fatture, bool senzaRegistrazione) {
    Interazione& ui = contesto_.interazione;
    posting::OpzioniLotto opzioni;
    opzioni.causalePagamento = codice(txt[160]);
    // Checked with every other field before the run.
    opzioni.contoPagamento = CodiceConto::leggi(codice(txt[170])).value_or(CodiceConto());
    opzioni.creaFornitore = cheCreaForn->isChecked();
    opzioni.cambio = cambio();
    opzioni.senzaRegistrazione = senzaRegistrazione;
    opzioni.utente = contesto_.utente;
    opzioni.leggiContabilita = true;

    inElaborazione_ = true;
    interrompi_ = false;
    for (QWidget* w :
         {static_cast<QWidget*>(ComOk), static_cast<QWidget*>(ComChiudi), static_cast<QWidget*>(ComElenco),
          static_cast<QWidget*>(FraSelezione), static_cast<QWidget*>(lstFatture)})
        w->setEnabled(false);
    staMessaggi->MostraMessaggio({});
    txtFatti->clear();
    txtDaFare->clear();
    posting::EsitoLotto esito;
    QString errore;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    try {
        // The count reaches the screen a few times a second, and at once before a question.
        DisegnoCadenzato disegno(picElab);
        InterazioneInoltrata domande(ui, [&] { disegno.adesso(); });
        const auto avanzamento = [&](int fatti, int daFare) {
            if (interrompi_)
                return false;
            if (!picElab->isVisible()) {
                txtDaFare->setText(formattaIntero(daFare));
                picElab->show();
            }
            txtFatti->setText(formattaIntero(fatti));
            emit fatturaInElaborazione(fatti, daFare);
            disegno.forse();
            // The interrupt button and the window live on between two invoices.
            QCoreApplication::processEvents();
            return !interrompi_;
        };
        esito = posting::contabilizzaFatture(contesto_.db, contesto_.parametri, &contesto_.configurazione,
                                             domande, fatture, opzioni, avanzamento);
    } catch (const ErroreDb& e) {
        // Only reading the run's settings fails this way; each invoice reports its own errors.
        errore = frmMsgCom::testoErrore(Titolo, e.numero(), e.descrizione());
    }
    QApplication::restoreOverrideCursor();
    picElab->hide();
    for (QWidget* w :
         {static_cast<QWidget*>(ComOk), static_cast<QWidget*>(ComChiudi), static_cast<QWidget*>(ComElenco),
          static_cast<QWidget*>(FraSelezione), static_cast<QWidget*>(lstFatture)})
        w->setEnabled(true);
    inElaborazione_ = false;

    if (!errore.isEmpty())
        msgCom(ui, errore);
    else
        mostraRiepilogo(esito, static_cast<int>(fatture.size()), senzaRegistrazione);
    // What was posted leaves the list; what failed stays there, ticked, for another try.
    aggiornaElenco();
    ComOk->setFocus();
}

void frmFEContab::mostraRiepilogo(const posting::EsitoLotto& esito, int spuntate, bool senzaRegistrazione) {
    const int fatte = esito.contabilizzate();
    const int nonFatte = static_cast<int>(esito.fatture.size()) - fatte;
    QStringList righe;
    righe << QStringLiteral("%1: %2 su %3 spuntate")
                 .arg(esito.interrotto ? QStringLiteral("Elaborazione interrotta")
                                       : QStringLiteral("Elaborazione terminata"))
                 .arg(senzaRegistrazione
                          ? QStringLiteral("%1 segnate contabilizzate senza registrazione").arg(fatte)
                          : QStringLiteral("%1 contabilizzate").arg(fatte))
                 .arg(spuntate);
    if (!senzaRegistrazione && fatte > 0) {
        righe << QString() << QStringLiteral("Contabilizzate:");
        for (const posting::EsitoFatturaLotto& f : esito.fatture) {
            if (!f.ok)
                continue;
            QStringList cosa = f.contabilita.descrizioni();
            cosa << f.contabilita.testoScadenze();
            righe << fatturaPerRiepilogo(f.fattura) + QStringLiteral(": ") + cosa.join(QStringLiteral("; "));
        }
    }
    if (nonFatte > 0) {
        QString errori = esito.erroriRaccolti();
        errori.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        while (errori.startsWith(u'\n'))
            errori.remove(0, 1);
        righe << QString() << QStringLiteral("Non contabilizzate: %1").arg(nonFatte) << errori;
    }
    QString avvisi = esito.avvisiRaccolti();
    avvisi.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!avvisi.isEmpty())
        righe << QString() << QStringLiteral("Avvisi:") + avvisi;
    riepilogo_ = righe.join(u'\n');
    staMessaggi->MostraMessaggio(righe.first());
    msgCom(contesto_.interazione, riepilogo_);
}

} // namespace tesel::ui
