// What posting writes several rows to a statement and reads once per run: the rows of a long
// registration come back as written, and the master data a run keeps follow what a run may
// change (an account it creates) and what it may not (terms, banks, VAT settlement).

#include "frame/database.h"
#include "posting/contabilizzazione.h"
#include "support/dbprova.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tesel::posting {
namespace {

class RigheInBlocco : public tesel::prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (!IsSkipped())
            creaSchemaAzienda();
    }
};

// More rows than one statement takes, with negative amounts among them at the boundaries of
// the statements: every row once, in its place, on its side, with the header's document data.
TEST_F(RigheInBlocco, shouldWriteEveryRowOfALongRegistrationOnItsSide) {
    TestataPn t;
    t.anno = 2026;
    t.numReg = 7;
    t.preDoc = u"A"_s;
    t.numDoc = u"12"_s;
    t.dataDoc = QDate(2026, 3, 4);
    t.numProt = 3;
    t.dataProt = QDate(2026, 3, 5);
    const int n = 2 * static_cast<int>(RighePerIstruzione) + 3;
    std::vector<RigaPn> righe;
    QStringList attese;
    for (int i = 1; i <= n; ++i) {
        const bool negativa = i % static_cast<int>(RighePerIstruzione) == 0 || i % 7 == 0;
        const Currency c = Currency::daDecimillesimi(i * 10100);
        RigaPn r = rigaConto(i, CodiceConto{u"60"_s, u"10"_s, QString::number(1000 + i), 1},
                             CodiceConto{u"40"_s, u"10"_s, u"1001"_s, 2}, u"D"_s, negativa ? -c : c);
        if (i % 3 == 0) {
            r.iva = u"22"_s;
            r.imposta = Currency::percentuale(r.importo, Currency::daUnita(22), 2, Arrotondamento::A);
        }
        righe.push_back(r);
        attese << u"%1 %1 60-10-%2 %3 %4 %5 A 12 2026-03-04 ./3"_s.arg(i)
                      .arg(1000 + i)
                      .arg(negativa ? u"A"_s : u"D"_s)
                      .arg(c.testoXml())
                      .arg(i % 3 == 0 ? u"22 "_s + r.imposta.assoluto().testoXml() : u"-"_s);
    }

    scriviRighe(db(), t, righe);

    QStringList scritte;
    for (Recordset r =
             db().ApriRs(u"Select * from MovPnDettFatt Where Anno = 2026 And NumReg = 7 Order by RigReg"_s);
         !r.RsEof(); r.RsMoveNext())
        scritte << r.leggiTesto(u"RigReg"_s) + u' ' + r.leggiTesto(u"RigLiv"_s) + u' ' +
                       r.leggiTesto(u"GruppoPartita"_s) + u'-' + r.leggiTesto(u"MastroPartita"_s) + u'-' +
                       r.leggiTesto(u"ContoPartita"_s) + u' ' + r.leggiTesto(u"DareAvere"_s) + u' ' +
                       r.leggiValuta(u"Importo"_s).value_or(Currency()).testoXml() + u' ' +
                       (r.leggiTesto(u"Iva"_s).isEmpty()
                            ? u"-"_s
                            : r.leggiTesto(u"Iva"_s) + u' ' +
                                  r.leggiValuta(u"Imposta"_s).value_or(Currency()).testoXml()) +
                       u' ' + r.leggiTesto(u"PreDoc"_s) + u' ' + r.leggiTesto(u"NumDoc"_s) + u' ' +
                       dataCampo(r, u"DataDoc"_s).toString(Qt::ISODate) + u' ' + r.leggiTesto(u"PreProt"_s) +
                       u'/' + r.leggiTesto(u"NumProt"_s);
    EXPECT_EQ(scritte.join(u'\n').toStdString(), attese.join(u'\n').toStdString());
}

// An account missing at the first look is looked for again (the run may create it); terms,
// banks and the VAT settlement of a year are read once for the whole run.
TEST_F(RigheInBlocco, shouldKeepTheRunsMasterDataButLookAgainForAMissingAccount) {
    AnagraficheLette lette(db());
    const CodiceConto nuovo{u"60"_s, u"10"_s, u"9999"_s, 1};
    EXPECT_EQ(lette.tipoConto(nuovo), 0);
    db().EseguiSql(u"INSERT INTO PianoConti (Gruppo, Mastro, Conto, Descrizione, Tipo) VALUES "
                   "('60', '10', '9999', 'Creato nel lotto', 1)"_s);
    EXPECT_EQ(lette.tipoConto(nuovo), 1);

    db().EseguiSql(
        u"INSERT INTO Pagamenti (Pagamento, Descrizione, PagTipo, Decorrenza, Periodicita, NumScad,"
        " TrattamIva, GiornoFisso, NumGGMM) VALUES ('R30', 'Rimessa a 30', 'RD', 'D', 'G', 1, 'P', 0,"
        " 30)"_s);
    db().EseguiSql(u"INSERT INTO Banche (Banca, Descrizione, Abi, Cab, CCorrente) VALUES "
                   "('B1', 'Banca prova', '03069', '01234', 'C/C 77')"_s);
    db().EseguiSql(u"INSERT INTO IvaRiep (Anno, Attivita, TipoLiq, TipoContabilita) VALUES "
                   "(2026, 'B', 'T', 'S'), (2026, 'A', 'M', 'G')"_s);
    ASSERT_TRUE(lette.termini(u"R30"_s));
    EXPECT_EQ(lette.termini(u"R30"_s)->pagTipo, u"RD"_s);
    EXPECT_EQ(lette.termini(u"R30"_s)->numGGMM, 30);
    EXPECT_FALSE(lette.termini(u"R60"_s));
    ASSERT_TRUE(lette.banca(u"03069"_s, u"01234"_s));
    EXPECT_EQ(lette.banca(u"03069"_s, u"01234"_s)->cCorrente, u"C/C 77"_s);
    EXPECT_FALSE(lette.banca(u"03069"_s, u"09999"_s));
    // The first activity of the year decides.
    EXPECT_EQ(lette.liquidazione(2026).tipoLiq, u"M"_s);
    EXPECT_TRUE(lette.liquidazione(2026).contabilitaOrdinaria);
    EXPECT_EQ(lette.liquidazione(2027).tipoLiq, QString());

    db().EseguiSql(u"DELETE FROM Pagamenti"_s);
    db().EseguiSql(u"DELETE FROM Banche"_s);
    db().EseguiSql(u"UPDATE IvaRiep SET TipoLiq = 'T'"_s);
    EXPECT_TRUE(lette.termini(u"R30"_s));
    EXPECT_TRUE(lette.banca(u"03069"_s, u"01234"_s));
    EXPECT_EQ(lette.liquidazione(2026).tipoLiq, u"M"_s);
}

} // namespace
} // namespace tesel::posting
