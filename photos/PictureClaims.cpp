#include "PictureClaims.h"

#include <QScopeGuard>
#include <QtEndian>

#include <zlib.h>

#include <array>
#include <cstdlib>

namespace PictureClaims {
namespace {

// What a decoder may unpack past what the pixels need before the file is
// taken to go on beyond them: a sloppy writer's leftovers, never its cost.
constexpr qint64 kLeeway = 64 * 1024;

QString beyondItsPixels(qint64 width, qint64 height)
{
    return QStringLiteral("its compressed pixels go on far beyond what its %1 × %2 pixels need")
        .arg(width)
        .arg(height);
}

// A GIF as far as the first image's compressed pixels: its logical screen,
// the first image's place and size, and where its blocks of pixels begin.
struct GifStart
{
    int screenWidth = 0;
    int screenHeight = 0;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    qsizetype pixels = -1; // the code size byte; -1: no image found
};

GifStart gifStart(const QByteArray& bytes)
{
    GifStart start;
    const auto byte = [&](qsizetype at) { return at < bytes.size() ? quint8(bytes[at]) : 0; };
    const auto le16 = [&](qsizetype at) { return byte(at) | byte(at + 1) << 8; };
    if (bytes.size() < 13 || !bytes.startsWith("GIF"))
        return start;
    start.screenWidth = le16(6);
    start.screenHeight = le16(8);
    qsizetype at = 13;
    if (byte(10) & 0x80)
        at += 3 * (2 << (byte(10) & 7));
    // the extensions before the first image, each a run of sub-blocks
    while (at < bytes.size() && byte(at) == 0x21) {
        at += 2;
        while (at < bytes.size() && byte(at) != 0)
            at += 1 + byte(at);
        ++at;
    }
    if (at + 10 > bytes.size() || byte(at) != 0x2c)
        return start;
    start.left = le16(at + 1);
    start.top = le16(at + 3);
    start.width = le16(at + 5);
    start.height = le16(at + 7);
    const int flags = byte(at + 9);
    at += 10;
    if (flags & 0x80)
        at += 3 * (2 << (flags & 7));
    start.pixels = at;
    return start;
}

// The pixels a PNG's row of this many pixels takes inflated, with the byte
// that tells its filter; none for a row of no pixels.
qint64 pngRowBytes(qint64 pixels, int bitsPerPixel)
{
    return pixels > 0 ? 1 + (pixels * bitsPerPixel + 7) / 8 : 0;
}

// The bytes of a PNG's pixels inflated: every row of every pass (seven when
// interlaced, each taking every so many pixels from a first one).
qint64 pngPixelBytes(qint64 width, qint64 height, int bitsPerPixel, bool interlaced)
{
    if (!interlaced)
        return height * pngRowBytes(width, bitsPerPixel);
    static constexpr int firstColumn[] = {0, 4, 0, 2, 0, 1, 0};
    static constexpr int columnStep[] = {8, 8, 4, 4, 2, 2, 1};
    static constexpr int firstRow[] = {0, 0, 4, 0, 2, 0, 1};
    static constexpr int rowStep[] = {8, 8, 8, 4, 4, 2, 2};
    qint64 total = 0;
    for (int pass = 0; pass < 7; ++pass) {
        const qint64 columns = (width - firstColumn[pass] + columnStep[pass] - 1) / columnStep[pass];
        const qint64 rows = (height - firstRow[pass] + rowStep[pass] - 1) / rowStep[pass];
        if (rows > 0)
            total += rows * pngRowBytes(columns, bitsPerPixel);
    }
    return total;
}

} // namespace

QSize gifCanvas(const QByteArray& bytes)
{
    const GifStart start = gifStart(bytes);
    if (!bytes.startsWith("GIF") || bytes.size() < 13)
        return {};
    return QSize(start.screenWidth > 0 ? start.screenWidth : start.left + start.width,
                 start.screenHeight > 0 ? start.screenHeight : start.top + start.height);
}

QString gifBeyondItsPixels(const QByteArray& bytes)
{
    const GifStart start = gifStart(bytes);
    if (start.pixels < 0 || start.pixels >= bytes.size())
        return {};
    const int least = quint8(bytes[start.pixels]);
    if (least < 1 || least > 11)
        return {};
    // the codes, read as the decoder reads them, counting the pixels each
    // stands for: a code adds one to the run of the code before it
    const int clear = 1 << least;
    std::array<qint64, 4096> run{};
    for (int code = 0; code < clear; ++code)
        run[code] = 1;
    const qint64 most = qint64(start.width) * start.height + kLeeway;
    int width = least + 1;
    int next = clear + 2;
    int before = -1;
    qint64 pixels = 0;
    quint32 held = 0;
    int bits = 0;
    qsizetype at = start.pixels + 1;
    while (at < bytes.size()) {
        const int block = quint8(bytes[at++]);
        if (block == 0 || block > bytes.size() - at)
            return {};
        for (const qsizetype end = at + block; at < end; ++at) {
            held |= quint32(quint8(bytes[at])) << bits;
            bits += 8;
            while (bits >= width) {
                const int code = int(held & ((1u << width) - 1));
                held >>= width;
                bits -= width;
                if (code == clear) {
                    width = least + 1;
                    next = clear + 2;
                    before = -1;
                    continue;
                }
                if (code == clear + 1)
                    return {};
                if (before < 0) {
                    pixels += 1;
                } else {
                    const qint64 added = run[before] + 1;
                    pixels += code < next ? run[code] : added;
                    if (next < 4096) {
                        run[next++] = added;
                        if (next == 1 << width && width < 12)
                            ++width;
                    }
                }
                before = code < next ? code : next - 1;
                if (pixels > most)
                    return beyondItsPixels(start.width, start.height);
            }
        }
    }
    return {};
}

QString pngBeyondItsPixels(const QByteArray& bytes)
{
    if (bytes.size() < 33 || bytes.mid(12, 4) != "IHDR")
        return {};
    const auto be32 = [&](qsizetype at) { return qFromBigEndian<quint32>(bytes.constData() + at); };
    const qint64 width = be32(16);
    const qint64 height = be32(20);
    const int depth = quint8(bytes[24]);
    // the channels of each colour type: grey, -, colour, palette, grey and
    // alpha, -, colour and alpha
    static constexpr int channels[] = {1, 0, 3, 1, 2, 0, 4};
    const int colour = quint8(bytes[25]);
    if (colour > 6 || channels[colour] == 0)
        return {};
    const qint64 most = pngPixelBytes(width, height, depth * channels[colour], bytes[28] == 1) + kLeeway;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return {};
    const auto ending = qScopeGuard([&] { inflateEnd(&stream); });
    // inflated only to be counted
    std::array<Bytef, 64 * 1024> sink;
    qint64 inflated = 0;
    for (qsizetype at = 8; at + 12 <= bytes.size();) {
        const qint64 length = be32(at);
        if (length > bytes.size() - at - 12)
            return {};
        const QByteArrayView type(bytes.constData() + at + 4, 4);
        if (type == "IEND")
            return {};
        if (type == "IDAT") {
            stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData() + at + 8));
            stream.avail_in = uInt(length);
            while (stream.avail_in > 0) {
                stream.next_out = sink.data();
                stream.avail_out = uInt(sink.size());
                const int result = inflate(&stream, Z_NO_FLUSH);
                inflated += qint64(sink.size() - stream.avail_out);
                if (inflated > most)
                    return beyondItsPixels(width, height);
                // at their end, or broken: the decoder reads as far as they go
                if (result != Z_OK)
                    return {};
            }
        }
        at += 12 + length;
    }
    return {};
}

QString bmpBeyondItsFile(const QByteArray& bytes)
{
    if (bytes.size() < 30 || !bytes.startsWith("BM"))
        return {};
    const auto le16 = [&](qsizetype at) { return qFromLittleEndian<quint16>(bytes.constData() + at); };
    const auto le32 = [&](qsizetype at) { return qFromLittleEndian<quint32>(bytes.constData() + at); };
    const qint64 header = le32(14);
    qint64 width = 0;
    qint64 height = 0;
    int bits = 0;
    if (header == 12) {
        width = qint16(le16(18));
        height = qint16(le16(20));
        bits = le16(24);
    } else if (bytes.size() >= 34) {
        width = qint32(le32(18));
        height = std::abs(qint64(qint32(le32(22))));
        bits = le16(28);
        // rows compressed by runs take what they take; any other
        // compression but bit fields leaves no rows to count
        const quint32 compression = le32(30);
        if (compression != 0 && compression != 3 && compression != 6)
            return {};
    }
    if (width <= 0 || height <= 0 || bits <= 0)
        return {};
    // the rows begin where the file says, past its headers at least; each
    // is padded to four bytes
    const qint64 start = std::max<qint64>(le32(10), 14 + header);
    const qint64 row = (width * bits + 31) / 32 * 4;
    if (start + row * height <= bytes.size())
        return {};
    return QStringLiteral("the file ends before the pixels it claims (%1 × %2)").arg(width).arg(height);
}

} // namespace PictureClaims
