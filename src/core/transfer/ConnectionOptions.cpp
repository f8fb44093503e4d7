// SPDX-License-Identifier: MIT
#include "core/transfer/ConnectionOptions.h"

#include "core/transfer/TlsPolicy.h"

#include <QDir>
#include <QFile>

#include <algorithm>

namespace korva5 {

long wholeSeconds(std::chrono::milliseconds duration)
{
    return long(std::max<qint64>(1, std::chrono::ceil<std::chrono::seconds>(duration).count()));
}

std::optional<RefusedOption> setConnectionOptions(CURL *c, const FtpTarget &target, const QString &caBundle,
                                                  const FtpTimeouts &timeouts)
{
    CurlOptions options(c);
    options.set<CURLOPT_CONNECTTIMEOUT_MS>(long(timeouts.connect.count()));
    options.set<CURLOPT_SERVER_RESPONSE_TIMEOUT>(wholeSeconds(timeouts.response));
    options.set<CURLOPT_LOW_SPEED_LIMIT>(1L);
    options.set<CURLOPT_LOW_SPEED_TIME>(wholeSeconds(timeouts.stall));
    options.set<CURLOPT_TCP_KEEPALIVE>(1L);
    options.set<CURLOPT_TCP_KEEPIDLE>(30L);
    options.set<CURLOPT_TCP_KEEPINTVL>(15L);

    if (target.protocol == FtpTarget::Protocol::Sftp) {
        // libcurl copies the strings it is given.
        const QByteArray knownHosts = QFile::encodeName(QDir::homePath() + QStringLiteral("/.ssh/known_hosts"));
        options.set<CURLOPT_SSH_KNOWNHOSTS>(knownHosts.constData());
    }
    if (target.protocol == FtpTarget::Protocol::Ftps || target.protocol == FtpTarget::Protocol::Ftpes) {
        // All or nothing: never fall back to plain text when TLS is asked for.
        options.set<CURLOPT_USE_SSL>(long(CURLUSESSL_ALL));
        options.set<CURLOPT_FTPSSLAUTH>(long(CURLFTPAUTH_TLS));
        options.set<CURLOPT_SSL_VERIFYPEER>(1L);
        options.set<CURLOPT_SSL_VERIFYHOST>(2L);
        if (!caBundle.isEmpty())
            options.set<CURLOPT_CAINFO>(QFile::encodeName(caBundle).constData());
        // Only the ceiling moves: the floor stays what libcurl and the TLS library allow.
        if (capFtpsAtTls12(curl_version_info(CURLVERSION_NOW)->version_num))
            options.set<CURLOPT_SSLVERSION>(long(CURL_SSLVERSION_DEFAULT) | long(CURL_SSLVERSION_MAX_TLSv1_2));
    }
    return options.refused();
}

} // namespace korva5
