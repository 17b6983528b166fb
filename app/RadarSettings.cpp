#include "app/RadarSettings.h"

#include "platform/WriteFailures.h"
#include "platform/BlankTrim.h"
#include "platform/LeadingNumber.h"
#include "platform/ProfileFile.h"

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

std::optional<RadarSettings::Place> RadarSettings::place() const
{
    const auto left = readPixels(m_iniFile, QStringLiteral("LEFT"));
    const auto top = readPixels(m_iniFile, QStringLiteral("TOP"));
    const auto width = readPixels(m_iniFile, QStringLiteral("WIDTH"));
    const auto height = readPixels(m_iniFile, QStringLiteral("HEIGHT"));
    if (!left || !top || !width || !height || *width < minimumSide || *height < minimumSide)
        return std::nullopt;
    return Place{QPoint(*left, *top), QSize(*width, *height)};
}

bool RadarSettings::courseUp() const
{
    const QString mode = ProfileFile::readString(m_iniFile, sectionName(), QStringLiteral("MODE"), northText);
    return trimBlanks(mode).compare(courseText, Qt::CaseInsensitive) == 0;
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
