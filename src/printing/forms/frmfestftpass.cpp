#include "printing/forms/frmfestftpass.h"

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/ini.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "printing/email.h"
#include "printing/forms/frmsceltastam.h"
#include "printing/forms/frmstampaincorso.h"
#include "printing/forms/frmvstampa.h"
#include "printing/forms/stampantisistema.h"
#include "printing/impostazione.h"
#include "printing/lumostampe.h"
#include "ui/msgcom.h"
#include "ui/selezionefatture.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace tesel::ui {

const QString frmFEStFtPass::ProgrammaDocDaElab = QStringLiteral("StFatPas");

namespace {

const QString Titolo = QStringLiteral("Stampa Fatture Passive");
bool si(const QString& v) {
    return v.trimmed().compare(QStringLiteral("S"), Qt::CaseInsensitive) == 0;
}

} // namespace

frmFEStFtPass* apriStampaFattura(Contesto& contesto, QWidget* padre, stampa::ChiaveStampa fattura) {
    auto* f = new frmFEStFtPass(contesto);
    f->setAttribute(Qt::WA_DeleteOnClose);
    f->Carica();
    f->AttivatoDaAltri(fattura);
    f->adjustSize(); // the selection's frames are hidden: the window shrinks to what is left
    // Over the form it was called from, but a window of its own: the invoice stays in view.
    if (padre)
        f->move(padre->window()->geometry().topLeft() + QPoint(40, 40));
    f->show();
    f->activateWindow();
    return f;
}

frmFEStFtPass::frmFEStFtPass(Contesto& contesto, QWidget* padre)
    : FormTesel(QStringLiteral("frmFEStFtPass"), contesto, padre) {
    setWindowTitle(Titolo);
    costruisci();
}

frmFEStFtPass::~frmFEStFtPass() {
    // ~QWidget hides the window: the field that loses the focus must not reach a half-gone form.
    for (QObject* figlio : findChildren<QObject*>())
        disconnect(figlio, nullptr, this, nullptr);
}

void frmFEStFtPass::costruisci() {
    const QFontMetrics fm(font());
    staMessaggi = new BarraStato(this);
    staMessaggi->setObjectName(QStringLiteral("staMessaggi"));
    selezione_ = new SelezioneFatture(contesto_.db, staMessaggi, nonValidi_, this);
    FraSelezione = selezione_;
    txt = selezione_->txt;
    lab = selezione_->lab;
    CheNonStamp = new QCheckBox(QStringLiteral("Solo fatture non stampate"), this);
    CheNonStamp->setObjectName(QStringLiteral("CheNonStamp"));
    selezione_->aggiungiRiga(CheNonStamp);

    FraFatSta = new QGroupBox(QStringLiteral("Fattura da stampare"), this);
    FraFatSta->setObjectName(QStringLiteral("FraFatSta"));
    auto* f = new QGridLayout(FraFatSta);
    const QStringList etichetteFattura{QStringLiteral("Riferimento:  Anno:"), QStringLiteral("Numero:"),
                                       QStringLiteral("Numero documento:"), QStringLiteral("Partita Iva:")};
    for (int i = 0; i < 4; ++i) {
        labFatSta[i] = new QLabel(this);
        labFatSta[i]->setObjectName(QStringLiteral("labFatSta%1").arg(i));
        labFatSta[i]->setFrameShape(QFrame::Panel);
        labFatSta[i]->setFrameShadow(QFrame::Sunken);
        labFatSta[i]->setMinimumWidth(fm.averageCharWidth() * 16);
        f->addWidget(new QLabel(etichetteFattura[i], this), i / 2, (i % 2) * 2);
        f->addWidget(labFatSta[i], i / 2, (i % 2) * 2 + 1);
    }
    FraFatSta->hide();

    FraOrdine = new QGroupBox(QStringLiteral("Ordinamento:"), this);
    FraOrdine->setObjectName(QStringLiteral("FraOrdine"));
    auto* o = new QHBoxLayout(FraOrdine);
    const QStringList ordini{QStringLiteral("Partita Iva"), QStringLiteral("N.ro Riferim."),
                             QStringLiteral("Rag.Soc.Fornitore")};
    for (int i = 0; i < 3; ++i) {
        OptOrdine[i] = new QRadioButton(ordini[i], this);
        OptOrdine[i]->setObjectName(QStringLiteral("OptOrdine%1").arg(i));
        o->addWidget(OptOrdine[i]);
    }
    OptOrdine[1]->setChecked(true);

    ChePdfAutom = new QCheckBox(QStringLiteral("Nome file automatico per Pdf"), this);
    ChePdfAutom->setObjectName(QStringLiteral("ChePdfAutom"));
    ChePdfUno = new QCheckBox(QStringLiteral("Unico file pdf per tutte le fatture"), this);
    ChePdfUno->setObjectName(QStringLiteral("ChePdfUno"));
    auto* pdf = new QHBoxLayout;
    pdf->addWidget(ChePdfAutom);
    pdf->addWidget(ChePdfUno);
    pdf->addStretch(1);

    labStampante = new QLabel(this);
    labStampante->setObjectName(QStringLiteral("labStampante"));
    comSceStam = new QPushButton(QStringLiteral("Seleziona Destinazione Stampa"), this);
    comSceStam->setObjectName(QStringLiteral("comSceStam"));
    comSceStam->setAutoDefault(false);
    connect(comSceStam, &QPushButton::clicked, this, &frmFEStFtPass::comSceStam_Click);
    auto* stampante = new QHBoxLayout;
    stampante->addWidget(new QLabel(QStringLiteral("Stampante attuale:"), this));
    stampante->addWidget(labStampante, 1);
    stampante->addWidget(comSceStam);

    ComStampa = new QPushButton(QStringLiteral("&Stampa"), this);
    ComStampa->setObjectName(QStringLiteral("ComStampa"));
    ComStampa->setDefault(true);
    connect(ComStampa, &QPushButton::clicked, this, &frmFEStFtPass::ComStampa_Click);
    cmdStaVid = new QPushButton(QStringLiteral("&Stampa a Video"), this);
    cmdStaVid->setObjectName(QStringLiteral("cmdStaVid"));
    cmdStaVid->setAutoDefault(false);
    connect(cmdStaVid, &QPushButton::clicked, this, &frmFEStFtPass::cmdStaVid_Click);
    ComChiudi = new QPushButton(QStringLiteral("&Chiudi"), this);
    ComChiudi->setObjectName(QStringLiteral("ComChiudi"));
    ComChiudi->setAutoDefault(false);
    connect(ComChiudi, &QPushButton::clicked, this, &QWidget::close);
    auto* comandi = new QHBoxLayout;
    comandi->addStretch(1);
    comandi->addWidget(ComStampa);
    comandi->addWidget(cmdStaVid);
    comandi->addWidget(ComChiudi);

    auto* principale = new QVBoxLayout(this);
    principale->addWidget(FraSelezione);
    principale->addWidget(FraFatSta);
    principale->addWidget(FraOrdine);
    principale->addLayout(pdf);
    principale->addLayout(stampante);
    principale->addStretch(1);
    principale->addLayout(comandi);
    principale->addWidget(staMessaggi);

    QList<QWidget*> ordine = selezione_->ordineTab();
    ordine << CheNonStamp << OptOrdine[0] << ChePdfAutom << ChePdfUno << ComStampa << cmdStaVid << ComChiudi;
    for (qsizetype i = 1; i < ordine.size(); ++i)
        setTabOrder(ordine[i - 1], ordine[i]);
}

void frmFEStFtPass::Carica() {
    const QString anno = QString::number(QDate::currentDate().year());
    txt[30]->setText(anno);
    txt[40]->setText(anno);
    profilo_ = std::make_unique<FileIni>(contesto_.configurazione.fileProfilo());
    impostazione_ = std::make_unique<stampa::ImpostazioneStampa>(
        *profilo_, stampa::postazioneCorrente(contesto_.menu), stampa::ContestoNomi{}.identita);
    // The automatic PDF only where the installation allows it.
    const stampa::PdfAutomatico automatico = impostazione_->leggiPdfAutomatico();
    ChePdfAutom->setEnabled(automatico.abilitato);
    const stampa::OpzioniStampa opzioni = impostazione_->leggiOpzioni(contesto_.interazione);
    const QString sezione = QStringLiteral("StFatPas");
    ChePdfAutom->setChecked(automatico.abilitato &&
                            (opzioni.pdfNomeAutom || automatico.attivaPdfAutom ||
                             si(contesto_.configurazione.leggiIni(sezione, "PdfNomeAutom"))));
    QString uno = contesto_.configurazione.leggiIni(sezione, QStringLiteral("PdfUno"));
    if (uno.trimmed().isEmpty())
        uno = impostazione_->opzione(stampa::SezioneOpzioni, QStringLiteral("PdfUno"));
    ChePdfUno->setChecked(si(uno));
    stampante_ = opzioni.nomeStampante;
    QString attuale = stampante_.isEmpty() ? QPrinterInfo::defaultPrinterName() : stampante_;
    labStampante->setText(attuale.isEmpty() ? QStringLiteral("nessuna stampante predefinita") : attuale);
    // Another program's list: the selection fields have nothing to say.
    daDocDaElab_ =
        (osParam + u' ' + osParamLancia).contains(QStringLiteral("SelezioneDaFile"), Qt::CaseInsensitive);
    if (daDocDaElab_) {
        FraSelezione->setEnabled(false);
        staMessaggi->MostraMessaggio(QStringLiteral("Stampa delle fatture scelte dal programma chiamante"));
    }
    oiLoadOk = -1;
}

void frmFEStFtPass::AttivatoDaAltri(stampa::ChiaveStampa k) {
    unaFattura_ = k;
    labFatSta[0]->setText(QString::number(k.anno));
    labFatSta[1]->setText(QString::number(k.numero));
    try {
        Recordset rs = contesto_.db.ApriRs(
            stampa::PrepSql({{}, k, false, {}, {}}, stampa::OrdineStampa::NumeroRiferimento));
        if (!rs.RsEof()) {
            labFatSta[2]->setText(rs.leggiTesto(QStringLiteral("DGD_Numero")).trimmed());
            labFatSta[3]->setText(rs.leggiTesto(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice")).trimmed());
        }
    } catch (const ErroreDb& e) {
        staMessaggi->MostraMessaggio(frmMsgCom::testoErrore(Titolo, e.numero(), e.descrizione()));
    }
    FraSelezione->hide();
    FraOrdine->hide();
    FraFatSta->show();
    ComStampa->setFocus();
}

bool frmFEStFtPass::PuoChiudere() {
    return !inStampa_;
}

void frmFEStFtPass::closeEvent(QCloseEvent* e) {
    if (inStampa_) {
        msgCom(contesto_.interazione,
               QStringLiteral("Stampa ancora attiva, non è possibile uscire dal programma"));
        e->ignore();
        return;
    }
    if (daDocDaElab_) {
        try {
            stampa::cancellaDocDaElab(contesto_.db, contesto_.utente, ProgrammaDocDaElab);
        } catch (const ErroreDb& err) {
            msgCom(contesto_.interazione, frmMsgCom::testoErrore(Titolo, err.numero(), err.descrizione()));
        }
    }
    FormTesel::closeEvent(e);
}

stampa::OrigineStampa frmFEStFtPass::origine() const {
    stampa::OrigineStampa o;
    o.unaFattura = unaFattura_;
    o.daDocDaElab = daDocDaElab_;
    o.utente = contesto_.utente;
    o.programma = ProgrammaDocDaElab;
    stampa::SelezioneStampa& s = o.selezione;
    static_cast<store::CriteriSelezione&>(s) = selezione_->criteri();
    s.soloNonStampate = CheNonStamp->isChecked();
    return o;
}

stampa::OrdineStampa frmFEStFtPass::ordine() const {
    if (OptOrdine.at(0)->isChecked())
        return stampa::OrdineStampa::PartitaIva;
    if (OptOrdine.at(2)->isChecked())
        return stampa::OrdineStampa::RagioneSociale;
    return stampa::OrdineStampa::NumeroRiferimento;
}

// ---- Field checks ---------------------------------------------------------------------------

// ---- Printing ---------------------------------------------------------------------------------

void frmFEStFtPass::comSceStam_Click() {
    stampa::FrmSceltaStam d(*profilo_, *impostazione_, contesto_.interazione, this);
    if (d.exec() != QDialog::Accepted)
        return;
    scelta_ = d.scelta();
    stampante_ = scelta_->nomeStampante;
    labStampante->setText(stampante_.isEmpty() ? QStringLiteral("nessuna stampante predefinita")
                                               : stampante_);
    ChePdfAutom->setChecked(ChePdfAutom->isEnabled() && scelta_->pdfNomeAutom);
}

void frmFEStFtPass::ComStampa_Click() {
    avvia(false);
}

void frmFEStFtPass::cmdStaVid_Click() {
    avvia(true);
}

void frmFEStFtPass::avvia(bool video) {
    Interazione& ui = contesto_.interazione;
    if (inStampa_) {
        msgCom(ui, QStringLiteral("Non è possibile lanciare più di una stampa alla volta"));
        return;
    }
    const stampa::OrigineStampa o = origine();
    if (!o.unaFattura && !o.daDocDaElab) {
        if (!selezione_->verifica(ui))
            return;
    }

    // From here on the print runs: events processed below must find it running.
    inStampa_ = true;
    struct Fine {
        frmFEStFtPass* f;
        ~Fine() {
            f->inStampa_ = false;
            for (QWidget* b : {static_cast<QWidget*>(f->ComStampa), static_cast<QWidget*>(f->cmdStaVid),
                               static_cast<QWidget*>(f->ComChiudi)})
                b->setEnabled(true);
        }
    } fine{this};
    ComStampa->setEnabled(false);
    cmdStaVid->setEnabled(false);
    ComChiudi->setEnabled(false);

    stampa::StFatPas st(contesto_.db, ui);
    stampa::impostaDaProfilo(st, contesto_.configurazione, contesto_.parametri, contesto_.menu, ui);
    st.origine = o;
    st.ordine = ordine();

    // Where the pages go; the engine of the printer and of the preview is this form's.
    std::unique_ptr<QPrinter> stampante;
    std::unique_ptr<stampa::LumoStampe> motore;
    QPointer<stampa::FrmVStampa> anteprima;
    const stampa::OpzioniStampa opzioni = scelta_ ? *scelta_ : impostazione_->leggiOpzioni(ui);
    video = video || opzioni.staVid == stampa::DoveStampare::Video;
    if (video) {
        st.opzioni.destinazione = stampa::Destinazione::Video;
        motore = std::make_unique<stampa::LumoStampe>();
        anteprima = new stampa::FrmVStampa(ui);
        anteprima->setAttribute(Qt::WA_DeleteOnClose);
        anteprima->impostaFatt(opzioni.fatt);
        anteprima->impostaMemVid(opzioni.memVid);
        anteprima->setOgStampa(motore.get());
        motore->apriAnteprima(anteprima);
        anteprima->show();
    } else if (ChePdfAutom->isChecked() && ChePdfAutom->isEnabled()) {
        const QString cartella = contesto_.configurazione.cartellaBase(QStringLiteral("DirPdf"));
        if (cartella.isEmpty()) {
            msgCom(ui, QStringLiteral("Cartella dei pdf non impostata (DirPdf della sezione Base)"));
            return;
        }
        if (!QDir().mkpath(cartella)) {
            msgCom(ui, QStringLiteral("Impossibile creare la cartella dei pdf: ") + cartella);
            return;
        }
        if (ChePdfUno->isChecked()) {
            st.opzioni.destinazione = stampa::Destinazione::PdfUnico;
            st.opzioni.filePdf =
                QDir(cartella).filePath(stampa::nomePdfRiepilogo(st.opzioni.nomi, QDate::currentDate()));
        } else {
            st.opzioni.destinazione = stampa::Destinazione::PdfPerFattura;
            st.opzioni.cartellaPdf = cartella;
        }
    } else if (ChePdfUno->isChecked()) {
        const QString file = QFileDialog::getSaveFileName(
            this, QStringLiteral("Nome del file per pdf"),
            stampa::nomePdfRiepilogo(st.opzioni.nomi, QDate::currentDate()), QStringLiteral("Pdf (*.pdf)"));
        if (file.isEmpty())
            return;
        st.opzioni.destinazione = stampa::Destinazione::PdfUnico;
        st.opzioni.filePdf = file;
    } else if (opzioni.staVid == stampa::DoveStampare::File) {
        st.opzioni.destinazione = stampa::Destinazione::FileDati;
        st.opzioni.fileDati = opzioni.fileName;
        st.opzioni.formatoFile = opzioni.file;
    } else if (opzioni.staVid == stampa::DoveStampare::Fissa) {
        st.opzioni.destinazione = stampa::Destinazione::Fissa;
        st.opzioni.fissa = opzioni.fissa;
        st.opzioni.fileFisso = opzioni.fisStampante.isEmpty() ? opzioni.fisFileName : QString();
        const QString coda = opzioni.fisStampante;
        st.opzioni.inviaFisso = [coda](const QByteArray& testo, QString& errore) {
            return stampa::inviaGrezzo(coda, testo, QStringLiteral("Stampa Fatture Passive"), errore);
        };
    } else {
        stampa::OpzioniStampa scelta = opzioni;
        if (!stampante_.isEmpty())
            scelta.nomeStampante = stampante_;
        stampante = stampa::preparaStampante(scelta, impostazione_->leggiSessioni(),
                                             stampa::leggiParametriProgramma(contesto_.menu),
                                             QStringLiteral("StFatPas"), ui);
        if (!stampante)
            return;
        st.opzioni.destinazione = stampa::Destinazione::Stampante;
        motore = std::make_unique<stampa::LumoStampe>();
        motore->apriDispositivo(stampante.get());
    }
    st.motore = motore.get();

    // The progress window follows whichever engine the run uses.
    stampa::frmStampaInCorso progresso(this);
    progresso.setWindowTitle(QStringLiteral("Stampa ordini in corso"));
    progresso.impostaDescrizione(QStringLiteral("Stampa Fattura Passiva"));
    const auto preparazione = st.allApertura;
    st.allApertura = [&](stampa::LumoStampe& s) {
        if (preparazione)
            preparazione(s);
        progresso.segui(s);
    };
    st.messaggio = [&](const QString& m) { progresso.impostaDescrizione(m); };
    st.dopoFattura = [](const stampa::ChiaveStampa&, int) {
        QCoreApplication::processEvents();
        return false;
    };
    progresso.impostaInterazione(ui);
    progresso.impostaOpzioni(*profilo_, *impostazione_);
    progresso.show();
    const stampa::EsitoStampa esito = st.AvviaStampa();
    if (anteprima) {
        // The preview keeps the engine for as long as it is open.
        stampa::LumoStampe* tenuto = motore.release();
        connect(anteprima, &QObject::destroyed, qApp, [tenuto] { delete tenuto; });
    }
    QString riepilogo = QStringLiteral("Stampate %1 fatture, %2 pagine").arg(esito.fatture).arg(esito.pagine);
    if (esito.interrotta)
        riepilogo += QStringLiteral(" (stampa interrotta)");
    // The PDFs of the run go by e-mail when the print options ask for it, with the progress window
    // still up: it asks what the send lacks.
    if (opzioni.inviaEmail && !esito.erroreFile && !esito.file.isEmpty()) {
        int inviate = 0;
        for (const QString& file : esito.file) {
            progresso.impostaDescrizione(QStringLiteral("Invio per email di ") + QFileInfo(file).fileName());
            inviate += stampa::InviaEmail(*impostazione_, file, progresso) ? 1 : 0;
        }
        riepilogo += QStringLiteral(" - %1 inviate per email").arg(inviate);
    }
    progresso.hide();
    staMessaggi->MostraMessaggio(riepilogo);
    // "Mess.Numero pagine": the count is told once the run is over (the preview shows it itself).
    if (opzioni.mostraNumPag && !anteprima && esito.fatture > 0)
        msgCom(ui, QStringLiteral("Pagine stampate: %1").arg(esito.pagine));
    emit stampaFinita(esito);
}

} // namespace tesel::ui
