#include "controls/ButtonColor.h"

#include <QPalette>

#include <algorithm>

namespace {

// Which palette colour stands in for each system colour index of the host.
QColor systemColor(quint32 index, const QPalette& palette)
{
    const auto active = [&palette](QPalette::ColorRole role) {
        return palette.color(QPalette::Active, role);
    };
    switch (index) {
    case 0:  // scroll bar
    case 4:  // menu bar
    case 10: // active border
    case 11: // inactive border
        return active(QPalette::Window);
    case 1:  // desktop
    case 12: // application workspace
        return active(QPalette::Dark);
    case 2: // active title bar
        return active(QPalette::Highlight);
    case 3: // inactive title bar
        return palette.color(QPalette::Inactive, QPalette::Highlight);
    case 5: // window background
        return active(QPalette::Base);
    case 6: // window frame
        return active(QPalette::Shadow);
    case 7: // menu text
        return active(QPalette::WindowText);
    case 8: // window text
        return active(QPalette::Text);
    case 9:  // title bar text
    case 14: // highlight text
        return active(QPalette::HighlightedText);
    case 13: // highlight
        return active(QPalette::Highlight);
    case 15: // button face
        return active(QPalette::Button);
    case 16: // button shadow
        return active(QPalette::Dark);
    case 17: // grey text
        return palette.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return active(QPalette::ButtonText);
    case 19: // inactive title bar text
        return palette.color(QPalette::Inactive, QPalette::HighlightedText);
    case 20: // button highlight
        return active(QPalette::Light);
    case 21: // 3-D dark shadow
        return active(QPalette::Shadow);
    case 22: // 3-D light
        return active(QPalette::Midlight);
    case 23: // tool-tip text
        return active(QPalette::ToolTipText);
    case 24: // tool-tip background
        return active(QPalette::ToolTipBase);
    case 26: // hot-tracked item
        return active(QPalette::Link);
    default: // the remaining indices are title-bar gradients and menu highlights
        return active(QPalette::Highlight);
    }
}

} // namespace

quint32 ButtonColor::translate(quint32 c, const QPalette& palette)
{
    if (!isSystem(c))
        return c & 0xFFFFFFu;
    return fromQColor(systemColor(c & 0xFFu, palette));
}

quint32 ButtonColor::offset(quint32 c, int n, bool proportional, bool softBevel)
{
    if (softBevel)
        n /= 2;
    int r = red(c) + n;
    int g = green(c) + n;
    int b = proportional ? blue(c) + blue(c) * n / 192 : blue(c) + n;
    if (n > 0) {
        r = std::min(r, 255);
        g = std::min(g, 255);
        b = std::min(b, 255);
    } else if (n < 0) {
        r = std::max(r, 0);
        g = std::max(g, 0);
        b = std::max(b, 0);
    }
    return rgb(r, g, b);
}

quint32 ButtonColor::blend(quint32 c, int n)
{
    const auto mix = [n](int v) { return std::min(n + v * (255 - n) / 255, 255); };
    return rgb(mix(red(c)), mix(green(c)), mix(blue(c)));
}
