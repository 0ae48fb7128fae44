// Sending the issued invoices to a real tesel-hub on the loopback: what reaches the server
// (identifier, envelope, state), what the invoices are marked with, the error list and the
// send log, and what stays untouched when an invoice or the Hub fails.

#include "hubinvioprova.h"

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "hub/appo.h"
#include "hub/hubservizio.h"
#include "support/interazioneprova.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::hub;

// Test invoices name only the fields that matter to the case.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

const QString A_Capo = QStringLiteral("\r\n");

class Invio : public prova::ConHubInvio {
protected:
    void SetUp() override {
        ConHubInvio::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        menu.imposta(QStringLiteral("FEHubUrl"), url_);
        menu.imposta(QStringLiteral("FEHubLogin"), prova::LoginProva);
        menu.imposta(QStringLiteral("FEHubPwd"), prova::PasswordProva);
        menu.imposta(QStringLiteral("FEHubTempoMax"), QStringLiteral("2"));
        conf.impostaFileProfilo(conCartellaFe(QDir(cartella()).filePath(QStringLiteral("tesel.ini"))));
        parametri = std::make_unique<ParametriAzienda>(db());
    }

    RispostaAppo invia(const QString& argomento) {
        HubServizio hub(ImpostazioniHub::leggi(menu, *parametri));
        ConnessioneLocale connessione(hub);
        AmbienteInvio a{db(), *parametri, conf};
        return EseguiFEInvio(a, connessione, argomento);
    }

    // FEHubInvio and FEIDHub of one invoice, "null" for a null value.
    QString marca(qint64 numRif) {
        Recordset rs = db().ApriRs(
            QStringLiteral("SELECT FEHubInvio, FEIDHub FROM FatTestFE WHERE Anno = 2025 AND NumRif = %1")
                .arg(numRif));
        const QVariant invio = rs.LeggiCampo(QStringLiteral("FEHubInvio"));
        const QVariant id = rs.LeggiCampo(QStringLiteral("FEIDHub"));
        return (invio.isNull() ? QStringLiteral("null") : invio.toString()) + u'|' +
               (id.isNull() ? QStringLiteral("null") : id.toString());
    }

    QStringList righeLog() {
        QFile f(QDir(cartellaFe()).filePath(QStringLiteral("LogInvioHub.txt")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

    ClientMenuFisso menu;
    prova::InterazioneProva ui;
    Configurazione conf{menu, ui};
    std::unique_ptr<ParametriAzienda> parametri;
    const QString oggi = testoData(QDate::currentDate());
};

TEST_F(Invio, sendsTheTerminalsQueueWithIdentifierEnvelopeAndMarks) {
    parametri->scrivi(QStringLiteral("Ditta.NumNCSepar"), QStringLiteral("S"));
    accoda({.numRif = 1, .numDoc = 7, .file = QStringLiteral("IT04738210287_00007.xml")});
    // A credit note numbered apart, to be handed over already signed by the customer's order.
    accoda({.numRif = 2,
            .preDoc = QStringLiteral("b"),
            .numDoc = 3,
            .data = {2025, 12, 31},
            .tipo = QStringLiteral("NC"),
            .file = QStringLiteral("IT04738210287_00008.xml"),
            .statoIniz = QStringLiteral("DF")});
    // The prefix "§" takes the customer's account into the identifier.
    accoda({.numRif = 3,
            .preDoc = QStringLiteral("§"),
            .numDoc = 123456,
            .contoCli = QStringLiteral("c001"),
            .file = QDir(cartellaFe()).filePath(QStringLiteral("IT04738210287_00009.xml"))});
    // Another terminal's invoice is not this send's.
    accoda({.numRif = 4,
            .numDoc = 8,
            .file = QStringLiteral("IT04738210287_00010.xml"),
            .terminale = QStringLiteral("T2")});

    const RispostaAppo r = invia(QStringLiteral("  T1 "));
    EXPECT_EQ(r.esito, 0);
    EXPECT_EQ(r.testo, "");
    EXPECT_EQ(r.numero, 3);
    EXPECT_EQ(r.comeArray(), (QVariantList{"FEInvio", 0, "", "", "", qint64(3)}));

    EXPECT_EQ(marca(1), "I|Ruvex0473821028725A00007");
    EXPECT_EQ(marca(2), "I|Ruvex0473821028725NVB00003");
    EXPECT_EQ(marca(3), "I|Ruvex0473821028725§C001123456");
    EXPECT_EQ(marca(4), "A|null");

    // The server received exactly these envelopes, under the XML file names.
    std::map<QString, QJsonObject> ricevuti;
    for (const QJsonObject& d : documentiHub())
        ricevuti[d.value("riferimento").toString()] = d;
    ASSERT_EQ(ricevuti.size(), 3u);
    const QJsonObject nc = ricevuti.at("Ruvex0473821028725NVB00003");
    EXPECT_EQ(
        nc.value("busta").toString(),
        "<document id=\"Ruvex0473821028725NVB00003\" state=\"DF\" info=\"NORVALE\"><attributes>"
        "<attribute name=\"REGIVA\" value=\".\" /><attribute name=\"IDDOCUMEN\" value=\"b\\3 31/12/2025\"/>"
        "</attributes></document>");
    EXPECT_EQ(nc.value("stato").toString(), "DF");
    EXPECT_EQ(
        ricevuti.at("Ruvex0473821028725A00007").value("busta").toString(),
        "<document id=\"Ruvex0473821028725A00007\" state=\"DN\" info=\"NORVALE\"><attributes>"
        "<attribute name=\"REGIVA\" value=\".\" /><attribute name=\"IDDOCUMEN\" value=\"A\\7 14/03/2025\"/>"
        "</attributes></document>");
    EXPECT_EQ(ricevuti.at("Ruvex0473821028725A00007").value("nomeFile").toString(),
              "IT04738210287_00007.xml");

    // Sent files are deleted; the other terminal's stays for its own send.
    EXPECT_FALSE(esiste("IT04738210287_00007.xml"));
    EXPECT_FALSE(esiste("IT04738210287_00009.xml"));
    EXPECT_TRUE(esiste("IT04738210287_00010.xml"));
    EXPECT_EQ(righeLog(), (QStringList{oggi + " - Fattura anno: 2025 n.rif: 1: Riuscito",
                                       oggi + " - Fattura anno: 2025 n.rif: 2: Riuscito",
                                       oggi + " - Fattura anno: 2025 n.rif: 3: Riuscito"}));

    // The queue is empty now.
    EXPECT_EQ(invia(QStringLiteral("T1")).testo, "Non ci sono fatture da inviare per il terminale T1");
}

TEST_F(Invio, everyFailedCheckIsListedAndTheInvoiceStaysQueued) {
    struct Caso {
        Emessa fattura;
        QString errore;
    };
    const std::vector<Caso> casi{
        {{.numRif = 1, .stato = QString(), .file = QStringLiteral("a.xml")}, " - Fattura non stampata"},
        {{.numRif = 2, .data = {2017, 12, 31}, .file = QStringLiteral("b.xml")},
         " - Data documento non valida"},
        {{.numRif = 3, .numDoc = 0, .file = QStringLiteral("c.xml")}, " - Numero documento non valido"},
        {{.numRif = 4, .file = QString()}, " - Manca percorso file "},
        {{.numRif = 5, .file = QStringLiteral("manca.xml"), .scrivi = false},
         " - Percorso file " + QDir(cartellaFe()).filePath("manca.xml") + " non valido"},
    };
    QString attesi;
    for (const Caso& c : casi) {
        accoda(c.fattura);
        attesi += A_Capo + QStringLiteral("Fattura anno: 2025 n.rif: %1").arg(c.fattura.numRif) + c.errore;
    }
    // A good invoice after the failing ones is sent all the same.
    accoda({.numRif = 6, .numDoc = 6, .file = QStringLiteral("f.xml")});

    const RispostaAppo r = invia(QStringLiteral("T1"));
    EXPECT_EQ(r.esito, 0);
    EXPECT_EQ(r.numero, 1);
    EXPECT_EQ(r.testo, attesi);
    for (qint64 n = 1; n <= 5; ++n)
        EXPECT_EQ(marca(n), "A|null") << n;
    EXPECT_EQ(marca(6), "I|Ruvex0473821028725A00006");
    EXPECT_TRUE(esiste("a.xml") && esiste("b.xml") && esiste("c.xml"));
    EXPECT_EQ(documentiHub().size(), 1u);
    const QStringList log = righeLog();
    ASSERT_EQ(log.size(), 6);
    EXPECT_EQ(log[1], oggi + " - Fattura anno: 2025 n.rif: 2 - Data documento non valida");
    EXPECT_EQ(log[5], oggi + " - Fattura anno: 2025 n.rif: 6: Riuscito");
}

TEST_F(Invio, signedFilesAreSentUnderTheirXmlNameAndTheLogCanBeOff) {
    menu.imposta(QStringLiteral("Personal.XML.FaiLogInvio"), QStringLiteral("n"));
    accoda({.numRif = 1, .file = QStringLiteral("IT04738210287_00001.xml"), .scrivi = false});
    accoda({.numRif = 2, .numDoc = 2, .file = QStringLiteral("IT04738210287_00002.xml.p7m")});
    QFile::rename(QDir(cartellaFe()).filePath("IT04738210287_00002.xml.p7m"),
                  QDir(cartellaFe()).filePath("IT04738210287_00001.xml.p7m"));
    const RispostaAppo r = invia(QStringLiteral("T1 - F"));
    EXPECT_EQ(r.numero, 1);
    EXPECT_EQ(r.testo, A_Capo + "Fattura anno: 2025 n.rif: 2 - Percorso file " +
                           QDir(cartellaFe()).filePath("IT04738210287_00002.xml.p7m.p7m") + " non valido");
    const std::vector<QJsonObject> d = documentiHub();
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(d[0].value("nomeFile").toString(), "IT04738210287_00001.xml");
    EXPECT_FALSE(esiste("IT04738210287_00001.xml.p7m"));
    EXPECT_FALSE(QFileInfo::exists(QDir(cartellaFe()).filePath("LogInvioHub.txt")));

    EXPECT_EQ(invia(QStringLiteral("T1-Q")).testo,
              "Valore non riconosciuto dopo il terminale: Q (F per i file firmati, N per i file XML)");
}

TEST_F(Invio, theCommandStopsBeforeSendingWithItsMessage) {
    accoda({.numRif = 1, .file = QStringLiteral("a.xml")});
    EXPECT_EQ(invia(QStringLiteral("VUOTO")).testo, "Non ci sono fatture da inviare per il terminale VUOTO");

    // The Hub does not answer: its port is closed.
    hub_.ferma();
    const RispostaAppo giu = invia(QStringLiteral("T1"));
    EXPECT_EQ(giu.esito, 1);
    EXPECT_TRUE(giu.testo.startsWith("Hub non partito - ")) << giu.testo.toStdString();
    EXPECT_GT(giu.testo.size(), QStringLiteral("Hub non partito - ").size());

    parametri->scrivi(QStringLiteral("Ditta.PartIva"), QString());
    parametri = std::make_unique<ParametriAzienda>(db());
    EXPECT_EQ(invia(QStringLiteral("T1")).testo, "Manca la partita iva nella tabella ditta");
    EXPECT_EQ(marca(1), "A|null");
    EXPECT_TRUE(esiste("a.xml"));
}

TEST_F(Invio, aMarkThatCannotBeWrittenLeavesTheInvoiceQueuedForTheNextSend) {
    accoda({.numRif = 1, .file = QStringLiteral("a.xml")});
    if (prova::usaOdbc()) {
        db().EseguiSql(
            "CREATE FUNCTION rifiuta() RETURNS trigger AS $$ BEGIN RAISE EXCEPTION 'riga bloccata'; "
            "END $$ LANGUAGE plpgsql");
        db().EseguiSql(
            "CREATE TRIGGER blocca BEFORE UPDATE ON FatTestFE FOR EACH ROW EXECUTE FUNCTION rifiuta()");
    } else {
        db().EseguiSql(
            "CREATE TRIGGER blocca BEFORE UPDATE ON FatTestFE BEGIN SELECT RAISE(ABORT, 'riga bloccata'); "
            "END");
    }
    const RispostaAppo r = invia(QStringLiteral("T1"));
    EXPECT_EQ(r.numero, 0);
    EXPECT_TRUE(r.testo.startsWith(A_Capo + "Fattura anno: 2025 n.rif: 1 - Esito dell'Hub non registrato: "))
        << r.testo.toStdString();
    EXPECT_EQ(marca(1), "A|null");
    EXPECT_TRUE(esiste("a.xml"));
    db().EseguiSql("DROP TRIGGER blocca" + QString(prova::usaOdbc() ? " ON FatTestFE" : ""));
    EXPECT_EQ(invia(QStringLiteral("T1")).numero, 1);
    EXPECT_EQ(marca(1), "I|Ruvex0473821028725A00001");
    EXPECT_EQ(documentiHub().size(), 1u);
}

// What the Hub answers to one invoice decides its mark; a failure never deletes its file.
TEST_F(Invio, theHubsAnswerDecidesTheMark) {
    const QString id = QStringLiteral("Ruvex0473821028725A00001");
    struct Caso {
        QStringList guasti;
        QString errore; // after the description
        QString marca;
    };
    const std::vector<Caso> casi{
        {{"esito=5@InviaDocumento"}, " - Errore 5: Errore simulato dall'Hub (esito 5)", "A|null"},
        {{"vuota@InviaDocumento"}, " - Errore non identificato", "|null"},
        {{"errore@" + id}, " - Errore ", "|null"},
        // Slower than the limit of the send, which this case alone lowers to half a second.
        {{"lento=1500@InviaDocumento"}, " - Errore -2: ", "A|null"},
        {{"spazzatura@InviaDocumento"}, " - Errore -4: ", "A|null"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.guasti.join(' ').toStdString());
        db().EseguiSql("DELETE FROM FatTestFE");
        db().EseguiSql("DELETE FROM FatTest");
        accoda({.numRif = 1, .file = QStringLiteral("a.xml")});
        guasti(c.guasti);
        const bool lento = c.guasti.front().startsWith("lento");
        menu.imposta(QStringLiteral("FEHubTempoMax"), lento ? QStringLiteral("0,5") : QStringLiteral("2"));
        const RispostaAppo r = invia(QStringLiteral("T1"));
        EXPECT_EQ(r.esito, 0);
        EXPECT_EQ(r.numero, 0);
        EXPECT_TRUE(r.testo.startsWith(A_Capo + "Fattura anno: 2025 n.rif: 1" + c.errore))
            << r.testo.toStdString();
        EXPECT_EQ(marca(1), c.marca);
        EXPECT_TRUE(esiste("a.xml"));
        EXPECT_EQ(righeLog().constLast(), oggi + " - " + r.testo.mid(2).replace(A_Capo, " "));
    }
    guasti({});
    EXPECT_TRUE(documentiHub().empty());

    // A document the exchange system already holds (delivered, or being delivered) cannot be
    // replaced: the Hub's refusal marks the invoice sent all the same.
    for (const QString stato : {"CO", "IC"}) {
        SCOPED_TRACE(stato.toStdString());
        db().EseguiSql("DELETE FROM FatTestFE");
        db().EseguiSql("DELETE FROM FatTest");
        accoda({.numRif = 1, .file = QStringLiteral("a.xml")});
        ASSERT_EQ(invia(QStringLiteral("T1")).numero, 1);
        const QString idHub = QString::number(documentiHub().front().value("id").toInteger());
        hubComando({"avanza", "--stato", stato, idHub});
        accoda({.numRif = 2, .file = QStringLiteral("a.xml")});
        db().EseguiSql("DELETE FROM FatTestFE WHERE NumRif = 1");
        const RispostaAppo r = invia(QStringLiteral("T1"));
        EXPECT_EQ(r.numero, 0);
        EXPECT_EQ(r.testo, A_Capo + "Fattura anno: 2025 n.rif: 2 - Errore Il documento " + id +
                               " con stato [" + stato + "] non può essere aggiornato!");
        EXPECT_EQ(marca(2), "I|" + id);
        EXPECT_TRUE(esiste("a.xml"));
        hubComando({"avanza", "--stato", "DN", idHub});
    }
}

} // namespace
