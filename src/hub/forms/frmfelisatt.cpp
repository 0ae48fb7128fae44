#include "hub/forms/frmfelisatt.h"

#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "hub/appo.h"
#include "hub/filehub.h"
#include "hub/forms/frmfeappo.h"
#include "hub/forms/rielaborazione.h"
#include "hub/hubservizio.h"
#include "hub/invio.h"
#include "hub/statidocumento.h"
#include "ui/barrecomandi.h"
#include "ui/descrizionecodice.h"
#include "ui/inelab.h"
#include "ui/ricerca.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tesel::ui {

namespace {

const QString A_Capo = QStringLiteral("\r\n");
constexpr int RuoloIndice = Qt::UserRole;
constexpr int RuoloOrdine = Qt::UserRole + 1;

// A cell that sorts by a key of its own (dates by year-month-day, amounts by value).
class Cella : public QTableWidgetItem {
public:
    Cella(const QString& testo, const QVariant& chiave) : QTableWidgetItem(testo) {
        setData(RuoloOrdine, chiave);
        setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    }
    bool operator<(const QTableWidgetItem& altra) const override {
        const QVariant a = data(RuoloOrdine), b = altra.data(RuoloOrdine);
        if (a.typeId() == QMetaType::LongLong && b.typeId() == QMetaType::LongLong)
            return a.toLongLong() < b.toLongLong();
        return a.toString().compare(b.toString(), Qt::CaseInsensitive) < 0;
    }
};

// "ColSfondoSel": "#rrggbb", a colour name, or the suite's number (blue, green, red bytes).
QColor coloreDaImpostazione(const QString& valore) {
    const QString v = valore.trimmed();
    bool numero = false;
    const qint64 n = v.toLongLong(&numero);
    if (numero && n >= 0 && n <= 0xFFFFFF)
        return QColor(static_cast<int>(n & 0xFF), static_cast<int>((n >> 8) & 0xFF),
                      static_cast<int>((n >> 16) & 0xFF));
    const QColor c = QColor::fromString(v);
    return c.isValid() ? c : QColor(0xFF, 0xF2, 0xB3);
}

const char* const Intestazioni[] = {"",
                                    "Cliente",
                                    "stato",
                                    "Numero Fatt.",
                                    "Data Fatt.",
                                    "Totale",
                                    "TipoDoc",
                                    "All.",
                                    "Data Creazione",
                                    "C.S.",
                                    "Id Documento",
                                    "IdentificativoSdi",
                                    "dataOraRecapitoCliente",
                                    "dataOraPresaInCaricoSdi",
                                    "Data Ult.Var."};
const int LarghezzeProgetto[] = {26, 250, 150, 90, 80, 95, 60, 40, 140, 40, 90, 110, 140, 140, 140};

} // namespace

frmFELisAtt::frmFELisAtt(Contesto& contesto, QWidget* padre)
    : FormTesel(QStringLiteral("frmFELisAtt"), contesto, padre) {
    setWindowTitle(QStringLiteral("Lista Fatture Attive"));
    costruisci();
    rielabora_ = new RielaborazioneLista(
        this, [this] { return occupato_; }, [this] { return Rielabora(); });
}

frmFELisAtt::~frmFELisAtt() = default;

void frmFELisAtt::costruisci() {
    auto* principale = new QVBoxLayout(this);
    auto* filtri = new QGroupBox(QStringLiteral("Selezione"), this);
    auto* g = new QGridLayout(filtri);
    const auto campo = [&](int indice, int larghezza) {
        auto* e = new QLineEdit(filtri);
        e->setObjectName(QStringLiteral("txt%1").arg(indice));
        e->setMinimumWidth(larghezza);
        txt[indice] = e;
        return e;
    };
    const auto etichetta = [&](const QString& testo) { return new QLabel(testo, filtri); };
    using namespace hub;
    const int coppie[][2] = {
        {PrefissoDa, PrefissoA}, {DataDocDa, DataDocA}, {DataRifDa, DataRifA}, {NumeroDa, NumeroA}};
    const char* titoli[] = {
        "Pref/Numero dal:", "Documento:  data dal:", "Riferimento:  data dal:", "Numero dal:"};
    for (int i = 0; i < 4; ++i) {
        g->addWidget(etichetta(QString::fromUtf8(titoli[i])), i, 0);
        g->addWidget(campo(coppie[i][0], 95), i, 1);
        g->addWidget(etichetta(QStringLiteral("al:")), i, 2);
        g->addWidget(campo(coppie[i][1], 95), i, 3);
    }
    g->addWidget(etichetta(QStringLiteral("Cliente:")), 0, 4);
    g->addWidget(campo(Cliente, 110), 0, 5);
    ComHlp = new QPushButton(QStringLiteral("..."), filtri);
    ComHlp->setObjectName(QStringLiteral("ComHlp"));
    ComHlp->setToolTip(QStringLiteral("Ricerca del cliente (F2 per codice, F3 per descrizione, F4 elenco)"));
    ComHlp->setFixedWidth(32);
    ComHlp->setAutoDefault(false);
    g->addWidget(ComHlp, 0, 6);
    auto* descrCliente = new DescrizioneCodice(filtri);
    descrCliente->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    lab[Cliente] = descrCliente;
    g->addWidget(descrCliente, 0, 7, 1, 3);
    RichiestaRicerca r;
    r.tipo = TipoRicerca::Conto;
    r.condizione = QStringLiteral("Tipo = 3");
    RicercaCampo* ricerca = collegaRicerca(txt[Cliente], descrCliente, contesto_.db, r);
    connect(ComHlp, &QPushButton::clicked, this, [ricerca] { ricerca->apri(ModoRicerca::Scorri); });
    g->addWidget(etichetta(QStringLiteral("Stato documenti:")), 1, 4);
    cobStati = new QComboBox(filtri);
    cobStati->setObjectName(QStringLiteral("cobStati"));
    g->addWidget(cobStati, 1, 5, 1, 5);
    g->addWidget(etichetta(QStringLiteral("Terminale")), 2, 4);
    g->addWidget(campo(Terminale, 110), 2, 5);
    CheFileFirmati = new QCheckBox(QStringLiteral("Invio file firmati"), filtri);
    CheFileFirmati->setObjectName(QStringLiteral("CheFileFirmati"));
    g->addWidget(CheFileFirmati, 2, 7, 1, 3);
    g->addWidget(etichetta(QStringLiteral("Tipo cambio stato:")), 3, 4);
    cobCambioStato = new QComboBox(filtri);
    cobCambioStato->setObjectName(QStringLiteral("cobCambioStato"));
    cobCambioStato->addItems({QStringLiteral("Selezionare tipo"), QStringLiteral("Validazione"),
                              QStringLiteral("Firma"), QStringLiteral("Firma e Conferma"),
                              QStringLiteral("Conferma")});
    g->addWidget(cobCambioStato, 3, 5, 1, 3);
    g->setColumnStretch(9, 1);
    principale->addWidget(filtri);

    const auto bottone = [&](const QString& nome, const QString& testo, QLayout* dove) {
        auto* b = new QPushButton(testo, this);
        b->setObjectName(nome);
        b->setAutoDefault(false);
        dove->addWidget(b);
        return b;
    };
    auto* riga1 = new QHBoxLayout;
    ComLista = bottone(QStringLiteral("ComLista"), QStringLiteral("Lista Documenti"), riga1);
    ComLista->setDefault(true);
    comInviaDoc = bottone(QStringLiteral("comInviaDoc"), QStringLiteral("&Invia"), riga1);
    comDatiSdi = bottone(QStringLiteral("comDatiSdi"), QStringLiteral("Dati &Ric. SDI"), riga1);
    riga1->addSpacing(12);
    const std::pair<int, const char*> scarichi[] = {
        {0, "&Scarica"}, {3, "Scar. &Alleg."}, {1, "&Cancella"}, {2, "Com&pletato"}, {5, "Ca&mbio stato"}};
    for (const auto& [i, testo] : scarichi)
        comDownDoc[i] = bottone(QStringLiteral("comDownDoc%1").arg(i), QString::fromUtf8(testo), riga1);
    comDownDoc[0]->setToolTip(QStringLiteral("Scarica il file XML e le notifiche dell'SdI"));
    comDownDoc[3]->setToolTip(QStringLiteral("Scarica il file XML, le notifiche e gli allegati"));
    comDownDoc[5]->setToolTip(QStringLiteral("Cambia lo stato secondo il tipo scelto"));
    riga1->addStretch();
    principale->addLayout(riga1);

    griglia = new QTableWidget(0, NumeroColonne, this);
    griglia->setObjectName(QStringLiteral("griglia"));
    QStringList intestazioni;
    for (const char* t : Intestazioni)
        intestazioni << QString::fromUtf8(t);
    griglia->setHorizontalHeaderLabels(intestazioni);
    griglia->verticalHeader()->setDefaultSectionSize(griglia->fontMetrics().height() + 8);
    griglia->verticalHeader()->hide();
    griglia->setSelectionBehavior(QAbstractItemView::SelectRows);
    griglia->setAlternatingRowColors(true);
    griglia->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    griglia->horizontalHeader()->setSortIndicatorShown(true);
    connect(griglia->horizontalHeader(), &QHeaderView::customContextMenuRequested, this,
            [this](const QPoint& p) {
                QMenu m(this);
                QAction* salva = m.addAction(QStringLiteral("Salva dimensioni maschera"));
                if (m.exec(griglia->horizontalHeader()->mapToGlobal(p)) == salva)
                    salvaDimensioni();
            });
    connect(griglia->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this](int col, Qt::SortOrder o) {
                if (col == ColChe)
                    return;
                disposizione_.colonnaOrdine = col;
                disposizione_.discendente = o == Qt::DescendingOrder;
                griglia->sortItems(col, o);
            });
    connect(griglia, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* it) {
        if (riempiendo_ || it->column() != ColChe)
            return;
        segnaDaGriglia(it->row(), it->checkState() == Qt::Checked);
    });
    principale->addWidget(griglia, 1);

    auto* riga2 = new QHBoxLayout;
    ComSeleziona = bottone(QStringLiteral("ComSeleziona"), QStringLiteral("Selez. &Tutto"), riga2);
    ComCambiaSelez = bottone(QStringLiteral("ComCambiaSelez"), QStringLiteral("Cambia Selezioni"), riga2);
    labLetti = new QLabel(QStringLiteral("Doc. letti:"), this);
    labLetti->setObjectName(QStringLiteral("labLetti"));
    riga2->addSpacing(16);
    riga2->addWidget(labLetti);
    riga2->addStretch();
    LabTotale = new QLabel(this);
    LabTotale->setObjectName(QStringLiteral("LabTotale"));
    riga2->addWidget(LabTotale);
    riga2->addSpacing(16);
    ComAnnulla = bottone(QStringLiteral("ComAnnulla"), QStringLiteral("&Esci"), riga2);
    principale->addLayout(riga2);
    staMessaggi = new BarraStato(this);
    principale->addWidget(staMessaggi);

    connect(ComLista, &QPushButton::clicked, this, &frmFELisAtt::ComLista_Click);
    connect(comInviaDoc, &QPushButton::clicked, this, &frmFELisAtt::comInviaDoc_Click);
    connect(comDatiSdi, &QPushButton::clicked, this, &frmFELisAtt::comDatiSdi_Click);
    for (auto& [i, b] : comDownDoc)
        connect(b, &QPushButton::clicked, this, [this, i = i] { comDownDoc_Click(i); });
    connect(ComSeleziona, &QPushButton::clicked, this, &frmFELisAtt::ComSeleziona_Click);
    connect(ComCambiaSelez, &QPushButton::clicked, this, &frmFELisAtt::ComCambiaSelez_Click);
    connect(ComAnnulla, &QPushButton::clicked, this, &QWidget::close);
    resize(1280, 720);
}

void frmFELisAtt::Carica() {
    cobStati->clear();
    cobStati->addItem(QStringLiteral("Qualsiasi"), QString());
    hub::StatiDocumento propri;
    const hub::StatiDocumento& stati = contesto_.statiHub ? *contesto_.statiHub : propri;
    for (const hub::StatoDocumento& s : stati.perLista(u'A'))
        cobStati->addItem(s.codice + QStringLiteral(" - ") + s.descrizione, s.codice);
    const hub::TestiFiltroAttive predefiniti = hub::FiltroPredefinito(QDate::currentDate());
    for (int i = 0; i < hub::NumeroCampiFiltro; ++i)
        txt[i]->setText(predefiniti[static_cast<size_t>(i)]);
    CheFileFirmati->setChecked(
        contesto_.configurazione.leggiIni(QStringLiteral("Tesel"), QStringLiteral("InvioFileFirmati"))
            .trimmed()
            .compare(QStringLiteral("S"), Qt::CaseInsensitive) == 0);
    coloreSel_ = coloreDaImpostazione(
        contesto_.configurazione.LeggiPersonal(QStringLiteral("Tesel"), QStringLiteral("ColSfondoSel"), {}));
    disposizione_ =
        hub::DisposizioneLista::leggi(contesto_.configurazione, QStringLiteral("FELisAtt"), contesto_.utente);
    applicaDisposizione();
    rielabora_->impostaMinuti(RielaborazioneLista::minutiDaConfigurazione(contesto_.configurazione));
    oiLoadOk = -1;
}

void frmFELisAtt::closeEvent(QCloseEvent* e) {
    FormTesel::closeEvent(e);
    if (e->isAccepted())
        rielabora_->ferma();
}

void frmFELisAtt::applicaDisposizione() {
    for (int c = 0; c < NumeroColonne; ++c) {
        const int l = c < disposizione_.larghezze.size() ? disposizione_.larghezze[c] : LarghezzeProgetto[c];
        griglia->setColumnWidth(c, l);
    }
    if (disposizione_.altezza > 0)
        resize(width(), disposizione_.altezza);
    if (disposizione_.colonnaOrdine > 0 && disposizione_.colonnaOrdine < NumeroColonne)
        griglia->horizontalHeader()->setSortIndicator(disposizione_.colonnaOrdine, disposizione_.discendente
                                                                                       ? Qt::DescendingOrder
                                                                                       : Qt::AscendingOrder);
}

void frmFELisAtt::salvaDimensioni() {
    disposizione_.larghezze.clear();
    for (int c = 0; c < NumeroColonne; ++c)
        disposizione_.larghezze << griglia->columnWidth(c);
    disposizione_.altezza = height();
    if (disposizione_.scrivi(contesto_.configurazione, QStringLiteral("FELisAtt"), contesto_.utente))
        messaggio(QStringLiteral("Dimensioni maschera salvate"));
}

bool frmFELisAtt::PuoChiudere() {
    // The document in hand always runs to its end: the user interrupts through the progress box.
    return !occupato_;
}

int frmFELisAtt::messaggio(const QString& testo, const QString& r1, const QString& r2) {
    return msgCom(contesto_.interazione, testo, r1, r2);
}

void frmFELisAtt::occupa(bool si, bool finestra) {
    occupato_ = si;
    for (QPushButton* b : {ComLista, comInviaDoc, comDatiSdi, ComSeleziona, ComCambiaSelez, ComAnnulla})
        b->setEnabled(!si);
    for (auto& [i, b] : comDownDoc)
        b->setEnabled(!si);
    if (si) {
        if (!elab_)
            elab_ = new frmInElab(this);
        if (finestra)
            elab_->show();
    } else if (elab_) {
        elab_->hide();
    }
}

void frmFELisAtt::ComLista_Click() {
    hub::TestiFiltroAttive testi;
    for (int i = 0; i < hub::NumeroCampiFiltro; ++i)
        testi[static_cast<size_t>(i)] = txt[i]->text();
    const QString stato = cobStati->currentData().toString();
    const hub::ControlloFiltri c = hub::ControllaFiltriAttive(
        contesto_.db, testi, stato, contesto_.parametri.leggi(QStringLiteral("Ditta.PartIva")));
    if (!c.messaggio.isEmpty()) {
        messaggio(c.messaggio);
        if (c.campo >= 0)
            txt[c.campo]->setFocus();
        return;
    }
    if (!contesto_.hub) {
        messaggio(QStringLiteral("HUB non attivo"));
        return;
    }
    if (leggiLista(c.filtri, false)) {
        ultimiFiltri_ = c.filtri;
        rielabora_->avvia();
    }
}

bool frmFELisAtt::Rielabora() {
    if (!ultimiFiltri_ || occupato_)
        return false;
    leggiLista(*ultimiFiltri_, true);
    return true;
}

bool frmFELisAtt::leggiLista(const hub::FiltriAttive& filtri, bool rielaborazione) {
    // In the background there is no progress window and nothing to interrupt; the commands are
    // held all the same.
    occupa(true, !rielaborazione);
    hub::ElencoAttiveLetto l;
    if (rielaborazione) {
        staMessaggi->impostaPannello(QStringLiteral("Stato"), QStringLiteral("Aggiornamento lista"));
        l = hub::LeggiElencoAttive(*contesto_.hub, filtri, true);
    } else {
        staMessaggi->impostaPannello(QStringLiteral("Stato"), QStringLiteral("Scaricamento dati"));
        elab_->impostaMessaggio(QStringLiteral("Scaricamento dati"));
        elab_->inizia(0);
        QCoreApplication::processEvents();
        bool preparazione = false;
        l = hub::LeggiElencoAttive(
            *contesto_.hub, filtri, true, [this, &preparazione](int fatti, int daFare) {
                if (!preparazione) {
                    preparazione = true;
                    elab_->impostaMessaggio(QStringLiteral("Preparazione dati"));
                    elab_->inizia(daFare);
                }
                elab_->impostaFatti(fatti);
                labLetti->setText(QStringLiteral("Doc. letti: ") + formattaIntero(fatti));
                return !elab_->interrotto();
            });
    }
    occupa(false);
    staMessaggi->impostaPannello(QStringLiteral("Stato"), QString());
    if (!l.ok) {
        // A failed request leaves the list as it was.
        if (rielaborazione)
            staMessaggi->MostraMessaggio(RielaborazioneLista::nonRiuscita(l.messaggio));
        else
            messaggio(l.messaggio);
        return false;
    }
    const PosizioneGriglia posizione(griglia, ColId);
    if (rielaborazione) {
        // The ticks follow their documents; a document gone from the Hub takes its tick with it.
        QSet<QString> segnati;
        for (const hub::RigaAttiva& r : righe_)
            if (r.selezionata)
                segnati.insert(r.id);
        for (hub::RigaAttiva& r : l.righe)
            r.selezionata = segnati.contains(r.id);
    }
    righe_ = l.righe;
    const QString didascalia = ComSeleziona->text();
    riempiGriglia();
    if (rielaborazione) {
        ComSeleziona->setText(didascalia);
        posizione.ripristina(griglia);
        labLetti->setText(QStringLiteral("Doc. letti: ") +
                          formattaIntero(static_cast<qint64>(righe_.size())));
        staMessaggi->MostraEsito(RielaborazioneLista::riuscita());
    }
    LabTotale->setText(QStringLiteral("Documenti: ") + formattaIntero(static_cast<qint64>(righe_.size())) +
                       QStringLiteral("   Totale: ") + formatta(l.totale, u"#,##0.00"));
    return true;
}

void frmFELisAtt::riempiGriglia() {
    riempiendo_ = true;
    griglia->setSortingEnabled(false);
    griglia->clearContents();
    griglia->setRowCount(static_cast<int>(righe_.size()));
    hub::StatiDocumento propri;
    const hub::StatiDocumento& stati = contesto_.statiHub ? *contesto_.statiHub : propri;
    for (int i = 0; i < static_cast<int>(righe_.size()); ++i) {
        const hub::RigaAttiva& r = righe_[static_cast<size_t>(i)];
        auto* che = new Cella(QString(), r.selezionata ? 0 : 1);
        che->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        che->setCheckState(r.selezionata ? Qt::Checked : Qt::Unchecked);
        che->setData(RuoloIndice, i);
        griglia->setItem(i, ColChe, che);
        const auto testo = [&](int col, const QString& t, const QVariant& chiave = {}) {
            griglia->setItem(i, col, new Cella(t, chiave.isValid() ? chiave : QVariant(t)));
        };
        testo(ColCliente, r.cliente() + QStringLiteral(" - ") + r.denominazione);
        testo(ColStato, r.stato + u' ' + stati.DescrStato(r.stato), r.stato);
        testo(ColNumero, r.numero);
        testo(ColData, hub::DataDaHub(r.data), r.data);
        auto* totale =
            new Cella(formatta(r.totale, u"#,##0.00"), QVariant::fromValue<qint64>(r.totale.decimillesimi()));
        totale->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        griglia->setItem(i, ColTotale, totale);
        testo(ColTipo, r.tipo);
        testo(ColAllegati, r.attachment);
        testo(ColCreazione, hub::DataDaHub(r.dataCreazione), r.dataCreazione);
        testo(ColStoricizzato, r.storicizzato);
        testo(ColId, r.id, QVariant::fromValue<qint64>(r.id.toLongLong()));
        testo(ColIdSdi, r.identificativoSdi);
        testo(ColConsegna, hub::DataDaHub(r.dataOraConsegna), r.dataOraConsegna);
        testo(ColRicezione, hub::DataDaHub(r.dataOraRicezione), r.dataOraRicezione);
        testo(ColUltimaVar, hub::DataDaHub(r.dataUltimaVariazione), r.dataUltimaVariazione);
        griglia->item(i, ColCliente)->setToolTip(r.denominazione);
        coloraRiga(i);
    }
    if (disposizione_.colonnaOrdine > 0 && disposizione_.colonnaOrdine < NumeroColonne)
        griglia->sortItems(disposizione_.colonnaOrdine,
                           disposizione_.discendente ? Qt::DescendingOrder : Qt::AscendingOrder);
    riempiendo_ = false;
    ComSeleziona->setText(QStringLiteral("Selez. &Tutto"));
}

int frmFELisAtt::indiceRiga(int rigaGriglia) const {
    const QTableWidgetItem* it = griglia->item(rigaGriglia, ColChe);
    return it ? it->data(RuoloIndice).toInt() : -1;
}

void frmFELisAtt::coloraRiga(int riga) {
    const int i = indiceRiga(riga);
    if (i < 0)
        return;
    const bool si = righe_[static_cast<size_t>(i)].selezionata;
    for (int c = 0; c < NumeroColonne; ++c)
        if (QTableWidgetItem* it = griglia->item(riga, c))
            it->setBackground(si ? QBrush(coloreSel_) : QBrush());
}

void frmFELisAtt::segnaDaGriglia(int riga, bool si) {
    const int i = indiceRiga(riga);
    if (i < 0)
        return;
    righe_[static_cast<size_t>(i)].selezionata = si;
    const bool prima = riempiendo_;
    riempiendo_ = true;
    griglia->item(riga, ColChe)->setCheckState(si ? Qt::Checked : Qt::Unchecked);
    coloraRiga(riga);
    riempiendo_ = prima;
}

void frmFELisAtt::segna(const QString& id, bool si) {
    for (int r = 0; r < griglia->rowCount(); ++r) {
        const int i = indiceRiga(r);
        if (i >= 0 && righe_[static_cast<size_t>(i)].id == id)
            segnaDaGriglia(r, si);
    }
}

QString frmFELisAtt::cella(int riga, int colonna) const {
    const QTableWidgetItem* it = griglia->item(riga, colonna);
    if (!it)
        return {};
    if (colonna == ColChe)
        return it->checkState() == Qt::Checked ? QStringLiteral("S") : QString();
    return it->text();
}

int frmFELisAtt::righeGriglia() const {
    return griglia->rowCount();
}

void frmFELisAtt::ComSeleziona_Click() {
    // The caption says what the next press does.
    const bool tutti = ComSeleziona->text() == u"Selez. &Tutto";
    for (int r = 0; r < griglia->rowCount(); ++r)
        segnaDaGriglia(r, tutti);
    ComSeleziona->setText(tutti ? QStringLiteral("&Desel. Tutto") : QStringLiteral("Selez. &Tutto"));
}

void frmFELisAtt::ComCambiaSelez_Click() {
    for (int r = 0; r < griglia->rowCount(); ++r) {
        const int i = indiceRiga(r);
        if (i >= 0)
            segnaDaGriglia(r, !righe_[static_cast<size_t>(i)].selezionata);
    }
}

void frmFELisAtt::comDownDoc_Click(int indice) {
    const auto comando = static_cast<hub::ComandoAttive>(indice);
    std::optional<hub::CambioStato> tipo;
    QString m;
    if (comando == hub::ComandoAttive::CambioStato) {
        tipo = hub::TipoCambioStato(cobCambioStato->currentIndex(), &m);
        if (!tipo) {
            messaggio(m);
            return;
        }
    }
    hub::StatiDocumento propri;
    const hub::StatiDocumento& stati = contesto_.statiHub ? *contesto_.statiHub : propri;
    if (hub::VerSelez(righe_, hub::StatiAmmessi(comando, tipo), stati, &m) == 0) {
        messaggio(m);
        return;
    }
    const QString conferma = hub::ConfermaComando(comando);
    if (!conferma.isEmpty() && messaggio(conferma, QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return;
    if (!contesto_.hub) {
        messaggio(QStringLiteral("HUB non attivo"));
        return;
    }
    occupa(true);
    hub::EsitoComandoAttive e;
    if (comando == hub::ComandoAttive::Scarica || comando == hub::ComandoAttive::ScaricaAllegati) {
        const QString cartella = hub::CartellaScarico(contesto_.configurazione);
        if (cartella.isEmpty()) {
            occupa(false);
            messaggio(QStringLiteral(
                "Manca la cartella di scarico (DirFeScar, DirFe o DirCarica della sezione Base)"));
            return;
        }
        elab_->impostaMessaggio(QStringLiteral("Scaricamento in corso"));
        elab_->inizia(hub::VerSelez(righe_, {}, stati, nullptr));
        e = hub::ScaricaAttive(*contesto_.hub, righe_, comando == hub::ComandoAttive::ScaricaAllegati,
                               cartella, [this](int fatti, int) {
                                   elab_->impostaFatti(fatti);
                                   return !elab_->interrotto();
                               });
    } else {
        const hub::CambioStato t = comando == hub::ComandoAttive::Cancella ? hub::CambioStato::Cancellazione
                                   : comando == hub::ComandoAttive::Completato
                                       ? hub::CambioStato::Completamento
                                       : *tipo;
        elab_->impostaMessaggio(QStringLiteral("Operazione in corso"));
        elab_->inizia(0);
        QCoreApplication::processEvents();
        e = hub::CambiaStatoAttive(*contesto_.hub, righe_, t);
    }
    occupa(false);
    if (!e.connesso) {
        messaggio(e.errori);
        return;
    }
    messaggio(e.messaggioFinale());
    // A change of state shows at once: the list is read again with the same filters.
    if (comando != hub::ComandoAttive::Scarica && comando != hub::ComandoAttive::ScaricaAllegati &&
        e.riusciti > 0)
        ComLista_Click();
}

void frmFELisAtt::comInviaDoc_Click() {
    if (contesto_.parametri.leggi(QStringLiteral("Ditta.PartIva")).trimmed().isEmpty()) {
        messaggio(QStringLiteral("Manca la partita iva nella tabella ditta"));
        return;
    }
    const QString terminale = txt[hub::Terminale]->text().trimmed();
    qint64 n = 0;
    {
        Recordset rs = contesto_.db.ApriRs(hub::SqlFattureInAttesa(terminale));
        for (; !rs.RsEof(); rs.RsMoveNext())
            ++n;
    }
    if (n == 0) {
        messaggio(QStringLiteral("Non ci sono fatture da inviare") +
                  (terminale.isEmpty() ? QString() : QStringLiteral(" per il terminale ") + terminale));
        return;
    }
    if (messaggio(QStringLiteral("Confermi l'invio di ") + QString::number(n) + QStringLiteral(" fatture") +
                      (terminale.isEmpty()
                           ? QStringLiteral(" senza selezione sul terminale che le ha predisposte")
                           : QStringLiteral(" predisposte dal terminale ") + terminale),
                  QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return;
    // The worker form does the send in this process, showing what it is doing.
    occupa(true);
    elab_->hide();
    auto* appo = new frmFEAppo(contesto_, nullptr);
    appo->setAttribute(Qt::WA_DeleteOnClose, false);
    appo->show();
    appo->LabOper->setText(QStringLiteral("Invia"));
    const hub::RispostaAppo r =
        appo->esegui(QStringLiteral("FEInvio ") + terminale +
                     (CheFileFirmati->isChecked() ? QStringLiteral("-F") : QString()));
    appo->FineComLocale();
    delete appo;
    occupa(false);
    if (r.esito != 0) {
        messaggio(QStringLiteral("Errore") + QStringLiteral(": ") + r.testo);
        return;
    }
    QString testo = r.testo;
    while (testo.startsWith(A_Capo))
        testo.remove(0, 2);
    QString m;
    if (!testo.isEmpty())
        m = QStringLiteral("Fatture non inviate per errori") + A_Capo + testo + A_Capo;
    m += QStringLiteral("Inviate ") + formattaIntero(r.numero) + QStringLiteral(" fatture");
    messaggio(m);
}

void frmFELisAtt::comDatiSdi_Click() {
    hub::StatiDocumento propri;
    if (hub::VerSelez(righe_, {}, propri, nullptr) == 0) {
        messaggio(QStringLiteral("Selezionare i documenti da aggiornare"));
        return;
    }
    if (messaggio(
            QStringLiteral("Confermi aggiornamento informazioni ricezione SDI delle fatture selezionate?"),
            QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return;
    hub::EsitoDatiSdi e;
    try {
        e = hub::AggiornaDatiSdi(contesto_.db, righe_);
    } catch (const ErroreDb& err) {
        messaggio(QStringLiteral("Errore(%1): ").arg(err.numero()) + err.descrizione());
        return;
    }
    messaggio(e.messaggio());
}

} // namespace tesel::ui
