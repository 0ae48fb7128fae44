// What posting reads once: the stored invoice's VAT summary, general data and payment rows per
// invoice, and the master data of a posting run.

#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"

namespace tesel::posting {

DocumentoLetto DocumentoLetto::leggi(Database& db, int xmlAnno, qint64 xmlNumRif) {
    DocumentoLetto d;
    const QVariantList chiave{xmlAnno, xmlNumRif};
    {
        Recordset r = db.ApriRs(
            QStringLiteral("Select AliquotaIVA, Imposta, ImponibileImporto, Arrotondamento, EsigibilitaIVA"
                           " From FatXmlIva") +
                condizioneFatturaLegata() + QStringLiteral(" Order by XmlRigDet"),
            chiave);
        for (; !r.RsEof(); r.RsMoveNext())
            d.riepilogo.push_back({importo(r, QStringLiteral("AliquotaIVA")),
                                   r.leggiValuta(QStringLiteral("Imposta")),
                                   importo(r, QStringLiteral("ImponibileImporto")),
                                   importo(r, QStringLiteral("Arrotondamento")),
                                   r.leggiTesto(QStringLiteral("EsigibilitaIVA"))});
    }
    {
        Recordset r = db.ApriRs(
            QStringLiteral(
                "Select FatXmlDatiGen.XMLIdent, FatXmlDatiGen.XmlRigDet, FatXmlDatiGen.DGD_DCP_Iva,"
                " FatXmlDatiGen.DGD_DCP_TipoCassa, FatXmlDatiGen.DGD_DCP_AliquotaIVA,"
                " FatXmlDatiGen.DGD_DCP_ImportoContributoCassa, TabIva.Aliquota As IvaAliquota,"
                " TabIva.TipoIva As IvaTipo, TabIva.PercNonDetr As IvaPercNonDetr,"
                " FatXmlDatiGen.DGD_DR_TipoRitenuta, FatXmlDatiGen.DGD_DR_ImportoRitenuta,"
                " FatXmlDatiGen.ADG_TipoDato, FatXmlDatiGen.ADG_RiferimentoTesto,"
                " FatXmlDatiGen.ADG_RiferimentoNumero, FatXmlDatiGen.DGD_DFC_IdDocumento,"
                " FatXmlDatiGen.DGD_DFC_Data"
                " From FatXmlDatiGen Left Join TabIva On FatXmlDatiGen.DGD_DCP_Iva = TabIva.Iva") +
                condizioneFatturaLegata(QStringLiteral("FatXmlDatiGen")) +
                QStringLiteral(" And FatXmlDatiGen.XMLIdent In ('DatiCassaPrevidenziale', 'DatiRitenuta',"
                               " 'AltriDatiGestionali', 'DatiFattureCollegate')"
                               " Order By FatXmlDatiGen.XmlRigDet, FatXmlDatiGen.XmlNumEle"),
            chiave);
        for (; !r.RsEof(); r.RsMoveNext()) {
            DatoGenerale g;
            g.ident = r.leggiTesto(QStringLiteral("XMLIdent"));
            g.rigDet = r.leggiIntero(QStringLiteral("XmlRigDet")).value_or(0);
            g.dcpIva = r.leggiTesto(QStringLiteral("DGD_DCP_Iva")).trimmed();
            g.dcpTipoCassa = r.leggiTesto(QStringLiteral("DGD_DCP_TipoCassa"));
            g.dcpAliquota = importo(r, QStringLiteral("DGD_DCP_AliquotaIVA"));
            g.dcpContributo = importo(r, QStringLiteral("DGD_DCP_ImportoContributoCassa"));
            g.ivaTipo = r.leggiTesto(QStringLiteral("IvaTipo")).trimmed();
            g.ivaAliquota = importo(r, QStringLiteral("IvaAliquota"));
            g.ivaPercNonDetr = importo(r, QStringLiteral("IvaPercNonDetr"));
            g.drTipo = r.leggiTesto(QStringLiteral("DGD_DR_TipoRitenuta"));
            g.drImporto = importo(r, QStringLiteral("DGD_DR_ImportoRitenuta"));
            g.adgTipoDato = r.leggiTesto(QStringLiteral("ADG_TipoDato"));
            g.adgTesto = r.leggiTesto(QStringLiteral("ADG_RiferimentoTesto"));
            g.adgNumero = importo(r, QStringLiteral("ADG_RiferimentoNumero"));
            g.dfcIdDocumento = r.leggiTesto(QStringLiteral("DGD_DFC_IdDocumento"));
            g.dfcData = dataCampo(r, QStringLiteral("DGD_DFC_Data"));
            d.datiGenerali.push_back(std::move(g));
        }
    }
    {
        Recordset r =
            db.ApriRs(QStringLiteral("Select XmlRigDet, NumCond, ModalitaPagamento, IBAN, ABI, CAB, Banca, "
                                     "PagTipo, DataScadenzaPagamento, ImportoPagamento from FatXmlPag") +
                          condizioneFatturaLegata() +
                          QStringLiteral(" Order by XmlAnno, XmlNumRif, XmlRigDet, NumCond"),
                      chiave);
        for (; !r.RsEof(); r.RsMoveNext()) {
            RigaPagamento p;
            p.rigDet = r.leggiIntero(QStringLiteral("XmlRigDet")).value_or(0);
            p.numCond = r.leggiIntero(QStringLiteral("NumCond")).value_or(0);
            p.modalita = r.leggiTesto(QStringLiteral("ModalitaPagamento")).trimmed().toUpper();
            p.iban = r.leggiTesto(QStringLiteral("IBAN")).remove(u' ').toUpper();
            p.abi = r.leggiTesto(QStringLiteral("ABI")).trimmed();
            p.cab = r.leggiTesto(QStringLiteral("CAB")).trimmed();
            p.banca = r.leggiTesto(QStringLiteral("Banca")).trimmed();
            p.pagTipo = r.leggiTesto(QStringLiteral("PagTipo")).trimmed();
            p.scadenza = dataCampo(r, QStringLiteral("DataScadenzaPagamento"));
            p.importo = r.leggiValuta(QStringLiteral("ImportoPagamento")).value_or(Currency());
            d.pagamenti.push_back(p);
        }
    }
    return d;
}

const AnagraficheLette::Liquidazione& AnagraficheLette::liquidazione(int anno) {
    if (const auto it = liquidazioni_.find(anno); it != liquidazioni_.end())
        return it->second;
    Liquidazione l;
    Recordset r = db_.ApriRs(
        QStringLiteral("Select TipoLiq, TipoContabilita from IvaRiep Where Anno = ? Order by Attivita"),
        {anno});
    if (!r.RsVuoto()) {
        l.tipoLiq = r.leggiTesto(QStringLiteral("TipoLiq")).trimmed();
        l.contabilitaOrdinaria =
            r.leggiTesto(QStringLiteral("TipoContabilita")).trimmed().compare(u"G", Qt::CaseInsensitive) == 0;
    }
    return liquidazioni_.emplace(anno, l).first->second;
}

const std::optional<TerminiPagamento>& AnagraficheLette::termini(const QString& pagamento) {
    const auto [it, nuovo] = termini_.try_emplace(pagamento);
    if (nuovo)
        it->second = TerminiPagamento::leggi(db_, pagamento);
    return it->second;
}

const std::optional<AnagraficheLette::Banca>& AnagraficheLette::banca(const QString& abi,
                                                                      const QString& cab) {
    const auto [it, nuova] = banche_.try_emplace({abi, cab});
    if (nuova) {
        Recordset b = db_.ApriRs(
            QStringLiteral("Select Banca, CCorrente from Banche Where Abi = ? and Cab = ?"), {abi, cab});
        if (!b.RsVuoto())
            it->second = Banca{b.leggiTesto(QStringLiteral("Banca")).trimmed(),
                               b.leggiTesto(QStringLiteral("CCorrente")).trimmed()};
    }
    return it->second;
}

int AnagraficheLette::tipoConto(const CodiceConto& conto) {
    const QString chiave = conto.gruppo + u'\x1f' + conto.mastro + u'\x1f' + conto.conto;
    if (const auto it = tipiConto_.find(chiave); it != tipiConto_.end())
        return it->second;
    const int tipo = posting::tipoConto(db_, conto.gruppo, conto.mastro, conto.conto);
    if (tipo != 0)
        tipiConto_.emplace(chiave, tipo);
    return tipo;
}

std::optional<TerminiPagamento> StatoContabilizzazione::terminiDi(Database& db,
                                                                  const QString& pagamento) const {
    return impostazioni ? impostazioni->anagrafiche.termini(pagamento)
                        : TerminiPagamento::leggi(db, pagamento);
}

std::optional<AnagraficheLette::Banca> StatoContabilizzazione::bancaDi(Database& db, const QString& abi,
                                                                       const QString& cab) const {
    if (impostazioni)
        return impostazioni->anagrafiche.banca(abi, cab);
    AnagraficheLette una(db);
    return una.banca(abi, cab);
}

int StatoContabilizzazione::tipoContoDi(Database& db, const CodiceConto& conto) const {
    return impostazioni ? impostazioni->anagrafiche.tipoConto(conto)
                        : posting::tipoConto(db, conto.gruppo, conto.mastro, conto.conto);
}

} // namespace tesel::posting
