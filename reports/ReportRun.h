#pragma once

#include "store/PhotoTables.h"

#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class AppState;
class Recordset;
class ReportEngine;

// One cell of a row in a web table: what stands between "<td" and ">" (as
// " align=right"), and the value, which the HTML writer escapes.
struct HtmlCell
{
    QString attributes;
    QString text;
};

// A photo in a cell of a row: drawn in the preview as wide as its column,
// named by its file in a text file, and shown from that file in a web table,
// which writes the file into its folder.
struct RowPhoto
{
    qsizetype cell = 0;
    QSize size; // in pixels, as shown
    PhotoTables::Listed file;
};

// One row of a report as its destinations receive it. No writer joins the
// cells into a string and splits them again, so no value can split a cell.
struct ReportRow
{
    // the cells of the preview and of the text file
    QStringList cells;
    // the engine format of this row; empty for the report's own
    QString format;
    // the cells of the text file; empty for the cells above
    QStringList textCells;
    // the cells of the web table; empty for the cells above, aligned as the
    // report's format aligns their columns
    std::vector<HtmlCell> html;
    // whether the web table's line ends with "</tr>"
    bool closeHtmlRow = true;
    // the web table's whole line, as written by the program, in place of the
    // cells above
    QString htmlLine;
    // the photos of the row's cells, in place of their text but in a text file
    std::vector<RowPhoto> photos;
};

// What a standard report supplies; the run does everything else.
struct ReportDefinition
{
    QString query;
    QString format;     // the engine format section, as "3600|3600|1400|>1400;"
    QString headingRow; // as "Name|Description|Cat #|Price;"
    QString title;      // the centre of the page header
    QString textFileName;
    QString htmlFileName;
    QString htmlTitleLine;   // "<head><title>...</title></head>"
    QString htmlCaptionLine; // "<tr><th colspan=...>...</th></tr>"
    QStringList htmlHeadingLines;
    QString emptyMessage;
    // 1 to 3 for a destination of its own; 0 for the one of the Reports menu
    int destination = 0;
    bool landscape = false;
    // the page header and footer strings; a null header is the date, the
    // title and the page number
    QString pageHeader;
    QString pageFooter;
    // a query made from what the collector chose: one the database rejects
    // ends the run with a message rather than through the error handler
    bool chosenQuery = false;
    // The row of the current record; a report that keeps totals adds the
    // record's amounts to them here.
    std::function<ReportRow(const Recordset&)> row;
    // The totals rows after the last row, if any.
    std::function<QList<ReportRow>()> totals;
};

// Thrown by a report's row or totals when the report cannot go on (an amount
// too large to add up): the run shows the message and ends without a file or
// a preview.
struct ReportStopped
{
    QString message;
};

// Where a finished preview document goes: the preview window, shown modeless.
class ReportPreview
{
public:
    virtual ~ReportPreview() = default;
    virtual void show(std::unique_ptr<ReportEngine> document, const QString& title) = 0;
};

inline const QString kTextFilter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*");
inline const QString kHtmlFilter = QStringLiteral("Html Files (*.htm)|*.htm|All Files (*.*)|*.*");

// Asks before a file is replaced; a No sets Cancelled.
void ConfirmReplaceFile(AppState& state, const QString& fileName);

// The file the collector picks in the Save As dialog, asked about before it
// is replaced; nothing when either question was cancelled.
std::optional<QString> chooseFileToWrite(AppState& state, const QString& defaultName, const QString& filter);
// The file the collector picks for a report to a text file (destination 2)
// or a web table (3), asked about before it is replaced; nothing when either
// question was cancelled.
std::optional<QString> chooseReportFile(AppState& state, const QString& textFileName,
                                        const QString& htmlFileName, int destination);
// Tells that a report's file could not be written, and why.
void reportWriteFailure(AppState& state, const QString& path, const QString& reason);

// Runs a standard report to the destination in ReportDest: the Save As
// dialog and the replace question for a file, the query, a row per record,
// the totals, and the preview or the finished file. A file is written whole
// or not at all: a failure to write leaves any earlier file of its name as it
// was, is reported, and ends the report.
void runReport(AppState& state, ReportPreview& preview, const ReportDefinition& report);

// The new-page handler of a preview document: the heading table, in bold,
// at the top of every page while HeadingOnNewPage holds.
void addHeadingTable(const AppState& state, ReportEngine& engine);

// Saves a preview document as a PDF file, after the Save As dialog (its
// default name the report's title) and the replace question.
void saveReportPdf(AppState& state, const ReportEngine& document, const QString& title);
