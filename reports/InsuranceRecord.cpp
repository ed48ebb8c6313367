#include "InsuranceRecord.h"

#include "MoneyTotal.h"
#include "ReportEngine.h"
#include "ReportFile.h"
#include "ReportPictures.h"
#include "ReportRun.h"
#include "WebPhotos.h"

#include "app/AppState.h"
#include "app/LongWork.h"
#include "regional/RegionalSettings.h"
#include "store/Database.h"
#include "store/Recordset.h"

#include <QHash>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace Insurance {
namespace {

const QString kTitle = u"Insurance Record"_s;
// a photo stands about an inch and a half tall, in a column a little wider
constexpr int kPhotoTwips = 2160;
constexpr int kPhotoColumn = 2400;
constexpr int kMoneyColumn = 3200;

QHash<qint32, QString> descriptions(Database& db, const QString& query)
{
    QHash<qint32, QString> found;
    for (std::unique_ptr<Recordset> rows = db.OpenRecordset(query, Database::RecordsetType::ForwardOnly);
         !rows->AtEOF(); rows->MoveNext())
        if (const std::optional<qint32> key = longOf(rows->FieldAt(0)))
            found.insert(*key, textOf(rows->FieldAt(1)));
    return found;
}

QString described(const QHash<qint32, QString>& list, const Value& key)
{
    const std::optional<qint32> k = longOf(key);
    return k ? list.value(*k) : QString();
}

const QString kNotValued = u"Not valued"_s;

// The totals, each after its label, as the record begins and ends with them.
QList<std::pair<QString, QString>> totalLines(const Totals& totals, const RegionalSettings& regional)
{
    const QLocale& locale = regional.locale();
    return {{u"Items"_s, locale.toString(totals.items)},
            {u"Pieces"_s, locale.toString(totals.pieces)},
            {u"Total Paid"_s, regional.formatCurrency(totals.paid)},
            {u"Total Catalog Value"_s, regional.formatCurrency(totals.value)},
            {u"Items Not Valued"_s, locale.toString(totals.notValued)}};
}

// The first page's figures: the date, then the totals.
QList<std::pair<QString, QString>> figures(const Record& record, const RegionalSettings& regional)
{
    return QList<std::pair<QString, QString>>{{u"Date"_s, record.date}} + totalLines(record.totals, regional);
}

// An item's catalog value or total value: an item without a value is not
// valued, which an insurer never reads as worth nothing.
QString valueText(const Item& item, Money amount, const RegionalSettings& regional)
{
    return item.valued ? regional.formatCurrency(amount) : kNotValued;
}

// "Label: value", or nothing where the value is empty.
void addLine(QStringList& lines, const QString& label, const QString& value)
{
    if (!value.isEmpty())
        lines.append(label + u": "_s + value);
}

} // namespace

Totals readItems(Database& db, const RegionalSettings& regional, const std::function<bool(Item&&)>& each)
{
    const QHash<qint32, QString> conditions = descriptions(db, u"Select ConID, ConDesc from condition"_s);
    const QHash<qint32, QString> tags = descriptions(db, u"Select tagID, tagDesc from tagcon"_s);
    const QHash<qint32, QString> sellers = descriptions(db, u"Select bouID, bouDesc from boughtfrom"_s);
    const QHash<qint64, PhotoTables::MainPhoto> photos = db.OpenPhotoTables()->mainPhotos();
    // a collection repeats its dates often: each is written once
    QHash<QDate, QString> dates;
    Totals totals;
    MoneyTotal paid;
    MoneyTotal value;
    std::unique_ptr<Recordset> rows = db.OpenRecordset(
        u"Select PlonID, Name, descr, catnum, quantity, toycon, tagcon, PurchaseDate, bouID, pricepaid, "
        "catvalue, notes from Plonko where not wantlist and not sold order by name"_s,
        Database::RecordsetType::ForwardOnly);
    for (; !rows->AtEOF(); rows->MoveNext()) {
        Item item;
        item.name = textOf(rows->FieldAt(1));
        item.description = textOf(rows->FieldAt(2));
        item.catalogNumber = textOf(rows->FieldAt(3));
        const Value quantity = rows->FieldAt(4);
        item.quantity = textOf(quantity);
        item.condition = described(conditions, rows->FieldAt(5));
        item.tagCondition = described(tags, rows->FieldAt(6));
        if (const std::optional<QDate> bought = dateOf(rows->FieldAt(7))) {
            auto shown = dates.constFind(*bought);
            if (shown == dates.cend())
                shown = dates.insert(*bought, regional.formatShortDate(*bought));
            item.purchaseDate = *shown;
        }
        item.seller = described(sellers, rows->FieldAt(8));
        item.notes = textOf(rows->FieldAt(11));
        const qint64 pieces = reportQuantity(quantity, item.name);
        item.paidEach = reportAmount(rows->FieldAt(9), item.name);
        const Value valueEach = rows->FieldAt(10);
        item.valueEach = reportAmount(valueEach, item.name);
        item.valued = moneyOf(valueEach).has_value();
        totals.notValued += item.valued ? 0 : 1;
        item.totalPaid = paid.addProduct(pieces, item.paidEach, item.name);
        item.totalValue = value.addProduct(pieces, item.valueEach, item.name);
        ++totals.items;
        totals.pieces += pieces;
        const auto photo = photos.constFind(longOf(rows->FieldAt(0)).value_or(0));
        if (photo != photos.cend())
            item.photo = *photo;
        if (!each(std::move(item)))
            break;
    }
    totals.paid = paid.value();
    totals.value = value.value();
    return totals;
}

Record read(Database& db, const RegionalSettings& regional, const QString& date,
            const std::function<bool(qint64 items)>& step)
{
    Record record;
    record.date = date;
    record.totals = readItems(db, regional, [&](Item&& item) {
        record.items.push_back(std::move(item));
        return !step || step(qint64(record.items.size()));
    });
    return record;
}

void layOut(const Record& record, const RegionalSettings& regional, ReportEngine& document,
            const std::function<bool(qint64 items)>& step)
{
    const int body = document.pageWidth() - 1440;
    const QList<TableString::Column> whole{{body, false}};
    const QList<TableString::Column> pair{{body / 3, false}, {body / 3, true}};
    document.setBold(true);
    document.addRow(whole, {kTitle});
    document.setBold(false);
    document.addRow(whole, {QString()});
    for (const auto& [label, figure] : figures(record, regional))
        document.addRow(pair, {label, figure});
    document.addRow(whole, {QString()});
    document.addRow(whole, {u"The collector's name and address:"_s});
    // lines to write on by hand: ruled as headings are
    document.setBold(true);
    for (int line = 0; line < 4; ++line)
        document.addRow(whole, {u" "_s});
    document.setBold(false);
    document.newPage();

    const QList<TableString::Column> block{
        {kPhotoColumn, false}, {body - kPhotoColumn - kMoneyColumn, false}, {kMoneyColumn, true}};
    qint64 laidOut = 0;
    for (const Item& item : record.items) {
        if (step && !step(laidOut++))
            return;
        QStringList details{item.name};
        if (!item.description.isEmpty())
            details.append(item.description);
        addLine(details, u"Catalog Number"_s, item.catalogNumber);
        addLine(details, u"Quantity"_s, item.quantity);
        addLine(details, u"Condition"_s, item.condition);
        addLine(details, u"Swing Tag Condition"_s, item.tagCondition);
        addLine(details, u"Purchase Date"_s, item.purchaseDate);
        addLine(details, u"Bought From"_s, item.seller);
        addLine(details, u"Notes"_s, item.notes);
        const QString money = u"Price Paid: "_s + regional.formatCurrency(item.paidEach) +
                              u"\nTotal Paid: "_s + regional.formatCurrency(item.totalPaid) +
                              u"\nCatalog Value: "_s + valueText(item, item.valueEach, regional) +
                              u"\nTotal Value: "_s + valueText(item, item.totalValue, regional);
        QList<ReportEngine::CellPicture> pictures;
        if (item.photo)
            pictures.append({item.photo->listed.picture, item.photo->size, kPhotoTwips});
        document.addRow(block, {QString(), details.join(u'\n'), money}, pictures);
        document.addRow(whole, {QString()});
    }

    // the totals again, to be signed on a page of their own
    document.newPage();
    document.setBold(true);
    document.addRow(whole, {u"Totals"_s});
    document.setBold(false);
    document.addRow(whole, {QString()});
    for (const auto& [label, figure] : totalLines(record.totals, regional))
        document.addRow(pair, {label, figure});
    for (const auto& [label, line] :
         {std::pair{u"Date:"_s, body / 3}, std::pair{u"Signature:"_s, body * 2 / 3}}) {
        document.addRow(whole, {QString()});
        document.addRow(whole, {label});
        document.setBold(true); // ruled below, to write on
        document.addRow({{line, false}}, {u" "_s});
        document.setBold(false);
    }
}

QStringList textHeadings()
{
    return {u"Name"_s,
            u"Description"_s,
            u"Catalog Number"_s,
            u"Quantity"_s,
            u"Plonko Condition"_s,
            u"Swing Tag Condition"_s,
            u"Purchase Date"_s,
            u"Bought From"_s,
            u"Price Paid"_s,
            u"Total Paid"_s,
            u"Catalog Value"_s,
            u"Total Value"_s,
            u"Notes"_s,
            u"Photo"_s};
}

QStringList textCells(const Item& item, const RegionalSettings& regional)
{
    return {item.name,
            item.description,
            item.catalogNumber,
            item.quantity,
            item.condition,
            item.tagCondition,
            item.purchaseDate,
            item.seller,
            regional.formatCurrency(item.paidEach),
            regional.formatCurrency(item.totalPaid),
            valueText(item, item.valueEach, regional),
            valueText(item, item.totalValue, regional),
            item.notes,
            item.photo ? WebPhotos::fileName(item.photo->listed) : QString()};
}

QStringList htmlLines(const Record& record, const RegionalSettings& regional, const QString& folder)
{
    using ReportLines::htmlText;
    QStringList lines{QStringLiteral("\uFEFF<html>"),
                      u"<head><meta charset=\"utf-8\"><title>"_s + kTitle + u"</title></head>"_s, u"<body>"_s,
                      u"<h1>"_s + kTitle + u"</h1>"_s, u"<table border=1>"_s};
    auto addFigures = [&lines](const QList<std::pair<QString, QString>>& shown) {
        for (const auto& [label, figure] : shown)
            lines.append(u"<tr><th align=left>"_s + label + u"</th><td align=right>"_s + htmlText(figure) +
                         u"</td></tr>"_s);
    };
    addFigures(figures(record, regional));
    lines += {u"</table>"_s, u"<p>The collector's name and address:</p>"_s,
              u"<p>&nbsp;</p><p>&nbsp;</p><p>&nbsp;</p>"_s, u"<table border=1>"_s};
    QString headings = u"<tr>"_s;
    for (const QString& heading : textHeadings().mid(0, textHeadings().size() - 1))
        headings += u"<th>"_s + heading + u"</th>"_s;
    lines.append(headings + u"<th>Photo</th></tr>"_s);
    for (const Item& item : record.items) {
        const QStringList cells = textCells(item, regional);
        QString line = u"<tr>"_s;
        for (qsizetype i = 0; i + 1 < cells.size(); ++i) {
            const bool amount = i >= 8 && i <= 11;
            line += (amount ? u"<td align=right>"_s : u"<td>"_s) + htmlText(cells[i]) + u"</td>"_s;
        }
        line += item.photo ? WebPhotos::cell(folder, item.photo->listed) : u"<td></td>"_s;
        lines.append(line + u"</tr>"_s);
    }
    lines += {u"</table>"_s, u"<h2>Totals</h2>"_s, u"<table border=1>"_s};
    addFigures(totalLines(record.totals, regional));
    // the closing ends the table of totals; the lines to sign follow it
    QStringList closing = ReportLines::htmlClosing();
    lines.append(closing.takeFirst());
    lines += {u"<p>Date:</p>"_s, u"<p>&nbsp;</p>"_s, u"<p>Signature:</p>"_s, u"<p>&nbsp;</p>"_s};
    return lines + closing;
}

} // namespace Insurance

namespace {

// Each picture of the record once, into the web table's folder, stepping
// the work after each; why one could not be written, or nothing.
std::optional<QString> writePhotos(WebPhotos& photos, const Insurance::Record& record, LongWork& work)
{
    const qint64 total = std::count_if(record.items.cbegin(), record.items.cend(),
                                       [](const Insurance::Item& item) { return item.photo.has_value(); });
    qint64 done = 0;
    for (const Insurance::Item& item : record.items)
        if (item.photo) {
            if (std::optional<QString> failure = photos.write(item.photo->listed))
                return failure;
            if (!work.step(++done, total))
                break;
        }
    return std::nullopt;
}

} // namespace

void ReportInsurance(AppState& state, ReportPreview& preview)
{
    const int destination = state.ReportDest;
    std::optional<ReportFile> file;
    if (destination != 1) {
        const std::optional<QString> chosen =
            chooseReportFile(state, u"Insurance.txt"_s, u"Insurance.htm"_s, destination);
        if (!chosen)
            return;
        file.emplace(*chosen);
        if (!file->open()) {
            reportWriteFailure(state, file->path(), file->errorString());
            return;
        }
    }
    const QLocale& locale = state.regional.locale();
    enum class Stage
    {
        Reading,
        LayingOut,
        WritingPhotos
    } stage = Stage::Reading;
    LongWork work(state, [&](qint64 done, qint64 total) {
        switch (stage) {
        case Stage::Reading:
            break;
        case Stage::LayingOut:
            return u"Laying out the pages: %1 of %2 items"_s.arg(locale.toString(done),
                                                                 locale.toString(total));
        case Stage::WritingPhotos:
            return u"Writing the photos: %1 of %2"_s.arg(locale.toString(done), locale.toString(total));
        }
        return u"Making the report: %1 items"_s.arg(locale.toString(done));
    });
    const QString date = state.regional.formatShortDate(state.today());
    Insurance::Record record;
    try {
        // a text file is written as the items are read; the other forms
        // begin with the totals
        if (destination == 2)
            record.totals = Insurance::readItems(state.db(), state.regional, [&](Insurance::Item&& item) {
                if (record.totals.items++ == 0)
                    file->writeCells(Insurance::textHeadings());
                file->writeCells(Insurance::textCells(item, state.regional));
                return work.step(record.totals.items, 0);
            });
        else
            record = Insurance::read(state.db(), state.regional, date,
                                     [&work](qint64 items) { return work.step(items, 0); });
    } catch (const ReportStopped& stopped) {
        work.off();
        state.dialogs.messageBox(stopped.message, Dialogs::Buttons::Ok, Dialogs::Icon::Exclamation,
                                 u"Report Not Finished"_s);
        return;
    }
    // a record the collector stopped ends without a file or a preview
    if (work.stopped())
        return;
    if (record.totals.items == 0) {
        work.off();
        state.dialogs.messageBox(u"You have not entered any reportable Plonkos!"_s);
        return;
    }
    if (destination == 1) {
        auto document = std::make_unique<ReportEngine>(ReportEngine::paperFor(state.regional.locale()));
        document->startDocument();
        document->setPageHeader(date + u"|Insurance Record|Page %d"_s);
        auto pictures = std::make_shared<ReportPictures>(state);
        document->setPictureSource([pictures](qint64 key, QSize pixels) { return (*pictures)(key, pixels); });
        stage = Stage::LayingOut;
        const qint64 items = qint64(record.items.size());
        Insurance::layOut(record, state.regional, *document,
                          [&work, items](qint64 laidOut) { return work.step(laidOut, items); });
        if (work.stopped())
            return;
        document->endDocument();
        // the preview is shown once the progress is closed, to take the focus
        work.off();
        preview.show(std::move(document), u"Insurance"_s);
        return;
    }
    if (destination == 3) {
        WebPhotos photos(state.db(), file->path());
        stage = Stage::WritingPhotos;
        if (const std::optional<QString> failure = writePhotos(photos, record, work)) {
            work.off();
            reportWriteFailure(state, file->path(), *failure);
            return;
        }
        if (work.stopped())
            return;
        for (const QString& line : Insurance::htmlLines(record, state.regional, photos.folderName()))
            file->writeLine(line);
        if (file->commit())
            photos.keep();
    } else {
        file->commit();
    }
    if (file->failed()) {
        work.off();
        reportWriteFailure(state, file->path(), file->errorString());
    }
}
