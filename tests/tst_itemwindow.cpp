#include "ItemSession.h"

#include <QCollator>

class TestItemWindow : public QObject
{
    Q_OBJECT

private slots:
    void startShowsTheFirstItemByName();
    void startOnAnEmptyTableDisablesTheFields();
    void startWithoutACollectionEnds();
    void firstChangeEntersEditMode();
    void activationRefillsOnlyFlaggedLists();
    void everyFieldRoundTripsThroughTheWindow();
    void dropDownListsFollowTheLanguage_data();
    void dropDownListsFollowTheLanguage();
    void emptyFieldsAreStoredAsTheirEmptyValue_data();
    void emptyFieldsAreStoredAsTheirEmptyValue();
    void emptiedEntriesAreStoredAsNull();
    void checkBoxesAndListsFollowTheirRules();
    void helpCommandsReachTheViewer();
};

void TestItemWindow::startShowsTheFirstItemByName()
{
    Session s;
    QVERIFY(s.dialogs.messages.isEmpty());
    QCOMPARE(s.text("txtName"), QString());
    QCOMPARE(s.text("txtDescr"), QStringLiteral("Unnamed owl"));
    QCOMPARE(s.text("txtQuantity"), QStringLiteral("1"));
    QCOMPARE(s.get<QComboBox>("cmbBra")->currentText(), QStringLiteral("Plonko"));
    QCOMPARE(s.get<QComboBox>("cmbToyCon")->currentIndex(), -1);
    QCOMPARE(s.text("txtPriceAsk"), QStringLiteral("$9.99"));
    QCOMPARE(s.text("txtPricePaid"), QString());
    QCOMPARE(s.get<DateBox>("dcIssueDate")->text(), QStringLiteral("12/31/1999"));
    QVERIFY(s.get<QCheckBox>("chkForSale")->isChecked());
    QVERIFY(!s.window->isDirty());
    QVERIFY(s.get("cmdUpdate")->isHidden());
    QCOMPARE(s.entries("cmbToyCon"), (QStringList{"Excellent", "Fair", "Good", "Mint", "Near Mint", "Poor"}));
    QCOMPARE(s.window->windowTitle(), QStringLiteral("Plonko Wizmo"));
}

void TestItemWindow::startOnAnEmptyTableDisablesTheFields()
{
    Session s(false);
    QVERIFY(s.dialogs.messages.isEmpty());
    QVERIFY(!s.get("txtName")->isEnabled());
    QVERIFY(!s.get("dcSoldDate")->isEnabled());
    QVERIFY(s.get("txtTotalPaid")->isEnabled()); // the totals are not touched
    QCOMPARE(s.text("txtQuantity"), QStringLiteral("1"));
    QVERIFY(s.get<QCheckBox>("chkHasTag")->isChecked() && s.get<QCheckBox>("chkHasTush")->isChecked());
    QVERIFY(!s.window->isDirty());
}

void TestItemWindow::startWithoutACollectionEnds()
{
    QTemporaryDir empty;
    QDir::setCurrent(empty.path());
    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(QLocale(QLocale::English, QLocale::UnitedStates)));
    frmMain window(state);
    runEvent(state, [&] { window.Form_Load(); });
    QVERIFY(dialogs.ended);
    QCOMPARE(dialogs.messages.size(), 1);
    QVERIFY(dialogs.lastText().startsWith(QStringLiteral("3024  Could not find file")));
    QVERIFY(!QFile::exists(empty.filePath(QStringLiteral("Plonko.mdb"))));
}

void TestItemWindow::firstChangeEntersEditMode()
{
    Session s;
    s.type("txtColor", QStringLiteral("Blue"));
    QVERIFY(s.window->isDirty());
    for (const char* hidden : {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast", "cmdHelp", "cmdFind",
                               "cmdDelete", "cmdSoldSome", "cmdAddNew"})
        QVERIFY2(s.get(hidden)->isHidden(), hidden);
    QVERIFY(!s.get("cmdUpdate")->isHidden() && !s.get("cmdCancel")->isHidden());
    QVERIFY(!s.get<QAction>("mnuSort(2)")->isEnabled());
    QVERIFY(!s.get<QAction>("mnuMaint(6)")->isEnabled());
    QVERIFY(!s.get<QAction>("mnuExit")->isEnabled());
    s.click("cmdCancel");
    QVERIFY(!s.window->isDirty());
    QVERIFY(!s.get("cmdFirst")->isHidden() && !s.get("cmdAddNew")->isHidden());
    QVERIFY(s.get<QAction>("mnuExit")->isEnabled());
}

void TestItemWindow::activationRefillsOnlyFlaggedLists()
{
    Session s;
    auto rename = [&](const char* sql, const char* field, const char* text) {
        std::unique_ptr<Recordset> rs =
            s.state.db().OpenRecordset(QString::fromLatin1(sql), Database::RecordsetType::Dynaset);
        rs->Edit();
        rs->SetField(QString::fromLatin1(field), QString::fromLatin1(text));
        rs->Update();
    };
    rename("Select * from condition where ConID = 4", "ConDesc", "Average");
    rename("Select * from brand where braID = 1", "braDesc", "Plonko Classic");

    // returning from a dialog that changed no lookup table: nothing refilled, the edit stays
    s.type("txtColor", QStringLiteral("Teal"));
    s.activate();
    QCOMPARE(s.text("txtColor"), QStringLiteral("Teal"));
    QVERIFY(!s.entries("cmbToyCon").contains(QStringLiteral("Average")));

    // a flagged list is refilled in description order; the edit in progress stays
    s.state.lookupChanged(LookupTable::Condition) = true;
    s.activate();
    QCOMPARE(s.entries("cmbToyCon"),
             (QStringList{"Average", "Excellent", "Fair", "Mint", "Near Mint", "Poor"}));
    QCOMPARE(s.text("txtColor"), QStringLiteral("Teal"));
    QCOMPARE(s.get<QComboBox>("cmbBra")->currentText(), QStringLiteral("Plonko")); // brands were not flagged
    QVERIFY(!s.state.lookupChanged(LookupTable::Condition));

    // browsing, a refill shows the stored row again with its choices
    s.click("cmdCancel");
    s.click("cmdFirst");
    s.state.lookupChanged(LookupTable::Brand) = true;
    s.activate();
    QCOMPARE(s.get<QComboBox>("cmbBra")->currentText(), QStringLiteral("Plonko Classic"));
    QCOMPARE(s.text("txtColor"), QString());
}

void TestItemWindow::everyFieldRoundTripsThroughTheWindow()
{
    Session s;
    s.click("cmdAddNew");
    QCOMPARE(s.get<QPushButton>("cmdAddNew")->text(), QStringLiteral("&Add Another"));
    s.type("txtName", QStringLiteral("Marzipan the Moose"));
    s.type("txtDescr", QStringLiteral("Brown moose, felt antlers"));
    s.type("txtCatNum", QStringLiteral("A-12/b"));
    s.type("txtQuantity", QStringLiteral("3"));
    s.get<QComboBox>("cmbToyCon")->setCurrentIndex(3);
    s.get<QComboBox>("cmbTagCon")->setCurrentIndex(0);
    s.get<QComboBox>("cmbGen")->setCurrentIndex(4);
    s.get<QCheckBox>("chkHasTush")->setChecked(false);
    s.type("txtTushDesc", QStringLiteral("Plonko 1999"));
    s.get<QComboBox>("cmbSer")->setCurrentIndex(2);
    s.get<QComboBox>("cmbBra")->setCurrentIndex(1);
    s.type("txtColor", QStringLiteral("Brown"));
    s.type("txtErrors", QStringLiteral("Swapped tag"));
    s.get<DateBox>("dcIssueDate")->setText(QStringLiteral("5/30/1998"));
    s.get<DateBox>("dcRetireDate")->setText(QStringLiteral("1/2/2001"));
    s.type("txtPricePaid", QStringLiteral("$1,234.50"));
    s.type("txtTotalPaid", QStringLiteral("3703.5"));
    s.type("txtCatValue", QStringLiteral("0"));
    s.type("txtPriceAsk", QStringLiteral("12.3456"));
    s.get<DateBox>("dcPurchaseDate")->setText(QStringLiteral("12/24/1999"));
    s.get<QComboBox>("cmbBou")->setCurrentIndex(2);
    s.get<QPlainTextEdit>("txtNotes")->setPlainText(QStringLiteral("Line one\nLine two"));
    s.type("txtMisc1", QStringLiteral("Shelf 3"));
    s.click("cmdUpdate");
    QVERIFY(s.dialogs.messages.isEmpty());
    QVERIFY(!s.window->isDirty() && !s.window->isAdding());
    QCOMPARE(s.get<QPushButton>("cmdAddNew")->text(), QStringLiteral("&Add New"));

    // the window shows the stored row again, found by its key
    QCOMPARE(s.text("txtName"), QStringLiteral("Marzipan the Moose"));
    QCOMPARE(s.text("txtCatNum"), QStringLiteral("A-12/b"));
    QCOMPARE(s.text("txtQuantity"), QStringLiteral("3"));
    QCOMPARE(s.get<QComboBox>("cmbToyCon")->currentText(), QStringLiteral("Mint"));
    QCOMPARE(s.get<QComboBox>("cmbGen")->currentText(), QStringLiteral("5th"));
    QVERIFY(!s.get<QCheckBox>("chkHasTush")->isChecked());
    QCOMPARE(s.get<QComboBox>("cmbBra")->currentText(), QStringLiteral("Plonko Jumbos"));
    QCOMPARE(s.get<DateBox>("dcIssueDate")->text(), QStringLiteral("5/30/1998"));
    QCOMPARE(s.text("txtPricePaid"), QStringLiteral("$1,234.50"));
    QCOMPARE(s.text("txtTotalPaid"), QStringLiteral("$3,703.50"));
    QCOMPARE(s.text("txtCatValue"), QStringLiteral("$0.00")); // zero is shown, not left empty
    QCOMPARE(s.text("txtTotalVal"), QStringLiteral("$0.00"));
    QCOMPARE(s.text("txtPriceAsk"), QStringLiteral("$12.35"));
    QCOMPARE(s.get<QComboBox>("cmbBou")->currentText(), QStringLiteral("Mail Order Club"));
    QCOMPARE(s.get<QPlainTextEdit>("txtNotes")->toPlainText(), QStringLiteral("Line one\nLine two"));

    Recordset& row = s.state.items();
    QCOMPARE(textOf(row.Fields(QStringLiteral("catsort"))),
             QString(18, QLatin1Char(' ')) + QStringLiteral("12"));
    // leaving the price showed it in the currency format, and that text is what is stored
    QCOMPARE(row.Fields(QStringLiteral("priceask")), Value(Money::fromUnits(123500)));
    QCOMPARE(row.Fields(QStringLiteral("retiredate")), Value(QDate(2001, 1, 2)));
    QCOMPARE(row.Fields(QStringLiteral("PurchaseDate")), Value(QDate(1999, 12, 24)));
    QCOMPARE(row.Fields(QStringLiteral("misc2")), Value(QString()));
    QVERIFY(isNull(row.Fields(QStringLiteral("SoldDate"))));
}

void TestItemWindow::dropDownListsFollowTheLanguage_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field");
    QTest::newRow("conditions") << "cmbToyCon"
                                << "condition"
                                << "ConDesc";
    QTest::newRow("sellers") << "cmbBou"
                             << "boughtfrom"
                             << "bouDesc";
    QTest::newRow("brands") << "cmbBra"
                            << "brand"
                            << "braDesc";
    QTest::newRow("series") << "cmbSer"
                            << "series"
                            << "serDesc";
    QTest::newRow("tag conditions") << "cmbTagCon"
                                    << "tagcon"
                                    << "tagDesc";
    QTest::newRow("generations") << "cmbGen"
                                 << "generation"
                                 << "genDesc";
}

// Each list is refilled in the order of the user's language, accented
// entries beside their base letters.
void TestItemWindow::dropDownListsFollowTheLanguage()
{
    QFETCH(QString, list);
    QFETCH(QString, table);
    QFETCH(QString, field);
    const QLocale german(QLocale::German, QLocale::Germany);
    Session s(true, german);
    std::unique_ptr<Recordset> rs = s.state.db().OpenRecordset(QStringLiteral("Select * from ") + table,
                                                               Database::RecordsetType::Dynaset);
    for (const char* text : {"Émile", "ábaco", "Zed", "Øre", "éclair"}) {
        rs->AddNew();
        rs->SetField(field, QString::fromUtf8(text));
        rs->Update();
    }
    s.state.LookupChanged.fill(true);
    s.activate();
    const QStringList entries = s.entries(qPrintable(list));
    QStringList sorted = entries;
    QCollator collator(german);
    std::sort(sorted.begin(), sorted.end(), collator);
    QCOMPARE(entries, sorted);
    QVERIFY(entries.indexOf(QStringLiteral("Zed")) > entries.indexOf(QStringLiteral("Øre")));
}

void TestItemWindow::emptyFieldsAreStoredAsTheirEmptyValue_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("named");
    QTest::newRow("only a name") << "txtName"
                                 << "Name";
    QTest::newRow("only a description") << "txtDescr"
                                        << "descr";
}

// Text left empty is stored as the empty text; references, money and dates as null.
void TestItemWindow::emptyFieldsAreStoredAsTheirEmptyValue()
{
    QFETCH(QString, box);
    QFETCH(QString, named);
    Session s;
    s.click("cmdAddNew");
    s.type(qPrintable(box), QStringLiteral("Lone"));
    s.click("cmdUpdate");
    QVERIFY(s.dialogs.messages.isEmpty());
    Recordset& row = s.state.items();
    for (const char* field :
         {"Name", "descr", "catnum", "tushdesc", "Color", "Errors", "notes", "misc1", "misc2"}) {
        const Value expected(QLatin1String(field) == named ? QStringLiteral("Lone") : QString());
        QCOMPARE(row.Fields(QString::fromLatin1(field)), expected);
    }
    for (const char* field :
         {"toycon", "tagcon", "genID", "serID", "braID", "bouID", "issuedate", "retiredate", "PurchaseDate",
          "SoldDate", "pricepaid", "totalpaid", "catvalue", "totalval", "priceask", "totalsales"})
        QVERIFY2(isNull(row.Fields(QString::fromLatin1(field))), field);
}

void TestItemWindow::emptiedEntriesAreStoredAsNull()
{
    Session s; // shows the unnamed owl, brand Plonko, birthday 12/31/1999, asking 9.99
    s.type("txtPriceAsk", QString());
    auto* brand = s.get<QComboBox>("cmbBra");
    brand->setFocus();
    QTest::keyClick(brand, Qt::Key_Backspace);
    QCOMPARE(brand->currentIndex(), -1);
    s.get<DateBox>("dcIssueDate")->setText(QString());
    s.click("cmdUpdate");
    QVERIFY(s.dialogs.messages.isEmpty());
    Recordset& row = s.state.items();
    QCOMPARE(textOf(row.Fields(QStringLiteral("descr"))), QStringLiteral("Unnamed owl"));
    QVERIFY(isNull(row.Fields(QStringLiteral("priceask"))));
    QVERIFY(isNull(row.Fields(QStringLiteral("braID"))));
    QVERIFY(isNull(row.Fields(QStringLiteral("issuedate"))));
    QCOMPARE(s.text("txtPriceAsk"), QString());
}

void TestItemWindow::checkBoxesAndListsFollowTheirRules()
{
    Session s;
    auto* forSale = s.get<QCheckBox>("chkForSale");
    auto* sold = s.get<QCheckBox>("chkSold");
    QVERIFY(forSale->isChecked());
    sold->click();
    QVERIFY(sold->isChecked() && !forSale->isChecked()); // sold clears for sale
    forSale->click();
    QVERIFY(sold->isChecked() && forSale->isChecked()); // the other way round both stay
    s.get<QCheckBox>("chkWantList")->click();
    QCOMPARE(s.get<QLabel>("lblPrice")->text(), QStringLiteral("Will Pay"));
    s.click("cmdUpdate");
    QCOMPARE(s.dialogs.messages.size(), 1);
    QCOMPARE(s.dialogs.messages[0].title, QStringLiteral("Sale Status Error"));
    QCOMPARE(s.window->focusWidget(), s.get("chkWantList"));
    s.click("cmdCancel");
    QCOMPARE(s.get<QLabel>("lblPrice")->text(), QStringLiteral("Price Paid"));
}

void TestItemWindow::helpCommandsReachTheViewer()
{
    Session s;
    s.click("cmdHelp");
    s.get<QAction>("mnuHelp(2)")->trigger();
    s.get<QAction>("mnuHelp(3)")->trigger();
    QCOMPARE(s.dialogs.helpCalls.size(), 3);
    QCOMPARE(s.dialogs.helpCalls[0].file, QStringLiteral("Plonko.hlp"));
    QCOMPARE(s.dialogs.helpCalls[0].command, Dialogs::HelpCommand::Context);
    QCOMPARE(s.dialogs.helpCalls[1].command, Dialogs::HelpCommand::PartialKey);
    QCOMPARE(s.dialogs.helpCalls[2].command, Dialogs::HelpCommand::HelpOnHelp);
    QCOMPARE(s.dialogs.helpCalls[2].file, QString());
}

QTEST_MAIN(TestItemWindow)
#include "tst_itemwindow.moc"
