#include "verifica.h"

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "posting/verifica.h"

#include <QFileInfo>
#include <QTextStream>
#include <optional>

using namespace tesel;

namespace {

// What happened to a finding, as the line of a repair run ends.
QString esito(const posting::Anomalia& a) {
    QString azione = a.azione;
    azione.replace(QStringLiteral("\r\n"), QStringLiteral(" - "));
    if (a.riparata)
        return azione;
    if (posting::riparabile(a.tipo))
        return QStringLiteral("non riparata: ") + azione;
    if (a.tipo == posting::TipoAnomalia::BloccoInUso)
        return QStringLiteral("lasciato: in uso");
    return QStringLiteral("da controllare a mano");
}

} // namespace

int comandoVerifica(const QString& ini, const QStringList& risposte, bool ripara,
                    const QStringList& posizionali) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!posizionali.isEmpty()) {
        err << "Uso: tesel-cli verifica --ini FILE [--ripara]\n";
        return 2;
    }
    const QString percorso = QFileInfo(ini).absoluteFilePath();
    if (!QFileInfo::exists(percorso)) {
        err << "File di configurazione non trovato: " << ini << "\n";
        return 1;
    }
    ClientMenuFisso menu;
    InterazioneNonPresidiata ui;
    for (const QString& r : risposte)
        ui.rispondi(r);
    menu.impostaConfigurazione(percorso);
    const SceltaProfilo scelta = scegliFileProfilo(menu, ui, {});
    if (!scelta.ok())
        return 1;
    Configurazione conf(menu, ui, scelta);
    const ImpostazioniConnessione azienda = conf.connessioneAzienda();
    if (!azienda.ok())
        return 1;
    auto db = Database::apri(azienda.testo, azienda.utente, azienda.password);
    ParametriAzienda parametri(*db);

    const posting::RapportoVerifica r =
        ripara ? posting::RiparaContabilita(*db, parametri,
                                            qEnvironmentVariable("USER", QStringLiteral("tesel-cli")))
               : posting::VerificaContabilita(*db, parametri);
    std::optional<posting::TipoAnomalia> gruppo;
    for (const posting::Anomalia& a : r.anomalie) {
        if (gruppo != a.tipo) {
            gruppo = a.tipo;
            out << posting::titoloAnomalia(a.tipo)
                << (!ripara && posting::riparabile(a.tipo) ? " (riparabili con --ripara)" : "") << ":\n";
        }
        out << "  " << a.descrizione;
        if (ripara)
            out << " => " << esito(a);
        out << "\n";
    }
    if (r.anomalie.empty())
        out << "Nessuna anomalia\n";
    else
        out << "Anomalie: " << r.anomalie.size() << ", riparate: " << r.riparate()
            << ", da risolvere: " << r.daRisolvere() << "\n";
    return r.daRisolvere() == 0 ? 0 : 1;
}
