#pragma once

#include "ReportRun.h"
#include "frmOutput.h"

#include <QPointer>

class AppState;
class QWidget;

// The preview window of the reports: made when a report first shows a
// document, reused (at its zoom) while it stays open.
class ReportWindow : public ReportPreview
{
public:
    ReportWindow(AppState& state, QWidget* owner)
        : m_state(state)
        , m_owner(owner)
    {}

    void show(std::unique_ptr<ReportEngine> document, const QString& title) override;
    frmOutput* window() const { return m_window; }

private:
    AppState& m_state;
    QWidget* m_owner;
    QPointer<frmOutput> m_window;
};
