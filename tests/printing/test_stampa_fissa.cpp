// The received-invoice print as fixed-length text: raw to a queue of a private print server
// (the invoices are then marked printed, as on paper) or to a file (nothing is marked).

#include "frame/currency.h"
#include "frame/database.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "printing/cupsprova.h"
#include "printing/forms/stampantisistema.h"
#include "printing/stfatpas.h"
#include "support/dbprova.h"
#include "support/interazioneprova.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace tesel::stampa {
namespace {

class StampaFissa : public prova::ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        creaAziendaDemo();
        parametri_ = std::make_unique<ParametriAzienda>(db());
        OpzioniImport o;
        o.creaFornitori = true;
        o.gruppoFornitori = QStringLiteral("40");
        o.mastroFornitori = QStringLiteral("10");
        ImportatoreFatture imp(db(), ui_, *parametri_, o);
        for (const EsitoImport& e :
             imp.importa(prova::fileFixture(QStringLiteral("fatture/tesel/IT02451870683_00177.xml"))))
            ASSERT_TRUE(e.ok);
    }
    QString stampato() { return db().valore(QStringLiteral("SELECT Stampato FROM FatXmlTest")).toString(); }

    std::unique_ptr<ParametriAzienda> parametri_;
    prova::InterazioneProva ui_;
    QTemporaryDir dir_;
};

TEST_F(StampaFissa, TheInvoiceGoesRawToTheQueueInWholePagesAndIsMarkedAFileIsNot) {
    prova::ServerCups cups;
    if (!cups.avvia())
        GTEST_SKIP() << cups.motivo;
    ASSERT_TRUE(cups.aggiungiCoda(QStringLiteral("Aghi"), true)) << cups.motivo;
    Recordset rs =
        db().ApriRs(QStringLiteral("SELECT DGD_Numero, DGD_ImportoTotaleDocumento FROM FatXmlTest"));
    ASSERT_FALSE(rs.RsEof());
    const QString numero = rs.leggiTesto(QStringLiteral("DGD_Numero")).trimmed();
    const QString totale =
        formatta(*rs.leggiValuta(QStringLiteral("DGD_ImportoTotaleDocumento")), u"#,##0.00");

    OpzioniFissa fissa;
    fissa.colonne = 136;
    fissa.righe = 72;
    fissa.righeVuoteAlto = 3;
    fissa.compresso = true;
    fissa.inizioCompresso = QByteArray("\x1b\x0f");
    fissa.fineCompresso = QByteArray("\x12");
    {
        StFatPas st(db(), ui_);
        st.opzioni.destinazione = Destinazione::Fissa;
        st.opzioni.fissa = fissa;
        st.opzioni.inviaFisso = [](const QByteArray& testo, QString& errore) {
            return inviaGrezzo(QStringLiteral("Aghi"), testo, QStringLiteral("Fatture"), errore);
        };
        const EsitoStampa esito = st.AvviaStampa();
        ASSERT_EQ(esito.fatture, 1) << esito.messaggi.join(u'\n').toStdString();
        EXPECT_FALSE(esito.erroreFile);
    }
    QByteArray lavoro;
    for (int i = 0; i < 200 && lavoro.isEmpty(); ++i) {
        QFile f(cups.fileCoda(QStringLiteral("Aghi")));
        if (f.open(QIODevice::ReadOnly))
            lavoro = f.readAll();
        else
            QThread::msleep(50);
    }
    ASSERT_TRUE(lavoro.startsWith("\x1b\x0f"));
    ASSERT_TRUE(lavoro.endsWith("\r\n\x12"));
    const QList<QByteArray> righe = lavoro.mid(2, lavoro.size() - 3).split('\n');
    EXPECT_EQ((righe.size() - 1) % 72, 0) << righe.size();
    EXPECT_TRUE(righe[0] == "\r" && righe[1] == "\r" && righe[2] == "\r");
    const QString testo = QString::fromLatin1(lavoro);
    EXPECT_TRUE(testo.contains(numero)) << numero.toStdString();
    EXPECT_TRUE(testo.contains(totale)) << totale.toStdString();
    EXPECT_EQ(stampato(), QStringLiteral("S"));

    // To a file: the same text, the invoice not marked again.
    db().EseguiSql(QStringLiteral("UPDATE FatXmlTest SET Stampato = 'N'"));
    StFatPas st(db(), ui_);
    st.opzioni.destinazione = Destinazione::Fissa;
    st.opzioni.fissa = fissa;
    st.opzioni.fileFisso = dir_.filePath(QStringLiteral("fatture.prn"));
    const EsitoStampa esito = st.AvviaStampa();
    ASSERT_EQ(esito.file, QStringList{st.opzioni.fileFisso});
    QFile f(st.opzioni.fileFisso);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), lavoro);
    EXPECT_EQ(stampato(), QStringLiteral("N"));

    // A queue that refuses: told, nothing marked.
    StFatPas rifiutata(db(), ui_);
    rifiutata.opzioni.destinazione = Destinazione::Fissa;
    rifiutata.opzioni.inviaFisso = [](const QByteArray& testo, QString& errore) {
        return inviaGrezzo(QStringLiteral("Sparita"), testo, QStringLiteral("Fatture"), errore);
    };
    const EsitoStampa no = rifiutata.AvviaStampa();
    EXPECT_TRUE(no.erroreFile);
    EXPECT_EQ(no.fatture, 0);
    EXPECT_TRUE(no.messaggi.join(u'\n').contains(QStringLiteral("Impossibile stampare su Sparita")));
    EXPECT_EQ(stampato(), QStringLiteral("N"));
}

} // namespace
} // namespace tesel::stampa
