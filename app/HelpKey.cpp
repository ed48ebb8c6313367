#include "HelpKey.h"

#include "AppState.h"
#include "ErrorHandler.h"

#include <QShortcut>
#include <QWidget>

void addHelpKey(QWidget* window, AppState& state, int topic)
{
    auto* help = new QShortcut(QKeySequence::HelpContents, window);
    QObject::connect(help, &QShortcut::activated, window, [&state, topic] {
        runEvent(state, [&] { state.dialogs.help(state.HelpPath, Dialogs::HelpCommand::Context, topic); });
    });
}
