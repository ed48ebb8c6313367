#include "WindowPlacement.h"

QPoint cascadedPosition(const QRect& previous, const QSize& size, const QRect& available, int step)
{
    const QPoint next = previous.topLeft() + QPoint(step, step);
    if (available.contains(QRect(next, size)))
        return next;
    return available.topLeft();
}
