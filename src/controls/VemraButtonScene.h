#pragma once

#include "controls/ButtonColorSet.h"
#include "controls/ButtonLayout.h"
#include "controls/ButtonPicture.h"

#include <QFont>
#include <QImage>
#include <QSize>
#include <QString>

// Everything the button's drawing reads, gathered at the moment of painting: the properties, the
// derived colours and layout, and the focus, hover and default-button flags.
struct VemraButtonScene
{
    int buttonType = 2;
    bool enabled = true;
    bool hovered = false;
    bool focused = false;
    bool defaultButton = false;
    bool showFocusRect = true;
    int colorScheme = 1;
    int specialEffect = 0;
    int picturePosition = 0;
    bool useMaskColor = true;
    bool useGreyscale = false;
    bool softBevel = false;
    QString caption;
    QFont font;
    ButtonColorSet colors;
    ButtonLayout layout;
    ButtonRect focusRect;
    ButtonPicture pictureNormal;
    ButtonPicture pictureOver;
    QSize pictureSize;
    QImage background; // type 11: what lies beneath the button
    // The button's size in its own pixels; the surface may have more of its own (a scaled screen). An
    // invalid size is the surface's.
    QSize size;
};
