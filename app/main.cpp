#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/QtDialogs.h"
#include "items/frmMain.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plonko Wizmo"));
    QtDialogs dialogs;
    AppState state(dialogs, RegionalSettings());
    frmMain window(state);
    dialogs.setMainWindow(&window);
    runEvent(state, [&] { window.Form_Load(); });
    window.show();
    return app.exec();
}
