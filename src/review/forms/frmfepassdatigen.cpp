#include "review/forms/frmfepassdatigen.h"

#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "review/revisione.h"
#include "store/store.h"
#include "ui/campischeda.h"
#include "ui/paginarighe.h"
#include "ui/validatori.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSqlField>
#include <QSqlRecord>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

namespace tesel::ui {

namespace {

const QString Titolo = QStringLiteral("Fatture Passive - Altri Dati");
const QString DomandaRiga = QStringLiteral("La riga è stata modificata.\nSalvare le modifiche?");
const QStringList ColonneChiave{QStringLiteral("XmlAnno"), QStringLiteral("XmlNumRif"),
                                QStringLiteral("XMLIdent"), QStringLiteral("XmlRigDet"),
                                QStringLiteral("XmlNumEle")};
const QString FormatoImporto = QStringLiteral("#,##0.^^");

// The grid, able to hand the cell being typed to the model before a toolbar command (a
// toolbar button does not take the focus, so the editor would still be open).
class GrigliaAltri : public QTableView {
public:
    using QTableView::QTableView;
    void confermaEditor() {
        if (state() != EditingState)
            return;
        if (QWidget* e = QApplication::focusWidget(); e && viewport()->isAncestorOf(e)) {
            commitData(e);
            closeEditor(e, QAbstractItemDelegate::NoHint);
        }
    }
};

std::vector<ColonnaDatoGen> riferimentoDocumento() {
    return {{QStringLiteral("RiferimentoNumeroLinea"), QStringLiteral("Rifer."), TipoDatoGen::Testo, 900},
            {QStringLiteral("IdDocumento"), QStringLiteral("Id_Documento"), TipoDatoGen::Testo, 2000},
            {QStringLiteral("Data"), QStringLiteral("Data"), TipoDatoGen::Data, 1200},
            {QStringLiteral("NumItem"), QStringLiteral("Num.Riga"), TipoDatoGen::Testo, 1000},
            {QStringLiteral("CodiceCommessaConvenzione"), QStringLiteral("Codice Commessa/Convenzione"),
             TipoDatoGen::Testo, 2800},
            {QStringLiteral("CodiceCUP"), QStringLiteral("CUP"), TipoDatoGen::Testo, 1600},
            {QStringLiteral("CodiceCIG"), QStringLiteral("CIG"), TipoDatoGen::Testo, 1600}};
}

// A typed cell as the value written to its column; nothing when it cannot be read.
std::optional<QVariant> valoreCella(const ColonnaDatoGen& c, const QString& testo) {
    const QString t = testo.trimmed();
    if (t.isEmpty())
        return QVariant();
    switch (c.tipo) {
    case TipoDatoGen::Testo:
        return QVariant(testo);
    case TipoDatoGen::Data: {
        const auto d = convertiData(t, 0, {});
        if (d.codice != CodOk || !d.valore)
            return std::nullopt;
        return QVariant(*d.valore);
    }
    case TipoDatoGen::Importo: {
        const auto n = numeroDaTesto(t);
        if (!n)
            return std::nullopt;
        return QVariant::fromValue(*n);
    }
    case TipoDatoGen::Intero: {
        bool ok = false;
        const qlonglong n = QString(t).remove(u'.').toLongLong(&ok);
        if (!ok)
            return std::nullopt;
        return QVariant(n);
    }
    }
    return std::nullopt;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Blocks

const std::vector<BloccoAltriDati>& blocchiAltriDati() {
    static const std::vector<BloccoAltriDati> blocchi{
        {BloccoDatiOrdineAcquisto, QStringLiteral("Ordini di acq&uisto"),
         QStringLiteral("Dati ordine di acquisto"), false, riferimentoDocumento()},
        {BloccoDatiContratto, QStringLiteral("&Contratti"), QStringLiteral("Dati contratto"), false,
         riferimentoDocumento()},
        {BloccoDatiConvenzione, QStringLiteral("Con&venzioni"), QStringLiteral("Dati convenzione"), false,
         riferimentoDocumento()},
        {BloccoDatiRicezione, QStringLiteral("&Ricezioni"), QStringLiteral("Dati ricezione"), false,
         riferimentoDocumento()},
        {BloccoDatiFattureCollegate, QStringLiteral("&Fatture collegate"),
         QStringLiteral("Dati fatture collegate"), false, riferimentoDocumento()},
        {BloccoDatiSAL,
         QStringLiteral("Stato avanzamento &lavori"),
         QStringLiteral("Dati SAL (stato avanzamento lavori)"),
         true,
         {{QStringLiteral("RiferimentoFase"), QStringLiteral("Riferimento Fase"), TipoDatoGen::Intero,
           1800}}},
        {BloccoDatiDDT,
         QStringLiteral("&DDT"),
         QStringLiteral("Dati DDT (documenti di trasporto)"),
         false,
         {{QStringLiteral("NumeroDDT"), QStringLiteral("Numero DDT"), TipoDatoGen::Testo, 2000},
          {QStringLiteral("DataDDT"), QStringLiteral("Data DDT"), TipoDatoGen::Data, 1200},
          {QStringLiteral("RiferimentoNumeroLinea"), QStringLiteral("Rifer."), TipoDatoGen::Testo, 1400}}},
        {BloccoDatiCassaPrevidenziale,
         QStringLiteral("Cassa &previdenziale"),
         QStringLiteral("Dati cassa previdenziale"),
         false,
         {{QStringLiteral("TipoCassa"), QStringLiteral("Tipo"), TipoDatoGen::Testo, 800},
          {QStringLiteral("AlCassa"), QStringLiteral("AliqCassa"), TipoDatoGen::Importo, 1100},
          {QStringLiteral("ImportoContributoCassa"), QStringLiteral("ImportoContributo"),
           TipoDatoGen::Importo, 1700},
          {QStringLiteral("ImponibileCassa"), QStringLiteral("ImponibileCassa"), TipoDatoGen::Importo, 1600},
          {QStringLiteral("AliquotaIVA"), QStringLiteral("AliquotaIVA"), TipoDatoGen::Importo, 1200},
          {QStringLiteral("Ritenuta"), QStringLiteral("Ritenuta"), TipoDatoGen::Testo, 900},
          {QStringLiteral("Natura"), QStringLiteral("Natura"), TipoDatoGen::Testo, 900},
          {QStringLiteral("Iva"), QStringLiteral("Iva_Codice"), TipoDatoGen::Testo, 1000},
          {QStringLiteral("RiferimentoAmministrazione"), QStringLiteral("RiferimentoAmministrazione"),
           TipoDatoGen::Testo, 2400}}},
        {BloccoScontoMaggiorazione,
         QStringLiteral("Sconti/&maggiorazioni"),
         QStringLiteral("Sconti e maggiorazioni"),
         false,
         {{QStringLiteral("Tipo"), QStringLiteral("Tipo"), TipoDatoGen::Testo, 800},
          {QStringLiteral("Percentuale"), QStringLiteral("Percentuale"), TipoDatoGen::Importo, 1300},
          {QStringLiteral("Importo"), QStringLiteral("Importo"), TipoDatoGen::Importo, 1600}}},
        {BloccoAllegati,
         QStringLiteral("All&egati"),
         QStringLiteral("Allegati"),
         false,
         {{QStringLiteral("NomeAttachment"), QStringLiteral("NomeFile"), TipoDatoGen::Testo, 3600},
          {QStringLiteral("AlgoritmoCompressione"), QStringLiteral("AlgoritmoCompressione"),
           TipoDatoGen::Testo, 2600},
          {QStringLiteral("FormatoAttachment"), QStringLiteral("Formato"), TipoDatoGen::Testo, 1000},
          {QStringLiteral("DescrizioneAttachment"), QStringLiteral("Descrizione"), TipoDatoGen::Testo,
           4200}}},
        {BloccoDatiRitenuta,
         QStringLiteral("Altre Ri&tenute"),
         QStringLiteral("Altre ritenute"),
         true,
         {{QStringLiteral("TipoRitenuta"), QStringLiteral("TipoRitenuta"), TipoDatoGen::Testo, 1300},
          {QStringLiteral("ImportoRitenuta"), QStringLiteral("ImportoRitenuta"), TipoDatoGen::Importo, 1600},
          {QStringLiteral("AliquotaRitenuta"), QStringLiteral("Aliquota"), TipoDatoGen::Importo, 1100},
          {QStringLiteral("CausalePagamento"), QStringLiteral("CausalePagamento"), TipoDatoGen::Testo,
           1700}}},
    };
    return blocchi;
}

const BloccoAltriDati* bloccoAltriDati(int codice) {
    for (const BloccoAltriDati& b : blocchiAltriDati())
        if (b.codice == codice)
            return &b;
    return nullptr;
}

QString queryBloccoAltriDati(const BloccoAltriDati& b, ChiaveFattura fattura) {
    const BloccoDatiGen* d = bloccoPerCodice(b.codice);
    QStringList colonne;
    for (const ColonnaDatoGen& c : b.colonne)
        colonne << QString(d->prefisso) + c.campo;
    return QStringLiteral("Select XmlAnno, XmlNumRif, XMLIdent, XmlRigDet, XmlNumEle") +
           QStringLiteral(", ") + colonne.join(QStringLiteral(", ")) + QStringLiteral(" from FatXmlDatiGen") +
           QStringLiteral(" Where XmlAnno = ") + SqlValore(fattura.anno, SqlIntero) +
           QStringLiteral(" And XmlNumRif = ") + SqlValore(fattura.numero, SqlLungo) +
           QStringLiteral(" And XMLIdent = ") + SqlValore(QString(d->xmlIdent), SqlTesto) +
           QStringLiteral(" And XmlRigDet = 0");
}

// ---------------------------------------------------------------------------------------------
// The grid's rows

ModelloAltriDati::ModelloAltriDati(QObject* padre)
    : QIdentityProxyModel(padre), righe_(new ModelloRighe(this)) {
    setSourceModel(righe_);
}

void ModelloAltriDati::carica(Database& db, const BloccoAltriDati& blocco, ChiaveFattura fattura) {
    const QString sql = queryBloccoAltriDati(blocco, fattura); // may throw: nothing changes then
    beginResetModel();
    modifiche_.clear();
    riga_ = -1;
    blocco_ = &blocco;
    prefisso_ = QString(bloccoPerCodice(blocco.codice)->prefisso);
    try {
        righe_->carica(sql, db);
    } catch (...) {
        endResetModel();
        throw;
    }
    righe_->impostaIntestazione(QStringLiteral("XmlNumEle"), QStringLiteral("Progr."));
    for (const ColonnaDatoGen& c : blocco.colonne) {
        righe_->impostaIntestazione(prefisso_ + c.campo, c.titolo);
        if (c.tipo == TipoDatoGen::Data)
            righe_->impostaFormato(prefisso_ + c.campo, QStringLiteral("dd/mm/yyyy"));
        else if (c.tipo == TipoDatoGen::Importo)
            righe_->impostaFormato(prefisso_ + c.campo, FormatoImporto);
    }
    endResetModel();
}

void ModelloAltriDati::modificabile(bool si) {
    modificabile_ = si;
}

void ModelloAltriDati::annullaModifiche() {
    if (modifiche_.isEmpty())
        return;
    const int r = riga_;
    modifiche_.clear();
    riga_ = -1;
    emit dataChanged(index(r, 0), index(r, columnCount() - 1));
}

int ModelloAltriDati::colonna(const QString& nome) const {
    const int c = righe_->colonna(nome);
    return c >= 0 ? c : righe_->colonna(prefisso_ + nome);
}

const ColonnaDatoGen* ModelloAltriDati::campo(int colonna) const {
    if (!blocco_)
        return nullptr;
    const QString nome = righe_->nomeColonna(colonna);
    for (const ColonnaDatoGen& c : blocco_->colonne)
        if (nome.compare(prefisso_ + c.campo, Qt::CaseInsensitive) == 0)
            return &c;
    return nullptr;
}

QString ModelloAltriDati::testo(int riga, const QString& colonna) const {
    const int c = this->colonna(colonna);
    if (c < 0)
        return {};
    if (riga == riga_ && modifiche_.contains(c))
        return modifiche_.value(c);
    return righe_->testo(riga, c);
}

Qt::ItemFlags ModelloAltriDati::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QIdentityProxyModel::flags(index);
    if (index.isValid() && modificabile_ && campo(index.column()))
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant ModelloAltriDati::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const bool cambiata = index.row() == riga_ && modifiche_.contains(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
    case Qt::ToolTipRole:
        return cambiata ? modifiche_.value(index.column()) : righe_->testo(index.row(), index.column());
    case Qt::ForegroundRole:
        // A changed cell, not yet saved.
        return cambiata ? QVariant(QColor(0, 70, 170)) : QVariant();
    case Qt::FontRole: {
        if (!cambiata)
            return {};
        QFont f;
        f.setItalic(true);
        return f;
    }
    case Qt::TextAlignmentRole: {
        const ColonnaDatoGen* c = campo(index.column());
        if (c && (c->tipo == TipoDatoGen::Importo || c->tipo == TipoDatoGen::Intero))
            return QVariant::fromValue(Qt::AlignVCenter | Qt::AlignRight);
        return QIdentityProxyModel::data(index, role);
    }
    default:
        return QIdentityProxyModel::data(index, role);
    }
}

bool ModelloAltriDati::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || !(flags(index) & Qt::ItemIsEditable))
        return false;
    // One row is changed at a time: the form saves or drops it before another is touched.
    if (riga_ >= 0 && riga_ != index.row() && !modifiche_.isEmpty())
        return false;
    const QString t = value.toString();
    if (t == righe_->testo(index.row(), index.column()))
        modifiche_.remove(index.column());
    else
        modifiche_.insert(index.column(), t);
    riga_ = modifiche_.isEmpty() ? -1 : index.row();
    emit dataChanged(index, index);
    return true;
}

// ---------------------------------------------------------------------------------------------
// The form

frmFEPassDatiGen::frmFEPassDatiGen(Contesto& contesto, ChiaveFattura fattura, int blocco, QWidget* padre)
    : QDialog(padre), contesto_(contesto), fattura_(fattura) {
    setObjectName(QStringLiteral("frmFEPassDatiGen"));
    setWindowTitle(Titolo);
    setModal(true);
    sceltaFile = [](QWidget* p, const QString& titolo, const QString& filtro) {
        return QFileDialog::getOpenFileName(p, titolo, QString(), filtro);
    };
    costruisci();
    leggiTestata();

    const std::optional<int> conRighe = segnaBlocchiPresenti();
    mostraBlocco(bloccoAltriDati(blocco) ? blocco : conRighe.value_or(blocchiAltriDati().front().codice));
    resize(1100, 620);
}

frmFEPassDatiGen::~frmFEPassDatiGen() {
    for (QObject* figlio : findChildren<QObject*>())
        disconnect(figlio, nullptr, this, nullptr);
}

void frmFEPassDatiGen::costruisci() {
    labFornitore = new QLabel(this);
    labFornitore->setObjectName(QStringLiteral("labFornitore"));
    labFornitore->setTextFormat(Qt::PlainText);
    labDocumento = new QLabel(this);
    labDocumento->setObjectName(QStringLiteral("labDocumento"));
    labDocumento->setTextFormat(Qt::PlainText);
    auto* testata = new QHBoxLayout;
    testata->addWidget(labFornitore, 1);
    testata->addWidget(labDocumento);

    auto* bottoni = new QVBoxLayout;
    bottoni->setSpacing(4);
    for (const BloccoAltriDati& b : blocchiAltriDati()) {
        auto* p = new QPushButton(b.pulsante, this);
        p->setObjectName(QStringLiteral("ComDatiGen_%1").arg(b.codice));
        p->setAutoDefault(false);
        p->setCheckable(true);
        const int codice = b.codice;
        connect(p, &QPushButton::clicked, this, [this, codice] { mostraBlocco(codice); });
        ComDatiGen[b.codice] = p;
        bottoni->addWidget(p);
    }
    bottoni->addStretch(1);

    LabTitolo = new QLabel(this);
    LabTitolo->setObjectName(QStringLiteral("LabTitolo"));
    QFont f = LabTitolo->font();
    f.setBold(true);
    f.setPointSizeF(f.pointSizeF() * 1.2);
    LabTitolo->setFont(f);
    LabNonDisp = new QLabel(QStringLiteral("Nessun dato presente in questa sezione della fattura"), this);
    LabNonDisp->setObjectName(QStringLiteral("LabNonDisp"));
    LabNonDisp->setStyleSheet(QStringLiteral("QLabel { color: #8a4b00; }"));

    tolComandi = new QToolBar(this);
    tolComandi->setObjectName(QStringLiteral("tolComandi"));
    tolComandi->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    tolComandi->setIconSize(QSize(18, 18));
    const auto azione = [this](const QString& chiave, const QString& testo, const QString& suggerimento,
                               QStyle::StandardPixmap icona, const QKeySequence& tasto) {
        auto* a = tolComandi->addAction(style()->standardIcon(icona), testo);
        a->setObjectName(chiave);
        a->setToolTip(suggerimento);
        a->setShortcut(tasto);
        a->setShortcutContext(Qt::WindowShortcut);
        connect(a, &QAction::triggered, this, [this, chiave] { ButtonComando(chiave); });
        azioni_.insert(chiave, a);
        if (QWidget* b = tolComandi->widgetForAction(a))
            b->setFocusPolicy(Qt::NoFocus);
    };
    azione(QStringLiteral("Salva"), QStringLiteral("Salva"), QStringLiteral("Salva riga altri dati"),
           QStyle::SP_DialogSaveButton, QKeySequence(Qt::ALT | Qt::Key_S));
    azione(QStringLiteral("Annulla"), QStringLiteral("Annulla"), QStringLiteral("Annulla"),
           QStyle::SP_DialogResetButton, QKeySequence(Qt::ALT | Qt::Key_A));
    azioni_.insert(QStringLiteral("Separa"), tolComandi->addSeparator());
    azione(QStringLiteral("Estrai"), QStringLiteral("Estrai allegati"),
           QStringLiteral("Estrai allegati selezionati"), QStyle::SP_DialogOpenButton,
           QKeySequence(Qt::ALT | Qt::Key_X));

    comAbilDisab = new QPushButton(QStringLiteral("A&bilita variazione"), this);
    comAbilDisab->setObjectName(QStringLiteral("comAbilDisab"));
    comAbilDisab->setAutoDefault(false);
    connect(comAbilDisab, &QPushButton::clicked, this, [this] { abilitaVariazione(!modifica_); });

    auto* griglia = new GrigliaAltri(this);
    dbgAltri = griglia;
    dbgAltri->setObjectName(QStringLiteral("dbgAltri"));
    DatRigaAltri = new ModelloAltriDati(this);
    DatRigaAltri->setObjectName(QStringLiteral("DatRigaAltri"));
    dbgAltri->setModel(DatRigaAltri);
    dbgAltri->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgAltri->setSelectionMode(QAbstractItemView::ExtendedSelection);
    dbgAltri->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgAltri->setAlternatingRowColors(true);
    dbgAltri->verticalHeader()->setVisible(false);
    dbgAltri->verticalHeader()->setDefaultSectionSize(dbgAltri->fontMetrics().height() + 8);
    dbgAltri->horizontalHeader()->setStretchLastSection(true);
    dbgAltri->horizontalHeader()->setHighlightSections(false);
    connect(dbgAltri->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& ora) { rigaCambiata(ora.row()); });
    connect(DatRigaAltri, &QAbstractItemModel::dataChanged, this, [this] { aggiornaComandi(); });

    Ok = new QPushButton(QStringLiteral("&Ok"), this);
    Ok->setObjectName(QStringLiteral("Ok"));
    Ok->setAutoDefault(false);
    connect(Ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* destra = new QVBoxLayout;
    destra->addWidget(LabTitolo);
    destra->addWidget(tolComandi);
    destra->addWidget(dbgAltri, 1);
    destra->addWidget(LabNonDisp);
    auto* centro = new QHBoxLayout;
    centro->addLayout(bottoni);
    centro->addLayout(destra, 1);
    auto* comandi = new QHBoxLayout;
    comandi->addWidget(comAbilDisab);
    comandi->addStretch(1);
    comandi->addWidget(Ok);
    auto* v = new QVBoxLayout(this);
    v->addLayout(testata);
    v->addLayout(centro, 1);
    v->addLayout(comandi);
}

std::optional<int> frmFEPassDatiGen::segnaBlocchiPresenti() {
    std::set<int> presenti;
    try {
        presenti = review::blocchiDocumento(contesto_.db, fattura_);
    } catch (const ErroreDb&) {
        return std::nullopt; // the block query reports the fault
    }
    std::optional<int> primo;
    for (const BloccoAltriDati& b : blocchiAltriDati()) {
        const bool con = presenti.contains(b.codice);
        // The blocks the invoice has stand out.
        QFont f = ComDatiGen[b.codice]->font();
        f.setBold(con);
        ComDatiGen[b.codice]->setFont(f);
        if (con && !primo)
            primo = b.codice;
    }
    return primo;
}

void frmFEPassDatiGen::leggiTestata() {
    try {
        const auto s = review::leggiStriscia(contesto_.db, fattura_);
        if (!s)
            return;
        labFornitore->setText(QStringLiteral("Fornitore: ") + s->conto +
                              (s->conto.isEmpty() ? QString() : QStringLiteral("  ")) + s->fornitore);
        labDocumento->setText(QStringLiteral("Fattura num.: ") + s->numero + QStringLiteral("  del: ") +
                              (s->data ? testoData(*s->data) : QString()));
    } catch (const ErroreDb& e) {
        labFornitore->setText(e.descrizione());
    }
}

int frmFEPassDatiGen::righe() const {
    return DatRigaAltri->rowCount();
}

bool frmFEPassDatiGen::modificato() const {
    return DatRigaAltri->modificato();
}

bool frmFEPassDatiGen::mostraBlocco(int codice) {
    const BloccoAltriDati* b = bloccoAltriDati(codice);
    if (!b || (codice != blocco_ && !confermaAbbandono())) {
        for (auto& [c, p] : ComDatiGen)
            p->setChecked(c == blocco_);
        return false;
    }
    blocco_ = codice;
    for (auto& [c, p] : ComDatiGen)
        p->setChecked(c == codice);
    LabTitolo->setText(b->titolo);
    return leggiBlocco();
}

bool frmFEPassDatiGen::leggiBlocco() {
    const BloccoAltriDati* b = bloccoAltriDati(blocco_);
    const int riga = std::max(dbgAltri->currentIndex().row(), 0);
    try {
        DatRigaAltri->carica(contesto_.db, *b, fattura_);
    } catch (const ErroreDb& e) {
        msgCom(contesto_.interazione,
               QStringLiteral("Lettura non riuscita - Errore(%1): %2").arg(e.numero()).arg(e.descrizione()));
        return false;
    }
    ModelloRighe* m = DatRigaAltri->righe();
    const double risVid = logicalDpiX() / 1440.0;
    for (int c = 0; c < m->columnCount(); ++c) {
        const QString nome = m->nomeColonna(c);
        const bool chiave = ColonneChiave.contains(nome, Qt::CaseInsensitive);
        const bool contatore =
            nome.compare(QStringLiteral("XmlNumEle"), Qt::CaseInsensitive) == 0 && b->contatore;
        dbgAltri->setColumnHidden(c, chiave && !contatore);
        if (contatore)
            dbgAltri->setColumnWidth(c, static_cast<int>(700 * risVid));
        // Never narrower than its caption, whatever the screen's resolution.
        if (const ColonnaDatoGen* d = DatRigaAltri->campo(c))
            dbgAltri->setColumnWidth(
                c, std::max(static_cast<int>(d->twip * risVid),
                            dbgAltri->horizontalHeader()->fontMetrics().horizontalAdvance(d->titolo) + 24));
    }
    const bool vuoto = DatRigaAltri->rowCount() == 0;
    LabNonDisp->setVisible(vuoto);
    if (!vuoto) {
        cambiandoRiga_ = true;
        dbgAltri->setCurrentIndex(DatRigaAltri->index(std::min(riga, DatRigaAltri->rowCount() - 1),
                                                      DatRigaAltri->colonna(ColonneChiave.last()) + 1));
        cambiandoRiga_ = false;
    }
    DatRigaAltri->modificabile(modifica_);
    aggiornaComandi();
    return true;
}

void frmFEPassDatiGen::aggiornaComandi() {
    const bool allegati = blocco_ == BloccoAllegati;
    azioni_.value(QStringLiteral("Estrai"))->setVisible(allegati);
    azioni_.value(QStringLiteral("Separa"))->setVisible(allegati);
    azioni_.value(QStringLiteral("Estrai"))->setEnabled(allegati && DatRigaAltri->rowCount() > 0);
    azioni_.value(QStringLiteral("Salva"))->setEnabled(modifica_);
    azioni_.value(QStringLiteral("Annulla"))->setEnabled(modifica_);
    comAbilDisab->setText(modifica_ ? QStringLiteral("DisA&bilita variazione")
                                    : QStringLiteral("A&bilita variazione"));
}

void frmFEPassDatiGen::soloConsultazione(const QString& motivo) {
    abilitaVariazione(false);
    soloConsultazione_ = true;
    comAbilDisab->setEnabled(false);
    comAbilDisab->setToolTip(motivo);
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + motivo);
}

bool frmFEPassDatiGen::abilitaVariazione(bool si) {
    if (si && soloConsultazione_)
        return false;
    static_cast<GrigliaAltri*>(dbgAltri)->confermaEditor();
    if (!si && !confermaAbbandono())
        return false;
    modifica_ = si;
    DatRigaAltri->modificabile(si);
    dbgAltri->setEditTriggers(si ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                       QAbstractItemView::AnyKeyPressed
                                 : QAbstractItemView::NoEditTriggers);
    aggiornaComandi();
    return true;
}

bool frmFEPassDatiGen::ButtonComando(const QString& chiave) {
    const QAction* a = azioni_.value(chiave);
    if (!a || !a->isEnabled() || !a->isVisible())
        return false;
    if (chiave == u"Salva")
        return Salva();
    if (chiave == u"Annulla")
        return Annulla();
    if (chiave == u"Estrai")
        return Estrai();
    return false;
}

bool frmFEPassDatiGen::Salva() {
    static_cast<GrigliaAltri*>(dbgAltri)->confermaEditor();
    if (!DatRigaAltri->modificato())
        return true;
    const int riga = DatRigaAltri->rigaModificata();
    ModelloRighe* m = DatRigaAltri->righe();
    const QSqlRecord tabella = contesto_.db.qt().record(QString(store::FatXmlDatiGen));
    std::vector<std::pair<QString, QVariant>> valori;
    for (auto it = DatRigaAltri->modifiche().cbegin(); it != DatRigaAltri->modifiche().cend(); ++it) {
        const ColonnaDatoGen* c = DatRigaAltri->campo(it.key());
        const QString colonna = m->nomeColonna(it.key());
        const auto valore = valoreCella(*c, it.value());
        QString errore;
        if (!valore)
            errore = QStringLiteral("Valore non valido nella colonna ") + c->titolo;
        const int massimo = tabella.field(colonna).length();
        if (valore && c->tipo == TipoDatoGen::Testo && massimo > 0 && valore->toString().size() > massimo)
            errore = QStringLiteral("Testo troppo lungo nella colonna %1: al massimo %2 caratteri")
                         .arg(c->titolo)
                         .arg(massimo);
        if (!errore.isEmpty()) {
            msgCom(contesto_.interazione, errore);
            dbgAltri->setCurrentIndex(DatRigaAltri->index(riga, it.key()));
            return false;
        }
        valori.emplace_back(colonna, *valore);
    }
    const review::RigaDatiGen chiave{fattura_, m->valore(riga, QString(store::XMLIdent)).toString(),
                                     m->valore(riga, QString(store::XmlRigDet)).toLongLong(),
                                     m->valore(riga, QString(store::XmlNumEle)).toLongLong()};
    try {
        const int n = review::aggiornaRigaDatiGen(contesto_.db, chiave, valori);
        if (n == 0) {
            msgCom(contesto_.interazione,
                   QStringLiteral("La riga non esiste più: è stata cancellata da un'altra postazione."));
            DatRigaAltri->annullaModifiche();
            leggiBlocco();
            return false;
        }
    } catch (const ErroreDb& e) {
        msgCom(
            contesto_.interazione,
            QStringLiteral("Salvataggio non riuscito - Errore(%1): %2").arg(e.numero()).arg(e.descrizione()));
        return false;
    }
    salvato_ = true;
    cambiandoRiga_ = true;
    dbgAltri->setCurrentIndex(DatRigaAltri->index(riga, dbgAltri->currentIndex().column()));
    cambiandoRiga_ = false;
    leggiBlocco();
    return true;
}

bool frmFEPassDatiGen::Annulla() {
    static_cast<GrigliaAltri*>(dbgAltri)->confermaEditor();
    DatRigaAltri->annullaModifiche();
    aggiornaComandi();
    return true;
}

bool frmFEPassDatiGen::confermaAbbandono() {
    static_cast<GrigliaAltri*>(dbgAltri)->confermaEditor();
    if (!DatRigaAltri->modificato())
        return true;
    switch (chiediSalvataggio(contesto_.interazione, DomandaRiga)) {
    case 1:
        return Salva();
    case 2:
        DatRigaAltri->annullaModifiche();
        return true;
    default:
        return false;
    }
}

void frmFEPassDatiGen::rigaCambiata(int riga) {
    if (cambiandoRiga_ || !DatRigaAltri->modificato() || riga == DatRigaAltri->rigaModificata())
        return;
    // The grid is in the middle of moving: the question comes right after, with the
    // changed row shown again.
    const int modificata = DatRigaAltri->rigaModificata();
    QTimer::singleShot(0, this, [this, riga, modificata] {
        vaiARiga(modificata);
        if (confermaAbbandono())
            vaiARiga(riga);
    });
}

void frmFEPassDatiGen::vaiARiga(int riga) {
    if (riga < 0 || riga >= DatRigaAltri->rowCount())
        return;
    cambiandoRiga_ = true;
    const int colonna = std::max(dbgAltri->currentIndex().column(), 0);
    dbgAltri->setCurrentIndex(DatRigaAltri->index(riga, colonna));
    cambiandoRiga_ = false;
}

void frmFEPassDatiGen::reject() {
    done(QDialog::Rejected);
}

void frmFEPassDatiGen::done(int r) {
    if (!confermaAbbandono())
        return;
    QDialog::done(r);
}

// ---------------------------------------------------------------------------------------------

bool apriAltriDatiFattura(Contesto& contesto, QWidget* padre, ChiaveFattura fattura, int blocco,
                          const QString& soloConsultazione) {
    frmFEPassDatiGen f(contesto, fattura, blocco, padre);
    if (!soloConsultazione.isEmpty())
        f.soloConsultazione(soloConsultazione);
    f.exec();
    return f.salvato();
}

} // namespace tesel::ui
