#pragma once

#include <QComboBox>

// A date field: an editable box whose drop-down button opens the calendar
// (the owner answers dropDown) instead of a list.
class DateBox : public QComboBox
{
    Q_OBJECT

public:
    explicit DateBox(QWidget* parent = nullptr);

    QString text() const { return currentText(); }
    void setText(const QString& text) { setEditText(text); }
    // The drop-down button (or Alt+Down): asks for the calendar.
    void showPopup() override;

signals:
    void dropDown();
};
