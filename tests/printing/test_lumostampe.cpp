// The print engine: geometry through the recorded operations, the PDF through its text and fonts.
#include "printing/lumostampe.h"
#include "printing/pdfprova.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tesel::stampa;
using tesel::prova::fontPdf;
using tesel::prova::paginePdf;
using tesel::prova::posizioneParola;
using tesel::prova::testoPdf;

namespace {

void stiliProva(LumoStampe& s) {
    s.definisciStile({QStringLiteral("CorpoCampo"), QStringLiteral("Arial"), 8, false});
    s.definisciStile({QStringLiteral("Fisso"), QStringLiteral("Courier New"), 10, false});
}

std::vector<Operazione> diTipo(const LumoStampe& s, TipoOperazione t) {
    std::vector<Operazione> v;
    for (const Operazione& op : s.operazioni())
        if (op.tipo == t)
            v.push_back(op);
    return v;
}

class RicevitoreProva : public RicevitorePagine {
public:
    void paginaPronta(int numero, std::shared_ptr<const QPicture> p, QSizeF formato, double) override {
        numeri.push_back(numero);
        pagine.push_back(std::move(p));
        this->formato = formato;
    }
    void stampaTerminata() override { ++terminate; }
    std::vector<int> numeri;
    std::vector<std::shared_ptr<const QPicture>> pagine;
    QSizeF formato;
    int terminate = 0;
};

} // namespace

TEST(LumoStampe, PdfTextIsVectorWithTheFreeFontsEmbedded) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("prova.pdf"));
    LumoStampe s;
    stiliProva(s);
    ASSERT_TRUE(s.apriPdf(file, QStringLiteral("Prova")));
    ASSERT_TRUE(s.selezionaStile(QStringLiteral("corpocampo"))); // names ignore case
    s.testo(0, 0, 100, QStringLiteral("Fattura n. 12/A del 03/02/2026"));
    s.selezionaStile(QStringLiteral("Fisso"));
    s.testo(0, 10, 100, QStringLiteral("Totale documento 1.234,56"), Allineamento::Destra);
    s.riga(0, 20, 196, 20, 0.2);
    s.nuovaPagina();
    s.testo(0, 0, 100, QStringLiteral("Seconda pagina àèìòù €"));
    ASSERT_TRUE(s.fine()) << s.errore().toStdString();

    const QString testo = testoPdf(file);
    EXPECT_TRUE(testo.contains(QStringLiteral("Fattura n. 12/A del 03/02/2026"))) << testo.toStdString();
    EXPECT_TRUE(testo.contains(QStringLiteral("Totale documento 1.234,56")));
    EXPECT_TRUE(testo.contains(QStringLiteral("Seconda pagina àèìòù €")));
    EXPECT_EQ(paginePdf(file), 2);
    const QString font = fontPdf(file);
    EXPECT_TRUE(font.contains(QStringLiteral("LiberationSans"))) << font.toStdString();
    EXPECT_TRUE(font.contains(QStringLiteral("LiberationMono"))) << font.toStdString();
    for (const QString& r : font.split(QLatin1Char('\n')).mid(2)) {
        if (!r.trimmed().isEmpty()) {
            EXPECT_TRUE(r.contains(QStringLiteral(" yes "))) << "font non incorporato: " << r.toStdString();
        }
    }
}

TEST(LumoStampe, BoxAlignmentCutAndEmphasis) {
    QTemporaryDir dir;
    LumoStampe s;
    stiliProva(s);
    ASSERT_TRUE(s.apriPdf(dir.filePath(QStringLiteral("a.pdf"))));
    s.selezionaStile(QStringLiteral("CorpoCampo"));
    const QString importo = QStringLiteral("1.234,56");
    const double w = s.larghezzaTesto(importo);
    ASSERT_GT(w, 5.0); // 8 points: about 12 mm
    ASSERT_LT(w, 20.0);
    s.testo(150, 30, 40, importo, Allineamento::Destra);
    s.testo(150, 35, 40, importo, Allineamento::Centro);
    s.testo(150, 40, 40, importo, Allineamento::Sinistra, true);
    // A text wider than its box is cut at the box's edge, never spilling into the next column.
    s.testo(10, 50, 20, QStringLiteral("Descrizione molto lunga che non entra"));
    s.fine();

    const auto testi = diTipo(s, TipoOperazione::Testo);
    ASSERT_EQ(testi.size(), 4u);
    EXPECT_NEAR(testi[0].x2 + w, 190.0, 1e-6);
    EXPECT_NEAR(testi[1].x2, 150 + (40 - w) / 2, 1e-6);
    EXPECT_DOUBLE_EQ(testi[2].x2, 150.0);
    EXPECT_TRUE(testi[2].enfasi);
    EXPECT_GT(s.larghezzaTesto(QStringLiteral("Fornitore"), true),
              s.larghezzaTesto(QStringLiteral("Fornitore")));
    EXPECT_EQ(testi[0].stile, QStringLiteral("CorpoCampo"));
    EXPECT_TRUE(QStringLiteral("Descrizione molto lunga che non entra").startsWith(testi[3].testo));
    EXPECT_LT(testi[3].testo.size(), 30);
    EXPECT_LE(s.larghezzaTesto(testi[3].testo), 20.0);
    EXPECT_GT(s.larghezzaTesto(testi[3].testo + QStringLiteral("e")), 20.0 - 1e-6);
}

TEST(LumoStampe, MultiLineWrapsAtBlanksAndBreaksThePageWithTheHeading) {
    QTemporaryDir dir;
    LumoStampe s;
    stiliProva(s);
    ParametriPagina par;
    par.interl = 1.5;
    s.impostaParametri(par);
    ASSERT_TRUE(s.apriPdf(dir.filePath(QStringLiteral("m.pdf"))));
    s.selezionaStile(QStringLiteral("CorpoCampo"));
    QStringList parole;
    for (int i = 0; i < 400; ++i)
        parole << QStringLiteral("parola%1").arg(i);
    parole << QStringLiteral("SUPERCALIFRAGILISTICHESPIRALIDOSO-SENZA-SPAZI-PIU-LUNGA-DEL-BOX");
    const QString testo = parole.join(QLatin1Char(' '));
    std::vector<int> intestate;
    s.impostaCambioPagina([&](int pagina) {
        intestate.push_back(pagina);
        s.selezionaStile(QStringLiteral("Fisso"));
        s.testo(0, 0, 100, QStringLiteral("Intestazione"));
        return 12.0;
    });
    const double inizio = s.altezzaStampabile() - 20;
    const double usata = s.testoMultiriga(10, inizio, 30, testo);
    s.fine();

    const auto righe = diTipo(s, TipoOperazione::TestoMultiriga);
    const double h = s.altezzaRiga();
    ASSERT_GT(righe.size(), 20u);
    QStringList rimesse;
    for (const Operazione& r : righe) {
        EXPECT_LE(s.larghezzaTesto(r.testo), 30.0 + 1e-6) << r.testo.toStdString();
        EXPECT_LE(r.y2, s.altezzaStampabile() + 1e-6) << "riga oltre il fondo a pagina " << r.pagina;
        EXPECT_EQ(r.stile, QStringLiteral("CorpoCampo")) << "l'intestazione ha cambiato lo stile del testo";
        rimesse << r.testo;
    }
    // Nothing lost or reordered: the lines give back the text (the long word split without blanks).
    EXPECT_EQ(rimesse.join(QLatin1Char(' ')).remove(QLatin1Char(' ')),
              QString(testo).remove(QLatin1Char(' ')));
    // Every page after the first begins at the y the heading answered, right below it.
    ASSERT_GE(intestate.size(), 2u);
    EXPECT_EQ(intestate.front(), 2);
    for (size_t i = 1; i < righe.size(); ++i) {
        if (righe[i].pagina != righe[i - 1].pagina) {
            EXPECT_EQ(righe[i].pagina, righe[i - 1].pagina + 1);
            EXPECT_DOUBLE_EQ(righe[i].y, 12.0);
        } else {
            EXPECT_NEAR(righe[i].y - righe[i - 1].y, h, 1e-9); // spacing 1.5 applied
        }
    }
    EXPECT_DOUBLE_EQ(righe.front().y, inizio);
    EXPECT_NEAR(usata, righe.back().y2 - 12.0, 1e-9);
    EXPECT_NEAR(s.yCorrente(), righe.back().y2, 1e-9);
    EXPECT_NEAR(s.altezzaTesto(30, testo), righe.size() * h, 1e-6);
    EXPECT_EQ(paginePdf(dir.filePath(QStringLiteral("m.pdf"))), s.pagineTotali());
}

TEST(LumoStampe, OnePdfPerDocumentAndPageCountsPerDocument) {
    QTemporaryDir dir;
    LumoStampe s;
    stiliProva(s);
    ASSERT_TRUE(s.apriPdfPerDocumento());
    for (int doc = 1; doc <= 3; ++doc) {
        ASSERT_TRUE(s.iniziaDocumento(dir.filePath(QStringLiteral("doc%1.pdf").arg(doc))));
        for (int p = 0; p < doc; ++p) {
            if (p > 0)
                s.nuovaPagina();
            s.testo(0, 0, 100, QStringLiteral("Documento %1 pagina %2").arg(doc).arg(p + 1));
            EXPECT_EQ(s.paginaDocumento(), p + 1);
        }
        ASSERT_TRUE(s.chiudiDocumento()) << s.errore().toStdString();
    }
    EXPECT_EQ(s.pagineTotali(), 6);
    ASSERT_TRUE(s.fine());
    for (int doc = 1; doc <= 3; ++doc) {
        const QString f = dir.filePath(QStringLiteral("doc%1.pdf").arg(doc));
        EXPECT_EQ(paginePdf(f), doc);
        const QString t = testoPdf(f);
        EXPECT_TRUE(t.contains(QStringLiteral("Documento %1 pagina %2").arg(doc).arg(doc)))
            << t.toStdString();
        EXPECT_FALSE(t.contains(QStringLiteral("Documento %1 pagina").arg(doc % 3 + 1)));
    }
    // A folder that does not exist is refused with a message, nothing half-written.
    LumoStampe altra;
    altra.apriPdfPerDocumento();
    EXPECT_FALSE(altra.iniziaDocumento(dir.filePath(QStringLiteral("manca/x.pdf"))));
    EXPECT_TRUE(altra.errore().contains(QStringLiteral("non esiste")));
    LumoStampe terza;
    EXPECT_FALSE(terza.apriPdf(dir.filePath(QStringLiteral("manca/y.pdf"))));
    // A file that cannot be written (here a folder of that name) is refused when the document
    // starts, not halfway through.
    const QString bloccato = dir.filePath(QStringLiteral("cartella.pdf"));
    ASSERT_TRUE(QDir().mkpath(bloccato));
    LumoStampe quarta;
    quarta.apriPdfPerDocumento();
    EXPECT_FALSE(quarta.iniziaDocumento(bloccato));
    EXPECT_TRUE(quarta.errore().startsWith(QStringLiteral("Impossibile creare il file PDF")));
}

TEST(LumoStampe, PreviewReceivesEachPageWhenCompleteAndTheEnd) {
    LumoStampe s;
    stiliProva(s);
    RicevitoreProva r;
    ASSERT_TRUE(s.apriAnteprima(&r));
    s.testo(0, 0, 50, QStringLiteral("uno"));
    EXPECT_TRUE(r.numeri.empty()); // the page in hand is not complete yet
    s.nuovaPagina();
    EXPECT_EQ(r.numeri, std::vector<int>{1});
    s.testo(0, 0, 50, QStringLiteral("due"));
    s.nuovaPagina();
    s.riga(0, 0, 10, 10);
    EXPECT_EQ(r.terminate, 0);
    EXPECT_FALSE(s.interruzioneRichiesta());
    s.richiediInterruzione();
    EXPECT_TRUE(s.interruzioneRichiesta());
    s.fine();
    EXPECT_EQ(r.numeri, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(r.terminate, 1);
    EXPECT_NEAR(r.formato.width(), 210, 0.5);
    ASSERT_EQ(r.pagine.size(), 3u);
    // The first page carries its text: drawn on an image it leaves dark pixels at the top left.
    QImage img(QSize(400, 200), QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainter p(&img);
        p.drawPicture(0, 0, *r.pagine[0]);
    }
    int scuri = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            scuri += qGray(img.pixel(x, y)) < 128;
    EXPECT_GT(scuri, 10);
    // Nothing is drawn after the end.
    const size_t n = s.operazioni().size();
    s.testo(0, 0, 50, QStringLiteral("dopo"));
    EXPECT_EQ(s.operazioni().size(), n);
}

TEST(LumoStampe, MarginsOffsetsAndScaleLandOnTheSheetForEveryDestination) {
    ParametriPagina par;
    par.mrSin = 10;
    par.mrAlt = 20;
    par.dx = 2;
    par.dy = -3;
    par.fatt = 0.5;
    QTemporaryDir dir;
    // The file destination, and a device the caller gives with margins of its own (as a printer
    // has): the engine must not add the device's margins to its own.
    for (const bool dispositivo : {false, true}) {
        SCOPED_TRACE(dispositivo ? "dispositivo" : "file");
        const QString file = dir.filePath(dispositivo ? QStringLiteral("d.pdf") : QStringLiteral("f.pdf"));
        QPdfWriter scrittore(file);
        scrittore.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                            QMarginsF(15, 25, 15, 15), QPageLayout::Millimeter));
        LumoStampe s;
        stiliProva(s);
        s.impostaParametri(par);
        ASSERT_TRUE(dispositivo ? s.apriDispositivo(&scrittore) : s.apriPdf(file));
        // The room left by the margins, in the report's (scaled) millimetres.
        EXPECT_NEAR(s.larghezzaStampabile(), (210 - 10 - 7) / 0.5, 0.1);
        EXPECT_NEAR(s.altezzaStampabile(), (297 - 20 - 7) / 0.5, 0.1);
        s.selezionaStile(QStringLiteral("Fisso"));
        s.testo(20, 40, 200, QStringLiteral("INIZIO"));
        s.testo(100, 80, 60, QStringLiteral("DESTRA"), Allineamento::Destra);
        ASSERT_TRUE(s.fine());
        const auto inizio = posizioneParola(file, QStringLiteral("INIZIO"));
        const auto destra = posizioneParola(file, QStringLiteral("DESTRA"));
        // x: margin + offset + x * scale; y: the top of the box, the text below it.
        EXPECT_NEAR(inizio.xMin, 10 + 2 + 20 * 0.5, 0.6);
        EXPECT_GT(inizio.yMin, 20 - 3 + 40 * 0.5 - 0.5);
        EXPECT_LT(inizio.yMin, 20 - 3 + 40 * 0.5 + 2);
        EXPECT_NEAR(destra.xMax, 10 + 2 + (100 + 60) * 0.5, 0.6);
        // A 10-point monospaced font at half scale: 6 characters of 0.6 em at 5 points.
        EXPECT_NEAR(inizio.xMax - inizio.xMin, 6 * 0.6 * 5 * 25.4 / 72, 0.3);
    }
}

TEST(LumoStampe, WithoutADestinationPagesAreCountedAsTheRealRunWouldMakeThem) {
    QTemporaryDir dir;
    const QString testo = QStringLiteral("riga di una descrizione lunga ").repeated(300);
    int pagine[2] = {0, 0};
    std::vector<Operazione> registrate[2];
    for (int prova = 0; prova < 2; ++prova) {
        LumoStampe s;
        stiliProva(s);
        if (prova == 1) {
            ASSERT_TRUE(s.apriPdf(dir.filePath(QStringLiteral("vero.pdf"))));
        }
        s.selezionaStile(QStringLiteral("CorpoCampo"));
        s.testoMultiriga(0, 0, 50, testo);
        s.fine();
        pagine[prova] = s.pagineTotali();
        registrate[prova] = s.operazioni();
    }
    EXPECT_GT(pagine[0], 1);
    EXPECT_EQ(pagine[0], pagine[1]);
    EXPECT_EQ(paginePdf(dir.filePath(QStringLiteral("vero.pdf"))), pagine[1]);
    ASSERT_EQ(registrate[0].size(), registrate[1].size());
    for (size_t i = 0; i < registrate[0].size(); ++i) {
        EXPECT_EQ(registrate[0][i].pagina, registrate[1][i].pagina);
        EXPECT_EQ(registrate[0][i].testo, registrate[1][i].testo);
    }
}
