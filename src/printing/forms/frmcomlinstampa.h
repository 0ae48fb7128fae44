#pragma once
// "Stampa dati della lista": prints the rows of a list form through the print engine, every
// column or only the visible ones, portrait or landscape, in a font of the user's choice, on
// the printer chosen here or on the destination of the print options of the list's print code
// (preview, printer, the CSV file of the rows; automatic PDF and its e-mail).

#include "printing/email.h"
#include "printing/impostazione.h"
#include "printing/stampalista.h"

#include <QDialog>
#include <QFont>
#include <array>
#include <functional>
#include <memory>

class QLabel;
class QPushButton;
class QRadioButton;
class QGroupBox;

namespace tesel {
struct Contesto;
class FileIni;
namespace ui {
class LumoComlin;
}
} // namespace tesel

namespace tesel::stampa {

class frmStampaInCorso;

class FrmComlinStampa : public QDialog {
    Q_OBJECT
public:
    // `codSta` is the print code whose options are read; when empty the title without blanks,
    // beginning with "Lista" ("ListaTestateFatturePassive").
    FrmComlinStampa(Contesto& contesto, ui::LumoComlin& lista, const QString& titolo, QString codSta = {},
                    QWidget* padre = nullptr);
    ~FrmComlinStampa() override;

    // What a print produced: the PDF written (automatic PDF or e-mail), the CSV, the rows.
    struct Esito {
        bool eseguita = false;
        QString file;
        EsitoStampaLista lista;
        bool emailInviata = false;
    };
    const Esito& ultimoEsito() const { return esito_; }

    // For the tests: the file the CSV output asks for (instead of the file dialog).
    std::function<QString()> fileCsv;

    QPushButton* ComUsaDef;                  // "Stampante predefinita"
    QPushButton* ComSceStam;                 // "Seleziona Stampante"
    QLabel* labStampante;                    // the current printer
    QGroupBox* FraStampa;                    // "Stampa "
    std::array<QRadioButton*, 2> OptColonne; // "Tutte le colonne ", "Solo le colonne visibili"
    QGroupBox* FraOrientamento;
    std::array<QRadioButton*, 2> OptOrientamento; // "Verticale", "Orizzontale"
    QPushButton* ComFont;                         // "Scegli Font"
    QLabel* labFont;
    QPushButton* ComStampa; // "&STAMPA"
    QPushButton* ComEsci;   // "&ESCI"

    void impostaFont(const QFont& f);
    const QFont& font() const { return font_; }
    QString stampante() const { return stampante_; }
    void ComStampa_Click();

private:
    void ComUsaDef_Click();
    void ComSceStam_Click();
    void ComFont_Click();
    bool verificaStampante(const QString& nome);
    // Prints the list on an engine whose destination is open; false when interrupted.
    bool esegui(LumoStampe& s, bool soloVisibili, frmStampaInCorso& progresso);

    Contesto& contesto_;
    ui::LumoComlin& lista_;
    QString titolo_;
    std::unique_ptr<FileIni> profilo_;
    std::unique_ptr<ImpostazioneStampa> impostazione_;
    QString stampante_;
    QFont font_;
    Esito esito_;
};

// Opens the dialog on `lista`, modal: what Contesto::stampaLista does in the program.
void apriStampaLista(Contesto& contesto, ui::LumoComlin& lista, const QString& titolo);

} // namespace tesel::stampa
