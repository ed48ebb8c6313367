#include "frmCodesMaint.h"

#include "LookupTables.h"
#include "app/ErrorHandler.h"
#include "app/FindText.h"
#include "app/HelpKey.h"
#include "store/JetSql.h"
#include "app/RecordNavigation.h"
#include "regional/StringHelpers.h"
#include "app/TextLimit.h"
#include "app/WindowPlacement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// the longest description a lookup table keeps
constexpr int kDescriptionLength = 50;

QPushButton* button(const char* name, const QString& caption)
{
    auto* b = new QPushButton(caption);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

// the room between a button row's groups, which gives the row no height
QSpacerItem* rowGap()
{
    return new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Fixed);
}

} // namespace

frmCodesMaint::frmCodesMaint(AppState& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
    , CodeTable(state.MaintTable)
    , m_table(lookupTableInfo(CodeTable))
    , DescField(QString::fromLatin1(m_table.descField))
    , IdField(QString::fromLatin1(m_table.idField))
    , m_seller(m_table.table == LookupTable::BoughtFrom)
{
    setObjectName(QStringLiteral("frmCodesMaint"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    runEvent(m_state, [this] { Form_Load(); });
    placeAfterOpenWindows();
}

frmCodesMaint::~frmCodesMaint() = default;

void frmCodesMaint::buildControls()
{
    setWindowTitle(QString::fromLatin1(m_table.caption));
    lblDesc = new QLabel(QString::fromLatin1(m_table.label));
    lblDesc->setObjectName(QStringLiteral("lblDesc"));
    txtDesc = new QLineEdit;
    txtDesc->setObjectName(QStringLiteral("txtDesc"));
    limitCharacters(txtDesc, kDescriptionLength);
    txtDesc->setMinimumWidth(320);
    lblDesc->setBuddy(txtDesc);
    lblBouPhone = new QLabel(QStringLiteral("Store Phone Number"));
    lblBouPhone->setObjectName(QStringLiteral("lblBouPhone"));
    txtBouPhone = new QLineEdit;
    txtBouPhone->setObjectName(QStringLiteral("txtBouPhone"));
    limitCharacters(txtBouPhone, 30);
    chkBouFav = new QCheckBox(QStringLiteral("Favorite"));
    chkBouFav->setObjectName(QStringLiteral("chkBouFav"));
    lblBouNotes = new QLabel(QStringLiteral("Notes"));
    lblBouNotes->setObjectName(QStringLiteral("lblBouNotes"));
    txtBouNotes = new QPlainTextEdit;
    txtBouNotes->setObjectName(QStringLiteral("txtBouNotes"));
    txtBouNotes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtBouNotes->setTabChangesFocus(true);
    txtBouNotes->setMinimumHeight(fontMetrics().lineSpacing() * 3);

    auto* fields = new QGridLayout;
    fields->addWidget(lblDesc, 0, 0, 1, 2);
    fields->addWidget(txtDesc, 1, 0, 1, 2);
    fields->addWidget(lblBouPhone, 2, 0);
    fields->addWidget(txtBouPhone, 3, 0);
    fields->addWidget(chkBouFav, 3, 1);
    fields->addWidget(lblBouNotes, 4, 0, 1, 2);
    fields->addWidget(txtBouNotes, 5, 0, 1, 2);
    if (m_seller)
        fields->setRowStretch(5, 1);
    lblDesc->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    for (QWidget* extra :
         std::initializer_list<QWidget*>{lblBouPhone, txtBouPhone, chkBouFav, lblBouNotes, txtBouNotes})
        extra->setVisible(m_seller);

    cmdFirst = button("cmdFirst", QStringLiteral("&First"));
    cmdPrevious = button("cmdPrevious", QStringLiteral("&Previous"));
    cmdNext = button("cmdNext", QStringLiteral("&Next"));
    cmdLast = button("cmdLast", QStringLiteral("&Last"));
    cmdAddNew = button("cmdAddNew", QStringLiteral("&Add New"));
    cmdUpdate = button("cmdUpdate", QStringLiteral("&Update"));
    cmdCancel = button("cmdCancel", QStringLiteral("&Cancel"));
    cmdDelete = button("cmdDelete", QStringLiteral("&Delete"));
    cmdFind = button("cmdFind", QStringLiteral("&Find"));
    cmdOK = button("cmdOK", QStringLiteral("&Ok"));
    cmdOK->setDefault(true);
    cmdUpdate->hide();
    cmdCancel->hide();
    auto* navigation = new QHBoxLayout;
    for (QPushButton* b : {cmdFirst, cmdPrevious, cmdNext, cmdLast})
        navigation->addWidget(b);
    navigation->addItem(rowGap());
    auto* actions = new QHBoxLayout;
    for (QPushButton* b : {cmdAddNew, cmdUpdate, cmdCancel, cmdDelete, cmdFind})
        actions->addWidget(b);
    actions->addItem(rowGap());
    actions->addWidget(cmdOK);

    // A taller window gives the notes more lines. The other tables have
    // nothing to grow into, so their window keeps the height of the rows it
    // shows: no blank row is left where buttons were hidden.
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields, m_seller ? 1 : 0);
    layout->addSpacing(12);
    layout->addLayout(navigation);
    layout->addLayout(actions);
    layout->setSizeConstraint(QLayout::SetMinAndMaxSize);

    auto on = [this](auto* sender, auto signal, void (frmCodesMaint::*handler)()) {
        connectHandler(m_state, this, sender, signal, handler);
    };
    on(txtDesc, &QLineEdit::textChanged, &frmCodesMaint::MarkDirty);
    on(txtBouPhone, &QLineEdit::textChanged, &frmCodesMaint::MarkDirty);
    on(txtBouNotes, &QPlainTextEdit::textChanged, &frmCodesMaint::MarkDirty);
    on(chkBouFav, &QCheckBox::toggled, &frmCodesMaint::MarkDirty);
    on(cmdFirst, &QPushButton::clicked, &frmCodesMaint::cmdFirst_Click);
    on(cmdPrevious, &QPushButton::clicked, &frmCodesMaint::cmdPrevious_Click);
    on(cmdNext, &QPushButton::clicked, &frmCodesMaint::cmdNext_Click);
    on(cmdLast, &QPushButton::clicked, &frmCodesMaint::cmdLast_Click);
    on(cmdAddNew, &QPushButton::clicked, &frmCodesMaint::cmdAddNew_Click);
    on(cmdUpdate, &QPushButton::clicked, &frmCodesMaint::cmdupdate_Click);
    on(cmdCancel, &QPushButton::clicked, &frmCodesMaint::cmdcancel_Click);
    on(cmdDelete, &QPushButton::clicked, &frmCodesMaint::cmdDelete_Click);
    on(cmdFind, &QPushButton::clicked, &frmCodesMaint::cmdFind_Click);
    on(cmdOK, &QPushButton::clicked, &frmCodesMaint::cmdOk_Click);
    // the help key opens the table's own topic
    addHelpKey(this, m_state, m_table.helpTopic);
}

// ------------------------------------------------------------------ opening

// Opens a step below and to the right of the last lookup window still open,
// so that none hides another; the first opens over the item window.
void frmCodesMaint::placeAfterOpenWindows()
{
    if (!parentWidget())
        return;
    const QList<frmCodesMaint*> open =
        parentWidget()->findChildren<frmCodesMaint*>(Qt::FindDirectChildrenOnly);
    const auto previous = std::find_if(
        open.rbegin(), open.rend(), [this](const frmCodesMaint* w) { return w != this && w->isVisible(); });
    if (previous == open.rend())
        return;
    const QRect frame = (*previous)->frameGeometry();
    const QRect client = (*previous)->geometry();
    const int step = qMax(style()->pixelMetric(QStyle::PM_TitleBarHeight), fontMetrics().height() + 8);
    const QPoint framePosition = cascadedPosition(frame, sizeHint() + frame.size() - client.size(),
                                                  (*previous)->screen()->availableGeometry(), step);
    // placed by its inside: the window system adds the frame of a window
    // not yet shown around it
    setGeometry(QRect(framePosition + client.topLeft() - frame.topLeft(), sizeHint()));
}

void frmCodesMaint::Form_Load()
{
    underHandler(m_state, [this] {
        m_codes =
            m_state.db().OpenRecordset(QString::fromLatin1(m_table.query), Database::RecordsetType::Dynaset);
    });
    underHandler(m_state, [this] {
        if (m_codes->RecordCount() != 0) {
            m_codes->MoveFirst();
            LoadRecord();
        } else {
            ClearFields();
            setFieldsEnabled(false);
        }
    });
    Dirty = false;
    Adding = false;
}

bool frmCodesMaint::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        runEvent(m_state, [this] { Form_Activate(); });
    return QDialog::event(event);
}

// Flags the table so that the item window refills its list. While browsing,
// the entries are read afresh too: another window may have changed them.
void frmCodesMaint::Form_Activate()
{
    m_state.lookupChanged(m_table.table) = true;
    if (!Dirty && !Adding && m_codes)
        reopenAt(m_shownKey);
}

// Reads the table again and shows the entry with the key, or the first entry
// when it is gone.
void frmCodesMaint::reopenAt(qint32 key)
{
    m_codes =
        m_state.db().OpenRecordset(QString::fromLatin1(m_table.query), Database::RecordsetType::Dynaset);
    if (m_codes->RecordCount() == 0) {
        ClearFields();
        setFieldsEnabled(false);
        return;
    }
    m_codes->FindFirst(IdField + QStringLiteral(" = ") + QString::number(key));
    if (m_codes->NoMatch())
        m_codes->MoveFirst();
    setFieldsEnabled(true);
    LoadRecord();
}

// Escape cancels an edit or an add; in browsing it closes the window.
void frmCodesMaint::reject()
{
    if (Dirty || Adding)
        runEvent(m_state, [this] { cmdcancel_Click(); });
    else
        close();
}

void frmCodesMaint::closeEvent(QCloseEvent* event)
{
    m_codes.reset(); // pending edits are not saved
    event->accept();
}

// --------------------------------------------------------- fields and modes

void frmCodesMaint::LoadRecord()
{
    Dirty = true;
    m_shownKey = longOf(m_codes->Fields(IdField)).value_or(0);
    txtDesc->setText(textOf(m_codes->Fields(DescField)));
    if (m_seller) {
        txtBouPhone->setText(textOf(m_codes->Fields(QStringLiteral("BouPhone"))));
        chkBouFav->setChecked(boolOf(m_codes->Fields(QStringLiteral("BouFav"))));
        txtBouNotes->setPlainText(textOf(m_codes->Fields(QStringLiteral("bounotes"))));
    }
    Dirty = false;
}

void frmCodesMaint::ClearFields()
{
    Dirty = true;
    txtDesc->clear();
    if (m_seller) {
        txtBouPhone->clear();
        txtBouNotes->clear();
        chkBouFav->setChecked(false);
    }
    Dirty = false;
}

void frmCodesMaint::setFieldsEnabled(bool enabled)
{
    txtDesc->setEnabled(enabled);
    if (m_seller) {
        txtBouPhone->setEnabled(enabled);
        chkBouFav->setEnabled(enabled);
        txtBouNotes->setEnabled(enabled);
    }
}

void frmCodesMaint::EnterEditMode()
{
    for (QPushButton* b : {cmdFirst, cmdPrevious, cmdNext, cmdLast, cmdOK, cmdFind, cmdDelete})
        b->hide();
    cmdCancel->show();
    cmdUpdate->show();
}

void frmCodesMaint::LeaveEditMode()
{
    cmdCancel->hide();
    cmdUpdate->hide();
    for (QPushButton* b : {cmdFirst, cmdPrevious, cmdNext, cmdLast, cmdOK, cmdFind, cmdDelete, cmdAddNew})
        b->show();
}

void frmCodesMaint::MarkDirty()
{
    if (Dirty || Adding)
        return;
    Dirty = true;
    EnterEditMode();
    cmdAddNew->hide();
}

bool frmCodesMaint::ValidateRecord()
{
    if (!txtDesc->text().isEmpty())
        return true;
    m_state.dialogs.messageBox(QStringLiteral("You must enter a description or press Cancel"),
                               Dialogs::Buttons::Ok, Dialogs::Icon::None, QStringLiteral("Missing Data"));
    return false;
}

// Runs a step that reads or writes the shown entry. When another window
// changed or deleted the entry meanwhile, nothing is overwritten or brought
// back: the user is told, and the entry is shown as it is stored now.
bool frmCodesMaint::withoutConflict(const std::function<void()>& step)
{
    int conflict = 0;
    try {
        step();
    } catch (const DbError& error) {
        if (error.number() != DbError::RecordChanged && error.number() != DbError::RecordDeleted)
            throw;
        conflict = error.number();
    }
    if (!conflict)
        return true;
    if (conflict == DbError::RecordChanged)
        m_state.dialogs.messageBox(
            QStringLiteral("This entry was changed in another window after you began editing "
                           "it, so your change was not saved. It now shows what is stored."),
            Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation, QStringLiteral("Entry Changed"));
    else
        m_state.dialogs.messageBox(QStringLiteral("This entry was deleted in another window."),
                                   Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation,
                                   QStringLiteral("Entry Deleted"));
    reopenAt(m_shownKey);
    LeaveEditMode();
    cmdAddNew->setText(QStringLiteral("&Add New"));
    Dirty = false;
    Adding = false;
    return false;
}

// The recordset is already adding or editing the row. False when nothing was
// stored: the window keeps the entry, still in edit mode.
bool frmCodesMaint::SaveRecord()
{
    AppState& s = m_state;
    underHandler(s, [&] {
        m_codes->SetField(DescField, txtDesc->text());
        if (m_seller) {
            m_codes->SetField(QStringLiteral("BouPhone"), txtBouPhone->text());
            m_codes->SetField(QStringLiteral("BouFav"), chkBouFav->isChecked());
            m_codes->SetField(QStringLiteral("bounotes"), txtBouNotes->toPlainText());
        }
    });
    bool saved = true;
    const bool written = writeWithRetry(s, [&] { saved = withoutConflict([&] { m_codes->Update(); }); });
    underHandler(s, [&] { s.db().Idle(); });
    return written && saved;
}

// --------------------------------------------------------------- navigation

void frmCodesMaint::cmdFirst_Click()
{
    if (m_codes->RecordCount() != 0) {
        m_codes->MoveFirst();
        LoadRecord();
    }
}

void frmCodesMaint::cmdLast_Click()
{
    if (m_codes->RecordCount() != 0) {
        m_codes->MoveLast();
        LoadRecord();
    }
}

void frmCodesMaint::cmdNext_Click()
{
    if (m_codes->RecordCount() != 0) {
        moveNextWithinRows(*m_codes, m_state.dialogs);
        LoadRecord();
    }
}

void frmCodesMaint::cmdPrevious_Click()
{
    if (m_codes->RecordCount() != 0) {
        movePreviousWithinRows(*m_codes, m_state.dialogs);
        LoadRecord();
    }
}

// ------------------------------------------------------- adding and editing

void frmCodesMaint::cmdAddNew_Click()
{
    AppState& s = m_state;
    if (Adding) {
        if (!ValidateRecord())
            return;
        underHandler(s, [&] { m_codes->AddNew(); });
        if (!SaveRecord())
            return;
        ClearFields();
        txtDesc->setFocus();
        return;
    }
    Adding = true;
    underHandler(s, [&] {
        if (m_codes->RecordCount() == 0)
            setFieldsEnabled(true);
        else
            m_codes->MoveLast();
    });
    ClearFields();
    EnterEditMode();
    cmdAddNew->setText(QStringLiteral("&Add Another"));
    cmdAddNew->setDefault(true);
    txtDesc->setFocus();
}

void frmCodesMaint::cmdupdate_Click()
{
    AppState& s = m_state;
    if (!ValidateRecord())
        return;
    qint32 key = 0;
    bool started = true;
    underHandler(s, [&] {
        started = withoutConflict([&] {
            if (Adding)
                m_codes->AddNew();
            else
                m_codes->Edit();
        });
        if (started)
            key = longOf(m_codes->Fields(IdField)).value_or(0);
    });
    if (!started || !SaveRecord())
        return;
    if (Adding)
        cmdAddNew->setText(QStringLiteral("&Add New"));
    underHandler(s, [&] {
        m_codes->FindFirst(IdField + QStringLiteral(" = ") + QString::number(key));
        if (m_codes->NoMatch())
            m_codes->MoveFirst();
        LoadRecord();
    });
    LeaveEditMode();
    cmdOK->setDefault(true);
    Adding = false;
    Dirty = false;
}

void frmCodesMaint::cmdcancel_Click()
{
    if (m_codes->RecordCount() != 0) {
        m_codes->MoveLast();
        LoadRecord();
    } else {
        ClearFields();
        setFieldsEnabled(false);
    }
    LeaveEditMode();
    cmdAddNew->setText(QStringLiteral("&Add New"));
    cmdOK->setDefault(true);
    Dirty = false;
    Adding = false;
}

// --------------------------------------------------------- finding, deleting

void frmCodesMaint::cmdFind_Click()
{
    const QString text = PrintableText(m_state.dialogs.inputBox(QStringLiteral("Enter the ") +
                                                                    QString::fromLatin1(m_table.kindWord) +
                                                                    QStringLiteral(" description to find:"),
                                                                QStringLiteral("Find Code"), QString()));
    const bool found =
        FindText::canMatch(text, kDescriptionLength) &&
        (m_codes->FindFirst(DescField + QStringLiteral(" like ") + JetSql::beginsWithPattern(text)),
         !m_codes->NoMatch());
    if (!found) {
        // the entry shown stays the one every button acts on
        m_state.dialogs.messageBox(QStringLiteral("That record was not found."), Dialogs::Buttons::Ok,
                                   Dialogs::Icon::None, QStringLiteral("No Records Match"));
        return;
    }
    LoadRecord();
}

void frmCodesMaint::cmdDelete_Click()
{
    AppState& s = m_state;
    if (m_codes->RecordCount() == 0)
        return;
    if (s.dialogs.messageBox(QString::fromLatin1(m_table.deleteQuestion), Dialogs::Buttons::YesNo,
                             Dialogs::Icon::None,
                             QString::fromLatin1(m_table.deleteTitle)) != Dialogs::Answer::Yes)
        return;
    bool inUse = false;
    bool present = true;
    underHandler(s, [&] {
        present = withoutConflict([&] {
            const qint32 key = longOf(m_codes->Fields(IdField)).value_or(0);
            std::unique_ptr<Recordset> users =
                s.db().OpenRecordset(QString::fromLatin1(m_table.inUseQuery) + QString::number(key),
                                     Database::RecordsetType::Snapshot);
            inUse = users->RecordCount() != 0;
            users->Close();
        });
    });
    if (!present)
        return;
    if (inUse) {
        s.dialogs.messageBox(QString::fromLatin1(m_table.inUseMessage), Dialogs::Buttons::Ok,
                             Dialogs::Icon::None, QStringLiteral("Cannot Delete"));
        return;
    }
    if (!writeWithRetry(s, [&] { m_codes->Delete(); }))
        return;
    underHandler(s, [&] { s.db().Idle(); });
    underHandler(s, [&] {
        m_codes->MoveNext();
        if (m_codes->RecordCount() == 0) {
            ClearFields();
            setFieldsEnabled(false);
            return;
        }
        if (m_codes->AtEOF())
            m_codes->MovePrevious();
        LoadRecord();
    });
}

void frmCodesMaint::cmdOk_Click()
{
    m_state.db().Idle();
    m_codes->Close();
    close();
}
