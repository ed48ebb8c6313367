#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// Work on the collection file as a whole, while the program has it closed.
// No step ever leaves a half-made file under a name the program opens: each
// copy is made under another name, flushed to the disk, checked, and only
// then renamed, and the folder is flushed after every rename.
namespace CollectionFiles {

// A step that failed; what says which and why, in the collector's words.
struct Failure
{
    QString what;
};

inline const QString kBackupName = QStringLiteral("Plonko.mdb");
inline const QString kCompactedName = QStringLiteral("Plonnew.mdb");
inline const QString kPreviousName = QStringLiteral("Plonkodb.bak");

// Whether path holds a whole collection: it opens, has the item table, and
// the engine's full integrity check finds nothing.
bool isCompleteCollection(const QString& path);

// Copies the closed collection at source to "Plonko.mdb" in folder, replacing
// an earlier backup there only once the new copy is whole. On failure the
// partial copy is removed and an earlier backup is left as it was.
void backupCollection(const QString& source, const QString& folder);

// Compacts the closed collection at dbPath (a link is followed to its file):
// the compacted copy is made as "Plonnew.mdb" beside it, the previous file becomes "Plonkodb.bak" and the
// copy takes the collection's name. On failure the collection is under its
// name again, as it was, wherever the failure came. The file is opened in the
// order of locale, as the program opens it.
void compactCollection(const QString& dbPath, const QLocale& locale);

// What start-up finds when dbPath is missing but a compaction left its files:
// the file to restore the collection from (the compacted copy when it is
// whole, else the previous file), and a description for the collector.
struct Interrupted
{
    QString description;
    std::optional<QString> restoreFrom;
};
std::optional<Interrupted> interruptedCompaction(const QString& dbPath);
// Puts the chosen file back under the collection's name.
void restore(const Interrupted& interrupted, const QString& dbPath);

// For tests: after `after` more steps of this kind, the next `count` fail as
// a failing disk fails them.
enum class Step
{
    Rename,
    FlushFile
};
void failSteps(Step step, int after = 0, int count = 1);

} // namespace CollectionFiles
