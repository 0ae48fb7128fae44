#pragma once
// The print of a list's rows ("Stampa dati della lista"): a table with the list's columns,
// the caption row repeated on every page, a heading with the title, the company, the date
// and "Pag. n", and the rows as the list shows them. The rows come one at a time from the
// caller, so a list of any length prints without being held in memory.

#include "printing/lumostampe.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace tesel::stampa {

struct ColonnaStampaLista {
    QString titolo;
    double peso = 1; // share of the width (the grid's width of the column)
    Allineamento allineamento = Allineamento::Sinistra;
};

struct ImpostazioniStampaLista {
    QString titolo;  // the list's name
    QString azienda; // the company, top left
    QString famiglia = QStringLiteral("Arial");
    double punti = 10;
    bool grassetto = false;
    bool corsivo = false;
    bool protUltRiga = false; // "ProtUltRiga": a rule under the last row as well
    QDateTime quando = QDateTime::currentDateTime();
};

struct EsitoStampaLista {
    int righe = 0;
    int pagine = 0;
    bool interrotta = false;
};

// Draws the rows on `s` (destination already opened, page parameters and sheet set). The
// widths of the columns are their weights scaled to the printable width; a cell wider than
// its column is cut at the column's edge. `prossima` fills the next row's cells and answers
// false at the end. The interrupt request of the print object is honoured between rows.
// Does not call s.fine().
EsitoStampaLista stampaLista(LumoStampe& s, const std::vector<ColonnaStampaLista>& colonne,
                             const std::function<bool(QStringList& celle)>& prossima,
                             const ImpostazioniStampaLista& imp);

} // namespace tesel::stampa
