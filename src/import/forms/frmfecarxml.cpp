#include "import/forms/frmfecarxml.h"

#include "import/forms/pannelloimport.h"

#include "anagrafica/codici.h"
#include "frame/contesto.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "ui/barrecomandi.h"
#include "ui/descrizionecodice.h"
#include "ui/disegnocadenzato.h"
#include "ui/msgcom.h"
#include "ui/ricerca.h"
#include "ui/validatori.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>

namespace tesel::ui {

namespace {

const QString Titolo = QStringLiteral("Caricamento XML fatture passive");
const QString TitoloErrori = QStringLiteral("Segnalazione di errori");

// The file list: plain text, one path a line; files dropped from a file manager are added
// as paths, one a line, and Tab moves on instead of writing a tab.
class ElencoFile : public QPlainTextEdit {
public:
    explicit ElencoFile(QWidget* padre) : QPlainTextEdit(padre) {
        setTabChangesFocus(true);
        setLineWrapMode(QPlainTextEdit::NoWrap);
    }

protected:
    bool canInsertFromMimeData(const QMimeData* dati) const override {
        return dati->hasUrls() || QPlainTextEdit::canInsertFromMimeData(dati);
    }
    void insertFromMimeData(const QMimeData* dati) override {
        QStringList percorsi;
        for (const QUrl& u : dati->urls())
            if (u.isLocalFile())
                percorsi << QDir::toNativeSeparators(u.toLocalFile());
        if (percorsi.isEmpty()) {
            QPlainTextEdit::insertFromMimeData(dati);
            return;
        }
        QTextCursor c = textCursor();
        if (!c.atBlockStart())
            c.insertText(QStringLiteral("\n"));
        c.insertText(percorsi.join(u'\n') + u'\n');
        setTextCursor(c);
    }
};

// A report as the text box shows it: the engine writes "\r\n" before each line.
QString testoRapporto(const QString& rapporto) {
    QString t = rapporto;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    while (t.startsWith(u'\n'))
        t.remove(0, 1);
    return t;
}

QPlainTextEdit* casellaRapporto(const QString& testo, int righe, QWidget* padre) {
    auto* t = new QPlainTextEdit(padre);
    t->setReadOnly(true);
    t->setLineWrapMode(QPlainTextEdit::NoWrap);
    t->setPlainText(testo);
    const QFontMetrics fm(t->font());
    t->setMinimumSize(fm.averageCharWidth() * 90, fm.lineSpacing() * righe + 2 * t->frameWidth() + 8);
    return t;
}

} // namespace

// ---------------------------------------------------------------------------------------------

frmRapportoCarXML::frmRapportoCarXML(const QString& caricate, const QString& errori, QWidget* padre)
    : QDialog(padre) {
    setObjectName(QStringLiteral("frmRapportoCarXML"));
    setWindowTitle(Titolo);
    setModal(true);

    LabCaricate = new QLabel(RapportoImport::TitoloCaricate, this);
    LabCaricate->setObjectName(QStringLiteral("LabCaricate"));
    txtCaricate = casellaRapporto(testoRapporto(caricate), 8, this);
    txtCaricate->setObjectName(QStringLiteral("txtCaricate"));
    LabCaricate->setBuddy(txtCaricate);

    LabErrori = new QLabel(TitoloErrori, this);
    LabErrori->setObjectName(QStringLiteral("LabErrori"));
    txtErrori = casellaRapporto(testoRapporto(errori), 10, this);
    txtErrori->setObjectName(QStringLiteral("txtErrori"));
    LabErrori->setBuddy(txtErrori);
    const bool conErrori = !testoRapporto(errori).isEmpty();
    LabErrori->setVisible(conErrori);
    txtErrori->setVisible(conErrori);

    ComCopia = new QPushButton(QStringLiteral("&Copia"), this);
    ComCopia->setObjectName(QStringLiteral("ComCopia"));
    ComCopia->setAutoDefault(false);
    ComCopia->setToolTip(QStringLiteral("Copia i due elenchi negli appunti"));
    connect(ComCopia, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(testoCompleto()); });
    ComOk = new QPushButton(QStringLiteral("&Ok"), this);
    ComOk->setObjectName(QStringLiteral("ComOk"));
    ComOk->setDefault(true);
    connect(ComOk, &QPushButton::clicked, this, &QDialog::accept);

    auto* bottoni = new QHBoxLayout;
    bottoni->addWidget(ComCopia);
    bottoni->addStretch(1);
    bottoni->addWidget(ComOk);

    auto* colonna = new QVBoxLayout(this);
    colonna->addWidget(LabCaricate);
    // The loaded box also holds what is left to complete and the attachments: it gets more room.
    colonna->addWidget(txtCaricate, 3);
    colonna->addWidget(LabErrori);
    colonna->addWidget(txtErrori, 2);
    colonna->addLayout(bottoni);
    resize(std::max(sizeHint().width(), 760), sizeHint().height());
    ComOk->setFocus();
}

QString frmRapportoCarXML::testoCompleto() const {
    QString t = LabCaricate->text() + u'\n' + txtCaricate->toPlainText() + u'\n';
    if (txtErrori->isVisibleTo(this))
        t += u'\n' + LabErrori->text() + u'\n' + txtErrori->toPlainText() + u'\n';
    return t;
}

// ---------------------------------------------------------------------------------------------

frmFECarXML::frmFECarXML(Contesto& contesto, QWidget* padre)
    : FormTesel(QStringLiteral("frmFECarXML"), contesto, padre) {
    setWindowTitle(Titolo);
    costruisci();
    ordineTab();
    impostaStato(Stato::Inattivo);
    resize(960, 620);
}

frmFECarXML::~frmFECarXML() {
    // ~QWidget hides the window, and the field that loses the focus would be checked by a
    // form whose members are already gone.
    // The panel marks faults in this form's list, which is gone before the panel is.
    for (QObject* figlio : findChildren<QObject*>()) {
        disconnect(figlio, nullptr, this, nullptr);
        disconnect(figlio, nullptr, pannello, nullptr);
    }
}

void frmFECarXML::costruisci() {
    const QFontMetrics fm(font());
    // Files.
    LisFile = new ElencoFile(this);
    LisFile->setObjectName(QStringLiteral("LisFile"));
    LisFile->setMinimumHeight(fm.lineSpacing() * 6);
    LisFile->setToolTip(QStringLiteral("Un file per riga: si possono anche incollare o trascinare qui"));
    auto* labFile = nuovaEtichetta(this, QStringLiteral("Selezionare i file da caricare:"), LisFile);
    comSfoglia = new QPushButton(QStringLiteral("&Sfoglia"), this);
    comSfoglia->setObjectName(QStringLiteral("comSfoglia"));
    connect(comSfoglia, &QPushButton::clicked, this, &frmFECarXML::comSfoglia_Click);
    connect(LisFile, &QPlainTextEdit::textChanged, this, [this] {
        // A new list is a new batch: the progress of the last one no longer applies.
        if (stato_ == Stato::Finito)
            impostaStato(Stato::Inattivo);
    });

    // Hub data of a downloaded file.
    txtIdSdi = nuovoCampo(this, QStringLiteral("txtIdSdi"), 16);
    txtDataRicSdi = nuovoCampo(this, QStringLiteral("txtDataRicSdi"), 0);
    // Wide enough for the date and for the hint "gg/mm/aaaa" shown while it is empty.
    txtDataRicSdi->setFixedWidth(std::max(fm.horizontalAdvance(QStringLiteral("00/00/00000")),
                                          fm.horizontalAdvance(QStringLiteral("gg/mm/aaaa"))) +
                                 24);
    txtDataRicSdi->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    txtIdHub = nuovoCampo(this, QStringLiteral("txtIdHub"), 24);
    txtIdHub->setMinimumWidth(txtIdHub->width()); // Hub identifiers are long: as wide as the column
    txtIdHub->setMaximumWidth(QWIDGETSIZE_MAX);
    connect(txtDataRicSdi, &QLineEdit::editingFinished, this, &frmFECarXML::controllaData);

    auto* hub = new QGridLayout;
    hub->setColumnStretch(1, 1);
    hub->addWidget(nuovaEtichetta(this, QStringLiteral("Identificativo SDI:"), txtIdSdi), 0, 0);
    hub->addWidget(txtIdSdi, 0, 1, Qt::AlignLeft);
    hub->addWidget(nuovaEtichetta(this, QStringLiteral("Data ricezione SDI:"), txtDataRicSdi), 1, 0);
    hub->addWidget(txtDataRicSdi, 1, 1, Qt::AlignLeft);
    hub->addWidget(nuovaEtichetta(this, QStringLiteral("Identificativo HUB:"), txtIdHub), 2, 0);
    hub->addWidget(txtIdHub, 2, 1);

    // The import's options and their checks, shared with the Hub download.
    staMessaggi = new BarraStato(this);
    staMessaggi->setObjectName(QStringLiteral("staMessaggi"));
    pannello = new PannelloOpzioniImport(contesto_, staMessaggi, &nonValidi_, this);
    pannello->setContentsMargins(0, 0, 0, 0);
    pannello->layout()->setContentsMargins(0, 0, 0, 0);
    pannello->colonnaSinistra->insertLayout(0, hub);
    FraFornitore = pannello->FraFornitore;
    cheCreaForn = pannello->cheCreaForn;
    txtGruppo = pannello->txtGruppo;
    labGruppo = pannello->labGruppo;
    txtMastro = pannello->txtMastro;
    labMastro = pannello->labMastro;
    cheEstraAll = pannello->cheEstraAll;
    CheSovrascrivi = pannello->CheSovrascrivi;
    txtNatura = pannello->txtNatura;
    labNatura = pannello->labNatura;
    txtIva = pannello->txtIva;
    labIva = pannello->labIva;
    txtCausale = pannello->txtCausale;
    labCausale = pannello->labCausale;

    // Progress.
    PicCaricamento = new QFrame(this);
    PicCaricamento->setObjectName(QStringLiteral("PicCaricamento"));
    PicCaricamento->setFrameShape(QFrame::StyledPanel);
    PicCaricamento->setFrameShadow(QFrame::Sunken);
    LabFileCaricamento = new QLabel(PicCaricamento);
    LabFileCaricamento->setObjectName(QStringLiteral("LabFileCaricamento"));
    LabFileCaricamento->setTextFormat(Qt::PlainText);
    LabFileCaricamento->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    proFile = new QProgressBar(PicCaricamento);
    proFile->setObjectName(QStringLiteral("proFile"));
    proFile->setFormat(QStringLiteral("%v/%m"));
    proFile->setFixedWidth(fm.averageCharWidth() * 30);
    auto* avanzamento = new QHBoxLayout(PicCaricamento);
    avanzamento->addWidget(new QLabel(QStringLiteral("File in caricamento:"), PicCaricamento));
    avanzamento->addWidget(LabFileCaricamento, 1);
    avanzamento->addWidget(proFile);

    // Commands.
    ComEstrai = new QPushButton(QStringLiteral("&Importa"), this);
    ComEstrai->setObjectName(QStringLiteral("ComEstrai"));
    ComInterrompi = new QPushButton(QStringLiteral("&Interrompi"), this);
    ComInterrompi->setObjectName(QStringLiteral("ComInterrompi"));
    ComEsci = new QPushButton(QStringLiteral("&Chiudi"), this);
    ComEsci->setObjectName(QStringLiteral("ComEsci"));
    const int larghezzaBottone =
        std::max({ComEstrai->sizeHint().width(), ComInterrompi->sizeHint().width(), 100});
    for (QPushButton* b : {ComEstrai, ComInterrompi, ComEsci})
        b->setMinimumWidth(larghezzaBottone);
    connect(ComEstrai, &QPushButton::clicked, this, &frmFECarXML::ComEstrai_Click);
    connect(ComInterrompi, &QPushButton::clicked, this, [this] {
        interrompi_ = true;
        ComInterrompi->setEnabled(false); // seen: the batch stops after the file in hand
    });
    connect(ComEsci, &QPushButton::clicked, this, &QWidget::close);
    auto* comandi = new QHBoxLayout;
    comandi->addStretch(1);
    comandi->addWidget(ComEstrai);
    comandi->addWidget(ComInterrompi);
    comandi->addWidget(ComEsci);

    auto* listaFile = new QHBoxLayout;
    listaFile->addWidget(LisFile, 1);
    auto* sfoglia = new QVBoxLayout;
    sfoglia->addWidget(comSfoglia);
    sfoglia->addStretch(1);
    listaFile->addLayout(sfoglia);

    auto* principale = new QVBoxLayout(this);
    principale->setContentsMargins(10, 10, 10, 0);
    principale->addWidget(labFile);
    principale->addLayout(listaFile, 1);
    principale->addSpacing(6);
    principale->addWidget(pannello);
    principale->addSpacing(6);
    principale->addWidget(PicCaricamento);
    principale->addLayout(comandi);
    principale->addWidget(staMessaggi);
}

void frmFECarXML::ordineTab() {
    QList<QWidget*> ordine{LisFile, comSfoglia, txtIdSdi, txtDataRicSdi, txtIdHub};
    ordine << pannello->ordineTab() << QList<QWidget*>{ComEstrai, ComInterrompi, ComEsci};
    for (qsizetype i = 1; i < ordine.size(); ++i)
        setTabOrder(ordine[i - 1], ordine[i]);
}

void frmFECarXML::Carica() {
    pannello->caricaPredefiniti();
    oiLoadOk = -1;
}

bool frmFECarXML::PuoChiudere() {
    return stato_ != Stato::Caricamento;
}

QStringList frmFECarXML::fileElencati() const {
    QStringList file;
    const QStringList righe = LisFile->toPlainText().split(u'\n');
    for (QString r : righe) {
        r = r.trimmed();
        if (r.size() >= 2 && r.startsWith(u'"') && r.endsWith(u'"'))
            r = r.mid(1, r.size() - 2).trimmed();
        if (r.startsWith(QStringLiteral("file:"), Qt::CaseInsensitive)) {
            const QUrl u(r);
            if (u.isLocalFile())
                r = u.toLocalFile();
        }
        if (!r.isEmpty())
            file << r;
    }
    return file;
}

void frmFECarXML::impostaStato(Stato s) {
    stato_ = s;
    const bool caricamento = s == Stato::Caricamento;
    // While loading the batch runs with the values read at its start: nothing can be changed.
    for (QWidget* w : QList<QWidget*>{LisFile, comSfoglia, txtIdSdi, txtDataRicSdi, txtIdHub, FraFornitore,
                                      cheEstraAll, CheSovrascrivi, txtCausale})
        w->setEnabled(!caricamento);
    for (int i = 0; i < 4; ++i) {
        txtIva[i]->setEnabled(!caricamento);
        if (i < 3)
            txtNatura[i]->setEnabled(!caricamento);
    }
    ComEstrai->setEnabled(!caricamento);
    ComEsci->setEnabled(!caricamento);
    ComInterrompi->setEnabled(caricamento);
    if (s == Stato::Inattivo) {
        LabFileCaricamento->clear();
        LabFileCaricamento->setToolTip({});
        proFile->setRange(0, 1);
        proFile->setValue(0);
        proFile->setVisible(false); // shown from the first batch on
    } else {
        proFile->setVisible(true);
    }
}

// ---- Field checks ---------------------------------------------------------------------------

void frmFECarXML::segna(QWidget* campo, bool valido, const QString& messaggio) {
    nonValidi_.segna(staMessaggi, campo, valido, messaggio);
}

bool frmFECarXML::controllaData() {
    QString messaggio;
    ControllaData(txtDataRicSdi, txtDataRicSdi->text(), 0, ReazColora, std::nullopt, false, messaggio);
    segna(txtDataRicSdi, messaggio.isEmpty(), messaggio);
    return messaggio.isEmpty();
}

bool frmFECarXML::controllaTutto() {
    const bool data = controllaData();
    return pannello->controllaCampi() && data && nonValidi_.vuoto();
}

// ---- Commands -------------------------------------------------------------------------------

void frmFECarXML::comSfoglia_Click() {
    // The folder of the last choice, else the configured import folder, else that of the list.
    QString cartella = ultimaCartella_;
    if (cartella.isEmpty())
        cartella = cartellaCaricamentoImport(contesto_.configurazione);
    if (cartella.isEmpty()) {
        const QStringList elencati = fileElencati();
        if (!elencati.isEmpty())
            cartella = QFileInfo(elencati.first()).absolutePath();
    }
    const QStringList scelti =
        QFileDialog::getOpenFileNames(this, QStringLiteral("File da Caricare"), cartella,
                                      QStringLiteral("Xml (*.xml *.XML *.p7m *.P7M);;Tutti i file (*)"));
    if (scelti.isEmpty())
        return;
    ultimaCartella_ = QFileInfo(scelti.first()).absolutePath();
    QStringList righe;
    for (const QString& f : scelti)
        righe << QDir::toNativeSeparators(f);
    LisFile->setPlainText(righe.join(u'\n'));
}

void frmFECarXML::ComEstrai_Click() {
    if (stato_ == Stato::Caricamento)
        return;
    Interazione& ui = contesto_.interazione;
    // Importa by its accelerator leaves no field, so every field is checked here again.
    if (!controllaTutto()) {
        msgCom(ui, QStringLiteral("ci sono dei dati non validi"));
        for (QWidget* w = LisFile->nextInFocusChain(); w != LisFile; w = w->nextInFocusChain())
            if (nonValidi_.contiene(w)) {
                w->setFocus();
                break;
            }
        return;
    }
    const QStringList file = fileElencati();
    if (file.isEmpty()) {
        msgCom(ui, QStringLiteral("Selezionare i file da caricare"));
        LisFile->setFocus();
        return;
    }
    if (pannello->mancaGruppoOMastro()) {
        msgCom(ui, QStringLiteral("Per creare i fornitori compilare sia il gruppo che il mastro"));
        (txtGruppo->text().trimmed().isEmpty() ? txtGruppo : txtMastro)->setFocus();
        return;
    }
    carica(file);
}

DatiHub frmFECarXML::datiHub() const {
    DatiHub h;
    h.idHub = txtIdHub->text().trimmed();
    h.idSdi = txtIdSdi->text().trimmed();
    const Conversione<QDate> data = convertiData(txtDataRicSdi->text(), 0, QDate(1900, 1, 1));
    if (data.codice == CodOk)
        h.dataRicezione = data.valore;
    return h;
}

void frmFECarXML::carica(const QStringList& file) {
    rapporto_ = RapportoImport();
    interrompi_ = false;
    staMessaggi->MostraMessaggio({});
    impostaStato(Stato::Caricamento);
    proFile->setRange(0, static_cast<int>(file.size()));
    proFile->setValue(0);
    proFile->setTextVisible(true);
    QApplication::setOverrideCursor(Qt::BusyCursor);
    // What was not loaded stays in the list to be tried again; a batch wholly loaded empties it.
    QStringList nonCaricati = file;
    try {
        const DatiHub hub = datiHub();
        // The file in hand and the progress reach the screen a few times a second, and at once
        // before a question, so the window behind it names the file it is about.
        DisegnoCadenzato disegno(PicCaricamento);
        InterazioneInoltrata domande(contesto_.interazione, [&] { disegno.adesso(); });
        ImportatoreFatture importatore(contesto_.db, domande, contesto_.parametri, pannello->opzioni());
        const auto prima = [&](qsizetype i) {
            // The interrupt button and the window live on between two files.
            proFile->setValue(static_cast<int>(i));
            QCoreApplication::processEvents();
            if (interrompi_)
                return false;
            const QString& f = file[i];
            LabFileCaricamento->setText(QFileInfo(f).fileName());
            LabFileCaricamento->setToolTip(f);
            emit fileInCaricamento(static_cast<int>(i), f);
            disegno.forse();
            return true;
        };
        const auto fatto = [&](qsizetype i, const std::vector<EsitoImport>& esiti) {
            const QString& f = file[i];
            // Looked at only for a file that stored nothing: one stored may have been moved since.
            const bool nienteCaricato =
                std::none_of(esiti.begin(), esiti.end(), [](const EsitoImport& e) { return e.ok; });
            if (nienteCaricato && !QFileInfo(f).isFile()) {
                rapporto_.aggiungiInesistente(f);
                return;
            }
            rapporto_.aggiungi(esiti);
            if (std::all_of(esiti.begin(), esiti.end(), [](const EsitoImport& e) { return e.ok; }))
                nonCaricati.removeOne(f);
        };
        importatore.importa(file, hub, fatto, prima);
        proFile->setValue(static_cast<int>(file.size()));
    } catch (const std::exception& e) {
        // Only the start of the batch can fail this way (options, the import's set-up).
        QApplication::restoreOverrideCursor();
        impostaStato(Stato::Finito);
        const auto* db = dynamic_cast<const ErroreDb*>(&e);
        msgCom(contesto_.interazione,
               frmMsgCom::testoErrore(Titolo, db ? db->numero() : 0,
                                      db ? db->descrizione() : QString::fromLocal8Bit(e.what())));
        return;
    }
    QApplication::restoreOverrideCursor();
    LisFile->setPlainText(nonCaricati.join(u'\n'));
    impostaStato(Stato::Finito);
    mostraRapporto();
    msgCom(contesto_.interazione, rapporto_.conclusione(static_cast<int>(file.size())));
    ComEstrai->setFocus();
}

void frmFECarXML::mostraRapporto() {
    // Under the invoices loaded: what is left to complete in them, then the attachments
    // written with where they went. The error box stays for the files that failed.
    QString caricate = rapporto_.caricate();
    if (!rapporto_.avvisi().isEmpty())
        caricate += QStringLiteral("\r\n\r\nDa completare (Avvisi)") + rapporto_.avvisi();
    if (!rapporto_.allegati().isEmpty())
        caricate += QStringLiteral("\r\n\r\nAllegati estratti (File - Allegato)") + rapporto_.allegati();
    const QString& errori = rapporto_.errori();
    frmRapportoCarXML finestra(caricate, errori, this);
    finestra.exec();
}

} // namespace tesel::ui
