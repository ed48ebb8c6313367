#include "FieldCatalogue.h"

#include "store/Database.h"

#include <QSet>

#include <algorithm>

namespace {

// A width as the catalogue holds it: a number of any kind, or a number
// written as text; anything else leaves the field at the default width.
std::optional<double> widthOf(const Value& value)
{
    if (const auto* number = std::get_if<double>(&value))
        return *number;
    if (const auto* whole = std::get_if<qint32>(&value))
        return *whole;
    if (const auto* amount = std::get_if<Money>(&value))
        return amount->toDouble();
    if (const auto* text = std::get_if<QString>(&value)) {
        bool ok = false;
        const double number = text->trimmed().toDouble(&ok);
        if (ok)
            return number;
    }
    return std::nullopt;
}

} // namespace

QList<CatalogueField> readCatalogue(Database& db)
{
    QList<CatalogueField> catalogue;
    QSet<qint32> seen;
    const std::unique_ptr<Recordset> rows = db.OpenRecordset(
        QStringLiteral("Select * from RptSpec order by [desc]"), Database::RecordsetType::Snapshot);
    for (; !rows->AtEOF(); rows->MoveNext()) {
        CatalogueField field;
        // a row without its own identifier cannot carry settings: it is left out
        const std::optional<qint32> id = longOf(rows->Fields(QStringLiteral("SpecID")));
        if (!id || seen.contains(*id))
            continue;
        seen.insert(*id);
        field.SpecID = *id;
        field.Desc = textOf(rows->Fields(QStringLiteral("Desc")));
        field.fieldname = textOf(rows->Fields(QStringLiteral("fieldname")));
        field.datatype = longOf(rows->Fields(QStringLiteral("datatype"))).value_or(CatalogueField::Text);
        field.filename = textOf(rows->Fields(QStringLiteral("filename")));
        field.Linkfield = textOf(rows->Fields(QStringLiteral("Linkfield")));
        field.defwidth = widthOf(rows->Fields(QStringLiteral("defwidth")));
        field.IsCurrency = boolOf(rows->Fields(QStringLiteral("IsCurrency")));
        catalogue.append(field);
    }
    CatalogueField photo;
    photo.SpecID = CatalogueField::kPhotoSpecID;
    photo.Desc = QStringLiteral("Photo");
    photo.fieldname = QStringLiteral("Plonko.PlonID");
    photo.datatype = CatalogueField::Photo;
    photo.filename = QStringLiteral("Plonko");
    photo.defwidth = 1.5;
    const auto after = std::find_if(catalogue.begin(), catalogue.end(), [&](const CatalogueField& field) {
        return field.Desc.compare(photo.Desc, Qt::CaseInsensitive) > 0;
    });
    catalogue.insert(after, photo);
    return catalogue;
}
