#include "frame/connessioneodbc.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/errori.h"
#include "frame/interazione.h"
#include "frame/serializzazione.h"
#include "frame/sqlitediretto.h"
#include "schema/schema.h"
#include "support/dbprova.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <functional>
#include <future>
#include <limits>
#include <sqlite3.h>
#include <thread>

using namespace Qt::StringLiterals;
using namespace tesel;
using tesel::prova::ConDatabase;

namespace {

class DatabaseTest : public ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        schema::Tabella t{u"ProvaValori"_s,
                          {schema::lungo(u"Id"_s), schema::testo(u"Testo"_s, 0), schema::memo(u"Lungo"_s),
                           schema::valuta(u"Importo"_s), schema::data(u"Giorno"_s), schema::intero(u"Anno"_s),
                           schema::testo(u"NomeFile"_s, 100)},
                          {u"Id"_s},
                          {{u"ix_provavalori_nomefile"_s,
                            {u"NomeFile"_s},
                            true,
                            u"NomeFile IS NOT NULL AND NomeFile <> ''"_s}}};
        schema::creaSchema(db(), {t});
    }

    void inserisci(int id, const QVariant& testo, const QVariant& importo = {}, const QVariant& giorno = {}) {
        db().EseguiSql(
            u"INSERT INTO ProvaValori (Id, Testo, Importo, Giorno) VALUES (%1, %2, %3, %4)"_s.arg(id).arg(
                SqlValore(testo, SqlTesto), SqlValore(importo, SqlValuta), SqlValore(giorno, SqlData)));
    }

    std::optional<Currency> leggiValuta(int id) { return Currency::daVariant(leggi(id, u"Importo"_s)); }

    QVariant leggi(int id, const QString& campo) {
        Recordset rs = db().ApriRs(u"Select * from ProvaValori Where Id = "_s + SqlValore(id, SqlLungo));
        EXPECT_FALSE(rs.RsVuoto());
        return rs.LeggiCampo(campo);
    }

    // The texts of the table in the order of their keys, and the sum of their amounts.
    std::pair<QStringList, Currency> testiESomma() {
        std::pair<QStringList, Currency> t;
        for (Recordset rs = db().ApriRs(u"SELECT Testo, Importo FROM ProvaValori ORDER BY Id"_s); !rs.RsEof();
             rs.RsMoveNext()) {
            t.first << rs.leggiTesto(u"Testo"_s);
            t.second = t.second + *rs.leggiValuta(u"Importo"_s);
        }
        return t;
    }
};

TEST_F(DatabaseTest, shouldRoundTripHostileTextsAndFourDecimalsExactly) {
    const QString lungo = QString(10000, QChar(u'x')).replace(5000, 3, u"'\"\\"_s);
    // clang-format off
    const QStringList testi{u"L'Aquila"_s, u"'; DROP TABLE FatXmlTest; --"_s,
                            u"Ελληνικά русский 中文 € à è ì ò ù"_s, u"back\\slash \\' %_ \"doppi\""_s,
                            u"riga1\r\nriga2\ttab"_s, lungo, QString()};
    // clang-format on
    const char* importi[] = {"1234.5678", "-0.0001", "99999999999.9999", "0.1", "-123456789.1234", "0", "-1"};
    for (int i = 0; i < testi.size(); ++i)
        inserisci(i + 1, testi[i], QVariant::fromValue(*Currency::daTesto(std::string_view(importi[i]))));
    for (int i = 0; i < testi.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(leggi(i + 1, u"Testo"_s).toString(), testi[i]);
        Recordset rs = db().ApriRs(u"Select Importo from ProvaValori Where Id = "_s + QString::number(i + 1));
        EXPECT_EQ(rs.leggiValuta(u"Importo"_s), Currency::daTesto(std::string_view(importi[i])));
    }
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), testi.size());
    // Sums of many REAL values still read back exact to the ten-thousandth.
    for (int i = 100; i < 200; ++i)
        inserisci(i, {}, QVariant::fromValue(*Currency::daTesto(u"0.1"_s)));
    const auto somma =
        Currency::daVariant(db().valore(u"SELECT sum(Importo) FROM ProvaValori WHERE Id >= 100"_s));
    EXPECT_EQ(somma, Currency::daTesto(u"10"_s));
}

TEST_F(DatabaseTest, shouldRoundTripTheMissingDateAndDateTimes) {
    inserisci(1, {}, {}, DataMancante);
    inserisci(2, {}, {}, QDateTime(QDate(2024, 3, 12), QTime(10, 15, 0), Qt::UTC));
    inserisci(3, {}, {}, QVariant());
    EXPECT_EQ(dataOraDaVariant(leggi(1, u"Giorno"_s))->date(), DataMancante);
    EXPECT_EQ(testoDataOra(*dataOraDaVariant(leggi(2, u"Giorno"_s))), u"12/03/2024 10:15:00"_s);
    EXPECT_TRUE(leggi(3, u"Giorno"_s).isNull());
    // Dates compare in SQL as dates on both engines.
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori WHERE Giorno < "_s +
                          SqlValore(QDate(2000, 1, 1), SqlData))
                  .toInt(),
              1);
}

// The error number a statement fails with, 0 when it does not fail.
template <typename F> int errore(F&& f) {
    try {
        f();
    } catch (const ErroreDb& e) {
        return e.numero();
    }
    return 0;
}

TEST_F(DatabaseTest, shouldReportDuplicateKeysAs3022AndOtherFailuresWithTheirSql) {
    inserisci(1, u"a"_s);
    EXPECT_EQ(errore([&] { inserisci(1, u"b"_s); }), ErrChiaveDuplicata);
    db().EseguiSql(u"UPDATE ProvaValori SET NomeFile = 'IT01234567890_00001.xml' WHERE Id = 1"_s);
    // Empty file names are not unique, a repeated real one is.
    inserisci(2, u"c"_s);
    inserisci(3, u"d"_s);
    db().EseguiSql(u"UPDATE ProvaValori SET NomeFile = '' WHERE Id IN (2, 3)"_s);
    EXPECT_EQ(errore([&] {
                  db().EseguiSql(
                      u"UPDATE ProvaValori SET NomeFile = 'IT01234567890_00001.xml' WHERE Id = 3"_s);
              }),
              ErrChiaveDuplicata);
    try {
        db().EseguiSql(u"UPDATE TabellaCheNonEsiste SET x = 1"_s);
        FAIL();
    } catch (const ErroreDb& e) {
        EXPECT_EQ(e.numero(), ErrDatabase);
        EXPECT_TRUE(e.sql().contains(u"TabellaCheNonEsiste"_s));
    }
}

TEST_F(DatabaseTest, shouldAddEditAndReadRowsThroughARecordset) {
    {
        Recordset rs = db().ApriRs(u"Select * from ProvaValori where false"_s);
        EXPECT_TRUE(rs.RsVuoto());
        EXPECT_TRUE(rs.RsEof());
        for (int i = 1; i <= 3; ++i) {
            rs.RsAddNew();
            rs.ScriviCampo(u"id"_s, i); // names ignore case
            rs.ScriviCampo(u"TESTO"_s, u"riga %1"_s.arg(i));
            rs.ScriviCampo(u"Importo"_s, QVariant::fromValue(Currency::daUnita(i * 10)));
            rs.RsUpdate();
            EXPECT_EQ(rs.LeggiCampo(u"Id"_s).toInt(), i); // what was written reads back
        }
    }
    {
        Recordset rs = db().ApriRs(u"Select * from ProvaValori order by Id"_s);
        ASSERT_FALSE(rs.RsVuoto());
        QStringList letti;
        while (!rs.RsEof()) {
            if (rs.leggiIntero(u"Id"_s) == 2) {
                rs.RsEdit();
                rs.ScriviCampo(u"Testo"_s, u"cambiata"_s);
                rs.ScriviCampo(u"Giorno"_s, QVariant());
                rs.RsUpdate();
            }
            letti << rs.leggiTesto(u"Testo"_s);
            EXPECT_TRUE(rs.LeggiCampo(u"Anno"_s).isNull()); // null stays null, never 0
            rs.RsMoveNext();
        }
        EXPECT_EQ(letti, (QStringList{u"riga 1"_s, u"cambiata"_s, u"riga 3"_s}));
        EXPECT_THROW(rs.LeggiCampo(u"Id"_s), ErroreDb); // past the end
    }
    EXPECT_EQ(leggi(2, u"Testo"_s).toString(), u"cambiata"_s);
    EXPECT_EQ(leggi(1, u"Testo"_s).toString(), u"riga 1"_s);
    EXPECT_EQ(Currency::daVariant(leggi(3, u"Importo"_s)), Currency::daUnita(30));
    Recordset rs = db().ApriRs(u"Select Id from ProvaValori"_s);
    EXPECT_THROW(rs.LeggiCampo(u"NonCe"_s), ErroreDb);
}

// Bound values must store exactly what the literal writer stores, compare in a WHERE as
// literals do, and a duplicate must still be 3022.
TEST_F(DatabaseTest, shouldStoreBoundValuesAsTheLiteralWriterDoes) {
    const Currency grande = *Currency::daTesto(u"-12345678901234.5678"_s);
    const struct {
        QVariant testo, importo, giorno, anno;
    } righe[] = {
        {QString(), QVariant::fromValue(grande), QDate(100, 1, 1), 2024},
        {u""_s, QVariant::fromValue(*Currency::daTesto(u"99999999999.99"_s)),
         QDateTime(QDate(2024, 2, 29), QTime(10, 15)), QVariant()},
        {u"O'Brien ? \\ € '?'"_s, QVariant(), QVariant(), true},
        {QString(70000, QChar(u'è')) + u'?', QVariant::fromValue(Currency::daDecimillesimi(1)), QVariant(),
         0},
        // A broken surrogate, after texts that filled the statement's buffer; the smaller
        // whole-number types.
        {u"a"_s + QChar(0xD800) + u"b"_s, QVariant::fromValue(Currency()), QDate(2024, 12, 31),
         QVariant::fromValue<short>(-7)},
        {u"x"_s, QVariant(), QDateTime(QDate(1999, 1, 2), QTime(3, 4, 5)),
         QVariant::fromValue<ushort>(32767)},
    };
    int id = 0;
    std::vector<QVariantList> multiple;
    for (const auto& r : righe) {
        ++id;
        multiple.push_back({id + 200, u"?"_s, r.testo, r.importo, r.giorno, r.anno});
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
    // The same rows once more, all in one statement.
    db().InserisciRighe(u"ProvaValori"_s,
                        {u"Id"_s, u"Lungo"_s, u"Testo"_s, u"Importo"_s, u"Giorno"_s, u"Anno"_s}, multiple);
    const QString colonne = u"Lungo, Testo, Importo, Giorno, Anno, Testo IS NULL AS TestoNullo"_s;
    for (int k = 1; k <= id; ++k) {
        SCOPED_TRACE(k);
        Recordset a = db().ApriRs(u"Select "_s + colonne + u" from ProvaValori Where Id = ?"_s, {k});
        Recordset b = db().ApriRs(u"Select "_s + colonne + u" from ProvaValori Where Id = "_s +
                                  QString::number(k + 100));
        Recordset c = db().ApriRs(
            u"Select "_s + colonne + u" from ProvaValori Where Id = ? and Lungo = '?'"_s, {k + 200});
        ASSERT_FALSE(a.RsVuoto());
        ASSERT_FALSE(c.RsVuoto());
        for (const char* n : {"Lungo", "Testo", "Importo", "Giorno", "Anno", "TestoNullo"}) {
            EXPECT_EQ(a.LeggiCampo(QLatin1String(n)), b.LeggiCampo(QLatin1String(n))) << n;
            EXPECT_EQ(c.LeggiCampo(QLatin1String(n)), b.LeggiCampo(QLatin1String(n))) << n;
        }
    }
    EXPECT_EQ(leggi(4, u"Testo"_s).toString(), righe[3].testo.toString());
    EXPECT_EQ(Currency::daVariant(leggi(2, u"Importo"_s)), righe[1].importo.value<Currency>());
    // SQLite's REAL column keeps 15 digits; the server's NUMERIC keeps them all.
    if (db().dialetto() == Dialetto::PostgreSQL) {
        EXPECT_EQ(Currency::daVariant(leggi(1, u"Importo"_s)), grande);
    }

    // An empty text is not NULL, and an amount and a date bound in a WHERE find their rows.
    EXPECT_EQ(db().EseguiConValori(
                  u"UPDATE ProvaValori SET Anno = ? WHERE Testo = ? AND Importo = ? AND Giorno = ?"_s,
                  {7, righe[1].testo, righe[1].importo, righe[1].giorno}),
              3);
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori WHERE Anno = 7"_s).toInt(), 3);
    EXPECT_EQ(db().ApriRs(u"SELECT Id FROM ProvaValori WHERE Testo = ? AND Giorno = ? ORDER BY Id"_s,
                          {righe[1].testo, righe[1].giorno})
                  .leggiIntero(u"Id"_s),
              2);
    EXPECT_EQ(errore([&] { db().EseguiConValori(u"INSERT INTO ProvaValori (Id) VALUES (?)"_s, {1}); }),
              ErrChiaveDuplicata);
}

// Whatever path the layer takes to the engine, a value reads back as Qt's own driver gives it
// on the same connection: same type, same value, null as null.
TEST_F(DatabaseTest, shouldReadEveryKindOfValueAsQtsDriverDoes) {
    db().EseguiConValori(
        u"INSERT INTO ProvaValori (Id, Testo, Lungo, Importo, Giorno, Anno) VALUES (?, ?, ?, ?, ?, ?)"_s,
        {1, u"città 'x'"_s, QString(3000, QChar(u'z')),
         QVariant::fromValue(*Currency::daTesto(u"-1234.5678"_s)),
         QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)), 2024});
    db().EseguiSql(u"INSERT INTO ProvaValori (Id) VALUES (2)"_s);
    db().EseguiSql(u"INSERT INTO ProvaValori (Id, Testo, Lungo) VALUES (3, '', '')"_s);
    // Each column as the expression that gives it, so that it can be read alone too.
    // clang-format off
    const std::vector<std::pair<QString, QString>> colonne{
        {u"Id"_s, u"Id"_s}, {u"Testo"_s, u"Testo"_s}, {u"Lungo"_s, u"Lungo"_s}, {u"Importo"_s, u"Importo"_s},
        {u"Giorno"_s, u"Giorno"_s}, {u"Anno"_s, u"Anno"_s}, {u"Doppio"_s, u"Importo * 2"_s},
        {u"Prossimo"_s, u"Anno + 1"_s}, {u"Esclamato"_s, u"Testo || '!'"_s},
        {u"Grande"_s, u"CAST(Id AS BIGINT) * 3000000000"_s},
        {u"Reale"_s, u"CAST(Importo AS DOUBLE PRECISION)"_s}, {u"Vero"_s, u"(Id = 1)"_s},
        {u"Vuoto"_s, u"''"_s}, {u"NomeFile"_s, u"NomeFile"_s}, {u"Terzo"_s, u"CAST(Importo AS NUMERIC) / 3"_s}};
    // clang-format on
    QStringList elenco;
    QHash<QString, QString> espressioni;
    for (const auto& [nome, espressione] : colonne) {
        elenco << espressione + u" AS "_s + nome;
        espressioni.insert(nome.toLower(), espressione);
    }
    const QString sql = u"SELECT "_s + elenco.join(u", "_s) + u" FROM ProvaValori ORDER BY Id"_s;
    QSqlQuery q(db().qt());
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    ASSERT_TRUE(q.exec(sql));
    Recordset rs = db().ApriRs(sql);
    int righe = 0;
    for (; q.next(); rs.RsMoveNext(), ++righe) {
        ASSERT_FALSE(rs.RsEof());
        for (int i = 0; i < q.record().count(); ++i) {
            const QString campo = q.record().fieldName(i);
            SCOPED_TRACE(campo.toStdString());
            const QVariant atteso = q.isNull(i) ? QVariant() : q.value(i);
            const QVariant letto = rs.LeggiCampo(campo);
            EXPECT_EQ(letto.metaType(), atteso.metaType());
            EXPECT_EQ(letto, atteso);
            // A single value: the same, and a null one still a row.
            const QVariant solo = db().valore(u"SELECT "_s + espressioni.value(campo.toLower()) +
                                              u" FROM ProvaValori WHERE Id = "_s + q.value(0).toString());
            EXPECT_TRUE(solo.isValid());
            EXPECT_EQ(solo.isNull(), atteso.isNull());
            if (!atteso.isNull()) {
                EXPECT_EQ(solo.metaType(), atteso.metaType());
                EXPECT_EQ(solo, atteso);
            }
        }
    }
    EXPECT_EQ(righe, 3);
    EXPECT_TRUE(rs.RsEof());
    EXPECT_EQ(
        db().valore(u"SELECT Importo FROM ProvaValori WHERE Id = 1"_s).metaType(),
        db().ApriRs(u"SELECT Importo FROM ProvaValori WHERE Id = 1"_s).LeggiCampo(u"Importo"_s).metaType());
    EXPECT_TRUE(db().valore(u"SELECT Anno FROM ProvaValori WHERE Id = 2"_s).isNull());
    EXPECT_FALSE(db().valore(u"SELECT Anno FROM ProvaValori WHERE Id = 4"_s).isValid());
}

// Values of every length and kind read back exact through each way a result is read: a text
// run once, a kept statement with bound values (twice, the second run on the statement the
// first gave back), and a single value. The lengths straddle the first read of a long text,
// one of them with a character of two halves across its end.
TEST_F(DatabaseTest, shouldReadBackLongTextsNullsAmountsAndDatesExactly) {
    const QString accenti = u"àèìòù€ 'x' \"y\" 😀"_s;
    QString diecimila;
    while (diecimila.size() < 10000)
        diecimila += accenti + QString::number(diecimila.size());
    diecimila.truncate(10000);
    struct Caso {
        QString testo; // null for a NULL
        const char* importo;
        QVariant giorno;
    };
    // clang-format off
    const std::vector<Caso> casi{
        {diecimila, "-0.0001", QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58))},
        {u""_s, "99999999999.9999", QDateTime(DataMancante, QTime(0, 0))},
        {QString(), nullptr, QVariant()},
        {QString(510, u'a') + u"€"_s, "-123456789.1234", QDateTime(QDate(1999, 12, 31), QTime(0, 0))},
        {QString(510, u'b') + u"😀c"_s, "0", QDateTime(QDate(2000, 1, 1), QTime(12, 0, 1))},
        {QString(511, u'\'') + u"d"_s, "-1", QDateTime(QDate(2038, 1, 19), QTime(3, 14, 8))},
        {QString(1025, u'ù'), "1234.5678", QDateTime(QDate(1970, 1, 1), QTime(0, 0))},
    };
    // clang-format on
    for (size_t k = 0; k < casi.size(); ++k) {
        const Caso& c = casi[k];
        db().EseguiConValori(
            u"INSERT INTO ProvaValori (Id, Lungo, Importo, Giorno) VALUES (?, ?, ?, ?)"_s,
            {int(k + 1), c.testo.isNull() ? QVariant() : QVariant(c.testo),
             c.importo ? QVariant::fromValue(*Currency::daTesto(std::string_view(c.importo))) : QVariant(),
             c.giorno});
    }
    const auto controlla = [&](const Recordset& rs, const Caso& c) {
        const QVariant testo = rs.LeggiCampo(u"Lungo"_s);
        EXPECT_EQ(testo.isNull(), c.testo.isNull());
        EXPECT_EQ(rs.leggiTesto(u"Lungo"_s), c.testo);
        EXPECT_EQ(rs.leggiValuta(u"Importo"_s),
                  c.importo ? Currency::daTesto(std::string_view(c.importo)) : std::nullopt);
        const QVariant giorno = rs.LeggiCampo(u"Giorno"_s);
        EXPECT_EQ(giorno.isNull(), c.giorno.isNull());
        if (!c.giorno.isNull()) {
            EXPECT_EQ(dataOraDaVariant(giorno), c.giorno.toDateTime());
        }
        EXPECT_EQ(rs.leggiIntero(u"Grande"_s), 900000000000LL + rs.leggiIntero(u"Id"_s).value_or(0));
        EXPECT_EQ(rs.LeggiCampo(u"Enorme"_s).toLongLong(), 9007199254740993LL);
        EXPECT_EQ(rs.LeggiCampo(u"Negativo"_s).toLongLong(), -9223372036854775807LL);
    };
    const QString colonne =
        u"SELECT Id, Lungo, Importo, Giorno, CAST(900000000000 AS BIGINT) + Id AS Grande, "
        "CAST(9007199254740993 AS BIGINT) AS Enorme, "
        "CAST(-9223372036854775807 AS BIGINT) AS Negativo FROM ProvaValori "_s;
    for (int volta = 0; volta < 3; ++volta) { // a text without values is kept from its second run
        SCOPED_TRACE(volta);
        size_t k = 0;
        for (Recordset rs = db().ApriRs(colonne + u"ORDER BY Id"_s); !rs.RsEof(); rs.RsMoveNext(), ++k) {
            SCOPED_TRACE(k);
            ASSERT_LT(k, casi.size());
            controlla(rs, casi[k]);
        }
        EXPECT_EQ(k, casi.size());
        k = 0;
        for (Recordset rs = db().ApriRs(colonne + u"WHERE Id >= ? ORDER BY Id"_s, {1}); !rs.RsEof();
             rs.RsMoveNext(), ++k) {
            SCOPED_TRACE(k);
            ASSERT_LT(k, casi.size());
            controlla(rs, casi[k]);
        }
        EXPECT_EQ(k, casi.size());
    }
    for (size_t k = 0; k < casi.size(); ++k) {
        SCOPED_TRACE(k);
        const QString dove = u" FROM ProvaValori WHERE Id = "_s + QString::number(k + 1);
        for (int volta = 0; volta < 2; ++volta) {
            const QVariant testo = db().valore(u"SELECT Lungo"_s + dove);
            // A null value is a row all the same, unlike no row at all.
            EXPECT_TRUE(testo.isValid());
            EXPECT_EQ(testo.isNull(), casi[k].testo.isNull());
            EXPECT_EQ(testo.toString(), casi[k].testo);
            EXPECT_EQ(Currency::daVariant(db().valore(u"SELECT Importo"_s + dove)),
                      casi[k].importo ? Currency::daTesto(std::string_view(casi[k].importo)) : std::nullopt);
        }
    }
    EXPECT_FALSE(db().valore(u"SELECT Lungo FROM ProvaValori WHERE Id = 0"_s).isValid());
    EXPECT_EQ(db().valore(u"SELECT sum(Importo) FROM ProvaValori"_s).isNull(), false);
}

// A recordset left half-way gives its statement back: the next run of the same text, kept or
// not, reads every row from the first, and so does a single value of it.
TEST_F(DatabaseTest, shouldReuseAStatementLeftHalfWayFromItsFirstRow) {
    for (int i = 1; i <= 5; ++i)
        inserisci(i, u"riga %1"_s.arg(i), QVariant::fromValue(Currency::daUnita(i)));
    const auto tutte = [&](Recordset rs) {
        QStringList t;
        for (; !rs.RsEof(); rs.RsMoveNext())
            t << rs.leggiTesto(u"Testo"_s) + u'=' + rs.leggiValuta(u"Importo"_s)->testoSql();
        return t;
    };
    const QStringList attese{u"riga 2=2.0000"_s, u"riga 3=3.0000"_s, u"riga 4=4.0000"_s, u"riga 5=5.0000"_s};
    const QString legato = u"SELECT Testo, Importo FROM ProvaValori WHERE Id >= ? ORDER BY Id"_s;
    const QString testo = u"SELECT Testo, Importo FROM ProvaValori WHERE Id >= 2 ORDER BY Id"_s;
    for (int volta = 0; volta < 3; ++volta) {
        SCOPED_TRACE(volta);
        {
            Recordset rs = db().ApriRs(legato, {2});
            ASSERT_FALSE(rs.RsEof());
            rs.RsMoveNext();
            EXPECT_EQ(rs.leggiTesto(u"Testo"_s), u"riga 3"_s);
        }
        EXPECT_EQ(tutte(db().ApriRs(legato, {2})), attese);
        EXPECT_EQ(tutte(db().ApriRs(legato, {2})), attese);
        EXPECT_EQ(db().ApriRs(testo).leggiTesto(u"Testo"_s), u"riga 2"_s);
        EXPECT_EQ(db().valore(testo).toString(), u"riga 2"_s);
        EXPECT_EQ(tutte(db().ApriRs(testo)), attese);
    }
    // The same statement still writes and reads inside a transaction after all this.
    Transazione t(db());
    db().EseguiConValori(u"UPDATE ProvaValori SET Testo = ? WHERE Id = ?"_s, {u"nuova"_s, 3});
    EXPECT_EQ(tutte(db().ApriRs(legato, {4})), (QStringList{u"riga 4=4.0000"_s, u"riga 5=5.0000"_s}));
    EXPECT_EQ(db().ApriRs(legato, {3}).leggiTesto(u"Testo"_s), u"nuova"_s);
    t.conferma();
}

// Bytes come back as they were, whether they fit the first read or take several, and an empty
// value is not a null.
TEST_F(DatabaseTest, shouldReadBytesBackExactly) {
    QByteArray lunghi;
    for (int i = 0; i < 5 * 256 + 7; ++i)
        lunghi += char(i % 256);
    for (const QByteArray& attesi : {lunghi, QByteArray("\0x\0", 3), QByteArray(""), QByteArray()}) {
        SCOPED_TRACE(attesi.size());
        const QString esadecimale = QString::fromLatin1(attesi.toHex());
        const QString sql = attesi.isNull()    ? (prova::usaOdbc() ? u"SELECT CAST(NULL AS bytea) AS B"_s
                                                                   : u"SELECT CAST(NULL AS BLOB) AS B"_s)
                            : prova::usaOdbc() ? u"SELECT decode('%1', 'hex') AS B"_s.arg(esadecimale)
                                               : u"SELECT X'%1' AS B"_s.arg(esadecimale);
        const QVariant letto = db().ApriRs(sql).LeggiCampo(u"B"_s);
        EXPECT_EQ(letto.isNull(), attesi.isNull());
        EXPECT_EQ(letto.toByteArray(), attesi);
    }
}

// A data source on the driver without wide characters takes and gives its texts as UTF-8 bytes:
// they are stored and read back the same, long or short, and an empty text is still not a null.
TEST_F(DatabaseTest, shouldReadTextsAlikeThroughADriverWithoutWideCharacters) {
    std::unique_ptr<Database> stretta =
        prova::usaOdbc()
            ? Database::apri(u"ODBC;Driver={PostgreSQL ANSI};DSN=%1"_s.arg(testoConnessione()),
                             qEnvironmentVariable("TESEL_TEST_UID"), qEnvironmentVariable("TESEL_TEST_PWD"))
            : Database::apri(testoConnessione());
    if (!schemaPg().isEmpty())
        stretta->EseguiSql(u"SET search_path TO "_s + schemaPg());
    QString lungo;
    while (lungo.size() < 3000)
        lungo += u"àèìòù€ 'q' 😀 "_s;
    const QStringList testi{lungo, u""_s, QString(), QString(1023, u'x') + u"é"_s, u"L'Aquila"_s};
    for (int i = 0; i < testi.size(); ++i)
        stretta->EseguiConValori(u"INSERT INTO ProvaValori (Id, Lungo) VALUES (?, ?)"_s,
                                 {i + 1, testi[i].isNull() ? QVariant() : QVariant(testi[i])});
    EXPECT_EQ(db().valore(u"SELECT Lungo FROM ProvaValori WHERE Id = 1"_s).toString(), lungo);
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori WHERE Lungo = ''"_s).toInt(), 1);
    for (int volta = 0; volta < 2; ++volta) {
        int i = 0;
        for (Recordset rs = stretta->ApriRs(u"SELECT Lungo FROM ProvaValori WHERE Id > ? ORDER BY Id"_s, {0});
             !rs.RsEof(); rs.RsMoveNext(), ++i) {
            SCOPED_TRACE(i);
            ASSERT_LT(i, testi.size());
            EXPECT_EQ(rs.LeggiCampo(u"Lungo"_s).isNull(), testi[i].isNull());
            EXPECT_EQ(rs.leggiTesto(u"Lungo"_s), testi[i]);
        }
        EXPECT_EQ(i, testi.size());
    }
    EXPECT_EQ(stretta->valore(u"SELECT Lungo FROM ProvaValori WHERE Id = 1"_s).toString(), lungo);

    // A broken surrogate, written in the text and bound: the statement is not cut there, and
    // both ways store the same text.
    const QString rotto = u"a"_s + QChar(0xD800) + u"b'c"_s;
    stretta->EseguiSql(u"INSERT INTO ProvaValori (Id, Lungo) VALUES (100, "_s + SqlValore(rotto) + u')');
    stretta->EseguiConValori(u"INSERT INTO ProvaValori (Id, Lungo) VALUES (?, ?)"_s, {101, rotto});
    const QString scritto = db().valore(u"SELECT Lungo FROM ProvaValori WHERE Id = 100"_s).toString();
    EXPECT_TRUE(scritto.startsWith(u'a') && scritto.endsWith(u"b'c"_s)) << scritto.toStdString();
    EXPECT_EQ(db().valore(u"SELECT Lungo FROM ProvaValori WHERE Id = 101"_s).toString(), scritto);
}

// The rows given one after the other in one list arrive as the rows of a list each, in groups
// whose texts are reused; a list that is not whole rows writes nothing.
TEST_F(DatabaseTest, shouldInsertRowsGivenOneAfterTheOtherAsRowsOfTheirOwn) {
    for (const int prima : {1, 100}) { // the second run reuses the statements of the first
        QVariantList valori;
        for (int i = prima; i < prima + 45; ++i)
            valori << i << u"riga %1"_s.arg(i) << QVariant::fromValue(Currency::daDecimillesimi(i));
        db().InserisciRighe(u"ProvaValori"_s, {u"Id"_s, u"Testo"_s, u"Importo"_s}, valori.constData(),
                            valori.size());
    }
    const auto [letti, somma] = testiESomma();
    ASSERT_EQ(letti.size(), 90);
    EXPECT_EQ(letti[44], u"riga 45"_s);
    EXPECT_EQ(letti[45], u"riga 100"_s);
    EXPECT_EQ(letti.back(), u"riga 144"_s);
    EXPECT_EQ(somma, Currency::daDecimillesimi(45 * 46 / 2 + (100 + 144) * 45 / 2));
    try {
        const QVariantList spaiati{200, u"a"_s, 201};
        db().InserisciRighe(u"ProvaValori"_s, {u"Id"_s, u"Testo"_s}, spaiati.constData(), spaiati.size());
        FAIL();
    } catch (const ErroreDb& e) {
        EXPECT_EQ(e.descrizione(), u"3 valori per righe di 2 colonne"_s);
    }
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), 90);
}

// Rows go in groups of several per statement: every row arrives, in order, and a group that
// fails leaves none of its rows.
TEST_F(DatabaseTest, shouldInsertManyRowsPerStatementInOrderAndNothingOfAFailedGroup) {
    std::vector<QVariantList> righe;
    for (int i = 1; i <= 45; ++i) // 32 + 8 + 4 + 1
        righe.push_back(
            {i, u"riga %1 l'ultima?"_s.arg(i), QVariant::fromValue(Currency::daDecimillesimi(i))});
    db().InserisciRighe(u"ProvaValori"_s, {u"Id"_s, u"Testo"_s, u"Importo"_s}, righe);
    const auto [letti, somma] = testiESomma();
    ASSERT_EQ(letti.size(), 45);
    EXPECT_EQ(letti.front(), u"riga 1 l'ultima?"_s);
    EXPECT_EQ(letti.back(), u"riga 45 l'ultima?"_s);
    EXPECT_EQ(somma, Currency::daDecimillesimi(45 * 46 / 2));

    // The third of four rows (one statement) repeats a key: the other three are not stored.
    EXPECT_EQ(errore([&] {
                  db().InserisciRighe(u"ProvaValori"_s, {u"Id"_s, u"Testo"_s},
                                      {{100, u"a"_s}, {101, u"b"_s}, {45, u"doppia"_s}, {102, u"c"_s}});
              }),
              ErrChiaveDuplicata);
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), 45);
    try {
        db().InserisciRighe(u"ProvaValori"_s, {u"Id"_s, u"Testo"_s}, {{200, u"a"_s}, {201}});
        FAIL();
    } catch (const ErroreDb& e) {
        EXPECT_EQ(e.descrizione(), u"Riga con 1 valori per 2 colonne"_s);
    }
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), 45);
}

// Writes whose row count nobody uses wait on a server and go with the next statement: a
// failing one is reported by the confirmation of its unit at the latest, with the server's
// message and its own text, and the caller undoes that unit alone; the outer unit keeps its
// rows. A database file runs each at once, with the same outcome.
TEST_F(DatabaseTest, shouldReportAFailedQueuedWriteByItsUnitsConfirmationAndKeepTheOuterUnit) {
    db().EseguiSql(u"CREATE TABLE ProvaRighe (Id INTEGER PRIMARY KEY, Testo VARCHAR(40))"_s);
    const QString inserisci = u"INSERT INTO ProvaValori (Id, Testo) VALUES (?, ?)"_s;
    bool allaConferma = false;
    {
        Transazione esterna(db());
        db().EseguiInCoda(inserisci, {1, u"esterna"_s});
        db().InserisciRighe(u"ProvaRighe"_s, {u"Id"_s, u"Testo"_s}, {{1, u"esterna"_s}});
        try {
            Transazione interna(db());
            db().InserisciRighe(u"ProvaRighe"_s, {u"Id"_s, u"Testo"_s},
                                {{2, u"interna"_s}, {3, u"interna"_s}});
            db().EseguiInCoda(inserisci, {1, u"doppia"_s}); // the outer unit's key
            allaConferma = true;
            interna.conferma();
            FAIL() << "la chiave doppia non è stata segnalata";
        } catch (const ErroreDb& e) {
            EXPECT_TRUE(e.chiaveDuplicata()) << e.what();
            EXPECT_FALSE(e.descrizione().contains(u"aborted"_s)) << e.what();
            EXPECT_TRUE(e.sql().startsWith(u"INSERT INTO ProvaValori"_s)) << e.sql().toStdString();
            EXPECT_FALSE(e.sql().contains(u"ProvaRighe"_s)) << e.sql().toStdString();
        }
        // A server only learns of the write when it goes, with the confirmation here.
        EXPECT_EQ(allaConferma, db().dialetto() == Dialetto::PostgreSQL);
        EXPECT_EQ(db().livelloTrans(), 1);
        db().EseguiInCoda(inserisci, {4, u"dopo l'errore"_s});
        esterna.conferma();
    }
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), 2);
    EXPECT_EQ(leggi(1, u"Testo"_s).toString(), u"esterna"_s);
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori WHERE Id = 4"_s).toInt(), 1);
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaRighe"_s).toInt(), 1);

    // At the commit: the transaction is refused whole and rolled back.
    try {
        Transazione t(db());
        db().InserisciRighe(u"ProvaRighe"_s, {u"Id"_s, u"Testo"_s}, {{5, u"persa"_s}});
        db().EseguiInCoda(u"UPDATE ProvaValori SET Testo = ? WHERE Id = ?"_s, {u"persa"_s, 4});
        db().EseguiInCoda(inserisci, {4, u"doppia al commit"_s});
        t.conferma();
        FAIL() << "il commit non ha segnalato la chiave doppia";
    } catch (const ErroreDb& e) {
        EXPECT_TRUE(e.chiaveDuplicata()) << e.what();
        EXPECT_TRUE(e.sql().contains(u"INSERT INTO ProvaValori"_s)) << e.sql().toStdString();
    }
    EXPECT_EQ(db().livelloTrans(), 0);
    EXPECT_EQ(leggi(4, u"Testo"_s).toString(), u"dopo l'errore"_s);
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaRighe"_s).toInt(), 1);
}

// Queued rows are read back by the same transaction, as written (quotes, question marks,
// semicolons, backslashes, amounts to the fourth decimal, days, nulls); an undone unit takes
// its queued writes with it whether they went to the server or not; after the commit another
// connection sees everything, and outside a transaction a write is there at once.
TEST_F(DatabaseTest, shouldReadBackQueuedWritesInTheTransactionAndDropThoseOfAnUndoneUnit) {
    const QStringList testi{
        u"l'apice"_s, u"punto e virgola; e ?"_s, u"C:\\cartella\\"_s, u"a\nriga"_s, u"€ àèìòù"_s, u""_s};
    std::vector<QVariantList> righe;
    for (int i = 1; i <= 40; ++i)
        righe.push_back({i, testi[i % testi.size()],
                         QVariant::fromValue(Currency::daDecimillesimi(i * 10001)),
                         i % 5 == 0 ? QVariant() : QVariant(QDate(2024, 1 + i % 12, 1 + i % 28))});
    const auto b = altraConnessione();
    {
        Transazione t(db());
        db().InserisciRighe(u"ProvaValori"_s, {u"Id"_s, u"Testo"_s, u"Importo"_s, u"Giorno"_s}, righe);
        int lette = 0;
        Currency somma;
        for (Recordset rs = db().ApriRs(u"SELECT Id, Testo, Importo, Giorno FROM ProvaValori ORDER BY Id"_s);
             !rs.RsEof(); rs.RsMoveNext(), ++lette) {
            const int i = static_cast<int>(*rs.leggiIntero(u"Id"_s));
            EXPECT_EQ(rs.leggiTesto(u"Testo"_s), testi[i % testi.size()]) << i;
            somma = somma + *rs.leggiValuta(u"Importo"_s);
            const auto giorno = dataOraDaVariant(rs.LeggiCampo(u"Giorno"_s));
            if (i % 5 == 0)
                EXPECT_FALSE(giorno) << i;
            else
                EXPECT_EQ(giorno ? giorno->date() : QDate(), QDate(2024, 1 + i % 12, 1 + i % 28)) << i;
        }
        EXPECT_EQ(lette, 40);
        EXPECT_EQ(somma, Currency::daDecimillesimi(10001 * 40 * 41 / 2));
        {
            Transazione interna(db()); // undone before anything went
            db().EseguiInCoda(u"UPDATE ProvaValori SET Testo = ? WHERE Id = ?"_s, {u"annullata"_s, 1});
            db().EseguiInCoda(u"DELETE FROM ProvaValori WHERE Id = ?"_s, {2});
        }
        {
            Transazione interna(db()); // undone after its writes went with a read
            db().EseguiInCoda(u"DELETE FROM ProvaValori WHERE Id = ?"_s, {3});
            EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), 39);
            db().EseguiInCoda(u"DELETE FROM ProvaValori WHERE Id = ?"_s, {4});
        }
        {
            Transazione interna(db());
            db().EseguiInCoda(u"UPDATE ProvaValori SET Testo = ? WHERE Id = ?"_s, {u"confermata"_s, 5});
            interna.conferma();
        }
        // Nothing has reached another connection yet.
        EXPECT_EQ(b->valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), 0);
        t.conferma();
    }
    EXPECT_EQ(b->valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), 40);
    EXPECT_EQ(b->valore(u"SELECT Testo FROM ProvaValori WHERE Id = 1"_s).toString(), testi[1]);
    EXPECT_EQ(b->valore(u"SELECT Testo FROM ProvaValori WHERE Id = 5"_s).toString(), u"confermata"_s);
    db().EseguiInCoda(u"DELETE FROM ProvaValori WHERE Id = ?"_s, {6});
    EXPECT_EQ(b->valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), 39);
}

// Several selections read together: each gets its own rows in its own order, the writes
// queued before them are seen, a selection without rows or with values the server cannot type
// from their place is answered too, and so is the same set again (kept statements, columns
// described already). A failing selection fails the whole read and leaves the connection usable.
TEST_F(DatabaseTest, shouldReadSeveralSelectionsTogetherBehindTheQueuedWrites) {
    inserisci(1, u"l'apice; e ?"_s, QVariant::fromValue(Currency::daDecimillesimi(12345)));
    inserisci(2, u"due"_s, QVariant::fromValue(Currency::daDecimillesimi(-1)));
    inserisci(3, QVariant(), {});
    const std::vector<Database::Selezione> selezioni{
        {u"SELECT Id, Testo, Importo FROM ProvaValori WHERE Id >= ? ORDER BY Id DESC"_s, {1}},
        {u"SELECT Testo FROM ProvaValori WHERE Id = ?"_s, {99}},
        {u"SELECT Id FROM ProvaValori WHERE ? IS NULL OR Id = ? ORDER BY Id"_s, {QVariant(), 7}},
        {u"SELECT count(*) AS Quante, sum(Importo) AS Somma FROM ProvaValori"_s, {}}};
    for (int volta = 0; volta < 2; ++volta) {
        SCOPED_TRACE(volta);
        Transazione t(db());
        db().EseguiInCoda(u"UPDATE ProvaValori SET Testo = ? WHERE Id = ?"_s,
                          {u"€ cambiato %1"_s.arg(volta), 2});
        std::vector<Recordset> letti = db().ApriInsieme(selezioni);
        ASSERT_EQ(letti.size(), 4u);
        QStringList righe;
        for (Recordset& r = letti[0]; !r.RsEof(); r.RsMoveNext())
            righe << u"%1 %2 %3"_s.arg(*r.leggiIntero(u"Id"_s))
                         .arg(r.leggiTesto(u"Testo"_s), r.LeggiCampo(u"Importo"_s).isNull()
                                                            ? u"-"_s
                                                            : r.leggiValuta(u"Importo"_s)->testoSql());
        EXPECT_EQ(righe, (QStringList{u"3  -"_s, u"2 € cambiato %1 -0.0001"_s.arg(volta),
                                      u"1 l'apice; e ? 1.2345"_s}));
        EXPECT_TRUE(letti[1].RsVuoto());
        QStringList tutte;
        for (Recordset& r = letti[2]; !r.RsEof(); r.RsMoveNext())
            tutte << r.leggiTesto(u"Id"_s);
        EXPECT_EQ(tutte, (QStringList{u"1"_s, u"2"_s, u"3"_s}));
        EXPECT_EQ(letti[3].leggiIntero(u"Quante"_s), 3);
        EXPECT_EQ(letti[3].leggiValuta(u"Somma"_s), Currency::daDecimillesimi(12344));
        t.conferma();
    }
    EXPECT_THROW(db().ApriInsieme({selezioni[1], {u"SELECT Nessuna FROM ProvaValori WHERE Id = ?"_s, {1}}}),
                 ErroreDb);
    EXPECT_EQ(db().ApriInsieme(selezioni)[3].leggiIntero(u"Quante"_s), 3);
}

// A server keeps the statements of queued writes prepared by name, and a PREPARE outlives a
// rollback: after a failed text, after a unit undone before its writes went, and across
// transactions, the same write must still run (never "already exists", never "does not exist").
TEST_F(DatabaseTest, shouldRunTheSameQueuedWriteAgainAfterAFailureAndAfterAnUndoneUnit) {
    const QString inserisci = u"INSERT INTO ProvaValori (Id, Testo, Importo) VALUES (?, ?, ?)"_s;
    const QVariant importo = QVariant::fromValue(Currency::daDecimillesimi(12345));
    try {
        Transazione t(db());
        db().EseguiInCoda(inserisci, {1, u"prima"_s, importo});
        db().EseguiInCoda(inserisci, {1, u"doppia"_s, importo});
        t.conferma();
        FAIL() << "la chiave doppia non è stata segnalata";
    } catch (const ErroreDb& e) {
        EXPECT_TRUE(e.chiaveDuplicata()) << e.what();
    }
    for (int id = 2; id <= 3; ++id) {
        Transazione t(db());
        db().EseguiInCoda(inserisci, {id, u"dopo l'errore"_s, importo});
        t.conferma();
    }
    {
        Transazione t(db());
        const QString aggiorna = u"UPDATE ProvaValori SET Testo = ?, Importo = ? WHERE Id = ?"_s;
        {
            Transazione interna(db()); // its first use never goes
            db().EseguiInCoda(aggiorna, {u"annullata"_s, importo, 2});
        }
        db().EseguiInCoda(aggiorna, {u"aggiornata"_s, QVariant::fromValue(Currency::daUnita(7)), 2});
        EXPECT_EQ(db().valore(u"SELECT Testo FROM ProvaValori WHERE Id = 2"_s).toString(), u"aggiornata"_s);
        db().EseguiInCoda(aggiorna, {u"di nuovo"_s, importo, 3});
        t.conferma();
    }
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), 2);
    EXPECT_EQ(*leggiValuta(2), Currency::daUnita(7));
    EXPECT_EQ(leggi(3, u"Testo"_s).toString(), u"di nuovo"_s);
    EXPECT_EQ(*leggiValuta(3), Currency::daDecimillesimi(12345));
}

// A statement kept for the connection must serve a second recordset on the same text while
// the first is still open, and show columns added to the table since it was prepared; with
// its values in the text or bound.
TEST_F(DatabaseTest, shouldReadTheSameTextTwiceAtOnceAndSeeColumnsAddedLater) {
    db().EseguiSql(u"INSERT INTO ProvaValori (Id, Testo) VALUES (1, 'a'), (2, 'b'), (3, 'c')"_s);
    const auto apri = [&](bool legati) {
        return legati ? db().ApriRs(u"SELECT * FROM ProvaValori WHERE Id >= ? ORDER BY Id"_s, {1})
                      : db().ApriRs(u"SELECT * FROM ProvaValori ORDER BY Id"_s);
    };
    for (const bool legati : {false, true}) {
        SCOPED_TRACE(legati ? "valori legati" : "valori nel testo");
        QStringList coppie;
        for (int volta = 0; volta < 3; ++volta) { // the text is kept from its second run on
            coppie.clear();
            for (Recordset esterno = apri(legati); !esterno.RsEof(); esterno.RsMoveNext())
                for (Recordset interno = apri(legati); !interno.RsEof(); interno.RsMoveNext())
                    coppie << esterno.leggiTesto(u"Testo"_s) + interno.leggiTesto(u"Testo"_s);
        }
        EXPECT_EQ(coppie, (QStringList{u"aa"_s, u"ab"_s, u"ac"_s, u"ba"_s, u"bb"_s, u"bc"_s, u"ca"_s, u"cb"_s,
                                       u"cc"_s}));
        // A recordset left before its end gives its statement back ready for the next run.
        for (int volta = 0; volta < 2; ++volta)
            EXPECT_EQ(apri(legati).leggiTesto(u"Testo"_s), u"a"_s);
        const QString colonna = u"Aggiunta%1"_s.arg(legati);
        db().EseguiSql(u"ALTER TABLE ProvaValori ADD COLUMN %1 INTEGER"_s.arg(colonna));
        db().EseguiSql(u"UPDATE ProvaValori SET %1 = Id * 10"_s.arg(colonna));
        Recordset rs = apri(legati);
        ASSERT_TRUE(rs.haCampo(colonna.toLower()));
        EXPECT_EQ(rs.leggiIntero(colonna), 10);
        EXPECT_EQ(rs.campi().size(), legati ? 9 : 8);
    }
}

// Fields are read by name in any case; of two columns whose names differ only in case, the
// last one answers, as Qt's driver did.
TEST_F(DatabaseTest, shouldFindAFieldByItsNameInAnyCaseAndTheLastOfTwoAlike) {
    for (const QString& sql : {u"SELECT 1 AS Natura, 2 AS Importo, 3 AS importo"_s,
                               u"SELECT 1 AS Natura, 2 AS Importo, 3 AS importo WHERE 1 = ?"_s}) {
        SCOPED_TRACE(sql.toStdString());
        for (int volta = 0; volta < 2; ++volta) { // the second run finds the description kept
            Recordset rs = sql.contains(u'?') ? db().ApriRs(sql, {1}) : db().ApriRs(sql);
            for (const QString& nome : {u"Natura"_s, u"natura"_s, u"NATURA"_s})
                EXPECT_EQ(rs.leggiIntero(nome), 1) << nome.toStdString();
            for (const QString& nome : {u"Importo"_s, u"importo"_s, u"IMPORTO"_s})
                EXPECT_EQ(rs.leggiIntero(nome), 3) << nome.toStdString();
            EXPECT_FALSE(rs.haCampo(u"Natur"_s));
            EXPECT_FALSE(rs.haCampo(u"Nature"_s));
        }
    }
}

// A value the server cannot type from its place ("? IS NULL") still selects, and inside a
// transaction leaves it able to write and commit.
TEST_F(DatabaseTest, shouldSelectWithValuesOfNoEvidentTypeInsideATransaction) {
    inserisci(1, u"uno"_s);
    Transazione t(db());
    for (int volta = 0; volta < 2; ++volta) {
        Recordset rs =
            db().ApriRs(u"SELECT Testo FROM ProvaValori WHERE ? IS NULL OR Id = ?"_s, {QVariant(), 7});
        EXPECT_EQ(rs.leggiTesto(u"Testo"_s), u"uno"_s);
        EXPECT_EQ(db().ApriRs(u"SELECT Testo FROM ProvaValori WHERE ? IS NULL OR Id = ?"_s, {u"x"_s, 1})
                      .leggiTesto(u"Testo"_s),
                  u"uno"_s);
    }
    inserisci(2, u"due"_s);
    t.conferma();
    EXPECT_EQ(leggi(2, u"Testo"_s).toString(), u"due"_s);
}

// A transaction's first statement with values that one way of typing them refuses (whole
// numbers where the server's function takes smaller ones) still answers, in every
// transaction, and what the transaction writes afterwards is kept.
TEST_F(DatabaseTest, shouldAnswerTheFirstStatementOfEachTransactionWhateverTheTypesOfItsValues) {
    inserisci(1, u"uno"_s);
    for (int giro = 0; giro < 2; ++giro) {
        Transazione t(db());
        Recordset rs =
            db().ApriRs(u"SELECT substr(Testo, ?, ?) AS Parte FROM ProvaValori WHERE Id = ?"_s, {2, 2, 1});
        ASSERT_FALSE(rs.RsEof());
        EXPECT_EQ(rs.leggiTesto(u"Parte"_s), u"no"_s);
        inserisci(10 + giro, u"giro %1"_s.arg(giro));
        t.conferma();
    }
    EXPECT_EQ(leggi(10, u"Testo"_s).toString(), u"giro 0"_s);
    EXPECT_EQ(leggi(11, u"Testo"_s).toString(), u"giro 1"_s);
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori"_s).toLongLong(), 3);
}

TEST_F(DatabaseTest, shouldRollBackAnUnconfirmedTransactionAndKeepTheOuterOne) {
    {
        Transazione esterna(db());
        inserisci(1, u"esterna"_s);
        {
            Transazione interna(db());
            inserisci(2, u"interna annullata"_s);
        } // not confirmed: only row 2 goes
        {
            Transazione interna(db());
            inserisci(3, u"interna confermata"_s);
            interna.conferma();
        }
        esterna.conferma();
    }
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori"_s).toInt(), 2);
    EXPECT_FALSE(leggi(3, u"Testo"_s).isNull());
    {
        // A failed statement inside an inner unit: the outer one goes on and keeps all but it.
        Transazione esterna(db());
        for (int k = 0; k < 3; ++k) {
            try {
                Transazione interna(db());
                {
                    Transazione piuInterna(db());
                    inserisci(30 + k, u"annullata con la sua esterna se questa fallisce"_s);
                    piuInterna.conferma();
                }
                db().EseguiConValori(u"INSERT INTO ProvaValori (Id, Testo) VALUES (?, ?)"_s,
                                     {20 + k % 2, u"giro %1"_s.arg(k)}); // the third repeats 20
                interna.conferma();
            } catch (const ErroreDb& e) {
                EXPECT_TRUE(e.chiaveDuplicata()) << e.what();
                EXPECT_EQ(k, 2);
            }
            EXPECT_EQ(db().livelloTrans(), 1);
        }
        inserisci(40, u"dopo l'errore"_s);
        esterna.conferma();
    }
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori WHERE Id >= 20"_s).toInt(), 5);
    EXPECT_EQ(leggi(20, u"Testo"_s).toString(), u"giro 0"_s);
    EXPECT_FALSE(db().valore(u"SELECT Id FROM ProvaValori WHERE Id = 32"_s).isValid());
    try {
        Transazione t(db());
        inserisci(10, u"persa"_s);
        inserisci(10, u"duplicata"_s); // throws: the guard rolls back on the error path
        t.conferma();
    } catch (const ErroreDb&) {
    }
    EXPECT_EQ(db().livelloTrans(), 0);
    EXPECT_FALSE(db().valore(u"SELECT Id FROM ProvaValori WHERE Id = 10"_s).isValid());
}

// A failure a caller catches inside a transaction: SQLite undid only the statement and goes
// on; a server has aborted the transaction, so every later statement and the commit report
// that first failure (never "current transaction is aborted") and nothing of it is stored.
TEST_F(DatabaseTest, shouldReportTheFirstFailureOfATransactionAndNeverCommitWhatItLost) {
    const QString conValori = u"INSERT INTO ProvaValori (Id, Testo) VALUES (?, ?)"_s;
    db().EseguiConValori(conValori, {1, u"prima della transazione"_s}); // kept from now on
    QString primo;
    QStringList dopo;
    const auto prova = [&](const std::function<void()>& f) {
        try {
            f();
        } catch (const ErroreDb& e) {
            dopo << e.descrizione();
        }
    };
    {
        Transazione t(db());
        // Each statement answers for itself when a savepoint went to the server in front of it.
        for (int volta = 0; volta < 2; ++volta) {
            Transazione interna(db());
            EXPECT_EQ(
                db().EseguiConValori(u"UPDATE ProvaValori SET Testo = ? WHERE Id <= ?"_s, {u"letta"_s, 1}),
                1);
            EXPECT_EQ(
                db().ApriRs(u"SELECT Testo FROM ProvaValori WHERE Id = ?"_s, {1}).leggiTesto(u"Testo"_s),
                u"letta"_s);
            EXPECT_EQ(db().valore(u"SELECT count(*) FROM ProvaValori WHERE Testo = 'letta'"_s).toInt(), 1);
            EXPECT_EQ(db().EseguiSql(u"UPDATE ProvaValori SET Lungo = 'x' WHERE Id = 1"_s), 1);
            interna.conferma();
        }
        inserisci(2, u"prima dell'errore"_s);
        try {
            db().EseguiSql(u"INSERT INTO TabellaCheNonEsiste (Id) VALUES (1)"_s);
        } catch (const ErroreDb& e) {
            primo = e.descrizione();
        }
        ASSERT_FALSE(primo.isEmpty());
        prova([&] { db().EseguiConValori(conValori, {3, u"legata"_s}); });
        prova([&] { db().EseguiConValori(u"UPDATE ProvaValori SET Testo = ? WHERE Id = ?"_s, {u"x"_s, 1}); });
        prova([&] { db().valore(u"SELECT count(*) FROM ProvaValori"_s); });
        prova([&] {
            Transazione interna(db());
            inserisci(4, u"in un'unità interna"_s);
        });
        prova([&] { t.conferma(); });
    }
    EXPECT_EQ(db().livelloTrans(), 0);
    const int righe = db().valore(u"SELECT count(*) FROM ProvaValori"_s).toInt();
    if (db().dialetto() == Dialetto::SQLite) {
        EXPECT_TRUE(dopo.isEmpty()) << dopo.join(u'\n').toStdString();
        EXPECT_EQ(righe, 3); // the inner unit was not confirmed
    } else {
        EXPECT_EQ(dopo.join(u'\n').toStdString(), QStringList(5, primo).join(u'\n').toStdString());
        EXPECT_EQ(righe, 1);
    }
}

// Two workstations serialising on the same key: the second waits until the first has
// committed, and then sees what it wrote.
TEST_F(DatabaseTest, shouldKeepTheSecondTransactionOnAKeyWaitingUntilTheFirstEnds) {
    std::promise<void> preso;
    std::thread altra([&] {
        const auto b = altraConnessione();
        Transazione t(*b);
        serializzaNellaTransazione(*b, TipoSerializzazioneDocumento, numeroChiave(u"IT01|1|2024-01-01"_s));
        // The lock goes to the server with the transaction's next statement.
        b->valore(u"SELECT count(*) FROM ProvaValori"_s);
        preso.set_value();
        QThread::msleep(150); // the holder is still at work
        b->EseguiSql(u"INSERT INTO ProvaValori (Id, Testo) VALUES (1, 'dal primo')"_s);
        t.conferma();
    });
    preso.get_future().wait();
    QString visto;
    {
        Transazione t(db());
        serializzaNellaTransazione(db(), TipoSerializzazioneDocumento, numeroChiave(u"it01|1|2024-01-01 "_s));
        visto = db().valore(u"SELECT Testo FROM ProvaValori WHERE Id = 1"_s).toString();
        t.conferma();
    }
    altra.join();
    EXPECT_EQ(visto, u"dal primo"_s);
}

TEST_F(DatabaseTest, shouldNumberFromOneAndPerYear) {
    EXPECT_EQ(db().ProssimoNumero(u"ProvaValori"_s, u"Id"_s, 2024, true), 1);
    EXPECT_EQ(db().ProssimoNumero(u"ProvaValori"_s, u"Id"_s, 2024, false), 1);
    db().EseguiSql(u"INSERT INTO ProvaValori (Id, Anno) VALUES (7, 2023), (3, 2024), (4, NULL)"_s);
    EXPECT_EQ(db().ProssimoNumero(u"ProvaValori"_s, u"Id"_s, 2024, true), 4);
    EXPECT_EQ(db().ProssimoNumero(u"ProvaValori"_s, u"Id"_s, 2023, true), 8);
    EXPECT_EQ(db().ProssimoNumero(u"ProvaValori"_s, u"Id"_s, 2025, true), 1);
    EXPECT_EQ(db().ProssimoNumero(u"ProvaValori"_s, u"Id"_s, 2024, false), 8);
}

// The highest number, not the last written, and a null never taken for it: nulls sort first
// on one engine and last on the other.
TEST_F(DatabaseTest, shouldTakeTheHighestNumberWhateverTheOrderOfWritingAndTheNulls) {
    db().EseguiSql(u"INSERT INTO ProvaValori (Id, Anno) VALUES (12, 2024), (40, NULL), (3, 2024), "
                   "(25, 2023), (11, 2024), (2, NULL)"_s);
    const struct {
        const char* campo;
        int anno;
        bool annuale;
        std::int64_t atteso;
    } casi[] = {
        {"Id", 2024, true, 13}, {"Id", 2023, true, 26},   {"Id", 2022, true, 1},
        {"Id", 0, false, 41},   {"Anno", 0, false, 2025},
    };
    for (const auto& c : casi)
        EXPECT_EQ(db().ProssimoNumero(u"ProvaValori"_s, QString::fromLatin1(c.campo), c.anno, c.annuale),
                  c.atteso)
            << c.campo << ' ' << c.anno << ' ' << c.annuale;
    db().EseguiSql(u"UPDATE ProvaValori SET Anno = NULL"_s);
    EXPECT_EQ(db().ProssimoNumero(u"ProvaValori"_s, u"Anno"_s, 0, false), 1);
}

// The statements kept on a database file stay within their bound however many texts a batch
// runs, and each still answers for its own text.
TEST(ConnessioneSqlite, shouldKeepABoundedNumberOfStatementsAndAnswerEachText) {
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &handle), SQLITE_OK);
    {
        ConnessioneSqlite c(handle);
        c.esegui(u"CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT)"_s);
        for (int giro = 0; giro < 2; ++giro)
            for (int k = 1; k <= 200; ++k) {
                // A text with its value inside, run twice: kept the second time.
                ConnessioneSqlite::Istruzione i = c.prepara(u"SELECT %1 * 2"_s.arg(k), false);
                ASSERT_TRUE(i.passo());
                EXPECT_EQ(i.valore(0).toLongLong(), k * 2);
                c.esegui(u"INSERT OR REPLACE INTO t (k, v) VALUES (?, ?)"_s, {k, u"v%1"_s.arg(k)});
            }
        EXPECT_LE(c.preparateInCache(), ConnessioneSqlite::MassimoCache);
        EXPECT_GE(c.preparateInCache(), 2);
        ConnessioneSqlite::Istruzione conta = c.prepara(u"SELECT count(*), max(v) FROM t"_s, false);
        ASSERT_TRUE(conta.passo());
        EXPECT_EQ(conta.valore(0).toLongLong(), 200);
        EXPECT_EQ(conta.valore(1).toString(), u"v99"_s);
        EXPECT_THROW(c.esegui(u"SELECT 1; SELECT 2"_s), ErroreDb);
        EXPECT_THROW(c.esegui(u"INSERT INTO t (k) VALUES (?)"_s, {1, 2}), ErroreDb);
    }
    EXPECT_EQ(sqlite3_close(handle), SQLITE_OK); // nothing left prepared
}

TEST(Connessione, shouldTellOdbcFromDatabaseFiles) {
    EXPECT_EQ(tipoConnessione(u"Azienda01"_s), TipoConnessione::Odbc);
    EXPECT_EQ(tipoConnessione(u"odbc;DSN=x"_s), TipoConnessione::Odbc);
    EXPECT_EQ(tipoConnessione(u"/srv/dati/azienda.DSN"_s), TipoConnessione::Odbc);
    EXPECT_EQ(tipoConnessione(u"/srv/dati/azienda.mdb"_s), TipoConnessione::FileDatabase);
    EXPECT_EQ(tipoConnessione(u"/srv/dati/azienda.db"_s), TipoConnessione::FileDatabase);
    EXPECT_EQ(testoConnessioneOdbc(u"Azienda01"_s, {}, {}), u"ODBC;DSN=Azienda01;"_s);
    EXPECT_EQ(testoConnessioneOdbc(u"Azienda01"_s, u"mario"_s, {}), u"ODBC;DSN=Azienda01;UID=mario"_s);
    EXPECT_EQ(testoConnessioneOdbc(u"Azienda01"_s, u"mario"_s, u"pw"_s),
              u"ODBC;DSN=Azienda01;UID=mario;PWD=pw"_s);
    EXPECT_EQ(testoConnessioneOdbc(u"/etc/x.DSN"_s, {}, {}), u"ODBC;FIleDSN=/etc/x.DSN;"_s);
    EXPECT_EQ(testoConnessioneOdbc(u"ODBC;DSN=a;UID=b"_s, u"c"_s, {}), u"ODBC;DSN=a;UID=b"_s);
    // The driver settings the program relies on replace those of the text, whatever their case;
    // a value in braces keeps its ";".
    EXPECT_EQ(conImpostazioniDriverOdbc(u"a;UID=b;protocol=7.4-1;ConnSettings={SET x=1;SET y=2};"_s),
              u"a;UID=b;ConnSettings={SET x=1;SET y=2};Protocol=7.4-0;UseServerSidePrepare=1"_s);
    EXPECT_EQ(conImpostazioniDriverOdbc(u"DRIVER=p;USESERVERSIDEPREPARE=0"_s),
              u"DRIVER=p;Protocol=7.4-0;UseServerSidePrepare=1"_s);
}

// Written under the Italian locale: literals never take a decimal comma.
TEST(SqlValore, shouldWriteLiteralsOfEveryTypeWhateverTheMachineLocale) {
    std::setlocale(LC_ALL, "it_IT.UTF-8");
    QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    EXPECT_EQ(SqlValore(u"0.25"_s, SqlDoppio), u"0.25"_s);
    EXPECT_EQ(SqlValore(u"L'Aquila"_s, SqlTesto), u"'L''Aquila'"_s);
    EXPECT_EQ(SqlValore(QString(), SqlTesto), u"''"_s);
    EXPECT_EQ(SqlValore(QVariant(), SqlTesto), u"Null"_s);
    EXPECT_EQ(SqlValore(42, SqlIntero), u"42"_s);
    // Whole numbers of every width, at their ends, as the written-in values of queued writes carry them.
    EXPECT_EQ(SqlValore(std::numeric_limits<qint64>::min(), SqlLungo), u"-9223372036854775808"_s);
    EXPECT_EQ(SqlValore(std::numeric_limits<quint64>::max(), SqlLungo), u"18446744073709551615"_s);
    EXPECT_EQ(SqlValore(QVariant::fromValue(short(-7)), SqlIntero), u"-7"_s);
    EXPECT_EQ(SqlValore(QVariant::fromValue(4294967295u), SqlLungo), u"4294967295"_s);
    EXPECT_EQ(SqlValore(true, SqlIntero), u"1"_s);
    EXPECT_EQ(SqlValore(u" 42 "_s, SqlLungo), u"42"_s);
    EXPECT_EQ(SqlValore(u""_s, SqlLungo), u"Null"_s);
    EXPECT_EQ(SqlValore(1234.5, SqlDoppio), u"1234.5"_s);
    EXPECT_EQ(SqlValore(QVariant::fromValue(Currency::daDecimillesimi(-5)), SqlValuta), u"-0.0005"_s);
    EXPECT_EQ(SqlValore(u"1234.50"_s, SqlValuta), u"1234.5000"_s);
    EXPECT_EQ(SqlValore(QDate(2024, 1, 31), SqlData), u"'2024-01-31 00:00:00'"_s);
    EXPECT_EQ(SqlValore(u"01/01/100"_s, SqlData), u"'0100-01-01 00:00:00'"_s);
    EXPECT_THROW(SqlValore(u"12,5"_s, SqlValuta), std::invalid_argument);
    EXPECT_THROW(SqlValore(u"1; DROP"_s, SqlLungo), std::invalid_argument);
    EXPECT_THROW(SqlValore(u"31/02/2024"_s, SqlData), std::invalid_argument);
    EXPECT_THROW(SqlValore(1.5, SqlIntero), std::invalid_argument);
    EXPECT_TRUE(IsVuoto(u"   "_s));
    EXPECT_TRUE(IsVuoto(QVariant()));
    EXPECT_FALSE(IsVuoto(0));
    QLocale::setDefault(QLocale::c());
    std::setlocale(LC_ALL, "C");
}

TEST(ErroriBatch, shouldKeepThirtyErrorsThenMarkAndOnlyCount) {
    ErroriBatch e;
    e.AccodaErrore(5, u"primo"_s);
    EXPECT_EQ(e.testo(), u"\r\nErrore n°5 : primo"_s);
    for (int i = 2; i <= 30; ++i)
        e.AccodaErrore(i, u"x"_s);
    const QString trenta = e.testo();
    e.AccodaErrore(31, u"trentunesimo"_s);
    EXPECT_EQ(e.testo(), trenta + u"\r\n.............."_s);
    e.AccodaErrore(32, u"trentaduesimo"_s);
    e.AccodaErrore(33, u"trentatreesimo"_s);
    EXPECT_EQ(e.testo(), trenta + u"\r\n.............."_s);
    EXPECT_EQ(e.conteggio(), 33);
    EXPECT_EQ(e.testo().count(u"Errore n°"_s), 30);
}

} // namespace

namespace {

TEST(InterazioneNonPresidiata, shouldAnswerWithTheFirstAnswerUnlessTold) {
    InterazioneNonPresidiata senzaUtente;
    EXPECT_EQ(msgCom(senzaUtente, u"Continuare?"_s, u"&Ok"_s, u"&Annulla"_s), 1);
    EXPECT_EQ(msgCom(senzaUtente, u"In uso"_s, u"Riprova"_s, u"Esci"_s), 2);
    EXPECT_EQ(msgCom(senzaUtente, u"Connessione"_s, u"&Annulla"_s, u"&Riprovare"_s), 1);
    senzaUtente.rispondi(u"riprova"_s);
    EXPECT_EQ(msgCom(senzaUtente, u"In uso"_s, u"Riprova"_s, u"Esci"_s), 1);
    senzaUtente.rispondi(u"Annulla"_s);
    EXPECT_EQ(msgCom(senzaUtente, u"Sovrascrivere?"_s, u"&Sì"_s, u"&No"_s, u"&Annulla"_s), 3);
}

} // namespace
