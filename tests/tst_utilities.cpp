#include "FaultyDisk.h"
#include "LookupWindow.h"

#include "custom/frmRptSpec.h"
#include "store/CollectionSchema.h"
#include "utilities/BackupDrives.h"
#include "utilities/CollectionFiles.h"
#include "utilities/CopyProgress.h"
#include "utilities/frmBackup.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

namespace CF = CollectionFiles;

namespace {

const QLocale kEnglish(QLocale::English, QLocale::UnitedStates);

QByteArray bytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void addItem(const QString& path, const QString& name)
{
    std::unique_ptr<Database> db = Database::OpenDatabase(path, kEnglish);
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), Database::RecordsetType::Dynaset);
    rs->AddNew();
    rs->SetField(QStringLiteral("Name"), name);
    rs->SetField(QStringLiteral("quantity"), qint32(1));
    rs->Update();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// The files a folder holds, other than the collection's journal.
QStringList filesIn(const QString& folder)
{
    QStringList files =
        QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    files.removeAll(QStringLiteral("Plonko.mdb-journal"));
    return files;
}

// One way a step of the file work fails, set up for a scope.
struct Fault
{
    // "full" and "damaged" act on files ending so; "flush" and "rename" fail
    // the step of that kind after `after` of them passed, `count` times
    Fault(const QString& kind, const QByteArray& ending, int after = 0, int count = 1)
    {
        if (kind == u"full")
            FaultyDisk::fill(ending, 8192);
        else if (kind == u"damaged")
            FaultyDisk::damage(ending, 3 * 4096);
        else if (kind == u"flush")
            CF::failSteps(CF::Step::FlushFile, after, count);
        else if (kind == u"rename")
            CF::failSteps(CF::Step::Rename, after, count);
    }
    ~Fault()
    {
        FaultyDisk::fill({}, 0);
        CF::failSteps(CF::Step::FlushFile, 0, 0);
        CF::failSteps(CF::Step::Rename, 0, 0);
    }
};

// The backup dialog's script: the drive list gains the test's folder, which
// is chosen, and Ok is pressed.
std::function<void(QDialog&)> backUpTo(const QString& folder)
{
    return [folder](QDialog& dialog) {
        auto& backup = static_cast<frmBackup&>(dialog);
        backup.Drive1->addItem(folder, folder);
        backup.Drive1->setCurrentIndex(backup.Drive1->count() - 1);
        backup.cmdOk->click();
    };
}

const QString kBackupFailed = QStringLiteral("Backup could not be Performed.  Make sure a formatted disk "
                                             "with sufficient free space is in the selected "
                                             "drive.");

} // namespace

class TestUtilities : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { FaultyDisk::install(); }

    void compactingKeepsThePreviousFile();
    void aFailedCompactionLeavesTheCollection_data();
    void aFailedCompactionLeavesTheCollection();
    void backingUpTwiceReplacesTheCopy();
    void aFailedBackupKeepsTheEarlierCopy_data();
    void aFailedBackupKeepsTheEarlierCopy();
    void stoppedCopiesLeaveEveryFileAsItWas();
    void copiedBytesAreToldInTheTotalsUnit();
    void interruptedCompactions_data();
    void interruptedCompactions();
    void drives_data();
    void drives();

    void answeringNoKeepsTheWindow();
    void packingReopensTheWindowAsAtStartUp();
    void theBackupDialog_data();
    void theBackupDialog();
    void aBackupThatFailsSaysSo();
    void cancelledCopiesSayNothing();
    void theCollectionStaysHeldDuringTheBackup();
    void noRoomToSortChangesNothing();
    void packingDuringAnEdit_data();
    void packingDuringAnEdit();
    void aPackThatFailsSaysSo();
    void refusedWhileAWindowHoldsTheDatabase_data();
    void refusedWhileAWindowHoldsTheDatabase();
    void startUpFinishesAnInterruptedCompaction_data();
    void startUpFinishesAnInterruptedCompaction();
};

// Twice in a row, the first time with neither file of an earlier run there:
// each time the previous file is kept byte for byte and no copy is left.
void TestUtilities::compactingKeepsThePreviousFile()
{
    TestCollection collection;
    const QString bak = QDir(collection.folder()).filePath(CF::kPreviousName);
    const QString compacted = QDir(collection.folder()).filePath(CF::kCompactedName);
    for (int run = 0; run < 2; ++run) {
        addItem(collection.path(), QStringLiteral("Run %1").arg(run));
        const QByteArray before = bytesOf(collection.path());
        CF::compactCollection(collection.path(), kEnglish);
        QCOMPARE(bytesOf(bak), before);
        QVERIFY(!QFileInfo::exists(compacted));
        QCOMPARE(integrityOf(collection.path()), QStringLiteral("ok"));
        QCOMPARE(itemCount(collection.path()), 9 + run);
    }
    // a copy an earlier run left is made anew
    QVERIFY(QFile::copy(bak, compacted));
    CF::compactCollection(collection.path(), kEnglish);
    QVERIFY(!QFileInfo::exists(compacted));
    QCOMPARE(itemCount(collection.path()), 10);
}

void TestUtilities::aFailedCompactionLeavesTheCollection_data()
{
    // how the step fails; what stands under "Plonkodb.bak" afterwards (the
    // older file a former compaction kept, the collection, or nothing);
    // whether the compacted copy is left for start-up to offer
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("passing"); // steps of the failing kind that pass first
    QTest::addColumn<int>("failing");
    QTest::addColumn<QString>("previous");
    QTest::addColumn<bool>("copyLeft");
    QTest::newRow("the disk fills up") << "full" << 0 << 0 << "older" << false;
    QTest::newRow("the copy is damaged") << "damaged" << 0 << 0 << "older" << false;
    QTest::newRow("the copy cannot be flushed") << "flush" << 0 << 1 << "older" << false;
    QTest::newRow("an old copy cannot be removed") << "copy folder" << 0 << 0 << "older" << false;
    QTest::newRow("the older file cannot be replaced") << "previous folder" << 0 << 0 << "folder" << false;
    QTest::newRow("the collection cannot be moved aside") << "rename" << 0 << 1 << "none" << false;
    QTest::newRow("the copy cannot take its name") << "rename" << 1 << 1 << "none" << false;
    QTest::newRow("nor the collection be put back") << "rename" << 1 << 2 << "collection" << true;
}

// The collection stays under its name as it was, except when it cannot even
// be put back: then it is whole under "Plonkodb.bak" and start-up offers the
// compacted copy.
void TestUtilities::aFailedCompactionLeavesTheCollection()
{
    QFETCH(QString, fault);
    QFETCH(int, passing);
    QFETCH(int, failing);
    QFETCH(QString, previous);
    QFETCH(bool, copyLeft);
    TestCollection collection;
    const QDir folder(collection.folder());
    const QString bak = folder.filePath(CF::kPreviousName);
    const QString compacted = folder.filePath(CF::kCompactedName);
    // a folder under a file's name stands in for a file that cannot be replaced
    if (fault == u"previous folder")
        QVERIFY(folder.mkpath(CF::kPreviousName + QStringLiteral("/kept")));
    else
        QVERIFY(QFile::copy(collection.path(), bak));
    if (fault == u"copy folder")
        QVERIFY(folder.mkpath(CF::kCompactedName + QStringLiteral("/kept")));
    const QByteArray older = bytesOf(bak);
    addItem(collection.path(), QStringLiteral("Newer"));
    const QByteArray before = bytesOf(collection.path());
    {
        const Fault failed(fault, "Plonnew.mdb", passing, failing);
        QVERIFY_THROWS_EXCEPTION(CF::Failure, CF::compactCollection(collection.path(), kEnglish));
    }
    QCOMPARE(QFileInfo::exists(collection.path()), previous != u"collection");
    if (previous != u"collection")
        QCOMPARE(bytesOf(collection.path()), before);
    if (previous == u"older")
        QCOMPARE(bytesOf(bak), older);
    if (previous == u"collection")
        QCOMPARE(bytesOf(bak), before);
    QCOMPARE(QFileInfo(bak).isDir(), previous == u"folder");
    QCOMPARE(QFileInfo::exists(bak), previous != u"none");
    QCOMPARE(QFileInfo(compacted).isDir(), fault == u"copy folder");
    QCOMPARE(QFileInfo(compacted).isFile(), copyLeft);
    if (copyLeft) {
        const std::optional<CF::Interrupted> found = CF::interruptedCompaction(collection.path());
        QVERIFY(found && found->restoreFrom);
        QCOMPARE(*found->restoreFrom, compacted);
        CF::restore(*found, collection.path());
        QCOMPARE(itemCount(collection.path()), 9);
    }
}

void TestUtilities::backingUpTwiceReplacesTheCopy()
{
    TestCollection collection;
    QTemporaryDir drive;
    const QString copy = QDir(drive.path()).filePath(QStringLiteral("Plonko.mdb"));
    CF::backupCollection(collection.path(), drive.path());
    QCOMPARE(itemCount(copy), 8);
    addItem(collection.path(), QStringLiteral("Later"));
    // a journal beside the earlier copy would be played back into the new one
    write(copy + QStringLiteral("-journal"), QByteArray(4096, 'j'));
    CF::backupCollection(collection.path(), drive.path());
    QVERIFY(!QFileInfo::exists(copy + QStringLiteral("-journal")));
    QCOMPARE(itemCount(copy), 9);
    QCOMPARE(integrityOf(copy), QStringLiteral("ok"));
    QCOMPARE(filesIn(drive.path()), QStringList{QStringLiteral("Plonko.mdb")});
}

void TestUtilities::aFailedBackupKeepsTheEarlierCopy_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("the disk fills up") << "full";
    QTest::newRow("the copy is damaged") << "damaged";
    QTest::newRow("the copy cannot be flushed") << "flush";
    QTest::newRow("the copy cannot take its name") << "rename";
    QTest::newRow("no disk in the drive") << "missing";
}

void TestUtilities::aFailedBackupKeepsTheEarlierCopy()
{
    QFETCH(QString, fault);
    TestCollection collection;
    QTemporaryDir drive;
    CF::backupCollection(collection.path(), drive.path());
    const QString copy = QDir(drive.path()).filePath(QStringLiteral("Plonko.mdb"));
    const QByteArray earlier = bytesOf(copy);
    addItem(collection.path(), QStringLiteral("Later"));
    const QString target =
        fault == u"missing" ? QDir(drive.path()).filePath(QStringLiteral("not mounted")) : drive.path();
    {
        const Fault failing(fault, ".partial");
        QVERIFY_THROWS_EXCEPTION(CF::Failure, CF::backupCollection(collection.path(), target));
    }
    QCOMPARE(bytesOf(copy), earlier);
    QCOMPARE(filesIn(drive.path()), QStringList{QStringLiteral("Plonko.mdb")});
}

// A backup or a compaction stopped at its first step, in its middle or at its
// last (the check of the copy) leaves the collection, the earlier backup and
// the folders byte for byte as they were.
void TestUtilities::stoppedCopiesLeaveEveryFileAsItWas()
{
    QTemporaryDir folder;
    QTemporaryDir drive;
    const QString path = QDir(folder.path()).filePath(QStringLiteral("Plonko.mdb"));
    // large enough for the copies to take several steps
    CollectionSchema::createCollection(path, 20000);
    // opened once, as the program opens it, for what it mends at a first opening
    Database::OpenDatabase(path, kEnglish);
    const QString backup = QDir(drive.path()).filePath(QStringLiteral("Plonko.mdb"));
    write(backup, "earlier");
    const QByteArray collection = bytesOf(path);
    const QStringList before = filesIn(folder.path());
    const std::function<void(const QString&, const CF::Progress&)> copies[] = {
        [&](const QString& from, const CF::Progress& progress) {
            CF::backupCollection(from, drive.path(), progress);
        },
        [](const QString& from, const CF::Progress& progress) {
            CF::compactCollection(from, kEnglish, progress);
        }};
    for (const auto& copy : copies) {
        // the steps of a copy let run, made of a copy of its own
        QTemporaryDir aside;
        const QString asidePath = QDir(aside.path()).filePath(QStringLiteral("Plonko.mdb"));
        QFile::copy(path, asidePath);
        QList<CF::Stage> stages;
        QList<qint64> done;
        copy(asidePath, [&](CF::Stage stage, qint64 bytes, qint64 total) {
            stages.append(stage);
            done.append(bytes);
            return bytes <= total;
        });
        QVERIFY(stages.count(CF::Stage::Copying) >= 2);
        QVERIFY(stages.contains(CF::Stage::Checking));
        QVERIFY(std::is_sorted(done.begin(), done.begin() + stages.count(CF::Stage::Copying)));
        write(backup, "earlier");
        for (const qsizetype stopAt :
             {qsizetype(0), stages.indexOf(CF::Stage::Checking) / 2, stages.size() - 1}) {
            qsizetype step = 0;
            QVERIFY_THROWS_EXCEPTION(CF::Stopped,
                                     copy(path, [&](CF::Stage, qint64, qint64) { return step++ < stopAt; }));
            QCOMPARE(step, stopAt + 1);
            QCOMPARE(bytesOf(path), collection);
            QCOMPARE(filesIn(folder.path()), before);
            QCOMPARE(bytesOf(backup), QByteArray("earlier"));
            QCOMPARE(filesIn(drive.path()), QStringList{QStringLiteral("Plonko.mdb")});
        }
    }
}

// Tenths of a megabyte under ten, whole megabytes up to a gigabyte, tenths
// of a gigabyte from there, both figures in the unit of the total.
void TestUtilities::copiedBytesAreToldInTheTotalsUnit()
{
    constexpr qint64 kMb = 1 << 20;
    QCOMPARE(bytesOfTotal(kEnglish, 0, 0), QStringLiteral("0.0 of 0.0 MB"));
    QCOMPARE(bytesOfTotal(kEnglish, kMb / 2, 10 * kMb - 1), QStringLiteral("0.5 of 10.0 MB"));
    QCOMPARE(bytesOfTotal(kEnglish, kMb * 6 / 10, 10 * kMb), QStringLiteral("1 of 10 MB"));
    QCOMPARE(bytesOfTotal(kEnglish, 1023 * kMb, 1024 * kMb - 1), QStringLiteral("1,023 of 1,024 MB"));
    QCOMPARE(bytesOfTotal(kEnglish, 1229 * kMb, 2048 * kMb), QStringLiteral("1.2 of 2.0 GB"));
    QCOMPARE(bytesOfTotal(QLocale(QLocale::German, QLocale::Germany), 1229 * kMb, 2048 * kMb),
             QStringLiteral("1,2 of 2,0 GB"));
}

void TestUtilities::interruptedCompactions_data()
{
    // which files a compaction left, whether its copy is whole, and which
    // file start-up restores (the compacted copy holds one item more)
    QTest::addColumn<bool>("collection");
    QTest::addColumn<bool>("copy");
    QTest::addColumn<bool>("previous");
    QTest::addColumn<bool>("copyWhole");
    QTest::addColumn<QString>("restored");
    QTest::newRow("nothing interrupted") << true << true << true << true << "";
    QTest::newRow("only the copy") << false << true << false << true << "Plonnew.mdb";
    QTest::newRow("only the previous file") << false << false << true << true << "Plonkodb.bak";
    QTest::newRow("both") << false << true << true << true << "Plonnew.mdb";
    QTest::newRow("both, the copy cut short") << false << true << true << false << "Plonkodb.bak";
    QTest::newRow("only a copy cut short") << false << true << false << false << "none";
}

void TestUtilities::interruptedCompactions()
{
    QFETCH(bool, collection);
    QFETCH(bool, copy);
    QFETCH(bool, previous);
    QFETCH(bool, copyWhole);
    QFETCH(QString, restored);
    TestCollection files;
    const QDir folder(files.folder());
    const QString compacted = folder.filePath(CF::kCompactedName);
    const QString bak = folder.filePath(CF::kPreviousName);
    if (previous)
        QVERIFY(QFile::copy(files.path(), bak));
    addItem(files.path(), QStringLiteral("Compacted"));
    if (copy) {
        QVERIFY(QFile::copy(files.path(), compacted));
        if (!copyWhole)
            QVERIFY(QFile::resize(compacted, QFileInfo(compacted).size() / 2));
    }
    if (!collection)
        QVERIFY(QFile::remove(files.path()));
    const std::optional<CF::Interrupted> found = CF::interruptedCompaction(files.path());
    QCOMPARE(found.has_value(), !restored.isEmpty());
    if (!found)
        return;
    QCOMPARE(found->restoreFrom.has_value(), restored != u"none");
    if (!found->restoreFrom)
        return;
    QCOMPARE(QFileInfo(*found->restoreFrom).fileName(), restored);
    CF::restore(*found, files.path());
    QCOMPARE(itemCount(files.path()), restored == u"Plonnew.mdb" ? 9 : 8);
    QVERIFY(!QFileInfo::exists(*found->restoreFrom));
}

void TestUtilities::drives_data()
{
    QTest::addColumn<QList<Volume>>("volumes");
    QTest::addColumn<QStringList>("captions");
    const Volume stick{QStringLiteral("/media/anna/STICK"), QStringLiteral("vfat"), QStringLiteral("STICK"),
                       true};
    const Volume card{QStringLiteral("/run/media/anna/9C33-6BBD"), QStringLiteral("exfat"), QString(), true};
    const Volume disk{QStringLiteral("/srv/data"), QStringLiteral("ext4"), QStringLiteral("data"), true};
    const Volume share{QStringLiteral("/net/club"), QStringLiteral("nfs4"), QString(), true};
    const Volume memory{QStringLiteral("/tmp"), QStringLiteral("tmpfs"), QString(), true};
    const Volume cdrom{QStringLiteral("/media/anna/CD"), QStringLiteral("iso9660"), QStringLiteral("CD"),
                       false};
    const Volume home{QStringLiteral("/home/anna"), QStringLiteral("ext4"), QString(), true};
    const QString homeFolder = QStringLiteral("Home folder (/home/anna)");
    QTest::newRow("only the home folder") << QList<Volume>{} << QStringList{homeFolder};
    QTest::newRow("removable media first")
        << QList<Volume>{disk, share, stick, card}
        << QStringList{"STICK (/media/anna/STICK)", "/run/media/anna/9C33-6BBD", "/net/club",
                       "data (/srv/data)", homeFolder};
    QTest::newRow("memory, read-only media and the home disk left out")
        << QList<Volume>{memory, cdrom, home, stick} << QStringList{"STICK (/media/anna/STICK)", homeFolder};
}

void TestUtilities::drives()
{
    QFETCH(QList<Volume>, volumes);
    QFETCH(QStringList, captions);
    const QList<BackupDrive> drives = backupDrives(volumes, QStringLiteral("/home/anna"));
    QStringList shown;
    for (const BackupDrive& drive : drives)
        shown.append(drive.caption);
    QCOMPARE(shown, captions);
    QVERIFY(drives.last().isHome);
    QCOMPARE(drives.last().root, QStringLiteral("/home/anna"));
}

void TestUtilities::answeringNoKeepsTheWindow()
{
    Session session;
    session.click("cmdNext");
    const QString shown = session.text("txtName");
    const Database* open = session.state.CollectionDb.get();
    session.dialogs.answers.enqueue(Dialogs::Answer::No);
    session.get<QAction>("mnuPack")->trigger();
    QCOMPARE(session.dialogs.messages.size(), 1);
    const ScriptedDialogs::Message& asked = session.dialogs.messages.first();
    QCOMPARE(asked.text, QStringLiteral("Do you wish to compact the Plonko Wizmo Program database?"));
    QCOMPARE(asked.title, QStringLiteral("Compact Database"));
    QCOMPARE(asked.buttons, Dialogs::Buttons::YesNo);
    QCOMPARE(asked.icon, Dialogs::Icon::None);
    QCOMPARE(session.state.CollectionDb.get(), open);
    QCOMPARE(session.text("txtName"), shown);
    QVERIFY(session.window->isVisible());
    QVERIFY(!session.state.UtilityRunning);
    QVERIFY(!QFileInfo::exists(CF::kPreviousName));
}

// The window comes back as the program starts: first item by name, the name
// order checked, the report destination back to the preview.
void TestUtilities::packingReopensTheWindowAsAtStartUp()
{
    Session session;
    const QString first = session.text("txtName");
    session.get<QAction>("mnuSort(2)")->trigger();
    session.click("cmdNext");
    session.get<QAction>("mnuRptOut(3)")->trigger();
    const QByteArray before = bytesOf(session.collection.path());
    session.get<QAction>("mnuPack")->trigger();
    QCOMPARE(session.dialogs.messages.size(), 1);
    QCOMPARE(bytesOf(CF::kPreviousName), before);
    QVERIFY(session.window->isVisible());
    QVERIFY(session.state.CollectionDb);
    QCOMPARE(session.text("txtName"), first);
    QVERIFY(session.get<QAction>("mnuSort(1)")->isChecked());
    QVERIFY(session.get<QAction>("mnuRptOut(1)")->isChecked());
    QCOMPARE(session.state.ReportDest, 1);
    QVERIFY(!session.state.UtilityRunning);
    QVERIFY(!session.dialogs.busyNow);
    QCOMPARE(session.state.items().RecordCount(), 8);
}

void TestUtilities::theBackupDialog_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("ok") << true;
    QTest::newRow("cancel") << false;
}

// Either way the item window closes while the dialog is up and comes back on
// its first item; only Ok copies.
void TestUtilities::theBackupDialog()
{
    QFETCH(bool, ok);
    Session session;
    const QString first = session.text("txtName");
    session.click("cmdNext");
    QTemporaryDir drive;
    bool closedMeanwhile = false;
    session.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        auto& backup = static_cast<frmBackup&>(dialog);
        closedMeanwhile =
            !session.state.CollectionDb && !session.window->isVisible() && session.state.UtilityRunning;
        QCOMPARE(backup.Label1->text(),
                 QStringLiteral("Select the drive to which the database should be copied."));
        QCOMPARE(backup.Drive1->currentData().toString(), QDir::homePath());
        QCOMPARE(backup.cmdOk->text(), QStringLiteral("&Ok"));
        QCOMPARE(backup.cmdCancel->text(), QStringLiteral("&Cancel"));
        if (ok)
            backUpTo(drive.path())(dialog);
        else
            backup.cmdCancel->click();
        QCOMPARE(backup.result(), ok ? QDialog::Accepted : QDialog::Rejected);
    });
    session.get<QAction>("mnuBackup")->trigger();
    QCOMPARE(session.dialogs.modalTitles, QStringList{QStringLiteral("Backup the Plonko Wizmo Database")});
    QVERIFY(closedMeanwhile);
    QVERIFY(session.window->isVisible());
    QCOMPARE(session.text("txtName"), first);
    QVERIFY(!session.state.UtilityRunning);
    QVERIFY(!session.dialogs.busyNow);
    QVERIFY(session.dialogs.messages.isEmpty());
    const QString copy = QDir(drive.path()).filePath(QStringLiteral("Plonko.mdb"));
    QCOMPARE(QFileInfo::exists(copy), ok);
    if (ok)
        QCOMPARE(itemCount(copy), 8);
}

void TestUtilities::aBackupThatFailsSaysSo()
{
    Session session;
    QTemporaryDir drive;
    session.dialogs.modalSteps.enqueue(backUpTo(drive.path()));
    session.get<QAction>("mnuBackup")->trigger();
    const QString copy = QDir(drive.path()).filePath(QStringLiteral("Plonko.mdb"));
    const QByteArray earlier = bytesOf(copy);
    {
        const Fault failing(QStringLiteral("full"), ".partial");
        session.dialogs.modalSteps.enqueue(backUpTo(drive.path()));
        session.get<QAction>("mnuBackup")->trigger();
    }
    QCOMPARE(session.dialogs.messages.size(), 1);
    QCOMPARE(session.dialogs.lastText(), kBackupFailed);
    QCOMPARE(session.dialogs.messages.last().title, QString());
    QCOMPARE(session.dialogs.messages.last().icon, Dialogs::Icon::None);
    QCOMPARE(bytesOf(copy), earlier);
    QCOMPARE(filesIn(drive.path()), QStringList{QStringLiteral("Plonko.mdb")});
    QVERIFY(session.window->isVisible());
    QVERIFY(session.state.CollectionDb);
    QVERIFY(!session.state.UtilityRunning);
}

// A backup or a compaction cancelled from its progress says nothing, leaves
// no copy, and the window comes back over the collection as it was.
void TestUtilities::cancelledCopiesSayNothing()
{
    Session session;
    QTemporaryDir drive;
    const QByteArray before = bytesOf(session.collection.path());
    const QStringList files = filesIn(session.collection.folder());
    session.state.clock = [now = qint64(0)]() mutable { return now += 1000; };
    session.dialogs.cancelProgressAt = 1;
    session.dialogs.modalSteps.enqueue(backUpTo(drive.path()));
    session.get<QAction>("mnuBackup")->trigger();
    QCOMPARE(session.dialogs.progressTexts.size(), 1);
    QVERIFY(session.dialogs.progressTexts.last().startsWith(QStringLiteral("Copying the collection: ")));
    QVERIFY(filesIn(drive.path()).isEmpty());
    session.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    session.get<QAction>("mnuPack")->trigger();
    QCOMPARE(session.dialogs.progressTexts.size(), 2);
    QVERIFY(session.dialogs.progressTexts.last().startsWith(
        QStringLiteral("Compacting the collection: 0.0 of ")));
    QCOMPARE(session.dialogs.messages.size(), 1); // the question of compacting
    QCOMPARE(bytesOf(session.collection.path()), before);
    QCOMPARE(filesIn(session.collection.folder()), files);
    QVERIFY(session.window->isVisible());
    QVERIFY(session.state.CollectionDb);
    QVERIFY(!session.state.UtilityRunning);
}

// While the backup dialog is up the collection is closed, yet another copy
// of the program cannot take it, before the copy or after it; a copy that
// fails because another program got hold of the file says so, not that the
// disk failed.
void TestUtilities::theCollectionStaysHeldDuringTheBackup()
{
    Session session;
    QTemporaryDir drive;
    const QString path = session.collection.path();
    const auto secondCopy = [&] {
        QProcess copy;
        copy.start(QStringLiteral(OPEN_COLLECTION), {path});
        copy.waitForFinished();
        return copy.readAllStandardOutput().split(' ').value(0).trimmed().toInt();
    };
    int before = 0;
    int after = 0;
    session.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        before = secondCopy();
        backUpTo(drive.path())(dialog);
        after = secondCopy();
    });
    session.get<QAction>("mnuBackup")->trigger();
    QCOMPARE(before, int(DbError::FileInUse));
    QCOMPARE(after, int(DbError::FileInUse));
    QVERIFY(session.dialogs.messages.isEmpty());

    QProcess shell;
    session.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        // a handle of this process on the file closed ends its locks: the
        // moment another program can take the file
        QFile(path).open(QIODevice::ReadOnly);
        shell.start(QStringLiteral("sqlite3"), {path});
        shell.write("BEGIN EXCLUSIVE;\nSELECT 'held';\n");
        shell.waitForReadyRead(10000);
        QVERIFY(shell.readAllStandardOutput().contains("held"));
        backUpTo(drive.path())(dialog);
        shell.closeWriteChannel();
        shell.waitForFinished();
    });
    session.get<QAction>("mnuBackup")->trigger();
    QCOMPARE(
        session.dialogs.lastText(),
        QStringLiteral("Backup could not be Performed.  The collection file is in use by another program; "
                       "close that program, then back up again."));
    QVERIFY(session.state.CollectionDb);
    QVERIFY(!session.dialogs.ended);
}

// A collection sorted for another language is sorted again as it opens; on a
// disk without room for that, the start-up says how much room it needs and
// where, and leaves the file as it was.
void TestUtilities::noRoomToSortChangesNothing()
{
    TestCollection collection;
    {
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(collection.path()).constData(), &db);
        sqlite3_exec(db, "UPDATE SortOrder SET Signature = 'another language'", nullptr, nullptr, nullptr);
        sqlite3_close(db);
    }
    const QByteArray before = bytesOf(collection.path());
    QString said;
    {
        const Fault full(QStringLiteral("full"), "-journal");
        try {
            Database::OpenDatabase(collection.path());
        } catch (const DbError& e) {
            QCOMPARE(e.number(), int(DbError::DiskFull));
            said = e.description();
        }
    }
    const QString mb = QString::number(std::max<qint64>(1, (2 * before.size() + (1 << 20) - 1) >> 20));
    QCOMPARE(said,
             QStringLiteral("The collection must be sorted again for the system's language, which needs "
                            "about %1 MB free on the disk of the folder '%2'.  Nothing was changed.  Make "
                            "room on that disk, then start the program again.")
                 .arg(mb, collection.folder()));
    QCOMPARE(bytesOf(collection.path()), before);
    QCOMPARE(firstValue(collection.path(), "SELECT Signature FROM SortOrder"),
             QStringLiteral("another language"));
    Database::OpenDatabase(collection.path());
    QVERIFY(firstValue(collection.path(), "SELECT Signature FROM SortOrder") !=
            QStringLiteral("another language"));
}

void TestUtilities::packingDuringAnEdit_data()
{
    QTest::addColumn<Dialogs::Answer>("save");
    QTest::newRow("saved") << Dialogs::Answer::Yes;
    QTest::newRow("thrown away") << Dialogs::Answer::No;
    QTest::newRow("kept editing") << Dialogs::Answer::Cancel;
}

// The window asks about the unsaved edit as it closes; staying in the edit
// packs nothing, and either other answer comes back browsing on the first item.
void TestUtilities::packingDuringAnEdit()
{
    QFETCH(Dialogs::Answer, save);
    Session session;
    const QString first = session.text("txtName");
    session.click("cmdNext");
    session.type("txtName", QStringLiteral("Renamed"));
    QVERIFY(session.window->isDirty());
    session.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    session.dialogs.answers.enqueue(save);
    session.get<QAction>("mnuPack")->trigger();
    QCOMPARE(session.dialogs.messages.size(), 2);
    QCOMPARE(session.dialogs.messages.last().title, QStringLiteral("Save Changes"));
    const bool packed = save != Dialogs::Answer::Cancel;
    QCOMPARE(QFileInfo::exists(CF::kPreviousName), packed);
    QCOMPARE(session.window->isDirty(), !packed);
    QCOMPARE(session.get<QPushButton>("cmdUpdate")->isHidden(), packed);
    QCOMPARE(session.get<QPushButton>("cmdFirst")->isHidden(), !packed);
    QCOMPARE(session.get<QAction>("mnuExit")->isEnabled(), packed);
    QCOMPARE(session.text("txtName"), packed ? first : QStringLiteral("Renamed"));
    QVERIFY(session.window->isVisible());
    QVERIFY(!session.state.UtilityRunning);
    QVERIFY(!session.dialogs.busyNow);
    const long saved = session.state.db()
                           .OpenRecordset(QStringLiteral("Select * from Plonko where Name = 'Renamed'"),
                                          Database::RecordsetType::Snapshot)
                           ->RecordCount();
    QCOMPARE(saved, save == Dialogs::Answer::Yes ? 1 : 0);
}

// A compaction that cannot finish says so under its title and leaves the
// collection open as it was.
void TestUtilities::aPackThatFailsSaysSo()
{
    Session session;
    const QByteArray before = bytesOf(session.collection.path());
    {
        const Fault failed(QStringLiteral("rename"), QByteArray(), 1, 1);
        session.get<QAction>("mnuPack")->trigger();
    }
    QCOMPARE(session.dialogs.messages.size(), 2);
    const ScriptedDialogs::Message& said = session.dialogs.messages.last();
    QCOMPARE(said.title, QStringLiteral("Compact Database"));
    QCOMPARE(said.icon, Dialogs::Icon::Exclamation);
    QVERIFY(said.text.startsWith(QStringLiteral("The database could not be compacted.")));
    QVERIFY(said.text.endsWith(QStringLiteral("The collection is as it was, in Plonko.mdb.")));
    QVERIFY(session.window->isVisible());
    QVERIFY(session.state.CollectionDb);
    QCOMPARE(session.state.items().RecordCount(), 8);
    QVERIFY(!session.state.UtilityRunning);
    QVERIFY(!session.dialogs.busyNow);
    QVERIFY(!QFileInfo::exists(CF::kCompactedName));
    session.state.CollectionDb.reset();
    session.state.ItemSet.reset();
    QCOMPARE(bytesOf(session.collection.path()), before);
}

void TestUtilities::refusedWhileAWindowHoldsTheDatabase_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("command");
    for (const char* window : {"lookup", "custom report"})
        for (const char* command : {"mnuBackup", "mnuPack"})
            QTest::addRow("%s, %s", window, command)
                << QString::fromLatin1(window) << QString::fromLatin1(command);
}

void TestUtilities::refusedWhileAWindowHoldsTheDatabase()
{
    QFETCH(QString, window);
    QFETCH(QString, command);
    Session session;
    QWidget* open = nullptr;
    if (window == u"lookup") {
        open = LookupWindow(session, 3).window;
    } else {
        session.get<QAction>("mnuRptCustom")->trigger();
        open = session.window->findChild<frmRptSpec*>();
    }
    const Database* db = session.state.CollectionDb.get();
    session.get<QAction>(qPrintable(command))->trigger();
    QCOMPARE(session.dialogs.messages.size(), 1);
    QVERIFY(session.dialogs.lastText().startsWith(
        QStringLiteral("Please close the lookup and custom report windows first.")));
    QCOMPARE(session.dialogs.messages.last().icon, Dialogs::Icon::Exclamation);
    QVERIFY(session.dialogs.modalTitles.isEmpty());
    QCOMPARE(session.state.CollectionDb.get(), db);
    QVERIFY(session.window->isVisible());
    QVERIFY(!session.state.UtilityRunning);
    // closed, the window no longer stands in the way
    open->close();
    session.dialogs.messages.clear();
    session.get<QAction>(qPrintable(command))->trigger();
    QVERIFY(session.dialogs.messages.isEmpty() ||
            !session.dialogs.lastText().startsWith(QStringLiteral("Please")));
}

void TestUtilities::startUpFinishesAnInterruptedCompaction_data()
{
    QTest::addColumn<Dialogs::Answer>("answer");
    QTest::newRow("yes") << Dialogs::Answer::Yes;
    QTest::newRow("no") << Dialogs::Answer::No;
}

// Cut off between its two renames, a compaction left the collection under
// "Plonkodb.bak" and its copy under "Plonnew.mdb".
void TestUtilities::startUpFinishesAnInterruptedCompaction()
{
    QFETCH(Dialogs::Answer, answer);
    TestCollection collection;
    const QDir folder(collection.folder());
    CF::compactCollection(collection.path(), kEnglish);
    QVERIFY(QFile::rename(folder.filePath(CF::kPreviousName), folder.filePath(QStringLiteral("older"))));
    QVERIFY(QFile::rename(collection.path(), folder.filePath(CF::kCompactedName)));
    QVERIFY(QFile::rename(folder.filePath(QStringLiteral("older")), folder.filePath(CF::kPreviousName)));
    ScriptedDialogs dialogs;
    dialogs.answers.enqueue(answer);
    AppState state(dialogs, RegionalSettings(kEnglish));
    QDir::setCurrent(collection.folder());
    frmMain window(state);
    runEvent(state, [&] { window.Form_Load(); });
    QVERIFY(dialogs.messages.first().text.startsWith(
        QStringLiteral("The collection file Plonko.mdb is missing: a compaction of it was interrupted.")));
    QCOMPARE(dialogs.messages.first().buttons, Dialogs::Buttons::YesNo);
    if (answer == Dialogs::Answer::Yes) {
        QCOMPARE(dialogs.messages.size(), 1);
        QCOMPARE(state.items().RecordCount(), 8);
        QCOMPARE(filesIn(collection.folder()), QStringList({"Plonko.mdb", "Plonkodb.bak"}));
    } else {
        // nothing is made in the collection's place: the program ends as
        // when the file is missing, and the files stay for another try
        QVERIFY(dialogs.ended);
        QCOMPARE(filesIn(collection.folder()), QStringList({"Plonkodb.bak", "Plonnew.mdb"}));
    }
}

QTEST_MAIN(TestUtilities)
#include "tst_utilities.moc"
