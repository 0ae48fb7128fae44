#pragma once
// The description of a code shown beside its field: sunken like a read-only field, as tall as
// a line edit so rows stay aligned, and cut with "..." when narrower than its text (the whole
// text is then the tooltip), so a long description never widens its window.

#include <QLabel>

namespace tesel::ui {

class DescrizioneCodice : public QLabel {
public:
    explicit DescrizioneCodice(QWidget* padre = nullptr);

protected:
    void paintEvent(QPaintEvent* e) override;
    bool event(QEvent* e) override;
};

} // namespace tesel::ui
