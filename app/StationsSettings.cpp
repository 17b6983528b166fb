#include "app/StationsSettings.h"

#include "platform/BlankTrim.h"
#include "platform/LeadingNumber.h"
#include "platform/ProfileFile.h"
#include "platform/WriteFailures.h"

#include <QSet>
#include <QStringList>

#include <cmath>

namespace nearbell {

namespace {

std::optional<int> readWhole(const QString &file, const QString &key)
{
    const QString text = trimBlanks(ProfileFile::readString(file, StationsSettings::sectionName(), key, QString()));
    if (text.isEmpty())
        return std::nullopt;
    const double value = leadingNumber(text);
    if (!std::isfinite(value) || std::abs(value) > 1e6)
        return std::nullopt;
    return int(std::lround(value));
}

std::optional<int> wholeNumber(const QString &text)
{
    bool ok = false;
    const int value = trimBlanks(text).toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

} // namespace

StationsSettings::StationsSettings(QString iniFile, WriteFailures *failures, int columnCount)
    : m_iniFile(std::move(iniFile)), m_failures(failures), m_columnCount(columnCount)
{
}

std::optional<StationsSettings::Place> StationsSettings::place() const
{
    const auto left = readWhole(m_iniFile, QStringLiteral("LEFT"));
    const auto top = readWhole(m_iniFile, QStringLiteral("TOP"));
    const auto width = readWhole(m_iniFile, QStringLiteral("WIDTH"));
    const auto height = readWhole(m_iniFile, QStringLiteral("HEIGHT"));
    if (!left || !top || !width || !height || *width < minimumSide || *height < minimumSide)
        return std::nullopt;
    return Place{QPoint(*left, *top), QSize(*width, *height)};
}

std::optional<QList<StationsSettings::Column>> StationsSettings::columns() const
{
    const QStringList parts = ProfileFile::readString(m_iniFile, sectionName(), QStringLiteral("COLUMNS"), QString())
                                  .split(u',', Qt::SkipEmptyParts);
    if (parts.size() != m_columnCount)
        return std::nullopt;
    QList<Column> columns;
    QSet<int> named;
    for (const QString &part : parts) {
        const QStringList pair = part.split(u':');
        const auto column = pair.size() == 2 ? wholeNumber(pair[0]) : std::nullopt;
        const auto width = pair.size() == 2 ? wholeNumber(pair[1]) : std::nullopt;
        if (!column || !width || *column < 0 || *column >= m_columnCount || named.contains(*column) || *width < 0
            || *width > maximumColumnWidth)
            return std::nullopt;
        named.insert(*column);
        columns.append({*column, *width});
    }
    return columns;
}

std::optional<StationsSettings::Sort> StationsSettings::sort() const
{
    const QStringList words = trimBlanks(ProfileFile::readString(m_iniFile, sectionName(), QStringLiteral("SORT"),
                                                                 QString()))
                                  .split(u' ', Qt::SkipEmptyParts);
    const auto column = words.isEmpty() ? std::nullopt : wholeNumber(words[0]);
    if (!column || *column < 0 || *column >= m_columnCount || words.size() > 2)
        return std::nullopt;
    const bool descending = words.size() == 2 && words[1].compare(QStringLiteral("DESC"), Qt::CaseInsensitive) == 0;
    return Sort{*column, descending};
}

void StationsSettings::save(const Place &place, const QList<Column> &columns, const Sort &sort)
{
    write(QStringLiteral("LEFT"), QString::number(place.position.x()));
    write(QStringLiteral("TOP"), QString::number(place.position.y()));
    write(QStringLiteral("WIDTH"), QString::number(place.size.width()));
    write(QStringLiteral("HEIGHT"), QString::number(place.size.height()));
    QStringList parts;
    for (const Column &column : columns)
        parts.append(QStringLiteral("%1:%2").arg(column.column).arg(column.width));
    write(QStringLiteral("COLUMNS"), parts.join(u','));
    write(QStringLiteral("SORT"), QString::number(sort.column) + (sort.descending ? QStringLiteral(" DESC") : QString()));
}

void StationsSettings::write(const QString &key, const QString &value)
{
    QString reason;
    const bool written = ProfileFile::writeString(m_iniFile, sectionName(), key, value, &reason);
    if (m_failures)
        m_failures->report(m_iniFile, written, reason);
}

} // namespace nearbell
