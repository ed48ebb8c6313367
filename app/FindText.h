#pragma once

#include <QString>

// What a person typed or pasted into a find box, made safe to search with.
namespace FindText {

// The longest text field a find searches; a find box takes no more.
constexpr int kLongestField = 80;

// The text without control characters (a pasted NUL, tab or line break) and
// without halves of surrogate pairs, which no stored text can hold.
QString cleaned(const QString& typed);

// Whether a field of at most fieldLength characters can hold the text at all:
// a longer text cannot match, so the find reports "not found" at once.
bool canMatch(const QString& text, int fieldLength);

} // namespace FindText
