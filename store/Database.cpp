#include "Database.h"

#include "CollectionSchema.h"
#include "Connection.h"
#include "EngineProgress.h"
#include "EqualRows.h"
#include "JetSql.h"
#include "PhotoTables.h"
#include "RowAppender.h"
#include "RowChecker.h"
#include "TextOrder.h"
#include "regional/StringHelpers.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

// VACUUM INTO, used to compact, came with 3.27.
constexpr int kOldestSqlite = 3027000;

QString lower(const QString& name)
{
    return name.toLower();
}

void execute(sqlite3* db, const char* sql, const Connection& connection)
{
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        connection.fail(rc);
}

// A file that cannot be written, or whose folder cannot take the journal
// beside it, would take no save. A transaction that writes nothing makes no
// journal, so a change is made and rolled back at once; the journal it makes
// stays open for every later save while the file is held.
void refuseUnwritable(Connection& connection, const QFileInfo& file)
{
    auto refuse = [&](const QString& cause, const QString& remedy) {
        throw DbError(DbError::ReadOnlyObject,
                      QStringLiteral("The collection file '%1' cannot be written: %2 Nothing could be saved "
                                     "in it, so the program does not open it. %3, or copy the file to a "
                                     "folder of your own, and start the program again.")
                          .arg(file.absoluteFilePath(), cause, remedy));
    };
    auto fileReadOnly = [&] {
        refuse(QStringLiteral("the file is read-only."), QStringLiteral("Make the file writable"));
    };
    sqlite3* db = connection.handle();
    if (sqlite3_db_readonly(db, "main") == 1)
        fileReadOnly();
    Statement version(connection, QStringLiteral("PRAGMA user_version"));
    version.step();
    const QByteArray same = "PRAGMA user_version = " + QByteArray::number(version.int64(0));
    version.reset();
    execute(db, "BEGIN", connection);
    const int rc = sqlite3_exec(db, same.constData(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK) {
        execute(db, "ROLLBACK", connection);
        return;
    }
    // a failure leaves the transaction open: closing the file ends it
    if (sqlite3_extended_errcode(db) == SQLITE_READONLY_DIRECTORY)
        refuse(QStringLiteral("its folder '%1' is read-only, so the journal that keeps the file safe while "
                              "saving cannot be made beside it.")
                   .arg(file.absolutePath()),
               QStringLiteral("Make the folder writable"));
    if ((rc & 0xff) == SQLITE_READONLY)
        fileReadOnly();
    connection.fail(rc);
}

// An amount as the engine holds it, in ten-thousandths, read as a report
// reads it: none for null or no number; nothing either where money cannot
// hold it (overflow set).
std::optional<qint64> moneyUnits(sqlite3_value* amount, bool& overflow)
{
    switch (sqlite3_value_numeric_type(amount)) {
    case SQLITE_INTEGER: {
        const qint64 whole = sqlite3_value_int64(amount);
        constexpr qint64 kLargest = Database::kLargestMoneyUnits / Money::kScale;
        if (whole >= -kLargest && whole <= kLargest)
            return whole * Money::kScale;
        overflow = true;
        return std::nullopt;
    }
    case SQLITE_FLOAT:
        if (const std::optional<Money> money = Money::fromDouble(sqlite3_value_double(amount)))
            return money->units();
        overflow = true;
        return std::nullopt;
    default:
        return std::nullopt;
    }
}

void moneyUnitsFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    bool overflow = false;
    const std::optional<qint64> units = moneyUnits(arguments[0], overflow);
    if (overflow)
        sqlite3_result_error(context, "integer overflow", -1);
    else if (units)
        sqlite3_result_int64(context, *units);
    else
        sqlite3_result_null(context);
}

// A quantity as a report counts it: a long integer, halves to even; none for
// no number, and nothing where a long integer cannot hold it.
std::optional<qint64> wholeQuantity(sqlite3_value* quantity)
{
    double number = 0;
    switch (sqlite3_value_numeric_type(quantity)) {
    case SQLITE_INTEGER:
        number = double(sqlite3_value_int64(quantity));
        break;
    case SQLITE_FLOAT:
        number = std::nearbyint(sqlite3_value_double(quantity));
        break;
    default:
        return 0;
    }
    if (!(number >= -2147483648.0 && number <= 2147483647.0))
        return std::nullopt;
    return qint64(number);
}

void wholeQuantityFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (const std::optional<qint64> pieces = wholeQuantity(arguments[0]))
        sqlite3_result_int64(context, *pieces);
    else
        sqlite3_result_error(context, "integer overflow", -1);
}

void moneyProductFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    bool overflow = false;
    const std::optional<qint64> units = moneyUnits(arguments[1], overflow);
    const std::optional<qint64> pieces = wholeQuantity(arguments[0]);
    overflow = overflow || !pieces;
    const qint64 quantity = pieces.value_or(0);
    qint64 product = 0;
    if (overflow || (units && __builtin_mul_overflow(quantity, *units, &product)))
        sqlite3_result_error(context, "integer overflow", -1);
    else if (units)
        sqlite3_result_int64(context, product);
    else
        sqlite3_result_null(context);
}

// The total an item keeps of its quantity and a price (see totalOf), as the
// file stores money: null where it has none, or one the field cannot hold.
void itemTotalFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    Value quantity;
    if (sqlite3_value_type(arguments[0]) == SQLITE_INTEGER) {
        const qint64 n = sqlite3_value_int64(arguments[0]);
        quantity = std::abs(n) <= 0x7fffffff ? Value(qint32(n)) : Value(double(n));
    } else if (sqlite3_value_type(arguments[0]) == SQLITE_FLOAT) {
        quantity = sqlite3_value_double(arguments[0]);
    }
    bool overflow = false;
    const std::optional<qint64> units = moneyUnits(arguments[1], overflow);
    const std::optional<Money> total =
        units ? totalOf(Money::fromUnits(*units), quantity) : std::optional<Money>();
    if (!total || std::abs(total->units()) > Database::kLargestMoneyUnits) {
        sqlite3_result_null(context);
        return;
    }
    ColumnInfo currency;
    currency.type = FieldType::Currency;
    const StoredValue stored = toStorage(*total, currency);
    if (const qint64* whole = std::get_if<qint64>(&stored))
        sqlite3_result_int64(context, *whole);
    else
        sqlite3_result_double(context, std::get<double>(stored));
}

int installMoneyFunctions(sqlite3* db)
{
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    const int total = sqlite3_create_function_v2(db, "itemtotal", 2, flags, nullptr, itemTotalFunction,
                                                 nullptr, nullptr, nullptr);
    if (total != SQLITE_OK)
        return total;
    const int units = sqlite3_create_function_v2(db, "moneyunits", 1, flags, nullptr, moneyUnitsFunction,
                                                 nullptr, nullptr, nullptr);
    if (units != SQLITE_OK)
        return units;
    const int pieces = sqlite3_create_function_v2(db, "wholequantity", 1, flags, nullptr,
                                                  wholeQuantityFunction, nullptr, nullptr, nullptr);
    if (pieces != SQLITE_OK)
        return pieces;
    return sqlite3_create_function_v2(db, "moneyproduct", 2, flags, nullptr, moneyProductFunction, nullptr,
                                      nullptr, nullptr);
}

} // namespace

FieldType fieldTypeOf(const char* declaredType)
{
    if (!declaredType)
        return FieldType::Unknown;
    const QString type = QString::fromUtf8(declaredType).toUpper();
    if (type.contains(QLatin1String("YESNO")) || type == QLatin1String("BIT"))
        return FieldType::YesNo;
    if (type.contains(QLatin1String("CURRENCY")) || type.contains(QLatin1String("MONEY")))
        return FieldType::Currency;
    if (type.contains(QLatin1String("DATE")))
        return FieldType::Date;
    if (type.contains(QLatin1String("INT")) || type.contains(QLatin1String("LONG")) ||
        type.contains(QLatin1String("COUNTER")))
        return FieldType::Long;
    if (type.contains(QLatin1String("DOUB")) || type.contains(QLatin1String("SINGLE")) ||
        type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")))
        return FieldType::Double;
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("TEXT")) ||
        type.contains(QLatin1String("MEMO")) || type.contains(QLatin1String("CLOB")))
        return FieldType::Text;
    return FieldType::Unknown;
}

// ---------------------------------------------------------------- Connection

Connection::Connection(sqlite3* db, QString path)
    : m_db(db)
    , m_path(std::move(path))
{}

Connection::~Connection()
{
    close();
}

sqlite3* Connection::handle() const
{
    if (!m_db)
        throw DbError(DbError::ObjectInvalid, QStringLiteral("Object invalid or no longer set."));
    return m_db;
}

void Connection::close()
{
    m_largestKeys.clear();
    // close_v2 waits for the statements of recordsets still alive to be finalised
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

void Connection::fail(int rc, const QString& context) const
{
    QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
    if (!context.isEmpty())
        message = context + QStringLiteral(": ") + message;
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw DbError(DbError::RecordLocked, QStringLiteral("Couldn't update; currently locked."));
    case SQLITE_FULL:
        throw DbError(DbError::DiskFull, QStringLiteral("Not enough space on disk."));
    case SQLITE_IOERR:
        throw DbError(DbError::DiskError, QStringLiteral("Disk or network error. ") + message);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        throw DbError(DbError::NotADatabase,
                      QStringLiteral("Unrecognized database format '%1'. ").arg(m_path) + message);
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        throw DbError(DbError::CannotOpen,
                      QStringLiteral("Couldn't open the file '%1'. ").arg(m_path) + message);
    case SQLITE_READONLY:
        // the engine's own check, when the journal is first made
        if (m_db && sqlite3_extended_errcode(m_db) == SQLITE_READONLY_DBMOVED)
            fileMoved();
        throw DbError(DbError::ReadOnlyObject,
                      QStringLiteral("Cannot update. Database is read-only. ") + message);
    case SQLITE_CONSTRAINT:
        throw DbError(DbError::DuplicateKey, QStringLiteral("The table refused the change: ") + message);
    case SQLITE_ERROR:
        throw DbError(DbError::SyntaxError, message);
    default:
        throw DbError(DbError::EngineFailure, message);
    }
}

const ColumnInfo* Connection::column(const QString& table, const QString& name)
{
    QHash<QString, const ColumnInfo*>& known = m_columnsByName[table];
    if (const auto found = known.constFind(name); found != known.cend())
        return *found;
    const QList<ColumnInfo>& all = columns(table);
    const auto found = std::find_if(all.begin(), all.end(), [&](const ColumnInfo& c) {
        return c.name.compare(name, Qt::CaseInsensitive) == 0;
    });
    const ColumnInfo* column = found == all.end() ? nullptr : &*found;
    known.insert(name, column);
    return column;
}

const QList<ColumnInfo>& Connection::columns(const QString& table)
{
    // a name as the program spells it is looked up without lowering it again
    auto spelt = m_lowerNames.constFind(table);
    const QString key = spelt != m_lowerNames.cend() ? *spelt : lower(table);
    if (spelt == m_lowerNames.cend())
        m_lowerNames.insert(table, key);
    auto found = m_columns.constFind(key);
    if (found != m_columns.cend())
        return *found;
    QList<ColumnInfo> columns;
    Statement info(*this, QStringLiteral("SELECT name, type, pk FROM pragma_table_info(?1)"));
    info.bind(1, Value(table), ColumnInfo{});
    while (info.step()) {
        ColumnInfo column;
        column.name = textOf(info.value(0, FieldType::Text));
        const QString declared = textOf(info.value(1, FieldType::Text));
        column.type = fieldTypeOf(declared.toUtf8().constData());
        const qsizetype open = declared.indexOf(QLatin1Char('('));
        if (column.type == FieldType::Text && open > 0)
            column.maxLength = declared.mid(open + 1).chopped(1).toInt();
        column.autoNumber =
            info.int64(2) == 1 && declared.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        column.isSortKey = declared.compare(QLatin1String("BLOB"), Qt::CaseInsensitive) == 0 &&
                           column.name.endsWith(QLatin1String("Key"), Qt::CaseInsensitive);
        columns.append(column);
    }
    if (columns.isEmpty())
        throw DbError(DbError::SyntaxError, QStringLiteral("no such table: %1").arg(table));
    for (const ColumnInfo& keyColumn : columns) {
        if (!keyColumn.isSortKey)
            continue;
        for (ColumnInfo& column : columns) {
            if (column.type == FieldType::Text &&
                keyColumn.name.compare(column.name + QLatin1String("Key"), Qt::CaseInsensitive) == 0)
                column.sortKey = keyColumn.name;
        }
    }
    return *m_columns.insert(key, columns);
}

QString Connection::orderTerm(const QString& table, const QString& column)
{
    if (m_tables.isEmpty()) {
        Statement names(*this, QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                                              "AND name NOT LIKE 'sqlite!_%' ESCAPE '!'"));
        while (names.step())
            m_tables.append(textOf(names.value(0, FieldType::Text)));
    }
    const QStringList tables = table.isEmpty() ? m_tables : QStringList{table};
    for (const QString& t : tables) {
        const QList<ColumnInfo>& all = columns(t);
        for (const ColumnInfo& c : all) {
            if (c.name.compare(column, Qt::CaseInsensitive) != 0)
                continue;
            if (!c.sortKey.isEmpty())
                return QStringLiteral("%1") + quotedName(c.sortKey);
            // A table that keeps sort keys has them for every text it is ordered
            // by; its other text (the catalogue digits key) orders as stored,
            // so that its indexes serve the order.
            const bool keyed =
                std::any_of(all.begin(), all.end(), [](const ColumnInfo& k) { return k.isSortKey; });
            if (c.type != FieldType::Text || keyed)
                return {};
            // ordered by its sort key, made once a row, rather than compared
            // through the language's collation at every step of the sort
            return QStringLiteral("sortkey(%1") + quotedName(c.name) + QLatin1Char(')');
        }
    }
    return {};
}

qint64 Connection::reserveKey(const QString& table)
{
    // The largest key ever given (kept by AUTOINCREMENT) or now present, and
    // the keys other recordsets reserved but did not store yet.
    const QString key = lower(table);
    std::unique_ptr<Statement>& largest = m_largestKeys[key];
    if (!largest)
        largest = std::make_unique<Statement>(
            *this, QStringLiteral("SELECT max(coalesce((SELECT seq FROM sqlite_sequence WHERE name = ?1), 0),"
                                  " coalesce((SELECT max(rowid) FROM %1), 0))")
                       .arg(quotedName(table)));
    largest->reset();
    largest->bind(1, Value(table), ColumnInfo{});
    largest->step();
    const qint64 stored = largest->int64(0);
    largest->reset();
    const qint64 next = std::max(stored, m_lastReservedKey.value(key, 0)) + 1;
    m_lastReservedKey.insert(key, next);
    ++m_reservations;
    return next;
}

void Connection::failNextWrites(int count, int number, int after)
{
    m_failingWrites = count;
    m_failNumber = number;
    m_writesBeforeFailing = after;
}

void Connection::beforeWrite(const KeyList* writer, const QString& table)
{
    checkNotMoved();
    if (m_writesBeforeFailing > 0) {
        --m_writesBeforeFailing;
    } else if (m_failingWrites > 0) {
        --m_failingWrites;
        throw DbError(m_failNumber, QStringLiteral("Couldn't update; currently locked by another user."));
    }
    const std::vector<KeyList*> lists = m_keyLists;
    for (KeyList* list : lists)
        if (list != writer)
            list->beforeOtherWrite(table);
}

void Connection::rolledBack()
{
    const std::vector<KeyList*> lists = m_keyLists;
    for (KeyList* list : lists)
        list->afterRollback();
}

void Connection::checkNotMoved() const
{
    int moved = 0;
    if (sqlite3_file_control(handle(), "main", SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved)
        fileMoved();
}

void Connection::fileMoved() const
{
    throw DbError(DbError::FileMoved,
                  QStringLiteral("The collection file '%1' was moved, replaced or deleted after the program "
                                 "opened it. Nothing was saved. The window keeps what it shows, so you can "
                                 "copy it; then quit and start the program again.")
                      .arg(m_path));
}

// ----------------------------------------------------------------- Statement

Statement::Statement(Connection& connection, const QString& sql)
    : m_connection(connection)
{
    const QByteArray utf8 = sql.toUtf8();
    const int rc =
        sqlite3_prepare_v2(connection.handle(), utf8.constData(), int(utf8.size()), &m_stmt, nullptr);
    if (rc != SQLITE_OK)
        connection.fail(rc);
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

StoredValue toStorage(const Value& value, const ColumnInfo& column)
{
    auto conversionError = [&]() -> StoredValue {
        throw DbError(DbError::TypeConversion,
                      QStringLiteral("Data type conversion error in field '%1'.").arg(column.name));
    };
    auto overflow = [&]() -> StoredValue {
        throw DbError(DbError::NumericOverflow,
                      QStringLiteral("Numeric field overflow in field '%1'.").arg(column.name));
    };
    const bool textual = std::holds_alternative<QString>(value) || std::holds_alternative<QDate>(value);
    if (isNull(value))
        return column.type == FieldType::YesNo ? StoredValue(qint64(0)) : StoredValue();
    switch (column.type) {
    case FieldType::Long:
        if (const std::optional<qint32> n = longOf(value))
            return qint64(*n);
        return textual ? conversionError() : overflow();
    case FieldType::YesNo:
        if (textual)
            return conversionError();
        return qint64(boolOf(value) ? -1 : 0);
    case FieldType::Currency: {
        const std::optional<Money> m = moneyOf(value);
        if (!m)
            return textual ? conversionError() : overflow();
        if (std::abs(m->units()) > Database::kLargestMoneyUnits)
            return overflow();
        if (m->units() % Money::kScale == 0)
            return m->units() / Money::kScale;
        return m->toDouble();
    }
    case FieldType::Date: {
        const std::optional<QDate> d = dateOf(value);
        const std::optional<QByteArray> stored = d ? storedDate(*d) : std::nullopt;
        if (!stored)
            return conversionError();
        return *stored;
    }
    case FieldType::Double:
        if (const double* d = std::get_if<double>(&value))
            return *d;
        if (const std::optional<Money> m = moneyOf(value))
            return m->toDouble();
        return conversionError();
    case FieldType::Text:
    case FieldType::Unknown:
        break;
    }
    // a text is taken as it is, not copied
    const QString* given = std::get_if<QString>(&value);
    const QString made = given ? QString() : textOf(value);
    const QString& text = given ? *given : made;
    if (column.maxLength > 0 && CharacterCount(text) > column.maxLength)
        throw DbError(DbError::FieldTooSmall,
                      QStringLiteral("The field '%1' is too small to accept the amount of data "
                                     "you attempted to add (at most %2 characters).")
                          .arg(column.name)
                          .arg(column.maxLength));
    return text.toUtf8();
}

void Statement::bind(int index, const Value& value, const ColumnInfo& column)
{
    const StoredValue stored = toStorage(value, column);
    int rc = SQLITE_OK;
    if (const qint64* n = std::get_if<qint64>(&stored))
        rc = sqlite3_bind_int64(m_stmt, index, *n);
    else if (const double* d = std::get_if<double>(&stored))
        rc = sqlite3_bind_double(m_stmt, index, *d);
    else if (const QByteArray* text = std::get_if<QByteArray>(&stored))
        rc = sqlite3_bind_text(m_stmt, index, text->constData(), int(text->size()), SQLITE_TRANSIENT);
    else
        rc = sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK)
        m_connection.fail(rc);
}

void Statement::bindKey(int index, qint64 key)
{
    const int rc = sqlite3_bind_int64(m_stmt, index, key);
    if (rc != SQLITE_OK)
        m_connection.fail(rc);
}

void Statement::bindText(int index, const QByteArray& utf8)
{
    const int rc = sqlite3_bind_text(m_stmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        m_connection.fail(rc);
}

void Statement::bindBlob(int index, const QByteArray& bytes)
{
    const int rc =
        sqlite3_bind_blob64(m_stmt, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        m_connection.fail(rc);
}

bool Statement::step()
{
    m_connection.handle();
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(m_stmt);
    m_connection.fail(rc);
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

QString Statement::columnName(int i) const
{
    return QString::fromUtf8(sqlite3_column_name(m_stmt, i));
}

FieldType Statement::columnType(int i) const
{
    return fieldTypeOf(sqlite3_column_decltype(m_stmt, i));
}

qint64 Statement::int64(int i) const
{
    return sqlite3_column_int64(m_stmt, i);
}

QByteArray Statement::blob(int i) const
{
    const void* bytes = sqlite3_column_blob(m_stmt, i);
    return QByteArray(static_cast<const char*>(bytes), bytes ? sqlite3_column_bytes(m_stmt, i) : 0);
}

Value Statement::value(int i, FieldType type) const
{
    const int storage = sqlite3_column_type(m_stmt, i);
    if (storage == SQLITE_NULL)
        return {};
    auto text = [&] {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)),
                                 sqlite3_column_bytes(m_stmt, i));
    };
    const bool number = storage == SQLITE_INTEGER || storage == SQLITE_FLOAT;
    switch (type) {
    case FieldType::Long:
        if (number) {
            if (storage == SQLITE_INTEGER) {
                const qint64 n = sqlite3_column_int64(m_stmt, i);
                if (std::abs(n) <= 0x7fffffff)
                    return qint32(n);
            }
            const double d = sqlite3_column_double(m_stmt, i);
            return longOf(Value(d)) ? Value(*longOf(Value(d))) : Value(d);
        }
        break;
    case FieldType::YesNo:
        if (number)
            return sqlite3_column_double(m_stmt, i) != 0;
        break;
    case FieldType::Currency:
        if (storage == SQLITE_INTEGER) {
            const qint64 n = sqlite3_column_int64(m_stmt, i);
            if (std::abs(n) <= Database::kLargestMoneyUnits / Money::kScale)
                return Money::fromUnits(n * Money::kScale);
        }
        if (number) {
            if (const std::optional<Money> m = Money::fromDouble(sqlite3_column_double(m_stmt, i)))
                return *m;
        }
        break;
    case FieldType::Date:
        if (storage == SQLITE_TEXT) {
            // the dates the program stores are read by hand; others as Qt reads them
            if (const std::optional<QDate> stored =
                    dateOfStored(reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, i)),
                                 sqlite3_column_bytes(m_stmt, i)))
                return *stored;
            const QDate date = QDate::fromString(text(), Qt::ISODate);
            if (date.isValid())
                return date;
        }
        break;
    case FieldType::Double:
        if (number)
            return sqlite3_column_double(m_stmt, i);
        break;
    case FieldType::Text:
        return text();
    case FieldType::Unknown:
        break;
    }
    // A value that does not suit its declared type is given as it is stored.
    if (storage == SQLITE_INTEGER && std::abs(sqlite3_column_int64(m_stmt, i)) <= 0x7fffffff)
        return qint32(sqlite3_column_int64(m_stmt, i));
    if (number)
        return sqlite3_column_double(m_stmt, i);
    return text();
}

// ------------------------------------------------------------------ Database

std::unique_ptr<Database> Database::OpenDatabase(const QString& path, const QLocale& locale,
                                                 const std::function<void()>& sorting)
{
    if (sqlite3_libversion_number() < kOldestSqlite)
        throw DbError(DbError::SqliteTooOld,
                      QStringLiteral("This program needs SQLite 3.27 or later; this system has %1.")
                          .arg(QString::fromUtf8(sqlite3_libversion())));
    const QFileInfo file(path);
    if (!file.exists())
        throw DbError(DbError::FileNotFound,
                      QStringLiteral("Could not find file '%1'.").arg(file.absoluteFilePath()));
    // SQLite would take an empty file for a new database; this is no collection.
    if (file.isFile() && file.size() == 0)
        throw DbError(DbError::NotADatabase,
                      QStringLiteral("Unrecognized database format '%1'. The file is empty.")
                          .arg(file.absoluteFilePath()));

    sqlite3* db = nullptr;
    // a connection is only ever used by one thread at a time (a thread that
    // readies rows holds nothing of it), so the engine need not lock it at
    // every call
    const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    auto connection = std::make_shared<Connection>(db, file.absoluteFilePath());
    if (rc != SQLITE_OK)
        connection->fail(rc);
    // The exclusive lock is taken at once and kept until the file is closed.
    execute(db, "PRAGMA locking_mode = EXCLUSIVE", *connection);
    const int locked = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    if ((locked & 0xff) == SQLITE_BUSY || (locked & 0xff) == SQLITE_LOCKED)
        throw DbError(DbError::FileInUse,
                      QStringLiteral("Could not use '%1'; file already in use.").arg(path));
    if (locked != SQLITE_OK)
        connection->fail(locked);
    // Reading the schema tells a foreign file from a database.
    execute(db, "SELECT count(*) FROM sqlite_master", *connection);
    execute(db, "COMMIT", *connection);
    execute(db, "PRAGMA journal_mode = DELETE", *connection);
    execute(db, "PRAGMA synchronous = FULL", *connection);
    refuseUnwritable(*connection, file);
    const auto order = std::make_shared<TextOrder>(locale);
    if (const int installed = TextOrder::install(db, order); installed != SQLITE_OK)
        connection->fail(installed);
    connection->setOrder(order);
    if (const int installed = installMoneyFunctions(db); installed != SQLITE_OK)
        connection->fail(installed);
    CollectionSchema::mend(*connection, *order, sorting);
    return std::unique_ptr<Database>(new Database(std::move(connection)));
}

void Database::CompactDatabase(const QString& source, const QString& destination, const QLocale& locale,
                               const std::function<bool()>& going)
{
    if (QFileInfo::exists(destination))
        throw DbError(DbError::CannotOpen, QStringLiteral("The file '%1' already exists.").arg(destination));
    std::unique_ptr<Database> db = OpenDatabase(source, locale);
    // the copy is written without waiting for the disk; the caller flushes it
    execute(db->m_connection->handle(), "PRAGMA synchronous = OFF", *db->m_connection);
    Statement vacuum(*db->m_connection, QStringLiteral("VACUUM INTO ?1"));
    vacuum.bind(1, Value(destination), ColumnInfo{});
    const EngineProgress progress(db->m_connection->handle(), going);
    try {
        vacuum.step();
    } catch (...) {
        progress.rethrow();
        throw;
    }
}

Database::Database(std::shared_ptr<Connection> connection)
    : m_connection(std::move(connection))
{}

Database::~Database() = default;

std::unique_ptr<Recordset> Database::OpenRecordset(const QString& jetSql, RecordsetType type)
{
    return openRecordset(m_connection, jetSql, type);
}

std::unique_ptr<RowAppender> Database::OpenAppender(const QString& table, const QStringList& fields)
{
    return std::make_unique<RowAppender>(m_connection, table, fields);
}

std::unique_ptr<RowChecker> Database::OpenRowChecker(const QString& table, const QStringList& fields)
{
    return std::make_unique<RowChecker>(*m_connection, table, fields);
}

std::unique_ptr<PhotoTables> Database::OpenPhotoTables()
{
    return std::make_unique<PhotoTables>(m_connection);
}

std::unique_ptr<EqualRows> Database::OpenEqualRows(const QString& table, const QStringList& lookedUpBy,
                                                   const QStringList& compared)
{
    return std::make_unique<EqualRows>(m_connection, table, lookedUpBy, compared);
}

qint64 Database::RowCount(const QString& table) const
{
    Statement count(*m_connection, QStringLiteral("SELECT count(*) FROM %1").arg(quotedName(table)));
    count.step();
    return count.int64(0);
}

qint64 Database::QueryRowCount(const QString& jetSql) const
{
    JetSql::Select select = JetSql::translateSelect(jetSql);
    // the engine leaves out the columns a count does not need
    select.orderBy.clear();
    Statement count(*m_connection, QStringLiteral("SELECT count(*) FROM (%1)").arg(select.sql()));
    count.step();
    return count.int64(0);
}

void Database::Aggregate(const QString& sql,
                         const std::function<void(const std::vector<std::optional<qint64>>& numbers,
                                                  const QStringList& texts)>& each) const
{
    Statement query(*m_connection, sql);
    std::vector<std::optional<qint64>> numbers(query.columnCount());
    QStringList texts(query.columnCount());
    try {
        while (query.step()) {
            for (int i = 0; i < query.columnCount(); ++i) {
                const int storage = sqlite3_value_type(query.raw(i));
                numbers[i] = storage == SQLITE_INTEGER ? std::optional<qint64>(query.int64(i)) : std::nullopt;
                texts[i] = storage == SQLITE_TEXT ? textOf(query.value(i, FieldType::Text)) : QString();
            }
            each(numbers, texts);
        }
    } catch (const DbError& error) {
        // the engine's sums stop at 64 bits, as the money functions do
        if (error.description().contains(QLatin1String("integer overflow")))
            throw DbError(DbError::NumericOverflow,
                          QStringLiteral("A total is too large to be held as money."));
        throw;
    }
}

qint64 Database::ChangeCount() const
{
    return sqlite3_total_changes64(m_connection->handle());
}

void Database::Close()
{
    m_connection->close();
}

void Database::BeginTrans()
{
    if (m_connection->transactionsIgnored())
        return;
    m_connection->checkNotMoved();
    execute(m_connection->handle(), "BEGIN", *m_connection);
}

void Database::CommitTrans()
{
    if (m_connection->transactionsIgnored())
        return;
    m_connection->checkNotMoved();
    execute(m_connection->handle(), "COMMIT", *m_connection);
}

void Database::Rollback()
{
    if (m_connection->transactionsIgnored())
        return;
    execute(m_connection->handle(), "ROLLBACK", *m_connection);
    m_connection->rolledBack();
}

void Database::BuildIndexesAfter(const QString& table, const std::function<void()>& writes)
{
    sqlite3* db = m_connection->handle();
    if (sqlite3_get_autocommit(db))
        throw DbError(DbError::NotSupported,
                      QStringLiteral("Indexes are set aside only inside a transaction."));
    m_connection->checkNotMoved();
    QList<QByteArray> names;
    QList<QByteArray> definitions;
    {
        Statement indexes(
            *m_connection,
            QStringLiteral(
                "SELECT m.name, m.sql FROM sqlite_schema m JOIN pragma_index_list(?1) i "
                "ON i.name = m.name WHERE m.type = 'index' AND i.origin = 'c' AND NOT i.\"unique\""));
        indexes.bindText(1, table.toUtf8());
        while (indexes.step()) {
            names.append(reinterpret_cast<const char*>(sqlite3_column_text(indexes.statement(), 0)));
            definitions.append(reinterpret_cast<const char*>(sqlite3_column_text(indexes.statement(), 1)));
        }
    }
    for (const QByteArray& name : names)
        execute(db, QByteArray("DROP INDEX " + quotedName(QString::fromUtf8(name)).toUtf8()).constData(),
                *m_connection);
    writes();
    for (const QByteArray& definition : definitions)
        execute(db, definition.constData(), *m_connection);
}

void Database::failNextWrites(int count, int number, int after)
{
    m_connection->failNextWrites(count, number, after);
}

void Database::ignoreTransactions()
{
    m_connection->ignoreTransactions();
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    try {
        m_db.Rollback();
    } catch (const DbError&) {
        // the database was closed meanwhile: SQLite rolled back on closing
    }
}

void Transaction::commit()
{
    m_db.CommitTrans();
    m_open = false;
}

void Transaction::rollback()
{
    m_db.Rollback();
    m_open = false;
}
