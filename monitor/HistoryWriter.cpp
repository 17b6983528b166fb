#include "monitor/HistoryWriter.h"

#include "platform/AppendFile.h"

#include <QFileInfo>
#include <QTimer>

namespace nearbell {

HistoryWriter::HistoryWriter(QString path, QString olderPath, QByteArray header, qint64 rotateBytes)
    : m_path(std::move(path)), m_olderPath(std::move(olderPath)), m_header(std::move(header)),
      m_rotateBytes(rotateBytes)
{
}

void HistoryWriter::add(const QList<QByteArray> &lines)
{
    for (const QByteArray &line : lines)
        m_kept.push_back(line);
    while (m_kept.size() > size_t(kMostKept)) {
        m_kept.pop_front();
        ++m_lost;
        --m_unwritten;
    }
    writeKept();
}

void HistoryWriter::writeKept()
{
    if (m_kept.empty())
        return;
    if (m_beforeWrite)
        m_beforeWrite();
    QByteArray piece;
    for (const QByteArray &line : m_kept)
        piece += line;

    QString rotation;
    const qint64 size = AppendFile::size(m_path);
    if (size > 0 && size + piece.size() > m_rotateBytes) {
        QString why;
        if (!AppendFile::move(m_path, m_olderPath, &why)) {
            rotation = QStringLiteral("cannot be moved to %1 (%2): the file grows on")
                           .arg(QFileInfo(m_olderPath).fileName(), why);
        }
    }
    const AppendFile::Outcome outcome = AppendFile::append(m_path, piece, m_header);
    QString reason = outcome.reason;
    if (outcome.written) {
        m_unwritten -= int(m_kept.size());
        m_kept.clear();
    } else {
        reason += QStringLiteral("; %1 alarm lines kept to be written again").arg(m_kept.size());
        if (!m_retry) {
            m_retry = new QTimer(this);
            m_retry->setSingleShot(true);
            connect(m_retry, &QTimer::timeout, this, &HistoryWriter::writeKept);
        }
        m_retry->start(m_retryMs);
    }
    if (m_lost > 0)
        reason += QStringLiteral("; %1 older alarm lines were given up").arg(m_lost);
    if (!rotation.isEmpty())
        reason = reason.isEmpty() ? rotation : rotation + QStringLiteral("; ") + reason;
    const bool ok = outcome.written && rotation.isEmpty() && m_lost == 0;
    if (outcome.written)
        m_lost = 0; // told with this outcome
    emit written(m_path, ok, reason);
}

} // namespace nearbell
