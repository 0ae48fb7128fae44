#pragma once
// Reads an .xlsx back for a test: the cells of the first sheet, by reference ("B2"), with
// their kind as the file stores it (a number, or a text through the shared strings) and the
// number format of the cell. Read with the zip and XML modules of python3, so the test relies
// on the file format, not on the library that wrote it.

#include <QHash>
#include <QProcess>
#include <QString>

namespace tesel::prova {

struct CellaXlsx {
    bool numero = false;
    QString valore;  // the number as stored ("1234.5"), or the text
    QString formato; // the number format code; empty for the general one
};

inline QHash<QString, CellaXlsx> leggiXlsx(const QString& file, QString* errore = nullptr) {
    static const char* script = R"PY(
import sys, zipfile, xml.etree.ElementTree as ET
ns = {'m': 'http://schemas.openxmlformats.org/spreadsheetml/2006/main'}
z = zipfile.ZipFile(sys.argv[1])
condivisi = []
if 'xl/sharedStrings.xml' in z.namelist():
    for si in ET.fromstring(z.read('xl/sharedStrings.xml')).findall('m:si', ns):
        condivisi.append(''.join(t.text or '' for t in si.iter('{%s}t' % ns['m'])))
stili = ET.fromstring(z.read('xl/styles.xml'))
codici = {n.get('numFmtId'): n.get('formatCode') for n in stili.iter('{%s}numFmt' % ns['m'])}
xfs = [x.get('numFmtId') for x in stili.find('m:cellXfs', ns).findall('m:xf', ns)]
foglio = ET.fromstring(z.read('xl/worksheets/sheet1.xml'))
for c in foglio.iter('{%s}c' % ns['m']):
    v = c.find('m:v', ns)
    if v is None:
        continue
    tipo = c.get('t', 'n')
    valore = condivisi[int(v.text)] if tipo == 's' else v.text
    formato = codici.get(xfs[int(c.get('s', '0'))], '')
    sys.stdout.write('%s\t%s\t%s\t%s\n' % (c.get('r'), 'n' if tipo == 'n' else 's', formato, valore))
)PY";
    QHash<QString, CellaXlsx> celle;
    QProcess p;
    p.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(script), file});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        if (errore)
            *errore = QString::fromUtf8(p.readAllStandardError());
        return celle;
    }
    for (const QString& riga :
         QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts)) {
        const QStringList parti = riga.split(u'\t');
        if (parti.size() >= 4)
            celle.insert(parti[0], {parti[1] == u"n", parti.mid(3).join(u'\t'), parti[2]});
    }
    return celle;
}

} // namespace tesel::prova
