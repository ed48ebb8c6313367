#pragma once

#include "ItemTransfer.h"

#include <QDialog>
#include <QLocale>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

// What an import has written, shown before it is kept: how many items it
// adds, how many rows are already in the collection and how many repeat an
// earlier row of the file, each lookup entry it makes, each row left out with
// its line and why, and each description taken for an entry spelt otherwise.
// "&Import" keeps the items, with those doubles only when "Add them anyway"
// is ticked; "&Cancel" keeps nothing. Its counts are written in the locale of
// the regional settings.
class frmImportSummary : public QDialog
{
    Q_OBJECT

public:
    frmImportSummary(const ItemTransfer::Summary& summary, const QLocale& locale, QWidget* parent = nullptr);

    bool importChosen() const { return m_import; }
    bool doublesChosen() const;

    QLabel* lblSummary;
    QCheckBox* chkAddDoubles;
    QPlainTextEdit* txtDetails;
    QPushButton* cmdImport;
    QPushButton* cmdCancel;

private:
    void showCounts();
    QString counted(qint64 count, const char* one, const char* many) const;
    void appendNotes(QStringList& details, const ItemTransfer::RowNotes& notes) const;

    const ItemTransfer::Summary& m_summary;
    QLocale m_locale;
    bool m_import = false;
};
