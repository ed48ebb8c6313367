#pragma once

#include <QString>

class AppState;
class DateBox;

// Where the calendar opens beside its field.
enum class PickerPlacement
{
    AboveRightAligned,
    BelowLeftAligned
};

// The drop-down of every date field: the calendar opens at the field's date
// (today when it holds none) under the given caption; the day picked, or the
// seed when the calendar was closed, is written back in the short date format,
// and the focus moves on to the next control as a Tab key would move it.
void dropDownDate(AppState& state, DateBox* field, const QString& caption, PickerPlacement placement);

// The check on leaving a date field: empty or a date passes; otherwise the
// message is shown and the field refuses the focus leaving.
bool dateLeaveCheck(AppState& state, const DateBox* field, const QString& message);
