// A second workstation for the lock tests.
//   prendiblocco CONNESSIONE SCHEMA_PG UTENTE N FILE_VIA
// takes the LockGest locks of document numbers 1..N of one kind and year, as fast as it can,
// and prints one line per number:
//   <numero> <esito> <detentore> <S when a lock left by a program no longer running was taken over, else ->
// The locks are attempted only once FILE_VIA exists, so two processes start together, and the
// processes end together.
//   prendiblocco CONNESSIONE SCHEMA_PG UTENTE tieni NUMERO
// takes the lock of received invoice NUMERO of 2024, prints its outcome and then waits, holding
// it, until it is killed.

#include "frame/blocchi.h"
#include "frame/database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>

using namespace tesel;

namespace {

int tieni(Database& db, const QString& utente, qint64 numero) {
    RichiestaBlocco r;
    r.tipo = QStringLiteral("FE");
    r.anno = 2024;
    r.numero = numero;
    r.utente = utente;
    r.gestione = QStringLiteral("Prova");
    const EsitoBloccoDoc e = BloccaDoc(db, r);
    QTextStream(stdout) << e.esito << Qt::endl;
    for (;;)
        QThread::sleep(60);
}

} // namespace

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
        if (a[4] == QStringLiteral("tieni"))
            return tieni(*db, a[3], a[5].toLongLong());
        // Each process says it is there, and holds its locks until all have done: one that ended
        // first would leave them to be taken over by the others.
        const QFileInfo via(a[5]);
        const auto conta = [&](const QString& cosa) {
            return via.dir().entryList({via.fileName() + u'.' + cosa + QStringLiteral(".*")}).size();
        };
        QFile(a[5] + QStringLiteral(".pronto.") + a[3]).open(QIODevice::WriteOnly);
        while (!via.exists())
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
            out << n << ' ' << e.esito << ' ' << (e.utente.isEmpty() ? QStringLiteral("-") : e.utente) << ' '
                << (e.subentro.isEmpty() ? '-' : 'S') << '\n';
        }
        out.flush();
        QFile(a[5] + QStringLiteral(".fine.") + a[3]).open(QIODevice::WriteOnly);
        while (conta(QStringLiteral("fine")) < conta(QStringLiteral("pronto")))
            QThread::usleep(200);
        return 0;
    } catch (const ErroreDb& e) {
        QTextStream(stderr) << e.descrizione() << '\n';
        return 1;
    }
}
