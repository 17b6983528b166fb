#pragma once

#include <QChar>
#include <QIcon>
#include <QImage>
#include <QRectF>

class QPainter;

namespace nearbell {

// Our own drawings of the common APRS symbols, for the radar and the lists.
//
// Responsibilities:
//  - pick the drawing of a symbol by its table and code: the primary
//    table ('/'), the alternate one ('\\'), and an overlay character in
//    place of the table, which shows the alternate table's symbol with the
//    character drawn on it;
//  - a box with the symbol's character for every symbol not drawn;
//  - draw into any square, at any scale, on a light disc that reads on a
//    map and on dark and light palettes alike.
class SymbolIcons
{
public:
    enum class Shape {
        Car, Truck, Van, Motorcycle, Bicycle, Jogger, House, Weather, Digipeater, Gateway,
        Tower, Balloon, Aircraft, Helicopter, Boat, Ship, Recreational, Jeep, Bus, Ambulance,
        FireTruck, Police, School, Hospital, Phone, Laptop, Tent, Eyeball, RedCross, Box
    };
    static constexpr int kShapes = int(Shape::Box) + 1;

    static Shape shape(char table, char code);
    // The character drawn on the icon: the overlay, or none (null).
    static QChar overlay(char table);

    static void draw(QPainter &painter, const QRectF &square, char table, char code);
    // The icon alone, side logical pixels at this screen scale.
    static QImage image(char table, char code, int side, qreal ratio);

    // The small picture the lists and windows show, made once per symbol.
    static constexpr int kListSide = 16; // pixels
    static QIcon icon(char table, char code);
};

} // namespace nearbell
