#pragma once
// The page of one received invoice (private to the print): the procedures that draw it, in
// millimetres from the top-left corner of the printable area. The frame is 196 wide; the body
// ends 63 mm above the bottom of the printable area (220 on an A4 sheet with 7 mm margins),
// where the footer boxes begin.

#include "frame/currency.h"
#include "printing/lumostampe.h"
#include "printing/stfatpas.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace tesel::stampa {

// One row of the footer's VAT summary: the figures and, for an exempt row, the text below.
struct RigaRiepilogo {
    QString codice, aliquota, imponibile, imposta;
    QStringList nota; // the exemption's nature, kind and law reference, already broken to lines
};

class StFatPas::Impaginatore {
public:
    Impaginatore(StFatPas& stampa, LumoStampe& s, const FatturaInStampa& f);
    void stampa();

    // The drawing operations each report procedure wraps.
    void FatPasFont(const QString& stile);
    void FatPasStCampo(double x, double y, double larghezza, const QString& testo,
                       Allineamento a = Allineamento::Sinistra, bool enfasi = false);
    double FatPasStMemo(double x, double y, double larghezza, const QString& testo);
    void FP_StampaLinea(double x1, double y1, double x2, double y2, double spessore = 0.2);
    // A label in its box, in a narrower bold style when the usual one does not fit.
    void etichetta(double x, double y, double larghezza, const QString& testo,
                   Allineamento a = Allineamento::Sinistra);

private:
    // Header (every page).
    void StampaTestata();
    void stampaFornitore();
    void stampaCliente();
    void stampaRigaDocumento();
    void stampaRigaPagamento();
    void stampaIntestazioniRighe();
    // Footer (every page; figures on the last, "SEGUE" on the others).
    void StPiede(bool ultima);
    void stampaSpese(double y, bool ultima);
    void stampaRiepilogo(double y, double fondo);
    void stampaAnnotazioni(double y, double fondo);
    void stampaTotali(double y, bool ultima);
    // Room for a row of height h above the footer; else a new page with its header.
    void ctrRiga(double h);
    // Body.
    void StampaDettaglio(const RigaStore& r);
    QStringList StampaAltriDati(const RigaStore& r);
    void stampaSeguito(const QString& titolo, const QStringList& righe);
    // What the footer shows, worked out once before the first row.
    void preparaPiede();
    std::vector<RigaRiepilogo> StampaIvaDet();
    QStringList StPagamenti();
    QString DescPagBanca(const RigaStore& p);
    QStringList StCassaPrevid();
    QStringList StRitAcconto();
    QStringList StCausale();
    QStringList riferimentiDocumento();
    // The tax of a simplified invoice's line: written in the line, or the part of its
    // VAT-inclusive amount that the rate gives; nothing for an exempt line.
    std::optional<Currency> impostaSemplificata(const RigaStore& r) const;
    std::optional<RigaStore> LeggiADG(int xmlRigDet, const QString& tipo) const;
    QStringList spezza(const QString& stile, double larghezza, const QStringList& testi);

    StFatPas& st_;
    LumoStampe& s_;
    const FatturaInStampa& f_;
    double altezza_ = 283;    // printable height
    double fondoCorpo_ = 220; // where the body ends and the footer begins
    double y_ = 0;            // next body row

    // The last page's footer: what fits in its boxes, and what follows the lines instead.
    std::vector<RigaRiepilogo> riepilogo_;
    std::vector<RigaRiepilogo> riepilogoSeguito_;
    QStringList annotazioni_;
    QStringList annotazioniSeguito_;
    Currency merce_, speseAccessorie_, trasporto_, varie_, incasso_;
    Currency imponibile_, imposta_, esente_;
};

} // namespace tesel::stampa
