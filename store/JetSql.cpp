#include "JetSql.h"

#include "DbError.h"

#include <QDate>
#include <QList>
#include <QRegularExpression>

namespace JetSql {
namespace {

enum class Kind
{
    Space,
    Word,
    Bracketed,
    String,
    Date,
    Number,
    Symbol,
    Open,
    Close
};

struct Token
{
    Kind kind;
    QString text; // the token as written; for String, Bracketed and Date the inner text
};

[[noreturn]] void syntaxError(const QString& what, const QString& jet)
{
    throw DbError(DbError::SyntaxError,
                  QStringLiteral("Syntax error (%1) in query expression '%2'.").arg(what, jet));
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// Reads text up to the closing delimiter; a doubled delimiter stands for itself.
QString readDelimited(const QString& jet, qsizetype& i, QChar close, bool doubling)
{
    QString inner;
    for (++i; i < jet.size(); ++i) {
        if (jet[i] == close) {
            if (doubling && i + 1 < jet.size() && jet[i + 1] == close) {
                inner += close;
                ++i;
                continue;
            }
            ++i;
            return inner;
        }
        inner += jet[i];
    }
    syntaxError(QStringLiteral("missing %1").arg(close), jet);
}

QList<Token> tokenize(const QString& jet)
{
    QList<Token> tokens;
    qsizetype i = 0;
    while (i < jet.size()) {
        const QChar c = jet[i];
        if (c.isSpace()) {
            const qsizetype start = i;
            while (i < jet.size() && jet[i].isSpace())
                ++i;
            tokens.append({Kind::Space, jet.mid(start, i - start)});
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            tokens.append({Kind::String, readDelimited(jet, i, c, true)});
        } else if (c == QLatin1Char('[')) {
            tokens.append({Kind::Bracketed, readDelimited(jet, i, QLatin1Char(']'), false)});
        } else if (c == QLatin1Char('#')) {
            tokens.append({Kind::Date, readDelimited(jet, i, QLatin1Char('#'), false)});
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < jet.size() && jet[i + 1].isDigit())) {
            const qsizetype start = i;
            while (i < jet.size() && (jet[i].isDigit() || jet[i] == QLatin1Char('.')))
                ++i;
            tokens.append({Kind::Number, jet.mid(start, i - start)});
        } else if (isWordChar(c)) {
            const qsizetype start = i;
            while (i < jet.size() && isWordChar(jet[i]))
                ++i;
            tokens.append({Kind::Word, jet.mid(start, i - start)});
        } else if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
            tokens.append({c == QLatin1Char('(') ? Kind::Open : Kind::Close, QString(c)});
            ++i;
        } else {
            const QString two = jet.mid(i, 2);
            const bool pair =
                two == QLatin1String("<>") || two == QLatin1String("<=") || two == QLatin1String(">=");
            tokens.append({Kind::Symbol, pair ? two : QString(c)});
            i += pair ? 2 : 1;
        }
    }
    return tokens;
}

bool isKeyword(const Token& token, const char* word)
{
    return token.kind == Kind::Word && token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// #m/d/yyyy# (the order of Jet date literals whatever the user's settings) or
// #yyyy-mm-dd#; a two-digit year is taken as 1930 to 2029.
QString dateLiteral(const QString& inner, const QString& jet)
{
    const QStringList parts = inner.trimmed().split(QRegularExpression(QStringLiteral("[/-]")));
    bool ok[3] = {false, false, false};
    if (parts.size() == 3) {
        int n[3];
        for (int k = 0; k < 3; ++k)
            n[k] = parts[k].toInt(&ok[k]);
        if (ok[0] && ok[1] && ok[2]) {
            const bool isoOrder = parts[0].size() == 4;
            int year = isoOrder ? n[0] : n[2];
            const int month = isoOrder ? n[1] : n[0];
            const int day = isoOrder ? n[2] : n[1];
            if (!isoOrder && parts[2].size() <= 2)
                year += year < 30 ? 2000 : 1900;
            const QDate date(year, month, day);
            if (date.isValid())
                return quoteText(date.toString(Qt::ISODate));
        }
    }
    syntaxError(QStringLiteral("date #%1#").arg(inner), jet);
}

bool needsGlob(const QString& pattern)
{
    return pattern.contains(QLatin1Char('#')) || pattern.contains(QLatin1Char('['));
}

// A like pattern with only * and ? as wildcards, for SQLite's LIKE with \ as escape.
QString likePattern(const QString& pattern)
{
    QString out;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('*'))
            out += QLatin1Char('%');
        else if (c == QLatin1Char('?'))
            out += QLatin1Char('_');
        else if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\') + c;
        else
            out += c;
    }
    return out;
}

// A like pattern with digit (#) or list ([...]) wildcards, for SQLite's GLOB
// on case-folded text (GLOB itself tells letter case apart).
QString globPattern(const QString& pattern, const QString& jet)
{
    QString out;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('#')) {
            out += QLatin1String("[0-9]");
        } else if (c == QLatin1Char('[')) {
            const qsizetype close = pattern.indexOf(QLatin1Char(']'), i + 1);
            if (close < 0)
                syntaxError(QStringLiteral("pattern string"), jet);
            QString list = pattern.mid(i + 1, close - i - 1);
            if (list.startsWith(QLatin1Char('!')))
                list[0] = QLatin1Char('^');
            out += QLatin1Char('[') + list + QLatin1Char(']');
            i = close;
        } else if (c == QLatin1Char('*') || c == QLatin1Char('?')) {
            out += c;
        } else if (c == QLatin1Char(']')) {
            out += QLatin1String("[]]");
        } else {
            out += c;
        }
    }
    return out.toCaseFolded();
}

// Output pieces, one per token, so that a like can wrap the name before it.
class Translator
{
public:
    explicit Translator(const QString& jet)
        : m_jet(jet)
    {}

    QString run(const QList<Token>& tokens)
    {
        for (qsizetype i = 0; i < tokens.size(); ++i) {
            const Token& t = tokens[i];
            switch (t.kind) {
            case Kind::String:
                m_out.append(quoteText(t.text));
                if (isComparison(tokens, i - 1, -1) || isComparison(tokens, i + 1, 1))
                    m_out.last() += QStringLiteral(" COLLATE unicode_nocase");
                break;
            case Kind::Bracketed:
                m_out.append(QLatin1Char('"') +
                             QString(t.text).replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                             QLatin1Char('"'));
                break;
            case Kind::Date:
                m_out.append(dateLiteral(t.text, m_jet));
                break;
            case Kind::Symbol:
                m_out.append(t.text == QLatin1String("&") ? QStringLiteral("||") : t.text);
                break;
            case Kind::Word:
                i = word(tokens, i);
                break;
            default:
                m_out.append(t.text);
            }
        }
        return m_out.join(QString());
    }

private:
    // Whether the first token other than blanks from i on, in the direction
    // step, is a comparison operator.
    static bool isComparison(const QList<Token>& tokens, qsizetype i, int step)
    {
        while (i >= 0 && i < tokens.size() && tokens[i].kind == Kind::Space)
            i += step;
        if (i < 0 || i >= tokens.size() || tokens[i].kind != Kind::Symbol)
            return false;
        static const QStringList operators = {QStringLiteral("="),  QStringLiteral("<>"),
                                              QStringLiteral("<"),  QStringLiteral(">"),
                                              QStringLiteral("<="), QStringLiteral(">=")};
        return operators.contains(tokens[i].text);
    }

    qsizetype word(const QList<Token>& tokens, qsizetype i)
    {
        const Token& t = tokens[i];
        const bool qualified = (i > 0 && tokens[i - 1].text == QLatin1String(".")) ||
                               (i + 1 < tokens.size() && tokens[i + 1].text == QLatin1String("."));
        if (!qualified && (isKeyword(t, "true") || isKeyword(t, "yes"))) {
            m_out.append(QStringLiteral("-1"));
        } else if (!qualified && (isKeyword(t, "false") || isKeyword(t, "no"))) {
            m_out.append(QStringLiteral("0"));
        } else if (isKeyword(t, "like")) {
            qsizetype p = i + 1;
            while (p < tokens.size() && tokens[p].kind == Kind::Space)
                ++p;
            if (p >= tokens.size() || tokens[p].kind != Kind::String)
                syntaxError(QStringLiteral("like without a pattern"), m_jet);
            like(tokens[p].text);
            return p;
        } else {
            m_out.append(t.text);
        }
        return i;
    }

    void like(const QString& pattern)
    {
        if (needsGlob(pattern) && wrapNameInCaseFold()) {
            m_out.append(QStringLiteral("GLOB ") + quoteText(globPattern(pattern, m_jet)));
            return;
        }
        m_out.append(QStringLiteral("LIKE ") + quoteText(likePattern(pattern)) +
                     QStringLiteral(" ESCAPE '\\'"));
    }

    // Wraps the (possibly qualified) name left of "like" or "not like" in
    // casefold(); false when the left side is not a plain name.
    bool wrapNameInCaseFold()
    {
        qsizetype k = m_out.size() - 1;
        auto skipSpace = [&] {
            while (k >= 0 && m_out[k].trimmed().isEmpty())
                --k;
        };
        skipSpace();
        if (k >= 0 && m_out[k].compare(QLatin1String("not"), Qt::CaseInsensitive) == 0) {
            --k;
            skipSpace();
        }
        qsizetype first = k;
        while (first >= 0 && (isWordChar(m_out[first].front()) || m_out[first].front() == QLatin1Char('"') ||
                              m_out[first] == QLatin1String("."))) {
            --first;
        }
        ++first;
        if (first > k)
            return false;
        m_out[first] = QStringLiteral("casefold(") + m_out[first];
        m_out[k] += QLatin1Char(')');
        return true;
    }

    const QString& m_jet;
    QStringList m_out;
};

QString translateTokens(const QList<Token>& tokens, const QString& jet)
{
    return Translator(jet).run(tokens).trimmed();
}

} // namespace

QString Select::sql() const
{
    QString text = QStringLiteral("SELECT ") + columns + QStringLiteral(" FROM ") + from;
    if (!where.isEmpty())
        text += QStringLiteral(" WHERE ") + where;
    if (!orderBy.isEmpty())
        text += QStringLiteral(" ORDER BY ") + orderBy;
    return text;
}

namespace {

// An order by clause, each term that is a plain (possibly qualified) column
// name, with or without a direction, ordered as orderTerm says.
QString translateOrderBy(const QList<Token>& tokens, const QString& jet, const QString& table,
                         const OrderTerm& orderTerm)
{
    QList<QList<Token>> terms(1);
    int depth = 0;
    for (const Token& t : tokens) {
        if (t.kind == Kind::Open)
            ++depth;
        else if (t.kind == Kind::Close)
            --depth;
        if (depth == 0 && t.kind == Kind::Symbol && t.text == QLatin1String(","))
            terms.append(QList<Token>());
        else
            terms.last().append(t);
    }
    QStringList out;
    for (const QList<Token>& term : terms) {
        QList<Token> words = term;
        words.removeIf([](const Token& t) { return t.kind == Kind::Space; });
        QString direction;
        if (!words.isEmpty() && (isKeyword(words.last(), "asc") || isKeyword(words.last(), "desc"))) {
            direction = QLatin1Char(' ') + words.last().text.toUpper();
            words.removeLast();
        }
        auto isName = [](const Token& t) { return t.kind == Kind::Word || t.kind == Kind::Bracketed; };
        const bool plain = (words.size() == 1 && isName(words[0])) ||
                           (words.size() == 3 && isName(words[0]) && words[1].text == QLatin1String(".") &&
                            isName(words[2]));
        const QString replacement = plain && orderTerm ? orderTerm(table, words.last().text) : QString();
        if (replacement.isEmpty()) {
            out.append(translateTokens(term, jet));
            continue;
        }
        QString qualifier;
        if (words.size() == 3)
            qualifier = translateTokens(words.mid(0, 2), jet);
        out.append(QString(replacement).replace(QLatin1String("%1"), qualifier) + direction);
    }
    return out.join(QStringLiteral(", "));
}

} // namespace

Select translateSelect(const QString& jet, const OrderTerm& orderTerm)
{
    const QList<Token> tokens = tokenize(jet);
    // positions of the top-level clause keywords
    qsizetype select = -1, from = -1, where = -1, order = -1;
    int depth = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        if (t.kind == Kind::Open)
            ++depth;
        else if (t.kind == Kind::Close)
            --depth;
        else if (depth == 0 && select < 0 && isKeyword(t, "select"))
            select = i;
        else if (depth == 0 && from < 0 && isKeyword(t, "from"))
            from = i;
        else if (depth == 0 && where < 0 && isKeyword(t, "where"))
            where = i;
        else if (depth == 0 && order < 0 && isKeyword(t, "order"))
            order = i;
    }
    const bool ordered = order >= 0;
    qsizetype by = order + 1;
    while (ordered && by < tokens.size() && tokens[by].kind == Kind::Space)
        ++by;
    if (select != 0 && !(select == 1 && tokens[0].kind == Kind::Space))
        syntaxError(QStringLiteral("not a select statement"), jet);
    if (from < 0 || (where >= 0 && where < from) || (ordered && (order < from || order < where)) ||
        (ordered && (by >= tokens.size() || !isKeyword(tokens[by], "by"))))
        syntaxError(QStringLiteral("clauses out of order"), jet);

    auto slice = [&](qsizetype begin, qsizetype end) {
        return translateTokens(tokens.mid(begin, end - begin), jet);
    };
    const qsizetype fromEnd = where >= 0 ? where : (ordered ? order : tokens.size());
    Select result;
    result.columns = slice(select + 1, from);
    result.from = slice(from + 1, fromEnd);
    if (where >= 0)
        result.where = slice(where + 1, ordered ? order : tokens.size());
    QList<Token> fromTokens = tokens.mid(from + 1, fromEnd - from - 1);
    fromTokens.removeIf([](const Token& t) { return t.kind == Kind::Space; });
    if (fromTokens.size() == 1 && (fromTokens[0].kind == Kind::Word || fromTokens[0].kind == Kind::Bracketed))
        result.table = fromTokens[0].text;
    if (ordered)
        result.orderBy = translateOrderBy(tokens.mid(by + 1), jet, result.table, orderTerm);
    if (result.columns.isEmpty() || result.from.isEmpty() || (where >= 0 && result.where.isEmpty()) ||
        (ordered && result.orderBy.isEmpty()))
        syntaxError(QStringLiteral("empty clause"), jet);
    return result;
}

QString translateExpression(const QString& jet)
{
    const QString sql = translateTokens(tokenize(jet), jet);
    if (sql.isEmpty())
        syntaxError(QStringLiteral("empty expression"), jet);
    return sql;
}

std::optional<TextTest> textTest(const QString& jet)
{
    QList<Token> tokens = tokenize(jet);
    tokens.removeIf([](const Token& t) { return t.kind == Kind::Space; });
    if (tokens.size() != 3 || (tokens[0].kind != Kind::Word && tokens[0].kind != Kind::Bracketed) ||
        tokens[2].kind != Kind::String)
        return std::nullopt;
    if (tokens[1].kind == Kind::Symbol && tokens[1].text == QLatin1String("="))
        return TextTest{tokens[0].text, tokens[2].text};
    if (!isKeyword(tokens[1], "like"))
        return std::nullopt;
    // the literal text before the first wildcard; "[c]" stands for c
    const QString& pattern = tokens[2].text;
    QString prefix;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == QLatin1Char('[') && i + 2 < pattern.size() && pattern[i + 2] == QLatin1Char(']') &&
            pattern[i + 1] != QLatin1Char('!')) {
            prefix += pattern[i + 1];
            i += 2;
        } else if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('#') ||
                   c == QLatin1Char('[')) {
            break;
        } else {
            prefix += c;
        }
    }
    return TextTest{tokens[0].text, prefix};
}

QString beginsWithPattern(const QString& text)
{
    QString pattern;
    for (const QChar c : text) {
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('#') || c == QLatin1Char('['))
            pattern += QLatin1Char('[') + c + QLatin1Char(']');
        else
            pattern += c;
    }
    return quoteText(pattern + QLatin1Char('*'));
}

QString quoteText(const QString& text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

} // namespace JetSql
