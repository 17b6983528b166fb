#pragma once

#include <QHashFunctions>
#include <QString>

#include "host/SourceLine.h"

namespace nearbell {

// Which station source something came from: its source line as SourceLine
// writes it ("KISS 127.0.0.1:8001", "APRSIS rotate.aprs2.net:14580"),
// whatever place the line has in the set-up. The set-up window, the host,
// the table's "heard by" record, the status line and the alarm history's
// source column all name a source by it, so a source keeps its name when
// other lines are added, removed or moved around it.
class SourceId
{
public:
    SourceId() = default;
    explicit SourceId(const SourceLine &line) : m_text(line.format()) {}
    // The identity of a line as the user wrote it, in any letter case.
    static SourceId of(QStringView text) { return SourceId(SourceLine::parse(text)); }

    const QString &text() const { return m_text; }
    bool isEmpty() const { return m_text.isEmpty(); }
    bool operator==(const SourceId &other) const = default;

private:
    QString m_text;
};

inline size_t qHash(const SourceId &id, size_t seed = 0) noexcept
{
    return qHash(id.text(), seed);
}

} // namespace nearbell
