// SPDX-License-Identifier: MIT
#pragma once

#include "core/transfer/FailureKind.h"

#include <QString>

#include <curl/curl.h>

#include <type_traits>

namespace korva5 {

// The oldest libcurl whose options the transfer uses: CURLOPT_PREREQFUNCTION came with 7.80.0.
// The program is built against a newer one, but runs with whatever the station has.
inline constexpr unsigned int OldestCurl = 0x075000;

// What keeps libcurl from carrying uploads; kind None when nothing does.
struct CurlProblem
{
    FailureKind kind = FailureKind::None;
    QString why;

    bool ok() const { return kind == FailureKind::None; }
};

// Whether a libcurl of this version_num (0xXXYYZZ, as curl_version_info reports it) can carry
// the transfer's options.
CurlProblem curlVersionProblem(unsigned int versionNum);

// libcurl as this process has it: its version checked and, when it will do, globally set up once,
// by whichever thread asks first (the set-up is not thread-safe, so every caller goes through
// here). Every transfer asks before it starts, and fails with the problem when there is one.
CurlProblem curlProblem();

// Says on standard error what keeps libcurl from carrying uploads, if anything does: called when
// the program starts, so the station's operator hears it before the first upload fails.
void reportCurlProblem();

// Whether an option takes a value of this type, from the type range libcurl encodes in the
// option's number. curl.h's own compile-time check of curl_easy_setopt works only for C; this
// keeps a wrong type from compiling in C++.
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
CURLcode setCurlOption(CURL *handle, Value value)
{
    static_assert(curlOptionTakes<Option, Value>(), "this option takes a value of another type");
    return curl_easy_setopt(handle, Option, value);
}

// An option's name as libcurl knows it ("UPLOAD"), for a reason that names a refused option.
QString curlOptionName(CURLoption option);

} // namespace korva5
