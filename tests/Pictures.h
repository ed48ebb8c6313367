#pragma once

// Pictures made for the tests of photos, in every type they are kept in.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPoint>
#include <QtEndian>

#include <libheif/heif.h>

#include <cstring>

// A picture of width × height: quarters of four colours, so that a turn
// shows in where the red quarter lands.
inline QImage pattern(int width, int height, bool clear = false)
{
    QImage image(width, height, clear ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    image.fill(clear ? Qt::transparent : Qt::white);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::blue);
    return image;
}

inline QByteArray encoded(const QImage& image, const char* format,
                          QImageIOHandler::Transformations turn = QImageIOHandler::TransformationNone)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setTransformation(turn);
    if (!writer.write(image))
        qFatal("cannot write %s: %s", format, qPrintable(writer.errorString()));
    return bytes;
}

inline heif_error writeHeif(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

// The picture as a phone stores it, in HEIC.
inline QByteArray heic(const QImage& source)
{
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder);
    heif_image* image = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        memcpy(plane + y * stride, rgb.constScanLine(y), size_t(rgb.width() * 3));
    heif_context_encode_image(context, image, encoder, nullptr, nullptr);
    QByteArray bytes;
    heif_writer writer{1, writeHeif};
    heif_context_write(context, &writer, &bytes);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
    return bytes;
}

// The checksum of a PNG chunk.
inline quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xffffffffu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

inline QByteArray bigEndian32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToBigEndian(value, bytes.data());
    return bytes;
}

inline QByteArray littleEndian16(quint16 value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

// Bits packed as deflate and GIF pack them: from the lowest bit of each byte.
class PackedBits
{
public:
    void put(quint32 value, int count)
    {
        for (int bit = 0; bit < count; ++bit, ++m_count) {
            if (m_count % 8 == 0)
                m_bytes.append('\0');
            if (value >> bit & 1)
                m_bytes.back() = char(m_bytes.back() | 1 << m_count % 8);
        }
    }
    // A Huffman code of deflate, its highest bit first.
    void code(quint32 value, int count)
    {
        for (int bit = count - 1; bit >= 0; --bit)
            put(value >> bit & 1, 1);
    }
    const QByteArray& bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
    qint64 m_count = 0;
};

// A zlib stream of count zero bytes in one block of deflate's fixed codes:
// a zero, then runs of 258 bytes copying the byte before, then zeros.
inline QByteArray zlibZeros(qint64 count)
{
    PackedBits bits;
    bits.put(1, 1); // the last block
    bits.put(1, 2); // of fixed codes
    qint64 left = count;
    if (left > 0) {
        bits.code(0x30, 8); // a zero
        --left;
    }
    for (; left >= 258; left -= 258) {
        bits.code(0xc5, 8); // 258 bytes
        bits.code(0, 5);    // from one byte back
    }
    for (; left > 0; --left)
        bits.code(0x30, 8);
    bits.code(0, 7); // the block's end
    // the checksum of zeros: its first sum stays 1, its second counts them
    return QByteArray::fromHex("7801") + bits.bytes() + bigEndian32(quint32(count % 65521) << 16 | 1);
}

// A PNG of width × height, eight bits to a channel of the colour type given
// (2: red, green, blue; 6: with alpha), whose pixels are the zlib stream
// given, interlaced or not.
inline QByteArray png(int width, int height, const QByteArray& compressed, char colour = 6,
                      bool interlaced = false)
{
    const auto chunk = [](const char* type, const QByteArray& data) -> QByteArray {
        const QByteArray body = type + data;
        return bigEndian32(quint32(data.size())) + body + bigEndian32(crc32(body));
    };
    const QByteArray header = bigEndian32(quint32(width)) + bigEndian32(quint32(height)) + char(8) + colour +
                              QByteArray(2, '\0') + char(interlaced);
    return "\x89PNG\r\n\x1a\n" + chunk("IHDR", header) + chunk("IDAT", compressed) + chunk("IEND", {});
}

// A PNG of width × height with alpha, all clear. Interlaced, its rows are
// more and shorter: its zeros are as many as its pixels and a filter byte
// for each of up to twice as many rows as the picture's.
inline QByteArray clearPng(int width, int height, bool interlaced = false)
{
    const qint64 zeros = qint64(height) * (interlaced ? 2 : 1) + qint64(height) * width * 4;
    return png(width, height, zlibZeros(zeros), 6, interlaced);
}

// GIF codes of two bits a pixel: a clear code and the end, nothing between.
inline QByteArray gifNoPixels()
{
    PackedBits bits;
    bits.put(4, 3);
    bits.put(5, 3);
    return bits.bytes();
}

// GIF codes of two bits a pixel standing for ever longer runs of pixel 0:
// each of the count codes adds a pixel to the run of the one before, and
// once the table is full repeats its longest run.
inline QByteArray gifLongRuns(int count)
{
    PackedBits bits;
    int width = 3;
    int next = 6;
    bits.put(4, width); // clear
    bits.put(0, width);
    for (int i = 0; i < count; ++i) {
        bits.put(quint32(std::min(next, 4095)), width);
        if (next < 4096 && ++next == 1 << width && width < 12)
            ++width;
    }
    bits.put(5, width); // the end
    return bits.bytes();
}

// A GIF of black and white whose logical screen is screen and whose first
// image, at place and of size, has the pixels the codes give.
inline QByteArray gif(QSize screen, QPoint place, QSize size, const QByteArray& codes)
{
    QByteArray bytes = "GIF89a" + littleEndian16(quint16(screen.width())) +
                       littleEndian16(quint16(screen.height())) + QByteArray::fromHex("800000000000ffffff");
    bytes += ',' + littleEndian16(quint16(place.x())) + littleEndian16(quint16(place.y())) +
             littleEndian16(quint16(size.width())) + littleEndian16(quint16(size.height())) + '\0';
    bytes += '\x02';
    for (qsizetype at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        bytes += char(block.size()) + block;
    }
    return bytes + '\0' + ';';
}

// A BMP of version 5 headers and bit fields that claims side × side pixels
// of 32 bits, and ends two bytes into them.
inline QByteArray hollowBmp(int side)
{
    QByteArray bmp(140, '\0');
    char* at = bmp.data();
    const auto put16 = [&](int offset, quint16 value) { qToLittleEndian(value, at + offset); };
    const auto put32 = [&](int offset, quint32 value) { qToLittleEndian(value, at + offset); };
    at[0] = 'B';
    at[1] = 'M';
    put32(2, 140);
    put32(10, 14 + 124); // where the pixels begin
    put32(14, 124);
    put32(18, quint32(side));
    put32(22, quint32(side));
    put16(26, 1);
    put16(28, 32);
    put32(30, 3); // bit fields
    put32(34, quint32(side) * quint32(side) * 4);
    put32(54, 0x00ff0000); // red
    put32(58, 0x0000ff00); // green
    put32(62, 0x000000ff); // blue
    put32(66, 0xff000000); // alpha
    put32(70, 0x73524742); // sRGB
    return bmp;
}
