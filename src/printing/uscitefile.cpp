#include "printing/uscitefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringConverter>

#include <algorithm>
#include <map>
#include <set>
#include <xlsxwriter.h>

namespace tesel::stampa {

bool leggiNumero(const QString& testo, CellaDati& cella) {
    static const QRegularExpression forma(QStringLiteral(R"(^([-+]?)(\d{1,3}(?:\.\d{3})+|\d+)(?:,(\d+))?$)"));
    const QString t = testo.trimmed();
    const QRegularExpressionMatch m = forma.match(t);
    if (!m.hasMatch())
        return false;
    QString interi = m.captured(2);
    const bool conPunti = interi.contains(QLatin1Char('.'));
    interi.remove(QLatin1Char('.'));
    const QString decimali = m.captured(3);
    if (!conPunti && decimali.isEmpty() &&
        ((interi.size() > 1 && interi.startsWith(u'0')) || interi.size() > 9))
        return false;
    cella.numero = true;
    cella.decimali = int(decimali.size());
    cella.valore = (m.captured(1) == u"-" ? QStringLiteral("-") : QString()) + interi +
                   (decimali.isEmpty() ? QString() : QLatin1Char('.') + decimali);
    return true;
}

namespace {

bool eTesto(const Operazione& op) {
    return (op.tipo == TipoOperazione::Testo || op.tipo == TipoOperazione::TestoMultiriga) &&
           !op.testo.trimmed().isEmpty();
}

// Positions compared to a tenth (rows) or half (columns) of a millimetre.
int decimi(double mm) {
    return int(std::lround(mm * 10));
}
int mezzi(double mm) {
    return int(std::lround(mm * 2));
}

} // namespace

std::vector<RigaDati> tabellaDaOperazioni(const std::vector<Operazione>& operazioni) {
    std::set<int> sinistre;
    std::map<std::pair<int, int>, std::vector<const Operazione*>> righe; // (page, y) -> texts
    for (const Operazione& op : operazioni) {
        if (!eTesto(op))
            continue;
        sinistre.insert(mezzi(op.x));
        righe[{op.pagina, decimi(op.y)}].push_back(&op);
    }
    QHash<int, int> colonna;
    for (int x : sinistre)
        colonna.insert(x, int(colonna.size()));

    std::vector<RigaDati> tabella;
    tabella.reserve(righe.size());
    for (auto& [chiave, testi] : righe) {
        std::stable_sort(testi.begin(), testi.end(),
                         [](const Operazione* a, const Operazione* b) { return a->x < b->x; });
        RigaDati riga;
        for (const Operazione* op : testi) {
            const size_t c = size_t(colonna.value(mezzi(op->x)));
            if (riga.size() <= c)
                riga.resize(c + 1);
            CellaDati& cella = riga[c];
            cella.testo =
                cella.testo.isEmpty() ? op->testo.trimmed() : cella.testo + u' ' + op->testo.trimmed();
        }
        for (CellaDati& cella : riga) {
            cella.numero = false;
            if (!cella.testo.isEmpty())
                leggiNumero(cella.testo, cella);
        }
        tabella.push_back(std::move(riga));
    }
    return tabella;
}

std::optional<FormatoFile> formatoDaTesto(const QString& testo) {
    const QString t = testo.trimmed().toLower();
    if (t == u"xlsx" || t == u"xls")
        return FormatoFile::Xlsx;
    if (t == u"csv")
        return FormatoFile::Csv;
    if (t == u"txt")
        return FormatoFile::Txt;
    return std::nullopt;
}

namespace {

QString numeroSenzaFormato(const CellaDati& c) {
    QString v = c.valore;
    return v.replace(QLatin1Char('.'), QLatin1Char(','));
}

bool scriviXlsx(const std::vector<RigaDati>& tabella, const QString& file, const OpzioniFileDati& o,
                QString& errore) {
    if (tabella.size() > 1048576) {
        errore = QStringLiteral("Troppe righe per un file Excel (al massimo 1.048.576)");
        return false;
    }
    const QByteArray nome = QFile::encodeName(file);
    lxw_workbook* wb = workbook_new(nome.constData());
    if (!wb) {
        errore = QStringLiteral("Impossibile creare il file ") + file;
        return false;
    }
    lxw_worksheet* ws = workbook_add_worksheet(wb, "Stampa");
    // One format per number of decimals, as the report printed them.
    std::map<int, lxw_format*> formati;
    const auto formato = [&](int decimali) -> lxw_format* {
        if (o.numeriSenzaFormato)
            return nullptr;
        auto it = formati.find(decimali);
        if (it != formati.end())
            return it->second;
        lxw_format* f = workbook_add_format(wb);
        const QByteArray mask =
            decimali > 0 ? QByteArray("#,##0.") + QByteArray(decimali, '0') : QByteArray("#,##0");
        format_set_num_format(f, mask.constData());
        return formati[decimali] = f;
    };
    lxw_error esito = LXW_NO_ERROR;
    for (size_t r = 0; r < tabella.size() && esito == LXW_NO_ERROR; ++r) {
        for (size_t c = 0; c < tabella[r].size() && esito == LXW_NO_ERROR; ++c) {
            const CellaDati& cella = tabella[r][c];
            if (cella.testo.isEmpty())
                continue;
            if (c >= 16384) {
                esito = LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE;
                break;
            }
            if (cella.numero)
                esito = worksheet_write_number(ws, lxw_row_t(r), lxw_col_t(c), cella.valore.toDouble(),
                                               formato(cella.decimali));
            else
                esito = worksheet_write_string(ws, lxw_row_t(r), lxw_col_t(c),
                                               cella.testo.toUtf8().constData(), nullptr);
        }
    }
    const lxw_error chiusura = workbook_close(wb);
    if (esito == LXW_NO_ERROR)
        esito = chiusura;
    if (esito != LXW_NO_ERROR) {
        errore = QStringLiteral("Errore nella scrittura del file ") + file + QStringLiteral(": ") +
                 QString::fromUtf8(lxw_strerror(esito));
        return false;
    }
    return true;
}

bool scriviDelimitato(const std::vector<RigaDati>& tabella, const QString& file, const OpzioniFileDati& o,
                      QString& errore) {
    QString testo;
    for (const RigaDati& riga : tabella) {
        for (size_t c = 0; c < riga.size(); ++c) {
            if (c > 0)
                testo += o.separatore;
            const CellaDati& cella = riga[c];
            if (cella.testo.isEmpty())
                continue;
            if (cella.numero) {
                // "1.234,50" with a comma separator must stay one column.
                const QString n = o.numeriSenzaFormato ? numeroSenzaFormato(cella) : cella.testo;
                const QString q = o.qualificatore.isEmpty() ? QStringLiteral("\"") : o.qualificatore;
                testo += n.contains(o.separatore) ? q + n + q : n;
                continue;
            }
            QString q = o.qualificatore;
            if (q.isEmpty() && (cella.testo.contains(o.separatore) || cella.testo.contains(u'"')))
                q = QStringLiteral("\"");
            if (q.isEmpty()) {
                testo += cella.testo;
            } else {
                QString t = cella.testo;
                t.replace(q, q + q);
                testo += q + t + q;
            }
        }
        testo += QStringLiteral("\r\n");
    }
    QSaveFile f(file);
    if (!f.open(QIODevice::WriteOnly)) {
        errore =
            QStringLiteral("Impossibile creare il file ") + file + QStringLiteral(": ") + f.errorString();
        return false;
    }
    f.write("\xEF\xBB\xBF");
    f.write(testo.toUtf8());
    if (!f.commit()) {
        errore = QStringLiteral("Errore nella scrittura del file ") + file + QStringLiteral(": ") +
                 f.errorString();
        return false;
    }
    return true;
}

} // namespace

bool scriviFileDati(const std::vector<RigaDati>& tabella, const QString& file, const OpzioniFileDati& o,
                    QString& errore) {
    if (file.trimmed().isEmpty()) {
        errore = QStringLiteral("Manca il nome del file di stampa");
        return false;
    }
    if (!QFileInfo(file).absoluteDir().exists()) {
        errore =
            QStringLiteral("La cartella del file di stampa non esiste: ") + QFileInfo(file).absolutePath();
        return false;
    }
    return o.formato == FormatoFile::Xlsx ? scriviXlsx(tabella, file, o, errore)
                                          : scriviDelimitato(tabella, file, o, errore);
}

// ---- Fixed length -----------------------------------------------------------------------------

std::optional<QByteArray> sequenzaDaTesto(const QString& testo) {
    QByteArray s;
    for (const QString& parte : testo.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        bool ok = false;
        const int n = parte.trimmed().toInt(&ok);
        if (!ok || n < 0 || n > 255)
            return std::nullopt;
        s.append(char(n));
    }
    return s;
}

QString sequenzaATesto(const QByteArray& sequenza) {
    QStringList parti;
    for (char c : sequenza)
        parti << QString::number(uchar(c));
    return parti.join(QLatin1Char(','));
}

QString controllaOpzioniFissa(const OpzioniFissa& o) {
    if (o.colonne < 20 || o.colonne > 400)
        return QStringLiteral("Il numero di colonne deve essere compreso tra 20 e 400");
    if (o.righe < 10 || o.righe > 400)
        return QStringLiteral("Le righe per pagina devono essere comprese tra 10 e 400");
    if (o.righeVuoteAlto < 0 || o.righeVuoteBasso < 0)
        return QStringLiteral("Le righe vuote non possono essere negative");
    if (o.righe - o.righeVuoteAlto - o.righeVuoteBasso < 5)
        return QStringLiteral("Le righe vuote in alto e in basso lasciano meno di 5 righe per la stampa");
    return {};
}

namespace {

struct Foglio {
    std::vector<QString> righe;
    // One past the last character written on the row (0 when empty).
    int fineRiga(int riga) const {
        if (riga < 0 || riga >= int(righe.size()))
            return 0;
        const QString& r = righe[size_t(riga)];
        int fine = int(r.size());
        while (fine > 0 && r[fine - 1] == u' ')
            --fine;
        return fine;
    }
    void scrivi(int riga, int colonna, const QString& t) {
        if (int(righe.size()) <= riga)
            righe.resize(size_t(riga) + 1);
        // Never over another text: start after what is already there.
        const int fine = fineRiga(riga);
        const int inizio = fine > colonna ? fine + 1 : colonna;
        QString& r = righe[size_t(riga)];
        if (r.size() < inizio + t.size())
            r = r.leftJustified(inizio + int(t.size()), u' ');
        r.replace(inizio, t.size(), t);
    }
};

} // namespace

QByteArray testoLunghezzaFissa(const std::vector<Operazione>& operazioni, double larghezzaMm,
                               double altezzaMm, const OpzioniFissa& o) {
    const int utili = std::max(1, o.righe - o.righeVuoteAlto - o.righeVuoteBasso);
    const double mmColonna = larghezzaMm > 0 ? larghezzaMm / o.colonne : 2.54;
    const double mmRiga = altezzaMm > 0 ? altezzaMm / utili : 4.23;

    // Texts by page and line, left to right.
    std::map<int, std::map<int, std::vector<const Operazione*>>> pagine;
    for (const Operazione& op : operazioni)
        if (eTesto(op))
            pagine[op.pagina][decimi(op.y)].push_back(&op);

    std::vector<Foglio> fogli;
    for (auto& [pagina, righe] : pagine) {
        Foglio foglio;
        int ultima = -1;
        for (auto& [y, testi] : righe) {
            std::stable_sort(testi.begin(), testi.end(),
                             [](const Operazione* a, const Operazione* b) { return a->x < b->x; });
            std::vector<std::pair<int, QString>> posti;
            for (const Operazione* op : testi) {
                const QString t = op->testo.trimmed();
                int colonna = int(std::lround(op->x / mmColonna));
                const int larghezza = std::max(1, int(std::lround(op->larghezza / mmColonna)));
                if (op->allineamento == Allineamento::Destra)
                    colonna = std::max(colonna, colonna + larghezza - int(t.size()));
                else if (op->allineamento == Allineamento::Centro)
                    colonna = std::max(colonna, colonna + (larghezza - int(t.size())) / 2);
                posti.emplace_back(std::max(0, colonna), t);
            }
            // A line a little lower than the previous one shares its row when it only adds
            // texts to the right of it (a rate printed half a line under its amount); otherwise
            // it takes the next row, so lines never merge.
            const int candidata = int(std::floor(y / 10.0 / mmRiga + 0.25));
            int riga = std::max(ultima + 1, candidata);
            if (ultima >= 0 && candidata <= ultima && posti.front().first > foglio.fineRiga(ultima))
                riga = ultima;
            ultima = riga;
            for (const auto& [colonna, t] : posti)
                foglio.scrivi(riga, colonna, t);
        }
        // A page with more lines than rows goes on to the next sheet.
        for (size_t i = 0; i < foglio.righe.size(); i += size_t(utili)) {
            Foglio parte;
            const size_t fine = std::min(foglio.righe.size(), i + size_t(utili));
            parte.righe.assign(foglio.righe.begin() + qsizetype(i), foglio.righe.begin() + qsizetype(fine));
            fogli.push_back(std::move(parte));
        }
        if (foglio.righe.empty())
            fogli.emplace_back();
    }

    QByteArray out;
    if (o.compresso)
        out += o.inizioCompresso;
    const auto riga = [&](const QString& t) {
        QString s = t;
        while (s.endsWith(u' '))
            s.chop(1);
        for (QChar& c : s)
            if (c.unicode() > 0xFF)
                c = u'?';
        out += s.toLatin1();
        out += "\r\n";
    };
    for (const Foglio& f : fogli) {
        for (int i = 0; i < o.righeVuoteAlto; ++i)
            riga({});
        for (int i = 0; i < utili; ++i)
            riga(i < int(f.righe.size()) ? f.righe[size_t(i)] : QString());
        for (int i = 0; i < o.righeVuoteBasso; ++i)
            riga({});
    }
    if (o.compresso)
        out += o.fineCompresso;
    return out;
}

} // namespace tesel::stampa
