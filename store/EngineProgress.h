#pragma once

#include <sqlite3.h>

#include <exception>
#include <functional>

// While it lives, asks going() every so many of the engine's steps of the
// statements of a connection, and interrupts the statement that runs once it
// answers false or throws: that statement then fails, stopped() tells why,
// and rethrow() throws again what going() threw, which must never pass
// through the engine itself.
class EngineProgress
{
public:
    // some thousandth of a second of the engine's work between two questions
    static constexpr int kEngineSteps = 100000;

    EngineProgress(sqlite3* db, std::function<bool()> going)
        : m_db(db)
        , m_going(std::move(going))
    {
        if (m_going)
            sqlite3_progress_handler(m_db, kEngineSteps, &EngineProgress::ask, this);
    }
    ~EngineProgress()
    {
        if (m_going)
            sqlite3_progress_handler(m_db, 0, nullptr, nullptr);
    }
    EngineProgress(const EngineProgress&) = delete;
    EngineProgress& operator=(const EngineProgress&) = delete;

    bool stopped() const { return m_stopped; }
    void rethrow() const
    {
        if (m_thrown)
            std::rethrow_exception(m_thrown);
    }

private:
    static int ask(void* self)
    {
        auto* progress = static_cast<EngineProgress*>(self);
        try {
            progress->m_stopped = !progress->m_going();
        } catch (...) {
            progress->m_thrown = std::current_exception();
            progress->m_stopped = true;
        }
        return progress->m_stopped ? 1 : 0;
    }

    sqlite3* m_db;
    std::function<bool()> m_going;
    bool m_stopped = false;
    std::exception_ptr m_thrown;
};
