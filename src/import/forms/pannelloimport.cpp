#include "import/forms/pannelloimport.h"

#include "anagrafica/codici.h"
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
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace tesel::ui {

namespace {

QString codice(const QLineEdit* campo) {
    return campo->text().trimmed();
}

} // namespace

PannelloOpzioniImport::PannelloOpzioniImport(Contesto& contesto, BarraStato* barra, CampiNonValidi* nonValidi,
                                             QWidget* padre)
    : QFrame(padre), contesto_(contesto), barra_(barra), nonValidi_(nonValidi ? *nonValidi : propri_) {
    setObjectName(QStringLiteral("PannelloOpzioniImport"));
    const QFontMetrics fm(font());
    const auto casella = [this](const QString& nome, const QString& testo) {
        auto* c = new QCheckBox(testo, this);
        c->setObjectName(nome);
        return c;
    };

    // Supplier creation.
    FraFornitore = new QGroupBox(QStringLiteral("Fornitore"), this);
    FraFornitore->setObjectName(QStringLiteral("FraFornitore"));
    cheCreaForn = casella(QStringLiteral("cheCreaForn"),
                          QStringLiteral("Crea fornitore se partita iva inesistente in archivio"));
    txtGruppo = nuovoCampo(this, QStringLiteral("txtGruppo"), 5);
    txtMastro = nuovoCampo(this, QStringLiteral("txtMastro"), 5);
    labGruppo = nuovaDescrizione(this, QStringLiteral("labGruppo"));
    labMastro = nuovaDescrizione(this, QStringLiteral("labMastro"));
    connect(txtGruppo, &QLineEdit::editingFinished, this, [this] {
        controllaGruppo();
        controllaMastro();
    });
    connect(txtMastro, &QLineEdit::editingFinished, this, &PannelloOpzioniImport::controllaMastro);
    auto* fornitore = new QGridLayout(FraFornitore);
    fornitore->setColumnStretch(2, 1);
    fornitore->addWidget(cheCreaForn, 0, 0, 1, 3);
    fornitore->addWidget(nuovaEtichetta(this, QStringLiteral("Gruppo:"), txtGruppo), 1, 0);
    fornitore->addWidget(txtGruppo, 1, 1);
    fornitore->addWidget(labGruppo, 1, 2);
    fornitore->addWidget(nuovaEtichetta(this, QStringLiteral("Mastro:"), txtMastro), 2, 0);
    fornitore->addWidget(txtMastro, 2, 1);
    fornitore->addWidget(labMastro, 2, 2);

    cheEstraAll = casella(QStringLiteral("cheEstraAll"), QStringLiteral("Estrai allegati"));
    CheSovrascrivi =
        casella(QStringLiteral("CheSovrascrivi"), QStringLiteral("Sovrascrivi fatture già esistenti"));

    colonnaSinistra = new QVBoxLayout;
    colonnaSinistra->addWidget(FraFornitore);
    colonnaSinistra->addWidget(cheEstraAll);
    colonnaSinistra->addWidget(CheSovrascrivi);
    colonnaSinistra->addStretch(1);

    // Forced VAT codes by nature, the further code and the forced causal.
    const QString aiutoRicerca = QStringLiteral("F2 ricerca per codice, F3 per descrizione, F4 elenco");
    const auto collega = [&](QLineEdit* c, QLabel* d, const RichiestaRicerca& r) {
        c->setToolTip(aiutoRicerca);
        RicercaCampo* rc = collegaRicerca(c, d, contesto_.db, r);
        ricerche_.insert(c, rc);
        connect(c, &QLineEdit::editingFinished, this, [this, c, d] { controllaCodice(c, d); });
        connect(rc, &RicercaCampo::codiceScelto, this, [this, c, d] { controllaCodice(c, d); });
    };
    RichiestaRicerca natura;
    natura.tipo = TipoRicerca::Decodifica;
    natura.tipoTab = QStringLiteral("FENatura");
    RichiestaRicerca iva;
    iva.tipo = TipoRicerca::Iva;
    RichiestaRicerca causale;
    causale.tipo = TipoRicerca::Causale;
    causale.condizione = QStringLiteral("TipoCausale = ") + SqlValore(QStringLiteral("A"), SqlTesto);

    auto* codici = new QGridLayout;
    codici->setColumnStretch(2, 1);
    codici->setColumnStretch(5, 1);
    codici->setColumnMinimumWidth(2, fm.averageCharWidth() * 16);
    codici->setColumnMinimumWidth(5, fm.averageCharWidth() * 16);
    for (int i = 0; i < 4; ++i) {
        txtIva[i] = nuovoCampo(this, QStringLiteral("txtIva_%1").arg(i), 7);
        labIva[i] = nuovaDescrizione(this, QStringLiteral("labIva_%1").arg(i));
        collega(txtIva[i], labIva[i], iva);
        if (i < 3) {
            txtNatura[i] = nuovoCampo(this, QStringLiteral("txtNatura_%1").arg(i), 5);
            labNatura[i] = nuovaDescrizione(this, QStringLiteral("labNatura_%1").arg(i));
            collega(txtNatura[i], labNatura[i], natura);
            codici->addWidget(nuovaEtichetta(this, QStringLiteral("Natura:"), txtNatura[i]), i, 0);
            codici->addWidget(txtNatura[i], i, 1);
            codici->addWidget(labNatura[i], i, 2);
        }
        codici->addWidget(nuovaEtichetta(this, QStringLiteral("Cod. IVA:"), txtIva[i]), i, 3);
        codici->addWidget(txtIva[i], i, 4);
        codici->addWidget(labIva[i], i, 5);
    }
    txtCausale = nuovoCampo(this, QStringLiteral("txtCausale"), 7);
    labCausale = nuovaDescrizione(this, QStringLiteral("labCausale"));
    collega(txtCausale, labCausale, causale);
    codici->addWidget(nuovaEtichetta(this, QStringLiteral("Causale:"), txtCausale), 4, 0);
    codici->addWidget(txtCausale, 4, 1);
    codici->addWidget(labCausale, 4, 2, 1, 4);

    colonnaComandi = new QVBoxLayout;
    auto* riga = new QHBoxLayout(this);
    // Both columns stay packed at the top.
    riga->addLayout(colonnaSinistra, 5);
    riga->addSpacing(18); // not setSpacing: the grids inside would inherit it between rows
    riga->addLayout(codici, 7);
    riga->addLayout(colonnaComandi);
    riga->setAlignment(codici, Qt::AlignTop);
    riga->setAlignment(colonnaComandi, Qt::AlignTop);
}

PannelloOpzioniImport::~PannelloOpzioniImport() {
    // ~QWidget hides the fields, and the one that loses the focus would be checked by a panel
    // whose members are already gone.
    for (QObject* figlio : findChildren<QObject*>())
        disconnect(figlio, nullptr, this, nullptr);
}

QList<QWidget*> PannelloOpzioniImport::ordineTab() const {
    return {cheCreaForn,  txtGruppo, txtMastro,    cheEstraAll, CheSovrascrivi, txtNatura[0], txtIva[0],
            txtNatura[1], txtIva[1], txtNatura[2], txtIva[2],   txtIva[3],      txtCausale};
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
    // Defaults that no longer match the chart of accounts are shown as such at once.
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
            if (const auto d = descrizioneGruppo(contesto_.db, g))
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
            if (const auto d = descrizioneMastro(contesto_.db, g, m))
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

QString PannelloOpzioniImport::esistenzaCodice(QLineEdit* campo) const {
    const QString c = codice(campo);
    if (campo == txtCausale)
        return erroreCausaleImport(contesto_.db, c);
    if (std::find(txtIva.begin(), txtIva.end(), campo) != txtIva.end())
        return erroreCodiceIvaImport(contesto_.db, c);
    return erroreNaturaImport(contesto_.db, c);
}

bool PannelloOpzioniImport::controllaCodice(QLineEdit* campo, QLabel* descrizione) {
    QString messaggio;
    if (!codice(campo).isEmpty()) {
        try {
            messaggio = esistenzaCodice(campo);
            // Codes are kept in capitals: "n2.1" or "fab" typed in haste still find theirs.
            const QString maiuscolo = codice(campo).toUpper();
            if (!messaggio.isEmpty() && maiuscolo != codice(campo)) {
                const QString prima = campo->text();
                campo->setText(maiuscolo);
                if (esistenzaCodice(campo).isEmpty())
                    messaggio.clear();
                else
                    campo->setText(prima);
            }
        } catch (const ErroreDb& e) {
            messaggio =
                frmMsgCom::testoErrore(QStringLiteral("Controllo del codice"), e.numero(), e.descrizione());
        }
    }
    if (RicercaCampo* rc = ricerche_.value(campo))
        rc->decodifica();
    if (!messaggio.isEmpty())
        descrizione->clear();
    segna(campo, messaggio.isEmpty(), messaggio);

    // Emptying one half of a nature pair also clears the complaint about the other half.
    for (int i = 0; i < 3; ++i) {
        QLineEdit* compagno = campo == txtNatura[i] ? txtIva[i] : campo == txtIva[i] ? txtNatura[i] : nullptr;
        if (compagno && codice(campo).isEmpty() && codice(compagno).isEmpty())
            segna(compagno, true, {});
    }
    return messaggio.isEmpty();
}

bool PannelloOpzioniImport::controllaCampi() {
    bool buoni = controllaGruppo();
    buoni = controllaMastro() && buoni;
    for (int i = 0; i < 4; ++i) {
        if (i < 3)
            buoni = controllaCodice(txtNatura[i], labNatura[i]) && buoni;
        buoni = controllaCodice(txtIva[i], labIva[i]) && buoni;
    }
    buoni = controllaCodice(txtCausale, labCausale) && buoni;
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
        buoni = buoni && n == v;
    }
    return buoni;
}

bool PannelloOpzioniImport::mancaGruppoOMastro() const {
    return cheCreaForn->isChecked() && (codice(txtGruppo).isEmpty() || codice(txtMastro).isEmpty());
}

QString PannelloOpzioniImport::controlla() {
    if (!controllaCampi() || !nonValidi_.vuoto())
        return QStringLiteral("ci sono dei dati non validi");
    if (mancaGruppoOMastro())
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
