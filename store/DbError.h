#pragma once

#include <QString>

#include <exception>

// A failure of the collection store, carrying the engine's error number (the
// numbers the error handler tells apart are the named ones below) and its text.
class DbError : public std::exception
{
public:
    enum Number
    {
        ObjectNotSet = 91,        // a database object was used before it was opened
        SqliteTooOld = 3000,      // the SQLite library is older than the store needs
        EngineFailure = 3001,     // any other failure of the engine
        UpdateWithoutEdit = 3020, // Update with neither AddNew nor Edit
        NoCurrentRecord = 3021,   // BOF, EOF or an empty recordset
        DuplicateKey = 3022,      // a constraint of the table refused the row
        FileNotFound = 3024,      // the database file does not exist
        DiskFull = 3026,          // the disk is full
        ReadOnlyObject = 3027,    // a write to a snapshot, or a file or folder that cannot be written
        DiskError = 3043,         // an input/output error of the file
        FileMoved = 3044,         // the file was moved, replaced or deleted while open; nothing was written
        FileInUse = 3045,         // the file is held by another program or copy
        CannotOpen = 3051,        // the file cannot be opened (permissions)
        SyntaxError = 3075,       // the SQL text or criteria cannot be run
        FieldTooSmall = 3163,     // a text longer than its field
        RecordDeleted = 3167,     // the current row was deleted
        RecordChanged = 3197,     // the row changed since Edit
        NotSupported = 3251,      // the operation does not suit this recordset
        RecordLocked = 3260,      // a row is locked (3168 means the same)
        ItemNotFound = 3265,      // no field of that name
        NotADatabase = 3343,      // the file is not a collection database
        NumericOverflow = 3349,   // a number too large for its field
        ObjectInvalid = 3420,     // the database or recordset was closed
        TypeConversion = 3421,    // a value that does not suit its field
    };
    static constexpr int RecordLockedToo = 3168;

    DbError(int number, QString description)
        : m_number(number)
        , m_description(std::move(description))
        , m_what(m_description.toUtf8())
    {}

    int number() const { return m_number; }
    const QString& description() const { return m_description; }
    const char* what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};
