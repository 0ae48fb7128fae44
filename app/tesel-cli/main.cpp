// tesel-cli: the program's batch work without a display.
//
//   tesel-cli init-db --ini FILE [--demo]
//       Creates (or completes) the company database named by the configuration file, and
//       the common database when the file has a "Menu" section; --demo seeds the demo company.
//   tesel-cli riepilogo --ini FILE
//       Prints the company database's tables with their row counts.
//   tesel-cli import --ini FILE [--overwrite] [--create-suppliers GRUPPO MASTRO]
//                    [--extract-attachments] [--causale C] [--iva-natura NATURA=CODICE]...
//                    [--iva CODICE] [--id-sdi ID] [--data-sdi GG/MM/AAAA] [--id-hub ID]
//                    [--json] FILE...
//       Imports received invoices (.xml or signed .xml.p7m) as the import dialog does and
//       prints its reports; --json prints one JSON object per invoice body instead. Exit
//       status 0 when every file was imported, 1 otherwise.
//   tesel-cli show --ini FILE ANNO NUMRIF --json
//       Prints one stored invoice: its rows of the five store tables as JSON.
//   tesel-cli post --ini FILE [--tipo-doc T] [--anno-da A] [--anno-al A] [--numero-da N]
//                  [--numero-al N] [--data-da GG/MM/AAAA] [--data-al GG/MM/AAAA] [--numero-doc N]
//                  [--ricezione-da GG/MM/AAAA] [--ricezione-al GG/MM/AAAA] [--partita-iva P]
//                  [--codice-fiscale C] [--causale-pag C] [--conto-pag G-M-C] [--crea-fornitore]
//                  [--senza-registrazione] [--json]
//       Posts the received invoices not yet posted that match the selection, as the posting
//       dialog does; the payment causal and account default to the company's, as there.
//       --json prints one JSON object per invoice. Exit status 0 when every selected invoice
//       was posted, 1 otherwise.
//   tesel-cli unpost --ini FILE ANNO NUMRIF
//       Takes the posting of one invoice back, as the header form does.
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
#include "import/importazione.h"
#include "posting/contabilizzazione.h"
#include "posting/decontabilizzazione.h"
#include "posting/selezione.h"
#include "schema/demo.h"
#include "schema/schema.h"
#include "store/store.h"
#include "verifica.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>
#include <limits>

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

int uso() {
    err()
        << "Uso:\n"
           "  tesel-cli init-db --ini FILE [--demo] [--rispondi RISPOSTA]...\n"
           "  tesel-cli riepilogo --ini FILE [--rispondi RISPOSTA]...\n"
           "  tesel-cli import --ini FILE [--overwrite] [--create-suppliers GRUPPO MASTRO]\n"
           "                   [--extract-attachments] [--causale C] [--iva-natura NATURA=CODICE]...\n"
           "                   [--iva CODICE] [--id-sdi ID] [--data-sdi GG/MM/AAAA] [--id-hub ID]\n"
           "                   [--json] FILE...\n"
           "  tesel-cli show --ini FILE ANNO NUMRIF --json\n"
           "  tesel-cli post --ini FILE [--tipo-doc T] [--anno-da A] [--anno-al A] [--numero-da N]\n"
           "                 [--numero-al N] [--data-da GG/MM/AAAA] [--data-al GG/MM/AAAA] [--numero-doc N]\n"
           "                 [--ricezione-da GG/MM/AAAA] [--ricezione-al GG/MM/AAAA] [--partita-iva P]\n"
           "                 [--codice-fiscale C] [--causale-pag C] [--conto-pag G-M-C] [--crea-fornitore]\n"
           "                 [--senza-registrazione] [--json]\n"
           "  tesel-cli unpost --ini FILE ANNO NUMRIF\n"
           "  tesel-cli verifica --ini FILE [--ripara]\n";
    return 2;
}

struct Argomenti {
    QString comando;
    QString ini;
    QStringList risposte;
    bool demo = false;
    bool json = false;
    bool ripara = false; // verifica
    OpzioniImport opzioni;
    DatiHub hub;
    QStringList posizionali;
    // post
    posting::CriteriSelezione criteri;
    posting::OpzioniLotto lotto;
    // Nothing: the company's, as the dialog
    std::optional<QString> causalePag;
    std::optional<CodiceConto> contoPag;
    bool ok = true;
};

Argomenti leggiArgomenti(const QStringList& a) {
    Argomenti r;
    if (a.size() < 2) {
        r.ok = false;
        return r;
    }
    r.comando = a[1];
    const auto valore = [&](int& i) -> QString {
        if (i + 1 < a.size())
            return a[++i];
        err() << "Manca il valore di " << a[i] << "\n";
        r.ok = false;
        return {};
    };
    const auto data = [&](int& i, std::optional<QDate>& d) {
        const QString nome = a[i];
        const QString v = valore(i);
        d = dataDaTesto(v);
        if (!d && r.ok) {
            err() << "Data non valida per " << nome << ": " << v << "\n";
            r.ok = false;
        }
    };
    const auto numero = [&]<typename T>(int& i, std::optional<T>& n) {
        const QString nome = a[i];
        const QString v = valore(i);
        bool ok = false;
        const qint64 letto = v.trimmed().toLongLong(&ok);
        if (ok && letto >= 0 && letto <= std::numeric_limits<T>::max()) {
            n = static_cast<T>(letto);
        } else if (r.ok) {
            err() << "Numero non valido per " << nome << ": " << v << "\n";
            r.ok = false;
        }
    };
    posting::CriteriSelezione& c = r.criteri;
    for (int i = 2; i < a.size(); ++i) {
        const QString& x = a[i];
        if (x == QStringLiteral("--tipo-doc"))
            c.tipoDocumento = valore(i);
        else if (x == QStringLiteral("--anno-da"))
            numero(i, c.annoDa);
        else if (x == QStringLiteral("--anno-al"))
            numero(i, c.annoA);
        else if (x == QStringLiteral("--numero-da"))
            numero(i, c.numeroDa);
        else if (x == QStringLiteral("--numero-al"))
            numero(i, c.numeroA);
        else if (x == QStringLiteral("--data-da"))
            data(i, c.dataDa);
        else if (x == QStringLiteral("--data-al"))
            data(i, c.dataA);
        else if (x == QStringLiteral("--numero-doc"))
            c.numeroDocumento = valore(i);
        else if (x == QStringLiteral("--ricezione-da"))
            data(i, c.ricezioneDa);
        else if (x == QStringLiteral("--ricezione-al"))
            data(i, c.ricezioneA);
        else if (x == QStringLiteral("--partita-iva"))
            c.partitaIva = valore(i);
        else if (x == QStringLiteral("--codice-fiscale"))
            c.codiceFiscale = valore(i);
        else if (x == QStringLiteral("--causale-pag"))
            r.causalePag = valore(i).trimmed();
        else if (x == QStringLiteral("--conto-pag")) {
            const QString v = valore(i);
            r.contoPag = CodiceConto::leggi(v);
            if (!r.contoPag && r.ok) {
                err() << CodiceConto::MessaggioNonValido << ": " << v << "\n";
                r.ok = false;
            }
        } else if (x == QStringLiteral("--crea-fornitore"))
            r.lotto.creaFornitore = true;
        else if (x == QStringLiteral("--senza-registrazione"))
            r.lotto.senzaRegistrazione = true;
        else if (x == QStringLiteral("--ini"))
            r.ini = valore(i);
        else if (x == QStringLiteral("--rispondi"))
            r.risposte << valore(i);
        else if (x == QStringLiteral("--demo"))
            r.demo = true;
        else if (x == QStringLiteral("--json"))
            r.json = true;
        else if (x == QStringLiteral("--ripara"))
            r.ripara = true;
        else if (x == QStringLiteral("--overwrite"))
            r.opzioni.sovrascrivi = true;
        else if (x == QStringLiteral("--extract-attachments"))
            r.opzioni.estraiAllegati = true;
        else if (x == QStringLiteral("--create-suppliers")) {
            r.opzioni.creaFornitori = true;
            r.opzioni.gruppoFornitori = valore(i);
            r.opzioni.mastroFornitori = valore(i);
        } else if (x == QStringLiteral("--causale"))
            r.opzioni.causale = valore(i);
        else if (x == QStringLiteral("--iva"))
            r.opzioni.ivaAltra = valore(i);
        else if (x == QStringLiteral("--iva-natura")) {
            const QString v = valore(i);
            const qsizetype uguale = v.indexOf(u'=');
            if (uguale <= 0) {
                err() << "--iva-natura vuole NATURA=CODICE: " << v << "\n";
                r.ok = false;
            } else
                r.opzioni.ivaPerNatura.push_back({v.left(uguale).trimmed(), v.mid(uguale + 1).trimmed()});
        } else if (x == QStringLiteral("--id-sdi"))
            r.hub.idSdi = valore(i);
        else if (x == QStringLiteral("--id-hub"))
            r.hub.idHub = valore(i);
        else if (x == QStringLiteral("--data-sdi")) {
            const QString v = valore(i);
            r.hub.dataRicezione = dataDaTesto(v);
            if (!r.hub.dataRicezione) {
                err() << "Data ricezione SDI non valida: " << v << "\n";
                r.ok = false;
            }
        } else if (x.startsWith(QStringLiteral("--"))) {
            err() << "Argomento non riconosciuto: " << x << "\n";
            r.ok = false;
        } else
            r.posizionali << x;
    }
    if (r.opzioni.creaFornitori &&
        (r.opzioni.gruppoFornitori.trimmed().isEmpty() || r.opzioni.mastroFornitori.trimmed().isEmpty())) {
        err() << "Per creare i fornitori compilare sia il gruppo che il mastro\n";
        r.ok = false;
    }
    if (const auto fuori = posting::controllaOrdine(r.criteri)) {
        err() << fuori->messaggio << "\n";
        r.ok = false;
    }
    if (r.ini.isEmpty()) {
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
    schema::creaSchema(*db, schema::tabelleAzienda());
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
    for (const QString& file : a.posizionali) {
        if (!QFileInfo::exists(file)) {
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
            continue;
        }
        const std::vector<EsitoImport> esiti = importatore.importa(file, a.hub);
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
            out() << compatto(o) << Qt::endl;
        }
    }
    if (!a.json) {
        out() << "Fatture caricate (P.iva - File - Num. riferimento)" << rapporto.caricate() << "\n";
        if (!rapporto.errori().isEmpty())
            out() << "\nSegnalazione di errori" << rapporto.errori() << "\n";
        out() << "\nCaricamento completato\n";
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
                               {"errori", f.errori}})
                  << Qt::endl;
    }
    if (esito.fatture.empty()) {
        err() << "Non ci sono fatture passive con i dati richiesti da contabilizzare\n";
        return 0;
    }
    if (!a.json) {
        const QString errori = senzaCrLfIniziale(esito.erroriRaccolti());
        out() << (errori.isEmpty() ? QStringLiteral("Elaborazione terminata") : errori) << "\n";
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

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const Argomenti a = leggiArgomenti(app.arguments());
    if (!a.ok)
        return uso();
    try {
        if (a.comando == QStringLiteral("init-db"))
            return initDb(a);
        if (a.comando == QStringLiteral("riepilogo"))
            return riepilogo(a);
        if (a.comando == QStringLiteral("import"))
            return importa(a);
        if (a.comando == QStringLiteral("show"))
            return mostra(a);
        if (a.comando == QStringLiteral("post"))
            return contabilizza(a);
        if (a.comando == QStringLiteral("unpost"))
            return decontabilizza(a);
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
