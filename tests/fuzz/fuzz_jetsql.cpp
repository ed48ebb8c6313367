// The SQL translation on any text; typed text quoted by the helpers the finds
// use matches itself, letter case aside, and nothing wider than it should.
#include "FuzzInput.h"

#include "store/DbError.h"
#include "store/JetSql.h"
#include "store/TextOrder.h"

#include <sqlite3.h>

#include <memory>

namespace {

sqlite3* store()
{
    static sqlite3* db = [] {
        sqlite3* opened = nullptr;
        sqlite3_open(":memory:", &opened);
        TextOrder::install(opened,
                           std::make_shared<TextOrder>(QLocale(QLocale::English, QLocale::UnitedStates)));
        return opened;
    }();
    return db;
}

// Whether a where clause in Jet SQL holds for a row whose Name is name.
bool holds(const QString& jet, const QString& name)
{
    const QString where = JetSql::translateExpression(jet);
    const QByteArray sql = "SELECT count(*) FROM (SELECT ?1 AS Name) WHERE " + where.toUtf8();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(store(), sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
        broken("translated criteria run",
               where + QStringLiteral("\n") + QString::fromUtf8(sqlite3_errmsg(store())));
    const QByteArray text = name.toUtf8();
    sqlite3_bind_text(statement, 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    if (sqlite3_step(statement) != SQLITE_ROW)
        broken("translated criteria run", where);
    const bool found = sqlite3_column_int(statement, 0) == 1;
    sqlite3_finalize(statement);
    return found;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const QString text = input.text();
    try {
        JetSql::translateSelect(text, [](const QString&, const QString&) { return QString(); });
    } catch (const DbError&) {
    }
    try {
        JetSql::translateExpression(text);
        JetSql::textTest(text);
    } catch (const DbError&) {
    }

    // what a person types into a find, quoted, is taken as itself
    if (text.contains(QChar(0)))
        return 0; // the store's texts end at a nul
    const QString equal = QStringLiteral("Name = ") + JetSql::quoteText(text);
    if (!holds(equal, text))
        broken("a quoted text equals itself", text);
    const QString begins = QStringLiteral("Name like ") + JetSql::beginsWithPattern(text);
    if (!holds(begins, text) || !holds(begins, text + QStringLiteral("xyz")))
        broken("a text begins with itself", text);
    if (!holds(begins, text.toUpper()) && text.toUpper().toCaseFolded() == text.toCaseFolded())
        broken("a text begins with itself in capitals", text);
    if (!text.isEmpty() && !text.endsWith(u'\x01') && holds(begins, text.left(text.size() - 1) + u'\x01'))
        broken("a quoted text matches only itself", text);
    return 0;
}
