#pragma once

#include <QList>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The fuzzer's bytes, taken from the front as the target needs them: numbers
// first, then the rest as UTF-8 text (malformed sequences become U+FFFD, as
// they do when the program reads a file).
class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_size(size)
    {}

    // The next count bytes as an unsigned number, low byte first; missing bytes are zero.
    std::uint64_t number(int count)
    {
        std::uint64_t value = 0;
        for (int i = 0; i < count; ++i, ++m_at)
            if (m_at < m_size)
                value |= std::uint64_t(m_data[m_at]) << (8 * i);
        return value;
    }
    QString text() const
    {
        return m_at < m_size
                   ? QString::fromUtf8(reinterpret_cast<const char*>(m_data + m_at), qsizetype(m_size - m_at))
                   : QString();
    }
    QByteArray bytes() const
    {
        return m_at < m_size
                   ? QByteArray(reinterpret_cast<const char*>(m_data + m_at), qsizetype(m_size - m_at))
                   : QByteArray();
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

// Every locale Qt knows; a number chooses one by its place.
inline const QList<QLocale>& everyLocale()
{
    static const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    return locales;
}

inline qsizetype localeIndex(std::uint64_t number)
{
    return qsizetype(number % std::uint64_t(everyLocale().size()));
}

// A property that does not hold: said with what broke it, then the run stops
// as at a crash, so that the fuzzer keeps the input.
[[noreturn]] inline void broken(const char* property, const QString& detail)
{
    std::fprintf(stderr, "property broken: %s\n%s\n", property, detail.toUtf8().constData());
    std::abort();
}
