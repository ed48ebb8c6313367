#pragma once

#include "ItemTransfer.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// What an import will do, shown before anything is written: how many items
// it adds, each lookup entry it makes, and each row left out with its line
// and why. "&Import" adds the items; "&Cancel" writes nothing.
class frmImportSummary : public QDialog
{
    Q_OBJECT

public:
    frmImportSummary(const ItemTransfer::Summary& summary, QWidget* parent = nullptr);

    bool importChosen() const { return m_import; }

    QLabel* lblSummary;
    QPlainTextEdit* txtDetails;
    QPushButton* cmdImport;
    QPushButton* cmdCancel;

private:
    bool m_import = false;
};
