// The help file reader on any text; every line of the keyword search opens a
// topic, and a search finds nothing the index lacks.
#include "FuzzInput.h"

#include "help/HelpFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzInput input(data, size);
    const int number = int(input.number(1)) - 2;
    const QString text = input.text();
    const HelpFile file(text);
    const QList<HelpIndexEntry> index = file.index();
    for (const HelpIndexEntry& entry : index)
        if (!file.topicById(entry.topicId))
            broken("an index line opens its topic", entry.keyword + u' ' + entry.topicId);
    for (const HelpIndexEntry& entry : file.search(text.left(number & 3)))
        if (!index.contains(entry))
            broken("a search finds only index lines", entry.keyword);
    const HelpTopic* numbered = file.topicByNumber(number);
    if (numbered && file.contextTopic(number) != numbered)
        broken("a context number opens its own topic", QString::number(number));
    if (file.search(QString()) != index)
        broken("an empty search lists the whole index", QString());
    return 0;
}
