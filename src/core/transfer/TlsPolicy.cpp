// SPDX-License-Identifier: MIT
#include "core/transfer/TlsPolicy.h"

namespace korva5 {

// Under TLS 1.3 the server sends its session tickets after the handshake, on the data connection
// too. libcurl before 8.9.0 ends an upload's data connection by sending its close_notify and
// closing the socket at once, with those tickets still unread in its receive buffer; a socket
// closed with unread data is reset rather than ended, and the reset can throw away the end of
// the file before the server has read it. vsftpd 3.0.3 then answers the upload with "426 Failure
// reading network stream." at random, a third or more of the time (other servers answer 450 or
// keep a cut-off file). TLS 1.2 sends nothing after the handshake, so the close is clean there.
// libcurl 8.9.0 ("connection: shutdown TLS (for FTP) better") reads what is left and waits for
// the server's close_notify before closing, and took this fault off its known-bugs list; from
// that version on TLS 1.3 is left alone.
bool capFtpsAtTls12(unsigned int libcurlVersion)
{
    constexpr unsigned int FirstWithGracefulDataShutdown = 0x080900;
    return libcurlVersion < FirstWithGracefulDataShutdown;
}

} // namespace korva5
