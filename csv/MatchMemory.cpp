#include "MatchMemory.h"

#include "ItemTransfer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

namespace {

using ColumnMatch::DateOrder;

const std::pair<DateOrder, const char*> kOrders[] = {
    {DateOrder::YearMonthDay, "ymd"}, {DateOrder::DayMonthYear, "dmy"}, {DateOrder::MonthDayYear, "mdy"}};

QJsonArray headerArray(const QStringList& header)
{
    return QJsonArray::fromStringList(header);
}

QJsonArray keptMatches(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > MatchMemory::kLargest)
        return {};
    return QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("matches")).toArray();
}

QString markText(QChar mark)
{
    return mark.isNull() ? QString() : QString(mark);
}

QChar markOf(const QJsonValue& value)
{
    const QString text = value.toString();
    return text.size() == 1 ? text[0] : QChar();
}

// A format kept that the readers read as it says: a decimal point or comma,
// and grouping by the other mark, by blanks or apostrophes, or none.
std::optional<ColumnMatch::AmountFormat> amountFormatOf(const QJsonObject& kept)
{
    const QChar decimal = markOf(kept.value(QLatin1String("decimal")));
    const QChar group = markOf(kept.value(QLatin1String("group")));
    if ((decimal != QLatin1Char('.') && decimal != QLatin1Char(',')) || group == decimal ||
        !(group.isNull() || QStringLiteral(". ,\u2019").contains(group)))
        return std::nullopt;
    return ColumnMatch::AmountFormat{decimal, group};
}

} // namespace

MatchMemory::MatchMemory(QString path)
    : m_path(std::move(path))
{}

bool MatchMemory::recall(const QStringList& header, ColumnMatch::Mapping& mapping) const
{
    const QJsonArray matches = keptMatches(m_path);
    const QJsonArray named = headerArray(header);
    const auto match = std::find_if(matches.begin(), matches.end(), [&](const QJsonValue& m) {
        return m.toObject().value(QLatin1String("header")).toArray() == named;
    });
    if (match == matches.end())
        return false;
    const QJsonArray columns = match->toObject().value(QLatin1String("columns")).toArray();
    if (columns.size() != mapping.columns.size())
        return false;
    const QList<ItemTransfer::Field> fields = ItemTransfer::itemFields();
    QList<int> taken;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        // a field no longer known, or taken by a column before, is left out
        const QString field = columns[i].toObject().value(QLatin1String("field")).toString();
        int& kept = mapping.columns[i].field;
        kept = -1;
        for (int f = 0; f < fields.size(); ++f)
            if (fields[f].header == field && !taken.contains(f))
                kept = f;
        taken.append(kept);
    }
    // the file's own values tell its reading over what was kept: a date
    // order kept for the first date column whose values do not tell theirs
    // is the file's; a format, for each amount column whose values do not
    // tell theirs. A format the readers would read otherwise than it says is
    // not taken.
    mapping.keptOrder.reset();
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const QJsonObject kept = columns[i].toObject();
        ColumnMatch::Column& column = mapping.columns[i];
        const ItemTransfer::FieldKind kind =
            column.field >= 0 ? fields[column.field].kind : ItemTransfer::FieldKind::Text;
        if (kind == ItemTransfer::FieldKind::Date && !mapping.keptOrder && !column.values.dateOrder())
            for (const std::pair<DateOrder, const char*>& name : kOrders)
                if (kept.value(QLatin1String("dates")).toString() == QLatin1String(name.second))
                    mapping.keptOrder = name.first;
        column.keptFormat.reset();
        if (kind == ItemTransfer::FieldKind::Amount && !column.values.amountFormat())
            column.keptFormat = amountFormatOf(kept);
    }
    mapping.readAsTold();
    return true;
}

void MatchMemory::remember(const QStringList& header, const ColumnMatch::Mapping& mapping) const
{
    if (m_path.isEmpty())
        return;
    const QList<ItemTransfer::Field> fields = ItemTransfer::itemFields();
    QJsonArray columns;
    for (const ColumnMatch::Column& column : mapping.columns) {
        QJsonObject kept;
        kept.insert(QLatin1String("field"), column.field >= 0 ? fields[column.field].header : QString());
        for (const auto& [order, name] : kOrders)
            if (column.dateOrder == order)
                kept.insert(QLatin1String("dates"), QLatin1String(name));
        if (column.amountFormat) {
            kept.insert(QLatin1String("decimal"), markText(column.amountFormat->decimalMark));
            kept.insert(QLatin1String("group"), markText(column.amountFormat->groupMark));
        }
        columns.append(kept);
    }
    // the newest first, each header once
    const QJsonArray named = headerArray(header);
    QJsonArray matches{QJsonObject{{QLatin1String("header"), named}, {QLatin1String("columns"), columns}}};
    for (const QJsonValue& match : keptMatches(m_path))
        if (matches.size() < kKept && match.toObject().value(QLatin1String("header")).toArray() != named)
            matches.append(match);
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(
            QJsonDocument(QJsonObject{{QLatin1String("matches"), matches}}).toJson(QJsonDocument::Compact));
        file.commit();
    }
}
