#include "frame/hash.h"
#include "frame/testoxml.h"
#include "support/dbprova.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

using namespace tesel;

namespace {

// ---- DecodificaTestoXml ------------------------------------------------------------------

struct CasoDecodifica {
    const char* nome;
    const char16_t* ingresso;
    const char16_t* atteso;
};

// clang-format off
const CasoDecodifica casiDecodifica[] = {
    {"testoSemplice", u"Fornitura carta", u"Fornitura carta"}, {"vuoto", u"", u""},
    {"ampersandPoiACapoNumerici", u"&amp;&#13;&#10;", u"&\r\n"},
    {"ampersandDavantiAlRiferimentoNonLoEspande", u"&amp;#10;", u"&#10;"},
    {"acapoEsadecimali", u"a&#xD;&#xA;b", u"a\r\nb"}, {"cdataPerdeLaCornice", u"<![CDATA[Nota]]>", u"Nota"},
    {"cdataInMinuscoloESeguitoDaiPassi", u"<![cdata[a &amp; b&#10;]]>", u"a & b\n"},
    {"cdataTroncatoDiventaVuoto", u"<![CDATA[ab", u""},
    {"cdataSoloInTesta", u"x<![CDATA[y]]>", u"x<![CDATA[y]]>"},
    {"riferimentiDecimali", u"&#8364; &#224;&#0065;", u"€ àA"},
    {"riferimentiEsadecimali", u"&#x20AC;&#X41;&#xe8;", u"€Aè"},
    {"carattereFuoriDalPianoBase", u"&#128512;", u"\U0001F600"},
    {"riferimentiNonValidiRestano", u"&#;&#x;&#65&#0;&#55296;&#1114112;&#12a;",
     u"&#;&#x;&#65&#0;&#55296;&#1114112;&#12a;"},
    {"riferimentoNonRiletto", u"&#38;#65;", u"&#65;"}, {"entitaInUnaSolaPassata", u"&amp;lt;", u"&lt;"},
    {"entitaPredefinite", u"&lt;a&gt; &quot;x&quot; &apos;y&apos; &amp;", u"<a> \"x\" 'y' &"},
    {"riferimentoPoiEntita", u"&#38;lt;", u"<"}, {"entitaSconosciuta", u"&euro; &nbsp;", u"&euro; &nbsp;"},
    {"aCapoHtml", u"riga1<br />riga2<br/>riga3", u"riga1\r\nriga2\r\nriga3"},
    {"aCapoHtmlDaEntita", u"a&lt;br /&gt;b", u"a\r\nb"},
    {"aCapoHtmlMaiuscoloResta", u"a<BR/>b<br>c", u"a<BR/>b<br>c"},
};
// clang-format on

} // namespace

TEST(TestoXml, decodesInStepOrderAndDropsTheDeclaration) {
    for (const CasoDecodifica& c : casiDecodifica)
        EXPECT_EQ(DecodificaTestoXml(QString::fromUtf16(c.ingresso)), QString::fromUtf16(c.atteso)) << c.nome;

    // The declaration goes up to its first end, if there is one.
    EXPECT_EQ(TogliDichiarazione(QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>1</a>")),
              QLatin1String("<a>1</a>"));
    EXPECT_EQ(TogliDichiarazione(
                  QStringLiteral("<?xml version=\"1.0\"?>\r\n<?xml-stylesheet href=\"s.xsl\"?><a/>")),
              QLatin1String("\r\n<?xml-stylesheet href=\"s.xsl\"?><a/>"));
    const QString risposta = QStringLiteral("<Risposta><Esito>OK</Esito></Risposta>");
    EXPECT_EQ(TogliDichiarazione(risposta), risposta);
    EXPECT_EQ(TogliDichiarazione(QString()), QString());
}

// ---- DOM look-ups ------------------------------------------------------------------------

namespace {

const char* const fattura = R"(<?xml version="1.0" encoding="UTF-8"?>
<p:FatturaElettronica versione="FPR12" xmlns:p="http://ivaservizi.agenziaentrate.gov.it/docs/xsd/fatture/v1.2"
    xmlns:ds="http://www.w3.org/2000/09/xmldsig#">
  <FatturaElettronicaHeader>
    <DatiTrasmissione>
      <ProgressivoInvio>00001</ProgressivoInvio>
      <ContattiTrasmittente/>
      <PECDestinatario></PECDestinatario>
    </DatiTrasmissione>
  </FatturaElettronicaHeader>
  <FatturaElettronicaBody>
    <DatiGenerali>
      <DatiGeneraliDocumento>
        <Numero>FT-1</Numero>
        <Causale><![CDATA[Prima & unica]]></Causale>
        <Causale>seconda</Causale>
      </DatiGeneraliDocumento>
    </DatiGenerali>
    <DettaglioLinee><NumeroLinea>1</NumeroLinea><Descrizione>Carta &amp; penne &#8364;</Descrizione></DettaglioLinee>
    <DettaglioLinee><NumeroLinea>2</NumeroLinea><Descrizione>Toner</Descrizione></DettaglioLinee>
    <Allegati><Attachment ds:tipo="bin" Formato="png">Zm9v</Attachment></Allegati>
  </FatturaElettronicaBody>
  <FatturaElettronicaBody>
    <DatiGenerali><DatiGeneraliDocumento><Numero>FT-2</Numero></DatiGeneraliDocumento></DatiGenerali>
    <Codice/><Codice>X</Codice>
  </FatturaElettronicaBody>
</p:FatturaElettronica>
)";

class DomFattura : public ::testing::Test {
protected:
    void SetUp() override {
        QString errore;
        ASSERT_TRUE(caricaXml(doc, QByteArray(fattura), &errore)) << errore.toStdString();
    }
    pugi::xml_document doc;
};

} // namespace

// Matches count in document order below the given node; an element without child nodes is
// nothing but keeps its place; text comes decoded and joins the descendants.
TEST_F(DomFattura, findsTheNthMatchItsDecodedTextAndAnAttributeByItsLocalName) {
    const pugi::xml_node radice = NodoPerNome(doc, "p:FatturaElettronica", 0);
    ASSERT_TRUE(radice);
    EXPECT_EQ(radice, doc.document_element());
    EXPECT_FALSE(NodoPerNome(doc, "FatturaElettronica", 0));
    EXPECT_EQ(NodoPerNome(doc, "*", 1).name(), std::string("FatturaElettronicaHeader"));
    // clang-format off
    const std::tuple<const char*, int, const char*> casi[] = {
        {"Numero", 0, "FT-1"}, {"Numero", 1, "FT-2"}, {"Numero", 2, ""}, {"Numero", -1, ""},
        {"NumeroLinea", 1, "2"}, {"Causale", 0, "Prima & unica"}, {"Causale", 1, "seconda"},
        {"Descrizione", 0, "Carta & penne €"}, {"ProgressivoInvio", 0, "00001"}, {"DettaglioLinee", 1, "2Toner"},
        {"NonEsiste", 0, ""}, {"PECDestinatario", 0, ""}, {"ContattiTrasmittente", 0, ""}, {"Codice", 0, ""},
        {"Codice", 1, "X"}};
    // clang-format on
    for (const auto& [nome, indice, atteso] : casi) {
        EXPECT_EQ(TestoNodo(doc, nome, indice), QString::fromUtf8(atteso)) << nome << ' ' << indice;
        EXPECT_EQ(bool(NodoPerNome(doc, nome, indice)), *atteso != 0) << nome << ' ' << indice;
    }
    EXPECT_FALSE(NodoPerNome(pugi::xml_node(), "Numero", 0));
    const pugi::xml_node corpo2 = NodoPerNome(doc, "FatturaElettronicaBody", 1);
    ASSERT_TRUE(corpo2);
    EXPECT_EQ(TestoNodo(corpo2, "Numero"), QLatin1String("FT-2"));
    EXPECT_FALSE(NodoPerNome(corpo2, "Numero", 1));
    EXPECT_FALSE(NodoPerNome(corpo2, "FatturaElettronicaBody", 0));
    const pugi::xml_node allegato = NodoPerNome(doc, "Attachment", 0);
    ASSERT_TRUE(allegato);
    EXPECT_EQ(AttributoNodo(doc.document_element(), "versione"), QLatin1String("FPR12"));
    EXPECT_EQ(AttributoNodo(allegato, "tipo"), QLatin1String("bin"));
    EXPECT_EQ(AttributoNodo(allegato, "Formato"), QLatin1String("png"));
    EXPECT_EQ(AttributoNodo(allegato, "formato"), QString());
    EXPECT_EQ(AttributoNodo(allegato, "ds:tipo"), QString());
    EXPECT_EQ(AttributoNodo(NodoPerNome(doc, "Numero", 0), "versione"), QString());
    EXPECT_EQ(AttributoNodo(pugi::xml_node(), "versione"), QString());
}

// ---- Loading -----------------------------------------------------------------------------

TEST(CaricaXml, reportsTheParseErrorInItalianWithItsPositionAndLeavesAnEmptyDocument) {
    struct Caso {
        QByteArray dati;
        const char* messaggio;
    } casi[] = {
        {"<a><b>1</b></c>", "XML non valido: tag di chiusura non corrispondente alla posizione 13"},
        {"", "XML non valido: elemento radice mancante alla posizione 0"},
        {"<a x=1/>", "XML non valido: attributo non valido alla posizione 5"},
        {"<a><!-- x </a>", "XML non valido: commento non valido alla posizione 13"},
        {"<?xml version=\"1.0\" encoding=\"iso-8859-2\"?><a/>",
         "XML non valido: codifica non supportata (iso-8859-2) alla posizione 30"},
        // A converted file counts its own bytes.
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\xe0\x80\xe0</b>",
         "XML non valido: tag di chiusura non corrispondente alla posizione 53"},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>xxx</b>",
         "XML non valido: tag di chiusura non corrispondente alla posizione 53"},
    };
    for (const Caso& c : casi) {
        pugi::xml_document doc;
        QString errore;
        EXPECT_FALSE(caricaXml(doc, c.dati, &errore)) << c.dati.constData();
        EXPECT_EQ(errore, QLatin1String(c.messaggio)) << c.dati.constData();
    }
    pugi::xml_document doc;
    ASSERT_TRUE(caricaXml(doc, "<a><b>1</b></a>", nullptr));
    EXPECT_FALSE(caricaXml(doc, "<a><b>1</b>", nullptr));
    EXPECT_FALSE(doc.first_child());
    EXPECT_EQ(TestoNodo(doc, "b"), QString());

    // Text already decoded counts the position in characters and ignores the declared encoding.
    QString errore;
    EXPECT_FALSE(caricaXmlTesto(doc, QStringLiteral("<a>èèè</b>"), &errore));
    EXPECT_EQ(errore, QLatin1String("XML non valido: tag di chiusura non corrispondente alla posizione 8"));

    ASSERT_TRUE(caricaXmlTesto(
        doc, QStringLiteral("\uFEFF<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>€ è</a>"), &errore))
        << errore.toStdString();
    EXPECT_EQ(TestoNodo(doc, "a"), QStringLiteral("€ è"));
}

TEST(CaricaXml, decodesDeclaredEightBitEncodings) {
    struct Caso {
        QByteArray dati;
        QString atteso;
    } casi[] = {
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\x80 \xe0 \x93x\x94</a>",
         QStringLiteral("€ à “x”")},
        {"<?xml version='1.0' encoding = 'ISO-8859-1'?><a>perch\xe8 \x80</a>", QStringLiteral("perchè €")},
        {"<?xml version=\"1.0\" encoding=\"latin1\"?><a>citt\xe0</a>", QStringLiteral("città")},
        {"<?xml version=\"1.0\" encoding=\"iso-8859-15\"?><a>\xa4 \xbd</a>", QStringLiteral("€ œ")},
        // Declared windows-1252 but written in UTF-8, as real files are.
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>M\xc2\xaa"
         "F. Qt\xc3\xa0</a>",
         QStringLiteral("MªF. Qtà")},
        {"\xef\xbb\xbf<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xc3\xa8</a>", QStringLiteral("è")},
        {QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom)(
             QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>perché €</a>")),
         QStringLiteral("perché €")},
    };
    for (const Caso& c : casi) {
        pugi::xml_document doc;
        QString errore;
        ASSERT_TRUE(caricaXml(doc, c.dati, &errore)) << errore.toStdString();
        EXPECT_EQ(TestoNodo(doc, "a"), c.atteso) << c.dati.constData();
    }
}

TEST(CaricaXml, neverReadsAnExternalEntity) {
    QTemporaryDir cartella;
    ASSERT_TRUE(cartella.isValid());
    const QString segreto = cartella.filePath(QStringLiteral("segreto.txt"));
    {
        QFile f(segreto);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("CONTENUTO-RISERVATO");
    }
    const QByteArray xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [\n  <!ENTITY xxe SYSTEM \"file://" +
                           segreto.toUtf8() + "\">\n  <!ENTITY % par SYSTEM \"file://" + segreto.toUtf8() +
                           "\">\n  %par;\n]>\n<r><v>&xxe;</v><w>ok</w></r>";
    pugi::xml_document doc;
    QString errore;
    ASSERT_TRUE(caricaXml(doc, xml, &errore)) << errore.toStdString();
    EXPECT_EQ(TestoNodo(doc, "v"), QLatin1String("&xxe;"));
    EXPECT_EQ(TestoNodo(doc, "w"), QLatin1String("ok"));
    std::ostringstream tutto;
    doc.save(tutto);
    EXPECT_EQ(tutto.str().find("RISERVATO"), std::string::npos);
}

// ---- Sample invoices --------------------------------------------------------------------

namespace {

bool caricaFixture(pugi::xml_document& doc, const char* relativo) {
    QFile f(prova::fileFixture(QString::fromUtf8(relativo)));
    if (!f.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "file di prova mancante: " << f.fileName().toStdString();
        return false;
    }
    QString errore;
    const bool ok = caricaXml(doc, f.readAll(), &errore);
    EXPECT_TRUE(ok) << relativo << ": " << errore.toStdString();
    return ok;
}

} // namespace

// Markup characters inside CDATA are text, taken as they are; a file declared windows-1252 may be
// written in UTF-8.
TEST(FixtureFatture, readsRealInvoicesAndDecodesAnAttachmentWithItsDigest) {
    const std::tuple<const char*, const char*, int, const char*> casi[] = {
        {"php-fatturaelettronica/IT01234567890_11001.xml", "Numero", 0, "123"},
        {"php-fatturaelettronica/IT01234567890_11001.xml", "Data", 1, "2012-09-01"},
        {"tesel/IT02451870683_00177.xml", "Nome", 0, "Lucia"},
        {"tesel/IT02451870683_00177.xml", "Descrizione", 0,
         "Riparazione serranda <lato nord> & verniciatura"},
        {"gobl-fatturapa/invoice-windows1252.xml", "Denominazione", 0, "MªF. Services"},
    };
    for (const auto& [file, nome, indice, atteso] : casi) {
        pugi::xml_document doc;
        if (caricaFixture(doc, (std::string("fatture/") + file).c_str())) {
            EXPECT_EQ(TestoNodo(doc, nome, indice), QString::fromUtf8(atteso)) << file << ' ' << nome;
        }
    }
    pugi::xml_document doc;
    if (!caricaFixture(doc, "fatture/tesel/IT01873540684_00031.xml"))
        return;
    // The second attachment is written in lines of 76 characters.
    EXPECT_EQ(TestoNodo(doc, "NomeAttachment", 1), QLatin1String("impaginato.png"));
    const auto png = base64Decodifica(TestoNodo(doc, "Attachment", 1).toLatin1());
    ASSERT_TRUE(png.has_value());
    EXPECT_EQ(png->size(), 1894);
    EXPECT_TRUE(png->startsWith("\x89PNG\r\n\x1a\n"));
    EXPECT_TRUE(verificaSha256(
        *png, QStringLiteral("AE28268CD66769BE9DD20EA801D0776679DA24E9614BAF7AAA94F1908D455B4F")));
}
