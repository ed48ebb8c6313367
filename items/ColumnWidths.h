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
// can: each column as wide as it wants when they fit; else the widest of the
// columns that narrow give way first, down to a width they share, none below
// its least. Where even their least does not fit, each keeps what it wants:
// the table scrolls either way, and a cut column would show less for nothing.
QList<int> fittedWidths(const QList<ColumnNeed>& columns, int room);
