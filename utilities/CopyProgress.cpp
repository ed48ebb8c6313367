#include "CopyProgress.h"

#include "app/AppState.h"

CopyProgress::CopyProgress(AppState& state, const QString& copying, const QString& checking)
    : m_work(state, [this, &locale = state.regional.locale(), copying, checking](qint64 done, qint64 total) {
        return m_stage == CollectionFiles::Stage::Checking
                   ? checking
                   : copying + QStringLiteral(": ") + bytesOfTotal(locale, done, total);
    })
{}

CollectionFiles::Progress CopyProgress::progress()
{
    return [this](CollectionFiles::Stage stage, qint64 done, qint64 total) {
        m_stage = stage;
        return m_work.step(done, total);
    };
}

QString bytesOfTotal(const QLocale& locale, qint64 done, qint64 total)
{
    constexpr double kMb = 1024.0 * 1024.0;
    constexpr double kGb = kMb * 1024.0;
    if (total >= kGb)
        return QStringLiteral("%1 of %2 GB")
            .arg(locale.toString(done / kGb, 'f', 1), locale.toString(total / kGb, 'f', 1));
    // tenths of a megabyte under ten
    const int decimals = total < 10 * kMb ? 1 : 0;
    return QStringLiteral("%1 of %2 MB")
        .arg(locale.toString(done / kMb, 'f', decimals), locale.toString(total / kMb, 'f', decimals));
}
