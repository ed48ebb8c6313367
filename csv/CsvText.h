#pragma once

#include <QIODevice>
#include <QString>
#include <QStringDecoder>
#include <QStringList>

// Comma-separated text as spreadsheets write and read it: fields quoted with
// double quotes where they hold the separator, a quote, a line break or blanks
// at either end, a quote inside doubled, lines ended by CR LF.
namespace Csv {

// One line of fields, quoted where needed, without its line end.
QString line(const QStringList& fields);

// Reads records from UTF-8 text, one at a time, so that a file of any size
// takes little memory: a byte-order mark is skipped; lines end with LF, CR LF
// or CR; a quoted field may hold separators, doubled quotes and line breaks.
// The separator is the TAB when the first line that is not blank holds one
// outside quotes, else the semicolon when it holds semicolons and no comma,
// else the comma. Text in another encoding than UTF-8 is read when named. A first line or a
// field longer than any a collection writes is taken for a file that is no
// CSV, and reading stops there. A record keeps at most mostFields() fields
// and one more: the rest are read past and only counted, so that a line of
// many short fields takes no more memory than a line of a few.
class Reader
{
public:
    // encoding: a name QStringDecoder knows ("windows-1252"), or empty for UTF-8
    explicit Reader(QIODevice& device, const QString& encoding = {});

    // The next record and the line it begins on (from 1); false at the end
    // of the text or at a fault, which failure() then names. Empty lines are
    // skipped.
    bool next(QStringList& fields, qint64& line);
    // The fields the last record had, the ones read past included.
    qsizetype fieldCount() const { return m_fieldCount; }
    qsizetype mostFields() const { return m_mostFields; }
    void setMostFields(qsizetype most) { m_mostFields = most; }
    // Why reading stopped early: empty when the text was read to its end.
    const QString& failure() const { return m_failure; }
    // The separator, once the first record was read.
    QChar separator() const { return m_separator; }

    static constexpr qsizetype kLongestFirstLine = 64 * 1024;
    static constexpr qsizetype kLongestField = 4 * 1024 * 1024;
    // the fields kept of a record until the caller knows how many it wants
    static constexpr qsizetype kMostHeaderFields = 300;

private:
    bool fill();
    bool atEnd();
    QChar peek() const { return m_text[m_at]; }
    qsizetype plainRun(bool quoted) const;
    void chooseSeparator();
    void skipBlankLines();

    QIODevice& m_device;
    QStringDecoder m_decoder;
    QString m_text;
    qsizetype m_at = 0;
    bool m_deviceDone = false;
    QChar m_separator;
    qint64 m_line = 1;
    qsizetype m_mostFields = kMostHeaderFields;
    qsizetype m_fieldCount = 0;
    QString m_failure;
};

} // namespace Csv
