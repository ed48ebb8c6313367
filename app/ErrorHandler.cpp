#include "ErrorHandler.h"

namespace {

constexpr int kAskAfterRetries = 100;

} // namespace

void HandleError(AppState& state, int number, const QString& description)
{
    using Answer = Dialogs::Answer;
    using Buttons = Dialogs::Buttons;
    using Icon = Dialogs::Icon;
    Dialogs& dialogs = state.dialogs;
    switch (number) {
    case DbError::ObjectNotSet:
        dialogs.messageBox(QStringLiteral("There was an error accessing the database file.  Aborting..."));
        break;
    case DbError::FileInUse:
        dialogs.messageBox(
            QStringLiteral("The database is in use.  You are attempting to run the non-network version "
                           "in a network environment.  The program will exit."),
            Buttons::Ok, Icon::None, QStringLiteral("Database File Already In Use"));
        break;
    case DbError::RecordLockedToo:
    case DbError::RecordLocked:
        state.UpdatePending = true;
        ++state.LockRetries;
        if (state.LockRetries >= kAskAfterRetries) {
            const Answer answer = dialogs.messageBox(
                QStringLiteral("Could not update locked record.  Do you wish to try again?"), Buttons::YesNo,
                Icon::None, QStringLiteral("Locked Record"));
            if (answer != Answer::Yes)
                dialogs.endProgram();
            state.LockRetries = 1;
        }
        return;
    case DbError::ObjectInvalid:
        dialogs.messageBox(
            QStringLiteral("An error has occurred.  You may have forgotten to close a window before "
                           "packing or backing up the program's database.  Please rerun the program."));
        break;
    case kDialogCancelled:
        state.Cancelled = true;
        return;
    case DbError::FileMoved:
        dialogs.messageBox(description, Buttons::Ok, Icon::Exclamation,
                           QStringLiteral("Collection File Moved"));
        return;
    default:
        dialogs.messageBox(QString::number(number) + QStringLiteral("  ") + description);
        break;
    }
    dialogs.endProgram();
}

void HandleError(AppState& state, const DbError& error)
{
    HandleError(state, error.number(), error.description());
}
