#include "review/forms/frmfepassdett.h"

#include "anagrafica/codici.h"
#include "frame/configurazione.h"
#include "frame/contesto.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "posting/righeiva.h"
#include "review/totali.h"
#include "store/store.h"
#include "ui/barrecomandi.h"
#include "ui/descrizionecodice.h"
#include "ui/insiemecampi.h"
#include "ui/msgcom.h"
#include "ui/paginarighe.h"
#include "ui/validatori.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>

namespace tesel::ui {

namespace {

// Rows of "label: field" pairs: the first label and field of every row line up in two grid
// columns, further pairs follow on the same row.
class Righe {
public:
    explicit Righe(QWidget* contenitore, int margine = 8) : g_(new QGridLayout(contenitore)) {
        g_->setColumnStretch(1, 1);
        g_->setVerticalSpacing(5);
        g_->setHorizontalSpacing(8);
        g_->setContentsMargins(margine, margine - 2, margine, margine - 2);
    }

    void riga(std::initializer_list<std::pair<QString, QWidget*>> coppie) {
        auto* h = new QHBoxLayout;
        h->setSpacing(6);
        bool primo = true;
        bool elastico = false;
        for (const auto& [testo, w] : coppie) {
            if (!testo.isEmpty()) {
                auto* l = new QLabel(testo);
                l->setBuddy(w);
                if (primo) {
                    g_->addWidget(l, r_, 0, Qt::AlignLeft | Qt::AlignTop);
                    l->setMinimumHeight(QLineEdit().sizeHint().height());
                } else {
                    h->addSpacing(10);
                    h->addWidget(l);
                }
            }
            primo = false;
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

// Two columns of field blocks side by side, packed at the top of a page.
void dueColonne(QWidget* pagina, QWidget* sinistra, QWidget* destra) {
    auto* h = new QHBoxLayout(pagina);
    h->setContentsMargins(4, 4, 4, 4);
    h->setSpacing(12);
    h->addWidget(sinistra, 1, Qt::AlignTop);
    h->addWidget(destra, 1, Qt::AlignTop);
}

// "#,##0" with the company's decimals for quantities or prices.
QString formatoDecimali(ParametriAzienda& p, const QString& parametro) {
    bool ok = false;
    const int n = p.leggi(parametro, QStringLiteral("2")).trimmed().toInt(&ok);
    const int decimali = ok ? std::clamp(n, 0, 4) : 2;
    return decimali == 0 ? QStringLiteral("#,##0") : QStringLiteral("#,##0.") + QString(decimali, u'0');
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The line form

frmFEPassDett::frmFEPassDett(Contesto& contesto, ChiaveFattura fattura, qint64 riga, QWidget* padre)
    : FormRigheFattura(contesto, fattura, QString(store::FatXmlDett),
                       QStringLiteral("Fatture Passive - Dati Righe di Dettaglio"), padre) {
    setObjectName(QStringLiteral("frmFEPassDett"));
    formatoQuantita_ = formatoDecimali(contesto.parametri, QStringLiteral("Ditta.DecQuantita"));
    formatoPrezzo_ = formatoDecimali(contesto.parametri, QStringLiteral("Ditta.DecPrezzi"));
    costruisci();
    // The texts as the file wrote them are evidence, not data to correct.
    for (const char* colonna : {"QuantitaStr", "PrezzoUnitarioStr", "PrezzoTotaleStr", "SM_ImportoStr"})
        if (CampoScheda* c = pagina_->campoColonna(QLatin1String(colonna)))
            c->soloLettura();
    // Lines are corrected here, never added, deleted or duplicated.
    soloCorrezione();
    avvia(riga);
}

frmFEPassDett::~frmFEPassDett() = default;

void frmFEPassDett::costruisci() {
    QLabel* l = nullptr;
    const QString importo = QStringLiteral("#,##0.^^");

    // The "Article" page
    QWidget* p1 = aggiungiPagina(QStringLiteral("(&1) Articolo"), QStringLiteral("Articolo"),
                                 QStringLiteral("(1) - Dati articolo"));
    auto* sx = new QWidget(p1);
    auto* dx = new QWidget(p1);
    Righe a(sx, 4);
    a.riga({{QStringLiteral("Numero Linea:"), testo(QStringLiteral("NumeroLinea"), 7)},
            {QStringLiteral("Tipo riga:"), testo(QStringLiteral("TipoRiga"), 5)}});
    a.riga({{QStringLiteral("Codice Articolo: Tipo::"), testo(QStringLiteral("CA_CodiceTipo"), -10)},
            {QStringLiteral("Valore:"), testo(QStringLiteral("CA_CodiceValore"), -14)}});
    RichiestaRicerca articoli{TipoRicerca::Articolo};
    soloArticoliAttivi_ = contesto_.parametri.leggi(QStringLiteral("Art.NoDecInattivi"))
                              .trimmed()
                              .compare(QStringLiteral("S"), Qt::CaseInsensitive) == 0;
    if (soloArticoliAttivi_)
        articoli.condizione = condizioneArticoliAttivi();
    QLineEdit* articolo = codice(QStringLiteral("Articolo"), 16, articoli, &l);
    a.riga({{QStringLiteral("Norvale:"), articolo}, {{}, l}});
    a.riga({{QStringLiteral("Descrizione:"), testoLungo(QStringLiteral("Descrizione"), 3)}});
    QLineEdit* cp = conto(QStringLiteral("|-|GruppoCPartita|MastroCPartita|ContoCPartita"),
                          QStringLiteral("Conto Partita"), &l);
    a.riga({{QStringLiteral("Contropartita:"), cp}, {{}, l}});
    a.fine();

    Righe b(dx, 4);
    b.riga({{QStringLiteral("Quantità:"), testo(QStringLiteral("Quantita"), 14, importo)},
            {QStringLiteral("Testo qta su file xml:"), testo(QStringLiteral("QuantitaStr"), 14)}});
    b.riga({{QStringLiteral("Unità di misura:"), testo(QStringLiteral("UnitaMisura"), 8)}});
    b.riga({{QStringLiteral("Prezzo unitario:"), testo(QStringLiteral("PrezzoUnitario"), 14, importo)},
            {QStringLiteral("Testo prz unitario su file xml:"),
             testo(QStringLiteral("PrezzoUnitarioStr"), 14)}});
    b.riga({{QStringLiteral("Prezzo totale:"), testo(QStringLiteral("PrezzoTotale"), 14, importo)},
            {QStringLiteral("Testo prz totale su file xml:"), testo(QStringLiteral("PrezzoTotaleStr"), 14)}});
    b.riga({{QStringLiteral("Numivadoppia:"), testo(QStringLiteral("NumIvaDoppia"), 7)}});
    QLineEdit* iva = codice(QStringLiteral("Iva"), 8, {TipoRicerca::Iva}, &l);
    b.riga({{QStringLiteral("Codice iva:"), iva}, {{}, l}});
    b.riga(
        {{QStringLiteral("Aliquota:"), testo(QStringLiteral("AliquotaIVA"), 8, QStringLiteral("##0.^^"))}});
    QLineEdit* natura =
        codice(QStringLiteral("Natura"), 6, {TipoRicerca::Decodifica, QStringLiteral("FENatura")}, &l);
    b.riga({{QStringLiteral("Natura:"), natura}, {{}, l}});
    b.fine();
    dueColonne(p1, sx, dx);

    // The "Other information" page
    QWidget* p2 = aggiungiPagina(QStringLiteral("(&2) Altre Informazioni"), QStringLiteral("Altre"),
                                 QStringLiteral("(2) - Altre Informazioni"));
    auto* sx2 = new QWidget(p2);
    auto* dx2 = new QWidget(p2);
    auto* v2 = new QVBoxLayout(sx2);
    v2->setContentsMargins(4, 4, 4, 4);
    v2->addWidget(gruppoOpzioni(QStringLiteral("Tipo Cessione Prestazione"),
                                QStringLiteral("TipoCessionePrestazione"),
                                {{QStringLiteral("Sconto"), QStringLiteral("SC")},
                                 {QStringLiteral("Premio"), QStringLiteral("PR")},
                                 {QStringLiteral("Abbuono"), QStringLiteral("AB")},
                                 {QStringLiteral("Spesa Accessoria"), QStringLiteral("AC")}}));
    auto* campi2 = new QWidget(sx2);
    Righe c(campi2, 0);
    c.riga({{QStringLiteral("Riferimento amministrazione:"),
             testo(QStringLiteral("RiferimentoAmministrazione"), 22)}});
    c.riga({{QStringLiteral("Data inizio periodo:"), data(QStringLiteral("DataInizioPeriodo"))},
            {QStringLiteral("Data fine periodo:"), data(QStringLiteral("DataFinePeriodo"))}});
    c.riga({{{},
             casella(QStringLiteral("Soggetto a ritenuta d'acconto"), QStringLiteral("Ritenuta"),
                     QStringLiteral("SI"), QString())}});
    v2->addWidget(campi2);
    v2->addStretch(1);

    auto* v2d = new QVBoxLayout(dx2);
    v2d->setContentsMargins(4, 4, 4, 4);
    GruppoOpzioni* sm = gruppoOpzioni(QStringLiteral("Sconto / Maggiorazione"), QStringLiteral("SM_Tipo"),
                                      {{QStringLiteral("Sconto"), QStringLiteral("SC")},
                                       {QStringLiteral("Maggiorazione"), QStringLiteral("MG")}});
    auto* campiSm = new QWidget(sm);
    Righe d(campiSm, 0);
    // The percentages of all the line's discounts are kept joined by "+" ("10+5"): a text.
    QLineEdit* perc = testo(QStringLiteral("SM_Percentuale"), 14);
    d.riga({{QStringLiteral("Percentuale:"), perc}});
    d.riga({{QStringLiteral("Importo:"), testo(QStringLiteral("SM_Importo"), 14, importo)},
            {QStringLiteral("Testo importo su file xml:"), testo(QStringLiteral("SM_ImportoStr"), 14)}});
    qobject_cast<QVBoxLayout*>(sm->layout())->addWidget(campiSm);
    v2d->addWidget(sm);
    v2d->addStretch(1);
    dueColonne(p2, sx2, dx2);

    // The "Internal use" page
    QWidget* p3 = aggiungiPagina(QStringLiteral("(&3) Uso interno"), QStringLiteral("Interno"),
                                 QStringLiteral("(3) - Uso interno"));
    auto* spesa = new QGroupBox(QStringLiteral("Tipo Spesa"), p3);
    spesa->setObjectName(QStringLiteral("fraTipoSpesa"));
    auto* hs = new QHBoxLayout(spesa);
    hs->setContentsMargins(8, 4, 8, 6);
    hs->setSpacing(14);
    hs->addWidget(casella(QStringLiteral("Trasporto"), QStringLiteral("SpesaTrasporto"), QStringLiteral("S"),
                          QStringLiteral("N")));
    hs->addWidget(casella(QStringLiteral("Bollo"), QStringLiteral("SpesaBollo"), QStringLiteral("S"),
                          QStringLiteral("N")));
    hs->addWidget(casella(QStringLiteral("Incasso"), QStringLiteral("SpesaIncasso"), QStringLiteral("S"),
                          QStringLiteral("N")));
    hs->addStretch(1);
    GruppoOpzioni* kit = gruppoOpzioni(
        QStringLiteral("Kit Padre / Figlio"), QStringLiteral("KitPadreFiglio"),
        {{QStringLiteral("Padre"), QStringLiteral("P")}, {QStringLiteral("Figlio"), QStringLiteral("F")}});
    auto* campiKit = new QWidget(kit);
    Righe k(campiKit, 0);
    k.riga({{QStringLiteral("Kit riferimento riga:"), testo(QStringLiteral("KitRifRiga"), 7)}});
    qobject_cast<QVBoxLayout*>(kit->layout())->addWidget(campiKit);
    auto* sx3 = new QWidget(p3);
    auto* v3 = new QVBoxLayout(sx3);
    v3->setContentsMargins(4, 4, 4, 4);
    v3->addWidget(spesa);
    v3->addWidget(kit);
    v3->addStretch(1);
    dueColonne(p3, sx3, new QWidget(p3));

    // The "Other management data of the line" page
    QWidget* p4 = aggiungiPagina(QStringLiteral("(&4) Altri Dati Gestionali"), QStringLiteral("ADGestio"),
                                 QStringLiteral("(4) - Altri Dati Gestionali"));
    dbgAltriDati = new QTableView(p4);
    dbgAltriDati->setObjectName(QStringLiteral("dbgAltriDati"));
    DatAltriDati = new ModelloRighe(this);
    dbgAltriDati->setModel(DatAltriDati);
    dbgAltriDati->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgAltriDati->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgAltriDati->setAlternatingRowColors(true);
    dbgAltriDati->verticalHeader()->setVisible(false);
    dbgAltriDati->verticalHeader()->setDefaultSectionSize(dbgAltriDati->fontMetrics().height() + 6);
    dbgAltriDati->horizontalHeader()->setStretchLastSection(true);
    auto* v4 = new QVBoxLayout(p4);
    v4->setContentsMargins(4, 4, 4, 4);
    v4->addWidget(dbgAltriDati);
    for (const auto& [colonna, titolo] : std::initializer_list<std::pair<const char*, const char*>>{
             {"XmlNumEle", "Progr."},
             {"ADG_TipoDato", "TipoDato"},
             {"ADG_RiferimentoTesto", "Riferimento_Testo"},
             {"ADG_RiferimentoNumero", "Numero"},
             {"ADG_RiferimentoData", "Data"}})
        DatAltriDati->impostaIntestazione(QLatin1String(colonna), QString::fromUtf8(titolo));
    DatAltriDati->impostaFormato(QStringLiteral("ADG_RiferimentoNumero"), QStringLiteral("#,##0.^^"));
    DatAltriDati->impostaFormato(QStringLiteral("ADG_RiferimentoData"), QStringLiteral("dd/mm/yyyy"));
}

QString frmFEPassDett::prepSql() const {
    return QStringLiteral(
               "Select XmlAnno, XmlNumRif, XmlRigDet, NumeroLinea, TipoRiga, CA_CodiceTipo, "
               "CA_CodiceValore, Articolo, Quantita, PrezzoUnitario, PrezzoTotale, AliquotaIVA, Iva, "
               "Natura") +
           QStringLiteral(", (") + QStringLiteral("GruppoCPartita") + QStringLiteral(" || '-' || ") +
           QStringLiteral("MastroCPartita") + QStringLiteral(" || '-' || ") +
           QStringLiteral("ContoCPartita") + QStringLiteral(") as ") + QStringLiteral("ControPartita") +
           QStringLiteral(", GruppoCPartita, MastroCPartita, ContoCPartita, Descrizione, QuantitaStr, "
                          "UnitaMisura, PrezzoUnitarioStr, PrezzoTotaleStr, NumIvaDoppia, "
                          "TipoCessionePrestazione, RiferimentoAmministrazione, SM_Tipo, SM_Percentuale, "
                          "SM_Importo, SM_ImportoStr, DataInizioPeriodo, DataFinePeriodo, Ritenuta, "
                          "SpesaTrasporto, SpesaBollo, SpesaIncasso, KitPadreFiglio, KitRifRiga") +
           QStringLiteral(" FROM ") + QString(store::FatXmlDett) +
           condizioneFattura(QString(store::FatXmlDett)) + QStringLiteral(" Order BY ") +
           QStringLiteral("FatXmlDett.XmlRigDet");
}

void frmFEPassDett::persColonne() {
    static const ColonnaGriglia colonne[] = {
        {"NumeroLinea", "Linea", 700},
        {"TipoRiga", "Tipo", 650},
        {"CA_CodiceTipo", "Cod.Tipo", 1000},
        {"CA_CodiceValore", "Cod.Valore", 1500},
        {"Articolo", "Articolo", 1400},
        {"Quantita", "Quantità", 1200},
        {"PrezzoUnitario", "PrzUnit", 1300},
        {"PrezzoTotale", "PrzTotale", 1300},
        {"AliquotaIVA", "Aliquota", 900},
        {"Iva", "Iva", 800},
        {"Natura", "Natura", 800},
        {"ControPartita", "Contropartita", 1400},
        {"Descrizione", "Descrizione", 4200},
        {"QuantitaStr", "Qta xml", 1100},
        {"UnitaMisura", "UM", 600},
        {"PrezzoUnitarioStr", "PrzUnit xml", 1200},
        {"PrezzoTotaleStr", "PrzTotale xml", 1200},
        {"NumIvaDoppia", "NumIvaDoppia", 1100},
        {"TipoCessionePrestazione", "TipoCess.", 900},
        {"RiferimentoAmministrazione", "Rif.Amministrazione", 1700},
        {"SM_Tipo", "Sc/Magg", 800},
        {"SM_Percentuale", "Perc.", 900},
        {"SM_Importo", "Importo Sc/Magg", 1400},
        {"SM_ImportoStr", "Importo xml", 1200},
        {"DataInizioPeriodo", "Inizio periodo", 1200},
        {"DataFinePeriodo", "Fine periodo", 1200},
        {"Ritenuta", "Ritenuta", 800},
        {"SpesaTrasporto", "ST", 400},
        {"SpesaBollo", "SB", 400},
        {"SpesaIncasso", "SI", 400},
        {"KitPadreFiglio", "PF", 400},
        {"KitRifRiga", "Kit rif.", 800},
    };
    impostaColonne({"XmlAnno", "XmlNumRif", "XmlRigDet", "GruppoCPartita", "MastroCPartita", "ContoCPartita"},
                   colonne);
    pagina_->formatoColonna(QStringLiteral("Quantita"), formatoQuantita_);
    pagina_->formatoColonna(QStringLiteral("PrezzoUnitario"), formatoPrezzo_);
    pagina_->formatoColonna(QStringLiteral("PrezzoTotale"), formatoPrezzo_);
    pagina_->formatoColonna(QStringLiteral("AliquotaIVA"), QStringLiteral("##0.00"));
    pagina_->formatoColonna(QStringLiteral("SM_Importo"), QStringLiteral("#,##0.00"));
    pagina_->formatoColonna(QStringLiteral("NumIvaDoppia"), QStringLiteral("#,##0"));
    pagina_->formatoColonna(QStringLiteral("KitRifRiga"), QStringLiteral("#,##0"));
}

void frmFEPassDett::leggiAltriDati() {
    const std::optional<qint64> riga = xmlRigDetCorrente();
    const BloccoDatiGen* b = bloccoPerCodice(BloccoAltriDatiGestionali);
    try {
        DatAltriDati->carica(
            QStringLiteral("Select XmlAnno, XmlNumRif, XMLIdent, XmlRigDet, XmlNumEle") +
                QStringLiteral(", ADG_TipoDato, ADG_RiferimentoTesto") +
                QStringLiteral(", ADG_RiferimentoNumero, ADG_RiferimentoData") +
                QStringLiteral(" from FatXmlDatiGen") + QStringLiteral(" Where XmlAnno = ") +
                SqlValore(fattura_.anno, SqlIntero) + QStringLiteral(" And XmlNumRif = ") +
                SqlValore(fattura_.numero, SqlLungo) + QStringLiteral(" And XMLIdent = ") +
                SqlValore(QString(b->xmlIdent), SqlTesto) + QStringLiteral(" And XmlRigDet = ") +
                // no line shown: no line has number 0, so nothing is listed
                SqlValore(riga.value_or(0), SqlLungo) + QStringLiteral(" Order By XmlNumEle"),
            contesto_.db);
    } catch (const ErroreDb& e) {
        pagina_->MostraMessaggio(e.descrizione());
        return;
    }
    for (const char* c : {"XmlAnno", "XmlNumRif", "XMLIdent", "XmlRigDet"})
        dbgAltriDati->setColumnHidden(DatAltriDati->colonna(QLatin1String(c)), true);
    const double risVid = pagina_->RisVid();
    for (const auto& [c, twip] :
         std::initializer_list<std::pair<const char*, int>>{{"XmlNumEle", 700},
                                                            {"ADG_TipoDato", 1400},
                                                            {"ADG_RiferimentoTesto", 4000},
                                                            {"ADG_RiferimentoNumero", 1600}})
        dbgAltriDati->setColumnWidth(DatAltriDati->colonna(QLatin1String(c)),
                                     static_cast<int>(twip * risVid + 0.5));
}

void frmFEPassDett::prima(int passo, bool& annulla) {
    FormRigheFattura::prima(passo, annulla);
    if (passo == PassoControllo) {
        if (auto* e = qobject_cast<QLineEdit*>(campo(QStringLiteral("GruppoCPartita")));
            e && !CodiceConto::leggi(e->text())) {
            pagina_->MostraMessaggio(CodiceConto::MessaggioNonValido);
            e->setFocus(Qt::OtherFocusReason);
            annulla = true;
        }
    } else if (passo == PassoScrivi && !annulla) {
        rivedereRiepilogo_ = false;
        for (const CampoScheda* c : pagina_->campi().modificati())
            for (const char* colonna : {"Iva", "AliquotaIVA", "PrezzoTotale"})
                rivedereRiepilogo_ =
                    rivedereRiepilogo_ || c->colonne().contains(QLatin1String(colonna), Qt::CaseInsensitive);
    } else if (passo == PassoCancella) {
        // Inside the delete's transaction: the line's own blocks go with it.
        if (const auto riga = xmlRigDetCorrente())
            review::cancellaBlocchiRiga(contesto_.db, fattura_, *riga);
    }
}

void frmFEPassDett::dopo(int passo) {
    FormRigheFattura::dopo(passo);
    if (passo == PassoMostra) {
        leggiAltriDati();
        if (const QWidget* a = campo(QStringLiteral("Articolo")))
            articoloMostrato_ = testoWidget(a).trimmed();
    } else if (passo == PassoScrivi && rivedereRiepilogo_) {
        rivedereRiepilogo_ = false;
        offriRicalcoloRiepilogo();
    }
}

void frmFEPassDett::offriRicalcoloRiepilogo() {
    try {
        const auto superati = review::riepilogoSuperato(contesto_.db, fattura_,
                                                        posting::tolleranzaQuadratura(contesto_.parametri));
        if (superati.empty())
            return;
        QStringList righe;
        for (const review::CodiceRiepilogo& c : superati)
            righe << review::descriviSuperato(c);
        const QString domanda = QStringLiteral("Il riepilogo IVA non corrisponde più alle righe:\n") +
                                righe.join(u'\n') +
                                QStringLiteral("\nRicalcolo il riepilogo IVA dalle righe?");
        if (msgCom(contesto_.interazione, domanda, QStringLiteral("&Sì"), QStringLiteral("&No")) != 1) {
            pagina_->MostraMessaggio(QStringLiteral("Riepilogo IVA da ricalcolare"));
            return;
        }
        Transazione t(contesto_.db);
        review::ricalcolaRiepilogo(contesto_.db, fattura_, superati);
        t.conferma();
        pagina_->MostraEsito(QStringLiteral("Riepilogo IVA ricalcolato"));
    } catch (const ErroreDb& e) {
        msgCom(contesto_.interazione, frmMsgCom::testoErrore(QStringLiteral("Ricalcolo del riepilogo IVA"),
                                                             e.numero(), e.descrizione()));
    }
}

bool frmFEPassDett::controlloCampo(QWidget* w) {
    if (!FormRigheFattura::controlloCampo(w))
        return false;
    if (w == campo(QStringLiteral("Articolo")))
        proponiConto();
    return true;
}

void frmFEPassDett::proponiConto() {
    const QString articolo = testoWidget(campo(QStringLiteral("Articolo"))).trimmed();
    if (articolo == articoloMostrato_)
        return;
    articoloMostrato_ = articolo;
    if (articolo.isEmpty())
        return;
    std::optional<CodiceConto> acquisto;
    try {
        acquisto = contoAcquistoArticolo(contesto_.db, articolo, soloArticoliAttivi_);
    } catch (const ErroreDb& e) {
        pagina_->MostraMessaggio(e.descrizione());
        return;
    }
    // The article has no purchase account: the line keeps its own.
    if (!acquisto || acquisto->gruppo.isEmpty())
        return;
    CampoScheda* c = pagina_->campoColonna(QStringLiteral("GruppoCPartita"));
    if (!c)
        return;
    pagina_->campi().scrivi(*c, acquisto->testo());
    pagina_->campi().controlla(*c);
}

bool apriDettaglioFattura(Contesto& contesto, QWidget* padre, ChiaveFattura fattura, qint64 riga,
                          const QString& soloConsultazione) {
    frmFEPassDett form(contesto, fattura, riga, padre);
    if (!soloConsultazione.isEmpty())
        form.soloConsultazione(soloConsultazione);
    form.exec();
    return form.salvato();
}

} // namespace tesel::ui
