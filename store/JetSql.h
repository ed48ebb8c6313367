#pragma once

#include <QString>

#include <functional>
#include <optional>

// Translation of the Jet SQL the program speaks into SQLite's dialect:
// [bracketed] names, "double-quoted" strings, #m/d/yyyy# date literals (dates
// are stored as ISO text), yes/no words (true is -1), & concatenation, and the
// like patterns (* ? # [list]). Text comparison ignores letter case because
// the text columns collate without case. Throws DbError(SyntaxError).
namespace JetSql {

// A select statement cut at its top-level clauses, each already translated.
struct Select
{
    QString columns;
    QString from;
    QString where;
    QString orderBy;
    QString table; // the one table of a from clause without joins, else empty

    QString sql() const;
};

// How a column of an order by clause is ordered: the SQL to order by in its
// place (a key column, or an expression of the column), with "%1" where the
// column's table qualifier goes ("series." or nothing), or empty to keep it.
// table is the one table of the from clause, empty for joined tables.
using OrderTerm = std::function<QString(const QString& table, const QString& column)>;

Select translateSelect(const QString& jet, const OrderTerm& orderTerm = {});
// A where clause or a FindFirst criteria.
QString translateExpression(const QString& jet);

// A criteria comparing one column with text, as a find by typed text builds
// it ("Name like 'Abc*'", "catnum = '12'"): the column, and the text every
// matching value begins with, letter case aside (empty when a wildcard comes
// first). Nothing for any other criteria.
struct TextTest
{
    QString column;
    QString prefix;
};
std::optional<TextTest> textTest(const QString& jet);

// A Jet string literal holding text exactly (single quotes doubled), for
// criteria built from what a person typed.
QString quoteText(const QString& text);
// A like pattern literal matching every text that begins with the given text,
// the characters like treats as wildcards (* ? # [) taken as themselves.
QString beginsWithPattern(const QString& text);

} // namespace JetSql
