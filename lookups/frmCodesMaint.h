#pragma once

#include <QDialog>

#include <functional>
#include <memory>

class AppState;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class Recordset;
struct LookupTableInfo;

// The maintenance window of one lookup table (the one MaintTable names when
// it opens): browse in description order, add, change, find, and delete the
// entries no item uses. Modeless; several may be open at once.
class frmCodesMaint : public QDialog
{
    Q_OBJECT

public:
    frmCodesMaint(AppState& state, QWidget* parent);
    ~frmCodesMaint() override;

    bool isDirty() const { return Dirty; }
    bool isAdding() const { return Adding; }

protected:
    bool event(QEvent* event) override;
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void placeAfterOpenWindows();
    void Form_Load();
    void Form_Activate();
    void reopenAt(qint32 key);

    void LoadRecord();
    bool SaveRecord();
    void ClearFields();
    void setFieldsEnabled(bool enabled);
    void EnterEditMode();
    void LeaveEditMode();
    void MarkDirty();
    bool ValidateRecord();
    bool withoutConflict(const std::function<void()>& step);

    void cmdFirst_Click();
    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdLast_Click();
    void cmdAddNew_Click();
    void cmdupdate_Click();
    void cmdcancel_Click();
    void cmdDelete_Click();
    void cmdFind_Click();
    void cmdOk_Click();

    AppState& m_state;
    const int CodeTable;
    const LookupTableInfo& m_table;
    const QString DescField;
    const QString IdField;
    std::unique_ptr<Recordset> m_codes;
    bool Dirty = false;
    bool Adding = false;
    bool m_seller;
    qint32 m_shownKey = 0;

    QLabel* lblDesc;
    QLineEdit* txtDesc;
    QLabel* lblBouPhone;
    QLineEdit* txtBouPhone;
    QCheckBox* chkBouFav;
    QLabel* lblBouNotes;
    QPlainTextEdit* txtBouNotes;
    QPushButton* cmdFirst;
    QPushButton* cmdPrevious;
    QPushButton* cmdNext;
    QPushButton* cmdLast;
    QPushButton* cmdAddNew;
    QPushButton* cmdUpdate;
    QPushButton* cmdCancel;
    QPushButton* cmdDelete;
    QPushButton* cmdFind;
    QPushButton* cmdOK;
};
