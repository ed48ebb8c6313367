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
    const QRect at(field->mapToGlobal(QPoint(0, 0)), field->size());
    QPoint corner = placement == PickerPlacement::AboveRightAligned
                        ? QPoint(at.right() + 1 - picker.frameGeometry().width(),
                                 at.top() - picker.frameGeometry().height())
                        : QPoint(at.left(), at.bottom() + 1);
    if (const QScreen* screen = field->screen()) {
        const QRect room = screen->availableGeometry();
        corner.setX(std::clamp(corner.x(), room.left(),
                               std::max(room.left(), room.right() - picker.frameGeometry().width())));
        corner.setY(std::clamp(corner.y(), room.top(),
                               std::max(room.top(), room.bottom() - picker.frameGeometry().height())));
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
