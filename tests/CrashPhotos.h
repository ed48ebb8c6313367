#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <QtEndian>

// The picture the crash driver adds as photo m: a small BMP whose pixels
// follow from m alone, so that the crash test knows each photo by the digest
// of its bytes without reading a picture.
inline QByteArray crashPhoto(int m)
{
    constexpr int kSide = 8;
    constexpr int kPixelBytes = kSide * kSide * 3; // rows of 24 bytes need no padding
    constexpr int kHeaderBytes = 14 + 40;
    QByteArray bmp(kHeaderBytes + kPixelBytes, '\0');
    char* at = bmp.data();
    const auto put16 = [&](int offset, quint16 value) { qToLittleEndian(value, at + offset); };
    const auto put32 = [&](int offset, quint32 value) { qToLittleEndian(value, at + offset); };
    at[0] = 'B';
    at[1] = 'M';
    put32(2, quint32(bmp.size()));
    put32(10, kHeaderBytes);
    put32(14, 40);
    put32(18, kSide);
    put32(22, kSide);
    put16(26, 1);
    put16(28, 24);
    put32(34, kPixelBytes);
    for (int i = 0; i < kPixelBytes; ++i)
        at[kHeaderBytes + i] = char((m * 37 + i * (m % 7 + 1)) & 0xff);
    return bmp;
}

inline QString crashPhotoDigest(int m)
{
    return QString::fromLatin1(QCryptographicHash::hash(crashPhoto(m), QCryptographicHash::Sha256).toHex());
}
