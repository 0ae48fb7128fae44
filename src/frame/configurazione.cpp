#include "frame/configurazione.h"

#include "frame/clientmenu.h"
#include "frame/data.h"
#include "frame/ini.h"
#include "frame/interazione.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>
#include <optional>

namespace tesel {

namespace {

const QString Acapo = QStringLiteral("\n");
const QString SezParametri = QStringLiteral("Parametri Generali");
const QString SezBase = QStringLiteral("Base");

QString testoProfiloErrato() {
    return QStringLiteral("File di inizializzazione non trovato") + Acapo +
           QStringLiteral("o con informazioni non corrette.") + Acapo +
           QStringLiteral("Correggere e rieseguire il programma.");
}

// A flag of the profile file: "S", "Si", "1", "-1" (a true of the suite's programs), "True".
bool attivo(const QString& v) {
    const QString t = v.trimmed();
    return t.compare(QLatin1String("S"), Qt::CaseInsensitive) == 0 ||
           t.compare(QLatin1String("Si"), Qt::CaseInsensitive) == 0 ||
           t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 || t == QLatin1String("1") ||
           t == QLatin1String("-1");
}

bool haValore(const QString& v) {
    return !v.trimmed().isEmpty() && v != NessunValorePersonale;
}

std::optional<QString> esistente(const QString& percorso) {
    if (!percorso.isEmpty() && QFileInfo(percorso).isFile())
        return QFileInfo(percorso).absoluteFilePath();
    return std::nullopt;
}

// Looks for a profile file: an absolute name as it stands, a relative one in each folder.
std::optional<QString> cercaFile(const QString& nome, const QStringList& cartelle) {
    if (nome.trimmed().isEmpty())
        return std::nullopt;
    if (percorsoAssoluto(nome))
        return esistente(percorsoLocale(nome));
    const QString relativo = percorsoLocale(nome);
    for (const QString& c : cartelle)
        if (auto p = esistente(uniscePercorso(c, relativo)))
            return p;
    return std::nullopt;
}

QStringList cartelleSuite(const FileIni& installazione) {
    QString suite = percorsoLocale(installazione.value(QStringLiteral("Setup"), QStringLiteral("DirSuite")));
    const QString cartellaInst = QFileInfo(installazione.percorso()).absolutePath();
    if (suite.isEmpty())
        suite = cartellaInst;
    else if (!percorsoAssoluto(suite))
        suite = uniscePercorso(cartellaInst, suite);
    return {suite, uniscePercorso(suite, QStringLiteral("main")), QDir::currentPath()};
}

// The files of "Lista File Ini" by number ("OrdIniDBase0", "OrdIniDBase1", ...).
std::map<int, QString> listaFileIni(const FileIni& principale) {
    std::map<int, QString> lista;
    const QString sezione = QStringLiteral("Lista File Ini");
    const QLatin1String prefisso("OrdIniDBase");
    for (const QString& k : principale.keys(sezione)) {
        if (!k.startsWith(prefisso, Qt::CaseInsensitive))
            continue;
        bool ok = false;
        const int n = k.mid(prefisso.size()).toInt(&ok);
        const QString f = principale.value(sezione, k);
        if (ok && n >= 0 && !f.isEmpty())
            lista.emplace(n, f);
    }
    return lista;
}

// A folder below the database's drive unless it names its own root: a drive letter, a UNC
// path or a Linux absolute path ("/x"); "\x" is drive-relative as on the suite's Windows machines.
QString sottoUnita(const QString& unita, const QString& cartella) {
    const QString c = cartella.trimmed();
    const bool propria = (percorsoAssoluto(c) && !c.startsWith(u'\\')) || c.startsWith(QLatin1String("\\\\"));
    if (propria || unita.trimmed().isEmpty())
        return c;
    return uniscePercorso(unita.trimmed(), c);
}

double numero(const QString& testo, double predefinito) {
    bool ok = false;
    const double v = QString(testo).replace(u',', u'.').toDouble(&ok);
    return ok ? v : predefinito;
}

} // namespace

QString fileInstallazione() {
    const QString env = qEnvironmentVariable("BRENTA_INST").trimmed();
    if (!env.isEmpty())
        return percorsoLocale(env);
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME").trimmed();
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    const QString utente = config + QStringLiteral("/brenta/BrentaInst.ini");
    if (QFileInfo::exists(utente))
        return utente;
    return QStringLiteral("/etc/brenta/BrentaInst.ini");
}

SceltaProfilo scegliFileProfilo(ClientMenu& menu, Interazione& ui, const QString& parametroI) {
    SceltaProfilo s;
    auto fallisce = [&](const QString& messaggio) {
        msgCom(ui, messaggio);
        s.percorso.clear();
        s.errore = messaggio;
        return s;
    };

    // The main file.
    const FileIni installazione(fileInstallazione());
    const QStringList cartelle = cartelleSuite(installazione);
    const QString dalMenu = menu.percorsoConfigurazione().trimmed();
    if (!dalMenu.isEmpty()) {
        s.filePrincipale = percorsoLocale(dalMenu);
    } else {
        QString nome = parametroI.trimmed();
        if (nome.isEmpty())
            nome = installazione.value(QStringLiteral("Setup"), QStringLiteral("IniPrincipale"),
                                       QStringLiteral("brenta.ini"));
        const auto trovato = cercaFile(nome, cartelle);
        if (!trovato)
            return fallisce(QStringLiteral("File ini non trovato") + Acapo +
                            QStringLiteral("Sistemare e rieseguire"));
        s.filePrincipale = *trovato;
    }

    // A file of the list.
    const FileIni principale(s.filePrincipale);
    s.percorso = s.filePrincipale;
    const auto lista = listaFileIni(principale);
    const QString numIni = principale.value(SezParametri, QStringLiteral("NumIni"));
    if (!lista.empty() && !numIni.isEmpty()) {
        const QString fuoriScala = QStringLiteral("Numero di ini scelto") + Acapo +
                                   QStringLiteral("(da 0 a ") + QString::number(lista.rbegin()->first) + u')';
        auto scelto = [&](const QString& testo) -> const QString* {
            bool ok = false;
            const int n = testo.trimmed().toInt(&ok);
            const auto it = ok ? lista.find(n) : lista.end();
            return it == lista.end() ? nullptr : &it->second;
        };
        bool ok = false;
        const int n = numIni.toInt(&ok);
        const QString* file = nullptr;
        if (numIni == QLatin1String("?") || (ok && n < 0)) {
            QStringList righe;
            for (const auto& [numero, nome] : lista)
                righe << QString::number(numero) + QStringLiteral(" -> ") + nome;
            while (!file) {
                const auto risposta =
                    ui.chiediTesto(QStringLiteral("Scelta dell'INI"), righe.join(Acapo), QStringLiteral("0"));
                if (!risposta) {
                    s.percorso.clear();
                    s.errore = QStringLiteral("Err: scelta del file ini annullata");
                    return s;
                }
                file = scelto(*risposta);
                if (!file)
                    msgCom(ui, fuoriScala);
            }
        } else {
            file = scelto(numIni);
            if (!file)
                return fallisce(fuoriScala);
        }
        QStringList dove = cartelle;
        dove.prepend(QFileInfo(s.filePrincipale).absolutePath());
        s.percorso =
            cercaFile(*file, dove)
                .value_or(percorsoAssoluto(*file) ? percorsoLocale(*file)
                                                  : uniscePercorso(dove.first(), percorsoLocale(*file)));
    }

    // The chosen file and its connection section.
    const FileIni profilo(s.percorso);
    const QString connessione = QStringLiteral("Connessione");
    s.sezioneConnessione =
        profilo.value(SezParametri, connessione, principale.value(SezParametri, connessione));
    if (s.sezioneConnessione.isEmpty())
        s.sezioneConnessione = SezioneConnessioniPredefinita;
    s.nomeDb = profilo.value(s.sezioneConnessione, QStringLiteral("NomeDB"));
    if (!profilo.esiste() || s.nomeDb.isEmpty())
        return fallisce(testoProfiloErrato());
    s.connect = profilo.value(s.sezioneConnessione, QStringLiteral("Connect"));

    // What was read, when asked for.
    const QString visParam = QStringLiteral("VisParam");
    if (attivo(profilo.value(SezParametri, visParam, principale.value(SezParametri, visParam))))
        msgCom(ui, QStringLiteral("Parametri letti:") + Acapo + QStringLiteral("File dei parametri: ") +
                       s.percorso + Acapo + QStringLiteral("Database: ") + s.nomeDb + Acapo +
                       QStringLiteral("Tipo Connessione: ") + s.connect);

    // The execution option, kept for the run.
    bool ok = false;
    s.execOption =
        profilo.value(s.sezioneConnessione, QStringLiteral("Exec_option"), QStringLiteral("0")).toInt(&ok);
    if (!ok)
        s.execOption = 0;
    return s;
}

Configurazione::Configurazione(ClientMenu& menu, Interazione& ui, const SceltaProfilo& scelta)
    : menu_(menu), ui_(ui) {
    usa(scelta);
}

void Configurazione::usa(const SceltaProfilo& scelta) {
    impostaFileProfilo(scelta.percorso, scelta.sezioneConnessione);
    principale_ = scelta.filePrincipale;
    execOption_ = scelta.execOption;
}

void Configurazione::impostaFileProfilo(const QString& percorso, const QString& sezioneConnessione) {
    file_ = percorsoLocale(percorso);
    principale_ = file_;
    sezione_ = sezioneConnessione.isEmpty() ? SezioneConnessioniPredefinita : sezioneConnessione;
    execOption_ = leggiIni(sezione_, QStringLiteral("Exec_option"), QStringLiteral("0")).toInt();
}

QString Configurazione::LeggiIni(const QString& sezione, const QString& chiave, const QString& predefinito,
                                 QString& valore) const {
    valore = predefinito;
    FileIni ini;
    if (!ini.load(file_))
        return IniSenzaFile;
    if (const auto v = ini.trova(sezione, chiave)) {
        valore = *v;
        return IniTrovato;
    }
    return IniPredefinito;
}

QString Configurazione::leggiIni(const QString& sezione, const QString& chiave,
                                 const QString& predefinito) const {
    QString v;
    LeggiIni(sezione, chiave, predefinito, v);
    return v;
}

QString Configurazione::fileScrittura(const QString& file) const {
    if (file.trimmed().isEmpty())
        return file_;
    if (percorsoAssoluto(file))
        return percorsoLocale(file);
    return uniscePercorso(QFileInfo(file_).absolutePath(), percorsoLocale(file));
}

bool Configurazione::ScriviIni(const QString& sezione, const QString& chiave, const QString& valore,
                               const QString& file, bool cancellaSezione, bool cancellaChiave) {
    auto rifiuta = [&](const QString& fase) {
        msgCom(ui_, QStringLiteral("Aggiornamento del valore : ") + valore + Acapo +
                        QStringLiteral("nella sezione : ") + sezione + Acapo +
                        QStringLiteral("parametro : ") + chiave + Acapo + QStringLiteral("NON RIUSCITO.") +
                        Acapo + fase);
        return false;
    };
    const QString percorso = fileScrittura(file);

    FileIni ini;
    ini.load(percorso);
    if (percorso.isEmpty() || !ini.leggibile())
        return rifiuta(QStringLiteral("durante la ricerca"));
    const FileIni prima = ini;

    bool fatto = true;
    if (cancellaSezione)
        ini.removeSection(sezione);
    else if (cancellaChiave)
        ini.removeKey(sezione, chiave);
    else
        fatto = ini.set(sezione, chiave, valore);
    if (!fatto || (ini.modificato() && !ini.save()))
        return rifiuta(QStringLiteral("durante l' aggiornamento(1)"));

    const FileIni letto(percorso);
    bool riletto;
    if (cancellaSezione)
        riletto = !letto.hasSection(sezione);
    else if (cancellaChiave)
        riletto = !letto.contains(sezione, chiave);
    else
        riletto = letto.trova(sezione, chiave) == valore;
    if (!riletto) {
        // Put back what was there, so a failed write leaves the old value.
        FileIni ripristino = prima;
        if (prima.esiste())
            ripristino.save();
        else
            QFile::remove(percorso);
        return rifiuta(QStringLiteral("durante l' aggiornamento(2)"));
    }
    return true;
}

QString Configurazione::LeggiPersonal(const QString& sezione, const QString& chiave,
                                      const QString& predefinito) {
    const QString nome = QStringLiteral("Personal.") + sezione + u'.';
    QString v = menu_.parametroMenu(nome + chiave);
    if (v != NessunValorePersonale)
        return v;
    v = menu_.parametroMenu(nome + QStringLiteral("§"));
    if (v != NessunValorePersonale)
        return v;
    return predefinito;
}

QString Configurazione::DirAzienda(const QString& cartella, const QString& sezione) {
    const QString chiave = QStringLiteral("DirPerAzie");
    QString modello = LeggiPersonal(sezione, chiave, {}).trimmed();
    if (modello.isEmpty())
        modello = LeggiPersonal(QStringLiteral("Tutte"), chiave, {}).trimmed();
    if (modello.isEmpty())
        return cartella;
    modello.replace(QStringLiteral("§CodiceAzie§"),
                    menu_.parametroMenu(QStringLiteral("codiceazie")).trimmed(), Qt::CaseInsensitive);
    modello.replace(QStringLiteral("§IdAzienda§"), menu_.parametroMenu(QStringLiteral("idazienda")).trimmed(),
                    Qt::CaseInsensitive);
    const QString risultato = percorsoLocale(uniscePercorso(cartella, modello));
    if (!QFileInfo(risultato).isDir())
        QDir().mkpath(risultato);
    return risultato;
}

QString Configurazione::percorsoDatabase(const QString& nome, const QString& drive) const {
    if (percorsoAssoluto(nome))
        return percorsoLocale(nome);
    return percorsoLocale(
        uniscePercorso(cartellaLocale(sottoUnita(drive, leggiIni(SezBase, QStringLiteral("DirDB")))), nome));
}

QString Configurazione::cartellaLocale(const QString& cartella) const {
    // Without a drive and a folder of its own, a folder is taken beside the profile file.
    if (percorsoAssoluto(cartella))
        return percorsoLocale(cartella);
    return percorsoLocale(uniscePercorso(QFileInfo(file_).absolutePath(), cartella));
}

void Configurazione::completaCredenziali(ImpostazioniConnessione& c) {
    c.tipo = tipoConnessione(c.testo);
    c.utente.clear();
    c.password.clear();
    if (c.tipo == TipoConnessione::FileDatabase) {
        c.password = leggiIni(sezione_, QStringLiteral("DbAccPWD"));
        return;
    }
    if (c.testo.trimmed().startsWith(QLatin1String("ODBC;"), Qt::CaseInsensitive))
        return;
    if (!loginDalMenu_) {
        c.utente = leggiIni(sezione_, QStringLiteral("DbSqlPubUID"));
        c.password = leggiIni(sezione_, QStringLiteral("DbSqlPubPWD"));
        if (!c.password.isEmpty())
            return;
        utenteSql_ = menu_.parametroMenu(QStringLiteral("SqlLogin"));
        passwordSql_ = menu_.parametroMenu(QStringLiteral("SqlPwd"));
        loginDalMenu_ = true;
    }
    c.utente = utenteSql_;
    c.password = passwordSql_;
    if (c.utente.isEmpty())
        c.chiediPassword = attivo(menu_.parametroMenu(QStringLiteral("ChiediPwdSql")));
}

bool Configurazione::chiediLogin(ImpostazioniConnessione& c) {
    if (!c.chiediPassword)
        return true;
    const QString titolo = QStringLiteral("Accesso al database");
    const auto utente =
        ui_.chiediTesto(titolo, QStringLiteral("Utente del database ") + c.testo + u':', utenteSql_);
    if (!utente || utente->trimmed().isEmpty())
        return false;
    const auto password =
        ui_.chiediSegreto(titolo, QStringLiteral("Password dell'utente ") + utente->trimmed() + u':');
    if (!password)
        return false;
    utenteSql_ = c.utente = utente->trimmed();
    passwordSql_ = c.password = *password;
    loginDalMenu_ = true;
    c.chiediPassword = false;
    return true;
}

ImpostazioniConnessione Configurazione::connessioneAzienda() {
    ImpostazioniConnessione c;
    c.nomeDb = leggiIni(sezione_, QStringLiteral("NomeDB"));
    c.connect = leggiIni(sezione_, QStringLiteral("Connect"));
    c.owner = leggiIni(sezione_, QStringLiteral("Owner"));
    const QString nomeMenu = menu_.parametroMenu(QStringLiteral("NomeDBAzie"));
    const QString connectMenu = menu_.parametroMenu(QStringLiteral("ConnectDBAzie"));
    if (haValore(nomeMenu))
        c.nomeDb = nomeMenu.trimmed();
    if (haValore(connectMenu))
        c.connect = connectMenu.trimmed();
    if (c.nomeDb.isEmpty() && !c.connect.startsWith(QLatin1String("ODBC;"), Qt::CaseInsensitive)) {
        c.errore = testoProfiloErrato();
        msgCom(ui_, c.errore);
        return c;
    }
    completaConnessione(c, leggiIni(sezione_, QStringLiteral("DriveDB")));
    return c;
}

ImpostazioniConnessione Configurazione::connessioneComune() {
    ImpostazioniConnessione c;
    const QString menu = QStringLiteral("Menu");
    FileIni ini(file_);
    if (!ini.contains(menu, QStringLiteral("NomeDB")) && principale_ != file_)
        ini.load(principale_);
    c.nomeDb = ini.value(menu, QStringLiteral("NomeDB"));
    c.connect = ini.value(menu, QStringLiteral("Connect"));
    if (c.nomeDb.isEmpty()) {
        c.errore = QStringLiteral("File di inizializzazioni: ") + file_ + QStringLiteral(" non trovato ") +
                   QStringLiteral(" o con informazioni non corrette.") + Acapo +
                   QStringLiteral("Correggere e rieseguire il programma.");
        msgCom(ui_, c.errore);
        return c;
    }
    completaConnessione(c, ini.value(menu, QStringLiteral("DriveDB")));
    return c;
}

void Configurazione::completaConnessione(ImpostazioniConnessione& c, QString drive) {
    if (drive.isEmpty())
        drive = leggiIni(SezBase, QStringLiteral("DriveDB"));
    if (c.connect.startsWith(QLatin1String("ODBC;"), Qt::CaseInsensitive))
        c.testo = c.connect;
    else if (tipoConnessione(c.nomeDb) == TipoConnessione::Odbc)
        c.testo = c.nomeDb;
    else
        c.testo = percorsoDatabase(c.nomeDb, drive);
    completaCredenziali(c);
}

QDate Configurazione::dataMinima() {
    const QString predefinita = QStringLiteral("01/01/1900");
    return dataDaTesto(LeggiPersonal(QStringLiteral("Tutti"), QStringLiteral("DataMinima"), predefinita))
        .value_or(QDate(1900, 1, 1));
}

QString Configurazione::beepCome() const {
    return leggiIni(SezParametri, QStringLiteral("BeepCome"));
}

bool Configurazione::lisSpostaCurs() const {
    return leggiIni(QStringLiteral("Config"), QStringLiteral("LisSpostaCurs"), QStringLiteral("N"))
               .compare(QLatin1String("S"), Qt::CaseInsensitive) == 0;
}

bool Configurazione::lisClickNoSel() const {
    return leggiIni(QStringLiteral("Config"), QStringLiteral("LisClickNoSel"), QStringLiteral("N"))
               .compare(QLatin1String("S"), Qt::CaseInsensitive) == 0;
}

QString Configurazione::cartellaBase(const QString& chiave) const {
    const QString v = leggiIni(SezBase, chiave);
    if (v.isEmpty())
        return v;
    return cartellaLocale(sottoUnita(leggiIni(SezBase, QStringLiteral("DriveDb")), v));
}

FattoriVideo Configurazione::fattoriVideo() const {
    const QString sezione = QStringLiteral("Risoluzione Video");
    auto leggi = [&](const char* chiave, double predefinito) {
        return numero(leggiIni(sezione, QLatin1String(chiave)), predefinito);
    };
    FattoriVideo f;
    f.base = leggi("Generale", 0);
    if (f.base == -2)
        f.base = leggi("PersBase", 0);
    auto conBase = [&](const char* chiave) {
        const double v = leggi(chiave, -2);
        return v == -2 ? f.base : v;
    };
    f.staVid = conBase("StaVid");
    f.help = conBase("Help");
    f.msgCom = conBase("MsgCom");
    return f;
}

} // namespace tesel
