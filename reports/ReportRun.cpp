#include "ReportRun.h"

#include "ReportEngine.h"
#include "ReportFile.h"
#include "ReportPictures.h"
#include "WebPhotos.h"
#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/LongWork.h"
#include "store/Database.h"
#include "store/DbError.h"

#include <QFileInfo>

#include <optional>

namespace {

// A photo in a report's cell is as wide as its column, and at most so tall.
constexpr int kMostPhotoTwips = 4 * 1440;

void reportWriteFailure(AppState& state, const ReportFile& file)
{
    reportWriteFailure(state, file.path(), file.errorString());
}

} // namespace

void reportWriteFailure(AppState& state, const QString& path, const QString& reason)
{
    state.dialogs.messageBox(
        QStringLiteral("The report could not be written to '") + path + QStringLiteral("'.  ") + reason,
        Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, QStringLiteral("Report Not Saved"));
}

std::optional<QString> chooseFileToWrite(AppState& state, const QString& defaultName, const QString& filter)
{
    const std::optional<QString> chosen = state.dialogs.saveFileName(defaultName, filter);
    if (!chosen)
        return std::nullopt;
    ConfirmReplaceFile(state, *chosen);
    if (state.Cancelled)
        return std::nullopt;
    return chosen;
}

std::optional<QString> chooseReportFile(AppState& state, const QString& textFileName,
                                        const QString& htmlFileName, int destination)
{
    const bool text = destination == 2;
    return chooseFileToWrite(state, text ? textFileName : htmlFileName, text ? kTextFilter : kHtmlFilter);
}

void ConfirmReplaceFile(AppState& state, const QString& fileName)
{
    state.Cancelled = false;
    if (!QFileInfo::exists(fileName))
        return;
    const Dialogs::Answer answer =
        state.dialogs.messageBox(QStringLiteral("The file '") + fileName +
                                     QStringLiteral("' already exists.  Do you wish to replace it?"),
                                 Dialogs::Buttons::YesNo, Dialogs::Icon::None, QStringLiteral("File Exists"));
    if (answer == Dialogs::Answer::No)
        state.Cancelled = true;
}

void addHeadingTable(const AppState& state, ReportEngine& engine)
{
    if (!state.HeadingOnNewPage)
        return;
    engine.setBold(true);
    engine.addTable(state.TableHeading);
    engine.setBold(false);
}

void runReport(AppState& state, ReportPreview& preview, const ReportDefinition& report)
{
    state.HeadingOnNewPage = true;
    const int destination = report.destination ? report.destination : state.ReportDest;
    std::optional<ReportFile> file;
    if (destination != 1) {
        const std::optional<QString> chosen =
            chooseReportFile(state, report.textFileName, report.htmlFileName, destination);
        if (!chosen)
            return;
        file.emplace(*chosen);
        if (!file->open()) {
            reportWriteFailure(state, *file);
            return;
        }
    }

    const QLocale& locale = state.regional.locale();
    LongWork work(state, [&locale](qint64 done, qint64 total) {
        return total > 0 ? QStringLiteral("Making the report: %1 of %2 items")
                               .arg(locale.toString(done), locale.toString(total))
                         : QStringLiteral("Making the report: %1 items").arg(locale.toString(done));
    });
    // Laying out the preview's pages is the most of its work, so its rows are
    // counted for the progress; a file's are not, as a count would cost a
    // tenth of its time. A count the engine refuses leaves the bar moving.
    if (destination == 1)
        work.countWith([&] {
            try {
                return state.db().QueryRowCount(report.query);
            } catch (const DbError&) {
                return qint64(0);
            }
        });
    const QList<TableString::Column> columns = TableString::parseFormat(report.format);
    std::unique_ptr<ReportEngine> engine;
    if (destination == 1) {
        state.TableHeading = report.format + report.headingRow;
        engine = std::make_unique<ReportEngine>(ReportEngine::paperFor(state.regional.locale()));
        engine->setNewPageHandler([&state, document = engine.get()] { addHeadingTable(state, *document); });
        engine->setOrientation(report.landscape ? ReportEngine::Orientation::Landscape
                                                : ReportEngine::Orientation::Portrait);
        engine->startDocument();
        engine->setPageHeader(report.pageHeader.isNull()
                                  ? state.regional.formatShortDate(state.today()) + QLatin1Char('|') +
                                        report.title + QStringLiteral("|Page %d")
                                  : report.pageHeader);
        engine->setPageFooter(report.pageFooter);
        auto pictures = std::make_shared<ReportPictures>(state);
        engine->setPictureSource([pictures](qint64 key, QSize pixels) { return (*pictures)(key, pixels); });
    } else if (destination == 3) {
        for (const QString& line : ReportLines::htmlOpening(report))
            file->writeLine(line);
    }
    std::optional<WebPhotos> webPhotos;
    if (destination == 3)
        webPhotos.emplace(state.db(), file->path());

    // false when a photo's file could not be written, which ends the report
    auto write = [&](const ReportRow& row) {
        if (destination == 1) {
            const QList<TableString::Column> format =
                row.format.isEmpty() ? columns : TableString::parseFormat(row.format);
            QList<ReportEngine::CellPicture> pictures;
            for (const RowPhoto& photo : row.photos) {
                pictures.resize(std::max(pictures.size(), photo.cell + 1));
                pictures[photo.cell] = {photo.file.picture, photo.size, kMostPhotoTwips};
            }
            engine->addRow(format, row.cells, pictures);
        } else if (destination == 2) {
            file->writeCells(row.textCells.isEmpty() ? row.cells : row.textCells);
        } else {
            for (const RowPhoto& photo : row.photos)
                if (const std::optional<QString> failure = webPhotos->write(photo.file)) {
                    work.off();
                    reportWriteFailure(state, file->path(), *failure);
                    return false;
                }
            file->writeLine(row.htmlLine.isEmpty() ? ReportLines::html(row, columns, webPhotos->folderName())
                                                   : row.htmlLine);
        }
        return true;
    };
    // the file as it stands, or a failure to write it reported
    auto finishFile = [&] {
        if (!file->commit()) {
            work.off();
            reportWriteFailure(state, *file);
        } else if (webPhotos) {
            webPhotos->keep();
        }
    };

    std::unique_ptr<Recordset> rows;
    try {
        rows = state.db().OpenRecordset(report.query, Database::RecordsetType::ForwardOnly);
    } catch (const DbError& error) {
        // only the collector's choices can make a query the database refuses
        if (!report.chosenQuery || error.number() != DbError::SyntaxError)
            throw;
        work.off();
        state.dialogs.messageBox(
            QStringLiteral("The report cannot be made from these choices.  ") + error.description(),
            Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, QStringLiteral("Report Not Run"));
        return;
    }
    if (rows->AtEOF()) {
        work.off();
        state.dialogs.messageBox(report.emptyMessage);
        if (file)
            finishFile();
        return;
    }
    try {
        // a report the collector stopped ends without a file or a preview
        for (qint64 done = 1; !rows->AtEOF() && !(file && file->failed()); rows->MoveNext(), ++done)
            if (!write(report.row(*rows)) || !work.step(done, 0))
                return;
        if (report.totals)
            for (const ReportRow& row : report.totals())
                if (!write(row))
                    return;
    } catch (const ReportStopped& stopped) {
        work.off();
        state.dialogs.messageBox(stopped.message, Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation,
                                 QStringLiteral("Report Not Finished"));
        return;
    }

    if (destination == 1) {
        engine->endDocument();
        // the preview is shown once the progress is closed, to take the focus
        work.off();
        preview.show(std::move(engine), report.title);
        return;
    }
    if (destination == 3)
        for (const QString& line : ReportLines::htmlClosing())
            file->writeLine(line);
    finishFile();
}

void saveReportPdf(AppState& state, const ReportEngine& document, const QString& title)
{
    const std::optional<QString> chosen =
        chooseFileToWrite(state, title + QStringLiteral(".pdf"), QStringLiteral("PDF Files (*.pdf)|*.pdf"));
    if (!chosen)
        return;
    ReportFile file(*chosen);
    const QLocale& locale = state.regional.locale();
    LongWork work(state, [&locale](qint64 page, qint64 pages) {
        return QStringLiteral("Saving the PDF: page %1 of %2")
            .arg(locale.toString(page), locale.toString(pages));
    });
    const bool written = file.open() && file.write(document, title, [&work](int page, int pages) {
        return work.step(page, pages);
    }) && file.commit();
    work.off();
    // a file stopped by the collector is thrown away without a word
    if (!written && !work.stopped())
        reportWriteFailure(state, file);
}
