#include "controls/PictureCompositor.h"

#include "controls/ButtonColor.h"

#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

int PictureCompositor::grey(int r, int g, int b)
{
    const double r3 = std::nearbyint(0.3 * r);
    return std::clamp(int(std::nearbyint(0.59 * g + r3 + 0.11 * b)), 0, 255);
}

void PictureCompositor::compositePixels(QImage& background, const QImage& picture, const Options& options)
{
    const int width = std::min(background.width(), picture.width());
    const int height = std::min(background.height(), picture.height());
    const int solidR = options.solid ? ButtonColor::red(*options.solid) : 0;
    const int solidG = options.solid ? ButtonColor::green(*options.solid) : 0;
    const int solidB = options.solid ? ButtonColor::blue(*options.solid) : 0;
    const quint32 key = options.key & 0xFFFFFFu;

    for (int y = 0; y < height; ++y) {
        // Rows of a 24-bit image are padded to whole 32-bit words, so each row is found afresh.
        uchar* out = background.scanLine(y);
        const uchar* in = picture.constScanLine(y);
        for (int x = 0; x < width; ++x, out += 3, in += 3) {
            const int pb = in[0];
            const int pg = in[1];
            const int pr = in[2];
            if (options.useKey && ButtonColor::rgb(pr, pg, pb) == key)
                continue;
            if (options.solid) {
                if (options.darkOnly && pr + pg + pb > 384)
                    continue;
                out[0] = uchar(solidB);
                out[1] = uchar(solidG);
                out[2] = uchar(solidR);
            } else if (options.grey) {
                const uchar v = uchar(grey(pr, pg, pb));
                out[0] = out[1] = out[2] = v;
            } else if (options.ghost) {
                out[0] = uchar((2 * pb + out[0]) / 3);
                out[1] = uchar((2 * pg + out[1]) / 3);
                out[2] = uchar((2 * pr + out[2]) / 3);
            } else {
                out[0] = uchar(pb);
                out[1] = uchar(pg);
                out[2] = uchar(pr);
            }
        }
    }
}

void PictureCompositor::composite(QImage& surface, int x, int y, int cw, int ch, const QImage& picture,
                                  const Options& options)
{
    if (cw <= 0 || ch <= 0 || picture.isNull())
        return;
    const qreal scale = surface.devicePixelRatio();
    if (scale != 1.0) {
        // A surface at a scale takes the picture at its own fineness; the nearest pixel keeps the mask
        // colour exact.
        const QRect scaled(int(std::floor(x * scale)), int(std::floor(y * scale)), int(std::ceil(cw * scale)),
                           int(std::ceil(ch * scale)));
        const QImage larger = picture.scaled(int(std::ceil(picture.width() * scale)),
                                             int(std::ceil(picture.height() * scale)), Qt::IgnoreAspectRatio,
                                             Qt::FastTransformation);
        QImage plain = surface;
        plain.setDevicePixelRatio(1.0);
        composite(plain, scaled.x(), scaled.y(), scaled.width(), scaled.height(), larger, options);
        plain.setDevicePixelRatio(scale);
        surface = plain;
        return;
    }
    const QRect area = QRect(x, y, cw, ch) & surface.rect();
    if (area.isEmpty())
        return;
    // Only the part of the rectangle that lies on the surface is read and written back.
    QImage background = surface.copy(area).convertToFormat(QImage::Format_BGR888);
    const QImage pixels = picture.copy(QRect(area.topLeft() - QPoint(x, y), area.size()) & picture.rect())
                              .convertToFormat(QImage::Format_BGR888);
    compositePixels(background, pixels, options);

    QPainter painter(&surface);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(area.topLeft(), background);
}
