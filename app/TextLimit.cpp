#include "TextLimit.h"

#include "regional/StringHelpers.h"

#include <QLineEdit>
#include <QValidator>

namespace {

class CharacterLimit final : public QValidator
{
public:
    CharacterLimit(int limit, QObject* parent)
        : QValidator(parent)
        , m_limit(limit)
    {}

    State validate(QString& input, int& pos) const override
    {
        const QString printable = PrintableText(input);
        if (printable.size() != input.size()) {
            pos = int(PrintableText(input.left(pos)).size());
            input = printable;
        }
        const qsizetype excess = CharacterCount(input) - m_limit;
        if (excess <= 0)
            return Acceptable;
        // what was typed or pasted ends at the cursor: its last characters go
        const QString before = input.left(pos);
        const QString kept = LeftCharacters(before, std::max<qsizetype>(CharacterCount(before) - excess, 0));
        input = LeftCharacters(kept + input.mid(pos), m_limit);
        pos = int(std::min(kept.size(), input.size()));
        return Acceptable;
    }

private:
    int m_limit;
};

} // namespace

void limitCharacters(QLineEdit* box, int characters)
{
    box->setValidator(new CharacterLimit(characters, box));
}
