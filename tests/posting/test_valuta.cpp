// Documents in another currency: every row keeps the document's amount in its ...Mon column and
// the euro amount beside it, the registration balances in euro, the VAT register agrees with the
// rows, and a document without a rate is not posted.

#include "aziendaprova.h"
#include "fatturaprova.h"
#include "frame/database.h"
#include "posting/contabilizzazione.h"
#include "support/dbprova.h"

#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tesel::posting {
namespace {

using tesel::prova::FatturaProva;

class Valuta : public prova::ConAziendaDemo {
protected:
    EsitoContabilizzazione posta(const std::function<void(FatturaProva&)>& prepara,
                                 std::optional<Cambio> cambio = std::nullopt) {
        FatturaProva f(db());
        prepara(f);
        const auto k = f.scrivi();
        ImpostazioniContabilizzazione impostazioni(db(), *parametri,
                                                   ParametriContabilizzazione::leggi(configurazione.get()));
        impostazioni.cambioIndicato = cambio;
        return ContabilizzaFattura(db(), *parametri, impostazioni, ui, k.anno, k.numero, {}, {}, false);
    }

    // Each journal registration: "Causale Moneta Cambio(millionths)", its rows as
    // "RigReg G-M-C DareAvere ImportoMon/Importo" (with "Iva ImpostaMon/Imposta
    // IndetrMon/Indetr" on VAT rows), its VAT register rows as "IVA Iva ImponibileMon/Imponibile
    // ImpostaMon/Imposta NDMon/ND"; then the due dates as "SCAD ImportoScad ImportoScadEuro".
    QStringList giornale() {
        QStringList v;
        const auto coppia = [](const Recordset& r, const QString& campo) {
            return importo(r, campo + u"Mon"_s).testoXml() + u'/' + importo(r, campo).testoXml();
        };
        for (Recordset t = db().ApriRs(u"Select * from MovPnTes Order by NumReg"_s); !t.RsEof();
             t.RsMoveNext()) {
            const QString numReg = t.leggiTesto(u"NumReg"_s);
            v << t.leggiTesto(u"Causale"_s) + u' ' + t.leggiTesto(u"Moneta"_s) + u' ' +
                     QString::number(Cambio::daColonna(t.LeggiCampo(u"Cambio"_s)).milionesimi());
            for (Recordset r =
                     db().ApriRs(u"Select * from MovPnDett Where NumReg = %1 Order by RigReg"_s.arg(numReg));
                 !r.RsEof(); r.RsMoveNext()) {
                QString riga = r.leggiTesto(u"RigReg"_s) + u' ' + r.leggiTesto(u"GruppoPartita"_s) + u'-' +
                               r.leggiTesto(u"MastroPartita"_s) + u'-' + r.leggiTesto(u"ContoPartita"_s) +
                               u' ' + r.leggiTesto(u"DareAvere"_s) + u' ' + coppia(r, u"Importo"_s);
                if (!r.leggiTesto(u"Iva"_s).isEmpty())
                    riga += u' ' + r.leggiTesto(u"Iva"_s) + u' ' + coppia(r, u"Imposta"_s) + u' ' +
                            coppia(r, u"ImpostaIndetr"_s);
                EXPECT_EQ(Cambio::daColonna(r.LeggiCampo(u"Cambio"_s)),
                          Cambio::daColonna(t.LeggiCampo(u"Cambio"_s)))
                    << "riga " << riga.toStdString();
                v << riga;
            }
            for (Recordset r =
                     db().ApriRs(u"Select * from MovPnIva Where NumReg = %1 Order by RigaIva"_s.arg(numReg));
                 !r.RsEof(); r.RsMoveNext())
                v << u"IVA "_s + r.leggiTesto(u"Iva"_s) + u' ' + coppia(r, u"Imponibile"_s) + u' ' +
                         coppia(r, u"Imposta"_s) + u' ' + coppia(r, u"ImpostaND"_s);
        }
        for (Recordset s = db().ApriRs(u"Select * from Scadenze Order by Rata"_s); !s.RsEof(); s.RsMoveNext())
            v << u"SCAD "_s + importo(s, u"ImportoScad"_s).testoXml() + u' ' +
                     importo(s, u"ImportoScadEuro"_s).testoXml();
        return v;
    }

    // Dare less Avere in euro of each journal registration.
    std::vector<Currency> sbilanci() {
        std::vector<Currency> v;
        for (Recordset r =
                 db().ApriRs(u"Select NumReg, Sum(CASE WHEN DareAvere = 'D' THEN Importo ELSE -Importo END)"
                             u" As Saldo From MovPnDett Group By NumReg Order By NumReg"_s);
             !r.RsEof(); r.RsMoveNext())
            v.push_back(importo(r, u"Saldo"_s));
        return v;
    }
};

struct CasoValuta {
    const char* descrizione;
    std::function<void(FatturaProva&)> fattura;
    std::optional<Cambio> cambio;
    QStringList giornale;
    const char* preparazione = ""; // SQL run on the demo company first
};

class GiornaleInValuta : public Valuta, public ::testing::WithParamInterface<CasoValuta> {};

TEST_P(GiornaleInValuta, shouldPostEveryAmountInBothCurrenciesToTheCent) {
    const CasoValuta& c = GetParam();
    SCOPED_TRACE(c.descrizione);
    if (*c.preparazione)
        db().EseguiSql(QString::fromUtf8(c.preparazione));

    const EsitoContabilizzazione e = posta(c.fattura, c.cambio);

    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(giornale().join(u'\n').toStdString(), c.giornale.join(u'\n').toStdString());
    for (const Currency s : sbilanci())
        EXPECT_TRUE(s.zero()) << s.testoXml().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Casi, GiornaleInValuta,
    ::testing::Values(
        // 1.08 dollars a euro (the demo's Monete). The payable is the document's total converted,
        // as its due date is; the two cents that converting each row leaves go onto the largest
        // cost row, and the VAT register and VAT account follow the converted rows.
        CasoValuta{"cambio della tabella Monete",
                   [](FatturaProva& f) {
                       f.divisa(u"USD"_s)
                           .riga("10.05", u"22"_s, {"60", "10", "1001"})
                           .riga("10.05", u"22"_s, {"60", "10", "1003"})
                           .riga(50, u"22I40"_s, {"60", "10", "1005"})
                           .iva(22, "70.10", "15.42")
                           .pagamento("85.52", QDate(QDate::currentDate().year(), 4, 30));
                   },
                   std::nullopt,
                   {"FAA USD 1080000", "1 40-10-1001 A 85.52/79.19",
                    "2 60-10-1001 D 10.05/9.31 22 2.21/2.05 0.00/0.00",
                    "3 60-10-1003 D 10.05/9.31 22 2.21/2.05 0.00/0.00",
                    "4 60-10-1005 D 54.40/50.35 22I40 11.00/10.19 4.40/4.07", "5 20-30-1001 D 11.02/10.22",
                    "IVA 22 20.10/18.62 4.42/4.10 0.00/0.00", "IVA 22I40 50.00/46.28 11.00/10.19 4.40/4.07",
                    "SCAD 85.52 79.19"}},
        // The rate given for the run wins over the table's.
        CasoValuta{"cambio indicato alla contabilizzazione",
                   [](FatturaProva& f) {
                       f.divisa(u"USD"_s)
                           .riga(100, u"22"_s, {"60", "10", "1001"})
                           .iva(22, 100, 22)
                           .pagamento(122, QDate(QDate::currentDate().year(), 4, 30));
                   },
                   Cambio::daTesto(u"1.25"_s),
                   {"FAA USD 1250000", "1 40-10-1001 A 122.00/97.60",
                    "2 60-10-1001 D 100.00/80.00 22 22.00/17.60 0.00/0.00", "3 20-30-1001 D 22.00/17.60",
                    "IVA 22 100.00/80.00 22.00/17.60 0.00/0.00", "SCAD 122.00 97.60"}},
        // A credit note in pounds: the VAT register's negative amounts convert as its rows do.
        CasoValuta{"nota di credito in sterline",
                   [](FatturaProva& f) {
                       f.divisa(u"GBP"_s)
                           .tipoDocumento(u"TD04"_s)
                           .causale(u"NCA"_s)
                           .riga(100, u"22"_s, {"60", "10", "1001"})
                           .iva(22, 100, 22);
                   },
                   std::nullopt,
                   {"NCA GBP 850000", "1 40-10-1001 D 122.00/143.53",
                    "2 60-10-1001 A 100.00/117.65 22 22.00/25.88 0.00/0.00", "3 20-30-1001 A 22.00/25.88",
                    "IVA 22 -100.00/-117.65 -22.00/-25.88 0.00/0.00", "SCAD 122.00 143.53"}},
        // Due dates from the supplier's terms at the transfer (Ri.Ba. 60 days end of month):
        // the instalment is the document's 1,220 dollars, 1,129.63 euro.
        CasoValuta{"scadenze dalle condizioni di pagamento al trasferimento",
                   [](FatturaProva& f) {
                       f.divisa(u"USD"_s).riga(1000, u"22"_s, {"60", "10", "1001"}).iva(22, 1000, 220);
                   },
                   std::nullopt,
                   {"FAA USD 1080000", "1 40-10-1001 A 1220.00/1129.63",
                    "2 60-10-1001 D 1000.00/925.93 22 220.00/203.70 0.00/0.00",
                    "3 20-30-1001 D 220.00/203.70", "IVA 22 1000.00/925.93 220.00/203.70 0.00/0.00",
                    "SCAD 1220.00 1129.63"},
                   "UPDATE ParametriAzienda SET Valore = 'S' WHERE Nome = 'Fat.FattCreaScad'"},
        // The company's own currency is posted as it stands, at 1.
        CasoValuta{"euro",
                   [](FatturaProva& f) {
                       f.riga(100, u"22"_s, {"60", "10", "1001"}).iva(22, 100, 22);
                   },
                   Cambio::daTesto(u"1.25"_s),
                   {"FAA EUR 1000000", "1 40-10-1001 A 122.00/122.00",
                    "2 60-10-1001 D 100.00/100.00 22 22.00/22.00 0.00/0.00", "3 20-30-1001 D 22.00/22.00",
                    "IVA 22 100.00/100.00 22.00/22.00 0.00/0.00", "SCAD 122.00 122.00"}}));

struct CasoSenzaCambio {
    const char* descrizione;
    const char* preparazione;
    const char* divisa;
    const char* messaggio;
};

class SenzaCambio : public Valuta, public ::testing::WithParamInterface<CasoSenzaCambio> {};

TEST_P(SenzaCambio, shouldRefuseTheDocumentAndWriteNothing) {
    const CasoSenzaCambio& c = GetParam();
    SCOPED_TRACE(c.descrizione);
    if (*c.preparazione)
        db().EseguiSql(QString::fromUtf8(c.preparazione));

    const EsitoContabilizzazione e = posta([&](FatturaProva& f) {
        f.divisa(QString::fromUtf8(c.divisa)).riga(100, u"22"_s, {"60", "10", "1001"}).iva(22, 100, 22);
    });

    EXPECT_FALSE(e.ok);
    EXPECT_EQ(e.errori, u"\r\n"_s + QString::fromUtf8(c.messaggio));
    EXPECT_TRUE(giornale().isEmpty());
    EXPECT_EQ(db().valore(u"Select count(*) from FatXmlTest Where Contabilizzato = 'S'"_s).toInt(), 0);
    EXPECT_EQ(db().valore(u"Select NumDoc from LibriIva Where TipoReg = 'A' And Pref = '.'"_s).toInt(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Casi, SenzaCambio,
    ::testing::Values(
        CasoSenzaCambio{"cambio mancante", "UPDATE Monete SET Cambio = NULL WHERE Moneta = 'USD'", "USD",
                        "Documento in USD: manca il cambio (indicarlo nella tabella Monete o nella "
                        "contabilizzazione)"},
        CasoSenzaCambio{"cambio zero", "UPDATE Monete SET Cambio = 0 WHERE Moneta = 'CHF'", "CHF",
                        "Documento in CHF: manca il cambio (indicarlo nella tabella Monete o nella "
                        "contabilizzazione)"},
        CasoSenzaCambio{"divisa sconosciuta", "", "JPY",
                        "Divisa JPY del documento inesistente nella tabella Monete"}));

// tesel-cli post --cambio: the rate reaches the run; one written with a comma is a
// command-line error and posts nothing.
TEST_F(Valuta, shouldTakeTheRateFromTheCommandLine) {
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    const QString ini = scriviProfilo(cartella.path());
    FatturaProva(db()).divisa(u"USD"_s).riga(100, u"22"_s, {"60", "10", "1001"}).iva(22, 100, 22).scrivi();
    const auto posta = [&](const QString& cambio) {
        QProcess p;
        p.start(QStringLiteral(TESEL_CLI), {u"post"_s, u"--ini"_s, ini, u"--cambio"_s, cambio});
        EXPECT_TRUE(p.waitForFinished(120000));
        return p.exitCode();
    };

    EXPECT_EQ(posta(u"1,25"_s), 2);
    EXPECT_EQ(db().valore(u"Select count(*) from MovPnTes"_s).toInt(), 0);
    EXPECT_EQ(posta(u"1.25"_s), 0);
    const QStringList g = giornale();
    ASSERT_GE(g.size(), 2);
    EXPECT_EQ(g.at(0), u"FAA USD 1250000"_s);
    EXPECT_EQ(g.at(1), u"1 40-10-1001 A 122.00/97.60"_s);
}

} // namespace
} // namespace tesel::posting
