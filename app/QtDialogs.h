#pragma once

#include "Dialogs.h"

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

#include <memory>

class HelpViewer;

// Turns a file type list written as description and pattern pairs separated by
// "|" ("Text Files (*.txt)|*.txt|All Files (*.*)|*.*") into Qt's filter list
// ("Text Files (*.txt);;All Files (*)"). A pattern list may hold several
// patterns separated by ";"; "*.*" means every file. A description without a
// pattern is dropped.
QString qtFileFilter(const QString& filter);

// The dialogs of the running program: Qt's message, input and file dialogs, the
// help window, the wait cursor. Must not outlive the QApplication.
//
// Every box is centred on the window that asked and is wide enough for its
// title. Right after a dialog closes no window is active until the window
// manager hands the focus back, so the window that asked is the modal dialog
// still open, else the active window, else the window the user worked in
// last while it is shown, else the main window.
class QtDialogs : public Dialogs
{
public:
    QtDialogs();
    ~QtDialogs() override;
    QtDialogs(const QtDialogs&) = delete;
    QtDialogs& operator=(const QtDialogs&) = delete;

    void setMainWindow(QWidget* window) { m_mainWindow = window; }
    // The window a box shown now belongs to; null only without a main window.
    QWidget* askingWindow() const;

    Answer messageBox(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                      const QString& title = {}) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    std::optional<QString> saveFileName(const QString& defaultName, const QString& filter) override;
    std::optional<QString> openFileName(const QString& filter) override;
    QStringList openFileNames(const QString& filter) override;
    bool printSetup(QPrinter& printer) override;
    void showModal(QDialog& dialog) override;
    void beep() override;
    void setBusy(bool busy) override;
    std::unique_ptr<ProgressDialog> progressDialog(bool cancellable) override;
    void help(const QString& helpFile, HelpCommand command, int topic) override;
    [[noreturn]] void endProgram() override;

    // The help window, made on first use and reused for every later command.
    HelpViewer* helpViewer();

private:
    std::unique_ptr<HelpViewer> m_helpViewer;
    bool m_busy = false;
    QPointer<QWidget> m_mainWindow;
    QPointer<QWidget> m_lastWindow;
    QMetaObject::Connection m_focusWatch;
};
