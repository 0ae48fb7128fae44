#include "frame/blocchi.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/errori.h"
#include "schema/schema.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

using namespace tesel;
using tesel::prova::ConDatabase;

namespace {

class DatabaseTest : public ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        schema::Tabella t{QStringLiteral("ProvaValori"),
                          {schema::lungo(QStringLiteral("Id")), schema::testo(QStringLiteral("Testo"), 0),
                           schema::memo(QStringLiteral("Lungo")), schema::valuta(QStringLiteral("Importo")),
                           schema::data(QStringLiteral("Giorno")), schema::intero(QStringLiteral("Anno")),
                           schema::testo(QStringLiteral("NomeFile"), 100)},
                          {QStringLiteral("Id")},
                          {{QStringLiteral("ix_provavalori_nomefile"),
                            {QStringLiteral("NomeFile")},
                            true,
                            QStringLiteral("NomeFile IS NOT NULL AND NomeFile <> ''")}}};
        schema::creaSchema(db(), {t});
    }

    void inserisci(int id, const QVariant& testo, const QVariant& importo = {}, const QVariant& giorno = {}) {
        db().EseguiSql(
            QStringLiteral("INSERT INTO ProvaValori (Id, Testo, Importo, Giorno) VALUES (%1, %2, %3, %4)")
                .arg(id)
                .arg(SqlValore(testo, SqlTesto), SqlValore(importo, SqlValuta), SqlValore(giorno, SqlData)));
    }

    QVariant leggi(int id, const QString& campo) {
        Recordset rs =
            db().ApriRs(QStringLiteral("Select * from ProvaValori Where Id = ") + SqlValore(id, SqlLungo));
        EXPECT_FALSE(rs.RsVuoto());
        return rs.LeggiCampo(campo);
    }
};

TEST_F(DatabaseTest, shouldRoundTripHostileTextsUnchanged) {
    const QString lungo = QString(10000, QChar(u'x')).replace(5000, 3, QStringLiteral("'\"\\"));
    const QStringList testi{QStringLiteral("L'Aquila"),
                            QStringLiteral("'; DROP TABLE FatXmlTest; --"),
                            QStringLiteral("Ελληνικά русский 中文 € à è ì ò ù"),
                            QStringLiteral("back\\slash \\' %_ \"doppi\""),
                            QStringLiteral("riga1\r\nriga2\ttab"),
                            lungo,
                            QString()};
    for (int i = 0; i < testi.size(); ++i)
        inserisci(i + 1, testi[i]);
    for (int i = 0; i < testi.size(); ++i) {
        const QVariant v = leggi(i + 1, QStringLiteral("Testo"));
        EXPECT_EQ(v.toString(), testi[i]) << "testo " << i;
    }
    EXPECT_EQ(db().valore(QStringLiteral("SELECT count(*) FROM ProvaValori")).toInt(), testi.size());
}

TEST_F(DatabaseTest, shouldKeepFourDecimalsExactly) {
    const QStringList importi{QStringLiteral("1234.5678"), QStringLiteral("-0.0001"),
                              QStringLiteral("99999999999.9999"), QStringLiteral("0.1"),
                              QStringLiteral("-123456789.1234")};
    for (int i = 0; i < importi.size(); ++i)
        inserisci(i + 1, {}, QVariant::fromValue(*Currency::daTesto(importi[i])));
    for (int i = 0; i < importi.size(); ++i) {
        Recordset rs = db().ApriRs(QStringLiteral("Select Importo from ProvaValori Where Id = ") +
                                   QString::number(i + 1));
        EXPECT_EQ(rs.leggiValuta(QStringLiteral("Importo")), Currency::daTesto(importi[i]))
            << importi[i].toStdString();
    }
    // Sums of many REAL values still read back exact to the ten-thousandth.
    for (int i = 100; i < 200; ++i)
        inserisci(i, {}, QVariant::fromValue(*Currency::daTesto(QStringLiteral("0.1"))));
    const auto somma = Currency::daVariant(
        db().valore(QStringLiteral("SELECT sum(Importo) FROM ProvaValori WHERE Id >= 100")));
    EXPECT_EQ(somma, Currency::daTesto(QStringLiteral("10")));
}

TEST_F(DatabaseTest, shouldRoundTripTheMissingDateAndDateTimes) {
    inserisci(1, {}, {}, DataMancante);
    inserisci(2, {}, {}, QDateTime(QDate(2024, 3, 12), QTime(10, 15, 0), Qt::UTC));
    inserisci(3, {}, {}, QVariant());
    EXPECT_EQ(dataOraDaVariant(leggi(1, QStringLiteral("Giorno")))->date(), DataMancante);
    EXPECT_EQ(testoDataOra(*dataOraDaVariant(leggi(2, QStringLiteral("Giorno")))),
              QStringLiteral("12/03/2024 10:15:00"));
    EXPECT_TRUE(leggi(3, QStringLiteral("Giorno")).isNull());
    // Dates compare in SQL as dates on both engines.
    EXPECT_EQ(db().valore(QStringLiteral("SELECT count(*) FROM ProvaValori WHERE Giorno < ") +
                          SqlValore(QDate(2000, 1, 1), SqlData))
                  .toInt(),
              1);
}

TEST_F(DatabaseTest, shouldReportDuplicateKeysAs3022) {
    inserisci(1, QStringLiteral("a"));
    try {
        inserisci(1, QStringLiteral("b"));
        FAIL() << "la seconda chiave uguale doveva fallire";
    } catch (const ErroreDb& e) {
        EXPECT_EQ(e.numero(), ErrChiaveDuplicata) << e.descrizione().toStdString();
    }
    db().EseguiSql(
        QStringLiteral("UPDATE ProvaValori SET NomeFile = 'IT01234567890_00001.xml' WHERE Id = 1"));
    inserisci(2, QStringLiteral("c"));
    // Empty file names are not unique, a repeated real one is.
    db().EseguiSql(QStringLiteral("UPDATE ProvaValori SET NomeFile = '' WHERE Id = 2"));
    inserisci(3, QStringLiteral("d"));
    db().EseguiSql(QStringLiteral("UPDATE ProvaValori SET NomeFile = '' WHERE Id = 3"));
    try {
        db().EseguiSql(
            QStringLiteral("UPDATE ProvaValori SET NomeFile = 'IT01234567890_00001.xml' WHERE Id = 3"));
        FAIL() << "il NomeFile ripetuto doveva fallire";
    } catch (const ErroreDb& e) {
        EXPECT_EQ(e.numero(), ErrChiaveDuplicata);
    }
}

TEST_F(DatabaseTest, shouldReportOtherFailuresWithTheirSql) {
    try {
        db().EseguiSql(QStringLiteral("UPDATE TabellaCheNonEsiste SET x = 1"));
        FAIL();
    } catch (const ErroreDb& e) {
        EXPECT_EQ(e.numero(), ErrDatabase);
        EXPECT_TRUE(e.sql().contains(QStringLiteral("TabellaCheNonEsiste")));
    }
}

TEST_F(DatabaseTest, shouldAddEditAndReadRowsThroughARecordset) {
    {
        Recordset rs = db().ApriRs(QStringLiteral("Select * from ProvaValori where false"));
        EXPECT_TRUE(rs.RsVuoto());
        EXPECT_TRUE(rs.RsEof());
        for (int i = 1; i <= 3; ++i) {
            rs.RsAddNew();
            rs.ScriviCampo(QStringLiteral("id"), i); // names ignore case
            rs.ScriviCampo(QStringLiteral("TESTO"), QStringLiteral("riga %1").arg(i));
            rs.ScriviCampo(QStringLiteral("Importo"), QVariant::fromValue(Currency::daUnita(i * 10)));
            rs.RsUpdate();
            EXPECT_EQ(rs.LeggiCampo(QStringLiteral("Id")).toInt(), i); // what was written reads back
        }
    }
    {
        Recordset rs = db().ApriRs(QStringLiteral("Select * from ProvaValori order by Id"));
        ASSERT_FALSE(rs.RsVuoto());
        QStringList letti;
        while (!rs.RsEof()) {
            if (rs.leggiIntero(QStringLiteral("Id")) == 2) {
                rs.RsEdit();
                rs.ScriviCampo(QStringLiteral("Testo"), QStringLiteral("cambiata"));
                rs.ScriviCampo(QStringLiteral("Giorno"), QVariant());
                rs.RsUpdate();
            }
            letti << rs.leggiTesto(QStringLiteral("Testo"));
            EXPECT_TRUE(rs.LeggiCampo(QStringLiteral("Anno")).isNull()); // null stays null, never 0
            rs.RsMoveNext();
        }
        EXPECT_EQ(letti, (QStringList{QStringLiteral("riga 1"), QStringLiteral("cambiata"),
                                      QStringLiteral("riga 3")}));
        EXPECT_THROW(rs.LeggiCampo(QStringLiteral("Id")), ErroreDb); // past the end
    }
    EXPECT_EQ(leggi(2, QStringLiteral("Testo")).toString(), QStringLiteral("cambiata"));
    EXPECT_EQ(leggi(1, QStringLiteral("Testo")).toString(), QStringLiteral("riga 1"));
    EXPECT_EQ(Currency::daVariant(leggi(3, QStringLiteral("Importo"))), Currency::daUnita(30));
    Recordset rs = db().ApriRs(QStringLiteral("Select Id from ProvaValori"));
    EXPECT_THROW(rs.LeggiCampo(QStringLiteral("NonCe")), ErroreDb);
}

// Bound values must store exactly what the literal writer stores, compare in a WHERE as
// literals do, and a duplicate must still be 3022.
TEST_F(DatabaseTest, shouldStoreBoundValuesAsTheLiteralWriterDoes) {
    const Currency grande = *Currency::daTesto(QStringLiteral("-12345678901234.5678"));
    const struct {
        QVariant testo, importo, giorno, anno;
    } righe[] = {
        {QString(), QVariant::fromValue(grande), QDate(100, 1, 1), 2024},
        {QStringLiteral(""), QVariant::fromValue(*Currency::daTesto(QStringLiteral("99999999999.99"))),
         QDateTime(QDate(2024, 2, 29), QTime(10, 15)), QVariant()},
        {QStringLiteral("O'Brien ? \\ € '?'"), QVariant(), QVariant(), true},
        {QString(70000, QChar(u'è')) + u'?', QVariant::fromValue(Currency::daDecimillesimi(1)), QVariant(),
         0},
    };
    int id = 0;
    for (const auto& r : righe) {
        ++id;
        // The "?" in quotes is text, not a parameter.
        db().EseguiConValori(
            QStringLiteral("INSERT INTO ProvaValori (Id, Lungo, Testo, Importo, Giorno, Anno) "
                           "VALUES (?, '?', ?, ?, ?, ?)"),
            {id, r.testo, r.importo, r.giorno, r.anno});
        db().EseguiSql(
            QStringLiteral(
                "INSERT INTO ProvaValori (Id, Lungo, Testo, Importo, Giorno, Anno) VALUES (%1, '?', "
                "%2, %3, %4, %5)")
                .arg(id + 100)
                .arg(SqlValore(r.testo), SqlValore(r.importo), SqlValore(r.giorno), SqlValore(r.anno)));
    }
    const QString colonne =
        QStringLiteral("Lungo, Testo, Importo, Giorno, Anno, Testo IS NULL AS TestoNullo");
    for (int k = 1; k <= id; ++k) {
        SCOPED_TRACE(k);
        Recordset a = db().ApriRs(QStringLiteral("Select ") + colonne +
                                  QStringLiteral(" from ProvaValori Where Id = ") + QString::number(k));
        Recordset b = db().ApriRs(QStringLiteral("Select ") + colonne +
                                  QStringLiteral(" from ProvaValori Where Id = ") + QString::number(k + 100));
        for (const char* c : {"Lungo", "Testo", "Importo", "Giorno", "Anno", "TestoNullo"})
            EXPECT_EQ(a.LeggiCampo(QLatin1String(c)), b.LeggiCampo(QLatin1String(c))) << c;
    }
    EXPECT_EQ(leggi(4, QStringLiteral("Testo")).toString(), righe[3].testo.toString());
    EXPECT_EQ(Currency::daVariant(leggi(2, QStringLiteral("Importo"))), righe[1].importo.value<Currency>());
    // SQLite's REAL column keeps 15 digits; the server's NUMERIC keeps them all.
    if (db().dialetto() == Dialetto::PostgreSQL) {
        EXPECT_EQ(Currency::daVariant(leggi(1, QStringLiteral("Importo"))), grande);
    }

    // An empty text is not NULL, and an amount and a date bound in a WHERE find their rows.
    EXPECT_EQ(
        db().EseguiConValori(
            QStringLiteral("UPDATE ProvaValori SET Anno = ? WHERE Testo = ? AND Importo = ? AND Giorno = ?"),
            {7, righe[1].testo, righe[1].importo, righe[1].giorno}),
        2);
    EXPECT_EQ(db().valore(QStringLiteral("SELECT count(*) FROM ProvaValori WHERE Anno = 7")).toInt(), 2);
    try {
        db().EseguiConValori(QStringLiteral("INSERT INTO ProvaValori (Id) VALUES (?)"), {1});
        ADD_FAILURE() << "duplicate accepted";
    } catch (const ErroreDb& e) {
        EXPECT_EQ(e.numero(), ErrChiaveDuplicata);
    }
}

TEST_F(DatabaseTest, shouldRollBackAnUnconfirmedTransactionAndKeepTheOuterOne) {
    {
        Transazione esterna(db());
        inserisci(1, QStringLiteral("esterna"));
        {
            Transazione interna(db());
            inserisci(2, QStringLiteral("interna annullata"));
        } // not confirmed: only row 2 goes
        {
            Transazione interna(db());
            inserisci(3, QStringLiteral("interna confermata"));
            interna.conferma();
        }
        esterna.conferma();
    }
    EXPECT_EQ(db().valore(QStringLiteral("SELECT count(*) FROM ProvaValori")).toInt(), 2);
    EXPECT_FALSE(leggi(3, QStringLiteral("Testo")).isNull());
    try {
        Transazione t(db());
        inserisci(10, QStringLiteral("persa"));
        inserisci(10, QStringLiteral("duplicata")); // throws: the guard rolls back on the error path
        t.conferma();
    } catch (const ErroreDb&) {
    }
    EXPECT_EQ(db().livelloTrans(), 0);
    EXPECT_FALSE(db().valore(QStringLiteral("SELECT Id FROM ProvaValori WHERE Id = 10")).isValid());
}

TEST_F(DatabaseTest, shouldNumberFromOneAndPerYear) {
    EXPECT_EQ(db().ProssimoNumero(QStringLiteral("ProvaValori"), QStringLiteral("Id"), 2024, true), 1);
    EXPECT_EQ(db().ProssimoNumero(QStringLiteral("ProvaValori"), QStringLiteral("Id"), 2024, false), 1);
    db().EseguiSql(
        QStringLiteral("INSERT INTO ProvaValori (Id, Anno) VALUES (7, 2023), (3, 2024), (4, NULL)"));
    EXPECT_EQ(db().ProssimoNumero(QStringLiteral("ProvaValori"), QStringLiteral("Id"), 2024, true), 4);
    EXPECT_EQ(db().ProssimoNumero(QStringLiteral("ProvaValori"), QStringLiteral("Id"), 2023, true), 8);
    EXPECT_EQ(db().ProssimoNumero(QStringLiteral("ProvaValori"), QStringLiteral("Id"), 2025, true), 1);
    EXPECT_EQ(db().ProssimoNumero(QStringLiteral("ProvaValori"), QStringLiteral("Id"), 2024, false), 8);
}

TEST(Connessione, shouldTellOdbcFromDatabaseFiles) {
    EXPECT_EQ(tipoConnessione(QStringLiteral("Azienda01")), TipoConnessione::Odbc);
    EXPECT_EQ(tipoConnessione(QStringLiteral("odbc;DSN=x")), TipoConnessione::Odbc);
    EXPECT_EQ(tipoConnessione(QStringLiteral("/srv/dati/azienda.DSN")), TipoConnessione::Odbc);
    EXPECT_EQ(tipoConnessione(QStringLiteral("/srv/dati/azienda.mdb")), TipoConnessione::FileDatabase);
    EXPECT_EQ(tipoConnessione(QStringLiteral("/srv/dati/azienda.db")), TipoConnessione::FileDatabase);
    EXPECT_EQ(testoConnessioneOdbc(QStringLiteral("Azienda01"), {}, {}),
              QStringLiteral("ODBC;DSN=Azienda01;"));
    EXPECT_EQ(testoConnessioneOdbc(QStringLiteral("Azienda01"), QStringLiteral("mario"), {}),
              QStringLiteral("ODBC;DSN=Azienda01;UID=mario"));
    EXPECT_EQ(
        testoConnessioneOdbc(QStringLiteral("Azienda01"), QStringLiteral("mario"), QStringLiteral("pw")),
        QStringLiteral("ODBC;DSN=Azienda01;UID=mario;PWD=pw"));
    EXPECT_EQ(testoConnessioneOdbc(QStringLiteral("/etc/x.DSN"), {}, {}),
              QStringLiteral("ODBC;FIleDSN=/etc/x.DSN;"));
    EXPECT_EQ(testoConnessioneOdbc(QStringLiteral("ODBC;DSN=a;UID=b"), QStringLiteral("c"), {}),
              QStringLiteral("ODBC;DSN=a;UID=b"));
}

TEST(SqlValore, shouldWriteLiteralsOfEveryType) {
    EXPECT_EQ(SqlValore(QStringLiteral("L'Aquila"), SqlTesto), QStringLiteral("'L''Aquila'"));
    EXPECT_EQ(SqlValore(QString(), SqlTesto), QStringLiteral("''"));
    EXPECT_EQ(SqlValore(QVariant(), SqlTesto), QStringLiteral("Null"));
    EXPECT_EQ(SqlValore(42, SqlIntero), QStringLiteral("42"));
    EXPECT_EQ(SqlValore(QStringLiteral(" 42 "), SqlLungo), QStringLiteral("42"));
    EXPECT_EQ(SqlValore(QStringLiteral(""), SqlLungo), QStringLiteral("Null"));
    EXPECT_EQ(SqlValore(1234.5, SqlDoppio), QStringLiteral("1234.5"));
    EXPECT_EQ(SqlValore(QVariant::fromValue(Currency::daDecimillesimi(-5)), SqlValuta),
              QStringLiteral("-0.0005"));
    EXPECT_EQ(SqlValore(QStringLiteral("1234.50"), SqlValuta), QStringLiteral("1234.5000"));
    EXPECT_EQ(SqlValore(QDate(2024, 1, 31), SqlData), QStringLiteral("'2024-01-31 00:00:00'"));
    EXPECT_EQ(SqlValore(QStringLiteral("01/01/100"), SqlData), QStringLiteral("'0100-01-01 00:00:00'"));
    EXPECT_THROW(SqlValore(QStringLiteral("12,5"), SqlValuta), std::invalid_argument);
    EXPECT_THROW(SqlValore(QStringLiteral("1; DROP"), SqlLungo), std::invalid_argument);
    EXPECT_THROW(SqlValore(QStringLiteral("31/02/2024"), SqlData), std::invalid_argument);
    EXPECT_THROW(SqlValore(1.5, SqlIntero), std::invalid_argument);
    EXPECT_TRUE(IsVuoto(QStringLiteral("   ")));
    EXPECT_TRUE(IsVuoto(QVariant()));
    EXPECT_FALSE(IsVuoto(0));
}

TEST(SqlValore, shouldIgnoreTheMachineLocale) {
    std::setlocale(LC_ALL, "it_IT.UTF-8");
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(SqlValore(1234.5, SqlDoppio), QStringLiteral("1234.5"));
    EXPECT_EQ(SqlValore(QStringLiteral("0.25"), SqlDoppio), QStringLiteral("0.25"));
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, "C");
}

TEST(ErroriBatch, shouldKeepThirtyErrorsThenMarkAndOnlyCount) {
    ErroriBatch e;
    e.AccodaErrore(5, QStringLiteral("primo"));
    EXPECT_EQ(e.testo(), QStringLiteral("\r\nErrore n°5 : primo"));
    for (int i = 2; i <= 30; ++i)
        e.AccodaErrore(i, QStringLiteral("x"));
    const QString trenta = e.testo();
    e.AccodaErrore(31, QStringLiteral("trentunesimo"));
    EXPECT_EQ(e.testo(), trenta + QStringLiteral("\r\n.............."));
    e.AccodaErrore(32, QStringLiteral("trentaduesimo"));
    e.AccodaErrore(33, QStringLiteral("trentatreesimo"));
    EXPECT_EQ(e.testo(), trenta + QStringLiteral("\r\n.............."));
    EXPECT_EQ(e.conteggio(), 33);
    EXPECT_EQ(e.testo().count(QStringLiteral("Errore n°")), 30);
}

class BloccoTest : public ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        schema::creaSchema(db(),
                           {*schema::trovaTabella(schema::tabelleAzienda(), QStringLiteral("LockGest"))});
    }
    RichiestaBlocco richiesta(const QString& utente) {
        RichiestaBlocco r;
        r.tipo = QStringLiteral("FE");
        r.anno = 2024;
        r.numero = 15;
        r.utente = utente;
        r.stato = QStringLiteral("M");
        r.gestione = QStringLiteral("Contabilizzazione");
        r.descrizione = QStringLiteral("Fattura ricevuta");
        return r;
    }
};

TEST_F(BloccoTest, shouldGiveTheLockToOneWorkstationAndNameTheHolderToTheOther) {
    auto altra = altraConnessione();
    const auto primo = BloccaDoc(db(), richiesta(QStringLiteral("mario")));
    EXPECT_EQ(primo.esito, BloccoPreso);
    EXPECT_TRUE(DocBloccato(*altra, QStringLiteral("FE"), 2024, 15));
    EXPECT_FALSE(DocBloccato(*altra, QStringLiteral("FE"), 2024, 16));

    prova::InterazioneProva utente;
    auto r = richiesta(QStringLiteral("luisa"));
    r.mostraMessaggio = true;
    const auto secondo = BloccaDoc(*altra, r, &utente);
    EXPECT_EQ(secondo.esito, BloccoAltroUtente);
    EXPECT_EQ(secondo.utente, QStringLiteral("mario"));
    EXPECT_EQ(secondo.gestione, QStringLiteral("Contabilizzazione"));
    EXPECT_EQ(utente.testiMostrati(),
              QStringList{QStringLiteral("Fattura ricevuta (anno: 2024 - Num.: 15) è in uso da:mario\r\n"
                                         "Impossibile effettuare variazioni")});

    SbloccaDoc(db(), QStringLiteral("FE"), 2024, 15);
    EXPECT_EQ(BloccaDoc(*altra, richiesta(QStringLiteral("luisa"))).esito, BloccoPreso);
}

TEST_F(BloccoTest, shouldDescribeInterruptedOperationsAndUpdateTheHeldState) {
    auto r = richiesta(QStringLiteral("mario"));
    r.gestione = QStringLiteral("PNINT");
    ASSERT_EQ(BloccaDoc(db(), r).esito, BloccoPreso);
    const auto e = BloccaDoc(db(), richiesta(QStringLiteral("luisa")));
    EXPECT_TRUE(e.messaggio.startsWith(QStringLiteral("Prima Nota Interrotti (anno: 2024 - Num.: 15)")));
    EXPECT_EQ(BloccaDoc(db(), richiesta(QStringLiteral("MARIO"))).esito, BloccoStessoUtente);

    auto aggiorna = richiesta(QStringLiteral("mario"));
    aggiorna.prendi = false;
    aggiorna.stato = QStringLiteral("T");
    EXPECT_EQ(BloccaDoc(db(), aggiorna).esito, BloccoAggiornato);
    EXPECT_EQ(db().valore(QStringLiteral("SELECT Stato FROM LockGest WHERE NumReg = 15")).toString(),
              QStringLiteral("T"));
}

TEST_F(BloccoTest, shouldAskRetryOrExitWhileTheDocumentIsHeld) {
    ASSERT_EQ(BloccaDoc(db(), richiesta(QStringLiteral("mario"))).esito, BloccoPreso);
    auto altra = altraConnessione();
    prova::InterazioneProva utente;
    utente.accoda(QStringLiteral("Riprova"));
    utente.accoda(QStringLiteral("Esci"));
    ErroriBatch errori;
    EXPECT_FALSE(BloccaDocRiprova(*altra, richiesta(QStringLiteral("luisa")), utente, errori));
    ASSERT_EQ(utente.mostrati.size(), 2);
    EXPECT_EQ(utente.mostrati[0].testo,
              QStringLiteral("Fattura ricevuta (anno: 2024 - Num.: 15) in uso da mario"));
    EXPECT_EQ(utente.mostrati[0].risposte, (QStringList{QStringLiteral("Riprova"), QStringLiteral("Esci")}));
    EXPECT_EQ(errori.conteggio(), 0);

    SbloccaDoc(db(), QStringLiteral("FE"), 2024, 15);
    EXPECT_TRUE(BloccaDocRiprova(*altra, richiesta(QStringLiteral("luisa")), utente, errori));
}

TEST_F(BloccoTest, shouldRecordALockingFailureInTheBatchLog) {
    db().EseguiSql(QStringLiteral("DROP TABLE LockGest"));
    prova::InterazioneProva utente;
    ErroriBatch errori;
    EXPECT_FALSE(BloccaDocRiprova(db(), richiesta(QStringLiteral("mario")), utente, errori));
    EXPECT_EQ(errori.conteggio(), 1);
    EXPECT_TRUE(errori.testo().contains(QStringLiteral(" errore nel loccaggio: ")));
    EXPECT_TRUE(errori.testo().contains(QStringLiteral(" n.rif 15 anno 2024")));
    EXPECT_TRUE(utente.mostrati.isEmpty());
}

} // namespace

namespace {

TEST(InterazioneNonPresidiata, shouldAnswerWithTheFirstAnswerUnlessTold) {
    InterazioneNonPresidiata senzaUtente;
    EXPECT_EQ(
        msgCom(senzaUtente, QStringLiteral("Continuare?"), QStringLiteral("&Ok"), QStringLiteral("&Annulla")),
        1);
    EXPECT_EQ(
        msgCom(senzaUtente, QStringLiteral("In uso"), QStringLiteral("Riprova"), QStringLiteral("Esci")), 2);
    EXPECT_EQ(msgCom(senzaUtente, QStringLiteral("Connessione"), QStringLiteral("&Annulla"),
                     QStringLiteral("&Riprovare")),
              1);
    senzaUtente.rispondi(QStringLiteral("riprova"));
    EXPECT_EQ(
        msgCom(senzaUtente, QStringLiteral("In uso"), QStringLiteral("Riprova"), QStringLiteral("Esci")), 1);
    senzaUtente.rispondi(QStringLiteral("Annulla"));
    EXPECT_EQ(msgCom(senzaUtente, QStringLiteral("Sovrascrivere?"), QStringLiteral("&Sì"),
                     QStringLiteral("&No"), QStringLiteral("&Annulla")),
              3);
}

} // namespace
