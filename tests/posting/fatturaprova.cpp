#include "fatturaprova.h"

#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "store/store.h"

#include <QStringList>
#include <QVariant>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace tesel::prova {

namespace {

QVariant testoONull(const QString& t) {
    return t.isEmpty() ? QVariant() : QVariant(t);
}

QVariant dataONull(const QDate& d) {
    return d.isValid() ? QVariant(d) : QVariant();
}

QVariant valuta(Currency c) {
    return QVariant::fromValue(c);
}

QStringList colonne(const char* nomi) {
    return QString::fromLatin1(nomi).split(u' ');
}

// INSERT INTO tabella (colonne) VALUES (?, ...)
void inserisci(Database& db, const QString& tabella, const QStringList& colonne, const QVariantList& valori) {
    QStringList segnaposto;
    for (qsizetype i = 0; i < colonne.size(); ++i)
        segnaposto << u"?"_s;
    db.EseguiConValori(u"INSERT INTO "_s + tabella + u" ("_s + colonne.join(u", "_s) + u") VALUES ("_s +
                           segnaposto.join(u", "_s) + u')',
                       valori);
}

} // namespace

Euro::Euro(const char* testo) {
    const auto c = Currency::daTesto(std::string_view(testo));
    if (!c)
        throw std::invalid_argument(std::string("importo non valido: ") + testo);
    v = *c;
}

FatturaProva::FatturaProva(Database& db) : db_(db), data_(QDate::currentDate().year(), 3, 10) {
}

FatturaProva& FatturaProva::riga(Euro prezzo, const QString& iva, const ContoProva& conto) {
    RigaProva r;
    r.prezzo = prezzo;
    r.iva = iva;
    r.conto = conto;
    return riga(r);
}
ChiaveFattura FatturaProva::scrivi() {
    ChiaveFattura k;
    k.anno = data_.year();
    k.numero = ProssimoNumeroFattura(db_, k.anno);
    const QVariant anno(k.anno);
    const QVariant num(k.numero);

    const auto aliquotaDi = [&](const QString& codice) {
        const QVariant v =
            db_.valore(u"Select Aliquota from TabIva Where Iva = "_s + SqlValore(codice, SqlTesto));
        return Currency::daVariant(v).value_or(Currency());
    };

    QString piva = partitaIva_.value_or(QString());
    QString cf = codiceFiscale_;
    if (!partitaIva_ && !fornitore_.conto.isEmpty()) {
        Recordset pc = db_.ApriRs(u"Select PartIva, CodFisc from PianoConti Where Gruppo = "_s +
                                  SqlValore(fornitore_.gruppo, SqlTesto) + u" And Mastro = "_s +
                                  SqlValore(fornitore_.mastro, SqlTesto) + u" And Conto = "_s +
                                  SqlValore(fornitore_.conto, SqlTesto));
        if (!pc.RsVuoto()) {
            piva = pc.leggiTesto(u"PartIva"_s);
            cf = pc.leggiTesto(u"CodFisc"_s);
        }
    }

    Currency totale;
    if (!iva_.empty()) {
        for (const Iva& i : iva_)
            totale += i.imponibile + i.imposta;
    } else {
        for (const RigaProva& r : righe_)
            if (r.tipoRiga != u"DE")
                totale += r.prezzo.v;
    }

    if (totale_)
        totale = *totale_;
    const Ritenuta* primaRitenuta = ritenute_.empty() ? nullptr : &ritenute_.front();
    const QString file = u"IT%1_prova_%2_%3.xml"_s.arg(piva).arg(k.anno).arg(k.numero);
    inserisci(db_, u"FatXmlTest"_s,
              colonne("XmlAnno XmlNumRif NomeFile DataRicSdi Stampato Contabilizzato GruppoFor MastroFor "
                      "ContoFor Causale Moneta GruppoCassaPrev MastroCassaPrev ContoCassaPrev "
                      "CP_DA_IdFiscaleIVA_IdPaese CP_DA_IdFiscaleIVA_IdCodice CP_DA_CodiceFiscale "
                      "DGD_TipoDocumento DGD_Divisa DGD_Data DGD_Numero DGD_DR_TipoRitenuta "
                      "DGD_DR_ImportoRitenuta DGD_DR_AliquotaRitenuta DGD_ImportoTotaleDocumento"),
              {anno,
               num,
               file,
               dataONull(ricezioneData_ ? ricezione_ : data_),
               u"N"_s,
               contabilizzata_ ? u"S"_s : u"N"_s,
               testoONull(fornitore_.gruppo),
               testoONull(fornitore_.mastro),
               testoONull(fornitore_.conto),
               testoONull(causale_),
               divisa_,
               testoONull(cassaPrev_.gruppo),
               testoONull(cassaPrev_.mastro),
               testoONull(cassaPrev_.conto),
               u"IT"_s,
               testoONull(piva),
               testoONull(cf),
               tipoDocumento_,
               divisa_,
               dataONull(data_),
               numero_,
               primaRitenuta ? QVariant(primaRitenuta->tipo) : QVariant(),
               primaRitenuta ? valuta(primaRitenuta->importo) : QVariant(),
               primaRitenuta ? valuta(primaRitenuta->aliquota) : QVariant(),
               valuta(totale)});

    int rigDet = 0;
    for (const RigaProva& r : righe_) {
        ++rigDet;
        const Currency aliquota = r.aliquota ? r.aliquota->v : aliquotaDi(r.iva);
        inserisci(db_, u"FatXmlDett"_s,
                  colonne("XmlAnno XmlNumRif XmlRigDet NumeroLinea Descrizione PrezzoTotale AliquotaIVA Iva "
                          "NumIvaDoppia TipoRiga Omaggio GruppoCPartita MastroCPartita ContoCPartita"),
                  {anno, num, rigDet, QString::number(rigDet), u"Riga %1"_s.arg(rigDet), valuta(r.prezzo.v),
                   valuta(aliquota), testoONull(r.iva), r.numIvaDoppia, testoONull(r.tipoRiga),
                   testoONull(r.omaggio), testoONull(r.conto.gruppo), testoONull(r.conto.mastro),
                   testoONull(r.conto.conto)});
    }

    rigDet = 0;
    for (const Iva& i : iva_) {
        ++rigDet;
        QString codice = i.codice;
        for (qsizetype n = 0; codice.isEmpty() && n < static_cast<qsizetype>(righe_.size()); ++n)
            if (!righe_[n].iva.isEmpty() && aliquotaDi(righe_[n].iva) == i.aliquota)
                codice = righe_[n].iva;
        inserisci(db_, u"FatXmlIva"_s,
                  {"XmlAnno", "XmlNumRif", "XmlRigDet", "AliquotaIVA", "ImponibileImporto", "Imposta",
                   "EsigibilitaIVA", "Iva", "NumIvaDoppia"},
                  {anno, num, rigDet, valuta(i.aliquota), valuta(i.imponibile), valuta(i.imposta),
                   testoONull(i.esigibilita), testoONull(codice), 0});
    }

    rigDet = 0;
    for (const Pagamento& p : pagamenti_) {
        ++rigDet;
        inserisci(db_, u"FatXmlPag"_s,
                  {"XmlAnno", "XmlNumRif", "XmlRigDet", "NumCond", "CondizioniPagamento", "ModalitaPagamento",
                   "DataScadenzaPagamento", "ImportoPagamento"},
                  {anno, num, rigDet, 1, u"TP02"_s, p.modalita, dataONull(p.scadenza), valuta(p.importo)});
    }

    // FatXmlDatiGen: one XmlNumEle counter per block kind.
    const QStringList chiaveDatiGen{"XmlAnno", "XmlNumRif", "XMLIdent", "XmlRigDet", "XmlNumEle"};
    int numEle = 0;
    for (std::size_t n = 1; n < ritenute_.size(); ++n) {
        const Ritenuta& r = ritenute_[n];
        inserisci(db_, u"FatXmlDatiGen"_s,
                  chiaveDatiGen +
                      QStringList{"DGD_DR_TipoRitenuta", "DGD_DR_ImportoRitenuta", "DGD_DR_AliquotaRitenuta"},
                  {anno, num, u"DatiRitenuta"_s, 0, ++numEle, r.tipo, valuta(r.importo), valuta(r.aliquota)});
    }
    numEle = 0;
    for (const Cassa& c : casse_)
        inserisci(db_, u"FatXmlDatiGen"_s,
                  chiaveDatiGen + QStringList{"DGD_DCP_TipoCassa", "DGD_DCP_ImportoContributoCassa",
                                              "DGD_DCP_AliquotaIVA", "DGD_DCP_Iva"},
                  {anno, num, u"DatiCassaPrevidenziale"_s, 0, ++numEle, c.tipo, valuta(c.contributo),
                   valuta(c.aliquota), testoONull(c.iva)});
    return k;
}

} // namespace tesel::prova
