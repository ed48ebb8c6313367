#pragma once

#include <QDialog>

class AppState;
class QComboBox;
class QLabel;
class QPushButton;

// "Backup the Plonko Wizmo Database": the collector picks a drive and the
// closed collection file is copied to "Plonko.mdb" in its root folder.
class frmBackup : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kHelpTopic = 43;

    frmBackup(AppState& state, QWidget* parent);

    QLabel* Label1;
    QComboBox* Drive1;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void Form_Load();
    void cmdOk_Click();
    void cmdcancel_Click();

    AppState& m_state;
};
