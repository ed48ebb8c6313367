#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>

template <class T> class QFutureWatcher;

// A picture decoded on a thread of the pool and handed back by decoded(),
// so that a window never waits for a decoder. Only the picture asked for
// last is handed back: one asked for before it is not decoded, or its
// result is dropped if its decoding had begun.
class PictureDecoder : public QObject
{
    Q_OBJECT

public:
    explicit PictureDecoder(QObject* parent = nullptr);
    ~PictureDecoder() override;

    // Decodes the picture of these bytes as PictureFile::image does.
    void decode(const QByteArray& bytes, QSize fitting);
    // Drops the picture being decoded.
    void cancel();

signals:
    // The picture asked for last; a null image when it cannot be decoded.
    void decoded(const QImage& image);

private:
    QFutureWatcher<QImage>* m_watcher;
};
