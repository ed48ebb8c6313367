#pragma once

#include <QString>
#include <QStringView>

// Right-justifies text in a field of blanks; text as long as the width or
// longer is returned unchanged, never cut.
QString PadLeft(const QString& text, int width);

// Replaces every occurrence of find (case-sensitive) by replacement, scanning on
// after each inserted replacement so that it is never searched again. Rewrites
// text and returns it. An empty find leaves the text unchanged.
QString ReplaceAll(QString& text, const QString& find, const QString& replacement);

// Field n (counted from 1) of text split at delimiter; empty when there is no
// such field, n below 1 included.
QString NthField(const QString& text, const QString& delimiter, int n);

// The sort key of a catalogue number: its decimal digits in order, the first 20
// if there are more, otherwise right-justified to 20 with blanks.
QString CatalogSortKey(const QString& catalogNumber);

// The text without control characters (a pasted NUL, tab or line break) and
// without halves of surrogate pairs, which no stored text can hold.
QString PrintableText(const QString& text);

// The number of characters of text, a surrogate pair counting as one.
qsizetype CharacterCount(const QString& text);

// The first count characters of text; a surrogate pair is kept whole or left out.
QString LeftCharacters(const QString& text, qsizetype count);

// A decimal digit in any script, read by code point: Chakma and Adlam digits
// lie beyond the Basic Multilingual Plane, two UTF-16 units each.
struct Digit
{
    int value = 0;
    qsizetype length = 0; // in UTF-16 units; 0 when no digit starts there
};
Digit DigitAt(QStringView text, qsizetype i);

// Whether an item is told by what was typed: a name or a description, blanks
// counting as typed.
bool NamesAnItem(const QString& name, const QString& description);
