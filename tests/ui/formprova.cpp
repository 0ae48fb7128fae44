#include "formprova.h"

#include "frame/database.h"
#include "import/importazione.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTest>

namespace tesel::prova {

QString FatturaProva::testo() const {
    QFile modello(fileFixture("modelli/fattura.xml"));
    EXPECT_TRUE(modello.open(QIODevice::ReadOnly)) << modello.fileName().toStdString();
    QString x = QString::fromUtf8(modello.readAll());
    for (const auto& [segnaposto, valore] :
         {std::pair{"{partitaIva}", partitaIva}, std::pair{"{denominazione}", denominazione},
          std::pair{"{numero}", numero}, std::pair{"{data}", data}, std::pair{"{totale}", totale},
          std::pair{"{documento}", documento}, std::pair{"{generali}", generali},
          std::pair{"{allegati}", allegati}})
        x.replace(segnaposto, valore);
    return x;
}

QString FatturaProva::corpo() const {
    const QString x = testo(), fine = "</FatturaElettronicaBody>";
    const qsizetype inizio = x.indexOf("<FatturaElettronicaBody>");
    return x.mid(inizio, x.indexOf(fine) + fine.size() - inizio);
}

QByteArray FatturaProva::xml(const QStringList& altriCorpi) const {
    const QString fine = "</p:FatturaElettronica>";
    return testo().replace(fine, altriCorpi.join(QString()) + fine).toUtf8();
}

QString allegatoXml(const QString& nome, const QByteArray& contenuto) {
    return QStringLiteral(
               "<Allegati><NomeAttachment>%1</NomeAttachment><FormatoAttachment>PDF"
               "</FormatoAttachment><DescrizioneAttachment>Copia di cortesia</DescrizioneAttachment>"
               "<Attachment>%2</Attachment></Allegati>")
        .arg(nome, QString::fromLatin1(contenuto.toBase64()));
}

void FormProva::SetUp() {
    ConDatabase::SetUp();
    if (IsSkipped())
        return;
    creaAziendaDemo();
    ASSERT_TRUE(cartella.isValid());
    configurazione = std::make_unique<Configurazione>(menu, utente);
    parametri = std::make_unique<ParametriAzienda>(db());
    contesto.reset(new Contesto{db(), nullptr, *configurazione, menu, utente, *parametri, "prova"});
}

void FormProva::TearDown() {
    delete finestra_.data();
    contesto.reset();
    parametri.reset();
    configurazione.reset();
    ConDatabase::TearDown();
}

QString FormProva::scriviFile(const QString& relativo, const QByteArray& dati) {
    const QString percorso = cartella.filePath(relativo);
    QDir().mkpath(QFileInfo(percorso).path());
    QFile f(percorso);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << percorso.toStdString();
    f.write(dati);
    return percorso;
}

std::vector<tesel::ChiaveFattura> FormProva::importaFile(const QString& percorso) {
    InterazioneProva muto;
    ParametriAzienda p(db());
    ImportatoreFatture imp(db(), muto, p, {});
    std::vector<tesel::ChiaveFattura> chiavi;
    for (const EsitoImport& e : imp.importa(percorso)) {
        EXPECT_TRUE(e.ok) << e.errori.toStdString();
        chiavi.push_back({e.anno, e.numRif});
    }
    EXPECT_FALSE(chiavi.empty()) << percorso.toStdString();
    return chiavi;
}

tesel::ChiaveFattura FormProva::importa(const FatturaProva& f, const QString& nome) {
    const auto chiavi = importaFile(scriviFile(nome, f.xml()));
    return chiavi.empty() ? tesel::ChiaveFattura{} : chiavi.front();
}

void FormProva::profilo(const QByteArray& righe) {
    configurazione->impostaFileProfilo(scriviFile("tesel.ini", righe));
}

QVariant FormProva::valore(const QString& tabella, tesel::ChiaveFattura k, const QString& colonna,
                           const QString& condizione) {
    return db().valore(QStringLiteral("SELECT %1 FROM %2 WHERE XmlAnno = %3 AND XmlNumRif = %4")
                           .arg(colonna, tabella)
                           .arg(k.anno)
                           .arg(k.numero) +
                       (condizione.isEmpty() ? QString() : QStringLiteral(" AND ") + condizione));
}

qint64 FormProva::conta(const QString& tabella, tesel::ChiaveFattura k, const QString& condizione) {
    return valore(tabella, k, "count(*)", condizione).toLongLong();
}

void digita(QLineEdit* campo, const QString& testo, bool esci) {
    campo->setFocus();
    campo->selectAll();
    QTest::keyClick(campo, Qt::Key_Delete);
    QTest::keyClicks(campo, testo);
    if (esci) {
        QTest::keyClick(campo, Qt::Key_Tab);
        QCoreApplication::processEvents();
    }
}

void clicca(QAbstractButton* b) {
    ASSERT_NE(b, nullptr);
    QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
}

} // namespace tesel::prova
