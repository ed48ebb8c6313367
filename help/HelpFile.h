#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One topic of the help file.
struct HelpTopic
{
    // "topic-<n>" for a topic that a context number opens; any other name for a
    // topic reached only through links and the keyword search.
    QString id;
    // The context number, or -1 when the topic has none.
    int number = -1;
    QString title;
    QStringList keywords;
    // The topic's body, heading included, for a rich text view.
    QString html;
};

// One line of the keyword search: a keyword or a topic title, and the topic it opens.
struct HelpIndexEntry
{
    QString keyword;
    QString topicId;
    QString topicTitle;

    friend bool operator==(const HelpIndexEntry&, const HelpIndexEntry&) = default;
};

// The help file: an HTML document in which each topic is a section,
//
//   <section id="topic-18" data-keywords="conditions; condition of the toy">
//     <h2>Plonko Conditions</h2> ...
//   </section>
//
// The id names the topic (context numbers as "topic-<n>"), the first h2 is its
// title and data-keywords lists its search words separated by ";". Links
// between topics are "#" and the id.
class HelpFile
{
public:
    enum class Status
    {
        Loaded,
        NotFound,
        Unreadable,
        NoTopics
    };

    static constexpr int ContentsTopic = 0;

    HelpFile() = default;
    explicit HelpFile(const QString& html);

    // Replaces the topics by those of the file at path; on any failure the
    // topics are left as they were.
    Status load(const QString& path);
    // The message for a file that did not load; fileName as the user knows it.
    static QString problemText(Status status, const QString& fileName);

    bool isEmpty() const { return m_topics.isEmpty(); }
    const QList<HelpTopic>& topics() const { return m_topics; }
    const HelpTopic* topicById(const QString& id) const;
    const HelpTopic* topicByNumber(int number) const;
    // The topic a context number opens: that topic, else the contents, else the
    // first topic of the file; null only for an empty file.
    const HelpTopic* contextTopic(int number) const;

    // Every keyword and every topic title, alphabetically.
    QList<HelpIndexEntry> index() const;
    // The entries that begin with text, then those with a later word that begins
    // with it, each group alphabetically; all entries for an empty text.
    QList<HelpIndexEntry> search(const QString& text) const;

private:
    QList<HelpTopic> m_topics;
};
