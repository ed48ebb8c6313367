#pragma once

#include "CollectionStatistics.h"

#include <QString>
#include <QStringList>

class Database;
class QChart;
class RegionalSettings;

// The charts of the statistics window, each made whole from the collection:
// its title (with the date of its figures), its axes titled with their unit,
// numbers in the collector's language, and colours that stay apart for a
// collector with red-green colour blindness.
namespace StatisticsCharts {

enum class Chart
{
    ValueOverTime,
    SpendingAndSales,
    Profit,
    ByBrand,
    BySeries,
    BySeller
};
inline constexpr int kCharts = 6;

// The names of the charts, as the window lists them.
QStringList names();

// The chart of the collection, its series read into the series kept for it,
// for the figures of the date given (already in words).
QChart* make(Chart chart, const Database& db, Statistics::Series& series, const RegionalSettings& regional,
             const QString& date);

// The lines of figures above the charts, as label and value pairs, each
// group (held, sold, wanted) in turn.
QList<std::pair<QString, QString>> figureLines(const Statistics::Figures& figures,
                                               const RegionalSettings& regional);

// The note under a chart: how many items it leaves out for want of a date
// (purchases for the value over time, sales for the years); empty when none.
QString note(Chart chart, const Statistics::Figures& figures, const RegionalSettings& regional);

} // namespace StatisticsCharts
