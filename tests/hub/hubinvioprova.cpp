#include "hubinvioprova.h"

#include "frame/sqlvalore.h"
#include "schema/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace tesel::prova {

void ConHubInvio::SetUp() {
    ConDatabase::SetUp();
    if (IsSkipped())
        return;
    creaAziendaDemo();
    ASSERT_TRUE(cartella_.isValid());
    QDir(cartella_.path()).mkpath(QStringLiteral("fe"));
    ASSERT_TRUE(hub_.avvia());
    hub_.creaAccount();
    url_ = hub_.url();
}

QString ConHubInvio::conCartellaFe(const QString& ini) {
    QFile f(ini);
    EXPECT_TRUE(f.open(QIODevice::Append));
    f.write(QStringLiteral("[Base]\nDirFe=%1\n").arg(cartellaFe()).toUtf8());
    return ini;
}

QString ConHubInvio::profiloConHub() {
    const QString ini = scriviProfilo(cartella());
    auto comune = Database::apri(QDir(cartella()).filePath(QStringLiteral("comune.db")));
    schema::creaSchema(*comune, schema::tabelleComuni());
    for (const auto& [nome, valore] :
         {std::pair{QStringLiteral("FEHubUrl"), url_}, std::pair{QStringLiteral("FEHubLogin"), LoginProva},
          std::pair{QStringLiteral("FEHubPwd"), PasswordProva}})
        comune->EseguiConValori(QStringLiteral("INSERT INTO MenuParametri (Nome, Valore) VALUES (?, ?)"),
                                {nome, valore});
    return ini;
}

ConHubInvio::EsitoCli ConHubInvio::teselCli(const QStringList& argomenti, const QString& ini) {
    QProcess p;
    p.start(QStringLiteral(TESEL_CLI), argomenti + QStringList{QStringLiteral("--ini"), ini});
    EXPECT_TRUE(p.waitForFinished(120000));
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

bool ConHubInvio::esiste(const QString& file) const {
    return QFileInfo::exists(QDir(cartellaFe()).filePath(file));
}

void ConHubInvio::accoda(const Emessa& e) {
    db().EseguiConValori(
        QStringLiteral("INSERT INTO FatTest (Anno, NumRif, PreDoc, NumDoc, DataDoc, ContoCli, "
                       "Stato, FattDocumento) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        {e.anno, e.numRif, e.preDoc, e.numDoc, e.data, e.contoCli, e.stato, e.tipo});
    db().EseguiConValori(QStringLiteral("INSERT INTO FatTestFE (Anno, NumRif, FEHubInvio, FEHubTermInvio, "
                                        "FEHubStatoIniz, FEFileXML) VALUES (?, ?, 'A', ?, ?, ?)"),
                         {e.anno, e.numRif, e.terminale, e.statoIniz, e.file});
    if (e.file.isEmpty() || !e.scrivi)
        return;
    QFile f(QDir(cartellaFe()).filePath(QFileInfo(e.file).fileName()));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:FatturaElettronica versione=\"FPR12\" "
                       "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">"
                       "<FatturaElettronicaHeader><CedentePrestatore><DatiAnagrafici><IdFiscaleIVA>"
                       "<IdPaese>IT</IdPaese><IdCodice>04738210287</IdCodice></IdFiscaleIVA>"
                       "</DatiAnagrafici></CedentePrestatore></FatturaElettronicaHeader>"
                       "<FatturaElettronicaBody><DatiGenerali><DatiGeneraliDocumento><Numero>%1</Numero>"
                       "</DatiGeneraliDocumento></DatiGenerali></FatturaElettronicaBody>"
                       "</p:FatturaElettronica>")
            .arg(e.numDoc)
            .toUtf8());
}

} // namespace tesel::prova
