#pragma once
// The PDF and e-mail parameters of a print, as the print dialog's PDF/e-mail panel shows and
// saves them: in "Opzioni Stampa", each under the same four keys as the print options (all
// workstations or this one, default or this print only). The sending reads them from there.

#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

namespace tesel::stampa {

enum class TipoParametro {
    Testo,
    Sino,     // "S"/"N"
    Scelta,   // one of `scelte` (the value is the text, or its 1-based number when `numerata`)
    Password, // never shown, never logged
    Cartella, // a folder, with "Cerca"
    File,     // a file name, with "Cerca"
    Numero    // a whole number from `minimo` to `massimo`
};

struct ParametroEmail {
    QString nome;       // the key: "EmailInd", "PdfNomeFile" ...
    QString didascalia; // the panel's caption
    TipoParametro tipo = TipoParametro::Testo;
    QStringList scelte;
    bool numerata = false;
    int minimo = 0;
    int massimo = 0;
};

// Every parameter of the panel, in its order.
const std::vector<ParametroEmail>& parametriPdfEmail();
const ParametroEmail* parametroPdfEmail(const QString& nome);

// The send types.
inline const QStringList TipiInvio{QStringLiteral("CDO"), QStringLiteral("Sendmail"),
                                   QStringLiteral("Outlook"), QStringLiteral("See")};

// The checks made when the panel is confirmed or saved: one message per fault, in the panel's
// order; empty when all is right. An address must be "name@domain.tld"; the port a number;
// SSL only with the send type "See"; a stunnel folder, when given, must exist. Mail goes out over
// TLS directly, so the stunnel folder is not required (the other workstations of the suite may
// still read it).
QStringList controllaParametriEmail(const QHash<QString, QString>& valori);

} // namespace tesel::stampa
