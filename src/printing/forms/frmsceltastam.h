#pragma once
// "Scelta della modalità di stampa": where and how a print goes (printer with its bin and paper,
// preview, data file, fixed-length text), kept as the print options of the print code, and the
// PDF/e-mail parameters. Three panels in one window: the choice, the save panel (which options,
// for this workstation or all, default or this print only) and the PDF/e-mail panel.

#include "printing/impostazione.h"

#include <QDialog>
#include <QHash>
#include <map>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTableWidget;

namespace tesel {
class FileIni;
class Interazione;
} // namespace tesel

namespace tesel::stampa {

class FrmSceltaStam : public QDialog {
    Q_OBJECT
public:
    // The whole dialog, or only its PDF/e-mail panel (asked while a print runs: no printer is
    // checked, and "&Ok" / "&Annulla" close the window).
    enum class Apertura { Completa, SoloEmail };
    // `profilo` is the file `impostazione` reads: what is saved here counts at once for it.
    FrmSceltaStam(FileIni& profilo, const ImpostazioneStampa& impostazione, Interazione& ui,
                  QWidget* padre = nullptr, Apertura apertura = Apertura::Completa);

    // The choice as the controls hold it now.
    OpzioniStampa scelta() const;
    // The printer chosen in the grid; empty when the system has none.
    QString stampante() const;
    // The PDF/e-mail parameters for this print (as confirmed in their panel).
    const QHash<QString, QString>& parametriEmail() const { return pe_; }
    // The page range asked for ("Stampa Pagine da:"): 0 and 0 for all.
    int paginaDa() const;
    int paginaA() const;

    // The option values the save panel lists, in its order (name, caption, value).
    struct VoceOpzione {
        QString nome;
        QString didascalia;
        QString valore;
    };
    std::vector<VoceOpzione> vociOpzioni() const;

    // Handlers, callable as the buttons call them.
    void sceltaStampante(int riga);
    void ComUsaDef_Click();
    void ComPaperSize_Click();
    void ComOpzFile_Click();
    void ComOpzFis_Click();
    void ComSalOpz_Click();
    void ComCancOpz_Click();
    void ComSalva_Click();
    void ComAnnulla_Click();
    void ComParIniPE_Click();
    void ComPESalva_Click();
    void ComPECanc_Click();
    void ComPERileggi_Click();
    void ComPeDatiCor_Click();
    bool ComPEOk_Click();
    void ComPEAnnulla_Click();
    bool ComChiudi_Click();
    // Checks one fixed-length field as on leaving it; the message goes to the status line.
    bool controllaFisso(const QString& nome);

    // Opened with `Apertura::SoloEmail`: shows `valori` in the PDF/e-mail panel with the
    // parameters `mancanti` marked, the first of them focused and only they ticked for saving,
    // and waits. True with `valori` updated when the user confirms.
    bool chiediDatiEmail(QHash<QString, QString>& valori, const QStringList& mancanti);

    // The PDF/e-mail panel's values as its editors hold them, and back.
    QHash<QString, QString> valoriPannelloEmail() const;
    void mostraPannelloEmail(const QHash<QString, QString>& valori);

    // Controls.
    QStackedWidget* pagine;
    QTableWidget* GriPri;
    QPushButton* ComUsaDef;
    std::map<int, QRadioButton*> OptStampaSu; // 0 Stampante, 1 Video, 2 File, 3 Fissa
    QComboBox* cboCassetti;
    QComboBox* cboTipoCarta;
    QPushButton* ComPaperSize;
    QCheckBox* CheForzaVert;
    QCheckBox* CheNumPag;
    QSpinBox* PaginaDa;
    QSpinBox* PaginaA;
    std::map<int, QRadioButton*> OptSepCampi; // 0 space, 1 tab, 2 semicolon, 3 comma
    std::map<int, QRadioButton*> OptDelimStr; // 0 none, 1 single quote, 2 double quote
    QCheckBox* CheNumNoForm;
    QLabel* LabFileName;
    QLabel* LabFileForm;
    QPushButton* ComOpzFile;
    QTableWidget* GriPorte;
    std::map<QString, QLineEdit*>
        txtFis; // FisMrAlt, FisMrBas, FisColonne, FisRighe, FisCodIniComp, FisCodFinComp
    QCheckBox* CheFisUtilComp;
    QPushButton* ComOpzFis;
    QLabel* LabFisFileName;
    QCheckBox* ChePdfAutom;
    QCheckBox* CheInviaEmail;
    QPushButton* ComSalOpz;
    QPushButton* ComCancOpz;
    QPushButton* ComParIniPE;
    QPushButton* ComChiudi;
    QLabel* staMessaggi;
    // Save panel.
    QRadioButton* OptTerminale;
    QRadioButton* OptComuni;
    QRadioButton* OptDefault;
    QRadioButton* OptSoloStampa;
    std::vector<QCheckBox*> CheSalva;
    std::vector<QLabel*> LabDaSalvare;
    std::vector<QLabel*> LabValParam;
    QPushButton* ComSelTutto;
    QPushButton* ComDeselTutto;
    QPushButton* ComSalva;
    QPushButton* ComAnnulla;
    // PDF/e-mail panel.
    QRadioButton* OptPETerminale;
    QRadioButton* OptPEComuni;
    QRadioButton* OptPEDefault;
    QRadioButton* OptPESoloStampa;
    std::map<QString, QWidget*> pe;                 // editor of each parameter
    std::map<QString, QCheckBox*> ChePdfEmailSalva; // whether it is saved
    QPushButton* ComPESelTutto;
    QPushButton* ComPEDeselTutto;
    QPushButton* ComPESalva;
    QPushButton* ComPECanc;
    QPushButton* ComPERileggi;
    QPushButton* ComPeDatiCor;
    QPushButton* ComPEOk;
    QPushButton* ComPEAnnulla;
    QLabel* labPEMancanti; // what the running print lacks, when asked for it

private:
    QWidget* costruisciScelta();
    QWidget* costruisciSalva();
    QWidget* costruisciPdfEmail();
    void mostraOpzioni(const OpzioniStampa& o);
    void riempiStampanti();
    void riempiCassettiECarta(const QString& stampante);
    void aggiornaAbilitati();
    Ambito ambitoSalva() const;
    Zona zonaSalva() const;
    bool cancellazione_ = false; // the save panel opened to delete
    Apertura apertura_;

    FileIni& profilo_;
    const ImpostazioneStampa& impostazione_;
    Interazione& ui_;
    OpzioniStampa iniziali_;
    QString stampante_;
    QString fileName_;
    FormatoFile formato_ = FormatoFile::Csv;
    QString fisFileName_;
    bool riempimento_ = false;
    QHash<QString, QString> pe_;
};

} // namespace tesel::stampa
