#pragma once

#include <QtGlobal>

#include <optional>

class QImage;

// Lays a picture over what a button has already drawn, one pixel at a time, on 24-bit pixel images:
// mask-coloured pixels stay transparent, and the rest are drawn as they are, as a solid silhouette,
// in grey or as a two-thirds ghost over the background.
class PictureCompositor
{
public:
    struct Options
    {
        quint32 key = 0xC0C0C0;       // the transparent colour
        bool useKey = true;           // whether key-coloured pixels are transparent at all
        std::optional<quint32> solid; // draw every opaque pixel in this colour
        bool darkOnly = false;        // with solid: only pixels whose components sum to 384 or less
        bool grey = false;
        bool ghost = false;
    };

    // Composites the picture's top-left cw x ch pixels onto the surface at (x, y). Parts of the
    // rectangle outside the picture or the surface are left alone.
    static void composite(QImage& surface, int x, int y, int cw, int ch, const QImage& picture,
                          const Options& options);

    // The per-pixel rule on two 24-bit images (BGR888): background is changed in place, picture is
    // read over the part both images cover.
    static void compositePixels(QImage& background, const QImage& picture, const Options& options);

    // The grey value of a pixel: 0.59 G + round(0.3 R) + 0.11 B, rounded, halves to even.
    static int grey(int r, int g, int b);
};
