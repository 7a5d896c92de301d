#include "settings/StoredSettings.h"

#include "settings/ColourTheme.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace StoredSettings {
namespace {

const QString PositionKey = QStringLiteral("Position");
const QString ColorsKey = QStringLiteral("Colors");
const QString FormatKey = QStringLiteral("Format");

// Reads a coordinate in twips and gives it in pixels; keeps the fallback when the text is no number. A
// number beyond every screen stays beyond them (at the largest coordinate there is), so that it is
// replaced by the first screen's corner instead of wrapping round to some place on a screen.
int pixelsFrom(const QString& twipsText, int fallback)
{
    bool ok = false;
    const float twips = twipsText.trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(twips))
        return fallback;
    const double pixels = std::round(double(twips) / TwipsPerPixel);
    return int(
        std::clamp(pixels, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

QString twipsText(int pixels)
{
    return QString::number(float(pixels * TwipsPerPixel), 'g', 7);
}

} // namespace

Loaded GetFromRegistry(const SettingsStore& store, const QList<QRect>& screens)
{
    Loaded loaded;
    const QPoint origin = screens.isEmpty() ? QPoint(0, 0) : screens.first().topLeft();
    const int top = pixelsFrom(store.GetString(PositionKey, QStringLiteral("X")), origin.y());
    const int left = pixelsFrom(store.GetString(PositionKey, QStringLiteral("Y")), origin.x());
    loaded.position = QPoint(left, top);
    bool visible = screens.isEmpty();
    for (const QRect& screen : screens)
        visible = visible || screen.contains(loaded.position);
    if (!visible)
        loaded.position = origin;

    loaded.themeName = store.GetString(ColorsKey, QStringLiteral("Theme"));
    if (loaded.themeName == ColourTheme::DarkName)
        loaded.theme = ThemeChoice::Dark;
    else if (loaded.themeName == ColourTheme::LightName || loaded.themeName.isEmpty())
        loaded.theme = ThemeChoice::Light;
    else
        loaded.theme = ThemeChoice::None;

    loaded.dateFormatName = store.GetString(FormatKey, QStringLiteral("FMat"));
    if (loaded.dateFormatName.isEmpty())
        loaded.dateFormatName = QStringLiteral("Long Date");
    return loaded;
}

void SaveSettings(SettingsStore& store, QPoint position, const QString& themeName,
                  const QString& dateFormatName)
{
    store.SaveString(PositionKey, QStringLiteral("X"), twipsText(position.y()));
    store.SaveString(PositionKey, QStringLiteral("Y"), twipsText(position.x()));
    store.SaveString(ColorsKey, QStringLiteral("Theme"), themeName);
    store.SaveString(FormatKey, QStringLiteral("FMat"), dateFormatName);
}

} // namespace StoredSettings
