#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where a new window of the given frame size opens after one at previous: a
// step down and to the right, back at the top left of the available area when
// that step would leave it.
QPoint cascadedPosition(const QRect& previous, const QSize& size, const QRect& available, int step);

// Where a window of the given frame size opens over the frame of its owner:
// centred on it, moved as little as needed to lie within the available area.
QPoint centredOver(const QRect& owner, const QSize& size, const QRect& available);
