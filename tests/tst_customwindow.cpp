#include "ReportSession.h"

#include "custom/frmRptSpec.h"
#include "dates/DateBox.h"

#include <QGroupBox>
#include <QListWidget>
#include <QTableWidget>

namespace {

// The custom report window opened from the item window's menu.
struct CustomWindow
{
    explicit CustomWindow(int destination = 1)
    {
        session.window->findChild<QAction*>(QStringLiteral("mnuRptOut(%1)").arg(destination))->trigger();
        open();
    }
    frmRptSpec* open()
    {
        session.window->findChild<QAction*>(QStringLiteral("mnuRptCustom"))->trigger();
        window = session.window->findChild<frmRptSpec*>();
        if (!window)
            qFatal("no custom report window");
        window->show();
        QApplication::setActiveWindow(window);
        return window;
    }
    // Adds the available field of that description to the report.
    void add(const QString& desc)
    {
        const QList<QListWidgetItem*> found = window->List1->findItems(desc, Qt::MatchExactly);
        if (found.size() != 1)
            qFatal("no available field %s", qPrintable(desc));
        window->List1->setCurrentItem(found.first());
        window->cmdAdd->click();
    }
    void select(const QString& desc)
    {
        window->List2->setCurrentItem(window->List2->findItems(desc, Qt::MatchExactly).first());
    }
    QStringList texts(QListWidget* list) const
    {
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown.append(list->item(i)->text());
        return shown;
    }
    // Types into a box and moves the focus on, so that its check runs.
    void typeAndLeave(QWidget* box, const QString& text)
    {
        box->setFocus(Qt::TabFocusReason);
        if (auto* line = qobject_cast<QLineEdit*>(box))
            line->setText(text);
        else
            static_cast<DateBox*>(box)->setText(text);
        window->txtTitle->setFocus(Qt::TabFocusReason);
    }

    // Opens the calendar of a date box that holds seed and picks the day by
    // the keyboard. The calendar is the active window meanwhile, and the
    // report window is not active again when it closes, as with a real
    // window system: no focus leaves the box then.
    void pickDay(DateBox* box, const QString& seed, int day)
    {
        box->setText(seed);
        session.dialogs.modalSteps.enqueue([day](QDialog& picker) {
            picker.show();
            QApplication::setActiveWindow(&picker);
            auto* cells = picker.findChild<QTableWidget*>();
            for (int row = 0; row < cells->rowCount(); ++row)
                for (int column = 0; column < cells->columnCount(); ++column)
                    if (cells->item(row, column)->text() == QString::number(day))
                        cells->setCurrentCell(row, column);
            QTest::keyClick(cells, Qt::Key_Return);
        });
        box->showPopup();
        QApplication::setActiveWindow(nullptr);
    }

    Session session;
    frmRptSpec* window = nullptr;
};

} // namespace

class TestCustomWindow : public QObject
{
    Q_OBJECT

private slots:
    void opensAsDesigned();
    void opensOnceAndKeepsWhatWasChosen();
    void addingAndRemovingKeepsAFieldsSettings();
    void upAndDownStopAtTheEnds();
    void fieldsAreMovedByTheKeyboard();
    void actionsNeedASelectedField_data();
    void actionsNeedASelectedField();
    void widthZeroHidesTheField();
    void refusedInputsTakeTheFocusBack_data();
    void refusedInputsTakeTheFocusBack();
    void detailsTypedWithoutLeavingAreKept_data();
    void detailsTypedWithoutLeavingAreKept();
    void destinationShowsItsFrames();
    void startsOnTheMenusDestination();
    void generatesWhatWasChosen();
    void aCatalogueWithGapsOpens();
    void datesPickedFromTheCalendarAreKept();
};

void TestCustomWindow::opensAsDesigned()
{
    CustomWindow custom;
    frmRptSpec& w = *custom.window;
    QCOMPARE(w.windowTitle(), QStringLiteral("Custom Report"));
    QCOMPARE(w.SSTab1->count(), 3);
    QCOMPARE(w.SSTab1->tabText(0), QStringLiteral("Report Fields"));
    QCOMPARE(w.SSTab1->tabText(1), QStringLiteral("Report Options"));
    QCOMPARE(w.SSTab1->tabText(2), QStringLiteral("Sorting"));
    QCOMPARE(w.List1->count(), 32); // the catalogue's fields and the main photo
    QCOMPARE(w.List2->count(), 0);
    QVERIFY(w.frame1->isHidden());
    QCOMPARE(w.txtTitle->text(), QStringLiteral("Plonko Wizmo Report"));
    QVERIFY(w.optReportTo[0]->isChecked());
    QVERIFY(w.optOrient[0]->isChecked());
    QVERIFY(w.chkDate->isChecked());
    QCOMPARE(w.cmbPageNum->currentText(), QStringLiteral("At Bottom"));
    QVERIFY(w.optWidth[0]->isChecked());
    QCOMPARE(w.cmbSort1->count(), 31);
    QCOMPARE(w.cmbSort1->currentIndex(), -1);
    QCOMPARE(w.cmbSort2->currentIndex(), -1);
    QCOMPARE(custom.texts(w.List1).mid(0, 3), QStringList({"Asking Price", "Birthday", "Bought From"}));
}

void TestCustomWindow::opensOnceAndKeepsWhatWasChosen()
{
    CustomWindow custom;
    custom.add(QStringLiteral("Name"));
    custom.window->txtTitle->setText(QStringLiteral("Mine"));
    frmRptSpec* again = custom.open();
    QCOMPARE(again, custom.window);
    QCOMPARE(custom.session.window->findChildren<frmRptSpec*>().size(), 1);
    QCOMPARE(custom.texts(again->List2), QStringList{QStringLiteral("Name")});
    QCOMPARE(again->txtTitle->text(), QStringLiteral("Mine"));
}

void TestCustomWindow::addingAndRemovingKeepsAFieldsSettings()
{
    CustomWindow custom;
    frmRptSpec& w = *custom.window;
    custom.add(QStringLiteral("Name"));
    custom.add(QStringLiteral("Price Paid"));
    QCOMPARE(custom.texts(w.List2), QStringList({"Name", "Price Paid"}));
    QCOMPARE(w.List2->currentRow(), 1);
    QVERIFY(!w.frame1->isHidden());
    QVERIFY(!w.fraSel[1]->isHidden());
    QVERIFY(w.fraSel[0]->isHidden());
    QCOMPARE(w.txtWidth->text(), QStringLiteral("1"));
    custom.typeAndLeave(w.txtWidth, QStringLiteral("1.3"));
    custom.typeAndLeave(w.txtGreater, QStringLiteral("3"));
    w.chkTotal->setChecked(true);
    w.cmdRemove->click();
    QVERIFY(w.frame1->isHidden());
    QCOMPARE(custom.texts(w.List2), QStringList{QStringLiteral("Name")});
    const QStringList available = custom.texts(w.List1);
    QVERIFY(available.indexOf(QStringLiteral("Price Paid")) >
            available.indexOf(QStringLiteral("Plonko Condition")));
    QVERIFY(available.indexOf(QStringLiteral("Price Paid")) <
            available.indexOf(QStringLiteral("Purchase Date")));
    custom.add(QStringLiteral("Price Paid"));
    QCOMPARE(w.txtWidth->text(), QStringLiteral("1.3"));
    QCOMPARE(w.txtGreater->text(), QStringLiteral("3"));
    QVERIFY(w.chkTotal->isChecked());
    custom.select(QStringLiteral("Name"));
    QVERIFY(!w.fraSel[0]->isHidden());
    QVERIFY(w.fraSel[1]->isHidden());
    QCOMPARE(w.txtWidth->text(), QStringLiteral("1.5"));
}

void TestCustomWindow::upAndDownStopAtTheEnds()
{
    CustomWindow custom;
    frmRptSpec& w = *custom.window;
    for (const char* desc : {"Name", "Birthday", "Brand"})
        custom.add(QString::fromLatin1(desc));
    custom.select(QStringLiteral("Name"));
    w.cmdUp->click();
    custom.select(QStringLiteral("Brand"));
    w.cmdDown->click();
    QCOMPARE(custom.texts(w.List2), QStringList({"Name", "Birthday", "Brand"}));
    w.cmdUp->click();
    QCOMPARE(custom.texts(w.List2), QStringList({"Name", "Brand", "Birthday"}));
    QCOMPARE(w.List2->currentItem()->text(), QStringLiteral("Brand"));
    custom.select(QStringLiteral("Name"));
    w.cmdDown->click();
    QCOMPARE(custom.texts(w.List2), QStringList({"Brand", "Name", "Birthday"}));
    QVERIFY(custom.session.dialogs.messages.isEmpty());
}

// Enter adds the chosen available field and Delete takes a report field
// out; each arrow button has a name, a key and a tooltip that gives both.
void TestCustomWindow::fieldsAreMovedByTheKeyboard()
{
    CustomWindow custom;
    frmRptSpec& w = *custom.window;
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.List1->setFocus();
    for (const char* desc : {"Name", "Brand"}) {
        w.List1->setCurrentItem(w.List1->findItems(QString::fromLatin1(desc), Qt::MatchExactly).first());
        QTest::keyClick(w.List1, desc[0] == 'N' ? Qt::Key_Return : Qt::Key_Enter);
    }
    QCOMPARE(custom.texts(w.List2), QStringList({"Name", "Brand"}));
    w.List2->setFocus();
    custom.select(QStringLiteral("Name"));
    QTest::keyClick(w.List2, Qt::Key_Delete);
    QCOMPARE(custom.texts(w.List2), QStringList{QStringLiteral("Brand")});
    QTest::keyClick(w.List1, Qt::Key_Delete); // nothing in the available fields
    QCOMPARE(custom.texts(w.List2), QStringList{QStringLiteral("Brand")});

    const QList<std::tuple<QPushButton*, const char*, Qt::Key>> arrows = {
        {w.cmdAdd, "Add field", Qt::Key_Right},
        {w.cmdRemove, "Remove field", Qt::Key_Left},
        {w.cmdUp, "Move up", Qt::Key_Up},
        {w.cmdDown, "Move down", Qt::Key_Down}};
    for (const auto& [button, name, key] : arrows) {
        QCOMPARE(button->accessibleName(), QString::fromLatin1(name));
        QCOMPARE(button->shortcut(), QKeySequence(Qt::ALT | key));
        QCOMPARE(button->toolTip(),
                 QStringLiteral("%1 (Alt+%2)").arg(QLatin1String(name), QKeySequence(key).toString()));
    }
    custom.add(QStringLiteral("Birthday"));
    w.List1->setCurrentItem(w.List1->findItems(QStringLiteral("Color"), Qt::MatchExactly).first());
    // a button's key presses it as a click would, after its press shows
    QTest::keyClick(&w, Qt::Key_Right, Qt::AltModifier);
    QTRY_COMPARE(custom.texts(w.List2), QStringList({"Brand", "Birthday", "Color"}));
    QTest::keyClick(&w, Qt::Key_Up, Qt::AltModifier);
    QTRY_COMPARE(custom.texts(w.List2), QStringList({"Brand", "Color", "Birthday"}));
    QTest::keyClick(&w, Qt::Key_Down, Qt::AltModifier);
    QTRY_COMPARE(custom.texts(w.List2), QStringList({"Brand", "Birthday", "Color"}));
    QTest::keyClick(&w, Qt::Key_Left, Qt::AltModifier);
    QTRY_COMPARE(custom.texts(w.List2), QStringList({"Brand", "Birthday"}));
}

void TestCustomWindow::actionsNeedASelectedField_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("message");
    QTest::newRow("add") << "cmdAdd"
                         << "You must select a field from the list of available fields to add to the report.";
    QTest::newRow("remove") << "cmdRemove"
                            << "You must select a field to remove from the report.";
    QTest::newRow("up") << "cmdUp"
                        << "You must select the field to move up in the list";
    QTest::newRow("down") << "cmdDown"
                          << "You must select the field to move down in the list";
}

void TestCustomWindow::actionsNeedASelectedField()
{
    QFETCH(QString, button);
    QFETCH(QString, message);
    CustomWindow custom;
    custom.add(QStringLiteral("Name"));
    custom.add(QStringLiteral("Brand"));
    custom.window->List1->clearSelection();
    custom.window->List2->clearSelection();
    custom.window->findChild<QPushButton*>(button)->click();
    QCOMPARE(custom.session.dialogs.lastText(), message);
    QCOMPARE(custom.session.dialogs.messages.last().title, QString());
    QCOMPARE(custom.texts(custom.window->List2), QStringList({"Name", "Brand"}));
}

void TestCustomWindow::widthZeroHidesTheField()
{
    CustomWindow custom;
    custom.add(QStringLiteral("Name"));
    QVERIFY(!custom.window->chkHide->isChecked());
    custom.typeAndLeave(custom.window->txtWidth, QStringLiteral("0"));
    QVERIFY(custom.window->chkHide->isChecked());
    QVERIFY(custom.window->reportSpecification().setting(1).Hide);
    custom.typeAndLeave(custom.window->txtWidth, QStringLiteral("wide"));
    QCOMPARE(custom.session.dialogs.lastText(),
             QStringLiteral("You must enter a valid number for the column width"));
    QCOMPARE(custom.window->reportSpecification().setting(1).Width, 0.0);
}

void TestCustomWindow::refusedInputsTakeTheFocusBack_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("message");
    QTest::newRow("greater than") << "Price Paid"
                                  << "txtGreater"
                                  << "You must enter a number or leave this selection field blank";
    QTest::newRow("less than") << "Price Paid"
                               << "txtLess"
                               << "You must enter a number or leave this selection field blank";
    QTest::newRow("start date") << "Birthday"
                                << "dcStartDate"
                                << "You must enter a valid date or leave this selection field blank.";
    QTest::newRow("end date") << "Birthday"
                              << "dcEndDate"
                              << "You must enter a valid date or leave this selection field blank.";
}

void TestCustomWindow::refusedInputsTakeTheFocusBack()
{
    QFETCH(QString, field);
    QFETCH(QString, box);
    QFETCH(QString, message);
    CustomWindow custom;
    custom.add(field);
    QWidget* input = custom.window->findChild<QWidget*>(box);
    custom.typeAndLeave(input, QStringLiteral("abc"));
    QCOMPARE(custom.session.dialogs.lastText(), message);
    QTRY_VERIFY(input->hasFocus() || input->isAncestorOf(QApplication::focusWidget()));
    const FieldSetting& kept = custom.window->reportSpecification().setting(field == u"Birthday" ? 11 : 5);
    QVERIFY(kept.GreaterThan.isEmpty() && kept.LessThan.isEmpty());
    QVERIFY(!kept.StartDate.isValid() && !kept.EndDate.isValid());
    // cleared, the box takes away the condition and lets the focus go
    custom.session.dialogs.messages.clear();
    custom.typeAndLeave(input, QString());
    QVERIFY(custom.session.dialogs.messages.isEmpty());
}

void TestCustomWindow::detailsTypedWithoutLeavingAreKept_data()
{
    QTest::addColumn<QString>("button");
    for (const char* button : {"cmdAdd", "cmdRemove", "cmdUp", "cmdDown", "cmdGenerate"})
        QTest::newRow(button) << QString::fromLatin1(button);
}

// A button pressed by its shortcut takes no focus: what the box holds is
// kept before the button acts, though the focus never left the box.
void TestCustomWindow::detailsTypedWithoutLeavingAreKept()
{
    QFETCH(QString, button);
    CustomWindow custom;
    frmRptSpec& w = *custom.window;
    custom.add(QStringLiteral("Name"));
    custom.add(QStringLiteral("Special Series"));
    w.List1->setCurrentRow(0);
    w.optReportTo[1]->click();
    const QString file = QDir(custom.session.collection.folder()).filePath(QStringLiteral("custom.txt"));
    custom.session.dialogs.fileNames.enqueue(file);
    w.txtStarting->setFocus(Qt::TabFocusReason);
    w.txtStarting->setText(QStringLiteral("Sp"));
    w.txtStarting->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), w.txtStarting);
    w.findChild<QPushButton*>(button)->click();
    QCOMPARE(w.reportSpecification().setting(29).StartsWith, QStringLiteral("Sp"));
    QVERIFY(custom.session.dialogs.messages.isEmpty());
    if (button == u"cmdGenerate")
        QCOMPARE(contents(file), QByteArray("Zed\tSports Stars\r\nAce\tSports Stars\r\n"));
}

void TestCustomWindow::destinationShowsItsFrames()
{
    CustomWindow custom;
    frmRptSpec& w = *custom.window;
    for (int destination : {2, 3, 1}) {
        w.optReportTo[destination - 1]->click();
        QCOMPARE(w.fraOrient->isHidden(), destination != 1);
        QCOMPARE(w.fraFormat->isHidden(), destination != 1);
    }
}

void TestCustomWindow::startsOnTheMenusDestination()
{
    CustomWindow custom(3);
    QVERIFY(custom.window->optReportTo[2]->isChecked());
    QVERIFY(custom.window->fraOrient->isHidden());
    QVERIFY(custom.window->fraFormat->isHidden());
}

void TestCustomWindow::generatesWhatWasChosen()
{
    CustomWindow custom;
    frmRptSpec& w = *custom.window;
    custom.add(QStringLiteral("Name"));
    custom.add(QStringLiteral("Special Series"));
    custom.typeAndLeave(w.txtStarting, QStringLiteral("Sp"));
    custom.add(QStringLiteral("Birthday"));
    custom.typeAndLeave(w.dcStartDate, QStringLiteral("3/5/1998"));
    w.cmbSort1->setCurrentIndex(w.cmbSort1->findText(QStringLiteral("Name")));
    w.optReportTo[1]->click();
    const QString file = QDir(custom.session.collection.folder()).filePath(QStringLiteral("custom.txt"));
    custom.session.dialogs.fileNames.enqueue(file);
    w.cmdGenerate->click();
    QCOMPARE(custom.session.dialogs.fileDialogs, QStringList{QStringLiteral("Plonko.txt")});
    QCOMPARE(contents(file), QByteArray("Zed\tSports Stars\t3/5/1998\r\n"));
    QVERIFY(w.isVisible());
}

// A collection whose catalogue lost a row and gained one numbered past the
// count still opens the window and makes reports.
void TestCustomWindow::aCatalogueWithGapsOpens()
{
    Session session;
    Database& db = session.state.db();
    db.OpenRecordset(QStringLiteral("Select * from RptSpec where SpecID = 5"),
                     Database::RecordsetType::Dynaset)
        ->Delete();
    std::unique_ptr<Recordset> added =
        db.OpenRecordset(QStringLiteral("Select * from RptSpec"), Database::RecordsetType::Dynaset);
    added->AddNew();
    added->SetField(QStringLiteral("SpecID"), qint32(99));
    added->SetField(QStringLiteral("Desc"), QStringLiteral("Name Again"));
    added->SetField(QStringLiteral("fieldname"), QStringLiteral("Name"));
    added->SetField(QStringLiteral("datatype"), qint32(1));
    added->SetField(QStringLiteral("filename"), QStringLiteral("Plonko"));
    added->SetField(QStringLiteral("defwidth"), 2.25);
    added->Update();
    session.window->findChild<QAction*>(QStringLiteral("mnuRptOut(2)"))->trigger();
    session.window->findChild<QAction*>(QStringLiteral("mnuRptCustom"))->trigger();
    auto* w = session.window->findChild<frmRptSpec*>();
    QVERIFY(w);
    QCOMPARE(w->List1->count(), 32);
    QVERIFY(w->List1->findItems(QStringLiteral("Price Paid"), Qt::MatchExactly).isEmpty());
    for (const char* desc : {"Bought From", "Name Again"}) {
        w->List1->setCurrentItem(w->List1->findItems(QString::fromLatin1(desc), Qt::MatchExactly).first());
        w->cmdAdd->click();
    }
    QCOMPARE(w->txtWidth->text(), QStringLiteral("2.25"));
    const QString file = QDir(session.collection.folder()).filePath(QStringLiteral("custom.txt"));
    session.dialogs.fileNames.enqueue(file);
    w->cmdGenerate->click();
    QVERIFY(session.dialogs.messages.isEmpty());
    QVERIFY(contents(file).contains("\tZed\r\n"));
}

// Both bounds picked from the calendar make the report, and stand in their
// boxes when the field is chosen again.
void TestCustomWindow::datesPickedFromTheCalendarAreKept()
{
    CustomWindow custom;
    frmRptSpec& w = *custom.window;
    custom.add(QStringLiteral("Name"));
    custom.add(QStringLiteral("Birthday"));
    custom.pickDay(w.dcStartDate, QStringLiteral("3/1/1998"), 4);
    custom.pickDay(w.dcEndDate, QStringLiteral("3/31/1998"), 5);
    QCOMPARE(w.dcStartDate->text(), QStringLiteral("3/4/1998"));
    QCOMPARE(w.dcEndDate->text(), QStringLiteral("3/5/1998"));
    custom.select(QStringLiteral("Name"));
    custom.select(QStringLiteral("Birthday"));
    QCOMPARE(w.dcStartDate->text(), QStringLiteral("3/4/1998"));
    QCOMPARE(w.dcEndDate->text(), QStringLiteral("3/5/1998"));
    w.cmbSort1->setCurrentIndex(w.cmbSort1->findText(QStringLiteral("Name")));
    w.optReportTo[1]->click();
    const QString file = QDir(custom.session.collection.folder()).filePath(QStringLiteral("custom.txt"));
    custom.session.dialogs.fileNames.enqueue(file);
    w.cmdGenerate->click();
    QCOMPARE(contents(file), QByteArray("Abby\t3/5/1998\r\nAce\t3/4/1998\r\nZed\t3/5/1998\r\n"));
}

QTEST_MAIN(TestCustomWindow)
#include "tst_customwindow.moc"
