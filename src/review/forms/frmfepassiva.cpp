#include "review/forms/frmfepassiva.h"

#include "frame/contesto.h"
#include "frame/database.h"
#include "frame/interazione.h"
#include "posting/righeiva.h"
#include "review/totali.h"
#include "store/store.h"
#include "ui/barrecomandi.h"
#include "ui/insiemecampi.h"
#include "ui/msgcom.h"
#include "ui/paginarighe.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <algorithm>

namespace tesel::ui {

frmFEPassIva::frmFEPassIva(Contesto& contesto, ChiaveFattura fattura, QWidget* padre)
    : FormRigheFattura(contesto, fattura, QString(store::FatXmlIva),
                       QStringLiteral("Fatture Passive - Dati Iva"), padre) {
    setObjectName(QStringLiteral("frmFEPassIva"));
    costruisci();
    // Summary rows can be inserted before the current one; the component numbers a new row
    // (the highest number plus one, or the current row's number after moving the rows from it
    // upward) inside the transaction that writes it, so dropping a new row restores nothing.
    pagina_->mostraComando(QStringLiteral("Inserisci"), true);
    pagina_->impostaColonnaNumero(QString(store::XmlRigDet));
    avvia(0);
}

frmFEPassIva::~frmFEPassIva() = default;

void frmFEPassIva::prima(int passo, bool& annulla) {
    FormRigheFattura::prima(passo, annulla);
    if (passo != PassoControllo || annulla)
        return;
    // A VAT amount its rate does not give (beyond the company's tolerance) is written only
    // when the user confirms it.
    const auto valore = [this](const char* colonna) -> std::optional<Currency> {
        const CampoScheda* c = pagina_->campoColonna(QLatin1String(colonna));
        const auto v = c ? c->valoriDaTesto(c->testo()) : std::nullopt;
        return v ? Currency::daVariant(v->value(0)) : std::nullopt;
    };
    const auto imponibile = valore("ImponibileImporto");
    const auto aliquota = valore("AliquotaIVA");
    const auto imposta = valore("Imposta");
    if (!imponibile || !aliquota || !imposta)
        return;
    const Currency dovuta = review::impostaDovuta(*imponibile, *aliquota);
    if ((dovuta - *imposta).assoluto() <= posting::tolleranzaQuadratura(contesto_.parametri))
        return;
    const auto euro = [](Currency c) { return formatta(c, u"#,##0.00"); };
    const QString domanda = QStringLiteral("L'imposta ") + euro(*imposta) +
                            QStringLiteral(" non corrisponde all'aliquota ") + euro(*aliquota) +
                            QStringLiteral("% dell'imponibile ") + euro(*imponibile) + QStringLiteral(" (") +
                            euro(dovuta) + QStringLiteral(")\nConfermi l'imposta indicata?");
    if (msgCom(contesto_.interazione, domanda, QStringLiteral("&Ok"), QStringLiteral("&Annulla")) != 1) {
        if (CampoScheda* c = pagina_->campoColonna(QStringLiteral("Imposta"))) {
            pagina_->campi().rifiuta(*c, QStringLiteral("Imposta non corrispondente all'aliquota"));
            c->widget()->setFocus(Qt::OtherFocusReason);
        }
        annulla = true;
    }
}

void frmFEPassIva::costruisci() {
    QLabel* l = nullptr;
    const QString importo = QStringLiteral("#,##0.^^");
    QWidget* p = aggiungiPagina(QStringLiteral("(&1) Riepiloghi Iva"), QStringLiteral("Riepiloghi"),
                                QStringLiteral("(1) - Riepiloghi Iva della fattura"));
    auto* g = new QGridLayout(p);
    g->setContentsMargins(10, 8, 10, 8);
    g->setHorizontalSpacing(12);
    g->setVerticalSpacing(5);
    int r = 0;
    // Left: the code, its rate and nature and the amounts; right: the legal reference, the
    // exemption code and the exigibility.
    const auto riga = [&g](int riga, int colonna, const QString& testo, QWidget* campo, QWidget* accanto) {
        auto* et = new QLabel(testo);
        et->setBuddy(campo);
        g->addWidget(et, riga, colonna);
        if (accanto) {
            auto* h = new QHBoxLayout;
            h->setSpacing(6);
            h->addWidget(campo);
            h->addWidget(accanto, 1);
            g->addLayout(h, riga, colonna + 1);
        } else {
            g->addWidget(campo, riga, colonna + 1, Qt::AlignLeft);
        }
    };
    QLineEdit* iva = codice(QStringLiteral("Iva"), 8, {TipoRicerca::Iva}, &l);
    riga(r++, 0, QStringLiteral("Codice Iva:"), iva, l);
    riga(r++, 0, QStringLiteral("Aliquota:"),
         testo(QStringLiteral("AliquotaIVA"), 8, QStringLiteral("##0.^^")), nullptr);
    QLineEdit* natura =
        codice(QStringLiteral("Natura"), 6, {TipoRicerca::Decodifica, QStringLiteral("FENatura")}, &l);
    riga(r++, 0, QStringLiteral("Natura:"), natura, l);
    riga(r++, 0, QStringLiteral("Imponibile:"), testo(QStringLiteral("ImponibileImporto"), 14, importo),
         nullptr);
    riga(r++, 0, QStringLiteral("Imposta:"), testo(QStringLiteral("Imposta"), 14, importo), nullptr);
    riga(r++, 0, QStringLiteral("Arrotondamento:"), testo(QStringLiteral("Arrotondamento"), 14, importo),
         nullptr);
    riga(r++, 0, QStringLiteral("Spese Accessorie:"), testo(QStringLiteral("SpeseAccessorie"), 14, importo),
         nullptr);
    const int righeSinistra = r;

    r = 0;
    riga(r++, 2, QStringLiteral("Riferimento Normativo:"), testo(QStringLiteral("RiferimentoNormativo"), -36),
         nullptr);
    QLineEdit* esente =
        codice(QStringLiteral("AFEIvaEse"), 9, {TipoRicerca::Decodifica, QStringLiteral("AFEIvaEse")}, &l);
    riga(r++, 2, QStringLiteral("Cod.Assosoftware (esenti)"), esente, l);
    GruppoOpzioni* esig =
        gruppoOpzioni(QStringLiteral("Esigibilita IVA"), QStringLiteral("EsigibilitaIVA"),
                      {{QStringLiteral("Immediata"), QStringLiteral("I")},
                       {QStringLiteral("Differita"), QStringLiteral("D")},
                       {QStringLiteral("Scissione dei pagamenti (Split)"), QStringLiteral("S")}},
                      QStringLiteral("I"));
    g->addWidget(esig, r, 2, 2, 2, Qt::AlignTop);
    g->setColumnMinimumWidth(1, 360);
    g->setColumnStretch(1, 1);
    g->setColumnStretch(3, 1);
    g->setRowStretch(std::max(righeSinistra, r + 2), 1);
}

QString frmFEPassIva::prepSql() const {
    return QStringLiteral(
               "Select XmlAnno, XmlNumRif, XmlRigDet, Iva, AliquotaIVA, Natura, ImponibileImporto, "
               "Imposta, Arrotondamento, SpeseAccessorie, EsigibilitaIVA, RiferimentoNormativo, "
               "AFEIvaEse") +
           QStringLiteral(" FROM ") + QString(store::FatXmlIva) +
           condizioneFattura(QString(store::FatXmlIva)) + QStringLiteral(" Order BY ") +
           QStringLiteral("FatXmlIva.XmlRigDet");
}

void frmFEPassIva::persColonne() {
    static const ColonnaGriglia colonne[] = {
        {"XmlRigDet", "Riga", 600},
        {"Iva", "Iva", 900},
        {"AliquotaIVA", "Aliquota", 1000},
        {"Natura", "Natura", 900},
        {"ImponibileImporto", "Imponibile", 1700},
        {"Imposta", "Imposta", 1500},
        {"Arrotondamento", "Arrotondamento", 1700},
        {"SpeseAccessorie", "Spese Accessorie", 1800},
        {"EsigibilitaIVA", "Esigibilità", 1100},
        {"RiferimentoNormativo", "Riferimento Normativo", 4000},
        {"AFEIvaEse", "Cod.AssoSoftware", 1500},
    };
    impostaColonne({"XmlAnno", "XmlNumRif"}, colonne);
    pagina_->formatoColonna(QStringLiteral("AliquotaIVA"), QStringLiteral("##0.00"));
    for (const char* c : {"ImponibileImporto", "Imposta", "Arrotondamento", "SpeseAccessorie"})
        pagina_->formatoColonna(QLatin1String(c), QStringLiteral("#,##0.00"));
    // Runs after every reading of the grid, so a row is marked for as long as it disagrees.
    segnaRigheSuperate();
}

void frmFEPassIva::segnaRigheSuperate() {
    ModelloRighe* m = pagina_->modello();
    QHash<int, QString> avvisi;
    try {
        const auto superati = review::riepilogoSuperato(contesto_.db, fattura_,
                                                        posting::tolleranzaQuadratura(contesto_.parametri));
        const int colonna = m->colonna(QString(store::XmlRigDet));
        for (int r = 0; r < m->rowCount() && !superati.empty(); ++r) {
            const qint64 numero = m->valore(r, colonna).toLongLong();
            for (const review::CodiceRiepilogo& c : superati)
                if (std::find(c.righeRiepilogo.begin(), c.righeRiepilogo.end(), numero) !=
                    c.righeRiepilogo.end())
                    avvisi.insert(r, QStringLiteral("Da ricalcolare dalle righe - ") +
                                         review::descriviSuperato(c));
        }
    } catch (const ErroreDb& e) {
        pagina_->MostraMessaggio(e.descrizione());
    }
    m->segnaRighe(std::move(avvisi), QStringLiteral("Iva"));
}

void frmFEPassIva::dopo(int passo) {
    FormRigheFattura::dopo(passo);
    if (passo == PassoMostra) {
        // The selected row hides its colour: the status bar says why it is marked.
        const QString avviso = pagina_->modello()->avvisoRiga(pagina_->rigaCorrente());
        if (!avviso.isEmpty())
            pagina_->MostraMessaggio(avviso);
        else if (!avvisoMostrato_.isEmpty() &&
                 pagina_->barraStato()->testoPannello(QStringLiteral("Messaggio")) == avvisoMostrato_)
            pagina_->MostraMessaggio({});
        avvisoMostrato_ = avviso;
    }
    if (passo != PassoCancella)
        return;
    // The rows after the deleted one close the gap, before the grid is read again.
    try {
        Transazione t(contesto_.db);
        pagina_->rinumeraRighe();
        t.conferma();
    } catch (const ErroreDb& e) {
        msgCom(contesto_.interazione,
               QStringLiteral("Rinumerazione delle righe non riuscita - Errore(%1): %2")
                   .arg(e.numero())
                   .arg(e.descrizione()));
    }
}

bool apriRiepilogoIvaFattura(Contesto& contesto, QWidget* padre, ChiaveFattura fattura,
                             const QString& soloConsultazione) {
    frmFEPassIva form(contesto, fattura, padre);
    if (!soloConsultazione.isEmpty())
        form.soloConsultazione(soloConsultazione);
    form.exec();
    return form.salvato();
}

} // namespace tesel::ui
