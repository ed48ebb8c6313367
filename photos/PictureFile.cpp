#include "PictureFile.h"

#include "PictureClaims.h"

#include <QBuffer>
#include <QColorSpace>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QScopeGuard>
#include <QTransform>

#include <libheif/heif.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <mutex>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace PictureFile {
namespace {

// The types kept, by the name the image reader gives each, with the suffix
// a file of that type takes.
const QList<std::pair<QByteArray, QString>>& keptTypes()
{
    static const QList<std::pair<QByteArray, QString>> types = {
        {"jpeg", QStringLiteral("jpg")},  {"png", QStringLiteral("png")}, {"webp", QStringLiteral("webp")},
        {"tiff", QStringLiteral("tiff")}, {"bmp", QStringLiteral("bmp")}, {"gif", QStringLiteral("gif")}};
    return types;
}

// The brands of a HEIF file in its first box.
bool isHeif(const QByteArray& bytes)
{
    if (bytes.size() < 12 || bytes.mid(4, 4) != "ftyp")
        return false;
    static const QByteArrayList brands = {"heic", "heix", "heim", "heis", "hevc", "hevx", "mif1", "msf1"};
    return brands.contains(bytes.mid(8, 4));
}

// The most pixels of a picture decoded, four bytes each.
constexpr qint64 kMostPixels = qint64(kLargestDecodedMb) * 1024 * 1024 / 4;

// Why a picture of this size is not decoded; empty when it may be.
QString beyondBound(QSize size)
{
    if (qint64(size.width()) * size.height() <= kMostPixels)
        return {};
    return QStringLiteral("at %1 × %2 pixels it is larger than any picture read (%3 million pixels)")
        .arg(size.width())
        .arg(size.height())
        .arg(kMostPixels / 1000000);
}

// The most pixels of the whole picture scaled down at a time: some 16 MB.
constexpr qint64 kTilePixels = 4 * 1024 * 1024;

// The picture scaled down to fit, a tile at a time, so that no copy of the
// whole is made beside it (a picture read may take hundreds of MB).
QImage fitted(const QImage& image, QSize fitting)
{
    if (!fitting.isValid() || (image.width() <= fitting.width() && image.height() <= fitting.height()))
        return image;
    const QSize size = image.size().scaled(fitting, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    const QImage::Format format =
        image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    QImage result(size, format);
    if (result.isNull())
        return result;
    result.setColorSpace(image.colorSpace());
    // tiles of the result, each made from the part of the whole it shows
    const double shrunk = double(image.width()) * image.height() / (double(size.width()) * size.height());
    const int side = std::max(1, int(std::sqrt(double(kTilePixels) / shrunk)));
    const auto source = [](int at, int whole, int part) { return int(qint64(at) * whole / part); };
    for (int top = 0; top < size.height(); top += side) {
        const int bottom = std::min(top + side, size.height());
        const int from = source(top, image.height(), size.height());
        const int to = source(bottom, image.height(), size.height());
        for (int left = 0; left < size.width(); left += side) {
            const int right = std::min(left + side, size.width());
            const int start = source(left, image.width(), size.width());
            const int end = source(right, image.width(), size.width());
            const QImage tile =
                image.copy(start, from, end - start, to - from)
                    .convertToFormat(format)
                    .scaled(right - left, bottom - top, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            if (tile.isNull())
                return {};
            for (int y = top; y < bottom; ++y)
                std::memcpy(result.scanLine(y) + qsizetype(left) * 4, tile.constScanLine(y - top),
                            size_t(right - left) * 4);
        }
    }
    return result;
}

// The picture turned as its file says it is shown: mirrored, flipped, or
// both (a half turn), then turned a quarter clockwise.
QImage turnedAsShown(const QImage& image, QImageIOHandler::Transformations turn)
{
    const QImage mirrored = image.mirrored(turn & QImageIOHandler::TransformationMirror,
                                           turn & QImageIOHandler::TransformationFlip);
    return turn & QImageIOHandler::TransformationRotate90 ? mirrored.transformed(QTransform().rotate(90))
                                                          : mirrored;
}

// A decoded picture, as shown and scaled to fit, with the size it has as
// shown whole and the suffix of its type; or why it was not decoded.
struct Decoded
{
    QImage image;
    QSize shown;
    QString kind;
    QString failure;
};

// Why a picture that claims this size is not decoded; empty when it may be.
QString refusedBySize(QSize size)
{
    if (size.isValid() && size.isEmpty())
        return QStringLiteral("its size reads as %1 × %2 pixels, which shows nothing")
            .arg(size.width())
            .arg(size.height());
    return size.isValid() ? beyondBound(size) : QString();
}

Decoded decodeHeif(const QByteArray& bytes, QSize fitting)
{
    Decoded decoded{{}, {}, QStringLiteral("heic"), {}};
    heif_context* context = heif_context_alloc();
    const auto freeContext = qScopeGuard([&] { heif_context_free(context); });
    // the same bound as for the other types: the pixels of the largest
    // picture decoded, four bytes each
    heif_context_set_maximum_image_size_limit(context, int(std::sqrt(double(kMostPixels))));
    const auto failed = [&](const heif_error& error) {
        if (error.code == heif_error_Ok)
            return false;
        decoded.failure = QString::fromUtf8(error.message);
        return true;
    };
    if (failed(heif_context_read_from_memory_without_copy(context, bytes.constData(), size_t(bytes.size()),
                                                          nullptr)))
        return decoded;
    heif_image_handle* handle = nullptr;
    if (failed(heif_context_get_primary_image_handle(context, &handle)))
        return decoded;
    const auto freeHandle = qScopeGuard([&] { heif_image_handle_release(handle); });
    decoded.failure =
        refusedBySize(QSize(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle)));
    if (!decoded.failure.isEmpty())
        return decoded;
    const bool alpha = heif_image_handle_has_alpha_channel(handle);
    heif_image* image = nullptr;
    // the orientation the file gives is applied as it is decoded
    if (failed(heif_decode_image(handle, &image, heif_colorspace_RGB,
                                 alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                                 nullptr)))
        return decoded;
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image, heif_channel_interleaved);
    const int height = heif_image_get_height(image, heif_channel_interleaved);
    if (!plane || width <= 0 || height <= 0) {
        heif_image_release(image);
        decoded.failure = QStringLiteral("the picture holds no pixels");
        return decoded;
    }
    // the decoded image is shown as it is, and let go with the last picture
    // that shows it
    const QImage whole(
        plane, width, height, stride, alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888,
        [](void* decodedImage) { heif_image_release(static_cast<heif_image*>(decodedImage)); }, image);
    decoded.shown = whole.size();
    decoded.image = fitted(whole, fitting);
    if (decoded.image.isNull())
        decoded.failure = QStringLiteral("there is not memory enough to show it");
    return decoded;
}

// Why a picture of this type is not decoded, found from its bytes: what its
// decoder would make of them costing far more than a picture of its size.
QString refusedByContent(const QByteArray& format, const QByteArray& bytes)
{
    if (format == "png")
        return PictureClaims::pngBeyondItsPixels(bytes);
    if (format == "gif")
        return PictureClaims::gifBeyondItsPixels(bytes);
    if (format == "bmp")
        return PictureClaims::bmpBeyondItsFile(bytes);
    return {};
}

// Whether the reader of this type scales a picture down as it reads it: a
// JPEG's, and a PNG's of eight bits to a channel of colour or grey and
// alpha, rows one after another. Any other is read whole, as its reader
// would scale a copy of the whole.
bool readScaled(const QByteArray& format, const QByteArray& bytes)
{
    if (format == "jpeg")
        return true;
    if (format != "png" || bytes.size() < 29)
        return false;
    const int colour = bytes[25];
    return bytes[24] == 8 && (colour == 2 || colour == 4 || colour == 6) && bytes[28] == 0;
}

Decoded decodeOther(const QByteArray& bytes, QSize fitting)
{
    Decoded decoded;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    // the turn the file gives is applied to the picture once fitted, not
    // to a copy of the whole
    reader.setAutoTransform(false);
    const QByteArray format = reader.format();
    const auto kept = std::find_if(keptTypes().begin(), keptTypes().end(),
                                   [&](const auto& type) { return type.first == format; });
    if (kept == keptTypes().end()) {
        decoded.failure =
            QStringLiteral("it is no picture of a type kept (JPEG, PNG, WebP, TIFF, BMP, GIF, HEIC)");
        return decoded;
    }
    decoded.kind = kept->second;
    const QImageIOHandler::Transformations turn = reader.transformation();
    // a picture turned a quarter is stored the other way round
    const bool turned = turn & QImageIOHandler::TransformationRotate90;
    const QSize wanted = turned ? fitting.transposed() : fitting;
    // the size the decoder makes is checked before anything is decoded (a
    // GIF's is its logical screen, whatever its first image claims); the
    // reader's own bound catches a claim it does not make at first
    const QSize claimed = format == "gif" ? PictureClaims::gifCanvas(bytes) : reader.size();
    decoded.failure = refusedBySize(claimed);
    if (decoded.failure.isEmpty())
        decoded.failure = refusedByContent(format, bytes);
    if (!decoded.failure.isEmpty())
        return decoded;
    const bool scaledAsRead = readScaled(format, bytes) && claimed.isValid() && wanted.isValid() &&
                              (claimed.width() > wanted.width() || claimed.height() > wanted.height());
    if (scaledAsRead)
        reader.setScaledSize(claimed.scaled(wanted, Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
    QImage image = reader.read();
    if (image.isNull()) {
        decoded.failure = reader.errorString();
        return decoded;
    }
    // the size shown is that of the picture decoded whole
    const QSize whole = scaledAsRead ? claimed : image.size();
    decoded.shown = turned ? whole.transposed() : whole;
    image = fitted(image, wanted);
    decoded.image = turnedAsShown(image, turn);
    return decoded;
}

QString tooLarge(const QString& name, qint64 size)
{
    return QStringLiteral("\"%1\" is %2 MB; a photo may be at most %3 MB.")
        .arg(name)
        .arg(double(size) / (1024 * 1024), 0, 'f', 1)
        .arg(kLargestBytes / (1024 * 1024));
}

QString cannotRead(const QString& name, const QString& why)
{
    return QStringLiteral("\"%1\" cannot be read: %2.").arg(name, why);
}

// Why a file of this mode is not read; empty for a plain file. A device or
// a pipe could be read without end, or keep the reading waiting for ever.
QString notAPlainFile(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a pipe, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file");
    return QStringLiteral("it is not a plain file");
}

Decoded decode(const QByteArray& bytes, QSize fitting)
{
    limitDecoding();
    return isHeif(bytes) ? decodeHeif(bytes, fitting) : decodeOther(bytes, fitting);
}

} // namespace

std::variant<PhotoTables::Picture, QString> read(const QByteArray& bytes, const QString& name)
{
    if (bytes.size() > kLargestBytes)
        return tooLarge(name, bytes.size());
    Decoded decoded = decode(bytes, QSize(kThumbnailSide, kThumbnailSide));
    if (decoded.failure.isEmpty() && !decoded.image.isNull())
        decoded.failure = refusedBySize(decoded.shown);
    if (!decoded.failure.isEmpty() || decoded.image.isNull())
        return QStringLiteral("\"%1\" cannot be kept as a photo: %2.")
            .arg(name, decoded.failure.isEmpty() ? QStringLiteral("it cannot be read") : decoded.failure);
    PhotoTables::Picture picture;
    picture.digest = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    picture.kind = decoded.kind;
    picture.width = decoded.shown.width();
    picture.height = decoded.shown.height();
    // a thumbnail with clear parts keeps them, as PNG; any other is a JPEG
    const bool clear = decoded.image.hasAlphaChannel();
    QBuffer thumbnail(&picture.thumbnail);
    thumbnail.open(QIODevice::WriteOnly);
    QImageWriter writer(&thumbnail, clear ? "png" : "jpeg");
    writer.setQuality(85);
    if (!writer.write(clear ? decoded.image : decoded.image.convertToFormat(QImage::Format_RGB888)))
        return QStringLiteral("\"%1\" cannot be kept as a photo: %2.").arg(name, writer.errorString());
    picture.thumbnailKind = clear ? QStringLiteral("png") : QStringLiteral("jpg");
    return picture;
}

std::variant<FromFile, QString> readFile(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const QByteArray native = QFile::encodeName(path);
    struct stat status;
    if (::stat(native.constData(), &status) != 0)
        return cannotRead(name, qt_error_string(errno));
    if (const QString refused = notAPlainFile(status.st_mode); !refused.isEmpty())
        return cannotRead(name, refused);
    // opened without waiting, should a pipe have taken the file's place since
    const int file = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (file < 0)
        return cannotRead(name, qt_error_string(errno));
    const auto closing = qScopeGuard([file] { ::close(file); });
    if (::fstat(file, &status) != 0)
        return cannotRead(name, qt_error_string(errno));
    if (const QString refused = notAPlainFile(status.st_mode); !refused.isEmpty())
        return cannotRead(name, refused);
    // a file too large is refused by its size, without reading it
    if (status.st_size > kLargestBytes)
        return tooLarge(name, status.st_size);
    // read to one byte past the largest kept at most, whatever size the
    // file claims (one growing meanwhile is read as far as that)
    QByteArray bytes(qsizetype(status.st_size) + 1, Qt::Uninitialized);
    qsizetype held = 0;
    while (held <= kLargestBytes) {
        if (held == bytes.size())
            bytes.resize(std::min<qsizetype>(2 * held, kLargestBytes + 1));
        const ssize_t got = ::read(file, bytes.data() + held, size_t(bytes.size() - held));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return cannotRead(name, qt_error_string(errno));
        if (got == 0)
            break;
        held += got;
    }
    if (held > kLargestBytes)
        return tooLarge(name, std::max<qint64>(status.st_size, held));
    bytes.truncate(held);
    auto picture = PictureFile::read(bytes, name);
    if (const QString* refused = std::get_if<QString>(&picture))
        return *refused;
    return FromFile{std::get<PhotoTables::Picture>(picture), bytes};
}

QImage image(const QByteArray& bytes, QSize fitting)
{
    return decode(bytes, fitting).image;
}

void limitDecoding()
{
    static std::once_flag limited;
    std::call_once(limited, [] { QImageReader::setAllocationLimit(kLargestDecodedMb); });
}

QStringList suffixes()
{
    QStringList all = {QStringLiteral("jpg"), QStringLiteral("jpeg")};
    for (const auto& [format, suffix] : keptTypes())
        if (suffix != QLatin1String("jpg"))
            all.append(suffix);
    return all + QStringList{QStringLiteral("tif"), QStringLiteral("heic"), QStringLiteral("heif")};
}

} // namespace PictureFile
