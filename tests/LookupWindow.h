#pragma once

#include "ItemSession.h"

#include "lookups/frmCodesMaint.h"

// A lookup maintenance window opened from the item window's Maintain menu.
struct LookupWindow
{
    LookupWindow(Session& session, int table)
    {
        session.get<QAction>(qPrintable(QStringLiteral("mnuMaint(%1)").arg(table)))->trigger();
        window = session.window->findChildren<frmCodesMaint*>().last();
        activate();
    }

    void activate()
    {
        QApplication::setActiveWindow(window);
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(window, &activation);
    }

    template <class T = QWidget> T* get(const char* name) { return control<T>(window, name); }
    QString text(const char* name) { return get<QLineEdit>(name)->text(); }
    QString desc() { return text("txtDesc"); }
    void click(const char* name) { get<QPushButton>(name)->click(); }
    void type(const char* name, const QString& text)
    {
        auto* box = get<QLineEdit>(name);
        box->selectAll();
        box->insert(text);
    }
    void type(const QString& text) { type("txtDesc", text); }
    bool shown(const char* name) { return !get(name)->isHidden(); }

    frmCodesMaint* window;
};
