#include "printing/email.h"

#include "frame/codiceconto.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/sqlvalore.h"
#include "printing/impostazione.h"
#include "printing/parametriemail.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QUuid>

#include <curl/curl.h>

#include <cstring>
#include <functional>

namespace tesel::stampa {

namespace {

const QString MsgMancano = QStringLiteral("Mancano dati necessari per l'invio dell'email");

bool vero(const QString& v) {
    const QString s = v.trimmed().toLower();
    return s == u"s" || s == u"true" || s == u"vero" || s == u"si" || s == u"1" || s == u"-1";
}

// A number that may be written "Scelta 2" (the caption of the dialog's list) or "2".
int numeroScelta(const QString& v, int minimo, int massimo) {
    QString cifre;
    for (QChar c : v)
        if (c.isDigit())
            cifre += c;
    const int n = cifre.toInt();
    return n >= minimo && n <= massimo ? n : 0;
}

// The profile keeps one line per value: "\n" written in the text stands for a line break.
QString righe(const QString& v) {
    QString t = v;
    t.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    return t;
}

TipoInvio tipoInvio(const QString& v) {
    const QString s = v.trimmed().toLower();
    if (s == u"sendmail")
        return TipoInvio::Sendmail;
    if (s == u"outlook")
        return TipoInvio::Outlook;
    if (s == u"see")
        return TipoInvio::See;
    return TipoInvio::Cdo;
}

// RFC 2047 encoded word when the text is not plain ASCII.
QByteArray intestazione(const QString& t) {
    bool ascii = true;
    for (QChar c : t)
        if (c.unicode() > 126 || c.unicode() < 32)
            ascii = false;
    if (ascii)
        return t.toLatin1();
    // Encoded words are at most 75 characters: split the text on character boundaries.
    QByteArray uscita;
    QString pezzo;
    const auto chiudi = [&] {
        if (pezzo.isEmpty())
            return;
        if (!uscita.isEmpty())
            uscita += "\r\n ";
        uscita += "=?UTF-8?B?" + pezzo.toUtf8().toBase64() + "?=";
        pezzo.clear();
    };
    for (int i = 0; i < t.size(); ++i) {
        pezzo += t[i];
        if (t[i].isHighSurrogate() && i + 1 < t.size())
            pezzo += t[++i];
        if (pezzo.toUtf8().size() >= 42)
            chiudi();
    }
    chiudi();
    return uscita;
}

QByteArray indirizzo(const QString& nome, const QString& ind) {
    if (nome.trimmed().isEmpty())
        return '<' + ind.trimmed().toUtf8() + '>';
    QString n = nome.trimmed();
    bool ascii =
        std::all_of(n.begin(), n.end(), [](QChar c) { return c.unicode() >= 32 && c.unicode() < 127; });
    if (ascii) {
        n.replace(QStringLiteral("\\"), QStringLiteral("\\\\"))
            .replace(QStringLiteral("\""), QStringLiteral("\\\""));
        return '"' + n.toLatin1() + "\" <" + ind.trimmed().toUtf8() + '>';
    }
    return intestazione(n) + " <" + ind.trimmed().toUtf8() + '>';
}

QByteArray base64Righe(const QByteArray& dati) {
    const QByteArray b = dati.toBase64();
    QByteArray uscita;
    uscita.reserve(b.size() + b.size() / 76 * 2 + 2);
    for (qsizetype i = 0; i < b.size(); i += 76)
        uscita += b.mid(i, 76) + "\r\n";
    return uscita;
}

// A header value must not carry line breaks of its own (header injection).
QString unaRiga(QString s) {
    s.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s.trimmed();
}

bool indirizzoValido(const QString& s) {
    const QString t = s.trimmed();
    const qsizetype chiocciola = t.indexOf(QLatin1Char('@'));
    return chiocciola > 0 && chiocciola < t.size() - 1 && !t.contains(QLatin1Char(' ')) &&
           !t.contains(QLatin1Char('<')) && !t.contains(QLatin1Char('>')) && !t.contains(QLatin1Char(','));
}

struct Lettura {
    const QByteArray* dati;
    qsizetype pos = 0;
};

size_t leggiMessaggio(char* buffer, size_t dimensione, size_t quanti, void* utente) {
    auto* l = static_cast<Lettura*>(utente);
    const size_t resto = static_cast<size_t>(l->dati->size() - l->pos);
    const size_t n = std::min(resto, dimensione * quanti);
    std::memcpy(buffer, l->dati->constData() + l->pos, n);
    l->pos += static_cast<qsizetype>(n);
    return n;
}

bool suQuestoComputer(const QString& host) {
    return host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0 ||
           host.startsWith(QStringLiteral("127.")) || host == QStringLiteral("::1");
}

EsitoEmail viaSmtp(const ParametriEmail& p, const MessaggioEmail& m, const QByteArray& testo) {
    EsitoEmail e;
    CURL* c = curl_easy_init();
    if (!c) {
        e.errore = QStringLiteral("Impossibile preparare l'invio dell'email");
        return e;
    }
    int porta = p.porta > 0 ? p.porta : (p.usaSsl ? 465 : 25);
    QString host = p.serverSmtp.trimmed();
    // A server written with its scheme or port ("smtp.x.it:587") is taken as the user meant it.
    int portaScritta = 0;
    if (host.contains(QStringLiteral("://"))) {
        const QUrl u(host);
        host = u.host();
        portaScritta = u.port(0);
    } else if (host.count(QLatin1Char(':')) == 1) {
        portaScritta = host.section(QLatin1Char(':'), 1).toInt();
        host = host.section(QLatin1Char(':'), 0, 0);
    }
    if (p.porta == 0 && portaScritta > 0)
        porta = portaScritta;
    // An IPv6 address goes between brackets in the URL.
    const QString nomeHost = host.contains(QLatin1Char(':')) ? u'[' + host + u']' : host;
    const QByteArray url = QStringLiteral("%1://%2:%3")
                               .arg(p.usaSsl ? QStringLiteral("smtps") : QStringLiteral("smtp"), nomeHost)
                               .arg(porta)
                               .toUtf8();
    const QByteArray login = p.login.toUtf8();
    const QByteArray pwd = p.pwd.toUtf8();
    const QByteArray da = '<' + m.mittente.trimmed().toUtf8() + '>';
    const QByteArray ca = QFile::encodeName(p.fileCA.trimmed());
    char erroreCurl[CURL_ERROR_SIZE] = {};
    curl_slist* destinatari = nullptr;
    std::vector<QByteArray> copie;
    for (const QString& d : m.destinatari) {
        copie.push_back('<' + d.trimmed().toUtf8() + '>');
        destinatari = curl_slist_append(destinatari, copie.back().constData());
    }
    Lettura lettura{&testo};
    curl_easy_setopt(c, CURLOPT_URL, url.constData());
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, erroreCurl);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(c, CURLOPT_TIMEOUT, 120L);
    if (!p.usaSsl) {
        // A password never crosses the network in clear: STARTTLS is required then, and tried
        // whenever the server offers it.
        const bool obbligatorio = !p.login.isEmpty() && !suQuestoComputer(host);
        curl_easy_setopt(c, CURLOPT_USE_SSL,
                         obbligatorio ? static_cast<long>(CURLUSESSL_ALL)
                                      : static_cast<long>(CURLUSESSL_TRY));
    }
    if (!ca.isEmpty())
        curl_easy_setopt(c, CURLOPT_CAINFO, ca.constData());
    if (!p.login.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, login.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, pwd.constData());
    }
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, da.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, destinatari);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, leggiMessaggio);
    curl_easy_setopt(c, CURLOPT_READDATA, &lettura);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    const CURLcode r = curl_easy_perform(c);
    curl_slist_free_all(destinatari);
    curl_easy_cleanup(c);
    if (r == CURLE_OK) {
        e.ok = true;
        return e;
    }
    QString dettaglio = QString::fromUtf8(erroreCurl).trimmed();
    if (dettaglio.isEmpty())
        dettaglio = QString::fromUtf8(curl_easy_strerror(r));
    switch (r) {
    case CURLE_LOGIN_DENIED:
        e.errore =
            QStringLiteral("Il server SMTP %1 non ha accettato login e password (%2)").arg(host, dettaglio);
        break;
    case CURLE_USE_SSL_FAILED:
        e.errore =
            QStringLiteral("Il server SMTP %1 non offre una connessione cifrata (STARTTLS): la password "
                           "non viene inviata in chiaro")
                .arg(host);
        break;
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
        e.errore = QStringLiteral("Il certificato del server SMTP %1 non è valido (%2)").arg(host, dettaglio);
        break;
    case CURLE_COULDNT_CONNECT:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_OPERATION_TIMEDOUT:
        e.errore = QStringLiteral("Impossibile raggiungere il server SMTP %1 sulla porta %2 (%3)")
                       .arg(host)
                       .arg(porta)
                       .arg(dettaglio);
        break;
    default:
        e.errore = QStringLiteral("Invio dell'email non riuscito (%1)").arg(dettaglio);
    }
    // Whatever the library wrote, the password does not leave here.
    if (!p.pwd.isEmpty())
        e.errore.replace(p.pwd, QStringLiteral("****"));
    return e;
}

QString programmaSendmail() {
    for (const QString& f : {QStringLiteral("/usr/sbin/sendmail"), QStringLiteral("/usr/lib/sendmail")})
        if (QFileInfo(f).isExecutable())
            return f;
    return QStandardPaths::findExecutable(QStringLiteral("sendmail"));
}

EsitoEmail viaSendmail(const QByteArray& testo) {
    EsitoEmail e;
    const QString programma = programmaSendmail();
    if (programma.isEmpty()) {
        e.errore = QStringLiteral("Programma sendmail non trovato: installare un programma di posta (MTA) "
                                  "o scegliere un altro tipo di invio");
        return e;
    }
    QProcess p;
    p.start(programma, {QStringLiteral("-t"), QStringLiteral("-i")});
    if (!p.waitForStarted(10000)) {
        e.errore = QStringLiteral("Impossibile avviare %1").arg(programma);
        return e;
    }
    // sendmail reads the message with the system's own line ends.
    QByteArray lf = testo;
    lf.replace("\r\n", "\n");
    p.write(lf);
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished(5000);
        e.errore = QStringLiteral("%1 non ha terminato l'invio").arg(programma);
        return e;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        e.errore = QStringLiteral("%1 ha rifiutato il messaggio (codice %2): %3")
                       .arg(programma)
                       .arg(p.exitCode())
                       .arg(QString::fromLocal8Bit(p.readAllStandardError()).trimmed());
        return e;
    }
    e.ok = true;
    return e;
}

EsitoEmail viaProgrammaPosta(const MessaggioEmail& m) {
    EsitoEmail e;
    const QString programma = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (programma.isEmpty()) {
        e.errore = QStringLiteral("Programma xdg-email non trovato (pacchetto xdg-utils)");
        return e;
    }
    QStringList argomenti{QStringLiteral("--utf8"), QStringLiteral("--subject"), m.oggetto,
                          QStringLiteral("--body"), m.testo};
    if (!m.allegato.isEmpty())
        argomenti << QStringLiteral("--attach") << m.allegato;
    argomenti << m.destinatari;
    // The user's mail program stays open on the message: nothing to wait for.
    if (!QProcess::startDetached(programma, argomenti)) {
        e.errore = QStringLiteral("Impossibile aprire il programma di posta");
        return e;
    }
    e.ok = true;
    return e;
}

void scriviLog(const ParametriEmail& p, const MessaggioEmail& m, const EsitoEmail& e) {
    if (p.fileLog.trimmed().isEmpty())
        return;
    QFile f(p.fileLog.trimmed());
    if (!f.open(QIODevice::Append | QIODevice::Text))
        return;
    QString riga = QDateTime::currentDateTime().toString(QStringLiteral("dd/MM/yyyy hh:mm:ss")) +
                   QStringLiteral(" - ") + p.tipoInvioTesto + QStringLiteral(" - a: ") +
                   m.destinatari.join(QStringLiteral(", ")) + QStringLiteral(" - oggetto: ") +
                   unaRiga(m.oggetto) + QStringLiteral(" - ") +
                   (e.ok ? QStringLiteral("Inviata") : unaRiga(e.errore));
    if (!p.pwd.isEmpty())
        riga.replace(p.pwd, QStringLiteral("****"));
    f.write((riga + QLatin1Char('\n')).toUtf8());
}

} // namespace

QString ParametriEmail::destinatario() const {
    if (!toTemp.trimmed().isEmpty())
        return toTemp.trimmed();
    return to.value(toNum - 1).trimmed();
}

namespace {

// The parameters from the values `valore` gives by name (the print options, or those with what
// the user has just given in their place).
ParametriEmail parametriDa(const std::function<QString(const QString&)>& valore) {
    ParametriEmail p;
    const auto leggi = [&](const QString& nome) { return valore(nome).trimmed(); };
    p.tipoInvioTesto = leggi(QStringLiteral("EmailTipoInvio"));
    if (p.tipoInvioTesto.isEmpty())
        p.tipoInvioTesto = QStringLiteral("CDO");
    p.tipoInvio = tipoInvio(p.tipoInvioTesto);
    p.ind = leggi(QStringLiteral("EmailInd"));
    p.centro = leggi(QStringLiteral("EmailCentro"));
    p.replay = leggi(QStringLiteral("EmailReplay"));
    p.smtpTipo = leggi(QStringLiteral("EmailSMTPtipo"));
    p.serverSmtp = leggi(QStringLiteral("EmailServerSMTP"));
    p.porta = numeroScelta(leggi(QStringLiteral("EmailNumPorta")), 1, 65535);
    p.usaSsl = vero(leggi(QStringLiteral("EmailUsaSSL")));
    p.fileCA = leggi(QStringLiteral("EmailFileCA"));
    p.login = leggi(QStringLiteral("EmailLogin"));
    // A password may begin or end with blanks: taken as written.
    p.pwd = valore(QStringLiteral("EmailPwd"));
    for (int i = 1; i <= 3; ++i)
        p.to << leggi(QStringLiteral("EmailTo%1").arg(i));
    p.toNum = numeroScelta(leggi(QStringLiteral("EmailToNum")), 1, 3);
    if (p.toNum == 0)
        p.toNum = 1;
    p.toTemp = leggi(QStringLiteral("EmailToTemp"));
    p.numTesto = numeroScelta(leggi(QStringLiteral("EmailNumTesto")), 1, 3);
    if (p.numTesto == 0)
        p.numTesto = numeroScelta(leggi(QStringLiteral("EmailTipoNum")), 1, 3);
    if (p.numTesto == 0)
        p.numTesto = 1;
    p.testo = valore(QStringLiteral("EmailTesto%1").arg(p.numTesto));
    if (p.testo.isEmpty() && p.numTesto == 1)
        p.testo = valore(QStringLiteral("EmailTesto"));
    p.testo = righe(p.testo);
    p.oggetto = leggi(QStringLiteral("EmailOggetto"));
    p.persOggetto = leggi(QStringLiteral("EmailPersOggetto"));
    p.pdfEmail = leggi(QStringLiteral("PdfEmail"));
    p.fileLog = leggi(QStringLiteral("EmailFileLog"));
    p.flagNotifica = vero(leggi(QStringLiteral("EmailFlagNotifica")));
    p.stampeEmail = leggi(QStringLiteral("StampeEmail"));
    return p;
}

} // namespace

ParametriEmail leggiParametriEmail(const ImpostazioneStampa& imp) {
    return parametriDa([&](const QString& nome) { return imp.opzione(SezioneOpzioni, nome); });
}

QStringList campiMancantiEmail(const ParametriEmail& p) {
    QStringList c;
    if (p.viaSmtp()) {
        if (p.login.isEmpty())
            c << QStringLiteral("EmailLogin");
        if (p.pwd.isEmpty())
            c << QStringLiteral("EmailPwd");
        if (p.serverSmtp.isEmpty())
            c << QStringLiteral("EmailServerSMTP");
    }
    if (p.destinatario().isEmpty())
        c << QStringLiteral("EmailTo%1").arg(p.toNum);
    return c;
}

QString datiMancantiEmail(const ParametriEmail& p) {
    if (campiMancantiEmail(p).isEmpty())
        return {};
    return MsgMancano + QStringLiteral("\n - Login:") + p.login + QStringLiteral("\n - pwd compilata: ") +
           (p.pwd.isEmpty() ? QStringLiteral("No") : QStringLiteral("Sì")) + QStringLiteral("\n - SMTP:") +
           p.serverSmtp + QStringLiteral("\n - Emailto:") + p.to.value(p.toNum - 1) +
           QStringLiteral("\n - Ind.Temp:") + p.toTemp;
}

bool componiMessaggio(const MessaggioEmail& m, const QDateTime& quando, QByteArray& uscita, QString& errore) {
    QByteArray allegato;
    if (!m.allegato.isEmpty()) {
        QFile f(m.allegato);
        if (!f.open(QIODevice::ReadOnly)) {
            errore = QStringLiteral("Impossibile leggere il file da allegare %1").arg(m.allegato);
            return false;
        }
        allegato = f.readAll();
    }
    const QByteArray confine = "=_tesel_" + QUuid::createUuid().toByteArray(QUuid::Id128);
    const QString dominio = m.mittente.section(QLatin1Char('@'), 1).trimmed();
    QByteArray t;
    t += "Date: " + quando.toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    t += "From: " + indirizzo(unaRiga(m.nomeMittente), unaRiga(m.mittente)) + "\r\n";
    QList<QByteArray> a;
    for (const QString& d : m.destinatari)
        a << '<' + unaRiga(d).toUtf8() + '>';
    t += "To: " + a.join(", ") + "\r\n";
    if (!m.rispondiA.trimmed().isEmpty())
        t += "Reply-To: <" + unaRiga(m.rispondiA).toUtf8() + ">\r\n";
    if (m.notifica)
        t += "Disposition-Notification-To: <" + unaRiga(m.mittente).toUtf8() + ">\r\n";
    t += "Subject: " + intestazione(unaRiga(m.oggetto)) + "\r\n";
    t += "Message-ID: <" + QUuid::createUuid().toByteArray(QUuid::Id128) + '@' +
         (dominio.isEmpty() ? QByteArray("tesel") : dominio.toUtf8()) + ">\r\n";
    t += "MIME-Version: 1.0\r\n";
    t += "Content-Type: multipart/mixed; boundary=\"" + confine + "\"\r\n\r\n";
    t += "--" + confine + "\r\n";
    t += "Content-Type: text/plain; charset=UTF-8\r\nContent-Transfer-Encoding: base64\r\n\r\n";
    QString corpo = m.testo;
    corpo.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    t += base64Righe(corpo.toUtf8());
    if (!m.allegato.isEmpty()) {
        QString nome = m.nomeAllegato.isEmpty() ? QFileInfo(m.allegato).fileName() : m.nomeAllegato;
        nome = unaRiga(nome).replace(QLatin1Char('"'), QLatin1Char('_'));
        const QByteArray n = intestazione(nome);
        const bool pdf = nome.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive);
        t += "--" + confine + "\r\n";
        t += "Content-Type: " + QByteArray(pdf ? "application/pdf" : "application/octet-stream") +
             "; name=\"" + n + "\"\r\n";
        t += "Content-Transfer-Encoding: base64\r\n";
        t += "Content-Disposition: attachment; filename=\"" + n + "\"\r\n\r\n";
        t += base64Righe(allegato);
    }
    t += "--" + confine + "--\r\n";
    uscita = t;
    return true;
}

EsitoEmail spedisciEmail(const ParametriEmail& p, const MessaggioEmail& m) {
    EsitoEmail e;
    for (const QString& d : m.destinatari)
        if (!indirizzoValido(d)) {
            e.errore = QStringLiteral("Indirizzo email non valido: %1").arg(d);
            return e;
        }
    if (p.tipoInvio == TipoInvio::Outlook)
        return viaProgrammaPosta(m);
    if (m.mittente.trimmed().isEmpty()) {
        e.errore = QStringLiteral("Manca l'indirizzo email di chi invia (Indirizzo email di chi invia)");
        return e;
    }
    if (!indirizzoValido(m.mittente)) {
        e.errore = QStringLiteral("Indirizzo email di chi invia non valido: %1").arg(m.mittente);
        return e;
    }
    QByteArray testo;
    if (!componiMessaggio(m, QDateTime::currentDateTime(), testo, e.errore))
        return e;
    if (p.tipoInvio == TipoInvio::Sendmail)
        return viaSendmail(testo);
    return viaSmtp(p, m, testo);
}

bool InviaEmail(const ImpostazioneStampa& imp, const QString& pdf, Interazione& ui,
                const QHash<QString, QString>& aggiunti, const QString& destinatario) {
    ParametriEmail p = leggiParametriEmail(imp);
    if (!destinatario.trimmed().isEmpty())
        p.toTemp = destinatario.trimmed();
    const QString codSta = imp.identita().codSta;
    if (!p.stampeEmail.isEmpty()) {
        const QStringList ammesse = p.stampeEmail.split(QLatin1Char(','), Qt::SkipEmptyParts);
        const bool ok = std::any_of(ammesse.begin(), ammesse.end(), [&](const QString& s) {
            return s.trimmed().compare(codSta, Qt::CaseInsensitive) == 0 ||
                   s.trimmed().compare(QStringLiteral("tutti"), Qt::CaseInsensitive) == 0;
        });
        if (!ok) {
            msgCom(ui, QStringLiteral(
                           "La stampa %1 non è tra quelle che si possono inviare per email (StampeEmail)")
                           .arg(codSta));
            return false;
        }
    }
    if (const QStringList mancanti = campiMancantiEmail(p); !mancanti.isEmpty()) {
        // Whoever follows the print may let the user give what is missing: what is confirmed
        // counts for this send (and is saved only where the user saves it).
        QHash<QString, QString> valori;
        for (const ParametroEmail& par : parametriPdfEmail())
            valori.insert(par.nome, imp.opzione(SezioneOpzioni, par.nome));
        if (!p.toTemp.isEmpty())
            valori.insert(QStringLiteral("EmailToTemp"), p.toTemp);
        if (ui.completaParametri(GruppoEmail, valori, mancanti)) {
            p = parametriDa([&](const QString& nome) {
                return valori.contains(nome) ? valori.value(nome) : imp.opzione(SezioneOpzioni, nome);
            });
            if (!destinatario.trimmed().isEmpty())
                p.toTemp = destinatario.trimmed();
        }
    }
    if (const QString m = datiMancantiEmail(p); !m.isEmpty()) {
        msgCom(ui, m);
        return false;
    }
    const QDateTime ora = QDateTime::currentDateTime();
    const auto sostituisci = [&](const QString& modello, bool perFile) {
        return sostituisciSegnaposto(modello, imp.postazione(), imp.azienda(), imp.identita(), ora, aggiunti,
                                     perFile);
    };
    MessaggioEmail m;
    m.mittente = p.ind.isEmpty() ? p.login : p.ind;
    m.nomeMittente = p.centro;
    m.rispondiA = p.replay;
    m.destinatari = p.destinatario().split(QRegularExpression(QStringLiteral("[;,]")), Qt::SkipEmptyParts);
    for (QString& d : m.destinatari)
        d = d.trimmed();
    QString oggetto = p.persOggetto.isEmpty() ? p.oggetto : p.persOggetto;
    if (oggetto.isEmpty())
        oggetto = imp.identita().titolo.isEmpty() ? QStringLiteral("§CodSta§") : QStringLiteral("§Titolo§");
    m.oggetto = sostituisci(oggetto, false);
    m.testo = sostituisci(p.testo, false);
    m.allegato = pdf;
    if (!p.pdfEmail.isEmpty()) {
        m.nomeAllegato = QFileInfo(sostituisci(p.pdfEmail, true)).fileName();
        if (!m.nomeAllegato.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive))
            m.nomeAllegato += QStringLiteral(".pdf");
    }
    m.notifica = p.flagNotifica;
    const EsitoEmail e = spedisciEmail(p, m);
    scriviLog(p, m, e);
    if (!e.ok)
        msgCom(ui, e.errore);
    return e.ok;
}

ContattiEmail contattiEmail(Database& db, const CodiceConto& conto) {
    ContattiEmail c;
    // Letters where the chart's accounts are numbers name nobody: no addresses.
    const auto dove = conto.completo() ? conto.condizioneSql(db.contiNumerici()) : std::nullopt;
    if (!dove) {
        c.indirizzi = QStringList(4, QString());
        return c;
    }
    Recordset rs = db.ApriRs(
        QStringLiteral("SELECT EMail, Email2, Email3, Email4, EmailPredef FROM PianoConti WHERE ") + *dove);
    for (const char* campo : {"EMail", "Email2", "Email3", "Email4"})
        c.indirizzi << (rs.RsVuoto() ? QString() : rs.leggiTesto(QString::fromLatin1(campo)).trimmed());
    if (rs.RsVuoto())
        return c;
    const int scelto = static_cast<int>(rs.leggiIntero(QStringLiteral("EmailPredef")).value_or(0));
    if (scelto >= 1 && scelto <= 4 && !c.indirizzi[scelto - 1].isEmpty())
        c.predefinito = scelto;
    else
        for (int i = 0; i < 4 && c.predefinito == 0; ++i)
            if (!c.indirizzi[i].isEmpty())
                c.predefinito = i + 1;
    return c;
}

} // namespace tesel::stampa
