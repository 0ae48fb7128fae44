// A database made by an older version keeps its rows and gets the indexes of this one, the
// replaced ones dropped, on both engines.

#include "frame/database.h"
#include "schema/schema.h"
#include "support/dbprova.h"

#include <QSet>

using namespace tesel;

namespace {

class IndiciStore : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (!IsSkipped())
            creaSchemaAzienda();
    }
    QSet<QString> indiciTestate() {
        const QString sql =
            db().dialetto() == Dialetto::SQLite
                ? QStringLiteral("SELECT lower(name) AS n FROM sqlite_master WHERE type = 'index' AND "
                                 "lower(tbl_name) = 'fatxmltest'")
                : QStringLiteral("SELECT lower(indexname) AS n FROM pg_indexes WHERE schemaname = "
                                 "current_schema() AND tablename = 'fatxmltest'");
        QSet<QString> nomi;
        for (Recordset rs = db().ApriRs(sql); !rs.RsEof(); rs.RsMoveNext())
            nomi.insert(rs.LeggiCampo(QStringLiteral("n")).toString());
        return nomi;
    }
};

TEST_F(IndiciStore, shouldPutTheDayAndNumberIndexInPlaceOfTheDayIndexOfAnOlderDatabase) {
    // The headers' index as an older version made it: on the day alone. (A test's schema on
    // the server is a copy whose indexes have names of the server's choosing.)
    db().EseguiSql(QStringLiteral("DROP INDEX IF EXISTS FatXmlTest_DataNumero"));
    db().EseguiSql(QStringLiteral("CREATE INDEX FatXmlTest_DataDoc ON FatXmlTest (DGD_Data)"));
    db().EseguiSql(
        QStringLiteral("INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DGD_Numero) VALUES (2024, 1, 'A/1')"));

    schema::creaSchema(db(), schema::tabelleAzienda());
    QSet<QString> nomi = indiciTestate();
    EXPECT_TRUE(nomi.contains(QStringLiteral("fatxmltest_datanumero")));
    EXPECT_FALSE(nomi.contains(QStringLiteral("fatxmltest_datadoc")));
    EXPECT_EQ(db().valore(QStringLiteral("SELECT DGD_Numero FROM FatXmlTest")).toString(),
              QStringLiteral("A/1"));

    // Once in place, making the schema again changes nothing.
    schema::creaSchema(db(), schema::tabelleAzienda());
    EXPECT_EQ(indiciTestate(), nomi);
}

} // namespace
