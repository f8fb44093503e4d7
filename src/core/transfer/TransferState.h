// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>

namespace korva5 {

namespace Ftp {
Q_NAMESPACE

// Each moment of one transfer, in the order they can happen. A transfer passes each at most once
// and ends with Disconnected when a connection was made, otherwise with Error. The numbers are
// those of the transfer control users' documentation knows.
enum class State : qint16 {
    None = 0,
    ResolvingHost = 1,
    HostResolved = 2,
    Connecting = 3,
    Connected = 4,
    Requesting = 5,
    RequestSent = 6,
    ReceivingResponse = 7,
    ResponseReceived = 8,
    Disconnecting = 9,
    Disconnected = 10,
    Error = 11,
    ResponseCompleted = 12, // the file is on the server whole
};
Q_ENUM_NS(State)

} // namespace Ftp

} // namespace korva5
