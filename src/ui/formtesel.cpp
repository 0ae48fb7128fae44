#include "ui/formtesel.h"

#include <QCloseEvent>

namespace tesel::ui {

FormTesel::FormTesel(const QString& nome, Contesto& contesto, QWidget* padre)
    : QWidget(padre), contesto_(contesto), nome_(nome) {
    setObjectName(nome);
    setAttribute(Qt::WA_DeleteOnClose);
}

void FormTesel::closeEvent(QCloseEvent* e) {
    if (!PuoChiudere()) {
        e->ignore();
        return;
    }
    emit chiusa(nome_);
    QWidget::closeEvent(e);
}

const std::pair<QString, RegistroForm::Fabbrica>* RegistroForm::trova(const QString& nome) const {
    const auto it = fabbriche_.find(nome.toLower());
    return it == fabbriche_.end() ? nullptr : &it->second;
}

QStringList RegistroForm::nomi() const {
    QStringList n;
    for (const auto& [chiave, voce] : fabbriche_)
        n << voce.first;
    return n;
}

} // namespace tesel::ui
