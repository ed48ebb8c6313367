#include "store/CollectionSchema.h"
#include "store/DbError.h"

#include <QCoreApplication>
#include <QTextStream>

// plonko-newdb FILE [--sample N]: writes a fresh collection file.
int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const char* const usage = "usage: plonko-newdb FILE [--sample N]\n";
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        out << usage;
        return 0;
    }
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
    // an option not known is a mistake, never the name of a file to make
    // (a file whose name begins with "-" is given as ./-name)
    for (const QString& arg : std::as_const(args)) {
        if (arg.startsWith(QLatin1Char('-'))) {
            err << "plonko-newdb: unknown option " << arg << '\n' << usage;
            return 2;
        }
    }
    if (args.size() != 1) {
        err << usage;
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
