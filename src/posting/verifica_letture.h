#pragma once
// What the consistency check and the transfer of an invoice's staging registrations both read:
// protocols and their conditions, the invoice as the report names it, its staging
// registrations and their balance, the lock a repair takes, and the report's texts. Internal
// to those two; the database look-ups throw ErroreDb.

#include "frame/currency.h"
#include "frame/data.h"
#include "posting/primanota.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <exception>
#include <tuple>
#include <utility>
#include <vector>

namespace tesel {
class BlocchiTenuti;
class Database;
class Recordset;
} // namespace tesel

namespace tesel::posting::verifica {

inline const QString Crlf = QStringLiteral("\r\n");

QString numeroReg(int anno, qint64 numReg);

QString elenco(const QStringList& voci);

QString importoTesto(Currency c);

// A protocol as due dates and registrations carry it; the prefix "." stands for none.
struct Protocollo {
    QString preProt;
    qint64 numProt = 0;
    QDate data;
    bool valido() const { return numProt > 0 && data.isValid(); }
    QString testo() const {
        return preProt + u'/' + QString::number(numProt) + QStringLiteral(" del ") + testoData(data);
    }
    friend bool operator==(const Protocollo&, const Protocollo&) = default;
    friend auto operator<=>(const Protocollo& a, const Protocollo& b) {
        return std::tie(a.preProt, a.numProt, a.data) <=> std::tie(b.preProt, b.numProt, b.data);
    }
};

QString prefisso(const QString& p);

Protocollo protocollo(const Recordset& rs, const QString& radice = {});

// The prefix of a column compared as the protocol's: blank and Null are ".".
QString prefissoSql(const QString& colonna);

// " and <prefix>PreProt = ... and NumProt = ... and DataProt = ..." of a protocol.
QString condizioneProtocollo(const Protocollo& p, const QString& radice = {});

// The supplier due dates of a protocol of registration year `anno`.
QString condizioneScadenze(int anno, const Protocollo& p);

// The registrations of a family that own a protocol: theirs by a causal with a VAT register (the
// withholding and payment registrations carry the invoice's protocol too).
std::vector<qint64> titolariProtocollo(Database& db, FamigliaPn famiglia, int anno, const Protocollo& p);

// "1 scadenza", "3 scadenze"
QString quanteScadenze(int n);

QString elencoGiornale(int anno, const std::vector<qint64>& numeri);

// A stored invoice as the report names it.
struct FatturaLetta {
    bool esiste = false;
    bool contabilizzata = false;
    QString nome; // "fattura 2025/3 (n. 123/A del 10/03/2025, P.Iva 03981270683)"
};

FatturaLetta leggiFattura(Database& db, int xmlAnno, qint64 xmlNumRif);

// Takes the staging registration's record lock for a repair; false, with who holds it, when
// someone else does.
bool bloccaAppoggio(BlocchiTenuti& blocchi, const QString& utente, const QString& gestione, int anno,
                    qint64 numero, QString& motivo);

// A staging registration of an invoice, with what its repair needs.
struct RegistrazioneAppoggio {
    int anno = 0;
    qint64 numReg = 0;
    QString causale, tipoReg, segnoPrinc;
    bool causaleEsiste = false;
    Protocollo protocollo;
};

std::vector<RegistrazioneAppoggio> registrazioniAppoggio(Database& db, int xmlAnno, qint64 xmlNumRif);

// Dare and Avere of one registration, as exact amounts.
std::pair<Currency, Currency> dareAvere(Database& db, const QString& righe, int anno, qint64 numReg);

QString testoEccezione(const std::exception& e);

} // namespace tesel::posting::verifica
