#include "host/aprs/AprsReport.h"

#include <QHashFunctions>
#include <QStringDecoder>

#include <algorithm>

namespace nearbell {

namespace {

// Texts on the air are UTF-8 from newer radios and Latin-1 from older ones:
// bytes that are not valid UTF-8 are read as Latin-1, so none is lost.
QString textOf(const AprsPosition &position)
{
    QByteArray bytes;
    for (int i = 0; i < position.commentPieceCount; ++i) {
        const std::string_view piece = position.commentPieces[i];
        bytes.append(piece.data(), qsizetype(piece.size()));
    }
    bytes = bytes.trimmed();
    if (bytes.isEmpty())
        return QString();
    if (std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes); // plain ASCII, the common case
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// The digipeaters as the table keeps them: at most 8, as on the air, each
// at most a callsign long, and "*" after every one that repeated the packet;
// a monitor line marks only the last of those, all before it did so too.
QStringList pathOf(std::string_view path)
{
    QStringList elements;
    int lastRepeated = -1;
    while (!path.empty() && elements.size() < AprsPosition::maxPathElements) {
        const std::size_t comma = path.find(',');
        std::string_view element = path.substr(0, comma);
        path = comma == std::string_view::npos ? std::string_view() : path.substr(comma + 1);
        const bool repeated = !element.empty() && element.back() == '*';
        if (repeated)
            element.remove_suffix(1);
        if (element.empty())
            continue;
        if (repeated)
            lastRepeated = int(elements.size());
        element = element.substr(0, std::size_t(AprsPosition::maxNameLength));
        elements.append(QString::fromLatin1(element.data(), qsizetype(element.size())));
    }
    for (int i = 0; i <= lastRepeated; ++i)
        elements[i].append(u'*');
    return elements;
}

} // namespace

StationReport toStationReport(const AprsPosition &position)
{
    StationReport report;
    report.callsign = QString::fromLatin1(position.nameBuffer, position.nameLength);
    report.symbolTable = position.symbolTable;
    report.symbolCode = position.symbolCode;
    report.latitude = position.latitude;
    report.longitude = position.longitude;
    report.heardDirectly = position.heardDirectly;
    report.killed = position.killed;
    report.packet = packetDigest(position.origin(), position.destination(), position.information);
    report.course = position.course;
    report.speedKmh = position.speedKmh;
    report.altitudeM = position.altitudeM;
    report.hasPosition = position.hasPosition;
    (position.hasPosition ? report.comment : report.status) = textOf(position);
    report.path = pathOf(position.path);
    return report;
}

quint64 packetDigest(std::string_view origin, std::string_view destination,
                     std::string_view information)
{
    while (!information.empty()
           && (information.back() == '\r' || information.back() == '\n' || information.back() == ' '))
        information.remove_suffix(1);
    // Each part's length goes into the seed of its own digest, and each
    // digest seeds the next: bytes moved from one part to another give
    // another digest.
    size_t digest = qHashBits(origin.data(), origin.size(), 0x4e42 + origin.size());
    digest = qHashBits(destination.data(), destination.size(), digest + destination.size());
    digest = qHashBits(information.data(), information.size(), digest + information.size());
    return digest == 0 ? 1 : quint64(digest);
}

} // namespace nearbell
