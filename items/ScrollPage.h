#pragma once

#include <QScrollArea>

// A page of a tab widget that scrolls where the window is too small for it,
// and otherwise asks for the room the whole page needs.
class ScrollPage : public QScrollArea
{
public:
    explicit ScrollPage(QWidget* page);

    QSize sizeHint() const override;
};
