// tesel-cli verifica: the report's lines and exit status before a repair, after it, and on a
// bad command line.

#include "aziendacli.h"
#include "frame/sqlvalore.h"

#include <QDate>
#include <QProcess>
#include <QTemporaryDir>

// Texts shown as text when an expectation fails.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace {

using namespace Qt::StringLiterals;
using Esito = tesel::prova::EsitoCli;

class VerificaCli : public tesel::prova::ConAziendaCli {
protected:
    Esito verifica(const QStringList& opzioni = {}) { return comando(u"verifica"_s, opzioni); }

    // ":anno" in the text stands for the year.
    void sql(QString testo) { db().EseguiSql(testo.replace(u":anno"_s, QString::number(anno))); }

    // An invoice of this year, dated 10 January.
    void fattura(qint64 numero, const char* contabilizzato) {
        sql(QStringLiteral(
                "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, DGD_Data, DGD_Numero, "
                "CP_DA_IdFiscaleIVA_IdCodice, Causale, Contabilizzato) VALUES (:anno, %1, %2, '%1', "
                "'03981270683', 'FAA', '%3')")
                .arg(QString::number(numero), tesel::SqlValore(QDate(anno, 1, 10), tesel::SqlData),
                     QString::fromLatin1(contabilizzato)));
    }

    QString a(const char* testo) const {
        return QString::fromUtf8(testo).replace(u"AAAA"_s, QString::number(anno));
    }

    const int anno = QDate::currentDate().year();
};

TEST_F(VerificaCli, shouldReportTheRepairableFindingsRepairThemAndThenFindNothing) {
    fattura(1, "S"); // posted, no registration
    fattura(2, "N"); // not posted, one registration left in staging
    sql(QStringLiteral(
        "INSERT INTO MovPnTesFatt (Anno, NumReg, Causale, XmlAnno, XmlNumRif) VALUES (:anno, 7, 'FAA', "
        ":anno, 2)"));

    const Esito prima = verifica();
    EXPECT_EQ(prima.codice, 1) << prima.errori.toStdString();
    EXPECT_EQ(
        prima.uscita,
        a("Registrazioni in prima nota di appoggio di fatture non contabilizzate (riparabili con --ripara):\n"
          "  Fattura AAAA/2 (n. 2 del 10/01/AAAA, P.Iva 03981270683) non contabilizzata con registrazioni "
          "in prima nota di appoggio: AAAA/7\nFatture contabilizzate senza registrazioni (riparabili con "
          "--ripara):\n  Fattura AAAA/1 (n. 1 del 10/01/AAAA, P.Iva 03981270683) segnata come "
          "contabilizzata senza registrazioni in prima nota\nAnomalie: 2, riparate: 0, da risolvere: 2\n"));

    const Esito riparazione = verifica({u"--ripara"_s});
    EXPECT_EQ(riparazione.codice, 0) << riparazione.errori.toStdString();
    const QStringList righe = riparazione.uscita.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(righe.size(), 5) << riparazione.uscita.toStdString();
    EXPECT_TRUE(righe[1].endsWith(a(" => Eliminate le registrazioni di appoggio AAAA/7")))
        << righe[1].toStdString();
    EXPECT_TRUE(righe[3].endsWith(u" => Tolto il segno di contabilizzata"_s)) << righe[3].toStdString();
    EXPECT_EQ(righe[4], u"Anomalie: 2, riparate: 2, da risolvere: 0"_s);
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM MovPnTesFatt"_s).toInt(), 0);

    const Esito dopo = verifica();
    EXPECT_EQ(dopo.codice, 0);
    EXPECT_EQ(dopo.uscita, u"Nessuna anomalia\n"_s);
}

TEST_F(VerificaCli, shouldLeaveWhatOnlyTheUserCanSettleAndExitOneAfterTheRepair) {
    sql(QStringLiteral(
        "INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, Descrizione, PartIva) VALUES ('40', '10', "
        "'1099', 2, 'Cartoleria Moderna (doppia)', '02157840378')"));
    const QString riga =
        QStringLiteral("  Partita IVA 02157840378 su 2 conti fornitore: 40-10-1002 Cartoleria Moderna "
                       "Snc di Conti & C., 40-10-1099 Cartoleria Moderna (doppia)");
    const Esito e = verifica({u"--ripara"_s});
    EXPECT_EQ(e.codice, 1) << e.errori.toStdString();
    EXPECT_EQ(e.uscita, u"Fornitori con la stessa partita IVA:\n"_s + riga +
                            u" => da controllare a mano\nAnomalie: 1, riparate: 0, da risolvere: 1\n"_s);
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM PianoConti WHERE PartIva = '02157840378'"_s).toInt(), 2);
}

} // namespace
