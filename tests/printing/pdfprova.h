#pragma once
// What a test reads back from a PDF: its text (pdftotext, layout kept), its fonts (pdffonts).

#include <QProcess>
#include <QRegularExpression>
#include <QString>

namespace tesel::prova {

inline QString eseguiPoppler(const QString& programma, const QStringList& argomenti) {
    QProcess p;
    p.start(programma, argomenti);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QStringLiteral("<%1 non riuscito: %2>")
            .arg(programma, QString::fromUtf8(p.readAllStandardError()));
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline QString testoPdf(const QString& file) {
    return eseguiPoppler(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
}

inline QString fontPdf(const QString& file) {
    return eseguiPoppler(QStringLiteral("pdffonts"), {file});
}

// Where a word lies on its page, in millimetres from the top-left corner (pdftotext -bbox).
struct Riquadro {
    double xMin = -1, yMin = -1, xMax = -1, yMax = -1;
};
inline Riquadro posizioneParola(const QString& file, const QString& parola) {
    const QString html =
        eseguiPoppler(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), file, QStringLiteral("-")});
    static const QRegularExpression re(QStringLiteral(
        R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re"));
    auto it = re.globalMatch(html);
    while (it.hasNext()) {
        const auto m = it.next();
        if (m.captured(5) == parola) {
            const double mm = 25.4 / 72;
            return {m.captured(1).toDouble() * mm, m.captured(2).toDouble() * mm,
                    m.captured(3).toDouble() * mm, m.captured(4).toDouble() * mm};
        }
    }
    return {};
}

// Number of pages, from pdfinfo.
inline int paginePdf(const QString& file) {
    const QString info = eseguiPoppler(QStringLiteral("pdfinfo"), {file});
    for (const QString& r : info.split(QLatin1Char('\n')))
        if (r.startsWith(QLatin1String("Pages:")))
            return r.mid(6).trimmed().toInt();
    return -1;
}

} // namespace tesel::prova
