// VAT register protocol numbering and the transfer of staging registrations to the journal:
// numbers, copied rows, running totals, due dates, errors and roll-back.

#include "frame/interazione.h"
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

class Protocollo : public ConRegistrazioni {
protected:
    std::optional<qint64> numera(const QDate& data, const QString& tipoReg, const QString& pref,
                                 const QString& segno, QDate* dataProt = nullptr,
                                 std::optional<bool> ncAcqSepar = std::nullopt) {
        QDate d = data;
        const auto n =
            NumeraProtocollo(db(), *parametri, ui, data, tipoReg, pref, segno, u"."_s, d, ncAcqSepar);
        if (dataProt)
            *dataProt = d;
        return n;
    }
    // The heading of register A/Z of `annoReg`.
    QString intestazione(int annoReg) {
        return db()
            .valore(
                u"Select Intestazione from LibriIva where Anno = %1 and TipoReg = 'A' and Pref = 'Z'"_s.arg(
                    annoReg))
            .toString();
    }
    tesel::prova::InterazioneProva ui;
};

// NumDoc starts at 10, NumDocNC at 20: only a credit note of a company that numbers them apart
// (on the purchase register: of a user whose "PN" NcAcqSepar says so, when set) takes the
// second counter; a causal without main side is no credit note.
TEST_F(Protocollo, shouldNumberCreditNotesApartOnlyWhenTheCompanyAsks) {
    const struct {
        const char *tipoReg, *segno, *ncSeparate, *ncAcqSepar;
        qint64 atteso;
    } casi[] = {{"A", "A", "S", "", 11},  {"A", "D", "S", "", 21},  {"A", "D", "N", "", 11},
                {"V", "D", "S", "", 11},  {"V", "A", "S", "", 21},  {"C", "A", "S", "", 11},
                {"C", "D", "S", "", 11},  {"A", "", "S", "", 11},   {"V", "", "S", "", 11},
                {"A", "D", "N", "S", 21}, {"A", "D", "S", "N", 11}, {"V", "A", "S", "N", 21}};
    for (const auto& c : casi) {
        SCOPED_TRACE(std::string("registro ") + c.tipoReg + " segno " + c.segno + " NumNCSepar " +
                     c.ncSeparate + " NcAcqSepar " + c.ncAcqSepar);
        const std::optional<bool> ncAcqSepar =
            *c.ncAcqSepar ? std::optional(*c.ncAcqSepar == 'S') : std::nullopt;
        parametri->scrivi(u"Ditta.NumNCSepar"_s, QLatin1String(c.ncSeparate));
        parametri = std::make_unique<ParametriAzienda>(db());
        db().EseguiSql(u"DELETE FROM LibriIva WHERE Pref = 'X'"_s);
        db().EseguiSql(u"INSERT INTO LibriIva (Anno, TipoReg, Pref, NumDoc, NumDocNC, Intestazione) "
                       "VALUES (%1, '%2', 'X', 10, 20, 'Prova')"_s.arg(anno)
                           .arg(QLatin1String(c.tipoReg)));
        EXPECT_EQ(numera(QDate(anno, 3, 10), QLatin1String(c.tipoReg), u"X"_s, QLatin1String(c.segno),
                         nullptr, ncAcqSepar),
                  c.atteso);
        const bool nc = c.atteso > 20;
        EXPECT_EQ(conta(u"Select NumDoc from LibriIva where Anno = %1 and Pref = 'X'"_s.arg(anno)),
                  nc ? 10 : c.atteso);
        EXPECT_EQ(conta(u"Select NumDocNC from LibriIva where Anno = %1 and Pref = 'X'"_s.arg(anno)),
                  nc ? c.atteso : 20);
    }
}

TEST_F(Protocollo, shouldCreateAMissingRegisterKeepingTheHeadingOfTheYearBefore) {
    QDate dataProt;
    EXPECT_EQ(numera(QDate(anno, 5, 4), u"A"_s, u"Z"_s, u"A"_s, &dataProt), 1);
    EXPECT_EQ(dataProt, QDate(anno, 5, 4));
    EXPECT_EQ(intestazione(anno), u"Registro IVA acquisti - Z"_s);
    EXPECT_EQ(numera(QDate(anno, 5, 6), u"A"_s, u"Z"_s, u"A"_s), 2);
    // Next year's register starts again from 1 and keeps this year's heading.
    db().EseguiSql(u"UPDATE LibriIva SET Intestazione = 'Acquisti sede Z' WHERE Pref = 'Z'"_s);
    EXPECT_EQ(numera(QDate(anno + 1, 1, 8), u"A"_s, u"Z"_s, u"A"_s), 1);
    EXPECT_EQ(intestazione(anno + 1), u"Acquisti sede Z"_s);
    // An empty prefix is the register's ".".
    const auto punto = numera(QDate(anno, 3, 15), u"A"_s, u"."_s, u"A"_s);
    EXPECT_EQ(numera(QDate(anno, 3, 15), u"A"_s, QString(), u"A"_s), punto.value() + 1);
}

// A user who, asked whether to retry, lets the other workstation finish first.
class AttendeAltraPostazione : public tesel::prova::InterazioneProva {
public:
    explicit AttendeAltraPostazione(Database& altra) : altra_(altra) {}
    int mostra(const Messaggio& m) override {
        InterazioneProva::mostra(m);
        altra_.ConfermaTrans();
        return 1;
    }

private:
    Database& altra_;
};

TEST_F(Protocollo, shouldAskWhetherToRetryWhileAnotherWorkstationHoldsTheCounter) {
    auto altra = altraConnessione();
    if (db().dialetto() == Dialetto::SQLite)
        db().valore(u"PRAGMA busy_timeout = 50"_s);
    const QString occupa =
        u"UPDATE LibriIva SET NumDoc = 4 WHERE Anno = %1 AND TipoReg = 'A' AND Pref = '.'"_s.arg(anno);
    altra->IniziaTrans();
    altra->EseguiSql(occupa);

    ui.accoda(u"&No"_s);
    EXPECT_EQ(numera(QDate(anno, 3, 10), u"A"_s, u"."_s, u"A"_s), std::nullopt);
    ASSERT_EQ(ui.mostrati.size(), 1);
    EXPECT_EQ(ui.mostrati[0].testo, u"Tabella numeratore in uso: riprovo?"_s);
    EXPECT_EQ(ui.mostrati[0].risposte, (QStringList{u"&Si"_s, u"&No"_s}));

    AttendeAltraPostazione paziente(*altra);
    QDate d = QDate(anno, 3, 10);
    EXPECT_EQ(NumeraProtocollo(db(), *parametri, paziente, d, u"A"_s, u"."_s, u"A"_s, u"."_s, d),
              5); // after the other workstation's 4
    EXPECT_EQ(paziente.mostrati.size(), 1);
}

// ---- Transfer ---------------------------------------------------------------------------------

class Trasferimento : public ConRegistrazioni {
protected:
    EsitoTrasferimento trasferisci(qint64 primo, qint64 ultimo) {
        return TrasferisciPn(db(), *parametri, FamigliaPn::Appoggio, anno, primo, ultimo);
    }
    qint64 inAppoggio() {
        return conta(u"Select count(*) from MovPnTesFatt"_s) +
               conta(u"Select count(*) from MovPnDettFatt"_s) + conta(u"Select count(*) from MovPnIvaFatt"_s);
    }
};

TEST_F(Trasferimento, shouldRestartNumbersEveryYearUnlessTheCompanyKeepsThemRunning) {
    // Last year's journal ends at 40, this year's has reached 5.
    db().EseguiSql(u"INSERT INTO MovPnTes (Anno, NumReg, Causale) VALUES (%1, 40, 'FAA')"_s.arg(anno - 1));
    db().EseguiSql(u"INSERT INTO MovPnTes (Anno, NumReg, Causale) VALUES (%1, 5, 'FAA')"_s.arg(anno));
    for (const auto& [azzera, atteso] : {std::pair{"S", 6}, {"N", 41}, {"", 6}}) {
        SCOPED_TRACE(azzera);
        parametri->scrivi(u"Coge.Azzera"_s, QLatin1String(azzera));
        scrivi(Fattura{.numReg = 1});
        EXPECT_EQ(trasferisci(1, 1).numReg, atteso);
        for (const char* t : {"MovPnTes", "MovPnDett", "MovPnIva"})
            db().EseguiSql(u"DELETE FROM %1 WHERE NumReg = %2"_s.arg(QLatin1String(t)).arg(atteso));
    }
}

TEST_F(Trasferimento, shouldAddTheRowsToTheRunningTotalsOrOpeningBalanceCreatingMissingAccounts) {
    const QDate ultimo(anno, 12, 1);
    scriviProgressivi(prova::Fornitore, "0", "100", "50", ultimo);
    scriviProgressivi(prova::Costo, "0", "10", "0", QDate(anno, 1, 5));
    scrivi(Fattura{.numReg = 1});
    scrivi(Fattura{.numReg = 2,
                   .causale = u"NCA"_s,
                   .segnoPrinc = u"D"_s,
                   .imponibile = euro("40"),
                   .imposta = euro("8.80")});
    // An opening causal moves its amounts to the opening balance.
    scrivi(Fattura{.numReg = 3,
                   .causale = u"APE"_s,
                   .imponibile = euro("200"),
                   .imposta = euro("0"),
                   .conRigaIva = false});
    ASSERT_EQ(trasferisci(1, 3).numeroErrori, 0);

    EXPECT_EQ(progressivi(prova::Fornitore), u"-200.00/148.80/172.00"_s);
    EXPECT_EQ(progressivi(prova::Costo), u"200.00/110.00/40.00"_s);
    EXPECT_EQ(progressivi(prova::ContoIva), u"0.00/22.00/8.80"_s);
    const auto ultAgg = [&](const CodiceConto& c) {
        return dataOraDaVariant(db().valore(u"Select UltAgg from PdcProg where CoPartConto = '%1' and "
                                            "CoPartGruppo = '%2'"_s.arg(c.conto, c.gruppo)))
            .value()
            .date();
    };
    EXPECT_EQ(ultAgg(prova::Fornitore), ultimo); // a later date stays
    EXPECT_EQ(ultAgg(prova::Costo), QDate(anno, 3, 10));
    EXPECT_EQ(ultAgg(prova::ContoIva), QDate(anno, 3, 10));
}

TEST_F(Trasferimento, shouldRollBackAFailingRegistrationAndGoOnWithTheNextAndReportAnEmptyInterval) {
    // A VAT row left without its header by some other program takes the journal's next
    // number: the first registration, which has VAT rows, cannot be copied there.
    db().EseguiSql(u"INSERT INTO MovPnIva (Anno, NumReg, RigaIva, Iva) VALUES (%1, 1, 1, '22')"_s.arg(anno));
    scrivi(Fattura{.numReg = 1, .numDoc = u"F1"_s});
    scrivi(Fattura{.numReg = 2,
                   .numDoc = u"F2"_s,
                   .imponibile = euro("10"),
                   .imposta = euro("2.20"),
                   .conRigaIva = false});

    const EsitoTrasferimento e = trasferisci(1, 2);
    EXPECT_EQ(e.numeroErrori, 1);
    EXPECT_TRUE(e.errori.startsWith(u" (ContabMovPn) Errore n°3022 : "_s)) << e.errori.toStdString();
    EXPECT_TRUE(e.errori.endsWith(u"(registrazione %1/1)"_s.arg(anno))) << e.errori.toStdString();
    EXPECT_EQ(e.numReg, 1);
    const EsitoTrasferimento vuoto = trasferisci(4, 9);
    EXPECT_EQ(vuoto.numeroErrori, 1);
    EXPECT_EQ(vuoto.errori, u"Non ci sono movimenti nell'intervallo"_s);

    // The first stays whole in the staging journal, the second is journal number 1 alone.
    EXPECT_EQ(inAppoggio(), 5);
    EXPECT_EQ(conta(u"Select count(*) from MovPnTesFatt where NumReg = 1"_s), 1);
    EXPECT_EQ(
        db().valore(u"Select NumDoc from MovPnTes where Anno = %1 and NumReg = 1"_s.arg(anno)).toString(),
        u"F2"_s);
    EXPECT_EQ(conta(u"Select count(*) from MovPnDett where NumReg = 1"_s), 3);
    EXPECT_EQ(importo(u"Select sum(Importo) from MovPnDett where NumReg = 1 and DareAvere = 'D'"_s),
              euro("12.20"));
    EXPECT_EQ(progressivi(prova::Fornitore), u"0.00/0.00/12.20"_s);
}

TEST_F(Trasferimento, shouldMoveTheProtocolsDueDatesOntoTheInvoicesJournalNumberOnly) {
    const TestataPn t = scrivi(Fattura{.numReg = 1, .numProt = 9});
    // The withholding registration carries the invoice's protocol but owns no register.
    scrivi(Fattura{.numReg = 2,
                   .causale = u"RIT"_s,
                   .numProt = 9,
                   .imponibile = euro("20"),
                   .imposta = euro("0"),
                   .conRigaIva = false});
    db().EseguiConValori(u"INSERT INTO Scadenze (Anno, NumProg, Tipo, NumReg, AnnoReg, PreProt, NumProt, "
                         "DataProt) VALUES (?, 1, 2, 1, ?, '.', 9, ?)"_s,
                         {anno, anno, t.dataProt});
    db().EseguiSql(u"INSERT INTO MovPnTes (Anno, NumReg, Causale) VALUES (%1, 30, 'FAA')"_s.arg(anno));
    ASSERT_EQ(trasferisci(1, 2).numeroErrori, 0);
    EXPECT_EQ(conta(u"Select NumReg from Scadenze where NumProg = 1"_s), 31);
}

TEST_F(Trasferimento, shouldCreateDueDatesFromTheTermsWhenTheCompanyAsks) {
    parametri->scrivi(u"Fat.FattCreaScad"_s, u"S"_s);
    Fattura f{.numReg = 1,
              .numProt = 4,
              .imponibile = euro("1000"),
              .imposta = euro("220"),
              .xmlAnno = anno,
              .xmlNumRif = 77,
              .pagamento = u"BB3060"_s};
    const TestataPn t = scrivi(f);
    // Withholding of 200 already registered on the same protocol and document.
    scrivi(Fattura{.numReg = 2,
                   .causale = u"RIT"_s,
                   .segnoPrinc = u"D"_s,
                   .numProt = 4,
                   .imponibile = euro("200"),
                   .imposta = euro("0"),
                   .conRigaIva = false,
                   .xmlAnno = anno,
                   .xmlNumRif = 77});
    db().EseguiSql(u"INSERT INTO MovPnTes (Anno, NumReg, Causale) VALUES (%1, 8, 'FAA')"_s.arg(anno));

    const EsitoTrasferimento e = trasferisci(1, 1);
    ASSERT_EQ(e.numeroErrori, 0) << e.errori.toStdString();
    EXPECT_TRUE(e.avvisi.isEmpty()) << e.avvisi.toStdString();
    // 1220 due less the 200 withheld, in two halves at 30 and 60 days from the document, on the
    // invoice's journal registration and protocol.
    QStringList rate;
    for (Recordset rs = db().ApriRs(u"Select * from Scadenze Order by Rata"_s); !rs.RsEof(); rs.RsMoveNext())
        rate << dataOraDaVariant(rs.LeggiCampo(u"DataScad"_s)).value().date().toString(Qt::ISODate) + u' ' +
                    rs.leggiValuta(u"ImportoScad"_s).value_or(Currency()).testoXml();
    EXPECT_EQ(rate, (QStringList{t.dataDoc.addDays(30).toString(Qt::ISODate) + u" 510.00"_s,
                                 t.dataDoc.addDays(60).toString(Qt::ISODate) + u" 510.00"_s}));
    EXPECT_EQ(conta(u"Select count(*) from Scadenze where NumReg = 9 and NumProt = 4"_s), 2);
}

// The registration's rate, kept in a double column, converts every instalment at its six
// decimals: at 0.8592 the instalments would come to 709.96.
TEST_F(Trasferimento,
       shouldConvertTheInstalmentsOfAForeignCurrencyAtTheFullRateAndReportTermsWithoutDueDates) {
    parametri->scrivi(u"Fat.FattCreaScad"_s, u"S"_s);
    scrivi(Fattura{.numReg = 1,
                   .numProt = 4,
                   .imponibile = euro("1000"),
                   .imposta = euro("220"),
                   .pagamento = u"BB3060"_s});
    db().EseguiConValori(u"UPDATE MovPnTesFatt SET Moneta = 'GBP', Cambio = ?"_s,
                         {Cambio::daTesto(u"0.85923"_s)->comeDouble()});
    scrivi(Fattura{.numReg = 2, .numProt = 5, .pagamento = u"NOPE"_s});
    const EsitoTrasferimento e = trasferisci(1, 2);
    ASSERT_EQ(e.numeroErrori, 0);
    // Terms that give no due dates are reported; the registration is transferred all the same.
    EXPECT_TRUE(e.avvisi.startsWith(u"\r\nErrori nel calcolo scadenze: ..............Errore n°3021 : "_s))
        << e.avvisi.toStdString();
    EXPECT_EQ(conta(u"Select count(*) from MovPnTes"_s), 2);
    Recordset rs = db().ApriRs(u"Select * from Scadenze Order by Rata"_s);
    QStringList rate;
    for (; !rs.RsEof(); rs.RsMoveNext())
        rate << QStringList{rs.leggiTesto(u"Moneta"_s),
                            QString::number(Cambio::daColonna(rs.LeggiCampo(u"Cambio"_s)).milionesimi()),
                            rs.leggiValuta(u"ImportoScad"_s).value_or(Currency()).testoXml(),
                            rs.leggiValuta(u"ImportoScadEuro"_s).value_or(Currency()).testoXml(),
                            rs.leggiValuta(u"ImportoScadLire"_s).value_or(Currency()).testoXml(0)}
                    .join(u' ');
    EXPECT_EQ(rate, QStringList(2, u"GBP 859230 610.00 709.94 1374636"_s));
}

} // namespace
} // namespace tesel::posting
