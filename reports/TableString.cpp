#include "TableString.h"

#include <QLocale>

#include <algorithm>

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
        // widths may have decimals (centimetres give 842.4): rounded to whole
        // twips; no number, or less than none, is no width, and more than the
        // widest is the widest
        const double width = QLocale::c().toDouble(part.trimmed());
        column.twips = width > 0 ? qRound(std::min(width, double(kWidestColumn))) : 0;
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

namespace {

QString withPageNumber(QStringView part, int page)
{
    QString filled;
    filled.reserve(part.size());
    for (qsizetype i = 0; i < part.size(); ++i) {
        if (part[i] == u'%' && i + 1 < part.size() && (part[i + 1] == u'd' || part[i + 1] == u'%')) {
            filled += part[++i] == u'd' ? QString::number(page) : QStringLiteral("%");
            continue;
        }
        filled += part[i];
    }
    return filled;
}

} // namespace

Header header(const QString& text, int page)
{
    const qsizetype first = text.indexOf(QLatin1Char('|'));
    const qsizetype last = text.lastIndexOf(QLatin1Char('|'));
    if (first < 0)
        return {withPageNumber(text, page), {}, {}};
    if (first == last)
        return {withPageNumber(QStringView(text).left(first), page),
                withPageNumber(QStringView(text).mid(first + 1), page),
                {}};
    return {withPageNumber(QStringView(text).left(first), page),
            withPageNumber(QStringView(text).mid(first + 1, last - first - 1), page),
            withPageNumber(QStringView(text).mid(last + 1), page)};
}

QString headerLiteral(const QString& text)
{
    QString literal = text;
    return literal.replace(QLatin1Char('%'), QStringLiteral("%%"));
}

} // namespace TableString
