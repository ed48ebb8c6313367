#include "ItemSession.h"

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

} // namespace

class TestLocaleEditing : public QObject
{
    Q_OBJECT

private slots:
    void untouchedMoneyAndDatesSurviveAnUpdate_data();
    void untouchedMoneyAndDatesSurviveAnUpdate();
    void totalsAreRoundedOnce_data();
    void totalsAreRoundedOnce();
    void yearsBelowAHundredAreRefused();
};

void TestLocaleEditing::untouchedMoneyAndDatesSurviveAnUpdate_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QList<qint64>>("amounts"); // in ten-thousandths, as many decimals as the currency shows
    const QList<qint64> cents{12345600, 9900, 10000000100, 123400, -52500, 100};
    const QList<qint64> whole{12350000, 10000, 10000000000, 120000, -50000, 10000};
    QTest::newRow("ccp_BD, Chakma digits") << QLocale(QStringLiteral("ccp_BD")) << cents;
    QTest::newRow("ff_Adlm_GN, Adlam digits") << QLocale(QStringLiteral("ff_Adlm_GN")) << whole;
    QTest::newRow("ff_Adlm_NG, Adlam digits, cents") << QLocale(QStringLiteral("ff_Adlm_NG")) << cents;
    QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan) << whole;
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
    Recordset& items = s.state.items();
    items.Edit();
    for (int i = 0; i < 6; ++i)
        items.SetField(QString::fromLatin1(kMoneyFields[i]), Money::fromUnits(amounts[i]));
    for (int i = 0; i < 4; ++i)
        items.SetField(QString::fromLatin1(kDateFields[i]), dates[i]);
    items.Update();
    s.click("cmdFirst");

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
