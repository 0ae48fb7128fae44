#pragma once
// The program the menu starts: start-up (AvvioProcedura), the form dispatcher, the hidden
// main window with its close and front timers, the close sequence and the menu's commands.

#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "ui/formtesel.h"
#include "ui/menuclient.h"

#include <QDate>
#include <QPointer>
#include <QTimer>
#include <memory>

class QLabel;

namespace tesel {
class Database;
class ParametriAzienda;
namespace hub {
class HubServizio;
class StatiDocumento;
} // namespace hub
} // namespace tesel

namespace tesel::ui {

class PresidioFinestre;

// The hidden main window.
class frmPrincipale : public QWidget {
    Q_OBJECT
public:
    frmPrincipale();
    int oiChiudi = 0;
    int oiTmpAttesa = 3000; // close retry interval, ms
    int oiFlagVarie = 0;
    QString osNomeForm;
    QLabel* lblChiusura;
    QTimer timChiudi;
    QTimer timVarie;
};

// The splash shown while the program starts.
class frmConn : public QWidget {
    Q_OBJECT
public:
    frmConn(const QString& versione, const QString& data);
};

// Process-wide state set at start-up.
struct StatoProcesso {
    QString menu, programma, restoProgramma, nomeForm;
    QString prepProcCorr, addSeg, fileGuida, fileConfigurazione;
    QString nomeDbAzie, connectDbAzie;
    bool chiusuraInCorso = false;
    QString motivoModale;
    QString lanciaKeyPrim, lanciaKeySec;
    QString beepCome;
    bool lisSpostaCurs = false, lisClickNoSel = false;
    QDate dataMinima{1900, 1, 1};
    FattoriVideo fattori;
    QString dirImgEmail, dirImmagini, driveDb;
};

class Applicazione;

// scMenuComandiClie: receives the menu client's events and keeps the last command.
class scMenuComandiClie : public QObject {
    Q_OBJECT
public:
    scMenuComandiClie(Applicazione& app, std::unique_ptr<MenuClient> client);
    ~scMenuComandiClie() override;
    MenuClient* ogMenuClient() const { return client_.get(); }
    QString UltCom;
    QString UltParam;
    QVariant UltParamVar;

private:
    void mgMenuClient_EseguiComando(const QVariant& a, const QVariant& b, const QString& comando,
                                    const QVariant& parametro, QVariant* risultato);
    Applicazione& app_;
    std::unique_ptr<MenuClient> client_;
};

class Applicazione : public QObject {
    Q_OBJECT
public:
    // `argomenti`: the process arguments without the program name.
    Applicazione(const QStringList& argomenti, Interazione& interazione, RegistroForm registro);
    ~Applicazione() override;

    // Runs the start-up; false when the program is closing instead.
    bool AvvioProcedura();

    void ApriForm(QString nome, bool mostra, const QString& resto, const QString& chi,
                  const QString& chiaveSec, const QString& parametro);
    void MostraForm(const QString& nome, const RegistroForm::Fabbrica& fabbrica, const QString& chi,
                    const QString& chiaveSec, const QString& parametro);
    bool ChiudiProgramma(bool immediato);
    bool TerminaProgramma();
    void RilasciaOggetti();
    QVariant EseguiComandoMenu(const QVariant& a, const QVariant& b, const QString& comando,
                               const QVariant& parametro);
    void RitornaAlMenu();

    // The windows' title, status bar and F1 (none in the tests that build no windows).
    void usaPresidio(PresidioFinestre* p) { presidio_ = p; }

    const StatoProcesso& stato() const { return stato_; }
    FormTesel* formAperta(const QString& nome) const;
    QList<FormTesel*> formAperte() const;
    Contesto* contesto() const { return contesto_.get(); }
    bool terminato() const { return terminato_; }

signals:
    void finito();

private:
    bool apriDatabase(ImpostazioniConnessione c, const QString& etichetta, std::unique_ptr<Database>& db);
    void controlloChiusura();
    void timChiudi_Timer();
    void timVarie_Timer();
    void mostraEsito(const QString& comando, const QVariant& parametro);
    QString rigaComando() const;

    QStringList argomenti_;
    Interazione& interazione_;
    RegistroForm registro_;
    StatoProcesso stato_;
    std::unique_ptr<frmPrincipale> principale_;
    std::unique_ptr<scMenuComandiClie> comandi_;
    std::unique_ptr<Configurazione> configurazione_;
    ImpostazioniConnessione azienda_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<Database> comune_;
    std::unique_ptr<ParametriAzienda> parametri_;
    std::unique_ptr<hub::StatiDocumento> statiHub_;
    std::unique_ptr<hub::HubServizio> hub_;
    std::unique_ptr<Contesto> contesto_;
    QList<QPointer<FormTesel>> forms_;
    QPointer<FormTesel> formChiamante_;
    PresidioFinestre* presidio_ = nullptr;
    bool terminato_ = false;
};

// The whole program: QApplication, the real windows, start-up, event loop. Each subsystem
// adds its entry forms to the registry through `registra`.
int eseguiTesel(int argc, char** argv, const std::function<void(RegistroForm&)>& registra);

} // namespace tesel::ui
