// tesel-menu: a small launcher that stands in for the suite's menu.
//   tesel-menu --ini FILE [--tesel PATH]
// It lists the entry functions, starts tesel on the chosen one (M=<its socket> F=<form> I=FILE)
// and sends the menu's commands to the running programs.

#include "finestramenu.h"

#include "frame/aziendamenu.h"
#include "frame/configurazione.h"
#include "frame/database.h"
#include "ui/msgcom.h"
#include "ui/presidio.h"

#include <QApplication>
#include <QFileInfo>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Menu Tesel"));
    tesel::ui::caricaTraduzioniQt(app);
    QString ini;
    QString tesel =
        QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/tesel")).absoluteFilePath();
    const QStringList a = app.arguments();
    for (int i = 1; i < a.size(); ++i) {
        if (a[i] == u"--ini" && i + 1 < a.size())
            ini = QFileInfo(a[++i]).absoluteFilePath();
        else if (a[i] == u"--tesel" && i + 1 < a.size())
            tesel = a[++i];
    }
    tesel::ui::InterazioneFinestre finestre;
    if (ini.isEmpty() || !QFileInfo::exists(ini)) {
        tesel::msgCom(finestre, QStringLiteral("Uso: tesel-menu --ini FILE [--tesel PERCORSO]"));
        return 2;
    }
    tesel::ClientMenuFisso senzaMenu;
    senzaMenu.impostaConfigurazione(ini);
    std::unique_ptr<tesel::Database> comune;
    std::vector<tesel::AziendaMenu> aziende;
    const tesel::SceltaProfilo scelta = tesel::scegliFileProfilo(senzaMenu, finestre, {});
    if (scelta.ok()) {
        tesel::Configurazione conf(senzaMenu, finestre, scelta);
        const tesel::ImpostazioniConnessione c = conf.connessioneComune();
        if (c.ok()) {
            try {
                comune = tesel::Database::apri(c.testo, c.utente, c.password);
            } catch (const tesel::ErroreDb& e) {
                tesel::msgCom(finestre, QStringLiteral("Connessione database Comune\r\n") + e.descrizione());
            }
        }
        // The companies offered; the one the profile file names is chosen at the start.
        aziende = tesel::aziendeDelMenu(comune.get(), conf, finestre);
    }
    FinestraMenu finestra(ini, comune.get(), tesel, aziende);
    finestra.show();
    return app.exec();
}
