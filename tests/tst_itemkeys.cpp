#include "ItemSession.h"

#include <QCloseEvent>

namespace {

using Answer = Dialogs::Answer;

Value stored(Session& s, const char* field)
{
    return s.state.db()
        .OpenRecordset(QStringLiteral("Select * from Plonko where PlonID = %1")
                           .arg(textOf(s.state.items().Fields(QStringLiteral("PlonID")))),
                       Database::RecordsetType::Snapshot)
        ->Fields(QString::fromLatin1(field));
}

} // namespace

// The keys of the item window and what closing it does to an edit.
class TestItemKeys : public QObject
{
    Q_OBJECT

private slots:
    void escapeCancelsAnEdit_data();
    void escapeCancelsAnEdit();
    void pageKeysWorkFromEveryControl_data();
    void pageKeysWorkFromEveryControl();
    void pageKeysWaitForAFieldToBeMended();
    void closingDuringAnEditAsks_data();
    void closingDuringAnEditAsks();
};

void TestItemKeys::escapeCancelsAnEdit_data()
{
    QTest::addColumn<bool>("adding");
    QTest::addColumn<QString>("from");
    QTest::newRow("changing, from a text box") << false << "txtColor";
    QTest::newRow("changing, from the notes") << false << "txtNotes";
    QTest::newRow("changing, from a drop-down list") << false << "cmbBra";
    QTest::newRow("adding, from a text box") << true << "txtName";
}

void TestItemKeys::escapeCancelsAnEdit()
{
    QFETCH(bool, adding);
    QFETCH(QString, from);
    Session s;
    const long rows = s.state.items().RecordCount();
    if (adding)
        s.click("cmdAddNew");
    s.get<QTabWidget>("SSTab1")->setCurrentIndex(from == QLatin1String("txtNotes") ? 2 : 0);
    s.type("txtColor", QStringLiteral("Teal"));
    QWidget* field = s.get(qPrintable(from));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Escape);
    QVERIFY(!s.window->isDirty() && !s.window->isAdding());
    QVERIFY(!s.get("cmdFirst")->isHidden() && s.get("cmdCancel")->isHidden());
    QVERIFY(s.text("txtColor") != QStringLiteral("Teal"));
    QCOMPARE(s.state.items().RecordCount(), rows);
    QTest::keyClick(field, Qt::Key_Escape); // browsing: nothing happens
    QVERIFY(s.window->isVisible());
    QVERIFY(s.dialogs.messages.isEmpty());
}

void TestItemKeys::pageKeysWorkFromEveryControl_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("page"); // from the first page; -1: the last
    const int ctrl = Qt::ControlModifier;
    const int ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    for (const char* from : {"txtName", "cmbToyCon", "txtColor", "chkHasTag"}) {
        QTest::addRow("%s, Ctrl+Tab", from) << from << int(Qt::Key_Tab) << ctrl << 1;
        QTest::addRow("%s, Ctrl+PageDown", from) << from << int(Qt::Key_PageDown) << ctrl << 1;
        QTest::addRow("%s, Ctrl+Shift+Tab", from) << from << int(Qt::Key_Backtab) << ctrlShift << -1;
        QTest::addRow("%s, Ctrl+PageUp", from) << from << int(Qt::Key_PageUp) << ctrl << -1;
    }
}

// The page changes and nothing else does: a drop-down list keeps its choice.
void TestItemKeys::pageKeysWorkFromEveryControl()
{
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, page);
    Session s;
    auto* tabs = s.get<QTabWidget>("SSTab1");
    tabs->setCurrentIndex(0);
    QWidget* field = s.get(qPrintable(from));
    field->setFocus();
    const int choice = s.get<QComboBox>("cmbToyCon")->currentIndex();
    QTest::keyClick(field, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(tabs->currentIndex(), page < 0 ? tabs->count() - 1 : page);
    QCOMPARE(s.get<QComboBox>("cmbToyCon")->currentIndex(), choice);
    QVERIFY(!s.window->isDirty());
}

// A price that does not read keeps its page in sight until it is mended.
void TestItemKeys::pageKeysWaitForAFieldToBeMended()
{
    Session s;
    auto* tabs = s.get<QTabWidget>("SSTab1");
    tabs->setCurrentIndex(1);
    s.type("txtPricePaid", QStringLiteral("abc"));
    QTest::keyClick(s.get("txtPricePaid"), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(s.dialogs.lastText(), QStringLiteral("You must enter a valid number or leave the field blank"));
    QCOMPARE(tabs->currentIndex(), 1);
    QTRY_COMPARE(QApplication::focusWidget(), s.get("txtPricePaid"));
    s.type("txtPricePaid", QStringLiteral("3"));
    QTest::keyClick(s.get("txtPricePaid"), Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(tabs->currentIndex(), 2);
}

void TestItemKeys::closingDuringAnEditAsks_data()
{
    QTest::addColumn<QString>("name");  // typed over the shown name
    QTest::addColumn<QString>("descr"); // and description
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("storedName");
    // the first item by name has none, only a description
    QTest::newRow("save") << "Barn Owl"
                          << "Unnamed owl" << int(Answer::Yes) << true << "Barn Owl";
    QTest::newRow("throw away") << "Barn Owl"
                                << "Unnamed owl" << int(Answer::No) << true << "";
    QTest::newRow("back to the edit") << "Barn Owl"
                                      << "Unnamed owl" << int(Answer::Cancel) << false << "";
    QTest::newRow("a save its checks refuse") << ""
                                              << "" << int(Answer::Yes) << false << "";
}

void TestItemKeys::closingDuringAnEditAsks()
{
    QFETCH(QString, name);
    QFETCH(QString, descr);
    QFETCH(int, answer);
    QFETCH(bool, closed);
    QFETCH(QString, storedName);
    Session s;
    s.type("txtName", name);
    s.type("txtDescr", descr);
    s.dialogs.answers.enqueue(Answer(answer));
    QCloseEvent close;
    QApplication::sendEvent(s.window.get(), &close);
    QCOMPARE(s.dialogs.messages.size(), descr.isEmpty() ? 2 : 1); // the refusal follows the question
    QCOMPARE(s.dialogs.messages[0].title, QStringLiteral("Save Changes"));
    QCOMPARE(s.dialogs.messages[0].buttons, Dialogs::Buttons::YesNoCancel);
    QCOMPARE(close.isAccepted(), closed);
    if (!closed) {
        QVERIFY(s.window->isDirty());
        QCOMPARE(s.text("txtName"), name);
        QCOMPARE(s.text("txtDescr"), descr);
        QCOMPARE(stored(s, "Name"), Value(storedName));
        return;
    }
    QVERIFY(!s.state.CollectionDb);
    std::unique_ptr<Database> db = s.collection.open();
    std::unique_ptr<Recordset> owl =
        db->OpenRecordset(QStringLiteral("Select * from Plonko where descr = 'Unnamed owl'"),
                          Database::RecordsetType::Snapshot);
    QCOMPARE(owl->Fields(QStringLiteral("Name")), Value(storedName));
}

QTEST_MAIN(TestItemKeys)
#include "tst_itemkeys.moc"
