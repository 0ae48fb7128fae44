#include "finestramenu.h"

#include "frame/database.h"
#include "frame/parametri.h"
#include "frame/rigacomando.h"
#include "ui/formtesel.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QVBoxLayout>

using namespace tesel;

namespace {

// Captions of the entry functions when the common database has no menu entries.
const std::pair<const char*, const char*> FunzioniPredefinite[] = {
    {"frmFECarXML", "Importazione fatture ricevute (file XML)"},
    {"frmFEPassTest", "Revisione fatture ricevute"},
    {"frmFEContab", "Contabilizzazione fatture ricevute"},
    {"frmFEStFtPass", "Stampa fatture ricevute"},
    {"frmFELisPas", "Fatture ricevute in attesa sull'Hub"},
    {"frmFELisAtt", "Fatture emesse e stato SDI"},
    {"frmFEAppo", "Invio fatture emesse in attesa"},
    {"frmFEInfo", "Informazioni sull'account Hub"},
};

} // namespace

FinestraMenu::FinestraMenu(const QString& ini, Database* comune, const QString& programma,
                           std::vector<AziendaMenu> aziende)
    : ini_(ini), programma_(programma), aziende_(std::move(aziende)) {
    setWindowTitle(QStringLiteral("Menu Tesel"));
    if (comune) {
        valori_ = std::make_unique<ClientMenuComune>(*comune, qEnvironmentVariable("USER"), ini);
        azienda_ = std::make_unique<ClientMenuAzienda>(
            *valori_, aziende_.empty() ? AziendaMenu{} : aziende_[aziendaPredefinita(aziende_)]);
    }
    ClientMenu* valori = azienda_.get();
    server_ =
        new ui::ServerMenu({[valori](const QString& k) {
                                if (k.compare(QStringLiteral("MenuProcId"), Qt::CaseInsensitive) == 0)
                                    return QString::number(QCoreApplication::applicationPid());
                                return valori
                                           ? valori->parametroMenu(k)
                                           : (k.startsWith(QStringLiteral("Personal."), Qt::CaseInsensitive)
                                                  ? NessunValorePersonale
                                                  : QString());
                            },
                            [valori](const QString& k, const QString& a) {
                                return valori ? valori->parametroProcedura(k, a) : QString();
                            },
                            ini},
                           this);
    server_->ascolta(ui::nomeServerMenu(QCoreApplication::applicationPid()));

    auto* centro = new QWidget(this);
    auto* layout = new QVBoxLayout(centro);
    // The company the programs started from now on work on.
    auto* rigaAzienda = new QFormLayout;
    cboAzienda_ = new QComboBox(centro);
    cboAzienda_->setObjectName(QStringLiteral("cboAzienda"));
    for (const AziendaMenu& a : aziende_) {
        const QString nome = a.codice.isEmpty() ? QStringLiteral("Database del file di configurazione")
                                                : a.ragioneSociale + QStringLiteral(" (") + a.codice + u')';
        cboAzienda_->addItem(nome + QStringLiteral(" - ") + descrizioneDatabase(a.testo));
    }
    if (!aziende_.empty())
        cboAzienda_->setCurrentIndex(static_cast<int>(aziendaPredefinita(aziende_)));
    connect(cboAzienda_, &QComboBox::currentIndexChanged, this, [this](int i) {
        if (azienda_ && i >= 0 && i < static_cast<int>(aziende_.size())) {
            azienda_->scegli(aziende_[static_cast<std::size_t>(i)]);
            scrivi(QStringLiteral("Azienda scelta: %1").arg(cboAzienda_->currentText()));
        }
    });
    rigaAzienda->addRow(QStringLiteral("&Azienda:"), cboAzienda_);
    layout->addLayout(rigaAzienda);
    auto* gruppoFunzioni = new QGroupBox(QStringLiteral("Funzioni"), centro);
    auto* lf = new QVBoxLayout(gruppoFunzioni);
    funzioni_ = new QListWidget(gruppoFunzioni);
    bool daDatabase = false;
    if (comune) {
        Recordset rs =
            comune->ApriRs(QStringLiteral("SELECT Form, Descrizione FROM MenuDett ORDER BY Ordine"));
        while (!rs.RsEof()) {
            auto* voce = new QListWidgetItem(rs.leggiTesto(QStringLiteral("Descrizione")), funzioni_);
            voce->setData(Qt::UserRole, rs.leggiTesto(QStringLiteral("Form")));
            daDatabase = true;
            rs.RsMoveNext();
        }
    }
    if (!daDatabase)
        for (const auto& [form, descrizione] : FunzioniPredefinite) {
            auto* voce = new QListWidgetItem(QString::fromUtf8(descrizione), funzioni_);
            voce->setData(Qt::UserRole, QString::fromLatin1(form));
        }
    funzioni_->setCurrentRow(0);
    lf->addWidget(funzioni_);
    auto* avvia = new QPushButton(QStringLiteral("A&vvia"), gruppoFunzioni);
    lf->addWidget(avvia, 0, Qt::AlignRight);
    layout->addWidget(gruppoFunzioni);

    auto* gruppoComandi = new QGroupBox(QStringLiteral("Comandi al programma"), centro);
    auto* fc = new QFormLayout(gruppoComandi);
    programmi_ = new QComboBox(gruppoComandi);
    comando_ = new QComboBox(gruppoComandi);
    comando_->addItems({QStringLiteral("esiste"), QStringLiteral("fine"), QStringLiteral("attiva"),
                        QStringLiteral("ritornoa"), QStringLiteral("passaa"), QStringLiteral("preppassaa"),
                        QStringLiteral("keyprgprim"), QStringLiteral("keyprgsec"),
                        QStringLiteral("paramprgclie"), QStringLiteral("comandoprgclie"),
                        QStringLiteral("FEInvio"), QStringLiteral("FEAttesa"), QStringLiteral("FEInfo")});
    parametro_ = new QLineEdit(gruppoComandi);
    parametro_->setPlaceholderText(
        QStringLiteral("nome della form, testo, o elenco JSON [\"FEInvio\", 0, \"\", \"\", \"\", 3]"));
    auto* invia = new QPushButton(QStringLiteral("&Invia comando"), gruppoComandi);
    fc->addRow(QStringLiteral("Programma:"), programmi_);
    fc->addRow(QStringLiteral("Comando:"), comando_);
    fc->addRow(QStringLiteral("Parametro:"), parametro_);
    fc->addRow(QString(), invia);
    layout->addWidget(gruppoComandi);

    registro_ = new QPlainTextEdit(centro);
    registro_->setReadOnly(true);
    registro_->setMaximumBlockCount(500);
    layout->addWidget(new QLabel(QStringLiteral("Registro:"), centro));
    layout->addWidget(registro_);
    setCentralWidget(centro);
    resize(640, 620);

    connect(avvia, &QPushButton::clicked, this, &FinestraMenu::avvia);
    connect(funzioni_, &QListWidget::itemActivated, this, &FinestraMenu::avvia);
    connect(invia, &QPushButton::clicked, this, &FinestraMenu::inviaComando);
    connect(server_, &ui::ServerMenu::connesso, this, [this](qint64 pid, const QString& p, const QString&) {
        programmi_->addItem(QStringLiteral("%1 (processo %2)").arg(p).arg(pid), pid);
        programmi_->setCurrentIndex(programmi_->count() - 1);
        scrivi(QStringLiteral("Collegato %1, processo %2").arg(p).arg(pid));
    });
    // "(M) Menu" in a program: the menu comes to the front.
    connect(server_, &ui::ServerMenu::procedureFinita, this, [this](qint64 pid, const QString&) {
        showNormal();
        raise();
        activateWindow();
        scrivi(QStringLiteral("Ritorno al menu dal processo %1").arg(pid));
    });
    connect(server_, &ui::ServerMenu::disconnesso, this, [this](qint64 pid) {
        programmi_->removeItem(programmi_->findData(pid));
        scrivi(QStringLiteral("Processo %1 terminato").arg(pid));
    });
    connect(server_, &ui::ServerMenu::risultato, this, [this](qint64 pid, qint64 id, const QVariant& v) {
        scrivi(
            QStringLiteral("Risposta %1 dal processo %2: %3")
                .arg(id)
                .arg(pid)
                .arg(QString::fromUtf8(
                    QJsonDocument(QJsonArray{QJsonValue::fromVariant(v)}).toJson(QJsonDocument::Compact))));
    });
    // The outcome a worker form sends back to the menu that launched it.
    connect(server_, &ui::ServerMenu::comandoDaProgramma, this,
            [this](qint64 pid, const QString&, const QString& mittente, const QString& comando,
                   const QVariant& v) {
                scrivi(QStringLiteral("%1 da %2 (processo %3): %4")
                           .arg(comando, mittente)
                           .arg(pid)
                           .arg(QString::fromUtf8(QJsonDocument(QJsonArray{QJsonValue::fromVariant(v)})
                                                      .toJson(QJsonDocument::Compact))));
            });
    scrivi(QStringLiteral("In ascolto su %1").arg(server_->nome()));
}

FinestraMenu::~FinestraMenu() = default;

qint64 FinestraMenu::programmaCorrente() const {
    return programmi_->currentIndex() < 0 ? 0 : programmi_->currentData().toLongLong();
}

void FinestraMenu::scrivi(const QString& riga) {
    registro_->appendPlainText(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss ")) + riga);
}

void FinestraMenu::avvia() {
    const QListWidgetItem* voce = funzioni_->currentItem();
    if (!voce)
        return;
    const QString form = voce->data(Qt::UserRole).toString();
    const QString parametro = form.compare(QStringLiteral("frmFEAppo"), Qt::CaseInsensitive) == 0
                                  ? QStringLiteral("FEInvio")
                                  : QStringLiteral("F=") + form;
    server_->impostaLanciatore({parametro, QStringLiteral("MENU"), {}, {}});
    // A program already running opens the form itself ("attiva"); otherwise a new one starts.
    if (const qint64 pid = programmaCorrente()) {
        server_->impostaLanciatore({QStringLiteral("F=") + form, QStringLiteral("MENU"), {}, {}});
        server_->inviaComando(pid, QStringLiteral("attiva"));
        scrivi(QStringLiteral("attiva %1 sul processo %2").arg(form).arg(pid));
        return;
    }
    const QStringList argomenti{QStringLiteral("M=") + server_->nome(), QStringLiteral("P=TESEL"),
                                QStringLiteral("F=") + form, QStringLiteral("I=") + ini_};
    if (!QProcess::startDetached(programma_, argomenti))
        scrivi(QStringLiteral("Impossibile avviare %1").arg(programma_));
    else
        scrivi(QStringLiteral("Avviato: %1 %2").arg(programma_, rigaComando(argomenti)));
}

void FinestraMenu::inviaComando() {
    const qint64 pid = programmaCorrente();
    if (!pid) {
        scrivi(QStringLiteral("Nessun programma collegato"));
        return;
    }
    QVariant parametro = parametro_->text();
    const QJsonDocument json = QJsonDocument::fromJson(parametro_->text().toUtf8());
    if (json.isArray())
        parametro = json.array().toVariantList();
    if (comando_->currentText() == u"attiva")
        server_->impostaLanciatore(
            {QStringLiteral("F=") + parametro_->text(), QStringLiteral("MENU"), {}, {}});
    const qint64 id = server_->inviaComando(pid, comando_->currentText(), parametro);
    scrivi(QStringLiteral("Comando %1 \"%2\" inviato (%3)")
               .arg(comando_->currentText(), parametro_->text())
               .arg(id));
}
