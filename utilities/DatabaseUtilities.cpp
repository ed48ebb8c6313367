#include "DatabaseUtilities.h"

#include "CollectionFiles.h"
#include "CollectionHolder.h"
#include "CopyProgress.h"
#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "custom/frmRptSpec.h"
#include "frmBackup.h"
#include "lookups/frmCodesMaint.h"

#include <QFileInfo>

namespace {

const QString kCompactTitle = QStringLiteral("Compact Database");

// Both commands close the database; a lookup or custom report window still
// open would lose its hold on it, and may hold an edit not yet saved.
bool windowsHoldTheDatabase(AppState& state, const QWidget& window, const QString& title)
{
    const auto open = [](const auto& windows) {
        return std::any_of(windows.begin(), windows.end(), [](const QWidget* w) { return w->isVisible(); });
    };
    if (!open(window.findChildren<frmCodesMaint*>()) && !open(window.findChildren<frmRptSpec*>()))
        return false;
    state.dialogs.messageBox(QStringLiteral("Please close the lookup and custom report windows first.  The "
                                            "database is closed while it is copied, and an open window may "
                                            "hold changes that are not saved."),
                             Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, title);
    return true;
}

// Clears UtilityRunning however the command ends.
class UtilityRun
{
public:
    explicit UtilityRun(AppState& state)
        : m_state(state)
    {
        m_state.UtilityRunning = true;
    }
    ~UtilityRun() { m_state.UtilityRunning = false; }
    UtilityRun(const UtilityRun&) = delete;
    UtilityRun& operator=(const UtilityRun&) = delete;

private:
    AppState& m_state;
};

} // namespace

void BackupDatabase(AppState& state, CollectionHolder& window)
{
    if (windowsHoldTheDatabase(state, *window.holdingWindow(),
                               QStringLiteral("Backup the Plonko Wizmo Database")))
        return;
    const UtilityRun running(state);
    if (!window.closeForUtility())
        return;
    {
        frmBackup dialog(state, window.holdingWindow());
        state.dialogs.showModal(dialog);
    }
    window.reopenAfterUtility();
}

void PackDatabase(AppState& state, CollectionHolder& window)
{
    if (windowsHoldTheDatabase(state, *window.holdingWindow(), kCompactTitle))
        return;
    const UtilityRun running(state);
    if (state.dialogs.messageBox(QStringLiteral("Do you wish to compact the Plonko Wizmo Program database?"),
                                 Dialogs::Buttons::YesNo, Dialogs::Icon::None,
                                 kCompactTitle) != Dialogs::Answer::Yes)
        return;
    if (!window.closeForUtility())
        return;
    {
        CopyProgress work(state, QStringLiteral("Compacting the collection"),
                          QStringLiteral("Checking the compacted collection"));
        try {
            CollectionFiles::compactCollection(state.DbPath, state.regional.locale(), work.progress());
        } catch (const CollectionFiles::Stopped&) {
            // the collection is as it was, and no copy is left
        } catch (const CollectionFiles::Failure& failure) {
            work.off();
            // a failed compaction has put the previous file back, or says why it could not
            const QString where =
                QFileInfo::exists(state.DbPath)
                    ? QStringLiteral("The collection is as it was, in %1.").arg(state.DbPath)
                    : QStringLiteral("The collection is in %1, and its compacted copy in %2.  The program "
                                     "offers to put it back as it opens.")
                          .arg(CollectionFiles::kPreviousName, CollectionFiles::kCompactedName);
            state.dialogs.messageBox(
                QStringLiteral("The database could not be compacted.\n\n%1\n\n%2").arg(failure.what, where),
                Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, kCompactTitle);
        }
    }
    window.reopenAfterUtility();
}

void FinishInterruptedCompaction(AppState& state)
{
    const std::optional<CollectionFiles::Interrupted> found =
        CollectionFiles::interruptedCompaction(state.DbPath);
    if (!found)
        return;
    if (!found->restoreFrom) {
        state.dialogs.messageBox(found->description +
                                     QStringLiteral("\n\nNone of them is a complete collection, so nothing "
                                                    "was restored.  The files are left as they are."),
                                 Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, kCompactTitle);
        return;
    }
    const QFileInfo from(*found->restoreFrom);
    const QString saved = state.regional.locale().toString(from.lastModified(), QLocale::ShortFormat);
    if (state.dialogs.messageBox(
            found->description + QStringLiteral("\n\n%1, saved %2, is a complete collection.  Restore "
                                                "the collection from it?  If you answer No, the "
                                                "program closes and leaves the files as they are.")
                                     .arg(from.fileName(), saved),
            Dialogs::Buttons::YesNo, Dialogs::Icon::Question, kCompactTitle) != Dialogs::Answer::Yes)
        return;
    try {
        CollectionFiles::restore(*found, state.DbPath);
    } catch (const CollectionFiles::Failure& failure) {
        state.dialogs.messageBox(QStringLiteral("The collection could not be restored from %1.\n\n%2")
                                     .arg(from.fileName(), failure.what),
                                 Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, kCompactTitle);
    }
}
