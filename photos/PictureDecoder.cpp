#include "PictureDecoder.h"

#include "PictureFile.h"

#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>

#include <memory>

PictureDecoder::PictureDecoder(QObject* parent)
    : QObject(parent)
    , m_watcher(new QFutureWatcher<QImage>(this))
{
    connect(m_watcher, &QFutureWatcher<QImage>::finished, this, [this] {
        const QFuture<QImage> future = m_watcher->future();
        if (!future.isCanceled() && future.resultCount() > 0)
            emit decoded(future.result());
    });
}

PictureDecoder::~PictureDecoder()
{
    cancel();
}

void PictureDecoder::decode(const QByteArray& bytes, QSize fitting)
{
    cancel();
    // shared with the thread that decodes: a watcher given another picture
    // drops what it has not handed back of this one
    auto promise = std::make_shared<QPromise<QImage>>();
    m_watcher->setFuture(promise->future());
    QThreadPool::globalInstance()->start([promise, bytes, fitting] {
        promise->start();
        if (!promise->isCanceled())
            promise->addResult(PictureFile::image(bytes, fitting));
        promise->finish();
    });
}

void PictureDecoder::cancel()
{
    m_watcher->future().cancel();
}
