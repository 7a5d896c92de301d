#include "controls/ButtonLayout.h"

#include <QFont>
#include <QFontMetrics>

#include <algorithm>

int ButtonLayout::textFlags()
{
    return Qt::AlignTop | Qt::TextWordWrap | Qt::TextShowMnemonic;
}

QFont ButtonLayout::drawingFont(const QFont& font)
{
    QFont sharp = font;
    // Without smoothing every caption pixel is exactly the caption colour.
    sharp.setStyleStrategy(QFont::NoAntialias);
    // Unsmoothed letters placed at fractional widths land a pixel apart here and two there ("Form at");
    // fitted to the pixel grid, widths included, they stand evenly spaced whatever the desktop's hinting.
    sharp.setHintingPreference(QFont::PreferFullHinting);
    return sharp;
}

ButtonLayout ButtonLayout::compute(QSize size, const QString& caption, const QFont& font, int picturePosition,
                                   QSize pictureSize, bool hasPicture)
{
    const int w = size.width();
    const int h = size.height();
    const int pw = pictureSize.isEmpty() ? 0 : pictureSize.width();
    const int ph = pictureSize.isEmpty() ? 0 : pictureSize.height();

    // The caption gets the room the picture leaves on its side.
    ButtonRect start;
    switch (picturePosition) {
    case 0:
        start = {pw + 1, 1, w - 2, h - 2};
        break;
    case 1:
        start = {1, 1, w - pw - 2, h - 2};
        break;
    case 2:
        start = {1, ph + 1, w - 2, h - 2};
        break;
    case 3:
        start = {1, 1, w - 2, h - ph - 2};
        break;
    default:
        start = {1, 1, w - 2, h - 2};
        break;
    }

    // Measuring keeps the left and top edges and takes the wrapped text's extent for the others. It
    // measures the caption as it is drawn, without smoothing: smoothed glyphs are narrower, and a rect
    // measured with them would wrap the drawn caption's last word out of sight.
    const QRect room(start.left, start.top, std::max(start.width(), 0), std::max(start.height(), 0));
    const QRect measured =
        caption.isEmpty()
            ? QRect()
            : QFontMetrics(drawingFont(font)).boundingRect(room, textFlags() | Qt::AlignLeft, caption);
    ButtonRect cr{start.left, start.top, start.left + measured.width(), start.top + measured.height()};

    int dx = (w - cr.right) / 2;
    int dy = (h - cr.bottom) / 2;
    if (picturePosition == 1)
        dx = (w - cr.right - pw - 4) / 2;
    else if (picturePosition == 3)
        dy = (h - cr.bottom - ph - 4) / 2;
    cr = cr.moved(dx, dy);

    ButtonLayout layout;
    layout.caption = cr;
    layout.captionShifted = cr.moved(1, 1);
    if (!hasPicture)
        return layout;

    const bool onlySpaces = std::all_of(caption.begin(), caption.end(), [](QChar c) { return c == u' '; });
    if (onlySpaces || picturePosition == 4) {
        layout.picture = QPoint((w - pw) / 2, (h - ph) / 2);
        return layout;
    }
    switch (picturePosition) {
    case 0:
        layout.picture = QPoint(cr.left - pw - 4, (h - ph) / 2);
        break;
    case 1:
        layout.picture = QPoint(cr.right + 4, (h - ph) / 2);
        break;
    case 2:
        layout.picture = QPoint((w - pw) / 2, cr.top - ph - 2);
        break;
    case 3:
        layout.picture = QPoint((w - pw) / 2, cr.bottom + 2);
        break;
    default:
        break;
    }
    return layout;
}
