#pragma once

#include <QLocale>
#include <QString>

#include <functional>
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
    // another program holds the collection, so it could not be read
    bool inUse = false;
};

// How far a copy of the collection has got: the bytes copied of the bytes
// to copy, then its check (of no known length, both 0). False stops it.
enum class Stage
{
    Copying,
    Checking
};
using Progress = std::function<bool(Stage stage, qint64 done, qint64 total)>;

// The work was stopped through its progress; nothing of it is left.
struct Stopped
{
};

inline const QString kBackupName = QStringLiteral("Plonko.mdb");
inline const QString kCompactedName = QStringLiteral("Plonnew.mdb");
inline const QString kPreviousName = QStringLiteral("Plonkodb.bak");

// Keeps another program that uses the engine's locks (another copy of this
// one among them) out of a closed collection while it lives: it holds the
// bytes the engine locks to read the file, so that such a program finds the
// file in use. The engine in this process still reads the file, since a
// process's own locks never stand in its way; but closing any handle of this
// process on the file ends the lock, so renew() takes it again after the file
// was read, and the hold ends before the program opens the file itself.
class Hold
{
public:
    explicit Hold(const QString& path);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

    void renew();

private:
    QString m_path;
    int m_fd = -1;
};

// Whether path holds a whole collection: it opens, has the item table, and
// the engine's full integrity check finds nothing.
bool isCompleteCollection(const QString& path);

// Copies the closed collection at source to "Plonko.mdb" in folder, replacing
// an earlier backup there only once the new copy is whole. On failure the
// partial copy is removed and an earlier backup is left as it was, as when
// progress stops it (Stopped).
void backupCollection(const QString& source, const QString& folder, const Progress& progress = {});

// Compacts the closed collection at dbPath (a link is followed to its file):
// the compacted copy is made as "Plonnew.mdb" beside it, the previous file becomes "Plonkodb.bak" and the
// copy takes the collection's name. On failure the collection is under its
// name again, as it was, wherever the failure came, and so it is when progress
// stops it before the renames (Stopped). The file is opened in the order of
// locale, as the program opens it.
void compactCollection(const QString& dbPath, const QLocale& locale, const Progress& progress = {});

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
