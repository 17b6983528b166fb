#include "ui/RadarView.h"

#include "map/TileService.h"
#include "ui/SymbolIcons.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <cmath>
#include <numbers>

namespace nearbell {

namespace {

// Every station of the view as an item of a list, read out as its
// accessible text. The item keeps only its place in the list: after a new
// cycle it reads the station now in that place.
class RadarItemAccessible : public QAccessibleInterface
{
public:
    RadarItemAccessible(RadarView *view, int index) : m_view(view), m_index(index) {}

    bool isValid() const override { return m_view && m_index < m_view->scene().marks().size(); }
    QObject *object() const override { return nullptr; }
    QWindow *window() const override { return m_view ? m_view->window()->windowHandle() : nullptr; }
    QAccessibleInterface *parent() const override { return QAccessible::queryAccessibleInterface(m_view.data()); }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        s.selectable = true;
        s.invisible = !isValid();
        return s;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t != QAccessible::Name || !isValid())
            return QString();
        return m_view->scene().accessibleText(m_index);
    }
    void setText(QAccessible::Text, const QString &) override {}
    QRect rect() const override
    {
        if (!isValid())
            return QRect();
        const QPointF point = m_view->scene().marks().at(m_index).point;
        const int r = int(RadarScene::markRadius);
        return QRect(m_view->mapToGlobal(point.toPoint()) - QPoint(r, r), QSize(2 * r + 1, 2 * r + 1));
    }
    int index() const { return m_index; }

private:
    QPointer<RadarView> m_view;
    int m_index;
};

class RadarAccessible : public QAccessibleWidget
{
public:
    explicit RadarAccessible(RadarView *view) : QAccessibleWidget(view, QAccessible::List) {}
    ~RadarAccessible() override
    {
        for (const QAccessible::Id id : std::as_const(m_items))
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return int(view()->scene().marks().size()); }
    QAccessibleInterface *child(int index) const override
    {
        if (index < 0 || index >= childCount())
            return nullptr;
        const auto it = m_items.constFind(index);
        if (it != m_items.constEnd())
            return QAccessible::accessibleInterface(*it);
        auto *item = new RadarItemAccessible(view(), index);
        m_items.insert(index, QAccessible::registerAccessibleInterface(item));
        return item;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        const auto *item = dynamic_cast<const RadarItemAccessible *>(child);
        return item && item->isValid() ? item->index() : -1;
    }
    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return QStringLiteral("Stations on the radar");
        if (t == QAccessible::Description)
            return view()->scene().input().hasOwnPosition ? QString() : view()->scene().input().noPosition;
        return QAccessibleWidget::text(t);
    }

private:
    RadarView *view() const { return static_cast<RadarView *>(widget()); }
    mutable QHash<int, QAccessible::Id> m_items;
};

QAccessibleInterface *radarAccessibleFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("nearbell::RadarView") && object && object->isWidgetType())
        return new RadarAccessible(static_cast<RadarView *>(object));
    return nullptr;
}

// A text for the tool tip, shown exactly as written even when it looks
// like markup.
QString toolTipMarkup(const QString &plain)
{
    return QStringLiteral("<p style='white-space:pre'>") + plain.toHtmlEscaped().replace(u'\n', QStringLiteral("<br>"))
           + QStringLiteral("</p>");
}

} // namespace

RadarView::RadarView(QWidget *parent) : QWidget(parent)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(radarAccessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setObjectName(QStringLiteral("radarView"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(0, 0);
}

QColor RadarView::colour(SeenStation::Kind kind)
{
    switch (kind) {
    case SeenStation::Kind::Acked:
        return QColor(140, 140, 140);
    case SeenStation::Kind::Watched:
        return QColor(30, 120, 255); // the watch colour
    case SeenStation::Kind::Listed:
        break;
    }
    return QColor(255, 0, 0); // as lstStations
}

void RadarView::setInput(const RadarInput &input)
{
    m_input = input;
    rebuild();
}

void RadarView::setTileService(TileService *tiles)
{
    if (m_tiles)
        m_tiles->disconnect(this);
    m_tiles = tiles;
    m_mapLayer = QImage();
    if (tiles) {
        connect(tiles, &TileService::tilesArrived, this, [this] {
            const RadarViewing &v = m_scene.viewing();
            m_mapLayer = QImage();
            if (v.minTileZoom != m_tiles->minZoom() || v.maxTileZoom != m_tiles->maxZoom())
                rebuild();
            else
                update();
        });
        connect(tiles, &TileService::problemChanged, this, &RadarView::updateNote);
    }
    rebuild();
}

void RadarView::setMapShown(bool shown)
{
    if (shown == m_mapWanted)
        return;
    m_mapWanted = shown;
    rebuild();
}

void RadarView::zoomSteps(double steps)
{
    if (!std::isfinite(steps))
        return;
    const double before = m_zoom;
    m_zoom = std::clamp(m_zoom * std::pow(1.25, std::clamp(steps, -100.0, 100.0)), RadarViewing::kLeastZoom,
                        RadarViewing::kMostZoom);
    // The middle of the window stays where it is.
    m_pan *= m_zoom / before;
    rebuild();
}

void RadarView::centre()
{
    m_pan = QPointF();
    rebuild();
}

void RadarView::updateNote()
{
    QString note = m_scene.mapOff();
    if (note.isEmpty() && m_scene.mapShown() && m_tiles)
        note = m_tiles->problem();
    if (note == m_mapNote)
        return;
    m_mapNote = note;
    emit mapNoteChanged(note);
}

void RadarView::rebuild()
{
    RadarViewing viewing;
    viewing.map = m_mapWanted && m_tiles;
    viewing.zoom = m_zoom;
    viewing.pan = m_pan;
    viewing.deviceRatio = devicePixelRatioF();
    if (m_tiles) {
        viewing.minTileZoom = m_tiles->minZoom();
        viewing.maxTileZoom = m_tiles->maxZoom();
    }
    m_scene.build(m_input, QSizeF(size()), QFontMetricsF(font()), viewing);
    // Only the tiles in view are asked for: none while the map is off.
    if (m_tiles)
        m_tiles->want(m_scene.mapShown() && !m_closed ? m_scene.tiles() : QList<TileKey>());
    updateNote();
    m_hovered = -1;
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
    update();
}

const QImage &RadarView::labelImage(const QString &text, const QSizeF &size, bool backed, qreal ratio)
{
    if (backed != m_labelsBacked || ratio != m_labelsRatio || m_labelImages.size() >= 3000) {
        // Another background or screen, or a feed of new callsigns: start again.
        m_labelImages.clear();
        m_labelsBacked = backed;
        m_labelsRatio = ratio;
    }
    auto it = m_labelImages.find(text);
    if (it == m_labelImages.end()) {
        QImage image((size * ratio).toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(ratio);
        QColor back = palette().color(QPalette::Base);
        back.setAlphaF(0.7f);
        image.fill(backed ? back : QColor(Qt::transparent));
        QPainter p(&image);
        p.setFont(font());
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QPointF(0, QFontMetricsF(font()).ascent()), text);
        p.end();
        it = m_labelImages.insert(text, image);
    }
    return *it;
}

const QPixmap &RadarView::stamp(SeenStation::Kind kind, qreal ratio)
{
    QPixmap &pixmap = m_stamps[int(kind)];
    if (pixmap.isNull() || pixmap.devicePixelRatio() != ratio) {
        // One drawn dot per kind, copied to every station of that kind:
        // thousands of stations cost a copy each, not a drawn circle.
        const double side = 2.0 * RadarScene::markRadius + 2.0;
        pixmap = QPixmap(QSize(int(std::ceil(side * ratio)), int(std::ceil(side * ratio))));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(palette().color(QPalette::Base), 1.0));
        p.setBrush(colour(kind));
        p.drawEllipse(QPointF(side / 2.0, side / 2.0), RadarScene::markRadius, RadarScene::markRadius);
    }
    return pixmap;
}

const QPixmap &RadarView::icon(char table, char code, int kind, qreal ratio)
{
    const quint32 key = quint32(quint8(table)) << 16 | quint32(quint8(code)) << 8 | quint32(kind + 1);
    QPixmap &pixmap = m_icons[key];
    if (pixmap.isNull() || pixmap.devicePixelRatio() != ratio) {
        const bool faint = kind < 0;
        const int side = faint ? faintIconSide : iconSide + 4;
        pixmap = QPixmap(QSize(int(std::ceil(side * ratio)), int(std::ceil(side * ratio))));
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        if (faint) {
            p.setOpacity(0.5);
            SymbolIcons::draw(p, QRectF(0, 0, side, side), table, code);
        } else {
            // The colour ring keeps the dots' meaning.
            p.setPen(QPen(colour(SeenStation::Kind(kind)), 2.5));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(QRectF(1.25, 1.25, side - 2.5, side - 2.5));
            SymbolIcons::draw(p, QRectF(2.5, 2.5, side - 5, side - 5), table, code);
        }
    }
    return pixmap;
}

const QImage &RadarView::mapLayer(qreal ratio)
{
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (m_mapLayer.size() != pixels || m_mapLayer.devicePixelRatio() != ratio
        || !(m_mapLayerProjection == m_scene.projection()) || m_mapLayerZoom != m_scene.tileZoom()
        || m_mapLayerRings != m_scene.rings()) {
        // Opaque, so that it is copied onto the window rather than blended.
        m_mapLayer = QImage(pixels, QImage::Format_RGB32);
        m_mapLayer.setDevicePixelRatio(ratio);
        m_mapLayer.fill(palette().color(QPalette::Base));
        QPainter painter(&m_mapLayer);
        paintTiles(painter);
        // The rings at the range and half of it: true circles on the map.
        painter.setRenderHint(QPainter::Antialiasing);
        QColor ringColour = palette().color(QPalette::Text);
        ringColour.setAlphaF(0.8f);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ringColour, 1.5));
        painter.drawPolyline(m_scene.rings().at(0));
        painter.setPen(QPen(ringColour, 1.5, Qt::DashLine));
        painter.drawPolyline(m_scene.rings().at(1));
        m_mapLayerProjection = m_scene.projection();
        m_mapLayerZoom = m_scene.tileZoom();
        m_mapLayerRings = m_scene.rings();
    }
    return m_mapLayer;
}

void RadarView::paintTiles(QPainter &painter)
{
    const MapProjection &projection = m_scene.projection();
    const int z = m_scene.tileZoom();
    const double n = double(1 << z);
    const double side = projection.pixelsPerWorld() / n;
    const double up = projection.upDegrees();
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (const TileKey &key : m_scene.tiles()) {
        const TileKey wrapped{z, TileMath::wrapColumn(key.x, z), key.y};
        const QImage *image = m_tiles->tile(wrapped);
        QRectF source;
        // Until it comes, a coarser tile held stands in for it.
        for (int d = 1; !image && d <= 4 && z - d >= 0; ++d) {
            image = m_tiles->tile({z - d, wrapped.x >> d, wrapped.y >> d});
            if (image) {
                const double part = image->width() / double(1 << d);
                source = QRectF((wrapped.x & ((1 << d) - 1)) * part, (wrapped.y & ((1 << d) - 1)) * part, part, part);
            }
        }
        if (!image)
            continue;
        if (source.isNull())
            source = QRectF(image->rect());
        const QPointF corner = projection.toScreen(QPointF(key.x / n, key.y / n));
        // A hair larger, so that no seam shows between neighbours.
        const QRectF target(0, 0, side + 0.5, side + 0.5);
        if (up == 0.0) {
            painter.drawImage(target.translated(corner), *image, source);
        } else {
            painter.save();
            painter.translate(corner);
            painter.rotate(-up);
            painter.drawImage(target, *image, source);
            painter.restore();
        }
    }
    painter.restore();
    // A veil of the background keeps the stations readable on any map.
    QColor veil = palette().color(QPalette::Base);
    veil.setAlphaF(0.25f);
    painter.fillRect(rect(), veil);
}

void RadarView::paintAttribution(QPainter &painter)
{
    const QString text = m_tiles ? m_tiles->source().effectiveAttribution() : QString();
    if (text.isEmpty())
        return;
    QFont small = font();
    small.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.85));
    painter.setFont(small);
    const QFontMetricsF metrics(small);
    const QString shown = metrics.elidedText(RadarScene::plainText(text), Qt::ElideLeft, width() - 4);
    const QSizeF box(metrics.horizontalAdvance(shown) + 6, metrics.height() + 2);
    const QRectF where(QPointF(width() - box.width(), height() - box.height()), box);
    QColor back = palette().color(QPalette::Base);
    back.setAlphaF(0.8f);
    painter.fillRect(where, back);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(where, Qt::AlignCenter, shown);
    painter.setFont(font());
}

void RadarView::paintMotion(QPainter &painter)
{
    // Tracks: older parts fainter, in a few steps, under the stations.
    constexpr int steps = 4;
    QRgb colours[3][steps];
    for (int kind = 0; kind < 3; ++kind) {
        QColor c = colour(SeenStation::Kind(kind));
        for (int step = 0; step < steps; ++step) {
            c.setAlphaF(float(0.2 + 0.7 * (step + 1) / steps));
            colours[kind][step] = qPremultiply(c.rgba());
        }
    }
    m_layer.begin(size(), painter.device()->devicePixelRatioF());
    for (const RadarMark &mark : m_scene.marks()) {
        const QPolygonF &track = mark.track;
        const int kind = int(mark.kind);
        for (qsizetype i = 1; i < track.size(); ++i) {
            const int step = std::min(int((i - 1) * steps / (track.size() - 1)), steps - 1);
            m_layer.line(QLineF(track.at(i - 1), track.at(i)), colours[kind][step]);
        }
    }
    m_layer.drawOnto(painter);
}

void RadarView::paintMarks(QPainter &painter)
{
    const qreal ratio = painter.device()->devicePixelRatioF();
    const QList<RadarMark> &marks = m_scene.marks();
    const bool looks = !m_scene.input().looks.isEmpty();
    const QPointF corner(RadarScene::markRadius + 1.0, RadarScene::markRadius + 1.0);
    const QPointF iconCorner(iconSide / 2.0 + 2.0, iconSide / 2.0 + 2.0);
    for (qsizetype i = marks.size() - 1; i >= 0; --i) {
        const RadarMark &mark = marks.at(i);
        const SeenStation &seen = m_scene.station(mark);
        const RadarLook *look = looks && mark.station < m_scene.input().looks.size()
                                    ? &m_scene.input().looks.at(mark.station)
                                    : nullptr;
        // A station without a known symbol, or with the plain dot, stays a dot.
        if (look && !(look->symbolTable == '/' && look->symbolCode == '/'))
            painter.drawPixmap(mark.point - iconCorner, icon(look->symbolTable, look->symbolCode, int(seen.kind), ratio));
        else
            painter.drawPixmap(mark.point - corner, stamp(seen.kind, ratio));
    }
    // Arrows over the icons: where each moving station will be in five
    // minutes, a shaft and two barbs.
    const double turn = 28.0 * std::numbers::pi / 180.0;
    const double turnCos = std::cos(turn), turnSin = std::sin(turn);
    QRgb colours[3];
    for (int kind = 0; kind < 3; ++kind)
        colours[kind] = colour(SeenStation::Kind(kind)).rgba();
    m_layer.begin(size(), ratio);
    for (const RadarMark &mark : marks) {
        const QLineF &line = mark.arrow;
        const double length = line.isNull() ? 0.0 : line.length();
        if (!(length >= 1.0))
            continue;
        const QRgb c = colours[int(mark.kind)];
        m_layer.line(line, c);
        // Back from the tip, turned either way.
        const double barb = std::min(7.0, std::max(3.0, length / 2.0)) / length;
        const double bx = -line.dx() * barb, by = -line.dy() * barb;
        m_layer.line(QLineF(line.p2(), line.p2() + QPointF(bx * turnCos - by * turnSin, bx * turnSin + by * turnCos)), c);
        m_layer.line(QLineF(line.p2(), line.p2() + QPointF(bx * turnCos + by * turnSin, -bx * turnSin + by * turnCos)), c);
    }
    m_layer.drawOnto(painter);
}

void RadarView::paint(QPainter &painter)
{
    const QPalette pal = palette();
    painter.fillRect(rect(), pal.color(QPalette::Base));
    painter.setFont(font());
    const RadarInput &input = m_scene.input();
    if (!input.hasOwnPosition) {
        painter.setPen(pal.color(QPalette::Text));
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, input.noPosition);
        return;
    }

    const RadarGeometry::Frame &frame = m_scene.frame();
    const bool map = m_scene.mapShown();
    const qreal deviceRatio = painter.device()->devicePixelRatioF();
    if (map)
        painter.drawImage(QPointF(0, 0), mapLayer(deviceRatio));
    painter.setRenderHint(QPainter::Antialiasing);
    if (!map) {
        QColor ringColour = pal.color(QPalette::Text);
        ringColour.setAlphaF(0.55f);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ringColour, 1.0));
        painter.drawEllipse(frame.centre, frame.outerRadius, frame.outerRadius);
        painter.setPen(QPen(ringColour, 1.0, Qt::DashLine));
        const double half = RadarGeometry::ringRadius(frame, 0.5);
        painter.drawEllipse(frame.centre, half, half);
    }

    painter.setPen(pal.color(QPalette::Text));
    const QList<QRectF> &ringLabels = m_scene.ringLabelRects();
    for (int i = 0; i < ringLabels.size(); ++i) {
        if (!ringLabels.at(i).isEmpty())
            painter.drawText(ringLabels.at(i), Qt::AlignLeft | Qt::AlignVCenter, m_scene.ringLabel(i == 0 ? 1.0 : 0.5));
    }
    // Course up turns the picture: a small "N" shows where north went.
    if (frame.upDegrees != 0.0 && frame.outerRadius > 0.0) {
        // The ring's first point lies due north.
        const QPointF north = map ? m_scene.rings().at(0).first()
                                  : RadarGeometry::spot(frame, 0.0, frame.range > 0 ? frame.range : 1.0).point;
        const QRectF box(north - QPointF(8, 8), QSizeF(16, 16));
        painter.fillRect(box, pal.color(QPalette::Base));
        painter.drawText(box, Qt::AlignCenter, QStringLiteral("N"));
    }

    // The own station.
    painter.setPen(QPen(pal.color(QPalette::Text), 1.5));
    const QPointF c = frame.centre;
    painter.drawLine(c - QPointF(5, 0), c + QPointF(5, 0));
    painter.drawLine(c - QPointF(0, 5), c + QPointF(0, 5));

    // Overlay objects, and the stations beyond the range, under the rest.
    const QList<RadarPoint> &objects = m_scene.objects();
    painter.setPen(QPen(pal.color(QPalette::Text), 1.0));
    painter.setBrush(QColor(250, 200, 40));
    for (const RadarPoint &object : objects) {
        const QPointF p = object.point;
        painter.drawPolygon(QPolygonF({p + QPointF(0, -5), p + QPointF(5, 0), p + QPointF(0, 5), p + QPointF(-5, 0)}));
    }
    const QPointF faintCorner(faintIconSide / 2.0, faintIconSide / 2.0);
    for (const RadarPoint &other : m_scene.others()) {
        const RadarOther &o = m_scene.input().others.at(other.index);
        painter.drawPixmap(other.point - faintCorner, icon(o.symbolTable, o.symbolCode, -1, deviceRatio));
    }
    paintMotion(painter);

    // Farthest first, so the nearer stations lie on top.
    const QList<RadarMark> &marks = m_scene.marks();
    if (marks.size() <= denseMarks) {
        paintMarks(painter);
    } else {
        // So many stations make a cloud in which a round dot could not be
        // told from a square: small squares, written straight into one
        // layer (grey under red under the watch colour, the nearer on top)
        // that is drawn at once.
        m_layer.begin(size(), deviceRatio);
        const int side = std::max(1, int(std::lround(RadarScene::markRadius * deviceRatio)));
        for (const SeenStation::Kind kind :
             {SeenStation::Kind::Acked, SeenStation::Kind::Listed, SeenStation::Kind::Watched}) {
            const QRgb rgb = colour(kind).rgba();
            for (qsizetype i = marks.size() - 1; i >= 0; --i) {
                if (marks.at(i).kind == kind)
                    m_layer.square(marks.at(i).point, side, rgb);
            }
        }
        m_layer.drawOnto(painter);
    }

    // Labels and the objects' names: a callsign keeps its label from cycle to
    // cycle, so its text is copied, not laid out and drawn glyph by glyph.
    auto drawLabel = [&](const QRectF &rect, const QString &text) {
        const QPointF at = rect.topLeft() * deviceRatio;
        painter.drawImage(QPointF(std::round(at.x()), std::round(at.y())) / deviceRatio,
                          labelImage(text, rect.size(), map, deviceRatio));
    };
    for (const RadarMark &mark : marks) {
        if (mark.labelShown)
            drawLabel(mark.labelRect, mark.label);
    }
    for (const RadarPoint &object : objects) {
        if (!object.labelRect.isEmpty())
            drawLabel(object.labelRect, RadarScene::plainText(m_scene.input().objects.at(object.index).name));
    }

    if (m_hovered >= 0 && m_hovered < marks.size()) {
        const RadarMark &mark = marks.at(m_hovered);
        painter.setPen(QPen(pal.color(QPalette::Highlight), 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(mark.point, RadarScene::markRadius + 3.0, RadarScene::markRadius + 3.0);
        if (!mark.labelShown) {
            const QString label = m_scene.labelText(mark);
            const QFontMetricsF metrics(font());
            QRectF box(mark.point + QPointF(RadarScene::markRadius + 4.0, -metrics.height() / 2.0),
                       QSizeF(metrics.horizontalAdvance(label) + 4.0, metrics.height()));
            if (box.right() > width())
                box.moveRight(mark.point.x() - RadarScene::markRadius - 4.0);
            painter.fillRect(box, pal.color(QPalette::ToolTipBase));
            painter.setPen(pal.color(QPalette::ToolTipText));
            painter.drawText(box, Qt::AlignCenter, label);
        }
    }
    if (map)
        paintAttribution(painter);
}

void RadarView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter);
}

void RadarView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_closed = false;
    rebuild();
}

void RadarView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_closed = true;
    if (m_tiles)
        m_tiles->want({}); // a closed window needs no tiles
}

void RadarView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    rebuild();
}

void RadarView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        for (QPixmap &pixmap : m_stamps)
            pixmap = QPixmap();
        m_icons.clear();
        m_mapLayer = QImage();
        m_labelImages.clear();
        rebuild();
    }
}

void RadarView::setHovered(int mark)
{
    if (mark == m_hovered)
        return;
    m_hovered = mark;
    update();
}

void RadarView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressed && (event->buttons() & Qt::LeftButton)) {
        const QPointF moved = event->position() - m_pressedAt;
        if (m_dragged || moved.manhattanLength() > 3.0) {
            m_dragged = true;
            const double limit = 4.0 * std::max(width(), height()) * m_zoom;
            const QPointF pan = m_panAtPress + moved;
            m_pan = QPointF(std::clamp(pan.x(), -limit, limit), std::clamp(pan.y(), -limit, limit));
            rebuild();
            return;
        }
    }
    setHovered(m_scene.markAt(event->position()));
    QWidget::mouseMoveEvent(event);
}

void RadarView::mouseReleaseEvent(QMouseEvent *event)
{
    m_pressed = false;
    m_dragged = false;
    QWidget::mouseReleaseEvent(event);
}

void RadarView::wheelEvent(QWheelEvent *event)
{
    zoomSteps(event->angleDelta().y() / 120.0);
    event->accept();
}

void RadarView::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    if (text == QLatin1String("+") || text == QLatin1String("=")) {
        zoomSteps(1);
    } else if (text == QLatin1String("-")) {
        zoomSteps(-1);
    } else {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

void RadarView::leaveEvent(QEvent *event)
{
    setHovered(-1);
    QWidget::leaveEvent(event);
}

void RadarView::mousePressEvent(QMouseEvent *event)
{
    const int mark = m_scene.markAt(event->position());
    if (event->button() == Qt::LeftButton && mark >= 0)
        emit stationClicked(m_scene.station(m_scene.marks().at(mark)).callsign);
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        m_dragged = false;
        m_pressedAt = event->position();
        m_panAtPress = m_pan;
    }
    QWidget::mousePressEvent(event);
}

void RadarView::mouseDoubleClickEvent(QMouseEvent *event)
{
    const int mark = m_scene.markAt(event->position());
    if (event->button() == Qt::LeftButton && mark >= 0)
        emit stationActivated(m_scene.station(m_scene.marks().at(mark)).callsign);
    QWidget::mouseDoubleClickEvent(event);
}

bool RadarView::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int mark = m_scene.markAt(help->pos());
        if (mark < 0) {
            QToolTip::hideText();
            event->ignore();
        } else {
            const QPoint point = m_scene.marks().at(mark).point.toPoint();
            QToolTip::showText(help->globalPos(), toolTipMarkup(m_scene.hoverText(mark)), this,
                               QRect(point - QPoint(6, 6), QSize(13, 13)));
        }
        return true;
    }
    return QWidget::event(event);
}

} // namespace nearbell
