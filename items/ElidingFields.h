#pragma once

#include <QComboBox>
#include <QLineEdit>

// An amount of money, right-aligned. Where the box is too narrow for the whole
// amount it shows the leading digits and "…" (the whole amount in its tooltip)
// instead of scrolling them out of sight; with the focus it edits as usual.
class MoneyBox : public QLineEdit
{
    Q_OBJECT

public:
    explicit MoneyBox(QWidget* parent = nullptr);

    // What the box shows while the focus is elsewhere.
    QString shownText() const;
    // Room for a fifteen-digit amount.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect textRect() const;
    void updateToolTip();
};

// A drop-down list that takes the width its column gives it; an entry too long
// for the closed list ends in "…", with the whole entry in its tooltip.
class DropDownList : public QComboBox
{
    Q_OBJECT

public:
    explicit DropDownList(QWidget* parent = nullptr);

    // What the closed list shows.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRect textRect() const;
    void updateToolTip();
};
