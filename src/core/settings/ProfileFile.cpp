// SPDX-License-Identifier: MIT
#include "core/settings/ProfileFile.h"

#include "core/diagnostics/ShownText.h"
#include "core/platform/Posix.h"
#include "core/settings/FileAccess.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace korva5 {

namespace {

constexpr char Gb18030Name[] = "GB18030";
const QByteArray Utf8Bom("\xEF\xBB\xBF", 3);

bool isBlank(char c) { return c == ' ' || c == '\t'; }

using ProfileFile::trimmedBlanks;

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool isValidUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    [[maybe_unused]] const QString text = decoder.decode(bytes);
    return !decoder.hasError();
}

// Length of the longest prefix of bytes that holds whole characters and at most limit bytes.
qsizetype wholeCharacterPrefix(QByteArrayView bytes, qsizetype limit, ProfileDocument::Encoding encoding)
{
    if (bytes.size() <= limit)
        return bytes.size();
    qsizetype at = 0;
    while (at < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[at]);
        qsizetype length = 1;
        if (encoding == ProfileDocument::Encoding::Utf8) {
            if (lead >= 0xF0)
                length = 4;
            else if (lead >= 0xE0)
                length = 3;
            else if (lead >= 0xC0)
                length = 2;
        } else if (lead >= 0x81 && lead <= 0xFE && at + 1 < bytes.size()) {
            const auto second = static_cast<unsigned char>(bytes[at + 1]);
            length = (second >= 0x30 && second <= 0x39) ? 4 : 2;
        }
        if (at + length > limit)
            break;
        at += length;
    }
    return at;
}

struct LineView
{
    qsizetype begin;     // first byte of the line
    qsizetype end;       // just past the line's text, before "\r\n" or "\n"
    qsizetype next;      // first byte of the next line
    bool terminated;     // the line ends with a line break
};

// Calls visit(line) for each line from offset start until visit returns false.
template<typename Visit>
void forEachLine(const QByteArray &bytes, qsizetype start, Visit visit)
{
    qsizetype begin = start;
    while (begin < bytes.size()) {
        const qsizetype newline = bytes.indexOf('\n', begin);
        LineView line{begin, newline < 0 ? bytes.size() : newline,
                      newline < 0 ? bytes.size() : newline + 1, newline >= 0};
        if (line.terminated && line.end > line.begin && bytes[line.end - 1] == '\r')
            --line.end;
        if (!visit(line))
            return;
        begin = line.next;
    }
}

} // namespace

ProfileDocument ProfileDocument::fromBytes(QByteArray bytes)
{
    ProfileDocument document;
    document.m_bytes = std::move(bytes);
    const bool bom = document.m_bytes.startsWith(Utf8Bom);
    if (!bom && !isValidUtf8(document.m_bytes))
        document.m_encoding = Encoding::Gb18030;
    return document;
}

qsizetype ProfileDocument::contentStart() const
{
    return m_bytes.startsWith(Utf8Bom) ? Utf8Bom.size() : 0;
}

QString ProfileDocument::decode(QByteArrayView bytes) const
{
    if (m_encoding == Encoding::Utf8)
        return QString::fromUtf8(bytes);
    QStringDecoder decoder(Gb18030Name, QStringDecoder::Flag::Stateless);
    return decoder.decode(bytes);
}

QByteArray ProfileDocument::encode(const QString &text) const
{
    if (m_encoding == Encoding::Utf8)
        return text.toUtf8();
    QStringEncoder encoder(Gb18030Name, QStringEncoder::Flag::Stateless);
    return encoder.encode(text);
}

QByteArray ProfileDocument::lineEnd() const
{
    const qsizetype newline = m_bytes.indexOf('\n');
    if (newline > 0 && m_bytes[newline - 1] == '\r')
        return QByteArrayLiteral("\r\n");
    if (newline >= 0)
        return QByteArrayLiteral("\n");
#ifdef Q_OS_WIN
    return QByteArrayLiteral("\r\n");
#else
    return QByteArrayLiteral("\n");
#endif
}

ProfileDocument::Lookup ProfileDocument::find(const QString &section, const QString &key) const
{
    Lookup result;
    bool inMatchingSection = false;
    bool inFirstMatchingSection = false;
    bool seenMatchingSection = false;
    forEachLine(m_bytes, contentStart(), [&](const LineView &line) {
        const QByteArrayView text = trimmedBlanks(QByteArrayView(m_bytes).sliced(line.begin, line.end - line.begin));
        if (text.isEmpty() || text.front() == ';' || text.front() == '#')
            return true;
        if (text.front() == '[') {
            // GB18030 may carry ']' as the second byte of a character: find it in decoded text.
            const QString header = decode(text);
            const qsizetype close = header.indexOf(u']');
            if (close < 0)
                return true; // not a header: skipped like any malformed line
            inMatchingSection = sameName(trimmedBlanks(header.mid(1, close - 1)), section);
            inFirstMatchingSection = inMatchingSection && !seenMatchingSection;
            if (inFirstMatchingSection) {
                seenMatchingSection = true;
                result.sectionInsertAt = line.next;
                result.sectionInsertNeedsEol = !line.terminated;
            }
            return true;
        }
        const qsizetype equals = QByteArrayView(m_bytes).sliced(line.begin, line.end - line.begin).indexOf('=');
        if (equals < 0)
            return true; // malformed line, skipped
        const QByteArrayView name = trimmedBlanks(QByteArrayView(m_bytes).sliced(line.begin, equals));
        if (name.isEmpty())
            return true;
        if (inFirstMatchingSection) {
            result.sectionInsertAt = line.next;
            result.sectionInsertNeedsEol = !line.terminated;
        }
        if (inMatchingSection && sameName(decode(name), key)) {
            qsizetype valueBegin = line.begin + equals + 1;
            while (valueBegin < line.end && isBlank(m_bytes[valueBegin]))
                ++valueBegin;
            result.key = KeyLine{line.begin, name.toByteArray(), valueBegin, line.end};
            return false;
        }
        return true;
    });
    return result;
}

std::optional<QString> ProfileDocument::value(const QString &section, const QString &key) const
{
    const QString sectionName = trimmedBlanks(section);
    const QString keyName = trimmedBlanks(key);
    if (sectionName.isEmpty() || keyName.isEmpty())
        return std::nullopt;
    const Lookup lookup = find(sectionName, keyName);
    if (!lookup.key)
        return std::nullopt;
    const QByteArrayView raw = QByteArrayView(m_bytes).sliced(lookup.key->valueBegin,
                                                             lookup.key->valueEnd - lookup.key->valueBegin);
    return decode(raw.first(wholeCharacterPrefix(raw, MaxValueBytes, m_encoding)));
}

bool ProfileDocument::hasSection(const QString &section) const
{
    const QString name = trimmedBlanks(section);
    return !name.isEmpty() && find(name, QString()).sectionInsertAt >= 0;
}

bool ProfileDocument::isSafeSectionName(const QString &section)
{
    const QString name = trimmedBlanks(section);
    if (name.isEmpty() || name.contains(u']'))
        return false;
    return std::none_of(name.cbegin(), name.cend(), [](QChar c) { return isControlCharacter(c) && c != u'\t'; });
}

bool ProfileDocument::isSafeKeyName(const QString &key)
{
    const QString name = trimmedBlanks(key);
    if (name.isEmpty() || name.contains(u'=') || name.startsWith(u'[') || name.startsWith(u';')
        || name.startsWith(u'#'))
        return false;
    return std::none_of(name.cbegin(), name.cend(), [](QChar c) { return isControlCharacter(c) && c != u'\t'; });
}

bool ProfileDocument::isSafeValue(const QString &value)
{
    return !value.contains(u'\n') && !value.contains(u'\r') && !value.contains(QChar(0));
}

bool ProfileDocument::setValue(const QString &section, const QString &key, const QString &value)
{
    if (!isSafeSectionName(section) || !isSafeKeyName(key) || !isSafeValue(value))
        return false;
    const QString sectionName = trimmedBlanks(section);
    const QString keyName = trimmedBlanks(key);
    const Lookup lookup = find(sectionName, keyName);
    const QByteArray eol = lineEnd();

    if (lookup.key) {
        m_bytes.replace(lookup.key->lineBegin, lookup.key->valueEnd - lookup.key->lineBegin,
                        QByteArray(lookup.key->name + '=' + encode(value)));
        return true;
    }
    const QByteArray entry = encode(keyName) + '=' + encode(value);
    if (lookup.sectionInsertAt >= 0) {
        m_bytes.insert(lookup.sectionInsertAt, lookup.sectionInsertNeedsEol ? eol + entry : entry + eol);
        return true;
    }
    QByteArray addition;
    if (m_bytes.size() > contentStart() && !m_bytes.endsWith('\n'))
        addition += eol;
    addition += '[' + encode(sectionName) + ']' + eol + entry + eol;
    m_bytes += addition;
    return true;
}

namespace ProfileFile {

std::optional<ProfileDocument> load(const QString &path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return std::nullopt;
    return ProfileDocument::fromBytes(std::move(bytes));
}

bool save(const QString &path, const ProfileDocument &document, QString *error)
{
    auto fail = [error](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QFileInfo info(path);
    const bool exists = info.exists();
    if (exists && !info.isFile())
        return fail(QStringLiteral("%1 is not a regular file").arg(path));
    if (exists && FileAccess::isMarkedReadOnly(info.absoluteFilePath()))
        return fail(QStringLiteral("%1 is read-only").arg(path));
    if (FileAccess::isMarkedReadOnly(info.absolutePath()))
        return fail(QStringLiteral("the folder %1 is read-only").arg(info.absolutePath()));

    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // Unbuffered, so a short write (disk full, size limit) shows in write()'s count: a buffered
    // QSaveFile can lose the tail of the data at flush time and still commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(file.errorString());
    // The temporary file gets the final owner, group and permissions before it takes the file's
    // place. Owner first: a change of owner may clear permission bits. Keeping the owner can fail
    // for a user without the privilege; the settings are still stored rather than lost.
    const QString target = info.isSymLink() ? info.symLinkTarget() : path;
    if (exists)
        Posix::copyOwnerAndGroup(target, file.handle());
    const QFileDevice::Permissions permissions = exists
        ? QFile::permissions(target)
        : QFileDevice::ReadOwner | QFileDevice::WriteOwner;
    file.setPermissions(permissions);
    if (file.write(document.bytes()) != document.bytes().size()) {
        const QString why = file.error() != QFileDevice::NoError ? file.errorString()
                                                                 : QStringLiteral("the disk is full or the file too large");
        file.cancelWriting();
        return fail(why);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

bool writeValues(const QString &path, const QString &section, const QList<QPair<QString, QString>> &values,
                 QString *error)
{
    std::optional<ProfileDocument> document;
    if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) {
        document = load(path);
        if (!document) {
            if (error)
                *error = QStringLiteral("%1 cannot be read").arg(path);
            return false;
        }
    } else {
        document = ProfileDocument();
    }
    for (const auto &[key, value] : values) {
        if (!document->setValue(section, key, value)) {
            if (error)
                *error = QStringLiteral("the value of %1 cannot be stored in a profile file").arg(key);
            return false;
        }
    }
    return save(path, *document, error);
}

} // namespace ProfileFile

} // namespace korva5
