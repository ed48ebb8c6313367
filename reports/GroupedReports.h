#pragma once

#include <QString>

class AppState;
class ReportPreview;

// What a kind of grouped report shows and asks (4 special series, 3 brand,
// 2 seller).
struct GroupKind
{
    QString caption;
    QString allOption;
    QString oneOption;
    QString listQuery;
    QString listText;
    QString listKey;
    int helpTopic;
    QString title;
    QString groupHeading;
    QString groupHeadingLine;
    QString queryStart;
    QString oneGroup;
    QString ordering;
    QString groupField;
};

const GroupKind& groupKind(int kind);

// The query of a grouped report: all groups for -1, else the one group.
QString groupedQuery(const GroupKind& kind, qint32 groupID);

// Asks for all groups or one (frmRptSel), then runs the report of the kind
// in GroupReportKind; a cancelled choice ends it silently.
void ReportGrouped(AppState& state, ReportPreview& preview);
