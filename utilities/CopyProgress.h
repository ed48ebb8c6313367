#pragma once

#include "CollectionFiles.h"
#include "app/LongWork.h"

class AppState;

// A copy of the whole collection (a backup or a compaction) as long work:
// "Copying the collection: 1.2 of 2.0 GB", then its check.
class CopyProgress
{
public:
    // copying names the copy ("Copying the collection"), checking its check.
    CopyProgress(AppState& state, const QString& copying, const QString& checking);

    // What the copy tells of its progress, false once the collector stopped it.
    CollectionFiles::Progress progress();
    void off() { m_work.off(); }

private:
    CollectionFiles::Stage m_stage = CollectionFiles::Stage::Copying;
    LongWork m_work;
};

// Bytes done of total in the total's unit: "120 of 850 MB", "1.2 of 2.0 GB".
QString bytesOfTotal(const QLocale& locale, qint64 done, qint64 total);
