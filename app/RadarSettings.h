#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

namespace nearbell {

class WriteFailures;

// The radar window's place and mode in the settings file, section "RADAR".
//
// Responsibilities:
//  - LEFT and TOP: the outer window's position, WIDTH and HEIGHT: its inner
//    size, all in the desktop's pixels (the same at every screen scale);
//  - MODE: "NORTH" or "COURSE" (what is up), NORTH when missing or unknown;
//  - a place is only taken when all four numbers are there and the size is
//    at least minimumSide in each direction;
//  - nothing is written until the radar is used, and every write reports its
//    outcome to the program's list of failed writes.
class RadarSettings
{
public:
    static constexpr int minimumSide = 50;

    struct Place
    {
        QPoint position;
        QSize size;
    };

    RadarSettings(QString iniFile, WriteFailures *failures);

    static QString sectionName() { return QStringLiteral("RADAR"); }

    std::optional<Place> place() const;
    bool courseUp() const;

    void savePlace(const Place &place);
    void saveCourseUp(bool courseUp);

private:
    void write(const QString &key, const QString &value);

    QString m_iniFile;
    WriteFailures *m_failures;
};

} // namespace nearbell
