#pragma once

#include <QList>
#include <QPoint>
#include <QRect>
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
//  - OPEN: "TRUE" when the radar was open as the program ended, so that it
//    opens again at the next start;
//  - a position is only taken when both numbers are there, a size when both
//    are at least minimumSide; fitted() brings them onto a screen;
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

    std::optional<QPoint> position() const;
    std::optional<QSize> size() const;
    bool courseUp() const;
    bool wasOpen() const;

    void savePlace(const Place &place);
    void saveCourseUp(bool courseUp);
    void saveOpen(bool open);

    // Where the window opens: the saved size, no larger than the screen it
    // opens on (screens: their available areas, the primary first), else
    // standard; the saved position when the title bar can be reached there,
    // else centred on the primary screen, as the main window is.
    static Place fitted(std::optional<QPoint> position, std::optional<QSize> size, const QList<QRect> &screens,
                        QSize standard);

private:
    void write(const QString &key, const QString &value);

    QString m_iniFile;
    WriteFailures *m_failures;
};

} // namespace nearbell
