// Journal registrations, due dates, VAT registers and running totals of the accounts.

#include "schema/costruttori.h"

namespace tesel::schema {

using namespace costruttori;

namespace {

// The three journal families (staging, journal, third family) share every column: the
// transfer copies rows between them field by field.

std::vector<Colonna> colonneTestata() {
    std::vector<Colonna> v{
        intero("Anno"),
        lungo("NumReg"),
        data("DataReg"),
        testo("Causale", 10),
        flag("InValuta"),
        testo("DescrAgg", 200),
        testo("PreDoc", 10),
        testo("NumDoc", 20),
        data("DataDoc"),
        testo("PreProt", 10),
        lungo("NumProt"),
        data("DataProt"),
        testo("Moneta", 5),
        doppio("Cambio"),
        intero("PeriodoIva"),
        intero("AnnoIva"),
        flag("RagRB"),
        flag("BlackList"),
        flag("OperazRilev"),
        testo("PreDocOrig", 10),
        testo("NumDocOrig", 20),
        data("DataDocOrig"),
        flag("IvaPerCassa"),
        intero("XmlAnno"),
        lungo("XmlNumRif"),
        // Maintained by the journal's own programs: printed in the ledger / VAT register.
        testo("StatoGio", 10),
        testo("StatoIva", 10),
        testo("Pagamento", 10),
        intero("AnnoFat"),
        lungo("NumRifFat"),
        testo("CIG", 15),
        testo("CUP", 15),
        testo("Operatore", 50),
    };
    return v;
}

std::vector<Colonna> colonneRighe() {
    std::vector<Colonna> v{
        intero("Anno"),      lungo("NumReg"),     intero("RigReg"),      intero("RigLiv"),
        testo("PreDoc", 10), testo("NumDoc", 20), data("DataDoc"),       testo("PreProt", 10),
        lungo("NumProt"),    data("DataProt"),    intero("TipoPartita"),
    };
    conto(v, "GruppoPartita", "MastroPartita", "ContoPartita");
    v.push_back(intero("TipoCPartita"));
    conto(v, "GruppoCPartita", "MastroCPartita", "ContoCPartita");
    for (Colonna c :
         {lettera("DareAvere"), valuta("ImportoMon"), valuta("Importo"), doppio("Cambio"), testo("Iva", 10),
          valuta("ImpostaMon"), valuta("Imposta"), valuta("ImpostaIndetrMon"), valuta("ImpostaIndetr"),
          lettera("Forzatura"), lettera("ForzaturaMonCor"), lettera("FlagPartChiusa"), flag("BlackList")})
        v.push_back(c);
    conto(v, "GruppoBlackList", "MastroBlackList", "ContoBlackList");
    for (Colonna c : {flag("IvaPerCassa"), data("DataCompDa"), data("DataCompA"), testo("Descrizione", 100)})
        v.push_back(c);
    return v;
}

std::vector<Colonna> colonneIva() {
    std::vector<Colonna> v{intero("Anno"), lungo("NumReg"), intero("RigaIva"), testo("Iva", 10),
                           intero("TipoPartita")};
    conto(v, "GruppoPartita", "MastroPartita", "ContoPartita");
    for (const char* n : {"ImponibileMon", "Imponibile", "ImpostaMon", "Imposta", "ImpostaNDMon", "ImpostaND",
                          "ImponibileNDMon", "ImponibileND", "ImpVentilazione"})
        v.push_back(valuta(n));
    return v;
}

void famiglia(std::vector<Tabella>& out, const QString& suffisso) {
    out.push_back(
        tabella("MovPnTes" + suffisso, colonneTestata(), {"Anno", "NumReg"},
                {indice({"XmlAnno", "XmlNumRif"}), indice({"Anno", "PreProt", "NumProt", "DataProt"}),
                 // the check that a supplier's document is not registered twice, run by every posting
                 indice({"NumDoc", "DataDoc"})}));
    out.push_back(tabella("MovPnDett" + suffisso, colonneRighe(), {"Anno", "NumReg", "RigReg"},
                          {indice({"GruppoPartita", "MastroPartita", "ContoPartita"})}));
    out.push_back(tabella("MovPnIva" + suffisso, colonneIva(), {"Anno", "NumReg", "RigaIva"}));
}

Tabella scadenze() {
    std::vector<Colonna> v{intero("Anno"), lungo("NumProg"), intero("Tipo")};
    conto(v, "GruppoScad", "MastroScad", "ContoScad");
    for (Colonna c : {
             data("DataScad"),
             testo("PagTipo", 10),
             testo("BancaCF", 10),
             testo("CCorrente", 34),
             lungo("NumReg"),
             intero("AnnoReg"),
             testo("Prefisso", 10),
             testo("NumDoc", 20),
             data("DataDoc"),
             testo("PreProt", 10),
             lungo("NumProt"),
             data("DataProt"),
             testo("Causale", 10),
             intero("Rata"),
             testo("Moneta", 5),
             doppio("Cambio"),
             flag("NotaCredInvSegno"),
             flag("RagRB"),
             lettera("EntrataUscita"),
             valuta("ImportoScad"),
             valuta("ImportoScadLire"),
             valuta("ImportoScadEuro"),
             valuta("ImportoFatt"),
             valuta("ImpPagato"),
             flag("Insoluto"),
             flag("Manuale"),
             // Settlement and remittance: a due date paid or in a bank list cannot be removed.
             lungo("NumRegPag"),
             data("DataRegPag"),
             lungo("NumDist"),
             data("DataDist"),
             // A user editing the due date holds it; Null when nobody does.
             testo("Utente", 50),
             testo("Operatore", 50),
             testo("CIG", 15),
             testo("CUP", 15),
         })
        v.push_back(c);
    return tabella("Scadenze", std::move(v), {"Anno", "NumProg"},
                   {indice({"GruppoScad", "MastroScad", "ContoScad", "DataScad"}),
                    indice({"AnnoReg", "PreProt", "NumProt", "DataProt"}), indice({"AnnoReg", "NumReg"})});
}

Tabella libriIva() {
    return tabella("LibriIva",
                   {intero("Anno"), lettera("TipoReg"), testo("Pref", 10), lungo("NumDoc"),
                    data("DataUltDoc"), lungo("NumDocNC"), data("DataUltDocNC"), testo("Intestazione", 100),
                    testo("Attivita", 10), flag("Trasportatori"), data("IvaPerCassaDa"),
                    data("IvaPerCassaA")},
                   {"Anno", "TipoReg", "Pref"});
}

Tabella pdcProg() {
    std::vector<Colonna> v{intero("Anno"), intero("PartTipo")};
    conto(v, "CoPartGruppo", "CoPartMastro", "CoPartConto");
    for (Colonna c : {valuta("SaldoIniziale"), valuta("ProgrDare"), valuta("ProgrAvere"), data("UltAgg")})
        v.push_back(c);
    return tabella("PdcProg", std::move(v),
                   {"Anno", "PartTipo", "CoPartGruppo", "CoPartMastro", "CoPartConto"});
}

} // namespace

std::vector<Tabella> tabelleContabili() {
    std::vector<Tabella> v;
    famiglia(v, QStringLiteral("Fatt"));
    famiglia(v, QString());
    famiglia(v, QStringLiteral("Fitt"));
    v.push_back(scadenze());
    v.push_back(libriIva());
    v.push_back(pdcProg());
    return v;
}

} // namespace tesel::schema
