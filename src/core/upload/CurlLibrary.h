// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

#include <curl/curl.h>

#include <optional>
#include <type_traits>

// libcurl's entry points, taken from the library when the first transfer needs them rather than
// when the program starts. libcurl brings OpenSSL, GnuTLS, Kerberos, LDAP and libssh2 with it:
// loaded and set up they keep about 7 MiB resident, more than everything else an idle program
// adds to a bare window, and a station may go a whole day between two uploads.
struct CurlApi
{
    decltype(&::curl_global_init) globalInit = nullptr;
    decltype(&::curl_version_info) versionInfo = nullptr;
    decltype(&::curl_easy_init) easyInit = nullptr;
    decltype(&::curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&::curl_easy_setopt) easySetopt = nullptr;
    decltype(&::curl_easy_perform) easyPerform = nullptr;
    decltype(&::curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&::curl_easy_strerror) easyStrerror = nullptr;
    decltype(&::curl_slist_append) slistAppend = nullptr;
    decltype(&::curl_slist_free_all) slistFreeAll = nullptr;

    // Loads the library named as QLibrary takes it ("curl" and 4 is libcurl.so.4) and takes
    // every entry point from it; nothing when it cannot, with why in *why. No global set-up.
    static std::optional<CurlApi> load(const QString &name, int majorVersion, QString *why);
};

// libcurl for this process: loaded and globally set up once, by whichever thread asks first (the
// set-up is not thread-safe, so every caller goes through here), then the same for every call.
// nullptr when it cannot be had, with why in *why: every transfer then fails saying so.
const CurlApi *curlApi(QString *why = nullptr);

// Whether an option takes a value of this type, from the type range libcurl encodes in the
// option's number. The library is called through a pointer, where curl.h's own compile-time
// check of curl_easy_setopt does not reach; this keeps a wrong type from compiling.
template <CURLoption Option, typename Value>
constexpr bool curlOptionTakes()
{
    if constexpr (Option < CURLOPTTYPE_OBJECTPOINT)
        return std::is_same_v<Value, long>;
    else if constexpr (Option < CURLOPTTYPE_FUNCTIONPOINT)
        return std::is_null_pointer_v<Value> || (std::is_pointer_v<Value> && !std::is_function_v<std::remove_pointer_t<Value>>);
    else if constexpr (Option < CURLOPTTYPE_OFF_T)
        return std::is_pointer_v<Value> && std::is_function_v<std::remove_pointer_t<Value>>;
    else if constexpr (Option < CURLOPTTYPE_BLOB)
        return std::is_same_v<Value, curl_off_t>;
    else
        return std::is_same_v<Value, curl_blob *>;
}

template <CURLoption Option, typename Value>
CURLcode setCurlOption(const CurlApi &api, CURL *handle, Value value)
{
    static_assert(curlOptionTakes<Option, Value>(), "this option takes a value of another type");
    return api.easySetopt(handle, Option, value);
}
