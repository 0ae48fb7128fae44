// The store operations on the real store tables of the engine chosen for the run.

#include "frame/currency.h"
#include "frame/data.h"
#include "schema/schema.h"
#include "store/store.h"
#include "support/dbprova.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace tesel;

namespace {

// ---- The block table -----------------------------------------------------------------------

TEST(BlocchiDatiGen, shouldNameOnlyPrefixesThatTheStoreTableHasColumnsFor) {
    schema::Tabella datiGen;
    for (auto& t : schema::tabelleStore())
        if (t.nome == store::FatXmlDatiGen)
            datiGen = t;
    ASSERT_FALSE(datiGen.colonne.empty());
    for (const auto& b : BlocchiDatiGen) {
        int colonne = 0;
        for (const auto& c : datiGen.colonne)
            if (c.nome.startsWith(b.prefisso))
                ++colonne;
        EXPECT_GE(colonne, 1) << b.prefisso.data();
    }
}

// ---- Operations ----------------------------------------------------------------------------

class Store : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (!IsSkipped())
            schema::creaSchema(db(), schema::tabelleStore());
    }

    void testata(int anno, int numero, const QString& nomeFile = {}, const QVariant& idHub = {}) {
        Recordset rs = apriPerInserimento(db(), store::FatXmlTest);
        ASSERT_TRUE(rs.RsVuoto());
        rs.RsAddNew();
        rs.ScriviCampo(store::XmlAnno, anno);
        rs.ScriviCampo(store::XmlNumRif, numero);
        rs.ScriviCampo(store::NomeFile,
                       nomeFile.isEmpty() ? u"F%1_%2.xml"_s.arg(anno).arg(numero) : nomeFile);
        rs.ScriviCampo(store::FEIDHub, idHub);
        rs.RsUpdate();
    }

    // A row of one of the four row tables, with its extra key columns and values.
    void riga(QLatin1String tabella, int anno, int numero,
              std::initializer_list<std::pair<QString, QVariant>> campi) {
        Recordset rs = apriPerInserimento(db(), tabella);
        ASSERT_TRUE(rs.RsVuoto());
        rs.RsAddNew();
        rs.ScriviCampo(store::XmlAnno, anno);
        rs.ScriviCampo(store::XmlNumRif, numero);
        for (const auto& [campo, valore] : campi)
            rs.ScriviCampo(campo, valore);
        rs.RsUpdate();
    }

    // An invoice with rows in every table.
    void fatturaCompleta(int anno, int numero) {
        testata(anno, numero);
        riga(store::FatXmlDett, anno, numero, {{"XmlRigDet", 1}, {"Descrizione", "Carta"}});
        riga(store::FatXmlDett, anno, numero, {{"XmlRigDet", 2}, {"Descrizione", "Toner"}});
        riga(store::FatXmlIva, anno, numero, {{"XmlRigDet", 1}, {"AliquotaIVA", 22}});
        riga(store::FatXmlPag, anno, numero, {{"XmlRigDet", 1}, {"NumCond", 1}});
        riga(store::FatXmlDatiGen, anno, numero,
             {{"XMLIdent", "DatiDDT"}, {"XmlRigDet", 0}, {"XmlNumEle", 1}, {"DGD_DDT_NumeroDDT", "7"}});
    }

    // Rows of each table for one invoice, as "table=count" in deletion order.
    QString conteggi(int anno, int numero) {
        QStringList parti;
        for (QLatin1String t : store::TabelleInOrdineDiCancellazione)
            parti << u"%1=%2"_s.arg(t).arg(
                db().valore(u"SELECT count(*) FROM %1 WHERE XmlAnno = %2 AND XmlNumRif = %3"_s.arg(t)
                                .arg(anno)
                                .arg(numero))
                    .toInt());
        return parti.join(u' ');
    }

    QStringList fileTrovati(const QString& nomeFile, const QString& idHub) {
        QStringList nomi;
        Recordset rs = trovaPerFileOHub(db(), nomeFile, idHub);
        for (; !rs.RsEof(); rs.RsMoveNext())
            nomi << rs.leggiTesto(store::NomeFile);
        nomi.sort();
        return nomi;
    }
};

TEST_F(Store, shouldNumberEachYearFromOneAndAfterItsHighestNumber) {
    EXPECT_EQ(ProssimoNumeroFattura(db(), 2024), 1);
    testata(2024, 1);
    testata(2024, 7);
    testata(2024, 3); // the highest number counts, not the last written
    testata(2023, 12);
    EXPECT_EQ(ProssimoNumeroFattura(db(), 2024), 8);
    EXPECT_EQ(ProssimoNumeroFattura(db(), 2023), 13);
    EXPECT_EQ(ProssimoNumeroFattura(db(), 2025), 1);
}

TEST_F(Store, shouldFindHeadersByFileNameOrByHubIdentifierWhenOneIsGiven) {
    testata(2024, 1, "a.xml", "HUB-1");
    testata(2024, 2, "b.xml", "HUB-2");
    // A header without a Hub identifier must not match a search without one.
    testata(2024, 3, "c.xml", "");
    testata(2024, 4, "l'ultima.xml", {});

    EXPECT_EQ(fileTrovati("a.xml", ""), QStringList({"a.xml"}));
    EXPECT_EQ(fileTrovati("a.xml", "HUB-2"), QStringList({"a.xml", "b.xml"}));
    EXPECT_EQ(fileTrovati("z.xml", "HUB-1"), QStringList({"a.xml"}));
    EXPECT_EQ(fileTrovati("z.xml", ""), QStringList());
    EXPECT_EQ(fileTrovati("l'ultima.xml", ""), QStringList({"l'ultima.xml"}));
    EXPECT_EQ(fileTrovati("A.XML", ""), QStringList());
}

TEST_F(Store, shouldDeleteTheRowsOfOneInvoiceFromAllFiveTablesAndNothingElse) {
    fatturaCompleta(2024, 1);
    fatturaCompleta(2024, 2);
    fatturaCompleta(2023, 1);
    const QString intatta = u"FatXmlDatiGen=1 FatXmlPag=1 FatXmlDett=2 FatXmlIva=1 FatXmlTest=1"_s;
    ASSERT_EQ(conteggi(2024, 1), intatta);

    cancellaFattura(db(), 2024, 1);

    EXPECT_EQ(conteggi(2024, 1), u"FatXmlDatiGen=0 FatXmlPag=0 FatXmlDett=0 FatXmlIva=0 FatXmlTest=0"_s);
    EXPECT_EQ(conteggi(2024, 2), intatta);
    EXPECT_EQ(conteggi(2023, 1), intatta);
}

TEST_F(Store, shouldKeepEveryRowWhenOneOfTheDeletesFails) {
    fatturaCompleta(2024, 1);
    db().EseguiSql(u"DROP TABLE FatXmlIva"_s);
    EXPECT_THROW(cancellaFattura(db(), 2024, 1), ErroreDb);
    for (const char* t : {"FatXmlDatiGen", "FatXmlPag", "FatXmlDett", "FatXmlTest"})
        EXPECT_GT(db().valore(u"SELECT count(*) FROM %1"_s.arg(QLatin1String(t))).toInt(), 0) << t;
}

TEST_F(Store, shouldReadAnInvoiceWithItsRowsInXmlRigDetOrder) {
    testata(2024, 5, "ordine.xml", "HUB-5");
    riga(store::FatXmlDett, 2024, 5, {{"XmlRigDet", 3}, {"Descrizione", "terza"}});
    riga(store::FatXmlDett, 2024, 5,
         {{"XmlRigDet", 1}, {"Descrizione", "prima"}, {"PrezzoTotale", "1234.5"}});
    riga(store::FatXmlDett, 2024, 5, {{"XmlRigDet", 2}, {"Descrizione", "seconda"}});
    riga(store::FatXmlIva, 2024, 5, {{"XmlRigDet", 2}, {"AliquotaIVA", 10}});
    riga(store::FatXmlIva, 2024, 5, {{"XmlRigDet", 1}, {"AliquotaIVA", 22}});
    riga(store::FatXmlPag, 2024, 5,
         {{"XmlRigDet", 2}, {"NumCond", 2}, {"DataScadenzaPagamento", QDate(2024, 6, 30)}});
    riga(store::FatXmlPag, 2024, 5,
         {{"XmlRigDet", 1}, {"NumCond", 1}, {"DataScadenzaPagamento", QDate(2024, 5, 31)}});
    riga(store::FatXmlDatiGen, 2024, 5,
         {{"XMLIdent", "AltriDatiGestionali"}, {"XmlRigDet", 2}, {"XmlNumEle", 1}});
    riga(store::FatXmlDatiGen, 2024, 5, {{"XMLIdent", "CodiceArticolo"}, {"XmlRigDet", 2}, {"XmlNumEle", 1}});
    riga(store::FatXmlDatiGen, 2024, 5, {{"XMLIdent", "DatiDDT"}, {"XmlRigDet", 0}, {"XmlNumEle", 2}});
    riga(store::FatXmlDatiGen, 2024, 5, {{"XMLIdent", "DatiDDT"}, {"XmlRigDet", 0}, {"XmlNumEle", 1}});
    riga(store::FatXmlDatiGen, 2024, 5,
         {{"XMLIdent", "DatiOrdineAcquisto"}, {"XmlRigDet", 0}, {"XmlNumEle", 1}});
    // another invoice's rows stay out
    fatturaCompleta(2024, 6);

    const FatturaStore f = leggiFattura(db(), 2024, 5);
    ASSERT_TRUE(f.testata.has_value());
    EXPECT_EQ(f.testata->testo(store::NomeFile), u"ordine.xml"_s);
    EXPECT_EQ(f.testata->testo(u"feidhub"), u"HUB-5"_s);
    EXPECT_TRUE(f.testata->haColonna(u"CP_DA_IdFiscaleIVA_IdCodice"));

    auto elenco = [](const std::vector<RigaStore>& righe, auto testo) {
        QStringList l;
        for (const auto& r : righe)
            l << testo(r);
        return l.join(u' ');
    };
    EXPECT_EQ(elenco(f.dettaglio, [](const RigaStore& r) { return r.testo(u"Descrizione"); }),
              u"prima seconda terza"_s);
    EXPECT_EQ(f.dettaglio[0].valuta(u"PrezzoTotale"), Currency::daDecimillesimi(12345000));
    EXPECT_EQ(elenco(f.iva, [](const RigaStore& r) { return r.testo(u"XmlRigDet"); }), u"1 2"_s);
    EXPECT_EQ(
        elenco(f.pagamenti, [](const RigaStore& r) { return testoData(*r.data(u"DataScadenzaPagamento")); }),
        u"31/05/2024 30/06/2024"_s);
    EXPECT_EQ(elenco(f.datiGen,
                     [](const RigaStore& r) {
                         return u"%1/%2/%3"_s.arg(r.testo(store::XmlRigDet), r.testo(store::XMLIdent),
                                                  r.testo(store::XmlNumEle));
                     }),
              QStringLiteral("0/DatiOrdineAcquisto/1 0/DatiDDT/1 0/DatiDDT/2 2/CodiceArticolo/1 "
                             "2/AltriDatiGestionali/1"));
}

TEST_F(Store, shouldReadNothingForAnInvoiceThatIsNotStored) {
    fatturaCompleta(2024, 1);
    const FatturaStore f = leggiFattura(db(), 2024, 2);
    EXPECT_FALSE(f.testata.has_value());
    EXPECT_TRUE(f.dettaglio.empty());
    EXPECT_TRUE(f.iva.empty());
    EXPECT_TRUE(f.pagamenti.empty());
    EXPECT_TRUE(f.datiGen.empty());
}

} // namespace
