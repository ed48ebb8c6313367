#include "CsvText.h"

namespace Csv {
namespace {

bool isLineEnd(QChar c)
{
    return c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

} // namespace

QString line(const QStringList& fields)
{
    QString out;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const QString& field = fields[i];
        if (i > 0)
            out += QLatin1Char(',');
        // a record of one empty field is quoted: an empty line is no record
        bool quoted =
            field.isEmpty() ? fields.size() == 1 : field.front().isSpace() || field.back().isSpace();
        for (qsizetype c = 0; c < field.size() && !quoted; ++c) {
            const char16_t ch = field[c].unicode();
            quoted = ch == u',' || ch == u';' || ch == u'"' || ch == u'\r' || ch == u'\n';
        }
        if (quoted)
            out += QLatin1Char('"') + QString(field).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                   QLatin1Char('"');
        else
            out += field;
    }
    return out;
}

Reader::Reader(QIODevice& device, const QString& encoding)
    : m_device(device)
    , m_decoder(encoding.isEmpty() ? QStringDecoder(QStringDecoder::Utf8)
                                   : QStringDecoder(encoding.toLatin1().constData()))
{
    if (!m_decoder.isValid())
        m_failure = QStringLiteral("The file's encoding %1 cannot be read here.").arg(encoding);
}

// Decodes the next block of the file; false when nothing more came. The
// text read so far stays from the position on.
bool Reader::fill()
{
    if (m_deviceDone || !m_failure.isEmpty())
        return false;
    constexpr qint64 kBlock = 1 << 16;
    const QByteArray bytes = m_device.read(kBlock);
    const QString notUtf8 =
        QStringLiteral("The file is not a CSV file in UTF-8: save it from the spreadsheet "
                       "as \"CSV UTF-8\".");
    if (bytes.isEmpty()) {
        m_deviceDone = true;
        if (!m_device.atEnd()) {
            m_failure = QStringLiteral("The file could not be read: %1").arg(m_device.errorString());
            return false;
        }
        // a character cut off at the end shows as an error once more text follows it
        const QString after = m_decoder.decode(QByteArrayView("\n"));
        if (m_decoder.hasError())
            m_failure = notUtf8;
        return false;
    }
    if (bytes.contains('\0')) {
        m_failure = QStringLiteral("The file is not a CSV file: it holds bytes that are no text.");
        return false;
    }
    const QString decoded = m_decoder.decode(bytes);
    if (m_decoder.hasError()) {
        m_failure = notUtf8;
        return false;
    }
    m_text = m_text.mid(m_at) + decoded;
    m_at = 0;
    return true;
}

bool Reader::atEnd()
{
    while (m_at >= m_text.size()) {
        if (!fill())
            return true;
    }
    return false;
}

// Blank lines before a record, each counted.
void Reader::skipBlankLines()
{
    while (!atEnd() && isLineEnd(peek())) {
        const QChar c = peek();
        ++m_at;
        if (c == QLatin1Char('\n') || atEnd() || peek() != QLatin1Char('\n'))
            ++m_line;
    }
}

void Reader::chooseSeparator()
{
    skipBlankLines();
    // the first line, outside quotes; the text read stays until it is parsed
    bool quoted = false;
    bool comma = false, semicolon = false, tab = false;
    for (qsizetype i = 0;; ++i) {
        if (m_at + i >= m_text.size()) {
            if (!fill())
                break;
        }
        if (m_at + i >= m_text.size())
            break;
        if (i > kLongestFirstLine) {
            m_failure = QStringLiteral("The file is not a CSV file: its first line is longer than any "
                                       "header of columns.");
            return;
        }
        const QChar c = m_text[m_at + i];
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && isLineEnd(c))
            break;
        else if (!quoted && c == QLatin1Char(','))
            comma = true;
        else if (!quoted && c == QLatin1Char(';'))
            semicolon = true;
        else if (!quoted && c == QLatin1Char('\t'))
            tab = true;
    }
    m_separator = tab ? QLatin1Char('\t') : semicolon && !comma ? QLatin1Char(';') : QLatin1Char(',');
}

bool Reader::next(QStringList& fields, qint64& line)
{
    // each field is read into the text of the one before it in its place,
    // so that a record costs no allocation where its fields are no longer
    // held elsewhere; a field beyond those kept is read past, its text dropped
    qsizetype kept = 0;
    QString dropped;
    const auto fieldAt = [&]() -> QString* {
        QString* field = &dropped;
        if (kept <= m_mostFields) {
            if (kept == fields.size())
                fields.append(QString());
            field = &fields[kept];
        }
        field->resize(0);
        return field;
    };
    const auto ended = [&](bool read) {
        fields.resize(read ? kept : 0);
        return read;
    };
    if (!m_failure.isEmpty())
        return ended(false);
    if (m_separator.isNull()) {
        chooseSeparator();
        if (!m_failure.isEmpty())
            return ended(false);
    }
    skipBlankLines();
    if (atEnd())
        return ended(false);
    line = m_line;
    QString* field = fieldAt();
    bool quoted = false;
    m_fieldCount = 0;
    const auto endField = [&] {
        if (++m_fieldCount <= m_mostFields + 1)
            ++kept;
    };
    while (true) {
        if (atEnd()) {
            if (!m_failure.isEmpty())
                return ended(false);
            if (quoted) {
                m_failure = QStringLiteral("A quoted field that begins on line %1 is not closed.").arg(line);
                return ended(false);
            }
            endField();
            return ended(true);
        }
        if (field->size() > kLongestField) {
            m_failure = QStringLiteral("The file is not a CSV file: a field that begins on line %1 is longer "
                                       "than any a collection holds.")
                            .arg(line);
            return ended(false);
        }
        // a run of plain characters is taken at once
        const qsizetype run = plainRun(quoted);
        if (run > 0) {
            field->append(QStringView(m_text).mid(m_at, run));
            m_at += run;
            continue;
        }
        const QChar c = peek();
        ++m_at;
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (!atEnd() && peek() == QLatin1Char('"')) {
                    *field += c;
                    ++m_at;
                } else {
                    quoted = false;
                }
            } else {
                if (c == QLatin1Char('\n') ||
                    (c == QLatin1Char('\r') && (atEnd() || peek() != QLatin1Char('\n'))))
                    ++m_line;
                *field += c;
            }
        } else if (c == QLatin1Char('"') && field->isEmpty()) {
            quoted = true;
        } else if (c == m_separator) {
            endField();
            field = fieldAt();
        } else if (isLineEnd(c)) {
            if (c == QLatin1Char('\r') && !atEnd() && peek() == QLatin1Char('\n'))
                ++m_at;
            ++m_line;
            endField();
            return ended(m_failure.isEmpty());
        } else {
            *field += c;
        }
    }
}

// How many characters from the position, within the text decoded so far and
// no longer than a field may be, mean nothing but themselves: no quote, no
// line end, and outside quotes no separator.
qsizetype Reader::plainRun(bool quoted) const
{
    const char16_t separator = quoted ? u'"' : m_separator.unicode();
    const qsizetype end = std::min(m_text.size(), m_at + kLongestField + 1);
    const char16_t* text = reinterpret_cast<const char16_t*>(m_text.constData());
    qsizetype i = m_at;
    while (i < end && text[i] != separator && text[i] != u'"' && text[i] != u'\n' && text[i] != u'\r')
        ++i;
    return i - m_at;
}

} // namespace Csv
