// Master tables of the suite: chart of accounts, VAT codes, causals, payment terms and
// types, banks, currencies, articles, expenses, code translations, countries, code tables.

#include "schema/costruttori.h"

namespace tesel::schema {

using namespace costruttori;

namespace {

// Accounts of the chart have Tipo 1 (general), 2 (supplier) or 3 (customer); group and ledger
// headings are rows with an empty Mastro / Conto and Tipo 0, so they cannot be posted to.
Tabella pianoConti() {
    std::vector<Colonna> v;
    conto(v, "Gruppo", "Mastro", "Conto");
    for (Colonna c : {
             intero("Tipo"),
             testo("Descrizione", 100),
             testo("RagSoc", 60),
             testo("RagSoc2", 60),
             lettera("StatoGiurid"),
             testo("Cognome", 60),
             testo("Nome", 60),
             testo("FETitolo", 10),
             testo("FECodEori", 17),
             testo("PartIva", 28),
             testo("CodFisc", 16),
             testo("Indirizzo", 100),
             testo("CAP", 10),
             testo("Comune", 60),
             testo("Localita", 60),
             testo("Pr", 2),
             testo("Stato", 3),
             testo("Telefono", 20),
             testo("Fax", 20),
             testo("EMail", 256),
             testo("PersRiferimento", 60),
             testo("FAStabOrgIndir", 100),
             testo("FAStabOrgCap", 10),
             testo("FAStabOrgComune", 60),
             testo("FAStabOrgPr", 2),
             testo("FAStabOrgStato", 3),
             data("DataAp"),
             testo("Moneta", 5),
             valuta("PercRitAcc"),
             testo("Banca", 10),
             testo("CCorrente", 34),
             testo("Pagamento", 10),
         })
        v.push_back(c);
    conto(v, "GruppoContr", "MastroContr", "ContoContr"); // default counter-account of a supplier
    v.push_back(lettera("FEContoPrior"));                 // "A" article first, "F" supplier first
    // The e-mail contacts after the main one (EMail): administrative, commercial, shipping;
    // EmailPredef (1 to 4) says which one the prints send to.
    for (Colonna c :
         {testo("Email2", 256), testo("Email3", 256), testo("Email4", 256), intero("EmailPredef")})
        v.push_back(c);
    v.push_back(testo("Iva", 10));
    conto(v, "GruppoCFColl", "MastroCFColl", "ContoCFColl"); // customer linked for reverse charge
    for (const char* f :
         {"BlackList", "SiValuta", "RagRB", "SoggRitAcconto", "OperazRilev", "SpeseBan", "Bolli", "RagDDT",
          "RagOrd", "StRifOrd", "StRifCli", "IvaSosp", "PrezzoDDT", "IvaCassaDisabil", "Ventilazione"})
        v.push_back(flag(f));
    for (Colonna c : {flag("AllegCF", "S"), predefinita(valuta("Rischio"), "0"), testo("TipoProvv", 2),
                      data("msPC_DataProcConcDa"), data("msPC_DataProcConcA")})
        v.push_back(c);
    return tabella("PianoConti", std::move(v), {"Gruppo", "Mastro", "Conto"},
                   {indice({"PartIva"}), indice({"CodFisc"}), indice({"Tipo", "Gruppo", "Mastro", "Conto"})});
}

// TipoIva: "1" taxable, "2" not taxable (non imponibile), "3" exempt, "4" excluded,
// "5" outside the scope of VAT (non soggetto); kinds 2 to 5 carry no VAT.
Tabella tabIva() {
    return tabella("TabIva",
                   {testo("Iva", 10), testo("Descrizione", 100), valuta("Aliquota"), lettera("TipoIva"),
                    valuta("PercNonDetr"), testo("FENatura", 5), testo("AFEIvaEse", 10),
                    intero("FA_Iva_Prior"), flag("EsclBollato"), flag("RevCharge"),
                    testo("CodSostScorp", 10)},
                   {"Iva"}, {indice({"FENatura"})});
}

// TipoCausale: "A" purchases, "V" sales, "P" payments, "G" other entries, "AP" opening.
// RevCharge: "N" none, "S" reverse charge, "M" reverse charge mixed with ordinary VAT.
Tabella causali() {
    std::vector<Colonna> v{testo("Causale", 10),
                           testo("Descrizione", 100),
                           testo("TipoCausale", 2),
                           lettera("TipoReg"),
                           testo("Prefisso", 10),
                           lettera("SegnoPrinc"),
                           predefinita(lettera("RevCharge"), "'N'"),
                           testo("FATipoDoc", 4),
                           intero("FA_TD_Prior"),
                           flag("InValuta"),
                           flag("Trasportatori"),
                           flag("FattDett"),
                           flag("RegimeMargine")};
    conto(v, "IvaGruppo", "IvaMastro", "IvaConto");
    v.push_back(testo("CausRit", 10));
    v.push_back(testo("CausConcatenata", 10));
    conto(v, "CoPartGruppo", "CoPartMastro", "CoPartConto");
    conto(v, "PartGruppo", "PartMastro", "PartConto");
    for (const char* f : {"RegInsoluto", "IntraCee", "ImportNoCee", "SplitPay"})
        v.push_back(flag(f));
    return tabella("Causali", std::move(v), {"Causale"}, {indice({"FATipoDoc", "TipoReg"})});
}

constexpr int RatePagamento = 12;

Tabella pagamenti() {
    std::vector<Colonna> v{testo("Pagamento", 10), testo("Descrizione", 100), testo("PagTipo", 10),
                           lettera("Decorrenza"),  lettera("Periodicita"),    intero("NumScad"),
                           lettera("TrattamIva"),  intero("GiornoFisso"),     intero("NumGGMM"),
                           intero("MeseNoEf1"),    intero("MeseNoEf2"),       intero("GioMesSucc1"),
                           intero("GioMesSucc2"),  intero("ScadValuta")};
    for (int i = 1; i <= RatePagamento; ++i)
        v.push_back(intero(QStringLiteral("Periodo%1").arg(i)));
    for (int i = 1; i <= RatePagamento; ++i)
        v.push_back(valuta(QStringLiteral("Percentuale%1").arg(i)));
    return tabella("Pagamenti", std::move(v), {"Pagamento"});
}

Tabella pagTipi() {
    return tabella("PagTipi",
                   {testo("PagTipo", 10), testo("Descrizione", 100), testo("FETipPag", 4),
                    testo("AFETipPag", 4), flag("RegIncAut")},
                   {"PagTipo"}, {indice({"FETipPag", "AFETipPag"})});
}

Tabella banche() {
    return tabella("Banche",
                   {testo("Banca", 10), testo("Descrizione", 100), testo("Abi", 5), testo("Cab", 5),
                    testo("Bic", 11), testo("Indirizzo", 100), testo("Comune", 60), testo("Pr", 2),
                    testo("CCorrente", 34), testo("Iban", 34)},
                   {"Banca"}, {indice({"Abi", "Cab"})});
}

Tabella monete() {
    return tabella("Monete",
                   {testo("Moneta", 5), testo("Descrizione", 50), testo("Iso", 3), intero("NumDec"),
                    doppio("Cambio"), testo("Simbolo", 5)},
                   {"Moneta"}, {indice({"Iso"})});
}

Tabella articoli() {
    std::vector<Colonna> v{testo("Articolo", 35), testo("Descrizione", 100), testo("Barcode", 20),
                           testo("UnitaMisura", 10)};
    conto(v, "GruppoMerAcq", "MastroMerAcq", "ContoMerAcq");
    v.push_back(testo("Iva", 10));
    v.push_back(flag("Inattivo"));
    return tabella("Articoli", std::move(v), {"Articolo"}, {indice({"Barcode"})});
}

// The supplier's own code of an article (FatturaPA CodiceValore is up to 35 characters).
Tabella articoliFor() {
    std::vector<Colonna> v;
    conto(v, "GruppoFor", "MastroFor", "ContoFor");
    for (Colonna c : {testo("ArticoloFor", 35), testo("Articolo", 35), testo("Descrizione", 100)})
        v.push_back(c);
    return tabella("ArticoliFor", std::move(v), {"GruppoFor", "MastroFor", "ContoFor", "ArticoloFor"},
                   {indice({"Articolo"})});
}

Tabella spese() {
    std::vector<Colonna> v{testo("Spesa", 10), testo("Descrizione", 100)};
    conto(v, "Gruppo", "Mastro", "Conto");
    for (Colonna c : {testo("AFETipoSpesa", 10), flag("CassaPrev"), valuta("Percentuale")})
        v.push_back(c);
    return tabella("Spese", std::move(v), {"Spesa"}, {indice({"AFETipoSpesa"})});
}

Tabella tabTrascod() {
    return tabella(
        "TabTrascod",
        {testo("Tabella", 10), testo("Codint1", 20), testo("CodExt", 20), testo("Descrizione", 100)},
        {"Tabella", "Codint1"});
}

Tabella stati() {
    return tabella("Stati", {testo("Stato", 3), testo("Descrizione", 60), testo("Iso", 2), flag("Cee")},
                   {"Stato"}, {indice({"Iso"})});
}

// The VAT settlement of each year and activity: TipoLiq "M" monthly / "T" quarterly;
// TipoContabilita "G" ordinary (general) accounts, "S" simplified.
Tabella ivaRiep() {
    return tabella("IvaRiep",
                   {intero("Anno"), testo("Attivita", 10), lettera("TipoLiq"), lettera("TipoContabilita")},
                   {"Anno", "Attivita"});
}

// Public code tables by name (TipoTab): FETipDoc, FENatura, FEModPag, AFETipPag, ...
// Riferimento ties a code to one of another table (an exemption kind to its nature).
Tabella decodifiche() {
    return tabella(
        "Decodifiche",
        {testo("TipoTab", 20), testo("Codice", 10), testo("Descrizione", 255), testo("Riferimento", 20)},
        {"TipoTab", "Codice"});
}

} // namespace

std::vector<Tabella> tabelleAnagrafiche() {
    return {pianoConti(), tabIva(),      causali(), pagamenti(),  pagTipi(), banche(),  monete(),
            articoli(),   articoliFor(), spese(),   tabTrascod(), stati(),   ivaRiep(), decodifiche()};
}

} // namespace tesel::schema
