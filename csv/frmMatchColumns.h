#pragma once

#include "ColumnMatch.h"
#include "ItemTransfer.h"

#include <QDialog>

class RegionalSettings;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

// "Match Columns": each column of another program's CSV file with its first
// values, the item field it fills (or "Leave out"), every field offered at
// most once, and how it is read; how the file's dates and amounts are read
// where a column's own values do not tell it; and its first rows as they
// will be stored, each value that will be refused marked with the reason.
// "&Ok" goes on to the import with the mapping as shown.
class frmMatchColumns : public QDialog
{
    Q_OBJECT

public:
    // What the window shows of a file.
    struct MatchedFile
    {
        QString name;
        ColumnMatch::Sample sample;
        // the values of each column in the whole file
        QList<ColumnMatch::Distinct> distinct;
        // as proposed, or as chosen at the last import of a file of its header
        ColumnMatch::Mapping mapping;
        bool recalled = false;
    };
    // lookups tells how a lookup column's values are matched to the entries.
    frmMatchColumns(MatchedFile file, const RegionalSettings& regional, ItemTransfer::LookupMatch lookups,
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
    void dateOrderChosen();
    void amountFormatChosen();
    void readAnew();
    QStringList bothWays(ItemTransfer::FieldKind kind) const;
    void showNewEntries(int column);
    void showReading(int column);
    void showPreview();

    MatchedFile m_file;
    const RegionalSettings& m_regional;
    ItemTransfer::LookupMatch m_lookups;
    ColumnMatch::Mapping& m_mapping;
    QList<QComboBox*> m_fields;
    // a reading of dates or amounts chosen for the file here
    bool m_orderChosen = false;
    bool m_formatChosen = false;
};
