// Pictures read from any bytes, as a photo's file is: a picture kept has a
// size, the digest of its bytes and a thumbnail that reads back within 256
// pixels; anything else is refused with a reason, never decoded past the
// bound.
#include "FuzzInput.h"

#include "photos/PictureFile.h"

#include <QCryptographicHash>
#include <QImage>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const auto read = PictureFile::read(bytes, QStringLiteral("fuzzed"));
    if (const QString* refused = std::get_if<QString>(&read)) {
        if (!refused->startsWith(QStringLiteral("\"fuzzed\" ")))
            broken("a refusal names the file", *refused);
        return 0;
    }
    const PhotoTables::Picture& picture = std::get<PhotoTables::Picture>(read);
    if (picture.width <= 0 || picture.height <= 0)
        broken("a picture kept has a size", picture.kind);
    if (picture.digest != QCryptographicHash::hash(bytes, QCryptographicHash::Sha256))
        broken("the digest is of the bytes", picture.kind);
    const QImage thumbnail = QImage::fromData(picture.thumbnail);
    if (thumbnail.isNull() || thumbnail.width() > PictureFile::kThumbnailSide ||
        thumbnail.height() > PictureFile::kThumbnailSide)
        broken("the thumbnail reads back within its bound", picture.kind);
    return 0;
}
