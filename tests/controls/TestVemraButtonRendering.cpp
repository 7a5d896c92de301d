#include "ButtonTestHost.h"
#include "controls/ButtonCanvas.h"
#include "controls/ButtonColor.h"
#include "controls/ButtonLayout.h"
#include "controls/VemraButton.h"
#include "forms/DesignUnits.h"

#include <QImage>
#include <QPalette>
#include <QSignalSpy>
#include <QTest>

#include <cmath>

// Every expected colour below is worked out from the drawing rules: the fixed grey palette of
// colour scheme 3 (face C0, light DF, highlight FF, shadow 80, dark shadow 00), or a custom face
// colour run through ButtonColor::offset, which TestButtonColor checks against hand-worked numbers.
namespace {

constexpr quint32 Face3 = 0xC0C0C0;
constexpr quint32 Light3 = 0xDFDFDF;
constexpr quint32 Highlight3 = 0xFFFFFF;
constexpr quint32 Shadow3 = 0x808080;
constexpr quint32 Dark3 = 0x000000;

quint32 off(quint32 c, int n, bool proportional = false)
{
    return ButtonColor::offset(c, n, proportional);
}

// The gradient's shift for row i of h: -k * i / h rounded, halves to even.
int gradientStep(int k, int i, int h)
{
    return int(std::nearbyint(-float(k) / float(h) * float(i)));
}

QImage shot(const ButtonTestHost& host)
{
    return host.button->grab().toImage();
}

#define COMPARE_PIXEL(image, x, y, color) QCOMPARE(QColor((image).pixel(x, y)), QColor(rgbOf(color)))

} // namespace

class TestVemraButtonRendering : public QObject
{
    Q_OBJECT

private slots:
    void classicButtonUpPressedDisabled();
    void classicDefaultButtonShowsOutlineAndFocus();
    void doubleBevelTypeAndCutCorners();
    void softBevelPalesTheBevel();
    void gradientTypeUp();
    void gradientTypePressed();
    void gradientTypeEdgeSets();
    void gradientTypeDisabled();
    void lightTypeEdges();
    void flatTypeFiveAndItsRegion();
    void glassTypeGradientAndBands();
    void ellipseTypeRegionAndLook();
    void ellipseClicksOnlyInside();
    void accentTypeHoverUsesTheSelectionColour();
    void customHoverColourRecoloursEverything();
    void flatTypesShowEdgesOnlyWhileHovered();
    void backgroundTypeDrawsWhatLiesBeneath();
    void captionColoursAndAccessKeyUnderline();
    void reliefEffectsAroundTheCaption();
    void focusRectangleFollowsTheType();
    void captionThatFitsIsDrawnOnOneLine();
    void aScaledSurfaceIsCoveredWithEdgesAsThickOnEitherSide_data();
    void aScaledSurfaceIsCoveredWithEdgesAsThickOnEitherSide();
};

void TestVemraButtonRendering::classicButtonUpPressedDisabled()
{
    ButtonTestHost host(2, 3);
    QImage up = shot(host);
    COMPARE_PIXEL(up, 0, 0, Highlight3);
    COMPARE_PIXEL(up, 50, 0, Highlight3);
    COMPARE_PIXEL(up, 0, 15, Highlight3);
    COMPARE_PIXEL(up, 99, 0, Dark3); // the right column takes the top-right corner
    COMPARE_PIXEL(up, 0, 29, Dark3); // the bottom row runs the full width
    COMPARE_PIXEL(up, 99, 29, Dark3);
    COMPARE_PIXEL(up, 1, 1, Light3);
    COMPARE_PIXEL(up, 98, 1, Shadow3);
    COMPARE_PIXEL(up, 1, 28, Shadow3);
    COMPARE_PIXEL(up, 2, 2, Face3);

    QTest::mousePress(host.button, Qt::LeftButton);
    QImage down = shot(host);
    COMPARE_PIXEL(down, 0, 0, Dark3);
    COMPARE_PIXEL(down, 99, 29, Highlight3);
    COMPARE_PIXEL(down, 1, 1, Shadow3);
    COMPARE_PIXEL(down, 98, 28, Light3);
    QTest::mouseRelease(host.button, Qt::LeftButton);

    // Disabled, the bevel is the up one and no focus rectangle shows even with the focus.
    host.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window.get()));
    host.button->setFocus();
    host.button->setDefaultButton(true);
    host.button->setEnabled(false);
    QImage disabled = shot(host);
    COMPARE_PIXEL(disabled, 0, 0, Highlight3);
    COMPARE_PIXEL(disabled, 99, 29, Dark3);
    COMPARE_PIXEL(disabled, 4, 4, Face3);
}

void TestVemraButtonRendering::classicDefaultButtonShowsOutlineAndFocus()
{
    ButtonTestHost host(2, 3);
    host.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window.get()));
    host.button->setFocus();
    QTRY_VERIFY(host.button->hasFocus());
    // Focused but not the default button: plain bevel, no focus rectangle.
    COMPARE_PIXEL(shot(host), 4, 4, Face3);

    host.button->setDefaultButton(true);
    QImage up = shot(host);
    COMPARE_PIXEL(up, 0, 0, Dark3);
    COMPARE_PIXEL(up, 50, 0, Dark3);
    COMPARE_PIXEL(up, 1, 1, Highlight3);
    COMPARE_PIXEL(up, 98, 28, Dark3);
    COMPARE_PIXEL(up, 2, 2, Light3);
    COMPARE_PIXEL(up, 97, 27, Shadow3);
    COMPARE_PIXEL(up, 4, 4, Face3 ^ 0xFFFFFF);

    QTest::mousePress(host.button, Qt::LeftButton);
    QImage down = shot(host);
    COMPARE_PIXEL(down, 0, 0, Dark3);
    COMPARE_PIXEL(down, 1, 1, Shadow3);
    COMPARE_PIXEL(down, 98, 28, Shadow3);
    COMPARE_PIXEL(down, 2, 2, Face3);
    COMPARE_PIXEL(down, 4, 4, Face3 ^ 0xFFFFFF);
    QTest::mouseRelease(host.button, Qt::LeftButton);
}

void TestVemraButtonRendering::doubleBevelTypeAndCutCorners()
{
    ButtonTestHost host(1, 2);
    const quint32 face = 0x996633;
    host.button->setBackColor(face);
    QImage up = shot(host);
    COMPARE_PIXEL(up, 50, 0, off(face, -192));
    COMPARE_PIXEL(up, 0, 15, off(face, -192));
    COMPARE_PIXEL(up, 1, 1, off(face, 47));
    COMPARE_PIXEL(up, 98, 28, off(face, -64));
    COMPARE_PIXEL(up, 2, 2, off(face, 47));
    COMPARE_PIXEL(up, 97, 27, off(face, -64));
    COMPARE_PIXEL(up, 50, 15, face);

    const QRegion mask = host.button->mask();
    for (const QPoint corner : {QPoint(0, 0), QPoint(99, 0), QPoint(0, 29), QPoint(99, 29)})
        QVERIFY2(!mask.contains(corner), qPrintable(QStringLiteral("%1,%2").arg(corner.x()).arg(corner.y())));
    QVERIFY(mask.contains(QPoint(1, 0)));
    QVERIFY(mask.contains(QPoint(0, 1)));

    QTest::mousePress(host.button, Qt::LeftButton);
    QImage down = shot(host);
    COMPARE_PIXEL(down, 1, 1, off(face, -64));
    COMPARE_PIXEL(down, 98, 28, off(face, 47));
    QTest::mouseRelease(host.button, Qt::LeftButton);
}

void TestVemraButtonRendering::softBevelPalesTheBevel()
{
    ButtonTestHost host(1, 2);
    const quint32 face = 0x996633;
    host.button->setBackColor(face);
    host.button->setSoftBevel(true);
    QImage up = shot(host);
    COMPARE_PIXEL(up, 50, 0, off(face, -96));
    COMPARE_PIXEL(up, 1, 1, off(face, 23));
    COMPARE_PIXEL(up, 98, 28, off(face, -32));
}

void TestVemraButtonRendering::gradientTypeUp()
{
    ButtonTestHost host(3, 2);
    const quint32 face = 0x996633;
    host.button->setBackColor(face);
    const quint32 tint = off(face, 48, true);
    QImage up = shot(host);
    COMPARE_PIXEL(up, 50, 0, 0x733C00);
    COMPARE_PIXEL(up, 0, 15, 0x733C00);
    COMPARE_PIXEL(up, 1, 1, 0x7B4D10);
    COMPARE_PIXEL(up, 98, 28, 0x7B4D10);
    // The plain edge set.
    COMPARE_PIXEL(up, 50, 1, off(tint, 16, true));
    COMPARE_PIXEL(up, 50, 2, off(tint, 10, true));
    COMPARE_PIXEL(up, 50, 27, off(tint, -32, true));
    COMPARE_PIXEL(up, 50, 28, off(tint, -48, true));
    COMPARE_PIXEL(up, 1, 15, off(tint, -5, true));
    COMPARE_PIXEL(up, 2, 15, off(tint, -10, true));
    COMPARE_PIXEL(up, 97, 15, off(tint, -24, true));
    COMPARE_PIXEL(up, 98, 15, off(tint, -36, true));
    // The first and last gradient rows the edges leave visible: row 3 is -2.5 rounded to -2.
    QCOMPARE(gradientStep(25, 3, 30), -2);
    COMPARE_PIXEL(up, 50, 3, off(tint, -2, true));
    COMPARE_PIXEL(up, 50, 26, off(tint, gradientStep(25, 26, 30), true));

    const QRegion mask = host.button->mask();
    for (const QPoint cut :
         {QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(98, 0), QPoint(99, 0), QPoint(99, 1),
          QPoint(0, 29), QPoint(1, 29), QPoint(0, 28), QPoint(98, 29), QPoint(99, 29), QPoint(99, 28)})
        QVERIFY(!mask.contains(cut));
    QVERIFY(mask.contains(QPoint(1, 1)));
    QVERIFY(mask.contains(QPoint(2, 0)));
    QVERIFY(mask.contains(QPoint(97, 29)));
}

void TestVemraButtonRendering::gradientTypePressed()
{
    ButtonTestHost host(3, 2);
    const quint32 face = 0x996633;
    host.button->setBackColor(face);
    const quint32 tint = off(face, 48, true);
    const quint32 t32 = off(tint, -32, true);
    QTest::mousePress(host.button, Qt::LeftButton);
    QImage down = shot(host);
    // Upwards: row y takes step i = h - y.
    COMPARE_PIXEL(down, 50, 3, off(t32, gradientStep(25, 27, 30), true));
    COMPARE_PIXEL(down, 50, 26, off(t32, gradientStep(25, 4, 30), true));
    COMPARE_PIXEL(down, 50, 1, off(t32, -32, true));
    COMPARE_PIXEL(down, 50, 2, off(t32, -24, true));
    COMPARE_PIXEL(down, 50, 27, off(t32, 10, true));
    COMPARE_PIXEL(down, 50, 28, off(t32, 16, true));
    COMPARE_PIXEL(down, 1, 15, off(t32, -32, true));
    COMPARE_PIXEL(down, 2, 15, off(t32, -22, true));
    COMPARE_PIXEL(down, 97, 15, tint);
    COMPARE_PIXEL(down, 98, 15, off(t32, 5, true));
    COMPARE_PIXEL(down, 0, 15, 0x733C00);
    QTest::mouseRelease(host.button, Qt::LeftButton);
}

void TestVemraButtonRendering::gradientTypeEdgeSets()
{
    ButtonTestHost host(3, 2);
    host.button->setBackColor(0x996633);
    QVERIFY(host.hover());
    QImage hovered = shot(host);
    COMPARE_PIXEL(hovered, 1, 15, 0x31B2FF);
    COMPARE_PIXEL(hovered, 98, 15, 0x31B2FF);
    COMPARE_PIXEL(hovered, 50, 27, 0x31B2FF);
    COMPARE_PIXEL(hovered, 50, 28, 0x0096E7);
    COMPARE_PIXEL(hovered, 50, 1, 0xCEF3FF);
    COMPARE_PIXEL(hovered, 50, 2, 0x8CDBFF);
    COMPARE_PIXEL(hovered, 2, 15, 0x6BCBFF);
    COMPARE_PIXEL(hovered, 97, 15, 0x6BCBFF);

    host.leave();
    host.button->OverTimer_Timer();
    host.button->setDefaultButton(true);
    QImage marked = shot(host);
    COMPARE_PIXEL(marked, 1, 15, 0xE7AE8C);
    COMPARE_PIXEL(marked, 50, 28, 0xEF826B);
    COMPARE_PIXEL(marked, 50, 1, 0xFFE7CE);
    COMPARE_PIXEL(marked, 50, 2, 0xF7D7BD);
    COMPARE_PIXEL(marked, 2, 15, 0xF0D1B5);

    // Without the focus rectangle the default button is not marked.
    host.button->setShowFocusRect(false);
    COMPARE_PIXEL(shot(host), 50, 1, off(off(0x996633, 48, true), 16, true));
}

void TestVemraButtonRendering::gradientTypeDisabled()
{
    ButtonTestHost host(3, 2);
    const quint32 face = 0x996633;
    host.button->setBackColor(face);
    host.button->setEnabled(false);
    const quint32 tint = off(face, 48, true);
    QImage image = shot(host);
    COMPARE_PIXEL(image, 50, 15, off(tint, -24, true));
    COMPARE_PIXEL(image, 50, 0, off(tint, -84, true));
    COMPARE_PIXEL(image, 1, 1, off(tint, -72, true));
    COMPARE_PIXEL(image, 98, 28, off(tint, -72, true));
}

void TestVemraButtonRendering::lightTypeEdges()
{
    ButtonTestHost host(4, 3);
    QImage up = shot(host);
    COMPARE_PIXEL(up, 50, 0, Dark3);
    COMPARE_PIXEL(up, 1, 1, Dark3);
    COMPARE_PIXEL(up, 98, 28, Dark3);
    COMPARE_PIXEL(up, 50, 2, Highlight3);
    COMPARE_PIXEL(up, 2, 15, Highlight3);
    COMPARE_PIXEL(up, 3, 3, Highlight3);
    COMPARE_PIXEL(up, 97, 15, Face3);
    COMPARE_PIXEL(up, 50, 27, Face3);
    COMPARE_PIXEL(up, 96, 26, Face3);
    COMPARE_PIXEL(up, 98, 15, Shadow3);
    COMPARE_PIXEL(up, 50, 28, Shadow3);
    COMPARE_PIXEL(up, 97, 27, Shadow3);
    COMPARE_PIXEL(up, 50, 15, Light3);

    QTest::mousePress(host.button, Qt::LeftButton);
    QImage down = shot(host);
    const quint32 s16 = off(Shadow3, -16);
    COMPARE_PIXEL(down, 50, 15, s16);
    COMPARE_PIXEL(down, 50, 0, Dark3);
    COMPARE_PIXEL(down, 50, 1, off(Shadow3, -64));
    COMPARE_PIXEL(down, 50, 2, off(Shadow3, -32));
    COMPARE_PIXEL(down, 2, 2, off(Shadow3, -64));
    COMPARE_PIXEL(down, 1, 1, Dark3);
    COMPARE_PIXEL(down, 97, 15, Shadow3);
    COMPARE_PIXEL(down, 50, 27, Shadow3);
    COMPARE_PIXEL(down, 98, 15, s16);
    COMPARE_PIXEL(down, 2, 28, off(Shadow3, -32));
    QTest::mouseRelease(host.button, Qt::LeftButton);
}

void TestVemraButtonRendering::flatTypeFiveAndItsRegion()
{
    ButtonTestHost host(5, 3);
    QImage up = shot(host);
    COMPARE_PIXEL(up, 50, 15, off(Face3, 12));
    COMPARE_PIXEL(up, 99, 15, Highlight3);
    COMPARE_PIXEL(up, 50, 29, Highlight3);
    COMPARE_PIXEL(up, 0, 15, off(Shadow3, -26));
    COMPARE_PIXEL(up, 50, 0, off(Shadow3, -26));
    COMPARE_PIXEL(up, 98, 15, off(Shadow3, -26));
    COMPARE_PIXEL(up, 50, 28, off(Shadow3, -26));
    COMPARE_PIXEL(up, 1, 28, off(Shadow3, 26));
    COMPARE_PIXEL(up, 98, 1, off(Shadow3, 26));
    const QRegion mask = host.button->mask();
    QVERIFY(!mask.contains(QPoint(0, 29)));
    QVERIFY(!mask.contains(QPoint(99, 0)));
    QVERIFY(mask.contains(QPoint(0, 0)));
    QVERIFY(mask.contains(QPoint(99, 29)));

    QTest::mousePress(host.button, Qt::LeftButton);
    QImage down = shot(host);
    COMPARE_PIXEL(down, 20, 15, off(Shadow3, 16));
    COMPARE_PIXEL(down, 50, 28, off(Shadow3, -26));
    COMPARE_PIXEL(down, 99, 15, Highlight3);
    COMPARE_PIXEL(down, 50, 29, Highlight3);
    QTest::mouseRelease(host.button, Qt::LeftButton);

    // The focused caption is framed two pixels left and one above its rectangle.
    host.button->setCaption(QStringLiteral("Go"));
    host.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window.get()));
    host.button->setFocus();
    QTRY_VERIFY(host.button->hasFocus());
    const ButtonLayout layout =
        ButtonLayout::compute(QSize(100, 30), QStringLiteral("Go"), host.button->font(), 0, QSize(), false);
    const ButtonRect cr = layout.caption;
    QImage focused = shot(host);
    COMPARE_PIXEL(focused, cr.left - 2, cr.top - 1, 0xCC9999);
    COMPARE_PIXEL(focused, cr.right + 1, cr.bottom, 0xCC9999);
}

void TestVemraButtonRendering::glassTypeGradientAndBands()
{
    ButtonTestHost host(14, 2);
    const quint32 face = 0xC08040;
    host.button->setBackColor(face);
    const quint32 highlight = off(face, 47);
    const quint32 shadow = off(face, -64);
    QImage up = shot(host);
    COMPARE_PIXEL(up, 50, 0, off(shadow, -50));
    COMPARE_PIXEL(up, 50, 1, off(face, -9));
    COMPARE_PIXEL(up, 50, 2, highlight);
    COMPARE_PIXEL(up, 50, 3, highlight);
    COMPARE_PIXEL(up, 2, 15, highlight);
    COMPARE_PIXEL(up, 3, 15, highlight);
    // First and last rows of the gradient left in view.
    COMPARE_PIXEL(up, 50, 4, off(highlight, gradientStep(58, 4, 30)));
    COMPARE_PIXEL(up, 50, 27, off(highlight, gradientStep(58, 27, 30)));
    COMPARE_PIXEL(up, 50, 28, off(face, -9));
    QVERIFY(!host.button->mask().contains(QPoint(99, 29)));

    QTest::mousePress(host.button, Qt::LeftButton);
    QImage down = shot(host);
    COMPARE_PIXEL(down, 50, 15, off(face, -9));
    COMPARE_PIXEL(down, 50, 0, off(shadow, -48));
    COMPARE_PIXEL(down, 50, 28, highlight);
    COMPARE_PIXEL(down, 98, 15, highlight);
    QTest::mouseRelease(host.button, Qt::LeftButton);

    host.button->setEnabled(false);
    QImage disabled = shot(host);
    COMPARE_PIXEL(disabled, 50, 4, off(highlight, gradientStep(58, 4, 30)));
    COMPARE_PIXEL(disabled, 50, 0, off(shadow, -50));

    // The default button's caption is bold; the button's own font is left alone.
    host.button->setEnabled(true);
    host.button->setCaption(QStringLiteral("Wide"));
    const auto inked = [&host] {
        int count = 0;
        const QImage image = shot(host);
        for (int y = 5; y < 26; ++y)
            for (int x = 5; x < 95; ++x)
                count += image.pixel(x, y) == 0xFF000000u;
        return count;
    };
    host.button->setForeColor(0);
    const int regular = inked();
    host.button->setDefaultButton(true);
    QVERIFY(inked() > regular);
    QVERIFY(!host.button->fontBold());
}

void TestVemraButtonRendering::ellipseTypeRegionAndLook()
{
    ButtonTestHost host(13, 3, QSize(60, 40));
    const QRegion mask = host.button->mask();
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            const double dx = (x + 0.5 - 30) / 30;
            const double dy = (y + 0.5 - 20) / 20;
            const double d = dx * dx + dy * dy;
            if (d < 0.95)
                QVERIFY2(mask.contains(QPoint(x, y)), qPrintable(QStringLiteral("in %1,%2").arg(x).arg(y)));
            else if (d > 1.05)
                QVERIFY2(!mask.contains(QPoint(x, y)), qPrintable(QStringLiteral("out %1,%2").arg(x).arg(y)));
        }
    }

    COMPARE_PIXEL(shot(host), 30, 0, Face3);
    QVERIFY(host.hover());
    QImage hovered = shot(host);
    COMPARE_PIXEL(hovered, 30, 0, Shadow3);
    COMPARE_PIXEL(hovered, 30, 1, Shadow3);
    COMPARE_PIXEL(hovered, 30, 2, Face3);
    COMPARE_PIXEL(hovered, 0, 20, Shadow3);

    QTest::mousePress(host.button, Qt::LeftButton, {}, QPoint(30, 20));
    QImage down = shot(host);
    COMPARE_PIXEL(down, 30, 0, Dark3);
    COMPARE_PIXEL(down, 59, 20, Dark3);
    COMPARE_PIXEL(down, 30, 20, off(Face3, -32));
    QTest::mouseRelease(host.button, Qt::LeftButton, {}, QPoint(30, 20));

    // Disabled, the ellipse is not drawn at all.
    host.button->setEnabled(false);
    COMPARE_PIXEL(shot(host), 30, 0, Face3);
}

void TestVemraButtonRendering::ellipseClicksOnlyInside()
{
    ButtonTestHost host(13, 3, QSize(60, 40));
    QSignalSpy clicks(host.button, &VemraButton::Click);
    QWindow* window = host.window->windowHandle();
    const QPoint origin = host.button->pos();
    QTest::mouseClick(window, Qt::LeftButton, {}, origin + QPoint(1, 1));
    QCOMPARE(clicks.count(), 0);
    QTest::mouseClick(window, Qt::LeftButton, {}, origin + QPoint(30, 20));
    QCOMPARE(clicks.count(), 1);
}

void TestVemraButtonRendering::accentTypeHoverUsesTheSelectionColour()
{
    ButtonTestHost host(9, 1);
    QPalette palette = host.button->palette();
    palette.setColor(QPalette::Button, QColor(0xD0, 0xD0, 0xD0));
    palette.setColor(QPalette::Highlight, QColor(0x33, 0x66, 0xCC));
    host.button->setPalette(palette);
    const quint32 accent = 0xCC6633;
    const quint32 accentTint = ButtonColor::blend(accent, 176);

    QImage up = shot(host);
    COMPARE_PIXEL(up, 0, 0, 0xD0D0D0);
    COMPARE_PIXEL(up, 50, 15, 0xD0D0D0);

    QVERIFY(host.hover());
    QImage hovered = shot(host);
    COMPARE_PIXEL(hovered, 0, 0, accent);
    COMPARE_PIXEL(hovered, 99, 29, accent);
    COMPARE_PIXEL(hovered, 50, 15, accentTint);

    QTest::mousePress(host.button, Qt::LeftButton);
    QImage down = shot(host);
    COMPARE_PIXEL(down, 50, 15, ButtonColor::blend(accent, 128));
    COMPARE_PIXEL(down, 0, 0, accent);
    QTest::mouseRelease(host.button, Qt::LeftButton);
}

void TestVemraButtonRendering::customHoverColourRecoloursEverything()
{
    ButtonTestHost host(12, 2);
    host.button->setBackColor(0x808080);
    host.button->setBackOver(0x40A040);
    QImage up = shot(host);
    COMPARE_PIXEL(up, 50, 15, 0x808080);
    COMPARE_PIXEL(up, 0, 0, 0x808080);

    QVERIFY(host.hover());
    QImage hovered = shot(host);
    COMPARE_PIXEL(hovered, 50, 15, 0x40A040);
    COMPARE_PIXEL(hovered, 0, 0, off(0x40A040, 47));
    COMPARE_PIXEL(hovered, 99, 29, off(0x40A040, -192));
    COMPARE_PIXEL(hovered, 1, 1, off(0x40A040, 31));

    host.leave();
    host.button->OverTimer_Timer();
    COMPARE_PIXEL(shot(host), 50, 15, 0x808080);
    QCOMPARE(host.button->backColor(), 0x808080u);
}

void TestVemraButtonRendering::flatTypesShowEdgesOnlyWhileHovered()
{
    ButtonTestHost host(8, 3);
    COMPARE_PIXEL(shot(host), 0, 0, Face3);
    QVERIFY(host.hover());
    COMPARE_PIXEL(shot(host), 0, 0, Highlight3);
    COMPARE_PIXEL(shot(host), 99, 29, Shadow3);
    COMPARE_PIXEL(shot(host), 1, 1, Face3);
    host.leave();
    host.button->OverTimer_Timer();
    COMPARE_PIXEL(shot(host), 0, 0, Face3);
}

void TestVemraButtonRendering::backgroundTypeDrawsWhatLiesBeneath()
{
    ButtonTestHost host(11, 3);
    QPalette palette = host.window->palette();
    palette.setColor(QPalette::Window, QColor(10, 200, 30));
    host.window->setPalette(palette);
    host.window->setAutoFillBackground(true);
    host.button->Refresh();
    QImage up = shot(host);
    QCOMPARE(QColor(up.pixel(50, 15)), QColor(10, 200, 30));
    QCOMPARE(QColor(up.pixel(0, 0)), QColor(10, 200, 30));
}

void TestVemraButtonRendering::captionColoursAndAccessKeyUnderline()
{
    ButtonTestHost host(7, 2);
    host.button->setBackColor(0xFFFFFF);
    host.button->setForeColor(0x0000FF);
    host.button->setForeOver(0x00FF00);

    const auto inkBounds = [&host](QRgb ink) {
        const QImage image = shot(host);
        QRect bounds;
        for (int y = 1; y < 29; ++y)
            for (int x = 1; x < 99; ++x)
                if (image.pixel(x, y) == ink)
                    bounds |= QRect(x, y, 1, 1);
        return bounds;
    };
    host.button->setCaption(QStringLiteral("Wide"));
    const QRect plain = inkBounds(rgbOf(0x0000FF));
    QVERIFY(!plain.isEmpty());
    host.button->setCaption(QStringLiteral("&Wide"));
    const QRect marked = inkBounds(rgbOf(0x0000FF));
    // The ampersand is not drawn; the letter after it gets a line underneath.
    QVERIFY(marked.bottom() > plain.bottom());
    QVERIFY(marked.left() >= plain.left() - 1 && marked.right() <= plain.right() + 1);

    QVERIFY(host.hover());
    QVERIFY(!inkBounds(rgbOf(0x00FF00)).isEmpty());
    QVERIFY(inkBounds(rgbOf(0x0000FF)).isEmpty());

    // Disabled: engraved in highlight one pixel down and right, shadow on top.
    host.leave();
    host.button->OverTimer_Timer();
    host.button->setEnabled(false);
    QVERIFY(inkBounds(rgbOf(0x0000FF)).isEmpty());
    QCOMPARE(inkBounds(rgbOf(off(0xFFFFFF, -64))), marked);
}

void TestVemraButtonRendering::reliefEffectsAroundTheCaption()
{
    ButtonTestHost host(7, 3);
    host.button->setCaption(QStringLiteral("I"));
    const auto has = [&host](quint32 color) {
        const QImage image = shot(host);
        for (int y = 1; y < 29; ++y)
            for (int x = 1; x < 99; ++x)
                if (image.pixel(x, y) == rgbOf(color))
                    return true;
        return false;
    };
    QVERIFY(!has(off(Face3, -40)));
    host.button->setSpecialEffect(1); // raised: dark below right, light above left
    QVERIFY(has(off(Face3, -40)));
    QVERIFY(has(off(Face3, 40)));
    QVERIFY(has(0));
    host.button->setSpecialEffect(3); // a single dark shadow
    QVERIFY(has(off(Face3, -40)));
    QVERIFY(!has(off(Face3, 40)));
}

void TestVemraButtonRendering::focusRectangleFollowsTheType()
{
    ButtonTestHost host(14, 3);
    host.window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(host.window.get()));
    host.button->setFocus();
    QTRY_VERIFY(host.button->hasFocus());
    // Type 14: shrunk by five and moved one right and down, so it starts at (6, 6).
    const quint32 row6 = off(Highlight3, gradientStep(58, 6, 30));
    QImage image = shot(host);
    COMPARE_PIXEL(image, 6, 6, row6 ^ 0xFFFFFF);
    COMPARE_PIXEL(image, 7, 6, row6);

    // The others: shrunk by four (types 1-6) or three (7-13).
    host.button->setButtonType(6);
    COMPARE_PIXEL(shot(host), 4, 4, Face3 ^ 0xFFFFFF);
    host.button->setButtonType(12);
    COMPARE_PIXEL(shot(host), 3, 3, Face3 ^ 0xFFFFFF);
    host.button->setButtonType(13);
    COMPARE_PIXEL(shot(host), 30, 3, Face3);
}

void TestVemraButtonRendering::captionThatFitsIsDrawnOnOneLine()
{
    // Captions that fit their buttons must not lose their last word to a wrap when drawn unsmoothed.
    const QFont font = Design::font(QStringLiteral("Tahoma"), 8.25);
    const QFontMetrics drawn(ButtonLayout::drawingFont(font));
    for (const QString& caption : {QStringLiteral("&Add Today"), QStringLiteral("&Back to Main"),
                                   QStringLiteral("C&hange Color"), QStringLiteral("Co&untdown")}) {
        const QSize size(drawn.horizontalAdvance(QString(caption).remove(u'&')) + 12, 25);
        const ButtonLayout layout = ButtonLayout::compute(size, caption, font, 4, QSize(), false);
        const QRect wrapped = drawn.boundingRect(layout.caption.toQRect(),
                                                 ButtonLayout::textFlags() | Qt::AlignHCenter, caption);
        QCOMPARE(wrapped.height(), drawn.height());
    }
}

void TestVemraButtonRendering::aScaledSurfaceIsCoveredWithEdgesAsThickOnEitherSide_data()
{
    QTest::addColumn<qreal>("scale");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("place"); // the button's left in its window, which decides its screen pixels
    for (qreal scale : {1.0, 1.25, 1.5, 2.0}) {
        for (int width : {45, 49, 65, 73}) { // the widths of "<<", ">>" and "Unload"
            for (int place : {8, 55, 110})
                QTest::addRow("%g x %d at %d", scale, width, place) << scale << width << place;
        }
    }
}

void TestVemraButtonRendering::aScaledSurfaceIsCoveredWithEdgesAsThickOnEitherSide()
{
    QFETCH(qreal, scale);
    QFETCH(int, width);
    QFETCH(int, place);
    const int height = 23;
    // As many pixels as the button covers on the screen at that place.
    QImage surface(qRound((place + width) * scale) - qRound(place * scale), qRound(height * scale),
                   QImage::Format_RGB32);
    surface.setDevicePixelRatio(scale);
    surface.fill(Qt::black);
    ButtonCanvas canvas(surface, false, QSize(width, height));
    QCOMPARE(canvas.width(), width);
    canvas.fill(0, 0, width, height, 0xC0C0C0);
    canvas.frame(0, 0, width, height, 0x0000FF);

    // No pixel of the surface is left unpainted (the black bar), and the frame is as thick on the right
    // as on the left, at the bottom as at the top (the heavy edge).
    const auto thickness = [&](QPoint from, QPoint step) {
        int count = 0;
        for (QPoint at = from; surface.rect().contains(at) && surface.pixel(at) == qRgb(255, 0, 0); at += step)
            ++count;
        return count;
    };
    for (int y = 0; y < surface.height(); ++y) {
        for (int x = 0; x < surface.width(); ++x)
            QVERIFY2(surface.pixel(x, y) != qRgb(0, 0, 0), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
    const int middleY = surface.height() / 2;
    const int middleX = surface.width() / 2;
    const int left = thickness(QPoint(0, middleY), QPoint(1, 0));
    QCOMPARE(thickness(QPoint(surface.width() - 1, middleY), QPoint(-1, 0)), left);
    QCOMPARE(thickness(QPoint(middleX, surface.height() - 1), QPoint(0, -1)), thickness(QPoint(middleX, 0), QPoint(0, 1)));
    QCOMPARE(left, int(std::floor(scale)));
}

QTEST_MAIN(TestVemraButtonRendering)
#include "TestVemraButtonRendering.moc"
