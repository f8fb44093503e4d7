// SPDX-License-Identifier: MIT
#include "fleet/check/ListingLines.h"

#include <array>
#include <optional>

namespace korva5::fleet {

namespace ListingLines {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The value of text when it is all digits (and not too long for a qint64); nothing otherwise.
std::optional<qint64> number(QByteArrayView text)
{
    if (text.isEmpty() || text.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (char c : text) {
        if (!isDigit(c))
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

int digitsAt(QByteArrayView text, qsizetype at, qsizetype count)
{
    return int(*number(text.sliced(at, count)));
}

bool allDigits(QByteArrayView text)
{
    return number(text).has_value();
}

// Blank-separated words with where each ends, so that the rest of a line after the nth word (a
// name with blanks in it) can be taken as it is.
struct Word
{
    qsizetype begin;
    qsizetype end;
};

// At most the first Most words: a listing of many thousand lines is read word by word, without
// a list made for each line.
template <int Most>
struct Words
{
    std::array<Word, Most> at;
    int count = 0;

    qsizetype size() const { return count; }
    const Word &operator[](qsizetype i) const { return at[size_t(i)]; }
    void append(Word word) { at[size_t(count++)] = word; }
};

template <int Most>
Words<Most> words(QByteArrayView line)
{
    Words<Most> found;
    qsizetype at = 0;
    while (found.size() < Most) {
        while (at < line.size() && isBlank(line[at]))
            ++at;
        if (at == line.size())
            break;
        const qsizetype begin = at;
        while (at < line.size() && !isBlank(line[at]))
            ++at;
        found.append({begin, at});
    }
    return found;
}

// The name at the end of a line: what follows the one blank after the word that ends at position
// at. Servers write exactly one there ("ls -l", IIS alike), so a blank more is the name's own:
// " 20261207.22" is no records file, and must not pass for one.
QByteArrayView nameAfter(QByteArrayView line, qsizetype at)
{
    if (at >= line.size() || line[at] != ' ')
        return {};
    return line.sliced(at + 1);
}

// The rest of the line after position at, blanks before it skipped.
QByteArrayView restAfter(QByteArrayView line, qsizetype at)
{
    while (at < line.size() && isBlank(line[at]))
        ++at;
    return line.sliced(at);
}

int monthOf(QByteArrayView word)
{
    static constexpr std::array<const char *, 12> Months{"jan", "feb", "mar", "apr", "may", "jun",
                                                         "jul", "aug", "sep", "oct", "nov", "dec"};
    if (word.size() != 3)
        return 0;
    for (size_t i = 0; i < Months.size(); ++i) {
        if (QByteArrayView(Months[i]).compare(word, Qt::CaseInsensitive) == 0)
            return int(i) + 1;
    }
    return 0;
}

Line unreadable()
{
    return {};
}

} // namespace

Line parseMlsd(QByteArrayView line)
{
    // Facts end at the first blank; the name is everything after that one blank.
    const qsizetype blank = line.indexOf(' ');
    if (blank <= 0 || blank + 1 >= line.size() || line[blank - 1] != ';')
        return unreadable();
    Line result;
    result.name = line.sliced(blank + 1);
    result.type = Type::Other;
    bool typed = false;
    QByteArrayView facts = line.first(blank - 1);
    while (!facts.isEmpty()) {
        const qsizetype semicolon = facts.indexOf(';');
        const QByteArrayView fact = semicolon < 0 ? facts : facts.first(semicolon);
        facts = semicolon < 0 ? QByteArrayView() : facts.sliced(semicolon + 1);
        const qsizetype equals = fact.indexOf('=');
        if (equals <= 0)
            return unreadable();
        const QByteArrayView key = fact.first(equals);
        const QByteArrayView value = fact.sliced(equals + 1);
        if (key.compare("type", Qt::CaseInsensitive) == 0) {
            typed = true;
            if (value.compare("file", Qt::CaseInsensitive) == 0)
                result.type = Type::File;
            else if (value.compare("dir", Qt::CaseInsensitive) == 0 || value.compare("cdir", Qt::CaseInsensitive) == 0
                     || value.compare("pdir", Qt::CaseInsensitive) == 0)
                result.type = Type::Folder;
        } else if (key.compare("size", Qt::CaseInsensitive) == 0) {
            const std::optional<qint64> size = number(value);
            if (!size)
                return unreadable();
            result.size = *size;
        } else if (key.compare("modify", Qt::CaseInsensitive) == 0) {
            // YYYYMMDDHHMMSS, maybe with a fraction of a second, always UTC.
            if (value.size() < 14 || !allDigits(value.first(14)))
                return unreadable();
            result.modified = {Stamp::Form::Utc, digitsAt(value, 0, 4), digitsAt(value, 4, 2), digitsAt(value, 6, 2),
                               digitsAt(value, 8, 2), digitsAt(value, 10, 2), digitsAt(value, 12, 2)};
        }
    }
    if (!typed)
        return unreadable();
    return result;
}

Line parseUnix(QByteArrayView line)
{
    // mode links owner [group] size month day time-or-year name
    const Words<9> found = words<9>(line);
    auto word = [&](qsizetype i) { return line.sliced(found[i].begin, found[i].end - found[i].begin); };
    // ls's own first line, the blocks the folder takes.
    if (found.size() == 2 && word(0) == "total" && allDigits(word(1))) {
        Line total;
        total.type = Type::Other;
        return total;
    }
    if (found.size() < 7)
        return unreadable();
    const QByteArrayView mode = word(0);
    if (mode.size() < 10 || !QByteArrayView("-dlbcpsD").contains(mode[0]))
        return unreadable();
    // The month stands after the size, which stands after the owner (and the group, when given).
    for (qsizetype m = 3; m + 2 < found.size() && m <= 5; ++m) {
        const int month = monthOf(word(m));
        if (!month)
            continue;
        const std::optional<qint64> size = number(word(m - 1));
        const std::optional<qint64> day = number(word(m + 1));
        const QByteArrayView clock = word(m + 2);
        if (!size || !day || *day < 1 || *day > 31)
            continue;
        Stamp stamp{Stamp::Form::ServerTime, 0, month, int(*day), 0, 0, 0};
        if (clock.size() == 4 && allDigits(clock)) {
            stamp.year = digitsAt(clock, 0, 4);
        } else if ((clock.size() == 5 || clock.size() == 4) && clock[clock.size() - 3] == ':'
                   && allDigits(clock.first(clock.size() - 3)) && allDigits(clock.last(2))) {
            stamp.hour = digitsAt(clock, 0, clock.size() - 3);
            stamp.minute = digitsAt(clock, clock.size() - 2, 2);
        } else {
            continue;
        }
        const QByteArrayView name = nameAfter(line, found[m + 2].end);
        if (name.isEmpty())
            return unreadable();
        Line result;
        result.type = mode[0] == '-' ? Type::File : mode[0] == 'd' ? Type::Folder : Type::Other;
        result.name = name;
        result.size = *size;
        result.modified = stamp;
        return result;
    }
    return unreadable();
}

Line parseDos(QByteArrayView line)
{
    // MM-DD-YY[YY]  HH:MM[AM|PM]  <DIR>|size  name
    const Words<3> found = words<3>(line);
    if (found.size() < 3)
        return unreadable();
    auto word = [&](qsizetype i) { return line.sliced(found[i].begin, found[i].end - found[i].begin); };
    const QByteArrayView date = word(0);
    if ((date.size() != 8 && date.size() != 10) || date[2] != '-' || date[5] != '-' || !allDigits(date.first(2))
        || !allDigits(date.sliced(3, 2)) || !allDigits(date.sliced(6)))
        return unreadable();
    QByteArrayView clock = word(1);
    bool pm = false;
    bool twelveHour = false;
    if (clock.size() > 2 && (clock.endsWith("AM") || clock.endsWith("PM") || clock.endsWith("am") || clock.endsWith("pm"))) {
        twelveHour = true;
        pm = clock[clock.size() - 2] == 'P' || clock[clock.size() - 2] == 'p';
        clock.chop(2);
    }
    if ((clock.size() != 5 && clock.size() != 4) || clock[clock.size() - 3] != ':' || !allDigits(clock.first(clock.size() - 3))
        || !allDigits(clock.last(2)))
        return unreadable();
    int hour = digitsAt(clock, 0, clock.size() - 3);
    if (twelveHour) {
        if (hour < 1 || hour > 12)
            return unreadable();
        hour = hour % 12 + (pm ? 12 : 0);
    }
    int year = digitsAt(date, 6, date.size() - 6);
    if (date.size() == 8)
        year += year < 70 ? 2000 : 1900;
    const QByteArrayView sizeOrDir = word(2);
    // A folder's name stands after blanks that line it up; only a file's matters.
    const bool folder = sizeOrDir.compare("<DIR>", Qt::CaseInsensitive) == 0;
    const QByteArrayView name = folder ? restAfter(line, found[2].end) : nameAfter(line, found[2].end);
    if (name.isEmpty())
        return unreadable();
    Line result;
    result.name = name;
    result.modified = {Stamp::Form::ServerTime, year, digitsAt(date, 0, 2), digitsAt(date, 3, 2), hour,
                       digitsAt(clock, clock.size() - 2, 2), 0};
    if (folder) {
        result.type = Type::Folder;
    } else if (const std::optional<qint64> size = number(sizeOrDir)) {
        result.type = Type::File;
        result.size = *size;
    } else {
        return unreadable();
    }
    return result;
}

Line parseList(QByteArrayView line)
{
    if (!line.isEmpty() && isDigit(line[0]))
        return parseDos(line);
    return parseUnix(line);
}

QDateTime timeOf(const Stamp &stamp, const QTimeZone &serverZone, const QDateTime &now)
{
    if (stamp.form == Stamp::Form::None)
        return {};
    const QTime time(stamp.hour, stamp.minute, stamp.second);
    if (!time.isValid())
        return {};
    const QTimeZone zone = stamp.form == Stamp::Form::Utc ? QTimeZone::utc() : serverZone;
    if (stamp.year > 0) {
        const QDate date(stamp.year, stamp.month, stamp.day);
        return date.isValid() ? QDateTime(date, time, zone) : QDateTime();
    }
    // "ls -l" leaves the year out for times within about six months of its own clock: the date
    // is the latest one of that month and day that is not more than a day ahead of now (a server
    // clock a little ahead of ours must not move a fresh file back a year).
    const QDateTime serverNow = now.toTimeZone(zone);
    for (int year = serverNow.date().year() + 1; year >= serverNow.date().year() - 1; --year) {
        const QDate date(year, stamp.month, stamp.day);
        if (!date.isValid())
            continue; // 29 February of a year that has none
        const QDateTime candidate(date, time, zone);
        if (candidate <= serverNow.addDays(1))
            return candidate;
    }
    return {};
}

} // namespace ListingLines

} // namespace korva5::fleet
