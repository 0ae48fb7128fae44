// The review engine on a company database holding two invoices with rows in every store
// table and journal headers that refer to them: each operation changes exactly the rows it
// is about, on the engine chosen for the run.

#include "frame/database.h"
#include "review/revisione.h"
#include "support/dbprova.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>
#include <set>

namespace tesel::review {
namespace {

const ChiaveFattura A{2024, 1};
const ChiaveFattura B{2024, 2};

using Righe = std::set<QString>;

class Revisione : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaSchemaAzienda();
        for (const ChiaveFattura& f : {A, B})
            semina(f);
    }

    // A header, two lines, a VAT and a payment row, a document block (a DDT), the article
    // codes of both lines and a further datum of line 1; a journal header of each kind.
    void semina(ChiaveFattura f) {
        const QString k = QStringLiteral("%1, %2").arg(f.anno).arg(f.numero);
        const QStringList sql{
            "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif) VALUES (" + k + ")",
            "INSERT INTO FatXmlDett (XmlAnno, XmlNumRif, XmlRigDet) VALUES (" + k + ", 1)",
            "INSERT INTO FatXmlDett (XmlAnno, XmlNumRif, XmlRigDet) VALUES (" + k + ", 2)",
            "INSERT INTO FatXmlIva (XmlAnno, XmlNumRif, XmlRigDet) VALUES (" + k + ", 1)",
            "INSERT INTO FatXmlPag (XmlAnno, XmlNumRif, XmlRigDet, NumCond) VALUES (" + k + ", 1, 1)",
            "INSERT INTO FatXmlDatiGen (XmlAnno, XmlNumRif, XMLIdent, XmlRigDet, XmlNumEle, "
            "DGD_DDT_NumeroDDT) "
            "VALUES (" +
                k + ", 'DatiDDT', 0, 1, 'D1')",
            "INSERT INTO FatXmlDatiGen (XmlAnno, XmlNumRif, XMLIdent, XmlRigDet, XmlNumEle) VALUES (" + k +
                ", 'CodiceArticolo', 1, 1)",
            "INSERT INTO FatXmlDatiGen (XmlAnno, XmlNumRif, XMLIdent, XmlRigDet, XmlNumEle) VALUES (" + k +
                ", 'AltriDatiGestionali', 1, 1)",
            "INSERT INTO FatXmlDatiGen (XmlAnno, XmlNumRif, XMLIdent, XmlRigDet, XmlNumEle) VALUES (" + k +
                ", 'CodiceArticolo', 2, 1)",
        };
        for (const QString& s : sql)
            db().EseguiSql(s);
        for (const char* t : {"MovPnTes", "MovPnTesFatt", "MovPnTesFitt"})
            db().EseguiSql(
                QStringLiteral("INSERT INTO %1 (Anno, NumReg, XmlAnno, XmlNumRif) VALUES (2024, %2, %3)")
                    .arg(QLatin1String(t))
                    .arg(f.numero)
                    .arg(k));
    }

    // Every row of the tables an invoice owns or is referred to by, as "table key [DDT number]".
    Righe righe() {
        Righe r;
        const auto leggi = [&](const QString& tabella, const QStringList& colonne) {
            Recordset rs = db().ApriRs("SELECT " + colonne.join(", ") + " FROM " + tabella);
            for (; !rs.RsEof(); rs.RsMoveNext()) {
                QStringList valori{tabella};
                for (const QString& c : colonne)
                    valori << rs.leggiTesto(c).trimmed();
                r.insert(valori.join(u' ').trimmed());
            }
        };
        leggi("FatXmlTest", {"XmlAnno", "XmlNumRif"});
        for (const char* t : {"FatXmlDett", "FatXmlIva", "FatXmlPag"})
            leggi(QLatin1String(t), {"XmlAnno", "XmlNumRif", "XmlRigDet"});
        leggi("FatXmlDatiGen",
              {"XmlAnno", "XmlNumRif", "XmlRigDet", "XMLIdent", "XmlNumEle", "DGD_DDT_NumeroDDT"});
        for (const char* t : {"MovPnTes", "MovPnTesFatt", "MovPnTesFitt"})
            leggi(QLatin1String(t), {"NumReg", "XmlAnno", "XmlNumRif"});
        return r;
    }
};

// What an operation must take away and add; everything else stays as seeded.
struct Caso {
    const char* nome;
    std::function<int(Database&)> operazione; // its answer, where it has one
    int risposta;
    Righe tolte, aggiunte;
};

std::vector<Caso> casi() {
    const auto righeDiA = [](const QString& chiave) {
        return Righe{"FatXmlDett " + chiave + " 1",
                     "FatXmlDett " + chiave + " 2",
                     "FatXmlIva " + chiave + " 1",
                     "FatXmlPag " + chiave + " 1",
                     "FatXmlDatiGen " + chiave + " 0 DatiDDT 1 D1",
                     "FatXmlDatiGen " + chiave + " 1 CodiceArticolo 1",
                     "FatXmlDatiGen " + chiave + " 1 AltriDatiGestionali 1",
                     "FatXmlDatiGen " + chiave + " 2 CodiceArticolo 1",
                     "MovPnTes 1 " + chiave,
                     "MovPnTesFatt 1 " + chiave,
                     "MovPnTesFitt 1 " + chiave};
    };
    return {
        {"aNewKeyTakesEveryRowButTheHeaderAlong",
         [](Database& db) {
             return spostaRigheFattura(db, A, {2025, 50}), 0;
         },
         0, righeDiA("2024 1"), righeDiA("2025 50")},
        {"aDeletedLineTakesItsOwnBlocksOnly", [](Database& db) { return cancellaBlocchiRiga(db, A, 1), 0; },
         0, Righe{"FatXmlDatiGen 2024 1 1 CodiceArticolo 1", "FatXmlDatiGen 2024 1 1 AltriDatiGestionali 1"},
         Righe{}},
        {"aCorrectedOtherDataRowIsTheOnlyOneWritten",
         [](Database& db) {
             return aggiornaRigaDatiGen(db, {A, "DatiDDT", 0, 1},
                                        {{"DGD_DDT_NumeroDDT", QStringLiteral("D9")}});
         },
         1, Righe{"FatXmlDatiGen 2024 1 0 DatiDDT 1 D1"}, Righe{"FatXmlDatiGen 2024 1 0 DatiDDT 1 D9"}},
        {"aRowGoneMeanwhileWritesNothingAndSaysSo",
         [](Database& db) {
             return aggiornaRigaDatiGen(db, {A, "DatiDDT", 0, 2},
                                        {{"DGD_DDT_NumeroDDT", QStringLiteral("D9")}});
         },
         0, Righe{}, Righe{}},
    };
}

class Operazione : public Revisione, public ::testing::WithParamInterface<Caso> {};

TEST_P(Operazione, changesExactlyItsRows) {
    const Caso& c = GetParam();
    Righe attese = righe();
    for (const QString& r : c.tolte)
        ASSERT_EQ(attese.erase(r), 1u) << r.toStdString();
    attese.insert(c.aggiunte.begin(), c.aggiunte.end());
    EXPECT_EQ(c.operazione(db()), c.risposta);
    EXPECT_EQ(righe(), attese);
}

INSTANTIATE_TEST_SUITE_P(Revisione, Operazione, ::testing::ValuesIn(casi()),
                         [](const auto& info) { return std::string(info.param.nome); });

TEST_F(Revisione, aKeyChangeRefusedByTheDatabaseLeavesEveryRowWhereItWas) {
    // A's lines, VAT and payment rows could move onto B's key; its other data cannot.
    for (const char* t : {"FatXmlDett", "FatXmlIva", "FatXmlPag"})
        db().EseguiSql(QStringLiteral("DELETE FROM %1 WHERE XmlNumRif = 2").arg(QLatin1String(t)));
    const Righe prima = righe();
    EXPECT_THROW(spostaRigheFattura(db(), A, B), ErroreDb);
    EXPECT_EQ(righe(), prima);
}

// Neighbours among four invoices, in ascending or descending order, with or without a filter.
struct Vicino {
    QString ordine, condizione;
    ChiaveFattura da;
    int passo;
    std::optional<ChiaveFattura> atteso;
};

class Vicini : public Revisione, public ::testing::WithParamInterface<Vicino> {};

TEST_P(Vicini, followTheListsOrderAndStopAtItsEnds) {
    for (const ChiaveFattura& f : {ChiaveFattura{2024, 3}, ChiaveFattura{2025, 1}})
        db().EseguiSql(QStringLiteral("INSERT INTO FatXmlTest (XmlAnno, XmlNumRif) VALUES (%1, %2)")
                           .arg(f.anno)
                           .arg(f.numero));
    const Vicino& v = GetParam();
    const auto k = chiaveVicina(db(), {"FatXmlTest", v.condizione, {"XmlAnno", "XmlNumRif"}, v.ordine},
                                {v.da.anno, v.da.numero}, v.passo);
    ASSERT_EQ(k.has_value(), v.atteso.has_value());
    if (k) {
        EXPECT_EQ((ChiaveFattura{k->value(0).toInt(), k->value(1).toInt()}), *v.atteso);
    }
}

const QString Crescente = QStringLiteral("XmlAnno, XmlNumRif");
const QString Decrescente = QStringLiteral("XmlAnno DESC, XmlNumRif DESC");

INSTANTIATE_TEST_SUITE_P(
    Revisione, Vicini,
    ::testing::Values(Vicino{Crescente, {}, B, 1, ChiaveFattura{2024, 3}}, Vicino{Crescente, {}, B, -1, A},
                      Vicino{Crescente, {}, B, 2, ChiaveFattura{2025, 1}}, Vicino{Crescente, {}, B, 3, {}},
                      Vicino{Crescente, {}, B, -2, {}},
                      Vicino{Decrescente, {}, ChiaveFattura{2025, 1}, 1, ChiaveFattura{2024, 3}},
                      Vicino{Crescente, "XmlNumRif <> 2", A, 1, ChiaveFattura{2024, 3}},
                      Vicino{Crescente, "XmlNumRif <> 2", B, 1, {}}));

} // namespace
} // namespace tesel::review

namespace tesel::review {
namespace {

TEST(Coordinate, anIbanPassesItsMod97CheckAndAbiAndCabAreFiveDigits) {
    struct Caso {
        const char* colonna;
        const char* valore;
        const char* errore;
    };
    for (const Caso& c : {
             Caso{"IBAN", "IT60X0542811101000000123456", ""},
             Caso{"IBAN", "it60 x054 2811 1010 0000 0123 456", ""}, // as printed, in lower case
             Caso{"IBAN", "DE89370400440532013000", ""},
             Caso{"IBAN", "IT61X0542811101000000123456", "IBAN non valido: cifre di controllo errate"},
             Caso{"IBAN", "IT60X054281110100000012345", "IBAN non valido: un IBAN italiano ha 27 caratteri"},
             Caso{"IBAN", "0060X0542811101000000123456", "IBAN non valido"},
             Caso{"IBAN", "IT60X05428111010000001234_6", "IBAN non valido"},
             Caso{"IBAN", "", ""},
             Caso{"ABI", "05428", ""},
             Caso{"ABI", "0542A", "ABI non valido: cinque cifre"},
             Caso{"CAB", "1101", "CAB non valido: cinque cifre"},
             Caso{"BIC", "BPPIITRR", ""},
         }) {
        EXPECT_EQ(erroreCoordinata(QLatin1String(c.colonna), QString::fromUtf8(c.valore)).toStdString(),
                  c.errore)
            << c.colonna << " " << c.valore;
    }
}

} // namespace
} // namespace tesel::review
