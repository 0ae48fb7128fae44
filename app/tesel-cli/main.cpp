// tesel-cli: the program's batch work without a display. Commands and options are Italian,
// like the rest of the program; the English spellings of earlier versions (init-db, import,
// show, post, unpost, --overwrite, --create-suppliers, --extract-attachments, --help) are
// still accepted.
//
//   tesel-cli crea-db --ini FILE [--demo] [--conti-numerici]
//       Creates (or completes) the company database named by the configuration file, and
//       the common database when the file has a "Menu" section; --demo seeds the demo company.
//       New account columns follow the chart of accounts already there; --conti-numerici
//       declares them as whole numbers instead of texts.
//   tesel-cli riepilogo --ini FILE
//       Prints the company database's tables with their row counts.
//   tesel-cli importa --ini FILE [--sovrascrivi] [--crea-fornitori GRUPPO MASTRO]
//                    [--estrai-allegati] [--causale C] [--iva-natura NATURA=CODICE]...
//                    [--iva CODICE] [--id-sdi ID] [--data-sdi GG/MM/AAAA] [--id-hub ID]
//                    [--json] FILE...
//       Imports received invoices (.xml or signed .xml.p7m) as the import dialog does and
//       prints its reports; --json prints one JSON object per invoice body instead. Exit
//       status 0 when every file was imported, 1 otherwise.
//   tesel-cli mostra --ini FILE ANNO NUMRIF --json
//       Prints one stored invoice: its rows of the five store tables as JSON.
//   tesel-cli contabilizza --ini FILE [--tipo-doc T] [--anno-da A] [--anno-al A] [--numero-da N]
//                  [--numero-al N] [--data-da GG/MM/AAAA] [--data-al GG/MM/AAAA] [--numero-doc N]
//                  [--ricezione-da GG/MM/AAAA] [--ricezione-al GG/MM/AAAA] [--partita-iva P]
//                  [--codice-fiscale C] [--causale-pag C] [--conto-pag G-M-C] [--crea-fornitore]
//                  [--cambio TASSO]
//                  [--senza-registrazione] [--json]
//       Posts the received invoices not yet posted that match the selection, as the posting
//       dialog does; the payment causal and account default to the company's, as there.
//       --json prints one JSON object per invoice. Exit status 0 when every selected invoice
//       was posted, 1 otherwise.
//   tesel-cli scontabilizza --ini FILE ANNO NUMRIF
//       Takes the posting of one invoice back, as the header form does.
//   tesel-cli hub invia --ini FILE [--terminale T] [--json]
//   tesel-cli hub attesa --ini FILE
//   tesel-cli hub info --ini FILE
//   tesel-cli hub attive --ini FILE [--dal GG/MM/AAAA] [--al GG/MM/AAAA] [--json]
//   tesel-cli hub dati-sdi --ini FILE [--dal GG/MM/AAAA] [--al GG/MM/AAAA] (--tutti | ID...)
//       Sends the issued invoices waiting for the Hub, counts the received invoices waiting
//       there, prints the Hub account's information (see hub.h).
//   tesel-cli hub passive --ini FILE [--dal GG/MM/AAAA] [--al GG/MM/AAAA] [--anche-scaricati] [--json]
//   tesel-cli hub scarica --ini FILE [--importa] [--sovrascrivi] [--crea-fornitore GRUPPO MASTRO]
//                         [--dal ...] [--al ...] [--tutti | ID...] [--json]
//       Lists the received invoices waiting on the Hub; downloads (and imports) them (see
//       hubpassive.h).
//   tesel-cli stampa --ini FILE --pdf OUT [--per-fattura] [--anno-da A] [--anno-al A]
//                    [--numero-da N] [--numero-al N] [--data-da GG/MM/AAAA] [--data-al GG/MM/AAAA]
//                    [--ricezione-da GG/MM/AAAA] [--ricezione-al GG/MM/AAAA] [--partita-iva P]
//                    [--solo-non-stampate] [--ordine partita-iva|numero|ragione-sociale]
//                    [--email INDIRIZZO]   (each PDF then goes by e-mail to INDIRIZZO)
//       Prints the received invoices of the selection as the print dialog does, to the PDF file
//       OUT, or with --per-fattura one PDF per invoice in the folder OUT named by the automatic
//       name rules, and marks them printed. Prints the number of invoices and pages. Exit
//       status 0 on success, 1 when nothing was selected or a file could not be written.
//       With --file OUT.xlsx|OUT.csv|OUT.txt instead of --pdf: the data file of what the print
//       shows, one printed line a row, numbers as numbers; nothing is marked printed.
//   tesel-cli verifica --ini FILE [--ripara]
//       Checks the posted books (staging journal, posted flags, due dates, locks, suppliers,
//       balances, VAT protocols) and, with --ripara, repairs what can be repaired. Exit status
//       0 when nothing is left to act on, 1 otherwise.
//
// Questions are answered without a user: by default with their first answer that is not a
// retry ("&Ok" goes on; "Riprova"/"Esci" gives up), or with the answer named by
// --rispondi CAPTION (repeatable, e.g. --rispondi Sì). Every message is written to standard error.
//
// Messages go to standard error; the exit status is 0 on success, 1 on failure, 2 on a
// command-line error.

#include "frame/clientmenu.h"
#include "frame/codiceconto.h"
#include "frame/configurazione.h"
#include "frame/currency.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/ini.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "hub.h"
#include "hubpassive.h"
#include "import/importazione.h"
#include "posting/contabilizzazione.h"
#include "posting/decontabilizzazione.h"
#include "posting/selezione.h"
#include "printing/email.h"
#include "printing/stfatpas.h"
#include "schema/demo.h"
#include "schema/schema.h"
#include "store/store.h"
#include "verifica.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <algorithm>
#include <limits>
#include <utility>

using namespace tesel;

namespace {

QTextStream& out() {
    static QTextStream s(stdout);
    return s;
}
QTextStream& err() {
    static QTextStream s(stderr);
    return s;
}

const char* const Uso =
    "Uso:\n"
    "  tesel-cli crea-db --ini FILE [--demo] [--conti-numerici] [--rispondi RISPOSTA]...\n"
    "  tesel-cli riepilogo --ini FILE [--rispondi RISPOSTA]...\n"
    "  tesel-cli importa --ini FILE [--sovrascrivi] [--crea-fornitori GRUPPO MASTRO]\n"
    "                   [--estrai-allegati] [--causale C] [--iva-natura NATURA=CODICE]...\n"
    "                   [--iva CODICE] [--id-sdi ID] [--data-sdi GG/MM/AAAA] [--id-hub ID]\n"
    "                   [--json] FILE...\n"
    "  tesel-cli mostra --ini FILE ANNO NUMRIF --json\n"
    "  tesel-cli contabilizza --ini FILE [--tipo-doc T] [--anno-da A] [--anno-al A] [--numero-da N]\n"
    "                 [--numero-al N] [--data-da GG/MM/AAAA] [--data-al GG/MM/AAAA] [--numero-doc N]\n"
    "                 [--ricezione-da GG/MM/AAAA] [--ricezione-al GG/MM/AAAA] [--partita-iva P]\n"
    "                 [--codice-fiscale C] [--causale-pag C] [--conto-pag G-M-C] [--crea-fornitore]\n"
    "                 [--senza-registrazione] [--cambio TASSO] [--json]\n"
    "  tesel-cli scontabilizza --ini FILE ANNO NUMRIF\n"
    "  tesel-cli stampa --ini FILE (--pdf OUT [--per-fattura] | --file OUT.xlsx|OUT.csv|OUT.txt)\n"
    "                   [--anno-da A] [--anno-al A]\n"
    "                   [--numero-da N] [--numero-al N] [--data-da GG/MM/AAAA] [--data-al GG/MM/AAAA]\n"
    "                   [--ricezione-da GG/MM/AAAA] [--ricezione-al GG/MM/AAAA] [--partita-iva P]\n"
    "                   [--solo-non-stampate] [--ordine partita-iva|numero|ragione-sociale]\n"
    "                   [--email INDIRIZZO]\n"
    "  tesel-cli verifica --ini FILE [--ripara]\n"
    "  tesel-cli hub invia --ini FILE [--terminale T] [--json]\n"
    "  tesel-cli hub attesa --ini FILE\n"
    "  tesel-cli hub info --ini FILE\n"
    "  tesel-cli hub attive --ini FILE [--dal GG/MM/AAAA] [--al GG/MM/AAAA] [--json]\n"
    "  tesel-cli hub dati-sdi --ini FILE [--dal GG/MM/AAAA] [--al GG/MM/AAAA] (--tutti | ID...)\n"
    "  tesel-cli hub passive --ini FILE [--dal GG/MM/AAAA] [--al GG/MM/AAAA] [--anche-scaricati] [--json]\n"
    "  tesel-cli hub scarica --ini FILE [--importa] [--sovrascrivi] [--crea-fornitore GRUPPO MASTRO]\n"
    "                        [--dal ...] [--al ...] [--tutti | ID...] [--json]\n"
    "  tesel-cli --aiuto\n";

int uso() {
    err() << Uso;
    return 2;
}

// Every option of every command (each command reads its own); the value's name for those
// that take one.
struct Opzione {
    const char* nome;
    const char* valore;
    const char* descrizione;
    const char* alias; // the English spelling earlier versions took, still accepted
};
constexpr Opzione Opzioni[] = {
    {"ini", "FILE", "file di configurazione dell'azienda", nullptr},
    {"rispondi", "RISPOSTA", "risposta da dare alle domande (ripetibile)", nullptr},
    {"json", nullptr, "un oggetto JSON per fattura", nullptr},
    {"demo", nullptr, "crea-db: carica l'azienda dimostrativa", nullptr},
    {"conti-numerici", nullptr, "crea-db: colonne dei conti numeriche invece che testo", nullptr},
    {"ripara", nullptr, "verifica: ripara quanto si può riparare", nullptr},
    {"sovrascrivi", nullptr, "importa, hub scarica: sostituisce le fatture già presenti", "overwrite"},
    {"crea-fornitori", "GRUPPO MASTRO", "importa: crea i fornitori sconosciuti in gruppo e mastro",
     "create-suppliers"},
    {"estrai-allegati", nullptr, "importa: estrae gli allegati", "extract-attachments"},
    {"causale", "C", "importa: causale di acquisto", nullptr},
    {"iva-natura", "NATURA=CODICE", "importa: codice IVA per una natura (ripetibile)", nullptr},
    {"iva", "CODICE", "importa: codice IVA per le altre aliquote", nullptr},
    {"id-sdi", "ID", "importa: identificativo SDI", nullptr},
    {"data-sdi", "GG/MM/AAAA", "importa: data di ricezione SDI", nullptr},
    {"id-hub", "ID", "importa: identificativo dell'HUB", nullptr},
    {"tipo-doc", "T", "contabilizza: tipo documento", nullptr},
    {"anno-da", "A", "contabilizza: dall'anno di riferimento", nullptr},
    {"anno-al", "A", "contabilizza: all'anno di riferimento", nullptr},
    {"numero-da", "N", "contabilizza: dal numero di riferimento", nullptr},
    {"numero-al", "N", "contabilizza: al numero di riferimento", nullptr},
    {"data-da", "GG/MM/AAAA", "contabilizza: dalla data documento", nullptr},
    {"data-al", "GG/MM/AAAA", "contabilizza: alla data documento", nullptr},
    {"numero-doc", "N", "contabilizza: numero documento", nullptr},
    {"ricezione-da", "GG/MM/AAAA", "contabilizza: dalla data di ricezione", nullptr},
    {"ricezione-al", "GG/MM/AAAA", "contabilizza: alla data di ricezione", nullptr},
    {"partita-iva", "P", "contabilizza: partita IVA del fornitore", nullptr},
    {"codice-fiscale", "C", "contabilizza: codice fiscale del fornitore", nullptr},
    {"causale-pag", "C", "contabilizza: causale di pagamento", nullptr},
    {"conto-pag", "G-M-C", "contabilizza: conto di pagamento", nullptr},
    {"crea-fornitore", nullptr, "contabilizza: crea il fornitore mancante", nullptr},
    {"cambio", "TASSO", "contabilizza: unita' di divisa per un euro, per i documenti non in euro", nullptr},
    {"senza-registrazione", nullptr, "contabilizza: segna contabilizzate senza registrare", nullptr},
    {"terminale", "T", "hub invia: terminale delle fatture (T-F: file firmati .p7m)", nullptr},
    {"dal", "GG/MM/AAAA", "hub: dalla data (attive: del documento; passive|scarica: di ricezione all'Hub)",
     nullptr},
    {"al", "GG/MM/AAAA", "hub: alla data", nullptr},
    {"tutti", nullptr, "hub dati-sdi|scarica: tutti i documenti dell'elenco", nullptr},
    {"anche-scaricati", nullptr, "hub passive: anche i documenti già scaricati", nullptr},
    {"importa", nullptr, "hub scarica: importa gli XML scaricati", nullptr},
    {"pdf", "OUT", "stampa: file pdf (cartella con --per-fattura)", nullptr},
    {"file", "OUT", "stampa: file dati .xlsx, .csv o .txt di quanto stampato", nullptr},
    {"per-fattura", nullptr, "stampa: un file pdf per fattura", nullptr},
    {"solo-non-stampate", nullptr, "stampa: solo le fatture non ancora stampate", nullptr},
    {"ordine", "ORDINE", "stampa: partita-iva, numero o ragione-sociale", nullptr},
    {"email", "INDIRIZZO", "stampa: invia i pdf per email (parametri email delle opzioni di stampa)",
     nullptr},
    {"aiuto", nullptr, "questo aiuto: ogni comando e ogni opzione", "help"},
};

// Commands with an Italian name and the English one earlier versions took.
constexpr std::pair<const char*, const char*> Comandi[] = {{"crea-db", "init-db"},
                                                           {"importa", "import"},
                                                           {"mostra", "show"},
                                                           {"contabilizza", "post"},
                                                           {"scontabilizza", "unpost"}};

// The command's one name, whichever spelling was typed.
QString nomeComando(const QString& digitato) {
    for (const auto& [italiano, inglese] : Comandi)
        if (digitato == QLatin1String(inglese))
            return QLatin1String(italiano);
    return digitato;
}

// The option an argument names ("--nome", "-nome", "--nome=valore"), if any.
const Opzione* opzioneDi(const QString& argomento) {
    if (!argomento.startsWith(u'-'))
        return nullptr;
    const QString nome = argomento.mid(argomento.startsWith(QLatin1String("--")) ? 2 : 1).section(u'=', 0, 0);
    const auto it = std::find_if(std::begin(Opzioni), std::end(Opzioni), [&](const Opzione& o) {
        return nome == QLatin1String(o.nome) || (o.alias && nome == QLatin1String(o.alias));
    });
    return it == std::end(Opzioni) ? nullptr : it;
}

// The usage with every option described, for --help.
QString aiuto() {
    QString t = QString::fromUtf8(Uso) + QStringLiteral("\nOpzioni:\n");
    for (const Opzione& o : Opzioni) {
        const QString nome = QStringLiteral("--%1 %2").arg(QLatin1String(o.nome), QLatin1String(o.valore));
        QString descrizione = QString::fromUtf8(o.descrizione);
        if (o.alias)
            descrizione += QStringLiteral(" (anche --") + QLatin1String(o.alias) + u')';
        t += QStringLiteral("  %1 %2\n").arg(nome.trimmed(), -32).arg(descrizione);
    }
    t += QStringLiteral("\nI comandi hanno anche il nome inglese delle versioni precedenti:");
    for (const auto& [italiano, inglese] : Comandi)
        t += u' ' + QLatin1String(italiano) + QStringLiteral(" (") + QLatin1String(inglese) + u')';
    return t + u'\n';
}

struct Argomenti {
    QString comando;
    QString ini;
    QStringList risposte;
    bool demo = false;
    bool contiNumerici = false; // crea-db
    bool json = false;
    bool ripara = false;          // verifica
    bool sovrascrivi = false;     // hub scarica
    QString terminale;            // hub invia
    std::optional<QDate> dal, al; // hub
    bool tutti = false;           // hub
    bool aiuto = false;
    ArgomentiRicevute ricevute; // hub passive|scarica
    OpzioniImport opzioni;
    DatiHub hub;
    QStringList posizionali;
    // post
    posting::CriteriSelezione criteri;
    posting::OpzioniLotto lotto;
    // stampa
    QString pdf;
    QString file; // stampa: the data file
    bool perFattura = false;
    QString email;
    bool soloNonStampate = false;
    stampa::OrdineStampa ordine = stampa::OrdineStampa::NumeroRiferimento;
    // Nothing: the company's, as the dialog
    std::optional<QString> causalePag;
    std::optional<CodiceConto> contoPag;
    bool ok = true;
};

Argomenti leggiArgomenti(QStringList a) {
    Argomenti r;
    // "--crea-fornitori GRUPPO MASTRO" is the one option with two values, which the parser
    // does not know: the second reaches it as a hidden option of its own.
    const QString mastro = QStringLiteral("mastro-fornitori");
    for (qsizetype i = 1; i + 2 < a.size(); ++i)
        if (a[i] == QLatin1String("--crea-fornitori") || a[i] == QLatin1String("--create-suppliers"))
            a.insert(i + 2, QStringLiteral("--") + mastro);
    // "hub scarica --crea-fornitore GRUPPO MASTRO" (post's --crea-fornitore takes no value).
    const QString gruppo = QStringLiteral("gruppo-fornitori");
    const bool hub = a.value(1) == QLatin1String("hub");
    for (qsizetype i = 1; hub && i + 2 < a.size(); ++i)
        if (a[i] == QLatin1String("--crea-fornitore")) {
            a.insert(i + 1, QStringLiteral("--") + gruppo);
            a.insert(i + 3, QStringLiteral("--") + mastro);
        }
    QCommandLineParser p;
    p.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const Opzione& o : Opzioni)
        p.addOption(
            QCommandLineOption(o.alias ? QStringList{QLatin1String(o.nome), QLatin1String(o.alias)}
                                       : QStringList{QLatin1String(o.nome)},
                               QString::fromUtf8(o.descrizione),
                               o.valore ? QString::fromUtf8(o.valore).section(u' ', 0, 0) : QString()));
    QCommandLineOption opzioneMastro(mastro, QStringLiteral("importa: mastro dei fornitori creati"),
                                     QStringLiteral("MASTRO"));
    opzioneMastro.setFlags(QCommandLineOption::HiddenFromHelp);
    p.addOption(opzioneMastro);
    QCommandLineOption opzioneGruppo(gruppo, QStringLiteral("hub scarica: gruppo dei fornitori creati"),
                                     QStringLiteral("GRUPPO"));
    opzioneGruppo.setFlags(QCommandLineOption::HiddenFromHelp);
    p.addOption(opzioneGruppo);
    if (!p.parse(a)) {
        // The parser's own messages are English: say in Italian what it found.
        for (const QString& nome : p.unknownOptionNames())
            err() << "Argomento non riconosciuto: --" << nome << "\n";
        // A value is taken whatever it looks like, so only the last option can lack one.
        const Opzione* ultima = opzioneDi(a.last());
        if (ultima && ultima->valore && !a.last().contains(u'='))
            err() << "Manca il valore di " << a.last() << "\n";
        for (const QString& x : a.mid(1))
            if (const Opzione* o = opzioneDi(x); o && !o->valore && x.contains(u'='))
                err() << "Argomento non riconosciuto: " << x << "\n";
        r.ok = false;
        return r;
    }
    r.aiuto = p.isSet(QStringLiteral("aiuto"));
    r.posizionali = p.positionalArguments();
    if (r.posizionali.isEmpty()) {
        r.ok = r.aiuto;
        return r;
    }
    r.comando = nomeComando(r.posizionali.takeFirst());
    const auto valore = [&](const char* nome) { return p.value(QLatin1String(nome)); };
    const auto testo = [&](const char* nome, QString& campo) {
        if (p.isSet(QLatin1String(nome)))
            campo = valore(nome);
    };
    const auto data = [&](const char* nome, std::optional<QDate>& d) {
        if (!p.isSet(QLatin1String(nome)))
            return;
        const QString v = valore(nome);
        d = dataDaTesto(v);
        if (!d) {
            err() << "Data non valida per --" << nome << ": " << v << "\n";
            r.ok = false;
        }
    };
    const auto numero = [&]<typename T>(const char* nome, std::optional<T>& n) {
        if (!p.isSet(QLatin1String(nome)))
            return;
        const QString v = valore(nome);
        bool ok = false;
        const qint64 letto = v.trimmed().toLongLong(&ok);
        if (ok && letto >= 0 && letto <= std::numeric_limits<T>::max()) {
            n = static_cast<T>(letto);
        } else {
            err() << "Numero non valido per --" << nome << ": " << v << "\n";
            r.ok = false;
        }
    };

    testo("ini", r.ini);
    testo("terminale", r.terminale);
    data("dal", r.dal);
    data("al", r.al);
    r.tutti = p.isSet(QStringLiteral("tutti"));
    r.risposte = p.values(QStringLiteral("rispondi"));
    r.demo = p.isSet(QStringLiteral("demo"));
    r.contiNumerici = p.isSet(QStringLiteral("conti-numerici"));
    r.json = p.isSet(QStringLiteral("json"));
    r.ripara = p.isSet(QStringLiteral("ripara"));
    r.sovrascrivi = p.isSet(QStringLiteral("sovrascrivi"));

    OpzioniImport& o = r.opzioni;
    o.sovrascrivi = p.isSet(QStringLiteral("sovrascrivi"));
    o.estraiAllegati = p.isSet(QStringLiteral("estrai-allegati"));
    o.creaFornitori = p.isSet(QStringLiteral("crea-fornitori"));
    testo("crea-fornitori", o.gruppoFornitori);
    testo("mastro-fornitori", o.mastroFornitori);
    testo("causale", o.causale);
    testo("iva", o.ivaAltra);
    for (const QString& v : p.values(QStringLiteral("iva-natura"))) {
        const qsizetype uguale = v.indexOf(u'=');
        if (uguale <= 0) {
            err() << "--iva-natura vuole NATURA=CODICE: " << v << "\n";
            r.ok = false;
        } else
            o.ivaPerNatura.push_back({v.left(uguale).trimmed(), v.mid(uguale + 1).trimmed()});
    }
    testo("id-sdi", r.hub.idSdi);
    testo("id-hub", r.hub.idHub);
    if (p.isSet(QStringLiteral("data-sdi"))) {
        const QString v = valore("data-sdi");
        r.hub.dataRicezione = dataDaTesto(v);
        if (!r.hub.dataRicezione) {
            err() << "Data ricezione SDI non valida: " << v << "\n";
            r.ok = false;
        }
    }

    ArgomentiRicevute& h = r.ricevute;
    data("dal", h.dal);
    data("al", h.al);
    h.ancheScaricati = p.isSet(QStringLiteral("anche-scaricati"));
    h.importa = p.isSet(QStringLiteral("importa"));
    h.tutti = p.isSet(QStringLiteral("tutti"));
    if (p.isSet(gruppo)) {
        o.creaFornitori = true;
        o.gruppoFornitori = p.value(gruppo);
    }

    posting::CriteriSelezione& c = r.criteri;
    testo("tipo-doc", c.tipoDocumento);
    numero("anno-da", c.annoDa);
    numero("anno-al", c.annoA);
    numero("numero-da", c.numeroDa);
    numero("numero-al", c.numeroA);
    data("data-da", c.dataDa);
    data("data-al", c.dataA);
    testo("numero-doc", c.numeroDocumento);
    data("ricezione-da", c.ricezioneDa);
    data("ricezione-al", c.ricezioneA);
    testo("partita-iva", c.partitaIva);
    testo("codice-fiscale", c.codiceFiscale);
    if (p.isSet(QStringLiteral("causale-pag")))
        r.causalePag = valore("causale-pag").trimmed();
    if (p.isSet(QStringLiteral("conto-pag"))) {
        const QString v = valore("conto-pag");
        r.contoPag = CodiceConto::leggi(v);
        if (!r.contoPag || !r.contoPag->completo()) {
            err() << "Il conto di pagamento va scritto GRUPPO-MASTRO-CONTO: " << v << "\n";
            r.ok = false;
        }
    }
    testo("pdf", r.pdf);
    testo("file", r.file);
    testo("email", r.email);
    r.perFattura = p.isSet(QStringLiteral("per-fattura"));
    r.soloNonStampate = p.isSet(QStringLiteral("solo-non-stampate"));
    if (p.isSet(QStringLiteral("ordine"))) {
        const QString o = valore("ordine").trimmed().toLower();
        if (o == u"partita-iva")
            r.ordine = stampa::OrdineStampa::PartitaIva;
        else if (o == u"ragione-sociale")
            r.ordine = stampa::OrdineStampa::RagioneSociale;
        else if (o != u"numero") {
            err() << "--ordine vuole partita-iva, numero o ragione-sociale: " << valore("ordine") << "\n";
            r.ok = false;
        }
    }
    r.lotto.creaFornitore = p.isSet(QStringLiteral("crea-fornitore"));
    if (p.isSet(QStringLiteral("cambio"))) {
        r.lotto.cambio = Cambio::daTesto(valore("cambio"));
        if (!r.lotto.cambio) {
            err() << "Il cambio va scritto come numero positivo con il punto decimale: " << valore("cambio")
                  << "\n";
            r.ok = false;
        }
    }
    r.lotto.senzaRegistrazione = p.isSet(QStringLiteral("senza-registrazione"));

    if (r.opzioni.creaFornitori &&
        (r.opzioni.gruppoFornitori.trimmed().isEmpty() || r.opzioni.mastroFornitori.trimmed().isEmpty())) {
        err() << "Per creare i fornitori compilare sia il gruppo che il mastro\n";
        r.ok = false;
    }
    if (const auto fuori = posting::controllaOrdine(r.criteri)) {
        err() << fuori->messaggio << "\n";
        r.ok = false;
    }
    if (r.ini.isEmpty() && !r.aiuto) {
        err() << "Manca --ini FILE\n";
        r.ok = false;
    }
    return r;
}

// The configuration and the opened databases of one run.
struct Ambiente {
    ClientMenuFisso menu;
    InterazioneNonPresidiata ui;
    std::unique_ptr<Configurazione> conf;
    ImpostazioniConnessione azienda;

    bool prepara(const QString& ini, const QStringList& risposte) {
        for (const QString& r : risposte)
            ui.rispondi(r);
        const QString percorso = QFileInfo(ini).absoluteFilePath();
        if (!QFileInfo::exists(percorso)) {
            err() << "File di configurazione non trovato: " << ini << "\n";
            return false;
        }
        menu.impostaConfigurazione(percorso);
        const SceltaProfilo scelta = scegliFileProfilo(menu, ui, {});
        if (!scelta.ok())
            return false;
        conf = std::make_unique<Configurazione>(menu, ui, scelta);
        azienda = conf->connessioneAzienda();
        return azienda.ok();
    }

    bool haDatabaseComune() const { return FileIni(conf->fileProfilo()).hasSection(QStringLiteral("Menu")); }
};

int initDb(const Argomenti& a) {
    if (!a.posizionali.isEmpty())
        return uso();
    Ambiente amb;
    if (!amb.prepara(a.ini, a.risposte))
        return 1;
    auto db = Database::apri(amb.azienda.testo, amb.azienda.utente, amb.azienda.password);
    schema::creaSchema(*db, schema::tabelleAzienda(),
                       a.contiNumerici ? schema::DichiarazioneConti::Numeri
                                       : schema::DichiarazioneConti::ComeEsistente);
    err() << "Database aziendale pronto: " << amb.azienda.testo << "\n";
    if (a.demo) {
        schema::popolaDemo(*db);
        err() << "Azienda dimostrativa caricata\n";
    }
    if (amb.haDatabaseComune()) {
        const ImpostazioniConnessione c = amb.conf->connessioneComune();
        if (!c.ok())
            return 1;
        auto comune = Database::apri(c.testo, c.utente, c.password);
        schema::creaSchema(*comune, schema::tabelleComuni());
        if (a.demo)
            schema::popolaDemoComune(*comune, amb.azienda.nomeDb);
        err() << "Database comune pronto: " << c.testo << "\n";
    }
    return 0;
}

int riepilogo(const Argomenti& a) {
    Ambiente amb;
    if (!amb.prepara(a.ini, a.risposte))
        return 1;
    auto db = Database::apri(amb.azienda.testo, amb.azienda.utente, amb.azienda.password);
    if (!a.posizionali.isEmpty())
        return uso();
    for (const schema::Tabella& t : schema::tabelleAzienda()) {
        if (!db->esisteTabella(t.nome)) {
            out() << t.nome << "\tmancante\n";
            continue;
        }
        out() << t.nome << '\t' << db->valore(QStringLiteral("SELECT count(*) FROM ") + t.nome).toLongLong()
              << '\n';
    }
    return 0;
}

// The company database of the run, ready for the import and the reads.
struct Azienda {
    Ambiente amb;
    std::unique_ptr<Database> db;
    std::unique_ptr<ParametriAzienda> parametri;

    bool apri(const Argomenti& a) {
        if (!amb.prepara(a.ini, a.risposte))
            return false;
        db = Database::apri(amb.azienda.testo, amb.azienda.utente, amb.azienda.password);
        parametri = std::make_unique<ParametriAzienda>(*db);
        return true;
    }
};

QString compatto(const QJsonObject& o) {
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

int importa(const Argomenti& a) {
    if (a.posizionali.isEmpty()) {
        err() << "Selezionare i file da caricare\n";
        return 2;
    }
    Azienda az;
    if (!az.apri(a))
        return 1;
    // A forced code the company does not have would be silently passed over for every file.
    if (const QStringList errori = erroriOpzioniImport(*az.db, a.opzioni); !errori.isEmpty()) {
        for (const QString& e : errori)
            err() << e << "\n";
        return 2;
    }
    OpzioniImport opzioni = a.opzioni;
    if (opzioni.estraiAllegati && opzioni.cartellaAllegati.isEmpty())
        opzioni.cartellaAllegati = cartellaAllegatiImport(*az.amb.conf);
    ImportatoreFatture importatore(*az.db, az.amb.ui, *az.parametri, opzioni);
    RapportoImport rapporto;
    bool tuttiOk = true;
    // Files committed together, each result printed once its file is stored.
    const auto fatto = [&](qsizetype i, const std::vector<EsitoImport>& esiti) {
        const QString& file = a.posizionali[i];
        // Looked at only for a file that stored nothing: one stored may have been moved since.
        const bool nienteCaricato =
            std::none_of(esiti.begin(), esiti.end(), [](const EsitoImport& e) { return e.ok; });
        if (nienteCaricato && !QFileInfo::exists(file)) {
            rapporto.aggiungiInesistente(file);
            tuttiOk = false;
            if (a.json)
                out() << compatto(
                             {{"file", file},
                              {"ok", false},
                              {"XmlAnno", QJsonValue::Null},
                              {"XmlNumRif", QJsonValue::Null},
                              {"PartitaIva", QJsonValue::Null},
                              {"errori", QStringLiteral("\r\n") + file + QStringLiteral(" - inesistente")}})
                      << Qt::endl;
            return;
        }
        rapporto.aggiungi(esiti);
        for (const EsitoImport& e : esiti) {
            tuttiOk = tuttiOk && e.ok;
            if (!a.json)
                continue;
            QJsonObject o{{"file", file}, {"ok", e.ok}};
            if (e.corpo > 0)
                o.insert(QStringLiteral("corpo"), e.corpo);
            o.insert(QStringLiteral("XmlAnno"), e.ok ? QJsonValue(e.anno) : QJsonValue());
            o.insert(QStringLiteral("XmlNumRif"),
                     e.ok ? QJsonValue(static_cast<qint64>(e.numRif)) : QJsonValue());
            o.insert(QStringLiteral("PartitaIva"),
                     e.partitaIva.isEmpty() ? QJsonValue() : QJsonValue(e.partitaIva));
            o.insert(QStringLiteral("errori"), e.errori);
            o.insert(QStringLiteral("avvisi"), QJsonArray::fromStringList(e.avvisi));
            if (!e.allegati.isEmpty())
                o.insert(QStringLiteral("allegati"), QJsonArray::fromStringList(e.allegati));
            out() << compatto(o) << Qt::endl;
        }
    };
    importatore.importa(a.posizionali, a.hub, fatto);
    if (!a.json) {
        out() << RapportoImport::TitoloCaricate << rapporto.caricate() << "\n";
        if (!rapporto.allegati().isEmpty())
            out() << "\nAllegati estratti (File - Allegato)" << rapporto.allegati() << "\n";
        if (!rapporto.avvisi().isEmpty())
            out() << "\nDa completare (Avvisi)" << rapporto.avvisi() << "\n";
        if (!rapporto.errori().isEmpty())
            out() << "\nSegnalazione di errori" << rapporto.errori() << "\n";
        out() << "\n" << rapporto.conclusione(static_cast<int>(a.posizionali.size())) << "\n";
    }
    return tuttiOk ? 0 : 1;
}

// A stored value as JSON, by the column's type in the schema.
QJsonValue valoreJson(const QVariant& v, schema::Tipo tipo) {
    if (v.isNull())
        return QJsonValue();
    switch (tipo) {
    case schema::Tipo::Valuta:
    case schema::Tipo::Doppio:
        if (const auto c = Currency::daVariant(v))
            return QJsonValue(c->comeDouble());
        return QJsonValue(v.toDouble());
    case schema::Tipo::Intero:
    case schema::Tipo::Lungo:
        return QJsonValue(v.toLongLong());
    case schema::Tipo::Data: {
        const std::optional<QDateTime> letta = dataOraDaVariant(v);
        if (!letta)
            return QJsonValue(v.toString());
        const QDateTime& dt = *letta;
        return QJsonValue(dt.time() == QTime(0, 0) ? dt.date().toString(QStringLiteral("yyyy-MM-dd"))
                                                   : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    }
    default:
        return QJsonValue(v.toString());
    }
}

QJsonObject rigaJson(const RigaStore& riga, const schema::Tabella& t) {
    QJsonObject o;
    for (const schema::Colonna& c : t.colonne)
        if (riga.haColonna(c.nome))
            o.insert(c.nome, valoreJson(riga.valore(c.nome), c.tipo));
    return o;
}

int mostra(const Argomenti& a) {
    bool okAnno = false, okNumero = false;
    const int anno = a.posizionali.value(0).toInt(&okAnno);
    const qint32 numero = a.posizionali.value(1).toInt(&okNumero);
    if (a.posizionali.size() != 2 || !okAnno || !okNumero || !a.json)
        return uso();
    Azienda az;
    if (!az.apri(a))
        return 1;
    const FatturaStore f = leggiFattura(*az.db, anno, numero);
    if (!f.testata) {
        err() << "Fattura " << anno << "/" << numero << " inesistente\n";
        return 1;
    }
    const std::vector<schema::Tabella> tabelle = schema::tabelleStore();
    const auto tabella = [&](QLatin1String nome) -> const schema::Tabella& {
        for (const schema::Tabella& t : tabelle)
            if (t.nome.compare(nome, Qt::CaseInsensitive) == 0)
                return t;
        throw std::runtime_error("tabella mancante nello schema");
    };
    const auto righe = [&](const std::vector<RigaStore>& v, QLatin1String nome) {
        QJsonArray arr;
        for (const RigaStore& r : v)
            arr.append(rigaJson(r, tabella(nome)));
        return arr;
    };
    QJsonObject o;
    o.insert(QString(store::FatXmlTest), rigaJson(*f.testata, tabella(store::FatXmlTest)));
    o.insert(QString(store::FatXmlDett), righe(f.dettaglio, store::FatXmlDett));
    o.insert(QString(store::FatXmlIva), righe(f.iva, store::FatXmlIva));
    o.insert(QString(store::FatXmlPag), righe(f.pagamenti, store::FatXmlPag));
    o.insert(QString(store::FatXmlDatiGen), righe(f.datiGen, store::FatXmlDatiGen));
    out() << QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Indented));
    return 0;
}

QString senzaCrLfIniziale(QString t) {
    while (t.startsWith(QStringLiteral("\r\n")))
        t.remove(0, 2);
    return t;
}

int contabilizza(const Argomenti& a) {
    if (!a.posizionali.isEmpty())
        return uso();
    Azienda az;
    if (!az.apri(a))
        return 1;
    posting::OpzioniLotto opzioni = a.lotto;
    opzioni.utente = qEnvironmentVariable("USER", QStringLiteral("tesel-cli"));
    // The dialog's defaults, unless the command line says otherwise.
    opzioni.causalePagamento =
        a.causalePag.value_or(az.parametri->leggi(QStringLiteral("CauCon.SaldaCauPagamenti")).trimmed());
    opzioni.contoPagamento = a.contoPag ? *a.contoPag : posting::contoPagamentoAzienda(*az.parametri);
    const posting::Avanzamento avanzamento = [](int fatti, int daFare) {
        err() << "In elaborazione: " << formattaIntero(fatti) << " di " << formattaIntero(daFare) << Qt::endl;
        return true;
    };
    const posting::EsitoLotto esito = posting::contabilizzaSelezione(
        *az.db, *az.parametri, az.amb.conf.get(), az.amb.ui, a.criteri, opzioni, avanzamento);
    if (a.json) {
        for (const posting::EsitoFatturaLotto& f : esito.fatture)
            out() << compatto({{"XmlAnno", f.xmlAnno},
                               {"XmlNumRif", f.xmlNumRif},
                               {"identificazione", f.identificazione},
                               {"ok", f.ok},
                               {"giaContabilizzata", f.giaContabilizzata},
                               {"errori", f.errori},
                               {"avvisi", f.avvisi}})
                  << Qt::endl;
    }
    if (esito.fatture.empty()) {
        err() << "Non ci sono fatture passive con i dati richiesti da contabilizzare\n";
        return 0;
    }
    if (!a.json) {
        const QString errori = senzaCrLfIniziale(esito.erroriRaccolti());
        out() << (errori.isEmpty() ? QStringLiteral("Elaborazione terminata") : errori) << "\n";
        if (const QString avvisi = senzaCrLfIniziale(esito.avvisiRaccolti()); !avvisi.isEmpty())
            out() << "Avvisi:\n" << avvisi << "\n";
        // The summary goes to standard error: the report must be out first when both are one file.
        out().flush();
    }
    const int selezionate = static_cast<int>(esito.fatture.size());
    const int gia = esito.giaContabilizzate();
    err() << "Contabilizzate " << formattaIntero(esito.contabilizzate()) << " di "
          << formattaIntero(selezionate)
          << "; già contabilizzate da un'altra postazione: " << formattaIntero(gia)
          << "; con errori: " << formattaIntero(selezionate - esito.contabilizzate() - gia) << Qt::endl;
    return esito.tutteOk() ? 0 : 1;
}

int decontabilizza(const Argomenti& a) {
    bool okAnno = false, okNumero = false;
    const int anno = a.posizionali.value(0).toInt(&okAnno);
    const qint64 numero = a.posizionali.value(1).toLongLong(&okNumero);
    if (a.posizionali.size() != 2 || !okAnno || !okNumero)
        return uso();
    Azienda az;
    if (!az.apri(a))
        return 1;
    // The header form's own check comes first, with its message.
    if (posting::scadenzeBloccate(*az.db, anno, numero) > 0) {
        err() << "Ci sono delle scadenze che non si possono eliminare\n"
                 "Impossibile decontabilizzare la fattura\n";
        return 1;
    }
    const bool ok =
        posting::DecontabilizzaFattura(*az.db, *az.parametri, az.amb.conf.get(), az.amb.ui, anno, numero,
                                       qEnvironmentVariable("USER", QStringLiteral("tesel-cli")));
    if (ok)
        err() << "Fattura " << anno << "/" << numero << " decontabilizzata\n";
    return ok ? 0 : 1;
}

int stampaFatture(const Argomenti& a) {
    if (!a.posizionali.isEmpty())
        return uso();
    if (a.pdf.trimmed().isEmpty() == a.file.trimmed().isEmpty()) {
        err() << "Indicare --pdf OUT oppure --file OUT\n";
        return 2;
    }
    std::optional<stampa::FormatoFile> formato;
    if (!a.file.trimmed().isEmpty()) {
        formato = stampa::formatoDaTesto(QFileInfo(a.file).suffix());
        if (!formato) {
            err() << "Il file deve finire in .xlsx, .csv o .txt: " << a.file << "\n";
            return 2;
        }
    }
    Azienda az;
    if (!az.apri(a))
        return 1;
    stampa::StFatPas st(*az.db, az.amb.ui);
    stampa::SelezioneStampa& s = st.origine.selezione;
    const posting::CriteriSelezione& c = a.criteri;
    s.tipoDocumento = c.tipoDocumento;
    s.annoDa = c.annoDa;
    s.annoA = c.annoA;
    s.numeroDa = c.numeroDa;
    s.numeroA = c.numeroA;
    s.dataDa = c.dataDa;
    s.dataA = c.dataA;
    s.numeroDocumento = c.numeroDocumento;
    s.ricezioneDa = c.ricezioneDa;
    s.ricezioneA = c.ricezioneA;
    s.partitaIva = c.partitaIva;
    s.codiceFiscale = c.codiceFiscale;
    s.soloNonStampate = a.soloNonStampate;
    st.ordine = a.ordine;
    stampa::impostaDaProfilo(st, *az.amb.conf, *az.parametri, az.amb.menu, az.amb.ui);
    const QString uscita = QFileInfo(formato ? a.file : a.pdf).absoluteFilePath();
    if (formato) {
        // Separator, qualifier and number format as the print options of the print say.
        const FileIni profilo(az.amb.conf->fileProfilo());
        const stampa::ImpostazioneStampa imp(profilo, stampa::postazioneCorrente(az.amb.menu),
                                             stampa::IdentitaStampa{QStringLiteral("StFatPas"), {}, {}});
        st.opzioni.destinazione = stampa::Destinazione::FileDati;
        st.opzioni.fileDati = uscita;
        st.opzioni.formatoFile = imp.leggiOpzioni(az.amb.ui).file;
        st.opzioni.formatoFile.formato = *formato;
    } else if (a.perFattura) {
        st.opzioni.destinazione = stampa::Destinazione::PdfPerFattura;
        st.opzioni.cartellaPdf = uscita;
        st.messaggio = [](const QString& m) { err() << m << Qt::endl; };
    } else {
        st.opzioni.destinazione = stampa::Destinazione::PdfUnico;
        st.opzioni.filePdf = uscita;
    }
    const stampa::EsitoStampa esito = st.AvviaStampa();
    out() << "Fatture stampate: " << esito.fatture << " - pagine: " << esito.pagine << Qt::endl;
    for (const QString& f : esito.file)
        out() << f << "\n";
    const bool stampate = esito.fatture > 0 && !esito.erroreFile && !esito.errore;
    bool inviate = true;
    if (stampate && !a.email.trimmed().isEmpty()) {
        // The e-mail settings of the print options, as the print's own e-mail uses them.
        FileIni profilo(az.amb.conf->fileProfilo());
        const stampa::ImpostazioneStampa imp(
            profilo, stampa::postazioneCorrente(az.amb.menu), stampa::ContestoNomi{}.identita,
            stampa::DatiAzienda{az.parametri->leggi(QStringLiteral("Ditta.RagSoc")), {}, {}});
        for (const QString& f : esito.file.isEmpty() ? QStringList{uscita} : esito.file) {
            if (stampa::InviaEmail(imp, f, az.amb.ui, {}, a.email.trimmed()))
                err() << "Inviato per email a " << a.email.trimmed() << ": " << f << "\n";
            else
                inviate = false;
        }
    }
    return stampate && inviate ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    // The print measures its texts with the fonts: it needs the graphical application, which
    // without a display runs on the offscreen platform.
    const bool grafica =
        std::any_of(argv + 1, argv + argc, [](const char* x) { return qstrcmp(x, "stampa") == 0; });
    if (grafica && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::unique_ptr<QCoreApplication> applicazione = grafica ? std::make_unique<QGuiApplication>(argc, argv)
                                                             : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *applicazione;
    const Argomenti a = leggiArgomenti(app.arguments());
    if (a.aiuto && a.ok) {
        out() << aiuto();
        return 0;
    }
    if (!a.ok)
        return uso();
    try {
        if (a.comando == QStringLiteral("crea-db"))
            return initDb(a);
        if (a.comando == QStringLiteral("riepilogo"))
            return riepilogo(a);
        if (a.comando == QStringLiteral("importa"))
            return importa(a);
        if (a.comando == QStringLiteral("mostra"))
            return mostra(a);
        if (a.comando == QStringLiteral("contabilizza"))
            return contabilizza(a);
        if (a.comando == QStringLiteral("scontabilizza"))
            return decontabilizza(a);
        if (a.comando == QStringLiteral("hub") &&
            (a.posizionali.value(0) == u"attive" || a.posizionali.value(0) == u"dati-sdi"))
            return comandoHubAttive({a.ini, a.risposte, a.json, a.dal.value_or(QDate()),
                                     a.al.value_or(QDate()), a.tutti, a.posizionali});
        if (a.comando == QStringLiteral("hub") &&
            (a.posizionali.value(0) == u"passive" || a.posizionali.value(0) == u"scarica")) {
            ArgomentiRicevute r = a.ricevute;
            r.ini = a.ini;
            r.risposte = a.risposte;
            r.json = a.json;
            r.opzioni = a.opzioni;
            r.opzioni.sovrascrivi = a.opzioni.sovrascrivi || a.sovrascrivi;
            r.posizionali = a.posizionali;
            return comandoHubRicevute(r);
        }
        if (a.comando == QStringLiteral("hub"))
            return comandoHub(a.ini, a.risposte, a.json, a.terminale, a.posizionali);
        if (a.comando == QStringLiteral("stampa"))
            return stampaFatture(a);
        if (a.comando == QStringLiteral("verifica"))
            return comandoVerifica(a.ini, a.risposte, a.ripara, a.posizionali);
        err() << "Comando sconosciuto: " << a.comando << "\n";
        return uso();
    } catch (const ErroreDb& e) {
        err() << "Errore(" << e.numero() << "): " << e.descrizione() << "\n";
        if (!e.sql().isEmpty())
            err() << "SQL: " << e.sql().left(500) << "\n";
        return 1;
    } catch (const std::exception& e) {
        err() << "Errore: " << e.what() << "\n";
        return 1;
    }
}
