#pragma once

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class QSettings;

// The per-user settings: text values in groups ("Position", "Colors", "Format"), kept in
// ~/.config/Zentravio/Zentravio.conf. Value names are compared exactly, so "x" is not "X".
class SettingsStore
{
public:
    SettingsStore();                             // the user's own settings file
    explicit SettingsStore(const QString& path); // a settings file of its own, for tests and tools
    ~SettingsStore();
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // Writes one text value; false when the settings file could not be written.
    bool SaveString(const QString& key, const QString& valueName, const QString& text);
    // Reads one text value; the empty text when the key or value is missing.
    QString GetString(const QString& key, const QString& valueName) const;

    QString fileName() const;

private:
    // The settings file is readable and writable by its owner only (mode 0600); `create` makes it so
    // before the first write.
    void keepPrivate(bool create) const;

    struct Unsaved
    {
        QString key;
        QString valueName;
        QString text;
    };

    std::function<std::unique_ptr<QSettings>()> m_open;
    std::unique_ptr<QSettings> m_settings;
    // Values a failed write left in memory only; they go out again with the next write.
    std::vector<Unsaved> m_unsaved;
};
