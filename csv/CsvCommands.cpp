#include "CsvCommands.h"

#include "ColumnMatch.h"
#include "ItemTransfer.h"
#include "MatchMemory.h"
#include "frmImportSummary.h"
#include "frmMatchColumns.h"

#include "app/AppState.h"
#include "app/LongWork.h"
#include "reports/ReportFile.h"
#include "reports/ReportRun.h"
#include "store/Database.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString kFilter = QStringLiteral("CSV Files (*.csv)|*.csv|All Files (*.*)|*.*");

} // namespace

void ExportToCsv(AppState& state)
{
    const std::optional<QString> chosen = chooseFileToWrite(state, QStringLiteral("Plonkos.csv"), kFilter);
    if (!chosen)
        return;
    const QLocale& locale = state.regional.locale();
    bool writingPhotos = false;
    LongWork work(state, [&](qint64 done, qint64 total) {
        return (writingPhotos ? QStringLiteral("Writing the photos: %1 of %2")
                              : QStringLiteral("Exporting the items: %1 of %2"))
            .arg(locale.toString(done), locale.toString(total));
    });
    // the file is written aside and shown only after the photos it lists;
    // stopped by the collector, neither is left
    ReportFile file(*chosen);
    const qint64 items = state.db().RowCount(QStringLiteral("Plonko"));
    qint64 lines = 0;
    const bool listed = file.open() && ItemTransfer::exportItems(state.db(), [&](const QString& line) {
                            return file.writeLine(line) && work.step(lines++, items);
                        });
    if (work.stopped())
        return;
    std::optional<QString> failure;
    if (!listed)
        failure = file.errorString();
    if (!failure) {
        writingPhotos = true;
        failure =
            ItemTransfer::exportPhotos(state.db(), ItemTransfer::photoFolder(*chosen),
                                       [&work](qint64 done, qint64 total) { return work.step(done, total); });
        if (work.stopped())
            return;
    }
    if (!failure && !file.commit())
        failure = file.errorString();
    if (failure) {
        work.off();
        state.dialogs.messageBox(
            QStringLiteral("The collection could not be written to '%1'.  %2").arg(*chosen, *failure),
            Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, QStringLiteral("Export Not Saved"));
    }
}

bool ImportFromCsv(AppState& state, QWidget* owner)
{
    const std::optional<QString> chosen = state.dialogs.openFileName(kFilter);
    if (!chosen)
        return false;
    const QString title = QStringLiteral("Import from CSV");
    QFile file(*chosen);
    if (!file.open(QIODevice::ReadOnly)) {
        state.dialogs.messageBox(
            QStringLiteral("The file '%1' could not be opened.  %2").arg(*chosen, file.errorString()),
            Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, title);
        return false;
    }
    const QLocale& locale = state.regional.locale();
    const ColumnMatch::Sample sample = [&] {
        BusyPointer sampling(state.dialogs);
        return ColumnMatch::sampleOf(file, locale);
    }();
    std::optional<ColumnMatch::Mapping> mapping;
    if (!sample.failure.isEmpty()) {
        state.dialogs.messageBox(
            QStringLiteral("Nothing was imported from '%1'.\n\n%2").arg(*chosen, sample.failure),
            Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, title);
        return false;
    }
    // a file of another program's columns is matched to the item's fields first
    if (!ColumnMatch::isOwnHeader(sample.header)) {
        // the choices made for a file of the same columns come back
        const MatchMemory memory(state.MatchesPath);
        frmMatchColumns::MatchedFile matched{QFileInfo(*chosen).fileName(), sample, {}, {}};
        ItemTransfer::LookupMatch lookups;
        {
            BusyPointer reading(state.dialogs);
            // each column is read as every value of the file tells
            matched.distinct = ColumnMatch::distinctValues(file, sample.encoding);
            lookups = ItemTransfer::lookupMatch(state.db());
        }
        matched.mapping =
            ColumnMatch::proposeForFile(sample.header, matched.distinct, locale, sample.encoding);
        matched.recalled = memory.recall(sample.header, matched.mapping);
        frmMatchColumns matching(std::move(matched), state.regional, std::move(lookups), owner);
        state.dialogs.showModal(matching);
        if (matching.result() != QDialog::Accepted)
            return false;
        mapping = matching.mapping();
        memory.remember(sample.header, *mapping);
    }
    file.seek(0);
    LongWork work(state, [&locale](qint64 rows, qint64) {
        return QStringLiteral("Importing the file: %1 items").arg(locale.toString(rows));
    });
    try {
        // the rows are written as they are read; the collector's answer to
        // the summary keeps them or gives them up (as a crash would)
        Transaction writing(state.db());
        const ItemTransfer::Summary summary = ItemTransfer::importRows(
            state.db(), file, ItemTransfer::photoFolder(*chosen),
            [&work](qint64 rows) { return work.step(rows, 0); }, mapping ? &*mapping : nullptr,
            sample.encoding);
        work.off();
        frmImportSummary asked(summary, locale, owner);
        state.dialogs.showModal(asked);
        if (!asked.importChosen())
            return false;
        BusyPointer importing(state.dialogs);
        if (!asked.doublesChosen())
            ItemTransfer::leaveOutDoubles(state.db(), summary);
        writing.commit();
        return true;
    } catch (const ItemTransfer::Stopped&) {
        // stopped by the collector: the rows written are rolled back, unsaid
        return false;
    } catch (const ItemTransfer::Unreadable& unreadable) {
        work.off();
        state.dialogs.messageBox(
            QStringLiteral("Nothing was imported from '%1'.\n\n%2").arg(*chosen, unreadable.reason),
            Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, title);
        return false;
    }
}
