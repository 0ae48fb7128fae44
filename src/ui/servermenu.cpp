#include "ui/servermenu.h"

#include "ui/canalemenu.h"

#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>

namespace tesel::ui {

ServerMenu::ServerMenu(Valori valori, QObject* padre)
    : QObject(padre), valori_(std::move(valori)), server_(new QLocalServer(this)) {
    connect(server_, &QLocalServer::newConnection, this, &ServerMenu::nuovaConnessione);
}

ServerMenu::~ServerMenu() = default;

bool ServerMenu::ascolta(const QString& nome) {
    QLocalServer::removeServer(nome); // a socket file left by a menu that crashed
    return server_->listen(nome);
}

QString ServerMenu::nome() const {
    return server_->serverName();
}

void ServerMenu::nuovaConnessione() {
    while (QLocalSocket* s = server_->nextPendingConnection()) {
        auto* canale = new CanaleMenu(s, this);
        auto pid = std::make_shared<qint64>(0);
        connect(canale, &CanaleMenu::messaggio, this, [this, canale, pid](const QJsonObject& m) {
            const QString op = m.value(QStringLiteral("op")).toString();
            const QString chiave = m.value(QStringLiteral("chiave")).toString();
            QJsonObject r{{QStringLiteral("re"), m.value(QStringLiteral("id"))}};
            if (op == u"connetti") {
                *pid = m.value(QStringLiteral("pid")).toInteger();
                canali_.insert(*pid, canale);
                r.insert(QStringLiteral("valore"), true);
                emit connesso(*pid, m.value(QStringLiteral("programma")).toString(),
                              m.value(QStringLiteral("resto")).toString());
            } else if (op == u"parametroMenu") {
                r.insert(QStringLiteral("valore"),
                         valori_.parametroMenu ? valori_.parametroMenu(chiave) : QString());
            } else if (op == u"parametroProcedura") {
                r.insert(
                    QStringLiteral("valore"),
                    valori_.parametroProcedura
                        ? valori_.parametroProcedura(chiave, m.value(QStringLiteral("ambito")).toString())
                        : QString());
            } else if (op == u"configurazione") {
                r.insert(QStringLiteral("valore"), valori_.configurazione);
            } else if (op == u"lanciatore") {
                r.insert(QStringLiteral("osParam"), lanciatore_.osParam);
                r.insert(QStringLiteral("osChiLancia"), lanciatore_.osChiLancia);
                r.insert(QStringLiteral("osKeySecLancia"), lanciatore_.osKeySecLancia);
                r.insert(QStringLiteral("osParamLancia"), lanciatore_.osParamLancia);
            } else if (op == u"fineProcedura") {
                emit procedureFinita(*pid, m.value(QStringLiteral("ambito")).toString());
            } else if (op == u"comandoA") {
                // The launcher is a program named by its process id, or the menu itself.
                const QString destinatario = m.value(QStringLiteral("destinatario")).toString();
                const QString mittente = m.value(QStringLiteral("mittente")).toString();
                const QString comando = m.value(QStringLiteral("comando")).toString();
                const QVariant parametro = m.value(QStringLiteral("parametro")).toVariant();
                bool numero = false;
                const qint64 destPid = destinatario.toLongLong(&numero);
                if (numero && canali_.contains(destPid))
                    inviaComando(destPid, comando, parametro, mittente, QString::number(*pid));
                else
                    emit comandoDaProgramma(*pid, destinatario, mittente, comando, parametro);
                r.insert(QStringLiteral("valore"), true);
            } else if (op == u"disconnetti") {
                return;
            }
            canale->invia(r);
        });
        connect(canale, &CanaleMenu::risposta, this, [this, pid](qint64 id, const QJsonObject& m) {
            emit risultato(*pid, id, m.value(QStringLiteral("risultato")).toVariant());
        });
        connect(canale, &CanaleMenu::chiuso, this, [this, canale, pid] {
            canali_.remove(*pid);
            canale->deleteLater();
            emit disconnesso(*pid);
        });
    }
}

qint64 ServerMenu::inviaComando(qint64 pid, const QString& comando, const QVariant& parametro,
                                const QVariant& a, const QVariant& b) {
    CanaleMenu* c = canali_.value(pid);
    if (!c)
        return -1;
    return c->invia({{QStringLiteral("op"), QStringLiteral("comando")},
                     {QStringLiteral("comando"), comando},
                     {QStringLiteral("parametro"), QJsonValue::fromVariant(parametro)},
                     {QStringLiteral("a"), QJsonValue::fromVariant(a)},
                     {QStringLiteral("b"), QJsonValue::fromVariant(b)}});
}

} // namespace tesel::ui
