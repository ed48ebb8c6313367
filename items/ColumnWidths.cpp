#include "ColumnWidths.h"

#include <algorithm>

QList<int> fittedWidths(const QList<ColumnNeed>& columns, int room)
{
    QList<int> widths;
    qint64 total = 0;
    qint64 spare = 0; // what the narrowing columns have beyond their least
    for (const ColumnNeed& column : columns) {
        const int width = std::max(column.wanted, column.least);
        widths.append(width);
        total += width;
        if (column.narrows)
            spare += width - column.least;
    }
    const qint64 missing = std::min(total - room, spare);
    if (missing <= 0)
        return widths;
    // each gives up its share rounded up, so that the shares cover what is missing
    for (qsizetype i = 0; i < columns.size(); ++i) {
        if (!columns[i].narrows)
            continue;
        const qint64 own = widths[i] - columns[i].least;
        widths[i] -= int((missing * own + spare - 1) / spare);
    }
    return widths;
}
