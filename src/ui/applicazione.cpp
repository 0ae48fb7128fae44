#include "ui/applicazione.h"

#include "frame/currency.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "frame/rigacomando.h"
#include "hub/hubservizio.h"
#include "hub/statidocumento.h"
#include "ui/msgcom.h"
#include "ui/presidio.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace tesel::ui {

namespace {

const QString FormInesistente = QStringLiteral("La form richiesta e' inesistente");

// Element n (from 1, as the menu numbers them) of an array parameter.
QVariant elemento(const QVariant& parametro, int n) {
    const QVariantList l = parametro.toList();
    return n >= 1 && n <= l.size() ? l[n - 1] : QVariant();
}

QString utenteSistema() {
    QString u = qEnvironmentVariable("USER");
    if (u.isEmpty())
        u = qEnvironmentVariable("LOGNAME");
    return u;
}

} // namespace

frmPrincipale::frmPrincipale() : lblChiusura(new QLabel(this)) {
    setObjectName(QStringLiteral("frmPrincipale"));
    setWindowTitle(QStringLiteral("Tesel"));
    timChiudi.setSingleShot(false);
    timVarie.setSingleShot(false);
    oiTmpAttesa = 3000;
}

frmConn::frmConn(const QString& versione, const QString& data)
    : QWidget(nullptr, Qt::SplashScreen | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmConn"));
    auto* l = new QVBoxLayout(this);
    auto* titolo = new QLabel(QStringLiteral("Tesel - Fatturazione elettronica"), this);
    QFont f = titolo->font();
    f.setPointSize(f.pointSize() + 6);
    f.setBold(true);
    titolo->setFont(f);
    l->addWidget(titolo, 0, Qt::AlignCenter);
    l->addWidget(new QLabel(QStringLiteral("Versione ") + versione + QStringLiteral(" del ") + data, this), 0,
                 Qt::AlignCenter);
    l->addWidget(new QLabel(QStringLiteral("Connessione in corso..."), this), 0, Qt::AlignCenter);
    setContentsMargins(30, 20, 30, 20);
    adjustSize();
    if (const QScreen* s = QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
}

scMenuComandiClie::scMenuComandiClie(Applicazione& app, std::unique_ptr<MenuClient> client)
    : app_(app), client_(std::move(client)) {
    connect(client_.get(), &MenuClient::EseguiComando, this, &scMenuComandiClie::mgMenuClient_EseguiComando);
}

scMenuComandiClie::~scMenuComandiClie() = default;

void scMenuComandiClie::mgMenuClient_EseguiComando(const QVariant& a, const QVariant& b,
                                                   const QString& comando, const QVariant& parametro,
                                                   QVariant* risultato) {
    UltCom = comando;
    UltParamVar = parametro;
    UltParam = parametro.metaType().id() == QMetaType::QVariantList ? elemento(parametro, 2).toString()
                                                                    : parametro.toString();
    *risultato = app_.EseguiComandoMenu(a, b, comando, parametro);
}

Applicazione::Applicazione(const QStringList& argomenti, Interazione& interazione, RegistroForm registro)
    : argomenti_(argomenti), interazione_(interazione), registro_(std::move(registro)) {
}

Applicazione::~Applicazione() {
    if (!terminato_)
        RilasciaOggetti();
}

QString Applicazione::rigaComando() const {
    return tesel::rigaComando(argomenti_);
}

bool Applicazione::apriDatabase(ImpostazioniConnessione c, const QString& etichetta,
                                std::unique_ptr<Database>& db) {
    // No login known and the menu wants it typed ("ChiediPwdSql"): cancelling gives up.
    if (!configurazione_->chiediLogin(c))
        return false;
    for (;;) {
        try {
            db = Database::apri(c.testo, c.utente, c.password);
            return true;
        } catch (const ErroreDb& e) {
            const int r = msgCom(interazione_, etichetta + QStringLiteral("\r\n") + e.descrizione(),
                                 QStringLiteral("&Annulla"), QStringLiteral("&Riprovare"), {}, etichetta);
            if (r != 2)
                return false;
        }
    }
}

bool Applicazione::AvvioProcedura() {
    // Command line.
    stato_ = {};
    const QString riga = rigaComando();
    stato_.menu = parametroRigaComando(riga, u'M').trimmed();
    const Programma p = dividiProgramma(parametroRigaComando(riga, u'P'));
    stato_.programma = p.valore;
    stato_.restoProgramma = p.resto;
    // The hidden main window and its timers.
    principale_ = std::make_unique<frmPrincipale>();
    connect(&principale_->timChiudi, &QTimer::timeout, this, &Applicazione::timChiudi_Timer);
    connect(&principale_->timVarie, &QTimer::timeout, this, &Applicazione::timVarie_Timer);
    // The menu client: the running menu when M names one, else the local stand-in.
    std::unique_ptr<MenuClient> client;
    if (!stato_.menu.isEmpty()) {
        auto remoto = std::make_unique<MenuClientRemoto>();
        if (remoto->connetti(stato_.menu, stato_.programma, stato_.restoProgramma))
            client = std::move(remoto);
    }
    if (!client)
        client = std::make_unique<MenuClientLocale>(riga, utenteSistema());
    comandi_ = std::make_unique<scMenuComandiClie>(*this, std::move(client));
    MenuClient& menu = *comandi_->ogMenuClient();
    // Procedure parameter, launcher, configuration path.
    stato_.prepProcCorr = menu.parametroProcedura(QStringLiteral("PrepProcCorr"), QStringLiteral("Tutti"));
    const Lanciatore lanciatore = menu.lanciatore();
    stato_.fileGuida = parametroRigaComando(lanciatore.osParam, u'H').trimmed();
    stato_.fileConfigurazione = menu.percorsoConfigurazione();
    // Splash.
    frmConn splash(menu.parametroMenu(QStringLiteral("Versione")),
                   menu.parametroMenu(QStringLiteral("DataVersione")));
    if (qEnvironmentVariableIntValue("TESEL_SENZA_SPLASH") != 1)
        splash.show();
    QCoreApplication::processEvents();
    // The company chosen by the menu.
    stato_.nomeDbAzie = menu.parametroMenu(QStringLiteral("NomeDBAzie"));
    stato_.connectDbAzie = menu.parametroMenu(QStringLiteral("ConnectDBAzie"));
    // Configuration file and company database.
    const SceltaProfilo scelta = scegliFileProfilo(menu, interazione_, parametroRigaComando(riga, u'I'));
    if (!scelta.ok() || scelta.percorso.startsWith(QStringLiteral("Err:"))) {
        ChiudiProgramma(true);
        return false;
    }
    configurazione_ = std::make_unique<Configurazione>(menu, interazione_, scelta);
    azienda_ = configurazione_->connessioneAzienda();
    if (!azienda_.ok() || !apriDatabase(azienda_, QStringLiteral("Connessione primaria al database"), db_)) {
        ChiudiProgramma(true);
        return false;
    }
    // Company data and the common database.
    parametri_ = std::make_unique<ParametriAzienda>(*db_);
    const ImpostazioniConnessione comune = configurazione_->connessioneComune();
    if (!comune.ok() || !apriDatabase(comune, QStringLiteral("Connessione database Comune"), comune_)) {
        ChiudiProgramma(true);
        return false;
    }
    if (auto* locale = dynamic_cast<MenuClientLocale*>(&menu))
        locale->usaDatabaseComune(comune_.get(), *configurazione_, interazione_);
    // The Hub's document states and its settings. The settings are menu parameters, which
    // without a running menu come from the common database: they are read once it is open.
    statiHub_ = std::make_unique<hub::StatiDocumento>();
    hub_ = std::make_unique<hub::HubServizio>(hub::ImpostazioniHub::leggi(menu, *parametri_));
    // Screen scaling and folders.
    stato_.fattori = configurazione_->fattoriVideo();
    stato_.dirImgEmail = configurazione_->cartellaBase(QStringLiteral("DirImgEmail"));
    stato_.dirImmagini = configurazione_->cartellaBase(QStringLiteral("DirImmagini"));
    stato_.driveDb = configurazione_->leggiIni(QStringLiteral("Base"), QStringLiteral("DriveDB"));
    // The form asked for.
    stato_.nomeForm = parametroRigaComando(riga, u'F').trimmed();
    // Menus from version 1.07 on hand over "AddSeg".
    bool ok = false;
    const double versione = menu.parametroMenu(QStringLiteral("VersMenu")).replace(u',', u'.').toDouble(&ok);
    if (ok && versione >= 1.07)
        stato_.addSeg = menu.parametroProcedura(QStringLiteral("AddSeg"), QStringLiteral("Tutti"));
    // List behaviour and the smallest date.
    stato_.beepCome = configurazione_->beepCome();
    stato_.lisSpostaCurs = configurazione_->lisSpostaCurs();
    stato_.lisClickNoSel = configurazione_->lisClickNoSel();
    // Sounds and text sizes of the windows.
    auto* finestre = dynamic_cast<InterazioneFinestre*>(&interazione_);
    if (finestre)
        finestre->impostaSuoni(stato_.beepCome.trimmed().compare(QLatin1String("N"), Qt::CaseInsensitive) !=
                               0);
    if (qobject_cast<QApplication*>(QCoreApplication::instance()))
        applicaFattoriVideo(stato_.fattori, finestre);
    stato_.dataMinima = configurazione_->dataMinima();
    contesto_ = std::make_unique<Contesto>(
        Contesto{*db_, comune_.get(), *configurazione_, menu, interazione_, *parametri_, utenteSistema()});
    contesto_->hub = hub_.get();
    contesto_->statiHub = statiHub_.get();
    contesto_->stampaLista = registro_.stampaLista;
    if (menu.remoto())
        contesto_->ritornaAlMenu = [this] { RitornaAlMenu(); };
    // Where am I: the company of the database opened and the database itself, on every window.
    if (presidio_) {
        QString azienda = parametri_->leggi(QStringLiteral("Ditta.RagSoc")).trimmed();
        if (azienda.isEmpty())
            azienda = menu.parametroMenu(QStringLiteral("codiceazie")).trimmed();
        presidio_->impostaDove(azienda, azienda_.testo);
        presidio_->impostaGuida(stato_.fileGuida);
    }
    splash.close();
    // Open the form.
    const Lanciatore l = menu.lanciatore();
    ApriForm(stato_.nomeForm, true, stato_.restoProgramma, l.osChiLancia, l.osKeySecLancia, l.osParamLancia);
    if (formAperte().isEmpty()) {
        ChiudiProgramma(false);
        return false;
    }
    return true;
}

void Applicazione::ApriForm(QString nome, bool mostra, const QString& resto, const QString& chi,
                            const QString& chiaveSec, const QString& parametro) {
    Q_UNUSED(mostra);
    Q_UNUSED(resto);
    nome = nome.trimmed();
    if (nome.isEmpty()) {
        msgCom(interazione_, FormInesistente);
        return;
    }
    const auto trovata = std::find_if(FormDiIngresso.begin(), FormDiIngresso.end(), [&](const QString& n) {
        return n.compare(nome, Qt::CaseInsensitive) == 0;
    });
    const auto* voce = trovata == FormDiIngresso.end() ? nullptr : registro_.trova(*trovata);
    if (!voce) {
        msgCom(interazione_, FormInesistente);
        return;
    }
    MostraForm(voce->first, voce->second, chi, chiaveSec, parametro);
}

void Applicazione::MostraForm(const QString& nome, const RegistroForm::Fabbrica& fabbrica, const QString& chi,
                              const QString& chiaveSec, const QString& parametro) {
    const Lanciatore l = comandi_->ogMenuClient()->lanciatore();
    // The menu asks for these keys back ("keyprgprim", "keyprgsec") to know what the program
    // it launched was opened on.
    stato_.lanciaKeyPrim = chi;
    stato_.lanciaKeySec = chiaveSec;
    auto consegna = [&](FormTesel* f) {
        f->osKeySec = chiaveSec;
        f->osKeyLancia = chi;
        f->osKeySecLancia = chiaveSec;
        f->osParamLancia = parametro;
        f->osParam = l.osParam;
    };
    if (FormTesel* aperta = formAperta(nome); aperta && aperta->isVisible()) {
        consegna(aperta);
        aperta->AttivatoDaAltri();
        aperta->activateWindow();
        aperta->raise();
        return;
    }
    if (formChiamante_)
        formChiamante_->HideFrm();
    FormTesel* f = fabbrica(*contesto_);
    consegna(f);
    f->Carica();
    if (f->oiLoadOk != -1) {
        msgCom(interazione_, QStringLiteral("Impossibile aprire il programma richiesto"));
        f->deleteLater();
        return;
    }
    forms_ << f;
    connect(f, &FormTesel::chiusa, this, [this](const QString&) {
        QTimer::singleShot(0, this, [this] {
            if (!terminato_ && formAperte().isEmpty()) {
                RitornaAlMenu();
                ChiudiProgramma(false);
            }
        });
    });
    f->show();
    formChiamante_ = f;
    principale_->osNomeForm = nome;
    principale_->oiFlagVarie = 1;
    principale_->timVarie.setInterval(1);
    principale_->timVarie.start();
}

FormTesel* Applicazione::formAperta(const QString& nome) const {
    for (const auto& f : forms_)
        if (f && f->nomeForm().compare(nome, Qt::CaseInsensitive) == 0)
            return f;
    return nullptr;
}

QList<FormTesel*> Applicazione::formAperte() const {
    QList<FormTesel*> l;
    for (const auto& f : forms_)
        if (f && f->isVisible())
            l << f;
    return l;
}

void Applicazione::timVarie_Timer() {
    principale_->timVarie.stop();
    if (principale_->oiFlagVarie == 1)
        if (FormTesel* f = formAperta(principale_->osNomeForm)) {
            f->activateWindow();
            f->raise();
            f->setFocus();
        }
    principale_->oiFlagVarie = 0;
}

bool Applicazione::ChiudiProgramma(bool immediato) {
    if (!principale_)
        return true;
    if (!immediato) {
        principale_->oiChiudi = 1;
        principale_->oiTmpAttesa = 100;
        principale_->timChiudi.stop();
        principale_->timChiudi.setInterval(1);
        principale_->timChiudi.start();
    } else {
        controlloChiusura();
    }
    return true;
}

void Applicazione::controlloChiusura() {
    if (principale_->oiChiudi) {
        // The open forms are asked first: one that is still working keeps the program alive.
        bool occupata = false;
        for (FormTesel* f : formAperte())
            occupata = occupata || !f->PuoChiudere();
        if (!occupata)
            TerminaProgramma();
        if (principale_)
            principale_->oiChiudi = 0;
    } else {
        TerminaProgramma();
    }
}

void Applicazione::timChiudi_Timer() {
    principale_->timChiudi.stop();
    controlloChiusura();
    if (terminato_ || !principale_)
        return;
    principale_->oiChiudi = 1;
    if (principale_->timChiudi.interval() == 3000) {
        principale_->timChiudi.setInterval(1);
        return;
    }
    principale_->timChiudi.setInterval(principale_->oiTmpAttesa);
    principale_->timChiudi.start();
}

bool Applicazione::TerminaProgramma() {
    QCoreApplication::processEvents();
    if (QApplication::activeModalWidget()) {
        stato_.motivoModale = QStringLiteral("Maschera Modal");
        return false;
    }
    stato_.motivoModale.clear();
    // Every form's close guard runs before anything is released: a form whose user keeps
    // unsaved changes ("Annulla") or that is still working keeps the program alive. The forms
    // whose guard agreed are closed already, as the user asked.
    const QList<QPointer<FormTesel>> aperte = forms_;
    for (const auto& f : aperte)
        if (f && !f->close())
            return false;
    terminato_ = true;
    for (const auto& f : aperte)
        if (f)
            f->disconnect(this);
    // The objects are released once the current command has been answered.
    QTimer::singleShot(0, this, [this] {
        RilasciaOggetti();
        principale_.reset();
        emit finito();
    });
    return true;
}

void Applicazione::RilasciaOggetti() {
    contesto_.reset();
    // A Hub session still open at the end is closed rather than left to expire.
    if (hub_)
        hub_->chiudiSessione();
    hub_.reset();
    statiHub_.reset();
    parametri_.reset();
    db_.reset();
    comune_.reset();
    configurazione_.reset();
    if (comandi_) {
        comandi_->ogMenuClient()->disconnetti();
        comandi_.reset();
    }
}

void Applicazione::RitornaAlMenu() {
    if (!comandi_)
        return;
    MenuClient* menu = comandi_->ogMenuClient();
    menu->fineProcedura(QStringLiteral("Tutti"));
    // The menu's window is brought to the front by the menu itself when it learns its
    // process id was asked for; a desktop session offers no other portable way.
    menu->parametroMenu(QStringLiteral("MenuProcId"));
}

QVariant Applicazione::EseguiComandoMenu(const QVariant& a, const QVariant& b, const QString& comando,
                                         const QVariant& parametro) {
    Q_UNUSED(a);
    Q_UNUSED(b);
    const QString c = comando.toLower();
    if (c == u"fine") {
        stato_.chiusuraInCorso = true;
        TerminaProgramma();
        QVariant risposta;
        if (!terminato_)
            risposta = stato_.motivoModale.isEmpty() ? QStringLiteral("No Chiudi") : stato_.motivoModale;
        stato_.chiusuraInCorso = false;
        return risposta.isValid() ? risposta : QVariant(QString());
    }
    if (c == u"esiste")
        return true;
    if (c == u"ritornoa") {
        const QString nome = parametro.toString().trimmed();
        if (FormTesel* f = formAperta(nome); f && f->isVisible()) {
            f->ButtonComando(QStringLiteral("Aggiorna"));
            if (QWidget* attiva = QApplication::activeWindow())
                attiva->setFocus();
        } else {
            const Lanciatore l = comandi_->ogMenuClient()->lanciatore();
            ApriForm(nome, true, stato_.restoProgramma, l.osChiLancia, l.osKeySecLancia, l.osParamLancia);
        }
        return QString();
    }
    if (c == u"attiva") {
        const Lanciatore l = comandi_->ogMenuClient()->lanciatore();
        ApriForm(parametroRigaComando(l.osParam, u'F'), true, stato_.restoProgramma, l.osChiLancia,
                 l.osKeySecLancia, l.osParamLancia);
        return QString();
    }
    if (c == u"preppassaa") {
        if (auto* f = qobject_cast<FormTesel*>(QApplication::activeWindow()))
            f->PassaA();
        return QString();
    }
    if (c == u"passaa") {
        const Lanciatore l = comandi_->ogMenuClient()->lanciatore();
        ApriForm(parametro.toString(), true, stato_.restoProgramma, l.osChiLancia, l.osKeySecLancia,
                 l.osParamLancia);
        return QString();
    }
    if (c == u"keyprgprim")
        return stato_.lanciaKeyPrim;
    if (c == u"keyprgsec")
        return stato_.lanciaKeySec;
    if (c == u"paramprgclie")
        return QStringLiteral("$Default$");
    if (c == u"comandoprgclie")
        return comandi_ ? comandi_->UltCom : QString();
    if (c == u"feinvio" || c == u"feattesa" || c == u"feinfo") {
        mostraEsito(c, parametro);
        return QString();
    }
    return QString();
}

void Applicazione::mostraEsito(const QString& comando, const QVariant& parametro) {
    const bool riuscito = elemento(parametro, 2).toInt() == 0 && elemento(parametro, 2).isValid();
    const QString testo = elemento(parametro, 3).toString();
    if (comando == u"feinvio") {
        if (!riuscito) {
            msgCom(interazione_,
                   QStringLiteral("Err: ") + testo + QStringLiteral("\r\nErrore nell'invio delle fatture"));
            return;
        }
        QString m;
        if (!testo.trimmed().isEmpty())
            m = QStringLiteral("Fatture non inviate per errori\r\n") + testo + QStringLiteral("\r\n");
        m += QStringLiteral("Inviate ") + formattaIntero(elemento(parametro, 6).toLongLong(), u"#,##0") +
             QStringLiteral(" fatture");
        msgCom(interazione_, m);
    } else if (comando == u"feattesa") {
        if (!riuscito) {
            msgCom(interazione_, QStringLiteral("Err: ") + testo +
                                     QStringLiteral("\r\nErrore nella richiesta di fatture in attesa"));
            return;
        }
        const qint64 n = elemento(parametro, 6).toLongLong();
        if (n > 0)
            msgCom(interazione_,
                   QStringLiteral("Ci sono ") + QString::number(n) + QStringLiteral(" fatture in attesa"));
    } else {
        if (!riuscito) {
            msgCom(interazione_, QStringLiteral("Errore nella richiesta informazioni"));
            return;
        }
        if (FormTesel* f = formAperta(QStringLiteral("frmFEInfo")))
            f->FeInfoLetto(elemento(parametro, 3));
    }
}

int eseguiTesel(int argc, char** argv, const std::function<void(RegistroForm&)>& registra) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tesel"));
    QApplication::setQuitOnLastWindowClosed(false);
    RegistroForm registro;
    registra(registro);
    // TESEL_NON_PRESIDIATO=1: messages go to standard error with their first answer, for runs
    // nobody watches (scripted checks, the tests).
    InterazioneFinestre finestre;
    InterazioneNonPresidiata senzaUtente;
    // TESEL_RISPOSTE="Annulla,No": the answers such a run gives where a question offers them.
    for (const QString& r : qEnvironmentVariable("TESEL_RISPOSTE").split(u',', Qt::SkipEmptyParts))
        senzaUtente.rispondi(r.trimmed());
    Interazione& interazione = qEnvironmentVariableIntValue("TESEL_NON_PRESIDIATO") == 1
                                   ? static_cast<Interazione&>(senzaUtente)
                                   : static_cast<Interazione&>(finestre);
    caricaTraduzioniQt(app);
    PresidioFinestre presidio(app, interazione);
    Applicazione tesel(app.arguments().mid(1), interazione, std::move(registro));
    tesel.usaPresidio(&presidio);
    QObject::connect(&tesel, &Applicazione::finito, &app, &QCoreApplication::quit);
    const bool avviato = tesel.AvvioProcedura();
    const int esito = tesel.terminato() ? 0 : app.exec();
    return avviato ? esito : 1;
}

} // namespace tesel::ui
