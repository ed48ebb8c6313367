#include "LeaveChecks.h"

#include <QApplication>
#include <QFocusEvent>
#include <QTimer>

LeaveChecks::LeaveChecks(QObject* parent)
    : QObject(parent)
{}

void LeaveChecks::add(QWidget* field, Check check)
{
    m_checks.insert(field, std::move(check));
    field->installEventFilter(this);
}

void LeaveChecks::exempt(QWidget* control)
{
    m_exempt.append(control);
}

bool LeaveChecks::checkFocusedField()
{
    QWidget* field = QApplication::focusWidget();
    if (!m_checks.contains(field) || m_returningTo)
        return true;
    return m_checks.value(field)();
}

bool LeaveChecks::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && watched == m_returningTo) {
        m_returningTo.clear();
    } else if (event->type() == QEvent::FocusOut && m_checks.contains(watched) && !m_returningTo) {
        // the focus only passes to a menu, a popup or another window for a while
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            return false;
        // the widget taking the focus is known by now
        if (m_exempt.contains(QApplication::focusWidget()))
            return false;
        auto* field = static_cast<QWidget*>(watched);
        m_returningTo = field;
        if (m_checks.value(watched)()) {
            m_returningTo.clear();
        } else {
            // once the focus has arrived where the user sent it, bring it back
            QTimer::singleShot(0, field, [this, field] {
                field->setFocus(Qt::OtherFocusReason);
                m_returningTo.clear();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}
