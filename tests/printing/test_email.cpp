// The e-mail of a print: delivered to a real SMTP server on the loopback (with STARTTLS and an
// account), read back by another parser; the missing-data message; the password kept out of
// messages and the log; the recipients of an account's contacts.
#include "frame/codiceconto.h"
#include "frame/ini.h"
#include "printing/email.h"
#include "printing/impostazione.h"
#include "printing/lumostampe.h"
#include "schema/schema.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include "pdfprova.h"
#include "smtpprova.h"

#include <QDate>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tesel::stampa;
using tesel::FileIni;
using tesel::prova::InterazioneProva;
using tesel::prova::ServerSmtpProva;

namespace {

const QString Term = QStringLiteral("POST7");
const QString Pwd = QStringLiteral("S3greta!Pwd");

struct Ambiente {
    QTemporaryDir dir;
    FileIni ini;
    Ambiente() { ini.load(dir.filePath(QStringLiteral("tesel.ini"))); }
    void metti(const QString& chiave, const QString& valore) { ini.set(SezioneOpzioni, chiave, valore); }
    ImpostazioneStampa impostazione() const {
        return ImpostazioneStampa(
            ini, Postazione{Term, QStringLiteral("mrossi"), QStringLiteral("AMM")},
            IdentitaStampa{QStringLiteral("StFatPas"), QStringLiteral("Stampa Fatture Passive"), QString()},
            DatiAzienda{QStringLiteral("Rossi & Figli S.r.l."), QStringLiteral("ROSSI"),
                        QStringLiteral("7")});
    }
    // A one-page PDF with a text that must travel intact.
    QString pdf(const QString& testo) {
        const QString f = dir.filePath(QStringLiteral("stampa.pdf"));
        LumoStampe s;
        s.definisciStile({QStringLiteral("CorpoCampo"), QStringLiteral("Arial"), 10, false});
        s.selezionaStile(QStringLiteral("CorpoCampo"));
        EXPECT_TRUE(s.apriPdf(f));
        s.testo(10, 10, 150, testo);
        EXPECT_TRUE(s.fine());
        return f;
    }
    // A complete SMTP configuration towards `server`.
    void perServer(const ServerSmtpProva& server) {
        metti(QStringLiteral("EmailTipoInvio"), QStringLiteral("See"));
        metti(QStringLiteral("EmailServerSMTP"), QStringLiteral("127.0.0.1"));
        metti(QStringLiteral("EmailNumPorta"), QString::number(server.porta));
        metti(QStringLiteral("EmailFileCA"), server.cert);
        metti(QStringLiteral("EmailLogin"), QStringLiteral("ufficio"));
        metti(QStringLiteral("EmailPwd"), Pwd);
        metti(QStringLiteral("EmailInd"), QStringLiteral("fatture@rossi.example"));
        metti(QStringLiteral("EmailTo1"), QStringLiteral("studio@commercialista.example"));
    }
};

#define SERVER_O_SALTA(s)                                                                                    \
    if (!(s).pronto())                                                                                       \
    GTEST_SKIP() << (s).motivo.toStdString()

} // namespace

TEST(EmailStampa, thePdfReachesTheServerOverStartTlsWithSubjectAndBodyReplaced) {
    ServerSmtpProva server({true, QStringLiteral("ufficio"), Pwd});
    SERVER_O_SALTA(server);
    Ambiente a;
    a.perServer(server);
    // Saved the ways the dialog saves them: this print on this workstation wins over the default.
    a.metti(QStringLiteral("EmailTo2"), QStringLiteral("altro@commercialista.example"));
    a.metti(QStringLiteral("@POST7.StFatPas.EmailToNum"), QStringLiteral("2"));
    a.metti(QStringLiteral("EmailToNum"), QStringLiteral("1"));
    a.metti(QStringLiteral("EmailCentro"), QStringLiteral("Amministrazione Rossi"));
    a.metti(QStringLiteral("EmailReplay"), QStringLiteral("risposte@rossi.example"));
    a.metti(QStringLiteral("EmailOggetto"), QStringLiteral("Oggetto generico"));
    a.metti(QStringLiteral("StFatPas.EmailPersOggetto"),
            QStringLiteral("§DescAzie§ - fattura §Numero§ del §Data§ (§CodSta§)"));
    a.metti(QStringLiteral("EmailTipoNum"), QStringLiteral("Scelta 2"));
    a.metti(QStringLiteral("EmailTesto1"), QStringLiteral("Testo uno"));
    a.metti(QStringLiteral("EmailTesto2"),
            QStringLiteral("Buongiorno,\\nin allegato la fattura §Numero§.\\nCordialità, §Login§"));
    a.metti(QStringLiteral("PdfEmail"), QStringLiteral("Fattura_§Numero§"));
    a.metti(QStringLiteral("EmailFlagNotifica"), QStringLiteral("S"));
    const QString pdf = a.pdf(QStringLiteral("Totale documento 1.234,56"));

    InterazioneProva ui;
    // A value from an invoice file carrying a line break must not become a header of its own.
    ASSERT_TRUE(InviaEmail(a.impostazione(), pdf, ui,
                           {{QStringLiteral("Numero"), QStringLiteral("12/A\r\nBcc: intruso@x.example")}}))
        << ui.testiMostrati().join(u'|').toStdString();
    EXPECT_TRUE(ui.mostrati.isEmpty());

    const auto r = server.ricevuti();
    ASSERT_EQ(r.size(), 1);
    const QJsonObject m = r[0];
    EXPECT_TRUE(m[QStringLiteral("tls")].toBool()) << "the password went over a connection in clear";
    EXPECT_EQ(m[QStringLiteral("login")].toString(), QStringLiteral("ufficio"));
    EXPECT_EQ(m[QStringLiteral("busta_a")].toArray(),
              QJsonArray{QStringLiteral("altro@commercialista.example")});
    EXPECT_EQ(m[QStringLiteral("busta_da")].toString(), QStringLiteral("fatture@rossi.example"));
    EXPECT_EQ(m[QStringLiteral("da")].toString(),
              QStringLiteral("Amministrazione Rossi <fatture@rossi.example>"));
    EXPECT_EQ(m[QStringLiteral("rispondi_a")].toString(), QStringLiteral("risposte@rossi.example"));
    EXPECT_EQ(m[QStringLiteral("notifica")].toString(), QStringLiteral("<fatture@rossi.example>"));
    const QString oggi = QDate::currentDate().toString(QStringLiteral("ddMMyyyy"));
    EXPECT_EQ(m[QStringLiteral("oggetto")].toString(),
              QStringLiteral("Rossi & Figli S.r.l. - fattura 12/A  Bcc: intruso@x.example del %1 (StFatPas)")
                  .arg(oggi));
    EXPECT_EQ(m[QStringLiteral("testo")].toString().replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
              QStringLiteral(
                  "Buongiorno,\nin allegato la fattura 12/A\r\nBcc: intruso@x.example.\nCordialità, mrossi")
                  .replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
    EXPECT_TRUE(m[QStringLiteral("difetti")].toArray().isEmpty());
    const QJsonArray allegati = m[QStringLiteral("allegati")].toArray();
    ASSERT_EQ(allegati.size(), 1);
    EXPECT_EQ(allegati[0].toObject()[QStringLiteral("nome")].toString(),
              QStringLiteral("Fattura_12_A  Bcc_ intruso@x.example.pdf"));
    EXPECT_EQ(allegati[0].toObject()[QStringLiteral("tipo")].toString(), QStringLiteral("application/pdf"));
    // The attachment is the very PDF: byte for byte, and its text reads.
    QFile originale(pdf), arrivato(server.allegato(1, 1));
    ASSERT_TRUE(originale.open(QIODevice::ReadOnly) && arrivato.open(QIODevice::ReadOnly));
    EXPECT_EQ(originale.readAll(), arrivato.readAll());
    EXPECT_TRUE(
        tesel::prova::testoPdf(server.allegato(1, 1)).contains(QStringLiteral("Totale documento 1.234,56")));
    EXPECT_FALSE(server.grezzo(1).contains("\nBcc:"));
    EXPECT_FALSE(server.grezzo(1).contains(Pwd.toUtf8()));
}

TEST(EmailStampa, aRefusedPasswordIsReportedWithoutShowingItAndTheLogKeepsItOut) {
    ServerSmtpProva server({true, QStringLiteral("ufficio"), QStringLiteral("quella-giusta")});
    SERVER_O_SALTA(server);
    Ambiente a;
    a.perServer(server);
    const QString log = a.dir.filePath(QStringLiteral("email.log"));
    a.metti(QStringLiteral("EmailFileLog"), log);
    InterazioneProva ui;
    EXPECT_FALSE(InviaEmail(a.impostazione(), a.pdf(QStringLiteral("x")), ui));
    ASSERT_EQ(ui.mostrati.size(), 1);
    const QString msg = ui.mostrati[0].testo;
    EXPECT_TRUE(msg.startsWith(QStringLiteral("Il server SMTP 127.0.0.1 non ha accettato login e password")))
        << msg.toStdString();
    EXPECT_FALSE(msg.contains(Pwd));
    EXPECT_TRUE(server.ricevuti().isEmpty());
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString righe = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(righe.contains(QStringLiteral(
        " - See - a: studio@commercialista.example - oggetto: Stampa Fatture Passive - Il server SMTP")))
        << righe.toStdString();
    EXPECT_FALSE(righe.contains(Pwd));
}

TEST(EmailStampa, anUntrustedCertificateStopsTheSendBeforeTheLogin) {
    ServerSmtpProva server({true, QStringLiteral("ufficio"), Pwd});
    SERVER_O_SALTA(server);
    Ambiente a;
    a.perServer(server);
    a.metti(QStringLiteral("EmailFileCA"), QString()); // the system's authorities do not know it
    InterazioneProva ui;
    EXPECT_FALSE(InviaEmail(a.impostazione(), a.pdf(QStringLiteral("x")), ui));
    ASSERT_EQ(ui.mostrati.size(), 1);
    EXPECT_TRUE(ui.mostrati[0].testo.startsWith(
        QStringLiteral("Il certificato del server SMTP 127.0.0.1 non è valido")))
        << ui.mostrati[0].testo.toStdString();
    EXPECT_TRUE(server.ricevuti().isEmpty());
}

TEST(EmailStampa, whatIsMissingIsListedAndNothingIsSent) {
    struct Caso {
        const char* nome;
        QString tipo, login, pwd, smtp, to, temp;
        QString atteso; // empty: nothing missing
    };
    const QString testa = QStringLiteral("Mancano dati necessari per l'invio dell'email");
    const std::vector<Caso> casi{
        {"senza login", "CDO", "", "p", "smtp.x.it", "a@b.it", "",
         testa + "\n - Login:\n - pwd compilata: Sì\n - SMTP:smtp.x.it\n - Emailto:a@b.it\n - Ind.Temp:"},
        {"senza password", "See", "u", "", "smtp.x.it", "a@b.it", "",
         testa + "\n - Login:u\n - pwd compilata: No\n - SMTP:smtp.x.it\n - Emailto:a@b.it\n - Ind.Temp:"},
        {"senza server", "CDO", "u", "p", "", "a@b.it", "",
         testa + "\n - Login:u\n - pwd compilata: Sì\n - SMTP:\n - Emailto:a@b.it\n - Ind.Temp:"},
        {"senza destinatario", "CDO", "u", "p", "smtp.x.it", "", "",
         testa + "\n - Login:u\n - pwd compilata: Sì\n - SMTP:smtp.x.it\n - Emailto:\n - Ind.Temp:"},
        {"indirizzo temporaneo al posto del destinatario", "CDO", "u", "p", "smtp.x.it", "", "t@b.it", ""},
        {"sendmail non chiede account", "Sendmail", "", "", "", "a@b.it", "", ""},
        {"sendmail senza destinatario", "Sendmail", "", "", "", "", "",
         testa + "\n - Login:\n - pwd compilata: No\n - SMTP:\n - Emailto:\n - Ind.Temp:"},
    };
    for (const Caso& c : casi) {
        SCOPED_TRACE(c.nome);
        Ambiente a;
        a.metti(QStringLiteral("EmailTipoInvio"), c.tipo);
        a.metti(QStringLiteral("EmailLogin"), c.login);
        a.metti(QStringLiteral("EmailPwd"), c.pwd);
        a.metti(QStringLiteral("EmailServerSMTP"), c.smtp);
        a.metti(QStringLiteral("EmailTo1"), c.to);
        a.metti(QStringLiteral("EmailToTemp"), c.temp);
        const ParametriEmail p = leggiParametriEmail(a.impostazione());
        EXPECT_EQ(datiMancantiEmail(p), c.atteso);
        if (c.atteso.isEmpty())
            continue;
        InterazioneProva ui;
        EXPECT_FALSE(InviaEmail(a.impostazione(), a.pdf(QStringLiteral("x")), ui));
        EXPECT_EQ(ui.testiMostrati(), QStringList{c.atteso});
    }
}

TEST(EmailStampa, aPrintNotAmongThoseAllowedIsNotSent) {
    ServerSmtpProva server({false, {}, {}});
    SERVER_O_SALTA(server);
    Ambiente a;
    a.perServer(server);
    a.metti(QStringLiteral("EmailLogin"), QString());
    a.metti(QStringLiteral("EmailTipoInvio"), QStringLiteral("CDO"));
    a.metti(QStringLiteral("StampeEmail"), QStringLiteral("StOrdini,StDDT,"));
    InterazioneProva ui;
    EXPECT_FALSE(InviaEmail(a.impostazione(), a.pdf(QStringLiteral("x")), ui));
    EXPECT_EQ(ui.testiMostrati(),
              QStringList{QStringLiteral(
                  "La stampa StFatPas non è tra quelle che si possono inviare per email (StampeEmail)")});
    // Allowed, and a recipient given by the caller (tesel-cli --email) wins over the options.
    a.metti(QStringLiteral("StampeEmail"), QStringLiteral("StOrdini,stfatpas,"));
    a.metti(QStringLiteral("EmailLogin"), QStringLiteral("ufficio"));
    InterazioneProva ui2;
    EXPECT_TRUE(
        InviaEmail(a.impostazione(), a.pdf(QStringLiteral("x")), ui2, {}, QStringLiteral("cli@dest.example")))
        << ui2.testiMostrati().join(u'|').toStdString();
    const auto r = server.ricevuti();
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0][QStringLiteral("busta_a")].toArray(), QJsonArray{QStringLiteral("cli@dest.example")});
    EXPECT_FALSE(r[0][QStringLiteral("tls")].toBool()); // a server without STARTTLS on this computer
}

class ContattiEmailDb : public tesel::prova::ConDatabase {};

TEST_F(ContattiEmailDb, theDefaultContactIsTheOneChosenElseTheFirstGiven) {
    creaSchemaAzienda();
    db().EseguiSql(QStringLiteral(
        "INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione, EMail, Email2, "
        "Email3, Email4, EmailPredef) VALUES ('40', '10', '1005', 2, 'Fornitore A', 'info@a.it', "
        "'amm@a.it', '', 'sped@a.it', 2)"));
    db().EseguiSql(
        QStringLiteral("INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione, Email3, "
                       "EmailPredef) VALUES ('40', '10', '1006', 2, 'Fornitore B', 'comm@b.it', 1)"));
    db().EseguiSql(QStringLiteral("INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione) VALUES "
                                  "('40', '10', '1007', 2, 'Fornitore C')"));
    const ContattiEmail a = contattiEmail(db(), {"40", "10", "1005"});
    EXPECT_EQ(a.indirizzi, (QStringList{"info@a.it", "amm@a.it", "", "sped@a.it"}));
    EXPECT_EQ(a.indirizzoPredefinito(), QStringLiteral("amm@a.it"));
    // The chosen contact has no address: the first one given serves.
    EXPECT_EQ(contattiEmail(db(), {"40", "10", "1006"}).indirizzoPredefinito(), QStringLiteral("comm@b.it"));
    EXPECT_EQ(contattiEmail(db(), {"40", "10", "1007"}).predefinito, 0);
    EXPECT_EQ(contattiEmail(db(), {"40", "99", "9"}).indirizzi, (QStringList{"", "", "", ""}));
    EXPECT_EQ(contattiEmail(db(), {"4O", "10", "1005"}).indirizzi, (QStringList{"", "", "", ""}));
}
