#include "frmRptSpec.h"

#include "CustomReport.h"
#include "FieldCatalogue.h"
#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/HelpKey.h"
#include "app/LeaveChecks.h"
#include "app/WindowPlacement.h"
#include "dates/DateBox.h"
#include "dates/DatePicking.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

template <class T> T* named(T* widget, const QString& name)
{
    widget->setObjectName(name);
    return widget;
}

QListWidgetItem* entry(const QString& text, qint32 specID)
{
    auto* item = new QListWidgetItem(text);
    item->setData(Qt::UserRole, specID);
    return item;
}

qint32 specOf(const QListWidgetItem* item)
{
    return item->data(Qt::UserRole).toInt();
}

} // namespace

frmRptSpec::frmRptSpec(AppState& state, ReportPreview& preview, QWidget* owner)
    : QWidget(owner, Qt::Window)
    , m_state(state)
    , m_preview(preview)
{
    setObjectName(QStringLiteral("frmRptSpec"));
    setWindowTitle(QStringLiteral("Custom Report"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    runEvent(m_state, [this] { Form_Load(); });
    // room for both lists and the details beside them, over the item window
    QSize size = sizeHint().expandedTo(QSize(820, 460));
    if (screen()) // as far as the screen allows, with the title bar and frame
        size = size.boundedTo(screen()->availableSize() - QSize(40, 60));
    resize(size);
    if (owner && screen())
        move(centredOver(owner->geometry(), this->size(), screen()->availableGeometry()));
}

frmRptSpec::~frmRptSpec() = default;

void frmRptSpec::buildControls()
{
    SSTab1 = named(new QTabWidget, QStringLiteral("SSTab1"));

    // Report Fields
    auto* fields = new QWidget;
    List1 = named(new QListWidget, QStringLiteral("List1"));
    List1->setSortingEnabled(true);
    List2 = named(new QListWidget, QStringLiteral("List2"));
    // the arrow buttons, each with its name, its key and a tooltip that says both
    const auto arrow = [this](const QString& name, QStyle::StandardPixmap icon, const QString& said,
                              Qt::Key key) {
        auto* button = named(new QPushButton, name);
        button->setIcon(style()->standardIcon(icon));
        button->setAccessibleName(said);
        button->setShortcut(QKeySequence(Qt::ALT | key));
        button->setToolTip(
            QStringLiteral("%1 (%2)").arg(said, button->shortcut().toString(QKeySequence::NativeText)));
        return button;
    };
    cmdAdd =
        arrow(QStringLiteral("cmdAdd"), QStyle::SP_ArrowRight, QStringLiteral("Add field"), Qt::Key_Right);
    cmdRemove = arrow(QStringLiteral("cmdRemove"), QStyle::SP_ArrowLeft, QStringLiteral("Remove field"),
                      Qt::Key_Left);
    cmdUp = arrow(QStringLiteral("cmdUp"), QStyle::SP_ArrowUp, QStringLiteral("Move up"), Qt::Key_Up);
    cmdDown =
        arrow(QStringLiteral("cmdDown"), QStyle::SP_ArrowDown, QStringLiteral("Move down"), Qt::Key_Down);
    frame1 = named(new QGroupBox(QStringLiteral("Details For ")), QStringLiteral("frame1"));
    chkHide = named(new QCheckBox(QStringLiteral("Hide Field")), QStringLiteral("chkHide"));
    txtWidth = named(new QLineEdit, QStringLiteral("txtWidth"));
    txtStarting = named(new QLineEdit, QStringLiteral("txtStarting"));
    txtGreater = named(new QLineEdit, QStringLiteral("txtGreater"));
    txtLess = named(new QLineEdit, QStringLiteral("txtLess"));
    chkTotal = named(new QCheckBox(QStringLiteral("Show Total")), QStringLiteral("chkTotal"));
    dcStartDate = named(new DateBox, QStringLiteral("dcStartDate"));
    dcEndDate = named(new DateBox, QStringLiteral("dcEndDate"));
    optTrue = named(new QRadioButton(QStringLiteral("True")), QStringLiteral("optTrue"));
    optFalse = named(new QRadioButton(QStringLiteral("False")), QStringLiteral("optFalse"));
    for (int kind = 1; kind <= 4; ++kind) {
        fraSel[kind - 1] = named(new QGroupBox(QStringLiteral("Selection Criteria")),
                                 QStringLiteral("fraSel(%1)").arg(kind));
        fraSel[kind - 1]->hide();
    }
    auto* text = new QFormLayout(fraSel[0]);
    text->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    text->addRow(QStringLiteral("Starts with:"), txtStarting);
    auto* number = new QFormLayout(fraSel[1]);
    number->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    number->addRow(QStringLiteral("Greater Than"), txtGreater);
    number->addRow(QStringLiteral("Less Than"), txtLess);
    number->addRow(chkTotal);
    auto* date = new QFormLayout(fraSel[2]);
    date->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    date->addRow(QStringLiteral("Start Date"), dcStartDate);
    date->addRow(QStringLiteral("End Date"), dcEndDate);
    auto* yesNo = new QVBoxLayout(fraSel[3]);
    yesNo->addWidget(optTrue);
    yesNo->addWidget(optFalse);
    auto* details = new QGridLayout(frame1);
    details->addWidget(chkHide, 0, 0, 1, 2);
    details->addWidget(new QLabel(QStringLiteral("Width")), 1, 0);
    details->addWidget(txtWidth, 1, 1);
    for (QGroupBox* frame : fraSel)
        details->addWidget(frame, 2, 0, 1, 2);
    details->setRowStretch(3, 1);
    frame1->hide();

    auto* moves = new QVBoxLayout;
    moves->addStretch();
    moves->addWidget(cmdAdd);
    moves->addWidget(cmdRemove);
    moves->addSpacing(12);
    moves->addWidget(cmdUp);
    moves->addWidget(cmdDown);
    moves->addStretch();
    auto* fieldsGrid = new QGridLayout(fields);
    fieldsGrid->addWidget(new QLabel(QStringLiteral("Available Fields")), 0, 0);
    fieldsGrid->addWidget(List1, 1, 0);
    fieldsGrid->addLayout(moves, 1, 1);
    fieldsGrid->addWidget(new QLabel(QStringLiteral("Fields to Report")), 0, 2);
    fieldsGrid->addWidget(List2, 1, 2);
    fieldsGrid->addWidget(frame1, 0, 3, 2, 1);
    fieldsGrid->setColumnStretch(0, 1);
    fieldsGrid->setColumnStretch(2, 1);
    fieldsGrid->setColumnStretch(3, 1);
    SSTab1->addTab(fields, QStringLiteral("Report Fields"));

    // Report Options
    auto* optionsPage = new QWidget;
    txtTitle = named(new QLineEdit, QStringLiteral("txtTitle"));
    auto* reportTo = named(new QGroupBox(QStringLiteral("Report To")), QStringLiteral("Frame2"));
    auto* reportToLayout = new QVBoxLayout(reportTo);
    const QString destinations[] = {QStringLiteral("Screen/Printer"), QStringLiteral("Text File"),
                                    QStringLiteral("Web Table (html)")};
    for (int i = 0; i < 3; ++i) {
        optReportTo[i] =
            named(new QRadioButton(destinations[i]), QStringLiteral("optReportTo(%1)").arg(i + 1));
        reportToLayout->addWidget(optReportTo[i]);
    }
    fraOrient = named(new QGroupBox(QStringLiteral("Report Orientation")), QStringLiteral("fraOrient"));
    auto* orientLayout = new QVBoxLayout(fraOrient);
    optOrient[1] = named(new QRadioButton(QStringLiteral("Landscape")), QStringLiteral("optOrient(1)"));
    optOrient[0] = named(new QRadioButton(QStringLiteral("Portrait")), QStringLiteral("optOrient(0)"));
    orientLayout->addWidget(optOrient[1]);
    orientLayout->addWidget(optOrient[0]);
    fraFormat = named(new QGroupBox(QStringLiteral("Report Formatting")), QStringLiteral("fraFormat"));
    chkDate = named(new QCheckBox(QStringLiteral("Show Date in Header")), QStringLiteral("chkDate"));
    cmbPageNum = named(new QComboBox, QStringLiteral("cmbPageNum"));
    optWidth[0] = named(new QRadioButton(QStringLiteral("Width in Inches")), QStringLiteral("optWidth(0)"));
    optWidth[1] = named(new QRadioButton(QStringLiteral("Centimeters")), QStringLiteral("optWidth(1)"));
    auto* formatLayout = new QFormLayout(fraFormat);
    formatLayout->addRow(chkDate);
    formatLayout->addRow(named(new QLabel(QStringLiteral("Page Number")), QStringLiteral("lblPageNum")),
                         cmbPageNum);
    formatLayout->addRow(optWidth[0]);
    formatLayout->addRow(optWidth[1]);
    auto* optionsGrid = new QGridLayout(optionsPage);
    auto* titleRow = new QFormLayout;
    titleRow->addRow(QStringLiteral("Report Title"), txtTitle);
    optionsGrid->addLayout(titleRow, 0, 0, 1, 3);
    optionsGrid->addWidget(reportTo, 1, 0, 1, 1);
    optionsGrid->addWidget(fraOrient, 1, 1);
    optionsGrid->addWidget(fraFormat, 1, 2);
    optionsGrid->setRowStretch(2, 1);
    SSTab1->addTab(optionsPage, QStringLiteral("Report Options"));

    // Sorting
    auto* sortingPage = new QWidget;
    cmbSort1 = named(new QComboBox, QStringLiteral("cmbSort1"));
    cmbSort2 = named(new QComboBox, QStringLiteral("cmbSort2"));
    auto* sorting = new QFormLayout(sortingPage);
    sorting->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    for (QComboBox* list : {cmbSort1, cmbSort2})
        list->setMinimumContentsLength(24);
    sorting->addRow(QStringLiteral("Primary Sort"), cmbSort1);
    sorting->addRow(QStringLiteral("Secondary Sort"), cmbSort2);
    SSTab1->addTab(sortingPage, QStringLiteral("Sorting"));

    cmdGenerate = named(new QPushButton(QStringLiteral("&Generate Report")), QStringLiteral("cmdGenerate"));
    cmdCancel = named(new QPushButton(QStringLiteral("&Cancel")), QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdGenerate);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1, 1);
    layout->addLayout(buttons);

    connectHandler(m_state, this, cmdAdd, &QPushButton::clicked, &frmRptSpec::cmdAdd_Click);
    connectHandler(m_state, this, cmdRemove, &QPushButton::clicked, &frmRptSpec::cmdRemove_Click);
    connectHandler(m_state, this, cmdUp, &QPushButton::clicked, &frmRptSpec::cmdUp_Click);
    connectHandler(m_state, this, cmdDown, &QPushButton::clicked, &frmRptSpec::cmdDown_Click);
    connectHandler(m_state, this, List1, &QListWidget::itemDoubleClicked, &frmRptSpec::cmdAdd_Click);
    // Enter in the available fields adds the one chosen, Delete in the
    // report's fields takes it out, as the buttons do
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)})
        connectHandler(m_state, this, new QShortcut(key, List1, nullptr, nullptr, Qt::WidgetShortcut),
                       &QShortcut::activated, &frmRptSpec::cmdAdd_Click);
    connectHandler(m_state, this,
                   new QShortcut(QKeySequence::Delete, List2, nullptr, nullptr, Qt::WidgetShortcut),
                   &QShortcut::activated, &frmRptSpec::cmdRemove_Click);
    connectHandler(m_state, this, List2, &QListWidget::itemSelectionChanged, &frmRptSpec::ShowFieldDetails);
    connectHandler(m_state, this, cmdGenerate, &QPushButton::clicked, &frmRptSpec::cmdGenerate_Click);
    connectHandler(m_state, this, cmdCancel, &QPushButton::clicked, &frmRptSpec::cmdCancel_Click);
    for (QRadioButton* option : optReportTo)
        connectHandler(m_state, this, option, &QRadioButton::toggled, &frmRptSpec::optReportTo_Click);
    connect(chkHide, &QCheckBox::toggled, this, [this](bool on) {
        if (CurrentSpecID)
            current().Hide = on;
    });
    connect(chkTotal, &QCheckBox::toggled, this, [this](bool on) {
        if (CurrentSpecID)
            current().ShowTotal = on;
    });
    connect(optTrue, &QRadioButton::toggled, this, [this](bool on) {
        if (CurrentSpecID && on) {
            current().WantTrue = true;
            current().WantFalse = false;
        }
    });
    connect(optFalse, &QRadioButton::toggled, this, [this](bool on) {
        if (CurrentSpecID && on) {
            current().WantTrue = false;
            current().WantFalse = true;
        }
    });
    // the day picked is kept at once: the focus may leave the box before the
    // window is active again, and then no leave check sees it
    auto dropDown = [this](DateBox* box, const QString& caption, PickerPlacement placement,
                           QDate FieldSetting::*member) {
        runEvent(m_state, [&] {
            dropDownDate(m_state, box, caption, placement);
            storeDate(box, member);
        });
    };
    connect(dcStartDate, &DateBox::dropDown, this, [this, dropDown] {
        dropDown(dcStartDate, QStringLiteral("Select Start Date"), PickerPlacement::BelowLeftAligned,
                 &FieldSetting::StartDate);
    });
    connect(dcEndDate, &DateBox::dropDown, this, [this, dropDown] {
        dropDown(dcEndDate, QStringLiteral("Select End Date"), PickerPlacement::AboveRightAligned,
                 &FieldSetting::EndDate);
    });

    m_leaveChecks = new LeaveChecks(this);
    m_leaveChecks->exempt(cmdCancel);
    auto check = [this](QWidget* field, std::function<bool()> handler) {
        m_leaveChecks->add(field, [this, handler] {
            bool passed = true;
            runEvent(m_state, [&] { passed = handler(); });
            return passed;
        });
    };
    check(txtWidth, [this] { return txtWidth_LostFocus(); });
    check(txtStarting, [this] {
        if (CurrentSpecID)
            current().StartsWith = txtStarting->text();
        return true;
    });
    check(txtGreater, [this] { return boundLostFocus(txtGreater, &FieldSetting::GreaterThan); });
    check(txtLess, [this] { return boundLostFocus(txtLess, &FieldSetting::LessThan); });
    auto dateCheck = [this](DateBox* box, QDate FieldSetting::*member) {
        return [this, box, member] {
            if (!dateLeaveCheck(
                    m_state, box,
                    QStringLiteral("You must enter a valid date or leave this selection field blank.")))
                return false;
            storeDate(box, member);
            return true;
        };
    };
    check(dcStartDate, dateCheck(dcStartDate, &FieldSetting::StartDate));
    check(dcEndDate, dateCheck(dcEndDate, &FieldSetting::EndDate));
    addHelpKey(this, m_state, kHelpTopic);
    // the tab order follows the page: available fields, the arrows, the
    // report's fields, then the details
    QWidget* order[] = {List1,       cmdAdd,    cmdRemove,   List2,      cmdUp,   cmdDown,
                        chkHide,     txtWidth,  txtStarting, txtGreater, txtLess, chkTotal,
                        dcStartDate, dcEndDate, optTrue,     optFalse};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void frmRptSpec::Form_Load()
{
    cmbPageNum->addItems(
        {QStringLiteral("At Bottom"), QStringLiteral("In Header"), QStringLiteral("No Page Numbers")});
    cmbPageNum->setCurrentIndex(0);
    txtTitle->setText(QStringLiteral("Plonko Wizmo Report"));
    optOrient[0]->setChecked(true);
    chkDate->setChecked(true);
    optWidth[0]->setChecked(true);
    optReportTo[std::clamp(m_state.ReportDest, 1, 3) - 1]->setChecked(true);
    optReportTo_Click();
    m_spec = ReportSpecification::fromCatalogue(readCatalogue(m_state.db()));
    for (const CatalogueField& field : m_spec.catalogue) {
        List1->addItem(entry(field.Desc, field.SpecID));
        if (field.datatype == CatalogueField::Photo)
            continue; // photos order nothing
        cmbSort1->addItem(field.Desc, field.SpecID);
        cmbSort2->addItem(field.Desc, field.SpecID);
    }
    cmbSort1->setCurrentIndex(-1);
    cmbSort2->setCurrentIndex(-1);
    CurrentKind = 1;
}

void frmRptSpec::message(const QString& text)
{
    m_state.dialogs.messageBox(text);
}

bool frmRptSpec::keepTypedDetails()
{
    // a button pressed by its shortcut leaves the focus in the box the
    // collector typed into: its check runs before the details change field
    return m_leaveChecks->checkFocusedField();
}

void frmRptSpec::ShowFieldDetails()
{
    const QList<QListWidgetItem*> selected = List2->selectedItems();
    if (selected.isEmpty()) {
        frame1->hide();
        CurrentSpecID = 0;
        return;
    }
    frame1->show();
    if (CurrentKind > 0)
        fraSel[CurrentKind - 1]->hide();
    const qint32 id = specOf(selected.first());
    const CatalogueField& field = m_spec.field(id);
    CurrentSpecID = 0; // the controls are filled without storing anything
    // a photo is chosen by nothing: it has no selection of its own
    CurrentKind = field.datatype == CatalogueField::Photo ? 0 : std::clamp(field.datatype, 1, 4);
    if (CurrentKind > 0)
        fraSel[CurrentKind - 1]->show();
    const FieldSetting& setting = m_spec.setting(id);
    txtWidth->setText(m_state.regional.locale().toString(setting.Width, 'g', QLocale::FloatingPointShortest));
    chkHide->setChecked(setting.Hide);
    txtStarting->setText(setting.StartsWith);
    txtLess->setText(setting.LessThan);
    txtGreater->setText(setting.GreaterThan);
    chkTotal->setChecked(setting.ShowTotal);
    dcStartDate->setText(setting.StartDate.isValid() ? m_state.regional.formatShortDate(setting.StartDate)
                                                     : QString());
    dcEndDate->setText(setting.EndDate.isValid() ? m_state.regional.formatShortDate(setting.EndDate)
                                                 : QString());
    optTrue->setAutoExclusive(false);
    optFalse->setAutoExclusive(false);
    optTrue->setChecked(setting.WantTrue);
    optFalse->setChecked(setting.WantFalse);
    optTrue->setAutoExclusive(true);
    optFalse->setAutoExclusive(true);
    CurrentSpecID = id;
}

void frmRptSpec::cmdAdd_Click()
{
    if (!keepTypedDetails())
        return;
    QListWidgetItem* chosen = List1->currentItem();
    if (!chosen || !chosen->isSelected()) {
        message(QStringLiteral(
            "You must select a field from the list of available fields to add to the report."));
        return;
    }
    List2->addItem(List1->takeItem(List1->row(chosen)));
    List2->setCurrentRow(List2->count() - 1);
    ShowFieldDetails();
}

void frmRptSpec::cmdRemove_Click()
{
    if (!keepTypedDetails())
        return;
    QListWidgetItem* chosen = List2->currentItem();
    if (!chosen || !chosen->isSelected()) {
        message(QStringLiteral("You must select a field to remove from the report."));
        return;
    }
    List1->addItem(List2->takeItem(List2->row(chosen)));
    List1->clearSelection();
    List2->clearSelection();
    List2->setCurrentItem(nullptr);
    ShowFieldDetails();
}

void frmRptSpec::moveSelected(int step)
{
    const int row = List2->currentRow();
    const int to = row + step;
    if (List2->count() < 2 || to < 0 || to >= List2->count())
        return;
    QListWidgetItem* item = List2->takeItem(row);
    List2->insertItem(to, item);
    List2->setCurrentRow(to);
    ShowFieldDetails();
}

void frmRptSpec::cmdUp_Click()
{
    if (!keepTypedDetails())
        return;
    if (!List2->currentItem() || !List2->currentItem()->isSelected()) {
        message(QStringLiteral("You must select the field to move up in the list"));
        return;
    }
    moveSelected(-1);
}

void frmRptSpec::cmdDown_Click()
{
    if (!keepTypedDetails())
        return;
    if (!List2->currentItem() || !List2->currentItem()->isSelected()) {
        message(QStringLiteral("You must select the field to move down in the list"));
        return;
    }
    moveSelected(1);
}

// A date box's date (none when it is empty) into the selected field's settings.
void frmRptSpec::storeDate(const DateBox* box, QDate FieldSetting::*member)
{
    if (CurrentSpecID)
        current().*member = m_state.regional.toDate(box->text()).value_or(QDate());
}

bool frmRptSpec::txtWidth_LostFocus()
{
    if (!CurrentSpecID)
        return true;
    const std::optional<double> width = m_state.regional.toNumber(txtWidth->text());
    if (!width) {
        // the focus moves on; the width keeps its value
        message(QStringLiteral("You must enter a valid number for the column width"));
        return true;
    }
    if (*width == 0) {
        current().Hide = true;
        chkHide->setChecked(true);
    }
    current().Width = *width;
    return true;
}

bool frmRptSpec::boundLostFocus(QLineEdit* box, QString FieldSetting::*member)
{
    if (!CurrentSpecID)
        return true;
    if (box->text().isEmpty() || m_state.regional.isNumeric(box->text())) {
        current().*member = box->text();
        return true;
    }
    message(QStringLiteral("You must enter a number or leave this selection field blank"));
    return false;
}

void frmRptSpec::optReportTo_Click()
{
    const bool screen = optReportTo[0]->isChecked();
    fraOrient->setVisible(screen);
    fraFormat->setVisible(screen);
}

void frmRptSpec::cmdGenerate_Click()
{
    if (!keepTypedDetails())
        return;
    ReportSpecification spec = m_spec;
    spec.fields.clear();
    for (int i = 0; i < List2->count(); ++i)
        spec.fields.append(specOf(List2->item(i)));
    spec.primarySort.reset();
    spec.secondarySort.reset();
    if (cmbSort1->currentIndex() >= 0)
        spec.primarySort = cmbSort1->currentData().toInt();
    if (cmbSort2->currentIndex() >= 0)
        spec.secondarySort = cmbSort2->currentData().toInt();
    CustomOptions options;
    options.destination = optReportTo[0]->isChecked() ? 1 : optReportTo[1]->isChecked() ? 2 : 3;
    options.title = txtTitle->text();
    options.showDate = chkDate->isChecked();
    options.pageNumbers = cmbPageNum->currentIndex();
    options.landscape = optOrient[1]->isChecked();
    options.inches = optWidth[0]->isChecked();
    GenerateCustomReport(m_state, m_preview, spec, options);
}

void frmRptSpec::cmdCancel_Click()
{
    close();
}
