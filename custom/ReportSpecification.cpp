#include "ReportSpecification.h"

#include <stdexcept>

ReportSpecification ReportSpecification::fromCatalogue(const QList<CatalogueField>& catalogue)
{
    ReportSpecification spec;
    spec.catalogue = catalogue;
    for (const CatalogueField& field : catalogue) {
        FieldSetting& setting = spec.settings[field.SpecID];
        setting.Width = field.defwidth.value_or(1);
        setting.IsCurrency = field.IsCurrency;
    }
    return spec;
}

const CatalogueField& ReportSpecification::field(qint32 specID) const
{
    for (const CatalogueField& field : catalogue)
        if (field.SpecID == specID)
            return field;
    throw std::out_of_range("no catalogue field of that identifier");
}
