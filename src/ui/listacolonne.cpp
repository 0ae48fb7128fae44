// The list component's columns: the grid header laid out from the registered and personalised
// columns, and the user's changes to it read back, saved and restored.

#include "frame/database.h"
#include "ui/lista.h"

#include <QComboBox>
#include <QCursor>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QTableView>
#include <QTimer>
#include <algorithm>

namespace tesel::ui {

// Widths are twips of the suite's 8-point grid font, whose digits are 6 pixels wide at 96 dpi;
// a wider font gets proportionally wider columns, so a date still fits its column.
double LumoComlin::pixelPerTwip() const {
    const double cifre = dbgRiga->fontMetrics().horizontalAdvance(QStringLiteral("0123456789")) / 10.0;
    return logicalDpiX() / 1440.0 * std::max(1.0, cifre * 96.0 / logicalDpiX() / 6.0);
}

int LumoComlin::twipInPixel(int twip) const {
    return qRound(twip * pixelPerTwip());
}

int LumoComlin::pixelInTwip(int pixel) const {
    return qRound(pixel / pixelPerTwip());
}

std::vector<int> LumoComlin::ordineVisibile() const {
    const QHeaderView* h = dbgRiga->horizontalHeader();
    std::vector<int> v;
    for (int i = 0; i < h->count(); ++i) {
        const int l = h->logicalIndex(i);
        if (l >= 0 && l < static_cast<int>(colonne_.size()) && !h->isSectionHidden(l))
            v.push_back(l);
    }
    return v;
}

QStringList LumoComlin::campiTabella() const {
    if (!campiLetti_) {
        campiLetti_ = true;
        campi_.clear();
        static const QRegularExpression nome(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
        if (nome.match(tabella_.trimmed()).hasMatch()) {
            const QSqlRecord r = db_.qt().record(tabella_.trimmed());
            for (int i = 0; i < r.count(); ++i)
                campi_ << r.fieldName(i);
        }
    }
    return campi_;
}

void LumoComlin::ricostruisciColonne() {
    Personalizzazione p = salvata_;
    p.aggiunte = personali_;
    colonne_ = colonnePersonalizzate(standard_, p, &personale_);
    nascoste_ = salvata_.nascoste;
    intestazioneDaApplicare_ = true;
    if (!eseguita_)
        return;
    const QVariantList corrente = chiaveCorrente();
    try {
        esegui(queryCorrente());
    } catch (const ErroreDb& e) {
        modello_->svuota();
        mostraErroreDb(QStringLiteral("Lettura della lista"), e.numero(), e.descrizione());
        return;
    }
    if (!posizionaChiave(corrente) && righe() > 0)
        vai(0, -1);
}

void LumoComlin::applicaIntestazione() {
    QHeaderView* h = dbgRiga->horizontalHeader();
    if (h->count() != static_cast<int>(colonne_.size()))
        return;
    applicando_ = true;
    // The grid columns are already in the user's order: undo the moves the header remembers.
    for (int l = 0; l < h->count(); ++l)
        if (h->visualIndex(l) != l)
            h->moveSection(h->visualIndex(l), l);
    for (int l = 0; l < h->count(); ++l) {
        const ColonnaLista& c = colonne_[l];
        h->resizeSection(l, c.larghezza > 0 ? twipInPixel(c.larghezza) : h->defaultSectionSize());
        h->setSectionHidden(l, personale_[l] < 0 && nascoste_.contains(c.alias, Qt::CaseInsensitive));
    }
    h->setSortIndicatorShown(false);
    for (int l = 0; !ordine_.empty() && l < h->count(); ++l)
        if (colonne_[l].espressione == ordine_.front().espressione) {
            h->setSortIndicatorShown(true);
            h->setSortIndicator(l, ordine_.front().discendente ? Qt::DescendingOrder : Qt::AscendingOrder);
        }
    applicando_ = false;
    intestazioneDaApplicare_ = false;
}

void LumoComlin::aggiornaCerca() {
    const QString attuale = CobCerca->currentData().toString();
    CobCerca->clear();
    for (int l : ordineVisibile())
        CobCerca->addItem(colonne_[l].titolo, colonne_[l].alias);
    const int i = CobCerca->findData(attuale);
    CobCerca->setCurrentIndex(i >= 0 ? i : (CobCerca->count() > 0 ? 0 : -1));
}

Personalizzazione LumoComlin::personalizzazione() const {
    const QHeaderView* h = dbgRiga->horizontalHeader();
    // Filters and sort as they are now, unless the saved ones are still to be put back.
    const auto filtriEOrdine = [this](Personalizzazione& p) {
        if (filtriDaRipristinare_)
            return;
        p.filtri = valoriFiltri();
        p.ordinaPer.clear();
        p.ordinaDiscendente = false;
        if (!ordine_.empty())
            for (const ColonnaLista& c : colonne_)
                if (c.espressione == ordine_.front().espressione) {
                    p.ordinaPer = c.alias;
                    p.ordinaDiscendente = ordine_.front().discendente;
                    break;
                }
    };
    if (!eseguita_ || h->count() != static_cast<int>(colonne_.size())) {
        Personalizzazione p = salvata_;
        p.aggiunte = personali_;
        filtriEOrdine(p);
        return p;
    }
    Personalizzazione p;
    filtriEOrdine(p);
    for (int v = 0; v < h->count(); ++v) {
        const int l = h->logicalIndex(v);
        const ColonnaLista& c = colonne_[l];
        const bool nascosta = h->isSectionHidden(l);
        const int pixel = nascosta ? 0 : h->sectionSize(l);
        if (personale_[l] >= 0) {
            ColonnaPersonale cp = personali_[personale_[l]];
            cp.posizione = v + 1;
            if (pixel > 0)
                cp.larghezza = pixel != h->defaultSectionSize() ? pixelInTwip(pixel) : 0;
            p.aggiunte.push_back(cp);
            continue;
        }
        p.ordine << c.alias;
        if (nascosta)
            p.nascoste << c.alias;
        // Only a width the user changed is kept, so a new default of the form still applies.
        int predefinita = h->defaultSectionSize();
        for (const ColonnaLista& s : standard_)
            if (s.alias == c.alias && s.larghezza > 0)
                predefinita = twipInPixel(s.larghezza);
        if (nascosta) {
            if (c.larghezza > 0 && salvata_.larghezze.contains(c.alias))
                p.larghezze.insert(c.alias, c.larghezza);
        } else if (pixel != predefinita) {
            p.larghezze.insert(c.alias, pixelInTwip(pixel));
        }
    }
    return p;
}

void LumoComlin::catturaVista() {
    if (!eseguita_ || dbgRiga->horizontalHeader()->count() != static_cast<int>(colonne_.size()))
        return;
    const Personalizzazione p = personalizzazione();
    salvata_.ordine = p.ordine;
    salvata_.larghezze = p.larghezze;
    salvata_.nascoste = p.nascoste;
    personali_ = p.aggiunte;
}

void LumoComlin::salvaDopo() {
    if (!applicando_ && eseguita_ && contesto_ && !nomeLista_.isEmpty())
        timSalva_->start();
}

bool LumoComlin::salvaPersonalizzazione() {
    timSalva_->stop();
    if (!contesto_ || nomeLista_.isEmpty())
        return false;
    const Personalizzazione p = personalizzazione();
    try {
        if (!scriviPersonalizzazione(*contesto_, nomeLista_, testoPersonalizzazione(p)))
            return false;
    } catch (const ErroreDb& e) {
        mostraErroreDb(QStringLiteral("Salvataggio delle colonne"), e.numero(), e.descrizione());
        return false;
    }
    salvata_.ordine = p.ordine;
    salvata_.larghezze = p.larghezze;
    salvata_.nascoste = p.nascoste;
    salvata_.filtri = p.filtri;
    salvata_.ordinaPer = p.ordinaPer;
    salvata_.ordinaDiscendente = p.ordinaDiscendente;
    return true;
}

void LumoComlin::caricaPersonalizzazione() {
    if (!contesto_ || nomeLista_.isEmpty())
        return;
    QString testo;
    try {
        testo = leggiPersonalizzazione(*contesto_, nomeLista_);
    } catch (const ErroreDb& e) {
        mostraErroreDb(QStringLiteral("Lettura delle colonne"), e.numero(), e.descrizione());
    }
    salvata_ = personalizzazioneDaTesto(testo);
    filtriDaRipristinare_ = !salvata_.filtri.isEmpty() || !salvata_.ordinaPer.isEmpty();
    personali_.clear();
    for (const ColonnaPersonale& c : salvata_.aggiunte)
        if (espressionePermessa(c.espressione, tabella_, campiTabella()))
            personali_.push_back(c);
    ricostruisciColonne();
}

bool LumoComlin::aggiungiColonnaPersonale(const QString& campo, int dopo) {
    if (!espressionePermessa(campo, tabella_, campiTabella()))
        return false;
    const QHeaderView* h = dbgRiga->horizontalHeader();
    const int posizione =
        dopo >= 0 && dopo < h->count() ? h->visualIndex(dopo) + 2 : static_cast<int>(colonne_.size()) + 1;
    catturaVista();
    for (ColonnaPersonale& c : personali_)
        if (c.posizione >= posizione)
            ++c.posizione;
    personali_.push_back({campo.trimmed(), posizione, {}, 0});
    ricostruisciColonne();
    salvaPersonalizzazione();
    return true;
}

void LumoComlin::togliColonnaPersonale(int colonna) {
    if (colonna < 0 || colonna >= static_cast<int>(personale_.size()) || personale_[colonna] < 0)
        return;
    const int posizione = eseguita_ ? dbgRiga->horizontalHeader()->visualIndex(colonna) + 1
                                    : personali_[personale_[colonna]].posizione;
    catturaVista();
    std::erase_if(personali_, [posizione](const ColonnaPersonale& c) { return c.posizione == posizione; });
    for (ColonnaPersonale& c : personali_)
        if (c.posizione > posizione)
            --c.posizione;
    ricostruisciColonne();
    salvaPersonalizzazione();
}

void LumoComlin::nascondiColonna(int colonna, bool nascosta) {
    if (colonna < 0 || colonna >= static_cast<int>(colonne_.size()))
        return;
    if (personale_[colonna] >= 0) {
        // An added column is not hidden but taken away.
        if (nascosta)
            togliColonnaPersonale(colonna);
        return;
    }
    dbgRiga->horizontalHeader()->setSectionHidden(colonna, nascosta);
    nascoste_.removeAll(colonne_[colonna].alias);
    if (nascosta)
        nascoste_ << colonne_[colonna].alias;
    aggiornaCerca();
    salvaDopo();
}

void LumoComlin::colonnePredefinite() {
    timSalva_->stop();
    salvata_ = {};
    personali_.clear();
    if (contesto_ && !nomeLista_.isEmpty()) {
        try {
            scriviPersonalizzazione(*contesto_, nomeLista_, {});
        } catch (const ErroreDb& e) {
            mostraErroreDb(QStringLiteral("Salvataggio delle colonne"), e.numero(), e.descrizione());
        }
    }
    ricostruisciColonne();
}

void LumoComlin::menuIntestazione(const QPoint& p) {
    QHeaderView* h = dbgRiga->horizontalHeader();
    const int l = p.x() >= 0 ? h->logicalIndexAt(p) : -1;
    QMenu menu(this);
    if (l >= 0 && personale_[l] >= 0)
        menu.addAction(QStringLiteral("Togli colonna"), this, [this, l] { togliColonnaPersonale(l); });
    else if (l >= 0)
        menu.addAction(QStringLiteral("Nascondi colonna"), this, [this, l] { nascondiColonna(l); });
    menu.addAction(QStringLiteral("Mostra tutte le colonne"), this, [this] {
        for (int i = 0; i < static_cast<int>(colonne_.size()); ++i)
            nascondiColonna(i, false);
    });
    const QStringList campi = campiTabella();
    if (!campi.isEmpty())
        menu.addAction(QStringLiteral("Aggiungi colonna..."), this, [this, campi, l] {
            bool ok = false;
            const QString campo = QInputDialog::getItem(this, QStringLiteral("Aggiungi colonna"),
                                                        QStringLiteral("Campo:"), campi, 0, false, &ok);
            if (ok)
                aggiungiColonnaPersonale(campo, l);
        });
    menu.addAction(QStringLiteral("Colonne predefinite"), this, [this] { colonnePredefinite(); });
    menu.exec(p.x() >= 0 ? h->viewport()->mapToGlobal(p) : QCursor::pos());
}

} // namespace tesel::ui
