#include "QtDialogs.h"

#include "help/HelpViewer.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QRegularExpression>
#include <QScreen>

#include <algorithm>
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

// The program's own prompts, which never ask anything themselves.
bool isPrompt(const QWidget* window)
{
    return qobject_cast<const QMessageBox*>(window) || qobject_cast<const QInputDialog*>(window) ||
           qobject_cast<const QFileDialog*>(window) || qobject_cast<const QProgressDialog*>(window);
}

// The width a box needs so that the window manager shows its whole title
// beside the title bar's icon and buttons; its own title font is unknown, so
// the box's font in bold stands for it.
int titleWidth(const QWidget& box)
{
    QFont font = box.font();
    font.setBold(true);
    const QFontMetrics metrics(font);
    return metrics.horizontalAdvance(box.windowTitle()) + 8 * metrics.height();
}

// Qt's progress dialog, which work that cannot be stopped keeps open.
class ProgressWindow : public QProgressDialog
{
public:
    ProgressWindow(QWidget* owner, bool cancellable)
        : QProgressDialog(owner)
        , m_cancellable(cancellable)
    {
        // no text, no button, even should the language change
        setCancelButtonText(cancellable ? QStringLiteral("&Cancel") : QString());
    }
    void reject() override
    {
        if (m_cancellable)
            QProgressDialog::reject();
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        if (m_cancellable)
            QProgressDialog::closeEvent(event);
        else
            event->ignore();
    }

private:
    bool m_cancellable;
};

// Qt's progress dialog, application modal so that no other work can start
// while it is shown; the events it needs are handled at each update.
class QtProgressDialog : public ProgressDialog
{
public:
    QtProgressDialog(QWidget* owner, bool cancellable)
        : m_dialog(new ProgressWindow(owner, cancellable))
    {
        m_dialog->setObjectName(QStringLiteral("progressDialog"));
        m_dialog->setWindowTitle(applicationTitle);
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        m_dialog->setMinimumDuration(0);
        // wide enough that the longest texts do not make it grow as they change
        const QFontMetrics metrics = m_dialog->fontMetrics();
        m_dialog->setMinimumWidth(
            metrics.horizontalAdvance(QStringLiteral("Laying out the pages: 1,000,000 of 1,000,000 items")) +
            4 * metrics.height());
    }
    // the owner, should it go first, takes the dialog with it
    ~QtProgressDialog() override { delete m_dialog; }
    QtProgressDialog(const QtProgressDialog&) = delete;
    QtProgressDialog& operator=(const QtProgressDialog&) = delete;

    bool update(const QString& text, qint64 done, qint64 total) override
    {
        if (!m_dialog)
            return true;
        // the bar counts in thousandths, as a count may be larger than an int
        m_dialog->setLabelText(text);
        m_dialog->setRange(0, total > 0 ? 1000 : 0);
        m_dialog->setValue(total > 0 ? int(std::clamp<qint64>(done * 1000 / total, 0, 1000)) : 0);
        if (!m_dialog->isVisible()) {
            // work with no window yet, as at start-up, shows in the screen's middle
            if (!m_dialog->parentWidget()) {
                m_dialog->adjustSize();
                m_dialog->move(QGuiApplication::primaryScreen()->availableGeometry().center() -
                               m_dialog->rect().center());
            }
            m_dialog->show();
        }
        QCoreApplication::processEvents();
        return !m_dialog || !m_dialog->wasCanceled();
    }

private:
    QPointer<QProgressDialog> m_dialog;
};

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

QtDialogs::QtDialogs()
{
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        m_focusWatch = QObject::connect(app, &QApplication::focusChanged, [this](QWidget*, QWidget* now) {
            if (now && !isPrompt(now->window()))
                m_lastWindow = now->window();
        });
    }
}

QtDialogs::~QtDialogs()
{
    QObject::disconnect(m_focusWatch);
    if (m_busy)
        QGuiApplication::restoreOverrideCursor();
}

QWidget* QtDialogs::askingWindow() const
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    if (QWidget* active = QApplication::activeWindow())
        return active;
    if (m_lastWindow && m_lastWindow->isVisible())
        return m_lastWindow;
    return m_mainWindow;
}

Dialogs::Answer QtDialogs::messageBox(const QString& text, Buttons buttons, Icon icon, const QString& title)
{
    QMessageBox box(askingWindow());
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
    // The box sizes itself to its layout, which a spacer the title's width widens.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(titleWidth(box), 0, QSizePolicy::Fixed, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
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
    QInputDialog dialog(askingWindow());
    dialog.setObjectName(QStringLiteral("inputBox"));
    dialog.setWindowTitle(titleOrApplication(title));
    dialog.setLabelText(prompt);
    dialog.setTextValue(defaultText);
    // The dialog keeps to its layout's size, which the text box widens.
    if (auto* box = dialog.findChild<QLineEdit*>())
        box->setMinimumWidth(titleWidth(dialog));
    return dialog.exec() == QDialog::Accepted ? dialog.textValue() : QString();
}

std::optional<QString> QtDialogs::saveFileName(const QString& defaultName, const QString& filter)
{
    // The program asks its own question before it replaces a file.
    const QString chosen =
        QFileDialog::getSaveFileName(askingWindow(), QObject::tr("Save As"), defaultName,
                                     qtFileFilter(filter), nullptr, QFileDialog::DontConfirmOverwrite);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

std::optional<QString> QtDialogs::openFileName(const QString& filter)
{
    const QString chosen =
        QFileDialog::getOpenFileName(askingWindow(), QObject::tr("Open"), QString(), qtFileFilter(filter));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

QStringList QtDialogs::openFileNames(const QString& filter)
{
    return QFileDialog::getOpenFileNames(askingWindow(), QObject::tr("Open"), QString(),
                                         qtFileFilter(filter));
}

bool QtDialogs::printSetup(QPrinter& printer)
{
    QPrintDialog dialog(&printer, askingWindow());
    return dialog.exec() == QDialog::Accepted;
}

void QtDialogs::showModal(QDialog& dialog)
{
    // Modal to its own window only, so that the help window that F1 opens
    // from the dialog can be read and scrolled beside it.
    if (dialog.parentWidget() && dialog.windowModality() == Qt::NonModal)
        dialog.setWindowModality(Qt::WindowModal);
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

std::unique_ptr<ProgressDialog> QtDialogs::progressDialog(bool cancellable)
{
    return std::make_unique<QtProgressDialog>(askingWindow(), cancellable);
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
