#pragma once

#include <QByteArray>
#include <QColor>
#include <QString>
#include <QStringView>

#include <optional>

namespace nearbell {

// What a reply of the update page says, ready for the update dialog.
struct UpdateOutcome
{
    enum class Kind {
        NotGenuine,           // the maker identity text is missing
        NoVersionInformation, // no readable version record
        UpToDate,             // the page's version is not newer
        UpdateFileMissing,    // newer, but no readable update-file record
        NewerVersion,         // newer, with the update file to download
    };

    Kind kind = Kind::NotGenuine;
    QString status;      // the dialog's status text
    QColor colour;       // its colour
    QString pageVersion; // the page's version as read ("0.5.5"), empty without a record
    bool showLink = false;
    QString fileName;    // as the page gives it
    QString linkText;
    QString linkURL;     // page address + "/" + file name as one encoded path segment
    QString linkToolTip;
};

// A three-number program version, major.minor.revision.
struct ProgramVersion
{
    int major = 0;
    int minor = 0;
    int revision = 0;
};

// Responsibilities: reads the update page's reply: the maker identity check,
// the version record and its 10-character window, the update-file record,
// the comparison of version values, and the status and link that result.
// Pure text work, no network and no widgets.
class UpdatePage
{
public:
    static constexpr int versionWindow = 10;

    static QColor workingColour() { return QColor(255, 255, 0); }
    static QColor goodColour() { return QColor(0, 128, 0); }
    static QColor failureColour() { return QColor(255, 0, 0); }

    UpdatePage(const QString &programTitle, const QString &makerIdentity, const QString &pageAddress,
               ProgramVersion own);

    // The reply body, one character per byte (Latin-1).
    UpdateOutcome evaluate(const QByteArray &replyBody) const;
    UpdateOutcome evaluateText(const QString &replyText) const;

    QString contactingStatus() const;
    QString failedStatus() const;

    // One number of a version record: read as a number, rounded halves to
    // even; nothing when it does not fit a 16-bit signed integer.
    static std::optional<int> versionNumber(QStringView text);
    // The comparable value: major, a decimal point, then minor and revision
    // written one after the other (0.5.4 -> 0.54, 1.2.10 -> 1.210).
    static double versionValue(const ProgramVersion &version);
    static QString versionText(const ProgramVersion &version);
    // The file name as one percent-encoded path segment.
    static QString encodedFileName(const QString &fileName);

private:
    std::optional<ProgramVersion> findVersionRecord(const QString &text) const;
    std::optional<QString> findUpdateFile(const QString &text) const;

    QString m_programTitle;
    QString m_makerIdentity;
    QString m_pageAddress;
    ProgramVersion m_own;
};

} // namespace nearbell
