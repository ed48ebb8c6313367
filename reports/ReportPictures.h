#pragma once

#include <QCache>
#include <QImage>
#include <QSize>
#include <QString>

class AppState;

// The pictures of a report's photo cells, read from the open collection as
// each page is painted: from the stored thumbnail where it is large enough
// (a screen's preview), else decoded from the picture's bytes at the size
// asked (print and PDF). The last few are kept, so that a page painted again
// reads nothing. A picture that cannot be read is a null image.
class ReportPictures
{
public:
    explicit ReportPictures(const AppState& state);

    QImage operator()(qint64 key, QSize pixels);

private:
    QImage read(qint64 key, QSize pixels) const;

    const AppState& m_state;
    // by key and size, costed in pixels
    QCache<QString, QImage> m_kept;
};
