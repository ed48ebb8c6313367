#include "TestCollection.h"

#include "store/CollectionSchema.h"
#include "regional/StringHelpers.h"

#include <QFile>

#include <sqlite3.h>

#include <span>

namespace {

struct Item
{
    const char* name;
    const char* descr;
    const char* catnum;
    qint32 quantity;
    bool want, sold, forSale;
    int toycon, tagcon, serID, braID, bouID;
    QDate birthday;
    const char* paid;
    const char* value;
    const char* ask;
};

Value key(int k)
{
    return k ? Value(qint32(k)) : Value();
}

Value money(const char* text)
{
    return text ? Value(*Money::fromDouble(QByteArray(text).toDouble())) : Value();
}

} // namespace

TestCollection::TestCollection(bool withItems)
{
    CollectionSchema::createCollection(path());
    std::unique_ptr<Database> db = open();
    const Item items[] = {
        {"Abby", "Brown bear", "10", 2, false, false, true, 1, 2, 2, 1, 1, QDate(1998, 5, 30), "3", "4", "5"},
        {"bubbles", "Fish", "9", 1, true, false, false, 0, 0, 0, 0, 0, QDate(), "7.5", nullptr, nullptr},
        {"Cubby", "abby's friend", "401", 3, false, true, false, 3, 0, 4, 2, 2, QDate(1997, 1, 2), "2",
         nullptr, "5"},
        {"Abby", "Aardvark", "40", 1, false, false, false, 1, 1, 4, 1, 1, QDate(1998, 3, 5), nullptr, "10",
         nullptr},
        {"Dot", "", "Style 45-B", 5, false, false, false, 0, 0, 0, 3, 0, QDate(), nullptr, "1.25", nullptr},
        {"", "Unnamed owl", "", 1, false, false, true, 0, 0, 0, 1, 0, QDate(1999, 12, 31), nullptr, nullptr,
         "9.99"},
        {"Zed", "Zebra", "7", 1, false, false, false, 0, 0, 5, 2, 3, QDate(1998, 3, 5), nullptr, nullptr,
         nullptr},
        {"Ace", "Ant", "8", 1, true, false, false, 0, 0, 5, 0, 0, QDate(1998, 3, 4), "1", nullptr, nullptr},
    };
    std::unique_ptr<Recordset> rs =
        db->OpenRecordset(QStringLiteral("Select * from Plonko"), Database::RecordsetType::Dynaset);
    for (const Item& item : withItems ? std::span<const Item>(items) : std::span<const Item>()) {
        rs->AddNew();
        rs->SetField(QStringLiteral("Name"), QString::fromUtf8(item.name));
        rs->SetField(QStringLiteral("descr"), QString::fromUtf8(item.descr));
        rs->SetField(QStringLiteral("catnum"), QString::fromUtf8(item.catnum));
        rs->SetField(QStringLiteral("catsort"), CatalogSortKey(QString::fromUtf8(item.catnum)));
        rs->SetField(QStringLiteral("quantity"), item.quantity);
        rs->SetField(QStringLiteral("wantlist"), item.want);
        rs->SetField(QStringLiteral("sold"), item.sold);
        rs->SetField(QStringLiteral("forsale"), item.forSale);
        rs->SetField(QStringLiteral("hastag"), true);
        rs->SetField(QStringLiteral("hastush"), true);
        rs->SetField(QStringLiteral("toycon"), key(item.toycon));
        rs->SetField(QStringLiteral("tagcon"), key(item.tagcon));
        rs->SetField(QStringLiteral("serID"), key(item.serID));
        rs->SetField(QStringLiteral("braID"), key(item.braID));
        rs->SetField(QStringLiteral("bouID"), key(item.bouID));
        rs->SetField(QStringLiteral("issuedate"), item.birthday.isValid() ? Value(item.birthday) : Value());
        rs->SetField(QStringLiteral("pricepaid"), money(item.paid));
        rs->SetField(QStringLiteral("catvalue"), money(item.value));
        rs->SetField(QStringLiteral("priceask"), money(item.ask));
        rs->Update();
    }
}

QString firstValue(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    QString value;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            value = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return value;
}

int itemCount(const QString& path)
{
    bool ok = false;
    const int count = firstValue(path, "SELECT count(*) FROM Plonko").toInt(&ok);
    return ok ? count : -1;
}

QString integrityOf(const QString& path)
{
    return firstValue(path, "PRAGMA integrity_check");
}
