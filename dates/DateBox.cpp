#include "DateBox.h"

#include <QLineEdit>

DateBox::DateBox(QWidget* parent)
    : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    lineEdit()->setMaxLength(30);
}

void DateBox::showPopup()
{
    emit dropDown();
}
