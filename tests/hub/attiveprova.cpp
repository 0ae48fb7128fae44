#include "attiveprova.h"

#include "frame/testoxml.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace tesel::prova {

void ConAttiveHub::SetUp() {
    ConHubInvio::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    menu.imposta(QStringLiteral("FEHubUrl"), url_);
    menu.imposta(QStringLiteral("FEHubLogin"), LoginProva);
    menu.imposta(QStringLiteral("FEHubPwd"), PasswordProva);
    menu.imposta(QStringLiteral("FEHubTempoMax"), QStringLiteral("5"));
    ini_ = conCartellaFe(QDir(cartella()).filePath(QStringLiteral("tesel.ini")));
    conf.impostaFileProfilo(ini_);
    parametri = std::make_unique<ParametriAzienda>(db());
}

std::unique_ptr<hub::HubServizio> ConAttiveHub::servizio() {
    return std::make_unique<hub::HubServizio>(hub::ImpostazioniHub::leggi(menu, *parametri));
}

ConAttiveHub::Inviato ConAttiveHub::invia(const Documento& d) {
    ++inviati_;
    const QString cessionarioIva =
        d.partitaIva.isEmpty()
            ? QString()
            : QStringLiteral("<IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>%1</IdCodice></IdFiscaleIVA>")
                  .arg(d.partitaIva);
    const QString allegato =
        d.allegato.isEmpty()
            ? QString()
            : QStringLiteral(
                  "<Allegati><NomeAttachment>%1</NomeAttachment><Attachment>%2</Attachment></Allegati>")
                  .arg(d.allegato,
                       QString::fromLatin1(QByteArray("contenuto di " + d.allegato.toUtf8()).toBase64()));
    Inviato r;
    r.contenuto =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><p:FatturaElettronica versione=\"FPR12\" "
            "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/"
            "v1.2\"><FatturaElettronicaHeader>"
            "<CedentePrestatore><DatiAnagrafici><IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>04738210287</"
            "IdCodice>"
            "</IdFiscaleIVA><Anagrafica><Denominazione>Demo Srl</Denominazione></Anagrafica></DatiAnagrafici>"
            "</CedentePrestatore><CessionarioCommittente><DatiAnagrafici>%1<CodiceFiscale>%2</CodiceFiscale>"
            "<Anagrafica><Denominazione>%3</Denominazione></Anagrafica></DatiAnagrafici></"
            "CessionarioCommittente>"
            "</FatturaElettronicaHeader><FatturaElettronicaBody><DatiGenerali><DatiGeneraliDocumento>"
            "<TipoDocumento>%4</TipoDocumento><Divisa>EUR</Divisa><Data>%5</Data><Numero>%6</Numero>"
            "<ImportoTotaleDocumento>%7</ImportoTotaleDocumento></DatiGeneraliDocumento></DatiGenerali>%8"
            "</FatturaElettronicaBody></p:FatturaElettronica>")
            .arg(cessionarioIva, d.codiceFiscale, d.denominazione, d.tipo, d.data, d.numero, d.totale,
                 allegato)
            .toUtf8();
    const QString nome = QStringLiteral("IT04738210287_%1.xml").arg(inviati_, 5, 10, QLatin1Char('0'));
    const QString percorso = QDir(cartella()).filePath(nome);
    QFile f(percorso);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(r.contenuto);
    f.close();
    r.riferimento = QStringLiteral("Ruvex0473821028726A%1").arg(inviati_, 5, 10, QLatin1Char('0'));
    const QString busta = QStringLiteral("<document id=\"%1\" state=\"%2\" info=\"NORVALE\"><attributes>"
                                         "<attribute name=\"REGIVA\" value=\".\" /></attributes></document>")
                              .arg(r.riferimento, d.stato.isEmpty() ? QStringLiteral("DN") : d.stato);
    auto hub = servizio();
    const hub::EsitoOperazione e =
        hub::EseguiOperazione(*hub, QStringLiteral("Invio"), [&](const QString& t) {
            return hub->InviaDocumento(t, nome, percorso, busta);
        });
    EXPECT_TRUE(e.riuscita) << e.messaggio.toStdString();
    if (e.riuscita)
        r.id = TestoNodo(*e.documento, "id");
    EXPECT_FALSE(r.id.isEmpty()) << e.risposta.Risposta.toStdString();
    return r;
}

void ConAttiveHub::avanza(const QString& stato, const QStringList& id) {
    hubComando(QStringList{QStringLiteral("avanza"), QStringLiteral("--stato"), stato} + id);
}

} // namespace tesel::prova
