#pragma once

#include "ColumnMatch.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// "Match Columns": each column of another program's CSV file with its first
// values and the item field it fills (or "Leave out"), every field offered at
// most once; how its dates and amounts are read; and its first rows as they
// will be stored, each value that will be refused marked with the reason.
// "&Ok" goes on to the import with the mapping as shown.
class frmMatchColumns : public QDialog
{
    Q_OBJECT

public:
    frmMatchColumns(const QString& fileName, const ColumnMatch::Sample& sample, ColumnMatch::Mapping mapping,
                    QWidget* parent = nullptr);

    const ColumnMatch::Mapping& mapping() const { return m_mapping; }

    QLabel* lblFile;
    QTableWidget* grdColumns;
    QComboBox* cboDateOrder;
    QComboBox* cboDecimalMark;
    QLabel* lblDates;
    QTableWidget* grdPreview;
    QPushButton* cmdOk;
    QPushButton* cmdCancel;

private:
    void fieldChosen(int column);
    void readingChosen();
    void showPreview();

    const ColumnMatch::Sample& m_sample;
    ColumnMatch::Mapping m_mapping;
    QList<QComboBox*> m_fields;
    // the date columns whose every value reads both ways
    QStringList m_bothWays;
};
