#pragma once
// Sending the PDF of a print by e-mail (`InviaEmail`). The parameters are print options of
// section "Opzioni Stampa", read with the same key layout (common or this workstation, default
// or this print only), so the print dialog's e-mail panel and the engine agree.
//
// Transports ("EmailTipoInvio"):
//  - "CDO" and "See": SMTP through libcurl. "EmailUsaSSL" = "S" opens TLS at once (port 465
//    unless told); otherwise STARTTLS is used when the server offers it, and is required when a
//    password is about to travel to a server that is not on this computer. The server's
//    certificate is always verified ("EmailFileCA": PEM of the authorities to trust; empty: the
//    system's).
//  - "Sendmail": the message goes to the system's sendmail program ("sendmail -t -i").
//  - "Outlook": the user's mail program opens with the PDF attached (xdg-email); the user sends.
// The password never appears in a message, in the log ("EmailFileLog") or in a URL.

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>

namespace tesel {
class CodiceConto;
class Database;
class Interazione;
} // namespace tesel

namespace tesel::stampa {

class ImpostazioneStampa;

enum class TipoInvio { Cdo, Sendmail, Outlook, See };

struct ParametriEmail {
    TipoInvio tipoInvio = TipoInvio::Cdo; // "EmailTipoInvio"
    QString tipoInvioTesto;               // as written, for the messages
    QString ind;                          // "EmailInd": the sender's address
    QString centro;                       // "EmailCentro": the sender's name
    QString replay;                       // "EmailReplay": the Reply-To address
    QString smtpTipo;                     // "EmailSMTPtipo"
    QString serverSmtp;                   // "EmailServerSMTP"
    int porta = 0;                        // "EmailNumPorta"; 0: 465 with SSL, else 25
    bool usaSsl = false;                  // "EmailUsaSSL"
    QString fileCA;                       // "EmailFileCA"
    QString login;                        // "EmailLogin"
    QString pwd;                          // "EmailPwd"
    QStringList to;                       // "EmailTo1".."EmailTo3"
    int toNum = 1;                        // "EmailToNum": which of them
    QString toTemp;                       // "EmailToTemp": overrides the chosen one
    int numTesto = 1;                     // "EmailNumTesto" (else "EmailTipoNum"), 1 to 3
    QString testo;                        // the body: "EmailTesto<n>" ("EmailTesto" for 1)
    QString oggetto;                      // "EmailOggetto"
    QString persOggetto;                  // "EmailPersOggetto": wins over EmailOggetto
    QString pdfEmail;                     // "PdfEmail": name of the attachment (template)
    QString fileLog;                      // "EmailFileLog"
    bool flagNotifica = false;            // "EmailFlagNotifica": ask a read receipt
    QString stampeEmail;                  // "StampeEmail": print codes allowed, "," separated

    // The recipient the message goes to: the temporary one, else the chosen EmailTo.
    QString destinatario() const;
    // SMTP transports need a server and an account; the others only what the program asks.
    bool viaSmtp() const { return tipoInvio == TipoInvio::Cdo || tipoInvio == TipoInvio::See; }
};

ParametriEmail leggiParametriEmail(const ImpostazioneStampa& imp);

// The names of the parameters without which nothing can be sent (login, password and server of
// an SMTP transport, the recipient chosen), in the panel's terms; empty when nothing is missing.
QStringList campiMancantiEmail(const ParametriEmail& p);

// What `InviaEmail` asks the user, through `Interazione::completaParametri`, when something is
// missing: the values are the e-mail parameters under their option names.
inline const QString GruppoEmail = QStringLiteral("Email");

// The message "Mancano dati necessari per l'invio dell'email" with what is missing listed;
// empty when nothing is missing. The password shows only as "pwd compilata: Sì/No".
QString datiMancantiEmail(const ParametriEmail& p);

// One message ready to go.
struct MessaggioEmail {
    QString mittente;     // address
    QString nomeMittente; // display name
    QString rispondiA;
    QStringList destinatari;
    QString oggetto;
    QString testo;
    QString allegato;     // path of the file to attach; empty: none
    QString nomeAllegato; // file name shown to the recipient; empty: the file's own
    bool notifica = false;
};

// The message as RFC 5322 text with a MIME attachment (CRLF line ends, UTF-8 headers encoded).
// False with `errore` set when the attachment cannot be read.
bool componiMessaggio(const MessaggioEmail& m, const QDateTime& quando, QByteArray& uscita, QString& errore);

struct EsitoEmail {
    bool ok = false;
    QString errore; // Italian; never holds the password
};

// Hands `m` to the transport of `p`. Blocking (SMTP waits at most two minutes).
EsitoEmail spedisciEmail(const ParametriEmail& p, const MessaggioEmail& m);

// The e-mail of a print: the PDF `pdf` goes to the recipient of the parameters (or
// `destinatario` when given) with the subject and body of the parameters, their placeholders
// replaced (the report's own in `aggiunti`). When something the send needs is missing, `ui` is
// asked for it first (`completaParametri`); still missing, the missing-data message. Shows that
// message, or the failure, through `ui` and answers false; writes a line to "EmailFileLog" when
// set.
bool InviaEmail(const ImpostazioneStampa& imp, const QString& pdf, Interazione& ui,
                const QHash<QString, QString>& aggiunti = {}, const QString& destinatario = {});

// The e-mail addresses of an account's contacts ("Principale", "Amministrativo",
// "Commerciale", "Spedizioni": columns EMail, Email2, Email3, Email4 of PianoConti) and the
// one to use by default ("EmailPredef" 1 to 4; an empty default: the first address given).
struct ContattiEmail {
    QStringList indirizzi; // four, empty where none
    int predefinito = 0;   // 1..4; 0 when the account has no address
    QString indirizzoPredefinito() const {
        return predefinito > 0 ? indirizzi.value(predefinito - 1) : QString();
    }
};
ContattiEmail contattiEmail(Database& db, const CodiceConto& conto);
inline const QStringList DescrizioniContatti{QStringLiteral("Principale"), QStringLiteral("Amministrativo"),
                                             QStringLiteral("Commerciale"), QStringLiteral("Spedizioni")};

} // namespace tesel::stampa
