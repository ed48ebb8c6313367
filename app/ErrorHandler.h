#pragma once

#include "AppState.h"

#include <QObject>

#include <exception>

// The one error handler. Lock conflicts are retried (the user is asked after
// every hundredth in a row), a cancelled file dialog is noted in Cancelled, a
// collection file moved away is reported and the write refused (FileMoved),
// every other error shows one message and ends the program.
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
