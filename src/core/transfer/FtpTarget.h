// SPDX-License-Identifier: MIT
#pragma once

#include "core/settings/ServerAddress.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace korva5 {

// Where a transfer goes: the server setting taken apart, and the URL of one remote path on it.
struct FtpTarget : ServerAddress
{
    // Takes a server setting apart; nothing when it is empty or not one of the forms that
    // ServerAddress accepts.
    static std::optional<FtpTarget> parse(const QString &server, QString *error = nullptr);

    // The URL that names remotePath on this server. A path starting with "/" is absolute on the
    // server; any other path is relative to the folder the login starts in.
    QByteArray url(const QString &remotePath) const;
};

} // namespace korva5
