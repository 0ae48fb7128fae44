// Un-posting a received invoice: refusals that leave everything as it was, and the undoing of
// registrations, running totals, due dates and the protocol number.

#include "frame/blocchi.h"
#include "posting/contabilizzazione.h"
#include "posting/decontabilizzazione.h"
#include "posting/registrazioniprova.h"
#include "posting/trasferimento.h"
#include "support/interazioneprova.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace tesel::posting {
namespace {

using prova::ConRegistrazioni;
using prova::euro;
using prova::Fattura;

class Decontabilizzazione : public ConRegistrazioni {
protected:
    // Posts invoice `xmlNumRif` as posting leaves it: the store row marked posted, a protocol
    // of the purchase register, a registration and its due date; in the journal unless
    // `trasferisci` is false. Answers the registration's number (journal or staging).
    qint64 posta(qint64 xmlNumRif, bool trasferisci = true, Currency imponibile = euro("100"),
                 Currency imposta = euro("22"), QDate data = QDate()) {
        if (!data.isValid())
            data = QDate(anno, 3, 10);
        db().EseguiConValori(u"INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, Contabilizzato, DataRicSdi, "
                             "DGD_Data, DGD_Numero, Causale, GruppoFor, MastroFor, ContoFor) "
                             "VALUES (?, ?, 'S', ?, ?, ?, 'FAA', '40', '10', '1001')"_s,
                             {anno, xmlNumRif, data, data.addDays(-2), QString::number(xmlNumRif)});
        tesel::prova::InterazioneProva nessuno;
        QDate dataProt = data;
        const qint64 protocollo =
            NumeraProtocollo(db(), *parametri, nessuno, data, u"A"_s, u"."_s, u"A"_s, u"."_s, dataProt)
                .value();
        const qint64 numReg = prossimoNumeroReg(db(), *parametri, u"MovPnTesFatt"_s, anno);
        const TestataPn t = scrivi(Fattura{.numReg = numReg,
                                           .data = data,
                                           .numProt = protocollo,
                                           .numDoc = QString::number(xmlNumRif),
                                           .imponibile = imponibile,
                                           .imposta = imposta,
                                           .xmlAnno = anno,
                                           .xmlNumRif = xmlNumRif});
        db().EseguiConValori(
            u"INSERT INTO Scadenze (Anno, NumProg, Tipo, GruppoScad, MastroScad, ContoScad,"
            " DataScad, NumReg, AnnoReg, PreProt, NumProt, DataProt, Rata, ImportoScad)"
            " VALUES (?, ?, 2, '40', '10', '1001', ?, ?, ?, '.', ?, ?, 1, ?)"_s,
            {anno, static_cast<qint64>(db().ProssimoNumero(u"Scadenze"_s, u"NumProg"_s, anno, true)),
             data.addDays(30), numReg, anno, protocollo, t.dataProt,
             QVariant::fromValue(imponibile + imposta)});
        if (!trasferisci)
            return numReg;
        const EsitoTrasferimento e =
            TrasferisciPn(db(), *parametri, FamigliaPn::Appoggio, anno, numReg, numReg);
        EXPECT_EQ(e.numeroErrori, 0) << e.errori.toStdString();
        return e.numReg;
    }

    bool decontabilizza(qint64 xmlNumRif) {
        return DecontabilizzaFattura(db(), *parametri, configurazione.get(), ui, anno, xmlNumRif, u"mario"_s);
    }

    // Everything un-posting may touch, as one line.
    QString stato() {
        QStringList v;
        for (const char* t : {"MovPnTes", "MovPnDett", "MovPnIva", "MovPnTesFatt", "MovPnDettFatt",
                              "MovPnIvaFatt", "Scadenze", "LockGest"})
            v << u"%1=%2"_s.arg(QLatin1String(t)).arg(conta(u"Select count(*) from "_s + QLatin1String(t)));
        v << u"prot=%1"_s.arg(conta(
            u"Select NumDoc from LibriIva where Anno = %1 and TipoReg = 'A' and Pref = '.'"_s.arg(anno)));
        v << u"contabilizzate=%1"_s.arg(
            conta(u"Select count(*) from FatXmlTest where Contabilizzato = 'S'"_s));
        v << u"fornitore="_s + progressivi(prova::Fornitore);
        v << u"costo="_s + progressivi(prova::Costo);
        return v.join(u' ');
    }

    tesel::prova::InterazioneProva ui;
};

struct CasoRifiuto {
    const char* modifica; // SQL run on the posted invoice, %1 the year
    const char* messaggio;
};

void PrintTo(const CasoRifiuto& c, std::ostream* os) {
    *os << c.modifica;
}

class RifiutoDecontabilizzazione : public Decontabilizzazione,
                                   public ::testing::WithParamInterface<CasoRifiuto> {};

TEST_P(RifiutoDecontabilizzazione, shouldRefuseWithTheReasonAndChangeNothing) {
    const CasoRifiuto c = GetParam();
    posta(1);
    db().EseguiSql(QString::fromUtf8(c.modifica).replace(u"%1"_s, QString::number(anno)));
    const QString prima = stato();
    EXPECT_FALSE(decontabilizza(1));
    EXPECT_EQ(ui.testiMostrati(), QStringList{QString::fromUtf8(c.messaggio)});
    EXPECT_EQ(stato(), prima);
}

const char* const Stampati =
    "La fattura non è ripristinabile a causa di movimenti di prima nota o IVA stampati";
const char* const InDistinta = "La fattura non è ripristinabile a causa di scadenze in distinta";

INSTANTIATE_TEST_SUITE_P(
    Blocchi, RifiutoDecontabilizzazione,
    ::testing::Values(CasoRifiuto{"UPDATE MovPnTes SET StatoGio = 'S'", Stampati},
                      CasoRifiuto{"UPDATE MovPnTes SET StatoIva = '1'", Stampati},
                      CasoRifiuto{"UPDATE Scadenze SET NumRegPag = 12", InDistinta},
                      CasoRifiuto{"UPDATE Scadenze SET DataRegPag = '%1-04-01 00:00:00'", InDistinta},
                      CasoRifiuto{"UPDATE Scadenze SET NumDist = 3", InDistinta},
                      CasoRifiuto{"UPDATE FatXmlTest SET Contabilizzato = 'N'",
                                  "Non ci sono fatture da elaborare"},
                      CasoRifiuto{"INSERT INTO LockGest (Tipo, Anno, NumReg, Utente) SELECT 'MovPn', Anno, "
                                  "NumReg, 'anna' FROM MovPnTes",
                                  "Ci sono in uso movimenti di prima nota collegati alla fattura"}));

TEST_F(Decontabilizzazione, shouldRefuseAnInvoiceOfAClosedAccountingYear) {
    posta(1, false, euro("100"), euro("22"), QDate(anno - 2, 11, 4));
    const QString prima = stato();
    EXPECT_FALSE(decontabilizza(1));
    EXPECT_EQ(ui.testiMostrati(),
              QStringList{u"Fattura di anno contabile chiuso: impossibile decontabilizzare"_s});
    EXPECT_EQ(stato(), prima);
}

TEST_F(Decontabilizzazione, shouldUnpostAnInvoiceLeftInTheStagingJournal) {
    posta(1, false);
    ASSERT_EQ(conta(u"Select count(*) from MovPnTesFatt"_s), 1);
    EXPECT_TRUE(decontabilizza(1));
    EXPECT_TRUE(ui.mostrati.isEmpty()) << ui.testiMostrati().join(u'|').toStdString();
    EXPECT_EQ(stato(), u"MovPnTes=0 MovPnDett=0 MovPnIva=0 MovPnTesFatt=0 MovPnDettFatt=0 "
                       "MovPnIvaFatt=0 Scadenze=0 LockGest=0 prot=0 contabilizzate=0 fornitore=- "
                       "costo=-"_s);
    EXPECT_EQ(db().valore(u"Select Contabilizzato from FatXmlTest where XmlNumRif = 1"_s).toString(), u"N"_s);
}

TEST_F(Decontabilizzazione, shouldTakeBackExactlyTheInvoicesRunningTotalsAndDueDates) {
    scriviProgressivi(prova::Fornitore, "5", "100", "50", QDate(anno, 1, 31));
    posta(1);
    const qint64 seconda = posta(2, true, euro("40.10"), euro("8.82"));
    ASSERT_EQ(progressivi(prova::Fornitore), u"5.00/100.00/220.92"_s);

    EXPECT_TRUE(decontabilizza(1));
    EXPECT_EQ(progressivi(prova::Fornitore), u"5.00/100.00/98.92"_s);
    EXPECT_EQ(progressivi(prova::Costo), u"0.00/40.10/0.00"_s);
    EXPECT_EQ(progressivi(prova::ContoIva), u"0.00/8.82/0.00"_s);
    // The other invoice keeps its registration and due date.
    EXPECT_EQ(conta(u"Select count(*) from MovPnTes where XmlNumRif = 2 and NumReg = %1"_s.arg(seconda)), 1);
    EXPECT_EQ(conta(u"Select count(*) from MovPnDett"_s), 3);
    EXPECT_EQ(conta(u"Select NumProt from Scadenze"_s), 2);
}

// Giving back the last number takes the register's last date back to the protocol now last;
// an earlier number cannot go back and the user is told it stays free.
TEST_F(Decontabilizzazione, shouldGiveBackTheLastProtocolWithItsDateAndWarnOfAGap) {
    for (int n = 1; n <= 3; ++n)
        posta(n, true, euro("100"), euro("22"), QDate(anno, 3, 5 * n));
    const auto registro = [&] {
        Recordset rs = db().ApriRs(
            u"Select NumDoc, DataUltDoc from LibriIva where Anno = %1 and TipoReg = 'A' and Pref = '.'"_s.arg(
                anno));
        return rs.leggiTesto(u"NumDoc"_s) + u' ' + dataCampo(rs, u"DataUltDoc"_s).toString(u"dd/MM"_s);
    };
    ASSERT_EQ(registro(), u"3 15/03"_s);
    const QString lacuna = u"Il protocollo %1 del registro IVA A (prefisso .) non è l'ultimo emesso (%2): il "
                           "numero resta libero nella numerazione del registro"_s;
    EXPECT_TRUE(decontabilizza(2));
    EXPECT_EQ(registro(), u"3 15/03"_s);
    EXPECT_EQ(ui.testiMostrati().join(u'|'), lacuna.arg(2).arg(3));
    EXPECT_TRUE(decontabilizza(3));
    EXPECT_EQ(registro(), u"2 05/03"_s);
    EXPECT_TRUE(decontabilizza(1));
    EXPECT_EQ(registro(), u"2 05/03"_s);
    EXPECT_EQ(ui.testiMostrati().join(u'|'), lacuna.arg(2).arg(3) + u'|' + lacuna.arg(1).arg(2));
    EXPECT_EQ(conta(u"Select count(*) from FatXmlTest where Contabilizzato = 'N'"_s), 3);
    // A second attempt finds nothing posted.
    EXPECT_FALSE(decontabilizza(2));
    EXPECT_EQ(ui.testiMostrati().last(), u"Non ci sono fatture da elaborare"_s);
}

// The purchase register numbers credit notes apart by the company, or by the user's
// "PN" NcAcqSepar when it is set.
TEST_F(Decontabilizzazione, shouldGiveBackACreditNoteOnItsOwnCounter) {
    for (const auto& [ditta, personale, numDoc, numDocNC] :
         {std::tuple{"S", "", 7, 2}, {"N", "S", 7, 2}, {"S", "N", 6, 3}}) {
        SCOPED_TRACE(std::string(ditta) + "/" + personale);
        parametri->scrivi(u"Ditta.NumNCSepar"_s, QLatin1String(ditta));
        menu.imposta(u"Personal.PN.NcAcqSepar"_s, QLatin1String(personale));
        db().EseguiSql(u"DELETE FROM MovPnTes"_s);
        db().EseguiSql(u"DELETE FROM FatXmlTest"_s);
        db().EseguiSql(
            u"UPDATE LibriIva SET NumDoc = 7, NumDocNC = 3 WHERE Anno = %1 AND TipoReg = 'A'"_s.arg(anno));
        db().EseguiConValori(
            u"INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, Contabilizzato, DataRicSdi, Causale)"
            " VALUES (?, 5, 'S', ?, 'NCA')"_s,
            {anno, QDate(anno, 3, 10)});
        scrivi(Fattura{.numReg = 1,
                       .causale = u"NCA"_s,
                       .segnoPrinc = u"D"_s,
                       .numProt = numDocNC == 2 ? 3 : 7,
                       .xmlAnno = anno,
                       .xmlNumRif = 5},
               FamigliaPn::Giornale);
        EXPECT_TRUE(decontabilizza(5));
        EXPECT_EQ(conta(u"Select NumDocNC from LibriIva where Anno = %1 and TipoReg = 'A'"_s.arg(anno)),
                  numDocNC);
        EXPECT_EQ(conta(u"Select NumDoc from LibriIva where Anno = %1 and TipoReg = 'A'"_s.arg(anno)),
                  numDoc);
    }
}

TEST_F(Decontabilizzazione, shouldCountTheDueDatesTheHeaderFormCannotDelete) {
    posta(1);
    posta(2);
    EXPECT_EQ(scadenzeBloccate(db(), anno, 1), 0);
    db().EseguiSql(u"UPDATE Scadenze SET NumRegPag = 4 WHERE NumProt = 1"_s);
    EXPECT_EQ(scadenzeBloccate(db(), anno, 1), 1);
    EXPECT_EQ(scadenzeBloccate(db(), anno, 2), 0);
    db().EseguiSql(u"UPDATE Scadenze SET NumDist = 2 WHERE NumProt = 2"_s);
    EXPECT_EQ(scadenzeBloccate(db(), anno, 2), 1);
    db().EseguiSql(u"UPDATE Scadenze SET NumDist = 0, Utente = 'anna' WHERE NumProt = 2"_s);
    EXPECT_EQ(scadenzeBloccate(db(), anno, 2), 1);
}

} // namespace
} // namespace tesel::posting
