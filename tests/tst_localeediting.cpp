#include "ItemSession.h"

#include "dates/DateFormat.h"

namespace {

const char* const kMoneyFields[] = {"pricepaid", "totalpaid", "catvalue",
                                    "totalval",  "priceask",  "totalsales"};
const char* const kDateFields[] = {"issuedate", "retiredate", "PurchaseDate", "SoldDate"};

// The row the window shows, as the store holds it.
std::unique_ptr<Recordset> shownRow(Session& s)
{
    const qint32 key = longOf(s.state.items().Fields(QStringLiteral("PlonID"))).value_or(0);
    return s.state.db().OpenRecordset(QStringLiteral("Select * from Plonko where PlonID = %1").arg(key),
                                      Database::RecordsetType::Snapshot);
}

// Stores values in the first row by name, as another window would, and shows it again.
void storeInFirstRow(Session& s, const QList<std::pair<QString, Value>>& values)
{
    Recordset& items = s.state.items();
    items.Edit();
    for (const auto& [field, value] : values)
        items.SetField(field, value);
    items.Update();
    s.click("cmdFirst");
}

// The six amounts and four dates of a row.
QList<std::pair<QString, Value>> amountsAndDates(const QList<qint64>& amounts, const QDate (&dates)[4])
{
    QList<std::pair<QString, Value>> values;
    for (int i = 0; i < 6; ++i)
        values.append({QString::fromLatin1(kMoneyFields[i]), Money::fromUnits(amounts[i])});
    for (int i = 0; i < 4; ++i)
        values.append({QString::fromLatin1(kDateFields[i]), dates[i]});
    return values;
}

} // namespace

class TestLocaleEditing : public QObject
{
    Q_OBJECT

private slots:
    void untouchedMoneyAndDatesSurviveAnUpdate_data();
    void untouchedMoneyAndDatesSurviveAnUpdate();
    void aColourOnlySaveKeepsEverythingInEveryLocale();
    void totalsComeFromTheStoredPrice();
    void aPriceTypedAnewCountsAsTyped_data();
    void aPriceTypedAnewCountsAsTyped();
    void aSaleMultipliesTheStoredPrice();
    void valuesThatCannotBeReadRefuseTheSave_data();
    void valuesThatCannotBeReadRefuseTheSave();
    void totalsAreRoundedOnce_data();
    void totalsAreRoundedOnce();
    void yearsBelowAHundredAreRefused();
};

void TestLocaleEditing::untouchedMoneyAndDatesSurviveAnUpdate_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QList<qint64>>("amounts"); // in ten-thousandths
    const QList<qint64> cents{12345600, 9900, 10000000100, 123400, -52500, 100};
    QTest::newRow("ccp_BD, Chakma digits") << QLocale(QStringLiteral("ccp_BD")) << cents;
    QTest::newRow("ff_Adlm_GN, Adlam digits, no decimals shown")
        << QLocale(QStringLiteral("ff_Adlm_GN")) << cents;
    QTest::newRow("ff_Adlm_NG, Adlam digits, cents") << QLocale(QStringLiteral("ff_Adlm_NG")) << cents;
    QTest::newRow("ja_JP, no decimals shown") << QLocale(QLocale::Japanese, QLocale::Japan) << cents;
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << cents;
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << cents;
}

// Changing one thing of an item in any locale leaves its prices and dates
// as they were.
void TestLocaleEditing::untouchedMoneyAndDatesSurviveAnUpdate()
{
    QFETCH(QLocale, locale);
    QFETCH(QList<qint64>, amounts);
    const QDate dates[] = {QDate(1998, 5, 30), QDate(2029, 12, 31), QDate(1930, 1, 1), QDate(2000, 2, 29)};
    Session s(true, locale);
    storeInFirstRow(s, amountsAndDates(amounts, dates));

    s.type("txtColor", QStringLiteral("Teal"));
    s.click("cmdUpdate");
    QCOMPARE(s.dialogs.lastText(), QString());
    std::unique_ptr<Recordset> row = shownRow(s);
    QCOMPARE(row->Fields(QStringLiteral("Color")), Value(QStringLiteral("Teal")));
    for (int i = 0; i < 6; ++i)
        QVERIFY2(row->Fields(QString::fromLatin1(kMoneyFields[i])) == Value(Money::fromUnits(amounts[i])),
                 kMoneyFields[i]);
    for (int i = 0; i < 4; ++i)
        QVERIFY2(row->Fields(QString::fromLatin1(kDateFields[i])) == Value(dates[i]), kDateFields[i]);
}

// The same, in every locale Qt knows, on one window whose regional settings
// change between saves; amounts carry cents whether the currency shows them
// or not.
void TestLocaleEditing::aColourOnlySaveKeepsEverythingInEveryLocale()
{
    const QDate dates[] = {QDate(1998, 5, 30), QDate(2029, 12, 31), QDate(1930, 1, 1), QDate(2000, 2, 29)};
    Session s;
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    int saved = 0;
    for (const QLocale& locale : locales) {
        s.state.regional = RegionalSettings(locale);
        ChkDateFmt(s.state);
        const QList<qint64> amounts = {12345600, 9900, 10000000100, 123400, -52500, 0};
        storeInFirstRow(s, amountsAndDates(amounts, dates));
        const QString colour = QStringLiteral("Colour %1").arg(++saved);
        s.type("txtColor", colour);
        s.click("cmdUpdate");
        const QByteArray name = locale.name().toLatin1();
        QVERIFY2(s.dialogs.lastText().isEmpty(), name.constData());
        std::unique_ptr<Recordset> row = shownRow(s);
        QVERIFY2(row->Fields(QStringLiteral("Color")) == Value(colour), name.constData());
        for (int i = 0; i < 6; ++i)
            QVERIFY2(row->Fields(QString::fromLatin1(kMoneyFields[i])) == Value(Money::fromUnits(amounts[i])),
                     QByteArray(name + ' ' + kMoneyFields[i]).constData());
        for (int i = 0; i < 4; ++i)
            QVERIFY2(row->Fields(QString::fromLatin1(kDateFields[i])) == Value(dates[i]),
                     QByteArray(name + ' ' + kDateFields[i]).constData());
    }
}

// Yen show no decimals: a new quantity multiplies the price as stored, not as
// shown, and a price typed anew counts as typed.
void TestLocaleEditing::totalsComeFromTheStoredPrice()
{
    Session s(true, QLocale(QLocale::Japanese, QLocale::Japan));
    storeInFirstRow(s, {{QStringLiteral("pricepaid"), Money::fromUnits(104800)},
                        {QStringLiteral("catvalue"), Money::fromUnits(727100)}});
    s.type("txtQuantity", QStringLiteral("3"));
    s.focus("txtColor");
    s.type("txtPriceAsk", QStringLiteral("5"));
    s.click("cmdUpdate");
    std::unique_ptr<Recordset> row = shownRow(s);
    QCOMPARE(row->Fields(QStringLiteral("pricepaid")), Value(Money::fromUnits(104800)));
    QCOMPARE(row->Fields(QStringLiteral("totalpaid")), Value(Money::fromUnits(314400)));
    QCOMPARE(row->Fields(QStringLiteral("totalval")), Value(Money::fromUnits(2181300)));
    QCOMPARE(row->Fields(QStringLiteral("priceask")), Value(Money::fromUnits(50000)));
    QCOMPARE(row->Fields(QStringLiteral("totalsales")), Value(Money::fromUnits(150000)));
    QCOMPARE(s.text("txtTotalPaid"), QStringLiteral("\uffe531"));
}

void TestLocaleEditing::aPriceTypedAnewCountsAsTyped_data()
{
    QTest::addColumn<bool>("adding");
    QTest::newRow("over the stored amount") << false;
    QTest::newRow("in a new item after it") << true;
}

// "10" typed where 10.48 shows as "￥10" is 10, though it shows the same.
void TestLocaleEditing::aPriceTypedAnewCountsAsTyped()
{
    QFETCH(bool, adding);
    Session s(true, QLocale(QLocale::Japanese, QLocale::Japan));
    storeInFirstRow(s, {{QStringLiteral("pricepaid"), Money::fromUnits(104800)}});
    if (adding) {
        s.click("cmdAddNew");
        s.type("txtName", QStringLiteral("Newcomer"));
    }
    s.type("txtPricePaid", QStringLiteral("10"));
    s.focus("txtCatValue");
    QCOMPARE(s.text("txtPricePaid"), QStringLiteral("\uffe510"));
    s.click("cmdUpdate");
    QCOMPARE(shownRow(s)->Fields(QStringLiteral("pricepaid")), Value(Money::fromUnits(100000)));
}

// The sold pieces' total is their stored price times their number.
void TestLocaleEditing::aSaleMultipliesTheStoredPrice()
{
    Session s(true, QLocale(QLocale::Japanese, QLocale::Japan));
    storeInFirstRow(
        s, {{QStringLiteral("quantity"), 5}, {QStringLiteral("pricepaid"), Money::fromUnits(104800)}});
    s.dialogs.inputs.enqueue(QStringLiteral("3"));
    s.click("cmdSoldSome");
    std::unique_ptr<Recordset> sold = s.state.db().OpenRecordset(
        QStringLiteral("Select * from Plonko where sold = true and descr = 'Unnamed owl'"),
        Database::RecordsetType::Snapshot);
    QCOMPARE(sold->RecordCount(), 1);
    QCOMPARE(sold->Fields(QStringLiteral("pricepaid")), Value(Money::fromUnits(104800)));
    QCOMPARE(sold->Fields(QStringLiteral("totalpaid")), Value(Money::fromUnits(314400)));
}

void TestLocaleEditing::valuesThatCannotBeReadRefuseTheSave_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wanted"); // on the want list, where the price paid is the price to pay
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("label"); // named in the message
    QTest::addColumn<QString>("focus");
    const QString unreadable = QStringLiteral("Value Cannot Be Read");
    const QString euros = QStringLiteral("12,50 €"); // written as another locale writes money
    QTest::newRow("price paid") << "txtPricePaid"
                                << "pricepaid" << euros << false << unreadable << "Price Paid"
                                << "txtPricePaid";
    QTest::newRow("price to pay") << "txtPricePaid"
                                  << "pricepaid" << euros << true << unreadable << "Will Pay"
                                  << "txtPricePaid";
    QTest::newRow("total paid") << "txtTotalPaid"
                                << "totalpaid" << euros << false << unreadable << "Total Paid"
                                << "txtPricePaid";
    QTest::newRow("catalog value") << "txtCatValue"
                                   << "catvalue" << euros << false << unreadable << "Catalog Value"
                                   << "txtCatValue";
    QTest::newRow("total value") << "txtTotalVal"
                                 << "totalval" << euros << false << unreadable << "Total Value"
                                 << "txtCatValue";
    QTest::newRow("selling price") << "txtPriceAsk"
                                   << "priceask" << euros << false << unreadable << "Selling Price"
                                   << "txtPriceAsk";
    QTest::newRow("total sales") << "txtTotalSales"
                                 << "totalsales" << euros << false << unreadable << "Total Sales"
                                 << "txtPriceAsk";
    QTest::newRow("birthday") << "dcIssueDate"
                              << "issuedate"
                              << "30.05.1998" << false << unreadable << "Birthday"
                              << "dcIssueDate";
    QTest::newRow("retirement date") << "dcRetireDate"
                                     << "retiredate"
                                     << "31/12/1999" << false << unreadable << "Retirement Date"
                                     << "dcRetireDate";
    QTest::newRow("purchase date") << "dcPurchaseDate"
                                   << "PurchaseDate"
                                   << "3/4/0099" << false << unreadable << "Purchase Date"
                                   << "dcPurchaseDate";
    QTest::newRow("date sold") << "dcSoldDate"
                               << "SoldDate"
                               << "yesterday" << false << unreadable << "Date Sold"
                               << "dcSoldDate";
    QTest::newRow("total beyond money") << "txtTotalSales"
                                        << "totalsales"
                                        << "$2,000,000,000,000,000.00" << false << "Amount Too Large"
                                        << ""
                                        << "txtPriceAsk";
}

// A value the window shows but cannot read back is not stored as nothing:
// the save is refused, naming the field, and nothing is written.
void TestLocaleEditing::valuesThatCannotBeReadRefuseTheSave()
{
    QFETCH(QString, control);
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(bool, wanted);
    QFETCH(QString, title);
    QFETCH(QString, label);
    QFETCH(QString, focus);
    Session s;
    s.click("cmdNext"); // Abby the aardvark
    const Value before = shownRow(s)->Fields(field);
    const Value colorBefore = shownRow(s)->Fields(QStringLiteral("Color"));
    s.get<QCheckBox>("chkWantList")->setChecked(wanted);
    s.type("txtColor", QStringLiteral("Teal"));
    if (auto* date = qobject_cast<DateBox*>(s.get(qPrintable(control))))
        date->setText(text);
    else
        s.get<QLineEdit>(qPrintable(control))->setText(text);
    s.click("cmdUpdate");

    QCOMPARE(s.dialogs.messages.size(), 1);
    QCOMPARE(s.dialogs.messages[0].title, title);
    if (!label.isEmpty())
        QVERIFY2(s.dialogs.messages[0].text.contains(QStringLiteral("the %1 field").arg(label)),
                 qPrintable(s.dialogs.messages[0].text));
    QTRY_COMPARE(QApplication::focusWidget(), s.get(qPrintable(focus)));
    QVERIFY(s.get(qPrintable(focus))->isVisible());
    QVERIFY(s.window->isDirty());
    std::unique_ptr<Recordset> row = shownRow(s);
    QCOMPARE(row->Fields(field), before);
    QCOMPARE(row->Fields(QStringLiteral("Color")), colorBefore);
}

void TestLocaleEditing::totalsAreRoundedOnce_data()
{
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("total");
    QTest::newRow("paid") << "txtPricePaid"
                          << "txtTotalPaid";
    QTest::newRow("value") << "txtCatValue"
                           << "txtTotalVal";
    QTest::newRow("selling") << "txtPriceAsk"
                             << "txtTotalSales";
}

// Two at 1.00249 are 2.00498: shown as $2.00, as the price shows $1.00.
void TestLocaleEditing::totalsAreRoundedOnce()
{
    QFETCH(QString, price);
    QFETCH(QString, total);
    Session s;
    s.get<QLineEdit>("txtQuantity")->setText(QStringLiteral("2"));
    s.focus(qPrintable(price));
    s.type(qPrintable(price), QStringLiteral("1.00249"));
    s.focus("txtName");
    QCOMPARE(s.text(qPrintable(price)), QStringLiteral("$1.00"));
    QCOMPARE(s.text(qPrintable(total)), QStringLiteral("$2.00"));
}

// "0099" is no recent year, and the criteria of a find would read it as 1999.
void TestLocaleEditing::yearsBelowAHundredAreRefused()
{
    Session s;
    s.dialogs.modalSteps.enqueue([](QDialog& find) {
        find.findChild<QRadioButton*>(QStringLiteral("optBy(4)"))->click();
        QTest::keyClicks(find.findChild<QLineEdit*>(QStringLiteral("txtName")), QStringLiteral("3/4/0099"));
        find.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
        QCOMPARE(find.result(), int(QDialog::Rejected)); // the dialog stays open
    });
    s.click("cmdFind");
    QCOMPARE(s.dialogs.lastText(),
             QStringLiteral("You must enter a valid date for the plonko birthdate to find"));

    s.get<QTabWidget>("SSTab1")->setCurrentIndex(0);
    s.focus("dcIssueDate");
    s.get<DateBox>("dcIssueDate")->setText(QStringLiteral("3/4/0099"));
    s.focus("dcRetireDate");
    QCOMPARE(s.dialogs.lastText(),
             QStringLiteral("You must enter a valid issue date, or leave the field blank."));
    QTRY_COMPARE(QApplication::focusWidget(), s.get("dcIssueDate"));

    s.get<DateBox>("dcIssueDate")->setText(QStringLiteral("3/4/99")); // a two-digit year is recent
    s.click("cmdUpdate");
    QCOMPARE(s.dialogs.messages.size(), 2);
    QCOMPARE(s.state.items().Fields(QStringLiteral("issuedate")), Value(QDate(1999, 3, 4)));
}

QTEST_MAIN(TestLocaleEditing)
#include "tst_localeediting.moc"
