#include "hub/forms/frmfeappo.h"

#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/rigacomando.h"
#include "hub/hubservizio.h"
#include "ui/menuclient.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

namespace tesel::ui {

namespace {

const QStringList Comandi{QStringLiteral("FEAttesa"), QStringLiteral("FEInvio"), QStringLiteral("FEInfo"),
                          QStringLiteral("FEChiudi")};

// The command word at the start of `testo` (as the list writes it), or empty.
QString parolaComando(const QString& testo) {
    for (const QString& c : Comandi)
        if (testo.startsWith(c, Qt::CaseInsensitive))
            return c;
    return {};
}

} // namespace

frmFEAppo::frmFEAppo(Contesto& contesto, QWidget* padre)
    : FormTesel(QStringLiteral("frmFEAppo"), contesto, padre) {
    setWindowTitle(QStringLiteral("Fatturazione elettronica - Hub"));
    auto* l = new QVBoxLayout(this);
    l->setContentsMargins(18, 14, 18, 14);
    l->setSpacing(8);
    labDescriz = new QLabel(QStringLiteral("Comunicazione con l'Hub"), this);
    labDescriz->setObjectName(QStringLiteral("labDescriz"));
    labDescriz->setWordWrap(true);
    QFont titolo = labDescriz->font();
    titolo.setPointSize(titolo.pointSize() + 2);
    titolo.setBold(true);
    labDescriz->setFont(titolo);
    LabOper = new QLabel(this);
    LabOper->setObjectName(QStringLiteral("LabOper"));
    LabOper->setWordWrap(true);
    // The worker never knows how much is left: the bar only says it is alive.
    auto* attivita = new QProgressBar(this);
    attivita->setRange(0, 0);
    attivita->setTextVisible(false);
    attivita->setMaximumHeight(12);
    auto* nota = new QLabel(QStringLiteral("La finestra si chiude da sola al termine."), this);
    QPalette grigio = nota->palette();
    grigio.setColor(QPalette::WindowText, grigio.color(QPalette::PlaceholderText));
    nota->setPalette(grigio);
    l->addWidget(labDescriz);
    l->addWidget(LabOper);
    l->addWidget(attivita);
    l->addWidget(nota);
    setFixedSize(480, 150);
}

frmFEAppo::~frmFEAppo() = default;

hub::HubServizio& frmFEAppo::servizio() {
    return hub::ServizioDelForm(contesto_, proprio_);
}

void frmFEAppo::Carica() {
    oiLoadOk = -1;
    // The command runs once the form is on screen, so the caller's dispatch returns first.
    QTimer::singleShot(0, this, &frmFEAppo::avvia);
}

void frmFEAppo::AttivatoDaAltri() {
    if (operazioni_ > 0)
        ancora_ = true;
    else
        QTimer::singleShot(0, this, &frmFEAppo::avvia);
}

QString frmFEAppo::testoComando() const {
    const QString t = osParam.trimmed();
    if (!parolaComando(t).isEmpty())
        return t;
    // Without a menu the launcher's parameter is the command line: "P=TESEL FEInvio T1".
    return dividiProgramma(parametroRigaComando(t, u'P')).resto.trimmed();
}

bool frmFEAppo::mostraOperazione(const QString& testo) {
    LabOper->setText(testo);
    QCoreApplication::processEvents();
    return !interrompi_;
}

hub::RispostaAppo frmFEAppo::esegui(const QString& testo) {
    const QString parola = parolaComando(testo);
    const QString argomento = testo.mid(parola.size()).trimmed();
    if (!connessione_)
        connessione_ = std::make_unique<hub::ConnessioneLocale>(servizio());
    const auto avanzamento = [this](const QString& t) { return mostraOperazione(t); };
    ++operazioni_;
    hub::RispostaAppo r;
    try {
        r = eseguiComando(parola, testo, argomento, avanzamento);
    } catch (const ErroreDb& e) {
        r.comando = parola;
        r.esito = 1;
        r.testo = QStringLiteral("Errore(%1): ").arg(e.numero()) + e.descrizione();
    } catch (const std::exception& e) {
        r.comando = parola;
        r.esito = 1;
        r.testo = QStringLiteral("Errore: ") + QString::fromUtf8(e.what());
    }
    --operazioni_;
    if (r.esito == 0 && parola == u"FEInvio")
        mostraOperazione(QStringLiteral("Inviate %1 fatture").arg(r.numero));
    else if (r.esito != 0)
        mostraOperazione(r.testo);
    return r;
}

hub::RispostaAppo frmFEAppo::eseguiComando(const QString& parola, const QString& testo,
                                           const QString& argomento,
                                           const hub::AvanzamentoInvio& avanzamento) {
    hub::RispostaAppo r;
    if (parola == u"FEInvio") {
        labDescriz->setText(QStringLiteral("Invio all'Hub delle fatture emesse in attesa"));
        hub::AmbienteInvio a{contesto_.db, contesto_.parametri, contesto_.configurazione};
        r = hub::EseguiFEInvio(a, *connessione_, argomento, avanzamento);
    } else if (parola == u"FEAttesa") {
        labDescriz->setText(QStringLiteral("Fatture passive in attesa sull'Hub"));
        r = hub::EseguiFEAttesa(*connessione_, QDate::currentDate(), avanzamento);
    } else if (parola == u"FEInfo") {
        labDescriz->setText(QStringLiteral("Informazioni sull'account Hub"));
        mostraOperazione(QStringLiteral("Operazione in corso"));
        r = hub::EseguiFEInfo(*connessione_);
    } else {
        r.comando = testo.section(u' ', 0, 0);
        r.esito = 1;
        r.testo = testo.isEmpty() ? QStringLiteral("Nessun comando da eseguire")
                                  : QStringLiteral("Comando non riconosciuto: ") + testo;
    }
    return r;
}

void frmFEAppo::avvia() {
    do {
        ancora_ = false;
        const QString testo = testoComando();
        if (parolaComando(testo) == u"FEChiudi")
            break;
        ultima_ = esegui(testo);
        rispondi(ultima_);
    } while (ancora_ && !interrompi_);
    FineComLocale();
}

void frmFEAppo::rispondi(const hub::RispostaAppo& r) {
    const QVariantList risposta = r.comeArray();
    if (auto* client = dynamic_cast<MenuClient*>(&contesto_.menu))
        client->inviaComandoA(osKeyLancia, QStringLiteral("FEAppo"), r.comando, risposta);
    emit rispostaInviata(risposta);
}

void frmFEAppo::FineComLocale() {
    if (connessione_)
        connessione_->rilascia();
    close();
}

bool frmFEAppo::PuoChiudere() {
    if (operazioni_ <= 0)
        return true;
    // The invoice in hand is always finished: a yes stops the batch after it, and the form
    // closes when the work returns.
    if (msgCom(contesto_.interazione, QStringLiteral("Ci sono elaborazioni in corso: chiudere ugualmente"),
               QStringLiteral("&Ok"), QStringLiteral("&annulla")) == 1)
        interrompi_ = true;
    return false;
}

} // namespace tesel::ui
