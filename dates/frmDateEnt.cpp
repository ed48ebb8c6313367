#include "frmDateEnt.h"

#include "CalendarMonth.h"
#include "DateFormat.h"
#include "app/AppState.h"
#include "app/ErrorHandler.h"
#include "app/HelpKey.h"

#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* arrow(const char* name, Qt::ArrowType direction)
{
    auto* button = new QToolButton;
    button->setObjectName(QString::fromLatin1(name));
    button->setArrowType(direction);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(18, 12);
    return button;
}

// A read-only box beside its spin buttons; the focus passes on to the calendar.
QLineEdit* heading(const char* name)
{
    auto* box = new QLineEdit;
    box->setObjectName(QString::fromLatin1(name));
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

QVBoxLayout* spinButton(QToolButton* up, QToolButton* down)
{
    auto* layout = new QVBoxLayout;
    layout->setSpacing(0);
    layout->addWidget(up);
    layout->addWidget(down);
    return layout;
}

} // namespace

frmDateEnt::frmDateEnt(AppState& state, QWidget* parent)
    : QDialog(parent)
    , m_state(state)
    , CurDate(state.PickedDate.isValid() ? state.PickedDate : state.today())
{
    setObjectName(QStringLiteral("frmDateEnt"));
    setWindowTitle(QStringLiteral("Select Date"));
    txtMonth = heading("txtMonth");
    txtYear = heading("txtYear");
    txtYear->setMaximumWidth(70);
    Spin1Up = arrow("Spin1Up", Qt::UpArrow);
    Spin1Down = arrow("Spin1Down", Qt::DownArrow);
    Spin2Up = arrow("Spin2Up", Qt::UpArrow);
    Spin2Down = arrow("Spin2Down", Qt::DownArrow);

    Grid1 = new QTableWidget(CalendarMonth::kWeeks, CalendarMonth::kDays);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    QStringList headings;
    for (int column = 0; column < CalendarMonth::kDays; ++column)
        headings.append(weekdayHeading(state, column));
    Grid1->setHorizontalHeaderLabels(headings);
    Grid1->verticalHeader()->hide();
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid1->horizontalHeader()->setDefaultSectionSize(
        fontMetrics().horizontalAdvance(QStringLiteral(" Wed ")) + 14);
    Grid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 10);
    Grid1->horizontalHeader()->setSectionsClickable(false);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Grid1->setFixedSize(
        Grid1->horizontalHeader()->defaultSectionSize() * CalendarMonth::kDays + 2 * Grid1->frameWidth(),
        Grid1->horizontalHeader()->sizeHint().height() +
            Grid1->verticalHeader()->defaultSectionSize() * CalendarMonth::kWeeks + 2 * Grid1->frameWidth());
    for (int week = 0; week < CalendarMonth::kWeeks; ++week) {
        for (int column = 0; column < CalendarMonth::kDays; ++column) {
            auto* cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignCenter);
            Grid1->setItem(week, column, cell);
        }
    }

    auto* top = new QHBoxLayout;
    top->addWidget(txtMonth, 1);
    top->addLayout(spinButton(Spin1Up, Spin1Down));
    top->addSpacing(8);
    top->addWidget(txtYear);
    top->addLayout(spinButton(Spin2Up, Spin2Down));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Grid1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QWidget* watched : std::initializer_list<QWidget*>{txtMonth, txtYear, Grid1})
        watched->installEventFilter(this);
    const std::pair<QToolButton*, Spin> spins[] = {{Spin1Up, Spin::MonthUp},
                                                   {Spin1Down, Spin::MonthDown},
                                                   {Spin2Up, Spin::YearUp},
                                                   {Spin2Down, Spin::YearDown}};
    for (const auto& [button, direction] : spins) {
        connect(button, &QToolButton::clicked, this,
                [this, direction] { runEvent(m_state, [&] { spin(int(direction)); }); });
    }
    connect(Grid1, &QTableWidget::cellClicked, this,
            [this](int row, int column) { runEvent(m_state, [&] { Grid1_Click(row + 1, column); }); });
    // the keyboard chooses too: Return or Enter on a day
    connect(Grid1, &QTableWidget::activated, this, [this](const QModelIndex& index) {
        runEvent(m_state, [&] { Grid1_Click(index.row() + 1, index.column()); });
    });
    addHelpKey(this, m_state, kHelpTopic);
    ShowMonth();
    Grid1->setFocus();
}

void frmDateEnt::ShowMonth()
{
    const CalendarMonth month(CurDate);
    txtMonth->setText(m_state.regional.monthName(CurDate.month()));
    txtYear->setText(QString::number(CurDate.year()));
    for (int week = 1; week <= CalendarMonth::kWeeks; ++week) {
        for (int column = 0; column < CalendarMonth::kDays; ++column) {
            const int day = month.dayAt(week, column);
            QTableWidgetItem* cell = Grid1->item(week - 1, column);
            cell->setText(day ? QString::number(day) : QString());
            cell->setFlags(day ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::ItemIsEnabled);
        }
    }
    Grid1->setCurrentCell(month.markedWeek() - 1, month.markedColumn());
}

void frmDateEnt::Grid1_Click(int week, int column)
{
    const QString text = Grid1->item(week - 1, column)->text();
    if (text.isEmpty())
        return;
    // the day as the system reads the text built from its numbers
    const int day = text.toInt();
    m_state.PickedDate = m_state.regional.toDate(FormatDate(m_state, CurDate.month(), day, CurDate.year()))
                             .value_or(QDate(CurDate.year(), CurDate.month(), day));
    accept();
}

void frmDateEnt::spin(int which, ShortMonth shortMonth)
{
    const std::optional<QDate> target = spunDate(m_state, CurDate, Spin(which), shortMonth);
    if (!target) {
        m_state.dialogs.beep();
        return;
    }
    CurDate = *target;
    ShowMonth();
}

bool frmDateEnt::pageKey(const QKeyEvent& key)
{
    const bool back = key.key() == Qt::Key_PageUp;
    if (!back && key.key() != Qt::Key_PageDown)
        return false;
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    Spin direction;
    if (modifiers == Qt::NoModifier)
        direction = back ? Spin::MonthDown : Spin::MonthUp;
    else if (modifiers == Qt::ControlModifier || modifiers == Qt::ShiftModifier)
        direction = back ? Spin::YearDown : Spin::YearUp;
    else
        return false;
    runEvent(m_state, [&] { spin(int(direction), ShortMonth::LastDay); });
    return true;
}

bool frmDateEnt::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn && (watched == txtMonth || watched == txtYear))
        Grid1->setFocus();
    // The grid would move the mark a screen down, off the month's days.
    if (event->type() == QEvent::KeyPress && watched == Grid1 && pageKey(*static_cast<QKeyEvent*>(event)))
        return true;
    return QDialog::eventFilter(watched, event);
}
