#pragma once

#include "controls/ButtonCanvas.h"
#include "controls/ButtonColorSet.h"

class QImage;
struct VemraButtonScene;

// Draws a whole button onto its surface: the face, the frame and caption of its type in the up,
// pressed or disabled look, the pictures and the focus rectangle.
class VemraButtonRenderer
{
public:
    // The caption looks a button draws with; the last one is drawn again over a centred picture.
    enum CaptionStyle
    {
        NoCaption = -1,
        UpStyle = 0,
        HoveredStyle = 1,
        PressedStyle = 2,
        EngravedStyle = 3,
        FlatDisabledStyle = 4,
        GradientDisabledStyle = 5,
        GlassDisabledStyle = 6,
        GlassPressedStyle = 7,
        FlatPressedStyle = 8, // type 5 pressed: the caption in the hover colour, not shifted
    };

    VemraButtonRenderer(QImage& surface, const VemraButtonScene& scene);

    void paint(bool down);
    CaptionStyle captionStyle() const { return m_style; }

private:
    void drawUp();
    void drawPressed();
    void drawDisabled();
    void drawType3Edges();
    void drawType4Edge();
    void drawCaption(CaptionStyle style);
    void drawRelief(const ButtonRect& rect, bool up);
    void drawCaptionFrame();
    void drawFocus();
    void text(const ButtonRect& rect, quint32 color);
    quint32 offset(quint32 c, int n, bool proportional = false) const;

    const VemraButtonScene& m_scene;
    QImage& m_surface;
    ButtonCanvas m_canvas;
    ButtonColorSet m_colors;
    int m_w;
    int m_h;
    bool m_boldCaption = false;
    bool m_styleBold = false;
    CaptionStyle m_style = NoCaption;
};
