#include "ElidingFields.h"

#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QStylePainter>

namespace {

// QLineEdit keeps this much space between its frame and its text
constexpr int kLineEditMargin = 2;

} // namespace

MoneyBox::MoneyBox(QWidget* parent)
    : QLineEdit(parent)
{
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::textChanged, this, &MoneyBox::updateToolTip);
}

QRect MoneyBox::textRect() const
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    return contents.marginsRemoved(textMargins()).adjusted(kLineEditMargin, 0, -kLineEditMargin, 0);
}

QString MoneyBox::shownText() const
{
    if (hasFocus())
        return text();
    return fontMetrics().elidedText(text(), Qt::ElideRight, textRect().width());
}

QSize MoneyBox::sizeHint() const
{
    const QSize hint = QLineEdit::sizeHint();
    const int frame = width() - textRect().width();
    const int widest = fontMetrics().horizontalAdvance(QStringLiteral("-000.000.000.000.000,00 €"));
    return {qMax(hint.width(), widest + frame), hint.height()};
}

QSize MoneyBox::minimumSizeHint() const
{
    // a few digits and the ellipsis
    const QSize hint = QLineEdit::minimumSizeHint();
    const int frame = width() - textRect().width();
    return {qMax(hint.width(), fontMetrics().horizontalAdvance(QStringLiteral("0,000…")) + frame),
            hint.height()};
}

void MoneyBox::paintEvent(QPaintEvent* event)
{
    const QString shown = shownText();
    if (shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame option;
    initStyleOption(&option);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, this);
    style()->drawItemText(&painter, textRect(), int(QStyle::visualAlignment(layoutDirection(), alignment())),
                          palette(), isEnabled(), shown, QPalette::Text);
}

void MoneyBox::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    updateToolTip();
}

void MoneyBox::updateToolTip()
{
    const bool cut = fontMetrics().horizontalAdvance(text()) > textRect().width();
    setToolTip(cut ? text() : QString());
}

DropDownList::DropDownList(QWidget* parent)
    : QComboBox(parent)
{
    setMinimumContentsLength(8);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setSizePolicy(QSizePolicy::Expanding, sizePolicy().verticalPolicy());
    connect(this, &QComboBox::currentTextChanged, this, &DropDownList::updateToolTip);
}

QRect DropDownList::textRect() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
}

QString DropDownList::shownText() const
{
    return fontMetrics().elidedText(currentText(), Qt::ElideRight, textRect().width());
}

void DropDownList::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownText();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

void DropDownList::resizeEvent(QResizeEvent* event)
{
    QComboBox::resizeEvent(event);
    updateToolTip();
}

void DropDownList::updateToolTip()
{
    setToolTip(shownText() == currentText() ? QString() : currentText());
}
