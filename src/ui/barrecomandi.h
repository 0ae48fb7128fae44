#pragma once
// The command toolbar and the status bar of the record-form and line-page components.

#include <QKeySequence>
#include <QPointer>
#include <QSet>
#include <QStatusBar>
#include <QString>
#include <QStyle>
#include <QToolBar>

class QAction;
class QLabel;
class QTimer;

namespace tesel::ui {

struct DefComando {
    QString chiave;                                       // the name ButtonComando receives ("Salva")
    QString testo;                                        // short caption under the icon
    QString tooltip;                                      // "(S) Salva"
    QKeySequence tasto;                                   // keyboard shortcut; empty for none
    QStyle::StandardPixmap icona = QStyle::SP_CustomBase; // SP_CustomBase: no icon
};

// A toolbar whose buttons emit their key; buttons are found and hidden by key.
class BarraComandi : public QToolBar {
    Q_OBJECT
public:
    explicit BarraComandi(QWidget* parent = nullptr);
    QAction* aggiungi(const DefComando& d);
    QAction* azione(const QString& chiave) const; // null for an unknown key
    QStringList chiavi() const;
    void abilita(const QString& chiave, bool si);
    void mostra(const QString& chiave, bool si);

signals:
    void comando(const QString& chiave);

protected:
    void resizeEvent(QResizeEvent* e) override;
    void actionEvent(QActionEvent* e) override;

private:
    // Captions under the icons while they all fit, icons alone (the tooltips tell) when not:
    // forms add their own keys and a narrow window must still show every command.
    void adatta();
};

// Status bar with named panels: "Azienda" (company and database in use, hidden while
// empty), "DescrCampo" (the field with the focus), "Messaggio" (field messages), "Stato" (what
// the form is doing), time and date.
class BarraStato : public QStatusBar {
    Q_OBJECT
public:
    explicit BarraStato(QWidget* parent = nullptr);
    QLabel* pannello(const QString& nome) const; // null for an unknown name
    QString testoPannello(const QString& nome) const;
    void impostaPannello(const QString& nome, const QString& testo);
    // A fault or a warning, in the fault colour.
    void MostraMessaggio(const QString& testo) { mostra(testo, false); }
    // What went well ("Record salvato"): in the normal colour.
    void MostraEsito(const QString& testo) { mostra(testo, true); }
    // The message shown belongs to `campo`: it goes when that field is corrected.
    void legaAlCampo(QWidget* campo) { campoMessaggio_ = campo; }
    void campoCorretto(QWidget* campo);

private:
    void mostra(const QString& testo, bool esito);
    QPointer<QWidget> campoMessaggio_;
    void aggiornaOra();
    QList<QLabel*> pannelli_;
    QTimer* orologio_;
};

// The fields of a dialog whose check failed: each is coloured, the status bar shows the last
// fault, and the message goes when the last faulty field is corrected.
class CampiNonValidi {
public:
    void segna(BarraStato* barra, QWidget* campo, bool valido, const QString& messaggio);
    bool vuoto() const { return campi_.isEmpty(); }
    bool contiene(QWidget* campo) const { return campi_.contains(campo); }
    const QSet<QWidget*>& campi() const { return campi_; }

private:
    QSet<QWidget*> campi_;
};

} // namespace tesel::ui
