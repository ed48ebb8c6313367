#include "ReportPictures.h"

#include "app/AppState.h"
#include "photos/PictureFile.h"
#include "store/Database.h"
#include "store/DbError.h"
#include "store/PhotoTables.h"

namespace {

// Some 200 MB of pictures kept
constexpr qsizetype kKeptPixels = 50'000'000;

} // namespace

ReportPictures::ReportPictures(const AppState& state)
    : m_state(state)
    , m_kept(kKeptPixels)
{}

QImage ReportPictures::operator()(qint64 key, QSize pixels)
{
    const QString name = QStringLiteral("%1:%2x%3").arg(key).arg(pixels.width()).arg(pixels.height());
    if (const QImage* kept = m_kept.object(name))
        return *kept;
    QImage image = read(key, pixels);
    // one that could not be read is asked for again at the next painting
    if (image.isNull())
        return image;
    // without clear parts a picture goes into a PDF as a JPEG
    if (!image.hasAlphaChannel())
        image.convertTo(QImage::Format_RGB32);
    m_kept.insert(name, new QImage(image), qMax<qsizetype>(1, qsizetype(image.width()) * image.height()));
    return image;
}

QImage ReportPictures::read(qint64 key, QSize pixels) const
{
    if (!m_state.CollectionDb)
        return {}; // the collection is closed for a moment (while it is compacted)
    try {
        std::unique_ptr<PhotoTables> tables = m_state.db().OpenPhotoTables();
        const std::optional<PhotoTables::Picture> picture = tables->picture(key);
        if (!picture)
            return {};
        const QImage thumbnail = QImage::fromData(picture->thumbnail);
        if (!thumbnail.isNull() && thumbnail.width() >= pixels.width() &&
            thumbnail.height() >= pixels.height())
            return thumbnail.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        return PictureFile::image(tables->bytes(key), pixels);
    } catch (const DbError&) {
        return {}; // a page is painted with what can be read
    }
}
