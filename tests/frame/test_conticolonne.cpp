#include "frame/codiceconto.h"
#include "frame/database.h"
#include "schema/schema.h"
#include "support/dbprova.h"

using namespace Qt::StringLiterals;
using namespace tesel;
using schema::DichiarazioneConti;

namespace {

// The account columns behave alike whether the database declares them as texts or as numbers.
class ContiColonne : public prova::ConDatabase, public ::testing::WithParamInterface<DichiarazioneConti> {
protected:
    bool numerici() const { return GetParam() == DichiarazioneConti::Numeri; }

    void creaPiano() {
        schema::creaSchema(db(), {*schema::trovaTabella(schema::tabelleAzienda(), u"PianoConti"_s)},
                           GetParam());
    }

    void inserisci(const CodiceConto& c, const QString& descrizione) {
        db().EseguiConValori(
            u"INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione) VALUES (?, ?, ?, ?, ?)"_s,
            {CodiceConto::valoreParte(c.gruppo, numerici()), CodiceConto::valoreParte(c.mastro, numerici()),
             CodiceConto::valoreParte(c.conto, numerici()), c.completo() ? 1 : 0, descrizione});
    }

    // The descriptions of the accounts a condition finds, in the chart's order.
    QString trovati(const QString& condizione, const QVariantList& valori = {}) {
        QStringList d;
        Recordset rs = db().ApriRs(u"SELECT Descrizione FROM PianoConti WHERE "_s + condizione +
                                       u" ORDER BY Gruppo, Mastro, Conto"_s,
                                   valori);
        for (; !rs.RsEof(); rs.RsMoveNext())
            d << rs.leggiTesto(u"Descrizione"_s);
        return d.join(u',');
    }
};

TEST_P(ContiColonne, shouldFindTheSameAccountsByBoundValuesLiteralsAndEmptyParts) {
    creaPiano();
    EXPECT_EQ(db().contiNumerici(), numerici());
    inserisci({u"40"_s, {}, {}}, u"gruppo"_s);
    inserisci({u"40"_s, u"10"_s, u"1001"_s}, u"fornitore"_s);
    inserisci({u"40"_s, u"10"_s, u"999"_s}, u"piccolo"_s);
    const CodiceConto f(u"40"_s, u"10"_s, u"1001"_s);
    // The same account, read back as each declaration gives it.
    Recordset rs =
        db().ApriRs(u"SELECT Gruppo, Mastro, Conto FROM PianoConti WHERE Descrizione = 'fornitore'"_s);
    EXPECT_EQ(CodiceConto(CodiceConto::parteLetta(rs.LeggiCampo(u"Gruppo"_s)),
                          CodiceConto::parteLetta(rs.LeggiCampo(u"Mastro"_s)),
                          CodiceConto::parteLetta(rs.LeggiCampo(u"Conto"_s))),
              f);
    EXPECT_EQ(
        CodiceConto::parteLetta(db().valore(u"SELECT Mastro FROM PianoConti WHERE Descrizione = 'gruppo'"_s)),
        QString());
    const QString perParti = u"Gruppo = ? AND Mastro = ? AND Conto = ?"_s;
    EXPECT_EQ(trovati(perParti, {f.gruppo, f.mastro, f.conto}), u"fornitore"_s);
    EXPECT_EQ(trovati(u"Gruppo = "_s + SqlValore(f.gruppo, SqlTesto) + u" AND Conto = "_s +
                      SqlValore(f.conto, SqlTesto)),
              u"fornitore"_s);
    // Headings are found by their empty parts, and only they.
    EXPECT_EQ(trovati(CodiceConto::parteVuotaSql(u"Mastro"_s) + u" AND "_s +
                      CodiceConto::parteVuotaSql(u"Conto"_s)),
              u"gruppo"_s);
    EXPECT_EQ(trovati(u"length(trim("_s + CodiceConto::colonnaComeTesto(u"Conto"_s) + u")) = 3"_s),
              u"piccolo"_s);
    // A number has no leading zeros: "0999" is account 999 there, and another account in text.
    EXPECT_EQ(trovati(perParti, {u"40"_s, u"10"_s, u"0999"_s}), numerici() ? u"piccolo"_s : QString());
    // What the user types, looked up: letters name no account of a chart of numbers and never
    // reach the server there; leading zeros name the number; a partial account its parts.
    const auto cerca = [&](const CodiceConto& c) {
        const auto dove = c.condizioneSql(numerici());
        return dove ? trovati(*dove) : u"-"_s;
    };
    EXPECT_EQ(cerca(f), u"fornitore"_s);
    EXPECT_EQ(cerca({u"40"_s, u"10"_s, u"0999"_s}), numerici() ? u"piccolo"_s : QString());
    EXPECT_EQ(cerca({u"4O"_s, u"10"_s, u"1001"_s}), numerici() ? u"-"_s : QString());
    EXPECT_EQ(cerca({u"40"_s, u"10"_s, {}}), numerici() ? u"piccolo,fornitore"_s : u"fornitore,piccolo"_s);
    EXPECT_EQ(cerca({u"40"_s, {}, u"1001"_s}), QString());
    EXPECT_EQ(cerca({}), u"-"_s);
    // Numbers order as numbers, texts as texts.
    EXPECT_EQ(trovati(u"Tipo = 1"_s), numerici() ? u"piccolo,fornitore"_s : u"fornitore,piccolo"_s);
}

TEST_P(ContiColonne, shouldGiveNewTablesTheChartsDeclarationAndRefuseTheOther) {
    creaPiano();
    schema::creaSchema(db(), {*schema::trovaTabella(schema::tabelleAzienda(), u"ArticoliFor"_s)});
    db().EseguiSql(
        u"INSERT INTO ArticoliFor (GruppoFor, MastroFor, ContoFor, ArticoloFor) VALUES ('40', '10', '0007', 'A')"_s);
    EXPECT_EQ(CodiceConto::parteLetta(db().valore(u"SELECT ContoFor FROM ArticoliFor"_s)),
              numerici() ? u"7"_s : u"0007"_s);
    const auto altra = numerici() ? DichiarazioneConti::Testo : DichiarazioneConti::Numeri;
    EXPECT_THROW(schema::creaSchema(db(), schema::tabelleAzienda(), altra), ErroreDb);
    EXPECT_FALSE(db().esisteTabella(u"FatXmlTest"_s));
}

INSTANTIATE_TEST_SUITE_P(Dichiarazioni, ContiColonne,
                         ::testing::Values(DichiarazioneConti::Testo, DichiarazioneConti::Numeri),
                         [](const auto& i) {
                             return i.param == DichiarazioneConti::Numeri ? "numeri" : "testo";
                         });

} // namespace
