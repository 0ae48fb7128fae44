#include "printing/forms/frmsceltastam.h"

#include "frame/ini.h"
#include "frame/interazione.h"
#include "printing/forms/stampantisistema.h"
#include "printing/parametriemail.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPageSize>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tesel::stampa {

namespace {

const QString Predefinito = QStringLiteral("Nessuna impostazione - Default");

QRadioButton* radio(const QString& testo, const QString& nome, QWidget* padre) {
    auto* r = new QRadioButton(testo, padre);
    r->setObjectName(nome);
    return r;
}

QString sn(bool v) {
    return v ? QStringLiteral("S") : QStringLiteral("N");
}

QString testoDove(DoveStampare d) {
    switch (d) {
    case DoveStampare::Video:
        return QStringLiteral("Video");
    case DoveStampare::File:
        return QStringLiteral("File");
    case DoveStampare::Fissa:
        return QStringLiteral("Fissa");
    default:
        return QStringLiteral("Stampante");
    }
}

QString testoFormato(FormatoFile f) {
    switch (f) {
    case FormatoFile::Xlsx:
        return QStringLiteral("xlsx");
    case FormatoFile::Txt:
        return QStringLiteral("txt");
    default:
        return QStringLiteral("csv");
    }
}

// The fixed-length fields: option, caption, least and greatest value (codes have none).
struct CampoFisso {
    const char* nome;
    const char* didascalia;
    int minimo;
    int massimo;
};
constexpr CampoFisso CampiFissi[] = {
    {"FisMrAlt", "Righe vuote in alto:", 0, 400},
    {"FisMrBas", "Righe vuote in basso:", 0, 400},
    {"FisColonne", "Colonne:", 20, 400},
    {"FisRighe", "Righe per pagina:", 10, 400},
    {"FisCodIniComp", "Inizio compresso:", -1, -1},
    {"FisCodFinComp", "Fine compresso:", -1, -1},
};

} // namespace

FrmSceltaStam::FrmSceltaStam(FileIni& profilo, const ImpostazioneStampa& impostazione, Interazione& ui,
                             QWidget* padre, Apertura apertura)
    : QDialog(padre), apertura_(apertura), profilo_(profilo), impostazione_(impostazione), ui_(ui) {
    setWindowTitle(QStringLiteral("Scelta della modalità di stampa"));
    setModal(true);
    pagine = new QStackedWidget(this);
    pagine->addWidget(costruisciScelta());
    pagine->addWidget(costruisciSalva());
    pagine->addWidget(costruisciPdfEmail());
    auto* l = new QVBoxLayout(this);
    l->addWidget(pagine);

    iniziali_ = impostazione_.leggiOpzioni(ui_);
    riempiStampanti();
    mostraOpzioni(iniziali_);
    for (const ParametroEmail& p : parametriPdfEmail())
        if (const QString v = impostazione_.opzione(SezioneOpzioni, p.nome); !v.isEmpty())
            pe_.insert(p.nome, v);
    mostraPannelloEmail(pe_);
    if (apertura_ == Apertura::SoloEmail) {
        pagine->setCurrentIndex(2);
        return;
    }
    // The saved printer is checked as the dialog opens.
    const EsitoStampante esito = IniOpzSta(elencoStampantiSistema(), iniziali_.nomeStampante,
                                           impostazione_.leggiSessioni(), UsoVerifica::Dialogo, ui_);
    for (int r = 0; r < GriPri->rowCount(); ++r)
        if (GriPri->item(r, 1)->text() == esito.stampante) {
            riempimento_ = true;
            GriPri->selectRow(r);
            riempimento_ = false;
            stampante_ = esito.stampante;
        }
    riempiCassettiECarta(stampante_);
    aggiornaAbilitati();
}

QWidget* FrmSceltaStam::costruisciScelta() {
    auto* w = new QWidget(this);
    GriPri = new QTableWidget(0, 3, w);
    GriPri->setObjectName(QStringLiteral("GriPri"));
    GriPri->setHorizontalHeaderLabels(
        {QStringLiteral("N."), QStringLiteral("Nome"), QStringLiteral("Porta")});
    GriPri->setSelectionBehavior(QAbstractItemView::SelectRows);
    GriPri->setSelectionMode(QAbstractItemView::SingleSelection);
    GriPri->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GriPri->verticalHeader()->hide();
    GriPri->horizontalHeader()->setStretchLastSection(true);
    GriPri->setMinimumHeight(110);
    connect(GriPri, &QTableWidget::currentCellChanged, this, [this](int riga) {
        if (!riempimento_ && riga >= 0)
            sceltaStampante(riga);
    });
    ComUsaDef = new QPushButton(QStringLiteral("Stampante predefinita"), w);
    ComUsaDef->setObjectName(QStringLiteral("ComUsaDef"));
    connect(ComUsaDef, &QPushButton::clicked, this, &FrmSceltaStam::ComUsaDef_Click);

    auto* fraSu = new QGroupBox(QStringLiteral("Stampa su:"), w);
    auto* lSu = new QHBoxLayout(fraSu);
    const char* su[] = {"&Stampante", "&Video", "&File", "File/stam. a &lung. fissa"};
    for (int i = 0; i < 4; ++i) {
        OptStampaSu[i] = radio(QString::fromUtf8(su[i]), QStringLiteral("OptStampaSu%1").arg(i), fraSu);
        lSu->addWidget(OptStampaSu[i]);
        connect(OptStampaSu[i], &QRadioButton::toggled, this, [this] { aggiornaAbilitati(); });
    }

    cboCassetti = new QComboBox(w);
    cboCassetti->setObjectName(QStringLiteral("cboCassetti"));
    cboTipoCarta = new QComboBox(w);
    cboTipoCarta->setObjectName(QStringLiteral("cboTipoCarta"));
    ComPaperSize = new QPushButton(QStringLiteral("PaperSize"), w);
    ComPaperSize->setObjectName(QStringLiteral("ComPaperSize"));
    connect(ComPaperSize, &QPushButton::clicked, this, &FrmSceltaStam::ComPaperSize_Click);
    CheForzaVert = new QCheckBox(
        QStringLiteral(
            "Forza la stampa in verticale (Da utilizzarsi solo in caso di foglio più grande  dell' A4)"),
        w);
    CheForzaVert->setObjectName(QStringLiteral("CheForzaVert"));
    CheNumPag = new QCheckBox(QStringLiteral("Mess.Numero pagine"), w);
    CheNumPag->setObjectName(QStringLiteral("CheNumPag"));
    PaginaDa = new QSpinBox(w);
    PaginaDa->setObjectName(QStringLiteral("PaginaDa"));
    PaginaA = new QSpinBox(w);
    PaginaA->setObjectName(QStringLiteral("PaginaA"));
    for (QSpinBox* s : {PaginaDa, PaginaA}) {
        s->setRange(0, 99999);
        s->setSpecialValueText(QStringLiteral("tutte"));
    }

    auto* carta = new QGridLayout;
    carta->addWidget(new QLabel(QStringLiteral("Cassetto:"), w), 0, 0);
    carta->addWidget(cboCassetti, 0, 1, 1, 2);
    carta->addWidget(new QLabel(QStringLiteral("Tipo carta:"), w), 1, 0);
    carta->addWidget(cboTipoCarta, 1, 1);
    carta->addWidget(ComPaperSize, 1, 2);
    auto* pagRange = new QHBoxLayout;
    pagRange->addWidget(CheNumPag);
    pagRange->addStretch();
    pagRange->addWidget(new QLabel(QStringLiteral("Stampa Pagine da:"), w));
    pagRange->addWidget(PaginaDa);
    pagRange->addWidget(new QLabel(QStringLiteral("a:"), w));
    pagRange->addWidget(PaginaA);

    // File options.
    auto* fraFile = new QGroupBox(QStringLiteral("Opzioni del file:"), w);
    fraFile->setObjectName(QStringLiteral("FraFile"));
    auto* lFile = new QGridLayout(fraFile);
    lFile->addWidget(new QLabel(QStringLiteral("Separatore campi :"), fraFile), 0, 0);
    const char* sep[] = {"&Spazio", "Ta&bulatore", "&Punto e virgola", "&Virgola"};
    auto* lSep = new QHBoxLayout;
    for (int i = 0; i < 4; ++i) {
        OptSepCampi[i] = radio(QString::fromUtf8(sep[i]), QStringLiteral("OptSepCampi%1").arg(i), fraFile);
        lSep->addWidget(OptSepCampi[i]);
    }
    auto* gruppoSep = new QWidget(fraFile);
    gruppoSep->setLayout(lSep);
    lFile->addWidget(gruppoSep, 0, 1);
    lFile->addWidget(new QLabel(QStringLiteral("Qualificatore testo:"), fraFile), 1, 0);
    const QString qual[] = {QStringLiteral("&Nessuno"), QStringLiteral("' S&ingolo apice"),
                            QStringLiteral("\" &Doppio apice")};
    auto* lQual = new QHBoxLayout;
    for (int i = 0; i < 3; ++i) {
        OptDelimStr[i] = radio(qual[i], QStringLiteral("OptDelimStr%1").arg(i), fraFile);
        lQual->addWidget(OptDelimStr[i]);
    }
    auto* gruppoQual = new QWidget(fraFile);
    gruppoQual->setLayout(lQual);
    lFile->addWidget(gruppoQual, 1, 1);
    CheNumNoForm = new QCheckBox(QStringLiteral("Tolgo il formato nei campi numerici"), fraFile);
    CheNumNoForm->setObjectName(QStringLiteral("CheNumNoForm"));
    lFile->addWidget(CheNumNoForm, 2, 1);
    LabFileName = new QLabel(fraFile);
    LabFileName->setObjectName(QStringLiteral("LabFileName"));
    LabFileForm = new QLabel(fraFile);
    LabFileForm->setObjectName(QStringLiteral("LabFileForm"));
    ComOpzFile = new QPushButton(QStringLiteral("Cambia"), fraFile);
    ComOpzFile->setObjectName(QStringLiteral("ComOpzFile"));
    connect(ComOpzFile, &QPushButton::clicked, this, &FrmSceltaStam::ComOpzFile_Click);
    auto* lNome = new QHBoxLayout;
    lNome->addWidget(new QLabel(QStringLiteral("File di stampa:"), fraFile));
    lNome->addWidget(LabFileName, 1);
    lNome->addWidget(new QLabel(QStringLiteral("Formato:"), fraFile));
    lNome->addWidget(LabFileForm);
    lNome->addWidget(ComOpzFile);
    lFile->addLayout(lNome, 3, 0, 1, 2);

    // Fixed-length options.
    auto* fraFis = new QGroupBox(QStringLiteral("Opzioni per la stampa / file a lunghezza fissa:"), w);
    fraFis->setObjectName(QStringLiteral("FraFissa"));
    auto* lFis = new QGridLayout(fraFis);
    GriPorte = new QTableWidget(0, 2, fraFis);
    GriPorte->setObjectName(QStringLiteral("GriPorte"));
    GriPorte->setHorizontalHeaderLabels({QStringLiteral("Stampa su"), QStringLiteral("Porta")});
    GriPorte->setSelectionBehavior(QAbstractItemView::SelectRows);
    GriPorte->setSelectionMode(QAbstractItemView::SingleSelection);
    GriPorte->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GriPorte->verticalHeader()->hide();
    GriPorte->horizontalHeader()->setStretchLastSection(true);
    GriPorte->setMaximumHeight(100);
    lFis->addWidget(GriPorte, 0, 0, 4, 1);
    int i = 0;
    for (const CampoFisso& c : CampiFissi) {
        const QString nome = QString::fromLatin1(c.nome);
        auto* t = new QLineEdit(fraFis);
        t->setObjectName(QStringLiteral("txt") + nome);
        t->setMaximumWidth(90);
        txtFis[nome] = t;
        connect(t, &QLineEdit::editingFinished, this, [this, nome] { controllaFisso(nome); });
        lFis->addWidget(new QLabel(QString::fromUtf8(c.didascalia), fraFis), i % 3, 1 + 2 * (i / 3));
        lFis->addWidget(t, i % 3, 2 + 2 * (i / 3));
        ++i;
    }
    CheFisUtilComp = new QCheckBox(QStringLiteral("Stampo in compresso"), fraFis);
    CheFisUtilComp->setObjectName(QStringLiteral("CheFisUtilComp"));
    ComOpzFis = new QPushButton(QStringLiteral("&Nome File"), fraFis);
    ComOpzFis->setObjectName(QStringLiteral("ComOpzFis"));
    connect(ComOpzFis, &QPushButton::clicked, this, &FrmSceltaStam::ComOpzFis_Click);
    LabFisFileName = new QLabel(fraFis);
    LabFisFileName->setObjectName(QStringLiteral("LabFisFileName"));
    lFis->addWidget(CheFisUtilComp, 3, 1, 1, 2);
    lFis->addWidget(ComOpzFis, 3, 3);
    lFis->addWidget(LabFisFileName, 3, 4);

    ChePdfAutom = new QCheckBox(QStringLiteral("Nome file Pdf autom."), w);
    ChePdfAutom->setObjectName(QStringLiteral("ChePdfAutom"));
    CheInviaEmail = new QCheckBox(QStringLiteral("Invia per Email"), w);
    CheInviaEmail->setObjectName(QStringLiteral("CheInviaEmail"));
    ComSalOpz = new QPushButton(QStringLiteral("Salva op&zioni stampa"), w);
    ComSalOpz->setObjectName(QStringLiteral("ComSalOpz"));
    ComCancOpz = new QPushButton(QStringLiteral("Canc. op&zioni stampa"), w);
    ComCancOpz->setObjectName(QStringLiteral("ComCancOpz"));
    ComParIniPE = new QPushButton(QStringLiteral("Par ini Pdf/Email"), w);
    ComParIniPE->setObjectName(QStringLiteral("ComParIniPE"));
    ComChiudi = new QPushButton(QStringLiteral("&Chiudi"), w);
    ComChiudi->setObjectName(QStringLiteral("ComChiudi"));
    ComChiudi->setDefault(true);
    connect(ComSalOpz, &QPushButton::clicked, this, &FrmSceltaStam::ComSalOpz_Click);
    connect(ComCancOpz, &QPushButton::clicked, this, &FrmSceltaStam::ComCancOpz_Click);
    connect(ComParIniPE, &QPushButton::clicked, this, &FrmSceltaStam::ComParIniPE_Click);
    connect(ComChiudi, &QPushButton::clicked, this, [this] {
        if (ComChiudi_Click())
            accept();
    });
    staMessaggi = new QLabel(w);
    staMessaggi->setObjectName(QStringLiteral("staMessaggi"));
    staMessaggi->setFrameShape(QFrame::StyledPanel);

    auto* lStampanti = new QHBoxLayout;
    lStampanti->addWidget(GriPri, 1);
    auto* lDef = new QVBoxLayout;
    lDef->addWidget(ComUsaDef);
    lDef->addStretch();
    lStampanti->addLayout(lDef);
    auto* pdf = new QHBoxLayout;
    pdf->addWidget(ChePdfAutom);
    pdf->addWidget(CheInviaEmail);
    pdf->addStretch();
    auto* bottoni = new QHBoxLayout;
    bottoni->addWidget(ComSalOpz);
    bottoni->addWidget(ComCancOpz);
    bottoni->addWidget(ComParIniPE);
    bottoni->addStretch();
    bottoni->addWidget(ComChiudi);

    auto* l = new QVBoxLayout(w);
    l->addWidget(new QLabel(QStringLiteral("Scelta della stampante:"), w));
    l->addLayout(lStampanti);
    l->addWidget(fraSu);
    l->addLayout(carta);
    l->addWidget(CheForzaVert);
    l->addLayout(pagRange);
    l->addWidget(fraFile);
    l->addWidget(fraFis);
    l->addLayout(pdf);
    l->addLayout(bottoni);
    l->addWidget(staMessaggi);
    return w;
}

void FrmSceltaStam::riempiStampanti() {
    riempimento_ = true;
    const ElencoStampanti elenco = elencoStampantiSistema();
    GriPri->setRowCount(int(elenco.nomi.size()));
    GriPorte->setRowCount(int(elenco.nomi.size()) + 1);
    GriPorte->setItem(0, 0, new QTableWidgetItem(QStringLiteral("File")));
    GriPorte->setItem(0, 1, new QTableWidgetItem(QString()));
    for (int r = 0; r < elenco.nomi.size(); ++r) {
        const QString& nome = elenco.nomi[r];
        const QString porta = portaStampante(nome);
        // The default printer is marked in the number column and in bold.
        auto* numero = new QTableWidgetItem(QString::number(r + 1) +
                                            (nome == elenco.predefinita ? QStringLiteral("*") : QString()));
        auto* voce = new QTableWidgetItem(nome);
        if (nome == elenco.predefinita) {
            QFont f = voce->font();
            f.setBold(true);
            voce->setFont(f);
            voce->setToolTip(QStringLiteral("Stampante predefinita"));
        }
        GriPri->setItem(r, 0, numero);
        GriPri->setItem(r, 1, voce);
        GriPri->setItem(r, 2, new QTableWidgetItem(porta));
        GriPorte->setItem(r + 1, 0, new QTableWidgetItem(nome));
        GriPorte->setItem(r + 1, 1, new QTableWidgetItem(porta));
    }
    // Queue names are read whole; the port takes what is left.
    GriPri->resizeColumnToContents(0);
    GriPri->resizeColumnToContents(1);
    GriPorte->resizeColumnToContents(0);
    riempimento_ = false;
}

void FrmSceltaStam::riempiCassettiECarta(const QString& stampante) {
    cboCassetti->clear();
    cboCassetti->addItem(Predefinito, 0);
    // "StampantiNoCassetti": "Tutti"/"tutte", or the queues, separated by ",", whose bins are not offered.
    const QString no = impostazione_.opzione(SezioneOpzioni, QStringLiteral("StampantiNoCassetti")).trimmed();
    bool senza = no.compare(QStringLiteral("tutti"), Qt::CaseInsensitive) == 0 ||
                 no.compare(QStringLiteral("tutte"), Qt::CaseInsensitive) == 0;
    for (const QString& n : no.split(QLatin1Char(',')))
        senza = senza || (!stampante.isEmpty() && n.trimmed().compare(stampante, Qt::CaseInsensitive) == 0);
    if (!senza && !stampante.isEmpty()) {
        int n = 0;
        for (const Cassetto& c : cassettiStampante(stampante))
            cboCassetti->addItem(c.descrizione, ++n);
    }
    cboCassetti->setCurrentIndex(std::max(0, cboCassetti->findData(iniziali_.numCassetto)));

    cboTipoCarta->clear();
    cboTipoCarta->addItem(Predefinito, 0);
    const QPrinterInfo info = QPrinterInfo::printerInfo(stampante);
    const QPageSize attuale = info.defaultPageSize();
    for (const QPageSize& p : info.supportedPageSizes()) {
        if (p.id() == QPageSize::Custom || cboTipoCarta->findData(int(p.id())) >= 0)
            continue;
        cboTipoCarta->addItem(p.name() + (p.id() == attuale.id() ? QStringLiteral(" (ATTUALE)") : QString()),
                              int(p.id()));
    }
    if (iniziali_.numTipoCarta > 0 && cboTipoCarta->findData(iniziali_.numTipoCarta) < 0)
        cboTipoCarta->addItem(QPageSize(QPageSize::PageSizeId(iniziali_.numTipoCarta)).name(),
                              iniziali_.numTipoCarta);
    cboTipoCarta->setCurrentIndex(std::max(0, cboTipoCarta->findData(iniziali_.numTipoCarta)));
}

void FrmSceltaStam::mostraOpzioni(const OpzioniStampa& o) {
    OptStampaSu[int(o.staVid)]->setChecked(true);
    CheForzaVert->setChecked(o.forzaVert);
    CheNumPag->setChecked(o.mostraNumPag);
    const int sep = o.file.separatore == u' '    ? 0
                    : o.file.separatore == u'\t' ? 1
                    : o.file.separatore == u','  ? 3
                                                 : 2;
    OptSepCampi[sep]->setChecked(true);
    OptDelimStr[o.file.qualificatore == u"'" ? 1 : o.file.qualificatore == u"\"" ? 2 : 0]->setChecked(true);
    CheNumNoForm->setChecked(o.file.numeriSenzaFormato);
    fileName_ = o.fileName;
    formato_ = o.file.formato;
    LabFileName->setText(fileName_);
    LabFileForm->setText(testoFormato(formato_));
    txtFis[QStringLiteral("FisMrAlt")]->setText(QString::number(o.fissa.righeVuoteAlto));
    txtFis[QStringLiteral("FisMrBas")]->setText(QString::number(o.fissa.righeVuoteBasso));
    txtFis[QStringLiteral("FisColonne")]->setText(QString::number(o.fissa.colonne));
    txtFis[QStringLiteral("FisRighe")]->setText(QString::number(o.fissa.righe));
    txtFis[QStringLiteral("FisCodIniComp")]->setText(sequenzaATesto(o.fissa.inizioCompresso));
    txtFis[QStringLiteral("FisCodFinComp")]->setText(sequenzaATesto(o.fissa.fineCompresso));
    CheFisUtilComp->setChecked(o.fissa.compresso);
    fisFileName_ = o.fisFileName;
    LabFisFileName->setText(fisFileName_);
    int porta = 0;
    for (int r = 1; r < GriPorte->rowCount(); ++r)
        if (GriPorte->item(r, 0)->text() == o.fisStampante)
            porta = r;
    GriPorte->selectRow(porta);
    const PdfAutomatico automatico = impostazione_.leggiPdfAutomatico();
    ChePdfAutom->setEnabled(automatico.abilitato);
    ChePdfAutom->setChecked(automatico.abilitato && o.pdfNomeAutom);
    CheInviaEmail->setChecked(o.inviaEmail);
}

void FrmSceltaStam::aggiornaAbilitati() {
    const bool file = OptStampaSu[2]->isChecked();
    const bool fissa = OptStampaSu[3]->isChecked();
    for (QWidget* f : {findChild<QWidget*>(QStringLiteral("FraFile"))})
        f->setEnabled(file);
    findChild<QWidget*>(QStringLiteral("FraFissa"))->setEnabled(fissa);
}

void FrmSceltaStam::sceltaStampante(int riga) {
    const QString nome = GriPri->item(riga, 1)->text();
    const EsitoStampante esito =
        IniOpzSta(elencoStampantiSistema(), nome, impostazione_.leggiSessioni(), UsoVerifica::Dialogo, ui_);
    stampante_ = esito.stampante.isEmpty() ? nome : esito.stampante;
    riempiCassettiECarta(stampante_);
    staMessaggi->setText(QStringLiteral("Stampante scelta: ") + stampante_);
}

void FrmSceltaStam::ComUsaDef_Click() {
    const QString predefinita = QPrinterInfo::defaultPrinterName();
    for (int r = 0; r < GriPri->rowCount(); ++r)
        if (GriPri->item(r, 1)->text() == predefinita) {
            riempimento_ = true;
            GriPri->selectRow(r);
            riempimento_ = false;
            sceltaStampante(r);
            return;
        }
    msgCom(ui_, QStringLiteral("Stampante di default non disponibile"));
}

void FrmSceltaStam::ComPaperSize_Click() {
    const QList<QPageSize> formati = QPrinterInfo::printerInfo(stampante_).supportedPageSizes();
    if (formati.isEmpty()) {
        msgCom(ui_, QStringLiteral("Errore nel driver nella ricerca informazioni Papersize"));
        return;
    }
    QStringList righe{QStringLiteral("Formati disponibili")};
    for (const QPageSize& p : formati)
        righe << p.name() + QStringLiteral(" (%1 x %2 mm)")
                                .arg(p.size(QPageSize::Millimeter).width(), 0, 'f', 0)
                                .arg(p.size(QPageSize::Millimeter).height(), 0, 'f', 0);
    msgCom(ui_, righe.join(QLatin1Char('\n')));
}

void FrmSceltaStam::ComOpzFile_Click() {
    const QString excel = QStringLiteral("Formato Excel (*.xlsx)");
    const QString compatibile = QStringLiteral("Compatibile Excel (*.csv *.txt)");
    const QString testo = QStringLiteral("Testo (*.txt)");
    QString filtro = formato_ == FormatoFile::Xlsx  ? excel
                     : formato_ == FormatoFile::Txt ? testo
                                                    : compatibile;
    const QString file = QFileDialog::getSaveFileName(
        this, QStringLiteral("Nome del file di stampa"), fileName_,
        excel + QStringLiteral(";;") + compatibile + QStringLiteral(";;") + testo, &filtro,
        QFileDialog::DontConfirmOverwrite);
    if (file.isEmpty())
        return;
    fileName_ = file;
    const QString ext = QFileInfo(file).suffix().toLower();
    if (filtro == excel)
        formato_ = FormatoFile::Xlsx;
    else if (filtro == testo)
        formato_ = FormatoFile::Txt;
    else
        formato_ = ext == u"txt" ? FormatoFile::Txt : FormatoFile::Csv;
    if (formato_ == FormatoFile::Xlsx && ext != u"xlsx")
        fileName_ += QStringLiteral(".xlsx");
    LabFileName->setText(fileName_);
    LabFileForm->setText(testoFormato(formato_));
}

void FrmSceltaStam::ComOpzFis_Click() {
    const QString file = QFileDialog::getSaveFileName(
        this, QStringLiteral("Nome file per stampa fissa"), fisFileName_,
        QStringLiteral("Testo (*.txt *.prn);;Tutti (*)"), nullptr, QFileDialog::DontConfirmOverwrite);
    if (file.isEmpty())
        return;
    fisFileName_ = file;
    LabFisFileName->setText(file);
}

bool FrmSceltaStam::controllaFisso(const QString& nome) {
    QLineEdit* t = txtFis.at(nome);
    const QString v = t->text().trimmed();
    QString errore;
    for (const CampoFisso& c : CampiFissi) {
        if (nome != QLatin1String(c.nome))
            continue;
        if (c.minimo < 0) {
            if (!sequenzaDaTesto(v))
                errore = QStringLiteral(
                    "Scrivere i codici dei caratteri separati da virgola (da 0 a 255), es. 27,15");
        } else {
            bool ok = false;
            const int n = v.toInt(&ok);
            if (!ok || n < c.minimo || n > c.massimo)
                errore = QStringLiteral("%1 deve essere un numero da %2 a %3")
                             .arg(QString::fromUtf8(c.didascalia).chopped(1))
                             .arg(c.minimo)
                             .arg(c.massimo);
        }
    }
    t->setStyleSheet(errore.isEmpty() ? QString() : QStringLiteral("background: #ffd0d0"));
    staMessaggi->setText(errore);
    return errore.isEmpty();
}

OpzioniStampa FrmSceltaStam::scelta() const {
    OpzioniStampa o = iniziali_;
    for (const auto& [i, r] : OptStampaSu)
        if (r->isChecked())
            o.staVid = DoveStampare(i);
    o.nomeStampante = stampante_;
    o.nomePorta = portaStampante(stampante_);
    o.forzaVert = CheForzaVert->isChecked();
    o.mostraNumPag = CheNumPag->isChecked();
    o.numCassetto = cboCassetti->currentData().toInt();
    o.numTipoCarta = cboTipoCarta->currentData().toInt();
    const QChar sep[] = {QLatin1Char(' '), QLatin1Char('\t'), QLatin1Char(';'), QLatin1Char(',')};
    for (const auto& [i, r] : OptSepCampi)
        if (r->isChecked())
            o.file.separatore = sep[i];
    const QString qual[] = {QString(), QStringLiteral("'"), QStringLiteral("\"")};
    for (const auto& [i, r] : OptDelimStr)
        if (r->isChecked())
            o.file.qualificatore = qual[i];
    o.file.numeriSenzaFormato = CheNumNoForm->isChecked();
    o.file.formato = formato_;
    o.fileName = fileName_;
    o.fisFileName = fisFileName_;
    const int porta = GriPorte->currentRow();
    o.fisStampante = porta > 0 ? GriPorte->item(porta, 0)->text() : QString();
    const auto intero = [&](const char* nome, int& dove) {
        bool ok = false;
        const int n = txtFis.at(QString::fromLatin1(nome))->text().trimmed().toInt(&ok);
        if (ok)
            dove = n;
    };
    intero("FisMrAlt", o.fissa.righeVuoteAlto);
    intero("FisMrBas", o.fissa.righeVuoteBasso);
    intero("FisColonne", o.fissa.colonne);
    intero("FisRighe", o.fissa.righe);
    o.fissa.inizioCompresso =
        sequenzaDaTesto(txtFis.at(QStringLiteral("FisCodIniComp"))->text()).value_or(QByteArray());
    o.fissa.fineCompresso =
        sequenzaDaTesto(txtFis.at(QStringLiteral("FisCodFinComp"))->text()).value_or(QByteArray());
    o.fissa.compresso = CheFisUtilComp->isChecked();
    o.pdfNomeAutom = ChePdfAutom->isEnabled() && ChePdfAutom->isChecked();
    o.inviaEmail = CheInviaEmail->isChecked();
    o.paginaDa = PaginaDa->value();
    o.paginaA = PaginaA->value();
    return o;
}

QString FrmSceltaStam::stampante() const {
    return stampante_;
}

int FrmSceltaStam::paginaDa() const {
    return PaginaDa->value();
}

int FrmSceltaStam::paginaA() const {
    return PaginaA->value();
}

std::vector<FrmSceltaStam::VoceOpzione> FrmSceltaStam::vociOpzioni() const {
    const OpzioniStampa o = scelta();
    return {
        {QStringLiteral("StaVid"), QStringLiteral("Dove stampare:"), testoDove(o.staVid)},
        {QStringLiteral("NomeStampante"), QStringLiteral("Nome stampante:"), o.nomeStampante},
        {QStringLiteral("NomePorta"), QStringLiteral("Porta stampante:"), o.nomePorta},
        {QStringLiteral("ForzaVert"), QStringLiteral("Forza verticale:"), sn(o.forzaVert)},
        {QStringLiteral("FileForm"), QStringLiteral("Formato di stampa per stampe su file:"),
         testoFormato(o.file.formato)},
        {QStringLiteral("FileName"), QStringLiteral("File di stampa per stampe su file:"), o.fileName},
        {QStringLiteral("PathDefault"), QStringLiteral("Path di default:"), o.pathDefault},
        {QStringLiteral("SepCampi"), QStringLiteral("Separatore campi per stampe su file:"),
         testoSeparatore(o.file.separatore)},
        {QStringLiteral("DelimStr"), QStringLiteral("Qualificatore testo per stampe su file:"),
         testoQualificatore(o.file.qualificatore)},
        {QStringLiteral("NumNoForm"),
         QStringLiteral("Tolgo il formato nei campi numerici  per stampe su file:"),
         sn(o.file.numeriSenzaFormato)},
        {QStringLiteral("Fatt"), QStringLiteral("Fattore di visualizzazione:"), QString::number(o.fatt)},
        {QStringLiteral("MemVid"), QStringLiteral("Memorizza pagine per stampa a video:"), sn(o.memVid)},
        {QStringLiteral("FisFileName"), QStringLiteral("Nome file per stampa fissa:"), o.fisFileName},
        {QStringLiteral("FisStampante"), QStringLiteral("Stampa fissa su:"), o.fisStampante},
        {QStringLiteral("FisMrAlt"), QStringLiteral("Righe vuote in alto per stampa fissa:"),
         QString::number(o.fissa.righeVuoteAlto)},
        {QStringLiteral("FisMrBas"), QStringLiteral("Righe vuote in basso per stampa fissa:"),
         QString::number(o.fissa.righeVuoteBasso)},
        {QStringLiteral("FisColonne"), QStringLiteral("Numero di colonne per stampa fissa:"),
         QString::number(o.fissa.colonne)},
        {QStringLiteral("FisRighe"), QStringLiteral("Righe per pagina per stampa fissa:"),
         QString::number(o.fissa.righe)},
        {QStringLiteral("FisCodIniComp"), QStringLiteral("Sequenza inizio compresso:"),
         sequenzaATesto(o.fissa.inizioCompresso)},
        {QStringLiteral("FisCodFinComp"), QStringLiteral("Sequenza fine compresso:"),
         sequenzaATesto(o.fissa.fineCompresso)},
        {QStringLiteral("FisUtilComp"), QStringLiteral("Stampa in compresso per stampa fissa:"),
         sn(o.fissa.compresso)},
        {QStringLiteral("NumCassetto"), QStringLiteral("Cassetto:"), QString::number(o.numCassetto)},
        {QStringLiteral("NumTipoCarta"), QStringLiteral("Tipo carta:"), QString::number(o.numTipoCarta)},
        {QStringLiteral("MostraNumPag"), QStringLiteral("Mess.Numero pagine"), sn(o.mostraNumPag)},
        {QStringLiteral("PdfNomeAutom"), QStringLiteral("Nome file Pdf autom."), sn(o.pdfNomeAutom)},
        {QStringLiteral("InviaEmail"), QStringLiteral("Invia per Email"), sn(o.inviaEmail)},
    };
}

bool FrmSceltaStam::ComChiudi_Click() {
    for (const auto& [nome, t] : txtFis)
        if (OptStampaSu[3]->isChecked() && !controllaFisso(nome)) {
            msgCom(ui_,
                   QStringLiteral("ci sono dei dati non validi") + QLatin1Char('\n') + staMessaggi->text());
            return false;
        }
    const OpzioniStampa o = scelta();
    if (o.staVid == DoveStampare::Fissa) {
        if (const QString m = controllaOpzioniFissa(o.fissa); !m.isEmpty()) {
            msgCom(ui_, m);
            return false;
        }
        if (o.fisFileName.isEmpty() && o.fisStampante.isEmpty()) {
            msgCom(ui_, QStringLiteral("Scegliere il file o la stampante per la stampa a lunghezza fissa"));
            return false;
        }
    }
    if (o.staVid == DoveStampare::File && o.fileName.isEmpty()) {
        msgCom(ui_, QStringLiteral("Scegliere il file di stampa (Cambia)"));
        return false;
    }
    if (PaginaDa->value() > 0 && PaginaA->value() > 0 && PaginaDa->value() > PaginaA->value()) {
        msgCom(ui_, QStringLiteral("La pagina iniziale è oltre quella finale"));
        return false;
    }
    return true;
}

} // namespace tesel::stampa
