#pragma once
// The launcher window that stands in for the suite's menu: it lists the entry functions,
// starts tesel on the chosen one, keeps the connection and sends the menu's commands.

#include "frame/aziendamenu.h"
#include "ui/servermenu.h"

#include <QMainWindow>
#include <memory>

class QComboBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProcess;

namespace tesel {
class Database;
class ClientMenu;
} // namespace tesel

class FinestraMenu : public QMainWindow {
    Q_OBJECT
public:
    // `ini`: the profile file handed to every program; `comune`: the common database (may be
    // null); `aziende`: the companies offered, the profile's own chosen at the start.
    FinestraMenu(const QString& ini, tesel::Database* comune, const QString& programma,
                 std::vector<tesel::AziendaMenu> aziende);
    ~FinestraMenu() override;
    tesel::ui::ServerMenu& server() { return *server_; }

private:
    void avvia();
    void inviaComando();
    void scrivi(const QString& riga);
    qint64 programmaCorrente() const;

    QString ini_;
    QString programma_;
    std::unique_ptr<tesel::ClientMenu> valori_;
    std::unique_ptr<tesel::ClientMenuAzienda> azienda_;
    std::vector<tesel::AziendaMenu> aziende_;
    QComboBox* cboAzienda_;
    tesel::ui::ServerMenu* server_;
    QListWidget* funzioni_;
    QComboBox* programmi_;
    QComboBox* comando_;
    QLineEdit* parametro_;
    QPlainTextEdit* registro_;
};
