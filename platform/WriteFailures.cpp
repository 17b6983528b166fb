#include "platform/WriteFailures.h"

#include <QFileInfo>
#include <QTemporaryFile>

#include <cstdio>

namespace nearbell {

void WriteFailures::report(const QString &path, bool written, const QString &reason)
{
    if (written)
        succeeded(path);
    else
        failed(path, reason);
}

void WriteFailures::succeeded(const QString &path)
{
    m_failing.remove(path);
}

void WriteFailures::failed(const QString &path, const QString &reason)
{
    const auto known = m_failing.constFind(path);
    if (known != m_failing.constEnd() && known.value() == reason)
        return;
    m_failing.insert(path, reason);
    const QString line = QStringLiteral("Could not write %1: %2").arg(path, reason);
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

StatusParts WriteFailures::statusParts() const
{
    StatusParts parts;
    for (auto it = m_failing.constBegin(); it != m_failing.constEnd(); ++it)
        parts.append(StatusPart{QStringLiteral("Could not write %1: %2").arg(it.key(), it.value()), true});
    return parts;
}

QString WriteFailures::probeReason(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return QStringLiteral("it is a directory");
    if (info.exists() && !info.isFile())
        return QStringLiteral("it is not a regular file");
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        return QStringLiteral("its folder does not exist");
    if (!folder.isWritable())
        return QStringLiteral("its folder is read-only");
    // Try what the save tried: a new file beside it.
    QTemporaryFile probe(info.absoluteFilePath() + QStringLiteral(".XXXXXX"));
    if (!probe.open())
        return probe.errorString();
    return QStringLiteral("the write failed (disk full or file size limit?)");
}

} // namespace nearbell
