#include "RecordNavigation.h"

#include "Dialogs.h"
#include "store/Recordset.h"

void moveNextWithinRows(Recordset& rows, Dialogs& dialogs)
{
    rows.MoveNext();
    if (rows.AtEOF()) {
        dialogs.beep();
        rows.MoveLast();
    }
}

void movePreviousWithinRows(Recordset& rows, Dialogs& dialogs)
{
    rows.MovePrevious();
    if (rows.AtBOF()) {
        dialogs.beep();
        rows.MoveFirst();
    }
}
