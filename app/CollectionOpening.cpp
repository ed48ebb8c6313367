#include "CollectionOpening.h"

#include "AppState.h"
#include "LongWork.h"
#include "store/Database.h"

void openCollection(AppState& state)
{
    LongWork work(
        state,
        [](qint64, qint64) { return QStringLiteral("Sorting the collection for the system's language"); },
        LongWork::Cancel::NotOffered);
    state.CollectionDb =
        Database::OpenDatabase(state.DbPath, state.regional.locale(), [&work] { work.step(0, 0); });
}
