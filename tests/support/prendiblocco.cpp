// A second workstation for the lock tests: takes the LockGest locks of document numbers
// 1..N of one kind and year, as fast as it can, and prints one line per number:
//   <numero> <esito> <detentore>
// Usage: prendiblocco CONNESSIONE SCHEMA_PG UTENTE N FILE_VIA
// The locks are attempted only once FILE_VIA exists, so two processes start together.

#include "frame/blocchi.h"
#include "frame/database.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QThread>

using namespace tesel;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() != 6)
        return 2;
    try {
        auto db = Database::apri(a[1], qEnvironmentVariable("TESEL_TEST_UID"),
                                 qEnvironmentVariable("TESEL_TEST_PWD"));
        if (!a[2].isEmpty())
            db->EseguiSql(QStringLiteral("SET search_path TO ") + a[2]);
        while (!QFile::exists(a[5]))
            QThread::usleep(200);
        QTextStream out(stdout);
        for (int n = 1; n <= a[4].toInt(); ++n) {
            RichiestaBlocco r;
            r.tipo = QStringLiteral("PN");
            r.anno = 2024;
            r.numero = n;
            r.utente = a[3];
            r.gestione = QStringLiteral("Prova");
            const EsitoBloccoDoc e = BloccaDoc(*db, r);
            out << n << ' ' << e.esito << ' ' << (e.utente.isEmpty() ? QStringLiteral("-") : e.utente)
                << '\n';
        }
        return 0;
    } catch (const ErroreDb& e) {
        QTextStream(stderr) << e.descrizione() << '\n';
        return 1;
    }
}
