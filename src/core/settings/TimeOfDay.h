// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QTime>

#include <optional>

namespace korva5 {

// An upload time as the settings hold it: "HH:MM", two ASCII digits each, 00:00 to 23:59, once
// the spaces and tabs around it are removed. The schedule, the catch-up, the retries, the status
// line, --status and the settings dialog all read a time through here, so a time the dialog
// accepts is one that fires, and one it refuses fires nowhere.
namespace TimeOfDay {

// The time of day text stands for; nothing when it is empty or not of the form above.
std::optional<QTime> parse(const QString &text);

// "HH:MM" for the minute of time.
QString format(QTime time);

// The stored form of a time as a person types it into the settings dialog: "8:30" is 08:30, and
// full-width digits and colon count as their ASCII forms. Nothing when it is empty or no time
// even so. Only the dialog reads times this way: a time stored without it never fires, as
// before, and the dialog stores the form above.
std::optional<QString> normalised(const QString &text);

} // namespace TimeOfDay

} // namespace korva5
