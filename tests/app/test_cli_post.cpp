// Posting and un-posting through tesel-cli: the command line refused with its reason, the run
// that only marks invoices posted, and the report of invoices that cannot be posted.

#include "aziendacli.h"
#include "frame/sqlvalore.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

namespace {

using Esito = tesel::prova::EsitoCli;

class PostCli : public tesel::prova::ConAziendaCli {
protected:
    Esito post(const QStringList& opzioni) { return comando(QStringLiteral("post"), opzioni); }

    // An invoice of this year without supplier account.
    void fattura(qint64 numero, const char* piva, const char* contabilizzato = "N") {
        db().EseguiSql(
            QStringLiteral(
                "INSERT INTO FatXmlTest (XmlAnno, XmlNumRif, NomeFile, DGD_TipoDocumento, DGD_Data, "
                "DGD_Numero, CP_DA_IdFiscaleIVA_IdCodice, Causale, Contabilizzato) VALUES "
                "(%1, %2, %3, 'TD01', %4, %5, %6, 'FAA', %7)")
                .arg(anno)
                .arg(numero)
                .arg(tesel::quotaSql(QStringLiteral("IT%1_%2.xml").arg(piva).arg(numero)),
                     tesel::SqlValore(QDate(anno, 1, 10), tesel::SqlData),
                     tesel::quotaSql(QString::number(numero)), tesel::quotaSql(QString::fromUtf8(piva)),
                     tesel::quotaSql(QString::fromUtf8(contabilizzato))));
    }

    static std::vector<QJsonObject> righeJson(const Esito& e) {
        std::vector<QJsonObject> r;
        for (const QString& riga : e.uscita.split(u'\n', Qt::SkipEmptyParts)) {
            const QJsonDocument d = QJsonDocument::fromJson(riga.toUtf8());
            EXPECT_TRUE(d.isObject()) << "riga non JSON: " << riga.toStdString();
            r.push_back(d.object());
        }
        return r;
    }

    QString contabilizzato(qint64 numero) {
        return db()
            .valore(QStringLiteral("SELECT Contabilizzato FROM FatXmlTest WHERE XmlAnno = %1 AND "
                                   "XmlNumRif = %2")
                        .arg(anno)
                        .arg(numero))
            .toString();
    }

    const int anno = QDate::currentDate().year();
};

TEST_F(PostCli, shouldRefuseABadCommandLineWithItsReasonAndTouchNothing) {
    fattura(1, "03981270683");
    struct Caso {
        QStringList argomenti;
        const char* motivo;
    };
    for (const Caso& c : {
             Caso{{"--anno-da", "duemila"}, "Numero non valido per --anno-da: duemila"},
             Caso{{"--numero-al", "-3"}, "Numero non valido per --numero-al: -3"},
             Caso{{"--data-da", "31/02/2024"}, "Data non valida per --data-da: 31/02/2024"},
             Caso{{"--ricezione-al"}, "Manca il valore di --ricezione-al"},
             Caso{{"--conto-pag", "20-40"}, "Non usare - nel campo conto: 20-40"},
             Caso{{"--anno-da", "2025", "--anno-al", "2024"},
                  "Si prega di inserire le date riferimento in ordine crescente"},
             Caso{{"--ricezione-da", "02/01/2024", "--ricezione-al", "01/01/2024"},
                  "Si prega di inserire le date di Ricezione in ordine crescente"},
             Caso{{"--senza-registrazione", "avanzo"}, "Uso:"},
             Caso{{"--boh"}, "Argomento non riconosciuto: --boh"},
         }) {
        const Esito e = post(c.argomenti);
        EXPECT_EQ(e.codice, 2) << c.argomenti.join(u' ').toStdString();
        EXPECT_TRUE(e.errori.contains(QString::fromUtf8(c.motivo))) << e.errori.toStdString();
    }
    for (const QStringList& a : {QStringList{"unpost", "--ini", ini_, QString::number(anno)},
                                 QStringList{"unpost", "--ini", ini_, "anno", "1"}}) {
        const Esito e = esegui(a);
        EXPECT_EQ(e.codice, 2) << a.join(u' ').toStdString();
        EXPECT_TRUE(e.errori.contains(QStringLiteral("tesel-cli unpost --ini FILE ANNO NUMRIF")));
    }
    EXPECT_EQ(contabilizzato(1), "N");
}

TEST_F(PostCli, shouldMarkTheSelectedInvoicesPostedWithoutRegistrationsAndSayWhenNoneIsLeft) {
    fattura(1, "03981270683");
    fattura(2, "01234567890");
    fattura(3, "03981270683");
    const Esito e = post({"--senza-registrazione", "--partita-iva", "03981270683", "--json"});
    ASSERT_EQ(e.codice, 0) << e.errori.toStdString();
    const std::vector<QJsonObject> righe = righeJson(e);
    ASSERT_EQ(righe.size(), 2u) << e.uscita.toStdString();
    EXPECT_EQ(righe[0],
              (QJsonObject{{"XmlAnno", anno},
                           {"XmlNumRif", 1},
                           {"identificazione", "Nr. rif. 1 - P.Iva 03981270683 - File IT03981270683_1.xml"},
                           {"ok", true},
                           {"giaContabilizzata", false},
                           {"errori", ""}}));
    EXPECT_EQ(righe[1].value("XmlNumRif").toInt(), 3);
    EXPECT_EQ(contabilizzato(1), "S");
    EXPECT_EQ(contabilizzato(2), "N");
    EXPECT_EQ(contabilizzato(3), "S");
    for (const char* t : {"MovPnTesFatt", "MovPnTes", "Scadenze"})
        EXPECT_EQ(db().valore(QStringLiteral("SELECT count(*) FROM ") + t).toInt(), 0) << t;

    const Esito ancora = post({"--senza-registrazione", "--partita-iva", "03981270683"});
    EXPECT_EQ(ancora.codice, 0);
    EXPECT_EQ(ancora.uscita, "");
    EXPECT_TRUE(ancora.errori.contains("Non ci sono fatture passive con i dati richiesti da contabilizzare"));

    const Esito resto = post({"--senza-registrazione"});
    EXPECT_EQ(resto.codice, 0);
    EXPECT_EQ(resto.uscita, "Elaborazione terminata\n");
    EXPECT_EQ(contabilizzato(2), "S");
}

TEST_F(PostCli, shouldReportEveryInvoiceThatCannotBePostedAndFail) {
    fattura(1, "03981270683");
    fattura(2, "01234567890");
    const Esito testo = post({});
    EXPECT_EQ(testo.codice, 1) << testo.errori.toStdString();
    EXPECT_EQ(testo.uscita,
              "Nr. rif. 1 - P.Iva 03981270683 - File IT03981270683_1.xml\r\nManca il codice fornitore\r\n"
              "Nr. rif. 2 - P.Iva 01234567890 - File IT01234567890_2.xml\r\nManca il codice fornitore\n");

    const Esito json = post({"--json", "--numero-da", "2"});
    EXPECT_EQ(json.codice, 1);
    const std::vector<QJsonObject> righe = righeJson(json);
    ASSERT_EQ(righe.size(), 1u);
    EXPECT_FALSE(righe[0].value("ok").toBool());
    EXPECT_EQ(righe[0].value("errori").toString(), "\r\nManca il codice fornitore");
    EXPECT_EQ(contabilizzato(1), "N");
    EXPECT_EQ(contabilizzato(2), "N");
}

TEST_F(PostCli, shouldPostAnImportedInvoiceAndTakeThePostingBack) {
    // A demo invoice received today, so its registration falls in the open accounting year.
    const QString file =
        QFileInfo(QStringLiteral(__FILE__))
            .dir()
            .absoluteFilePath(QStringLiteral("../../scripts/fatture-demo/IT02157840378_DEMO3.xml"));
    ASSERT_TRUE(QFileInfo::exists(file)) << file.toStdString();
    const Esito importata =
        esegui({"import", "--ini", ini_, "--data-sdi",
                QDate::currentDate().toString(QStringLiteral("dd/MM/yyyy")), "--json", file});
    ASSERT_EQ(importata.codice, 0) << importata.errori.toStdString();
    const QJsonObject chiave = righeJson(importata).at(0);
    const QString annoFattura = QString::number(chiave.value("XmlAnno").toInt());
    const QString numero = QString::number(chiave.value("XmlNumRif").toInt());
    const auto registrazioni = [&] {
        return db()
            .valore(QStringLiteral("SELECT count(*) FROM MovPnTes WHERE XmlAnno = %1 AND XmlNumRif = %2")
                        .arg(annoFattura, numero))
            .toInt();
    };

    const Esito e = post({"--json"});
    ASSERT_EQ(e.codice, 0) << e.uscita.toStdString() << e.errori.toStdString();
    const std::vector<QJsonObject> righe = righeJson(e);
    ASSERT_EQ(righe.size(), 1u);
    EXPECT_TRUE(righe[0].value("ok").toBool()) << righe[0].value("errori").toString().toStdString();
    EXPECT_GE(registrazioni(), 1);

    const Esito tolta = esegui({"unpost", "--ini", ini_, annoFattura, numero});
    EXPECT_EQ(tolta.codice, 0) << tolta.errori.toStdString();
    EXPECT_EQ(registrazioni(), 0);
    EXPECT_EQ(db().valore(QStringLiteral("SELECT Contabilizzato FROM FatXmlTest WHERE XmlAnno = %1 AND "
                                         "XmlNumRif = %2")
                              .arg(annoFattura, numero))
                  .toString(),
              "N");

    const Esito ancora = esegui({"unpost", "--ini", ini_, annoFattura, numero});
    EXPECT_EQ(ancora.codice, 1);
    EXPECT_TRUE(ancora.errori.contains("Non ci sono fatture da elaborare")) << ancora.errori.toStdString();
}

} // namespace
