// The save panel and the PDF/e-mail panel of the print dialog.

#include "frame/ini.h"
#include "frame/interazione.h"
#include "printing/forms/frmsceltastam.h"
#include "printing/parametriemail.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace tesel::stampa {

namespace {

QRadioButton* radio(const QString& testo, const QString& nome, QWidget* padre) {
    auto* r = new QRadioButton(testo, padre);
    r->setObjectName(nome);
    return r;
}

QPushButton* bottone(const QString& testo, const QString& nome, QWidget* padre) {
    auto* b = new QPushButton(testo, padre);
    b->setObjectName(nome);
    return b;
}

// "Dove salvare" and "In quale zona parametri", one pair of choices each.
QHBoxLayout* doveEZona(QWidget* padre, QRadioButton*& terminale, QRadioButton*& comuni,
                       QRadioButton*& predefiniti, QRadioButton*& soloStampa, const QString& prefisso) {
    auto* dove = new QGroupBox(QStringLiteral("Dove salvare"), padre);
    auto* lDove = new QVBoxLayout(dove);
    terminale =
        radio(QStringLiteral("Parametri di questo terminale"), prefisso + QStringLiteral("Terminale"), dove);
    comuni = radio(QStringLiteral("Parametri comuni a tutti i terminali"),
                   prefisso + QStringLiteral("Comuni"), dove);
    lDove->addWidget(terminale);
    lDove->addWidget(comuni);
    auto* zona = new QGroupBox(QStringLiteral("In quale zona parametri"), padre);
    auto* lZona = new QVBoxLayout(zona);
    predefiniti = radio(QStringLiteral("Nei valori di default"), prefisso + QStringLiteral("Default"), zona);
    soloStampa =
        radio(QStringLiteral("Solo per questa stampa"), prefisso + QStringLiteral("SoloStampa"), zona);
    lZona->addWidget(predefiniti);
    lZona->addWidget(soloStampa);
    terminale->setChecked(true);
    soloStampa->setChecked(true);
    auto* l = new QHBoxLayout;
    l->addWidget(dove);
    l->addWidget(zona);
    return l;
}

} // namespace

// ---- Save panel -----------------------------------------------------------------------------

QWidget* FrmSceltaStam::costruisciSalva() {
    auto* w = new QWidget(this);
    auto* l = new QVBoxLayout(w);
    l->addLayout(doveEZona(w, OptTerminale, OptComuni, OptDefault, OptSoloStampa, QStringLiteral("Opt")));
    auto* griglia = new QGridLayout;
    auto* contenuto = new QWidget;
    contenuto->setLayout(griglia);
    // One row per option: whether to save it, its caption, the value it would get.
    for (int i = 0; i < 26; ++i) {
        auto* c = new QCheckBox(contenuto);
        c->setObjectName(QStringLiteral("CheSalva%1").arg(i));
        auto* d = new QLabel(contenuto);
        d->setObjectName(QStringLiteral("LabDaSalvare%1").arg(i));
        auto* v = new QLabel(contenuto);
        v->setObjectName(QStringLiteral("LabValParam%1").arg(i));
        v->setTextInteractionFlags(Qt::TextSelectableByMouse);
        griglia->addWidget(c, i, 0);
        griglia->addWidget(d, i, 1);
        griglia->addWidget(v, i, 2);
        CheSalva.push_back(c);
        LabDaSalvare.push_back(d);
        LabValParam.push_back(v);
    }
    griglia->setColumnStretch(2, 1);
    auto* scorri = new QScrollArea(w);
    scorri->setWidget(contenuto);
    scorri->setWidgetResizable(true);
    l->addWidget(scorri, 1);
    ComSelTutto = bottone(QStringLiteral("Seleziona &tutto"), QStringLiteral("ComSelTutto"), w);
    ComDeselTutto = bottone(QStringLiteral("Deseleziona t&utto"), QStringLiteral("ComDeselTutto"), w);
    ComSalva = bottone(QStringLiteral("Sal&va"), QStringLiteral("ComSalva"), w);
    ComAnnulla = bottone(QStringLiteral("Annu&lla"), QStringLiteral("ComAnnulla"), w);
    connect(ComSelTutto, &QPushButton::clicked, this, [this] {
        for (QCheckBox* c : CheSalva)
            c->setChecked(!c->isHidden());
    });
    connect(ComDeselTutto, &QPushButton::clicked, this, [this] {
        for (QCheckBox* c : CheSalva)
            c->setChecked(false);
    });
    connect(ComSalva, &QPushButton::clicked, this, &FrmSceltaStam::ComSalva_Click);
    connect(ComAnnulla, &QPushButton::clicked, this, &FrmSceltaStam::ComAnnulla_Click);
    auto* b = new QHBoxLayout;
    b->addWidget(ComSelTutto);
    b->addWidget(ComDeselTutto);
    b->addStretch();
    b->addWidget(ComSalva);
    b->addWidget(ComAnnulla);
    l->addLayout(b);
    return w;
}

Ambito FrmSceltaStam::ambitoSalva() const {
    return OptComuni->isChecked() ? Ambito::Comune : Ambito::Postazione;
}

Zona FrmSceltaStam::zonaSalva() const {
    return OptDefault->isChecked() ? Zona::Predefinita : Zona::SoloStampa;
}

void FrmSceltaStam::ComSalOpz_Click() {
    cancellazione_ = false;
    const std::vector<VoceOpzione> voci = vociOpzioni();
    for (size_t i = 0; i < CheSalva.size(); ++i) {
        const bool c = i < voci.size();
        CheSalva[i]->setVisible(c);
        LabDaSalvare[i]->setVisible(c);
        LabValParam[i]->setVisible(c);
        if (!c)
            continue;
        CheSalva[i]->setChecked(true);
        LabDaSalvare[i]->setText(voci[i].didascalia);
        LabValParam[i]->setText(voci[i].valore);
    }
    ComSalva->setText(QStringLiteral("Sal&va"));
    pagine->setCurrentIndex(1);
}

void FrmSceltaStam::ComCancOpz_Click() {
    ComSalOpz_Click();
    cancellazione_ = true;
    // What would be removed is what is saved, whatever the controls say now.
    for (QLabel* v : LabValParam)
        v->clear();
    ComSalva->setText(QStringLiteral("Ca&ncella"));
}

void FrmSceltaStam::ComSalva_Click() {
    const std::vector<VoceOpzione> voci = vociOpzioni();
    QList<std::pair<QString, QString>> valori;
    QStringList nomi;
    for (size_t i = 0; i < voci.size() && i < CheSalva.size(); ++i)
        if (CheSalva[i]->isChecked()) {
            valori.append({voci[i].nome, voci[i].valore});
            nomi << voci[i].nome;
        }
    if (nomi.isEmpty()) {
        msgCom(ui_, QStringLiteral("Nessuna opzione selezionata"));
        return;
    }
    const QString& t = impostazione_.postazione().terminale;
    const QString& c = impostazione_.identita().codSta;
    if (cancellazione_) {
        const int tolte = cancellaOpzioni(profilo_, nomi, ambitoSalva(), zonaSalva(), t, c);
        if (tolte < 0) {
            msgCom(ui_, QStringLiteral("Impossibile scrivere il file ") + profilo_.percorso());
            return;
        }
        staMessaggi->setText(QStringLiteral("Opzioni cancellate: %1").arg(tolte));
    } else {
        QString errore;
        if (!salvaOpzioni(profilo_, valori, ambitoSalva(), zonaSalva(), t, c, errore)) {
            msgCom(ui_, errore);
            return;
        }
        staMessaggi->setText(QStringLiteral("Opzioni salvate: %1").arg(valori.size()));
    }
    pagine->setCurrentIndex(0);
}

void FrmSceltaStam::ComAnnulla_Click() {
    pagine->setCurrentIndex(0);
}

// ---- PDF/e-mail panel -------------------------------------------------------------------------

QWidget* FrmSceltaStam::costruisciPdfEmail() {
    auto* w = new QWidget(this);
    auto* l = new QVBoxLayout(w);
    l->addLayout(
        doveEZona(w, OptPETerminale, OptPEComuni, OptPEDefault, OptPESoloStampa, QStringLiteral("OptPE")));
    OptPEDefault->setChecked(true);
    labPEMancanti = new QLabel(w);
    labPEMancanti->setObjectName(QStringLiteral("labPEMancanti"));
    labPEMancanti->setWordWrap(true);
    labPEMancanti->setStyleSheet(QStringLiteral("QLabel { color: #a00000; font-weight: bold; }"));
    labPEMancanti->hide();
    l->addWidget(labPEMancanti);
    auto* contenuto = new QWidget;
    auto* griglia = new QGridLayout(contenuto);
    int riga = 0;
    for (const ParametroEmail& p : parametriPdfEmail()) {
        auto* salva = new QCheckBox(contenuto);
        salva->setObjectName(QStringLiteral("ChePdfEmailSalva") + p.nome);
        salva->setChecked(true);
        ChePdfEmailSalva[p.nome] = salva;
        griglia->addWidget(salva, riga, 0);
        griglia->addWidget(new QLabel(p.didascalia, contenuto), riga, 1);
        QWidget* editor = nullptr;
        switch (p.tipo) {
        case TipoParametro::Sino: {
            editor = new QCheckBox(contenuto);
            break;
        }
        case TipoParametro::Scelta: {
            auto* c = new QComboBox(contenuto);
            c->addItem(QString());
            c->addItems(p.scelte);
            editor = c;
            break;
        }
        default: {
            auto* t = new QLineEdit(contenuto);
            if (p.tipo == TipoParametro::Password)
                t->setEchoMode(QLineEdit::Password);
            editor = t;
        }
        }
        editor->setObjectName(p.nome == u"EmailToNum"     ? QStringLiteral("CboEmailToNum")
                              : p.nome == u"EmailTipoNum" ? QStringLiteral("CboEmailTipoNum")
                                                          : QStringLiteral("txt") + p.nome);
        pe[p.nome] = editor;
        griglia->addWidget(editor, riga, 2);
        if (p.tipo == TipoParametro::File || p.tipo == TipoParametro::Cartella) {
            auto* cerca = bottone(QStringLiteral("Cerca"), QStringLiteral("ComCerca") + p.nome, contenuto);
            auto* t = static_cast<QLineEdit*>(editor);
            connect(cerca, &QPushButton::clicked, this, [this, p, t] {
                const QString titolo =
                    p.nome == u"EmailDirStunnel" ? QStringLiteral("Directory per stunnel") : p.didascalia;
                const QString scelto =
                    p.tipo == TipoParametro::Cartella
                        ? QFileDialog::getExistingDirectory(this, titolo, t->text())
                        : QFileDialog::getSaveFileName(this, titolo, t->text(), {}, nullptr,
                                                       QFileDialog::DontConfirmOverwrite);
                if (!scelto.isEmpty())
                    t->setText(scelto);
            });
            griglia->addWidget(cerca, riga, 3);
        }
        if (p.nome == u"EmailDirStunnel")
            editor->setToolTip(
                QStringLiteral("La posta parte già cifrata (TLS diretto): la directory stunnel non "
                               "serve più a questa postazione"));
        ++riga;
    }
    griglia->addWidget(
        new QLabel(QStringLiteral("SSL/TLS diretto sulla porta scelta: la directory stunnel non è "
                                  "più necessaria."),
                   contenuto),
        riga, 1, 1, 3);
    griglia->setColumnStretch(2, 1);
    auto* scorri = new QScrollArea(w);
    scorri->setWidget(contenuto);
    scorri->setWidgetResizable(true);
    l->addWidget(scorri, 1);

    ComPESelTutto = bottone(QStringLiteral("Seleziona tutto"), QStringLiteral("ComPESelTutto"), w);
    ComPEDeselTutto = bottone(QStringLiteral("&Deseleziona tutto"), QStringLiteral("ComPEDeselTutto"), w);
    ComPESalva = bottone(QStringLiteral("Salva"), QStringLiteral("ComPESalva"), w);
    ComPECanc = bottone(QStringLiteral("Cancella"), QStringLiteral("ComPECanc"), w);
    ComPERileggi = bottone(QStringLiteral("Rileggi"), QStringLiteral("ComPERileggi"), w);
    ComPeDatiCor = bottone(QStringLiteral("Dati correnti"), QStringLiteral("ComPeDatiCor"), w);
    ComPEOk = bottone(QStringLiteral("&Ok"), QStringLiteral("ComPEOk"), w);
    ComPEAnnulla = bottone(QStringLiteral("&Annulla"), QStringLiteral("ComPEAnnulla"), w);
    connect(ComPESelTutto, &QPushButton::clicked, this, [this] {
        for (auto& [n, c] : ChePdfEmailSalva)
            c->setChecked(true);
    });
    connect(ComPEDeselTutto, &QPushButton::clicked, this, [this] {
        for (auto& [n, c] : ChePdfEmailSalva)
            c->setChecked(false);
    });
    connect(ComPESalva, &QPushButton::clicked, this, &FrmSceltaStam::ComPESalva_Click);
    connect(ComPECanc, &QPushButton::clicked, this, &FrmSceltaStam::ComPECanc_Click);
    connect(ComPERileggi, &QPushButton::clicked, this, &FrmSceltaStam::ComPERileggi_Click);
    connect(ComPeDatiCor, &QPushButton::clicked, this, &FrmSceltaStam::ComPeDatiCor_Click);
    connect(ComPEOk, &QPushButton::clicked, this, &FrmSceltaStam::ComPEOk_Click);
    connect(ComPEAnnulla, &QPushButton::clicked, this, &FrmSceltaStam::ComPEAnnulla_Click);
    auto* b = new QHBoxLayout;
    for (QPushButton* x : {ComPESelTutto, ComPEDeselTutto, ComPESalva, ComPECanc, ComPERileggi, ComPeDatiCor})
        b->addWidget(x);
    b->addStretch();
    b->addWidget(ComPEOk);
    b->addWidget(ComPEAnnulla);
    l->addLayout(b);
    return w;
}

QHash<QString, QString> FrmSceltaStam::valoriPannelloEmail() const {
    QHash<QString, QString> v;
    for (const ParametroEmail& p : parametriPdfEmail()) {
        QWidget* e = pe.at(p.nome);
        QString valore;
        if (auto* c = qobject_cast<QCheckBox*>(e))
            valore = c->isChecked() ? QStringLiteral("S") : QStringLiteral("N");
        else if (auto* c = qobject_cast<QComboBox*>(e))
            valore = c->currentIndex() <= 0 ? QString()
                     : p.numerata           ? QString::number(c->currentIndex())
                                            : c->currentText();
        else if (p.tipo == TipoParametro::Password)
            valore = static_cast<QLineEdit*>(e)->text(); // blanks may be part of a password
        else
            valore = static_cast<QLineEdit*>(e)->text().trimmed();
        v.insert(p.nome, valore);
    }
    return v;
}

void FrmSceltaStam::mostraPannelloEmail(const QHash<QString, QString>& valori) {
    for (const ParametroEmail& p : parametriPdfEmail()) {
        QWidget* e = pe.at(p.nome);
        const QString v = valori.value(p.nome).trimmed();
        if (auto* c = qobject_cast<QCheckBox*>(e)) {
            const QString s = v.toLower();
            c->setChecked(s == u"s" || s == u"true" || s == u"vero" || s == u"1" || s == u"-1");
        } else if (auto* c = qobject_cast<QComboBox*>(e)) {
            int i = 0;
            if (p.numerata) {
                // Saved as the number or as the list's caption ("Scelta 2"), as the send reads it.
                QString cifre;
                for (QChar ch : v)
                    if (ch.isDigit())
                        cifre += ch;
                const int n = cifre.toInt();
                i = n >= 1 && n <= p.scelte.size() ? n : 0;
            } else {
                i = std::max(0, c->findText(v, Qt::MatchFixedString));
            }
            c->setCurrentIndex(i);
        } else {
            static_cast<QLineEdit*>(e)->setText(p.tipo == TipoParametro::Password ? valori.value(p.nome) : v);
        }
    }
}

bool FrmSceltaStam::chiediDatiEmail(QHash<QString, QString>& valori, const QStringList& mancanti) {
    pe_ = valori;
    mostraPannelloEmail(valori);
    pagine->setCurrentIndex(2);
    QStringList didascalie;
    QWidget* primo = nullptr;
    for (const ParametroEmail& p : parametriPdfEmail()) {
        const bool manca = mancanti.contains(p.nome);
        // Only what is given now is offered for saving: the rest is saved where it already is.
        ChePdfEmailSalva.at(p.nome)->setChecked(manca);
        QWidget* e = pe.at(p.nome);
        e->setStyleSheet(manca ? QStringLiteral("background-color: #fff3b0;") : QString());
        if (!manca)
            continue;
        didascalie << p.didascalia;
        if (!primo)
            primo = e;
    }
    labPEMancanti->setText(QStringLiteral("Mancano dati necessari per l'invio dell'email: ") +
                           didascalie.join(QStringLiteral(", ")) +
                           QStringLiteral(". Compilarli e confermare con Ok (Salva li conserva anche per "
                                          "le prossime stampe)."));
    labPEMancanti->show();
    if (primo) {
        primo->setFocus();
        // Once the window is laid out and active, the first missing field is in sight with the focus.
        QTimer::singleShot(0, primo, [primo] {
            for (QWidget* w = primo->parentWidget(); w; w = w->parentWidget())
                if (auto* scorri = qobject_cast<QScrollArea*>(w))
                    scorri->ensureWidgetVisible(primo);
            primo->setFocus();
        });
    }
    if (exec() != QDialog::Accepted)
        return false;
    for (auto it = pe_.cbegin(); it != pe_.cend(); ++it)
        valori.insert(it.key(), it.value());
    return true;
}

void FrmSceltaStam::ComParIniPE_Click() {
    mostraPannelloEmail(pe_);
    pagine->setCurrentIndex(2);
}

bool FrmSceltaStam::ComPEOk_Click() {
    const QHash<QString, QString> v = valoriPannelloEmail();
    const QStringList errori = controllaParametriEmail(v);
    if (!errori.isEmpty()) {
        msgCom(ui_, QStringLiteral("ci sono dei dati non validi") + QLatin1Char('\n') +
                        errori.join(QLatin1Char('\n')));
        return false;
    }
    pe_ = v;
    if (apertura_ == Apertura::SoloEmail) {
        accept();
        return true;
    }
    pagine->setCurrentIndex(0);
    return true;
}

void FrmSceltaStam::ComPEAnnulla_Click() {
    if (apertura_ == Apertura::SoloEmail) {
        reject();
        return;
    }
    mostraPannelloEmail(pe_);
    pagine->setCurrentIndex(0);
}

void FrmSceltaStam::ComPESalva_Click() {
    const QHash<QString, QString> v = valoriPannelloEmail();
    const QStringList errori = controllaParametriEmail(v);
    if (!errori.isEmpty()) {
        msgCom(ui_, QStringLiteral("ci sono dei dati non validi") + QLatin1Char('\n') +
                        errori.join(QLatin1Char('\n')));
        return;
    }
    // An empty value is not saved as empty: its key goes, so a value saved for all the
    // workstations (or as the default) still counts here.
    QList<std::pair<QString, QString>> daSalvare;
    QStringList vuoti;
    for (const ParametroEmail& p : parametriPdfEmail()) {
        if (!ChePdfEmailSalva.at(p.nome)->isChecked())
            continue;
        if (v.value(p.nome).isEmpty())
            vuoti << p.nome;
        else
            daSalvare.append({p.nome, v.value(p.nome)});
    }
    if (daSalvare.isEmpty() && vuoti.isEmpty()) {
        msgCom(ui_, QStringLiteral("Nessun parametro selezionato"));
        return;
    }
    QString errore;
    const Ambito ambito = OptPEComuni->isChecked() ? Ambito::Comune : Ambito::Postazione;
    const Zona zona = OptPEDefault->isChecked() ? Zona::Predefinita : Zona::SoloStampa;
    const QString& t = impostazione_.postazione().terminale;
    const QString& c = impostazione_.identita().codSta;
    if (!salvaOpzioni(profilo_, daSalvare, ambito, zona, t, c, errore) ||
        cancellaOpzioni(profilo_, vuoti, ambito, zona, t, c) < 0) {
        msgCom(ui_, errore.isEmpty() ? QStringLiteral("Impossibile scrivere il file ") + profilo_.percorso()
                                     : errore);
        return;
    }
    pe_ = v;
    staMessaggi->setText(QStringLiteral("Parametri Pdf/Email salvati: %1").arg(daSalvare.size()));
    // Asked during a print the choice page is not shown: the panel's own line says it.
    if (apertura_ == Apertura::SoloEmail)
        labPEMancanti->setText(staMessaggi->text());
}

void FrmSceltaStam::ComPECanc_Click() {
    QStringList nomi;
    for (const auto& [nome, c] : ChePdfEmailSalva)
        if (c->isChecked())
            nomi << nome;
    if (nomi.isEmpty()) {
        msgCom(ui_, QStringLiteral("Nessun parametro selezionato"));
        return;
    }
    if (msgCom(ui_, QStringLiteral("Cancellare i parametri selezionati?"), QStringLiteral("&Ok"),
               QStringLiteral("&Annulla")) != 1)
        return;
    const int tolti =
        cancellaOpzioni(profilo_, nomi, OptPEComuni->isChecked() ? Ambito::Comune : Ambito::Postazione,
                        OptPEDefault->isChecked() ? Zona::Predefinita : Zona::SoloStampa,
                        impostazione_.postazione().terminale, impostazione_.identita().codSta);
    if (tolti < 0) {
        msgCom(ui_, QStringLiteral("Impossibile scrivere il file ") + profilo_.percorso());
        return;
    }
    staMessaggi->setText(QStringLiteral("Parametri Pdf/Email cancellati: %1").arg(tolti));
    ComPeDatiCor_Click();
}

void FrmSceltaStam::ComPERileggi_Click() {
    // What is saved exactly where the panel points, nothing inherited from elsewhere.
    QHash<QString, QString> v;
    const Ambito a = OptPEComuni->isChecked() ? Ambito::Comune : Ambito::Postazione;
    const Zona z = OptPEDefault->isChecked() ? Zona::Predefinita : Zona::SoloStampa;
    for (const ParametroEmail& p : parametriPdfEmail())
        if (const auto s = profilo_.trova(SezioneOpzioni,
                                          chiaveOpzione(p.nome, a, z, impostazione_.postazione().terminale,
                                                        impostazione_.identita().codSta)))
            v.insert(p.nome, *s);
    mostraPannelloEmail(v);
}

void FrmSceltaStam::ComPeDatiCor_Click() {
    // The values in force for this print: the most specific saved one of each.
    QHash<QString, QString> v;
    for (const ParametroEmail& p : parametriPdfEmail())
        v.insert(p.nome, impostazione_.opzione(SezioneOpzioni, p.nome));
    mostraPannelloEmail(v);
}

} // namespace tesel::stampa
