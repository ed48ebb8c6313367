#pragma once

#include "store/PhotoTables.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

// The photos of one item as the collector edits them: added, removed,
// reordered and captioned here, stored with the item's fields in the same
// transaction, and forgotten when the edit is cancelled. The first is the
// item's main photo.
class PhotoSet
{
public:
    // A photo: of a picture stored already, or of one added in this edit,
    // whose bytes are kept here until the edit is saved.
    struct Photo
    {
        qint64 picture = 0; // 0 until an added picture is stored
        PhotoTables::Picture read;
        std::shared_ptr<const QByteArray> bytes; // of an added picture
        QString caption;
    };

    // The photos the item has in the tables (none for a new item).
    void load(PhotoTables& tables, qint64 item);
    void clear();

    qsizetype count() const { return m_photos.size(); }
    const Photo& at(qsizetype i) const { return m_photos[i]; }
    // The bytes of photo i, from this set or from the tables.
    QByteArray bytes(PhotoTables& tables, qsizetype i) const;
    // True when the photos differ from those loaded.
    bool changed() const { return m_changed; }

    // Adds a picture, as PictureFile read it from bytes, after the others.
    void add(const PhotoTables::Picture& picture, const QByteArray& bytes);
    void remove(qsizetype i);
    // Moves photo from to place to (0: the main photo).
    void move(qsizetype from, qsizetype to);
    void setCaption(qsizetype i, const QString& caption);

    // Stores the photos as the item's, its earlier ones replaced, within
    // the caller's transaction; the pictures added are stored once each.
    // The set is left as it is, so that a save rolled back can be made
    // again: load it once the transaction is committed.
    void save(PhotoTables& tables, qint64 item) const;

private:
    QList<Photo> m_photos;
    bool m_changed = false;
};
