#pragma once

#include "ScriptedDialogs.h"
#include "TestCollection.h"

#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "dates/DateBox.h"
#include "items/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <memory>

// A control of a window by its object name; a test cannot go on without it.
template <class T = QWidget> T* control(QWidget* window, const char* name)
{
    T* widget = window->findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no control %s", name);
    return widget;
}

// The item window on a test collection, started as the program starts it.
struct Session
{
    explicit Session(bool withItems = true,
                     const QLocale& locale = QLocale(QLocale::English, QLocale::UnitedStates))
        : collection(withItems)
        , state(dialogs, RegionalSettings(locale))
    {
        QDir::setCurrent(collection.folder());
        state.today = [] { return QDate(2026, 12, 7); };
        window = std::make_unique<frmMain>(state);
        runEvent(state, [&] { window->Form_Load(); });
        window->show();
        QApplication::setActiveWindow(window.get()); // focus events need an active window
        activate();
    }

    void activate()
    {
        QEvent activation(QEvent::WindowActivate);
        QApplication::sendEvent(window.get(), &activation);
    }

    template <class T = QWidget> T* get(const char* name) { return control<T>(window.get(), name); }
    QString text(const char* name) { return get<QLineEdit>(name)->text(); }
    void click(const char* name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    // Moves the focus as a person would, so that leave checks run.
    void focus(const char* name) { get(name)->setFocus(Qt::TabFocusReason); }
    void type(const char* name, const QString& text)
    {
        auto* box = get<QLineEdit>(name);
        box->setFocus();
        box->selectAll();
        box->insert(text); // typed as one edit: the key simulation knows no "€"
    }
    QStringList entries(const char* list)
    {
        QStringList texts;
        auto* combo = get<QComboBox>(list);
        for (int i = 0; i < combo->count(); ++i)
            texts.append(combo->itemText(i));
        return texts;
    }

    TestCollection collection;
    ScriptedDialogs dialogs;
    AppState state;
    std::unique_ptr<frmMain> window;
};

// Presses each key ("Tab", "Shift+Tab", "Ctrl+PgDown", ...) on whatever has
// the focus at that moment, as a person types them one after another.
inline void pressKeys(const QStringList& keys)
{
    for (const QString& key : keys) {
        const QKeyCombination combination = QKeySequence::fromString(key)[0];
        QTest::keyClick(QApplication::focusWidget(), combination.key(), combination.keyboardModifiers());
    }
}
