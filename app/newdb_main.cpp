#include "app/CollectionSchema.h"
#include "app/DbError.h"

#include <QCoreApplication>
#include <QTextStream>

// plonko-newdb FILE [--sample N]: writes a fresh collection file.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QTextStream err(stderr);
    int sample = 0;
    const qsizetype flag = args.indexOf(QStringLiteral("--sample"));
    if (flag >= 0) {
        bool ok = false;
        sample = flag + 1 < args.size() ? args[flag + 1].toInt(&ok) : 0;
        if (!ok || sample < 0) {
            err << "plonko-newdb: --sample needs a number of items\n";
            return 2;
        }
        args.remove(flag, 2);
    }
    if (args.size() != 1) {
        err << "usage: plonko-newdb FILE [--sample N]\n";
        return 2;
    }
    try {
        CollectionSchema::createCollection(args[0], sample);
    } catch (const DbError& e) {
        err << "plonko-newdb: " << e.description() << '\n';
        return 1;
    }
    return 0;
}
