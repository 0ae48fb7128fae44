// The posting driver end to end on the demo company: its refusals leave nothing behind, a
// posted invoice lands in the journal balanced with consecutive protocols and its due dates,
// and un-posting brings every table back.

#include "aziendaprova.h"
#include "fatturaprova.h"
#include "fotografia.h"
#include "frame/database.h"
#include "frame/errori.h"
#include "frame/sqlvalore.h"
#include "posting/contabilizzazione.h"
#include "posting/decontabilizzazione.h"
#include "posting/primanota.h"
#include "posting/trasferimento.h"
#include "support/dbprova.h"

#include <QSqlDriver>
#include <QThread>
#include <functional>
#include <future>
#include <gtest/gtest.h>
#include <set>
#include <sqlite3.h>
#include <thread>

using namespace Qt::StringLiterals;

namespace tesel::posting {
namespace {

using tesel::prova::ChiaveFattura;
using tesel::prova::FatturaProva;
using tesel::prova::RigaProva;

const tesel::prova::ContoProva Costo{u"60"_s, u"10"_s, u"1001"_s};

class Contabilizzazione : public prova::ConAziendaDemo {
protected:
    EsitoContabilizzazione posta(const ChiaveFattura& k) {
        return ContabilizzaFattura(db(), *parametri, configurazione.get(), ui, k.anno, k.numero, {}, {},
                                   false, u"prova"_s);
    }

    // A 100 + 22% invoice of the demo supplier, paid in one instalment.
    FatturaProva fattura() {
        FatturaProva f(db());
        f.numero(u"123/A"_s).riga(100, u"22"_s, Costo).iva(22, 100, 22).pagamento(122, QDate(anno, 4, 30));
        return f;
    }

    // A column of the invoice's store row.
    QString campo(const ChiaveFattura& k, const QString& colonna = u"Contabilizzato"_s) {
        return db()
            .valore(u"Select %1 from FatXmlTest Where XmlAnno = %2 and XmlNumRif = %3"_s.arg(colonna)
                        .arg(k.anno)
                        .arg(k.numero))
            .toString();
    }

    // "NumReg Causale NumProt DataReg DataProt NumDoc" of each journal registration of the invoice.
    QStringList registrazioni(const ChiaveFattura& k) {
        QStringList v;
        Recordset r = db().ApriRs(u"Select * from MovPnTes Where XmlAnno = %1 and XmlNumRif = %2"
                                  " Order by NumReg"_s.arg(k.anno)
                                      .arg(k.numero));
        for (; !r.RsEof(); r.RsMoveNext()) {
            const auto data = [&](const char* c) {
                return r.LeggiCampo(QLatin1String(c)).toDate().toString(u"dd/MM"_s);
            };
            v << u"%1 %2 %3 %4 %5 %6"_s.arg(r.leggiTesto(u"NumReg"_s), r.leggiTesto(u"Causale"_s),
                                            r.leggiTesto(u"NumProt"_s), data("DataReg"), data("DataProt"),
                                            r.leggiTesto(u"NumDoc"_s));
        }
        return v;
    }

    qint64 conta(const QString& sql) { return db().valore(sql).toLongLong(); }
};

// ---- Refusals: the message, and nothing written -------------------------------------------------

struct CasoRifiuto {
    const char* descrizione;
    std::function<void(FatturaProva&, int anno)> prepara;
    const char* errori;           // exact text; "\n" stands for CRLF
    bool soloDescrittive = false; // the invoice has one "DE" line and nothing else; errori is contained
};

class RifiutoContabilizzazione : public Contabilizzazione,
                                 public ::testing::WithParamInterface<CasoRifiuto> {};

TEST_P(RifiutoContabilizzazione, shouldReportTheReasonAndLeaveEveryTableAsItWas) {
    const CasoRifiuto& c = GetParam();
    SCOPED_TRACE(c.descrizione);
    FatturaProva f = c.soloDescrittive ? FatturaProva(db()) : fattura();
    if (c.soloDescrittive)
        f.riga(RigaProva{.prezzo = 0, .iva = u"22"_s, .conto = Costo, .tipoRiga = u"DE"_s});
    c.prepara(f, anno);
    const ChiaveFattura k = f.scrivi();
    const QString statoPrima = campo(k);
    const auto prima = prova::fotografia(db());

    const EsitoContabilizzazione esito = posta(k);

    EXPECT_FALSE(esito.ok);
    const QString atteso = QString::fromUtf8(c.errori)
                               .replace(u'\n', u"\r\n"_s)
                               .replace(u"{a-3}"_s, QString::number(anno - 3))
                               .replace(u"{a+1}"_s, QString::number(anno + 1))
                               .replace(u"{a}"_s, QString::number(anno));
    if (c.soloDescrittive)
        EXPECT_TRUE(esito.errori.contains(atteso)) << esito.errori.toStdString();
    else
        EXPECT_EQ(esito.errori, atteso);
    EXPECT_EQ(prova::differenze(prima, prova::fotografia(db())), QString());
    EXPECT_EQ(campo(k), statoPrima);
}

INSTANTIATE_TEST_SUITE_P(
    Controlli, RifiutoContabilizzazione,
    ::testing::Values(
        CasoRifiuto{"senza fornitore", [](FatturaProva& f, int) { f.senzaFornitore(); },
                    "\nManca il codice fornitore"},
        CasoRifiuto{"fornitore fuori dal piano dei conti",
                    [](FatturaProva& f, int) { f.fornitore("40", "10", "9999"); },
                    "\nFornitore 40-10-9999 inesistente"},
        CasoRifiuto{"senza causale e fuori esercizio: i due messaggi insieme",
                    [](FatturaProva& f, int anno) { f.causale({}).ricezione(QDate(anno - 3, 5, 2)); },
                    "\nManca la causale di contabilità\nData registrazione non valida per anno contabile: "
                    "02/05/{a-3}, anno contabile {a} (date registrabili dal 01/01/{a} al 31/12/{a+1})"},
        CasoRifiuto{"causale inesistente", [](FatturaProva& f, int) { f.causale("ZZZ"); },
                    "\nCausale ZZZ inesistente"},
        CasoRifiuto{"già contabilizzata", [](FatturaProva& f, int) { f.contabilizzata(); },
                    "\nFattura già contabilizzata"},
        // Fails after the protocol was numbered and the header written: all of it goes back.
        CasoRifiuto{"solo righe descrittive", [](FatturaProva&, int) {}, "Mancano i dettagli", true}));

// ---- Posting ------------------------------------------------------------------------------------

// A supplier unknown to the chart is created on request, and the invoice posts on it.
TEST_F(Contabilizzazione, shouldCreateTheMissingSupplierWhenAskedAndPostOnIt) {
    const ChiaveFattura k = fattura().senzaFornitore().partitaIva(u"09876543210"_s).scrivi();
    db().EseguiSql(u"UPDATE FatXmlTest SET CP_DA_Anagrafica_Denominazione = 'Officine Nuove Srl'"
                   " Where XmlAnno = %1 and XmlNumRif = %2"_s.arg(k.anno)
                       .arg(k.numero));

    const EsitoContabilizzazione e = ContabilizzaFattura(db(), *parametri, configurazione.get(), ui, k.anno,
                                                         k.numero, {}, {}, true, u"prova"_s);

    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    const QString conto = campo(k, u"ContoFor"_s);
    ASSERT_FALSE(conto.isEmpty());
    EXPECT_EQ(db().valore(u"Select Descrizione from PianoConti Where Gruppo = '40' and Mastro = '10'"
                          " and Conto = '%1'"_s.arg(conto))
                  .toString(),
              "Officine Nuove Srl");
    EXPECT_EQ(
        conta(u"Select count(*) from MovPnDett Where TipoPartita = 2 and ContoPartita = '%1'"_s.arg(conto)),
        1);
}

struct CasoDataReg {
    const char* fatPassDataReg;
    const char* attese; // the second invoice's registration
};

void PrintTo(const CasoDataReg& c, std::ostream* os) {
    *os << "FatPassDataReg " << c.fatPassDataReg;
}

class DataRegistrazione : public Contabilizzazione, public ::testing::WithParamInterface<CasoDataReg> {};

// An invoice received before the register's last protocol date takes that date as protocol
// date; with "R" the registration keeps the day it was received.
TEST_P(DataRegistrazione, shouldDateTheRegistrationByFatPassDataReg) {
    menu.imposta(u"Personal.Tesel.FatPassDataReg"_s, QLatin1String(GetParam().fatPassDataReg));
    const ChiaveFattura k1 = fattura().ricezione(QDate(anno, 3, 20)).scrivi();
    const ChiaveFattura k2 = fattura().numero("124").ricezione(QDate(anno, 3, 15)).scrivi();
    ASSERT_TRUE(posta(k1).ok);
    const EsitoContabilizzazione e2 = posta(k2);
    ASSERT_TRUE(e2.ok) << e2.errori.toStdString();
    EXPECT_EQ(registrazioni(k2), QStringList{QLatin1String(GetParam().attese)});
    // Posted: flagged, moved out of staging, no lock left.
    EXPECT_EQ(campo(k2), "S");
    EXPECT_EQ(conta(u"Select count(*) from MovPnTesFatt"_s) + conta(u"Select count(*) from LockGest"_s), 0);
}

INSTANTIATE_TEST_SUITE_P(Parametro, DataRegistrazione,
                         ::testing::Values(CasoDataReg{"P", "2 FAA 2 20/03 20/03 124"},
                                           CasoDataReg{"R", "2 FAA 2 15/03 20/03 124"}));

// Two workstations may compute the same number at once, in the staging journal or in the
// journal where the invoice's own registration is written; the one that writes second takes
// the next number instead of failing the posting. (SQLite serialises the two writers, so
// there the second simply reads the number the first wrote.)
TEST_F(Contabilizzazione, shouldTakeTheNextNumberWhenAnotherWorkstationWroteItMeanwhile) {
    for (const FamigliaPn famiglia : {FamigliaPn::Appoggio, FamigliaPn::Giornale}) {
        const bool giornale = famiglia == FamigliaPn::Giornale;
        SCOPED_TRACE(giornale ? "giornale" : "appoggio");
        const QString tabella = tabelle(famiglia).testata;
        const auto testata = [&] {
            TestataPn t;
            t.anno = anno;
            t.dataReg = t.dataDoc = t.dataProt = QDate(anno, 3, 10);
            t.causale = u"FAA"_s;
            t.numDoc = u"1"_s;
            t.moneta = u"EUR"_s;
            t.famiglia = famiglia;
            return t;
        };
        const qint64 primo = giornale ? prossimoNumeroGiornale(db(), *parametri, anno)
                                      : prossimoNumeroReg(db(), *parametri, tabella, anno);
        std::promise<void> scritta;
        std::thread altra([&] {
            const auto b = altraConnessione();
            b->IniziaTrans();
            TestataPn t = testata();
            t.numReg = primo;
            scriviTestata(*b, t);
            scritta.set_value();
            QThread::msleep(300); // still uncommitted while this workstation writes
            b->ConfermaTrans();
        });
        scritta.get_future().wait();
        TestataPn mia = testata();
        try {
            Transazione tr(db());
            if (giornale)
                scriviTestataGiornale(db(), *parametri, mia);
            else
                scriviTestataAppoggio(db(), *parametri, mia);
            tr.conferma();
        } catch (const ErroreDb& e) {
            ADD_FAILURE() << e.descrizione().toStdString();
        }
        altra.join();
        EXPECT_EQ(mia.numReg, primo + 1);
        EXPECT_EQ(
            conta(u"Select count(*) from "_s + tabella + u" where NumReg >= "_s + QString::number(primo)), 2);
    }
}

// Another program may take the next due-date number while an invoice is being posted: the
// posting is done again from the start and its due date takes the number after that one, with
// nothing of the first attempt left. (On SQLite the other writer makes the posting wait, and it
// then reads the number taken.)
TEST_F(Contabilizzazione, shouldPostAgainWhenAnotherProgramTakesTheDueDateNumberMeanwhile) {
    const ChiaveFattura k = fattura().scrivi();
    const qint64 primo = db().ProssimoNumero(u"Scadenze"_s, u"NumProg"_s, anno, true);
    std::promise<void> scritta;
    std::thread altra([&] {
        const auto b = altraConnessione();
        b->IniziaTrans();
        b->EseguiSql(u"INSERT INTO Scadenze (Anno, NumProg, Tipo) VALUES (%1, %2, 2)"_s.arg(anno).arg(primo));
        scritta.set_value();
        QThread::msleep(300); // still uncommitted while the posting writes its due date
        b->ConfermaTrans();
    });
    scritta.get_future().wait();
    const EsitoContabilizzazione e = posta(k);
    altra.join();
    ASSERT_TRUE(e.ok) << e.errori.toStdString();
    EXPECT_EQ(registrazioni(k).size(), 1);
    EXPECT_EQ(
        conta(u"Select count(*) from Scadenze Where Anno = %1 and NumProg >= %2"_s.arg(anno).arg(primo)), 2);
    EXPECT_EQ(conta(u"Select NumProg from Scadenze Where Anno = %1 and NumReg IS NOT NULL"_s.arg(anno)),
              primo + 1);
    EXPECT_EQ(campo(k), "S");
}

// A register whose last protocol date is already in the new year numbers an invoice received
// on 30 December with that date; un-posting gives the number back to the counter that issued
// it, so posting it again leaves no gap.
TEST_F(Contabilizzazione, shouldGiveBackAProtocolDatedInTheNewYearToTheCounterThatIssuedIt) {
    db().EseguiSql(u"UPDATE LibriIva SET NumDoc = 4, DataUltDoc = %1 Where Anno = %2 and TipoReg = "
                   "'A' and Pref = '.'"_s.arg(SqlValore(QDate(anno + 1, 1, 2), SqlData))
                       .arg(anno));
    const ChiaveFattura k = fattura().data(QDate(anno, 12, 20)).ricezione(QDate(anno, 12, 30)).scrivi();
    ASSERT_TRUE(posta(k).ok);
    EXPECT_EQ(registrazioni(k).value(0).section(u' ', 2, 2), "5");
    ASSERT_TRUE(
        DecontabilizzaFattura(db(), *parametri, configurazione.get(), ui, k.anno, k.numero, u"prova"_s))
        << ui.testiMostrati().join(u'\n').toStdString();
    EXPECT_EQ(conta(u"Select NumDoc from LibriIva Where Anno = %1 and TipoReg = 'A'"_s.arg(anno)), 4);
    ASSERT_TRUE(posta(k).ok);
    EXPECT_EQ(registrazioni(k).value(0).section(u' ', 2, 2), "5");
}

// The same document of the same supplier, brought twice (another file, a Hub download), enters
// the purchase register once; another date, another supplier or a credit note with the same
// number are other documents, and an un-posted one can be posted again.
TEST_F(Contabilizzazione, shouldRefuseADocumentOfTheSupplierAlreadyInThePurchaseRegister) {
    const ChiaveFattura prima = fattura().scrivi();
    ASSERT_TRUE(posta(prima).ok);
    const QString numReg = registrazioni(prima).value(0).section(u' ', 0, 0);
    const ChiaveFattura copia = fattura().scrivi();
    const auto righe = [&] { return conta(u"Select count(*) from MovPnDett"_s); };
    const qint64 prima_righe = righe();
    const EsitoContabilizzazione e = posta(copia);
    EXPECT_FALSE(e.ok);
    EXPECT_TRUE(
        e.errori.contains(u"Documento 123 del 10/03/%1 del fornitore 40-10-1001 già registrato con la "
                          "registrazione %2/%1"_s.arg(anno)
                              .arg(numReg)))
        << e.errori.toStdString();
    EXPECT_EQ(campo(copia), "N");
    EXPECT_EQ(righe(), prima_righe);

    EXPECT_TRUE(posta(fattura().data(QDate(anno, 3, 11)).scrivi()).ok);
    EXPECT_TRUE(posta(fattura().tipoDocumento(u"TD04"_s).causale(u"NCA"_s).scrivi()).ok);

    ASSERT_TRUE(DecontabilizzaFattura(db(), *parametri, configurazione.get(), ui, prima.anno, prima.numero,
                                      u"prova"_s));
    EXPECT_TRUE(posta(copia).ok) << posta(copia).errori.toStdString();
}

// A batch prepares each statement once only if no statement carries the values of its invoice
// in its text: after a first posting, an invoice with another number, dates, amounts and
// document runs no statement text that the first one did not.
TEST_F(Contabilizzazione, shouldRunNoStatementTextThatAnEarlierInvoiceDidNotRun) {
    const QVariant handle = db().qt().driver()->handle();
    if (qstrcmp(handle.typeName(), "sqlite3*") != 0)
        GTEST_SKIP() << "the statement cache is that of a database file";
    sqlite3* sqlite = *static_cast<sqlite3* const*>(handle.data());
    std::set<std::string> testi;
    const auto traccia = [](unsigned, void* insieme, void* istruzione, void*) {
        static_cast<std::set<std::string>*>(insieme)->insert(
            sqlite3_sql(static_cast<sqlite3_stmt*>(istruzione)));
        return 0;
    };
    const ChiaveFattura prima = fattura().scrivi();
    const ChiaveFattura seconda = FatturaProva(db())
                                      .numero(u"77/B"_s)
                                      .data(QDate(anno, 3, 20))
                                      .riga(250, u"22"_s, Costo)
                                      .iva(22, 250, "55")
                                      .pagamento("305", QDate(anno, 5, 31))
                                      .scrivi();
    sqlite3_trace_v2(sqlite, SQLITE_TRACE_STMT, traccia, &testi);
    const EsitoContabilizzazione primo = posta(prima);
    const std::set<std::string> gia = testi;
    testi.clear();
    const EsitoContabilizzazione secondo = posta(seconda);
    sqlite3_trace_v2(sqlite, 0, nullptr, nullptr);
    ASSERT_TRUE(primo.ok) << primo.errori.toStdString();
    ASSERT_TRUE(secondo.ok) << secondo.errori.toStdString();
    EXPECT_GT(testi.size(), 20u);
    for (const std::string& t : testi)
        EXPECT_TRUE(gia.count(t)) << t;
}

} // namespace
} // namespace tesel::posting
