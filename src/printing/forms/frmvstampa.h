#pragma once
// The print preview "Visualizzazione Stampa": shows the pages of a running print one at a time,
// while the print is still producing them. The user moves between pages with the four arrows
// (first, previous, next, last), PageUp/PageDown and Ctrl+Home/Ctrl+End, scrolls with the bars
// or the wheel, and zooms with "Zoom" (frmVStaPar) or Ctrl+wheel / Ctrl++ / Ctrl+-.
//
// Pages are kept as vector pictures when "Memorizza pagine" is on; otherwise only the print's
// record is kept and the page shown is redrawn from it (the print must keep its record on).

#include "printing/lumostampe.h"

#include <QWidget>

#include <array>
#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QScrollBar;
class QToolButton;

namespace tesel {
class Interazione;
}

namespace tesel::stampa {

class FrmVStampa : public QWidget, public RicevitorePagine {
    Q_OBJECT
public:
    explicit FrmVStampa(Interazione& ui, QWidget* padre = nullptr);
    ~FrmVStampa() override;

    // The print drawing into this preview; set before the print starts (it must outlive the
    // form, or be cleared with nullptr).
    void setOgStampa(LumoStampe* stampa) { ogStampa_ = stampa; }
    LumoStampe* ogStampa() const { return ogStampa_; }

    // Magnification in percent (the option "Fatt") and page keeping (the option "MemVid").
    void impostaFatt(int percento);
    int fatt() const { return fatt_; }
    void impostaMemVid(bool memorizza) { memVid_ = memorizza; }
    bool memVid() const { return memVid_; }
    // Only pages da..a (1-based, 0 = no limit) are shown ("PaginaDa", "PaginaA").
    void impostaIntervallo(int da, int a);

    // RicevitorePagine
    void paginaPronta(int numero, std::shared_ptr<const QPicture> pagina, QSizeF formato,
                      double puntiPerMm) override;
    void stampaTerminata() override;

    // The page shown (1-based; 0 while none arrived), how many arrived, whether the print ended.
    int paginaCorrente() const { return corrente_; }
    int pagineArrivate() const { return int(numeri_.size()); }
    bool terminata() const { return terminata_; }

    // A page has arrived: show the first one as soon as it comes, update the arrows.
    void Continua();
    // Enables only the moves that make sense from the page shown.
    void SistImgFrecce();
    // The arrows: 0 first, 1 previous, 2 next, 3 last.
    void imaMuovi_Click(int indice);
    // Opens frmVStaPar on the current magnification and page keeping.
    void apriParametri();

    QWidget* PicTasti;
    std::array<QToolButton*, 4> imaMuovi{};
    QLabel* labPage;
    QLabel* LabMsg;
    QPushButton* ComZoom;
    QPushButton* ComEsci;
    QWidget* PicSec;
    QWidget* PicPrinc;
    QScrollBar* hscPosOri;
    QScrollBar* vscPosVert;

protected:
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    friend class TelaPagina;
    void Form_Resize();
    void vaiA(int indice); // 0-based index into the pages kept
    void disegnaPagina(QPainter& p);
    QSize dimensioneTela() const;
    void posizionaTela();

    Interazione& ui_;
    LumoStampe* ogStampa_ = nullptr;
    int fatt_ = 100;
    bool memVid_ = true;
    int da_ = 0, a_ = 0;
    std::vector<int> numeri_; // page numbers arrived, in order
    std::vector<std::shared_ptr<const QPicture>> pagine_;
    QSizeF formato_{210, 297};
    double puntiPerMmPagina_ = 96 / 25.4;
    int indice_ = -1; // into numeri_
    int corrente_ = 0;
    bool terminata_ = false;
    bool avvisatoLunghezza_ = false;
};

} // namespace tesel::stampa
