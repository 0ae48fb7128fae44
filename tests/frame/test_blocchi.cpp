// Locks whose holder no longer runs: recognised from the holder recorded in LockGest, taken
// over by the next workstation, and never taken from a holder that runs or cannot be checked.

#include "frame/blocchi.h"
#include "frame/database.h"
#include "frame/errori.h"
#include "schema/schema.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QThread>
#include <functional>
#include <future>
#include <thread>

using namespace Qt::StringLiterals;
using namespace tesel;
using tesel::prova::ConDatabase;

namespace tesel {
// Found by GoogleTest through the argument's namespace.
[[maybe_unused]] static void PrintTo(StatoDetentore s, std::ostream* o) {
    const char* const nomi[] = {"Attivo", "Terminato", "Sconosciuto"};
    *o << nomi[static_cast<int>(s)];
}
} // namespace tesel

namespace {

// A pid no process has (the kernel's pid_max is far lower).
constexpr qint64 pidInesistente = 2147483647;

bool attendi(const std::function<bool()>& condizione) {
    QElapsedTimer t;
    t.start();
    while (!condizione()) {
        if (t.elapsed() > 20000)
            return false;
        QThread::msleep(50);
    }
    return true;
}

class DetentoreTest : public ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        schema::creaSchema(db(), {lockGest()});
    }
    static const schema::Tabella& lockGest() {
        return *schema::trovaTabella(schema::tabelleAzienda(), u"LockGest"_s);
    }
    static RichiestaBlocco richiesta(const QString& utente, qint64 numero = 15) {
        RichiestaBlocco r;
        r.tipo = u"FE"_s;
        r.anno = 2024;
        r.numero = numero;
        r.utente = utente;
        r.gestione = u"Contabilizzazione"_s;
        r.descrizione = u"Fattura ricevuta"_s;
        return r;
    }
    static QString subentro(const QString& utente) {
        return u"Il blocco di Fattura ricevuta (anno: 2024 - Num.: 15) tenuto da "_s + utente + u" su "_s +
               QSysInfo::machineHostName() +
               QStringLiteral(" era rimasto da un programma non più in esecuzione ed è stato acquisito da "
                              "questa postazione");
    }
    QString detentore(Database& d, qint64 numero = 15) {
        return d.valore(u"SELECT Utente FROM LockGest WHERE Tipo = 'FE' AND NumReg = %1"_s.arg(numero))
            .toString();
    }
    QStringList argomenti(const QStringList& altri) const {
        return QStringList{testoConnessione(), schemaPg()} + altri;
    }
};

// One workstation holds the lock; the other is told who holds it, asked to retry or exit, and
// takes it once it is released.
TEST_F(DetentoreTest, shouldGiveTheLockToOneWorkstationAndNameTheHolderToTheOther) {
    auto altra = altraConnessione();
    ASSERT_EQ(BloccaDoc(db(), richiesta(u"mario"_s)).esito, BloccoPreso);
    EXPECT_TRUE(DocBloccato(*altra, u"FE"_s, 2024, 15));
    EXPECT_FALSE(DocBloccato(*altra, u"FE"_s, 2024, 16));

    prova::InterazioneProva utente;
    auto r = richiesta(u"luisa"_s);
    r.mostraMessaggio = true;
    const auto secondo = BloccaDoc(*altra, r, &utente);
    EXPECT_EQ(secondo.esito, BloccoAltroUtente);
    EXPECT_EQ(secondo.utente + u' ' + secondo.gestione, u"mario Contabilizzazione"_s);
    EXPECT_EQ(utente.testiMostrati(),
              QStringList{u"Fattura ricevuta (anno: 2024 - Num.: 15) è in uso da:mario\r\n"
                          "Impossibile effettuare variazioni"_s});

    utente.mostrati.clear();
    utente.accoda(u"Riprova"_s);
    utente.accoda(u"Esci"_s);
    ErroriBatch errori;
    EXPECT_FALSE(BloccaDocRiprova(*altra, richiesta(u"luisa"_s), utente, errori));
    ASSERT_EQ(utente.mostrati.size(), 2);
    EXPECT_EQ(utente.mostrati[0].testo, u"Fattura ricevuta (anno: 2024 - Num.: 15) in uso da mario"_s);
    EXPECT_EQ(utente.mostrati[0].risposte, (QStringList{u"Riprova"_s, u"Esci"_s}));
    EXPECT_EQ(errori.conteggio(), 0);
    SbloccaDoc(db(), u"FE"_s, 2024, 15);
    EXPECT_TRUE(BloccaDocRiprova(*altra, richiesta(u"luisa"_s), utente, errori));
}

TEST_F(DetentoreTest, shouldDescribeInterruptedOperationsAndUpdateTheHeldState) {
    auto r = richiesta(u"mario"_s);
    r.gestione = u"PNINT"_s;
    r.stato = u"M"_s;
    ASSERT_EQ(BloccaDoc(db(), r).esito, BloccoPreso);
    const auto e = BloccaDoc(db(), richiesta(u"luisa"_s));
    EXPECT_TRUE(e.messaggio.startsWith(u"Prima Nota Interrotti (anno: 2024 - Num.: 15)"_s));
    EXPECT_EQ(BloccaDoc(db(), richiesta(u"MARIO"_s)).esito, BloccoStessoUtente);

    auto aggiorna = richiesta(u"mario"_s);
    aggiorna.prendi = false;
    aggiorna.stato = u"T"_s;
    EXPECT_EQ(BloccaDoc(db(), aggiorna).esito, BloccoAggiornato);
    EXPECT_EQ(db().valore(u"SELECT Stato FROM LockGest WHERE NumReg = 15"_s).toString(), u"T"_s);
}

TEST_F(DetentoreTest, shouldRecordALockingFailureInTheBatchLog) {
    db().EseguiSql(u"DROP TABLE LockGest"_s);
    prova::InterazioneProva utente;
    ErroriBatch errori;
    EXPECT_FALSE(BloccaDocRiprova(db(), richiesta(u"mario"_s), utente, errori));
    EXPECT_EQ(errori.conteggio(), 1);
    EXPECT_TRUE(errori.testo().contains(u" errore nel loccaggio: "_s));
    EXPECT_TRUE(errori.testo().contains(u" n.rif 15 anno 2024"_s));
    EXPECT_TRUE(utente.mostrati.isEmpty());
}

// The lock of mario, taken through this connection, is changed into the row another holder
// would have left; another workstation then looks at it and tries to take it.
struct CasoDetentore {
    const char* nome;
    const char* colonna = ""; // a column whose blank-separated part `parte` becomes `valore`
    int parte = 0;
    const char* valore = "";
    const char* altro = ""; // further SET assignments
    StatoDetentore atteso = StatoDetentore::Attivo;
    bool sessione = false; // the case is about the PostgreSQL session: keep it
    bool preso = false;    // luisa takes it over
};

TEST_F(DetentoreTest, shouldTakeOverOnlyALockWhoseHolderIsKnownToBeGone) {
    using enum StatoDetentore;
    const CasoDetentore casi[] = {
        {"il programma che lo tiene", "", 0, "", "", Attivo},
        {"pid ora di un altro processo", "AvvioProcesso", 3, "1", "", Terminato, false, true},
        {"macchina riavviata", "AvvioProcesso", 1, "00000000-0000-0000-0000-000000000000", "", Terminato,
         false, true},
        {"processo finito", "", 0, "", "Processo = 2147483647", Terminato, false, true},
        {"altro host su un file condiviso", "", 0, "", "Host = 'altro-pc', Processo = 2147483647",
         Sconosciuto},
        {"altra macchina con lo stesso nome", "AvvioProcesso", 0, "ffffffffffffffffffffffffffffffff",
         "Processo = 2147483647", Sconosciuto},
        {"altro contenitore", "AvvioProcesso", 2, "1", "Processo = 2147483647", Sconosciuto},
        {"riga di una versione precedente", "", 0, "", "Host = NULL, Processo = NULL, AvvioProcesso = NULL",
         Sconosciuto},
        {"operazione interrotta", "", 0, "", "Processo = 2147483647, Gestione = 'PNINT'", Terminato},
        {"sessione aperta da un altro host", "", 0, "", "Host = 'altro-pc', Processo = 2147483647", Attivo,
         true},
        {"sessione chiusa, processo vivo", "SessioneDb", 0, "2147483647", "", Terminato, true, true},
        {"pid della sessione ora di un'altra", "SessioneDb", 1, "2000-01-01", "", Terminato, true, true},
    };
    auto altra = altraConnessione();
    for (const CasoDetentore& c : casi) {
        if (c.sessione && !prova::usaOdbc())
            continue;
        SCOPED_TRACE(c.nome);
        db().EseguiSql(u"DELETE FROM LockGest"_s);
        ASSERT_EQ(BloccaDoc(db(), richiesta(u"mario"_s)).esito, BloccoPreso);
        QStringList set;
        if (*c.colonna) {
            QStringList parti = db().valore(u"SELECT %1 FROM LockGest"_s.arg(QLatin1String(c.colonna)))
                                    .toString()
                                    .split(u' ');
            ASSERT_GT(parti.size(), c.parte);
            parti[c.parte] = QLatin1String(c.valore);
            set << QLatin1String(c.colonna) + u" = "_s + quotaSql(parti.join(u' '));
        }
        if (!c.sessione)
            set << u"SessioneDb = NULL"_s;
        if (*c.altro)
            set << QLatin1String(c.altro);
        if (!set.isEmpty())
            db().EseguiSql(u"UPDATE LockGest SET "_s + set.join(u", "_s));

        const auto elenco = elencoBlocchi(*altra);
        ASSERT_EQ(elenco.size(), 1u);
        EXPECT_EQ(elenco[0].detentore, c.atteso);
        EXPECT_EQ(elenco[0].utente, u"mario"_s);

        prova::InterazioneProva utente;
        auto r = richiesta(u"luisa"_s);
        r.mostraMessaggio = true;
        const auto e = BloccaDoc(*altra, r, &utente);
        if (c.preso) {
            EXPECT_EQ(e.esito, BloccoPreso);
            EXPECT_EQ(e.subentro, subentro(u"mario"_s));
            EXPECT_EQ(utente.testiMostrati(), QStringList{subentro(u"mario"_s)});
            EXPECT_EQ(detentore(db()), u"luisa"_s);
        } else {
            EXPECT_EQ(e.esito, BloccoAltroUtente);
            EXPECT_TRUE(e.subentro.isEmpty());
            EXPECT_EQ(detentore(db()), u"mario"_s);
        }
    }
}

TEST_F(DetentoreTest, shouldTakeOverTheLockOfAKilledProcessButNeverWhileItRuns) {
    QProcess tiene;
    tiene.start(QStringLiteral(TESEL_PRENDIBLOCCO), argomenti({u"mario"_s, u"tieni"_s, u"15"_s}));
    ASSERT_TRUE(tiene.waitForReadyRead(30000)) << tiene.readAllStandardError().toStdString();
    ASSERT_EQ(tiene.readLine().trimmed(), QByteArray("0"));

    EXPECT_EQ(elencoBlocchi(db()).at(0).detentore, StatoDetentore::Attivo);
    prova::InterazioneProva utente;
    utente.accoda(u"Esci"_s);
    ErroriBatch errori;
    EXPECT_FALSE(BloccaDocRiprova(db(), richiesta(u"luisa"_s), utente, errori));
    EXPECT_EQ(utente.testiMostrati(),
              QStringList{u"Fattura ricevuta (anno: 2024 - Num.: 15) in uso da mario"_s});
    EXPECT_EQ(detentore(db()), u"mario"_s);

    tiene.kill();
    ASSERT_TRUE(tiene.waitForFinished());
    // PostgreSQL ends the killed program's session a moment later.
    EXPECT_TRUE(attendi([&] { return elencoBlocchi(db())[0].detentore == StatoDetentore::Terminato; }));
    prova::InterazioneProva dopo;
    EXPECT_TRUE(BloccaDocRiprova(db(), richiesta(u"luisa"_s), dopo, errori));
    EXPECT_EQ(dopo.testiMostrati(), QStringList{subentro(u"mario"_s)});
    EXPECT_EQ(detentore(db()), u"luisa"_s);
    EXPECT_EQ(errori.conteggio(), 0);
}

// Two workstations take the same documents at once: of each, exactly one gets the lock and the
// other names it, whether the documents were free or held by a program no longer running.
TEST_F(DetentoreTest, shouldLetExactlyOneOfTwoProcessesTakeEachLockFreeOrLeftBehind) {
    constexpr int documenti = 30;
    for (const bool lasciati : {false, true}) {
        SCOPED_TRACE(lasciati ? "blocchi lasciati" : "documenti liberi");
        db().EseguiSql(u"DELETE FROM LockGest"_s);
        if (lasciati) {
            RichiestaBlocco r = richiesta(u"vecchio"_s, 1);
            r.tipo = u"PN"_s;
            ASSERT_EQ(BloccaDoc(db(), r).esito, BloccoPreso);
            for (int n = 2; n <= documenti; ++n)
                db().EseguiSql(
                    QStringLiteral(
                        "INSERT INTO LockGest (Tipo, Anno, NumReg, Utente, Ora, Host, AvvioProcesso) "
                        "SELECT Tipo, Anno, %1, Utente, Ora, Host, AvvioProcesso FROM LockGest "
                        "WHERE NumReg = 1")
                        .arg(n));
            db().EseguiSql(u"UPDATE LockGest SET Processo = %1, SessioneDb = NULL"_s.arg(pidInesistente));
        }
        QTemporaryDir cartella;
        const QString via = cartella.filePath(u"via"_s);
        QProcess primo, secondo;
        primo.start(QStringLiteral(TESEL_PRENDIBLOCCO),
                    argomenti({u"mario"_s, QString::number(documenti), via}));
        secondo.start(QStringLiteral(TESEL_PRENDIBLOCCO),
                      argomenti({u"luisa"_s, QString::number(documenti), via}));
        ASSERT_TRUE(primo.waitForStarted());
        ASSERT_TRUE(secondo.waitForStarted());
        // Both connected and waiting: each says so with its ".pronto" file.
        ASSERT_TRUE(attendi([&] {
            return QFileInfo::exists(via + u".pronto.mario"_s) && QFileInfo::exists(via + u".pronto.luisa"_s);
        }));
        QFile(via).open(QIODevice::WriteOnly);
        ASSERT_TRUE(primo.waitForFinished(120000));
        ASSERT_TRUE(secondo.waitForFinished(120000));
        ASSERT_EQ(primo.exitCode(), 0) << primo.readAllStandardError().toStdString();
        ASSERT_EQ(secondo.exitCode(), 0) << secondo.readAllStandardError().toStdString();

        const QStringList righePrimo =
            QString::fromUtf8(primo.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        const QStringList righeSecondo =
            QString::fromUtf8(secondo.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(righePrimo.size(), documenti);
        ASSERT_EQ(righeSecondo.size(), documenti);
        int subentri = 0;
        for (int n = 0; n < documenti; ++n) {
            // "<numero> <esito> <detentore> <subentro>". A winner found a left lock and took it
            // over, or found the document free because the loser had just removed it.
            const QStringList a = righePrimo[n].split(u' '), b = righeSecondo[n].split(u' ');
            ASSERT_EQ(a.size(), 4);
            ASSERT_EQ(b.size(), 4);
            const bool vinceA = a[1].toInt() == BloccoPreso;
            EXPECT_NE(vinceA, b[1].toInt() == BloccoPreso) << "documento " << n + 1;
            const QStringList& perdente = vinceA ? b : a;
            const QString vincitore = vinceA ? u"mario"_s : u"luisa"_s;
            subentri += (vinceA ? a : b)[3] == u"S"_s;
            EXPECT_EQ(perdente.mid(1), (QStringList{QString::number(BloccoAltroUtente), vincitore, "-"}))
                << "documento " << n + 1;
            EXPECT_EQ(
                db().valore(u"SELECT Utente FROM LockGest WHERE Tipo = 'PN' AND NumReg = %1"_s.arg(n + 1))
                    .toString(),
                vincitore);
        }
        EXPECT_EQ(subentri > 0, lasciati);
        EXPECT_EQ(db().valore(u"SELECT count(*) FROM LockGest"_s).toInt(), documenti);
    }
}

TEST_F(DetentoreTest, shouldSeeTheEndOfTheDatabaseSessionThatTookTheLock) {
    if (!prova::usaOdbc())
        GTEST_SKIP() << "la sessione del database si registra solo su PostgreSQL";
    std::unique_ptr<Database> altra;
    {
        // A transaction that read the server's activity before the holder connected still
        // finds it running.
        Transazione tr(db());
        db().valore(u"SELECT count(*) FROM pg_stat_activity"_s);
        altra = altraConnessione();
        ASSERT_EQ(BloccaDoc(*altra, richiesta(u"mario"_s)).esito, BloccoPreso);
        EXPECT_EQ(BloccaDoc(db(), richiesta(u"luisa"_s)).esito, BloccoAltroUtente);
    }
    EXPECT_EQ(elencoBlocchi(db())[0].detentore, StatoDetentore::Attivo);

    altra.reset(); // same host, same (running) process: only the session is gone
    EXPECT_TRUE(attendi([&] { return elencoBlocchi(db())[0].detentore == StatoDetentore::Terminato; }));
    const auto e = BloccaDoc(db(), richiesta(u"luisa"_s));
    EXPECT_EQ(e.esito, BloccoPreso);
    EXPECT_EQ(e.subentro, subentro(u"mario"_s));
}

TEST_F(DetentoreTest, shouldKeepTheLocksOfAnOlderVersionAndRemoveOnlyTheRowTheCheckSaw) {
    // LockGest as an older version created it, without the holder columns.
    schema::Tabella vecchia = lockGest();
    vecchia.colonne.resize(11);
    ASSERT_EQ(vecchia.colonne.back().nome, u"PadreNumReg"_s);
    db().EseguiSql(u"DROP TABLE LockGest"_s);
    for (const QString& s : schema::ddl(vecchia, db().dialetto()))
        db().EseguiSql(s);
    db().EseguiSql(
        QStringLiteral("INSERT INTO LockGest (Tipo, Anno, NumReg, Utente, Ora, Gestione) "
                       "VALUES ('FE', 2024, 15, 'mario', '2024-03-01 10:00:00', 'Contabilizzazione')"));
    {
        BlocchiTenuti blocchi(db()); // works on the older table too
        ASSERT_EQ(blocchi.prendi(richiesta(u"luisa"_s, 16)).esito, BloccoPreso);
        EXPECT_EQ(detentore(db(), 16), u"luisa"_s);
    }
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM LockGest"_s).toInt(), 1);

    schema::creaSchema(db(), {lockGest()});
    auto elenco = elencoBlocchi(db());
    ASSERT_EQ(elenco.size(), 1u);
    EXPECT_EQ(elenco[0].detentore, StatoDetentore::Sconosciuto);
    auto altra = altraConnessione();
    EXPECT_EQ(BloccaDoc(*altra, richiesta(u"luisa"_s)).esito, BloccoAltroUtente);

    // The row seen by the check is replaced by another lock of the same user before the removal.
    const BloccoRegistrato visto = elenco[0];
    SbloccaDoc(db(), u"FE"_s, 2024, 15);
    ASSERT_EQ(BloccaDoc(db(), richiesta(u"mario"_s)).esito, BloccoPreso);
    EXPECT_FALSE(rimuoviBlocco(*altra, visto));
    EXPECT_EQ(detentore(db()), u"mario"_s);

    // Rows the check sees as they are go, with a holder or without one.
    db().EseguiSql(QStringLiteral("INSERT INTO LockGest (Tipo, Anno, NumReg, Utente, Ora) "
                                  "VALUES ('FE', 2024, 16, 'luisa', '2024-03-02 11:00:00')"));
    elenco = elencoBlocchi(*altra);
    ASSERT_EQ(elenco.size(), 2u);
    for (const BloccoRegistrato& b : elenco)
        EXPECT_TRUE(rimuoviBlocco(*altra, b)) << b.numero;
    EXPECT_FALSE(rimuoviBlocco(*altra, elenco[0]));
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM LockGest"_s).toInt(), 0);
}

TEST_F(DetentoreTest, shouldReleaseTheGuardsLocksOnEveryPathButNotAnotherHolders) {
    auto altra = altraConnessione();
    ASSERT_EQ(BloccaDoc(*altra, richiesta(u"luisa"_s, 17)).esito, BloccoPreso);
    try {
        BlocchiTenuti blocchi(db());
        ASSERT_EQ(blocchi.prendi(richiesta(u"mario"_s, 15)).esito, BloccoPreso);
        ASSERT_EQ(blocchi.prendi(richiesta(u"mario"_s, 16)).esito, BloccoPreso);
        EXPECT_EQ(blocchi.prendi(richiesta(u"mario"_s, 17)).esito, BloccoAltroUtente);
        // 16 goes to another workstation meanwhile (its lock was cleared by hand).
        SbloccaDoc(*altra, u"FE"_s, 2024, 16);
        ASSERT_EQ(BloccaDoc(*altra, richiesta(u"luisa"_s, 16)).esito, BloccoPreso);
        EXPECT_EQ(blocchi.tenuti(), 2u);
        throw ErroreDb(ErrDatabase, u"interrotta"_s);
    } catch (const ErroreDb&) {
    }
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM LockGest"_s).toInt(), 2);
    EXPECT_EQ(detentore(db(), 16), u"luisa"_s);
    EXPECT_EQ(detentore(db(), 17), u"luisa"_s);
}

// Inside a transaction (a cancellation takes its locks there), a lock another workstation takes
// between our look-up and our insert is named as theirs and the transaction commits the rest.
// On the server their row stays uncommitted until our insert waits on it, so the clash happens;
// SQLite lets no other writer into a transaction, so there the row is committed first.
TEST_F(DetentoreTest, shouldNameALockTakenMeanwhileAndKeepTheTransaction) {
    const bool server = db().dialetto() == Dialetto::PostgreSQL;
    const QString pid = db().valore(server ? u"SELECT pg_backend_pid()"_s : u"SELECT 0"_s).toString();
    std::promise<void> scritta, fine;
    std::thread altra([&, finita = fine.get_future()] {
        auto b = altraConnessione();
        b->IniziaTrans();
        BloccaDoc(*b, richiesta(u"luisa"_s));
        if (!server)
            b->ConfermaTrans();
        scritta.set_value();
        if (server) {
            attendi([&] {
                return b->valore(u"SELECT count(*) FROM pg_locks WHERE NOT granted AND pid = "_s + pid)
                           .toInt() > 0;
            });
            b->ConfermaTrans();
        }
        finita.wait(); // open till the end: its lock is not one left behind
    });
    scritta.get_future().wait();
    try {
        Transazione tr(db());
        // The insert has run once already: the server gives it no savepoint of its own now.
        EXPECT_EQ(BloccaDoc(db(), richiesta(u"mario"_s, 16)).esito, BloccoPreso);
        EXPECT_EQ(BloccaDoc(db(), richiesta(u"mario"_s)).esito, BloccoAltroUtente);
        tr.conferma();
    } catch (const ErroreDb& e) {
        ADD_FAILURE() << e.descrizione().toStdString();
    }
    fine.set_value();
    altra.join();
    EXPECT_EQ(detentore(db(), 15), u"luisa"_s);
    EXPECT_EQ(detentore(db(), 16), u"mario"_s);
}

} // namespace
