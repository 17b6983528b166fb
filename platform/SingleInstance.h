#pragma once

#include <QString>

namespace nearbell {

// Tells whether a copy of the program already runs on the same program
// folder (the folder holding the settings and the list file).
//
// Responsibilities: hold an exclusive lock on the program folder itself for
// as long as this object lives. The lock needs no file of its own, so it
// works in a folder that cannot be written, and it does not depend on the
// session or user the copy runs under. The operating system drops the lock
// when its holder ends in any way, so a crashed copy never blocks the next
// start. A lock that cannot be taken or checked counts as "running": two
// copies on one folder would overwrite each other's list file; it is said
// as what it is (failureMessage), never as a running copy.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &programFolder);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // False when this object now holds the lock (or already did). True when
    // another live copy holds it, or when it cannot be told (failure() then
    // says why).
    bool anotherInstanceRunning();
    bool holdsLock() const { return m_fd >= 0; }
    // Why the lock could not be checked; empty when it could.
    QString failure() const { return m_failure; }
    QString folder() const { return m_folder; }
    // The message for a lock that could not be checked (failure() given):
    // what is wrong, why the program stops, and what mends it.
    static QString failureMessage(const QString &failure);

private:
    QString m_folder;
    QString m_failure;
    int m_fd = -1;
};

} // namespace nearbell
