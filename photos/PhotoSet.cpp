#include "PhotoSet.h"

void PhotoSet::load(PhotoTables& tables, qint64 item)
{
    m_photos.clear();
    for (const PhotoTables::Photo& stored : tables.photosOf(item)) {
        const std::optional<PhotoTables::Picture> picture = tables.picture(stored.picture);
        m_photos.append({stored.picture, picture.value_or(PhotoTables::Picture{}), nullptr, stored.caption});
    }
    m_changed = false;
}

void PhotoSet::clear()
{
    m_photos.clear();
    m_changed = false;
}

QByteArray PhotoSet::bytes(PhotoTables& tables, qsizetype i) const
{
    const Photo& photo = m_photos[i];
    return photo.bytes ? *photo.bytes : tables.bytes(photo.picture);
}

void PhotoSet::add(const PhotoTables::Picture& picture, const QByteArray& bytes)
{
    m_photos.append({0, picture, std::make_shared<const QByteArray>(bytes), QString()});
    m_changed = true;
}

void PhotoSet::remove(qsizetype i)
{
    m_photos.removeAt(i);
    m_changed = true;
}

void PhotoSet::move(qsizetype from, qsizetype to)
{
    if (from == to)
        return;
    m_photos.move(from, to);
    m_changed = true;
}

void PhotoSet::setCaption(qsizetype i, const QString& caption)
{
    if (m_photos[i].caption == caption)
        return;
    m_photos[i].caption = caption;
    m_changed = true;
}

void PhotoSet::save(PhotoTables& tables, qint64 item) const
{
    QList<PhotoTables::Photo> stored;
    for (const Photo& photo : m_photos)
        stored.append(
            {photo.bytes ? tables.addPicture(photo.read, *photo.bytes) : photo.picture, photo.caption});
    tables.setPhotos(item, stored);
}
