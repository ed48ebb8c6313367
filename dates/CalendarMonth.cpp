#include "CalendarMonth.h"

#include "DateFormat.h"
#include "app/AppState.h"

CalendarMonth::CalendarMonth(const QDate& date)
    : m_date(date)
{
    const QDate first(date.year(), date.month(), 1);
    int cell = first.dayOfWeek() % 7; // Sunday is column 0
    for (int day = 1; day <= date.daysInMonth(); ++day, ++cell) {
        m_days[cell] = day;
        if (day == date.day()) {
            m_markedWeek = cell / kDays + 1;
            m_markedColumn = cell % kDays;
        }
    }
}

std::optional<QDate> spunDate(const AppState& state, const QDate& from, Spin spin, ShortMonth shortMonth)
{
    int month = from.month();
    int year = from.year();
    switch (spin) {
    case Spin::MonthUp:
        year += month == 12 ? 1 : 0;
        month = month % 12 + 1;
        break;
    case Spin::MonthDown:
        year -= month == 1 ? 1 : 0;
        month = month == 1 ? 12 : month - 1;
        break;
    case Spin::YearUp:
        ++year;
        break;
    case Spin::YearDown:
        --year;
        break;
    }
    if (year < 100 || year > 9999)
        return std::nullopt;
    // built as the system reads a date text, so that a day the month lacks is refused
    if (const std::optional<QDate> same = state.regional.toDate(FormatDate(state, month, from.day(), year)))
        return same;
    const int day = shortMonth == ShortMonth::FirstDay ? 1 : QDate(year, month, 1).daysInMonth();
    return state.regional.toDate(FormatDate(state, month, day, year));
}

QString weekdayHeading(const AppState& state, int column)
{
    const QDate sunday(1998, 5, 31);
    return QLatin1Char(' ') + state.regional.dayName(sunday.addDays(column).dayOfWeek()) + QLatin1Char(' ');
}
