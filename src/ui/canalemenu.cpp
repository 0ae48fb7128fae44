#include "ui/canalemenu.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QTimer>

namespace tesel::ui {

CanaleMenu::CanaleMenu(QLocalSocket* socket, QObject* padre) : QObject(padre), socket_(socket) {
    socket_->setParent(this);
    connect(socket_, &QLocalSocket::readyRead, this, &CanaleMenu::leggi);
    connect(socket_, &QLocalSocket::disconnected, this, &CanaleMenu::chiuso);
}

bool CanaleMenu::connesso() const {
    return socket_->state() == QLocalSocket::ConnectedState;
}

qint64 CanaleMenu::invia(QJsonObject messaggio) {
    if (!messaggio.contains(QStringLiteral("id")) && !messaggio.contains(QStringLiteral("re")))
        messaggio.insert(QStringLiteral("id"), prossimoId_++);
    socket_->write(QJsonDocument(messaggio).toJson(QJsonDocument::Compact) + '\n');
    socket_->flush();
    return messaggio.value(QStringLiteral("id")).toInteger();
}

QList<QJsonObject> CanaleMenu::estraiRighe() {
    buffer_ += socket_->readAll();
    QList<QJsonObject> righe;
    qsizetype fine;
    while ((fine = buffer_.indexOf('\n')) >= 0) {
        const QByteArray riga = buffer_.left(fine);
        buffer_.remove(0, fine + 1);
        const QJsonDocument d = QJsonDocument::fromJson(riga);
        if (d.isObject())
            righe << d.object();
    }
    return righe;
}

QJsonObject CanaleMenu::richiesta(QJsonObject messaggio, int attesaMs) {
    const qint64 id = prossimoId_++;
    messaggio.insert(QStringLiteral("id"), id);
    invia(messaggio);
    inRichiesta_ = true;
    QElapsedTimer t;
    t.start();
    QJsonObject trovata;
    bool arrivata = false;
    // Blocking reads, not a nested event loop: a menu command must not run in the middle of
    // a start-up step that is waiting for a parameter.
    while (!arrivata && connesso() && t.elapsed() < attesaMs) {
        for (const QJsonObject& m : estraiRighe()) {
            if (!arrivata && m.value(QStringLiteral("re")).toInteger() == id) {
                trovata = m;
                arrivata = true;
            } else {
                inAttesa_ << m;
            }
        }
        if (!arrivata)
            socket_->waitForReadyRead(100);
    }
    inRichiesta_ = false;
    if (!inAttesa_.isEmpty())
        QTimer::singleShot(0, this, &CanaleMenu::consegnaInAttesa);
    return trovata;
}

void CanaleMenu::leggi() {
    if (inRichiesta_)
        return; // the waiting request reads for itself
    inAttesa_ << estraiRighe();
    consegnaInAttesa();
}

void CanaleMenu::consegnaInAttesa() {
    while (!inAttesa_.isEmpty()) {
        const QJsonObject m = inAttesa_.takeFirst();
        if (m.contains(QStringLiteral("re")))
            emit risposta(m.value(QStringLiteral("re")).toInteger(), m);
        else
            emit messaggio(m);
    }
}

} // namespace tesel::ui
