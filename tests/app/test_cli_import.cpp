// The received-invoice import through tesel-cli, as a user of the batch command sees it:
// every sample invoice of tests/fixtures imported into the demo company and every stored invoice
// checked against a reading of its file made here with Qt's own stream reader (never the
// program's reader), two processes importing at once, and the import options.

#include "frame/currency.h"
#include "import/firma.h"
#include "import/importazione.h"
#include "schema/schema.h"
#include "support/dbprova.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>

using tesel::prova::ConDatabase;

namespace {

// A text as std::string, for assertions that print it on failure.
std::string st(const QString& s) {
    return s.toStdString();
}

// ---- An independent reading of a FatturaPA file -----------------------------------------------

// One element: its local name, the text and CDATA directly inside it, its child elements.
struct NodoXml {
    QString nome;
    QString testo;
    std::vector<std::unique_ptr<NodoXml>> figli;

    std::vector<const NodoXml*> tutti(QAnyStringView n) const {
        std::vector<const NodoXml*> r;
        for (const auto& f : figli)
            if (QAnyStringView::compare(f->nome, n) == 0)
                r.push_back(f.get());
        return r;
    }
    const NodoXml* figlio(QAnyStringView n) const {
        for (const auto& f : figli)
            if (QAnyStringView::compare(f->nome, n) == 0)
                return f.get();
        return nullptr;
    }
    // The first element in document order reached by a path of local names joined by "/".
    const NodoXml* percorso(QStringView p) const {
        const qsizetype barra = p.indexOf(u'/');
        const QStringView primo = barra < 0 ? p : p.left(barra);
        for (const auto& f : figli) {
            if (f->nome != primo)
                continue;
            if (barra < 0)
                return f.get();
            if (const NodoXml* t = f->percorso(p.mid(barra + 1)))
                return t;
        }
        return nullptr;
    }
};

// 0x80..0x9F of windows-1252 (the rest of the code page is ISO-8859-1).
constexpr char16_t Cp1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The characters of a file. Bytes that are valid UTF-8 are UTF-8 whatever the declaration
// says (real files labelled windows-1252 hold UTF-8); otherwise a latin-1 family label is
// read as windows-1252.
std::optional<QString> decodifica(const QByteArray& dati, QString& errore) {
    if (dati.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(dati.mid(3));
    if (dati.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE)(dati.mid(2));
    if (dati.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE)(dati.mid(2));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString comeUtf8 = utf8(dati);
    if (!utf8.hasError())
        return comeUtf8;
    static const QRegularExpression dichiarazione(
        QStringLiteral("^<\\?xml[^>]*encoding\\s*=\\s*[\"']([^\"']+)[\"']"));
    const QString nome = dichiarazione.match(QString::fromLatin1(dati.left(200))).captured(1).toLower();
    static const QStringList latini{QStringLiteral("windows-1252"), QStringLiteral("cp1252"),
                                    QStringLiteral("iso-8859-1"), QStringLiteral("latin1"),
                                    QStringLiteral("iso8859-1")};
    if (!latini.contains(nome)) {
        errore = QStringLiteral("codifica non UTF-8 e non latina: ") + nome;
        return std::nullopt;
    }
    QString testo;
    testo.reserve(dati.size());
    for (char c : dati) {
        const auto b = static_cast<unsigned char>(c);
        testo += QChar(b >= 0x80 && b <= 0x9F ? Cp1252[b - 0x80] : char16_t(b));
    }
    return testo;
}

std::unique_ptr<NodoXml> leggiAlbero(const QString& testo, QString& errore) {
    QXmlStreamReader r(testo);
    // Files use prefixes freely and some never declare them the way a namespace-aware
    // reader wants: elements are matched by local name, as the exchange system does.
    r.setNamespaceProcessing(false);
    std::unique_ptr<NodoXml> radice;
    std::vector<NodoXml*> pila;
    while (!r.atEnd()) {
        switch (r.readNext()) {
        case QXmlStreamReader::StartElement: {
            const QString qualificato = r.qualifiedName().toString();
            auto n = std::make_unique<NodoXml>();
            n->nome = qualificato.mid(qualificato.lastIndexOf(u':') + 1);
            NodoXml* p = n.get();
            if (pila.empty())
                radice = std::move(n);
            else
                pila.back()->figli.push_back(std::move(n));
            pila.push_back(p);
            break;
        }
        case QXmlStreamReader::EndElement:
            pila.pop_back();
            break;
        case QXmlStreamReader::Characters:
            if (!pila.empty())
                pila.back()->testo += r.text();
            break;
        default:
            break;
        }
    }
    if (r.hasError()) {
        errore = r.errorString();
        return nullptr;
    }
    return radice;
}

// The XML document inside a sample file (taken out of its signed envelope when signed).
std::unique_ptr<NodoXml> documento(const QString& percorso, QString& errore) {
    QFile f(percorso);
    if (!f.open(QIODevice::ReadOnly)) {
        errore = f.errorString();
        return nullptr;
    }
    QByteArray dati = f.readAll();
    if (percorso.endsWith(QStringLiteral(".p7m"), Qt::CaseInsensitive)) {
        tesel::ContenutoFirmato busta = tesel::estraiXmlFirmato(dati);
        if (!busta.xml) {
            errore = busta.errore;
            return nullptr;
        }
        dati = *busta.xml;
    }
    const std::optional<QString> testo = decodifica(dati, errore);
    return testo ? leggiAlbero(*testo, errore) : nullptr;
}

// ---- Comparing stored values with the file ---------------------------------------------------

QString descrivi(const QJsonValue& v) {
    if (v.isNull() || v.isUndefined())
        return QStringLiteral("null");
    if (v.isDouble())
        return QString::number(v.toDouble(), 'f', 6);
    return u'"' + v.toString() + u'"';
}

// An amount: the trimmed text read as an exact decimal (mantissa / 10^scala); a text that is
// not a FatturaPA number is stored as Null.
struct Decimale {
    __int128 mantissa = 0;
    int scala = 0;
};

std::optional<Decimale> decimale(const QString& testo) {
    static const QRegularExpression numero(QStringLiteral("^([+-]?)(\\d+)(?:\\.(\\d*))?$"));
    const QRegularExpressionMatch m = numero.match(testo.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const QString cifre = m.captured(2) + m.captured(3);
    if (cifre.size() > 30)
        return std::nullopt;
    Decimale d;
    for (QChar c : cifre)
        d.mantissa = d.mantissa * 10 + (c.unicode() - u'0');
    if (m.captured(1) == u"-")
        d.mantissa = -d.mantissa;
    d.scala = static_cast<int>(m.captured(3).size());
    return d;
}

__int128 potenza10(int n) {
    __int128 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

// The stored amount (a number of ten-thousandths printed as a double) against the exact
// decimal of the file, within half a ten-thousandth (the store keeps four decimals).
void confrontaImporto(const NodoXml* xml, const QJsonValue& v, const QString& cosa) {
    SCOPED_TRACE(cosa.toStdString());
    if (!xml) {
        EXPECT_TRUE(v.isNull()) << "elemento assente, memorizzato " << descrivi(v).toStdString();
        return;
    }
    const std::optional<Decimale> d = decimale(xml->testo);
    if (!d) {
        EXPECT_TRUE(v.isNull()) << "testo non numerico '" << xml->testo.toStdString() << "', memorizzato "
                                << descrivi(v).toStdString();
        return;
    }
    ASSERT_TRUE(v.isDouble()) << "atteso " << xml->testo.trimmed().toStdString() << ", memorizzato "
                              << descrivi(v).toStdString();
    const auto decimillesimi = static_cast<__int128>(std::llround(v.toDouble() * 10000.0));
    const int scala = std::max(d->scala, 4);
    __int128 differenza = d->mantissa * potenza10(scala - d->scala) - decimillesimi * potenza10(scala - 4);
    if (differenza < 0)
        differenza = -differenza;
    EXPECT_LE(2 * differenza * 10000, potenza10(scala))
        << "atteso " << xml->testo.trimmed().toStdString() << ", memorizzato " << descrivi(v).toStdString();
}

void confrontaData(const NodoXml* xml, const QJsonValue& v, const QString& cosa) {
    SCOPED_TRACE(cosa.toStdString());
    const QString testo = xml ? xml->testo.trimmed().left(10) : QString();
    if (!QDate::fromString(testo, Qt::ISODate).isValid()) {
        EXPECT_TRUE(v.isNull()) << "data '" << testo.toStdString() << "', memorizzato "
                                << descrivi(v).toStdString();
        return;
    }
    EXPECT_EQ(st(v.toString()), st(testo)) << "memorizzato " << descrivi(v).toStdString();
}

void confrontaTesto(const NodoXml* xml, const QJsonValue& v, const QString& cosa) {
    SCOPED_TRACE(cosa.toStdString());
    if (!xml || xml->testo.trimmed().isEmpty()) {
        EXPECT_TRUE(v.isNull() || v.toString().trimmed().isEmpty())
            << "memorizzato " << descrivi(v).toStdString();
        return;
    }
    EXPECT_TRUE(v.isString()) << "memorizzato " << descrivi(v).toStdString();
    EXPECT_EQ(st(v.toString()), st(xml->testo));
}

// Every text of the five tables within its column's declared length. SQLite keeps any
// length, PostgreSQL refuses what does not fit: a text too long for its column is a file
// that imports on one engine and fails on the other.
void controllaLunghezze(const QJsonObject& fattura) {
    for (const tesel::schema::Tabella& t : tesel::schema::tabelleStore()) {
        const QJsonValue v = fattura.value(t.nome);
        const QJsonArray righe = v.isArray() ? v.toArray() : QJsonArray{v};
        for (const QJsonValue& riga : righe)
            for (const tesel::schema::Colonna& c : t.colonne) {
                const QJsonValue x = riga.toObject().value(c.nome);
                if (c.tipo == tesel::schema::Tipo::Testo && c.lunghezza > 0 && x.isString()) {
                    EXPECT_LE(x.toString().size(), c.lunghezza)
                        << t.nome.toStdString() << "." << c.nome.toStdString() << " = '"
                        << x.toString().toStdString() << "' non sta nella colonna";
                }
            }
    }
}

// Compares one stored invoice (the `show` output) with body `corpo` (from 1) of the file.
void confrontaFattura(const NodoXml& radice, int corpo, const QJsonObject& fattura) {
    const NodoXml* header = radice.figlio(u"FatturaElettronicaHeader");
    ASSERT_NE(header, nullptr);
    const std::vector<const NodoXml*> corpi = radice.tutti(u"FatturaElettronicaBody");
    ASSERT_LE(corpo, static_cast<int>(corpi.size()));
    const NodoXml& body = *corpi[static_cast<size_t>(corpo - 1)];
    const QJsonObject testata = fattura.value(QStringLiteral("FatXmlTest")).toObject();

    const NodoXml* dgd = body.percorso(u"DatiGenerali/DatiGeneraliDocumento");
    ASSERT_NE(dgd, nullptr);
    confrontaData(dgd->figlio(u"Data"), testata.value(QStringLiteral("DGD_Data")),
                  QStringLiteral("DGD_Data"));
    confrontaTesto(dgd->figlio(u"Numero"), testata.value(QStringLiteral("DGD_Numero")),
                   QStringLiteral("DGD_Numero"));
    confrontaTesto(dgd->figlio(u"TipoDocumento"), testata.value(QStringLiteral("DGD_TipoDocumento")),
                   QStringLiteral("DGD_TipoDocumento"));
    confrontaImporto(dgd->figlio(u"ImportoTotaleDocumento"),
                     testata.value(QStringLiteral("DGD_ImportoTotaleDocumento")),
                     QStringLiteral("DGD_ImportoTotaleDocumento"));
    const NodoXml* partitaIva = header->percorso(u"CedentePrestatore/DatiAnagrafici/IdFiscaleIVA/IdCodice");
    if (!partitaIva) // the simplified layout
        partitaIva = header->percorso(u"CedentePrestatore/IdFiscaleIVA/IdCodice");
    confrontaTesto(partitaIva, testata.value(QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice")),
                   QStringLiteral("CP_DA_IdFiscaleIVA_IdCodice"));

    const QString tipo =
        dgd->figlio(u"TipoDocumento") ? dgd->figlio(u"TipoDocumento")->testo.trimmed() : QString();
    const bool semplificata = tipo == u"TD07" || tipo == u"TD08" || tipo == u"TD09";

    // Lines
    std::vector<const NodoXml*> linee;
    std::vector<const NodoXml*> riepiloghi;
    for (const NodoXml* dbs : body.tutti(u"DatiBeniServizi")) {
        if (semplificata) {
            linee.push_back(dbs);
            continue;
        }
        for (const NodoXml* l : dbs->tutti(u"DettaglioLinee"))
            linee.push_back(l);
        for (const NodoXml* r : dbs->tutti(u"DatiRiepilogo"))
            riepiloghi.push_back(r);
    }
    const QJsonArray dett = fattura.value(QStringLiteral("FatXmlDett")).toArray();
    ASSERT_EQ(dett.size(), static_cast<qsizetype>(linee.size())) << "righe di dettaglio";
    for (size_t i = 0; i < linee.size(); ++i) {
        const NodoXml& l = *linee[i];
        const QJsonObject r = dett[static_cast<qsizetype>(i)].toObject();
        const QString riga = QStringLiteral("riga %1 ").arg(i + 1);
        EXPECT_EQ(r.value(QStringLiteral("XmlRigDet")).toInteger(), static_cast<qint64>(i + 1));
        confrontaTesto(l.figlio(u"Descrizione"), r.value(QStringLiteral("Descrizione")),
                       riga + QStringLiteral("Descrizione"));
        if (!semplificata) {
            for (const char* c : {"Quantita", "PrezzoUnitario", "PrezzoTotale", "AliquotaIVA"})
                confrontaImporto(l.figlio(QLatin1String(c)), r.value(QLatin1String(c)),
                                 riga + QLatin1String(c));
            continue;
        }
        // A simplified invoice's block is one line of quantity 1 whose Importo is both
        // prices; DatiIVA says what AliquotaIVA holds, marked by NumIvaDoppia.
        EXPECT_EQ(r.value(QStringLiteral("Quantita")).toDouble(), 1.0) << riga.toStdString();
        confrontaImporto(l.figlio(u"Importo"), r.value(QStringLiteral("PrezzoUnitario")),
                         riga + QStringLiteral("PrezzoUnitario"));
        confrontaImporto(l.figlio(u"Importo"), r.value(QStringLiteral("PrezzoTotale")),
                         riga + QStringLiteral("PrezzoTotale"));
        const NodoXml* datiIva = l.figlio(u"DatiIVA");
        const QJsonValue numIvaDoppia = r.value(QStringLiteral("NumIvaDoppia"));
        const QString cosa = riga + QStringLiteral("AliquotaIVA da DatiIVA");
        if (datiIva && datiIva->figli.empty()) {
            EXPECT_TRUE(r.value(QStringLiteral("AliquotaIVA")).isNull()) << cosa.toStdString();
            EXPECT_EQ(numIvaDoppia.toInteger(), -999) << cosa.toStdString();
        } else if (datiIva && datiIva->figli[0]->nome == u"Imposta" && datiIva->figli.size() == 1) {
            confrontaImporto(datiIva->figli[0].get(), r.value(QStringLiteral("AliquotaIVA")), cosa);
            EXPECT_EQ(numIvaDoppia.toInteger(), -999) << cosa.toStdString();
        } else if (datiIva && datiIva->figli[0]->nome == u"Imposta") {
            confrontaImporto(datiIva->figli[1].get(), r.value(QStringLiteral("AliquotaIVA")), cosa);
            EXPECT_EQ(numIvaDoppia.toInteger(), -998) << cosa.toStdString();
        } else {
            confrontaImporto(datiIva ? datiIva->figli[0].get() : nullptr,
                             r.value(QStringLiteral("AliquotaIVA")), cosa);
            EXPECT_TRUE(numIvaDoppia.isNull() || numIvaDoppia.toInteger() == 0) << cosa.toStdString();
        }
    }

    // VAT summary
    const QJsonArray iva = fattura.value(QStringLiteral("FatXmlIva")).toArray();
    ASSERT_EQ(iva.size(), static_cast<qsizetype>(riepiloghi.size())) << "righe di riepilogo IVA";
    for (size_t i = 0; i < riepiloghi.size(); ++i) {
        const NodoXml& x = *riepiloghi[i];
        const QJsonObject r = iva[static_cast<qsizetype>(i)].toObject();
        const QString riga = QStringLiteral("riepilogo %1 ").arg(i + 1);
        for (const char* c : {"AliquotaIVA", "ImponibileImporto", "Imposta"})
            confrontaImporto(x.figlio(QLatin1String(c)), r.value(QLatin1String(c)), riga + QLatin1String(c));
        confrontaTesto(x.figlio(u"Natura"), r.value(QStringLiteral("Natura")),
                       riga + QStringLiteral("Natura"));
    }

    // Payments: every DettaglioPagamento of every DatiPagamento, in order
    std::vector<std::pair<const NodoXml*, int>> dettagli;
    int condizione = 0;
    for (const NodoXml* dp : body.tutti(u"DatiPagamento")) {
        ++condizione;
        for (const NodoXml* d : dp->tutti(u"DettaglioPagamento"))
            dettagli.emplace_back(d, condizione);
    }
    const QJsonArray pag = fattura.value(QStringLiteral("FatXmlPag")).toArray();
    ASSERT_EQ(pag.size(), static_cast<qsizetype>(dettagli.size())) << "righe di pagamento";
    for (size_t i = 0; i < dettagli.size(); ++i) {
        const NodoXml& x = *dettagli[i].first;
        const QJsonObject r = pag[static_cast<qsizetype>(i)].toObject();
        const QString riga = QStringLiteral("pagamento %1 ").arg(i + 1);
        EXPECT_EQ(r.value(QStringLiteral("NumCond")).toInteger(), dettagli[i].second) << riga.toStdString();
        confrontaImporto(x.figlio(u"ImportoPagamento"), r.value(QStringLiteral("ImportoPagamento")),
                         riga + QStringLiteral("ImportoPagamento"));
        confrontaData(x.figlio(u"DataScadenzaPagamento"), r.value(QStringLiteral("DataScadenzaPagamento")),
                      riga + QStringLiteral("DataScadenzaPagamento"));
        confrontaTesto(x.figlio(u"ModalitaPagamento"), r.value(QStringLiteral("ModalitaPagamento")),
                       riga + QStringLiteral("ModalitaPagamento"));
    }
}

// ---- Invoices written for the tests -------------------------------------------------------------

struct LineaProva {
    QString descrizione;
    QString totale;      // PrezzoTotale, also the taxable amount of its summary row
    QString aliquota;    // AliquotaIVA
    QString natura = {}; // empty for a taxable line
};

QString imposta(const QString& totale, const QString& aliquota) {
    using tesel::Currency;
    return Currency::percentuale(*Currency::daTesto(totale), *Currency::daTesto(aliquota), 2,
                                 tesel::Arrotondamento::S)
        .testoXml(2);
}

// A small but complete FatturaPA invoice of one body.
QByteArray fatturaProva(const QString& partitaIva, const QString& denominazione, const QString& data,
                        const QString& numero, const std::vector<LineaProva>& linee) {
    QString righe, riepilogo;
    int n = 0;
    for (const LineaProva& l : linee) {
        const QString natura =
            l.natura.isEmpty() ? QString() : QStringLiteral("<Natura>%1</Natura>").arg(l.natura);
        const QString esigibilita =
            l.natura.isEmpty() ? QStringLiteral("<EsigibilitaIVA>I</EsigibilitaIVA>")
                               : QStringLiteral("<RiferimentoNormativo>Art. 2</RiferimentoNormativo>");
        righe += QStringLiteral("<DettaglioLinee>"
                                "<NumeroLinea>%1</NumeroLinea>"
                                "<Descrizione>%2</Descrizione>"
                                "<Quantita>1.00</Quantita>"
                                "<PrezzoUnitario>%3</PrezzoUnitario>"
                                "<PrezzoTotale>%3</PrezzoTotale>"
                                "<AliquotaIVA>%4</AliquotaIVA>%5"
                                "</DettaglioLinee>")
                     .arg(++n)
                     .arg(l.descrizione, l.totale, l.aliquota, natura);
        riepilogo += QStringLiteral("<DatiRiepilogo>"
                                    "<AliquotaIVA>%1</AliquotaIVA>%2"
                                    "<ImponibileImporto>%3</ImponibileImporto>"
                                    "<Imposta>%4</Imposta>%5"
                                    "</DatiRiepilogo>")
                         .arg(l.aliquota, natura, l.totale, imposta(l.totale, l.aliquota), esigibilita);
    }
    return QStringLiteral(
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
               "<p:FatturaElettronica versione=\"FPR12\" "
               "xmlns:p=\"http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2\">"
               "<FatturaElettronicaHeader>"
               "<DatiTrasmissione>"
               "<IdTrasmittente><IdPaese>IT</IdPaese><IdCodice>%1</IdCodice></IdTrasmittente>"
               "<ProgressivoInvio>%4</ProgressivoInvio>"
               "<FormatoTrasmissione>FPR12</FormatoTrasmissione>"
               "<CodiceDestinatario>0000000</CodiceDestinatario>"
               "</DatiTrasmissione>"
               "<CedentePrestatore>"
               "<DatiAnagrafici>"
               "<IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>%1</IdCodice></IdFiscaleIVA>"
               "<CodiceFiscale>%1</CodiceFiscale>"
               "<Anagrafica><Denominazione>%2</Denominazione></Anagrafica>"
               "<RegimeFiscale>RF01</RegimeFiscale>"
               "</DatiAnagrafici>"
               "<Sede><Indirizzo>Via Roma</Indirizzo><NumeroCivico>1</NumeroCivico><CAP>65100</CAP>"
               "<Comune>Pescara</Comune><Provincia>PE</Provincia><Nazione>IT</Nazione></Sede>"
               "</CedentePrestatore>"
               "<CessionarioCommittente>"
               "<DatiAnagrafici>"
               "<IdFiscaleIVA><IdPaese>IT</IdPaese><IdCodice>01234567890</IdCodice></IdFiscaleIVA>"
               "<Anagrafica><Denominazione>Demo Srl</Denominazione></Anagrafica>"
               "</DatiAnagrafici>"
               "<Sede><Indirizzo>Via Verdi 2</Indirizzo><CAP>20100</CAP><Comune>Milano</Comune>"
               "<Provincia>MI</Provincia><Nazione>IT</Nazione></Sede>"
               "</CessionarioCommittente>"
               "</FatturaElettronicaHeader>"
               "<FatturaElettronicaBody>"
               "<DatiGenerali><DatiGeneraliDocumento>"
               "<TipoDocumento>TD01</TipoDocumento><Divisa>EUR</Divisa>"
               "<Data>%3</Data><Numero>%4</Numero>"
               "</DatiGeneraliDocumento></DatiGenerali>"
               "<DatiBeniServizi>%5%6</DatiBeniServizi>"
               "</FatturaElettronicaBody>"
               "</p:FatturaElettronica>\n")
        .arg(partitaIva, denominazione, data, numero, righe, riepilogo)
        .toUtf8();
}

bool scriviFile(const QString& percorso, const QByteArray& dati) {
    QFile f(percorso);
    return f.open(QIODevice::WriteOnly) && f.write(dati) == dati.size();
}

// ---- The fixture: a demo company reached through a profile, and tesel-cli -------------------

struct Esito {
    int codice = -1;
    QString uscita, errori;
};

class ImportCli : public ConDatabase {
protected:
    void SetUp() override {
        ConDatabase::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(cartella_.isValid());
        ini_ = scriviProfilo(cartella_.path());
        ASSERT_FALSE(ini_.isEmpty());
        const Esito init =
            esegui({QStringLiteral("init-db"), QStringLiteral("--ini"), ini_, QStringLiteral("--demo")});
        ASSERT_EQ(init.codice, 0) << init.errori.toStdString();
    }

    static QProcess* avvia(const QStringList& argomenti, QObject* padre = nullptr) {
        auto* p = new QProcess(padre);
        p->start(QStringLiteral(TESEL_CLI), argomenti);
        return p;
    }
    static Esito attendi(QProcess& p) {
        const bool finito = p.waitForFinished(-1);
        EXPECT_TRUE(finito && p.exitStatus() == QProcess::NormalExit)
            << "tesel-cli non è terminato normalmente";
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
                QString::fromUtf8(p.readAllStandardError())};
    }
    static Esito esegui(const QStringList& argomenti) {
        std::unique_ptr<QProcess> p(avvia(argomenti));
        return attendi(*p);
    }

    QStringList argomentiImport(const QStringList& file, const QStringList& opzioni = {}) const {
        return QStringList{QStringLiteral("import"), QStringLiteral("--ini"), ini_} + opzioni +
               QStringList{QStringLiteral("--json")} + file;
    }
    // One JSON object a line of an import's output.
    static std::vector<QJsonObject> righeJson(const Esito& e) {
        std::vector<QJsonObject> r;
        for (const QString& riga : e.uscita.split(u'\n', Qt::SkipEmptyParts)) {
            QJsonParseError errore{};
            const QJsonDocument d = QJsonDocument::fromJson(riga.toUtf8(), &errore);
            EXPECT_TRUE(d.isObject()) << "riga non JSON: " << riga.toStdString();
            r.push_back(d.object());
        }
        return r;
    }
    std::vector<QJsonObject> importa(const QStringList& file, const QStringList& opzioni = {},
                                     int codiceAtteso = 0) {
        const Esito e = esegui(argomentiImport(file, opzioni));
        EXPECT_EQ(e.codice, codiceAtteso) << e.uscita.toStdString() << e.errori.toStdString();
        return righeJson(e);
    }
    QJsonObject mostra(int anno, qint64 numero) {
        const Esito e = esegui({QStringLiteral("show"), QStringLiteral("--ini"), ini_, QString::number(anno),
                                QString::number(numero), QStringLiteral("--json")});
        EXPECT_EQ(e.codice, 0) << e.errori.toStdString();
        const QJsonDocument d = QJsonDocument::fromJson(e.uscita.toUtf8());
        EXPECT_TRUE(d.isObject()) << e.uscita.left(500).toStdString();
        return d.object();
    }
    QString fileProva(const QString& nome, const QByteArray& dati) {
        const QString p = cartella_.filePath(nome);
        EXPECT_TRUE(scriviFile(p, dati)) << p.toStdString();
        return p;
    }
    qint64 fattureMemorizzate() {
        return db().valore(QStringLiteral("SELECT count(*) FROM FatXmlTest")).toLongLong();
    }

    QTemporaryDir cartella_;
    QString ini_;
};

QString testo(const QJsonObject& o, const char* chiave) {
    return o.value(QLatin1String(chiave)).toString();
}

// ---- The sample invoices -----------------------------------------------------------------------

TEST_F(ImportCli, shouldImportEverySampleInvoiceAndStoreWhatEachFileSays) {
    const QString radiceFatture = tesel::prova::fileFixture(QStringLiteral("fatture"));
    QStringList relativi;
    for (QDirIterator it(radiceFatture, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        relativi << QDir(radiceFatture).relativeFilePath(it.next());
    std::sort(relativi.begin(), relativi.end());
    ASSERT_GE(relativi.size(), 70) << "fatture di prova mancanti in " << radiceFatture.toStdString();

    // Files a correct import refuses, with the message it must give.
    QHash<QString, QString> rifiutati{
        {QStringLiteral("net-fatturaelettronica/IT02182030391_31_tampered.xml.p7m"),
         QStringLiteral(
             "\r\nFile: IT02182030391_31_tampered.xml.p7m Busta di firma .p7m non valida o danneggiata: "
             "impossibile estrarre la fattura")},
        {QStringLiteral("tesel/modello_vuoto_v1.0.xml"),
         QStringLiteral(
             "\r\nTag DGD_Data con data non valida\r\nFile: modello_vuoto_v1.0.xml Manca la Data Fattura")},
        {QStringLiteral("tesel/modello_vuoto_v1.1.xml"),
         QStringLiteral(
             "\r\nTag DGD_Data con data non valida\r\nFile: modello_vuoto_v1.1.xml Manca la Data Fattura")},
        {QStringLiteral("tesel/senza_CedentePrestatore.xml"),
         QStringLiteral("\r\nFile: senza_CedentePrestatore.xml Manca il cedente/prestatore (fornitore)")},
    };
    for (auto it = rifiutati.cbegin(); it != rifiutati.cend(); ++it)
        ASSERT_TRUE(relativi.contains(it.key())) << "fattura di prova mancante: " << it.key().toStdString();
    // NomeFile is unique: a file name met again in a later folder is refused as already loaded.
    QSet<QString> nomiVisti;
    for (const QString& r : relativi) {
        const QString nome = QFileInfo(r).fileName();
        if (nomiVisti.contains(nome))
            rifiutati.insert(r, QStringLiteral("\r\nFile ") + nome + QStringLiteral(" già caricato"));
        nomiVisti.insert(nome);
    }

    // Files that import with a message: a text too long for its column is cut, on every engine.
    const QHash<QString, QString> avvisi{
        {QStringLiteral("php-fatturaelettronica/IT01234567890_11001_payment_details.xml"),
         QStringLiteral("\r\nTag ABI troncato a 5 caratteri: ABC123")},
    };

    // The bodies of every file that must import, read here.
    QHash<QString, std::shared_ptr<NodoXml>> alberi;
    int corpiAttesi = 0;
    for (const QString& r : relativi) {
        if (rifiutati.contains(r))
            continue;
        QString errore;
        std::shared_ptr<NodoXml> radice = documento(QDir(radiceFatture).filePath(r), errore);
        ASSERT_TRUE(radice) << r.toStdString() << ": " << errore.toStdString();
        // FatturaElettronica, or FatturaElettronicaSemplificata
        ASSERT_TRUE(radice->nome.startsWith(QStringLiteral("FatturaElettronica"))) << r.toStdString();
        const int corpi = static_cast<int>(radice->tutti(u"FatturaElettronicaBody").size());
        ASSERT_GE(corpi, 1) << r.toStdString();
        corpiAttesi += corpi;
        alberi.insert(r, radice);
    }

    QStringList percorsi;
    for (const QString& r : relativi)
        percorsi << QDir(radiceFatture).filePath(r);
    const std::vector<QJsonObject> esiti = importa(percorsi, {}, 1);

    struct Caricata {
        QString relativo;
        int corpo;
        int anno;
        qint64 numero;
        QString partitaIva;
    };
    std::vector<Caricata> caricate;
    QHash<QString, int> righePerFile;
    for (const QJsonObject& o : esiti) {
        const QString relativo = QDir(radiceFatture).relativeFilePath(testo(o, "file"));
        ++righePerFile[relativo];
        SCOPED_TRACE(relativo.toStdString());
        if (rifiutati.contains(relativo)) {
            EXPECT_FALSE(o.value(QStringLiteral("ok")).toBool());
            EXPECT_EQ(st(testo(o, "errori")), st(rifiutati.value(relativo)));
            EXPECT_TRUE(o.value(QStringLiteral("XmlNumRif")).isNull());
            continue;
        }
        EXPECT_TRUE(o.value(QStringLiteral("ok")).toBool()) << testo(o, "errori").toStdString();
        EXPECT_EQ(st(testo(o, "errori")), st(avvisi.value(relativo)));
        if (o.value(QStringLiteral("ok")).toBool())
            caricate.push_back({relativo, o.value(QStringLiteral("corpo")).toInt(),
                                o.value(QStringLiteral("XmlAnno")).toInt(),
                                o.value(QStringLiteral("XmlNumRif")).toInteger(), testo(o, "PartitaIva")});
    }
    // One line per body of each importable file, one per refused file.
    for (const QString& r : relativi) {
        const int attese = rifiutati.contains(r)
                               ? 1
                               : static_cast<int>(alberi.value(r)->tutti(u"FatturaElettronicaBody").size());
        EXPECT_EQ(righePerFile.value(r), attese) << r.toStdString();
    }
    EXPECT_EQ(static_cast<int>(caricate.size()), corpiAttesi);
    EXPECT_EQ(fattureMemorizzate(), corpiAttesi) << "fatture memorizzate diverse dai corpi da caricare";

    QSet<QPair<int, qint64>> chiavi;
    for (const Caricata& c : caricate) {
        SCOPED_TRACE(QStringLiteral("%1 corpo %2 (%3/%4)")
                         .arg(c.relativo)
                         .arg(c.corpo)
                         .arg(c.anno)
                         .arg(c.numero)
                         .toStdString());
        EXPECT_FALSE(chiavi.contains({c.anno, c.numero})) << "chiave assegnata due volte";
        chiavi.insert({c.anno, c.numero});
        const QJsonObject fattura = mostra(c.anno, c.numero);
        const QJsonObject testata = fattura.value(QStringLiteral("FatXmlTest")).toObject();
        EXPECT_EQ(st(testo(testata, "NomeFile")),
                  st(tesel::nomeFileCorpo(QFileInfo(c.relativo).fileName(), c.corpo)));
        EXPECT_EQ(testata.value(QStringLiteral("XmlAnno")).toInt(), c.anno);
        EXPECT_EQ(testata.value(QStringLiteral("DGD_Data")).toString().left(4).toInt(), c.anno);
        EXPECT_EQ(st(testo(testata, "Contabilizzato")), "N");
        EXPECT_EQ(st(testo(testata, "CP_DA_IdFiscaleIVA_IdCodice")), st(c.partitaIva));
        confrontaFattura(*alberi.value(c.relativo), c.corpo, fattura);
        controllaLunghezze(fattura);
    }
}

// ---- Two workstations at once --------------------------------------------------------------------

TEST_F(ImportCli, shouldNumberInvoicesOfTwoProcessesImportingAtTheSameMomentWithoutClashes) {
    constexpr int Giri = 5, FilePerProcesso = 4;
    std::vector<qint64> numeri;
    for (int giro = 1; giro <= Giri; ++giro) {
        QStringList file[2];
        for (int p = 0; p < 2; ++p)
            for (int k = 1; k <= FilePerProcesso; ++k) {
                const QString numero = QStringLiteral("G%1-P%2-%3").arg(giro).arg(p).arg(k);
                file[p] << fileProva(
                    numero + QStringLiteral(".xml"),
                    fatturaProva(
                        QStringLiteral("03981270683"), QStringLiteral("Ferramenta Adriatica Srl"),
                        QStringLiteral("2023-06-%1").arg(k + 10), numero,
                        {{QStringLiteral("Viti"), QStringLiteral("100.00"), QStringLiteral("22.00")}}));
            }
        // Both started before either is waited for.
        std::unique_ptr<QProcess> primo(avvia(argomentiImport(file[0])));
        std::unique_ptr<QProcess> secondo(avvia(argomentiImport(file[1])));
        const Esito e1 = attendi(*primo);
        const Esito e2 = attendi(*secondo);
        for (const Esito* e : {&e1, &e2}) {
            EXPECT_EQ(e->codice, 0) << e->uscita.toStdString() << e->errori.toStdString();
            const std::vector<QJsonObject> righe = righeJson(*e);
            EXPECT_EQ(static_cast<int>(righe.size()), FilePerProcesso);
            for (const QJsonObject& o : righe) {
                EXPECT_TRUE(o.value(QStringLiteral("ok")).toBool()) << testo(o, "errori").toStdString();
                EXPECT_EQ(o.value(QStringLiteral("XmlAnno")).toInt(), 2023);
                numeri.push_back(o.value(QStringLiteral("XmlNumRif")).toInteger());
            }
        }
    }
    // Every invoice got its own number, and together they fill 1..N without a gap.
    std::sort(numeri.begin(), numeri.end());
    std::vector<qint64> attesi(2 * Giri * FilePerProcesso);
    for (size_t i = 0; i < attesi.size(); ++i)
        attesi[i] = static_cast<qint64>(i + 1);
    EXPECT_EQ(numeri, attesi);
    EXPECT_EQ(fattureMemorizzate(), static_cast<qint64>(attesi.size()));
}

// ---- Options ---------------------------------------------------------------------------------

TEST_F(ImportCli, shouldCreateTheUnknownSupplierInTheGivenLedgerOnlyWhenAsked) {
    const std::vector<LineaProva> linea{
        {QStringLiteral("Consulenza"), QStringLiteral("500.00"), QStringLiteral("22.00")}};
    const QString senza =
        fileProva(QStringLiteral("nuovo1.xml"),
                  fatturaProva(QStringLiteral("09876543210"), QStringLiteral("Nuovo Fornitore Srl"),
                               QStringLiteral("2024-02-01"), QStringLiteral("N1"), linea));
    const QString con1 =
        fileProva(QStringLiteral("nuovo2.xml"),
                  fatturaProva(QStringLiteral("09876543210"), QStringLiteral("Nuovo Fornitore Srl"),
                               QStringLiteral("2024-02-02"), QStringLiteral("N2"), linea));
    const QString con2 =
        fileProva(QStringLiteral("nuovo3.xml"),
                  fatturaProva(QStringLiteral("09876543210"), QStringLiteral("Nuovo Fornitore Srl"),
                               QStringLiteral("2024-02-03"), QStringLiteral("N3"), linea));
    const auto contaConti = [&] {
        return db()
            .valore(QStringLiteral("SELECT count(*) FROM PianoConti WHERE PartIva = '09876543210'"))
            .toInt();
    };

    const std::vector<QJsonObject> r0 = importa({senza});
    ASSERT_EQ(r0.size(), 1u);
    ASSERT_TRUE(r0[0].value(QStringLiteral("ok")).toBool()) << testo(r0[0], "errori").toStdString();
    const QJsonObject t0 = mostra(2024, r0[0].value(QStringLiteral("XmlNumRif")).toInteger())
                               .value(QStringLiteral("FatXmlTest"))
                               .toObject();
    EXPECT_TRUE(testo(t0, "ContoFor").isEmpty()) << "fornitore sconosciuto senza --create-suppliers";
    EXPECT_EQ(contaConti(), 0);

    const std::vector<QJsonObject> r = importa(
        {con1, con2}, {QStringLiteral("--create-suppliers"), QStringLiteral("40"), QStringLiteral("10")});
    ASSERT_EQ(r.size(), 2u);
    for (const QJsonObject& o : r) {
        ASSERT_TRUE(o.value(QStringLiteral("ok")).toBool()) << testo(o, "errori").toStdString();
        const QJsonObject t = mostra(2024, o.value(QStringLiteral("XmlNumRif")).toInteger())
                                  .value(QStringLiteral("FatXmlTest"))
                                  .toObject();
        // The demo's last supplier of 40.10 is 1012: the new one is the next free account.
        EXPECT_EQ(st(testo(t, "GruppoFor")), "40");
        EXPECT_EQ(st(testo(t, "MastroFor")), "10");
        EXPECT_EQ(st(testo(t, "ContoFor")), "1013");
    }
    // Created once, by the first file; the second finds it.
    EXPECT_EQ(contaConti(), 1);
    EXPECT_EQ(
        db().valore(QStringLiteral("SELECT Descrizione FROM PianoConti WHERE Gruppo = '40' AND Mastro = '10' "
                                   "AND Conto = '1013' AND Tipo = 2"))
            .toString()
            .trimmed()
            .toStdString(),
        "Nuovo Fornitore Srl");
}

TEST_F(ImportCli, shouldUseTheVatCodeForcedForANatureOnLinesAndSummaryOnly) {
    // NS is the demo's preferred N2.2 code; NSF is another N2.2 code it would never choose.
    const std::vector<LineaProva> linee{
        {QStringLiteral("Marca da bollo"), QStringLiteral("2.00"), QStringLiteral("0.00"),
         QStringLiteral("N2.2")},
        {QStringLiteral("Viti"), QStringLiteral("100.00"), QStringLiteral("22.00")}};
    const QString normale =
        fileProva(QStringLiteral("natura1.xml"),
                  fatturaProva(QStringLiteral("03981270683"), QStringLiteral("Ferramenta Adriatica Srl"),
                               QStringLiteral("2024-05-10"), QStringLiteral("A1"), linee));
    const QString forzato =
        fileProva(QStringLiteral("natura2.xml"),
                  fatturaProva(QStringLiteral("03981270683"), QStringLiteral("Ferramenta Adriatica Srl"),
                               QStringLiteral("2024-05-11"), QStringLiteral("A2"), linee));
    const std::vector<QJsonObject> r1 = importa({normale});
    const std::vector<QJsonObject> r2 =
        importa({forzato}, {QStringLiteral("--iva-natura"), QStringLiteral("N2.2=NSF")});
    ASSERT_EQ(r1.size(), 1u);
    ASSERT_EQ(r2.size(), 1u);
    const QJsonObject f1 = mostra(2024, r1[0].value(QStringLiteral("XmlNumRif")).toInteger());
    const QJsonObject f2 = mostra(2024, r2[0].value(QStringLiteral("XmlNumRif")).toInteger());
    const auto iva = [](const QJsonObject& f, const char* tabella, int i) {
        return st(testo(f.value(QLatin1String(tabella)).toArray().at(i).toObject(), "Iva"));
    };
    ASSERT_FALSE(iva(f1, "FatXmlDett", 0).empty());
    EXPECT_NE(iva(f1, "FatXmlDett", 0), "NSF");
    EXPECT_EQ(iva(f2, "FatXmlDett", 0), "NSF");
    EXPECT_EQ(iva(f2, "FatXmlIva", 0), "NSF");
    // The taxable line keeps the code of its rate, with or without the forced nature.
    EXPECT_EQ(iva(f2, "FatXmlDett", 1), iva(f1, "FatXmlDett", 1));
    EXPECT_EQ(iva(f2, "FatXmlIva", 1), iva(f1, "FatXmlIva", 1));
    EXPECT_NE(iva(f2, "FatXmlDett", 1), "NSF");
}

// A forced code the company lacks stops the run before any file: each fault is named.
TEST_F(ImportCli, shouldRefuseForcedCodesTheCompanyDoesNotHaveAndImportNothing) {
    const QString file = fileProva(
        QStringLiteral("forzati.xml"),
        fatturaProva(QStringLiteral("03981270683"), QStringLiteral("Ferramenta Adriatica Srl"),
                     QStringLiteral("2024-05-10"), QStringLiteral("F1"),
                     {{QStringLiteral("Viti"), QStringLiteral("100.00"), QStringLiteral("22.00")}}));
    const Esito e = esegui(argomentiImport({file}, {QStringLiteral("--causale"), QStringLiteral("XXX"),
                                                    QStringLiteral("--iva-natura"), QStringLiteral("N9=NSF"),
                                                    QStringLiteral("--iva"), QStringLiteral("ZZ")}));
    EXPECT_EQ(e.codice, 2);
    EXPECT_EQ(e.errori, "XXX: Causale inesistente\nN9: Natura inesistente\nZZ: Codice IVA inesistente\n");
    EXPECT_EQ(e.uscita, QString());
    EXPECT_EQ(fattureMemorizzate(), 0);
}

TEST_F(ImportCli, shouldReplaceAnInvoiceOnlyWithOverwriteKeepingItsNumber) {
    const QString nome = QStringLiteral("IT03981270683_00042.xml");
    const QString percorso = fileProva(
        nome,
        fatturaProva(QStringLiteral("03981270683"), QStringLiteral("Ferramenta Adriatica Srl"),
                     QStringLiteral("2024-09-01"), QStringLiteral("42"),
                     {{QStringLiteral("Prima versione"), QStringLiteral("10.00"), QStringLiteral("22.00")}}));
    const QString altro = fileProva(
        QStringLiteral("altro.xml"),
        fatturaProva(QStringLiteral("03981270683"), QStringLiteral("Ferramenta Adriatica Srl"),
                     QStringLiteral("2024-09-02"), QStringLiteral("43"),
                     {{QStringLiteral("Altra"), QStringLiteral("20.00"), QStringLiteral("22.00")}}));
    const std::vector<QJsonObject> primo = importa({percorso, altro});
    ASSERT_EQ(primo.size(), 2u);
    const qint64 numero = primo[0].value(QStringLiteral("XmlNumRif")).toInteger();

    // The sender corrects the file: two lines now.
    ASSERT_TRUE(scriviFile(
        percorso,
        fatturaProva(QStringLiteral("03981270683"), QStringLiteral("Ferramenta Adriatica Srl"),
                     QStringLiteral("2024-09-01"), QStringLiteral("42"),
                     {{QStringLiteral("Seconda versione"), QStringLiteral("30.00"), QStringLiteral("22.00")},
                      {QStringLiteral("Riga aggiunta"), QStringLiteral("5.00"), QStringLiteral("0.00"),
                       QStringLiteral("N2.2")}})));

    const std::vector<QJsonObject> rifiutato = importa({percorso}, {}, 1);
    ASSERT_EQ(rifiutato.size(), 1u);
    EXPECT_FALSE(rifiutato[0].value(QStringLiteral("ok")).toBool());
    EXPECT_EQ(st(testo(rifiutato[0], "errori")),
              st(QStringLiteral("\r\nFile ") + nome + QStringLiteral(" già caricato")));
    EXPECT_EQ(st(testo(mostra(2024, numero).value(QStringLiteral("FatXmlDett")).toArray().at(0).toObject(),
                       "Descrizione")),
              "Prima versione");

    const std::vector<QJsonObject> sostituito = importa({percorso}, {QStringLiteral("--overwrite")}, 0);
    ASSERT_EQ(sostituito.size(), 1u);
    EXPECT_TRUE(sostituito[0].value(QStringLiteral("ok")).toBool())
        << testo(sostituito[0], "errori").toStdString();
    EXPECT_EQ(sostituito[0].value(QStringLiteral("XmlNumRif")).toInteger(), numero);
    const QJsonObject f = mostra(2024, numero);
    const QJsonArray dett = f.value(QStringLiteral("FatXmlDett")).toArray();
    ASSERT_EQ(dett.size(), 2);
    EXPECT_EQ(st(testo(dett.at(0).toObject(), "Descrizione")), "Seconda versione");
    EXPECT_EQ(dett.at(0).toObject().value(QStringLiteral("PrezzoTotale")).toDouble(), 30.0);
    EXPECT_EQ(f.value(QStringLiteral("FatXmlIva")).toArray().size(), 2);
    EXPECT_EQ(fattureMemorizzate(), 2);
}

} // namespace
