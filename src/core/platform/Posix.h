// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

namespace korva5 {

// The few calls the program needs that only POSIX systems have. Elsewhere each one does nothing,
// so the callers need no platform checks of their own.
namespace Posix {

// Gives the open file fd the owner and group of the file at path. A settings file replaced by
// an administrator would otherwise end up owned by the administrator and unreadable for the
// station user. False when path cannot be examined or the change is not permitted.
bool copyOwnerAndGroup(const QString &path, int fd);

// A write to a pipe or socket whose reader has gone ends with an error instead of the
// SIGPIPE that would end the program: losing a log line is better than stopping the uploads.
void ignoreBrokenPipe();

// From now on SIGTERM and SIGINT do not end the program; each one makes one byte readable on
// the returned descriptor, so the event loop can end the program the orderly way. -1 when the
// descriptor cannot be made (the signals then keep their default action).
int redirectTerminationSignals();

// Reads the bytes waiting on a descriptor from redirectTerminationSignals().
void drainSignalBytes(int fd);

// Whether path is a folder (not a link to one) that belongs to this process's user and that no
// one else may enter: what a folder in a shared temporary folder must be before it is trusted.
bool isPrivateFolder(const QString &path);

// What tells the file at path from another one put under the same name later (device and inode);
// empty when there is no file there. Elsewhere only whether there is one: a file held open
// cannot be removed or replaced there anyway.
QString fileIdentity(const QString &path);

// This process's real user id, as a number in text; empty where users have no ids. What a
// per-user place is named by: unlike the environment, every copy of the user's sees the same.
QString realUserId();

// The real user's home folder as the password database has it (not $HOME, which whoever starts
// the program may set to anything); empty when the database has no home for the user.
QString homeFromPasswordDatabase();

// Whether path lies on a file system mounted read-only.
bool isOnReadOnlyMount(const QString &path);

// Whether a user other than root may make files in folder, as its owner, group and mode say
// (and its mount allows), whoever asks: what a monitor run as root or as another user needs to
// know of the folder the program keeps its journal in.
bool mayBeWrittenByUsers(const QString &folder);

// The home folders of the people the password database knows (the user ids useradd gives them),
// and root's when withRoot: where a program run by any of them keeps what it cannot keep in its
// folder. Not for a thread of its own: the database is read with getpwent.
QStringList userHomes(bool withRoot);

} // namespace Posix

} // namespace korva5
