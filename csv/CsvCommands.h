#pragma once

class AppState;
class QWidget;

// The item window's "&Export to CSV..." and "&Import from CSV..." commands.
// Export writes every item to a file the collector names; import reads one,
// writing its rows as it goes, shows what it wrote, and keeps the items only
// when the collector agrees.
void ExportToCsv(AppState& state);
// True when items were added: the item window shows the collection again.
// The summary opens over owner.
bool ImportFromCsv(AppState& state, QWidget* owner);
