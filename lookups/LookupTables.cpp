#include "LookupTables.h"

#include <array>

namespace {

const std::array<LookupTableInfo, 6> kTables = {{
    {LookupTable::Condition, "ConID", "ConDesc", "Select * from condition order by ConDesc",
     "Maintain Plonko Conditions", "Plonko Condition Description", 18, "plonko condition",
     "Are you sure that you want to delete this Plonko condition?", "Delete Condition",
     "Select PlonID from Plonko where toycon = ", "This condition is in use in a Plonko record"},
    {LookupTable::BoughtFrom, "bouID", "bouDesc", "Select * from boughtfrom order by bouDesc",
     "Maintain Sellers (Bought From)", "Seller Description", 49, "plonko seller",
     "Are you sure that you want to delete this seller?", "Delete Seller (Bought From)",
     "Select PlonID from Plonko where bouid = ", "This seller is in use in a Plonko record"},
    {LookupTable::Brand, "braID", "bradesc", "Select * from brand order by bradesc", "Maintain Brands",
     "Brand Description", 51, "brand", "Are you sure that you want to delete this brand?", "Delete Brand",
     "Select PlonID from Plonko where braID = ", "This brand is in use in a Plonko record"},
    {LookupTable::Series, "serID", "serDesc", "Select * from series order by serdesc",
     "Maintain Special Series", "Special Series Description", 52, "special series",
     "Are you sure that you want to delete this special series?", "Delete Special Series",
     "Select PlonID from Plonko where serID = ", "This special series is in use in a Plonko record"},
    {LookupTable::TagCon, "tagID", "tagDesc", "Select * from tagcon order by tagDesc",
     "Maintain Tag Conditions", "Tag Condition Description", 50, "tag condition",
     "Are you sure that you want to delete this tag condition?", "Delete Tag Condition",
     "Select PlonID from Plonko where tagcon = ", "This tag condition is in use in a Plonko record"},
    {LookupTable::Generation, "genID", "gendesc", "Select * from generation order by gendesc",
     "Maintain Tag Generations", "Tag Generation Description", 54, "tag generation",
     "Are you sure that you want to delete this tag generation?", "Delete Tag Generation",
     "Select PlonID from Plonko where genid = ", "This tag generation is in use in a Plonko record"},
}};

} // namespace

const LookupTableInfo& lookupTableInfo(int number)
{
    return kTables.at(std::size_t(number - 1));
}
