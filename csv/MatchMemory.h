#pragma once

#include "ColumnMatch.h"

#include <QString>
#include <QStringList>

// The fields and readings a collector chose for the columns of a file, kept
// by the file's header in a file of the collector's own settings, so that a
// file of the same columns (a monthly export) is matched once. The most
// recent kKept headers are kept. A settings file that cannot be read or
// written (or is larger than kLargest) keeps nothing, and is no failure of
// the import.
class MatchMemory
{
public:
    static constexpr qsizetype kKept = 50;
    static constexpr qint64 kLargest = 1024 * 1024;

    // path: the settings file, or empty to keep nothing
    explicit MatchMemory(QString path);

    // The choices kept for the header, over the mapping proposed for it from
    // the file's values (its locale and encoding stay): the fields; the
    // file's order of dates where the values of its columns do not tell it,
    // as kept for the first date column whose own values do not tell its
    // order; and the format kept for each amount column whose own values do
    // not tell its format; false when none are kept.
    bool recall(const QStringList& header, ColumnMatch::Mapping& mapping) const;
    void remember(const QStringList& header, const ColumnMatch::Mapping& mapping) const;

private:
    QString m_path;
};
