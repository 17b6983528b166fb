#include "platform/DesktopServicesOpener.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace nearbell {

QUrl DesktopServicesOpener::toUrl(const QString &target)
{
    const QString text = target.trimmed();
    if (text.isEmpty())
        throw DesktopOpenError(DesktopOpenError::EmptyAddress, QStringLiteral("No address given"));

    // At least two letters before the colon, so a drive letter ("C:\...")
    // still counts as a file path.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    QUrl url;
    if (scheme.match(text).hasMatch())
        url = QUrl(text, QUrl::TolerantMode);
    else
        url = QUrl::fromLocalFile(QFileInfo(QDir::fromNativeSeparators(text)).absoluteFilePath());

    if (!url.isValid())
        throw DesktopOpenError(DesktopOpenError::MalformedAddress,
                               QStringLiteral("Malformed address: %1").arg(url.errorString()));
    return url;
}

bool DesktopServicesOpener::open(const QString &target)
{
    return QDesktopServices::openUrl(toUrl(target));
}

} // namespace nearbell
