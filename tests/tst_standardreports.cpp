#include "ReportSession.h"

#include "reports/GroupedReports.h"
#include "reports/ReportFile.h"
#include "reports/frmOutput.h"
#include "reports/frmRptSel.h"

#include <QListWidget>

#include <sqlite3.h>

#include <functional>

namespace {

using Report = std::function<void(AppState&, ReportPreview&)>;

// A grouped report of the kind, all groups chosen in its dialog.
Report grouped(ScriptedDialogs& dialogs, int kind)
{
    return [&dialogs, kind](AppState& state, ReportPreview& preview) {
        state.GroupReportKind = kind;
        dialogs.modalSteps.enqueue([](QDialog& dialog) { control<QPushButton>(&dialog, "cmdOk")->click(); });
        ReportGrouped(state, preview);
    };
}

struct Item
{
    const char* name;
    const char* descr;
    const char* catnum;
    qint32 quantity;
    bool forSale, want, sold;
    int toycon, brand;
    const char* paid;
    const char* value;
    const char* ask;
};

// The test collection with four more items, a fourth brand and a sixth
// series (first in the list, without items): an item both
// for sale and wanted, one sold below cost, and a brand held twice (2 and 3
// pieces); Corner Toy Shop is a favourite seller with a phone and notes.
void addReportItems(Reports& reports)
{
    Database& db = reports.state.db();
    std::unique_ptr<Recordset> brands =
        db.OpenRecordset(QStringLiteral("Select * from brand"), Database::RecordsetType::Dynaset);
    brands->AddNew();
    brands->SetField(QStringLiteral("braDesc"), QStringLiteral("Plonko Originals"));
    brands->Update();
    // a series first in the list, so that no series stands at the row of its key
    std::unique_ptr<Recordset> series =
        db.OpenRecordset(QStringLiteral("Select * from series"), Database::RecordsetType::Dynaset);
    series->AddNew();
    series->SetField(QStringLiteral("serDesc"), QStringLiteral("Autumn Set"));
    series->Update();
    std::unique_ptr<Recordset> seller = db.OpenRecordset(
        QStringLiteral("Select * from boughtfrom where bouID = 1"), Database::RecordsetType::Dynaset);
    seller->Edit();
    seller->SetField(QStringLiteral("BouFav"), true);
    seller->SetField(QStringLiteral("BouPhone"), QStringLiteral("555-0100"));
    seller->SetField(QStringLiteral("bounotes"), QStringLiteral("Opens at 9 & closes at 5"));
    seller->Update();
    const Item items[] = {
        {"Wanda", "Walrus", "21", 1, true, true, false, 2, 1, "4.25", nullptr, "6"},
        {"Sunk", "Seal", "30", 1, false, false, true, 3, 1, "10.5", nullptr, "4"},
        {"Minnie", "Mouse", "12", 2, false, false, false, 0, 4, "1.5", "2", nullptr},
        {"Moose", "Brown moose", "13", 3, false, false, false, 0, 4, nullptr, "3", nullptr},
    };
    std::unique_ptr<Recordset> rs =
        db.OpenRecordset(QStringLiteral("Select * from Plonko"), Database::RecordsetType::Dynaset);
    auto money = [](const char* text) {
        return text ? Value(*Money::fromDouble(QByteArray(text).toDouble())) : Value();
    };
    for (const Item& item : items) {
        rs->AddNew();
        rs->SetField(QStringLiteral("Name"), QString::fromUtf8(item.name));
        rs->SetField(QStringLiteral("descr"), QString::fromUtf8(item.descr));
        rs->SetField(QStringLiteral("catnum"), QString::fromUtf8(item.catnum));
        rs->SetField(QStringLiteral("quantity"), item.quantity);
        rs->SetField(QStringLiteral("forsale"), item.forSale);
        rs->SetField(QStringLiteral("wantlist"), item.want);
        rs->SetField(QStringLiteral("sold"), item.sold);
        rs->SetField(QStringLiteral("toycon"), item.toycon ? Value(qint32(item.toycon)) : Value());
        rs->SetField(QStringLiteral("braID"), Value(qint32(item.brand)));
        rs->SetField(QStringLiteral("pricepaid"), money(item.paid));
        rs->SetField(QStringLiteral("catvalue"), money(item.value));
        rs->SetField(QStringLiteral("priceask"), money(item.ask));
        rs->Update();
    }
}

} // namespace

namespace {

// The reports by name, as the golden files and the tables below call them.
QHash<QString, Report> reportsByName(ScriptedDialogs& dialogs)
{
    return {{QStringLiteral("plonkos"), ReportItemList},    {QStringLiteral("wantlist"), ReportWantList},
            {QStringLiteral("sellers"), ReportSellers},     {QStringLiteral("sales"), ReportSales},
            {QStringLiteral("value"), ReportValue},         {QStringLiteral("series"), grouped(dialogs, 4)},
            {QStringLiteral("brand"), grouped(dialogs, 3)}, {QStringLiteral("seller"), grouped(dialogs, 2)}};
}

QList<QStringList> rowsOf(const ReportEngine& document)
{
    QList<QStringList> rows;
    for (int page = 1; page <= document.pageCount(); ++page)
        for (const ReportEngine::PlacedRow& row : document.rowsOn(page))
            rows.append(row.cells);
    return rows;
}

// Runs a report to a destination; the text of its file, if it wrote one.
QByteArray runTo(Reports& reports, const Report& report, int destination)
{
    const QString file = reports.path(QStringLiteral("report"));
    QFile::remove(file);
    reports.state.ReportDest = destination;
    if (destination != 1)
        reports.dialogs.fileNames.enqueue(file);
    runEvent(reports.state, [&] { report(reports.state, reports.preview); });
    return contents(file);
}

// Picks the group of that name in the group dialog, then presses OK.
void pickGroup(ScriptedDialogs& dialogs, const QString& group)
{
    dialogs.modalSteps.enqueue([group](QDialog& dialog) {
        control<QRadioButton>(&dialog, "optSelected")->click();
        auto* list = control<QListWidget>(&dialog, "List1");
        const QList<QListWidgetItem*> found = list->findItems(group, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        list->setCurrentItem(found.first());
        control<QPushButton>(&dialog, "cmdOk")->click();
    });
}

} // namespace

class StandardReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void filesMatchTheirGoldenFiles_data();
    void filesMatchTheirGoldenFiles();
    void menuRunsEachReport_data();
    void menuRunsEachReport();
    void previewDocuments_data();
    void previewDocuments();
    void salesWorkedExample_data();
    void salesWorkedExample();
    void lossShowsAsANegativeAmount();
    void oneBrandWorkedExample_data();
    void oneBrandWorkedExample();
    void groupDialogDefaultsToAllGroups_data();
    void groupDialogDefaultsToAllGroups();
    void groupDialogAsksForAPick();
    void groupDialogListChoosesWhatHasTheFocus();
    void groupDialogPicksByKey_data();
    void groupDialogPicksByKey();
    void groupDialogWaysOut_data();
    void groupDialogWaysOut();
    void plainAmounts_data();
    void plainAmounts();
    void emptyQuantityCountsNoPieces();
    void amountsTooLargeStopTheReport_data();
    void amountsTooLargeStopTheReport();
};

void StandardReportsTest::filesMatchTheirGoldenFiles_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("destination");
    for (const char* report :
         {"plonkos", "wantlist", "sellers", "sales", "value", "series", "brand", "seller"})
        for (const QLocale& locale : {kEnglish, kGerman})
            for (int destination : {2, 3})
                QTest::addRow("%s, %s, %s", report, qPrintable(locale.name()),
                              destination == 2 ? "text" : "html")
                    << QString::fromLatin1(report) << locale << destination;
}

// PLONKO_WRITE_GOLDEN=1 writes the golden files anew from what the reports make.
void StandardReportsTest::filesMatchTheirGoldenFiles()
{
    QFETCH(QString, report);
    QFETCH(QLocale, locale);
    QFETCH(int, destination);
    Reports reports(true, locale);
    addReportItems(reports);
    const QHash<QString, Report> run{{QStringLiteral("plonkos"), ReportItemList},
                                     {QStringLiteral("wantlist"), ReportWantList},
                                     {QStringLiteral("sellers"), ReportSellers},
                                     {QStringLiteral("sales"), ReportSales},
                                     {QStringLiteral("value"), ReportValue},
                                     {QStringLiteral("series"), grouped(reports.dialogs, 4)},
                                     {QStringLiteral("brand"), grouped(reports.dialogs, 3)},
                                     {QStringLiteral("seller"), grouped(reports.dialogs, 2)}};
    const QString golden = report + QLatin1Char('-') + locale.name() +
                           (destination == 2 ? QStringLiteral(".txt") : QStringLiteral(".htm"));
    const QString file = reports.path(golden);
    reports.state.ReportDest = destination;
    reports.dialogs.fileNames.enqueue(file);
    runEvent(reports.state, [&] { reportsByName(reports.dialogs)[report](reports.state, reports.preview); });
    QCOMPARE(reports.dialogs.messages.size(), 0);
    const QByteArray made = contents(file);
    const QString goldenPath = QFINDTESTDATA("golden/reports") + QLatin1Char('/') + golden;
    if (qEnvironmentVariableIsSet("PLONKO_WRITE_GOLDEN"))
        write(goldenPath, made);
    QCOMPARE(made, contents(goldenPath));
}

void StandardReportsTest::menuRunsEachReport_data()
{
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("grouped");
    QTest::addColumn<QString>("textName");
    QTest::addColumn<QString>("htmlName");
    QTest::newRow("by name") << "mnuRpt(1)" << false << "Plonkos.txt"
                             << "plonkos.htm";
    QTest::newRow("by special series") << "mnuRpt(2)" << true << "Plonko.txt"
                                       << "plonko.htm";
    QTest::newRow("by brand") << "mnuRpt(3)" << true << "Plonko.txt"
                              << "plonko.htm";
    QTest::newRow("by seller") << "mnuRpt(4)" << true << "Plonko.txt"
                               << "plonko.htm";
    QTest::newRow("value") << "mnuRptValue" << false << "Value.txt"
                           << "value.htm";
    QTest::newRow("want list") << "mnuRptWant" << false << "WantList.txt"
                               << "wantlist.htm";
    QTest::newRow("for sale") << "mnuRptForSale" << false << "ForSale.txt"
                              << "forsale.htm";
    QTest::newRow("sold") << "mnuRptSold" << false << "Sales.txt"
                          << "sales.htm";
    QTest::newRow("sellers") << "mnuRptSellers" << false << "Sellers.txt"
                             << "sellers.htm";
    QTest::newRow("insurance") << "mnuRptInsurance" << false << "Insurance.txt"
                               << "Insurance.htm";
}

// Each item of the Reports menu runs its report to the destination chosen,
// asking for its own file name; the preview shows its document.
void StandardReportsTest::menuRunsEachReport()
{
    QFETCH(QString, item);
    QFETCH(bool, grouped);
    QFETCH(QString, textName);
    QFETCH(QString, htmlName);
    Session session;
    auto menu = [&](const QString& name) { return session.window->findChild<QAction*>(name); };
    for (int destination : {2, 3, 1}) {
        menu(QStringLiteral("mnuRptOut(%1)").arg(destination))->trigger();
        if (grouped)
            session.dialogs.modalSteps.enqueue(
                [](QDialog& dialog) { control<QPushButton>(&dialog, "cmdOk")->click(); });
        menu(item)->trigger();
    }
    QCOMPARE(session.dialogs.fileDialogs, QStringList({textName, htmlName}));
    QVERIFY(session.dialogs.messages.isEmpty());
    auto* preview = session.window->findChild<frmOutput*>();
    QVERIFY(preview && preview->isVisible());
    if (grouped)
        QCOMPARE(session.dialogs.modalTitles.size(), 3);
}

void StandardReportsTest::previewDocuments_data()
{
    QTest::addColumn<QString>("report");
    QTest::addColumn<QStringList>("heading");
    QTest::addColumn<QStringList>("first");
    QTest::addColumn<QStringList>("last");
    QTest::addColumn<int>("rows");
    QTest::newRow("item list") << "plonkos"
                               << QStringList{"Name", "Description", "Cat #", "Plonko Condition",
                                              "Tag Condition"}
                               << QStringList{"", "Unnamed owl", "", "", ""}
                               << QStringList{"Zed", "Zebra", "7", "", ""} << 7;
    QTest::newRow("want list") << "wantlist" << QStringList{"Name", "Description", "Cat #", "Will Pay"}
                               << QStringList{"Ace", "Ant", "8", "$1.00"} << QStringList{"", "", "", "$12.75"}
                               << 4;
    QTest::newRow("sellers") << "sellers" << QStringList{"Fav.", "Seller", "Phone", "Notes"}
                             << QStringList{"", "Collector Fair", "", "Twice a year at the town hall."}
                             << QStringList{"", "Mail Order Club", "555-0199", ""} << 3;
    QTest::newRow("sales") << "sales" << QStringList{"Name",       "Cat #",     "Quantity",   "Paid Each",
                                                     "Total Paid", "Sale Each", "Total Sales"}
                           << QStringList{"Cubby", "401", "3", "$2.00", "$6.00", "$5.00", "$15.00"}
                           << QStringList{"Sale Price Minus Cost", "$2.50"} << 4;
    QTest::newRow("value") << "value" << QStringList{"Name",       "Cat #",      "Quantity",   "Paid Each",
                                                     "Total Paid", "Value Each", "Total Value"}
                           << QStringList{"", "", "1", "$0.00", "$0.00", "$0.00", "$0.00"}
                           << QStringList{"Value Minus Cost", "$28.25"} << 9;
    QTest::newRow("series") << "series"
                            << QStringList{"Special Series", "Name", "Description", "Cat #", "Quantity"}
                            << QStringList{"", "Dot", "", "Style 45-B", "5"}
                            << QStringList{"Total Plonkos", "15"} << 8;
    QTest::newRow("brand") << "brand" << QStringList{"Brand", "Name", "Description", "Cat #", "Quantity"}
                           << QStringList{"Plonko", "", "Unnamed owl", "", "1"}
                           << QStringList{"Total Plonkos", "15"} << 8;
    QTest::newRow("seller") << "seller" << QStringList{"Seller", "Name", "Description", "Cat #", "Quantity"}
                            << QStringList{"", "Dot", "", "Style 45-B", "5"}
                            << QStringList{"Total Plonkos", "15"} << 8;
}

// The document a report leaves in the preview: one page, the heading table
// in bold at its top, a row per item and the totals rows.
void StandardReportsTest::previewDocuments()
{
    QFETCH(QString, report);
    QFETCH(QStringList, heading);
    QFETCH(QStringList, first);
    QFETCH(QStringList, last);
    QFETCH(int, rows);
    Reports reports;
    addReportItems(reports);
    runTo(reports, reportsByName(reports.dialogs)[report], 1);
    QVERIFY(reports.dialogs.messages.isEmpty());
    QCOMPARE(reports.preview.shows, 1);
    const ReportEngine& document = *reports.preview.document;
    QCOMPARE(document.pageCount(), 1);
    QVERIFY(document.rowsOn(1).front().bold);
    const QList<QStringList> cells = rowsOf(document);
    QCOMPARE(cells.first(), heading);
    QCOMPARE(cells.size(), rows + 1);
    QCOMPARE(cells[1], first);
    QCOMPARE(cells.last(), last);
    QCOMPARE(reports.state.TableHeading.section(QLatin1Char(';'), 1), heading.join(QLatin1Char('|')) + u';');
}

void StandardReportsTest::salesWorkedExample_data()
{
    QTest::addColumn<int>("destination");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("preview") << 1 << QByteArray();
    QTest::newRow("text") << 2
                          << QByteArray("Cubby\t401\t3\t$2.00\t$6.00\t$5.00\t$15.00\r\n"
                                        "\t\t3\t\t6\t\t15\r\n"
                                        "\t\t\t\t\t\t9\r\n");
    QTest::newRow("html")
        << 3
        << QByteArray(
               "<tr><td>Cubby</td><td>401</td><td align=right>3</td><td align=right>$2.00</td><td "
               "align=right>$6.00</td><td align=right>$5.00</td><td align=right>$15.00</td></tr>\r\n"
               "<tr><td>Totals</td><td align=right colspan=2>3</td><td align=right colspan=2>$6.00</td><td "
               "align=right colspan=2>$15.00</td></tr>\r\n"
               "<tr><td>Sale Price Minus Cost</td><td align=right colspan=6>$9.00</td></tr>\r\n"
               "</table>\r\n");
}

// Three pieces bought at 2.00 and sold at 5.00 each.
void StandardReportsTest::salesWorkedExample()
{
    QFETCH(int, destination);
    QFETCH(QByteArray, expected);
    Reports reports;
    const QByteArray file = runTo(reports, ReportSales, destination);
    QVERIFY(reports.dialogs.messages.isEmpty());
    if (destination != 1) {
        QVERIFY2(destination == 2 ? file == expected : file.contains(expected), file.constData());
        return;
    }
    const QList<QStringList> cells = rowsOf(*reports.preview.document);
    QCOMPARE(cells.mid(1), (QList<QStringList>{{"Cubby", "401", "3", "$2.00", "$6.00", "$5.00", "$15.00"},
                                               {"Totals", "3", "$6.00", "$15.00"},
                                               {"Sale Price Minus Cost", "$9.00"}}));
}

void StandardReportsTest::lossShowsAsANegativeAmount()
{
    for (const QLocale& locale : {kEnglish, kGerman}) {
        Reports reports(false, locale);
        reports.addForSale(QStringLiteral("Sunk"), QStringLiteral("Seal"), QStringLiteral("30"),
                           Money::fromUnits(40000));
        std::unique_ptr<Recordset> rs = reports.state.db().OpenRecordset(
            QStringLiteral("Select * from Plonko"), Database::RecordsetType::Dynaset);
        rs->Edit();
        rs->SetField(QStringLiteral("sold"), true);
        rs->SetField(QStringLiteral("pricepaid"), Money::fromUnits(105000));
        rs->Update();
        const QByteArray text = runTo(reports, ReportSales, 2);
        QVERIFY2(text.endsWith(locale == kEnglish ? QByteArray("\t\t\t\t\t\t-6.5\r\n")
                                                  : QByteArray("\t\t\t\t\t\t-6,5\r\n")),
                 text.constData());
        runTo(reports, ReportSales, 1);
        QCOMPARE(rowsOf(*reports.preview.document).last().last(),
                 reports.state.regional.formatCurrency(Money::fromUnits(-65000)));
        QCOMPARE(rowsOf(*reports.preview.document).last().last(),
                 locale == kEnglish ? QStringLiteral("($6.50)") : QStringLiteral("-6,50\u00a0€"));
    }
}

void StandardReportsTest::oneBrandWorkedExample_data()
{
    QTest::addColumn<int>("destination");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("preview") << 1 << QByteArray();
    QTest::newRow("text") << 2
                          << QByteArray("Plonko Originals\tMinnie\tMouse\t12\t2\r\n"
                                        "Plonko Originals\tMoose\tBrown moose\t13\t3\r\n"
                                        "\t\t\t\t5\r\n");
    QTest::newRow("html")
        << 3
        << QByteArray("<tr><td>Plonko Originals</td><td>Minnie</td><td>Mouse</td><td>12</td><td "
                      "align=right>2</td>\r\n"
                      "<tr><td>Plonko Originals</td><td>Moose</td><td>Brown moose</td><td>13</td><td "
                      "align=right>3</td>\r\n"
                      "<tr><td>Total Plonkos</td><td align=right colspan=4>5</td></tr>\r\n</table>\r\n");
}

// A brand held twice, 2 and 3 pieces, picked in the group dialog.
void StandardReportsTest::oneBrandWorkedExample()
{
    QFETCH(int, destination);
    QFETCH(QByteArray, expected);
    Reports reports;
    addReportItems(reports);
    reports.state.GroupReportKind = 3;
    pickGroup(reports.dialogs, QStringLiteral("Plonko Originals"));
    const QByteArray file = runTo(reports, ReportGrouped, destination);
    QVERIFY(reports.dialogs.messages.isEmpty());
    QCOMPARE(reports.state.SelectedGroupID, 4);
    if (destination != 1) {
        QVERIFY2(destination == 2 ? file == expected : file.contains(expected), file.constData());
        return;
    }
    QCOMPARE(rowsOf(*reports.preview.document).mid(1),
             (QList<QStringList>{{"Plonko Originals", "Minnie", "Mouse", "12", "2"},
                                 {"Plonko Originals", "Moose", "Brown moose", "13", "3"},
                                 {"Total Plonkos", "5"}}));
}

void StandardReportsTest::groupDialogDefaultsToAllGroups_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("all");
    QTest::addColumn<QString>("one");
    QTest::addColumn<QStringList>("groups");
    QTest::addColumn<int>("topic");
    QTest::newRow("special series") << 4 << "Special Series Report"
                                    << "All Series"
                                    << "Selected Series"
                                    << QStringList{"Autumn Set", "Birthday Bunch", "Garden Friends",
                                                   "Holiday",    "Ocean Pals",     "Sports Stars"}
                                    << 56;
    QTest::newRow("brand") << 3 << "Brand Report"
                           << "All Brands"
                           << "Selected Brand"
                           << QStringList{"Plonko", "Plonko Jumbos", "Plonko Minis", "Plonko Originals"}
                           << 57;
    QTest::newRow("seller") << 2 << "Seller Report"
                            << "All Sellers"
                            << "Selected Seller"
                            << QStringList{"Collector Fair", "Corner Toy Shop", "Mail Order Club"} << 59;
}

void StandardReportsTest::groupDialogDefaultsToAllGroups()
{
    QFETCH(int, kind);
    QFETCH(QString, caption);
    QFETCH(QString, all);
    QFETCH(QString, one);
    QFETCH(QStringList, groups);
    QFETCH(int, topic);
    Reports reports;
    addReportItems(reports);
    reports.state.GroupReportKind = kind;
    reports.state.SelectedGroupID = 2;
    reports.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        QCOMPARE(dialog.windowTitle(), caption);
        auto* optAll = control<QRadioButton>(&dialog, "optAll");
        QCOMPARE(optAll->text(), all);
        QCOMPARE(control<QRadioButton>(&dialog, "optSelected")->text(), one);
        QVERIFY(optAll->isChecked());
        auto* list = control<QListWidget>(&dialog, "List1");
        QVERIFY(!list->isEnabled());
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown.append(list->item(i)->text());
        QCOMPARE(shown, groups);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        QTest::keyClick(&dialog, Qt::Key_F1);
        control<QPushButton>(&dialog, "cmdOk")->click();
    });
    runTo(reports, ReportGrouped, 1);
    QCOMPARE(reports.state.SelectedGroupID, -1);
    QCOMPARE(reports.preview.shows, 1);
    QCOMPARE(reports.dialogs.helpCalls.size(), 1);
    QCOMPARE(reports.dialogs.helpCalls.first().topic, topic);
}

void StandardReportsTest::groupDialogAsksForAPick()
{
    Reports reports;
    addReportItems(reports);
    reports.state.GroupReportKind = 2;
    bool stayedOpen = false;
    reports.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        control<QRadioButton>(&dialog, "optSelected")->click();
        control<QPushButton>(&dialog, "cmdOk")->click();
        stayedOpen = dialog.result() == QDialog::Rejected && reports.state.Cancelled;
        auto* list = control<QListWidget>(&dialog, "List1");
        QVERIFY(list->isEnabled());
        list->setCurrentItem(list->findItems(QStringLiteral("Mail Order Club"), Qt::MatchExactly).first());
        control<QPushButton>(&dialog, "cmdOk")->click();
    });
    const QByteArray file = runTo(reports, ReportGrouped, 2);
    QVERIFY(stayedOpen);
    QCOMPARE(reports.dialogs.messages.size(), 1);
    QCOMPARE(reports.dialogs.messages.first().text,
             QStringLiteral("You must make a selection from the list!"));
    QCOMPARE(reports.dialogs.messages.first().title, QString());
    QCOMPARE(reports.dialogs.messages.first().icon, Dialogs::Icon::None);
    QCOMPARE(reports.dialogs.fileDialogs, QStringList{QStringLiteral("Plonko.txt")});
    QCOMPARE(file, QByteArray("Mail Order Club\tZed\tZebra\t7\t1\r\n\t\t\t\t1\r\n"));
}

// Tabbing into the list chooses the entry that takes the focus, as it looks
// chosen; an entry chosen before stays so.
void StandardReportsTest::groupDialogListChoosesWhatHasTheFocus()
{
    Reports reports;
    addReportItems(reports);
    reports.state.GroupReportKind = 2;
    QString chosenOnTab;
    QString first;
    int second = 0;
    reports.dialogs.modalSteps.enqueue([&](QDialog& dialog) {
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        auto* list = control<QListWidget>(&dialog, "List1");
        control<QRadioButton>(&dialog, "optSelected")->click();
        control<QRadioButton>(&dialog, "optSelected")->setFocus();
        while (QApplication::focusWidget() != list)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        first = list->item(0)->text();
        second = list->item(1)->data(Qt::UserRole).toInt();
        chosenOnTab = list->selectedItems().value(0) ? list->selectedItems().first()->text() : QString();
        QTest::keyClick(list, Qt::Key_Down);
        control<QPushButton>(&dialog, "cmdOk")->setFocus();
        list->setFocus(Qt::BacktabFocusReason);
        control<QPushButton>(&dialog, "cmdOk")->click();
    });
    runTo(reports, ReportGrouped, 2);
    QCOMPARE(chosenOnTab, first);
    QCOMPARE(reports.state.SelectedGroupID, second);
    QVERIFY(reports.dialogs.messages.isEmpty());
    QVERIFY(!reports.state.Cancelled);
}

void StandardReportsTest::groupDialogPicksByKey_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("group");
    QTest::addColumn<int>("key");
    QTest::addColumn<QByteArray>("file");
    QTest::newRow("special series") << 4 << "Garden Friends" << 2
                                    << QByteArray("Garden Friends\tAbby\tBrown bear\t10\t2\r\n\t\t\t\t2\r\n");
    QTest::newRow("brand") << 3 << "Plonko Jumbos" << 3
                           << QByteArray("Plonko Jumbos\tDot\t\tStyle 45-B\t5\r\n\t\t\t\t5\r\n");
    QTest::newRow("seller") << 2 << "Corner Toy Shop" << 1
                            << QByteArray("Corner Toy Shop\tAbby\tAardvark\t40\t1\r\n"
                                          "Corner Toy Shop\tAbby\tBrown bear\t10\t2\r\n\t\t\t\t3\r\n");
}

// The group picked is the one reported, by its own key, whatever its row.
void StandardReportsTest::groupDialogPicksByKey()
{
    QFETCH(int, kind);
    QFETCH(QString, group);
    QFETCH(int, key);
    QFETCH(QByteArray, file);
    Reports reports;
    addReportItems(reports);
    reports.state.GroupReportKind = kind;
    pickGroup(reports.dialogs, group);
    QCOMPARE(runTo(reports, ReportGrouped, 2), file);
    QCOMPARE(reports.state.SelectedGroupID, key);
}

void StandardReportsTest::groupDialogWaysOut_data()
{
    using Step = std::function<void(QDialog&)>;
    QTest::addColumn<Step>("step");
    QTest::addColumn<bool>("runs");
    QTest::newRow("Cancel") << Step([](QDialog& dialog) {
        control<QPushButton>(&dialog, "cmdCancel")->click();
    }) << false;
    QTest::newRow("Escape") << Step([](QDialog& dialog) {
        dialog.show();
        QTest::keyClick(&dialog, Qt::Key_Escape);
    }) << false;
    QTest::newRow("close box") << Step([](QDialog& dialog) {
        dialog.show();
        dialog.close();
    }) << false;
    QTest::newRow("no answer") << Step() << false;
    QTest::newRow("double-click on a group") << Step([](QDialog& dialog) {
        dialog.show();
        control<QRadioButton>(&dialog, "optSelected")->click();
        auto* list = control<QListWidget>(&dialog, "List1");
        QListWidgetItem* item = list->findItems(QStringLiteral("Plonko Jumbos"), Qt::MatchExactly).first();
        QCoreApplication::processEvents(); // the list lays its entries out
        QVERIFY(!list->visualItemRect(item).isEmpty());
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    }) << true;
}

// Only OK, or a double-click on a group, runs the report; every other way out
// of the dialog ends it without a file dialog or a preview.
void StandardReportsTest::groupDialogWaysOut()
{
    using Step = std::function<void(QDialog&)>;
    QFETCH(Step, step);
    QFETCH(bool, runs);
    for (int destination : {1, 2, 3}) {
        Reports reports;
        addReportItems(reports);
        reports.state.GroupReportKind = 3;
        if (step)
            reports.dialogs.modalSteps.enqueue(step);
        runTo(reports, ReportGrouped, destination);
        QCOMPARE(reports.state.Cancelled, !runs);
        QCOMPARE(reports.dialogs.fileDialogs.size(), runs && destination != 1 ? 1 : 0);
        QCOMPARE(reports.preview.shows, runs && destination == 1 ? 1 : 0);
        QVERIFY(reports.dialogs.messages.isEmpty());
        if (runs)
            QCOMPARE(reports.state.SelectedGroupID, 3);
    }
}

void StandardReportsTest::plainAmounts_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("expected");
    QTest::newRow("whole") << kEnglish << qint64(160000) << "16";
    QTest::newRow("no trailing zeros") << kEnglish << qint64(165000) << "16.5";
    QTest::newRow("no grouping") << kEnglish << qint64(12345671000) << "1234567.1";
    QTest::newRow("a ten-thousandth") << kEnglish << qint64(1) << "0.0001";
    QTest::newRow("zero") << kEnglish << qint64(0) << "0";
    QTest::newRow("a loss below one") << kEnglish << qint64(-5000) << "-0.5";
    QTest::newRow("a loss of cents") << kEnglish << qint64(-500) << "-0.05";
    QTest::newRow("a loss") << kEnglish << qint64(-65000) << "-6.5";
    QTest::newRow("German comma") << kGerman << qint64(-5000) << "-0,5";
    QTest::newRow("German, no grouping") << kGerman << qint64(12345671000) << "1234567,1";
    QTest::newRow("Arabic digits") << QLocale(QLocale::Arabic, QLocale::Egypt) << qint64(12345000)
                                   << QString::fromUtf8("١٢٣٤٫٥");
}

void StandardReportsTest::plainAmounts()
{
    QFETCH(QLocale, locale);
    QFETCH(qint64, units);
    QFETCH(QString, expected);
    QCOMPARE(ReportLines::plainAmount(locale, Money::fromUnits(units)), expected);
}

// An item whose quantity is not stored: no pieces in the sums, an empty cell.
void StandardReportsTest::emptyQuantityCountsNoPieces()
{
    Reports reports;
    addReportItems(reports);
    std::unique_ptr<Recordset> rs = reports.state.db().OpenRecordset(
        QStringLiteral("Select * from Plonko where Name = 'Moose'"), Database::RecordsetType::Dynaset);
    rs->Edit();
    rs->SetField(QStringLiteral("quantity"), Value());
    rs->Update();
    const QByteArray value = runTo(reports, ReportValue, 2);
    QVERIFY(value.contains("Moose\t13\t\t$0.00\t$0.00\t$3.00\t$0.00\r\n"));
    QVERIFY(value.endsWith("\t\t12\t\t$9.00\t\t$28.25\r\n\t\t\t\t\t\t$19.25\r\n"));
    reports.dialogs.modalSteps.enqueue(
        [](QDialog& dialog) { control<QPushButton>(&dialog, "cmdOk")->click(); });
    reports.state.GroupReportKind = 3;
    QVERIFY(runTo(reports, ReportGrouped, 2)
                .endsWith("Plonko Originals\tMoose\tBrown moose\t13\t\r\n\t\t\t\t12\r\n"));
}

void StandardReportsTest::amountsTooLargeStopTheReport_data()
{
    QTest::addColumn<QByteArray>("update");
    QTest::addColumn<QString>("report");
    QTest::addColumn<QString>("item");
    QTest::newRow("value: a product")
        << QByteArray("UPDATE Plonko SET PricePaid = 1e14, Quantity = 100 WHERE Name = 'Zed'") << "value"
        << "Zed";
    QTest::newRow("value: an amount beyond money")
        << QByteArray("UPDATE Plonko SET CatValue = 1e300 WHERE Name = 'Zed'") << "value"
        << "Zed";
    QTest::newRow("value: a quantity beyond a long")
        << QByteArray("UPDATE Plonko SET Quantity = 1e12 WHERE Name = 'Zed'") << "value"
        << "Zed";
    QTest::newRow("sales: the sum of two rows")
        << QByteArray(
               "UPDATE Plonko SET PriceAsk = 5e14, Quantity = 1, sold = -1 WHERE Name IN ('Cubby', 'Zed')")
        << "sales"
        << "Zed";
    QTest::newRow("want list: the sum of two rows")
        << QByteArray("UPDATE Plonko SET PricePaid = 5e14 WHERE wantlist") << "wantlist"
        << "bubbles";
    QTest::newRow("brand: a quantity beyond a long")
        << QByteArray("UPDATE Plonko SET Quantity = 1e12 WHERE Name = 'Zed'") << "brand"
        << "Zed";
}

// An amount or a quantity too large to add up, or a sum beyond what money
// holds, stops the report with a message naming the item; no file or
// preview is left and the program goes on.
void StandardReportsTest::amountsTooLargeStopTheReport()
{
    QFETCH(QByteArray, update);
    QFETCH(QString, report);
    QFETCH(QString, item);
    Reports reports;
    reports.state.CollectionDb.reset();
    sqlite3* raw = nullptr;
    QCOMPARE(sqlite3_open(reports.collection.path().toUtf8().constData(), &raw), SQLITE_OK);
    QCOMPARE(sqlite3_exec(raw, update.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(raw);
    reports.state.CollectionDb = Database::OpenDatabase(reports.collection.path(), kEnglish);
    for (int destination : {1, 2, 3}) {
        reports.dialogs.messages.clear();
        runTo(reports, reportsByName(reports.dialogs)[report], destination);
        QVERIFY(!reports.dialogs.ended);
        QCOMPARE(reports.dialogs.messages.size(), 1);
        QCOMPARE(reports.dialogs.messages.first().title, QStringLiteral("Report Not Finished"));
        QCOMPARE(
            reports.dialogs.messages.first().text,
            QStringLiteral("The amounts of '%1' are too large to add up, so the report cannot be finished.")
                .arg(item));
        QCOMPARE(reports.preview.shows, 0);
        QVERIFY(reportFiles(reports.collection.folder()).isEmpty());
        QVERIFY(!reports.dialogs.busyNow);
    }
}

QTEST_MAIN(StandardReportsTest)
#include "tst_standardreports.moc"
