#include "ReportFile.h"

#include "ReportEngine.h"

ReportFile::ReportFile(const QString& path)
    : m_file(path)
{}

bool ReportFile::open()
{
    return m_file.open(QIODevice::WriteOnly);
}

bool ReportFile::writeLine(const QString& line)
{
    if (m_failed)
        return false;
    const QByteArray bytes = line.toUtf8() + "\r\n";
    m_failed = m_file.write(bytes) != bytes.size() || m_file.error() != QFileDevice::NoError;
    return !m_failed;
}

bool ReportFile::write(const ReportEngine& document, const QString& title)
{
    m_failed = m_failed || !document.writePdf(m_file, title) || m_file.error() != QFileDevice::NoError;
    return !m_failed;
}

bool ReportFile::commit()
{
    if (m_failed) {
        m_file.cancelWriting();
        return false;
    }
    return m_file.commit();
}

namespace {

// A value on one line of a file: TAB, CR and LF become blanks.
QString oneLine(QString value)
{
    for (QChar& c : value)
        if (c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            c = QLatin1Char(' ');
    return value;
}

} // namespace

namespace ReportLines {

QString text(const QStringList& cells)
{
    QStringList clean;
    clean.reserve(cells.size());
    for (const QString& cell : cells)
        clean.append(oneLine(cell));
    return clean.join(QLatin1Char('\t'));
}

QString html(const ReportRow& row, const QList<TableString::Column>& columns)
{
    QString line = QStringLiteral("<tr>");
    auto cell = [&line](const QString& attributes, const QString& value) {
        line += QStringLiteral("<td") + attributes + QLatin1Char('>') + oneLine(value).toHtmlEscaped() +
                QStringLiteral("</td>");
    };
    if (row.html.empty()) {
        for (qsizetype i = 0; i < row.cells.size(); ++i)
            cell(i < columns.size() && columns[i].right ? QStringLiteral(" align=right") : QString(),
                 row.cells[i]);
    } else {
        for (const HtmlCell& each : row.html)
            cell(each.attributes, each.text);
    }
    if (row.closeHtmlRow)
        line += QStringLiteral("</tr>");
    return line;
}

QStringList htmlOpening(const ReportDefinition& report)
{
    return QStringList{QStringLiteral("<html>"), report.htmlTitleLine, QStringLiteral("<body>"),
                       QStringLiteral("<table border=1>"), report.htmlCaptionLine} +
           report.htmlHeadingLines;
}

QStringList htmlClosing()
{
    return {QStringLiteral("</table>"),
            QStringLiteral("<H6>List Produced by <a HREF=\"https://www.plonkowizmo.example/\">Plonko "
                           "Wizmo</a></H6>"),
            QStringLiteral("</body>"), QStringLiteral("</html>")};
}

} // namespace ReportLines
