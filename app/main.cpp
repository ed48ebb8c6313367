#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/QtDialogs.h"
#include "items/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plonko Wizmo"));
    // the item window ends the program as it closes, except while a backup or
    // compaction has closed it for a moment
    QApplication::setQuitOnLastWindowClosed(false);
    QtDialogs dialogs;
    AppState state(dialogs, RegionalSettings());
    frmMain window(state);
    dialogs.setMainWindow(&window);
    runEvent(state, [&] { window.Form_Load(); });
    window.show();
    return app.exec();
}
