#pragma once

class AppState;
class CollectionHolder;

// "&Backup": the item window closes (and with it the database), the backup
// dialog copies the file, and the item window opens again on its first item.
void BackupDatabase(AppState& state, CollectionHolder& window);

// "&Pack Database": asked first; the item window closes, the file is
// compacted with the previous one kept as "Plonkodb.bak", and the item window
// opens again. A failure is reported and leaves the collection as it was.
void PackDatabase(AppState& state, CollectionHolder& window);

// At start-up, before the collection is opened: when a compaction was cut
// off between its renames, says what it left and, if the collector agrees,
// puts the whole file back under the collection's name.
void FinishInterruptedCompaction(AppState& state);
