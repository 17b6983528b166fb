#include "platform/WaveFileCheck.h"

#include <QFile>
#include <QFileInfo>

namespace nearbell {

namespace {

quint32 le32(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 le16(const QByteArray &b, qsizetype at)
{
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return quint16(p[0] | p[1] << 8);
}

bool formatIsDecodable(const QByteArray &b, qsizetype at, quint32 size)
{
    if (size < 16)
        return false;
    const quint16 format = le16(b, at);
    const quint16 channels = le16(b, at + 2);
    const quint32 rate = le32(b, at + 4);
    const quint16 blockAlign = le16(b, at + 12);
    const quint16 bits = le16(b, at + 14);

    constexpr quint16 pcm = 1, ieeeFloat = 3, extensible = 0xFFFE;
    if (format != pcm && format != ieeeFloat && format != extensible)
        return false;
    if (format == ieeeFloat && bits != 32)
        return false;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (channels < 1 || channels > 8 || rate < 1000 || rate > 384000)
        return false;
    return blockAlign == channels * (bits / 8);
}

} // namespace

bool WaveFileCheck::isPlayable(const QByteArray &b)
{
    const qsizetype total = b.size();
    if (total < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE")
        return false;
    // The RIFF size must not promise more than the file holds.
    if (qint64(le32(b, 4)) + 8 > total)
        return false;

    bool haveFormat = false;
    qsizetype at = 12;
    while (at + 8 <= total) {
        const QByteArray id = b.mid(at, 4);
        const quint32 size = le32(b, at + 4);
        const qsizetype body = at + 8;
        if (qint64(size) > total - body)
            return false; // a chunk longer than the rest of the file
        if (id == "fmt ") {
            if (!formatIsDecodable(b, body, size))
                return false;
            haveFormat = true;
        } else if (id == "data") {
            return haveFormat && size > 0;
        }
        at = body + qsizetype(size) + (size & 1); // chunks are word aligned
    }
    return false;
}

bool WaveFileCheck::isPlayableFile(const QString &path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > maxBytes)
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return isPlayable(file.read(maxBytes));
}

} // namespace nearbell
