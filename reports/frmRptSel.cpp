#include "frmRptSel.h"

#include "GroupedReports.h"
#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/HelpKey.h"
#include "app/OkCancelRow.h"

#include <QEvent>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

frmRptSel::frmRptSel(AppState& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("frmRptSel"));
    optAll = new QRadioButton;
    optAll->setObjectName(QStringLiteral("optAll"));
    optSelected = new QRadioButton;
    optSelected->setObjectName(QStringLiteral("optSelected"));
    List1 = new QListWidget;
    List1->setObjectName(QStringLiteral("List1"));
    List1->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(optAll);
    layout->addWidget(optSelected);
    layout->addWidget(List1, 1);
    layout->addLayout(okCancelRow(cmdOk, cmdCancel));

    connectHandler(m_state, this, optAll, &QRadioButton::clicked, &frmRptSel::optAll_Click);
    connectHandler(m_state, this, optSelected, &QRadioButton::clicked, &frmRptSel::optSelected_Click);
    connectHandler(m_state, this, cmdOk, &QPushButton::clicked, &frmRptSel::cmdOk_Click);
    connectHandler(m_state, this, cmdCancel, &QPushButton::clicked, &frmRptSel::cmdcancel_Click);
    // choosing an entry chooses one group
    connect(List1, &QListWidget::itemDoubleClicked, this,
            [this] { runEvent(m_state, [this] { cmdOk_Click(); }); });
    runEvent(m_state, [this] { Form_Load(); });
}

void frmRptSel::Form_Load()
{
    m_state.Cancelled = true;
    const GroupKind& kind = groupKind(m_state.GroupReportKind);
    setWindowTitle(kind.caption);
    optAll->setText(kind.allOption);
    optSelected->setText(kind.oneOption);
    addHelpKey(this, m_state, kind.helpTopic);
    const std::unique_ptr<Recordset> groups =
        m_state.db().OpenRecordset(kind.listQuery, Database::RecordsetType::ForwardOnly);
    for (; !groups->AtEOF(); groups->MoveNext()) {
        auto* entry = new QListWidgetItem(textOf(groups->Fields(kind.listText)), List1);
        entry->setData(Qt::UserRole, longOf(groups->Fields(kind.listKey)).value_or(-1));
    }
    // all groups is the answer unless another is chosen
    optAll->setChecked(true);
    List1->setEnabled(false);
    optAll->setFocus();
}

bool frmRptSel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == List1 && event->type() == QEvent::FocusIn && List1->selectedItems().isEmpty() &&
        List1->count() > 0)
        List1->setCurrentItem(List1->currentItem() ? List1->currentItem() : List1->item(0));
    return QDialog::eventFilter(watched, event);
}

void frmRptSel::optAll_Click()
{
    List1->setEnabled(false);
    List1->clearSelection();
    List1->setCurrentItem(nullptr);
}

void frmRptSel::optSelected_Click()
{
    List1->setEnabled(true);
}

void frmRptSel::cmdOk_Click()
{
    m_state.Cancelled = false;
    if (optAll->isChecked()) {
        m_state.SelectedGroupID = -1;
    } else if (List1->selectedItems().isEmpty()) {
        m_state.dialogs.messageBox(QStringLiteral("You must make a selection from the list!"));
        m_state.Cancelled = true;
        return;
    } else {
        m_state.SelectedGroupID = List1->selectedItems().first()->data(Qt::UserRole).toInt();
    }
    accept();
}

void frmRptSel::cmdcancel_Click()
{
    reject();
}
