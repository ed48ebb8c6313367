#pragma once

#include <QDate>
#include <QString>

#include <array>
#include <optional>

class AppState;

// The month the date picker shows: six weeks of seven days, Sunday first
// whatever the system's first day of the week, the given day marked.
class CalendarMonth
{
public:
    static constexpr int kWeeks = 6;
    static constexpr int kDays = 7;

    explicit CalendarMonth(const QDate& date);

    const QDate& date() const { return m_date; }
    // The day number in a cell (week 1 to 6, column 0 Sunday to 6 Saturday), 0 for none.
    int dayAt(int week, int column) const { return m_days[(week - 1) * kDays + column]; }
    int markedWeek() const { return m_markedWeek; }
    int markedColumn() const { return m_markedColumn; }

private:
    QDate m_date;
    std::array<int, kWeeks * kDays> m_days{};
    int m_markedWeek = 1;
    int m_markedColumn = 0;
};

enum class Spin
{
    MonthUp,
    MonthDown,
    YearUp,
    YearDown
};

// Where the calendar goes when the target month has no such day: the spin
// buttons go to its first day, the page keys to its last.
enum class ShortMonth
{
    FirstDay,
    LastDay
};

// The day the calendar moves to: the same day of the target month, or the
// day shortMonth names when the month has no such day. Nothing (the picker
// beeps) when the year would leave 100 to 9999, the years a date text can
// name in full.
std::optional<QDate> spunDate(const AppState& state, const QDate& from, Spin spin,
                              ShortMonth shortMonth = ShortMonth::FirstDay);

// The heading of a calendar column (0 Sunday to 6 Saturday): the weekday's
// short name in the system language, a blank on either side.
QString weekdayHeading(const AppState& state, int column);
