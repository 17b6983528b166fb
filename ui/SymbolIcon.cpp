#include "ui/SymbolIcon.h"

#include "ui/SymbolIcons.h"

#include <QHash>
#include <QPixmap>

namespace nearbell {

QIcon SymbolIcon::icon(char table, char code)
{
    static QHash<quint16, QIcon> made;
    const quint16 key = quint16((quint8(table) << 8) | quint8(code));
    const auto found = made.constFind(key);
    if (found != made.constEnd())
        return *found;

    const QPixmap picture = QPixmap::fromImage(SymbolIcons::image(table, code, kSide, 1.0));
    return *made.insert(key, QIcon(picture));
}

} // namespace nearbell
