// The report engine's table strings and page headers on any text; a text put
// in a header as it is comes out unchanged.
#include "FuzzInput.h"

#include "reports/TableString.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const int page = int(input.number(2));
    const QString text = input.text();
    const TableString::Table table = TableString::parse(text);
    for (const TableString::Column& column : table.columns)
        if (column.twips < 0 || column.twips > TableString::kWidestColumn)
            broken("column widths are between none and the widest", text);
    TableString::parseRows(text);
    TableString::header(text, page);
    const QString part = QString(text).remove(u'|');
    const TableString::Header literal = TableString::header(TableString::headerLiteral(part), page);
    if (literal.left != part || !literal.centre.isEmpty() || !literal.right.isEmpty())
        broken("a literal header is shown as it is", part);
    return 0;
}
