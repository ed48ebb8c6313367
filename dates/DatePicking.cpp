#include "DatePicking.h"

#include "DateBox.h"
#include "app/AppState.h"
#include "frmDateEnt.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>

void dropDownDate(AppState& state, DateBox* field, const QString& caption, PickerPlacement placement)
{
    // the calendar reads PickedDate when it is made, so the seed comes first
    state.PickedDate = state.regional.toDate(field->text()).value_or(state.today());
    frmDateEnt picker(state, field->window());
    picker.setWindowTitle(caption);
    picker.adjustSize();
    // The calendar's frame is not known before it is shown; the window it
    // belongs to has the same kind of frame.
    const QWidget* owner = field->window();
    const QMargins frame(owner->geometry().left() - owner->frameGeometry().left(),
                         owner->geometry().top() - owner->frameGeometry().top(),
                         owner->frameGeometry().right() - owner->geometry().right(),
                         owner->frameGeometry().bottom() - owner->geometry().bottom());
    const QSize outer = picker.size().grownBy(frame);
    const QRect at(field->mapToGlobal(QPoint(0, 0)), field->size());
    QPoint corner = placement == PickerPlacement::AboveRightAligned
                        ? QPoint(at.right() + 1 - outer.width(), at.top() - outer.height())
                        : QPoint(at.left(), at.bottom() + 1);
    if (const QScreen* screen = field->screen()) {
        const QRect room = screen->availableGeometry();
        corner.setX(
            std::clamp(corner.x(), room.left(), std::max(room.left(), room.right() + 1 - outer.width())));
        corner.setY(
            std::clamp(corner.y(), room.top(), std::max(room.top(), room.bottom() + 1 - outer.height())));
    }
    picker.move(corner);
    state.dialogs.showModal(picker);
    field->setText(state.regional.formatShortDate(state.PickedDate));
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(field, &tab);
}

bool dateLeaveCheck(AppState& state, const DateBox* field, const QString& message)
{
    if (field->text().isEmpty() || state.regional.isDate(field->text()))
        return true;
    state.dialogs.messageBox(message);
    return false;
}
