// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/CurlLibrary.h"
#include "core/transfer/FtpRequest.h"
#include "core/transfer/FtpTarget.h"

#include <QString>

#include <curl/curl.h>

#include <optional>

namespace korva5 {

// An option libcurl refused, with its answer.
struct RefusedOption
{
    CURLoption option;
    CURLcode code;
};

// Sets options one after another and keeps the first that libcurl refuses, so that a request
// never runs without an option it relies on.
class CurlOptions
{
public:
    explicit CurlOptions(CURL *handle) : m_handle(handle) {}

    template <CURLoption Option, typename Value>
    void set(Value value)
    {
        if (const CURLcode code = setCurlOption<Option>(m_handle, value); code != CURLE_OK && !m_refused)
            m_refused = RefusedOption{Option, code};
    }
    void note(const std::optional<RefusedOption> &refused)
    {
        if (refused && !m_refused)
            m_refused = refused;
    }
    const std::optional<RefusedOption> &refused() const { return m_refused; }

private:
    CURL *m_handle;
    std::optional<RefusedOption> m_refused;
};

// A timeout as libcurl's options in whole seconds take it: rounded up, at least one.
long wholeSeconds(std::chrono::milliseconds duration);

// The options every connection to the server takes, whatever it does there, so that an upload
// and a look at the server's folders meet the server on the same terms:
// - ftps and ftpes: TLS for everything or nothing, the certificate and host name checked against
//   the system's store (and caBundle when given), TLS 1.2 at most where the libcurl in use needs
//   it (TlsPolicy.h);
// - sftp: the server's key checked against ~/.ssh/known_hosts;
// - the connect, reply and stall limits of timeouts, and TCP keep-alive for a control connection
//   that idles while data moves.
// Returns the first option libcurl refused: the caller must not run without it.
std::optional<RefusedOption> setConnectionOptions(CURL *c, const FtpTarget &target, const QString &caBundle,
                                                  const FtpTimeouts &timeouts);

} // namespace korva5
