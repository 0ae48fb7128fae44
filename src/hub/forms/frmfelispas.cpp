#include "frmfelispas.h"

#include "frame/codiceconto.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/sqlvalore.h"
#include "hub/forms/rielaborazione.h"
#include "import/forms/pannelloimport.h"
#include "ui/descrizionecodice.h"
#include "ui/msgcom.h"
#include "ui/ricerca.h"
#include "ui/validatori.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tesel::ui {

namespace {

const QString Titolo = QStringLiteral("Lista Fatture Passive");
const QString SezioneLayout = QStringLiteral("Configurazioni");
constexpr int RuoloOrdine = Qt::UserRole + 1; // the value a column sorts by
constexpr int RuoloRiga = Qt::UserRole + 2;   // the row's index in righe_

// A cell that sorts by its own key (dates by year-month-day, amounts by value).
class Cella : public QTableWidgetItem {
public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& altra) const override {
        const QVariant a = data(RuoloOrdine), b = altra.data(RuoloOrdine);
        if (a.isValid() && b.isValid())
            return QVariant::compare(a, b) == QPartialOrdering::Less;
        return text() < altra.text();
    }
};

const std::array<const char*, frmFELisPas::NumColonne> Intestazioni{
    "Fornitore", "stato",        "Numero Fatt.", "Data Fatt.",           "Totale",
    "Data Ric.", "Mon.",         "All.",         "Ufficio Destinatario", "C.S.",
    "Trasf.",    "Id Documento", "TipoDoc",      "Identificativo_SDI"};

// While a request waits for the Hub the window repaints; its controls are disabled meanwhile and
// closing is refused, so nothing the user does can start a second request.
class AttesaHub {
public:
    explicit AttesaHub(hub::HubServizio& s) : s_(s) {
        s_.impostaAttesa([] {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return true;
        });
    }
    ~AttesaHub() { s_.impostaAttesa({}); }
    AttesaHub(const AttesaHub&) = delete;
    AttesaHub& operator=(const AttesaHub&) = delete;

private:
    hub::HubServizio& s_;
};

} // namespace

frmFELisPas::frmFELisPas(Contesto& contesto, QWidget* padre)
    : FormTesel(QStringLiteral("frmFELisPas"), contesto, padre) {
    setWindowTitle(Titolo);
    costruisci();
    impostaStato(Stato::Inattivo);
    rielabora_ = new RielaborazioneLista(
        this, [this] { return stato_ != Stato::Inattivo; }, [this] { return Rielabora(); });
}

frmFELisPas::~frmFELisPas() = default;

hub::HubServizio& frmFELisPas::servizio() {
    return hub::ServizioDelForm(contesto_, proprio_);
}

void frmFELisPas::costruisci() {
    const QFontMetrics fm(font());
    const int larghezzaData = fm.horizontalAdvance(QStringLiteral("00/00/00000")) + 24;
    const auto campo = [&](const QString& nome, int larghezza) {
        auto* c = new QLineEdit(this);
        c->setObjectName(nome);
        c->setFixedWidth(larghezza);
        return c;
    };
    txtDal = campo(QStringLiteral("txtDal"), larghezzaData);
    txtAl = campo(QStringLiteral("txtAl"), larghezzaData);
    txtDal->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    txtAl->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    txtFornitore = campo(QStringLiteral("txtFornitore"), fm.averageCharWidth() * 14 + 16);
    txtFornitore->setToolTip(
        QStringLiteral("Conto del fornitore (F2 ricerca per codice, F3 per descrizione)"));
    auto* descr = new DescrizioneCodice(this);
    descr->setObjectName(QStringLiteral("labFornitore"));
    descr->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    labFornitore = descr;
    RichiestaRicerca fornitore;
    fornitore.tipo = TipoRicerca::Fornitore;
    collegaRicerca(txtFornitore, labFornitore, contesto_.db, fornitore);

    OptElenco[0] = new QRadioButton(QStringLiteral("Da scaricare"), this);
    OptElenco[1] = new QRadioButton(QStringLiteral("Tutti"), this);
    OptElenco[0]->setChecked(true);
    CheTrasf = new QCheckBox(QStringLiteral("Mostra se in tabella trasferimento"), this);
    CheTrasf->setObjectName(QStringLiteral("CheTrasf"));
    CheTrasf->setChecked(true);
    ComLista = new QPushButton(QStringLiteral("Lista Documenti"), this);
    ComLista->setObjectName(QStringLiteral("ComLista"));
    connect(ComLista, &QPushButton::clicked, this, &frmFELisPas::ComLista_Click);

    auto* filtri = new QGridLayout;
    filtri->addWidget(new QLabel(QStringLiteral("Ricevute dal:"), this), 0, 0);
    filtri->addWidget(txtDal, 0, 1);
    filtri->addWidget(new QLabel(QStringLiteral("al:"), this), 0, 2);
    filtri->addWidget(txtAl, 0, 3);
    filtri->addWidget(OptElenco[0], 0, 5);
    filtri->addWidget(OptElenco[1], 0, 6);
    filtri->addWidget(CheTrasf, 0, 7);
    filtri->addWidget(new QLabel(QStringLiteral("Fornitore:"), this), 1, 0);
    filtri->addWidget(txtFornitore, 1, 1, 1, 3);
    filtri->addWidget(labFornitore, 1, 4, 1, 4);
    filtri->setColumnStretch(8, 1);
    filtri->addWidget(ComLista, 0, 9, 2, 1);

    dbgLista = new QTableWidget(0, NumColonne, this);
    dbgLista->setObjectName(QStringLiteral("dbgLista"));
    QStringList titoli;
    for (const char* t : Intestazioni)
        titoli << QString::fromUtf8(t);
    dbgLista->setHorizontalHeaderLabels(titoli);
    dbgLista->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgLista->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgLista->verticalHeader()->setDefaultSectionSize(fm.lineSpacing() + 6);
    dbgLista->verticalHeader()->hide();
    dbgLista->setSortingEnabled(true);
    dbgLista->horizontalHeader()->setSortIndicatorShown(true);
    // The Hub's own order (its identifiers grow with reception) until the user picks a column.
    dbgLista->sortByColumn(ColId, Qt::AscendingOrder);
    const std::array<int, NumColonne> caratteri{28, 4, 10, 9, 11, 9, 4, 3, 10, 3, 12, 9, 6, 14};
    for (int c = 0; c < NumColonne; ++c)
        dbgLista->setColumnWidth(
            c, std::max(fm.averageCharWidth() * caratteri[c], fm.horizontalAdvance(titoli[c]) + 24));
    connect(dbgLista->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this] { layoutCambiato_ = true; });
    connect(dbgLista->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
            [this] { layoutCambiato_ = true; });

    LabNumero = new QLabel(this);
    LabNumero->setObjectName(QStringLiteral("LabNumero"));
    LabTotale = new QLabel(this);
    LabTotale->setObjectName(QStringLiteral("LabTotale"));
    // Room for the largest count and total, so the buttons beside them never squeeze them.
    LabNumero->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("Documenti: 000.000")));
    LabTotale->setMinimumWidth(fm.horizontalAdvance(QStringLiteral("Totale: 000.000.000,00")));

    const std::array<QString, 3> caption{QStringLiteral("&Scarica"), QStringLiteral("D&ocum"),
                                         QStringLiteral("&Zip")};
    const std::array<QString, 3> suggerimento{QStringLiteral("Scarica il file come ricevuto"),
                                              QStringLiteral("Scarica file XML"),
                                              QStringLiteral("Scarica zip con XML ed allegati")};
    for (int i = 0; i < 3; ++i) {
        comDownDoc[i] = new QPushButton(caption[i], this);
        comDownDoc[i]->setObjectName(QStringLiteral("comDownDoc_%1").arg(i));
        comDownDoc[i]->setToolTip(suggerimento[i]);
        connect(comDownDoc[i], &QPushButton::clicked, this, [this, i] { comDownDoc_Click(i); });
    }
    CheNoFirma = new QCheckBox(QStringLiteral("Togli firma"), this);
    CheNoFirma->setObjectName(QStringLiteral("CheNoFirma"));
    CheCarica = new QCheckBox(QStringLiteral("Importa Xml scaricati"), this);
    CheCarica->setObjectName(QStringLiteral("CheCarica"));
    ComSeleziona = new QPushButton(QStringLiteral("&Desel.Tutto"), this);
    ComSeleziona->setObjectName(QStringLiteral("ComSeleziona"));
    connect(ComSeleziona, &QPushButton::clicked, this, &frmFELisPas::ComSeleziona_Click);
    ComAnnulla = new QPushButton(QStringLiteral("&Esci"), this);
    ComAnnulla->setObjectName(QStringLiteral("ComAnnulla"));
    connect(ComAnnulla, &QPushButton::clicked, this, &QWidget::close);

    auto* comandi = new QHBoxLayout;
    comandi->addWidget(LabNumero);
    comandi->addSpacing(16);
    comandi->addWidget(LabTotale);
    comandi->addStretch();
    for (QPushButton* b : comDownDoc)
        comandi->addWidget(b);
    comandi->addWidget(CheNoFirma);
    comandi->addWidget(CheCarica);
    comandi->addSpacing(16);
    comandi->addWidget(ComSeleziona);
    comandi->addWidget(ComAnnulla);

    staMessaggi = new BarraStato(this);
    // The import dialog's own options, asked before a download that is to be imported.
    PicAltriDati = new PannelloOpzioniImport(contesto_, staMessaggi, nullptr, this);
    PicAltriDati->setObjectName(QStringLiteral("PicAltriDati"));
    PicAltriDati->setFrameShape(QFrame::StyledPanel);
    ComProsegui = new QPushButton(QStringLiteral("&Prosegui"), PicAltriDati);
    ComProsegui->setObjectName(QStringLiteral("ComProsegui"));
    ComNoScarica = new QPushButton(QStringLiteral("&Annulla"), PicAltriDati);
    ComNoScarica->setObjectName(QStringLiteral("ComNoScarica"));
    PicAltriDati->colonnaComandi->addWidget(ComProsegui);
    PicAltriDati->colonnaComandi->addWidget(ComNoScarica);
    connect(ComProsegui, &QPushButton::clicked, this, &frmFELisPas::ComProsegui_Click);
    connect(ComNoScarica, &QPushButton::clicked, this, [this] { impostaStato(Stato::Inattivo); });

    PicScarico = new QFrame(this);
    PicScarico->setObjectName(QStringLiteral("PicScarico"));
    PicScarico->setFrameShape(QFrame::StyledPanel);
    LabFatti = new QLabel(PicScarico);
    LabDaFare = new QLabel(PicScarico);
    proScarico = new QProgressBar(PicScarico);
    ComInterrompi = new QPushButton(QStringLiteral("&Interrompi"), PicScarico);
    ComInterrompi->setObjectName(QStringLiteral("ComInterrompi"));
    connect(ComInterrompi, &QPushButton::clicked, this, [this] { interrompi_ = true; });
    auto* scarico = new QHBoxLayout(PicScarico);
    scarico->addWidget(new QLabel(QStringLiteral("Scaricamento in corso"), PicScarico));
    scarico->addWidget(LabFatti);
    scarico->addWidget(LabDaFare);
    scarico->addWidget(proScarico, 1);
    scarico->addWidget(ComInterrompi);

    auto* l = new QVBoxLayout(this);
    l->addLayout(filtri);
    l->addWidget(dbgLista, 1);
    l->addLayout(comandi);
    l->addWidget(PicAltriDati);
    l->addWidget(PicScarico);
    l->addWidget(staMessaggi);
    resize(1300, 580);
}

void frmFELisPas::Carica() {
    rielabora_->impostaMinuti(RielaborazioneLista::minutiDaConfigurazione(contesto_.configurazione));
    const QDate oggi = QDate::currentDate();
    txtDal->setText(testoData(oggi.addMonths(-1)));
    txtAl->setText(testoData(oggi));
    PicAltriDati->caricaPredefiniti();
    caricaLayout();
    oiLoadOk = -1;
}

bool frmFELisPas::PuoChiudere() {
    return stato_ != Stato::Scarico && stato_ != Stato::Lista;
}

void frmFELisPas::closeEvent(QCloseEvent* e) {
    if (PuoChiudere() && layoutCambiato_)
        salvaLayout();
    FormTesel::closeEvent(e);
    if (e->isAccepted())
        rielabora_->ferma();
}

void frmFELisPas::impostaStato(Stato s) {
    stato_ = s;
    const bool libero = s == Stato::Inattivo;
    for (QWidget* w : QList<QWidget*>{txtDal, txtAl, txtFornitore, OptElenco[0], OptElenco[1], CheTrasf,
                                      ComLista, dbgLista, CheNoFirma, CheCarica, ComSeleziona, ComAnnulla})
        w->setEnabled(libero);
    for (QPushButton* b : comDownDoc)
        b->setEnabled(libero);
    PicAltriDati->setVisible(s == Stato::AttesaOpzioni);
    PicScarico->setVisible(s == Stato::Scarico);
    ComInterrompi->setEnabled(s == Stato::Scarico);
}

// ---- Layout kept per user ---------------------------------------------------------------------

void frmFELisPas::caricaLayout() {
    Configurazione& conf = contesto_.configurazione;
    const QString larghezze = conf.leggiIni(SezioneLayout, QStringLiteral("FELisPasLarg"));
    if (!larghezze.isEmpty() && larghezze.toUpper() != u"NO") {
        const QStringList l = larghezze.split(u';');
        for (int c = 0; c < NumColonne && c < l.size(); ++c) {
            bool ok = false;
            const int w = l[c].trimmed().toInt(&ok);
            if (ok && w > 0)
                dbgLista->setColumnWidth(c, w);
        }
    }
    const QString altezza = conf.leggiIni(SezioneLayout, QStringLiteral("FELisPasAlt"));
    bool ok = false;
    if (const int h = altezza.toInt(&ok); ok && h > 200)
        resize(width(), h);
    const QString ordine = conf.leggiIni(SezioneLayout, QStringLiteral("FELisPasSort"));
    if (const int c = ordine.section(u' ', 0, 0).toInt(&ok); ok && c >= 0 && c < NumColonne)
        dbgLista->sortByColumn(c, ordine.endsWith(QStringLiteral(" D")) ? Qt::DescendingOrder
                                                                        : Qt::AscendingOrder);
    layoutCambiato_ = false;
}

void frmFELisPas::salvaLayout() {
    QStringList larghezze;
    for (int c = 0; c < NumColonne; ++c)
        larghezze << QString::number(dbgLista->columnWidth(c));
    Configurazione& conf = contesto_.configurazione;
    const QHeaderView* h = dbgLista->horizontalHeader();
    if (conf.ScriviIni(SezioneLayout, QStringLiteral("FELisPasLarg"), larghezze.join(u';')) &&
        conf.ScriviIni(SezioneLayout, QStringLiteral("FELisPasAlt"), QString::number(height())) &&
        conf.ScriviIni(SezioneLayout, QStringLiteral("FELisPasSort"),
                       QString::number(h->sortIndicatorSection()) +
                           (h->sortIndicatorOrder() == Qt::DescendingOrder ? QStringLiteral(" D")
                                                                           : QStringLiteral(" A"))))
        layoutCambiato_ = false;
}

// ---- List ------------------------------------------------------------------------------------

bool frmFELisPas::controllaFiltri(hub::RichiestaPassive& r) {
    Interazione& ui = contesto_.interazione;
    QString m1, m2;
    const auto dal = ControllaData(txtDal, txtDal->text(), 0, ReazColora, std::nullopt, false, m1);
    const auto al = ControllaData(txtAl, txtAl->text(), 0, ReazColora, std::nullopt, false, m2);
    if (!m1.isEmpty() || !m2.isEmpty() || !dal || !al) {
        msgCom(ui, QStringLiteral("Valore Errato"));
        (m1.isEmpty() ? txtAl : txtDal)->setFocus();
        return false;
    }
    if (*dal > *al) {
        msgCom(ui, QStringLiteral("Si prega di inserire le date in ordine crescente"));
        txtDal->setFocus();
        return false;
    }
    r.dal = *dal;
    r.al = *al;
    r.soloNuovi = !OptElenco[1]->isChecked();
    r.conTrasf = CheTrasf->isChecked();
    const QString testo = txtFornitore->text().trimmed();
    if (testo.isEmpty())
        return true;
    const auto conto = CodiceConto::leggi(testo);
    // Letters where the chart's accounts are numbers name no account, as a code not there.
    const auto dove =
        conto && conto->completo() ? conto->condizioneSql(contesto_.db.contiNumerici()) : std::nullopt;
    if (!dove) {
        msgCom(ui, QStringLiteral("Valore Errato"));
        txtFornitore->setFocus();
        return false;
    }
    Recordset rs = contesto_.db.ApriRs(QStringLiteral("Select PartIva from PianoConti Where ") + *dove);
    if (rs.RsEof()) {
        msgCom(ui, QStringLiteral("Valore Errato"));
        txtFornitore->setFocus();
        return false;
    }
    r.fornitore = rs.leggiTesto(QStringLiteral("PartIva")).trimmed();
    if (r.fornitore.isEmpty()) {
        msgCom(ui, QStringLiteral("Il fornitore richiesto non ha la partita iva"));
        txtFornitore->setFocus();
        return false;
    }
    return true;
}

void frmFELisPas::ComLista_Click() {
    if (stato_ != Stato::Inattivo)
        return;
    hub::RichiestaPassive richiesta;
    try {
        if (!controllaFiltri(richiesta))
            return;
    } catch (const ErroreDb& e) {
        msgCom(contesto_.interazione, frmMsgCom::testoErrore(Titolo, e.numero(), e.descrizione()));
        return;
    }
    if (leggiLista(richiesta, false)) {
        ultimaRichiesta_ = richiesta;
        rielabora_->avvia();
    }
}

bool frmFELisPas::Rielabora() {
    if (!ultimaRichiesta_ || stato_ != Stato::Inattivo)
        return false;
    leggiLista(*ultimaRichiesta_, true);
    return true;
}

bool frmFELisPas::leggiLista(const hub::RichiestaPassive& richiesta, bool rielaborazione) {
    // In the background the controls stay as they are (the user's input waits meanwhile): only
    // the state says a request is out, so that nothing else starts and the form does not close.
    if (rielaborazione) {
        stato_ = Stato::Lista;
        staMessaggi->MostraEsito(QStringLiteral("Aggiornamento lista"));
    } else {
        impostaStato(Stato::Lista);
        staMessaggi->MostraMessaggio(QStringLiteral("Scaricamento dati"));
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    const hub::ElencoPassive elenco = [&] {
        AttesaHub attesa(servizio());
        return hub::ElencaPassive(servizio(), contesto_.db, richiesta);
    }();
    if (rielaborazione) {
        stato_ = Stato::Inattivo;
    } else {
        QApplication::restoreOverrideCursor();
        impostaStato(Stato::Inattivo);
    }
    staMessaggi->MostraMessaggio({});
    if (!elenco.riuscito) {
        if (rielaborazione) {
            staMessaggi->MostraMessaggio(RielaborazioneLista::nonRiuscita(elenco.messaggio));
            return false;
        }
        // A failed request leaves the list as it was; a list with nothing in it is emptied.
        if (elenco.messaggio.startsWith(QStringLiteral("Non ci sono")))
            riempiGriglia({});
        msgCom(contesto_.interazione, elenco.messaggio);
        return false;
    }
    if (!rielaborazione) {
        staMessaggi->MostraMessaggio(QStringLiteral("Preparazione dati"));
        riempiGriglia(elenco.righe);
        staMessaggi->MostraMessaggio({});
        return true;
    }
    // The ticks follow their documents; a document gone from the list takes its tick with it.
    QSet<QString> segnati;
    for (int i = 0; i < dbgLista->rowCount(); ++i)
        if (dbgLista->item(i, ColFornitore)->checkState() == Qt::Checked)
            segnati.insert(dbgLista->item(i, ColId)->text());
    const PosizioneGriglia posizione(dbgLista, ColId);
    riempiGriglia(elenco.righe);
    for (int i = 0; i < dbgLista->rowCount(); ++i)
        if (segnati.contains(dbgLista->item(i, ColId)->text()))
            dbgLista->item(i, ColFornitore)->setCheckState(Qt::Checked);
    posizione.ripristina(dbgLista);
    staMessaggi->MostraEsito(RielaborazioneLista::riuscita());
    return true;
}

void frmFELisPas::riempiGriglia(const std::vector<hub::RigaPassiva>& righe) {
    dbgLista->setSortingEnabled(false);
    dbgLista->setRowCount(0);
    dbgLista->setRowCount(static_cast<int>(righe.size()));
    Currency totale;
    for (int i = 0; i < static_cast<int>(righe.size()); ++i) {
        const hub::RigaPassiva& r = righe[static_cast<size_t>(i)];
        totale += r.importo();
        const auto metti = [&](int colonna, const QString& testo, const QVariant& ordine = {}) {
            auto* c = new Cella(testo);
            if (ordine.isValid())
                c->setData(RuoloOrdine, ordine);
            dbgLista->setItem(i, colonna, c);
            return c;
        };
        QTableWidgetItem* f = metti(ColFornitore, r.denominazione);
        f->setFlags(f->flags() | Qt::ItemIsUserCheckable);
        f->setCheckState(Qt::Unchecked);
        f->setData(RuoloRiga, QVariant::fromValue(r.testo()));
        f->setData(RuoloRiga + 1, r.nomeFile);
        f->setData(RuoloRiga + 2, r.trasf);
        f->setToolTip(QStringLiteral("P.iva: ") + r.partitaIva + QStringLiteral("\nCF: ") + r.codiceFiscale);
        metti(ColStato, r.stato);
        metti(ColNumero, r.numero);
        metti(ColData, r.dataFatturaTesto(), r.data);
        metti(ColTotale, formatta(r.importo(), u"#,##0.00"), QVariant::fromValue(r.importo().comeDouble()))
            ->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        metti(ColDataRic, r.dataRicezioneTesto(), r.dataRicezione);
        metti(ColMoneta, r.divisa);
        metti(ColAllegati, r.allegati);
        metti(ColUfficio, r.destinatario);
        metti(ColCS, r.storicizzato);
        metti(ColTrasf, r.trasf);
        metti(ColId, r.idHub, r.idHub.toLongLong());
        metti(ColTipoDoc, r.tipo);
        metti(ColIdSdi, r.idSdi);
    }
    dbgLista->setSortingEnabled(true);
    LabNumero->setText(QStringLiteral("Documenti: ") + formattaIntero(static_cast<qint64>(righe.size())));
    LabTotale->setText(QStringLiteral("Totale: ") + formatta(totale, u"#,##0.00"));
}

std::vector<hub::RigaPassiva> frmFELisPas::righe() const {
    std::vector<hub::RigaPassiva> v;
    for (int i = 0; i < dbgLista->rowCount(); ++i) {
        const QTableWidgetItem* f = dbgLista->item(i, ColFornitore);
        const QStringList c = f->data(RuoloRiga).toString().split(hub::SeparatoreRigaPassiva);
        if (c.size() < 15)
            continue;
        hub::RigaPassiva r{c[0],
                           c[1],
                           c[2],
                           c[3],
                           c[4],
                           c[5],
                           c[6],
                           c[7],
                           c[8],
                           c[9],
                           c[10],
                           c[11],
                           c[12],
                           c[13],
                           c[14],
                           f->data(RuoloRiga + 1).toString(),
                           f->data(RuoloRiga + 2).toString(),
                           f->checkState() == Qt::Checked};
        v.push_back(std::move(r));
    }
    return v;
}

void frmFELisPas::ComSeleziona_Click() {
    // Ticks every row unless all are ticked already: then it clears them.
    bool tutte = dbgLista->rowCount() > 0;
    for (int i = 0; i < dbgLista->rowCount() && tutte; ++i)
        tutte = dbgLista->item(i, ColFornitore)->checkState() == Qt::Checked;
    for (int i = 0; i < dbgLista->rowCount(); ++i)
        dbgLista->item(i, ColFornitore)->setCheckState(tutte ? Qt::Unchecked : Qt::Checked);
}

// ---- Download --------------------------------------------------------------------------------

QString frmFELisPas::cartellaScarico() const {
    return cartellaAllegatiImport(contesto_.configurazione);
}

void frmFELisPas::comDownDoc_Click(int indice) {
    if (stato_ != Stato::Inattivo)
        return;
    const std::vector<hub::RigaPassiva> tutte = righe();
    if (std::none_of(tutte.begin(), tutte.end(), [](const hub::RigaPassiva& r) { return r.selezionata; })) {
        msgCom(contesto_.interazione, QStringLiteral("Selezionare i documenti da scaricare"));
        return;
    }
    if (CheCarica->isChecked() && indice == 0) {
        indiceInAttesa_ = indice;
        impostaStato(Stato::AttesaOpzioni);
        PicAltriDati->CheSovrascrivi->setFocus();
        return;
    }
    scarica(indice, false);
}

void frmFELisPas::ComProsegui_Click() {
    if (stato_ != Stato::AttesaOpzioni)
        return;
    if (const QString m = PicAltriDati->controlla(); !m.isEmpty()) {
        msgCom(contesto_.interazione, m);
        return;
    }
    if (PicAltriDati->CheSovrascrivi->isChecked() &&
        msgCom(
            contesto_.interazione,
            QStringLiteral("Confermi eventuale sovrascrittura di fatture già caricate con cancellazione dei "
                           "dati inseriti in precedenza"),
            QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return;
    scarica(indiceInAttesa_, true);
}

void frmFELisPas::scarica(int indice, bool importa) {
    std::vector<hub::RigaPassiva> scelte;
    for (const hub::RigaPassiva& r : righe())
        if (r.selezionata)
            scelte.push_back(r);
    hub::OpzioniScarico opzioni;
    opzioni.variante = indice == 0   ? hub::VarianteScarico::Originale
                       : indice == 1 ? hub::VarianteScarico::Xml
                                     : hub::VarianteScarico::Zip;
    opzioni.togliFirma = CheNoFirma->isChecked();
    opzioni.importa = importa;
    if (importa)
        opzioni.opzioni = PicAltriDati->opzioni();
    opzioni.cartella = cartellaScarico();
    QDir().mkpath(opzioni.cartella);

    interrompi_ = false;
    impostaStato(Stato::Scarico);
    proScarico->setRange(0, static_cast<int>(scelte.size()));
    const hub::AvanzamentoScarico avanzamento = [this](int fatti, int totale, const hub::RigaPassiva&) {
        LabFatti->setText(QStringLiteral("Fatti: ") + formattaIntero(fatti));
        LabDaFare->setText(QStringLiteral("Da fare: ") + formattaIntero(totale - fatti));
        proScarico->setValue(fatti);
        // The interrupt button and the window live on between two documents.
        QCoreApplication::processEvents();
        return !interrompi_;
    };
    {
        AttesaHub attesa(servizio());
        ultimo_ = hub::ScaricaPassive(servizio(), contesto_.db, contesto_.interazione, contesto_.parametri,
                                      scelte, opzioni, avanzamento);
    }
    impostaStato(Stato::Inattivo);
    if (!ultimo_.connesso) {
        msgCom(contesto_.interazione, ultimo_.messaggio);
        return;
    }
    aggiornaTrasf();
    mostraRapporto(opzioni.cartella);
}

void frmFELisPas::aggiornaTrasf() {
    // A row downloaded without error is unticked; an imported one shows where it went.
    for (int i = 0; i < dbgLista->rowCount(); ++i) {
        QTableWidgetItem* f = dbgLista->item(i, ColFornitore);
        const QString id = dbgLista->item(i, ColId)->text();
        const auto it = std::find_if(ultimo_.documenti.begin(), ultimo_.documenti.end(),
                                     [&](const hub::EsitoScarico& e) { return e.idHub == id; });
        if (it == ultimo_.documenti.end() || !it->ok)
            continue;
        f->setCheckState(Qt::Unchecked);
        if (!CheTrasf->isChecked() || !it->importato)
            continue;
        try {
            const QString t = hub::trasferimentoPassiva(contesto_.db, id);
            dbgLista->item(i, ColTrasf)->setText(t);
            f->setData(RuoloRiga + 2, t);
        } catch (const ErroreDb&) {
            // The column is only a hint: the next list reads it again.
        }
    }
}

void frmFELisPas::mostraRapporto(const QString& cartella) {
    QString testo;
    if (!ultimo_.caricate.isEmpty())
        testo += QStringLiteral("Fatture caricate (P.iva - dati fattura - Num. riferimento)") +
                 ultimo_.caricate + QStringLiteral("\r\n\r\n");
    if (!ultimo_.errori.isEmpty())
        testo += QStringLiteral("Segnalazione di errori") + ultimo_.errori + QStringLiteral("\r\n\r\n");
    testo += QStringLiteral("File scaricati nella directory ") + QDir::toNativeSeparators(cartella);
    msgCom(contesto_.interazione, testo);
}

} // namespace tesel::ui
