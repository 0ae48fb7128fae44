// The Hub settings as start-up reads them, and the table of document states.

#include "frame/clientmenu.h"
#include "frame/parametri.h"
#include "hub/hubservizio.h"
#include "hub/statidocumento.h"
#include "support/dbprova.h"

#include <gtest/gtest.h>

using namespace tesel;
using namespace tesel::hub;

namespace {

class ImpostazioniDaParametri : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        creaAziendaDemo();
        menu.imposta(QStringLiteral("FEHubUrl"), QStringLiteral(" https://hub.studio.lan:8443 "));
        menu.imposta(QStringLiteral("FEHubLogin"), QStringLiteral("studio"));
        menu.imposta(QStringLiteral("FEHubPwd"), QStringLiteral(" con spazi "));
    }
    ClientMenuFisso menu;
};

TEST_F(ImpostazioniDaParametri, MenuAndCompanyParametersMakeTheSettings) {
    ParametriAzienda parametri(db());
    menu.imposta(QStringLiteral("FEHubFileCA"), QStringLiteral("/etc/tesel/hub-ca.pem"));
    menu.imposta(QStringLiteral("FEHubTempoConn"), QStringLiteral("2,5"));
    menu.imposta(QStringLiteral("FEHubTempoMax"), QStringLiteral("45"));
    const ImpostazioniHub i = ImpostazioniHub::leggi(menu, parametri);
    EXPECT_EQ(i.url, u"https://hub.studio.lan:8443");
    EXPECT_EQ(i.login, u"studio");
    EXPECT_EQ(i.password, u" con spazi ") << "a password is taken as typed";
    EXPECT_EQ(i.azienda, u"001");
    EXPECT_EQ(i.partitaIva, u"04738210287");
    EXPECT_EQ(i.fileCA, u"/etc/tesel/hub-ca.pem");
    EXPECT_EQ(i.tempoConnessioneMs, 2500);
    EXPECT_EQ(i.tempoMassimoMs, 45000);
    EXPECT_TRUE(i.configurato());
}

TEST_F(ImpostazioniDaParametri, MissingOrWrongValuesFallBackToTheDefaults) {
    ParametriAzienda parametri(db());
    parametri.scrivi(QStringLiteral("Fat.FEHubAzie"), QString());
    menu.imposta(QStringLiteral("FEHubTempoConn"), QStringLiteral("dieci"));
    menu.imposta(QStringLiteral("FEHubTempoMax"), QStringLiteral("-3"));
    menu.imposta(QStringLiteral("FEHubPwd"), QString());
    const ImpostazioniHub i = ImpostazioniHub::leggi(menu, parametri);
    EXPECT_EQ(i.azienda, u"001");
    EXPECT_EQ(i.tempoConnessioneMs, ImpostazioniHub{}.tempoConnessioneMs);
    EXPECT_EQ(i.tempoMassimoMs, ImpostazioniHub{}.tempoMassimoMs);
    EXPECT_FALSE(i.configurato());
    // Without the Hub, the company's identifier is not asked for.
    HubServizio hub(i);
    QString messaggio;
    EXPECT_TRUE(hub.HubIdCedente(&messaggio).isEmpty());
    EXPECT_EQ(messaggio, u"HUB non attivo");
    // Fixed by hand, it is used as it is, with no request.
    menu.imposta(QStringLiteral("FeHubIdCedente"), QStringLiteral("77"));
    parametri.scrivi(QStringLiteral("Fat.FEHubAzie"), QStringLiteral("002"));
    HubServizio fisso(ImpostazioniHub::leggi(menu, parametri));
    EXPECT_EQ(fisso.impostazioni().azienda, u"002");
    EXPECT_EQ(fisso.HubIdCedente(), u"77");
}

TEST(StatiDocumento, DescriptionsListsAndUnknownCodes) {
    const StatiDocumento stati;
    ASSERT_EQ(stati.righe().size(), 23);
    EXPECT_EQ(stati.DescrStato(QStringLiteral("co")), u"Consegnato");
    EXPECT_EQ(stati.DescrStato(QStringLiteral("GT")), u"Lotto - gestito completamente");
    EXPECT_EQ(stati.DescrStato(QStringLiteral("ZZ")), u"ZZ");
    EXPECT_EQ(stati.DescrStato(QStringLiteral("DF,DI,DV,DC,")),
              u"Da firmare, Da integrare, Da validare, Da confermare");
    EXPECT_EQ(stati.DescrStato(QStringLiteral("RI,xx")), u"Rifiutato, xx");
    EXPECT_EQ(stati.DescrStato(QString()), QString());
    QStringList attive, passive;
    for (const StatoDocumento& s : stati.perLista(u'A'))
        attive << s.codice;
    for (const StatoDocumento& s : stati.perLista(u'P'))
        passive << s.codice;
    // States of both lists ("AP") are offered in each; the others in theirs only.
    EXPECT_EQ(attive.size(), 15);
    EXPECT_EQ(passive.size(), 11);
    EXPECT_TRUE(attive.contains(u"IE") && passive.contains(u"IE") && attive.contains(u"CO"));
    EXPECT_FALSE(attive.contains(u"RV") || passive.contains(u"CO"));
    EXPECT_TRUE(stati.esiste(QStringLiteral(" ic ")));
    EXPECT_FALSE(stati.esiste(QStringLiteral("DA")));
}

} // namespace
