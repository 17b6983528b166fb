#include "monitor/AckListFile.h"

#include "platform/RegularFile.h"
#include "platform/Windows1252.h"

#include <QFile>
#include <QSaveFile>

namespace nearbell {

bool AckListFile::write(const QString &path, const QStringList &lines)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray contents;
    for (const QString &line : lines) {
        contents += toWindows1252(line);
        contents += "\r\n";
    }
    // Flushed and checked before the commit: commit() alone would put a
    // temporary file whose last writes failed (full disk, file size limit)
    // in the list's place, cutting the list short.
    if (file.write(contents) != contents.size() || !file.flush()
        || file.error() != QFileDevice::NoError) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool AckListFile::read(const QString &path, const std::function<void(const QString &)> &addLine)
{
    QFile file;
    if (!RegularFile::open(file, path))
        return false;

    QByteArray line;
    bool lineOpen = false;   // characters or nothing since the last line end
    bool afterCr = false;    // an LF right after a CR belongs to that line end
    char buffer[64 * 1024];
    const auto endLine = [&] {
        addLine(fromWindows1252(line));
        line.clear();
        lineOpen = false;
    };
    for (;;) {
        const qint64 got = file.read(buffer, sizeof buffer);
        if (got < 0)
            return false;
        if (got == 0)
            break;
        for (qint64 i = 0; i < got; ++i) {
            const char c = buffer[i];
            if (afterCr) {
                afterCr = false;
                if (c == '\n')
                    continue;
            }
            if (c == '\r' || c == '\n') {
                endLine();
                afterCr = c == '\r';
            } else {
                // Past the bound the rest of the line is passed over.
                if (line.size() < maxLineBytes)
                    line += c;
                lineOpen = true;
            }
        }
    }
    if (lineOpen)
        endLine();
    return true;
}

} // namespace nearbell
