#pragma once

#include "Dialogs.h"
#include "regional/RegionalSettings.h"
#include "store/Database.h"
#include "store/DbError.h"

#include <QDate>
#include <QString>

#include <array>
#include <chrono>
#include <functional>
#include <memory>

// The six lookup tables, numbered as the Maintain menu lists them.
enum class LookupTable
{
    Condition = 1,
    BoughtFrom,
    Brand,
    Series,
    TagCon,
    Generation
};

// The state all windows share, one object for the whole run, handed to each
// window. Its values keep the names every part of the program knows them by.
class AppState
{
public:
    AppState(Dialogs& dialogs, RegionalSettings regional)
        : dialogs(dialogs)
        , regional(std::move(regional))
    {}

    Dialogs& dialogs;
    RegionalSettings regional;

    QString DbPath = QStringLiteral("Plonko.mdb");
    QString HelpPath = QStringLiteral("Plonko.hlp");
    // the collector's own settings file of the columns matched at imports,
    // empty to keep none (as in tests that do not set one)
    QString MatchesPath;
    std::unique_ptr<Database> CollectionDb;
    std::unique_ptr<Recordset> ItemSet;

    // the lock retry protocol of every row write
    bool UpdatePending = false;
    int LockRetries = 0;
    // the last dialog was cancelled
    bool Cancelled = false;
    // drop-down lists of the item window to refill on its next activation
    std::array<bool, 6> LookupChanged = {true, true, true, true, true, true};
    bool& lookupChanged(LookupTable table) { return LookupChanged[int(table) - 1]; }
    int MaintTable = 1;
    bool UtilityRunning = false;

    // today's date, from the system clock (tests set their own)
    std::function<QDate()> today = [] { return QDate::currentDate(); };
    // milliseconds from a steady clock, which long work reads to know when to
    // show its progress (tests set their own)
    std::function<qint64()> clock = [] {
        return qint64(std::chrono::duration_cast<std::chrono::milliseconds>(
                          std::chrono::steady_clock::now().time_since_epoch())
                          .count());
    };

    QDate PickedDate;
    QString DateOrder;
    QString DateSep;

    // where reports go: 1 preview and print, 2 text file, 3 HTML file
    int ReportDest = 1;
    // the format section and heading row the preview puts at the top of every
    // page while HeadingOnNewPage holds
    QString TableHeading;
    bool HeadingOnNewPage = false;
    // the grouped report to run (4 special series, 3 brand, 2 seller) and its
    // one group, or -1 for all
    int GroupReportKind = 0;
    qint32 SelectedGroupID = -1;

    // The open database and item recordset; using either before it is open
    // (or after it was closed) is error 91.
    Database& db() const
    {
        if (!CollectionDb)
            throw objectNotSet();
        return *CollectionDb;
    }
    Recordset& items() const
    {
        if (!ItemSet)
            throw objectNotSet();
        return *ItemSet;
    }

private:
    static DbError objectNotSet()
    {
        return DbError(DbError::ObjectNotSet,
                       QStringLiteral("Object variable or With block variable not set"));
    }
};
