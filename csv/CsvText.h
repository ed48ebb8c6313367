#pragma once

#include <QCryptographicHash>
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
// The separator is the comma, or the semicolon when the first line that is
// not blank holds semicolons and no comma outside quotes. A first line or a
// field longer than any a collection writes is taken for a file that is no
// CSV, and reading stops there.
class Reader
{
public:
    explicit Reader(QIODevice& device);

    // The next record and the line it begins on (from 1); false at the end
    // of the text or at a fault, which failure() then names. Empty lines are
    // skipped.
    bool next(QStringList& fields, qint64& line);
    // Why reading stopped early: empty when the text was read to its end.
    const QString& failure() const { return m_failure; }
    // The separator, once the first record was read.
    QChar separator() const { return m_separator; }
    // A digest of every byte read so far: two readings of a file read the
    // same text when their digests are equal.
    QByteArray digest() const { return m_digest.result(); }

    static constexpr qsizetype kLongestFirstLine = 64 * 1024;
    static constexpr qsizetype kLongestField = 4 * 1024 * 1024;

private:
    bool fill();
    bool atEnd();
    QChar peek() const { return m_text[m_at]; }
    void chooseSeparator();
    void skipBlankLines();

    QIODevice& m_device;
    QStringDecoder m_decoder;
    QString m_text;
    qsizetype m_at = 0;
    bool m_deviceDone = false;
    QChar m_separator;
    qint64 m_line = 1;
    QString m_failure;
    QCryptographicHash m_digest{QCryptographicHash::Sha256};
};

} // namespace Csv
