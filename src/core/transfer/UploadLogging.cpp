// SPDX-License-Identifier: MIT
#include "core/transfer/UploadLogging.h"

Q_LOGGING_CATEGORY(lcUpload, "korva5.upload", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLog, "korva5.log", QtInfoMsg)
