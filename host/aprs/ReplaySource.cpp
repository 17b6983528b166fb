#include "host/aprs/ReplaySource.h"

#include "host/aprs/AprsDecoder.h"
#include "host/aprs/AprsReport.h"
#include "platform/RegularFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace nearbell {

ReplaySource::ReplaySource(const QString &path, int intervalMs, QObject *parent, const QString &folder)
    : StationSource(parent), m_path(path)
{
    // A relative path names a file in the program folder, beside the host
    // profile, whatever the working directory.
    if (QDir::isRelativePath(m_path)) {
        if (!folder.isEmpty())
            m_path = QDir(folder).filePath(m_path);
        else if (QCoreApplication::instance())
            m_path = QDir(QCoreApplication::applicationDirPath()).filePath(m_path);
    }
    // A zero or negative interval would spin; one line per millisecond at most.
    m_timer.setInterval(std::max(1, intervalMs));
    connect(&m_timer, &QTimer::timeout, this, &ReplaySource::playNext);
}

bool ReplaySource::readLines(QString &failure)
{
    // A FIFO or device put in the file's place must not hold start-up.
    QFile file;
    if (!RegularFile::open(file, m_path, &failure))
        return false;
    // In chunks and within bounds: however large the file, only the lines
    // kept are held, and an endless line costs one bounded buffer.
    QByteArray line;
    bool overlong = false;
    char buffer[64 * 1024];
    auto keep = [this](QByteArray &text) {
        while (text.endsWith('\r'))
            text.chop(1);
        if (!text.trimmed().isEmpty() && !text.startsWith('#'))
            m_lines.append(text);
    };
    while (m_lines.size() < kMaxLines) {
        const qint64 got = file.read(buffer, sizeof buffer);
        if (got < 0) {
            failure = file.errorString();
            return false;
        }
        if (got == 0)
            break;
        for (qint64 i = 0; i < got && m_lines.size() < kMaxLines; ++i) {
            if (buffer[i] == '\n') {
                if (!overlong)
                    keep(line);
                line.clear();
                overlong = false;
            } else if (!overlong) {
                line.append(buffer[i]);
                if (line.size() > kMaxLineLength) {
                    line.clear();
                    overlong = true;
                }
            }
        }
    }
    if (!overlong && m_lines.size() < kMaxLines)
        keep(line);
    return true;
}

void ReplaySource::start()
{
    m_lines.clear();
    m_next = 0;
    QString failure;
    if (!readLines(failure)) {
        m_lines.clear();
        // Named by its source line when it has one; the reason names the file.
        m_state = {name().isEmpty() ? QStringLiteral("REPLAY %1 cannot be read: %2").arg(m_path, failure)
                                    : QStringLiteral("%1 cannot be read: %2: %3").arg(name(), m_path, failure),
                   true};
        std::fprintf(stderr, "%s\n", m_state.text.toLocal8Bit().constData());
        std::fflush(stderr);
        emit connectionStateChanged(m_state.text);
        return;
    }
    m_state = {QStringLiteral("%1 playing %2 lines")
                   .arg(name().isEmpty() ? QStringLiteral("REPLAY ") + m_path : name())
                   .arg(m_lines.size()),
               m_lines.isEmpty()};
    emit connectionStateChanged(m_state.text);
    if (!m_lines.isEmpty())
        m_timer.start();
}

StatusPart ReplaySource::status() const
{
    return m_state;
}

void ReplaySource::playNext()
{
    const QByteArray &line = m_lines.at(m_next);
    m_next = (m_next + 1) % m_lines.size();
    AprsPosition position;
    if (isReport(AprsDecoder::decodeTnc2(std::string_view(line.constData(), std::size_t(line.size())),
                                         position))) {
        emit reportReceived(toStationReport(position));
        emit batchReceived();
    }
}

} // namespace nearbell
