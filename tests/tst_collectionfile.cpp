#include "ItemSession.h"
#include "LookupWindow.h"

#include "store/CollectionSchema.h"

#include <QProcess>
#include <QStandardPaths>

#include <cstdio>
#include <unistd.h>

namespace {

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList column(Session& s, const char* sql, const char* field)
{
    QStringList values;
    std::unique_ptr<Recordset> rs =
        s.state.db().OpenRecordset(QString::fromLatin1(sql), Database::RecordsetType::Snapshot);
    for (; rs->RecordCount() != 0 && !rs->AtEOF(); rs->MoveNext())
        values.append(textOf(rs->Fields(QString::fromLatin1(field))));
    return values;
}

const char* const kItems = "Select * from Plonko order by PlonID";

// The one message of a moved file, and that the program went on.
void checkMovedMessage(Session& s, qsizetype from)
{
    QVERIFY(!s.dialogs.ended);
    QCOMPARE(s.dialogs.messages.size(), from + 1);
    QCOMPARE(s.dialogs.messages.last().title, QStringLiteral("Collection File Moved"));
}

// Gives up what is being entered and shows every row in turn: no row the
// store refused may linger in the window's recordset.
void walkEveryItem(Session& s)
{
    const qsizetype messages = s.dialogs.messages.size();
    if (!s.get("cmdCancel")->isHidden())
        s.click("cmdCancel");
    s.click("cmdFirst");
    for (long i = 0; i < s.state.items().RecordCount(); ++i)
        s.click("cmdNext");
    QVERIFY(!s.dialogs.ended);
    QCOMPARE(s.dialogs.messages.size(), messages);
}

} // namespace

class TestCollectionFile : public QObject
{
    Q_OBJECT

private slots:
    void nothingIsSavedIntoAFileNoLongerThere_data();
    void nothingIsSavedIntoAFileNoLongerThere();
    void saleCutShortKeepsBothRows();
    void unwritableFileOrFolderIsRefusedAtStart_data();
    void unwritableFileOrFolderIsRefusedAtStart();
    void newCollectionCommandLine_data();
    void newCollectionCommandLine();
};

void TestCollectionFile::nothingIsSavedIntoAFileNoLongerThere_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("replaced"); // false: deleted
    QTest::addColumn<bool>("savedBefore");
    const char* const actions[] = {
        "update item",         "add another item",         "add item, then update",
        "delete item",         "sell whole holding",       "sell part of a holding",
        "update lookup entry", "add another lookup entry", "delete lookup entry"};
    for (const char* action : actions) {
        for (bool replaced : {true, false}) {
            for (bool savedBefore : {false, true}) {
                QTest::addRow("%s, file %s %s", action, replaced ? "replaced" : "deleted",
                              savedBefore ? "after a save" : "before any save")
                    << QString::fromLatin1(action) << replaced << savedBefore;
            }
        }
    }
}

void TestCollectionFile::nothingIsSavedIntoAFileNoLongerThere()
{
    QFETCH(QString, action);
    QFETCH(bool, replaced);
    QFETCH(bool, savedBefore);
    Session s;
    const QString path = s.collection.path();
    if (savedBefore) {
        s.type("txtColor", QStringLiteral("Teal"));
        s.click("cmdUpdate");
        QVERIFY(s.dialogs.messages.isEmpty());
    }
    const QStringList quantities = column(s, kItems, "quantity");
    // another file renamed over it, as a sync tool does, or none at all
    QByteArray other = "<missing>";
    if (replaced) {
        const QString copy = s.collection.folder() + QStringLiteral("/Plonko.tmp");
        CollectionSchema::createCollection(copy);
        other = contents(copy);
        QCOMPARE(std::rename(qPrintable(copy), qPrintable(path)), 0);
    } else {
        QVERIFY(QFile::remove(path));
    }

    if (action == QLatin1String("update item")) {
        s.type("txtColor", QStringLiteral("Plum"));
        s.click("cmdUpdate");
        checkMovedMessage(s, 0);
        QVERIFY(s.window->isDirty() && !s.get("cmdUpdate")->isHidden());
        QCOMPARE(s.text("txtColor"), QStringLiteral("Plum"));
    } else if (action.startsWith(QLatin1String("add"))) {
        const bool lookup = action.contains(QLatin1String("lookup"));
        if (lookup) {
            LookupWindow m(s, 3);
            m.click("cmdAddNew");
            m.type("txtDesc", QStringLiteral("Plonko Giants"));
            m.click("cmdAddNew");
            checkMovedMessage(s, 0);
            QVERIFY(m.window->isAdding() && m.shown("cmdUpdate"));
            QCOMPARE(m.text("txtDesc"), QStringLiteral("Plonko Giants"));
            m.click("cmdCancel");
        } else {
            s.click("cmdAddNew");
            s.type("txtName", QStringLiteral("Nutmeg"));
            s.type("txtCatNum", QStringLiteral("4071"));
            s.click(action.contains(QLatin1String("update")) ? "cmdUpdate" : "cmdAddNew");
            checkMovedMessage(s, 0);
            QVERIFY(s.window->isAdding() && !s.get("cmdUpdate")->isHidden());
            QCOMPARE(s.get<QPushButton>("cmdAddNew")->text(), QStringLiteral("&Add Another"));
            QCOMPARE(s.text("txtName"), QStringLiteral("Nutmeg"));
            QCOMPARE(s.text("txtCatNum"), QStringLiteral("4071"));
        }
    } else if (action == QLatin1String("delete item")) {
        const QString shown = s.text("txtDescr");
        s.click("cmdDelete");
        checkMovedMessage(s, 1); // after the question
        QCOMPARE(s.text("txtDescr"), shown);
        QCOMPARE(s.state.items().RecordCount(), 8L);
        QCOMPARE(textOf(s.state.items().Fields(QStringLiteral("descr"))), shown);
    } else if (action == QLatin1String("sell whole holding")) {
        s.click("cmdNext"); // Abby the aardvark, one held
        s.click("cmdSoldSome");
        checkMovedMessage(s, 0);
        QVERIFY(!s.get<QCheckBox>("chkSold")->isChecked());
        QCOMPARE(s.state.items().Fields(QStringLiteral("sold")), Value(false));
    } else if (action == QLatin1String("sell part of a holding")) {
        s.get<QAction>("mnuSort(3)")->trigger();
        s.click("cmdLast"); // Cubby, three held
        s.dialogs.inputs.enqueue(QStringLiteral("1"));
        s.click("cmdSoldSome");
        checkMovedMessage(s, 0);
        QCOMPARE(s.text("txtQuantity"), QStringLiteral("3"));
        QCOMPARE(s.state.items().Fields(QStringLiteral("quantity")), Value(qint32(3)));
    } else if (action == QLatin1String("update lookup entry")) {
        LookupWindow m(s, 3);
        m.type("txtDesc", QStringLiteral("Plonko Classic"));
        m.click("cmdUpdate");
        checkMovedMessage(s, 0);
        QVERIFY(m.window->isDirty() && m.shown("cmdUpdate"));
        QCOMPARE(m.text("txtDesc"), QStringLiteral("Plonko Classic"));
        m.click("cmdCancel");
    } else if (action == QLatin1String("delete lookup entry")) {
        LookupWindow m(s, 4);
        QCOMPARE(m.text("txtDesc"), QStringLiteral("Birthday Bunch")); // in no item
        m.click("cmdDelete");
        checkMovedMessage(s, 1);
        QCOMPARE(m.text("txtDesc"), QStringLiteral("Birthday Bunch"));
        m.click("cmdLast");
        m.click("cmdFirst");
        QCOMPARE(m.text("txtDesc"), QStringLiteral("Birthday Bunch"));
    } else {
        QFAIL("unknown action");
    }
    const QString text = s.dialogs.lastText();
    QVERIFY2(text.contains(path) && text.contains(QStringLiteral("moved, replaced or deleted")) &&
                 text.contains(QStringLiteral("Nothing was saved")),
             qPrintable(text));
    QCOMPARE(column(s, kItems, "quantity"), quantities);
    walkEveryItem(s);
    QCOMPARE(contents(path), other);

    // closing leaves the file now at the path alone, with no journal to roll into it
    s.window.reset();
    s.state.ItemSet.reset();
    s.state.CollectionDb.reset();
    QCOMPARE(contents(path), other);
    QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
}

void TestCollectionFile::saleCutShortKeepsBothRows()
{
    Session s;
    s.get<QAction>("mnuSort(3)")->trigger();
    s.click("cmdLast"); // Cubby, three held
    const QStringList quantities = column(s, kItems, "quantity");
    s.state.db().failNextWrites(1, DbError::FileMoved, 1); // the holding's write is refused
    s.dialogs.inputs.enqueue(QStringLiteral("1"));
    s.click("cmdSoldSome");
    checkMovedMessage(s, 0);
    QCOMPARE(s.text("txtQuantity"), QStringLiteral("3"));
    QCOMPARE(s.state.items().Fields(QStringLiteral("quantity")), Value(qint32(3)));
    QCOMPARE(column(s, kItems, "quantity"), quantities);
    walkEveryItem(s);
    QCOMPARE(s.state.items().RecordCount(), 8L);
}

void TestCollectionFile::unwritableFileOrFolderIsRefusedAtStart_data()
{
    QTest::addColumn<bool>("fileWritable");
    QTest::addColumn<bool>("folderWritable");
    QTest::addColumn<QString>("cause"); // empty: the file opens
    QTest::newRow("both writable") << true << true << QString();
    QTest::newRow("read-only file, writable folder") << false << true << "the file is read-only.";
    QTest::newRow("writable file, read-only folder")
        << true << false
        << "is read-only, so the journal that keeps the file safe while saving cannot be made";
    QTest::newRow("both read-only") << false << false << "the file is read-only.";
}

// Root writes whatever the modes say, so the check runs as another user.
void TestCollectionFile::unwritableFileOrFolderIsRefusedAtStart()
{
    QFETCH(bool, fileWritable);
    QFETCH(bool, folderWritable);
    QFETCH(QString, cause);
    QStringList command;
    if (geteuid() == 0) {
        const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
        if (setpriv.isEmpty())
            QSKIP("running as root, which ignores file modes, and setpriv (to run the check as nobody) is "
                  "missing");
        command = {setpriv, QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                   QStringLiteral("--clear-groups")};
    }
    using P = QFileDevice;
    const auto everyone =
        P::ReadOwner | P::ReadGroup | P::ReadOther | P::ExeOwner | P::ExeGroup | P::ExeOther;
    const auto writable = P::WriteOwner | P::WriteGroup | P::WriteOther;
    // nobody must reach the folder, and root's own temporary folder (TMPDIR)
    // may be closed to others
    QTemporaryDir dir(command.isEmpty() ? QDir::tempPath() + QStringLiteral("/tst_collectionfile-XXXXXX")
                                        : QStringLiteral("/tmp/tst_collectionfile-XXXXXX"));
    QVERIFY(dir.isValid());
    QVERIFY(QFile::setPermissions(dir.path(), everyone | P::WriteOwner));
    const QString helper = dir.filePath(QStringLiteral("open_collection"));
    QVERIFY(QFile::copy(QStringLiteral(OPEN_COLLECTION), helper));
    const QString folder = dir.filePath(QStringLiteral("collection"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/Plonko.mdb");
    CollectionSchema::createCollection(path);
    const QByteArray before = contents(path);
    QVERIFY(QFile::setPermissions(path, (everyone & ~(P::ExeOwner | P::ExeGroup | P::ExeOther)) |
                                            (fileWritable ? writable : P::Permissions())));
    QVERIFY(QFile::setPermissions(folder, everyone | (folderWritable ? writable : P::Permissions())));

    QProcess open;
    command << helper << path;
    open.start(command.takeFirst(), command);
    QVERIFY(open.waitForFinished());
    QFile::setPermissions(folder, everyone | writable); // so that the folder can be removed
    const QString output = QString::fromUtf8(open.readAllStandardOutput()).trimmed();
    QVERIFY2(open.exitCode() == 0, open.readAllStandardError().constData());
    if (cause.isEmpty()) {
        QCOMPARE(output, QStringLiteral("0"));
    } else {
        QVERIFY2(
            output.startsWith(QStringLiteral("3027 The collection file '%1' cannot be written: ").arg(path)),
            qPrintable(output));
        QVERIFY2(output.contains(cause), qPrintable(output));
        QVERIFY2(output.contains(QStringLiteral("Nothing could be saved")), qPrintable(output));
        if (!folderWritable && fileWritable)
            QVERIFY2(output.contains(folder), qPrintable(output));
    }
    if (!cause.isEmpty())
        QCOMPARE(contents(path), before); // a writable file may have been brought up to date
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("Plonko.mdb")});
}

void TestCollectionFile::newCollectionCommandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("made"); // the one file the command leaves, or none
    QTest::addColumn<bool>("usage");   // on standard output with 0, on standard error with 2
    QTest::newRow("--help") << QStringList{QStringLiteral("--help")} << 0 << QString() << true;
    QTest::newRow("-h") << QStringList{QStringLiteral("-h")} << 0 << QString() << true;
    QTest::newRow("help beside a file")
        << QStringList{QStringLiteral("c.mdb"), QStringLiteral("--help")} << 0 << QString() << true;
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--version")} << 2 << QString() << true;
    QTest::newRow("unknown option and a file")
        << QStringList{QStringLiteral("-x"), QStringLiteral("c.mdb")} << 2 << QString() << true;
    QTest::newRow("no file") << QStringList() << 2 << QString() << true;
    QTest::newRow("two files") << QStringList{QStringLiteral("a.mdb"), QStringLiteral("b.mdb")} << 2
                               << QString() << true;
    QTest::newRow("a file") << QStringList{QStringLiteral("c.mdb")} << 0 << QStringLiteral("c.mdb") << false;
    QTest::newRow("a file named with a minus")
        << QStringList{QStringLiteral("./-c.mdb")} << 0 << QStringLiteral("-c.mdb") << false;
}

void TestCollectionFile::newCollectionCommandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, made);
    QFETCH(bool, usage);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QProcess newdb;
    newdb.setWorkingDirectory(dir.path());
    newdb.start(QStringLiteral(NEWDB), args);
    QVERIFY(newdb.waitForFinished());
    QCOMPARE(newdb.exitStatus(), QProcess::NormalExit);
    QCOMPARE(newdb.exitCode(), status);
    const QByteArray said = status == 0 ? newdb.readAllStandardOutput() : newdb.readAllStandardError();
    QCOMPARE(said.contains("usage: plonko-newdb FILE [--sample N]"), usage);
    const QStringList left = QDir(dir.path()).entryList(QDir::Files);
    QCOMPARE(left, made.isEmpty() ? QStringList() : QStringList{made});
}

QTEST_MAIN(TestCollectionFile)
#include "tst_collectionfile.moc"
