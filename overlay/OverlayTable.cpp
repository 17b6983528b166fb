#include "overlay/OverlayTable.h"

#include "overlay/HostFolder.h"
#include "overlay/PositionText.h"
#include "platform/RegularFile.h"
#include "platform/Windows1252.h"

#include <QFile>

#include <algorithm>
#include <cstring>

namespace nearbell {

namespace {

constexpr qsizetype kChunk = 64 * 1024;
// An overlay line holds a short name, two positions and a description; a
// line this long is not one, and nothing after it in its file is read.
constexpr qsizetype kMaxLine = 64 * 1024;

// Splits a device into text lines ended by CR, LF or CRLF. A line is handed
// out as a view into the shared buffer, valid until the next call. A line
// longer than kMaxLine ends the file, so one line never costs more than
// kMaxLine bytes of buffer and of reading.
class LineReader
{
public:
    LineReader(QIODevice &device, QByteArray &buffer) : m_device(device), m_buffer(buffer)
    {
        if (m_buffer.size() < kChunk)
            m_buffer.resize(kChunk);
    }

    bool next(QByteArrayView &line)
    {
        qsizetype scanned = 0; // bytes after m_start already known to hold no line end
        for (;;) {
            const char *data = m_buffer.constData();
            qsizetype i = m_start + scanned;
            while (i < m_end && data[i] != '\r' && data[i] != '\n')
                ++i;
            if (i < m_end) {
                // A CR at the very end of the data may be the first half of a CRLF.
                if (data[i] == '\r' && i + 1 == m_end && !m_atEnd) {
                    scanned = i - m_start;
                    fill();
                    continue;
                }
                if (i - m_start > kMaxLine)
                    return endFile();
                line = QByteArrayView(data + m_start, i - m_start);
                qsizetype after = i + 1;
                if (data[i] == '\r' && after < m_end && data[after] == '\n')
                    ++after;
                m_start = after;
                return true;
            }
            if (m_end - m_start > kMaxLine)
                return endFile();
            if (m_atEnd) {
                if (m_start == m_end)
                    return false;
                line = QByteArrayView(data + m_start, m_end - m_start);
                m_start = m_end;
                return true;
            }
            scanned = m_end - m_start;
            fill();
        }
    }

private:
    bool endFile()
    {
        m_atEnd = true;
        m_start = m_end;
        return false;
    }

    // Moves the unread rest to the front, grows the buffer when one line fills
    // it, and appends what the device gives next.
    void fill()
    {
        if (m_start > 0) {
            std::memmove(m_buffer.data(), m_buffer.constData() + m_start, size_t(m_end - m_start));
            m_end -= m_start;
            m_start = 0;
        }
        if (m_end == m_buffer.size())
            m_buffer.resize(m_buffer.size() * 2);
        const qint64 got = m_device.read(m_buffer.data() + m_end, m_buffer.size() - m_end);
        if (got <= 0)
            m_atEnd = true; // end of file, or a read error: what was read stands
        else
            m_end += qsizetype(got);
    }

    QIODevice &m_device;
    QByteArray &m_buffer;
    qsizetype m_start = 0;
    qsizetype m_end = 0;
    bool m_atEnd = false;
};

// Up to len bytes from start, nothing past the end.
QByteArrayView bytesAt(QByteArrayView line, qsizetype start, qsizetype len)
{
    if (start >= line.size())
        return {};
    return line.sliced(start, std::min(len, line.size() - start));
}

// A short position text decoded onto the stack: no allocation per object.
class PositionChars
{
public:
    explicit PositionChars(QByteArrayView bytes)
    {
        for (qsizetype i = 0; i < bytes.size(); ++i)
            m_chars[i] = windows1252Char(static_cast<unsigned char>(bytes[i]));
        m_size = bytes.size();
    }
    QStringView view() const { return QStringView(m_chars, m_size); }

private:
    QChar m_chars[9];
    qsizetype m_size = 0;
};

} // namespace

OverlayTable::OverlayTable() : m_gOverlayItems(kSlots) {}

void OverlayTable::load_overlay_items(const HostFolder &folder)
{
    load_overlay_items(folder.overlayFiles());
}

void OverlayTable::load_overlay_items(const QStringList &files)
{
    int count = 0;
    for (const QString &path : files)
        readFile(path, count);
    // The count changes once, when every file has been read.
    m_gintOverlayCount = qint16(count);
}

void OverlayTable::readFile(const QString &path, int &count)
{
    // Only regular files: a folder, pipe or device named *.pos is passed over
    // rather than opened (a pipe would block the window).
    QFile file;
    if (!RegularFile::open(file, path))
        return;
    readLines(file, count);
    // A file with a giant line should not keep its buffer for the whole run.
    if (m_buffer.size() > 16 * kChunk)
        m_buffer = QByteArray();
}

void OverlayTable::readLines(QIODevice &file, int &count)
{
    LineReader reader(file, m_buffer);
    QByteArrayView line;
    bool haveLine = reader.next(line);
    while (haveLine) {
        const qsizetype bang = line.first(std::min<qsizetype>(line.size(), 9)).indexOf('!');
        if (bang < 0 || line.contains('*')) {
            haveLine = reader.next(line);
            continue;
        }

        // An object line; everything needed is taken out before the next read.
        char nameBytes[8];
        std::memcpy(nameBytes, line.constData(), size_t(bang));
        const QByteArrayView name(nameBytes, bang);
        const PositionChars latitude(bytesAt(line, bang + 1, 8));
        const PositionChars longitude(bytesAt(line, bang + 10, 9));
        QString comment = fromWindows1252(bytesAt(line, bang + 20, line.size()));

        haveLine = reader.next(line);
        if (comment.isEmpty() && haveLine) {
            // Its status line "name>text" gives the description; any other
            // line is left to the loop, where it may be an object of its own.
            const qsizetype gt = line.indexOf('>');
            if (gt >= 0 && line.first(gt) == name) {
                comment = fromWindows1252(line.sliced(gt + 1));
                haveLine = reader.next(line);
            }
        }

        // An object whose position cannot be read is left out rather than
        // shown at a made-up place.
        float lat = 0.0f;
        float lon = 0.0f;
        if (!readPositionText(latitude.view(), false, lat) || !readPositionText(longitude.view(), true, lon))
            continue;
        count = std::min(count + 1, kMaxItems);
        OverlayItem &item = m_gOverlayItems[size_t(count)];
        item.strName = fromWindows1252(name);
        item.sngLatitude = lat;
        item.sngLongitude = lon;
        item.strComment = std::move(comment);
    }
}

} // namespace nearbell
