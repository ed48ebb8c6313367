// import_child CSV COLLECTION: makes an empty collection at COLLECTION and
// imports CSV into it, its photos read from the folder beside it, keeping
// the rows; prints "rows N refused N peak MB", the peak being the most
// memory the process held. Its address space is limited to 2 GB, so that an
// import that holds more fails here rather than taking the machine's memory.
#include "csv/ItemTransfer.h"
#include "photos/PictureFile.h"
#include "store/CollectionSchema.h"
#include "store/Database.h"

#include <QCoreApplication>
#include <QFile>

#include <sys/resource.h>

#include <cstdio>
#include <exception>

int main(int argc, char* argv[])
{
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's shadow memory takes terabytes of address space
    const rlimit limit{rlim_t(2048) << 20, rlim_t(2048) << 20};
    if (setrlimit(RLIMIT_AS, &limit) != 0)
        return 2;
#endif
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: import_child CSV COLLECTION\n");
        return 2;
    }
    PictureFile::limitDecoding();
    try {
        CollectionSchema::createCollection(args[2]);
        std::unique_ptr<Database> db = Database::OpenDatabase(args[2]);
        QFile in(args[1]);
        if (!in.open(QIODevice::ReadOnly))
            return 1;
        Transaction writing(*db);
        const ItemTransfer::Summary summary =
            ItemTransfer::importRows(*db, in, ItemTransfer::photoFolder(args[1]));
        ItemTransfer::leaveOutDoubles(*db, summary);
        writing.commit();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("rows %lld refused %lld peak %.1f\n", summary.rows, summary.refused.count(),
                    double(usage.ru_maxrss) / 1024);
        return 0;
    } catch (const std::exception& e) { // a failure of the store, or memory running out
        std::fprintf(stderr, "%s\n", e.what());
    } catch (const ItemTransfer::Unreadable& unreadable) {
        std::fprintf(stderr, "%s\n", qPrintable(unreadable.reason));
    }
    return 1;
}
