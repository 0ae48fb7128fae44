#include "schema/demo.h"

#include "frame/codiceconto.h"
#include "frame/database.h"
#include "schema/schema.h"

#include <QDate>
#include <QVariant>
#include <algorithm>
#include <stdexcept>

namespace tesel::schema {

namespace {

// Rows of one table as texts, in the order of `colonne`. An empty text is Null, except in a
// key column where it is the empty text (group and ledger headings of the chart).
struct Blocco {
    QString tabella;
    QStringList colonne;
    std::vector<QStringList> righe;
};

Blocco blocco(const QString& tabella, const QString& colonne, std::initializer_list<QStringList> righe) {
    return {tabella, colonne.split(QChar(',')), righe};
}

int tipoSql(Tipo t) {
    switch (t) {
    case Tipo::Intero:
        return SqlIntero;
    case Tipo::Lungo:
        return SqlLungo;
    case Tipo::Valuta:
        return SqlValuta;
    case Tipo::Doppio:
        return SqlDoppio;
    case Tipo::Data:
        return SqlData;
    case Tipo::Testo:
    case Tipo::Memo:
    case Tipo::Sino:
        break;
    }
    return SqlTesto;
}

// Adds the rows whose key is not in the table yet; a row already there is left as it is,
// whatever the user changed in it.
void inserisciMancanti(Database& db, const std::vector<Tabella>& schema, const Blocco& b) {
    const Tabella* t = trovaTabella(schema, b.tabella);
    if (!t)
        throw std::logic_error("Tabella sconosciuta nei dati demo: " + b.tabella.toStdString());
    std::vector<const Colonna*> colonne;
    for (const QString& nome : b.colonne) {
        const Colonna* c = t->colonna(nome);
        if (!c)
            throw std::logic_error("Colonna sconosciuta nei dati demo: " +
                                   (t->nome + QChar('.') + nome).toStdString());
        colonne.push_back(c);
    }
    std::vector<qsizetype> chiave;
    for (const QString& k : t->chiave) {
        qsizetype i = b.colonne.size() - 1;
        while (i >= 0 && b.colonne[i].compare(k, Qt::CaseInsensitive) != 0)
            --i;
        if (i < 0)
            throw std::logic_error("Dati demo senza la chiave " + (t->nome + QChar('.') + k).toStdString());
        chiave.push_back(i);
    }
    const bool contiNumerici = db.contiNumerici();
    auto letterale = [&](const QStringList& riga, qsizetype i) {
        const bool diChiave = std::find(chiave.begin(), chiave.end(), i) != chiave.end();
        if (colonne[i]->parteConto && (diChiave || !riga[i].isEmpty()))
            return SqlValore(CodiceConto::valoreParte(riga[i], contiNumerici));
        const QVariant v = riga[i].isEmpty() && !diChiave ? QVariant() : QVariant(riga[i]);
        return SqlValore(v, tipoSql(colonne[i]->tipo));
    };
    for (const QStringList& riga : b.righe) {
        if (riga.size() != b.colonne.size())
            throw std::logic_error("Riga demo di " + t->nome.toStdString() + " con " +
                                   std::to_string(riga.size()) +
                                   " valori: " + riga.join(QChar(',')).toStdString());
        QStringList condizione;
        for (qsizetype i : chiave)
            condizione << colonne[i]->nome + " = " + letterale(riga, i);
        if (db.valore("SELECT COUNT(*) FROM " + t->nome + " WHERE " + condizione.join(" AND ")).toLongLong() >
            0)
            continue;
        QStringList valori;
        for (qsizetype i = 0; i < riga.size(); ++i)
            valori << letterale(riga, i);
        db.EseguiSql("INSERT INTO " + t->nome + " (" + b.colonne.join(", ") + ") VALUES (" +
                     valori.join(", ") + QChar(')'));
    }
}

void popola(Database& db, const std::vector<Tabella>& schema, const std::vector<Blocco>& blocchi) {
    Transazione tr(db);
    for (const Blocco& b : blocchi)
        inserisciMancanti(db, schema, b);
    tr.conferma();
}

// ---------------------------------------------------------------------------------------
// Demo Srl. The tables are kept one row per line.
// clang-format off

const QString PartitaIvaDitta = QStringLiteral("04738210287");

Blocco stati() {
    return blocco("Stati", "Stato,Descrizione,Iso,Cee", {
        {"IT", "Italia", "IT", "S"}, {"SM", "San Marino", "SM", "N"}, {"VA", "Città del Vaticano", "VA", "N"},
        {"AT", "Austria", "AT", "S"}, {"BE", "Belgio", "BE", "S"}, {"CZ", "Repubblica Ceca", "CZ", "S"},
        {"DE", "Germania", "DE", "S"}, {"DK", "Danimarca", "DK", "S"}, {"ES", "Spagna", "ES", "S"},
        {"FR", "Francia", "FR", "S"}, {"HR", "Croazia", "HR", "S"}, {"HU", "Ungheria", "HU", "S"},
        {"IE", "Irlanda", "IE", "S"}, {"LU", "Lussemburgo", "LU", "S"}, {"NL", "Paesi Bassi", "NL", "S"},
        {"PL", "Polonia", "PL", "S"}, {"PT", "Portogallo", "PT", "S"}, {"RO", "Romania", "RO", "S"},
        {"SE", "Svezia", "SE", "S"}, {"SI", "Slovenia", "SI", "S"}, {"CH", "Svizzera", "CH", "N"},
        {"GB", "Regno Unito", "GB", "N"}, {"NO", "Norvegia", "NO", "N"}, {"US", "Stati Uniti d'America", "US", "N"},
        {"CA", "Canada", "CA", "N"}, {"CN", "Cina", "CN", "N"}, {"JP", "Giappone", "JP", "N"},
        {"IN", "India", "IN", "N"}});
}

Blocco monete() {
    return blocco("Monete", "Moneta,Descrizione,Iso,NumDec,Cambio,Simbolo", {
        {"EUR", "Euro", "EUR", "2", "1", "€"},
        {"USD", "Dollaro statunitense", "USD", "2", "1.08", "$"},
        {"GBP", "Sterlina britannica", "GBP", "2", "0.85", "£"},
        {"CHF", "Franco svizzero", "CHF", "2", "0.95", "CHF"}});
}

// The first two are the company's own accounts; the others are branches of suppliers' banks.
Blocco banche() {
    return blocco("Banche", "Banca,Descrizione,Abi,Cab,Bic,Indirizzo,Comune,Pr,CCorrente,Iban", {
        {"BPC", "Banca Popolare dei Colli - Filiale di Padova", "05728", "12100", "BPCOIT3PXXX",
         "Piazza dei Signori 4", "Padova", "PD", "000012345678", "IT35H0572812100000012345678"},
        {"CRV", "Cassa di Risparmio di Valleverde - Padova Centro", "06230", "12600", "CRVLIT2VXXX",
         "Via VIII Febbraio 21", "Padova", "PD", "000000918273", "IT26R0623012600000000918273"},
        {"BCA", "Banca di Credito Adriatico - Pescara", "08975", "62160", "", "Corso Vittorio Emanuele 90", "Pescara", "PE", "", ""},
        {"BLO", "Banca Lombarda Orobica - Bergamo", "03389", "11700", "", "Via XX Settembre 15", "Bergamo", "BG", "", ""},
        {"BMS", "Banca del Mezzogiorno - Bari", "05034", "04000", "", "Corso Cavour 120", "Bari", "BA", "", ""}});
}

Blocco pagTipi() {
    return blocco("PagTipi", "PagTipo,Descrizione,FETipPag,AFETipPag,RegIncAut", {
        {"RD",  "Rimessa diretta",                      "MP01", "TP02", "S"},
        {"AS",  "Assegno bancario",                     "MP02", "TP02", "N"},
        {"BB",  "Bonifico bancario",                    "MP05", "TP02", "N"},
        {"BBR", "Bonifico bancario a rate",             "MP05", "TP01", "N"},
        {"BBA", "Bonifico bancario anticipato",         "MP05", "TP03", "N"},
        {"CP",  "Carta di pagamento",                   "MP08", "TP02", "N"},
        {"RB",  "Ricevuta bancaria",                    "MP12", "TP02", "N"},
        {"RBR", "Ricevuta bancaria a rate",             "MP12", "TP01", "N"},
        {"MAV", "MAV",                                  "MP13", "TP02", "N"},
        {"BP",  "Bollettino di conto corrente postale", "MP18", "TP02", "N"},
        {"SDD", "Addebito diretto SEPA",                "MP19", "TP02", "N"},
        {"SDC", "Addebito diretto SEPA CORE",           "MP20", "TP02", "N"},
        {"PPA", "PagoPA",                               "MP23", "TP02", "N"}});
}

// Decorrenza D document date / F end of month; Periodicita M months and G days (NumGGMM
// apart), T months and A days given per instalment in Periodo1..n; TrattamIva U puts the
// VAT alone in the first instalment.
Blocco pagamenti() {
    return blocco("Pagamenti",
        "Pagamento,Descrizione,PagTipo,Decorrenza,Periodicita,NumScad,TrattamIva,GiornoFisso,NumGGMM,"
        "MeseNoEf1,MeseNoEf2,GioMesSucc1,GioMesSucc2,Periodo1,Periodo2,Periodo3,Percentuale1,Percentuale2,Percentuale3", {
        {"RD",       "Rimessa diretta",                        "RD",  "D", "G", "1", "P", "0",  "0",  "0", "0",  "0",  "0",  "0", "",  "", "100",   "",      ""},
        {"BB30",     "Bonifico 30 gg data fattura",            "BB",  "D", "G", "1", "P", "0",  "30", "0", "0",  "0",  "0",  "",  "",  "", "100",   "",      ""},
        {"BB60",     "Bonifico 60 gg data fattura",            "BB",  "D", "G", "1", "P", "0",  "60", "0", "0",  "0",  "0",  "",  "",  "", "100",   "",      ""},
        {"BB30FM",   "Bonifico 30 gg fine mese",               "BB",  "F", "M", "1", "P", "0",  "1",  "0", "0",  "0",  "0",  "",  "",  "", "100",   "",      ""},
        {"BB10FM",   "Bonifico al 10 del mese successivo",     "BB",  "F", "G", "1", "P", "10", "0",  "0", "0",  "0",  "0",  "",  "",  "", "100",   "",      ""},
        {"BB3060",   "Bonifico 30-60 gg data fattura",         "BBR", "D", "G", "2", "P", "0",  "30", "0", "0",  "0",  "0",  "",  "",  "", "50",    "50",    ""},
        {"BB3090",   "Bonifico 30-90 gg data fattura",         "BBR", "D", "T", "2", "P", "0",  "0",  "0", "0",  "0",  "0",  "1", "2", "", "50",    "50",    ""},
        {"BBA",      "Bonifico anticipato",                    "BBA", "D", "G", "1", "P", "0",  "0",  "0", "0",  "0",  "0",  "",  "",  "", "100",   "",      ""},
        {"RB60FM",   "Ri.Ba. 60 gg fine mese",                 "RB",  "F", "M", "1", "P", "0",  "2",  "0", "0",  "0",  "0",  "",  "",  "", "100",   "",      ""},
        {"RB60FMX",  "Ri.Ba. 60 gg f.m., agosto e dicembre al 10 del mese dopo",
                                                               "RB",  "F", "M", "1", "P", "0",  "2",  "8", "12", "10", "10", "",  "",  "", "100",   "",      ""},
        {"RB306090", "Ri.Ba. 30-60-90 gg fine mese",           "RBR", "F", "M", "3", "P", "0",  "1",  "0", "0",  "0",  "0",  "",  "",  "", "33.33", "33.33", "33.34"},
        {"RBIVA",    "Ri.Ba. IVA a 30 gg, imponibile a 60-90 gg fine mese",
                                                               "RBR", "F", "M", "3", "U", "0",  "1",  "0", "0",  "0",  "0",  "",  "",  "", "",      "50",    "50"},
        {"SDD15",    "Addebito SEPA 15 gg data fattura",       "SDD", "D", "G", "1", "P", "0",  "15", "0", "0",  "0",  "0",  "",  "",  "", "100",   "",      ""}});
}

// TipoIva: 1 taxable, 2 not taxable, 3 exempt, 4 excluded, 5 outside the scope of VAT.
// Reverse-charge codes carry the rate the buyer integrates, with the N6 nature of the
// document; the codes with the natures N2, N3, N6 used until 2020 serve old invoices.
Blocco tabIva() {
    return blocco("TabIva", "Iva,Descrizione,Aliquota,TipoIva,PercNonDetr,FENatura,AFEIvaEse,FA_Iva_Prior,RevCharge", {
        {"22",     "Iva 22%",                                               "22", "1", "0",   "",     "",        "10", "N"},
        {"10",     "Iva 10%",                                               "10", "1", "0",   "",     "",        "10", "N"},
        {"5",      "Iva 5%",                                                "5",  "1", "0",   "",     "",        "10", "N"},
        {"4",      "Iva 4%",                                                "4",  "1", "0",   "",     "",        "10", "N"},
        {"22I40",  "Iva 22% indetraibile al 40% (autovetture)",             "22", "1", "40",  "",     "",        "0",  "N"},
        {"22I100", "Iva 22% totalmente indetraibile",                       "22", "1", "100", "",     "",        "0",  "N"},
        {"10I100", "Iva 10% totalmente indetraibile",                       "10", "1", "100", "",     "",        "0",  "N"},
        {"E15",    "Escluso art. 15 DPR 633/72",                            "0",  "4", "0",   "N1",   "N1-01",   "10", "N"},
        {"NS7",    "Non soggetto artt. 7-7septies DPR 633/72",              "0",  "5", "0",   "N2.1", "N2.1-01", "10", "N"},
        {"NS",     "Non soggetto artt. 2-5 DPR 633/72",                     "0",  "5", "0",   "N2.2", "N2.2-01", "10", "N"},
        {"NSF",    "Non soggetto regime forfettario L. 190/2014",           "0",  "5", "0",   "N2.2", "N2.2-02", "5",  "N"},
        {"NSM",    "Non soggetto regime di vantaggio art. 27 DL 98/2011",   "0",  "5", "0",   "N2.2", "N2.2-03", "5",  "N"},
        {"NS2",    "Non soggetto (natura N2 fino al 2020)",                 "0",  "5", "0",   "N2",   "",        "0",  "N"},
        {"NI8",    "Non imponibile art. 8 c.1 lett. a-b DPR 633/72",        "0",  "2", "0",   "N3.1", "N3.1-01", "10", "N"},
        {"NI41",   "Non imponibile art. 41 DL 331/93",                      "0",  "2", "0",   "N3.2", "N3.2-01", "10", "N"},
        {"NI71",   "Non imponibile art. 71 DPR 633/72 (San Marino)",        "0",  "2", "0",   "N3.3", "N3.3-01", "10", "N"},
        {"NI8B",   "Non imponibile art. 8-bis DPR 633/72",                  "0",  "2", "0",   "N3.4", "N3.4-01", "10", "N"},
        {"NI9",    "Non imponibile art. 9 DPR 633/72",                      "0",  "2", "0",   "N3.4", "N3.4-02", "5",  "N"},
        {"NI8C",   "Non imponibile art. 8 c.1 lett. c DPR 633/72 (dichiarazione d'intento)",
                                                                            "0",  "2", "0",   "N3.5", "N3.5-01", "10", "N"},
        {"NI72",   "Non imponibile art. 72 DPR 633/72",                     "0",  "2", "0",   "N3.6", "N3.6-01", "10", "N"},
        {"NI3",    "Non imponibile (natura N3 fino al 2020)",               "0",  "2", "0",   "N3",   "",        "0",  "N"},
        {"E10",    "Esente art. 10 DPR 633/72",                             "0",  "3", "0",   "N4",   "N4-01",   "10", "N"},
        {"RM",     "Regime del margine art. 36 DL 41/95",                   "0",  "4", "0",   "N5",   "N5-01",   "10", "N"},
        {"RC61",   "Reverse charge art. 74 c.7-8 DPR 633/72 (rottami)",     "22", "1", "0",   "N6.1", "N6.1-01", "10", "S"},
        {"RC62",   "Reverse charge art. 17 c.5 DPR 633/72 (oro e argento)", "22", "1", "0",   "N6.2", "N6.2-01", "10", "S"},
        {"RC63",   "Reverse charge art. 17 c.6 lett. a DPR 633/72 (subappalti edili)",
                                                                            "22", "1", "0",   "N6.3", "N6.3-01", "10", "S"},
        {"RC6310", "Reverse charge 10% subappalti edili (recupero edilizio)", "10", "1", "0", "N6.3", "N6.3-01", "5",  "S"},
        {"RC64",   "Reverse charge art. 17 c.6 lett. a-bis DPR 633/72 (fabbricati)",
                                                                            "22", "1", "0",   "N6.4", "N6.4-01", "10", "S"},
        {"RC65",   "Reverse charge art. 17 c.6 lett. b DPR 633/72 (telefoni cellulari)",
                                                                            "22", "1", "0",   "N6.5", "N6.5-01", "10", "S"},
        {"RC66",   "Reverse charge art. 17 c.6 lett. c DPR 633/72 (prodotti elettronici)",
                                                                            "22", "1", "0",   "N6.6", "N6.6-01", "10", "S"},
        {"RC67",   "Reverse charge art. 17 c.6 lett. a-ter DPR 633/72 (servizi comparto edile)",
                                                                            "22", "1", "0",   "N6.7", "N6.7-01", "10", "S"},
        {"RC68",   "Reverse charge art. 17 c.6 lett. d-bis/ter/quater DPR 633/72 (energia)",
                                                                            "22", "1", "0",   "N6.8", "N6.8-01", "10", "S"},
        {"RC69",   "Reverse charge - altri casi",                           "22", "1", "0",   "N6.9", "N6.9-01", "10", "S"},
        {"RC6",    "Reverse charge (natura N6 fino al 2020)",               "22", "1", "0",   "N6",   "",        "0",  "S"},
        {"N7",     "IVA assolta in altro stato UE",                         "0",  "5", "0",   "N7",   "N7-01",   "10", "N"}});
}

// Groups, ledgers and accounts (Tipo 0 headings, 1 general accounts, 3 customers); the
// suppliers follow in their own block.
Blocco pianoConti() {
    return blocco("PianoConti", "Gruppo,Mastro,Conto,Tipo,Descrizione", {
        {"10", "",   "",     "0", "Immobilizzazioni"},
        {"10", "10", "",     "0", "Immobilizzazioni materiali"},
        {"10", "10", "1001", "1", "Impianti e macchinari"},
        {"10", "10", "1002", "1", "Attrezzature industriali"},
        {"10", "10", "1003", "1", "Mobili e arredi"},
        {"10", "10", "1004", "1", "Macchine elettroniche d'ufficio"},
        {"10", "10", "1005", "1", "Autovetture"},
        {"20", "",   "",     "0", "Attivo circolante"},
        {"20", "10", "",     "0", "Clienti"},
        {"20", "10", "1001", "3", "Demo Srl - autofatture reverse charge"},
        {"20", "10", "1002", "3", "Clienti diversi"},
        {"20", "30", "",     "0", "Crediti tributari"},
        {"20", "30", "1001", "1", "Erario c/IVA acquisti"},
        {"20", "30", "1002", "1", "IVA acquisti ad esigibilità differita"},
        {"20", "30", "1003", "1", "Erario c/liquidazione IVA"},
        {"20", "40", "",     "0", "Disponibilità liquide"},
        {"20", "40", "1001", "1", "Cassa contanti"},
        {"20", "40", "1002", "1", "Banca Popolare dei Colli c/c"},
        {"20", "40", "1003", "1", "Cassa di Risparmio di Valleverde c/c"},
        {"30", "",   "",     "0", "Patrimonio netto"},
        {"30", "10", "",     "0", "Capitale e riserve"},
        {"30", "10", "1001", "1", "Capitale sociale"},
        {"30", "10", "1002", "1", "Riserva legale"},
        {"30", "10", "1003", "1", "Utili portati a nuovo"},
        {"40", "",   "",     "0", "Debiti"},
        {"40", "10", "",     "0", "Fornitori"},
        {"40", "20", "",     "0", "Debiti tributari"},
        {"40", "20", "1001", "1", "Erario c/IVA vendite"},
        {"40", "20", "1002", "1", "Erario c/ritenute lavoro autonomo"},
        {"40", "20", "1003", "1", "Erario c/ritenute lavoro dipendente"},
        {"40", "20", "1004", "1", "Erario c/IVA split payment"},
        {"40", "30", "",     "0", "Debiti previdenziali"},
        {"40", "30", "1001", "1", "Debiti verso INPS"},
        {"40", "30", "1002", "1", "Debiti verso ENASARCO"},
        {"40", "30", "1003", "1", "Debiti verso ENPAM"},
        {"40", "30", "1004", "1", "Debiti verso altri enti previdenziali"},
        {"60", "",   "",     "0", "Costi della produzione"},
        {"60", "10", "",     "0", "Acquisti"},
        {"60", "10", "1001", "1", "Merci c/acquisti"},
        {"60", "10", "1002", "1", "Materie prime c/acquisti"},
        {"60", "10", "1003", "1", "Materiale di consumo"},
        {"60", "10", "1004", "1", "Cancelleria e stampati"},
        {"60", "10", "1005", "1", "Carburanti e lubrificanti"},
        {"60", "20", "",     "0", "Servizi"},
        {"60", "20", "1001", "1", "Energia elettrica"},
        {"60", "20", "1002", "1", "Spese telefoniche"},
        {"60", "20", "1003", "1", "Consulenze amministrative e fiscali"},
        {"60", "20", "1004", "1", "Spese legali"},
        {"60", "20", "1005", "1", "Trasporti su acquisti"},
        {"60", "20", "1006", "1", "Manutenzioni e riparazioni"},
        {"60", "20", "1007", "1", "Pubblicità e grafica"},
        {"60", "20", "1008", "1", "Canoni software e servizi cloud"},
        {"60", "20", "1009", "1", "Lavori edili in subappalto"},
        {"60", "20", "1010", "1", "Spese e commissioni bancarie"},
        {"60", "20", "1011", "1", "Provvigioni passive"},
        {"60", "20", "1012", "1", "Contributi previdenziali professionisti"},
        {"60", "30", "",     "0", "Godimento beni di terzi"},
        {"60", "30", "1001", "1", "Affitti passivi"},
        {"60", "30", "1002", "1", "Noleggi"},
        {"60", "40", "",     "0", "Oneri diversi di gestione"},
        {"60", "40", "1001", "1", "Imposta di bollo"},
        {"60", "40", "1002", "1", "Omaggi"},
        {"60", "40", "1003", "1", "IVA indetraibile"},
        {"70", "",   "",     "0", "Valore della produzione"},
        {"70", "10", "",     "0", "Ricavi delle vendite e delle prestazioni"},
        {"70", "10", "1001", "1", "Merci c/vendite"},
        {"70", "10", "1002", "1", "Prestazioni di servizi"}});
}

// Fictional suppliers with well-formed VAT numbers and fiscal codes. Each row: account,
// name, legal kind (G company, F person), surname and name of a person, VAT number, fiscal
// code; address; contacts; bank and IBAN; payment terms; default cost account and account
// priority; VAT code; customer account linked for reverse charge; currency; withholding.
Blocco fornitori() {
    return blocco("PianoConti",
        "Gruppo,Mastro,Conto,Tipo,Descrizione,RagSoc,StatoGiurid,Cognome,Nome,PartIva,CodFisc,"
        "Indirizzo,CAP,Comune,Pr,Stato,Telefono,EMail,Banca,CCorrente,Pagamento,"
        "GruppoContr,MastroContr,ContoContr,FEContoPrior,Iva,GruppoCFColl,MastroCFColl,ContoCFColl,"
        "Moneta,PercRitAcc,SoggRitAcconto,DataAp", {
        {"40", "10", "1001", "2", "Ferramenta Adriatica Srl", "Ferramenta Adriatica Srl", "G", "", "", "03981270683", "03981270683",
         "Via Tiburtina Valeria 212", "65129", "Pescara", "PE", "IT", "0854512345", "amministrazione@ferramenta-adriatica.example",
         "BCA", "IT79I0897562160000000482911", "RB60FM", "60", "10", "1001", "A", "22", "", "", "", "EUR", "", "N", "2023-01-16"},
        {"40", "10", "1002", "2", "Cartoleria Moderna Snc di Conti & C.", "Cartoleria Moderna Snc di Conti & C.", "G", "", "",
         "02157840378", "02157840378", "Via dell'Indipendenza 48", "40121", "Bologna", "BO", "IT", "051234567",
         "ordini@cartoleriamoderna.example", "", "", "BB30", "60", "10", "1004", "F", "22", "", "", "", "EUR", "", "N", "2023-01-16"},
        {"40", "10", "1003", "2", "Energia Verde Distribuzione SpA", "Energia Verde Distribuzione SpA", "G", "", "", "07623940157",
         "07623940157", "Corso Magenta 85", "20123", "Milano", "MI", "IT", "0287654321", "fatture@energiaverde.example",
         "", "", "SDD15", "60", "20", "1001", "F", "22", "", "", "", "EUR", "", "N", "2023-02-01"},
        {"40", "10", "1004", "2", "Telecomunicazioni Alpine Srl", "Telecomunicazioni Alpine Srl", "G", "", "", "01844360220",
         "01844360220", "Via Brennero 130", "38121", "Trento", "TN", "IT", "0461987654", "clienti@telalpine.example",
         "", "", "SDD15", "60", "20", "1002", "F", "22", "", "", "", "EUR", "", "N", "2023-02-01"},
        {"40", "10", "1005", "2", "Bianchi Laura - dottore commercialista", "Bianchi Laura", "F", "Bianchi", "Laura", "03569210234",
         "BNCLRA75E52L781K", "Stradone Porta Nuova 12", "37122", "Verona", "VR", "IT", "045800112",
         "studio@bianchicommercialista.example", "", "", "BB30", "60", "20", "1003", "F", "22", "", "", "", "EUR", "20", "S", "2023-03-10"},
        {"40", "10", "1006", "2", "Esposito Marco - avvocato", "Esposito Marco", "F", "Esposito", "Marco", "08973450631",
         "SPSMRC68S03F839V", "Via Toledo 256", "80134", "Napoli", "NA", "IT", "0815523344", "segreteria@studioesposito.example",
         "", "", "BB30FM", "60", "20", "1004", "F", "22", "", "", "", "EUR", "20", "S", "2023-04-05"},
        {"40", "10", "1007", "2", "Trasporti Rapidi Lombardi Srl", "Trasporti Rapidi Lombardi Srl", "G", "", "", "04216780165",
         "04216780165", "Via Autostrada 32", "24126", "Bergamo", "BG", "IT", "035321654", "contabilita@trasportirapidi.example",
         "BLO", "IT07T0338911700000000739201", "RB306090", "60", "20", "1005", "F", "22", "", "", "", "EUR", "", "N", "2023-05-22"},
        {"40", "10", "1008", "2", "Edilcostruzioni Valle Srl", "Edilcostruzioni Valle Srl", "G", "", "", "05933020264",
         "05933020264", "Viale della Repubblica 19", "31100", "Treviso", "TV", "IT", "0422456789", "amministrazione@edilvalle.example",
         "", "", "BB60", "60", "20", "1009", "F", "RC63", "20", "10", "1001", "EUR", "", "N", "2023-06-12"},
        {"40", "10", "1009", "2", "Software Cloud Europa Srl", "Software Cloud Europa Srl", "G", "", "", "06788140017",
         "06788140017", "Corso Francia 110", "10143", "Torino", "TO", "IT", "0117891234", "billing@softwarecloud.example",
         "", "", "BB10FM", "60", "20", "1008", "F", "22", "", "", "", "EUR", "", "N", "2023-09-01"},
        {"40", "10", "1010", "2", "Ricci Paolo - agente di commercio", "Ricci Paolo", "F", "Ricci", "Paolo", "02744190428",
         "RCCPLA72B21A271P", "Via della Loggia 7", "60121", "Ancona", "AN", "IT", "071223344", "paolo.ricci@agenzia.example",
         "", "", "BB30FM", "60", "20", "1011", "F", "22", "", "", "", "EUR", "23", "S", "2024-01-08"},
        {"40", "10", "1011", "2", "Metalli e Rottami Sud Srl", "Metalli e Rottami Sud Srl", "G", "", "", "07122570729",
         "07122570729", "Via Napoli 351", "70132", "Bari", "BA", "IT", "0805566778", "uffici@metallirottamisud.example",
         "BMS", "IT87R0503404000000000556677", "BB30", "60", "10", "1002", "A", "RC61", "20", "10", "1001", "EUR", "", "N", "2024-02-19"},
        {"40", "10", "1012", "2", "Greco Andrea - grafica e comunicazione", "Greco Andrea", "F", "Greco", "Andrea", "06651830488",
         "GRCNDR85M30D612O", "Via de' Serragli 40", "50124", "Firenze", "FI", "IT", "0552345678", "andrea.greco@studiografico.example",
         "", "", "BB30", "60", "20", "1007", "F", "NSF", "", "", "", "EUR", "", "N", "2024-03-04"}});
}

// Purchase causals are found by document type (FATipoDoc) and reverse-charge flag; a
// reverse-charge causal chains the self-invoice on the sales register (ARC, NRV), which
// chains the entry that settles it (GRC). INT posts the integration documents TD16-TD19
// (TabTrascod sends TD17-TD19 to it): VAT on both registers, no cost and no debt. Each row: causal, description, kind, register,
// prefix, main side, reverse charge, document type and priority, currency and margin flags,
// VAT account, withholding causal, chained causal, counter-account, customer account.
Blocco causali() {
    return blocco("Causali",
        "Causale,Descrizione,TipoCausale,TipoReg,Prefisso,SegnoPrinc,RevCharge,FATipoDoc,FA_TD_Prior,InValuta,"
        "RegimeMargine,IvaGruppo,IvaMastro,IvaConto,CausRit,CausConcatenata,CoPartGruppo,CoPartMastro,CoPartConto,"
        "PartGruppo,PartMastro,PartConto", {
        {"FAA", "Fattura di acquisto",                   "A",  "A", "",   "A", "N", "TD01", "10", "N", "N", "20", "30", "1001", "RIT", "",    "",   "",   "",     "",   "",   ""},
        {"PAR", "Parcella di professionista",            "A",  "A", "",   "A", "N", "TD06", "10", "N", "N", "20", "30", "1001", "RIT", "",    "",   "",   "",     "",   "",   ""},
        {"NDA", "Nota di debito da fornitore",           "A",  "A", "",   "A", "N", "TD05", "10", "N", "N", "20", "30", "1001", "RIT", "",    "",   "",   "",     "",   "",   ""},
        {"NCA", "Nota di credito da fornitore",          "A",  "A", "",   "D", "N", "TD04", "10", "N", "N", "20", "30", "1001", "",    "",    "",   "",   "",     "",   "",   ""},
        {"FAV", "Fattura di acquisto in valuta",         "A",  "A", "",   "A", "N", "TD01", "0",  "S", "N", "20", "30", "1001", "",    "",    "",   "",   "",     "",   "",   ""},
        {"FAM", "Acquisto beni usati in regime del margine",
                                                         "A",  "A", "",   "A", "N", "TD01", "0",  "N", "S", "20", "30", "1001", "",    "",    "",   "",   "",     "",   "",   ""},
        {"FRC", "Fattura di acquisto in reverse charge", "A",  "A", "",   "A", "S", "TD01", "10", "N", "N", "20", "30", "1001", "RIT", "ARC", "",   "",   "",     "",   "",   ""},
        {"FRM", "Fattura di acquisto con reverse charge e IVA ordinaria",
                                                         "A",  "A", "",   "A", "M", "TD01", "5",  "N", "N", "20", "30", "1001", "RIT", "ARC", "",   "",   "",     "",   "",   ""},
        {"INT", "Integrazione IVA di fattura reverse charge (TD16-TD19)",
                                                         "A",  "A", "",   "A", "S", "TD16", "10", "N", "N", "20", "30", "1001", "",    "ARC", "",   "",   "",     "",   "",   ""},
        {"NRC", "Nota di credito in reverse charge da fornitore",
                                                         "A",  "A", "",   "D", "S", "TD04", "10", "N", "N", "20", "30", "1001", "",    "NRV", "",   "",   "",     "",   "",   ""},
        {"ARC", "Autofattura reverse charge (integrazione IVA)",
                                                         "V",  "V", "RC", "D", "N", "TD16", "0",  "N", "N", "40", "20", "1001", "",    "GRC", "",   "",   "",     "20", "10", "1001"},
        {"NRV", "Storno autofattura reverse charge",     "V",  "V", "RC", "A", "N", "TD16", "0",  "N", "N", "40", "20", "1001", "",    "GRC", "",   "",   "",     "20", "10", "1001"},
        {"GRC", "Giroconto IVA reverse charge",          "G",  "",  "",   "D", "N", "",     "0",  "N", "N", "",   "",   "",     "",    "",    "",   "",   "",     "",   "",   ""},
        {"RIT", "Ritenute d'acconto su compensi",        "G",  "",  "",   "D", "N", "",     "0",  "N", "N", "",   "",   "",     "",    "",    "40", "20", "1002", "",   "",   ""},
        {"PAG", "Pagamento fornitore per cassa",         "P",  "",  "",   "D", "N", "",     "0",  "N", "N", "",   "",   "",     "",    "",    "20", "40", "1001", "",   "",   ""},
        {"PGB", "Pagamento fornitore a mezzo banca",     "P",  "",  "",   "D", "N", "",     "0",  "N", "N", "",   "",   "",     "",    "",    "20", "40", "1002", "",   "",   ""},
        {"OMA", "Omaggi ricevuti da fornitori",          "G",  "",  "",   "D", "N", "",     "0",  "N", "N", "",   "",   "",     "",    "",    "",   "",   "",     "",   "",   ""},
        {"FVE", "Fattura di vendita",                    "V",  "V", "",   "D", "N", "TD01", "10", "N", "N", "40", "20", "1001", "",    "",    "",   "",   "",     "",   "",   ""},
        {"NCV", "Nota di credito a cliente",             "V",  "V", "",   "A", "N", "TD04", "10", "N", "N", "40", "20", "1001", "",    "",    "",   "",   "",     "",   "",   ""},
        {"APE", "Apertura conti",                        "AP", "",  "",   "D", "N", "",     "0",  "N", "N", "",   "",   "",     "",    "",    "",   "",   "",     "",   "",   ""}});
}

Blocco fattDocumenti() {
    return blocco("FattDocumenti", "FattDocumento,Descrizione,Segno,Causale,TipoDocFE", {
        {"FT", "Fattura",           "+", "FVE", "TD01"},
        {"FD", "Fattura differita", "+", "FVE", "TD24"},
        {"ND", "Nota di debito",    "+", "FVE", "TD05"},
        {"NC", "Nota di credito",   "-", "NCV", "TD04"}});
}

// Document types searched with the causal of another type.
Blocco tabTrascod() {
    return blocco("TabTrascod", "Tabella,Codint1,CodExt,Descrizione", {
        {"§TD", "TD02", "TD01", "Acconto su fattura come fattura"},
        {"§TD", "TD03", "TD06", "Acconto su parcella come parcella"},
        {"§TD", "TD24", "TD01", "Fattura differita come fattura"},
        {"§TD", "TD25", "TD01", "Fattura differita (triangolare) come fattura"},
        {"§TD", "TD28", "TD01", "Acquisto da San Marino come fattura"},
        {"§TD", "TD17", "TD16", "Integrazione servizi dall'estero come integrazione reverse charge"},
        {"§TD", "TD18", "TD16", "Integrazione beni intracomunitari come integrazione reverse charge"},
        {"§TD", "TD19", "TD16", "Integrazione beni art. 17 c.2 come integrazione reverse charge"}});
}

Blocco articoli() {
    return blocco("Articoli", "Articolo,Descrizione,Barcode,UnitaMisura,GruppoMerAcq,MastroMerAcq,ContoMerAcq,Iva", {
        {"VITI-M6",  "Viti M6x20 zincate (conf. 100 pz)",              "8001234000011", "CF", "60", "10", "1001", "22"},
        {"TASS-8",   "Tasselli in nylon 8 mm (conf. 50 pz)",           "8001234000028", "CF", "60", "10", "1001", "22"},
        {"GUANTI-L", "Guanti da lavoro in nitrile taglia L",           "8001234000035", "PA", "60", "10", "1003", "22"},
        {"CARTA-A4", "Carta per fotocopie A4 80 g (risma 500 fogli)",  "8001234000042", "RS", "60", "10", "1004", "22"},
        {"TONER-N",  "Toner nero per stampante laser",                 "8001234000059", "PZ", "60", "10", "1004", "22"},
        {"ROTT-FE",  "Rottame ferroso",                                "",              "KG", "60", "10", "1002", "RC61"}});
}

Blocco articoliFor() {
    return blocco("ArticoliFor", "GruppoFor,MastroFor,ContoFor,ArticoloFor,Articolo,Descrizione", {
        {"40", "10", "1001", "FA-V6-20", "VITI-M6",  "Vite TE M6x20 zincata"},
        {"40", "10", "1001", "FA-T8",    "TASS-8",   "Tassello nylon 8"},
        {"40", "10", "1001", "FA-GN-L",  "GUANTI-L", "Guanto nitrile L"},
        {"40", "10", "1002", "CM-A480",  "CARTA-A4", "Risma A4 80 gr"},
        {"40", "10", "1002", "CM-TNR",   "TONER-N",  "Toner laser nero"},
        {"40", "10", "1011", "RS-FE01",  "ROTT-FE",  "Rottame di ferro"}});
}

// AFETipoSpesa holds the expense codes of the invoice lines (SP01 collection, SP02 stamp
// duty, SP03 transport); the contribution rows are found by rate, the Enasarco one by name.
Blocco spese() {
    return blocco("Spese", "Spesa,Descrizione,Gruppo,Mastro,Conto,AFETipoSpesa,CassaPrev,Percentuale", {
        {"INC", "Spese d'incasso",                              "60", "20", "1010", "SP01", "N", ""},
        {"BOL", "Imposta di bollo",                             "60", "40", "1001", "SP02", "N", ""},
        {"TRA", "Spese di trasporto",                           "60", "20", "1005", "SP03", "N", ""},
        {"ENA", "Contributo previdenziale enasarco agenti",     "40", "30", "1002", "",     "S", "8.5"},
        {"CP4", "Contributo integrativo cassa professionisti",  "60", "20", "1012", "",     "S", "4"}});
}

// Registers of the current year: purchases, sales and the sales register of reverse-charge
// self-invoices; the missing date "01/01/100" means no protocol yet.
Blocco libriIva(const QString& anno) {
    return blocco("LibriIva", "Anno,TipoReg,Pref,NumDoc,DataUltDoc,NumDocNC,DataUltDocNC,Intestazione,Attivita,Trasportatori", {
        {anno, "A", ".",  "0", "0100-01-01", "0", "0100-01-01", "Registro IVA acquisti", ".", "N"},
        {anno, "V", ".",  "0", "0100-01-01", "0", "0100-01-01", "Registro IVA vendite", ".", "N"},
        {anno, "V", "RC", "0", "0100-01-01", "0", "0100-01-01", "Registro IVA vendite - autofatture reverse charge", ".", "N"}});
}

Blocco ivaRiep(const QString& anno) {
    return blocco("IvaRiep", "Anno,Attivita,TipoLiq,TipoContabilita", {{anno, ".", "M", "G"}});
}

Blocco parametri(const QString& anno) {
    return blocco("ParametriAzienda", "Nome,Valore", {
        {"Ditta.RagSoc", "Demo Srl"},
        {"Ditta.PartIva", PartitaIvaDitta},
        {"Ditta.CodFisc", PartitaIvaDitta},
        {"Ditta.Indirizzo", "Via Euganea 101"},
        {"Ditta.CAP", "35141"},
        {"Ditta.Comune", "Padova"},
        {"Ditta.Pr", "PD"},
        {"Ditta.Moneta", "EUR"},
        {"Ditta.NumNCSepar", "N"},
        {"Ditta.PercRitAccFor", "20"},
        {"Ditta.RegIvaVen", "."},
        {"CauCon.GruppoFornitori", "40"},   {"CauCon.MastroFornitori", "10"},
        {"CauCon.GruppoAcq", "60"},         {"CauCon.MastroAcq", "10"},        {"CauCon.ContoAcq", "1001"},
        {"CauCon.GruppoIvaAcq", "20"},      {"CauCon.MastroIvaAcq", "30"},     {"CauCon.ContoIvaAcq", "1001"},
        {"CauCon.GruppoIvaCassaF", "20"},   {"CauCon.MastroIvaCassaF", "30"},  {"CauCon.ContoIvaCassaF", "1002"},
        {"CauCon.GruppoIvaVen", "40"},      {"CauCon.MastroIvaVen", "20"},     {"CauCon.ContoIvaVen", "1001"},
        {"CauCon.GruppoRitAcc", "40"},      {"CauCon.MastroRitAcc", "20"},     {"CauCon.ContoRitAcc", "1002"},
        {"CauCon.GruppoOmaggi", "60"},      {"CauCon.MastroOmaggi", "40"},     {"CauCon.ContoOmaggi", "1002"},
        {"CauCon.GruppoCassaCont", "20"},   {"CauCon.MastroCassaCont", "40"},  {"CauCon.ContoCassaCont", "1001"},
        {"CauCon.CausOmaggi", "OMA"},
        {"CauCon.SaldaCauPagamenti", "PAG"},
        // VAT of purchases under split payment, which the company pays to the State itself.
        {"CauCon.GruppoIvaSplit", "40"},    {"CauCon.MastroIvaSplit", "20"},   {"CauCon.ContoIvaSplit", "1004"},
        // Contributions withheld from the supplier (RT03 INPS, RT04 ENASARCO, RT05 ENPAM, RT06 other).
        {"CauCon.GruppoRitInps", "40"},     {"CauCon.MastroRitInps", "30"},    {"CauCon.ContoRitInps", "1001"},
        {"CauCon.GruppoRitEnasarco", "40"}, {"CauCon.MastroRitEnasarco", "30"}, {"CauCon.ContoRitEnasarco", "1002"},
        {"CauCon.GruppoRitEnpam", "40"},    {"CauCon.MastroRitEnpam", "30"},   {"CauCon.ContoRitEnpam", "1003"},
        {"CauCon.GruppoRitAltro", "40"},    {"CauCon.MastroRitAltro", "30"},   {"CauCon.ContoRitAltro", "1004"},
        {"CoGe.AnnoCorr", anno},
        {"CoGe.DataInizCont", "01/01/" + anno},
        {"CoGe.DataFineCont", "31/12/" + anno},
        {"CoGe.ApertoPrec", "N"},
        {"CoGe.IvaCassaAttiva", "N"},
        {"CoGe.IvaPerCassaDa", ""},
        {"CoGe.IvaPerCassaA", ""},
        // Registration numbers restart every year; there is no year from which they run on.
        {"Coge.AnnoAzzera", ""},
        {"Coge.Azzera", "S"},
        {"Fat.FEHubAzie", "001"},
        {"Fat.FattCreaScad", "N"},
        {"Fat.ContFatt", "N"},
        {"ArrotIvaEuro", "N"}});
}

// The public FatturaPA code tables, with the codes of the official schema (version 1.2.3 for
// the ordinary invoice, 1.0 for the simplified one).
void codici(Blocco& b, const QString& tabella, std::initializer_list<QStringList> voci) {
    for (QStringList v : voci) {
        if (v.size() < 3)
            v << QString();
        v.prepend(tabella);
        b.righe.push_back(v);
    }
}

Blocco decodifiche() {
    Blocco b{"Decodifiche", {"TipoTab", "Codice", "Descrizione", "Riferimento"}, {}};
    codici(b, "FETipDoc", {
        {"TD01", "Fattura"},
        {"TD02", "Acconto/anticipo su fattura"},
        {"TD03", "Acconto/anticipo su parcella"},
        {"TD04", "Nota di credito"},
        {"TD05", "Nota di debito"},
        {"TD06", "Parcella"},
        {"TD07", "Fattura semplificata"},
        {"TD08", "Nota di credito semplificata"},
        {"TD09", "Nota di debito semplificata"},
        {"TD16", "Integrazione fattura reverse charge interno"},
        {"TD17", "Integrazione/autofattura per acquisto servizi dall'estero"},
        {"TD18", "Integrazione per acquisto di beni intracomunitari"},
        {"TD19", "Integrazione/autofattura per acquisto di beni ex art. 17 c.2 DPR 633/72"},
        {"TD20", "Autofattura per regolarizzazione e integrazione delle fatture (ex art. 6 c.9-bis D.Lgs. 471/97 "
                 "o art. 46 c.5 D.L. 331/93)"},
        {"TD21", "Autofattura per splafonamento"},
        {"TD22", "Estrazione beni da Deposito IVA"},
        {"TD23", "Estrazione beni da Deposito IVA con versamento dell'IVA"},
        {"TD24", "Fattura differita di cui all'art. 21, comma 4, terzo periodo, lett. a) DPR 633/72"},
        {"TD25", "Fattura differita di cui all'art. 21, comma 4, terzo periodo, lett. b) DPR 633/72"},
        {"TD26", "Cessione di beni ammortizzabili e per passaggi interni (ex art. 36 DPR 633/72)"},
        {"TD27", "Fattura per autoconsumo o per cessioni gratuite senza rivalsa"},
        {"TD28", "Acquisti da San Marino con IVA (fattura cartacea)"},
        {"TD29", "Comunicazione per omessa o irregolare fatturazione da parte del cedente/prestatore italiano "
                 "(art. 6, comma 8, D.Lgs. 471/97)"}});
    codici(b, "FENatura", {
        {"N1", "Escluse ex art. 15 del DPR 633/72"},
        {"N2", "Non soggette (non più valido dal 01/01/2021)"},
        {"N2.1", "Non soggette ad IVA ai sensi degli artt. da 7 a 7-septies del DPR 633/72"},
        {"N2.2", "Non soggette - altri casi"},
        {"N3", "Non imponibili (non più valido dal 01/01/2021)"},
        {"N3.1", "Non imponibili - esportazioni"},
        {"N3.2", "Non imponibili - cessioni intracomunitarie"},
        {"N3.3", "Non imponibili - cessioni verso San Marino"},
        {"N3.4", "Non imponibili - operazioni assimilate alle cessioni all'esportazione"},
        {"N3.5", "Non imponibili - a seguito di dichiarazioni d'intento"},
        {"N3.6", "Non imponibili - altre operazioni che non concorrono alla formazione del plafond"},
        {"N4", "Esenti"},
        {"N5", "Regime del margine / IVA non esposta in fattura"},
        {"N6", "Inversione contabile (non più valido dal 01/01/2021)"},
        {"N6.1", "Inversione contabile - cessione di rottami e altri materiali di recupero"},
        {"N6.2", "Inversione contabile - cessione di oro e argento ai sensi della legge 7/2000 nonché di oreficeria "
                 "usata ad OPO"},
        {"N6.3", "Inversione contabile - subappalto nel settore edile"},
        {"N6.4", "Inversione contabile - cessione di fabbricati"},
        {"N6.5", "Inversione contabile - cessione di telefoni cellulari"},
        {"N6.6", "Inversione contabile - cessione di prodotti elettronici"},
        {"N6.7", "Inversione contabile - prestazioni comparto edile e settori connessi"},
        {"N6.8", "Inversione contabile - operazioni settore energetico"},
        {"N6.9", "Inversione contabile - altri casi"},
        {"N7", "IVA assolta in altro stato UE (prestazione di servizi di telecomunicazioni, tele-radiodiffusione ed "
               "elettronici ex art. 7-octies lett. a, b, art. 74-sexies DPR 633/72)"}});
    codici(b, "FEModPag", {
        {"MP01", "Contanti"}, {"MP02", "Assegno"}, {"MP03", "Assegno circolare"},
        {"MP04", "Contanti presso Tesoreria"}, {"MP05", "Bonifico"}, {"MP06", "Vaglia cambiario"},
        {"MP07", "Bollettino bancario"}, {"MP08", "Carta di pagamento"}, {"MP09", "RID"}, {"MP10", "RID utenze"},
        {"MP11", "RID veloce"}, {"MP12", "RIBA"}, {"MP13", "MAV"}, {"MP14", "Quietanza erario"},
        {"MP15", "Giroconto su conti di contabilità speciale"}, {"MP16", "Domiciliazione bancaria"},
        {"MP17", "Domiciliazione postale"}, {"MP18", "Bollettino di c/c postale"}, {"MP19", "SEPA Direct Debit"},
        {"MP20", "SEPA Direct Debit CORE"}, {"MP21", "SEPA Direct Debit B2B"},
        {"MP22", "Trattenuta su somme già riscosse"}, {"MP23", "PagoPA"}});
    codici(b, "AFETipPag", {{"TP01", "Pagamento a rate"}, {"TP02", "Pagamento completo"}, {"TP03", "Anticipo"}});
    codici(b, "FETipoCassa", {
        {"TC01", "Cassa nazionale previdenza e assistenza avvocati e procuratori legali"},
        {"TC02", "Cassa previdenza dottori commercialisti"},
        {"TC03", "Cassa previdenza e assistenza geometri"},
        {"TC04", "Cassa nazionale previdenza e assistenza ingegneri e architetti liberi professionisti"},
        {"TC05", "Cassa nazionale del notariato"},
        {"TC06", "Cassa nazionale previdenza e assistenza ragionieri e periti commerciali"},
        {"TC07", "Ente nazionale assistenza agenti e rappresentanti di commercio (ENASARCO)"},
        {"TC08", "Ente nazionale previdenza e assistenza consulenti del lavoro (ENPACL)"},
        {"TC09", "Ente nazionale previdenza e assistenza medici (ENPAM)"},
        {"TC10", "Ente nazionale previdenza e assistenza farmacisti (ENPAF)"},
        {"TC11", "Ente nazionale previdenza e assistenza veterinari (ENPAV)"},
        {"TC12", "Ente nazionale previdenza e assistenza impiegati dell'agricoltura (ENPAIA)"},
        {"TC13", "Fondo previdenza impiegati imprese di spedizione e agenzie marittime"},
        {"TC14", "Istituto nazionale previdenza giornalisti italiani (INPGI)"},
        {"TC15", "Opera nazionale assistenza orfani sanitari italiani (ONAOSI)"},
        {"TC16", "Cassa autonoma assistenza integrativa giornalisti italiani (CASAGIT)"},
        {"TC17", "Ente previdenza periti industriali e periti industriali laureati (EPPI)"},
        {"TC18", "Ente previdenza e assistenza pluricategoriale (EPAP)"},
        {"TC19", "Ente nazionale previdenza e assistenza biologi (ENPAB)"},
        {"TC20", "Ente nazionale previdenza e assistenza professione infermieristica (ENPAPI)"},
        {"TC21", "Ente nazionale previdenza e assistenza psicologi (ENPAP)"},
        {"TC22", "INPS"}});
    codici(b, "FETipoRitenuta", {
        {"RT01", "Ritenuta di acconto persone fisiche"},
        {"RT02", "Ritenuta di acconto persone giuridiche"},
        {"RT03", "Contributo INPS"},
        {"RT04", "Contributo ENASARCO"},
        {"RT05", "Contributo ENPAM"},
        {"RT06", "Altro contributo previdenziale"}});
    // Causals of payments subject to withholding, as in the withholding agents' certification.
    codici(b, "FE770", {
        {"A", "Prestazioni di lavoro autonomo rientranti nell'esercizio di arte o professione abituale"},
        {"B", "Utilizzazione economica, da parte dell'autore o dell'inventore, di opere dell'ingegno, di brevetti "
              "industriali e di processi, formule o informazioni"},
        {"C", "Utili derivanti da contratti di associazione in partecipazione e di cointeressenza con apporto di "
              "solo lavoro"},
        {"D", "Utili spettanti ai soci promotori e ai soci fondatori delle società di capitali"},
        {"E", "Levata di protesti cambiari da parte dei segretari comunali"},
        {"G", "Indennità corrisposte per la cessazione di attività sportiva professionale"},
        {"H", "Indennità corrisposte per la cessazione dei rapporti di agenzia"},
        {"I", "Indennità corrisposte per la cessazione da funzioni notarili"},
        {"L", "Redditi da utilizzazione economica di opere dell'ingegno e brevetti percepiti dagli aventi causa a "
              "titolo gratuito"},
        {"L1", "Redditi da utilizzazione economica di opere dell'ingegno e brevetti percepiti da chi ne ha "
               "acquistato a titolo oneroso i diritti"},
        {"M", "Prestazioni di lavoro autonomo non esercitate abitualmente"},
        {"M1", "Redditi derivanti dall'assunzione di obblighi di fare, di non fare o permettere"},
        {"M2", "Prestazioni di lavoro autonomo non esercitate abitualmente con obbligo di iscrizione alla "
               "Gestione Separata ENPAPI"},
        {"N", "Indennità di trasferta, rimborsi forfetari, premi e compensi per attività sportive dilettantistiche"},
        {"O", "Prestazioni di lavoro autonomo non esercitate abitualmente senza obbligo di iscrizione alla "
              "gestione separata"},
        {"O1", "Redditi da obblighi di fare, non fare o permettere senza obbligo di iscrizione alla gestione "
               "separata"},
        {"P", "Compensi a non residenti per l'uso o la concessione in uso di attrezzature industriali, commerciali "
              "o scientifiche"},
        {"Q", "Provvigioni corrisposte ad agente o rappresentante di commercio monomandatario"},
        {"R", "Provvigioni corrisposte ad agente o rappresentante di commercio plurimandatario"},
        {"S", "Provvigioni corrisposte a commissionario"},
        {"T", "Provvigioni corrisposte a mediatore"},
        {"U", "Provvigioni corrisposte a procacciatore di affari"},
        {"V", "Provvigioni corrisposte a incaricato per le vendite a domicilio o porta a porta"},
        {"V1", "Redditi derivanti da attività commerciali non esercitate abitualmente"},
        {"W", "Corrispettivi per prestazioni relative a contratti d'appalto (art. 25-ter DPR 600/73)"},
        {"X", "Canoni corrisposti nel 2004 da società o enti residenti a società o stabili organizzazioni di altri "
              "stati UE"},
        {"Y", "Canoni corrisposti dal 1° gennaio 2005 al 26 luglio 2005 da società o enti residenti"},
        {"Z", "Titolo diverso dai precedenti (non più valido dal 01/01/2021)"},
        {"ZO", "Titolo diverso dai precedenti"}});
    // Exemption kinds: the legal ground of a nature or sub-nature (Riferimento). A VAT code
    // carries one, so that codes of the same nature can be told apart when the kind of the
    // document is known.
    codici(b, "AFEIvaEse", {
        {"N1-01",   "Escluse ex art. 15 DPR 633/72", "N1"},
        {"N2.1-01", "Non soggette ex artt. da 7 a 7-septies DPR 633/72", "N2.1"},
        {"N2.2-01", "Non soggette - artt. 2, 3, 4 e 5 DPR 633/72", "N2.2"},
        {"N2.2-02", "Non soggette - regime forfettario art. 1 c. 54-89 L. 190/2014", "N2.2"},
        {"N2.2-03", "Non soggette - regime di vantaggio art. 27 DL 98/2011", "N2.2"},
        {"N3.1-01", "Non imponibili - esportazioni art. 8 c.1 lett. a) e b) DPR 633/72", "N3.1"},
        {"N3.2-01", "Non imponibili - cessioni intracomunitarie art. 41 DL 331/93", "N3.2"},
        {"N3.3-01", "Non imponibili - cessioni verso San Marino art. 71 DPR 633/72", "N3.3"},
        {"N3.4-01", "Non imponibili - operazioni assimilate art. 8-bis DPR 633/72", "N3.4"},
        {"N3.4-02", "Non imponibili - servizi internazionali art. 9 DPR 633/72", "N3.4"},
        {"N3.5-01", "Non imponibili - dichiarazione d'intento art. 8 c.1 lett. c) DPR 633/72", "N3.5"},
        {"N3.6-01", "Non imponibili - art. 72 DPR 633/72", "N3.6"},
        {"N4-01",   "Esenti art. 10 DPR 633/72", "N4"},
        {"N5-01",   "Regime del margine art. 36 DL 41/95", "N5"},
        {"N6.1-01", "Inversione contabile - rottami art. 74 c.7 e 8 DPR 633/72", "N6.1"},
        {"N6.2-01", "Inversione contabile - oro e argento art. 17 c.5 DPR 633/72", "N6.2"},
        {"N6.3-01", "Inversione contabile - subappalto edile art. 17 c.6 lett. a) DPR 633/72", "N6.3"},
        {"N6.4-01", "Inversione contabile - cessione di fabbricati art. 17 c.6 lett. a-bis) DPR 633/72", "N6.4"},
        {"N6.5-01", "Inversione contabile - telefoni cellulari art. 17 c.6 lett. b) DPR 633/72", "N6.5"},
        {"N6.6-01", "Inversione contabile - prodotti elettronici art. 17 c.6 lett. c) DPR 633/72", "N6.6"},
        {"N6.7-01", "Inversione contabile - servizi comparto edile art. 17 c.6 lett. a-ter) DPR 633/72", "N6.7"},
        {"N6.8-01", "Inversione contabile - settore energetico art. 17 c.6 lett. d-bis), d-ter), d-quater) DPR 633/72", "N6.8"},
        {"N6.9-01", "Inversione contabile - altri casi", "N6.9"},
        {"N7-01",   "IVA assolta in altro stato UE artt. 7-octies e 74-sexies DPR 633/72", "N7"}});
    return b;
}

// Issued invoices the suite's invoicing has queued for the Hub: three printed ones (the third
// a credit note) and one not printed yet, whose send is refused. Their files are installed
// in the demo's e-invoice folder by scripts/demo.sh, dated today as the rows are.
std::vector<Blocco> fattureEmesse(const QDate& oggi) {
    const QString anno = QString::number(oggi.year());
    const QString data = oggi.toString(Qt::ISODate);
    return {
        blocco("FatTest", "Anno,NumRif,PreDoc,NumDoc,DataDoc,ContoCli,Stato,FattDocumento,Moneta,TotDoc", {
            {anno, "1", "A", "1", data, "20-10-1002", "S", "FT", "EUR", "1037"},
            {anno, "2", "A", "2", data, "20-10-1002", "S", "FT", "EUR", "475.8"},
            {anno, "3", "A", "3", data, "20-10-1002", "S", "NC", "EUR", "122"},
            {anno, "4", "A", "4", data, "20-10-1002", "",  "FT", "EUR", "512.4"}}),
        blocco("FatTestFE", "Anno,NumRif,FEHubInvio,FEHubTermInvio,FEHubStatoIniz,FEFileXML", {
            {anno, "1", "A", "", "", "IT04738210287_A0001.xml"},
            {anno, "2", "A", "", "", "IT04738210287_A0002.xml"},
            {anno, "3", "A", "", "", "IT04738210287_A0003.xml"},
            {anno, "4", "A", "", "", "IT04738210287_A0004.xml"}})};
}

// clang-format on
} // namespace

void popolaDemo(Database& azienda) {
    const QString anno = QString::number(QDate::currentDate().year());
    popola(azienda, tabelleAzienda(),
           {stati(), monete(), banche(), pagTipi(), pagamenti(), tabIva(), pianoConti(), fornitori(),
            causali(), fattDocumenti(), tabTrascod(), articoli(), articoliFor(), spese(), libriIva(anno),
            ivaRiep(anno), blocco("TabFatt", "Id,FeProgrInvioCedente", {{"1", ""}}), parametri(anno),
            decodifiche()});
    popola(azienda, tabelleAzienda(), fattureEmesse(QDate::currentDate()));
}

void popolaDemoComune(Database& comune, const QString& nomeDbAzienda) {
    popola(comune, tabelleComuni(),
           {blocco("MenuParametri", "Nome,Valore",
                   {{"Versione", "0.1.0"},
                    {"DataVersione", "01/09/2025"},
                    {"VersMenu", "1.07"},
                    // The company's own values (NomeDBAzie, codiceazie...) come from its
                    // Aziende row, as the menu chose it.
                    // The Hub that scripts/demo.sh starts on the loopback, with the demo account.
                    {"FEHubUrl", "http://127.0.0.1:8765"},
                    {"FEHubLogin", "demo"},
                    {"FEHubPwd", "demo-hub"}}),
            blocco("MenuDett", "Codice,Descrizione,Programma,Form,Parametri,Ordine",
                   {{"FE01", "Caricamento XML fatture passive", "tesel", "frmFECarXML", "", "1"},
                    {"FE02", "Gestione fatture passive", "tesel", "frmFEPassTest", "", "2"},
                    {"FE03", "Contabilizzazione fatture passive", "tesel", "frmFEContab", "", "3"},
                    {"FE04", "Stampa fatture passive", "tesel", "frmFEStFtPass", "", "4"},
                    {"FE05", "Lista fatture passive dall'Hub", "tesel", "frmFELisPas", "", "5"},
                    {"FE06", "Lista fatture attive sull'Hub", "tesel", "frmFELisAtt", "", "6"},
                    {"FE07", "Invio fatture attive all'Hub", "tesel", "frmFEAppo", "FEInvio", "7"},
                    {"FE08", "Informazioni account Hub", "tesel", "frmFEInfo", "", "8"}}),
            blocco("Aziende", "CodiceAzie,IdAzienda,RagioneSociale,NomeDB,ConnectDB",
                   {{"DEMO", "1", "Demo Srl", nomeDbAzienda, ""}})});
}

} // namespace tesel::schema
