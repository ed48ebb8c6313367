#include "frmFind.h"

#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/FindText.h"
#include "app/StringHelpers.h"
#include "app/TextLimit.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

const char* const kPrompts[] = {"Enter Plonko Name", "Enter Description", "Enter Catalog Number",
                                "Enter Birthday"};
const char* const kEmptyMessages[] = {
    "You must enter a plonko name to find", "You must enter a plonko description to find",
    "You must enter a catalog number to find", "You must enter a birthdate to find"};

} // namespace

frmFind::frmFind(AppState& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("frmFind"));
    setWindowTitle(QStringLiteral("Find Plonko"));
    auto* frame = new QGroupBox(QStringLiteral("Search For"));
    auto* options = new QVBoxLayout(frame);
    const char* const captions[] = {"Name", "Description", "Catalog Number", "Birthday"};
    for (int i = 0; i < 4; ++i) {
        optBy[i] = new QRadioButton(QString::fromLatin1(captions[i]));
        optBy[i]->setObjectName(QStringLiteral("optBy(%1)").arg(i + 1));
        options->addWidget(optBy[i]);
        connect(optBy[i], &QRadioButton::clicked, this,
                [this, i] { runEvent(m_state, [&] { optBy_Click(i + 1); }); });
    }
    optBy[0]->setChecked(true);
    lblName = new QLabel(QString::fromLatin1(kPrompts[0]));
    lblName->setObjectName(QStringLiteral("lblName"));
    txtName = new QLineEdit;
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setMinimumWidth(260);
    limitCharacters(txtName, FindText::kLongestField);
    lblName->setBuddy(txtName);
    cmdOK = new QPushButton(QStringLiteral("&OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setDefault(true);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(cmdOK, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);
    connect(cmdOK, &QPushButton::clicked, this, [this] { runEvent(m_state, [this] { cmdOk_Click(); }); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(lblName);
    layout->addWidget(txtName);
    layout->addWidget(buttons);
    setFixedSize(sizeHint());
}

void frmFind::prepare()
{
    m_state.Cancelled = true;
    txtName->setFocus();
}

frmFind::Kind frmFind::kind() const
{
    for (int i = 0; i < 4; ++i) {
        if (optBy[i]->isChecked())
            return Kind(i + 1);
    }
    return ByName;
}

QString frmFind::searchText() const
{
    return PrintableText(txtName->text());
}

void frmFind::clearText()
{
    txtName->clear();
}

void frmFind::optBy_Click(int index)
{
    lblName->setText(QString::fromLatin1(kPrompts[index - 1]));
    txtName->setFocus();
}

void frmFind::cmdOk_Click()
{
    if (searchText().trimmed().isEmpty()) {
        m_state.dialogs.messageBox(QString::fromLatin1(kEmptyMessages[kind() - 1]));
        return;
    }
    if (kind() == ByBirthday && !m_state.regional.isDate(searchText())) {
        m_state.dialogs.messageBox(
            QStringLiteral("You must enter a valid date for the plonko birthdate to find"));
        return;
    }
    m_state.Cancelled = false;
    accept();
}
