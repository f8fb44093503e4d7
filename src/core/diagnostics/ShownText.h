// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

namespace korva5 {

// CR, LF, tab and the other C0 control characters, and DEL: what must never reach a protocol
// line or a log line as it is.
bool isControlCharacter(QChar c);
bool hasControlCharacter(const QString &text);

// Text as it may be shown in a log or diagnostic line: control characters written as escapes
// ("\r", "\n", "\t", "\x00", "\x7f"), so a value from a settings file can neither forge a line
// of its own nor cut one short; a backslash stays as it is.
QString shownText(const QString &text);

// Text for a monitoring plugin's output (Nagios, Icinga): as shownText, and "|" written "\x7c"
// on every line, since a monitor takes what follows it for performance data. On the first line
// ";" is written "\x3b" too: Nagios keeps that line in files where ";" separates fields and turns
// each one into ":". Only for text from outside (replies, names, what a station reports): the
// program's own words use neither.
enum class PluginLine { First, Other };
QString pluginText(const QString &text, PluginLine line);

// A server setting as it may be shown: a login written into it ("user:password@host") is
// replaced by "***@", so a password typed into the wrong box never reaches a log.
QString shownServer(const QString &server);

} // namespace korva5
