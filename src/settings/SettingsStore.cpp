#include "settings/SettingsStore.h"

#include <QSettings>

SettingsStore::SettingsStore()
    : m_settings(std::make_unique<QSettings>(QStringLiteral("Zentravio"), QStringLiteral("Zentravio")))
{}

SettingsStore::SettingsStore(const QString& path)
    : m_settings(std::make_unique<QSettings>(path, QSettings::IniFormat))
{}

SettingsStore::~SettingsStore() = default;

bool SettingsStore::SaveString(const QString& key, const QString& valueName, const QString& text)
{
    m_settings->beginGroup(key);
    m_settings->setValue(valueName, text);
    m_settings->endGroup();
    m_settings->sync();
    return m_settings->status() == QSettings::NoError;
}

QString SettingsStore::GetString(const QString& key, const QString& valueName) const
{
    m_settings->beginGroup(key);
    QString result;
    // Names are matched exactly by walking the stored names, whatever the backend does with case.
    const QStringList names = m_settings->childKeys();
    for (const QString& name : names) {
        if (name == valueName) {
            result = m_settings->value(name).toString();
            break;
        }
    }
    m_settings->endGroup();
    return result;
}

QString SettingsStore::fileName() const
{
    return m_settings->fileName();
}
