// The import of typical received invoices (10 lines, 2 VAT rates, 2 payments, distinct file
// names) into a fresh SQLite demo company, one process, one file after the other as the
// import dialog does. Prints invoices per second and the peak memory at checkpoints, so a
// leak shows as a growing figure; asserts nothing.
//
//   bench_import [--fatture N] [--cartella DIR]
//   --cartella keeps the generated files and the database in DIR.

#include "frame/database.h"
#include "frame/interazione.h"
#include "frame/parametri.h"
#include "import/importazione.h"
#include "schema/demo.h"
#include "schema/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sys/resource.h>

using namespace tesel;

namespace {

const char* const Fornitori[][2] = {{"03981270683", "Ferramenta Adriatica Srl"},
                                    {"02157840378", "Cartoleria Moderna Snc di Conti &amp; C."},
                                    {"07623940157", "Energia Verde Distribuzione SpA"},
                                    {"01844360220", "Telecomunicazioni Alpine Srl"}};

QByteArray fattura(int n) {
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
            "<TipoDocumento>TD01</TipoDocumento><Divisa>EUR</Divisa><Data>2024-%4-%5</Data><Numero>%2/A</"
            "Numero>"
            "<ImportoTotaleDocumento>%6</ImportoTotaleDocumento><Causale>Fornitura del mese</Causale>"
            "</DatiGeneraliDocumento><DatiDDT><NumeroDDT>%2</NumeroDDT><DataDDT>2024-%4-01</DataDDT></"
            "DatiDDT>"
            "</DatiGenerali><DatiBeniServizi>%7%8</DatiBeniServizi><DatiPagamento><CondizioniPagamento>TP01"
            "</CondizioniPagamento><DettaglioPagamento><ModalitaPagamento>MP05</ModalitaPagamento>"
            "<DataScadenzaPagamento>2024-%4-28</DataScadenzaPagamento><ImportoPagamento>%9</ImportoPagamento>"
            "<IBAN>IT79I0897562160000000482911</IBAN></"
            "DettaglioPagamento><DettaglioPagamento><ModalitaPagamento>"
            "MP05</ModalitaPagamento><DataScadenzaPagamento>2024-12-28</"
            "DataScadenzaPagamento><ImportoPagamento>%10"
            "</ImportoPagamento></DettaglioPagamento></DatiPagamento></FatturaElettronicaBody>"
            "</p:FatturaElettronica>")
            .arg(QLatin1String(f[0]), QString::number(n), QLatin1String(f[1]))
            .arg(1 + n % 12, 2, 10, QChar(u'0'))
            .arg(1 + n % 27, 2, 10, QChar(u'0'))
            .arg(importo(totale), linee, riepilogo, importo(rata1), importo(rata2));
    return xml.toUtf8();
}

long piccoMemoriaKb() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int n = 20000;
    QString cartella;
    const QStringList a = app.arguments();
    for (int i = 1; i < a.size(); ++i) {
        if (a[i] == QStringLiteral("--fatture") && i + 1 < a.size())
            n = a[++i].toInt();
        else if (a[i] == QStringLiteral("--cartella") && i + 1 < a.size())
            cartella = a[++i];
    }
    QTemporaryDir temp;
    if (cartella.isEmpty())
        cartella = temp.path();
    QDir().mkpath(cartella + QStringLiteral("/xml"));

    QElapsedTimer t;
    t.start();
    QStringList file;
    for (int k = 1; k <= n; ++k) {
        const QString p = cartella + QStringLiteral("/xml/IT03981270683_%1.xml").arg(k, 6, 10, QChar(u'0'));
        QFile f(p);
        if (!f.open(QIODevice::WriteOnly)) {
            std::fprintf(stderr, "Impossibile scrivere %s\n", qPrintable(p));
            return 1;
        }
        f.write(fattura(k));
        file << p;
    }
    std::printf("%d file generati in %.1f s\n", n, t.elapsed() / 1000.0);

    const QString percorsoDb = cartella + QStringLiteral("/azienda.db");
    QFile::remove(percorsoDb);
    auto db = Database::apri(percorsoDb);
    schema::creaSchema(*db, schema::tabelleAzienda());
    schema::popolaDemo(*db);
    ParametriAzienda parametri(*db);
    InterazioneNonPresidiata ui;
    ImportatoreFatture importatore(*db, ui, parametri, {});

    const long memoriaIniziale = piccoMemoriaKb();
    int ok = 0;
    QElapsedTimer tempo;
    tempo.start();
    qint64 ultimo = 0;
    int ultimoN = 0;
    for (int k = 0; k < n; ++k) {
        for (const EsitoImport& e : importatore.importa(file[k]))
            ok += e.ok ? 1 : 0;
        const int fatte = k + 1;
        if (fatte % 5000 == 0 || fatte == n) {
            const qint64 ms = tempo.elapsed();
            std::printf("%6d fatture: %7.0f fatture/s (ultime %d: %7.0f/s), memoria di picco %ld KB\n", fatte,
                        fatte * 1000.0 / std::max<qint64>(ms, 1), fatte - ultimoN,
                        (fatte - ultimoN) * 1000.0 / std::max<qint64>(ms - ultimo, 1), piccoMemoriaKb());
            ultimo = ms;
            ultimoN = fatte;
        }
    }
    std::printf("importate %d di %d in %.1f s; memoria di picco prima %ld KB, dopo %ld KB\n", ok, n,
                tempo.elapsed() / 1000.0, memoriaIniziale, piccoMemoriaKb());
    return ok == n ? 0 : 1;
}
