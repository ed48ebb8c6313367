#pragma once

#include <QString>

// Fresh collection files: every table with its indexes, a few entries in each
// lookup list and, on request, generated items. Refuses to overwrite a file.
namespace CollectionSchema {

// Creates the file; throws DbError when it exists or cannot be written.
// With sampleItems > 0 that many items are generated (the same ones for the
// same seed), spread over the lookup lists.
void createCollection(const QString& path, int sampleItems = 0, unsigned seed = 1);

} // namespace CollectionSchema
