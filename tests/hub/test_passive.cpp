// The received invoices waiting on the real tesel-hub: the list with its totals and "Trasf.",
// each download kind writing the Hub's bytes, the digest check that keeps a file out of the
// accounts, documents the Hub does not know, and the import with the Hub's identifiers.

#include "hubinvioprova.h"

#include "frame/currency.h"
#include "frame/data.h"
#include "frame/parametri.h"
#include "hub/passive.h"
#include "support/interazioneprova.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::hub;

namespace {

const QString Semplice = QStringLiteral("fatture/tesel/IT02451870683_00177.xml");
const QString Firmata = QStringLiteral("fatture/tesel/IT01562380681_00311.xml.p7m");
const QString ConAllegati = QStringLiteral("fatture/tesel/IT01873540684_00031.xml");

QByteArray contenuto(const QString& percorso) {
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class RicevuteHub : public prova::ConHubInvio {
protected:
    void SetUp() override {
        ConHubInvio::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        servizio = std::make_unique<HubServizio>(hub_.impostazioni());
        parametri = std::make_unique<ParametriAzienda>(db());
        scarico.cartella = cartella() + QStringLiteral("/scaricati/");
        QDir().mkpath(scarico.cartella);
        scarico.opzioni.creaFornitori = true;
        scarico.opzioni.gruppoFornitori = QStringLiteral("40");
        scarico.opzioni.mastroFornitori = QStringLiteral("10");
    }

    ElencoPassive elenca(bool soloNuovi = true, const QString& fornitore = {}) {
        RichiestaPassive r;
        r.dal = QDate::currentDate().addDays(-1);
        r.al = QDate::currentDate();
        r.soloNuovi = soloNuovi;
        r.fornitore = fornitore;
        r.conTrasf = true;
        return ElencaPassive(*servizio, db(), r);
    }
    RisultatoScarico scarica(const std::vector<RigaPassiva>& righe, const AvanzamentoScarico& a = {}) {
        return ScaricaPassive(*servizio, db(), ui, *parametri, righe, scarico, a);
    }
    RigaPassiva riga(const QString& id) {
        for (const RigaPassiva& r : elenca(false).righe)
            if (r.idHub == id)
                return r;
        ADD_FAILURE() << "documento " << id.toStdString() << " non in elenco";
        return {};
    }
    qint64 fattureNelloStore() {
        return db().valore(QStringLiteral("SELECT count(*) FROM FatXmlTest")).toLongLong();
    }

    std::unique_ptr<HubServizio> servizio;
    std::unique_ptr<ParametriAzienda> parametri;
    prova::InterazioneProva ui;
    OpzioniScarico scarico;
};

TEST_F(RicevuteHub, listGivesEveryFieldTheTotalAndFiltersBySupplierAndNewness) {
    ASSERT_EQ(hub_.deposita({prova::fileFixture(Semplice), prova::fileFixture(Firmata),
                             prova::fileFixture(ConAllegati)}),
              (QStringList{"1", "2", "3"}));
    ElencoPassive e = elenca();
    ASSERT_TRUE(e.riuscito) << e.messaggio.toStdString();
    ASSERT_EQ(e.righe.size(), 3u);
    EXPECT_EQ(e.totale, *Currency::daTesto(QStringLiteral("1586.28")));
    const RigaPassiva& r = e.righe[0];
    EXPECT_EQ(QStringList({r.idHub, r.partitaIva, r.numero, r.dataFatturaTesto(), r.totale, r.tipo,
                           r.allegati, r.trasf, r.dataRicezioneTesto().left(10)}),
              QStringList({"1", "02451870683", "177", "20/05/2024", "402.60", "TD01", "N", "0",
                           testoData(QDate::currentDate())}));
    EXPECT_EQ(r.testo().split(SeparatoreRigaPassiva).size(), 15);
    EXPECT_EQ(e.righe[2].allegati, u"S");

    e = elenca(true, QStringLiteral("01562380681"));
    ASSERT_EQ(e.righe.size(), 1u);
    EXPECT_EQ(e.righe[0].numero, u"311");
    EXPECT_EQ(e.totale, *Currency::daTesto(QStringLiteral("268.68")));

    e = elenca(true, QStringLiteral("99999999999"));
    EXPECT_FALSE(e.riuscito);
    EXPECT_EQ(e.messaggio, u"Non ci sono documenti con i dati richiesti");

    // Downloaded documents leave the list of new ones, not the full list.
    scarico.importa = false;
    scarica({riga("1")});
    EXPECT_EQ(elenca().righe.size(), 2u);
    EXPECT_EQ(elenca(false).righe.size(), 3u);
}

TEST_F(RicevuteHub, hubThatCannotBeReachedStopsTheListWithItsMessage) {
    ImpostazioniHub imp = hub_.impostazioni();
    imp.url = QStringLiteral("http://127.0.0.1:%1").arg(prova::ServerHubProva::portaChiusa());
    servizio = std::make_unique<HubServizio>(imp);
    const ElencoPassive e = elenca();
    EXPECT_FALSE(e.riuscito);
    EXPECT_TRUE(e.messaggio.startsWith(QStringLiteral("Errore nella connessione all'HUB\r\n")))
        << e.messaggio.toStdString();
    const RisultatoScarico s = scarica({RigaPassiva{}});
    EXPECT_FALSE(s.connesso);
    EXPECT_TRUE(s.messaggio.startsWith(QStringLiteral("Errore nella connessione all'HUB\r\n")));
    EXPECT_EQ(servizio->contatore(), 0);
}

TEST_F(RicevuteHub, eachDownloadKindWritesTheHubsBytesAndASignedFileIsNotImported) {
    hub_.deposita({prova::fileFixture(Firmata), prova::fileFixture(ConAllegati)});
    scarico.importa = true;
    struct Caso {
        VarianteScarico variante;
        bool togliFirma;
        QString id, nome;
        int fatture; // invoices the file brings into the store
    };
    const Caso casi[] = {
        {VarianteScarico::Originale, false, "1", "IT01562380681_00311.xml.p7m", 0},
        {VarianteScarico::Xml, false, "1", "IT01562380681_00311.xml", 2},
        {VarianteScarico::Zip, false, "2", "IT01873540684_00031.zip", 0},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome.toStdString());
        db().EseguiSql(QStringLiteral("DELETE FROM FatXmlTest"));
        scarico.variante = c.variante;
        scarico.togliFirma = c.togliFirma;
        const RisultatoScarico s = scarica({riga(c.id)});
        ASSERT_EQ(s.documenti.size(), 1u);
        const EsitoScarico& e = s.documenti[0];
        EXPECT_TRUE(e.ok) << e.errori.toStdString();
        EXPECT_EQ(QFileInfo(e.file).fileName(), c.nome);
        EXPECT_EQ(e.importato, c.fatture > 0);
        EXPECT_EQ(fattureNelloStore(), c.fatture);
        const QByteArray scritto = contenuto(e.file);
        if (c.variante == VarianteScarico::Originale)
            EXPECT_EQ(scritto, contenuto(prova::fileFixture(Firmata)));
        else if (c.variante == VarianteScarico::Xml)
            EXPECT_TRUE(scritto.startsWith("<?xml") && scritto.contains("<Numero>311</Numero>"));
        else
            EXPECT_TRUE(scritto.startsWith("PK\x03\x04") && scritto.contains("IT01873540684_00031.xml"));
    }
    // "Togli firma" takes the signature off the file as received.
    scarico.variante = VarianteScarico::Originale;
    scarico.togliFirma = true;
    scarico.importa = false;
    const RisultatoScarico s = scarica({riga("1")});
    EXPECT_EQ(QFileInfo(s.documenti[0].file).fileName(), u"IT01562380681_00311.xml");
}

TEST_F(RicevuteHub, wrongDigestUnknownDocumentAndHubErrorAreReportedPerDocumentAndTheOthersGoOn) {
    hub_.deposita(
        {prova::fileFixture(Semplice), prova::fileFixture(ConAllegati), prova::fileFixture(Firmata)});
    const RigaPassiva uno = riga("1"), due = riga("2"), tre = riga("3");
    RigaPassiva ignota = uno;
    ignota.idHub = QStringLiteral("42");
    guasti({QStringLiteral("impronta@1"), QStringLiteral("errore@3")});
    scarico.importa = true;
    const RisultatoScarico s = scarica({uno, ignota, tre, due});
    ASSERT_EQ(s.documenti.size(), 4u);
    EXPECT_FALSE(s.documenti[0].ok);
    EXPECT_EQ(s.documenti[0].errori, u"\r\nHash non corrispondente per fattura 177 - 20/05/2024");
    // The file stays in the folder, out of the accounts.
    EXPECT_TRUE(QFileInfo::exists(s.documenti[0].file));
    EXPECT_EQ(db().valore("SELECT count(*) FROM FatXmlTest WHERE FEIDHub = '1'").toInt(), 0);
    EXPECT_EQ(s.documenti[1].errori, u"\r\nNon esiste fattura 177 - 20/05/2024");
    EXPECT_TRUE(s.documenti[1].file.isEmpty());
    EXPECT_EQ(s.documenti[2].errori,
              u"\r\nErrore 5 - Errore simulato dall'Hub sul documento 3\r\nnella fattura 311 - 28/03/2024");
    EXPECT_TRUE(s.documenti[3].ok) << s.documenti[3].errori.toStdString();
    EXPECT_EQ(fattureNelloStore(), 1);
    EXPECT_EQ(s.errori, s.documenti[0].errori + s.documenti[1].errori + s.documenti[2].errori);
    EXPECT_EQ(servizio->contatore(), 0);
}

TEST_F(RicevuteHub, anAnswerThatIsNotTheProtocolFailsThatDocumentOnlyAndTheSessionIsReleased) {
    hub_.deposita({prova::fileFixture(Semplice), prova::fileFixture(ConAllegati)});
    const std::vector<RigaPassiva> righe = elenca().righe;
    guasti({QStringLiteral("spazzatura@ScaricaPassive")});
    scarico.importa = true;
    const RisultatoScarico s = scarica(righe);
    ASSERT_TRUE(s.connesso);
    ASSERT_EQ(s.documenti.size(), 2u);
    for (const EsitoScarico& e : s.documenti) {
        EXPECT_FALSE(e.ok);
        EXPECT_TRUE(e.errori.startsWith(QStringLiteral("\r\nErrore -4 - "))) << e.errori.toStdString();
        EXPECT_TRUE(e.file.isEmpty());
    }
    EXPECT_TRUE(s.documenti[1].errori.endsWith(QStringLiteral("\r\nnella fattura 31 - 10/04/2024")));
    EXPECT_EQ(fattureNelloStore(), 0);
    EXPECT_EQ(servizio->contatore(), 0);
    // The Hub works again: the same rows come down.
    guasti({});
    EXPECT_TRUE(scarica(righe).documenti[1].ok);
}

TEST_F(RicevuteHub, aSessionThatExpiresBetweenTwoDocumentsIsOpenedAgainAndNothingIsLost) {
    hub_.deposita({prova::fileFixture(Semplice), prova::fileFixture(ConAllegati)});
    scarico.importa = true;
    // The session runs out while the first document is imported (an import that takes its time).
    const RisultatoScarico s = scarica(elenca().righe, [this](int fatti, int, const RigaPassiva&) {
        if (fatti == 1)
            hubComando({QStringLiteral("scadi")});
        return true;
    });
    ASSERT_EQ(s.documenti.size(), 2u);
    EXPECT_TRUE(s.documenti[0].ok) << s.documenti[0].errori.toStdString();
    EXPECT_TRUE(s.documenti[1].ok) << s.documenti[1].errori.toStdString();
    EXPECT_EQ(fattureNelloStore(), 2);
    EXPECT_TRUE(hub_.richieste().join(',').contains(QStringLiteral("ScaricaPassive esito 100")))
        << hub_.richieste().join(", ").toStdString();
    EXPECT_EQ(servizio->contatore(), 0);
}

TEST_F(RicevuteHub, importKeepsTheHubsIdentifiersAndASecondImportIsRefusedUnlessOverwriting) {
    hub_.deposita({prova::fileFixture(Semplice)});
    const RigaPassiva r = riga("1");
    scarico.importa = true;
    RisultatoScarico s = scarica({r});
    ASSERT_TRUE(s.documenti[0].ok) << s.documenti[0].errori.toStdString();
    Recordset rs = db().ApriRs(
        "SELECT XmlAnno, XmlNumRif, FEIDHub, identificativoSdi, DataRicSdi, DGD_Numero FROM FatXmlTest");
    ASSERT_FALSE(rs.RsEof());
    EXPECT_EQ(rs.leggiTesto("FEIDHub"), u"1");
    EXPECT_EQ(rs.leggiTesto("identificativoSdi"), r.idSdi);
    EXPECT_FALSE(r.idSdi.isEmpty());
    EXPECT_EQ(dataOraDaVariant(rs.LeggiCampo("DataRicSdi"))->date(), QDate::currentDate());
    EXPECT_EQ(rs.leggiTesto("DGD_Numero"), u"177");
    const qint64 numRif = *rs.leggiIntero("XmlNumRif");
    EXPECT_EQ(s.documenti[0].numRif, numRif);
    EXPECT_EQ(s.caricate, QStringLiteral("\r\n02451870683 - 20/05/2024 - 177 - %1").arg(numRif));

    // "Trasf." follows the invoice through posting and printing.
    EXPECT_EQ(trasferimentoPassiva(db(), "1"), QString::number(numRif));
    db().EseguiSql("UPDATE FatXmlTest SET Contabilizzato = 'S', Stampato = 'S'");
    EXPECT_EQ(trasferimentoPassiva(db(), "1"), QString::number(numRif) + "-Contab.-Stampato");
    db().EseguiSql("UPDATE FatXmlTest SET Contabilizzato = 'N'");
    EXPECT_EQ(elenca(false).righe[0].trasf, QString::number(numRif) + "-Stampato");

    s = scarica({r});
    EXPECT_FALSE(s.documenti[0].ok);
    EXPECT_TRUE(s.documenti[0].errori.startsWith(QStringLiteral("\r\nFattura 177 - 20/05/2024\r\n")));
    EXPECT_TRUE(s.documenti[0].errori.contains(QStringLiteral("già caricato")))
        << s.documenti[0].errori.toStdString();
    EXPECT_EQ(fattureNelloStore(), 1);

    db().EseguiSql("UPDATE FatXmlTest SET Stampato = 'N'");
    scarico.opzioni.sovrascrivi = true;
    s = scarica({r});
    EXPECT_TRUE(s.documenti[0].ok) << s.documenti[0].errori.toStdString();
    EXPECT_EQ(fattureNelloStore(), 1);
}

TEST_F(RicevuteHub, interruptStopsBeforeTheNextDocumentAndKeepsWhatWasDone) {
    hub_.deposita({prova::fileFixture(Semplice), prova::fileFixture(ConAllegati)});
    scarico.importa = true;
    std::vector<int> visti;
    const RisultatoScarico s = scarica(elenca().righe, [&](int fatti, int totale, const RigaPassiva&) {
        visti.push_back(fatti);
        EXPECT_EQ(totale, 2);
        return fatti < 1;
    });
    EXPECT_TRUE(s.interrotto);
    EXPECT_EQ(visti, (std::vector<int>{0, 1}));
    ASSERT_EQ(s.documenti.size(), 1u);
    EXPECT_TRUE(s.documenti[0].ok) << s.documenti[0].errori.toStdString();
    EXPECT_EQ(fattureNelloStore(), 1);
    EXPECT_EQ(servizio->contatore(), 0);
}

} // namespace
