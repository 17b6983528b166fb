#pragma once

#include <QString>

namespace nearbell {

// Tells whether the same executable is already running for the same user.
//
// Responsibilities: hold an exclusive lock, named after the executable's
// absolute path, in the user's runtime folder for as long as this object
// lives. The operating system drops the lock when its holder ends in any
// way, so a crashed instance never blocks the next start: its leftover lock
// file is simply locked again.
class SingleInstance
{
public:
    // lockFolder empty: the user's runtime folder (temporary folder if none).
    explicit SingleInstance(const QString &executablePath, const QString &lockFolder = QString());
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when another live instance holds the lock. Otherwise this object
    // takes the lock (if it can) and keeps it until destroyed. When the lock
    // folder cannot be used at all the answer is false: better a second
    // instance than a program that never starts.
    bool anotherInstanceRunning();
    bool holdsLock() const { return m_fd >= 0; }
    QString lockFilePath() const { return m_lockFilePath; }

    static QString defaultLockFolder();

private:
    QString m_lockFilePath;
    int m_fd = -1;
};

} // namespace nearbell
