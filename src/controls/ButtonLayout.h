#pragma once

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

// A pixel rectangle given by its edges, right and bottom exclusive, as the layout rules state them.
struct ButtonRect
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    ButtonRect moved(int dx, int dy) const { return {left + dx, top + dy, right + dx, bottom + dy}; }
    ButtonRect shrunk(int by) const { return {left + by, top + by, right - by, bottom - by}; }
    QRect toQRect() const { return QRect(QPoint(left, top), QSize(width(), height())); }
    bool operator==(const ButtonRect&) const = default;
};

// Where the caption and the picture go on a button: the caption rectangle (CR), the same moved one
// pixel right and down for the pressed look, and the picture's top-left corner.
struct ButtonLayout
{
    ButtonRect caption;
    ButtonRect captionShifted;
    QPoint picture;

    // size: the button; pictureSize: the normal picture (empty when none); hasPicture: either picture set.
    static ButtonLayout compute(QSize size, const QString& caption, const QFont& font, int picturePosition,
                                QSize pictureSize, bool hasPicture);

    // The drawing flags the caption is measured and drawn with.
    static int textFlags();
    // The caption font as it is drawn: unsmoothed.
    static QFont drawingFont(const QFont& font);
};
