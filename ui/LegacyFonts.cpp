#include "ui/LegacyFonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace nearbell {

QFont LegacyFonts::msSansSerif(double pointSize, bool bold)
{
    QFont font;
    if (QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif"))) {
        font.setFamily(QStringLiteral("MS Sans Serif"));
    } else {
        font.setFamilies(QStringList{QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                          QStringLiteral("Sans Serif")});
        font.setStretch(QFont::Condensed);
    }
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

QFont LegacyFonts::fixedsys(double pointSize)
{
    QFont font;
    if (QFontDatabase::hasFamily(QStringLiteral("Fixedsys"))) {
        font.setFamily(QStringLiteral("Fixedsys"));
    } else {
        font.setFamilies(QStringList{QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"),
                          QStringLiteral("Monospace")});
    }
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

} // namespace nearbell
