// Numbers and money as typed, in every locale; amounts printed in the currency
// format read back as what was printed.
#include "FuzzInput.h"

#include "regional/Money.h"
#include "regional/RegionalSettings.h"

#include <cmath>
#include <map>

namespace {

// Made once for each locale, by its place among them all.
const RegionalSettings& settings(qsizetype index)
{
    static std::map<qsizetype, RegionalSettings> made;
    auto at = made.find(index);
    if (at == made.end())
        at = made.emplace(index, RegionalSettings(everyLocale()[index])).first;
    return at->second;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const qsizetype index = localeIndex(input.number(2));
    const QLocale& locale = everyLocale()[index];
    const RegionalSettings& regional = settings(index);
    const qint64 units = qint64(input.number(8));
    const QString text = input.text();

    const std::optional<double> number = regional.toNumber(text);
    const std::optional<Money> money = regional.toMoney(text);
    const qsizetype cut = text.indexOf(u'\n');
    if (cut >= 0)
        regional.formatTotal(text.left(cut), text.mid(cut + 1));
    // the windows take a typed amount as money once it passed as a number
    if (number && std::abs(*number) < 9e14 && !money)
        broken("a number within money's range is money", locale.name() + u' ' + text);

    // printed, read back, printed again: the same text
    for (const std::optional<Money> amount : {std::optional<Money>(Money::fromUnits(units)), money}) {
        if (!amount)
            continue;
        const QString printed = regional.formatCurrency(*amount);
        const std::optional<Money> back = regional.toMoney(printed);
        if (!back)
            broken("printed money reads back", locale.name() + u' ' + printed);
        if (regional.formatCurrency(*back) != printed)
            broken("printed money reads back as printed",
                   locale.name() + u' ' + printed + u' ' + regional.formatCurrency(*back));
        if (amount->units() % Money::kScale == 0 && *back != *amount)
            broken("whole amounts read back exactly", locale.name() + u' ' + printed);
    }
    return 0;
}
