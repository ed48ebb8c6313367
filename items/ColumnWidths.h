#pragma once

#include <QList>

// What a column of a table asks for as it opens: room for its typical value,
// and no less than room for its heading. A column that narrows gives way
// when the columns together are wider than the window.
struct ColumnNeed
{
    int wanted = 0;
    int least = 0;
    bool narrows = false;
};

// The widths the columns open at, filling no more than the room where they
// can: each column as wide as it wants when they fit, else the columns that
// narrow give up the width missing in proportion to what each has beyond
// its least, and none goes below that. They may still be wider than the room.
QList<int> fittedWidths(const QList<ColumnNeed>& columns, int room);
