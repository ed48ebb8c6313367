#pragma once

#include "ReportRun.h"
#include "TableString.h"

#include "regional/Money.h"

#include <QLocale>
#include <QSaveFile>
#include <QString>
#include <QStringEncoder>
#include <QStringList>

#include <functional>

class ReportEngine;

// A report's output file, written whole or not at all: lines go to a
// temporary file beside it, which replaces the named file only when the
// report commits it. Text is UTF-8, each line ended with CR LF.
class ReportFile
{
public:
    explicit ReportFile(const QString& path);

    bool open();
    // False once any write has failed; the lines after it are not written.
    bool writeLine(const QString& line);
    // A text file line: the cells joined by TAB, a TAB, CR or LF inside a
    // value made a blank, each cell encoded straight into the file's chunk.
    bool writeCells(const QStringList& cells);
    // The whole document as a PDF, each page told to step first; false too
    // when the step stopped it.
    bool write(const ReportEngine& document, const QString& title, const std::function<bool(int, int)>& step);
    bool failed() const { return !m_error.isEmpty(); }
    bool commit();
    QString path() const { return m_file.fileName(); }
    // Why the first failed step failed. A file not committed is thrown away.
    QString errorString() const { return m_error; }

private:
    // Notes the reason of a failure; false.
    bool fail();
    bool writePending();

    static constexpr qsizetype kChunk = 64 * 1024;
    QSaveFile m_file;
    QStringEncoder m_encoder;
    QByteArray m_pending;
    QString m_error;
};

namespace ReportLines {

// A web table row on one line, its values escaped ("&", "<", ">" and '"' as
// entities) and their TABs, CRs and LFs made blanks; cells without their own HTML are
// aligned as the columns of the report's format align them; a photo shown
// from its file in the folder named.
QString html(const ReportRow& row, const QList<TableString::Column>& columns,
             const QString& photoFolder = {});

// A value for a web page: on one line, "&", "<", ">" and '"' as entities.
QString htmlText(const QString& value);

// An amount as written without any format: no symbol, no grouping, no
// trailing zeros, in the locale's digits and decimal point.
QString plainAmount(const QLocale& locale, Money amount);

// The lines before the rows and after them.
QStringList htmlOpening(const ReportDefinition& report);
QStringList htmlClosing();

} // namespace ReportLines
