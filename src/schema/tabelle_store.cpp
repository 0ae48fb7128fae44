// The received-invoice store: a flattened image of one FatturaPA document per invoice.
// Column names follow the element paths under their block prefix; text sizes hold the
// FatturaPA maximum lengths, because the import writes every text as read and a value
// that does not fit makes the save fail.

#include "schema/schema.h"

namespace tesel::schema {

namespace {

using Colonne = std::vector<Colonna>;

// Sizes of the suite's own codes kept beside the XML values.
constexpr int lenConto = 10;    // Gruppo, Mastro, Conto of the chart of accounts
constexpr int lenCodice = 10;   // causal, VAT code, currency, bank, payment and exemption codes, prefixes
constexpr int lenArticolo = 35; // the suite's article code, as long as the CodiceValore it is found by
// A number kept as written in the file (at most 21 characters in FatturaPA), with room to spare.
constexpr int lenNumeroTesto = 30;

Colonna nonNulla(Colonna c) {
    c.obbligatoria = true;
    return c;
}

Colonna conPredefinito(Colonna c, const QString& valore) {
    c.predefinito = valore;
    return c;
}

// The columns of one block: the block's prefix in front of each element name.
Colonne conPrefisso(const QString& prefisso, Colonne colonne) {
    for (auto& c : colonne)
        c.nome.prepend(prefisso);
    return colonne;
}

void aggiungi(Colonne& a, const Colonne& b) {
    a.insert(a.end(), b.begin(), b.end());
}

Colonne unite(std::initializer_list<Colonne> parti) {
    Colonne tutte;
    for (const auto& p : parti)
        aggiungi(tutte, p);
    return tutte;
}

// Shapes shared by several FatturaPA blocks.

Colonne indirizzo() {
    return {testo("Indirizzo", 60), testo("NumeroCivico", 8), testo("CAP", 5),
            testo("Comune", 60),    testo("Provincia", 2),    testo("Nazione", 2)};
}

Colonne idFiscaleIva() {
    return {testo("IdFiscaleIVA_IdPaese", 2), testo("IdFiscaleIVA_IdCodice", 28)};
}

Colonne nominativo() {
    return {testo("Denominazione", 80), testo("Nome", 60), testo("Cognome", 60)};
}

Colonne anagrafica() {
    return conPrefisso("Anagrafica_", unite({nominativo(), {testo("Titolo", 10), testo("CodEORI", 17)}}));
}

// DatiAnagrafici of a party: its identifiers and its name.
Colonne datiAnagrafici() {
    return unite({idFiscaleIva(), {testo("CodiceFiscale", 16)}, anagrafica()});
}

// An account of the chart of accounts, kept in three columns.
Colonne conto(const QString& suffisso) {
    Colonne c = {testo("Gruppo" + suffisso, lenConto), testo("Mastro" + suffisso, lenConto),
                 testo("Conto" + suffisso, lenConto)};
    for (Colonna& parte : c)
        parte.parteConto = true;
    return c;
}

// Orders, contracts, conventions, receipts and linked invoices share one shape; repeated
// RiferimentoNumeroLinea elements are joined into one text, so it has no limit.
Colonne riferimentoDocumento() {
    return {memo("RiferimentoNumeroLinea"),
            testo("IdDocumento", 20),
            data("Data"),
            testo("NumItem", 20),
            testo("CodiceCommessaConvenzione", 100),
            testo("CodiceCUP", 15),
            testo("CodiceCIG", 15)};
}

Colonne scontoMaggiorazione() {
    return {testo("Tipo", 2), valuta("Percentuale"), valuta("Importo")};
}

Colonne ritenuta() {
    return {testo("TipoRitenuta", 4), valuta("ImportoRitenuta"), valuta("AliquotaRitenuta"),
            testo("CausalePagamento", 2)};
}

Colonne chiaveFattura() {
    return {nonNulla(intero("XmlAnno")), nonNulla(lungo("XmlNumRif"))};
}

Tabella testata() {
    Tabella t;
    t.nome = "FatXmlTest";
    auto& c = t.colonne;

    // Identity and state, and the suite's codes resolved at import.
    c = chiaveFattura();
    aggiungi(c, {testo("NomeFile", 255), testo("FEIDHub", 100), testo("identificativoSdi", 50),
                 data("DataRicSdi"), conPredefinito(sino("Stampato"), "'N'"),
                 conPredefinito(sino("Contabilizzato"), "'N'")});
    // "S" when the invoice was marked posted on purpose without any journal registration, so
    // that the consistency check does not take it for a posting that was lost.
    aggiungi(c, {conPredefinito(sino("ContabSenzaReg"), "'N'")});
    aggiungi(c, conto("For"));
    aggiungi(c, {testo("Causale", lenCodice), testo("PreProt", lenCodice), testo("PreDoc", lenCodice),
                 testo("Moneta", lenCodice), testo("Banca", lenCodice), testo("Pagamento", lenCodice),
                 testo("Ufficio", 60), sino("Ivata")});
    aggiungi(c, conto("CassaPrev"));

    // DatiTrasmissione
    aggiungi(c, {testo("DT_IdTrasmittente_IdPaese", 2), testo("DT_IdTrasmittente_IdCodice", 28),
                 testo("DT_ProgressivoInvio", 10), testo("DT_FormatoTrasmissione", 5),
                 testo("DT_CodiceDestinatario", 7), testo("DT_ContattiTrasmittente_Telefono", 12),
                 testo("DT_ContattiTrasmittente_Email", 256), testo("DT_PECDestinatario", 256)});

    // CedentePrestatore: the supplier
    aggiungi(c, conPrefisso("CP_DA_", unite({datiAnagrafici(),
                                             {testo("AlboProfessionale", 60), testo("ProvinciaAlbo", 2),
                                              testo("NumeroIscrizioneAlbo", 60), data("DataIscrizioneAlbo"),
                                              testo("RegimeFiscale", 4)}})));
    aggiungi(c, conPrefisso("CP_Sede_", indirizzo()));
    aggiungi(c, conPrefisso("CP_SO_", indirizzo()));
    aggiungi(c,
             conPrefisso("CP_REA_", {testo("Ufficio", 2), testo("NumeroREA", 20), valuta("CapitaleSociale"),
                                     testo("SocioUnico", 2), testo("StatoLiquidazione", 2)}));
    aggiungi(c, conPrefisso("CP_Contatti_", {testo("Telefono", 12), testo("Fax", 12), testo("Email", 256)}));
    aggiungi(c, {testo("CP_RiferimentoAmministrazione", 20),
                 // A simplified invoice puts the supplier's fiscal representative under the
                 // supplier; the reader keeps it whole, as the element's text.
                 memo("CP_RappresentanteFiscale")});

    // RappresentanteFiscale of the supplier
    aggiungi(c, conPrefisso("RF_DA_", datiAnagrafici()));

    // CessionarioCommittente: the buyer, i.e. the company
    aggiungi(c, conPrefisso("CC_DA_", datiAnagrafici()));
    aggiungi(c, conPrefisso("CC_Sede_", indirizzo()));
    aggiungi(c, conPrefisso("CC_SO_", indirizzo()));
    aggiungi(c, conPrefisso("CC_RF_", unite({idFiscaleIva(), nominativo()})));

    // TerzoIntermediarioOSoggettoEmittente, SoggettoEmittente
    aggiungi(c, conPrefisso("TISE_DA_", datiAnagrafici()));
    c.push_back(testo("SoggettoEmittente", 2));

    // DatiGeneraliDocumento, with its first DatiRitenuta and its DatiBollo; the Causale
    // elements are joined into one text.
    aggiungi(c, {testo("DGD_TipoDocumento", 4), testo("DGD_Divisa", 3), data("DGD_Data"),
                 testo("DGD_Numero", 20)});
    aggiungi(c, conPrefisso("DGD_DR_", ritenuta()));
    aggiungi(c, {testo("DGD_DB_BolloVirtuale", 2), valuta("DGD_DB_ImportoBollo"),
                 // the simplified layout has BolloVirtuale directly in the document data
                 testo("DGD_BolloVirtuale", 2), valuta("DGD_ImportoTotaleDocumento"),
                 valuta("DGD_Arrotondamento"), memo("DGD_Causale"), testo("DGD_Art73", 2)});

    // DatiVeicoli
    aggiungi(c, {data("DV_Data"), testo("DV_TotalePercorso", 15)});

    // DatiTrasporto
    aggiungi(c, conPrefisso("DGD_DT_DAV_", unite({datiAnagrafici(), {testo("NumeroLicenzaGuida", 20)}})));
    aggiungi(c, conPrefisso("DGD_DT_",
                            {testo("MezzoTrasporto", 80), testo("CausaleTrasporto", 100),
                             valuta("NumeroColli"), testo("Descrizione", 100), testo("UnitaMisuraPeso", 10),
                             valuta("PesoLordo"), valuta("PesoNetto"), data("DataOraRitiro"),
                             data("DataInizioTrasporto"), testo("TipoResa", 3)}));
    aggiungi(c, conPrefisso("DGD_DT_IR_", indirizzo()));
    c.push_back(data("DGD_DT_DataOraConsegna"));

    t.chiave = {"XmlAnno", "XmlNumRif"};
    // The import detects a file or Hub document already stored by the duplicate-key failure
    // of these two indexes; empty values must never collide.
    t.indici = {
        {"FatXmlTest_NomeFile", {"NomeFile"}, true, "NomeFile IS NOT NULL AND NomeFile <> ''"},
        {"FatXmlTest_FEIDHub", {"FEIDHub"}, true, "FEIDHub IS NOT NULL AND FEIDHub <> ''"},
        // searches of the list, the posting and the print
        {"FatXmlTest_PartitaIva", {"CP_DA_IdFiscaleIVA_IdCodice"}, false, {}},
        // The import's look-up of the same document compares the number of every header of the
        // day; with the number in the index it reads no header row that does not match, so it
        // does not slow down as a day's invoices grow.
        {"FatXmlTest_DataNumero", {"DGD_Data", "DGD_Numero"}, false, {}, "FatXmlTest_DataDoc"},
        {"FatXmlTest_DataRicSdiNum", {"DataRicSdi", "XmlNumRif", "XmlAnno"}, false, {}},
        {"FatXmlTest_Fornitore", {"GruppoFor", "MastroFor", "ContoFor"}, false, {}},
        {"FatXmlTest_Contabilizzato", {"Contabilizzato"}, false, {}},
    };
    return t;
}

Tabella dettaglio() {
    Tabella t;
    t.nome = "FatXmlDett";
    auto& c = t.colonne;
    c = chiaveFattura();
    c.push_back(nonNulla(lungo("XmlRigDet")));

    // DettaglioLinee elements (or the DatiBeniServizi of a simplified invoice)
    aggiungi(c, {testo("NumeroLinea", 10), testo("TipoCessionePrestazione", 2), testo("Descrizione", 1000),
                 testo("UnitaMisura", 10), testo("RiferimentoAmministrazione", 20), testo("Ritenuta", 2),
                 testo("Natura", 4), valuta("Quantita"), valuta("PrezzoUnitario"), valuta("PrezzoTotale"),
                 valuta("AliquotaIVA")});
    // the numbers as written, so the print keeps the document's own decimals
    aggiungi(c, {testo("QuantitaStr", lenNumeroTesto), testo("PrezzoUnitarioStr", lenNumeroTesto),
                 testo("PrezzoTotaleStr", lenNumeroTesto)});
    aggiungi(c, {data("DataInizioPeriodo"), data("DataFinePeriodo")});

    // first CodiceArticolo and ScontoMaggiorazione of the line; the percentages of all
    // the line's discounts are joined with "+"
    aggiungi(c, {testo("CA_CodiceTipo", 35), testo("CA_CodiceValore", 35)});
    aggiungi(c, {testo("SM_Tipo", 2), memo("SM_Percentuale"), valuta("SM_Importo"),
                 testo("SM_ImportoStr", lenNumeroTesto)});

    // resolved against the suite's tables, and the line's kind from its AltriDatiGestionali
    c.push_back(testo("Articolo", lenArticolo));
    aggiungi(c, conto("CPartita"));
    aggiungi(c, {testo("Iva", lenCodice), lungo("NumIvaDoppia"), testo("TipoRiga", 4), sino("Omaggio"),
                 testo("KitPadreFiglio", 1), lungo("KitRifRiga"), sino("SpesaTrasporto"), sino("SpesaBollo"),
                 sino("SpesaIncasso")});

    // a simplified invoice's line carries its own legal reference
    c.push_back(testo("RiferimentoNormativo", 100));

    t.chiave = {"XmlAnno", "XmlNumRif", "XmlRigDet"};
    return t;
}

Tabella riepilogoIva() {
    Tabella t;
    t.nome = "FatXmlIva";
    auto& c = t.colonne;
    c = chiaveFattura();
    c.push_back(nonNulla(lungo("XmlRigDet")));

    // DatiRiepilogo elements
    aggiungi(c, {valuta("AliquotaIVA"), valuta("ImponibileImporto"), valuta("Imposta"),
                 valuta("Arrotondamento"), valuta("SpeseAccessorie"), testo("Natura", 4),
                 testo("EsigibilitaIVA", 1), testo("RiferimentoNormativo", 100)});
    // resolved VAT code
    aggiungi(c, {testo("Iva", lenCodice), testo("AFEIvaEse", lenCodice), lungo("NumIvaDoppia")});

    t.chiave = {"XmlAnno", "XmlNumRif", "XmlRigDet"};
    return t;
}

Tabella pagamenti() {
    Tabella t;
    t.nome = "FatXmlPag";
    auto& c = t.colonne;
    c = chiaveFattura();
    aggiungi(c, {nonNulla(lungo("XmlRigDet")), nonNulla(lungo("NumCond"))});

    // DatiPagamento/CondizioniPagamento and the DettaglioPagamento elements
    aggiungi(c, {testo("CondizioniPagamento", 4), testo("Beneficiario", 200), testo("ModalitaPagamento", 4),
                 testo("CodicePagamento", 60), testo("IstitutoFinanziario", 80), testo("IBAN", 34),
                 testo("ABI", 5), testo("CAB", 5), testo("BIC", 11), testo("CodUfficioPostale", 20),
                 testo("CognomeQuietanzante", 60), testo("NomeQuietanzante", 60), testo("CFQuietanzante", 16),
                 testo("TitoloQuietanzante", 10)});
    aggiungi(c, {data("DataRiferimentoTerminiPagamento"), data("DataScadenzaPagamento"),
                 data("DataLimitePagamentoAnticipato"), data("DataDecorrenzaPenale")});
    aggiungi(c, {lungo("GiorniTerminiPagamento"), valuta("ImportoPagamento"),
                 valuta("ScontoPagamentoAnticipato"), valuta("PenalitaPagamentiRitardati")});
    // payment kind and the suite's payment type and bank
    aggiungi(c, {testo("AFETipPag", lenCodice), testo("PagTipo", lenCodice), testo("Banca", lenCodice)});

    t.chiave = {"XmlAnno", "XmlNumRif", "XmlRigDet", "NumCond"};
    return t;
}

Tabella datiGenerali() {
    Tabella t;
    t.nome = "FatXmlDatiGen";
    auto& c = t.colonne;
    c = chiaveFattura();
    // XMLIdent names the block, up to "ART_ScontoMaggiorazione"
    aggiungi(c,
             {nonNulla(testo("XMLIdent", 30)), nonNulla(lungo("XmlRigDet")), nonNulla(lungo("XmlNumEle"))});

    // 0-4: DatiOrdineAcquisto, DatiContratto, DatiConvenzione, DatiRicezione, DatiFattureCollegate
    for (const char* prefisso : {"DGD_DOA_", "DGD_DCT_", "DGD_DCO_", "DGD_DR_", "DGD_DFC_"})
        aggiungi(c, conPrefisso(prefisso, riferimentoDocumento()));
    // 5: DatiSAL. The import also writes Null to a bare RiferimentoFase when a row is added.
    aggiungi(c, {lungo("DGD_DS_RiferimentoFase"), lungo("RiferimentoFase")});
    // 6: DatiDDT
    aggiungi(c, conPrefisso("DGD_DDT_",
                            {testo("NumeroDDT", 20), data("DataDDT"), memo("RiferimentoNumeroLinea")}));
    // 7: DatiCassaPrevidenziale, with the suite's VAT code resolved for it
    aggiungi(c, conPrefisso("DGD_DCP_", {testo("TipoCassa", 4), valuta("AlCassa"),
                                         valuta("ImportoContributoCassa"), valuta("ImponibileCassa"),
                                         valuta("AliquotaIVA"), testo("Ritenuta", 2), testo("Natura", 4),
                                         testo("RiferimentoAmministrazione", 20), testo("Iva", lenCodice)}));
    // 8: ScontoMaggiorazione of the document
    aggiungi(c, conPrefisso("DGD_SM_", scontoMaggiorazione()));
    // 9: Allegati, without the attachment's content
    aggiungi(c, conPrefisso("ALL_", {testo("NomeAttachment", 60), testo("AlgoritmoCompressione", 10),
                                     testo("FormatoAttachment", 10), testo("DescrizioneAttachment", 100)}));
    // 10-12: line blocks CodiceArticolo, ScontoMaggiorazione, AltriDatiGestionali
    aggiungi(c, conPrefisso("CA_", {testo("CodiceTipo", 35), testo("CodiceValore", 35)}));
    aggiungi(c, conPrefisso("ART_SM_", scontoMaggiorazione()));
    aggiungi(c, conPrefisso("ADG_", {testo("TipoDato", 10), testo("RiferimentoTesto", 60),
                                     valuta("RiferimentoNumero"), data("RiferimentoData")}));
    // 13: DatiRitenuta after the first; same prefix as DatiRicezione, told apart by XMLIdent
    aggiungi(c, conPrefisso("DGD_DR_", ritenuta()));

    t.chiave = {"XmlAnno", "XmlNumRif", "XMLIdent", "XmlRigDet", "XmlNumEle"};
    return t;
}

} // namespace

std::vector<Tabella> tabelleStore() {
    return {testata(), dettaglio(), riepilogoIva(), pagamenti(), datiGenerali()};
}

} // namespace tesel::schema
