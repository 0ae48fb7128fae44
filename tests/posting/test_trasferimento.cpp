// VAT register protocol numbering and the transfer of staging registrations to the journal:
// numbers, copied rows, running totals, due dates, errors and roll-back.

#include "frame/interazione.h"
#include "posting/registrazioniprova.h"
#include "posting/trasferimento.h"
#include "support/interazioneprova.h"

#include <gtest/gtest.h>

namespace tesel::posting {
namespace {

using prova::ConRegistrazioni;
using prova::euro;
using prova::Fattura;

class Protocollo : public ConRegistrazioni {
protected:
    std::optional<qint64> numera(const QDate& data, const QString& tipoReg, const QString& pref,
                                 const QString& segno, QDate* dataProt = nullptr) {
        QDate d = data;
        const auto n =
            NumeraProtocollo(db(), *parametri, ui, data, tipoReg, pref, segno, QStringLiteral("."), d);
        if (dataProt)
            *dataProt = d;
        return n;
    }
    QString registro(const QString& tipo, const QString& pref, int annoReg = 0) {
        Recordset rs = db().ApriRs(
            QStringLiteral("Select * from LibriIva where Anno = %1 and TipoReg = '%2' and Pref = '%3'")
                .arg(annoReg ? annoReg : anno)
                .arg(tipo, pref));
        if (rs.RsVuoto())
            return QStringLiteral("-");
        const auto data = [&](const char* campo) {
            return dataOraDaVariant(rs.LeggiCampo(QLatin1String(campo))).value().date().toString(Qt::ISODate);
        };
        return QStringLiteral("%1 %2 %3 %4 | %5 | %6 | %7")
            .arg(rs.leggiIntero(QStringLiteral("NumDoc")).value_or(-1))
            .arg(data("DataUltDoc"))
            .arg(rs.leggiIntero(QStringLiteral("NumDocNC")).value_or(-1))
            .arg(data("DataUltDocNC"), rs.leggiTesto(QStringLiteral("Intestazione")),
                 rs.leggiTesto(QStringLiteral("Attivita")), rs.leggiTesto(QStringLiteral("Trasportatori")));
    }
    tesel::prova::InterazioneProva ui;
};

struct CasoContatore {
    const char* tipoReg;
    const char* segno;
    const char* ncSeparate;
    qint64 atteso; // NumDoc starts at 10, NumDocNC at 20
};

void PrintTo(const CasoContatore& c, std::ostream* os) {
    *os << "registro " << c.tipoReg << " segno " << c.segno << " NumNCSepar " << c.ncSeparate;
}

class ContatoreNotaCredito : public Protocollo, public ::testing::WithParamInterface<CasoContatore> {};

TEST_P(ContatoreNotaCredito, shouldNumberCreditNotesApartOnlyWhenTheCompanyAsks) {
    const CasoContatore c = GetParam();
    parametri->scrivi(QStringLiteral("Ditta.NumNCSepar"), QLatin1String(c.ncSeparate));
    db().EseguiSql(
        QStringLiteral("INSERT INTO LibriIva (Anno, TipoReg, Pref, NumDoc, NumDocNC, Intestazione) "
                       "VALUES (%1, '%2', 'X', 10, 20, 'Prova')")
            .arg(anno)
            .arg(QLatin1String(c.tipoReg)));
    EXPECT_EQ(
        numera(QDate(anno, 3, 10), QLatin1String(c.tipoReg), QStringLiteral("X"), QLatin1String(c.segno)),
        c.atteso);
    const bool nc = c.atteso > 20;
    EXPECT_EQ(conta(QStringLiteral("Select NumDoc from LibriIva where Anno = %1 and Pref = 'X'").arg(anno)),
              nc ? 10 : c.atteso);
    EXPECT_EQ(conta(QStringLiteral("Select NumDocNC from LibriIva where Anno = %1 and Pref = 'X'").arg(anno)),
              nc ? c.atteso : 20);
}

INSTANTIATE_TEST_SUITE_P(Registri, ContatoreNotaCredito,
                         ::testing::Values(CasoContatore{"A", "A", "S", 11}, CasoContatore{"A", "D", "S", 21},
                                           CasoContatore{"A", "D", "N", 11}, CasoContatore{"V", "D", "S", 11},
                                           CasoContatore{"V", "A", "S", 21}, CasoContatore{"C", "A", "S", 11},
                                           CasoContatore{"C", "D", "S", 11}));

TEST_F(Protocollo, shouldDateTheProtocolOnTheRegistersLastDateWhenLater) {
    db().EseguiSql(QStringLiteral("UPDATE LibriIva SET NumDoc = 7, DataUltDoc = '%1-03-12 00:00:00' "
                                  "WHERE Anno = %1 AND TipoReg = 'A' AND Pref = '.'")
                       .arg(anno));
    QDate dataProt;
    EXPECT_EQ(
        numera(QDate(anno, 3, 10), QStringLiteral("A"), QStringLiteral("."), QStringLiteral("A"), &dataProt),
        8);
    EXPECT_EQ(dataProt, QDate(anno, 3, 12));
    // An empty prefix is the register's ".".
    EXPECT_EQ(numera(QDate(anno, 3, 15), QStringLiteral("A"), QString(), QStringLiteral("A"), &dataProt), 9);
    EXPECT_EQ(dataProt, QDate(anno, 3, 15));
    EXPECT_TRUE(registro(QStringLiteral("A"), QStringLiteral("."))
                    .startsWith(QStringLiteral("9 %1-03-15 ").arg(anno)));
}

TEST_F(Protocollo, shouldCreateAMissingRegisterKeepingTheHeadingOfTheYearBefore) {
    QDate dataProt;
    EXPECT_EQ(
        numera(QDate(anno, 5, 4), QStringLiteral("A"), QStringLiteral("Z"), QStringLiteral("A"), &dataProt),
        1);
    EXPECT_EQ(dataProt, QDate(anno, 5, 4));
    EXPECT_EQ(registro(QStringLiteral("A"), QStringLiteral("Z")),
              QStringLiteral("1 %1-05-04 0 0100-01-01 | Registro IVA acquisti - Z | . | N").arg(anno));
    // Next year's register starts again from 1 and keeps this year's heading.
    db().EseguiSql(QStringLiteral("UPDATE LibriIva SET Intestazione = 'Acquisti sede Z' WHERE Pref = 'Z'"));
    EXPECT_EQ(numera(QDate(anno + 1, 1, 8), QStringLiteral("A"), QStringLiteral("Z"), QStringLiteral("A")),
              1);
    EXPECT_EQ(registro(QStringLiteral("A"), QStringLiteral("Z"), anno + 1),
              QStringLiteral("1 %1-01-08 0 0100-01-01 | Acquisti sede Z | . | N").arg(anno + 1));
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
        db().valore(QStringLiteral("PRAGMA busy_timeout = 50"));
    const QString occupa =
        QStringLiteral("UPDATE LibriIva SET NumDoc = 4 WHERE Anno = %1 AND TipoReg = 'A' AND Pref = '.'")
            .arg(anno);
    altra->IniziaTrans();
    altra->EseguiSql(occupa);

    ui.accoda(QStringLiteral("&No"));
    EXPECT_EQ(numera(QDate(anno, 3, 10), QStringLiteral("A"), QStringLiteral("."), QStringLiteral("A")),
              std::nullopt);
    ASSERT_EQ(ui.mostrati.size(), 1);
    EXPECT_EQ(ui.mostrati[0].testo, QStringLiteral("Tabella numeratore in uso: riprovo?"));
    EXPECT_EQ(ui.mostrati[0].risposte, (QStringList{QStringLiteral("&Si"), QStringLiteral("&No")}));

    AttendeAltraPostazione paziente(*altra);
    QDate d = QDate(anno, 3, 10);
    EXPECT_EQ(NumeraProtocollo(db(), *parametri, paziente, d, QStringLiteral("A"), QStringLiteral("."),
                               QStringLiteral("A"), QStringLiteral("."), d),
              5); // after the other workstation's 4
    EXPECT_EQ(paziente.mostrati.size(), 1);
}

// ---- Transfer ---------------------------------------------------------------------------------

class Trasferimento : public ConRegistrazioni {
protected:
    EsitoTrasferimento trasferisci(qint64 primo, qint64 ultimo) {
        return TrasferisciPn(db(), *parametri, FamigliaPn::Appoggio, anno, primo, ultimo);
    }
    QString righeGiornale(qint64 numReg) {
        Recordset rs = db().ApriRs(
            QStringLiteral("Select * from MovPnDett where Anno = %1 and NumReg = %2 Order by RigReg")
                .arg(anno)
                .arg(numReg));
        QStringList out;
        for (; !rs.RsEof(); rs.RsMoveNext())
            out << QStringLiteral("%1 %2-%3-%4 %5 %6")
                       .arg(rs.leggiIntero(QStringLiteral("RigReg")).value_or(0))
                       .arg(rs.leggiTesto(QStringLiteral("GruppoPartita")),
                            rs.leggiTesto(QStringLiteral("MastroPartita")),
                            rs.leggiTesto(QStringLiteral("ContoPartita")),
                            rs.leggiTesto(QStringLiteral("DareAvere")),
                            rs.leggiValuta(QStringLiteral("Importo")).value_or(Currency()).testoXml());
        return out.join(QStringLiteral("; "));
    }
    qint64 inAppoggio() {
        return conta(QStringLiteral("Select count(*) from MovPnTesFatt")) +
               conta(QStringLiteral("Select count(*) from MovPnDettFatt")) +
               conta(QStringLiteral("Select count(*) from MovPnIvaFatt"));
    }
};

struct CasoNumerazione {
    const char* azzera;
    const char* annoAzzera;
    qint64 atteso;
};

void PrintTo(const CasoNumerazione& c, std::ostream* os) {
    const auto valore = [](const char* v) { return *v ? v : "(vuoto)"; };
    *os << "Azzera " << valore(c.azzera) << " AnnoAzzera " << valore(c.annoAzzera);
}

class NumerazioneGiornale : public Trasferimento, public ::testing::WithParamInterface<CasoNumerazione> {};

TEST_P(NumerazioneGiornale, shouldRestartNumbersEveryYearUnlessTheCompanyKeepsThemRunning) {
    const CasoNumerazione c = GetParam();
    parametri->scrivi(QStringLiteral("Coge.Azzera"), QLatin1String(c.azzera));
    parametri->scrivi(QStringLiteral("Coge.AnnoAzzera"), QLatin1String(c.annoAzzera));
    // Last year's journal ends at 40, this year's has reached 5.
    db().EseguiSql(
        QStringLiteral("INSERT INTO MovPnTes (Anno, NumReg, Causale) VALUES (%1, 40, 'FAA')").arg(anno - 1));
    db().EseguiSql(
        QStringLiteral("INSERT INTO MovPnTes (Anno, NumReg, Causale) VALUES (%1, 5, 'FAA')").arg(anno));
    scrivi(Fattura{.numReg = 1});
    EXPECT_EQ(trasferisci(1, 1).numReg, c.atteso);
}

INSTANTIATE_TEST_SUITE_P(Azzeramento, NumerazioneGiornale,
                         ::testing::Values(CasoNumerazione{"S", "", 6}, CasoNumerazione{"N", "", 41},
                                           CasoNumerazione{"", "", 6}));

TEST_F(Trasferimento, shouldAddTheRowsToTheRunningTotalsCreatingMissingAccounts) {
    const QDate ultimo(anno, 12, 1);
    scriviProgressivi(prova::Fornitore, "0", "100", "50", ultimo);
    scriviProgressivi(prova::Costo, "0", "10", "0", QDate(anno, 1, 5));
    scrivi(Fattura{.numReg = 1});
    scrivi(Fattura{.numReg = 2,
                   .causale = QStringLiteral("NCA"),
                   .segnoPrinc = QStringLiteral("D"),
                   .imponibile = euro("40"),
                   .imposta = euro("8.80")});
    ASSERT_EQ(trasferisci(1, 2).numeroErrori, 0);

    EXPECT_EQ(progressivi(prova::Fornitore), QStringLiteral("0.00/148.80/172.00"));
    EXPECT_EQ(progressivi(prova::Costo), QStringLiteral("0.00/110.00/40.00"));
    EXPECT_EQ(progressivi(prova::ContoIva), QStringLiteral("0.00/22.00/8.80"));
    const auto ultAgg = [&](const CodiceConto& c) {
        return dataOraDaVariant(
                   db().valore(QStringLiteral("Select UltAgg from PdcProg where CoPartConto = '%1' and "
                                              "CoPartGruppo = '%2'")
                                   .arg(c.conto, c.gruppo)))
            .value()
            .date();
    };
    EXPECT_EQ(ultAgg(prova::Fornitore), ultimo); // a later date stays
    EXPECT_EQ(ultAgg(prova::Costo), QDate(anno, 3, 10));
    EXPECT_EQ(ultAgg(prova::ContoIva), QDate(anno, 3, 10));
}

TEST_F(Trasferimento, shouldMoveTheOpeningBalanceOnAnOpeningCausal) {
    scriviProgressivi(prova::Fornitore, "-30", "5", "6", QDate(anno, 1, 1));
    scrivi(Fattura{.numReg = 1,
                   .causale = QStringLiteral("APE"),
                   .imponibile = euro("200"),
                   .imposta = euro("0"),
                   .conRigaIva = false});
    ASSERT_EQ(trasferisci(1, 1).numeroErrori, 0);
    EXPECT_EQ(progressivi(prova::Fornitore), QStringLiteral("-230.00/5.00/6.00"));
    EXPECT_EQ(progressivi(prova::Costo), QStringLiteral("200.00/0.00/0.00"));
}

TEST_F(Trasferimento, shouldReportAnEmptyInterval) {
    scrivi(Fattura{.numReg = 3});
    const EsitoTrasferimento e = trasferisci(4, 9);
    EXPECT_EQ(e.numeroErrori, 1);
    EXPECT_EQ(e.errori, QStringLiteral("Non ci sono movimenti nell'intervallo"));
    EXPECT_EQ(e.numReg, 0);
    EXPECT_EQ(conta(QStringLiteral("Select count(*) from MovPnTesFatt")), 1);
}

TEST_F(Trasferimento, shouldRollBackAFailingRegistrationAndGoOnWithTheNext) {
    // A VAT row left without its header by some other program takes the journal's next
    // number: the first registration, which has VAT rows, cannot be copied there.
    db().EseguiSql(QStringLiteral("INSERT INTO MovPnIva (Anno, NumReg, RigaIva, Iva) VALUES (%1, 1, 1, '22')")
                       .arg(anno));
    scrivi(Fattura{.numReg = 1, .numDoc = QStringLiteral("F1")});
    scrivi(Fattura{.numReg = 2,
                   .numDoc = QStringLiteral("F2"),
                   .imponibile = euro("10"),
                   .imposta = euro("2.20"),
                   .conRigaIva = false});

    const EsitoTrasferimento e = trasferisci(1, 2);
    EXPECT_EQ(e.numeroErrori, 1);
    EXPECT_TRUE(e.errori.startsWith(QStringLiteral(" (ContabMovPn) Errore n°3022 : ")))
        << e.errori.toStdString();
    EXPECT_TRUE(e.errori.endsWith(QStringLiteral("(registrazione %1/1)").arg(anno)))
        << e.errori.toStdString();
    EXPECT_EQ(e.numReg, 1);

    // The first stays whole in the staging journal, the second is journal number 1 alone.
    EXPECT_EQ(inAppoggio(), 5);
    EXPECT_EQ(conta(QStringLiteral("Select count(*) from MovPnTesFatt where NumReg = 1")), 1);
    EXPECT_EQ(
        db().valore(QStringLiteral("Select NumDoc from MovPnTes where Anno = %1 and NumReg = 1").arg(anno))
            .toString(),
        QStringLiteral("F2"));
    EXPECT_EQ(righeGiornale(1),
              QStringLiteral("1 40-10-1001 A 12.20; 2 60-10-1001 D 10.00; 3 20-30-1001 D 2.20"));
    EXPECT_EQ(progressivi(prova::Fornitore), QStringLiteral("0.00/0.00/12.20"));
}

TEST_F(Trasferimento, shouldMoveTheProtocolsDueDatesOntoTheInvoicesJournalNumberOnly) {
    const TestataPn t = scrivi(Fattura{.numReg = 1, .numProt = 9});
    // The withholding registration carries the invoice's protocol but owns no register.
    scrivi(Fattura{.numReg = 2,
                   .causale = QStringLiteral("RIT"),
                   .numProt = 9,
                   .imponibile = euro("20"),
                   .imposta = euro("0"),
                   .conRigaIva = false});
    db().EseguiConValori(
        QStringLiteral("INSERT INTO Scadenze (Anno, NumProg, Tipo, NumReg, AnnoReg, PreProt, NumProt, "
                       "DataProt) VALUES (?, 1, 2, 1, ?, '.', 9, ?)"),
        {anno, anno, t.dataProt});
    db().EseguiSql(
        QStringLiteral("INSERT INTO MovPnTes (Anno, NumReg, Causale) VALUES (%1, 30, 'FAA')").arg(anno));
    ASSERT_EQ(trasferisci(1, 2).numeroErrori, 0);
    EXPECT_EQ(conta(QStringLiteral("Select NumReg from Scadenze where NumProg = 1")), 31);
}

TEST_F(Trasferimento, shouldCreateDueDatesFromTheTermsWhenTheCompanyAsks) {
    parametri->scrivi(QStringLiteral("Fat.FattCreaScad"), QStringLiteral("S"));
    Fattura f{.numReg = 1,
              .numProt = 4,
              .imponibile = euro("1000"),
              .imposta = euro("220"),
              .xmlAnno = anno,
              .xmlNumRif = 77,
              .pagamento = QStringLiteral("BB3060")};
    const TestataPn t = scrivi(f);
    // Withholding of 200 already registered on the same protocol and document.
    scrivi(Fattura{.numReg = 2,
                   .causale = QStringLiteral("RIT"),
                   .segnoPrinc = QStringLiteral("D"),
                   .numProt = 4,
                   .imponibile = euro("200"),
                   .imposta = euro("0"),
                   .conRigaIva = false,
                   .xmlAnno = anno,
                   .xmlNumRif = 77});
    db().EseguiSql(
        QStringLiteral("INSERT INTO MovPnTes (Anno, NumReg, Causale) VALUES (%1, 8, 'FAA')").arg(anno));

    const EsitoTrasferimento e = trasferisci(1, 1);
    ASSERT_EQ(e.numeroErrori, 0) << e.errori.toStdString();
    EXPECT_TRUE(e.avvisi.isEmpty()) << e.avvisi.toStdString();
    // 1220 due less the 200 withheld, in two halves at 30 and 60 days from the document, on the
    // invoice's journal registration and protocol.
    QStringList rate;
    for (Recordset rs = db().ApriRs(QStringLiteral("Select * from Scadenze Order by Rata")); !rs.RsEof();
         rs.RsMoveNext())
        rate << dataOraDaVariant(rs.LeggiCampo(QStringLiteral("DataScad")))
                        .value()
                        .date()
                        .toString(Qt::ISODate) +
                    u' ' + rs.leggiValuta(QStringLiteral("ImportoScad")).value_or(Currency()).testoXml();
    EXPECT_EQ(rate, (QStringList{t.dataDoc.addDays(30).toString(Qt::ISODate) + QStringLiteral(" 510.00"),
                                 t.dataDoc.addDays(60).toString(Qt::ISODate) + QStringLiteral(" 510.00")}));
    EXPECT_EQ(conta(QStringLiteral("Select count(*) from Scadenze where NumReg = 9 and NumProt = 4")), 2);
}

// The registration's rate, kept in a double column, converts every instalment at its six
// decimals: at 0.8592 the instalments would come to 709.96.
TEST_F(Trasferimento, shouldConvertTheInstalmentsOfAForeignCurrencyToEuroAtTheFullRate) {
    parametri->scrivi(QStringLiteral("Fat.FattCreaScad"), QStringLiteral("S"));
    scrivi(Fattura{.numReg = 1,
                   .numProt = 4,
                   .imponibile = euro("1000"),
                   .imposta = euro("220"),
                   .pagamento = QStringLiteral("BB3060")});
    db().EseguiConValori(QStringLiteral("UPDATE MovPnTesFatt SET Moneta = 'GBP', Cambio = ?"),
                         {Cambio::daTesto(QStringLiteral("0.85923"))->comeDouble()});
    ASSERT_EQ(trasferisci(1, 1).numeroErrori, 0);
    Recordset rs = db().ApriRs(QStringLiteral("Select * from Scadenze Order by Rata"));
    QStringList rate;
    for (; !rs.RsEof(); rs.RsMoveNext())
        rate
            << QStringList{rs.leggiTesto(QStringLiteral("Moneta")),
                           QString::number(
                               Cambio::daColonna(rs.LeggiCampo(QStringLiteral("Cambio"))).milionesimi()),
                           rs.leggiValuta(QStringLiteral("ImportoScad")).value_or(Currency()).testoXml(),
                           rs.leggiValuta(QStringLiteral("ImportoScadEuro")).value_or(Currency()).testoXml(),
                           rs.leggiValuta(QStringLiteral("ImportoScadLire")).value_or(Currency()).testoXml(0)}
                   .join(u' ');
    EXPECT_EQ(rate, QStringList(2, QStringLiteral("GBP 859230 610.00 709.94 1374636")));
}

TEST_F(Trasferimento, shouldTransferButReportTermsThatGiveNoDueDates) {
    parametri->scrivi(QStringLiteral("Fat.FattCreaScad"), QStringLiteral("S"));
    scrivi(Fattura{.numReg = 1, .numProt = 4, .pagamento = QStringLiteral("NOPE")});
    const EsitoTrasferimento e = trasferisci(1, 1);
    EXPECT_EQ(e.numeroErrori, 0);
    EXPECT_TRUE(e.avvisi.startsWith(
        QStringLiteral("\r\nErrori nel calcolo scadenze: ..............Errore n°3021 : ")))
        << e.avvisi.toStdString();
    EXPECT_EQ(conta(QStringLiteral("Select count(*) from MovPnTes")), 1);
    EXPECT_EQ(conta(QStringLiteral("Select count(*) from Scadenze")), 0);
}

} // namespace
} // namespace tesel::posting
