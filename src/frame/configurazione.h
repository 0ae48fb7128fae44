#pragma once
// The process-wide configuration: which profile file the program runs on, its connection
// settings, program and personal parameters, per-company folders.
//
// Files, on Linux:
//  - installation file: $BRENTA_INST, else $XDG_CONFIG_HOME (or ~/.config)/brenta/BrentaInst.ini
//    when it exists, else /etc/brenta/BrentaInst.ini. Section "Setup": "IniPrincipale" (the main
//    profile file, "brenta.ini" when missing) and "DirSuite" (the suite's folder; the
//    installation file's folder when missing).
//  - main profile file: the menu's, else the command-line value I, else "IniPrincipale".
//    Suite paths in these files ("C:\...", "\\server\...") go through percorsoLocale().

#include "frame/database.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace tesel {

class ClientMenu;
class Interazione;

// Status texts of LeggiIni.
inline const QString IniTrovato = QStringLiteral("0");     // the key was found
inline const QString IniPredefinito = QStringLiteral("1"); // section or key missing: the default
inline const QString IniSenzaFile = QStringLiteral("2");   // no file, or unreadable: the default

inline const QString SezioneConnessioniPredefinita = QStringLiteral("Connessioni");

QString fileInstallazione();

// The profile file chosen at start-up.
struct SceltaProfilo {
    QString percorso;       // local path of the profile file; empty when the choice failed
    QString filePrincipale; // the main file the choice started from
    QString sezioneConnessione = SezioneConnessioniPredefinita;
    QString nomeDb;  // "NomeDB" of the connection section
    QString connect; // "Connect" of the connection section
    int execOption = 0;
    // The message already shown to the user, or a text beginning with "Err:" when the
    // user gave up without a message; empty on success.
    QString errore;
    bool ok() const { return errore.isEmpty() && !percorso.isEmpty(); }
};

// Chooses the profile file, showing the start-up messages through `ui`:
//  1. the menu's configuration path; else
//  2. `parametroI`, else "IniPrincipale" of the installation file; a relative name is looked
//     for in the suite's folder, its "main" subfolder and the current folder;
//  3. when the main file has files listed in "Lista File Ini" ("OrdIniDBase" + number) and
//     "NumIni" of "Parametri Generali" is set, that number chooses one; "NumIni" = "?" or a
//     negative number asks the user (a wrong answer is asked again, cancelling gives up);
//     a listed relative name is looked for beside the main file, then as in step 2;
//  4. the connection section is "Connessione" of "Parametri Generali" (chosen file, else
//     main file), else "Connessioni"; it must hold a "NomeDB";
//  5. "VisParam" ("S", "Si", "1", "-1", "True") shows what was read; 6. "Exec_option" is kept.
SceltaProfilo scegliFileProfilo(ClientMenu& menu, Interazione& ui, const QString& parametroI);

// How to open one database.
struct ImpostazioniConnessione {
    QString nomeDb;  // as written
    QString connect; // "Connect" as written
    QString owner;   // "Owner"
    // What Database::apri receives: an ODBC connect text or data-source name, or the local
    // path of a database file.
    QString testo;
    TipoConnessione tipo = TipoConnessione::FileDatabase;
    QString utente;
    QString password;
    // No SQL login is known and the menu asks for one to be typed ("ChiediPwdSql").
    bool chiediPassword = false;
    QString errore; // the message shown when the settings are missing
    bool ok() const { return errore.isEmpty(); }
};

// Screen scaling factors ("Risoluzione Video"), already resolved against the base.
struct FattoriVideo {
    double base = 0;
    double staVid = 0;
    double help = 0;
    double msgCom = 0;
};

class Configurazione {
public:
    Configurazione(ClientMenu& menu, Interazione& ui) : menu_(menu), ui_(ui) {}
    Configurazione(ClientMenu& menu, Interazione& ui, const SceltaProfilo& scelta);

    void usa(const SceltaProfilo& scelta);
    void impostaFileProfilo(const QString& percorso,
                            const QString& sezioneConnessione = SezioneConnessioniPredefinita);
    const QString& fileProfilo() const { return file_; }
    const QString& filePrincipale() const { return principale_; }
    const QString& sezioneConnessione() const { return sezione_; }
    int execOption() const { return execOption_; }

    // Reads a value of the profile file; answers IniTrovato, IniPredefinito or IniSenzaFile.
    QString LeggiIni(const QString& sezione, const QString& chiave, const QString& predefinito,
                     QString& valore) const;
    QString leggiIni(const QString& sezione, const QString& chiave, const QString& predefinito = {}) const;

    // Writes a value (or deletes a key or a whole section) of `file` - the profile file when
    // empty; a relative name is taken beside the profile file - then reads it back. A
    // failure is shown to the user and answers false; the file keeps its previous content.
    // Values cannot carry surrounding blanks (they are read trimmed): such a write reads
    // back differently and is undone.
    bool ScriviIni(const QString& sezione, const QString& chiave, const QString& valore,
                   const QString& file = {}, bool cancellaSezione = false, bool cancellaChiave = false);

    // The personal value "Personal." + sezione + "." + chiave; when the menu has none, the
    // section-wide value "Personal." + sezione + ".§"; else the default.
    QString LeggiPersonal(const QString& sezione, const QString& chiave, const QString& predefinito);

    // The per-company folder: `cartella` + the personal template "DirPerAzie" of the section
    // (else of "Tutte") with "§CodiceAzie§" and "§IdAzienda§" replaced; created when missing.
    // Without a template `cartella` comes back unchanged; otherwise a local path.
    QString DirAzienda(const QString& cartella, const QString& sezione);

    // The company database: "NomeDB", "DriveDB", "Connect", "Owner" of the connection section;
    // the menu's "NomeDBAzie" / "ConnectDBAzie", when given, name the company it chose.
    // Credentials: a data-source name or file DSN uses "DbSqlPubUID" / "DbSqlPubPWD" of the
    // connection section; when that password is empty, the menu's "SqlLogin" / "SqlPwd" take
    // their place for the rest of the run (kept in memory, never written to the shared file);
    // a full "ODBC;" text carries its own; a database file uses "DbAccPWD".
    ImpostazioniConnessione connessioneAzienda();
    // The common database: "NomeDB", "DriveDB", "Connect" of section "Menu" (profile file,
    // else the main file); same credentials. Missing: the message is shown.
    ImpostazioniConnessione connessioneComune();
    // "ChiediPwdSql": asks the user for the SQL login of `c` when it needs one; the login is
    // kept for the run (the common database uses it too). False when the user cancels.
    bool chiediLogin(ImpostazioniConnessione& c);

    QDate dataMinima();         // personal "DataMinima", scope "Tutti"; 01/01/1900
    QString beepCome() const;   // "BeepCome" of "Parametri Generali"
    bool lisSpostaCurs() const; // "LisSpostaCurs" of "Config" is "S"
    bool lisClickNoSel() const; // "LisClickNoSel" of "Config" is "S"
    // A folder of section "Base" as a local path: a relative one ("Fe", "\Fe") is taken below
    // "DriveDb" (beside the profile file without a drive). Empty when the key is empty.
    QString cartellaBase(const QString& chiave) const;
    FattoriVideo fattoriVideo() const;

private:
    void completaCredenziali(ImpostazioniConnessione& c);
    // The text Database::apri receives (an ODBC text or a database file path) and the login.
    void completaConnessione(ImpostazioniConnessione& c, QString drive);
    QString percorsoDatabase(const QString& nome, const QString& drive) const;
    QString fileScrittura(const QString& file) const;
    QString cartellaLocale(const QString& cartella) const;

    ClientMenu& menu_;
    Interazione& ui_;
    QString file_;
    QString principale_;
    QString sezione_ = SezioneConnessioniPredefinita;
    int execOption_ = 0;
    bool loginDalMenu_ = false;
    QString utenteSql_;
    QString passwordSql_;
};

} // namespace tesel
