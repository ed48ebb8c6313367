#pragma once

#include "Dialogs.h"

#include <QString>

#include <functional>
#include <memory>

class AppState;

// The one way long work shows itself: the hourglass at once and, once the
// work has taken half a second, a progress dialog saying how far it has got,
// brought up to date at most every tenth of a second. Its "&Cancel" stops
// the work at the work's next step.
class LongWork
{
public:
    // What is being done, from how far it has got (as "Saving the PDF: page
    // 3 of 12"); only asked when the dialog shows it.
    using Text = std::function<QString(qint64 done, qint64 total)>;

    enum class Cancel
    {
        Offered,
        // work that must run to its end: the dialog has no Cancel
        NotOffered
    };

    LongWork(AppState& state, Text text, Cancel cancel = Cancel::Offered);
    ~LongWork();
    LongWork(const LongWork&) = delete;
    LongWork& operator=(const LongWork&) = delete;

    // The total of work that tells none at its steps, counted once the dialog
    // first shows: a count costs time that work under half a second should
    // not pay.
    void countWith(std::function<qint64()> count) { m_count = std::move(count); }
    // The work has done this much of total (0 when not known); false once
    // the user stopped it.
    bool step(qint64 done, qint64 total);
    bool stopped() const { return m_stopped; }
    // The dialog closed and the hourglass off, before a message or at the end.
    void off();

    static constexpr qint64 kShowAfterMs = 500;
    static constexpr qint64 kUpdateEveryMs = 100;

private:
    Dialogs& m_dialogs;
    const std::function<qint64()>& m_clock;
    Text m_text;
    std::function<qint64()> m_count;
    qint64 m_counted = 0;
    qint64 m_next;
    Cancel m_cancel;
    bool m_busy = true;
    bool m_stopped = false;
    std::unique_ptr<ProgressDialog> m_dialog;
};
