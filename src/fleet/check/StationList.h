// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace korva5::fleet {

// The stations the central office expects files from, written as a list of numbers and ranges:
// "1-40,45", "01-12" (numbers keep the zeros they are written with, as the station number is
// the extension of each file name and "07" is not "7"), or names of letters, digits and "_".
namespace StationList {

// A range may name at most this many stations: a typo such as "1-4000000" must not make the
// check judge millions of stations.
constexpr int MaxStations = 100'000;

// The stations of text, numbers in order of their value first, then names; each once. Nothing
// when text cannot be read, and error then names the part that cannot.
std::optional<QStringList> parse(const QString &text, QString *error = nullptr);

} // namespace StationList

} // namespace korva5::fleet
