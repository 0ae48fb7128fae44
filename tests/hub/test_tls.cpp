// HTTPS between the client and tesel-hub, with a self-signed certificate made by the test.

#include "hub/hubservizio.h"
#include "hub/serverhubprova.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::hub;

namespace {

class HubTls : public ::testing::Test {
protected:
    void SetUp() override {
        cert = cartella.filePath(QStringLiteral("hub.pem"));
        chiave = cartella.filePath(QStringLiteral("hub.key"));
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"),
                      {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                       "-keyout", chiave, "-out", cert, "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                       "subjectAltName=IP:127.0.0.1"});
        ASSERT_TRUE(openssl.waitForFinished(30000));
        ASSERT_EQ(openssl.exitCode(), 0) << openssl.readAll().toStdString();
        server.creaAccount();
        prova::OpzioniServerHub o;
        o.cert = cert;
        o.chiave = chiave;
        ASSERT_TRUE(server.avvia(o));
        ASSERT_TRUE(server.url().startsWith(u"https://127.0.0.1:"));
    }

    QTemporaryDir cartella;
    QString cert, chiave;
    prova::ServerHubProva server;
};

TEST_F(HubTls, TrustedThroughTheCaFileTheSessionWorks) {
    ImpostazioniHub i = server.impostazioni();
    i.fileCA = cert;
    HubServizio hub(i);
    const EsitoOperazione e = EseguiOperazione(hub, QStringLiteral("Errore nella richiesta dati"),
                                               [&](const QString& t) { return hub.InfoCliente(t); });
    ASSERT_TRUE(e.riuscita) << e.messaggio.toStdString();
    EXPECT_EQ(QString::fromUtf8(e.documento->child("cliente").child_value("ragioneSociale")), u"Demo Srl");
    EXPECT_EQ(server.richieste(), (QStringList{"Login esito 0", "InfoCliente esito 0", "Logout esito 0"}));
}

TEST_F(HubTls, UntrustedOrUnreadableCertificatesAreRefusedBeforeAnyLogin) {
    ImpostazioniHub i = server.impostazioni();
    HubServizio sistema(i); // the system's authorities do not know this certificate
    EXPECT_EQ(sistema.HubConnetti(), EsitoHubNonRaggiungibile);
    EXPECT_TRUE(sistema.sessione().Messaggio.startsWith(
        QStringLiteral("Il certificato del server Hub (%1) non è valido o non è riconosciuto: connessione "
                       "rifiutata per sicurezza")
            .arg(server.url())))
        << sistema.sessione().Messaggio.toStdString();

    i.fileCA = cartella.filePath(QStringLiteral("manca.pem"));
    HubServizio senzaFile(i);
    EXPECT_EQ(senzaFile.HubConnetti(), EsitoHubNonRaggiungibile);
    EXPECT_EQ(
        senzaFile.sessione().Messaggio,
        QStringLiteral("File dei certificati di fiducia dell'Hub non leggibile: %1 (parametro FEHubFileCA)")
            .arg(i.fileCA));

    // Plain HTTP to the TLS port gets no answer of the protocol.
    i.fileCA.clear();
    i.url = QString(server.url()).replace(QStringLiteral("https://"), QStringLiteral("http://"));
    HubServizio inChiaro(i);
    EXPECT_EQ(inChiaro.HubConnetti(), EsitoHubNonRaggiungibile);
    EXPECT_TRUE(server.richieste().isEmpty()) << "no request reached the Hub";
}

TEST_F(HubTls, ServerRefusesToStartWithoutAValidCertificate) {
    QString uscita;
    EXPECT_EQ(
        server.comando({"serve", "--porta", "0", "--cert", cartella.filePath("x.pem"), "--chiave", chiave},
                       &uscita),
        2);
    EXPECT_TRUE(uscita.startsWith(u"Certificato o chiave TLS non leggibili o non validi"))
        << uscita.toStdString();
    EXPECT_EQ(server.comando({"serve", "--porta", "0", "--cert", cert}, &uscita), 2);
    EXPECT_EQ(uscita, u"Per TLS servono sia --cert sia --chiave\n");
}

} // namespace
