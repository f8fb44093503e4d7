// SPDX-License-Identifier: MIT
#include "UploadLogging.h"

Q_LOGGING_CATEGORY(lcUpload, "korva5.upload", QtInfoMsg)
