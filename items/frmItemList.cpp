#include "frmItemList.h"

#include "ColumnWidths.h"
#include "ItemListModel.h"

#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/WindowPlacement.h"
#include "store/Database.h"
#include "store/PhotoTables.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>

#include <numeric>

namespace {

// A typical value of each column as the list shows it, or its longest where
// it varies little: a column opens wide enough for it in the window's font.
QStringList typicalValues(const RegionalSettings& regional)
{
    const QString amount = regional.formatCurrency(Money::fromUnits(12345678 * Money::kScale / 100));
    const QString mark = QStringLiteral("Yes");
    return {QString(), // the photo column is as wide as a thumbnail
            QStringLiteral("Bartholomew the Bear"),
            QStringLiteral("Brown bear with a bow"),
            QStringLiteral("Style 45-B"),
            QStringLiteral("1000"),
            QStringLiteral("Near Mint"),
            amount,
            amount,
            mark,
            mark,
            mark};
}

} // namespace

frmItemList::frmItemList(AppState& state, std::function<bool(qint32)> showItem, const QWidget* itemWindow)
    : QWidget(nullptr, Qt::Window)
    , m_state(state)
    , m_showItem(std::move(showItem))
    , m_model(new ItemListModel(state, this))
{
    setWindowTitle(QStringLiteral("Plonko List"));
    setObjectName(QStringLiteral("frmItemList"));

    txtFilter = new QLineEdit;
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setClearButtonEnabled(true);
    txtFilter->setPlaceholderText(QStringLiteral("Name, description or catalog number"));
    auto* filterLabel = new QLabel(QStringLiteral("&Filter:"));
    filterLabel->setBuddy(txtFilter);
    lblCount = new QLabel;
    lblCount->setObjectName(QStringLiteral("lblCount"));

    grdItems = new QTableView;
    grdItems->setObjectName(QStringLiteral("grdItems"));
    grdItems->setModel(m_model);
    grdItems->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdItems->setSelectionMode(QAbstractItemView::SingleSelection);
    grdItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdItems->setAlternatingRowColors(true);
    grdItems->setWordWrap(false);
    grdItems->verticalHeader()->hide();
    grdItems->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // rows of a line of text, or tall enough for a thumbnail of two lines
    // while some item has photos
    const int line = grdItems->fontMetrics().height();
    m_textRow = line + 6;
    m_thumbnailRow = 2 * line + 6;
    grdItems->setIconSize(QSize(2 * line * 4 / 3, 2 * line));
    m_model->setThumbnailBox(grdItems->iconSize(), devicePixelRatioF());
    const bool photos = m_state.db().OpenPhotoTables()->anyPhotos();
    grdItems->verticalHeader()->setDefaultSectionSize(photos ? m_thumbnailRow : m_textRow);
    grdItems->setColumnHidden(ItemListModel::Photo, !photos);
    QHeaderView* headings = grdItems->horizontalHeader();
    headings->setSectionsClickable(true);
    headings->setSortIndicatorShown(true);
    headings->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
    headings->setHighlightSections(false);

    auto* top = new QHBoxLayout;
    top->addWidget(filterLabel);
    top->addWidget(txtFilter, 1);
    top->addSpacing(12);
    top->addWidget(lblCount);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(grdItems, 1);

    // at most nine tenths of the screen
    const QScreen* screen = itemWindow ? itemWindow->screen() : QApplication::primaryScreen();
    const QSize most =
        screen ? screen->availableGeometry().size() * 9 / 10 : QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    const QMargins margins = layout->contentsMargins();
    const int sides = 2 * grdItems->frameWidth() + grdItems->verticalScrollBar()->sizeHint().width() +
                      margins.left() + margins.right();
    // each column as wide as its heading and its typical value, measured in
    // their fonts: an average character is near a full width in a Japanese font
    const QFontMetrics metrics = grdItems->fontMetrics();
    const int cellMargins =
        2 * (grdItems->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grdItems) + 1) + 1;
    const QStringList typical = typicalValues(m_state.regional);
    QList<ColumnNeed> needs;
    m_photoWidth = grdItems->iconSize().width() + cellMargins;
    for (int i = 0; i < ItemListModel::ColumnCount; ++i) {
        const bool text = i == ItemListModel::Name || i == ItemListModel::Description ||
                          i == ItemListModel::CatalogNumber || i == ItemListModel::Condition;
        if (i == ItemListModel::Photo)
            needs.append({photos ? m_photoWidth : 0, 0, false});
        else
            needs.append({metrics.horizontalAdvance(typical[i] + QStringLiteral("  ")) + cellMargins,
                          headings->sectionSizeHint(i), text});
    }
    const QList<int> widths = fittedWidths(needs, most.width() - sides);
    for (int i = 0; i < ItemListModel::ColumnCount; ++i)
        grdItems->setColumnWidth(i, i == ItemListModel::Photo ? m_photoWidth : widths[i]);
    // and about twenty rows
    QSize size(std::accumulate(widths.begin(), widths.end(), sides),
               txtFilter->sizeHint().height() + layout->spacing() + headings->sizeHint().height() +
                   20 * grdItems->verticalHeader()->defaultSectionSize() + 2 * grdItems->frameWidth() +
                   margins.top() + margins.bottom());
    size = size.boundedTo(most);
    const QRect available = screen ? screen->availableGeometry() : QRect(QPoint(), size);
    // over the middle of the item window, inside the screen
    setGeometry(
        QRect(centredOver(itemWindow ? itemWindow->frameGeometry() : available, size, available), size));

    connect(headings, &QHeaderView::sortIndicatorChanged, this,
            [this, headings](int column, Qt::SortOrder order) {
                // the photos do not order the list: the heading shows the order kept
                if (column == ItemListModel::Photo) {
                    const QSignalBlocker quiet(headings);
                    headings->setSortIndicator(m_model->sortColumn(), m_model->sortOrder());
                    return;
                }
                runEvent(m_state, [&] { keepingSelection([&] { m_model->sort(column, order); }); });
            });
    connect(txtFilter, &QLineEdit::textChanged, this,
            [this] { runEvent(m_state, [this] { txtFilter_Change(); }); });
    connect(grdItems, &QTableView::doubleClicked, this,
            [this] { runEvent(m_state, [this] { showSelectedItem(); }); });
    connect(m_model, &ItemListModel::readFailed, this, [this](int number, const QString& description) {
        runEvent(m_state, [&] { throw DbError(number, description); });
    });
    txtFilter->installEventFilter(this);
    grdItems->installEventFilter(this);
}

bool frmItemList::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        runEvent(m_state, [this] { Form_Activate(); });
    return QWidget::event(event);
}

bool frmItemList::eventFilter(QObject* watched, QEvent* event)
{
    const bool clearing = watched == txtFilter && !txtFilter->text().isEmpty();
    if (event->type() == QEvent::ShortcutOverride && clearing &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept(); // Escape clears the filter before any shortcut sees it
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (watched == txtFilter) {
        if (key == Qt::Key_Escape && clearing) {
            txtFilter->clear();
            return true;
        }
        if (key == Qt::Key_Down || key == Qt::Key_PageDown) {
            grdItems->setFocus(Qt::TabFocusReason);
            if (!grdItems->currentIndex().isValid())
                selectRow(0);
            return true;
        }
    }
    // a letter typed in the table narrows the list, as in the filter box:
    // the table's own search would read row after row to find it
    const QString text = static_cast<QKeyEvent*>(event)->text();
    if (watched == grdItems && !text.isEmpty() && text.at(0).isPrint() &&
        !(static_cast<QKeyEvent*>(event)->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        txtFilter->setFocus(Qt::OtherFocusReason);
        txtFilter->insert(text);
        return true;
    }
    if (enter && (watched == txtFilter || watched == grdItems)) {
        runEvent(m_state, [this] { showSelectedItem(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// The item window may have added, changed or deleted items meanwhile; the
// list is read again when it did. Showing the window counts as activating it,
// for a desktop that does not activate a window as it opens.
void frmItemList::Form_Activate()
{
    keepingSelection([this] { m_model->refreshIfChanged(); });
}

void frmItemList::showEvent(QShowEvent* event)
{
    runEvent(m_state, [this] { Form_Activate(); });
    QWidget::showEvent(event);
}

void frmItemList::txtFilter_Change()
{
    keepingSelection([this] { m_model->setFilter(txtFilter->text()); });
}

void frmItemList::keepingSelection(const std::function<void()>& reread)
{
    const int before = grdItems->currentIndex().row();
    const qint32 key = m_model->keyAt(before);
    reread();
    followPhotos();
    const int row = m_model->rowOf(key);
    selectRow(row >= 0 ? row : std::min(std::max(before, 0), m_model->rowCount() - 1));
    showCount();
}

// The photo column shows while some item has photos, and the rows are then
// tall enough for its thumbnails.
void frmItemList::followPhotos()
{
    const bool shown = m_model->photosShown();
    if (grdItems->isColumnHidden(ItemListModel::Photo) != shown)
        return;
    grdItems->setColumnHidden(ItemListModel::Photo, !shown);
    grdItems->setColumnWidth(ItemListModel::Photo, m_photoWidth);
    grdItems->verticalHeader()->setDefaultSectionSize(shown ? m_thumbnailRow : m_textRow);
}

void frmItemList::selectRow(int row)
{
    if (row < 0 || row >= m_model->rowCount())
        return;
    const int current = grdItems->currentIndex().column();
    const int column = current < 0 || grdItems->isColumnHidden(current) ? int(ItemListModel::Name) : current;
    const QModelIndex index = m_model->index(row, column);
    grdItems->setCurrentIndex(index);
    grdItems->scrollTo(index);
}

void frmItemList::showCount()
{
    const std::optional<qint64> of =
        m_model->filter().isEmpty() ? std::nullopt : std::optional<qint64>(m_model->itemCount());
    lblCount->setText(itemCountText(m_model->rowCount(), of, m_state.regional.locale()));
}

void frmItemList::showSelectedItem()
{
    const qint32 key = m_model->keyAt(grdItems->currentIndex().row());
    if (key != 0)
        m_showItem(key);
}
