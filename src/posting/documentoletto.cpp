// What posting reads once: the stored invoice's VAT summary, general data, payment rows and
// lines per invoice, and the master data of a posting run.

#include "frame/database.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"

#include <algorithm>
#include <utility>

namespace tesel::posting {

namespace {

// The cost lines summed per counter-account and VAT code, in that order: the registration's
// cost rows follow it.
QString selezioneCosti(bool semplificata) {
    QString raggruppa;
    if (semplificata)
        raggruppa = QStringLiteral("CASE WHEN FatXmlDett.NumIvaDoppia = -999 THEN FatXmlDett.PrezzoTotale - "
                                   "FatXmlDett.AliquotaIVA ELSE FatXmlDett.AliquotaIVA END, ");
    raggruppa += QStringLiteral("FatXmlDett.Iva, TabIva.Aliquota, FatXmlDett.GruppoCPartita, "
                                "FatXmlDett.MastroCPartita, FatXmlDett.ContoCPartita");
    return QStringLiteral(
               "Select Sum(FatXmlDett.PrezzoTotale) As PrzTot, Min(PianoConti.Tipo) As Tipo"
               ", FatXmlDett.Iva, TabIva.Aliquota"
               ", FatXmlDett.GruppoCPartita, FatXmlDett.MastroCPartita, FatXmlDett.ContoCPartita"
               ", Max(TabIva.PercNonDetr) As PercNonDetr, Max(TabIva.TipoIva) As TipoIva"
               ", Max(FatXmlDett.NumIvaDoppia) As NoAliqIva"
               ", Sum(FatXmlDett.AliquotaIVA) As TotImposta"
               ", Sum(CASE WHEN FatXmlDett.SM_Importo IS NULL THEN 0 ELSE FatXmlDett.SM_Importo END) As "
               "SommaDiSM_Importo"
               ", Sum(CASE WHEN FatXmlDett.Omaggio = 'S' THEN FatXmlDett.PrezzoTotale ELSE 0 END) As "
               "OmaggioTotale"
               ", Sum(CASE WHEN FatXmlDett.Omaggio = 'I' THEN FatXmlDett.PrezzoTotale ELSE 0 END) As "
               "OmaggioConRivalsaIva"
               " From FatXmlDett Left Join PianoConti"
               " On FatXmlDett.GruppoCPartita = PianoConti.Gruppo"
               " And FatXmlDett.MastroCPartita = PianoConti.Mastro"
               " And FatXmlDett.ContoCPartita = PianoConti.Conto"
               " Left Join TabIva On FatXmlDett.Iva = TabIva.Iva") +
           condizioneFatturaLegata(QStringLiteral("FatXmlDett")) +
           QStringLiteral(" And ((FatXmlDett.TipoRiga <> 'DE' And FatXmlDett.TipoRiga <> 'ID')"
                          " Or FatXmlDett.TipoRiga IS NULL)") +
           QStringLiteral(" Group By ") + raggruppa + QStringLiteral(" Order By ") + raggruppa;
}

GruppoCosto gruppoCosto(const Recordset& g) {
    GruppoCosto c;
    c.iva = g.leggiTesto(QStringLiteral("Iva")).trimmed();
    c.conto = CodiceConto{g.leggiTesto(QStringLiteral("GruppoCPartita")),
                          g.leggiTesto(QStringLiteral("MastroCPartita")),
                          g.leggiTesto(QStringLiteral("ContoCPartita"))};
    c.tipoConto = g.leggiIntero(QStringLiteral("Tipo"));
    if (!g.LeggiCampo(QStringLiteral("TipoIva")).isNull())
        c.tipoIva = g.leggiTesto(QStringLiteral("TipoIva")).trimmed();
    c.aliquota = importo(g, QStringLiteral("Aliquota"));
    c.percNonDetr = importo(g, QStringLiteral("PercNonDetr"));
    c.noAliqIva = g.leggiIntero(QStringLiteral("NoAliqIva")).value_or(0);
    c.prezzoTotale = importo(g, QStringLiteral("PrzTot"));
    c.imposta = importo(g, QStringLiteral("TotImposta"));
    c.scontiMaggiorazioni = importo(g, QStringLiteral("SommaDiSM_Importo"));
    c.omaggio = importo(g, QStringLiteral("OmaggioTotale"));
    c.omaggioConRivalsa = importo(g, QStringLiteral("OmaggioConRivalsaIva"));
    return c;
}

} // namespace

DocumentoLetto DocumentoLetto::leggi(Database& db, int xmlAnno, qint64 xmlNumRif, bool semplificata) {
    // One statement for the four tables: each part fills the columns of its kind (texts,
    // amounts, a date) and leaves the others Null; the first part names the columns. Every
    // column has one declared type in every part: a server resolves the type of a column of a
    // union from its parts, and a text of no declared length costs the ODBC driver a buffer of
    // its largest size for every value read, which made this read most of posting's time.
    const auto testi = [](std::initializer_list<const char*> colonne) {
        QString l;
        int n = 0;
        for (const char* c : colonne) {
            l += QStringLiteral(", CAST(") + QLatin1String(c) + QStringLiteral(" AS VARCHAR(100)) As T") +
                 QString::number(++n);
        }
        for (; n < 8; ++n)
            l += QStringLiteral(", CAST(NULL AS VARCHAR(100)) As T") + QString::number(n + 1);
        return l;
    };
    const QString sql =
        // the document's VAT summary
        QStringLiteral("Select 1 As Parte, XmlRigDet As O1, 0 As O2") + testi({"EsigibilitaIVA"}) +
        QStringLiteral(", AliquotaIVA As N1, Imposta As N2, ImponibileImporto As N3, Arrotondamento As N4,"
                       " CAST(NULL AS NUMERIC(19,4)) As N5, CAST(NULL AS NUMERIC(19,4)) As N6,"
                       " CAST(NULL AS TIMESTAMP) As D1 From FatXmlIva Where XmlAnno = ? and XmlNumRif = ?"
                       // general data of the kinds posting uses, with the fund's VAT code
                       " Union All Select 2, FatXmlDatiGen.XmlRigDet, FatXmlDatiGen.XmlNumEle") +
        testi({"FatXmlDatiGen.XMLIdent", "FatXmlDatiGen.DGD_DCP_Iva", "FatXmlDatiGen.DGD_DCP_TipoCassa",
               "TabIva.TipoIva", "FatXmlDatiGen.DGD_DR_TipoRitenuta", "FatXmlDatiGen.ADG_TipoDato",
               "FatXmlDatiGen.ADG_RiferimentoTesto", "FatXmlDatiGen.DGD_DFC_IdDocumento"}) +
        QStringLiteral(", FatXmlDatiGen.DGD_DCP_AliquotaIVA, FatXmlDatiGen.DGD_DCP_ImportoContributoCassa,"
                       " TabIva.Aliquota, TabIva.PercNonDetr, FatXmlDatiGen.DGD_DR_ImportoRitenuta,"
                       " FatXmlDatiGen.ADG_RiferimentoNumero, FatXmlDatiGen.DGD_DFC_Data"
                       " From FatXmlDatiGen Left Join TabIva On FatXmlDatiGen.DGD_DCP_Iva = TabIva.Iva"
                       " Where FatXmlDatiGen.XmlAnno = ? and FatXmlDatiGen.XmlNumRif = ?"
                       " And FatXmlDatiGen.XMLIdent In ('DatiCassaPrevidenziale', 'DatiRitenuta',"
                       " 'AltriDatiGestionali', 'DatiFattureCollegate')"
                       // payment rows
                       " Union All Select 3, XmlRigDet, NumCond") +
        testi({"ModalitaPagamento", "IBAN", "ABI", "CAB", "Banca", "PagTipo"}) +
        QStringLiteral(
            ", ImportoPagamento, CAST(NULL AS NUMERIC(19,4)), CAST(NULL AS NUMERIC(19,4)),"
            " CAST(NULL AS NUMERIC(19,4)), CAST(NULL AS NUMERIC(19,4)), CAST(NULL AS NUMERIC(19,4)),"
            " DataScadenzaPagamento From FatXmlPag Where XmlAnno = ? and XmlNumRif = ?"
            // the lines that become cost rows, for the taxable amounts by rate
            " Union All Select 4, XmlRigDet, 0") +
        testi({}) +
        QStringLiteral(
            ", AliquotaIVA, PrezzoTotale, CAST(NULL AS NUMERIC(19,4)), CAST(NULL AS NUMERIC(19,4)),"
            " CAST(NULL AS NUMERIC(19,4)), CAST(NULL AS NUMERIC(19,4)), CAST(NULL AS TIMESTAMP)"
            " From FatXmlDett Where XmlAnno = ? and XmlNumRif = ?"
            " And (TipoRiga IS NULL Or (TipoRiga <> 'DE' And TipoRiga <> 'ID'))");
    // The store's order, by row numbers, is restored here: sorting the union would cost the
    // engine more than these few rows cost to sort.
    std::vector<std::pair<qint64, RigaRiepilogoDocumento>> riepilogo;
    std::vector<std::pair<qint64, DatoGenerale>> datiGenerali; // by XmlRigDet, XmlNumEle
    DocumentoLetto d;
    std::vector<Recordset> letti = db.ApriInsieme(
        {{sql, {xmlAnno, xmlNumRif, xmlAnno, xmlNumRif, xmlAnno, xmlNumRif, xmlAnno, xmlNumRif}},
         {selezioneCosti(semplificata), {xmlAnno, xmlNumRif}}});
    for (Recordset& g = letti[1]; !g.RsEof(); g.RsMoveNext())
        d.costi.push_back(gruppoCosto(g));
    for (Recordset& r = letti[0]; !r.RsEof(); r.RsMoveNext()) {
        switch (r.leggiIntero(QStringLiteral("Parte")).value_or(0)) {
        case 1:
            riepilogo.emplace_back(
                r.leggiIntero(QStringLiteral("O1")).value_or(0),
                RigaRiepilogoDocumento{importo(r, QStringLiteral("N1")), r.leggiValuta(QStringLiteral("N2")),
                                       importo(r, QStringLiteral("N3")), importo(r, QStringLiteral("N4")),
                                       r.leggiTesto(QStringLiteral("T1"))});
            break;
        case 2: {
            DatoGenerale g;
            g.ident = r.leggiTesto(QStringLiteral("T1"));
            g.rigDet = r.leggiIntero(QStringLiteral("O1")).value_or(0);
            g.dcpIva = r.leggiTesto(QStringLiteral("T2")).trimmed();
            g.dcpTipoCassa = r.leggiTesto(QStringLiteral("T3"));
            g.ivaTipo = r.leggiTesto(QStringLiteral("T4")).trimmed();
            g.drTipo = r.leggiTesto(QStringLiteral("T5"));
            g.adgTipoDato = r.leggiTesto(QStringLiteral("T6"));
            g.adgTesto = r.leggiTesto(QStringLiteral("T7"));
            g.dfcIdDocumento = r.leggiTesto(QStringLiteral("T8"));
            g.dcpAliquota = importo(r, QStringLiteral("N1"));
            g.dcpContributo = importo(r, QStringLiteral("N2"));
            g.ivaAliquota = importo(r, QStringLiteral("N3"));
            g.ivaPercNonDetr = importo(r, QStringLiteral("N4"));
            g.drImporto = importo(r, QStringLiteral("N5"));
            g.adgNumero = importo(r, QStringLiteral("N6"));
            g.dfcData = dataCampo(r, QStringLiteral("D1"));
            datiGenerali.emplace_back(r.leggiIntero(QStringLiteral("O2")).value_or(0), std::move(g));
            break;
        }
        case 3: {
            RigaPagamento p;
            p.rigDet = r.leggiIntero(QStringLiteral("O1")).value_or(0);
            p.numCond = r.leggiIntero(QStringLiteral("O2")).value_or(0);
            p.modalita = r.leggiTesto(QStringLiteral("T1")).trimmed().toUpper();
            p.iban = r.leggiTesto(QStringLiteral("T2")).remove(u' ').toUpper();
            p.abi = r.leggiTesto(QStringLiteral("T3")).trimmed();
            p.cab = r.leggiTesto(QStringLiteral("T4")).trimmed();
            p.banca = r.leggiTesto(QStringLiteral("T5")).trimmed();
            p.pagTipo = r.leggiTesto(QStringLiteral("T6")).trimmed();
            p.scadenza = dataCampo(r, QStringLiteral("D1"));
            p.importo = r.leggiValuta(QStringLiteral("N1")).value_or(Currency());
            d.pagamenti.push_back(p);
            break;
        }
        case 4:
            d.righe.push_back({importo(r, QStringLiteral("N1")), importo(r, QStringLiteral("N2"))});
            break;
        default:
            break;
        }
    }
    const auto perPrimo = [](const auto& a, const auto& b) { return a.first < b.first; };
    std::stable_sort(riepilogo.begin(), riepilogo.end(), perPrimo);
    for (auto& [rigDet, riga] : riepilogo)
        d.riepilogo.push_back(std::move(riga));
    std::stable_sort(datiGenerali.begin(), datiGenerali.end(), [](const auto& a, const auto& b) {
        return std::make_pair(a.second.rigDet, a.first) < std::make_pair(b.second.rigDet, b.first);
    });
    for (auto& [numEle, dato] : datiGenerali)
        d.datiGenerali.push_back(std::move(dato));
    std::stable_sort(d.pagamenti.begin(), d.pagamenti.end(),
                     [](const RigaPagamento& a, const RigaPagamento& b) {
                         return std::make_pair(a.rigDet, a.numCond) < std::make_pair(b.rigDet, b.numCond);
                     });
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

std::optional<AnagraficheLette::Fornitore> AnagraficheLette::Fornitore::leggi(Database& db,
                                                                              const CodiceConto& conto) {
    // Letters where the chart's accounts are numbers name no supplier.
    const auto valori = conto.valoriSql(db.contiNumerici());
    if (!valori)
        return std::nullopt;
    // Only the columns read below: the chart's rows are wide.
    Recordset pc = db.ApriRs(QStringLiteral("Select IvaCassaDisabil, GruppoCFColl, MastroCFColl, ContoCFColl,"
                                            " Pagamento, Banca, CCorrente, RagRb from PianoConti"
                                            " Where Gruppo = ? And Mastro = ? And Conto = ?"),
                             *valori);
    if (pc.RsVuoto())
        return std::nullopt;
    Fornitore f;
    f.ivaCassaEsclusa =
        pc.leggiTesto(QStringLiteral("IvaCassaDisabil")).trimmed().compare(u"S", Qt::CaseInsensitive) == 0;
    f.collegato = CodiceConto{pc.leggiTesto(QStringLiteral("GruppoCFColl")),
                              pc.leggiTesto(QStringLiteral("MastroCFColl")),
                              pc.leggiTesto(QStringLiteral("ContoCFColl")), 3};
    f.pagamento = pc.leggiTesto(QStringLiteral("Pagamento")).trimmed();
    f.banca = pc.leggiTesto(QStringLiteral("Banca")).trimmed();
    f.cCorrente = pc.leggiTesto(QStringLiteral("CCorrente")).trimmed();
    f.ragRb = pc.leggiTesto(QStringLiteral("RagRb")).trimmed().toUpper() == u"S";
    return f;
}

std::optional<AnagraficheLette::Fornitore> AnagraficheLette::fornitore(const CodiceConto& conto) {
    const QString chiave = conto.gruppo + u'\x1f' + conto.mastro + u'\x1f' + conto.conto;
    if (const auto it = fornitori_.find(chiave); it != fornitori_.end())
        return it->second;
    auto f = Fornitore::leggi(db_, conto);
    if (f)
        fornitori_.emplace(chiave, *f);
    return f;
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
