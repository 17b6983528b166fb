#pragma once

#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

#include <optional>

namespace nearbell {

class WriteFailures;

// The Stations window's layout in the settings file, section "STATIONS".
//
// Responsibilities:
//  - LEFT, TOP, WIDTH, HEIGHT: the outer window's position and its inner
//    size in the desktop's pixels, taken only when all four are there and
//    the size is at least minimumSide each way;
//  - COLUMNS: the columns in the order shown, each as its number and its
//    width ("0:90,2:80,..."); a list that does not name every column once,
//    with a sensible width, is not taken;
//  - SORT: the column sorted by and the direction ("2" or "2 DESC");
//  - nothing is written until the window is used, and every write reports
//    its outcome to the program's list of failed writes.
class StationsSettings
{
public:
    static constexpr int minimumSide = 50;
    static constexpr int maximumColumnWidth = 5000;

    struct Place
    {
        QPoint position;
        QSize size;
    };
    struct Column
    {
        int column = 0;
        int width = 0;
    };
    struct Sort
    {
        int column = 0;
        bool descending = false;
    };

    StationsSettings(QString iniFile, WriteFailures *failures, int columnCount);

    static QString sectionName() { return QStringLiteral("STATIONS"); }

    std::optional<Place> place() const;
    std::optional<QList<Column>> columns() const;
    std::optional<Sort> sort() const;

    void save(const Place &place, const QList<Column> &columns, const Sort &sort);

private:
    void write(const QString &key, const QString &value);

    QString m_iniFile;
    WriteFailures *m_failures;
    int m_columnCount;
};

} // namespace nearbell
