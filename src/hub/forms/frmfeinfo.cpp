#include "hub/forms/frmfeinfo.h"

#include "frame/contesto.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "hub/appo.h"
#include "hub/hubservizio.h"
#include "hub/infohub.h"

#include <QCoreApplication>
#include <QDate>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tesel::ui {

frmFEInfo::frmFEInfo(Contesto& contesto, QWidget* padre)
    : FormTesel(QStringLiteral("frmFEInfo"), contesto, padre) {
    setWindowTitle(QStringLiteral("Informazioni account Hub"));
    auto* l = new QVBoxLayout(this);
    txt = new QPlainTextEdit(this);
    txt->setObjectName(QStringLiteral("txt"));
    txt->setReadOnly(true);
    txt->setTabStopDistance(txt->fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 4);
    l->addWidget(txt, 1);
    LabOper = new QLabel(this);
    LabOper->setObjectName(QStringLiteral("LabOper"));
    l->addWidget(LabOper);
    auto* comandi = new QHBoxLayout;
    const auto bottone = [&](const char* nome, const QString& testo) {
        auto* b = new QPushButton(testo, this);
        b->setObjectName(QLatin1String(nome));
        b->setAutoDefault(false);
        comandi->addWidget(b);
        return b;
    };
    ComEstrai = bottone("ComEstrai", QStringLiteral("&Leggi informazioni"));
    ComSalvaProgr = bottone("ComSalvaProgr", QStringLiteral("&Salva progressivo invio"));
    ComSalvaProgr->setToolTip(
        QStringLiteral("Copia il progressivo d'invio della ditta dall'Hub nei parametri di fatturazione"));
    comandi->addStretch();
    ComEsci = bottone("ComEsci", QStringLiteral("&Esci"));
    l->addLayout(comandi);
    connect(ComEstrai, &QPushButton::clicked, this, &frmFEInfo::ComEstrai_Click);
    connect(ComSalvaProgr, &QPushButton::clicked, this, &frmFEInfo::ComSalvaProgr_Click);
    connect(ComEsci, &QPushButton::clicked, this, &QWidget::close);
    resize(640, 520);
}

void frmFEInfo::Carica() {
    oiLoadOk = -1;
}

void frmFEInfo::aggiungi(const QString& testo) {
    QString t = testo;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!txt->toPlainText().isEmpty() && !t.isEmpty())
        t.prepend(u'\n');
    txt->moveCursor(QTextCursor::End);
    txt->insertPlainText(t);
}

void frmFEInfo::ComEstrai_Click() {
    if (!contesto_.hub) {
        msgCom(contesto_.interazione, QStringLiteral("HUB non attivo"));
        return;
    }
    LabOper->setText(QStringLiteral("Lettura informazioni dall'Hub"));
    ComEstrai->setEnabled(false);
    QCoreApplication::processEvents();
    const hub::EsitoInfoHub e = hub::EstraiInfoHub(
        *contesto_.hub, contesto_.parametri.leggi(QStringLiteral("Ditta.PartIva")).trimmed(),
        QDate::currentDate().year());
    ComEstrai->setEnabled(true);
    LabOper->clear();
    // What was read before a failure stays in the box.
    aggiungi(e.testo);
    if (!e.messaggio.isEmpty())
        msgCom(contesto_.interazione, e.messaggio);
}

void frmFEInfo::ComSalvaProgr_Click() {
    if (!contesto_.hub) {
        msgCom(contesto_.interazione, QStringLiteral("HUB non attivo"));
        return;
    }
    QString m;
    try {
        m = hub::SalvaProgressivoHub(*contesto_.hub, contesto_.db,
                                     contesto_.parametri.leggi(QStringLiteral("Ditta.PartIva")).trimmed());
    } catch (const ErroreDb& e) {
        m = QStringLiteral("Errore(%1): ").arg(e.numero()) + e.descrizione();
    }
    msgCom(contesto_.interazione, m);
}

void frmFEInfo::FeInfoLetto(const QVariant& informazioni) {
    oiFeInfo = 0;
    aggiungi(hub::TestoInformazioniHub(informazioni.toString()));
}

} // namespace tesel::ui
