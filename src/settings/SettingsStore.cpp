#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace {

constexpr QFileDevice::Permissions OwnerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner;

} // namespace

SettingsStore::SettingsStore()
    : m_open([] {
          return std::make_unique<QSettings>(QStringLiteral("Zentravio"), QStringLiteral("Zentravio"));
      }),
      m_settings(m_open())
{
    keepPrivate(false);
}

SettingsStore::SettingsStore(const QString& path)
    : m_open([path] { return std::make_unique<QSettings>(path, QSettings::IniFormat); }), m_settings(m_open())
{
    keepPrivate(false);
}

void SettingsStore::keepPrivate(bool create) const
{
    // The settings say when the user was last here and how the calendar looks: like the schedule, they
    // are the user's own. A file made empty and private first is replaced by one with the same mode on
    // every save; a file an earlier run left open to others is closed to them.
    const QString path = m_settings->fileName();
    if (!QFileInfo::exists(path)) {
        if (!create)
            return;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly, OwnerOnly))
            file.close();
        return;
    }
    const QFileDevice::Permissions mode = QFile::permissions(path);
    // A file others may write may have been changed by them: it stays as found, so that the account
    // read from it can say so instead of trusting it (see AccountSettings).
    if (mode & (QFileDevice::WriteGroup | QFileDevice::WriteOther))
        return;
    if ((mode & ~(OwnerOnly | QFileDevice::ReadUser | QFileDevice::WriteUser)) != 0)
        QFile::setPermissions(path, OwnerOnly);
}

SettingsStore::~SettingsStore() = default;

bool SettingsStore::SaveString(const QString& key, const QString& valueName, const QString& text)
{
    if (!m_unsaved.empty()) {
        // QSettings keeps reporting the first failed write for as long as it lives, so that every later
        // write would be called a failure too: after a failure each write goes through a fresh one,
        // carrying the values that have not reached the file yet.
        m_settings = m_open();
        for (const Unsaved& value : m_unsaved) {
            m_settings->beginGroup(value.key);
            m_settings->setValue(value.valueName, value.text);
            m_settings->endGroup();
        }
    }
    m_settings->beginGroup(key);
    m_settings->setValue(valueName, text);
    m_settings->endGroup();
    keepPrivate(true);
    m_settings->sync();
    keepPrivate(false);
    if (m_settings->status() == QSettings::NoError) {
        m_unsaved.clear();
        return true;
    }
    m_unsaved.push_back({key, valueName, text});
    return false;
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
