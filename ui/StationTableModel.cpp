#include "ui/StationTableModel.h"

#include "ui/RadarScene.h"
#include "ui/StationFormat.h"
#include "ui/SymbolIcons.h"

#include <QBrush>
#include <QColor>

#include <algorithm>
#include <cmath>

namespace nearbell {

namespace {

// The main window's list colours, lightened so that the text stays legible.
QColor stateColour(StationState state)
{
    switch (state) {
    case StationState::InRange:
        return QColor(255, 190, 190);
    case StationState::Acknowledged:
        return QColor(190, 235, 190);
    case StationState::Watched:
        return QColor(255, 235, 160);
    case StationState::None:
        break;
    }
    return QColor();
}

QString symbolText(const StationRow &row)
{
    if (!row.symbolDescription.isEmpty())
        return row.symbolDescription;
    // A symbol without a common name is shown as its two characters.
    QString text;
    for (const char c : {row.symbolTable, row.symbolCode}) {
        if (c > ' ' && c < 0x7f)
            text += QLatin1Char(c);
    }
    return text;
}

// The number a column sorts by; NaN for text columns and unknown values.
double number(const StationRow &row, int column)
{
    switch (column) {
    case StationTableModel::Distance:
        return row.distance;
    case StationTableModel::Bearing:
        return row.bearing;
    case StationTableModel::Course:
        return row.course;
    case StationTableModel::Speed:
        return row.speedKmh;
    case StationTableModel::Altitude:
        return row.altitudeM;
    case StationTableModel::Closing:
        return row.closingKmh;
    case StationTableModel::Packets:
        return double(row.packets);
    case StationTableModel::LastHeard:
        return row.lastHeard.isValid() ? double(row.lastHeard.toMSecsSinceEpoch()) : std::nan("");
    case StationTableModel::State:
        return row.state == StationState::None ? std::nan("") : double(int(row.state));
    default:
        return std::nan("");
    }
}

bool numeric(int column)
{
    switch (column) {
    case StationTableModel::Callsign:
    case StationTableModel::Symbol:
    case StationTableModel::Source:
    case StationTableModel::Via:
    case StationTableModel::Comment:
        return false;
    default:
        return true;
    }
}

// The text a text column sorts by.
QString sortText(const StationRow &row, int column)
{
    switch (column) {
    case StationTableModel::Symbol:
        return symbolText(row);
    case StationTableModel::Source:
        return row.source;
    case StationTableModel::Via:
        return StationFormat::viaText(row.path, row.heardDirect);
    case StationTableModel::Comment:
        return row.comment.isEmpty() ? row.status : row.comment;
    default:
        return row.callsign;
    }
}

} // namespace

StationTableModel::StationTableModel(QObject *parent) : QAbstractTableModel(parent)
{
}

void StationTableModel::setUnit(DistanceUnit unit)
{
    if (unit == m_unit)
        return;
    m_unit = unit;
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_shown.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

void StationTableModel::setRows(std::vector<StationRow> rows, const QDateTime &now)
{
    m_now = now;
    const auto passing = std::count_if(rows.begin(), rows.end(), [this](const StationRow &row) { return passes(row); });
    if (size_t(passing) == m_shown.size()) {
        // As many rows as before, the usual cycle: laid out anew, with the
        // view's selection following its stations.
        relayout([&] { m_rows = std::move(rows); }, QAbstractItemModel::NoLayoutChangeHint);
        return;
    }
    beginResetModel();
    m_rows = std::move(rows);
    arrange();
    endResetModel();
}

template <typename Change>
void StationTableModel::relayout(Change change, QAbstractItemModel::LayoutChangeHint hint)
{
    emit layoutAboutToBeChanged({}, hint);
    const QModelIndexList before = persistentIndexList();
    QList<QString> callsigns;
    callsigns.reserve(before.size());
    for (const QModelIndex &index : before)
        callsigns.append(m_rows[size_t(m_shown[size_t(index.row())])].callsign);
    change();
    arrange();
    QModelIndexList after;
    after.reserve(before.size());
    for (qsizetype i = 0; i < before.size(); ++i) {
        const int row = rowOf(callsigns[i]);
        after.append(row < 0 ? QModelIndex() : index(row, before[i].column()));
    }
    changePersistentIndexList(before, after);
    emit layoutChanged({}, hint);
}

void StationTableModel::setFilterText(const QString &text)
{
    if (text == m_filter)
        return;
    beginResetModel();
    m_filter = text;
    arrange();
    endResetModel();
}

void StationTableModel::setOnlyInRangeOrWatched(bool only)
{
    if (only == m_onlyInRangeOrWatched)
        return;
    beginResetModel();
    m_onlyInRangeOrWatched = only;
    arrange();
    endResetModel();
}

void StationTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    relayout(
        [&] {
            m_sortColumn = column;
            m_sortOrder = order;
        },
        QAbstractItemModel::VerticalSortHint);
}

bool StationTableModel::passes(const StationRow &row) const
{
    if (m_onlyInRangeOrWatched && !row.own && row.state != StationState::InRange
        && row.state != StationState::Watched)
        return false;
    if (m_filter.isEmpty())
        return true;
    return row.callsign.contains(m_filter, Qt::CaseInsensitive)
           || row.comment.contains(m_filter, Qt::CaseInsensitive)
           || (row.comment.isEmpty() && row.status.contains(m_filter, Qt::CaseInsensitive))
           || row.symbolDescription.contains(m_filter, Qt::CaseInsensitive);
}

void StationTableModel::arrange()
{
    m_shown.clear();
    m_shown.reserve(m_rows.size());
    int own = -1;
    for (size_t i = 0; i < m_rows.size(); ++i) {
        if (!passes(m_rows[i]))
            continue;
        if (m_rows[i].own)
            own = int(i);
        else
            m_shown.push_back(int(i));
    }
    // Keys once per row, not once per comparison; equal keys keep the order
    // the host listed the stations in (by callsign).
    const int column = m_sortColumn;
    const bool descending = m_sortOrder == Qt::DescendingOrder;
    if (numeric(column)) {
        std::vector<double> keys(m_rows.size());
        for (const int i : m_shown)
            keys[size_t(i)] = number(m_rows[size_t(i)], column);
        std::sort(m_shown.begin(), m_shown.end(), [&keys, descending](int l, int r) {
            const double x = keys[size_t(l)];
            const double y = keys[size_t(r)];
            if (std::isnan(x) != std::isnan(y))
                return std::isnan(y);
            if (x != y && !std::isnan(x))
                return descending ? x > y : x < y;
            return l < r;
        });
    } else {
        // Folded once, so that comparing is a plain comparison.
        std::vector<QString> keys(m_rows.size());
        for (const int i : m_shown)
            keys[size_t(i)] = sortText(m_rows[size_t(i)], column).toCaseFolded();
        std::sort(m_shown.begin(), m_shown.end(), [&keys, descending](int l, int r) {
            const QString &x = keys[size_t(l)];
            const QString &y = keys[size_t(r)];
            if (x.isEmpty() != y.isEmpty())
                return y.isEmpty();
            if (x != y)
                return descending ? y < x : x < y;
            return l < r;
        });
    }
    if (own >= 0)
        m_shown.insert(m_shown.begin(), own);
}

const StationRow *StationTableModel::rowAt(int row) const
{
    if (row < 0 || size_t(row) >= m_shown.size())
        return nullptr;
    return &m_rows[size_t(m_shown[size_t(row)])];
}

int StationTableModel::rowOf(const QString &callsign) const
{
    for (size_t i = 0; i < m_shown.size(); ++i) {
        if (m_rows[size_t(m_shown[i])].callsign == callsign)
            return int(i);
    }
    return -1;
}

int StationTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_shown.size());
}

int StationTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString StationTableModel::text(const StationRow &row, int column) const
{
    switch (column) {
    case Callsign:
        return RadarScene::plainText(row.callsign);
    case Symbol:
        return symbolText(row);
    case Distance:
        return StationFormat::distanceText(row.distance);
    case Bearing:
        return StationFormat::bearingText(row.bearing);
    case Course:
        return StationFormat::courseText(row.course);
    case Speed:
        return StationFormat::speedText(row.speedKmh, m_unit);
    case Altitude:
        return StationFormat::altitudeText(row.altitudeM, m_unit);
    case Closing:
        return StationFormat::closingWithApproach(row, m_unit);
    case LastHeard:
        return StationFormat::timeText(row.lastHeard);
    case Packets:
        return row.packets > 0 ? QString::number(row.packets) : QString();
    case Source:
        return RadarScene::plainText(row.source);
    case Via:
        return StationFormat::viaText(row.path, row.heardDirect);
    case Comment:
        return StationFormat::commentText(row.comment, row.status);
    case State:
        return StationFormat::stateText(row);
    default:
        return QString();
    }
}

QVariant StationTableModel::data(const QModelIndex &index, int role) const
{
    const StationRow *row = index.isValid() ? rowAt(index.row()) : nullptr;
    if (!row)
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return text(*row, column);
    case Qt::DecorationRole:
        if (column == Symbol)
            return SymbolIcons::icon(row->symbolTable, row->symbolCode);
        return {};
    case Qt::ToolTipRole:
        if (column == LastHeard && row->lastHeard.isValid() && m_now.isValid())
            return StationFormat::ageText(std::max<qint64>(0, row->lastHeard.msecsTo(m_now)))
                   + QStringLiteral(" ago");
        return {};
    case Qt::BackgroundRole: {
        const QColor colour = stateColour(row->state);
        return colour.isValid() ? QVariant(QBrush(colour)) : QVariant();
    }
    case Qt::ForegroundRole:
        // Dark text on the light marks, whatever the desktop's colours.
        return row->state == StationState::None ? QVariant() : QVariant(QBrush(Qt::black));
    case Qt::TextAlignmentRole:
        if (numeric(column) && column != LastHeard && column != State && column != Bearing)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    default:
        return {};
    }
}

QVariant StationTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    const auto withUnit = [](const char *name, const QString &unit) -> QString {
        return QLatin1String(name) + QStringLiteral(" (") + unit + u')';
    };
    switch (section) {
    case Callsign:
        return QStringLiteral("Callsign");
    case Symbol:
        return QStringLiteral("Symbol");
    case Distance:
        return withUnit("Distance", StationFormat::distanceUnit(m_unit));
    case Bearing:
        return QStringLiteral("Bearing");
    case Course:
        return QStringLiteral("Course");
    case Speed:
        return withUnit("Speed", StationFormat::speedUnit(m_unit));
    case Altitude:
        return withUnit("Altitude", StationFormat::altitudeUnit(m_unit));
    case Closing:
        return withUnit("Closing", StationFormat::speedUnit(m_unit));
    case LastHeard:
        return QStringLiteral("Last heard");
    case Packets:
        return QStringLiteral("Packets");
    case Source:
        return QStringLiteral("Source");
    case Via:
        return QStringLiteral("Via");
    case Comment:
        return QStringLiteral("Comment");
    case State:
        return QStringLiteral("State");
    default:
        return {};
    }
}

} // namespace nearbell
