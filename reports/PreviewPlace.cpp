#include "PreviewPlace.h"

#include <algorithm>

PreviewPlace pageDown(const PreviewPlace& place, int screen)
{
    PreviewPlace next = place;
    if (place.scroll < place.scrollMax) {
        next.scroll = std::min(place.scroll + screen, place.scrollMax);
    } else if (place.page < place.pages) {
        ++next.page;
        next.scroll = 0;
    }
    return next;
}

PreviewPlace pageUp(const PreviewPlace& place, int screen)
{
    PreviewPlace next = place;
    if (place.scroll > 0) {
        next.scroll = std::max(place.scroll - screen, 0);
    } else if (place.page > 1) {
        --next.page;
        next.scroll = place.scrollMax;
    }
    return next;
}

int zoomedIn(int zoom)
{
    return std::min(zoom + kZoomStep, kMostZoom);
}

int zoomedOut(int zoom)
{
    return std::max(zoom - kZoomStep, kLeastZoom);
}
