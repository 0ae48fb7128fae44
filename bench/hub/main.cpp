// The Hub client against a real tesel-hub on the loopback: depositing N received invoices, the
// list of them, downloading each with its digest checked, and sending N issued invoices, as
// the forms do (one session, one request per document). Prints the figures; asserts nothing.
//
//   bench_hub [--fatture N]

#include "fatturatipica.h"
#include "frame/hash.h"
#include "hub/hubservizio.h"
#include "hubbench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

using namespace tesel;
using namespace tesel::hub;

namespace {

void riga(const char* passo, int n, qint64 ms) {
    std::printf("%-44s %6d  %8.2f s  %8.2f ms/doc\n", passo, n, ms / 1000.0, n ? double(ms) / n : 0.0);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int n = bench::fattureRichieste(app);
    const QString programma = QStringLiteral(TESEL_HUB);
    QTemporaryDir cartella;
    const QString dati = cartella.filePath(QStringLiteral("hub"));
    const QStringList file = bench::scriviFattureTipiche(cartella.path(), n);
    if (!bench::creaAccountBench(programma, dati))
        return 1;
    QElapsedTimer t;
    t.start();
    if (!bench::depositaBench(programma, dati, file))
        return 1;
    riga("deposita (un comando)", n, t.elapsed());

    QProcess server;
    const QString url = bench::avviaServer(server, programma, dati);
    if (url.isEmpty())
        return 1;
    ImpostazioniHub i;
    i.url = url;
    i.login = bench::LoginBench;
    i.password = bench::PasswordBench;
    i.partitaIva = bench::PartitaIvaBench;
    HubServizio hub(i);
    t.restart();
    if (hub.HubConnetti() != 0)
        return 1;
    riga("login (PBKDF2 sul server)", 1, t.elapsed());

    t.restart();
    const EsitoOperazione elenco = EseguiOperazione(hub, QStringLiteral("Errore"), [&](const QString& token) {
        return hub.ElencoPassive(token, FiltriPassive{hub.HubIdCedente(), {}, {}, {}, true});
    });
    QStringList id;
    for (pugi::xml_node d : elenco.documento->child("documenti").children("documento"))
        id << QString::fromUtf8(d.attribute("id").value());
    riga("ElencoPassive (risposta intera)", static_cast<int>(id.size()), t.elapsed());

    t.restart();
    int buoni = 0;
    for (const QString& d : id) {
        const EsitoOperazione e = EseguiOperazione(hub, QStringLiteral("Errore"), [&](const QString& token) {
            return hub.ScaricaPassive(token, {d}, VarianteScarico::Originale, false);
        });
        const pugi::xml_node f = e.documento->child("files").child("file");
        const auto bytes = base64Decodifica(QByteArrayView(f.child_value("base64")));
        buoni += bytes && verificaSha256(*bytes, QString::fromUtf8(f.child_value("sha256")));
    }
    riga("ScaricaPassive uno per uno, impronta verificata", buoni, t.elapsed());

    t.restart();
    int inviati = 0;
    for (int k = 0; k < file.size(); ++k) {
        const QString busta =
            QStringLiteral("<document id=\"B04738210287%1\" state=\"DN\" info=\"NORVALE\"><attributes/>"
                           "</document>")
                .arg(k, 6, 10, QChar(u'0'));
        const EsitoOperazione e = EseguiOperazione(hub, QStringLiteral("Errore"), [&](const QString& token) {
            return hub.InviaDocumento(token, QStringLiteral("IT04738210287_%1.xml").arg(k), file[k], busta);
        });
        inviati += e.riuscita && QLatin1StringView(e.documento->child("invio").child_value("esito")) == "OK";
    }
    riga("InviaDocumento uno per uno", inviati, t.elapsed());

    t.restart();
    const EsitoOperazione attive = EseguiOperazione(
        hub, QStringLiteral("Errore"), [&](const QString& token) { return hub.ElencoAttive(token, {}); });
    int righe = 0;
    for ([[maybe_unused]] pugi::xml_node d : attive.documento->child("documenti").children("documento"))
        ++righe;
    riga("ElencoAttive (risposta intera)", righe, t.elapsed());
    hub.HubRilascia();
    server.terminate();
    server.waitForFinished();
    return buoni == n && inviati == n ? 0 : 1;
}
