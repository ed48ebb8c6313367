#include "frmFind.h"

#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/FindText.h"
#include "app/HelpKey.h"
#include "regional/StringHelpers.h"
#include "app/TextLimit.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

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
    m_kinds = new QButtonGroup(this);
    for (int i = 0; i < 4; ++i) {
        optBy[i] = new QRadioButton(QString::fromLatin1(captions[i]));
        optBy[i]->setObjectName(QStringLiteral("optBy(%1)").arg(i + 1));
        optBy[i]->installEventFilter(this);
        options->addWidget(optBy[i]);
        m_kinds->addButton(optBy[i], i + 1);
        connect(optBy[i], &QRadioButton::clicked, this,
                [this] { runEvent(m_state, [this] { optBy_Click(); }); });
    }
    connect(m_kinds, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked)
            runEvent(m_state, [&] { kindChosen(id); });
    });
    lblName = new QLabel;
    lblName->setObjectName(QStringLiteral("lblName"));
    optBy[0]->setChecked(true);
    txtName = new QLineEdit;
    txtName->setObjectName(QStringLiteral("txtName"));
    txtName->setMinimumWidth(260);
    limitCharacters(txtName, FindText::kLongestField);
    lblName->setBuddy(txtName);
    cmdOK = new QPushButton(QStringLiteral("&OK"));
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
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
    // Only a button inside its dialog becomes the dialog's own default, the
    // one Enter comes back to after the focus has passed over Cancel.
    cmdOK->setDefault(true);
    addHelpKey(this, m_state, kHelpTopic);
    setFixedSize(sizeHint());
}

void frmFind::prepare()
{
    m_state.Cancelled = true;
    txtName->setFocus();
}

frmFind::Kind frmFind::kind() const
{
    const int id = m_kinds->checkedId();
    return id > 0 ? Kind(id) : ByName;
}

QString frmFind::searchText() const
{
    return PrintableText(txtName->text());
}

void frmFind::clearText()
{
    txtName->clear();
}

void frmFind::optBy_Click()
{
    txtName->setFocus();
}

void frmFind::kindChosen(int index)
{
    lblName->setText(QString::fromLatin1(kPrompts[index - 1]));
    // Tab and Shift+Tab come to the chosen kind only, as in any group of options.
    for (int i = 0; i < 4; ++i)
        optBy[i]->setFocusPolicy(i + 1 == index ? Qt::StrongFocus : Qt::ClickFocus);
}

bool frmFind::eventFilter(QObject* watched, QEvent* event)
{
    // The arrow keys choose the next or previous kind, and the focus goes with the choice.
    if (event->type() == QEvent::KeyPress) {
        const auto* press = static_cast<QKeyEvent*>(event);
        const auto at = std::find(optBy.begin(), optBy.end(), watched);
        if (at != optBy.end() && press->modifiers() == Qt::NoModifier) {
            int step = 0;
            if (press->key() == Qt::Key_Up || press->key() == Qt::Key_Left)
                step = -1;
            else if (press->key() == Qt::Key_Down || press->key() == Qt::Key_Right)
                step = 1;
            if (step != 0) {
                const auto next =
                    std::clamp<qsizetype>(at - optBy.begin() + step, 0, qsizetype(optBy.size()) - 1);
                optBy[next]->setChecked(true);
                optBy[next]->setFocus(Qt::OtherFocusReason);
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
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
