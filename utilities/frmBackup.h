#pragma once

#include <QDialog>

#include <memory>

class AppState;
class QComboBox;
class QLabel;
class QPushButton;
namespace CollectionFiles {
class Hold;
}

// "Backup the Plonko Wizmo Database": the collector picks a drive and the
// closed collection file is copied to "Plonko.mdb" in its root folder. It is
// made while the collection is closed, and holds the file against other
// copies of the program while it is open.
class frmBackup : public QDialog
{
    Q_OBJECT

public:
    static constexpr int kHelpTopic = 43;

    frmBackup(AppState& state, QWidget* parent);
    ~frmBackup() override;

    QLabel* Label1;
    QComboBox* Drive1;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void Form_Load();
    void cmdOk_Click();
    void cmdcancel_Click();

    AppState& m_state;
    std::unique_ptr<CollectionFiles::Hold> m_hold;
};
