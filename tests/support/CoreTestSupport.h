// SPDX-License-Identifier: MIT
#pragma once

// The helpers of the tests that link only the core library.
#include "Files.h"
#include "FakeClock.h"
#include "FakeTime.h"
#include "FtpServer.h"
#include "LocalZone.h"
#include "ProgramDir.h"

namespace korva5 {


} // namespace korva5
