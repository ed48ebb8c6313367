#pragma once

#include "app/Dialogs.h"

#include <QDialog>
#include <QList>
#include <QQueue>
#include <QString>

#include <functional>

// The dialog seam for tests: answers come from a script, everything asked is
// recorded, nothing blocks.
class ScriptedDialogs : public Dialogs
{
public:
    struct Message
    {
        QString text;
        Buttons buttons;
        Icon icon;
        QString title;
    };
    struct HelpCall
    {
        QString file;
        HelpCommand command;
        int topic;
    };

    Answer messageBox(const QString& text, Buttons buttons, Icon icon, const QString& title) override
    {
        if (progressOpen > 0)
            qFatal("A message box over a progress dialog: %s", qPrintable(text));
        messages.append({text, buttons, icon, title});
        if (!answers.isEmpty())
            return answers.dequeue();
        return buttons == Buttons::Ok ? Answer::Ok : Answer::Yes;
    }
    QString inputBox(const QString& prompt, const QString&, const QString& defaultText) override
    {
        prompts.append(prompt);
        return inputs.isEmpty() ? defaultText : inputs.dequeue();
    }
    std::optional<QString> saveFileName(const QString& defaultName, const QString&) override
    {
        fileDialogs.append(defaultName);
        return fileNames.isEmpty() ? std::nullopt : std::optional<QString>(fileNames.dequeue());
    }
    std::optional<QString> openFileName(const QString&) override
    {
        fileDialogs.append(QStringLiteral("Open"));
        return fileNames.isEmpty() ? std::nullopt : std::optional<QString>(fileNames.dequeue());
    }
    QStringList openFileNames(const QString&) override
    {
        fileDialogs.append(QStringLiteral("Open several"));
        return fileLists.isEmpty() ? QStringList() : fileLists.dequeue();
    }
    // The print dialog: the script sets up the printer (to a PDF file, say) and
    // answers; without a script the dialog is cancelled.
    bool printSetup(QPrinter& printer) override
    {
        ++printDialogs;
        return printAnswer && printAnswer(printer);
    }
    // A scripted modal dialog: the next step of the script works its controls
    // (and closes it); without one the dialog is left as if closed by its close box.
    void showModal(QDialog& dialog) override
    {
        modalTitles.append(dialog.windowTitle());
        if (!modalSteps.isEmpty())
            modalSteps.dequeue()(dialog);
    }
    void beep() override { ++beeps; }
    void setBusy(bool busy) override { busyNow = busy; }
    // A progress dialog that records each text it shows and is cancelled from
    // its update numbered cancelProgressAt (from 1), if set and it has a Cancel.
    std::unique_ptr<ProgressDialog> progressDialog(bool cancellable) override
    {
        struct Scripted : ProgressDialog
        {
            Scripted(ScriptedDialogs& dialogs, bool cancellable)
                : dialogs(dialogs)
                , cancellable(cancellable)
            {
                ++dialogs.progressOpen;
            }
            ~Scripted() override { --dialogs.progressOpen; }
            bool update(const QString& text, qint64, qint64) override
            {
                dialogs.progressTexts.append(text);
                return !cancellable || dialogs.cancelProgressAt == 0 ||
                       dialogs.progressTexts.size() < dialogs.cancelProgressAt;
            }
            ScriptedDialogs& dialogs;
            bool cancellable;
        };
        ++progressDialogs;
        progressCancellable = cancellable;
        return std::make_unique<Scripted>(*this, cancellable);
    }
    void help(const QString& file, HelpCommand command, int topic) override
    {
        helpCalls.append({file, command, topic});
    }
    [[noreturn]] void endProgram() override
    {
        ended = true;
        throw ProgramEnded();
    }

    QString lastText() const { return messages.isEmpty() ? QString() : messages.last().text; }

    QQueue<std::function<void(QDialog&)>> modalSteps;
    std::function<bool(QPrinter&)> printAnswer;
    int printDialogs = 0;
    QStringList modalTitles;
    QQueue<Answer> answers;
    QQueue<QString> inputs;
    QQueue<QString> fileNames;
    QQueue<QStringList> fileLists; // the picks of the dialog of several files
    QList<Message> messages;
    QStringList prompts;
    QStringList fileDialogs;
    QList<HelpCall> helpCalls;
    int progressDialogs = 0;
    int progressOpen = 0;
    bool progressCancellable = false; // whether the last one offered Cancel
    QStringList progressTexts;
    qsizetype cancelProgressAt = 0;
    int beeps = 0;
    bool busyNow = false;
    bool ended = false;
};
