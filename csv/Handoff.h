#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>

// Hands batches of work from the thread that makes them to the one that
// takes them, at most a few waiting at a time, so that memory stays the same
// however far the maker could run ahead. The maker ends with finish() or,
// when it fails, with fail(); the taker stops the maker with giveUp().
//
// The taker hands each batch back when done with it, and the maker empties
// and fills it again: what a batch holds is freed on the thread that made
// it, where the allocator makes it again at once, and not on the other,
// where it would cost both threads its locks.
template <typename Batch> class Handoff
{
public:
    explicit Handoff(std::size_t mostWaiting)
        : m_mostWaiting(mostWaiting)
    {}

    // Waits for room; false once the taker gave up, and the batch is dropped.
    bool give(Batch batch)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_givenUp || m_waiting.size() < m_mostWaiting; });
        if (m_givenUp)
            return false;
        m_waiting.push_back(std::move(batch));
        m_changed.notify_all();
        return true;
    }
    // A batch handed back, to empty and fill again; a new one when none is.
    Batch reused()
    {
        std::unique_lock lock(m_mutex);
        if (m_returned.empty())
            return {};
        Batch batch = std::move(m_returned.front());
        m_returned.pop_front();
        return batch;
    }
    void finish()
    {
        const std::lock_guard lock(m_mutex);
        m_finished = true;
        m_changed.notify_all();
    }
    void fail(std::exception_ptr failure)
    {
        const std::lock_guard lock(m_mutex);
        m_failure = std::move(failure);
        m_finished = true;
        m_changed.notify_all();
    }

    // The next batch; none once the maker finished and every batch was
    // taken. Throws what the maker failed with, after the batches before it.
    std::optional<Batch> take()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_finished || !m_waiting.empty(); });
        if (m_waiting.empty()) {
            if (m_failure)
                std::rethrow_exception(m_failure);
            return std::nullopt;
        }
        Batch batch = std::move(m_waiting.front());
        m_waiting.pop_front();
        m_changed.notify_all();
        return batch;
    }
    void giveBack(Batch batch)
    {
        const std::lock_guard lock(m_mutex);
        m_returned.push_back(std::move(batch));
    }
    void giveUp()
    {
        const std::lock_guard lock(m_mutex);
        m_givenUp = true;
        m_waiting.clear();
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Batch> m_waiting;
    std::deque<Batch> m_returned;
    std::size_t m_mostWaiting;
    bool m_finished = false;
    bool m_givenUp = false;
    std::exception_ptr m_failure;
};
