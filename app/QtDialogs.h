#pragma once

#include "Dialogs.h"

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
class QtDialogs : public Dialogs
{
public:
    QtDialogs();
    ~QtDialogs() override;

    Answer messageBox(const QString& text, Buttons buttons = Buttons::Ok, Icon icon = Icon::None,
                      const QString& title = {}) override;
    QString inputBox(const QString& prompt, const QString& title, const QString& defaultText) override;
    std::optional<QString> saveFileName(const QString& defaultName, const QString& filter) override;
    void showModal(QDialog& dialog) override;
    void beep() override;
    void setBusy(bool busy) override;
    void help(const QString& helpFile, HelpCommand command, int topic) override;
    [[noreturn]] void endProgram() override;

    // The help window, made on first use and reused for every later command.
    HelpViewer* helpViewer();

private:
    std::unique_ptr<HelpViewer> m_helpViewer;
    bool m_busy = false;
};
