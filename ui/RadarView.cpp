#include "ui/RadarView.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

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

void RadarView::rebuild()
{
    m_scene.build(m_input, QSizeF(size()), QFontMetricsF(font()));
    m_hovered = -1;
    if (QAccessible::isActive()) {
        QAccessibleEvent event(this, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&event);
    }
    update();
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
    painter.setRenderHint(QPainter::Antialiasing);
    QColor ringColour = pal.color(QPalette::Text);
    ringColour.setAlphaF(0.55f);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(ringColour, 1.0));
    painter.drawEllipse(frame.centre, frame.outerRadius, frame.outerRadius);
    painter.setPen(QPen(ringColour, 1.0, Qt::DashLine));
    const double half = RadarGeometry::ringRadius(frame, 0.5);
    painter.drawEllipse(frame.centre, half, half);

    painter.setPen(pal.color(QPalette::Text));
    const QList<QRectF> &ringLabels = m_scene.ringLabelRects();
    for (int i = 0; i < ringLabels.size(); ++i) {
        if (!ringLabels.at(i).isEmpty())
            painter.drawText(ringLabels.at(i), Qt::AlignLeft | Qt::AlignVCenter, m_scene.ringLabel(i == 0 ? 1.0 : 0.5));
    }
    // Course up turns the picture: a small "N" shows where north went.
    if (frame.upDegrees != 0.0 && frame.outerRadius > 0.0) {
        const RadarGeometry::Spot north = RadarGeometry::spot(frame, 0.0, frame.range > 0 ? frame.range : 1.0);
        const QRectF box(north.point - QPointF(8, 8), QSizeF(16, 16));
        painter.fillRect(box, pal.color(QPalette::Base));
        painter.drawText(box, Qt::AlignCenter, QStringLiteral("N"));
    }

    // The own station.
    painter.setPen(QPen(pal.color(QPalette::Text), 1.5));
    const QPointF c = frame.centre;
    painter.drawLine(c - QPointF(5, 0), c + QPointF(5, 0));
    painter.drawLine(c - QPointF(0, 5), c + QPointF(0, 5));

    // Farthest first, so the nearer stations lie on top.
    const QList<RadarMark> &marks = m_scene.marks();
    if (marks.size() <= denseMarks) {
        const qreal ratio = painter.device()->devicePixelRatioF();
        const QPointF corner(RadarScene::markRadius + 1.0, RadarScene::markRadius + 1.0);
        for (qsizetype i = marks.size() - 1; i >= 0; --i) {
            const RadarMark &mark = marks.at(i);
            painter.drawPixmap(mark.point - corner, stamp(m_scene.station(mark).kind, ratio));
        }
    } else {
        // So many stations make a cloud in which a round dot could not be
        // told from a square: small squares, drawn kind by kind (grey
        // under red under the watch colour), cost a fraction.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        const double side = RadarScene::markRadius;
        QList<QRectF> squares;
        squares.reserve(marks.size());
        for (const SeenStation::Kind kind :
             {SeenStation::Kind::Acked, SeenStation::Kind::Listed, SeenStation::Kind::Watched}) {
            squares.clear();
            for (qsizetype i = marks.size() - 1; i >= 0; --i) {
                const RadarMark &mark = marks.at(i);
                if (m_scene.station(mark).kind == kind)
                    squares.append(QRectF(mark.point.x() - side / 2.0, mark.point.y() - side / 2.0, side, side));
            }
            painter.setBrush(colour(kind));
            painter.drawRects(squares.constData(), int(squares.size()));
        }
        painter.setRenderHint(QPainter::Antialiasing);
    }

    // Labels by their base line: the plain text path, no layout per label.
    painter.setPen(pal.color(QPalette::Text));
    const double ascent = QFontMetricsF(font()).ascent();
    for (const RadarMark &mark : marks) {
        if (mark.labelShown)
            painter.drawText(QPointF(mark.labelRect.left(), mark.labelRect.top() + ascent), mark.label);
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
}

void RadarView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    paint(painter);
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
    setHovered(m_scene.markAt(event->position()));
    QWidget::mouseMoveEvent(event);
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
