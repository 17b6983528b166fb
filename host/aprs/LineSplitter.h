#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace nearbell {

// Cuts a byte stream into lines at "\n" for the line-based sources
// (APRS-IS, gpsd).
//
// Responsibilities:
//  - hold a partial line across reads, and hand each complete line (without
//    its "\n") to the caller; a line that arrives whole in one read is
//    handed over without being copied;
//  - never hold more than maxLength bytes: a longer line is dropped whole,
//    reported once when it first exceeds the bound, and reading resumes at
//    the next line;
//  - tell the caller after every line end, dropped lines included, so that
//    a source can take any complete line as proof that its peer is alive.
class LineSplitter
{
public:
    explicit LineSplitter(qsizetype maxLength) : m_maxLength(maxLength) {}

    // Forgets a partial or dropped line (the connection went away).
    void reset()
    {
        m_partial.clear();
        m_discarding = false;
    }

    // line(QByteArrayView), overlong(), ended().
    template <typename Line, typename Overlong, typename Ended>
    void feed(QByteArrayView bytes, Line &&line, Overlong &&overlong, Ended &&ended)
    {
        while (!bytes.isEmpty()) {
            const qsizetype newline = bytes.indexOf('\n');
            const QByteArrayView piece = newline < 0 ? bytes : bytes.first(newline);
            bytes = newline < 0 ? QByteArrayView() : bytes.sliced(newline + 1);
            if (!m_discarding) {
                if (m_partial.size() + piece.size() > m_maxLength) {
                    m_partial.clear();
                    m_discarding = true;
                    overlong();
                } else if (newline >= 0 && m_partial.isEmpty()) {
                    line(piece);
                } else {
                    m_partial.append(piece);
                    if (newline >= 0) {
                        line(QByteArrayView(m_partial));
                        m_partial.clear();
                    }
                }
            }
            if (newline >= 0) {
                m_discarding = false;
                ended();
            }
        }
    }

private:
    qsizetype m_maxLength;
    QByteArray m_partial;
    bool m_discarding = false;
};

} // namespace nearbell
