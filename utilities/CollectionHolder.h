#pragma once

class QWidget;

// What the backup and the compaction need of the window that holds the
// collection open: it lets the collection go for the work, and takes it up
// again after.
class CollectionHolder
{
public:
    virtual ~CollectionHolder() = default;

    // The window the utilities' dialogs open over, and whose lookup and
    // custom report windows may still hold the collection.
    virtual QWidget* holdingWindow() = 0;
    // Closes the collection; false when the window keeps it (the collector
    // chose to stay with an edit).
    virtual bool closeForUtility() = 0;
    // Opens the collection again, on its first item.
    virtual void reopenAfterUtility() = 0;
};
