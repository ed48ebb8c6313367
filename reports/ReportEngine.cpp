#include "ReportEngine.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QTextLayout>

#include <algorithm>

namespace {

constexpr int kMargin = 720;       // half an inch round the page
constexpr int kCellPadding = 60;   // each side of a cell's text
constexpr int kBandGap = 180;      // between the header or footer and the body
constexpr int kExtraColumn = 1440; // a cell beyond its format's columns
constexpr int kTextPixels = 225;   // 11.25 points in twips
constexpr int kHeaderPixels = 285; // 14.25 points in twips

QFont reportFont(int twips, bool bold)
{
    QFont font(QStringLiteral("Times New Roman"));
    font.setPixelSize(twips);
    font.setBold(bold);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

int lineHeight(const QFont& font)
{
    return qCeil(QFontMetricsF(font).lineSpacing());
}

int bandHeight(const QFont& font)
{
    return lineHeight(font) + kBandGap;
}

// Millimetres, which Qt keeps exact for both A4 and Letter.
QSize paperTwips(const QPageSize& paper)
{
    const QSizeF mm = paper.size(QPageSize::Millimeter);
    return {qRound(mm.width() * 1440 / 25.4), qRound(mm.height() * 1440 / 25.4)};
}

} // namespace

ReportEngine::ReportEngine(const QPageSize& paper)
    : m_paper(paper)
    , m_textFont(reportFont(kTextPixels, false))
    , m_boldFont(reportFont(kTextPixels, true))
    , m_headerFont(reportFont(kHeaderPixels, true))
{
    const QSize size = paperTwips(m_paper);
    m_pageWidth = size.width();
    m_pageHeight = size.height();
}

QPageSize ReportEngine::paperFor(const QLocale& locale)
{
    return QPageSize(locale.measurementSystem() == QLocale::MetricSystem ? QPageSize::A4 : QPageSize::Letter);
}

void ReportEngine::startDocument()
{
    const QSize size = paperTwips(m_paper);
    m_pageWidth = size.width();
    m_pageHeight = size.height();
    if (m_orientation == Orientation::Landscape)
        std::swap(m_pageWidth, m_pageHeight);
    m_pages.clear();
    m_ended = false;
    m_bold = false;
    m_header.clear();
    m_footer.clear();
    beginPage();
}

int ReportEngine::bodyTop() const
{
    return kMargin + bandHeight(m_headerFont);
}

int ReportEngine::bodyBottom() const
{
    return m_pageHeight - kMargin - bandHeight(m_headerFont);
}

void ReportEngine::beginPage()
{
    m_pages.emplace_back();
    m_y = bodyTop();
    m_pageHasBody = false;
    if (m_onNewPage && !m_inNewPage) {
        // a table the break fell in goes on as it began, bold or not
        const bool bold = m_bold;
        m_inNewPage = true;
        m_onNewPage();
        m_inNewPage = false;
        m_bold = bold;
    }
}

void ReportEngine::addTable(const QString& table)
{
    const TableString::Table parsed = TableString::parse(table);
    for (const QStringList& row : parsed.rows)
        addRow(parsed.columns, row);
}

QStringList ReportEngine::wrap(const QString& text, int width, const QFont& font) const
{
    QString shaped = text;
    shaped.replace(QLatin1String("\r\n"), QString(QChar::LineSeparator));
    shaped.replace(QLatin1Char('\n'), QChar::LineSeparator);
    shaped.replace(QLatin1Char('\r'), QChar::LineSeparator);
    QTextLayout layout(shaped, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        QString part = shaped.mid(line.textStart(), line.textLength());
        while (!part.isEmpty() && (part.back().isSpace() || part.back() == QChar::LineSeparator))
            part.chop(1);
        lines.append(part);
    }
    layout.endLayout();
    return lines;
}

void ReportEngine::newPage()
{
    if (m_pages.empty() || m_pageHasBody)
        beginPage();
}

void ReportEngine::addRow(const QList<TableString::Column>& columns, const QStringList& cells,
                          const QList<CellPicture>& pictures)
{
    if (m_pages.empty())
        beginPage();
    PlacedRow row;
    row.bold = m_bold;
    row.columns = columns;
    while (row.columns.size() < cells.size())
        row.columns.append({kExtraColumn, false});
    row.cells = cells;
    const QFont& font = m_bold ? m_boldFont : m_textFont;
    const QFontMetricsF metrics(font);
    int lines = 1;
    int pictureHeight = 0;
    const auto shown = [](const CellPicture& picture) { return picture.key != 0 && !picture.size.isEmpty(); };
    if (std::any_of(pictures.begin(), pictures.end(), shown)) {
        row.pictures = pictures.mid(0, cells.size());
        row.pictureTwips.resize(row.pictures.size());
    }
    for (qsizetype i = 0; i < row.pictures.size(); ++i) {
        const CellPicture& picture = row.pictures[i];
        if (!shown(picture))
            continue;
        const QSize room(qMax(1, row.columns[i].twips - 2 * kCellPadding), qMax(1, picture.mostTwips));
        row.pictureTwips[i] = picture.size.scaled(room, Qt::KeepAspectRatio);
        pictureHeight = qMax(pictureHeight, row.pictureTwips[i].height());
    }
    for (qsizetype i = 0; i < cells.size(); ++i) {
        const QString& cell = cells[i];
        if (i < row.pictureTwips.size() && !row.pictureTwips[i].isEmpty())
            continue;
        const int width = qMax(1, row.columns[i].twips - 2 * kCellPadding);
        const bool breaks = cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'));
        if (!breaks && metrics.horizontalAdvance(cell) <= width)
            continue;
        if (row.wrapped.isEmpty())
            for (const QString& each : cells)
                row.wrapped.append(QStringList{each});
        row.wrapped[i] = wrap(cell, width, font);
        lines = qMax(lines, int(row.wrapped[i].size()));
    }
    const int step = lineHeight(font);
    const int padding = 2 * kCellPadding / 3;
    // a picture's row is as many lines tall as it needs
    lines = qMax(lines, (pictureHeight + step - 1) / step);
    row.lineCount = lines;
    row.height = lines * step + padding;
    if (m_y + row.height > bodyBottom() && m_pageHasBody && !m_inNewPage)
        beginPage();
    // a row taller than a whole page goes on over the next ones, as many of its
    // lines on each as there is room for
    while (!m_inNewPage && m_y + row.height > bodyBottom()) {
        const int fit = (bodyBottom() - m_y - padding) / step;
        if (fit < 1)
            break;
        PlacedRow part = row;
        part.lineCount = fit;
        part.height = fit * step + padding;
        place(std::move(part));
        row.firstLine += fit;
        row.lineCount -= fit;
        row.height = row.lineCount * step + padding;
        beginPage();
    }
    place(std::move(row));
}

void ReportEngine::place(PlacedRow row)
{
    row.top = m_y;
    m_y += row.height;
    if (!m_inNewPage)
        m_pageHasBody = true;
    m_pages.back().push_back(std::move(row));
}

const std::vector<ReportEngine::PlacedRow>& ReportEngine::rowsOn(int page) const
{
    static const Page none;
    return page >= 1 && page <= int(m_pages.size()) ? m_pages[page - 1] : none;
}

void ReportEngine::paintBand(QPainter& painter, const QString& text, int page, int top) const
{
    if (text.isEmpty())
        return;
    const TableString::Header parts = TableString::header(text, page);
    painter.setFont(m_headerFont);
    const QRectF band(kMargin, top, m_pageWidth - 2 * kMargin, lineHeight(m_headerFont));
    painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, parts.left);
    painter.drawText(band, Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, parts.centre);
    painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, parts.right);
}

void ReportEngine::paintPage(QPainter& painter, int page) const
{
    painter.save();
    painter.setPen(Qt::black);
    paintBand(painter, m_header, page, kMargin);
    paintBand(painter, m_footer, page, m_pageHeight - kMargin - lineHeight(m_headerFont));
    for (const PlacedRow& row : rowsOn(page)) {
        const QFont& font = row.bold ? m_boldFont : m_textFont;
        painter.setFont(font);
        const QFontMetricsF metrics(font);
        const int step = lineHeight(font);
        int left = kMargin;
        for (qsizetype i = 0; i < row.cells.size(); ++i) {
            const TableString::Column& column = row.columns[i];
            if (i < row.pictureTwips.size() && !row.pictureTwips[i].isEmpty()) {
                // on the row's first page only, when it runs over several
                if (row.firstLine == 0)
                    paintPicture(
                        painter, row.pictures[i],
                        QRect(QPoint(left + kCellPadding, row.top + kCellPadding / 3), row.pictureTwips[i]));
                left += column.twips;
                continue;
            }
            const QStringList lines = row.wrapped.isEmpty() ? QStringList{row.cells[i]} : row.wrapped[i];
            qreal baseline = row.top + kCellPadding / 3 + metrics.ascent();
            for (const QString& line : lines.mid(row.firstLine, row.lineCount)) {
                const qreal x = column.right
                                    ? left + column.twips - kCellPadding - metrics.horizontalAdvance(line)
                                    : left + kCellPadding;
                painter.drawText(QPointF(x, baseline), line);
                baseline += step;
            }
            left += column.twips;
        }
        // the one table style of every document: headings ruled off below
        if (row.bold) {
            const int bottom = row.top + row.height - 10;
            painter.setPen(QPen(Qt::black, 10));
            painter.drawLine(QPoint(kMargin, bottom), QPoint(left, bottom));
        }
    }
    painter.restore();
}

// The picture asked for at the pixels the device gives the place, at most
// those of 300 to the inch.
void ReportEngine::paintPicture(QPainter& painter, const CellPicture& picture, const QRect& twips) const
{
    if (!m_pictures)
        return;
    const QSizeF device = painter.deviceTransform().mapRect(QRectF(twips)).size();
    const QSizeF most = QSizeF(twips.size()) * kPictureDpi / 1440;
    const QSize pixels = device.boundedTo(most).toSize().expandedTo(QSize(1, 1));
    const QImage image = m_pictures(picture.key, pixels);
    if (!image.isNull())
        painter.drawImage(QRectF(twips), image);
}

bool ReportEngine::print(QPagedPaintDevice& device, const PageStep& step) const
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const qreal scale = qMin(device.width() / qreal(m_pageWidth), device.height() / qreal(m_pageHeight));
    for (int page = 1; page <= pageCount(); ++page) {
        if ((step && !step(page, pageCount())) || (page > 1 && !device.newPage()))
            return false;
        painter.save();
        painter.scale(scale, scale);
        paintPage(painter, page);
        painter.restore();
    }
    return painter.end();
}

bool ReportEngine::writePdf(QIODevice& device, const QString& title, const PageStep& step) const
{
    QPdfWriter writer(&device);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Plonko Wizmo"));
    writer.setResolution(1440);
    writer.setPageSize(QPageSize(QSizeF(m_pageWidth / 1440.0, m_pageHeight / 1440.0), QPageSize::Inch));
    writer.setPageMargins(QMarginsF());
    return print(writer, step);
}
