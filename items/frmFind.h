#pragma once

#include <QDialog>

#include <array>

class AppState;
class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

// The find dialog: what to search by (name, description, catalogue number or
// birthday) and the text to look for. OK hides it, so the kind chosen stays
// for the next find; Cancel leaves Cancelled set.
class frmFind : public QDialog
{
    Q_OBJECT

public:
    enum Kind
    {
        ByName = 1,
        ByDescription,
        ByCatalogNumber,
        ByBirthday
    };

    // The help topic F1 opens.
    static constexpr int kHelpTopic = 60;

    frmFind(AppState& state, QWidget* parent);

    // Every showing starts as cancelled until OK accepts the text.
    void prepare();
    Kind kind() const;
    QString searchText() const;
    void clearText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void optBy_Click();
    void kindChosen(int index);
    void cmdOk_Click();

    AppState& m_state;
    std::array<QRadioButton*, 4> optBy;
    QButtonGroup* m_kinds;
    QLabel* lblName;
    QLineEdit* txtName;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
};
