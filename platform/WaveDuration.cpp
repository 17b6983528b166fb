#include "platform/WaveDuration.h"

#include <QFile>
#include <QtEndian>

namespace nearbell {

int waveDurationMs(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const qint64 fileSize = file.size();
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return 0;
    quint32 byteRate = 0;
    qint64 at = 12;
    // A handful of chunks at most come before the samples.
    for (int chunk = 0; chunk < 64 && at + 8 <= fileSize; ++chunk) {
        if (!file.seek(at))
            return 0;
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            return 0;
        const quint32 size = qFromLittleEndian<quint32>(header.constData() + 4);
        const QByteArray id = header.left(4);
        if (id == "fmt ") {
            const QByteArray fmt = file.read(12);
            if (fmt.size() < 12)
                return 0;
            byteRate = qFromLittleEndian<quint32>(fmt.constData() + 8);
        } else if (id == "data") {
            if (byteRate == 0)
                return 0;
            const qint64 present = qMin<qint64>(size, fileSize - (at + 8));
            return int(qMin<qint64>(present * 1000 / byteRate, 24 * 3600 * 1000));
        }
        at += 8 + qint64(size) + (size & 1);
    }
    return 0;
}

} // namespace nearbell
