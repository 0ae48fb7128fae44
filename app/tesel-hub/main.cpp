// tesel-hub: the local Hub. A company can run it on its own network; the demo and the tests
// start it on the loopback. Its protocol is described in docs/protocollo-hub.md.

#include "archivio.h"
#include "fatturapa.h"
#include "hub/statidocumento.h"
#include "operazioni.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <httplib.h> // CPPHTTPLIB_OPENSSL_SUPPORT comes with the library's compile flags

using namespace tesel::hubserver;

namespace {

QTextStream& uscita() {
    static QTextStream s(stdout);
    return s;
}

QTextStream& errori() {
    static QTextStream s(stderr);
    return s;
}

// On a stop, the connections clients keep open between requests are told there is nothing more
// to read: a worker waiting on one for the client's next request (up to the keep-alive time,
// seconds) lets it go at once, while a request being answered still gets its whole answer, since
// only the reading side is shut. The accepted sockets are the process's connected sockets on
// the server's port (the Hub opens no other connection).
void chiudiLetturaConnessioni(int porta) {
    QDir fd(QStringLiteral("/proc/self/fd"));
    for (const QString& nome : fd.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot)) {
        bool ok = false;
        const int n = nome.toInt(&ok);
        struct stat st {};
        if (!ok || fstat(n, &st) != 0 || !S_ISSOCK(st.st_mode))
            continue;
        sockaddr_storage locale{}, remoto{};
        socklen_t l = sizeof locale, r = sizeof remoto;
        if (getsockname(n, reinterpret_cast<sockaddr*>(&locale), &l) != 0 ||
            getpeername(n, reinterpret_cast<sockaddr*>(&remoto), &r) != 0)
            continue;
        int suaPorta = -1;
        if (locale.ss_family == AF_INET)
            suaPorta = ntohs(reinterpret_cast<const sockaddr_in*>(&locale)->sin_port);
        else if (locale.ss_family == AF_INET6)
            suaPorta = ntohs(reinterpret_cast<const sockaddr_in6*>(&locale)->sin6_port);
        if (suaPorta == porta)
            shutdown(n, SHUT_RD);
    }
}

constexpr const char* Uso =
    "Uso: tesel-hub COMANDO --dati CARTELLA [opzioni]\n"
    "  serve     [--porta N] [--ascolta IP] [--cert FILE --chiave FILE] [--scadenza-token SECONDI]\n"
    "            [--guasti GUASTO]...   avvia l'Hub (porta 0: una porta libera, scritta all'avvio)\n"
    "  utente    --login L --password P --partita-iva PIVA [--denominazione D] [--fatture-acquistate N]\n"
    "            [--ditta-attiva S|N] [--iterazioni N]\n"
    "            crea l'account con la sua ditta (o cambia la password e aggiunge la ditta);\n"
    "            --password - legge la password dalla prima riga dello standard input\n"
    "  deposita  --partita-iva PIVA [--data-ricezione AAAA-MM-GG] FILE...\n"
    "            deposita fatture ricevute per la ditta, come se le avesse consegnate l'SdI\n"
    "  avanza    [--stato XX] [ID...]  porta i documenti inviati allo stato successivo\n"
    "            (DN -> IC -> CO) o allo stato XX; senza ID tutti quelli in DN o IC\n"
    "  guasti    [GUASTO...]   imposta i guasti simulati (nessuno: li toglie)\n"
    "  documenti               elenca i documenti inviati (una riga JSON per documento)\n"
    "  scadi                   fa scadere subito le sessioni aperte\n"
    "GUASTO: lento=MS[@OPERAZIONE] caduta[@OPERAZIONE] spazzatura[@OPERAZIONE] http=CODICE[@OPERAZIONE]\n"
    "        esito=N[@OPERAZIONE] vuota[@OPERAZIONE] errore@DOCUMENTO impronta@DOCUMENTO\n";

struct Argomenti {
    QString comando;
    QMultiHash<QString, QString> opzioni;
    QStringList posizionali;
    QString valore(const QString& nome, const QString& predefinito = {}) const {
        return opzioni.contains(nome) ? opzioni.values(nome).constLast() : predefinito;
    }
};

std::optional<Argomenti> leggiArgomenti(const QStringList& a) {
    if (a.size() < 2)
        return std::nullopt;
    Argomenti r;
    r.comando = a[1];
    for (qsizetype i = 2; i < a.size(); ++i) {
        if (!a[i].startsWith(QStringLiteral("--"))) {
            r.posizionali << a[i];
            continue;
        }
        if (i + 1 >= a.size()) {
            errori() << "Manca il valore dell'opzione " << a[i] << "\n";
            return std::nullopt;
        }
        r.opzioni.insert(a[i].mid(2), a[i + 1]);
        ++i;
    }
    return r;
}

std::optional<Guasto> leggiGuasto(const QString& testo) {
    static const QStringList tipi{QStringLiteral("lento"),      QStringLiteral("caduta"),
                                  QStringLiteral("spazzatura"), QStringLiteral("http"),
                                  QStringLiteral("esito"),      QStringLiteral("vuota"),
                                  QStringLiteral("errore"),     QStringLiteral("impronta")};
    Guasto g;
    QString resto = testo;
    const qsizetype chiocciola = resto.indexOf(u'@');
    if (chiocciola >= 0) {
        g.bersaglio = resto.mid(chiocciola + 1).trimmed();
        resto = resto.left(chiocciola);
    }
    g.tipo = resto.section(u'=', 0, 0).trimmed().toLower();
    g.valore = resto.section(u'=', 1).trimmed();
    const bool conValore = g.tipo == u"lento" || g.tipo == u"http" || g.tipo == u"esito";
    const bool suDocumento = g.tipo == u"errore" || g.tipo == u"impronta";
    bool numero = false;
    g.valore.toLong(&numero);
    if (!tipi.contains(g.tipo) || (conValore && !numero) || (suDocumento && g.bersaglio.isEmpty())) {
        errori() << "Guasto non valido: " << testo << "\n";
        return std::nullopt;
    }
    return g;
}

QByteArray rispostaJson(const RispostaHub& r) {
    QJsonObject o{{QStringLiteral("protocollo"), QStringLiteral("tesel-hub/1")},
                  {QStringLiteral("Esito"), static_cast<qint64>(r.esito)},
                  {QStringLiteral("Messaggio"), r.messaggio},
                  {QStringLiteral("Risposta"), r.risposta},
                  {QStringLiteral("Token"), r.token}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

void rifiutoHttp(httplib::Response& res, int stato, const QString& messaggio) {
    res.status = stato;
    res.set_content(QJsonDocument(QJsonObject{{QStringLiteral("Messaggio"), messaggio}})
                        .toJson(QJsonDocument::Compact)
                        .toStdString(),
                    "application/json; charset=utf-8");
}

int serve(const Argomenti& a, const QString& dati) {
    bool ok = false;
    const int porta = a.valore(QStringLiteral("porta"), QStringLiteral("8765")).toInt(&ok);
    if (!ok || porta < 0 || porta > 65535) {
        errori() << "Porta non valida: " << a.valore(QStringLiteral("porta")) << "\n";
        return 2;
    }
    const int scadenza = a.valore(QStringLiteral("scadenza-token"), QStringLiteral("1800")).toInt(&ok);
    if (!ok || scadenza < 1) {
        errori() << "Scadenza dei token non valida: " << a.valore(QStringLiteral("scadenza-token")) << "\n";
        return 2;
    }
    const QString ascolta = a.valore(QStringLiteral("ascolta"), QStringLiteral("127.0.0.1"));
    const QString cert = a.valore(QStringLiteral("cert")), chiave = a.valore(QStringLiteral("chiave"));
    if (cert.isEmpty() != chiave.isEmpty()) {
        errori() << "Per TLS servono sia --cert sia --chiave\n";
        return 2;
    }
    // The faults given at start-up replace those stored by an earlier run.
    QList<Guasto> guasti;
    for (const QString& g : a.opzioni.values(QStringLiteral("guasti")))
        for (const QString& parte : g.split(u',', Qt::SkipEmptyParts)) {
            const auto letto = leggiGuasto(parte);
            if (!letto)
                return 2;
            guasti << *letto;
        }
    Archivio(dati).impostaGuasti(guasti);

    std::unique_ptr<httplib::Server> server;
    if (!cert.isEmpty()) {
        auto tls = std::make_unique<httplib::SSLServer>(cert.toLocal8Bit().constData(),
                                                        chiave.toLocal8Bit().constData());
        if (!tls->is_valid()) {
            errori() << "Certificato o chiave TLS non leggibili o non validi: " << cert << ", " << chiave
                     << "\n";
            return 2;
        }
        server = std::move(tls);
    } else {
        server = std::make_unique<httplib::Server>();
    }
    ServizioHub servizio(dati, scadenza);
    server->set_payload_max_length(256u * 1024u * 1024u);
    // Headers and body leave in separate writes: without this each answer would wait for the
    // client's delayed acknowledgement (tens of milliseconds per request).
    server->set_tcp_nodelay(true);
    server->Post(R"(/v1/([A-Za-z]+))", [&](const httplib::Request& req, httplib::Response& res) {
        const QString operazione = QString::fromStdString(req.matches[1].str());
        for (const Guasto& g : servizio.guasti()) {
            if (!g.bersaglio.isEmpty() && g.bersaglio.compare(operazione, Qt::CaseInsensitive) != 0)
                continue;
            if (g.tipo == u"lento")
                std::this_thread::sleep_for(std::chrono::milliseconds(g.valore.toLong()));
            else if (g.tipo == u"caduta") {
                // Headers announce a body that never comes: the connection closes half-way.
                res.set_content_provider(4096, "application/json",
                                         [](size_t, size_t, httplib::DataSink&) { return false; });
                return;
            } else if (g.tipo == u"spazzatura") {
                res.set_content("<html><body><h1>Servizio temporaneamente non disponibile</h1></body></html>",
                                "text/html");
                return;
            } else if (g.tipo == u"http") {
                rifiutoHttp(res, static_cast<int>(g.valore.toLong()), QStringLiteral("Errore HTTP simulato"));
                return;
            }
        }
        if (!ServizioHub::operazioneNota(operazione)) {
            rifiutoHttp(res, 404, QStringLiteral("Operazione sconosciuta: %1").arg(operazione));
            return;
        }
        QJsonParseError errore{};
        const QJsonDocument corpo = QJsonDocument::fromJson(QByteArray::fromStdString(req.body), &errore);
        if (errore.error != QJsonParseError::NoError || !corpo.isObject()) {
            rifiutoHttp(res, 400, QStringLiteral("Corpo della richiesta non in formato JSON"));
            return;
        }
        const RispostaHub r = servizio.esegui(operazione, corpo.object());
        // One line per request; arguments are never written (they hold passwords and tokens).
        errori() << Archivio::adesso() << " " << operazione << " esito " << r.esito << "\n";
        errori().flush();
        res.set_content(rispostaJson(r).toStdString(), "application/json; charset=utf-8");
    });
    server->Get("/", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("tesel-hub: protocollo v1\n", "text/plain; charset=utf-8");
    });

    int effettiva = porta;
    if (porta == 0)
        effettiva = server->bind_to_any_port(ascolta.toStdString());
    else if (!server->bind_to_port(ascolta.toStdString(), porta))
        effettiva = -1;
    if (effettiva <= 0) {
        errori() << "Impossibile mettersi in ascolto su " << ascolta << ":" << porta << "\n";
        return 1;
    }
    // SIGINT and SIGTERM stop the server cleanly: they are waited for by one thread, never
    // handled asynchronously inside the server's threads.
    sigset_t segnali;
    sigemptyset(&segnali);
    sigaddset(&segnali, SIGINT);
    sigaddset(&segnali, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &segnali, nullptr);
    std::thread attesa([&] {
        int s = 0;
        sigwait(&segnali, &s);
        server->stop();
        chiudiLetturaConnessioni(effettiva);
    });
    uscita() << "tesel-hub in ascolto su " << (cert.isEmpty() ? "http" : "https") << "://" << ascolta << ":"
             << effettiva << " (dati in " << dati << ")\n";
    uscita().flush();
    const bool riuscito = server->listen_after_bind();
    kill(getpid(), SIGTERM); // wakes the waiting thread when the server stopped by itself
    attesa.join();
    return riuscito ? 0 : 1;
}

int utente(const Argomenti& a, const QString& dati) {
    const QString login = a.valore(QStringLiteral("login"));
    QString password = a.valore(QStringLiteral("password"));
    // A password on the command line is visible to every user of the machine: "-" reads it instead.
    if (password == u"-") {
        QTextStream ingresso(stdin);
        password = ingresso.readLine();
    }
    const QString partitaIva = a.valore(QStringLiteral("partita-iva"));
    if (login.isEmpty() || password.isEmpty() || partitaIva.isEmpty()) {
        errori() << "Servono --login, --password e --partita-iva\n";
        return 2;
    }
    bool ok = false;
    const qint64 acquistate =
        a.valore(QStringLiteral("fatture-acquistate"), QStringLiteral("1000")).toLongLong(&ok);
    if (!ok || acquistate < 0) {
        errori() << "Numero di fatture acquistate non valido\n";
        return 2;
    }
    // Fewer rounds make a log-in cheap where the password guards nothing (a test's own Hub).
    const int iterazioni =
        a.valore(QStringLiteral("iterazioni"), QString::number(IterazioniPbkdf2)).toInt(&ok);
    if (!ok || iterazioni < 1) {
        errori() << "Numero di iterazioni non valido\n";
        return 2;
    }
    Archivio archivio(dati);
    const Azienda z =
        archivio.creaAccount(login, password, partitaIva,
                             a.valore(QStringLiteral("denominazione"), partitaIva), acquistate, iterazioni);
    // N: a company whose subscription has lapsed; the Hub still knows it but says it is not active.
    if (a.opzioni.contains(QStringLiteral("ditta-attiva")))
        archivio.impostaAziendaAttiva(
            z.partitaIva,
            a.valore(QStringLiteral("ditta-attiva")).compare(QStringLiteral("N"), Qt::CaseInsensitive) != 0);
    uscita() << "Account " << login << ": ditta " << z.partitaIva << " (" << z.denominazione << ") con id "
             << z.id << "\n";
    return 0;
}

int deposita(const Argomenti& a, const QString& dati) {
    const QString partitaIva = a.valore(QStringLiteral("partita-iva"));
    Archivio archivio(dati);
    const auto azienda = archivio.aziendaPerPartitaIva(partitaIva);
    if (!azienda) {
        errori() << "Nessuna ditta con partita iva " << partitaIva
                 << " sull'Hub: crearla con tesel-hub utente\n";
        return 2;
    }
    QString ricevuta;
    if (a.opzioni.contains(QStringLiteral("data-ricezione"))) {
        const QDate d = QDate::fromString(a.valore(QStringLiteral("data-ricezione")), Qt::ISODate);
        if (!d.isValid()) {
            errori() << "Data di ricezione non valida (AAAA-MM-GG): "
                     << a.valore(QStringLiteral("data-ricezione")) << "\n";
            return 2;
        }
        ricevuta = d.toString(Qt::ISODate) + QTime::currentTime().toString(QStringLiteral("'T'HH:mm:ss"));
    }
    if (a.posizionali.isEmpty()) {
        errori() << "Nessun file da depositare\n";
        return 2;
    }
    int falliti = 0;
    for (const QString& percorso : a.posizionali) {
        QFile f(percorso);
        if (!f.open(QIODevice::ReadOnly)) {
            errori() << "File " << percorso << " non depositato: " << f.errorString() << "\n";
            ++falliti;
            continue;
        }
        DocumentoPassivo d;
        d.contenuto = f.readAll();
        d.nomeFile = nomeSicuro(QFileInfo(percorso).fileName());
        const LetturaFattura l = leggiFattura(d.nomeFile, d.contenuto);
        if (!l.errore.isEmpty() || !l.cedente) {
            errori() << "File " << percorso << " non depositato: " << l.errore << "\n";
            ++falliti;
            continue;
        }
        d.idAzienda = azienda->id;
        d.sha256 =
            QString::fromLatin1(QCryptographicHash::hash(d.contenuto, QCryptographicHash::Sha256).toHex());
        d.riepilogo = *l.cedente;
        d.dataRicezione = ricevuta;
        archivio.depositaPassivo(d);
        uscita() << "Depositato " << d.nomeFile << " come documento " << d.id << " (identificativo SdI "
                 << d.identificativoSdi << ")\n";
    }
    return falliti ? 1 : 0;
}

int avanza(const Argomenti& a, const QString& dati) {
    const QString stato = a.valore(QStringLiteral("stato")).trimmed().toUpper();
    const tesel::hub::StatiDocumento stati;
    if (!stato.isEmpty() && !stati.esiste(stato)) {
        errori() << "Stato sconosciuto: " << stato << "\n";
        return 2;
    }
    Archivio archivio(dati);
    QList<qint64> aziende;
    for (const Azienda& z : archivio.aziende({}))
        aziende << z.id;
    const QList<DocumentoAttivo> tutti = archivio.attivi(aziende);
    QList<DocumentoAttivo> scelti;
    int falliti = 0;
    for (const QString& id : a.posizionali) {
        bool trovato = false;
        for (const DocumentoAttivo& d : tutti)
            if (QString::number(d.id) == id || d.riferimento == id) {
                scelti << d;
                trovato = true;
            }
        if (!trovato) {
            errori() << "Documento " << id << " inesistente\n";
            ++falliti;
        }
    }
    if (a.posizionali.isEmpty())
        for (const DocumentoAttivo& d : tutti)
            if (d.stato == u"DN" || d.stato == u"IC")
                scelti << d;
    for (DocumentoAttivo& d : scelti) {
        QString nuovo = stato;
        if (nuovo.isEmpty())
            nuovo = d.stato == u"DN"   ? QStringLiteral("IC")
                    : d.stato == u"IC" ? QStringLiteral("CO")
                                       : QString();
        if (nuovo.isEmpty()) {
            uscita() << "Documento " << d.id << " (" << d.riferimento << ") in stato " << d.stato
                     << ": nessun passaggio automatico\n";
            continue;
        }
        const QString prima = d.stato;
        archivio.cambiaStatoAttivo(d, nuovo);
        uscita() << "Documento " << d.id << " (" << d.riferimento << "): " << prima << " -> " << nuovo
                 << "\n";
    }
    return falliti ? 1 : 0;
}

int impostaGuasti(const Argomenti& a, const QString& dati) {
    QList<Guasto> guasti;
    for (const QString& testo : a.posizionali) {
        const auto g = leggiGuasto(testo);
        if (!g)
            return 2;
        guasti << *g;
    }
    Archivio(dati).impostaGuasti(guasti);
    uscita() << "Guasti impostati: " << guasti.size() << "\n";
    return 0;
}

int documenti(const QString& dati) {
    Archivio archivio(dati);
    QList<qint64> aziende;
    for (const Azienda& z : archivio.aziende({}))
        aziende << z.id;
    for (const DocumentoAttivo& d : archivio.attivi(aziende))
        uscita() << QJsonDocument(QJsonObject{{QStringLiteral("id"), d.id},
                                              {QStringLiteral("riferimento"), d.riferimento},
                                              {QStringLiteral("nomeFile"), d.nomeFile},
                                              {QStringLiteral("stato"), d.stato},
                                              {QStringLiteral("busta"), d.busta},
                                              {QStringLiteral("sha256"), d.sha256},
                                              {QStringLiteral("identificativoSdi"), d.identificativoSdi}})
                        .toJson(QJsonDocument::Compact)
                 << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto a = leggiArgomenti(QCoreApplication::arguments());
    if (!a || a->comando == u"--help" || a->comando == u"aiuto") {
        errori() << Uso;
        return a ? 0 : 2;
    }
    const QString dati = a->valore(QStringLiteral("dati"));
    if (dati.isEmpty()) {
        errori() << "Manca --dati CARTELLA\n" << Uso;
        return 2;
    }
    try {
        if (a->comando == u"serve")
            return serve(*a, dati);
        if (a->comando == u"utente")
            return utente(*a, dati);
        if (a->comando == u"deposita")
            return deposita(*a, dati);
        if (a->comando == u"avanza")
            return avanza(*a, dati);
        if (a->comando == u"guasti")
            return impostaGuasti(*a, dati);
        if (a->comando == u"documenti")
            return documenti(dati);
        if (a->comando == u"scadi") {
            uscita() << "Sessioni scadute: " << Archivio(dati).scadiSessioni() << "\n";
            return 0;
        }
    } catch (const ErroreHub& e) {
        errori() << e.testo() << "\n";
        return 1;
    }
    errori() << "Comando sconosciuto: " << a->comando << "\n" << Uso;
    return 2;
}
