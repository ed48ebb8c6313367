#include "TableString.h"

#include <QLocale>

namespace TableString {

QList<Column> parseFormat(const QString& section)
{
    QString text = section.trimmed();
    if (text.endsWith(QLatin1Char(';')))
        text.chop(1);
    QList<Column> columns;
    if (text.isEmpty())
        return columns;
    for (QStringView part : QStringView(text).split(QLatin1Char('|'))) {
        Column column;
        part = part.trimmed();
        if (part.startsWith(QLatin1Char('>'))) {
            column.right = true;
            part = part.mid(1);
        } else if (part.startsWith(QLatin1Char('<'))) {
            part = part.mid(1);
        }
        // widths may have decimals (centimetres give 842.4): rounded to whole twips
        column.twips = qMax(0, int(qRound(QLocale::c().toDouble(part.trimmed()))));
        columns.append(column);
    }
    return columns;
}

QList<QStringList> parseRows(const QString& text)
{
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    for (const QChar c : text) {
        if (c == QLatin1Char('|')) {
            row.append(cell);
            cell.clear();
        } else if (c == QLatin1Char(';')) {
            row.append(cell);
            rows.append(row);
            row.clear();
            cell.clear();
        } else {
            cell.append(c);
        }
    }
    if (!row.isEmpty() || !cell.isEmpty()) {
        row.append(cell);
        rows.append(row);
    }
    return rows;
}

Table parse(const QString& table)
{
    const qsizetype end = table.indexOf(QLatin1Char(';'));
    if (end < 0)
        return {parseFormat(table), {}};
    return {parseFormat(table.left(end)), parseRows(table.mid(end + 1))};
}

Header header(const QString& text, int page)
{
    QString filled = text;
    filled.replace(QLatin1String("%d"), QString::number(page));
    const QStringList parts = filled.split(QLatin1Char('|'));
    return {parts.value(0), parts.value(1), parts.value(2)};
}

} // namespace TableString
