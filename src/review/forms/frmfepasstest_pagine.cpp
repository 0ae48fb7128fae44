// The layout of the received-invoice header form: the key row, the header strip, the six
// pages of fields and the two grids. Every field is registered here with the column it shows.

#include "frame/contesto.h"
#include "frame/database.h"
#include "review/forms/frmfepasstest.h"
#include "ui/barrecomandi.h"
#include "ui/descrizionecodice.h"
#include "ui/paginarighe.h"
#include "ui/recordform.h"

#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace tesel::ui {

namespace {

const QString AiutoRicerca = QStringLiteral("F2 ricerca per codice, F3 per descrizione, F4 elenco");

// Rows of "label: field" pairs: the first label and field of every row line up in two grid
// columns, further pairs follow on the same row.
class Righe {
public:
    explicit Righe(QWidget* contenitore) : g_(new QGridLayout(contenitore)) {
        g_->setColumnStretch(1, 1);
        g_->setVerticalSpacing(4);
        g_->setContentsMargins(8, 6, 8, 6);
    }
    Righe(QWidget* contenitore, bool) : Righe(contenitore) { g_->setContentsMargins(0, 0, 0, 0); }

    // Each pair: a caption (may be empty) and a widget; a widget with an expanding width
    // takes the room left on the row.
    void riga(std::initializer_list<std::pair<QString, QWidget*>> coppie) {
        auto* h = new QHBoxLayout;
        h->setSpacing(6);
        bool primo = true;
        bool elastico = false;
        for (const auto& [testo, w] : coppie) {
            if (primo) {
                if (!testo.isEmpty()) {
                    auto* l = new QLabel(testo);
                    l->setBuddy(w);
                    g_->addWidget(l, r_, 0);
                }
                primo = false;
            } else if (!testo.isEmpty()) {
                h->addSpacing(6);
                auto* l = new QLabel(testo);
                l->setBuddy(w);
                h->addWidget(l);
            }
            // Fixed-width fields keep their width whatever their policy says.
            const bool espande = (w->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag) &&
                                 w->maximumWidth() > w->minimumWidth();
            h->addWidget(w, espande ? 1 : 0);
            elastico = elastico || espande;
        }
        if (!elastico)
            h->addStretch(1);
        g_->addLayout(h, r_++, 1);
    }
    void widget(QWidget* w) { g_->addWidget(w, r_++, 0, 1, 2); }
    void fine() { g_->setRowStretch(r_, 1); }

private:
    QGridLayout* g_;
    int r_ = 0;
};

// Wide enough for a date and for its placeholder.
int larghezzaData(const QLineEdit* e) {
    return e->fontMetrics().horizontalAdvance(QStringLiteral("gg/mm/aaaa0")) + 16;
}

QGroupBox* riquadro(const QString& titolo, QWidget* padre) {
    auto* f = new QGroupBox(titolo, padre);
    return f;
}

// Two columns of frames and field blocks, packed at the top.
QWidget* dueColonne(QWidget* pagina, std::initializer_list<QWidget*> sinistra,
                    std::initializer_list<QWidget*> destra) {
    auto* h = new QHBoxLayout(pagina);
    h->setContentsMargins(6, 6, 6, 6);
    h->setSpacing(10);
    for (const auto& colonna : {sinistra, destra}) {
        auto* v = new QVBoxLayout;
        v->setSpacing(6);
        for (QWidget* w : colonna)
            v->addWidget(w);
        v->addStretch(1);
        h->addLayout(v, 1);
    }
    return pagina;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Field builders

QLineEdit* frmFEPassTest::testo(const QString& colonna, int caratteri, const QString& formato) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QStringLiteral("txt") + colonna);
    const QFontMetrics fm(e->font());
    if (caratteri > 0) {
        e->setFixedWidth(fm.averageCharWidth() * caratteri + 14);
        e->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    } else {
        // Long texts take the room the row leaves, never less than a readable width.
        e->setMinimumWidth(fm.averageCharWidth() * -caratteri + 14);
        e->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    if (!formato.isEmpty() && formato.contains(u'#'))
        e->setAlignment(Qt::AlignRight);
    scheda_->RegistraCampo(e, colonna, QStringLiteral("="), formato);
    return e;
}

QLineEdit* frmFEPassTest::data(const QString& colonna) {
    QLineEdit* e = testo(colonna, 11, QStringLiteral("dd/mm/yyyy"));
    e->setFixedWidth(larghezzaData(e));
    e->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    campiData_ << colonna;
    e->installEventFilter(this); // after the component's filter: this one sees leaving first
    return e;
}

QLineEdit* frmFEPassTest::conto(const QString& registrazione, QLabel** descrizione) {
    auto* e = new QLineEdit(this);
    e->setObjectName(QStringLiteral("txt") + registrazione.section(u'|', 2, 2));
    e->setFixedWidth(e->fontMetrics().averageCharWidth() * 14 + 14);
    e->setToolTip(AiutoRicerca);
    auto* d = new DescrizioneCodice(this);
    d->setObjectName(QStringLiteral("lab") + registrazione.section(u'|', 2, 2));
    RichiestaRicerca r;
    // The supplier account is one of the suppliers (Tipo 2); the fund account any account.
    r.tipo =
        registrazione.contains(QStringLiteral("GruppoFor")) ? TipoRicerca::Fornitore : TipoRicerca::Conto;
    scheda_->RegistraCampo(e, registrazione).ricerca(r, d);
    *descrizione = d;
    return e;
}

QLineEdit* frmFEPassTest::codice(const QString& colonna, int caratteri, TipoRicerca tipo,
                                 const QString& tipoTab, QLabel** descrizione) {
    QLineEdit* e = testo(colonna, caratteri);
    e->setToolTip(AiutoRicerca);
    RichiestaRicerca r;
    r.tipo = tipo;
    r.tipoTab = tipoTab;
    if (r.tipo == TipoRicerca::Causale)
        r.condizione = QStringLiteral("TipoCausale = ") + SqlValore(QStringLiteral("A"), SqlTesto);
    QLabel* d = nullptr;
    if (descrizione) {
        d = new DescrizioneCodice(this);
        d->setObjectName(QStringLiteral("lab") + colonna);
        *descrizione = d;
    }
    scheda_->campo(e)->ricerca(r, d);
    return e;
}

QWidget* frmFEPassTest::dataOra(const QString& colonna) {
    DataOra d;
    d.colonna = colonna;
    // The stored value goes through a hidden field; the user sees and types two parts.
    d.nascosto = new QLineEdit(this);
    d.nascosto->setObjectName(QStringLiteral("txt") + colonna);
    d.nascosto->hide();
    scheda_->RegistraCampo(d.nascosto, colonna, QStringLiteral("="), QStringLiteral("dd/mm/yyyy hh:mm:ss"));
    d.data = new QLineEdit(this);
    d.data->setObjectName(QStringLiteral("txt") + colonna + QStringLiteral("_Data"));
    d.data->setFixedWidth(larghezzaData(d.data));
    d.data->setPlaceholderText(QStringLiteral("gg/mm/aaaa"));
    d.ora = new QLineEdit(this);
    d.ora->setObjectName(QStringLiteral("txt") + colonna + QStringLiteral("_Ora"));
    d.ora->setFixedWidth(d.ora->fontMetrics().horizontalAdvance(QStringLiteral("00:00:000")) + 16);
    d.ora->setPlaceholderText(QStringLiteral("hh:mm:ss"));
    for (QLineEdit* p : {d.data, d.ora}) {
        p->installEventFilter(this);
        p->setEnabled(false);
    }
    auto* w = new QWidget(this);
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(4);
    h->addWidget(d.data);
    h->addWidget(d.ora);
    dateOra_.push_back(d);
    return w;
}

// ---------------------------------------------------------------------------------------------
// Pages

QWidget* frmFEPassTest::paginaCedente() {
    auto* pagina = new QWidget;
    auto* anagrafica = new QWidget(pagina);
    Righe a(anagrafica, true);
    a.riga({{QStringLiteral("Id Fiscale:"), testo(QStringLiteral("CP_DA_IdFiscaleIVA_IdPaese"), 3)},
            {{}, testo(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice"), 20)}});
    a.riga({{QStringLiteral("Codice fiscale:"), testo(QStringLiteral("CP_DA_CodiceFiscale"), 17)}});
    a.riga(
        {{QStringLiteral("Denominazione:"), testo(QStringLiteral("CP_DA_Anagrafica_Denominazione"), -30)}});
    a.riga({{QStringLiteral("Nome:"), testo(QStringLiteral("CP_DA_Anagrafica_Nome"), -14)},
            {QStringLiteral("Cognome:"), testo(QStringLiteral("CP_DA_Anagrafica_Cognome"), -14)}});
    a.riga({{QStringLiteral("Titolo:"), testo(QStringLiteral("CP_DA_Anagrafica_Titolo"), 10)},
            {QStringLiteral("Cod. EORI:"), testo(QStringLiteral("CP_DA_Anagrafica_CodEORI"), 17)}});
    a.riga({{QStringLiteral("Regime fiscale:"), testo(QStringLiteral("CP_DA_RegimeFiscale"), 5)}});
    txtFornitore_ = conto(QStringLiteral("|-|GruppoFor|MastroFor|ContoFor"), &labDescrFornitore_);
    a.riga({{QStringLiteral("Conto:"), txtFornitore_}, {{}, labDescrFornitore_}});

    // Created column by column, so Tab follows the columns.
    auto* contatti = riquadro(QStringLiteral("Contatti"), pagina);
    Righe c(contatti);
    c.riga({{QStringLiteral("Telefono:"), testo(QStringLiteral("CP_Contatti_Telefono"), 13)},
            {QStringLiteral("Fax:"), testo(QStringLiteral("CP_Contatti_Fax"), 13)}});
    c.riga({{QStringLiteral("Email:"), testo(QStringLiteral("CP_Contatti_Email"), -24)}});
    c.riga({{QStringLiteral("Rif. amministrazione:"),
             testo(QStringLiteral("CP_RiferimentoAmministrazione"), 20)}});
    auto* sede = riquadro(QStringLiteral("Sede"), pagina);
    Righe s(sede);
    s.riga({{QStringLiteral("Indirizzo:"), testo(QStringLiteral("CP_Sede_Indirizzo"), -20)},
            {QStringLiteral("N. civico:"), testo(QStringLiteral("CP_Sede_NumeroCivico"), 8)}});
    s.riga({{QStringLiteral("CAP:"), testo(QStringLiteral("CP_Sede_CAP"), 5)},
            {QStringLiteral("Comune:"), testo(QStringLiteral("CP_Sede_Comune"), -14)},
            {QStringLiteral("Prov.:"), testo(QStringLiteral("CP_Sede_Provincia"), 3)},
            {QStringLiteral("Nazione:"), testo(QStringLiteral("CP_Sede_Nazione"), 3)}});

    auto* albo = riquadro(QStringLiteral("Albo Professionale"), pagina);
    Righe al(albo);
    al.riga({{QStringLiteral("Albo:"), testo(QStringLiteral("CP_DA_AlboProfessionale"), -20)},
             {QStringLiteral("Prov.:"), testo(QStringLiteral("CP_DA_ProvinciaAlbo"), 3)}});
    al.riga({{QStringLiteral("N. iscrizione:"), testo(QStringLiteral("CP_DA_NumeroIscrizioneAlbo"), -14)},
             {QStringLiteral("Data iscrizione:"), data(QStringLiteral("CP_DA_DataIscrizioneAlbo"))}});

    return dueColonne(pagina, {anagrafica, contatti}, {sede, albo});
}

QWidget* frmFEPassTest::paginaCedenteAltro() {
    auto* pagina = new QWidget;
    auto* rea = riquadro(QStringLiteral("Iscrizione REA"), pagina);
    Righe r(rea);
    r.riga({{QStringLiteral("Ufficio:"), testo(QStringLiteral("CP_REA_Ufficio"), 3)},
            {QStringLiteral("Numero REA:"), testo(QStringLiteral("CP_REA_NumeroREA"), 20)}});
    r.riga({{QStringLiteral("Capitale sociale:"),
             testo(QStringLiteral("CP_REA_CapitaleSociale"), 16, QStringLiteral("#,###.^^"))}});
    r.riga({{QStringLiteral("Socio unico:"), testo(QStringLiteral("CP_REA_SocioUnico"), 3)},
            {QStringLiteral("Stato liquidazione:"), testo(QStringLiteral("CP_REA_StatoLiquidazione"), 3)}});

    auto* so = riquadro(QStringLiteral("Stabile organizzazione"), pagina);
    Righe s(so);
    s.riga({{QStringLiteral("Indirizzo:"), testo(QStringLiteral("CP_SO_Indirizzo"), -20)},
            {QStringLiteral("N. civico:"), testo(QStringLiteral("CP_SO_NumeroCivico"), 8)}});
    s.riga({{QStringLiteral("CAP:"), testo(QStringLiteral("CP_SO_CAP"), 5)},
            {QStringLiteral("Comune:"), testo(QStringLiteral("CP_SO_Comune"), -14)},
            {QStringLiteral("Prov.:"), testo(QStringLiteral("CP_SO_Provincia"), 3)},
            {QStringLiteral("Nazione:"), testo(QStringLiteral("CP_SO_Nazione"), 3)}});

    auto* rf = riquadro(QStringLiteral("Rappresentante Fiscale"), pagina);
    Righe f(rf);
    f.riga({{QStringLiteral("Id Fiscale:"), testo(QStringLiteral("RF_DA_IdFiscaleIVA_IdPaese"), 3)},
            {{}, testo(QStringLiteral("RF_DA_IdFiscaleIVA_IdCodice"), 20)}});
    f.riga({{QStringLiteral("Codice fiscale:"), testo(QStringLiteral("RF_DA_CodiceFiscale"), 17)}});
    f.riga(
        {{QStringLiteral("Denominazione:"), testo(QStringLiteral("RF_DA_Anagrafica_Denominazione"), -30)}});
    f.riga({{QStringLiteral("Nome:"), testo(QStringLiteral("RF_DA_Anagrafica_Nome"), -14)},
            {QStringLiteral("Cognome:"), testo(QStringLiteral("RF_DA_Anagrafica_Cognome"), -14)}});
    f.riga({{QStringLiteral("Titolo:"), testo(QStringLiteral("RF_DA_Anagrafica_Titolo"), 10)},
            {QStringLiteral("Cod. EORI:"), testo(QStringLiteral("RF_DA_Anagrafica_CodEORI"), 17)}});
    return dueColonne(pagina, {rea, so}, {rf});
}

QWidget* frmFEPassTest::paginaCessionario() {
    auto* pagina = new QWidget;
    auto* anagrafica = new QWidget(pagina);
    Righe a(anagrafica, true);
    a.riga({{QStringLiteral("Id Fiscale:"), testo(QStringLiteral("CC_DA_IdFiscaleIVA_IdPaese"), 3)},
            {{}, testo(QStringLiteral("CC_DA_IdFiscaleIVA_IdCodice"), 20)}});
    a.riga({{QStringLiteral("Codice fiscale:"), testo(QStringLiteral("CC_DA_CodiceFiscale"), 17)}});
    a.riga(
        {{QStringLiteral("Denominazione:"), testo(QStringLiteral("CC_DA_Anagrafica_Denominazione"), -30)}});
    a.riga({{QStringLiteral("Nome:"), testo(QStringLiteral("CC_DA_Anagrafica_Nome"), -14)},
            {QStringLiteral("Cognome:"), testo(QStringLiteral("CC_DA_Anagrafica_Cognome"), -14)}});
    a.riga({{QStringLiteral("Titolo:"), testo(QStringLiteral("CC_DA_Anagrafica_Titolo"), 10)},
            {QStringLiteral("Cod. EORI:"), testo(QStringLiteral("CC_DA_Anagrafica_CodEORI"), 17)}});

    const auto indirizzo = [this, pagina](const QString& titolo, const QString& prefisso) {
        auto* f = riquadro(titolo, pagina);
        Righe r(f);
        r.riga({{QStringLiteral("Indirizzo:"), testo(prefisso + QStringLiteral("Indirizzo"), -20)},
                {QStringLiteral("N. civico:"), testo(prefisso + QStringLiteral("NumeroCivico"), 8)}});
        r.riga({{QStringLiteral("CAP:"), testo(prefisso + QStringLiteral("CAP"), 5)},
                {QStringLiteral("Comune:"), testo(prefisso + QStringLiteral("Comune"), -14)},
                {QStringLiteral("Prov.:"), testo(prefisso + QStringLiteral("Provincia"), 3)},
                {QStringLiteral("Nazione:"), testo(prefisso + QStringLiteral("Nazione"), 3)}});
        return f;
    };
    auto* rf = riquadro(QStringLiteral("Rappresentante Fiscale"), pagina);
    Righe f(rf);
    f.riga({{QStringLiteral("Id Fiscale:"), testo(QStringLiteral("CC_RF_IdFiscaleIVA_IdPaese"), 3)},
            {{}, testo(QStringLiteral("CC_RF_IdFiscaleIVA_IdCodice"), 20)}});
    f.riga({{QStringLiteral("Denominazione:"), testo(QStringLiteral("CC_RF_Denominazione"), -30)}});
    f.riga({{QStringLiteral("Nome:"), testo(QStringLiteral("CC_RF_Nome"), -14)},
            {QStringLiteral("Cognome:"), testo(QStringLiteral("CC_RF_Cognome"), -14)}});
    QGroupBox* sede = indirizzo(QStringLiteral("Sede"), QStringLiteral("CC_Sede_"));
    QGroupBox* so = indirizzo(QStringLiteral("Stabile organizzazione"), QStringLiteral("CC_SO_"));

    return dueColonne(pagina, {anagrafica, rf}, {sede, so});
}

QWidget* frmFEPassTest::paginaDatiGenerali() {
    auto* pagina = new QWidget;
    const QString importo = QStringLiteral("#,###.^^");

    auto* documento = new QWidget(pagina);
    Righe d(documento, true);
    QLabel* descrTipo = nullptr;
    d.riga({{QStringLiteral("Tipo documento:"),
             codice(QStringLiteral("DGD_TipoDocumento"), 5, TipoRicerca::Decodifica,
                    QStringLiteral("FETipDoc"), &descrTipo)},
            {{}, descrTipo}});
    d.riga({{QStringLiteral("Divisa:"), testo(QStringLiteral("DGD_Divisa"), 4)},
            {QStringLiteral("Art 73:"), testo(QStringLiteral("DGD_Art73"), 3)}});
    d.riga({{QStringLiteral("Totale documento:"),
             testo(QStringLiteral("DGD_ImportoTotaleDocumento"), 15, importo)},
            {QStringLiteral("Arrotondamento:"), testo(QStringLiteral("DGD_Arrotondamento"), 12, importo)}});
    txtCausaleDoc = new QPlainTextEdit(this);
    txtCausaleDoc->setObjectName(QStringLiteral("txtDGD_Causale"));
    txtCausaleDoc->setTabChangesFocus(true);
    txtCausaleDoc->setFixedHeight(txtCausaleDoc->fontMetrics().lineSpacing() * 3 + 12);
    txtCausaleDoc->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    d.riga({{QStringLiteral("Causale:"), txtCausaleDoc}});
    d.riga({{QStringLiteral("Bollo virtuale:"), testo(QStringLiteral("DGD_DB_BolloVirtuale"), 3)},
            {QStringLiteral("Importo bollo:"), testo(QStringLiteral("DGD_DB_ImportoBollo"), 12, importo)}});
    d.riga({{QStringLiteral("Dati Veicoli: Data:"), data(QStringLiteral("DV_Data"))},
            {QStringLiteral("Totale percorso:"), testo(QStringLiteral("DV_TotalePercorso"), 15)}});

    FraRitenute = riquadro(QStringLiteral("Dati Ritenuta"), pagina);
    FraRitenute->setObjectName(QStringLiteral("FraRitenute"));
    Righe r(FraRitenute);
    ComAltreRit = new QPushButton(QStringLiteral("Altre ritenute"), this);
    ComAltreRit->setObjectName(QStringLiteral("ComAltreRit"));
    ComAltreRit->setAutoDefault(false);
    ComAltreRit->hide();
    QLabel* descrRit = nullptr;
    r.riga(
        {{QStringLiteral("Tipo:"), codice(QStringLiteral("DGD_DR_TipoRitenuta"), 5, TipoRicerca::Decodifica,
                                          QStringLiteral("FETipoRitenuta"), &descrRit)},
         {{}, descrRit}});
    r.riga({{QStringLiteral("Importo:"), testo(QStringLiteral("DGD_DR_ImportoRitenuta"), 12, importo)},
            {QStringLiteral("Aliquota:"), testo(QStringLiteral("DGD_DR_AliquotaRitenuta"), 7, importo)}});
    r.riga({{QStringLiteral("Causale pagamento:"),
             codice(QStringLiteral("DGD_DR_CausalePagamento"), 3, TipoRicerca::Decodifica,
                    QStringLiteral("FE770"), nullptr)},
            {{}, ComAltreRit}});

    auto* contabili = riquadro(QStringLiteral("Dati contabili"), pagina);
    Righe c(contabili);
    QLabel *descrMoneta = nullptr, *descrCausale = nullptr, *descrBanca = nullptr, *descrCassa = nullptr;
    c.riga({{QStringLiteral("Moneta:"),
             codice(QStringLiteral("Moneta"), 5, TipoRicerca::Moneta, {}, &descrMoneta)},
            {{}, descrMoneta}});
    c.riga({{QStringLiteral("Causale:"),
             codice(QStringLiteral("Causale"), 5, TipoRicerca::Causale, {}, &descrCausale)},
            {{}, descrCausale}});
    c.riga({{QStringLiteral("Prefisso protocollo:"), testo(QStringLiteral("PreProt"), 6)},
            {QStringLiteral("Prefisso documento:"), testo(QStringLiteral("PreDoc"), 6)}});
    c.riga(
        {{QStringLiteral("Banca:"), codice(QStringLiteral("Banca"), 5, TipoRicerca::Banca, {}, &descrBanca)},
         {{}, descrBanca}});
    c.riga({{QStringLiteral("Cassa previdenza:"),
             conto(QStringLiteral("|-|GruppoCassaPrev|MastroCassaPrev|ContoCassaPrev"), &descrCassa)},
            {{}, descrCassa}});
    return dueColonne(pagina, {documento}, {FraRitenute, contabili});
}

QWidget* frmFEPassTest::paginaTrasmissione() {
    auto* pagina = new QWidget;
    auto* file = new QWidget(pagina);
    Righe f(file, true);
    f.riga({{QStringLiteral("Nome File:"), testo(QStringLiteral("NomeFIle"), -30)}});
    f.riga({{QStringLiteral("Id Hub:"), testo(QStringLiteral("FEIDHub"), -30)}});
    f.riga({{QStringLiteral("Identificativo SDI:"), testo(QStringLiteral("identificativoSdi"), 20)}});
    f.riga({{QStringLiteral("Ufficio"), testo(QStringLiteral("Ufficio"), -20)}});

    auto* dt = riquadro(QStringLiteral("Dati trasmissione"), pagina);
    Righe t(dt);
    t.riga({{QStringLiteral("Id Trasmittente:"), testo(QStringLiteral("DT_IdTrasmittente_IdPaese"), 3)},
            {{}, testo(QStringLiteral("DT_IdTrasmittente_IdCodice"), 20)}});
    t.riga({{QStringLiteral("Progressivo invio:"), testo(QStringLiteral("DT_ProgressivoInvio"), 10)},
            {QStringLiteral("Formato trasmissione:"), testo(QStringLiteral("DT_FormatoTrasmissione"), 6)}});
    t.riga({{QStringLiteral("Destinatario:"), testo(QStringLiteral("DT_CodiceDestinatario"), 8)},
            {QStringLiteral("Trasm: Telefono:"),
             testo(QStringLiteral("DT_ContattiTrasmittente_Telefono"), 13)}});
    t.riga({{QStringLiteral("Email:"), testo(QStringLiteral("DT_ContattiTrasmittente_Email"), -24)}});
    t.riga({{QStringLiteral("PEC Destinat.:"), testo(QStringLiteral("DT_PECDestinatario"), -24)}});

    auto* tise = riquadro(QStringLiteral("Terzo Intermediario o Soggetto Emittente"), pagina);
    Righe e(tise);
    e.riga({{QStringLiteral("Id Fiscale:"), testo(QStringLiteral("TISE_DA_IdFiscaleIVA_IdPaese"), 3)},
            {{}, testo(QStringLiteral("TISE_DA_IdFiscaleIVA_IdCodice"), 20)}});
    e.riga({{QStringLiteral("Codice fiscale:"), testo(QStringLiteral("TISE_DA_CodiceFiscale"), 17)}});
    e.riga(
        {{QStringLiteral("Denominazione:"), testo(QStringLiteral("TISE_DA_Anagrafica_Denominazione"), -30)}});
    e.riga({{QStringLiteral("Nome:"), testo(QStringLiteral("TISE_DA_Anagrafica_Nome"), -14)},
            {QStringLiteral("Cognome:"), testo(QStringLiteral("TISE_DA_Anagrafica_Cognome"), -14)}});
    e.riga({{QStringLiteral("Titolo:"), testo(QStringLiteral("TISE_DA_Anagrafica_Titolo"), 10)},
            {QStringLiteral("Cod. EORI:"), testo(QStringLiteral("TISE_DA_Anagrafica_CodEORI"), 17)}});
    e.riga({{QStringLiteral("Soggetto Emittente:"), testo(QStringLiteral("SoggettoEmittente"), 3)}});
    return dueColonne(pagina, {file, dt}, {tise});
}

QWidget* frmFEPassTest::paginaTrasporto() {
    auto* pagina = new QWidget;
    const QString importo = QStringLiteral("#,###.^^");

    auto* vettore = riquadro(QStringLiteral("Dati Anagrafici Vettore"), pagina);
    Righe v(vettore);
    v.riga({{QStringLiteral("Id Fiscale:"), testo(QStringLiteral("DGD_DT_DAV_IdFiscaleIVA_IdPaese"), 3)},
            {{}, testo(QStringLiteral("DGD_DT_DAV_IdFiscaleIVA_IdCodice"), 20)}});
    v.riga({{QStringLiteral("Codice fiscale:"), testo(QStringLiteral("DGD_DT_DAV_CodiceFiscale"), 17)}});
    v.riga({{QStringLiteral("Denominazione:"),
             testo(QStringLiteral("DGD_DT_DAV_Anagrafica_Denominazione"), -30)}});
    v.riga({{QStringLiteral("Nome:"), testo(QStringLiteral("DGD_DT_DAV_Anagrafica_Nome"), -14)},
            {QStringLiteral("Cognome:"), testo(QStringLiteral("DGD_DT_DAV_Anagrafica_Cognome"), -14)}});
    v.riga({{QStringLiteral("Titolo:"), testo(QStringLiteral("DGD_DT_DAV_Anagrafica_Titolo"), 10)},
            {QStringLiteral("Cod. EORI:"), testo(QStringLiteral("DGD_DT_DAV_Anagrafica_CodEORI"), 17)}});
    v.riga({{QStringLiteral("Numero Licenza Guida:"),
             testo(QStringLiteral("DGD_DT_DAV_NumeroLicenzaGuida"), 20)}});

    auto* resa = riquadro(QStringLiteral("Indirizzo resa"), pagina);
    Righe r(resa);
    r.riga({{QStringLiteral("Indirizzo:"), testo(QStringLiteral("DGD_DT_IR_Indirizzo"), -20)},
            {QStringLiteral("N. civico:"), testo(QStringLiteral("DGD_DT_IR_NumeroCivico"), 8)}});
    r.riga({{QStringLiteral("CAP:"), testo(QStringLiteral("DGD_DT_IR_CAP"), 5)},
            {QStringLiteral("Comune:"), testo(QStringLiteral("DGD_DT_IR_Comune"), -14)},
            {QStringLiteral("Prov.:"), testo(QStringLiteral("DGD_DT_IR_Provincia"), 3)},
            {QStringLiteral("Nazione:"), testo(QStringLiteral("DGD_DT_IR_Nazione"), 3)}});

    auto* trasporto = new QWidget(pagina);
    Righe t(trasporto, true);
    t.riga({{QStringLiteral("Mezzo trasporto"), testo(QStringLiteral("DGD_DT_MezzoTrasporto"), -24)}});
    t.riga({{QStringLiteral("Causale trasp.:"), testo(QStringLiteral("DGD_DT_CausaleTrasporto"), -24)}});
    t.riga({{QStringLiteral("Num Colli:"), testo(QStringLiteral("DGD_DT_NumeroColli"), 10, importo)},
            {QStringLiteral("Unità misura peso:"), testo(QStringLiteral("DGD_DT_UnitaMisuraPeso"), 8)}});
    t.riga({{QStringLiteral("Descrizione:"), testo(QStringLiteral("DGD_DT_Descrizione"), -24)}});
    t.riga({{QStringLiteral("Peso lordo:"), testo(QStringLiteral("DGD_DT_PesoLordo"), 12, importo)},
            {QStringLiteral("Peso netto:"), testo(QStringLiteral("DGD_DT_PesoNetto"), 12, importo)}});
    t.riga({{QStringLiteral("Data e ora ritiro;"), dataOra(QStringLiteral("DGD_DT_DataOraRitiro"))}});
    t.riga({{QStringLiteral("Data inizio trasp.:"), data(QStringLiteral("DGD_DT_DataInizioTrasporto"))}});
    t.riga({{QStringLiteral("Data e ora consegna:"), dataOra(QStringLiteral("DGD_DT_DataOraConsegna"))}});
    t.riga({{QStringLiteral("Tipo resa:"), testo(QStringLiteral("DGD_DT_TipoResa"), 4)}});
    return dueColonne(pagina, {vettore, resa}, {trasporto});
}

// ---------------------------------------------------------------------------------------------
// Key row, header strip, grids

QWidget* frmFEPassTest::striscia() {
    auto* w = new QFrame(this);
    w->setObjectName(QStringLiteral("FraTestata"));
    w->setFrameShape(QFrame::StyledPanel);
    auto* g = new QGridLayout(w);
    g->setContentsMargins(8, 4, 8, 4);
    g->setVerticalSpacing(4);

    // Key: year with its first/last buttons, and the number.
    txtAnno = new QLineEdit(this);
    txtAnno->setObjectName(QStringLiteral("txtXmlAnno"));
    txtAnno->setFixedWidth(txtAnno->fontMetrics().averageCharWidth() * 5 + 14);
    txtNumRif = new QLineEdit(this);
    txtNumRif->setObjectName(QStringLiteral("txtXmlNumRif"));
    txtNumRif->setFixedWidth(txtNumRif->fontMetrics().averageCharWidth() * 9 + 14);
    scheda_->RegistraChiave(txtAnno, QStringLiteral("XmlAnno"));
    scheda_->RegistraChiave(txtNumRif, QStringLiteral("XmlNumRif"));
    const std::array<QStyle::StandardPixmap, 2> icone{QStyle::SP_MediaSkipBackward,
                                                      QStyle::SP_MediaSkipForward};
    for (int i = 0; i < 2; ++i) {
        ComAnno[i] = new QPushButton(this);
        ComAnno[i]->setObjectName(QStringLiteral("ComAnno_%1").arg(i));
        ComAnno[i]->setIcon(style()->standardIcon(icone[i]));
        ComAnno[i]->setToolTip(QStringLiteral("Inizio/Fine Anno"));
        ComAnno[i]->setFocusPolicy(Qt::NoFocus);
        ComAnno[i]->setAutoDefault(false);
        connect(ComAnno[i], &QPushButton::clicked, this, [this, i] { comAnno(i); });
    }

    // Document number, dates and flags.
    QLineEdit* numero = testo(QStringLiteral("DGD_Numero"), 16);
    QLineEdit* dataDoc = data(QStringLiteral("DGD_Data"));
    QWidget* ricevuto = dataOra(QStringLiteral("DataRicSdi"));
    labFornitore = new QLabel(this);
    labFornitore->setObjectName(QStringLiteral("labFornitore"));
    labFornitore->setTextFormat(Qt::PlainText);
    labFornitore->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    const auto bandierina = [this](const QString& testo) {
        auto* l = new QLabel(testo, this);
        l->setObjectName(QStringLiteral("lab") + testo);
        l->setStyleSheet(QStringLiteral("QLabel { color: white; background: #2f6f4f; padding: 2px 8px;"
                                        " border-radius: 3px; font-weight: bold; }"));
        l->hide();
        return l;
    };
    labAccesso = new QLabel(this);
    labAccesso->setObjectName(QStringLiteral("labAccesso"));
    labAccesso->setStyleSheet(QStringLiteral("QLabel { color: white; background: #a03030; padding: 2px 8px;"
                                             " border-radius: 3px; font-weight: bold; }"));
    labAccesso->hide();
    labStampato = bandierina(QStringLiteral("Stampato"));
    labContabilizzato = bandierina(QStringLiteral("Contabilizzato"));
    // The flags travel with the record in hidden fields the user never edits.
    txtStampato_ = new QLineEdit(this);
    txtStampato_->setObjectName(QStringLiteral("txtStampato"));
    txtStampato_->hide();
    txtContabilizzato_ = new QLineEdit(this);
    txtContabilizzato_->setObjectName(QStringLiteral("txtContabilizzato"));
    txtContabilizzato_->hide();
    scheda_->RegistraCampo(txtStampato_, QStringLiteral("Stampato")).soloLettura();
    scheda_->RegistraCampo(txtContabilizzato_, QStringLiteral("Contabilizzato")).soloLettura();

    const auto etichetta = [this](const QString& t, QWidget* compagno) {
        auto* l = new QLabel(t, this);
        l->setBuddy(compagno);
        return l;
    };
    auto* chiave = new QHBoxLayout;
    chiave->setSpacing(6);
    chiave->addWidget(txtAnno);
    chiave->addWidget(ComAnno[0]);
    chiave->addWidget(ComAnno[1]);
    chiave->addSpacing(16);
    chiave->addWidget(etichetta(QStringLiteral("Numero Registrazione:"), txtNumRif));
    chiave->addWidget(txtNumRif);
    chiave->addSpacing(16);
    chiave->addWidget(etichetta(QStringLiteral("Fattura num.:"), numero));
    chiave->addWidget(numero);
    chiave->addWidget(etichetta(QStringLiteral("del:"), dataDoc));
    chiave->addWidget(dataDoc);
    chiave->addSpacing(16);
    chiave->addWidget(etichetta(QStringLiteral("Ricevuto il:"), ricevuto));
    chiave->addWidget(ricevuto);
    chiave->addStretch(1);
    chiave->addWidget(labStampato);
    chiave->addWidget(labContabilizzato);

    g->addWidget(etichetta(QStringLiteral("Anno:"), txtAnno), 0, 0);
    g->addLayout(chiave, 0, 1);
    g->addWidget(new QLabel(QStringLiteral("Fornitore:"), this), 1, 0);
    auto* fornitore = new QHBoxLayout;
    fornitore->addWidget(labFornitore, 1);
    fornitore->addWidget(labAccesso);
    g->addLayout(fornitore, 1, 1);
    g->setColumnStretch(1, 1);
    return w;
}

QWidget* frmFEPassTest::griglie() {
    auto* w = new QWidget(this);
    auto* v = new QVBoxLayout(w);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    const auto griglia = [this](const QString& nome, ModelloRighe* m) {
        auto* g = new QTableView(this);
        g->setObjectName(nome);
        g->setModel(m);
        g->setEditTriggers(QAbstractItemView::NoEditTriggers);
        g->setSelectionBehavior(QAbstractItemView::SelectRows);
        g->setSelectionMode(QAbstractItemView::SingleSelection);
        g->setAlternatingRowColors(true);
        g->setTabKeyNavigation(false); // read-only: Tab moves on to the next control
        g->verticalHeader()->setVisible(false);
        g->verticalHeader()->setDefaultSectionSize(g->fontMetrics().height() + 6);
        g->horizontalHeader()->setHighlightSections(false);
        g->horizontalHeader()->setStretchLastSection(true);
        return g;
    };
    DatDett = new ModelloRighe(this);
    DatPagam = new ModelloRighe(this);
    dbgDett = griglia(QStringLiteral("dbgDett"), DatDett);
    dbgPagam = griglia(QStringLiteral("dbgPagam"), DatPagam);
    const auto titolo = [this](const QString& t) {
        auto* l = new QLabel(t, this);
        QFont f = l->font();
        f.setBold(true);
        l->setFont(f);
        return l;
    };
    v->addWidget(titolo(QStringLiteral("Linee di dettaglio")));
    auto* righe = new QHBoxLayout;
    righe->setSpacing(6);
    righe->addWidget(dbgDett, 1);
    righe->addWidget(totali(), 0, Qt::AlignTop);
    v->addLayout(righe, 3);
    v->addWidget(titolo(QStringLiteral("Dettaglio pagamenti")));
    v->addWidget(dbgPagam, 2);
    return w;
}

void frmFEPassTest::costruisci() {
    tolComPag = scheda_->barraComandi();
    staMessaggi = scheda_->barraStato();

    QWidget* testata = striscia();

    TasPagine = new QTabWidget(this);
    TasPagine->setObjectName(QStringLiteral("TasPagine"));
    struct Pagina {
        QWidget* w;
        const char* titolo;
        const char* chiave;
        const char* suggerimento;
    };
    const std::array<Pagina, 6> pagine{{
        {paginaCedente(), "(1) Cedente (Fornitore)", "Cedente", "1 - Cedente (Fornitore)"},
        {paginaCedenteAltro(), "(2) Cedente (altro)", "CedenteAltro", "2 - Cedente (altri dati)"},
        {paginaCessionario(), "(3) Cessionario (Cliente)", "Cessionario", "3 - Cessionario (Cliente)"},
        {paginaDatiGenerali(), "(4) Dati Generali Documento", "DatiGeneraliDocumento",
         "4 - Dati Generali Documento"},
        {paginaTrasmissione(), "(5) InfoTrasmissione", "InfoTrasmissione", "5 - Info Trasmissione"},
        {paginaTrasporto(), "(6) Dati Trasporto", "DatiTrasporto", "6 - Dati Trasporto"},
    }};
    for (const Pagina& p : pagine) {
        p.w->setObjectName(QString::fromLatin1(p.chiave));
        const int i = TasPagine->addTab(p.w, QString::fromUtf8(p.titolo));
        TasPagine->setTabToolTip(i, QString::fromUtf8(p.suggerimento));
    }
    scheda_->RegistraCampo(txtCausaleDoc, QStringLiteral("DGD_Causale"));

    auto* divisore = new QSplitter(Qt::Vertical, this);
    divisore->setObjectName(QStringLiteral("divisore"));
    divisore->setChildrenCollapsible(false);
    divisore->addWidget(TasPagine);
    divisore->addWidget(griglie());
    divisore->setStretchFactor(0, 0);
    divisore->setStretchFactor(1, 1);

    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(6, 0, 6, 0);
    v->setSpacing(4);
    v->addWidget(tolComPag);
    v->addWidget(testata);
    v->addWidget(divisore, 1);
    v->addWidget(staMessaggi);
}

} // namespace tesel::ui
