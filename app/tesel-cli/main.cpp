// tesel-cli: the program's batch work without a display.
//
//   tesel-cli init-db --ini FILE [--demo]
//       Creates (or completes) the company database named by the configuration file, and
//       the common database when the file has a "Menu" section; --demo seeds the demo company.
//   tesel-cli riepilogo --ini FILE
//       Prints the company database's tables with their row counts.
//
// Questions are answered without a user: by default with their first answer that is not a
// retry ("&Ok" goes on; "Riprova"/"Esci" gives up), or with the answer named by
// --rispondi CAPTION (repeatable, e.g. --rispondi Sì). Every message is written to standard error.
//
// Messages go to standard error; the exit status is 0 on success, 1 on failure, 2 on a
// command-line error.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/database.h"
#include "frame/ini.h"
#include "frame/interazione.h"
#include "schema/demo.h"
#include "schema/schema.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextStream>

using namespace tesel;

namespace {

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}
QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

int uso() {
    err() << "Uso:\n"
             "  tesel-cli init-db --ini FILE [--demo] [--rispondi RISPOSTA]...\n"
             "  tesel-cli riepilogo --ini FILE [--rispondi RISPOSTA]...\n";
    return 2;
}

struct Argomenti {
    QString comando;
    QString ini;
    QStringList risposte;
    bool demo = false;
    bool ok = true;
};

Argomenti leggiArgomenti(const QStringList& a) {
    Argomenti r;
    if (a.size() < 2) {
        r.ok = false;
        return r;
    }
    r.comando = a[1];
    for (int i = 2; i < a.size(); ++i) {
        if (a[i] == QStringLiteral("--ini") && i + 1 < a.size())
            r.ini = a[++i];
        else if (a[i] == QStringLiteral("--demo"))
            r.demo = true;
        else {
            err() << "Argomento non riconosciuto: " << a[i] << "\n";
            r.ok = false;
        }
    }
    if (r.ini.isEmpty()) {
        err() << "Manca --ini FILE\n";
        r.ok = false;
    }
    return r;
}

// The configuration and the opened databases of one run.
struct Ambiente {
    ClientMenuFisso menu;
    InterazioneNonPresidiata ui;
    std::unique_ptr<Configurazione> conf;
    ImpostazioniConnessione azienda;

    bool prepara(const QString& ini, const QStringList& risposte) {
        for (const QString& r : risposte)
            ui.rispondi(r);
        const QString percorso = QFileInfo(ini).absoluteFilePath();
        if (!QFileInfo::exists(percorso)) {
            err() << "File di configurazione non trovato: " << ini << "\n";
            return false;
        }
        menu.impostaConfigurazione(percorso);
        const SceltaProfilo scelta = scegliFileProfilo(menu, ui, {});
        if (!scelta.ok())
            return false;
        conf = std::make_unique<Configurazione>(menu, ui, scelta);
        azienda = conf->connessioneAzienda();
        return azienda.ok();
    }

    bool haDatabaseComune() const { return FileIni(conf->fileProfilo()).hasSection(QStringLiteral("Menu")); }
};

int initDb(const Argomenti& a) {
    Ambiente amb;
    if (!amb.prepara(a.ini, a.risposte))
        return 1;
    auto db = Database::apri(amb.azienda.testo, amb.azienda.utente, amb.azienda.password);
    schema::creaSchema(*db, schema::tabelleAzienda());
    err() << "Database aziendale pronto: " << amb.azienda.testo << "\n";
    if (a.demo) {
        schema::popolaDemo(*db);
        err() << "Azienda dimostrativa caricata\n";
    }
    if (amb.haDatabaseComune()) {
        const ImpostazioniConnessione c = amb.conf->connessioneComune();
        if (!c.ok())
            return 1;
        auto comune = Database::apri(c.testo, c.utente, c.password);
        schema::creaSchema(*comune, schema::tabelleComuni());
        if (a.demo)
            schema::popolaDemoComune(*comune, amb.azienda.nomeDb);
        err() << "Database comune pronto: " << c.testo << "\n";
    }
    return 0;
}

int riepilogo(const Argomenti& a) {
    Ambiente amb;
    if (!amb.prepara(a.ini, a.risposte))
        return 1;
    auto db = Database::apri(amb.azienda.testo, amb.azienda.utente, amb.azienda.password);
    for (const schema::Tabella& t : schema::tabelleAzienda()) {
        if (!db->esisteTabella(t.nome)) {
            out() << t.nome << "\tmancante\n";
            continue;
        }
        out() << t.nome << '\t' << db->valore(QStringLiteral("SELECT count(*) FROM ") + t.nome).toLongLong()
              << '\n';
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Argomenti a = leggiArgomenti(app.arguments());
    if (!a.ok)
        return uso();
    try {
        if (a.comando == QStringLiteral("init-db"))
            return initDb(a);
        if (a.comando == QStringLiteral("riepilogo"))
            return riepilogo(a);
        err() << "Comando sconosciuto: " << a.comando << "\n";
        return uso();
    } catch (const ErroreDb& e) {
        err() << "Errore(" << e.numero() << "): " << e.descrizione() << "\n";
        if (!e.sql().isEmpty())
            err() << "SQL: " << e.sql().left(500) << "\n";
        return 1;
    } catch (const std::exception& e) {
        err() << "Errore: " << e.what() << "\n";
        return 1;
    }
}
