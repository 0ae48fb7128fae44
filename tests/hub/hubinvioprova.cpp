#include "hubinvioprova.h"

#include "frame/sqlvalore.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QRegularExpression>

namespace tesel::prova {

void ConHubInvio::SetUp() {
    ConDatabase::SetUp();
    if (IsSkipped())
        return;
    creaAziendaDemo();
    ASSERT_TRUE(cartella_.isValid());
    QDir(cartella_.path()).mkpath(QStringLiteral("fe"));
    hubComando({QStringLiteral("utente"), QStringLiteral("--login"), QStringLiteral("demo"),
                QStringLiteral("--password"), QStringLiteral("segreta"), QStringLiteral("--partita-iva"),
                QStringLiteral("04738210287"), QStringLiteral("--denominazione"),
                QStringLiteral("Demo Srl")});
    server_.start(QStringLiteral(TESEL_HUB), {QStringLiteral("serve"), QStringLiteral("--dati"),
                                              cartellaDati(), QStringLiteral("--porta"), QStringLiteral("0"),
                                              QStringLiteral("--ascolta"), QStringLiteral("127.0.0.1")});
    ASSERT_TRUE(server_.waitForStarted());
    // The first line names the port the server took.
    QString riga;
    while (!riga.contains(u'\n') && server_.waitForReadyRead(10000))
        riga += QString::fromUtf8(server_.readAllStandardOutput());
    const auto m = QRegularExpression(QStringLiteral("(http://127\\.0\\.0\\.1:\\d+)")).match(riga);
    ASSERT_TRUE(m.hasMatch()) << "tesel-hub non è partito: " << riga.toStdString();
    url_ = m.captured(1);
}

void ConHubInvio::TearDown() {
    if (server_.state() != QProcess::NotRunning) {
        server_.terminate();
        if (!server_.waitForFinished(5000)) {
            server_.kill();
            server_.waitForFinished();
        }
    }
    ConDatabase::TearDown();
}

QString ConHubInvio::hubComando(const QStringList& argomenti) {
    QProcess p;
    p.start(QStringLiteral(TESEL_HUB),
            QStringList{argomenti.first(), QStringLiteral("--dati"), cartellaDati()} + argomenti.mid(1));
    EXPECT_TRUE(p.waitForFinished(20000));
    EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

std::vector<QJsonObject> ConHubInvio::documentiHub() {
    std::vector<QJsonObject> r;
    for (const QString& riga : hubComando({QStringLiteral("documenti")}).split(u'\n', Qt::SkipEmptyParts))
        r.push_back(QJsonDocument::fromJson(riga.toUtf8()).object());
    return r;
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
