#include "FindText.h"

#include "regional/StringHelpers.h"

namespace FindText {

bool canMatch(const QString& text, int fieldLength)
{
    return CharacterCount(text) <= fieldLength;
}

} // namespace FindText
