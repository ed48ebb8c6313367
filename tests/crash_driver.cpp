// crash_driver run FOLDER SEED [--no-transactions] [--only-sales] | reopen FOLDER
//              | hold-import FOLDER FILE
//
// Opens the collection in FOLDER as the program does and, in run mode, makes
// one change after another through the windows until it is killed: items
// added, changed, deleted, partly and wholly sold, photos added, removed and
// moved, lookup entries added, renamed and deleted, the collection compacted
// and backed up, items imported from a file (some with a photo).
// Before each change it writes "begin N what" and after it is stored "done N",
// so the crash test knows what was stored and which change was cut off.
// Reopen mode opens the collection (finishing what a crash left) and ends.
// Hold-import mode imports FILE and, once the summary is shown, says
// "summary shown: " and its first line, then waits to be killed.
#include "CrashPhotos.h"
#include "ItemSession.h"

#include "csv/CsvText.h"
#include "items/ItemListModel.h"
#include "items/frmItemList.h"
#include "lookups/LookupTables.h"
#include "lookups/frmCodesMaint.h"
#include "photos/PhotoStrip.h"
#include "store/Database.h"
#include "store/PhotoTables.h"
#include "utilities/frmBackup.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QTableView>
#include <QThread>

#include <cstdio>
#include <map>
#include <random>
#include <set>

namespace {

constexpr int kMostHoldings = 24;
// imports of more items than the collection holds stop at this size
constexpr qint64 kMostForBulk = 1000;
// photos are drawn from this many pictures, so that some are shared
constexpr int kPictures = 200;
constexpr int kMostPhotos = 6;

void say(const QString& line)
{
    std::printf("%s\n", qPrintable(line));
    std::fflush(stdout);
}

[[noreturn]] void fail(const QString& why)
{
    std::fprintf(stderr, "crash_driver: %s\n", qPrintable(why));
    std::exit(3);
}

// The number after prefix in text ("Crash 12" → 12), or -1.
int numberAfter(const QString& text, const QString& prefix)
{
    if (!text.startsWith(prefix))
        return -1;
    bool ok = false;
    const int n = text.mid(prefix.size()).toInt(&ok);
    return ok ? n : -1;
}

class Driver
{
public:
    Driver(const QString& folder, ScriptedDialogs& dialogs, AppState& state, frmMain& window)
        : m_folder(folder)
        , m_dialogs(dialogs)
        , m_state(state)
        , m_window(window)
    {}

    void loop(unsigned seed, bool onlySales)
    {
        std::mt19937 random(seed);
        readWhatIsThere();
        for (int step = 1;; ++step) {
            QCoreApplication::processEvents();
            const int roll = int(random() % 100);
            if (onlySales) {
                const std::optional<int> n = holdingToSell(random);
                if (n)
                    sell(step, *n, random);
                else
                    add(step, random);
                continue;
            }
            if (roll < 16 || m_holdings.empty())
                m_holdings.size() < kMostHoldings ? add(step, random) : deleteItem(step, random);
            else if (roll < 32)
                update(step, random);
            else if (roll < 42)
                deleteItem(step, random);
            else if (roll < 56) {
                if (const std::optional<int> n = holdingToSell(random))
                    sell(step, *n, random);
                else
                    update(step, random);
            } else if (roll < 60)
                sellAll(step, random);
            else if (roll < 74)
                lookup(step, random);
            else if (roll < 84)
                photos(step, random);
            else if (roll < 89)
                compact(step);
            else if (roll < 94)
                backup(step);
            else
                import(step, random);
        }
    }

private:
    // The items this driver added, with the key and quantity of each holding
    // (the row not sold), and the lookup entries it added.
    void readWhatIsThere()
    {
        m_holdings.clear();
        std::unique_ptr<PhotoTables> photos = m_state.db().OpenPhotoTables();
        std::unique_ptr<Recordset> items =
            m_state.db().OpenRecordset(QStringLiteral("Select PlonID, Name, quantity, sold from Plonko where "
                                                      "Name like 'Crash *'"),
                                       Database::RecordsetType::Snapshot);
        for (; !items->AtEOF(); items->MoveNext()) {
            const int n =
                numberAfter(textOf(items->Fields(QStringLiteral("Name"))), QStringLiteral("Crash "));
            m_nextItem = std::max(m_nextItem, n + 1);
            if (n >= 0 && items->Fields(QStringLiteral("sold")) == Value(false)) {
                const qint32 key = longOf(items->Fields(QStringLiteral("PlonID"))).value_or(0);
                m_holdings[n] = {key, longOf(items->Fields(QStringLiteral("quantity"))).value_or(0),
                                 int(photos->photosOf(key).size())};
            }
        }
        m_inUse.clear();
        for (int table = 1; table <= 6; ++table) {
            m_entries[table].clear();
            const LookupTableInfo& info = lookupTableInfo(table);
            std::unique_ptr<Recordset> rows = m_state.db().OpenRecordset(QString::fromLatin1(info.query),
                                                                         Database::RecordsetType::Snapshot);
            for (; !rows->AtEOF(); rows->MoveNext()) {
                const int m = numberAfter(textOf(rows->Fields(QString::fromLatin1(info.descField))),
                                          QStringLiteral("Crash entry "));
                if (m < 0)
                    continue;
                m_entries[table].push_back(m);
                m_nextEntry = std::max(m_nextEntry, m + 1);
                // an entry items name cannot be deleted
                const QString key = textOf(rows->Fields(QString::fromLatin1(info.idField)));
                if (m_state.db()
                        .OpenRecordset(QString::fromLatin1(info.inUseQuery) + key,
                                       Database::RecordsetType::Snapshot)
                        ->RecordCount() > 0)
                    m_inUse.insert(m);
            }
        }
    }

    template <class T> T* item(const char* name) { return control<T>(&m_window, name); }
    void click(const char* name) { item<QPushButton>(name)->click(); }
    void type(const char* name, const QString& text)
    {
        auto* box = item<QLineEdit>(name);
        box->setFocus();
        box->selectAll();
        box->insert(text);
    }

    void begin(int step, const QString& what)
    {
        failOnMessages(step);
        m_dialogs.messages.clear();
        say(QStringLiteral("begin %1 %2").arg(step).arg(what));
    }
    // Only questions are expected; a message is a failure the test must see.
    void failOnMessages(int step)
    {
        if (m_dialogs.ended)
            fail(QStringLiteral("step %1 ended the program: %2").arg(step).arg(m_dialogs.lastText()));
        for (const ScriptedDialogs::Message& message : m_dialogs.messages)
            if (message.buttons == Dialogs::Buttons::Ok)
                fail(QStringLiteral("step %1 said: %2").arg(step).arg(message.text));
    }

    void done(int step)
    {
        failOnMessages(step);
        if (m_window.isDirty() || m_window.isAdding())
            fail(QStringLiteral("step %1 left the item window editing").arg(step));
        say(QStringLiteral("done %1").arg(step));
    }

    template <class Map> static auto pick(Map& map, std::mt19937& random)
    {
        auto at = map.begin();
        std::advance(at, random() % map.size());
        return at;
    }

    std::optional<int> holdingToSell(std::mt19937& random)
    {
        std::vector<int> sellable;
        for (const auto& [n, holding] : m_holdings)
            if (holding.quantity >= 2)
                sellable.push_back(n);
        if (sellable.empty())
            return std::nullopt;
        return sellable[random() % sellable.size()];
    }

    // Shows a holding through the item list: its name typed in the filter,
    // its row chosen, Enter.
    void show(int n)
    {
        if (!m_list) {
            m_window.findChild<QAction*>(QStringLiteral("mnuItemList"))->trigger();
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* list = qobject_cast<frmItemList*>(top))
                    m_list = list;
            if (!m_list)
                fail(QStringLiteral("the item list did not open"));
        }
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(m_list, &activation);
        auto* filter = control<QLineEdit>(m_list, "txtFilter");
        filter->selectAll();
        filter->insert(QStringLiteral("Crash %1").arg(n));
        auto* grid = control<QTableView>(m_list, "grdItems");
        const int row = m_list->model().rowOf(m_holdings.at(n).key);
        if (row < 0)
            fail(QStringLiteral("Crash %1 is not in the list").arg(n));
        grid->setCurrentIndex(m_list->model().index(row, ItemListModel::Name));
        QTest::keyClick(grid, Qt::Key_Return);
        if (m_state.items().Fields(QStringLiteral("PlonID")) != Value(m_holdings.at(n).key))
            fail(QStringLiteral("the list did not show Crash %1").arg(n));
    }

    void add(int step, std::mt19937& random)
    {
        const int n = m_nextItem++;
        const int quantity = 2 + int(random() % 8);
        const QString color = QStringLiteral("Color%1").arg(random() % 1000);
        begin(step, QStringLiteral("add %1 %2 %3").arg(n).arg(quantity).arg(color));
        click("cmdAddNew");
        type("txtName", QStringLiteral("Crash %1").arg(n));
        type("txtQuantity", QString::number(quantity));
        type("txtColor", color);
        type("txtPricePaid", QStringLiteral("2.5"));
        click("cmdUpdate");
        m_holdings[n] = {longOf(m_state.items().Fields(QStringLiteral("PlonID"))).value_or(0), quantity, 0};
        done(step);
    }

    void update(int step, std::mt19937& random)
    {
        const int n = pick(m_holdings, random)->first;
        const QString color = QStringLiteral("Color%1").arg(random() % 1000);
        show(n);
        begin(step, QStringLiteral("update %1 %2").arg(n).arg(color));
        type("txtColor", color);
        click("cmdUpdate");
        done(step);
    }

    void deleteItem(int step, std::mt19937& random)
    {
        const int n = pick(m_holdings, random)->first;
        show(n);
        begin(step, QStringLiteral("delete %1").arg(n));
        click("cmdDelete"); // the question is answered Yes
        m_holdings.erase(n);
        done(step);
    }

    void sell(int step, int n, std::mt19937& random)
    {
        Holding& holding = m_holdings.at(n);
        const int sold = 1 + int(random() % (holding.quantity - 1));
        show(n);
        begin(step, QStringLiteral("sale %1 %2").arg(n).arg(sold));
        m_dialogs.inputs.enqueue(QString::number(sold));
        click("cmdSoldSome");
        holding.quantity -= sold;
        done(step);
    }

    // The whole holding sold: the row itself is marked sold.
    void sellAll(int step, std::mt19937& random)
    {
        const int n = pick(m_holdings, random)->first;
        show(n);
        begin(step, QStringLiteral("sellall %1").arg(n));
        m_dialogs.inputs.enqueue(QString::number(m_holdings.at(n).quantity));
        click("cmdSoldSome");
        m_holdings.erase(n);
        done(step);
    }

    // The file of photo m, written once.
    QString photoFile(int m, const QString& folder)
    {
        const QString path = QDir(m_folder).filePath(folder + QStringLiteral("/%1.bmp").arg(m));
        if (QFile::exists(path))
            return path;
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(crashPhoto(m)) < 0)
            fail(QStringLiteral("cannot write %1").arg(path));
        return path;
    }

    // Photos added to a holding through "Add Photos...", or one removed or
    // moved a place on with Ctrl+Right; then "Update".
    void photos(int step, std::mt19937& random)
    {
        const auto chosen = pick(m_holdings, random);
        const int n = chosen->first;
        Holding& holding = chosen->second;
        const int action = holding.photos == 0 ? 0 : int(random() % 3);
        show(n);
        auto* strip = item<QListWidget>("lstPhotos");
        if (action == 0 && holding.photos < kMostPhotos) {
            QStringList files;
            QStringList numbers;
            for (int i = 1 + int(random() % 3); i > 0; --i) {
                const int m = int(random() % kPictures);
                files.append(photoFile(m, QStringLiteral("photos")));
                numbers.append(QString::number(m));
            }
            begin(step, QStringLiteral("photoadd %1 %2").arg(n).arg(numbers.join(u' ')));
            m_dialogs.fileLists.enqueue(files);
            click("cmdAddPhotos");
            holding.photos += int(files.size());
        } else if (action == 1 || holding.photos < 2) {
            const int at = int(random() % holding.photos);
            strip->setCurrentRow(at);
            begin(step, QStringLiteral("photoremove %1 %2").arg(n).arg(at));
            click("cmdRemovePhoto"); // the question is answered Yes
            --holding.photos;
        } else {
            const int at = int(random() % (holding.photos - 1));
            strip->setCurrentRow(at);
            begin(step, QStringLiteral("photomove %1 %2").arg(n).arg(at));
            QTest::keyClick(strip, Qt::Key_Right, Qt::ControlModifier);
        }
        click("cmdUpdate");
        done(step);
    }

    void lookup(int step, std::mt19937& random)
    {
        const int table = 1 + int(random() % 6);
        std::vector<int>& entries = m_entries[table];
        int action = entries.empty() ? 0 : int(random() % 3);
        m_window.findChild<QAction*>(QStringLiteral("mnuMaint(%1)").arg(table))->trigger();
        frmCodesMaint* maint = m_window.findChildren<frmCodesMaint*>().last();
        auto press = [&](const char* name) { control<QPushButton>(maint, name)->click(); };
        auto typeDesc = [&](const QString& text) {
            auto* box = control<QLineEdit>(maint, "txtDesc");
            box->selectAll();
            box->insert(text);
        };
        const auto chosen = entries.empty() ? entries.end() : entries.begin() + random() % entries.size();
        if (action == 2 && m_inUse.contains(*chosen))
            action = 1;
        if (action > 0) {
            m_dialogs.inputs.enqueue(QStringLiteral("Crash entry %1").arg(*chosen));
            press("cmdFind");
            if (control<QLineEdit>(maint, "txtDesc")->text() != QStringLiteral("Crash entry %1").arg(*chosen))
                fail(QStringLiteral("lookup entry Crash entry %1 not found").arg(*chosen));
        }
        const int m = m_nextEntry++;
        if (action == 0) {
            begin(step, QStringLiteral("lookupadd %1 %2").arg(table).arg(m));
            press("cmdAddNew");
            typeDesc(QStringLiteral("Crash entry %1").arg(m));
            press("cmdUpdate");
            entries.push_back(m);
        } else if (action == 1) {
            begin(step, QStringLiteral("lookupchange %1 %2 %3").arg(table).arg(*chosen).arg(m));
            typeDesc(QStringLiteral("Crash entry %1").arg(m));
            press("cmdUpdate");
            if (m_inUse.erase(*chosen))
                m_inUse.insert(m);
            *chosen = m;
        } else {
            begin(step, QStringLiteral("lookupdelete %1 %2").arg(table).arg(*chosen));
            press("cmdDelete"); // the question is answered Yes
            entries.erase(chosen);
        }
        if (maint->isDirty())
            fail(QStringLiteral("the lookup window is still editing"));
        done(step);
        press("cmdOK");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void compact(int step)
    {
        begin(step, QStringLiteral("compact"));
        m_window.findChild<QAction*>(QStringLiteral("mnuPack"))->trigger(); // answered Yes
        m_list = nullptr; // the list closes with the collection
        done(step);
        readWhatIsThere(); // the keys of the rows stay, but read them as a restart would
    }

    void backup(int step)
    {
        const QString drive = QDir(m_folder).filePath(QStringLiteral("backup"));
        QDir().mkpath(drive);
        m_dialogs.modalSteps.enqueue([drive](QDialog& dialog) {
            auto& chooser = static_cast<frmBackup&>(dialog);
            chooser.Drive1->addItem(drive, drive);
            chooser.Drive1->setCurrentIndex(chooser.Drive1->count() - 1);
            chooser.cmdOk->click();
        });
        begin(step, QStringLiteral("backup"));
        m_window.findChild<QAction*>(QStringLiteral("mnuBackup"))->trigger();
        m_list = nullptr;
        done(step);
        readWhatIsThere();
    }

    // A few items, or now and then (while the collection is small) more
    // than it holds, which sets its indexes aside while they are written;
    // each names a new brand.
    void import(int step, std::mt19937& random)
    {
        const int first = m_nextItem;
        const qint64 held = m_state.db().RowCount(QStringLiteral("Plonko"));
        const int count = random() % 4 == 0 && held < kMostForBulk ? int(held) + 1 : 1 + int(random() % 4);
        const int quantity = 2 + int(random() % 8);
        const int brand = m_nextEntry++;
        // half the files list a photo for every item, from the folder beside them
        const int photo = random() % 2 == 0 ? int(random() % kPictures) : -1;
        if (photo >= 0)
            photoFile(photo, QStringLiteral("import_photos"));
        QStringList header{QStringLiteral("Name"), QStringLiteral("Quantity"), QStringLiteral("Color"),
                           QStringLiteral("Brand")};
        if (photo >= 0)
            header.append(QStringLiteral("Photos"));
        QString text = Csv::line(header) + QStringLiteral("\r\n");
        for (int i = 0; i < count; ++i) {
            QStringList fields{QStringLiteral("Crash %1").arg(first + i), QString::number(quantity),
                               QStringLiteral("Imported"), QStringLiteral("Crash entry %1").arg(brand)};
            if (photo >= 0)
                fields.append(QStringLiteral("%1.bmp").arg(photo));
            text += Csv::line(fields) + QStringLiteral("\r\n");
        }
        const QString path = QDir(m_folder).filePath(QStringLiteral("import.csv"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0)
            fail(QStringLiteral("cannot write %1").arg(path));
        file.close();
        m_dialogs.fileNames.enqueue(path);
        m_dialogs.modalSteps.enqueue(
            [](QDialog& dialog) { control<QPushButton>(&dialog, "cmdImport")->click(); });
        begin(step, QStringLiteral("import %1 %2 %3 %4%5")
                        .arg(first)
                        .arg(count)
                        .arg(quantity)
                        .arg(brand)
                        .arg(photo >= 0 ? QStringLiteral(" %1").arg(photo) : QString()));
        m_window.findChild<QAction*>(QStringLiteral("mnuImport"))->trigger();
        done(step);
        readWhatIsThere();
    }

    struct Holding
    {
        qint32 key;
        qint32 quantity;
        int photos = 0;
    };

    QString m_folder;
    ScriptedDialogs& m_dialogs;
    AppState& m_state;
    frmMain& m_window;
    QPointer<frmItemList> m_list;
    std::map<int, Holding> m_holdings;
    std::map<int, std::vector<int>> m_entries;
    std::set<int> m_inUse; // entries items name, by number
    int m_nextItem = 1;
    int m_nextEntry = 1;
};

} // namespace

int main(int argc, char* argv[])
{
    // the offscreen windows cannot be raised or sized by hint; saying so
    // after every change would bury what a failure writes
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& message) {
        if (!message.startsWith(QStringLiteral("This plugin does not support")))
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    });
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool run = args.size() >= 4 && args[1] == u"run";
    const bool hold = args.size() == 4 && args[1] == u"hold-import";
    if (!run && !hold && !(args.size() == 3 && args[1] == u"reopen")) {
        std::fprintf(stderr, "usage: crash_driver run FOLDER SEED [--no-transactions] [--only-sales] | "
                             "reopen FOLDER | hold-import FOLDER FILE\n");
        return 2;
    }
    QApplication::setQuitOnLastWindowClosed(false);
    QDir::setCurrent(args[2]);
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    frmMain window(state);
    runEvent(state, [&] { window.Form_Load(); });
    window.show();
    for (const ScriptedDialogs::Message& message : dialogs.messages)
        say(QStringLiteral("said: ") + QString(message.text).replace(u'\n', u' '));
    if (dialogs.ended || !state.CollectionDb)
        fail(QStringLiteral("the collection did not open: ") + dialogs.lastText());
    // a question (to put back a collection a compaction left) is expected; a
    // message would be a fault found at start-up
    for (const ScriptedDialogs::Message& message : dialogs.messages)
        if (message.buttons == Dialogs::Buttons::Ok)
            fail(QStringLiteral("the start-up said: ") + message.text);
    say(QStringLiteral("ready"));
    if (hold) {
        dialogs.fileNames.enqueue(args[3]);
        dialogs.modalSteps.enqueue([](QDialog& dialog) {
            say(QStringLiteral("summary shown: ") +
                control<QLabel>(&dialog, "lblSummary")->text().section(u'\n', 0, 0));
            for (;;)
                QThread::sleep(60);
        });
        window.findChild<QAction*>(QStringLiteral("mnuImport"))->trigger();
        fail(QStringLiteral("the import ended without its summary"));
    }
    if (!run)
        return 0;
    if (args.contains(QStringLiteral("--no-transactions")))
        state.db().ignoreTransactions();
    Driver(args[2], dialogs, state, window)
        .loop(args[3].toUInt(), args.contains(QStringLiteral("--only-sales")));
}
