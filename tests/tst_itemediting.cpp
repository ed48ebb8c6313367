#include "ItemSession.h"

#include "dates/frmDateEnt.h"
#include "items/frmFind.h"

#include <QActionGroup>

namespace {

using Answer = Dialogs::Answer;

QStringList column(Recordset& rs, const char* field)
{
    QStringList values;
    for (rs.MoveFirst(); !rs.AtEOF(); rs.MoveNext())
        values.append(textOf(rs.Fields(QString::fromLatin1(field))));
    return values;
}

// Every row of the collection, by key, as the store holds it.
std::unique_ptr<Recordset> rowsByKey(Session& s)
{
    return s.state.db().OpenRecordset(QStringLiteral("Select * from Plonko order by PlonID"),
                                      Database::RecordsetType::Snapshot);
}

} // namespace

class TestItemEditing : public QObject
{
    Q_OBJECT

private slots:
    void addAnotherThreeTimesThenUpdate();
    void validationRefusesWithItsMessage_data();
    void validationRefusesWithItsMessage();
    void quantityWithAFractionIsRounded();
    void lockedRowsAreRetried();
    void deletingTheLastAndTheOnlyRow();
    void addNewOnAnEmptyTableThenCancel();
    void moneyIsTakenInTheLocalesFormat_data();
    void moneyIsTakenInTheLocalesFormat();
    void wrongEntriesKeepTheFocus();
    void quantityRecomputesTheTotalsWithNumbers();
    void shortcutSavesCheckTheFieldFirst();
    void navigationBeepsAtTheEnds();
    void sortOrders_data();
    void sortOrders();
    void findKinds_data();
    void findKinds();
    void findThatFailsKeepsActingOnTheShownRow();
    void cancelledFindChangesNothing();
    void partialSaleSplitsTheHolding();
    void saleAnswersThatAreRefused_data();
    void saleAnswersThatAreRefused();
    void wholeHoldingSoldMarksTheRow_data();
    void wholeHoldingSoldMarksTheRow();
    void failedSplitLeavesBothRowsAsTheyWere();
    void findEnterIsOkWhereverTheFocusHasBeen_data();
    void findEnterIsOkWhereverTheFocusHasBeen();
    void findKindsAreOneGroupOfOptions_data();
    void findKindsAreOneGroupOfOptions();
    void helpKeyOpensTheDialogsTopic_data();
    void helpKeyOpensTheDialogsTopic();
};

void TestItemEditing::addAnotherThreeTimesThenUpdate()
{
    Session s;
    s.click("cmdAddNew");
    for (const char* name : {"First", "Second", "Third"}) {
        s.type("txtName", QString::fromLatin1(name));
        s.click("cmdAddNew");
        QCOMPARE(s.text("txtName"), QString());
        QCOMPARE(s.text("txtQuantity"), QStringLiteral("1"));
        QVERIFY(s.window->isAdding());
    }
    s.type("txtName", QStringLiteral("Fourth"));
    s.click("cmdUpdate");
    QVERIFY(s.dialogs.messages.isEmpty());
    QCOMPARE(s.text("txtName"), QStringLiteral("Fourth"));
    QCOMPARE(s.get<QPushButton>("cmdAddNew")->text(), QStringLiteral("&Add New"));
    QVERIFY(!s.window->isAdding() && !s.get("cmdFirst")->isHidden());
    std::unique_ptr<Recordset> rows = rowsByKey(s);
    QCOMPARE(column(*rows, "Name").mid(8), (QStringList{"First", "Second", "Third", "Fourth"}));
}

void TestItemEditing::validationRefusesWithItsMessage_data()
{
    QTest::addColumn<QStringList>("entries"); // control=value pairs; a check box is "on"
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("focus");
    QTest::newRow("no name, no description")
        << QStringList{"txtName=", "txtDescr="}
        << "You must enter a name or a description for this Plonko or click the Cancel button."
        << ""
        << "txtName";
    QTest::newRow("quantity not a number")
        << QStringList{"txtQuantity=abc"} << "You must enter number in the quantity field."
        << "Non-numeric Quantity Entered"
        << "txtQuantity";
    QTest::newRow("quantity beyond a long")
        << QStringList{"txtQuantity=3000000000"}
        << "The quantity is too large. Enter a whole number of pieces up to "
           "2147483647."
        << "Quantity Too Large"
        << "txtQuantity";
    QTest::newRow("total beyond what can be kept")
        << QStringList{"txtQuantity=300000", "txtPriceAsk=1000000", "txtTotalSales=300000000000"}
        << "This amount is too large to keep. The largest amount that can be kept is $225,179,981,368.52."
        << "Amount Too Large"
        << "txtPriceAsk";
    QTest::newRow("for sale and sold") << QStringList{"chkSold=on", "chkForSale=on"}
                                       << "A Plonko cannot be for sale and sold at the same time."
                                       << "Sale Status Error"
                                       << "chkWantList";
    QTest::newRow("for sale and wanted")
        << QStringList{"chkWantList=on", "chkForSale=on"}
        << "A Plonko cannot be both for sale and on your want list at the same time."
        << "Want List Error"
        << "chkWantList";
}

void TestItemEditing::validationRefusesWithItsMessage()
{
    QFETCH(QStringList, entries);
    QFETCH(QString, text);
    QFETCH(QString, title);
    QFETCH(QString, focus);
    Session s;
    s.click("cmdAddNew");
    s.type("txtName", QStringLiteral("Nutmeg"));
    for (const QString& entry : entries) {
        const QByteArray name = entry.section(QLatin1Char('='), 0, 0).toLatin1();
        const QString value = entry.section(QLatin1Char('='), 1);
        if (name.startsWith("chk"))
            s.get<QCheckBox>(name.constData())->setChecked(true);
        else
            s.get<QLineEdit>(name.constData())->setText(value);
    }
    s.click("cmdAddNew");
    QCOMPARE(s.dialogs.messages.size(), 1);
    QCOMPARE(s.dialogs.messages[0].text, text);
    QCOMPARE(s.dialogs.messages[0].title, title);
    QCOMPARE(s.window->focusWidget(), s.get(focus.toLatin1().constData()));
    QVERIFY(s.window->isAdding()); // the window keeps what was typed
    QCOMPARE(rowsByKey(s)->RecordCount() > 0, true);
    std::unique_ptr<Recordset> rows = rowsByKey(s);
    QCOMPARE(column(*rows, "Name").size(), 8);
}

void TestItemEditing::quantityWithAFractionIsRounded()
{
    Session s;
    s.type("txtQuantity", QStringLiteral("2.5"));
    s.click("cmdUpdate");
    QVERIFY(s.dialogs.messages.isEmpty());
    QCOMPARE(s.state.items().Fields(QStringLiteral("quantity")), Value(qint32(2))); // halves to even
}

void TestItemEditing::lockedRowsAreRetried()
{
    Session s;
    s.type("txtColor", QStringLiteral("Teal"));
    s.state.db().failNextWrites(5, DbError::RecordLocked); // another user holds the row a while
    s.click("cmdUpdate");
    QVERIFY(s.dialogs.messages.isEmpty());
    std::unique_ptr<Recordset> shown =
        s.state.db().OpenRecordset(QStringLiteral("Select * from Plonko where descr = 'Unnamed owl'"),
                                   Database::RecordsetType::Snapshot);
    QCOMPARE(textOf(shown->Fields(QStringLiteral("Color"))), QStringLiteral("Teal"));

    // a lock that does not clear: asked at the hundredth conflict; No ends the program unwritten
    s.type("txtColor", QStringLiteral("Navy"));
    s.state.db().failNextWrites(150, DbError::RecordLockedToo);
    s.dialogs.answers.enqueue(Answer::No);
    s.click("cmdUpdate");
    QVERIFY(s.dialogs.ended);
    QCOMPARE(s.dialogs.messages.size(), 1);
    QCOMPARE(s.dialogs.messages[0].title, QStringLiteral("Locked Record"));
    shown->MoveFirst();
    QCOMPARE(textOf(shown->Fields(QStringLiteral("Color"))), QStringLiteral("Teal"));
}

void TestItemEditing::deletingTheLastAndTheOnlyRow()
{
    Session s;
    s.click("cmdLast");
    QCOMPARE(s.text("txtName"), QStringLiteral("Zed"));
    s.dialogs.answers.enqueue(Answer::No);
    s.click("cmdDelete");
    QCOMPARE(s.dialogs.messages[0].text,
             QStringLiteral("Are you sure that you want to delete this Plonko record?"));
    QCOMPARE(s.dialogs.messages[0].title, QStringLiteral("Delete Plonko"));
    QCOMPARE(s.text("txtName"), QStringLiteral("Zed"));
    s.click("cmdDelete");                               // Yes
    QCOMPARE(s.text("txtName"), QStringLiteral("Dot")); // the row before it
    QCOMPARE(s.state.items().RecordCount(), 7L);
    while (s.state.items().RecordCount() > 0)
        s.click("cmdDelete");
    QCOMPARE(s.text("txtName"), QString());
    QVERIFY(!s.get("txtName")->isEnabled());
}

void TestItemEditing::addNewOnAnEmptyTableThenCancel()
{
    Session s(false);
    s.click("cmdAddNew");
    QVERIFY(s.get("txtName")->isEnabled());
    QVERIFY(s.get<QCheckBox>("chkHasTag")->isChecked());
    s.click("cmdCancel");
    QVERIFY(!s.get("txtName")->isEnabled());
    QCOMPARE(s.state.items().RecordCount(), 0L);
}

void TestItemEditing::moneyIsTakenInTheLocalesFormat_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("total"); // quantity 3
    const QLocale us(QLocale::English, QLocale::UnitedStates), de(QLocale::German, QLocale::Germany);
    QTest::newRow("en_US decimal") << us << "12.5"
                                   << "$12.50"
                                   << "$37.50";
    QTest::newRow("en_US formatted") << us << "$1,012.50"
                                     << "$1,012.50"
                                     << "$3,037.50";
    QTest::newRow("de_DE decimal") << de << "12,5"
                                   << "12,50\u00a0€"
                                   << "37,50\u00a0€";
    QTest::newRow("de_DE formatted") << de << "1.012,50 €"
                                     << "1.012,50\u00a0€"
                                     << "3.037,50\u00a0€";
}

void TestItemEditing::moneyIsTakenInTheLocalesFormat()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QString, total);
    Session s(true, locale);
    s.get<QLineEdit>("txtQuantity")->setText(QStringLiteral("3"));
    s.focus("txtPricePaid");
    s.type("txtPricePaid", typed);
    s.focus("txtCatValue");
    QVERIFY(s.dialogs.messages.isEmpty());
    QCOMPARE(s.text("txtPricePaid"), shown);
    QCOMPARE(s.text("txtTotalPaid"), total);
    // leaving it again unchanged changes nothing
    s.focus("txtPricePaid");
    s.focus("txtCatValue");
    QCOMPARE(s.text("txtPricePaid"), shown);
    QCOMPARE(s.text("txtTotalPaid"), total);
}

void TestItemEditing::wrongEntriesKeepTheFocus()
{
    Session s;
    const QString totalBefore = s.text("txtTotalVal");
    s.focus("txtCatValue");
    s.type("txtCatValue", QStringLiteral("abc"));
    s.focus("txtQuantity");
    QCOMPARE(s.dialogs.messages.size(), 1);
    QCOMPARE(s.dialogs.lastText(), QStringLiteral("You must enter a valid number or leave the field blank"));
    QCOMPARE(s.dialogs.messages[0].icon, Dialogs::Icon::None);
    QTRY_COMPARE(QApplication::focusWidget(), s.get("txtCatValue"));
    QCOMPARE(s.text("txtTotalVal"), totalBefore);
    QCOMPARE(s.dialogs.messages.size(), 1); // leaving the quantity on the way back checked nothing

    s.get<QLineEdit>("txtCatValue")->clear(); // an empty price passes and empties its total
    s.focus("txtQuantity");
    QCOMPARE(s.text("txtTotalVal"), QString());
    s.get<QLineEdit>("txtQuantity")->clear();
    s.focus("txtName");
    QCOMPARE(s.dialogs.lastText(), QStringLiteral("You must enter a number in the Quantity field"));
    QCOMPARE(s.dialogs.messages.last().icon, Dialogs::Icon::Critical);
    QTRY_COMPARE(QApplication::focusWidget(), s.get("txtQuantity"));

    // Cancel throws the edits away without asking for a number first
    const qsizetype shown = s.dialogs.messages.size();
    s.focus("cmdCancel");
    s.click("cmdCancel");
    QCOMPARE(s.dialogs.messages.size(), shown);
    QVERIFY(!s.window->isDirty());
    QCOMPARE(s.text("txtQuantity"), QStringLiteral("1"));
}

void TestItemEditing::quantityRecomputesTheTotalsWithNumbers()
{
    Session s;
    s.get<QLineEdit>("txtPricePaid")->setText(QStringLiteral("$2.00"));
    s.get<QLineEdit>("txtCatValue")->setText(QStringLiteral("1.5"));
    s.get<QLineEdit>("txtPriceAsk")->clear();
    s.get<QLineEdit>("txtTotalSales")->setText(QStringLiteral("kept"));
    s.focus("txtQuantity");
    s.type("txtQuantity", QStringLiteral("2"));
    s.focus("txtName");
    QCOMPARE(s.text("txtTotalPaid"), QStringLiteral("$4.00"));
    QCOMPARE(s.text("txtTotalVal"), QStringLiteral("$3.00"));
    QCOMPARE(s.text("txtTotalSales"), QStringLiteral("kept"));
    QCOMPARE(s.text("txtCatValue"), QStringLiteral("1.5")); // prices are not re-displayed here
    s.focus("txtQuantity");
    s.type("txtQuantity", QStringLiteral("0"));
    s.focus("txtName");
    QCOMPARE(s.text("txtTotalPaid"), QStringLiteral("$0.00"));
}

void TestItemEditing::shortcutSavesCheckTheFieldFirst()
{
    Session s;
    s.click("cmdNext"); // Abby the aardvark: one held, catalogue value 10
    s.focus("txtQuantity");
    s.type("txtQuantity", QStringLiteral("5"));
    QTest::keyClick(s.window.get(), Qt::Key_U, Qt::AltModifier); // Update, the focus staying put
    QTRY_VERIFY(!s.window->isDirty());
    QCOMPARE(s.state.items().Fields(QStringLiteral("totalval")), Value(Money::fromUnits(500000)));

    s.focus("txtCatValue");
    s.type("txtCatValue", QStringLiteral("abc"));
    QTest::keyClick(s.window.get(), Qt::Key_U, Qt::AltModifier);
    // the shortcut clicks after a short animation
    QTRY_COMPARE(s.dialogs.lastText(),
                 QStringLiteral("You must enter a valid number or leave the field blank"));
    QVERIFY(s.window->isDirty()); // nothing saved
    QCOMPARE(s.state.items().Fields(QStringLiteral("catvalue")), Value(Money::fromUnits(100000)));
}

void TestItemEditing::navigationBeepsAtTheEnds()
{
    Session s;
    s.click("cmdPrevious");
    QCOMPARE(s.dialogs.beeps, 1);
    QCOMPARE(s.text("txtDescr"), QStringLiteral("Unnamed owl"));
    s.click("cmdNext");
    QCOMPARE(s.text("txtDescr"), QStringLiteral("Aardvark"));
    s.click("cmdLast");
    s.click("cmdNext");
    QCOMPARE(s.dialogs.beeps, 2);
    QCOMPARE(s.text("txtName"), QStringLiteral("Zed"));
    s.click("cmdFirst");
    QCOMPARE(s.text("txtDescr"), QStringLiteral("Unnamed owl"));
}

void TestItemEditing::sortOrders_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("catalogNumbers");
    QTest::newRow("name") << 1 << QStringList{"", "40", "10", "8", "9", "401", "Style 45-B", "7"};
    QTest::newRow("description") << 2 << QStringList{"Style 45-B", "40", "401", "8", "10", "9", "", "7"};
    QTest::newRow("catalog number, 9 before 10")
        << 3 << QStringList{"", "7", "8", "9", "10", "40", "Style 45-B", "401"};
    QTest::newRow("birthday, none first")
        << 4 << QStringList{"9", "Style 45-B", "401", "8", "40", "7", "10", ""};
}

void TestItemEditing::sortOrders()
{
    QFETCH(int, index);
    QFETCH(QStringList, catalogNumbers);
    Session s;
    s.get<QAction>(qPrintable(QStringLiteral("mnuSort(%1)").arg(index)))->trigger();
    QStringList walked{s.text("txtCatNum")};
    for (int i = 1; i < catalogNumbers.size(); ++i) {
        s.click("cmdNext");
        walked.append(s.text("txtCatNum"));
    }
    QCOMPARE(walked, catalogNumbers);
    auto* chosen = s.get<QAction>(qPrintable(QStringLiteral("mnuSort(%1)").arg(index)));
    chosen->trigger(); // choosing the order in force again keeps its mark
    for (int i = 1; i <= 4; ++i) {
        auto* item = s.get<QAction>(qPrintable(QStringLiteral("mnuSort(%1)").arg(i)));
        QCOMPARE(item->isChecked(), i == index);
        // one exclusive group, which the menu shows with radio marks
        QVERIFY(item->actionGroup() && item->actionGroup() == chosen->actionGroup());
    }
    QVERIFY(chosen->actionGroup()->isExclusive());
}

void TestItemEditing::findKinds_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("foundDescr"); // empty: not found
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("name begins with, any case") << us << 1 << "ab"
                                                << "Aardvark";
    QTest::newRow("description") << us << 2 << "ANT"
                                 << "Ant";
    QTest::newRow("description with a quote") << us << 2 << "abby's"
                                              << "abby's friend";
    QTest::newRow("typed wildcards are plain characters") << us << 1 << "A*"
                                                          << "";
    QTest::newRow("an open bracket") << us << 2 << "[ab"
                                     << "";
    QTest::newRow("whole catalog number") << us << 3 << "40"
                                          << "Aardvark";
    QTest::newRow("no catalog number prefix") << us << 3 << "4"
                                              << "";
    QTest::newRow("birthday, month first") << us << 4 << "3/4/1998"
                                           << "Ant";
    QTest::newRow("birthday, day first")
        << QLocale(QLocale::English, QLocale::UnitedKingdom) << 4 << "04/03/1998"
        << "Ant";
}

void TestItemEditing::findKinds()
{
    QFETCH(QLocale, locale);
    QFETCH(int, kind);
    QFETCH(QString, text);
    QFETCH(QString, foundDescr);
    Session s(true, locale);
    s.click("cmdLast");
    const QString shownBefore = s.text("txtDescr");
    s.dialogs.modalSteps.enqueue([&](QDialog& find) {
        find.findChild<QRadioButton*>(QStringLiteral("optBy(%1)").arg(kind))->click();
        QTest::keyClicks(find.findChild<QLineEdit*>(QStringLiteral("txtName")), text);
        find.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    s.click("cmdFind");
    QCOMPARE(s.dialogs.modalTitles, QStringList{QStringLiteral("Find Plonko")});
    QCOMPARE(s.text("txtDescr"), foundDescr.isEmpty() ? shownBefore : foundDescr);
    QCOMPARE(s.dialogs.lastText(),
             foundDescr.isEmpty() ? QStringLiteral("That record was not found.") : QString());
    const int sortItem = kind;
    QVERIFY(s.get<QAction>(qPrintable(QStringLiteral("mnuSort(%1)").arg(sortItem)))->isChecked());

    // the next find shows the kind chosen last, with an empty text
    s.dialogs.modalSteps.enqueue([&](QDialog& find) {
        QVERIFY(find.findChild<QRadioButton*>(QStringLiteral("optBy(%1)").arg(kind))->isChecked());
        QCOMPARE(find.findChild<QLineEdit*>(QStringLiteral("txtName"))->text(), QString());
    });
    s.click("cmdFind");
}

void TestItemEditing::findThatFailsKeepsActingOnTheShownRow()
{
    Session s;
    s.click("cmdLast"); // Zed
    s.dialogs.modalSteps.enqueue([](QDialog& find) {
        find.findChild<QRadioButton*>(QStringLiteral("optBy(2)"))->click();
        QTest::keyClicks(find.findChild<QLineEdit*>(QStringLiteral("txtName")),
                         QStringLiteral("nothing like it"));
        find.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
    });
    s.click("cmdFind");
    QCOMPARE(s.dialogs.messages.last().title, QStringLiteral("No Records Match"));
    QCOMPARE(s.text("txtName"), QStringLiteral("Zed"));
    s.type("txtColor", QStringLiteral("Striped"));
    s.click("cmdUpdate");
    QCOMPARE(textOf(s.state.items().Fields(QStringLiteral("Name"))), QStringLiteral("Zed"));
    QCOMPARE(textOf(s.state.items().Fields(QStringLiteral("Color"))), QStringLiteral("Striped"));
    s.click("cmdNext"); // in description order now: Zebra is the last
    QCOMPARE(s.dialogs.beeps, 1);
}

void TestItemEditing::cancelledFindChangesNothing()
{
    Session s;
    s.click("cmdNext");
    s.dialogs.modalSteps.enqueue([](QDialog& find) {
        find.findChild<QRadioButton*>(QStringLiteral("optBy(3)"))->click();
        find.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    });
    s.click("cmdFind");
    QCOMPARE(s.text("txtDescr"), QStringLiteral("Aardvark"));
    QVERIFY(s.get<QAction>("mnuSort(1)")->isChecked());
    s.dialogs.modalSteps.enqueue([](QDialog& find) {
        QVERIFY(
            find.findChild<QRadioButton*>(QStringLiteral("optBy(1)"))->isChecked()); // afresh after a cancel
        find.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();              // empty text
        QCOMPARE(find.result(), int(QDialog::Rejected));                             // the dialog stays open
    });
    s.click("cmdFind");
    QCOMPARE(s.dialogs.lastText(), QStringLiteral("You must enter a plonko name to find"));
}

void TestItemEditing::partialSaleSplitsTheHolding()
{
    Session s;
    s.click("cmdAddNew");
    s.type("txtName", QStringLiteral("Hazel the Owl"));
    s.type("txtCatNum", QStringLiteral("Style 45-B"));
    s.type("txtQuantity", QStringLiteral("5"));
    s.type("txtPricePaid", QStringLiteral("3"));
    s.type("txtCatValue", QStringLiteral("4"));
    s.type("txtTotalSales", QStringLiteral("7"));
    s.get<QCheckBox>("chkForSale")->setChecked(true);
    s.click("cmdUpdate");
    const Value holdingKey = s.state.items().Fields(QStringLiteral("PlonID"));
    s.dialogs.inputs.enqueue(QStringLiteral("2"));
    s.click("cmdSoldSome");
    QVERIFY(s.dialogs.messages.isEmpty());
    QCOMPARE(s.dialogs.prompts, QStringList{QStringLiteral("How many of this Plonko were sold?")});

    // the window shows the holding with what is left
    QCOMPARE(s.state.items().Fields(QStringLiteral("PlonID")), holdingKey);
    QCOMPARE(s.text("txtQuantity"), QStringLiteral("3"));
    Recordset& holding = s.state.items();
    QCOMPARE(holding.Fields(QStringLiteral("totalpaid")), Value(Money::fromUnits(90000)));
    QCOMPARE(holding.Fields(QStringLiteral("totalval")), Value(Money::fromUnits(120000)));
    QCOMPARE(holding.Fields(QStringLiteral("totalsales")), Value(Money::fromUnits(70000)));

    std::unique_ptr<Recordset> sold = s.state.db().OpenRecordset(
        QStringLiteral("Select * from Plonko where sold and Name = 'Hazel the Owl'"),
        Database::RecordsetType::Snapshot);
    QCOMPARE(sold->RecordCount(), 1L);
    QCOMPARE(sold->Fields(QStringLiteral("quantity")), Value(qint32(2)));
    QCOMPARE(sold->Fields(QStringLiteral("totalpaid")), Value(Money::fromUnits(60000)));
    QCOMPARE(sold->Fields(QStringLiteral("totalval")), Value(Money::fromUnits(80000)));
    QVERIFY(isNull(sold->Fields(QStringLiteral("totalsales"))));
    QCOMPARE(sold->Fields(QStringLiteral("forsale")), Value(false));
    QCOMPARE(sold->Fields(QStringLiteral("SoldDate")), Value(QDate(2026, 12, 7)));
    QCOMPARE(sold->Fields(QStringLiteral("catsort")), holding.Fields(QStringLiteral("catsort")));
}

void TestItemEditing::saleAnswersThatAreRefused_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::newRow("cancel") << ""
                            << "You must enter a number for the number sold."
                            << "Number Required";
    QTest::newRow("more than held") << "6"
                                    << "You do not have that many of the current Plonko."
                                    << "Sold How Many?";
    QTest::newRow("beyond any quantity") << "99999999999"
                                         << "You do not have that many of the current Plonko."
                                         << "Sold How Many?";
    QTest::newRow("none") << "0"
                          << "The number sold must be at least 1."
                          << "Sold How Many?";
    QTest::newRow("negative") << "-2"
                              << "The number sold must be at least 1."
                              << "Sold How Many?";
}

void TestItemEditing::saleAnswersThatAreRefused()
{
    QFETCH(QString, answer);
    QFETCH(QString, text);
    QFETCH(QString, title);
    Session s;
    s.get<QAction>("mnuSort(3)")->trigger();
    s.click("cmdLast"); // 401, Cubby, three held
    s.dialogs.inputs.enqueue(answer.isEmpty() ? QString() : answer);
    s.click("cmdSoldSome");
    QCOMPARE(s.dialogs.lastText(), text);
    QCOMPARE(s.dialogs.messages.last().title, title);
    QCOMPARE(rowsByKey(s)->RecordCount(), 8L);
}

void TestItemEditing::wholeHoldingSoldMarksTheRow_data()
{
    QTest::addColumn<QDate>("before");
    QTest::addColumn<QDate>("after");
    QTest::newRow("without a date of sale") << QDate() << QDate(2026, 12, 7);
    QTest::newRow("dated already") << QDate(2025, 3, 1) << QDate(2025, 3, 1);
}

// All of a holding sold is dated today, as a part of it would be, unless the
// collector gave it a date of sale already.
void TestItemEditing::wholeHoldingSoldMarksTheRow()
{
    QFETCH(QDate, before);
    QFETCH(QDate, after);
    Session s;
    s.click("cmdNext"); // Abby the aardvark, one held
    Recordset& shown = s.state.items();
    shown.Edit();
    shown.SetField(QStringLiteral("SoldDate"), before.isValid() ? Value(before) : Value());
    shown.Update();
    s.click("cmdSoldSome");
    QVERIFY(s.get<QCheckBox>("chkSold")->isChecked());
    QVERIFY(!s.get<QCheckBox>("chkForSale")->isChecked());
    QCOMPARE(s.get<DateBox>("dcSoldDate")->text(), s.state.regional.formatShortDate(after));
    std::unique_ptr<Recordset> rows = rowsByKey(s);
    QCOMPARE(column(*rows, "sold").count(QStringLiteral("True")), 2);
    QCOMPARE(column(*rows, "SoldDate"),
             (QStringList{"", "", "", after.toString(Qt::ISODate), "", "", "", ""}));
}

void TestItemEditing::failedSplitLeavesBothRowsAsTheyWere()
{
    Session s;
    s.get<QAction>("mnuSort(3)")->trigger();
    s.click("cmdLast");                                    // Cubby, three held
    s.state.db().failNextWrites(1, DbError::DiskError, 1); // the second write fails
    s.dialogs.inputs.enqueue(QStringLiteral("1"));
    s.click("cmdSoldSome");
    QVERIFY(s.dialogs.ended);
    QVERIFY(s.dialogs.lastText().startsWith(QStringLiteral("3043  ")));
    s.window.reset();
    s.state.ItemSet.reset();
    std::unique_ptr<Recordset> rows = rowsByKey(s);
    QCOMPARE(rows->RecordCount(), 8L);
    QCOMPARE(column(*rows, "quantity"), (QStringList{"2", "1", "3", "1", "5", "1", "1", "1"}));
}

void TestItemEditing::findEnterIsOkWhereverTheFocusHasBeen_data()
{
    QTest::addColumn<QStringList>("keys"); // from the text box, after typing
    QTest::newRow("straight away") << QStringList{};
    QTest::newRow("over OK") << QStringList{"Tab", "Shift+Tab"};
    QTest::newRow("over Cancel and round") << QStringList{"Tab", "Tab", "Tab", "Tab"};
    QTest::newRow("over Cancel and back") << QStringList{"Tab", "Tab", "Shift+Tab", "Shift+Tab"};
    QTest::newRow("over the kinds") << QStringList{"Shift+Tab", "Tab"};
}

void TestItemEditing::findEnterIsOkWhereverTheFocusHasBeen()
{
    QFETCH(QStringList, keys);
    Session s;
    s.click("cmdLast");
    s.dialogs.modalSteps.enqueue([&](QDialog& find) {
        find.show();
        QApplication::setActiveWindow(&find);
        QCOMPARE(QApplication::focusWidget(), find.findChild<QLineEdit*>(QStringLiteral("txtName")));
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("ab"));
        pressKeys(keys);
        QCOMPARE(QApplication::focusWidget(), find.findChild<QLineEdit*>(QStringLiteral("txtName")));
        pressKeys({"Return"});
        QCOMPARE(find.result(), int(QDialog::Accepted));
    });
    s.click("cmdFind");
    QCOMPARE(s.text("txtDescr"), QStringLiteral("Aardvark"));
    QCOMPARE(s.dialogs.messages.size(), 0);
}

void TestItemEditing::findKindsAreOneGroupOfOptions_data()
{
    QTest::addColumn<int>("clicked");      // the kind clicked first, 0 for none
    QTest::addColumn<QStringList>("keys"); // from the text box
    QTest::addColumn<int>("chosen");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QString>("prompt");
    QTest::newRow("Shift+Tab comes to the name") << 0 << QStringList{"Shift+Tab"} << 1 << "optBy(1)"
                                                 << "Enter Plonko Name";
    QTest::newRow("Shift+Tab comes to the chosen kind") << 3 << QStringList{"Shift+Tab"} << 3 << "optBy(3)"
                                                        << "Enter Catalog Number";
    QTest::newRow("Tab round comes to the chosen kind")
        << 2 << QStringList{"Tab", "Tab", "Tab"} << 2 << "optBy(2)"
        << "Enter Description";
    QTest::newRow("Tab leaves the kinds for the text")
        << 2 << QStringList{"Shift+Tab", "Tab"} << 2 << "txtName"
        << "Enter Description";
    QTest::newRow("Down chooses") << 0 << QStringList{"Shift+Tab", "Down"} << 2 << "optBy(2)"
                                  << "Enter Description";
    QTest::newRow("Right chooses") << 0 << QStringList{"Shift+Tab", "Right", "Right"} << 3 << "optBy(3)"
                                   << "Enter Catalog Number";
    QTest::newRow("Up chooses") << 4 << QStringList{"Shift+Tab", "Up"} << 3 << "optBy(3)"
                                << "Enter Catalog Number";
    QTest::newRow("Left chooses") << 2 << QStringList{"Shift+Tab", "Left"} << 1 << "optBy(1)"
                                  << "Enter Plonko Name";
    QTest::newRow("Down to the birthday")
        << 0 << QStringList{"Shift+Tab", "Down", "Down", "Down"} << 4 << "optBy(4)"
        << "Enter Birthday";
    QTest::newRow("Down stops at the last") << 4 << QStringList{"Shift+Tab", "Down"} << 4 << "optBy(4)"
                                            << "Enter Birthday";
    QTest::newRow("Up stops at the first") << 0 << QStringList{"Shift+Tab", "Up"} << 1 << "optBy(1)"
                                           << "Enter Plonko Name";
    QTest::newRow("a chosen kind takes the Tab on to the text")
        << 0 << QStringList{"Shift+Tab", "Down", "Tab"} << 2 << "txtName"
        << "Enter Description";
}

void TestItemEditing::findKindsAreOneGroupOfOptions()
{
    QFETCH(int, clicked);
    QFETCH(QStringList, keys);
    QFETCH(int, chosen);
    QFETCH(QString, focus);
    QFETCH(QString, prompt);
    Session s;
    s.dialogs.modalSteps.enqueue([&](QDialog& find) {
        find.show();
        QApplication::setActiveWindow(&find);
        if (clicked)
            find.findChild<QRadioButton*>(QStringLiteral("optBy(%1)").arg(clicked))->click();
        QCOMPARE(QApplication::focusWidget(), find.findChild<QLineEdit*>(QStringLiteral("txtName")));
        pressKeys(keys);
        for (int kind = 1; kind <= 4; ++kind) {
            QCOMPARE(find.findChild<QRadioButton*>(QStringLiteral("optBy(%1)").arg(kind))->isChecked(),
                     kind == chosen);
        }
        QCOMPARE(QApplication::focusWidget()->objectName(), focus);
        QCOMPARE(find.findChild<QLabel*>(QStringLiteral("lblName"))->text(), prompt);
        QCOMPARE(static_cast<frmFind&>(find).kind(), frmFind::Kind(chosen));
    });
    s.click("cmdFind");
    QCOMPARE(s.dialogs.modalTitles.size(), 1);
}

void TestItemEditing::helpKeyOpensTheDialogsTopic_data()
{
    QTest::addColumn<bool>("calendar");
    QTest::addColumn<int>("topic");
    QTest::newRow("find") << false << frmFind::kHelpTopic;
    QTest::newRow("calendar") << true << frmDateEnt::kHelpTopic;
}

void TestItemEditing::helpKeyOpensTheDialogsTopic()
{
    QFETCH(bool, calendar);
    QFETCH(int, topic);
    Session s;
    std::unique_ptr<QDialog> dialog;
    if (calendar)
        dialog = std::make_unique<frmDateEnt>(s.state, s.window.get());
    else
        dialog = std::make_unique<frmFind>(s.state, s.window.get());
    dialog->show();
    QApplication::setActiveWindow(dialog.get());
    pressKeys({"F1"});
    QCOMPARE(s.dialogs.helpCalls.size(), 1);
    QCOMPARE(s.dialogs.helpCalls[0].file, s.state.HelpPath);
    QCOMPARE(s.dialogs.helpCalls[0].command, Dialogs::HelpCommand::Context);
    QCOMPARE(s.dialogs.helpCalls[0].topic, topic);
    QVERIFY(dialog->isVisible());
}

QTEST_MAIN(TestItemEditing)
#include "tst_itemediting.moc"
