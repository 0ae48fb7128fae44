// Issued and received documents through the real client and the real tesel-hub: sending,
// the life of a document at the exchange system, changes of state, lists and downloads.

#include "frame/hash.h"
#include "hub/hubservizio.h"
#include "hub/serverhubprova.h"
#include "support/dbprova.h"

#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::hub;
using tesel::prova::fileFixture;
using tesel::prova::PartitaIvaProva;

namespace {

const QString FatturaConAllegati = QStringLiteral("fatture/tesel/IT01873540684_00031.xml");
const QString FatturaFirmata = QStringLiteral("fatture/tesel/IT01562380681_00311.xml.p7m");
const QString FatturaSemplice = QStringLiteral("fatture/tesel/IT02451870683_00177.xml");

QString testo(pugi::xml_node n, const char* percorso) {
    return QString::fromUtf8(n.first_element_by_path(percorso).child_value());
}

QByteArray contenuto(const QString& percorso) {
    QFile f(percorso);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString busta(const QString& riferimento, const QString& stato = QStringLiteral("DN")) {
    return QStringLiteral(
               "<document id=\"%1\" state=\"%2\" info=\"NORVALE\"><attributes><attribute name=\"REGIVA\" "
               "value=\".\" /></attributes></document>")
        .arg(riferimento, stato);
}

class DocumentiHub : public ::testing::Test {
protected:
    void SetUp() override {
        server.creaAccount();
        ASSERT_TRUE(server.avvia());
        hub = std::make_unique<HubServizio>(server.impostazioni());
        ASSERT_EQ(hub->HubConnetti(), 0) << hub->sessione().Messaggio.toStdString();
    }
    void TearDown() override { hub->HubRilascia(); }

    EsitoOperazione esegui(const std::function<HubRisposta(const QString&)>& op) {
        return EseguiOperazione(*hub, QStringLiteral("Errore"), op);
    }
    // Sends a copy of a fixture invoice the way the send does: the file read from its folder.
    pugi::xml_node invia(const QString& fixture, const QString& riferimento, const QString& stato = "DN") {
        const QString copia = cartella.filePath(QStringLiteral("IT04738210287_00031.xml"));
        QFile::remove(copia);
        QFile::copy(fileFixture(fixture), copia);
        ultimo = esegui([&](const QString& t) {
            return hub->InviaDocumento(t, QStringLiteral("IT04738210287_00031.xml"), copia,
                                       busta(riferimento, stato));
        });
        EXPECT_TRUE(ultimo.riuscita) << ultimo.messaggio.toStdString();
        return ultimo.riuscita ? ultimo.documento->child("invio") : pugi::xml_node();
    }
    pugi::xml_node elencoAttive(const FiltriAttive& f = {}) {
        ultimo = esegui([&](const QString& t) { return hub->ElencoAttive(t, f); });
        EXPECT_TRUE(ultimo.riuscita) << ultimo.messaggio.toStdString();
        return ultimo.documento->child("documenti");
    }
    pugi::xml_node cambia(const QStringList& id, CambioStato tipo) {
        ultimo = esegui([&](const QString& t) { return hub->CambiaStato(t, id, tipo); });
        EXPECT_TRUE(ultimo.riuscita) << ultimo.messaggio.toStdString();
        return ultimo.documento->child("esiti");
    }
    int avanza(const QStringList& argomenti) {
        return server.comando(QStringList{QStringLiteral("avanza")} + argomenti);
    }

    prova::ServerHubProva server;
    std::unique_ptr<HubServizio> hub;
    EsitoOperazione ultimo;
    QTemporaryDir cartella;
};

TEST_F(DocumentiHub, SentDocumentGoesThroughItsStatesAndIsRefusedOnceWithTheExchange) {
    const QString rif = QStringLiteral("Ruvex0473821028724") + QStringLiteral("00031");
    pugi::xml_node r = invia(FatturaConAllegati, rif);
    EXPECT_EQ(testo(r, "esito"), u"OK");
    EXPECT_EQ(testo(r, "id"), u"1");
    // The server holds the envelope and the bytes exactly as sent.
    const QList<QJsonObject> tenuti = server.documenti();
    ASSERT_EQ(tenuti.size(), 1);
    EXPECT_EQ(tenuti[0].value("busta").toString(), busta(rif));
    EXPECT_EQ(tenuti[0].value("stato").toString(), u"DN");
    EXPECT_TRUE(
        verificaSha256(contenuto(fileFixture(FatturaConAllegati)), tenuti[0].value("sha256").toString()));

    pugi::xml_node d = elencoAttive().child("documento");
    EXPECT_EQ(QString::fromUtf8(d.attribute("id").value()), u"1");
    EXPECT_EQ(testo(d, "cessionario/partitaIva/idCodice"), u"01234567890");
    EXPECT_EQ(testo(d, "cessionario/denominazione"), u"Demo Srl");
    EXPECT_EQ(testo(d, "numero") + u'|' + testo(d, "data") + u'|' + testo(d, "totale") + u'|' +
                  testo(d, "tipo") + u'|' + testo(d, "stato") + u'|' + testo(d, "attachment") + u'|' +
                  testo(d, "identificativoSdi"),
              u"31|2024-04-10|915.00|TD01|DN|S|");

    // Still waiting to leave: sending again replaces it.
    EXPECT_EQ(testo(invia(FatturaConAllegati, rif), "id"), u"1");
    EXPECT_EQ(avanza({}), 0);
    r = invia(FatturaConAllegati, rif);
    EXPECT_EQ(testo(r, "esito"), u"KO");
    EXPECT_EQ(testo(r, "errore"),
              QStringLiteral("Il documento %1 con stato [IC] non può essere aggiornato!").arg(rif));
    EXPECT_EQ(avanza({QStringLiteral("1")}), 0);
    r = invia(FatturaConAllegati, rif);
    EXPECT_EQ(testo(r, "errore"),
              QStringLiteral("Il documento %1 con stato [CO] non può essere aggiornato!").arg(rif));

    d = elencoAttive().child("documento");
    EXPECT_EQ(testo(d, "stato"), u"CO");
    EXPECT_EQ(testo(d, "identificativoSdi"), u"3000001");
    EXPECT_EQ(testo(d, "ricevutaConsegna/dataOraRicezione").left(10),
              QDate::currentDate().toString(Qt::ISODate));
    EXPECT_FALSE(testo(d, "ricevutaConsegna/dataOraConsegna").isEmpty());
    // Two sends accepted, the refused ones not counted.
    ultimo = esegui([&](const QString& t) { return hub->IdentificaCedente(t, "IT", PartitaIvaProva); });
    EXPECT_EQ(testo(ultimo.documento->child("cedente"), "progressivoInvio"), u"2");

    ultimo = esegui([&](const QString& t) { return hub->DatiDocumento(t, "1"); });
    QStringList storia;
    for (pugi::xml_node p : ultimo.documento->child("documento").child("storia").children("passaggio"))
        storia << testo(p, "stato");
    EXPECT_EQ(storia, (QStringList{"DN", "IC", "CO"}));

    // The document with its delivery receipt and, on request, its attachments.
    ultimo = esegui([&](const QString& t) { return hub->ScaricaDocumento(t, "1", true); });
    QStringList nomi;
    for (pugi::xml_node f : ultimo.documento->child("files").children("file")) {
        nomi << testo(f, "nome");
        const auto dati = base64Decodifica(QByteArrayView(f.child_value("base64")));
        ASSERT_TRUE(dati);
        EXPECT_TRUE(verificaSha256(*dati, testo(f, "sha256"))) << testo(f, "nome").toStdString();
        if (nomi.size() == 1) {
            EXPECT_EQ(*dati, contenuto(fileFixture(FatturaConAllegati)));
        } else if (nomi.size() == 2) {
            EXPECT_TRUE(dati->contains("<IdentificativoSdI>3000001</IdentificativoSdI>"));
        }
    }
    EXPECT_EQ(nomi, (QStringList{"IT04738210287_00031.xml", "IT04738210287_00031_RC_001.xml", "bozza.png",
                                 "impaginato.png"}));

    FiltriAttive inAttesa;
    inAttesa.stato = QStringLiteral("DN");
    EXPECT_FALSE(elencoAttive(inAttesa).child("documento"));
}

TEST_F(DocumentiHub, ListFiltersSelectTheDocuments) {
    invia(FatturaConAllegati, "R1");
    invia(FatturaSemplice, "R2", "DC");
    auto ids = [&](const FiltriAttive& f) {
        QStringList r;
        for (pugi::xml_node d : elencoAttive(f).children("documento"))
            r << QString::fromUtf8(d.attribute("id").value());
        return r;
    };
    EXPECT_EQ(ids({}), (QStringList{"1", "2"}));
    FiltriAttive f;
    f.stato = QStringLiteral("DC");
    EXPECT_EQ(ids(f), QStringList{"2"});
    f = {};
    f.dataDocDa = QDate(2024, 4, 10);
    f.dataDocA = QDate(2024, 4, 10);
    EXPECT_EQ(ids(f), QStringList{"1"});
    f = {};
    f.numeroDa = 32;
    EXPECT_EQ(ids(f), QStringList{"2"}) << "number 177 is above 32, number 31 below";
    f = {};
    f.dataRifDa = QDate::currentDate().addDays(1);
    EXPECT_TRUE(ids(f).isEmpty());
    f = {};
    f.partitaIva = QStringLiteral("01234567890");
    ultimo = esegui([&](const QString& t) { return hub->ElencoAttive(t, f); });
    EXPECT_FALSE(ultimo.riuscita);
    EXPECT_EQ(ultimo.messaggio, u"Errore\r\nLa partita iva 01234567890 non appartiene all'account");
}

TEST_F(DocumentiHub, StateChangesFollowTheAllowedPaths) {
    invia(FatturaConAllegati, "R1", "DC");
    invia(FatturaSemplice, "R2", "DF");
    pugi::xml_node e = cambia({"1", "2", "99"}, CambioStato::Conferma);
    QStringList esiti;
    for (pugi::xml_node d : e.children("documento"))
        esiti << testo(d, "id") + u' ' + testo(d, "esito") + u' ' + testo(d, "errore");
    EXPECT_EQ(esiti, (QStringList{"1 OK ", "2 KO Documento in stato [DF]: conferma non consentita",
                                  "99 KO Documento 99 inesistente"}));
    // The confirmed document waits for the exchange; the one to sign can be removed.
    EXPECT_EQ(testo(cambia({"1"}, CambioStato::Cancellazione).child("documento"), "errore"),
              u"Documento in stato [DN]: cancellazione non consentita");
    EXPECT_EQ(testo(cambia({"2"}, CambioStato::Cancellazione).child("documento"), "esito"), u"OK");
    ASSERT_EQ(server.documenti().size(), 1);
    // A refused document's iter is closed only from RI.
    EXPECT_EQ(avanza({"--stato", "RI", "1"}), 0);
    EXPECT_EQ(testo(cambia({"1"}, CambioStato::Completamento).child("documento"), "stato"), u"RC");
    EXPECT_EQ(server.documenti()[0].value("stato").toString(), u"RC");
    EXPECT_EQ(avanza({"--stato", "ZZ", "1"}), 2);
    EXPECT_EQ(avanza({"77"}), 1);
}

TEST_F(DocumentiHub, SendThatCannotBeAcceptedSaysWhy) {
    invia(FatturaConAllegati, "", "DN");
    EXPECT_EQ(testo(ultimo.documento->child("invio"), "errore"),
              u"Busta del documento non valida: manca l'identificativo (id)");
    invia(FatturaConAllegati, "R1", "CO");
    EXPECT_EQ(testo(ultimo.documento->child("invio"), "errore"),
              u"Stato iniziale CO non ammesso per il documento R1");
    server.guasti({QStringLiteral("errore@R3")});
    invia(FatturaConAllegati, "R3");
    EXPECT_EQ(testo(ultimo.documento->child("invio"), "errore"),
              u"Errore simulato dall'Hub sul documento R3");
    EXPECT_TRUE(server.documenti().isEmpty());
    // The client reads the file itself: a path written with "\" is found, a missing file is named.
    QFile::copy(fileFixture(FatturaSemplice), cartella.filePath("a.xml"));
    ultimo = esegui([&](const QString& t) {
        return hub->InviaDocumento(t, "a.xml", cartella.path() + QStringLiteral("\\a.xml"), busta("R4"));
    });
    EXPECT_EQ(testo(ultimo.documento->child("invio"), "esito"), u"OK");
    const HubRisposta mancante =
        hub->InviaDocumento(hub->Token(), "b.xml", cartella.filePath("b.xml"), busta("R5"));
    EXPECT_EQ(mancante.Esito, EsitoRichiestaNonValida);
    EXPECT_TRUE(
        mancante.Messaggio.startsWith(QStringLiteral("Impossibile leggere il file da inviare all'Hub: %1")
                                          .arg(cartella.filePath("b.xml"))));
    EXPECT_EQ(mancante.Token, hub->Token()) << "a refused request keeps the session";
}

TEST_F(DocumentiHub, ReceivedDocumentsAreListedAndDownloadedWithTheirDigest) {
    const QStringList id = server.deposita(
        {fileFixture(FatturaSemplice), fileFixture(FatturaFirmata), fileFixture(FatturaConAllegati)});
    ASSERT_EQ(id, (QStringList{"1", "2", "3"}));
    QString messaggio;
    EXPECT_EQ(hub->HubIdCedente(&messaggio), u"1") << messaggio.toStdString();
    FiltriPassive f{hub->HubIdCedente(), QDate::currentDate().addDays(-1), QDate::currentDate(), {}, true};
    auto elenco = [&] {
        ultimo = esegui([&](const QString& t) { return hub->ElencoPassive(t, f); });
        EXPECT_TRUE(ultimo.riuscita) << ultimo.messaggio.toStdString();
        QStringList righe;
        for (pugi::xml_node d : ultimo.documento->child("documenti").children("documento"))
            righe << QString::fromUtf8(d.attribute("id").value()) + u' ' +
                         testo(d, "cedente/partitaIva/idCodice") + u' ' + testo(d, "fatture/numero") + u' ' +
                         testo(d, "fatture/totale") + u' ' + testo(d, "fatture/attachment") + u' ' +
                         testo(d, "tipo") + u' ' + testo(d, "nomeFile");
        return righe;
    };
    EXPECT_EQ(elenco(), (QStringList{"1 02451870683 177 402.60 N TD01 IT02451870683_00177.xml",
                                     "2 01562380681 311 268.68 N TD01 IT01562380681_00311.xml.p7m",
                                     "3 01873540684 31 915.00 S TD01 IT01873540684_00031.xml"}));
    f.fornitore = QStringLiteral("01562380681");
    EXPECT_EQ(elenco().size(), 1);
    f.fornitore.clear();

    auto scarica = [&](const QString& id, VarianteScarico v, bool togliFirma = false) {
        ultimo = esegui([&](const QString& t) { return hub->ScaricaPassive(t, {id}, v, togliFirma); });
        EXPECT_TRUE(ultimo.riuscita) << ultimo.messaggio.toStdString();
        return ultimo.documento->child("files").child("file");
    };
    pugi::xml_node file = scarica("2", VarianteScarico::Originale);
    auto dati = base64Decodifica(QByteArrayView(file.child_value("base64")));
    ASSERT_TRUE(dati);
    EXPECT_EQ(*dati, contenuto(fileFixture(FatturaFirmata)));
    EXPECT_TRUE(verificaSha256(*dati, testo(file, "sha256")));
    // The invoice without its signature, by variant or by option.
    for (const bool perOpzione : {false, true}) {
        file =
            perOpzione ? scarica("2", VarianteScarico::Originale, true) : scarica("2", VarianteScarico::Xml);
        dati = base64Decodifica(QByteArrayView(file.child_value("base64")));
        EXPECT_EQ(testo(file, "nome"), u"IT01562380681_00311.xml");
        EXPECT_TRUE(dati && dati->startsWith("<?xml") && dati->contains("<Numero>311</Numero>"));
        EXPECT_TRUE(verificaSha256(*dati, testo(file, "sha256")));
    }
    file = scarica("3", VarianteScarico::Zip);
    dati = base64Decodifica(QByteArrayView(file.child_value("base64")));
    EXPECT_EQ(testo(file, "nome"), u"IT01873540684_00031.zip");
    EXPECT_TRUE(dati && dati->startsWith("PK\x03\x04") && dati->contains("bozza.png") &&
                dati->contains("IT01873540684_00031.xml"));
    // Downloaded documents are no longer new.
    EXPECT_EQ(elenco().size(), 1);
    f.soloNuovi = false;
    EXPECT_EQ(elenco().size(), 3);

    // A digest that does not match what arrives is seen by the receiver.
    server.guasti({QStringLiteral("impronta@1")});
    file = scarica("1", VarianteScarico::Originale);
    dati = base64Decodifica(QByteArrayView(file.child_value("base64")));
    EXPECT_EQ(*dati, contenuto(fileFixture(FatturaSemplice)));
    EXPECT_FALSE(verificaSha256(*dati, testo(file, "sha256")));
    server.guasti({QStringLiteral("errore@1")});
    ultimo = esegui(
        [&](const QString& t) { return hub->ScaricaPassive(t, {"1"}, VarianteScarico::Originale, false); });
    EXPECT_EQ(ultimo.risposta.Esito, 5);
    EXPECT_EQ(ultimo.messaggio, u"Errore\r\nErrore simulato dall'Hub sul documento 1");
    // An unknown document has no file.
    EXPECT_TRUE(scarica("42", VarianteScarico::Originale).empty());
}

TEST_F(DocumentiHub, DepositReportsEveryBadFileAndKeepsTheGoodOnes) {
    QFile nonFattura(cartella.filePath("nota.xml"));
    ASSERT_TRUE(nonFattura.open(QIODevice::WriteOnly));
    nonFattura.write("<nota>non una fattura</nota>");
    nonFattura.close();
    QString uscita;
    EXPECT_EQ(server.comando({"deposita", "--partita-iva", PartitaIvaProva, nonFattura.fileName(),
                              cartella.filePath("manca.xml"), fileFixture(FatturaSemplice)},
                             &uscita),
              1);
    EXPECT_TRUE(
        uscita.contains(QStringLiteral("File %1 non depositato: Il file non è una fattura elettronica "
                                       "(elemento radice nota)")
                            .arg(nonFattura.fileName())))
        << uscita.toStdString();
    EXPECT_TRUE(
        uscita.contains(QStringLiteral("File %1 non depositato").arg(cartella.filePath("manca.xml"))));
    EXPECT_TRUE(uscita.contains(u"Depositato IT02451870683_00177.xml come documento 1"));
    EXPECT_EQ(server.comando({"deposita", "--partita-iva", "99999999999", fileFixture(FatturaSemplice)}), 2);
}

TEST_F(DocumentiHub, AccountAndCompanyInformationIsTheHubsOwn) {
    server.deposita({fileFixture(FatturaSemplice)});
    invia(FatturaConAllegati, "R1");
    ultimo = esegui([&](const QString& t) { return hub->InfoCliente(t); });
    pugi::xml_node c = ultimo.documento->child("cliente");
    EXPECT_EQ(testo(c, "ragioneSociale") + u'|' + testo(c, "fattureAcquistate") + u'|' +
                  testo(c, "fattureUtilizzate") + u'|' + testo(c, "attivo"),
              u"Demo Srl|1000|2|S");
    EXPECT_EQ(testo(c, "servizi/servizio/codice"), u"INV");

    const QString anno = QString::number(QDate::currentDate().year());
    ultimo = esegui([&](const QString& t) { return hub->Consumi(t, anno, "IT", PartitaIvaProva); });
    pugi::xml_node z = ultimo.documento->child("consumi").child("azienda");
    EXPECT_EQ(testo(z, "idFiscale") + u'|' + testo(z, "tipo") + u'|' + testo(z, "anno") + u'|' +
                  testo(z, "utilizzati"),
              QStringLiteral("IT04738210287|M|") + anno + QStringLiteral("|2"));
    ultimo = esegui([&](const QString& t) { return hub->Consumi(t, "20x6", "IT", PartitaIvaProva); });
    EXPECT_EQ(ultimo.messaggio, u"Errore\r\nAnno non valido: 20x6");

    ultimo = esegui([&](const QString& t) { return hub->RichiestaInfo(t); });
    EXPECT_EQ(testo(ultimo.documento->child("info"), "passiveDaScaricare"), u"1");
    EXPECT_EQ(testo(ultimo.documento->child("info"), "cedenti/cedente/id"), u"1");

    // Another account's company, and a number that is not a VAT number.
    ASSERT_EQ(
        server.comando({"utente", "--login", "altro", "--password", "x", "--partita-iva", "01234567890"}), 0);
    for (const auto& [partitaIva, errore] :
         {std::pair{"01234567890", "Partita iva della ditta non abilitata all'Hub"},
          std::pair{"99999999999", "Partita iva della ditta non abilitata all'Hub"},
          std::pair{"1234", "Identificativo fiscale non valido"}}) {
        ultimo = esegui([&](const QString& t) { return hub->IdentificaCedente(t, "IT", partitaIva); });
        EXPECT_EQ(testo(ultimo.documento->child("cedente"), "errore"), QString::fromUtf8(errore))
            << partitaIva;
        EXPECT_TRUE(testo(ultimo.documento->child("cedente"), "id").isEmpty());
    }
    // The same VAT number cannot move to another account.
    QString uscita;
    EXPECT_EQ(
        server.comando({"utente", "--login", "altro", "--password", "x", "--partita-iva", PartitaIvaProva},
                       &uscita),
        1);
    EXPECT_TRUE(uscita.contains(u"La partita iva 04738210287 appartiene già all'account studio"));
}

} // namespace
