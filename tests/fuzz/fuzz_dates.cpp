// Dates as typed, under every locale's short date format and under formats a
// collector sets up; the examination of the format, and the dates the
// program writes for its own reading, which must read back as the same day.
#include "FuzzInput.h"

#include "ScriptedDialogs.h"
#include "app/AppState.h"
#include "dates/DateFormat.h"

namespace {

// A format a collector sets up (the locales' own are all checked): printable,
// naming the day, the month and the year once each, and without digits of its
// own. In others (a field twice, a letter taken for the month's name, a
// literal "7") the sample date's numbers cannot tell the order.
bool namesEachFieldOnce(const QString& pattern)
{
    int days = 0, months = 0, years = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i];
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c)
            ++run;
        if (c.unicode() < 0x20 || c.isDigit() || c == QChar::ReplacementCharacter)
            return false;
        if (c == u'\'') {
            quoted = run % 2 == 1 ? !quoted : quoted;
        } else if (!quoted && !c.isLetter() && !c.isSpace() && !QStringLiteral("/.-,").contains(c)) {
            return false;
        } else if (!quoted && c.isLetter()) {
            if (c == u'd' && run <= 2)
                ++days;
            else if (c == u'M' && run <= 4)
                ++months;
            else if (c == u'y' && (run == 2 || run == 4))
                ++years;
            else if (c != u'd' || run > 4)
                return false; // a letter of its own, or a run the format reads otherwise
        }
        i += run;
    }
    return days == 1 && months == 1 && years == 1;
}

} // namespace

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

    if (!pattern.isEmpty() && !namesEachFieldOnce(pattern))
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
