#pragma once

#include "AppState.h"

#include <QObject>

#include <exception>

// The one error handler. Lock conflicts are retried (the user is asked after
// every hundredth in a row), a cancelled file dialog is noted in Cancelled, a
// collection file moved away is reported and the write refused (FileMoved),
// every other error shows one message and ends the program.
//
// The program ends, besides by closing its window, only on these:
// - at start-up, when the collection cannot be used: 3000 SqliteTooOld, 3024
//   FileNotFound, 3343 NotADatabase, 3051 CannotOpen, 3045 FileInUse, and 3027
//   ReadOnlyObject for a file or folder that cannot be written (so a read-only
//   file ends the program before anything is typed, never at a save);
// - 91 ObjectNotSet: a window used the store after start-up failed, which has
//   already ended the program;
// - 3420 ObjectInvalid: the store was closed while a window still used it;
// - lock conflicts (3260, 3168) answered No after a hundred in a row: the file
//   is held exclusively, so no other user's lock ever comes;
// - 3026 DiskFull, 3043 DiskError, 3001 EngineFailure: the disk or the system
//   failed, whatever was typed;
// - faults of the program that the windows' checks keep typed or pasted text
//   from, in any locale: 3163 FieldTooSmall (the text boxes hold no more
//   characters than the store takes, counted the same way), 3349
//   NumericOverflow and 3421 TypeConversion (quantity and amounts are checked
//   before a save, a sale's totals are parts of the holding's, dates and
//   amounts are stored as read, never as typed text), 3075 SyntaxError (find
//   texts are taken literally), 3167 RecordDeleted and 3197 RecordChanged
//   (one item window; the lookup window handles them itself), 3020, 3021,
//   3022, 3251, 3265. Find texts and text boxes drop control characters and
//   halves of surrogate pairs, and a find text longer than its field is not
//   looked for.
// A file moved, replaced or deleted while the program runs (3044 FileMoved)
// never ends it: the write is refused and the window keeps what was typed.
void HandleError(AppState& state, int number, const QString& description);
void HandleError(AppState& state, const DbError& error);

// Error number of a cancelled common dialog.
constexpr int kDialogCancelled = 32755;

// Runs one step of a procedure under HandleError: when the handler returns,
// the caller goes on with its next step.
template <class Step> void underHandler(AppState& state, Step&& step)
{
    try {
        step();
    } catch (const DbError& error) {
        HandleError(state, error);
    } catch (const std::exception& error) {
        HandleError(state, DbError(DbError::EngineFailure, QString::fromLocal8Bit(error.what())));
    }
}

// Writes one row (an Update or a Delete) under the lock retry protocol: a
// conflict makes the handler set UpdatePending again, and the write is tried
// again at once. False when the write did not happen and the handler returned
// (the file was moved): the caller must not go on as if it had.
template <class Write> [[nodiscard]] bool writeWithRetry(AppState& state, Write&& write)
{
    state.LockRetries = 0;
    state.UpdatePending = true;
    bool written = false;
    while (state.UpdatePending) {
        state.UpdatePending = false;
        underHandler(state, [&] {
            write();
            written = true;
        });
    }
    return written;
}

// Runs a window's event handler: nothing it throws reaches Qt's event loop. A
// failure the handler did not handle itself goes to HandleError (which ends
// the program); a test's ending of the program stops the handler there.
template <class Handler> void runEvent(AppState& state, Handler&& handler)
{
    try {
        underHandler(state, handler);
    } catch (const ProgramEnded&) {
    }
}

// Connects a signal to a window's handler method, run through runEvent.
template <class Window, class Sender, class Signal>
void connectHandler(AppState& state, Window* window, Sender* sender, Signal signal, void (Window::*handler)())
{
    QObject::connect(sender, signal, window,
                     [&state, window, handler] { runEvent(state, [&] { (window->*handler)(); }); });
}
