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
    for (const auto& [table, descriptions] : summary.newLookups)
        lines.append(QStringLiteral("%1, new: %2").arg(table, descriptions.join(QStringLiteral(", "))));
    if (!summary.refused.isEmpty())
        lines.append(counted(summary.refused.size(), "1 row will be left out:", "%1 rows will be left out:"));
    lblSummary = new QLabel(lines.join(QLatin1Char('\n')));
    lblSummary->setObjectName(QStringLiteral("lblSummary"));
    lblSummary->setWordWrap(true);
    lblSummary->setTextInteractionFlags(Qt::TextSelectableByMouse);

    txtRefused = new QPlainTextEdit;
    txtRefused->setObjectName(QStringLiteral("txtRefused"));
    txtRefused->setReadOnly(true);
    txtRefused->setLineWrapMode(QPlainTextEdit::NoWrap);
    QStringList refused;
    for (const ItemTransfer::Refusal& refusal : summary.refused)
        refused.append(QStringLiteral("Line %1: %2").arg(refusal.line).arg(refusal.reason));
    txtRefused->setPlainText(refused.join(QLatin1Char('\n')));
    txtRefused->setVisible(!summary.refused.isEmpty());
    txtRefused->setMinimumSize(txtRefused->fontMetrics().averageCharWidth() * 70,
                               txtRefused->fontMetrics().lineSpacing() * 10);

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
    layout->addWidget(txtRefused, 1);
    layout->addLayout(buttons);

    connect(cmdImport, &QPushButton::clicked, this, [this] {
        m_import = true;
        accept();
    });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}
