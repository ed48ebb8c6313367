#include "store/DbError.h"
#include "store/JetSql.h"

#include <QTest>

class TestJetSql : public QObject
{
    Q_OBJECT

private slots:
    void expressions_data();
    void expressions();
    void selectIsCutAtItsClauses_data();
    void selectIsCutAtItsClauses();
    void malformedTextIsRefused_data();
    void malformedTextIsRefused();
    void quoteTextRoundTrips();
    void findsByTypedTextAreTold_data();
    void findsByTypedTextAreTold();
    void orderTermsTakeTheirKeys_data();
    void orderTermsTakeTheirKeys();
};

void TestJetSql::expressions_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("sqlite");
    QTest::newRow("key") << "PlonID = 17"
                         << "PlonID = 17";
    QTest::newRow("prefix") << "Name like 'ab*'"
                            << "Name LIKE 'ab%' ESCAPE '\\'";
    QTest::newRow("one character") << "descr like 'a?c'"
                                   << "descr LIKE 'a_c' ESCAPE '\\'";
    QTest::newRow("SQLite wildcards are plain characters") << "descr like '100%_x*'"
                                                           << "descr LIKE '100\\%\\_x%' ESCAPE '\\'";
    QTest::newRow("doubled quote") << "descr like 'it''s*'"
                                   << "descr LIKE 'it''s%' ESCAPE '\\'";
    QTest::newRow("double-quoted string") << "catnum = \"4'0\""
                                          << "catnum = '4''0' COLLATE unicode_nocase";
    QTest::newRow("digit wildcard") << "catnum like 'A#*'"
                                    << "casefold(catnum) GLOB 'a[0-9]*'";
    QTest::newRow("negated list, qualified name") << "Plonko.Name not like '[!a-c]*'"
                                                  << "casefold(Plonko.Name) not GLOB '[^a-c]*'";
    QTest::newRow("date literal") << "issuedate = #3/5/1998#"
                                  << "issuedate = '1998-03-05'";
    QTest::newRow("two-digit year") << "issuedate >= #12/31/29# and issuedate <= #1/1/30#"
                                    << "issuedate >= '2029-12-31' and issuedate <= '1930-01-01'";
    QTest::newRow("ISO date literal") << "SoldDate = #2001-02-03#"
                                      << "SoldDate = '2001-02-03'";
    QTest::newRow("yes/no words") << "wantlist = True and sold = no"
                                  << "wantlist = -1 and sold = 0";
    QTest::newRow("bracketed name") << "[desc] = 'x'"
                                    << "\"desc\" = 'x' COLLATE unicode_nocase";
    QTest::newRow("concatenation") << "Name & descr = 'ab'"
                                   << "Name || descr = 'ab' COLLATE unicode_nocase";
    QTest::newRow("string on the left") << "'x' <> Name"
                                        << "'x' COLLATE unicode_nocase <> Name";
    QTest::newRow("accented pattern folds") << "Name like 'ÉM#*'"
                                            << "casefold(Name) GLOB 'ém[0-9]*'";
    QTest::newRow("a string that is no comparison") << "Name & ' ' & descr"
                                                    << "Name || ' ' || descr";
    QTest::newRow("a # inside a string is text") << "catnum = '#1'"
                                                 << "catnum = '#1' COLLATE unicode_nocase";
}

void TestJetSql::expressions()
{
    QFETCH(QString, jet);
    QFETCH(QString, sqlite);
    QCOMPARE(JetSql::translateExpression(jet), sqlite);
}

void TestJetSql::selectIsCutAtItsClauses_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QStringList>("parts"); // columns, from, where, order by, table
    QTest::newRow("item window") << "Select * from Plonko order by name"
                                 << QStringList{"*", "Plonko", "", "name", "Plonko"};
    QTest::newRow("catalogue") << "Select * from RptSpec order by [desc]"
                               << QStringList{"*", "RptSpec", "", "\"desc\"", "RptSpec"};
    QTest::newRow("where") << "Select PlonID from Plonko where toycon = 3"
                           << QStringList{"PlonID", "Plonko", "toycon = 3", "", "Plonko"};
    QTest::newRow("joins")
        << "Select Name, serDesc from (Plonko left join series on Plonko.serID = series.serID) "
           "where  serDesc like 'Sp*' order by Name"
        << QStringList{"Name, serDesc", "(Plonko left join series on Plonko.serID = series.serID)",
                       "serDesc LIKE 'Sp%' ESCAPE '\\'", "Name", ""};
    QTest::newRow("keywords inside strings")
        << "select * from brand where braDesc = 'order by where'"
        << QStringList{"*", "brand", "braDesc = 'order by where' COLLATE unicode_nocase", "", "brand"};
}

void TestJetSql::selectIsCutAtItsClauses()
{
    QFETCH(QString, jet);
    QFETCH(QStringList, parts);
    const JetSql::Select select = JetSql::translateSelect(jet);
    QCOMPARE((QStringList{select.columns, select.from, select.where, select.orderBy, select.table}), parts);
}

void TestJetSql::malformedTextIsRefused_data()
{
    QTest::addColumn<QString>("jet");
    QTest::newRow("unclosed quote (an unquoted apostrophe)")
        << "Select * from Plonko where Name like 'O'Neil*'";
    QTest::newRow("day that does not exist") << "Select * from Plonko where issuedate = #2/30/1998#";
    QTest::newRow("not a date") << "Select * from Plonko where issuedate = #soon#";
    QTest::newRow("not a select") << "delete from Plonko";
    QTest::newRow("order without by") << "Select * from Plonko order name";
    QTest::newRow("like without pattern") << "Select * from Plonko where Name like";
}

void TestJetSql::malformedTextIsRefused()
{
    QFETCH(QString, jet);
    try {
        JetSql::translateSelect(jet);
        QFAIL("accepted");
    } catch (const DbError& e) {
        QCOMPARE(e.number(), int(DbError::SyntaxError));
    }
}

void TestJetSql::quoteTextRoundTrips()
{
    const QString typed = QStringLiteral("O'Neil's \"best\"");
    const QString criteria = QStringLiteral("Name = ") + JetSql::quoteText(typed);
    QCOMPARE(JetSql::translateExpression(criteria),
             QStringLiteral("Name = 'O''Neil''s \"best\"' COLLATE unicode_nocase"));
    // typed wildcards are taken as themselves
    QCOMPARE(JetSql::beginsWithPattern(QStringLiteral("a*b?c#[d'")), QStringLiteral("'a[*]b[?]c[#][[]d''*'"));
    QCOMPARE(JetSql::translateExpression(QStringLiteral("Name like ") +
                                         JetSql::beginsWithPattern(QStringLiteral("ab"))),
             QStringLiteral("Name LIKE 'ab%' ESCAPE '\\'"));
}

void TestJetSql::findsByTypedTextAreTold_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<bool>("told");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("begins with") << "Name like 'Zin*'" << true << "Name"
                                 << "Zin";
    QTest::newRow("typed wildcards") << "Name like " + JetSql::beginsWithPattern(QStringLiteral("a*b?c#[d'"))
                                     << true << "Name"
                                     << "a*b?c#[d'";
    QTest::newRow("equal, bracketed") << "[catnum] = '8001'" << true << "catnum"
                                      << "8001";
    QTest::newRow("wildcard first") << "descr like '*bear'" << true << "descr"
                                    << "";
    QTest::newRow("digit wildcard") << "catnum like '12#*'" << true << "catnum"
                                    << "12";
    QTest::newRow("list") << "Name like 'a[bc]*'" << true << "Name"
                          << "a";
    QTest::newRow("not like") << "Name not like 'a*'" << false << ""
                              << "";
    QTest::newRow("two terms") << "Name like 'a*' and descr = 'b'" << false << ""
                               << "";
    QTest::newRow("number") << "PlonID = 5" << false << ""
                            << "";
    QTest::newRow("greater") << "Name > 'a'" << false << ""
                             << "";
    QTest::newRow("qualified") << "Plonko.Name = 'a'" << false << ""
                               << "";
}

// A find that compares one column with typed text is told apart, with the
// text every match begins with, so that the store can read an index for it.
void TestJetSql::findsByTypedTextAreTold()
{
    QFETCH(QString, jet);
    QFETCH(bool, told);
    QFETCH(QString, column);
    QFETCH(QString, prefix);
    const std::optional<JetSql::TextTest> test = JetSql::textTest(jet);
    QCOMPARE(test.has_value(), told);
    if (test) {
        QCOMPARE(test->column, column);
        QCOMPARE(test->prefix, prefix);
    }
}

void TestJetSql::orderTermsTakeTheirKeys_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("orderBy");
    QTest::newRow("name") << "Select * from Plonko order by name"
                          << "<Plonko.name>";
    QTest::newRow("two terms, directions") << "Select * from Plonko order by name desc, descr ASC"
                                           << "<Plonko.name> DESC, <Plonko.descr> ASC";
    QTest::newRow("qualified, in a join")
        << "Select Name from (Plonko left join series on Plonko.serID = series.serID) order by Plonko.Name"
        << "Plonko.<.Name>";
    QTest::newRow("bracketed") << "Select * from RptSpec order by [desc]"
                               << "<RptSpec.desc>";
    QTest::newRow("no text column: kept") << "Select * from Plonko order by IssueDate"
                                          << "IssueDate";
    QTest::newRow("an expression: kept") << "Select * from Plonko order by catsort || catnum"
                                         << "catsort || catnum";
}

// The store names each column's order; the translation puts it in place.
void TestJetSql::orderTermsTakeTheirKeys()
{
    QFETCH(QString, jet);
    QFETCH(QString, orderBy);
    const JetSql::Select select =
        JetSql::translateSelect(jet, [](const QString& table, const QString& column) {
            return column == QLatin1String("IssueDate")
                       ? QString()
                       : QStringLiteral("%1<") + table + QLatin1Char('.') + column + QLatin1Char('>');
        });
    QCOMPARE(select.orderBy, orderBy);
}

QTEST_APPLESS_MAIN(TestJetSql)
#include "tst_jetsql.moc"
