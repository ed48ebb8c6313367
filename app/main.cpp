#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/QtDialogs.h"
#include "items/frmMain.h"
#include "photos/PictureFile.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Plonko Wizmo"));
    QApplication::setApplicationVersion(QStringLiteral(PLONKO_VERSION));
    // the desktop entry the running program belongs to, and its icon
    QApplication::setDesktopFileName(QStringLiteral("plonko-wizmo"));
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/plonko-wizmo-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    // before any photo is read on another thread
    PictureFile::limitDecoding();
    // the item window ends the program as it closes, except while a backup or
    // compaction has closed it for a moment
    QApplication::setQuitOnLastWindowClosed(false);
    QtDialogs dialogs;
    AppState state(dialogs, RegionalSettings());
    state.MatchesPath = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
                        QStringLiteral("/Matched columns.json");
    frmMain window(state);
    dialogs.setMainWindow(&window);
    runEvent(state, [&] { window.Form_Load(); });
    window.show();
    return app.exec();
}
