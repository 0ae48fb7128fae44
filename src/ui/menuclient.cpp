#include "ui/menuclient.h"

#include "frame/aziendamenu.h"
#include "frame/parametri.h"
#include "ui/canalemenu.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocalSocket>

namespace tesel::ui {

QString nomeServerMenu(qint64 pid) {
    return QStringLiteral("tesel-menu-%1").arg(pid);
}

MenuClientRemoto::MenuClientRemoto(QObject* padre) : MenuClient(padre) {
}
MenuClientRemoto::~MenuClientRemoto() {
    disconnetti();
}

bool MenuClientRemoto::connetti(const QString& menu, const QString& programma, const QString& resto) {
    auto* socket = new QLocalSocket;
    socket->connectToServer(menu);
    if (!socket->waitForConnected(5000)) {
        delete socket;
        return false;
    }
    canale_ = new CanaleMenu(socket, this);
    connect(canale_, &CanaleMenu::messaggio, this, [this](const QJsonObject& m) {
        if (m.value(QStringLiteral("op")).toString() != u"comando")
            return;
        QVariant risultato;
        emit EseguiComando(m.value(QStringLiteral("a")).toVariant(), m.value(QStringLiteral("b")).toVariant(),
                           m.value(QStringLiteral("comando")).toString(),
                           m.value(QStringLiteral("parametro")).toVariant(), &risultato);
        if (canale_ && canale_->connesso())
            canale_->invia(QJsonObject{{QStringLiteral("re"), m.value(QStringLiteral("id"))},
                                       {QStringLiteral("risultato"), QJsonValue::fromVariant(risultato)}});
    });
    const QJsonObject r = canale_->richiesta({{QStringLiteral("op"), QStringLiteral("connetti")},
                                              {QStringLiteral("programma"), programma},
                                              {QStringLiteral("resto"), resto},
                                              {QStringLiteral("pid"), QCoreApplication::applicationPid()}});
    return r.value(QStringLiteral("valore")).toBool();
}

void MenuClientRemoto::disconnetti() {
    if (!canale_)
        return;
    if (canale_->connesso()) {
        canale_->invia({{QStringLiteral("op"), QStringLiteral("disconnetti")}});
        canale_->socket()->waitForBytesWritten(1000);
        canale_->socket()->disconnectFromServer();
    }
    canale_->deleteLater();
    canale_ = nullptr;
}

QString MenuClientRemoto::chiedi(const QString& operazione, const QString& chiave, const QString& ambito) {
    if (!canale_)
        return {};
    return canale_
        ->richiesta({{QStringLiteral("op"), operazione},
                     {QStringLiteral("chiave"), chiave},
                     {QStringLiteral("ambito"), ambito}})
        .value(QStringLiteral("valore"))
        .toString();
}

QString MenuClientRemoto::parametroMenu(const QString& chiave) {
    return chiedi(QStringLiteral("parametroMenu"), chiave);
}
QString MenuClientRemoto::parametroProcedura(const QString& chiave, const QString& ambito) {
    return chiedi(QStringLiteral("parametroProcedura"), chiave, ambito);
}
QString MenuClientRemoto::percorsoConfigurazione() {
    return chiedi(QStringLiteral("configurazione"));
}

Lanciatore MenuClientRemoto::lanciatore() {
    if (!canale_)
        return {};
    const QJsonObject r = canale_->richiesta({{QStringLiteral("op"), QStringLiteral("lanciatore")}});
    return {r.value(QStringLiteral("osParam")).toString(), r.value(QStringLiteral("osChiLancia")).toString(),
            r.value(QStringLiteral("osKeySecLancia")).toString(),
            r.value(QStringLiteral("osParamLancia")).toString()};
}

void MenuClientRemoto::fineProcedura(const QString& ambito) {
    if (canale_)
        canale_->richiesta(
            {{QStringLiteral("op"), QStringLiteral("fineProcedura")}, {QStringLiteral("ambito"), ambito}});
}

bool MenuClientRemoto::inviaComandoA(const QString& destinatario, const QString& mittente,
                                     const QString& comando, const QVariant& parametro) {
    if (!canale_)
        return false;
    const QJsonObject r =
        canale_->richiesta({{QStringLiteral("op"), QStringLiteral("comandoA")},
                            {QStringLiteral("destinatario"), destinatario},
                            {QStringLiteral("mittente"), mittente},
                            {QStringLiteral("comando"), comando},
                            {QStringLiteral("parametro"), QJsonValue::fromVariant(parametro)}},
                           5000);
    return r.value(QStringLiteral("valore")).toBool();
}

bool MenuClientLocale::inviaComandoA(const QString& destinatario, const QString& mittente,
                                     const QString& comando, const QVariant& parametro) {
    QVariant risultato;
    emit EseguiComando(mittente, destinatario, comando, parametro, &risultato);
    return true;
}

MenuClientLocale::MenuClientLocale(const QString& rigaComando, const QString& utente, QObject* padre)
    : MenuClient(padre), riga_(rigaComando), utente_(utente) {
}

Lanciatore MenuClientLocale::lanciatore() {
    return {riga_, {}, {}, {}};
}

MenuClientLocale::~MenuClientLocale() = default;

void MenuClientLocale::usaDatabaseComune(Database* comune, const Configurazione& conf, Interazione& ui) {
    azienda_.reset();
    comune_ = comune ? std::make_unique<ClientMenuComune>(*comune, utente_, QString()) : nullptr;
    if (!comune_)
        return;
    const std::vector<AziendaMenu> aziende = aziendeDelMenu(comune, conf, ui);
    azienda_ = std::make_unique<ClientMenuAzienda>(
        *comune_, aziende.empty() ? AziendaMenu{} : aziende[aziendaPredefinita(aziende)]);
}

QString MenuClientLocale::parametroMenu(const QString& chiave) {
    if (azienda_)
        return azienda_->parametroMenu(chiave);
    return chiave.startsWith(QStringLiteral("Personal."), Qt::CaseInsensitive) ? NessunValorePersonale
                                                                               : QString();
}

QString MenuClientLocale::parametroProcedura(const QString& chiave, const QString& ambito) {
    return comune_ ? comune_->parametroProcedura(chiave, ambito) : QString();
}

} // namespace tesel::ui
