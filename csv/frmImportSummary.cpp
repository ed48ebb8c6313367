#include "frmImportSummary.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString counted(qint64 count, const char* one, const char* many)
{
    return count == 1 ? QString::fromLatin1(one) : QString::fromLatin1(many).arg(count);
}

} // namespace

frmImportSummary::frmImportSummary(const ItemTransfer::Summary& summary, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmImportSummary"));
    setWindowTitle(QStringLiteral("Import from CSV"));
    QStringList lines;
    lines.append(summary.rows == 0
                     ? QStringLiteral("No row of the file can be imported.")
                     : counted(summary.rows, "1 item will be added.", "%1 items will be added."));
    if (summary.newLookupCount() > 0)
        lines.append(counted(summary.newLookupCount(), "1 new lookup entry will be made.",
                             "%1 new lookup entries will be made."));
    if (!summary.refused.isEmpty())
        lines.append(counted(summary.refused.size(), "1 row will be left out.", "%1 rows will be left out."));
    lblSummary = new QLabel(lines.join(QLatin1Char('\n')));
    lblSummary->setObjectName(QStringLiteral("lblSummary"));

    // the entries and the rows left out, however many, in a box that scrolls
    QStringList details;
    for (const auto& [table, descriptions] : summary.newLookups) {
        for (const QString& description : descriptions)
            details.append(QStringLiteral("New %1: %2").arg(table, description));
    }
    for (const ItemTransfer::Refusal& refusal : summary.refused)
        details.append(QStringLiteral("Line %1: %2").arg(refusal.line).arg(refusal.reason));
    txtDetails = new QPlainTextEdit;
    txtDetails->setObjectName(QStringLiteral("txtDetails"));
    txtDetails->setReadOnly(true);
    txtDetails->setLineWrapMode(QPlainTextEdit::NoWrap);
    txtDetails->setPlainText(details.join(QLatin1Char('\n')));
    txtDetails->setVisible(!details.isEmpty());
    txtDetails->setMinimumSize(txtDetails->fontMetrics().averageCharWidth() * 70,
                               txtDetails->fontMetrics().lineSpacing() * 10);

    cmdImport = new QPushButton(QStringLiteral("&Import"));
    cmdImport->setObjectName(QStringLiteral("cmdImport"));
    cmdImport->setEnabled(summary.rows > 0);
    cmdImport->setDefault(summary.rows > 0);
    cmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmdImport);
    buttons->addWidget(cmdCancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblSummary);
    layout->addWidget(txtDetails, 1);
    layout->addLayout(buttons);

    connect(cmdImport, &QPushButton::clicked, this, [this] {
        m_import = true;
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}
