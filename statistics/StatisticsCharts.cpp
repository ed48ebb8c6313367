#include "StatisticsCharts.h"

#include "regional/RegionalSettings.h"

#include <QtCharts/QBarCategoryAxis>
#include <QtCharts/QBarSeries>
#include <QtCharts/QBarSet>
#include <QtCharts/QCategoryAxis>
#include <QtCharts/QChart>
#include <QtCharts/QHorizontalBarSeries>
#include <QtCharts/QLineSeries>
#include <QtCharts/QStackedBarSeries>
#include <QtCharts/QValueAxis>

using namespace Qt::StringLiterals;

namespace StatisticsCharts {
namespace {

// colours a collector tells apart whatever their colour vision
const QColor kBlue(0x00, 0x72, 0xB2);
const QColor kOrange(0xE6, 0x9F, 0x00);
const QColor kVermillion(0xD5, 0x5E, 0x00);

// money on a chart is drawn, never added: a double is enough there
double drawn(Money amount)
{
    return double(amount.units()) / Money::kScale;
}

// The charts draw every label as rich text: a name or a word of the locale
// is escaped so that it shows as it is spelt.
QString plain(const QString& text)
{
    return text.toHtmlEscaped();
}

QChart* newChart(const QString& title, const QString& date, const RegionalSettings& regional)
{
    auto* chart = new QChart;
    chart->setTitle(plain(title) + u"<br><small>Figures of "_s + plain(date) + u"</small>"_s);
    QFont font = chart->titleFont();
    font.setBold(true);
    font.setPointSizeF(font.pointSizeF() * 1.2);
    chart->setTitleFont(font);
    chart->setLocale(regional.locale());
    chart->setLocalizeNumbers(true);
    chart->legend()->setAlignment(Qt::AlignBottom);
    return chart;
}

QString currencyTitle(const QString& what, const RegionalSettings& regional)
{
    return plain(what + u" ("_s + regional.locale().currencySymbol() + u')');
}

QValueAxis* moneyAxis(const QString& title, const RegionalSettings& regional)
{
    auto* axis = new QValueAxis;
    axis->setTitleText(currencyTitle(title, regional));
    axis->setLabelFormat(u"%.0f"_s);
    return axis;
}

QBarSet* barSet(const QString& label, const QColor& colour)
{
    auto* set = new QBarSet(label);
    set->setColor(colour);
    set->setBorderColor(colour.darker(130));
    set->setLabelColor(Qt::black);
    return set;
}

void showValues(QAbstractBarSeries* series)
{
    series->setLabelsVisible(true);
    series->setLabelsFormat(u"@value"_s);
    series->setLabelsPosition(QAbstractBarSeries::LabelsOutsideEnd);
    series->setLabelsPrecision(12);
}

// the axis of money spans the values shown, from zero or below it
void fit(QValueAxis* axis, double low, double high)
{
    axis->setRange(std::min(0.0, low), std::max(high, 1.0) * 1.12);
    axis->applyNiceNumbers();
}

QChart* valueOverTime(const std::vector<Statistics::Month>& months, const RegionalSettings& regional,
                      const QString& date)
{
    QChart* chart = newChart(u"Value over Time"_s, date, regional);
    auto* paid = new QLineSeries;
    paid->setName(u"Total Paid"_s);
    paid->setPen(QPen(kBlue, 2.5));
    auto* value = new QLineSeries;
    value->setName(u"Catalog Value"_s);
    value->setPen(QPen(kOrange, 2.5, Qt::DashLine));
    // months without purchases keep their place: along the axis by months since the first
    auto along = [&months](const QDate& month) {
        const QDate first = months.front().month;
        return double((month.year() - first.year()) * 12 + month.month() - first.month());
    };
    double high = 0;
    for (const Statistics::Month& month : months) {
        paid->append(along(month.month), drawn(month.paid));
        value->append(along(month.month), drawn(month.value));
        high = std::max({high, drawn(month.paid), drawn(month.value)});
    }
    // a single month shows as its points
    paid->setPointsVisible(months.size() == 1);
    value->setPointsVisible(months.size() == 1);
    chart->addSeries(paid);
    chart->addSeries(value);
    auto* across = new QCategoryAxis;
    across->setTitleText(u"Month of Purchase"_s);
    across->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    // about six months named along the axis, slanted so that none is cut short
    across->setLabelsAngle(-30);
    const double span = months.empty() ? 0 : along(months.back().month);
    const int every = std::max(1, int(span + 6) / 6);
    for (int step = 0; !months.empty() && step <= span; step += every)
        across->append(plain(regional.locale().toString(months.front().month.addMonths(step), u"MMM yyyy"_s)),
                       step);
    across->setRange(0, std::max(1.0, span));
    QValueAxis* up = moneyAxis(u"Running Total"_s, regional);
    fit(up, 0, high);
    chart->addAxis(across, Qt::AlignBottom);
    chart->addAxis(up, Qt::AlignLeft);
    for (QLineSeries* series : {paid, value}) {
        series->attachAxis(across);
        series->attachAxis(up);
    }
    return chart;
}

QChart* perYear(const std::vector<Statistics::Year>& years, const RegionalSettings& regional,
                const QString& date, bool profit)
{
    QChart* chart =
        newChart(profit ? u"Profit per Year of Sale"_s : u"Spending and Sales per Year"_s, date, regional);
    QStringList labels;
    // a year's profit or loss is one bar: its two sets stacked, one of them naught
    QAbstractBarSeries* series = profit ? static_cast<QAbstractBarSeries*>(new QStackedBarSeries)
                                        : static_cast<QAbstractBarSeries*>(new QBarSeries);
    double low = 0;
    double high = 0;
    if (profit) {
        QBarSet* gains = barSet(u"Profit"_s, kBlue);
        QBarSet* losses = barSet(u"Loss"_s, kVermillion);
        for (const Statistics::Year& year : years) {
            labels.append(QString::number(year.year));
            const double amount = drawn(year.profit);
            *gains << (amount >= 0 ? amount : 0);
            *losses << (amount < 0 ? amount : 0);
            low = std::min(low, amount);
            high = std::max(high, amount);
        }
        series->append(gains);
        series->append(losses);
    } else {
        QBarSet* paid = barSet(u"Total Paid"_s, kBlue);
        QBarSet* sales = barSet(u"Sales"_s, kOrange);
        for (const Statistics::Year& year : years) {
            labels.append(QString::number(year.year));
            *paid << drawn(year.paid);
            *sales << drawn(year.sales);
            high = std::max({high, drawn(year.paid), drawn(year.sales)});
        }
        series->append(paid);
        series->append(sales);
    }
    // each year of profit has a bar of naught in the set of losses, and the other
    // way round, which would be labelled "0"
    if (!profit)
        showValues(series);
    chart->addSeries(series);
    auto* across = new QBarCategoryAxis;
    across->append(labels);
    across->setTitleText(profit ? u"Year of Sale"_s : u"Year"_s);
    QValueAxis* up = moneyAxis(profit ? u"Profit"_s : u"Amount"_s, regional);
    fit(up, low * 1.12, high);
    chart->addAxis(across, Qt::AlignBottom);
    chart->addAxis(up, Qt::AlignLeft);
    series->attachAxis(across);
    series->attachAxis(up);
    return chart;
}

QChart* byGroup(const std::vector<Statistics::Group>& groups, const RegionalSettings& regional,
                const QString& date, Statistics::Grouping grouping)
{
    static const QString kTitles[] = {u"Brand"_s, u"Special Series"_s, u"Seller"_s};
    const QString kind = kTitles[int(grouping)];
    QChart* chart = newChart(u"Catalog Value by "_s + kind, date, regional);
    QBarSet* value = barSet(u"Catalog Value of the Pieces Held"_s, kBlue);
    QStringList labels;
    double high = 0;
    // the largest at the top; the program's own groups in italics, so that no
    // entry spelt as one of them is taken for it, nor shares its label
    for (auto group = groups.rbegin(); group != groups.rend(); ++group) {
        const QString name = group->kind == Statistics::Group::Kind::Entry
                                 ? plain(group->name)
                                 : u"<i>"_s + plain(group->name) + u"</i>"_s;
        labels.append(name + u" ("_s + regional.locale().toString(group->pieces) + u" pcs)"_s);
        *value << drawn(group->value);
        high = std::max(high, drawn(group->value));
    }
    auto* series = new QHorizontalBarSeries;
    series->append(value);
    showValues(series);
    chart->addSeries(series);
    auto* down = new QBarCategoryAxis;
    down->append(labels);
    down->setTitleText(kind + u" (Pieces Held)"_s);
    QValueAxis* across = moneyAxis(u"Catalog Value"_s, regional);
    fit(across, 0, high);
    chart->addAxis(down, Qt::AlignLeft);
    chart->addAxis(across, Qt::AlignBottom);
    series->attachAxis(down);
    series->attachAxis(across);
    chart->legend()->hide();
    return chart;
}

} // namespace

QStringList names()
{
    return {u"Value over Time"_s, u"Spending and Sales per Year"_s, u"Profit per Year of Sale"_s,
            u"By Brand"_s,        u"By Special Series"_s,           u"By Seller"_s};
}

QChart* make(Chart chart, const Database& db, Statistics::Series& series, const RegionalSettings& regional,
             const QString& date)
{
    using Statistics::Grouping;
    switch (chart) {
    case Chart::ValueOverTime:
        return valueOverTime(series.months(db), regional, date);
    case Chart::SpendingAndSales:
        return perYear(series.years(db), regional, date, false);
    case Chart::Profit:
        return perYear(series.years(db), regional, date, true);
    case Chart::ByBrand:
        return byGroup(series.groups(db, Grouping::Brand), regional, date, Grouping::Brand);
    case Chart::BySeries:
        return byGroup(series.groups(db, Grouping::Series), regional, date, Grouping::Series);
    case Chart::BySeller:
        break;
    }
    return byGroup(series.groups(db, Grouping::Seller), regional, date, Grouping::Seller);
}

QList<std::pair<QString, QString>> figureLines(const Statistics::Figures& f, const RegionalSettings& regional)
{
    const QLocale& locale = regional.locale();
    const Money gain = f.gain();
    const Money profit = f.profit();
    // a loss is told by its label, its amount without a sign
    auto size = [&regional](Money amount) {
        return regional.formatCurrency(amount < Money() ? -amount : amount);
    };
    return {
        {u"Items held"_s, locale.toString(f.heldItems)},
        {u"Pieces held"_s, locale.toString(f.heldPieces)},
        {u"Total paid"_s, regional.formatCurrency(f.heldPaid)},
        {u"Catalog value"_s, regional.formatCurrency(f.heldValue)},
        {gain < Money() ? u"Loss"_s : u"Gain"_s, size(gain)},
        {u"Items sold"_s, locale.toString(f.soldItems)},
        {u"Pieces sold"_s, locale.toString(f.soldPieces)},
        {u"Sales"_s, regional.formatCurrency(f.sales)},
        {profit < Money() ? u"Loss on sales"_s : u"Profit on sales"_s, size(profit)},
        {u"Want list items"_s, locale.toString(f.wantedItems)},
        {u"To pay for them"_s, regional.formatCurrency(f.wantedPay)},
    };
}

QString note(Chart chart, const Statistics::Figures& figures, const RegionalSettings& regional)
{
    const QLocale& locale = regional.locale();
    if (chart == Chart::ValueOverTime && figures.heldUndated > 0)
        return u"%1 of the items held have no purchase date and are not counted here."_s.arg(
            locale.toString(figures.heldUndated));
    if ((chart == Chart::SpendingAndSales || chart == Chart::Profit) && figures.soldUndated > 0)
        return u"%1 of the items sold have no date of sale and are not counted here."_s.arg(
            locale.toString(figures.soldUndated));
    return {};
}

} // namespace StatisticsCharts
