#pragma once

#include "Value.h"

#include <QString>

// A set of rows of a query with a current position, as the windows and
// reports walk it. Failures are thrown as DbError. A recordset over one table
// keeps only the keys of its rows and reads a row when it becomes current; a
// query that joins tables is read forwards only.
class Recordset
{
public:
    virtual ~Recordset() = default;

    // Zero when there are no rows; otherwise at least 1 (the rows seen so far
    // for a forward-only recordset).
    virtual long RecordCount() const = 0;
    virtual bool AtBOF() const = 0;
    virtual bool AtEOF() const = 0;
    // Whether the last FindFirst found nothing (the position then stays).
    bool NoMatch() const { return m_noMatch; }

    virtual void MoveFirst() = 0;
    virtual void MoveLast() = 0;
    virtual void MoveNext() = 0;
    virtual void MovePrevious() = 0;

    // AddNew starts a new row whose key can be read at once; Edit starts a
    // change of the current row; Update stores either. After Update of a new
    // row the position is where it was before AddNew.
    virtual void AddNew() = 0;
    virtual void Edit() = 0;
    virtual void Update() = 0;
    // Deletes the current row; the position stays on it until the next move.
    virtual void Delete() = 0;
    virtual void Close() = 0;
    // Runs the query again; a recordset over one table stays on its row while
    // that row is still there.
    virtual void Requery() = 0;

    // A field by name, letter case ignored: the current row's value, or while
    // adding or editing the value being written.
    virtual Value Fields(const QString& name) const = 0;
    // A field by its place in the query's select list, from 0.
    virtual Value FieldAt(int index) const = 0;
    virtual void SetField(const QString& name, const Value& value) = 0;

    // Moves to the first row in the recordset's order that meets the criteria
    // (a Jet where-expression); NoMatch tells whether there was one.
    virtual void FindFirst(const QString& criteria) = 0;

protected:
    bool m_noMatch = false;
};
