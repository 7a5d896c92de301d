#include "settings/LoginStart.h"

#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>

namespace {

const QString StartupKey = QStringLiteral("Startup");
const QString OfferedValue = QStringLiteral("LoginOffered");

// A path in an Exec line is quoted when it holds anything but plain characters.
QString execArgument(const QString& path)
{
    const bool plain = std::all_of(path.begin(), path.end(), [](QChar c) {
        return c.isLetterOrNumber() || c == u'/' || c == u'.' || c == u'-' || c == u'_';
    });
    if (plain)
        return path;
    QString quoted = path;
    quoted.replace(QLatin1String("\\"), QLatin1String("\\\\\\\\"))
        .replace(QLatin1String("\""), QLatin1String("\\\\\""))
        .replace(QLatin1String("`"), QLatin1String("\\\\`"))
        .replace(QLatin1String("$"), QLatin1String("\\\\$"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

// A path as a desktop entry's plain string value: only the escapes such values know.
QString stringValue(const QString& path)
{
    QString value = path;
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
    return value;
}

} // namespace

LoginStart::LoginStart(SettingsStore& settings, QString configFolder)
    : m_settings(settings), m_configFolder(std::move(configFolder))
{}

QString LoginStart::standardConfigFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString LoginStart::entryPath() const
{
    return QDir(m_configFolder).filePath(QStringLiteral("autostart/zentravio.desktop"));
}

bool LoginStart::isOn() const
{
    return QFile::exists(entryPath());
}

QString LoginStart::entryText(const QString& programPath)
{
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Zentravio\n"
                          "Comment=Calendar with alarms, started hidden in the notification area\n"
                          "Exec=%1 --minimized\n"
                          // Once the program is removed, the entry does nothing.
                          "TryExec=%2\n"
                          "Icon=zentravio\n"
                          "Terminal=false\n"
                          "X-GNOME-Autostart-enabled=true\n")
        .arg(execArgument(programPath), stringValue(programPath));
}

bool LoginStart::setOn(bool on)
{
    m_error.clear();
    const QString path = entryPath();
    if (!on) {
        if (!QFile::exists(path) || QFile::remove(path))
            return true;
        m_error = QCoreApplication::translate("LoginStart", "The login start entry %1 could not be removed.")
                      .arg(QDir::toNativeSeparators(path));
        return false;
    }
    QSaveFile file(path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) ||
        !file.open(QIODevice::WriteOnly | QIODevice::Text) ||
        file.write(entryText(QCoreApplication::applicationFilePath()).toUtf8()) < 0 || !file.commit()) {
        m_error = QCoreApplication::translate("LoginStart", "The login start entry %1 could not be written.")
                      .arg(QDir::toNativeSeparators(path));
        return false;
    }
    return true;
}

bool LoginStart::offerOnFirstStart()
{
    if (!m_settings.GetString(StartupKey, OfferedValue).isEmpty())
        return true;
    const bool written = setOn(true);
    m_settings.SaveString(StartupKey, OfferedValue, QStringLiteral("yes"));
    m_turnedOnByFirstStart = written;
    return written;
}
