#include "ReportWindow.h"

#include "ReportEngine.h"
#include "frmOutput.h"

void ReportWindow::show(std::unique_ptr<ReportEngine> document, const QString& title)
{
    const bool placed = m_window;
    if (!placed)
        m_window = new frmOutput(m_state, m_owner);
    m_window->showDocument(std::move(document), title);
    if (!placed)
        m_window->placeForPage();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}
