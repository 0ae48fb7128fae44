#include "printing/forms/frmcomlinstampa.h"

#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/ini.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "printing/forms/frmstampaincorso.h"
#include "printing/forms/frmvstampa.h"
#include "printing/forms/stampantisistema.h"
#include "ui/lista.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFontDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QVBoxLayout>

namespace tesel::stampa {

FrmComlinStampa::FrmComlinStampa(Contesto& contesto, ui::LumoComlin& lista, const QString& titolo,
                                 QString codSta, QWidget* padre)
    : QDialog(padre), contesto_(contesto), lista_(lista), titolo_(titolo) {
    setObjectName(QStringLiteral("FrmComlinStampa"));
    setWindowTitle(QStringLiteral("Stampa dati della lista"));
    if (codSta.isEmpty()) {
        codSta = titolo.simplified().remove(QLatin1Char(' '));
        if (!codSta.startsWith(QStringLiteral("Lista"), Qt::CaseInsensitive))
            codSta.prepend(QStringLiteral("Lista"));
    }
    profilo_ = std::make_unique<FileIni>(contesto_.configurazione.fileProfilo());
    impostazione_ = std::make_unique<ImpostazioneStampa>(
        *profilo_, postazioneCorrente(contesto_.menu), IdentitaStampa{codSta, titolo, {}},
        DatiAzienda{contesto_.parametri.leggi(QStringLiteral("Ditta.RagSoc")), {}, {}});

    auto* layout = new QVBoxLayout(this);
    auto* riga = new QHBoxLayout;
    ComUsaDef = new QPushButton(QStringLiteral("Stampante predefinita"), this);
    ComSceStam = new QPushButton(QStringLiteral("Seleziona Stampante"), this);
    riga->addWidget(ComUsaDef);
    riga->addWidget(ComSceStam);
    layout->addLayout(riga);
    auto* attuale = new QHBoxLayout;
    attuale->addWidget(new QLabel(QStringLiteral("Stampante attuale:"), this));
    labStampante = new QLabel(this);
    labStampante->setObjectName(QStringLiteral("labStampante"));
    attuale->addWidget(labStampante, 1);
    layout->addLayout(attuale);

    auto* scelte = new QHBoxLayout;
    FraStampa = new QGroupBox(QStringLiteral("Stampa "), this);
    auto* fs = new QVBoxLayout(FraStampa);
    OptColonne = {new QRadioButton(QStringLiteral("Tutte le colonne "), FraStampa),
                  new QRadioButton(QStringLiteral("Solo le colonne visibili"), FraStampa)};
    for (auto* o : OptColonne)
        fs->addWidget(o);
    FraOrientamento = new QGroupBox(QStringLiteral("Orientamento"), this);
    auto* fo = new QVBoxLayout(FraOrientamento);
    OptOrientamento = {new QRadioButton(QStringLiteral("Verticale"), FraOrientamento),
                       new QRadioButton(QStringLiteral("Orizzontale"), FraOrientamento)};
    for (auto* o : OptOrientamento)
        fo->addWidget(o);
    scelte->addWidget(FraStampa);
    scelte->addWidget(FraOrientamento);
    layout->addLayout(scelte);
    OptColonne[1]->setChecked(true);
    OptOrientamento[0]->setChecked(true);

    auto* carattere = new QHBoxLayout;
    ComFont = new QPushButton(QStringLiteral("Scegli Font"), this);
    labFont = new QLabel(this);
    carattere->addWidget(ComFont);
    carattere->addWidget(labFont, 1);
    layout->addLayout(carattere);

    auto* comandi = new QHBoxLayout;
    ComStampa = new QPushButton(QStringLiteral("&STAMPA"), this);
    ComEsci = new QPushButton(QStringLiteral("&ESCI"), this);
    comandi->addStretch();
    comandi->addWidget(ComStampa);
    comandi->addWidget(ComEsci);
    layout->addLayout(comandi);

    connect(ComUsaDef, &QPushButton::clicked, this, &FrmComlinStampa::ComUsaDef_Click);
    connect(ComSceStam, &QPushButton::clicked, this, &FrmComlinStampa::ComSceStam_Click);
    connect(ComFont, &QPushButton::clicked, this, &FrmComlinStampa::ComFont_Click);
    connect(ComStampa, &QPushButton::clicked, this, &FrmComlinStampa::ComStampa_Click);
    connect(ComEsci, &QPushButton::clicked, this, &QDialog::reject);

    impostaFont(QFont(QStringLiteral("Arial"), 10));
    // The printer of the options, checked as the dialog opens.
    const OpzioniStampa o = impostazione_->leggiOpzioni(contesto_.interazione);
    const EsitoStampante e =
        IniOpzSta(elencoStampantiSistema(), o.nomeStampante, impostazione_->leggiSessioni(),
                  UsoVerifica::Dialogo, contesto_.interazione);
    stampante_ = e.stampante;
    labStampante->setText(stampante_.isEmpty() ? QStringLiteral("(nessuna stampante disponibile)")
                                               : stampante_);
    setMinimumWidth(420);
}

FrmComlinStampa::~FrmComlinStampa() = default;

void FrmComlinStampa::impostaFont(const QFont& f) {
    font_ = f;
    labFont->setText(QStringLiteral("%1 %2%3")
                         .arg(f.family())
                         .arg(f.pointSizeF())
                         .arg(f.bold() ? QStringLiteral(" grassetto") : QString()));
}

bool FrmComlinStampa::verificaStampante(const QString& nome) {
    const EsitoStampante e = IniOpzSta(elencoStampantiSistema(), nome, impostazione_->leggiSessioni(),
                                       UsoVerifica::Dialogo, contesto_.interazione);
    if (e.stampante.isEmpty())
        return false;
    if (!nome.isEmpty() && e.stampante != nome) {
        msgCom(contesto_.interazione, QStringLiteral("Impossibile impostare la stampante predefinita") +
                                          QLatin1Char('\n') + QStringLiteral("per stampare su ") + nome +
                                          QStringLiteral(" uscire dal programma e rientrare") +
                                          QStringLiteral("Oppure scegliere un'altra stampante"));
        return false;
    }
    stampante_ = e.stampante;
    labStampante->setText(stampante_);
    return true;
}

void FrmComlinStampa::ComUsaDef_Click() {
    verificaStampante(QPrinterInfo::defaultPrinterName());
}

void FrmComlinStampa::ComSceStam_Click() {
    QPrinter p(
        QPrinterInfo::printerInfo(stampante_.isEmpty() ? QPrinterInfo::defaultPrinterName() : stampante_),
        QPrinter::HighResolution);
    QPrintDialog d(&p, this);
    d.setWindowTitle(QStringLiteral("Scelta della modalità di stampa"));
    if (d.exec() == QDialog::Accepted)
        verificaStampante(p.printerName());
}

void FrmComlinStampa::ComFont_Click() {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, font_, this, QStringLiteral("Scegliere il font per la stampa"));
    if (ok)
        impostaFont(f);
}

bool FrmComlinStampa::esegui(LumoStampe& s, bool soloVisibili, frmStampaInCorso& progresso) {
    progresso.impostaDescrizione(titolo_);
    progresso.segui(s);
    progresso.show();
    ImpostazioniStampaLista imp;
    imp.titolo = titolo_;
    imp.azienda = impostazione_->azienda().descAzie;
    imp.protUltRiga = leggiParametriProgramma(contesto_.menu).protUltRiga;
    esito_.lista = lista_.AvviaStampa(s, soloVisibili, font_, imp);
    return !esito_.lista.interrotta;
}

void FrmComlinStampa::ComStampa_Click() {
    Interazione& ui = contesto_.interazione;
    if (lista_.stampaInCorso()) {
        msgCom(ui, QStringLiteral("Si può lanciare solo una stampa alla volta"));
        return;
    }
    if (!OptOrientamento[0]->isChecked() && !OptOrientamento[1]->isChecked()) {
        msgCom(ui, QStringLiteral("Scegliere un' orientamento"));
        return;
    }
    if (!OptColonne[0]->isChecked() && !OptColonne[1]->isChecked()) {
        msgCom(ui, QStringLiteral("Scegliere un tipo di stampa"));
        return;
    }
    const bool orizzontale = OptOrientamento[1]->isChecked();
    const bool soloVisibili = OptColonne[1]->isChecked();
    const auto orientamento = orizzontale ? QPageLayout::Landscape : QPageLayout::Portrait;
    esito_ = {};
    LumoStampe* motore = new LumoStampe;
    std::unique_ptr<LumoStampe> tenuto(motore);
    OpzioniStampa o = impostazione_->prepara(*motore, ui);
    const QPageSize foglio = o.numTipoCarta > 0
                                 ? QPageSize(static_cast<QPageSize::PageSizeId>(o.numTipoCarta))
                                 : QPageSize(QPageSize::A4);
    motore->impostaFormato(foglio, orientamento);

    // The rows as a data file: the CSV of the list.
    if (o.staVid == DoveStampare::File) {
        QString file = fileCsv ? fileCsv() : o.fileName;
        if (file.isEmpty() || !fileCsv)
            file = QFileDialog::getSaveFileName(
                this, QStringLiteral("Nome del file di stampa"),
                file.isEmpty() ? QDir(o.pathDefault).filePath(QStringLiteral("lista.csv")) : file,
                QStringLiteral("Compatibile Excel (*.csv;*.txt)"));
        if (file.isEmpty())
            return;
        esito_.eseguita = lista_.esportaCsv(file);
        esito_.file = file;
        return;
    }

    const PdfAutomatico automatico = impostazione_->leggiPdfAutomatico();
    QTemporaryDir temporanea;
    QString pdf;
    if (automatico.attivo(o))
        pdf = impostazione_->nomePdf({}, QDir::homePath());
    else if (o.inviaEmail)
        pdf = temporanea.filePath(impostazione_->identita().codSta + QStringLiteral(".pdf"));

    std::unique_ptr<QPrinter> stampante;
    QPointer<FrmVStampa> anteprima;
    if (!pdf.isEmpty()) {
        QDir().mkpath(QFileInfo(pdf).absolutePath());
        if (!motore->apriPdf(pdf, titolo_)) {
            msgCom(ui, motore->errore());
            return;
        }
    } else if (o.staVid == DoveStampare::Video) {
        anteprima = new FrmVStampa(ui);
        anteprima->setAttribute(Qt::WA_DeleteOnClose);
        anteprima->impostaFatt(o.fatt);
        anteprima->impostaMemVid(o.memVid);
        anteprima->setOgStampa(motore);
        motore->apriAnteprima(anteprima);
        anteprima->show();
    } else {
        // Printer (the fixed-length destination has no meaning for a list: it prints too).
        o.nomeStampante = stampante_;
        stampante =
            preparaStampante(o, impostazione_->leggiSessioni(), leggiParametriProgramma(contesto_.menu),
                             impostazione_->identita().codSta, ui);
        if (!stampante)
            return;
        stampante->setPageOrientation(orientamento);
        motore->apriDispositivo(stampante.get());
    }
    // The progress window stays up until the e-mail has gone, so that it can ask what the send lacks.
    frmStampaInCorso progresso(this);
    progresso.impostaInterazione(ui);
    progresso.impostaOpzioni(*profilo_, *impostazione_);
    esegui(*motore, soloVisibili, progresso);
    if (!motore->fine()) {
        progresso.hide();
        msgCom(ui, motore->errore());
        return;
    }
    if (anteprima) {
        // The preview keeps the engine for as long as it is open.
        tenuto.release();
        connect(anteprima, &QObject::destroyed, qApp, [motore] { delete motore; });
    }
    esito_.eseguita = true;
    esito_.file = pdf;
    if (o.inviaEmail && !pdf.isEmpty()) {
        progresso.impostaDescrizione(titolo_ + QStringLiteral("\nInvio dell'email in corso"));
        esito_.emailInviata = InviaEmail(*impostazione_, pdf, progresso);
    }
    progresso.hide();
}

void apriStampaLista(Contesto& contesto, ui::LumoComlin& lista, const QString& titolo) {
    FrmComlinStampa f(contesto, lista, titolo, {}, lista.window());
    f.exec();
}

} // namespace tesel::stampa
