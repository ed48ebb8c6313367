#include "frmAbout.h"

#include <QDialogButtonBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

frmAbout::frmAbout(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(tr("About Plonko Wizmo"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);

    auto makeLabel = [this](const QString& name, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        label->setAlignment(Qt::AlignCenter);
        return label;
    };

    QLabel* product = makeLabel(QStringLiteral("lblProduct"), tr("Plonko Wizmo"));
    QFont productFont = product->font();
    productFont.setPointSizeF(productFont.pointSizeF() * 2.2);
    productFont.setBold(true);
    product->setFont(productFont);

    QLabel* version =
        makeLabel(QStringLiteral("lblVersion"), tr("Version %1").arg(QStringLiteral(PLONKO_VERSION)));
    QFont versionFont = version->font();
    versionFont.setPointSizeF(versionFont.pointSizeF() * 1.15);
    version->setFont(versionFont);

    QLabel* description =
        makeLabel(QStringLiteral("lblDescription"), tr("The collection manager for Plonko collectors"));

    auto* separator = new QFrame(this);
    separator->setObjectName(QStringLiteral("lineSeparator"));
    separator->setFrameShape(QFrame::HLine);
    separator->setFrameShadow(QFrame::Sunken);

    QLabel* maker = makeLabel(QStringLiteral("lblMaker"), tr("Written by The Plonko Wizmo contributors"));
    QLabel* copyright =
        makeLabel(QStringLiteral("lblCopyright"), tr("Copyright \u00A9 The Plonko Wizmo contributors"));
    QLabel* licence = makeLabel(
        QStringLiteral("lblLicence"),
        tr("This program is free software: you can redistribute it and/or modify it under the terms of the "
           "GNU General Public License as published by the Free Software Foundation, either version 3 of "
           "the License, or (at your option) any later version. It comes with NO WARRANTY."));
    licence->setWordWrap(true);
    licence->setFixedWidth(licence->fontMetrics().averageCharWidth() * 60);
    QFont smallFont = copyright->font();
    smallFont.setPointSizeF(smallFont.pointSizeF() * 0.9);
    copyright->setFont(smallFont);
    licence->setFont(smallFont);

    auto* buttons = new QDialogButtonBox(this);
    buttons->setObjectName(QStringLiteral("buttonBox"));
    buttons->setCenterButtons(true);
    QPushButton* ok = buttons->addButton(tr("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("cmdOk"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(36, 24, 36, 18);
    layout->setSpacing(6);
    layout->addWidget(product);
    layout->addWidget(version);
    layout->addSpacing(6);
    layout->addWidget(description);
    layout->addSpacing(10);
    layout->addWidget(separator);
    layout->addSpacing(10);
    layout->addWidget(maker);
    layout->addWidget(copyright);
    layout->addSpacing(6);
    layout->addWidget(licence);
    layout->addSpacing(14);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
