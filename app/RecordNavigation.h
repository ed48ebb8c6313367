#pragma once

class Dialogs;
class Recordset;

// The Next and Previous buttons of the editing windows: one row on, or back;
// past either end the system beeps and the first or last row stays current.
void moveNextWithinRows(Recordset& rows, Dialogs& dialogs);
void movePreviousWithinRows(Recordset& rows, Dialogs& dialogs);
