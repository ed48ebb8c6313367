#pragma once

class AppState;

// Opens the collection at state.DbPath in the order of the regional settings'
// language. When its items must first be sorted again for that language,
// which takes seconds for a large collection, the progress of the sort shows
// without Cancel: a sort cut off by the program's end leaves the collection as
// it was, and the next start sorts it again.
void openCollection(AppState& state);
