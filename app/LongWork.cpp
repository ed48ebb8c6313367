#include "LongWork.h"

#include "AppState.h"

LongWork::LongWork(AppState& state, Text text, Cancel cancel)
    : m_dialogs(state.dialogs)
    , m_clock(state.clock)
    , m_text(std::move(text))
    , m_next(m_clock() + kShowAfterMs)
    , m_cancel(cancel)
{
    m_dialogs.setBusy(true);
}

LongWork::~LongWork()
{
    off();
}

bool LongWork::step(qint64 done, qint64 total)
{
    if (m_stopped)
        return false;
    const qint64 now = m_clock();
    if (now < m_next)
        return true;
    m_next = now + kUpdateEveryMs;
    if (!m_dialog) {
        m_dialog = m_dialogs.progressDialog(m_cancel == Cancel::Offered);
        // the dialog is the sign of the work now, and its Cancel is to be pointed at
        m_dialogs.setBusy(m_busy = false);
        if (m_count)
            m_counted = m_count();
    }
    if (total == 0)
        total = m_counted;
    m_stopped = !m_dialog->update(m_text(done, total), done, total);
    return !m_stopped;
}

void LongWork::off()
{
    m_dialog.reset();
    if (m_busy)
        m_dialogs.setBusy(m_busy = false);
}
