#pragma once

#include "ItemTransfer.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

// What an import will do, shown before anything is written: the items to
// add, the lookup entries to make, and each row left out with its line and
// why. "&Import" adds the items; "&Cancel" writes nothing.
class frmImportSummary : public QDialog
{
    Q_OBJECT

public:
    frmImportSummary(const ItemTransfer::Summary& summary, QWidget* parent = nullptr);

    bool importChosen() const { return m_import; }

    QLabel* lblSummary;
    QPlainTextEdit* txtRefused;
    QPushButton* cmdImport;
    QPushButton* cmdCancel;

private:
    bool m_import = false;
};
