#include "ui/disegnocadenzato.h"

namespace tesel::ui {

DisegnoCadenzato::DisegnoCadenzato(QWidget* parte) : parte_(parte) {
    if (parte_)
        parte_->setUpdatesEnabled(false);
}

DisegnoCadenzato::~DisegnoCadenzato() {
    if (parte_)
        parte_->setUpdatesEnabled(true); // and drawn with the next events
}

void DisegnoCadenzato::forse() {
    if (!disegnato_.isValid() || disegnato_.elapsed() >= MsTraDueDisegni)
        adesso();
}

void DisegnoCadenzato::adesso() {
    if (parte_) {
        parte_->setUpdatesEnabled(true);
        parte_->repaint();
        parte_->setUpdatesEnabled(false);
    }
    disegnato_.start();
}

} // namespace tesel::ui
