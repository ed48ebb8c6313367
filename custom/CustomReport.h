#pragma once

#include "ReportSpecification.h"

#include <QString>

class AppState;
class ReportPreview;

// The report-wide choices of the custom report window.
struct CustomOptions
{
    int destination = 1; // 1 screen and printer, 2 text file, 3 web table
    QString title;
    bool showDate = true;
    // 0 "At Bottom" (centred in the footer), 1 "In Header" (at its right), 2 none
    int pageNumbers = 0;
    bool landscape = false;
    bool inches = true;
};

// Makes the custom report of the chosen fields and settings and sends it to
// the chosen destination, as the standard reports are sent; the choices are
// left as they were. A report without fields, with every field hidden, or with
// a bound that is no number is refused with a message before anything opens.
void GenerateCustomReport(AppState& state, ReportPreview& preview, const ReportSpecification& spec,
                          const CustomOptions& options);
