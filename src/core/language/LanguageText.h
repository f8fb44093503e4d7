// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace korva5 {

// The language text of a key: its value in the section of language in the language file,
// trimmed. A language the file has no section for falls back to English, and so does a key
// missing from its section (one line on standard error says which, once); the text is empty only
// when English lacks it too. Read from the file every time, so an edit of Language.txt shows the
// next time a caption is applied.
QString languageText(const QString &languageFile, const QString &language, const QString &key);

// A caption as a window title or a sentence shows it: the access key marker ("&", or "(&P)" after
// Chinese text) is not shown there.
QString titleText(const QString &caption);

} // namespace korva5
