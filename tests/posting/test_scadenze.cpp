// Due dates: instalments from payment terms, the open items of a posted invoice and the
// automatic payment registrations of the instalments paid at once.

#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "posting/contabilizzazione.h"
#include "posting/scadenze.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <gtest/gtest.h>

namespace tesel::posting {
namespace {

Currency euro(const char* testo) {
    return *Currency::daTesto(std::string_view(testo));
}

QDate data(const Recordset& rs, const char* campo) {
    const auto d = dataOraDaVariant(rs.LeggiCampo(QString::fromLatin1(campo)));
    return d ? d->date() : QDate();
}

// "dd/mm/yyyy importo" for each instalment, joined by "; ".
QString testoRate(const std::vector<Rata>& rate) {
    QStringList v;
    for (const Rata& r : rate)
        v << r.data.toString(QStringLiteral("dd/MM/yyyy")) + u' ' + r.importo.testoXml();
    return v.join(QStringLiteral("; "));
}

// ---- Instalments from terms ------------------------------------------------------------------

struct CasoTermini {
    const char* descrizione;
    const char* decorrenza;
    const char* periodicita;
    int numScad;
    const char* trattamIva;
    int giornoFisso, numGGMM;
    int meseNoEf1, gioMesSucc1, meseNoEf2, gioMesSucc2;
    std::vector<int> periodi;
    std::vector<const char*> percentuali;
    QDate documento;
    const char* imponibile;
    const char* imposta;
    int decimali;
    const char* atteso;
    const char* minimo = "-1";
    const char* massimo = "-1";
};

void PrintTo(const CasoTermini& c, std::ostream* os) {
    *os << c.descrizione;
}

class RateDaTerminiCasi : public ::testing::TestWithParam<CasoTermini> {};

TEST_P(RateDaTerminiCasi, shouldGiveTheDatesAndAmountsOfTheTerms) {
    const CasoTermini& c = GetParam();
    TerminiPagamento t;
    t.pagamento = QStringLiteral("PROVA");
    t.decorrenza = QString::fromLatin1(c.decorrenza);
    t.periodicita = QString::fromLatin1(c.periodicita);
    t.numScad = c.numScad;
    t.trattamIva = QString::fromLatin1(c.trattamIva);
    t.giornoFisso = c.giornoFisso;
    t.numGGMM = c.numGGMM;
    t.meseNoEf1 = c.meseNoEf1;
    t.gioMesSucc1 = c.gioMesSucc1;
    t.meseNoEf2 = c.meseNoEf2;
    t.gioMesSucc2 = c.gioMesSucc2;
    t.periodi = c.periodi;
    for (const char* p : c.percentuali)
        t.percentuali.push_back(euro(p));
    const auto rate = rateDaTermini(t, c.documento, euro(c.imponibile), euro(c.imposta), c.decimali,
                                    euro(c.minimo), euro(c.massimo));
    EXPECT_EQ(testoRate(rate), QString::fromLatin1(c.atteso));
}

// Terms: Decorrenza, Periodicita, NumScad, TrattamIva, GiornoFisso, NumGGMM, MeseNoEf1,
// GioMesSucc1, MeseNoEf2, GioMesSucc2, Periodo<i>, Percentuale<i>.
// clang-format off
INSTANTIATE_TEST_SUITE_P(Termini, RateDaTerminiCasi, ::testing::Values(
    CasoTermini{"fine mese, 30 giorni l'una dall'altra", "F", "G", 2, "P", 0, 30, 0, 0, 0, 0, {}, {},
                QDate(2026, 3, 10), "1000", "220", 2, "30/04/2026 610.00; 30/05/2026 610.00"},
    CasoTermini{"giorno fisso del mese dopo", "D", "G", 1, "P", 10, 0, 0, 0, 0, 0, {}, {},
                QDate(2026, 5, 15), "100", "22", 2, "10/06/2026 122.00"},
    CasoTermini{"giorno fisso dello stesso mese", "D", "G", 1, "P", 10, 0, 0, 0, 0, 0, {}, {},
                QDate(2026, 5, 5), "100", "22", 2, "10/05/2026 122.00"},
    CasoTermini{"fine mese successivo piu' giorno fisso", "S", "G", 1, "P", 5, 0, 0, 0, 0, 0, {}, {},
                QDate(2026, 1, 10), "100", "0", 2, "05/03/2026 100.00"},
    CasoTermini{"mesi a fine mese", "F", "M", 3, "P", 0, 1, 0, 0, 0, 0, {}, {},
                QDate(2026, 1, 15), "100", "0", 2, "28/02/2026 33.33; 31/03/2026 33.33; 30/04/2026 33.34"},
    CasoTermini{"mesi dal 10 del mese successivo", "F", "M", 2, "P", 10, 1, 0, 0, 0, 0, {}, {},
                QDate(2026, 1, 15), "100", "0", 2, "10/03/2026 50.00; 10/04/2026 50.00"},
    CasoTermini{"agosto escluso, al 10 di settembre", "F", "M", 3, "P", 0, 1, 8, 10, 0, 0, {}, {},
                QDate(2026, 7, 20), "300", "0", 2, "10/09/2026 100.00; 30/09/2026 100.00; 31/10/2026 100.00"},
    CasoTermini{"agosto escluso, stesso giorno del mese dopo", "D", "G", 2, "P", 0, 30, 8, 0, 0, 0, {}, {},
                QDate(2026, 7, 10), "200", "0", 2, "09/09/2026 100.00; 09/10/2026 100.00"},
    CasoTermini{"dicembre escluso come secondo mese", "F", "M", 1, "P", 0, 2, 8, 10, 12, 15, {}, {},
                QDate(2026, 10, 5), "100", "0", 2, "15/01/2027 100.00"},
    CasoTermini{"agosto e settembre esclusi", "D", "G", 1, "P", 0, 20, 8, 0, 9, 5, {}, {},
                QDate(2026, 7, 20), "100", "0", 2, "05/10/2026 100.00"},
    CasoTermini{"mesi per rata dalla data documento", "D", "T", 2, "P", 0, 0, 0, 0, 0, 0, {1, 2}, {"50", "50"},
                QDate(2026, 1, 31), "1000", "220", 2, "28/02/2026 610.00; 28/04/2026 610.00"},
    CasoTermini{"mesi per rata a fine mese", "F", "T", 2, "P", 0, 0, 0, 0, 0, 0, {1, 2}, {"30", "70"},
                QDate(2026, 1, 31), "1000", "0", 2, "28/02/2026 300.00; 30/04/2026 700.00"},
    CasoTermini{"giorni per rata", "D", "A", 2, "P", 0, 0, 0, 0, 0, 0, {10, 20}, {"40", "60"},
                QDate(2026, 3, 1), "50", "0", 2, "11/03/2026 20.00; 31/03/2026 30.00"},
    CasoTermini{"una rata con IVA a parte vale come intera", "D", "G", 1, "U", 0, 30, 0, 0, 0, 0, {}, {"100"},
                QDate(2026, 3, 1), "1000", "220", 2, "31/03/2026 1220.00"},
    CasoTermini{"IVA nella prima rata, imponibile a percentuali", "F", "T", 3, "U", 0, 0, 0, 0, 0, 0, {1, 1, 1},
                {"0", "50", "50"}, QDate(2026, 1, 15), "1000.01", "220", 2,
                "28/02/2026 220.00; 31/03/2026 500.01; 30/04/2026 500.00"},
    CasoTermini{"IVA nella prima rata, imponibile in parti uguali", "F", "M", 3, "U", 0, 1, 0, 0, 0, 0, {}, {},
                QDate(2026, 1, 15), "100", "22", 2, "28/02/2026 22.00; 31/03/2026 50.00; 30/04/2026 50.00"},
    CasoTermini{"percentuali con resto sull'ultima", "D", "T", 3, "P", 0, 0, 0, 0, 0, 0, {1, 1, 1},
                {"33.33", "33.33", "33.34"}, QDate(2026, 1, 10), "1000.01", "0", 2,
                "10/02/2026 333.30; 10/03/2026 333.30; 10/04/2026 333.41"},
    CasoTermini{"senza decimali", "D", "G", 3, "P", 0, 30, 0, 0, 0, 0, {}, {},
                QDate(2026, 1, 1), "1000", "220", 0, "31/01/2026 407.00; 02/03/2026 407.00; 01/04/2026 406.00"},
    CasoTermini{"nota di credito negativa", "D", "G", 2, "P", 0, 30, 0, 0, 0, 0, {}, {},
                QDate(2026, 1, 1), "-100", "-0.01", 2, "31/01/2026 -50.01; 02/03/2026 -50.00"},
    CasoTermini{"limite massimo", "D", "G", 2, "P", 0, 30, 0, 0, 0, 0, {}, {},
                QDate(2026, 1, 1), "1000", "0", 2, "31/01/2026 400.00; 02/03/2026 400.00", "-1", "400"},
    CasoTermini{"limite minimo", "D", "G", 2, "P", 0, 30, 0, 0, 0, 0, {}, {},
                QDate(2026, 1, 1), "100", "0", 2, "31/01/2026 60.00; 02/03/2026 60.00", "60", "-1"}));
// clang-format on

TEST(RateDaTermini, shouldRefuseTermsWithoutInstalmentsOrWithAnUnknownPeriodicity) {
    TerminiPagamento t;
    t.pagamento = QStringLiteral("X");
    t.decorrenza = QStringLiteral("D");
    t.periodicita = QStringLiteral("G");
    t.numScad = 0;
    try {
        rateDaTermini(t, QDate(2026, 1, 1), euro("1"), euro("0"), 2);
        FAIL() << "nessuna eccezione";
    } catch (const std::invalid_argument& e) {
        EXPECT_STREQ(e.what(), "Numero di scadenze non valido nel pagamento X");
    }
    t.numScad = 1;
    t.periodicita = QStringLiteral("Z");
    try {
        rateDaTermini(t, QDate(2026, 1, 1), euro("1"), euro("0"), 2);
        FAIL() << "nessuna eccezione";
    } catch (const std::invalid_argument& e) {
        EXPECT_EQ(QString::fromUtf8(e.what()),
                  QStringLiteral("Periodicità \"Z\" non valida nel pagamento X"));
    }
}

// ---- CalcScadenze and the UPDATE on the demo company -------------------------------------------

class CalcScadenzeDemo : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
    }
    const CodiceConto fornitore{QStringLiteral("40"), QStringLiteral("10"), QStringLiteral("1001"), 2};
};

TEST_F(CalcScadenzeDemo, shouldReadTheDemoTerms) {
    struct Caso {
        const char* pagamento;
        QDate documento;
        const char* atteso;
    };
    for (const Caso& c : {
             Caso{"RB60FMX", QDate(2026, 6, 15), "10/09/2026 1220.00"},
             Caso{"RB60FMX", QDate(2026, 10, 15), "10/01/2027 1220.00"},
             Caso{"BB10FM", QDate(2026, 1, 20), "10/02/2026 1220.00"},
             Caso{"BB3060", QDate(2026, 3, 1), "31/03/2026 610.00; 30/04/2026 610.00"},
             Caso{"RB306090", QDate(2026, 1, 15), "28/02/2026 406.67; 31/03/2026 406.67; 30/04/2026 406.66"},
             Caso{"RBIVA", QDate(2026, 1, 15), "28/02/2026 220.00; 31/03/2026 500.00; 30/04/2026 500.00"},
         }) {
        const auto esito = CalcScadenze(db(), QString::fromLatin1(c.pagamento), c.documento, euro("1000"),
                                        euro("220"), 2, fornitore);
        EXPECT_TRUE(esito.errori.isEmpty()) << c.pagamento << ": " << esito.errori.toStdString();
        EXPECT_EQ(testoRate(esito.rate), QString::fromLatin1(c.atteso)) << c.pagamento;
    }
}

TEST_F(CalcScadenzeDemo, shouldReportAMissingAccountOrCodeThroughTheFormatter) {
    const auto esito =
        CalcScadenze(db(), QStringLiteral("BB30"), QDate(2026, 1, 1), euro("100"), euro("22"), 2,
                     CodiceConto{QStringLiteral("40"), QStringLiteral("10"), QStringLiteral("9999"), 2});
    EXPECT_TRUE(esito.rate.empty());
    EXPECT_EQ(esito.titolo, QStringLiteral("Calcolo scadenze"));
    EXPECT_EQ(
        esito.errori,
        QStringLiteral(
            "..............Errore n°3021 : Manca il cliente con codice :40-10-9999 in CalcScadenze\r\n"));

    const auto senzaCodice =
        CalcScadenze(db(), QStringLiteral("NOPE"), QDate(2026, 1, 1), euro("100"), euro("22"), 2, fornitore);
    EXPECT_TRUE(senzaCodice.rate.empty());
    EXPECT_EQ(senzaCodice.errori,
              QStringLiteral(
                  "..............Errore n°3021 : Manca il pagamento con codice :NOPE in CalcScadenze\r\n"));

    db().EseguiSql("UPDATE Pagamenti SET NumScad = 0 WHERE Pagamento = 'BB30'");
    const auto senzaRate =
        CalcScadenze(db(), QStringLiteral("BB30"), QDate(2026, 1, 1), euro("100"), euro("22"), 2, fornitore);
    EXPECT_TRUE(senzaRate.rate.empty());
    EXPECT_EQ(senzaRate.errori, QStringLiteral("..............Errore n°5 : Numero di scadenze non valido nel "
                                               "pagamento BB30 in CalcScadenze\r\n"));
}

TEST_F(CalcScadenzeDemo, shouldMoveOnlyTheInstalmentsOfTheProtocolOntoTheJournalNumber) {
    const auto scadenza = [&](int numProg, int annoReg, const char* preProt, int numProt,
                              const char* dataProt) {
        db().EseguiSql(
            QStringLiteral("INSERT INTO Scadenze (Anno, NumProg, Tipo, NumReg, AnnoReg, PreProt, NumProt, "
                           "DataProt) VALUES (2026, %1, 2, 900, %2, '%3', %4, '%5 00:00:00')")
                .arg(numProg)
                .arg(annoReg)
                .arg(QLatin1String(preProt))
                .arg(numProt)
                .arg(QLatin1String(dataProt)));
    };
    scadenza(1, 2026, ".", 5, "2026-03-10");
    scadenza(2, 2026, ".", 5, "2026-03-10");
    scadenza(3, 2026, ".", 6, "2026-03-10"); // another protocol number
    scadenza(4, 2026, "B", 5, "2026-03-10"); // another prefix
    scadenza(5, 2025, ".", 5, "2026-03-10"); // another year
    scadenza(6, 2026, ".", 5, "2026-03-11"); // another protocol date
    aggiornaNumRegScadenze(db(), 17, 2026, QStringLiteral("."), 5, QDate(2026, 3, 10));
    QStringList v;
    Recordset rs = db().ApriRs("SELECT NumProg, NumReg FROM Scadenze ORDER BY NumProg");
    for (; !rs.RsEof(); rs.RsMoveNext())
        v << rs.leggiTesto("NumProg") + u'=' + rs.leggiTesto("NumReg");
    EXPECT_EQ(v.join(u' '), QStringLiteral("1=17 2=17 3=900 4=900 5=900 6=900"));
}

// ---- Open items and automatic payments of a posted invoice ---------------------------------------

// The personal parameters of a run whose profile holds `valori` ({"Tesel.ScadNoData", "D"}).
ParametriContabilizzazione personali(std::initializer_list<std::pair<const char*, const char*>> valori) {
    ClientMenuFisso menu;
    for (const auto& [chiave, valore] : valori)
        menu.imposta(QStringLiteral("Personal.") + QLatin1String(chiave), QLatin1String(valore));
    tesel::prova::InterazioneProva ui;
    Configurazione configurazione(menu, ui);
    return ParametriContabilizzazione::leggi(&configurazione);
}

class ScadenzeFattura : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        par = std::make_unique<ParametriAzienda>(db());
        db().EseguiSql("INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, NomeFile, Contabilizzato) "
                       "VALUES (2026, 1, 'IT03981270683_00001.xml', 'S')");
        s.xmlAnno = 2026;
        s.xmlNumRif = 1;
        s.fornitore = CodiceConto{QStringLiteral("40"), QStringLiteral("10"), QStringLiteral("1001"), 2};
        s.causale = *CausaleContabile::leggi(db(), QStringLiteral("FAA"));
        s.totaleDocumento = euro("1220");
        s.totImponibile = euro("1000");
        s.totImposta = euro("220");
        TestataPn& t = s.testata;
        t.anno = 2026;
        t.numReg = 1;
        t.dataReg = QDate(2026, 3, 12);
        t.causale = QStringLiteral("FAA");
        t.numDoc = QStringLiteral("123");
        t.dataDoc = QDate(2026, 3, 10);
        t.preProt = QStringLiteral(".");
        t.numProt = 5;
        t.dataProt = QDate(2026, 3, 12);
        t.moneta = QStringLiteral("EUR");
        t.xmlAnno = 2026;
        t.xmlNumRif = 1;
        t.pagamento = QStringLiteral("RB60FM");
        scriviTestata(db(), t);
        s.causalePagamento = QStringLiteral("PAG");
        s.contoPagamento = CodiceConto{QStringLiteral("20"), QStringLiteral("40"), QStringLiteral("1001")};
    }

    void riga(int numCond, const char* modalita, const char* scadenza, const char* importo,
              const char* iban = "", const char* abi = "", const char* cab = "") {
        db().EseguiConValori(
            "INSERT INTO FatXmlPag (XmlAnno, XmlNumRif, XmlRigDet, NumCond, CondizioniPagamento, "
            "ModalitaPagamento,"
            " DataScadenzaPagamento, ImportoPagamento, IBAN, ABI, CAB, PagTipo) VALUES (2026, 1, 1, ?, "
            "'TP01', ?, ?,"
            " ?, ?, ?, ?, 'RB')",
            {numCond, QString::fromLatin1(modalita),
             *scadenza
                 ? QVariant(QDate::fromString(QString::fromLatin1(scadenza), QStringLiteral("dd/MM/yyyy")))
                 : QVariant(QDate(100, 1, 1)),
             QVariant::fromValue(euro(importo)), *iban ? QVariant(QString::fromLatin1(iban)) : QVariant(),
             *abi ? QVariant(QString::fromLatin1(abi)) : QVariant(),
             *cab ? QVariant(QString::fromLatin1(cab)) : QVariant()});
    }

    // Each open item as "Rata DataScad ImportoScad BancaCF CCorrente".
    QStringList scadenze() {
        QStringList v;
        Recordset rs = db().ApriRs("SELECT * FROM Scadenze ORDER BY Anno, NumProg");
        for (; !rs.RsEof(); rs.RsMoveNext())
            v << QStringList{rs.leggiTesto("Rata"),
                             data(rs, "DataScad").toString(QStringLiteral("dd/MM/yyyy")),
                             rs.leggiValuta("ImportoScad").value_or(Currency()).testoXml(),
                             rs.leggiTesto("BancaCF"), rs.leggiTesto("CCorrente")}
                     .join(u' ');
        return v;
    }

    // Each staging registration after the invoice's as "NumReg Causale: side account amount, ...".
    QStringList pagamenti() {
        QStringList v;
        Recordset t = db().ApriRs("SELECT * FROM MovPnTesFatt WHERE NumReg > 1 ORDER BY NumReg");
        for (; !t.RsEof(); t.RsMoveNext()) {
            QStringList righe;
            Recordset r = db().ApriRs("SELECT * FROM MovPnDettFatt WHERE Anno = 2026 AND NumReg = " +
                                      t.leggiTesto("NumReg") + " ORDER BY RigReg");
            for (; !r.RsEof(); r.RsMoveNext())
                righe << r.leggiTesto("DareAvere") + u' ' + r.leggiTesto("TipoPartita") + u':' +
                             r.leggiTesto("GruppoPartita") + u'-' + r.leggiTesto("MastroPartita") + u'-' +
                             r.leggiTesto("ContoPartita") + u' ' + r.leggiValuta("Importo")->testoXml();
            v << t.leggiTesto("NumReg") + u' ' + t.leggiTesto("Causale") + QStringLiteral(": ") +
                     righe.join(QStringLiteral(", "));
        }
        return v;
    }

    StatoContabilizzazione s;
    std::unique_ptr<ParametriAzienda> par;
    ParametriAzienda& parametri() { return *par; }
};

const char* const IbanBlo = "IT07T0338911700000000739201";    // Banche BLO: 03389 / 11700
const char* const IbanIgnota = "IT60X0542811101000000123456"; // a bank not in Banche
const char* const IbanEstera = "DE89370400440532013000";

TEST_F(ScadenzeFattura, shouldWriteOneOpenItemPerPaymentRowWithTheBankOfTheRow) {
    riga(1, "MP12", "30/04/2026", "400", IbanBlo);
    riga(2, "MP12", "31/05/2026", "400", "", "05034", "04000"); // BMS by ABI/CAB
    riga(3, "MP05", "30/06/2026", "300", IbanIgnota);           // unknown bank: the supplier's
    riga(4, "MP05", "31/07/2026", "120", IbanEstera, "03389", "11700");
    db().EseguiSql("INSERT INTO Scadenze (Anno, NumProg, Tipo) VALUES (2026, 41, 2)");
    db().EseguiSql("INSERT INTO Scadenze (Anno, NumProg, Tipo) VALUES (2027, 90, 2)");
    QString errori;
    CreaScadenze(db(), parametri(), s, errori);
    EXPECT_EQ(errori, QString());
    EXPECT_EQ(scadenze().mid(1, 4),
              (QStringList{QStringLiteral("1 30/04/2026 400.00 BLO ") + QLatin1String(IbanBlo),
                           QStringLiteral("2 31/05/2026 400.00 BMS "),
                           QStringLiteral("3 30/06/2026 300.00 BCA IT79I0897562160000000482911"),
                           QStringLiteral("4 31/07/2026 120.00 BLO ") + QLatin1String(IbanEstera)}));

    Recordset rs = db().ApriRs("SELECT * FROM Scadenze WHERE Anno = 2026 AND NumProg = 42");
    ASSERT_FALSE(rs.RsVuoto()) << "NumProg continua dall'ultimo dell'anno";
    EXPECT_EQ(rs.leggiIntero("Tipo"), 2);
    EXPECT_EQ(rs.leggiTesto("GruppoScad") + rs.leggiTesto("MastroScad") + rs.leggiTesto("ContoScad"),
              QStringLiteral("40101001"));
    EXPECT_EQ(rs.leggiTesto("PagTipo"), QStringLiteral("RB"));
    EXPECT_EQ(rs.leggiIntero("NumReg"), 1);
    EXPECT_EQ(rs.leggiIntero("AnnoReg"), 2026);
    EXPECT_EQ(rs.leggiTesto("NumDoc"), QStringLiteral("123"));
    EXPECT_EQ(data(rs, "DataDoc"), QDate(2026, 3, 10));
    EXPECT_EQ(rs.leggiTesto("PreProt"), QStringLiteral("."));
    EXPECT_EQ(rs.leggiIntero("NumProt"), 5);
    EXPECT_EQ(data(rs, "DataProt"), QDate(2026, 3, 12));
    EXPECT_EQ(rs.leggiTesto("Causale"), QStringLiteral("FAA"));
    EXPECT_EQ(rs.leggiTesto("Moneta"), QStringLiteral("EUR"));
    EXPECT_EQ(rs.leggiTesto("NotaCredInvSegno"), QStringLiteral("N"));
    EXPECT_EQ(rs.leggiTesto("RagRB"), QStringLiteral("N"));
    EXPECT_EQ(rs.leggiTesto("EntrataUscita"), QStringLiteral("U"));
    EXPECT_EQ(rs.leggiValuta("ImportoScadEuro"), euro("400"));
    EXPECT_EQ(rs.leggiValuta("ImportoScadLire"), euro("774508"));
    EXPECT_EQ(rs.leggiValuta("ImportoFatt"), euro("1220"));
    EXPECT_EQ(rs.leggiValuta("ImpPagato"), euro("0"));
    EXPECT_EQ(rs.leggiTesto("Insoluto") + rs.leggiTesto("Manuale"), QStringLiteral("NN"));
}

TEST_F(ScadenzeFattura, shouldDateARowWithoutDueDateByScadNoData) {
    struct Caso {
        const char* scadNoData;
        QStringList attese;
    };
    for (const Caso& c :
         {Caso{"D", {"1 10/03/2026 500.00", "2 30/04/2026 720.00"}},
          Caso{"F", {"1 31/03/2026 500.00", "2 30/04/2026 720.00"}}, Caso{"N", {"1 30/04/2026 720.00"}}}) {
        db().EseguiSql("DELETE FROM FatXmlPag");
        db().EseguiSql("DELETE FROM Scadenze");
        riga(1, "MP05", "", "500");
        riga(2, "MP05", "30/04/2026", "720");
        s.parametri = personali({{"Tesel.ScadNoData", c.scadNoData}});
        QString errori;
        CreaScadenze(db(), parametri(), s, errori);
        EXPECT_EQ(errori, QString());
        QStringList righe;
        for (const QString& r : scadenze())
            righe << r.section(u' ', 0, 2);
        EXPECT_EQ(righe, c.attese) << c.scadNoData;
    }
}

TEST_F(ScadenzeFattura, shouldMarkTheOpenItemsOfACreditNoteAsReceivable) {
    s.causale = *CausaleContabile::leggi(db(), QStringLiteral("NCA"));
    s.parametri = personali({{"Scadenze.NotaCredInvSegno", "S"}});
    riga(1, "MP05", "30/04/2026", "100");
    QString errori;
    CreaScadenze(db(), parametri(), s, errori);
    EXPECT_EQ(errori, QString());
    EXPECT_EQ(db().valore("SELECT EntrataUscita || NotaCredInvSegno FROM Scadenze").toString(),
              QStringLiteral("ES"));
}

TEST_F(ScadenzeFattura, shouldReportAWriteFailureWithoutThrowing) {
    riga(1, "MP05", "30/04/2026", "100");
    db().EseguiSql("DROP TABLE Scadenze");
    QString errori;
    EXPECT_NO_THROW(CreaScadenze(db(), parametri(), s, errori));
    EXPECT_TRUE(errori.startsWith(QStringLiteral("\r\nErrori nel calcolo scadenze: Errore n°")))
        << errori.toStdString();
}

// The rows of every case: without date in cash, without date by transfer, due on the document
// date, due after it.
struct CasoPagamenti {
    const char* pagAutomNoData;
    const char* creaPagAut;
    QStringList registrazioni;
    QStringList aperte;
};

void PrintTo(const CasoPagamenti& c, std::ostream* os) {
    *os << c.pagAutomNoData << '/' << c.creaPagAut;
}

class PagamentiAutomaticiCasi : public ScadenzeFattura,
                                public ::testing::WithParamInterface<CasoPagamenti> {};

TEST_P(PagamentiAutomaticiCasi, shouldPayTheRowsTheParametersChooseAndLeaveTheOthersOpen) {
    const CasoPagamenti& c = GetParam();
    riga(1, "MP01", "", "100");
    riga(2, "MP05", "", "200");
    riga(3, "MP05", "10/03/2026", "300");
    riga(4, "MP05", "30/04/2026", "620");
    s.parametri = personali({{"Tesel.PagAutomNoData", c.pagAutomNoData},
                             {"Tesel.CreaPagAut", c.creaPagAut},
                             {"Tesel.ScadNoData", "D"}});
    QString errori;
    EXPECT_TRUE(pagamentiAutomatici(db(), parametri(), s, errori));
    EXPECT_EQ(errori, QString());
    EXPECT_EQ(pagamenti(), c.registrazioni);
    std::vector<qint64> numeri{0};
    for (int i = 0; i < c.registrazioni.size(); ++i)
        numeri.push_back(i + 2);
    EXPECT_EQ(s.numRegPagamenti, numeri);

    CreaScadenze(db(), parametri(), s, errori);
    EXPECT_EQ(errori, QString());
    QStringList aperte;
    for (const QString& r : scadenze())
        aperte << r.section(u' ', 0, 2);
    EXPECT_EQ(aperte, c.aperte);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Parametri, PagamentiAutomaticiCasi, ::testing::Values(
    CasoPagamenti{"C", "A",
                  {"2 PAG: D 2:40-10-1001 100.00, A 1:20-40-1001 100.00",
                   "3 PAG: D 2:40-10-1001 300.00, A 1:20-40-1001 300.00"},
                  {"1 10/03/2026 200.00", "2 30/04/2026 620.00"}},
    CasoPagamenti{"S", "A",
                  {"2 PAG: D 2:40-10-1001 100.00, A 1:20-40-1001 100.00",
                   "3 PAG: D 2:40-10-1001 200.00, A 1:20-40-1001 200.00",
                   "4 PAG: D 2:40-10-1001 300.00, A 1:20-40-1001 300.00"},
                  {"1 30/04/2026 620.00"}},
    CasoPagamenti{"N", "A",
                  {"2 PAG: D 2:40-10-1001 300.00, A 1:20-40-1001 300.00"},
                  {"1 10/03/2026 100.00", "2 10/03/2026 200.00", "3 30/04/2026 620.00"}},
    // "D" pays the rows without date only.
    CasoPagamenti{"C", "D",
                  {"2 PAG: D 2:40-10-1001 100.00, A 1:20-40-1001 100.00"},
                  {"1 10/03/2026 200.00", "2 10/03/2026 300.00", "3 30/04/2026 620.00"}},
    // "S" pays the balance as well: nothing stays open.
    CasoPagamenti{"C", "S",
                  {"2 PAG: D 2:40-10-1001 100.00, A 1:20-40-1001 100.00",
                   "3 PAG: D 2:40-10-1001 300.00, A 1:20-40-1001 300.00",
                   "4 PAG: D 2:40-10-1001 820.00, A 1:20-40-1001 820.00"},
                  {}},
    CasoPagamenti{"S", "N",
                  {},
                  {"1 10/03/2026 100.00", "2 10/03/2026 200.00", "3 10/03/2026 300.00", "4 30/04/2026 620.00"}}));
// clang-format on

TEST_F(ScadenzeFattura, shouldCopyTheInvoiceProtocolIntoThePaymentRegistration) {
    riga(1, "MP01", "", "100");
    QString errori;
    ASSERT_TRUE(pagamentiAutomatici(db(), parametri(), s, errori));
    Recordset t = db().ApriRs("SELECT * FROM MovPnTesFatt WHERE Anno = 2026 AND NumReg = 2");
    ASSERT_FALSE(t.RsVuoto());
    EXPECT_EQ(data(t, "DataReg"), QDate(2026, 3, 12));
    EXPECT_EQ(t.leggiTesto("NumDoc"), QStringLiteral("123"));
    EXPECT_EQ(t.leggiIntero("NumProt"), 5);
    EXPECT_EQ(data(t, "DataProt"), QDate(2026, 3, 12));
    EXPECT_EQ(t.leggiTesto("InValuta"), QStringLiteral("N"));
    EXPECT_EQ(t.leggiIntero("XmlAnno"), 2026);
    EXPECT_EQ(t.leggiIntero("XmlNumRif"), 1);
    EXPECT_EQ(t.leggiTesto("Pagamento"), QString()) << "un pagamento non genera scadenze dai termini";
    Recordset r = db().ApriRs("SELECT * FROM MovPnDettFatt WHERE Anno = 2026 AND NumReg = 2 AND RigReg = 1");
    ASSERT_FALSE(r.RsVuoto());
    EXPECT_EQ(r.leggiTesto("GruppoCPartita") + u'-' + r.leggiTesto("MastroCPartita") + u'-' +
                  r.leggiTesto("ContoCPartita"),
              QStringLiteral("20-40-1001"));
    EXPECT_EQ(r.leggiIntero("RigLiv"), 1);
}

TEST_F(ScadenzeFattura, shouldPayTheBalanceNetOfWithholdingAndPutTheSupplierInAvereForACreditNote) {
    s.causale = *CausaleContabile::leggi(db(), QStringLiteral("NCA"));
    s.totRitenuta = euro("200");
    s.totContributoTrattenuto = euro("20");
    s.parametri = personali({{"Tesel.CreaPagAut", "S"}});
    riga(1, "MP01", "", "100");
    QString errori;
    ASSERT_TRUE(pagamentiAutomatici(db(), parametri(), s, errori));
    EXPECT_EQ(pagamenti(),
              (QStringList{QStringLiteral("2 PAG: A 2:40-10-1001 100.00, D 1:20-40-1001 100.00"),
                           QStringLiteral("3 PAG: A 2:40-10-1001 900.00, D 1:20-40-1001 900.00")}));
}

TEST_F(ScadenzeFattura, shouldDoNothingWithoutThePaymentCausalOrAccount) {
    riga(1, "MP01", "", "100");
    QString errori;
    s.causalePagamento.clear();
    EXPECT_TRUE(pagamentiAutomatici(db(), parametri(), s, errori));
    s.causalePagamento = QStringLiteral("PAG");
    s.contoPagamento = CodiceConto{};
    EXPECT_TRUE(pagamentiAutomatici(db(), parametri(), s, errori));
    EXPECT_EQ(errori, QString());
    EXPECT_TRUE(pagamenti().isEmpty());
    EXPECT_EQ(s.numRegPagamenti, std::vector<qint64>{0});
}

TEST_F(ScadenzeFattura, shouldFailWithTheNumberedMessageOnAMissingCausalOrAccount) {
    riga(1, "MP01", "", "100");
    QString errori;
    s.causalePagamento = QStringLiteral("XYZ");
    EXPECT_FALSE(pagamentiAutomatici(db(), parametri(), s, errori));
    s.causalePagamento = QStringLiteral("PAG");
    s.contoPagamento = CodiceConto{QStringLiteral("20"), QStringLiteral("40"), QStringLiteral("9999")};
    EXPECT_FALSE(pagamentiAutomatici(db(), parametri(), s, errori));
    EXPECT_EQ(errori, QStringLiteral(
                          "\r\nErrore(3021 - Causale di pagamento XYZ inesistente) nella preparazione "
                          "dei pagamenti automatici"
                          "\r\nErrore(3021 - Conto di pagamento 20-40-9999 inesistente) nella preparazione "
                          "dei pagamenti automatici"));
    EXPECT_TRUE(pagamenti().isEmpty());
}

} // namespace
} // namespace tesel::posting
