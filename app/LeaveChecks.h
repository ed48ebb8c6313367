#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>

// "Check on leaving": a field's check runs when the focus leaves it; a check
// that fails (it has shown its message) gets the focus put back into its
// field. While the focus travels back, no other field's check runs, so two
// fields that each refuse the focus never send it to and fro, and a message
// box taking the focus starts no check. One object serves a whole window.
class LeaveChecks : public QObject
{
    Q_OBJECT

public:
    using Check = std::function<bool()>;

    explicit LeaveChecks(QObject* parent = nullptr);

    void add(QWidget* field, Check check);
    // Taking the focus to this control (a Cancel button, say) runs no check:
    // what the field holds is about to be thrown away.
    void exempt(QWidget* control);
    // Runs the check of the field that has the focus, if it has one: a button
    // pressed by its shortcut takes no focus, yet what the field holds must
    // pass before it is saved. False when the field refused.
    bool checkFocusedField();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QObject*, Check> m_checks;
    QList<QWidget*> m_exempt;
    QPointer<QWidget> m_returningTo;
};
