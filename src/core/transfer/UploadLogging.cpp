// SPDX-License-Identifier: MIT
#include "core/transfer/UploadLogging.h"

namespace korva5 {

Q_LOGGING_CATEGORY(lcUpload, "korva5.upload", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLog, "korva5.log", QtInfoMsg)

} // namespace korva5
