#pragma once
// What a test reads back from a PDF: its text (pdftotext, layout kept), its fonts (pdffonts).

#include <QProcess>
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

// Number of pages, from pdfinfo.
inline int paginePdf(const QString& file) {
    const QString info = eseguiPoppler(QStringLiteral("pdfinfo"), {file});
    for (const QString& r : info.split(QLatin1Char('\n')))
        if (r.startsWith(QLatin1String("Pages:")))
            return r.mid(6).trimmed().toInt();
    return -1;
}

} // namespace tesel::prova
