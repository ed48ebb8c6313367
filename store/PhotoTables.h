#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

class Connection;

// The tables of the items' photos: one row per distinct picture (its bytes
// exactly as the file held them, their SHA-256, type and pixel size, and a
// thumbnail) and one row per photo of an item (the picture, its place among
// the item's photos and a caption). A picture is stored once however many
// photos show it; one that no photo shows is removed with the change that
// left it so; an item deleted takes its photos with it. Every write belongs
// to the caller's transaction.
class PhotoTables
{
public:
    // A picture as the tables keep it, its bytes aside: they are read alone.
    struct Picture
    {
        QByteArray digest; // SHA-256 of the bytes
        QString kind;      // the type of the bytes, as a file suffix: "jpg", "png", "heic"...
        int width = 0;     // in pixels, as shown: its orientation applied
        int height = 0;
        QByteArray thumbnail;
        QString thumbnailKind; // "jpg" or "png"
    };
    // A photo of an item: its picture and caption.
    struct Photo
    {
        qint64 picture = 0;
        QString caption;
        bool operator==(const Photo&) const = default;
    };

    explicit PhotoTables(std::shared_ptr<Connection> connection);
    ~PhotoTables();
    PhotoTables(const PhotoTables&) = delete;
    PhotoTables& operator=(const PhotoTables&) = delete;

    // An item's photos in order, the main photo first.
    QList<Photo> photosOf(qint64 item);
    // The picture of an item's main photo, if it has one.
    std::optional<qint64> mainPicture(qint64 item);
    std::optional<Picture> picture(qint64 key);
    // The thumbnails of the main photos of these items, by item; an item
    // without photos has none.
    QHash<qint64, QByteArray> mainThumbnails(const QList<qint64>& items);
    QByteArray bytes(qint64 key);
    // The picture of these bytes, if one is stored.
    std::optional<qint64> pictureOf(const QByteArray& digest);

    // Stores a picture: its key, the one stored already for the same bytes.
    qint64 addPicture(const Picture& picture, const QByteArray& bytes);
    // Gives an item these photos, in this order, in place of those it had.
    void setPhotos(qint64 item, const QList<Photo>& photos);
    // Gives an item the photos of another, showing the same pictures.
    void copyPhotos(qint64 from, qint64 to);

    // A photo as an export lists it: the item, the picture, and what names
    // the picture's file.
    struct Listed
    {
        qint64 item = 0;
        qint64 picture = 0;
        QByteArray digest;
        QString kind;
    };
    // Every photo of every item, by item key and then in the item's order.
    std::vector<Listed> everyPhoto();
    // The main photo of every item that has photos, by item key, with its
    // picture's size as shown.
    struct MainPhoto
    {
        Listed listed;
        QSize size;
    };
    QHash<qint64, MainPhoto> mainPhotos();
    // Whether any item has a photo.
    bool anyPhotos();
    // Pictures that no photo shows: none outside a change still being made.
    qint64 unusedPictures();

private:
    void removeIfUnused(qint64 picture);

    std::shared_ptr<Connection> m_connection;
};
