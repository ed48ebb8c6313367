#pragma once

#include "ReportSpecification.h"

#include <QWidget>

#include <array>

class AppState;
class DateBox;
class LeaveChecks;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QTabWidget;
class ReportPreview;

// "Custom Report": the collector picks fields from the catalogue, orders
// them, sets each one's width, hiding, total and conditions and the report's
// options, and generates the report. Everything chosen stays while the window
// is open; closing it forgets it.
class frmRptSpec : public QWidget
{
    Q_OBJECT

public:
    // the help topic on custom reports, which F1 opens
    static constexpr int kHelpTopic = 63;

    frmRptSpec(AppState& state, ReportPreview& preview, QWidget* owner);
    ~frmRptSpec() override;

    const ReportSpecification& reportSpecification() const { return m_spec; }

    QTabWidget* SSTab1;
    QListWidget* List1;
    QListWidget* List2;
    QPushButton* cmdAdd;
    QPushButton* cmdRemove;
    QPushButton* cmdUp;
    QPushButton* cmdDown;
    QGroupBox* frame1;
    QCheckBox* chkHide;
    QLineEdit* txtWidth;
    std::array<QGroupBox*, 4> fraSel; // by kind, 1 to 4
    QLineEdit* txtStarting;
    QLineEdit* txtGreater;
    QLineEdit* txtLess;
    QCheckBox* chkTotal;
    DateBox* dcStartDate;
    DateBox* dcEndDate;
    QRadioButton* optTrue;
    QRadioButton* optFalse;
    QLineEdit* txtTitle;
    std::array<QRadioButton*, 3> optReportTo; // 1 to 3
    QGroupBox* fraOrient;
    std::array<QRadioButton*, 2> optOrient; // 0 portrait, 1 landscape
    QGroupBox* fraFormat;
    QCheckBox* chkDate;
    QComboBox* cmbPageNum;
    std::array<QRadioButton*, 2> optWidth; // 0 inches, 1 centimetres
    QComboBox* cmbSort1;
    QComboBox* cmbSort2;
    QPushButton* cmdGenerate;
    QPushButton* cmdCancel;

private:
    void buildControls();
    void Form_Load();
    bool keepTypedDetails();
    void ShowFieldDetails();
    void cmdAdd_Click();
    void cmdRemove_Click();
    void cmdUp_Click();
    void cmdDown_Click();
    void moveSelected(int step);
    bool txtWidth_LostFocus();
    bool boundLostFocus(QLineEdit* box, QString FieldSetting::*member);
    void storeDate(const DateBox* box, QDate FieldSetting::*member);
    void optReportTo_Click();
    void cmdGenerate_Click();
    void cmdCancel_Click();
    FieldSetting& current() { return m_spec.setting(CurrentSpecID); }
    void message(const QString& text);

    AppState& m_state;
    ReportPreview& m_preview;
    LeaveChecks* m_leaveChecks;
    ReportSpecification m_spec;
    qint32 CurrentSpecID = 0;
    int CurrentKind = 1; // the selection frame shown, 1 to 4; 0 for none
};
