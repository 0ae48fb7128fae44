#include "frame/database.h"
#include "schema/demo.h"
#include "schema/schema.h"
#include "support/dbprova.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <gtest/gtest.h>
#include <map>

namespace tesel::schema {
namespace {

// ---------------------------------------------------------------------------------------

class DemoAzienda : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        creaSchemaAzienda();
        popolaDemo(db());
    }

    qint64 conta(const QString& sql) { return db().valore(sql).toLongLong(); }

    std::vector<QStringList> righe(const QString& sql, const QStringList& campi) {
        std::vector<QStringList> out;
        Recordset rs = db().ApriRs(sql);
        while (!rs.RsEof()) {
            QStringList r;
            for (const QString& c : campi)
                r << rs.leggiTesto(c);
            out.push_back(r);
            rs.RsMoveNext();
        }
        return out;
    }

    QString parametro(const QString& nome) {
        return db()
            .valore("SELECT Valore FROM ParametriAzienda WHERE Nome = '" + nome + QChar('\''))
            .toString();
    }

    std::map<QString, qint64> righePerTabella() {
        std::map<QString, qint64> n;
        for (const Tabella& t : tabelleAzienda())
            n[t.nome] = conta("SELECT COUNT(*) FROM " + t.nome);
        return n;
    }
};

// A second seed adds no row and keeps what the user changed; a row the user removed comes back.
TEST_F(DemoAzienda, seedingAgainAddsNoRowAndKeepsTheUsersChanges) {
    const auto prima = righePerTabella();
    db().EseguiSql("UPDATE ParametriAzienda SET Valore = '1002' WHERE Nome = 'CauCon.ContoAcq'");
    db().EseguiSql("UPDATE TabIva SET Descrizione = 'Aliquota ordinaria' WHERE Iva = '22'");
    db().EseguiSql("UPDATE LibriIva SET NumDoc = 57 WHERE TipoReg = 'A' AND Pref = '.'");
    db().EseguiSql("DELETE FROM Pagamenti WHERE Pagamento = 'RD'");

    popolaDemo(db());

    EXPECT_EQ(righePerTabella(), prima);
    EXPECT_EQ(parametro("CauCon.ContoAcq"), "1002");
    EXPECT_EQ(db().valore("SELECT Descrizione FROM TabIva WHERE Iva = '22'").toString(),
              "Aliquota ordinaria");
    EXPECT_EQ(conta("SELECT NumDoc FROM LibriIva WHERE TipoReg = 'A' AND Pref = '.'"), 57);
}

// Every code a demo row refers to exists. `presente` selects the referring rows, the join
// finds the referred row under the alias r.
struct Riferimento {
    const char* nome;
    const char* da;
    const char* presente;
    const char* verso;
    const char* on;
};

const Riferimento riferimenti[] = {
    {"causale concatenata", "Causali c", "c.CausConcatenata IS NOT NULL", "Causali r",
     "r.Causale = c.CausConcatenata"},
    {"causale della ritenuta", "Causali c", "c.CausRit IS NOT NULL", "Causali r", "r.Causale = c.CausRit"},
    {"conto IVA della causale", "Causali c", "c.IvaConto IS NOT NULL", "PianoConti r",
     "r.Gruppo = c.IvaGruppo AND r.Mastro = c.IvaMastro AND r.Conto = c.IvaConto AND r.Tipo = 1"},
    {"contropartita della causale", "Causali c", "c.CoPartConto IS NOT NULL", "PianoConti r",
     "r.Gruppo = c.CoPartGruppo AND r.Mastro = c.CoPartMastro AND r.Conto = c.CoPartConto AND r.Tipo = 1"},
    {"cliente della causale", "Causali c", "c.PartConto IS NOT NULL", "PianoConti r",
     "r.Gruppo = c.PartGruppo AND r.Mastro = c.PartMastro AND r.Conto = c.PartConto AND r.Tipo = 3"},
    {"tipo documento della causale", "Causali c", "c.FATipoDoc IS NOT NULL", "Decodifiche r",
     "r.TipoTab = 'FETipDoc' AND r.Codice = c.FATipoDoc"},
    {"causale del documento", "FattDocumenti c", "c.Causale IS NOT NULL", "Causali r",
     "r.Causale = c.Causale"},
    {"pagamento del fornitore", "PianoConti c", "c.Tipo = 2", "Pagamenti r", "r.Pagamento = c.Pagamento"},
    {"banca del fornitore", "PianoConti c", "c.Tipo = 2 AND c.Banca IS NOT NULL", "Banche r",
     "r.Banca = c.Banca"},
    {"contropartita del fornitore", "PianoConti c", "c.Tipo = 2", "PianoConti r",
     "r.Gruppo = c.GruppoContr AND r.Mastro = c.MastroContr AND r.Conto = c.ContoContr AND r.Tipo = 1"},
    {"codice IVA del fornitore", "PianoConti c", "c.Tipo = 2", "TabIva r", "r.Iva = c.Iva"},
    {"cliente collegato del fornitore", "PianoConti c", "c.ContoCFColl IS NOT NULL", "PianoConti r",
     "r.Gruppo = c.GruppoCFColl AND r.Mastro = c.MastroCFColl AND r.Conto = c.ContoCFColl AND r.Tipo = 3"},
    {"stato del fornitore", "PianoConti c", "c.Tipo = 2", "Stati r", "r.Stato = c.Stato"},
    {"moneta del fornitore", "PianoConti c", "c.Tipo = 2", "Monete r", "r.Moneta = c.Moneta"},
    {"mastro del conto", "PianoConti c", "COALESCE(CAST(c.Conto AS TEXT), '') NOT IN ('', '0')",
     "PianoConti r",
     "r.Gruppo = c.Gruppo AND r.Mastro = c.Mastro AND COALESCE(CAST(r.Conto AS TEXT), '') IN ('', '0')"},
    {"tipo del pagamento", "Pagamenti c", "1 = 1", "PagTipi r", "r.PagTipo = c.PagTipo"},
    {"modalità FatturaPA del tipo pagamento", "PagTipi c", "1 = 1", "Decodifiche r",
     "r.TipoTab = 'FEModPag' AND r.Codice = c.FETipPag"},
    {"condizione FatturaPA del tipo pagamento", "PagTipi c", "1 = 1", "Decodifiche r",
     "r.TipoTab = 'AFETipPag' AND r.Codice = c.AFETipPag"},
    {"natura del codice IVA", "TabIva c", "c.FENatura IS NOT NULL", "Decodifiche r",
     "r.TipoTab = 'FENatura' AND r.Codice = c.FENatura"},
    {"tipo esenzione del codice IVA", "TabIva c", "c.AFEIvaEse IS NOT NULL", "Decodifiche r",
     "r.TipoTab = 'AFEIvaEse' AND r.Codice = c.AFEIvaEse"},
    {"natura del tipo esenzione", "Decodifiche c", "c.TipoTab = 'AFEIvaEse'", "Decodifiche r",
     "r.TipoTab = 'FENatura' AND r.Codice = c.Riferimento"},
    {"conto di acquisto dell'articolo", "Articoli c", "1 = 1", "PianoConti r",
     "r.Gruppo = c.GruppoMerAcq AND r.Mastro = c.MastroMerAcq AND r.Conto = c.ContoMerAcq AND r.Tipo = 1"},
    {"codice IVA dell'articolo", "Articoli c", "c.Iva IS NOT NULL", "TabIva r", "r.Iva = c.Iva"},
    {"fornitore del codice articolo", "ArticoliFor c", "1 = 1", "PianoConti r",
     "r.Gruppo = c.GruppoFor AND r.Mastro = c.MastroFor AND r.Conto = c.ContoFor AND r.Tipo = 2"},
    {"articolo del codice fornitore", "ArticoliFor c", "1 = 1", "Articoli r", "r.Articolo = c.Articolo"},
    {"conto della spesa", "Spese c", "1 = 1", "PianoConti r",
     "r.Gruppo = c.Gruppo AND r.Mastro = c.Mastro AND r.Conto = c.Conto AND r.Tipo = 1"},
    {"tipo documento transcodificato", "TabTrascod c", "c.Tabella = '§TD'", "Decodifiche r",
     "r.TipoTab = 'FETipDoc' AND r.Codice = c.CodExt"},
};

void PrintTo(const Riferimento& r, std::ostream* os) {
    *os << r.nome;
}

class RiferimentiDemo : public DemoAzienda, public ::testing::WithParamInterface<Riferimento> {};

TEST_P(RiferimentiDemo, pointsToAnExistingRow) {
    const Riferimento& r = GetParam();
    const QString da = QString::fromUtf8(r.da);
    EXPECT_GT(conta("SELECT COUNT(*) FROM " + da + " WHERE " + QString::fromUtf8(r.presente)), 0) << r.nome;
    const QString senzaRiga = "SELECT COUNT(*) FROM " + da + " WHERE (" + QString::fromUtf8(r.presente) +
                              ") AND NOT EXISTS (SELECT 1 FROM " + QString::fromUtf8(r.verso) + " WHERE " +
                              QString::fromUtf8(r.on) + QChar(')');
    EXPECT_EQ(conta(senzaRiga), 0) << r.nome;
}

INSTANTIATE_TEST_SUITE_P(Demo, RiferimentiDemo, ::testing::ValuesIn(riferimenti));

TEST_F(DemoAzienda, accountingParametersNameExistingAccountsAndCodes) {
    for (const char* voce : {"Acq", "IvaAcq", "IvaVen", "IvaCassaF", "RitAcc", "Omaggi", "CassaCont"}) {
        const QString g = parametro(QStringLiteral("CauCon.Gruppo%1").arg(voce));
        const QString m = parametro(QStringLiteral("CauCon.Mastro%1").arg(voce));
        const QString c = parametro(QStringLiteral("CauCon.Conto%1").arg(voce));
        EXPECT_EQ(conta("SELECT COUNT(*) FROM PianoConti WHERE Tipo = 1 AND Gruppo = '" + g +
                        "' AND Mastro = '" + m + "' AND Conto = '" + c + QChar('\'')),
                  1)
            << voce;
    }
    for (const char* causale : {"CauCon.CausOmaggi", "CauCon.SaldaCauPagamenti"})
        EXPECT_EQ(conta("SELECT COUNT(*) FROM Causali WHERE Causale = '" + parametro(causale) + QChar('\'')),
                  1)
            << causale;
    EXPECT_EQ(conta("SELECT COUNT(*) FROM Monete WHERE Moneta = '" + parametro("Ditta.Moneta") +
                    "' AND Iso = 'EUR'"),
              1);
}

// The public code tables hold exactly the codes of the official schema.
QSet<QString> codiciXsd(const QString& file, const QString& tipo) {
    QFile f(prova::fileFixture("schemi/php-fatturaelettronica/" + file));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString testo = QString::fromUtf8(f.readAll());
    const QRegularExpression blocco("<xs:simpleType name=\"" + tipo + "\">(.*?)</xs:simpleType>",
                                    QRegularExpression::DotMatchesEverythingOption);
    const QString corpo = blocco.match(testo).captured(1);
    QSet<QString> codici;
    static const QRegularExpression voce(QStringLiteral("<xs:enumeration value=\"([^\"]+)\""));
    for (auto it = voce.globalMatch(corpo); it.hasNext();)
        codici.insert(it.next().captured(1));
    return codici;
}

TEST_F(DemoAzienda, codeTablesHoldTheCodesOfTheOfficialSchema) {
    const QString ordinaria = QStringLiteral("pa_1.2.xsd"); // version 1.2.3
    const struct {
        const char* tabella;
        QSet<QString> attesi;
    } casi[] = {
        {"FETipDoc",
         codiciXsd(ordinaria, "TipoDocumentoType") + codiciXsd("semplificata_1.0.xsd", "TipoDocumentoType")},
        {"FENatura", codiciXsd(ordinaria, "NaturaType")},
        {"FEModPag", codiciXsd(ordinaria, "ModalitaPagamentoType")},
        {"AFETipPag", codiciXsd(ordinaria, "CondizioniPagamentoType")},
        {"FETipoCassa", codiciXsd(ordinaria, "TipoCassaType")},
        {"FETipoRitenuta", codiciXsd(ordinaria, "TipoRitenutaType")},
        {"FE770", codiciXsd(ordinaria, "CausalePagamentoType")},
    };
    const auto ordinati = [](const QSet<QString>& codici) {
        QStringList v(codici.begin(), codici.end());
        v.sort();
        return v.join(u',').toStdString();
    };
    for (const auto& c : casi) {
        ASSERT_GT(c.attesi.size(), 2) << c.tabella;
        QSet<QString> presenti;
        for (const QStringList& r : righe("SELECT Codice, Descrizione FROM Decodifiche WHERE TipoTab = '" +
                                              QString::fromUtf8(c.tabella) + QChar('\''),
                                          {"Codice", "Descrizione"})) {
            presenti.insert(r[0]);
            EXPECT_FALSE(r[1].trimmed().isEmpty()) << c.tabella << " " << r[0].toStdString();
        }
        EXPECT_EQ(ordinati(presenti), ordinati(c.attesi)) << c.tabella;
    }
}

// ---------------------------------------------------------------------------------------
// Common database

class DemoComune : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        creaSchema(db(), tabelleComuni());
        popolaDemoComune(db(), "/dati/demo/azienda.db");
    }
    QString parametroMenu(const QString& nome) {
        return db().valore("SELECT Valore FROM MenuParametri WHERE Nome = '" + nome + QChar('\'')).toString();
    }
};

TEST_F(DemoComune, seedingAgainKeepsRowsAndTheUsersValues) {
    db().EseguiSql("UPDATE MenuParametri SET Valore = 'http://hub.studio.lan' WHERE Nome = 'FEHubUrl'");
    const QString righe = QStringLiteral("SELECT (SELECT COUNT(*) FROM MenuDett) + (SELECT COUNT(*) FROM "
                                         "MenuParametri) + (SELECT COUNT(*) FROM Aziende)");
    const qint64 prima = db().valore(righe).toLongLong();
    popolaDemoComune(db(), "/dati/demo/azienda.db");
    EXPECT_EQ(parametroMenu("FEHubUrl"), "http://hub.studio.lan");
    EXPECT_EQ(db().valore(righe).toLongLong(), prima);
}

} // namespace
} // namespace tesel::schema
