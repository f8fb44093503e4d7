// SPDX-License-Identifier: MIT
#include "core/language/LanguageText.h"

#include "core/language/BuiltInTexts.h"
#include "core/settings/ProfileFile.h"

#include <QLoggingCategory>
#include <QSet>

namespace korva5 {

namespace {

Q_LOGGING_CATEGORY(lcLanguage, "korva5.shell", QtInfoMsg)

const QString FallbackLanguage = QStringLiteral("English");

QString placeholderList(const QString &text)
{
    QStringList list;
    for (const QChar digit : BuiltInTexts::placeholders(text))
        list << u'%' + digit;
    return list.isEmpty() ? QStringLiteral("(none)") : list.join(QStringLiteral(", "));
}

void sayOnce(const QString &line)
{
    static QSet<QString> said;
    if (!said.contains(line)) {
        said.insert(line);
        qCWarning(lcLanguage).noquote() << line;
    }
}

} // namespace

QString languageText(const QString &languageFile, const QString &currentLanguage, const QString &key)
{
    const QString language = ProfileFile::trimmedBlanks(currentLanguage);
    const std::optional<ProfileDocument> file = ProfileFile::load(languageFile);
    // A language neither the file nor the program knows is shown in English.
    const bool known = (file && file->hasSection(language)) || language == QLatin1StringView(BuiltInTexts::China)
        || language == QLatin1StringView(BuiltInTexts::Taiwan) || language == FallbackLanguage;
    const QString shownLanguage = known ? language : FallbackLanguage;
    if (!known)
        sayOnce(QStringLiteral("%1 has no section [%2]; the captions are shown in English").arg(languageFile, language));
    const std::optional<QString> own = BuiltInTexts::text(shownLanguage, key);
    if (const std::optional<QString> text = file ? file->value(shownLanguage, key) : std::nullopt) {
        const QString trimmed = ProfileFile::trimmedBlanks(*text);
        // A text whose placeholders differ from the program's would lose a part of its sentence
        // or show "%2" as it is.
        if (!own || BuiltInTexts::placeholders(trimmed) == BuiltInTexts::placeholders(*own))
            return trimmed;
        sayOnce(QStringLiteral("%1: the text of %2 in [%3] does not have the placeholders %4; the built-in text is shown")
                    .arg(languageFile, key, shownLanguage, placeholderList(*own)));
        return *own;
    }
    if (own) {
        // Said once a key: a station's own file that lost a caption shows the program's text of it,
        // and whoever edits the file learns which one to mend.
        if (!file)
            sayOnce(QStringLiteral("%1 cannot be read; the program's own texts are shown").arg(languageFile));
        else if (!file->hasSection(shownLanguage))
            sayOnce(QStringLiteral("%1 has no section [%2]; the program's own texts are shown").arg(languageFile, shownLanguage));
        else if (BuiltInTexts::isFileCaption(key))
            sayOnce(QStringLiteral("%1 has no text for %2 in [%3]; the program's own text is shown").arg(languageFile, key, shownLanguage));
        return *own;
    }
    // A key the program has no text for: English from the file, if it has one.
    sayOnce(QStringLiteral("%1 has no text for %2 in [%3]").arg(languageFile, key, shownLanguage));
    if (file && shownLanguage != FallbackLanguage)
        return ProfileFile::trimmedBlanks(file->value(FallbackLanguage, key).value_or(QString()));
    return {};
}

QString titleText(const QString &caption)
{
    // The Chinese captions carry their access key as "(&N)" after the text; it goes whole. Spelt
    // out rather than as a regular expression: this runs at start, and the expression engine
    // would be loaded for it alone.
    auto isOpen = [](QChar c) { return c == u'(' || c == u'\uFF08'; };
    auto isClose = [](QChar c) { return c == u')' || c == u'\uFF09'; };
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (i + 3 < caption.size() && isOpen(caption[i]) && caption[i + 1] == u'&' && caption[i + 2] != u'&'
            && isClose(caption[i + 3])) {
            i += 3;
            continue;
        }
        text += caption[i];
    }
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    return text;
}

} // namespace korva5
