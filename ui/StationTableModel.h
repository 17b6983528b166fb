#pragma once

#include <QAbstractTableModel>
#include <QDateTime>

#include <vector>

#include "host/GreatCircle.h"
#include "ui/StationRow.h"

namespace nearbell {

// The rows of the Stations window: every station of the station table.
//
// Responsibilities:
//  - one row per station, the own station first whatever the order; the
//    columns and their headers in the host's unit;
//  - sort by any column, numbers as numbers and unknown values last in
//    either direction, ties in the host's order; filter by a text found in the
//    callsign, the comment (or status) or the symbol's description, and
//    optionally to the stations in range or watched;
//  - take a new set of rows in one step (a refresh), sorted and filtered
//    as chosen, so a refresh of 32,767 stations stays cheap;
//  - mark in range, acknowledged and watched stations by colour; the age
//    of "Last heard" as its tool tip.
// Texts are shown as plain text, never as markup.
class StationTableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column {
        Callsign, Symbol, Distance, Bearing, Course, Speed, Altitude, Closing,
        LastHeard, Packets, Source, Via, Comment, State, ColumnCount
    };

    explicit StationTableModel(QObject *parent = nullptr);

    void setUnit(DistanceUnit unit);
    DistanceUnit unit() const { return m_unit; }
    // The refresh; now is the time the ages are told from.
    void setRows(std::vector<StationRow> rows, const QDateTime &now);
    void setFilterText(const QString &text);
    void setOnlyInRangeOrWatched(bool only);

    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // The station shown at row, or null.
    const StationRow *rowAt(int row) const;
    // The row showing this callsign, or -1.
    int rowOf(const QString &callsign) const;
    int stationCount() const { return int(m_rows.size()); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The text of a cell, as shown.
    QString text(const StationRow &row, int column) const;

private:
    bool passes(const StationRow &row) const;
    // Filters and sorts m_rows into m_shown (between a reset's begin and end).
    void arrange();
    // Runs a change that keeps the number of rows shown, moving the view's
    // persistent indexes (selection, current row) with their stations.
    template <typename Change>
    void relayout(Change change, QAbstractItemModel::LayoutChangeHint hint);

    std::vector<StationRow> m_rows;
    std::vector<int> m_shown; // indexes into m_rows, in display order
    QDateTime m_now;
    DistanceUnit m_unit = DistanceUnit::Kilometres;
    QString m_filter;
    bool m_onlyInRangeOrWatched = false;
    int m_sortColumn = Distance;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

} // namespace nearbell
