#pragma once
// The conversation between the suite's menu and Tesel over a local socket: one JSON object
// per line. Tesel asks (connetti, parametroMenu, parametroProcedura, configurazione,
// lanciatore, fineProcedura, disconnetti) and the menu answers with {"re": id, ...}; the menu
// sends commands ({"op": "comando", ...}) and Tesel answers with {"re": id, "risultato": ...}.

#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <functional>

class QLocalSocket;
class QLocalServer;

namespace tesel::ui {

// One end of the conversation.
class CanaleMenu : public QObject {
    Q_OBJECT
public:
    explicit CanaleMenu(QLocalSocket* socket, QObject* padre = nullptr);
    QLocalSocket* socket() const { return socket_; }
    bool connesso() const;

    // Sends a message without waiting (an id is added when it has none; answers the id).
    qint64 invia(QJsonObject messaggio);
    // Sends a request and waits for its answer; messages that arrive meanwhile are kept and
    // delivered afterwards. An empty object when the other end does not answer in time.
    QJsonObject richiesta(QJsonObject messaggio, int attesaMs = 15000);

signals:
    // A message that is not an answer to one of our requests.
    void messaggio(const QJsonObject& m);
    // An answer to a message sent with invia().
    void risposta(qint64 id, const QJsonObject& m);
    void chiuso();

private:
    void leggi();
    void consegnaInAttesa();
    QList<QJsonObject> estraiRighe();

    QLocalSocket* socket_;
    QByteArray buffer_;
    qint64 prossimoId_ = 1;
    QList<QJsonObject> inAttesa_;
    bool inRichiesta_ = false;
};

} // namespace tesel::ui
