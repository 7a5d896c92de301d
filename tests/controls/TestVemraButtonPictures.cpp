#include "ButtonTestHost.h"
#include "controls/ButtonColor.h"
#include "controls/ButtonLayout.h"
#include "controls/PictureCompositor.h"
#include "controls/VemraButton.h"

#include <QFontMetrics>
#include <QPainter>
#include <QTest>

// A 6 x 4 picture on a 100 x 30 button with an empty caption sits centred at (47, 13). Its pixels
// are dark red except the mask-coloured top-left one and the white bottom-right one.
namespace {

constexpr quint32 Face = 0x00FF00; // the custom face colour: green
constexpr quint32 DarkRed = 0x000080;
constexpr quint32 White = 0xFFFFFF;
constexpr quint32 Mask = 0xC0C0C0;
constexpr int X = 47;
constexpr int Y = 13;

QPixmap testPicture(quint32 body = DarkRed)
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(rgbOf(body));
    image.setPixel(0, 0, rgbOf(Mask));
    image.setPixel(5, 3, rgbOf(White));
    return QPixmap::fromImage(image);
}

quint32 pixelAt(const ButtonTestHost& host, int x, int y)
{
    return ButtonColor::fromRgb(host.button->grab().toImage().pixel(x, y));
}

quint32 off(quint32 c, int n)
{
    return ButtonColor::offset(c, n);
}

struct PictureHost : ButtonTestHost
{
    explicit PictureHost(int type) : ButtonTestHost(type, 2)
    {
        button->setBackColor(Face);
        button->setBackOver(Face);
        button->setPictureNormal(testPicture());
    }
};

} // namespace

class TestVemraButtonPictures : public QObject
{
    Q_OBJECT

private slots:
    void upPictureWithTheMaskTransparent();
    void greyOnlyWhileUpAndNotHovered();
    void hoverPictureReplacesTheNormalOne();
    void hoverPictureAloneIsNeverDrawn();
    void pressedPictureMovesOneStep();
    void disabledPictureIsAnEmbossedSilhouette();
    void disabledPictureForFlatAndGradientTypes();
    void accentTypeGhostsAndLifts();
    void reliefSilhouetteUnderThePicture();
    void layoutPlacesThePictureBesideTheCaption();
    void centredPictureKeepsTheCaptionOnTop();
    void iconsAreDrawnOverTheMaskColour();
};

void TestVemraButtonPictures::upPictureWithTheMaskTransparent()
{
    PictureHost host(7);
    QCOMPARE(pixelAt(host, X, Y), Face);
    QCOMPARE(pixelAt(host, X + 1, Y), DarkRed);
    QCOMPARE(pixelAt(host, X + 5, Y + 3), White);
    QCOMPARE(pixelAt(host, X + 6, Y + 3), Face);

    host.button->setUseMaskColor(false);
    QCOMPARE(pixelAt(host, X, Y), Mask);

    // The mask colour is a property of the button, not of the picture.
    host.button->setUseMaskColor(true);
    host.button->setMaskColor(DarkRed);
    QCOMPARE(pixelAt(host, X, Y), Mask);
    QCOMPARE(pixelAt(host, X + 1, Y), Face);
}

void TestVemraButtonPictures::greyOnlyWhileUpAndNotHovered()
{
    PictureHost host(7);
    host.button->setUseGreyscale(true);
    // Dark red 0x80 = 128: round(0.3 * 128) = 38.
    QCOMPARE(pixelAt(host, X + 1, Y), 0x262626u);
    QVERIFY(host.hover());
    QCOMPARE(pixelAt(host, X + 1, Y), DarkRed);
}

void TestVemraButtonPictures::hoverPictureReplacesTheNormalOne()
{
    PictureHost host(7);
    host.button->setPictureOver(testPicture(0xFF0000));
    QCOMPARE(pixelAt(host, X + 1, Y), DarkRed);
    QVERIFY(host.hover());
    QCOMPARE(pixelAt(host, X + 1, Y), 0xFF0000u);

    // Pressed, the hover picture moves one pixel right and down.
    QTest::mousePress(host.button, Qt::LeftButton);
    QCOMPARE(pixelAt(host, X + 2, Y + 1), 0xFF0000u);
    QCOMPARE(pixelAt(host, X + 1, Y + 1), Face);
    QTest::mouseRelease(host.button, Qt::LeftButton);
}

void TestVemraButtonPictures::hoverPictureAloneIsNeverDrawn()
{
    ButtonTestHost host(7, 2);
    host.button->setBackColor(Face);
    host.button->setBackOver(Face);
    host.button->setPictureOver(testPicture(0xFF0000));
    QVERIFY(host.hover());
    QCOMPARE(pixelAt(host, 50, 15), Face);
}

void TestVemraButtonPictures::pressedPictureMovesOneStep()
{
    PictureHost host(7);
    QTest::mousePress(host.button, Qt::LeftButton);
    QCOMPARE(pixelAt(host, X + 1, Y + 1), Face); // the mask pixel, moved
    QCOMPARE(pixelAt(host, X + 2, Y + 1), DarkRed);
    QCOMPARE(pixelAt(host, X + 6, Y + 4), White);
    QTest::mouseRelease(host.button, Qt::LeftButton);

    // The flat type 5 keeps its picture in place.
    host.button->setButtonType(5);
    QTest::mousePress(host.button, Qt::LeftButton);
    QCOMPARE(pixelAt(host, X + 1, Y), DarkRed);
    QCOMPARE(pixelAt(host, X + 5, Y + 3), White);
    QTest::mouseRelease(host.button, Qt::LeftButton);
}

void TestVemraButtonPictures::disabledPictureIsAnEmbossedSilhouette()
{
    PictureHost host(7);
    host.button->setEnabled(false);
    const quint32 highlight = off(Face, 47);
    const quint32 shadow = off(Face, -64);
    // Dark pixels: highlight one step down and right, shadow in place; the white pixel draws nothing.
    QCOMPARE(pixelAt(host, X + 1, Y), shadow);
    QCOMPARE(pixelAt(host, X + 5, Y + 3), highlight);
    QCOMPARE(pixelAt(host, X + 6, Y + 4), Face);
    QCOMPARE(pixelAt(host, X, Y), Face);
    QCOMPARE(pixelAt(host, X + 1, Y + 1), shadow);
}

void TestVemraButtonPictures::disabledPictureForFlatAndGradientTypes()
{
    PictureHost host(6);
    host.button->setEnabled(false);
    QCOMPARE(pixelAt(host, X + 1, Y), off(Face, -64));
    QCOMPARE(pixelAt(host, X + 5, Y + 3), Face);

    host.button->setButtonType(9);
    QCOMPARE(pixelAt(host, X + 1, Y), off(off(Face, -64), 13));

    // The gradient type greys its picture one step down and right.
    host.button->setButtonType(3);
    QCOMPARE(pixelAt(host, X + 2, Y + 1), quint32(ButtonColor::rgb(38, 38, 38)));
}

void TestVemraButtonPictures::accentTypeGhostsAndLifts()
{
    PictureHost host(9);
    // (2 * picture + face) / 3 for each component: red (256 + 0) / 3, green (0 + 255) / 3.
    QCOMPARE(pixelAt(host, X + 1, Y), ButtonColor::rgb(85, 85, 0));

    // Hovered: a shadow silhouette one step down and right, the picture one step up and left.
    QVERIFY(host.hover());
    QCOMPARE(pixelAt(host, X, Y - 1), DarkRed);
    QCOMPARE(pixelAt(host, X + 5, Y + 2), off(Face, -64));
    QCOMPARE(pixelAt(host, X + 6, Y + 3), off(Face, -64));
}

void TestVemraButtonPictures::reliefSilhouetteUnderThePicture()
{
    PictureHost host(7);
    host.button->setSpecialEffect(3);
    QCOMPARE(pixelAt(host, X + 6, Y + 4), off(Face, -40));
    QCOMPARE(pixelAt(host, X + 1, Y), DarkRed);

    // Sunken: light below right, dark above left.
    host.button->setSpecialEffect(2);
    QCOMPARE(pixelAt(host, X + 6, Y + 4), off(Face, 40));
    QCOMPARE(pixelAt(host, X + 1, Y - 1), off(Face, -40));
}

void TestVemraButtonPictures::layoutPlacesThePictureBesideTheCaption()
{
    const QFont font;
    const QString caption = QStringLiteral("Go");
    const QSize picture(16, 16);
    const int w = 100;
    const int h = 30;
    const QRect text =
        QFontMetrics(font).boundingRect(QRect(0, 0, 1000, 1000), ButtonLayout::textFlags(), caption);
    const int tw = text.width();
    const int th = text.height();

    // Left of the caption: the caption's room starts after the picture.
    ButtonLayout layout = ButtonLayout::compute(QSize(w, h), caption, font, 0, picture, true);
    const int left0 = 17 + (w - (17 + tw)) / 2;
    QCOMPARE(layout.caption.left, left0);
    QCOMPARE(layout.caption.top, 1 + (h - (1 + th)) / 2);
    QCOMPARE(layout.picture, QPoint(left0 - 16 - 4, (h - 16) / 2));
    QCOMPARE(layout.captionShifted, layout.caption.moved(1, 1));

    layout = ButtonLayout::compute(QSize(w, h), caption, font, 1, picture, true);
    const int left1 = 1 + (w - (1 + tw) - 16 - 4) / 2;
    QCOMPARE(layout.caption.left, left1);
    QCOMPARE(layout.picture, QPoint(left1 + tw + 4, (h - 16) / 2));

    layout = ButtonLayout::compute(QSize(w, 60), caption, font, 2, picture, true);
    const int top2 = 17 + (60 - (17 + th)) / 2;
    QCOMPARE(layout.caption.top, top2);
    QCOMPARE(layout.picture, QPoint((w - 16) / 2, top2 - 16 - 2));

    layout = ButtonLayout::compute(QSize(w, 60), caption, font, 3, picture, true);
    const int top3 = 1 + (60 - (1 + th) - 16 - 4) / 2;
    QCOMPARE(layout.caption.top, top3);
    QCOMPARE(layout.picture, QPoint((w - 16) / 2, top3 + th + 2));

    // A caption of spaces only centres the picture whatever the position.
    layout = ButtonLayout::compute(QSize(w, h), QStringLiteral("   "), font, 0, picture, true);
    QCOMPARE(layout.picture, QPoint(42, 7));
}

void TestVemraButtonPictures::centredPictureKeepsTheCaptionOnTop()
{
    ButtonTestHost host(7, 2);
    host.button->setBackColor(Face);
    host.button->setForeColor(0);
    QImage block(80, 24, QImage::Format_RGB32);
    block.fill(rgbOf(0x0000FF));
    host.button->setPictureNormal(QPixmap::fromImage(block));
    host.button->setCaption(QStringLiteral("III"));
    const auto blackInsidePicture = [&host] {
        const QImage image = host.button->grab().toImage();
        for (int y = 4; y < 26; ++y)
            for (int x = 11; x < 89; ++x)
                if (image.pixel(x, y) == 0xFF000000u)
                    return true;
        return false;
    };
    host.button->setPicturePosition(4);
    QVERIFY(blackInsidePicture());

    // Centred behind a type 0 button, which has no caption, nothing is drawn over the picture.
    host.button->setButtonType(0);
    QVERIFY(!blackInsidePicture());
}

void TestVemraButtonPictures::iconsAreDrawnOverTheMaskColour()
{
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    for (int y = 0; y < 8; ++y)
        for (int x = 4; x < 8; ++x)
            image.setPixel(x, y, qRgb(0, 0, 255));
    ButtonTestHost host(7, 2);
    host.button->setBackColor(Face);
    host.button->setPictureNormal(QIcon(QPixmap::fromImage(image)));
    QCOMPARE(host.button->pictureNormal().pixelSize(), QSize(8, 8));
    QCOMPARE(pixelAt(host, 46 + 1, 11 + 1), Face);
    QCOMPARE(pixelAt(host, 46 + 5, 11 + 1), 0xFF0000u);

    host.button->setUseMaskColor(false);
    QCOMPARE(pixelAt(host, 46 + 1, 11 + 1), Mask);
}

QTEST_MAIN(TestVemraButtonPictures)
#include "TestVemraButtonPictures.moc"
