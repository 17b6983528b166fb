#include "ui/SymbolIcons.h"

#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QPainterPath>

namespace nearbell {

namespace {

using Shape = SymbolIcons::Shape;

struct Entry
{
    char code;
    Shape shape;
};

// Primary table.
constexpr Entry kPrimary[] = {
    {'>', Shape::Car},        {'k', Shape::Truck},      {'v', Shape::Van},       {'<', Shape::Motorcycle},
    {'b', Shape::Bicycle},    {'[', Shape::Jogger},     {'-', Shape::House},     {'_', Shape::Weather},
    {'W', Shape::Weather},    {'#', Shape::Digipeater}, {'&', Shape::Gateway},   {'r', Shape::Tower},
    {'O', Shape::Balloon},    {'^', Shape::Aircraft},   {'\'', Shape::Aircraft}, {'X', Shape::Helicopter},
    {'Y', Shape::Boat},       {'s', Shape::Ship},       {'R', Shape::Recreational}, {'j', Shape::Jeep},
    {'U', Shape::Bus},        {'a', Shape::Ambulance},  {'f', Shape::FireTruck}, {'!', Shape::Police},
    {'K', Shape::School},     {'h', Shape::Hospital},   {'$', Shape::Phone},     {'l', Shape::Laptop},
    {';', Shape::Tent},       {'E', Shape::Eyeball},    {'+', Shape::RedCross},
};

// Alternate table, also under an overlay character.
constexpr Entry kAlternate[] = {
    {'#', Shape::Digipeater}, {'&', Shape::Gateway}, {'>', Shape::Car},       {'-', Shape::House},
    {'_', Shape::Weather},    {'k', Shape::Truck},   {'v', Shape::Van},       {'^', Shape::Aircraft},
    {'s', Shape::Ship},       {'O', Shape::Balloon}, {'r', Shape::Tower},     {'+', Shape::RedCross},
    {'h', Shape::Hospital},   {'$', Shape::Phone},   {'j', Shape::Jeep},      {'U', Shape::Bus},
};

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points)));
    path.closeSubpath();
    return path;
}

void wheels(QPainter &p, double left, double right, double y, double r = 1.6)
{
    p.setBrush(QColor(30, 30, 30));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(left, y), r, r);
    p.drawEllipse(QPointF(right, y), r, r);
}

void vehicle(QPainter &p, const QColor &colour, bool cab)
{
    p.setPen(QPen(QColor(20, 20, 20), 0.6));
    p.setBrush(colour);
    if (cab) {
        p.drawRect(QRectF(1, 4, 9, 7));
        p.drawRect(QRectF(10, 6, 5, 5));
    } else {
        p.drawRoundedRect(QRectF(1, 4, 14, 7), 1.5, 1.5);
    }
}

void cross(QPainter &p, const QPointF &c, double arm, double half, const QColor &colour)
{
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawRect(QRectF(c.x() - half, c.y() - arm, 2 * half, 2 * arm));
    p.drawRect(QRectF(c.x() - arm, c.y() - half, 2 * arm, 2 * half));
}

// Draws one shape in a 16 x 16 square.
void drawShape(QPainter &p, Shape shape, char code)
{
    switch (shape) {
    case Shape::Car:
        p.setPen(QPen(QColor(20, 20, 20), 0.6));
        p.setBrush(QColor(30, 90, 200));
        p.drawPath(polygon({{4, 4.5}, {11, 4.5}, {13, 7.5}, {3, 7.5}}));
        p.drawRoundedRect(QRectF(1.5, 7, 13, 4), 1.5, 1.5);
        wheels(p, 4.5, 11.5, 11.5);
        break;
    case Shape::Truck:
        vehicle(p, QColor(120, 120, 130), true);
        wheels(p, 4, 12, 12);
        break;
    case Shape::Van:
        vehicle(p, QColor(230, 230, 240), false);
        p.setBrush(QColor(120, 170, 230));
        p.drawRect(QRectF(10.5, 5, 3.5, 2.5));
        wheels(p, 4, 12, 11.5);
        break;
    case Shape::Motorcycle:
    case Shape::Bicycle: {
        const double r = shape == Shape::Bicycle ? 3.0 : 2.5;
        p.setPen(QPen(QColor(20, 20, 20), 1.2));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4, 11), r, r);
        p.drawEllipse(QPointF(12, 11), r, r);
        p.setPen(QPen(shape == Shape::Bicycle ? QColor(0, 130, 60) : QColor(200, 40, 40), 1.4));
        p.drawPolyline(QPolygonF({{4, 11}, {7, 6}, {11, 6}, {12, 11}}));
        p.drawLine(QPointF(7, 6), QPointF(8, 11));
        p.drawLine(QPointF(10.5, 4), QPointF(12, 4.5));
        break;
    }
    case Shape::Jogger:
        p.setPen(QPen(QColor(20, 20, 20), 1.6, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(QColor(20, 20, 20));
        p.drawEllipse(QPointF(9.5, 3), 1.6, 1.6);
        p.drawLine(QPointF(9, 5.5), QPointF(7.5, 10));
        p.drawPolyline(QPolygonF({{4, 14}, {7.5, 10}, {10.5, 14}}));
        p.drawPolyline(QPolygonF({{4.5, 8}, {8.5, 6.5}, {12, 8.5}}));
        break;
    case Shape::House:
        p.setPen(QPen(QColor(20, 20, 20), 0.7));
        p.setBrush(QColor(200, 60, 40));
        p.drawPath(polygon({{8, 1.5}, {15, 8}, {1, 8}}));
        p.setBrush(QColor(240, 230, 200));
        p.drawRect(QRectF(3, 8, 10, 6.5));
        p.setBrush(QColor(110, 70, 30));
        p.drawRect(QRectF(7, 10.5, 2.5, 4));
        break;
    case Shape::Weather:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 190, 0));
        p.drawEllipse(QPointF(10.5, 5), 3.5, 3.5);
        p.setBrush(QColor(90, 140, 200));
        p.drawEllipse(QPointF(5, 10), 3.5, 3);
        p.drawEllipse(QPointF(9, 9), 3.5, 3.5);
        p.drawRoundedRect(QRectF(2, 10, 12, 3.5), 1.7, 1.7);
        break;
    case Shape::Digipeater: {
        QPolygonF star;
        for (int i = 0; i < 10; ++i) {
            const double a = i * M_PI / 5.0 - M_PI / 2.0;
            const double r = i % 2 ? 3.0 : 7.0;
            star.append(QPointF(8 + r * std::cos(a), 8.5 + r * std::sin(a)));
        }
        p.setPen(QPen(QColor(0, 80, 0), 0.7));
        p.setBrush(QColor(20, 170, 40));
        p.drawPolygon(star);
        break;
    }
    case Shape::Gateway:
        p.setPen(QPen(QColor(20, 20, 20), 0.7));
        p.setBrush(QColor(40, 40, 40));
        p.drawPath(polygon({{8, 1}, {15, 8}, {8, 15}, {1, 8}}));
        p.setPen(QPen(Qt::white, 1.4));
        p.drawLine(QPointF(8, 4.5), QPointF(8, 11.5));
        break;
    case Shape::Tower:
        p.setPen(QPen(QColor(20, 20, 20), 1.1));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({{4.5, 15}, {8, 5}, {11.5, 15}}));
        p.drawLine(QPointF(6, 11), QPointF(10, 11));
        p.setPen(QPen(QColor(200, 40, 40), 1.0));
        p.drawArc(QRectF(4, 1, 8, 8), 30 * 16, 120 * 16);
        p.drawArc(QRectF(1.5, -1.5, 13, 13), 40 * 16, 100 * 16);
        break;
    case Shape::Balloon:
        p.setPen(QPen(QColor(20, 20, 20), 0.6));
        p.setBrush(QColor(220, 40, 40));
        p.drawEllipse(QRectF(3, 0.5, 10, 10));
        p.drawLine(QPointF(6, 9.5), QPointF(7, 13));
        p.drawLine(QPointF(10, 9.5), QPointF(9, 13));
        p.setBrush(QColor(130, 80, 30));
        p.drawRect(QRectF(6.5, 13, 3, 2.5));
        break;
    case Shape::Aircraft:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 40, 60));
        p.drawRoundedRect(QRectF(7, 1, 2, 14), 1, 1);
        p.drawPath(polygon({{1, 8.5}, {8, 5.5}, {15, 8.5}, {15, 10}, {8, 8.5}, {1, 10}}));
        p.drawPath(polygon({{5, 14.5}, {8, 12.5}, {11, 14.5}, {11, 15.5}, {5, 15.5}}));
        break;
    case Shape::Helicopter:
        p.setPen(QPen(QColor(20, 20, 20), 1.0));
        p.setBrush(QColor(60, 110, 60));
        p.drawEllipse(QRectF(2, 6, 8, 6));
        p.drawLine(QPointF(10, 9), QPointF(15, 8));
        p.drawLine(QPointF(1, 4), QPointF(13, 4));
        p.drawLine(QPointF(6, 4), QPointF(6, 6));
        p.drawLine(QPointF(3, 14), QPointF(9, 14));
        break;
    case Shape::Boat:
        p.setPen(QPen(QColor(20, 20, 20), 0.6));
        p.setBrush(QColor(250, 250, 250));
        p.drawPath(polygon({{8, 1}, {8, 11}, {2.5, 11}}));
        p.drawPath(polygon({{9, 3}, {13.5, 11}, {9, 11}}));
        p.setBrush(QColor(30, 60, 150));
        p.drawPath(polygon({{1, 12}, {15, 12}, {13, 15}, {3, 15}}));
        break;
    case Shape::Ship:
        p.setPen(QPen(QColor(20, 20, 20), 0.6));
        p.setBrush(QColor(240, 240, 240));
        p.drawRect(QRectF(4, 6, 7, 4));
        p.setBrush(QColor(220, 60, 30));
        p.drawRect(QRectF(7, 2.5, 2.5, 3.5));
        p.setBrush(QColor(30, 60, 150));
        p.drawPath(polygon({{0.5, 10}, {15.5, 10}, {13, 14.5}, {2.5, 14.5}}));
        break;
    case Shape::Recreational:
        vehicle(p, QColor(240, 235, 215), false);
        p.setBrush(QColor(120, 170, 230));
        p.drawRect(QRectF(2.5, 5.5, 3, 2.5));
        p.drawRect(QRectF(11, 5.5, 3, 2.5));
        p.setBrush(QColor(150, 100, 50));
        p.drawRect(QRectF(7, 6, 2.5, 5));
        wheels(p, 4, 12, 11.5);
        break;
    case Shape::Jeep:
        p.setPen(QPen(QColor(20, 20, 20), 0.6));
        p.setBrush(QColor(100, 120, 50));
        p.drawRect(QRectF(2, 6.5, 12, 4.5));
        p.drawLine(QPointF(6, 6.5), QPointF(7, 3.5));
        p.drawLine(QPointF(7, 3.5), QPointF(12, 3.5));
        p.drawEllipse(QPointF(1.5, 8.5), 1.5, 1.5);
        wheels(p, 4.5, 11.5, 11.5, 2.0);
        break;
    case Shape::Bus:
        p.setPen(QPen(QColor(20, 20, 20), 0.6));
        p.setBrush(QColor(245, 190, 20));
        p.drawRoundedRect(QRectF(0.5, 3.5, 15, 8), 1.2, 1.2);
        p.setBrush(QColor(120, 170, 230));
        for (int i = 0; i < 4; ++i)
            p.drawRect(QRectF(1.5 + 3.5 * i, 5, 2.6, 2.5));
        wheels(p, 3.5, 12.5, 12);
        break;
    case Shape::Ambulance:
        vehicle(p, QColor(250, 250, 250), false);
        cross(p, QPointF(6.5, 7.5), 2.6, 0.9, QColor(220, 20, 20));
        wheels(p, 4, 12, 11.5);
        break;
    case Shape::FireTruck:
        vehicle(p, QColor(220, 30, 30), true);
        p.setPen(QPen(QColor(230, 230, 230), 0.9));
        p.drawLine(QPointF(1, 3), QPointF(10, 3));
        p.drawLine(QPointF(1, 3), QPointF(1, 4));
        p.drawLine(QPointF(5, 3), QPointF(5, 4));
        wheels(p, 4, 12, 12);
        break;
    case Shape::Police:
        p.setPen(QPen(QColor(10, 20, 60), 0.7));
        p.setBrush(QColor(30, 60, 160));
        p.drawPath(polygon({{8, 1}, {14, 3}, {13, 10}, {8, 15}, {3, 10}, {2, 3}}));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(250, 210, 40));
        p.drawEllipse(QPointF(8, 7.5), 2.5, 2.5);
        break;
    case Shape::School:
        p.setPen(QPen(QColor(20, 20, 20), 0.7));
        p.setBrush(QColor(200, 150, 90));
        p.drawRect(QRectF(2, 7, 12, 8));
        p.drawPath(polygon({{1, 7}, {8, 3}, {15, 7}}));
        p.drawLine(QPointF(8, 3), QPointF(8, 0.5));
        p.setBrush(QColor(220, 30, 30));
        p.drawRect(QRectF(8, 0.5, 3, 1.8));
        p.setBrush(QColor(110, 70, 30));
        p.drawRect(QRectF(6.8, 11, 2.4, 4));
        break;
    case Shape::Hospital:
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(30, 90, 200));
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
        p.setPen(QPen(Qt::white, 2.0));
        p.drawLine(QPointF(5, 4), QPointF(5, 12));
        p.drawLine(QPointF(11, 4), QPointF(11, 12));
        p.drawLine(QPointF(5, 8), QPointF(11, 8));
        break;
    case Shape::Phone:
        p.setPen(QPen(QColor(20, 20, 20), 0.7));
        p.setBrush(QColor(60, 60, 60));
        p.drawRoundedRect(QRectF(4.5, 1, 7, 14), 1.5, 1.5);
        p.setBrush(QColor(150, 210, 250));
        p.drawRect(QRectF(5.5, 2.5, 5, 5));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c)
                p.drawRect(QRectF(5.8 + 1.6 * c, 8.5 + 1.9 * r, 1.0, 1.0));
        break;
    case Shape::Laptop:
        p.setPen(QPen(QColor(20, 20, 20), 0.7));
        p.setBrush(QColor(60, 60, 70));
        p.drawRect(QRectF(3, 3, 10, 7));
        p.setBrush(QColor(150, 210, 250));
        p.drawRect(QRectF(4, 4, 8, 5));
        p.setBrush(QColor(110, 110, 120));
        p.drawPath(polygon({{3, 10.5}, {13, 10.5}, {15, 13.5}, {1, 13.5}}));
        break;
    case Shape::Tent:
        p.setPen(QPen(QColor(20, 20, 20), 0.7));
        p.setBrush(QColor(40, 150, 60));
        p.drawPath(polygon({{8, 2}, {15, 14}, {1, 14}}));
        p.setBrush(QColor(20, 60, 20));
        p.drawPath(polygon({{8, 7}, {10.5, 14}, {5.5, 14}}));
        break;
    case Shape::Eyeball:
        p.setPen(QPen(QColor(20, 20, 20), 0.8));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(1, 4, 14, 8));
        p.setBrush(QColor(40, 100, 190));
        p.drawEllipse(QPointF(8, 8), 3, 3);
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(8, 8), 1.3, 1.3);
        break;
    case Shape::RedCross:
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1, 1, 14, 14));
        cross(p, QPointF(8, 8), 6, 2, QColor(220, 20, 20));
        break;
    case Shape::Box: {
        p.setPen(QPen(QColor(20, 20, 20), 0.8));
        p.setBrush(QColor(250, 250, 235));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        QFont font = p.font();
        font.setPixelSize(11);
        font.setBold(true);
        p.setFont(font);
        const QChar c = QChar::fromLatin1(code);
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, c.isPrint() ? QString(c) : QStringLiteral("?"));
        break;
    }
    }
}

} // namespace

SymbolIcons::Shape SymbolIcons::shape(char table, char code)
{
    const bool primary = table == '/';
    const auto begin = primary ? std::begin(kPrimary) : std::begin(kAlternate);
    const auto end = primary ? std::end(kPrimary) : std::end(kAlternate);
    for (auto it = begin; it != end; ++it) {
        if (it->code == code)
            return it->shape;
    }
    return Shape::Box;
}

QChar SymbolIcons::overlay(char table)
{
    const bool letter = (table >= '0' && table <= '9') || (table >= 'A' && table <= 'Z') || (table >= 'a' && table <= 'j');
    return letter ? QChar::fromLatin1(table) : QChar();
}

void SymbolIcons::draw(QPainter &painter, const QRectF &square, char table, char code)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(square.topLeft());
    painter.scale(square.width() / 16.0, square.height() / 16.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 215));
    painter.drawEllipse(QRectF(-0.5, -0.5, 17, 17));
    const Shape s = shape(table, code);
    drawShape(painter, s, code);
    const QChar over = overlay(table);
    if (!over.isNull()) {
        // The overlay on a small dark tag, readable on any drawing.
        QFont font = painter.font();
        font.setPixelSize(9);
        font.setBold(true);
        painter.setFont(font);
        const QRectF tag(8.5, 7.5, 7.5, 8.5);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 0, 200));
        painter.drawRoundedRect(tag, 1.5, 1.5);
        painter.setPen(Qt::white);
        painter.drawText(tag, Qt::AlignCenter, QString(over));
    }
    painter.restore();
}

QImage SymbolIcons::image(char table, char code, int side, qreal ratio)
{
    QImage image(QSize(int(std::ceil(side * ratio)), int(std::ceil(side * ratio))),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    draw(painter, QRectF(0, 0, side, side), table, code);
    return image;
}

QIcon SymbolIcons::icon(char table, char code)
{
    static QHash<quint16, QIcon> made;
    const quint16 key = quint16((quint8(table) << 8) | quint8(code));
    const auto found = made.constFind(key);
    if (found != made.constEnd())
        return *found;
    return *made.insert(key, QIcon(QPixmap::fromImage(image(table, code, kListSide, 1.0))));
}

} // namespace nearbell
