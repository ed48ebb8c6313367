#pragma once

#include <QString>

#include <functional>

class Connection;
class TextOrder;

// Fresh collection files: every table with its indexes, a few entries in each
// lookup list and, on request, generated items. Refuses to overwrite a file.
namespace CollectionSchema {

// Creates the file; throws DbError when it exists or cannot be written.
// With sampleItems > 0 that many items are generated (the same ones for the
// same seed), spread over the lookup lists.
void createCollection(const QString& path, int sampleItems = 0, unsigned seed = 1);

// Brings a file being opened up to what the program keeps in it, in one
// transaction, keeping every row: text columns get text affinity (notes were
// once declared so that SQLite stored a typed "0123" as the number 123), the
// item table gets its sort key columns, the sort keys are made again when
// they were made under another language than order's (calling sorting now
// and then while they are), and a file whose imports left totals empty gets
// each empty total of a price made once of the price and the quantity, as the
// item window makes it. The connection holds the store's functions.
void mend(Connection& connection, const TextOrder& order, const std::function<void()>& sorting = {});

} // namespace CollectionSchema
