// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace korva5 {

// A file of the program's own in a folder, locked for as long as a copy runs from that folder:
// whoever starts a second copy, under whatever name of the folder, finds it held.
//
// Only those who may write in the folder may open the file (it is made with no rights for the
// others), so a user who may only read the folder can never hold it and keep the station from
// starting. It is never removed or replaced, so no edit of another file in the folder (a
// settings file saved by renaming a new one over it) can make a second lock possible. Its holder
// writes its process, user and host into it, for a copy that finds it held to say who holds it.
//
// POSIX only; elsewhere take() always succeeds and holds nothing.
namespace GuardFile {

enum class Outcome {
    Taken,    // this process holds the file now
    Held,     // another process holds it
    NoAccess, // this user may not open or make it: that takes the right to write in the folder
    Failed,   // it cannot be tried: no such folder, not a plain file, a link, a full disk
};

struct Result
{
    Outcome outcome = Outcome::Failed;
    int descriptor = -1; // for Taken: held until release()
    QString holder;      // for Held: "process 1234 of user station on host ws-01", or empty
    QString why;         // for NoAccess and Failed: the reason, and for NoAccess the file's owner
};

// Takes the file at path, making it when it is not there. A file made or owned by this user
// gets the folder's owner and group where the system allows, and rights for those who may
// write in the folder only.
Result take(const QString &path);
void release(int descriptor);

} // namespace GuardFile

} // namespace korva5
