#pragma once

#include "store/Database.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A fresh collection in a temporary folder with eight known items:
//
//  # Name    descr          catnum      qty flags     toycon tagcon ser bra bou birthday    paid value ask
//  1 Abby    Brown bear     10          2   for sale  1      2      2   1   1   1998-05-30  3    4     5
//  2 bubbles Fish           9           1   want      -      -      -   -   -   -           7.5  -     -
//  3 Cubby   abby's friend  401         3   sold      3      -      4   2   2   1997-01-02  2    -     5
//  4 Abby    Aardvark       40          1             1      1      4   1   1   1998-03-05  -    10    -
//  5 Dot     (empty)        Style 45-B  5             -      -      -   3   -   -           -    1.25  -
//  6 (empty) Unnamed owl    (empty)     1   for sale  -      -      -   1   -   1999-12-31  -    -     9.99
//  7 Zed     Zebra          7           1             -      -      5   2   3   1998-03-05  -    -     -
//  8 Ace     Ant            8           1   want      -      -      5   -   -   1998-03-04  1    -     -
//
// Lookup keys as a fresh file numbers them: conditions 1 Mint, 2 Near Mint,
// 3 Excellent, 4 Good, 5 Fair, 6 Poor; tag conditions 1 Mint, 2 Near Mint,
// 3 Creased, 4 Price Sticker, 5 Torn; series 1 Birthday Bunch, 2 Garden
// Friends, 3 Holiday, 4 Ocean Pals, 5 Sports Stars; brands 1 Plonko,
// 2 Plonko Minis, 3 Plonko Jumbos; sellers 1 Corner Toy Shop, 2 Collector
// Fair, 3 Mail Order Club. The field catalogue is the one every collection has.
class TestCollection
{
public:
    // withItems false leaves the item table empty.
    explicit TestCollection(bool withItems = true);

    QString path() const { return m_dir.filePath(QStringLiteral("Plonko.mdb")); }
    QString folder() const { return m_dir.path(); }
    std::unique_ptr<Database> open() const { return Database::OpenDatabase(path()); }

private:
    QTemporaryDir m_dir;
};

// Read beside the store, as another program reads the file: a query's first
// value (empty when it gives none), the number of items, and the engine's
// full integrity check ("ok" when whole). Opened for writing, as at start-up,
// a journal left by a crash is played back first.
QString firstValue(const QString& path, const char* sql);
int itemCount(const QString& path);
QString integrityOf(const QString& path);
