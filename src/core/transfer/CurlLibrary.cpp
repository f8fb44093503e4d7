// SPDX-License-Identifier: MIT
#include "core/transfer/CurlLibrary.h"

#include "core/transfer/UploadLogging.h"

#include <mutex>

namespace korva5 {

namespace {

QString versionText(unsigned int versionNum)
{
    return QStringLiteral("%1.%2.%3").arg(versionNum >> 16).arg((versionNum >> 8) & 0xff).arg(versionNum & 0xff);
}

} // namespace

CurlProblem curlVersionProblem(unsigned int versionNum)
{
    if (versionNum >= OldestCurl)
        return {};
    return {FailureKind::CurlTooOld, QStringLiteral("libcurl %1 is too old: uploads need %2 or newer")
                                         .arg(versionText(versionNum), versionText(OldestCurl))};
}

CurlProblem curlProblem()
{
    static std::once_flag once;
    static CurlProblem problem;
    std::call_once(once, [] {
        const curl_version_info_data *info = curl_version_info(CURLVERSION_NOW);
        problem = curlVersionProblem(info->version_num);
        if (!problem.ok())
            return; // set up nothing that cannot be used
        if (const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT); code != CURLE_OK) {
            problem = {FailureKind::CurlMissing,
                       QStringLiteral("libcurl could not be set up: %1").arg(QString::fromUtf8(curl_easy_strerror(code)))};
            return;
        }
        qCDebug(lcUpload) << "libcurl" << info->version << "set up";
    });
    return problem;
}

void reportCurlProblem()
{
    if (const CurlProblem problem = curlProblem(); !problem.ok())
        qCCritical(lcUpload).noquote() << problem.why + QStringLiteral("; every upload will fail");
}

QString curlOptionName(CURLoption option)
{
    const curl_easyoption *known = curl_easy_option_by_id(option);
    return known && known->name ? QString::fromLatin1(known->name) : QString::number(int(option));
}

} // namespace korva5
