// SPDX-License-Identifier: MIT
#pragma once

// Every test helper at once, one file each.
#include "Files.h"
#include "FakeClock.h"
#include "FakeTime.h"
#include "FtpServer.h"
#include "LoadedWindow.h"
#include "LocalZone.h"
#include "ProgramDir.h"
#include "RecordingNotifyArea.h"

namespace korva5 {


} // namespace korva5
