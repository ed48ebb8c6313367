// plonko-bench --items N [--file PATH] [--only GROUP,...]: times the store,
// the utilities, the item window and the reports (or only the groups named:
// store, utilities, window, reports, other-reports, csv, list, photos, insurance, statistics, progress) on a
// collection
// of N generated items (made once, then reused) and prints one line per figure: name, milliseconds, and the
// milliseconds of the same query in the sqlite3 shell on the same file ("-" where no single query
// corresponds) and, beside it, the ratio of the two. Figures in MB say so in their names.
#include "app/AppState.h"
#include "app/CollectionOpening.h"
#include "app/ErrorHandler.h"
#include "app/QtDialogs.h"
#include "csv/ColumnMatch.h"
#include "csv/CsvCommands.h"
#include "csv/CsvText.h"
#include "csv/ItemTransfer.h"
#include "custom/CustomQuery.h"
#include "custom/CustomReport.h"
#include "custom/FieldCatalogue.h"
#include "items/ItemListModel.h"
#include "items/frmItemList.h"
#include "items/frmMain.h"
#include "photos/PhotoSet.h"
#include "photos/PhotoStrip.h"
#include "photos/PictureFile.h"
#include "reports/GroupedReports.h"
#include "reports/InsuranceRecord.h"
#include "reports/PageView.h"
#include "reports/ReportEngine.h"
#include "reports/ReportFile.h"
#include "reports/ReportWindow.h"
#include "reports/StandardReports.h"
#include "statistics/CollectionStatistics.h"
#include "statistics/StatisticsCharts.h"
#include "statistics/frmStatistics.h"
#include "store/CollectionSchema.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/JetSql.h"
#include "tests/Pictures.h"
#include "tests/ScriptedDialogs.h"
#include "utilities/CollectionFiles.h"
#include "utilities/CopyProgress.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QChartView>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStringConverter>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <numeric>
#include <random>

namespace {

using RecordsetType = Database::RecordsetType;

constexpr int kRuns = 7;

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

// Median milliseconds of runs of work.
double timed(const std::function<void()>& work, int runs = kRuns)
{
    QList<double> ms;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.append(timer.nsecsElapsed() / 1e6);
    }
    return median(ms);
}

// Median wall time the sqlite3 shell reports for the statements (separated by
// ";", their times added up), the rows thrown away unless the settings send
// them elsewhere.
QString shellMs(const QString& file, const QString& sql, const QString& settings, const QString& before = {})
{
    const qsizetype statements = sql.count(QLatin1Char(';')) + 1;
    QString script = (settings.isEmpty() ? QStringLiteral(".output /dev/null") : settings) +
                     QStringLiteral("\n.timer on\n");
    for (int run = 0; run < kRuns; ++run)
        script += before + sql + QStringLiteral(";\n");
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), file});
    if (!shell.waitForStarted())
        return QStringLiteral("-");
    shell.write(script.toUtf8());
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    const QString out = QString::fromUtf8(shell.readAllStandardOutput());
    QList<double> times;
    const QRegularExpression real(QStringLiteral("Run Time: real ([0-9.]+)"));
    for (auto it = real.globalMatch(out); it.hasNext();)
        times.append(it.next().captured(1).toDouble() * 1000);
    QList<double> ms;
    for (qsizetype i = 0; i + statements <= times.size(); i += statements)
        ms.append(std::accumulate(times.begin() + i, times.begin() + i + statements, 0.0));
    return ms.isEmpty() ? QStringLiteral("-") : QString::number(median(ms), 'f', 1);
}

void readRow(Recordset& rs)
{
    for (const char* field : {"Name", "descr", "catnum", "quantity", "pricepaid", "issuedate", "notes"})
        rs.Fields(QString::fromLatin1(field));
}

struct Figure
{
    QString name;
    double ms;
    QString shellSql;
    QString shellSettings = {};
    // a line of the shell's (a dot command) before each run of the query
    QString shellBefore = {};
    // the shell's time, when it was taken on a copy of the collection
    QString shellTime = {};
};

// Takes the shell's times of the figures now, on the copy they were made on
// (which the store must have closed).
void timeShell(QList<Figure>& figures, const QString& copy)
{
    for (Figure& figure : figures)
        if (!figure.shellSql.isEmpty())
            figure.shellTime = shellMs(copy, figure.shellSql, figure.shellSettings, figure.shellBefore);
}

// What the process holds in memory now, and at most so far, in MB.
double residentMb(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// Backup and compaction of a copy of the collection, beside the shell's
// VACUUM INTO of the same copy; what names the collection in the figures.
QList<Figure> copyFigures(const QString& file, const QString& what)
{
    QTemporaryDir folder;
    QTemporaryDir drive;
    const QString copy = QDir(folder.path()).filePath(QStringLiteral("Plonko.mdb"));
    QFile::copy(file, copy);
    const QString shellCopy = QDir(drive.path()).filePath(QStringLiteral("shell.mdb"));
    const QString vacuum = QStringLiteral("VACUUM INTO '%1'").arg(shellCopy);
    const QString remove = QStringLiteral(".system rm -f '%1'\n").arg(shellCopy);
    QList<Figure> figures;
    figures.append({QStringLiteral("backup") + what,
                    timed([&] { CollectionFiles::backupCollection(copy, drive.path()); }),
                    vacuum,
                    {},
                    remove});
    figures.append({QStringLiteral("compaction") + what,
                    timed([&] { CollectionFiles::compactCollection(copy, QLocale::system()); }),
                    vacuum,
                    {},
                    remove});
    timeShell(figures, copy);
    return figures;
}

QList<Figure> utilityFigures(const QString& file)
{
    return copyFigures(file, QString());
}

// Milliseconds the shell takes to copy the items of source into the empty
// collection target as an import writes them: in one transaction, the item
// indexes set aside and made again after the rows.
double shellFillMs(const QString& target, const QString& source)
{
    QProcess list;
    list.start(
        QStringLiteral("sqlite3"),
        {QStringLiteral("-batch"), target,
         QStringLiteral("SELECT 'DROP INDEX ' || name || ';' FROM pragma_index_list('Plonko') "
                        "WHERE origin = 'c' AND NOT \"unique\"; "
                        "SELECT sql || ';' FROM sqlite_master WHERE type = 'index' AND tbl_name = 'Plonko' "
                        "AND sql IS NOT NULL")});
    list.waitForFinished(-1);
    const QStringList statements = QString::fromUtf8(list.readAllStandardOutput()).split(QLatin1Char('\n'));
    const QStringList drops = statements.filter(QStringLiteral("DROP INDEX"));
    const QStringList creates = statements.filter(QStringLiteral("CREATE INDEX"));
    const QString script =
        QStringLiteral("ATTACH '%1' AS s;\nBEGIN;\n%2\nINSERT INTO Plonko SELECT * FROM s.Plonko "
                       "WHERE 1;\n%3\nCOMMIT;\n")
            .arg(source, drops.join(QLatin1Char('\n')), creates.join(QLatin1Char('\n')));
    QElapsedTimer timer;
    timer.start();
    QProcess shell;
    shell.start(QStringLiteral("sqlite3"), {QStringLiteral("-batch"), target});
    shell.waitForStarted();
    shell.write(script.toUtf8());
    shell.closeWriteChannel();
    shell.waitForFinished(-1);
    return timer.nsecsElapsed() / 1e6;
}

// The collection out to CSV and back into an empty collection, kept and given
// up, beside the shell writing the same rows as CSV and copying them, keys
// made, into an empty collection: what the item table and its indexes take
// to write, reading and checks aside. The shell's import of the file into a
// bare table stands beside that copy. Five runs each, as the import's bound
// is a ratio of two medians that each vary from run to run.
QList<Figure> csvFigures(const QString& file)
{
    constexpr int runs = 5;
    QTemporaryDir folder;
    const QString csv = folder.filePath(QStringLiteral("Plonkos.csv"));
    QList<Figure> figures;
    {
        std::unique_ptr<Database> db = Database::OpenDatabase(file);
        figures.append(
            {QStringLiteral("export to CSV"),
             timed(
                 [&] {
                     ReportFile out(csv);
                     if (!out.open() ||
                         !ItemTransfer::exportItems(
                             *db, [&](const QString& line) { return out.writeLine(line); }) ||
                         !out.commit())
                         throw DbError(DbError::DiskError, out.errorString());
                 },
                 runs),
             QStringLiteral(
                 "SELECT p.Name, p.descr, p.catnum, CASE p.wantlist WHEN 0 THEN 'No' ELSE 'Yes' END, "
                 "p.quantity, c.ConDesc, CASE p.hastag WHEN 0 THEN 'No' ELSE 'Yes' END, t.tagDesc, "
                 "g.genDesc, CASE p.hastush WHEN 0 THEN 'No' ELSE 'Yes' END, p.tushdesc, s.serDesc, "
                 "b.braDesc, p.Color, p.Errors, p.issuedate, p.retiredate, p.pricepaid, p.totalpaid, "
                 "f.bouDesc, p.catvalue, p.totalval, p.priceask, p.totalsales, CASE p.forsale WHEN 0 "
                 "THEN 'No' ELSE 'Yes' END, p.PurchaseDate, CASE p.sold WHEN 0 THEN 'No' ELSE 'Yes' END, "
                 "p.SoldDate, p.notes, p.misc1, p.misc2 FROM Plonko p LEFT JOIN condition c ON c.ConID = "
                 "p.toycon LEFT JOIN tagcon t ON t.tagID = p.tagcon LEFT JOIN generation g ON g.genID = "
                 "p.genID LEFT JOIN series s ON s.serID = p.serID LEFT JOIN brand b ON b.braID = p.braID "
                 "LEFT JOIN boughtfrom f ON f.bouID = p.bouID ORDER BY p.PlonID"),
             QStringLiteral(".headers on\n.mode csv\n.output %1")
                 .arg(folder.filePath(QStringLiteral("shell.csv")))});
    }
    QList<double> kept;
    QList<double> givenUp;
    QList<double> shellImports;
    QList<double> shellFills;
    const double before = residentMb("VmHWM:");
    // the same file as another program would name its columns, and the
    // mapping its header and first rows propose; and the same again as a
    // German spreadsheet writes it: semicolons, windows-1252, dd.mm.yyyy,
    // "1.234,5 €" and "Ja"/"Nein"
    const QString renamed = folder.filePath(QStringLiteral("Renamed.csv"));
    const QString german = folder.filePath(QStringLiteral("Sammlung.csv"));
    ColumnMatch::Mapping mapping;
    ColumnMatch::Mapping germanMapping;
    {
        QFile in(csv);
        in.open(QIODevice::ReadOnly);
        Csv::Reader reader(in);
        QStringList header;
        qint64 line = 0;
        reader.next(header, line);
        const QList<ItemTransfer::Field> fields = ItemTransfer::itemFields();
        QStringList renamedHeader = header;
        const QStringList others = {QStringLiteral("Item"), QStringLiteral("Details"),
                                    QStringLiteral("Cat #"), QStringLiteral("Wanted"), QStringLiteral("Qty")};
        for (qsizetype i = 0; i < others.size(); ++i)
            renamedHeader[i] = others[i];
        QStringList germanHeader = header;
        const QStringList germanNames = {QStringLiteral("Bezeichnung"), QStringLiteral("Beschreibung"),
                                         QStringLiteral("Katalognummer"), QStringLiteral("Wunschliste"),
                                         QStringLiteral("Anzahl")};
        for (qsizetype i = 0; i < germanNames.size(); ++i)
            germanHeader[i] = germanNames[i];
        const QLocale germany(QLocale::German, QLocale::Germany);
        const auto germanValue = [&](ItemTransfer::FieldKind kind, const QString& value) -> QString {
            if (value.isEmpty())
                return value;
            switch (kind) {
            case ItemTransfer::FieldKind::Date:
                return value.mid(8, 2) + QLatin1Char('.') + value.mid(5, 2) + QLatin1Char('.') +
                       value.left(4);
            case ItemTransfer::FieldKind::Amount: {
                const bool negative = value.startsWith(QLatin1Char('-'));
                const qsizetype point = value.indexOf(QLatin1Char('.'));
                const QString whole = (point < 0 ? value : value.left(point)).mid(negative ? 1 : 0);
                return (negative ? QStringLiteral("-") : QString()) + germany.toString(whole.toLongLong()) +
                       (point < 0 ? QString() : QLatin1Char(',') + value.mid(point + 1)) +
                       QStringLiteral(" €");
            }
            case ItemTransfer::FieldKind::YesNo:
                return value == QLatin1String("Yes") ? QStringLiteral("Ja") : QStringLiteral("Nein");
            default:
                return value;
            }
        };
        const auto semicolons = [](const QStringList& values) {
            QStringList quoted;
            for (const QString& value : values)
                quoted.append(value.contains(QRegularExpression(QStringLiteral("[;\"\r\n]")))
                                  ? QLatin1Char('"') +
                                        QString(value).replace(QLatin1Char('"'), QStringLiteral("\"\"")) +
                                        QLatin1Char('"')
                                  : value);
            return quoted.join(QLatin1Char(';'));
        };
        QFile out(renamed);
        QFile outGerman(german);
        out.open(QIODevice::WriteOnly);
        outGerman.open(QIODevice::WriteOnly);
        QStringEncoder windows1252("windows-1252");
        out.write(Csv::line(renamedHeader).toUtf8() + "\r\n");
        outGerman.write(QByteArray(windows1252(semicolons(germanHeader))) + "\r\n");
        QList<QStringList> sample;
        QList<QStringList> germanSample;
        QStringList record;
        while (reader.next(record, line)) {
            QStringList germanRecord = record;
            for (qsizetype i = 0; i < germanRecord.size() && i < fields.size(); ++i)
                germanRecord[i] = germanValue(fields[i].kind, record[i]);
            if (sample.size() < ColumnMatch::Sample::kRows) {
                sample.append(record);
                germanSample.append(germanRecord);
            }
            out.write(Csv::line(record).toUtf8() + "\r\n");
            outGerman.write(QByteArray(windows1252(semicolons(germanRecord))) + "\r\n");
        }
        mapping =
            ColumnMatch::propose(renamedHeader, sample, QLocale(QLocale::English, QLocale::UnitedStates));
        germanMapping =
            ColumnMatch::propose(germanHeader, germanSample, germany, QStringLiteral("windows-1252"));
    }
    // the whole import into an empty collection, answered "&Import" or
    // "&Cancel", of the program's own file or of the renamed one
    const auto importOnce = [&](const QString& into, bool keep,
                                const ColumnMatch::Mapping* mapped = nullptr) {
        CollectionSchema::createCollection(into, 0);
        std::unique_ptr<Database> db = Database::OpenDatabase(into);
        QFile in(!mapped ? csv : mapped == &mapping ? renamed : german);
        in.open(QIODevice::ReadOnly);
        QElapsedTimer timer;
        timer.start();
        Transaction writing(*db);
        const ItemTransfer::Summary summary = ItemTransfer::importRows(*db, in, {}, {}, mapped);
        // a file read otherwise than the export was written times nothing
        if (summary.refused.count() > 0)
            qFatal("the import of %s refused %lld rows", qPrintable(in.fileName()), summary.refused.count());
        if (keep) {
            ItemTransfer::leaveOutDoubles(*db, summary);
            writing.commit();
        } else {
            writing.rollback();
        }
        return timer.nsecsElapsed() / 1e6;
    };
    QList<double> mappedKept;
    QList<double> germanKept;
    for (int run = 0; run < runs; ++run) {
        kept.append(importOnce(folder.filePath(QStringLiteral("kept%1.mdb").arg(run)), true));
        mappedKept.append(
            importOnce(folder.filePath(QStringLiteral("mapped%1.mdb").arg(run)), true, &mapping));
        germanKept.append(
            importOnce(folder.filePath(QStringLiteral("german%1.mdb").arg(run)), true, &germanMapping));
        givenUp.append(importOnce(folder.filePath(QStringLiteral("given%1.mdb").arg(run)), false));

        QElapsedTimer timer;
        QProcess shell;
        timer.start();
        shell.start(QStringLiteral("sqlite3"),
                    {QStringLiteral("-batch"), folder.filePath(QStringLiteral("bare%1.db").arg(run))});
        shell.waitForStarted();
        shell.write(QStringLiteral(".import --csv %1 bare\n").arg(csv).toUtf8());
        shell.closeWriteChannel();
        shell.waitForFinished(-1);
        shellImports.append(timer.nsecsElapsed() / 1e6);

        const QString filled = folder.filePath(QStringLiteral("filled%1.mdb").arg(run));
        CollectionSchema::createCollection(filled, 0);
        shellFills.append(shellFillMs(filled, file));
    }
    // beside the shell copying the same rows, keys made, into an empty collection
    const QString floor = QString::number(median(shellFills), 'f', 1);
    figures.append({QStringLiteral("import from CSV, read, checked, written and kept"),
                    median(kept),
                    QString(),
                    {},
                    {},
                    floor});
    // beside the same import of the program's own columns
    figures.append({QStringLiteral("import from CSV through a mapping of other column names, kept"),
                    median(mappedKept),
                    QString(),
                    {},
                    {},
                    QString::number(median(kept), 'f', 1)});
    figures.append({QStringLiteral("import from CSV of a German spreadsheet through a mapping, kept"),
                    median(germanKept),
                    QString(),
                    {},
                    {},
                    QString::number(median(kept), 'f', 1)});
    // what Match Columns reads before it opens: the encoding and first rows,
    // every value of each column, and the lookup columns' new entries
    {
        std::unique_ptr<Database> db = Database::OpenDatabase(file);
        QFile in(german);
        in.open(QIODevice::ReadOnly);
        const QLocale germany(QLocale::German, QLocale::Germany);
        const double readied = timed([&] {
            const ColumnMatch::Sample sample = ColumnMatch::sampleOf(in, germany);
            const QList<ColumnMatch::Distinct> distinct = ColumnMatch::distinctValues(in, sample.encoding);
            const ItemTransfer::LookupMatch lookups = ItemTransfer::lookupMatch(*db);
            for (qsizetype i = 0; i < distinct.size(); ++i)
                if (germanMapping.columns.value(i).field >= 0)
                    lookups.added(germanMapping.columns[i].field, distinct[i].values);
        });
        figures.append(
            {QStringLiteral("Match Columns readied for the German spreadsheet"), readied, QString()});
    }
    figures.append({QStringLiteral("import from CSV, read, checked, written and given up"),
                    median(givenUp),
                    QString(),
                    {},
                    {},
                    floor});
    figures.append({QStringLiteral("the shell copying the items into an empty collection"),
                    median(shellFills),
                    QString(),
                    {},
                    {},
                    QString::number(median(shellImports), 'f', 1)});
    figures.append({QStringLiteral("memory the imports added at their peak (MB)"),
                    residentMb("VmHWM:") - before, QString()});
    // one picture of 20 MB named 1,000 times in the first row and once in
    // each of the next 1,000, imported in a process of its own beside the
    // same file without photos: the peak memory of each
    {
        const QString named = folder.filePath(QStringLiteral("Named.csv"));
        const QDir photos(ItemTransfer::photoFolder(named));
        QDir().mkpath(photos.path());
        QFile picture(photos.filePath(QStringLiteral("picture.bmp")));
        picture.open(QIODevice::WriteOnly);
        picture.write(encoded(pattern(2600, 2600), "bmp"));
        picture.close();
        QFile in(csv);
        in.open(QIODevice::ReadOnly);
        Csv::Reader reader(in);
        QFile out(named);
        out.open(QIODevice::WriteOnly);
        QStringList record;
        qint64 line = 0;
        reader.next(record, line);
        out.write(Csv::line(record << QStringLiteral("Photos")).toUtf8() + "\r\n");
        const QString thousand = QStringList(1000, QStringLiteral("picture.bmp")).join(QLatin1Char(';'));
        for (qint64 row = 0; reader.next(record, line); ++row) {
            record.append(row == 0 ? thousand : row <= 1000 ? QStringLiteral("picture.bmp") : QString());
            out.write(Csv::line(record).toUtf8() + "\r\n");
        }
        out.close();
        const auto peakMb = [&](const QString& file, const QString& collection) {
            QProcess child;
            child.start(QStringLiteral(IMPORT_CHILD), {file, folder.filePath(collection)});
            child.waitForFinished(-1);
            const QList<QByteArray> said = child.readAllStandardOutput().trimmed().split(' ');
            if (child.exitCode() != 0 || said.size() != 6)
                qFatal("the import of %s failed: %s", qPrintable(file),
                       child.readAllStandardError().constData());
            return said[5].toDouble();
        };
        figures.append({QStringLiteral("import naming one picture 1,000 times (MB)"),
                        peakMb(named, QStringLiteral("named.mdb")),
                        QString(),
                        {},
                        {},
                        QString::number(peakMb(csv, QStringLiteral("plain.mdb")), 'f', 1)});
    }
    return figures;
}

// The store on its own: opening, moving, sorting and finding.
QList<Figure> storeFigures(const QString& file)
{
    QList<Figure> figures;
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
                    QStringLiteral("SELECT * FROM Plonko ORDER BY NameKey")});

    // a change of the user's language makes every sort key again
    int language = 0;
    const QLocale languages[] = {QLocale(QLocale::Swedish, QLocale::Sweden), QLocale::system()};
    figures.append({QStringLiteral("open in another language"),
                    timed(
                        [&] {
                            itemSet.reset();
                            db.reset();
                            db = Database::OpenDatabase(file, languages[language++ % 2]);
                        },
                        3),
                    QString()});
    itemSet = db->OpenRecordset(QStringLiteral("Select * from Plonko order by name"), RecordsetType::Dynaset);

    const int moves = std::min<int>(10000, itemSet->RecordCount() - 1);
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < moves; ++i) {
        itemSet->MoveNext();
        readRow(*itemSet);
    }
    figures.append({QStringLiteral("move"), timer.nsecsElapsed() / 1e6 / std::max(moves, 1), QString()});

    figures.append({QStringLiteral("sort"), timed([&] {
                        itemSet =
                            db->OpenRecordset(QStringLiteral("Select * from Plonko order by catsort, catnum"),
                                              RecordsetType::Dynaset);
                        readRow(*itemSet);
                    }),
                    // the window reads the first run of keys of the new order
                    QStringLiteral("SELECT rowid FROM Plonko ORDER BY catsort, catnumKey, rowid LIMIT 512")});

    itemSet = db->OpenRecordset(QStringLiteral("Select * from Plonko order by name"), RecordsetType::Dynaset);
    figures.append(
        {QStringLiteral("find"), timed([&] {
             itemSet->MoveFirst();
             itemSet->FindFirst(QStringLiteral("Name like 'Zinnia*'"));
             readRow(*itemSet);
         }),
         QStringLiteral("SELECT rowid FROM Plonko WHERE Name LIKE 'Zinnia%' AND Name >= 'zinnia' COLLATE "
                        "NOCASE AND Name < 'zinnib' COLLATE NOCASE ORDER BY NameKey, descrKey, rowid "
                        "LIMIT 1")});
    itemSet.reset();
    db.reset();
    return figures;
}

// A report that said anything but "File Exists" (the runs after the first
// replace their file) did not run as timed.
void failOnMessages(const ScriptedDialogs& dialogs)
{
    for (const ScriptedDialogs::Message& message : dialogs.messages)
        if (message.title != QLatin1String("File Exists"))
            throw DbError(DbError::EngineFailure, message.text);
}

// The for-sale report of every item of the collection, to each destination.
QList<Figure> reportFigures(const QString& file)
{
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("Plonko.mdb"));
    QFile::copy(file, copy);
    QProcess::execute(QStringLiteral("sqlite3"), {copy, QStringLiteral("UPDATE Plonko SET forsale = -1")});
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    state.CollectionDb = Database::OpenDatabase(copy, state.regional.locale());
    QWidget owner;
    ReportWindow preview(state, &owner);
    const QString shellQuery = QStringLiteral(
        "SELECT Name, descr, CatNum, PriceAsk FROM Plonko WHERE forsale ORDER BY NameKey, descrKey");
    QList<Figure> figures;
    const double before = residentMb("VmHWM:");
    for (const int destination : {2, 3}) {
        const QString output =
            folder.filePath(destination == 2 ? QStringLiteral("ForSale.txt") : QStringLiteral("forsale.htm"));
        state.ReportDest = destination;
        figures.append(
            {destination == 2 ? QStringLiteral("for-sale report to a text file")
                              : QStringLiteral("for-sale report to a web table"),
             timed(
                 [&] {
                     dialogs.fileNames.enqueue(output);
                     ReportForSale(state, preview);
                 },
                 5),
             shellQuery,
             QStringLiteral(".mode tabs\n.output ") + folder.filePath(QStringLiteral("shell.txt"))});
    }
    figures.append({QStringLiteral("peak memory growth of the file reports (MB)"),
                    residentMb("VmHWM:") - before, QString()});

    state.ReportDest = 1;
    figures.append({QStringLiteral("for-sale report to the preview, shown"),
                    timed(
                        [&] {
                            ReportForSale(state, preview);
                            QApplication::processEvents();
                        },
                        3),
                    QString()});
    figures.append(
        {QStringLiteral("resident memory with the preview open (MB)"), residentMb("VmRSS:"), QString()});
    frmOutput& window = *preview.window();
    int page = 0;
    figures.append({QStringLiteral("turn to a page of %1").arg(window.scrlPage->maximum()), timed([&] {
                        page = (page + 997) % window.scrlPage->maximum() + 1;
                        window.scrlPage->setValue(page);
                        window.vsPrinter->repaint();
                    }),
                    QString()});
    int zoom = 0;
    figures.append({QStringLiteral("re-zoom a page"), timed([&] {
                        const int zooms[] = {10, 100, 250, 60};
                        window.scrlZoom->setValue(zooms[zoom++ % 4]);
                        window.vsPrinter->repaint();
                    }),
                    QString()});
    failOnMessages(dialogs);
    state.CollectionDb.reset();
    timeShell(figures, copy);
    return figures;
}

// Every other report of the Reports menu, to a text file and to the preview,
// on a copy where a third of the items are wanted, a third sold and a third
// held; the shell writes the same rows as tab-separated text.
QList<Figure> otherReportFigures(const QString& file)
{
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("Plonko.mdb"));
    QFile::copy(file, copy);
    QProcess::execute(
        QStringLiteral("sqlite3"),
        {copy, QStringLiteral("UPDATE Plonko SET wantlist = -(rowid % 3 = 0), sold = -(rowid % 3 = 1)")});
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    state.CollectionDb = Database::OpenDatabase(copy, state.regional.locale());
    QWidget owner;
    ReportWindow preview(state, &owner);
    auto grouped = [&](int kind) {
        return [&, kind](AppState& s, ReportPreview& p) {
            s.GroupReportKind = kind;
            dialogs.modalSteps.enqueue(
                [](QDialog& dialog) { dialog.findChild<QPushButton*>(QStringLiteral("cmdOk"))->click(); });
            ReportGrouped(s, p);
        };
    };
    const QString held = QStringLiteral(" WHERE NOT wantlist AND NOT sold ");
    // a custom report of six fields from three lookup tables, with a
    // condition and two sort keys
    ReportSpecification spec = ReportSpecification::fromCatalogue(readCatalogue(state.db()));
    auto idOf = [&](const char* desc) {
        for (const CatalogueField& field : spec.catalogue)
            if (field.Desc == QLatin1String(desc))
                return field.SpecID;
        throw DbError(DbError::EngineFailure,
                      QStringLiteral("no catalogue field %1").arg(QLatin1String(desc)));
    };
    spec.fields = {idOf("Name"),        idOf("Special Series"), idOf("Brand"),
                   idOf("Bought From"), idOf("Price Paid"),     idOf("Birthday")};
    spec.setting(idOf("Price Paid")).GreaterThan = QStringLiteral("10");
    spec.setting(idOf("Price Paid")).ShowTotal = true;
    spec.primarySort = idOf("Brand");
    spec.secondarySort = idOf("Name");
    CustomOptions options;
    options.title = QStringLiteral("Bench");
    const QString customSql =
        JetSql::translateSelect(buildCustomQuery(spec, state.regional, 1440)->sql).sql();
    auto custom = [&](AppState& s, ReportPreview& p) {
        options.destination = s.ReportDest;
        GenerateCustomReport(s, p, spec, options);
    };
    const struct
    {
        QString name;
        std::function<void(AppState&, ReportPreview&)> run;
        QString shellSql;
    } reports[] = {
        {QStringLiteral("custom report"), custom, customSql},
        {QStringLiteral("item list"), ReportItemList,
         QStringLiteral("SELECT Name, descr, catnum, condesc, tagdesc FROM (Plonko LEFT JOIN condition ON "
                        "Plonko.toycon = condition.conid) LEFT JOIN tagcon ON Plonko.tagcon = tagcon.tagid") +
             held + QStringLiteral("ORDER BY NameKey, descrKey")},
        {QStringLiteral("want list"), ReportWantList,
         QStringLiteral(
             "SELECT descr, catnum, pricepaid, Name FROM Plonko WHERE wantlist ORDER BY NameKey, descrKey")},
        {QStringLiteral("seller list"), ReportSellers,
         QStringLiteral("SELECT * FROM boughtfrom ORDER BY boudesc")},
        {QStringLiteral("sales report"), ReportSales,
         QStringLiteral(
             "SELECT Name, catnum, quantity, pricepaid, priceask FROM Plonko WHERE sold ORDER BY NameKey")},
        {QStringLiteral("collection value report"), ReportValue,
         QStringLiteral("SELECT Name, catnum, quantity, pricepaid, catvalue FROM Plonko") + held +
             QStringLiteral("ORDER BY NameKey")},
        {QStringLiteral("report by special series"), grouped(4),
         QStringLiteral(
             "SELECT descr, catnum, quantity, Name, serdesc FROM Plonko LEFT JOIN series ON Plonko.serid "
             "= series.serid") +
             held + QStringLiteral("ORDER BY serdesc, descrKey")},
        {QStringLiteral("report by brand"), grouped(3),
         QStringLiteral(
             "SELECT descr, catnum, quantity, Name, braDesc FROM Plonko LEFT JOIN brand ON Plonko.braID = "
             "brand.braID") +
             held + QStringLiteral("ORDER BY braDesc, NameKey, descrKey")},
        {QStringLiteral("report by seller"), grouped(2),
         QStringLiteral("SELECT descr, catnum, quantity, Name, boudesc FROM Plonko LEFT JOIN boughtfrom ON "
                        "Plonko.bouid = boughtfrom.bouid") +
             held + QStringLiteral("ORDER BY boudesc, descrKey")},
    };
    QList<Figure> figures;
    for (const auto& report : reports) {
        state.ReportDest = 2;
        figures.append(
            {report.name + QStringLiteral(" to a text file"),
             timed(
                 [&] {
                     dialogs.fileNames.enqueue(folder.filePath(QStringLiteral("report.txt")));
                     report.run(state, preview);
                 },
                 3),
             report.shellSql,
             QStringLiteral(".mode tabs\n.output ") + folder.filePath(QStringLiteral("shell.txt"))});
        state.ReportDest = 1;
        figures.append({report.name + QStringLiteral(" to the preview, shown"),
                        timed(
                            [&] {
                                report.run(state, preview);
                                QApplication::processEvents();
                            },
                            3),
                        QString()});
    }
    failOnMessages(dialogs);
    state.CollectionDb.reset();
    timeShell(figures, copy);
    return figures;
}

// A photo as a phone takes it: 4000 × 3000 pixels of a gradient with
// speckles, so that it compresses as a real one does; each seed another.
QByteArray twelveMegapixelJpeg(int seed)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    std::mt19937 random{unsigned(seed)};
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            line[x] = qRgb((x / 16 + seed * 40) & 255, (y / 12) & 255, int(random() & 63) + 96);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpeg", 90);
    return bytes;
}

// The item list shown, activated and painted, as a collector first sees it.
void showList(frmItemList& list)
{
    list.show();
    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(&list, &activation);
    list.grab();
}

// The item list opened to its first screen painted.
Figure openingTheList(AppState& state, const QString& name)
{
    return {name, timed([&] {
                frmItemList list(state, [](qint32) { return true; });
                showList(list);
            }),
            QStringLiteral("SELECT PlonID FROM Plonko ORDER BY NameKey, descrKey, PlonID")};
}

// The bytes of a JPEG of the size given, of a gradient with speckles,
// padded after its end to at least the bytes given.
QByteArray paddedJpeg(QSize size, int quality, qsizetype bytes)
{
    QImage image(size, QImage::Format_RGB32);
    std::mt19937 random{7};
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x & 255, y & 255, int(random() & 127)));
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpeg", quality);
    if (jpeg.size() < bytes)
        jpeg.append(bytes - jpeg.size(), '\0');
    return jpeg;
}

// A collection with photos, made once in a folder of its own: begun by start
// under another name, given its photos by fill, and named so only when
// whole, so that a run stopped midway makes it again. Its path.
QString madeOnce(const QString& folder, const std::function<void(const QString&)>& start,
                 const std::function<void(Database&, PhotoTables&)>& fill)
{
    const QString path = QDir(folder).filePath(QStringLiteral("Plonko.mdb"));
    if (QFileInfo::exists(path))
        return path;
    QDir().mkpath(folder);
    const QString making = path + QStringLiteral(".making");
    QFile::remove(making);
    start(making);
    {
        std::unique_ptr<Database> db =
            Database::OpenDatabase(making, QLocale(QLocale::English, QLocale::UnitedStates));
        fill(*db, *db->OpenPhotoTables());
    }
    QFile::rename(making, path);
    return path;
}

// The collection of the bench with a photo for every fifth item (made once,
// beside it): each a picture of its own of 80 KB, with a thumbnail of 20 KB.
QString photoCollection(const QString& file)
{
    const auto copy = [&](const QString& making) { QFile::copy(file, making); };
    return madeOnce(file + QStringLiteral("-photos"), copy, [](Database& db, PhotoTables& tables) {
        const QByteArray picture = paddedJpeg({1200, 900}, 60, 80 * 1024);
        const QByteArray thumbnail = paddedJpeg({256, 192}, 95, 20 * 1024);
        QList<qint64> keys;
        for (std::unique_ptr<Recordset> items =
                 db.OpenRecordset(QStringLiteral("Select PlonID from Plonko"), RecordsetType::ForwardOnly);
             !items->AtEOF(); items->MoveNext())
            keys.append(longOf(items->FieldAt(0)).value_or(0));
        Transaction adding(db);
        for (qsizetype i = 0; i < keys.size(); i += 5) {
            // each picture its own: a number after the end of the JPEG
            QByteArray bytes = picture;
            bytes.append(QByteArray::number(keys[i]));
            const PhotoTables::Picture kept{QCryptographicHash::hash(bytes, QCryptographicHash::Sha256),
                                            QStringLiteral("jpg"),
                                            1200,
                                            900,
                                            thumbnail,
                                            QStringLiteral("jpg")};
            tables.setPhotos(keys[i], {PhotoTables::Photo{tables.addPicture(kept, bytes), {}}});
        }
        adding.commit();
    });
}

// Browsing a collection with photos: the item window moving to items with
// photos (their thumbnails shown; the large photo decoded too while the
// Photos tab shows), the item list's first screen and each screen on, with
// thumbnails, and what the process then holds in memory.
QList<Figure> photoBrowsingFigures(const QString& path)
{
    const QString previous = QDir::currentPath();
    QDir::setCurrent(QFileInfo(path).path());
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    frmMain window(state);
    runEvent(state, [&] { window.Form_Load(); });
    window.show(); // the large photo is decoded only while it shows
    auto* first = window.findChild<QPushButton*>(QStringLiteral("cmdFirst"));
    auto* next = window.findChild<QPushButton*>(QStringLiteral("cmdNext"));
    auto* strip = window.findChild<QListWidget*>(QStringLiteral("lstPhotos"));
    // from the first item, each move timed alone; those that show an item
    // with photos counted
    const auto moves = [&](int count) {
        first->click();
        QList<double> withPhotos;
        for (int i = 0; i < count; ++i) {
            QElapsedTimer timer;
            timer.start();
            next->click();
            const double ms = timer.nsecsElapsed() / 1e6;
            if (strip->count() > 0)
                withPhotos.append(ms);
        }
        return median(withPhotos);
    };
    QList<Figure> figures;
    figures.append({QStringLiteral("next item with photos"), moves(2000), QString()});
    auto* tabs = window.findChild<QTabWidget*>(QStringLiteral("SSTab1"));
    tabs->setCurrentWidget(window.findChild<QWidget*>(QStringLiteral("tabPhotos")));
    figures.append({QStringLiteral("next item with photos, the Photos tab shown"), moves(500), QString()});
    tabs->setCurrentIndex(0);

    figures.append(openingTheList(state, QStringLiteral("open the item list with thumbnails")));
    frmItemList list(state, [](qint32) { return true; });
    showList(list);
    // screen after screen into rows not read before
    QScrollBar* scroll = list.findChild<QTableView*>(QStringLiteral("grdItems"))->verticalScrollBar();
    QList<double> screens;
    for (int i = 0; i < 300; ++i) {
        QElapsedTimer timer;
        timer.start();
        scroll->setValue(scroll->value() + scroll->pageStep());
        list.grab();
        screens.append(timer.nsecsElapsed() / 1e6);
    }
    figures.append({QStringLiteral("scroll the item list a screen"), median(screens), QString()});
    figures.append({QStringLiteral("resident memory with photos (MB)"), residentMb("VmRSS:"), QString()});
    if (dialogs.ended)
        throw DbError(DbError::EngineFailure, dialogs.lastText());
    QDir::setCurrent(previous);
    return figures;
}

// Photos of an item in a small collection of their own: a 12-megapixel
// JPEG read from its file to its thumbnail decoded as the tab shows it;
// ten such new photos saved with an item, in its transaction; and what
// the file grows by for each. Then the collection of the bench with photos:
// browsed, backed up and compacted.
QList<Figure> photoFigures(const QString& file)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Photos.mdb"));
    CollectionSchema::createCollection(path, 20);
    const QString photo = folder.filePath(QStringLiteral("photo.jpg"));
    QList<QByteArray> pictures;
    for (int seed = 0; seed < 10; ++seed)
        pictures.append(twelveMegapixelJpeg(seed));
    {
        QFile out(photo);
        out.open(QIODevice::WriteOnly);
        out.write(pictures[0]);
    }
    QList<Figure> figures;
    figures.append({QStringLiteral("add a 12-megapixel photo"), timed([&] {
                        QFile in(photo);
                        in.open(QIODevice::ReadOnly);
                        const auto read = PictureFile::read(in.readAll(), photo);
                        if (const QString* refused = std::get_if<QString>(&read))
                            throw DbError(DbError::EngineFailure, *refused);
                        QImage::fromData(std::get<PhotoTables::Picture>(read).thumbnail);
                    }),
                    QString()});
    PhotoSet ten;
    for (const QByteArray& bytes : pictures)
        ten.add(std::get<PhotoTables::Picture>(PictureFile::read(bytes, photo)), bytes);
    std::unique_ptr<Database> db = Database::OpenDatabase(path);
    std::unique_ptr<PhotoTables> tables = db->OpenPhotoTables();
    // each run saves the ten with another item, the pictures stored anew
    // (those of the run before are taken away between the runs)
    const qint64 before = QFileInfo(path).size();
    qint64 grown = 0;
    QList<double> saves;
    for (int run = 1; run <= kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        Transaction saving(*db);
        ten.save(*tables, run);
        saving.commit();
        saves.append(timer.nsecsElapsed() / 1e6);
        if (run == 1)
            grown = QFileInfo(path).size() - before;
        Transaction clearing(*db);
        PhotoSet().save(*tables, run);
        clearing.commit();
    }
    figures.append({QStringLiteral("save an item with 10 new photos"), median(saves), QString()});
    figures.append({QStringLiteral("file growth per photo (KB)"), double(grown) / 10 / 1024, QString()});
    db.reset();
    const QString photos = photoCollection(file);
    figures += photoBrowsingFigures(photos);
    figures +=
        copyFigures(photos, QStringLiteral(" of %1 MB with photos").arg(QFileInfo(photos).size() >> 20));
    return figures;
}

// A collection of items, each with a photo of its own as a phone takes it
// (one picture, a number after its end), made once beside the bench's file.
QString insuranceCollection(const QString& file, int items)
{
    const auto create = [&](const QString& making) { CollectionSchema::createCollection(making, items); };
    return madeOnce(
        file + QStringLiteral("-insurance-%1").arg(items), create, [](Database& db, PhotoTables& tables) {
            const QByteArray photo = twelveMegapixelJpeg(1);
            PhotoTables::Picture picture =
                std::get<PhotoTables::Picture>(PictureFile::read(photo, QStringLiteral("photo.jpg")));
            Transaction adding(db);
            for (std::unique_ptr<Recordset> items = db.OpenRecordset(
                     QStringLiteral("Select PlonID from Plonko"), RecordsetType::ForwardOnly);
                 !items->AtEOF(); items->MoveNext()) {
                const qint64 key = longOf(items->FieldAt(0)).value_or(0);
                const QByteArray bytes = photo + QByteArray::number(key);
                picture.digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
                tables.setPhotos(key, {PhotoTables::Photo{tables.addPicture(picture, bytes), {}}});
            }
            adding.commit();
        });
}

// A preview that keeps the document it is shown.
struct KeptPreview : ReportPreview
{
    void show(std::unique_ptr<ReportEngine> shown, const QString&) override { document = std::move(shown); }
    std::unique_ptr<ReportEngine> document;
};

// The insurance record of the bench's collection, without photos, to a text
// file beside the shell's query; then of 1,000 items with photos (a
// hundredth of the bench's items, when that is fewer) to the preview, a page
// of it painted as the preview paints one, to a PDF and to a web table with
// its folder of photos.
QList<Figure> insuranceFigures(const QString& file)
{
    QTemporaryDir folder;
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    KeptPreview preview;
    QList<Figure> figures;
    state.CollectionDb = Database::OpenDatabase(file, state.regional.locale());
    state.ReportDest = 2;
    figures.append(
        {QStringLiteral("insurance record without photos to a text file"),
         timed(
             [&] {
                 dialogs.fileNames.enqueue(folder.filePath(QStringLiteral("Insurance.txt")));
                 ReportInsurance(state, preview);
             },
             5),
         QStringLiteral("SELECT PlonID, Name, descr, catnum, quantity, toycon, tagcon, PurchaseDate, "
                        "bouID, pricepaid, catvalue, notes FROM Plonko WHERE NOT wantlist AND NOT "
                        "sold ORDER BY NameKey"),
         QStringLiteral(".mode tabs\n.output ") + folder.filePath(QStringLiteral("shell.txt"))});
    const int withPhotos = int(std::min<qint64>(1000, state.db().RowCount(QStringLiteral("Plonko")) / 100));
    state.CollectionDb =
        Database::OpenDatabase(insuranceCollection(file, withPhotos), state.regional.locale());
    state.ReportDest = 1;
    figures.append({QStringLiteral("insurance record to the preview (%1 items with photos)").arg(withPhotos),
                    timed([&] { ReportInsurance(state, preview); }, 3), QString()});
    const ReportEngine& document = *preview.document;
    // a page at a screen's 96 pixels to the inch, each one not painted before
    QImage screen(document.pageWidth() * 96 / 1440, document.pageHeight() * 96 / 1440, QImage::Format_RGB32);
    int page = 1;
    figures.append({QStringLiteral("insurance record turn to a page of %1").arg(document.pageCount()),
                    timed([&] {
                        page = (page + 6) % document.pageCount() + 1;
                        QPainter painter(&screen);
                        painter.fillRect(screen.rect(), Qt::white);
                        painter.scale(96.0 / 1440, 96.0 / 1440);
                        document.paintPage(painter, page);
                    }),
                    QString()});
    figures.append({QStringLiteral("resident memory with the insurance record open (MB)"),
                    residentMb("VmRSS:"), QString()});
    const QString pdf = folder.filePath(QStringLiteral("Insurance.pdf"));
    figures.append({QStringLiteral("insurance record to a PDF"),
                    timed(
                        [&] {
                            QFile out(pdf);
                            out.open(QIODevice::WriteOnly);
                            document.writePdf(out, QStringLiteral("Insurance"));
                        },
                        3),
                    QString()});
    figures.append(
        {QStringLiteral("size of its PDF (MB)"), double(QFileInfo(pdf).size()) / (1 << 20), QString()});
    state.ReportDest = 3;
    // a page of its own each time: a photo file already beside the page is not written again
    int table = 0;
    figures.append({QStringLiteral("insurance record to a web table"),
                    timed(
                        [&] {
                            dialogs.fileNames.enqueue(
                                folder.filePath(QStringLiteral("Insurance%1.htm").arg(++table)));
                            ReportInsurance(state, preview);
                        },
                        3),
                    QString()});
    failOnMessages(dialogs);
    state.CollectionDb.reset();
    return figures;
}

// The scripted dialogs, but with the program's own progress dialog, drawn
// (off the screen) at each of its updates as the program draws it.
class ProgressShown : public ScriptedDialogs
{
public:
    std::unique_ptr<ProgressDialog> progressDialog(bool cancellable) override
    {
        return m_program.progressDialog(cancellable);
    }

private:
    QtDialogs m_program;
};

// Each kind of long work timed with its progress and without: with, the
// steady clock as the program reads it, so that the dialog shows after half
// a second and is brought up to date every tenth; without, a clock that
// stands still, so that no dialog is made (the work still asks the clock at
// each step), or, for backup and compaction, no progress asked at all. Runs
// with and without take turns; the figure is the median with progress, the
// median without stands in the shell's column, and the ratio beside them.
QList<Figure> progressFigures(const QString& file)
{
    constexpr int runs = 5;
    QTemporaryDir folder;
    const QString copy = folder.filePath(QStringLiteral("Plonko.mdb"));
    QFile::copy(file, copy);
    ProgressShown dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    const std::function<qint64()> running = state.clock;
    const auto pair = [&](const QString& name, const std::function<void(bool withProgress)>& work) {
        QList<double> with;
        QList<double> without;
        for (int run = 0; run < runs; ++run)
            for (const bool progress : {run % 2 == 0, run % 2 != 0}) {
                state.clock = progress ? running : [] { return qint64(0); };
                QElapsedTimer timer;
                timer.start();
                work(progress);
                (progress ? with : without).append(timer.nsecsElapsed() / 1e6);
            }
        state.clock = running;
        return Figure{name, median(with), QString(), {}, {}, QString::number(median(without), 'f', 1)};
    };
    QList<Figure> figures;
    {
        // what a tenth of a second of work pays for the dialog: at most one update
        std::unique_ptr<ProgressDialog> shown = dialogs.progressDialog(true);
        qint64 done = 0;
        figures.append({QStringLiteral("one update of the progress dialog"), timed([&] {
                            done += 1234;
                            shown->update(
                                QStringLiteral("Making the report: %1 of 1,000,000 items").arg(done), done,
                                1000000);
                        }),
                        QString()});
    }
    state.DbPath = copy;
    state.CollectionDb = Database::OpenDatabase(copy, state.regional.locale());
    KeptPreview preview;
    state.ReportDest = 1;
    figures.append(
        pair(QStringLiteral("item list to the preview"), [&](bool) { ReportItemList(state, preview); }));
    const QString text = folder.filePath(QStringLiteral("ItemList.txt"));
    figures.append(pair(QStringLiteral("item list to a text file"), [&](bool) {
        state.ReportDest = 2;
        QFile::remove(text);
        dialogs.fileNames.enqueue(text);
        ReportItemList(state, preview);
        state.ReportDest = 1;
    }));
    const QString pdf = folder.filePath(QStringLiteral("ItemList.pdf"));
    figures.append(
        pair(QStringLiteral("item list's preview to a PDF (%1 pages)").arg(preview.document->pageCount()),
             [&](bool) {
                 QFile::remove(pdf);
                 dialogs.fileNames.enqueue(pdf);
                 saveReportPdf(state, *preview.document, QStringLiteral("Item List"));
             }));
    const QString csv = folder.filePath(QStringLiteral("Plonkos.csv"));
    figures.append(pair(QStringLiteral("export to CSV"), [&](bool) {
        QFile::remove(csv);
        dialogs.fileNames.enqueue(csv);
        ExportToCsv(state);
    }));
    figures.append(pair(QStringLiteral("import from CSV, given up at its summary"), [&](bool) {
        dialogs.fileNames.enqueue(csv);
        dialogs.modalSteps.enqueue([](QDialog& summary) { summary.reject(); });
        ImportFromCsv(state, nullptr);
    }));
    {
        const QStringList photos = [&] {
            QStringList files;
            for (int i = 0; i < 10; ++i) {
                files.append(folder.filePath(QStringLiteral("photo%1.jpg").arg(i)));
                QFile out(files.last());
                if (out.open(QIODevice::WriteOnly))
                    out.write(twelveMegapixelJpeg(i));
            }
            return files;
        }();
        PhotoStrip strip(state);
        figures.append(pair(QStringLiteral("add 10 photos of 12 megapixels"), [&](bool) {
            strip.clear();
            strip.addFiles(photos);
        }));
    }
    failOnMessages(dialogs);
    state.CollectionDb.reset();

    QTemporaryDir drive;
    figures.append(pair(QStringLiteral("backup"), [&](bool withProgress) {
        CopyProgress work(state, QStringLiteral("Copying the collection"),
                          QStringLiteral("Checking the copy"));
        CollectionFiles::backupCollection(copy, drive.path(),
                                          withProgress ? work.progress() : CollectionFiles::Progress());
    }));
    figures.append(pair(QStringLiteral("compaction"), [&](bool withProgress) {
        CopyProgress work(state, QStringLiteral("Compacting the collection"),
                          QStringLiteral("Checking the compacted collection"));
        CollectionFiles::compactCollection(copy, state.regional.locale(),
                                           withProgress ? work.progress() : CollectionFiles::Progress());
    }));
    // each opening sorts the items for the other of two languages
    int opening = 0;
    figures.append(pair(QStringLiteral("opening sorted again for the system's language"), [&](bool) {
        state.regional = RegionalSettings(++opening % 2 ? QLocale(QLocale::Swedish, QLocale::Sweden)
                                                        : QLocale(QLocale::English, QLocale::UnitedStates));
        openCollection(state);
        state.CollectionDb.reset();
    }));
    return figures;
}

// A statistics statement as the shell runs it: its own sums of whole
// ten-thousandths in place of the store's money functions.
QString statisticsForShell(QString sql)
{
    static const QRegularExpression product(QStringLiteral("moneyproduct\\(quantity, (\\w+)\\)"));
    static const QRegularExpression units(QStringLiteral("moneyunits\\((\\w+)\\)"));
    sql.replace(product, QStringLiteral("(coalesce(quantity, 0) * CAST(round(\\1 * 10000) AS INTEGER))"));
    sql.replace(units, QStringLiteral("CAST(round(\\1 * 10000) AS INTEGER)"));
    sql.replace(QStringLiteral("wholequantity(quantity)"),
                QStringLiteral("coalesce(CAST(round(quantity) AS INTEGER), 0)"));
    return sql;
}

// The statistics window opened with its figures and first chart painted, and
// a switch to each other chart, painted; beside each the shell's time for the
// figures and the value over time, and for the years (which two of the charts
// read).
QList<Figure> statisticsFigures(const QString& file)
{
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    state.CollectionDb = Database::OpenDatabase(file, state.regional.locale());
    auto shown = [](frmStatistics& window) {
        window.show();
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(&window, &activation);
        window.grab();
    };
    QList<Figure> figures;
    figures.append({QStringLiteral("open the statistics window"), timed([&] {
                        frmStatistics window(state, nullptr);
                        shown(window);
                    }),
                    statisticsForShell(Statistics::figuresSql()) + QLatin1Char(';') +
                        statisticsForShell(Statistics::valueOverTimeSql())});
    frmStatistics window(state, nullptr);
    shown(window);
    int chart = 0;
    figures.append({QStringLiteral("switch chart"), timed([&] {
                        chart = chart % (StatisticsCharts::kCharts - 1) + 1;
                        window.lstCharts->setCurrentRow(chart);
                        // the chart is all of the window a switch draws anew
                        window.chartView->grab();
                    }),
                    statisticsForShell(Statistics::yearsSql())});
    failOnMessages(dialogs);
    return figures;
}

// The item list window: opened with its first screen painted, a filter typed
// a letter at a time, and a click on each heading; each timed to the list
// painted again.
QList<Figure> listFigures(const QString& file)
{
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    state.CollectionDb = Database::OpenDatabase(file, state.regional.locale());
    QList<Figure> figures;
    figures.append(openingTheList(state, QStringLiteral("open the item list, first screen painted")));
    frmItemList list(state, [](qint32) { return true; });
    showList(list);
    auto* filter = list.findChild<QLineEdit*>(QStringLiteral("txtFilter"));
    // a keystroke at a time, each timed to the list painted
    const QString typed = QStringLiteral("fox");
    QList<double> keystrokes;
    for (int run = 0; run < kRuns; ++run) {
        for (qsizetype i = 1; i <= typed.size(); ++i) {
            QElapsedTimer timer;
            timer.start();
            filter->setText(typed.left(i));
            list.grab();
            keystrokes.append(timer.nsecsElapsed() / 1e6);
        }
        filter->clear();
    }
    figures.append(
        {QStringLiteral("filter the item list, one keystroke (\"f\", \"fo\", \"fox\")"), median(keystrokes),
         QStringLiteral("SELECT PlonID FROM Plonko WHERE PlonID IN (SELECT PlonID FROM Plonko WHERE Name "
                        "LIKE '%fo%' OR descr LIKE '%fo%' OR catnum LIKE '%fo%') ORDER BY NameKey, "
                        "descrKey, PlonID; SELECT count(*) FROM Plonko")});
    QHeaderView* headings = list.findChild<QTableView*>(QStringLiteral("grdItems"))->horizontalHeader();
    // the shell orders by the same columns, conditions ranked by their descriptions
    const char* const orders[ItemListModel::ColumnCount] = {
        nullptr, // the photos order nothing
        "NameKey, descrKey",
        "descrKey",
        "catsort, catnumKey",
        "quantity, NameKey",
        "CASE toycon WHEN 3 THEN 1 WHEN 5 THEN 2 WHEN 4 THEN 3 WHEN 1 THEN 4 WHEN 2 THEN 5 WHEN 6 THEN 6 "
        "ELSE 0 "
        "END, NameKey",
        "pricepaid, NameKey",
        "catvalue, NameKey",
        "forsale, NameKey",
        "wantlist, NameKey",
        "sold, NameKey"};
    for (int column = ItemListModel::ColumnCount - 1; column > ItemListModel::Photo; --column) {
        const QString heading = list.model().headerData(column, Qt::Horizontal).toString();
        figures.append({QStringLiteral("re-sort the item list by %1").arg(heading),
                        timed([&] {
                            headings->setSortIndicator(column, Qt::DescendingOrder);
                            list.grab();
                            headings->setSortIndicator(column, Qt::AscendingOrder);
                            list.grab();
                        }) / 2,
                        QStringLiteral("SELECT PlonID FROM Plonko ORDER BY %1, PlonID")
                            .arg(QString::fromLatin1(orders[column]))});
    }
    return figures;
}

// What a collector does in the item window, timed from the click to the
// shown result, on a copy of the collection.
QList<Figure> windowFigures(const QString& file)
{
    QTemporaryDir folder;
    QFile::copy(file, folder.filePath(QStringLiteral("Plonko.mdb")));
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder.path());
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    QList<Figure> figures;
    // from nothing to the first item shown, as the program starts
    figures.append({QStringLiteral("open the item window"), timed([&] {
                        state.ItemSet.reset();
                        state.CollectionDb.reset();
                        frmMain opened(state);
                        runEvent(state, [&] { opened.Form_Load(); });
                        state.ItemSet.reset();
                        state.CollectionDb.reset();
                    }),
                    QStringLiteral("SELECT * FROM Plonko ORDER BY NameKey LIMIT 1")});
    frmMain window(state);
    runEvent(state, [&] { window.Form_Load(); });
    auto get = [&](const char* name) { return window.findChild<QWidget*>(QString::fromLatin1(name)); };
    auto click = [&](const char* name) { static_cast<QPushButton*>(get(name))->click(); };
    auto type = [&](const char* name, const QString& text) {
        static_cast<QLineEdit*>(get(name))->setText(text);
    };

    figures.append(
        {QStringLiteral("resident memory with the item window open (MB)"), residentMb("VmRSS:"), QString()});
    const int moves = 1000;
    figures.append({QStringLiteral("next item"), timed([&] {
                                                     for (int i = 0; i < moves; ++i)
                                                         click("cmdNext");
                                                 }) / moves,
                    QString()});
    figures.append({QStringLiteral("previous item"), timed([&] {
                                                         for (int i = 0; i < moves; ++i)
                                                             click("cmdPrevious");
                                                     }) / moves,
                    QString()});
    click("cmdAddNew");
    int added = 0;
    figures.append({QStringLiteral("add another"), timed([&] {
                        type("txtName", QStringLiteral("Bench %1").arg(++added));
                        click("cmdAddNew");
                    }),
                    QString()});
    type("txtName", QStringLiteral("Bench holding"));
    type("txtQuantity", QStringLiteral("1000"));
    type("txtPricePaid", QStringLiteral("3"));
    click("cmdUpdate");
    figures.append({QStringLiteral("update"), timed([&] {
                        type("txtColor", QStringLiteral("Colour %1").arg(++added));
                        click("cmdUpdate");
                    }),
                    QString()});
    figures.append({QStringLiteral("partial sale"), timed([&] {
                        dialogs.inputs.enqueue(QStringLiteral("1"));
                        click("cmdSoldSome");
                    }),
                    QString()});
    figures.append({QStringLiteral("delete"), timed([&] {
                        dialogs.answers.enqueue(Dialogs::Answer::Yes);
                        click("cmdDelete");
                    }),
                    QString()});
    figures.append({QStringLiteral("re-sort"),
                    timed([&] { window.findChild<QAction*>(QStringLiteral("mnuSort(3)"))->trigger(); }),
                    // the window reads the first run of keys of the new order
                    QStringLiteral("SELECT rowid FROM Plonko ORDER BY catsort, catnumKey, rowid LIMIT 512")});
    const struct
    {
        const char* name;
        int kind;
        const char* text;
        const char* shellSql; // the search for the first match the window runs
    } finds[] = {
        {"find name", 1, "Zinnia",
         "SELECT rowid FROM Plonko WHERE Name LIKE 'Zinnia%' AND Name >= 'zinnia' COLLATE NOCASE AND Name < "
         "'zinnib' COLLATE NOCASE ORDER BY NameKey, descrKey, rowid LIMIT 1"},
        {"find description", 2, "Tie-dye p",
         "SELECT rowid FROM Plonko WHERE descr LIKE 'Tie-dye p%' AND descr >= 'tie-dye p' COLLATE NOCASE AND "
         "descr < 'tie-dye q' COLLATE NOCASE ORDER BY descrKey, rowid LIMIT 1"},
        {"find catalog number", 3, "8001",
         "SELECT rowid FROM Plonko WHERE catnum = '8001' AND catnum >= '8001' COLLATE NOCASE AND catnum < "
         "'8002' COLLATE NOCASE ORDER BY catsort, catnumKey, rowid LIMIT 1"},
        {"find birthday", 4, "6/15/2004",
         "SELECT rowid FROM Plonko WHERE issuedate = '2004-06-15' ORDER BY issuedate, rowid LIMIT 1"}};
    for (const auto& find : finds) {
        figures.append(
            {QString::fromLatin1(find.name), timed([&] {
                 dialogs.modalSteps.enqueue([&](QDialog& dialog) {
                     dialog.findChild<QRadioButton*>(QStringLiteral("optBy(%1)").arg(find.kind))->click();
                     dialog.findChild<QLineEdit*>(QStringLiteral("txtName"))
                         ->setText(QString::fromLatin1(find.text));
                     dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
                 });
                 click("cmdFind");
             }),
             QString::fromLatin1(find.shellSql)});
    }
    if (dialogs.ended)
        throw DbError(DbError::EngineFailure, dialogs.lastText());
    QDir::setCurrent(previous);
    return figures;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    QTextStream out(stdout);
    int items = 100000;
    QString file;
    QStringList only; // groups of figures: store, utilities, window, reports, other-reports, csv, list,
                      // photos, insurance, statistics, progress
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--items"))
            items = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--file"))
            file = args[i + 1];
        else if (args[i] == QLatin1String("--only"))
            only = args[i + 1].split(QLatin1Char(','));
    }
    if (file.isEmpty())
        file = QStringLiteral("/tmp/plonko-bench-%1.mdb").arg(items);

    QList<Figure> figures;
    try {
        if (!QFileInfo::exists(file))
            CollectionSchema::createCollection(file, items);
        else // a file made by an earlier build gains the indexes this one adds, before any timing
            Database::OpenDatabase(file, QLocale(QLocale::English, QLocale::UnitedStates));
        const std::pair<const char*, QList<Figure> (*)(const QString&)> groups[] = {
            {"store", storeFigures},
            {"utilities", utilityFigures},
            {"window", windowFigures},
            {"reports", reportFigures},
            {"other-reports", otherReportFigures},
            {"csv", csvFigures},
            {"list", listFigures},
            {"photos", photoFigures},
            {"insurance", insuranceFigures},
            {"statistics", statisticsFigures},
            {"progress", progressFigures}};
        for (const auto& [name, measure] : groups)
            if (only.isEmpty() || only.contains(QLatin1String(name)))
                figures.append(measure(file));
    } catch (const DbError& e) {
        QTextStream(stderr) << "plonko-bench: " << e.number() << "  " << e.description() << '\n';
        return 1;
    } catch (const CollectionFiles::Failure& failure) {
        QTextStream(stderr) << "plonko-bench: " << failure.what << '\n';
        return 1;
    }
    // the store is closed now, so the shell can open the file
    for (const Figure& f : figures) {
        const QString shell = !f.shellTime.isEmpty() ? f.shellTime
                              : f.shellSql.isEmpty() ? QStringLiteral("-")
                                                     : shellMs(file, f.shellSql, f.shellSettings);
        out << f.name << '\t' << QString::number(f.ms, 'f', 3) << '\t' << shell;
        if (shell.toDouble() > 0)
            out << "\tratio " << QString::number(f.ms / shell.toDouble(), 'f', 2);
        out << '\n';
    }
    return 0;
}
