#include "Recordset.h"

#include "Connection.h"
#include "JetSql.h"
#include "TextOrder.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <map>
#include <optional>
#include <unordered_set>

#include <vector>

namespace {

[[noreturn]] void noCurrentRecord()
{
    throw DbError(DbError::NoCurrentRecord, QStringLiteral("No current record."));
}

[[noreturn]] void itemNotFound(const QString& name)
{
    throw DbError(DbError::ItemNotFound, QStringLiteral("Item '%1' not found in this collection.").arg(name));
}

// The columns of a result, found by name without regard to letter case.
class ColumnNames
{
public:
    void read(const Statement& statement)
    {
        for (int i = 0; i < statement.columnCount(); ++i) {
            m_names.append(statement.columnName(i));
            m_types.append(statement.columnType(i));
            m_index.insert(m_names.last().toLower(), i); // the first of equal names wins
        }
        for (auto it = m_index.begin(); it != m_index.end(); ++it)
            it.value() = m_names.indexOf(m_names[it.value()]);
        for (int i = 0; i < int(m_names.size()); ++i)
            m_exact.insert(m_names[i], m_index.value(m_names[i].toLower()));
    }
    // a name spelt as the result names it (the table's own spelling) is found
    // without lowering its case
    int indexOf(const QString& name) const
    {
        const int exact = m_exact.value(name, -1);
        return exact >= 0 ? exact : m_index.value(name.toLower(), -1);
    }
    int size() const { return int(m_names.size()); }
    const QString& name(int i) const { return m_names[i]; }
    FieldType type(int i) const { return m_types[i]; }

private:
    QStringList m_names;
    QList<FieldType> m_types;
    QHash<QString, int> m_index;
    QHash<QString, int> m_exact;
};

// Reads the statement's current row into row, reusing its storage.
void readRow(const Statement& statement, const ColumnNames& columns, std::vector<Value>& row)
{
    row.clear();
    row.reserve(columns.size());
    for (int i = 0; i < columns.size(); ++i)
        row.push_back(statement.value(i, columns.type(i)));
}

// One value of a row's place in an order, compared as the engine compares it
// in an index: nulls first, then numbers, then text (by the column's
// collation), then blobs.
struct SortValue
{
    int type = SQLITE_NULL;
    double number = 0;
    qint64 integer = 0;
    QByteArray bytes;

    void bind(sqlite3_stmt* statement, int index) const
    {
        switch (type) {
        case SQLITE_INTEGER:
            sqlite3_bind_int64(statement, index, integer);
            break;
        case SQLITE_FLOAT:
            sqlite3_bind_double(statement, index, number);
            break;
        case SQLITE_TEXT:
            sqlite3_bind_text(statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            break;
        case SQLITE_BLOB:
            sqlite3_bind_blob(statement, index, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            break;
        default:
            sqlite3_bind_null(statement, index);
        }
    }

    static SortValue of(sqlite3_value* value)
    {
        SortValue v;
        v.type = sqlite3_value_type(value);
        if (v.type == SQLITE_INTEGER) {
            v.integer = sqlite3_value_int64(value);
            v.number = double(v.integer);
        } else if (v.type == SQLITE_FLOAT) {
            v.number = sqlite3_value_double(value);
        } else if (v.type == SQLITE_TEXT || v.type == SQLITE_BLOB) {
            const auto* data = static_cast<const char*>(sqlite3_value_blob(value));
            v.bytes = QByteArray(data, sqlite3_value_bytes(value));
        }
        return v;
    }
};

// -1, 0 or 1, as a before, equal to or after b.
int compareSortValues(const SortValue& a, const SortValue& b, bool noCase)
{
    const auto rank = [](int type) {
        switch (type) {
        case SQLITE_NULL:
            return 0;
        case SQLITE_INTEGER:
        case SQLITE_FLOAT:
            return 1;
        case SQLITE_TEXT:
            return 2;
        default:
            return 3;
        }
    };
    if (rank(a.type) != rank(b.type))
        return rank(a.type) < rank(b.type) ? -1 : 1;
    switch (rank(a.type)) {
    case 0:
        return 0;
    case 1:
        if (a.type == SQLITE_INTEGER && b.type == SQLITE_INTEGER)
            return a.integer < b.integer ? -1 : a.integer > b.integer ? 1 : 0;
        return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    default: {
        const qsizetype n = std::min(a.bytes.size(), b.bytes.size());
        for (qsizetype i = 0; i < n; ++i) {
            unsigned char x = uchar(a.bytes[i]);
            unsigned char y = uchar(b.bytes[i]);
            if (noCase && a.type == SQLITE_TEXT) {
                // the engine's NOCASE folds the ASCII letters only
                x = x >= 'A' && x <= 'Z' ? uchar(x + 32) : x;
                y = y >= 'A' && y <= 'Z' ? uchar(y + 32) : y;
            }
            if (x != y)
                return x < y ? -1 : 1;
        }
        return a.bytes.size() < b.bytes.size() ? -1 : a.bytes.size() > b.bytes.size() ? 1 : 0;
    }
    }
}

// A recordset over one table: the keys (rowids) of its rows in order, each row
// read when it becomes current.
class KeyedRecordset final : public Recordset, public KeyList
{
public:
    KeyedRecordset(std::shared_ptr<Connection> connection, const JetSql::Select& select, bool readOnly)
        : m_connection(std::move(connection))
        , m_select(select)
        , m_readOnly(readOnly)
        , m_rowStatement(*m_connection, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1")
                                            .arg(fieldList(*m_connection, select), quotedName(select.table)))
    {
        m_columns.read(m_rowStatement);
        readOrder();
        loadKeys();
        m_position = m_keys.empty() ? -1 : 0;
        m_connection->watch(this);
    }
    ~KeyedRecordset() override { m_connection->unwatch(this); }

    // Another recordset is about to change the table: the list is read to
    // its end as it stands, and the next added row has it read again.
    void beforeOtherWrite(const QString& table) override
    {
        if (table.compare(m_select.table, Qt::CaseInsensitive) != 0)
            return;
        readAll();
        m_inStep = false;
    }
    void afterRollback() override { m_inStep = false; }

    // The rows read so far: a long list is read in growing runs as the
    // position comes near its end, as a dynaset counts its rows.
    long RecordCount() const override { return long(m_keys.size()); }
    bool AtBOF() const override { return m_keys.empty() || (m_position < 0 && !m_onDeleted); }
    bool AtEOF() const override { return m_keys.empty() || (m_position >= size() && !m_onDeleted); }

    void MoveFirst() override
    {
        alive();
        toStart();
        moveTo(0);
    }
    void MoveLast() override
    {
        alive();
        toEnd();
        moveTo(size() - 1);
    }

    void MoveNext() override
    {
        alive();
        if (m_onDeleted) {
            // the position already names the row after the deleted one
            leaveRow(m_position);
            return;
        }
        if (m_position >= size())
            noCurrentRecord();
        leaveRow(m_position + 1);
    }

    void MovePrevious() override
    {
        alive();
        if (!m_onDeleted && m_position < 0)
            noCurrentRecord();
        leaveRow(m_position - 1);
    }

    void AddNew() override
    {
        writable();
        m_mode = Mode::Adding;
        m_buffer.assign(m_columns.size(), Value());
        m_assigned.assign(m_columns.size(), false);
        m_newKey = m_connection->reserveKey(m_select.table);
        for (const ColumnInfo& column : m_connection->columns(m_select.table)) {
            if (!column.autoNumber)
                continue;
            if (const int i = m_columns.indexOf(column.name); i >= 0)
                m_buffer[i] = qint32(m_newKey);
        }
    }

    void Edit() override
    {
        writable();
        m_buffer = currentRow();
        m_original = m_buffer;
        m_assigned.assign(m_columns.size(), false);
        m_mode = Mode::Editing;
    }

    void Update() override
    {
        alive();
        if (m_mode == Mode::None)
            throw DbError(DbError::UpdateWithoutEdit,
                          QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
        m_connection->beforeWrite(this, m_select.table);
        if (m_mode == Mode::Adding)
            insertRow();
        else
            updateRow();
        m_mode = Mode::None;
    }

    void Delete() override
    {
        writable();
        currentRow();
        m_connection->beforeWrite(this, m_select.table);
        Statement remove(*m_connection,
                         QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(quotedName(m_select.table)));
        remove.bindKey(1, m_keys[m_position]);
        remove.step();
        m_moved.erase(m_keys[m_position]);
        m_keys.erase(m_keys.begin() + m_position);
        // the position names the row after the deleted one: it is read now,
        // and the rows before it when the list read so far is left empty
        while (m_position >= size() && readMore()) {
        }
        if (m_keys.empty())
            readBefore();
        m_onDeleted = true;
        m_row.clear();
        m_mode = Mode::None;
    }

    void Close() override { m_closed = true; }

    Value Fields(const QString& name) const override
    {
        const int i = m_columns.indexOf(name);
        if (i < 0)
            itemNotFound(name);
        return FieldAt(i);
    }

    Value FieldAt(int i) const override
    {
        if (i < 0 || i >= m_columns.size())
            itemNotFound(QString::number(i));
        if (m_mode != Mode::None)
            return m_buffer[i];
        return currentRow()[i];
    }

    void SetField(const QString& name, const Value& value) override
    {
        alive();
        const int i = m_columns.indexOf(name);
        if (i < 0)
            itemNotFound(name);
        if (m_mode == Mode::None)
            throw DbError(DbError::UpdateWithoutEdit,
                          QStringLiteral("Update or CancelUpdate without AddNew or Edit."));
        const ColumnInfo& column = fieldColumn(i);
        if (column.autoNumber)
            throw DbError(DbError::ReadOnlyObject,
                          QStringLiteral("Field '%1' cannot be updated.").arg(column.name));
        toStorage(value, column); // a value that does not suit the field is refused now, not at Update
        m_buffer[i] = value;
        m_assigned[i] = true;
    }

    void FindFirst(const QString& criteria) override
    {
        alive();
        const QString where = JetSql::translateExpression(criteria);
        m_noMatch = true;
        if (asStored()) {
            // the engine finds the first match in the order the list keeps,
            // through the index of the text sought where there is one
            const Narrowing within = textRanges(criteria);
            Statement first(*m_connection,
                            QStringLiteral("SELECT rowid FROM %1 WHERE (%2)%3 ORDER BY %4 LIMIT 1")
                                .arg(quotedName(m_select.table), where, within.sql, orderTerms(true)));
            for (std::size_t i = 0; i < within.bounds.size(); ++i)
                first.bindText(int(i) + 1, within.bounds[i]);
            if (first.step()) {
                m_noMatch = false;
                goToKey(first.int64(0));
            }
            return;
        }
        Statement matches(
            *m_connection,
            QStringLiteral("SELECT rowid FROM %1 WHERE %2").arg(quotedName(m_select.table), where));
        QSet<qint64> found;
        while (matches.step())
            found.insert(matches.int64(0));
        if (found.size() == 1) {
            if (const qsizetype at = indexOf(*found.begin()); at >= 0) {
                m_noMatch = false;
                leaveRow(at);
            }
            return;
        }
        if (found.isEmpty())
            return;
        if (!m_startRead)
            readBefore(true);
        for (qsizetype i = 0; i < size() || readMore(true); ++i) {
            if (found.contains(m_keys[i])) {
                m_noMatch = false;
                leaveRow(i);
                return;
            }
        }
    }

private:
    enum class Mode
    {
        None,
        Adding,
        Editing
    };

    // What limits a find to the rows worth comparing: " AND (...)", and the
    // values it binds from ?1 on.
    struct Narrowing
    {
        QString sql;
        std::vector<QByteArray> bounds;
    };

    // For a criteria that compares a text column with typed text, the ranges
    // of that column, in NOCASE order, where its matches lie, so that the
    // engine reads them in the column's index where there is one. Blobs,
    // which another program may have stored and which the engine orders
    // after all text, are compared as before. Nothing for other criteria.
    Narrowing textRanges(const QString& criteria) const
    {
        Narrowing narrowing;
        const std::optional<JetSql::TextTest> test = JetSql::textTest(criteria);
        if (!test)
            return narrowing;
        const auto& columns = m_connection->columns(m_select.table);
        const auto column = std::find_if(columns.begin(), columns.end(), [&](const ColumnInfo& c) {
            return c.type == FieldType::Text && c.name.compare(test->column, Qt::CaseInsensitive) == 0;
        });
        if (column == columns.end())
            return narrowing;
        const QString name = quotedName(column->name);
        QStringList terms;
        for (TextMatch::NoCaseRange& range : TextMatch::noCaseRanges(test->prefix.toUtf8(), kMostRanges)) {
            narrowing.bounds.push_back(std::move(range.from));
            narrowing.bounds.push_back(std::move(range.to));
            terms.append(QStringLiteral("(%1 >= ?%2 COLLATE NOCASE AND %1 < ?%3 COLLATE NOCASE)")
                             .arg(name)
                             .arg(narrowing.bounds.size() - 1)
                             .arg(narrowing.bounds.size()));
        }
        if (!terms.isEmpty()) {
            terms.append(QStringLiteral("%1 >= x''").arg(name));
            narrowing.sql = QStringLiteral(" AND (%1)").arg(terms.join(QStringLiteral(" OR ")));
        }
        return narrowing;
    }

    // The columns of the select; all of them are the table's fields without
    // the sort keys the store keeps for itself.
    static QString fieldList(Connection& connection, const JetSql::Select& select)
    {
        if (select.columns != QLatin1String("*"))
            return select.columns;
        QStringList names;
        for (const ColumnInfo& column : connection.columns(select.table)) {
            if (!column.isSortKey)
                names.append(quotedName(column.name));
        }
        return names.join(QStringLiteral(", "));
    }

    // "name = ?n" for each sort key of a text column being written as ?n.
    QStringList sortKeyAssignments(const QList<int>& assigned, bool asValues) const
    {
        QStringList out;
        for (int p = 0; p < assigned.size(); ++p) {
            const ColumnInfo& column = fieldColumn(assigned[p]);
            if (column.sortKey.isEmpty())
                continue;
            const QString value = QStringLiteral("sortkey(?%1)").arg(p + 1);
            out.append(asValues ? value : quotedName(column.sortKey) + QStringLiteral(" = ") + value);
        }
        return out;
    }

    qsizetype size() const { return qsizetype(m_keys.size()); }

    void alive() const
    {
        m_connection->handle();
        if (m_closed)
            throw DbError(DbError::ObjectInvalid, QStringLiteral("Object invalid or no longer set."));
    }

    void writable() const
    {
        alive();
        if (m_readOnly)
            throw DbError(DbError::ReadOnlyObject,
                          QStringLiteral("Cannot update. Database or object is read-only."));
    }

    // The table's column a field of the select stands for, looked up once.
    const ColumnInfo& fieldColumn(int i) const
    {
        if (m_fields.empty()) {
            for (int f = 0; f < m_columns.size(); ++f) {
                const auto& columns = m_connection->columns(m_select.table);
                const auto found = std::find_if(columns.begin(), columns.end(), [&](const ColumnInfo& c) {
                    return c.name.compare(m_columns.name(f), Qt::CaseInsensitive) == 0;
                });
                m_fields.push_back(found == columns.end() ? std::nullopt : std::optional<ColumnInfo>(*found));
            }
        }
        if (!m_fields[std::size_t(i)])
            throw DbError(DbError::ReadOnlyObject,
                          QStringLiteral("Field '%1' cannot be updated.").arg(m_columns.name(i)));
        return *m_fields[std::size_t(i)];
    }

    void loadKeys()
    {
        m_keys.clear();
        m_frontier.clear();
        m_backFrontier.clear();
        m_startRead = true;
        if (m_orderStatement) {
            m_complete = false;
            readMore();
            return;
        }
        JetSql::Select keys = m_select;
        keys.columns = QStringLiteral("rowid");
        Statement statement(*m_connection, keys.sql());
        while (statement.step())
            m_keys.push_back(statement.int64(0));
        m_complete = true;
    }

    enum class Side
    {
        End,
        Start
    };

    // Reads the next run of keys past the last row read towards one side of
    // the order, twice as many as read so far (all of them with all), and
    // returns how many came. A row that changed its place keeps the position
    // it was read at and is not read again. Keys read towards the start go
    // before the others, and the position moves with its row.
    qsizetype readRun(Side side, bool all)
    {
        const bool towardsEnd = side == Side::End;
        if (towardsEnd ? m_complete : m_startRead)
            return 0;
        const qsizetype wanted = all ? -1 : std::max<qsizetype>(kFirstRun, size());
        std::vector<SortValue>& frontier = towardsEnd ? m_frontier : m_backFrontier;
        std::vector<qint64> keys;
        qsizetype read = 0;
        qint64 last = 0;
        for (const Part& part : partsPast(frontier, towardsEnd)) {
            if (wanted >= 0 && read >= wanted)
                break;
            Statement run(*m_connection,
                          part.sql + QStringLiteral(" LIMIT %1").arg(wanted < 0 ? wanted : wanted - read));
            for (std::size_t i = 0; i < part.bound.size(); ++i)
                part.bound[i].bind(run.statement(), int(i) + 1);
            while (run.step()) {
                ++read;
                last = run.int64(0);
                if (m_moved.empty() || m_moved.count(last) == 0)
                    keys.push_back(last);
            }
        }
        // the next run goes on from the last row as it stands now, when it was read
        if (read > 0)
            frontier = placeOf(last);
        (towardsEnd ? m_complete : m_startRead) = all || read < wanted;
        if (towardsEnd) {
            m_keys.insert(m_keys.end(), keys.begin(), keys.end());
        } else {
            m_keys.insert(m_keys.begin(), keys.rbegin(), keys.rend());
            m_position += qsizetype(keys.size());
        }
        if (keys.empty() && read > 0)
            return readRun(side, all); // every row read had moved: on to the next run
        return qsizetype(keys.size());
    }

    bool readMore(bool all = false) { return readRun(Side::End, all) > 0; }
    bool readBefore(bool all = false) { return readRun(Side::Start, all) > 0; }
    void readAll()
    {
        readMore(true);
        readBefore(true);
    }

    // One query of a run, without its limit, and the values it binds from ?1 on.
    struct Part
    {
        QString sql;
        std::vector<SortValue> bound;
    };

    // The queries that read the rows past a frontier towards one side, in
    // that side's order: first the rows that share all of the frontier's
    // values but the last, then those that share one fewer, and so on; rows
    // with nulls, which the index keeps first, in a query of their own. Each
    // query reads one stretch of the index, found by its equal values and
    // one bound.
    std::vector<Part> partsPast(const std::vector<SortValue>& frontier, bool towardsEnd) const
    {
        const QString from = QStringLiteral("SELECT rowid FROM ") + quotedName(m_select.table);
        const QString ordered = QStringLiteral(" ORDER BY ") + orderTerms(towardsEnd);
        std::vector<Part> parts;
        if (frontier.empty()) {
            parts.push_back({from + ordered, {}});
            return parts;
        }
        for (int j = int(frontier.size()) - 1; j >= 0; --j) {
            QStringList equal;
            std::vector<SortValue> bound;
            for (int i = 0; i < j; ++i) {
                const SortValue& value = frontier[std::size_t(i)];
                if (value.type == SQLITE_NULL) {
                    equal.append(m_orderNames[std::size_t(i)] + QStringLiteral(" IS NULL"));
                } else {
                    bound.push_back(value);
                    equal.append(QStringLiteral("%1 = ?%2%3")
                                     .arg(m_orderNames[std::size_t(i)])
                                     .arg(bound.size())
                                     .arg(m_orderCollations[std::size_t(i)]));
                }
            }
            const QString& column = m_orderNames[std::size_t(j)];
            const SortValue& value = frontier[std::size_t(j)];
            const auto where = [&](const QString& test) -> QString {
                QStringList terms = equal;
                terms.append(test);
                return from + QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND ")) + ordered;
            };
            if (value.type == SQLITE_NULL) {
                if (towardsEnd)
                    parts.push_back({where(column + QStringLiteral(" IS NOT NULL")), bound});
                continue;
            }
            std::vector<SortValue> withValue = bound;
            withValue.push_back(value);
            parts.push_back({where(QStringLiteral("%1 %2 ?%3%4")
                                       .arg(column, towardsEnd ? QStringLiteral(">") : QStringLiteral("<"))
                                       .arg(withValue.size())
                                       .arg(m_orderCollations[std::size_t(j)])),
                             withValue});
            if (!towardsEnd && column != QLatin1String("rowid"))
                parts.push_back({where(column + QStringLiteral(" IS NULL")), bound});
        }
        return parts;
    }

    // The order's columns for an order by clause, each compared as its index
    // compares it, forwards or backwards.
    QString orderTerms(bool forwards) const
    {
        QStringList terms;
        for (std::size_t i = 0; i < m_orderNames.size(); ++i)
            terms.append(m_orderNames[i] + m_orderCollations[i] +
                         (forwards ? QString() : QStringLiteral(" DESC")));
        return terms.join(QStringLiteral(", "));
    }

    // The position of a key, reading on until it comes; -1 when it never does.
    qsizetype indexOf(qint64 key)
    {
        auto at = std::find(m_keys.begin(), m_keys.end(), key);
        if (at == m_keys.end() && readMore(true))
            at = std::find(m_keys.begin(), m_keys.end(), key);
        if (at == m_keys.end() && readBefore(true))
            at = std::find(m_keys.begin(), m_keys.end(), key);
        return at == m_keys.end() ? -1 : at - m_keys.begin();
    }

    // Whether the list stands as a new reading would give it, so that it
    // may be read again in any part, and the engine's order is its order.
    bool asStored() const { return m_orderStatement && m_moved.empty() && m_inStep; }

    // The list up to its last row. When it may be read again in parts, only
    // the last rows are read, the others as the position comes near them.
    void toEnd()
    {
        if (m_complete)
            return;
        if (!asStored()) {
            readMore(true);
            return;
        }
        replaceList([this] {
            m_complete = true;
            m_startRead = false;
            m_backFrontier.clear();
            readBefore(); // the position moves past the rows read, to the end
        });
    }

    // The list from its first row, as a new reading gives it.
    void toStart()
    {
        if (m_startRead)
            return;
        if (asStored())
            replaceList([this] { loadKeys(); });
        else
            readBefore(true);
    }

    // Reads the list afresh from nothing; a failure part way leaves it as it
    // was, so that the window never sees an empty list of a table with rows.
    template <class Read> void replaceList(Read&& read)
    {
        std::vector<qint64> keys = std::move(m_keys);
        const qsizetype position = m_position;
        const bool complete = m_complete;
        const bool startRead = m_startRead;
        std::vector<SortValue> frontier = m_frontier;
        std::vector<SortValue> backFrontier = m_backFrontier;
        m_keys.clear();
        m_position = 0;
        try {
            read();
        } catch (...) {
            m_keys = std::move(keys);
            m_position = position;
            m_complete = complete;
            m_startRead = startRead;
            m_frontier = std::move(frontier);
            m_backFrontier = std::move(backFrontier);
            throw;
        }
    }

    // Stands on a key the engine found. A key not read yet is kept alone,
    // the rest read on both sides of it as the position comes near them.
    void goToKey(qint64 key)
    {
        auto at = std::find(m_keys.begin(), m_keys.end(), key);
        if (at == m_keys.end()) {
            std::vector<SortValue> place = placeOf(key);
            m_keys.assign(1, key);
            m_frontier = place;
            m_backFrontier = std::move(place);
            m_complete = false;
            m_startRead = false;
            at = m_keys.begin();
        }
        leaveRow(at - m_keys.begin());
    }

    void moveTo(qsizetype position)
    {
        alive();
        if (m_keys.empty())
            noCurrentRecord();
        leaveRow(position);
    }

    // Every move ends a pending AddNew or Edit, as it does in any dynaset.
    void leaveRow(qsizetype position)
    {
        while (position >= size() && readMore()) {
        }
        while (position < 0) {
            const qsizetype read = readRun(Side::Start, false);
            if (read == 0)
                break;
            position += read;
        }
        m_position = std::clamp<qsizetype>(position, -1, size());
        m_onDeleted = false;
        m_mode = Mode::None;
        m_row.clear();
    }

    const std::vector<Value>& currentRow() const
    {
        alive();
        if (m_onDeleted)
            throw DbError(DbError::RecordDeleted, QStringLiteral("Record is deleted."));
        if (m_position < 0 || m_position >= size())
            noCurrentRecord();
        if (m_row.empty()) {
            m_row = fetch(m_keys[m_position]);
            if (m_row.empty())
                throw DbError(DbError::RecordDeleted, QStringLiteral("Record is deleted."));
        }
        return m_row;
    }

    // The row of a key as stored now; empty when it is gone.
    std::vector<Value> fetch(qint64 key) const
    {
        m_rowStatement.reset();
        m_rowStatement.bindKey(1, key);
        std::vector<Value> row;
        if (m_rowStatement.step())
            readRow(m_rowStatement, m_columns, row);
        m_rowStatement.reset();
        return row;
    }

    void insertRow()
    {
        QList<int> assigned;
        for (int i = 0; i < m_columns.size(); ++i) {
            if (m_assigned[i])
                assigned.append(i);
        }
        QString key;
        for (const ColumnInfo& column : m_connection->columns(m_select.table)) {
            if (column.autoNumber)
                key = column.name;
        }
        // one statement for each set of fields written, prepared once
        std::unique_ptr<Statement>& insert = m_inserts[m_assigned];
        if (!insert)
            insert = std::make_unique<Statement>(*m_connection, insertSql(assigned, key));
        insert->reset();
        for (int p = 0; p < assigned.size(); ++p)
            insert->bind(p + 1, m_buffer[assigned[p]], fieldColumn(assigned[p]));
        if (!key.isEmpty())
            insert->bindKey(int(assigned.size()) + 1, m_newKey);
        insert->step();
        insert->reset();
        placeNewRow(sqlite3_last_insert_rowid(m_connection->handle()));
    }

    // Inserts the fields assigned, as ?1 on, their sort keys made by the
    // store, and the key as the next place.
    QString insertSql(const QList<int>& assigned, const QString& key) const
    {
        QStringList names;
        QStringList places;
        for (int p = 0; p < assigned.size(); ++p) {
            names.append(quotedName(fieldColumn(assigned[p]).name));
            places.append(QStringLiteral("?%1").arg(p + 1));
        }
        for (const int i : assigned) {
            const ColumnInfo& column = fieldColumn(i);
            if (!column.sortKey.isEmpty())
                names.append(quotedName(column.sortKey));
        }
        places.append(sortKeyAssignments(assigned, true));
        if (!key.isEmpty()) {
            names.prepend(quotedName(key));
            places.prepend(QStringLiteral("?%1").arg(assigned.size() + 1));
        }
        if (names.isEmpty())
            return QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedName(m_select.table));
        return QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
            .arg(quotedName(m_select.table), names.join(QStringLiteral(", ")),
                 places.join(QStringLiteral(", ")));
    }

    // The order of the rows as the engine reads them, when the recordset can
    // keep it itself: the columns of the index the query reads, then the
    // rowid; or the rowid alone for a plain scan (an order by the key is one).
    // Unknown for a query with a
    // where clause or one the engine sorts itself: a new row then has the
    // whole list read again.
    void readOrder()
    {
        static const QRegularExpression descending(QStringLiteral("\\bdesc\\b"),
                                                   QRegularExpression::CaseInsensitiveOption);
        if (!m_select.where.isEmpty() || m_select.orderBy.contains(descending))
            return;
        JetSql::Select keys = m_select;
        keys.columns = QStringLiteral("rowid");
        Statement plan(*m_connection, QStringLiteral("EXPLAIN QUERY PLAN ") + keys.sql());
        QStringList steps;
        while (plan.step())
            steps.append(textOf(plan.value(3, FieldType::Text)));
        if (steps.size() != 1 || !steps.first().startsWith(QLatin1String("SCAN ")))
            return;
        static const QRegularExpression usingIndex(QStringLiteral("USING (?:COVERING )?INDEX (.+)$"));
        const QRegularExpressionMatch index = usingIndex.match(steps.first());
        std::vector<std::pair<QString, bool>> columns;
        if (index.hasMatch()) {
            Statement info(*m_connection,
                           QStringLiteral("SELECT name, coll, desc FROM pragma_index_xinfo(?1) WHERE key"));
            info.bind(1, Value(index.captured(1)), ColumnInfo{});
            while (info.step()) {
                const QString collation = textOf(info.value(1, FieldType::Text));
                if (info.int64(2) != 0 || isNull(info.value(0, FieldType::Text)) ||
                    (collation.compare(QLatin1String("BINARY"), Qt::CaseInsensitive) != 0 &&
                     collation.compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) != 0))
                    return;
                columns.emplace_back(textOf(info.value(0, FieldType::Text)),
                                     collation.compare(QLatin1String("NOCASE"), Qt::CaseInsensitive) == 0);
            }
            if (columns.empty())
                return; // an index the plan names but whose columns cannot be told
        }
        QStringList names;
        m_orderNames.clear();
        m_orderCollations.clear();
        for (const auto& [name, noCase] : columns) {
            names.append(quotedName(name));
            m_orderNames.push_back(quotedName(name));
            m_orderCollations.push_back(noCase ? QStringLiteral(" COLLATE NOCASE")
                                               : QStringLiteral(" COLLATE BINARY"));
        }
        names.append(QStringLiteral("rowid"));
        m_orderNames.push_back(QStringLiteral("rowid"));
        m_orderCollations.push_back(QString());
        m_orderStatement = std::make_unique<Statement>(
            *m_connection, QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?1")
                               .arg(names.join(QStringLiteral(", ")), quotedName(m_select.table)));
        m_noCase.clear();
        for (const auto& column : columns)
            m_noCase.push_back(column.second);
        m_noCase.push_back(false);
    }

    // A row's place in the order: its values of the order's columns, as stored now.
    std::vector<SortValue> placeOf(qint64 key) const
    {
        m_orderStatement->reset();
        m_orderStatement->bindKey(1, key);
        std::vector<SortValue> place;
        if (m_orderStatement->step())
            for (int i = 0; i < int(m_noCase.size()); ++i)
                place.push_back(SortValue::of(m_orderStatement->raw(i)));
        m_orderStatement->reset();
        return place;
    }

    bool before(const std::vector<SortValue>& a, const std::vector<SortValue>& b) const
    {
        for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
            if (const int c = compareSortValues(a[i], b[i], m_noCase[i]))
                return c < 0;
        return false;
    }

    // Where the list would have the row if it were read again: rows whose
    // place changed since the list was read, and the new row, take their
    // places as a new reading gives them, and the position stays as a
    // reading keeps it.
    void placeNewRow(qint64 key)
    {
        if (!m_orderStatement || !m_inStep) {
            Requery();
            return;
        }
        const bool onRow = m_position >= 0 && m_position < size() && !m_onDeleted;
        const qint64 current = onRow ? m_keys[m_position] : 0;
        const bool atEnd = m_position >= size();
        std::vector<qint64> placing(m_moved.begin(), m_moved.end());
        if (!placing.empty())
            m_keys.erase(std::remove_if(m_keys.begin(), m_keys.end(),
                                        [this](qint64 k) { return m_moved.count(k) != 0; }),
                         m_keys.end());
        m_moved.clear();
        placing.push_back(key);
        for (const qint64 placed : placing) {
            const std::vector<SortValue> place = placeOf(placed);
            // a row on a frontier was read there, and no run reads it again
            if (place.empty() || (!m_complete && before(m_frontier, place)) ||
                (!m_startRead && before(place, m_backFrontier)))
                continue; // gone meanwhile, or comes with a later run on either side
            // rows added in order go last: the list's end is tried first
            const auto at = m_keys.empty() || before(placeOf(m_keys.back()), place)
                                ? m_keys.end()
                                : std::partition_point(m_keys.begin(), m_keys.end(),
                                                       [&](qint64 k) { return before(placeOf(k), place); });
            m_keys.insert(at, placed);
        }
        settle(onRow, current, atEnd);
    }

    // The position after the list was read again: on the row it was on while
    // that row is still there, else at the end or on the first row.
    void settle(bool onRow, qint64 current, bool atEnd)
    {
        // rows taken out to be placed again may have emptied what was read
        while (m_keys.empty() && (readMore() || readBefore())) {
        }
        const qsizetype found = onRow ? indexOf(current) : -1;
        if (found >= 0) {
            m_position = found;
        } else if (atEnd) {
            toEnd();
            m_position = size();
        } else {
            toStart();
            m_position = m_keys.empty() ? -1 : 0;
        }
        m_onDeleted = false;
        m_row.clear();
    }

public:
    void Requery() override
    {
        alive();
        const bool onRow = m_position >= 0 && m_position < size() && !m_onDeleted;
        const qint64 current = onRow ? m_keys[m_position] : 0;
        const bool atEnd = m_position >= size();
        m_moved.clear();
        m_inStep = true;
        loadKeys();
        settle(onRow, current, atEnd);
    }

private:
    void updateRow()
    {
        const qint64 key = m_keys[m_position];
        // optimistic locking: refuse to overwrite what another recordset stored meanwhile
        const std::vector<Value> stored = fetch(key);
        if (stored.empty())
            throw DbError(DbError::RecordDeleted, QStringLiteral("Record is deleted."));
        if (stored != m_original)
            throw DbError(
                DbError::RecordChanged,
                QStringLiteral("The record was changed by another window since you started editing it."));
        QStringList sets;
        QList<int> assigned;
        for (int i = 0; i < m_columns.size(); ++i) {
            if (m_assigned[i]) {
                assigned.append(i);
                sets.append(
                    QStringLiteral("%1 = ?%2").arg(quotedName(fieldColumn(i).name)).arg(assigned.size()));
            }
        }
        sets.append(sortKeyAssignments(assigned, false));
        const std::vector<SortValue> placeBefore = m_orderStatement ? placeOf(key) : std::vector<SortValue>();
        if (!sets.isEmpty()) {
            Statement update(*m_connection,
                             QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3")
                                 .arg(quotedName(m_select.table), sets.join(QStringLiteral(", ")))
                                 .arg(assigned.size() + 1));
            for (int p = 0; p < assigned.size(); ++p)
                update.bind(p + 1, m_buffer[assigned[p]], fieldColumn(assigned[p]));
            update.bindKey(int(assigned.size()) + 1, key);
            update.step();
        }
        // the row keeps its position until the list is read again, as it
        // would be when the next row is added
        if (m_orderStatement) {
            const std::vector<SortValue> placeAfter = placeOf(key);
            if (before(placeBefore, placeAfter) || before(placeAfter, placeBefore))
                m_moved.insert(key);
        }
        m_row.clear();
    }

    std::shared_ptr<Connection> m_connection;
    JetSql::Select m_select;
    bool m_readOnly;
    mutable Statement m_rowStatement;
    ColumnNames m_columns;
    std::vector<qint64> m_keys;
    qsizetype m_position = -1;
    bool m_onDeleted = false;
    bool m_closed = false;
    mutable std::vector<Value> m_row;
    Mode m_mode = Mode::None;
    std::vector<Value> m_buffer;
    std::vector<Value> m_original;
    std::vector<bool> m_assigned;
    mutable std::vector<std::optional<ColumnInfo>> m_fields;
    std::map<std::vector<bool>, std::unique_ptr<Statement>> m_inserts;
    qint64 m_newKey = 0;
    // the order's columns and whether each compares text without letter case
    std::unique_ptr<Statement> m_orderStatement;
    std::vector<bool> m_noCase;
    std::vector<QString> m_orderNames;
    std::vector<QString> m_orderCollations;
    // whether every key up to the end was read, and the order's values of
    // the last row read towards it; the same towards the start
    bool m_complete = true;
    std::vector<SortValue> m_frontier;
    bool m_startRead = true;
    std::vector<SortValue> m_backFrontier;
    // only this recordset changed the table since the list was read, and
    // nothing it did was rolled back
    bool m_inStep = true;
    static constexpr qsizetype kFirstRun = 512;
    static constexpr std::size_t kMostRanges = 8;
    // rows whose place in the order changed since the list was read
    std::unordered_set<qint64> m_moved;
};

// A read-only query over joined tables, read forwards one row at a time.
class ForwardRecordset final : public Recordset
{
public:
    ForwardRecordset(std::shared_ptr<Connection> connection, const QString& sql)
        : m_connection(std::move(connection))
        , m_statement(*m_connection, sql)
    {
        m_columns.read(m_statement);
        MoveFirst();
    }

    long RecordCount() const override { return m_seen; }
    bool AtBOF() const override { return m_seen == 0; }
    bool AtEOF() const override { return m_atEnd; }

    void MoveFirst() override
    {
        alive();
        m_statement.reset();
        m_seen = 0;
        m_atEnd = false;
        step();
    }

    void MoveNext() override
    {
        alive();
        if (m_atEnd)
            noCurrentRecord();
        step();
    }

    void MoveLast() override { notSupported(); }
    void MovePrevious() override { notSupported(); }
    void AddNew() override { readOnly(); }
    void Edit() override { readOnly(); }
    void Update() override { readOnly(); }
    void Delete() override { readOnly(); }
    void FindFirst(const QString&) override { notSupported(); }
    void SetField(const QString&, const Value&) override { readOnly(); }

    void Close() override
    {
        m_closed = true;
        m_statement.reset();
    }

    void Requery() override { MoveFirst(); }

    Value Fields(const QString& name) const override
    {
        alive();
        const int i = m_columns.indexOf(name);
        if (i < 0)
            itemNotFound(name);
        return FieldAt(i);
    }

    Value FieldAt(int i) const override
    {
        alive();
        if (i < 0 || i >= m_columns.size())
            itemNotFound(QString::number(i));
        if (m_atEnd)
            noCurrentRecord();
        return m_row[i];
    }

private:
    void alive() const
    {
        m_connection->handle();
        if (m_closed)
            throw DbError(DbError::ObjectInvalid, QStringLiteral("Object invalid or no longer set."));
    }

    void step()
    {
        m_atEnd = !m_statement.step();
        if (m_atEnd) {
            m_row.clear();
            m_statement.reset();
        } else {
            readRow(m_statement, m_columns, m_row);
            ++m_seen;
        }
    }

    [[noreturn]] static void notSupported()
    {
        throw DbError(DbError::NotSupported,
                      QStringLiteral("Operation is not supported for this type of object."));
    }

    [[noreturn]] static void readOnly()
    {
        throw DbError(DbError::ReadOnlyObject,
                      QStringLiteral("Cannot update. Database or object is read-only."));
    }

    std::shared_ptr<Connection> m_connection;
    Statement m_statement;
    ColumnNames m_columns;
    std::vector<Value> m_row;
    long m_seen = 0;
    bool m_atEnd = true;
    bool m_closed = false;
};

} // namespace

std::unique_ptr<Recordset> openRecordset(const std::shared_ptr<Connection>& connection, const QString& jetSql,
                                         Database::RecordsetType type)
{
    const JetSql::Select select =
        JetSql::translateSelect(jetSql, [&](const QString& table, const QString& column) {
            return connection->orderTerm(table, column);
        });
    if (select.table.isEmpty() || type == Database::RecordsetType::ForwardOnly)
        return std::make_unique<ForwardRecordset>(connection, select.sql());
    return std::make_unique<KeyedRecordset>(connection, select, type != Database::RecordsetType::Dynaset);
}
