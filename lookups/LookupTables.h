#pragma once

#include "app/AppState.h"

// What the maintenance window needs to know of each lookup table: names,
// captions, its help topic, and what it says when an entry is deleted.
struct LookupTableInfo
{
    LookupTable table;
    const char* idField;
    const char* descField;
    const char* query;
    const char* caption;
    const char* label;
    int helpTopic;
    const char* kindWord;
    const char* deleteQuestion;
    const char* deleteTitle;
    const char* inUseQuery; // the entry's key is appended
    const char* inUseMessage;
};

// Numbered 1 to 6, as the Maintain menu lists the tables.
const LookupTableInfo& lookupTableInfo(int number);
