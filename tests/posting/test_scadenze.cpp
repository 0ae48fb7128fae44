// Due dates: instalments from payment terms, the open items of a posted invoice and the
// automatic payment registrations of the instalments paid at once.

#include "aziendaprova.h"
#include "fatturaprova.h"
#include "frame/clientmenu.h"
#include "frame/configurazione.h"
#include "frame/data.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "posting/contabilizzazione.h"
#include "posting/scadenze.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <functional>
#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tesel::posting {
namespace {

Currency euro(const char* testo) {
    return *Currency::daTesto(std::string_view(testo));
}

// "dd/mm/yyyy importo" for each instalment, joined by "; ".
QString testoRate(const std::vector<Rata>& rate) {
    QStringList v;
    for (const Rata& r : rate)
        v << r.data.toString(u"dd/MM/yyyy"_s) + u' ' + r.importo.testoXml();
    return v.join(u"; "_s);
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

// Terms: Decorrenza, Periodicita, NumScad, TrattamIva, GiornoFisso, NumGGMM, MeseNoEf1,
// GioMesSucc1, MeseNoEf2, GioMesSucc2, Periodo<i>, Percentuale<i>.
// clang-format off
const CasoTermini casiTermini[] = {
    {"fine mese, 30 giorni l'una dall'altra", "F", "G", 2, "P", 0, 30, 0, 0, 0, 0, {}, {},
     QDate(2026, 3, 10), "1000", "220", 2, "30/04/2026 610.00; 30/05/2026 610.00"},
    {"giorno fisso del mese dopo", "D", "G", 1, "P", 10, 0, 0, 0, 0, 0, {}, {},
     QDate(2026, 5, 15), "100", "22", 2, "10/06/2026 122.00"},
    {"fine mese successivo piu' giorno fisso", "S", "G", 1, "P", 5, 0, 0, 0, 0, 0, {}, {},
     QDate(2026, 1, 10), "100", "0", 2, "05/03/2026 100.00"},
    {"mesi a fine mese", "F", "M", 3, "P", 0, 1, 0, 0, 0, 0, {}, {},
     QDate(2026, 1, 15), "100", "0", 2, "28/02/2026 33.33; 31/03/2026 33.33; 30/04/2026 33.34"},
    {"agosto escluso, al 10 di settembre", "F", "M", 3, "P", 0, 1, 8, 10, 0, 0, {}, {},
     QDate(2026, 7, 20), "300", "0", 2, "10/09/2026 100.00; 30/09/2026 100.00; 31/10/2026 100.00"},
    {"dicembre escluso come secondo mese", "F", "M", 1, "P", 0, 2, 8, 10, 12, 15, {}, {},
     QDate(2026, 10, 5), "100", "0", 2, "15/01/2027 100.00"},
    {"agosto e settembre esclusi", "D", "G", 1, "P", 0, 20, 8, 0, 9, 5, {}, {},
     QDate(2026, 7, 20), "100", "0", 2, "05/10/2026 100.00"},
    {"mesi per rata dalla data documento", "D", "T", 2, "P", 0, 0, 0, 0, 0, 0, {1, 2}, {"50", "50"},
     QDate(2026, 1, 31), "1000", "220", 2, "28/02/2026 610.00; 28/04/2026 610.00"},
    {"giorni per rata", "D", "A", 2, "P", 0, 0, 0, 0, 0, 0, {10, 20}, {"40", "60"},
     QDate(2026, 3, 1), "50", "0", 2, "11/03/2026 20.00; 31/03/2026 30.00"},
    {"una rata con IVA a parte vale come intera", "D", "G", 1, "U", 0, 30, 0, 0, 0, 0, {}, {"100"},
     QDate(2026, 3, 1), "1000", "220", 2, "31/03/2026 1220.00"},
    {"IVA nella prima rata, imponibile a percentuali", "F", "T", 3, "U", 0, 0, 0, 0, 0, 0, {1, 1, 1},
                {"0", "50", "50"}, QDate(2026, 1, 15), "1000.01", "220", 2,
                "28/02/2026 220.00; 31/03/2026 500.01; 30/04/2026 500.00"},
    {"percentuali con resto sull'ultima", "D", "T", 3, "P", 0, 0, 0, 0, 0, 0, {1, 1, 1},
                {"33.33", "33.33", "33.34"}, QDate(2026, 1, 10), "1000.01", "0", 2,
                "10/02/2026 333.30; 10/03/2026 333.30; 10/04/2026 333.41"},
    {"senza decimali", "D", "G", 3, "P", 0, 30, 0, 0, 0, 0, {}, {},
     QDate(2026, 1, 1), "1000", "220", 0, "31/01/2026 407.00; 02/03/2026 407.00; 01/04/2026 406.00"},
    {"nota di credito negativa", "D", "G", 2, "P", 0, 30, 0, 0, 0, 0, {}, {},
     QDate(2026, 1, 1), "-100", "-0.01", 2, "31/01/2026 -50.01; 02/03/2026 -50.00"},
    {"limite massimo", "D", "G", 2, "P", 0, 30, 0, 0, 0, 0, {}, {},
     QDate(2026, 1, 1), "1000", "0", 2, "31/01/2026 400.00; 02/03/2026 400.00", "-1", "400"},
    {"limite minimo", "D", "G", 2, "P", 0, 30, 0, 0, 0, 0, {}, {},
     QDate(2026, 1, 1), "100", "0", 2, "31/01/2026 60.00; 02/03/2026 60.00", "60", "-1"}};
// clang-format on

TEST(RateDaTermini, shouldGiveTheDatesAndAmountsOfTheTerms) {
    for (const CasoTermini& c : casiTermini) {
        SCOPED_TRACE(c.descrizione);
        TerminiPagamento t;
        t.pagamento = u"PROVA"_s;
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
}

TEST(RateDaTermini, shouldRefuseTermsWithoutInstalmentsOrWithAnUnknownPeriodicity) {
    for (const auto& [numScad, periodicita, messaggio] :
         {std::tuple{0, "G", "Numero di scadenze non valido nel pagamento X"},
          std::tuple{1, "Z", "Periodicità \"Z\" non valida nel pagamento X"}}) {
        TerminiPagamento t;
        t.pagamento = u"X"_s;
        t.decorrenza = u"D"_s;
        t.periodicita = QLatin1String(periodicita);
        t.numScad = numScad;
        try {
            rateDaTermini(t, QDate(2026, 1, 1), euro("1"), euro("0"), 2);
            ADD_FAILURE() << "nessuna eccezione per " << messaggio;
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(QString::fromUtf8(e.what()), QString::fromUtf8(messaggio));
        }
    }
}

// ---- Open items and automatic payments of a posted invoice ---------------------------------------

// A payment row of the invoice: "" for a row without due date ("AAAA" the year).
struct RigaPagamento {
    const char* modalita;
    const char* scadenza;
    const char* importo;
    const char* iban = "";
    const char* abi = "";
    const char* cab = "";
};

// The demo supplier's 1,000 + 22% invoice of 10 March, received on the 12th, posted by the engine
// with the payment causal PAG on the cash account 20-40-1001.
class ScadenzeFattura : public prova::ConAziendaDemo {
protected:
    int documenti_ = 0;
    QString esigibilita_ = u"I"_s; // of the VAT summary
    // Lines, summary and the rest of another invoice than the usual 1,000 + 22%
    std::function<void(tesel::prova::FatturaProva&)> fattura_;
    EsitoContabilizzazione posta(std::initializer_list<RigaPagamento> righe,
                                 std::initializer_list<std::pair<const char*, const char*>> personali = {},
                                 bool notaCredito = false, const QString& causalePagamento = "PAG") {
        for (const auto& [chiave, valore] : personali)
            menu.imposta(u"Personal."_s + QLatin1String(chiave), QLatin1String(valore));
        tesel::prova::FatturaProva f(db());
        // A document of its own each time: the same one would not enter the register twice.
        f.numero(QString::number(++documenti_)).data(QDate(anno, 3, 10)).ricezione(QDate(anno, 3, 12));
        if (fattura_)
            fattura_(f);
        else
            f.riga(1000, "22", {"60", "10", "1001"}).iva(22, 1000, 220, {}, esigibilita_);
        if (notaCredito)
            f.tipoDocumento("TD04").causale("NCA").ritenuta(200);
        for (const RigaPagamento& r : righe)
            f.pagamento(r.importo, dataDa(r.scadenza), QLatin1String(r.modalita));
        const tesel::prova::ChiaveFattura k = f.scrivi();
        // Stored as the import stores them: the missing date of year 100, bank data by row.
        db().EseguiConValori(
            "UPDATE FatXmlPag SET DataScadenzaPagamento = ? WHERE DataScadenzaPagamento IS NULL",
            {DataMancante});
        int rigDet = 0;
        for (const RigaPagamento& r : righe) {
            ++rigDet;
            const auto testo = [](const char* t) {
                return *t ? QVariant(QString::fromLatin1(t)) : QVariant();
            };
            db().EseguiConValori("UPDATE FatXmlPag SET IBAN = ?, ABI = ?, CAB = ? WHERE XmlRigDet = ?",
                                 {testo(r.iban), testo(r.abi), testo(r.cab), rigDet});
        }
        return ContabilizzaFattura(db(), *parametri, configurazione.get(), ui, k.anno, k.numero,
                                   causalePagamento, CodiceConto(u"20"_s, u"40"_s, u"1001"_s), false);
    }

    QDate dataDa(const char* testo) const { return QDate::fromString(conAnno(testo), u"dd/MM/yyyy"_s); }
    QString conAnno(const char* testo) const {
        return QString::fromUtf8(testo).replace(u"AAAA"_s, QString::number(anno));
    }

    // Each open item as "Rata DataScad ImportoScad BancaCF CCorrente", the year of a date as "AAAA".
    QStringList scadenze() {
        QStringList v;
        for (Recordset rs = db().ApriRs("SELECT * FROM Scadenze ORDER BY Anno, NumProg"); !rs.RsEof();
             rs.RsMoveNext())
            v << QStringList{rs.leggiTesto("Rata"),
                             rs.LeggiCampo("DataScad")
                                 .toDate()
                                 .toString(u"dd/MM/yyyy"_s)
                                 .replace(QString::number(anno), u"AAAA"_s),
                             rs.leggiValuta("ImportoScad").value_or(Currency()).testoXml(),
                             rs.leggiTesto("BancaCF"), rs.leggiTesto("CCorrente")}
                     .join(u' ')
                     .trimmed();
        return v;
    }
    // "Rata DataScad ImportoScad" of each open item.
    QStringList rate() {
        QStringList v;
        for (const QString& r : scadenze())
            v << r.section(u' ', 0, 2);
        return v;
    }

    // Each journal registration after the invoice's as "NumReg Causale: side account amount, ...".
    QStringList pagamenti() {
        QStringList v;
        for (Recordset t = db().ApriRs("SELECT * FROM MovPnTes WHERE NumReg > 1 ORDER BY NumReg"); !t.RsEof();
             t.RsMoveNext()) {
            QStringList righe;
            for (Recordset r = db().ApriRs(
                     "SELECT * FROM MovPnDett WHERE NumReg = " + t.leggiTesto("NumReg") + " ORDER BY RigReg");
                 !r.RsEof(); r.RsMoveNext())
                righe << r.leggiTesto("DareAvere") + u' ' + r.leggiTesto("TipoPartita") + u':' +
                             r.leggiTesto("GruppoPartita") + u'-' + r.leggiTesto("MastroPartita") + u'-' +
                             r.leggiTesto("ContoPartita") + u' ' + r.leggiValuta("Importo")->testoXml();
            v << t.leggiTesto("NumReg") + u' ' + t.leggiTesto("Causale") + u": "_s + righe.join(u", "_s);
        }
        return v;
    }
};

const char* const IbanBlo = "IT07T0338911700000000739201";    // Banche BLO: 03389 / 11700
const char* const IbanIgnota = "IT60X0542811101000000123456"; // a bank not in Banche
const char* const IbanEstera = "DE89370400440532013000";

TEST_F(ScadenzeFattura, shouldWriteOneOpenItemPerPaymentRowWithTheBankOfTheRow) {
    db().EseguiSql(u"INSERT INTO Scadenze (Anno, NumProg, Tipo) VALUES (%1, 41, 2)"_s.arg(anno));
    db().EseguiSql(u"INSERT INTO Scadenze (Anno, NumProg, Tipo) VALUES (%1, 90, 2)"_s.arg(anno + 1));
    const EsitoContabilizzazione e =
        posta({{"MP12", "30/04/AAAA", "400", IbanBlo},
               {"MP12", "31/05/AAAA", "400", "", "05034", "04000"}, // BMS by ABI/CAB
               {"MP05", "30/06/AAAA", "300", IbanIgnota},           // unknown: the supplier's
               {"MP05", "31/07/AAAA", "120", IbanEstera, "03389", "11700"}});
    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(scadenze().mid(1, 4), (QStringList{u"1 30/04/AAAA 400.00 BLO "_s + QLatin1String(IbanBlo),
                                                 u"2 31/05/AAAA 400.00 BMS"_s,
                                                 u"3 30/06/AAAA 300.00 BCA IT79I0897562160000000482911"_s,
                                                 u"4 31/07/AAAA 120.00 BLO "_s + QLatin1String(IbanEstera)}));
    // NumProg goes on from the year's last; the item hangs on the invoice's registration and protocol.
    EXPECT_EQ(
        db().valore(u"SELECT GruppoScad || '-' || MastroScad || '-' || ContoScad || ' ' || NumReg || ' ' || "
                    "NumProt || EntrataUscita FROM Scadenze WHERE Anno = %1 AND NumProg = 42"_s.arg(anno))
            .toString(),
        u"40-10-1001 1 1U"_s);
}

// A row without date: the document date, its month's end, else the supplier's terms (Ri.Ba.
// 60 days end of month); without terms it is named in the invoice's notes, never dropped unseen.
TEST_F(ScadenzeFattura, shouldDateARowWithoutDueDateByScadNoDataOrTheSuppliersTerms) {
    const char* const senzaTermini =
        "\r\nPagamento di 500,00 senza data di scadenza e senza condizioni di pagamento del fornitore: "
        "nessuna scadenza creata";
    for (const auto& [scadNoData, pagamentoFornitore, attese, avvisi] :
         {std::tuple{"D", "RB60FM", QStringList{"1 10/03/AAAA 500.00", "2 30/04/AAAA 720.00"}, ""},
          {"F", "RB60FM", {"1 31/03/AAAA 500.00", "2 30/04/AAAA 720.00"}, ""},
          {"N", "RB60FM", {"1 31/05/AAAA 500.00", "2 30/04/AAAA 720.00"}, ""},
          {"N", "", {"1 30/04/AAAA 720.00"}, senzaTermini}}) {
        SCOPED_TRACE(scadNoData + std::string(" ") + pagamentoFornitore);
        db().EseguiSql("DELETE FROM Scadenze");
        db().EseguiConValori(
            "UPDATE PianoConti SET Pagamento = ? WHERE Gruppo = '40' AND Mastro = '10' AND "
            "Conto = '1001'",
            {*pagamentoFornitore ? QVariant(QLatin1String(pagamentoFornitore)) : QVariant()});
        const EsitoContabilizzazione e =
            posta({{"MP05", "", "500"}, {"MP05", "30/04/AAAA", "720"}}, {{"Tesel.ScadNoData", scadNoData}});
        ASSERT_TRUE(e.ok) << e.errori.toStdString();
        EXPECT_EQ(rate(), attese);
        EXPECT_EQ(e.avvisi, QString::fromUtf8(avvisi));
    }
}

// An invoice without payment data is due by the supplier's terms, scheduled once whether the
// transfer (Fat.FattCreaScad "S") or the posting does it.
TEST_F(ScadenzeFattura, shouldScheduleAnInvoiceWithoutPaymentRowsByTheSuppliersTerms) {
    // VAT alone at 30 days, the taxable amount at 60: under split payment the supplier is owed
    // no VAT, and no instalment of nothing is left open.
    db().EseguiSql(
        "INSERT INTO Pagamenti (Pagamento, Descrizione, PagTipo, Decorrenza, Periodicita, NumScad,"
        " TrattamIva, GiornoFisso, NumGGMM) VALUES ('U2', 'IVA a 30, imponibile a 60', 'BB', 'D', 'G',"
        " 2, 'U', 0, 30)");
    const QStringList ordinarie{"1 09/04/AAAA 220.00", "2 09/05/AAAA 1000.00"};
    for (const auto& [fattCreaScad, pagamentoFornitore, esigibilita, attese, avvisi] :
         {std::tuple{"N", "U2", "I", ordinarie, ""},
          {"S", "U2", "I", ordinarie, ""},
          {"N", "U2", "S", QStringList{"1 09/05/AAAA 1000.00"}, ""},
          {"S", "U2", "S", QStringList{"1 09/05/AAAA 1000.00"}, ""},
          {"N", "", "I", QStringList{},
           "\r\nLa fattura non ha dati di pagamento e il fornitore non ha condizioni di pagamento: nessuna "
           "scadenza creata"}}) {
        SCOPED_TRACE(fattCreaScad + std::string(" ") + pagamentoFornitore + " " + esigibilita);
        db().EseguiSql("DELETE FROM Scadenze");
        parametri->scrivi(u"Fat.FattCreaScad"_s, QLatin1String(fattCreaScad));
        esigibilita_ = QLatin1String(esigibilita);
        db().EseguiConValori(
            "UPDATE PianoConti SET Pagamento = ? WHERE Gruppo = '40' AND Mastro = '10' AND "
            "Conto = '1001'",
            {*pagamentoFornitore ? QVariant(QLatin1String(pagamentoFornitore)) : QVariant()});
        const EsitoContabilizzazione e = posta({});
        ASSERT_TRUE(e.ok) << e.errori.toStdString();
        EXPECT_EQ(rate().join(u'|'), attese.join(u'|'));
        EXPECT_EQ(e.avvisi, QString::fromUtf8(avvisi));
    }
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
    const EsitoContabilizzazione e = posta({{"MP01", "", "100"},
                                            {"MP05", "", "200"},
                                            {"MP05", "10/03/AAAA", "300"},
                                            {"MP05", "30/04/AAAA", "620"}},
                                           {{"Tesel.PagAutomNoData", c.pagAutomNoData},
                                            {"Tesel.CreaPagAut", c.creaPagAut},
                                            {"Tesel.ScadNoData", "D"}});
    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(pagamenti(), c.registrazioni);
    EXPECT_EQ(rate(), c.aperte);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Parametri, PagamentiAutomaticiCasi, ::testing::Values(
    CasoPagamenti{"C", "A",
                  {"2 PAG: D 2:40-10-1001 100.00, A 1:20-40-1001 100.00",
                   "3 PAG: D 2:40-10-1001 300.00, A 1:20-40-1001 300.00"},
                  {"1 10/03/AAAA 200.00", "2 30/04/AAAA 620.00"}},
    CasoPagamenti{"S", "A",
                  {"2 PAG: D 2:40-10-1001 100.00, A 1:20-40-1001 100.00",
                   "3 PAG: D 2:40-10-1001 200.00, A 1:20-40-1001 200.00",
                   "4 PAG: D 2:40-10-1001 300.00, A 1:20-40-1001 300.00"},
                  {"1 30/04/AAAA 620.00"}},
    CasoPagamenti{"N", "A",
                  {"2 PAG: D 2:40-10-1001 300.00, A 1:20-40-1001 300.00"},
                  {"1 10/03/AAAA 100.00", "2 10/03/AAAA 200.00", "3 30/04/AAAA 620.00"}},
    // "D" pays the rows without date only.
    CasoPagamenti{"C", "D",
                  {"2 PAG: D 2:40-10-1001 100.00, A 1:20-40-1001 100.00"},
                  {"1 10/03/AAAA 200.00", "2 10/03/AAAA 300.00", "3 30/04/AAAA 620.00"}},
    // "S" pays the balance as well: nothing stays open.
    CasoPagamenti{"C", "S",
                  {"2 PAG: D 2:40-10-1001 100.00, A 1:20-40-1001 100.00",
                   "3 PAG: D 2:40-10-1001 300.00, A 1:20-40-1001 300.00",
                   "4 PAG: D 2:40-10-1001 820.00, A 1:20-40-1001 820.00"},
                  {}},
    CasoPagamenti{"S", "N",
                  {},
                  {"1 10/03/AAAA 100.00", "2 10/03/AAAA 200.00", "3 10/03/AAAA 300.00", "4 30/04/AAAA 620.00"}}));
// clang-format on

// A credit note: the supplier in Avere, the balance paid net of the withholding, the open items
// receivable.
TEST_F(ScadenzeFattura, shouldPayACreditNotesBalanceNetOfWithholdingWithTheSupplierInAvere) {
    const EsitoContabilizzazione e =
        posta({{"MP01", "", "100"}}, {{"Tesel.CreaPagAut", "S"}, {"Scadenze.NotaCredInvSegno", "S"}}, true);
    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(pagamenti().join(u'\n'),
              u"2 PAG: A 2:40-10-1001 100.00, D 1:20-40-1001 100.00\n"
              "3 PAG: A 2:40-10-1001 1120.00, D 1:40-20-1002 200.00, D 1:20-40-1001 920.00"_s);
}

// The balance paid at once ("CreaPagAut" "S") is what the supplier is owed, never the VAT the
// company pays itself nor the free goods; a withholding no registration holds is settled with it.
struct CasoSaldo {
    const char* descrizione;
    std::function<void(tesel::prova::FatturaProva&)> fattura;
    const char* ritAccFornAutom;
    const char* registrazioni; // the journal after the invoice's registration
};

class SaldoAutomatico : public ScadenzeFattura, public ::testing::WithParamInterface<CasoSaldo> {};

TEST_P(SaldoAutomatico, shouldPayWhatTheSupplierIsOwed) {
    const CasoSaldo& c = GetParam();
    SCOPED_TRACE(c.descrizione);
    fattura_ = c.fattura;
    const EsitoContabilizzazione e =
        posta({}, {{"Tesel.CreaPagAut", "S"}, {"PN.RitAccFornAutom", c.ritAccFornAutom}});
    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(pagamenti().join(u'\n'), QString::fromUtf8(c.registrazioni));
    EXPECT_EQ(rate(), QStringList());
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Casi, SaldoAutomatico, ::testing::Values(
    CasoSaldo{"omaggi",
              [](tesel::prova::FatturaProva& f) {
                  f.riga(1000, "22", {"60", "10", "1001"})
                      .riga(tesel::prova::RigaProva{.prezzo = 50, .iva = "22", .conto = {"60", "10", "1003"},
                                                    .omaggio = "S"})
                      .iva(22, 1050, 231);
              }, "0",
              "2 PAG: D 2:40-10-1001 1220.00, A 1:20-40-1001 1220.00\n"
              "3 OMA: A 1:60-40-1002 61.00, D 2:40-10-1001 61.00"},
    CasoSaldo{"inversione contabile",
              [](tesel::prova::FatturaProva& f) {
                  f.fornitore("40", "10", "1008").causale("FRC").riga(tesel::prova::RigaProva{.prezzo = 1000, .iva = "RC63", .conto = {"60", "20", "1009"}, .aliquota = tesel::prova::Euro(0)})
                      .iva(0, 1000, 0, "RC63");
              }, "0",
              "2 PAG: D 2:40-10-1008 1000.00, A 1:20-40-1001 1000.00\n"
              "3 ARC: D 3:20-10-1001 1220.00, A 1:60-20-1009 1000.00, A 1:40-20-1001 220.00\n"
              "4 GRC: A 3:20-10-1001 1220.00, D 2:40-10-1008 220.00, D 1:60-20-1009 1000.00"},
    CasoSaldo{"scissione dei pagamenti",
              [](tesel::prova::FatturaProva& f) {
                  f.riga(1000, "22", {"60", "10", "1001"}).iva(22, 1000, 220, {}, "S");
              }, "0",
              "2 PAG: D 2:40-10-1001 1000.00, A 1:20-40-1001 1000.00"},
    CasoSaldo{"ritenuta registrata con il pagamento",
              [](tesel::prova::FatturaProva& f) {
                  f.fornitore("40", "10", "1005").riga(1000, "22", {"60", "20", "1003"}).iva(22, 1000, 220)
                      .ritenuta(200);
              }, "0",
              "2 PAG: D 2:40-10-1005 1220.00, A 1:40-20-1002 200.00, A 1:20-40-1001 1020.00"},
    CasoSaldo{"ritenuta in una registrazione a parte",
              [](tesel::prova::FatturaProva& f) {
                  f.fornitore("40", "10", "1005").riga(1000, "22", {"60", "20", "1003"}).iva(22, 1000, 220)
                      .ritenuta(200);
              }, "2",
              "2 RIT: D 2:40-10-1005 200.00, A 1:40-20-1002 200.00\n"
              "3 PAG: D 2:40-10-1005 1020.00, A 1:20-40-1001 1020.00"}));
// clang-format on

// A document that asks the whole 1,220 of a split-payment invoice: the supplier is owed 1,000.
TEST_F(ScadenzeFattura, shouldOpenOnlyTheTaxableAmountOfASplitPaymentInvoice) {
    esigibilita_ = u"S"_s;
    const EsitoContabilizzazione e = posta({{"MP05", "30/04/AAAA", "610"}, {"MP05", "31/05/AAAA", "610"}});
    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(rate(), (QStringList{u"1 30/04/AAAA 610.00"_s, u"2 31/05/AAAA 390.00"_s}));
    EXPECT_EQ(e.avvisi, u"\r\nScadenze ridotte di 220,00 a quanto dovuto al fornitore (1.000,00)"_s);
}

TEST_F(ScadenzeFattura, shouldRefuseThePostingOnAMissingPaymentCausal) {
    const EsitoContabilizzazione e = posta({{"MP01", "", "100"}}, {}, false, u"XYZ"_s);
    EXPECT_FALSE(e.ok);
    EXPECT_TRUE(e.errori.contains(u"Errore(3021 - Causale di pagamento XYZ inesistente) nella "
                                  "preparazione dei pagamenti automatici"_s))
        << e.errori.toStdString();
    EXPECT_EQ(
        db().valore("SELECT (SELECT count(*) FROM MovPnTes) + (SELECT count(*) FROM MovPnTesFatt)").toInt(),
        0);
}

} // namespace
} // namespace tesel::posting
