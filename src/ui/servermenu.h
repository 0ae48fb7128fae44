#pragma once
// The menu's end of the conversation: tesel-menu (and the tests) listen on a local socket,
// answer the values each started program asks for, and send it commands.

#include "ui/menuclient.h"

#include <QHash>
#include <QObject>
#include <functional>

class QLocalServer;

namespace tesel::ui {

class CanaleMenu;

class ServerMenu : public QObject {
    Q_OBJECT
public:
    struct Valori {
        std::function<QString(const QString& chiave)> parametroMenu;
        std::function<QString(const QString& chiave, const QString& ambito)> parametroProcedura;
        QString configurazione;
    };

    explicit ServerMenu(Valori valori, QObject* padre = nullptr);
    ~ServerMenu() override;
    bool ascolta(const QString& nome);
    QString nome() const;

    // The launcher data handed to the programs that ask for it from now on.
    void impostaLanciatore(const Lanciatore& l) { lanciatore_ = l; }
    // Sends a command to a connected program (by process id); the answer arrives as risultato().
    // Answers the message id, or -1 when the program is not connected.
    qint64 inviaComando(qint64 pid, const QString& comando, const QVariant& parametro = {},
                        const QVariant& a = {}, const QVariant& b = {});
    QList<qint64> programmi() const { return canali_.keys(); }

signals:
    void connesso(qint64 pid, const QString& programma, const QString& resto);
    void disconnesso(qint64 pid);
    void risultato(qint64 pid, qint64 id, const QVariant& valore);
    void procedureFinita(qint64 pid, const QString& ambito);
    // A program sent a command to the one that launched it (`destinatario`, its osChiLancia)
    // and no connected program has that process id: the menu itself is the launcher.
    void comandoDaProgramma(qint64 pid, const QString& destinatario, const QString& mittente,
                            const QString& comando, const QVariant& parametro);

private:
    void nuovaConnessione();
    Valori valori_;
    Lanciatore lanciatore_;
    QLocalServer* server_;
    QHash<qint64, CanaleMenu*> canali_;
};

} // namespace tesel::ui
