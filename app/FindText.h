#pragma once

#include <QString>

// The limits of what a find can match.
namespace FindText {

// The longest text field a find searches; a find box takes no more.
constexpr int kLongestField = 80;

// Whether a field of at most fieldLength characters can hold the text at all:
// a longer text cannot match, so the find reports "not found" at once.
bool canMatch(const QString& text, int fieldLength);

} // namespace FindText
