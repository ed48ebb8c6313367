#include "frmMatchColumns.h"

#include "app/OkCancelRow.h"
#include "regional/RegionalSettings.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

using ColumnMatch::AmountFormat;
using ColumnMatch::DateOrder;

const DateOrder kOrders[] = {DateOrder::DayMonthYear, DateOrder::MonthDayYear, DateOrder::YearMonthDay};
const char* const kOrderNames[] = {"Day first", "Month first", "Year first"};
const AmountFormat kFormats[] = {{QLatin1Char('.'), QLatin1Char(',')},
                                 {QLatin1Char(','), QLatin1Char('.')},
                                 {QLatin1Char(','), QLatin1Char(' ')},
                                 {QLatin1Char('.'), QChar(0x2019)}};

QTableWidgetItem* cell(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled);
    return item;
}

} // namespace

frmMatchColumns::frmMatchColumns(MatchedFile file, const RegionalSettings& regional,
                                 ItemTransfer::LookupMatch lookups, QWidget* parent)
    : QDialog(parent)
    , m_file(std::move(file))
    , m_regional(regional)
    , m_lookups(std::move(lookups))
    , m_mapping(m_file.mapping)
{
    const ColumnMatch::Sample& sample = m_file.sample;
    setObjectName(QStringLiteral("frmMatchColumns"));
    setWindowTitle(QStringLiteral("Match Columns"));
    lblFile = new QLabel(
        QStringLiteral(
            "The columns of %1 are not named as this program names them. %2 Its text is read as %3.")
            .arg(m_file.name,
                 m_file.recalled
                     ? QStringLiteral("Each has the field and reading chosen at the last import of "
                                      "a file of these columns.")
                     : QStringLiteral("Choose the field each one fills."),
                 sample.encoding.isEmpty() ? QStringLiteral("UTF-8") : sample.encoding));
    lblFile->setObjectName(QStringLiteral("lblFile"));
    lblFile->setWordWrap(true);

    grdColumns = new QTableWidget(int(sample.header.size()), 5);
    grdColumns->setObjectName(QStringLiteral("grdColumns"));
    grdColumns->setHorizontalHeaderLabels({QStringLiteral("Column"), QStringLiteral("First values"),
                                           QStringLiteral("Field"), QStringLiteral("New entries"),
                                           QStringLiteral("Read as")});
    grdColumns->verticalHeader()->hide();
    grdColumns->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    const QList<ItemTransfer::Field> fields = ItemTransfer::itemFields();
    for (int i = 0; i < sample.header.size(); ++i) {
        QStringList firsts;
        for (const QStringList& row : sample.rows)
            if (firsts.size() < 3 && !row.value(i).trimmed().isEmpty())
                firsts.append(row.value(i).trimmed());
        grdColumns->setItem(i, 0, cell(sample.header[i]));
        grdColumns->setItem(i, 1, cell(firsts.join(QStringLiteral("; "))));
        auto* field = new QComboBox;
        field->setObjectName(QStringLiteral("cboField%1").arg(i));
        field->setAccessibleName(sample.header[i]);
        field->addItem(QStringLiteral("Leave out"), -1);
        for (int f = 0; f < fields.size(); ++f)
            field->addItem(fields[f].header, f);
        field->setCurrentIndex(field->findData(m_mapping.columns[i].field));
        connect(field, &QComboBox::currentIndexChanged, this, [this, i] { fieldChosen(i); });
        grdColumns->setCellWidget(i, 2, field);
        m_fields.append(field);
        showNewEntries(i);
    }

    cboDateOrder = new QComboBox;
    cboDateOrder->setObjectName(QStringLiteral("cboDateOrder"));
    cboDateOrder->addItems({QStringLiteral("Day first (31.12.2024)"),
                            QStringLiteral("Month first (12/31/2024)"),
                            QStringLiteral("Year first (2024-12-31)")});
    cboDecimalMark = new QComboBox;
    cboDecimalMark->setObjectName(QStringLiteral("cboDecimalMark"));
    cboDecimalMark->addItems({QStringLiteral("Decimal point, grouped by commas (1,234.56)"),
                              QStringLiteral("Decimal comma, grouped by points (1.234,56)"),
                              QStringLiteral("Decimal comma, grouped by blanks (1 234,56)"),
                              QStringLiteral("Decimal point, grouped by apostrophes (1\u2019234.56)")});
    // the file's reading, for the columns whose own values do not tell
    // theirs, as told; where nobody told it, the locale's is proposed until
    // a value reads two ways, which is not guessed: the reading is then asked for
    cboDateOrder->setPlaceholderText(QStringLiteral("Choose: day first or month first?"));
    cboDecimalMark->setPlaceholderText(QStringLiteral("Choose: a decimal point or a decimal comma?"));
    readAnew();
    connect(cboDateOrder, &QComboBox::currentIndexChanged, this, &frmMatchColumns::dateOrderChosen);
    connect(cboDecimalMark, &QComboBox::currentIndexChanged, this, &frmMatchColumns::amountFormatChosen);
    auto* readings = new QFormLayout;
    readings->addRow(QStringLiteral("&Dates:"), cboDateOrder);
    readings->addRow(QStringLiteral("&Amounts:"), cboDecimalMark);
    lblDates = new QLabel;
    lblDates->setObjectName(QStringLiteral("lblDates"));
    lblDates->setWordWrap(true);

    grdPreview = new QTableWidget;
    grdPreview->setObjectName(QStringLiteral("grdPreview"));
    grdPreview->verticalHeader()->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblFile);
    layout->addWidget(grdColumns, 1);
    layout->addLayout(readings);
    layout->addWidget(lblDates);
    layout->addWidget(new QLabel(QStringLiteral("The first rows as they will be stored (a value marked is "
                                                "refused, and its row with it):")));
    layout->addWidget(grdPreview, 1);
    layout->addLayout(okCancelRow(cmdOk, cmdCancel));
    connect(cmdOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    showPreview();
    grdColumns->resizeColumnToContents(0);
    grdColumns->resizeColumnToContents(2);
    grdColumns->resizeColumnToContents(3);
    // as large as its tables want, within nine tenths of the screen
    resize(QSize(1200, 860).boundedTo(screen()->availableGeometry().size() * 9 / 10));
}

// A field chosen for a column is taken from the column that had it.
void frmMatchColumns::fieldChosen(int column)
{
    const int field = m_fields[column]->currentData().toInt();
    m_mapping.columns[column].field = field;
    for (int other = 0; other < m_fields.size(); ++other)
        if (other != column && field >= 0 && m_mapping.columns[other].field == field) {
            m_mapping.columns[other].field = -1;
            const QSignalBlocker quiet(m_fields[other]);
            m_fields[other]->setCurrentIndex(0);
            showNewEntries(other);
        }
    showNewEntries(column);
    readAnew();
    showPreview();
}

// The file's reading as its columns now tell it, or as chosen, shown in the
// choices below: as told, else the locale's while no value reads two ways,
// else none, waiting for a choice.
void frmMatchColumns::readAnew()
{
    m_mapping.readFileAs(m_orderChosen ? std::optional(kOrders[cboDateOrder->currentIndex()]) : std::nullopt,
                         m_formatChosen ? std::optional(kFormats[cboDecimalMark->currentIndex()])
                                        : std::nullopt);
    const DateOrder order = m_mapping.dateOrder.value_or(ColumnMatch::localeDateOrder(m_mapping.locale));
    const QSignalBlocker quietDates(cboDateOrder);
    cboDateOrder->setCurrentIndex(
        bothWays(ItemTransfer::FieldKind::Date).isEmpty()
            ? int(std::find(std::begin(kOrders), std::end(kOrders), order) - std::begin(kOrders))
            : -1);
    // as told, else as kept for an amount column, else the locale's
    std::optional<AmountFormat> told = m_mapping.amountFormat;
    for (const ColumnMatch::Column& column : m_mapping.columns)
        if (!told && column.field >= 0 &&
            ItemTransfer::itemFields()[column.field].kind == ItemTransfer::FieldKind::Amount &&
            column.amountTold == ColumnMatch::Told::LastImport)
            told = column.amountFormat;
    const QChar group = m_mapping.locale.groupSeparator().at(0);
    const AmountFormat format = told.value_or(
        AmountFormat{m_mapping.locale.decimalPoint().at(0), group.isSpace() ? QLatin1Char(' ') : group});
    // the format itself, else the first of its decimal mark
    int chosen = -1;
    for (int f = 0; f < int(std::size(kFormats)); ++f)
        if (kFormats[f].decimalMark == format.decimalMark && kFormats[f].groupMark == format.groupMark)
            chosen = f;
    for (int f = 0; f < int(std::size(kFormats)) && chosen < 0; ++f)
        if (kFormats[f].decimalMark == format.decimalMark)
            chosen = f;
    const QSignalBlocker quietAmounts(cboDecimalMark);
    cboDecimalMark->setCurrentIndex(bothWays(ItemTransfer::FieldKind::Amount).isEmpty() ? std::max(chosen, 0)
                                                                                        : -1);
}

// How many entries a column matched to a lookup adds to it.
void frmMatchColumns::showNewEntries(int column)
{
    const int field = m_mapping.columns[column].field;
    QString text;
    if (field >= 0 && ItemTransfer::itemFields()[field].kind == ItemTransfer::FieldKind::Lookup &&
        column < m_file.distinct.size() && m_lookups.added) {
        const ColumnMatch::Distinct& values = m_file.distinct[column];
        const qsizetype count = m_lookups.added(field, values.values);
        const QString number = m_regional.locale().toString(count);
        // counted among the first values only, a column may add more
        if (values.more && count == 0)
            text = QStringLiteral("None in the first %1")
                       .arg(m_regional.locale().toString(ColumnMatch::Distinct::kMost));
        else
            text = values.more  ? number + QStringLiteral(" or more")
                   : count == 0 ? QStringLiteral("None")
                                : number;
    }
    grdColumns->setItem(column, 3, cell(text));
}

// A reading chosen is the file's, for every column whose own values do not tell theirs.
void frmMatchColumns::dateOrderChosen()
{
    m_orderChosen = true;
    readAnew();
    showPreview();
}

void frmMatchColumns::amountFormatChosen()
{
    m_formatChosen = true;
    readAnew();
    showPreview();
}

// The date or amount columns whose reading nobody told, and where a value reads two ways.
QStringList frmMatchColumns::bothWays(ItemTransfer::FieldKind kind) const
{
    const QList<ItemTransfer::Field> fields = ItemTransfer::itemFields();
    QStringList named;
    for (qsizetype i = 0; i < m_mapping.columns.size(); ++i) {
        const ColumnMatch::Column& column = m_mapping.columns[i];
        if (column.field < 0 || fields[column.field].kind != kind)
            continue;
        if (kind == ItemTransfer::FieldKind::Date
                ? !column.dateOrder && column.values.datesReadBothWays()
                : !column.amountFormat && column.values.amountsReadBothWays())
            named.append(m_file.sample.header[i]);
    }
    return named;
}

// How a column's dates or amounts are read, and who told it.
void frmMatchColumns::showReading(int column)
{
    const ColumnMatch::Column& matched = m_mapping.columns[column];
    const ItemTransfer::FieldKind kind =
        matched.field >= 0 ? ItemTransfer::itemFields()[matched.field].kind : ItemTransfer::FieldKind::Text;
    const auto toldBy = [](ColumnMatch::Told told, const QString& kinds) {
        switch (told) {
        case ColumnMatch::Told::Values:
            return QStringLiteral(", as its %1 tell").arg(kinds);
        case ColumnMatch::Told::OtherColumns:
            return QStringLiteral(", as the file's other %1 tell").arg(kinds);
        case ColumnMatch::Told::LastImport:
            return QStringLiteral(", as chosen at the last import");
        default:
            return QStringLiteral(", as chosen below");
        }
    };
    QString text;
    if (kind == ItemTransfer::FieldKind::Date && !matched.dateOrder) {
        text = matched.values.datesReadBothWays() ? QStringLiteral("Not told: choose below")
                                                  : QStringLiteral("Not told: each date reads one way");
    } else if (kind == ItemTransfer::FieldKind::Date) {
        const auto at = std::find(std::begin(kOrders), std::end(kOrders), *matched.dateOrder);
        text = QString::fromLatin1(kOrderNames[at - std::begin(kOrders)]) +
               toldBy(matched.dateTold, QStringLiteral("dates"));
    } else if (kind == ItemTransfer::FieldKind::Amount && !matched.amountFormat) {
        text = matched.values.amountsReadBothWays() ? QStringLiteral("Not told: choose below")
                                                    : QStringLiteral("Not told: each amount reads one way");
    } else if (kind == ItemTransfer::FieldKind::Amount) {
        const AmountFormat format = *matched.amountFormat;
        text = QLatin1Char('1') + (format.groupMark.isNull() ? QString() : QString(format.groupMark)) +
               QStringLiteral("234") + format.decimalMark + QStringLiteral("56") +
               toldBy(matched.amountTold, QStringLiteral("amounts"));
    }
    grdColumns->setItem(column, 4, cell(text));
}

void frmMatchColumns::showPreview()
{
    // a column that reads two ways waits for the reading nobody told
    const QStringList datesBothWays = bothWays(ItemTransfer::FieldKind::Date);
    const QStringList amountsBothWays = bothWays(ItemTransfer::FieldKind::Amount);
    for (int column = 0; column < m_mapping.columns.size(); ++column)
        showReading(column);
    grdColumns->resizeColumnToContents(4);
    const QList<ItemTransfer::Field> fields = ItemTransfer::itemFields();
    const QStringList header = m_mapping.header();
    grdPreview->clear();
    grdPreview->setColumnCount(int(header.size()));
    grdPreview->setRowCount(int(m_file.sample.rows.size()));
    grdPreview->setHorizontalHeaderLabels(header);
    int refused = 0;
    for (int row = 0; row < m_file.sample.rows.size(); ++row) {
        int shown = 0;
        for (int column = 0; column < m_mapping.columns.size(); ++column) {
            if (m_mapping.columns[column].field < 0)
                continue;
            const QString value = m_file.sample.rows[row].value(column);
            const ColumnMatch::Read read = m_mapping.read(column, value);
            // a value refused as the file writes it; a lookup's as the entry it stands for
            const int field = m_mapping.columns[column].field;
            QString text = value;
            if (read.refused.isEmpty() && fields[field].kind == ItemTransfer::FieldKind::Lookup)
                text = m_lookups.storedAs ? m_lookups.storedAs(field, read.text) : read.text;
            else if (read.refused.isEmpty())
                text = ColumnMatch::shownAs(field, read.text, m_regional);
            QTableWidgetItem* item = cell(text);
            if (!read.refused.isEmpty()) {
                ++refused;
                item->setBackground(QColor(255, 200, 200));
                item->setToolTip(read.refused);
            }
            grdPreview->setItem(row, shown++, item);
        }
    }
    grdPreview->resizeColumnsToContents();
    QStringList notes;
    if (!datesBothWays.isEmpty())
        notes.append(QStringLiteral("Every date in %1 reads both day first and month first: choose the order "
                                    "above.")
                         .arg(datesBothWays.join(QStringLiteral(", "))));
    if (!amountsBothWays.isEmpty())
        notes.append(QStringLiteral("An amount in %1 reads both as a decimal and as grouped thousands (1.250 "
                                    "or 1,250): choose the format above.")
                         .arg(amountsBothWays.join(QStringLiteral(", "))));
    if (refused > 0)
        notes.append(QStringLiteral("%1 of the values shown will be refused: point at one to see why, or "
                                    "choose how the file writes them.")
                         .arg(refused));
    lblDates->setText(notes.join(QLatin1Char(' ')));
    lblDates->setVisible(!notes.isEmpty());
    cmdOk->setEnabled(
        datesBothWays.isEmpty() && amountsBothWays.isEmpty() &&
        (header.contains(QStringLiteral("Name")) || header.contains(QStringLiteral("Description"))));
}
