#include "printing/lumostampe.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPen>

#include <climits>
#include <cmath>

namespace tesel::stampa {

namespace {

constexpr int RisoluzionePdf = 1200;
constexpr double MmPerPollice = 25.4;

// Metrics are taken at one fixed high resolution whatever the destination, so a text wraps
// and aligns the same on paper, in the preview and in the PDF.
class DispositivoMisura : public QPaintDevice {
public:
    QPaintEngine* paintEngine() const override { return nullptr; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return RisoluzionePdf;
        case PdmWidth:
            return 9921;
        case PdmHeight:
            return 14031;
        case PdmWidthMM:
            return 210;
        case PdmHeightMM:
            return 297;
        case PdmNumColors:
            return INT_MAX;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return 0;
        }
    }
};

const DispositivoMisura& dispositivoMisura() {
    static const DispositivoMisura d;
    return d;
}

void registraFontLiberi() {
    static const bool fatto = [] {
        if (QFontDatabase::families().contains(QStringLiteral("Liberation Sans")) &&
            QFontDatabase::families().contains(QStringLiteral("Liberation Mono")))
            return true;
        for (const QString& cartella : {QStringLiteral("/usr/share/fonts/truetype/liberation2"),
                                        QStringLiteral("/usr/share/fonts/truetype/liberation")}) {
            const QDir dir(cartella);
            for (const QString& f : dir.entryList({QStringLiteral("*.ttf")}, QDir::Files))
                QFontDatabase::addApplicationFont(dir.filePath(f));
        }
        return true;
    }();
    (void)fatto;
}

double mmDaPunti(double px) {
    return px * MmPerPollice / RisoluzionePdf;
}

} // namespace

QString famigliaStampa(const QString& richiesta) {
    registraFontLiberi();
    const QString r = richiesta.trimmed().toLower();
    if (r == u"arial" || r == u"helvetica" || r.isEmpty())
        return QStringLiteral("Liberation Sans");
    if (r == u"courier new" || r == u"courier")
        return QStringLiteral("Liberation Mono");
    if (r == u"times new roman" || r == u"times")
        return QStringLiteral("Liberation Serif");
    return richiesta.trimmed();
}

QFont fontStile(const StileCarattere& s, double scala) {
    QFont f(famigliaStampa(s.famiglia));
    f.setPointSizeF(std::max(1.0, s.punti * scala));
    f.setBold(s.grassetto);
    f.setItalic(s.corsivo);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(true);
    return f;
}

enum class Destinazione { Nessuna, Pdf, PdfPerDocumento, Dispositivo, Anteprima };

struct LumoStampe::Dati {
    QHash<QString, StileCarattere> stili; // lower-case name
    QString corrente;
    ParametriPagina par;
    QPageSize formato{QPageSize::A4};
    QPageLayout::Orientation orientamento = QPageLayout::Portrait;

    Destinazione dest = Destinazione::Nessuna;
    std::unique_ptr<QPdfWriter> pdf;
    QString filePdf;
    QPagedPaintDevice* dispositivo = nullptr; // the device drawn on (pdf or the caller's)
    RicevitorePagine* ricevitore = nullptr;
    std::shared_ptr<QPicture> figura;
    QPainter painter;
    std::vector<OsservatoreStampa*> osservatori;

    // Sheet in millimetres and where the device's origin lies on it.
    QSizeF foglio{210, 297};
    QPointF origine;
    double puntiPerMm = RisoluzionePdf / MmPerPollice;
    // Preview: the picture's own pixels per millimetre, and the font enlargement that makes up
    // for drawing it at the PDF's resolution.
    double puntiPerMmFigura = RisoluzionePdf / MmPerPollice;
    double scalaFont = 1.0;

    int paginaRun = 0;
    int paginaDoc = 0;
    bool paginaAperta = false;
    bool documentoAperto = false;
    bool finita = false;
    bool interruzione = false;
    QString errore;

    bool registra = true;
    std::vector<Operazione> operazioni;
    std::function<double(int)> gancio;
    double y = 0;

    StileCarattere stileAttivo(bool enfasi) const {
        StileCarattere s =
            stili.value(corrente.toLower(), StileCarattere{QStringLiteral("?"), QStringLiteral("Arial"), 10});
        if (enfasi)
            s.grassetto = true;
        return s;
    }
    // Fonts and metrics of a style, built once: a page of an invoice draws hundreds of texts.
    struct Caratteri {
        QFontMetricsF metriche;
        QFont disegno; // at the scale factor (and the preview's enlargement)
        double ascent; // in the report's millimetres
    };
    mutable QHash<QString, std::shared_ptr<const Caratteri>> cache;
    const Caratteri& caratteri(bool enfasi) const {
        const QString chiave = corrente.toLower() + (enfasi ? QStringLiteral("|e") : QString());
        auto it = cache.constFind(chiave);
        if (it == cache.cend()) {
            const StileCarattere st = stileAttivo(enfasi);
            QFontMetricsF m(fontStile(st), &dispositivoMisura());
            const double ascent = mmDaPunti(m.ascent());
            it = cache.insert(chiave, std::make_shared<const Caratteri>(
                                          Caratteri{m, fontStile(st, par.fatt * scalaFont), ascent}));
        }
        return **it;
    }
    QFontMetricsF metriche(bool enfasi) const { return caratteri(enfasi).metriche; }
    QPageLayout layout() const {
        QPageLayout::Orientation o = orientamento;
        if (par.forzaVert)
            o = QPageLayout::Portrait;
        return QPageLayout(formato, o, QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }
    bool nuovoPdf(const QString& file, const QString& titolo) {
        const QFileInfo fi(file);
        if (!fi.absoluteDir().exists()) {
            errore = QStringLiteral("Impossibile creare il file PDF %1:\nla cartella %2 non esiste")
                         .arg(QDir::toNativeSeparators(file), QDir::toNativeSeparators(fi.absolutePath()));
            return false;
        }
        // Refused at once rather than at the first page: the caller can still report it and
        // go on with the next document.
        QFile prova(file);
        if (!prova.open(QIODevice::Append)) {
            errore = QStringLiteral("Impossibile creare il file PDF %1:\n%2")
                         .arg(QDir::toNativeSeparators(file), prova.errorString());
            return false;
        }
        prova.close();
        filePdf = file;
        pdf = std::make_unique<QPdfWriter>(file);
        pdf->setResolution(RisoluzionePdf);
        pdf->setPageLayout(layout());
        pdf->setCreator(QStringLiteral("Tesel"));
        if (!titolo.isEmpty())
            pdf->setTitle(titolo);
        dispositivo = pdf.get();
        misuraDispositivo();
        return true;
    }
    void misuraDispositivo() {
        const QPageLayout l = dispositivo->pageLayout();
        foglio = l.fullRect(QPageLayout::Millimeter).size();
        origine = l.paintRect(QPageLayout::Millimeter).topLeft();
        puntiPerMm = dispositivo->logicalDpiX() / MmPerPollice;
    }
};

LumoStampe::LumoStampe() : d(std::make_unique<Dati>()) {
}

LumoStampe::~LumoStampe() {
    if (d->painter.isActive())
        d->painter.end();
}

void LumoStampe::definisciStile(const StileCarattere& s) {
    d->cache.clear();
    d->stili.insert(s.nome.toLower(), s);
    if (d->corrente.isEmpty())
        d->corrente = s.nome;
}

std::optional<StileCarattere> LumoStampe::stile(const QString& nome) const {
    const auto it = d->stili.constFind(nome.toLower());
    if (it == d->stili.cend())
        return std::nullopt;
    return *it;
}

QStringList LumoStampe::nomiStili() const {
    QStringList l;
    for (const StileCarattere& s : d->stili)
        l << s.nome;
    l.sort(Qt::CaseInsensitive);
    return l;
}

bool LumoStampe::selezionaStile(const QString& nome) {
    const auto it = d->stili.constFind(nome.toLower());
    if (it == d->stili.cend())
        return false;
    d->corrente = it->nome;
    return true;
}

QString LumoStampe::stileCorrente() const {
    return d->corrente;
}

void LumoStampe::impostaParametri(const ParametriPagina& p) {
    d->cache.clear();
    d->par = p;
    if (d->par.fatt <= 0)
        d->par.fatt = 1.0;
    if (d->par.interl <= 0)
        d->par.interl = 1.0;
    if (d->dest == Destinazione::Nessuna || d->dest == Destinazione::Anteprima)
        d->foglio = d->layout().fullRect(QPageLayout::Millimeter).size();
}

const ParametriPagina& LumoStampe::parametri() const {
    return d->par;
}

void LumoStampe::impostaFormato(const QPageSize& formato, QPageLayout::Orientation o) {
    d->formato = formato;
    d->orientamento = o;
    if (d->dest == Destinazione::Nessuna || d->dest == Destinazione::Anteprima)
        d->foglio = d->layout().fullRect(QPageLayout::Millimeter).size();
}

QPageLayout::Orientation LumoStampe::orientamento() const {
    return d->orientamento;
}

double LumoStampe::larghezzaStampabile() const {
    return (d->foglio.width() - d->par.mrSin - d->par.mrDes) / d->par.fatt;
}

double LumoStampe::altezzaStampabile() const {
    return (d->foglio.height() - d->par.mrAlt - d->par.mrBas) / d->par.fatt;
}

QSizeF LumoStampe::formatoMm() const {
    return d->foglio;
}

bool LumoStampe::apriPdf(const QString& file, const QString& titolo) {
    if (d->dest != Destinazione::Nessuna)
        return false;
    if (!d->nuovoPdf(file, titolo))
        return false;
    d->dest = Destinazione::Pdf;
    return true;
}

bool LumoStampe::apriDispositivo(QPagedPaintDevice* dispositivo) {
    if (d->dest != Destinazione::Nessuna || !dispositivo)
        return false;
    if (d->par.forzaVert && dispositivo->pageLayout().orientation() == QPageLayout::Landscape)
        dispositivo->setPageOrientation(QPageLayout::Portrait);
    d->dispositivo = dispositivo;
    d->misuraDispositivo();
    d->dest = Destinazione::Dispositivo;
    return true;
}

bool LumoStampe::apriAnteprima(RicevitorePagine* ricevitore) {
    if (d->dest != Destinazione::Nessuna || !ricevitore)
        return false;
    d->ricevitore = ricevitore;
    d->foglio = d->layout().fullRect(QPageLayout::Millimeter).size();
    d->origine = {};
    // The picture is drawn at the PDF's resolution and scaled down to its own: text sized at a
    // screen's resolution would be rounded to whole pixels and no longer line up.
    QPicture prova;
    d->puntiPerMmFigura = prova.logicalDpiX() / MmPerPollice;
    d->scalaFont = double(RisoluzionePdf) / prova.logicalDpiY();
    d->cache.clear();
    d->dest = Destinazione::Anteprima;
    return true;
}

bool LumoStampe::apriPdfPerDocumento() {
    if (d->dest != Destinazione::Nessuna)
        return false;
    d->dest = Destinazione::PdfPerDocumento;
    d->foglio = d->layout().fullRect(QPageLayout::Millimeter).size();
    return true;
}

bool LumoStampe::iniziaDocumento(const QString& file, const QString& titolo) {
    if (d->finita)
        return false;
    if (d->dest == Destinazione::PdfPerDocumento) {
        if (d->documentoAperto && !chiudiDocumento())
            return false;
        if (!d->nuovoPdf(file, titolo))
            return false;
        d->documentoAperto = true;
        d->paginaAperta = false;
    } else if (d->paginaAperta && d->paginaDoc > 0) {
        nuovaPagina();
        d->paginaDoc = 1;
        return true;
    }
    d->paginaDoc = 0;
    return true;
}

bool LumoStampe::chiudiDocumento() {
    if (d->dest != Destinazione::PdfPerDocumento || !d->documentoAperto)
        return true;
    d->documentoAperto = false;
    d->paginaAperta = false;
    bool ok = true;
    if (!d->painter.isActive())
        ok = d->painter.begin(d->pdf.get()); // a document that drew nothing is one blank page
    if (ok)
        ok = d->painter.end();
    if (!ok)
        d->errore =
            QStringLiteral("Impossibile scrivere il file PDF %1").arg(QDir::toNativeSeparators(d->filePdf));
    d->pdf.reset();
    d->dispositivo = nullptr;
    return ok;
}

void LumoStampe::aggiungiOsservatore(OsservatoreStampa* o) {
    if (o)
        d->osservatori.push_back(o);
}

void LumoStampe::rimuoviOsservatore(OsservatoreStampa* o) {
    std::erase(d->osservatori, o);
}

namespace {

// Draws one recorded operation: the same code serves the live print and the redraw of a page.
// `font` is what the style draws with on this device; `ascent` its height above the baseline,
// in the report's millimetres.
void disegna(QPainter& p, const Operazione& op, const QFont& font, double ascent, const ParametriPagina& par,
             QPointF origine, double puntiPerMm) {
    const auto px = [&](double xr) {
        return (par.mrSin + par.dx + xr * par.fatt - origine.x()) * puntiPerMm;
    };
    const auto py = [&](double yr) {
        return (par.mrAlt + par.dy + yr * par.fatt - origine.y()) * puntiPerMm;
    };
    switch (op.tipo) {
    case TipoOperazione::Testo:
    case TipoOperazione::TestoMultiriga: {
        p.setFont(font);
        p.setPen(Qt::black);
        p.drawText(QPointF(px(op.x2), py(op.y + ascent)), op.testo);
        break;
    }
    case TipoOperazione::Riga: {
        QPen pen(Qt::black);
        pen.setWidthF(std::max(0.05, op.larghezza * par.fatt) * puntiPerMm);
        pen.setCapStyle(Qt::FlatCap);
        p.setPen(pen);
        p.drawLine(QPointF(px(op.x), py(op.y)), QPointF(px(op.x2), py(op.y2)));
        break;
    }
    case TipoOperazione::NuovaPagina:
    case TipoOperazione::Fine:
        break;
    }
}

} // namespace

void LumoStampe::testo(double x, double y, double larghezza, const QString& s, Allineamento a, bool enfasi) {
    if (d->finita)
        return;
    const QFontMetricsF m = d->metriche(enfasi);
    QString t = s;
    t.replace(QLatin1Char('\n'), QLatin1Char(' ')).remove(QLatin1Char('\r'));
    double w = mmDaPunti(m.horizontalAdvance(t));
    while (!t.isEmpty() && w > larghezza + 1e-6) {
        t.chop(1);
        w = mmDaPunti(m.horizontalAdvance(t));
    }
    Operazione op;
    op.tipo = TipoOperazione::Testo;
    op.x = x;
    op.y = y;
    op.larghezza = larghezza;
    op.testo = t;
    op.allineamento = a;
    op.enfasi = enfasi;
    op.x2 = a == Allineamento::Sinistra ? x
            : a == Allineamento::Destra ? x + larghezza - w
                                        : x + (larghezza - w) / 2;
    op.y2 = y + mmDaPunti(m.height());
    d->y = op.y2;
    if (!d->paginaAperta)
        nuovaPagina();
    op.pagina = d->paginaRun;
    op.stile = d->corrente;
    if (d->registra)
        d->operazioni.push_back(op);
    if (d->painter.isActive())
        disegna(d->painter, op, d->caratteri(enfasi).disegno, d->caratteri(enfasi).ascent, d->par, d->origine,
                d->puntiPerMm);
}

QStringList LumoStampe::spezzaRighe(double larghezza, const QString& s, bool enfasi) const {
    const QFontMetricsF m = d->metriche(enfasi);
    const auto entra = [&](const QString& t) {
        return mmDaPunti(m.horizontalAdvance(t)) <= larghezza + 1e-6;
    };
    QStringList righe;
    QString testo = s;
    testo.remove(QLatin1Char('\r'));
    for (const QString& paragrafo : testo.split(QLatin1Char('\n'))) {
        QString riga;
        const QStringList parole = paragrafo.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parole.isEmpty()) {
            righe << QString();
            continue;
        }
        for (QString parola : parole) {
            const QString prova = riga.isEmpty() ? parola : riga + QLatin1Char(' ') + parola;
            if (entra(prova)) {
                riga = prova;
                continue;
            }
            if (!riga.isEmpty())
                righe << riga;
            // A word wider than the box is broken where it must.
            while (!entra(parola)) {
                int n = 1;
                while (n < parola.size() && entra(parola.left(n + 1)))
                    ++n;
                righe << parola.left(n);
                parola = parola.mid(n);
            }
            riga = parola;
        }
        righe << riga;
    }
    return righe;
}

double LumoStampe::altezzaRiga() const {
    return mmDaPunti(d->metriche(false).lineSpacing()) * d->par.interl;
}

double LumoStampe::altezzaTesto(double larghezza, const QString& s, bool enfasi) const {
    const double h = mmDaPunti(d->metriche(enfasi).lineSpacing()) * d->par.interl;
    return spezzaRighe(larghezza, s, enfasi).size() * h;
}

double LumoStampe::larghezzaTesto(const QString& s, bool enfasi) const {
    return mmDaPunti(d->metriche(enfasi).horizontalAdvance(s));
}

double LumoStampe::yCorrente() const {
    return d->y;
}

void LumoStampe::impostaCambioPagina(std::function<double(int)> gancio) {
    d->gancio = std::move(gancio);
}

double LumoStampe::testoMultiriga(double x, double y, double larghezza, const QString& s, Allineamento a,
                                  bool enfasi) {
    if (d->finita)
        return 0;
    const QFontMetricsF m = d->metriche(enfasi);
    const double h = mmDaPunti(m.lineSpacing()) * d->par.interl;
    const double limite = altezzaStampabile();
    double inizio = y;
    double yr = y;
    // After a break the line is drawn even when it still does not fit: one break per line at
    // most, so a line taller than the page cannot break pages for ever.
    for (const QString& r : spezzaRighe(larghezza, s, enfasi)) {
        if (!d->paginaAperta)
            nuovaPagina();
        if (yr + h > limite + 1e-6) {
            const QString stile = d->corrente;
            nuovaPagina();
            yr = d->gancio ? d->gancio(d->paginaRun) : 0.0;
            d->corrente = stile; // the heading may have changed it
            inizio = yr;
        }
        Operazione op;
        op.tipo = TipoOperazione::TestoMultiriga;
        op.pagina = d->paginaRun;
        op.x = x;
        op.y = yr;
        op.larghezza = larghezza;
        op.testo = r;
        op.stile = d->corrente;
        op.allineamento = a;
        op.enfasi = enfasi;
        const double w = mmDaPunti(m.horizontalAdvance(r));
        op.x2 = a == Allineamento::Sinistra ? x
                : a == Allineamento::Destra ? x + larghezza - w
                                            : x + (larghezza - w) / 2;
        op.y2 = yr + h;
        if (d->registra)
            d->operazioni.push_back(op);
        if (d->painter.isActive())
            disegna(d->painter, op, d->caratteri(enfasi).disegno, d->caratteri(enfasi).ascent, d->par,
                    d->origine, d->puntiPerMm);
        yr += h;
    }
    d->y = yr;
    return yr - inizio;
}

void LumoStampe::riga(double x1, double y1, double x2, double y2, double spessore) {
    if (d->finita)
        return;
    if (!d->paginaAperta)
        nuovaPagina();
    Operazione op;
    op.tipo = TipoOperazione::Riga;
    op.pagina = d->paginaRun;
    op.x = x1;
    op.y = y1;
    op.x2 = x2;
    op.y2 = y2;
    op.larghezza = spessore;
    op.stile = d->corrente;
    if (d->registra)
        d->operazioni.push_back(op);
    if (d->painter.isActive())
        disegna(d->painter, op, QFont(), 0.0, d->par, d->origine, d->puntiPerMm);
}

int LumoStampe::pagina() const {
    return d->paginaRun;
}
int LumoStampe::paginaDocumento() const {
    return d->paginaDoc;
}
int LumoStampe::pagineTotali() const {
    return d->paginaRun;
}

void LumoStampe::nuovaPagina() {
    if (d->finita)
        return;
    if (d->dest == Destinazione::PdfPerDocumento && !d->documentoAperto) {
        d->errore = QStringLiteral("Stampa su PDF per documento: nessun documento iniziato");
        return;
    }
    // Close the page in hand.
    if (d->paginaAperta && d->dest == Destinazione::Anteprima) {
        d->painter.end();
        d->ricevitore->paginaPronta(d->paginaRun, d->figura, d->foglio, d->puntiPerMmFigura);
        d->figura.reset();
    }
    // Open the next one.
    if (d->dest == Destinazione::Anteprima) {
        d->figura = std::make_shared<QPicture>();
        d->painter.begin(d->figura.get());
        d->painter.scale(d->puntiPerMmFigura / d->puntiPerMm, d->puntiPerMmFigura / d->puntiPerMm);
    } else if (d->dest == Destinazione::Nessuna) {
        // No destination: pages are only counted and recorded (to paginate before printing).
    } else if (!d->painter.isActive()) {
        if (!d->painter.begin(d->dispositivo)) {
            d->errore = QStringLiteral("Impossibile iniziare la stampa sulla destinazione scelta");
            d->finita = true;
            return;
        }
    } else {
        d->dispositivo->newPage();
    }
    if (d->painter.isActive()) {
        d->painter.setRenderHint(QPainter::Antialiasing);
        d->painter.setRenderHint(QPainter::TextAntialiasing);
    }
    d->paginaAperta = true;
    ++d->paginaRun;
    ++d->paginaDoc;
    d->y = 0;
    if (d->registra) {
        Operazione op;
        op.tipo = TipoOperazione::NuovaPagina;
        op.pagina = d->paginaRun;
        op.stile = d->corrente;
        d->operazioni.push_back(op);
    }
    for (OsservatoreStampa* o : d->osservatori)
        o->paginaIniziata(d->paginaRun);
}

bool LumoStampe::fine() {
    if (d->finita)
        return d->errore.isEmpty();
    bool ok = d->errore.isEmpty();
    switch (d->dest) {
    case Destinazione::Nessuna:
        break;
    case Destinazione::Anteprima:
        if (d->paginaAperta) {
            d->painter.end();
            d->ricevitore->paginaPronta(d->paginaRun, d->figura, d->foglio, d->puntiPerMmFigura);
            d->figura.reset();
        }
        break;
    case Destinazione::PdfPerDocumento:
        ok = chiudiDocumento() && ok;
        break;
    case Destinazione::Pdf:
    case Destinazione::Dispositivo:
        if (!d->painter.isActive())
            nuovaPagina(); // an empty print is still a valid file: one blank page
        if (d->painter.isActive() && !d->painter.end()) {
            d->errore = QStringLiteral("Impossibile completare la stampa: file o stampante non scrivibile");
            ok = false;
        }
        break;
    }
    d->paginaAperta = false;
    d->finita = true;
    if (d->registra) {
        Operazione op;
        op.tipo = TipoOperazione::Fine;
        op.pagina = d->paginaRun;
        d->operazioni.push_back(op);
    }
    if (d->ricevitore)
        d->ricevitore->stampaTerminata();
    for (OsservatoreStampa* o : d->osservatori)
        o->stampaTerminata();
    return ok && d->errore.isEmpty();
}

bool LumoStampe::terminata() const {
    return d->finita;
}

void LumoStampe::richiediInterruzione() {
    d->interruzione = true;
}
bool LumoStampe::interruzioneRichiesta() const {
    return d->interruzione;
}

const std::vector<Operazione>& LumoStampe::operazioni() const {
    return d->operazioni;
}

void LumoStampe::registraOperazioni(bool si) {
    d->registra = si;
    if (!si)
        d->operazioni.clear();
}

void LumoStampe::ridisegnaPagina(QPainter& p, int numero, double puntiPerMm) const {
    // As the preview's pictures: drawn at the PDF's resolution, scaled to the device.
    const double virtuali = RisoluzionePdf / MmPerPollice;
    const double scalaFont = p.device() ? double(RisoluzionePdf) / p.device()->logicalDpiY() : 1.0;
    p.save();
    p.scale(puntiPerMm / virtuali, puntiPerMm / virtuali);
    for (const Operazione& op : d->operazioni) {
        if (op.pagina != numero)
            continue;
        StileCarattere s = stile(op.stile).value_or(StileCarattere{op.stile, QStringLiteral("Arial"), 10});
        if (op.enfasi)
            s.grassetto = true;
        const double ascent = mmDaPunti(QFontMetricsF(fontStile(s), &dispositivoMisura()).ascent());
        disegna(p, op, fontStile(s, d->par.fatt * scalaFont), ascent, d->par, QPointF(), virtuali);
    }
    p.restore();
}

QString LumoStampe::errore() const {
    return d->errore;
}

} // namespace tesel::stampa
