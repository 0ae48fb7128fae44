#include "ui/paginarighe.h"

#include "frame/contesto.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "ui/insiemecampi.h"

#include <QAction>
#include <QApplication>
#include <QColor>
#include <QHeaderView>
#include <QRegularExpression>
#include <QSqlField>
#include <QSqlRecord>
#include <QStyle>
#include <QTableView>

namespace tesel::ui {

namespace {

bool intero(int id) {
    return id == QMetaType::Int || id == QMetaType::LongLong || id == QMetaType::UInt ||
           id == QMetaType::ULongLong || id == QMetaType::Short || id == QMetaType::UShort;
}

bool decimale(int id) {
    return id == QMetaType::Double || id == QMetaType::Float;
}

// A date written the way the database keeps it, as SQLite answers it (text).
bool sembraData(const QString& s) {
    static const QRegularExpression re(QStringLiteral("^\\d{4}-\\d{2}-\\d{2}( \\d{2}:\\d{2}:\\d{2})?$"));
    return re.match(s).hasMatch();
}

QString testoData(const QVariant& v, bool conOra) {
    const auto d = dataOraDaVariant(v);
    if (!d)
        return v.toString();
    if (conOra && d->time() != QTime(0, 0))
        return testoDataOra(*d);
    return tesel::testoData(d->date());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The grid's model

void ModelloRighe::carica(const QString& sql, Database& db) {
    Recordset rs = db.ApriRs(sql);
    beginResetModel();
    avvisi_.clear();
    nomi_ = rs.campi();
    tipi_ = QList<int>(nomi_.size(), QMetaType::UnknownType);
    righe_.clear();
    while (!rs.RsEof()) {
        QVariantList riga;
        riga.reserve(nomi_.size());
        for (int i = 0; i < nomi_.size(); ++i) {
            const QVariant v = rs.LeggiCampo(nomi_[i]);
            // The column's kind is that of its first value (SQLite types values, not columns).
            if (tipi_[i] == QMetaType::UnknownType && !v.isNull())
                tipi_[i] = v.metaType().id();
            riga << v;
        }
        righe_ << riga;
        rs.RsMoveNext();
    }
    endResetModel();
}

int ModelloRighe::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(righe_.size());
}

int ModelloRighe::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(nomi_.size());
}

int ModelloRighe::colonna(const QString& nome) const {
    for (int i = 0; i < nomi_.size(); ++i)
        if (nomi_[i].compare(nome, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant ModelloRighe::valore(int riga, int colonna) const {
    if (riga < 0 || riga >= righe_.size() || colonna < 0 || colonna >= nomi_.size())
        return {};
    return righe_[riga][colonna];
}

QString ModelloRighe::testo(int riga, int colonna) const {
    const QVariant v = valore(riga, colonna);
    if (v.isNull() || !v.isValid())
        return {};
    const QString formato = formati_.value(nomi_[colonna].toLower());
    int id = v.metaType().id();
    if (!formato.isEmpty()) {
        if (formato.contains(QStringLiteral("dd"), Qt::CaseInsensitive))
            return testoData(v, formato.contains(QStringLiteral("hh"), Qt::CaseInsensitive));
        if (intero(id) && !formato.contains(u'.'))
            return formattaIntero(v.toLongLong(), formato);
        if (const auto c = Currency::daVariant(v))
            return formatta(*c, formato);
        return v.toString();
    }
    if (id == QMetaType::QDate || id == QMetaType::QDateTime)
        return testoData(v, true);
    if (intero(id))
        return QString::number(v.toLongLong());
    if (decimale(id)) {
        const auto c = Currency::daVariant(v);
        return c ? formatta(*c, u"#,##0.^^") : v.toString();
    }
    const QString s = v.toString();
    return sembraData(s) ? testoData(v, true) : s;
}

QVariant ModelloRighe::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const auto avviso = avvisi_.constFind(index.row());
    if (avviso != avvisi_.constEnd()) {
        if (role == Qt::BackgroundRole)
            return QColor(0xff, 0xd6, 0xd6);
        if (role == Qt::ForegroundRole)
            return QColor(0xa0, 0x00, 0x00);
        if (role == Qt::ToolTipRole)
            return *avviso;
        if (role == Qt::DecorationRole && index.column() == colonnaSegno_)
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return testo(index.row(), index.column());
    if (role == Qt::TextAlignmentRole) {
        const int id = tipi_.value(index.column());
        const bool numero =
            intero(id) || decimale(id) || formati_.value(nomi_[index.column()].toLower()).contains(u'#');
        return QVariant::fromValue(Qt::AlignVCenter | (numero ? Qt::AlignRight : Qt::AlignLeft));
    }
    return {};
}

void ModelloRighe::segnaRighe(QHash<int, QString> avvisi, const QString& colonnaSegno) {
    avvisi_ = std::move(avvisi);
    colonnaSegno_ = colonna(colonnaSegno);
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::BackgroundRole, Qt::ForegroundRole, Qt::ToolTipRole, Qt::DecorationRole});
}

QVariant ModelloRighe::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const QString nome = nomi_.value(section);
    return intestazioni_.value(nome.toLower(), nome);
}

void ModelloRighe::impostaIntestazione(const QString& colonna, const QString& testo) {
    intestazioni_.insert(colonna.toLower(), testo);
    const int c = this->colonna(colonna);
    if (c >= 0)
        emit headerDataChanged(Qt::Horizontal, c, c);
}

void ModelloRighe::impostaFormato(const QString& colonna, const QString& formato) {
    formati_.insert(colonna.toLower(), formato);
    const int c = this->colonna(colonna);
    if (c >= 0 && !righe_.isEmpty())
        emit dataChanged(index(0, c), index(static_cast<int>(righe_.size()) - 1, c));
}

// ---------------------------------------------------------------------------------------------
// Construction

PaginaRighe::PaginaRighe(Database& db, Interazione& interazione, const QString& tabella, QWidget* form)
    : ComponenteCampi(db, interazione, tabella, form,
                      QStringLiteral("La riga è stata modificata.\nSalvare le modifiche?"),
                      QStringLiteral("Esiste già una riga con questa chiave")),
      griglia_(new QTableView(form)), modello_(new ModelloRighe(this)) {
    costruisci();
}

PaginaRighe::PaginaRighe(Contesto& contesto, const QString& tabella, QWidget* form)
    : PaginaRighe(contesto.db, contesto.interazione, tabella, form) {
    RitornaMenu = contesto.ritornaAlMenu;
}

PaginaRighe::~PaginaRighe() = default;

void PaginaRighe::costruisci() {
    colonneChiave_ = db_.chiavePrimaria(tabella_);
    campi_->rigaCorrente = [this] {
        const int r = rigaCorrente();
        return r >= 0 ? QStringLiteral(" alla riga %1").arg(r + 1) : QString();
    };
    griglia_->setObjectName(QStringLiteral("dbgRiga"));
    griglia_->setModel(modello_);
    griglia_->setSelectionBehavior(QAbstractItemView::SelectRows);
    griglia_->setSelectionMode(QAbstractItemView::SingleSelection);
    griglia_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    griglia_->setAlternatingRowColors(true);
    griglia_->verticalHeader()->setVisible(false);
    griglia_->verticalHeader()->setDefaultSectionSize(griglia_->fontMetrics().height() + 6);
    griglia_->horizontalHeader()->setStretchLastSection(true);
    griglia_->horizontalHeader()->setHighlightSections(false);
    connect(griglia_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &PaginaRighe::rigaCambiata);

    const QList<DefComando> comandi{
        {QStringLiteral("Nuovo"), QStringLiteral("Nuovo"), QStringLiteral("(N) Nuovo"),
         QKeySequence(Qt::ALT | Qt::Key_N), QStyle::SP_FileIcon},
        {QStringLiteral("Inserisci"), QStringLiteral("Inserisci"), QStringLiteral("(F10) Inserisci riga"),
         QKeySequence(Qt::Key_F10), QStyle::SP_FileDialogNewFolder},
        comandoComune(QStringLiteral("Salva")),
        comandoComune(QStringLiteral("Cancella")),
        comandoComune(QStringLiteral("Annulla")),
        comandoComune(QStringLiteral("Duplica")),
        {QStringLiteral("VarKey"), QStringLiteral("Varia chiave"), QStringLiteral("(R) Varia campi chiave"),
         QKeySequence(Qt::ALT | Qt::Key_R), QStyle::SP_FileDialogDetailedView},
        {QStringLiteral("Punta"), QStringLiteral("Puntatore"), QStringLiteral("(P) Puntatore"),
         QKeySequence(Qt::ALT | Qt::Key_P), QStyle::SP_ArrowRight},
        {QStringLiteral("VaiA"), QStringLiteral("Vai a"), QStringLiteral("(V) Vai a"),
         QKeySequence(Qt::ALT | Qt::Key_V), QStyle::SP_FileDialogToParent},
        comandoComune(QStringLiteral("Inizio")),
        {QStringLiteral("Posiz"),
         QStringLiteral("0 di 0"),
         QStringLiteral("Posizione nella griglia"),
         {},
         QStyle::SP_CustomBase},
        comandoComune(QStringLiteral("Fine")),
        {QStringLiteral("Aggiorna"), QStringLiteral("Aggiorna"), QStringLiteral("(G) Aggiorna"),
         QKeySequence(Qt::ALT | Qt::Key_G), QStyle::SP_BrowserReload},
        {QStringLiteral("Trova"), QStringLiteral("Trova"), QStringLiteral("(T) Trova"),
         QKeySequence(Qt::ALT | Qt::Key_T), QStyle::SP_FileDialogContentsView},
        comandoComune(QStringLiteral("Chiudi")),
        comandoComune(QStringLiteral("Menu")),
    };
    aggiungiComandi(QStringLiteral("tolLinPag"), comandi);
    barra_->mostra(QStringLiteral("Inserisci"), false);
    connect(campi_, &InsiemeCampi::modificatoCambiato, this, [this](bool si) {
        if (si && modo_ == Modo::Consultazione)
            cambiaModo(Modo::Modifica);
        else if (!si && modo_ == Modo::Modifica)
            cambiaModo(Modo::Consultazione);
        emit modificatoCambiato(si);
    });
    connect(campi_, &InsiemeCampi::invio, this, &PaginaRighe::campoSeguente);
    applicaModo();
}

CampoScheda& PaginaRighe::RegistraCampo(QWidget* w, const QString& colonna, const QString& formato) {
    CampoScheda& c = campi_->registra(w, colonna, QStringLiteral("="), formato);
    if (!c.composto() && colonneChiave_.contains(c.colonne().value(0), Qt::CaseInsensitive))
        c.chiave = true;
    if (!formato.isEmpty() && !c.composto())
        modello_->impostaFormato(c.colonne().value(0), formato);
    applicaModo();
    return c;
}

void PaginaRighe::impostaValoreFisso(const QString& colonna, const QVariant& valore) {
    fissi_.insert(colonna, valore);
}

void PaginaRighe::impostaChiave(const QStringList& colonne) {
    colonneChiave_ = colonne;
}

QString PaginaRighe::colonnaNumero() const {
    if (!colonnaNumero_.isEmpty())
        return colonnaNumero_;
    for (auto it = colonneChiave_.crbegin(); it != colonneChiave_.crend(); ++it) {
        bool fisso = false;
        for (auto f = fissi_.constBegin(); f != fissi_.constEnd(); ++f)
            fisso = fisso || f.key().compare(*it, Qt::CaseInsensitive) == 0;
        if (!fisso)
            return *it;
    }
    return {};
}

// ---------------------------------------------------------------------------------------------
// Grid columns

void PaginaRighe::intestazione(const QString& colonna, const QString& testo) {
    modello_->impostaIntestazione(colonna, testo);
}

void PaginaRighe::larghezza(const QString& colonna, int twip) {
    larghezze_.insert(colonna.toLower(), twip);
    applicaColonne();
}

void PaginaRighe::nascondiColonna(const QString& colonna, bool nascosta) {
    nascoste_.insert(colonna.toLower(), nascosta);
    applicaColonne();
}

void PaginaRighe::formatoColonna(const QString& colonna, const QString& formato) {
    modello_->impostaFormato(colonna, formato);
}

void PaginaRighe::applicaColonne() {
    for (int c = 0; c < modello_->columnCount(); ++c) {
        const QString nome = modello_->nomeColonna(c).toLower();
        griglia_->setColumnHidden(c, nascoste_.value(nome, false));
        if (const auto it = larghezze_.constFind(nome); it != larghezze_.constEnd())
            griglia_->setColumnWidth(c, static_cast<int>(*it * RisVid() + 0.5));
    }
}

QVariant PaginaRighe::ovField(int colonna, const QString& proprieta) const {
    const QString nome = modello_->nomeColonna(colonna);
    if (nome.isEmpty())
        return {};
    const QSqlRecord tabella = db_.qt().record(tabella_);
    const int i = tabella.indexOf(nome);
    const QString p = proprieta.toLower();
    if (p == u"name" || p == u"sourcefield")
        return nome;
    if (p == u"sourcetable")
        return i >= 0 ? tabella_ : QString();
    if (p == u"type")
        return QString::fromLatin1(i >= 0 ? tabella.field(i).metaType().name() : "");
    if (p == u"dataupdatable")
        return i >= 0 && !colonneChiave_.contains(nome, Qt::CaseInsensitive);
    if (p == u"size" || p == u"fieldsize")
        return i >= 0 ? tabella.field(i).length() : 0;
    return {};
}

// ---------------------------------------------------------------------------------------------
// Reading the grid and showing a row

int PaginaRighe::rigaCorrente() const {
    const QModelIndex i = griglia_->currentIndex();
    return i.isValid() ? i.row() : -1;
}

int PaginaRighe::numeroRighe() const {
    return modello_->rowCount();
}

QVariantList PaginaRighe::chiaveRiga(int riga) const {
    QVariantList out;
    if (riga < 0 || riga >= modello_->rowCount())
        return out;
    for (const QString& c : colonneChiave_)
        out << modello_->valore(riga, c);
    return out;
}

int PaginaRighe::rigaDellaChiave(const QVariantList& chiave) const {
    for (int r = 0; r < modello_->rowCount(); ++r)
        if (!chiave.isEmpty() && stessaChiave(chiaveRiga(r), chiave))
            return r;
    return -1;
}

QString PaginaRighe::condizioneFissi() const {
    QStringList parti;
    for (auto it = fissi_.constBegin(); it != fissi_.constEnd(); ++it)
        parti << it.key() + QStringLiteral(" = ") + SqlValore(it.value());
    return parti.isEmpty() ? QStringLiteral("1=1") : parti.join(QStringLiteral(" AND "));
}

void PaginaRighe::selezionaSenzaDomande(int riga) {
    cambiandoRiga_ = true;
    if (riga >= 0 && riga < modello_->rowCount()) {
        int colonna = 0;
        while (colonna < modello_->columnCount() - 1 && griglia_->isColumnHidden(colonna))
            ++colonna;
        griglia_->setCurrentIndex(modello_->index(riga, colonna));
        griglia_->scrollTo(modello_->index(riga, colonna));
    } else {
        griglia_->setCurrentIndex({});
    }
    cambiandoRiga_ = false;
}

bool PaginaRighe::rileggi(const QVariantList& posizione, int rigaRiserva) {
    if (!PrepSql)
        return false;
    try {
        modello_->carica(PrepSql(), db_);
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Lettura delle righe non riuscita"), e);
        return false;
    }
    applicaColonne();
    if (PersColonne)
        PersColonne();
    int riga = rigaDellaChiave(posizione);
    if (riga < 0)
        riga = std::min(rigaRiserva, modello_->rowCount() - 1);
    if (riga < 0 && modello_->rowCount() > 0)
        riga = 0;
    selezionaSenzaDomande(riga);
    mostraRiga(riga);
    return true;
}

bool PaginaRighe::Aggiorna() {
    if (!confermaAbbandono() || !pri(PassoAggiorna))
        return false;
    const bool ok = rileggi(chiave_, rigaCorrente());
    dop(PassoAggiorna);
    return ok;
}

bool PaginaRighe::mostraRiga(int riga) {
    if (!pri(PassoMostra))
        return false;
    inserisci_ = false;
    if (riga < 0) {
        chiave_.clear();
        campi_->pulisci(false);
        cambiaModo(Modo::Consultazione);
        aggiornaPosizione();
        dop(PassoMostra);
        return true;
    }
    const QVariantList chiave = chiaveRiga(riga);
    try {
        Recordset rs = db_.ApriRs(selectChiave(chiave));
        if (rs.RsEof()) {
            MostraMessaggio(
                QStringLiteral("La riga non esiste più: è stata cancellata da un'altra postazione"));
            chiave_.clear();
            campi_->pulisci(false);
        } else {
            campi_->mostra(rs);
            chiave_ = chiave;
        }
    } catch (const std::exception& e) {
        mostraErrore(QStringLiteral("Lettura della riga non riuscita"), e);
        return false;
    }
    cambiaModo(Modo::Consultazione);
    aggiornaPosizione();
    dop(PassoMostra);
    return true;
}

void PaginaRighe::rigaCambiata(const QModelIndex& attuale, const QModelIndex& precedente) {
    if (cambiandoRiga_)
        return;
    const QVariantList destinazione = chiaveRiga(attuale.row());
    const int rigaPrima = precedente.isValid() ? precedente.row() : -1;
    const QVariantList chiavePrima = chiave_;
    if (modificato() || modo_ == Modo::Nuovo) {
        // Back on the row being changed while the user answers, so what is asked about is in view.
        selezionaSenzaDomande(rigaPrima);
        if (!confermaAbbandono())
            return;
    }
    int riga = rigaDellaChiave(destinazione);
    if (riga < 0)
        riga = attuale.row() < modello_->rowCount() ? attuale.row() : rigaPrima;
    selezionaSenzaDomande(riga);
    if (!mostraRiga(riga)) {
        selezionaSenzaDomande(rigaDellaChiave(chiavePrima));
    }
}

bool PaginaRighe::posizionaRiga(int riga) {
    if (riga < 0 || riga >= modello_->rowCount()) {
        MostraMessaggio(QStringLiteral("Riga inesistente"));
        return false;
    }
    if (riga == rigaCorrente() && modo_ != Modo::Nuovo)
        return true;
    const QVariantList destinazione = chiaveRiga(riga);
    if (!confermaAbbandono())
        return false;
    const int r = rigaDellaChiave(destinazione);
    selezionaSenzaDomande(r);
    return mostraRiga(r);
}

bool PaginaRighe::posiziona(const QVariantList& chiave) {
    const int r = rigaDellaChiave(chiave);
    if (r < 0) {
        MostraMessaggio(QStringLiteral("Riga inesistente"));
        return false;
    }
    return posizionaRiga(r);
}

void PaginaRighe::aggiornaPosizione() {
    if (QAction* a = barra_->azione(QStringLiteral("Posiz")))
        a->setText(QStringLiteral("%1 di %2").arg(rigaCorrente() + 1).arg(numeroRighe()));
}

// ---------------------------------------------------------------------------------------------
// Modes

bool PaginaRighe::pri(int passo) {
    return chiamaPri(PersLPaPri, passo);
}

void PaginaRighe::dop(int passo) {
    chiamaDop(PersLPaDop, passo);
}

bool PaginaRighe::modificato() const {
    return modo_ != Modo::Consultazione && campi_->modificato();
}

void PaginaRighe::cambiaModo(Modo m) {
    modo_ = m;
    applicaModo();
    emit modoCambiato();
}

void PaginaRighe::setOiAbilRW(bool si) {
    abilRW_ = si;
    applicaModo();
}

void PaginaRighe::mostraComando(const QString& chiave, bool si) {
    barra_->mostra(chiave, si);
}

void PaginaRighe::applicaModo() {
    const bool riga = !chiave_.isEmpty();
    const Modo m = modo_;
    campi_->abilita([&](const CampoScheda& c) {
        switch (m) {
        case Modo::Nuovo:
            return true;
        case Modo::VariaChiave:
            return c.chiave;
        default:
            return riga && !c.chiave;
        }
    });
    campi_->solaLettura(!abilRW_);
    const bool scrive = abilRW_;
    barra_->abilita(QStringLiteral("Nuovo"), scrive && m != Modo::VariaChiave);
    barra_->abilita(QStringLiteral("Inserisci"), scrive && m != Modo::VariaChiave);
    barra_->abilita(QStringLiteral("Duplica"), scrive && riga && m == Modo::Consultazione);
    barra_->abilita(QStringLiteral("Salva"), scrive && (m != Modo::Consultazione || riga));
    barra_->abilita(QStringLiteral("Cancella"), scrive && (riga || m == Modo::Nuovo));
    barra_->abilita(QStringLiteral("VarKey"),
                    scrive && riga && m == Modo::Consultazione && !campi_->chiavi().isEmpty());
    barra_->abilita(QStringLiteral("Menu"), static_cast<bool>(RitornaMenu));
    QString testo;
    switch (m) {
    case Modo::Consultazione:
        testo = abilRW_ ? QStringLiteral("Consultazione") : QStringLiteral("Sola lettura");
        break;
    case Modo::Modifica:
        testo = QStringLiteral("Modifica");
        break;
    case Modo::Nuovo:
        testo = inserisci_ ? QStringLiteral("Inserimento riga") : QStringLiteral("Nuova riga");
        break;
    case Modo::VariaChiave:
        testo = QStringLiteral("Variazione chiave");
        break;
    }
    stato_barra_->impostaPannello(QStringLiteral("Stato"), testo);
}

bool PaginaRighe::confermaAbbandono() {
    if (modo_ == Modo::Nuovo && !campi_->modificato()) {
        // A new row nobody typed in is just dropped.
        const bool ins = inserisci_;
        cambiaModo(Modo::Consultazione);
        if (AnnullaIns)
            AnnullaIns(ins);
        return true;
    }
    return ComponenteCampi::confermaAbbandono();
}

void PaginaRighe::abbandona() {
    if (modo_ == Modo::Nuovo && AnnullaIns)
        AnnullaIns(inserisci_);
    modo_ = Modo::Consultazione;
}

// ---------------------------------------------------------------------------------------------
// Commands

bool PaginaRighe::ButtonComando(const QString& chiave) {
    static const QStringList lasciano{QStringLiteral("Annulla"), QStringLiteral("Chiudi")};
    if (const auto fatto = comandoDelForm(chiave, lasciano))
        return *fatto;
    using Comando = bool (PaginaRighe::*)();
    static const QList<std::pair<QString, Comando>> tabella{
        {QStringLiteral("nuovo"), &PaginaRighe::Nuovo},
        {QStringLiteral("inserisci"), &PaginaRighe::Inserisci},
        {QStringLiteral("duplica"), &PaginaRighe::Duplica},
        {QStringLiteral("salva"), &PaginaRighe::Salva},
        {QStringLiteral("cancella"), &PaginaRighe::Cancella},
        {QStringLiteral("annulla"), &PaginaRighe::Annulla},
        {QStringLiteral("varkey"), &PaginaRighe::VarKey},
        {QStringLiteral("punta"), &PaginaRighe::Punta},
        {QStringLiteral("vaia"), &PaginaRighe::VaiA},
        {QStringLiteral("posiz"), &PaginaRighe::VaiA},
        {QStringLiteral("inizio"), &PaginaRighe::Inizio},
        {QStringLiteral("precedente"), &PaginaRighe::Precedente},
        {QStringLiteral("successivo"), &PaginaRighe::Successivo},
        {QStringLiteral("fine"), &PaginaRighe::Fine},
        {QStringLiteral("aggiorna"), &PaginaRighe::Aggiorna},
        {QStringLiteral("trova"), &PaginaRighe::Trova},
        {QStringLiteral("chiudi"), &PaginaRighe::Chiudi},
        {QStringLiteral("menu"), &PaginaRighe::Menu},
    };
    return eseguiComando(this, chiave, tabella, false);
}

bool PaginaRighe::Punta() {
    if (griglia_->hasFocus()) {
        focusPrimo();
    } else {
        griglia_->setFocus(Qt::OtherFocusReason);
    }
    return true;
}

bool PaginaRighe::VaiA() {
    const auto testo = interazione_.chiediTesto(QStringLiteral("Vai a"), QStringLiteral("Numero della riga:"),
                                                QString::number(rigaCorrente() + 1));
    if (!testo)
        return false;
    bool ok = false;
    const int n = testo->trimmed().toInt(&ok);
    if (!ok) {
        MostraMessaggio(QStringLiteral("Valore non valido"));
        return false;
    }
    return posizionaRiga(n - 1);
}

bool PaginaRighe::Inizio() {
    if (numeroRighe() == 0) {
        MostraMessaggio(QStringLiteral("Nessuna riga"));
        return false;
    }
    return posizionaRiga(0);
}

bool PaginaRighe::Fine() {
    if (numeroRighe() == 0) {
        MostraMessaggio(QStringLiteral("Nessuna riga"));
        return false;
    }
    return posizionaRiga(numeroRighe() - 1);
}

bool PaginaRighe::Precedente() {
    if (rigaCorrente() <= 0) {
        MostraMessaggio(QStringLiteral("Inizio archivio"));
        return false;
    }
    return posizionaRiga(rigaCorrente() - 1);
}

bool PaginaRighe::Successivo() {
    if (rigaCorrente() + 1 >= numeroRighe()) {
        MostraMessaggio(QStringLiteral("Fine archivio"));
        return false;
    }
    return posizionaRiga(rigaCorrente() + 1);
}

bool PaginaRighe::Trova() {
    const auto testo =
        interazione_.chiediTesto(QStringLiteral("Trova"), QStringLiteral("Testo da cercare:"), ultimoTrova_);
    if (!testo || testo->trimmed().isEmpty())
        return false;
    ultimoTrova_ = testo->trimmed();
    const int n = numeroRighe();
    for (int passo = 1; passo <= n; ++passo) {
        const int r = (rigaCorrente() + passo + n) % n;
        for (int c = 0; c < modello_->columnCount(); ++c)
            if (!griglia_->isColumnHidden(c) &&
                modello_->testo(r, c).contains(ultimoTrova_, Qt::CaseInsensitive))
                return posizionaRiga(r);
    }
    MostraMessaggio(QStringLiteral("Testo non trovato"));
    return false;
}

} // namespace tesel::ui
