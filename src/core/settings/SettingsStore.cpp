// SPDX-License-Identifier: MIT
#include "core/settings/SettingsStore.h"

#include "core/settings/ProfileFile.h"

namespace korva5 {

Settings SettingsStore::load()
{
    const ProfileDocument document = ProfileFile::load(m_file).value_or(ProfileDocument());
    m_loaded = document.bytes();
    return Settings::fromDocument(document);
}

QString SettingsStore::language() const
{
    const std::optional<ProfileDocument> document = ProfileFile::load(m_file);
    if (!document)
        return {};
    return ProfileFile::trimmedBlanks(document->value(Settings::Section, Settings::LanguageKey).value_or(QString()));
}

bool SettingsStore::changedSinceLoad() const
{
    const std::optional<ProfileDocument> document = ProfileFile::load(m_file);
    return document && document->bytes() != m_loaded;
}

bool SettingsStore::save(const Settings &settings, QString *error)
{
    QList<QPair<QString, QString>> values;
    for (const SettingField &row : SettingsTable)
        values.append({QLatin1StringView(row.key), ProfileFile::trimmedBlanks(settings.*row.field)});
    return ProfileFile::writeValues(m_file, Settings::Section, values, error);
}

bool SettingsStore::saveLanguage(const QString &language, QString *error)
{
    return ProfileFile::writeValues(m_file, Settings::Section, {{Settings::LanguageKey, language}}, error);
}

} // namespace korva5
