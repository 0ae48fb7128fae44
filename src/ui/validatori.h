#pragma once
// Checks of typed time and date fields, run when a field is left: the value is parsed,
// written back in its normal form, and a fault colours the field, gives it the focus or is
// shown, as the caller asks. A validator never raises: the form decides what to do.

#include <QColor>
#include <QDate>
#include <QString>
#include <QTime>
#include <optional>

class QLineEdit;

namespace tesel::ui {

// Option bits.
inline constexpr int OpzObbligatorio = 1; // an empty field is a fault
inline constexpr int OpzSecondi = 2;      // times are written "hh:mm:ss" (else "hh:mm")

// Reactions to a fault.
inline constexpr int ReazColora = 1;
inline constexpr int ReazFuoco = 2;
inline constexpr int ReazColoraEFuoco = 3;

// Conversion codes.
inline constexpr int CodOk = 0;
inline constexpr int CodVuoto = -1;         // empty and not required: the field is left as it is
inline constexpr int CodNonValido = -2;     // not a time or date
inline constexpr int CodObbligatorio = -3;  // required and empty
inline constexpr int CodTroppoPiccola = -4; // a date before the smallest accepted date

// Process-wide background colours of fields: normal (white) and in error (light red).
QColor coloreNormaleCampo();
QColor coloreErroreCampo();

template <typename T> struct Conversione {
    int codice = CodOk;
    std::optional<T> valore; // set for CodOk, and for CodTroppoPiccola (the date typed)
    QString testo;           // the normal form of the value ("hh:mm[:ss]", "dd/mm/yyyy")
};

// Times: "10:15", "10.15", "10,15", "9.5" (09:05), "1015", "915", "10", "10:15:30", "101530".
Conversione<QTime> convertiOra(const QString& testo, int opzioni);
// Dates: "dd/mm/yyyy", "d/m/yy" (also with "-" or "."), "ddmmyyyy", "ddmmyy"; two-digit years
// 00-29 are 20xx, 30-99 are 19xx.
Conversione<QDate> convertiData(const QString& testo, int opzioni, const QDate& dataMinima);

// Check `valore` (normally the field's text) and report on `campo` (may be null). Messages:
// "Ora Obbligatoria", "Ora non valida". The message is shown in a message box when
// `mostraMessaggio`, and always returned in `messaggio` (empty when the value is good).
// A value that is not a time is left in the field as typed, so the user can correct it.
std::optional<QTime> ControllaOra(QLineEdit* campo, const QString& valore, int opzioni, int reazione,
                                  std::optional<QColor> coloreNormale, bool mostraMessaggio,
                                  QString& messaggio);
// As ControllaOra; messages "Data Obbligatoria", "Data non valida", "Data troppo piccola" (the
// date is written back in its normal form, but not answered).
std::optional<QDate> ControllaData(QLineEdit* campo, const QString& valore, int opzioni, int reazione,
                                   std::optional<QColor> coloreNormale, bool mostraMessaggio,
                                   QString& messaggio, const QDate& dataMinima = QDate(1900, 1, 1));

} // namespace tesel::ui
