#pragma once
// A part of a window that a batch changes at every item (the file in hand, the count of
// invoices done), drawn on the screen at most twenty times a second. The batch runs in the
// interface thread: drawn at every item, under X the drawing took several times as long as
// importing or posting the items. The part's widgets still take every change at once; only
// the drawing waits.

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

namespace tesel::ui {

class DisegnoCadenzato {
public:
    // From here on `parte` is drawn only by forse() and adesso(), until destruction.
    explicit DisegnoCadenzato(QWidget* parte);
    ~DisegnoCadenzato();
    DisegnoCadenzato(const DisegnoCadenzato&) = delete;
    DisegnoCadenzato& operator=(const DisegnoCadenzato&) = delete;

    // After a change: draws the part when the last drawing is a twentieth of a second old.
    void forse();
    // Draws the part now: before a question, which must come over what the batch is doing.
    void adesso();

    static constexpr qint64 MsTraDueDisegni = 50;

private:
    QPointer<QWidget> parte_;
    QElapsedTimer disegnato_;
};

} // namespace tesel::ui
