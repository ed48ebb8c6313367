#include "PhotoTables.h"

#include "Connection.h"

namespace {

const QString kPicture = QStringLiteral("Picture");
const QString kPhoto = QStringLiteral("Photo");

} // namespace

PhotoTables::PhotoTables(std::shared_ptr<Connection> connection)
    : m_connection(std::move(connection))
{}

PhotoTables::~PhotoTables() = default;

QList<PhotoTables::Photo> PhotoTables::photosOf(qint64 item)
{
    Statement photos(*m_connection,
                     QStringLiteral("SELECT PicID, caption FROM Photo WHERE PlonID = ?1 ORDER BY position"));
    photos.bindKey(1, item);
    QList<Photo> out;
    while (photos.step())
        out.append({photos.int64(0), textOf(photos.value(1, FieldType::Text))});
    return out;
}

std::optional<qint64> PhotoTables::mainPicture(qint64 item)
{
    Statement main(*m_connection,
                   QStringLiteral("SELECT PicID FROM Photo WHERE PlonID = ?1 ORDER BY position LIMIT 1"));
    main.bindKey(1, item);
    if (!main.step())
        return std::nullopt;
    return main.int64(0);
}

std::optional<PhotoTables::Picture> PhotoTables::picture(qint64 key)
{
    Statement read(*m_connection, QStringLiteral("SELECT digest, kind, width, height, thumb, thumbkind FROM "
                                                 "Picture WHERE PicID = ?1"));
    read.bindKey(1, key);
    if (!read.step())
        return std::nullopt;
    return Picture{read.blob(0),       textOf(read.value(1, FieldType::Text)),
                   int(read.int64(2)), int(read.int64(3)),
                   read.blob(4),       textOf(read.value(5, FieldType::Text))};
}

QHash<qint64, QByteArray> PhotoTables::mainThumbnails(const QList<qint64>& items)
{
    QStringList keys;
    for (const qint64 item : items)
        keys.append(QString::number(item));
    Statement read(*m_connection,
                   QStringLiteral("SELECT Photo.PlonID, Picture.thumb FROM Photo JOIN Picture ON "
                                  "Picture.PicID = Photo.PicID WHERE Photo.position = 1 AND "
                                  "Photo.PlonID IN (%1)")
                       .arg(keys.join(QLatin1Char(','))));
    QHash<qint64, QByteArray> thumbnails;
    while (read.step())
        thumbnails.insert(read.int64(0), read.blob(1));
    return thumbnails;
}

QByteArray PhotoTables::bytes(qint64 key)
{
    Statement read(*m_connection, QStringLiteral("SELECT bytes FROM Picture WHERE PicID = ?1"));
    read.bindKey(1, key);
    return read.step() ? read.blob(0) : QByteArray();
}

std::optional<qint64> PhotoTables::pictureOf(const QByteArray& digest)
{
    Statement find(*m_connection, QStringLiteral("SELECT PicID FROM Picture WHERE digest = ?1"));
    find.bindBlob(1, digest);
    if (!find.step())
        return std::nullopt;
    return find.int64(0);
}

qint64 PhotoTables::addPicture(const Picture& picture, const QByteArray& bytes)
{
    if (const std::optional<qint64> stored = pictureOf(picture.digest))
        return *stored;
    m_connection->beforeWrite(nullptr, kPicture);
    Statement add(*m_connection,
                  QStringLiteral("INSERT INTO Picture (digest, kind, width, height, thumb, thumbkind, bytes) "
                                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)"));
    add.bindBlob(1, picture.digest);
    add.bindText(2, picture.kind.toUtf8());
    add.bindKey(3, picture.width);
    add.bindKey(4, picture.height);
    add.bindBlob(5, picture.thumbnail);
    add.bindText(6, picture.thumbnailKind.toUtf8());
    add.bindBlob(7, bytes);
    add.step();
    return sqlite3_last_insert_rowid(m_connection->handle());
}

void PhotoTables::setPhotos(qint64 item, const QList<Photo>& photos)
{
    const QList<Photo> before = photosOf(item);
    if (before == photos)
        return;
    m_connection->beforeWrite(nullptr, kPhoto);
    Statement remove(*m_connection, QStringLiteral("DELETE FROM Photo WHERE PlonID = ?1"));
    remove.bindKey(1, item);
    remove.step();
    Statement add(
        *m_connection,
        QStringLiteral("INSERT INTO Photo (PlonID, PicID, position, caption) VALUES (?1, ?2, ?3, ?4)"));
    for (qsizetype i = 0; i < photos.size(); ++i) {
        add.reset();
        add.bindKey(1, item);
        add.bindKey(2, photos[i].picture);
        add.bindKey(3, i + 1);
        add.bind(4, photos[i].caption.isEmpty() ? Value() : Value(photos[i].caption),
                 *m_connection->column(kPhoto, QStringLiteral("caption")));
        add.step();
    }
    for (const Photo& was : before)
        removeIfUnused(was.picture);
}

void PhotoTables::copyPhotos(qint64 from, qint64 to)
{
    m_connection->beforeWrite(nullptr, kPhoto);
    Statement copy(*m_connection,
                   QStringLiteral("INSERT INTO Photo (PlonID, PicID, position, caption) SELECT "
                                  "?2, PicID, position, caption FROM Photo WHERE PlonID = ?1"));
    copy.bindKey(1, from);
    copy.bindKey(2, to);
    copy.step();
}

std::vector<PhotoTables::Listed> PhotoTables::everyPhoto()
{
    Statement read(*m_connection,
                   QStringLiteral("SELECT Photo.PlonID, Photo.PicID, Picture.digest, Picture.kind FROM Photo "
                                  "JOIN Picture ON Picture.PicID = Photo.PicID ORDER BY Photo.PlonID, "
                                  "Photo.position"));
    std::vector<Listed> listed;
    while (read.step())
        listed.push_back(
            {read.int64(0), read.int64(1), read.blob(2), textOf(read.value(3, FieldType::Text))});
    return listed;
}

QHash<qint64, PhotoTables::MainPhoto> PhotoTables::mainPhotos()
{
    Statement read(
        *m_connection,
        QStringLiteral("SELECT Photo.PlonID, Photo.PicID, Picture.digest, Picture.kind, Picture.width, "
                       "Picture.height FROM Photo JOIN Picture ON Picture.PicID = Photo.PicID WHERE "
                       "Photo.position = 1"));
    QHash<qint64, MainPhoto> photos;
    while (read.step())
        photos.insert(read.int64(0),
                      {{read.int64(0), read.int64(1), read.blob(2), textOf(read.value(3, FieldType::Text))},
                       QSize(int(read.int64(4)), int(read.int64(5)))});
    return photos;
}

bool PhotoTables::anyPhotos()
{
    Statement any(*m_connection, QStringLiteral("SELECT EXISTS (SELECT 1 FROM Photo)"));
    any.step();
    return any.int64(0) != 0;
}

qint64 PhotoTables::unusedPictures()
{
    Statement count(*m_connection, QStringLiteral("SELECT count(*) FROM Picture WHERE NOT EXISTS (SELECT 1 "
                                                  "FROM Photo WHERE Photo.PicID = Picture.PicID)"));
    count.step();
    return count.int64(0);
}

// Through the index of the photos by picture: the pictures are never read
// whole to find those no photo shows.
void PhotoTables::removeIfUnused(qint64 picture)
{
    m_connection->beforeWrite(nullptr, kPicture);
    Statement remove(*m_connection, QStringLiteral("DELETE FROM Picture WHERE PicID = ?1 AND NOT EXISTS "
                                                   "(SELECT 1 FROM Photo WHERE Photo.PicID = ?1)"));
    remove.bindKey(1, picture);
    remove.step();
}
