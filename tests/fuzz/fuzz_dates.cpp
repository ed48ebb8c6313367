// Dates as typed, under every locale's short date format and under formats a
// collector sets up; the examination of the format, and the dates the
// program writes for its own reading, which must read back as the same day.
#include "FuzzInput.h"

#include "ScriptedDialogs.h"
#include "app/AppState.h"
#include "dates/DateFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const QLocale locale = everyLocale()[localeIndex(input.number(2))];
    const QDate first(100, 1, 1);
    const QDate date =
        first.addDays(qint64(input.number(3) % std::uint64_t(first.daysTo(QDate(9999, 12, 31)) + 1)));
    const QString text = input.text();
    // "pattern\ntyped": the collector's own short date format, then the typed text
    const qsizetype cut = text.indexOf(u'\n');
    const QString pattern = cut >= 0 ? text.left(cut) : QString();
    const QString typed = cut >= 0 ? text.mid(cut + 1) : text;

    ScriptedDialogs dialogs;
    AppState state(dialogs, RegionalSettings(locale, pattern));
    const RegionalSettings& regional = state.regional;
    regional.toDate(typed);
    regional.dateFieldOrder();
    ChkDateFmt(state);

    // a format a collector can set up: printable, and without digits of its
    // own, which the examination would take for the sample date's
    for (const QChar c : pattern)
        if (c.unicode() < 0x20 || c.isDigit() || c == QChar::ReplacementCharacter)
            return 0;
    const QString written = FormatDate(state, date.month(), date.day(), date.year());
    if (regional.toDate(written) != date)
        broken("a date the program writes reads back as that day",
               QStringLiteral("locale %1, format '%2' (examined as %3, separator '%4', fields read as %5), "
                              "sample '%6', wrote '%7' for %8")
                   .arg(locale.name(), regional.shortDateFormat(), state.DateOrder, state.DateSep,
                        regional.dateFieldOrder(), regional.formatShortDate(QDate(1998, 5, 30)), written,
                        date.toString(Qt::ISODate)));
    return 0;
}
