#include "regional/StringHelpers.h"

#include <QTest>

using namespace Qt::StringLiterals;

class TestStringHelpers : public QObject
{
    Q_OBJECT

private slots:
    void padLeft_data();
    void padLeft();
    void replaceAll_data();
    void replaceAll();
    void replaceAllBeyondSixteenBitPositions();
    void nthField_data();
    void nthField();
    void catalogSortKey_data();
    void catalogSortKey();
    void catalogSortKeyOrdersNineBeforeTen();
};

static QString blanks(int count)
{
    return QString(count, u' ');
}

void TestStringHelpers::padLeft_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected");

    QTest::newRow("short") << u"45"_s << 20 << blanks(18) + u"45"_s;
    QTest::newRow("empty") << QString() << 20 << blanks(20);
    QTest::newRow("exact width") << u"12345"_s << 5 << u"12345"_s;
    QTest::newRow("longer is never cut")
        << u"1234567890123456789012345"_s << 20 << u"1234567890123456789012345"_s;
    QTest::newRow("zero width") << u"ab"_s << 0 << u"ab"_s;
    QTest::newRow("negative width") << u"ab"_s << -3 << u"ab"_s;
}

void TestStringHelpers::padLeft()
{
    QFETCH(QString, text);
    QFETCH(int, width);
    QFETCH(QString, expected);
    QCOMPARE(PadLeft(text, width), expected);
}

void TestStringHelpers::replaceAll_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QString>("expected");

    QTest::newRow("bars to tabs") << u"a|b|c"_s << u"|"_s << u"\t"_s << u"a\tb\tc"_s;
    QTest::newRow("semicolons removed") << u";a;;b;"_s << u";"_s << QString() << u"ab"_s;
    QTest::newRow("replacement holds find") << u"aaa"_s << u"a"_s << u"aa"_s << u"aaaaaa"_s;
    QTest::newRow("case-sensitive") << u"AaA"_s << u"a"_s << u"x"_s << u"AxA"_s;
    QTest::newRow("multi-character") << u"abcabc"_s << u"bc"_s << u"X"_s << u"aXaX"_s;
    QTest::newRow("inserted text forms no new match") << u"aab"_s << u"ab"_s << u"a"_s << u"aa"_s;
    QTest::newRow("not found") << u"abc"_s << u"d"_s << u"x"_s << u"abc"_s;
    QTest::newRow("empty find") << u"abc"_s << QString() << u"x"_s << u"abc"_s;
    QTest::newRow("empty text") << QString() << u"a"_s << u"b"_s << QString();
}

void TestStringHelpers::replaceAll()
{
    QFETCH(QString, text);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(QString, expected);

    QCOMPARE(ReplaceAll(text, find, replacement), expected);
    QCOMPARE(text, expected);
}

void TestStringHelpers::replaceAllBeyondSixteenBitPositions()
{
    QString text = u"x|"_s.repeated(20001);
    QVERIFY(text.size() > 40000);
    ReplaceAll(text, u"|"_s, u"\t"_s);
    QCOMPARE(text.count(u'\t'), 20001);
    QCOMPARE(text.count(u'|'), 0);
    QCOMPARE(text.right(2), u"x\t"_s);
}

void TestStringHelpers::nthField_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("delimiter");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("expected");

    QTest::newRow("a;b 1") << u"a;b"_s << u";"_s << 1 << u"a"_s;
    QTest::newRow("a;b 2") << u"a;b"_s << u";"_s << 2 << u"b"_s;
    QTest::newRow("a;b 3") << u"a;b"_s << u";"_s << 3 << QString();
    QTest::newRow("a;;c 2") << u"a;;c"_s << u";"_s << 2 << QString();
    QTest::newRow("a;;c 3") << u"a;;c"_s << u";"_s << 3 << u"c"_s;
    QTest::newRow("abc 1") << u"abc"_s << u";"_s << 1 << u"abc"_s;
    QTest::newRow("abc 2") << u"abc"_s << u";"_s << 2 << QString();
    QTest::newRow("leading delimiter 1") << u";a"_s << u";"_s << 1 << QString();
    QTest::newRow("leading delimiter 2") << u";a"_s << u";"_s << 2 << u"a"_s;
    QTest::newRow("trailing delimiter") << u"a;"_s << u";"_s << 2 << QString();
    QTest::newRow("middle of three") << u"tbl;key;x"_s << u";"_s << 2 << u"key"_s;
    QTest::newRow("n 0") << u"a;b"_s << u";"_s << 0 << QString();
    QTest::newRow("n negative") << u"a;b"_s << u";"_s << -1 << QString();
    QTest::newRow("long delimiter keeps its tail") << u"a;;b"_s << u";;"_s << 2 << u";b"_s;
}

void TestStringHelpers::nthField()
{
    QFETCH(QString, text);
    QFETCH(QString, delimiter);
    QFETCH(int, n);
    QFETCH(QString, expected);
    QCOMPARE(NthField(text, delimiter, n), expected);
}

void TestStringHelpers::catalogSortKey_data()
{
    QTest::addColumn<QString>("catalogNumber");
    QTest::addColumn<QString>("expected");

    QTest::newRow("plain") << u"12"_s << blanks(18) + u"12"_s;
    QTest::newRow("letters and signs dropped") << u"Style 45-B"_s << blanks(18) + u"45"_s;
    QTest::newRow("digits around punctuation") << u"A-12/b"_s << blanks(18) + u"12"_s;
    QTest::newRow("decimal point dropped") << u"-1.5"_s << blanks(18) + u"15"_s;
    QTest::newRow("no digits") << u"abc"_s << blanks(20);
    QTest::newRow("empty") << QString() << blanks(20);
    QTest::newRow("only ASCII digits") << u"\u0661\u0662 \uff13"_s << blanks(20);
    QTest::newRow("exactly twenty") << u"12345-67890-12345-67890"_s << u"12345678901234567890"_s;
    QTest::newRow("first twenty of more") << u"1234567890123456789012345"_s << u"12345678901234567890"_s;
}

void TestStringHelpers::catalogSortKey()
{
    QFETCH(QString, catalogNumber);
    QFETCH(QString, expected);
    QCOMPARE(CatalogSortKey(catalogNumber), expected);
}

void TestStringHelpers::catalogSortKeyOrdersNineBeforeTen()
{
    QVERIFY(CatalogSortKey(u"No. 9"_s) < CatalogSortKey(u"No. 10"_s));
}

QTEST_APPLESS_MAIN(TestStringHelpers)
#include "tst_stringhelpers.moc"
