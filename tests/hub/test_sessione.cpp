// The counted session and every way a Hub can fail, against the real tesel-hub.

#include "hub/hubservizio.h"
#include "hub/serverhubprova.h"
#include "support/dbprova.h"

#include <QDate>

#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::hub;
using tesel::prova::ServerHubProva;

namespace {

class SessioneHub : public ::testing::Test {
protected:
    void avvia(const prova::OpzioniServerHub& o = {}) {
        server.creaAccount();
        ASSERT_TRUE(server.avvia(o));
    }
    ServerHubProva server;
};

EsitoOperazione info(HubServizio& hub) {
    return EseguiOperazione(hub, QStringLiteral("Errore nella richiesta dati"),
                            [&](const QString& token) { return hub.InfoCliente(token); });
}

TEST_F(SessioneHub, NestedConnectionsLogInOnceAndOutAfterTheLastRelease) {
    avvia();
    HubServizio hub(server.impostazioni());
    ASSERT_EQ(hub.HubConnetti(), 0) << hub.sessione().Messaggio.toStdString();
    const QString token = hub.Token();
    EXPECT_FALSE(token.isEmpty());
    EXPECT_EQ(hub.HubConnetti(), 0);
    // An operation run inside the outer connection reuses its session.
    const EsitoOperazione e = info(hub);
    ASSERT_TRUE(e.riuscita) << e.messaggio.toStdString();
    EXPECT_EQ(QString::fromUtf8(e.documento->child("cliente").child_value("ragioneSociale")), u"Demo Srl");
    EXPECT_EQ(hub.Token(), token);
    EXPECT_EQ(hub.contatore(), 2);
    EXPECT_EQ(hub.HubRilascia(), 0);
    EXPECT_EQ(hub.Token(), token) << "released too early";
    EXPECT_EQ(hub.HubRilascia(), 0);
    EXPECT_TRUE(hub.Token().isEmpty());
    EXPECT_EQ(hub.contatore(), 0);
    // A release with nothing open does not log out twice.
    EXPECT_EQ(hub.HubRilascia(), 0);
    EXPECT_EQ(server.richieste(), (QStringList{"Login esito 0", "InfoCliente esito 0", "Logout esito 0"}));
    // The token is no longer valid on the Hub.
    EXPECT_EQ(hub.InfoCliente(token).Esito, EsitoSessioneScaduta);
}

TEST_F(SessioneHub, WrongPasswordIsRefusedWithoutShowingIt) {
    avvia();
    ImpostazioniHub i = server.impostazioni();
    i.password = QStringLiteral("Sbagliata.99");
    HubServizio hub(i);
    EXPECT_EQ(hub.HubConnetti(), 1);
    EXPECT_EQ(hub.contatore(), 0);
    const EsitoOperazione e = info(hub);
    EXPECT_FALSE(e.riuscita);
    EXPECT_EQ(e.messaggio, u"Errore nella connessione all'HUB\r\nLogin o password non validi");
    EXPECT_FALSE(e.messaggio.contains(i.password));
    // Not configured: no request at all.
    i.password.clear();
    HubServizio senza(i);
    EXPECT_EQ(info(senza).messaggio,
              u"Errore nella connessione all'HUB\r\nHub non configurato: mancano login o "
              u"password (parametri FEHubLogin e FEHubPwd)");
    EXPECT_EQ(server.richieste(), (QStringList{"Login esito 1", "Login esito 1"}));
}

TEST_F(SessioneHub, ExpiredTokenLogsInAgainAndRepeatsTheOperation) {
    avvia();
    HubServizio hub(server.impostazioni());
    ASSERT_EQ(hub.HubConnetti(), 0);
    const QString vecchio = hub.Token();
    ASSERT_EQ(server.comando({QStringLiteral("scadi")}), 0);
    const EsitoOperazione e = info(hub);
    ASSERT_TRUE(e.riuscita) << e.messaggio.toStdString();
    EXPECT_EQ(QString::fromUtf8(e.documento->child("cliente").child_value("attivo")), u"S");
    // The outer connection was reset by the expiry: the routine's release closed the new session.
    EXPECT_EQ(hub.contatore(), 0);
    EXPECT_TRUE(hub.Token().isEmpty());
    EXPECT_EQ(server.richieste(), (QStringList{"Login esito 0", "InfoCliente esito 100", "Login esito 0",
                                               "InfoCliente esito 0", "Logout esito 0"}));
    // HubImpostaSessione on an expired answer logs in at once and keeps that session.
    HubRisposta scaduta;
    scaduta.Esito = EsitoSessioneScaduta;
    hub.HubImpostaSessione(scaduta);
    EXPECT_EQ(hub.contatore(), 1);
    EXPECT_FALSE(hub.Token().isEmpty());
    EXPECT_NE(hub.Token(), vecchio);
}

TEST_F(SessioneHub, HubDownGivesTheConnectionMessage) {
    ImpostazioniHub i = server.impostazioni();
    const QString indirizzo = QStringLiteral("http://127.0.0.1:%1").arg(ServerHubProva::portaChiusa());
    // An address carrying a user and password never shows them.
    i.url = indirizzo.left(7) + QStringLiteral("utente:Segreta77@") + indirizzo.mid(7);
    HubServizio hub(i);
    const EsitoOperazione e = info(hub);
    EXPECT_FALSE(e.riuscita);
    EXPECT_EQ(e.messaggio,
              QStringLiteral("Errore nella connessione all'HUB\r\nHub non raggiungibile all'indirizzo %1: "
                             "connessione rifiutata o server spento")
                  .arg(indirizzo));
    EXPECT_FALSE(e.messaggio.contains(u"Segreta77"));
    EXPECT_EQ(hub.sessione().Esito, EsitoHubNonRaggiungibile);
    EXPECT_EQ(hub.contatore(), 0);

    i.url = QStringLiteral("ftp://127.0.0.1:21");
    HubServizio altro(i);
    EXPECT_EQ(altro.HubConnetti(), EsitoRichiestaNonValida);
    i.url.clear();
    HubServizio vuoto(i);
    EXPECT_EQ(vuoto.HubConnetti(), EsitoRichiestaNonValida);
    EXPECT_EQ(vuoto.sessione().Messaggio, u"Indirizzo dell'Hub non impostato (parametro FEHubUrl)");
}

struct Guasto {
    const char* guasto;
    long esito;
    const char* messaggio; // the text after the caller's words, with %1 for the address
};

class GuastiHub : public SessioneHub, public ::testing::WithParamInterface<Guasto> {};

// A Hub that answers slowly, drops the connection, answers something else or an HTTP error:
// each gives its message, the session stays usable, and the client never hangs.
TEST_P(GuastiHub, FailureBecomesAMessageAndTheSessionSurvives) {
    avvia();
    ImpostazioniHub i = server.impostazioni();
    i.tempoMassimoMs = 700;
    HubServizio hub(i);
    ASSERT_EQ(hub.HubConnetti(), 0);
    const QString token = hub.Token();
    server.guasti({QString::fromLatin1(GetParam().guasto)});
    const EsitoOperazione e = info(hub);
    EXPECT_FALSE(e.riuscita);
    EXPECT_EQ(e.risposta.Esito, GetParam().esito);
    QString atteso = QString::fromUtf8(GetParam().messaggio);
    if (atteso.contains(u"%1"))
        atteso = atteso.arg(server.url());
    EXPECT_EQ(e.messaggio, QStringLiteral("Errore nella richiesta dati\r\n") + atteso);
    EXPECT_FALSE(e.messaggio.contains(prova::PasswordProva));
    // The failure did not lose the session: once the Hub is well, the same token works.
    server.guasti({});
    EXPECT_EQ(hub.Token(), token);
    EXPECT_EQ(hub.contatore(), 1);
    const EsitoOperazione dopo = info(hub);
    EXPECT_TRUE(dopo.riuscita) << dopo.messaggio.toStdString();
    EXPECT_EQ(hub.HubRilascia(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Guasti, GuastiHub,
    ::testing::Values(
        Guasto{"lento=1200@InfoCliente", EsitoTempoScaduto,
               "L'Hub (%1) non ha risposto entro il tempo massimo (connessione 5 s, operazione 0,7 s)"},
        Guasto{"caduta@InfoCliente", EsitoHubNonRaggiungibile,
               "La connessione con l'Hub (%1) si è interrotta prima della fine della risposta"},
        Guasto{
            "spazzatura@InfoCliente", EsitoRispostaNonValida,
            "La risposta ricevuta da %1 non è nel formato del protocollo dell'Hub (operazione InfoCliente)"},
        Guasto{
            "http=503@InfoCliente", EsitoErroreHttp,
            "L'Hub (%1) ha risposto con l'errore HTTP 503 all'operazione InfoCliente: Errore HTTP simulato"},
        Guasto{"esito=7@InfoCliente", 7, "Errore simulato dall'Hub (esito 7)"}));

// While the Hub is slow the caller's waiting routine runs (a window repaints), may abandon the
// request, and cannot start a second request on top of the one waiting.
TEST_F(SessioneHub, WaitingRoutineRunsCanInterruptAndRefusesNestedRequests) {
    avvia();
    HubServizio hub(server.impostazioni());
    ASSERT_EQ(hub.HubConnetti(), 0);
    server.guasti({QStringLiteral("lento=600@InfoCliente")});
    int chiamate = 0;
    HubRisposta annidata;
    hub.impostaAttesa([&] {
        if (++chiamate == 1)
            annidata = hub.RichiestaInfo(hub.Token());
        return true;
    });
    EXPECT_TRUE(info(hub).riuscita);
    EXPECT_GT(chiamate, 5);
    EXPECT_EQ(annidata.Esito, EsitoInterrotta);
    EXPECT_EQ(annidata.Messaggio, u"Un'altra operazione con l'Hub è in corso: riprovare al suo termine");

    chiamate = 0;
    hub.impostaAttesa([&] { return ++chiamate < 3; });
    const EsitoOperazione e = info(hub);
    EXPECT_EQ(e.risposta.Esito, EsitoInterrotta);
    EXPECT_EQ(e.messaggio, u"Errore nella richiesta dati\r\nOperazione con l'Hub interrotta dall'utente");
    // Neither the refused nor the abandoned request cost the session.
    EXPECT_EQ(hub.contatore(), 1);
    server.guasti({});
    hub.impostaAttesa({});
    EXPECT_TRUE(info(hub).riuscita);
    EXPECT_EQ(server.richieste().filter(QStringLiteral("RichiestaInfo")).size(), 0);
}

TEST_F(SessioneHub, EmptyAnswerIsASuccessWithNothingInIt) {
    avvia();
    server.guasti({QStringLiteral("vuota@ElencoPassive")});
    HubServizio hub(server.impostazioni());
    const EsitoOperazione e = EseguiOperazione(hub, QStringLiteral("Errore nella lettura dei dati"),
                                               [&](const QString& t) { return hub.ElencoPassive(t, {}); });
    ASSERT_TRUE(e.riuscita) << e.messaggio.toStdString();
    EXPECT_TRUE(e.vuota());
    EXPECT_FALSE(e.documento->first_child());
}

} // namespace

// The other tests have the Hub killed when it lingers: here the stop a company's server gets
// (SIGTERM) must end it by itself at once, also with a client connected, keeping what was written.
TEST_F(SessioneHub, aStopRequestEndsTheServerByItselfWithItsDataKept) {
    avvia();
    const QString file = prova::fileFixture(QStringLiteral("fatture/tesel/IT01873540684_00031.xml"));
    const QStringList id = server.deposita({file, file});
    ASSERT_EQ(id.size(), 2);
    {
        // The client stays, with the connection it keeps open between operations, as an open
        // program's does.
        HubServizio hub(server.impostazioni());
        ASSERT_EQ(hub.HubConnetti(), 0) << hub.sessione().Messaggio.toStdString();
        ASSERT_EQ(hub.ScaricaPassive(hub.Token(), {id[0]}).Esito, 0);
        EXPECT_EQ(hub.HubRilascia(), 0);
        qint64 durata = 0;
        EXPECT_TRUE(server.fermaPulito(5000, &durata)) << "fermato in " << durata << " ms";
        EXPECT_LT(durata, 500) << "the stop waited on something";
    }

    // Started again on the same data: the account logs in and the download mark was kept.
    ASSERT_TRUE(server.avvia());
    HubServizio hub(server.impostazioni());
    ASSERT_EQ(hub.HubConnetti(), 0) << hub.sessione().Messaggio.toStdString();
    FiltriPassive f;
    f.idCedente = hub.HubIdCedente();
    f.dal = QDate::currentDate().addDays(-1);
    f.al = QDate::currentDate().addDays(1);
    const QString nuovi = hub.ElencoPassive(hub.Token(), f).Risposta;
    EXPECT_FALSE(nuovi.contains(QStringLiteral("id=\"%1\"").arg(id[0]))) << nuovi.toStdString();
    EXPECT_TRUE(nuovi.contains(QStringLiteral("id=\"%1\"").arg(id[1]))) << nuovi.toStdString();
    EXPECT_EQ(hub.HubRilascia(), 0);
}
