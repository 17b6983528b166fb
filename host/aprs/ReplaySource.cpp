#include "host/aprs/ReplaySource.h"

#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace nearbell {

ReplaySource::ReplaySource(const QString &path, int intervalMs, QObject *parent)
    : StationSource(parent), m_path(path)
{
    // A relative path names a file in the program folder, beside the host
    // profile, whatever the working directory.
    if (QDir::isRelativePath(m_path) && QCoreApplication::instance())
        m_path = QDir(QCoreApplication::applicationDirPath()).filePath(m_path);
    // A zero or negative interval would spin; one line per millisecond at most.
    m_timer.setInterval(std::max(1, intervalMs));
    connect(&m_timer, &QTimer::timeout, this, &ReplaySource::playNext);
}

void ReplaySource::start()
{
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly)) {
        const QString line = QStringLiteral("REPLAY %1 cannot be read: %2").arg(m_path, file.errorString());
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        emit connectionStateChanged(line);
        return;
    }
    m_lines.clear();
    const QByteArray content = file.readAll();
    for (QByteArray line : content.split('\n')) {
        while (line.endsWith('\r'))
            line.chop(1);
        if (!line.trimmed().isEmpty() && !line.startsWith('#'))
            m_lines.append(line);
    }
    m_next = 0;
    emit connectionStateChanged(
        QStringLiteral("REPLAY %1 playing %2 lines").arg(m_path).arg(m_lines.size()));
    if (!m_lines.isEmpty())
        m_timer.start();
}

void ReplaySource::playNext()
{
    const QByteArray &line = m_lines.at(m_next);
    m_next = (m_next + 1) % m_lines.size();
    AprsPosition position;
    if (AprsDecoder::decodeTnc2(std::string_view(line.constData(), std::size_t(line.size())), position)
        == AprsStatus::Position) {
        emit reportReceived(toStationReport(position));
        emit batchReceived();
    }
}

} // namespace nearbell
