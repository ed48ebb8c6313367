#pragma once

#include <QWidget>

#include <functional>

class AppState;
class ItemListModel;
class QLabel;
class QLineEdit;
class QTableView;

// "Plonko List": every item in a table, narrowed by what is typed in the
// filter box and ordered by a click on a heading. Enter or a double-click
// hands the item to showItem; the list reads the collection again each time
// the window is activated, keeping the item selected where it still exists.
class frmItemList : public QWidget
{
    Q_OBJECT

public:
    // showItem shows an item in the item window; false when it could not
    // (an edit not saved yet). The list opens over the middle of itemWindow,
    // but is a window of its own, so that either can come in front.
    frmItemList(AppState& state, std::function<bool(qint32)> showItem, const QWidget* itemWindow = nullptr);

    ItemListModel& model() { return *m_model; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Activate();
    void txtFilter_Change();
    void showSelectedItem();
    void showCount();
    // Reads the list again by the call given, then selects the item selected
    // before, or the row in its place when that item is gone.
    void keepingSelection(const std::function<void()>& reread);
    void selectRow(int row);
    void followPhotos();

    AppState& m_state;
    std::function<bool(qint32)> m_showItem;
    ItemListModel* m_model;
    QLineEdit* txtFilter;
    QLabel* lblCount;
    QTableView* grdItems;
    int m_textRow = 0;
    int m_thumbnailRow = 0;
    int m_photoWidth = 0;
};
