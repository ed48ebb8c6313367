#include "ItemSession.h"
#include "LookupWindow.h"

#include "lookups/LookupTables.h"

#include <QClipboard>

namespace {

// One character outside the Basic Multilingual Plane: two UTF-16 units.
const QString kBear = QString::fromUtf8("\xF0\x9F\xA7\xB8");

// Pastes text over the whole of a box, as Ctrl+V does.
void paste(QLineEdit* box, const QString& text)
{
    QGuiApplication::clipboard()->setText(text);
    box->setFocus();
    box->selectAll();
    box->paste();
}

// A full box takes no more: a character typed at its start is dropped, and
// nothing is pushed off its end.
void typeIntoFullBox(QLineEdit* box)
{
    const QString full = box->text();
    box->setFocus();
    box->home(false);
    QTest::keyClicks(box, QStringLiteral("z"));
    QCOMPARE(box->text(), full);
}

} // namespace

class TestTextLimits : public QObject
{
    Q_OBJECT

private slots:
    void itemFieldsKeepWholeCharacters_data();
    void itemFieldsKeepWholeCharacters();
    void lookupFieldsKeepWholeCharacters_data();
    void lookupFieldsKeepWholeCharacters();
    void storeCountsCharacters_data();
    void storeCountsCharacters();
};

void TestTextLimits::itemFieldsKeepWholeCharacters_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("limit");
    QTest::newRow("name") << "txtName"
                          << "Name" << 80;
    QTest::newRow("description") << "txtDescr"
                                 << "descr" << 80;
    QTest::newRow("catalog number") << "txtCatNum"
                                    << "catnum" << 30;
    QTest::newRow("tush tag") << "txtTushDesc"
                              << "tushdesc" << 80;
    QTest::newRow("color") << "txtColor"
                           << "Color" << 50;
    QTest::newRow("errors") << "txtErrors"
                            << "Errors" << 80;
    QTest::newRow("misc. 1") << "txtMisc1"
                             << "misc1" << 50;
    QTest::newRow("misc. 2") << "txtMisc2"
                             << "misc2" << 50;
}

void TestTextLimits::itemFieldsKeepWholeCharacters()
{
    QFETCH(QString, box);
    QFETCH(QString, field);
    QFETCH(int, limit);
    Session s;
    auto* edit = s.get<QLineEdit>(qPrintable(box));
    const QString kept = QString(limit - 1, QLatin1Char('a')) + kBear;
    paste(edit, kept + QStringLiteral("more"));
    QCOMPARE(edit->text(), kept);
    typeIntoFullBox(edit);
    s.click("cmdUpdate");
    QVERIFY2(s.dialogs.messages.isEmpty(), qPrintable(s.dialogs.lastText()));
    std::unique_ptr<Recordset> stored = s.state.db().OpenRecordset(
        QStringLiteral("Select * from Plonko where PlonID = 6"), Database::RecordsetType::Snapshot);
    QCOMPARE(textOf(stored->Fields(field)), kept);
}

void TestTextLimits::lookupFieldsKeepWholeCharacters_data()
{
    QTest::addColumn<int>("table");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("limit");
    for (int table = 1; table <= 6; ++table) {
        const LookupTableInfo& info = lookupTableInfo(table);
        QTest::addRow("%s", info.caption) << table << "txtDesc" << QString::fromLatin1(info.descField) << 50;
    }
    QTest::newRow("seller's phone") << 2 << "txtBouPhone"
                                    << "BouPhone" << 30;
}

void TestTextLimits::lookupFieldsKeepWholeCharacters()
{
    QFETCH(int, table);
    QFETCH(QString, box);
    QFETCH(QString, field);
    QFETCH(int, limit);
    Session s;
    LookupWindow m(s, table);
    m.click("cmdAddNew");
    m.type("txtDesc", QStringLiteral("Zz new entry"));
    auto* edit = m.get<QLineEdit>(qPrintable(box));
    const QString kept = QString(limit - 1, QLatin1Char('a')) + kBear;
    paste(edit, kept + QStringLiteral("more"));
    QCOMPARE(edit->text(), kept);
    typeIntoFullBox(edit);
    m.click("cmdUpdate");
    QVERIFY2(s.dialogs.messages.isEmpty(), qPrintable(s.dialogs.lastText()));
    const LookupTableInfo& info = lookupTableInfo(table);
    std::unique_ptr<Recordset> stored =
        s.state.db().OpenRecordset(QString::fromLatin1(info.query), Database::RecordsetType::Snapshot);
    QStringList values;
    for (; !stored->AtEOF(); stored->MoveNext())
        values.append(textOf(stored->Fields(field)));
    QVERIFY2(values.contains(kept), qPrintable(values.join(QLatin1Char('|'))));
}

void TestTextLimits::storeCountsCharacters_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("limit");
    const std::pair<const char*, int> itemFields[] = {{"Name", 80},     {"descr", 80}, {"catnum", 30},
                                                      {"tushdesc", 80}, {"Color", 50}, {"Errors", 80},
                                                      {"misc1", 50},    {"misc2", 50}};
    for (const auto& [field, limit] : itemFields)
        QTest::addRow("item %s", field) << "Select * from Plonko" << QString::fromLatin1(field) << limit;
    for (int table = 1; table <= 6; ++table) {
        const LookupTableInfo& info = lookupTableInfo(table);
        QTest::addRow("%s", info.descField)
            << QString::fromLatin1(info.query) << QString::fromLatin1(info.descField) << 50;
    }
    QTest::newRow("BouPhone") << "Select * from boughtfrom"
                              << "BouPhone" << 30;
}

// Limits count characters: one beyond the BMP counts once, as a box shows it.
void TestTextLimits::storeCountsCharacters()
{
    QFETCH(QString, sql);
    QFETCH(QString, field);
    QFETCH(int, limit);
    TestCollection collection;
    std::unique_ptr<Database> db = collection.open();
    std::unique_ptr<Recordset> rs = db->OpenRecordset(sql, Database::RecordsetType::Dynaset);
    auto refusal = [&](const QString& text) {
        try {
            rs->AddNew();
            rs->SetField(field, text);
            rs->Update();
        } catch (const DbError& e) {
            return e.number();
        }
        return 0;
    };
    const QString full = QString(limit - 1, QLatin1Char('a')) + kBear;
    QCOMPARE(refusal(full), 0);
    QCOMPARE(refusal(full + QStringLiteral("a")), int(DbError::FieldTooSmall));
}

QTEST_MAIN(TestTextLimits)
#include "tst_textlimits.moc"
