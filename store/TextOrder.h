#pragma once

#include <QByteArray>
#include <QHash>
#include <QLocale>
#include <QString>

#include <memory>
#include <vector>

struct sqlite3;
struct UCollator;

// How the collection compares and orders text: letter case is ignored for
// every letter (Unicode case folding), and text is ordered as the user's
// language orders it, accented letters beside their base letters.
//
// The order lives in the file as sort keys, byte strings whose plain byte
// order is the language's order, kept in indexed key columns beside the text
// they order. The file therefore needs no collation of ours: any SQLite tool
// reads it and checks its indexes.
class TextOrder
{
public:
    // Throws DbError when not even the root order can be loaded.
    explicit TextOrder(const QLocale& locale);
    ~TextOrder();
    TextOrder(const TextOrder&) = delete;
    TextOrder& operator=(const TextOrder&) = delete;

    // Names the language and the version of its rules: keys made under
    // another signature must be made again.
    const QString& signature() const { return m_signature; }

    QByteArray sortKey(const QString& text) const;
    // The same for UTF-8 text as the store holds it. The keys of recent texts
    // are kept: a query over joined tables orders by the few descriptions of
    // a lookup table, each repeated on many rows.
    QByteArray sortKeyUtf8(QByteArrayView text) const;
    int compare(const QString& a, const QString& b) const;

    // Installs on a connection: like() with Unicode case folding (replacing
    // SQLite's, which folds ASCII only), casefold(text), holdsfolded(text,
    // folded) (TextMatch::holdsFolded), sortkey(text), and the collations
    // "language" (the language's order) and "unicode_nocase" (equal when equal
    // after case folding). Returns SQLite's result code.
    static int install(sqlite3* db, const std::shared_ptr<TextOrder>& order);

private:
    UCollator* m_collator = nullptr;
    QString m_signature;
    mutable QHash<QByteArray, QByteArray> m_recentKeys;
};

namespace TextMatch {

// Each code point of UTF-8 text case-folded.
QByteArray caseFolded(QByteArrayView utf8);

// Text with its compatibility forms folded (Unicode NFKC: full-width letters
// and digits as the plain ones, half-width katakana as full-width, ligatures
// as their letters), then each code point case-folded as like folds it.
QString compatibilityFolded(const QString& text);
// Whether UTF-8 text, so folded, holds the given folded text: as it stands,
// without wildcards.
bool holdsFolded(QByteArrayView text, const QString& folded);

// SQL's like: % any run of characters, _ one character, escape (when not 0)
// taking the next pattern character as itself; letter case ignored for every
// letter. Works on whole code points, and in time bounded by the product of
// the two lengths whatever the pattern.
bool like(QByteArrayView pattern, QByteArrayView text, char32_t escape = 0);

// A range of text as the engine's NOCASE collation orders it (ASCII letters
// without case, every other byte as itself): from <= text < to.
struct NoCaseRange
{
    QByteArray from;
    QByteArray to;
};

// Ranges that together hold every text beginning with the given UTF-8 text,
// letter case ignored as like ignores it, so that an index in NOCASE order
// finds the few rows worth comparing. Letters that other letters fold to
// (k and the Kelvin sign, é and É) give a range each, at most the given
// number; where more would be needed the ranges stop at a shorter beginning.
// No ranges when the text gives no beginning to search by.
std::vector<NoCaseRange> noCaseRanges(QByteArrayView beginning, std::size_t most);

} // namespace TextMatch
