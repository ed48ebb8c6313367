#pragma once

// Where the preview stands: the page shown (from 1) of how many, and how far
// its view is scrolled down (0 to scrollMax; scrollMax 0 when the page shows
// whole).
struct PreviewPlace
{
    int page = 1;
    int pages = 1;
    int scroll = 0;
    int scrollMax = 0;

    bool operator==(const PreviewPlace&) const = default;
};

// PageDown: a screen further down the page, or the next page at its top when
// the page shows whole or its foot is in sight. The last page stays at its foot.
PreviewPlace pageDown(const PreviewPlace& place, int screen);
// PageUp: a screen further up the page, or the previous page at its foot when
// the page shows whole or its top is in sight.
PreviewPlace pageUp(const PreviewPlace& place, int screen);

// The zoom a step in or out, by 10 within 10 to 250 percent.
constexpr int kLeastZoom = 10;
constexpr int kMostZoom = 250;
constexpr int kZoomStep = 10;
int zoomedIn(int zoom);
int zoomedOut(int zoom);
