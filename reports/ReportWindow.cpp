#include "ReportWindow.h"

#include "ReportEngine.h"
#include "frmOutput.h"

void ReportWindow::show(std::unique_ptr<ReportEngine> document, const QString& title)
{
    if (!m_window)
        m_window = new frmOutput(m_state, m_owner);
    m_window->showDocument(std::move(document), title);
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
