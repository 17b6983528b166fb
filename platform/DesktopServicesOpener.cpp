#include "platform/DesktopServicesOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QStandardPaths>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <memory>

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

bool DesktopServicesOpener::openWatched(const QString &target, const LateFailure &onLateFailure)
{
    const QUrl url = toUrl(target);
    const QString launcher = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (!url.isLocalFile() || launcher.isEmpty() || !onLateFailure)
        return QDesktopServices::openUrl(url);
    // xdg-open may run the browser in the foreground: never wait for it,
    // keep only the end of what it says, and hear of it when it ends.
    auto *process = new QProcess();
    auto said = std::make_shared<QByteArray>();
    process->setStandardOutputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::readyReadStandardError, process, [process, said] {
        said->append(process->readAllStandardError());
        if (said->size() > 4096)
            said->remove(0, said->size() - 4096);
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, said, onLateFailure](int code, QProcess::ExitStatus status) {
                         said->append(process->readAllStandardError());
                         const QString last = QString::fromLocal8Bit(said->trimmed()).section(u'\n', -1);
                         if (status != QProcess::NormalExit || code != 0)
                             onLateFailure(last.isEmpty() ? QStringLiteral("xdg-open ended with status %1").arg(code)
                                                          : last);
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred, process,
                     [process, onLateFailure](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart)
                             return;
                         onLateFailure(process->errorString());
                         process->deleteLater();
                     });
    process->start(launcher, {url.toString(QUrl::FullyEncoded)});
    return true;
}

} // namespace nearbell
