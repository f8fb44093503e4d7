// SPDX-License-Identifier: MIT
#pragma once

#include <span>

namespace korva5 {

namespace BuiltInTexts {

// One key's text in the three languages.
struct Row
{
    const char *key;
    const char8_t *english;
    const char8_t *china;
    const char8_t *taiwan;
};

// The texts of the office's page of the fleet, kept apart from the station's own.
std::span<const Row> pageRows();

} // namespace BuiltInTexts

} // namespace korva5
