#include "StringHelpers.h"

namespace {

// Where the character that starts at i ends.
qsizetype nextCharacter(const QString& text, qsizetype i)
{
    const bool pair = text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate();
    return i + (pair ? 2 : 1);
}

} // namespace

QString PadLeft(const QString& text, int width)
{
    if (text.size() >= width)
        return text;
    return QString(width - text.size(), QLatin1Char(' ')) + text;
}

QString ReplaceAll(QString& text, const QString& find, const QString& replacement)
{
    // QString::replace resumes after each inserted replacement, as required; an
    // empty find would insert the replacement between every two characters.
    if (!find.isEmpty())
        text.replace(find, replacement, Qt::CaseSensitive);
    return text;
}

QString NthField(const QString& text, const QString& delimiter, int n)
{
    if (n == 1) {
        const qsizetype end = text.indexOf(delimiter);
        return end < 0 ? text : text.left(end);
    }
    if (n < 1)
        return QString();
    // Each search resumes one character after the previous occurrence and the
    // field starts one character after it: the delimiter is one character wide
    // for every caller, and a longer one leaves its tail in the field.
    qsizetype occurrence = -1;
    for (int i = 1; i < n; ++i) {
        occurrence = text.indexOf(delimiter, occurrence + 1);
        if (occurrence < 0)
            return QString();
    }
    const qsizetype start = occurrence + 1;
    const qsizetype next = text.indexOf(delimiter, start);
    return text.mid(start, (next < 0 ? text.size() : next) - start);
}

QString CatalogSortKey(const QString& catalogNumber)
{
    // the first digits, blanks before them to the width
    constexpr qsizetype kWidth = 20;
    char16_t digits[kWidth];
    qsizetype count = 0;
    for (const QChar c : catalogNumber) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9') && count < kWidth)
            digits[count++] = c.unicode();
    }
    QString key(kWidth - count, QLatin1Char(' '));
    key.append(reinterpret_cast<const QChar*>(digits), count);
    return key;
}

QString PrintableText(const QString& text)
{
    QString printable;
    printable.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            printable += c;
            printable += text[++i];
        } else if (!c.isSurrogate() && c.category() != QChar::Other_Control) {
            printable += c;
        }
    }
    return printable;
}

qsizetype CharacterCount(const QString& text)
{
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); i = nextCharacter(text, i))
        ++count;
    return count;
}

QString LeftCharacters(const QString& text, qsizetype count)
{
    qsizetype end = 0;
    for (; end < text.size() && count > 0; --count)
        end = nextCharacter(text, end);
    return text.left(end);
}

Digit DigitAt(QStringView text, qsizetype i)
{
    if (i < 0 || i >= text.size())
        return {};
    char32_t c = text[i].unicode();
    qsizetype length = 1;
    if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(text[i], text[i + 1]);
        length = 2;
    }
    if (!QChar::isDigit(c))
        return {};
    return {QChar::digitValue(c), length};
}

bool NamesAnItem(const QString& name, const QString& description)
{
    return !name.isEmpty() || !description.isEmpty();
}
