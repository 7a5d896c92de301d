#include "settings/StoredSettings.h"

#include "settings/ColourTheme.h"

#include <algorithm>
#include <cmath>

namespace StoredSettings {
namespace {

const QString PositionKey = QStringLiteral("Position");
const QString ColorsKey = QStringLiteral("Colors");
const QString FormatKey = QStringLiteral("Format");

// The farthest coordinate a stored place keeps, in pixels: far beyond every screen there is, yet far enough
// from the ends of the integers that a window's edges can be reckoned from it without overflowing.
constexpr int FarthestPixel = 1 << 24;

// Reads a coordinate in twips and gives it in pixels; keeps the fallback when the text is no number. A
// number beyond every screen stays beyond them (at the farthest coordinate kept), so that it is replaced
// by the first screen's corner instead of wrapping round to some place on a screen.
int pixelsFrom(const QString& twipsText, int fallback)
{
    bool ok = false;
    const float twips = twipsText.trimmed().toFloat(&ok);
    if (!ok || !std::isfinite(twips))
        return fallback;
    const double pixels = std::round(double(twips) / TwipsPerPixel);
    return int(std::clamp(pixels, double(-FarthestPixel), double(FarthestPixel)));
}

QString twipsText(int pixels)
{
    return QString::number(float(qint64(pixels) * TwipsPerPixel), 'g', 7);
}

// Whether every pixel of the window lies on one screen or another. The window is cut along every screen
// edge that crosses it, and each piece is looked up by its first pixel.
bool coveredBy(const QRect& window, const QList<QRect>& screens)
{
    QList<int> xs{window.left(), window.right() + 1};
    QList<int> ys{window.top(), window.bottom() + 1};
    for (const QRect& screen : screens) {
        const QRect part = screen.intersected(window);
        if (part.isEmpty())
            continue;
        xs << part.left() << part.right() + 1;
        ys << part.top() << part.bottom() + 1;
    }
    for (QList<int>* edges : {&xs, &ys}) {
        std::sort(edges->begin(), edges->end());
        edges->erase(std::unique(edges->begin(), edges->end()), edges->end());
    }
    for (qsizetype i = 0; i + 1 < xs.size(); ++i) {
        for (qsizetype j = 0; j + 1 < ys.size(); ++j) {
            const QPoint piece(xs[i], ys[j]);
            if (std::none_of(screens.begin(), screens.end(),
                             [&](const QRect& screen) { return screen.contains(piece); }))
                return false;
        }
    }
    return true;
}

} // namespace

QPoint withinReach(const QRect& window, const QList<QRect>& screens)
{
    if (screens.isEmpty())
        return window.topLeft();
    if (coveredBy(window, screens))
        return window.topLeft();

    const QRect* nearest = nullptr;
    qint64 largest = 0;
    for (const QRect& screen : screens) {
        const QRect overlap = screen.intersected(window);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > largest) {
            largest = area;
            nearest = &screen;
        }
    }
    if (!nearest)
        return screens.first().topLeft();
    // Right and bottom edges first, so that a window larger than the screen keeps its top-left on it.
    const int left = qMax(nearest->left(), qMin(window.left(), nearest->right() + 1 - window.width()));
    const int top = qMax(nearest->top(), qMin(window.top(), nearest->bottom() + 1 - window.height()));
    return QPoint(left, top);
}

Loaded GetFromRegistry(const SettingsStore& store, const QList<QRect>& screens, QSize window)
{
    Loaded loaded;
    const QPoint origin = screens.isEmpty() ? QPoint(0, 0) : screens.first().topLeft();
    const int top = pixelsFrom(store.GetString(PositionKey, QStringLiteral("X")), origin.y());
    const int left = pixelsFrom(store.GetString(PositionKey, QStringLiteral("Y")), origin.x());
    // A window wider or taller than any place is measured at the farthest size kept.
    const QSize size = window.isValid() ? window.boundedTo(QSize(FarthestPixel, FarthestPixel)) : QSize(1, 1);
    loaded.position = withinReach(QRect(QPoint(left, top), size), screens);

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

bool SaveSettings(SettingsStore& store, QPoint position, const QString& themeName,
                  const QString& dateFormatName)
{
    // Every value is tried, so that one that can be written is not lost for another that cannot.
    bool saved = store.SaveString(PositionKey, QStringLiteral("X"), twipsText(position.y()));
    saved = store.SaveString(PositionKey, QStringLiteral("Y"), twipsText(position.x())) && saved;
    saved = store.SaveString(ColorsKey, QStringLiteral("Theme"), themeName) && saved;
    saved = store.SaveString(FormatKey, QStringLiteral("FMat"), dateFormatName) && saved;
    return saved;
}

} // namespace StoredSettings
