#include "LookupWindow.h"

#include "items/ElidingFields.h"

#include <QClipboard>
#include <QLayout>
#include <QScreen>

namespace {

const QLocale kGerman(QLocale::German, QLocale::Germany);

// The vertical gap between a field and the first button row below it.
int gapBelow(QWidget* field, std::initializer_list<const char*> rowButtons, LookupWindow& m)
{
    for (const char* name : rowButtons) {
        if (!m.get(name)->isHidden())
            return m.get(name)->mapTo(m.window, QPoint()).y() -
                   (field->mapTo(m.window, QPoint()).y() + field->height());
    }
    return -1;
}

void settle(QWidget* window)
{
    window->layout()->activate();
    QApplication::processEvents();
}

// The smallest size a window can be given, in the screen's pixels at 200%
// scaling, frame and title bar included.
QSize atDoubleScale(QWidget* window)
{
    return window->minimumSizeHint() * 2 + QSize(16, 80);
}

const QSize kSmallScreen(1280, 1024 - 40); // less a panel

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

private slots:
    void lookupWindowsOpenAStepApart();
    void sellerNotesGrowWithTheWindow();
    void editModeLeavesNoBlankRow_data();
    void editModeLeavesNoBlankRow();
    void totalsAreReadOnlyAndCopied_data();
    void totalsAreReadOnlyAndCopied();
    void moneyShowsItsLeadingDigits_data();
    void moneyShowsItsLeadingDigits();
    void dropDownsTakeTheirColumnsWidth_data();
    void dropDownsTakeTheirColumnsWidth();
    void windowsFitASmallScreenAtDoubleScale_data();
    void windowsFitASmallScreenAtDoubleScale();
};

void TestLayout::lookupWindowsOpenAStepApart()
{
    Session s;
    QList<QRect> frames;
    for (int table : {1, 2, 3, 4, 5, 6, 1, 2, 3}) {
        LookupWindow m(s, table);
        const QRect frame = m.window->frameGeometry();
        QVERIFY2(m.window->screen()->availableGeometry().contains(frame), qPrintable(QString::number(table)));
        for (const QRect& before : frames)
            QVERIFY(frame.topLeft() != before.topLeft());
        if (!frames.isEmpty() && frame.top() > frames.last().top()) {
            QVERIFY(frame.left() > frames.last().left()); // a step down and to the right
            QVERIFY(frame.top() - frames.last().top() >= m.window->fontMetrics().height());
        }
        frames.append(frame);
    }
}

void TestLayout::sellerNotesGrowWithTheWindow()
{
    Session s;
    LookupWindow m(s, 2);
    auto* notes = m.get("txtBouNotes");
    const int before = notes->height();
    m.window->resize(m.window->width() + 100, m.window->height() + 200);
    settle(m.window);
    QCOMPARE(notes->height(), before + 200);
    QCOMPARE(m.get("txtDesc")->width(), notes->width()); // wider too
}

void TestLayout::editModeLeavesNoBlankRow_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("lastField");
    QTest::newRow("conditions") << 1 << "txtDesc";
    QTest::newRow("sellers") << 2 << "txtBouNotes";
    QTest::newRow("brands") << 3 << "txtDesc";
    QTest::newRow("series") << 4 << "txtDesc";
    QTest::newRow("tag conditions") << 5 << "txtDesc";
    QTest::newRow("generations") << 6 << "txtDesc";
}

void TestLayout::editModeLeavesNoBlankRow()
{
    QFETCH(int, table);
    QFETCH(QString, lastField);
    Session s;
    LookupWindow m(s, table);
    QWidget* field = m.get(qPrintable(lastField));
    const std::initializer_list<const char*> rows = {"cmdFirst", "cmdAddNew", "cmdUpdate"};
    settle(m.window);
    const int browsing = gapBelow(field, rows, m);
    m.type(QStringLiteral("Changed"));
    QVERIFY(m.shown("cmdUpdate") && !m.shown("cmdFirst"));
    settle(m.window);
    QCOMPARE(gapBelow(field, rows, m), browsing);
    m.click("cmdCancel");
    settle(m.window);
    QCOMPARE(gapBelow(field, rows, m), browsing);
}

void TestLayout::totalsAreReadOnlyAndCopied_data()
{
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("price");
    QTest::newRow("paid") << "txtTotalPaid"
                          << "txtPricePaid";
    QTest::newRow("value") << "txtTotalVal"
                           << "txtCatValue";
    QTest::newRow("sales") << "txtTotalSales"
                           << "txtPriceAsk";
}

void TestLayout::totalsAreReadOnlyAndCopied()
{
    QFETCH(QString, total);
    QFETCH(QString, price);
    Session s;
    s.click("cmdNext"); // Abby the aardvark
    s.get<QTabWidget>("SSTab1")->setCurrentIndex(1);
    s.type(qPrintable(price), QStringLiteral("2.50"));
    s.type("txtQuantity", QStringLiteral("3"));
    s.focus("txtName"); // the totals are computed as the quantity is left
    auto* box = s.get<QLineEdit>(qPrintable(total));
    QCOMPARE(box->text(), QStringLiteral("$7.50"));
    QVERIFY(box->isReadOnly() && box->isEnabled());
    QCOMPARE(box->focusPolicy() & Qt::TabFocus, 0); // the Tab key passes it by

    QTest::mouseClick(box, Qt::LeftButton);
    QTRY_VERIFY(box->hasSelectedText());
    QCOMPARE(QApplication::focusWidget(), box); // the focus stays for copying
    QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("$7.50"));
    QTest::keyClicks(box, QStringLiteral("9"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->text(), QStringLiteral("$7.50"));
}

void TestLayout::moneyShowsItsLeadingDigits_data()
{
    QTest::addColumn<QString>("field");
    for (const char* field :
         {"txtPricePaid", "txtTotalPaid", "txtCatValue", "txtTotalVal", "txtPriceAsk", "txtTotalSales"})
        QTest::newRow(field) << field;
}

void TestLayout::moneyShowsItsLeadingDigits()
{
    QFETCH(QString, field);
    Session s(true, kGerman);
    s.get<QTabWidget>("SSTab1")->setCurrentIndex(1);
    s.focus("txtName");
    auto* box = qobject_cast<MoneyBox*>(s.get(qPrintable(field)));
    QVERIFY(box);
    const QString amount = QStringLiteral("123.456.789.012.345,00 €");
    box->setText(amount);
    // at the size the window opens at, the whole amount is seen
    s.window->resize(s.window->sizeHint());
    settle(s.window.get());
    QCOMPARE(box->shownText(), amount);
    QVERIFY(box->toolTip().isEmpty());
    // where the room runs out, the leading digits stay and the cut shows
    s.window->resize(s.window->minimumSizeHint());
    settle(s.window.get());
    QVERIFY(box->width() < box->fontMetrics().horizontalAdvance(amount));
    QVERIFY2(box->shownText().startsWith(QStringLiteral("123.")), qPrintable(box->shownText()));
    QVERIFY(box->shownText().endsWith(QStringLiteral("…")));
    QCOMPARE(box->toolTip(), amount);
}

void TestLayout::dropDownsTakeTheirColumnsWidth_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<QString>("neighbour"); // a text box in the same column
    QTest::addColumn<int>("page");
    QTest::newRow("condition") << "cmbToyCon"
                               << "txtTushDesc" << 0;
    QTest::newRow("tag condition") << "cmbTagCon"
                                   << "txtTushDesc" << 0;
    QTest::newRow("generation") << "cmbGen"
                                << "txtTushDesc" << 0;
    QTest::newRow("series") << "cmbSer"
                            << "txtColor" << 0;
    QTest::newRow("brand") << "cmbBra"
                           << "txtColor" << 0;
    QTest::newRow("seller") << "cmbBou"
                            << "" << 1;
}

void TestLayout::dropDownsTakeTheirColumnsWidth()
{
    QFETCH(QString, list);
    QFETCH(QString, neighbour);
    QFETCH(int, page);
    Session s;
    s.get<QTabWidget>("SSTab1")->setCurrentIndex(page);
    auto* box = qobject_cast<DropDownList*>(s.get(qPrintable(list)));
    QVERIFY(box);
    s.window->resize(s.window->sizeHint());
    settle(s.window.get());
    const int opened = box->width();
    if (!neighbour.isEmpty())
        QCOMPARE(box->width(), s.get(qPrintable(neighbour))->width());
    s.window->resize(s.window->width() + 600, s.window->height());
    settle(s.window.get());
    QVERIFY(box->width() >= opened + 200);

    const QString entry = QStringLiteral("Somewhat Uncommonly Long Entry Name For A Narrow List");
    box->setItemText(0, entry);
    box->setCurrentIndex(0);
    QCOMPARE(box->shownText(), entry);
    QVERIFY(box->toolTip().isEmpty());
    s.window->resize(s.window->minimumSizeHint());
    settle(s.window.get());
    QVERIFY2(box->shownText().startsWith(QStringLiteral("Som")), qPrintable(box->shownText()));
    QVERIFY(box->shownText().endsWith(QStringLiteral("…")));
    QCOMPARE(box->toolTip(), entry);
}

void TestLayout::windowsFitASmallScreenAtDoubleScale_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("de_DE") << kGerman;
    QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan);
}

void TestLayout::windowsFitASmallScreenAtDoubleScale()
{
    QFETCH(QLocale, locale);
    Session s(true, locale);
    for (int page = 0; page < 3; ++page) {
        s.get<QTabWidget>("SSTab1")->setCurrentIndex(page);
        settle(s.window.get());
        const QSize item = atDoubleScale(s.window.get());
        QVERIFY2(item.width() <= kSmallScreen.width() && item.height() <= kSmallScreen.height(),
                 qPrintable(QStringLiteral("page %1: %2x%3").arg(page).arg(item.width()).arg(item.height())));
    }
    for (int table = 1; table <= 6; ++table) {
        LookupWindow m(s, table);
        const QSize lookup = atDoubleScale(m.window);
        QVERIFY2(lookup.width() <= kSmallScreen.width() && lookup.height() <= kSmallScreen.height(),
                 qPrintable(
                     QStringLiteral("table %1: %2x%3").arg(table).arg(lookup.width()).arg(lookup.height())));
    }
}

QTEST_MAIN(TestLayout)
#include "tst_layout.moc"
