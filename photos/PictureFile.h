#pragma once

#include "store/PhotoTables.h"

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <variant>

// Pictures read from the bytes of image files: JPEG, PNG, WebP, TIFF, BMP,
// GIF and HEIC/HEIF. The bytes are kept exactly as the file held them;
// what is read of them is bounded, so that a file claiming a huge picture
// is refused rather than decoded. Safe on any thread.
namespace PictureFile {

// The largest file kept as a picture.
constexpr qint64 kLargestBytes = 40 * 1024 * 1024;
// The longest side of a thumbnail, in pixels.
constexpr int kThumbnailSide = 256;
// The most memory one decoded picture may take.
constexpr int kLargestDecodedMb = 512;

// What the photo tables keep of a picture, read from its bytes (the name
// of its file only names it in a refusal), or why it cannot be kept: its
// file named, and the reason.
std::variant<PhotoTables::Picture, QString> read(const QByteArray& bytes, const QString& name);

// A picture read from its file: what the photo tables keep of it and its
// bytes, or why it cannot be kept. Only a plain file is read (a folder,
// device, pipe or socket is refused), and never more of it than one byte
// past the largest kept, whatever size it claims. Every photo read from a
// file is read here.
struct FromFile
{
    PhotoTables::Picture picture;
    QByteArray bytes;
};
std::variant<FromFile, QString> readFile(const QString& path);

// The picture itself, as shown (its orientation applied), scaled down to
// fit within fitting when that is given; a null image when it cannot be
// decoded.
QImage image(const QByteArray& bytes, QSize fitting = {});

// Bounds what Qt's image readers decode; called by each reading too, and
// once at start-up, before any reading thread runs.
void limitDecoding();

// The file suffixes of the types read, for a file dialog's filter.
QStringList suffixes();

} // namespace PictureFile
