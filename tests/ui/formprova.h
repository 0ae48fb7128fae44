#pragma once
// What the form tests share: the demo company opened with the context a form needs and a
// scripted user, received invoices written to a folder and imported, and the user's hands.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/parametri.h"
#include "review/forms/aperture.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <QApplication>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

class QAbstractButton;
class QLineEdit;

namespace tesel::prova {

// The FatturaPA file of fixtures/modelli/fattura.xml, from Ferramenta Adriatica (demo
// supplier 40-10-1001) to Demo Srl: two lines at 22% for 1.234,50 with one instalment. Each
// part a test varies is a member.
struct FatturaProva {
    QString partitaIva = "03981270683";
    QString denominazione = "Ferramenta Adriatica Srl";
    QString numero = "123/A";
    QString data = "2024-03-12";
    QString totale = "1234.50";
    QString documento{}; // more elements inside DatiGeneraliDocumento
    QString generali{};  // more blocks after DatiGeneraliDocumento
    QString allegati{};  // blocks at the end of the body

    QString corpo() const;
    // The whole file: this invoice's body and then `altriCorpi`.
    QByteArray xml(const QStringList& altriCorpi = {}) const;

private:
    QString testo() const;
};

// An Allegati block holding `contenuto`.
QString allegatoXml(const QString& nome, const QByteArray& contenuto);

class FormProva : public ConDatabase {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes `dati` to `relativo` under the test's folder; answers the path.
    QString scriviFile(const QString& relativo, const QByteArray& dati);
    // Imports a file as the import dialog does; the keys of its invoices, each expected good.
    std::vector<tesel::ChiaveFattura> importaFile(const QString& percorso);
    tesel::ChiaveFattura importa(const FatturaProva& f,
                                 const QString& nome = QStringLiteral("IT03981270683_00001.xml"));
    // The profile file (tesel.ini) of the run, with these lines.
    void profilo(const QByteArray& righe);

    // Shows a form and makes it the active window; it is deleted with the next one shown or
    // with the test, so that no window left open takes the keys meant for another.
    template <class F> F* mostra(F* form, int larghezza = 1280, int altezza = 800) {
        delete finestra_.data();
        finestra_ = form;
        form->resize(larghezza, altezza);
        form->show();
        QApplication::setActiveWindow(form);
        return form;
    }

    // A column of the invoice's row in `tabella`, with a further condition if given.
    QVariant valore(const QString& tabella, tesel::ChiaveFattura k, const QString& colonna,
                    const QString& condizione = {});
    QString testo(const QString& tabella, tesel::ChiaveFattura k, const QString& colonna,
                  const QString& condizione = {}) {
        return valore(tabella, k, colonna, condizione).toString();
    }
    qint64 conta(const QString& tabella, tesel::ChiaveFattura k, const QString& condizione = {});

    QTemporaryDir cartella;
    ClientMenuFisso menu;
    InterazioneProva utente;
    std::unique_ptr<Configurazione> configurazione;
    std::unique_ptr<ParametriAzienda> parametri;
    std::unique_ptr<Contesto> contesto;

private:
    QPointer<QWidget> finestra_;
};

// Types into a field as the user does, replacing its text, and leaves it with Tab unless
// `esci` is false.
void digita(QLineEdit* campo, const QString& testo, bool esci = true);
// A click on a check box or option where the user clicks, on its box.
void clicca(QAbstractButton* b);

// Runs `azione` on the modal window of type W as soon as the caller's modal loop shows it.
// A window left open by a failed expectation is closed, so the test reports instead of
// hanging.
template <typename W> void allApertura(std::function<void(W*)> azione) {
    QTimer::singleShot(0, [azione] {
        QWidget* modale = QApplication::activeModalWidget();
        auto* w = qobject_cast<W*>(modale);
        if (!w) {
            ADD_FAILURE() << "nessuna finestra modale del tipo atteso";
            if (modale)
                modale->hide();
            return;
        }
        azione(w);
        if (w->isVisible()) {
            ADD_FAILURE() << "la finestra è rimasta aperta";
            w->hide();
        }
    });
}

} // namespace tesel::prova
