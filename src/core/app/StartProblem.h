// SPDX-License-Identifier: MIT
#pragma once

#include "core/app/ProgramFiles.h"

#include <QString>

namespace korva5 {

// What a person at the station is told when the program cannot start for want of one of its two
// files. Started from the menu or at log-in, nobody reads standard error, so the line there is
// not enough. Told in the language TALLYPORT.ini names when that file can be read, else in
// English, and always from the texts built into the program: Language.txt may be the file that
// is missing.
namespace StartProblem {

struct Message
{
    QString title;
    QString text;
    QString ok;     // the caption of the button that closes it
};

// The language the problem is told in: the one TALLYPORT.ini names, unless that file is what is
// missing or unreadable.
QString language(const ProgramPaths &paths, ProgramFiles::Problem problem);

// Why the file of problem cannot be read, as the system says it now.
QString reason(const ProgramPaths &paths, ProgramFiles::Problem problem);

// The title and the sentence for problem in language, naming the file, the folder looked in and,
// for a file that cannot be read, reason. Empty for Problem::None.
Message message(const ProgramPaths &paths, ProgramFiles::Problem problem, const QString &language,
                const QString &reason);

} // namespace StartProblem

} // namespace korva5
