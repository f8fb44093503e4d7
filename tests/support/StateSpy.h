// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/TransferState.h"

#include <QSignalSpy>

#include <algorithm>

namespace korva5 {

namespace TestSupport {

// Whether the spy on a transfer control's stateChanged heard state.
inline bool sawState(const QSignalSpy &states, Ftp::State state)
{
    return std::any_of(states.cbegin(), states.cend(),
                       [state](const QVariantList &args) { return args.first().value<Ftp::State>() == state; });
}

} // namespace TestSupport

} // namespace korva5
