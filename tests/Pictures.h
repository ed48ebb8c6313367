#pragma once

// Pictures made for the tests of photos, in every type they are kept in.
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

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
