// SPDX-License-Identifier: MIT
#pragma once

namespace korva5 {

// Whether ftps and ftpes uploads must stay on TLS 1.2 with the libcurl of the given
// version_num (0xXXYYZZ, as curl_version_info reports it).
// Asked of the libcurl the process runs with, which may be newer or older than the one the
// program was built against.
bool capFtpsAtTls12(unsigned int libcurlVersion);

} // namespace korva5
