#include "HelpFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace {

QString entityText(const QString& name)
{
    if (name.startsWith(u'#')) {
        bool ok = false;
        const bool hex = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X');
        const uint code = hex ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
        if (ok && code > 0 && code <= 0x10FFFF) {
            const char32_t character = code;
            return QString::fromUcs4(&character, 1);
        }
        return {};
    }
    if (name == u"amp")
        return QStringLiteral("&");
    if (name == u"lt")
        return QStringLiteral("<");
    if (name == u"gt")
        return QStringLiteral(">");
    if (name == u"quot")
        return QStringLiteral("\"");
    if (name == u"apos")
        return QStringLiteral("'");
    if (name == u"nbsp")
        return QString(QChar(0xA0));
    return {};
}

// Titles and keywords are written as HTML text; the search list shows them as
// plain text. Entities the file has no business using are left as written.
QString decodeEntities(const QString& text)
{
    static const QRegularExpression entity(QStringLiteral("&(#[0-9]+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);"));
    QString result;
    qsizetype done = 0;
    for (auto it = entity.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString replacement = entityText(match.captured(1));
        result += QStringView(text).mid(done, match.capturedStart() - done);
        result += replacement.isEmpty() ? match.captured(0) : replacement;
        done = match.capturedEnd();
    }
    result += QStringView(text).mid(done);
    return result;
}

// Splits at the ";" between keywords, not at those that end an entity such as "&amp;".
QStringList splitKeywords(const QString& keywords)
{
    static const QRegularExpression separator(QStringLiteral("&(?:#[0-9]+|#[xX][0-9a-fA-F]+|[a-zA-Z]+);|;"));
    QStringList parts;
    qsizetype start = 0;
    for (auto it = separator.globalMatch(keywords); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (match.capturedLength() != 1)
            continue;
        parts.append(keywords.mid(start, match.capturedStart() - start));
        start = match.capturedEnd();
    }
    parts.append(keywords.mid(start));
    return parts;
}

QString plainText(const QString& html)
{
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QString text = html;
    text.remove(tag);
    return decodeEntities(text).simplified();
}

QString attribute(const QString& attributes, const QString& name)
{
    const QRegularExpression pattern(
        QStringLiteral("(?:^|\\s)%1\\s*=\\s*\"([^\"]*)\"").arg(QRegularExpression::escape(name)),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(attributes);
    return match.hasMatch() ? match.captured(1) : QString();
}

int contextNumber(const QString& id)
{
    static const QRegularExpression numbered(QStringLiteral("^topic-([0-9]{1,9})$"));
    const QRegularExpressionMatch match = numbered.match(id);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

bool keywordLess(const HelpIndexEntry& a, const HelpIndexEntry& b)
{
    const int byKeyword = a.keyword.compare(b.keyword, Qt::CaseInsensitive);
    if (byKeyword != 0)
        return byKeyword < 0;
    return a.topicTitle.compare(b.topicTitle, Qt::CaseInsensitive) < 0;
}

bool sameEntry(const HelpIndexEntry& a, const HelpIndexEntry& b)
{
    return a.topicId == b.topicId && a.keyword.compare(b.keyword, Qt::CaseInsensitive) == 0;
}

// Whether a word of keyword after the first begins with text.
bool laterWordBeginsWith(const QString& keyword, const QString& text)
{
    for (qsizetype at = keyword.indexOf(text, 1, Qt::CaseInsensitive); at > 0;
         at = keyword.indexOf(text, at + 1, Qt::CaseInsensitive)) {
        if (!keyword.at(at - 1).isLetterOrNumber())
            return true;
    }
    return false;
}

} // namespace

HelpFile::HelpFile(const QString& html)
{
    static const QRegularExpression section(QStringLiteral("<section\\b([^>]*)>(.*?)</section\\s*>"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression heading(QStringLiteral("<h2\\b[^>]*>(.*?)</h2\\s*>"),
                                            QRegularExpression::CaseInsensitiveOption |
                                                QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression comment(QStringLiteral("<!--.*?-->"),
                                            QRegularExpression::DotMatchesEverythingOption);
    // A comment may well describe the format, tags included.
    QString text = html;
    text.remove(comment);

    for (auto it = section.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        HelpTopic topic;
        topic.id = decodeEntities(attribute(match.captured(1), QStringLiteral("id"))).trimmed();
        // Without an id nothing could open the section; a repeated id could never be reached.
        if (topic.id.isEmpty() || topicById(topic.id))
            continue;
        topic.number = contextNumber(topic.id);
        topic.html = match.captured(2).trimmed();
        const QRegularExpressionMatch title = heading.match(topic.html);
        topic.title = title.hasMatch() ? plainText(title.captured(1)) : QString();
        if (topic.title.isEmpty())
            topic.title = topic.id;
        for (const QString& keyword :
             splitKeywords(attribute(match.captured(1), QStringLiteral("data-keywords")))) {
            const QString text = decodeEntities(keyword).simplified();
            if (!text.isEmpty())
                topic.keywords.append(text);
        }
        m_topics.append(topic);
    }
}

HelpFile::Status HelpFile::load(const QString& path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return Status::NotFound;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Status::Unreadable;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Status::Unreadable;
    HelpFile parsed(QString::fromUtf8(bytes));
    if (parsed.isEmpty())
        return Status::NoTopics;
    m_topics = std::move(parsed.m_topics);
    return Status::Loaded;
}

QString HelpFile::problemText(Status status, const QString& fileName)
{
    switch (status) {
    case Status::Loaded:
        break;
    case Status::NotFound:
        return QStringLiteral("The help file '%1' could not be found.").arg(fileName);
    case Status::Unreadable:
        return QStringLiteral("The help file '%1' could not be read.").arg(fileName);
    case Status::NoTopics:
        return QStringLiteral("The file '%1' holds no help topics.").arg(fileName);
    }
    return {};
}

const HelpTopic* HelpFile::topicById(const QString& id) const
{
    const auto it = std::find_if(m_topics.cbegin(), m_topics.cend(),
                                 [&id](const HelpTopic& topic) { return topic.id == id; });
    return it == m_topics.cend() ? nullptr : &*it;
}

const HelpTopic* HelpFile::topicByNumber(int number) const
{
    if (number < 0)
        return nullptr;
    const auto it = std::find_if(m_topics.cbegin(), m_topics.cend(),
                                 [number](const HelpTopic& topic) { return topic.number == number; });
    return it == m_topics.cend() ? nullptr : &*it;
}

const HelpTopic* HelpFile::contextTopic(int number) const
{
    if (const HelpTopic* topic = topicByNumber(number))
        return topic;
    if (const HelpTopic* contents = topicByNumber(ContentsTopic))
        return contents;
    return m_topics.isEmpty() ? nullptr : &m_topics.first();
}

QList<HelpIndexEntry> HelpFile::index() const
{
    QList<HelpIndexEntry> entries;
    for (const HelpTopic& topic : m_topics) {
        entries.append({topic.title, topic.id, topic.title});
        for (const QString& keyword : topic.keywords)
            entries.append({keyword, topic.id, topic.title});
    }
    std::stable_sort(entries.begin(), entries.end(), keywordLess);
    entries.erase(std::unique(entries.begin(), entries.end(), sameEntry), entries.end());
    return entries;
}

QList<HelpIndexEntry> HelpFile::search(const QString& text) const
{
    const QString wanted = text.simplified();
    QList<HelpIndexEntry> entries = index();
    if (wanted.isEmpty())
        return entries;
    QList<HelpIndexEntry> later;
    QList<HelpIndexEntry> found;
    for (HelpIndexEntry& entry : entries) {
        if (entry.keyword.startsWith(wanted, Qt::CaseInsensitive))
            found.append(std::move(entry));
        else if (laterWordBeginsWith(entry.keyword, wanted))
            later.append(std::move(entry));
    }
    found.append(later);
    return found;
}
