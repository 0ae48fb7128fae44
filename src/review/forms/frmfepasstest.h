#pragma once
// "Gestione archivio trasferimento fatture elettroniche passive": one stored received invoice
// (a row of FatXmlTest) in six pages of fields, with its lines and payments below. The record
// component runs key entry, navigation, save, cancel and delete; the form adds the accounting
// look-ups, the split date-time fields, the multi-line document causal, the sub-forms and the
// flag commands.

#include "review/forms/aperture.h"
#include "ui/formtesel.h"

#include <QString>
#include <array>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace tesel {
class BlocchiTenuti;
}

namespace tesel::ui {

class BarraComandi;
class BarraStato;
class ModelloRighe;
class SchedaRecord;

// A stored date-time as the two fields show it: the text before the first blank is the date,
// the trimmed rest the time ("12/03/2024 10:15:00" -> "12/03/2024", "10:15:00").
std::pair<QString, QString> dividiDataOra(const QString& testo);
// The text written back from the two parts: "dd/mm/yyyy hh:mm:ss" when the joined, trimmed
// text is longer than a date, else the date alone.
QString unisciDataOra(const QString& data, const QString& ora);

class frmFEPassTest : public FormTesel {
    Q_OBJECT
public:
    explicit frmFEPassTest(Contesto& contesto, QWidget* padre = nullptr);
    ~frmFEPassTest() override;

    // Program parameters and the year default; starts in key entry.
    void Carica() override;
    // A toolbar key by name, as the toolbar runs it.
    void ButtonComando(const QString& comando) override;
    bool PuoChiudere() override;

    SchedaRecord* scheda() const { return scheda_; }
    // The field bound to a column (or to the first column of an account), null when none.
    QWidget* campo(const QString& colonna) const;
    // The visible date and time parts of DataRicSdi, DGD_DT_DataOraRitiro, DGD_DT_DataOraConsegna.
    QLineEdit* parteData(const QString& colonna) const;
    QLineEdit* parteOra(const QString& colonna) const;
    // The key of the invoice shown; anno 0 when none.
    ChiaveFattura fattura() const;
    bool pagamentiAutomatici() const { return datiPagamAutom_; }

    // What the user may do with the invoice shown: everything; on a posted invoice only the
    // transport data (and un-posting, printing, deleting); on an invoice another workstation
    // has open, nothing (the holder is named).
    enum class Accesso { Libero, Contabilizzata, InUso };
    Accesso accesso() const { return accesso_; }
    // Why the invoice cannot be changed, as the form shows it; empty when it can.
    QString motivoSolaLettura() const;

    // The sub-forms and the list, replaceable so each can be exercised alone. `blocco` is
    // the code of the FatXmlDatiGen block the other-data form shows first.
    struct Aperture {
        std::function<bool(Contesto&, QWidget*, ChiaveFattura, qint64)> dettaglio;
        std::function<bool(Contesto&, QWidget*, ChiaveFattura, qint64)> pagamenti;
        std::function<bool(Contesto&, QWidget*, ChiaveFattura)> iva;
        std::function<bool(Contesto&, QWidget*, ChiaveFattura, int blocco)> altriDati;
        std::function<std::optional<SceltaLista>(Contesto&, QWidget*, std::optional<ChiaveFattura>)> lista;
        // The print of one invoice: set by the program, which knows the print's forms; without
        // it "Stampa" is not available.
        std::function<void(Contesto&, QWidget*, ChiaveFattura)> stampa;
    };
    Aperture aperture;

    // Controls, named as the program knows them.
    BarraComandi* tolComPag;
    BarraStato* staMessaggi;
    QLineEdit* txtAnno;
    QLineEdit* txtNumRif;
    std::array<QPushButton*, 2> ComAnno; // 0 first, 1 last invoice of the typed year
    QLabel* labFornitore;                // header strip: supplier account and description
    QLabel* labStampato;
    QLabel* labContabilizzato;
    QLabel* labAccesso; // why the invoice is read-only
    QTabWidget* TasPagine;
    QGroupBox* FraRitenute;
    QPushButton* ComAltreRit;
    QPlainTextEdit* txtCausaleDoc; // DGD_Causale
    QTableView* dbgDett;
    QTableView* dbgPagam;
    ModelloRighe* DatDett;
    ModelloRighe* DatPagam;
    // The totals side by side: rows lines, VAT summary, document, instalments; columns
    // taxable, VAT, total. A figure that disagrees is red, its tooltip says by how much.
    QGroupBox* FraTotali;
    std::array<std::array<QLabel*, 3>, 4> labTotali;

signals:
    // A sub-form closed and the grids were read again.
    void sottoFormChiusa(const QString& comando);

private:
    struct DataOra {
        QString colonna;
        QLineEdit* nascosto = nullptr; // registered with the component
        QLineEdit* data = nullptr;
        QLineEdit* ora = nullptr;
    };

    // Layout (frmfepasstest_pagine.cpp).
    void costruisci();
    QWidget* paginaCedente();
    QWidget* paginaCedenteAltro();
    QWidget* paginaCessionario();
    QWidget* paginaDatiGenerali();
    QWidget* paginaTrasmissione();
    QWidget* paginaTrasporto();
    QWidget* striscia();
    QWidget* griglie();
    QWidget* totali(); // frmfepasstest_totali.cpp
    void aggiornaTotali();
    QLineEdit* testo(const QString& colonna, int caratteri, const QString& formato = {});
    QLineEdit* conto(const QString& registrazione, QLabel** descrizione);
    QLineEdit* codice(const QString& colonna, int caratteri, TipoRicerca tipo, const QString& tipoTab,
                      QLabel** descrizione);
    QWidget* dataOra(const QString& colonna);
    QLineEdit* data(const QString& colonna);

    // Behaviour (frmfepasstest.cpp; the commands in frmfepasstest_comandi.cpp).
    void aggiungiComandi();
    bool comandoForm(const QString& chiave);
    void persPagPri(int passo, bool& annulla);
    void persPagDop(int passo);
    bool controlloCampo(QWidget* w);
    bool eventFilter(QObject* o, QEvent* e) override;
    bool controllaData(QLineEdit* campo);
    bool controllaOra(QLineEdit* campo);
    bool parteNonValida(QLineEdit* campo, const QString& messaggio);
    void partiDaNascosto(DataOra& d);
    void nascostoDaParti(DataOra& d, bool normalizza);
    void abilitaParti();
    void comAnno(int indice);
    void abilitaComandi(bool fattura);
    void aggiornaStriscia();
    void aggiornaRitenute();
    void leggiDettaglio();
    void leggiPagamenti();
    void grigliaVuota(ModelloRighe* m, QTableView* g, const QString& tabella);
    void applicaColonne(QTableView* g, ModelloRighe* m, const std::vector<std::pair<QString, int>>& larghezze,
                        const QStringList& nascoste);
    bool salvaPrima();
    bool apriSottoForm(const QString& comando, qint64 riga = 0, int blocco = -1);
    void rigaDoppioClick(QTableView* g, const QString& comando);
    bool cancellaFattura();
    void spostaRighe();
    bool DeStampa();
    bool Stampa();
    bool segnaContabilizzata();
    bool Contabilizza();
    bool Decontabilizza();
    bool Ritrasferisci();

    // The invoice's lock and what may be changed (frmfepasstest_accesso.cpp).
    void aggiornaAccesso();
    void applicaAccesso();
    void rilasciaBlocco();
    // Before a save: false (and the reason shown) when the changes may not be written.
    bool salvataggioAmmesso();

    SchedaRecord* scheda_;
    std::vector<DataOra> dateOra_;
    QLabel* labDescrFornitore_ = nullptr; // beside "Conto:" on page 1
    QLineEdit* txtFornitore_ = nullptr;
    QLineEdit* txtStampato_ = nullptr;       // hidden, holds the flag
    QLineEdit* txtContabilizzato_ = nullptr; // hidden, holds the flag
    QStringList campiData_;                  // date columns checked by the common date check
    bool datiPagamAutom_ = true;
    bool scriviParti_ = false;
    QString formatoQuantita_;
    QString formatoPrezzo_;
    Accesso accesso_ = Accesso::Libero;
    std::unique_ptr<BlocchiTenuti> blocco_; // the lock of the invoice shown, when taken
    ChiaveFattura chiaveBlocco_;            // the invoice whose lock was asked for
    QString detentore_;                     // who holds it, when another workstation does
};

} // namespace tesel::ui
