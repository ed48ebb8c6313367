#include "frmBackup.h"

#include "BackupDrives.h"
#include "CollectionFiles.h"
#include "CopyProgress.h"
#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/HelpKey.h"
#include "app/OkCancelRow.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmBackup::frmBackup(AppState& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
    , m_hold(std::make_unique<CollectionFiles::Hold>(state.DbPath))
{
    setObjectName(QStringLiteral("frmBackup"));
    setWindowTitle(QStringLiteral("Backup the Plonko Wizmo Database"));
    Label1 = new QLabel(QStringLiteral("Select the drive to which the database should be copied."));
    Label1->setObjectName(QStringLiteral("Label1"));
    Drive1 = new QComboBox;
    Drive1->setObjectName(QStringLiteral("Drive1"));
    Drive1->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    Label1->setBuddy(Drive1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Drive1);
    layout->addSpacing(Label1->fontMetrics().height() / 2);
    layout->addLayout(okCancelRow(cmdOk, cmdCancel));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connectHandler(m_state, this, cmdOk, &QPushButton::clicked, &frmBackup::cmdOk_Click);
    connectHandler(m_state, this, cmdCancel, &QPushButton::clicked, &frmBackup::cmdcancel_Click);
    addHelpKey(this, m_state, kHelpTopic);
    runEvent(m_state, [this] { Form_Load(); });
}

frmBackup::~frmBackup() = default;

void frmBackup::Form_Load()
{
    // the home folder stands where a fixed disk's first drive would
    for (const BackupDrive& drive : systemBackupDrives()) {
        Drive1->addItem(drive.caption, drive.root);
        if (drive.isHome)
            Drive1->setCurrentIndex(Drive1->count() - 1);
    }
    Drive1->setFocus();
}

void frmBackup::cmdOk_Click()
{
    CopyProgress work(m_state, QStringLiteral("Copying the collection"), QStringLiteral("Checking the copy"));
    try {
        CollectionFiles::backupCollection(m_state.DbPath, Drive1->currentData().toString(), work.progress());
        m_hold->renew();
    } catch (const CollectionFiles::Stopped&) {
        // the partial copy is gone and an earlier backup is as it was
        m_hold->renew();
    } catch (const CollectionFiles::Failure& failure) {
        m_hold->renew();
        work.off();
        m_state.dialogs.messageBox(
            failure.inUse ? QStringLiteral("Backup could not be Performed.  The collection file is in use by "
                                           "another program; close that program, then back up again.")
                          : QStringLiteral("Backup could not be Performed.  Make sure a formatted disk with "
                                           "sufficient free space is in the selected drive."));
    }
    accept();
}

void frmBackup::cmdcancel_Click()
{
    reject();
}
