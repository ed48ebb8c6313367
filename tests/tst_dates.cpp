#include "ItemSession.h"

#include "dates/CalendarMonth.h"
#include "dates/DateFormat.h"
#include "dates/frmDateEnt.h"

#include <QTableWidget>
#include <QToolButton>

namespace {

const QLocale kUs(QLocale::English, QLocale::UnitedStates);

// Shared state under a short date pattern, with its format examined.
struct Dates
{
    explicit Dates(const QString& pattern, const QLocale& locale = kUs)
        : state(dialogs, RegionalSettings(locale, pattern))
    {
        ChkDateFmt(state);
    }
    ScriptedDialogs dialogs;
    AppState state;
};

QTableWidget* grid(QDialog& picker)
{
    return picker.findChild<QTableWidget*>(QStringLiteral("Grid1"));
}

// Clicks the calendar cell holding the day (or, for 0, the first empty cell).
void clickDay(QDialog& picker, int day)
{
    QTableWidget* cells = grid(picker);
    for (int row = 0; row < cells->rowCount(); ++row) {
        for (int column = 0; column < cells->columnCount(); ++column) {
            if (cells->item(row, column)->text() == (day ? QString::number(day) : QString())) {
                const QRect rect = cells->visualItemRect(cells->item(row, column));
                QTest::mouseClick(cells->viewport(), Qt::LeftButton, {}, rect.center());
                return;
            }
        }
    }
    QFAIL("no such cell");
}

} // namespace

class TestDates : public QObject
{
    Q_OBJECT

private slots:
    void shortDateFormatIsExamined_data();
    void shortDateFormatIsExamined();
    void shortDateFieldsAreReadAsNumbers_data();
    void shortDateFieldsAreReadAsNumbers();
    void formatDateIsReadBackInEveryOrder_data();
    void formatDateIsReadBackInEveryOrder();
    void pickedDaysReadBackInEveryLocale();
    void aFormatLeavingAFieldOutReadsMonthDayYear_data();
    void aFormatLeavingAFieldOutReadsMonthDayYear();
    void calendarLayout_data();
    void calendarLayout();
    void spins_data();
    void spins();
    void pickerShowsTheMonthInTheSystemLanguage_data();
    void pickerShowsTheMonthInTheSystemLanguage();
    void pickerChoosesByOneClick();
    void pickerBeepsAtTheEndOfTheYears();
    void pickerPageKeysChangeMonthAndYear_data();
    void pickerPageKeysChangeMonthAndYear();
    void droppingDownAnEmptyDateClosedGivesToday();
    void droppingDownAFilledDateAndChoosingADay();
    void dateFieldsCheckedOnLeaving_data();
    void dateFieldsCheckedOnLeaving();
};

void TestDates::shortDateFormatIsExamined_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("sample"); // how 30 May 1998 reads
    QTest::newRow("month first, two-digit year") << "M/d/yy"
                                                 << "/"
                                                 << "mdy"
                                                 << "5/30/1998";
    QTest::newRow("day first, full stops, zeros") << "dd.MM.yyyy"
                                                  << "."
                                                  << "dmy"
                                                  << "30.05.1998";
    QTest::newRow("year first, hyphens") << "yyyy-MM-dd"
                                         << "-"
                                         << "ymd"
                                         << "1998-05-30";
    QTest::newRow("year, day, month") << "yyyy/dd/MM"
                                      << "/"
                                      << "ydm"
                                      << "1998/30/05";
    QTest::newRow("month names") << "d MMM yyyy"
                                 << " "
                                 << "dmy"
                                 << "30 May 1998";
    QTest::newRow("no separator: the pattern's order") << "yyyyMMdd"
                                                       << ""
                                                       << "ymd"
                                                       << "19980530";
    QTest::newRow("suffix after the year") << "dd.MM.yyyy 'г'."
                                           << "."
                                           << "dmy"
                                           << "30.05.1998 г.";
}

void TestDates::shortDateFormatIsExamined()
{
    QFETCH(QString, pattern);
    QFETCH(QString, separator);
    QFETCH(QString, order);
    QFETCH(QString, sample);
    Dates d(pattern);
    QCOMPARE(d.state.regional.formatShortDate(QDate(1998, 5, 30)), sample);
    QCOMPARE(d.state.DateSep, separator);
    QCOMPARE(d.state.DateOrder, order);
}

void TestDates::shortDateFieldsAreReadAsNumbers_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("order");
    // A weekday's name first puts a "d" before the month in the pattern: only
    // the sample's numbers tell the order.
    QTest::newRow("weekday first") << kUs << "dddd M/d/yyyy"
                                   << "mdy";
    QTest::newRow("weekday first, Chakma digits") << QLocale(QStringLiteral("ccp_BD")) << "dddd M/d/yyyy"
                                                  << "mdy";
    QTest::newRow("weekday first, Adlam digits") << QLocale(QStringLiteral("ff_Adlm_GN")) << "dddd M/d/yyyy"
                                                 << "mdy";
    // Runs of ten digits and more: this one's count wrapped round to 30 in a
    // 32-bit integer, and the year passed for the day.
    QTest::newRow("long digit runs") << kUs << "yyyy'0187861022'/MM/dd'7'"
                                     << "ymd";
    QTest::newRow("longer digit runs") << kUs << "dd'12345678901234567890'/MM/yyyy"
                                       << "dmy";
}

// The order is read off the numbers of the sample date, in any script and of
// any length.
void TestDates::shortDateFieldsAreReadAsNumbers()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, pattern);
    QFETCH(QString, order);
    Dates d(pattern, locale);
    QCOMPARE(d.state.DateOrder, order);
}

void TestDates::formatDateIsReadBackInEveryOrder_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("text"); // month 5, day 7, year 1998
    QTest::newRow("mdy") << "M/d/yyyy"
                         << "5 7 1998";
    QTest::newRow("dmy") << "dd.MM.yyyy"
                         << "7 5 1998";
    QTest::newRow("ymd") << "yyyy-MM-dd"
                         << "1998 5 7";
    QTest::newRow("ydm") << "yyyy/dd/MM"
                         << "1998 7 5";
    QTest::newRow("month names") << "d MMM yyyy"
                                 << "7 5 1998";
    QTest::newRow("dym") << "d/yyyy/M"
                         << "7 1998 5";
    QTest::newRow("myd") << "M-yyyy-d"
                         << "5 1998 7";
    // the weekday's name is no day: picking 7 May once stored 5 July
    QTest::newRow("weekday first") << "dddd M/d/yyyy"
                                   << "5 7 1998";
    QTest::newRow("short weekday first") << "ddd M.d.yyyy"
                                         << "5 7 1998";
    QTest::newRow("weekday run into the day") << "yyyy/MM/ddddd"
                                              << "1998 5 7";
}

void TestDates::formatDateIsReadBackInEveryOrder()
{
    QFETCH(QString, pattern);
    QFETCH(QString, text);
    Dates d(pattern);
    QCOMPARE(FormatDate(d.state, 5, 7, 1998), text);
    QCOMPARE(d.state.regional.toDate(text), std::optional<QDate>(QDate(1998, 5, 7)));
    // the system's own text reads back too, and a day the month lacks never does
    QCOMPARE(d.state.regional.toDate(d.state.regional.formatShortDate(QDate(2004, 12, 1))),
             std::optional<QDate>(QDate(2004, 12, 1)));
    QVERIFY(!d.state.regional.isDate(FormatDate(d.state, 2, 31, 1998)));
}

void TestDates::aFormatLeavingAFieldOutReadsMonthDayYear_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::newRow("no year") << "M/d";
    QTest::newRow("no day") << "MMMM yyyy";
    QTest::newRow("year alone") << "yyyy";
    QTest::newRow("no field") << "'today'";
}

// A collector's own short date format without a day, month or year: dates are
// still typed as three numbers, month first, and what the program writes for
// itself reads back.
void TestDates::aFormatLeavingAFieldOutReadsMonthDayYear()
{
    QFETCH(QString, pattern);
    Dates d(pattern);
    QCOMPARE(d.state.DateOrder, QStringLiteral("mdy"));
    QCOMPARE(d.state.regional.dateFieldOrder(), QStringLiteral("mdy"));
    QCOMPARE(d.state.regional.toDate(FormatDate(d.state, 12, 19, 2061)),
             std::optional<QDate>(QDate(2061, 12, 19)));
    QCOMPARE(d.state.regional.toDate(QStringLiteral("5/7/1998")), std::optional<QDate>(QDate(1998, 5, 7)));
    QVERIFY(!d.state.regional.isDate(QStringLiteral("19/12/2061")));
}

// Whatever the system's language and format, a day built from its numbers is
// read back as that day: the calendar hands back the day clicked.
void TestDates::pickedDaysReadBackInEveryLocale()
{
    QStringList wrong;
    for (const QLocale& locale :
         QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory)) {
        Dates d(QString(), locale);
        for (const QDate day : {QDate(1998, 5, 7), QDate(2004, 12, 31), QDate(1931, 1, 12)}) {
            if (d.state.regional.toDate(FormatDate(d.state, day.month(), day.day(), day.year())) != day)
                wrong.append(locale.name() + QLatin1Char(' ') + d.state.DateOrder);
        }
    }
    QCOMPARE(wrong, QStringList());
}

void TestDates::calendarLayout_data()
{
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QList<int>>("firstWeek");
    QTest::addColumn<QList<int>>("lastWeek");
    QTest::addColumn<int>("markedWeek");
    QTest::addColumn<int>("markedColumn");
    QTest::newRow("June 1998, Monday the first")
        << QDate(1998, 6, 15) << QList<int>{0, 1, 2, 3, 4, 5, 6} << QList<int>{0, 0, 0, 0, 0, 0, 0} << 3 << 1;
    QTest::newRow("28-day February from a Sunday")
        << QDate(2015, 2, 28) << QList<int>{1, 2, 3, 4, 5, 6, 7} << QList<int>{0, 0, 0, 0, 0, 0, 0} << 4 << 6;
    QTest::newRow("31 days from a Saturday") << QDate(2000, 1, 1) << QList<int>{0, 0, 0, 0, 0, 0, 1}
                                             << QList<int>{30, 31, 0, 0, 0, 0, 0} << 1 << 6;
}

void TestDates::calendarLayout()
{
    QFETCH(QDate, date);
    QFETCH(QList<int>, firstWeek);
    QFETCH(QList<int>, lastWeek);
    QFETCH(int, markedWeek);
    QFETCH(int, markedColumn);
    const CalendarMonth month(date);
    QList<int> first, last;
    for (int column = 0; column < CalendarMonth::kDays; ++column) {
        first.append(month.dayAt(1, column));
        last.append(month.dayAt(6, column));
    }
    QCOMPARE(first, firstWeek);
    QCOMPARE(last, lastWeek);
    QCOMPARE(month.markedWeek(), markedWeek);
    QCOMPARE(month.markedColumn(), markedColumn);
    QCOMPARE(month.dayAt(markedWeek, markedColumn), date.day());
}

void TestDates::spins_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<int>("spin");
    QTest::addColumn<QDate>("to"); // invalid: beep, no move
    for (const QString& pattern : {QStringLiteral("M/d/yyyy"), QStringLiteral("dd.MM.yyyy")}) {
        auto row = [&](const char* name) {
            return &QTest::newRow(qPrintable(pattern + QLatin1Char(' ') + QLatin1String(name)));
        };
        *row("31 Jan, month up") << pattern << QDate(1998, 1, 31) << int(Spin::MonthUp) << QDate(1998, 2, 1);
        *row("1 Feb, month up") << pattern << QDate(1998, 2, 1) << int(Spin::MonthUp) << QDate(1998, 3, 1);
        *row("10 Jan, month down") << pattern << QDate(1998, 1, 10) << int(Spin::MonthDown)
                                   << QDate(1997, 12, 10);
        *row("10 Dec, month up") << pattern << QDate(1997, 12, 10) << int(Spin::MonthUp)
                                 << QDate(1998, 1, 10);
        *row("31 Mar, month down") << pattern << QDate(1998, 3, 31) << int(Spin::MonthDown)
                                   << QDate(1998, 2, 1);
        *row("29 Feb 2000, year up") << pattern << QDate(2000, 2, 29) << int(Spin::YearUp)
                                     << QDate(2001, 2, 1);
        *row("9999, year up") << pattern << QDate(9999, 6, 15) << int(Spin::YearUp) << QDate();
        *row("December 9999, month up") << pattern << QDate(9999, 12, 15) << int(Spin::MonthUp) << QDate();
        *row("100, year down") << pattern << QDate(100, 6, 15) << int(Spin::YearDown) << QDate();
    }
}

void TestDates::spins()
{
    QFETCH(QString, pattern);
    QFETCH(QDate, from);
    QFETCH(int, spin);
    QFETCH(QDate, to);
    Dates d(pattern);
    QCOMPARE(spunDate(d.state, from, Spin(spin)).value_or(QDate()), to);
}

void TestDates::pickerShowsTheMonthInTheSystemLanguage_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("month");
    QTest::addColumn<QString>("sunday");
    QTest::newRow("en_US") << kUs << "June"
                           << " Sun ";
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << "Juni"
                           << " So. ";
}

void TestDates::pickerShowsTheMonthInTheSystemLanguage()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, month);
    QFETCH(QString, sunday);
    Dates d(QString(), locale);
    d.state.PickedDate = QDate(1998, 6, 15);
    frmDateEnt picker(d.state, nullptr);
    QCOMPARE(picker.windowTitle(), QStringLiteral("Select Date"));
    QCOMPARE(picker.findChild<QLineEdit*>(QStringLiteral("txtMonth"))->text(), month);
    QCOMPARE(picker.findChild<QLineEdit*>(QStringLiteral("txtYear"))->text(), QStringLiteral("1998"));
    QCOMPARE(grid(picker)->horizontalHeaderItem(0)->text(), sunday);
    QCOMPARE(grid(picker)->item(0, 1)->text(), QStringLiteral("1"));
    QCOMPARE(grid(picker)->item(0, 0)->text(), QString());
    QCOMPARE(grid(picker)->currentRow(), 2); // the 15th is marked
    QCOMPARE(grid(picker)->currentColumn(), 1);
    picker.show();
    QApplication::setActiveWindow(&picker);
    picker.findChild<QLineEdit*>(QStringLiteral("txtMonth"))->setFocus(Qt::MouseFocusReason);
    QCOMPARE(picker.focusWidget(), grid(picker)); // the focus passes on to the calendar
}

void TestDates::pickerChoosesByOneClick()
{
    Dates d(QStringLiteral("dd.MM.yyyy"));
    d.state.PickedDate = QDate(1998, 5, 20);
    frmDateEnt picker(d.state, nullptr);
    picker.show();
    clickDay(picker, 0); // an empty cell is no day
    QCOMPARE(picker.result(), int(QDialog::Rejected));
    QCOMPARE(d.state.PickedDate, QDate(1998, 5, 20));
    clickDay(picker, 7);
    QCOMPARE(picker.result(), int(QDialog::Accepted));
    QCOMPARE(d.state.PickedDate, QDate(1998, 5, 7));
}

void TestDates::pickerBeepsAtTheEndOfTheYears()
{
    Dates d(QStringLiteral("M/d/yyyy"));
    d.state.PickedDate = QDate(9999, 3, 1);
    frmDateEnt picker(d.state, nullptr);
    picker.findChild<QToolButton*>(QStringLiteral("Spin2Up"))->click();
    QCOMPARE(d.dialogs.beeps, 1);
    QCOMPARE(picker.findChild<QLineEdit*>(QStringLiteral("txtYear"))->text(), QStringLiteral("9999"));
    picker.findChild<QToolButton*>(QStringLiteral("Spin1Down"))->click();
    QCOMPARE(picker.findChild<QLineEdit*>(QStringLiteral("txtMonth"))->text(), QStringLiteral("February"));
}

void TestDates::pickerPageKeysChangeMonthAndYear_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<int>("beeps");
    for (const QString& pattern : {QStringLiteral("M/d/yyyy"), QStringLiteral("dd.MM.yyyy")}) {
        auto row = [&](const char* name) {
            return &QTest::newRow(qPrintable(pattern + QLatin1Char(' ') + QLatin1String(name)));
        };
        *row("PageDown, next month") << pattern << QDate(1998, 5, 20) << QStringList{"PgDown"}
                                     << QDate(1998, 6, 20) << 0;
        *row("PageUp, previous month")
            << pattern << QDate(1998, 5, 20) << QStringList{"PgUp"} << QDate(1998, 4, 20) << 0;
        *row("PageDown over the year's end")
            << pattern << QDate(1998, 12, 15) << QStringList{"PgDown"} << QDate(1999, 1, 15) << 0;
        *row("PageUp over the year's start")
            << pattern << QDate(1999, 1, 15) << QStringList{"PgUp"} << QDate(1998, 12, 15) << 0;
        *row("31 January, PageDown: the month's last day")
            << pattern << QDate(1998, 1, 31) << QStringList{"PgDown"} << QDate(1998, 2, 28) << 0;
        *row("31 March of a leap year, PageUp")
            << pattern << QDate(2000, 3, 31) << QStringList{"PgUp"} << QDate(2000, 2, 29) << 0;
        *row("31 May, PageUp") << pattern << QDate(1998, 5, 31) << QStringList{"PgUp"} << QDate(1998, 4, 30)
                               << 0;
        *row("Ctrl+PageDown, next year")
            << pattern << QDate(1998, 5, 20) << QStringList{"Ctrl+PgDown"} << QDate(1999, 5, 20) << 0;
        *row("Ctrl+PageUp, previous year")
            << pattern << QDate(1998, 5, 20) << QStringList{"Ctrl+PgUp"} << QDate(1997, 5, 20) << 0;
        *row("Shift+PageDown, next year")
            << pattern << QDate(1998, 5, 20) << QStringList{"Shift+PgDown"} << QDate(1999, 5, 20) << 0;
        *row("Shift+PageUp, previous year")
            << pattern << QDate(1998, 5, 20) << QStringList{"Shift+PgUp"} << QDate(1997, 5, 20) << 0;
        *row("29 February, next year")
            << pattern << QDate(2000, 2, 29) << QStringList{"Ctrl+PgDown"} << QDate(2001, 2, 28) << 0;
        *row("back and forth") << pattern << QDate(1998, 5, 20)
                               << QStringList{"PgDown", "PgDown", "Ctrl+PgUp", "PgUp"} << QDate(1997, 6, 20)
                               << 0;
        *row("past 9999: a beep") << pattern << QDate(9999, 6, 15) << QStringList{"Ctrl+PgDown"}
                                  << QDate(9999, 6, 15) << 1;
        *row("past December 9999: a beep")
            << pattern << QDate(9999, 12, 15) << QStringList{"PgDown"} << QDate(9999, 12, 15) << 1;
        *row("before 100: a beep") << pattern << QDate(100, 1, 15) << QStringList{"PgUp"} << QDate(100, 1, 15)
                                   << 1;
    }
}

// The page keys move the mark to the same day of another month or year, and
// Enter then takes the marked day.
void TestDates::pickerPageKeysChangeMonthAndYear()
{
    QFETCH(QString, pattern);
    QFETCH(QDate, from);
    QFETCH(QStringList, keys);
    QFETCH(QDate, to);
    QFETCH(int, beeps);
    Dates d(pattern);
    d.state.PickedDate = from;
    frmDateEnt picker(d.state, nullptr);
    picker.show();
    QApplication::setActiveWindow(&picker);
    QCOMPARE(QApplication::focusWidget(), grid(picker));
    pressKeys(keys);
    QCOMPARE(d.dialogs.beeps, beeps);
    QCOMPARE(picker.findChild<QLineEdit*>(QStringLiteral("txtMonth"))->text(),
             d.state.regional.monthName(to.month()));
    QCOMPARE(picker.findChild<QLineEdit*>(QStringLiteral("txtYear"))->text(), QString::number(to.year()));
    QVERIFY(grid(picker)->currentItem());
    QCOMPARE(grid(picker)->currentItem()->text(), QString::number(to.day()));
    pressKeys({"Return"});
    QCOMPARE(picker.result(), int(QDialog::Accepted));
    QCOMPARE(d.state.PickedDate, to);
}

void TestDates::droppingDownAnEmptyDateClosedGivesToday()
{
    Session s;
    s.get<QTabWidget>("SSTab1")->setCurrentIndex(1);
    auto* sold = s.get<DateBox>("dcSoldDate");
    sold->setFocus();
    QCOMPARE(sold->text(), QString());
    sold->showPopup(); // the drop-down button; the script closes the calendar by its close box
    QCOMPARE(s.dialogs.modalTitles, QStringList{QStringLiteral("Select Sold Date")});
    QCOMPARE(sold->text(), QStringLiteral("12/7/2026"));
    QCOMPARE(QApplication::focusWidget(), s.get("chkForSale")); // on, as a Tab moves it
    QVERIFY(s.window->isDirty());
}

void TestDates::droppingDownAFilledDateAndChoosingADay()
{
    Session s;
    auto* birthday = s.get<DateBox>("dcIssueDate");
    QCOMPARE(birthday->text(), QStringLiteral("12/31/1999"));
    s.dialogs.modalSteps.enqueue([](QDialog& picker) {
        QCOMPARE(picker.windowTitle(), QStringLiteral("Select Birthday"));
        picker.findChild<QToolButton*>(QStringLiteral("Spin1Down"))->click();
        clickDay(picker, 3);
    });
    birthday->showPopup();
    QCOMPARE(birthday->text(), QStringLiteral("11/3/1999"));
    s.click("cmdUpdate");
    QCOMPARE(s.state.items().Fields(QStringLiteral("issuedate")), Value(QDate(1999, 11, 3)));
}

void TestDates::dateFieldsCheckedOnLeaving_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("next");
    QTest::addColumn<QString>("storedAs");
    QTest::addColumn<QString>("message");
    QTest::newRow("birthday") << "dcIssueDate" << 0 << "dcRetireDate"
                              << "issuedate"
                              << "You must enter a valid issue date, or leave the field blank.";
    QTest::newRow("retirement date") << "dcRetireDate" << 0 << "txtColor"
                                     << "retiredate"
                                     << "You must enter a valid retirement date, or leave the field blank.";
    QTest::newRow("purchase date") << "dcPurchaseDate" << 1 << "txtPricePaid"
                                   << "PurchaseDate"
                                   << "You must enter a valid purchase date, or leave the field blank.";
    QTest::newRow("sold date") << "dcSoldDate" << 1 << "chkForSale"
                               << "SoldDate"
                               << "You must enter a valid sold date, or leave the field blank.";
}

// A date that does not read keeps the focus, and is never saved as empty:
// the stored date stays.
void TestDates::dateFieldsCheckedOnLeaving()
{
    QFETCH(QString, field);
    QFETCH(int, tab);
    QFETCH(QString, next);
    QFETCH(QString, storedAs);
    QFETCH(QString, message);
    Session s;
    Recordset& items = s.state.items();
    items.Edit();
    items.SetField(storedAs, QDate(2000, 4, 1));
    items.Update();
    s.click("cmdFirst");
    s.get<QTabWidget>("SSTab1")->setCurrentIndex(tab);
    auto* date = s.get<DateBox>(qPrintable(field));
    for (const QString& typed :
         {QStringLiteral("4/31/2000"), QStringLiteral("31/31/98"), QStringLiteral("never")}) {
        s.focus(qPrintable(field));
        date->setText(typed);
        s.focus(qPrintable(next));
        QCOMPARE(s.dialogs.lastText(), message);
        QCOMPARE(s.dialogs.messages.last().icon, Dialogs::Icon::None);
        QTRY_COMPARE(QApplication::focusWidget(), date);
        QCOMPARE(date->text(), typed); // left as typed
        s.click("cmdUpdate");          // the check runs again and nothing is saved
        QVERIFY(s.window->isDirty());
        QCOMPARE(s.state.db()
                     .OpenRecordset(QStringLiteral("Select * from Plonko where PlonID = %1")
                                        .arg(textOf(items.Fields(QStringLiteral("PlonID")))),
                                    Database::RecordsetType::Snapshot)
                     ->Fields(storedAs),
                 Value(QDate(2000, 4, 1)));
    }
    const qsizetype shown = s.dialogs.messages.size();
    date->setText(QString());
    s.focus(qPrintable(next));
    QCOMPARE(s.dialogs.messages.size(), shown); // an empty date passes
}

QTEST_MAIN(TestDates)
#include "tst_dates.moc"
