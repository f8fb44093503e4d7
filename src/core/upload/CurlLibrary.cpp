// SPDX-License-Identifier: MIT
#include "core/upload/CurlLibrary.h"

#include "core/upload/UploadLogging.h"

#include <QLibrary>
#include <QStringList>

#include <memory>
#include <mutex>
#include <utility>

namespace {

template <typename Function>
void take(QLibrary &library, const char *symbol, Function &into, QStringList &missing)
{
    into = reinterpret_cast<Function>(library.resolve(symbol));
    if (!into)
        missing << QLatin1StringView(symbol);
}

} // namespace

std::optional<CurlApi> CurlApi::load(const QString &name, int majorVersion, QString *why)
{
    // Never unloaded: OpenSSL pins itself in the process anyway, and a transfer may still hold
    // a pointer into it.
    auto library = std::make_unique<QLibrary>();
    library->setFileNameAndVersion(name, majorVersion);
    library->setLoadHints(QLibrary::PreventUnloadHint);
    if (!library->load()) {
        if (why)
            *why = QStringLiteral("libcurl could not be loaded: %1").arg(library->errorString());
        return std::nullopt;
    }
    CurlApi api;
    QStringList missing;
    take(*library, "curl_global_init", api.globalInit, missing);
    take(*library, "curl_version_info", api.versionInfo, missing);
    take(*library, "curl_easy_init", api.easyInit, missing);
    take(*library, "curl_easy_cleanup", api.easyCleanup, missing);
    take(*library, "curl_easy_setopt", api.easySetopt, missing);
    take(*library, "curl_easy_perform", api.easyPerform, missing);
    take(*library, "curl_easy_getinfo", api.easyGetinfo, missing);
    take(*library, "curl_easy_strerror", api.easyStrerror, missing);
    take(*library, "curl_slist_append", api.slistAppend, missing);
    take(*library, "curl_slist_free_all", api.slistFreeAll, missing);
    if (!missing.isEmpty()) {
        if (why)
            *why = QStringLiteral("libcurl (%1) lacks %2").arg(library->fileName(), missing.join(QStringLiteral(", ")));
        return std::nullopt;
    }
    library.release(); // stays loaded for the life of the process, as a linked library would
    return api;
}

const CurlApi *curlApi(QString *why)
{
    static std::once_flag once;
    static std::optional<CurlApi> api;
    static QString failure;
    std::call_once(once, [] {
#if defined(Q_OS_WIN)
        // The names the usual Windows builds give it: curl's own, vcpkg's and MSYS2's.
        const std::pair<QString, int> names[] = {
            {QStringLiteral("libcurl-x64"), -1}, {QStringLiteral("libcurl"), -1}, {QStringLiteral("libcurl-4"), -1}};
#else
        const std::pair<QString, int> names[] = {{QStringLiteral("curl"), 4}}; // libcurl.so.4, libcurl.4.dylib
#endif
        for (const auto &[name, major] : names) {
            failure.clear();
            if ((api = CurlApi::load(name, major, &failure)))
                break;
        }
        if (!api) {
            qCCritical(lcUpload).noquote() << failure;
            return;
        }
        if (const CURLcode code = api->globalInit(CURL_GLOBAL_DEFAULT); code != CURLE_OK) {
            failure = QStringLiteral("libcurl could not be set up: %1").arg(QString::fromUtf8(api->easyStrerror(code)));
            qCCritical(lcUpload).noquote() << failure;
            api.reset();
            return;
        }
        const curl_version_info_data *info = api->versionInfo(CURLVERSION_NOW);
        qCDebug(lcUpload) << "libcurl" << info->version << "loaded and set up";
    });
    if (!api && why)
        *why = failure;
    return api ? &*api : nullptr;
}
