#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The report engine's table syntax. A format section lists the columns,
// separated by "|" and ended by ";": each is a width in twips (1440 to the
// inch), optionally after ">" (right-aligned) or "<" (left-aligned, as without
// a mark). A row lists its cell texts the same way. A table string is a format
// section followed by one or more rows.
namespace TableString {

// A column's width in twips is at most this: some 17 metres, wider than any page.
constexpr int kWidestColumn = 1000000;

struct Column
{
    int twips = 0;
    bool right = false;
};

QList<Column> parseFormat(const QString& section);

// The rows of the text after a format section: each ends at its ";" (a last
// row without one still counts); an empty cell is nothing between separators.
QList<QStringList> parseRows(const QString& text);

struct Table
{
    QList<Column> columns;
    QList<QStringList> rows;
};

// Splits at the first ";": the format section, then the rows.
Table parse(const QString& table);

// A page header or footer: left, centre and right parts separated by "|",
// with "%d" standing for the page number and "%%" for "%". The left part ends
// at the first "|" and the right part begins after the last, so the centre
// may hold "|" itself.
struct Header
{
    QString left;
    QString centre;
    QString right;
};

Header header(const QString& text, int page);
// The text to place in a header as it is, page number marks included.
QString headerLiteral(const QString& text);

} // namespace TableString
