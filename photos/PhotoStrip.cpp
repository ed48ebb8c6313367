#include "PhotoStrip.h"

#include "PictureDecoder.h"
#include "PictureFile.h"
#include "PictureQueue.h"
#include "frmPhotoViewer.h"

#include "app/AppState.h"
#include "app/LongWork.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLineF>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QShortcut>
#include <QVBoxLayout>

namespace {

constexpr int kThumbnailShown = 96;
constexpr int kLongestCaption = 80;

QString filter()
{
    QStringList patterns;
    for (const QString& suffix : PictureFile::suffixes())
        patterns.append(QStringLiteral("*.") + suffix);
    return QStringLiteral("Photos|") + patterns.join(QLatin1Char(';')) +
           QStringLiteral("|All Files (*.*)|*.*");
}

} // namespace

PhotoStrip::PhotoStrip(AppState& state, QWidget* parent)
    : QWidget(parent)
    , m_state(state)
    , m_dialogs(state.dialogs)
    , m_decoder(new PictureDecoder(this))
{
    setObjectName(QStringLiteral("tabPhotos"));
    setAcceptDrops(true);
    lblPhoto = new QLabel;
    lblPhoto->setObjectName(QStringLiteral("lblPhoto"));
    lblPhoto->setAlignment(Qt::AlignCenter);
    lblPhoto->setMinimumSize(240, 200);
    lblPhoto->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    lstPhotos = new QListWidget;
    lstPhotos->setObjectName(QStringLiteral("lstPhotos"));
    lstPhotos->setAccessibleName(QStringLiteral("Photos"));
    lstPhotos->setViewMode(QListView::IconMode);
    lstPhotos->setIconSize(QSize(kThumbnailShown, kThumbnailShown));
    // a thumbnail dragged moves its photo (icons dragged freely would only
    // move on the screen); a static list takes no drops unless told
    lstPhotos->setMovement(QListView::Static);
    lstPhotos->setDragDropMode(QAbstractItemView::InternalMove);
    lstPhotos->setDefaultDropAction(Qt::MoveAction);
    lstPhotos->viewport()->setAcceptDrops(true);
    lstPhotos->setResizeMode(QListView::Adjust);
    lstPhotos->setWrapping(true);
    // the same cell for every thumbnail, upright or not, its number below it
    lstPhotos->setGridSize(QSize(kThumbnailShown + 16, kThumbnailShown + fontMetrics().height() + 12));
    txtCaption = new QLineEdit;
    txtCaption->setObjectName(QStringLiteral("txtCaption"));
    txtCaption->setMaxLength(kLongestCaption);
    // every letter of these is a key of the item window already, but for
    // the "e" of "Remove"
    cmdAddPhotos = new QPushButton(QStringLiteral("Add Photos..."));
    cmdAddPhotos->setObjectName(QStringLiteral("cmdAddPhotos"));
    cmdRemovePhoto = new QPushButton(QStringLiteral("R&emove"));
    cmdRemovePhoto->setObjectName(QStringLiteral("cmdRemovePhoto"));

    auto* caption = new QFormLayout;
    caption->addRow(QStringLiteral("Caption"), txtCaption);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdAddPhotos);
    buttons->addWidget(cmdRemovePhoto);
    buttons->addStretch();
    auto* strip = new QVBoxLayout;
    strip->addWidget(lstPhotos, 1);
    strip->addLayout(caption);
    strip->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(lblPhoto, 1);
    layout->addLayout(strip, 1);

    connect(cmdAddPhotos, &QPushButton::clicked, this, &PhotoStrip::cmdAddPhotos_Click);
    connect(cmdRemovePhoto, &QPushButton::clicked, this, &PhotoStrip::cmdRemovePhoto_Click);
    connect(lstPhotos, &QListWidget::currentRowChanged, this, &PhotoStrip::selectionChanged);
    connect(lstPhotos, &QListWidget::itemActivated, this, &PhotoStrip::openViewer);
    connect(m_decoder, &PictureDecoder::decoded, this, &PhotoStrip::showPicture);
    connect(txtCaption, &QLineEdit::textEdited, this, [this](const QString& text) {
        const int row = lstPhotos->currentRow();
        if (row < 0)
            return;
        m_set.setCaption(row, text);
        lstPhotos->item(row)->setToolTip(text);
        emit edited();
    });
    auto* paste = new QShortcut(QKeySequence::Paste, this, this, &PhotoStrip::paste);
    paste->setContext(Qt::WidgetWithChildrenShortcut);
    lstPhotos->installEventFilter(this);
    lstPhotos->viewport()->installEventFilter(this);
    selectionChanged();
}

PhotoStrip::~PhotoStrip() = default;

void PhotoStrip::load(PhotoTables& tables, qint64 item)
{
    m_tables = &tables;
    if (item > 0)
        m_set.load(tables, item);
    else
        m_set.clear();
    refill(0);
}

void PhotoStrip::clear()
{
    m_set.clear();
    refill(0);
}

void PhotoStrip::release()
{
    clear();
    m_tables = nullptr;
}

// Double-click or Enter: the photos one at a time, from the one chosen.
void PhotoStrip::openViewer()
{
    const int row = lstPhotos->currentRow();
    if (row < 0 || !m_tables)
        return;
    QList<frmPhotoViewer::Photo> photos;
    for (qsizetype i = 0; i < m_set.count(); ++i) {
        const PhotoSet::Photo& photo = m_set.at(i);
        photos.append({[this, i] { return m_set.bytes(*m_tables, i); }, photo.caption, photo.read.thumbnail,
                       QSize(photo.read.width, photo.read.height)});
    }
    frmPhotoViewer viewer(photos, row, window());
    m_dialogs.showModal(viewer);
}

const PhotoSet& PhotoStrip::photos() const
{
    return m_set;
}

void PhotoStrip::addFiles(const QStringList& files)
{
    if (files.isEmpty())
        return;
    // the files are read on another thread while the progress answers here;
    // a queue dropped drops what it has not read yet
    PictureQueue queue;
    queue.add(files);
    const QLocale& locale = m_state.regional.locale();
    LongWork work(m_state, [&](qint64 done, qint64 total) {
        return QStringLiteral("Adding the photos: %1 of %2")
            .arg(locale.toString(done), locale.toString(total));
    });
    std::vector<PictureQueue::Read> read;
    const auto take = [&] {
        for (PictureQueue::Read& one : queue.take())
            read.push_back(std::move(one));
    };
    while (queue.waitForNext(int(LongWork::kUpdateEveryMs))) {
        take();
        if (!work.step(qint64(read.size()), files.size())) {
            // none of the files is added
            return;
        }
    }
    take();
    work.off();
    for (PictureQueue::Read& one : read)
        use(one);
}

// A picture read is added; a file that cannot be kept is told.
void PhotoStrip::use(PictureQueue::Read& read)
{
    if (const QString* refused = std::get_if<QString>(&read))
        refuse(*refused);
    else
        added(std::get<PictureFile::FromFile>(read).picture, std::get<PictureFile::FromFile>(read).bytes);
}

void PhotoStrip::added(const PhotoTables::Picture& picture, const QByteArray& bytes)
{
    m_set.add(picture, bytes);
    refill(m_set.count() - 1);
    emit edited();
}

void PhotoStrip::cmdAddPhotos_Click()
{
    addFiles(m_dialogs.openFileNames(filter()));
}

void PhotoStrip::cmdRemovePhoto_Click()
{
    const int row = lstPhotos->currentRow();
    if (row < 0)
        return;
    if (m_dialogs.messageBox(QStringLiteral("Remove this photo from the Plonko?"), Dialogs::Buttons::YesNo,
                             Dialogs::Icon::Question, QStringLiteral("Remove Photo")) != Dialogs::Answer::Yes)
        return;
    m_set.remove(row);
    refill(std::min<qsizetype>(row, m_set.count() - 1));
    emit edited();
}

// A picture on the clipboard is added as a PNG; files copied there are read.
void PhotoStrip::paste()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    if (!data)
        return;
    if (data->hasUrls()) {
        QStringList files;
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files.append(url.toLocalFile());
        addFiles(files);
        return;
    }
    if (!data->hasImage())
        return;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    qvariant_cast<QImage>(data->imageData()).save(&buffer, "png");
    const auto read = PictureFile::read(bytes, QStringLiteral("the pasted picture"));
    if (const QString* refused = std::get_if<QString>(&read))
        refuse(*refused);
    else
        added(std::get<PhotoTables::Picture>(read), bytes);
}

void PhotoStrip::moveSelected(int by)
{
    moveSelectedTo(lstPhotos->currentRow() + by);
}

// The selected photo moved to the place given, the others closing up.
void PhotoStrip::moveSelectedTo(int to)
{
    const int row = lstPhotos->currentRow();
    if (row < 0 || to < 0 || to >= m_set.count() || to == row)
        return;
    m_set.move(row, to);
    refill(to);
    emit edited();
}

void PhotoStrip::refill(qsizetype selected)
{
    m_filling = true;
    lstPhotos->clear();
    for (qsizetype i = 0; i < m_set.count(); ++i) {
        const PhotoSet::Photo& photo = m_set.at(i);
        auto* item = new QListWidgetItem(QIcon(QPixmap::fromImage(QImage::fromData(photo.read.thumbnail))),
                                         i == 0 ? QStringLiteral("Main") : QString::number(i + 1));
        item->setToolTip(photo.caption);
        lstPhotos->addItem(item);
    }
    m_filling = false;
    lstPhotos->setCurrentRow(m_set.count() == 0 ? -1
                                                : int(std::clamp<qsizetype>(selected, 0, m_set.count() - 1)));
    selectionChanged();
}

void PhotoStrip::selectionChanged()
{
    if (m_filling)
        return;
    const int row = lstPhotos->currentRow();
    txtCaption->setEnabled(row >= 0);
    cmdRemovePhoto->setEnabled(row >= 0);
    txtCaption->setText(row >= 0 ? m_set.at(row).caption : QString());
    showSelected();
}

// The selected photo, or the main one, fitted to the space beside the strip;
// decoded only while the tab is shown, and not on this thread: a photo newly
// shown is its thumbnail, at the size the photo takes, until it is decoded.
void PhotoStrip::showSelected()
{
    if (!isVisible())
        return;
    const int row = lstPhotos->currentRow();
    if (row < 0 || !m_tables) {
        m_decoder->cancel();
        m_shown.clear();
        lblPhoto->setPixmap(QPixmap());
        lblPhoto->setText(m_set.count() == 0 ? QStringLiteral("No photos") : QString());
        return;
    }
    const PhotoTables::Picture& picture = m_set.at(row).read;
    const QSize room = lblPhoto->size() * lblPhoto->devicePixelRatio();
    if (picture.digest != m_shown) {
        m_shown = picture.digest;
        const QSize whole(picture.width, picture.height);
        const QSize size = whole.scaled(room, Qt::KeepAspectRatio).boundedTo(whole).expandedTo(QSize(1, 1));
        showPicture(QImage::fromData(picture.thumbnail)
                        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    m_decoder->decode(m_set.bytes(*m_tables, row), room);
}

void PhotoStrip::showPicture(const QImage& image)
{
    QPixmap shown = QPixmap::fromImage(image);
    shown.setDevicePixelRatio(lblPhoto->devicePixelRatio());
    lblPhoto->setPixmap(shown);
}

// A picture that cannot be kept, told with its reason.
void PhotoStrip::refuse(const QString& reason)
{
    m_dialogs.messageBox(reason, Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation,
                         QStringLiteral("Add Photos"));
}

// Ctrl+Left and Ctrl+Right on the strip move the selected photo, before the
// list takes them as a move of its own selection.
bool PhotoStrip::eventFilter(QObject* watched, QEvent* event)
{
    // a thumbnail dragged within the strip takes the place of the one it is
    // dropped on, or nearest to (between two, or past the last); the strip
    // moves the photo, and the view itself moves nothing
    const bool dragging = event->type() == QEvent::DragMove || event->type() == QEvent::Drop;
    if (watched == lstPhotos->viewport() && dragging &&
        static_cast<QDropEvent*>(event)->source() == lstPhotos) {
        auto* drop = static_cast<QDropEvent*>(event);
        if (event->type() == QEvent::DragMove) {
            drop->acceptProposedAction();
            return true;
        }
        moveSelectedTo(rowNearest(drop->position().toPoint()));
        drop->setDropAction(Qt::IgnoreAction);
        drop->accept();
        return true;
    }
    if (watched == lstPhotos && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::ControlModifier &&
            (key->key() == Qt::Key_Left || key->key() == Qt::Key_Right)) {
            moveSelected(key->key() == Qt::Key_Left ? -1 : 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

int PhotoStrip::rowNearest(QPoint point) const
{
    int nearest = -1;
    qreal least = 0;
    for (int row = 0; row < lstPhotos->count(); ++row) {
        const QRect place = lstPhotos->visualItemRect(lstPhotos->item(row));
        if (place.contains(point))
            return row;
        const qreal distance = QLineF(place.center(), point).length();
        if (nearest < 0 || distance < least) {
            nearest = row;
            least = distance;
        }
    }
    return nearest;
}

void PhotoStrip::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void PhotoStrip::dropEvent(QDropEvent* event)
{
    QStringList files;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile())
            files.append(url.toLocalFile());
    event->acceptProposedAction();
    // added once the drop is over, so that the program it came from is not kept waiting
    QMetaObject::invokeMethod(
        this, [this, files] { addFiles(files); }, Qt::QueuedConnection);
}

void PhotoStrip::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    showSelected();
}

void PhotoStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    showSelected();
}
