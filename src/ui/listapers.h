#pragma once
// Personalisation of a list: the user's order, widths and hidden columns, the columns the user
// added (each an expression with its position, caption and width), and the filters and sort
// order last used, so that the list opens again as the user left it.
//
// Storage: one personal value per user and list, "Personal." + list name + ".Colonne", a
// JSON text written to MenuPersonali of the suite's common database (the table the menu
// serves personal values from). Reading looks there first, so a save is seen at once, then
// asks the menu (Configurazione::LeggiPersonal), which may give a section-wide value.
// Without a common database nothing is saved and the columns stay personalised for the
// session only.

#include "ui/listamodello.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace tesel {
struct Contesto;
}

namespace tesel::ui {

struct ColonnaPersonale {
    QString espressione{}; // a field of the list's table
    int posizione = 0;     // 1-based, counted over standard plus personalised columns
    QString titolo{};      // empty: the field name
    int larghezza = 0;     // twips; 0 or less keeps the default
};

struct Personalizzazione {
    QStringList ordine;            // aliases of the standard columns in the user's order
    QHash<QString, int> larghezze; // twips of standard columns, by alias
    QStringList nascoste;          // aliases of hidden standard columns
    std::vector<ColonnaPersonale> aggiunte;
    // The filters' values by filter (name + comparison), only those not empty.
    QHash<QString, QString> filtri;
    // The sort chosen by a header click: the column's alias and its direction.
    QString ordinaPer;
    bool ordinaDiscendente = false;
    bool vuota() const {
        return ordine.isEmpty() && larghezze.isEmpty() && nascoste.isEmpty() && aggiunte.empty() &&
               filtri.isEmpty() && ordinaPer.isEmpty();
    }
};

QString testoPersonalizzazione(const Personalizzazione& p);
// A text that is not a personalisation (damaged, from another version) gives an empty one.
Personalizzazione personalizzazioneDaTesto(const QString& testo);

// Standard and personalised columns merged by position: walking positions 1 to
// (standard + personalised), a position taken by a personalised column gets it, every other
// position the next standard column in order. A personalised expression without "." is
// aliased "_" + its position.
// `origine`, when given, receives per merged column the index of its personalised column, or -1.
std::vector<ColonnaLista> uniscoColonne(const std::vector<ColonnaLista>& standard,
                                        const std::vector<ColonnaPersonale>& personali,
                                        std::vector<int>* origine = nullptr);
// The standard columns in the user's order and widths, merged with the added ones.
std::vector<ColonnaLista> colonnePersonalizzate(const std::vector<ColonnaLista>& standard,
                                                const Personalizzazione& p,
                                                std::vector<int>* origine = nullptr);
// Only a plain field of the table ("Campo" or "Tabella.Campo") may become a column: the
// saved text is user data and must not carry SQL.
bool espressionePermessa(const QString& espressione, const QString& tabella, const QStringList& campi);

// The saved text of a list for the context's user; empty when there is none.
QString leggiPersonalizzazione(Contesto& c, const QString& lista);
// Writes (an empty text deletes) the value; false without a common database. Throws ErroreDb.
bool scriviPersonalizzazione(Contesto& c, const QString& lista, const QString& testo);

} // namespace tesel::ui
