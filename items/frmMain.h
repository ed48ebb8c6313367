#pragma once

#include <QMainWindow>

#include <array>

class AppState;
class DateBox;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

// The item window: shows one row of the item recordset at a time, switches to
// edit mode on the first change, and is the program's main window (loading it
// starts the program, closing it ends it).
class frmMain : public QMainWindow
{
    Q_OBJECT

public:
    explicit frmMain(AppState& state, QWidget* parent = nullptr);
    ~frmMain() override;

    // The start-up sequence: opens the collection and shows its first item.
    void Form_Load();

    bool isDirty() const { return Dirty; }
    bool isAdding() const { return Adding; }

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildMenus();
    void connectHandlers();
    template <class Signal>
    void on(const typename QtPrivate::FunctionPointer<Signal>::Object* sender, Signal signal,
            void (frmMain::*handler)());

    // moving values between the current row and the controls
    void LoadRecord();
    void SaveRecord();
    void ClearFields();
    void DisableFields();
    void EnableFields();
    void EnterEditMode();
    void LeaveEditMode();
    void MarkDirty();
    void setInputsEnabled(bool enabled);
    void Form_Activate();
    void refillList(QComboBox* list, const QString& sql, const QString& textField, const QString& keyField);

    bool ValidateRecord();
    void cmdAddNew_Click();
    void cmdupdate_Click();
    void cmdcancel_Click();
    void cmdDelete_Click();
    void showItemAt(const QString& criteria);

    void chkWantList_Click();
    void chkSold_Click();
    void cmdHelp_Click();
    void mnuExit_Click();
    void mnuHelp_Click(int index);
    void mnuAbout_Click();

    AppState& m_state;
    bool Dirty = false;
    bool Adding = false;

    QLineEdit* txtName;
    QLineEdit* txtQuantity;
    QLineEdit* txtDescr;
    QLineEdit* txtCatNum;
    QCheckBox* chkWantList;
    QTabWidget* SSTab1;
    QComboBox* cmbToyCon;
    QCheckBox* chkHasTag;
    QComboBox* cmbTagCon;
    QComboBox* cmbGen;
    QCheckBox* chkHasTush;
    QLineEdit* txtTushDesc;
    QComboBox* cmbSer;
    QComboBox* cmbBra;
    QLineEdit* txtColor;
    QLineEdit* txtErrors;
    DateBox* dcIssueDate;
    DateBox* dcRetireDate;
    QLabel* lblPrice;
    QLineEdit* txtPricePaid;
    QLineEdit* txtCatValue;
    QLineEdit* txtPriceAsk;
    DateBox* dcPurchaseDate;
    QComboBox* cmbBou;
    QCheckBox* chkForSale;
    QCheckBox* chkSold;
    DateBox* dcSoldDate;
    QLineEdit* txtTotalPaid;
    QLineEdit* txtTotalVal;
    QLineEdit* txtTotalSales;
    QPushButton* cmdSoldSome;
    QPlainTextEdit* txtNotes;
    QLineEdit* txtMisc1;
    QLineEdit* txtMisc2;
    QPushButton* cmdFirst;
    QPushButton* cmdPrevious;
    QPushButton* cmdNext;
    QPushButton* cmdLast;
    QPushButton* cmdAddNew;
    QPushButton* cmdHelp;
    QPushButton* cmdDelete;
    QPushButton* cmdFind;
    QPushButton* cmdUpdate;
    QPushButton* cmdCancel;

    QAction* mnuBackup;
    QAction* mnuPack;
    QAction* mnuExit;
    std::array<QAction*, 4> mnuSort;
    std::array<QAction*, 6> mnuMaint;
    std::array<QAction*, 3> mnuRptOut;
    std::array<QAction*, 4> mnuRpt;
    QAction* mnuRptValue;
    QAction* mnuRptWant;
    QAction* mnuRptForSale;
    QAction* mnuRptSold;
    QAction* mnuRptSellers;
    QAction* mnuRptCustom;
    std::array<QAction*, 3> mnuHelp;
    QAction* mnuAbout;
};
