#include "LookupWindow.h"

#include "regional/StringHelpers.h"

#include <QCryptographicHash>
#include <QFile>

namespace {

// Texts a collector might paste by accident, or a hostile tester on purpose.
QList<std::pair<const char*, QString>> hostileTexts()
{
    QList<std::pair<const char*, QString>> texts = {
        {"a NUL", QString(QChar(0))},
        {"a NUL inside a name", QStringLiteral("Ab") + QChar(0) + QStringLiteral("by")},
        {"control characters", QStringLiteral("\t\r\n\x01\x1b\x7f") + QChar(0x85)},
        {"a lone high surrogate", QString(QChar(0xD800))},
        {"a lone low surrogate", QStringLiteral("Ab") + QChar(0xDC00)},
        {"an emoji cut in half", QStringLiteral("Abby") + QChar(0xD83D)},
        {"quotes", QStringLiteral("'\"''\"")},
    };
    for (const char* wildcard : {"*", "?", "#", "[", "]", "[!", "%", "_", "\\", "'"}) {
        texts.append({wildcard, QString(20000, QLatin1Char('a')) + QString::fromLatin1(wildcard)});
        texts.append({wildcard, QString::fromLatin1(wildcard).repeated(20000)});
    }
    return texts;
}

QByteArray fileHash(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

class TestHostileInput : public QObject
{
    Q_OBJECT

private slots:
    void itemFindSurvivesAnyText_data();
    void itemFindSurvivesAnyText();
    void lookupFindSurvivesAnyText_data();
    void lookupFindSurvivesAnyText();
    void findBoxTakesNoMoreThanTheLongestField();
    void everyFieldSurvivesAnyPaste_data();
    void everyFieldSurvivesAnyPaste();
};

void TestHostileInput::itemFindSurvivesAnyText_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("name") << 1;
    QTest::newRow("description") << 2;
    QTest::newRow("catalog number") << 3;
    QTest::newRow("birthday") << 4;
}

// Whatever is pasted, a find either finds, says it found nothing, or asks for
// a proper text: the program goes on and the collection is untouched.
void TestHostileInput::itemFindSurvivesAnyText()
{
    QFETCH(int, kind);
    Session s;
    const QByteArray before = fileHash(s.collection.path());
    for (const auto& [what, text] : hostileTexts()) {
        s.dialogs.modalSteps.enqueue([&](QDialog& find) {
            find.findChild<QRadioButton*>(QStringLiteral("optBy(%1)").arg(kind))->click();
            find.findChild<QLineEdit*>(QStringLiteral("txtName"))->insert(text);
            find.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
            if (find.isVisible()) // the text was refused: the collector gives up
                find.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
        });
        s.click("cmdFind");
        QVERIFY2(!s.dialogs.ended, what);
        QVERIFY2(s.window->isVisible(), what);
        // the window still works on a stored row
        s.click("cmdFirst");
        QVERIFY2(!s.text("txtName").isEmpty() || !s.text("txtDescr").isEmpty(), what);
    }
    QCOMPARE(fileHash(s.collection.path()), before);
}

void TestHostileInput::lookupFindSurvivesAnyText_data()
{
    QTest::addColumn<int>("table");
    for (int table = 1; table <= 6; ++table)
        QTest::addRow("table %d", table) << table;
}

void TestHostileInput::lookupFindSurvivesAnyText()
{
    QFETCH(int, table);
    Session s;
    const QByteArray before = fileHash(s.collection.path());
    LookupWindow m(s, table);
    for (const auto& [what, text] : hostileTexts()) {
        s.dialogs.messages.clear();
        s.dialogs.inputs.enqueue(text);
        m.click("cmdFind");
        QVERIFY2(!s.dialogs.ended, what);
        QVERIFY2(s.dialogs.messages.isEmpty() ||
                     s.dialogs.lastText() == QStringLiteral("That record was not found."),
                 what);
        QVERIFY2(!m.desc().isEmpty(), what);
    }
    QCOMPARE(fileHash(s.collection.path()), before);
}

// Eighty characters, the longest text field, and never half an emoji.
void TestHostileInput::findBoxTakesNoMoreThanTheLongestField()
{
    Session s;
    s.dialogs.modalSteps.enqueue([&](QDialog& find) {
        auto* box = find.findChild<QLineEdit*>(QStringLiteral("txtName"));
        box->insert(QString(20000, QLatin1Char('b')));
        QCOMPARE(box->text().size(), 80);
        find.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
    });
    s.click("cmdFind");
    QVERIFY(s.dialogs.modalSteps.isEmpty());
}

void TestHostileInput::everyFieldSurvivesAnyPaste_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("limit"); // 0 for a field that checks what it holds
    const std::pair<const char*, int> fields[] = {
        {"txtName", 80},    {"txtDescr", 80},    {"txtCatNum", 30},     {"txtTushDesc", 80},
        {"txtColor", 50},   {"txtErrors", 80},   {"txtMisc1", 50},      {"txtMisc2", 50},
        {"txtQuantity", 0}, {"txtPricePaid", 0}, {"txtCatValue", 0},    {"txtPriceAsk", 0},
        {"dcIssueDate", 0}, {"dcRetireDate", 0}, {"dcPurchaseDate", 0}, {"dcSoldDate", 0},
        {"txtNotes", 0}};
    for (const auto& [field, limit] : fields)
        QTest::newRow(field) << field << limit;
}

// Whatever lands in a field, a save either keeps exactly what the window
// shows or is refused with a message and writes nothing; the program goes on.
void TestHostileInput::everyFieldSurvivesAnyPaste()
{
    QFETCH(QString, field);
    QFETCH(int, limit);
    Session s;
    const long rows = s.state.items().RecordCount();
    for (const auto& [what, text] : hostileTexts()) {
        const QByteArray before = fileHash(s.collection.path());
        s.dialogs.messages.clear();
        QWidget* box = s.window->findChild<QWidget*>(field);
        box->setFocus();
        if (auto* notes = qobject_cast<QPlainTextEdit*>(box)) {
            notes->selectAll();
            notes->insertPlainText(text);
        } else {
            QLineEdit* line =
                qobject_cast<QLineEdit*>(box) ? qobject_cast<QLineEdit*>(box) : box->findChild<QLineEdit*>();
            line->selectAll();
            line->insert(text);
        }
        s.click("cmdUpdate");
        QVERIFY2(!s.dialogs.ended, what);
        if (!s.dialogs.messages.isEmpty()) {
            QCOMPARE(fileHash(s.collection.path()), before);
            s.click("cmdCancel");
        } else if (limit > 0) {
            const QString shown = s.text(qPrintable(field));
            QVERIFY2(CharacterCount(shown) <= limit, what);
            QVERIFY2(PrintableText(shown) == shown, what);
        }
        QVERIFY2(!s.window->isDirty() && !s.get("cmdFirst")->isHidden(), what);
        QCOMPARE(s.state.items().RecordCount(), rows);
    }
}

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
