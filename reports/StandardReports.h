#pragma once

class AppState;
class ReportPreview;

// The standard reports of the Reports menu, each run to the destination the
// menu has chosen.
void ReportForSale(AppState& state, ReportPreview& preview);
