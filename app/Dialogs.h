#pragma once

#include <QString>

#include <memory>
#include <optional>

class QDialog;
class QPrinter;

// A progress dialog over the program's windows, which cannot be used while it
// is shown: what is being done, a bar, and "&Cancel" where the work can be
// stopped. It closes when destroyed.
class ProgressDialog
{
public:
    virtual ~ProgressDialog() = default;
    // Shows the text and the bar at done of total (a bar that only moves when
    // total is 0); false once the user cancelled.
    virtual bool update(const QString& text, qint64 done, qint64 total) = 0;
};

// Every modal interaction of the program goes through this interface: the
// program shows Qt's dialogs, tests script the answers and record what was asked.
class Dialogs
{
public:
    enum class Buttons
    {
        Ok,
        YesNo,
        YesNoCancel
    };
    enum class Icon
    {
        None,
        Critical,
        Question,
        Exclamation
    };
    enum class Answer
    {
        Ok,
        Yes,
        No,
        Cancel
    };
    enum class HelpCommand
    {
        Context,
        PartialKey,
        HelpOnHelp
    };

    virtual ~Dialogs() = default;

    // A message box; an empty title means the application's title.
    virtual Answer messageBox(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                              const QString& title = {}) = 0;
    // An input box; Cancel gives the empty text.
    virtual QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) = 0;
    // A Save As dialog; nothing when the user cancels.
    virtual std::optional<QString> saveFileName(const QString& defaultName, const QString& filter) = 0;
    // An Open dialog for an existing file; nothing when the user cancels.
    virtual std::optional<QString> openFileName(const QString& filter) = 0;
    // The open dialog that picks several files; none when the user cancels.
    virtual QStringList openFileNames(const QString& filter) = 0;
    // The print dialog for printer; false when the user cancels.
    virtual bool printSetup(QPrinter& printer) = 0;
    // Shows one of the program's own dialog windows modally; returns when it closes.
    virtual void showModal(QDialog& dialog) = 0;
    virtual void beep() = 0;
    // The hourglass pointer while true.
    virtual void setBusy(bool busy) = 0;
    // Shows a progress dialog until the object returned is destroyed; one that
    // cannot be cancelled has no Cancel, and neither Escape nor closing it ends it.
    virtual std::unique_ptr<ProgressDialog> progressDialog(bool cancellable) = 0;
    // Opens helpFile at the topic (Context), at its keyword search (PartialKey),
    // or the page on using help (HelpOnHelp, helpFile empty).
    virtual void help(const QString& helpFile, HelpCommand command, int topic) = 0;
    // Ends the program at once, without closing windows or the database.
    [[noreturn]] virtual void endProgram() = 0;
};

// The hourglass pointer for a scope, or until off() (before a message, say).
class BusyPointer
{
public:
    explicit BusyPointer(Dialogs& dialogs)
        : m_dialogs(dialogs)
    {
        m_dialogs.setBusy(true);
    }
    ~BusyPointer() { off(); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;
    void off() { m_dialogs.setBusy(false); }

private:
    Dialogs& m_dialogs;
};

// Thrown by a test's endProgram in place of ending the process; the event
// wrappers of the windows stop the handler there.
struct ProgramEnded
{
};
