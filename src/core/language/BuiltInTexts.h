// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korva5 {

// The texts built into the program for every key of Language.txt, in English, simplified Chinese
// and traditional Chinese.
namespace BuiltInTexts {

inline constexpr char English[] = "English";
inline constexpr char China[] = "China";
inline constexpr char Taiwan[] = "Taiwan";

// The built-in text of key in language (a language other than China and Taiwan: English);
// nothing for a key the program does not know.
std::optional<QString> text(const QString &language, const QString &key);
// The built-in English text of key: what standard error and the journal say, whatever the
// windows show.
QString english(const QString &key);
// Every key with a built-in text.
QStringList keys();
// Whether key is one of the captions every Language.txt holds (the first version's), rather
// than a text added since.
bool isFileCaption(const QString &key);
// The placeholders a text holds ("%1", "%2" ...), as their digits in order: "12" for "%2 of %1".
QString placeholders(const QString &text);

} // namespace BuiltInTexts

} // namespace korva5
