#include "ItemSession.h"

#include "items/ColumnWidths.h"
#include "items/ItemListModel.h"
#include "items/frmItemList.h"
#include "store/CollectionSchema.h"

#include <QFontDatabase>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>
#include <QWindow>

using RecordsetType = Database::RecordsetType;

namespace {

// A Japanese family scripts/setup installs for the tests (fonts-vlgothic),
// named so that no other the machine has takes its place: proportional, its
// average character near a full width.
const QString kWideJapanese = QStringLiteral("VL PGothic");

// The model alone over a test collection, as the list window holds it.
struct ListOnly
{
    explicit ListOnly(bool withItems = true)
        : collection(withItems)
        , state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)))
        , model(state)
    {
        state.CollectionDb = collection.open();
    }

    void addItems(const QStringList& names)
    {
        std::unique_ptr<Recordset> items =
            state.db().OpenRecordset(QStringLiteral("Select * from Plonko"), RecordsetType::Dynaset);
        for (const QString& name : names) {
            items->AddNew();
            items->SetField(QStringLiteral("Name"), name);
            items->Update();
        }
    }

    QList<qint32> keys() const
    {
        QList<qint32> out;
        for (int row = 0; row < model.rowCount(); ++row)
            out.append(model.keyAt(row));
        return out;
    }

    QStringList column(int column) const
    {
        QStringList out;
        for (int row = 0; row < model.rowCount(); ++row)
            out.append(model.data(model.index(row, column)).toString());
        return out;
    }

    TestCollection collection;
    ScriptedDialogs dialogs;
    AppState state;
    ItemListModel model;
};

// The list windows open now: each is a window of its own.
QList<frmItemList*> listWindows()
{
    QList<frmItemList*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* list = qobject_cast<frmItemList*>(widget))
            windows.append(list);
    }
    return windows;
}

frmItemList* openList(Session& s)
{
    s.get<QAction>("mnuItemList")->trigger();
    const QList<frmItemList*> windows = listWindows();
    if (windows.size() != 1)
        qFatal("%d list windows", int(windows.size()));
    return windows[0];
}

QList<qint32> reversed(QList<qint32> keys)
{
    std::reverse(keys.begin(), keys.end());
    return keys;
}

} // namespace

class TestItemList : public QObject
{
    Q_OBJECT

private slots:
    void eachHeadingOrdersItsColumn_data();
    void eachHeadingOrdersItsColumn();
    void theFilterIgnoresLetterCase_data();
    void theFilterIgnoresLetterCase();
    void fullWidthAndPlainFormsFindEachOther_data();
    void fullWidthAndPlainFormsFindEachOther();
    void typedWildcardsMatchThemselves_data();
    void typedWildcardsMatchThemselves();
    void cellsShowAsTheItemWindowShowsThem();
    void rowsAreReadAsTheyAreShown();
    void aRefreshShowsTheCollectionAsItStands();
    void oneWindowOpensFromTheViewMenu();
    void enterShowsTheItemInTheItemWindow_data();
    void enterShowsTheItemInTheItemWindow();
    void anUnsavedEditKeepsTheItemWindowWhereItIs_data();
    void anUnsavedEditKeepsTheItemWindowWhereItIs();
    void lettersTypedInTheTableGoToTheFilter();
    void aFailedReadIsToldAndReadAgain();
    void theListFollowsTheItemWindowKeepingTheSelection();
    void escapeClearsTheFilterAndTheCountFollows();
    void theCountGroupsItsDigitsAsTheLanguageDoes_data();
    void theCountGroupsItsDigitsAsTheLanguageDoes();
    void theListClosesWithTheCollection();
    void everyColumnIsReadableAtTheFirstSize_data();
    void everyColumnIsReadableAtTheFirstSize();
    void narrowColumnsGiveWayDownToTheirLeast_data();
    void narrowColumnsGiveWayDownToTheirLeast();
};

// Items of the test collection by key, in each column's order (ascending);
// descending is the exact reverse. Empty values come first, yes/no marks last.
void TestItemList::eachHeadingOrdersItsColumn_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QList<qint32>>("ascending");
    QTest::newRow("name, then description")
        << int(ItemListModel::Name) << QList<qint32>{6, 4, 1, 8, 2, 3, 5, 7};
    QTest::newRow("description") << int(ItemListModel::Description) << QList<qint32>{5, 4, 3, 8, 1, 2, 6, 7};
    // 9 before 10, 40 before 401, "Style 45-B" by its number
    QTest::newRow("catalog number") << int(ItemListModel::CatalogNumber)
                                    << QList<qint32>{6, 7, 8, 2, 1, 4, 5, 3};
    QTest::newRow("quantity, then name")
        << int(ItemListModel::Quantity) << QList<qint32>{6, 4, 8, 2, 7, 1, 3, 5};
    // by the descriptions: none, Excellent, Mint
    QTest::newRow("condition") << int(ItemListModel::Condition) << QList<qint32>{6, 8, 2, 5, 7, 3, 1, 4};
    QTest::newRow("price paid") << int(ItemListModel::PricePaid) << QList<qint32>{6, 4, 5, 7, 8, 3, 1, 2};
    QTest::newRow("catalog value") << int(ItemListModel::CatalogValue)
                                   << QList<qint32>{6, 8, 2, 3, 7, 5, 1, 4};
    QTest::newRow("for sale") << int(ItemListModel::ForSale) << QList<qint32>{4, 8, 2, 3, 5, 7, 6, 1};
    QTest::newRow("want list") << int(ItemListModel::WantList) << QList<qint32>{6, 1, 4, 3, 5, 7, 8, 2};
    QTest::newRow("sold") << int(ItemListModel::Sold) << QList<qint32>{6, 1, 4, 8, 2, 5, 7, 3};
}

void TestItemList::eachHeadingOrdersItsColumn()
{
    QFETCH(int, column);
    QFETCH(QList<qint32>, ascending);
    ListOnly list;
    list.model.sort(column, Qt::AscendingOrder);
    QCOMPARE(list.keys(), ascending);
    list.model.sort(column, Qt::DescendingOrder);
    QCOMPARE(list.keys(), reversed(ascending));
    // a filter keeps the order
    list.model.setFilter(QStringLiteral("b"));
    QList<qint32> matching = reversed(ascending);
    matching.removeIf(
        [](qint32 key) { return key != 1 && key != 2 && key != 3 && key != 4 && key != 5 && key != 7; });
    QCOMPARE(list.keys(), matching);
}

void TestItemList::theFilterIgnoresLetterCase_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("names");
    const QStringList everyItem = {"",      "Abby", "Abby",  "Ace",    "bubbles",
                                   "Cubby", "Dot",  "Émile", "straße", "Zed"};
    QTest::newRow("nothing typed") << "" << everyItem;
    // in a name, and in a description ("abby's friend")
    QTest::newRow("name and description") << "ABBY" << QStringList{"Abby", "Abby", "Cubby"};
    QTest::newRow("catalog number") << "45-b" << QStringList{"Dot"};
    QTest::newRow("middle of a word") << "UBB" << QStringList{"bubbles", "Cubby"};
    QTest::newRow("accented capital") << "émile" << QStringList{"Émile"};
    QTest::newRow("accented small") << "ÉMILE" << QStringList{"Émile"};
    QTest::newRow("capital sharp s") << "STRAẞE" << QStringList{"straße"};
    QTest::newRow("no match") << "zzz" << QStringList{};
}

void TestItemList::theFilterIgnoresLetterCase()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, names);
    ListOnly list;
    list.addItems({QStringLiteral("Émile"), QStringLiteral("straße")});
    list.model.setFilter(filter);
    QCOMPARE(list.column(ItemListModel::Name), names);
    QCOMPARE(list.model.itemCount(), 10);
}

void TestItemList::fullWidthAndPlainFormsFindEachOther_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("name");
    // each form alone: typed, and stored
    const char* const rows[][3] = {{"full-width letters typed", "ＧＥＣＫＯ", "Gecko"},
                                   {"full-width letters stored", "GECKO", "ＧＥＣＫＯ"},
                                   {"full-width small letters typed", "ｇｅｃ", "GECKO"},
                                   {"full-width digits typed", "１２", "Lot 12"},
                                   {"full-width digits stored", "12", "Lot １２"},
                                   {"half-width katakana typed", "ｶﾞｰﾙ", "ガール"},
                                   {"ligature stored", "fi", "ﬁsh"}};
    for (const auto& [row, typed, stored] : rows)
        QTest::newRow(row) << QString::fromUtf8(typed) << QString::fromUtf8(stored);
}

// What is typed finds the same letters and digits in their compatibility
// forms, and the other way round, letter case aside as ever.
void TestItemList::fullWidthAndPlainFormsFindEachOther()
{
    QFETCH(QString, filter);
    QFETCH(QString, name);
    ListOnly list(false);
    list.addItems({QStringLiteral("plain"), QStringLiteral("Lot 13"), name});
    list.model.setFilter(filter);
    QCOMPARE(list.column(ItemListModel::Name), QStringList{name});
}

void TestItemList::typedWildcardsMatchThemselves_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("name");
    for (const char* typed : {"*", "?", "#", "[", "]", "%", "_", "'", "\"", "!", "-"})
        QTest::newRow(typed) << QString::fromLatin1(typed)
                             << QStringLiteral("a%1b").arg(QLatin1String(typed));
    QTest::newRow("[a-z]") << "[a-z]"
                           << "x[a-z]y";
    QTest::newRow("capital beside a wildcard") << "A*"
                                               << "a*b";
    QTest::newRow("accented capital beside a wildcard") << "É#"
                                                        << "é#1";
    QTest::newRow("' or 1=1 --") << "' or 1=1 --"
                                 << "' or 1=1 --";
}

// What is typed is looked for as it stands: the characters of like patterns
// and of SQL match themselves alone.
void TestItemList::typedWildcardsMatchThemselves()
{
    QFETCH(QString, filter);
    QFETCH(QString, name);
    ListOnly list(false);
    list.addItems({QStringLiteral("plain"), QStringLiteral("x"), name});
    list.model.setFilter(filter);
    QCOMPARE(list.column(ItemListModel::Name), QStringList{name});
}

void TestItemList::cellsShowAsTheItemWindowShowsThem()
{
    ListOnly list;
    list.model.refresh();
    const int abby = list.model.rowOf(1);
    const auto cell = [&](int column, int role = Qt::DisplayRole) {
        return list.model.data(list.model.index(abby, column), role);
    };
    QCOMPARE(list.model.columnCount(), int(ItemListModel::ColumnCount));
    QStringList shown;
    QStringList headings;
    for (int column = 0; column < ItemListModel::ColumnCount; ++column) {
        shown.append(cell(column).toString());
        headings.append(list.model.headerData(column, Qt::Horizontal).toString());
    }
    QCOMPARE(shown,
             (QStringList{"", "Abby", "Brown bear", "10", "2", "Mint", "$3.00", "$4.00", "Yes", "", ""}));
    QCOMPARE(headings, (QStringList{"Photo", "Name", "Description", "Catalog Number", "Quantity", "Condition",
                                    "Price Paid", "Catalog Value", "For Sale", "Want List", "Sold"}));
    for (const int column :
         {ItemListModel::Quantity, ItemListModel::PricePaid, ItemListModel::CatalogValue}) {
        QVERIFY(cell(column, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
        QVERIFY(list.model.headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>() &
                Qt::AlignRight);
    }
    QVERIFY(cell(ItemListModel::Name, Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignLeft);
    // a value absent shows nothing
    const int owl = list.model.rowOf(6);
    QCOMPARE(list.model.data(list.model.index(owl, ItemListModel::PricePaid)).toString(), QString());
    QCOMPARE(list.model.data(list.model.index(owl, ItemListModel::Condition)).toString(), QString());
}

// The fields of a row are read when it is asked for, and only a bounded
// number of rows are held however far the list is scrolled.
void TestItemList::rowsAreReadAsTheyAreShown()
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("Plonko.mdb"));
    CollectionSchema::createCollection(path, 5000);
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    state.CollectionDb = Database::OpenDatabase(path);
    frmItemList window(state, [](qint32) { return true; });
    window.show();
    QEvent activation(QEvent::WindowActivate);
    QApplication::sendEvent(&window, &activation);
    window.grab();
    ItemListModel& model = window.model();
    QCOMPARE(model.rowCount(), 5000);
    QVERIFY2(model.rowsHeld() > 0 && model.rowsHeld() <= 128, qPrintable(QString::number(model.rowsHeld())));
    for (int row = 0; row < model.rowCount(); row += 7)
        QVERIFY(!model.data(model.index(row, ItemListModel::Name)).toString().isNull());
    QVERIFY(model.rowsHeld() <= 2048);
    // what was dropped is read again
    const QString first = model.data(model.index(0, ItemListModel::Name)).toString();
    model.sort(ItemListModel::Name, Qt::AscendingOrder);
    QCOMPARE(model.data(model.index(0, ItemListModel::Name)).toString(), first);
}

void TestItemList::aRefreshShowsTheCollectionAsItStands()
{
    ListOnly list;
    list.model.refresh();
    list.model.data(list.model.index(0, ItemListModel::Name));
    QCOMPARE(list.model.rowsHeld(), 8);
    list.model.refreshIfChanged(); // nothing written: the rows read stay
    QCOMPARE(list.model.rowsHeld(), 8);
    list.addItems({QStringLiteral("Aaron")});
    QCOMPARE(list.model.rowCount(), 8); // read when asked
    list.model.refreshIfChanged();
    QCOMPARE(list.model.rowCount(), 9);
    QCOMPARE(list.model.rowsHeld(), 0);
    QCOMPARE(list.column(ItemListModel::Name).mid(0, 2), (QStringList{"", "Aaron"}));
    std::unique_ptr<Recordset> dot = list.state.db().OpenRecordset(
        QStringLiteral("Select * from Plonko where PlonID = 5"), RecordsetType::Dynaset);
    dot->Delete();
    list.model.refreshIfChanged();
    QCOMPARE(list.model.rowOf(5), -1);
    QCOMPARE(list.model.rowCount(), 8);
}

void TestItemList::oneWindowOpensFromTheViewMenu()
{
    Session s;
    auto* open = s.get<QAction>("mnuItemList");
    QCOMPARE(open->text(), QStringLiteral("Item &List"));
    QCOMPARE(open->shortcut(), QKeySequence(QStringLiteral("Ctrl+L")));
    open->trigger();
    open->trigger();
    const QList<frmItemList*> windows = listWindows();
    QCOMPARE(windows.size(), 1);
    QCOMPARE(windows[0]->windowTitle(), QStringLiteral("Plonko List"));
    QVERIFY(windows[0]->isVisible());
    // not kept above the item window, which must come in front to show an item
    QVERIFY(!windows[0]->windowHandle()->transientParent());
    QCOMPARE(control<QLabel>(windows[0], "lblCount")->text(), QStringLiteral("8 items"));
}

void TestItemList::enterShowsTheItemInTheItemWindow_data()
{
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("shown");
    // typed in the filter, Down into the table, Enter
    QTest::newRow("down, enter") << QStringList{"Down", "Return"} << "Cubby";
    QTest::newRow("down twice, enter") << QStringList{"Down", "Down", "Enter"} << "Cubby";
    QTest::newRow("enter in the filter") << QStringList{"Return"} << "Cubby";
}

void TestItemList::enterShowsTheItemInTheItemWindow()
{
    QFETCH(QStringList, keys);
    QFETCH(QString, shown);
    Session s;
    auto* list = openList(s);
    QApplication::setActiveWindow(list);
    auto* filter = control<QLineEdit>(list, "txtFilter");
    filter->setFocus();
    QTest::keyClicks(filter, QStringLiteral("friend"));
    QCOMPARE(control<QLabel>(list, "lblCount")->text(), QStringLiteral("1 of 8 items"));
    pressKeys(keys);
    QCOMPARE(s.text("txtName"), shown);
    QCOMPARE(s.text("txtDescr"), QStringLiteral("abby's friend"));
    QVERIFY(s.dialogs.messages.isEmpty());

    // a double-click shows another
    filter->clear();
    auto* grid = control<QTableView>(list, "grdItems");
    const QRect cell = grid->visualRect(list->model().index(list->model().rowOf(8), ItemListModel::Name));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
    QCOMPARE(s.text("txtName"), QStringLiteral("Ace"));
    // and the item window's buttons go on from there, in its own order
    s.click("cmdNext");
    QCOMPARE(s.text("txtName"), QStringLiteral("bubbles"));
}

void TestItemList::anUnsavedEditKeepsTheItemWindowWhereItIs_data()
{
    QTest::addColumn<bool>("adding");
    QTest::newRow("a change not saved") << false;
    QTest::newRow("a new item, nothing typed yet") << true;
}

void TestItemList::anUnsavedEditKeepsTheItemWindowWhereItIs()
{
    QFETCH(bool, adding);
    Session s;
    if (adding)
        s.click("cmdAddNew");
    else
        s.type("txtColor", QStringLiteral("Teal"));
    QVERIFY(s.window->isDirty() || s.window->isAdding());
    const QString editing = s.text("txtName");
    auto* list = openList(s);
    auto* filter = control<QLineEdit>(list, "txtFilter");
    filter->setFocus();
    QTest::keyClicks(filter, QStringLiteral("zebra"));
    QTest::keyClick(filter, Qt::Key_Return);
    QCOMPARE(s.dialogs.messages.size(), 1);
    QCOMPARE(s.dialogs.messages[0].title, QStringLiteral("Plonko List"));
    QCOMPARE(s.dialogs.lastText(),
             QStringLiteral("Please save or cancel the changes to the item you are editing first."));
    QCOMPARE(s.text("txtName"), editing);
    QCOMPARE(s.text("txtColor"), adding ? QString() : QStringLiteral("Teal"));
    QCOMPARE(s.window->isAdding(), adding);
    QCOMPARE(s.window->isDirty(), !adding);
}

void TestItemList::theListFollowsTheItemWindowKeepingTheSelection()
{
    Session s;
    auto* list = openList(s);
    auto* grid = control<QTableView>(list, "grdItems");
    auto* count = control<QLabel>(list, "lblCount");
    const auto activateList = [&] {
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(list, &activation);
    };
    const auto selectedName = [&] {
        return list->model()
            .data(list->model().index(grid->currentIndex().row(), ItemListModel::Name))
            .toString();
    };
    grid->setCurrentIndex(list->model().index(list->model().rowOf(5), ItemListModel::Name)); // Dot

    // added before it in the list's order
    s.click("cmdAddNew");
    s.type("txtName", QStringLiteral("Aaron"));
    s.click("cmdUpdate");
    activateList();
    QCOMPARE(count->text(), QStringLiteral("9 items"));
    QCOMPARE(selectedName(), QStringLiteral("Dot"));

    // renamed: it moves, and stays selected
    s.click("cmdFirst");
    while (s.text("txtName") != QStringLiteral("Dot"))
        s.click("cmdNext");
    s.type("txtName", QStringLiteral("Dottie"));
    s.click("cmdUpdate");
    activateList();
    QCOMPARE(selectedName(), QStringLiteral("Dottie"));

    // a condition renamed in its lookup list
    {
        std::unique_ptr<Recordset> mint = s.state.db().OpenRecordset(
            QStringLiteral("Select * from condition where ConID = 1"), RecordsetType::Dynaset);
        mint->Edit();
        mint->SetField(QStringLiteral("ConDesc"), QStringLiteral("Mint in box"));
        mint->Update();
    }
    activateList();
    QCOMPARE(
        list->model().data(list->model().index(list->model().rowOf(1), ItemListModel::Condition)).toString(),
        QStringLiteral("Mint in box"));
    QCOMPARE(selectedName(), QStringLiteral("Dottie"));

    // deleted: the row in its place is selected
    const int row = grid->currentIndex().row();
    s.dialogs.answers.enqueue(Dialogs::Answer::Yes);
    s.click("cmdDelete");
    activateList();
    QCOMPARE(count->text(), QStringLiteral("8 items"));
    QCOMPARE(grid->currentIndex().row(), row);
    const QString next = selectedName();

    // sold in part: the pieces sold are an item of their own
    s.click("cmdFirst");
    while (s.text("txtName") != QStringLiteral("Cubby"))
        s.click("cmdNext");
    s.dialogs.inputs.enqueue(QStringLiteral("1"));
    s.click("cmdSoldSome");
    activateList();
    QCOMPARE(count->text(), QStringLiteral("9 items"));
    QCOMPARE(selectedName(), next);
}

void TestItemList::escapeClearsTheFilterAndTheCountFollows()
{
    Session s;
    auto* list = openList(s);
    auto* filter = control<QLineEdit>(list, "txtFilter");
    auto* count = control<QLabel>(list, "lblCount");
    filter->setFocus();
    QTest::keyClicks(filter, QStringLiteral("b"));
    QCOMPARE(count->text(), QStringLiteral("6 of 8 items"));
    QTest::keyClicks(filter, QStringLiteral("ubb"));
    QCOMPARE(count->text(), QStringLiteral("1 of 8 items"));
    QTest::keyClick(filter, Qt::Key_Escape);
    QCOMPARE(filter->text(), QString());
    QCOMPARE(count->text(), QStringLiteral("8 items"));
    QVERIFY(list->isVisible());
}

void TestItemList::theCountGroupsItsDigitsAsTheLanguageDoes_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<qint64>("shown");
    QTest::addColumn<qint64>("of"); // -1 without a filter
    QTest::addColumn<QString>("text");
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    QTest::newRow("en_US every item") << english << qint64(100000) << qint64(-1) << "100,000 items";
    QTest::newRow("en_US filtered") << english << qint64(1234) << qint64(100000) << "1,234 of 100,000 items";
    QTest::newRow("en_US one") << english << qint64(1) << qint64(-1) << "1 item";
    QTest::newRow("de_DE every item") << german << qint64(100000) << qint64(-1) << "100.000 items";
    QTest::newRow("de_DE filtered") << german << qint64(1234) << qint64(100000) << "1.234 of 100.000 items";
}

void TestItemList::theCountGroupsItsDigitsAsTheLanguageDoes()
{
    QFETCH(QLocale, locale);
    QFETCH(qint64, shown);
    QFETCH(qint64, of);
    QFETCH(QString, text);
    QCOMPARE(itemCountText(shown, of < 0 ? std::nullopt : std::optional<qint64>(of), locale), text);
}

// Backing up closes the collection: the list, which reads it, closes first.
void TestItemList::theListClosesWithTheCollection()
{
    Session s;
    QPointer<frmItemList> list = openList(s);
    s.state.UtilityRunning = true;
    QVERIFY(s.window->closeForUtility());
    QVERIFY(!list);
    s.window->reopenAfterUtility();
    s.state.UtilityRunning = false;
    QCOMPARE(control<QLabel>(openList(s), "lblCount")->text(), QStringLiteral("8 items"));
}

void TestItemList::everyColumnIsReadableAtTheFirstSize_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("family");
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << QString();
    QTest::newRow("ja_JP VL PGothic") << japanese << kWideJapanese;
    // its Latin letters half its ideographs' width
    QTest::newRow("ja_JP VL Gothic") << japanese << QStringLiteral("VL Gothic");
}

// At its first size every heading and a typical value of each column show
// whole, without resizing a column or the window, in the font the desktop
// gives the language (the application's, or the family named).
void TestItemList::everyColumnIsReadableAtTheFirstSize()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, family);
    const QFont font = QApplication::font();
    const QLocale before;
    const auto restore = qScopeGuard([&] {
        QApplication::setFont(font);
        QLocale::setDefault(before);
    });
    QLocale::setDefault(locale);
    if (!family.isEmpty()) {
        // known by its English name in every language of the desktop
        QVERIFY2(QFontDatabase::hasFamily(family),
                 qPrintable(family + QStringLiteral(" is not installed (scripts/setup tests installs it)")));
        QFont named = font;
        named.setFamily(family);
        const QFontMetrics metrics(named);
        if (family == kWideJapanese)
            QVERIFY(metrics.averageCharWidth() > metrics.horizontalAdvance(QStringLiteral("n")) * 3 / 2);
        QApplication::setFont(named);
    }
    Session s(true, locale);
    auto* list = openList(s);
    auto* grid = control<QTableView>(list, "grdItems");
    const QFontMetrics metrics = grid->fontMetrics();
    const QString amount = s.state.regional.formatCurrency(Money::fromUnits(1234 * Money::kScale));
    const QString typical[ItemListModel::ColumnCount] = {"",
                                                         "Bartholomew the Bear",
                                                         "Brown bear with bow",
                                                         "Style 45-B",
                                                         "1000",
                                                         "Near Mint",
                                                         amount,
                                                         amount,
                                                         "Yes",
                                                         "Yes",
                                                         "Yes"};
    int right = 0;
    QVERIFY(grid->isColumnHidden(ItemListModel::Photo)); // no item has photos
    for (int column = ItemListModel::Name; column < ItemListModel::ColumnCount; ++column) {
        const QString heading = list->model().headerData(column, Qt::Horizontal).toString();
        const int needed = std::max(metrics.horizontalAdvance(typical[column]),
                                    grid->horizontalHeader()->fontMetrics().horizontalAdvance(heading));
        QVERIFY2(grid->columnWidth(column) > needed, qPrintable(heading));
        right = std::max(right, grid->columnViewportPosition(column) + grid->columnWidth(column));
    }
    QVERIFY2(right <= grid->viewport()->width(),
             qPrintable(QStringLiteral("%1 > %2").arg(right).arg(grid->viewport()->width())));
}

void TestItemList::narrowColumnsGiveWayDownToTheirLeast_data()
{
    QTest::addColumn<int>("room");
    QTest::addColumn<QList<int>>("widths");
    // wanted 300 (narrows to 200), 100 (narrows to 60), 50, 40 (narrows to
    // 40; wants less than its least)
    QTest::newRow("room enough") << 500 << QList<int>{300, 100, 50, 40};
    QTest::newRow("the widest gives way first") << 450 << QList<int>{260, 100, 50, 40};
    QTest::newRow("down to a width they share") << 360 << QList<int>{200, 70, 50, 40};
    QTest::newRow("no column below its least") << 350 << QList<int>{200, 60, 50, 40};
    QTest::newRow("too little room for the least") << 349 << QList<int>{300, 100, 50, 40};
}

void TestItemList::narrowColumnsGiveWayDownToTheirLeast()
{
    QFETCH(int, room);
    QFETCH(QList<int>, widths);
    QCOMPARE(fittedWidths({{300, 200, true}, {100, 60, true}, {50, 0, false}, {20, 40, true}}, room), widths);
}

// The table's own search by typed letters would read row after row; a
// letter typed there narrows the list instead.
void TestItemList::lettersTypedInTheTableGoToTheFilter()
{
    Session s;
    auto* list = openList(s);
    QApplication::setActiveWindow(list);
    auto* grid = control<QTableView>(list, "grdItems");
    grid->setFocus();
    grid->setCurrentIndex(list->model().index(0, ItemListModel::PricePaid));
    QTest::keyClicks(grid, QStringLiteral("zeb"));
    QCOMPARE(control<QLineEdit>(list, "txtFilter")->text(), QStringLiteral("zeb"));
    QCOMPARE(control<QLabel>(list, "lblCount")->text(), QStringLiteral("1 of 8 items"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(s.text("txtName"), QStringLiteral("Zed"));
}

// A block of rows that cannot be read shows empty, is told once, and is read
// afresh when the list is next activated, though nothing was written.
void TestItemList::aFailedReadIsToldAndReadAgain()
{
    ListOnly list;
    list.model.refresh();
    QSignalSpy failures(&list.model, &ItemListModel::readFailed);
    list.state.CollectionDb.reset();
    QCOMPARE(list.model.data(list.model.index(0, ItemListModel::Description)).toString(), QString());
    QCOMPARE(list.model.data(list.model.index(1, ItemListModel::Description)).toString(), QString());
    QTRY_COMPARE(failures.size(), 1);
    QCOMPARE(failures[0][0].toInt(), int(DbError::ObjectNotSet));
    list.state.CollectionDb = list.collection.open();
    list.model.refreshIfChanged();
    QCOMPARE(list.model.data(list.model.index(1, ItemListModel::Description)).toString(),
             QStringLiteral("Aardvark"));
}

QTEST_MAIN(TestItemList)
#include "tst_itemlist.moc"
