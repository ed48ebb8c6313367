#include "frmPhotoViewer.h"

#include "PictureDecoder.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace {

constexpr double kZoomStep = 1.25;
constexpr double kLeastZoom = 0.05;
constexpr double kMostZoom = 8;
// the longest side drawn, in screen pixels: a photo zoomed beyond it would
// take gigabytes
constexpr int kLongestDrawn = 8192;

} // namespace

frmPhotoViewer::frmPhotoViewer(QList<Photo> photos, qsizetype first, QWidget* parent)
    : QDialog(parent)
    , m_photos(std::move(photos))
    , m_decoder(new PictureDecoder(this))
{
    setObjectName(QStringLiteral("frmPhotoViewer"));
    lblPicture = new QLabel;
    lblPicture->setObjectName(QStringLiteral("lblPicture"));
    lblPicture->setAlignment(Qt::AlignCenter);
    m_area = new QScrollArea;
    m_area->setWidget(lblPicture);
    m_area->setAlignment(Qt::AlignCenter);
    m_area->setWidgetResizable(false);
    lblAbout = new QLabel;
    lblAbout->setObjectName(QStringLiteral("lblAbout"));
    lblAbout->setTextFormat(Qt::PlainText);
    cmdPrevious = new QPushButton(QStringLiteral("&Previous"));
    cmdPrevious->setObjectName(QStringLiteral("cmdPrevious"));
    cmdNext = new QPushButton(QStringLiteral("&Next"));
    cmdNext->setObjectName(QStringLiteral("cmdNext"));
    cmdFit = new QPushButton(QStringLiteral("&Fit"));
    cmdFit->setObjectName(QStringLiteral("cmdFit"));
    cmdActualSize = new QPushButton(QStringLiteral("&100 %"));
    cmdActualSize->setObjectName(QStringLiteral("cmdActualSize"));
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("cmdClose"));
    auto* buttons = new QHBoxLayout;
    // Enter closes the window, whichever button was pressed last
    for (QPushButton* button : {cmdPrevious, cmdNext, cmdFit, cmdActualSize}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    close->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_area, 1);
    layout->addWidget(lblAbout);
    layout->addLayout(buttons);

    connect(cmdPrevious, &QPushButton::clicked, this, [this] { showPhoto(m_shown - 1); });
    connect(cmdNext, &QPushButton::clicked, this, [this] { showPhoto(m_shown + 1); });
    connect(cmdFit, &QPushButton::clicked, this, [this] { setZoom(0); });
    connect(cmdActualSize, &QPushButton::clicked, this, [this] { setZoom(1); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_decoder, &PictureDecoder::decoded, this, [this](const QImage& image) {
        m_image = image;
        // a picture stored without a size, before sizes were checked, is
        // shown at the size it is decoded at
        if (m_size.isEmpty() && !image.isNull()) {
            m_size = image.size();
            describe();
        }
        paint();
    });
    const auto key = [this](QKeySequence sequence, std::function<void()> action) {
        connect(new QShortcut(sequence, this), &QShortcut::activated, this, std::move(action));
    };
    key(QKeySequence::ZoomIn, [this] { zoomBy(kZoomStep); });
    // "+" is typed with Shift on many keyboards, or as "=" without it
    key(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Plus), [this] { zoomBy(kZoomStep); });
    key(QKeySequence(Qt::CTRL | Qt::Key_Equal), [this] { zoomBy(kZoomStep); });
    key(QKeySequence::ZoomOut, [this] { zoomBy(1 / kZoomStep); });
    key(QKeySequence(Qt::Key_PageDown), [this] { showPhoto(m_shown + 1); });
    key(QKeySequence(Qt::Key_PageUp), [this] { showPhoto(m_shown - 1); });
    resize(900, 700);
    showPhoto(first);
}

void frmPhotoViewer::showPhoto(qsizetype i)
{
    if (i < 0 || i >= m_photos.size())
        return;
    m_shown = i;
    const Photo& photo = m_photos[i];
    m_size = photo.size;
    m_image = QImage::fromData(photo.thumbnail);
    // never decoded larger than it is ever drawn
    m_decoder->decode(photo.bytes(), QSize(kLongestDrawn, kLongestDrawn));
    setWindowTitle(QStringLiteral("Photo %1 of %2").arg(i + 1).arg(m_photos.size()));
    describe();
    cmdPrevious->setEnabled(i > 0);
    cmdNext->setEnabled(i + 1 < m_photos.size());
    m_zoom = 0;
    paint();
}

// The caption of the photo shown and its size.
void frmPhotoViewer::describe()
{
    const QString& caption = m_photos[m_shown].caption;
    const QString size = QStringLiteral("%1 × %2 pixels").arg(m_size.width()).arg(m_size.height());
    lblAbout->setText(caption.isEmpty() ? size : caption + QStringLiteral("  —  ") + size);
}

// A zoom of 1 shows one pixel of the photo on each of the screen's; zooming
// from the fitted view starts from the scale it was fitted at.
void frmPhotoViewer::zoomBy(double factor)
{
    double from = m_zoom;
    if (from == 0 && !m_size.isEmpty())
        from = double(lblPicture->pixmap().width()) / m_size.width();
    setZoom(std::clamp(from * factor, kLeastZoom, kMostZoom));
}

void frmPhotoViewer::setZoom(double zoom)
{
    const int longest = std::max(m_size.width(), m_size.height());
    m_zoom = longest > 0 ? std::min(zoom, double(kLongestDrawn) / longest) : zoom;
    paint();
}

// The photo drawn from what is decoded of it (its thumbnail until then) at
// the size the zoom gives its own pixels.
void frmPhotoViewer::paint()
{
    if (m_image.isNull() || m_size.isEmpty()) {
        lblPicture->setPixmap(QPixmap());
        return;
    }
    const qreal ratio = devicePixelRatioF();
    const QSize room = m_area->viewport()->size() * ratio;
    const QSize wanted =
        m_zoom == 0 ? m_size.scaled(room, Qt::KeepAspectRatio).boundedTo(m_size) : m_size * m_zoom;
    QPixmap pixmap = QPixmap::fromImage(
        m_image.scaled(wanted.expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(ratio);
    lblPicture->setPixmap(pixmap);
    lblPicture->resize(pixmap.deviceIndependentSize().toSize());
}

void frmPhotoViewer::wheelEvent(QWheelEvent* event)
{
    if (event->angleDelta().y() == 0)
        return QDialog::wheelEvent(event);
    zoomBy(event->angleDelta().y() > 0 ? kZoomStep : 1 / kZoomStep);
    event->accept();
}

void frmPhotoViewer::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (m_zoom == 0)
        paint();
}
