#include "ColumnWidths.h"

#include <algorithm>
#include <limits>

namespace {

// The widths with every narrowing column held to at most cap, and to no less
// than its least.
QList<int> capped(const QList<ColumnNeed>& columns, int cap)
{
    QList<int> widths;
    for (const ColumnNeed& column : columns) {
        const int width = std::max(column.wanted, column.least);
        widths.append(column.narrows ? std::max(std::min(width, cap), column.least) : width);
    }
    return widths;
}

qint64 sum(const QList<int>& widths)
{
    qint64 total = 0;
    for (const int width : widths)
        total += width;
    return total;
}

} // namespace

QList<int> fittedWidths(const QList<ColumnNeed>& columns, int room)
{
    const QList<int> wanted = capped(columns, std::numeric_limits<int>::max());
    // where the columns cannot fit even at their least, cutting them helps nothing
    if (sum(wanted) <= room || sum(capped(columns, 0)) > room)
        return wanted;
    // the largest cap that fits: the widest columns give way first
    int fits = 0;
    int tooWide = 0;
    for (const int width : wanted)
        tooWide = std::max(tooWide, width);
    while (tooWide - fits > 1) {
        const int cap = fits + (tooWide - fits) / 2;
        (sum(capped(columns, cap)) <= room ? fits : tooWide) = cap;
    }
    return capped(columns, fits);
}
