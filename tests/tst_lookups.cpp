#include "LookupWindow.h"

#include "lookups/LookupTables.h"

namespace {

using Answer = Dialogs::Answer;

// The descriptions of a lookup table in description order, as stored.
QStringList stored(Session& s, const char* sql, const char* field)
{
    QStringList texts;
    std::unique_ptr<Recordset> rs =
        s.state.db().OpenRecordset(QString::fromLatin1(sql), Database::RecordsetType::Snapshot);
    for (; rs->RecordCount() != 0 && !rs->AtEOF(); rs->MoveNext())
        texts.append(textOf(rs->Fields(QString::fromLatin1(field))));
    return texts;
}

void emptyTable(Session& s, const char* sql)
{
    std::unique_ptr<Recordset> rs =
        s.state.db().OpenRecordset(QString::fromLatin1(sql), Database::RecordsetType::Dynaset);
    while (rs->RecordCount() != 0) {
        rs->MoveFirst();
        rs->Delete();
    }
}

} // namespace

class TestLookups : public QObject
{
    Q_OBJECT

private slots:
    void eachTableHasItsCaptions_data();
    void eachTableHasItsCaptions();
    void emptyTableDisablesTheFields();
    void typingEntersEditMode();
    void missingDescriptionIsRefused();
    void addedEntryIsFoundByItsNewKey();
    void addAnotherTwiceThenCancel();
    void cancelDiscardsAnEdit();
    void navigationBeepsAtTheEnds();
    void findByTheStartOfTheDescription();
    void deleteRefusedWhileInUse_data();
    void deleteRefusedWhileInUse();
    void deleteTheLastAndTheOnlyEntry();
    void itemWindowFollowsTheMaintenanceWindow();
    void twoWindowsOnOneTableNeverOverwriteEachOther();
    void editsSurviveARefillOfTheLists_data();
    void editsSurviveARefillOfTheLists();
    void escapeCancelsAnEdit();
    void sellerFieldsAreSaved();
};

void TestLookups::eachTableHasItsCaptions_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("first");
    QTest::addColumn<int>("topic");
    QTest::newRow("conditions") << 1 << "Maintain Plonko Conditions"
                                << "Plonko Condition Description"
                                << "Excellent" << 18;
    QTest::newRow("sellers") << 2 << "Maintain Sellers (Bought From)"
                             << "Seller Description"
                             << "Collector Fair" << 49;
    QTest::newRow("brands") << 3 << "Maintain Brands"
                            << "Brand Description"
                            << "Plonko" << 51;
    QTest::newRow("series") << 4 << "Maintain Special Series"
                            << "Special Series Description"
                            << "Birthday Bunch" << 52;
    QTest::newRow("tag conditions") << 5 << "Maintain Tag Conditions"
                                    << "Tag Condition Description"
                                    << "Creased" << 50;
    QTest::newRow("generations") << 6 << "Maintain Tag Generations"
                                 << "Tag Generation Description"
                                 << "1st" << 54;
}

void TestLookups::eachTableHasItsCaptions()
{
    QFETCH(int, table);
    QFETCH(QString, caption);
    QFETCH(QString, label);
    QFETCH(QString, first);
    QFETCH(int, topic);
    Session s;
    LookupWindow m(s, table);
    QCOMPARE(m.window->windowTitle(), caption);
    QCOMPARE(m.get<QLabel>("lblDesc")->text(), label);
    QCOMPARE(m.desc(), first);
    QCOMPARE(m.shown("txtBouPhone"), table == 2);
    QCOMPARE(m.shown("chkBouFav"), table == 2);
    QCOMPARE(m.shown("txtBouNotes"), table == 2);
    QVERIFY(!m.window->isDirty());
    m.get("txtDesc")->setFocus();
    QTest::keyClick(m.get("txtDesc"), Qt::Key_F1);
    QCOMPARE(s.dialogs.helpCalls.size(), 1);
    QCOMPARE(s.dialogs.helpCalls[0].topic, topic);
}

void TestLookups::emptyTableDisablesTheFields()
{
    Session s;
    emptyTable(s, "Select * from generation");
    LookupWindow m(s, 6);
    QCOMPARE(m.desc(), QString());
    QVERIFY(!m.get("txtDesc")->isEnabled());
    m.click("cmdNext"); // nothing to move through
    QCOMPARE(s.dialogs.beeps, 0);
    m.click("cmdAddNew");
    QVERIFY(m.get("txtDesc")->isEnabled());
}

void TestLookups::typingEntersEditMode()
{
    Session s;
    LookupWindow m(s, 3);
    m.type(QStringLiteral("Plonko Classic"));
    for (const char* hidden :
         {"cmdFirst", "cmdPrevious", "cmdNext", "cmdLast", "cmdAddNew", "cmdDelete", "cmdFind", "cmdOK"})
        QVERIFY2(!m.shown(hidden), hidden);
    QVERIFY(m.shown("cmdUpdate") && m.shown("cmdCancel"));
}

void TestLookups::missingDescriptionIsRefused()
{
    Session s;
    LookupWindow m(s, 1);
    m.type(QString());
    m.click("cmdUpdate");
    QCOMPARE(s.dialogs.lastText(), QStringLiteral("You must enter a description or press Cancel"));
    QCOMPARE(s.dialogs.messages.last().title, QStringLiteral("Missing Data"));
    QVERIFY(m.shown("cmdUpdate")); // the mode stays
    QCOMPARE(stored(s, "Select * from condition order by ConDesc", "ConDesc").size(), 6);
}

void TestLookups::addedEntryIsFoundByItsNewKey()
{
    Session s;
    LookupWindow m(s, 5);
    m.click("cmdAddNew");
    QCOMPARE(m.get<QPushButton>("cmdAddNew")->text(), QStringLiteral("&Add Another"));
    m.type(QStringLiteral("Mint With Protector"));
    m.click("cmdUpdate");
    QCOMPARE(m.desc(), QStringLiteral("Mint With Protector"));
    QVERIFY(!m.window->isAdding() && m.shown("cmdOK"));
    m.click("cmdNext");
    QCOMPARE(m.desc(), QStringLiteral("Near Mint")); // in its place in description order
}

void TestLookups::addAnotherTwiceThenCancel()
{
    Session s;
    LookupWindow m(s, 4);
    m.click("cmdAddNew");
    m.type(QStringLiteral("Zodiac"));
    m.click("cmdAddNew");
    QCOMPARE(m.desc(), QString());
    m.type(QStringLiteral("Arctic"));
    m.click("cmdAddNew");
    QVERIFY(m.window->isAdding());
    m.type(QStringLiteral("Never saved"));
    m.click("cmdCancel");
    QCOMPARE(m.desc(), QStringLiteral("Zodiac")); // the last in description order
    QCOMPARE(stored(s, "Select * from series order by serdesc", "serDesc"),
             (QStringList{"Arctic", "Birthday Bunch", "Garden Friends", "Holiday", "Ocean Pals",
                          "Sports Stars", "Zodiac"}));
}

void TestLookups::cancelDiscardsAnEdit()
{
    Session s;
    LookupWindow m(s, 1);
    m.type(QStringLiteral("Gone"));
    m.click("cmdCancel");
    QCOMPARE(m.desc(), QStringLiteral("Poor"));
    QVERIFY(
        !stored(s, "Select * from condition order by ConDesc", "ConDesc").contains(QStringLiteral("Gone")));
}

void TestLookups::navigationBeepsAtTheEnds()
{
    Session s;
    LookupWindow m(s, 3);
    m.click("cmdPrevious");
    QCOMPARE(s.dialogs.beeps, 1);
    QCOMPARE(m.desc(), QStringLiteral("Plonko"));
    m.click("cmdLast");
    m.click("cmdNext");
    QCOMPARE(s.dialogs.beeps, 2);
    QCOMPARE(m.desc(), QStringLiteral("Plonko Minis"));
}

void TestLookups::findByTheStartOfTheDescription()
{
    Session s;
    LookupWindow m(s, 3);
    m.click("cmdAddNew");
    m.type(QStringLiteral("Bazaar Bunch"));
    m.click("cmdAddNew");
    m.type(QStringLiteral("O'Malley's"));
    m.click("cmdUpdate");
    m.click("cmdFirst");
    s.dialogs.inputs.enqueue(QStringLiteral("ba"));
    m.click("cmdFind");
    QCOMPARE(s.dialogs.prompts.last(), QStringLiteral("Enter the brand description to find:"));
    QCOMPARE(m.desc(), QStringLiteral("Bazaar Bunch"));
    s.dialogs.inputs.enqueue(QStringLiteral("o'm"));
    m.click("cmdFind");
    QCOMPARE(m.desc(), QStringLiteral("O'Malley's"));
    s.dialogs.inputs.enqueue(QStringLiteral("zz"));
    m.click("cmdFind");
    QCOMPARE(s.dialogs.lastText(), QStringLiteral("That record was not found."));
    QCOMPARE(s.dialogs.messages.last().title, QStringLiteral("No Records Match"));
    // every button still acts on the entry shown
    m.type(QStringLiteral("O'Malley's Own"));
    m.click("cmdUpdate");
    QVERIFY(stored(s, "Select * from brand order by bradesc", "braDesc")
                .contains(QStringLiteral("O'Malley's Own")));
    QCOMPARE(m.desc(), QStringLiteral("O'Malley's Own"));
}

void TestLookups::deleteRefusedWhileInUse_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("itemField");
    QTest::addColumn<QString>("noun");
    QTest::addColumn<QString>("title");
    QTest::newRow("conditions") << 1 << "toycon"
                                << "Plonko condition"
                                << "Delete Condition";
    QTest::newRow("sellers") << 2 << "bouID"
                             << "seller"
                             << "Delete Seller (Bought From)";
    QTest::newRow("brands") << 3 << "braID"
                            << "brand"
                            << "Delete Brand";
    QTest::newRow("series") << 4 << "serID"
                            << "special series"
                            << "Delete Special Series";
    QTest::newRow("tag conditions") << 5 << "tagcon"
                                    << "tag condition"
                                    << "Delete Tag Condition";
    QTest::newRow("generations") << 6 << "genID"
                                 << "tag generation"
                                 << "Delete Tag Generation";
}

// An entry that an item refers to stays; once no item does, it can go.
void TestLookups::deleteRefusedWhileInUse()
{
    QFETCH(int, table);
    QFETCH(QString, itemField);
    QFETCH(QString, noun);
    QFETCH(QString, title);
    Session s;
    LookupWindow m(s, table);
    m.click("cmdAddNew");
    const QString entry = QStringLiteral("Only Zed's");
    m.type(entry);
    m.click("cmdUpdate");
    const LookupTableInfo& info = lookupTableInfo(table);
    std::unique_ptr<Recordset> key =
        s.state.db().OpenRecordset(QStringLiteral("Select * from %1 where %2 = 'Only Zed''s'")
                                       .arg(QString::fromLatin1(info.query).section(QLatin1Char(' '), 3, 3),
                                            QString::fromLatin1(info.descField)),
                                   Database::RecordsetType::Snapshot);
    const Value id = key->Fields(QString::fromLatin1(info.idField));
    std::unique_ptr<Recordset> item = s.state.db().OpenRecordset(
        QStringLiteral("Select * from Plonko where Name = 'Zed'"), Database::RecordsetType::Dynaset);
    item->Edit();
    item->SetField(itemField, id);
    item->Update();

    m.click("cmdDelete");
    QCOMPARE(s.dialogs.messages[0].text,
             QStringLiteral("Are you sure that you want to delete this %1?").arg(noun));
    QCOMPARE(s.dialogs.messages[0].title, title);
    QCOMPARE(
        s.dialogs.lastText(),
        QStringLiteral("This %1 is in use in a Plonko record").arg(noun.remove(QStringLiteral("Plonko "))));
    QCOMPARE(s.dialogs.messages.last().title, QStringLiteral("Cannot Delete"));
    QVERIFY(stored(s, info.query, info.descField).contains(entry));

    item->Edit();
    item->SetField(itemField, Value());
    item->Update();
    m.click("cmdDelete");
    QVERIFY(!stored(s, info.query, info.descField).contains(entry));
}

void TestLookups::deleteTheLastAndTheOnlyEntry()
{
    Session s;
    LookupWindow m(s, 6); // no item has a tag generation
    m.click("cmdLast");
    m.click("cmdDelete");
    QCOMPARE(m.desc(), QStringLiteral("4th")); // the previous one, as it was the last
    for (int left = 4; left > 0; --left)
        m.click("cmdDelete");
    QCOMPARE(m.desc(), QString());
    QVERIFY(!m.get("txtDesc")->isEnabled());
    QVERIFY(stored(s, "Select * from generation order by gendesc", "genDesc").isEmpty());
}

void TestLookups::itemWindowFollowsTheMaintenanceWindow()
{
    Session s;
    QVERIFY(!s.state.lookupChanged(LookupTable::BoughtFrom));
    s.activate(); // no maintenance window was active: the list stays
    QCOMPARE(s.entries("cmbBou").size(), 3);
    LookupWindow m(s, 2);
    QVERIFY(s.state.lookupChanged(LookupTable::BoughtFrom));
    m.click("cmdAddNew");
    m.type(QStringLiteral("Antique Mall"));
    m.click("cmdUpdate");
    s.activate();
    QCOMPARE(s.entries("cmbBou"),
             (QStringList{"Antique Mall", "Collector Fair", "Corner Toy Shop", "Mail Order Club"}));
    QCOMPARE(s.get<QComboBox>("cmbBou")->currentIndex(), -1); // the shown item has no seller
    QVERIFY(!s.state.lookupChanged(LookupTable::Condition));
}

void TestLookups::twoWindowsOnOneTableNeverOverwriteEachOther()
{
    Session s;
    LookupWindow first(s, 3);
    LookupWindow second(s, 3);
    first.activate();
    first.type(QStringLiteral("Plonko Classic"));
    second.type(QStringLiteral("Plonko Original"));
    first.click("cmdUpdate");
    second.click("cmdUpdate");
    QCOMPARE(s.dialogs.messages.last().title, QStringLiteral("Entry Changed"));
    QCOMPARE(second.desc(), QStringLiteral("Plonko Classic")); // what is stored, not the stale save
    QVERIFY(!second.window->isDirty() && second.shown("cmdOK"));
    QVERIFY(!s.dialogs.ended);

    // deleted in one window, then saved in the other
    first.click("cmdAddNew");
    first.type(QStringLiteral("Short Lived"));
    first.click("cmdUpdate");
    second.activate();
    second.click("cmdFirst");
    s.dialogs.inputs.enqueue(QStringLiteral("short"));
    second.click("cmdFind");
    QCOMPARE(second.desc(), QStringLiteral("Short Lived"));
    second.type(QStringLiteral("Short Lived, Renamed"));
    first.click("cmdDelete");
    second.click("cmdUpdate");
    QCOMPARE(s.dialogs.messages.last().title, QStringLiteral("Entry Deleted"));
    const QStringList brands = stored(s, "Select * from brand order by bradesc", "braDesc");
    QVERIFY(!brands.contains(QStringLiteral("Short Lived")) &&
            !brands.contains(QStringLiteral("Short Lived, Renamed")));
    QVERIFY(!s.dialogs.ended);
}

void TestLookups::editsSurviveARefillOfTheLists_data()
{
    QTest::addColumn<bool>("adding");
    QTest::newRow("a new item") << true;
    QTest::newRow("a stored item being changed") << false;
}

// A visit to a maintenance window flags its list; coming back must refill the
// lists without touching what the collector typed or chose in any of the six.
void TestLookups::editsSurviveARefillOfTheLists()
{
    QFETCH(bool, adding);
    Session s;
    LookupWindow m(s, 2);
    s.activate();
    if (adding)
        s.click("cmdAddNew");
    s.type("txtName", QStringLiteral("Tansy the Mole"));
    const char* const lists[] = {"cmbToyCon", "cmbBou", "cmbBra", "cmbSer", "cmbTagCon", "cmbGen"};
    QStringList chosen;
    for (const char* list : lists) {
        auto* combo = s.get<QComboBox>(list);
        combo->setCurrentIndex(1);
        chosen.append(combo->currentText());
    }
    m.activate();
    m.click("cmdAddNew");
    m.type(QStringLiteral("Antique Mall"));
    m.click("cmdUpdate");
    s.state.LookupChanged.fill(true);
    s.activate();
    QCOMPARE(s.entries("cmbBou").size(), 4);
    QCOMPARE(s.text("txtName"), QStringLiteral("Tansy the Mole")); // not replaced by a stored row
    for (int i = 0; i < 6; ++i)
        QCOMPARE(s.get<QComboBox>(lists[i])->currentText(), chosen[i]);
    QVERIFY(adding ? s.window->isAdding() : s.window->isDirty());
    QVERIFY(!s.get("cmdUpdate")->isHidden() && s.get("cmdFirst")->isHidden());
    s.click("cmdUpdate");
    std::unique_ptr<Recordset> saved =
        s.state.db().OpenRecordset(QStringLiteral("Select * from Plonko where Name = 'Tansy the Mole'"),
                                   Database::RecordsetType::Snapshot);
    QCOMPARE(saved->RecordCount(), 1);
    QCOMPARE(saved->Fields(QStringLiteral("bouID")), Value(qint32(1))); // Corner Toy Shop
}

void TestLookups::escapeCancelsAnEdit()
{
    Session s;
    LookupWindow m(s, 3);
    m.type(QStringLiteral("Half typed"));
    QTest::keyClick(m.get("txtDesc"), Qt::Key_Escape);
    QVERIFY(m.window->isVisible());
    QVERIFY(!m.window->isDirty());
    QCOMPARE(m.desc(), QStringLiteral("Plonko Minis"));
    QTest::keyClick(m.get("txtDesc"), Qt::Key_Escape); // browsing: Escape closes
    QVERIFY(!m.window->isVisible());
}

void TestLookups::sellerFieldsAreSaved()
{
    Session s;
    LookupWindow m(s, 2);
    m.click("cmdAddNew");
    m.type(QStringLiteral("Toy Barn"));
    m.get<QLineEdit>("txtBouPhone")->setText(QStringLiteral("555-0100"));
    m.get<QCheckBox>("chkBouFav")->setChecked(true);
    m.get<QPlainTextEdit>("txtBouNotes")->setPlainText(QStringLiteral("Open Sundays"));
    m.click("cmdUpdate");
    QCOMPARE(stored(s, "Select * from boughtfrom where bouDesc = 'Toy Barn'", "BouPhone"),
             QStringList{"555-0100"});
    QCOMPARE(stored(s, "Select * from boughtfrom where bouDesc = 'Toy Barn'", "BouFav"), QStringList{"True"});
    QCOMPARE(stored(s, "Select * from boughtfrom where bouDesc = 'Toy Barn'", "bounotes"),
             QStringList{"Open Sundays"});
    QCOMPARE(m.get<QLineEdit>("txtBouPhone")->text(), QStringLiteral("555-0100"));
}

QTEST_MAIN(TestLookups)
#include "tst_lookups.moc"
