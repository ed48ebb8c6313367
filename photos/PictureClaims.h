#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>

// What a picture's file claims of itself, weighed against what it holds,
// before a decoder trusts the claim: each refusal is told as the reason a
// photo cannot be kept, and is empty where the file holds what it claims (or
// is too broken to tell, which the decoder then finds).
namespace PictureClaims {

// The size a GIF is decoded at: its logical screen, each side of it that is
// naught taken as far as the first image reaches. Invalid when the file
// is no GIF.
QSize gifCanvas(const QByteArray& bytes);

// A GIF whose first image's compressed pixels go on far beyond what its
// pixels need: the decoder would unpack every one of them.
QString gifBeyondItsPixels(const QByteArray& bytes);

// A PNG whose compressed pixels go on far beyond what its pixels need: the
// decoder would inflate every one of them, however long that takes.
QString pngBeyondItsPixels(const QByteArray& bytes);

// A BMP of uncompressed rows that the file ends before: the decoder would
// keep whatever memory held for the rows it cannot read.
QString bmpBeyondItsFile(const QByteArray& bytes);

} // namespace PictureClaims
