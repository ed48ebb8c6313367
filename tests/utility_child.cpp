// utility_child compact FOLDER | backup FOLDER TARGET: compacts the collection
// in FOLDER (or backs it up to TARGET) again and again until it is killed,
// writing one line when it starts and one after each finished run.
// utility_child sort FOLDER: opens the collection in FOLDER in Swedish order
// and kills itself once sorting it again for that language is under way.
#include "store/Database.h"
#include "utilities/CollectionFiles.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == u"sort") {
        QDir::setCurrent(args[2]);
        Database::OpenDatabase(QStringLiteral("Plonko.mdb"), QLocale(QLocale::Swedish, QLocale::Sweden),
                               [] { std::raise(SIGKILL); });
        std::fprintf(stderr, "the collection was not sorted again\n");
        return 1;
    }
    if (args.size() < 3 || (args[1] != u"compact" && !(args[1] == u"backup" && args.size() == 4))) {
        std::fprintf(stderr, "usage: utility_child compact FOLDER | backup FOLDER TARGET\n");
        return 2;
    }
    const bool compact = args[1] == u"compact";
    QDir::setCurrent(args[2]);
    const QLocale locale(QLocale::English, QLocale::UnitedStates);
    std::printf("started\n");
    std::fflush(stdout);
    for (long run = 1;; ++run) {
        try {
            if (compact)
                CollectionFiles::compactCollection(QStringLiteral("Plonko.mdb"), locale);
            else
                CollectionFiles::backupCollection(QStringLiteral("Plonko.mdb"), args[3]);
        } catch (const CollectionFiles::Failure& failure) {
            std::fprintf(stderr, "%s\n", qPrintable(failure.what));
            return 1;
        }
        std::printf("done %ld\n", run);
        std::fflush(stdout);
    }
}
