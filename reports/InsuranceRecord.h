#pragma once

#include "regional/Money.h"
#include "store/PhotoTables.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

class AppState;
class Database;
class RegionalSettings;
class ReportEngine;
class ReportPreview;

// The insurance record: every item the collector holds (neither on the want
// list nor sold), in name order, with what it cost, what it is worth and its
// main photo; and the totals of all of them, exact.
namespace Insurance {

struct Item
{
    QString name;
    QString description;
    QString catalogNumber;
    QString quantity; // as stored; empty counts as no pieces
    QString condition;
    QString tagCondition;
    QString purchaseDate; // in the short date format
    QString seller;
    QString notes;
    Money paidEach;
    Money totalPaid;
    Money valueEach;
    Money totalValue;
    // false where it has no catalog value, which is told as not valued, never as nothing
    bool valued = true;
    std::optional<PhotoTables::MainPhoto> photo;
};

// What all the items come to.
struct Totals
{
    qint64 items = 0;
    qint64 pieces = 0;
    Money paid;
    Money value;
    qint64 notValued = 0;
};

struct Record
{
    QString date; // the day it was made, in the short date format
    std::vector<Item> items;
    Totals totals;
};

// Reads the items in order, handing each to each as it is read, and totals
// them; each's false stops the reading there, and an amount too large to add
// up stops it with ReportStopped.
Totals readItems(Database& db, const RegionalSettings& regional, const std::function<bool(Item&&)>& each);
// The whole record, for the forms that show the totals before the items;
// told the count read after each item, whose false stops the reading.
Record read(Database& db, const RegionalSettings& regional, const QString& date,
            const std::function<bool(qint64 items)>& step = {});

// The record as a document: a first page of its totals and a line for the
// collector's name and address, then a block for each item, its photo beside
// it, which never breaks across pages unless it is taller than one, and a last
// page of the totals again with lines for the date and signature; told the
// count laid out after each item, whose false stops it there.
void layOut(const Record& record, const RegionalSettings& regional, ReportEngine& document,
            const std::function<bool(qint64 items)>& step = {});

// The headings and the cells of each item in a text file: TAB-separated, the
// photo as the name of its file in a web table's folder.
QStringList textHeadings();
QStringList textCells(const Item& item, const RegionalSettings& regional);

// The lines of the web page, its photos in folder (a path relative to it).
QStringList htmlLines(const Record& record, const RegionalSettings& regional, const QString& folder);

} // namespace Insurance

// "Insurance Record" of the Reports menu, to the destination the menu chose:
// the preview (its PDF named "Insurance.pdf"), a text file, or a web table
// with its photos in a folder beside it.
void ReportInsurance(AppState& state, ReportPreview& preview);
