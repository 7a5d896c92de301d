#pragma once

#include "controls/PictureCompositor.h"

class ButtonPicture;
class QImage;
struct VemraButtonScene;

// Draws a button's pictures for its state: the hover picture while hovered, relief silhouettes,
// greyed or ghosted pictures while up, and embossed silhouettes while disabled.
class VemraButtonPictures
{
public:
    enum State
    {
        Up,
        Pressed,
        Disabled
    };

    VemraButtonPictures(QImage& surface, const VemraButtonScene& scene);

    void draw(State state);

private:
    void drawRelief(const ButtonPicture& picture, int shift);
    void drawPicture(const ButtonPicture& picture, int x, int y, PictureCompositor::Options options);
    PictureCompositor::Options plain() const;
    PictureCompositor::Options solid(quint32 color, bool darkOnly) const;
    quint32 offset(quint32 c, int n) const;

    QImage& m_surface;
    const VemraButtonScene& m_scene;
    int m_x;
    int m_y;
};
