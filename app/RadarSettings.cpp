#include "app/RadarSettings.h"

#include "platform/WriteFailures.h"
#include "platform/BlankTrim.h"
#include "platform/LeadingNumber.h"
#include "platform/ProfileFile.h"
#include "platform/A_GetSetIniFile.h"

#include <cmath>

namespace nearbell {

namespace {

const QString courseText = QStringLiteral("COURSE");
const QString northText = QStringLiteral("NORTH");

// A whole number of pixels, or none when the key is missing or absurd.
std::optional<int> readPixels(const QString &file, const QString &key)
{
    const QString text = ProfileFile::readString(file, RadarSettings::sectionName(), key, QString());
    if (trimBlanks(text).isEmpty())
        return std::nullopt;
    const double value = leadingNumber(text);
    if (!std::isfinite(value) || std::abs(value) > 1e6)
        return std::nullopt;
    return int(std::lround(value));
}

} // namespace

RadarSettings::RadarSettings(QString iniFile, WriteFailures *failures)
    : m_iniFile(std::move(iniFile)), m_failures(failures)
{
}

std::optional<QPoint> RadarSettings::position() const
{
    const auto left = readPixels(m_iniFile, QStringLiteral("LEFT"));
    const auto top = readPixels(m_iniFile, QStringLiteral("TOP"));
    if (!left || !top)
        return std::nullopt;
    return QPoint(*left, *top);
}

std::optional<QSize> RadarSettings::size() const
{
    const auto width = readPixels(m_iniFile, QStringLiteral("WIDTH"));
    const auto height = readPixels(m_iniFile, QStringLiteral("HEIGHT"));
    if (!width || !height || *width < minimumSide || *height < minimumSide)
        return std::nullopt;
    return QSize(*width, *height);
}

RadarSettings::Place RadarSettings::fitted(std::optional<QPoint> position, std::optional<QSize> size,
                                           const QList<QRect> &screens, QSize standard)
{
    const QRect primary = screens.isEmpty() ? QRect(QPoint(0, 0), standard) : screens.first();
    // The screen that shows the title bar's first pixels, if any does.
    const QRect *home = nullptr;
    if (position) {
        const QRect titleArea(*position, QSize(32, 8));
        for (const QRect &screen : screens) {
            if (screen.contains(titleArea)) {
                home = &screen;
                break;
            }
        }
    }
    const QRect &screen = home ? *home : primary;
    // Room is left for the window's frame, which the saved position includes.
    const QSize frame(16, 48);
    const QSize room = (screen.size() - frame).expandedTo(QSize(minimumSide, minimumSide));
    const QSize inner = size.value_or(standard).boundedTo(room);
    const QSize outer = inner + frame;
    if (!home) {
        return {QPoint(screen.left() + qMax(0, (screen.width() - outer.width()) / 2),
                       screen.top() + qMax(0, (screen.height() - outer.height()) / 2)),
                inner};
    }
    // Wholly on its screen.
    return {QPoint(qBound(screen.left(), position->x(), screen.right() + 1 - outer.width()),
                   qBound(screen.top(), position->y(), screen.bottom() + 1 - outer.height())),
            inner};
}

bool RadarSettings::courseUp() const
{
    const QString mode = ProfileFile::readString(m_iniFile, sectionName(), QStringLiteral("MODE"), northText);
    return trimBlanks(mode).compare(courseText, Qt::CaseInsensitive) == 0;
}

bool RadarSettings::wasOpen() const
{
    QString text = ProfileFile::readString(m_iniFile, sectionName(), QStringLiteral("OPEN"), QString());
    return IsTrueText(text);
}

void RadarSettings::saveOpen(bool open)
{
    write(QStringLiteral("OPEN"), BoolToText(open ? -1 : 0));
}

void RadarSettings::savePlace(const Place &place)
{
    write(QStringLiteral("LEFT"), QString::number(place.position.x()));
    write(QStringLiteral("TOP"), QString::number(place.position.y()));
    write(QStringLiteral("WIDTH"), QString::number(place.size.width()));
    write(QStringLiteral("HEIGHT"), QString::number(place.size.height()));
}

void RadarSettings::saveCourseUp(bool courseUp)
{
    write(QStringLiteral("MODE"), courseUp ? courseText : northText);
}

void RadarSettings::write(const QString &key, const QString &value)
{
    QString reason;
    const bool written = ProfileFile::writeString(m_iniFile, sectionName(), key, value, &reason);
    if (m_failures)
        m_failures->report(m_iniFile, written, reason);
}

} // namespace nearbell
