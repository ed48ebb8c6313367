// plonko-bench --items N [--file PATH]: times the store on a collection of N
// generated items (made once, then reused) and prints one line per figure:
// name, milliseconds, and the milliseconds of the same query in the sqlite3
// shell on the same file ("-" where no single query corresponds).
#include "app/CollectionSchema.h"
#include "app/Database.h"
#include "app/DbError.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTextStream>

#include <algorithm>
#include <functional>

namespace {

using RecordsetType = Database::RecordsetType;

constexpr int kRuns = 7;

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Median milliseconds of kRuns runs of work.
double timed(const std::function<void()>& work)
{
    QList<double> ms;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.append(timer.nsecsElapsed() / 1e6);
    }
    return median(ms);
}

// Median wall time the sqlite3 shell reports for the query, its rows thrown away.
QString shellMs(const QString& file, const QString& sql)
{
    QString script = QStringLiteral(".output /dev/null\n.timer on\n");
    for (int run = 0; run < kRuns; ++run)
        script += sql + QStringLiteral(";\n");
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), file});
    if (!shell.waitForStarted())
        return QStringLiteral("-");
    shell.write(script.toUtf8());
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    const QString out = QString::fromUtf8(shell.readAllStandardOutput());
    QList<double> ms;
    const QRegularExpression real(QStringLiteral("Run Time: real ([0-9.]+)"));
    for (auto it = real.globalMatch(out); it.hasNext();)
        ms.append(it.next().captured(1).toDouble() * 1000);
    return ms.isEmpty() ? QStringLiteral("-") : QString::number(median(ms), 'f', 1);
}

void readRow(Recordset& rs)
{
    for (const char* field : {"Name", "descr", "catnum", "quantity", "pricepaid", "issuedate", "notes"})
        rs.Fields(QString::fromLatin1(field));
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    int items = 100000;
    QString file;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--items"))
            items = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--file"))
            file = args[i + 1];
    }
    if (file.isEmpty())
        file = QStringLiteral("/tmp/plonko-bench-%1.mdb").arg(items);

    struct Figure
    {
        QString name;
        double ms;
        QString shellSql;
    };
    QList<Figure> figures;
    try {
        if (!QFileInfo::exists(file))
            CollectionSchema::createCollection(file, items);
        std::unique_ptr<Database> db;
        std::unique_ptr<Recordset> itemSet;
        figures.append({QStringLiteral("open"), timed([&] {
                            itemSet.reset();
                            db.reset();
                            db = Database::OpenDatabase(file);
                            itemSet = db->OpenRecordset(QStringLiteral("Select * from Plonko order by name"),
                                                        RecordsetType::Dynaset);
                            readRow(*itemSet);
                        }),
                        QStringLiteral("SELECT * FROM Plonko ORDER BY name")});

        const int moves = std::min(10000, items - 1);
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < moves; ++i) {
            itemSet->MoveNext();
            readRow(*itemSet);
        }
        figures.append({QStringLiteral("move"), timer.nsecsElapsed() / 1e6 / std::max(moves, 1), QString()});

        figures.append({QStringLiteral("sort"), timed([&] {
                            itemSet = db->OpenRecordset(
                                QStringLiteral("Select * from Plonko order by catsort, catnum"),
                                RecordsetType::Dynaset);
                            readRow(*itemSet);
                        }),
                        QStringLiteral("SELECT * FROM Plonko ORDER BY catsort, catnum")});

        itemSet =
            db->OpenRecordset(QStringLiteral("Select * from Plonko order by name"), RecordsetType::Dynaset);
        figures.append({QStringLiteral("find"), timed([&] {
                            itemSet->MoveFirst();
                            itemSet->FindFirst(QStringLiteral("Name like 'Zinnia*'"));
                            readRow(*itemSet);
                        }),
                        QStringLiteral("SELECT rowid FROM Plonko WHERE Name LIKE 'Zinnia%' ESCAPE '\\'")});
    } catch (const DbError& e) {
        QTextStream(stderr) << "plonko-bench: " << e.number() << "  " << e.description() << '\n';
        return 1;
    }
    // the store is closed now, so the shell can open the file
    for (const Figure& f : figures)
        out << f.name << '\t' << QString::number(f.ms, 'f', 3) << '\t'
            << (f.shellSql.isEmpty() ? QStringLiteral("-") : shellMs(file, f.shellSql)) << '\n';
    return 0;
}
