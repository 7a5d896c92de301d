#pragma once

#include "controls/ButtonColor.h"
#include "controls/ButtonColorSet.h"
#include "controls/ButtonLayout.h"
#include "controls/ButtonPicture.h"

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

class QPainter;
class PropertyBag;
struct VemraButtonScene;

// The drawing styles of the button, by the numbers it stores them under.
enum class ButtonType : int
{
    FaceOnly = 0,      // face and picture only, no caption, no frame
    DoubleBevel = 1,   // double bevel inside a dark outline, corner pixels cut
    Classic = 2,       // classic push button
    Gradient = 3,      // gradient face with rounded corners and coloured edge lines
    LightFace = 4,     // light face with rounded corners
    FlatOutline = 5,   // flat face with a thin outline
    SoftBevel = 6,     // soft double bevel
    ThinEdge = 7,      // thin raised edge always, sunken when pressed
    RaisedOnHover = 8, // flat; thin raised edge only while hovered
    TintedTile = 9,    // flat; a tinted tile while hovered
    FaceOnlyToo = 10,  // as FaceOnly
    OverBackground = 11,
    BevelOnHover = 12, // flat; double bevel only while hovered
    Ellipse = 13,
    HighlightGradient = 14
};

// Where the picture sits against the caption.
enum class PicturePosition : int
{
    LeftOfCaption = 0,
    RightOfCaption = 1,
    AboveCaption = 2,
    BelowCaption = 3,
    BehindCaption = 4
};

// The program's own push button. It draws every pixel itself (face, bevels, caption, pictures),
// shapes its window region by type, follows the pointer's enter and leave events for its hover look,
// can act as a two-state toggle and saves its settings into a keyed property store.
//
// Colours are 0x00BBGGRR values (255 is red); a value with the top bit set names a system colour
// (see ButtonColor::System), which the button takes from its palette.
class VemraButton : public QWidget
{
    Q_OBJECT

public:
    enum PaintState
    {
        Up,
        Down
    };

    explicit VemraButton(QWidget* parent = nullptr);
    explicit VemraButton(const QString& caption, QWidget* parent = nullptr);
    ~VemraButton() override;

    quint32 backColor() const { return m_backColor; }
    void setBackColor(quint32 color);
    quint32 backOver() const { return m_backOver; }
    void setBackOver(quint32 color);
    quint32 foreColor() const { return m_foreColor; }
    void setForeColor(quint32 color);
    quint32 foreOver() const { return m_foreOver; }
    void setForeOver(quint32 color);
    quint32 maskColor() const { return m_maskColor; }
    void setMaskColor(quint32 color);

    // 0-14; the drawing style, which also decides the window region.
    int buttonType() const { return m_buttonType; }
    void setButtonType(int type);
    void setButtonType(ButtonType type) { setButtonType(int(type)); }

    // "&" marks the access key (Alt+key clicks the button); "&&" shows one ampersand.
    QString caption() const { return m_caption; }
    void setCaption(const QString& caption);

    // The Enabled property: also enables or disables the widget. The drawing follows this value.
    bool enabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // The caption font is the widget's own font.
    void setFont(const QFont& font);
    bool fontBold() const { return font().bold(); }
    void setFontBold(bool bold);
    bool fontItalic() const { return font().italic(); }
    void setFontItalic(bool italic);
    bool fontUnderline() const { return font().underline(); }
    void setFontUnderline(bool underline);
    short fontSize() const; // in points, rounded
    void setFontSize(short points);
    QString fontName() const { return font().family(); }
    void setFontName(const QString& name);

    // 0, 1 system colours; 2 the button's own colours; 3 a fixed grey palette; 4 the parent's colours.
    int colorScheme() const { return m_colorScheme; }
    void setColorScheme(int scheme);

    bool showFocusRect() const { return m_showFocusRect; }
    void setShowFocusRect(bool show);

    // 0 default, 1 arrow, 2 cross, 3 I-beam, 5/15 size all, 6-9 sizes, 10 up arrow, 11 hourglass,
    // 12 no drop, 13 busy arrow, 14 what's this, 99 the custom MouseIcon.
    short mousePointer() const { return m_mousePointer; }
    void setMousePointer(short pointer);
    ButtonPicture mouseIcon() const { return m_mouseIcon; }
    void setMouseIcon(const ButtonPicture& icon);
    bool handPointer() const { return m_handPointer; }
    void setHandPointer(bool hand);

    // The button's native window handle (shared with its top-level window under Qt).
    quintptr hwnd() const;

    // Halves every colour offset used for bevels, for paler edges.
    bool softBevel() const { return m_softBevel; }
    void setSoftBevel(bool soft);

    // The normal picture's size drives the layout; the hover picture is drawn at the same size.
    ButtonPicture pictureNormal() const { return m_pictureNormal; }
    void setPictureNormal(const ButtonPicture& picture);
    ButtonPicture pictureOver() const { return m_pictureOver; }
    void setPictureOver(const ButtonPicture& picture);
    // 0 left of, 1 right of, 2 above, 3 below the caption, 4 centred behind it.
    int picturePosition() const { return m_picturePosition; }
    void setPicturePosition(int position);
    void setPicturePosition(PicturePosition position) { setPicturePosition(int(position)); }
    bool useMaskColor() const { return m_useMaskColor; }
    void setUseMaskColor(bool use);
    bool useGreyscale() const { return m_useGreyscale; }
    void setUseGreyscale(bool use);

    // Caption and picture relief: 0 none, 1 raised, 2 sunken, 3 shadow.
    int specialEffect() const { return m_specialEffect; }
    void setSpecialEffect(int effect);

    // Toggle mode: each click inverts Value, and the button stays drawn down while Value is true.
    bool checkBoxBehaviour() const { return m_checkBoxBehaviour; }
    void setCheckBoxBehaviour(bool on);
    bool value() const { return m_value; }
    void setValue(bool value);

    static QString version() { return QStringLiteral("2.0.6"); }

    // What the host tells the button about itself: the default button of its window (types 2, 3
    // and 14 look different then), and design time (setting colours copies them to the hover ones).
    bool isDefaultButton() const { return m_defaultButton; }
    void setDefaultButton(bool isDefault);
    bool designMode() const { return m_designMode; }
    void setDesignMode(bool design);

    // The keyed property store: every key written in a fixed order, read back with defaults.
    // Reading does not paint.
    void writeProperties(PropertyBag& bag) const;
    void readProperties(const PropertyBag& bag);

    // The access key taken from the caption, in lower case; null when there is none.
    QChar accessKey() const { return m_accessKey; }
    // Whether the pointer is over the button as far as the hover tracking knows.
    bool pointerOver() const { return m_pointerOver; }
    // How soon after the pointer's last move over the button OverTimer looks once more whether it is
    // still there; a resting pointer then costs nothing until it moves again.
    static constexpr int SettleCheckInterval = 50;
    // How many times the button drew itself; lets a window or a test see whether a change painted.
    int paintCount() const { return m_paintCount; }
    // What the button drew last, at its pixel size.
    const QImage& surface() const { return m_surface; }

    QSize sizeHint() const override;

public slots:
    // Stops all painting until Refresh, so that many properties can change with one paint.
    void DisableRefresh();
    void Refresh();
    // Looks whether the pointer is still over a hovered button and raises MouseOut if it is not. Leave
    // events, hiding and disabling end the hover at once; OverTimer runs this once after the pointer
    // settles, for a leave the window system never reported.
    void OverTimer_Timer();

    // Clicks the button as a left click would (its access key and assistive tools do this); nothing
    // happens while it is disabled.
    void press();

signals:
    void Click();
    // Mouse button 1 left, 2 right, 4 middle; shift state 1 Shift, 2 Ctrl, 4 Alt; x and y in
    // pixels. The arguments are references: the button acts on the values a handler leaves.
    void MouseDown(short& button, short& shift, float& x, float& y);
    void MouseMove(short& button, short& shift, float& x, float& y);
    void MouseUp(short& button, short& shift, float& x, float& y);
    void KeyPress(short& keyAscii);
    // Key codes are the host's virtual-key numbers (32 space, 37-40 arrows, 65-90 letters).
    void KeyDown(short& keyCode, short& shift);
    void KeyUp(short& keyCode, short& shift);
    void MouseOver();
    void MouseOut();
    // The host's change notification, with the property's store key ("BCOL", "TX", ...).
    void PropertyChanged(const QString& key);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void drawOnScreenPixels(QPainter& painter) const;
    void initialise(const QString& caption);
    void requestPaint(PaintState state, bool force);
    void repaintLastState() { requestPaint(m_lastState, true); }
    ButtonColorSet deriveColors(quint32 backColor) const;
    void recolour();
    void relayout();
    void measurePicture();
    void applyAccessKey();
    void applyMousePointer();
    void applySize();
    void handleResize();
    void captureBackground();
    void changeFontAttribute(const std::function<void(QFont&)>& change);
    void pressHandling(short button, short shift, float x, float y);
    void clickHandling();
    bool isPointerOver(QPoint global) const;
    void endHover();
    VemraButtonScene scene() const;

    quint32 m_backColor = 0;
    quint32 m_backOver = 0;
    quint32 m_foreColor = 0;
    quint32 m_foreOver = 0;
    quint32 m_maskColor = 0xC0C0C0;
    int m_buttonType = 2;
    QString m_caption;
    bool m_enabled = true;
    int m_colorScheme = 1;
    bool m_showFocusRect = true;
    short m_mousePointer = 0;
    ButtonPicture m_mouseIcon;
    bool m_handPointer = false;
    bool m_softBevel = false;
    ButtonPicture m_pictureNormal;
    ButtonPicture m_pictureOver;
    int m_picturePosition = 0;
    bool m_useMaskColor = true;
    bool m_useGreyscale = false;
    int m_specialEffect = 0;
    bool m_checkBoxBehaviour = false;
    bool m_value = false;
    bool m_defaultButton = false;
    bool m_designMode = false;

    int m_width = 0;
    int m_height = 0;
    ButtonRect m_focusRect;
    ButtonLayout m_layout;
    QSize m_pictureSize;
    ButtonColorSet m_colors;
    QImage m_background; // what lies beneath a type-11 button
    QImage m_surface;

    short m_lastMouseButton = 0;
    short m_lastKeyCode = 0;
    bool m_hasFocus = false;
    bool m_pointerOver = false;
    bool m_hovering = false; // between MouseOver and MouseOut
    bool m_paintingAllowed = true;
    bool m_resizeGuard = false;
    bool m_readingProperties = false;
    bool m_settingFont = false;
    PaintState m_lastState = Up;
    QString m_lastCaption;
    int m_paintCount = 0;

    QChar m_accessKey;
    int m_shortcutId = 0;
    QTimer m_overTimer;
};
