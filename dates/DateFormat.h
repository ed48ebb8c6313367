#pragma once

#include <QString>

class AppState;

// Finds the order (DateOrder: "mdy", "dmy", "ymd", "ydm", or even "dym" or "myd") and separator
// (DateSep) of the system's short date format from a sample date that cannot
// be misread: 30 May 1998. A field without digits is the month's name; a
// sample that does not split into day, month and year takes the order of the
// format's pattern (month, day, year when even that names no three fields).
void ChkDateFmt(AppState& state);

// Month, day and year as numbers separated by single blanks in the order of
// DateOrder, for the system's date conversion to read back.
QString FormatDate(const AppState& state, int month, int day, int year);
