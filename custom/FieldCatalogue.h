#pragma once

#include "ReportSpecification.h"

class Database;

// The collection's field catalogue, in the order of its descriptions.
QList<CatalogueField> readCatalogue(Database& db);
