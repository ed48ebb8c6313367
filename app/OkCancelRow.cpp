#include "OkCancelRow.h"

#include <QHBoxLayout>
#include <QPushButton>

QHBoxLayout* okCancelRow(QPushButton*& ok, QPushButton*& cancel)
{
    ok = new QPushButton(QStringLiteral("&Ok"));
    ok->setObjectName(QStringLiteral("cmdOk"));
    ok->setDefault(true);
    cancel = new QPushButton(QStringLiteral("&Cancel"));
    cancel->setObjectName(QStringLiteral("cmdCancel"));
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}
