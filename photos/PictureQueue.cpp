#include "PictureQueue.h"

#include <QThreadPool>

#include <condition_variable>
#include <deque>
#include <mutex>

struct PictureQueue::Shared
{
    std::mutex mutex;
    std::condition_variable done;
    std::deque<QString> files;
    std::vector<Read> read;
    bool reading = false;
    bool stopped = false;
};

PictureQueue::PictureQueue()
    : m_shared(std::make_shared<Shared>())
{}

PictureQueue::~PictureQueue()
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->stopped = true;
    m_shared->files.clear();
}

void PictureQueue::add(const QStringList& files)
{
    const std::lock_guard lock(m_shared->mutex);
    m_shared->files.insert(m_shared->files.end(), files.begin(), files.end());
    if (m_shared->reading || m_shared->files.empty())
        return;
    m_shared->reading = true;
    QThreadPool::globalInstance()->start([shared = m_shared] {
        while (true) {
            QString file;
            {
                std::unique_lock lock(shared->mutex);
                if (shared->stopped || shared->files.empty()) {
                    shared->reading = false;
                    shared->done.notify_all();
                    return;
                }
                file = shared->files.front();
                shared->files.pop_front();
            }
            Read read = PictureFile::readFile(file);
            {
                const std::lock_guard lock(shared->mutex);
                if (shared->stopped)
                    continue;
                shared->read.push_back(std::move(read));
                shared->done.notify_all();
            }
        }
    });
}

std::vector<PictureQueue::Read> PictureQueue::take()
{
    const std::lock_guard lock(m_shared->mutex);
    return std::exchange(m_shared->read, {});
}

bool PictureQueue::waitForNext(int ms)
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->done.wait_for(lock, std::chrono::milliseconds(ms),
                            [&] { return !m_shared->reading || !m_shared->read.empty(); });
    return m_shared->reading;
}
