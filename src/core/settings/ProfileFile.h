// SPDX-License-Identifier: MIT
#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <optional>

namespace korva5 {

// A profile (INI) file held as its exact bytes. Reads parse the bytes on demand; a write splices
// one line in or out and leaves every other byte alone, so comments, blank lines, key order,
// line ends and a byte-order mark written by hand survive the program's own writes.
//
// Layout rules, close to what Windows does with the same files:
//  - "[name]" opens a section; "key=value" inside a section gives the key its value;
//  - section and key names match without regard to letter case, blanks around them and
//    around "=" are ignored; the first of duplicate keys wins; sections of the same name merge;
//  - lines starting with ";" or "#" are comments; any other line without "=" is skipped.
//
// Encoding: UTF-8 (byte-order mark optional). Bytes that are not valid UTF-8 are read as
// GB18030, the code page of the Chinese Windows workstations these files come from; a write
// keeps whichever encoding the file has.
class ProfileDocument
{
public:
    enum class Encoding { Utf8, Gb18030 };

    // Values longer than this many bytes (in the file's encoding) are cut on reading, on a
    // character boundary; the settings never hold anything that long.
    static constexpr qsizetype MaxValueBytes = 1022;

    ProfileDocument() = default;
    static ProfileDocument fromBytes(QByteArray bytes);

    const QByteArray &bytes() const { return m_bytes; }
    Encoding encoding() const { return m_encoding; }

    // The value of key in section, or nothing when the section or key is absent.
    std::optional<QString> value(const QString &section, const QString &key) const;
    // True when the document has a section of that name (with or without keys).
    bool hasSection(const QString &section) const;

    // Sets key in section to value, creating the key or section when needed: the key's line
    // becomes "name=value" (the name spelled as the file has it), so blanks that stood around
    // the old value are gone. Refuses (returns false, document unchanged) a name or value that
    // would break the file's line structure.
    bool setValue(const QString &section, const QString &key, const QString &value);

    static bool isSafeSectionName(const QString &section);
    static bool isSafeKeyName(const QString &key);
    static bool isSafeValue(const QString &value);

private:
    struct KeyLine
    {
        qsizetype lineBegin = -1;  // byte offset of the line
        QByteArray name;           // the key's name as the file spells it, without blanks
        qsizetype valueBegin = -1; // byte offset of the value
        qsizetype valueEnd = -1;   // byte offset just past the value (before the line end)
    };
    struct Lookup
    {
        std::optional<KeyLine> key;        // the first matching key line
        qsizetype sectionInsertAt = -1;    // byte offset just past the section's last entry
        bool sectionInsertNeedsEol = false; // that entry is the file's last line, unterminated
    };
    Lookup find(const QString &section, const QString &key) const;
    QString decode(QByteArrayView bytes) const;
    QByteArray encode(const QString &text) const;
    QByteArray lineEnd() const;
    qsizetype contentStart() const;

    QByteArray m_bytes;
    Encoding m_encoding = Encoding::Utf8;
};

namespace ProfileFile {

// Text without the spaces and tabs around it: how every name and value of a profile file is
// taken, so a tab left behind by an editor cannot make a time or a login useless. Other blanks
// and control characters stay, for the checks that refuse them to see. A view stays a view.
template<typename Text>
    requires requires(const Text &text) { text.sliced(0, 0); }
Text trimmedBlanks(const Text &text)
{
    const auto isBlank = [](auto c) { return c == u' ' || c == u'\t'; };
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// Anything else that makes a text (a concatenation, a literal) is trimmed as a QString.
inline QString trimmedBlanks(const QString &text)
{
    return trimmedBlanks<QString>(text);
}

// The document stored at path, or nothing when path is not a readable regular file.
std::optional<ProfileDocument> load(const QString &path);

// Replaces the file at path with the document in one atomic step: a temporary file is written
// beside it and renamed over it, so a crash or a full disk never leaves a partial file. An
// existing file keeps its owner, group and permissions (the owner where the user may give it);
// a new one is readable by its owner only. A file or folder marked read-only is refused, even
// for a user whose privileges would let the write through.
bool save(const QString &path, const ProfileDocument &document, QString *error = nullptr);

// Writes several keys of one section together: all of them reach the file, or none does.
bool writeValues(const QString &path, const QString &section,
                 const QList<QPair<QString, QString>> &values, QString *error = nullptr);

} // namespace ProfileFile

} // namespace korva5
