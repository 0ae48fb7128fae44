// The reading primitives of the import: inline fragments, the exact messages asserted.

#include "frame/data.h"
#include "frame/hash.h"
#include "frame/testoxml.h"
#include "import/lettorefattura.h"
#include "import/lettorexml.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

using namespace Qt::StringLiterals;

using namespace tesel;

namespace {

// The first element named `nome` of a fragment loaded as the import loads files.
class Frammento {
public:
    explicit Frammento(const char* xml) {
        QString errore;
        caricato_ = caricaXml(doc_, QByteArray(xml), &errore);
        EXPECT_TRUE(caricato_) << errore.toStdString();
    }
    pugi::xml_node radice() const { return doc_.document_element(); }
    pugi::xml_node primo(const char* nome) const {
        return doc_.find_node([&](pugi::xml_node n) { return std::strcmp(n.name(), nome) == 0; });
    }

private:
    pugi::xml_document doc_;
    bool caricato_ = false;
};

// ---- Dates ---------------------------------------------------------------------------------

struct CasoData {
    const char* nome;
    const char* xml;
    bool usaMinimo;
    const char* attesa; // dd/mm/yyyy, or "" for no value
    const char* errori;
};

const CasoData casiData[] = {
    {"dataValida", "<Data>2019-03-31</Data>", false, "31/03/2019", ""},
    {"dataOraPerdeLOra", "<Data>2019-03-31T10:00:00</Data>", false, "31/03/2019", ""},
    {"spaziAttorno", "<Data>  2014-12-18 </Data>", false, "18/12/2014", ""},
    {"trentaFebbraio", "<Data>2019-02-30</Data>", false, "", "\r\nTag DGD_Data con data non valida"},
    {"trentaFebbraioConMinimo", "<Data>2019-02-30</Data>", true, "01/01/100",
     "\r\nTag DGD_Data con data non valida"},
    {"formatoItaliano", "<Data>31/03/2019</Data>", false, "", "\r\nTag DGD_Data con data non valida"},
    {"vuota", "<Data></Data>", true, "01/01/100", "\r\nTag DGD_Data con data non valida"},
    {"annoCento", "<Data>0100-01-01</Data>", false, "01/01/100", ""},
};

TEST(ValoreData, convertsOrReportsTheTag) {
    for (const CasoData& c : casiData) {
        SCOPED_TRACE(c.nome);
        Frammento f(c.xml);
        TestoErrori errori;
        const auto d = valoreData(f.radice(), EtichettaTag(etichetta::DGD, f.radice()), errori, c.usaMinimo);
        EXPECT_EQ(d ? testoData(*d) : QString(), QString::fromUtf8(c.attesa));
        EXPECT_EQ(errori.testo(), QString::fromUtf8(c.errori));
    }
    // A missing element: no value and no message.
    TestoErrori errori;
    EXPECT_FALSE(valoreData(pugi::xml_node(), u"DGD_Data"_s, errori).has_value());
    EXPECT_EQ(valoreData(pugi::xml_node(), u"DGD_Data"_s, errori, true), DataMancante);
    EXPECT_TRUE(errori.vuoto());
}

// ---- Amounts -------------------------------------------------------------------------------

struct CasoImporto {
    const char* nome;
    const char* xml;
    std::optional<qint64> decimillesimi;
    const char* errori;
};

class ValoreImporto : public ::testing::Test {
protected:
    // The machine's locale writes "," for decimals: it must not matter.
    void SetUp() override {
        precedente_ = QLocale();
        QLocale::setDefault(QLocale(QLocale::Italian, QLocale::Italy));
    }
    void TearDown() override { QLocale::setDefault(precedente_); }

private:
    QLocale precedente_;
};

const char* const valutaNonValida = "\r\nTag Det_PrezzoTotale con valore di tipo valuta non valida";

const CasoImporto casiImporto[] = {
    {"puntoDecimale", "<PrezzoTotale>1234.50</PrezzoTotale>", 12345000, ""},
    {"negativoConSpazi", "<PrezzoTotale>  -12.30 </PrezzoTotale>", -123000, ""},
    {"ottoDecimaliArrotondati", "<PrezzoTotale>0.12345678</PrezzoTotale>", 1235, ""},
    {"formatoItaliano", "<PrezzoTotale>1.234,50</PrezzoTotale>", std::nullopt, valutaNonValida},
    {"lettere", "<PrezzoTotale>dodici</PrezzoTotale>", std::nullopt, valutaNonValida},
    {"vuoto", "<PrezzoTotale></PrezzoTotale>", std::nullopt, valutaNonValida},
    {"tabulazioniEACapo", "<PrezzoTotale>\t\r\n5.25\n</PrezzoTotale>", 52500, ""},
    {"spazioNonSeparabile",
     "<PrezzoTotale>\xC2\xA0"
     "7.50\xC2\xA0</PrezzoTotale>",
     75000, ""},
    {"tabulazioneVerticale", "<PrezzoTotale>\v3.00\f</PrezzoTotale>", 30000, ""},
    {"cdata", "<PrezzoTotale><![CDATA[ 2.5 ]]></PrezzoTotale>", 25000, ""},
    {"testoSpezzatoDaUnCommento", "<PrezzoTotale>1<!-- x -->2.5</PrezzoTotale>", 125000, ""},
    {"cifreNonAscii", "<PrezzoTotale>\xD9\xA1.00</PrezzoTotale>", std::nullopt, valutaNonValida},
};

TEST_F(ValoreImporto, convertsWhateverTheLocaleOrReportsTheTag) {
    for (const CasoImporto& c : casiImporto) {
        SCOPED_TRACE(c.nome);
        Frammento f(c.xml);
        TestoErrori errori;
        const auto v = valoreImporto(f.radice(), EtichettaTag(etichetta::Dettaglio, f.radice()), errori);
        EXPECT_EQ(v ? std::optional(v->decimillesimi()) : std::nullopt, c.decimillesimi);
        EXPECT_EQ(errori.testo(), QString::fromUtf8(c.errori));
        // the silent form converts alike and never reports
        EXPECT_EQ(valoreNumeroSilenzioso(f.radice()), v);
    }
    // A missing element: no value and no message.
    Frammento f("<DettaglioLinee><Descrizione>x</Descrizione></DettaglioLinee>");
    TestoErrori errori;
    EXPECT_FALSE(valoreImporto(FiglioPerNome(f.radice(), u"PrezzoTotale"), "Det_PrezzoTotale", errori));
    EXPECT_FALSE(valoreNumeroSilenzioso(FiglioPerNome(f.radice(), u"GiorniTerminiPagamento")));
    EXPECT_TRUE(errori.vuoto());
}

// ---- Texts of a row ------------------------------------------------------------------------

// A text put from its element is the one ValoreTesto (or TestoElemento, trimmed) gives, whether
// it stays in the file's buffer or not, for an ordinary column and for an identifier.
TEST(RigaFattura, shouldHoldTheValueOfTheElementWhetherItStaysInTheFileOrNot) {
    const char* const casi[] = {
        "<E>Viti M6</E>",
        "<E>  05979361218 \t</E>",
        "<E>Caff\xC3\xA8</E>",
        "<E>A &amp; B</E>",
        "<E>&lt;br/&gt;x</E>",
        "<E><![CDATA[<b>]]></E>",
        "<E><![CDATA[ q ]]></E>",
        "<E>a<!-- c -->b</E>",
        "<E>   </E>",
        "<E/>",
    };
    NomiElementi nomi;
    for (const char* xml : casi) {
        SCOPED_TRACE(xml);
        Frammento f(xml);
        for (const QString& colonna : {u"Descrizione"_s, u"CP_DA_IdFiscaleIVA_IdCodice"_s}) {
            for (NomiElementi* n : {&nomi, static_cast<NomiElementi*>(nullptr)}) {
                RigaFattura r(n), atteso;
                r.mettiTesto(colonna, f.radice());
                r.mettiTestoRipulito(colonna + u"Str"_s, f.radice());
                atteso.mettiTesto(colonna, ValoreTesto(f.radice()));
                atteso.mettiTesto(colonna + u"Str"_s, TestoElemento(f.radice()).trimmed());
                for (const QString& c : {colonna, colonna + u"Str"_s}) {
                    EXPECT_EQ(r.valore(c), atteso.valore(c)) << c.toStdString();
                    EXPECT_EQ(r.valore(c).metaType(), QMetaType::fromType<QString>());
                    // What a binder sees, converted, is the same text.
                    const auto& v = r.colonne()[c.endsWith(u"Str") ? 1 : 0].valore;
                    EXPECT_EQ(RigaFattura::comeQt(v), atteso.valore(c));
                }
            }
        }
    }
}

// A column written again in another case replaces the value and keeps the name first written;
// identifiers lose their blanks whatever the case of their name. The same with the batch's
// names, with a row's own, and after the batch has numbered its names again.
TEST(RigaFattura, shouldTellColumnsWithoutRegardToCaseAndKeepTheFirstName) {
    NomiElementi nomi;
    for (int giro = 0; giro < 2; ++giro) {
        for (NomiElementi* n : {&nomi, static_cast<NomiElementi*>(nullptr)}) {
            RigaFattura r(n);
            r.metti(u"Natura"_s, u"N1"_s);
            r.metti(u"Descrizione"_s, u"a"_s);
            r.metti(u"NATURA"_s, u"N2"_s);
            r.mettiTesto(u"CP_DA_IdFiscaleIVA_IDCODICE"_s, u" 0123 "_s);
            ASSERT_EQ(r.colonne().size(), 3u);
            EXPECT_EQ(r.nome(r.colonne()[0]), u"Natura"_s);
            EXPECT_EQ(r.colonne()[0].valore, QVariant(u"N2"_s));
            EXPECT_EQ(r.testo(u"natura"_s), u"N2"_s);
            EXPECT_EQ(r.testo(u"CP_DA_IdFiscaleIVA_IdCodice"_s), u"0123"_s);
            EXPECT_FALSE(r.ha(u"Naturale"_s));
        }
        nomi.nuoviNumeri();
    }
    // More columns than a row tells apart at a glance: each one still found and replaced.
    RigaFattura molte(&nomi);
    for (int i = 0; i < 600; ++i)
        molte.metti(u"C%1"_s.arg(i), i);
    for (int i = 0; i < 600; i += 7)
        molte.metti(u"c%1"_s.arg(i), -i);
    ASSERT_EQ(molte.colonne().size(), 600u);
    for (int i = 0; i < 600; ++i)
        EXPECT_EQ(molte.valore(u"C%1"_s.arg(i)).toInt(), i % 7 == 0 ? -i : i) << i;
    EXPECT_FALSE(molte.ha(u"C600"_s));
}

TEST(TestoErrori, shouldCollectEveryProblemOfTheFileAsOneLineEach) {
    Frammento f("<DatiRiepilogo><AliquotaIVA>22,00</AliquotaIVA><Imposta>x</Imposta>"
                "<ImponibileImporto>100.00</ImponibileImporto></DatiRiepilogo>");
    TestoErrori errori;
    for (pugi::xml_node n : FigliElemento(f.radice()))
        valoreImporto(n, EtichettaTag(etichetta::Iva, n), errori);
    EXPECT_EQ(errori.testo(), u"\r\nTag Iva-AliquotaIVA con valore di tipo valuta non valida"
                              "\r\nTag Iva-Imposta con valore di tipo valuta non valida"_s);
    errori.azzera();
    EXPECT_TRUE(errori.vuoto());
}

// ---- Attachments -------------------------------------------------------------------------------

// Bad content is reported and writes nothing; good content is decoded, and a second attachment
// of the same name overwrites the first.
TEST(Allegati, shouldReportBadContentAndWriteTheDecodedBytesOverwritingTheSameName) {
    QTemporaryDir cartella;
    const auto estrai = [&](const char* xml, TestoErrori& errori) {
        Frammento f(xml);
        return estraiAllegato(f.primo("Attachment"), u"doc.pdf"_s, u"/dati/scarico/IT01234567890_00001.xml"_s,
                              cartella.path(), errori);
    };
    const auto estratti = [&] { return QDir(cartella.path()).entryList(QDir::Files | QDir::Hidden); };
    for (const char* xml : {"<Allegati><NomeAttachment>a.pdf</NomeAttachment></Allegati>",
                            "<Allegati><Attachment></Attachment></Allegati>",
                            "<Allegati><Attachment>non è base64!</Attachment></Allegati>",
                            "<Allegati><Attachment>QUJD=</Attachment></Allegati>"}) {
        TestoErrori errori;
        EXPECT_EQ(estrai(xml, errori), QString()) << xml;
        EXPECT_EQ(errori.testo(), u"\r\nAllegato da estrarre mancante"_s) << xml;
    }
    EXPECT_TRUE(estratti().isEmpty());

    TestoErrori errori;
    const QString primo =
        estrai("<Allegati><Attachment>cHJpbW8gY29udGVudXRvIGx1bmdv</Attachment></Allegati>", errori);
    const QString secondo = estrai("<Allegati><Attachment>c2Vjb25kbw==</Attachment></Allegati>", errori);
    EXPECT_EQ(primo, secondo);
    EXPECT_EQ(primo, QDir(cartella.path()).absoluteFilePath(u"IT01234567890_00001_doc.pdf"_s));
    QFile f(secondo);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("secondo"));
    EXPECT_EQ(estratti(), QStringList({"IT01234567890_00001_doc.pdf"}));
    EXPECT_TRUE(errori.vuoto());
}

} // namespace

// The names a batch keeps are those of the elements, prefix or not, file after file, and stay
// right after the batch has seen more distinct names than it keeps.
TEST(NomiElementi, shouldNameEveryElementAsItsLocalNameAcrossFiles) {
    NomiElementi nomi;
    for (int giro = 0; giro < 2; ++giro) {
        Frammento f("<p:Linea xmlns:p='x'><p:Numero>1</p:Numero><Numero>2</Numero><ns2:Descrizione "
                    "xmlns:ns2='y'/></p:Linea>");
        QStringList letti;
        for (pugi::xml_node n : FigliElemento(f.radice()))
            letti << nomi.locale(n);
        EXPECT_EQ(letti, QStringList({u"Numero"_s, u"Numero"_s, u"Descrizione"_s}));
        EXPECT_EQ(nomi.locale(f.radice()), u"Linea"_s);
    }
    QByteArray molti = "<Radice>";
    for (int i = 0; i < 5000; ++i)
        molti += "<E" + QByteArray::number(i) + "/>";
    Frammento f((molti + "</Radice>").constData());
    int i = 0;
    for (pugi::xml_node n : FigliElemento(f.radice()))
        ASSERT_EQ(nomi.locale(n), u"E"_s + QString::number(i++));
    EXPECT_EQ(i, 5000);
}

// A child is found by its local name alone: the whole name, not a part of it, whatever the
// prefix, and names beyond ASCII as well.
TEST(FiglioPerNome, shouldFindTheChildWhoseLocalNameIsTheWholeNameLookedFor) {
    Frammento f("<p:Linea xmlns:p='x'><Tip>1</Tip><p:TipoX>2</p:TipoX><p:Tipo>3</p:Tipo>"
                "<Città>4</Città><Cittàx>5</Cittàx><CittaÈ>6</CittaÈ></p:Linea>");
    const struct {
        const char16_t* nome;
        const char* testo; // "" when no child has the name
    } casi[] = {
        {u"Tipo", "3"},   {u"Tip", "1"},   {u"TipoX", "2"},  {u"Ti", ""},   {u"TipoXY", ""},
        {u"p:Tipo", ""},  {u"Città", "4"}, {u"Cittàx", "5"}, {u"Citt", ""}, {u"Cittàxy", ""},
        {u"CittaÈ", "6"}, {u"CittaE", ""}, {u"tipo", ""},    {u"", ""},
    };
    for (const auto& c : casi)
        EXPECT_EQ(TestoFiglio(f.radice(), QStringView(c.nome)), QString::fromUtf8(c.testo))
            << QString::fromUtf16(c.nome).toStdString();
}
