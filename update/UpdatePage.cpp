#include "update/UpdatePage.h"

#include "platform/LeadingNumber.h"

#include <QUrl>

#include <cmath>
#include <limits>

namespace nearbell {

UpdatePage::UpdatePage(const QString &programTitle, const QString &makerIdentity,
                       const QString &pageAddress, ProgramVersion own)
    : m_programTitle(programTitle), m_makerIdentity(makerIdentity), m_pageAddress(pageAddress), m_own(own)
{
}

QString UpdatePage::contactingStatus() const
{
    return QStringLiteral("Contacting webserver ") + m_pageAddress;
}

QString UpdatePage::failedStatus() const
{
    return QStringLiteral("Failed to connect to ") + m_pageAddress;
}

std::optional<int> UpdatePage::versionNumber(QStringView text)
{
    const double rounded = std::nearbyint(leadingNumber(text)); // halves to even
    if (!(rounded >= std::numeric_limits<qint16>::min() && rounded <= std::numeric_limits<qint16>::max()))
        return std::nullopt;
    return int(rounded);
}

double UpdatePage::versionValue(const ProgramVersion &version)
{
    return leadingNumber(QString::number(version.major) + u'.' + QString::number(version.minor)
                         + QString::number(version.revision));
}

QString UpdatePage::versionText(const ProgramVersion &version)
{
    return QString::number(version.major) + u'.' + QString::number(version.minor) + u'.'
        + QString::number(version.revision);
}

QString UpdatePage::encodedFileName(const QString &fileName)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(fileName));
}

std::optional<ProgramVersion> UpdatePage::findVersionRecord(const QString &text) const
{
    const QString key = m_programTitle + QStringLiteral(" Version V");
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return std::nullopt;
    const QString window = text.mid(at + key.size(), versionWindow);
    const qsizetype p1 = window.indexOf(u'.');
    if (p1 < 0)
        return std::nullopt;
    const qsizetype p2 = window.indexOf(u'.', p1 + 1);
    if (p2 < 0)
        return std::nullopt;
    const qsizetype p3 = window.indexOf(u' ', p2 + 1);
    if (p3 < 0)
        return std::nullopt;

    const auto major = versionNumber(QStringView(window).first(p1));
    const auto minor = versionNumber(QStringView(window).sliced(p1 + 1, p2 - p1 - 1));
    const auto revision = versionNumber(QStringView(window).sliced(p2 + 1, p3 - p2 - 1));
    if (!major || !minor || !revision)
        return std::nullopt;
    return ProgramVersion{*major, *minor, *revision};
}

std::optional<QString> UpdatePage::findUpdateFile(const QString &text) const
{
    const QString key = QStringLiteral("UpdateFile_") + m_programTitle + u'=';
    const qsizetype at = text.indexOf(key);
    if (at < 0)
        return std::nullopt;
    const qsizetype start = at + key.size();
    // The name's first character is taken whatever it is; the closing blank
    // is looked for from the second one on.
    const qsizetype end = text.indexOf(u' ', start + 1);
    if (start >= text.size() || end < 0)
        return std::nullopt;
    const QString name = text.mid(start, end - start);
    // A name that starts with a blank, or that would climb out of the
    // page's folder, is no file name.
    if (name.startsWith(u' ') || name == u"." || name == u"..")
        return std::nullopt;
    return name;
}

UpdateOutcome UpdatePage::evaluate(const QByteArray &replyBody) const
{
    return evaluateText(QString::fromLatin1(replyBody));
}

UpdateOutcome UpdatePage::evaluateText(const QString &replyText) const
{
    UpdateOutcome outcome;
    if (!replyText.contains(m_makerIdentity)) {
        outcome.kind = UpdateOutcome::Kind::NotGenuine;
        outcome.status = QStringLiteral("Can not contact webserver, maybe behind proxy ");
        outcome.colour = failureColour();
        return outcome;
    }

    const std::optional<ProgramVersion> page = findVersionRecord(replyText);
    if (!page) {
        outcome.kind = UpdateOutcome::Kind::NoVersionInformation;
        outcome.status = QStringLiteral("No version information found for app ") + m_programTitle;
        outcome.colour = failureColour();
        return outcome;
    }
    outcome.pageVersion = versionText(*page);

    if (!(versionValue(*page) > versionValue(m_own))) {
        outcome.kind = UpdateOutcome::Kind::UpToDate;
        outcome.status = QStringLiteral("Your current version is up to date");
        outcome.colour = goodColour();
        return outcome;
    }

    const std::optional<QString> fileName = findUpdateFile(replyText);
    if (!fileName) {
        outcome.kind = UpdateOutcome::Kind::UpdateFileMissing;
        outcome.status = QStringLiteral("The update file information is not found or invalid");
        outcome.colour = failureColour();
        return outcome;
    }

    outcome.kind = UpdateOutcome::Kind::NewerVersion;
    outcome.status = QStringLiteral("There is a newer version of this program at ") + m_pageAddress;
    outcome.colour = goodColour();
    outcome.showLink = true;
    outcome.fileName = *fileName;
    outcome.linkText = QStringLiteral("Download the update ") + *fileName;
    outcome.linkURL = m_pageAddress + u'/' + encodedFileName(*fileName);
    outcome.linkToolTip = QStringLiteral("Download update ") + *fileName + QStringLiteral(" from ") + m_pageAddress;
    return outcome;
}

} // namespace nearbell
