#pragma once

class AppState;
class ReportPreview;

// The standard reports of the Reports menu, each run to the destination the
// menu has chosen.
void ReportForSale(AppState& state, ReportPreview& preview);
void ReportItemList(AppState& state, ReportPreview& preview);
void ReportWantList(AppState& state, ReportPreview& preview);
void ReportSellers(AppState& state, ReportPreview& preview);
void ReportSales(AppState& state, ReportPreview& preview);
void ReportValue(AppState& state, ReportPreview& preview);
