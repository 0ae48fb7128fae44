#pragma once
// The outputs a print can have besides paper, preview and PDF, both made from the record of what
// the report drew (LumoStampe::operazioni), so every report gets them without code of its own:
//  - a data file (.xlsx, .csv, .txt): every printed line a row, every box position a column;
//  - the fixed-length text: the page as a grid of characters (columns, rows per page, blank rows
//    above and below, the printer's compressed-mode sequences), for a file or a raw queue.

#include "printing/lumostampe.h"

#include <QByteArray>
#include <QString>
#include <vector>

namespace tesel::stampa {

// One cell of the table: a text, or a number as the report printed it ("1.234,50").
struct CellaDati {
    QString testo;
    bool numero = false;
    QString valore; // the number in plain form ("-1234.50") when `numero`
    int decimali = 0;
};
using RigaDati = std::vector<CellaDati>;

// A printed text is a number when it is written the Italian way: an optional sign, digits with
// or without thousand dots, an optional decimal comma. Codes stay texts: a leading zero ("0123",
// a VAT number or a postcode), or more than nine digits without separators.
bool leggiNumero(const QString& testo, CellaDati& cella);

// The printed texts as rows and columns: one row per line (page and top of the box), one column
// per left edge of a box (to half a millimetre) over the whole print, so a report's columns stay
// columns from page to page. Two texts falling in the same cell are joined with a blank.
std::vector<RigaDati> tabellaDaOperazioni(const std::vector<Operazione>& operazioni);

enum class FormatoFile { Xlsx, Csv, Txt };
// "xlsx", "csv", "txt" (also the name's extension); nothing for anything else.
std::optional<FormatoFile> formatoDaTesto(const QString& testo);

struct OpzioniFileDati {
    FormatoFile formato = FormatoFile::Csv;
    QChar separatore = QLatin1Char(';'); // blank, tab, semicolon or comma
    QString qualificatore;               // none, "'" or "\""
    bool numeriSenzaFormato = false;     // "Tolgo il formato nei campi numerici"
};

// Writes the table. Csv and txt: UTF-8 with its mark (the spreadsheet then reads accents right),
// CRLF line ends, texts in the qualifier (doubled inside; a text holding the separator is
// qualified with '"' even when none was chosen, so no column is lost), numbers as printed or,
// without format, without thousand dots. Xlsx: numbers as numbers with the printed decimals
// ("#,##0.00"), or the general format without format. False with `errore` in Italian.
bool scriviFileDati(const std::vector<RigaDati>& tabella, const QString& file, const OpzioniFileDati& o,
                    QString& errore);

// The fixed-length layout.
struct OpzioniFissa {
    int colonne = 80;           // characters per row
    int righe = 66;             // rows per page, blank rows included
    int righeVuoteAlto = 0;     // blank rows at the top of each page
    int righeVuoteBasso = 0;    // blank rows at the bottom
    bool compresso = false;     // send the compressed-mode sequences
    QByteArray inizioCompresso; // sent before the first row
    QByteArray fineCompresso;   // sent after the last one
};

// A sequence written as decimal byte codes separated by commas ("27,15"); nothing when a code is
// not a number from 0 to 255.
std::optional<QByteArray> sequenzaDaTesto(const QString& testo);
QString sequenzaATesto(const QByteArray& sequenza);
// The message for options that cannot give a page; empty when they can.
QString controllaOpzioniFissa(const OpzioniFissa& o);

// The print as fixed-length text. The page's printable width spreads over the columns and the
// printable height over the rows between the blank ones; a text starts at its box's column (a
// right-aligned one ends at its box's end). Nothing is lost: lines that would share a row take
// the next one, a page with more lines than rows goes on to the next sheet, a text that would
// overwrite another starts after it. Each page is exactly `righe` rows, CRLF-ended, Latin-1
// (characters it cannot hold become "?").
QByteArray testoLunghezzaFissa(const std::vector<Operazione>& operazioni, double larghezzaMm,
                               double altezzaMm, const OpzioniFissa& o);

} // namespace tesel::stampa
