// The import while its user thinks: a question to the user (the supplier's selection list)
// never holds the database, so another workstation's import goes on meanwhile. The other
// workstation is a real tesel-cli process on the same database.

#include "aziendacli.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "support/interazioneprova.h"

#include <QFile>

using namespace Qt::StringLiterals;
using tesel::prova::EsitoCli;

namespace {

// The demo's invoice of Ferramenta Adriatica under another number.
QByteArray fatturaDemo(const QString& numero) {
    QFile f(tesel::prova::fileFixture(u"../../scripts/fatture-demo/IT03981270683_DEMO1.xml"_s));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << f.fileName().toStdString();
    return f.readAll().replace("<Numero>123/A</Numero>", "<Numero>" + numero.toUtf8() + "</Numero>");
}

class ImportConUtente : public tesel::prova::ConAziendaCli {
protected:
    QString fileProva(const QString& nome, const QByteArray& dati) {
        const QString p = cartella_.filePath(nome);
        QFile f(p);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly) && f.write(dati) == dati.size()) << p.toStdString();
        return p;
    }
    // Another workstation imports `file` with tesel-cli while this test waits: false when it
    // was kept waiting well beyond the engine's wait for a lock.
    bool importaAltrove(const QString& file, EsitoCli& esito) {
        QProcess p;
        p.start(QStringLiteral(TESEL_CLI), {u"import"_s, u"--ini"_s, ini_, u"--json"_s, file});
        const bool finito = p.waitForFinished(40000);
        if (!finito) {
            p.kill();
            p.waitForFinished();
        }
        esito = {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                 QString::fromUtf8(p.readAllStandardError())};
        return finito;
    }
    // A second account with the supplier's VAT number: its invoices need the user's choice.
    void duplicaFornitore() {
        db().EseguiSql(
            u"INSERT INTO PianoConti (Gruppo, Mastro, Conto, Tipo, PartIva, Descrizione, DataAp) "
            "SELECT Gruppo, Mastro, '9998', Tipo, PartIva, 'Ferramenta Adriatica (seconda sede)', DataAp "
            "FROM PianoConti WHERE Tipo = 2 AND PartIva = '03981270683'"_s);
    }
};

TEST_F(ImportConUtente, shouldLetAnotherWorkstationImportWhileTheUserChoosesTheSupplier) {
    duplicaFornitore();
    const QString mio = fileProva(u"mia.xml"_s, fatturaDemo(u"U-1"_s));
    const QString altrui = fileProva(u"altrui.xml"_s, fatturaDemo(u"U-2"_s));

    EsitoCli altro;
    bool altroFinito = false;
    QStringList elementiMostrati;
    tesel::prova::InterazioneProva utente;
    utente.accodaScelta(1);
    utente.mentreChiede = [&] { altroFinito = importaAltrove(altrui, altro); };
    tesel::ParametriAzienda parametri(db());
    tesel::ImportatoreFatture importatore(db(), utente, parametri, {});
    const std::vector<tesel::EsitoImport> esiti = importatore.importa(mio);

    ASSERT_EQ(utente.scelteMostrate.size(), 1);
    ASSERT_TRUE(altroFinito) << "l'altra postazione è rimasta in attesa mentre l'utente sceglieva";
    EXPECT_EQ(altro.codice, 0) << altro.uscita.toStdString() << altro.errori.toStdString();
    const std::vector<QJsonObject> righe = righeJson(altro);
    ASSERT_EQ(righe.size(), 1u);
    EXPECT_TRUE(righe[0].value(u"ok"_s).toBool()) << righe[0].value(u"errori"_s).toString().toStdString();

    ASSERT_EQ(esiti.size(), 1u);
    EXPECT_TRUE(esiti[0].ok) << esiti[0].errori.toStdString();
    // Both invoices stored under their own numbers, mine with the account the user chose.
    EXPECT_NE(esiti[0].numRif, righe[0].value(u"XmlNumRif"_s).toInteger());
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM FatXmlTest"_s).toLongLong(), 2);
    const QString scelto = utente.scelteMostrate[0].elementi.value(1).section(u'\t', 0, 0);
    const QVariant conto = db().valore(
        u"SELECT GruppoFor || '-' || MastroFor || '-' || ContoFor FROM FatXmlTest WHERE XmlNumRif = "_s +
        QString::number(esiti[0].numRif));
    EXPECT_EQ(conto.toString().toStdString(), scelto.toStdString());
}

// In a batch the files imported before the question are committed before it is asked: the
// other workstation waits neither for them nor for the answer, and sees them stored.
TEST_F(ImportConUtente, shouldCommitTheBatchSoFarBeforeAskingTheUser) {
    duplicaFornitore();
    // Energia Verde has one account: its invoice is imported without a question.
    const QString primo =
        fileProva(u"prima.xml"_s, fatturaDemo(u"U-0"_s).replace("03981270683", "07623940157"));
    const QString mio = fileProva(u"mia.xml"_s, fatturaDemo(u"U-1"_s));
    const QString altrui = fileProva(u"altrui.xml"_s, fatturaDemo(u"U-2"_s));

    EsitoCli altro;
    bool altroFinito = false;
    qint64 primoVisto = -1;
    tesel::prova::InterazioneProva utente;
    utente.mentreChiede = [&] {
        primoVisto = altraConnessione()
                         ->valore(u"SELECT count(*) FROM FatXmlTest WHERE NomeFile = 'prima.xml'"_s)
                         .toLongLong();
        altroFinito = importaAltrove(altrui, altro);
    };
    tesel::ParametriAzienda parametri(db());
    tesel::ImportatoreFatture importatore(db(), utente, parametri, {});
    std::vector<std::vector<tesel::EsitoImport>> esiti;
    importatore.importa({primo, mio}, {},
                        [&](qsizetype, std::vector<tesel::EsitoImport> e) { esiti.push_back(std::move(e)); });

    ASSERT_EQ(utente.scelteMostrate.size(), 1);
    EXPECT_EQ(primoVisto, 1) << "la fattura già caricata non era confermata quando è stata posta la domanda";
    ASSERT_TRUE(altroFinito) << "l'altra postazione è rimasta in attesa mentre l'utente sceglieva";
    EXPECT_EQ(altro.codice, 0) << altro.uscita.toStdString() << altro.errori.toStdString();
    ASSERT_EQ(esiti.size(), 2u);
    for (const auto& e : esiti)
        EXPECT_TRUE(e.at(0).ok) << e.at(0).errori.toStdString();
    EXPECT_EQ(db().valore(u"SELECT count(*) FROM FatXmlTest"_s).toLongLong(), 3);
}

} // namespace
