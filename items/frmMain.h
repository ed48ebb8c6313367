#pragma once

#include "app/ErrorHandler.h"
#include "utilities/CollectionHolder.h"

#include <QMainWindow>
#include <QPointer>

#include <array>
#include <memory>

class AppState;
class DateBox;
class ExactAmounts;
class LeaveChecks;
class PhotoStrip;
class PhotoTables;
class ReportWindow;
class QLineEdit;
class frmFind;
class frmItemList;
class frmStatistics;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

// The item window: shows one row of the item recordset at a time, switches to
// edit mode on the first change, and is the program's main window (loading it
// starts the program, closing it ends it).
class frmMain : public QMainWindow, public CollectionHolder
{
    Q_OBJECT

public:
    explicit frmMain(AppState& state, QWidget* parent = nullptr);
    ~frmMain() override;

    // The start-up sequence: opens the collection and shows its first item.
    void Form_Load();

    // Closes the window, and with it the database, for a backup or
    // compaction (UtilityRunning keeps the program running); false when the
    // collector chose to stay in an unsaved edit.
    bool closeForUtility() override;
    // Opens the collection again and shows the window on its first item.
    void reopenAfterUtility() override;
    QWidget* holdingWindow() override { return this; }

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
    template <class Sender, class Signal> void on(Sender* sender, Signal signal, void (frmMain::*handler)())
    {
        connectHandler(m_state, this, sender, signal, handler);
    }

    // moving values between the current row and the controls
    void LoadRecord();
    bool SaveRecord();
    void setFieldsFromControls();
    void ClearFields();
    void DisableFields();
    void EnableFields();
    void EnterEditMode();
    void LeaveEditMode();
    void MarkDirty();
    void setInputsEnabled(bool enabled);
    void Form_Activate();
    bool Form_QueryUnload();
    void refillList(QComboBox* list, const QString& sql, const QString& textField, const QString& keyField);

    bool ValidateRecord();
    void cmdAddNew_Click();
    void cmdupdate_Click();
    void cmdcancel_Click();
    void cmdDelete_Click();
    void showItemAt(const QString& criteria);

    void cmdFirst_Click();
    void cmdPrevious_Click();
    void cmdNext_Click();
    void cmdLast_Click();
    void mnuSort_Click(int index);
    void reopenItems(const QString& sql);
    void checkSortItem(int index);
    void mnuImport_Click();
    void cmdFind_Click();
    void cmdSoldSome_Click();
    void mnuMaint_Click(int index);

    void dcIssueDate_DropDown();
    void dcRetireDate_DropDown();
    void dcPurchaseDate_DropDown();
    void dcSoldDate_DropDown();
    bool dcIssueDate_LostFocus();
    bool dcRetireDate_LostFocus();
    bool dcPurchaseDate_LostFocus();
    bool dcSoldDate_LostFocus();

    bool txtQuantity_LostFocus();
    bool txtPricePaid_LostFocus();
    bool txtCatValue_LostFocus();
    bool txtPriceAsk_LostFocus();
    bool priceLostFocus(QLineEdit* price, QLineEdit* total);
    void recomputeTotal(QLineEdit* price, QLineEdit* total);
    void showMoney(QLineEdit* box, const QString& text);

    void chkWantList_Click();
    void chkSold_Click();
    void cmdHelp_Click();
    void mnuExit_Click();
    void mnuHelp_Click(int index);
    void mnuAbout_Click();
    void mnuRptOut_Click(int index);
    void mnuRpt_Click(int index);
    void mnuRptValue_Click();
    void mnuRptWant_Click();
    void mnuRptForSale_Click();
    void mnuRptSold_Click();
    void mnuRptSellers_Click();
    void mnuRptInsurance_Click();
    void mnuRptCustom_Click();
    void mnuItemList_Click();
    void mnuStatistics_Click();
    bool showItem(qint32 key);

    AppState& m_state;
    bool Dirty = false;
    bool Adding = false;
    // the key of the row the controls show: after a find that found nothing
    // the recordset is put back on it, so every button acts on what is shown
    qint32 m_shownKey = 0;
    std::unique_ptr<frmFind> m_find;
    QPointer<QWidget> m_about;
    std::unique_ptr<ReportWindow> m_reportWindow;
    QPointer<QWidget> m_customReport;
    QPointer<frmItemList> m_itemList;
    QPointer<frmStatistics> m_statistics;
    LeaveChecks* m_leaveChecks;
    ExactAmounts* m_amounts;
    PhotoStrip* m_photos;
    std::unique_ptr<PhotoTables> m_photoTables; // while the collection is open

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
    QAction* mnuExport;
    QAction* mnuImport;
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
    QAction* mnuRptInsurance;
    QAction* mnuRptCustom;
    QAction* mnuItemList;
    QAction* mnuStatistics;
    std::array<QAction*, 3> mnuHelp;
    QAction* mnuAbout;
};
