#include "pannelloimport.h"

#include "anagrafica/codici.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "frame/sqlvalore.h"
#include "ui/descrizionecodice.h"
#include "ui/msgcom.h"
#include "ui/ricerca.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace tesel::ui {

namespace {

QString codice(const QLineEdit* campo) {
    return campo->text().trimmed();
}

} // namespace

PannelloOpzioniImport::PannelloOpzioniImport(Contesto& contesto, BarraStato* barra, QWidget* padre)
    : QFrame(padre), contesto_(contesto), barra_(barra) {
    setObjectName(QStringLiteral("PicAltriDati"));
    setFrameShape(QFrame::StyledPanel);
    const QFontMetrics fm(font());
    const auto campo = [&](const QString& nome, int caratteri) {
        auto* c = new QLineEdit(this);
        c->setObjectName(nome);
        c->setFixedWidth(fm.averageCharWidth() * caratteri + 16);
        c->setToolTip(QStringLiteral("F2 ricerca per codice, F3 per descrizione, F4 elenco"));
        return c;
    };
    const auto descrizione = [this](const QString& nome) {
        auto* d = new DescrizioneCodice(this);
        d->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        d->setObjectName(nome);
        return d;
    };
    const auto etichetta = [this](const QString& testo, QWidget* compagno) {
        auto* l = new QLabel(testo, this);
        l->setBuddy(compagno);
        return l;
    };

    CheSovrascrivi = new QCheckBox(QStringLiteral("Sovrascrivi esistenti"), this);
    CheSovrascrivi->setObjectName(QStringLiteral("CheSovrascrivi"));
    cheEstraAll = new QCheckBox(QStringLiteral("Estrai allegati"), this);
    cheEstraAll->setObjectName(QStringLiteral("cheEstraAll"));

    auto* fraFornitore = new QGroupBox(QStringLiteral("Fornitore"), this);
    cheCreaForn =
        new QCheckBox(QStringLiteral("Crea fornitore se partita iva inesistente in archivio"), this);
    cheCreaForn->setObjectName(QStringLiteral("cheCreaForn"));
    txtGruppo = campo(QStringLiteral("txtGruppo"), 5);
    txtMastro = campo(QStringLiteral("txtMastro"), 5);
    txtGruppo->setToolTip({});
    txtMastro->setToolTip({});
    labGruppo = descrizione(QStringLiteral("labGruppo"));
    labMastro = descrizione(QStringLiteral("labMastro"));
    connect(txtGruppo, &QLineEdit::editingFinished, this, [this] {
        controllaGruppo();
        controllaMastro();
    });
    connect(txtMastro, &QLineEdit::editingFinished, this, &PannelloOpzioniImport::controllaMastro);
    auto* fornitore = new QGridLayout(fraFornitore);
    fornitore->setColumnStretch(2, 1);
    fornitore->addWidget(cheCreaForn, 0, 0, 1, 3);
    fornitore->addWidget(etichetta(QStringLiteral("Gruppo:"), txtGruppo), 1, 0);
    fornitore->addWidget(txtGruppo, 1, 1);
    fornitore->addWidget(labGruppo, 1, 2);
    fornitore->addWidget(etichetta(QStringLiteral("Mastro:"), txtMastro), 2, 0);
    fornitore->addWidget(txtMastro, 2, 1);
    fornitore->addWidget(labMastro, 2, 2);

    RichiestaRicerca natura;
    natura.tipo = TipoRicerca::Decodifica;
    natura.tipoTab = QStringLiteral("FENatura");
    RichiestaRicerca iva;
    iva.tipo = TipoRicerca::Iva;
    RichiestaRicerca causale;
    causale.tipo = TipoRicerca::Causale;
    causale.condizione = QStringLiteral("TipoCausale = ") + SqlValore(QStringLiteral("A"), SqlTesto);
    const auto collega = [&](QLineEdit* c, const RichiestaRicerca& r) {
        QLabel* d = descrizione(c->objectName() + QStringLiteral("_descr"));
        RicercaCampo* rc = collegaRicerca(c, d, contesto_.db, r);
        connect(c, &QLineEdit::editingFinished, this, [this, c] { controllaCodice(c); });
        connect(rc, &RicercaCampo::codiceScelto, this, [this, c] { controllaCodice(c); });
        return d;
    };
    auto* codici = new QGridLayout;
    codici->setColumnStretch(2, 1);
    codici->setColumnStretch(5, 1);
    codici->setColumnMinimumWidth(2, fm.averageCharWidth() * 14);
    codici->setColumnMinimumWidth(5, fm.averageCharWidth() * 14);
    for (int i = 0; i < 3; ++i) {
        txtNatura[i] = campo(QStringLiteral("txtNatura_%1").arg(i), 5);
        txtIva[i] = campo(QStringLiteral("txtIva_%1").arg(i), 7);
        codici->addWidget(etichetta(QStringLiteral("Natura:"), txtNatura[i]), i, 0);
        codici->addWidget(txtNatura[i], i, 1);
        codici->addWidget(collega(txtNatura[i], natura), i, 2);
        codici->addWidget(etichetta(QStringLiteral("Cod. IVA:"), txtIva[i]), i, 3);
        codici->addWidget(txtIva[i], i, 4);
        codici->addWidget(collega(txtIva[i], iva), i, 5);
    }
    txtIva[3] = campo(QStringLiteral("txtIva_3"), 7);
    codici->addWidget(etichetta(QStringLiteral("Cod. IVA:"), txtIva[3]), 3, 3);
    codici->addWidget(txtIva[3], 3, 4);
    codici->addWidget(collega(txtIva[3], iva), 3, 5);
    txtCausale = campo(QStringLiteral("txtCausale"), 5);
    codici->addWidget(etichetta(QStringLiteral("Causale:"), txtCausale), 4, 3);
    codici->addWidget(txtCausale, 4, 4);
    codici->addWidget(collega(txtCausale, causale), 4, 5);

    ComProsegui = new QPushButton(QStringLiteral("&Prosegui"), this);
    ComProsegui->setObjectName(QStringLiteral("ComProsegui"));
    ComNoScarica = new QPushButton(QStringLiteral("&Annulla"), this);
    ComNoScarica->setObjectName(QStringLiteral("ComNoScarica"));

    auto* sinistra = new QVBoxLayout;
    sinistra->addWidget(CheSovrascrivi);
    sinistra->addWidget(fraFornitore);
    sinistra->addWidget(cheEstraAll);
    sinistra->addStretch();
    auto* pulsanti = new QVBoxLayout;
    pulsanti->addWidget(ComProsegui);
    pulsanti->addWidget(ComNoScarica);
    pulsanti->addStretch();
    auto* l = new QHBoxLayout(this);
    l->addLayout(sinistra, 3);
    l->addLayout(codici, 4);
    l->addLayout(pulsanti);
}

void PannelloOpzioniImport::caricaPredefiniti() {
    try {
        txtGruppo->setText(contesto_.parametri.leggi(QStringLiteral("CauCon.GruppoFornitori")).trimmed());
        txtMastro->setText(contesto_.parametri.leggi(QStringLiteral("CauCon.MastroFornitori")).trimmed());
    } catch (const ErroreDb& e) {
        msgCom(contesto_.interazione,
               frmMsgCom::testoErrore(QStringLiteral("Lettura dei parametri"), e.numero(), e.descrizione()));
        return;
    }
    controllaGruppo();
    controllaMastro();
}

void PannelloOpzioniImport::segna(QWidget* campo, bool valido, const QString& messaggio) {
    nonValidi_.segna(barra_, campo, valido, messaggio);
}

bool PannelloOpzioniImport::controllaGruppo() {
    const QString g = codice(txtGruppo);
    labGruppo->clear();
    QString messaggio;
    if (!g.isEmpty()) {
        try {
            const auto d = descrizioneGruppo(contesto_.db, g);
            if (d)
                labGruppo->setText(*d);
            else
                messaggio = QStringLiteral("Gruppo inesistente nel piano dei conti");
        } catch (const ErroreDb& e) {
            messaggio = frmMsgCom::testoErrore(QStringLiteral("Gruppo"), e.numero(), e.descrizione());
        }
    }
    segna(txtGruppo, messaggio.isEmpty(), messaggio);
    return messaggio.isEmpty();
}

bool PannelloOpzioniImport::controllaMastro() {
    const QString g = codice(txtGruppo);
    const QString m = codice(txtMastro);
    labMastro->clear();
    QString messaggio;
    // Without a valid group the ledger cannot be placed; the group field says what is missing.
    if (!m.isEmpty() && !g.isEmpty() && !nonValidi_.contiene(txtGruppo)) {
        try {
            const auto d = descrizioneMastro(contesto_.db, g, m);
            if (d)
                labMastro->setText(*d);
            else
                messaggio = QStringLiteral("Mastro inesistente nel gruppo ") + g;
        } catch (const ErroreDb& e) {
            messaggio = frmMsgCom::testoErrore(QStringLiteral("Mastro"), e.numero(), e.descrizione());
        }
    }
    segna(txtMastro, messaggio.isEmpty(), messaggio);
    return messaggio.isEmpty();
}

bool PannelloOpzioniImport::controllaCodice(QLineEdit* campo) {
    QString messaggio;
    if (!codice(campo).isEmpty()) {
        // Codes are kept in capitals: one typed in haste still finds its own.
        campo->setText(codice(campo).toUpper());
        try {
            if (campo == txtCausale)
                messaggio = erroreCausaleImport(contesto_.db, codice(campo));
            else if (std::find(txtIva.begin(), txtIva.end(), campo) != txtIva.end())
                messaggio = erroreCodiceIvaImport(contesto_.db, codice(campo));
            else
                messaggio = erroreNaturaImport(contesto_.db, codice(campo));
        } catch (const ErroreDb& e) {
            messaggio =
                frmMsgCom::testoErrore(QStringLiteral("Controllo del codice"), e.numero(), e.descrizione());
        }
    }
    segna(campo, messaggio.isEmpty(), messaggio);
    return messaggio.isEmpty();
}

QString PannelloOpzioniImport::controlla() {
    controllaGruppo();
    controllaMastro();
    for (int i = 0; i < 4; ++i) {
        if (i < 3)
            controllaCodice(txtNatura[i]);
        controllaCodice(txtIva[i]);
    }
    controllaCodice(txtCausale);
    // A nature without its VAT code (or the reverse) would be dropped without a word.
    for (int i = 0; i < 3; ++i) {
        const bool n = !codice(txtNatura[i]).isEmpty();
        const bool v = !codice(txtIva[i]).isEmpty();
        if (n && !v)
            segna(txtIva[i], false,
                  QStringLiteral("Indicare il codice IVA della natura ") + codice(txtNatura[i]));
        else if (v && !n)
            segna(txtNatura[i], false,
                  QStringLiteral("Indicare la natura del codice IVA ") + codice(txtIva[i]));
    }
    if (!nonValidi_.vuoto())
        return QStringLiteral("ci sono dei dati non validi");
    if (cheCreaForn->isChecked() && (codice(txtGruppo).isEmpty() || codice(txtMastro).isEmpty()))
        return QStringLiteral("Per creare i fornitori compilare sia il gruppo che il mastro");
    return {};
}

OpzioniImport PannelloOpzioniImport::opzioni() const {
    OpzioniImport o;
    o.sovrascrivi = CheSovrascrivi->isChecked();
    o.creaFornitori = cheCreaForn->isChecked();
    o.gruppoFornitori = codice(txtGruppo);
    o.mastroFornitori = codice(txtMastro);
    o.estraiAllegati = cheEstraAll->isChecked();
    o.causale = codice(txtCausale);
    for (int i = 0; i < 3; ++i)
        if (!codice(txtNatura[i]).isEmpty() && !codice(txtIva[i]).isEmpty())
            o.ivaPerNatura.push_back({codice(txtNatura[i]), codice(txtIva[i])});
    o.ivaAltra = codice(txtIva[3]);
    if (o.estraiAllegati)
        o.cartellaAllegati = cartellaAllegatiImport(contesto_.configurazione);
    return o;
}

} // namespace tesel::ui
