#pragma once

#include "ReportSpecification.h"

#include <QString>

#include <optional>

class RegionalSettings;

// The query of a custom report and the table strings of its columns.
struct CustomQuery
{
    QString sql;          // in Jet SQL
    QString format;       // the engine's format section of the shown fields
    QString tableHeading; // the format section and the heading row
    QList<qint32> shown;  // the shown fields, in column order
};

// Builds the query of the report: the shown fields in the select list, the
// tables of every field (shown, hidden or sorting) joined once each, every
// field's conditions and the sort. A text typed as a condition is quoted and
// matched literally; a bound is read as a number in the system's format and
// written as an SQL number. twipsPerUnit is 1440 for inches, 561.6 for
// centimetres. Nothing when a bound is no number (problem says which).
std::optional<CustomQuery> buildCustomQuery(const ReportSpecification& spec, const RegionalSettings& regional,
                                            double twipsPerUnit, QString* problem = nullptr);
