#include "ui/SymbolIcon.h"

#include "host/aprs/AprsSymbols.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPixmap>

namespace nearbell {

namespace {

bool printable(char c)
{
    return c > ' ' && c < 0x7f;
}

} // namespace

QIcon SymbolIcon::icon(char table, char code)
{
    static QHash<quint16, QIcon> made;
    const quint16 key = quint16((quint8(table) << 8) | quint8(code));
    const auto found = made.constFind(key);
    if (found != made.constEnd())
        return *found;

    QPixmap picture(kSide, kSide);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool primary = table == '/';
    painter.setPen(Qt::NoPen);
    painter.setBrush(primary ? QColor(40, 90, 190) : QColor(30, 140, 70));
    painter.drawEllipse(QRectF(0.5, 0.5, kSide - 1.0, kSide - 1.0));
    QFont font;
    font.setPixelSize(11);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    if (printable(code))
        painter.drawText(QRect(0, 0, kSide, kSide), Qt::AlignCenter, QString(QLatin1Char(code)));
    if (!primary && table != '\\' && AprsSymbols::isAlternateOrOverlay(table)) {
        font.setPixelSize(7);
        painter.setFont(font);
        painter.setPen(Qt::yellow);
        painter.drawText(QRect(kSide / 2, kSide / 2, kSide / 2, kSide / 2), Qt::AlignCenter,
                         QString(QLatin1Char(table)));
    }
    painter.end();
    return *made.insert(key, QIcon(picture));
}

} // namespace nearbell
