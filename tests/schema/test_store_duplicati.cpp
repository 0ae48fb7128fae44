// The import finds a repeated file or Hub document through the duplicate-key failure of the
// header insert: these run on the real store tables of both engines.

#include "frame/database.h"
#include "support/dbprova.h"

using namespace tesel;

namespace {

class StoreDuplicati : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (!IsSkipped())
            creaSchemaAzienda();
    }
    // Adds a header as the import does, through a recordset opened on an empty selection.
    void aggiungi(int numero, const QVariant& nomeFile, const QVariant& idHub) {
        Recordset rs = db().ApriRs(
            QStringLiteral("Select * from FatXmlTest Where XmlAnno = -9999 And XmlNumRif = -9999"));
        rs.RsAddNew();
        rs.ScriviCampo(QStringLiteral("XmlAnno"), 2024);
        rs.ScriviCampo(QStringLiteral("XmlNumRif"), numero);
        rs.ScriviCampo(QStringLiteral("NomeFile"), nomeFile);
        rs.ScriviCampo(QStringLiteral("FEIDHub"), idHub);
        rs.RsUpdate();
    }
    int errore(int numero, const QVariant& nomeFile, const QVariant& idHub) {
        try {
            aggiungi(numero, nomeFile, idHub);
            return 0;
        } catch (const ErroreDb& e) {
            return e.numero();
        }
    }
};

TEST_F(StoreDuplicati, shouldRefuseASecondHeaderOfTheSameFileHubDocumentOrKey) {
    aggiungi(1, QStringLiteral("IT01234567890_00001.xml"), QStringLiteral("HUB-1"));
    EXPECT_EQ(errore(2, QStringLiteral("IT01234567890_00001.xml"), QString()), ErrChiaveDuplicata);
    EXPECT_EQ(errore(3, QStringLiteral("IT01234567890_00002.xml"), QStringLiteral("HUB-1")),
              ErrChiaveDuplicata);
    EXPECT_EQ(errore(1, QStringLiteral("IT01234567890_00003.xml"), QString()), ErrChiaveDuplicata);
    // Headers without a Hub identifier, empty or null, never collide with each other.
    EXPECT_EQ(errore(4, QStringLiteral("a.xml"), QString()), 0);
    EXPECT_EQ(errore(5, QStringLiteral("b.xml"), QString()), 0);
    EXPECT_EQ(errore(6, QStringLiteral("c.xml"), QVariant()), 0);
    EXPECT_EQ(db().valore(QStringLiteral("SELECT count(*) FROM FatXmlTest")).toInt(), 4);
}

} // namespace
