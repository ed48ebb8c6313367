#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a new window of the given frame size opens after one at previous: a
// step down and to the right, back at the top left of the available area when
// that step would leave it.
QPoint cascadedPosition(const QRect& previous, const QSize& size, const QRect& available, int step);
