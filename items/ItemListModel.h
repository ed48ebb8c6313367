#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <optional>
#include <vector>

class AppState;
class QLocale;

// The count of items the list shows: "1 item", "1,234 items", or "12 of
// 1,234 items" while a filter narrows the list (of is the whole count), the
// digits grouped as the locale groups them.
QString itemCountText(qint64 shown, std::optional<qint64> of, const QLocale& locale);

// Every item of the collection as a table, narrowed by a typed text and
// ordered by a column. The keys of the rows shown are read in one query;
// their fields are read in blocks as the rows are asked for, so a first
// screen reads a few dozen rows whatever the size of the collection.
class ItemListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column
    {
        Photo, // the main photo's thumbnail
        Name,
        Description,
        CatalogNumber,
        Quantity,
        Condition,
        PricePaid,
        CatalogValue,
        ForSale,
        WantList,
        Sold,
        ColumnCount
    };

    explicit ItemListModel(AppState& state, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Orders the rows by a column, reading them again; empty values come first
    // in ascending order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Keeps the items whose name, description or catalogue number holds the
    // text, letter case and compatibility forms aside (full-width "ＧＥＣＫＯ"
    // as "Gecko"); the empty text keeps every item.
    void setFilter(const QString& text);
    const QString& filter() const { return m_filter; }
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // Reads the collection again, as it stands now; the second only when
    // something was written since it was last read.
    void refresh();
    void refreshIfChanged();

    // The item a row shows, and the row showing an item (-1 when none does).
    qint32 keyAt(int row) const;
    int rowOf(qint32 key) const;
    // The number of items in the collection, shown or not.
    qint64 itemCount() const { return m_itemCount; }
    // Whether some item has photos, when the list was last read: the photo
    // column is read, and shown, only then.
    bool photosShown() const { return m_photosShown; }
    // The box thumbnails are fitted in, and the screen's pixels to each.
    void setThumbnailBox(QSize box, qreal pixelRatio)
    {
        m_thumbnailBox = box;
        m_pixelRatio = pixelRatio;
    }
    // The rows whose fields are held in memory now.
    qsizetype rowsHeld() const;

signals:
    // Reading a block of rows failed; the rows show empty. Sent on the next
    // pass of the event loop, outside any painting.
    void readFailed(int number, const QString& description);

private:
    struct Row
    {
        QString name;
        QString description;
        QString catalogNumber;
        QString quantity;
        QString condition;
        QString pricePaid;
        QString catalogValue;
        bool forSale = false;
        bool wantList = false;
        bool sold = false;
        QImage thumbnail;
    };

    // Reads the list as the filter and order given make it, and keeps them
    // once it is read.
    void read(const QString& filter, int column, Qt::SortOrder order);
    const Row* rowAt(int row) const;
    void readBlock(int block) const;
    void readThumbnails(std::size_t first, std::size_t last, const QHash<qint32, std::size_t>& places,
                        std::vector<Row>& rows) const;
    void keep(int block, std::vector<Row> rows) const;

    AppState& m_state;
    QString m_filter;
    int m_sortColumn = Name;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::vector<qint32> m_keys;
    qint64 m_itemCount = 0;
    // the store's count of rows written when the list was read; -1 before,
    // and after a read that failed
    mutable qint64 m_changesRead = -1;
    QHash<qint32, QString> m_conditions;
    bool m_photosShown = false;
    QSize m_thumbnailBox{40, 30};
    qreal m_pixelRatio = 1;
    // blocks of rows read, by block number, the oldest first in m_blockOrder
    mutable QHash<int, std::vector<Row>> m_blocks;
    mutable QList<int> m_blockOrder;
};
