// tesel with two test forms registered under entry-form names, for the tests that drive the
// program from a menu. Each form tells on standard output what happened to it:
//   "aperta <nome>", "modale aperta", "modale chiusa"; the first form opened also tells the Hub
//   settings and the number of document states loaded at start-up:
//   "hub <url> <login> <company code> <VAT number> stati <n> <description of CO>".
// "Aggiorna" (sent by the menu's "ritornoa" for an open form) opens a modal dialog, and
// closes it when one is open. frmFEContab holds unsaved changes: closing it asks the record
// form's question and tells "salvata", "abbandonata" or "tenuta aperta".

#include "hub/hubservizio.h"
#include "hub/statidocumento.h"
#include "ui/applicazione.h"
#include "ui/campischeda.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <cstdio>

using namespace tesel::ui;

namespace {

void dici(const QString& s) {
    std::printf("%s\n", qPrintable(s));
    std::fflush(stdout);
}

class FormProva : public FormTesel {
public:
    FormProva(const QString& nome, tesel::Contesto& c) : FormTesel(nome, c) {
        auto* l = new QVBoxLayout(this);
        l->addWidget(new QLabel(nome, this));
        static bool detto = false;
        if (!detto && c.hub && c.statiHub) {
            const tesel::hub::ImpostazioniHub& i = c.hub->impostazioni();
            dici(QStringLiteral("hub %1 %2 %3 %4 stati %5 %6")
                     .arg(i.url, i.login, i.azienda, i.partitaIva)
                     .arg(c.statiHub->righe().size())
                     .arg(c.statiHub->DescrStato(QStringLiteral("co"))));
            detto = true;
        }
    }
    void Carica() override {
        oiLoadOk = -1;
        QTimer::singleShot(0, this, [this] { dici(QStringLiteral("aperta ") + nomeForm()); });
    }
    void ButtonComando(const QString& comando) override {
        if (comando != u"Aggiorna")
            return;
        if (modale_) {
            modale_->accept();
            return;
        }
        QTimer::singleShot(0, this, [this] {
            QDialog d(this);
            d.setWindowTitle(QStringLiteral("Finestra modale di prova"));
            modale_ = &d;
            dici(QStringLiteral("modale aperta"));
            d.exec();
            dici(QStringLiteral("modale chiusa"));
        });
    }

private:
    QPointer<QDialog> modale_;
};

class FormConModifiche : public FormProva {
public:
    using FormProva::FormProva;
    bool PuoChiudere() override {
        switch (chiediSalvataggio(contesto_.interazione, QStringLiteral("Salvare le modifiche?"))) {
        case 1:
            dici(QStringLiteral("salvata"));
            return true;
        case 2:
            dici(QStringLiteral("abbandonata"));
            return true;
        default:
            dici(QStringLiteral("tenuta aperta"));
            return false;
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    return eseguiTesel(argc, argv, [](RegistroForm& r) {
        for (const QString& nome : QStringList{QStringLiteral("frmFEInfo"), QStringLiteral("frmFEPassTest")})
            r.registra(nome, [nome](tesel::Contesto& c) { return new FormProva(nome, c); });
        r.registra(QStringLiteral("frmFEContab"),
                   [](tesel::Contesto& c) { return new FormConModifiche(QStringLiteral("frmFEContab"), c); });
    });
}
