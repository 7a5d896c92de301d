#include "controls/ButtonRegion.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

std::optional<std::pair<int, int>> ButtonRegion::ellipseRow(int y, int width, int height, int inset)
{
    const double rx = width / 2.0 - inset;
    const double ry = height / 2.0 - inset;
    if (rx <= 0 || ry <= 0)
        return std::nullopt;
    const double cx = width / 2.0;
    const double d = (y + 0.5 - height / 2.0) / ry;
    if (d < -1 || d > 1)
        return std::nullopt;
    const double half = rx * std::sqrt(1 - d * d);
    const int first = std::max(0, int(std::ceil(cx - half - 0.5)));
    const int last = std::min(width - 1, int(std::floor(cx + half - 0.5)));
    if (first > last)
        return std::nullopt;
    return std::make_pair(first, last);
}

QRegion ButtonRegion::build(int buttonType, int width, int height)
{
    if (width <= 0 || height <= 0)
        return QRegion();
    const int w = width;
    const int h = height;
    if (buttonType == 13) {
        QRegion ellipse;
        for (int y = 0; y < h; ++y) {
            if (const auto row = ellipseRow(y, w, h, 0))
                ellipse += QRect(row->first, y, row->second - row->first + 1, 1);
        }
        return ellipse;
    }

    QRegion region(0, 0, w, h);
    const auto cut = [&region](std::initializer_list<QPoint> pixels) {
        for (const QPoint& p : pixels)
            region -= QRect(p, QSize(1, 1));
    };
    switch (buttonType) {
    case 1:
    case 14:
        cut({{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}});
        break;
    case 5:
        cut({{0, h - 1}, {w - 1, 0}});
        break;
    case 3:
    case 4:
        cut({{0, 0}, {1, 0}, {0, 1}});
        cut({{w - 2, 0}, {w - 1, 0}, {w - 1, 1}});
        cut({{0, h - 1}, {1, h - 1}, {0, h - 2}});
        cut({{w - 2, h - 1}, {w - 1, h - 1}, {w - 1, h - 2}});
        break;
    default:
        break;
    }
    return region;
}
