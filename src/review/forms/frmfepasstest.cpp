#include "review/forms/frmfepasstest.h"

#include "frame/blocchi.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "posting/contabilizzazione.h"
#include "posting/decontabilizzazione.h"
#include "posting/verifica.h"
#include "review/forms/frmfepassdatigen.h"
#include "review/revisione.h"
#include "store/store.h"
#include "ui/barrecomandi.h"
#include "ui/insiemecampi.h"
#include "ui/msgcom.h"
#include "ui/paginarighe.h"
#include "ui/recordform.h"
#include "ui/validatori.h"

#include <QAction>
#include <QApplication>
#include <QFocusEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <algorithm>

namespace tesel::ui {

namespace {

const QString Titolo = QStringLiteral("Gestione archivio trasferimento fatture elettroniche passive");
// What the import writes between the Causale elements of a document.
const QString SepCausale = QStringLiteral("§çé^?");
const QString TitoloRitenute = QStringLiteral("Dati Ritenuta");

// "#,##0" with a number of decimals from the company parameters.
QString formatoDecimali(ParametriAzienda& p, const QString& parametro) {
    bool ok = false;
    const int n = p.leggi(parametro, QStringLiteral("2")).trimmed().toInt(&ok);
    const int decimali = ok ? std::clamp(n, 0, 4) : 2;
    return decimali == 0 ? QStringLiteral("#,##0") : QStringLiteral("#,##0.") + QString(decimali, u'0');
}

bool flagSi(const QString& testo) {
    return testo.trimmed().compare(QStringLiteral("S"), Qt::CaseInsensitive) == 0;
}

} // namespace

std::pair<QString, QString> dividiDataOra(const QString& testo) {
    const QString t = testo.trimmed();
    const qsizetype spazio = t.indexOf(u' ');
    if (spazio < 0)
        return {t, {}};
    return {t.left(spazio), t.mid(spazio + 1).trimmed()};
}

QString unisciDataOra(const QString& data, const QString& ora) {
    // Each part in its normal form first, read as the field checks read them ("13032024",
    // "8.30"), so the length tells a date from a date and time.
    const auto giorno = convertiData(data, 0, {});
    const auto tempo = convertiOra(ora, OpzSecondi);
    const QString d = giorno.valore ? giorno.testo : data.trimmed();
    const QString o = tempo.valore ? tempo.testo : ora.trimmed();
    const QString t = (d + u' ' + o).trimmed();
    if (t.size() > 10 && giorno.valore && tempo.valore)
        return testoDataOra(QDateTime(*giorno.valore, *tempo.valore, Qt::UTC));
    return t; // a date alone, or what the save will refuse and report
}

// ---------------------------------------------------------------------------------------------

frmFEPassTest::frmFEPassTest(Contesto& contesto, QWidget* padre)
    : FormTesel(QStringLiteral("frmFEPassTest"), contesto, padre) {
    setWindowTitle(Titolo);
    scheda_ = new SchedaRecord(contesto, QString(store::FatXmlTest), this);
    // The delete step asks its own questions.
    scheda_->chiediConfermaCancella = false;
    costruisci();
    scheda_->campo(txtCausaleDoc)
        ->converti([](const QString& s) { return QString(s).replace(SepCausale, QStringLiteral("\n")); },
                   [](const QString& s) {
                       QString t = s;
                       t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                       return t.replace(u'\n', SepCausale);
                   });
    aggiungiComandi();

    // The sub-forms of an invoice this form may not change show it read-only.
    aperture.dettaglio = [this](Contesto& c, QWidget* p, ChiaveFattura k, qint64 r) {
        return apriDettaglioFattura(c, p, k, r, motivoSolaLettura());
    };
    aperture.pagamenti = [this](Contesto& c, QWidget* p, ChiaveFattura k, qint64 r) {
        return apriPagamentiFattura(c, p, k, r, motivoSolaLettura());
    };
    aperture.iva = [this](Contesto& c, QWidget* p, ChiaveFattura k) {
        return apriRiepilogoIvaFattura(c, p, k, motivoSolaLettura());
    };
    aperture.altriDati = [this](Contesto& c, QWidget* p, ChiaveFattura k, int blocco) {
        return apriAltriDatiFattura(c, p, k, blocco, motivoSolaLettura());
    };
    aperture.lista = scegliFatturaPassiva;

    scheda_->PersPagPri = [this](int passo, bool& annulla) { persPagPri(passo, annulla); };
    scheda_->PersPagDop = [this](int passo) { persPagDop(passo); };
    scheda_->ComandoForm = [this](const QString& chiave) { return comandoForm(chiave); };
    scheda_->ControlloCampo = [this](QWidget* w) { return controlloCampo(w); };
    scheda_->ApriLista = [this]() -> std::optional<SceltaLista> {
        if (!aperture.lista)
            return std::nullopt;
        // The invoice shown is where the list's "Vai a" goes.
        std::optional<ChiaveFattura> corrente;
        if (scheda_->recordPresente())
            corrente = fattura();
        return aperture.lista(contesto_, this, corrente);
    };
    connect(scheda_, &SchedaRecord::statoCambiato, this, [this] {
        abilitaParti();
        abilitaComandi(scheda_->stato() == SchedaRecord::Stato::Modifica);
        aggiornaAccesso();
    });

    // The vector is complete: costruisci() added every date-time field.
    for (std::size_t i = 0; i < dateOra_.size(); ++i) {
        connect(dateOra_[i].nascosto, &QLineEdit::textChanged, this,
                [this, i] { partiDaNascosto(dateOra_[i]); });
        for (QLineEdit* p : {dateOra_[i].data, dateOra_[i].ora})
            connect(p, &QLineEdit::textEdited, this, [this, i] { nascostoDaParti(dateOra_[i], false); });
    }

    connect(dbgDett, &QTableView::doubleClicked, this,
            [this] { rigaDoppioClick(dbgDett, QStringLiteral("Dettaglio")); });
    connect(dbgPagam, &QTableView::doubleClicked, this,
            [this] { rigaDoppioClick(dbgPagam, QStringLiteral("DettPagam")); });
    connect(ComAltreRit, &QPushButton::clicked, this,
            [this] { scheda_->ButtonComando(QStringLiteral("AltreRitenute")); });
    // F10 opens the lines on the one selected in the grid.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this] {
        if (dbgDett->currentIndex().isValid())
            rigaDoppioClick(dbgDett, QStringLiteral("Dettaglio"));
        else
            scheda_->ButtonComando(QStringLiteral("Dettaglio"));
    });
    // Alt+1 ... Alt+6: the page with that number in its caption.
    for (int i = 0; i < TasPagine->count(); ++i) {
        auto* s = new QShortcut(QKeySequence(Qt::ALT | (Qt::Key_1 + i)), this);
        connect(s, &QShortcut::activated, this, [this, i] { TasPagine->setCurrentIndex(i); });
    }

    resize(1260, 780);
}

frmFEPassTest::~frmFEPassTest() {
    // ~QWidget hides the window, and the field losing the focus would be checked by a form
    // whose members are already gone.
    for (QObject* figlio : findChildren<QObject*>()) {
        figlio->removeEventFilter(this);
        disconnect(figlio, nullptr, this, nullptr);
    }
    rilasciaBlocco();
    scheda_->PersPagPri = nullptr;
    scheda_->PersPagDop = nullptr;
    scheda_->ControlloCampo = nullptr;
    scheda_->ComandoForm = nullptr;
}

void frmFEPassTest::Carica() {
    // "S": posting also settles the payments.
    datiPagamAutom_ = flagSi(contesto_.configurazione.leggiIni(
        QStringLiteral("Tesel"), QStringLiteral("DatiPagamAutom"), QStringLiteral("S")));
    formatoQuantita_ = formatoDecimali(contesto_.parametri, QStringLiteral("Ditta.DecQuantita"));
    formatoPrezzo_ = formatoDecimali(contesto_.parametri, QStringLiteral("Ditta.DecPrezzi"));
    scheda_->campo(txtAnno)->predefinito(
        contesto_.parametri.leggi(QStringLiteral("CoGe.AnnoCorr")).trimmed());
    scheda_->avvia();
    persPagDop(PassoRicerca);
    oiLoadOk = -1;
}

void frmFEPassTest::ButtonComando(const QString& comando) {
    scheda_->ButtonComando(comando);
}

bool frmFEPassTest::PuoChiudere() {
    // The component's guard has already asked about unsaved changes.
    return true;
}

QWidget* frmFEPassTest::campo(const QString& colonna) const {
    const CampoScheda* c = scheda_->campoColonna(colonna);
    return c ? c->widget() : nullptr;
}

QLineEdit* frmFEPassTest::parteData(const QString& colonna) const {
    for (const DataOra& d : dateOra_)
        if (d.colonna.compare(colonna, Qt::CaseInsensitive) == 0)
            return d.data;
    return nullptr;
}

QLineEdit* frmFEPassTest::parteOra(const QString& colonna) const {
    for (const DataOra& d : dateOra_)
        if (d.colonna.compare(colonna, Qt::CaseInsensitive) == 0)
            return d.ora;
    return nullptr;
}

ChiaveFattura frmFEPassTest::fattura() const {
    const QVariantList k = scheda_->chiaveCorrente();
    if (k.size() < 2 || !scheda_->recordPresente())
        return {};
    return {k[0].toInt(), static_cast<qint32>(k[1].toLongLong())};
}

// ---------------------------------------------------------------------------------------------
// Call-backs of the record component

void frmFEPassTest::persPagPri(int passo, bool& annulla) {
    switch (passo) {
    case PassoControllo:
        if (!salvataggioAmmesso()) {
            annulla = true;
            return;
        }
        for (const DataOra& d : dateOra_) {
            if (!d.data->isEnabled())
                continue;
            if (convertiData(d.data->text(), 0, {}).codice == CodNonValido)
                annulla = parteNonValida(d.data, QStringLiteral("Valore non valido"));
            else if (convertiOra(d.ora->text(), OpzSecondi).codice == CodNonValido)
                annulla = parteNonValida(d.ora, QStringLiteral("Valore non valido"));
            if (annulla)
                return;
        }
        break;
    case PassoScrivi:
        for (DataOra& d : dateOra_)
            nascostoDaParti(d, true);
        break;
    case PassoVarKey:
        spostaRighe();
        break;
    case PassoCancella:
        annulla = !cancellaFattura();
        break;
    default:
        break;
    }
}

void frmFEPassTest::persPagDop(int) {
    const bool fattura = scheda_->stato() == SchedaRecord::Stato::Modifica;
    abilitaComandi(fattura);
    aggiornaStriscia();
    aggiornaTotali();
    if (fattura) {
        leggiDettaglio();
        leggiPagamenti();
        aggiornaRitenute();
    } else {
        grigliaVuota(DatDett, dbgDett, QString(store::FatXmlDett));
        grigliaVuota(DatPagam, dbgPagam, QString(store::FatXmlPag));
        ComAltreRit->hide();
        FraRitenute->setTitle(TitoloRitenute);
    }
    aggiornaAccesso();
}

bool frmFEPassTest::cancellaFattura() {
    const ChiaveFattura k = fattura();
    if (review::fatturaContabilizzata(contesto_.db, k) &&
        msgCom(contesto_.interazione, QStringLiteral("Confermi Cancellazione di una fattura contabilizzata"),
               QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return false;
    if (msgCom(contesto_.interazione,
               QStringLiteral("Confermi cancellazione di questa fattura\nE di tutti i suoi dati"),
               QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1)
        return false;
    // Every table of the invoice, in the store's order; the component then deletes the
    // header row it shows, which is gone already. The journal is not touched.
    tesel::cancellaFattura(contesto_.db, k.anno, k.numero);
    return true;
}

void frmFEPassTest::spostaRighe() {
    // In the component's transaction, before it writes the header's new key: a refused key
    // undoes them all.
    const ChiaveFattura vecchia = fattura();
    const std::optional<QVariantList> nuova = scheda_->chiaveDigitata();
    if (!nuova || nuova->size() < 2 || vecchia.anno == 0)
        return;
    review::spostaRigheFattura(contesto_.db, vecchia,
                               {nuova->value(0).toInt(), static_cast<qint32>(nuova->value(1).toLongLong())});
}

bool frmFEPassTest::controlloCampo(QWidget* w) {
    if (w == txtFornitore_)
        aggiornaStriscia();
    return true;
}

// ---------------------------------------------------------------------------------------------
// Date and time fields

bool frmFEPassTest::eventFilter(QObject* o, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(e)->button() == Qt::RightButton &&
        o == tolComPag->widgetForAction(tolComPag->azione(QStringLiteral("Contabil")))) {
        segnaContabilizzata();
        return true;
    }
    if (e->type() != QEvent::FocusOut)
        return FormTesel::eventFilter(o, e);
    auto* w = qobject_cast<QLineEdit*>(o);
    const auto motivo = static_cast<QFocusEvent*>(e)->reason();
    // A message window or a popup taking the focus is not the user leaving the field.
    if (!w || motivo == Qt::ActiveWindowFocusReason || motivo == Qt::PopupFocusReason || !w->isVisible())
        return FormTesel::eventFilter(o, e);
    for (DataOra& d : dateOra_) {
        if (w == d.data || w == d.ora) {
            const bool buono = w == d.data ? controllaData(w) : controllaOra(w);
            if (buono)
                nascostoDaParti(d, false);
            return !buono;
        }
    }
    // A registered date field: the common date check first; a wrong date keeps the focus and
    // does not reach the component's own check.
    if (const CampoScheda* c = scheda_->campo(w); c && campiData_.contains(c->registrazione()))
        return !controllaData(w);
    return FormTesel::eventFilter(o, e);
}

bool frmFEPassTest::parteNonValida(QLineEdit* campo, const QString& messaggio) {
    scheda_->MostraMessaggio(messaggio);
    QTimer::singleShot(0, campo, [campo] { campo->setFocus(Qt::OtherFocusReason); });
    return true;
}

bool frmFEPassTest::controllaData(QLineEdit* campo) {
    if (!campo->isEnabled() || campo->isReadOnly())
        return true;
    // The smallest accepted date applies to what the user types, not to a stored value
    // (the missing date 01/01/100 must survive).
    QString caricato;
    if (const CampoScheda* c = scheda_->campo(campo))
        caricato = c->caricato;
    for (const DataOra& d : dateOra_)
        if (campo == d.data)
            caricato = dividiDataOra(scheda_->campo(d.nascosto)->caricato).first;
    const QDate minima =
        campo->text().trimmed() == caricato.trimmed() || scheda_->stato() == SchedaRecord::Stato::Selezione
            ? QDate()
            : contesto_.configurazione.dataMinima();
    QString messaggio;
    ControllaData(campo, campo->text(), 0, ReazColora, std::nullopt, false, messaggio, minima);
    if (messaggio.isEmpty())
        return true;
    return !parteNonValida(campo, messaggio);
}

bool frmFEPassTest::controllaOra(QLineEdit* campo) {
    if (!campo->isEnabled() || campo->isReadOnly())
        return true;
    QString messaggio;
    ControllaOra(campo, campo->text(), OpzSecondi, ReazColora, std::nullopt, false, messaggio);
    if (messaggio.isEmpty())
        return true;
    return !parteNonValida(campo, messaggio);
}

void frmFEPassTest::partiDaNascosto(DataOra& d) {
    if (scriviParti_)
        return;
    const auto [data, ora] = dividiDataOra(d.nascosto->text());
    d.data->setText(data);
    d.ora->setText(ora);
}

void frmFEPassTest::nascostoDaParti(DataOra& d, bool normalizza) {
    // While typing the parts are only joined, so the component sees the change; before the
    // record is written they take the stored form.
    const QString testo = normalizza ? unisciDataOra(d.data->text(), d.ora->text())
                                     : (d.data->text().trimmed() + u' ' + d.ora->text().trimmed()).trimmed();
    CampoScheda* c = scheda_->campo(d.nascosto);
    if (c->testo() == testo)
        return;
    scriviParti_ = true;
    scheda_->campi().scrivi(*c, testo);
    scriviParti_ = false;
}

void frmFEPassTest::abilitaParti() {
    for (const DataOra& d : dateOra_)
        for (QLineEdit* p : {d.data, d.ora}) {
            p->setEnabled(d.nascosto->isEnabled());
            p->setReadOnly(d.nascosto->isReadOnly());
        }
}

// ---------------------------------------------------------------------------------------------
// Header strip, withholding frame, grids

void frmFEPassTest::aggiornaStriscia() {
    const bool fattura = scheda_->recordPresente();
    labStampato->setVisible(fattura && flagSi(txtStampato_->text()));
    labContabilizzato->setVisible(fattura && flagSi(txtContabilizzato_->text()));
    QString fornitore;
    if (fattura) {
        fornitore = txtFornitore_->text().trimmed();
        if (!labDescrFornitore_->text().isEmpty()) {
            fornitore += QStringLiteral("  ") + labDescrFornitore_->text();
        } else if (fornitore.isEmpty()) {
            // No account (yet): the supplier as the invoice names it.
            QString nome = testoWidget(campo(QStringLiteral("CP_DA_Anagrafica_Denominazione"))).trimmed();
            if (nome.isEmpty())
                nome = (testoWidget(campo(QStringLiteral("CP_DA_Anagrafica_Nome"))) + u' ' +
                        testoWidget(campo(QStringLiteral("CP_DA_Anagrafica_Cognome"))))
                           .trimmed();
            fornitore = nome;
        }
    }
    labFornitore->setText(fornitore);
}

void frmFEPassTest::aggiornaRitenute() {
    const ChiaveFattura k = fattura();
    bool altre = false;
    if (k.anno != 0) {
        try {
            altre = review::blocchiDocumento(contesto_.db, k).contains(BloccoDatiRitenuta);
        } catch (const ErroreDb& e) {
            scheda_->MostraMessaggio(e.descrizione());
        }
    }
    ComAltreRit->setVisible(altre);
    FraRitenute->setTitle(altre ? TitoloRitenute + QStringLiteral(" Principale") : TitoloRitenute);
}

void frmFEPassTest::applicaColonne(QTableView* g, ModelloRighe* m,
                                   const std::vector<std::pair<QString, int>>& larghezze,
                                   const QStringList& nascoste) {
    const double risVid = scheda_->RisVid();
    for (int c = 0; c < m->columnCount(); ++c)
        g->setColumnHidden(c, nascoste.contains(m->nomeColonna(c), Qt::CaseInsensitive));
    for (const auto& [colonna, twip] : larghezze) {
        const int c = m->colonna(colonna);
        if (c >= 0)
            g->setColumnWidth(c, static_cast<int>(twip * risVid));
    }
}

void frmFEPassTest::grigliaVuota(ModelloRighe* m, QTableView* g, const QString& tabella) {
    try {
        m->carica(QStringLiteral("Select XmlAnno from ") + tabella + QStringLiteral(" where XmlAnno = -1234"),
                  contesto_.db);
    } catch (const ErroreDb& e) {
        scheda_->MostraMessaggio(e.descrizione());
    }
    g->setColumnHidden(0, true);
}

void frmFEPassTest::leggiDettaglio() {
    const ChiaveFattura k = fattura();
    if (k.anno == 0)
        return;
    const QString sql =
        QStringLiteral("Select FatXmlDett.XmlAnno, FatXmlDett.XmlNumRif, FatXmlDett.XmlRigDet, "
                       "FatXmlDett.NumeroLinea, FatXmlDett.CA_CodiceValore, FatXmlDett.Descrizione, "
                       "FatXmlDett.Quantita, FatXmlDett.PrezzoUnitario, FatXmlDett.PrezzoTotale, "
                       "FatXmlDett.AliquotaIVA, FatXmlDett.Iva, FatXmlDett.Natura") +
        QStringLiteral(", FatXmlDett.GruppoCPartita || '-' || FatXmlDett.MastroCPartita || '-' || "
                       "FatXmlDett.ContoCPartita as ControP, FatXmlDett.TipoRiga") +
        QStringLiteral(" FROM FatXmlDett") + QStringLiteral(" WHERE FatXmlDett.XmlAnno = ") +
        SqlValore(k.anno, SqlIntero) + QStringLiteral(" And FatXmlDett.XmlNumRif = ") +
        SqlValore(k.numero, SqlLungo) +
        QStringLiteral(" ORDER BY FatXmlDett.XmlAnno,FatXmlDett.XmlNumRif,FatXmlDett.XmlRigDet");
    try {
        DatDett->carica(sql, contesto_.db);
    } catch (const ErroreDb& e) {
        scheda_->MostraMessaggio(e.descrizione());
        return;
    }
    const std::vector<std::pair<QString, QString>> titoli{
        {QStringLiteral("XmlAnno"), QStringLiteral("Anno")},
        {QStringLiteral("XmlNumRif"), QStringLiteral("N.Rif")},
        {QStringLiteral("XmlRigDet"), QStringLiteral("Riga")},
        {QStringLiteral("NumeroLinea"), QStringLiteral("Linea")},
        {QStringLiteral("TipoRiga"), QStringLiteral("Tipo riga")},
        {QStringLiteral("CA_CodiceValore"), QStringLiteral("Articolo")},
        {QStringLiteral("Descrizione"), QStringLiteral("Descrizione articolo")},
        {QStringLiteral("Quantita"), QStringLiteral("Quantità")},
        {QStringLiteral("PrezzoUnitario"), QStringLiteral("PrzUnit")},
        {QStringLiteral("PrezzoTotale"), QStringLiteral("PrzTotale")},
        {QStringLiteral("AliquotaIVA"), QStringLiteral("Aliquota IVA")},
        {QStringLiteral("Iva"), QStringLiteral("Cod. IVA")},
        {QStringLiteral("Natura"), QStringLiteral("Natura")},
        {QStringLiteral("ControP"), QStringLiteral("Contropartita")},
    };
    for (const auto& [colonna, titolo] : titoli)
        DatDett->impostaIntestazione(colonna, titolo);
    DatDett->impostaFormato(QStringLiteral("Quantita"), formatoQuantita_);
    DatDett->impostaFormato(QStringLiteral("PrezzoUnitario"), formatoPrezzo_);
    DatDett->impostaFormato(QStringLiteral("PrezzoTotale"), formatoPrezzo_);
    DatDett->impostaFormato(QStringLiteral("AliquotaIVA"), QStringLiteral("#,##0.00"));
    applicaColonne(dbgDett, DatDett,
                   {{QStringLiteral("NumeroLinea"), 600},
                    {QStringLiteral("TipoRiga"), 900},
                    {QStringLiteral("CA_CodiceValore"), 1800},
                    {QStringLiteral("Descrizione"), 5200},
                    {QStringLiteral("Quantita"), 1200},
                    {QStringLiteral("PrezzoUnitario"), 1400},
                    {QStringLiteral("PrezzoTotale"), 1400},
                    {QStringLiteral("AliquotaIVA"), 1300},
                    {QStringLiteral("Iva"), 900},
                    {QStringLiteral("Natura"), 800},
                    {QStringLiteral("ControP"), 1500}},
                   {QStringLiteral("XmlAnno"), QStringLiteral("XmlNumRif"), QStringLiteral("XmlRigDet")});
    // The line's kind reads best beside its number.
    QHeaderView* h = dbgDett->horizontalHeader();
    const int tipo = DatDett->colonna(QStringLiteral("TipoRiga"));
    const int linea = DatDett->colonna(QStringLiteral("NumeroLinea"));
    if (tipo >= 0 && linea >= 0 && h->visualIndex(tipo) != h->visualIndex(linea) + 1)
        h->moveSection(h->visualIndex(tipo),
                       h->visualIndex(linea) + (h->visualIndex(tipo) > h->visualIndex(linea)));
}

void frmFEPassTest::leggiPagamenti() {
    const ChiaveFattura k = fattura();
    if (k.anno == 0)
        return;
    const QString sql =
        QStringLiteral(
            "Select FatXmlPag.XmlAnno, FatXmlPag.XmlNumRif, FatXmlPag.XmlRigDet, FatXmlPag.NumCond, "
            "FatXmlPag.CondizioniPagamento, FatXmlPag.ModalitaPagamento, "
            "FatXmlPag.DataScadenzaPagamento, FatXmlPag.ImportoPagamento, FatXmlPag.Banca, "
            "FatXmlPag.IstitutoFinanziario, FatXmlPag.IBAN, FatXmlPag.ABI, FatXmlPag.CAB, "
            "FatXmlPag.PagTipo") +
        QStringLiteral(" FROM FatXmlPag") + QStringLiteral(" WHERE FatXmlPag.XmlAnno = ") +
        SqlValore(k.anno, SqlIntero) + QStringLiteral(" And FatXmlPag.XmlNumRif = ") +
        SqlValore(k.numero, SqlLungo) +
        QStringLiteral(
            " ORDER BY FatXmlPag.XmlAnno,FatXmlPag.XmlNumRif,FatXmlPag.XmlRigDet, FatXmlPag.NumCond");
    try {
        DatPagam->carica(sql, contesto_.db);
    } catch (const ErroreDb& e) {
        scheda_->MostraMessaggio(e.descrizione());
        return;
    }
    const std::vector<std::pair<QString, QString>> titoli{
        {QStringLiteral("CondizioniPagamento"), QStringLiteral("Condizioni")},
        {QStringLiteral("ModalitaPagamento"), QStringLiteral("Modalità")},
        {QStringLiteral("DataScadenzaPagamento"), QStringLiteral("Scadenza")},
        {QStringLiteral("ImportoPagamento"), QStringLiteral("Importo")},
        {QStringLiteral("Banca"), QStringLiteral("Banca")},
        {QStringLiteral("IstitutoFinanziario"), QStringLiteral("Istituto finanziario")},
        {QStringLiteral("IBAN"), QStringLiteral("IBAN")},
        {QStringLiteral("ABI"), QStringLiteral("ABI")},
        {QStringLiteral("CAB"), QStringLiteral("CAB")},
        {QStringLiteral("PagTipo"), QStringLiteral("Tipo.Pag.")},
    };
    for (const auto& [colonna, titolo] : titoli)
        DatPagam->impostaIntestazione(colonna, titolo);
    DatPagam->impostaFormato(QStringLiteral("DataScadenzaPagamento"), QStringLiteral("dd/mm/yyyy"));
    DatPagam->impostaFormato(QStringLiteral("ImportoPagamento"), QStringLiteral("#,##0.00"));
    applicaColonne(dbgPagam, DatPagam,
                   {{QStringLiteral("CondizioniPagamento"), 1100},
                    {QStringLiteral("ModalitaPagamento"), 1000},
                    {QStringLiteral("DataScadenzaPagamento"), 1300},
                    {QStringLiteral("ImportoPagamento"), 1500},
                    {QStringLiteral("Banca"), 900},
                    {QStringLiteral("IstitutoFinanziario"), 3500},
                    {QStringLiteral("IBAN"), 3600},
                    {QStringLiteral("ABI"), 800},
                    {QStringLiteral("CAB"), 800},
                    {QStringLiteral("PagTipo"), 1000}},
                   {QStringLiteral("XmlAnno"), QStringLiteral("XmlNumRif"), QStringLiteral("XmlRigDet"),
                    QStringLiteral("NumCond")});
}

} // namespace tesel::ui
