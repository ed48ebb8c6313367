#include "frmImportSummary.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString frmImportSummary::counted(qint64 count, const char* one, const char* many) const
{
    return count == 1 ? QString::fromLatin1(one) : QString::fromLatin1(many).arg(m_locale.toString(count));
}

// The lines kept of some rows, and a line for each kind of the rest.
void frmImportSummary::appendNotes(QStringList& details, const ItemTransfer::RowNotes& notes) const
{
    for (const ItemTransfer::Refusal& note : notes.kept())
        details.append(QStringLiteral("Line %1: %2").arg(note.line).arg(note.reason));
    for (const auto& [kind, more] : notes.more())
        details.append(QStringLiteral("%1: and %2")
                           .arg(kind, counted(more, "1 more row with the same reason.",
                                              "%1 more rows with the same reason.")));
}

frmImportSummary::frmImportSummary(const ItemTransfer::Summary& summary, const QLocale& locale,
                                   QWidget* parent)
    : QDialog(parent)
    , m_summary(summary)
    , m_locale(locale)
{
    setObjectName(QStringLiteral("frmImportSummary"));
    setWindowTitle(QStringLiteral("Import from CSV"));
    lblSummary = new QLabel;
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    chkAddDoubles = new QCheckBox(QStringLiteral("&Add them anyway"));
    chkAddDoubles->setObjectName(QStringLiteral("chkAddDoubles"));

    // the entries and the rows left out, however many, in a box that scrolls
    QStringList details;
    for (const auto& [table, descriptions] : summary.newLookups) {
        for (const QString& description : descriptions)
            details.append(QStringLiteral("New %1: %2").arg(table, description));
    }
    if (summary.newLookupCount > ItemTransfer::RowNotes::kKept)
        details.append(counted(summary.newLookupCount - ItemTransfer::RowNotes::kKept,
                               "And 1 more new lookup entry.", "And %1 more new lookup entries."));
    appendNotes(details, summary.refused);
    appendNotes(details, summary.respelt);
    txtDetails = new QPlainTextEdit;
    txtDetails->setObjectName(QStringLiteral("txtDetails"));
    txtDetails->setReadOnly(true);
    txtDetails->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtDetails->setPlainText(details.join(QLatin1Char('\n')));
    txtDetails->setMinimumSize(txtDetails->fontMetrics().averageCharWidth() * 70,
                               txtDetails->fontMetrics().lineSpacing() * 10);

    cmdImport = new QPushButton(QStringLiteral("&Import"));
    cmdImport->setObjectName(QStringLiteral("cmdImport"));
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdImport);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(chkAddDoubles);
    layout->addWidget(txtDetails, 1);
    layout->addLayout(buttons);
    // hidden once in the dialog: shown before, each would stand alone on the screen
    chkAddDoubles->setHidden(summary.doubles == 0);
    txtDetails->setHidden(details.isEmpty());

    showCounts();
    connect(chkAddDoubles, &QCheckBox::toggled, this, &frmImportSummary::showCounts);
    connect(cmdImport, &QPushButton::clicked, this, [this] {
        m_import = true;
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

bool frmImportSummary::doublesChosen() const
{
    return chkAddDoubles->isChecked();
}

// The counts, and "&Import" only where it adds something.
void frmImportSummary::showCounts()
{
    const qint64 added = doublesChosen() ? m_summary.rows : m_summary.rows - m_summary.doubles;
    QStringList lines;
    lines.append(m_summary.rows == 0 ? QStringLiteral("No row of the file can be imported.")
                 : added == 0        ? QStringLiteral("No item will be added.")
                                     : counted(added, "1 item will be added.", "%1 items will be added."));
    if (const qint64 there = m_summary.doubles - m_summary.repeats; there > 0)
        lines.append(
            counted(there, "1 row is already in the collection.", "%1 rows are already in the collection."));
    if (m_summary.repeats > 0)
        lines.append(counted(m_summary.repeats, "1 row repeats an earlier row of the file.",
                             "%1 rows repeat earlier rows of the file."));
    if (m_summary.newLookupCount > 0)
        lines.append(counted(m_summary.newLookupCount, "1 new lookup entry will be made.",
                             "%1 new lookup entries will be made."));
    if (m_summary.refused.count() > 0)
        lines.append(
            counted(m_summary.refused.count(), "1 row will be left out.", "%1 rows will be left out."));
    if (m_summary.respelt.count() > 0)
        lines.append(counted(m_summary.respelt.count(),
                             "1 lookup description was taken for an entry spelt otherwise.",
                             "%1 lookup descriptions were taken for entries spelt otherwise."));
    lblSummary->setText(lines.join(QLatin1Char('\n')));
    cmdImport->setEnabled(added > 0);
    cmdImport->setDefault(added > 0);
}
