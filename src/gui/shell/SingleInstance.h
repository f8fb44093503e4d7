// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Keeps a second copy of the program from running from the same program folder. The lock is a
// file in the user's runtime folder named after the program folder; a lock left behind by a
// copy that crashed or was killed is recognised as stale and taken over.
class SingleInstance
{
public:
    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when this process now holds the lock for programDir (or already held it).
    bool acquire(const QString &programDir);

    static QString lockFilePath(const QString &programDir);

private:
    std::unique_ptr<QLockFile> m_lock;
};
