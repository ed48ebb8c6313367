#pragma once

#include <QDate>
#include <QList>
#include <QString>

#include <map>
#include <optional>

// One row of the field catalogue (the table RptSpec): a field a custom report
// can show, where it lives and how its table is joined to the items.
struct CatalogueField
{
    enum Kind
    {
        Text = 1,
        Number = 2,
        Date = 3,
        YesNo = 4,
        Photo = 5 // the item's main photo: no condition, no order
    };
    // The main photo is a field of every catalogue, though no row of the
    // table holds it.
    static constexpr qint32 kPhotoSpecID = -1;

    qint32 SpecID = 0;
    QString Desc;
    QString fieldname;
    int datatype = Text;
    QString filename;  // "Plonko", or the lookup table
    QString Linkfield; // "x" (item x = lookup x) or "x;y" (item x = lookup y)
    std::optional<double> defwidth;
    bool IsCurrency = false;
};

// What the collector chose for one field; kept for every field of the
// catalogue while the custom report window is open, whether the field is in
// the report or not.
struct FieldSetting
{
    double Width = 1;
    bool Hide = false;
    bool ShowTotal = false;
    QString StartsWith;
    QString GreaterThan; // as typed, in the system's number format
    QString LessThan;
    QDate StartDate; // no date: no condition
    QDate EndDate;
    bool WantTrue = false;
    bool WantFalse = false;
    bool IsCurrency = false;
};

// The report being defined: the catalogue, a setting per field, the fields
// of the report in column order and the two sort fields.
struct ReportSpecification
{
    QList<CatalogueField> catalogue;         // in the catalogue's order
    std::map<qint32, FieldSetting> settings; // by SpecID
    QList<qint32> fields;                    // the report's fields, in column order
    std::optional<qint32> primarySort;
    std::optional<qint32> secondarySort;

    // The catalogue's fields with their default settings.
    static ReportSpecification fromCatalogue(const QList<CatalogueField>& catalogue);

    const CatalogueField& field(qint32 specID) const;
    FieldSetting& setting(qint32 specID) { return settings.at(specID); }
    const FieldSetting& setting(qint32 specID) const { return settings.at(specID); }
};
