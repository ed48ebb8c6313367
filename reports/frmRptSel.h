#pragma once

#include <QDialog>

class AppState;
class QListWidget;
class QPushButton;
class QRadioButton;

// Before a grouped report: all groups, or the one picked from the list. OK
// clears Cancelled and sets SelectedGroupID (-1 for all); any other way out
// leaves Cancelled set.
class frmRptSel : public QDialog
{
    Q_OBJECT

public:
    frmRptSel(AppState& state, QWidget* parent);

    QRadioButton* optAll;
    QRadioButton* optSelected;
    QListWidget* List1;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

protected:
    // The list taking the focus with nothing selected selects the entry that
    // has the focus, so that what looks chosen is what OK takes.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();
    void optAll_Click();
    void optSelected_Click();
    void cmdOk_Click();
    void cmdcancel_Click();

    AppState& m_state;
};
