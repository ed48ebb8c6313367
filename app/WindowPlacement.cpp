#include "WindowPlacement.h"

#include <algorithm>

QPoint cascadedPosition(const QRect& previous, const QSize& size, const QRect& available, int step)
{
    const QPoint next = previous.topLeft() + QPoint(step, step);
    if (available.contains(QRect(next, size)))
        return next;
    return available.topLeft();
}

QPoint centredOver(const QRect& owner, const QSize& size, const QRect& available)
{
    const int x = owner.x() + (owner.width() - size.width()) / 2;
    const int y = owner.y() + (owner.height() - size.height()) / 2;
    // the top left stays in the area when the window is larger than it
    return {std::max(std::min(x, available.x() + available.width() - size.width()), available.x()),
            std::max(std::min(y, available.y() + available.height() - size.height()), available.y())};
}
