#pragma once

#include "TableString.h"

#include <QFont>
#include <QImage>
#include <QList>
#include <QLocale>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QPainter;
class QIODevice;
class QPagedPaintDevice;

// The report engine: a document of pages laid out from tables. Every table
// is measured and placed once, when it is added; a page is painted by itself,
// onto any painter (screen, printer, PDF), in twips (1440 to the inch).
//
// A table that does not fit on the rest of the page begins a new one. The
// new-page handler runs whenever a page begins, the first included, before
// anything is placed on it, so a table it adds stands at the top of the page.
// Cells wrap inside their columns; a cell beyond the columns of its format
// gets a column of 1440 twips, left-aligned. Heading tables (added in bold)
// are ruled off from the rows below them.
//
// A cell may hold a picture instead of text: fitted to its column and to a
// height, the row as tall as it needs. Pictures are asked of a source as each
// page is painted, at the pixels the device needs (at most 300 to the inch),
// so a document holds none of them.
class ReportEngine
{
public:
    enum class Orientation
    {
        Portrait = 0,
        Landscape = 1
    };

    explicit ReportEngine(const QPageSize& paper = paperFor(QLocale()));

    // Letter where the locale measures in inches, A4 elsewhere.
    static QPageSize paperFor(const QLocale& locale);

    // Takes effect at the next start.
    void setOrientation(Orientation orientation) { m_orientation = orientation; }
    Orientation orientation() const { return m_orientation; }

    // Begins a new document (its first page), discarding the previous one.
    void startDocument();
    void endDocument() { m_ended = true; }
    bool documentEnded() const { return m_ended; }

    // Three parts separated by "|" (left, centre, right); "%d" is the page number.
    void setPageHeader(const QString& text) { m_header = text; }
    void setPageFooter(const QString& text) { m_footer = text; }

    void setBold(bool bold) { m_bold = bold; }
    bool bold() const { return m_bold; }

    // A stored picture in a cell: its key for the source, its size in pixels
    // (as shown), and the most twips it may stand tall. A key of 0 is none.
    struct CellPicture
    {
        qint64 key = 0;
        QSize size;
        int mostTwips = 0;
    };
    // The picture of a key at the pixels given (its proportions kept); a null
    // image where it cannot be had.
    using PictureSource = std::function<QImage(qint64 key, QSize pixels)>;
    void setPictureSource(PictureSource source) { m_pictures = std::move(source); }
    // The most pixels to the inch a picture is asked for.
    static constexpr int kPictureDpi = 300;

    // A table string: a format section followed by rows.
    void addTable(const QString& table);
    // One row of cells under a format; the cells are taken as they are, so no
    // text inside them is read as a separator. A cell with a picture shows it
    // in place of its text.
    void addRow(const QList<TableString::Column>& columns, const QStringList& cells,
                const QList<CellPicture>& pictures = {});
    // The rows after this begin a new page, unless the page has none yet.
    void newPage();

    // Called whenever a page begins.
    void setNewPageHandler(std::function<void()> handler) { m_onNewPage = std::move(handler); }

    int pageCount() const { return qMax<int>(1, int(m_pages.size())); }
    int pageWidth() const { return m_pageWidth; }
    int pageHeight() const { return m_pageHeight; }
    // Where tables may stand on a page, between the header and the footer.
    int bodyTop() const;
    int bodyBottom() const;

    // A row as laid out: its top and height in twips from the top of its page.
    struct PlacedRow
    {
        int top = 0;
        int height = 0;
        bool bold = false;
        QList<TableString::Column> columns;
        QStringList cells;
        // each cell's lines; empty when every cell fits on one line
        QList<QStringList> wrapped;
        // the lines of the row on this page, when it runs over several
        int firstLine = 0;
        int lineCount = 1;
        // each cell's picture, where it has one, and its size in twips
        QList<CellPicture> pictures;
        QList<QSize> pictureTwips;
    };
    // The rows of a page (1 to pageCount), in order down the page.
    const std::vector<PlacedRow>& rowsOn(int page) const;
    const QString& pageHeader() const { return m_header; }
    const QString& pageFooter() const { return m_footer; }

    // Paints one page (1 to pageCount) with the painter's units in twips.
    void paintPage(QPainter& painter, int page) const;
    // Told before each page is painted (from 1, of the page count); false stops the painting.
    using PageStep = std::function<bool(int page, int pages)>;
    // Paints every page onto the device, one device page each, scaled to fit.
    // False when the device could not be painted on, or the step stopped it.
    bool print(QPagedPaintDevice& device, const PageStep& step = {}) const;
    // The document as a PDF file of the same pages.
    bool writePdf(QIODevice& device, const QString& title, const PageStep& step = {}) const;

private:
    using Page = std::vector<PlacedRow>;

    void beginPage();
    void place(PlacedRow row);
    QStringList wrap(const QString& text, int width, const QFont& font) const;
    void paintBand(QPainter& painter, const QString& text, int page, int top) const;
    void paintPicture(QPainter& painter, const CellPicture& picture, const QRect& twips) const;

    QPageSize m_paper;
    Orientation m_orientation = Orientation::Portrait;
    int m_pageWidth = 0;
    int m_pageHeight = 0;
    QString m_header;
    QString m_footer;
    bool m_bold = false;
    bool m_ended = false;
    std::function<void()> m_onNewPage;
    PictureSource m_pictures;
    bool m_inNewPage = false;
    bool m_pageHasBody = false;
    int m_y = 0;
    std::vector<Page> m_pages;
    QFont m_textFont;
    QFont m_boldFont;
    QFont m_headerFont;
};
