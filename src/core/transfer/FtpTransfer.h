// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/FtpRequest.h"

#include <atomic>

namespace korva5 {

// Runs one upload to the end on the calling thread (a worker thread: it blocks), reporting
// progress through report() as the transfer control's state values. The result says whether the
// file is on the server whole. abort, when set, ends the transfer soon with an error.
//
// While the data goes out, progress() hears how much has gone at most every ProgressInterval, and
// once more when the data transfer ends, with what went out in the end: whoever shows it on
// another thread is never handed more than a few events a second, however fast the line.
// failed(), when set, hears what kind of failure it was, right before report() hears State::Error.
FtpResult runFtpTransfer(const FtpRequest &request, const FtpReport &report, const std::atomic<bool> &abort,
                         const FtpProgress &progress = {}, const FtpFailed &failed = {});

} // namespace korva5
