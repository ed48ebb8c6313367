#pragma once

#include <QDialog>

// The about box: product, version and makers. Modeless; it deletes itself when
// closed, so each "About" command makes a new one.
class frmAbout : public QDialog
{
    Q_OBJECT

public:
    explicit frmAbout(QWidget* parent = nullptr);
};
