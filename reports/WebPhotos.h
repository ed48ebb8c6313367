#pragma once

#include "store/PhotoTables.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

class Database;

// The photos of a web table, in a folder beside its page named after it
// ("Insurance_files" beside "Insurance.htm"): each picture once, named by the
// SHA-256 of its bytes, in a type a browser shows (a HEIC or TIFF picture is
// written as a JPEG). The files it made, and the folder if it made it, are
// removed again unless keep() is called once the page is committed.
class WebPhotos
{
public:
    WebPhotos(Database& db, const QString& pagePath);
    ~WebPhotos();
    WebPhotos(const WebPhotos&) = delete;
    WebPhotos& operator=(const WebPhotos&) = delete;

    // The folder's name, as the page's links begin.
    const QString& folderName() const { return m_folderName; }
    // Writes the photo's file, the first time it is asked for; why it could
    // not be written, or nothing.
    std::optional<QString> write(const PhotoTables::Listed& photo);
    // The page was written: the files stay.
    void keep() { m_kept = true; }

    static QString fileName(const PhotoTables::Listed& photo);
    // The bytes of the photo's file, from those of its picture; nothing when
    // they cannot be had (no picture, or one that does not decode).
    static std::optional<QByteArray> fileBytes(const PhotoTables::Listed& photo,
                                               const QByteArray& pictureBytes);
    // A cell of the page with the photo 150 pixels wide, linking to it whole.
    static QString cell(const QString& folderName, const PhotoTables::Listed& photo);

private:
    Database& m_db;
    QString m_folderName;
    QString m_folder;
    QSet<qint64> m_written;
    QStringList m_made;
    bool m_folderReady = false;
    bool m_madeFolder = false;
    bool m_kept = false;
};
