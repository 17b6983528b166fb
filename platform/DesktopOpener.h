#pragma once

#include <QString>

#include <functional>
#include <stdexcept>

namespace nearbell {

// Raised by a DesktopOpener when an address cannot even be handed to the
// desktop (empty or malformed). Carries a number and a description text for
// the messages that report it.
class DesktopOpenError : public std::runtime_error
{
public:
    enum Number { EmptyAddress = 1, MalformedAddress = 2 };

    DesktopOpenError(int number, const QString &description)
        : std::runtime_error(description.toStdString()), m_number(number), m_description(description)
    {
    }

    int number() const { return m_number; }
    QString description() const { return m_description; }

private:
    int m_number;
    QString m_description;
};

// Responsibilities: hands a web address or a document path to the desktop's
// "open" action (the user's browser or the application registered for the
// file type).
//
// Callers talk to this interface so tests can see what would have been opened
// without starting a browser.
class DesktopOpener
{
public:
    virtual ~DesktopOpener() = default;

    // Starts opening target. Returns what the desktop answered (true when it
    // took the request); callers are free to ignore it, since a desktop that
    // cannot open the target reports that to the user itself. Throws
    // DesktopOpenError when target is not an address at all.
    virtual bool open(const QString &target) = 0;

    // Told why a request the desktop took could not be carried out after
    // all (no program to show the file); may come after open() returned.
    using LateFailure = std::function<void(const QString &reason)>;
    // open() for a caller that wants to hear of such a failure. By default
    // the desktop's own report is all there is.
    virtual bool openWatched(const QString &target, const LateFailure &onLateFailure)
    {
        (void)onLateFailure;
        return open(target);
    }
};

} // namespace nearbell
