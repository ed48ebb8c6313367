#include "FieldCatalogue.h"

#include "app/Database.h"

QList<CatalogueField> readCatalogue(Database& db)
{
    QList<CatalogueField> catalogue;
    const std::unique_ptr<Recordset> rows = db.OpenRecordset(
        QStringLiteral("Select * from RptSpec order by [desc]"), Database::RecordsetType::Snapshot);
    for (; !rows->AtEOF(); rows->MoveNext()) {
        CatalogueField field;
        field.SpecID = longOf(rows->Fields(QStringLiteral("SpecID"))).value_or(0);
        field.Desc = textOf(rows->Fields(QStringLiteral("Desc")));
        field.fieldname = textOf(rows->Fields(QStringLiteral("fieldname")));
        field.datatype = longOf(rows->Fields(QStringLiteral("datatype"))).value_or(CatalogueField::Text);
        field.filename = textOf(rows->Fields(QStringLiteral("filename")));
        field.Linkfield = textOf(rows->Fields(QStringLiteral("Linkfield")));
        const Value width = rows->Fields(QStringLiteral("defwidth"));
        if (!isNull(width))
            field.defwidth = float(std::get<double>(width));
        field.IsCurrency = boolOf(rows->Fields(QStringLiteral("IsCurrency")));
        catalogue.append(field);
    }
    return catalogue;
}
