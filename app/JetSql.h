#pragma once

#include <QString>

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

Select translateSelect(const QString& jet);
// A where clause or a FindFirst criteria.
QString translateExpression(const QString& jet);

// A Jet string literal holding text exactly (single quotes doubled), for
// criteria built from what a person typed.
QString quoteText(const QString& text);
// A like pattern literal matching every text that begins with the given text,
// the characters like treats as wildcards (* ? # [) taken as themselves.
QString beginsWithPattern(const QString& text);

} // namespace JetSql
