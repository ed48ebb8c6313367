#include "QtDialogs.h"

#include "HelpViewer.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QRegularExpression>

#include <cstdlib>

namespace {

const QString applicationTitle = QStringLiteral("Plonko Wizmo");

QString titleOrApplication(const QString& title)
{
    return title.isEmpty() ? applicationTitle : title;
}

QMessageBox::Icon qtIcon(Dialogs::Icon icon)
{
    switch (icon) {
    case Dialogs::Icon::None:
        break;
    case Dialogs::Icon::Critical:
        return QMessageBox::Critical;
    case Dialogs::Icon::Question:
        return QMessageBox::Question;
    case Dialogs::Icon::Exclamation:
        return QMessageBox::Warning;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString qtFileFilter(const QString& filter)
{
    // The description's own "(*.*)" would show a pattern Qt does not apply; the
    // patterns that are applied replace it.
    static const QRegularExpression shownPatterns(QStringLiteral("\\s*\\([^()]*\\)\\s*$"));
    const QStringList parts = filter.split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& written : parts.at(i + 1).split(u';')) {
            // "*.*" takes every file on Windows only; elsewhere it wants a dot in the name.
            const QString pattern = written.trimmed() == u"*.*" ? QStringLiteral("*") : written.trimmed();
            if (!pattern.isEmpty() && !patterns.contains(pattern))
                patterns.append(pattern);
        }
        if (patterns.isEmpty())
            continue;
        QString description = parts.at(i).trimmed();
        description.remove(shownPatterns);
        const QString list = patterns.join(u' ');
        filters.append(description.isEmpty() ? list : description + QStringLiteral(" (") + list + u')');
    }
    return filters.join(QStringLiteral(";;"));
}

QtDialogs::QtDialogs() = default;

QtDialogs::~QtDialogs()
{
    if (m_busy)
        QGuiApplication::restoreOverrideCursor();
}

Dialogs::Answer QtDialogs::messageBox(const QString& text, Buttons buttons, Icon icon, const QString& title)
{
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("messageBox"));
    box.setWindowTitle(titleOrApplication(title));
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(qtIcon(icon));
    if (buttons == Buttons::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
    } else if (buttons == Buttons::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    const int result = box.exec();
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (result == QMessageBox::Cancel)
        return Answer::Cancel;
    return result == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

QString QtDialogs::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setObjectName(QStringLiteral("inputBox"));
    dialog.setWindowTitle(titleOrApplication(title));
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    // wide enough for its title, which is often longer than the prompt
    dialog.setMinimumWidth(dialog.fontMetrics().horizontalAdvance(dialog.windowTitle()) + 160);
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

std::optional<QString> QtDialogs::saveFileName(const QString& defaultName, const QString& filter)
{
    // The program asks its own question before it replaces a file.
    const QString chosen =
        QFileDialog::getSaveFileName(QApplication::activeWindow(), QObject::tr("Save As"), defaultName,
                                     qtFileFilter(filter), nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void QtDialogs::showModal(QDialog& dialog)
{
    dialog.exec();
}

void QtDialogs::beep()
{
    QApplication::beep();
}

void QtDialogs::setBusy(bool busy)
{
    // Override cursors stack; the program only ever switches the hourglass on or off.
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QGuiApplication::restoreOverrideCursor();
}

void QtDialogs::help(const QString& helpFile, HelpCommand command, int topic)
{
    helpViewer()->execute(*this, helpFile, command, topic);
}

void QtDialogs::endProgram()
{
    std::_Exit(EXIT_FAILURE);
}

HelpViewer* QtDialogs::helpViewer()
{
    if (!m_helpViewer)
        m_helpViewer = std::make_unique<HelpViewer>();
    return m_helpViewer.get();
}
