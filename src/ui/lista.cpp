#include "ui/lista.h"

#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "ui/msgcom.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSaveFile>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <stdexcept>

namespace tesel::ui {

namespace {

const QString MsgOrdina = QStringLiteral("Impossibile ordinare su questo campo");
const QString MsgNonTrovato = QStringLiteral("Nessuna riga trovata");

QString valoreControllo(QWidget* w) {
    if (auto* c = qobject_cast<QCheckBox*>(w)) {
        switch (c->checkState()) {
        case Qt::Checked:
            return QStringLiteral("S");
        case Qt::Unchecked:
            return QStringLiteral("N");
        case Qt::PartiallyChecked:
            return {};
        }
    }
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text().trimmed();
    if (auto* c = qobject_cast<QComboBox*>(w)) {
        const QVariant d = c->currentData();
        return d.isValid() && !d.isNull() ? d.toString().trimmed() : c->currentText().trimmed();
    }
    if (auto* d = qobject_cast<QDateTimeEdit*>(w))
        return testoData(d->date());
    return w->property("text").toString().trimmed();
}

// A saved filter value back into its control.
void scriviControllo(QWidget* w, const QString& v) {
    if (auto* c = qobject_cast<QCheckBox*>(w))
        c->setCheckState(v == u"S" ? Qt::Checked : v == u"N" ? Qt::Unchecked : Qt::PartiallyChecked);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(v);
    else if (auto* c = qobject_cast<QComboBox*>(w)) {
        const int i = c->findData(v);
        c->setCurrentIndex(i >= 0 ? i : c->findText(v));
    } else if (auto* d = qobject_cast<QDateTimeEdit*>(w)) {
        if (const auto data = dataDaTesto(v))
            d->setDate(*data);
    } else
        w->setProperty("text", v);
}

QString chiaveFiltro(const QString& nome, const QString& confronto) {
    return nome + confronto;
}

QString giorno(const QDate& d) {
    return SqlValore(d, SqlData);
}

[[noreturn]] void valoreNonValido(const QString& v) {
    throw std::invalid_argument(QStringLiteral("Valore non valido: %1").arg(v).toStdString());
}

QString campoCsv(const QString& t) {
    if (!t.contains(u';') && !t.contains(u'"') && !t.contains(u'\n') && !t.contains(u'\r'))
        return t;
    return u'"' + QString(t).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
}

} // namespace

LumoComlin::LumoComlin(Contesto& contesto, QWidget* padre)
    : QWidget(padre), db_(contesto.db), contesto_(&contesto), interazione_(&contesto.interazione),
      modello_(new ModelloLista(contesto.db, this)) {
    costruisci();
    impostaComportamento(contesto.configurazione.lisSpostaCurs(), contesto.configurazione.lisClickNoSel());
}

LumoComlin::LumoComlin(Database& db, Interazione* interazione, QWidget* padre)
    : QWidget(padre), db_(db), interazione_(interazione), modello_(new ModelloLista(db, this)) {
    costruisci();
}

LumoComlin::~LumoComlin() = default;

void LumoComlin::costruisci() {
    if (!interazione_) {
        propria_ = std::make_unique<InterazioneFinestre>(this);
        interazione_ = propria_.get();
    }
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    tolComlin = new QToolBar(this);
    tolComlin->setObjectName(QStringLiteral("tolComlin"));
    auto comando = [this](const QString& chiave, const QString& testo) {
        QAction* a = tolComlin->addAction(testo, this, [this, chiave] { ButtonComando(chiave); });
        a->setObjectName(chiave);
        return a;
    };
    comando(QStringLiteral("Seleziona"), QStringLiteral("Seleziona"));
    azVaiA_ = comando(QStringLiteral("VaiA"), QStringLiteral("Vai a"));
    azVaiA_->setEnabled(false);
    comando(QStringLiteral("Aggiorna"), QStringLiteral("Aggiorna"));
    azStampa_ = comando(QStringLiteral("Stampa"), QStringLiteral("Stampa"));
    azStampa_->setVisible(false);
    QAction* colonne = tolComlin->addAction(QStringLiteral("Colonne"));
    colonne->setObjectName(QStringLiteral("Colonne"));
    connect(colonne, &QAction::triggered, this, [this] { menuIntestazione({-1, -1}); });
    auto* spazio = new QWidget(tolComlin);
    spazio->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    tolComlin->addWidget(spazio);
    labRighe = new QLabel(tolComlin);
    tolComlin->addWidget(labRighe);
    layout->addWidget(tolComlin);

    dbgRiga = new QTableView(this);
    dbgRiga->setObjectName(QStringLiteral("dbgRiga"));
    dbgRiga->setModel(modello_);
    dbgRiga->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgRiga->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgRiga->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgRiga->setAlternatingRowColors(true);
    dbgRiga->setWordWrap(false);
    // Row heights are fixed: measuring 100,000 rows would read them all.
    dbgRiga->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    dbgRiga->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    dbgRiga->verticalHeader()->hide();
    QHeaderView* h = dbgRiga->horizontalHeader();
    h->setSectionsMovable(true);
    h->setSectionsClickable(true);
    h->setSortIndicatorShown(false);
    h->setHighlightSections(false);
    h->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(h, &QHeaderView::sectionClicked, this, [this](int c) { ordina(c); });
    connect(h, &QHeaderView::sectionMoved, this, [this] { salvaDopo(); });
    connect(h, &QHeaderView::sectionResized, this, [this] { salvaDopo(); });
    connect(h, &QHeaderView::customContextMenuRequested, this, &LumoComlin::menuIntestazione);
    connect(dbgRiga, &QTableView::doubleClicked, this, [this] {
        if (!clickNoSel_)
            seleziona();
    });
    dbgRiga->installEventFilter(this);
    // Queued: a page read fails while the grid paints, and the message must not open there.
    connect(
        modello_, &ModelloLista::erroreLettura, this,
        [this](int numero, const QString& descrizione) {
            mostraErroreDb(QStringLiteral("Lettura della lista"), numero, descrizione);
        },
        Qt::QueuedConnection);
    layout->addWidget(dbgRiga, 1);

    FraCerca = new QFrame(this);
    FraCerca->setObjectName(QStringLiteral("FraCerca"));
    auto* cerca = new QHBoxLayout(FraCerca);
    cerca->setContentsMargins(4, 2, 4, 2);
    cerca->addWidget(new QLabel(QStringLiteral("Cerca in:"), FraCerca));
    CobCerca = new QComboBox(FraCerca);
    CobCerca->setObjectName(QStringLiteral("CobCerca"));
    cerca->addWidget(CobCerca);
    txtCerca = new QLineEdit(FraCerca);
    txtCerca->setObjectName(QStringLiteral("txtCerca"));
    cerca->addWidget(txtCerca, 1);
    cerca->addWidget(new QLabel(QStringLiteral("Direzione ricerca:"), FraCerca));
    auto* gruppo = new QButtonGroup(FraCerca);
    const QStringList direzioni{QStringLiteral("Primo"), QStringLiteral("Successivo"),
                                QStringLiteral("Precedente"), QStringLiteral("Ultimo")};
    for (int i = 0; i < 4; ++i) {
        optDirez[i] = new QRadioButton(direzioni[i], FraCerca);
        gruppo->addButton(optDirez[i], i);
        cerca->addWidget(optDirez[i]);
    }
    optDirez[0]->setChecked(true);
    ComCerca = new QPushButton(QStringLiteral("&Cerca"), FraCerca);
    ComCerca->setObjectName(QStringLiteral("ComCerca"));
    cerca->addWidget(ComCerca);
    connect(ComCerca, &QPushButton::clicked, this, [this] { ButtonComando(QStringLiteral("Cerca")); });
    connect(txtCerca, &QLineEdit::returnPressed, this, [this] { ButtonComando(QStringLiteral("Cerca")); });
    // The cursor follows the text while it is typed: the first row that matches, from the top.
    connect(txtCerca, &QLineEdit::textEdited, this, [this](const QString& testo) {
        if (spostaCurs_ && !testo.trimmed().isEmpty() && CobCerca->currentIndex() >= 0)
            this->cerca(colonna(CobCerca->currentData().toString()), testo, DirezioneRicerca::Primo);
    });
    layout->addWidget(FraCerca);

    timSalva_ = new QTimer(this);
    timSalva_->setSingleShot(true);
    timSalva_->setInterval(800);
    connect(timSalva_, &QTimer::timeout, this, [this] { salvaPersonalizzazione(); });
}

// --- Set-up -----------------------------------------------------------------------------------

void LumoComlin::impostaTabella(const QString& tabella) {
    tabella_ = tabella;
    campiLetti_ = false;
}

void LumoComlin::aggiungiColonna(const ColonnaLista& c) {
    ColonnaLista n = c;
    if (n.alias.isEmpty())
        n.alias = n.espressione.mid(n.espressione.lastIndexOf(u'.') + 1).trimmed();
    if (n.titolo.isEmpty())
        n.titolo = n.alias;
    standard_.push_back(n);
    ricostruisciColonne();
}

void LumoComlin::impostaChiave(const QStringList& espressioni) {
    chiave_ = espressioni;
}

void LumoComlin::impostaOrdinePredefinito(const std::vector<OrdineLista>& ordine) {
    ordinePredefinito_ = ordine;
}

void LumoComlin::impostaCondizioneFissa(const QString& condizione) {
    condizioneFissa_ = condizione;
}

void LumoComlin::registraFiltro(const QString& campo, const QString& confronto, QWidget* controllo, int tipo,
                                const QString& nome) {
    static const QStringList validi{QStringLiteral(">="), QStringLiteral("<="), QStringLiteral("="),
                                    ConfrontoPers};
    if (!controllo || !validi.contains(confronto))
        throw std::invalid_argument(("Filtro non valido su " + campo + " " + confronto).toStdString());
    if (auto* c = qobject_cast<QCheckBox*>(controllo)) {
        c->setTristate(true);
        c->setCheckState(Qt::PartiallyChecked);
    }
    filtri_.push_back({nome.isEmpty() ? campo : nome, campo, confronto, tipo, controllo});
}

void LumoComlin::impostaNomeLista(const QString& nome) {
    nomeLista_ = nome;
    caricaPersonalizzazione();
}

void LumoComlin::impostaColonnePersonali(const std::vector<ColonnaPersonale>& colonne) {
    personali_.clear();
    for (const ColonnaPersonale& c : colonne)
        if (espressionePermessa(c.espressione, tabella_, campiTabella()))
            personali_.push_back(c);
    ricostruisciColonne();
}

void LumoComlin::mostraStampa(bool visibile) {
    azStampa_->setVisible(visibile);
}

// --- Query ------------------------------------------------------------------------------------

QString LumoComlin::condizioneFiltro() const {
    QStringList parti;
    for (const Filtro& f : filtri_) {
        if (!f.controllo)
            continue;
        const QString v = valoreControllo(f.controllo);
        if (v.isEmpty())
            continue;
        if (f.confronto == ConfrontoPers) {
            const QString c = PersListaVarie ? PersListaVarie(f.nome, v).trimmed() : QString();
            if (!c.isEmpty())
                parti << "(" + c + ")";
            continue;
        }
        if (f.tipo == SqlData) {
            const auto d = dataDaTesto(v);
            if (!d)
                valoreNonValido(v);
            // Date columns may hold a time: "to" and "=" take the whole day.
            if (f.confronto == QStringLiteral(">="))
                parti << f.campo + " >= " + giorno(*d);
            else if (f.confronto == QStringLiteral("<="))
                parti << f.campo + " < " + giorno(d->addDays(1));
            else
                parti << "(" + f.campo + " >= " + giorno(*d) + " AND " + f.campo + " < " +
                             giorno(d->addDays(1)) + ")";
            continue;
        }
        QString letterale;
        switch (f.tipo) {
        case SqlIntero:
        case SqlLungo: {
            const auto n = numeroDigitato(v);
            if (!n || n->decimillesimi() % Currency::Scala != 0)
                valoreNonValido(v);
            letterale =
                SqlValore(QVariant(static_cast<qlonglong>(n->decimillesimi() / Currency::Scala)), SqlLungo);
            break;
        }
        case SqlValuta:
        case SqlDoppio: {
            const auto n = numeroDigitato(v);
            if (!n)
                valoreNonValido(v);
            letterale = SqlValore(QVariant::fromValue(*n), SqlValuta);
            break;
        }
        default:
            letterale = SqlValore(v, SqlTesto);
        }
        parti << f.campo + " " + f.confronto + " " + letterale;
    }
    return parti.join(QStringLiteral(" AND "));
}

QString LumoComlin::condizioneCompleta(const QString& filtro) const {
    if (condizioneFissa_.trimmed().isEmpty())
        return filtro;
    if (filtro.isEmpty())
        return condizioneFissa_;
    return "(" + condizioneFissa_ + ") AND " + filtro;
}

QueryLista LumoComlin::queryCorrente() const {
    QueryLista q;
    q.tabella = tabella_;
    q.colonne = colonne_;
    q.chiave = chiave_;
    q.condizione = condizioneCompleta(condizioneApplicata_);
    q.ordine = ordine_.empty() ? ordinePredefinito_ : ordine_;
    return q;
}

QString LumoComlin::PrepSql() const {
    QueryLista q = queryCorrente();
    q.condizione = condizioneCompleta(condizioneFiltro());
    return testoSelect(q);
}

QHash<QString, QString> LumoComlin::valoriFiltri() const {
    QHash<QString, QString> v;
    for (const Filtro& f : filtri_)
        if (f.controllo)
            if (const QString t = valoreControllo(f.controllo); !t.isEmpty())
                v.insert(chiaveFiltro(f.nome, f.confronto), t);
    return v;
}

void LumoComlin::ripristinaFiltri() {
    filtriDaRipristinare_ = false;
    for (const Filtro& f : filtri_) {
        const auto it = salvata_.filtri.constFind(chiaveFiltro(f.nome, f.confronto));
        if (f.controllo && it != salvata_.filtri.constEnd())
            scriviControllo(f.controllo, it.value());
    }
    // The saved sort only on a column the list still has and can sort on: the text is user
    // data and never reaches the query itself.
    const int c = salvata_.ordinaPer.isEmpty() ? -1 : colonna(salvata_.ordinaPer);
    if (c >= 0 && colonne_[static_cast<std::size_t>(c)].ordinabile)
        ordine_ = {{colonne_[static_cast<std::size_t>(c)].espressione, salvata_.ordinaDiscendente}};
}

void LumoComlin::salvaFiltriCambiati() {
    if (!contesto_ || nomeLista_.isEmpty() || filtriDaRipristinare_)
        return;
    const Personalizzazione ora = personalizzazione();
    if (ora.filtri != salvata_.filtri || ora.ordinaPer != salvata_.ordinaPer ||
        ora.ordinaDiscendente != salvata_.ordinaDiscendente)
        salvaPersonalizzazione();
}

void LumoComlin::mostraOrdine() {
    QHeaderView* h = dbgRiga->horizontalHeader();
    for (std::size_t i = 0; i < colonne_.size() && !ordine_.empty(); ++i)
        if (colonne_[i].espressione == ordine_.front().espressione) {
            h->setSortIndicatorShown(true);
            h->setSortIndicator(static_cast<int>(i),
                                ordine_.front().discendente ? Qt::DescendingOrder : Qt::AscendingOrder);
            return;
        }
}

bool LumoComlin::aggiorna() {
    if (filtriDaRipristinare_)
        ripristinaFiltri();
    if (VerSelez && !VerSelez())
        return false;
    try {
        condizioneApplicata_ = condizioneFiltro();
    } catch (const std::invalid_argument& e) {
        mostraErrore(QString::fromStdString(e.what()));
        return false;
    }
    try {
        esegui(queryCorrente());
    } catch (const ErroreDb& e) {
        modello_->svuota();
        mostraErroreDb(QStringLiteral("Lettura della lista"), e.numero(), e.descrizione());
        return false;
    }
    mostraOrdine();
    if (righe() > 0)
        vai(0, -1);
    // The list opens next time with the filters that gave these rows.
    salvaFiltriCambiati();
    return true;
}

void LumoComlin::esegui(const QueryLista& q) {
    modello_->imposta(q);
    eseguita_ = true;
    if (intestazioneDaApplicare_)
        applicaIntestazione();
    aggiornaCerca();
    labRighe->setText(QStringLiteral("Righe: ") + formattaIntero(righe()));
    emit aggiornata(righe());
}

bool LumoComlin::ordina(int colonna) {
    if (colonna < 0 || colonna >= static_cast<int>(colonne_.size()) || !colonne_[colonna].ordinabile) {
        mostraErrore(MsgOrdina);
        return false;
    }
    const ColonnaLista& c = colonne_[colonna];
    const bool discendente =
        !ordine_.empty() && ordine_.front().espressione == c.espressione && !ordine_.front().discendente;
    const auto precedente = ordine_;
    const QVariantList corrente = chiaveCorrente();
    ordine_ = {{c.espressione, discendente}};
    try {
        esegui(queryCorrente());
    } catch (const ErroreDb&) {
        ordine_ = precedente;
        mostraErrore(MsgOrdina);
        try {
            esegui(queryCorrente());
        } catch (const ErroreDb&) {
            modello_->svuota();
        }
        return false;
    }
    QHeaderView* h = dbgRiga->horizontalHeader();
    h->setSortIndicatorShown(true);
    h->setSortIndicator(colonna, discendente ? Qt::DescendingOrder : Qt::AscendingOrder);
    // Stay on the record that was current, now at its place in the new order.
    if (!posizionaChiave(corrente) && righe() > 0)
        vai(0, -1);
    salvaFiltriCambiati();
    return true;
}

QString LumoComlin::campoOrdine() const {
    if (ordine_.empty())
        return {};
    return ordine_.front().espressione + (ordine_.front().discendente ? QStringLiteral(" DESC") : QString());
}

int LumoComlin::cerca(int colonna, const QString& testo, DirezioneRicerca d) {
    if (colonna < 0 || colonna >= static_cast<int>(colonne_.size()))
        return -1;
    const auto condizione = condizioneRicerca(colonne_[colonna], testo);
    if (!condizione) {
        mostraErrore(QStringLiteral("Valore non valido: %1").arg(testo.trimmed()));
        return -1;
    }
    int r = -1;
    try {
        r = modello_->cerca(*condizione, d, rigaCorrente());
    } catch (const ErroreDb& e) {
        mostraErroreDb(QStringLiteral("Ricerca"), e.numero(), e.descrizione());
        return -1;
    }
    if (r < 0) {
        mostraErrore(MsgNonTrovato);
        return -1;
    }
    vai(r, colonna);
    return r;
}

int LumoComlin::posiziona(const QString& condizione) {
    int r = -1;
    try {
        r = modello_->cerca(condizione, DirezioneRicerca::Primo, -1);
    } catch (const ErroreDb& e) {
        mostraErroreDb(QStringLiteral("Ricerca"), e.numero(), e.descrizione());
        return -1;
    }
    if (r >= 0)
        vai(r, -1);
    return r;
}

bool LumoComlin::posizionaChiave(const QVariantList& chiave) {
    if (chiave.isEmpty() || chiave.size() != chiave_.size())
        return false;
    QStringList parti;
    for (int i = 0; i < chiave.size(); ++i)
        parti << (chiave[i].isNull() ? chiave_[i] + " IS NULL" : chiave_[i] + " = " + SqlValore(chiave[i]));
    return posiziona(parti.join(QStringLiteral(" AND "))) >= 0;
}

void LumoComlin::vai(int riga, int colonna) {
    if (colonna < 0) {
        colonna = dbgRiga->currentIndex().isValid() ? dbgRiga->currentIndex().column() : -1;
        if (colonna < 0) {
            const auto visibili = ordineVisibile();
            colonna = visibili.empty() ? 0 : visibili.front();
        }
    }
    const QModelIndex i = modello_->index(riga, colonna);
    dbgRiga->setCurrentIndex(i);
    dbgRiga->scrollTo(i, QAbstractItemView::PositionAtCenter);
}

void LumoComlin::ButtonComando(const QString& comando) {
    if (comando == QStringLiteral("Cerca"))
        comandoCerca();
    else if (comando == QStringLiteral("Stampa"))
        comandoStampa();
    else if (comando == QStringLiteral("Seleziona"))
        seleziona();
    else if (comando == QStringLiteral("VaiA"))
        posizionaChiave(bookmark_);
    else if (comando == QStringLiteral("Aggiorna"))
        aggiorna();
}

int LumoComlin::comandoCerca() {
    if (CobCerca->currentIndex() < 0)
        return -1;
    int direzione = 0;
    for (int i = 0; i < 4; ++i)
        if (optDirez[i]->isChecked())
            direzione = i;
    const int r = cerca(colonna(CobCerca->currentData().toString()), txtCerca->text(),
                        static_cast<DirezioneRicerca>(direzione));
    // After the first or the last match the natural next step is the next or previous one.
    if (r >= 0 && direzione == 0)
        optDirez[1]->setChecked(true);
    else if (r >= 0 && direzione == 3)
        optDirez[2]->setChecked(true);
    return r;
}

void LumoComlin::seleziona() {
    const int r = rigaCorrente();
    if (r < 0)
        return;
    emit selezionato(modello_->chiave(r));
}

void LumoComlin::impostaBookmark(const QVariantList& chiave) {
    bookmark_ = chiave;
    azVaiA_->setEnabled(!chiave.isEmpty());
}

void LumoComlin::comandoStampa() {
    if (righe() == 0)
        return;
    if (stampa) {
        stampa(*this);
        return;
    }
    if (contesto_ && contesto_->stampaLista) {
        contesto_->stampaLista(*contesto_, *this, window()->windowTitle());
        return;
    }
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Esporta CSV"), QString(),
                                                      QStringLiteral("CSV (*.csv)"));
    if (!file.isEmpty())
        esportaCsv(file);
}

bool LumoComlin::esportaCsv(const QString& file) {
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) {
        mostraErrore(QStringLiteral("Impossibile scrivere il file %1").arg(file));
        return false;
    }
    const std::vector<int> visibili = ordineVisibile();
    const QueryLista& q = modello_->query();
    QStringList riga;
    for (int c : visibili)
        riga << campoCsv(colonne_[c].titolo);
    // The BOM lets spreadsheet programs read the accented letters as UTF-8.
    f.write("\xEF\xBB\xBF");
    f.write((riga.join(u';') + QStringLiteral("\r\n")).toUtf8());
    try {
        // Streamed from the database, not from the grid's pages: any number of rows.
        Recordset rs = db_.ApriRs(testoSelect(q));
        while (!rs.RsEof()) {
            riga.clear();
            for (int c : visibili)
                riga << campoCsv(testoCella(colonne_[c], rs.LeggiCampo(colonne_[c].alias)));
            f.write((riga.join(u';') + QStringLiteral("\r\n")).toUtf8());
            rs.RsMoveNext();
        }
    } catch (const ErroreDb& e) {
        f.cancelWriting();
        mostraErroreDb(QStringLiteral("Esportazione CSV"), e.numero(), e.descrizione());
        return false;
    }
    if (!f.commit()) {
        mostraErrore(QStringLiteral("Impossibile scrivere il file %1").arg(file));
        return false;
    }
    return true;
}

int LumoComlin::righe() const {
    return modello_->rowCount();
}

int LumoComlin::rigaCorrente() const {
    const QModelIndex i = dbgRiga->currentIndex();
    return i.isValid() ? i.row() : -1;
}

QVariantList LumoComlin::chiaveCorrente() const {
    const int r = rigaCorrente();
    return r < 0 ? QVariantList() : modello_->chiave(r);
}

int LumoComlin::colonna(const QString& alias) const {
    for (std::size_t i = 0; i < colonne_.size(); ++i)
        if (colonne_[i].alias.compare(alias, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

// --- Messages ---------------------------------------------------------------------------------

void LumoComlin::mostraErrore(const QString& testo) {
    msgCom(*interazione_, testo);
}

void LumoComlin::mostraErroreDb(const QString& operazione, int numero, const QString& descrizione) {
    msgCom(*interazione_, QStringLiteral("%1 - Errore(%2): %3").arg(operazione).arg(numero).arg(descrizione));
}

bool LumoComlin::eventFilter(QObject* o, QEvent* e) {
    if (o == dbgRiga && e->type() == QEvent::KeyPress) {
        const int tasto = static_cast<QKeyEvent*>(e)->key();
        if (tasto == Qt::Key_Return || tasto == Qt::Key_Enter) {
            seleziona();
            return true;
        }
    }
    return QWidget::eventFilter(o, e);
}

} // namespace tesel::ui
