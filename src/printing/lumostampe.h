#pragma once
// The print object every report draws with: named font styles, text boxes, multi-line text,
// rules, pages, in millimetres over QPainter. One object serves one print run and one of
// these destinations:
//  - a PDF file (QPdfWriter: vector, fonts embedded);
//  - a PDF file per document (a new file opened and closed around each document, for the
//    automatic PDF names);
//  - a paged device the caller owns (the printer, created by the forms layer);
//  - the preview: every page drawn into a QPicture and handed to a receiver as soon as it is
//    complete, so the user can look at it while the next ones are produced.
// With no destination opened, pages are counted and recorded but drawn nowhere: a report can
// paginate first to print "page n of N" on the real run.
// Every drawing operation is also recorded (kind, page, position, text, style), so the layout
// can be checked without looking at pixels.
//
// Coordinates: millimetres from the top-left corner of the printable area, i.e. after the left
// and top margins and the offsets Dx/Dy, multiplied by the scale factor. Needs a
// QGuiApplication (the offscreen platform is enough) for the font metrics.

#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPicture>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace tesel::stampa {

// A named font style. `famiglia` is the family the reports ask for ("Arial", "Courier New"):
// it is drawn with the metric-compatible free font (famigliaStampa()).
struct StileCarattere {
    QString nome;
    QString famiglia;
    double punti = 10;
    bool grassetto = false;
    bool corsivo = false;
};

enum class Allineamento { Sinistra, Centro, Destra };

// Page parameters, in millimetres. The defaults hold an A4 sheet with the margins most
// laser printers can print.
struct ParametriPagina {
    double mrSin = 7;  // left margin
    double mrDes = 7;  // right margin
    double mrAlt = 7;  // top margin
    double mrBas = 7;  // bottom margin
    double fatt = 1.0; // scale factor of every coordinate and font size
    double dx = 0;     // offsets added to every position (printer calibration)
    double dy = 0;
    double interl = 1.0;    // line spacing of multi-line text (1 = the font's own)
    bool forzaVert = false; // portrait even when the device's sheet is landscape
};

enum class TipoOperazione {
    Testo,          // one line in a box
    TestoMultiriga, // one line of a multi-line text (one record per line drawn)
    Riga,           // a rule: x,y to x2,y2
    NuovaPagina,    // a page begins (x,y,larghezza zero)
    Fine,           // the print ended
};

// One drawing operation as the report asked for it, in the report's millimetres.
struct Operazione {
    TipoOperazione tipo = TipoOperazione::Testo;
    int pagina = 0;       // 1-based page of the run
    double x = 0;         // left edge of the box / start of the rule
    double y = 0;         // top of the box / start of the rule
    double larghezza = 0; // box width; for a rule its thickness
    double x2 = 0;        // end of the rule; for text the x where the text was actually drawn
    double y2 = 0;        // end of the rule; for text the bottom of the line
    QString testo;        // the text drawn (cut to the box when it did not fit)
    QString stile;        // style name in force
    Allineamento allineamento = Allineamento::Sinistra;
    bool enfasi = false;
};

// Receives the preview's pages while the print produces them.
class RicevitorePagine {
public:
    virtual ~RicevitorePagine() = default;
    // Page `numero` (1-based) is complete. `pagina` is drawn in device pixels at
    // `puntiPerMm` pixels per millimetre over a sheet of `formato` millimetres.
    virtual void paginaPronta(int numero, std::shared_ptr<const QPicture> pagina, QSizeF formato,
                              double puntiPerMm) = 0;
    // The print has ended (normally or interrupted); no more pages will come.
    virtual void stampaTerminata() = 0;
};

// Told of every page begun and of the end: the progress window listens here.
class OsservatoreStampa {
public:
    virtual ~OsservatoreStampa() = default;
    virtual void paginaIniziata(int numero) = 0;
    virtual void stampaTerminata() {}
};

// The family actually used to draw a requested one: "Arial" (and "Helvetica") -> "Liberation
// Sans", "Courier New" (and "Courier") -> "Liberation Mono", "Times New Roman" -> "Liberation
// Serif"; any other family unchanged. The free fonts are registered with the font database
// from their files the first time, so the metrics hold whatever the font configuration says.
QString famigliaStampa(const QString& richiesta);
// The QFont of a style at its size times `scala`.
QFont fontStile(const StileCarattere& s, double scala = 1.0);

class LumoStampe {
public:
    LumoStampe();
    ~LumoStampe();
    LumoStampe(const LumoStampe&) = delete;
    LumoStampe& operator=(const LumoStampe&) = delete;

    // --- styles -------------------------------------------------------------------------
    // Adds or replaces a style (names compare without regard to case).
    void definisciStile(const StileCarattere& s);
    std::optional<StileCarattere> stile(const QString& nome) const;
    QStringList nomiStili() const;
    // Selects the style for the next texts; an unknown name answers false and keeps the
    // current one.
    bool selezionaStile(const QString& nome);
    QString stileCorrente() const;

    // --- page -----------------------------------------------------------------------------
    void impostaParametri(const ParametriPagina& p);
    const ParametriPagina& parametri() const;
    // Sheet of the file and preview destinations (A4 portrait by default). ForzaVert turns a
    // landscape sheet upright.
    void impostaFormato(const QPageSize& formato, QPageLayout::Orientation o = QPageLayout::Portrait);
    // The orientation asked with impostaFormato (before ForzaVert).
    QPageLayout::Orientation orientamento() const;
    // The room the report can draw in, in its millimetres (sheet less margins, divided by the
    // scale factor).
    double larghezzaStampabile() const;
    double altezzaStampabile() const;

    // --- destinations (one per run, chosen before the first drawing) ----------------------
    // False with errore() set when the file cannot be opened for writing.
    bool apriPdf(const QString& file, const QString& titolo = {});
    // The device stays the caller's and must outlive fine().
    bool apriDispositivo(QPagedPaintDevice* dispositivo);
    // The receiver stays the caller's and must outlive fine().
    bool apriAnteprima(RicevitorePagine* ricevitore);
    // One PDF per document: nothing is drawn before iniziaDocumento().
    bool apriPdfPerDocumento();
    // Starts a document: with apriPdfPerDocumento() opens `file` (the folder must exist); with
    // the other destinations it only restarts the document page count (a new sheet is begun
    // when the previous document drew on the current one).
    bool iniziaDocumento(const QString& file = {}, const QString& titolo = {});
    // Ends the current document: closes its PDF file (per-document destination). False with
    // errore() set when the file could not be written completely.
    bool chiudiDocumento();
    void aggiungiOsservatore(OsservatoreStampa* o);
    void rimuoviOsservatore(OsservatoreStampa* o);

    // --- drawing --------------------------------------------------------------------------
    // One line of text in the box [x, x + larghezza] whose top is y; cut at the box's edge.
    // `enfasi` draws it in bold.
    void testo(double x, double y, double larghezza, const QString& s,
               Allineamento a = Allineamento::Sinistra, bool enfasi = false);
    // Text broken into lines at blanks (and at explicit line breaks) to fit the width; a word
    // longer than the width is broken where it must. When a line would cross the bottom of the
    // printable area a new page is begun: the text goes on at the y answered by the page-break
    // hook (the top of the area without one). Answers the height used on the page where the
    // text ends, from its start (y, or the continuation point) to the bottom of the last line.
    double testoMultiriga(double x, double y, double larghezza, const QString& s,
                          Allineamento a = Allineamento::Sinistra, bool enfasi = false);
    // The lines testoMultiriga would draw, and the height they take, without drawing them.
    QStringList spezzaRighe(double larghezza, const QString& s, bool enfasi = false) const;
    double altezzaTesto(double larghezza, const QString& s, bool enfasi = false) const;
    // Height of one line of the current style (with the line spacing), in millimetres.
    double altezzaRiga() const;
    double larghezzaTesto(const QString& s, bool enfasi = false) const;
    // The y where multi-line text left off after a page break (and what the hook answered).
    double yCorrente() const;
    // Called after testoMultiriga began a new page, with its number; answers the y where
    // the text goes on (the report draws its page heading here).
    void impostaCambioPagina(std::function<double(int pagina)> gancio);

    void riga(double x1, double y1, double x2, double y2, double spessore = 0.2);
    // The page number within the run and within the current document (1-based; 0 before the
    // first drawing).
    int pagina() const;
    int paginaDocumento() const;
    int pagineTotali() const;
    void nuovaPagina();
    // Ends the print: the last page is delivered, files are closed. False with errore() set
    // when a file could not be written. A second call does nothing.
    bool fine();
    bool terminata() const;

    // --- interrupt --------------------------------------------------------------------------
    // Set by the progress window's button; the report checks it between documents.
    void richiediInterruzione();
    bool interruzioneRichiesta() const;

    // --- record -----------------------------------------------------------------------------
    const std::vector<Operazione>& operazioni() const;
    // Drops the record kept so far (long runs that do not need it).
    void registraOperazioni(bool si);
    // Redraws page `numero` from the record onto `p`, at `puntiPerMm` pixels per millimetre of
    // sheet: the preview's way to show pages it did not keep.
    void ridisegnaPagina(QPainter& p, int numero, double puntiPerMm) const;
    QSizeF formatoMm() const;

    // The last error, in Italian; empty when none.
    QString errore() const;

private:
    struct Dati;
    std::unique_ptr<Dati> d;
};

} // namespace tesel::stampa
