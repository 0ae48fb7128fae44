#pragma once
// The print set-up layer: what a report does before drawing. It reads the print options of its
// print code, the page parameters and the automatic-PDF switches, registers the font styles with
// the print object, builds the names of the PDF files, and knows the print's identity.
//
// Where the options live (profile file of the installation, written by the print dialog):
//  - section "Opzioni Stampa": the print options (StaVid, NomeStampante, Fatt, MemVid, ...), the
//    automatic-PDF keys and the personalised font styles;
//  - section "Parametri Stampa": the page parameters (MrSin, MrDes, MrAlt, MrBas, Fatt, Dx, Dy,
//    Interl, ForzaVert, ModMrSin, ModMrAlt, ModColSin, ModRigheAlt).
// In both sections one option can be saved four ways; the key says which:
//    Opzione                        default for all workstations
//    <CodSta>.Opzione               this print only, all workstations
//    @<Terminale>.Opzione           default for this workstation
//    @<Terminale>.<CodSta>.Opzione  this print only, this workstation
// Reading takes the most specific that exists: this print on this workstation, this print,
// this workstation's default, the common default.

#include "printing/lumostampe.h"
#include "printing/stampanti.h"
#include "printing/uscitefile.h"

#include <QDateTime>
#include <QHash>
#include <QString>

namespace tesel {
class ClientMenu;
class Database;
class FileIni;
class Interazione;
} // namespace tesel

namespace tesel::stampa {

inline const QString SezioneOpzioni = QStringLiteral("Opzioni Stampa");
inline const QString SezioneParametri = QStringLiteral("Parametri Stampa");

// Who and where prints: the values of the placeholders §Terminale§, §Login§, §Gruppo§.
struct Postazione {
    QString terminale; // the workstation: TESEL_TERMINALE, else the host name
    QString login;     // the menu's "Login", else the system user
    QString gruppo;    // the menu's "Gruppo"
};
Postazione postazioneCorrente(ClientMenu& menu);

// The print identity: code, title and program description.
struct IdentitaStampa {
    QString codSta;  // "StFatPas" for the received-invoice print
    QString titolo;  // "Caption" of the menu row when "StampaCaption" is set, else given
    QString descPrg; // "DescPrg" of the menu row when "StampaDescPrg" is set
};
// Reads caption and description of the calling menu row (common database, table MenuDett,
// numeric keys). Without a row, or when the switches are off, `titolo` stays as given.
IdentitaStampa leggiIdentita(Database& comune, qint64 chiave, qint64 chiaveSec, const QString& codSta,
                             const QString& titolo, bool usaCaption, bool usaDescPrg);

// Company values of the placeholders.
struct DatiAzienda {
    QString descAzie;
    QString codiceAzie;
    QString idAzienda;
};

// Replaces every placeholder "§Nome§" of `modello` (names compare without regard to case):
// Terminale, Login, Gruppo, DescAzie, CodiceAzie, IdAzienda, DescPrg, Titolo, CodSta,
// Data (ddMMyyyy), DataRov (yyyyMMdd), DataLong (dd MMMM yyyy, Italian), DataAbb (dd MMM yyyy),
// Ora (hhmm), OraRid (hhmm), plus the report's own in `aggiunti`. Unknown names stay as written.
// With `perNomeFile` the replaced values lose the characters a file name cannot hold
// (/ \ : * ? " < > |), which become "_", so a company "A/B Srl" cannot create folders.
QString sostituisciSegnaposto(const QString& modello, const Postazione& p, const DatiAzienda& a,
                              const IdentitaStampa& id, const QDateTime& quando,
                              const QHash<QString, QString>& aggiunti = {}, bool perNomeFile = false);

// The standard named styles of every print (TestaAzienda ... LarghezzaFissa).
std::vector<StileCarattere> stiliStandard();

// Program parameters handed to the print object at initialisation.
struct ParametriProgramma {
    bool protUltRiga = false;   // "ProtUltRiga" (scope "Tutti"): list prints keep a rule under the last row
    QString noCopieSta;         // "NoCopieSta" (scope "Tutti"): print codes each ending in ","; "tutti,"
    QString versMenu;           // menu "VersMenu"
    bool ultRigaGrigia = false; // "UltRigaGrigia": list prints shade the last row
    bool attendiPdfNoStampa = false;
    QString dirImgEmail;
    bool stampaCaption = false; // "StampaCaption": the title is the menu row's caption
    bool stampaDescPrg = false; // "StampaDescPrg": the program description is printed
    // Whether the print code may print more than one copy (NoCopieSta does not name it).
    bool copieConsentite(const QString& codSta) const;
};
ParametriProgramma leggiParametriProgramma(ClientMenu& menu);

// Where the print goes ("Stampante", "Video", "File", "Fissa").
enum class DoveStampare { Stampante, Video, File, Fissa };

// The print options of one print code as the dialog keeps them.
struct OpzioniStampa {
    DoveStampare staVid = DoveStampare::Stampante;
    QString nomeStampante;
    QString nomePorta;
    bool forzaVert = false;
    int fatt = 100; // preview magnification, percent
    bool memVid = true;
    int numCassetto = 0;  // 0: the printer's default bin
    int numTipoCarta = 0; // 0: the printer's default paper (else a QPageSize::PageSizeId)
    QString fileName;
    QString pathDefault;
    bool pdfNomeAutom = false;
    bool inviaEmail = false;
    bool mostraNumPag = false; // "MostraNumPag": "Mess.Numero pagine"
    // This run only ("Stampa Pagine da:", never saved): the pages the printer prints; 0 means
    // from the first / to the last.
    int paginaDa = 0;
    int paginaA = 0;
    // File output: "FileForm" (xlsx, csv, txt; else the name's extension), "SepCampi" (Spazio,
    // Tabulatore, PuntoEVirgola, Virgola), "DelimStr" (Nessuno, Apice, Doppio), "NumNoForm".
    OpzioniFileDati file;
    // Fixed-length output: "FisFileName" (a file) or "FisStampante" (a queue, raw), "FisColonne",
    // "FisRighe", "FisMrAlt", "FisMrBas", "FisUtilComp", "FisCodIniComp"/"FisCodFinComp" (byte
    // codes "27,15").
    QString fisFileName;
    QString fisStampante;
    OpzioniFissa fissa;
};

// The words the options keep the separator and the qualifier with, and back.
QString testoSeparatore(QChar c);
std::optional<QChar> separatoreDaTesto(const QString& t);
QString testoQualificatore(const QString& q);
std::optional<QString> qualificatoreDaTesto(const QString& t);

// The automatic PDF: the engine's own PDF output, one file per document.
struct PdfAutomatico {
    bool abilitato = false; // "PdfAutomAbil" = "S"
    bool usaPdfCreator = false;
    bool usaPdf995 = false;
    bool attivaPdfAutom = false; // "AttivaPdfAutom" = "S": switched on for every run
    QString modello;             // "PdfNomeFile", the name template
    // On for the run: allowed, one of the two switches set, and chosen (the option
    // "PdfNomeAutom" or "AttivaPdfAutom").
    bool attivo(const OpzioniStampa& o) const {
        return abilitato && (usaPdfCreator || usaPdf995) && (o.pdfNomeAutom || attivaPdfAutom);
    }
};

enum class Ambito { Postazione, Comune };
enum class Zona { Predefinita, SoloStampa };

// The key an option is saved under (see the layout above).
QString chiaveOpzione(const QString& opzione, Ambito ambito, Zona zona, const QString& terminale,
                      const QString& codSta);

class ImpostazioneStampa {
public:
    // `profilo` is kept by reference: what the print dialog changes in it counts at once.
    ImpostazioneStampa(const FileIni& profilo, Postazione postazione, IdentitaStampa identita,
                       DatiAzienda azienda = {});

    const Postazione& postazione() const { return postazione_; }
    const IdentitaStampa& identita() const { return identita_; }
    const DatiAzienda& azienda() const { return azienda_; }

    // An option of the print code: the most specific saved value, else `predefinito`.
    QString opzione(const QString& sezione, const QString& nome, const QString& predefinito = {}) const;
    // The print options; a wrong value shows "(IniOpzSta) Problemi nei parametri" and keeps
    // the default of that option.
    OpzioniStampa leggiOpzioni(Interazione& ui) const;
    PdfAutomatico leggiPdfAutomatico() const;
    // "TermSessAggNome" and "Stampanti" of the options, with this workstation: how IniOpzSta
    // tells the printers of other sessions.
    SessioniStampanti leggiSessioni() const;

    // Gives the print object the body styles CorpoLab and CorpoCampo (CorpoCampo selected).
    // The program parameters (leggiParametriProgramma) are the caller's: the copies allowed
    // go to the printer set-up of the forms layer.
    void inizializza(LumoStampe& s);
    // Registers the standard styles, then the personalised ones of the options: "FontPersTes"
    // / "FontPersCor" = "S" switch them on, "CodiceFontCor" names the set (default "Font"),
    // "<set>_Progr" counts them and "<set>.FFPers-<n>_Name", "_Size", "_Bold" describe style
    // "FFPers-<n>" ("S", "true" or "vero" mean bold).
    void fontTestataECorpo(LumoStampe& s) const;
    // Page parameters into the print object. Margins are in millimetres, Fatt and Interl plain
    // factors ("1", "0,9"), Dx/Dy millimetres, ForzaVert "S"/"N". A section with no margin key
    // at all takes the defaults silently; a missing or wrong one shows the margin message and
    // takes the defaults. Answers false when the message was shown.
    bool IniParamStampa(LumoStampe& s, Interazione& ui);
    const ParametriPagina& parametriPagina() const { return pagina_; }
    // Pre-printed-form shifts read with the margins: ModMrSin/ModMrAlt are added to the left and
    // top margins (mm); ModColSin/ModRigheAlt are kept for the fixed-length output.
    double modMrSin = 0, modMrAlt = 0;
    int modColSin = 0, modRigheAlt = 0;

    // The whole set-up of a run, in order: body styles, the standard and personalised styles,
    // the print options (their paper size, when set, becomes the sheet of the file and preview
    // destinations), the page parameters. Messages through `ui`; answers the options.
    OpzioniStampa prepara(LumoStampe& s, Interazione& ui);

    // The automatic PDF name of a document: the template with the placeholders (the report's
    // own in `aggiunti`), ".pdf" added when missing; a relative name goes below "PathDefault"
    // (else `cartellaPredefinita`). Empty when the template is empty.
    QString nomePdf(const QHash<QString, QString>& aggiunti, const QString& cartellaPredefinita,
                    const QDateTime& quando = QDateTime::currentDateTime()) const;

private:
    const FileIni& profilo_;
    Postazione postazione_;
    IdentitaStampa identita_;
    DatiAzienda azienda_;
    ParametriPagina pagina_;
};

// Writes the options `valori` (name -> value) under the keys of the scope and zone, in the
// section "Opzioni Stampa", and saves the profile. False with `errore` when the profile refuses.
bool salvaOpzioni(FileIni& profilo, const QList<std::pair<QString, QString>>& valori, Ambito ambito,
                  Zona zona, const QString& terminale, const QString& codSta, QString& errore);
// Removes the options `nomi` saved under the scope and zone and saves the profile; answers how
// many keys were removed (-1 when the profile could not be written).
int cancellaOpzioni(FileIni& profilo, const QStringList& nomi, Ambito ambito, Zona zona,
                    const QString& terminale, const QString& codSta);

// The margin message, as the user sees it.
QString messaggioMargini();

} // namespace tesel::stampa
