// Kills a process that compacts or backs up a collection at random moments;
// after each kill the collection opens as at start-up, whole, with every item.
#include "TestCollection.h"

#include "store/CollectionSchema.h"
#include "utilities/CollectionFiles.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace CF = CollectionFiles;

namespace {

constexpr int kItems = 3000;

int kills()
{
    return qEnvironmentVariableIntValue("PLONKO_KILLS") > 0 ? qEnvironmentVariableIntValue("PLONKO_KILLS")
                                                            : 50;
}

struct Tally
{
    int kills = 0;
    int interrupted = 0; // the collection was not under its name when killed
    int runsFinished = 0;
};

// Starts the child, lets it run for a random time within a few of its runs,
// and kills it.
void runAndKill(const QStringList& args, int withinMs, Tally& tally)
{
    QProcess child;
    child.setProgram(QStringLiteral(UTILITY_CHILD));
    child.setArguments(args);
    child.start();
    QVERIFY(child.waitForStarted());
    while (!child.canReadLine())
        QVERIFY2(child.waitForReadyRead(10000),
                 qPrintable(QString::fromLocal8Bit(child.readAllStandardError())));
    QCOMPARE(child.readLine().trimmed(), QByteArray("started"));
    QThread::usleep(QRandomGenerator::global()->bounded(withinMs * 1000));
    child.kill();
    QVERIFY(child.waitForFinished());
    const QByteArray output = child.readAllStandardOutput();
    tally.runsFinished += int(output.count("done"));
    QVERIFY2(child.exitStatus() == QProcess::CrashExit, child.readAllStandardError().constData());
    ++tally.kills;
}

} // namespace

class TestUtilityCrash : public QObject
{
    Q_OBJECT

private slots:
    void compactionKilledAnywhere();
    void backupKilledAnywhere();
    void sortForTheLanguageKilledHalfWay();
};

void TestUtilityCrash::compactionKilledAnywhere()
{
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("Plonko.mdb"));
    CollectionSchema::createCollection(path, kItems);
    QElapsedTimer once;
    once.start();
    CF::compactCollection(path, QLocale(QLocale::English, QLocale::UnitedStates));
    const int runMs = std::max<int>(2, int(once.elapsed()));
    Tally tally;
    for (int i = 0; i < kills(); ++i) {
        runAndKill({QStringLiteral("compact"), folder.path()}, 3 * runMs, tally);
        // start-up: a compaction cut off between its renames is finished
        if (const std::optional<CF::Interrupted> found = CF::interruptedCompaction(path)) {
            ++tally.interrupted;
            QVERIFY2(found->restoreFrom, qPrintable(found->description));
            CF::restore(*found, path);
        }
        QCOMPARE(itemCount(path), kItems);
        QCOMPARE(integrityOf(path), QStringLiteral("ok"));
    }
    qInfo("compaction: %d kills, %d between the renames, %d runs finished (one run %d ms)", tally.kills,
          tally.interrupted, tally.runsFinished, runMs);
}

void TestUtilityCrash::backupKilledAnywhere()
{
    QTemporaryDir folder;
    QTemporaryDir drive;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("Plonko.mdb"));
    const QString copy = QDir(drive.path()).filePath(QStringLiteral("Plonko.mdb"));
    CollectionSchema::createCollection(path, kItems);
    const QByteArray original = [&] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    QElapsedTimer once;
    once.start();
    CF::backupCollection(path, drive.path());
    const int runMs = std::max<int>(2, int(once.elapsed()));
    QVERIFY(QFile::remove(copy));
    Tally tally;
    int withoutCopy = 0;
    for (int i = 0; i < kills(); ++i) {
        runAndKill({QStringLiteral("backup"), folder.path(), drive.path()}, 3 * runMs, tally);
        // the collection is never written; the copy is whole or not there
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), original);
        if (!QFileInfo::exists(copy)) {
            ++withoutCopy;
            continue;
        }
        QCOMPARE(itemCount(copy), kItems);
        QCOMPARE(integrityOf(copy), QStringLiteral("ok"));
    }
    qInfo("backup: %d kills, %d before a first copy, %d runs finished (one run %d ms)", tally.kills,
          withoutCopy, tally.runsFinished, runMs);
}

// A program ended while it sorts the collection again for the system's
// language leaves the collection as it was, and the next start sorts it.
void TestUtilityCrash::sortForTheLanguageKilledHalfWay()
{
    QTemporaryDir folder;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("Plonko.mdb"));
    CollectionSchema::createCollection(path, kItems);
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const auto bytes = [&] {
        Database::OpenDatabase(path, english);
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = bytes();
    QProcess child;
    child.start(QStringLiteral(UTILITY_CHILD), {QStringLiteral("sort"), folder.path()});
    QVERIFY(child.waitForFinished());
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QVERIFY(QFileInfo::exists(path + QStringLiteral("-journal")));
    QCOMPARE(bytes(), before);
    int calls = 0;
    Database::OpenDatabase(path, QLocale(QLocale::Swedish, QLocale::Sweden), [&] { ++calls; });
    QVERIFY(calls > 0);
    calls = 0;
    Database::OpenDatabase(path, QLocale(QLocale::Swedish, QLocale::Sweden), [&] { ++calls; });
    QCOMPARE(calls, 0);
}

QTEST_GUILESS_MAIN(TestUtilityCrash)
#include "tst_utilitycrash.moc"
