#include "FindText.h"

#include "StringHelpers.h"

namespace FindText {

QString cleaned(const QString& typed)
{
    QString text;
    text.reserve(typed.size());
    for (qsizetype i = 0; i < typed.size(); ++i) {
        const QChar c = typed[i];
        if (c.isHighSurrogate() && i + 1 < typed.size() && typed[i + 1].isLowSurrogate()) {
            text += c;
            text += typed[++i];
        } else if (!c.isSurrogate() && c.category() != QChar::Other_Control) {
            text += c;
        }
    }
    return text;
}

bool canMatch(const QString& text, int fieldLength)
{
    return CharacterCount(text) <= fieldLength;
}

} // namespace FindText
