#pragma once

#include "overlay/OverlayItem.h"

#include <QByteArray>
#include <QStringList>

#include <vector>

class QIODevice;

namespace nearbell {

class HostFolder;

// The overlay objects of all the host's overlay files.
//
// Responsibilities:
//  - hold gOverlayItems, a fixed table of 2501 slots allocated once (slot 0
//    is never used), and gintOverlayCount, the number of valid slots 1..count;
//  - refill it from the overlay files on every load: "*" anywhere skips a
//    line, a "!" at position 1 to 9 makes an object line with the name before
//    it, the latitude and longitude at fixed columns after it and the
//    description from the 20th character after it; an object without a
//    description takes its status line ("name>text") when the next line is one;
//  - keep at most 2500 objects: further objects overwrite slot 2500;
//  - set the count once, after every file has been read;
//  - survive any file content: binary bytes, CR, LF or CRLF line ends,
//    files that cannot be opened or are no regular files; a line longer than
//    64 KB ends its file, so no line costs more than that.
class OverlayTable
{
public:
    static constexpr int kSlots = 2501;
    static constexpr int kMaxItems = kSlots - 1;

    OverlayTable();

    // Reads the overlay files of the host folder afresh.
    void load_overlay_items(const HostFolder &folder);
    // Reads the given files, in the given order.
    void load_overlay_items(const QStringList &files);

    qint16 gintOverlayCount() const { return m_gintOverlayCount; }
    // Slot 0..2500; only 1..gintOverlayCount() hold the current objects.
    const OverlayItem &gOverlayItems(int slot) const { return m_gOverlayItems[size_t(slot)]; }

private:
    void readFile(const QString &path, int &count);
    void readLines(QIODevice &file, int &count);

    std::vector<OverlayItem> m_gOverlayItems; // kSlots entries, never resized
    qint16 m_gintOverlayCount = 0;
    QByteArray m_buffer; // read buffer kept from file to file and cycle to cycle
};

} // namespace nearbell
