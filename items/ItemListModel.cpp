#include "ItemListModel.h"

#include "app/AppState.h"
#include "store/JetSql.h"
#include "store/PhotoTables.h"
#include "store/TextOrder.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QTimer>

#include <algorithm>

namespace {

// Rows are read this many at a time, and this many blocks are kept.
constexpr int kBlockRows = 64;
constexpr int kBlocksKept = 32;

struct ColumnInfo
{
    const char* heading;
    // the columns ordering the rows
    QList<const char*> order;
    // a yes/no column, stored as -1 for yes: its marks come last in ascending order
    bool yesNo = false;
};

const ColumnInfo kColumns[ItemListModel::ColumnCount] = {
    {"Photo", {}}, // not ordered by
    {"Name", {"Name", "descr"}},
    {"Description", {"descr"}},
    // catalogue numbers as the Sort menu orders them: 9 before 10
    {"Catalog Number", {"catsort", "catnum"}},
    {"Quantity", {"quantity", "Name"}},
    {"Condition", {}}, // by the order of the descriptions, worked out as the keys are read
    {"Price Paid", {"pricepaid", "Name"}},
    {"Catalog Value", {"catvalue", "Name"}},
    {"For Sale", {"forsale", "Name"}, true},
    {"Want List", {"wantlist", "Name"}, true},
    {"Sold", {"sold", "Name"}, true},
};

// Numbers stand to the right, marks in the middle, text to the left.
QVariant alignment(int column)
{
    Qt::Alignment across = Qt::AlignLeft;
    if (column == ItemListModel::Quantity || column == ItemListModel::PricePaid ||
        column == ItemListModel::CatalogValue)
        across = Qt::AlignRight;
    else if (column >= ItemListModel::ForSale || column == ItemListModel::Photo)
        across = Qt::AlignHCenter;
    return QVariant::fromValue(Qt::AlignVCenter | across);
}

QString moneyText(const Value& value, const RegionalSettings& regional)
{
    const std::optional<Money> amount = moneyOf(value);
    return amount ? regional.formatCurrency(*amount) : QString();
}

// The keys of the items shown, in their order. Conditions are ordered by
// their descriptions, the keys given in that order.
QString keyQuery(const QString& filter, int column, Qt::SortOrder order, const QList<qint32>& conditionOrder)
{
    const QString direction = order == Qt::DescendingOrder ? QStringLiteral(" desc") : QString();
    QStringList terms;
    if (column == ItemListModel::Condition) {
        // an item without a condition first
        QString rank = QStringLiteral("case toycon");
        for (qsizetype i = 0; i < conditionOrder.size(); ++i)
            rank += QStringLiteral(" when %1 then %2").arg(conditionOrder[i]).arg(i + 1);
        terms.append(rank + QStringLiteral(" else 0 end") + direction);
        terms.append(QStringLiteral("Name") + direction);
    } else {
        for (const char* name : kColumns[column].order)
            terms.append(QString::fromLatin1(name) + direction);
        if (kColumns[column].yesNo)
            terms.first() = QString::fromLatin1(kColumns[column].order.first()) +
                            (direction.isEmpty() ? QStringLiteral(" desc") : QString());
    }
    terms.append(QStringLiteral("PlonID") + direction); // items alike keep the order they were added in
    QString sql = QStringLiteral("Select PlonID from Plonko");
    if (!filter.isEmpty()) {
        // the matches are found by reading the table once, then put in order:
        // reading it in the order's index would visit every row out of turn
        const QString folded = TextMatch::compatibilityFolded(filter);
        sql += QStringLiteral(" where PlonID in (Select PlonID from Plonko where holdsfolded(Name, %1) or "
                              "holdsfolded(descr, %1) or holdsfolded(catnum, %1))")
                   .arg(JetSql::quoteText(folded));
    }
    return sql + QStringLiteral(" order by ") + terms.join(QStringLiteral(", "));
}

} // namespace

QString itemCountText(qint64 shown, std::optional<qint64> of, const QLocale& locale)
{
    if (of)
        return QStringLiteral("%1 of %2 items").arg(locale.toString(shown), locale.toString(*of));
    return shown == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(locale.toString(shown));
}

ItemListModel::ItemListModel(AppState& state, QObject* parent)
    : QAbstractTableModel(parent)
    , m_state(state)
{}

int ItemListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_keys.size());
}

int ItemListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant ItemListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(kColumns[section].heading);
    if (role == Qt::TextAlignmentRole)
        return alignment(section); // a heading stands as its column's values
    return {};
}

QVariant ItemListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    if (role == Qt::TextAlignmentRole)
        return alignment(column);
    if (role != Qt::DisplayRole && !(role == Qt::DecorationRole && column == Photo))
        return {};
    const Row* row = rowAt(index.row());
    if (!row)
        return {};
    if (column == Photo)
        return role == Qt::DecorationRole && !row->thumbnail.isNull() ? QVariant(row->thumbnail) : QVariant();
    const auto mark = [](bool set) { return set ? QStringLiteral("Yes") : QString(); };
    switch (column) {
    case Name:
        return row->name;
    case Description:
        return row->description;
    case CatalogNumber:
        return row->catalogNumber;
    case Quantity:
        return row->quantity;
    case Condition:
        return row->condition;
    case PricePaid:
        return row->pricePaid;
    case CatalogValue:
        return row->catalogValue;
    case ForSale:
        return mark(row->forSale);
    case WantList:
        return mark(row->wantList);
    case Sold:
        return mark(row->sold);
    default:
        return {};
    }
}

void ItemListModel::sort(int column, Qt::SortOrder order)
{
    if (column <= Photo || column >= ColumnCount)
        return;
    read(m_filter, column, order);
}

void ItemListModel::setFilter(const QString& text)
{
    read(text, m_sortColumn, m_sortOrder);
}

void ItemListModel::refreshIfChanged()
{
    if (m_changesRead != m_state.db().ChangeCount())
        refresh();
}

void ItemListModel::refresh()
{
    read(m_filter, m_sortColumn, m_sortOrder);
}

void ItemListModel::read(const QString& filter, int column, Qt::SortOrder order)
{
    Database& db = m_state.db();
    const qint64 changes = db.ChangeCount();
    QHash<qint32, QString> conditions;
    QList<qint32> conditionOrder;
    {
        std::unique_ptr<Recordset> rows =
            db.OpenRecordset(QStringLiteral("Select ConID, ConDesc from condition order by ConDesc"),
                             Database::RecordsetType::ForwardOnly);
        for (; !rows->AtEOF(); rows->MoveNext()) {
            const qint32 key = longOf(rows->FieldAt(0)).value_or(0);
            conditions.insert(key, textOf(rows->FieldAt(1)));
            conditionOrder.append(key);
        }
    }
    std::vector<qint32> keys;
    {
        std::unique_ptr<Recordset> rows = db.OpenRecordset(keyQuery(filter, column, order, conditionOrder),
                                                           Database::RecordsetType::ForwardOnly);
        for (; !rows->AtEOF(); rows->MoveNext())
            keys.push_back(longOf(rows->FieldAt(0)).value_or(0));
    }
    const bool photos = db.OpenPhotoTables()->anyPhotos();
    qint64 count = qint64(keys.size());
    if (!filter.isEmpty()) {
        count = db.RowCount(QStringLiteral("Plonko"));
    }
    beginResetModel();
    m_filter = filter;
    m_sortColumn = column;
    m_sortOrder = order;
    m_keys = std::move(keys);
    m_itemCount = count;
    m_conditions = std::move(conditions);
    m_blocks.clear();
    m_blockOrder.clear();
    m_photosShown = photos;
    m_changesRead = changes;
    endResetModel();
}

qsizetype ItemListModel::rowsHeld() const
{
    qsizetype held = 0;
    for (const std::vector<Row>& rows : m_blocks)
        held += qsizetype(rows.size());
    return held;
}

qint32 ItemListModel::keyAt(int row) const
{
    return row >= 0 && row < int(m_keys.size()) ? m_keys[std::size_t(row)] : 0;
}

int ItemListModel::rowOf(qint32 key) const
{
    const auto found = std::find(m_keys.begin(), m_keys.end(), key);
    return found == m_keys.end() ? -1 : int(found - m_keys.begin());
}

const ItemListModel::Row* ItemListModel::rowAt(int row) const
{
    if (row < 0 || row >= int(m_keys.size()))
        return nullptr;
    const int block = row / kBlockRows;
    if (!m_blocks.contains(block)) {
        try {
            readBlock(block);
        } catch (const DbError& e) {
            // the view asks while it paints: the failure is told after it
            ItemListModel* model = const_cast<ItemListModel*>(this); // data() is const, its signal not
            QTimer::singleShot(0, model, [model, number = e.number(), text = e.description()] {
                emit model->readFailed(number, text);
            });
            // shown empty, and read afresh at the next activation
            keep(block, std::vector<Row>(kBlockRows));
            m_changesRead = -1;
        }
    }
    const std::vector<Row>& rows = m_blocks[block];
    const std::size_t at = std::size_t(row % kBlockRows);
    return at < rows.size() ? &rows[at] : nullptr;
}

void ItemListModel::readBlock(int block) const
{
    const std::size_t first = std::size_t(block) * kBlockRows;
    const std::size_t last = std::min(m_keys.size(), first + kBlockRows);
    QStringList keys;
    QHash<qint32, std::size_t> places;
    for (std::size_t i = first; i < last; ++i) {
        keys.append(QString::number(m_keys[i]));
        places.insert(m_keys[i], i - first);
    }
    std::vector<Row> rows(last - first);
    std::unique_ptr<Recordset> read = m_state.db().OpenRecordset(
        QStringLiteral("Select PlonID, Name, descr, catnum, quantity, toycon, pricepaid, catvalue, forsale, "
                       "wantlist, sold from Plonko where PlonID in (%1)")
            .arg(keys.join(QStringLiteral(", "))),
        Database::RecordsetType::ForwardOnly);
    const RegionalSettings& regional = m_state.regional;
    for (; !read->AtEOF(); read->MoveNext()) {
        const qint32 key = longOf(read->FieldAt(0)).value_or(0);
        const auto place = places.constFind(key);
        if (place == places.constEnd())
            continue;
        Row& row = rows[*place];
        row.name = textOf(read->FieldAt(1));
        row.description = textOf(read->FieldAt(2));
        row.catalogNumber = textOf(read->FieldAt(3));
        row.quantity = textOf(read->FieldAt(4));
        row.condition = m_conditions.value(longOf(read->FieldAt(5)).value_or(0));
        row.pricePaid = moneyText(read->FieldAt(6), regional);
        row.catalogValue = moneyText(read->FieldAt(7), regional);
        row.forSale = boolOf(read->FieldAt(8));
        row.wantList = boolOf(read->FieldAt(9));
        row.sold = boolOf(read->FieldAt(10));
    }
    if (m_photosShown)
        readThumbnails(first, last, places, rows);
    keep(block, std::move(rows));
}

// The main photos' thumbnails, scaled to the rows' box as they are read: a
// JPEG is decoded at that size directly.
void ItemListModel::readThumbnails(std::size_t first, std::size_t last,
                                   const QHash<qint32, std::size_t>& places, std::vector<Row>& rows) const
{
    QList<qint64> items;
    for (std::size_t i = first; i < last; ++i)
        items.append(m_keys[i]);
    const QHash<qint64, QByteArray> thumbnails = m_state.db().OpenPhotoTables()->mainThumbnails(items);
    for (auto it = thumbnails.cbegin(); it != thumbnails.cend(); ++it) {
        const auto place = places.constFind(qint32(it.key()));
        if (place == places.constEnd())
            continue;
        QBuffer bytes;
        bytes.setData(it.value());
        bytes.open(QIODevice::ReadOnly);
        QImageReader reader(&bytes);
        const QSize size = reader.size();
        if (size.isValid())
            reader.setScaledSize(size.scaled(m_thumbnailBox * m_pixelRatio, Qt::KeepAspectRatio));
        const QImage thumbnail = reader.read();
        if (thumbnail.isNull())
            continue;
        // in the middle of the box: a cell puts its picture at its left
        QImage boxed(m_thumbnailBox * m_pixelRatio, QImage::Format_ARGB32_Premultiplied);
        boxed.fill(Qt::transparent);
        QPainter(&boxed).drawImage((boxed.width() - thumbnail.width()) / 2,
                                   (boxed.height() - thumbnail.height()) / 2, thumbnail);
        boxed.setDevicePixelRatio(m_pixelRatio);
        rows[*place].thumbnail = std::move(boxed);
    }
}

void ItemListModel::keep(int block, std::vector<Row> rows) const
{
    if (m_blockOrder.size() >= kBlocksKept)
        m_blocks.remove(m_blockOrder.takeFirst());
    m_blocks.insert(block, std::move(rows));
    m_blockOrder.append(block);
}
