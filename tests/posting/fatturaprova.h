#pragma once
// A received invoice written straight into the store tables, for the posting tests:
//
//   const auto k = FatturaProva(db).numero("123/A").data(QDate(anno, 3, 10))
//                      .fornitore("40", "10", "1001").causale("FAA")
//                      .riga(100, "22", {"60", "10", "1001"}).iva(22, 100, 22)
//                      .pagamento(122, QDate(anno, 4, 30)).scrivi();
//
// Defaults: TD01, number "1", dated 10 March of the current year (the demo company's
// accounting year) and received the same day, supplier 40-10-1001 with its VAT number from
// the chart, causal FAA, document total = lines + VAT summary (or lines alone without summary).

#include "frame/currency.h"

#include <QDate>
#include <QString>
#include <optional>
#include <vector>

namespace tesel {

class Database;

namespace prova {

// An amount written as 100, "12.34" or a Currency.
struct Euro {
    Currency v;
    Euro(int unita) : v(Currency::daUnita(unita)) {}
    Euro(const char* testo);
    Euro(Currency c) : v(c) {}
};

struct ContoProva {
    QString gruppo, mastro, conto;
};

struct ChiaveFattura {
    int anno = 0;
    qint32 numero = 0;
};

// One FatXmlDett row. `aliquota` empty: the rate of the VAT code in TabIva. For a
// simplified invoice `numIvaDoppia` -999 makes `aliquota` the line's VAT amount.
struct RigaProva {
    Euro prezzo = 0;
    QString iva{};
    ContoProva conto{};
    QString tipoRiga{}; // "DE", "ID" or empty (Null)
    QString omaggio{};  // "S", "I" or empty
    int numIvaDoppia = 0;
    std::optional<Euro> aliquota{};
};

class FatturaProva {
public:
    explicit FatturaProva(Database& db);

    FatturaProva& tipoDocumento(const QString& td) { return con(tipoDocumento_, td); }
    FatturaProva& numero(const QString& n) { return con(numero_, n); }
    // DGD_Data; XmlAnno is its year
    FatturaProva& data(const QDate& d) { return con(data_, d); }
    // DataRicSdi; invalid: Null
    FatturaProva& ricezione(const QDate& d) { return con(ricezioneData_, true).con(ricezione_, d); }
    FatturaProva& fornitore(const QString& g, const QString& m, const QString& c) {
        return con(fornitore_, ContoProva{g, m, c});
    }
    FatturaProva& senzaFornitore() { return con(fornitore_, ContoProva{}); }
    FatturaProva& partitaIva(const QString& piva, const QString& codiceFiscale = {}) {
        return con(partitaIva_, std::optional(piva)).con(codiceFiscale_, codiceFiscale);
    }
    // empty: Null
    FatturaProva& causale(const QString& c) { return con(causale_, c); }
    FatturaProva& contoCassaPrev(const QString& g, const QString& m, const QString& c) {
        return con(cassaPrev_, ContoProva{g, m, c});
    }
    FatturaProva& contabilizzata() { return con(contabilizzata_, true); }
    // DGD_Divisa and the header's Moneta (the currency code resolved at import)
    FatturaProva& divisa(const QString& iso) { return con(divisa_, iso); }
    // DGD_ImportoTotaleDocumento as the document states it, instead of the computed one
    FatturaProva& totale(Euro t) { return con(totale_, std::optional(t.v)); }

    FatturaProva& riga(Euro prezzo, const QString& iva, const ContoProva& conto);
    FatturaProva& riga(const RigaProva& r) { return aggiungi(righe_, r); }
    // FatXmlIva: rate, taxable, VAT; the code defaults to the first line's code of that rate.
    FatturaProva& iva(Euro aliquota, Euro imponibile, Euro imposta, const QString& codice = {},
                      const QString& esigibilita = QStringLiteral("I")) {
        return aggiungi(iva_, Iva{aliquota.v, imponibile.v, imposta.v, codice, esigibilita});
    }
    // FatXmlPag, all in payment condition 1; an invalid date is Null.
    FatturaProva& pagamento(Euro importo, const QDate& scadenza = {},
                            const QString& modalita = QStringLiteral("MP05")) {
        return aggiungi(pagamenti_, Pagamento{importo.v, scadenza, modalita});
    }
    // The first withholding goes into the header (DGD_DR_), the others into FatXmlDatiGen.
    FatturaProva& ritenuta(Euro importo, const QString& tipo = QStringLiteral("RT01"), Euro aliquota = 20) {
        return aggiungi(ritenute_, Ritenuta{importo.v, aliquota.v, tipo});
    }
    FatturaProva& cassaPrevidenziale(Euro contributo, const QString& iva,
                                     const QString& tipoCassa = QStringLiteral("TC22"),
                                     Euro aliquotaIva = 22) {
        return aggiungi(casse_, Cassa{contributo.v, aliquotaIva.v, iva, tipoCassa});
    }
    // Writes the invoice with the next XmlNumRif of its year. Throws ErroreDb.
    ChiaveFattura scrivi();

private:
    template <typename T, typename V> FatturaProva& con(T& campo, const V& valore) {
        campo = valore;
        return *this;
    }
    template <typename T> FatturaProva& aggiungi(std::vector<T>& v, const T& x) {
        v.push_back(x);
        return *this;
    }
    struct Iva {
        Currency aliquota, imponibile, imposta;
        QString codice, esigibilita;
    };
    struct Pagamento {
        Currency importo;
        QDate scadenza;
        QString modalita;
    };
    struct Ritenuta {
        Currency importo, aliquota;
        QString tipo;
    };
    struct Cassa {
        Currency contributo, aliquota;
        QString iva, tipo;
    };
    Database& db_;
    QString tipoDocumento_ = QStringLiteral("TD01");
    QString numero_ = QStringLiteral("1");
    QDate data_, ricezione_;
    bool ricezioneData_ = false;
    ContoProva fornitore_{QStringLiteral("40"), QStringLiteral("10"), QStringLiteral("1001")};
    std::optional<QString> partitaIva_;
    QString codiceFiscale_;
    QString causale_ = QStringLiteral("FAA");
    QString divisa_ = QStringLiteral("EUR");
    ContoProva cassaPrev_;
    bool contabilizzata_ = false;
    std::optional<Currency> totale_;
    std::vector<RigaProva> righe_;
    std::vector<Iva> iva_;
    std::vector<Pagamento> pagamenti_;
    std::vector<Ritenuta> ritenute_;
    std::vector<Cassa> casse_;
};

} // namespace prova
} // namespace tesel
