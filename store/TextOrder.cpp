#include "TextOrder.h"

#include "DbError.h"

#include <QChar>

#include <sqlite3.h>
#include <unicode/ucol.h>
#include <unicode/uloc.h>
#include <unicode/utypes.h>

#include <algorithm>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace TextMatch {
namespace {

// The next code point of UTF-8 text; a byte that starts no valid sequence
// stands for itself as U+FFFD, so any text can be read.
char32_t nextCodePoint(const unsigned char*& p, const unsigned char* end)
{
    const unsigned char lead = *p++;
    if (lead < 0x80)
        return lead;
    int length = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
    if (length < 0 || lead > 0xF4 || end - p < length)
        return 0xFFFD;
    char32_t c = lead & (0x3F >> length);
    for (int i = 0; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (p[i] & 0x3F);
    }
    // the shortest form of a code point only, and no surrogates, so that
    // text compares by its bytes as by its letters
    static constexpr char32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
    if (c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0xFFFD;
    p += length;
    return c;
}

char32_t fold(char32_t c)
{
    if (c < 0x80)
        return c >= 'A' && c <= 'Z' ? c + 32 : c;
    return QChar::toCaseFolded(c);
}

void foldInto(QByteArrayView utf8, std::vector<char32_t>& out)
{
    out.clear();
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end)
        out.push_back(fold(nextCodePoint(p, end)));
}

void appendUtf8(QByteArray& out, char32_t c)
{
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// A like pattern read once: folded literals and the two wildcards.
struct Pattern
{
    static constexpr char32_t kAny = 0xFFFFFFFF; // %
    static constexpr char32_t kOne = 0xFFFFFFFE; // _

    QByteArray source;
    char32_t escape = 0;
    std::vector<char32_t> items;
    bool valid = true; // false when an escape ends the pattern
};

Pattern compile(QByteArrayView pattern, char32_t escape)
{
    Pattern compiled;
    compiled.source = pattern.toByteArray();
    compiled.escape = escape;
    const auto* p = reinterpret_cast<const unsigned char*>(pattern.data());
    const auto* end = p + pattern.size();
    while (p < end) {
        const char32_t c = nextCodePoint(p, end);
        if (escape != 0 && c == escape) {
            if (p == end) {
                compiled.valid = false;
                break;
            }
            compiled.items.push_back(fold(nextCodePoint(p, end)));
        } else if (c == '%') {
            if (compiled.items.empty() || compiled.items.back() != Pattern::kAny)
                compiled.items.push_back(Pattern::kAny);
        } else if (c == '_') {
            compiled.items.push_back(Pattern::kOne);
        } else {
            compiled.items.push_back(fold(c));
        }
    }
    return compiled;
}

// Folded code points read straight from UTF-8 text, without copying it.
class FoldedText
{
public:
    explicit FoldedText(QByteArrayView utf8)
        : m_begin(reinterpret_cast<const unsigned char*>(utf8.data()))
        , m_end(m_begin + utf8.size())
    {}
    size_t size() const { return size_t(m_end - m_begin); }
    // The code point at byte offset at, and the offset after it.
    char32_t at(size_t& at) const
    {
        const unsigned char* p = m_begin + at;
        const char32_t c = fold(nextCodePoint(p, m_end));
        at = size_t(p - m_begin);
        return c;
    }

private:
    const unsigned char* m_begin;
    const unsigned char* m_end;
};

// Matching that goes back only to the last %, which is enough for these two
// wildcards and keeps the time to the product of the lengths.
bool matches(const Pattern& pattern, const FoldedText& text)
{
    if (!pattern.valid)
        return false;
    const std::vector<char32_t>& items = pattern.items;
    size_t p = 0, t = 0;
    size_t starP = size_t(-1), starT = 0;
    while (t < text.size()) {
        if (p < items.size() && items[p] == Pattern::kAny) {
            starP = p++;
            starT = t;
            continue;
        }
        size_t next = t;
        const char32_t c = text.at(next);
        if (p < items.size() && (items[p] == Pattern::kOne || items[p] == c)) {
            ++p;
            t = next;
        } else if (starP != size_t(-1)) {
            p = starP + 1;
            text.at(starT);
            t = starT;
        } else {
            return false;
        }
    }
    while (p < items.size() && items[p] == Pattern::kAny)
        ++p;
    return p == items.size();
}

// The code points each folded code point is the fold of, besides itself,
// found once by folding every code point. ASCII capitals are left out: NOCASE
// already takes them as their small letters.
const std::unordered_map<char32_t, std::vector<char32_t>>& foldedFrom()
{
    static const auto table = [] {
        std::unordered_map<char32_t, std::vector<char32_t>> from;
        for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            if (const char32_t folded = fold(c); folded != c)
                from[folded].push_back(c);
        }
        return from;
    }();
    return table;
}

// The smallest text after every text that begins with the given UTF-8 text,
// in byte order: its last byte one higher (UTF-8 has no byte 0xFF).
QByteArray pastEvery(QByteArray beginning)
{
    beginning.back() = char(uchar(beginning.back()) + 1);
    return beginning;
}

} // namespace

std::vector<NoCaseRange> noCaseRanges(QByteArrayView beginning, std::size_t most)
{
    std::vector<QByteArray> starts{QByteArray()};
    const auto* p = reinterpret_cast<const unsigned char*>(beginning.data());
    const auto* end = p + beginning.size();
    while (p < end) {
        const char32_t c = nextCodePoint(p, end);
        if (c == 0xFFFD)
            break; // stands for any byte that starts no character
        const char32_t folded = fold(c);
        std::vector<char32_t> letters;
        if (fold(folded) == folded)
            letters.push_back(folded);
        if (const auto found = foldedFrom().find(folded); found != foldedFrom().end())
            letters.insert(letters.end(), found->second.begin(), found->second.end());
        if (starts.size() * letters.size() > most)
            break;
        std::vector<QByteArray> longer;
        for (const QByteArray& start : starts) {
            for (const char32_t letter : letters) {
                longer.push_back(start);
                appendUtf8(longer.back(), letter);
            }
        }
        starts = std::move(longer);
    }
    std::vector<NoCaseRange> ranges;
    if (starts.front().isEmpty())
        return ranges;
    for (QByteArray& start : starts) {
        QByteArray to = pastEvery(start);
        ranges.push_back({std::move(start), std::move(to)});
    }
    return ranges;
}

QByteArray caseFolded(QByteArrayView utf8)
{
    std::vector<char32_t> codePoints;
    foldInto(utf8, codePoints);
    QByteArray out;
    out.reserve(utf8.size());
    for (char32_t c : codePoints)
        appendUtf8(out, c);
    return out;
}

QString compatibilityFolded(const QString& text)
{
    QString folded = text.normalized(QString::NormalizationForm_KC);
    for (qsizetype i = 0; i < folded.size();) {
        // read through at(), which copies nothing of text the normal form shares
        const bool pair =
            folded.at(i).isHighSurrogate() && i + 1 < folded.size() && folded.at(i + 1).isLowSurrogate();
        const qsizetype length = pair ? 2 : 1;
        const char32_t c =
            pair ? QChar::surrogateToUcs4(folded.at(i), folded.at(i + 1)) : folded.at(i).unicode();
        const char32_t small = fold(c);
        if (small == c) {
            i += length;
            continue;
        }
        // in place where the fold is as long, as for nearly every letter
        const auto units = QChar::fromUcs4(small);
        const QStringView written = units;
        folded.replace(i, length, written.constData(), written.size());
        i += written.size();
    }
    return folded;
}

bool holdsFolded(QByteArrayView text, const QString& folded)
{
    // plain ASCII is its own compatibility form: its capitals alone fold
    if (std::all_of(text.begin(), text.end(), [](char c) { return uchar(c) < 0x80; })) {
        const auto small = [](char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; };
        return std::search(text.begin(), text.end(), folded.begin(), folded.end(), [&](char c, QChar wanted) {
                   return wanted.unicode() == uchar(small(c));
               }) != text.end();
    }
    return compatibilityFolded(QString::fromUtf8(text)).contains(folded);
}

bool like(QByteArrayView pattern, QByteArrayView text, char32_t escape)
{
    return matches(compile(pattern, escape), FoldedText(text));
}

} // namespace TextMatch

// ------------------------------------------------------------- SQL functions

namespace {

using namespace TextMatch;

// Runs the body of a function called by SQLite: nothing may be thrown through
// its C code, and memory running out is what can fail here.
template <class Body> void guarded(sqlite3_context* context, Body&& body)
{
    try {
        body();
    } catch (const std::exception&) {
        sqlite3_result_error_nomem(context);
    }
}

QByteArrayView textArgument(sqlite3_value* value)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_value_text(value));
    return QByteArrayView(text, sqlite3_value_bytes(value));
}

void likeMatch(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (sqlite3_value_type(argv[i]) == SQLITE_NULL)
            return;
    }
    char32_t escape = 0;
    if (argc == 3) {
        const QByteArrayView given = textArgument(argv[2]);
        const auto* p = reinterpret_cast<const unsigned char*>(given.data());
        escape = given.isEmpty() ? 0 : nextCodePoint(p, p + given.size());
        if (given.isEmpty() || p != reinterpret_cast<const unsigned char*>(given.data()) + given.size()) {
            sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
            return;
        }
    }
    const QByteArrayView source = textArgument(argv[0]);
    auto* pattern = static_cast<Pattern*>(sqlite3_get_auxdata(context, 0));
    if (!pattern || pattern->escape != escape ||
        std::string_view(pattern->source.constData(), pattern->source.size()) !=
            std::string_view(source.data(), source.size())) {
        pattern = new Pattern(compile(source, escape));
        sqlite3_set_auxdata(context, 0, pattern, [](void* p) { delete static_cast<Pattern*>(p); });
        // SQLite may free it at once when the pattern is no constant
        pattern = static_cast<Pattern*>(sqlite3_get_auxdata(context, 0));
    }
    const QByteArrayView text = textArgument(argv[1]);
    sqlite3_result_int(context, pattern ? matches(*pattern, FoldedText(text)) : like(source, text, escape));
}

void likeFunction(sqlite3_context* context, int argc, sqlite3_value** argv)
{
    guarded(context, [&] { likeMatch(context, argc, argv); });
}

void casefoldFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    guarded(context, [&] {
        const QByteArray folded = caseFolded(textArgument(argv[0]));
        sqlite3_result_text(context, folded.constData(), int(folded.size()), SQLITE_TRANSIENT);
    });
}

void holdsFoldedMatch(sqlite3_context* context, sqlite3_value** argv)
{
    // the text looked for is the same on every row: read once a statement
    const auto* wanted = static_cast<const QString*>(sqlite3_get_auxdata(context, 1));
    std::optional<QString> read;
    if (!wanted) {
        read = QString::fromUtf8(textArgument(argv[1]));
        wanted = &*read;
        sqlite3_set_auxdata(context, 1, new QString(*read), [](void* p) { delete static_cast<QString*>(p); });
    }
    sqlite3_result_int(context, holdsFolded(textArgument(argv[0]), *wanted));
}

void holdsFoldedFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL)
        return;
    guarded(context, [&] { holdsFoldedMatch(context, argv); });
}

void sortkeyFunction(sqlite3_context* context, int, sqlite3_value** argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL)
        return;
    const auto& order = *static_cast<std::shared_ptr<TextOrder>*>(sqlite3_user_data(context));
    guarded(context, [&] {
        const QByteArray key = order->sortKeyUtf8(textArgument(argv[0]));
        sqlite3_result_blob(context, key.constData(), int(key.size()), SQLITE_TRANSIENT);
    });
}

int languageCollation(void* data, int lengthA, const void* a, int lengthB, const void* b)
{
    const auto& order = *static_cast<std::shared_ptr<TextOrder>*>(data);
    try {
        return order->compare(QString::fromUtf8(static_cast<const char*>(a), lengthA),
                              QString::fromUtf8(static_cast<const char*>(b), lengthB));
    } catch (const std::exception&) {
        return 0; // a collation cannot fail: out of memory, the two count as equal
    }
}

int nocaseCollation(void*, int lengthA, const void* a, int lengthB, const void* b)
{
    const FoldedText textA(QByteArrayView(static_cast<const char*>(a), lengthA));
    const FoldedText textB(QByteArrayView(static_cast<const char*>(b), lengthB));
    size_t i = 0, j = 0;
    while (i < textA.size() && j < textB.size()) {
        const char32_t ca = textA.at(i);
        const char32_t cb = textB.at(j);
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return (i < textA.size()) - (j < textB.size());
}

void deleteOrder(void* data)
{
    delete static_cast<std::shared_ptr<TextOrder>*>(data);
}

} // namespace

// ----------------------------------------------------------------- TextOrder

TextOrder::TextOrder(const QLocale& locale)
{
    const QByteArray tag = locale.collation().bcp47Name().toLatin1();
    char id[ULOC_FULLNAME_CAPACITY] = {};
    UErrorCode status = U_ZERO_ERROR;
    uloc_forLanguageTag(tag.constData(), id, sizeof id, nullptr, &status);
    if (U_FAILURE(status))
        id[0] = 0;
    status = U_ZERO_ERROR;
    m_collator = ucol_open(id, &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        m_collator = ucol_open("", &status); // the root order serves every language
    }
    if (U_FAILURE(status) || !m_collator)
        throw DbError(DbError::EngineFailure,
                      QStringLiteral("The sort order of the language cannot be loaded (%1).")
                          .arg(QString::fromLatin1(u_errorName(status))));
    // letter case does not order names, as it does not tell them apart in a find
    ucol_setStrength(m_collator, UCOL_SECONDARY);
    UVersionInfo version;
    ucol_getVersion(m_collator, version);
    status = U_ZERO_ERROR;
    const char* actual = ucol_getLocaleByType(m_collator, ULOC_ACTUAL_LOCALE, &status);
    m_signature = QStringLiteral("%1 %2.%3.%4.%5 secondary")
                      .arg(QString::fromLatin1(U_SUCCESS(status) && actual && *actual ? actual : "root"))
                      .arg(version[0])
                      .arg(version[1])
                      .arg(version[2])
                      .arg(version[3]);
}

TextOrder::~TextOrder()
{
    ucol_close(m_collator);
}

QByteArray TextOrder::sortKey(const QString& text) const
{
    const auto* source = reinterpret_cast<const UChar*>(text.utf16());
    QByteArray key(int(text.size()) * 4 + 16, Qt::Uninitialized);
    int32_t length = ucol_getSortKey(m_collator, source, int32_t(text.size()),
                                     reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    if (length > key.size()) {
        key.resize(length);
        length = ucol_getSortKey(m_collator, source, int32_t(text.size()),
                                 reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    }
    key.resize(std::max(length - 1, 0)); // without the closing zero byte: a blob compares by its bytes
    return key;
}

QByteArray TextOrder::sortKeyUtf8(QByteArrayView text) const
{
    constexpr qsizetype kRecent = 1024;
    const QByteArray bytes = text.toByteArray();
    if (const auto found = m_recentKeys.constFind(bytes); found != m_recentKeys.cend())
        return found.value();
    if (m_recentKeys.size() >= kRecent)
        m_recentKeys.clear();
    const QByteArray key = sortKey(QString::fromUtf8(text));
    m_recentKeys.insert(bytes, key);
    return key;
}

int TextOrder::compare(const QString& a, const QString& b) const
{
    return ucol_strcoll(m_collator, reinterpret_cast<const UChar*>(a.utf16()), int32_t(a.size()),
                        reinterpret_cast<const UChar*>(b.utf16()), int32_t(b.size()));
}

int TextOrder::install(sqlite3* db, const std::shared_ptr<TextOrder>& order)
{
    constexpr int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    // SQLite calls deleteOrder on the copy even when a registration fails
    const int results[] = {
        sqlite3_create_function_v2(db, "like", 2, flags, nullptr, likeFunction, nullptr, nullptr, nullptr),
        sqlite3_create_function_v2(db, "like", 3, flags, nullptr, likeFunction, nullptr, nullptr, nullptr),
        sqlite3_create_function_v2(db, "casefold", 1, flags, nullptr, casefoldFunction, nullptr, nullptr,
                                   nullptr),
        sqlite3_create_function_v2(db, "holdsfolded", 2, flags, nullptr, holdsFoldedFunction, nullptr,
                                   nullptr, nullptr),
        sqlite3_create_function_v2(db, "sortkey", 1, flags, new std::shared_ptr<TextOrder>(order),
                                   sortkeyFunction, nullptr, nullptr, deleteOrder),
        sqlite3_create_collation_v2(db, "language", SQLITE_UTF8, new std::shared_ptr<TextOrder>(order),
                                    languageCollation, deleteOrder),
        sqlite3_create_collation_v2(db, "unicode_nocase", SQLITE_UTF8, nullptr, nocaseCollation, nullptr)};
    for (const int rc : results) {
        if (rc != SQLITE_OK)
            return rc;
    }
    return SQLITE_OK;
}
