#include "review/forms/frmfepasspagam.h"

#include "frame/contesto.h"
#include "review/revisione.h"
#include "store/store.h"
#include "ui/insiemecampi.h"
#include "ui/paginarighe.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVBoxLayout>

namespace tesel::ui {

namespace {

// One page: "label: field" rows in a grid, the description of a coded field beside it.
class PaginaCampi {
public:
    explicit PaginaCampi(QWidget* pagina) : g_(new QGridLayout(pagina)) {
        g_->setContentsMargins(10, 8, 10, 8);
        g_->setHorizontalSpacing(8);
        g_->setVerticalSpacing(5);
        g_->setColumnStretch(1, 1);
    }
    void riga(const QString& testo, QWidget* campo, QWidget* accanto = nullptr) {
        auto* l = new QLabel(testo);
        l->setBuddy(campo);
        g_->addWidget(l, r_, 0);
        if (accanto) {
            // A code's description right beside it, as wide as a long field.
            auto* h = new QHBoxLayout;
            h->setSpacing(6);
            h->addWidget(campo);
            accanto->setMaximumWidth(accanto->fontMetrics().averageCharWidth() * 60);
            h->addWidget(accanto, 1);
            h->addStretch(0);
            g_->addLayout(h, r_, 1);
        } else {
            g_->addWidget(campo, r_, 1, Qt::AlignLeft);
        }
        ++r_;
    }
    void fine() { g_->setRowStretch(r_, 1); }

private:
    QGridLayout* g_;
    int r_ = 0;
};

} // namespace

frmFEPassPagam::frmFEPassPagam(Contesto& contesto, ChiaveFattura fattura, qint64 riga, QWidget* padre)
    : FormRigheFattura(contesto, fattura, QString(store::FatXmlPag),
                       QStringLiteral("Fatture Passive - Dati Pagamenti"), padre) {
    setObjectName(QStringLiteral("frmFEPassPagam"));
    costruisci();
    // Payment rows are corrected, never added, deleted or duplicated: posting reads them as
    // the supplier wrote them.
    soloCorrezione();
    avvia(riga);
}

frmFEPassPagam::~frmFEPassPagam() = default;

void frmFEPassPagam::costruisci() {
    QLabel* l = nullptr;
    const QString importo = QStringLiteral("#,##0.^^");

    // Above the tabs: the payment condition and the suite's payment type.
    auto* h = new QHBoxLayout(fisso_);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(12);
    h->addWidget(gruppoOpzioni(QStringLiteral("Condizioni Pagamento:"), QStringLiteral("CondizioniPagamento"),
                               {{QStringLiteral("A rate"), QStringLiteral("TP01")},
                                {QStringLiteral("Completo"), QStringLiteral("TP02")},
                                {QStringLiteral("Anticipo"), QStringLiteral("TP03")}}));
    QLineEdit* tipo = codice(QStringLiteral("PagTipo"), 8, {TipoRicerca::PagTipo}, &l);
    auto* et = new QLabel(QStringLiteral("Tipo pagamento:"), fisso_);
    et->setBuddy(tipo);
    h->addWidget(et);
    h->addWidget(tipo);
    l->setMinimumWidth(l->fontMetrics().averageCharWidth() * 30);
    h->addWidget(l, 1);

    // The "Due date and amount" page
    QWidget* p1 = aggiungiPagina(QStringLiteral("(&1) Scadenza"), QStringLiteral("Scadenza"),
                                 QStringLiteral("(1) - Data e importo scadenza"));
    PaginaCampi a(p1);
    QLineEdit* modalita = codice(QStringLiteral("ModalitaPagamento"), 6,
                                 {TipoRicerca::Decodifica, QStringLiteral("FEModPag")}, &l);
    a.riga(QStringLiteral("Modalità Pagamento:"), modalita, l);
    a.riga(QStringLiteral("Data Scadenza Pagam.:"), data(QStringLiteral("DataScadenzaPagamento")));
    a.riga(QStringLiteral("Data Riferimento Pagam.:"),
           data(QStringLiteral("DataRiferimentoTerminiPagamento")));
    a.riga(QStringLiteral("Giorni Termini Pagamento:"), testo(QStringLiteral("GiorniTerminiPagamento"), 6));
    a.riga(QStringLiteral("Importo Pagamento:"), testo(QStringLiteral("ImportoPagamento"), 14, importo));
    a.riga(QStringLiteral("Codice Pagamento:"), testo(QStringLiteral("CodicePagamento"), 32));
    a.riga(QStringLiteral("Beneficiario:"), testo(QStringLiteral("Beneficiario"), 50));
    QLineEdit* assoSoftware =
        codice(QStringLiteral("AFETipPag"), 6, {TipoRicerca::Decodifica, QStringLiteral("AFETipPag")}, &l);
    a.riga(QStringLiteral("Cod.Assosoftware tipo pag:"), assoSoftware, l);
    a.fine();

    // The "Bank and receipt" page
    QWidget* p2 = aggiungiPagina(QStringLiteral("(&2) Coordinate pagamento"), QStringLiteral("Coordinate"),
                                 QStringLiteral("(2) Coordinate pagamento"));
    PaginaCampi b(p2);
    b.riga(QStringLiteral("Istituto Finanziario:"), testo(QStringLiteral("IstitutoFinanziario"), 50));
    b.riga(QStringLiteral("IBAN:"), testo(QStringLiteral("IBAN"), 34));
    b.riga(QStringLiteral("ABI:"), testo(QStringLiteral("ABI"), 6));
    b.riga(QStringLiteral("CAB:"), testo(QStringLiteral("CAB"), 6));
    b.riga(QStringLiteral("BIC:"), testo(QStringLiteral("BIC"), 12));
    b.riga(QStringLiteral("Codice Ufficio Postale:"), testo(QStringLiteral("CodUfficioPostale"), 20));
    b.riga(QStringLiteral("Cognome Quietanzante:"), testo(QStringLiteral("CognomeQuietanzante"), 40));
    b.riga(QStringLiteral("Nome Quietanzante:"), testo(QStringLiteral("NomeQuietanzante"), 40));
    b.riga(QStringLiteral("Codice fiscale Quietanzante:"), testo(QStringLiteral("CFQuietanzante"), 17));
    b.riga(QStringLiteral("Titolo Quietanzante:"), testo(QStringLiteral("TitoloQuietanzante"), 10));
    b.fine();

    // The "Early payment and late payment" page
    QWidget* p3 =
        aggiungiPagina(QStringLiteral("(&3) Spostamento data pagamento"), QStringLiteral("Spostamento"),
                       QStringLiteral("(3) Spostamento data pagamento"));
    PaginaCampi c(p3);
    c.riga(QStringLiteral("Sconto Pagamento Anticipato:"),
           testo(QStringLiteral("ScontoPagamentoAnticipato"), 14, importo));
    c.riga(QStringLiteral("Data Limite Pagamento Anticipato:"),
           data(QStringLiteral("DataLimitePagamentoAnticipato")));
    c.riga(QStringLiteral("Penalita Pagamenti Ritardati:"),
           testo(QStringLiteral("PenalitaPagamentiRitardati"), 14, importo));
    c.riga(QStringLiteral("Data Decorrenza Penale:"), data(QStringLiteral("DataDecorrenzaPenale")));
    c.fine();
}

bool frmFEPassPagam::controllaCoordinata(const QString& colonna) {
    CampoScheda* c = pagina_->campoColonna(colonna);
    if (!c)
        return true;
    const QString errore = review::erroreCoordinata(colonna, c->testo());
    if (errore.isEmpty())
        return true;
    pagina_->campi().rifiuta(*c, errore);
    return false;
}

bool frmFEPassPagam::controlloCampo(QWidget* w) {
    if (!FormRigheFattura::controlloCampo(w))
        return false;
    const CampoScheda* c = pagina_->campo(w);
    return !c || controllaCoordinata(c->registrazione());
}

void frmFEPassPagam::prima(int passo, bool& annulla) {
    FormRigheFattura::prima(passo, annulla);
    if (passo != PassoControllo || annulla)
        return;
    for (const char* colonna : {"IBAN", "ABI", "CAB"})
        if (!controllaCoordinata(QLatin1String(colonna))) {
            pagina_->campoColonna(QLatin1String(colonna))->widget()->setFocus(Qt::OtherFocusReason);
            annulla = true;
            return;
        }
}

QString frmFEPassPagam::prepSql() const {
    return QStringLiteral(
               "Select XmlAnno, XmlNumRif, XmlRigDet, NumCond, CondizioniPagamento, PagTipo, "
               "ModalitaPagamento, DataScadenzaPagamento, DataRiferimentoTerminiPagamento, "
               "GiorniTerminiPagamento, ImportoPagamento, Beneficiario, CodicePagamento, AFETipPag, "
               "IstitutoFinanziario, IBAN, ABI, CAB, BIC, CodUfficioPostale, CognomeQuietanzante, "
               "NomeQuietanzante, CFQuietanzante, TitoloQuietanzante, ScontoPagamentoAnticipato, "
               "DataLimitePagamentoAnticipato, PenalitaPagamentiRitardati, DataDecorrenzaPenale") +
           QStringLiteral(" FROM ") + QString(store::FatXmlPag) +
           condizioneFattura(QString(store::FatXmlPag)) + QStringLiteral(" Order BY ") +
           QStringLiteral("FatXmlPag.XmlRigDet") + QStringLiteral(", NumCond");
}

void frmFEPassPagam::persColonne() {
    static const ColonnaGriglia colonne[] = {
        {"XmlRigDet", "Pag.", 600},
        {"NumCond", "Num.", 600},
        {"CondizioniPagamento", "Condizioni", 1100},
        {"PagTipo", "Tipo", 800},
        {"ModalitaPagamento", "Modalità", 1000},
        {"DataScadenzaPagamento", "DataScadenza", 1600},
        {"DataRiferimentoTerminiPagamento", "DataRiferimentoTermini", 2700},
        {"GiorniTerminiPagamento", "GiorniTermini", 1300},
        {"ImportoPagamento", "Importo", 1500},
        {"Beneficiario", "Beneficiario", 2400},
        {"CodicePagamento", "Codice", 1600},
        {"AFETipPag", "Cod.AssoSoftware", 1900},
        {"IstitutoFinanziario", "Istituto Finanziario", 2900},
        {"IBAN", "IBAN", 3300},
        {"ABI", "ABI", 700},
        {"CAB", "CAB", 700},
        {"BIC", "BIC", 1300},
    };
    impostaColonne({"XmlAnno", "XmlNumRif"}, colonne);
    pagina_->formatoColonna(QStringLiteral("ImportoPagamento"), QStringLiteral("#,##0.00"));
    pagina_->formatoColonna(QStringLiteral("ScontoPagamentoAnticipato"), QStringLiteral("#,##0.00"));
    pagina_->formatoColonna(QStringLiteral("PenalitaPagamentiRitardati"), QStringLiteral("#,##0.00"));
}

bool apriPagamentiFattura(Contesto& contesto, QWidget* padre, ChiaveFattura fattura, qint64 riga,
                          const QString& soloConsultazione) {
    frmFEPassPagam form(contesto, fattura, riga, padre);
    if (!soloConsultazione.isEmpty())
        form.soloConsultazione(soloConsultazione);
    form.exec();
    return form.salvato();
}

} // namespace tesel::ui
