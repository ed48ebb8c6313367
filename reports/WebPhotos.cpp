#include "WebPhotos.h"

#include "ReportFile.h"

#include "photos/PictureFile.h"
#include "store/Database.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

// across the page, in pixels
constexpr int kShownWidth = 150;

// The types a browser shows as they are.
bool shownByBrowsers(const QString& kind)
{
    static const QSet<QString> shown{u"jpg"_s, u"png"_s, u"gif"_s, u"webp"_s, u"bmp"_s};
    return shown.contains(kind);
}

} // namespace

WebPhotos::WebPhotos(Database& db, const QString& pagePath)
    : m_db(db)
{
    const QFileInfo page(pagePath);
    m_folderName = page.completeBaseName() + u"_files"_s;
    m_folder = page.dir().filePath(m_folderName);
}

WebPhotos::~WebPhotos()
{
    if (m_kept)
        return;
    for (const QString& path : std::as_const(m_made))
        QFile::remove(path);
    if (m_madeFolder)
        QDir().rmdir(m_folder);
}

std::optional<QString> WebPhotos::write(const PhotoTables::Listed& photo)
{
    if (m_written.contains(photo.picture))
        return std::nullopt;
    if (!m_folderReady) {
        m_madeFolder = !QFileInfo::exists(m_folder);
        if (!QDir().mkpath(m_folder))
            return u"The folder '%1' could not be made."_s.arg(QDir::toNativeSeparators(m_folder));
        m_folderReady = true;
    }
    QSaveFile file(QDir(m_folder).filePath(fileName(photo)));
    // a file of the name holds the same picture, written by an earlier table
    if (QFileInfo::exists(file.fileName())) {
        m_written.insert(photo.picture);
        return std::nullopt;
    }
    m_made.append(file.fileName());
    const std::optional<QByteArray> bytes = fileBytes(photo, m_db.OpenPhotoTables()->bytes(photo.picture));
    if (!bytes)
        return QDir::toNativeSeparators(file.fileName()) + u": the picture cannot be read."_s;
    if (!file.open(QIODevice::WriteOnly) || file.write(*bytes) != bytes->size() || !file.commit())
        return QDir::toNativeSeparators(file.fileName()) + u": "_s + file.errorString();
    m_written.insert(photo.picture);
    return std::nullopt;
}

QString WebPhotos::fileName(const PhotoTables::Listed& photo)
{
    return QString::fromLatin1(photo.digest.toHex()) + u'.' +
           (shownByBrowsers(photo.kind) ? photo.kind : u"jpg"_s);
}

std::optional<QByteArray> WebPhotos::fileBytes(const PhotoTables::Listed& photo,
                                               const QByteArray& pictureBytes)
{
    if (pictureBytes.isEmpty())
        return std::nullopt;
    if (shownByBrowsers(photo.kind))
        return pictureBytes;
    QByteArray jpeg;
    QBuffer buffer(&jpeg);
    buffer.open(QIODevice::WriteOnly);
    if (!PictureFile::image(pictureBytes).save(&buffer, "jpeg", 90))
        return std::nullopt;
    return jpeg;
}

QString WebPhotos::cell(const QString& folderName, const PhotoTables::Listed& photo)
{
    const QString file = ReportLines::htmlText(QString::fromUtf8(QUrl::toPercentEncoding(folderName)) + u'/' +
                                               fileName(photo));
    return u"<td><a href=\""_s + file + u"\"><img src=\""_s + file + u"\" width="_s +
           QString::number(kShownWidth) + u"></a></td>"_s;
}
