// The settings reader over a settings file of any bytes: the file is the user's to edit, and a window
// placed from it must still be reachable.

#include "FuzzRequire.h"
#include "settings/SettingsStore.h"
#include "settings/StoredSettings.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

const QList<QRect> Screens{QRect(0, 0, 1280, 1024), QRect(1280, -200, 1920, 1080)};

// Where a stored coordinate in twips puts the window, in pixels, worked out in doubles; empty when the
// text is no number.
std::optional<double> storedPixels(const QString& twips)
{
    bool ok = false;
    const double value = twips.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value / StoredSettings::TwipsPerPixel;
}

// A coordinate the reader gave is either the origin's (when the stored place was on no screen or no
// number) or where the stored value puts it.
void requireFrom(int given, int origin, const std::optional<double>& stored)
{
    if (given == origin)
        return;
    require(stored.has_value());
    require(std::fabs(*stored - given) <= 1.0 + std::fabs(*stored) * 1e-6);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication application(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static QTemporaryDir folder;
    static int serial = 0;
    // A fresh name each time, so that no settings cache can answer from an earlier file.
    const QString path = folder.filePath(QStringLiteral("Zentravio-%1.conf").arg(++serial));
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    {
        const SettingsStore store(path);
        const StoredSettings::Loaded loaded = StoredSettings::GetFromRegistry(store, Screens);

        bool reachable = false;
        for (const QRect& screen : Screens)
            reachable = reachable || screen.contains(loaded.position);
        require(reachable);
        // "X" holds the top and "Y" the left.
        requireFrom(loaded.position.y(), 0, storedPixels(store.GetString("Position", "X")));
        requireFrom(loaded.position.x(), 0, storedPixels(store.GetString("Position", "Y")));

        require(!loaded.dateFormatName.isEmpty());
        require((loaded.theme == StoredSettings::ThemeChoice::Dark) == (loaded.themeName == "DARK"));
    }
    QFile::remove(path);
    return 0;
}
