#pragma once
// What the benchmarks share: the typical received invoice (10 lines with an article code,
// 2 VAT rates, 2 payments, a DDT) from one of four suppliers of the demo chart, the files
// written from it, and the peak memory of the process.

#include <QByteArray>
#include <QChar>
#include <QDate>
#include <QFile>
#include <QLatin1String>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <exception>
#include <sys/resource.h>

namespace tesel::bench {

// Invoice `n` (its number and file name are distinct for each n), dated in year `anno`.
inline QByteArray fatturaTipica(int n, int anno = 2024) {
    static const char* const Fornitori[][2] = {{"03981270683", "Ferramenta Adriatica Srl"},
                                               {"02157840378", "Cartoleria Moderna Snc di Conti &amp; C."},
                                               {"07623940157", "Energia Verde Distribuzione SpA"},
                                               {"01844360220", "Telecomunicazioni Alpine Srl"}};
    const auto& f = Fornitori[n % 4];
    QString linee, riepilogo;
    long long imponibile22 = 0, imponibile10 = 0; // cents
    for (int k = 1; k <= 10; ++k) {
        const long long prezzo = 1000 + (n * 7 + k * 13) % 9000; // cents
        const long long quantita = 1 + k % 3;
        const bool ridotta = k % 4 == 0;
        (ridotta ? imponibile10 : imponibile22) += prezzo * quantita;
        linee +=
            QStringLiteral("<DettaglioLinee><NumeroLinea>%1</NumeroLinea><CodiceArticolo><CodiceTipo>EAN"
                           "</CodiceTipo><CodiceValore>80012340%2</CodiceValore></CodiceArticolo>"
                           "<Descrizione>Articolo %1 della fattura %3</Descrizione><Quantita>%4.00</Quantita>"
                           "<UnitaMisura>PZ</UnitaMisura><PrezzoUnitario>%5.%6</PrezzoUnitario>"
                           "<PrezzoTotale>%7.%8</PrezzoTotale><AliquotaIVA>%9</AliquotaIVA></DettaglioLinee>")
                .arg(k)
                .arg(10000 + k)
                .arg(n)
                .arg(quantita)
                .arg(prezzo / 100)
                .arg(prezzo % 100, 2, 10, QChar(u'0'))
                .arg(prezzo * quantita / 100)
                .arg(prezzo * quantita % 100, 2, 10, QChar(u'0'))
                .arg(ridotta ? QStringLiteral("10.00") : QStringLiteral("22.00"));
    }
    const auto importo = [](long long c) {
        return QStringLiteral("%1.%2").arg(c / 100).arg(c % 100, 2, 10, QChar(u'0'));
    };
    const long long iva22 = (imponibile22 * 22 + 50) / 100, iva10 = (imponibile10 * 10 + 50) / 100;
    riepilogo =
        QStringLiteral("<DatiRiepilogo><AliquotaIVA>22.00</AliquotaIVA><ImponibileImporto>%1"
                       "</ImponibileImporto><Imposta>%2</Imposta><EsigibilitaIVA>I</EsigibilitaIVA>"
                       "</DatiRiepilogo><DatiRiepilogo><AliquotaIVA>10.00</AliquotaIVA><ImponibileImporto>%3"
                       "</ImponibileImporto><Imposta>%4</Imposta><EsigibilitaIVA>I</EsigibilitaIVA>"
                       "</DatiRiepilogo>")
            .arg(importo(imponibile22), importo(iva22), importo(imponibile10), importo(iva10));
    const long long totale = imponibile22 + iva22 + imponibile10 + iva10;
    const long long rata1 = totale / 2, rata2 = totale - rata1;
    // The multi-argument arg() calls substitute in one pass: the lines' text is never rescanned.
    const QString xml =
        QStringLiteral(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
            "<p:FatturaElettronica versione=\"FPR12\" "
            "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/"
            "fatture/v1.2\"><FatturaElettronicaHeader><DatiTrasmissione><IdTrasmittente><IdPaese>IT</IdPaese>"
            "<IdCodice>%1</IdCodice></IdTrasmittente><ProgressivoInvio>%2</"
            "ProgressivoInvio><FormatoTrasmissione>"
            "FPR12</FormatoTrasmissione><CodiceDestinatario>0000000</CodiceDestinatario></DatiTrasmissione>"
            "<CedentePrestatore><DatiAnagrafici><IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>%1</IdCodice>"
            "</IdFiscaleIVA><Anagrafica><Denominazione>%3</Denominazione></Anagrafica><RegimeFiscale>RF01"
            "</RegimeFiscale></DatiAnagrafici><Sede><Indirizzo>Via "
            "Roma</Indirizzo><NumeroCivico>1</NumeroCivico>"
            "<CAP>65129</CAP><Comune>Pescara</Comune><Provincia>PE</Provincia><Nazione>IT</Nazione></Sede>"
            "</CedentePrestatore><CessionarioCommittente><DatiAnagrafici><IdFiscaleIVA><IdPaese>IT</IdPaese>"
            "<IdCodice>01234567890</IdCodice></IdFiscaleIVA><Anagrafica><Denominazione>Demo "
            "Srl</Denominazione>"
            "</Anagrafica></DatiAnagrafici><Sede><Indirizzo>Via Euganea "
            "101</Indirizzo><CAP>35141</CAP><Comune>"
            "Padova</Comune><Provincia>PD</Provincia><Nazione>IT</Nazione></Sede></CessionarioCommittente>"
            "</FatturaElettronicaHeader><FatturaElettronicaBody><DatiGenerali><DatiGeneraliDocumento>"
            "<TipoDocumento>TD01</TipoDocumento><Divisa>EUR</Divisa><Data>%4-%5-%6</Data><Numero>%2/A</"
            "Numero>"
            "<ImportoTotaleDocumento>%7</ImportoTotaleDocumento><Causale>Fornitura del mese</Causale>"
            "</DatiGeneraliDocumento><DatiDDT><NumeroDDT>%2</NumeroDDT><DataDDT>%4-%5-01</DataDDT></"
            "DatiDDT>"
            "</DatiGenerali><DatiBeniServizi>%8%9</DatiBeniServizi><DatiPagamento><CondizioniPagamento>TP01"
            "</CondizioniPagamento><DettaglioPagamento><ModalitaPagamento>MP05</ModalitaPagamento>"
            "<DataScadenzaPagamento>%4-%5-28</DataScadenzaPagamento><ImportoPagamento>%10</ImportoPagamento>"
            "<IBAN>IT79I0897562160000000482911</IBAN></"
            "DettaglioPagamento><DettaglioPagamento><ModalitaPagamento>"
            "MP05</ModalitaPagamento><DataScadenzaPagamento>%4-12-28</"
            "DataScadenzaPagamento><ImportoPagamento>%11"
            "</ImportoPagamento></DettaglioPagamento></DatiPagamento></FatturaElettronicaBody>"
            "</p:FatturaElettronica>")
            .arg(QLatin1String(f[0]), QString::number(n), QLatin1String(f[1]), QString::number(anno))
            .arg(1 + n % 12, 2, 10, QChar(u'0'))
            .arg(1 + n % 27, 2, 10, QChar(u'0'))
            .arg(importo(totale), linee, riepilogo, importo(rata1), importo(rata2));
    return xml.toUtf8();
}

// The document date fatturaTipica(n, anno) carries.
inline QDate dataFatturaTipica(int n, int anno) {
    return QDate(anno, 1 + n % 12, 1 + n % 27);
}

// Writes invoices primo .. primo + n - 1 under `cartella` (which must exist) with distinct file
// names and answers their paths; nothing, after a message, when a file cannot be written.
inline QStringList scriviFattureTipiche(const QString& cartella, int n, int anno = 2024, int primo = 1) {
    QStringList file;
    for (int k = primo; k < primo + n; ++k) {
        const QString p = cartella + QStringLiteral("/IT03981270683_%1.xml").arg(k, 6, 10, QChar(u'0'));
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "Impossibile scrivere %s\n", qPrintable(p));
            return {};
        }
        f.write(fatturaTipica(k, anno));
        file << p;
    }
    return file;
}

inline long piccoMemoriaKb() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss;
}

// Runs a benchmark's body; a database that does not open, or a statement the engine refuses,
// ends the run with its message and exit status 1 instead of an abort.
inline int eseguiConMessaggio(int (*corpo)(int, char**), int argc, char** argv) {
    try {
        return corpo(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

} // namespace tesel::bench
