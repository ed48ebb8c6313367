#include "ReportFile.h"

#include "ReportEngine.h"
#include "WebPhotos.h"

#include <algorithm>
#include <cerrno>

namespace {

bool breaksLine(QChar c)
{
    return c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
}

bool specialInHtml(QChar c)
{
    return c == QLatin1Char('&') || c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('"');
}

// A value on one line of a file: TAB, CR and LF become blanks. Most values
// hold none, and are passed on without a copy.
QString oneLine(const QString& value)
{
    if (std::none_of(value.cbegin(), value.cend(), breaksLine))
        return value;
    QString line = value;
    std::replace_if(line.begin(), line.end(), breaksLine, QLatin1Char(' '));
    return line;
}

QString htmlValue(const QString& value)
{
    const QString line = oneLine(value);
    return std::none_of(line.cbegin(), line.cend(), specialInHtml) ? line : line.toHtmlEscaped();
}

} // namespace

ReportFile::ReportFile(const QString& path)
    : m_file(path)
    , m_encoder(QStringEncoder::Utf8)
{
    m_pending.reserve(2 * kChunk);
}

bool ReportFile::open()
{
    return m_file.open(QIODevice::WriteOnly) || fail();
}

bool ReportFile::fail()
{
    // Qt may know a failed write only as an unknown error; the system's own
    // reason (a full disk, say) is then still in errno
    const int systemError = errno;
    if (!m_error.isEmpty())
        return false;
    const bool known =
        m_file.error() != QFileDevice::NoError && m_file.errorString() != QLatin1String("Unknown error");
    if (known)
        m_error = m_file.errorString();
    else if (systemError != 0)
        m_error = qt_error_string(systemError);
    else
        m_error = QStringLiteral("The file could not be written.");
    return false;
}

bool ReportFile::writeLine(const QString& line)
{
    if (!m_error.isEmpty())
        return false;
    // lines are gathered and written a chunk at a time
    const qsizetype start = m_pending.size();
    m_pending.resize(start + m_encoder.requiredSpace(line.size()) + 2);
    char* end = m_encoder.appendToBuffer(m_pending.data() + start, line);
    *end++ = '\r';
    *end++ = '\n';
    m_pending.resize(end - m_pending.constData());
    return m_pending.size() < kChunk || writePending();
}

bool ReportFile::writeCells(const QStringList& cells)
{
    if (!m_error.isEmpty())
        return false;
    qsizetype length = 2;
    for (const QString& cell : cells)
        length += cell.size() + 1;
    const qsizetype start = m_pending.size();
    m_pending.resize(start + m_encoder.requiredSpace(length));
    char* end = m_pending.data() + start;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            *end++ = '\t';
        end = m_encoder.appendToBuffer(end, oneLine(cells[i]));
    }
    *end++ = '\r';
    *end++ = '\n';
    m_pending.resize(end - m_pending.constData());
    return m_pending.size() < kChunk || writePending();
}

bool ReportFile::writePending()
{
    const bool written =
        m_file.write(m_pending) == m_pending.size() && m_file.error() == QFileDevice::NoError;
    m_pending.resize(0);
    return written || fail();
}

bool ReportFile::write(const ReportEngine& document, const QString& title,
                       const std::function<bool(int, int)>& step)
{
    if (!m_error.isEmpty())
        return false;
    if (!document.writePdf(m_file, title, step) || m_file.error() != QFileDevice::NoError)
        return fail();
    return true;
}

bool ReportFile::commit()
{
    // the last buffered bytes are written here, so a full disk may only show now
    if (!m_error.isEmpty() || !writePending() || !m_file.flush())
        return fail();
    return m_file.commit() || fail();
}

namespace ReportLines {

QString html(const ReportRow& row, const QList<TableString::Column>& columns, const QString& photoFolder)
{
    QString line;
    line.reserve(256);
    line += QLatin1String("<tr>");
    auto cell = [&line](QStringView attributes, const QString& value) {
        line +=
            QLatin1String("<td") + attributes + QLatin1Char('>') + htmlValue(value) + QLatin1String("</td>");
    };
    if (row.html.empty()) {
        auto photo = row.photos.begin();
        for (qsizetype i = 0; i < row.cells.size(); ++i) {
            if (photo != row.photos.end() && photo->cell == i)
                line += WebPhotos::cell(photoFolder, (photo++)->file);
            else
                cell(i < columns.size() && columns[i].right ? u" align=right" : u"", row.cells[i]);
        }
    } else {
        for (const HtmlCell& each : row.html)
            cell(each.attributes, each.text);
    }
    if (row.closeHtmlRow)
        line += QLatin1String("</tr>");
    return line;
}

QString htmlText(const QString& value)
{
    return htmlValue(value);
}

QStringList htmlOpening(const ReportDefinition& report)
{
    // UTF-8 says so with its byte order mark, which browsers read before any line
    return QStringList{QStringLiteral("\uFEFF<html>"), report.htmlTitleLine, QStringLiteral("<body>"),
                       QStringLiteral("<table border=1>"), report.htmlCaptionLine} +
           report.htmlHeadingLines;
}

// An amount as written without any format: no symbol, no grouping, no
// trailing zeros, in the locale's digits and decimal point.
QString plainAmount(const QLocale& locale, Money amount)
{
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    const qint64 units = amount.units();
    QString text = plain.toString(units / Money::kScale);
    if (units < 0 && units / Money::kScale == 0)
        text = plain.negativeSign() + text;
    qint64 fraction = qAbs(units % Money::kScale);
    if (fraction == 0)
        return text;
    int width = 4;
    while (fraction % 10 == 0) {
        fraction /= 10;
        --width;
    }
    const QString digits = plain.toString(fraction);
    QString padding;
    for (qsizetype i = digits.size(); i < width; ++i)
        padding += plain.zeroDigit();
    return text + plain.decimalPoint() + padding + digits;
}

QStringList htmlClosing()
{
    return {QStringLiteral("</table>"),
            QStringLiteral("<H6>List Produced by <a HREF=\"https://www.plonkowizmo.example/\">Plonko "
                           "Wizmo</a></H6>"),
            QStringLiteral("</body>"), QStringLiteral("</html>")};
}

} // namespace ReportLines
