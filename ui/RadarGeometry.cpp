#include "ui/RadarGeometry.h"

#include "host/GreatCircle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace nearbell {

namespace {
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;
constexpr double kRadiansPerMinute = std::numbers::pi / (180.0 * 60.0);
// Closer than this to the same point or the antipode (radians of arc, some
// centimetres) the bearing is set, not computed: rounding decides it there.
constexpr double kDegenerateArc = 1e-8;
constexpr double kDegenerateFloatArc = 1e-6;
} // namespace

double RadarGeometry::bearing(double lat1, double lon1, double lat2, double lon2)
{
    // The one bearing of the program: the table's, the history's and the radar's agree.
    return greatcircle::bearing(lat1, lon1, lat2, lon2);
}

RadarGeometry::Plane::Plane(double latitude, double longitude)
    : m_lon(longitude), m_sin(std::sin(latitude * kRadiansPerMinute)), m_cos(std::cos(latitude * kRadiansPerMinute))
{
}

RadarGeometry::Plane::Offset RadarGeometry::Plane::direction(double latitude, double longitude) const
{
    // Single precision is ample for a direction on the screen and takes
    // the sines of thousands of stations at a fraction of the cost; the
    // longitude difference is taken round first, so it stays small.
    const float phi2 = float(latitude * kRadiansPerMinute);
    const float dLambda = float(std::remainder(longitude - m_lon, 21600.0) * kRadiansPerMinute);
    const double cosPhi2 = std::cos(phi2);
    const double y = double(std::sin(dLambda)) * cosPhi2;
    const double x = m_cos * double(std::sin(phi2)) - m_sin * cosPhi2 * double(std::cos(dLambda));
    const double sinArc = std::sqrt(x * x + y * y);
    Offset o;
    // Single precision tells no direction within some metres: north there.
    if (sinArc >= kDegenerateFloatArc) {
        o.east = y / sinArc;
        o.north = x / sinArc;
    }
    return o;
}

RadarGeometry::Plane::Offset RadarGeometry::Plane::offset(double latitude, double longitude) const
{
    const double phi2 = latitude * kRadiansPerMinute;
    const double dLambda = (longitude - m_lon) * kRadiansPerMinute;
    const double sinPhi2 = std::sin(phi2);
    const double cosPhi2 = std::cos(phi2);
    const double cosDLambda = std::cos(dLambda);
    const double y = std::sin(dLambda) * cosPhi2;
    const double x = m_cos * sinPhi2 - m_sin * cosPhi2 * cosDLambda;
    const double sinArc = std::sqrt(x * x + y * y);
    const double cosArc = m_sin * sinPhi2 + m_cos * cosPhi2 * cosDLambda;
    Offset o;
    o.km = std::atan2(sinArc, cosArc) * greatcircle::kEarthRadiusKm;
    if (sinArc >= kDegenerateArc) {
        o.east = y / sinArc;
        o.north = x / sinArc;
    }
    return o;
}

double RadarGeometry::Plane::Offset::degrees() const
{
    if (east == 0.0 && north == 1.0)
        return 0.0;
    const double normalised = std::fmod(double(std::atan2(float(east), float(north))) * kDegreesPerRadian + 360.0, 360.0);
    return normalised >= 360.0 ? 0.0 : normalised;
}

QString RadarGeometry::compassPoint(double degrees)
{
    static const char *const names[] = {"north", "north-east", "east", "south-east",
                                        "south", "south-west", "west", "north-west"};
    if (!std::isfinite(degrees))
        return QString::fromLatin1(names[0]);
    const double normalised = std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0);
    const int sector = int(std::floor((normalised + 22.5) / 45.0)) % 8;
    return QString::fromLatin1(names[sector]);
}

RadarGeometry::Frame RadarGeometry::frame(const QSizeF &area, double range, double upDegrees, double margin)
{
    Frame f;
    const double width = std::max(0.0, area.width());
    const double height = std::max(0.0, area.height());
    f.centre = QPointF(width / 2.0, height / 2.0);
    const double half = std::min(width, height) / 2.0;
    f.outerRadius = std::max(0.0, half - std::min(margin, half / 2.0));
    f.range = range;
    f.upDegrees = upDegrees;
    return f;
}

RadarGeometry::Spot RadarGeometry::spot(const Frame &frame, double bearingDegrees, double distance)
{
    Spot s;
    double radius = 0.0;
    if (std::isfinite(distance) && distance <= 0.0) {
        radius = 0.0; // the own spot, whatever the range
    } else if (std::isfinite(distance) && std::isfinite(frame.range) && frame.range > distance) {
        radius = frame.outerRadius * distance / frame.range;
    } else {
        radius = frame.outerRadius;
        s.beyond = true;
    }
    const double screenAngle = (bearingDegrees - frame.upDegrees) / kDegreesPerRadian;
    s.point = QPointF(frame.centre.x() + radius * std::sin(screenAngle),
                      frame.centre.y() - radius * std::cos(screenAngle));
    return s;
}

QPointF RadarGeometry::ringLabelAnchor(const Frame &frame, double fraction, double gap)
{
    const double radius = ringRadius(frame, fraction);
    return QPointF(frame.centre.x() + gap, frame.centre.y() - radius + gap);
}

RadarGeometry::LabelSpace::LabelSpace(const QRectF &bounds, double labelHeight)
    : m_bounds(bounds), m_cellWidth(4.0 * std::max(1.0, labelHeight)), m_cellHeight(std::max(1.0, labelHeight))
{
    if (!bounds.isValid())
        return;
    // A huge area gets coarser cells rather than millions of them.
    const double scale = std::max(1.0, std::sqrt(bounds.width() / m_cellWidth * bounds.height() / m_cellHeight / 65536.0));
    m_cellWidth *= scale;
    m_cellHeight *= scale;
    m_columns = int(std::ceil(bounds.width() / m_cellWidth)) + 1;
    m_rows = int(std::ceil(bounds.height() / m_cellHeight)) + 1;
    m_cells.resize(size_t(m_columns) * size_t(m_rows));
    m_coverColumns = m_columns * 16;
    m_coverRows = m_rows * 4;
    m_covered.resize(size_t(m_coverColumns) * size_t(m_coverRows));
}

bool RadarGeometry::LabelSpace::centreCovered(const QRectF &label) const
{
    const QPointF centre = label.center() - m_bounds.topLeft();
    const int column = int(centre.x() / (m_cellWidth / 16.0));
    const int row = int(centre.y() / (m_cellHeight / 4.0));
    return column >= 0 && row >= 0 && column < m_coverColumns && row < m_coverRows
           && m_covered[size_t(row) * size_t(m_coverColumns) + size_t(column)];
}

void RadarGeometry::LabelSpace::cover(const QRectF &label)
{
    const double width = m_cellWidth / 16.0;
    const double height = m_cellHeight / 4.0;
    const QRectF inner = label.translated(-m_bounds.topLeft());
    const int left = std::max(0, int(std::ceil(inner.left() / width)));
    const int right = std::min(m_coverColumns, int(std::floor(inner.right() / width)));
    const int top = std::max(0, int(std::ceil(inner.top() / height)));
    const int bottom = std::min(m_coverRows, int(std::floor(inner.bottom() / height)));
    for (int r = top; r < bottom; ++r) {
        for (int c = left; c < right; ++c)
            m_covered[size_t(r) * size_t(m_coverColumns) + size_t(c)] = true;
    }
}

RadarGeometry::LabelSpace::Cells RadarGeometry::LabelSpace::cellsOf(const QRectF &label) const
{
    auto column = [this](double x) {
        return std::clamp(int((x - m_bounds.left()) / m_cellWidth), 0, m_columns - 1);
    };
    auto row = [this](double y) { return std::clamp(int((y - m_bounds.top()) / m_cellHeight), 0, m_rows - 1); };
    return {column(label.left()), row(label.top()), column(label.right()), row(label.bottom())};
}

bool RadarGeometry::LabelSpace::isFree(const QRectF &label) const
{
    // Bounds compared edge by edge: QRectF::contains would normalise both.
    if (label.isEmpty() || m_cells.empty() || label.left() < m_bounds.left() || label.top() < m_bounds.top()
        || label.right() > m_bounds.right() || label.bottom() > m_bounds.bottom() || centreCovered(label))
        return false;
    const Cells cells = cellsOf(label);
    for (int r = cells.top; r <= cells.bottom; ++r) {
        for (int c = cells.left; c <= cells.right; ++c) {
            const std::vector<QRectF> &placed = m_cells[size_t(r) * size_t(m_columns) + size_t(c)];
            // Rectangles that only touch leave each other free.
            if (std::any_of(placed.begin(), placed.end(), [&label](const QRectF &other) {
                    return other.left() < label.right() && label.left() < other.right()
                           && other.top() < label.bottom() && label.top() < other.bottom();
                }))
                return false;
        }
    }
    return true;
}

bool RadarGeometry::LabelSpace::place(const QRectF &label)
{
    if (!isFree(label))
        return false;
    const Cells cells = cellsOf(label);
    for (int r = cells.top; r <= cells.bottom; ++r) {
        for (int c = cells.left; c <= cells.right; ++c)
            m_cells[size_t(r) * size_t(m_columns) + size_t(c)].push_back(label);
    }
    cover(label);
    return true;
}

QList<bool> RadarGeometry::placeLabels(const QList<QRectF> &labels, const QRectF &bounds)
{
    double bandHeight = 1.0;
    for (const QRectF &label : labels)
        bandHeight = std::max(bandHeight, label.height());
    LabelSpace space(bounds, bandHeight);
    QList<bool> shown;
    shown.reserve(labels.size());
    for (const QRectF &label : labels)
        shown.append(space.place(label));
    return shown;
}

} // namespace nearbell
