#pragma once

#include "CalendarMonth.h"

#include <QDate>
#include <QDialog>

class AppState;
class QKeyEvent;
class QLineEdit;
class QTableWidget;
class QToolButton;

// The calendar: one click on a day chooses it and closes the window, handing
// the day back in PickedDate; the close box leaves PickedDate as it was.
class frmDateEnt : public QDialog
{
    Q_OBJECT

public:
    // The help topic F1 opens.
    static constexpr int kHelpTopic = 61;

    // Shows the month of PickedDate (of today when that is no date).
    frmDateEnt(AppState& state, QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowMonth();
    void Grid1_Click(int week, int column);
    void spin(int which, ShortMonth shortMonth = ShortMonth::FirstDay);
    // PageUp and PageDown: a month; with Ctrl or Shift, a year.
    bool pageKey(const QKeyEvent& key);

    AppState& m_state;
    QDate CurDate;
    QLineEdit* txtMonth;
    QLineEdit* txtYear;
    QToolButton* Spin1Up;
    QToolButton* Spin1Down;
    QToolButton* Spin2Up;
    QToolButton* Spin2Down;
    QTableWidget* Grid1;
};
